#!/usr/bin/env bash
# Installs what is needed, builds the test build (AddressSanitizer and
# UndefinedBehaviorSanitizer, with the benchmarks compiled), runs every test,
# cross-builds for Windows and runs there the tests of the code that differs
# on Windows through wine, then gives each fuzz target a short bounded run.
# Any failure or sanitizer report fails the run.
#
# Compiles go through ccache (cmake/Brindlemoor.cmake), by default in
# ~/.cache/ccache: a run after one of nearly the same sources, in any folder,
# compiles only what changed. Each stage's time is printed at its end.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-20G}"

stage_start=$SECONDS
stage() {
    echo "test.sh: $1 took $((SECONDS - stage_start)) s"
    stage_start=$SECONDS
}

cmake --preset test
cmake --build --preset test -j "$jobs"
stage "the test build"
# The committed assets are what their sources make.
BM_TOOLS=build/test/tools bash scripts/make-assets.sh --check
stage "the assets check"
ctest --preset test -j "$jobs"
stage "the tests"
# Every level can still be finished: the automatic player plays each one, a
# few at once, and prints the report (level, rank, time left); a level it
# does not finish fails the run.
bash scripts/autoplay.sh build/test/tools/autoplay "$jobs"
stage "the automatic player"

# The Windows build, cross-compiled, its tests run through wine.
bash scripts/windows-test.sh
stage "the Windows build and its tests"

bash scripts/fuzz.sh "${BM_FUZZ_SECONDS:-15}"
stage "the fuzz build and runs"
