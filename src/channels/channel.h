#pragma once

#include "channelstate.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>

class QTimer;

// A text colour as a 0x00BBGGRR word.
using ColourWord = quint32;

namespace Colours {
inline constexpr ColourWord Black = 0x000000;
inline constexpr ColourWord Yellow = 0x00FFFF;
inline constexpr ColourWord Red = 0x0000FF;
} // namespace Colours

// Raised when set-time's 16-bit arithmetic would leave the 16-bit range.
class OverflowError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// One countdown: its state record, the text of its time label, the text colours of its two
// labels and its tick timer. The window mirrors text and colours onto its labels.
class Channel : public QObject {
    Q_OBJECT
public:
    enum class Label { Time, Name };
    Q_ENUM(Label)

    static constexpr std::chrono::milliseconds DefaultPeriod { 1000 };
    static constexpr qint16 LoadMinutes = 45;

    Channel(int number, std::chrono::milliseconds period, std::function<void()> beep,
        QObject *parent = nullptr);

    int number() const { return m_number; }
    const ChannelState &state() const { return m_state; }
    // The time label's text; the tick reads it back for its warnings, so it is state.
    const QString &text() const { return m_text; }
    // Unset until a warning or a reset paints the label.
    std::optional<ColourWord> colour(Label label) const;
    bool isRunning() const;
    QTimer *timer() const { return m_timer; }

    // Loads minutes * 60 + tenSeconds * 10 seconds and shows "minutes:tenSeconds". Throws
    // OverflowError, changing nothing, if any step leaves the 16-bit range.
    void setTime(qint16 minutes, qint16 tenSeconds);
    // One countdown step: expiry when nothing is left, else warning test, one second off, new text.
    void tick();
    // Start/Stop: flips the tick timer.
    void toggle();
    void stop();
    // Sets the text colour of one of the channel's labels.
    void paint(Label label, ColourWord colour);
    // Back to the start: stopped, 45 minutes loaded, both labels black.
    void reset();

signals:
    void textChanged(const QString &text);
    void colourChanged(Channel::Label label, ColourWord colour);

private:
    void setText(const QString &text);

    const int m_number;
    const std::function<void()> m_beep;
    QTimer *const m_timer;
    ChannelState m_state;
    QString m_text;
    std::optional<ColourWord> m_timeColour;
    std::optional<ColourWord> m_nameColour;
};
