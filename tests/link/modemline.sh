#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs a test against two modems of the emulator: starts it in DIR (modem1 is number 1, modem2
# number 2), waits until both modems are up, runs the command with QX_PORTS set to PORTS (where
# "{dir}" stands for DIR), and stops the emulator again.
#   modemline.sh MODEMEMU DIR PORTS COMMAND...     DIR "-": a temporary folder
set -uo pipefail
emu=$1 dir=$2 ports=$3 tmp="" out=$(mktemp)
shift 3
[ "$dir" = "-" ] && dir=$(mktemp -d) && tmp=$dir
mkdir -p "$dir"
"$emu" --dir "$dir" --ring-ms 10 --connect-ms 10 --wait-ms 2000 >"$out" & pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$out" ${tmp:+"$tmp"}' EXIT
for ((tries = 0; $(grep -c ' number ' "$out") < 2; tries++)); do
  kill -0 "$pid" 2>/dev/null && ((tries <= 200)) && sleep 0.05 && continue
  echo "modemline.sh: the modem emulator did not come up:" >&2 && cat "$out" >&2 && exit 1
done
QX_PORTS=${ports//\{dir\}/$dir} "$@"
