#!/usr/bin/env bash
# Plays every level under assets/levels with the automatic player, several
# at once, and prints the report in level order. Fails (after the whole
# report) when a level is not finished or cannot be read.
#
#   scripts/autoplay.sh [PLAYER [JOBS]]
set -uo pipefail
cd "$(dirname "$0")/.."

player="${1:-build/test/tools/autoplay}"
jobs="${2:-$(nproc)}"
report="$(mktemp)"
trap 'rm -f "$report"' EXIT

status=0
ls -d assets/levels/level* | sort -V |
    xargs -P "$jobs" -n 1 "$player" --no-header --source . >"$report" || status=1
"$player" --header
sort -V "$report"
if [ "$status" -ne 0 ] || grep -qv " finished " "$report"; then
    echo "autoplay.sh: some level was not finished"
    exit 1
fi
