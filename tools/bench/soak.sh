#!/usr/bin/env bash
# The long run: the character under Wine, on a display of its own, asked QUESTIONS questions
# one after another (default 10000), its menu opened and closed every 500; prints what the
# program holds (the framework's live handles, the system's counts) and its private memory
# after the warm-up (the first 500) and at the end. Usage: soak.sh [QUESTIONS]
# QV_SOAK_MENU_EVERY and QV_SOAK_CHECK_EVERY change the two intervals.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset cross >/dev/null
cmake --build --preset cross -j "$(nproc)" --target release soak-driver
export QV_SOAK_QUESTIONS=${1:-10000}
export QV_SOAK_MENU_EVERY=${QV_SOAK_MENU_EVERY:-500} QV_SOAK_CHECK_EVERY=${QV_SOAK_CHECK_EVERY:-50}
export QV_WINEPREFIX=$root/build/wineprefix-soak
sync=$(mktemp -d)
trap 'rm -rf "$sync"' EXIT
# The driver waits at each count for a file of the count's name in this folder.
export QV_SOAK_SYNC="Z:${sync//\//\\}"

# The private pages (clean and dirty) of the Wine process of the character started from this
# prefix, in MB.
private_mb() {
  local pid
  for pid in $(pgrep -f 'Quelvoran\.exe' || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$QV_WINEPREFIX" ||
      continue
    awk '/^Private_(Clean|Dirty):/ { kb += $2 } END { printf "%.2f\n", kb / 1024 }' \
      "/proc/$pid/smaps_rollup"
    return
  done
  echo nan
}

status=0
tools/with-xvfb.sh tools/wine-run.sh build/cross/tools/bench/soak-driver.exe --gtest_brief=1 |
  while IFS= read -r line; do
    printf '%s\n' "$line"
    case $line in
      "soak: checkpoint "*)
        read -r _ _ name _ <<<"$line"
        echo "soak: $name: private memory $(private_mb) MB"
        touch "$sync/$name"
        ;;
      "soak: "*" questions, "*) echo "soak: private memory $(private_mb) MB" ;;
    esac
  done || status=$?
exit "$status"
