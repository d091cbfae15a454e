#!/usr/bin/env bash
# Compiles the widget sources (everything beyond the Qt-free cores) for Windows
# with MinGW-w64 against Debian's Qt 6 headers, syntax only: there is no Qt
# for Windows here to link with, but the Windows branches of the shell (the
# command line, the report's Notepad, the port availability test) and every
# header they pull in must at least compile. Exits non-zero on any error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --with g++-mingw-w64-x86-64-posix
cxx=x86_64-w64-mingw32-g++-posix
qt=$(pkg-config --variable=includedir Qt6Core)
# Qt's Linux headers declare their exports for a shared Linux build; MinGW warns
# about the dllimport attributes of a few operators. Those warnings are Qt's.
flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Wno-attributes -I"$root"
       -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets")
mapfile -t sources < <(cd "$root" && ls app/*.cpp config/*.cpp link/*.cpp project/*.cpp report/*.cpp diag/*.cpp)
echo "== Windows compile check of ${#sources[@]} sources against the Qt 6 headers"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! (cd "$root" && printf '%s\n' "${sources[@]}" |
      xargs -P "${TESRA_JOBS:-2}" -I{} "$cxx" "${flags[@]}" {} >"$log" 2>&1); then
  cat "$log"
  echo "windows-widgets-check: failed"
  exit 1
fi
if [ -s "$log" ]; then cat "$log"; fi
echo "windows-widgets-check: ${#sources[@]} sources compile for Windows"
