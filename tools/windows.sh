#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The game for Windows, made on this Linux machine with the cross SDK (../shared/winsdk, or the folder
# named in QX_WINSDK): builds it and its portable tests, puts the game into
# build-win/zendral-<version>-win64/ (everything it loads, nothing else) and zips that folder as
# build-win/zendral-<version>-win64.zip; then, unless --no-tests, runs the tests under Wine in a fresh
# Wine prefix, the serial test through Wine's COM ports against the modem emulator.
#   tools/windows.sh [--no-tests]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
run_tests=1
[ "${1:-}" = "--no-tests" ] && run_tests=0

sdk=${QX_WINSDK:-$root/../shared/winsdk}
tarball=$sdk/qt6-mingw-6.4.2-x86_64.tar.xz
if [ ! -f "$tarball" ] || [ ! -f "$sdk/mingw-toolchain.cmake" ]; then
  echo "windows.sh: no Windows SDK in $sdk (QX_WINSDK names another folder)" >&2
  exit 3
fi
"$root/tools/deps.sh" windows
jobs=$(nproc 2>/dev/null || echo 2)

# The SDK, unpacked once per tarball.
cache=${XDG_CACHE_HOME:-$HOME/.cache}/zendral
sum=$(sha256sum "$tarball" | cut -c1-16)
qt=$cache/winsdk-$sum/qt6-mingw
if [ ! -f "$qt/.unpacked" ]; then
  echo "== unpacking the Windows SDK into $cache =="
  rm -rf "$cache"/winsdk-*
  mkdir -p "$cache/winsdk-$sum"
  tar -xJf "$tarball" -C "$cache/winsdk-$sum"
  touch "$qt/.unpacked"
fi

build=$root/build-win
prefix=$build/wineprefix
modems=$build/wine-modems
mkdir -p "$build"

# How the tests start a Windows program: Wine in the build's own prefix, with Qt's and the compiler's
# DLLs on its path. The game's own folder needs none of that.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
cat >"$build/wine-run" <<RUN
#!/bin/sh
# Made by tools/windows.sh: runs a program of this build under Wine.
export WINEPREFIX='$prefix' WINEDEBUG=-all
export WINEPATH='$(winpath "$qt/bin");$(winpath "$gcc_dir");$(winpath "$pthread_dir")'
exec wine "\$@"
RUN
chmod +x "$build/wine-run"

# The modem emulator runs on this machine, from the Linux build.
modememu=$root/build/bin/modememu
if [ ! -x "$modememu" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$root/build" -j "$jobs" --target modememu
fi

echo "== Windows build =="
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$sdk/mingw-toolchain.cmake" -DWINSDK_QT_PREFIX="$qt" -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$build/wine-run" -DQX_WINE_PREFIX="$prefix" \
  -DQX_HOST_MODEMEMU="$modememu" -DQX_WINE_MODEM_DIR="$modems"
cmake --build "$build" -j "$jobs"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=zendral-$version-win64
rm -rf "${build:?}/$name" "$build/$name.zip"
cmake --install "$build" --prefix "$build/$name" --strip
(cd "$build" && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "== $build/$name.zip: $(du -k "$build/$name.zip" | cut -f1) kB packed, $(du -sk "$build/$name" | cut -f1) kB unpacked =="
(cd "$build/$name" && find . -type f | sort | sed 's/^/   /')

[ "$run_tests" = 1 ] || exit 0

echo "== a fresh Wine prefix =="
wineserver_in() { WINEPREFIX=$prefix wineserver "$@"; }
[ -d "$prefix" ] && wineserver_in -k 2>/dev/null || true
rm -rf "$prefix"
WINEPREFIX=$prefix WINEDEBUG=-all wineboot -i >/dev/null 2>&1
reg() { WINEPREFIX=$prefix WINEDEBUG=-all wine reg add "$@" /f >/dev/null; }
# Wine hands no QT_ variable to a Windows program: the prefix's own environment carries them. The
# tests run headless, and Qt writes its messages and test results where the test runner reads them.
reg 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen
reg 'HKCU\Environment' /v QT_FORCE_STDERR_LOGGING /d 1
# The headless platform takes its fonts from one folder; the metric twins of Times New Roman, Courier
# New and Arial stand in for a Windows machine's own.
reg 'HKCU\Environment' /v QT_QPA_FONTDIR /d 'Z:\usr\share\fonts\truetype\liberation2'
# COM1 and COM12 are the emulator's two modems while a test runs it.
reg 'HKLM\Software\Wine\Ports' /v COM1 /d "$modems/modem1"
reg 'HKLM\Software\Wine\Ports' /v COM12 /d "$modems/modem2"
wineserver_in -w

echo "== the tests under Wine =="
status=0
(cd "$build" && ctest --output-on-failure -j "$jobs") || status=$?
wineserver_in -k 2>/dev/null || true
exit $status
