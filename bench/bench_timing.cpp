// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

// Timer accuracy and CPU cost: the window idles for a while, then all twenty channels run on the
// real 1000 ms timers. Every tick's lateness against its channel's one-second grid is recorded as
// the timer event arrives. Usage: bench_timing [seconds per phase, default 60]
#include "benchutil.h"
#include "frmtb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>

namespace {

// Stamps each timer event before the tick handler runs.
class TickStamp : public QObject {
public:
    TickStamp(QElapsedTimer &clock, QList<qint64> &stamps, QObject *parent)
        : QObject(parent)
        , m_clock(clock)
        , m_stamps(stamps)
    { }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            m_stamps << m_clock.nsecsElapsed();
        return false;
    }

private:
    QElapsedTimer &m_clock;
    QList<qint64> &m_stamps;
};

void runFor(int seconds)
{
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, QByteArray(argv[1]).toInt()) : 60;
    frmTB window;
    window.show();
    QCoreApplication::processEvents();

    double cpu = cpuSeconds();
    runFor(seconds);
    const double idleCpu = cpuSeconds() - cpu;

    QElapsedTimer clock;
    clock.start();
    std::array<qint64, 20> started {};
    std::array<QList<qint64>, 20> stamps;
    for (int n = 1; n <= 20; ++n) {
        auto *timer = window.findChild<QTimer *>(QStringLiteral("Timer%1").arg(n));
        timer->installEventFilter(new TickStamp(clock, stamps[n - 1], timer));
    }
    cpu = cpuSeconds();
    // Channel n is the one whose button is named "Channel n Start/Stop".
    for (QPushButton *button : window.findChildren<QPushButton *>()) {
        if (button->text() == QStringLiteral("Start/Stop")) {
            button->click();
            started[button->accessibleName().split(u' ').at(1).toInt() - 1] = clock.nsecsElapsed();
        }
    }
    runFor(seconds);
    const double busyCpu = cpuSeconds() - cpu;
    const qint64 ended = clock.nsecsElapsed();

    QList<double> lateness;
    double worstDrift = 0;
    int lost = 0;
    for (int n = 0; n < 20; ++n) {
        const auto &ticks = stamps[n];
        for (qsizetype k = 0; k < ticks.size(); ++k)
            lateness << double(ticks[k] - started[n] - (k + 1) * 1000000000LL) / 1e6;
        if (!ticks.isEmpty())
            worstDrift = std::max(worstDrift, std::abs(lateness.last()));
        lost += int((ended - started[n]) / 1000000000LL) - int(ticks.size());
    }

    printHeader(qPrintable(
        QStringLiteral("Timer accuracy: 20 channels for %1 s on 1000 ms timers").arg(seconds)));
    printRow(QStringLiteral("ticks recorded"), QString::number(lateness.size()));
    printRow(QStringLiteral("ticks lost"), QString::number(lost), QStringLiteral("0"));
    printRow(QStringLiteral("lateness, median"),
        QStringLiteral("%1 ms").arg(percentile(lateness, 50), 0, 'f', 3));
    printRow(QStringLiteral("lateness, 99th percentile"),
        QStringLiteral("%1 ms").arg(percentile(lateness, 99), 0, 'f', 3), QStringLiteral("< 5 ms"));
    printRow(QStringLiteral("lateness, worst"),
        QStringLiteral("%1 ms").arg(percentile(lateness, 100), 0, 'f', 3));
    printRow(QStringLiteral("cumulative drift at the end, worst channel"),
        QStringLiteral("%1 ms").arg(worstDrift, 0, 'f', 3), QStringLiteral("< 5 ms"));

    printHeader("CPU time");
    printRow(QStringLiteral("idle: CPU per minute"),
        QStringLiteral("%1 ms").arg(idleCpu * 60000 / seconds, 0, 'f', 1));
    printRow(QStringLiteral("idle: share of one core"),
        QStringLiteral("%1 %").arg(idleCpu * 100 / seconds, 0, 'f', 3));
    printRow(QStringLiteral("twenty running: CPU per minute"),
        QStringLiteral("%1 ms").arg(busyCpu * 60000 / seconds, 0, 'f', 1));
    printRow(QStringLiteral("twenty running: share of one core"),
        QStringLiteral("%1 %").arg(busyCpu * 100 / seconds, 0, 'f', 3), QStringLiteral("< 0.5 %"));
    return 0;
}
