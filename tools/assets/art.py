"""Pictures of the front end, drawn at the 1024x768 design size.

One style throughout: flat colour fields, rounded panels with a darker rim
and a thin light bevel, a warm brass-and-forest palette, DejaVu lettering.
Everything here is deterministic: the same code gives the same bytes.
"""

import math

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"

# Palette.
INK = (38, 34, 30, 255)
CREAM = (246, 236, 212, 255)
PAPER = (232, 218, 186, 255)
BRASS = (196, 148, 62, 255)
BRASS_DARK = (128, 88, 30, 255)
FOREST = (46, 94, 66, 255)
FOREST_LIGHT = (84, 146, 100, 255)
FOREST_DARK = (24, 58, 40, 255)
BRICK = (168, 64, 48, 255)
BRICK_DARK = (110, 36, 28, 255)
SKY_TOP = (120, 170, 214)
SKY_BOTTOM = (236, 220, 180)
GREY = (150, 146, 140, 255)
GREY_DARK = (96, 92, 88, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    return ImageFont.truetype(FONT_DIR + name, size)


def canvas(w, h, colour=CLEAR):
    return Image.new("RGBA", (w, h), colour)


def panel(w, h, fill, rim, radius=10, rim_width=3, bevel=True):
    """A rounded panel: rim, fill, a light line along the top inside."""
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, w - 1, h - 1), radius, fill=rim)
    d.rounded_rectangle((rim_width, rim_width, w - 1 - rim_width, h - 1 - rim_width),
                        max(radius - rim_width, 1), fill=fill)
    if bevel and h > 2 * rim_width + 6:
        light = tuple(min(255, c + 40) for c in fill[:3]) + (255,)
        d.line((radius, rim_width + 1, w - 1 - radius, rim_width + 1), fill=light, width=2)
    return img


def gradient(w, h, top, bottom):
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(h - 1, 1)
        c = tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3)) + (255,)
        d.line((0, y, w, y), fill=c)
    return img


def centred_text(img, text, size, colour, bold=True, dy=0):
    d = ImageDraw.Draw(img)
    f = font(size, bold)
    box = d.textbbox((0, 0), text, font=f)
    x = (img.width - (box[2] - box[0])) // 2 - box[0]
    y = (img.height - (box[3] - box[1])) // 2 - box[1] + dy
    d.text((x, y), text, font=f, fill=colour)


# ---------------------------------------------------------------------------
# Controls (atlas "Common")

def button(state):
    fills = {
        "Normal": (FOREST, FOREST_DARK),
        "Hover": (FOREST_LIGHT, FOREST_DARK),
        "Press": (FOREST_DARK, INK),
        "Disabled": (GREY, GREY_DARK),
    }
    fill, rim = fills[state]
    return panel(64, 48, fill, rim, radius=12)


def switch(colour):
    fill, rim = {"Green": (FOREST_LIGHT, FOREST_DARK), "Red": (BRICK, BRICK_DARK)}[colour]
    return panel(64, 40, fill, rim, radius=10)


def back_button(hover):
    img = canvas(56, 56)
    d = ImageDraw.Draw(img)
    d.ellipse((0, 0, 55, 55), fill=BRASS_DARK)
    d.ellipse((3, 3, 52, 52), fill=BRASS if not hover else (222, 176, 86, 255))
    d.polygon([(16, 28), (32, 14), (32, 22), (42, 22), (42, 34), (32, 34), (32, 42)], fill=CREAM)
    return img


def check_box(checked, hover=False):
    img = canvas(40, 40)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, 39, 39), 8, fill=BRASS_DARK)
    d.rounded_rectangle((3, 3, 36, 36), 6, fill=CREAM if not hover else (255, 248, 228, 255))
    if checked:
        d.line((9, 21, 17, 29, 31, 11), fill=FOREST, width=5, joint="curve")
    return img


def slider_track():
    return panel(32, 16, PAPER, BRASS_DARK, radius=7, rim_width=2, bevel=False)


def slider_knob(hover=False):
    img = canvas(28, 28)
    d = ImageDraw.Draw(img)
    d.ellipse((0, 0, 27, 27), fill=BRASS_DARK)
    d.ellipse((3, 3, 24, 24), fill=BRASS if not hover else (222, 176, 86, 255))
    d.ellipse((9, 8, 15, 12), fill=(240, 214, 150, 255))
    return img


def step_button(sign):
    img = canvas(32, 32)
    d = ImageDraw.Draw(img)
    d.ellipse((0, 0, 31, 31), fill=FOREST_DARK)
    d.ellipse((2, 2, 29, 29), fill=FOREST)
    d.line((9, 16, 23, 16), fill=CREAM, width=4)
    if sign > 0:
        d.line((16, 9, 16, 23), fill=CREAM, width=4)
    return img


def arrow_button(down):
    img = canvas(32, 32)
    d = ImageDraw.Draw(img)
    d.ellipse((0, 0, 31, 31), fill=FOREST_DARK)
    d.ellipse((2, 2, 29, 29), fill=FOREST)
    if down:
        d.polygon([(9, 12), (23, 12), (16, 22)], fill=CREAM)
    else:
        d.polygon([(9, 20), (23, 20), (16, 10)], fill=CREAM)
    return img


def progress(fill):
    if fill:
        return panel(32, 24, BRASS, BRASS_DARK, radius=8, rim_width=2)
    return panel(32, 24, (70, 62, 52, 255), INK, radius=8, rim_width=2, bevel=False)


def window_panel():
    return panel(64, 64, CREAM, BRASS_DARK, radius=16, rim_width=4)


def edit_field():
    return panel(32, 40, WHITE, BRASS_DARK, radius=6, rim_width=2, bevel=False)


def list_item(selected):
    if selected:
        return panel(32, 32, (250, 214, 140, 255), BRASS, radius=6, rim_width=2, bevel=False)
    return canvas(32, 32, CLEAR)


def list_frame():
    return panel(64, 64, PAPER, BRASS_DARK, radius=10, rim_width=3, bevel=False)


def tab_button(active):
    fill = BRASS if active else PAPER
    return panel(48, 40, fill, BRASS_DARK, radius=8, rim_width=2)


def portrait(index):
    """Player pictures: three men (0-2), three women (3-5), in frames."""
    img = canvas(96, 96)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, 95, 95), 12, fill=BRASS_DARK)
    backs = [(170, 200, 220), (200, 220, 180), (230, 200, 170), (220, 190, 210), (190, 210, 230), (230, 220, 170)]
    d.rounded_rectangle((4, 4, 91, 91), 9, fill=backs[index] + (255,))
    skin = [(236, 200, 170), (200, 150, 110), (150, 100, 70)][index % 3] + (255,)
    coat = [FOREST, BRICK, (60, 80, 140, 255)][index % 3]
    d.rounded_rectangle((18, 62, 78, 100), 18, fill=coat)
    d.ellipse((30, 22, 66, 60), fill=skin)
    if index < 3:  # cap
        d.rectangle((28, 18, 68, 30), fill=INK)
        d.rectangle((24, 28, 72, 32), fill=INK)
    else:  # hair and bonnet
        d.pieslice((26, 14, 70, 52), 180, 360, fill=(110, 60, 30, 255))
        d.ellipse((24, 34, 34, 58), fill=(110, 60, 30, 255))
        d.ellipse((62, 34, 72, 58), fill=(110, 60, 30, 255))
    d.ellipse((40, 38, 44, 42), fill=INK)
    d.ellipse((52, 38, 56, 42), fill=INK)
    d.arc((41, 44, 55, 52), 20, 160, fill=INK, width=2)
    # Clip the overflow of the coat to the frame.
    mask = canvas(96, 96)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, 95, 95), 12, fill=WHITE)
    out = canvas(96, 96)
    out.paste(img, (0, 0), mask)
    return out


def portrait_frame(state):
    """A selection ring drawn over a portrait check box."""
    img = canvas(104, 104)
    d = ImageDraw.Draw(img)
    colour = {"Active": (250, 200, 60, 255), "Hover": (255, 250, 220, 255)}[state]
    d.rounded_rectangle((0, 0, 103, 103), 16, outline=colour, width=5)
    return img


def cursor(size):
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    s = size / 32.0
    pts = [(1, 1), (1, 24), (7, 18), (12, 29), (16, 27), (11, 17), (19, 17)]
    d.polygon([(x * s, y * s) for x, y in pts], fill=INK)
    inner = [(3, 5), (3, 19), (7.5, 14.5), (12.5, 25), (13.5, 24.5), (8.5, 15), (14.5, 15)]
    d.polygon([(x * s, y * s) for x, y in inner], fill=(250, 214, 120, 255))
    return img


# ---------------------------------------------------------------------------
# Main menu pictures (atlas "MainMenu") and backgrounds

def hills(img, seed_phase, base, amp, colour, period):
    d = ImageDraw.Draw(img)
    w, h = img.size
    pts = [(0, h)]
    for x in range(0, w + 8, 8):
        y = base + amp * math.sin(x / period + seed_phase) + amp * 0.4 * math.sin(x / (period * 0.37) + 1.3)
        pts.append((x, y))
    pts.append((w, h))
    d.polygon(pts, fill=colour)


def town(img, ground):
    """A small railway town along the horizon: station, houses, a tower."""
    d = ImageDraw.Draw(img)
    houses = [(90, 70, 60, BRICK), (170, 50, 48, (200, 170, 120, 255)), (700, 64, 54, BRICK),
              (780, 44, 40, (180, 150, 110, 255)), (850, 72, 66, (150, 90, 70, 255))]
    for x, w, hgt, colour in houses:
        top = ground - hgt
        d.rectangle((x, top, x + w, ground), fill=colour)
        d.polygon([(x - 6, top), (x + w // 2, top - w // 2), (x + w + 6, top)], fill=INK)
        for wx in range(x + 10, x + w - 10, 18):
            d.rectangle((wx, top + 14, wx + 8, top + 26), fill=(250, 224, 150, 255))
    # Station with its clock.
    sx = 380
    d.rectangle((sx, ground - 90, sx + 260, ground), fill=(214, 196, 160, 255))
    d.polygon([(sx - 14, ground - 90), (sx + 130, ground - 150), (sx + 274, ground - 90)], fill=FOREST_DARK)
    d.ellipse((sx + 110, ground - 132, sx + 150, ground - 92), fill=CREAM, outline=INK, width=3)
    d.line((sx + 130, ground - 112, sx + 130, ground - 126), fill=INK, width=3)
    d.line((sx + 130, ground - 112, sx + 140, ground - 112), fill=INK, width=3)
    for wx in range(sx + 20, sx + 250, 40):
        d.rounded_rectangle((wx, ground - 70, wx + 22, ground - 20), 8, fill=(90, 70, 50, 255))
    # Rails.
    d.rectangle((0, ground + 6, img.width, ground + 10), fill=GREY_DARK)
    d.rectangle((0, ground + 18, img.width, ground + 22), fill=GREY_DARK)
    for x in range(0, img.width, 24):
        d.rectangle((x, ground + 4, x + 10, ground + 24), fill=(110, 80, 50, 255))


def menu_background():
    img = gradient(1024, 768, SKY_TOP, SKY_BOTTOM)
    d = ImageDraw.Draw(img)
    d.ellipse((820, 60, 920, 160), fill=(255, 240, 190, 255))
    for cx, cy in [(160, 120), (520, 80), (700, 170)]:
        for dx, r in [(-40, 26), (0, 36), (40, 28)]:
            d.ellipse((cx + dx - r, cy - r, cx + dx + r, cy + r), fill=(250, 250, 246, 255))
    hills(img, 0.4, 430, 26, (120, 170, 110, 255), 140)
    town(img, 470)
    hills(img, 2.1, 560, 18, FOREST_LIGHT, 110)
    hills(img, 4.0, 650, 14, FOREST, 90)
    return img


def loading_background():
    img = gradient(1024, 768, (70, 92, 120), (220, 180, 130))
    hills(img, 1.2, 470, 30, (90, 120, 90, 255), 150)
    town(img, 520)
    hills(img, 3.3, 640, 16, FOREST_DARK, 100)
    return img


def title_plate():
    img = panel(520, 120, CREAM, BRASS_DARK, radius=24, rim_width=6)
    centred_text(img, "Brindlemoor", 64, FOREST_DARK, dy=-2)
    return img


def bubble():
    img = canvas(420, 150)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, 419, 119), 28, fill=BRASS_DARK)
    d.rounded_rectangle((4, 4, 415, 115), 24, fill=CREAM)
    d.polygon([(60, 116), (96, 116), (50, 149)], fill=BRASS_DARK)
    d.polygon([(64, 112), (90, 112), (56, 140)], fill=CREAM)
    return img


def character(wave):
    """The station mistress: a figure with a hat and a lantern."""
    img = canvas(180, 300)
    d = ImageDraw.Draw(img)
    d.polygon([(40, 290), (90, 120), (140, 290)], fill=(60, 80, 140, 255))
    d.rectangle((70, 120, 110, 200), fill=(60, 80, 140, 255))
    d.ellipse((60, 50, 120, 116), fill=(236, 200, 170, 255))
    d.rectangle((52, 40, 128, 54), fill=INK)
    d.rectangle((66, 14, 114, 44), fill=INK)
    d.rectangle((66, 34, 114, 40), fill=BRICK)
    d.ellipse((76, 76, 82, 82), fill=INK)
    d.ellipse((98, 76, 104, 82), fill=INK)
    d.arc((78, 86, 102, 102), 20, 160, fill=INK, width=3)
    if wave:
        d.line((110, 140, 160, 80), fill=(60, 80, 140, 255), width=16)
        d.ellipse((150, 64, 172, 86), fill=(236, 200, 170, 255))
    else:
        d.line((110, 140, 150, 200), fill=(60, 80, 140, 255), width=16)
        d.rectangle((138, 200, 166, 236), fill=BRASS, outline=INK, width=3)
        d.ellipse((144, 208, 160, 228), fill=(255, 236, 150, 255))
    d.line((70, 140, 34, 200), fill=(60, 80, 140, 255), width=16)
    return img


def butterfly(open_wings):
    img = canvas(48, 40)
    d = ImageDraw.Draw(img)
    if open_wings:
        d.ellipse((2, 4, 22, 22), fill=(240, 160, 40, 255))
        d.ellipse((26, 4, 46, 22), fill=(240, 160, 40, 255))
        d.ellipse((6, 18, 22, 34), fill=(220, 110, 30, 255))
        d.ellipse((26, 18, 42, 34), fill=(220, 110, 30, 255))
    else:
        d.ellipse((14, 6, 24, 30), fill=(240, 160, 40, 255))
        d.ellipse((24, 6, 34, 30), fill=(240, 160, 40, 255))
    d.rounded_rectangle((22, 6, 26, 36), 2, fill=INK)
    return img


def logo_publisher():
    """The publisher's card: an emblem and its name."""
    img = canvas(512, 320)
    d = ImageDraw.Draw(img)
    d.ellipse((196, 20, 316, 140), fill=BRASS_DARK)
    d.ellipse((204, 28, 308, 132), fill=BRASS)
    d.polygon([(256, 44), (292, 112), (220, 112)], fill=CREAM)
    d.polygon([(256, 70), (276, 106), (236, 106)], fill=BRASS)
    plate = canvas(512, 120)
    centred_text(plate, "VELMORA", 64, CREAM)
    img.paste(plate, (0, 160), plate)
    d.line((120, 290, 392, 290), fill=BRASS, width=3)
    return img


def logo_engine():
    """The engine's card: three interlocking gears and its name."""
    img = canvas(512, 320)
    d = ImageDraw.Draw(img)
    for cx, cy, r, colour in [(196, 90, 56, FOREST_LIGHT), (300, 70, 40, BRASS), (300, 140, 30, BRICK)]:
        teeth = 10
        pts = []
        for i in range(teeth * 2):
            a = math.pi * i / teeth
            rr = r if i % 2 == 0 else r * 0.8
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        d.polygon(pts, fill=colour)
        d.ellipse((cx - r * 0.3, cy - r * 0.3, cx + r * 0.3, cy + r * 0.3), fill=(20, 24, 28, 255))
    plate = canvas(512, 100)
    centred_text(plate, "MRX ENGINE", 56, (230, 236, 240, 255))
    img.paste(plate, (0, 190), plate)
    return img


def logo_title():
    img = canvas(700, 300)
    plate = title_plate()
    img.paste(plate, ((700 - plate.width) // 2, 60), plate)
    sub = canvas(700, 60)
    centred_text(sub, "a railway town against the clock", 28, CREAM, bold=False)
    img.paste(sub, (0, 200), sub)
    return img


def brighten(img, amount):
    """The picture lighter by `amount` in each colour channel, its alpha kept."""
    r, g, b, a = img.split()
    r, g, b = (channel.point(lambda v: min(255, v + amount)) for channel in (r, g, b))
    return Image.merge("RGBA", (r, g, b, a))
