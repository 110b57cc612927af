#!/usr/bin/env bash
# Keeps the examples true: runs `vantira -g` on every net of EXAMPLES_DIR
# (*.net, *.ndr, *.pnml) and compares its standard output, byte for byte, with the
# expected report next to it (pipeline.net -> pipeline.report); the run must
# end with status 0. A net without its report counts as a failure.
# Usage: examples.sh VANTIRA EXAMPLES_DIR
set -u
vantira=$(realpath "$1")
examples=$(realpath "$2")
passed=0
failed=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for net in "$examples"/*.net "$examples"/*.ndr "$examples"/*.pnml; do
  [ -e "$net" ] || continue
  name=$(basename "$net")
  expected="${net%.*}.report"
  if [ ! -f "$expected" ]; then
    echo "FAIL $name: no expected report $(basename "$expected")"
    failed=$((failed + 1))
    continue
  fi
  (cd "$scratch" && "$vantira" -g "$net" >"$scratch/report")
  status=$?
  if [ "$status" -eq 0 ] && cmp -s "$scratch/report" "$expected"; then
    passed=$((passed + 1))
  else
    echo "FAIL $name: exit status $status (want 0); diff against $(basename "$expected"):"
    diff "$expected" "$scratch/report" | head -20
    failed=$((failed + 1))
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
