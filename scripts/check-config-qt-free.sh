#!/bin/sh
# config/ is the image model and builds without Qt: each of its sources and headers
# compiles with the standard library alone (no Qt include path is given).
# Usage: scripts/check-config-qt-free.sh [CXX [ROOT]]   (CXX defaults to $CXX, then c++)
cxx=${1:-${CXX:-c++}}
cd "${2:-$(dirname "$0")/..}" || exit 2
[ -d config ] || { echo "check-config-qt-free: $(pwd) has no config/" >&2; exit 2; }
status=0
qt=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' config)
[ -n "$qt" ] && { echo "config/ includes Qt:"; echo "$qt"; status=1; }
for f in config/*.cpp config/*.h; do
  [ -e "$f" ] || continue
  if ! printf '#include "%s"\n' "$f" | "$cxx" -std=c++20 -fsyntax-only -I. -x c++ - 2>"${TMPDIR:-/tmp}/check-config-qt-free.$$"; then
    echo "$f does not compile without Qt:"; head -n 5 "${TMPDIR:-/tmp}/check-config-qt-free.$$"; status=1
  fi
done
rm -f "${TMPDIR:-/tmp}/check-config-qt-free.$$"
[ $status -eq 0 ] && echo "check-config-qt-free: config/ compiles without Qt ($cxx)"
exit $status
