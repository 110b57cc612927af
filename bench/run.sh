#!/usr/bin/env bash
# Benchmark of vantira on generated nets. Builds vantira and the bench tools,
# generates the nets once into bench/.cache/, then prints one table row per
# shape, format and size, -v and -j rows for the largest random net, PNML
# against a bare expat parse and xmllint --stream, and the cost of -s on the
# largest wide net against a bare open/write/close loop.
# Every row checks the number of subnets against the generator's own count;
# a mismatch fails the run. See docs/performance.md for what the columns mean.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: bench/run.sh [options]
  --shapes LIST    comma-separated, of random,wide,deep,mix,links (default: all)
  --formats LIST   comma-separated, of net,ndr,pnml           (default: all three)
  --sizes LIST     transition counts, e.g. 10000,100000       (default: 10000,100000,1000000)
  --runs N         timed runs per measurement, median taken   (default: 3)
  --seed N         generator seed                             (default: 1)
  --s-size N       size of the wide net for the -s test       (default: largest size)
  --no-full        skip the -v -g rows
  --no-json        skip the -j rows
  --no-subnet-files  skip the -s test
  --no-analysis    skip the -q -a rows (every shape, the sizes up to 100000)
  --pnml FILE      also time this PNML file against expat and xmllint (repeatable)
  --quick          --sizes 10000,100000 with the -s test on 10000 (about two minutes)
  --build DIR      build folder (default: build-bench at the top of the tree)
  --tsv FILE       where the raw rows go (default: bench/.cache/results.tsv)
EOF
}

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
cache=$root/bench/.cache
shapes=random,wide,deep,mix,links
formats=net,ndr,pnml
sizes=10000,100000,1000000
runs=3
seed=1
s_size=
full=1
json=1
subnet_files=1
analysis=1
tsv=
pnml_files=()

while [ $# -gt 0 ]; do
  case $1 in
    --shapes) shapes=$2; shift ;;
    --formats) formats=$2; shift ;;
    --sizes) sizes=$2; shift ;;
    --runs) runs=$2; shift ;;
    --seed) seed=$2; shift ;;
    --s-size) s_size=$2; shift ;;
    --no-full) full=0 ;;
    --no-json) json=0 ;;
    --no-subnet-files) subnet_files=0 ;;
    --no-analysis) analysis=0 ;;
    --quick) sizes=10000,100000; s_size=${s_size:-10000} ;;
    --build) build=$2; shift ;;
    --tsv) tsv=$2; shift ;;
    --pnml) pnml_files+=("$(realpath "$2")"); shift ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift
done
IFS=, read -r -a shape_list <<<"$shapes"
IFS=, read -r -a format_list <<<"$formats"
IFS=, read -r -a size_list <<<"$sizes"
mapfile -t size_list < <(printf '%s\n' "${size_list[@]}" | sort -n)
largest=${size_list[-1]}
s_size=${s_size:-$largest}
tsv=${tsv:-$cache/results.tsv}
[ -x /usr/bin/time ] || { echo "run.sh: /usr/bin/time is needed for peak memory" >&2; exit 2; }

# ------------------------------------------------------------------ build
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target vantira vantira-gen vantira-writefiles vantira-expatparse vantira-nohuge >/dev/null
vantira=$build/vantira
gen=$build/vantira-gen
writefiles=$build/vantira-writefiles
expatparse=$build/vantira-expatparse
nohuge=$build/vantira-nohuge
xmllint=$(command -v xmllint || true)

mkdir -p "$cache"
scratch=$cache/run.$$
mkdir -p "$scratch"
cleanup() { rm -rf "$scratch"; }
trap cleanup EXIT

# ------------------------------------------------------------------ nets
# A net is made again only when missing or made by another version of the
# generator's source; the output of one version and seed never changes.
gen_stamp=$(cksum <"$root/bench/gen_nets.cpp" | cut -d' ' -f1)
net_base() { echo "$cache/$1-$2-s$seed"; }
ensure_net() {
  local base
  base=$(net_base "$1" "$2")
  if [ ! -s "$base.info" ] || [ ! -s "$base.net" ] || [ ! -s "$base.ndr" ] ||
     [ "$(cat "$base.stamp" 2>/dev/null)" != "$gen_stamp" ]; then
    echo "generating $1 net with $2 transitions" >&2
    rm -f "$base.pnml"
    "$gen" --seed "$seed" "$1" "$2" "$base" >"$base.info.tmp"
    mv "$base.info.tmp" "$base.info"
    echo "$gen_stamp" >"$base.stamp"
  fi
  # PNML only when asked for: at 10^6 transitions it is 0.5-0.7 GB a net.
  if [[ ",$formats," == *",pnml,"* ]] && [ ! -s "$base.pnml" ]; then
    echo "generating $1 net with $2 transitions as PNML" >&2
    "$gen" --seed "$seed" --format pnml "$1" "$2" "$base" >/dev/null
  fi
}
expected_subnets() { sed -n 's/.*subnets=\([0-9]*\).*/\1/p' "$(net_base "$1" "$2").info"; }

for shape in "${shape_list[@]}"; do
  for size in "${size_list[@]}"; do ensure_net "$shape" "$size"; done
done
if [ "$subnet_files" = 1 ]; then ensure_net wide "$s_size"; fi

# ------------------------------------------------------------------ timing
# calc DIGITS EXPR: EXPR evaluated by awk, printed with DIGITS decimals.
calc() { awk "BEGIN { printf \"%.${1}f\", ($2) }"; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }
minimum() { printf '%s\n' "$@" | sort -g | head -1; }

# time_runs OUT CMD...: runs CMD $runs times with stdout to OUT and prints
# the median wall seconds and the median CPU (user + system) seconds.
time_runs() {
  local out=$1 walls=() cpus=() line w u s
  shift
  for ((r = 0; r < runs; r++)); do
    line=$({ TIMEFORMAT='%R %U %S'; time "$@" >"$out" 2>"$scratch/err"; } 2>&1) || {
      echo "run.sh: failed: $*" >&2; cat "$scratch/err" >&2; exit 1; }
    read -r w u s <<<"$line"
    walls+=("$w")
    cpus+=("$(calc 3 "$u + $s")")
  done
  echo "$(median "${walls[@]}") $(median "${cpus[@]}")"
}

# Subnets in a -g report: the "Zk: ..." lines of its graph section.
count_graph_lines() {
  awk '/^GRAPH OF FUNCTIONAL SUBNETS/ { g = 1; next }
       /^DECOMPOSITION COMPLETED/ { g = 0 }
       g && /^Z[0-9]+:/ { c++ }
       END { print c + 0 }' "$1"
}

# Subnets in a JSON report: the lines of its subnet objects.
count_json_subnets() { grep -c '^    {"id": ' "$1" || true; }

# Timer resolution is 1 ms; quotients use at least that.
floor_ms() { calc 3 "$1 < 0.001 ? 0.001 : $1"; }

printf 'shape\tformat\tmode\ttransitions\tbytes\twall\tcpu\trss_kb\tsubnets\texpected\twc_wall\tfaults\tfresh_mb\n' >"$tsv"
echo "| shape | format | mode | transitions | input MB | wall s | CPU s | MB/s | peak RSS MiB | RSS / input | page faults | fresh MB | subnets (= generator) | wc -l s | wall / wc -l |"
echo "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"

failures=0
pnml_rows=()
# one_run OUT CMD...: one timed run of CMD, stdout to OUT; prints wall and CPU seconds.
one_run() {
  local out=$1 line w u s
  shift
  line=$({ TIMEFORMAT='%R %U %S'; time "$@" >"$out" 2>"$scratch/err"; } 2>&1) || {
    echo "run.sh: failed: $*" >&2; cat "$scratch/err" >&2; exit 1; }
  read -r w u s <<<"$line"
  echo "$w $(calc 3 "$u + $s")"
}

# pnml_row NAME TRANSITIONS FILE RSS: vantira -q -g against the bare expat
# parse and xmllint --stream on FILE, for the PNML table. The three take
# turns within each round, so that other work on the machine hits them
# alike; the medians of the rounds are compared.
pnml_row() {
  local name=$1 size=$2 file=$3 rss=$4 bytes r
  local v_walls=() v_cpus=() e_walls=() e_cpus=() l_walls=() l_cpus=() times
  bytes=$(stat -c %s "$file")
  "$expatparse" "$file" || { echo "run.sh: expat cannot parse $file" >&2; exit 1; }
  for ((r = 0; r < runs; r++)); do
    times=$(one_run /dev/null "$vantira" -q -g "$file")
    v_walls+=("${times% *}")
    v_cpus+=("${times#* }")
    times=$(one_run /dev/null "$expatparse" "$file")
    e_walls+=("${times% *}")
    e_cpus+=("${times#* }")
    if [ -n "$xmllint" ]; then
      times=$(one_run /dev/null "$xmllint" --stream --noout "$file")
      l_walls+=("${times% *}")
      l_cpus+=("${times#* }")
    fi
  done
  local wall expat lint=- lint_ratio=- cpu_ratio
  wall=$(median "${v_walls[@]}")
  expat=$(median "${e_walls[@]}")
  cpu_ratio=$(calc 2 "$(median "${v_cpus[@]}") / $(floor_ms "$(median "${e_cpus[@]}")")")
  if [ -n "$xmllint" ]; then
    lint=$(median "${l_walls[@]}")
    lint_ratio=$(calc 2 "$wall / $(floor_ms "$lint")")
  fi
  local row="| $name | $size | $(calc 1 "$bytes / 1e6") | $wall | $expat | $(calc 2 "$wall / $(floor_ms "$expat")")"
  pnml_rows+=("$row | $cpu_ratio | $lint | $lint_ratio | $(calc 2 "$rss * 1024 / $bytes") |")
}

# measure SHAPE FORMAT SIZE MODE: one table row for vantira MODE -g, or for
# vantira -j when MODE is -j (the JSON report has the graph anyway).
measure() {
  local shape=$1 format=$2 size=$3 mode=$4
  local file out found expected bytes rss faults fresh times wall cpu wc_wall mark args
  file=$(net_base "$shape" "$size").$format
  out=$scratch/report
  bytes=$(stat -c %s "$file")
  args=("$mode" -g)
  [ "$mode" = -j ] && args=(-j)
  # First run: warms the page cache, gives peak memory and the count.
  /usr/bin/time -f '%M %R' -o "$scratch/rss" "$vantira" "${args[@]}" "$file" >"$out" || {
    echo "run.sh: vantira failed on $file" >&2; exit 1; }
  read -r rss faults < <(tail -1 "$scratch/rss")
  # Fresh memory: without huge pages every page touched first costs a fault.
  /usr/bin/time -f %R -o "$scratch/faults" "$nohuge" "$vantira" "${args[@]}" "$file" >/dev/null
  fresh=$(calc 0 "$(tail -1 "$scratch/faults") * 4096 / 1e6")
  if [ "$mode" = -j ]; then found=$(count_json_subnets "$out"); else found=$(count_graph_lines "$out"); fi
  expected=$(expected_subnets "$shape" "$size")
  mark=$found
  if [ "$found" != "$expected" ]; then
    mark="**$found, expected $expected: MISMATCH**"
    failures=$((failures + 1))
  fi
  times=$(time_runs "$out" "$vantira" "${args[@]}" "$file")
  read -r wall cpu <<<"$times"
  wc -l <"$file" >/dev/null
  wc_wall=$(time_runs /dev/null wc -l "$file")
  wc_wall=${wc_wall%% *}
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$shape" "$format" "${args[*]}" "$size" "$bytes" \
    "$wall" "$cpu" "$rss" "$found" "$expected" "$wc_wall" "$faults" "$fresh" >>"$tsv"
  echo "| $shape | .$format | ${args[*]} | $size | $(calc 1 "$bytes / 1e6") | $wall | $cpu" \
    "| $(calc 0 "$bytes / 1e6 / $(floor_ms "$wall")") | $(calc 0 "$rss / 1024") | $(calc 2 "$rss * 1024 / $bytes")" \
    "| $faults | $fresh | $mark | $wc_wall | $(calc 0 "$wall / $(floor_ms "$wc_wall")") |"
  if [ "$format" = pnml ] && [ "$mode" = -q ]; then pnml_row "$shape" "$size" "$file" "$rss"; fi
}

{
  echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) cores; $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
  echo "vantira: commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)" \
    "$(git -C "$root" status --porcelain -- driver store formats decompose 2>/dev/null | grep -q . && echo '(with uncommitted changes)')"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
} >&2
for shape in "${shape_list[@]}"; do
  for format in "${format_list[@]}"; do
    for size in "${size_list[@]}"; do measure "$shape" "$format" "$size" -q; done
  done
done
if [ "$full" = 1 ] && [[ " ${shape_list[*]} " == *" random "* ]]; then
  for format in "${format_list[@]}"; do measure random "$format" "$largest" -v; done
fi
if [ "$json" = 1 ] && [[ " ${shape_list[*]} " == *" random "* ]]; then
  for format in "${format_list[@]}"; do measure random "$format" "$largest" -j; done
fi

# PNML against the floor of reading it: expat with no handlers, and a
# streaming parse by another library.
for file in "${pnml_files[@]}"; do
  /usr/bin/time -f %M -o "$scratch/rss" "$vantira" -q -g "$file" >"$scratch/report" || {
    echo "run.sh: vantira failed on $file" >&2; exit 1; }
  pnml_row "$(basename "$file")" "$(sed -n '/^T:$/{n;p;q}' "$scratch/report" | wc -w)" "$file" "$(tail -1 "$scratch/rss")"
done
if [ ${#pnml_rows[@]} -gt 0 ]; then
  echo
  echo "| PNML | transitions | input MB | vantira -q -g s | expat parse s | / expat | CPU / expat CPU | xmllint --stream s | / xmllint | peak RSS / input |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
  printf '%s\n' "${pnml_rows[@]}"
fi

# How time grows with size: each size against the one before it.
echo
echo "| shape | format | sizes | time ratio | size ratio |"
echo "|---|---|---|---:|---:|"
awk -F'\t' 'NR > 1 && $3 == "-q -g" {
  key = $1 " | ." $2
  if (key in last) printf "| %s | %s -> %s | %.1f | %g |\n", key, last[key], $4, $6 / (lastw[key] > 0.001 ? lastw[key] : 0.001), $4 / last[key]
  last[key] = $4; lastw[key] = $6
}' "$tsv"

# The other modes against -q -g on the same net (its rows come first).
if [ "$full" = 1 ] || [ "$json" = 1 ]; then
  echo
  echo "| shape | format | transitions | mode | wall / wall of -q -g |"
  echo "|---|---|---:|---|---:|"
  awk -F'\t' 'NR > 1 {
    key = $1 " | ." $2 " | " $4
    if ($3 == "-q -g") q[key] = $6
    else if (key in q) printf "| %s | %s | %.2f |\n", key, $3, $6 / (q[key] > 0.001 ? q[key] : 0.001)
  }' "$tsv"
fi

# ------------------------------------------------------------------ -a
# The structural analysis on the .net files: time, memory and the bounds'
# summary line, whose counts are the same on every run.
if [ "$analysis" = 1 ]; then
  echo
  echo "| -q -a | transitions | places | median wall s | peak RSS MiB | bounds |"
  echo "|---|---:|---:|---:|---:|---|"
  for shape in "${shape_list[@]}"; do
    for size in "${size_list[@]}"; do
      [ "$size" -le 100000 ] || continue
      file=$(net_base "$shape" "$size").net
      /usr/bin/time -f %M -o "$scratch/rss" "$vantira" -q -a "$file" >"$scratch/report" || {
        echo "run.sh: vantira -q -a failed on $file" >&2; exit 1; }
      times=$(time_runs "$scratch/report" "$vantira" -q -a "$file")
      summary=$(grep -m1 -E '^[0-9]+ places: ' "$scratch/report" || echo "no bounds line")
      echo "| $shape | $size | ${summary%% *} | ${times%% *} | $(calc 0 "$(tail -1 "$scratch/rss") / 1024") | ${summary#* places: } |"
    done
  done
fi

# ------------------------------------------------------------------ -s
# Extra time of -s over the same -q run, against vantira-writefiles
# writing the very files vantira wrote (same names, same bytes).
#
# Creating files on this file system is many times slower for about six
# minutes after many files were deleted (the inode allocator checks recently
# freed inodes one by one before it skips them). So no round deletes
# anything: each writes into a folder of its own, all of them go at the end,
# and that deletion is noted in the cache so that a later run waits it out.
subnet_dirs=$cache/subnets.$$
deletion_note=$cache/last-mass-deletion
trap 'rm -rf "$subnet_dirs"; cleanup' EXIT
if [ "$subnet_files" = 1 ]; then
  if [ -f "$deletion_note" ]; then
    read -r deleted_at deleted <"$deletion_note"
    pause=$((deleted_at + 370 - $(date +%s)))
    if [ "$deleted" -ge 50000 ] && [ "$pause" -gt 0 ]; then
      echo "waiting ${pause} s: $deleted files were deleted here lately, which slows file creation" >&2
      sleep "$pause"
    fi
  fi
  echo
  echo "| -s on wide $s_size | files, MB | median wall s | min wall s | median CPU s |"
  echo "|---|---:|---:|---:|---:|"
  expected=$(expected_subnets wide "$s_size")
  mkdir -p "$subnet_dirs"
  for format in "${format_list[@]}"; do
    file=$(net_base wide "$s_size").$format
    # The -q runs, kept one by one for their minimum as well.
    q_walls=()
    q_cpus=()
    for ((r = 0; r < runs; r++)); do
      line=$({ TIMEFORMAT='%R %U %S'; time "$vantira" -q "$file" >"$scratch/report"; } 2>&1)
      read -r s_w s_u s_s <<<"$line"
      q_walls+=("$s_w")
      q_cpus+=("$(calc 3 "$s_u + $s_s")")
    done
    q_wall=$(median "${q_walls[@]}")
    q_cpu=$(median "${q_cpus[@]}")
    walls=()
    cpus=()
    loops=()
    loop_cpus=()
    for ((r = 1; r <= runs; r++)); do
      files=$subnet_dirs/$format-$r
      mkdir "$files"
      sync
      line=$({ TIMEFORMAT='%R %U %S'; time "$vantira" -q -s -z "$files/wide" "$file" >"$scratch/report"; } 2>&1)
      read -r s_w s_u s_s <<<"$line"
      walls+=("$s_w")
      cpus+=("$(calc 3 "$s_u + $s_s")")
      sync
      line=$("$writefiles" "$files" "$subnet_dirs/$format-copy-$r")
      loops+=("${line##*seconds=}")
      loop_cpu=${line#*cpu=}
      loop_cpus+=("${loop_cpu%% *}")
      echo "-s round $r, .$format: vantira -q -s ${s_w} s wall, loop ${loops[-1]} s wall" >&2
      written=$(find "$files" -type f | wc -l)
      if [ "$written" != "$expected" ]; then
        echo "run.sh: -s wrote $written files, the generator counts $expected subnets" >&2
        failures=$((failures + 1))
      fi
    done
    written_bytes=${line#*bytes=}
    written_bytes=${written_bytes%% *}
    q_min=$(minimum "${q_walls[@]}")
    s_wall=$(median "${walls[@]}")
    s_min=$(minimum "${walls[@]}")
    s_cpu=$(median "${cpus[@]}")
    loop=$(median "${loops[@]}")
    loop_min=$(minimum "${loops[@]}")
    loop_cpu=$(median "${loop_cpus[@]}")
    extra=$(calc 3 "$s_wall - $q_wall")
    extra_min=$(calc 3 "$s_min - $q_min")
    extra_cpu=$(calc 3 "$s_cpu - $q_cpu")
    echo "| .$format: vantira -q | | $q_wall | $q_min | $q_cpu |"
    echo "| .$format: vantira -q -s | $written, $(calc 1 "$written_bytes / 1e6") | $s_wall | $s_min | $s_cpu |"
    echo "| .$format: extra time of -s | | $extra | $extra_min | $extra_cpu |"
    echo "| .$format: open/write/close loop | $written, $(calc 1 "$written_bytes / 1e6") | $loop | $loop_min | $loop_cpu |"
    echo "| .$format: extra / loop | | $(calc 2 "$extra / $(floor_ms "$loop")") | $(calc 2 "$extra_min / $(floor_ms "$loop_min")")" \
      "| $(calc 2 "$extra_cpu / $(floor_ms "$loop_cpu")") |"
  done
  deleted=$(find "$subnet_dirs" -type f | wc -l)
  echo "deleting the $deleted subnet files written" >&2
  rm -rf "$subnet_dirs"
  echo "$(date +%s) $deleted" >"$deletion_note"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

if [ "$failures" -gt 0 ]; then
  echo "run.sh: $failures subnet count(s) differ from the generator's" >&2
  exit 1
fi
