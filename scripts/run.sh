#!/usr/bin/env bash
# Installs what is needed, makes the release build and starts the game in a
# window. The game reads its "assets" folder (and "assets.mca", when there is
# one) from the repository root.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh play
cmake --preset release
cmake --build --preset release -j "$(nproc)" --target brindlemoor

# A window needs a display; SDL_VIDEODRIVER set by hand chooses otherwise.
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${SDL_VIDEODRIVER:-}" ]]; then
    echo "No display to open the game's window on (set DISPLAY or WAYLAND_DISPLAY); built build/release/brindlemoor." >&2
    exit 2
fi
exec build/release/brindlemoor
