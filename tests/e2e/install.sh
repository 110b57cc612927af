#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and uses what was installed
# as a user would: the manual page through `man -l`, vantira on an example,
# its report through vantira-dot and dot; then builds the Debian package and
# looks at its contents and what lintian says of it.
# Usage: install.sh SOURCE_DIR BUILD_DIR   (needs man-db, graphviz, dpkg-deb, lintian)
set -u
source_dir=$(realpath "$1")
build_dir=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
passed=0
failed=0

check() {  # check DESCRIPTION COMMAND...: one passed or failed check
  local what=$1
  shift
  if "$@" >"$scratch/out" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $what"
    sed 's/^/  /' "$scratch/out" | head -20
  fi
}

check "cmake --install" cmake --install "$build_dir" --prefix "$prefix"
page="$prefix/share/man/man1/vantira.1"
check "installed files" ls "$prefix/bin/vantira" "$prefix/bin/vantira-dot" "$page" "$prefix/share/man/man1/vantira-dot.1"

# The page renders without groff warnings and shows its main sections;
# vantira-dot(1) leads to it.
render_page() {
  MANWIDTH=80 MAN_KEEP_FORMATTING= man --warnings -P cat -l "$page" >"$scratch/page" 2>"$scratch/page.err" || return 1
  if [ -s "$scratch/page.err" ]; then cat "$scratch/page.err"; return 1; fi
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "INPUT FORMATS" REPORT "SUBNET FILES" "EXIT STATUS" LIMITS; do
    grep -q "^$section" "$scratch/page" || { echo "no section $section"; return 1; }
  done
  MANWIDTH=80 MANPATH="$prefix/share/man" man -P cat vantira-dot 2>&1 | cmp - "$scratch/page"
}
check "man -l vantira.1" render_page

# The installed vantira writes the example's expected report.
check "installed vantira on examples/pipeline.net" \
  bash -c '"$1" -g "$2/examples/pipeline.net" | cmp - "$2/examples/pipeline.report"' _ "$prefix/bin/vantira" "$source_dir"

# Report -> vantira-dot -> dot: six subnets, nine connections.
draw() {
  "$prefix/bin/vantira" -q -g "$source_dir/examples/pipeline.net" | "$prefix/bin/vantira-dot" >"$scratch/graph.dot" || return 1
  dot -Tplain "$scratch/graph.dot" >"$scratch/graph.plain" || return 1
  [ "$(grep -c '^node ' "$scratch/graph.plain")" = 6 ] && [ "$(grep -c '^edge ' "$scratch/graph.plain")" = 9 ] &&
    grep -q '^edge Z3 Z4 ' "$scratch/graph.plain" || { cat "$scratch/graph.plain"; return 1; }
  "$prefix/bin/vantira" -q -g "$source_dir/examples/mutex.ndr" | "$prefix/bin/vantira-dot" | dot -Tpng -o "$scratch/mutex.png" &&
    [ "$(head -c 4 "$scratch/mutex.png" | tail -c 3)" = PNG ]
}
check "vantira | vantira-dot | dot" draw

# The Debian package holds the same files, the way Debian policy has them:
# manual pages gzipped, programs stripped, copyright and changelog beside them.
package() {
  (cd "$scratch" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/deb") >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; return 1; }
  local deb
  deb=$(ls "$scratch"/deb/vantira_*.deb) || return 1
  dpkg-deb -c "$deb" >"$scratch/contents" || return 1
  for f in ./usr/bin/vantira ./usr/bin/vantira-dot ./usr/share/man/man1/vantira.1.gz ./usr/share/man/man1/vantira-dot.1.gz \
           ./usr/share/doc/vantira/copyright ./usr/share/doc/vantira/changelog.Debian.gz; do
    grep -q " $f\$" "$scratch/contents" || { echo "$f missing from $deb:"; cat "$scratch/contents"; return 1; }
  done
  dpkg-deb -x "$deb" "$scratch/unpacked" || return 1
  local program
  for program in "$scratch"/unpacked/usr/bin/*; do
    if readelf -S "$program" | grep -Eq ' \.(symtab|debug_info|comment) '; then
      echo "$program is not stripped:"; readelf -S "$program" | grep -E 'symtab|debug|comment'; return 1
    fi
  done
  # The packaged page is the page installed above.
  zcat "$scratch/unpacked/usr/share/man/man1/vantira.1.gz" | cmp - "$page" || return 1
  grep -q '^License: Expat$' "$scratch/unpacked/usr/share/doc/vantira/copyright" || return 1
  # vantira reads PNML through expat's shared library.
  dpkg-deb -f "$deb" Depends | grep -Eq '(^|, )libexpat1( |,|$)' ||
    { echo "the package does not depend on libexpat1: $(dpkg-deb -f "$deb" Depends)"; return 1; }
  # vantira-dot reads JSON reports through simdjson's.
  dpkg-deb -f "$deb" Depends | grep -Eq '(^|, )libsimdjson[0-9]+( |,|$)' ||
    { echo "the package does not depend on libsimdjson: $(dpkg-deb -f "$deb" Depends)"; return 1; }
  # No error and no warning; the informational tags are shown.
  lintian --fail-on error,warning --display-info "$deb" 2>&1 | grep -v '^running with root privileges' >"$scratch/lintian"
  local status=${PIPESTATUS[0]}
  [ "$status" -eq 0 ] && ! grep -q '^[EW]: ' "$scratch/lintian"
}
check "cpack -G DEB" package
[ -s "$scratch/lintian" ] && sed 's/^/lintian: /' "$scratch/lintian"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
