#!/usr/bin/env bash
# Screenshots of fader-demo held still, cut to the character window, on an Xvfb of its own.
# usage: shots.sh FADER-DEMO.EXE OUTDIR [LINE PROGRESS]...   (default: 1 50 and 1 100)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=$(realpath "$1")
out=$2
shift 2
[ $# -ge 2 ] || set -- 1 50 1 100
for tool in Xvfb import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
mkdir -p "$out"
# A prefix of its own, so that ending its programs touches nobody else's.
export QV_WINEPREFIX=${QV_WINEPREFIX:-$root/build/faderdemo-wineprefix}

n=160
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -wr -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
demo=
cleanup() {
  [ -n "$demo" ] && kill "$demo" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Made (or found) before the first shot, so that no dialog of its making is taken.
"$root/tools/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true

while [ $# -ge 2 ]; do
  "$root/tools/wine-run.sh" "$exe" "$1" "$2" >/dev/null 2>&1 &
  demo=$!
  shot="$out/fader-line$1-$2.png"
  # The 162 x 251 window is centred on the 1024 x 768 screen.
  for _ in $(seq 50); do
    sleep 0.2
    import -window root -crop 162x251+431+258 +repage "$shot"
    [ "$(convert "$shot" -format '%[fx:mean]' info:)" != 1 ] && break
  done
  sleep 0.5
  import -window root -crop 162x251+431+258 +repage "$shot"
  kill "$demo" 2>/dev/null || true
  wait "$demo" 2>/dev/null || true
  WINEPREFIX=$QV_WINEPREFIX wineserver -k 2>/dev/null || true
  demo=
  echo "$shot"
  shift 2
done
