#!/usr/bin/env bash
# Installs the Debian packages the project needs: the single list of system
# dependencies. Runs non-interactively; needs root (or sudo).
#
#   bash scripts/install-deps.sh        everything: tests, Windows build, fuzzing
#   bash scripts/install-deps.sh play   only what building and playing the game need
set -euo pipefail

play=(
    # toolchain
    build-essential cmake ninja-build pkg-config
    # libraries the engine links
    zlib1g-dev libpng-dev libjpeg-dev libogg-dev libvorbis-dev libopenal-dev
    libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri
    # the data tools, built with the game: font rendering
    libfreetype-dev
)
rest=(
    # compiler cache, clang for the fuzz build, formatting
    ccache clang clang-format libclang-rt-14-dev
    # the fonts the game's fonts are made from
    fonts-dejavu-core
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev
    xvfb xauth
    # the path search benchmark's baseline (never linked into the game)
    libboost-graph-dev
    # the Windows build: cross compilers, zlib for them, wine to run the tests
    g++-mingw-w64-x86-64 libz-mingw-w64-dev dpkg-dev wine wine64
    # tools that make test data no one here wrote
    zip python3 python3-pil imagemagick libjpeg-turbo-progs sox vorbis-tools fonttools
    # the asset tools: POV-Ray renders the town, FluidSynth plays the music
    povray fluidsynth fluid-soundfont-gm
    # the guide's voice in the level tutorials
    espeak-ng
)

case "${1:-all}" in
    play) packages=("${play[@]}") ;;
    all) packages=("${play[@]}" "${rest[@]}") ;;
    *)
        echo "usage: $0 [play]" >&2
        exit 2
        ;;
esac

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "All packages are installed."
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
