// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frmtb.h"

#include "desktoppresence.h"
#include "formlayout.h"
#include "handlerframe.h"
#include "levellook.h"
#include "systembeep.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>

using namespace FormLayout;

namespace {

// Object names and captions: a word followed by a number.
QString numbered(const char *word, int number)
{
    return QLatin1String(word) + QString::number(number);
}

} // namespace

const std::array<frmTB::Handler, frmTB::ButtonCount> frmTB::ClickHandlers { &frmTB::Command1_Click,
    &frmTB::Command2_Click, &frmTB::Command3_Click, &frmTB::Command4_Click, &frmTB::Command5_Click,
    &frmTB::Command6_Click, &frmTB::Command7_Click, &frmTB::Command8_Click, &frmTB::Command9_Click,
    &frmTB::Command10_Click, &frmTB::Command11_Click, &frmTB::Command12_Click,
    &frmTB::Command13_Click, &frmTB::Command14_Click, &frmTB::Command15_Click,
    &frmTB::Command16_Click, &frmTB::Command17_Click, &frmTB::Command18_Click,
    &frmTB::Command19_Click, &frmTB::Command20_Click, &frmTB::Command21_Click,
    &frmTB::Command22_Click, &frmTB::Command23_Click, &frmTB::Command24_Click,
    &frmTB::Command25_Click, &frmTB::Command26_Click, &frmTB::Command27_Click,
    &frmTB::Command28_Click, &frmTB::Command29_Click, &frmTB::Command30_Click,
    &frmTB::Command31_Click, &frmTB::Command32_Click, &frmTB::Command33_Click,
    &frmTB::Command34_Click, &frmTB::Command35_Click, &frmTB::Command36_Click,
    &frmTB::Command37_Click, &frmTB::Command38_Click, &frmTB::Command39_Click,
    &frmTB::Command40_Click, &frmTB::Command41_Click, &frmTB::Command42_Click };
const std::array<frmTB::Handler, ChannelBank::Count> frmTB::TickHandlers { &frmTB::Timer1_Timer,
    &frmTB::Timer2_Timer, &frmTB::Timer3_Timer, &frmTB::Timer4_Timer, &frmTB::Timer5_Timer,
    &frmTB::Timer6_Timer, &frmTB::Timer7_Timer, &frmTB::Timer8_Timer, &frmTB::Timer9_Timer,
    &frmTB::Timer10_Timer, &frmTB::Timer11_Timer, &frmTB::Timer12_Timer, &frmTB::Timer13_Timer,
    &frmTB::Timer14_Timer, &frmTB::Timer15_Timer, &frmTB::Timer16_Timer, &frmTB::Timer17_Timer,
    &frmTB::Timer18_Timer, &frmTB::Timer19_Timer, &frmTB::Timer20_Timer };

constexpr std::array<frmTB::Button, frmTB::ButtonCount + 1> frmTB::buttonTable()
{
    std::array<Button, ButtonCount + 1> table {};
    for (int channel = 1; channel <= ChannelBank::Count; ++channel) {
        table[ButtonsOfChannel[channel - 1].startStop] = { Role::StartStop, channel };
        table[ButtonsOfChannel[channel - 1].reset] = { Role::Reset, channel };
    }
    table[MasterResetButton] = { Role::MasterReset, 0 };
    table[ExitButton] = { Role::Exit, 0 };
    return table;
}

frmTB::Button frmTB::buttonAt(int number)
{
    static constexpr auto table = buttonTable();
    return table.at(number);
}

frmTB::frmTB(std::chrono::milliseconds tickPeriod, std::function<void()> bell, Channel::Clock clock,
    QWidget *parent)
    : QWidget(parent)
    , m_bank(new ChannelBank(tickPeriod, std::move(clock), this))
    , m_bell(bell ? std::move(bell) : SystemBeep::desktop())
{
    setObjectName(QStringLiteral("frmTB"));
    setWindowTitle(QStringLiteral("Tembrik Timer Ver 1.0  by Kestrune"));
    // The 16 x 14 picture at its own size and the larger renderings of the same picture for task
    // switchers and scaled title bars, all plain images. Each is read as the built-in format that
    // its name says: guessing the format would load every image plugin there is.
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/icons")).entryInfoList()) {
        QImageReader reader(file.filePath(), file.suffix().toLatin1());
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    setWindowIcon(icon);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    resize(ClientSize);
    createControls();
    new DesktopPresence(*m_bank, this);
    Form_Load();
}

void frmTB::createControls()
{
    // Buttons first and in number order: that order is the focus order.
    for (int number = 1; number <= ButtonCount; ++number) {
        const Button button = buttonAt(number);
        auto *widget = new QPushButton(this);
        widget->setObjectName(numbered("Command", number));
        widget->setAutoDefault(false);
        switch (button.role) {
        case Role::StartStop:
        case Role::Reset:
            widget->setText(button.role == Role::StartStop ? QStringLiteral("Start/Stop")
                                                           : QStringLiteral("Reset"));
            // A screen reader cannot see the grid, so the name says whose button it is.
            widget->setAccessibleName(numbered("Channel ", button.channel) + u' ' + widget->text());
            widget->setFont(uiFont(TextSize::Small, false));
            widget->setGeometry(cellRect(
                button.channel, button.role == Role::StartStop ? StartStopStrip : ResetStrip));
            break;
        case Role::MasterReset:
        case Role::Exit:
            widget->setText(button.role == Role::MasterReset ? QStringLiteral("Master Reset")
                                                             : QStringLiteral("Exit"));
            widget->setFont(uiFont(TextSize::Large, true));
            widget->setGeometry(button.role == Role::MasterReset ? MasterResetRect : ExitRect);
            break;
        }
        connect(widget, &QPushButton::clicked, this, ClickHandlers[number - 1]);
        if (number == 1)
            widget->setFocus();
    }

    for (int n = 1; n <= ChannelBank::Count; ++n) {
        Channel *channel = &m_bank->channel(n);
        const auto makeLabel = [this](const QString &name, const QFont &font, QRect rect) {
            auto *label = new QLabel(this);
            label->setObjectName(name);
            label->setFont(font);
            label->setGeometry(rect);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setBackgroundRole(QPalette::Button);
            label->setForegroundRole(QPalette::ButtonText);
            label->setAutoFillBackground(true);
            return label;
        };
        // Channel 1's name label alone has a lower-case c.
        QLabel *name = makeLabel(numbered(n == 1 ? "lblchan" : "lblChan", n),
            uiFont(TextSize::Small, true), cellRect(n, NameStrip));
        name->setText(numbered("Channel ", n));
        QLabel *time = makeLabel(numbered("Label", n),
            uiFont(n == 1 ? TextSize::Large : TextSize::Small, true), cellRect(n, TimeStrip));
        time->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        m_nameLabels[n - 1] = name;
        m_timeLabels[n - 1] = time;

        channel->setTimerName(numbered("Timer", n));
        connect(channel, &Channel::timedOut, this, TickHandlers[n - 1]);
        // The time label's accessible name stays its text, so the time is what is spoken; its
        // description says whose time it is and how far it has gone.
        const auto showLevel = [this, n, channel, time] {
            showColours(n);
            time->setAccessibleDescription(LevelLook::description(n, channel->level()));
        };
        showLevel();
        connect(channel, &Channel::textChanged, time, &QLabel::setText);
        connect(channel, &Channel::levelChanged, this, showLevel);
    }
}

// Every handler runs in the frame that reports its errors. Once the program has ended, a click or
// a tick that was already queued does not run at all.
template <typename Body>
bool frmTB::handle(const char *control, int number, const char *event, Body &&body)
{
    return !m_ended && runHandler(control, number, event, std::forward<Body>(body));
}

void frmTB::Form_Load()
{
    handle("Form", 0, "Load", [this] {
        for (int n = 1; n <= ChannelBank::Count; ++n)
            setTimeOf(n, Channel::LoadMinutes, 0);
    });
}

void frmTB::setTimeOf(int channel, qint16 minutes, qint16 tenSeconds)
{
    m_bank->channel(channel).setTime(minutes, tenSeconds);
}

void frmTB::buttonClicked(int number)
{
    const Button button = buttonAt(number);
    handle("Command", number, "Click", [&] {
        switch (button.role) {
        case Role::StartStop:
            m_bank->channel(button.channel).toggle();
            break;
        case Role::Reset:
            m_bank->channel(button.channel).reset();
            break;
        case Role::MasterReset:
            m_bank->masterReset();
            break;
        case Role::Exit:
            end();
            break;
        }
    });
}

// A timeout brings its own tick and every other that fell due since the channel's start, one
// after another, until the run ends. The bell sounds in the tick's frame, before the channel shows
// "00:00" and stops: a bell that fails ends the tick there, and the channel, still at 0 and
// running, tries again at its next timeout.
void frmTB::timerTicked(int channel)
{
    Channel &countdown = m_bank->channel(channel);
    while (countdown.takeDueTick()) {
        const bool done = handle("Timer", channel, "Timer", [&] {
            if (countdown.isDue())
                m_bell();
            countdown.tick();
        });
        if (!done)
            break;
    }
}

// Until a warning or a reset the labels keep the system's colour.
void frmTB::showColours(int channel)
{
    const QColor colour = LevelLook::colour(m_bank->channel(channel).colourLevel(), palette());
    if (!colour.isValid())
        return;
    for (QLabel *label : { m_timeLabels[channel - 1], m_nameLabels[channel - 1] }) {
        QPalette labelPalette = label->palette();
        labelPalette.setColor(QPalette::ButtonText, colour);
        label->setPalette(labelPalette);
    }
}

// A theme change can turn a light face dark or back, so the colours are shown afresh.
void frmTB::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        for (int n = 1; n <= ChannelBank::Count; ++n)
            showColours(n);
    }
    QWidget::changeEvent(event);
}

void frmTB::closeEvent(QCloseEvent *event)
{
    end();
    event->accept();
}

// Exit and the close box end the event loop; what is already queued is dropped by handle().
void frmTB::end()
{
    m_ended = true;
    QCoreApplication::exit(0);
}
