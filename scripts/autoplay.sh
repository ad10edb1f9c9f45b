#!/usr/bin/env bash
# Plays every level under assets/levels with the automatic player, several
# at once, and prints the report in level order. Fails (after the whole
# report) when a level cannot be read or a level listed in
# tools/autoplay/winnable.txt is no longer finished, or when the player
# ends with a crash or a sanitizer's report.
#
#   scripts/autoplay.sh [PLAYER [JOBS]]
set -uo pipefail
cd "$(dirname "$0")/.."

player="${1:-build/test/tools/autoplay}"
jobs="${2:-$(nproc)}"
report="$(mktemp)"
codes="$(mktemp)"
trap 'rm -f "$report" "$codes"' EXIT

# The player's own codes are 0 (finished), 1 (not finished) and 2 (unread);
# a sanitizer's report, even one after the report line, ends it with 86.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86"
ls -d assets/levels/level* | sort -V |
    xargs -P "$jobs" -I {} sh -c '"$1" --no-header --source . "$2"; echo "$2 $?" >>"$3"' sh "$player" {} "$codes" >"$report"
"$player" --header
sort -V "$report"
# Every level must be in the report, no player may end with an error, and
# every level known to be winnable must be finished.
status=0
while read -r level code; do
    if [ "$code" -gt 2 ]; then
        echo "autoplay.sh: the automatic player ended with code $code on $level"
        status=1
    fi
done <"$codes"
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
