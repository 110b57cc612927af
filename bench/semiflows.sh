#!/usr/bin/env bash
# The semiflow benchmark: vantira's solver against 4ti2 (rays) and Normaliz
# (extreme rays of the cone given by equations and nonnegativity), side by
# side, each net's P- and T-system apart, every run under a time and memory
# cap. The systems are built from the nets by vantira-netsystems (vantira's
# readers); 4ti2 and Normaliz get the dense matrix, which is only
# written up to --dense-max entries (beyond it they are not run: "dense").
# Where two solvers finish, their sets of semiflows are compared. 4ti2 is
# timed twice: as its `rays` command (a shell script that picks a binary and
# costs about 15 ms of its own) and as the binary the script runs.
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
  cmake --build "$build" -j2 --target vantira-gen vantira-netsystems vantira-semiflows vantira-capped >/dev/null || exit 1
work=${out%.md}.work  # one per table, so that two runs keep apart
mkdir -p "$work"
rays=$(command -v 4ti2-rays || command -v rays || true)
normaliz=$(command -v normaliz || true)

rays_binary=$(ls /usr/libexec/*/4ti2/bin/4ti2gmp /usr/lib/*/4ti2/bin/4ti2gmp 2>/dev/null | head -1)

# Runs a command under the caps; prints its wall seconds, or "time" / "memory" / "failed".
capped() { "$build/vantira-capped" "$timeout" "$memory_gb" "$work/run.out" "$work/run.err" "$@"; }

# What starting a process under the caps costs by itself: `true`, the median
# of 15 runs. Every time below includes it (semiflow_summary.py --floor).
floor=$(for _ in $(seq 15); do capped true; done | sort -n | sed -n 8p)
echo "semiflows.sh: a process under the caps takes $floor s to start and end (semiflow_summary.py --floor $floor)" >&2

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

printf "| net | side | variables | equations | semiflows | vantira s | 4ti2 s | 4ti2 binary s | Normaliz s | same set |\n" >"$out"
printf "|---|---|---:|---:|---:|---:|---:|---:|---:|---|\n" >>"$out"
for net in "${nets[@]}"; do
  name=$(basename "$net"); base="$work/${name%.*}"
  info=$("$build/vantira-netsystems" --dense-max "$dense_max" "$net" "$base" 2>"$work/run.err") || {
    echo "skipped $name: $(head -1 "$work/run.err")" >&2; continue; }
  for side in p t; do
    read -r variables equations <"$base.$side.sys"
    t4=- t4b=- tn=- same=""
    rm -f "$base.$side.ray" "$base.$side.ext" "$base.$side.ours"
    if [ "$peers" = 0 ]; then
      :
    elif [ -f "$base.$side.mat" ] && [ "$(grep -c "${side}_dense=1" <<<"$info")" = 1 ]; then
      if [ -n "$rays" ]; then
        t4=$(capped "$rays" -q "$base.$side")
        # The binary only where the command finished: it is the same solver.
        if [ -n "$rays_binary" ] && [ "$t4" != time ] && [ "$t4" != memory ]; then
          mv "$base.$side.ray" "$base.$side.ray1" 2>/dev/null
          t4b=$(capped "$rays_binary" rays -q "$base.$side")
          [ -s "$base.$side.ray" ] || mv "$base.$side.ray1" "$base.$side.ray" 2>/dev/null
          rm -f "$base.$side.ray1"
        fi
      fi
      if [ -n "$normaliz" ]; then
        { echo "amb_space $variables"; echo "equations $equations"; tail -n +2 "$base.$side.mat"
          echo nonnegative; echo ExtremeRays; } >"$base.$side.in"
        tn=$(capped "$normaliz" -x=2 --ext "$base.$side")
      fi
    else
      t4=dense t4b=dense tn=dense
    fi
    # Our semiflows are written out only where a peer's are there to compare
    # (the peers write theirs too): dense rows of a large net take longer to
    # write than to find.
    compare=()
    [ -s "$base.$side.ray" ] || [ -s "$base.$side.ext" ] && compare=(--rays "$base.$side.ours")
    ours=$(capped "$build/vantira-semiflows" --limit 100000000 "${compare[@]}" "$base.$side.sys")
    count=$(sed -n 's/.*semiflows=\([0-9]*\) complete=1.*/\1/p' "$work/run.out")
    [ -z "$count" ] && { count="?"; [ "$ours" != time ] && [ "$ours" != memory ] && ours=failed; }
    [ -f "$base.$side.ours" ] && canonical "$base.$side.ours" 1 >"$work/a"
    for peer in "ray 2" "ext 3"; do
      set -- $peer
      if [ "$count" != "?" ] && [ -s "$base.$side.$1" ]; then
        canonical "$base.$side.$1" "$2" >"$work/b"
        cmp -s "$work/a" "$work/b" && same+="$1:yes " || same+="$1:NO "
      fi
    done
    rm -f "$base.$side.ray" "$base.$side.ext" "$base.$side.ours"
    printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n" "$name" "${side^^}" "$variables" "$equations" "$count" \
      "$ours" "$t4" "$t4b" "$tn" "$same" | tee -a "$out"
  done
  rm -f "$base".*.mat "$base".*.sys "$base".*.in
done
echo "table: $out" >&2
