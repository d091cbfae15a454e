#!/usr/bin/env bash
# Start-up of the program until its main window is mapped, beside a bare Qt
# window (bench/bare_window), on a display of its own (Xvfb): the median of
# RUNS runs of each after one warm-up run, and the ratio.
# Usage: bench/startup.sh [RUNS] (default 9). Needs build/ with the targets
# tesraconfig and bare_window (BUILD=dir for another build tree).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
runs=${1:-9}
program=$build/app/tesraconfig
bare=$build/bench/bare_window
# xvfb: the display; xdotool: sees the window mapped.
"$root/scripts/setup.sh" --with xvfb xdotool >&2
for exe in "$program" "$bare"; do
  [ -x "$exe" ] || { echo "startup: $exe is not built (cmake --build $build --target tesraconfig bare_window)" >&2; exit 2; }
done
if [ -z "${TESRA_STARTUP_ON_XVFB:-}" ]; then
  exec env TESRA_STARTUP_ON_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts a program, waits until a window named $2 is mapped, prints the
# milliseconds and, after a space, the milliseconds it ran on a CPU until then
# (the figure a busy machine disturbs least), and ends the program.
mapped_after() {
  local exe=$1 pattern=$2 t0 pid
  t0=$(now_ms)
  "$exe" </dev/null >>"$run/app.log" 2>&1 &
  pid=$!
  # Polled every 5 ms: xdotool's own --sync looks only twice a second.
  until xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1; do
    if (($(now_ms) - t0 > 20000)) || ! kill -0 "$pid" 2>/dev/null; then
      echo "startup: no window '$pattern' from $exe; it said:" >&2
      cat "$run/app.log" >&2
      exit 1
    fi
    sleep 0.005
  done
  local wall=$(($(now_ms) - t0)) cpu_ns
  read -r cpu_ns _ <"/proc/$pid/schedstat"
  echo "$wall $((cpu_ns / 1000000))"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2)}'; }

mapped_after "$program" '^Конфигурация$' >/dev/null
mapped_after "$bare" '^BareWindow$' >/dev/null
for ((i = 0; i < runs; i++)); do
  mapped_after "$program" '^Конфигурация$' >>"$run/program.ms"
  mapped_after "$bare" '^BareWindow$' >>"$run/bare.ms"
done
p=$(cut -d' ' -f1 "$run/program.ms" | median)
b=$(cut -d' ' -f1 "$run/bare.ms" | median)
pc=$(cut -d' ' -f2 "$run/program.ms" | median)
bc=$(cut -d' ' -f2 "$run/bare.ms" | median)
echo "Start-up until the window is mapped (median of $runs, Xvfb, xcb; load average $(cut -d' ' -f1 /proc/loadavg)):"
echo "                   wall      CPU"
printf "  tesraconfig      %4d ms   %4d ms\n" "$p" "$pc"
printf "  bare Qt window   %4d ms   %4d ms\n" "$b" "$bc"
awk -v a="$p" -v b="$b" -v c="$pc" -v d="$bc" 'BEGIN {printf "  ratio            %6.2f    %6.2f   (target: at most 1.7)\n", a / b, c / d}'
echo "  runs (wall CPU): program $(paste -sd',' "$run/program.ms"); bare $(paste -sd',' "$run/bare.ms")"
