// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

// How far the countdowns fall behind the clock when the program cannot run: the program, in a
// child process with all twenty channels started on the real one-second timers, is stopped for
// 10 s (SIGSTOP, as a swapped-out process is), or shares the processors with two busy loops per
// core for 60 s; then each channel's count is read against the seconds since its start. Also the
// cost of catching up twenty channels after an 8-hour sleep, in process, on a moved boot clock.
// Usage: bench_stall [STOP_SECONDS [BUSY_SECONDS]]
#include "benchutil.h"
#include "frmtb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

void startAll(QWidget &window)
{
    for (QPushButton *button : window.findChildren<QPushButton *>()) {
        if (button->text() == QStringLiteral("Start/Stop"))
            button->click();
    }
}

// The seconds counted so far by each channel that was loaded with 45 minutes.
QList<int> counted(QWidget &window)
{
    QList<int> seconds;
    for (int n = 1; n <= 20; ++n) {
        const QStringList time
            = window.findChild<QLabel *>(QStringLiteral("Label%1").arg(n))->text().split(u':');
        seconds << 2700 - time.value(0).toInt() * 60 - time.value(1).toInt();
    }
    return seconds;
}

// The program under test: says "ready" once every channel runs, and its counts on each line
// that it reads.
int child(int argc, char *argv[])
{
    QApplication app(argc, argv);
    frmTB window(1000ms, [] {});
    window.show();
    startAll(window);
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char line[16];
        if (read(STDIN_FILENO, line, sizeof line) <= 0)
            QCoreApplication::quit();
        for (const int seconds : counted(window))
            std::printf("%d ", seconds);
        std::printf("\n");
        std::fflush(stdout);
    });
    return QApplication::exec();
}

// Seconds behind the clock, worst channel, after the child has been through `trouble`.
double behind(const std::function<void(qint64 pid)> &trouble)
{
    QProcess program;
    program.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--child") },
        QIODevice::ReadWrite);
    if (!program.waitForReadyRead(10000))
        return -1;
    QElapsedTimer clock;
    clock.start();
    program.readAll();
    trouble(program.processId());
    QThread::msleep(1500); // time to catch up, if it does
    program.write("report\n");
    program.waitForReadyRead(10000);
    const qint64 due = clock.elapsed() / 1000;
    double worst = 0;
    for (const QByteArray &seconds : program.readAll().trimmed().split(' '))
        worst = std::max(worst, double(due - seconds.toInt()));
    program.closeWriteChannel();
    program.waitForFinished(5000);
    return worst;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--spin") == 0)
        for (;;) { }

    QApplication app(argc, argv);
    const int stopSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int busySeconds = argc > 2 ? std::atoi(argv[2]) : 60;
    printHeader("Stalls");
    const double stopped = behind([&](qint64 pid) {
        QThread::sleep(2);
        kill(pid_t(pid), SIGSTOP);
        QThread::sleep(stopSeconds);
        kill(pid_t(pid), SIGCONT);
    });
    printRow(QStringLiteral("behind the clock after a %1 s stop").arg(stopSeconds),
        QStringLiteral("%1 s").arg(stopped), QStringLiteral("0 (within 1)"));
    const double busy = behind([&](qint64) {
        std::vector<std::unique_ptr<QProcess>> spinners;
        for (int i = 0; i < 2 * QThread::idealThreadCount(); ++i) {
            spinners.push_back(std::make_unique<QProcess>());
            spinners.back()->start(
                QCoreApplication::applicationFilePath(), { QStringLiteral("--spin") });
        }
        QThread::sleep(busySeconds);
        for (auto &spinner : spinners)
            spinner->kill(), spinner->waitForFinished();
    });
    printRow(QStringLiteral("behind after %1 s with 2 busy loops per core").arg(busySeconds),
        QStringLiteral("%1 s").arg(busy), QStringLiteral("0 (within 1)"));

    // Twenty running channels, then the boot clock moves on by 8 hours, as over a night's
    // suspend: the next timeout of each delivers every tick that fell due, to the run-out.
    std::chrono::nanoseconds asleep {};
    int bells = 0;
    frmTB window(
        1000ms, [&] { ++bells; }, [&] { return ChannelBank::sinceBoot() + asleep; });
    startAll(window);
    asleep = 8h;
    QElapsedTimer cost;
    cost.start();
    for (QTimer *timer : window.findChildren<QTimer *>()) {
        QTimerEvent timeout(timer->timerId());
        QCoreApplication::sendEvent(timer, &timeout);
    }
    const double ms = double(cost.nsecsElapsed()) / 1e6;
    const QList<int> seconds = counted(window);
    printRow(QStringLiteral("catching up 20 channels after 8 h asleep"),
        QStringLiteral("%1 ms").arg(ms, 0, 'f', 1), QStringLiteral("< 1000 ms"));
    printRow(QStringLiteral("  ... channels run out / bells"),
        QStringLiteral("%1 / %2").arg(seconds.count(2700)).arg(bells), QStringLiteral("20 / 20"));
    return 0;
}
