// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "channelbank.h"

ChannelBank::ChannelBank(std::chrono::milliseconds period, QObject *parent)
    : QObject(parent)
{
    for (Channel *&channel : m_channels)
        channel = new Channel(period, this);
}

void ChannelBank::masterReset()
{
    for (Channel *channel : m_channels)
        channel->reset();
}
