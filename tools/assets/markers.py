"""The flat signs the town shows over its buildings: the ring round a chosen
place, apartment stars, the repair and dirt warnings, the no-road sign, the
licence, coins, the bonus badges, the workers' badge, the income clock and
the scaffolding of a building site. The front end's drawing style: flat
colour fields with a darker rim, brass, forest and brick."""

import math

from PIL import ImageDraw

import art

S = 4  # drawn larger, then scaled down for smooth edges


def smooth(w, h, draw):
    img = art.canvas(w * S, h * S)
    draw(ImageDraw.Draw(img), S)
    return img.resize((w, h), resample=3)


def disc(d, s, box, fill, rim, width=2):
    x0, y0, x1, y1 = (v * s for v in box)
    d.ellipse((x0, y0, x1, y1), fill=rim)
    d.ellipse((x0 + width * s, y0 + width * s, x1 - width * s, y1 - width * s), fill=fill)


def selector(colour, alpha):
    """An oval ring lying on the ground round a 3 x 3 place."""
    def draw(d, s):
        rgba = colour[:3] + (alpha,)
        d.ellipse((2 * s, 2 * s, 110 * s, 62 * s), outline=rgba, width=4 * s)
        d.ellipse((8 * s, 8 * s, 104 * s, 56 * s), outline=colour[:3] + (alpha // 3,), width=2 * s)
    return smooth(112, 64, draw)


def star(filled):
    def draw(d, s):
        points = []
        for i in range(10):
            r = (9 if i % 2 == 0 else 4) * s
            a = -math.pi / 2 + i * math.pi / 5
            points.append((10 * s + r * math.cos(a), 10.5 * s + r * math.sin(a)))
        d.polygon(points, fill=art.BRASS_DARK)
        inner = [(10 * s + (x - 10 * s) * 0.72, 10.5 * s + (y - 10.5 * s) * 0.72) for x, y in points]
        d.polygon(inner, fill=(250, 206, 74, 255) if filled else (96, 84, 70, 255))
    return smooth(20, 20, draw)


def warning(kind):
    """A round badge on a short pin: a wrench (repair), a dirt splash
    (dirty), a crossed road (unreachable), a scroll (licence)."""
    def draw(d, s):
        fill, rim = {"Repair": (art.BRICK, art.BRICK_DARK), "Dirty": ((150, 110, 60, 255), (90, 62, 30, 255)),
                     "Unreachable": ((236, 236, 230, 255), art.BRICK_DARK),
                     "License": (art.CREAM, art.BRASS_DARK)}[kind]
        d.polygon([(13 * s, 24 * s), (19 * s, 24 * s), (16 * s, 31 * s)], fill=rim)
        disc(d, s, (2, 2, 30, 30), fill, rim, 3)
        if kind == "Repair":
            d.line((10 * s, 22 * s, 20 * s, 12 * s), fill=art.CREAM, width=4 * s)
            d.ellipse((16 * s, 7 * s, 25 * s, 16 * s), fill=art.CREAM)
            d.ellipse((20 * s, 8 * s, 25 * s, 13 * s), fill=fill)
        elif kind == "Dirty":
            for x, y, r in ((12, 14, 5), (19, 17, 4), (14, 20, 3), (20, 11, 2)):
                d.ellipse(((x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s), fill=(64, 42, 20, 255))
        elif kind == "Unreachable":
            d.rectangle((9 * s, 14 * s, 23 * s, 18 * s), fill=art.GREY_DARK)
            d.line((9 * s, 9 * s, 23 * s, 23 * s), fill=art.BRICK, width=3 * s)
        else:
            d.rectangle((10 * s, 8 * s, 22 * s, 22 * s), fill=art.PAPER, outline=art.BRASS_DARK, width=s)
            for y in (11, 14, 17):
                d.line((12 * s, y * s, 20 * s, y * s), fill=art.GREY_DARK, width=s)
            d.ellipse((17 * s, 18 * s, 23 * s, 24 * s), fill=art.BRICK)
    return smooth(32, 32, draw)


def coin():
    def draw(d, s):
        disc(d, s, (1, 1, 23, 23), (250, 206, 74, 255), art.BRASS_DARK, 2)
        d.text((8 * s, 3 * s), "$", fill=art.BRASS_DARK, font=art.font(15 * s, True))
    return smooth(24, 24, draw)


def badge(fill):
    """The round plate that carries a bonus or a worker count."""
    return art.panel(44, 26, fill, art.INK, radius=12, rim_width=2)


def worker_head():
    def draw(d, s):
        d.ellipse((4 * s, 2 * s, 12 * s, 10 * s), fill=(238, 190, 148, 255))
        d.rectangle((2 * s, 1 * s, 14 * s, 3 * s), fill=(140, 100, 56, 255))
        d.rounded_rectangle((3 * s, 10 * s, 13 * s, 16 * s), 2 * s, fill=art.BRICK)
    return smooth(16, 16, draw)


def clock_face():
    def draw(d, s):
        disc(d, s, (0, 0, 28, 28), art.CREAM, art.INK, 2)
    return smooth(28, 28, draw)


def clock_hand():
    def draw(d, s):
        d.line((1 * s, 1 * s, 1 * s, 11 * s), fill=art.INK, width=2 * s)
    return smooth(3, 12, draw)


def scaffold(stage):
    """A building site: posts and planks rising with the stage (1 to 3)."""
    def draw(d, s):
        wood, dark = (196, 150, 96, 255), (120, 84, 46, 255)
        d.polygon([(48 * s, 70 * s), (92 * s, 92 * s), (48 * s, 114 * s), (4 * s, 92 * s)], fill=(150, 120, 82, 200))
        top = 88 - 22 * stage
        for x, y in ((16, 92), (48, 76), (80, 92), (48, 106)):
            d.rectangle(((x - 2) * s, (y - 92 + top) * s, (x + 2) * s, y * s), fill=dark)
        for level in range(stage):
            y = 88 - level * 22
            d.line((16 * s, y * s, 48 * s, (y - 14) * s), fill=wood, width=3 * s)
            d.line((48 * s, (y - 14) * s, 80 * s, y * s), fill=wood, width=3 * s)
            d.line((16 * s, y * s, 48 * s, (y + 14) * s), fill=wood, width=3 * s)
            d.line((48 * s, (y + 14) * s, 80 * s, y * s), fill=wood, width=3 * s)
        d.line((16 * s, 90 * s, 48 * s, (top - 6) * s), fill=dark, width=2 * s)
    return smooth(96, 118, draw)


def letter():
    """A sealed envelope: a letter asking for money."""
    def draw(d, s):
        d.rounded_rectangle((1 * s, 5 * s, 31 * s, 25 * s), 2 * s, fill=art.INK)
        d.rounded_rectangle((2 * s, 6 * s, 30 * s, 24 * s), 2 * s, fill=(250, 244, 226, 255))
        d.line((3 * s, 7 * s, 16 * s, 17 * s, 29 * s, 7 * s), fill=art.INK, width=2 * s, joint="curve")
        d.ellipse((13 * s, 13 * s, 19 * s, 19 * s), fill=art.BRICK)
    return smooth(32, 28, draw)


def planks():
    """Three sawn planks: the materials icon."""
    def draw(d, s):
        for i, shade in enumerate([(214, 160, 98, 255), (196, 142, 82, 255), (178, 126, 70, 255)]):
            y = 4 + i * 6
            d.rounded_rectangle((2 * s, y * s, 22 * s, (y + 5) * s), s, fill=shade, outline=art.INK, width=s)
    return smooth(24, 24, draw)


def nugget():
    """A gold nugget: the gold icon."""
    def draw(d, s):
        d.polygon([(3 * s, 16 * s), (7 * s, 6 * s), (15 * s, 3 * s), (21 * s, 9 * s), (20 * s, 18 * s),
                   (11 * s, 21 * s)], fill=art.BRASS_DARK)
        d.polygon([(5 * s, 15 * s), (8 * s, 7 * s), (15 * s, 5 * s), (19 * s, 10 * s), (18 * s, 17 * s),
                   (11 * s, 19 * s)], fill=(250, 206, 74, 255))
        d.ellipse((9 * s, 8 * s, 13 * s, 11 * s), fill=(255, 244, 190, 255))
    return smooth(24, 24, draw)


def ground_ring(colour):
    """A soft round patch lying on the ground under a building: the serve
    area's giver or one it serves."""
    def draw(d, s):
        d.ellipse((2 * s, 2 * s, 110 * s, 62 * s), fill=colour[:3] + (90,), outline=colour, width=3 * s)
    return smooth(112, 64, draw)


def puff():
    """A grey puff of smoke from a working chimney."""
    def draw(d, s):
        for x, y, r in [(6, 12, 5), (12, 8, 6), (17, 13, 5)]:
            d.ellipse(((x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s), fill=(236, 236, 232, 230))
    return smooth(24, 20, draw)


def draw_markers(folder, save):
    save(selector((255, 236, 150, 255), 220), f"{folder}/SelectorHover.png")
    save(selector((250, 196, 60, 255), 255), f"{folder}/SelectorFocus.png")
    save(selector((120, 210, 255, 255), 255), f"{folder}/SelectorBuild.png")
    save(star(True), f"{folder}/Star.png")
    save(star(False), f"{folder}/StarEmpty.png")
    for kind in ("Repair", "Dirty", "Unreachable", "License"):
        save(warning(kind), f"{folder}/{kind}.png")
    save(coin(), f"{folder}/Coin.png")
    save(badge(art.FOREST_LIGHT), f"{folder}/BadgeGreen.png")
    save(badge((84, 130, 200, 255)), f"{folder}/BadgeBlue.png")
    save(badge(art.BRICK), f"{folder}/BadgeRed.png")
    save(badge(art.CREAM), f"{folder}/BadgeCream.png")
    save(worker_head(), f"{folder}/Worker.png")
    save(clock_face(), f"{folder}/ClockFace.png")
    save(clock_hand(), f"{folder}/ClockHand.png")
    for stage in (1, 2, 3):
        save(scaffold(stage), f"{folder}/Scaffold{stage}.png")
    save(letter(), f"{folder}/Letter.png")
    save(planks(), f"{folder}/Planks.png")
    save(nugget(), f"{folder}/Nugget.png")
    save(ground_ring((110, 200, 96, 255)), f"{folder}/ServeSource.png")
    save(ground_ring((96, 160, 230, 255)), f"{folder}/ServeReceiver.png")
    save(puff(), f"{folder}/Puff.png")
