#!/usr/bin/env bash
# Cross-builds the game alone for 64-bit Windows: build/windows/brindlemoor.exe
# (run it from the repository root, or beside an "assets" folder or
# "assets.mca").
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/windows-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target brindlemoor
