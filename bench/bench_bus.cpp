// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

// The window while the session bus daemon stops answering (SIGSTOP, as a daemon that is stuck or
// swapped out), in a child process on a bus daemon of its own: stopped before the first Start (so
// that the connection to the bus is made meanwhile) or after it. Then, with the user elsewhere,
// a channel runs out (the first notification and the dock's first update), another is started,
// and Master Reset withdraws the notification; while the daemon still stands still, the program
// ends. Each run prints the longest time the interface thread was kept from its events, how late
// the started channel's first tick came, and how long the ending took. Every desktop service is
// missing, so the first request to stay awake asks each way in turn. Then, with stand-ins for the
// desktop's services that grant every request to stay awake, the daemon is stopped before the
// first Start and let go once channels have been started, have run out and been reset while it
// stood still: the requests that stand are counted while a channel runs and once none does, with
// every way on the bus and with the portal alone. Last, a notification service that answers only
// after 26 s.
// Usage: bench_bus [--check]   (--check: exit 1 if the window stood still or the ending took
// 500 ms or more, if not exactly one request stood while a channel ran and none after, or if the
// late id was not closed)
#include "benchutil.h"
#include "frmtb.h"
#include "notifier.h"
#include "sessionbus.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

constexpr int PeriodMs = 200;

int child(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool early = qstrcmp(argv[2], "early") == 0;
    const pid_t daemon = pid_t(std::atol(argv[3]));
    frmTB window(std::chrono::milliseconds(PeriodMs), [] {});
    QWidget elsewhere; // where the user is, so that a run-out is told to the desktop
    window.show(), elsewhere.show(), elsewhere.activateWindow();
    if (!QTest::qWaitForWindowActive(&elsewhere))
        return 1;
    const auto control
        = [&](const char *name) { return window.findChild<QWidget *>(QLatin1String(name)); };
    const auto click
        = [&](const char *name) { static_cast<QPushButton *>(control(name))->click(); };
    const auto text
        = [&](const char *name) { return static_cast<QLabel *>(control(name))->text(); };
    // The event loop's longest gap, seen by a 5 ms timer.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &window, [&] {
        worst = std::max(worst, clock.elapsed() - last);
        last = clock.elapsed();
    });
    probe.start(5);
    last = clock.elapsed();

    if (early)
        kill(daemon, SIGSTOP);
    click("Command1"); // channel 1: the first request to stay awake
    QTest::qWait(500);
    if (!early)
        kill(daemon, SIGSTOP);
    QTest::qWait(100);
    window.SetTime2(0, 0, 0, 0);
    click("Command3"); // channel 2 runs out at its first tick
    (void)QTest::qWaitFor([&] { return text("Label2") == u"00:00"; }, 60000);
    QElapsedTimer started;
    click("Command6"), started.start(); // channel 3
    (void)QTest::qWaitFor([&] { return text("Label3") != u"45:0"; }, 60000);
    const qint64 firstTick = started.elapsed();
    click("Command41");
    QTest::qWait(300);
    std::printf(
        "%lld %lld\n", static_cast<long long>(worst), static_cast<long long>(firstTick - PeriodMs));
    std::fflush(stdout);
    SessionBus::leave(0); // as the program ends
    return 0;
}

// With the daemon stopped before the first Start: channel 1 runs out in the background, channel 2
// is started, Master Reset, channel 3 is started, 10 s apart; the daemon is let go 10 s later,
// and channel 3 is stopped. Says "running" and "stopped" once things have settled after each.
int releaseChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const pid_t daemon = pid_t(std::atol(argv[3]));
    frmTB window(std::chrono::milliseconds(PeriodMs), [] {});
    QWidget elsewhere;
    window.show(), elsewhere.show(), elsewhere.activateWindow();
    if (!QTest::qWaitForWindowActive(&elsewhere))
        return 1;
    const auto click
        = [&](const char *name) { window.findChild<QPushButton *>(QLatin1String(name))->click(); };
    const auto say = [](const char *what) { std::puts(what), std::fflush(stdout); };
    // Each step 10 s apart, longer than a way's patience three times over.
    kill(daemon, SIGSTOP);
    window.SetTime(0, 0, 0, 1), click("Command1"); // ten ticks, then the run-out
    QTest::qWait(10000);
    click("Command3"), QTest::qWait(10000), click("Command41"), click("Command6");
    QTest::qWait(10000);
    kill(daemon, SIGCONT);
    QTest::qWait(3000), say("running"), QTest::qWait(1000);
    click("Command6");
    QTest::qWait(2000), say("stopped"), QTest::qWait(1000);
    return 0;
}

// The desktop's services in one connection, each granting every request to stay awake (the
// portal with its Response 0 after the reply), and counting the grants that stand (which its
// method Standing tells).
class GrantingDesktop : public QDBusVirtualObject {
public:
    QSet<QString> standing; // cookies and request handles
    uint cookie = 0;
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QVariantList arguments = call.arguments();
        if (call.member() == u"Inhibit" && call.interface() == u"org.freedesktop.portal.Inhibit") {
            const QString handle = u"/org/freedesktop/portal/desktop/request/"_s
                + call.service().sliced(1).replace(u'.', u'_') + u'/'
                + qdbus_cast<QVariantMap>(arguments.value(2)).value(u"handle_token"_s).toString();
            standing << handle;
            bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
            bus.send(QDBusMessage::createSignal(
                         handle, u"org.freedesktop.portal.Request"_s, u"Response"_s)
                << 0u << QVariantMap());
        } else if (call.member() == u"Inhibit") {
            standing << QString::number(++cookie);
            bus.send(call.createReply(cookie));
        } else if (call.member().compare(u"Uninhibit", Qt::CaseInsensitive) == 0) {
            standing.remove(arguments.value(0).toString());
        } else if (call.member() == u"Close") {
            standing.remove(call.path());
        } else if (call.member() == u"Standing") {
            bus.send(call.createReply(qint64(standing.size())));
        }
        return true;
    }
};

// The desktop portal as Debian's is: started by the bus when it is first called.
int portal(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::connectToBus(
        QString::fromUtf8(qgetenv("DBUS_STARTER_ADDRESS")), QStringLiteral("portal"));
    GrantingDesktop desktop;
    bus.registerVirtualObject(u"/"_s, &desktop, QDBusConnection::SubPath);
    QTimer alive; // it ends with its bus
    QObject::connect(&alive, &QTimer::timeout, &app, [&] {
        if (!bus.isConnected())
            app.quit();
    });
    alive.start(100);
    return bus.registerService(u"org.freedesktop.portal.Desktop"_s) ? app.exec() : 1;
}

// A bus daemon of the benchmark's own, where the only service it could start is the portal
// (with a folder of services): its address, or empty.
QString startDaemon(QProcess &daemon, const QString &services = {})
{
    QString config = QStringLiteral(TEMBRIK_SOURCE_DIR "/tests/session.conf");
    if (!services.isEmpty()) {
        QFile tests(config), service(services + u"/org.freedesktop.portal.Desktop.service"_s),
            own(config = services + u"/session.conf"_s);
        if (!tests.open(QIODevice::ReadOnly) || !service.open(QIODevice::WriteOnly)
            || !own.open(QIODevice::WriteOnly))
            return {};
        service.write("[D-BUS Service]\nName=org.freedesktop.portal.Desktop\nExec="
            + QCoreApplication::applicationFilePath().toUtf8() + " --portal\n");
        own.write(tests.readAll().replace(
            "</busconfig>", "<servicedir>" + services.toUtf8() + "</servicedir></busconfig>"));
    }
    daemon.start(QStringLiteral("dbus-daemon"),
        { u"--config-file="_s + config, QStringLiteral("--nofork"),
            QStringLiteral("--print-address=1") });
    return daemon.waitForReadyRead(10000) ? QString::fromUtf8(daemon.readLine().trimmed())
                                          : QString();
}

// A notification service that answers only after QtDBus's usual call timeout of 25 s.
class LateService : public QDBusVirtualObject {
public:
    QStringList calls;
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        calls << call.member() + u' ' + call.arguments().value(0).toString();
        if (call.member() == u"Notify")
            QTimer::singleShot(26000, [call, bus] { bus.send(call.createReply(101u)); });
        return true;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--portal") == 0)
        return portal(argc, argv);
    if (argc > 3 && qstrcmp(argv[1], "--child") == 0)
        return qstrcmp(argv[2], "release") == 0 ? releaseChild(argc, argv) : child(argc, argv);
    QCoreApplication app(argc, argv);
    const bool check = argc > 1 && qstrcmp(argv[1], "--check") == 0;
    bool failed = false;
    printHeader("The session bus daemon stopped");
    for (const char *when : { "early", "late" }) {
        QProcess daemon, program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), startDaemon(daemon));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--child"), QLatin1String(when),
                QString::number(daemon.processId()) });
        QElapsedTimer ending;
        program.waitForReadyRead(60000);
        ending.start();
        const QList<QByteArray> figures = program.readAll().trimmed().split(' ');
        program.waitForFinished(60000);
        const qint64 ended = ending.elapsed();
        kill(pid_t(daemon.processId()), SIGCONT);
        daemon.kill(), daemon.waitForFinished();
        program.kill(), program.waitForFinished();
        const QString stopped = qstrcmp(when, "early") == 0 ? QStringLiteral("before a Start")
                                                            : QStringLiteral("after a Start");
        const QString worst = figures.size() == 2 ? QString::fromLatin1(figures[0]) : u"> 60000"_s;
        failed = failed || figures.size() != 2 || figures[0].toInt() >= 500 || ended >= 500;
        printRow(u"stopped %1: longest stand-still"_s.arg(stopped), u"%1 ms"_s.arg(worst),
            QStringLiteral("< 50 ms"));
        printRow(u"  first tick of a channel started then, late by"_s,
            u"%1 ms"_s.arg(QString::fromLatin1(figures.value(1))), QStringLiteral("< 20 ms"));
        printRow(u"  ending the program"_s, u"%1 ms"_s.arg(ended), QStringLiteral("< 100 ms"));
    }

    printHeader("The session bus daemon stopped before the first Start, then let go");
    for (const bool portalAlone : { false, true }) {
        QProcess daemon, program;
        QTemporaryDir folder;
        const QString address = startDaemon(daemon, folder.path());
        // The session manager and the power manager run already; the portal is started by the
        // bus when it is first called.
        GrantingDesktop desktop;
        QDBusConnection services = QDBusConnection::connectToBus(address, u"services"_s);
        services.registerVirtualObject(u"/"_s, &desktop, QDBusConnection::SubPath);
        for (const char *name : { "org.gnome.SessionManager", "org.freedesktop.PowerManagement" }) {
            if (!portalAlone)
                services.registerService(QLatin1String(name));
        }
        const auto standing = [&] {
            const QDBusMessage count
                = services.call(QDBusMessage::createMethodCall(u"org.freedesktop.portal.Desktop"_s,
                                    u"/"_s, u"org.example.Count"_s, u"Standing"_s),
                    QDBus::Block, 5000);
            return desktop.standing.size() + count.arguments().value(0).toLongLong();
        };
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--child"), QStringLiteral("release"),
                QString::number(daemon.processId()) });
        QList<qsizetype> counts; // while a channel runs, and once none does
        for (int said = 0; said < 2; ++said) {
            (void)QTest::qWaitFor([&] { return program.canReadLine(); }, 60000);
            counts << (program.readLine().isEmpty() ? -1 : standing());
        }
        program.waitForFinished(10000);
        kill(pid_t(daemon.processId()), SIGCONT);
        program.kill(), program.waitForFinished();
        QDBusConnection::disconnectFromBus(u"services"_s);
        daemon.kill(), daemon.waitForFinished();
        failed = failed || counts != QList<qsizetype> { 1, 0 };
        const QString ways = portalAlone ? u"the portal alone"_s : u"every way"_s;
        printRow(u"requests standing, %1: while a channel runs"_s.arg(ways),
            QString::number(counts.value(0)), QStringLiteral("1"));
        printRow(
            u"  once no channel runs"_s, QString::number(counts.value(1)), QStringLiteral("0"));
    }

    // A notification withdrawn while its call waits for a service that answers after 26 s: the
    // answer is heard, and the id closed.
    QProcess daemon;
    qputenv("DBUS_SESSION_BUS_ADDRESS", startDaemon(daemon).toUtf8());
    LateService service;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"late"_s);
    bus.registerVirtualObject(u"/org/freedesktop/Notifications"_s, &service);
    bus.registerService(u"org.freedesktop.Notifications"_s);
    Notifier notifier(1, nullptr);
    notifier.notify(1, u"Channel 1 has run out"_s), notifier.withdraw(1);
    const bool closed = QTest::qWaitFor([&] { return service.calls.size() == 2; }, 40000)
        && service.calls[1] == u"CloseNotification 101";
    failed = failed || !closed;
    printRow(u"an id that comes after 26 s, no longer wanted"_s,
        closed ? u"closed"_s : u"left open"_s, QStringLiteral("closed"));
    daemon.kill(), daemon.waitForFinished();
    return check && failed ? 1 : 0;
}
