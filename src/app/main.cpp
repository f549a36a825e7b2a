#include "frmtb.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tembrik Timer"));
    QApplication::setApplicationVersion(QStringLiteral(TEMBRIK_VERSION));

    frmTB window;
    window.show();
    return QApplication::exec();
}
