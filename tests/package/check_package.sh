#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# An install into a fresh prefix and the Debian package hold the game, its data and documentation,
# and nothing else (the program in bin/, or games/ under /usr as in the package); the desktop entry
# and the metainfo pass their validators; the package's dependencies were computed from the program,
# and the packaged program runs. Debian's checker finds nothing in the package that has no override,
# the program is hardened, and the manual page renders without a warning.
#
#   check_package.sh <build folder> <version> <cmake> <cpack>
#
# Everything is written into a temporary folder.
set -euo pipefail
build=$1 version=$2 cmake=$3 cpack=$4
id=org.example.zendral.Zendral
for tool in dpkg-deb dpkg-shlibdeps dpkg-parsechangelog desktop-file-validate appstreamcli lintian hardening-check man lexgrog; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (tools/deps.sh installs it)"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

shared=
for f in Lock.wav Mimo.wav Ranen.wav Ubit.wav info.rtf; do shared+=$'\n'share/zendral/$f; done
shared+=$'\n'share/applications/$id.desktop$'\n'share/metainfo/$id.metainfo.xml
for n in 16 24 32 48 64 128 256; do shared+=$'\n'share/icons/hicolor/${n}x$n/apps/$id.png; done
shared+=$'\n'share/man/man6/zendral.6.gz$'\n'share/lintian/overrides/zendral
shared+=$'\n'share/doc/zendral/copyright$'\n'share/doc/zendral/changelog.gz

same_files() { # <what> <folder of the program> <files found>
  local expected
  expected=$(sort <<<"$2/zendral$shared")
  if [ "$3" != "$expected" ]; then
    echo "FAIL $1 holds other files than the game's:"
    diff <(echo "$expected") <(echo "$3") || true
    exit 1
  fi
  echo "PASS $1 holds the game's files"
}

quiet() { "$@" >"$tmp/log" 2>&1 || { cat "$tmp/log"; echo "FAIL $*"; exit 1; }; }

quiet "$cmake" --install "$build" --prefix "$tmp/prefix"
same_files install bin "$(cd "$tmp/prefix" && find . -type f -printf '%P\n' | sort)"
desktop-file-validate "$tmp/prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$tmp/prefix/share/metainfo/$id.metainfo.xml"
echo "PASS desktop entry and metainfo are valid"

quiet "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/package"
deb=("$tmp"/package/zendral_"$version"_*.deb)
[ -f "${deb[0]}" ] || { echo "FAIL no zendral_${version}_<arch>.deb"; exit 1; }
same_files package games "$(dpkg-deb -c "${deb[0]}" | awk '!/^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' | sort)"

field() { dpkg-deb -f "${deb[0]}" "$1"; }
fields="$(field Package) $(field Version) $(field Section)"
[ "$fields" = "zendral $version games" ] || { echo "FAIL package, version, section: $fields"; exit 1; }
# Names nobody wrote down: they come from the libraries the program links.
depends=$(field Depends)
[[ $depends == *"libc6 ("* && $depends == *"libqt6widgets6 ("* ]] || { echo "FAIL Depends: $depends"; exit 1; }
echo "PASS control fields; Depends: $depends"

dpkg-deb -x "${deb[0]}" "$tmp/root"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/games/zendral" --version)" = "zendral $version" ]
echo "PASS the packaged program runs"

# The changelog's latest entry is this version (a release that forgot it gets no package).
logged=$(zcat "$tmp/root/usr/share/doc/zendral/changelog.gz" | dpkg-parsechangelog -l- -S Version)
[ "$logged" = "$version" ] || { echo "FAIL the changelog's latest version is $logged, not $version"; exit 1; }
echo "PASS the changelog's latest entry is $version"

# Errors and warnings, and infos and pedantic notes without an override, all fail.
status=0
report=$(lintian --pedantic --display-info --fail-on error,warning,info,pedantic "${deb[0]}" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || { echo "FAIL lintian has something to say about the package (above)"; exit 1; }
echo "PASS lintian --pedantic: nothing without an override"

# Debian 12's own C start files (Scrt1.o, crti.o, crtn.o) carry no IBT/SHSTK marks, so no program
# linked there is marked for control flow protection as a whole; our own code is checked below.
hardening-check --nocfprotection "$tmp/root/usr/games/zendral" ||
  { echo "FAIL hardening-check"; exit 1; }
echo "PASS hardening-check"
main_o=$(find "$build/src/app" -path '*zendral.dir/main.cpp.o' | head -n 1)
if [ -n "$main_o" ] && [ "$(uname -m)" = x86_64 ]; then
  readelf -n "$main_o" | grep -q 'x86 feature: IBT, SHSTK' || { echo "FAIL main.cpp.o has no IBT/SHSTK mark"; exit 1; }
  echo "PASS the game's own code is built with control flow protection"
fi

page=$tmp/root/usr/share/man/man6/zendral.6.gz
warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "FAIL the manual page: $warnings"; exit 1; }
lexgrog "$page" || { echo "FAIL the manual page has no usable NAME section"; exit 1; }
echo "PASS the manual page renders without a warning"
