#!/usr/bin/env bash
# Holds the PNML reader against the .net reader on real models: every .net
# file of the corpus folder pnml-converted/ (models of the Model Checking
# Contest, converted from PNML) is written back as PNML by bench/net2pnml.py,
# and both files must give the same number of subnets and the same
# transitions in each subnet (names compared without the braces a .net name
# may need). The PNML file's subnet files must each read back as one subnet
# with the transitions of theirs. Prints a Markdown table; fails on any
# difference.
# Usage: bench/pnml_corpus.sh [VANTIRA] [CORPUS_DIR]
#        (defaults: build/vantira, ../shared/corpus/pnml-converted)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
vantira=$(realpath "${1:-$root/build/vantira}")
corpus=$(realpath "${2:-$root/../shared/corpus/pnml-converted}")
work=$root/bench/.cache/pnml-converted
mkdir -p "$work"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The transitions of each subnet, one line per subnet, sorted by name, braces
# dropped (a subnet's listing gives them in the order it grew).
subnet_lines() {
  "$vantira" -v "$1" | sed -n 's/^T: //p' | sed 's/[{}]//g' |
    while read -r -a names; do printf '%s\n' "${names[*]}" | tr ' ' '\n' | sort | tr '\n' ' '; echo; done
}
# The transitions of a subnet file, sorted, when it holds exactly one subnet.
one_subnet() {
  "$vantira" -q "$1" | awk '/^T:$/ && !done { getline; print; done = 1 }' | tr ' ' '\n' | grep . |
    awk -F'*' '$2 != 1 { bad = 1 } { print $1 } END { exit bad }' | sort | tr '\n' ' '
}

failed=0
echo "| model | .net bytes | PNML bytes | transitions | subnets (.net) | subnets (PNML) | same transitions per subnet | subnet files read back |"
echo "|---|---:|---:|---:|---:|---:|---|---|"
for net in "$corpus"/*.net; do
  model=$(basename "$net" .net)
  pnml=$work/$model.pnml
  [ "$pnml" -nt "$net" ] && [ "$pnml" -nt "$root/bench/net2pnml.py" ] || python3 "$root/bench/net2pnml.py" "$net" "$pnml"
  subnet_lines "$net" >"$scratch/net"
  subnet_lines "$pnml" >"$scratch/pnml"
  count_net=$(wc -l <"$scratch/net")
  count_pnml=$(wc -l <"$scratch/pnml")
  same=yes
  cmp -s "$scratch/net" "$scratch/pnml" || { same=NO; failed=1; }
  [ "$count_net" = "$count_pnml" ] || failed=1
  # Subnet files: each one subnet, holding the transitions of its subnet.
  rm -rf "$scratch/files" && mkdir "$scratch/files"
  "$vantira" -q -s -z "$scratch/files/m" "$pnml" >/dev/null
  back=yes
  k=0
  while IFS= read -r want; do
    k=$((k + 1))
    got=$(one_subnet "$scratch/files/m-z$k.pnml") && [ "$got" = "$want" ] || { back="NO (file $k)"; failed=1; break; }
  done <"$scratch/pnml"
  transitions=$(tr ' ' '\n' <"$scratch/pnml" | grep -c .)
  echo "| $model | $(stat -c %s "$net") | $(stat -c %s "$pnml") | $transitions | $count_net | $count_pnml | $same | $back |"
done
[ "$failed" -eq 0 ] || { echo "pnml_corpus.sh: the two readings differ" >&2; exit 1; }
