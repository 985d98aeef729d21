#!/usr/bin/env bash
# Runs a command on an X display of its own (a fresh Xvfb with a white root, 1024 x 768), so
# that the pointer, the focus and the screen are the command's alone; QV_OWN_DISPLAY=1 tells
# the command so. Exit 77 when Xvfb is missing.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb missing"; exit 77; }
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
trap xvfb_stop EXIT
xvfb_own 150 -wr
export QV_OWN_DISPLAY=1
"$@"
