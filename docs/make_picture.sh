#!/usr/bin/env bash
# Draws the pictures docs/manual.md shows, with the pipelines it gives:
#   docs/subnets.png                      the graph of subnets of examples/pipeline.net
#     vantira -q -g net.net | vantira-dot | dot -Tpng -o subnets.png
#   docs/pipeline-net.svg, .png           the net of examples/pipeline.net
#   docs/workshop-net.svg, .png           the net of docs/workshop.net
#     vantira -j net.net | vantira-dot --net | dot -Tsvg -o net.svg
#   docs/workshop-subnets.png             the graph of subnets of docs/workshop.net
#   docs/large-top.svg, .png              a generated net of 407 subnets (vantira-gen mix 600):
#     vantira -j net.net | vantira-dot --top 30 --tooltips | dot -Tsvg -o top.svg
#   docs/large-z12.svg, .png              its subnet Z12 and the subnets next to it:
#     vantira -j net.net | vantira-dot --subnet 12 --tooltips | dot -Tsvg -o z12.svg
# For the two pictures of the large net it prints their numbers of nodes and
# the time dot takes to lay each out.
# Usage: docs/make_picture.sh [BUILD_DIR]   (default: build; built if needed)
# Needs Graphviz's dot and gvpr (Debian: apt-get install -y graphviz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
command -v dot >/dev/null || { echo "*** dot not found: install Graphviz (apt-get install -y graphviz)"; exit 2; }
if [ ! -x "$build/vantira" ] || [ ! -x "$build/vantira-dot/vantira-dot" ] || [ ! -x "$build/vantira-gen" ]; then
  cmake -S "$root" -B "$build" && cmake --build "$build" -j2 --target vantira vantira-dot vantira-gen
fi
vantira=$build/vantira
vantira_dot=$build/vantira-dot/vantira-dot
docs=$root/docs

"$vantira" -q -g "$root/examples/pipeline.net" | "$vantira_dot" | dot -Tpng -o "$docs/subnets.png"
"$vantira" -q -g "$docs/workshop.net" | "$vantira_dot" | dot -Tpng -o "$docs/workshop-subnets.png"
for net in "$root/examples/pipeline.net" "$docs/workshop.net"; do
  name=$(basename "$net" .net)
  "$vantira" -j "$net" | "$vantira_dot" --net >"$docs/$name-net.dot.tmp"
  dot -Tsvg "$docs/$name-net.dot.tmp" -o "$docs/$name-net.svg"
  dot -Tpng "$docs/$name-net.dot.tmp" -o "$docs/$name-net.png"
  rm "$docs/$name-net.dot.tmp"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/vantira-gen" --format net mix 600 "$scratch/large" >/dev/null
"$vantira" -j "$scratch/large.net" >"$scratch/large.json"
for picture in "top:--top 30" "z12:--subnet 12"; do
  name=large-${picture%%:*}
  # shellcheck disable=SC2086 # the options are words
  "$vantira_dot" ${picture#*:} --tooltips "$scratch/large.json" >"$scratch/$name.dot"
  start=$(date +%s.%N)
  dot -Tsvg "$scratch/$name.dot" -o "$docs/$name.svg"
  end=$(date +%s.%N)
  dot -Tpng "$scratch/$name.dot" -o "$docs/$name.png"
  nodes=$(gvpr 'BEG_G { printf("%d", nNodes($G)); }' "$scratch/$name.dot")
  echo "$name: vantira-dot ${picture#*:}: $nodes nodes, dot -Tsvg $(awk "BEGIN { printf \"%.2f\", $end - $start }") s"
done
echo "wrote $docs/subnets.png, pipeline-net.svg, pipeline-net.png, workshop-net.svg, workshop-net.png," \
  "workshop-subnets.png, large-top.svg, large-top.png, large-z12.svg, large-z12.png"
