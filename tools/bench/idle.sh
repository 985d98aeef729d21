#!/usr/bin/env bash
# Idle cost of the character beside a program that only opens a window, under the same Wine
# on a display of its own: after start-up has settled, the CPU time of the program's process
# and of its wineserver over a minute, and how much the program's private memory grew in it.
# Each program runs alone in a private prefix, so its wineserver serves it and Wine's own
# helpers only. The character's share is its process and what its wineserver spent beyond
# the plain window's.
# A desktop session publishes X resources; on a bare Xvfb there are none, and then Xlib reads
# ~/.Xdefaults afresh at every lookup, which Wine makes at every font selection. Both programs
# get a resource of no meaning to Wine (through XENVIRONMENT: a property on the root window
# would go when Xvfb resets after its last client); QV_IDLE_BARE_X=1 measures without it.
# Usage: idle.sh [SECONDS [SETTLE_SECONDS]]; QV_IDLE_NO_BUILD=1 measures the programs as they
# stand.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
if [ -z "${QV_IDLE_NO_BUILD:-}" ]; then
  bash tools/setup.sh
  cmake --preset cross >/dev/null
  cmake --build --preset cross -j 2 --target release minimal-window
fi
export root seconds=${1:-60} settle=${2:-15}
export character="$root/build/release/Quelvoran/Quelvoran.exe"
export minimal="$root/build/cross/tools/bench/minimal-window.exe"
export QV_WINEPREFIX=$root/build/wineprefix-idle

# utime + stime of a process, in clock ticks.
ticks() {  # PID
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}
private_kb() {  # PID
  awk '/^Private_(Clean|Dirty):/ { kb += $2 } END { print kb + 0 }' "/proc/$1/smaps_rollup"
}
# The wineserver of the prefix: it works in a folder named after the prefix's device and inode
# (under /tmp/.wine-UID or a private /tmp/wine-XXXXXX), and may be called wineserver64.
server_pid() {
  local dir pid
  [ -d "$QV_WINEPREFIX" ] || return 1
  dir=$(printf 'server-%x-%x' "$(stat -c %d "$QV_WINEPREFIX")" "$(stat -c %i "$QV_WINEPREFIX")")
  for pid in $(pgrep -u "$(id -u)" '^wineserver'); do
    [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$dir" ] && { echo "$pid"; return; }
  done
  return 1
}
# The Windows process of EXE among the processes of this session's Wine.
program_pid() {  # EXE
  local pid name
  name=$(basename "$1")
  for pid in $(ps -e -o pid=); do
    [ "$({ tr '\0' '\n' <"/proc/$pid/cmdline"; } 2>/dev/null | head -1 | sed 's/.*[\\/]//')" = \
      "$name" ] || continue
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$QV_WINEPREFIX" &&
      { echo "$pid"; return; }
  done
  return 1
}

measure_one() {  # LABEL EXE
  local label=$1 exe=$2 pid server p0 s0 m0 p1 s1 m1 hz
  tools/wine-run.sh "$exe" >/dev/null 2>&1 &
  local launcher=$!
  for _ in $(seq 300); do  # the first run makes the prefix
    pid=$(program_pid "$exe") && server=$(server_pid) && break
    sleep 0.2
  done
  if [ -z "${pid:-}" ] || [ -z "${server:-}" ]; then
    echo "$label: did not start" >&2
    return 1
  fi
  sleep "$settle"
  p0=$(ticks "$pid") s0=$(ticks "$server") m0=$(private_kb "$pid")
  sleep "$seconds"
  p1=$(ticks "$pid") s1=$(ticks "$server") m1=$(private_kb "$pid")
  hz=$(getconf CLK_TCK)
  awk -v l="$label" -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v t="$seconds" -v hz="$hz" \
    -v m0="$m0" -v m1="$m1" 'BEGIN {
      f = 100 / hz / t
      printf "%-10s process %5.2f %%  wineserver %5.2f %%  together %5.2f %% of a core;", l,
        p * f, s * f, (p + s) * f
      printf "  private memory %.2f MB, grew %+d kB\n", m1 / 1024, m1 - m0 }'
  if [ "$label" = minimal ]; then baseServer=$((s1 - s0)); fi
  [ "$label" = minimal ] ||
    awk -v p=$((p1 - p0)) -v s=$((s1 - s0 - baseServer)) -v t="$seconds" -v hz="$hz" 'BEGIN {
      printf "%-10s its process and its share of the wineserver: %.2f %% of a core\n", "",
        (p + s) * 100 / hz / t }'
  kill "$pid" 2>/dev/null || true
  WINEPREFIX=$QV_WINEPREFIX wineserver -k 2>/dev/null || true
  wait "$launcher" 2>/dev/null || true
  sleep 1
}

measure() {
  if [ -z "${QV_IDLE_BARE_X:-}" ]; then
    printf 'quelvoran.idle:\tdesktop\n' >"$root/build/idle.Xresources"
    export XENVIRONMENT=$root/build/idle.Xresources
  fi
  echo "CPU over ${seconds} s after ${settle} s of start-up (one core = 100 %):"
  measure_one minimal "$minimal"
  measure_one Quelvoran "$character"
}
export -f measure measure_one ticks private_kb server_pid program_pid
exec tools/with-xvfb.sh bash -c measure
