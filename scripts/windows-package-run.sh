#!/usr/bin/env bash
# Makes the Windows package (build-win64/, CPack ZIP), unzips it into a fresh
# temporary folder and starts tesraconfig.exe from there under Wine on a
# virtual X display (Xvfb): passes when the main window, captioned
# "Конфигурация" and nothing more, is mapped within the time limit.
#
#   scripts/windows-package-run.sh                    the check
#   scripts/windows-package-run.sh --screenshot F.png also a picture of the window in
#                                                     a Wine desktop (Wine draws the frame)
#   scripts/windows-package-run.sh --bench [N]        start-up times (median of N, default 5)
#                                                     beside a bare Qt window built the same
#                                                     way, and the package's size
# Needs a configured and built build-win64/ (scripts/cross-windows.sh makes it).
# Wine runs in a prefix of its own, build-win64/wine-display, with a display:
# the test prefix (build-win64/wine) is headless.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/xvfb-display.sh
. "$root/scripts/xvfb-display.sh"
build=$root/build-win64
mode=check
case "${1:-}" in
  "") ;;
  --screenshot) mode=screenshot; shot=$(realpath -m "${2:?--screenshot needs a file name}") ;;
  --bench) mode=bench; runs=${2:-5} ;;
  *) echo "usage: $0 [--screenshot FILE.png | --bench [N]]" >&2; exit 2 ;;
esac
limit=${TESRA_WINDOW_TIMEOUT:-60}
caption='Конфигурация'

# xvfb: the display; xdotool: waits for a window to be mapped; x11-apps and
# netpbm: the screenshot (xwd, then xwdtopnm and pnmtopng).
"$root/scripts/setup.sh" --with wine wine64 xvfb xdotool x11-apps netpbm

[ -f "$build/CMakeCache.txt" ] || { echo "no build-win64/: run scripts/cross-windows.sh first" >&2; exit 1; }
# The program, and the benchmark's yardstick: a bare Qt window built the same way.
cmake --build "$build" -j"${TESRA_JOBS:-2}" --target bare_window tesraconfig >/dev/null
(cd "$build" && cpack -G ZIP >/dev/null)
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip=$build/$name.zip
[ -f "$zip" ] || { echo "cpack made no $zip" >&2; exit 1; }

run=$(mktemp -d "${TMPDIR:-/tmp}/tesra-winpkg.XXXXXX")
xvfb_pid=
app_pid=
export WINEPREFIX=$build/wine-display
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Any folder will do: unzipped where nothing else is, with nothing on WINEPATH.
(cd "$run" && cmake -E tar xf "$zip")
folder=$run/$name
unset WINEPATH

# A display of its own.
start_display "$run"

mkdir -p "$WINEPREFIX"
wineserver -p 2>/dev/null
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Wine prefix (build-win64/wine-display), created once"
  timeout 300 wineboot -i >"$run/wineboot.log" 2>&1 || { cat "$run/wineboot.log" >&2; exit 1; }
fi
# Wine's services start with the first program; they are not part of any start-up time.
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts a program and waits until a window whose name matches $2 is mapped;
# prints the milliseconds taken. The program stays running (app_pid).
start_until_mapped() {
  local exe=$1 pattern=$2 t0 t1
  t0=$(now_ms)
  wine "$exe" </dev/null >>"$run/app.log" 2>&1 &
  app_pid=$!
  # Polled every 10 ms: xdotool's own --sync looks only twice a second.
  until xdotool search --onlyvisible --name "$pattern" >"$run/window" 2>/dev/null; do
    if (($(now_ms) - t0 > limit * 1000)) || ! kill -0 "$app_pid" 2>/dev/null; then
      echo "no window matching '$pattern' was mapped within $limit s; Wine said:" >&2
      cat "$run/app.log" >&2
      return 1
    fi
    sleep 0.01
  done
  t1=$(now_ms)
  echo $((t1 - t0))
}

stop_app() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  # A killed program's windows go with it; wait until none is left mapped.
  local tries=50
  while ((tries-- > 0)) && xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do sleep 0.1; done
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2)}'; }

case "$mode" in
  check)
    ms=$(start_until_mapped "$folder/tesraconfig.exe" "^$caption\$")
    stop_app "^$caption\$"
    echo "windows-package-run: $name.zip unzipped into $folder runs under Wine:" \
      "the window \"$caption\" was mapped after $ms ms"
    ;;
  screenshot)
    # In a Wine desktop Wine draws the Windows frame and caption itself.
    t0=$(now_ms)
    wine explorer /desktop=TesraConfig,1200x860 "$folder/tesraconfig.exe" </dev/null >>"$run/app.log" 2>&1 &
    app_pid=$!
    timeout "$limit" xdotool search --sync --onlyvisible --name 'Wine desktop' >"$run/window"
    # The desktop is mapped before the program's window is drawn in it.
    sleep "${TESRA_SCREENSHOT_DELAY:-6}"
    xwd -silent -id "$(head -1 "$run/window")" | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
    echo "windows-package-run: $(($(now_ms) - t0)) ms; screenshot in $shot"
    ;;
  bench)
    bare=$build/bench/bare_window.exe
    # The yardstick runs with the same DLLs beside it as the program has.
    cp "$bare" "$folder/"
    : >"$run/program.ms"
    : >"$run/bare.ms"
    for ((i = 0; i < runs; i++)); do
      start_until_mapped "$folder/tesraconfig.exe" "^$caption\$" >>"$run/program.ms"
      stop_app "^$caption\$"
      start_until_mapped "$folder/bare_window.exe" '^BareWindow$' >>"$run/bare.ms"
      stop_app '^BareWindow$'
    done
    program=$(median <"$run/program.ms")
    bare_ms=$(median <"$run/bare.ms")
    size=$(stat -c %s "$zip")
    unpacked=$(du -sb --exclude=bare_window.exe "$folder" | cut -f1)
    echo "Start-up under Wine until the window is mapped (median of $runs, Xvfb, warm wineserver):"
    echo "  tesraconfig.exe   $program ms   (runs: $(paste -sd' ' "$run/program.ms"))"
    echo "  bare Qt window    $bare_ms ms   (runs: $(paste -sd' ' "$run/bare.ms"))"
    awk -v a="$program" -v b="$bare_ms" 'BEGIN {printf "  ratio             %.2f\n", a / b}'
    echo "Package $name.zip: $size bytes ($((size / 1024)) KiB) zipped, $unpacked bytes unpacked"
    ;;
esac
