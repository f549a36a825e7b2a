// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "channelbank.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

std::chrono::nanoseconds ChannelBank::sinceBoot()
{
#ifdef CLOCK_BOOTTIME
    timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
#else
    return std::chrono::steady_clock::now().time_since_epoch();
#endif
}

ChannelBank::ChannelBank(std::chrono::milliseconds period, Channel::Clock clock, QObject *parent)
    : QObject(parent)
{
    if (period <= std::chrono::milliseconds::zero())
        throw std::invalid_argument("the tick period must be longer than 0 ms");
    for (Channel *&channel : m_channels)
        channel = new Channel(period, clock, this);
}

int ChannelBank::runningCount() const
{
    return int(std::count_if(m_channels.begin(), m_channels.end(),
        [](const Channel *channel) { return channel->isRunning(); }));
}

int ChannelBank::runOutCount() const
{
    return int(std::count_if(m_channels.begin(), m_channels.end(),
        [](const Channel *channel) { return channel->level() == Channel::Level::RunOut; }));
}

void ChannelBank::masterReset()
{
    for (Channel *channel : m_channels)
        channel->reset();
}
