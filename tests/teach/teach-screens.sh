#!/usr/bin/env bash
# The teaching window as a person sees it: each of its four pages shown by teach-demo on a
# private Xvfb and captured into WORKDIR/page-N.png, with the shipped Brain and Scripts.
# usage: teach-screens.sh WORKDIR DATADIR RUNNER... (the emulator, then teach-demo.exe).
# Fails when a page leaves the screen blank; exit 77: skipped.
set -euo pipefail
[ -n "${QV_OWN_DISPLAY:-}" ] ||
  exec "$(dirname "${BASH_SOURCE[0]}")/../../tools/with-xvfb.sh" bash "$0" "$@"
work=$1
data=$2
shift 2
for tool in import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work/app"
cp -r "$data/Brain" "$data/Scripts" "$work/app/"
demo=
trap '[ -n "$demo" ] && kill "$demo" 2>/dev/null || true' EXIT

app="Z:$(echo "$work/app/" | tr / '\\')"
failures=0
for page in 0 1 2 3; do
  "$@" "$app" "$page" 30 >/dev/null 2>&1 &
  demo=$!
  shot="$work/page-$page.png"
  # The window sits at the top-left corner; wait until something is drawn there.
  drawn=0
  for _ in $(seq 100); do
    sleep 0.2
    import -window root -crop 300x200+0+0 +repage "$shot"
    colours=$(convert "$shot" -format '%k' info:)
    if [ "$colours" -gt 8 ]; then drawn=1; break; fi
  done
  sleep 1
  import -window root -crop 300x200+0+0 +repage "$shot"
  kill "$demo" 2>/dev/null || true
  wait "$demo" 2>/dev/null || true
  demo=
  if [ "$drawn" = 0 ]; then
    echo "FAIL: page $page: nothing drawn"
    failures=$((failures + 1))
  fi
done
[ "$failures" = 0 ] && echo "teach-screens: four pages captured in $work"
exit "$failures"
