"""Renders of the town's models with POV-Ray.

Rendering takes a while, so the renders are kept beside their sources in
tools/assets/renders, with a manifest of the hash of what made each one (the
scene file, the options, this file's settings and the renderer's version).
The asset run renders a model again only when its hash changed; the check
run only compares the hashes, and fails when a render is out of date.

Each model renders twice, alone with a transparent background and over a
white ground; the picture keeps the model and, from the second render, how
dark its shadow made the ground, as a soft shadow under it.
"""

import hashlib
import os
import subprocess
import tempfile

from PIL import Image, ImageChops

HERE = os.path.dirname(os.path.abspath(__file__))
SCENE = os.path.join(HERE, "models", "town.pov")
CACHE = os.path.join(HERE, "renders")
MANIFEST = os.path.join(CACHE, "manifest.txt")

# Name under img/buildings/ -> model number of town.pov.
MODELS = {
    "BuildingPlace": 0, "MajorOffice1": 1, "Apartment1": 2, "Apartment2": 3, "Apartment3": 4, "Apartment4": 5,
    "Shop1": 6, "Shop2": 7, "Saloon1": 8, "WaterTower1": 9, "Doctor1": 10, "LumberMill1": 11, "LumberMill2": 12,
    "GoldenMine1": 13, "RailRoadStation1": 14, "Bandstand1": 15, "Boulder1": 16, "FallenTree1": 17,
    "WoodPile1": 18, "GoldPile1": 19, "Wagon1": 20,
}
SIZE = (128, 152)
OPTIONS = ["+UA", "+A0.1", "+AM2", "+R3", "+WT1", "-D", "+Q9", "-V", "-GA"]
SHADOW = (24, 30, 12)  # the colour of shadows on grass
SHADOW_ALPHA = 150


def renderer_version():
    try:
        out = subprocess.run(["povray", "--version"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    except FileNotFoundError:
        return "none"
    return next((line for line in out.stdout.splitlines() if line.startswith("POV-Ray")), "unknown")


def source_hash(name, version):
    digest = hashlib.sha256()
    with open(SCENE, "rb") as f:
        digest.update(f.read())
    digest.update(repr((name, MODELS[name], SIZE, OPTIONS, SHADOW, SHADOW_ALPHA, version)).encode())
    return digest.hexdigest()


def file_hash(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def read_manifest():
    """Name -> (hash of the sources, hash of the render)."""
    entries = {}
    if os.path.exists(MANIFEST):
        with open(MANIFEST, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3:
                    entries[parts[0]] = (parts[1], parts[2])
    return entries


def povray(model, ground, out):
    cmd = ["povray", f"+I{SCENE}", f"+O{out}", f"+W{SIZE[0]}", f"+H{SIZE[1]}", *OPTIONS,
           f"Declare=Model={model}", f"Declare=Ground={ground}"]
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"povray failed on model {model}:\n{result.stdout[-2000:]}")
    return Image.open(out).convert("RGBA")


def render(name):
    with tempfile.TemporaryDirectory() as work:
        alone = povray(MODELS[name], 0, os.path.join(work, "alone.png"))
        grounded = povray(MODELS[name], 1, os.path.join(work, "ground.png"))
    # Where the model is not, the ground's darkness is its shadow.
    lit = max(grounded.convert("L").getextrema()[1], 1)
    darkness = grounded.convert("L").point(lambda v: max(0, min(255, (lit - v) * 255 // lit)))
    darkness = darkness.point(lambda v: v * SHADOW_ALPHA // 255)
    shadow = Image.new("RGBA", SIZE, SHADOW + (0,))
    shadow.putalpha(ImageChops.multiply(darkness, ImageChops.invert(alone.getchannel("A"))))
    shadow.alpha_composite(alone)
    return shadow


def update(names=None, check=False):
    """Renders what is out of date (all of `names`, or every model); with
    `check`, renders nothing and returns the names out of date."""
    version = renderer_version()
    manifest = read_manifest()
    stale = [name for name in (names or MODELS)
             if manifest.get(name) != (source_hash(name, version), file_hash(os.path.join(CACHE, name + ".png")))]
    if check:
        return stale
    os.makedirs(CACHE, exist_ok=True)
    for name in stale:
        path = os.path.join(CACHE, name + ".png")
        render(name).save(path, optimize=True)
        manifest[name] = (source_hash(name, version), file_hash(path))
    with open(MANIFEST, "w", encoding="utf-8", newline="\n") as f:
        for name in sorted(manifest):
            if name in MODELS:
                f.write(f"{name} {manifest[name][0]} {manifest[name][1]}\n")
    return stale


def copy_to(folder):
    os.makedirs(folder, exist_ok=True)
    for name in MODELS:
        Image.open(os.path.join(CACHE, name + ".png")).save(os.path.join(folder, name + ".png"))
