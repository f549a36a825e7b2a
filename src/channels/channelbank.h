// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "channel.h"

#include <QObject>
#include <array>

// The twenty channels, numbered 1 to 20, the clock they keep to, and what acts on all of them at
// once.
class ChannelBank : public QObject {
    Q_OBJECT
public:
    static constexpr int Count = 20;

    // The time since boot, a suspend included: the clock the program keeps to.
    static std::chrono::nanoseconds sinceBoot();

    // Throws std::invalid_argument for a period of 0 or less, which could never fall due.
    explicit ChannelBank(std::chrono::milliseconds period, Channel::Clock clock = sinceBoot,
        QObject *parent = nullptr);

    Channel &channel(int number) { return *m_channels.at(number - 1); }
    // How many channels run, and how many show that their time ran out.
    int runningCount() const;
    int runOutCount() const;

    // Master reset: every channel reset. No event runs in between, so the order of the steps
    // within and across channels cannot be seen.
    void masterReset();

private:
    std::array<Channel *, Count> m_channels {};
};
