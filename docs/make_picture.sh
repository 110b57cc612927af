#!/usr/bin/env bash
# Draws docs/subnets.png, the graph of subnets of examples/pipeline.net that
# the README shows, with the pipeline the README gives:
#   vantira -q -g net.net | vantira-dot | dot -Tpng -o subnets.png
# Usage: docs/make_picture.sh [BUILD_DIR]   (default: build; built if needed)
# Needs Graphviz's dot (Debian: apt-get install -y graphviz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
command -v dot >/dev/null || { echo "*** dot not found: install Graphviz (apt-get install -y graphviz)"; exit 2; }
if [ ! -x "$build/vantira" ] || [ ! -x "$build/vantira-dot/vantira-dot" ]; then
  cmake -S "$root" -B "$build" && cmake --build "$build" -j2 --target vantira vantira-dot
fi
"$build/vantira" -q -g "$root/examples/pipeline.net" | "$build/vantira-dot/vantira-dot" | dot -Tpng -o "$root/docs/subnets.png"
echo "wrote $root/docs/subnets.png"
