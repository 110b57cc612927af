#!/usr/bin/env bash
# Draws the pictures docs/manual.md shows, with the pipelines it gives:
#   docs/subnets.png                      the graph of subnets of examples/pipeline.net
#     vantira -q -g net.net | vantira-dot | dot -Tpng -o subnets.png
#   docs/pipeline-net.svg, .png           the net of examples/pipeline.net
#   docs/workshop-net.svg, .png           the net of docs/workshop.net
#     vantira -j net.net | vantira-dot --net | dot -Tsvg -o net.svg
#   docs/workshop-subnets.png             the graph of subnets of docs/workshop.net
# Usage: docs/make_picture.sh [BUILD_DIR]   (default: build; built if needed)
# Needs Graphviz's dot (Debian: apt-get install -y graphviz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
command -v dot >/dev/null || { echo "*** dot not found: install Graphviz (apt-get install -y graphviz)"; exit 2; }
if [ ! -x "$build/vantira" ] || [ ! -x "$build/vantira-dot/vantira-dot" ]; then
  cmake -S "$root" -B "$build" && cmake --build "$build" -j2 --target vantira vantira-dot
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
echo "wrote $docs/subnets.png, pipeline-net.svg, pipeline-net.png, workshop-net.svg, workshop-net.png, workshop-subnets.png"
