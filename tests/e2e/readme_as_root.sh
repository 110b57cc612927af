#!/usr/bin/env bash
# Checks the README's two commands as root, the way they are copied, in fresh
# copies of the source tree: the first command whole, once with `sudo` on the
# PATH (where it is installed) and once on a PATH without it, each building the
# two programs and nothing else and printing the example's report; and the
# second command's package step on the PATH without `sudo` (the rest of it is
# what CI's first stage runs).
# Usage: readme_as_root.sh SOURCE_DIR   (as root, with the Debian mirror)
set -euo pipefail
source_dir=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
[ "$(id -u)" = 0 ] || { echo "readme_as_root.sh: run it as root"; exit 1; }

example=$("$here/readme_command.sh" "$source_dir/README.md" example)
tests=$("$here/readme_command.sh" "$source_dir/README.md" tests)
# The second command up to its first cmake: the packages it installs.
tests_packages=${tests%% && cmake -S *}
[ "$tests_packages" != "$tests" ] || { echo "FAIL: the tests command has no ' && cmake -S '"; exit 1; }

# The same commands as PATH has, sudo left out: links in one folder.
mkdir "$scratch/bin"
IFS=: read -ra path_dirs <<<"$PATH"
for dir in "${path_dirs[@]}"; do
  for program in "$dir"/*; do
    name=${program##*/}
    if [ "$name" != sudo ] && [ -x "$program" ] && [ ! -e "$scratch/bin/$name" ]; then
      ln -s "$program" "$scratch/bin/$name"
    fi
  done
done
no_sudo_path=$scratch/bin
if PATH=$no_sudo_path command -v sudo >/dev/null; then echo "FAIL: sudo still found"; exit 1; fi

failed=0
fail() { echo "FAIL: $*"; failed=1; }

# A copy of the tree as a fresh clone has it, with changes not committed yet.
fresh_copy() {
  mkdir "$1"
  (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp -P --parents -t "$1")
}

run_example() {  # run_example NAME PATH
  local dir=$scratch/$1
  fresh_copy "$dir"
  if ! (cd "$dir" && PATH=$2 bash -c "$example") >"$dir.out" 2>"$dir.err"; then
    fail "$1: the example command failed"
    tail -n 20 "$dir.err"
    return
  fi
  # Only the two programs: no test binary, no benchmark tool.
  local built
  built=$(cd "$dir" && find build -path build/CMakeFiles -prune -o -type f -perm -u+x -print | sort | tr '\n' ' ')
  [ "$built" = "build/vantira build/vantira-dot/vantira-dot " ] || fail "$1: built $built"
  # The report is the last thing the command prints.
  tail -c "$(wc -c <"$source_dir/examples/demo.report")" "$dir.out" | cmp -s - "$source_dir/examples/demo.report" ||
    fail "$1: the example's report differs from examples/demo.report"
  rm -rf "$dir"
}

if command -v sudo >/dev/null; then
  run_example with-sudo "$PATH"
else
  echo "sudo is not installed: the example command runs only without it"
fi
run_example without-sudo "$no_sudo_path"
PATH=$no_sudo_path bash -c "$tests_packages" >"$scratch/tests.out" 2>&1 ||
  { fail "the tests command's package step without sudo"; tail -n 20 "$scratch/tests.out"; }

[ "$failed" -eq 0 ] && echo "the README's commands as root, with and without sudo: passed"
exit "$failed"
