#include "channelbank.h"

ChannelBank::ChannelBank(
    std::chrono::milliseconds period, const std::function<void()> &beep, QObject *parent)
    : QObject(parent)
{
    for (int n = 1; n <= Count; ++n)
        m_channels[n - 1] = new Channel(n, period, beep, this);
}

void ChannelBank::masterReset()
{
    for (Channel *channel : m_channels)
        channel->setTime(Channel::LoadMinutes, 0);
    stopAll();
    for (Channel *channel : m_channels)
        channel->paint(Channel::Label::Time, Colours::Black);
    for (Channel *channel : m_channels)
        channel->paint(Channel::Label::Name, Colours::Black);
}

void ChannelBank::stopAll()
{
    for (Channel *channel : m_channels)
        channel->stop();
}
