#!/usr/bin/python3
"""Makes the image fixtures of the content tests with third-party tools.

PNG files come from ImageMagick (convert) and Pillow, JPEG files from
libjpeg-turbo's cjpeg, Pillow and ImageMagick. Each image gets the tool's own
dump beside it: PNG as ImageMagick's 16-bit RGBA samples ("<name>.rgba16",
big-endian), JPEG as djpeg's PPM/PGM decoded without fancy upsampling
("<name>.pnm"). The script checks that every PNG has the colour type, bit
depth and interlace it is meant to cover.

Run from anywhere: /usr/bin/python3 tests/engine/content/data/make_fixtures.py
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else shutil.which("convert")
WIDTH, HEIGHT = 37, 23  # odd sizes: partial bytes for packed depths, short interlace passes


def run(*args):
    subprocess.run(args, check=True)


def base_rgba():
    image = Image.new("RGBA", (WIDTH, HEIGHT))
    pixels = image.load()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            r = (x * 255) // (WIDTH - 1)
            g = (y * 255) // (HEIGHT - 1)
            b = ((x + y) * 37) & 255
            a = 255 if (x // 4 + y // 4) % 3 else (x * 7 + y * 11) & 255
            pixels[x, y] = (r, g, b, a)
    return image


def ihdr(path):
    with open(path, "rb") as f:
        data = f.read(33)
    width, height, depth, kind, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
    return depth, kind, interlace


def has_chunk(path, name):
    with open(path, "rb") as f:
        data = f.read()
    at = 8
    while at + 8 <= len(data):
        size, chunk = struct.unpack(">I4s", data[at : at + 8])
        if chunk == name:
            return True
        at += size + 12
    return False


def dump_png(name):
    path = os.path.join(HERE, name + ".png")
    run(CONVERT, path, "-depth", "16", "-endian", "MSB", "rgba:" + os.path.join(HERE, name + ".rgba16"))


def check_png(name, depth, kind, interlace, trns=False):
    path = os.path.join(HERE, name + ".png")
    got = ihdr(path)
    if got != (depth, kind, interlace):
        sys.exit(f"{name}: made depth/type/interlace {got}, wanted {(depth, kind, interlace)}")
    if trns and not has_chunk(path, b"tRNS"):
        sys.exit(f"{name}: no tRNS chunk")


def magick_png(work, name, color_type, bit_depth, extra=(), interlace=False):
    path = os.path.join(HERE, name + ".png")
    args = [CONVERT, os.path.join(work, "base.png"), *extra, "-define", f"png:color-type={color_type}",
            "-define", f"png:bit-depth={bit_depth}", "-depth", str(bit_depth)]
    if interlace:
        args += ["-interlace", "PNG"]
    args += ["-strip", path]
    run(*args)
    check_png(name, bit_depth, color_type, 1 if interlace else 0)


def main():
    work = tempfile.mkdtemp()
    try:
        base = base_rgba()
        base.save(os.path.join(work, "base.png"))
        base.convert("RGB").save(os.path.join(work, "base.ppm"))
        gray_opts = ["-colorspace", "Gray"]
        no_alpha = ["-alpha", "off"]

        # ImageMagick: every colour type and bit depth, and interlaced files.
        magick_png(work, "gray1", 0, 1, gray_opts + no_alpha + ["-threshold", "50%"])
        magick_png(work, "gray2", 0, 2, gray_opts + no_alpha)
        magick_png(work, "gray4", 0, 4, gray_opts + no_alpha)
        magick_png(work, "gray8", 0, 8, gray_opts + no_alpha)
        magick_png(work, "gray16", 0, 16, gray_opts + no_alpha + ["-evaluate", "multiply", "0.9973"])
        magick_png(work, "grayalpha8", 4, 8, gray_opts)
        magick_png(work, "grayalpha16", 4, 16, gray_opts + ["-evaluate", "multiply", "0.9973"])
        magick_png(work, "rgb8", 2, 8, no_alpha)
        magick_png(work, "rgb16", 2, 16, no_alpha + ["-evaluate", "multiply", "0.9973"])
        magick_png(work, "rgba8", 6, 8)
        magick_png(work, "rgba16", 6, 16, ["-evaluate", "multiply", "0.9973"])
        magick_png(work, "palette1", 3, 1, no_alpha + ["-colors", "2"])
        magick_png(work, "palette2", 3, 2, no_alpha + ["-colors", "4"])
        magick_png(work, "palette4", 3, 4, no_alpha + ["-colors", "16"])
        magick_png(work, "palette8", 3, 8, no_alpha + ["-colors", "200"])
        magick_png(work, "interlaced_rgb8", 2, 8, no_alpha, interlace=True)
        magick_png(work, "interlaced_rgba16", 6, 16, ["-evaluate", "multiply", "0.9973"], interlace=True)
        magick_png(work, "interlaced_gray2", 0, 2, gray_opts + no_alpha, interlace=True)

        # Pillow: transparency chunks on palette, grey and RGB images.
        palette = base.convert("RGB").quantize(colors=16)
        palette.save(os.path.join(HERE, "palette4_trns.png"), bits=4, transparency=bytes([0, 40, 128, 255, 7] + [255] * 11))
        check_png("palette4_trns", 4, 3, 0, trns=True)
        palette8 = base.convert("RGB").quantize(colors=100)
        palette8.save(os.path.join(HERE, "palette8_trns.png"), transparency=bytes(i * 2 for i in range(100)))
        check_png("palette8_trns", 8, 3, 0, trns=True)
        gray = base.convert("L")
        gray.save(os.path.join(HERE, "gray8_trns.png"), transparency=gray.getpixel((5, 5)))
        check_png("gray8_trns", 8, 0, 0, trns=True)
        rgb = base.convert("RGB")
        rgb.save(os.path.join(HERE, "rgb8_trns.png"), transparency=rgb.getpixel((9, 3)))
        check_png("rgb8_trns", 8, 2, 0, trns=True)
        Image.open(os.path.join(HERE, "palette4_trns.png"))  # readable by Pillow too

        for name in ["gray1", "gray2", "gray4", "gray8", "gray16", "grayalpha8", "grayalpha16", "rgb8", "rgb16",
                     "rgba8", "rgba16", "palette1", "palette2", "palette4", "palette8", "interlaced_rgb8",
                     "interlaced_rgba16", "interlaced_gray2", "palette4_trns", "palette8_trns", "gray8_trns",
                     "rgb8_trns"]:
            dump_png(name)

        # JPEG: cjpeg baseline, progressive, greyscale and with restart
        # markers; Pillow 4:2:0; ImageMagick 4:2:2.
        ppm = os.path.join(work, "base.ppm")
        jpegs = {
            "baseline": ["cjpeg", "-quality", "85", ppm],
            "progressive": ["cjpeg", "-quality", "80", "-progressive", ppm],
            "grayscale": ["cjpeg", "-quality", "90", "-grayscale", ppm],
            "restart": ["cjpeg", "-quality", "70", "-restart", "1", "-sample", "2x2", ppm],
        }
        for name, args in jpegs.items():
            with open(os.path.join(HERE, name + ".jpg"), "wb") as out:
                subprocess.run(args, check=True, stdout=out)
        base.convert("RGB").save(os.path.join(HERE, "pillow420.jpg"), quality=88, subsampling=2)
        run(CONVERT, os.path.join(work, "base.png"), "-alpha", "off", "-sampling-factor", "2x1", "-quality", "75",
            os.path.join(HERE, "magick422.jpg"))
        for name in list(jpegs) + ["pillow420", "magick422"]:
            with open(os.path.join(HERE, name + ".pnm"), "wb") as out:
                subprocess.run(["djpeg", "-nosmooth", "-pnm", os.path.join(HERE, name + ".jpg")], check=True,
                               stdout=out)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
