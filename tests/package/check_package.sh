#!/usr/bin/env bash
# An install into a fresh prefix and the Debian package hold the game and its data, and nothing
# else; the desktop entry and the metainfo pass their validators; the package's dependencies were
# computed from the program, and the packaged program runs.
#
#   check_package.sh <build folder> <version> <cmake> <cpack>
#
# Everything is written into a temporary folder.
set -euo pipefail
build=$1 version=$2 cmake=$3 cpack=$4
id=org.example.zendral.Zendral
for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (tools/deps.sh installs it)"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

expected=bin/zendral
for f in Lock.wav Mimo.wav Ranen.wav Ubit.wav info.rtf; do expected+=$'\n'share/zendral/$f; done
expected+=$'\n'share/applications/$id.desktop$'\n'share/metainfo/$id.metainfo.xml
for n in 16 24 32 48 64 128 256; do expected+=$'\n'share/icons/hicolor/${n}x$n/apps/$id.png; done
expected=$(sort <<<"$expected")

same_files() { # <what> <files found>
  if [ "$2" != "$expected" ]; then
    echo "FAIL $1 holds other files than the game's:"
    diff <(echo "$expected") <(echo "$2") || true
    exit 1
  fi
  echo "PASS $1 holds the game's files"
}

quiet() { "$@" >"$tmp/log" 2>&1 || { cat "$tmp/log"; echo "FAIL $*"; exit 1; }; }

quiet "$cmake" --install "$build" --prefix "$tmp/prefix"
same_files install "$(cd "$tmp/prefix" && find . -type f -printf '%P\n' | sort)"
desktop-file-validate "$tmp/prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$tmp/prefix/share/metainfo/$id.metainfo.xml"
echo "PASS desktop entry and metainfo are valid"

quiet "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/package"
deb=("$tmp"/package/zendral_"$version"_*.deb)
[ -f "${deb[0]}" ] || { echo "FAIL no zendral_${version}_<arch>.deb"; exit 1; }
same_files package "$(dpkg-deb -c "${deb[0]}" | awk '!/^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' | sort)"

field() { dpkg-deb -f "${deb[0]}" "$1"; }
fields="$(field Package) $(field Version) $(field Section)"
[ "$fields" = "zendral $version games" ] || { echo "FAIL package, version, section: $fields"; exit 1; }
# Names nobody wrote down: they come from the libraries the program links.
depends=$(field Depends)
[[ $depends == *"libc6 ("* && $depends == *"libqt6widgets6 ("* ]] || { echo "FAIL Depends: $depends"; exit 1; }
echo "PASS control fields; Depends: $depends"

dpkg-deb -x "${deb[0]}" "$tmp/root"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/zendral" --version)" = "zendral $version" ]
echo "PASS the packaged program runs"
