// Soak: all twenty channels on real 1 ms timers under a storm of real mouse clicks. Reports
// resident memory before and after, and confirms that no stopped channel ever changed: outside
// the storm's own clicks and loads, only a tick of a running timer may change a channel.
// Usage: bench_storm [seconds, default 60]
#include "benchutil.h"
#include "frmtb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 60;
    int beeps = 0, clicks = 0, stoppedChanges = 0;
    bool stormActs = false;
    frmTB window(1ms, [&] { ++beeps; });
    window.show();
    QCoreApplication::processEvents();
    for (Channel *channel : window.channels().channels()) {
        const auto check = [&, channel] { stoppedChanges += !stormActs && !channel->isRunning(); };
        QObject::connect(channel, &Channel::textChanged, &window, check);
        QObject::connect(channel, &Channel::colourChanged, &window, check);
    }

    QRandomGenerator random(42);
    // Clicks on any button but Exit, Master Reset seldom; short loads now and then, so that
    // channels warn and run out between the resets. Between clicks the event loop runs freely.
    const auto storm = [&](qint64 ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            stormActs = true;
            if (random.bounded(10) == 0)
                window.channels()
                    .channel(random.bounded(1, 21))
                    .setTime(qint16(random.bounded(6)), qint16(random.bounded(6)));
            const int button = random.bounded(500) == 0 ? 41 : random.bounded(1, 41);
            QTest::mouseClick(
                window.findChild<QPushButton *>(QStringLiteral("Command%1").arg(button)),
                Qt::LeftButton);
            stormActs = false;
            ++clicks;
            QEventLoop loop;
            QTimer::singleShot(random.bounded(20), &loop, &QEventLoop::quit);
            loop.exec();
        }
    };
    storm(1000); // warm up the allocator and caches before measuring
    const long before = residentKb();
    storm(seconds * 1000LL);
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
