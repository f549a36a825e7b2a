// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "channel.h"

#include <QColor>
#include <QString>

class QPalette;

// How a channel's level looks and what a screen reader adds to its time, apart from any window.
namespace LevelLook {

// The colour of both labels at a colour level on a window of this palette; invalid while the
// labels keep the system's colour (before the first warning or reset).
QColor colour(Channel::Level level, const QPalette &palette);
// The time label's accessible description: whose time it is and how far it has gone.
QString description(int channel, Channel::Level level);

} // namespace LevelLook
