#!/usr/bin/env bash
# Screenshots of fader-demo held still, cut to the character window, on an Xvfb of its own.
# usage: shots.sh FADER-DEMO.EXE OUTDIR [LINE PROGRESS]...   (default: 1 50 and 1 100)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ -n "${QV_OWN_DISPLAY:-}" ] || exec "$root/tools/with-xvfb.sh" bash "$0" "$@"
exe=$(realpath "$1")
out=$2
shift 2
[ $# -ge 2 ] || set -- 1 50 1 100
for tool in import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
mkdir -p "$out"
# A prefix of its own, so that ending its programs touches nobody else's.
export QV_WINEPREFIX=${QV_WINEPREFIX:-$root/build/faderdemo-wineprefix}
demo=
trap '[ -n "$demo" ] && kill "$demo" 2>/dev/null || true' EXIT

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
