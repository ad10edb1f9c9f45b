"""Pictures of the playing field: the ground of each of the four settings,
the road tiles the walk grid lays on its road cells and the pieces of the
railway strip. Drawn with PIL, seeded, so the same run gives the same bytes.
"""

import os
import random

from PIL import Image, ImageDraw, ImageFilter

TILE = 32

# Setting -> (grass, grass light, grass dark, road, road edge, road light)
PALETTES = {
    1: ((112, 160, 72), (138, 184, 88), (86, 132, 58), (178, 146, 98), (140, 108, 70), (198, 170, 122)),
    2: ((150, 168, 74), (178, 190, 96), (120, 140, 60), (190, 160, 108), (150, 118, 76), (210, 182, 132)),
    3: ((160, 138, 70), (190, 150, 72), (128, 108, 56), (160, 124, 86), (118, 88, 60), (184, 150, 110)),
    4: ((222, 230, 238), (244, 248, 252), (196, 208, 222), (168, 160, 156), (128, 120, 118), (190, 184, 180)),
}
FLOWERS = {1: [(240, 236, 120), (250, 250, 250), (220, 120, 160)], 2: [(250, 210, 90), (240, 240, 240)],
           3: [(200, 90, 40), (230, 160, 50), (170, 60, 40)], 4: [(180, 196, 214), (255, 255, 255)]}

# Road tile image -> the sides that join road: l, r, u, d.
ROAD_TILES = {
    "RoadEndRight": "l", "RoadEndLeft": "r", "RoadEndBottom": "u", "RoadEndTop": "d",
    "TurnUpLeft": "lu", "TurnUpRight": "ru", "TurnDownLeft": "ld", "TurnDownRight": "rd",
    "TurnT1": "lrd", "TurnT2": "lru", "TurnT3": "lud", "TurnT4": "rud", "TurnX": "lrud",
    "SingleH0": "lr", "SingleH1": "lr", "SingleH2": "lr", "SingleH3": "lr",
    "SingleV0": "ud", "SingleV1": "ud", "SingleV2": "ud",
}

MARGIN = 5  # grass left on each side of a road


def ground(setting, w=1024, h=768):
    grass, light, dark = PALETTES[setting][:3]
    rng = random.Random(1000 + setting)
    img = Image.new("RGB", (w, h), grass)
    d = ImageDraw.Draw(img)
    for _ in range(260):
        x, y = rng.randrange(-60, w), rng.randrange(-60, h)
        rw, rh = rng.randrange(40, 160), rng.randrange(30, 110)
        d.ellipse([x, y, x + rw, y + rh], fill=light if rng.random() < 0.5 else dark)
    img = img.filter(ImageFilter.GaussianBlur(18))
    d = ImageDraw.Draw(img)
    for _ in range(900):
        x, y = rng.randrange(w), rng.randrange(h)
        colour = dark if rng.random() < 0.7 else light
        d.line([x, y, x + rng.choice((-2, 2)), y - 4], fill=colour)
        d.line([x + 1, y, x + 1, y - 5], fill=colour)
    for _ in range(160):
        x, y = rng.randrange(w), rng.randrange(h)
        colour = rng.choice(FLOWERS[setting])
        d.ellipse([x, y, x + 3, y + 3], fill=colour)
    # Few colours keep the file small; the blur hides the steps.
    return img.quantize(colors=48, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)


def road_tile(setting, sides, variant):
    road, edge, light = PALETTES[setting][3:]
    img = Image.new("RGBA", (TILE, TILE), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    lo, hi, mid = MARGIN, TILE - MARGIN - 1, TILE // 2
    bands = {"l": (0, lo, mid, hi), "r": (mid, lo, TILE - 1, hi), "u": (lo, 0, hi, mid), "d": (lo, mid, hi, TILE - 1)}
    shapes = [("rect", bands[side]) for side in sides]
    # A road's end is round; everything else meets in a square.
    shapes.append(("ellipse" if len(sides) == 1 else "rect", (lo, lo, hi, hi)))

    def grow(box, by):
        x0, y0, x1, y1 = box
        return [x0 - by if x0 > 0 else 0, y0 - by if y0 > 0 else 0,
                x1 + by if x1 < TILE - 1 else x1, y1 + by if y1 < TILE - 1 else y1]

    for grown, colour in ((1, edge), (0, road)):
        for kind, box in shapes:
            (d.ellipse if kind == "ellipse" else d.rectangle)(grow(box, grown), fill=colour + (255,))
    # Wheel ruts and pebbles, a little different in every variant.
    rng = random.Random(setting * 100 + variant * 7 + len(sides))
    horizontal = "l" in sides or "r" in sides
    vertical = "u" in sides or "d" in sides
    if horizontal and not vertical:
        for y in (lo + 5, hi - 5):
            d.line([0, y, TILE - 1, y], fill=edge + (120,))
    if vertical and not horizontal:
        for x in (lo + 5, hi - 5):
            d.line([x, 0, x, TILE - 1], fill=edge + (120,))
    for _ in range(3 + variant):
        x, y = rng.randrange(lo + 2, hi - 2), rng.randrange(lo + 2, hi - 2)
        d.point((x, y), fill=light + (255,))
        d.point((x + 1, y + 1), fill=edge + (255,))
    return img


def rail_piece(setting, kind, variant=0):
    road, edge, light = PALETTES[setting][3:]
    img = Image.new("RGBA", (TILE, TILE), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    ballast = (132, 126, 118, 255) if setting != 4 else (150, 146, 144, 255)
    start = 6 if kind == "EndLeft" else 0
    stop = TILE - 7 if kind == "EndRight" else TILE - 1
    d.rectangle([start, 8, stop, 24], fill=ballast)
    if kind == "SingleP":
        # A level crossing: planks between the rails.
        d.rectangle([0, 7, TILE - 1, 25], fill=(150, 112, 70, 255))
        for x in range(0, TILE, 8):
            d.line([x, 7, x, 25], fill=(112, 80, 48, 255))
    else:
        for x in range(start + 2, stop, 8):
            shift = 1 if variant and (x // 8) % 2 else 0
            d.rectangle([x, 7 + shift, x + 4, 25 + shift], fill=(104, 74, 46, 255))
    for y in (11, 20):
        d.line([start, y, stop, y], fill=(70, 72, 80, 255), width=2)
        d.line([start, y - 1, stop, y - 1], fill=(190, 196, 204, 255))
    if kind in ("EndLeft", "EndRight"):
        x = start if kind == "EndLeft" else stop - 3
        d.rectangle([x, 8, x + 3, 24], fill=(160, 40, 36, 255))  # buffer stop
        d.rectangle([x, 8, x + 3, 10], fill=(230, 230, 230, 255))
    return img


def draw_setting(folder, setting):
    """Road and rail pieces of one setting under folder/road and folder/rail."""
    os.makedirs(f"{folder}/road", exist_ok=True)
    os.makedirs(f"{folder}/rail", exist_ok=True)
    for name, sides in ROAD_TILES.items():
        variant = int(name[-1]) if name[-1].isdigit() else 0
        road_tile(setting, sides, variant).save(f"{folder}/road/{name}.png")
    rail_piece(setting, "EndLeft").save(f"{folder}/rail/EndLeft.png")
    rail_piece(setting, "EndRight").save(f"{folder}/rail/EndRight.png")
    rail_piece(setting, "SingleH", 0).save(f"{folder}/rail/SingleH0.png")
    rail_piece(setting, "SingleH", 1).save(f"{folder}/rail/SingleH1.png")
    rail_piece(setting, "SingleP").save(f"{folder}/rail/SingleP.png")
