#!/usr/bin/python3
"""Builds the seed files of the image fuzz targets under fuzz/corpus/ from
the tool-made fixtures in tests/engine/content/data (the "jpga" and "mimg"
seeds wrap those files in the engine's own layouts).

Run from anywhere: /usr/bin/python3 fuzz/content/make_seeds.py
"""

import os
import shutil
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DATA = os.path.join(ROOT, "tests", "engine", "content", "data")
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def data(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


def put(target, name, content):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(content)


def jpga(color, alpha):
    return b"AGPJ" + struct.pack("<II", 0x100, 12 + len(color)) + color + alpha


def mimg(color, alpha, color_type, alpha_type, color_format):
    trailer = b"\0" * 8 + struct.pack("<IBBBBHHI", len(color), alpha_type, color_type, 0, 0, color_format, 0x0102,
                                      0x4D494D47)
    return color + alpha + trailer


def raw(width, height, pixels):
    return struct.pack("<II", width, height) + pixels


def main():
    for target in ["fuzz_png", "fuzz_jpeg", "fuzz_jpga", "fuzz_mimg"]:
        shutil.rmtree(os.path.join(CORPUS, target), ignore_errors=True)
    for name in ["gray1", "gray16", "grayalpha8", "rgb8", "rgba16", "palette2", "palette4_trns", "gray8_trns",
                 "rgb8_trns", "interlaced_rgba16", "interlaced_gray2"]:
        put("fuzz_png", name + ".png", data(name + ".png"))
    for name in ["baseline", "progressive", "grayscale", "restart", "pillow420", "magick422"]:
        put("fuzz_jpeg", name + ".jpg", data(name + ".jpg"))
    put("fuzz_jpga", "baseline-gray.jpga", jpga(data("baseline.jpg"), data("grayscale.jpg")))
    put("fuzz_jpga", "progressive-gray.jpga", jpga(data("progressive.jpg"), data("grayscale.jpg")))
    argb = bytes(range(64))
    put("fuzz_mimg", "raw-argb.mimg", mimg(raw(4, 4, argb), b"", 1, 0, 4))
    put("fuzz_mimg", "raw-argb-rawalpha.mimg", mimg(raw(4, 4, argb), raw(4, 4, argb[::-1]), 1, 1, 4))
    put("fuzz_mimg", "raw-4444.mimg", mimg(raw(4, 2, argb[:16]), b"", 1, 0, 1))
    put("fuzz_mimg", "raw-565-alpha-ignored.mimg", mimg(raw(2, 2, argb[:8]), b"xx", 1, 2, 2))
    put("fuzz_mimg", "png-pngalpha.mimg", mimg(data("rgb8.png"), data("gray8.png"), 2, 2, 4))
    put("fuzz_mimg", "jpeg-jpegalpha-1555.mimg", mimg(data("baseline.jpg"), data("grayscale.jpg"), 3, 3, 0))
    put("fuzz_mimg", "png-to-565.mimg", mimg(data("rgba8.png"), b"", 2, 0, 2))


if __name__ == "__main__":
    main()
