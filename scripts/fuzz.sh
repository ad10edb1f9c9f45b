#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds, default 15), starting from the seeds under fuzz/corpus/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-15}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

shopt -s nullglob
targets=(build/fuzz/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz: no targets yet"
    exit 0
fi
for target in "${targets[@]}"; do
    name=$(basename "$target")
    work="build/fuzz/corpus/$name"
    mkdir -p "$work"
    seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    echo "fuzz: $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
        "$work" "${seeds[@]}" 2>"build/fuzz/$name.log" || {
        tail -n 60 "build/fuzz/$name.log"
        echo "fuzz: $name failed"
        exit 1
    }
done
