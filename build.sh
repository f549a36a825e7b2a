#!/usr/bin/env bash
# Installs whatever is missing, builds, then starts the program ("run"), runs every test ("test"),
# runs every test in a build with address and undefined-behaviour sanitizers ("sanitize"), or runs
# the benchmarks ("bench"; BENCH_SECONDS sets the length of each timing phase, 60 by default).
# Meant for Debian 12, as root (or through sudo).
set -euo pipefail
cd "$(dirname "$0")"

usage() { echo "usage: $0 run|test|sanitize|bench" >&2; exit 2; }
[ $# -eq 1 ] || usage
case "$1" in run|test|sanitize|bench) ;; *) usage ;; esac

# Build: compiler, CMake, Qt, canberra. Run: X11 plugin, font, bell sound. Tests: X server, D-Bus,
# AT-SPI and the desktop validators. Packaging: dpkg-dev.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libcanberra-dev
    libcanberra-pulse sound-theme-freedesktop fonts-liberation xvfb xauth dbus-daemon at-spi2-core
    desktop-file-utils appstream dpkg-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

if [ "$1" = sanitize ]; then
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTEMBRIK_SANITIZE=ON
    cmake --build build-sanitize
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    exec ctest --test-dir build-sanitize --output-on-failure
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
case "$1" in
run) exec build/src/app/tembrik-timer ;;
test) exec ctest --test-dir build --output-on-failure ;;
bench)
    QT_QPA_PLATFORM=offscreen build/bench/bench_tick
    QT_QPA_PLATFORM=offscreen build/bench/bench_startup
    xvfb-run -a build/bench/bench_startup
    QT_QPA_PLATFORM=offscreen build/bench/bench_timing "${BENCH_SECONDS:-60}"
    ;;
esac
