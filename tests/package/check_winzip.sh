#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Windows folder of the game, as the zip holds it: every DLL that the program and its plugins
# import is there or is the system's, nothing is there that nothing loads, the plugins, sounds and
# info file are beside the program, and the game starts from the folder under Wine (no Qt path set)
# and shows its window.   check_winzip.sh <build> <cmake> <objdump> <wine prefix>
set -uo pipefail
build=$1 cmake=$2 objdump=$3 prefix=$4 failed=0
for tool in xvfb-run xwininfo wine; do command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dir=$work/zendral
"$cmake" --install "$build" --prefix "$dir" --strip >/dev/null || exit 1
fail() { echo "FAIL $*"; failed=1; }

# The files beside the program.
for f in zendral.exe {Lock,Mimo,Ranen,Ubit}.wav info.rtf platforms/qwindows.dll styles/qwindowsvistastyle.dll \
         multimedia/windowsmediaplugin.dll; do
  [ -f "$dir/$f" ] || fail "missing $f"
done
extra=$(cd "$dir" && find . -type f ! -name '*.dll' ! -name zendral.exe ! -name '*.wav' ! -name info.rtf)
[ -z "$extra" ] || fail "files nothing reads: $extra"

# The imports, followed from the program and its plugins.
declare -A reached=() # by the lower-case name: 1 for the folder's own, seen for any other
queue=("$dir/zendral.exe" "$dir"/platforms/*.dll "$dir"/styles/*.dll "$dir"/multimedia/*.dll)
for ((i = 0; i < ${#queue[@]}; i++)); do
  while read -r name; do
    lower=${name,,}
    [ -n "${reached[$lower]:-}" ] && continue
    reached[$lower]=seen
    case $lower in api-ms-* | ext-ms-*) continue ;; esac # the system's API sets
    local_copy=$(find "$dir" -maxdepth 1 -iname "$name" | head -n 1)
    if [ -n "$local_copy" ]; then
      reached[$lower]=1 queue+=("$local_copy")
    elif [ -z "$(find "$prefix/drive_c/windows/system32" -maxdepth 1 -iname "$name")" ]; then
      fail "${queue[i]##*/} imports $name, which is neither in the folder nor the system's"
    fi
  done < <("$objdump" -p "${queue[i]}" | sed -n 's/^\s*DLL Name: //p' | tr -d '\r')
done
for dll in "$dir"/*.dll; do
  [ "${reached[$(basename "${dll,,}")]:-}" = 1 ] || fail "$(basename "$dll") is in the folder but nothing loads it"
done
[ $failed = 0 ] && echo "PASS the folder holds what the game loads: $(cd "$dir" && find . -type f | wc -l) files, $(du -sk "$dir" | cut -f1) kB"

# The game from the folder, on a virtual screen, with the window system's plugin. A Wine prefix's session
# keeps the display of the program that started it: the headless tests' session must end first.
WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  WINEPREFIX=$1 WINEDEBUG=-all wine "$2/zendral.exe" -platform windows >"$3" 2>&1 &
  shown=1
  while [ $shown = 1 ] && [ $SECONDS -lt 90 ]; do
    xwininfo -root -tree 2>/dev/null | grep -q "\"Зендрал\"" && shown=0 || sleep 0.1
  done
  kill $! 2>/dev/null
  wait 2>/dev/null
  exit $shown' _ "$prefix" "$dir" "$work/game.log" &&
  echo "PASS the game started from the folder and showed its window" ||
  { fail "the game from the folder showed no window within 90 s:"; cat "$work/game.log"; }
exit $failed
