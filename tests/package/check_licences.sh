#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Every file of the repository names its licence, in a header or in .reuse/dep5, and each licence named
# has its text in LICENSES/ (reuse lint); LICENSE is the GPL's text.   check_licences.sh <source folder>
set -euo pipefail
source=$1
command -v reuse >/dev/null || { echo "SKIP: no reuse (tools/deps.sh installs it)"; exit 77; }
# reuse tells the repository's files from build output through git: outside a checkout it reads them all.
git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1 ||
  { echo "SKIP: $source is not a git checkout (or git is missing: tools/deps.sh installs it)"; exit 77; }
reuse --root "$source" lint
cmp "$source/LICENSE" "$source/LICENSES/GPL-3.0-or-later.txt" && echo "PASS LICENSE is the GPL's text"
