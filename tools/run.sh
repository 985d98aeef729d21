#!/usr/bin/env bash
# Installs what is missing, builds the program and starts the character under Wine from the
# release folder (build/release/Quelvoran). On a machine without a display it runs on a
# virtual one: it waits for the greeting, saves a screenshot, prints its path and keeps
# running until Ctrl-C.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset cross >/dev/null
cmake --build --preset cross -j "$(nproc)" --target release
exe="$root/build/release/Quelvoran/Quelvoran.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec tools/wine-run.sh "$exe"
fi

# A prefix of its own: ending the character must not stop the tests' Wine programs.
export QV_WINEPREFIX=${QV_WINEPREFIX:-$root/build/run-wineprefix}
source tools/xvfb.sh
xvfb_own 170 -wr
tools/wine-run.sh "$exe" &
character=$!
stop() {
  kill "$character" 2>/dev/null || true
  WINEPREFIX=$QV_WINEPREFIX wineserver -k 2>/dev/null || true
  xvfb_stop
}
trap stop EXIT INT TERM

# The greeting is fully shown once the speech area (14, 16, 134 x 54 of the window centred on
# the 1024 x 768 screen) holds black text: while it fades in, no pixel is quite black.
mkdir -p build/screenshots
shot="$root/build/screenshots/quelvoran.png"
for _ in $(seq 300); do
  sleep 0.2
  darkest=$(import -window root -crop 134x54+445+274 +repage -format '%[fx:minima]' info: 2>/dev/null ||
    echo 1)
  [ "$darkest" = "0" ] && break
done
# The character with a margin: its window is 162 x 251 at (431, 258).
import -window root -crop 182x271+421+248 +repage "$shot"
echo "The character runs on the virtual display $DISPLAY; a screenshot of it: $shot"
echo "Press Ctrl-C to end it."
wait "$character" || true
