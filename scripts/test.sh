#!/usr/bin/env bash
# Installs what is needed, builds the test build (AddressSanitizer and
# UndefinedBehaviorSanitizer), runs every test, cross-builds for Windows and
# runs those tests through wine, then gives each fuzz target a short bounded
# run. Any failure or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

cmake --preset test
cmake --build --preset test -j "$jobs"
# The committed assets are what their sources make.
BM_TOOLS=build/test/tools bash scripts/make-assets.sh --check
ctest --preset test -j "$jobs"

# The Windows build, cross-compiled, its tests run through wine.
bash scripts/windows-test.sh

# The release build keeps the benchmarks compiling; they are run by hand.
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"

bash scripts/fuzz.sh "${BM_FUZZ_SECONDS:-15}"
