// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#include "levellook.h"

#include <QPalette>

// Yellow and red as they are. The black of a reset on a dark button face would leave the time
// unreadable, so there it is the theme's own button text colour.
QColor LevelLook::colour(Channel::Level level, const QPalette &palette)
{
    switch (level) {
    case Channel::Level::BelowTwenty:
        return Qt::yellow;
    case Channel::Level::BelowFive:
        return Qt::red;
    case Channel::Level::Reset:
        return palette.color(QPalette::Button).lightness() < 128
            ? palette.color(QPalette::ButtonText)
            : QColor(Qt::black);
    case Channel::Level::None:
    case Channel::Level::RunOut:
        break;
    }
    return {};
}

// The warning is put in words too, so that it is not told by colour alone.
QString LevelLook::description(int channel, Channel::Level level)
{
    QString words = QStringLiteral("Channel %1 time left").arg(channel);
    switch (level) {
    case Channel::Level::RunOut:
        return words + QStringLiteral(", run out");
    case Channel::Level::BelowFive:
        return words + QStringLiteral(", below 5 minutes");
    case Channel::Level::BelowTwenty:
        return words + QStringLiteral(", below 20 minutes");
    case Channel::Level::None:
    case Channel::Level::Reset:
        break;
    }
    return words;
}
