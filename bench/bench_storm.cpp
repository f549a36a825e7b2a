// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

// Soak: all twenty channels on real 1 ms timers under a storm of real mouse clicks. Reports
// resident memory before and after, and confirms that no stopped channel ever changed: while the
// event loop runs between two clicks, only a running channel's ticks may change its labels.
// Usage: bench_storm [seconds, default 60; a fraction for a short check]; exits 1 on a change to a
// stopped channel or if resident memory grows by 4 MB or more.
#include "benchutil.h"
#include "frmtb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(0.1, QByteArray(argv[1]).toDouble()) : 60;
    int beeps = 0, clicks = 0, stoppedChanges = 0;
    frmTB window(1ms, [&] { ++beeps; });
    window.show();
    QCoreApplication::processEvents();
    const std::array setTimes { &frmTB::SetTime, &frmTB::SetTime2, &frmTB::SetTime3,
        &frmTB::SetTime4, &frmTB::SetTime5, &frmTB::SetTime6, &frmTB::SetTime7, &frmTB::SetTime8,
        &frmTB::SetTime9, &frmTB::SetTime10, &frmTB::SetTime11, &frmTB::SetTime12,
        &frmTB::SetTime13, &frmTB::SetTime14, &frmTB::SetTime15, &frmTB::SetTime16,
        &frmTB::SetTime17, &frmTB::SetTime18, &frmTB::SetTime19, &frmTB::SetTime20 };
    struct Cell {
        QTimer *timer;
        QLabel *time, *name;
    };
    std::array<Cell, 20> cells {};
    for (int n = 1; n <= 20; ++n) {
        cells[n - 1] = { window.findChild<QTimer *>(QStringLiteral("Timer%1").arg(n)),
            window.findChild<QLabel *>(QStringLiteral("Label%1").arg(n)),
            window.findChild<QLabel *>(
                QString::fromLatin1(n == 1 ? "lblchan%1" : "lblChan%1").arg(n)) };
    }
    const auto look = [](const Cell &cell) {
        return std::tuple(cell.time->text(), cell.time->palette().color(QPalette::ButtonText),
            cell.name->palette().color(QPalette::ButtonText));
    };

    QRandomGenerator random(42);
    // Clicks on any button but Exit, Master Reset seldom; short loads now and then, so that
    // channels warn and run out between the resets. Between clicks the event loop runs freely.
    const auto storm = [&](qint64 ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (random.bounded(10) == 0) {
                (window.*setTimes[random.bounded(20)])(
                    0, 0, qint16(random.bounded(6)), qint16(random.bounded(6)));
            }
            const int button = random.bounded(500) == 0 ? 41 : random.bounded(1, 41);
            QTest::mouseClick(
                window.findChild<QPushButton *>(QStringLiteral("Command%1").arg(button)),
                Qt::LeftButton);
            ++clicks;
            std::array<std::optional<decltype(look(cells[0]))>, 20> stopped;
            for (int n = 0; n < 20; ++n) {
                if (!cells[n].timer->isActive())
                    stopped[n] = look(cells[n]);
            }
            QEventLoop loop;
            QTimer::singleShot(random.bounded(20), &loop, &QEventLoop::quit);
            loop.exec();
            for (int n = 0; n < 20; ++n)
                stoppedChanges += stopped[n] && *stopped[n] != look(cells[n]);
        }
    };
    const auto ms = qint64(seconds * 1000);
    storm(std::min<qint64>(ms, 1000)); // warm up the allocator and caches before measuring
    const long before = residentKb();
    storm(ms);
    const long after = residentKb();

    printHeader(qPrintable(
        QStringLiteral("Click storm: 20 channels on 1 ms timers for %1 s").arg(seconds)));
    printRow(QStringLiteral("clicks"), QString::number(clicks));
    printRow(QStringLiteral("channels run out (beeps)"), QString::number(beeps));
    printRow(QStringLiteral("changes to a stopped channel"), QString::number(stoppedChanges),
        QStringLiteral("0"));
    printRow(QStringLiteral("resident memory before"), QStringLiteral("%1 kB").arg(before));
    printRow(QStringLiteral("resident memory after"), QStringLiteral("%1 kB").arg(after),
        QStringLiteral("< +4096 kB"));
    return stoppedChanges == 0 && after - before < 4096 ? 0 : 1;
}
