#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs a test against two modems of the emulator: starts it in DIR (modem1 is number 1, modem2
# number 2), waits until both modems are up, runs the command with QX_PORTS set to PORTS (where
# "{dir}" stands for DIR), and stops the emulator again.
#   modemline.sh MODEMEMU DIR PORTS COMMAND...     DIR "-": a temporary folder
set -uo pipefail
emu=$1 dir=$2 ports=$3
shift 3
if [ "$dir" = "-" ]; then
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
fi
mkdir -p "$dir"
out=$(mktemp)
"$emu" --dir "$dir" --ring-ms 10 --connect-ms 10 --wait-ms 2000 >"$out" &
pid=$!
for _ in $(seq 200); do
  [ "$(grep -c ' number ' "$out")" -ge 2 ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if [ "$(grep -c ' number ' "$out")" -lt 2 ]; then
  echo "modemline.sh: the modem emulator did not come up:" >&2
  cat "$out" >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
QX_PORTS=${ports//\{dir\}/$dir} "$@"
status=$?
kill "$pid"
wait "$pid" 2>/dev/null
rm -f "$out"
exit $status
