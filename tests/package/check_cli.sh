#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The game's command line: --help and --version answer in a terminal with no display; anything else
# is refused.   check_cli.sh <zendral> <version>
set -uo pipefail
zendral=$1 version=$2 failed=0
# Rows: environment | arguments | exit status | text the output must hold.
while IFS='|' read -r environment args status text; do
  # shellcheck disable=SC2086 # the environment and the arguments are word lists
  output=$(timeout 30 env -u DISPLAY -u WAYLAND_DISPLAY $environment "$zendral" $args 2>&1 </dev/null) # a started game ends here
  got=$?
  [ "$got" -eq "$status" ] && [[ "$output" == *"$text"* ]] && echo "PASS $args with $environment" && continue
  printf 'FAIL %s with %s: exit %s, wanted %s and "%s" in:\n%s\n' "$args" "$environment" "$got" "$status" "$text" "$output"
  failed=1
done <<ROWS
-u QT_QPA_PLATFORM|--version|0|zendral $version
-u QT_QPA_PLATFORM|-v|0|zendral $version
-u QT_QPA_PLATFORM|--help|0|--version
-u QT_QPA_PLATFORM|-h|0|Usage: 
QT_QPA_PLATFORM=offscreen|--bogus|1|Unknown option 'bogus'
QT_QPA_PLATFORM=offscreen|bogus|1|unexpected argument 'bogus'
ROWS
exit $failed
