#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Every file of the repository says under which licence it is, by a header of its own or in
# .reuse/dep5, and the licences named have their texts in LICENSES/ (reuse lint); LICENSE at the
# top is the GPL's text.   check_licences.sh <source folder>
set -euo pipefail
source=$1
command -v reuse >/dev/null || { echo "SKIP: no reuse (tools/deps.sh installs it)"; exit 77; }
# reuse skips what git ignores (the build folders) and reads only what is in the repository.
reuse --root "$source" lint
cmp "$source/LICENSE" "$source/LICENSES/GPL-3.0-or-later.txt" && echo "PASS LICENSE is the GPL's text"
