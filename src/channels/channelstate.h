// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

// What one channel remembers between events; a channel value-initialises it, so everything starts
// at 0. Only remainingSeconds carries from tick to tick; the other three are the last counting
// tick's working values.
struct ChannelState {
    qint16 remainingSeconds;
    int wholeMinutes;
    int shownSeconds;
    int shownMinutes;
};
