// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frmtb.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler defaultHandler = nullptr;
QString platformReason;

// While the window system is being reached, Qt's platform warnings go out as usual and the first
// of them is kept, since it says what failed. If no window system can be reached, Qt's own text
// follows and then one line of the program's own with that reason, and the program exits with
// status 1 instead of aborting.
void startupHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\ntembrik-timer: cannot open the window: %s\n",
            qPrintable(qFormatLogMessage(type, context, message).trimmed()),
            qPrintable((platformReason.isEmpty() ? message : platformReason).trimmed()));
        std::_Exit(EXIT_FAILURE);
    }
    if (platformReason.isEmpty() && qstrncmp(context.category, "qt.qpa", 6) == 0)
        platformReason = message;
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
    QApplication::setApplicationName(QStringLiteral(TEMBRIK_APP_NAME));
    QApplication::setDesktopFileName(QStringLiteral(TEMBRIK_APP_ID));
    QApplication::setApplicationVersion(QStringLiteral(TEMBRIK_VERSION));

    frmTB window;
    window.show();
    return QApplication::exec();
}
