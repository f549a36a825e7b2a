#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Kestrune
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what the command needs and is missing, builds, then:
#   run       starts the program
#   test      runs every test, the benchmarks' own checks included, but the long runs (CI's)
#   sanitize  runs every test in a build with the address and undefined-behaviour sanitizers
#   bench     runs the benchmarks (BENCH_SECONDS sets each timing phase, 60 by default)
#   package   builds the Debian package and checks it with lintian
#   arm64     cross-builds the program for 64-bit ARM with Debian's cross compiler (runs nothing)
# Meant for Debian 13 (stable) and Debian 12 (oldstable). Run it as yourself: it asks sudo only to
# install packages, and only when something is missing. Run as root it installs without sudo.
set -euo pipefail
cd "$(dirname "$0")"

usage() { echo "usage: $0 run|test|sanitize|bench|package|arm64" >&2; exit 2; }
[ $# -eq 1 ] || usage
case "$1" in run|test|sanitize|bench|package|arm64) ;; *) usage ;; esac

# Qt 6.8 and its build tools warn at every start where the locale is not UTF-8, as on a minimal
# system with none set.
case "$(locale charmap 2>/dev/null)" in
UTF-8) ;;
*) export LC_ALL=C.UTF-8 ;;
esac

# Building and running: compiler, CMake, Qt (with the keyboard library its CMake files look for),
# the bell through canberra and the sound theme, and the captions' font.
run_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libxkbcommon-dev libcanberra-dev
    sound-theme-freedesktop fonts-liberation)
# What the tests add: a private session bus, the desktop validators, AppStream's composer (with
# the SVG loader it draws the icon with, and file to read the icons' size), the licence checker,
# the resource compiler for the Windows resources, and an X server with its command-line tools
# for the window's class.
test_packages=(dbus-daemon desktop-file-utils appstream appstream-compose librsvg2-common file
    reuse binutils-mingw-w64-i686 xvfb x11-utils)
# What the benchmarks add: an X server for the start-up figures, and a bus daemon to stop.
bench_packages=(xvfb dbus-daemon)
# What the package adds: the Debian package tools, the package checker, and AppStream, whose
# version decides how the metadata names the developer.
package_packages=(dpkg-dev file lintian appstream)
# The cross build: Debian's cross compiler and the arm64 libraries from the same release.
arm64_packages=(cmake ninja-build g++ pkg-config qt6-base-dev g++-aarch64-linux-gnu file
    qt6-base-dev:arm64 libxkbcommon-dev:arm64 libcanberra-dev:arm64)

# A package installed for more than one architecture prints one status line for each.
# (grep -c reads them all, so the query never meets a closed pipe.)
installed() { dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -c '^install ok installed$' >/dev/null; }

wanted=("${run_packages[@]}")
case "$1" in
run)
    # Canberra's PulseAudio driver, only where a PulseAudio or PipeWire sound server is already
    # there: on its own it would pull in a whole sound server. Without it the bell still sounds
    # through canberra's other drivers or the toolkit's beep.
    if installed pulseaudio || installed pipewire-pulse; then
        wanted+=(libcanberra-pulse)
    fi
    ;;
test | sanitize) wanted+=("${test_packages[@]}") ;;
bench) wanted+=("${bench_packages[@]}") ;;
package) wanted+=("${package_packages[@]}") ;;
arm64) wanted=("${arm64_packages[@]}") ;;
esac
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
if [ "$1" = arm64 ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    echo "build.sh: adding the arm64 architecture to dpkg${sudo:+ (with sudo)}"
    "${sudo[@]}" dpkg --add-architecture arm64
fi
# Installs the packages named that are not installed yet.
install_packages() {
    local missing=() package log
    for package; do
        installed "$package" || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    if [ ${#sudo[@]} -gt 0 ] && ! command -v sudo >/dev/null; then
        echo "build.sh: to install ${missing[*]}, run this as root or install sudo" >&2
        exit 1
    fi
    echo "build.sh: installing ${missing[*]}${sudo:+ (with sudo)}"
    # apt's own chatter goes to a log that is shown only if the install fails, and that goes
    # away however the install ends, also when it is interrupted.
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
    if ! { "${sudo[@]}" apt-get update -qq &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive DEBCONF_NOWARNINGS=yes \
            apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
        cat "$log" >&2
        echo "build.sh: installing the packages failed" >&2
        exit 1
    fi
    rm -f "$log"
    trap - EXIT HUP INT TERM
}
install_packages "${wanted[@]}"
# AppStream's composer caches the icons as JPEG XL from version 1.2 on (Debian 14); libjxl's tools
# read their size.
case "$1" in
test | sanitize)
    if dpkg --compare-versions "$(dpkg-query -W -f='${Version}' appstream-compose)" ge 1.2~; then
        install_packages libjxl-tools
    fi
    ;;
esac

# Configures a build folder (quietly: only problems are shown) and builds it.
build() {
    local folder=$1
    shift
    if [ -e "$folder" ] && [ ! -w "$folder" ]; then
        echo "build.sh: $folder/ is not writable by $(id -un) (made by root?); remove it with: sudo rm -rf $folder" >&2
        exit 1
    fi
    cmake -S . -B "$folder" -G Ninja "$@" >/dev/null
    cmake --build "$folder"
}

case "$1" in
run)
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTEMBRIK_BENCH=OFF
    exec build/src/app/tembrik-timer
    ;;
test)
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DTEMBRIK_BENCH=ON
    exec ctest --test-dir build --output-on-failure -j2 -LE long
    ;;
sanitize)
    build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTEMBRIK_SANITIZE=ON -DBUILD_TESTING=ON
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    exec ctest --test-dir build-sanitize --output-on-failure -j2 -LE long
    ;;
bench)
    build build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEMBRIK_BENCH=ON -DBUILD_TESTING=OFF
    export QT_QPA_PLATFORM=offscreen
    build-bench/bench/bench_tick
    build-bench/bench/bench_startup
    QT_QPA_PLATFORM=xcb tests/on_xvfb.sh build-bench/bench/bench_startup
    build-bench/bench/bench_timing "${BENCH_SECONDS:-60}"
    build-bench/bench/bench_storm "${BENCH_SECONDS:-60}"
    build-bench/bench/bench_stall 10 "${BENCH_SECONDS:-60}"
    ;;
package)
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTEMBRIK_BENCH=OFF
    (cd build && cpack -G DEB >cpack.log 2>&1) || { cat build/cpack.log; exit 1; }
    # The package just made, by the name cpack gives it, whatever older ones lie beside it.
    deb=$(sed -n 's|^CPack: - package: \(.*\.deb\) generated\.$|\1|p' build/cpack.log)
    deb=build/${deb##*/}
    lintian --allow-root --fail-on error,warning "$deb"
    echo "build.sh: $deb built; lintian reports no error and no warning"
    ;;
arm64)
    # Qt's own tools (moc, rcc) run on this machine; everything else is arm64.
    export PKG_CONFIG_LIBDIR=/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig
    build build-arm64 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTEMBRIK_BENCH=OFF \
        -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
        -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ -DCMAKE_LIBRARY_ARCHITECTURE=aarch64-linux-gnu \
        -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(g++ -dumpmachine)/cmake"
    file build-arm64/src/app/tembrik-timer
    ;;
esac
