#!/usr/bin/env bash
# The program reaches glibc's allocator and the kernel's huge pages only
# through base/platform_tuning.h, the one file that asks which system it is
# built for. A call elsewhere still builds here, glibc being present, and
# breaks only the builds for macOS and the BSDs, which are not made here.
# Benchmark tools and tests run on Linux alone and are not looked at.
# Usage: platform_calls.sh SOURCE_DIR
set -euo pipefail
cd "$1"
header=base/platform_tuning.h
pattern='malloc\.h|mallopt|malloc_trim|madvise|MADV_|__GLIBC__|__linux__|__APPLE__|__FreeBSD__|_WIN32|VANTIRA_NO_PLATFORM_TUNING'
[ -f "$header" ] || { echo "FAIL: $header is not there"; exit 1; }
sources=$(find . \( -path ./tests -o -path ./bench -o -path './build*' -o -path './.*' \) -prune \
            -o \( -name '*.h' -o -name '*.cpp' \) -print | grep -vx "\./$header" | sort)
[ -n "$sources" ] || { echo "FAIL: no sources found"; exit 1; }
found=$(echo "$sources" | tr '\n' '\0' | xargs -0 grep -nE "$pattern" || true)
if [ -n "$found" ]; then
  echo "FAIL: platform-specific code outside $header:"
  echo "$found"
  exit 1
fi
echo "ok: platform-specific code only in $header"
