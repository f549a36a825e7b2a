// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "channelstate.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <optional>
#include <stdexcept>

class QTimer;

// Raised when set-time's 16-bit arithmetic would leave the 16-bit range.
class OverflowError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// One countdown: its state record, the text of its time label, the tint of its two labels and its
// tick timer. It says what changes with signals; the window decides how that looks and sounds.
class Channel : public QObject {
    Q_OBJECT
public:
    // The labels' colour as the countdown sets it; the window maps each to a colour.
    enum class Tint { Black, Yellow, Red };
    Q_ENUM(Tint)

    static constexpr qint16 LoadMinutes = 45;

    explicit Channel(std::chrono::milliseconds period, QObject *parent = nullptr);

    // The time label's text; the tick reads it back for its warnings, so it is state.
    const QString &text() const { return m_text; }
    // Unset until a warning or a reset tints the labels: until then they keep the system's colour.
    std::optional<Tint> tint() const { return m_tint; }
    bool isRunning() const;
    // Whether the channel shows that its time ran out.
    bool hasRunOut() const;
    QTimer *timer() { return m_timer; }

    // Loads minutes * 60 + tenSeconds * 10 seconds and shows "minutes:tenSeconds". Throws
    // OverflowError, changing nothing, if any step leaves the 16-bit range.
    void setTime(qint16 minutes, qint16 tenSeconds);
    // One countdown step: expiry when nothing is left, else warning test, one second off, new text.
    void tick();
    // Start/Stop: flips the tick timer.
    void toggle();
    // Back to the start: stopped, 45 minutes loaded, both labels black.
    void reset();

signals:
    void textChanged(const QString &text);
    void tintChanged(Channel::Tint tint);
    void runningChanged(bool running);
    // A tick found the time run out; the channel has stopped.
    void ranOut();

private:
    void setText(const QString &text);
    void setTint(Tint tint);
    void setRunning(bool running);

    QTimer *const m_timer;
    ChannelState m_state {};
    QString m_text;
    std::optional<Tint> m_tint;
};
