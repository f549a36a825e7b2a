#include "channelbank.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

// Channel and master resets: whatever state a channel is in, it ends stopped at 45:0 in black.
class tst_ChannelBank : public QObject {
    Q_OBJECT

    int beeps = 0;
    std::unique_ptr<ChannelBank> bank;

    Channel &ch(int n) { return bank->channel(n); }

    void ticks(Channel &channel, int count)
    {
        for (int i = 0; i < count; ++i)
            channel.tick();
    }

    // Puts a loaded channel into one of the states a user can reach.
    void drive(Channel &channel, const QString &state)
    {
        channel.setTime(Channel::LoadMinutes, 0);
        if (state == u"never started")
            return;
        channel.toggle();
        if (state == u"running")
            ticks(channel, 10);
        else if (state == u"paused") {
            ticks(channel, 10);
            channel.toggle();
        } else if (state == u"yellow")
            ticks(channel, 1501);
        else if (state == u"red")
            ticks(channel, 2401);
        else if (state == u"expired")
            ticks(channel, 2701);
    }

    void verifyFresh(const Channel &channel)
    {
        QVERIFY(!channel.isRunning());
        QCOMPARE(channel.state().remainingSeconds, 2700);
        QCOMPARE(channel.text(), QStringLiteral("45:0"));
        QCOMPARE(channel.colour(Channel::Label::Time), Colours::Black);
        QCOMPARE(channel.colour(Channel::Label::Name), Colours::Black);
    }

private slots:
    void init()
    {
        beeps = 0;
        bank = std::make_unique<ChannelBank>(1000ms, [this] { ++beeps; });
        for (Channel *channel : bank->channels())
            channel->setTime(Channel::LoadMinutes, 0);
    }

    void reset_data()
    {
        QTest::addColumn<QString>("state");
        for (const char *state :
            { "never started", "running", "paused", "yellow", "red", "expired" })
            QTest::newRow(state) << QString::fromLatin1(state);
    }

    void reset()
    {
        QFETCH(QString, state);
        drive(ch(4), state);
        ch(4).reset();
        verifyFresh(ch(4));
        // A reset never starts the channel: the next Start/Stop does, from 45:0.
        ch(4).toggle();
        QVERIFY(ch(4).isRunning());
        ch(4).tick();
        QCOMPARE(ch(4).text(), QStringLiteral("44:59"));
    }

    void resetTwiceChangesNothing()
    {
        drive(ch(2), QStringLiteral("red"));
        ch(2).reset();
        QSignalSpy text(&ch(2), &Channel::textChanged);
        QSignalSpy colour(&ch(2), &Channel::colourChanged);
        ch(2).reset();
        verifyFresh(ch(2));
        QCOMPARE(text.size(), 0);
        QCOMPARE(colour.size(), 0);
    }

    // Black stays until the tick that reads 20:0, then red until the one that reads 5:0.
    void resetRedThenRunAgain()
    {
        drive(ch(1), QStringLiteral("red"));
        ch(1).reset();
        ch(1).toggle();
        ticks(ch(1), 1500);
        QCOMPARE(ch(1).text(), QStringLiteral("20:0"));
        QCOMPARE(ch(1).colour(Channel::Label::Time), Colours::Black);
        ch(1).tick();
        QCOMPARE(ch(1).colour(Channel::Label::Time), Colours::Yellow);
        QCOMPARE(ch(1).colour(Channel::Label::Name), Colours::Yellow);
    }

    void masterResetFromMixedStates()
    {
        const QStringList states { QStringLiteral("never started"), QStringLiteral("running"),
            QStringLiteral("paused"), QStringLiteral("yellow"), QStringLiteral("red"),
            QStringLiteral("expired") };
        for (int n = 1; n <= ChannelBank::Count; ++n)
            drive(ch(n), states.at(n % states.size()));
        bank->masterReset();
        for (const Channel *channel : bank->channels())
            verifyFresh(*channel);
    }

    void eachStartStopAfterMasterResetStartsItsOwnChannel()
    {
        bank->masterReset();
        for (int n = 1; n <= ChannelBank::Count; ++n) {
            ch(n).toggle();
            for (int m = 1; m <= ChannelBank::Count; ++m)
                QCOMPARE(ch(m).isRunning(), m == n);
            ch(n).toggle();
        }
    }

    // On the real event loop: a reset channel never ticks again, not even once already due.
    void noTickAfterResetOnTheEventLoop()
    {
        ChannelBank fast(2ms, [this] { ++beeps; });
        Channel &channel = fast.channel(1);
        Channel &neighbour = fast.channel(2);
        channel.setTime(45, 0);
        neighbour.setTime(45, 0);
        connect(channel.timer(), &QTimer::timeout, &channel, &Channel::tick);
        connect(neighbour.timer(), &QTimer::timeout, &neighbour, &Channel::tick);
        channel.toggle();
        neighbour.toggle();
        QTRY_VERIFY(channel.state().remainingSeconds < 2690);
        QThread::msleep(10); // let ticks fall due while nothing dispatches them
        channel.reset();
        const int neighbourBefore = neighbour.state().remainingSeconds;
        QTest::qWait(50);
        QCOMPARE(channel.text(), QStringLiteral("45:0"));
        QCOMPARE(channel.state().remainingSeconds, 2700);
        QVERIFY(neighbour.state().remainingSeconds < neighbourBefore);
    }
};

QTEST_GUILESS_MAIN(tst_ChannelBank)
#include "tst_channelbank.moc"
