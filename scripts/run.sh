#!/usr/bin/env bash
# Installs what is needed, makes the release build and runs the most complete
# program the project has so far.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)"

echo
echo "The game's entry is not built yet. Built programs:"
find build/release -maxdepth 3 -type f -executable \( -name 'bench_*' -o -name 'bm*' \) -printf '  %p\n' | sort
