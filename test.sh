#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs the whole suite.
# Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/tesra-xdg.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
cd "$root/build"
ctest --output-on-failure -j2 --timeout 300 -LE slow
