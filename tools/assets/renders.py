"""Renders of the town's models with POV-Ray.

Rendering takes a while, so the renders are kept beside their sources in
tools/assets/renders, with a manifest of the hash of what made each one (the
scene file, the options and this file's settings).
The asset run renders a model again only when its hash changed; the check
run only compares the hashes, and fails when a render is out of date.

Each model renders twice, alone with a transparent background and over a
white ground; the picture keeps the model and, from the second render, how
dark its shadow made the ground, as a soft shadow under it.
"""

import concurrent.futures
import hashlib
import os
import shutil
import subprocess
import tempfile

from PIL import Image, ImageChops

HERE = os.path.dirname(os.path.abspath(__file__))
MODELS_DIR = os.path.join(HERE, "models")
CACHE = os.path.join(HERE, "renders")
MANIFEST = os.path.join(CACHE, "manifest.txt")

# Name under img/buildings/ -> model number of town.pov.
BUILDINGS = {
    "BuildingPlace": 0, "MajorOffice1": 1, "Apartment1": 2, "Apartment2": 3, "Apartment3": 4, "Apartment4": 5,
    "Shop1": 6, "Shop2": 7, "Saloon1": 8, "WaterTower1": 9, "Doctor1": 10, "LumberMill1": 11, "LumberMill2": 12,
    "GoldenMine1": 13, "RailRoadStation1": 14, "Bandstand1": 15, "Boulder1": 16, "FallenTree1": 17,
    "WoodPile1": 18, "GoldPile1": 19, "Wagon1": 20,
}
BUILDING_SIZE = (128, 152)
PERSON_SIZE = (48, 60)
COACH_SIZE = (72, 60)
TRAIN_SIZE = (256, 64)
# Walk directions by their screen heading, anticlockwise from right.
HEADINGS = {"Right": 0, "RightUp": 45, "Up": 90, "LeftUp": 135, "Left": 180, "LeftDown": 225, "Down": 270,
            "RightDown": 315}
LOADS = {"": 0, "Wood": 1, "Gold": 2}
WALK_FRAMES = 6
WORK_FRAMES = 4
WORK_HEADINGS = {"Left": 180, "Right": 0, "Up": 90, "Down": 270}
# What a worker does at a place, by the state prefix the buildings name:
# hammering, sawing (the lumber mill, a fallen tree), digging (the gold mine).
WORK_TOOLS = {"Work": 1, "Saw": 2, "Dig": 3}


def jobs():
    """Render name (its path under img/) -> (scene file, size, declared values)."""
    out = {}
    for name, model in BUILDINGS.items():
        out[f"buildings/{name}"] = ("town.pov", BUILDING_SIZE, {"Model": model})
    for direction, heading in HEADINGS.items():
        for load, value in LOADS.items():
            for frame in range(WALK_FRAMES):
                out[f"people/Move{direction}{load}{frame}"] = (
                    "people.pov", PERSON_SIZE, {"Heading": heading, "Load": value, "Phase": frame / WALK_FRAMES})
    for tool, work in WORK_TOOLS.items():
        for direction, heading in WORK_HEADINGS.items():
            for frame in range(WORK_FRAMES):
                out[f"people/{tool}{direction}{frame}"] = (
                    "people.pov", PERSON_SIZE, {"Heading": heading, "Work": work, "Phase": frame / WORK_FRAMES})
    out["people/Stand0"] = ("people.pov", PERSON_SIZE, {"Heading": 300, "Still": 1})
    # The guide walks like the worker, without loads, and talks where she works.
    for direction, heading in HEADINGS.items():
        for frame in range(WALK_FRAMES):
            out[f"people/GuideMove{direction}{frame}"] = (
                "guide.pov", PERSON_SIZE, {"Heading": heading, "Phase": frame / WALK_FRAMES})
            out[f"people/HorseMove{direction}{frame}"] = (
                "coach.pov", COACH_SIZE, {"Part": 0, "Heading": heading, "Phase": frame / WALK_FRAMES})
        out[f"people/CartMove{direction}0"] = ("coach.pov", COACH_SIZE, {"Part": 1, "Heading": heading})
    for direction, heading in WORK_HEADINGS.items():
        for frame in range(WORK_FRAMES):
            out[f"people/GuideWork{direction}Talk{frame}"] = (
                "guide.pov", PERSON_SIZE, {"Heading": heading, "Work": 1, "Phase": frame / WORK_FRAMES})
    out["people/GuideStand0"] = ("guide.pov", PERSON_SIZE, {"Heading": 300, "Still": 1})
    out["trains/Train1Right"] = ("train.pov", TRAIN_SIZE, {"Facing": 1})
    out["trains/Train1Left"] = ("train.pov", TRAIN_SIZE, {"Facing": -1})
    return out


OPTIONS = ["+UA", "+A0.1", "+AM2", "+R3", "+WT1", "-D", "+Q9", "-V", "-GA"]
SHADOW = (24, 30, 12)  # the colour of shadows on grass
SHADOW_ALPHA = 150


def source_hash(name, job):
    """What makes a render: its scene file, its values and the options. The
    renderer's version is left out, so the check needs no renderer; the
    renders were made with Debian 12's POV-Ray 3.7.0.10."""
    digest = hashlib.sha256()
    with open(os.path.join(MODELS_DIR, job[0]), "rb") as f:
        digest.update(f.read())
    digest.update(repr((name, job, OPTIONS, SHADOW, SHADOW_ALPHA)).encode())
    return digest.hexdigest()


def file_hash(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def read_manifest(path=MANIFEST):
    """Name -> (hash of the sources, hash of the render)."""
    entries = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3:
                    entries[parts[0]] = (parts[1], parts[2])
    return entries


def povray(job, ground, out):
    scene, size, values = job
    cmd = ["povray", f"+I{os.path.join(MODELS_DIR, scene)}", f"+O{out}", f"+W{size[0]}", f"+H{size[1]}", *OPTIONS,
           f"Declare=Ground={ground}"] + [f"Declare={key}={value:g}" for key, value in values.items()]
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"povray failed on {job}:\n{result.stdout[-2000:]}")
    return Image.open(out).convert("RGBA")


def render(job):
    size = job[1]
    with tempfile.TemporaryDirectory() as work:
        alone = povray(job, 0, os.path.join(work, "alone.png"))
        grounded = povray(job, 1, os.path.join(work, "ground.png"))
    # Where the model is not, the ground's darkness is its shadow.
    lit = max(grounded.convert("L").getextrema()[1], 1)
    darkness = grounded.convert("L").point(lambda v: max(0, min(255, (lit - v) * 255 // lit)))
    darkness = darkness.point(lambda v: v * SHADOW_ALPHA // 255)
    shadow = Image.new("RGBA", size, SHADOW + (0,))
    shadow.putalpha(ImageChops.multiply(darkness, ImageChops.invert(alone.getchannel("A"))))
    shadow.alpha_composite(alone)
    return shadow


def update(check=False):
    """Renders every job out of date with its sources; with `check`, renders
    nothing. Returns the names that were (or are) out of date."""
    manifest = read_manifest()
    todo = jobs()
    hashes = {name: source_hash(name, job) for name, job in todo.items()}
    stale = [name for name in todo
             if manifest.get(name) != (hashes[name], file_hash(os.path.join(CACHE, name + ".png")))]
    if check:
        return stale
    def make(name):
        path = os.path.join(CACHE, name + ".png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        render(todo[name]).save(path, optimize=True)
        return name, (hashes[name], file_hash(path))

    # Each render runs on one thread of its own; a few run side by side.
    with concurrent.futures.ThreadPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
        for name, entry in pool.map(make, stale):
            manifest[name] = entry
    with open(MANIFEST, "w", encoding="utf-8", newline="\n") as f:
        for name in sorted(manifest):
            if name in todo:
                f.write(f"{name} {manifest[name][0]} {manifest[name][1]}\n")
    return stale


def copy_to(folder, group):
    """The renders of one group ("buildings", "people") into `folder`."""
    os.makedirs(folder, exist_ok=True)
    for name in jobs():
        if name.startswith(group + "/"):
            shutil.copyfile(os.path.join(CACHE, name + ".png"), os.path.join(folder, name[len(group) + 1:] + ".png"))
