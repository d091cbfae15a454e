#!/usr/bin/env bash
# Start-up of the Windows package's tesraconfig.exe under Wine until its main
# window is mapped, beside a bare Qt window built the same way (ratio), and the
# package's size. Usage: bench/wine-startup.sh [RUNS] (default 5).
# Needs build-win64/ (scripts/cross-windows.sh).
exec "$(dirname "$0")/../scripts/windows-package-run.sh" --bench "${1:-5}"
