// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <limits>

// How long a call to a desktop service may wait for its answer: as long as the service lives
// (libdbus takes the largest value for no time limit). A service that is swapped out or stopped
// for a while still answers when it runs again, and the answer is heard; for one that leaves the
// bus, the bus answers with an error.
inline constexpr int DesktopCallTimeout = std::numeric_limits<int>::max();
