#!/usr/bin/env bash
# --help and --version of both programs, wherever they stand. (The reasons
# vantira-dot gives for the files and arguments it refuses, on standard error
# so that none reaches dot, are case folders of dot-cases/.)
# Usage: help_and_version.sh VANTIRA VANTIRA_DOT VERSION
set -u
v=$(realpath "$1")
dot=$(realpath "$2")
version=$3
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
# check NAME STATUS STDOUT STDERR COMMAND...
check() {
  local name=$1 status=$2 out=$3 err=$4
  shift 4
  "$@" >out 2>err
  local got=$?
  [ "$got" = "$status" ] && [ "$(cat out)" = "$out" ] && [ "$(cat err)" = "$err" ] ||
    { echo "FAIL $name: status $got: $(head -c 300 out) / $(head -c 300 err)"; failed=$((failed + 1)); }
}
usage=$("$v" -h)
dot_usage=$("$dot" -h)
check vantira-version 0 "vantira $version" '' "$v" --version
# Nothing after it is looked at, and nothing is opened: no report file appears.
# (A third file name before -h, and a word of dashes as a file name, are the
# cases args-third-positional-rejected-before-usage and args-unknown-dash-word-*.)
check vantira-version-anywhere 0 "vantira $version" '' "$v" -q missing.net out.txt --version c
check vantira-help-anywhere 0 "$usage" '' "$v" -s missing.net --help --version
check vantira-dot-version 0 "vantira-dot $version" '' "$dot" --version
check vantira-dot-help 0 "$dot_usage" '' "$dot" missing.txt --help
[ -e out.txt ] && { echo "FAIL: out.txt was written"; failed=$((failed + 1)); }
echo "$failed failed"
[ "$failed" -eq 0 ]
