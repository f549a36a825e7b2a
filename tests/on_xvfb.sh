#!/bin/sh
# SPDX-FileCopyrightText: 2026 Kestrune
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs a command on an X server of its own (Xvfb), with DISPLAY set. The server picks a free
# display itself and names it once it takes connections, so no display number is guessed and no
# other X server starting beside it can take it; nothing waits a fixed time.
# Usage: on_xvfb.sh COMMAND [ARGUMENT...]
set -eu
folder=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$folder"' EXIT
mkfifo "$folder/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$folder/display" 2>"$folder/log" &
server=$!
if ! read -r display <"$folder/display"; then
    cat "$folder/log" >&2
    echo "on_xvfb.sh: the X server did not start" >&2
    exit 1
fi
DISPLAY=:$display "$@"
