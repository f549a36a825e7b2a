// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "channelbank.h"

#include <QTest>

using namespace std::chrono_literals;

// A channel's run, on a clock of the test's own.
class tst_Channels : public QObject {
    Q_OBJECT

private slots:
    // A channel stopped and started again while its due ticks are delivered begins a new run,
    // which none of the old run's due ticks reach: here an observer of the run-out loads 30 s and
    // starts again in the middle of a catch-up of 600 s. A period that could never fall due is
    // refused when the bank is made.
    void restartStartsAfresh()
    {
        std::chrono::nanoseconds now {};
        ChannelBank bank(1s, [&] { return now; });
        Channel &channel = bank.channel(4);
        int runOuts = 0;
        connect(&channel, &Channel::ranOut, this,
            [&] { runOuts++ ? void() : (channel.setTime(0, 3), channel.toggle()); });
        channel.setTime(0, 3), channel.toggle(), now = 600s;
        while (channel.takeDueTick())
            channel.tick();
        QCOMPARE(std::tuple(runOuts, channel.text(), channel.isRunning(), bank.runOutCount()),
            std::tuple(1, QStringLiteral("0:3"), true, 0));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ChannelBank(0ms));
    }
};

QTEST_GUILESS_MAIN(tst_Channels)
#include "tst_channels.moc"
