#!/usr/bin/env bash
# Fills OUT_DIR with seed inputs: the end-to-end cases' and groups' inputs,
# the saved regressions and the shared corpus of real nets (when it is there).
# Usage: make_seeds.sh OUT_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$1
corpus=${VANTIRA_CORPUS:-$here/../../../shared/corpus}
mkdir -p "$out"
i=0
for f in "$here"/../e2e/cases/*/in/* "$here"/../e2e/cases/*/stdin "$here"/../e2e/groups/*.n?? "$here"/regressions/* \
         "$corpus"/*/*.net "$corpus"/*/*.ndr "$corpus"/*/*.pnml; do
  [ -f "$f" ] || continue
  i=$((i + 1))
  cp "$f" "$out/seed-$i-$(basename "$f")"
done
echo "$i seeds in $out"
