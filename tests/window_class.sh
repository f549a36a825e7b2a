#!/bin/sh
# SPDX-FileCopyrightText: 2026 Kestrune
# SPDX-License-Identifier: GPL-3.0-or-later

# On a real X server the window's class is the one its desktop entry names (StartupWMClass), so
# docks and task bars match the window to its menu entry and icon, and its icon holds the
# 16 x 14 picture at exactly that size beside the larger renderings, which the program reads
# without loading any image plugin (so neither SVG support). Qt's own options (-display, --style)
# still reach Qt. Run on an X server of its own (on_xvfb.sh); waits for the window as long as the
# program runs (CTest's time limit bounds it).
# Usage: window_class.sh PROGRAM DESKTOP_ENTRY
set -eu
program=$1
expected=$(sed -n 's/^StartupWMClass=//p' "$2")
"$program" -display "$DISPLAY" --style=Fusion &
trap 'kill $! 2>/dev/null' EXIT
until window=$(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "Tembrik Timer Ver 1.0  by Kestrune".*/\1/p')
    [ -n "$window" ]; do
    kill -0 $! 2>/dev/null || { echo "the program ended before its window appeared"; exit 1; }
    sleep 0.05
done
class=$(xprop -id "$window" WM_CLASS)
echo "$class"
[ "$class" = "WM_CLASS(STRING) = \"tembrik-timer\", \"$expected\"" ]
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort | tr '\n' ' ')
echo "$icons"
[ "$icons" = "Icon (128 x 128) Icon (16 x 14) Icon (32 x 32) Icon (64 x 64) " ]
if grep imageformats "/proc/$!/maps"; then
    echo "image plugins loaded"
    exit 1
fi
