#!/usr/bin/env bash
# Runs each fuzz target for SECONDS seconds, one process at a time, from the
# seeds and the corpus it grew before (kept in BUILD_DIR/fuzz-corpus). Any
# crash, leak, time-out or failed check fails the script; its input is left in
# BUILD_DIR/fuzz-crashes, to be saved under tests/fuzz/regressions.
# Usage: run_fuzz.sh BUILD_DIR SECONDS
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
seconds=$2
targets=(fuzz_decompose fuzz_subnet_files fuzz_semiflows)
# Undefined behaviour must stop the run, as a crash does.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
cmake --build "$build" --target "${targets[@]}" >/dev/null || exit 1
seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
"$here/make_seeds.sh" "$seeds"
mkdir -p "$build/fuzz-crashes"
failed=0
for target in "${targets[@]}"; do
  exe=$(find "$build" -type f -name "$target" -perm -u+x | head -n 1)
  mkdir -p "$build/fuzz-corpus/$target"
  echo "== $target, $seconds s"
  if ! "$exe" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -dict="$here/vantira.dict" -artifact_prefix="$build/fuzz-crashes/$target-" \
      "$build/fuzz-corpus/$target" "$seeds" 2>"$build/fuzz-crashes/$target.log"; then
    failed=1
    tail -n 40 "$build/fuzz-crashes/$target.log"
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$build/fuzz-crashes/$target.log"
done
if [ "$failed" -ne 0 ]; then echo "fuzzing found a crash"; exit 1; fi
echo "fuzzing found no crash"
