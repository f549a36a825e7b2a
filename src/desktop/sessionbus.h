// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusConnection>
#include <functional>
#include <limits>

// The program's one connection to the session bus, which the desktop classes share. It is made
// when the first of them has something to say, so a program that says nothing never touches the
// bus, and on a thread of its own: making it waits for the bus daemon's answer, and nothing on
// the interface thread may wait for the bus.
namespace SessionBus {

// How long a call waits for its answer: as long as the service lives (libdbus takes the largest
// value for no time limit). A service that is swapped out or stopped for a while still answers
// when it runs again, and the answer is heard; for one that leaves the bus, the bus answers with
// an error. Where an answer matters sooner, the caller keeps its own time.
inline constexpr int CallTimeout = std::numeric_limits<int>::max();

// Calls reached with the connection, on the interface thread, once the connection is made: at
// once where it is; never where there is no session bus, or once context is gone.
void reach(QObject *context, std::function<void(QDBusConnection)> reached);

// Ends the process at once with status where the connection is still being made: Qt's D-Bus
// thread would hold an ended program until a bus daemon that does not answer answers. Returns
// otherwise.
void leave(int status);

} // namespace SessionBus
