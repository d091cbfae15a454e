#!/usr/bin/env bash
# Makes Qt 6.4.2 for 64-bit Windows (MinGW-w64, shared DLLs, Release: Core, Gui,
# Widgets, Test, the windows/offscreen/minimal platform plugins, the Windows
# styles) and prints the folder it is in. Debian has no Qt for MinGW, so it is
# cross-built from Debian's own qt6-base source, the very 6.4.2 whose host tools
# (moc, rcc, uic from qt6-base-dev-tools) the cross build needs.
#
#   scripts/windows-qt.sh            prints the Qt folder, making it first if needed
#   scripts/windows-qt.sh --source   ignores the cached tarball and builds from source
#
# The Qt is kept in a cache outside the build trees, TESRA_WINDOWS_QT_CACHE
# (default ~/.cache/tesraconfig), as <cache>/qt6-mingw. It comes from, in turn:
#   1. that folder, when an earlier run completed it;
#   2. the tarball TESRA_WINDOWS_QT_TARBALL (default ../shared/toolchains/
#      qt6.4.2-mingw-w64.tar.xz beside the repository) when its sha256 is the one below;
#   3. Debian's source package, built here (about 25 minutes on 2 cores).
# Progress goes to stderr; stdout holds the folder only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TESRA_JOBS:-2}
cache=${TESRA_WINDOWS_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tesraconfig}
tarball=${TESRA_WINDOWS_QT_TARBALL:-$root/../shared/toolchains/qt6.4.2-mingw-w64.tar.xz}
tarball_sha256=abbfa27275fa1b158e00c4eda5a320ac7cbce93f1537c1669828d4bc1f97a2af
qt=$cache/qt6-mingw
# Written last, so a half-made folder is never taken for a whole one.
stamp=$qt/.tesra-qt-6.4.2-complete

from_source=0
[ "${1:-}" = "--source" ] && from_source=1

say() { echo "== $*" >&2; }

if ((from_source == 0)) && [ -f "$stamp" ]; then
  echo "$qt"
  exit 0
fi

# The cross compilers and the host tools of the same Qt, whichever way it is made.
"$root/scripts/setup.sh" --with g++-mingw-w64-x86-64-posix qt6-base-dev-tools xz-utils >&2

mkdir -p "$cache"
exec 8>"$cache/.windows-qt.lock"
flock 8  # two trees making it at once would unpack into each other
if ((from_source == 0)) && [ -f "$stamp" ]; then
  echo "$qt"
  exit 0
fi
rm -rf "$qt" "$cache/qt6-mingw.partial"

if ((from_source == 0)) && [ -f "$tarball" ]; then
  if echo "$tarball_sha256  $tarball" | sha256sum --check --status; then
    say "Windows Qt from the cached tarball $tarball"
    mkdir "$cache/qt6-mingw.partial"
    tar -xJf "$tarball" -C "$cache/qt6-mingw.partial"
    mv "$cache/qt6-mingw.partial/qt6-mingw" "$qt"
    rmdir "$cache/qt6-mingw.partial"
    touch "$stamp"
    echo "$qt"
    exit 0
  fi
  say "$tarball does not have the expected sha256; building the Windows Qt from source"
elif ((from_source == 0)); then
  say "no cached tarball at $tarball; building the Windows Qt from source"
fi

# ---- From Debian's source package (6.4.2+dfsg) ----
# Debian's source entries: the machine's own archive and suites, as deb-src.
src_list=/etc/apt/sources.list.d/debian-src.sources
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src_list"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/debian-src.list
  fi
  apt-get update >&2
fi
"$root/scripts/setup.sh" --with qt6-base-dev dpkg-dev >&2

work=$cache/qt-source
mkdir -p "$work"
cd "$work"
if [ ! -d qtbase-everywhere-src-6.4.2 ]; then
  say "Debian's qt6-base source (46 MB)"
  apt-get source --download-only qt6-base >&2
  tar -xf qt6-base_6.4.2+dfsg.orig.tar.xz
fi

cat >mingw.cmake <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# tabletevent: Debian's source leaves out the third-party wintab.h.
# dynamicgl with opengl: else the windows plugin refers to OpenGL classes not built.
# QT_HOST_PATH: moc, rcc and uic of the very same version, from qt6-base-dev-tools.
say "configuring the Windows Qt ($work/build)"
cmake -S qtbase-everywhere-src-6.4.2 -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$qt" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
  -DFEATURE_dynamicgl=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_testlib=ON -DFEATURE_system_zlib=OFF -DFEATURE_icu=OFF -DFEATURE_tabletevent=OFF >&2
if [ -n "${TESRA_WINDOWS_QT_CONFIGURE_ONLY:-}" ]; then
  say "configured only (TESRA_WINDOWS_QT_CONFIGURE_ONLY); nothing built"
  exit 0
fi
say "building the Windows Qt (about 25 minutes on 2 cores)"
cmake --build build --parallel "$jobs" >&2
cmake --install build >&2
touch "$stamp"
cd "$cache"
rm -rf "$work"
echo "$qt"
