#include "channel.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

constexpr int Overflows = std::numeric_limits<int>::min();

class tst_Channel : public QObject {
    Q_OBJECT

    int beeps = 0;
    std::unique_ptr<Channel> channel;

    // Loads the smallest whole number of ten-second units above `seconds` and ticks down to it.
    void countDownTo(int seconds)
    {
        const int tens = seconds / 10 + 1;
        channel->setTime(0, static_cast<qint16>(tens));
        for (int i = tens * 10; i > seconds; --i)
            channel->tick();
        QCOMPARE(channel->state().remainingSeconds, seconds);
    }

private slots:
    void init()
    {
        beeps = 0;
        channel = std::make_unique<Channel>(1, 1000ms, [this] { ++beeps; });
    }

    void setTime_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("tenSeconds");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");

        QTest::newRow("45 minutes") << 45 << 0 << 2700 << "45:0";
        QTest::newRow("largest minutes") << 546 << 0 << 32760 << "546:0";
        QTest::newRow("minutes product overflows") << 547 << 0 << Overflows << "";
        QTest::newRow("sum overflows") << 546 << 1 << Overflows << "";
        QTest::newRow("largest sum") << 545 << 6 << 32760 << "545:6";
        QTest::newRow("sum just over") << 545 << 7 << Overflows << "";
        QTest::newRow("tens product overflows") << 0 << 3277 << Overflows << "";
        QTest::newRow("largest tens") << 0 << 3276 << 32760 << "0:3276";
        QTest::newRow("most negative minutes") << -546 << 0 << -32760 << "-546:0";
        QTest::newRow("negative product overflows") << -547 << 0 << Overflows << "";
        QTest::newRow("negative sum overflows") << -546 << -1 << Overflows << "";
        QTest::newRow("negative sum at the limit") << -545 << -6 << -32760 << "-545:-6";
        QTest::newRow("1 and 3 tens") << 1 << 3 << 90 << "1:3";
        QTest::newRow("minus one minute") << -1 << 0 << -60 << "-1:0";
        QTest::newRow("mixed signs") << 2 << -3 << 90 << "2:-3";
        QTest::newRow("zero") << 0 << 0 << 0 << "0:0";
    }

    // Overflow leaves seconds and text as they were; a good load shows its own arguments.
    void setTime()
    {
        QFETCH(int, minutes);
        QFETCH(int, tenSeconds);
        QFETCH(int, seconds);
        QFETCH(QString, text);

        channel->setTime(7, 1);
        if (seconds == Overflows) {
            QVERIFY_THROWS_EXCEPTION(OverflowError,
                channel->setTime(static_cast<qint16>(minutes), static_cast<qint16>(tenSeconds)));
            QCOMPARE(channel->state().remainingSeconds, 7 * 60 + 10);
            QCOMPARE(channel->text(), QStringLiteral("7:1"));
        } else {
            channel->setTime(static_cast<qint16>(minutes), static_cast<qint16>(tenSeconds));
            QCOMPARE(channel->state().remainingSeconds, seconds);
            QCOMPARE(channel->text(), text);
        }
    }

    void tickText_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("2699") << 2699 << "44:59";
        QTest::newRow("1200") << 1200 << "20:0";
        QTest::newRow("300") << 300 << "5:0";
        QTest::newRow("60") << 60 << "1:0";
        QTest::newRow("59") << 59 << "0:59";
        QTest::newRow("9") << 9 << "0:9";
        QTest::newRow("0") << 0 << "0:0";
        QTest::newRow("whole hour hidden") << 3600 << "0:0";
        QTest::newRow("hour and a bit") << 3661 << "1:1";
        QTest::newRow("largest") << 32759 << "5:59";
    }

    void tickText()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        countDownTo(seconds);
        QCOMPARE(channel->text(), text);
        QCOMPARE(
            channel->state().shownMinutes * 60 + channel->state().shownSeconds, seconds % 3600);
        QCOMPARE(channel->state().wholeMinutes, seconds / 60);
    }

    void loadedTextDiffersFromTickText()
    {
        channel->setTime(1, 3);
        QCOMPARE(channel->text(), QStringLiteral("1:3"));
        channel->tick();
        QCOMPARE(channel->text(), QStringLiteral("1:29"));
    }

    // A whole 45-minute run: colours change exactly one tick after the warning text is shown,
    // time label before name label, and only the 2701st tick expires.
    void fullRun()
    {
        channel->setTime(45, 0);
        channel->toggle();
        QSignalSpy colours(channel.get(), &Channel::colourChanged);
        QList<int> colourTicks;

        for (int k = 1; k <= 2701; ++k) {
            const qsizetype before = colours.size();
            channel->tick();
            if (colours.size() != before)
                colourTicks << k;
            if (k <= 2700) {
                QCOMPARE(channel->state().remainingSeconds, 2700 - k);
                QVERIFY(channel->isRunning());
            }
            if (k == 1)
                QCOMPARE(channel->text(), QStringLiteral("44:59"));
            if (k == 1500)
                QCOMPARE(channel->text(), QStringLiteral("20:0"));
            if (k == 1501)
                QCOMPARE(channel->text(), QStringLiteral("19:59"));
            if (k == 2400)
                QCOMPARE(channel->text(), QStringLiteral("5:0"));
            if (k == 2700)
                QCOMPARE(channel->text(), QStringLiteral("0:0"));
            QCOMPARE(beeps, k == 2701 ? 1 : 0);
        }
        QCOMPARE(colourTicks, QList<int>({ 1501, 2401 }));
        QCOMPARE(colours.size(), 4);
        const auto event = [&](int i) {
            return std::pair(colours.at(i).at(0).value<Channel::Label>(),
                colours.at(i).at(1).value<ColourWord>());
        };
        QCOMPARE(event(0), std::pair(Channel::Label::Time, Colours::Yellow));
        QCOMPARE(event(1), std::pair(Channel::Label::Name, Colours::Yellow));
        QCOMPARE(event(2), std::pair(Channel::Label::Time, Colours::Red));
        QCOMPARE(event(3), std::pair(Channel::Label::Name, Colours::Red));

        QCOMPARE(channel->text(), QStringLiteral("00:00"));
        QVERIFY(!channel->isRunning());
        QCOMPARE(channel->state().remainingSeconds, 0);
        QCOMPARE(channel->colour(Channel::Label::Name), Colours::Red);
    }

    // Start/Stop on a channel that has run out: each start gives one more beep and stops again.
    void restartAfterExpiry()
    {
        channel->setTime(0, 0);
        channel->toggle();
        channel->tick();
        QCOMPARE(beeps, 1);
        QVERIFY(!channel->isRunning());
        for (int again = 2; again <= 3; ++again) {
            channel->toggle();
            QVERIFY(channel->isRunning());
            channel->tick();
            QCOMPARE(beeps, again);
            QCOMPARE(channel->text(), QStringLiteral("00:00"));
            QVERIFY(!channel->isRunning());
            QCOMPARE(channel->state().remainingSeconds, 0);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Channel)
#include "tst_channel.moc"
