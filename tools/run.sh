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

n=170
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -wr -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
tools/wine-run.sh "$exe" &
character=$!
stop() {
  kill "$character" 2>/dev/null || true
  QV_WINEPREFIX=${QV_WINEPREFIX:-$root/build/wineprefix} WINEPREFIX=${QV_WINEPREFIX:-$root/build/wineprefix} \
    wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
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
