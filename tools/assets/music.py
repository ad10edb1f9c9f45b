"""Music and cues of the town, written here as notes, played by FluidSynth
with Debian's General MIDI soundfont (fluid-soundfont-gm), shaped with sox
and encoded with oggenc.

Playing takes a while, so the encoded files are kept where the game reads
them (assets/sounds) with a manifest (tools/assets/music/manifest.txt) of
the hash of the notes and of the encoded file: the asset run plays a piece
again only when its notes changed, and the check run compares the hashes.
"""

import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
# The encoded pieces live in the game's sound folder, their manifest here.
CACHE = os.path.normpath(os.path.join(HERE, "..", "..", "assets", "sounds"))
MANIFEST = os.path.join(HERE, "music", "manifest.txt")
SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"
TICKS = 480  # per beat

NOTE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11, "Bb": 10}


def pitch(name):
    """"C4" -> 60, "F#3" -> 54, "Bb4" -> 70."""
    value = NOTE[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        value += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return value + 12 * (int(rest) + 1)


# -- a small MIDI writer --------------------------------------------------------------------------

def varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def midi(tracks, tempo_bpm):
    """tracks: list of (channel, program, volume, notes) with notes (start beat, length beats, pitch, velocity)."""
    chunks = []
    tempo = bytes([0xFF, 0x51, 3]) + struct.pack(">I", int(60_000_000 / tempo_bpm))[1:]
    chunks.append(varlen(0) + tempo + varlen(0) + bytes([0xFF, 0x2F, 0]))
    for channel, program, volume, notes in tracks:
        events = []
        for start, length, note, velocity in notes:
            on, off = int(round(start * TICKS)), int(round((start + length) * TICKS)) - 1
            events.append((on, 1, bytes([0x90 | channel, note, velocity])))
            events.append((off, 0, bytes([0x80 | channel, note, 0])))
        events.sort(key=lambda e: (e[0], e[1], e[2]))
        data = varlen(0) + bytes([0xC0 | channel, program]) + varlen(0) + bytes([0xB0 | channel, 7, volume])
        data += varlen(0) + bytes([0xB0 | channel, 91, 40])  # a little reverb
        now = 0
        for time, _, event in events:
            data += varlen(time - now) + event
            now = time
        data += varlen(0) + bytes([0xFF, 0x2F, 0])
        chunks.append(data)
    out = b"MThd" + struct.pack(">I", 6) + struct.pack(">HHH", 1, len(chunks), TICKS)
    for data in chunks:
        out += b"MTrk" + struct.pack(">I", len(data)) + data
    return out


# -- the pieces -----------------------------------------------------------------------------------

# Chord roots of a bright town tune, one chord a bar, and the scale the tune walks.
PROGRESSIONS = {
    1: ("C", ["C", "F", "G", "C", "A", "F", "G", "C"], "major"),
    2: ("G", ["G", "C", "D", "G", "E", "C", "D", "G"], "major"),
    3: ("A", ["A", "D", "E", "A", "F", "G", "E", "A"], "minor"),
    4: ("D", ["D", "G", "A", "D", "B", "G", "A", "D"], "major"),
    5: ("F", ["F", "D", "Bb", "C", "F", "A", "Bb", "C"], "major"),  # the main menu
    6: ("E", ["E", "A", "B", "E", "C", "A", "B", "E"], "minor"),  # the main menu's evening piece
}
SCALES = {"major": [0, 2, 4, 5, 7, 9, 11], "minor": [0, 2, 3, 5, 7, 8, 10]}
# (lead, backing, bass) General MIDI programs per setting: spring guitar and
# fiddle, summer banjo, autumn clarinet and strings, winter celesta.
INSTRUMENTS = {1: (40, 25, 32), 2: (105, 24, 33), 3: (71, 48, 32), 4: (8, 46, 32), 5: (0, 48, 32),
               6: (73, 46, 32)}
TEMPI = {1: 112, 2: 126, 3: 96, 4: 100, 5: 100, 6: 88}


def chord_tones(root_name, mode):
    root = NOTE[root_name]
    # The triad on that root within the key's scale.
    return [root, root + (3 if mode == "minor" and root_name in ("A", "D", "E") else 4), root + 7]


def town_tune(setting, bars_repeat=4):
    key, chords, mode = PROGRESSIONS[setting]
    lead, backing, bass = INSTRUMENTS[setting]
    rng = random.Random(setting * 31)
    scale = [NOTE[key] + step for step in SCALES[mode]]
    melody, accomp, low = [], [], []
    beat = 0.0
    previous = 4
    for repeat in range(bars_repeat):
        for bar, root in enumerate(chords):
            tones = chord_tones(root, mode)
            # Oom-pah: bass on one and three, the chord on two and four.
            for b in range(4):
                if b % 2 == 0:
                    low.append((beat + b, 0.9, 36 + tones[0 if b == 0 else 2] % 12, 88))
                else:
                    for t in tones:
                        accomp.append((beat + b, 0.5, 60 + t % 12, 58))
            # The tune: steps around the scale, landing on a chord tone at each bar's start.
            if repeat % 2 == 1 and bar % 4 == 3:
                rhythm = [2.0, 2.0]
            else:
                rhythm = rng.choice([[1, 1, 1, 1], [1.5, 0.5, 1, 1], [1, 0.5, 0.5, 2], [0.5, 0.5, 1, 1, 1]])
            t = 0.0
            for i, length in enumerate(rhythm):
                if i == 0:
                    target = min(range(7), key=lambda d: abs(scale[d] % 12 - tones[rng.randrange(3)] % 12))
                    previous = target + (7 if previous >= 7 else 0)
                else:
                    previous = max(0, min(11, previous + rng.choice([-2, -1, -1, 1, 1, 2])))
                note = 72 + scale[previous % 7] % 12 + 12 * (previous // 7) - 12
                melody.append((beat + t, length * 0.92, note, 84 if i == 0 else 72))
                t += length
            beat += 4
    return midi([(0, lead, 100, melody), (1, backing, 70, accomp), (2, bass, 90, low)], TEMPI[setting])


def cue(notes, program, tempo=120, channel=0):
    return midi([(channel, program, 110, [(s, l, pitch(n), v) for s, l, n, v in notes])], tempo)


def drums(notes, tempo=120):
    return midi([(9, 0, 110, [(s, l, n, v) for s, l, n, v in notes])], tempo)


# Cue file -> (the notes, seconds kept, sox effects after).
def cue_pieces():
    arp = lambda names, step=0.25, length=0.6: [(i * step, length, n, 96) for i, n in enumerate(names.split())]  # noqa
    return {
        "LevelCompleted": (cue(arp("C5 E5 G5 C6", 0.3, 1.2) + [(1.2, 2.0, "C5", 90), (1.2, 2.0, "E5", 90),
                                                                  (1.2, 2.0, "G5", 90), (1.2, 2.0, "C6", 100)],
                               56, 110), 3.5),
        "ObjectivesWindow": (cue(arp("G5 C6 E6", 0.12, 0.8), 14), 1.6),
        "TutorialWindow": (cue(arp("E5 G5", 0.12, 0.6), 10), 1.2),
        "ObjFound": (cue(arp("C6 G6", 0.1, 0.6), 9), 1.0),
        "ObjectiveComplete": (cue(arp("C5 E5 G5 C6", 0.1, 0.8), 9), 1.4),
        "Income": (cue(arp("E6 B6", 0.07, 0.4), 11), 0.8),
        "MoneyLetter": (cue(arp("G5 B5 D6 G6", 0.08, 0.4), 13), 1.0),
        "Upgrading": (cue(arp("C5 D5 E5 G5 C6", 0.09, 0.5), 13), 1.2),
        "UpgradedHouse": (cue(arp("G4 C5 E5 G5", 0.1, 0.7), 11), 1.3),
        "TimedActionEnd": (cue(arp("A5 E6", 0.15, 0.8), 14), 1.3),
        "AlmostEnd": (cue(arp("E5 E5 E5", 0.35, 0.2), 115), 1.3),
        "TimeOver": (cue(arp("G4 F4 D4 B3", 0.25, 0.7), 60), 2.0),
        "WorkersTrained": (cue(arp("C5 G5", 0.15, 0.4), 72), 0.9),
        "MaterialsDelivered": (drums([(0, 0.2, 76, 110), (0.2, 0.2, 77, 100), (0.4, 0.3, 76, 110)]), 0.9),
        "Building": (drums([(i * 0.5, 0.2, 76 if i % 2 else 77, 100) for i in range(4)]), 2.0),
        "Destroying": (drums([(0, 0.5, 41, 120), (0.3, 0.5, 43, 110), (0.6, 0.8, 49, 90)]), 1.6),
        "Broken": (cue([(0, 0.6, "C3", 110), (0, 0.6, "F#3", 100)], 61), 1.0),
        "TakeFeature": (cue(arp("D5 F#5 A5", 0.08, 0.5), 12), 0.9),
        "ReadyFeature": (cue(arp("A5 D6", 0.12, 0.5), 12), 0.9),
        "Bought": (cue(arp("C6 E6", 0.08, 0.4), 10), 0.8),
        "Built": (cue(arp("C5 G5 C6", 0.1, 0.6), 12), 1.2),
        "Select": (cue(arp("G5", 0.1, 0.25), 115), 0.4),
        "WorkedLumberMill": (drums([(i * 0.25, 0.15, 54, 70 + 10 * (i % 2)) for i in range(8)]), 2.2),
        "WorkedGoldenMine": (drums([(i * 0.5, 0.2, 80, 100) for i in range(4)]), 2.2),
        "HQPartBuy": (cue(arp("E5 G5 C6", 0.1, 0.6), 56), 1.2),
        "TradePostArrival": (cue([(0, 0.5, "A5", 110), (0, 0.5, "C#6", 100), (0.6, 1.0, "A5", 110),
                                  (0.6, 1.0, "C#6", 100)], 73), 1.8),
    }


# Music: cue -> (the notes, seconds kept); the loops end where the notes end.
def music_pieces():
    pieces = {f"GameMusicSetting{s}": (town_tune(s), None) for s in range(1, 5)}
    pieces["MenuMusic"] = (town_tune(5, 5), None)
    pieces["MenuMusic2"] = (town_tune(6, 4), None)
    pieces["MapMusic"] = (town_tune(1, 2), None)
    pieces["ComicsMusic"] = (town_tune(4, 1), None)
    return pieces


def run(cmd):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{result.stdout[-2000:]}")


def play(notes, seconds, path, quality, work):
    mid = os.path.join(work, "piece.mid")
    raw = os.path.join(work, "piece.wav")
    shaped = os.path.join(work, "shaped.wav")
    with open(mid, "wb") as f:
        f.write(notes)
    run(["fluidsynth", "-ni", "-q", "-g", "0.8", "-r", "44100", "-F", raw, SOUNDFONT, mid])
    effects = ["trim", "0", f"{seconds}", "fade", "0", f"{seconds}", "0.2"] if seconds else []
    run(["sox", "-R", "-q", raw, "-r", "22050", shaped, *effects, "norm", "-2"])
    run(["oggenc", "-Q", "--serial", "1", "-q", quality, "--discard-comments", "-o", path, shaped])


def file_hash(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def pieces():
    """File name -> (notes, seconds, encoder quality)."""
    out = {f"{name}.ogg": (notes, seconds, "2") for name, (notes, seconds) in cue_pieces().items()}
    out.update({f"{name}.ogg": (notes, seconds, "1") for name, (notes, seconds) in music_pieces().items()})
    return out


def source_hash(name, piece):
    notes, seconds, quality = piece
    return hashlib.sha256(notes + repr((name, seconds, quality, SOUNDFONT)).encode()).hexdigest()


def update(check=False):
    """Plays the pieces whose notes changed into the cache; with `check`,
    plays nothing. Returns the names out of date."""
    manifest = {}
    if os.path.exists(MANIFEST):
        with open(MANIFEST, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3:
                    manifest[parts[0]] = (parts[1], parts[2])
    todo = pieces()
    stale = [name for name, piece in todo.items()
             if manifest.get(name) != (source_hash(name, piece), file_hash(os.path.join(CACHE, name)))]
    if check:
        return stale
    os.makedirs(CACHE, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        for name in stale:
            notes, seconds, quality = todo[name]
            play(notes, seconds, os.path.join(CACHE, name), quality, work)
            manifest[name] = (source_hash(name, todo[name]), file_hash(os.path.join(CACHE, name)))
    with open(MANIFEST, "w", encoding="utf-8", newline="\n") as f:
        for name in sorted(manifest):
            if name in todo:
                f.write(f"{name} {manifest[name][0]} {manifest[name][1]}\n")
    return stale


def copy_to(folder, source=CACHE):
    os.makedirs(folder, exist_ok=True)
    for name in pieces():
        shutil.copyfile(os.path.join(source, name), os.path.join(folder, name))


# Cue name -> (file, group, volume, loop): the level's cues.
def cues():
    out = {name[:-4]: (name, 2, 0.8, False) for name in pieces()}
    for name in list(out):
        if name.startswith("GameMusicSetting") or name in ("MapMusic", "ComicsMusic", "MenuMusic"):
            out[name] = (name + ".ogg", 1, 0.7, True)
    # Not in the voices' group: a level's or a comic's own sound pack
    # replaces that group's cues when it loads.
    for name in ("LevelCompleted", "ObjectivesWindow", "TutorialWindow", "TimeOver"):
        out[name] = (name + ".ogg", 0, 0.9, False)
    # The buildings' own cues share a few sounds.
    for name in ("BuiltHouse", "BuiltShop", "BuiltService", "BuiltStation"):
        out[name] = ("Built.ogg", 2, 0.8, False)
    for name in ("SelectHouse", "SelectShop", "SelectSaloon", "SelectWater", "SelectDoctor", "SelectMill",
                 "SelectMine", "SelectStation", "SelectBandstand", "SelectMajorOffice", "SelectRock", "SelectTree",
                 "SelectPile", "SelectWagon"):
        out[name] = ("Select.ogg", 2, 0.6, False)
    out.pop("MenuMusic")  # the front end's sound pack lists them already
    out.pop("MenuMusic2")
    out.pop("Built")
    out.pop("Select")
    return out
