// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "channel.h"

#include <QObject>
#include <array>

// The twenty channels, numbered 1 to 20, and what acts on all of them at once.
class ChannelBank : public QObject {
    Q_OBJECT
public:
    static constexpr int Count = 20;

    explicit ChannelBank(std::chrono::milliseconds period, QObject *parent = nullptr);

    Channel &channel(int number) { return *m_channels.at(number - 1); }

    // Master reset: every channel reset. No event runs in between, so the order of the steps
    // within and across channels cannot be seen.
    void masterReset();

private:
    std::array<Channel *, Count> m_channels {};
};
