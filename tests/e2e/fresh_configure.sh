#!/usr/bin/env bash
# Checks a configure without GoogleTest (the default, VANTIRA_TESTS=AUTO): in a
# scratch copy of the source tree, with GoogleTest hidden from CMake, it must
# set up both programs, leave the tests out and say in one line how to get
# them. (The README's first command, which builds the programs only, is run
# whole by readme_as_root.sh.)
# Usage: fresh_configure.sh SOURCE_DIR
set -euo pipefail
source_dir=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The tree as a fresh clone has it, with local changes that are not committed yet.
mkdir "$scratch/src"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp -P --parents -t "$scratch/src")

failed=0
fail() { echo "FAIL: $*"; failed=1; }
if ! (cd "$scratch/src" && cmake -S . -B build -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON) >"$scratch/out" 2>"$scratch/err"; then
  fail "configuring without GoogleTest failed"
  tail -n 20 "$scratch/err"
fi
grep -q '^-- vantira: tests not built, GoogleTest not found; to build them: ' "$scratch/out" ||
  fail "configuring without GoogleTest does not say how to get the tests"
[ ! -e "$scratch/src/build/tests" ] || fail "tests were configured without GoogleTest"
targets=$(cmake --build "$scratch/src/build" --target help)
for program in vantira vantira-dot; do
  grep -q "^\.\.\. $program\$" <<<"$targets" || fail "no target $program"
done
[ "$failed" -eq 0 ] && echo "fresh configure without GoogleTest: passed"
exit "$failed"
