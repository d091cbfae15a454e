#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs the tests.
# Exits non-zero on any failure.
#
#   ./test.sh              the whole suite (build/)
#   ./test.sh --sanitize   the whole suite under ASan+UBSan (build-asan/), and the
#                          serial, link and end-to-end tests under TSan (build-tsan/)
#   ./test.sh --fuzz [S]   each fuzz target for S seconds (default 60)
#   ./test.sh --windows    the whole program and every test cross-built for Windows
#                          (MinGW-w64 and the Windows Qt, build-win64/), the tests run
#                          under Wine, the CPack zip made and started under Wine
#   ./test.sh --ci         all of the above, as CI runs it
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
mode=${1:-}

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/tesra-xdg.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"

suite() {
  "$root/scripts/build.sh" "$root/build"
  (cd "$root/build" && ctest --output-on-failure -j2 --timeout 300 -LE slow)
}

sanitized() {
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer: the whole suite"
  "$root/scripts/build.sh" "$root/build-asan" -DTESRA_ASAN=ON
  (cd "$root/build-asan" &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      ctest --output-on-failure -j2 --timeout 600 -LE slow)
  echo "== ThreadSanitizer: serial, link and end-to-end tests"
  local tsan_targets=(controller-emulator test_serial_fake test_serial_pty test_connection test_exchange
                      test_transfer test_faults test_cli_transfer)
  [ -f "$root/build-tsan/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$root/build-tsan" -G Ninja -DTESRA_TSAN=ON
  cmake --build "$root/build-tsan" -j"${TESRA_JOBS:-2}" --target "${tsan_targets[@]}"
  (cd "$root/build-tsan" &&
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp" \
      ctest --output-on-failure -j2 --timeout 600 -L threads)
}

"$root/scripts/setup.sh"
case "$mode" in
  "") suite ;;
  --sanitize) sanitized ;;
  --fuzz) "$root/scripts/fuzz.sh" "${2:-60}" ;;
  --windows) "$root/scripts/cross-windows.sh" ;;
  --ci)
    suite
    sanitized
    "$root/scripts/fuzz.sh" 60
    "$root/scripts/cross-windows.sh"
    ;;
  *) echo "usage: $0 [--sanitize | --fuzz [SECONDS] | --windows | --ci]" >&2; exit 2 ;;
esac
