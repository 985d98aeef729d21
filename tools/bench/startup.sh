#!/usr/bin/env bash
# Start-up time and memory of the character beside a minimal Win32 program, under the same
# Wine on a display of its own; prints the medians of several runs. Usage: startup.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset cross >/dev/null
cmake --build --preset cross -j "$(nproc)" --target release startup-bench minimal-window
runs=${1:-7}
export QV_WINEPREFIX=$root/build/wineprefix-bench
character="$root/build/release/Quelvoran/Quelvoran.exe"
minimal="$root/build/cross/tools/bench/minimal-window.exe"

# Private memory (the private clean and dirty pages of the Wine process) 5 s after start, in MB.
private_mb() {  # EXE
  tools/wine-run.sh "$1" >/dev/null 2>&1 &
  sleep 5
  local pid
  pid=$(pgrep -n -f "$(basename "$1")" || true)
  if [ -n "$pid" ] && [ -r "/proc/$pid/smaps_rollup" ]; then
    awk '/^Private_(Clean|Dirty):/ { kb += $2 } END { printf "%.2f\n", kb / 1024 }' \
      "/proc/$pid/smaps_rollup"
  else
    echo nan
  fi
  WINEPREFIX=$QV_WINEPREFIX wineserver -k 2>/dev/null || true
  sleep 1
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

measure() {
  tools/wine-run.sh build/cross/tools/bench/startup-bench.exe "Z:$character" "Z:$minimal" "$runs"
  for name in minimal Quelvoran; do
    exe=$minimal
    [ "$name" = Quelvoran ] && exe=$character
    for _ in $(seq "$runs"); do private_mb "$exe"; done | median |
      xargs printf "%-10s private memory 5 s after start: median %s MB\n" "$name"
  done
}
export -f measure private_mb median
export runs character minimal
exec tools/with-xvfb.sh bash -c measure
