"""Sounds of the front end, synthesised with sox and encoded with oggenc.

sox runs with -R (a fixed random seed) and oggenc with a fixed serial number,
so the same script gives the same files. The menu's music is played by
FluidSynth with the level music (music.py).
"""

import os
import subprocess
import sys

RATE = "22050"

# name: (file, cue group, volume, loop)
CUES = [
    ("ButtonClick", "ButtonClick.ogg", 2, 0.8, False),
    ("ButtonOver", "ButtonOver.ogg", 2, 0.5, False),
    ("ButtonMissed", "ButtonMissed.ogg", 2, 0.7, False),
    ("SoundVolumeChange", "SoundVolumeChange.ogg", 0, 0.8, False),
    ("MenuMusic", "MenuMusic.ogg", 1, 0.7, True),
    ("MainMenuAmbient", "MainMenuAmbient.ogg", 0, 0.5, True),
]


def sox(*args):
    cmd = ["sox", "-R", "-q"] + list(args)
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{result.stdout}")


def tone(path, seconds, *synth, effects=()):
    sox("-n", "-r", RATE, "-c", "1", "-b", "16", path, "synth", str(seconds), *synth, *effects)


def ambient(work, path):
    wind = os.path.join(work, "wind.wav")
    sox("-n", "-r", RATE, "-c", "1", "-b", "16", wind, "synth", "8", "brownnoise", "lowpass", "400",
        "tremolo", "0.2", "40", "vol", "0.5", "fade", "0.5", "8", "0.5")
    chirps = []
    for index, (start, note) in enumerate([(1.5, "3200-2400"), (1.65, "3400-2600"), (5.2, "2900-2200")]):
        chirp = os.path.join(work, f"chirp{index}.wav")
        tone(chirp, 0.12, "sine", note, effects=("fade", "0.01", "0.12", "0.05", "vol", "0.25", "pad", str(start)))
        chirps.append(chirp)
    mixed = os.path.join(work, "ambient.wav")
    sox("-m", wind, *chirps, mixed, "norm", "-6")
    encode(mixed, path, quality="0")


def encode(wav, path, quality):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    cmd = ["oggenc", "-Q", "--serial", "1", "-q", quality, "--discard-comments", "-o", path, wav]
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{result.stdout}")


def make_all(work, out, extra_cues=None):
    clips = {
        "ButtonClick": (0.06, ("sine", "1500-900"), ("fade", "0", "0.06", "0.04", "vol", "0.7")),
        "ButtonOver": (0.04, ("sine", "2200"), ("fade", "0.005", "0.04", "0.03", "vol", "0.35")),
        "ButtonMissed": (0.16, ("square", "220-140"), ("lowpass", "1200", "fade", "0", "0.16", "0.1", "vol", "0.4")),
        "SoundVolumeChange": (0.12, ("pluck", "A5"), ("fade", "0", "0.12", "0.06", "vol", "0.7")),
    }
    for name, (seconds, synth, effects) in clips.items():
        wav = os.path.join(work, name + ".wav")
        tone(wav, seconds, *synth, effects=effects)
        encode(wav, os.path.join(out, name + ".ogg"), quality="2")
    # The menu's music is played by FluidSynth with the level music (music.py).
    ambient(work, os.path.join(out, "MainMenuAmbient.ogg"))

    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<SoundPack>"]
    cues = list(CUES) + [(name, *values) for name, values in sorted((extra_cues or {}).items())]
    for name, file, group, volume, loop in cues:
        extra = ' Loop="true" StreamingType="1"' if loop else ""
        lines.append(f'\t<SoundCue Name="{name}" GroupID="{group}" Vol="{volume:g}"{extra}>')
        lines.append(f'\t\t<Sound Filename="{file}" />')
        lines.append("\t</SoundCue>")
    lines.append("</SoundPack>")
    with open(os.path.join(out, "SoundPack.xml"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
