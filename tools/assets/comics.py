"""The comic episodes told between the levels: the arrival (played when a new
game starts) and one episode where the journey enters a new season and at
its end.

Each episode is a page of four panels under scenes/Comics/episodeN/
ComicsScene.mscn. A panel is painted here: the ground of its setting (the
levels' own ground), a sky and hills, roads and rails, and the town's models
rendered with POV-Ray at comic size from the same scene files as the game's
sprites (kept in tools/assets/comics/renders with a manifest of source
hashes, as renders.py keeps the game's). The panels of episode N go into the
atlas "ComicsN"; the speech bubbles, caption boxes and page pieces into
"Comics". A part shows its caption at once and its speech after it; the
speech is held for its reading time (the game's rule: one second for each
fourteen characters of the translated text), so the comic reads the same in
both languages and needs no voices.

The comics configuration names the level numbers after which an episode
plays (the level-completed screen looks up the number of the level just
passed); JOURNEY below is that list.
"""

import os
import random

from PIL import Image, ImageDraw, ImageFilter

import art
import levelart
import renders
import scenes
import sounds
import storytexts

HERE = os.path.dirname(os.path.abspath(__file__))
CACHE = os.path.join(HERE, "comics", "renders")
MANIFEST = os.path.join(CACHE, "manifest.txt")

# Level number after which an episode plays -> episode number. Episode 1
# plays when a new game starts.
JOURNEY = {12: 2, 24: 3, 36: 4, 48: 5}
EPISODES = (1, 2, 3, 4, 5)


def scene_path(episode):
    return f"scenes/Comics/episode{episode}/ComicsScene.mscn"


def configuration_entries():
    """(level number, scene path) of every episode played after a level."""
    return [(level, scene_path(episode)) for level, episode in sorted(JOURNEY.items())]


# ---------------------------------------------------------------------------
# Renders at comic size

BUILDING = (256, 304)   # twice the game's sprites
PERSON = (144, 180)     # three times
COACH = (216, 180)
TRAIN = (640, 160)
GUIDE_CLOSE = (288, 360)  # six times: the guide in the front of a panel

MODELS = {"BuildingPlace": 0, "MajorOffice1": 1, "Apartment1": 2, "Apartment2": 3, "Apartment3": 4,
          "Apartment4": 5, "Shop1": 6, "Shop2": 7, "Saloon1": 8, "WaterTower1": 9, "Doctor1": 10,
          "LumberMill1": 11, "GoldenMine1": 13, "RailRoadStation1": 14, "Bandstand1": 15, "Boulder1": 16,
          "FallenTree1": 17, "WoodPile1": 18, "GoldPile1": 19}


def jobs():
    out = {name: ("town.pov", BUILDING, {"Model": model}) for name, model in MODELS.items()}
    out["Guide"] = ("guide.pov", PERSON, {"Heading": 300, "Still": 1})
    out["GuideTalkRight"] = ("guide.pov", PERSON, {"Heading": 330, "Work": 1, "Phase": 0.25})
    out["GuideTalkLeft"] = ("guide.pov", PERSON, {"Heading": 210, "Work": 1, "Phase": 0.25})
    out["GuideClose"] = ("guide.pov", GUIDE_CLOSE, {"Heading": 300, "Work": 1, "Phase": 0.3})
    out["Worker"] = ("people.pov", PERSON, {"Heading": 300, "Still": 1})
    out["WorkerLeft"] = ("people.pov", PERSON, {"Heading": 225, "Still": 1})
    out["WorkerWood"] = ("people.pov", PERSON, {"Heading": 315, "Load": 1, "Phase": 0.33})
    out["WorkerGold"] = ("people.pov", PERSON, {"Heading": 225, "Load": 2, "Phase": 0.66})
    out["WorkerWork"] = ("people.pov", PERSON, {"Heading": 180, "Work": 1, "Phase": 0.5})
    out["Horse"] = ("coach.pov", COACH, {"Part": 0, "Heading": 0, "Phase": 0.3})
    out["Cart"] = ("coach.pov", COACH, {"Part": 1, "Heading": 0})
    out["Train"] = ("train.pov", TRAIN, {"Facing": 1})
    out["TrainLeft"] = ("train.pov", TRAIN, {"Facing": -1})
    return out


def update(check=False):
    """Renders what is out of date with its sources (with `check`, nothing);
    answers the names that were (or are) out of date."""
    manifest = renders.read_manifest(MANIFEST)
    todo = jobs()
    hashes = {name: renders.source_hash("comics/" + name, job) for name, job in todo.items()}
    stale = [name for name in todo
             if manifest.get(name) != (hashes[name], renders.file_hash(os.path.join(CACHE, name + ".png")))]
    if check:
        return ["comics/" + name for name in stale]
    os.makedirs(CACHE, exist_ok=True)
    for name in stale:
        path = os.path.join(CACHE, name + ".png")
        renders.render(todo[name]).save(path, optimize=True)
        manifest[name] = (hashes[name], renders.file_hash(path))
    with open(MANIFEST, "w", encoding="utf-8", newline="\n") as f:
        for name in sorted(manifest):
            if name in todo:
                f.write(f"{name} {manifest[name][0]} {manifest[name][1]}\n")
    return stale


_loaded = {}


def model(name):
    if name not in _loaded:
        _loaded[name] = Image.open(os.path.join(CACHE, name + ".png")).convert("RGBA")
    return _loaded[name]


# ---------------------------------------------------------------------------
# Painting a panel

PANEL_W, PANEL_H = 484, 330
PANELS = [(18, 14), (522, 14), (18, 356), (522, 356)]  # top-left corners on the page
HORIZON = 92

SKIES = {1: ((132, 186, 230), (226, 236, 226)), 2: ((104, 164, 226), (250, 234, 196)),
         3: ((150, 150, 170), (236, 196, 150)), 4: ((176, 196, 216), (236, 240, 246))}
HILLS = {1: ((118, 168, 120), (94, 146, 98)), 2: ((150, 172, 96), (120, 150, 80)),
         3: ((176, 126, 72), (146, 100, 60)), 4: ((220, 228, 238), (196, 206, 222))}


def backdrop(setting, seed, sunset=False):
    """Sky, far hills and the level's ground seen at comic size."""
    top, bottom = SKIES[setting]
    if sunset:
        top, bottom = (96, 104, 160), (250, 176, 110)
    img = art.gradient(PANEL_W, PANEL_H, top, bottom)
    rng = random.Random(seed)
    d = ImageDraw.Draw(img)
    # A few soft clouds.
    clouds = art.canvas(PANEL_W, PANEL_H)
    cd = ImageDraw.Draw(clouds)
    for _ in range(4):
        x, y = rng.randrange(-40, PANEL_W), rng.randrange(6, HORIZON - 40)
        for k in range(4):
            r = rng.randrange(14, 26)
            cd.ellipse((x + k * 18 - r, y - r // 2, x + k * 18 + r, y + r // 2 + 6), fill=(255, 255, 255, 190))
    img.alpha_composite(clouds.filter(ImageFilter.GaussianBlur(3)))
    far, near = HILLS[setting]
    art.hills(img, rng.random() * 6, HORIZON - 26, 10, far + (255,), 60)
    art.hills(img, rng.random() * 6, HORIZON - 10, 7, near + (255,), 38)
    # The ground: the level's own, twice as large as in play.
    ground = levelart.ground(setting).convert("RGBA")
    gx, gy = rng.randrange(0, 1024 - PANEL_W // 2), rng.randrange(0, 768 - PANEL_H // 2)
    patch = ground.crop((gx, gy, gx + PANEL_W // 2, gy + (PANEL_H - HORIZON) // 2 + 1))
    patch = patch.resize((PANEL_W, PANEL_H - HORIZON + 2), Image.LANCZOS)
    img.alpha_composite(patch, (0, HORIZON))
    # A soft edge where the land meets the hills.
    d.line((0, HORIZON, PANEL_W, HORIZON), fill=tuple(int(c * 0.8) for c in near) + (255,), width=2)
    return img


def road(img, setting, y, height=34, x0=0, x1=PANEL_W):
    """A dirt street across the panel, its ruts and edges as on the field."""
    surface, edge, light = levelart.PALETTES[setting][3:]
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((x0, y - 2, x1, y + height + 2), 8, fill=edge + (255,))
    d.rounded_rectangle((x0, y, x1, y + height), 8, fill=surface + (255,))
    for ry in (y + 9, y + height - 9):
        d.line((x0 + 4, ry, x1 - 4, ry), fill=edge + (140,), width=2)
    rng = random.Random(y * 7 + x0)
    for _ in range((x1 - x0) // 6):
        px, py = rng.randrange(x0 + 4, x1 - 4), rng.randrange(y + 3, y + height - 3)
        d.point((px, py), fill=light + (255,))


def rails(img, setting, y):
    """The railway across the panel at comic size."""
    piece = levelart.rail_piece(setting, "SingleH", 0).resize((80, 80), Image.LANCZOS)
    for x in range(-20, PANEL_W, 80):
        img.alpha_composite(piece, (x, y - 40))


def put(img, name, x, y, flip=False):
    """A rendered model with its middle-bottom at x, y."""
    picture = model(name)
    if flip:
        picture = picture.transpose(Image.FLIP_LEFT_RIGHT)
    img.alpha_composite(picture, (int(x - picture.width // 2), int(y - picture.height)))


def snow(img, seed, amount=160):
    d = ImageDraw.Draw(img)
    rng = random.Random(seed)
    for _ in range(amount):
        x, y, r = rng.randrange(PANEL_W), rng.randrange(PANEL_H), rng.choice((1, 1, 2))
        d.ellipse((x - r, y - r, x + r, y + r), fill=(255, 255, 255, 230))


def rain(img, seed):
    layer = art.canvas(PANEL_W, PANEL_H)
    d = ImageDraw.Draw(layer)
    rng = random.Random(seed)
    for _ in range(220):
        x, y = rng.randrange(-20, PANEL_W), rng.randrange(-20, PANEL_H)
        d.line((x, y, x - 4, y + 12), fill=(210, 220, 236, 150), width=1)
    img.alpha_composite(layer)


def sun(img, x, y, r=22):
    layer = art.canvas(PANEL_W, PANEL_H)
    d = ImageDraw.Draw(layer)
    d.ellipse((x - r * 2, y - r * 2, x + r * 2, y + r * 2), fill=(255, 244, 190, 70))
    d.ellipse((x - r, y - r, x + r, y + r), fill=(255, 236, 150, 255))
    img.alpha_composite(layer.filter(ImageFilter.GaussianBlur(2)))


def leaves(img, seed):
    d = ImageDraw.Draw(img)
    rng = random.Random(seed)
    for _ in range(60):
        x, y = rng.randrange(PANEL_W), rng.randrange(PANEL_H)
        c = rng.choice([(206, 110, 40), (226, 168, 60), (170, 70, 36)])
        d.ellipse((x, y, x + 5, y + 3), fill=c + (255,))


def bunting(img, y, seed):
    d = ImageDraw.Draw(img)
    rng = random.Random(seed)
    d.line((0, y, PANEL_W, y + 10), fill=art.INK, width=1)
    for x in range(6, PANEL_W, 22):
        yy = y + 10 * x / PANEL_W
        c = rng.choice([art.BRICK, art.BRASS, art.FOREST_LIGHT, (70, 110, 190, 255)])
        d.polygon([(x, yy), (x + 14, yy + 1), (x + 7, yy + 14)], fill=c)


def smoke(img, x, y):
    layer = art.canvas(PANEL_W, PANEL_H)
    d = ImageDraw.Draw(layer)
    for k in range(6):
        r = 8 + k * 4
        d.ellipse((x + k * 14 - r, y - k * 12 - r, x + k * 14 + r, y - k * 12 + r), fill=(236, 236, 236, 200 - k * 25))
    img.alpha_composite(layer.filter(ImageFilter.GaussianBlur(2)))


def finish(img):
    """Ink frame round the panel."""
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, PANEL_W - 1, PANEL_H - 1), outline=art.INK, width=4)
    return img.convert("RGB")


# The four panels of each episode: the setting, a seed, and how the panel is
# drawn; then the speech bubbles each part shows (see PARTS).

def ep1(n):
    s = 1
    img = backdrop(s, 100 + n)
    if n == 1:
        rails(img, s, 210)
        put(img, "RailRoadStation1", 120, 200)
        put(img, "Train", 330, 246)
        smoke(img, 420, 130)
    elif n == 2:
        road(img, s, 250, x0=-10, x1=PANEL_W + 10)
        put(img, "MajorOffice1", 170, 260)
        put(img, "GuideTalkRight", 330, 300)
        put(img, "Worker", 390, 296)
        put(img, "WorkerLeft", 432, 310)
        put(img, "Worker", 360, 322)
    elif n == 3:
        road(img, s, 270)
        put(img, "BuildingPlace", 150, 270)
        put(img, "Apartment1", 350, 262)
        put(img, "WorkerWood", 230, 300)
        put(img, "WorkerWork", 290, 310)
        put(img, "FallenTree1", 450, 330)
    else:
        road(img, s, 268)
        put(img, "Apartment1", 90, 250)
        put(img, "Shop1", 250, 240)
        put(img, "Apartment2", 410, 250)
        put(img, "GuideTalkLeft", 300, 318)
        put(img, "Worker", 200, 318)
    return finish(img)


def ep2(n):
    s = 2
    img = backdrop(s, 200 + n)
    sun(img, 420, 40)
    if n == 1:
        road(img, s, 262)
        put(img, "Apartment3", 100, 250)
        put(img, "Shop2", 260, 240)
        put(img, "Apartment4", 410, 252)
        put(img, "Guide", 330, 322)
    elif n == 2:
        road(img, s, 280)
        put(img, "LumberMill1", 160, 270)
        put(img, "WoodPile1", 330, 300)
        put(img, "WorkerWood", 400, 318)
    elif n == 3:
        put(img, "GoldenMine1", 170, 262)
        put(img, "GoldPile1", 330, 290)
        put(img, "WorkerGold", 400, 320)
        put(img, "GuideTalkLeft", 270, 326)
    else:
        rails(img, s, 214)
        put(img, "RailRoadStation1", 390, 204)
        put(img, "Train", 200, 250)
        smoke(img, 290, 130)
        put(img, "GuideTalkRight", 120, 318)
    return finish(img)


def ep3(n):
    s = 3
    img = backdrop(s, 300 + n)
    if n == 1:
        road(img, s, 262)
        put(img, "Saloon1", 130, 250)
        put(img, "Bandstand1", 340, 258)
        put(img, "Worker", 250, 316)
        put(img, "WorkerLeft", 420, 320)
        leaves(img, 31)
    elif n == 2:
        road(img, s, 270)
        put(img, "Apartment2", 190, 262)
        put(img, "WorkerWork", 310, 300)
        put(img, "Worker", 370, 316)
        rain(img, 32)
    elif n == 3:
        road(img, s, 270)
        put(img, "Doctor1", 150, 256)
        put(img, "WaterTower1", 360, 250)
        put(img, "GuideTalkRight", 250, 322)
        leaves(img, 33)
    else:
        rails(img, s, 212)
        put(img, "TrainLeft", 250, 248)
        smoke(img, 130, 130)
        put(img, "Horse", 380, 320)
        put(img, "Cart", 300, 318)
    return finish(img)


def ep4(n):
    s = 4
    img = backdrop(s, 400 + n)
    if n == 1:
        road(img, s, 266)
        put(img, "Apartment3", 110, 254)
        put(img, "Apartment1", 260, 256)
        put(img, "WaterTower1", 400, 250)
        snow(img, 41)
    elif n == 2:
        put(img, "Boulder1", 140, 300)
        put(img, "FallenTree1", 300, 310)
        put(img, "WorkerWork", 220, 322)
        put(img, "WorkerWood", 400, 324)
        snow(img, 42)
    elif n == 3:
        rails(img, s, 210)
        put(img, "RailRoadStation1", 110, 200)
        put(img, "Train", 330, 246)
        smoke(img, 420, 130)
        put(img, "WorkerGold", 200, 320)
        snow(img, 43, 90)
    else:
        img = backdrop(s, 404, sunset=True)
        put(img, "MajorOffice1", 240, 280)
        put(img, "GuideClose", 390, 372)
        snow(img, 44, 80)
    return finish(img)


def ep5(n):
    s = 2 if n < 3 else 1
    img = backdrop(s, 500 + n)
    if n == 1:
        road(img, s, 262)
        put(img, "Apartment4", 80, 250)
        put(img, "Shop2", 220, 240)
        put(img, "Saloon1", 360, 250)
        put(img, "Apartment3", 470, 256)
        bunting(img, 96, 51)
    elif n == 2:
        road(img, s, 276)
        put(img, "Bandstand1", 230, 264)
        for x, who in ((120, "Worker"), (160, "WorkerLeft"), (330, "Worker"), (380, "WorkerLeft"), (420, "Guide")):
            put(img, who, x, 326)
        bunting(img, 60, 52)
    elif n == 3:
        rails(img, s, 210)
        put(img, "RailRoadStation1", 400, 200)
        put(img, "Train", 190, 246)
        smoke(img, 280, 130)
        put(img, "Horse", 120, 326)
        put(img, "Cart", 40, 324)
    else:
        img = backdrop(1, 504, sunset=True)
        put(img, "MajorOffice1", 150, 270)
        put(img, "Bandstand1", 290, 300)
        put(img, "GuideClose", 410, 372)
        bunting(img, 40, 54)
    return finish(img)


PAINTERS = {1: ep1, 2: ep2, 3: ep3, 4: ep4, 5: ep5}

# Episode -> four parts: (caption key, speech key, bubble x, y, width, tail side).
# The bubble's place is inside the panel; the tail points left or right
# down to the speaker.
PARTS = {
    1: [("Comic1_1a", "Comic1_1b", 150, 206, 320, "left"), ("Comic1_2a", "Comic1_2b", 150, 178, 320, "right"),
        ("Comic1_3a", "Comic1_3b", 30, 176, 300, "right"), ("Comic1_4a", "Comic1_4b", 60, 206, 320, "right")],
    2: [("Comic2_1a", "Comic2_1b", 40, 206, 300, "right"), ("Comic2_2a", "Comic2_2b", 160, 204, 300, "right"),
        ("Comic2_3a", "Comic2_3b", 30, 210, 300, "right"), ("Comic2_4a", "Comic2_4b", 160, 206, 300, "left")],
    3: [("Comic3_1a", "Comic3_1b", 150, 200, 300, "right"), ("Comic3_2a", "Comic3_2b", 170, 206, 290, "left"),
        ("Comic3_3a", "Comic3_3b", 30, 216, 300, "right"), ("Comic3_4a", "Comic3_4b", 30, 206, 300, "right")],
    4: [("Comic4_1a", "Comic4_1b", 40, 200, 320, "left"), ("Comic4_2a", "Comic4_2b", 150, 200, 300, "left"),
        ("Comic4_3a", "Comic4_3b", 200, 206, 270, "left"), ("Comic4_4a", "Comic4_4b", 20, 190, 290, "right")],
    5: [("Comic5_1a", "Comic5_1b", 40, 206, 320, "right"), ("Comic5_2a", "Comic5_2b", 100, 196, 300, "right"),
        ("Comic5_3a", "Comic5_3b", 160, 214, 300, "left"), ("Comic5_4a", "Comic5_4b", 20, 190, 300, "right")],
}


# ---------------------------------------------------------------------------
# Page pieces (atlas "Comics")

def bubble():
    """A white speech bubble, drawn as a nine-grid."""
    img = art.canvas(64, 64)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, 63, 63), 20, fill=art.INK)
    d.rounded_rectangle((3, 3, 60, 60), 17, fill=(255, 253, 246, 255))
    return img


def caption():
    """The narrator's yellowed box."""
    img = art.canvas(48, 48)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 47, 47), fill=art.INK)
    d.rectangle((3, 3, 44, 44), fill=(250, 230, 170, 255))
    return img


def tail(left):
    """The bubble's tail, pointing down to the speaker."""
    def draw(d, s):
        pts = [(4 * s, 0), (30 * s, 0), (8 * s, 34 * s)] if left else [(6 * s, 0), (32 * s, 0), (30 * s, 34 * s)]
        d.polygon(pts, fill=art.INK)
        inner = [(8 * s, 0), (26 * s, 0), (10 * s, 26 * s)] if left else [(10 * s, 0), (28 * s, 0), (28 * s, 26 * s)]
        d.polygon(inner, fill=(255, 253, 246, 255))
    big = art.canvas(36 * 4, 36 * 4)
    draw(ImageDraw.Draw(big), 4)
    return big.resize((36, 36), Image.LANCZOS)


def page():
    """The table the page lies on."""
    img = art.gradient(64, 64, (70, 52, 40), (48, 36, 28))
    return img


def draw_common(folder, save):
    save(bubble(), f"{folder}/Bubble.png")
    save(caption(), f"{folder}/Caption.png")
    save(tail(True), f"{folder}/TailLeft.png")
    save(tail(False), f"{folder}/TailRight.png")
    save(page(), f"{folder}/Page.png")


def draw_episode(folder, episode, save):
    for n in range(1, 5):
        save(PAINTERS[episode](n), f"{folder}/Panel{n}.png")


# ---------------------------------------------------------------------------
# Scenes

UP = "../../../"
IMG = UP + "img/"
TEXT = UP + "fonts/Text.mfnt"
SMALL = UP + "fonts/Small.mfnt"
INK = "ff262220"
DIM = "ff707070"


def fade_in(ms=350):
    return scenes.keyframes("color", "TintColor", [(0, scenes.HIDDEN), (ms, scenes.SHOWN)])


# The speech text's font as the game draws it (Text.mfnt), its line step,
# and the lowest top a bubble may have (below the panel's caption).
SPEECH_FONT_SIZE = 22
SPEECH_LINE = 27
BUBBLE_TOP_MIN = 72


def wrapped_lines(text, width, size=SPEECH_FONT_SIZE):
    """How many lines `text` takes wrapped at spaces to `width` pixels."""
    measure = art.font(size)
    lines, line = 1, ""
    for word in text.split():
        candidate = f"{line} {word}" if line else word
        if line and measure.getlength(candidate) > width:
            lines, line = lines + 1, word
        else:
            line = candidate
    return lines


def fit_bubble(key, x, bottom, w):
    """The place and size of the bubble of `key` whose lower edge is at
    `bottom`: tall enough for its longest translation; widened (to the
    left when the panel ends) while it would climb over the caption."""
    texts = storytexts.TEXTS[key]
    while True:
        lines = max(wrapped_lines(t, w - 24) for t in texts)
        h = lines * SPEECH_LINE + 14
        if bottom - h >= BUBBLE_TOP_MIN or w >= PANEL_W - 20:
            return x, bottom - h, w, h
        w += 20
        x = max(10, min(x, PANEL_W - 10 - w))


def bubble_node(name, key, x, y, w, h, picture, tail_side=None, fnt=TEXT, colour=INK):
    node = scenes.Node("BaseNode", name).prop("vector3d", "Position", scenes.vec(x, y, 0.2))
    node.prop("vector3d", "Bounds", scenes.vec(w, h))
    border = 20 if picture == "Bubble" else 10
    node.add(scenes.nine_grid("Frame", IMG + f"comics/{picture}.png", 0, 0, w, h, border))
    if tail_side:
        tx = 24 if tail_side == "left" else w - 60
        node.add(scenes.sprite("Tail", IMG + f"comics/Tail{'Left' if tail_side == 'left' else 'Right'}.png",
                               tx, h - 3, 0.01))
    node.add(scenes.text("Text", f"%{key}%", 12, 4, w - 24, h - 8, fnt, colour, wrap=True, z=0.02))
    # Bubbles pop in and fade away; at the end of the page those that stay
    # show again.
    node.state("OnAppear", fade_in(250))
    node.state("OnDisappear", scenes.keyframes("color", "TintColor", [(0, scenes.SHOWN), (200, scenes.HIDDEN)]))
    node.state("Unhide", scenes.set_props(("color", "TintColor", scenes.SHOWN)))
    return node


def comic_scene(episode):
    root = scenes.Node("SceneNode", "ComicsScene", "GComicsScene")
    root.uses = [UP + "atlases/Common.xml", UP + "atlases/Comics.xml", UP + f"atlases/Comics{episode}.xml"]
    root.prop("vector3d", "Bounds", scenes.vec(scenes.W, scenes.H))
    scene = scenes.group("Scene")
    scene.add(scenes.sprite("Table", IMG + "comics/Page.png", 0, 0, -1, stretch=(scenes.W, scenes.H)))
    # Behind the panels: once the first has been read the table darkens, so
    # the panel being read stands out; at the end of the page it lightens.
    dark = scenes.Node("GRectangleNode", "DarkBg").prop("vector3d", "Position", scenes.vec(0, 0, -0.5))
    dark.prop("vector3d", "Bounds", scenes.vec(scenes.W, scenes.H))
    dark.prop("color", "FillColor", "a0000000").prop("color", "BorderColor", "00000000")
    dark.prop("color", "TintColor", scenes.HIDDEN).prop("bool", "CanBeHit", "false")
    dark.state("OnAppear", fade_in(400))
    dark.state("OnDisappear", scenes.keyframes("color", "TintColor", [(0, scenes.SHOWN), (400, scenes.HIDDEN)]))
    scene.add(dark)

    parts = scenes.group("Parts")
    for index, ((px, py), (cap, speech, bx, by, bw, side)) in enumerate(zip(PANELS, PARTS[episode])):
        part = scenes.group(f"Part{index + 1}", px, py, PANEL_W, PANEL_H)
        picture = scenes.sprite("Picture", IMG + f"comics/episode{episode}/Panel{index + 1}.png", 0, 0, 0)
        # A panel slides a little and fades in; once read it dims, and the
        # whole page lights up again at its end.
        picture.state("OnAppear", fade_in(400) + "\n" +
                      scenes.keyframes("vector3d", "Position", [(0, "0;12;0"), (400, "0;0;0")]))
        if index < len(PANELS) - 1:
            picture.state("OnDisappear", scenes.keyframes("color", "TintColor", [(0, scenes.SHOWN), (300, DIM)]))
        else:
            # The last panel ends the page, which shows whole again.
            picture.state("OnDisappear", scenes.keyframes("color", "TintColor", [(0, scenes.SHOWN), (300, scenes.SHOWN)]))
        picture.state("Unhide", scenes.keyframes("color", "TintColor", [(0, DIM), (400, scenes.SHOWN)]))
        part.add(picture)
        holder = scenes.Node("BaseNode", "Bg").prop("vector3d", "Position", scenes.vec(0, 0, 0.1))
        holder.add(bubble_node("TextBgNoDisappear", cap, 10, 10, PANEL_W - 20, 56, "Caption", fnt=SMALL))
        holder.add(bubble_node("TextBg", speech, *fit_bubble(speech, bx, by - 10, bw), "Bubble", side))
        part.add(holder)
        # What is read aloud (or held for its reading time): the caption
        # and the speech.
        said = scenes.text("ComicsSpeechText", f"%{cap}%%{speech}%", 0, 0, 1, 1, SMALL)
        said.prop("bool", "Visible", "false")
        part.add(said)
        parts.add(part)
    scene.add(parts)
    scene.add(scenes.at(scenes.button("ReplayButton", "%Comics_Replay%", 0, 0), 18, 702, 1))
    scene.add(scenes.at(scenes.button("NextButton", "%Comics_Next%", 0, 0), scenes.W - 18 - 280, 702, 1))
    root.add(scene)
    return root


def scene_files():
    """Path under assets/ -> scene text."""
    return {scene_path(e): scenes.document(comic_scene(e)) for e in EPISODES}


# ---------------------------------------------------------------------------
# Sound: the page's rustle when a panel opens

def sound_pack(episode):
    return ('<?xml version="1.0" encoding="utf-8"?>\n<SoundPack>\n'
            '\t<SoundCue Name="ComicsText" GroupID="3" Vol="0.6">\n'
            '\t\t<Sound Filename="ComicsPage.ogg" />\n\t</SoundCue>\n</SoundPack>\n')


def make_sounds(work, out):
    wav = os.path.join(work, "page.wav")
    sounds.sox("-n", "-r", sounds.RATE, "-c", "1", "-b", "16", wav, "synth", "0.35", "pinknoise",
               "highpass", "1200", "lowpass", "6000", "fade", "q", "0.03", "0.35", "0.25", "vol", "0.5")
    sounds.encode(wav, os.path.join(out, "ComicsPage.ogg"), "3")
    for episode in EPISODES:
        with open(os.path.join(out, f"SoundPackComics{episode}.xml"), "w", encoding="utf-8", newline="\n") as f:
            f.write(sound_pack(episode))


def owned():
    """Files and folders under assets/ this module writes."""
    return (["scenes/Comics", "atlases/Comics.xml", "atlases/Comics.png"] +
            [f"atlases/Comics{e}.{x}" for e in EPISODES for x in ("xml", "png")])
