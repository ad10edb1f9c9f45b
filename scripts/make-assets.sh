#!/usr/bin/env bash
# Regenerates the game's front-end assets under assets/ from the sources in
# tools/assets (pictures drawn by script, atlases and fonts made by our tools,
# sounds synthesised with sox and encoded with oggenc; the town's models
# rendered with POV-Ray into tools/assets/renders when their sources changed).
#
#   bash scripts/make-assets.sh            # rewrite assets/ (and the developer dictionaries
#                                          # in assets_en/ and assets_ru/)
#   bash scripts/make-assets.sh --check    # fail when they differ from a fresh run
#
# BM_TOOLS names a folder with atlaspack and fontbuild already built
# (default: the release build's, built here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [[ "${1:-}" == "--check" ]]; then check=1; fi

tools="${BM_TOOLS:-build/release/tools}"
if [[ ! -x "$tools/atlaspack" || ! -x "$tools/fontbuild" ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j "$(nproc)" --target atlaspack fontbuild
    tools=build/release/tools
fi
# Debian's own interpreter, which has python3-pil.
python=python3
if [[ -x /usr/bin/python3 ]]; then python=/usr/bin/python3; fi

if [[ $check -eq 0 ]]; then
    exec "$python" tools/assets/make_assets.py --tools "$tools" --root .
fi

fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
# Renders are not made again here: their recorded source hashes are checked.
"$python" tools/assets/make_assets.py --tools "$tools" --root "$fresh" --check-renders
status=0
while IFS= read -r -d '' file; do
    name=${file#"$fresh"/}
    if ! cmp -s "$file" "$name"; then
        echo "$name differs from what tools/assets makes (run scripts/make-assets.sh)" >&2
        status=1
    fi
done < <(find "$fresh" -type f -print0)
if [[ $status -eq 0 ]]; then echo "assets/ and the developer dictionaries match their sources."; fi
exit $status
