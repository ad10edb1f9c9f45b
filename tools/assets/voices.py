"""The guide's voice: every hint text a level's tutorials show is spoken by
espeak-ng, shaped with sox and encoded with oggenc, and listed in the
level's own sound pack (sounds/SoundPackLevelN.xml) under the hint's text
key, which is the cue name the tutorial plays for it.

Speaking is slower than the rest of the asset run and espeak-ng is not on
every machine, so the encoded lines are kept where the game reads them
(assets/sounds/voices) with a manifest (tools/assets/voices/manifest.txt)
of the hash of the spoken text and of the encoded file: the asset run
speaks a line again only when its text changed, the check run compares
the hashes.
"""

import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

import renders

HERE = os.path.dirname(os.path.abspath(__file__))
CACHE = os.path.normpath(os.path.join(HERE, "..", "..", "assets", "sounds", "voices"))
MANIFEST = os.path.join(HERE, "voices", "manifest.txt")

# A warm, unhurried voice for the guide; the words per minute match the
# reading time the tutorial allows a line without a voice (14 letters a second).
VOICE = ("en-gb+f4", "150", "58")
GROUP = 3  # the voices' volume group, which each level's pack replaces
VOLUME = 0.9

KEY = re.compile(r'<(?:Text|TextQuest) Value="%([A-Za-z0-9_]+)%"')


def hint_keys(texts):
    """The text keys of the hints in one or more tutorial files' texts, in order, each once."""
    keys = []
    for text in texts:
        for key in KEY.findall(text):
            if key not in keys:
                keys.append(key)
    return keys


def spoken(text):
    """What the voice says for a dictionary text: the markup and line breaks out."""
    text = re.sub(r"<[^>]*>", "", text).replace("\\n", " ").replace("\n", " ")
    return re.sub(r"\s+", " ", text).strip()


def run(cmd):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{result.stdout[-2000:].decode(errors='replace')}")


def speak(text, path, work):
    raw = os.path.join(work, "line.wav")
    shaped = os.path.join(work, "shaped.wav")
    voice, speed, pitch = VOICE
    run(["espeak-ng", "-v", voice, "-s", speed, "-p", pitch, "-w", raw, text])
    # Rounder and nearer: the thin top and the rumble off, a small room, a
    # breath of silence after the line.
    run(["sox", "-R", "-q", raw, "-r", "22050", "-c", "1", shaped, "highpass", "110", "lowpass", "5200",
         "bass", "+3", "reverb", "18", "50", "40", "pad", "0", "0.25", "norm", "-3"])
    os.makedirs(os.path.dirname(path), exist_ok=True)
    run(["oggenc", "-Q", "--serial", "1", "-q", "1", "--discard-comments", "-o", path, shaped])


def file_hash(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def source_hash(key, text):
    return hashlib.sha256(repr((key, text, VOICE)).encode()).hexdigest()


def update(lines, check=False):
    """lines: key -> English text. Speaks the lines whose text changed into
    the cache; with `check`, speaks nothing. Returns the keys out of date."""
    manifest = renders.read_manifest(MANIFEST)
    stale = [key for key, text in sorted(lines.items())
             if manifest.get(key) != (source_hash(key, spoken(text)), file_hash(os.path.join(CACHE, key + ".ogg")))]
    if check:
        return stale
    with tempfile.TemporaryDirectory() as work:
        for key in stale:
            speak(spoken(lines[key]), os.path.join(CACHE, key + ".ogg"), work)
            manifest[key] = (source_hash(key, spoken(lines[key])), file_hash(os.path.join(CACHE, key + ".ogg")))
    os.makedirs(os.path.dirname(MANIFEST), exist_ok=True)
    with open(MANIFEST, "w", encoding="utf-8", newline="\n") as f:
        for key in sorted(manifest):
            if key in lines:
                f.write(f"{key} {manifest[key][0]} {manifest[key][1]}\n")
    # Lines no tutorial speaks any more leave the cache.
    if os.path.isdir(CACHE):
        for name in os.listdir(CACHE):
            if name.endswith(".ogg") and name[:-4] not in lines:
                os.remove(os.path.join(CACHE, name))
    return stale


def copy_to(folder, keys, source):
    os.makedirs(folder, exist_ok=True)
    for key in keys:
        shutil.copyfile(os.path.join(source, key + ".ogg"), os.path.join(folder, key + ".ogg"))


def keep(folder):
    """A copy of the cache in `folder` (the sound folder is made again by the run)."""
    if os.path.isdir(CACHE):
        shutil.copytree(CACHE, folder, dirs_exist_ok=True)


def sound_pack(keys):
    """A level's sound pack: the guide's lines of its tutorials."""
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<SoundPack>"]
    for key in keys:
        lines.append(f'\t<SoundCue Name="{key}" GroupID="{GROUP}" Vol="{VOLUME:g}">')
        lines.append(f'\t\t<Sound Filename="voices/{key}.ogg" />')
        lines.append("\t</SoundCue>")
    lines.append("</SoundPack>")
    return "\n".join(lines) + "\n"
