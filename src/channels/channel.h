// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "channelstate.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <stdexcept>

class QTimer;

// Raised when set-time's 16-bit arithmetic would leave the 16-bit range.
class OverflowError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// One countdown: its state record, the text of its time label, its warning level and its run (the
// tick timer, when the run started by the clock and how many ticks it has had). It says what has
// changed with signals; the window decides how that looks and sounds.
class Channel : public QObject {
    Q_OBJECT
public:
    // How far the countdown has gone, as its labels show it; the window maps each level to colours
    // and to words. None: never warned nor reset, so the labels keep the system's colour. RunOut:
    // the time label shows that the time ran out; the labels keep the colour of the level before.
    enum class Level { None, Reset, BelowTwenty, BelowFive, RunOut };
    Q_ENUM(Level)

    // The clock by which ticks fall due.
    using Clock = std::function<std::chrono::nanoseconds()>;

    static constexpr qint16 LoadMinutes = 45;

    Channel(std::chrono::milliseconds period, Clock clock, QObject *parent);

    // The time label's text; the tick reads it back for its warnings, so it is state.
    const QString &text() const { return m_text; }
    // RunOut while the channel shows that its time ran out, else colourLevel().
    Level level() const;
    // The level that the labels' colour shows; never RunOut.
    Level colourLevel() const { return m_colourLevel; }
    bool isRunning() const;
    // Whether the next tick finds the time run out, and so must sound the bell before it.
    bool isDue() const { return m_state.remainingSeconds <= 0; }
    // The tick timer is a control of the window's, known by its object name.
    void setTimerName(const QString &name);

    // Asked by the tick handler until it says no: whether this run has another tick to deliver
    // now, and if so counts it. A timeout brings its own tick; besides that, every tick that has
    // fallen due by the clock since the run started, so a program that was stopped, starved of
    // time or asleep comes back to the clock. A stopped channel has none.
    bool takeDueTick();

    // Loads minutes * 60 + tenSeconds * 10 seconds and shows "minutes:tenSeconds". Throws
    // OverflowError, changing nothing, if any step leaves the 16-bit range.
    void setTime(qint16 minutes, qint16 tenSeconds);
    // One countdown step: expiry when nothing is left ("00:00", stop, then ranOut), else warning
    // test, one second off, new text. The bell that goes before an expiry is the caller's.
    void tick();
    // Start/Stop: flips the run. A start begins a new run, with no ticks yet.
    void toggle();
    // Back to the start: stopped, 45 minutes loaded, both labels black.
    void reset();

signals:
    // The tick timer's timeout: ask takeDueTick() for the ticks it brings.
    void timedOut();
    void textChanged(const QString &text);
    void levelChanged(Channel::Level level);
    void runningChanged(bool running);
    // A tick found the time run out; the channel shows "00:00" and has stopped.
    void ranOut();

private:
    void setText(const QString &text);
    void setColourLevel(Level level);
    void setRunning(bool running);

    QTimer *const m_timer;
    const Clock m_clock;
    ChannelState m_state {};
    QString m_text;
    Level m_colourLevel = Level::None;
    std::chrono::nanoseconds m_started {};
    qint64 m_ticks = 0;
    bool m_timeoutTick = false; // a timeout's own tick is still to be taken
};
