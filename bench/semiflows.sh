#!/usr/bin/env bash
# The semiflow benchmark: vantira's solver against 4ti2 (rays) and Normaliz
# (extreme rays of the cone given by equations and nonnegativity), side by
# side, each net's P- and T-system apart, every run under a time and memory
# cap. The systems are built from the nets by vantira-netsystems (vantira's
# readers and subnets); 4ti2 and Normaliz get the dense matrix, which is only
# written up to --dense-max entries (beyond it they are not run: "dense").
# Where two solvers finish, their sets of semiflows are compared.
#
# Usage: bench/semiflows.sh [--build DIR] [--timeout S] [--memory-gb G] [--sizes LIST]
#                           [--shapes LIST] [--corpus DIR|--no-corpus] [--no-generated] [--no-peers]
#                           [--out FILE.md]
set -uo pipefail
cd "$(dirname "$0")/.."
build=build-bench timeout=60 memory_gb=8 sizes=50,500,5000,50000 corpus=../shared/corpus generated=1
out=bench/.cache/semiflows.md peers=1 dense_max=50000000 shapes=chain,wcycle,mutex,workflow
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift ;;
    --timeout) timeout=$2; shift ;;
    --memory-gb) memory_gb=$2; shift ;;
    --sizes) sizes=$2; shift ;;
    --corpus) corpus=$2; shift ;;
    --no-corpus) corpus="" ;;
    --no-peers) peers=0 ;;
    --shapes) shapes=$2; shift ;;
    --no-generated) generated=0 ;;
    --out) out=$2; shift ;;
    --dense-max) dense_max=$2; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build "$build" -j2 --target vantira-gen vantira-netsystems vantira-semiflows >/dev/null || exit 1
work=${out%.md}.work  # one per table, so that two runs keep apart
mkdir -p "$work"
rays=$(command -v 4ti2-rays || command -v rays || true)
normaliz=$(command -v normaliz || true)

# Runs a command under the caps; prints its wall seconds, or "time" / "memory" / "failed".
capped() {
  local start end status
  start=$(date +%s.%N)
  (ulimit -v $((memory_gb * 1024 * 1024)); exec timeout "$timeout" "$@") >"$work/run.out" 2>"$work/run.err"
  status=$?
  end=$(date +%s.%N)
  if [ $status -eq 124 ]; then echo time
  elif [ $status -ne 0 ]; then grep -qiE "memory|bad_alloc" "$work/run.err" && echo memory || echo failed
  else echo "$end - $start" | bc -l | xargs printf "%.3f"; fi
}

# What the caps cost by themselves: a subshell, ulimit and timeout around
# `true`, the median of 15 runs. Every time below includes it; on small
# systems it is most of what is measured (semiflow_summary.py --floor).
floor=$(for _ in $(seq 15); do capped true; echo; done | sort -n | sed -n 8p)
echo "semiflows.sh: the caps alone take $floor s a run (semiflow_summary.py --floor $floor)" >&2

# The rows of a ray file in one canonical form: sorted, one blank between numbers.
canonical() { tail -n +"$2" "$1" | sed 's/^ *//; s/ *$//; s/  */ /g' | grep . | sort; }

nets=()
if [ "$generated" = 1 ]; then
  for shape in ${shapes//,/ }; do
    for n in ${sizes//,/ }; do
      "$build/vantira-gen" --format net "$shape" "$n" "$work/${shape}_$n" >/dev/null && nets+=("$work/${shape}_$n.net")
    done
  done
fi
[ -n "$corpus" ] && for f in "$corpus"/net/*.net "$corpus"/pnml-converted/*.net "$corpus"/ndr/*.ndr; do [ -f "$f" ] && nets+=("$f"); done

printf "| net | side | variables | equations | semiflows | vantira s | 4ti2 s | Normaliz s | same set |\n" >"$out"
printf "|---|---|---:|---:|---:|---:|---:|---:|---|\n" >>"$out"
for net in "${nets[@]}"; do
  name=$(basename "$net"); base="$work/${name%.*}"
  info=$("$build/vantira-netsystems" --dense-max "$dense_max" "$net" "$base" 2>"$work/run.err") || {
    echo "skipped $name: $(head -1 "$work/run.err")" >&2; continue; }
  for side in p t; do
    read -r variables equations <"$base.$side.sys"
    # Our semiflows are written out only where a peer's are there to compare:
    # dense rows of a large net take longer to write than to find.
    compare=()
    [ "$peers" = 1 ] && grep -q "${side}_dense=1" <<<"$info" && compare=(--rays "$base.$side.ours")
    ours=$(capped "$build/vantira-semiflows" --limit 100000000 "${compare[@]}" "$base.$side.sys")
    count=$(sed -n 's/.*semiflows=\([0-9]*\) complete=1.*/\1/p' "$work/run.out")
    [ -z "$count" ] && { count="?"; [ "$ours" != time ] && [ "$ours" != memory ] && ours=failed; }
    t4=- tn=- same=""
    if [ "$peers" = 0 ]; then
      :
    elif [ -f "$base.$side.mat" ] && [ "$(grep -c "${side}_dense=1" <<<"$info")" = 1 ]; then
      if [ -n "$rays" ]; then
        rm -f "$base.$side.ray"
        t4=$(capped "$rays" -q "$base.$side")
      fi
      if [ -n "$normaliz" ]; then
        { echo "amb_space $variables"; echo "equations $equations"; tail -n +2 "$base.$side.mat"
          echo nonnegative; echo ExtremeRays; } >"$base.$side.in"
        tn=$(capped "$normaliz" -x=2 --ext "$base.$side")
      fi
      [ -f "$base.$side.ours" ] && canonical "$base.$side.ours" 1 >"$work/a"
      for peer in "ray 2" "ext 3"; do
        set -- $peer
        if [ -n "$count" ] && [ "$count" != "?" ] && [ -s "$base.$side.$1" ]; then
          canonical "$base.$side.$1" "$2" >"$work/b"
          cmp -s "$work/a" "$work/b" && same+="$1:yes " || same+="$1:NO "
        fi
      done
    else
      t4=dense tn=dense
    fi
    rm -f "$base.$side.ray" "$base.$side.ext" "$base.$side.ours"
    printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n" "$name" "${side^^}" "$variables" "$equations" "$count" \
      "$ours" "$t4" "$tn" "$same" | tee -a "$out"
  done
  rm -f "$base".*.mat "$base".*.sys "$base".*.in
done
echo "table: $out" >&2
