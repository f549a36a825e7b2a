#pragma once

#include "channel.h"

#include <QObject>
#include <array>

// The twenty channels, numbered 1 to 20, and what acts on all of them at once.
class ChannelBank : public QObject {
    Q_OBJECT
public:
    static constexpr int Count = 20;

    ChannelBank(std::chrono::milliseconds period, const std::function<void()> &beep,
        QObject *parent = nullptr);

    Channel &channel(int number) const { return *m_channels.at(number - 1); }
    const std::array<Channel *, Count> &channels() const { return m_channels; }

    // Master reset: loads all twenty before it stops any, then paints them black; no event
    // runs in between, so the end state is every channel stopped at 45:0 in black.
    void masterReset();
    void stopAll();

private:
    std::array<Channel *, Count> m_channels {};
};
