#!/bin/sh
# SPDX-FileCopyrightText: 2026 Kestrune
# SPDX-License-Identifier: GPL-3.0-or-later

# The installed program as a software centre's catalog shows it: AppStream's composer, run on a
# fresh install of the build, must keep both categories and cache the icon at 64 and 128 px,
# each an image of that size in whatever format the composer writes (PNG, or JPEG XL from
# AppStream 1.2 on, whose size libjxl's jxlinfo reads).
# Usage: appstream_compose.sh CMAKE BUILD_DIR
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR=$work/root "$1" --install "$2" --prefix /usr >/dev/null
appstreamcli compose --no-net --origin=tembrik --result-root="$work/out" "$work/root" >/dev/null
catalog=$(zcat "$work/out/usr/share/swcatalog/xml/tembrik.xml.gz")
for part in '<category>Utility</category>' '<category>Clock</category>'; do
    case $catalog in
    *"$part"*) ;;
    *) echo "the catalog lacks $part"; exit 1 ;;
    esac
done
for size in 64 128; do
    icon=$(printf '%s\n' "$catalog" |
        sed -n "s|.*<icon type=\"cached\" width=\"$size\" height=\"$size\">\([^<]*\)</icon>.*|\1|p")
    [ -n "$icon" ] || { echo "the catalog names no cached icon of $size px"; exit 1; }
    icon=$work/out/usr/share/swcatalog/icons/tembrik/${size}x$size/$icon
    case $icon in
    *.jxl) jxlinfo "$icon" | grep "JPEG XL image, ${size}x$size" ;;
    *) file "$icon" | grep "PNG image data, $size x $size" ;;
    esac
done
