"""Pictures of the screens between levels: the map of levels (atlas "MapMenu",
with the result window's marks), the headquarters upgrade screen (atlas
"HQ") and their backgrounds, in the style of art.py."""

import math
import random

from PIL import Image, ImageDraw, ImageFilter

import art
import levelart

W, H = 1024, 768

# The map: four bands of twelve levels, the first setting at the bottom; the
# road runs left to right through the first band, back through the second,
# and so on.
MAP_LEFT, MAP_RIGHT = 96, 928
BAND_TOP, BAND_HEIGHT = 112, 132
LEVELS_PER_BAND = 12
MARKER = 52


def band_top(setting):
    """The top of the band of setting 1 to 4 (setting 1 lowest)."""
    return BAND_TOP + (4 - setting) * BAND_HEIGHT


def map_positions():
    """The centre of each of the 48 level markers, in level order."""
    points = []
    step = (MAP_RIGHT - MAP_LEFT) / (LEVELS_PER_BAND - 1)
    for index in range(48):
        setting, i = index // LEVELS_PER_BAND + 1, index % LEVELS_PER_BAND
        column = i if setting % 2 == 1 else LEVELS_PER_BAND - 1 - i
        x = MAP_LEFT + column * step
        # A gentle wave, so the road does not run as a ruler would.
        y = band_top(setting) + BAND_HEIGHT / 2 + 22 * math.sin(column * 0.9 + setting)
        points.append((round(x), round(y)))
    return points


def smooth(w, h, draw, scale=4):
    """Draws at `scale` times the size and shrinks, for soft edges."""
    big = art.canvas(w * scale, h * scale)
    draw(ImageDraw.Draw(big), scale)
    return big.resize((w, h), Image.LANCZOS)


def tree(d, x, y, size, colour):
    d.rectangle((x - size // 8, y, x + size // 8, y + size // 2), fill=(110, 80, 50, 255))
    d.ellipse((x - size // 2, y - size, x + size // 2, y + size // 4), fill=colour)


def town_icon(d, x, y, setting, seed):
    """Two or three little houses standing together."""
    rng = random.Random(seed)
    roofs = [art.BRICK, (70, 84, 110, 255), art.FOREST] if setting != 4 else [(246, 248, 252, 255)]
    for k in range(2 + seed % 2):
        hx, w, h = x + k * 11, 10, 8 + rng.randrange(0, 4)
        top = y + 14 - h
        d.rectangle((hx, top, hx + w, y + 14), fill=rng.choice([(236, 220, 186, 255), (214, 190, 160, 255)]),
                    outline=(96, 70, 40, 255))
        d.polygon([(hx - 2, top), (hx + w // 2, top - 6), (hx + w + 2, top)], fill=rng.choice(roofs),
                  outline=(96, 70, 40, 255))


def map_background():
    img = art.canvas(W, H, (120, 96, 64, 255))
    d = ImageDraw.Draw(img)
    # The parchment round the land.
    d.rectangle((8, 8, W - 9, H - 9), fill=(226, 206, 160, 255))
    rng = random.Random(48)
    for setting in (1, 2, 3, 4):
        top = band_top(setting)
        grass, light, dark = levelart.PALETTES[setting][:3]
        d.rectangle((40, top, W - 41, top + BAND_HEIGHT), fill=grass + (255,))
        for _ in range(70):
            x, y = rng.randrange(40, W - 80), rng.randrange(top, top + BAND_HEIGHT - 20)
            d.ellipse((x, y, x + rng.randrange(30, 90), y + rng.randrange(10, 24)),
                      fill=(light if rng.random() < 0.5 else dark) + (255,))
        # Hills, trees, a farm or two, away from the road.
        for _ in range(9):
            x = rng.randrange(60, W - 60)
            y = top + rng.choice((16, BAND_HEIGHT - 34))
            if setting == 4:
                d.polygon([(x - 26, y + 24), (x, y - 14), (x + 26, y + 24)], fill=(236, 240, 246, 255))
                d.polygon([(x - 9, y), (x, y - 14), (x + 9, y)], fill=(255, 255, 255, 255))
            else:
                colour = (60, 110, 60, 255) if setting < 3 else (176, 112, 48, 255)
                tree(d, x, y, 22, colour)
        # The border between two settings: a low hedge of stones.
        if setting < 4:
            for x in range(40, W - 40, 14):
                d.ellipse((x, top - 4, x + 12, top + 4), fill=(150, 132, 100, 255))
    # Nothing of the land spills over its frame.
    d.rectangle((8, BAND_TOP - 8, 39, BAND_TOP + 4 * BAND_HEIGHT + 8), fill=(226, 206, 160, 255))
    d.rectangle((W - 40, BAND_TOP - 8, W - 9, BAND_TOP + 4 * BAND_HEIGHT + 8), fill=(226, 206, 160, 255))
    # The frame of the land.
    d.rectangle((36, BAND_TOP - 4, W - 37, BAND_TOP + 4 * BAND_HEIGHT + 4), outline=(96, 70, 40, 255), width=5)
    # Summer's fields of wheat, autumn's orchards.
    for _ in range(10):
        x, y = rng.randrange(70, W - 140), band_top(2) + rng.choice((10, BAND_HEIGHT - 30))
        d.rectangle((x, y, x + 54, y + 18), fill=(214, 184, 92, 255))
        for sx in range(x + 3, x + 54, 6):
            d.line((sx, y + 2, sx, y + 16), fill=(184, 150, 70, 255))
    for _ in range(14):
        x, y = rng.randrange(60, W - 60), band_top(3) + rng.choice((20, BAND_HEIGHT - 20))
        tree(d, x, y, 18, rng.choice([(206, 110, 40, 255), (226, 168, 60, 255), (170, 70, 36, 255)]))
    # The railway between the levels.
    points = map_positions()
    for a, b in zip(points, points[1:]):
        d.line((a, b), fill=(112, 92, 70, 255), width=12)
    for a, b in zip(points, points[1:]):
        d.line((a, b), fill=(168, 150, 120, 255), width=6)
        steps = max(1, int(math.dist(a, b) // 12))
        for s in range(steps):
            t = (s + 0.5) / steps
            x, y = a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t
            d.line((x - 1, y - 6, x + 1, y + 6), fill=(96, 70, 44, 255), width=3)
    # A small town at every stop of the line, its roofs in the colours of
    # its season (white under winter's snow).
    for index, (x, y) in enumerate(points):
        setting = index // LEVELS_PER_BAND + 1
        town_icon(d, x + (18 if index % 2 else -34), y - 44, setting, index)
    # Title ribbon and the bottom bar.
    d.rounded_rectangle((312, 24, 712, 88), 18, fill=art.BRASS_DARK)
    d.rounded_rectangle((318, 30, 706, 82), 14, fill=art.CREAM)
    d.rounded_rectangle((40, 664, W - 41, 744), 16, fill=(150, 120, 80, 255))
    d.rounded_rectangle((46, 670, W - 47, 738), 12, fill=(206, 182, 134, 255))
    # A compass in the corner.
    cx, cy = 92, 60
    d.ellipse((cx - 30, cy - 30, cx + 30, cy + 30), fill=art.CREAM, outline=art.BRASS_DARK, width=4)
    d.polygon([(cx, cy - 26), (cx + 7, cy), (cx, cy + 26), (cx - 7, cy)], fill=art.BRICK)
    d.polygon([(cx - 26, cy), (cx, cy - 6), (cx + 26, cy), (cx, cy + 6)], fill=art.INK)
    return img


MARKER_FILLS = {
    "Default": ((246, 236, 212), (128, 88, 30)),
    "Completed": ((96, 168, 110), (24, 58, 40)),
    "Gold": ((244, 196, 60), (150, 96, 20)),
    "Unavailable": ((160, 156, 150), (96, 92, 88)),
}


def marker(kind, look):
    """A level's round marker: plain, hovered (lighter) or chosen (a ring)."""
    fill, rim = MARKER_FILLS[kind]
    if look == "Hover":
        fill = tuple(min(255, c + 24) for c in fill)

    def draw(d, s):
        size = MARKER * s
        if look == "Pressed":
            d.ellipse((0, 0, size - 1, size - 1), fill=(255, 250, 220, 255))
            d.ellipse((3 * s, 3 * s, size - 3 * s, size - 3 * s), fill=art.FOREST_DARK)
        inset = 6 * s
        d.ellipse((inset, inset, size - inset, size - inset), fill=rim + (255,))
        d.ellipse((inset + 3 * s, inset + 3 * s, size - inset - 3 * s, size - inset - 3 * s), fill=fill + (255,))
        if kind == "Gold":
            c = size / 2
            pts = []
            for k in range(10):
                r = (17 if k % 2 == 0 else 8) * s
                a = -math.pi / 2 + k * math.pi / 5
                pts.append((c + r * math.cos(a), c + r * math.sin(a)))
            d.polygon(pts, fill=(255, 232, 140, 255))
    return smooth(MARKER, MARKER, draw)


def marker_glow():
    """The ring that pulses round a level just opened."""
    def draw(d, s):
        size = 72 * s
        d.ellipse((0, 0, size - 1, size - 1), fill=(255, 236, 140, 120))
        d.ellipse((8 * s, 8 * s, size - 8 * s, size - 8 * s), fill=(255, 236, 140, 0))
    return smooth(72, 72, draw)


def fog():
    """The clouds over a setting the player has not reached."""
    w, h = W - 80, BAND_HEIGHT + 8
    img = art.canvas(w, h, (232, 236, 240, 214))
    d = ImageDraw.Draw(img)
    rng = random.Random(7)
    for _ in range(40):
        x, y = rng.randrange(-20, w), rng.randrange(-10, h)
        r = rng.randrange(20, 50)
        d.ellipse((x - r, y - r // 2, x + r, y + r // 2), fill=(250, 250, 252, 230))
    return img.filter(ImageFilter.GaussianBlur(2))


def lock():
    def draw(d, s):
        d.arc((8 * s, 0, 24 * s, 20 * s), 180, 360, fill=art.GREY_DARK, width=4 * s)
        d.rounded_rectangle((4 * s, 10 * s, 28 * s, 30 * s), 4 * s, fill=art.BRASS_DARK)
        d.ellipse((14 * s, 16 * s, 18 * s, 20 * s), fill=art.INK)
    return smooth(32, 32, draw)


def checkpoint(colour):
    """A mark on the result window's time bar."""
    def draw(d, s):
        d.ellipse((0, 0, 32 * s - 1, 32 * s - 1), fill=art.INK)
        d.ellipse((3 * s, 3 * s, 29 * s, 29 * s), fill=colour)
    return smooth(32, 32, draw)


def rank_ribbon():
    img = art.canvas(360, 64)
    d = ImageDraw.Draw(img)
    d.polygon([(0, 8), (40, 8), (40, 56), (0, 56), (16, 32)], fill=art.BRICK_DARK)
    d.polygon([(360, 8), (320, 8), (320, 56), (360, 56), (344, 32)], fill=art.BRICK_DARK)
    d.rounded_rectangle((24, 0, 336, 52), 10, fill=art.BRICK)
    d.line((36, 6, 324, 6), fill=(210, 110, 90, 255), width=2)
    return img


def draw_map(folder, save):
    for kind in MARKER_FILLS:
        for look in ("Normal", "Hover", "Pressed"):
            save(marker(kind, look), f"{folder}/Marker{kind}{look}.png")
    save(marker_glow(), f"{folder}/MarkerGlow.png")
    save(fog(), f"{folder}/Fog.png")
    save(lock(), f"{folder}/Lock.png")
    for name, colour in (("Grey", art.GREY), ("Green", art.FOREST_LIGHT), ("Red", art.BRICK)):
        save(checkpoint(colour), f"{folder}/Checkpoint{name}.png")
    save(rank_ribbon(), f"{folder}/RankRibbon.png")


# ---------------------------------------------------------------------------
# Headquarters

HQ_X, HQ_Y, HQ_W, HQ_H = 312, 250, 400, 330  # the building's walls
HQ_GROUND = 600

# Each part: where it stands on the screen and its size.
HQ_PARTS = {
    "Boiler": (730, 380, 120, 200),
    "Porch": (432, 440, 160, 140),
    "Clock": (462, 150, 100, 100),
    "Bell": (472, 40, 80, 110),
    "Flag": (296, 92, 90, 160),
    "Garden": (200, 560, 624, 90),
}


def hq_background():
    img = art.gradient(W, H, (132, 178, 220), (236, 224, 190))
    d = ImageDraw.Draw(img)
    art.hills(img, 0.8, 470, 24, (130, 176, 116, 255), 150)
    d.rectangle((0, HQ_GROUND, W, H), fill=(112, 160, 72, 255))
    d.rectangle((0, HQ_GROUND, W, HQ_GROUND + 6), fill=(86, 132, 58, 255))
    # The town hall: brick walls, a gable, windows, a door.
    d.rectangle((HQ_X, HQ_Y, HQ_X + HQ_W, HQ_GROUND), fill=(176, 84, 60, 255))
    for y in range(HQ_Y + 12, HQ_GROUND, 16):
        d.line((HQ_X, y, HQ_X + HQ_W, y), fill=(150, 66, 48, 255), width=1)
    d.polygon([(HQ_X - 24, HQ_Y), (HQ_X + HQ_W // 2, HQ_Y - 110), (HQ_X + HQ_W + 24, HQ_Y)], fill=art.FOREST_DARK)
    d.polygon([(HQ_X + 10, HQ_Y - 6), (HQ_X + HQ_W // 2, HQ_Y - 100), (HQ_X + HQ_W - 10, HQ_Y - 6)],
              fill=art.FOREST)
    for wx in (HQ_X + 40, HQ_X + 110, HQ_X + HQ_W - 150, HQ_X + HQ_W - 80):
        for wy in (HQ_Y + 40, HQ_Y + 150):
            d.rectangle((wx, wy, wx + 40, wy + 60), fill=(90, 60, 40, 255))
            d.rectangle((wx + 4, wy + 4, wx + 36, wy + 56), fill=(250, 226, 150, 255))
            d.line((wx + 20, wy + 4, wx + 20, wy + 56), fill=(90, 60, 40, 255), width=3)
    d.rounded_rectangle((HQ_X + HQ_W // 2 - 34, HQ_GROUND - 120, HQ_X + HQ_W // 2 + 34, HQ_GROUND), 10,
                        fill=(96, 62, 38, 255))
    # The board the points stand on.
    d.rounded_rectangle((20, 20, 280, 150), 16, fill=art.BRASS_DARK)
    d.rounded_rectangle((26, 26, 274, 144), 12, fill=art.CREAM)
    return img


def hq_part(name, level):
    """A part of the town hall; level 2 is its finer form."""
    x, y, w, h = HQ_PARTS[name]
    fine = level == 2
    trim = art.BRASS if fine else art.GREY_DARK

    def draw(d, s):
        def r(*box):
            return tuple(v * s for v in box)
        if name == "Boiler":
            d.rounded_rectangle(r(10, 60, w - 10, h - 4), 18 * s, fill=(70, 74, 80, 255) if not fine else (60, 96, 80, 255))
            for yy in (80, 120, 160):
                d.line(r(10, yy, w - 10, yy), fill=trim, width=4 * s)
            d.rectangle(r(w // 2 - 12, 0, w // 2 + 12, 64), fill=art.GREY_DARK)
            d.rectangle(r(w // 2 - 16, 0, w // 2 + 16, 10), fill=trim)
            d.ellipse(r(w // 2 - 14, 110, w // 2 + 14, 138), fill=(240, 140, 60, 255) if fine else (120, 60, 40, 255))
        elif name == "Porch":
            d.rectangle(r(0, 0, w, 22), fill=trim if fine else (200, 190, 170, 255))
            d.polygon([r(-0, 0)[0:2], r(w // 2, -0)[0:2], r(w, 0)[0:2]], fill=trim)
            for cx in (12, 44, w - 56, w - 24):
                d.rectangle(r(cx, 22, cx + 14, h - 10), fill=(236, 228, 210, 255))
                if fine:
                    d.rectangle(r(cx - 3, 22, cx + 17, 30), fill=art.BRASS)
            d.rectangle(r(0, h - 12, w, h), fill=(200, 190, 170, 255))
        elif name == "Clock":
            d.ellipse(r(4, 4, w - 4, h - 4), fill=trim)
            d.ellipse(r(12, 12, w - 12, h - 12), fill=art.CREAM)
            for k in range(12):
                a = k * math.pi / 6
                cx, cy = w / 2, h / 2
                d.ellipse(r(cx + 30 * math.cos(a) - 2, cy + 30 * math.sin(a) - 2,
                            cx + 30 * math.cos(a) + 2, cy + 30 * math.sin(a) + 2), fill=art.INK)
            d.line(r(w / 2, h / 2, w / 2, 24), fill=art.INK, width=4 * s)
            d.line(r(w / 2, h / 2, w - 30, h / 2), fill=art.INK, width=4 * s)
        elif name == "Bell":
            d.rectangle(r(6, 30, w - 6, h), fill=(214, 196, 160, 255))
            d.polygon([r(0, 34)[0:2], r(w / 2, 0)[0:2], r(w, 34)[0:2]], fill=art.FOREST_DARK if not fine else art.BRICK)
            d.chord(r(w / 2 - 20, 44, w / 2 + 20, 100), 180, 360, fill=art.BRASS if fine else art.GREY)
            d.rectangle(r(w / 2 - 20, 70, w / 2 + 20, 84), fill=art.BRASS if fine else art.GREY)
            d.ellipse(r(w / 2 - 5, 82, w / 2 + 5, 92), fill=art.INK)
        elif name == "Flag":
            d.rectangle(r(8, 0, 14, h), fill=art.GREY_DARK)
            d.ellipse(r(4, 0, 18, 12), fill=trim)
            cloth = art.BRICK if not fine else (60, 110, 190, 255)
            d.polygon([r(14, 14)[0:2], r(w - 2, 30)[0:2], r(14, 64)[0:2]], fill=cloth)
            if fine:
                d.polygon([r(20, 26)[0:2], r(60, 34)[0:2], r(20, 48)[0:2]], fill=art.CREAM)
        elif name == "Garden":
            for k in range(0, w, 36):
                if 220 < k < 380:
                    continue
                d.ellipse(r(k, 30, k + 34, 70), fill=(70, 130, 60, 255))
                colours = [(240, 200, 60), (230, 90, 110), (250, 250, 250)] if fine else [(240, 220, 120)]
                for j, c in enumerate(colours):
                    d.ellipse(r(k + 6 + j * 8, 34 + (j % 2) * 10, k + 14 + j * 8, 42 + (j % 2) * 10), fill=c + (255,))
            d.rectangle(r(0, 70, w, 80), fill=(150, 120, 80, 255) if not fine else (196, 170, 120, 255))
    return smooth(w, h, draw)


def part_glow(w, h):
    img = art.canvas(w + 40, h + 40)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((10, 10, w + 30, h + 30), 24, fill=(255, 226, 120, 150))
    return img.filter(ImageFilter.GaussianBlur(8))


def rays():
    def draw(d, s):
        c = 80 * s
        for k in range(16):
            a = k * math.pi / 8
            b = a + math.pi / 20
            d.polygon([(c, c), (c + 78 * s * math.cos(a), c + 78 * s * math.sin(a)),
                       (c + 78 * s * math.cos(b), c + 78 * s * math.sin(b))], fill=(255, 232, 140, 200))
        d.ellipse((c - 20 * s, c - 20 * s, c + 20 * s, c + 20 * s), fill=(255, 250, 220, 255))
    return smooth(160, 160, draw)


def draw_hq(folder, save):
    for name, (x, y, w, h) in HQ_PARTS.items():
        save(hq_part(name, 1), f"{folder}/{name}1.png")
        save(hq_part(name, 2), f"{folder}/{name}2.png")
        save(part_glow(w, h), f"{folder}/{name}Glow.png")
    save(rays(), f"{folder}/Rays.png")
