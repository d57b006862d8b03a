#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is missing, builds the game and runs every test twice: a normal build with warnings
# as errors, then a build under AddressSanitizer and UndefinedBehaviorSanitizer; then every fuzz
# target over its corpus for a while; then, where the Windows cross SDK is (../shared/winsdk, or
# QX_WINSDK), the Windows build and its tests under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"

export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
# The tests never read or write the player's own settings.
XDG_CONFIG_HOME="$XDG_RUNTIME_DIR/config"
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

jobs=$(nproc 2>/dev/null || echo 2)
build_and_test() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

echo "== normal build =="
build_and_test "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_WERROR=ON

echo "== sanitizer build =="
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
build_and_test "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DQX_WERROR=ON -DQX_SANITIZE=ON

echo "== fuzz targets, each over its corpus =="
"$root/tools/fuzz.sh" --smoke

echo "== Windows build, tests under Wine =="
unset ASAN_OPTIONS UBSAN_OPTIONS
sdk=${QX_WINSDK:-$root/../shared/winsdk}
if [ -f "$sdk/mingw-toolchain.cmake" ]; then
    "$root/tools/windows.sh"
else
    echo "SKIPPED: no Windows cross SDK in $sdk, so the Windows build and its tests under Wine did not run"
fi
