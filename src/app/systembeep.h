// SPDX-FileCopyrightText: 2026 Kestrune
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>

// The sound of a channel running out. On Linux it asks the desktop's sound theme for its "bell"
// through libcanberra, since the X bell is muted on most desktops and Wayland has none; if that
// fails, or the program was built without canberra, the toolkit's beep sounds instead. Either way
// one sound per call, started without waiting for it and without running the event loop.
class SystemBeep {
public:
    // Starts the theme's bell; returns 0 on success or a negative canberra error.
    using Play = std::function<int()>;

    SystemBeep(Play play, std::function<void()> fallback);

    // The desktop's bell where canberra can play it, else the fallback.
    static SystemBeep desktop(std::function<void()> fallback = toolkitBeep);
    static void toolkitBeep();

    void operator()() const;

private:
    Play m_play;
    std::function<void()> m_fallback;
};
