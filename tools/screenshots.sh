#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the screenshot driver, plays a game against the computer on a virtual X server and saves the
# screenshots into shots/ at the top of the repository; with --windows, the Windows build's driver
# under Wine with the Windows platform plugin, into shots/windows/.
#
#   tools/screenshots.sh [--windows] [seed]
#
# QX_BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/shots

if [ "${1:-}" = "--windows" ]; then
    shift
    [ -x "$root/build-win/bin/shots.exe" ] || "$root/tools/windows.sh" --no-tests
    rm -f "$out"/windows/0[1-5]-*.png
    mkdir -p "$out/windows"
    xvfb-run -a -s "-screen 0 1024x768x24" "$root/build-win/wine-run" "$root/build-win/bin/shots.exe" \
        "Z:${out//\//\\}\\windows" -platform windows "$@"
    ls -l "$out/windows"
    exit 0
fi

"$root/tools/deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target shots

XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
unset QT_QPA_PLATFORM # the screen is grabbed from the X server

rm -f "$out"/0[1-5]-*.png
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/shots" "$out" "$@"
ls -l "$out"
