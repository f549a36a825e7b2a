// Cost of the tick handler: one channel's tick with its label update, and a whole second of all
// twenty channels ticking including the repaint that follows. Also checks that a tick repaints
// its own time label and no other control; it exits 1 if any other control was repainted.
#include "benchutil.h"
#include "frmtb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

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
    frmTB window(Channel::DefaultPeriod, [] {});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(50);

    // One tick of channel 7 after everything has settled.
    PaintWatch watch;
    for (QWidget *control : window.findChildren<QWidget *>())
        control->installEventFilter(&watch);
    window.Timer7_Timer();
    QTest::qWait(50);
    for (QWidget *control : window.findChildren<QWidget *>())
        control->removeEventFilter(&watch);

    constexpr int Runs = 2000;
    QList<double> one, second;
    QElapsedTimer clock;
    for (int run = 0; run < Runs; ++run) {
        if (run % 2500 == 0) // keep the channels counting rather than expiring
            window.Command41_Click();
        clock.start();
        window.Timer1_Timer();
        one << double(clock.nsecsElapsed()) / 1000.0;
    }
    for (int run = 0; run < Runs; ++run) {
        if (run % 2500 == 0)
            window.Command41_Click();
        clock.start();
        window.Timer1_Timer(), window.Timer2_Timer(), window.Timer3_Timer(), window.Timer4_Timer();
        window.Timer5_Timer(), window.Timer6_Timer(), window.Timer7_Timer(), window.Timer8_Timer();
        window.Timer9_Timer(), window.Timer10_Timer(), window.Timer11_Timer(),
            window.Timer12_Timer();
        window.Timer13_Timer(), window.Timer14_Timer(), window.Timer15_Timer();
        window.Timer16_Timer(), window.Timer17_Timer(), window.Timer18_Timer();
        window.Timer19_Timer(), window.Timer20_Timer();
        QCoreApplication::processEvents(); // the repaint of the twenty changed labels
        second << double(clock.nsecsElapsed()) / 1000.0;
    }

    printHeader("Tick cost (median of 2000 runs each)");
    printRow(QStringLiteral("one channel's tick with its label update"),
        QStringLiteral("%1 us").arg(percentile(one, 50), 0, 'f', 2));
    printRow(QStringLiteral("twenty ticks and their repaint"),
        QStringLiteral("%1 us").arg(percentile(second, 50), 0, 'f', 1));
    printRow(QStringLiteral("  99th percentile"),
        QStringLiteral("%1 us").arg(percentile(second, 99), 0, 'f', 1));
    printRow(QStringLiteral("controls repainted by one tick"), watch.painted.join(u' '),
        QStringLiteral("Label7"));
    return watch.painted == QStringList { QStringLiteral("Label7") } ? 0 : 1;
}
