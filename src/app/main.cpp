#include "frmtb.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler defaultHandler = nullptr;

// While the window system is being reached, a failure to reach it becomes one clear line and exit
// status 1, instead of the platform plugin's warnings followed by an abort.
void startupHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fputs("tembrik-timer: cannot open the window: no window system could be reached "
                   "(check DISPLAY or WAYLAND_DISPLAY)\n",
            stderr);
        std::_Exit(EXIT_FAILURE);
    }
    if (context.category && qstrncmp(context.category, "qt.qpa", 6) == 0)
        return;
    if (defaultHandler)
        defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    defaultHandler = qInstallMessageHandler(startupHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(defaultHandler);
    // The application name is the class of the window on X11 (the entry's StartupWMClass); the
    // desktop file name is the app id on Wayland. Both tie the window to its menu entry and icon.
    QApplication::setApplicationName(QStringLiteral("Tembrik Timer"));
    QApplication::setDesktopFileName(QStringLiteral("org.kestrune.TembrikTimer"));
    QApplication::setApplicationVersion(QStringLiteral(TEMBRIK_VERSION));

    frmTB window;
    window.show();
    return QApplication::exec();
}
