// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

// Cost of the tick handler: one channel's tick with its label update, and a whole second of all
// twenty channels ticking including the repaint that follows. Also checks that a tick repaints
// its own time label and no other control; it exits 1 if any other control was repainted.
// Usage: bench_tick [--check]   (--check: the check alone, without the figures)
#include "benchutil.h"
#include "frmtb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Names the controls that get a paint event.
class PaintWatch : public QObject {
public:
    QStringList painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted << watched->objectName();
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The timers never fire by themselves: each tick is the timer event that a due timer gets.
    frmTB window(std::chrono::hours(1), [] {});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const auto startAll = [&] {
        for (QPushButton *button : window.findChildren<QPushButton *>()) {
            if (button->text() == QStringLiteral("Start/Stop"))
                button->click();
        }
    };
    startAll();
    std::array<QTimer *, 20> timers {};
    for (int n = 1; n <= 20; ++n)
        timers[n - 1] = window.findChild<QTimer *>(QStringLiteral("Timer%1").arg(n));
    const auto tick = [&](int channel) {
        QTimerEvent event(timers[channel - 1]->timerId());
        QCoreApplication::sendEvent(timers[channel - 1], &event);
    };
    QPushButton *masterReset = window.findChild<QPushButton *>(QStringLiteral("Command41"));
    QTest::qWait(50);

    // One tick of channel 7 after everything has settled.
    PaintWatch watch;
    for (QWidget *control : window.findChildren<QWidget *>())
        control->installEventFilter(&watch);
    tick(7);
    QTest::qWait(50);
    for (QWidget *control : window.findChildren<QWidget *>())
        control->removeEventFilter(&watch);

    // Each series starts from a master reset and the channels started again: 2000 ticks stay
    // within the 2700 seconds of a load, so every tick counts and none runs out.
    const int Runs = argc > 1 && qstrcmp(argv[1], "--check") == 0 ? 1 : 2000;
    const auto restart = [&] {
        masterReset->click();
        startAll();
    };
    QList<double> one, all;
    QElapsedTimer clock;
    restart();
    for (int run = 0; run < Runs; ++run) {
        clock.start();
        tick(1);
        one << double(clock.nsecsElapsed()) / 1000.0;
    }
    restart();
    for (int run = 0; run < Runs; ++run) {
        clock.start();
        for (int n = 1; n <= 20; ++n)
            tick(n);
        QCoreApplication::processEvents(); // the repaint of the twenty changed labels
        all << double(clock.nsecsElapsed()) / 1000.0;
    }

    printHeader("Tick cost (median of 2000 runs each)");
    printRow(QStringLiteral("one channel's tick with its label update"),
        QStringLiteral("%1 us").arg(percentile(one, 50), 0, 'f', 2));
    printRow(QStringLiteral("twenty ticks and their repaint"),
        QStringLiteral("%1 us").arg(percentile(all, 50), 0, 'f', 1));
    printRow(QStringLiteral("  99th percentile"),
        QStringLiteral("%1 us").arg(percentile(all, 99), 0, 'f', 1));
    printRow(QStringLiteral("controls repainted by one tick"), watch.painted.join(u' '),
        QStringLiteral("Label7"));
    return watch.painted == QStringList { QStringLiteral("Label7") } ? 0 : 1;
}
