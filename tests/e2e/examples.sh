#!/usr/bin/env bash
# Keeps the examples true: runs `vantira -g` on every example of EXAMPLES_DIR
# and compares its standard output, byte for byte, with the expected report;
# the run must end with status 0. An example is an expected report and the
# one net beside it of the same name (pipeline.report -> pipeline.net, .ndr or
# .pnml), so the subnet files and reports a user writes into the folder are
# not looked at. A report with no net, or with more than one, is a failure.
# Usage: examples.sh VANTIRA EXAMPLES_DIR
set -u
vantira=$(realpath "$1")
examples=$(realpath "$2")
passed=0
failed=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for expected in "$examples"/*.report; do
  [ -e "$expected" ] || continue
  nets=()
  for extension in net ndr pnml; do
    [ -f "${expected%.report}.$extension" ] && nets+=("${expected%.report}.$extension")
  done
  if [ ${#nets[@]} -ne 1 ]; then
    echo "FAIL $(basename "$expected"): ${#nets[@]} nets of its name, want 1"
    failed=$((failed + 1))
    continue
  fi
  net=${nets[0]}
  name=$(basename "$net")
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
