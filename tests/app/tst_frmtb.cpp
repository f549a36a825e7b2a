#include "frmtb.h"
#include "handlerframe.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

// Each channel's controls, written out from the control table rather than taken from the code.
struct Row {
    int channel;
    const char *startStop;
    const char *reset;
    const char *nameLabel;
};
const Row Rows[] = {
    { 1, "Command1", "Command2", "lblchan1" },
    { 2, "Command3", "Command4", "lblChan2" },
    { 3, "Command6", "Command5", "lblChan3" },
    { 4, "Command8", "Command7", "lblChan4" },
    { 5, "Command10", "Command9", "lblChan5" },
    { 6, "Command11", "Command12", "lblChan6" },
    { 7, "Command13", "Command14", "lblChan7" },
    { 8, "Command15", "Command16", "lblChan8" },
    { 9, "Command17", "Command18", "lblChan9" },
    { 10, "Command19", "Command20", "lblChan10" },
    { 11, "Command21", "Command22", "lblChan11" },
    { 12, "Command23", "Command24", "lblChan12" },
    { 13, "Command25", "Command26", "lblChan13" },
    { 14, "Command27", "Command28", "lblChan14" },
    { 15, "Command29", "Command30", "lblChan15" },
    { 16, "Command31", "Command32", "lblChan16" },
    { 17, "Command33", "Command34", "lblChan17" },
    { 18, "Command35", "Command36", "lblChan18" },
    { 19, "Command37", "Command38", "lblChan19" },
    { 20, "Command39", "Command40", "lblChan20" },
};

QColor textColour(const QLabel *label)
{
    return label->palette().color(label->foregroundRole());
}

} // namespace

class tst_frmTB : public QObject {
    Q_OBJECT

    int beeps = 0;
    std::unique_ptr<frmTB> window;

    template <typename T> T *find(const QString &name) const
    {
        auto *child = window->findChild<T *>(name);
        if (!child)
            qFatal("no control named %s", qPrintable(name));
        return child;
    }
    QLabel *timeLabel(int n) const { return find<QLabel>(QStringLiteral("Label%1").arg(n)); }
    QTimer *timer(int n) const { return find<QTimer>(QStringLiteral("Timer%1").arg(n)); }
    QLabel *nameLabel(int n) const
    {
        return find<QLabel>(QString::fromLatin1(Rows[n - 1].nameLabel));
    }
    void click(const char *button) const
    {
        QTest::mouseClick(find<QPushButton>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    QList<int> running() const
    {
        QList<int> result;
        for (int n = 1; n <= ChannelBank::Count; ++n) {
            if (timer(n)->isActive())
                result << n;
        }
        return result;
    }

private slots:
    void makeWindow(std::chrono::milliseconds period)
    {
        window = std::make_unique<frmTB>(period, [this] { ++beeps; });
    }

    void init()
    {
        beeps = 0;
        makeWindow(1000ms);
    }

    void cleanup() { window.reset(); }

    void loadsEveryChannelStopped()
    {
        QCOMPARE(window->findChildren<QPushButton *>().size(), 42);
        QCOMPARE(window->findChildren<QLabel *>().size(), 40);
        QCOMPARE(
            window->findChildren<QTimer *>(QRegularExpression(QStringLiteral("^Timer"))).size(),
            20);
        for (int n = 1; n <= ChannelBank::Count; ++n) {
            QCOMPARE(timeLabel(n)->text(), QStringLiteral("45:0"));
            QCOMPARE(nameLabel(n)->text(), QStringLiteral("Channel %1").arg(n));
            QVERIFY(!timer(n)->isActive());
            QCOMPARE(timer(n)->interval(), 1000);
            QCOMPARE(timer(n)->timerType(), Qt::PreciseTimer);
            QCOMPARE(window->channels().channel(n).state().remainingSeconds, 2700);
        }
    }

    void formLoadLoadsInChannelOrder()
    {
        QList<int> order;
        for (Channel *channel : window->channels().channels()) {
            channel->setTime(1, 0); // so that every reload shows
            connect(channel, &Channel::textChanged, this,
                [&order, n = channel->number()] { order << n; });
        }
        window->Form_Load();
        QList<int> expected;
        for (int n = 1; n <= ChannelBank::Count; ++n)
            expected << n;
        QCOMPARE(order, expected);
        QCOMPARE(timeLabel(20)->text(), QStringLiteral("45:0"));
        QVERIFY(running().isEmpty());
    }

    void wiring_data()
    {
        QTest::addColumn<int>("channel");
        for (const Row &row : Rows)
            QTest::addRow("channel %d", row.channel) << row.channel;
    }

    // Each Start/Stop button drives its own timer and no other; each Reset resets its own channel.
    void wiring()
    {
        QFETCH(int, channel);
        const Row &row = Rows[channel - 1];
        click(row.startStop);
        QCOMPARE(running(), QList<int>({ channel }));

        window->channels().channel(channel).tick();
        window->channels().channel(channel).tick();
        for (int n = 1; n <= ChannelBank::Count; ++n)
            QCOMPARE(timeLabel(n)->text(),
                n == channel ? QStringLiteral("44:58") : QStringLiteral("45:0"));

        click(row.reset);
        QVERIFY(running().isEmpty());
        QCOMPARE(timeLabel(channel)->text(), QStringLiteral("45:0"));
        QCOMPARE(textColour(timeLabel(channel)), QColor(Qt::black));
        QCOMPARE(textColour(nameLabel(channel)), QColor(Qt::black));

        click(row.startStop);
        click(row.startStop);
        QVERIFY(running().isEmpty());
    }

    void namedHandlersReachTheirChannel()
    {
        window->Command6_Click();
        QCOMPARE(running(), QList<int>({ 3 }));
        window->Timer3_Timer();
        QCOMPARE(timeLabel(3)->text(), QStringLiteral("44:59"));
        window->Command5_Click();
        QVERIFY(running().isEmpty());
        QCOMPARE(timeLabel(3)->text(), QStringLiteral("45:0"));
        window->SetTime20(9, -4, 1, 3);
        QCOMPARE(timeLabel(20)->text(), QStringLiteral("1:3"));
        window->Command41_Click();
        QCOMPARE(timeLabel(20)->text(), QStringLiteral("45:0"));
    }

    // Warning colours reach both labels of the ticking channel and no one else's.
    void ticksTouchOnlyTheirChannel()
    {
        window->SetTime9(0, 0, 20, 0);
        window->Command17_Click();
        window->Timer9_Timer();
        QCOMPARE(textColour(timeLabel(9)), QColor(Qt::yellow));
        QCOMPARE(textColour(nameLabel(9)), QColor(Qt::yellow));
        const QColor untouched = textColour(timeLabel(1));
        for (int n = 1; n <= ChannelBank::Count; ++n) {
            if (n == 9)
                continue;
            QCOMPARE(timeLabel(n)->text(), QStringLiteral("45:0"));
            QCOMPARE(textColour(timeLabel(n)), untouched);
            QCOMPARE(textColour(nameLabel(n)), untouched);
        }
        window->SetTime9(0, 0, 5, 0);
        window->Timer9_Timer();
        QCOMPARE(textColour(nameLabel(9)), QColor(Qt::red));
    }

    // The whole road through the real event loop, on real timers with a short period.
    void countdownOnTheEventLoop()
    {
        makeWindow(2ms);
        window->SetTime2(0, 0, 5, 1); // 310 s: red after 11 ticks, expiry after 311
        click("Command3");
        QTRY_COMPARE_WITH_TIMEOUT(textColour(nameLabel(2)), QColor(Qt::red), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(timeLabel(2)->text(), QStringLiteral("00:00"), 10000);
        QCOMPARE(beeps, 1);
        QVERIFY(!timer(2)->isActive());
        QTest::qWait(20);
        QCOMPARE(beeps, 1);
        QCOMPARE(timeLabel(1)->text(), QStringLiteral("45:0"));
    }

    // A screen reader hears whose button it is, the time itself, and the warning in words.
    void accessibleNamesAndDescriptions()
    {
        QCOMPARE(find<QPushButton>(QStringLiteral("Command6"))->accessibleName(),
            QStringLiteral("Channel 3 Start/Stop"));
        QCOMPARE(find<QPushButton>(QStringLiteral("Command5"))->accessibleName(),
            QStringLiteral("Channel 3 Reset"));
        QCOMPARE(find<QPushButton>(QStringLiteral("Command39"))->accessibleName(),
            QStringLiteral("Channel 20 Start/Stop"));
        QAccessibleInterface *label = QAccessible::queryAccessibleInterface(timeLabel(3));
        QCOMPARE(label->text(QAccessible::Name), QStringLiteral("45:0"));

        const auto description = [&] { return label->text(QAccessible::Description); };
        QCOMPARE(description(), QStringLiteral("Channel 3 time left"));
        window->SetTime3(0, 0, 20, 0);
        window->Timer3_Timer();
        QCOMPARE(label->text(QAccessible::Name), QStringLiteral("19:59"));
        QCOMPARE(description(), QStringLiteral("Channel 3 time left, below 20 minutes"));
        window->SetTime3(0, 0, 5, 0);
        window->Timer3_Timer();
        QCOMPARE(description(), QStringLiteral("Channel 3 time left, below 5 minutes"));
        window->SetTime3(0, 0, 0, 0);
        window->Timer3_Timer();
        QCOMPARE(description(), QStringLiteral("Channel 3 time left, run out"));
        window->Command5_Click();
        QCOMPARE(description(), QStringLiteral("Channel 3 time left"));
        QCOMPARE(
            QAccessible::queryAccessibleInterface(timeLabel(4))->text(QAccessible::Description),
            QStringLiteral("Channel 4 time left"));
    }

    // A tick repaints the label whose text changed and no other control.
    void tickRepaintsOnlyItsLabel()
    {
        struct PaintCounter : QObject {
            QStringList painted;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    painted << watched->objectName();
                return false;
            }
        } counter;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        for (QWidget *control : window->findChildren<QWidget *>())
            control->installEventFilter(&counter);
        window->Timer7_Timer();
        QTRY_VERIFY(!counter.painted.isEmpty());
        QTest::qWait(20);
        QCOMPARE(counter.painted, QStringList { QStringLiteral("Label7") });
    }

    void handlerErrorIsReportedAndContained()
    {
        QTest::ignoreMessage(
            QtWarningMsg, "frmTB.Command2_Click: overflow in 16-bit set-time arithmetic");
        window->Command10_Click(); // channel 5 runs
        const bool finished = runHandler("Command", 2, "Click", [&] {
            window->SetTime(0, 0, 547, 0);
            window->SetTime(0, 0, 1, 0); // never reached
        });
        QVERIFY(!finished);
        QCOMPARE(timeLabel(1)->text(), QStringLiteral("45:0"));
        QCOMPARE(window->channels().channel(1).state().remainingSeconds, 2700);
        window->Timer5_Timer();
        QCOMPARE(timeLabel(5)->text(), QStringLiteral("44:59"));
        QCOMPARE(running(), QList<int>({ 5 }));
    }

    void exitStopsEverythingAtOnce()
    {
        makeWindow(1ms);
        for (int n = 1; n <= ChannelBank::Count; ++n)
            window->channels().channel(n).setTime(0, 0);
        for (const Row &row : Rows)
            click(row.startStop);
        QCOMPARE(running().size(), 20);
        QSignalSpy texts(&window->channels().channel(1), &Channel::textChanged);
        click("Command42");
        QVERIFY(running().isEmpty());
        QTest::qWait(30);
        QCOMPARE(beeps, 0);
        QCOMPARE(texts.size(), 0);
        QCOMPARE(timeLabel(1)->text(), QStringLiteral("0:0"));
        click("Command1"); // a click after Exit runs no handler
        QVERIFY(running().isEmpty());
    }

    // Exit returns from the event loop, which is how the program ends.
    void exitEndsTheEventLoop()
    {
        window->show();
        QTimer::singleShot(0, window.get(), [this] { click("Command42"); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    }
};

QTEST_MAIN(tst_frmTB)
#include "tst_frmtb.moc"
