#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The game's command line: --help and --version answer in a terminal with no display; anything else
# is refused.   check_cli.sh <zendral> <version>
set -uo pipefail
zendral=$1 version=$2
failed=0

# name | environment | arguments | exit status | text the output must hold
rows=(
  "version, no display|-u QT_QPA_PLATFORM|--version|0|zendral $version"
  "short version, no display|-u QT_QPA_PLATFORM|-v|0|zendral $version"
  "help, no display|-u QT_QPA_PLATFORM|--help|0|--version"
  "short help, no display|-u QT_QPA_PLATFORM|-h|0|Usage: "
  "unknown option|QT_QPA_PLATFORM=offscreen|--bogus|1|Unknown option 'bogus'"
  "an argument|QT_QPA_PLATFORM=offscreen|bogus|1|unexpected argument 'bogus'"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name environment args status text <<<"$row"
  # shellcheck disable=SC2086 # the environment and the arguments are word lists
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY $environment "$zendral" $args 2>&1)
  got=$?
  if [ "$got" -ne "$status" ] || [[ "$output" != *"$text"* ]]; then
    printf 'FAIL %s: exit %s, wanted %s and "%s" in:\n%s\n' "$name" "$got" "$status" "$text" "$output"
    failed=1
  else
    echo "PASS $name"
  fi
done
exit $failed
