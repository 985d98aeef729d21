# Sourced by the scripts that run windows.
xvfb_pid=
# Starts a fresh Xvfb (1024 x 768) on the first free display from FIRST on, with any further
# Xvfb arguments (-wr: a white root), and exports DISPLAY.
xvfb_own() {
  local n=$1
  shift
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp "$@" >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}
# Uses the display given, or starts one.
xvfb_start() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  xvfb_own 99
}
xvfb_stop() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
