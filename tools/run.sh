#!/usr/bin/env bash
# Installs what is missing, builds, and starts the character on the shipped data folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target quelvoran-ask
exec build/native/tools/ask/quelvoran-ask --app-dir data "$@"
