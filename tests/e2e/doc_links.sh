#!/usr/bin/env bash
# Checks that every relative link of the given Markdown files names a file that
# exists, and, where it names a heading (`file.md#heading`, `#heading`), a
# heading of that file. Links in fenced code blocks and in `code spans` are not
# links; links with a scheme (https:, mailto:) are not looked at. A heading's
# anchor is made as GitHub makes it: lower case, every character but letters,
# digits, blanks, `-` and `_` dropped, blanks turned into `-`.
# Prints one line per broken link, FILE:LINE: TARGET: WHY, and exits with 1
# when there is one.
# Usage: doc_links.sh FILE.md...
set -u
LC_ALL=C
export LC_ALL

# The links of a Markdown file, one "LINE TARGET" a line.
links() {
  awk '
    /^ *```/ { fenced = !fenced; next }
    fenced { next }
    {
      line = $0
      gsub(/`[^`]*`/, "", line)
      while (match(line, /\]\([^)]*\)/)) {
        target = substr(line, RSTART + 2, RLENGTH - 3)
        sub(/ .*/, "", target)   # a title after the address
        print NR, target
        line = substr(line, RSTART + RLENGTH)
      }
    }' "$1"
}

# The anchors of a Markdown file's headings, one a line.
anchors() {
  awk '
    /^ *```/ { fenced = !fenced; next }
    fenced || !/^#+ / { next }
    {
      heading = tolower($0)
      sub(/^#+ +/, "", heading)
      gsub(/[^a-z0-9 _-]/, "", heading)
      gsub(/ /, "-", heading)
      print heading
    }' "$1"
}

broken=0
checked=0
for file in "$@"; do
  [ -f "$file" ] || { echo "$file: no such file"; broken=$((broken + 1)); continue; }
  dir=$(dirname "$file")
  while read -r line target; do
    case $target in
      [a-zA-Z]*:*) continue ;;   # https:, mailto:
    esac
    checked=$((checked + 1))
    path=${target%%#*}
    anchor=
    [ "$path" != "$target" ] && anchor=${target#*#}
    named=$file
    [ -n "$path" ] && named=$dir/$path
    if [ ! -e "$named" ]; then
      echo "$file:$line: $target: no file $named"
      broken=$((broken + 1))
    elif [ -n "$anchor" ] && ! anchors "$named" | grep -qxF -- "$anchor"; then
      echo "$file:$line: $target: no heading #$anchor in $named"
      broken=$((broken + 1))
    fi
  done < <(links "$file")
done

echo "$checked links checked, $broken broken"
[ "$broken" -eq 0 ]
