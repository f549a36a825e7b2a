// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frmtb.h"
#include "sessionbus.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

QtMessageHandler defaultHandler = nullptr;
QString platformReason;

// While the window system is being reached and the window made, Qt's platform warnings go out as
// usual and the first of them is kept, since it says what failed. If no window can be opened, Qt's
// own text follows and then one line of the program's own with that reason, and the program exits
// with status 1 instead of aborting.
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

// Qt's own options, which its application object takes out of the command line: named here so that
// the help lists them and they are not refused as unknown. Qt reads each with one dash or two, and
// its value as the next argument; only the options marked so also as -name=value.
struct QtOption {
    const char *name;
    const char *value; // nullptr for a flag
    const char *help;
    bool joined = false; // Qt also reads -name=value
};
constexpr QtOption QtOptions[] {
    { "platform", "name[:options]", "Qt: the platform plugin, such as xcb or wayland" },
    { "platformpluginpath", "path", "Qt: where to look for platform plugins" },
    { "platformtheme", "name", "Qt: the platform theme" },
    { "plugin", "name", "Qt: an extra plugin to load" },
    { "display", "display", "Qt (X11): the X display to open the window on" },
    { "style", "style", "Qt: the widget style, such as Fusion", true },
    { "stylesheet", "file", "Qt: a style sheet for the widgets", true },
    { "reverse", nullptr, "Qt: lay the window out right to left" },
    { "session", "session", "Qt: the session to restore" },
    { "qwindowgeometry", "geometry", "Qt: the window's geometry" },
    { "geometry", "geometry", "Qt (X11): the window's geometry" },
    { "qwindowtitle", "title", "Qt: the window's title" },
    { "title", "title", "Qt (X11): the window's title" },
    { "qwindowicon", "file", "Qt: the window's icon" },
    { "icon", "file", "Qt (X11): the window's icon" },
    { "name", "name", "Qt (X11): the name part of the window's class" },
    { "visual", "id", "Qt (X11): the X visual to use" },
    { "sync", nullptr, "Qt (X11): talk to the X server synchronously" },
    { "nograb", nullptr, "Qt (X11): never grab the mouse or the keyboard" },
    { "dograb", nullptr, "Qt (X11): grab even under a debugger" },
    { "widgetcount", nullptr, "Qt: count the widgets at the end" },
    { "testability", nullptr, "Qt: load the testability plugin" },
    { "qmljsdebugger", "port:port", "Qt: start the QML debugger", true },
};

// An option of Qt's written -name=value where Qt reads only "-name value": Qt would leave it be
// and the program would start without it, so it is refused instead.
std::optional<QString> unreadQtForm(const QStringList &arguments)
{
    for (const QString &argument : arguments.sliced(1)) {
        if (argument == u"--")
            break;
        if (!argument.startsWith(u'-') || !argument.contains(u'='))
            continue;
        const QString name
            = argument.section(u'=', 0, 0).sliced(argument.startsWith(u"--") ? 2 : 1);
        for (const QtOption &option : QtOptions) {
            if (option.value && !option.joined && name == QLatin1String(option.name))
                return argument;
        }
    }
    return std::nullopt;
}

// --help and --version answer without a window system, so they are read before Qt starts one;
// Qt's own options are left for the application object. Returns the exit status when the program
// is to end here.
std::optional<int> readCommandLine(int argc, char *argv[])
{
    QCommandLineParser parser;
    // Qt spells its options with one dash (-platform), so one dash starts a long option here too.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(TEMBRIK_SUMMARY "."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const QtOption &option : QtOptions) {
        parser.addOption(option.value
                ? QCommandLineOption(QLatin1String(option.name), QLatin1String(option.help),
                    QLatin1String(option.value))
                : QCommandLineOption(QLatin1String(option.name), QLatin1String(option.help)));
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    if (!parser.parse(arguments)) {
        error = parser.errorText();
    } else if (const std::optional<QString> joined = unreadQtForm(arguments)) {
        error = QStringLiteral("Qt reads '%1' only as two arguments, '%2 %3'.")
                    .arg(*joined, joined->section(u'=', 0, 0), joined->section(u'=', 1));
    } else if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments()[0]);
    }
    if (!error.isEmpty()) {
        std::fprintf(
            stderr, TEMBRIK_PROGRAM ": %s (see " TEMBRIK_PROGRAM " --help)\n", qPrintable(error));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText().replace(
                       QStringLiteral("<executable_name>"), QStringLiteral(TEMBRIK_PROGRAM))),
            stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::puts(TEMBRIK_PROGRAM " " TEMBRIK_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = readCommandLine(argc, argv))
        return *status;
    // Until the window stands: a platform plugin may load and still have no screen to put it on.
    defaultHandler = qInstallMessageHandler(startupHandler);
    QApplication app(argc, argv);
    // The application name is the class of the window on X11 (the entry's StartupWMClass); the
    // desktop file name is the app id on Wayland. Both tie the window to its menu entry and icon.
    QApplication::setApplicationName(QStringLiteral(TEMBRIK_APP_NAME));
    QApplication::setDesktopFileName(QStringLiteral(TEMBRIK_APP_ID));
    QApplication::setApplicationVersion(QStringLiteral(TEMBRIK_VERSION));

    frmTB window;
    window.show();
    qInstallMessageHandler(defaultHandler);
    const int status = QApplication::exec();
    SessionBus::leave(status); // nothing is left to say on the bus
    return status;
}
