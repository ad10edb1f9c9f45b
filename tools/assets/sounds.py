"""Sounds of the front end, synthesised with sox and encoded with oggenc.

sox runs with -R (a fixed random seed) and oggenc with a fixed serial number,
so the same script gives the same files.
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


# A gentle waltz in C over sixteen bars (three beats each): the roots and
# thirds of each bar's chord, plucked, then a melody note on each beat.
CHORDS = ["C3 E3 G3", "A2 C3 E3", "F2 A2 C3", "G2 B2 D3"] * 4
MELODY = ["E5 D5 C5", "C5 B4 A4", "A4 C5 F5", "D5 B4 G4", "E5 G5 E5", "C5 E5 A5", "F5 E5 D5", "B4 D5 G5",
          "G5 E5 C5", "A4 C5 E5", "F5 A5 F5", "D5 G5 B4", "C5 E5 G5", "E5 C5 A4", "F5 D5 A4", "G4 B4 D5"]
BEAT = 0.42


def music(work, path):
    bars = []
    for index, (chord, tune) in enumerate(zip(CHORDS, MELODY)):
        notes = chord.split()
        bar = os.path.join(work, f"bar{index:02d}.wav")
        backing = os.path.join(work, f"backing{index:02d}.wav")
        chord_wav = os.path.join(work, f"chord{index:02d}.wav")
        sox("-n", "-r", RATE, "-c", str(len(notes)), "-b", "16", chord_wav, "synth", str(BEAT * 3),
            *sum([["pluck", n] for n in notes], []))
        sox(chord_wav, "-c", "1", backing, "vol", "0.45", "fade", "0", str(BEAT * 3), "0.2")
        beats = []
        for b, note in enumerate(tune.split()):
            beat = os.path.join(work, f"beat{index:02d}{b}.wav")
            tone(beat, BEAT, "pluck", note, effects=("vol", "0.55", "fade", "0", str(BEAT), "0.1"))
            beats.append(beat)
        line = os.path.join(work, f"line{index:02d}.wav")
        sox(*beats, line)
        sox("-m", backing, line, bar)
        bars.append(bar)
    song = os.path.join(work, "song.wav")
    sox(*bars, song, "reverb", "30", "norm", "-3")
    encode(song, path, quality="1")


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
    music(work, os.path.join(out, "MenuMusic.ogg"))
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
