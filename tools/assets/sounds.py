"""Sounds of the front end, synthesised with sox and encoded with oggenc.

sox runs with -R (a fixed random seed) and oggenc with a fixed serial number,
so the same script gives the same files. The menu's music is played by
FluidSynth with the level music (music.py).
"""

import os
import subprocess
import sys

RATE = "22050"

# name: (file or files, cue group, volume, loop)
CUES = [
    ("ButtonClick", "ButtonClick.ogg", 2, 0.8, False),
    ("ButtonOver", "ButtonOver.ogg", 2, 0.5, False),
    ("ButtonMissed", "ButtonMissed.ogg", 2, 0.7, False),
    ("SoundVolumeChange", "SoundVolumeChange.ogg", 0, 0.8, False),
    # Two pieces: the menu plays one of them each time it opens.
    ("MenuMusic", ("MenuMusic.ogg", "MenuMusic2.ogg"), 1, 0.7, True),
    ("MainMenuAmbient", "MainMenuAmbient.ogg", 0, 0.5, True),
    ("GameAmbientSetting1", "GameAmbientSetting1.ogg", 0, 0.5, True),
    ("GameAmbientSetting2", "GameAmbientSetting2.ogg", 0, 0.5, True),
    ("GameAmbientSetting3", "GameAmbientSetting3.ogg", 0, 0.5, True),
    ("GameAmbientSetting4", "GameAmbientSetting4.ogg", 0, 0.5, True),
    ("Rain", "Rain.ogg", 0, 0.6, True),
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


# Each setting's air, 10 s round and round: the wind's strength and colour,
# then its birds (start, sweep) and the insects' chirping pitch (0: none).
SETTING_AIR = {
    1: (("brownnoise", "lowpass", "400", "tremolo", "0.2", "40", "vol", "0.45"),
        [(1.0, "3200-2400"), (1.15, "3400-2600"), (4.2, "2800-3600"), (4.3, "2900-3700"), (7.5, "3000-2200")], 0),
    2: (("brownnoise", "lowpass", "350", "tremolo", "0.15", "30", "vol", "0.35"),
        [(2.5, "3600-3000"), (6.0, "3300-2500")], 4200),
    3: (("pinknoise", "lowpass", "700", "tremolo", "0.35", "70", "vol", "0.35"),
        [(5.0, "2500-1900")], 0),
    4: (("brownnoise", "bandpass", "500", "300", "tremolo", "0.12", "80", "vol", "0.7"), [], 0),
}


def setting_air(work, setting, path):
    wind_effects, birds, insects = SETTING_AIR[setting]
    wind = os.path.join(work, f"air{setting}.wav")
    sox("-n", "-r", RATE, "-c", "1", "-b", "16", wind, "synth", "10", wind_effects[0], *wind_effects[1:],
        "fade", "0.8", "10", "0.8")
    parts = [wind]
    for index, (start, sweep) in enumerate(birds):
        chirp = os.path.join(work, f"air{setting}bird{index}.wav")
        tone(chirp, 0.12, "sine", sweep, effects=("fade", "0.01", "0.12", "0.05", "vol", "0.2", "pad", str(start)))
        parts.append(chirp)
    if insects:
        song = os.path.join(work, f"air{setting}insects.wav")
        tone(song, 10, "sine", str(insects), effects=("tremolo", "28", "90", "tremolo", "0.5", "60", "vol", "0.04",
                                                      "fade", "1", "10", "1"))
        parts.append(song)
    mixed = os.path.join(work, f"air{setting}mixed.wav")
    sox("-m", *parts, mixed, "norm", "-8") if len(parts) > 1 else sox(wind, mixed, "norm", "-8")
    encode(mixed, path, quality="0")


def rain(work, path):
    """Steady rain: hiss with a softer rumble under it and a few drops."""
    hiss = os.path.join(work, "rainhiss.wav")
    sox("-n", "-r", RATE, "-c", "1", "-b", "16", hiss, "synth", "8", "pinknoise", "highpass", "900", "lowpass",
        "6000", "vol", "0.5", "fade", "0.5", "8", "0.5")
    rumble = os.path.join(work, "rainrumble.wav")
    sox("-n", "-r", RATE, "-c", "1", "-b", "16", rumble, "synth", "8", "brownnoise", "lowpass", "300", "vol", "0.4",
        "fade", "0.5", "8", "0.5")
    parts = [hiss, rumble]
    for index, start in enumerate([0.7, 1.9, 2.4, 3.6, 5.1, 6.3, 7.0]):
        drop = os.path.join(work, f"raindrop{index}.wav")
        tone(drop, 0.05, "sine", f"{1800 + 150 * index}-900",
             effects=("fade", "0", "0.05", "0.04", "vol", "0.15", "pad", str(start)))
        parts.append(drop)
    mixed = os.path.join(work, "rain.wav")
    sox("-m", *parts, mixed, "norm", "-6")
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
    for setting in SETTING_AIR:
        setting_air(work, setting, os.path.join(out, f"GameAmbientSetting{setting}.ogg"))
    rain(work, os.path.join(out, "Rain.ogg"))

    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<SoundPack>"]
    cues = list(CUES) + [(name, *values) for name, values in sorted((extra_cues or {}).items())]
    for name, file, group, volume, loop in cues:
        extra = ' Loop="true" StreamingType="1"' if loop else ""
        lines.append(f'\t<SoundCue Name="{name}" GroupID="{group}" Vol="{volume:g}"{extra}>')
        for one in (file,) if isinstance(file, str) else file:
            lines.append(f'\t\t<Sound Filename="{one}" />')
        lines.append("\t</SoundCue>")
    lines.append("</SoundPack>")
    with open(os.path.join(out, "SoundPack.xml"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
