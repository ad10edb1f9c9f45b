#!/usr/bin/env bash
# Builds the seed files of the sound fuzz targets under fuzz/corpus/ with sox
# and oggenc: small WAV files of every layout the decoder takes, one with a
# chunk before the data, and short Ogg Vorbis files.
#
# Run from anywhere: bash fuzz/sound/make_seeds.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
wav="$root/fuzz/corpus/fuzz_wav"
ogg="$root/fuzz/corpus/fuzz_ogg"
mkdir -p "$wav" "$ogg"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

sox -V1 -n -r 8000 -c 1 -b 8 -e unsigned-integer "$wav/mono8.wav" synth 0.01 sine 440
sox -V1 -n -r 8000 -c 2 -b 8 -e unsigned-integer "$wav/stereo8.wav" synth 0.01 sine 440
sox -V1 -n -r 8000 -c 1 -b 16 -e signed-integer "$wav/mono16.wav" synth 0.01 sine 440
sox -V1 -n -r 8000 -c 2 -b 16 -e signed-integer "$wav/stereo16.wav" synth 0.01 sine 440
# sox writes the extensible format chunk for more than two channels.
sox -V1 -n -r 8000 -c 3 -b 16 -e signed-integer "$wav/three-channels.wav" synth 0.005 sine 440
# The mono file again with an odd-sized LIST chunk (and its pad byte) before
# the data, and with the extensible format chunk of a front-centre channel.
python3 - "$wav" <<'PY'
import struct, sys
folder = sys.argv[1]
data = open(folder + "/mono16.wav", "rb").read()
fmt, rest = data[12:36], data[36:]
def riff(body):
    return b"RIFF" + struct.pack("<I", len(body) + 4) + b"WAVE" + body
listed = b"LIST" + struct.pack("<I", 5) + b"INFOx" + b"\0"
open(folder + "/with-list.wav", "wb").write(riff(fmt + listed + rest))
ext = struct.pack("<HHIIHHHHI", 0xFFFE, 1, 8000, 16000, 2, 16, 22, 16, 4)
ext += struct.pack("<H", 1) + bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
open(folder + "/extensible-mono.wav", "wb").write(riff(b"fmt " + struct.pack("<I", 40) + ext + rest))
PY

sox -V1 -n -r 8000 -c 1 -b 16 -e signed-integer "$tmp/mono.wav" synth 0.05 sine 440
sox -V1 -n -r 8000 -c 2 -b 16 -e signed-integer "$tmp/stereo.wav" synth 0.05 sine 440
oggenc -Q -q 0 -o "$ogg/mono.ogg" "$tmp/mono.wav"
oggenc -Q -q 0 -o "$ogg/stereo.ogg" "$tmp/stereo.wav"
