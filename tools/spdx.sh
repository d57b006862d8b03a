#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Gives every source, build and script file of the repository that has none the two licence lines
# (who holds the copyright, under which licence), in the file's own comment syntax: after a "#!"
# line or an XML declaration, else at the top. Safe to run again: a file that names its licence in
# its first lines is left as it is. Pictures, sounds, texts and the like are covered in .reuse/dep5;
# files of a kind this script does not know are listed at the end, to be covered there or here.
#
#   tools/spdx.sh            (then: reuse lint)
set -euo pipefail
cd "$(dirname "$0")/.."

holder="2026 Zendral developers"
# Written in two pieces so that no licence checker takes this script's own text for a licence line.
copyright_tag="SPDX-""FileCopyrightText:"
licence_tag="SPDX-""License-Identifier:"

# The comment syntax of a file ("//", "#", "xml", "man"), or nothing for a file left to .reuse/dep5.
syntax() {
  case $1 in
    *.cpp | *.cc | *.c | *.h | *.hpp | *.rc | *.rc.in) echo "//" ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake) echo "#" ;;
    *.sh | .ci/* | .clang-format | .gitignore | */packages.txt | *.desktop | *.lintian-overrides | *.yml | *.yaml | *.py | *.supp | *.dict) echo "#" ;;
    *.xml) echo "xml" ;;
    *.[1-9]) echo "man" ;;
    *) head -c 2 "$1" | grep -q '^#!' && echo "#" ;;
  esac
  return 0
}

# The licence of a file: the software centre's metadata is free for anyone to use.
licence() {
  case $1 in
    *.metainfo.xml) echo "CC0-1.0" ;;
    *) echo "GPL-3.0-or-later" ;;
  esac
}

# Bash reads a script as it runs it, and this one may add lines to itself: all of it is read first.
main() {
  added=0
  unknown=()
  while IFS= read -r -d '' file; do
    [ -f "$file" ] && [ ! -L "$file" ] || continue
    if head -n 12 "$file" | grep -q "$licence_tag"; then
      continue
    fi
    style=$(syntax "$file")
    if [ -z "$style" ]; then
      case $file in
        LICENSE | LICENSES/* | .reuse/* | assets/* | docs/* | fuzz/corpus/* | README.md | packaging/changelog | packaging/copyright) ;;
        *) unknown+=("$file") ;;
      esac
      continue
    fi
    id=$(licence "$file")
    case $style in
      xml) lines=("<!-- $copyright_tag $holder -->" "<!-- $licence_tag $id -->") ;;
      man) lines=(".\\\" $copyright_tag $holder" ".\\\" $licence_tag $id") ;;
      *) lines=("$style $copyright_tag $holder" "$style $licence_tag $id") ;;
    esac
    # Lines that must stay first: "#!", "<?xml", and a man page's preprocessor line "'\"".
    keep=0
    first=$(head -n 1 "$file")
    case $first in
      '#!'* | '<?xml'* | "'\\\""*) keep=1 ;;
    esac
    {
      head -n "$keep" "$file"
      printf '%s\n' "${lines[@]}"
      # A blank line between the licence and a comment that begins the file's own text.
      next=$(sed -n "$((keep + 1))p" "$file")
      case $style:$next in
        "//://"* | "#:#"* | "man:.\\\""* | "xml:<!--"*) echo ;;
      esac
      tail -n "+$((keep + 1))" "$file"
    } >"$file.spdx" && cat "$file.spdx" >"$file" && rm "$file.spdx" # keeps the file's mode
    echo "added: $file ($id)"
    added=$((added + 1))
  done < <(git ls-files -z --cached --others --exclude-standard)

  echo "$added file(s) given licence lines"
  if [ ${#unknown[@]} -gt 0 ]; then
    echo "not known here, so left alone (give them lines by hand, or cover them in .reuse/dep5):"
    printf '  %s\n' "${unknown[@]}"
  fi
}
main "$@"; exit # on one line: nothing after it is read
