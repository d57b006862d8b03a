#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# An install into a fresh prefix and the Debian package hold the game, its data and documentation and
# nothing else (the program in bin/, or games/ under /usr as in the package); each PASS names what else
# is checked, all in a temporary folder.   check_package.sh <build folder> <version> <cmake> <cpack>
set -euo pipefail
build=$1 version=$2 cmake=$3 cpack=$4
id=org.example.zendral.Zendral
for tool in dpkg-deb dpkg-shlibdeps dpkg-parsechangelog desktop-file-validate appstreamcli lintian hardening-check man lexgrog; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (tools/deps.sh installs it)"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# check <what> <command...>: passes or stops the script, showing the command's output.
check() { "${@:2}" >"$tmp/log" 2>&1 || { cat "$tmp/log"; echo "FAIL $1"; exit 1; }; echo "PASS $1"; }

shared=$(printf '%s\n' share/zendral/{Lock.wav,Mimo.wav,Ranen.wav,Ubit.wav,info.rtf} share/applications/$id.desktop \
  share/metainfo/$id.metainfo.xml share/man/man6/zendral.6.gz share/lintian/overrides/zendral \
  share/doc/zendral/{copyright,changelog.gz} share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png)
same_files() { # <what> <folder of the program> <files found>
  check "$1 holds the game's files and no other" diff <(sort <<<"$2/zendral"$'\n'"$shared") <(echo "$3")
}

check "install" "$cmake" --install "$build" --prefix "$tmp/prefix"
same_files install bin "$(cd "$tmp/prefix" && find . -type f -printf '%P\n' | sort)"
check "the desktop entry is valid" desktop-file-validate "$tmp/prefix/share/applications/$id.desktop"
check "the metainfo is valid" appstreamcli validate --no-net "$tmp/prefix/share/metainfo/$id.metainfo.xml"

check "cpack" "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/package"
deb=("$tmp"/package/zendral_"$version"_*.deb)
check "zendral_${version}_<arch>.deb is made" test -f "${deb[0]}"
same_files package games "$(dpkg-deb -c "${deb[0]}" | awk '!/^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' | sort)"
# Depends names nobody wrote down: they come from the libraries the program links (sorted by name).
fields=$(dpkg-deb -f "${deb[0]}" Package Version Section Depends | tr '\n' ' ')
check "$fields" grep -qx "Package: zendral Version: ${version//./\\.} Section: games Depends: libc6 (.*libqt6widgets6 (.*" <<<"$fields"

dpkg-deb -x "${deb[0]}" "$tmp/root"
check "the packaged program runs" test "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/games/zendral" --version)" = "zendral $version"
logged=$(zcat "$tmp/root/usr/share/doc/zendral/changelog.gz" | dpkg-parsechangelog -l- -S Version)
check "the changelog's latest entry, $logged, is $version" test "$logged" = "$version"
check "lintian --pedantic: nothing without an override" lintian --pedantic --display-info --fail-on error,warning,info,pedantic "${deb[0]}"

# Debian 12's own C start files (Scrt1.o, crti.o, crtn.o) carry no IBT/SHSTK marks, so no program
# linked there is marked for control flow protection as a whole; our own code is checked below.
check "hardening-check" hardening-check --nocfprotection "$tmp/root/usr/games/zendral"
main_o=$(find "$build/src/app" -path '*zendral.dir/main.cpp.o' | head -n 1)
[ -n "$main_o" ] && [ "$(uname -m)" = x86_64 ] &&
  check "the game's own code is built with control flow protection" grep -q 'x86 feature: IBT, SHSTK' <(readelf -n "$main_o")
page=$tmp/root/usr/share/man/man6/zendral.6.gz
warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
check "the manual page renders without a warning${warnings:+: $warnings}" test -z "$warnings"
check "the manual page has a usable NAME section" lexgrog "$page"
