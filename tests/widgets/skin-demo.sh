#!/usr/bin/env bash
# The shaped window as a person sees it: skin-demo on its own white-rooted Xvfb, looked at
# through screenshots and moved with the mouse.
# usage: skin-demo.sh WORKDIR RUNNER... (the emulator, then skin-demo.exe). Exit 77: skipped.
set -euo pipefail
work=$1
shift
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
mkdir -p "$work"

source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb.sh"
demo=
cleanup() {
  [ -n "$demo" ] && kill "$demo" 2>/dev/null || true
  xvfb_stop
}
trap cleanup EXIT
xvfb_own 140 -wr

"$@" >/dev/null 2>&1 &
demo=$!

shot="$work/skin-demo.png"
# WxH+X+Y of what is not white on the screen.
drawn() {
  import -window root "$shot"
  convert "$shot" -fill black +opaque white -trim -format '%wx%h%X%Y' info: 2>/dev/null
}
wait_for() {  # EXPECTED [TRIES]
  local got=
  for _ in $(seq "${2:-40}"); do
    got=$(drawn)
    [ "$got" = "$1" ] && return 0
    sleep 0.2
  done
  echo "$got"
  return 1
}

failures=0
check() {  # NAME EXPECTED [TRIES]
  local got
  if ! got=$(wait_for "$2" "${3:-40}"); then
    echo "FAIL: $1: drawn area $got, expected $2"
    failures=$((failures + 1))
  fi
}

# The 162 x 251 client area is centred on the 1024 x 768 screen at (431, 258); the outline's
# bounding box is (2, 2)-(161, 250) inside it.
# The first start makes the Wine prefix, which takes long on a busy machine.
check "centred outline" "159x248+433+260" 300
greens=$(convert "$shot" -fill black +opaque '#00FF00' -format '%[fx:int(mean*w*h*3+0.5)]' info:)
if [ "${greens%.*}" != 0 ]; then
  echo "FAIL: $greens pixels of the green background are drawn"
  failures=$((failures + 1))
fi

# A press outside the outline reaches the root window, not ours.
xdotool mousemove 432 259 mousedown 1 mousemove 480 300 mouseup 1
sleep 0.5
check "press outside the outline" "159x248+433+260"

# A right press does not drag.
xdotool mousemove 512 420 mousedown 3 mousemove 560 460 mouseup 3
sleep 0.5
check "right press" "159x248+433+260"

# A left press on the picture drags the window with the mouse.
xdotool mousemove 512 420 mousedown 1
sleep 0.3
xdotool mousemove 560 440
sleep 0.3
xdotool mousemove 612 470
sleep 0.3
xdotool mouseup 1
check "dragged" "159x248+533+310"

[ "$failures" = 0 ] && echo "skin-demo: all checks passed"
exit "$failures"
