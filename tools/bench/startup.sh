#!/usr/bin/env bash
# Start-up time and memory of the character beside a minimal Win32 program, under the same
# Wine on a display of its own; prints the medians of several runs. Usage: startup.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset cross >/dev/null
cmake --build --preset cross -j "$(nproc)" --target release startup-bench minimal-window
export QV_WINEPREFIX=$root/build/wineprefix-bench
exec tools/with-xvfb.sh tools/wine-run.sh build/cross/tools/bench/startup-bench.exe \
  "Z:$root/build/release/Quelvoran/Quelvoran.exe" "Z:$root/build/cross/tools/bench/minimal-window.exe" \
  "${1:-7}"
