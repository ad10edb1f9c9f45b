#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds, default 15), starting from the seeds under fuzz/corpus/<target>.
# The targets run side by side, one per core; the first that fails stops
# the run with the end of its log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-15}"
jobs=$(nproc)

cmake --preset fuzz >/dev/null
# Only the targets and the libraries they link (not the game or the tools).
cmake --build --preset fuzz -j "$jobs" --target fuzzers

shopt -s nullglob
targets=(build/fuzz/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz: no targets yet"
    exit 0
fi

# Runs target $1; its log is build/fuzz/<name>.log.
run() {
    local name work
    name=$(basename "$1")
    work="build/fuzz/corpus/$name"
    mkdir -p "$work"
    local seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    echo "fuzz: $name for ${seconds}s"
    "$1" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
        "$work" "${seeds[@]}" 2>"build/fuzz/$name.log" || {
        tail -n 60 "build/fuzz/$name.log"
        echo "fuzz: $name failed"
        return 1
    }
}

status=0
running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
    [ "$status" -eq 0 ] || break
    run "$target" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done
exit "$status"
