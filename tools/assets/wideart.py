"""The front end's backdrops for a wide window: the design picture (1024 x 768)
in the middle and the same landscape carried on at both sides, so a screen
shown in a window wider than 4:3 (up to 16:10) has no black margins and a
sliding panel moves over the town rather than over black."""

import math

from PIL import ImageDraw

import art

W, H = 1024, 768
# How far a 16:10 window reaches beyond the design picture on each side.
MARGIN = (1228 - W) // 2


def _hills(img, seed_phase, base, amp, colour, period):
    """art.hills carried on to the left of the design picture's x = 0."""
    d = ImageDraw.Draw(img)
    w, h = img.size
    pts = [(0, h)]
    for x in range(-MARGIN - 8, w - MARGIN + 8, 8):
        y = base + amp * math.sin(x / period + seed_phase) + amp * 0.4 * math.sin(x / (period * 0.37) + 1.3)
        pts.append((x + MARGIN, y))
    pts.append((w, h))
    d.polygon(pts, fill=colour)


def _house(d, x, ground, w, hgt, colour):
    top = ground - hgt
    d.rectangle((x, top, x + w, ground), fill=colour)
    d.polygon([(x - 6, top), (x + w // 2, top - w // 2), (x + w + 6, top)], fill=art.INK)
    for wx in range(x + 10, x + w - 10, 18):
        d.rectangle((wx, top + 14, wx + 8, top + 26), fill=(250, 224, 150, 255))


def _tree(d, x, ground, size):
    d.rectangle((x - 3, ground - size // 2, x + 3, ground), fill=(90, 70, 50, 255))
    d.ellipse((x - size // 2, ground - size * 3 // 2, x + size // 2, ground - size // 2), fill=art.FOREST)


def _widened(middle, sky_top, sky_bottom, layers, ground, sides):
    """`middle` in the middle of a wide picture whose sides carry on its sky,
    its hills (`layers`: the art.hills arguments, back to front, with the
    town's rails between the first and the rest) and its rails, with a few
    houses and trees of their own (`sides`: draws onto the picture)."""
    img = art.gradient(W + 2 * MARGIN, H, sky_top, sky_bottom)
    _hills(img, *layers[0])
    d = ImageDraw.Draw(img)
    sides(d)
    d.rectangle((0, ground + 6, img.width, ground + 10), fill=art.GREY_DARK)
    d.rectangle((0, ground + 18, img.width, ground + 22), fill=art.GREY_DARK)
    # The sleepers keep the middle's spacing.
    for x in range(MARGIN % 24 - 24, img.width, 24):
        d.rectangle((x, ground + 4, x + 10, ground + 24), fill=(110, 80, 50, 255))
    for layer in layers[1:]:
        _hills(img, *layer)
    img.paste(middle, (MARGIN, 0))
    return img


def menu_background():
    ground = 470

    def sides(d):
        _house(d, 20, ground, 52, 58, art.BRICK)
        _tree(d, 80, ground, 30)
        _tree(d, W + MARGIN + 16, ground, 30)
        _house(d, W + MARGIN + 40, ground, 50, 62, (200, 170, 120, 255))

    layers = [(0.4, 430, 26, (120, 170, 110, 255), 140), (2.1, 560, 18, art.FOREST_LIGHT, 110),
              (4.0, 650, 14, art.FOREST, 90)]
    return _widened(art.menu_background(), art.SKY_TOP, art.SKY_BOTTOM, layers, ground, sides)
