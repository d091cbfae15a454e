#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
# New inputs found go to a scratch folder, not into the committed seeds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-60}
"$root/scripts/setup.sh" --with clang libclang-rt-14-dev
CC=clang CXX=clang++ "$root/scripts/build.sh" "$root/build-fuzz" -DTESRA_FUZZ=ON
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/tesra-xdg.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
# Qt's own libraries are not instrumented; their allocations at exit are not ours.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
scratch=$(mktemp -d /tmp/tesra-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
status=0
passed=0
failed=0
for target in profile report_lines project_open link_receive; do
  exe="$root/build-fuzz/fuzz/fuzz_$target"
  mkdir -p "$scratch/$target"
  echo "== fuzz_$target for ${secs}s"
  if "$exe" "$scratch/$target" "$root/fuzz/corpus/$target" -max_total_time="$secs" -print_final_stats=1 \
       -artifact_prefix="$scratch/" -rss_limit_mb=4096 >"$scratch/$target.log" 2>&1; then
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$scratch/$target.log" | grep -o '[0-9]*$' || true)
    echo "fuzz_$target: ${execs:-?} executions, no fault"
    passed=$((passed + 1))
  else
    status=1
    failed=$((failed + 1))
    echo "fuzz_$target: FAULT"
    tail -n 60 "$scratch/$target.log"
    ls "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* 2>/dev/null | while read -r f; do
      echo "reproducer $f:"; od -A x -t x1z -v "$f" | head -n 20
    done
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
