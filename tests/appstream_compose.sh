#!/bin/sh
# SPDX-FileCopyrightText: 2026 Kestrune
# SPDX-License-Identifier: GPL-3.0-or-later

# The installed program as a software centre's catalog shows it: AppStream's composer, run on a
# fresh install of the build, must keep both categories and render the icon at 64 and 128 px.
# Usage: appstream_compose.sh CMAKE BUILD_DIR APP_ID
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR=$work/root "$1" --install "$2" --prefix /usr >/dev/null
appstreamcli compose --no-net --origin=tembrik --result-root="$work/out" "$work/root" >/dev/null
catalog=$(zcat "$work/out/usr/share/swcatalog/xml/tembrik.xml.gz")
for part in '<category>Utility</category>' '<category>Clock</category>' \
    'width="64" height="64"' 'width="128" height="128"'; do
    case $catalog in
    *"$part"*) ;;
    *) echo "the catalog lacks $part"; exit 1 ;;
    esac
done
for size in 64 128; do
    file "$work/out/usr/share/swcatalog/icons/tembrik/${size}x$size/$3.png" |
        grep "PNG image data, $size x $size"
done
