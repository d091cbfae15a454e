#!/usr/bin/env bash
# Configures (once) and builds one build tree. Usage: build.sh DIR [cmake -D options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "$@"
fi
cmake --build "$dir" -j"${TESRA_JOBS:-2}"
