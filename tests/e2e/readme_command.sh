#!/usr/bin/env bash
# Prints one of the README's shell commands: the first line of the ```sh block
# that follows the marker "<!-- command: NAME -->". CI and the fresh-machine
# check run the commands from here, so they cannot drift from what a user copies.
# Usage: readme_command.sh README NAME
set -euo pipefail
awk -v marker="<!-- command: $2 -->" '
  $0 == marker { found = 1; next }
  found && /^```sh$/ { inside = 1; next }
  inside { print; exit }
' "$1" | grep . || { echo "no command \"$2\" in $1" >&2; exit 1; }
