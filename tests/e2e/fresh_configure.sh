#!/usr/bin/env bash
# Checks the README's first command on a machine without GoogleTest: in a
# scratch copy of the source tree, runs that command with GoogleTest hidden
# from CMake (its apt-get part left out: the packages are there already) and
# checks that it builds both programs, says how to get the tests, and prints
# the example's report.
# Usage: fresh_configure.sh SOURCE_DIR
set -euo pipefail
source_dir=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

command=$("$here/readme_command.sh" "$source_dir/README.md" example)
# Everything from the first cmake on; GoogleTest hidden from its configure step.
build_part=${command#*cmake -S . -B build}
[ "$build_part" != "$command" ] || { echo "FAIL: the example command has no 'cmake -S . -B build'"; exit 1; }
build_part="cmake -S . -B build -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON$build_part"

# The tree as a fresh clone has it, with local changes that are not committed yet.
mkdir "$scratch/src"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp -P --parents -t "$scratch/src")

failed=0
fail() { echo "FAIL: $*"; failed=1; }
if ! (cd "$scratch/src" && bash -c "$build_part") >"$scratch/out" 2>"$scratch/err"; then
  fail "the example command failed: $build_part"
  tail -n 20 "$scratch/err"
fi
grep -q '^-- vantira: tests not built, GoogleTest not found; to build them: ' "$scratch/out" ||
  fail "configuring without GoogleTest does not say how to get the tests"
[ -x "$scratch/src/build/vantira" ] || fail "vantira was not built"
[ -x "$scratch/src/build/vantira-dot/vantira-dot" ] || fail "vantira-dot was not built"
[ ! -e "$scratch/src/build/tests" ] || fail "tests were configured without GoogleTest"
# The report is the last thing the command prints.
tail -c "$(wc -c <"$source_dir/examples/demo.report")" "$scratch/out" | cmp -s - "$source_dir/examples/demo.report" ||
  fail "the example's report differs from examples/demo.report"
[ "$failed" -eq 0 ] && echo "fresh configure without GoogleTest: passed"
exit "$failed"
