#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program and starts it.
# Arguments are passed on: ./run.sh -debug starts debug mode.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
exec "$root/build/app/tesraconfig" "$@"
