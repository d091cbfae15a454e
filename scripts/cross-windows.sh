#!/usr/bin/env bash
# Cross-builds the whole program and every test for 64-bit Windows with
# MinGW-w64 and the Windows Qt of scripts/windows-qt.sh (build-win64/), and runs
# the tests under Wine, headless, in a Wine prefix of their own
# (build-win64/wine); widget tests use Qt's offscreen platform. Ends with
# ctest's summary; exits non-zero on any failure.
#
# The serial tests of the Windows build get two kinds of lines, each a Windows
# COM port of the prefix, named to them in the environment:
#   TESRA_WIN_EMULATOR_COM   the controller emulator (native, build/tools/) on a pty;
#                            TESRA_WIN_EMULATOR_ARGS adds options to its command line
#   TESRA_WIN_NULLMODEM_A/B  the two ends of a null-modem cable (a socat pty pair)
# TESRA_WIN_COM_BASE (default 50) is the first of the three port numbers.
# Then the package (scripts/windows-package-run.sh): made with CPack, unzipped
# into a temporary folder and started under Wine on Xvfb until its window shows;
# and the setup program (scripts/windows-setup-check.sh): installed, used and
# uninstalled under Wine in a fresh prefix.
# Arguments go to ctest, e.g. `scripts/cross-windows.sh -R Win32Ports`; with
# any, the package run is left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-win64
native=$root/build
jobs=${TESRA_JOBS:-2}

# wine gives the `wine`, `wineboot` and `wineserver` commands; wine64 the 64-bit
# loader they run (no 32-bit part is needed); googletest the sources the cross
# build compiles GoogleTest from.
# fonts-wine: Wine's own fonts, which the widget tests on the windows platform measure with.
# nsis: makensis, which makes the setup program.
"$root/scripts/setup.sh" --with g++-mingw-w64-x86-64-posix qt6-base-dev-tools wine wine64 fonts-wine googletest socat \
  nsis

# One run at a time per tree: a second one would share the build, the Wine
# prefix and its server, and end that server under the first one's tests.
# Programs that outlive a step get the lock's descriptor closed (9>&-).
mkdir -p "$build"
exec 9>"$build/.cross-windows.lock"
if ! flock -n 9; then
  echo "== waiting for the other run of $0 in this tree"
  flock 9
fi

qt=$("$root/scripts/windows-qt.sh")

echo "== MinGW-w64 cross build (build-win64/, Qt from $qt)"
# Configured each time: the Qt folder may have moved since the last run.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DTESRA_WINDOWS_QT="$qt" >"$build/configure.log" || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j"$jobs"

echo "== the controller emulator, native (build/)"
[ -f "$native/CMakeCache.txt" ] || cmake -S "$root" -B "$native" -G Ninja
cmake --build "$native" -j"$jobs" --target controller-emulator

# ---- Wine, headless, in the build tree's own prefix ----
export WINEPREFIX=$build/wine
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no prompts to install Mono or Gecko
unset DISPLAY WAYLAND_DISPLAY               # no windows, with or without an X display

run=$(mktemp -d "${TMPDIR:-/tmp}/tesra-win.XXXXXX")
emulator_pid=
socat_pid=
desktop_pid=
mapped=()
cleanup() {
  local pid
  for pid in $emulator_pid $socat_pid $desktop_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  for n in "${mapped[@]}"; do unmap_com "$n"; done
  wineserver -k 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A wineserver that stays for the whole run: each test then starts in a fraction
# of a second, the mount manager runs once, and no test's output pipe is held
# open by a server it happened to start.
mkdir -p "$WINEPREFIX"
if ! wineserver -p >>"$run/wineserver.log" 2>&1 9>&-; then
  # A server of this prefix outlived an earlier run (or a ctest by hand): end it.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p >>"$run/wineserver.log" 2>&1 9>&-
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Wine prefix (build-win64/wine), created once"
  timeout 300 wineboot -i >"$run/wineboot.log" 2>&1 9>&- || { cat "$run/wineboot.log" >&2; exit 1; }
fi
# The first program of a server session starts Wine's services, the mount
# manager among them, and they keep its standard handles: /dev/null here, so
# that no test's output pipe stays open behind them. The port links come after.
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-

# The first window-owning program of a session starts Wine's desktop process
# (explorer), which keeps that program's output pipe and outlives it by many
# seconds: ctest would wait that long after every widget test. A bare Qt
# program started here, with no output, holds the desktop for the whole run.
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
WINEPATH="Z:${qt//\//\\}\\bin;Z:${gcc_dlls//\//\\};Z:\\usr\\x86_64-w64-mingw32\\lib" \
  wine "$build/bench/bare_window.exe" -platform offscreen </dev/null >/dev/null 2>&1 9>&- &
desktop_pid=$!

# ---- Serial lines for the serial tests, as Windows COM ports ----

# Maps Windows port COMn of the prefix to a unix device (a pty, or a link to one).
map_com() {
  local n=$1 device=$2
  if ! [[ $n =~ ^[1-9][0-9]*$ ]] || ((n > 256)); then
    echo "map_com: no COM port number: $n" >&2
    return 1
  fi
  if [ ! -c "$device" ]; then
    echo "map_com: $device is no character device" >&2
    return 1
  fi
  ln -sfn "$device" "$WINEPREFIX/dosdevices/com$n"
  mapped+=("$n")
}

unmap_com() { rm -f "$WINEPREFIX/dosdevices/com$1"; }

# Wine's mount manager, each time it starts, links COM1, COM2, ... to the serial
# devices it finds (/dev/ttyS0.., then /dev/ttyUSB0.., /dev/ttyACM0.., each up to
# the first missing number), over whatever link was there; higher numbers it
# leaves alone. A PC often has /dev/ttyS0..31 and a USB adapter or two, so the
# ports here start at 50, or above whatever more this machine has.
wine_claimed_ports() {
  local count=0 kind i
  for kind in ttyS ttyUSB ttyACM; do
    i=0
    while [ -e "/dev/$kind$i" ]; do
      count=$((count + 1))
      i=$((i + 1))
    done
  done
  echo "$count"
}

# Waits (10 s at most) for a path to appear while process $2 lives.
await_path() {
  local path=$1 pid=$2 what=$3 tries=100
  until [ -e "$path" ]; do
    if ! kill -0 "$pid" 2>/dev/null || ((--tries == 0)); then
      echo "$what did not come up:" >&2
      cat "$run"/*.log >&2 2>/dev/null || true
      return 1
    fi
    sleep 0.1
  done
}

claimed=$(wine_claimed_ports)
base=${TESRA_WIN_COM_BASE:-50}
((base > claimed)) || base=$((claimed + 1))
if ((base + 2 > 256)); then
  echo "no free COM numbers: Wine claims $claimed ports" >&2
  exit 1
fi
export TESRA_WIN_EMULATOR_COM=$base
export TESRA_WIN_NULLMODEM_A=$((base + 1))
export TESRA_WIN_NULLMODEM_B=$((base + 2))

# (a) The controller emulator on a pty of its own, with the link it makes.
mkdir "$run/emulator"
# shellcheck disable=SC2086  # the extra options are words
"$native/tools/controller-emulator" --link-dir "$run/emulator" --port "$TESRA_WIN_EMULATOR_COM" \
  ${TESRA_WIN_EMULATOR_ARGS:-} </dev/null >"$run/emulator.out" 2>"$run/emulator.log" 9>&- &
emulator_pid=$!
await_path "$run/emulator/COM$TESRA_WIN_EMULATOR_COM" "$emulator_pid" "the controller emulator"
map_com "$TESRA_WIN_EMULATOR_COM" "$run/emulator/COM$TESRA_WIN_EMULATOR_COM"

# (b) A null-modem cable: two ptys whose bytes socat carries across.
socat pty,rawer,link="$run/nullmodem-a" pty,rawer,link="$run/nullmodem-b" </dev/null 2>"$run/socat.log" 9>&- &
socat_pid=$!
await_path "$run/nullmodem-a" "$socat_pid" "socat"
await_path "$run/nullmodem-b" "$socat_pid" "socat"
map_com "$TESRA_WIN_NULLMODEM_A" "$run/nullmodem-a"
map_com "$TESRA_WIN_NULLMODEM_B" "$run/nullmodem-b"

echo "== ports: COM$TESRA_WIN_EMULATOR_COM controller emulator" \
  "($(readlink -f "$run/emulator/COM$TESRA_WIN_EMULATOR_COM")), null modem" \
  "COM$TESRA_WIN_NULLMODEM_A <-> COM$TESRA_WIN_NULLMODEM_B (Wine claims COM1..COM$claimed)"

echo "== tests under Wine (build-win64/)"
status=0
(cd "$build" && ctest --output-on-failure -j1 --timeout 120 "$@" 9>&-) || status=$?
if (($# == 0)); then
  # The package is checked where a user would run it: unzipped elsewhere, with a display.
  echo "== the Windows package under Wine"
  "$root/scripts/windows-package-run.sh" 9>&- || status=1
  echo "== the setup program under Wine"
  "$root/scripts/windows-setup-check.sh" 9>&- || status=1
fi
exit "$status"
