#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# the portable core natively, with sanitizers and in a short fuzzing run, then the Win32 build
# under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh

jobs=$(nproc)
for preset in native asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset"
done

# A few seconds of each fuzz target, so that they keep building and the found inputs stay fixed.
bash tools/fuzz.sh 5

cmake --preset cross >/dev/null
cmake --build --preset cross -j "$jobs"
source tools/xvfb.sh
xvfb_start
trap xvfb_stop EXIT
ctest --preset cross
