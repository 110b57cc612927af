#!/usr/bin/env bash
# Runs a built program (vantira on cases/, vantira-dot on dot-cases/) on every
# case folder and compares, byte for byte, standard output and standard error,
# the exit status and every file the run leaves behind.
#
# A case folder holds:
#   args     the command line, in shell words (may be empty or absent)
#   stdin    optional; fed to standard input (else /dev/null)
#   pipe     optional, empty; standard input then comes through a pipe
#   stdout_file  optional; a path (relative to the working folder, or
#            absolute) that receives standard output instead of the capture;
#            its expected content, if in the working folder, goes in out/
#   stdout   the expected standard output (absent means empty)
#   stderr   the expected standard error (absent means empty)
#   status   the expected exit status (absent means 0)
#   in/      files copied into the empty working folder before the run
#   out/     files expected in the working folder after the run; a file of
#            in/ not named in out/ must be left unchanged, and no other
#            file may appear
# Usage: run_cases.sh PROGRAM CASES_DIR [NAME_FILTER]
set -u
vantira=$(realpath "$1")
cases=$(realpath "$2")
filter=${3:-}
passed=0
failed=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for case_dir in "$cases"/*/; do
  name=$(basename "$case_dir")
  [[ -n "$filter" && "$name" != *"$filter"* ]] && continue
  work="$scratch/$name/work"
  mkdir -p "$work"
  [ -d "$case_dir/in" ] && cp -R "$case_dir/in/." "$work/"
  args=()
  [ -f "$case_dir/args" ] && eval "args=($(cat "$case_dir/args"))"
  input=/dev/null
  [ -f "$case_dir/stdin" ] && input="$case_dir/stdin"
  stdout="$scratch/$name/stdout"
  : >"$stdout"
  if [ -f "$case_dir/stdout_file" ]; then
    stdout=$(cat "$case_dir/stdout_file")
    [[ "$stdout" == /* ]] || stdout="$work/$stdout"
  fi
  if [ -f "$case_dir/pipe" ]; then
    (cd "$work" && cat "$input" | "$vantira" "${args[@]}" >"$stdout" 2>"$scratch/$name/stderr")
  else
    (cd "$work" && "$vantira" "${args[@]}" <"$input" >"$stdout" 2>"$scratch/$name/stderr")
  fi
  status=$?
  problems=()
  expected_status=0
  [ -f "$case_dir/status" ] && expected_status=$(cat "$case_dir/status")
  [ "$status" = "$expected_status" ] || problems+=("exit status $status, expected $expected_status")
  expected_stdout=/dev/null
  [ -f "$case_dir/stdout" ] && expected_stdout="$case_dir/stdout"
  cmp -s "$scratch/$name/stdout" "$expected_stdout" || problems+=("standard output differs: diff $expected_stdout $scratch/$name/stdout")
  expected_stderr=/dev/null
  [ -f "$case_dir/stderr" ] && expected_stderr="$case_dir/stderr"
  cmp -s "$scratch/$name/stderr" "$expected_stderr" || problems+=("standard error differs: diff $expected_stderr $scratch/$name/stderr")
  # The expected tree: in/ overlaid with out/.
  want="$scratch/$name/want"
  mkdir -p "$want"
  [ -d "$case_dir/in" ] && cp -R "$case_dir/in/." "$want/"
  [ -d "$case_dir/out" ] && cp -R "$case_dir/out/." "$want/"
  diff -r -q "$want" "$work" >"$scratch/$name/tree" 2>&1 || problems+=("files differ: $(tr '\n' ';' <"$scratch/$name/tree")")
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
    rm -rf "${scratch:?}/$name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    printf '  %s\n' "${problems[@]}"
    [ -n "${KEEP_FAILED:-}" ] && cp -R "$scratch/$name" "$KEEP_FAILED/"
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
