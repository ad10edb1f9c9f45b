#!/usr/bin/env bash
# Plays every level under assets/levels with the automatic player, several
# at once, and prints the report in level order. Fails (after the whole
# report) when a level cannot be read or a level listed in
# tools/autoplay/winnable.txt is no longer finished.
#
#   scripts/autoplay.sh [PLAYER [JOBS]]
set -uo pipefail
cd "$(dirname "$0")/.."

player="${1:-build/test/tools/autoplay}"
jobs="${2:-$(nproc)}"
report="$(mktemp)"
trap 'rm -f "$report"' EXIT

ls -d assets/levels/level* | sort -V |
    xargs -P "$jobs" -n 1 "$player" --no-header --source . >"$report"
"$player" --header
sort -V "$report"
# Every level must be in the report; every level known to be winnable must
# be finished.
status=0
for level in assets/levels/level*; do
    if ! grep -q "^$level " "$report"; then
        echo "autoplay.sh: $level could not be read"
        status=1
    fi
done
while read -r level; do
    case "$level" in ''|'#'*) continue ;; esac
    if ! grep -q "^$level  *finished " "$report"; then
        echo "autoplay.sh: $level can no longer be finished"
        status=1
    fi
done < tools/autoplay/winnable.txt
unfinished=$(grep -vc " finished " "$report" || true)
echo "autoplay.sh: $unfinished level(s) not yet finished by the automatic player"
exit "$status"
