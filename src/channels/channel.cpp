// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "channel.h"

#include <QTimer>
#include <limits>
#include <utility>

namespace {

const QString FirstWarning = QStringLiteral("20:0");
const QString SecondWarning = QStringLiteral("5:0");
const QString ExpiryText = QStringLiteral("00:00");

qint16 checked16(int exact)
{
    if (exact < std::numeric_limits<qint16>::min() || exact > std::numeric_limits<qint16>::max())
        throw OverflowError("overflow in 16-bit set-time arithmetic");
    return static_cast<qint16>(exact);
}

} // namespace

Channel::Channel(std::chrono::milliseconds period, Clock clock, QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
    , m_clock(std::move(clock))
{
    // Precise, so the ticks keep to their one-second grid instead of the coarse timer's 5 % slack.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(period);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_timeoutTick = true;
        emit timedOut();
    });
}

void Channel::setTimerName(const QString &name)
{
    m_timer->setObjectName(name);
}

bool Channel::takeDueTick()
{
    if (!isRunning())
        return false;
    if (!std::exchange(m_timeoutTick, false)
        && (m_clock() - m_started) / m_timer->intervalAsDuration() <= m_ticks)
        return false;
    ++m_ticks;
    return true;
}

bool Channel::isRunning() const
{
    return m_timer->isActive();
}

Channel::Level Channel::level() const
{
    return m_text == ExpiryText ? Level::RunOut : m_colourLevel;
}

void Channel::setTime(qint16 minutes, qint16 tenSeconds)
{
    const qint16 p = checked16(minutes * 60);
    const qint16 q = checked16(tenSeconds * 10);
    m_state.remainingSeconds = checked16(p + q);
    setText(QString::number(minutes) + u':' + QString::number(tenSeconds));
}

void Channel::tick()
{
    if (isDue()) {
        setText(ExpiryText);
        setRunning(false);
        emit ranOut();
        return;
    }
    // The warnings follow the text on show, so the colour changes as 20:0 and 5:0 move on.
    if (m_text == FirstWarning)
        setColourLevel(Level::BelowTwenty);
    else if (m_text == SecondWarning)
        setColourLevel(Level::BelowFive);
    --m_state.remainingSeconds;
    m_state.wholeMinutes = m_state.remainingSeconds / 60;
    m_state.shownSeconds = m_state.remainingSeconds % 60;
    m_state.shownMinutes = m_state.wholeMinutes % 60;
    setText(QString::number(m_state.shownMinutes) + u':' + QString::number(m_state.shownSeconds));
}

void Channel::toggle()
{
    setRunning(!isRunning());
}

void Channel::reset()
{
    setRunning(false);
    setTime(LoadMinutes, 0);
    setColourLevel(Level::Reset);
}

// Each setter emits only on a real change, so a tick repaints its own time label and nothing else.
void Channel::setText(const QString &text)
{
    if (text == m_text)
        return;
    const Level before = level();
    m_text = text;
    emit textChanged(m_text);
    if (level() != before)
        emit levelChanged(level());
}

void Channel::setColourLevel(Level level)
{
    if (m_colourLevel == level)
        return;
    m_colourLevel = level;
    emit levelChanged(this->level());
}

void Channel::setRunning(bool running)
{
    if (running == isRunning())
        return;
    if (running) {
        m_started = m_clock();
        m_ticks = 0;
        m_timer->start();
    } else {
        m_timer->stop();
    }
    emit runningChanged(running);
}
