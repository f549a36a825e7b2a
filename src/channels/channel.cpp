#include "channel.h"

#include <QTimer>
#include <limits>

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

Channel::Channel(
    int number, std::chrono::milliseconds period, std::function<void()> beep, QObject *parent)
    : QObject(parent)
    , m_number(number)
    , m_beep(std::move(beep))
    , m_timer(new QTimer(this))
{
    // Precise, so the ticks keep to their one-second grid instead of the coarse timer's 5 % slack.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(period);
}

std::optional<ColourWord> Channel::colour(Label label) const
{
    return label == Label::Time ? m_timeColour : m_nameColour;
}

bool Channel::isRunning() const
{
    return m_timer->isActive();
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
    if (m_state.remainingSeconds <= 0) {
        m_beep();
        setText(ExpiryText);
        m_timer->stop();
        return;
    }
    // The warnings follow the text on show, so the colour changes as 20:0 and 5:0 move on.
    if (m_text == FirstWarning) {
        paint(Label::Time, Colours::Yellow);
        paint(Label::Name, Colours::Yellow);
    } else if (m_text == SecondWarning) {
        paint(Label::Time, Colours::Red);
        paint(Label::Name, Colours::Red);
    }
    --m_state.remainingSeconds;
    m_state.wholeMinutes = m_state.remainingSeconds / 60;
    m_state.shownSeconds = m_state.remainingSeconds % 60;
    m_state.shownMinutes = m_state.wholeMinutes % 60;
    setText(QString::number(m_state.shownMinutes) + u':' + QString::number(m_state.shownSeconds));
}

void Channel::toggle()
{
    if (m_timer->isActive())
        m_timer->stop();
    else
        m_timer->start();
}

void Channel::stop()
{
    m_timer->stop();
}

void Channel::paint(Label label, ColourWord colour)
{
    auto &slot = label == Label::Time ? m_timeColour : m_nameColour;
    if (slot == colour)
        return;
    slot = colour;
    emit colourChanged(label, colour);
}

void Channel::reset()
{
    stop();
    setTime(LoadMinutes, 0);
    paint(Label::Time, Colours::Black);
    paint(Label::Name, Colours::Black);
}

void Channel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged(m_text);
}
