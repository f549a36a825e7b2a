#!/usr/bin/env bash
# Installs whatever is missing, builds, then starts the program ("run") or runs every test ("test").
# Meant for Debian 12, as root (or through sudo).
set -euo pipefail
cd "$(dirname "$0")"

usage() { echo "usage: $0 run|test" >&2; exit 2; }
[ $# -eq 1 ] || usage
case "$1" in run|test) ;; *) usage ;; esac

packages=(cmake ninja-build g++ qt6-base-dev qt6-qpa-plugins fonts-liberation xvfb xauth)
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

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

case "$1" in
run) exec build/src/app/tembrik-timer ;;
test) ctest --test-dir build --output-on-failure ;;
esac
