#!/usr/bin/env bash
# Runs a command on an X display of its own (a fresh Xvfb with a white root, 1024 x 768), so
# that the pointer, the focus and the screen are the command's alone; QV_OWN_DISPLAY=1 tells
# the command so. Exit 77 when Xvfb is missing.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb missing"; exit 77; }
n=150
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -wr -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=":$n" QV_OWN_DISPLAY=1
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$@"
