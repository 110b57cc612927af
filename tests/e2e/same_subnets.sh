#!/usr/bin/env bash
# Checks that the files of each group, read with -e, decompose into the same
# subnets: the same sets of transitions, each with the same input, internal
# and output places by name (numbering may differ, so may the format).
#
# LIST holds one group a line, file names relative to ROOT, optionally
# followed by "= N" for the number of subnets they must give; "#" starts a
# comment line. For the shared corpus of real nets:
#   same_subnets.sh build/vantira CORPUS tests/e2e/groups/corpus.list
# Usage: same_subnets.sh VANTIRA ROOT LIST
set -u
vantira=$(realpath "$1")
root=$2
list=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0

# The subnets of a digest report, one line each, sorted: "T: names | X: ... |
# Q: ... | Y: ...", each list sorted. An indicator entry is "name*k ".
subnets() {
  awk '/^INDICATORS OF FUNCTIONAL SUBNETS/ { on = 1; next }
       /^(GRAPH OF|DECOMPOSITION)/ { on = 0 }
       on && /^[TXQY]:$/ { role = index("TXQY", substr($0, 1, 1)); next }
       on && role {
         for (line = $0; match(line, /\*[0-9]+ /); line = substr(line, RSTART + RLENGTH))
           print substr(line, RSTART + 1, RLENGTH - 2) + 0, role, substr(line, 1, RSTART - 1)
         role = 0
       }' "$1" | LC_ALL=C sort -k1,1n -k2,2n -k3 |
    awk '{ k = $1; role = $2; sub(/^[0-9]+ [0-9] /, ""); names[k, role] = names[k, role] " " $0; if (k > n) n = k }
         END { for (k = 1; k <= n; ++k) print "T:" names[k, 1] " | X:" names[k, 2] " | Q:" names[k, 3] " | Y:" names[k, 4] }' |
    LC_ALL=C sort
}

while read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  files=${line%%=*}
  want=
  [[ "$line" == *=* ]] && want=$(echo "${line#*=}" | tr -d ' ')
  problems=()
  first=
  for f in $files; do
    out="$scratch/$(basename "$f").subnets"
    if ! "$vantira" -e -q "$root/$f" >"$scratch/report" 2>"$scratch/err"; then
      problems+=("$f: $(head -c 200 "$scratch/report")")
      continue
    fi
    [ -s "$scratch/err" ] && problems+=("$f: standard error: $(head -c 200 "$scratch/err")")
    subnets "$scratch/report" >"$out"
    if [ -n "$want" ] && [ "$(wc -l <"$out")" != "$want" ]; then
      problems+=("$f: $(wc -l <"$out") subnets, expected $want")
    fi
    if [ -z "$first" ]; then
      first=$f
    elif ! cmp -s "$scratch/$(basename "$first").subnets" "$out"; then
      problems+=("$f and $first differ: $(diff "$scratch/$(basename "$first").subnets" "$out" | head -5 | tr '\n' ';')")
    fi
  done
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $files"
    printf '  %s\n' "${problems[@]}"
  fi
done <"$list"

echo "$passed groups passed, $failed failed"
[ "$failed" -eq 0 ]
