#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine:
#   wine-run.sh DEFAULT_PREFIX DLL_DIRS PROGRAM.exe [ARGS...]
# DLL_DIRS: unix folders, ':'-separated, where Wine looks for the DLLs the
# program loads (Qt's, MinGW's run time), before any WINEPATH of the caller.
# The build tree's toolchain file makes this the emulator of every test.
# WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES from the environment win over the
# defaults, so scripts/cross-windows.sh and a hand-run ctest use the same prefix.
set -o pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 DEFAULT_PREFIX DLL_DIRS PROGRAM.exe [ARGS...]" >&2
  exit 2
fi
export WINEPREFIX=${WINEPREFIX:-$1}
dll_path=
IFS=: read -ra dirs <<<"$2"
for d in "${dirs[@]}"; do
  [ -n "$d" ] && dll_path+="Z:${d//\//\\};"
done
export WINEPATH=$dll_path${WINEPATH:-}
shift 2
export WINEDEBUG=${WINEDEBUG:--all}
# No prompts to install Mono or Gecko: the programs need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=${TESRA_WINE:-wine}
command -v "$wine" >/dev/null || wine=/usr/lib/wine/wine64
# The MinGW runtime writes "\r\n" to text-mode stdout/stderr; the test list
# parser of gtest_discover_tests and the logs want "\n".
"$wine" "$@" 2> >(sed -u 's/\r$//' >&2) | sed -u 's/\r$//'
