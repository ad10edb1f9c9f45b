"""Pictures of the play screen (atlas "GameMenu": the head-up display, its
icons, buttons, lists, popups, the quest character and the tutorial windows)
and of the screens over a level (atlas "ObjMenu": the level objectives and
the in-game menu), in the style of art.py.

The atlases name their pictures after their path under assets/, so a picture
drawn as "BuildingIcons/Shop1.png" here is "scenes/GameMenu/BuildingIcons/
Shop1.png" to the game, the name the building information panel asks for.
"""

import os

from PIL import Image, ImageDraw

import art
import config
import renders
from art import BRASS, BRASS_DARK, BRICK, BRICK_DARK, CREAM, FOREST, FOREST_DARK, FOREST_LIGHT, GREY, GREY_DARK, INK
from screenart import smooth

WOOD = (112, 74, 44, 255)
WOOD_DARK = (70, 44, 26, 255)
WOOD_LIGHT = (146, 102, 62, 255)
GOLD = (242, 196, 64, 255)
GOLD_DARK = (168, 118, 24, 255)
GOLD_LIGHT = (255, 234, 150, 255)
SKIN = (236, 200, 170, 255)
BLUE = (60, 80, 140, 255)

# Where the game finds the pictures of each atlas.
GAME_MENU_PREFIX = "scenes/GameMenu/"
OBJ_MENU_PREFIX = "scenes/ObjMenu/"

# A building kind's icon in the build lists and the information panel.
ICON = 80
# The rendered picture a building's icon is taken from, when its own is missing.
ICON_STAND_INS = {"Apartment": "Apartment1", "Commercial": "Shop1", "Service": "WaterTower1",
                  "Produce": "LumberMill1", "Uniq": "Bandstand1", "MajorOffice": "MajorOffice1",
                  "OnRoad": "Boulder1", "BuildingPlace": "BuildingPlace"}
# The four building groups and the building their button shows.
GROUPS = {"Apartment": "Apartment1", "Commercial": "Shop1", "Service": "WaterTower1", "Municipal": "LumberMill1"}
LOOKS = ["Normal", "Hover", "Press", "Disabled"]


def shade(colour, amount):
    return tuple(max(0, min(255, c + amount)) for c in colour[:3]) + (colour[3] if len(colour) > 3 else 255,)


def grey(img):
    """A picture washed to grey, for what cannot be had yet."""
    alpha = img.getchannel("A")
    g = img.convert("L").point(lambda v: 90 + v * 0.45).convert("RGBA")
    g.putalpha(alpha)
    return g


# ---------------------------------------------------------------------------
# Frames and panels (drawn to be stretched as nine-grids)

def wood_bar(w=96, h=64):
    """The wooden beam of the top and bottom bars: planks with a brass edge."""
    def draw(d, s):
        d.rectangle((0, 0, w * s, h * s), fill=BRASS_DARK)
        d.rectangle((0, 3 * s, w * s, (h - 3) * s), fill=WOOD)
        for y in range(10, h - 6, 12):
            d.line((0, y * s, w * s, y * s), fill=WOOD_DARK, width=s)
            d.line((0, (y + 1) * s, w * s, (y + 1) * s), fill=WOOD_LIGHT, width=s)
        d.rectangle((0, 0, w * s, 2 * s), fill=BRASS)
        d.rectangle((0, (h - 2) * s, w * s, h * s), fill=BRASS)
    return smooth(w, h, draw)


def parchment(w=64, h=64, fill=CREAM, rim=BRASS_DARK, radius=12):
    return art.panel(w, h, fill, rim, radius=radius, rim_width=3)


def slot(w=48, h=32):
    """A dark inset the counters stand in."""
    def draw(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), 8 * s, fill=(40, 26, 16, 255))
        d.rounded_rectangle((2 * s, 3 * s, w * s - 2 * s, h * s - 2 * s), 7 * s, fill=(64, 42, 26, 255))
    return smooth(w, h, draw)


def tile(look, w=96, h=96):
    """The frame of a list entry or a big button."""
    fill, rim = {"Normal": (CREAM, BRASS_DARK), "Hover": ((255, 246, 222, 255), BRASS),
                 "Press": ((226, 206, 164, 255), WOOD_DARK), "Disabled": ((196, 190, 178, 255), GREY_DARK)}[look]

    def draw(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), 14 * s, fill=rim)
        d.rounded_rectangle((4 * s, 4 * s, w * s - 4 * s - 1, h * s - 4 * s - 1), 10 * s, fill=fill)
        if look == "Hover":
            d.rounded_rectangle((7 * s, 7 * s, w * s - 7 * s - 1, h * s - 7 * s - 1), 8 * s,
                                outline=GOLD_LIGHT, width=2 * s)
        if look != "Press":
            d.line((14 * s, 7 * s, w * s - 14 * s, 7 * s), fill=shade(fill, 24), width=2 * s)
    return smooth(w, h, draw)


def disc(look, size=64):
    """The round action buttons of the building page."""
    fill, rim = {"Normal": (FOREST, FOREST_DARK), "Hover": (FOREST_LIGHT, FOREST_DARK),
                 "Press": (FOREST_DARK, INK), "Disabled": (GREY, GREY_DARK)}[look]

    def draw(d, s):
        d.ellipse((0, 0, size * s - 1, size * s - 1), fill=BRASS_DARK)
        d.ellipse((3 * s, 3 * s, size * s - 3 * s - 1, size * s - 3 * s - 1), fill=BRASS)
        d.ellipse((6 * s, 6 * s, size * s - 6 * s - 1, size * s - 6 * s - 1), fill=rim)
        d.ellipse((8 * s, 8 * s, size * s - 8 * s - 1, size * s - 8 * s - 1), fill=fill)
        if look != "Press":
            d.arc((12 * s, 10 * s, size * s - 12 * s, size * s - 14 * s), 200, 320, fill=shade(fill, 50), width=3 * s)
    return smooth(size, size, draw)


def small_round(look, size=40):
    """The round buttons of the top bar."""
    fill = {"Normal": WOOD, "Hover": WOOD_LIGHT, "Press": WOOD_DARK, "Disabled": GREY}[look]

    def draw(d, s):
        d.ellipse((0, 0, size * s - 1, size * s - 1), fill=BRASS_DARK)
        d.ellipse((2 * s, 2 * s, size * s - 2 * s - 1, size * s - 2 * s - 1), fill=BRASS)
        d.ellipse((5 * s, 5 * s, size * s - 5 * s - 1, size * s - 5 * s - 1), fill=fill)
    return smooth(size, size, draw)


def sign_board(w=240, h=44):
    """The plaque that names the open build group, hung on two brass nails."""
    def draw(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), 8 * s, fill=WOOD_DARK)
        d.rounded_rectangle((3 * s, 3 * s, w * s - 3 * s - 1, h * s - 3 * s - 1), 6 * s, fill=WOOD_LIGHT)
        for y in (14, 28):
            d.line((8 * s, y * s, w * s - 8 * s, y * s), fill=WOOD, width=s)
        for x in (10, w - 16):
            d.ellipse((x * s, (h // 2 - 3) * s, (x + 6) * s, (h // 2 + 3) * s), fill=GOLD)
    return smooth(w, h, draw)


# ---------------------------------------------------------------------------
# Icons

def coin(d, s, x, y, r):
    d.ellipse(((x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s), fill=GOLD_DARK)
    d.ellipse(((x - r + 2) * s, (y - r + 2) * s, (x + r - 2) * s, (y + r - 2) * s), fill=GOLD)
    d.ellipse(((x - r + 5) * s, (y - r + 5) * s, (x + r - 5) * s, (y + r - 5) * s), outline=GOLD_DARK, width=s)
    f = art.font(int(r * 1.3 * s), True)
    box = d.textbbox((0, 0), "$", font=f)
    d.text((x * s - (box[2] + box[0]) / 2, y * s - (box[3] + box[1]) / 2), "$", font=f, fill=GOLD_DARK)


def planks(d, s, x, y, w):
    for i, dy in enumerate((8, 0, -8)):
        top = y + dy - 3
        colour = [WOOD_LIGHT, (170, 120, 70, 255), WOOD_LIGHT][i]
        d.rounded_rectangle(((x - w / 2 + i * 2) * s, top * s, (x + w / 2 - i * 2) * s, (top + 7) * s), 2 * s,
                            fill=colour, outline=WOOD_DARK, width=s)
        d.ellipse(((x + w / 2 - i * 2 - 5) * s, (top + 1) * s, (x + w / 2 - i * 2 - 1) * s, (top + 6) * s),
                  fill=(214, 170, 110, 255), outline=WOOD_DARK, width=s)


def ingot(d, s, x, y, w):
    h = w * 0.45
    d.polygon([((x - w / 2) * s, (y + h / 2) * s), ((x + w / 2) * s, (y + h / 2) * s),
               ((x + w / 3) * s, (y - h / 2) * s), ((x - w / 3) * s, (y - h / 2) * s)], fill=GOLD_DARK)
    d.polygon([((x - w / 2 + 2) * s, (y + h / 2 - 2) * s), ((x + w / 2 - 2) * s, (y + h / 2 - 2) * s),
               ((x + w / 3 - 1) * s, (y - h / 2 + 2) * s), ((x - w / 3 + 1) * s, (y - h / 2 + 2) * s)], fill=GOLD)
    d.line(((x - w / 4) * s, (y - h / 4) * s, (x) * s, (y - h / 4) * s), fill=GOLD_LIGHT, width=2 * s)


def person(d, s, x, y, size, coat=BLUE):
    r = size * 0.2
    d.ellipse(((x - r) * s, (y - size / 2) * s, (x + r) * s, (y - size / 2 + 2 * r) * s), fill=SKIN,
              outline=INK, width=s)
    d.rounded_rectangle(((x - size * 0.36) * s, (y - size / 2 + 2 * r + 1) * s, (x + size * 0.36) * s,
                         (y + size / 2) * s), int(size * 0.2 * s), fill=coat, outline=INK, width=s)


def helmet(d, s, x, y, size):
    d.pieslice(((x - size / 2) * s, (y - size / 2) * s, (x + size / 2) * s, (y + size / 2) * s), 180, 360,
               fill=GOLD, outline=GOLD_DARK, width=s)
    d.rectangle(((x - size / 2 - 3) * s, (y - 1) * s, (x + size / 2 + 3) * s, (y + 3) * s), fill=GOLD_DARK)
    d.line((x * s, (y - size / 2) * s, x * s, (y - 1) * s), fill=GOLD_DARK, width=2 * s)


def smile(d, s, x, y, r):
    d.ellipse(((x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s), fill=(250, 208, 70, 255), outline=GOLD_DARK,
              width=2 * s)
    d.ellipse(((x - r / 2.6 - 2) * s, (y - r / 3 - 2) * s, (x - r / 2.6 + 2) * s, (y - r / 3 + 2) * s), fill=INK)
    d.ellipse(((x + r / 2.6 - 2) * s, (y - r / 3 - 2) * s, (x + r / 2.6 + 2) * s, (y - r / 3 + 2) * s), fill=INK)
    d.arc(((x - r / 2) * s, (y - r / 4) * s, (x + r / 2) * s, (y + r / 1.6) * s), 20, 160, fill=INK, width=2 * s)


def clock(d, s, x, y, r):
    d.ellipse(((x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s), fill=BRASS_DARK)
    d.ellipse(((x - r + 2) * s, (y - r + 2) * s, (x + r - 2) * s, (y + r - 2) * s), fill=CREAM)
    d.line((x * s, y * s, x * s, (y - r + 5) * s), fill=INK, width=2 * s)
    d.line((x * s, y * s, (x + r / 2) * s, (y + 1) * s), fill=INK, width=2 * s)
    d.ellipse(((x - 2) * s, (y - 2) * s, (x + 2) * s, (y + 2) * s), fill=BRICK)


def arrow_up(d, s, x, y, size, colour):
    d.polygon([(x * s, (y - size / 2) * s), ((x + size / 2) * s, y * s), ((x + size / 5) * s, y * s),
               ((x + size / 5) * s, (y + size / 2) * s), ((x - size / 5) * s, (y + size / 2) * s),
               ((x - size / 5) * s, y * s), ((x - size / 2) * s, y * s)], fill=colour)


def star(d, s, x, y, r, colour, outline=None):
    import math
    points = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        rr = r if i % 2 == 0 else r * 0.45
        points.append(((x + rr * math.cos(a)) * s, (y + rr * math.sin(a)) * s))
    d.polygon(points, fill=colour, outline=outline)


def icon(kind, size=32):
    """The small pictures of the counters, the popup rows and the lists."""
    c = size / 2

    def draw(d, s):
        k = size / 32
        if kind == "Money":
            coin(d, s, c, c, 14 * k)
        elif kind == "Income":
            coin(d, s, c - 3 * k, c + 2 * k, 12 * k)
            arrow_up(d, s, c + 9 * k, c - 6 * k, 14 * k, FOREST_LIGHT)
        elif kind == "Materials":
            planks(d, s, c, c, 26 * k)
        elif kind == "Gold":
            ingot(d, s, c, c + 2 * k, 28 * k)
        elif kind == "Guests":
            person(d, s, c, c + 1 * k, 26 * k)
        elif kind == "Workers":
            person(d, s, c, c + 3 * k, 24 * k, coat=BRICK)
            helmet(d, s, c, c - 6 * k, 14 * k)
        elif kind == "Happiness":
            smile(d, s, c, c, 13 * k)
        elif kind == "Clock":
            clock(d, s, c, c, 14 * k)
        elif kind == "Quest":
            star(d, s, c, c, 14 * k, GOLD, GOLD_DARK)
    return smooth(size, size, draw)


def glyph(kind, size=40):
    """The light pictures on the action buttons."""
    def draw(d, s):
        k = size / 40
        light = CREAM
        if kind == "Upgrade":
            arrow_up(d, s, 20 * k, 20 * k, 30 * k, light)
        elif kind == "Destroy":
            d.line((8 * k * s, 30 * k * s, 26 * k * s, 12 * k * s), fill=WOOD_LIGHT, width=int(5 * k * s))
            d.polygon([(20 * k * s, 4 * k * s), (36 * k * s, 20 * k * s), (30 * k * s, 26 * k * s),
                       (14 * k * s, 10 * k * s)], fill=light)
        elif kind == "Repair":
            d.line((10 * k * s, 30 * k * s, 26 * k * s, 14 * k * s), fill=light, width=int(6 * k * s))
            d.ellipse((20 * k * s, 4 * k * s, 36 * k * s, 20 * k * s), fill=light)
            d.ellipse((27 * k * s, 5 * k * s, 35 * k * s, 13 * k * s), fill=(0, 0, 0, 0))
        elif kind == "Abort":
            d.line((10 * k * s, 10 * k * s, 30 * k * s, 30 * k * s), fill=light, width=int(6 * k * s))
            d.line((30 * k * s, 10 * k * s, 10 * k * s, 30 * k * s), fill=light, width=int(6 * k * s))
        elif kind == "Back":
            d.polygon([(6 * k * s, 20 * k * s), (20 * k * s, 6 * k * s), (20 * k * s, 14 * k * s),
                       (34 * k * s, 14 * k * s), (34 * k * s, 26 * k * s), (20 * k * s, 26 * k * s),
                       (20 * k * s, 34 * k * s)], fill=light)
        elif kind == "Up1":
            star(d, s, 16 * k, 22 * k, 13 * k, GOLD, GOLD_DARK)
            coin(d, s, 29 * k, 12 * k, 8 * k)
        elif kind == "Up2":
            star(d, s, 16 * k, 22 * k, 13 * k, GOLD, GOLD_DARK)
            person(d, s, 30 * k, 13 * k, 16 * k)
        elif kind == "Restore":
            star(d, s, 20 * k, 20 * k, 15 * k, light)
        elif kind == "Menu":
            for y in (12, 20, 28):
                d.rounded_rectangle((9 * k * s, (y - 2) * k * s, 31 * k * s, (y + 2) * k * s), 2 * s, fill=light)
        elif kind == "Goals":
            d.rounded_rectangle((10 * k * s, 6 * k * s, 30 * k * s, 34 * k * s), 3 * s, fill=light)
            for y in (13, 20, 27):
                d.line((14 * k * s, y * k * s, 26 * k * s, y * k * s), fill=WOOD, width=int(2 * k * s))
    return smooth(size, size, draw)


def badge(kind, size=30):
    """The marks over a list entry: locked, no licence, new, done."""
    def draw(d, s):
        k = size / 30
        if kind == "Lock":
            d.arc((8 * k * s, 2 * k * s, 22 * k * s, 20 * k * s), 180, 360, fill=GREY_DARK, width=int(4 * k * s))
            d.rounded_rectangle((4 * k * s, 12 * k * s, 26 * k * s, 28 * k * s), 3 * s, fill=GOLD_DARK)
            d.rounded_rectangle((6 * k * s, 14 * k * s, 24 * k * s, 26 * k * s), 2 * s, fill=GOLD)
            d.ellipse((13 * k * s, 17 * k * s, 17 * k * s, 21 * k * s), fill=INK)
        elif kind == "NoLicense":
            d.ellipse((1 * s, 1 * s, size * s - 1, size * s - 1), fill=CREAM, outline=BRICK, width=int(4 * k * s))
            d.line((7 * k * s, 7 * k * s, 23 * k * s, 23 * k * s), fill=BRICK, width=int(4 * k * s))
        elif kind == "New":
            star(d, s, 15 * k, 15 * k, 14 * k, (236, 84, 52, 255), BRICK_DARK)
            d.ellipse((11 * k * s, 11 * k * s, 19 * k * s, 19 * k * s), fill=GOLD_LIGHT)
        elif kind == "Done":
            d.ellipse((1 * s, 1 * s, size * s - 1, size * s - 1), fill=FOREST, outline=FOREST_DARK, width=2 * s)
            d.line((8 * k * s, 15 * k * s, 13 * k * s, 21 * k * s, 22 * k * s, 9 * k * s), fill=CREAM,
                   width=int(4 * k * s), joint="curve")
        elif kind == "Broken":
            d.polygon([(15 * k * s, 1 * s), (29 * k * s, 27 * k * s), (1 * s, 27 * k * s)], fill=BRICK,
                      outline=BRICK_DARK)
            d.rectangle((13.5 * k * s, 9 * k * s, 16.5 * k * s, 19 * k * s), fill=CREAM)
            d.rectangle((13.5 * k * s, 21 * k * s, 16.5 * k * s, 24 * k * s), fill=CREAM)
        elif kind == "Info":
            d.ellipse((1 * s, 1 * s, size * s - 1, size * s - 1), fill=(60, 110, 170, 255), outline=BLUE, width=2 * s)
            d.rectangle((13.5 * k * s, 12 * k * s, 16.5 * k * s, 23 * k * s), fill=CREAM)
            d.ellipse((13 * k * s, 6 * k * s, 17 * k * s, 10 * k * s), fill=CREAM)
    return smooth(size, size, draw)


def goal_box(checked, size=22):
    def draw(d, s):
        d.rounded_rectangle((0, 0, size * s - 1, size * s - 1), 5 * s, fill=BRASS_DARK)
        d.rounded_rectangle((2 * s, 2 * s, size * s - 2 * s - 1, size * s - 2 * s - 1), 4 * s, fill=CREAM)
        if checked:
            d.line((5 * s, 11 * s, 9 * s, 16 * s, 18 * s, 4 * s), fill=FOREST, width=3 * s, joint="curve")
    return smooth(size, size, draw)


def bar(kind, w=64, h=20):
    """The groove and fill of the clock and the work bars."""
    def draw(d, s):
        r = h * s // 2 - 1
        if kind == "Groove":
            d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), r, fill=(40, 26, 16, 255))
            d.rounded_rectangle((2 * s, 2 * s, w * s - 2 * s - 1, h * s - 2 * s - 1), r - 2 * s, fill=(88, 62, 40, 255))
        else:
            top, bottom = {"Fill": ((120, 190, 110), (46, 110, 60)), "Gold": ((255, 224, 120), (196, 140, 40))}[kind]
            for y in range(h * s):
                t = y / (h * s - 1)
                c = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
                d.line((0, y, w * s, y), fill=c)
            mask = Image.new("L", (w * s, h * s), 0)
            ImageDraw.Draw(mask).rounded_rectangle((2 * s, 2 * s, w * s - 2 * s - 1, h * s - 2 * s - 1), r - 2 * s,
                                                   fill=255)
            d.bitmap((0, 0), Image.eval(mask, lambda v: 255 - v), fill=(0, 0, 0, 0))
    return smooth(w, h, draw)


def flag(colour, w=20, h=28):
    fill = {"Grey": (190, 184, 170, 255), "Green": FOREST_LIGHT, "Red": (214, 72, 52, 255),
            "Gold": GOLD}[colour]

    def draw(d, s):
        d.rectangle((3 * s, 2 * s, 5 * s, h * s), fill=WOOD_DARK)
        d.polygon([(5 * s, 2 * s), ((w - 1) * s, 8 * s), (5 * s, 15 * s)], fill=fill, outline=INK)
    return smooth(w, h, draw)


def chest(open_lid=False, w=44, h=36):
    def draw(d, s):
        d.rounded_rectangle((2 * s, 14 * s, (w - 2) * s, (h - 1) * s), 3 * s, fill=WOOD, outline=WOOD_DARK, width=s)
        d.rounded_rectangle((2 * s, 3 * s, (w - 2) * s, 16 * s), 7 * s, fill=WOOD_LIGHT if not open_lid else GOLD,
                            outline=WOOD_DARK, width=s)
        for x in (8, w - 12):
            d.rectangle((x * s, 3 * s, (x + 4) * s, (h - 1) * s), fill=BRASS)
        d.rounded_rectangle(((w / 2 - 4) * s, 12 * s, (w / 2 + 4) * s, 22 * s), 2 * s, fill=GOLD)
        d.ellipse(((w / 2 - 1.5) * s, 15 * s, (w / 2 + 1.5) * s, 18 * s), fill=INK)
    return smooth(w, h, draw)


def popup_arrow(direction, w=20, h=12):
    """The point of the cost popup, towards the thing it speaks of."""
    if direction in ("Left", "Right"):
        w, h = h, w

    def draw(d, s):
        shapes = {"Down": [(0, 0), (w, 0), (w / 2, h)], "Up": [(0, h), (w, h), (w / 2, 0)],
                  "Left": [(w, 0), (w, h), (0, h / 2)], "Right": [(0, 0), (0, h), (w, h / 2)]}
        d.polygon([(x * s, y * s) for x, y in shapes[direction]], fill=BRASS_DARK)
        inner = {"Down": [(3, 0), (w - 3, 0), (w / 2, h - 4)], "Up": [(3, h), (w - 3, h), (w / 2, 4)],
                 "Left": [(w, 3), (w, h - 3), (4, h / 2)], "Right": [(0, 3), (0, h - 3), (w - 4, h / 2)]}
        d.polygon([(x * s, y * s) for x, y in inner[direction]], fill=CREAM)
    return smooth(w, h, draw)


def tutorial_arrow(direction, length=72, thick=44):
    """The big arrow the tutorial points with (drawn pointing `direction`)."""
    def draw(d, s):
        pts = [(0, thick / 2), (thick * 0.6, 0), (thick * 0.6, thick * 0.28), (length, thick * 0.28),
               (length, thick * 0.72), (thick * 0.6, thick * 0.72), (thick * 0.6, thick)]
        d.polygon([(x * s, y * s) for x, y in pts], fill=BRICK_DARK)
        inner = [(5, thick / 2), (thick * 0.6 - 2, 5), (thick * 0.6 - 2, thick * 0.28 + 3),
                 (length - 3, thick * 0.28 + 3), (length - 3, thick * 0.72 - 3), (thick * 0.6 - 2, thick * 0.72 - 3),
                 (thick * 0.6 - 2, thick - 5)]
        d.polygon([(x * s, y * s) for x, y in inner], fill=(240, 104, 56, 255))
        d.line(((thick * 0.6) * s, (thick * 0.28 + 6) * s, (length - 6) * s, (thick * 0.28 + 6) * s),
               fill=(255, 184, 120, 255), width=2 * s)
    img = smooth(length, thick, draw)
    return {"Left": img, "Right": img.transpose(Image.FLIP_LEFT_RIGHT), "Up": img.transpose(Image.ROTATE_270),
            "Down": img.transpose(Image.ROTATE_90)}[direction]


def tutorial_arrow_fixed(direction):
    """Up and down arrows point their tips up and down."""
    img = tutorial_arrow("Left")
    if direction == "Up":
        return img.transpose(Image.ROTATE_270)
    if direction == "Down":
        return img.transpose(Image.ROTATE_90)
    return img if direction == "Left" else img.transpose(Image.FLIP_LEFT_RIGHT)


def guide(scale):
    """Gertrude, the guide of the tutorial and the town's people that speak
    from the top of the screen: the station mistress of the menu, scaled."""
    img = art.character(False)
    return img.resize((int(img.width * scale), int(img.height * scale)), Image.LANCZOS)


def speaker(kind, w=96, h=112):
    """A townsperson who asks for something: a framed bust."""
    coats = {"Boulder1": BRICK, "FallenTree1": FOREST, "WoodPile1": WOOD, "GoldPile1": GOLD_DARK,
             "Wagon1": BLUE}
    coat = coats.get(kind, BLUE)

    def draw(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), 12 * s, fill=BRASS_DARK)
        d.rounded_rectangle((4 * s, 4 * s, (w - 4) * s, (h - 4) * s), 9 * s, fill=(198, 218, 232, 255))
        d.rounded_rectangle((18 * s, 70 * s, (w - 18) * s, (h + 30) * s), 24 * s, fill=coat, outline=INK, width=s)
        d.ellipse((28 * s, 22 * s, (w - 28) * s, 74 * s), fill=SKIN, outline=INK, width=s)
        d.rectangle((24 * s, 16 * s, (w - 24) * s, 28 * s), fill=INK)
        d.rectangle((32 * s, 4 * s, (w - 32) * s, 18 * s), fill=INK)
        d.ellipse((38 * s, 42 * s, 44 * s, 48 * s), fill=INK)
        d.ellipse(((w - 44) * s, 42 * s, (w - 38) * s, 48 * s), fill=INK)
        d.arc((38 * s, 50 * s, (w - 38) * s, 64 * s), 20, 160, fill=INK, width=2 * s)
    img = smooth(w, h, draw)
    mask = art.canvas(w, h)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, w - 1, h - 1), 12, fill=art.WHITE)
    out = art.canvas(w, h)
    out.paste(img, (0, 0), mask)
    return out


def speech_bubble(w=360, h=100):
    def draw(d, s):
        d.rounded_rectangle((12 * s, 0, w * s - 1, h * s - 1), 18 * s, fill=BRASS_DARK)
        d.rounded_rectangle((15 * s, 3 * s, (w - 3) * s, (h - 3) * s), 15 * s, fill=CREAM)
        d.polygon([(0, 30 * s), (16 * s, 20 * s), (16 * s, 44 * s)], fill=BRASS_DARK)
        d.polygon([(5 * s, 31 * s), (18 * s, 24 * s), (18 * s, 40 * s)], fill=CREAM)
    return smooth(w, h, draw)


# ---------------------------------------------------------------------------
# Buildings

def building_picture(name):
    path = os.path.join(renders.CACHE, "buildings", name + ".png")
    return Image.open(path).convert("RGBA") if os.path.exists(path) else None


def building_icon(record, size=ICON):
    """The rendered building, cut to what it shows and fitted to the icon."""
    picture = building_picture(record["Name"])
    if picture is None:
        picture = building_picture(ICON_STAND_INS.get(record["Type"], "BuildingPlace"))
    if picture is None:
        return icon("Quest", size)
    picture = picture.crop(picture.getbbox())
    k = min((size - 4) / picture.width, (size - 4) / picture.height)
    picture = picture.resize((max(1, round(picture.width * k)), max(1, round(picture.height * k))), Image.LANCZOS)
    out = art.canvas(size, size)
    out.paste(picture, ((size - picture.width) // 2, size - 2 - picture.height), picture)
    return out


def workers_icon(count, size=64):
    """A group of workers in hard hats, one figure per worker up to three."""
    def draw(d, s):
        k = size / 64
        shown = min(count, 3)
        for i in range(shown):
            x = size / 2 + (i - (shown - 1) / 2) * 16 * k
            person(d, s, x, 40 * k, 30 * k, coat=BRICK)
            helmet(d, s, x, 28 * k, 16 * k)
    return smooth(size, size, draw)


def pile_icon(kind, count, size=64):
    """A pile of planks or ingots, higher for the bigger orders."""
    def draw(d, s):
        k = size / 64
        rows = min(count, 3)
        for r in range(rows):
            y = 48 * k - r * 12 * k
            for i in range(rows - r):
                x = size / 2 + (i - (rows - r - 1) / 2) * 22 * k
                if kind == "Materials":
                    planks(d, s, x, y, 20 * k)
                else:
                    ingot(d, s, x, y, 22 * k)
    return smooth(size, size, draw)


def train_icon(w=64, h=40):
    def draw(d, s):
        d.rectangle((6 * s, 8 * s, 34 * s, 28 * s), fill=BRICK, outline=INK, width=s)
        d.rectangle((34 * s, 2 * s, 54 * s, 28 * s), fill=FOREST, outline=INK, width=s)
        d.rectangle((38 * s, 6 * s, 50 * s, 14 * s), fill=GOLD_LIGHT)
        d.rectangle((10 * s, 0, 16 * s, 8 * s), fill=INK)
        for x in (14, 30, 46):
            d.ellipse(((x - 6) * s, 24 * s, (x + 6) * s, 36 * s), fill=INK)
            d.ellipse(((x - 3) * s, 27 * s, (x + 3) * s, 33 * s), fill=GREY)
        d.line((0, 38 * s, w * s, 38 * s), fill=WOOD_DARK, width=2 * s)
    return smooth(w, h, draw)


# ---------------------------------------------------------------------------
# The screens over a level (atlas "ObjMenu")

def ribbon(w=460, h=64):
    def draw(d, s):
        d.polygon([(0, 14 * s), (40 * s, 14 * s), (40 * s, (h - 2) * s), (20 * s, (h - 14) * s),
                   (0, (h - 2) * s)], fill=BRICK_DARK)
        d.polygon([(w * s, 14 * s), ((w - 40) * s, 14 * s), ((w - 40) * s, (h - 2) * s),
                   ((w - 20) * s, (h - 14) * s), (w * s, (h - 2) * s)], fill=BRICK_DARK)
        d.rectangle((24 * s, 0, (w - 24) * s, (h - 14) * s), fill=BRICK)
        d.line((24 * s, 4 * s, (w - 24) * s, 4 * s), fill=(214, 110, 90, 255), width=2 * s)
        d.line((24 * s, (h - 18) * s, (w - 24) * s, (h - 18) * s), fill=BRICK_DARK, width=2 * s)
    return smooth(w, h, draw)


def medal(w=64, h=64):
    def draw(d, s):
        d.polygon([(18 * s, 30 * s), (28 * s, 30 * s), (22 * s, 62 * s), (14 * s, 54 * s)], fill=BRICK)
        d.polygon([(46 * s, 30 * s), (36 * s, 30 * s), (42 * s, 62 * s), (50 * s, 54 * s)], fill=BRICK)
        d.ellipse((8 * s, 2 * s, 56 * s, 50 * s), fill=GOLD_DARK)
        d.ellipse((12 * s, 6 * s, 52 * s, 46 * s), fill=GOLD)
        star(d, s, 32, 26, 14, GOLD_LIGHT, GOLD_DARK)
    return smooth(w, h, draw)


def stages(w=64, h=64):
    def draw(d, s):
        for i, x in enumerate((10, 28, 46)):
            d.rectangle((x * s, (14 + i * 4) * s, (x + 3) * s, 58 * s), fill=WOOD_DARK)
            d.polygon([((x + 3) * s, (14 + i * 4) * s), ((x + 17) * s, (20 + i * 4) * s),
                       ((x + 3) * s, (27 + i * 4) * s)], fill=[FOREST_LIGHT, GOLD, (214, 72, 52, 255)][i])
        d.line((4 * s, 58 * s, 60 * s, 58 * s), fill=WOOD_DARK, width=3 * s)
    return smooth(w, h, draw)


# ---------------------------------------------------------------------------

def draw_game_menu(folder, save):
    save(wood_bar(), f"{folder}/WoodBar.png")
    save(parchment(), f"{folder}/Parchment.png")
    save(parchment(64, 64, (242, 230, 200, 255), WOOD_DARK, 10), f"{folder}/Plate.png")
    save(slot(), f"{folder}/Slot.png")
    save(sign_board(), f"{folder}/SignBoard.png")
    for look in LOOKS:
        save(tile(look), f"{folder}/Tile{look}.png")
        save(disc(look), f"{folder}/Disc{look}.png")
        save(small_round(look), f"{folder}/Round{look}.png")
    for kind in ["Money", "Income", "Materials", "Gold", "Guests", "Workers", "Happiness", "Clock", "Quest"]:
        save(icon(kind), f"{folder}/Icons/{kind}.png")
        save(icon(kind, 24), f"{folder}/Icons/{kind}Small.png")
    for kind in ["Upgrade", "Destroy", "Repair", "Abort", "Back", "Up1", "Up2", "Restore", "Menu", "Goals"]:
        save(glyph(kind), f"{folder}/Glyphs/{kind}.png")
    for kind in ["Lock", "NoLicense", "New", "Done"]:
        save(badge(kind), f"{folder}/Badges/{kind}.png")
    # The information panel's signs, by the names the panel asks for.
    save(badge("Broken", 28), f"{folder}/BrokenIcon.png")
    save(badge("Info", 28), f"{folder}/InfoIcon.png")
    save(goal_box(False), f"{folder}/GoalBox.png")
    save(goal_box(True), f"{folder}/GoalBoxChecked.png")
    for kind in ["Groove", "Fill", "Gold"]:
        save(bar(kind), f"{folder}/Bar{kind}.png")
    for colour in ["Grey", "Green", "Red", "Gold"]:
        save(flag(colour), f"{folder}/Flag{colour}.png")
    save(chest(False), f"{folder}/Chest.png")
    save(chest(True), f"{folder}/ChestOpen.png")
    for direction in ["Left", "Right", "Up", "Down"]:
        save(popup_arrow(direction), f"{folder}/PopupArrow{direction}.png")
        save(tutorial_arrow_fixed(direction), f"{folder}/TutorialArrow{direction}.png")
    save(guide(0.62), f"{folder}/Guide.png")
    save(speech_bubble(), f"{folder}/Bubble.png")
    for record in config.BUILDINGS:
        if record["Type"] == "OnRoad":
            save(speaker(record["Name"]), f"{folder}/Speakers/{record['Name']}.png")
        save(building_icon(record), f"{folder}/BuildingIcons/{record['Name']}.png")
        save(grey(building_icon(record)), f"{folder}/BuildingIcons/{record['Name']}Locked.png")
    for group, name in GROUPS.items():
        record = next((r for r in config.BUILDINGS if r["Name"] == name), {"Name": name, "Type": group})
        save(building_icon(record, 72), f"{folder}/Groups/{group}.png")
        save(grey(building_icon(record, 72)), f"{folder}/Groups/{group}Locked.png")
    for n in range(1, 7):
        save(workers_icon(n), f"{folder}/Offers/Workers{n}.png")
        save(pile_icon("Materials", n), f"{folder}/Offers/Materials{n}.png")
        save(pile_icon("Gold", n), f"{folder}/Offers/Gold{n}.png")
    save(train_icon(), f"{folder}/Train.png")


def draw_obj_menu(folder, save):
    save(ribbon(), f"{folder}/Ribbon.png")
    save(medal(), f"{folder}/Medal.png")
    save(stages(), f"{folder}/Stages.png")
    save(guide(0.8), f"{folder}/Guide.png")


def make(work, out, run, save, atlaspack):
    """Draws both atlases' pictures under `work` and packs them into
    `out`/atlases."""
    draw_game_menu(f"{work}/gamemenu/GameMenu", save)
    # The popup's rows of a resource without a block of its own (a guests
    # yield) take their icon from scenes/QuestIcons/ by the resource's name.
    save(icon("Guests", 24), f"{work}/gamemenu/QuestIcons/Guests.png")
    run([atlaspack, "--prefix", "scenes/", f"{work}/gamemenu", f"{out}/atlases/GameMenu.xml"])
    draw_obj_menu(f"{work}/objmenu", save)
    run([atlaspack, "--prefix", OBJ_MENU_PREFIX, f"{work}/objmenu", f"{out}/atlases/ObjMenu.xml"])
