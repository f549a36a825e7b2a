// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

// The window while the session bus daemon stops answering (SIGSTOP, as a daemon that is stuck or
// swapped out), in a child process on a bus daemon of its own: stopped before the first Start (so
// that the connection to the bus is made meanwhile) or after it. Then, with the user elsewhere,
// a channel runs out (the first notification and the dock's first update), another is started,
// and Master Reset withdraws the notification; while the daemon still stands still, the program
// ends. Each run prints the longest time the interface thread was kept from its events, how late
// the started channel's first tick came, and how long the ending took. Every desktop service is
// missing, so the first request to stay awake asks each way in turn. Last, a notification
// service that answers only after 26 s.
// Usage: bench_bus [--check]   (--check: exit 1 if the window stood still or the ending took
// 500 ms or more, or the late id was not closed)
#include "benchutil.h"
#include "frmtb.h"
#include "notifier.h"
#include "sessionbus.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
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

// A bus daemon of the benchmark's own, with no service it could start: its address, or empty.
QString startDaemon(QProcess &daemon)
{
    daemon.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--config-file=" TEMBRIK_SOURCE_DIR "/tests/session.conf"),
            QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
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
    if (argc > 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);
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
