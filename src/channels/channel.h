// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "channelstate.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <stdexcept>

class QTimer;

// Raised when set-time's 16-bit arithmetic would leave the 16-bit range.
class OverflowError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// One countdown: its state record, the text of its time label, its warning level and its tick
// timer. It says what has changed with signals; the window decides how that looks and sounds.
class Channel : public QObject {
    Q_OBJECT
public:
    // How far the countdown has gone, as its labels show it; the window maps each level to colours
    // and to words. None: never warned nor reset, so the labels keep the system's colour. RunOut:
    // the time label shows that the time ran out; the labels keep the colour of the level before.
    enum class Level { None, Reset, BelowTwenty, BelowFive, RunOut };
    Q_ENUM(Level)

    static constexpr qint16 LoadMinutes = 45;

    explicit Channel(std::chrono::milliseconds period, QObject *parent = nullptr);

    // The time label's text; the tick reads it back for its warnings, so it is state.
    const QString &text() const { return m_text; }
    // RunOut while the channel shows that its time ran out, else colourLevel().
    Level level() const;
    // The level that the labels' colour shows; never RunOut.
    Level colourLevel() const { return m_colourLevel; }
    bool isRunning() const;
    // Whether the next tick finds the time run out, and so must sound the bell before it.
    bool isDue() const { return m_state.remainingSeconds <= 0; }
    QTimer *timer() { return m_timer; }

    // Loads minutes * 60 + tenSeconds * 10 seconds and shows "minutes:tenSeconds". Throws
    // OverflowError, changing nothing, if any step leaves the 16-bit range.
    void setTime(qint16 minutes, qint16 tenSeconds);
    // One countdown step: expiry when nothing is left ("00:00", stop, then ranOut), else warning
    // test, one second off, new text. The bell that goes before an expiry is the caller's.
    void tick();
    // Start/Stop: flips the tick timer.
    void toggle();
    // Back to the start: stopped, 45 minutes loaded, both labels black.
    void reset();

signals:
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
    ChannelState m_state {};
    QString m_text;
    Level m_colourLevel = Level::None;
};
