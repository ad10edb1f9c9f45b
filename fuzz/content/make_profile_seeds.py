#!/usr/bin/env python3
"""Writes the seeds of fuzz_profile: a plain and a scrambled user file.

The first byte of a seed picks the key (0: none, 1: the fuzzer's key); the
rest is the file. Run from anywhere: python3 fuzz/content/make_profile_seeds.py
"""
import pathlib
import zlib

KEY = b"Fz!0123456789abc"

TEXT = (
    '<?xml version="1.0"?>\r\n'
    "<Profiles>\r\n"
    "\t<CommonProfile>\r\n"
    "\t\t<Parameters>\r\n"
    '\t\t\t<bool Name="FullScreen" Value="true" />\r\n'
    '\t\t\t<int Name="VideoDriver" Value="2" />\r\n'
    "\t\t</Parameters>\r\n"
    "\t</CommonProfile>\r\n"
    '\t<Profile Name="Ann" Active="true">\r\n'
    "\t\t<Parameters>\r\n"
    '\t\t\t<int Name="LevelIndex" Value="3" />\r\n'
    '\t\t\t<float Name="MusicVolume" Value="0.5" />\r\n'
    '\t\t\t<string Name="Ranks" Value="0120" />\r\n'
    '\t\t\t<stringw Name="PlayerPicture" Value="B\u00e4r &amp; &#xA;" />\r\n'
    '\t\t\t<color Name="Tint" Value="ff00ff00" />\r\n'
    '\t\t\t<properties Name="Level3">\r\n'
    '\t\t\t\t<int Name="Stars" Value="2" />\r\n'
    '\t\t\t\t<properties Name="Shop">\r\n'
    '\t\t\t\t\t<note Name="Memo">a &amp; b</note>\r\n'
    "\t\t\t\t</properties>\r\n"
    "\t\t\t</properties>\r\n"
    '\t\t\t<stringwArray Name="Trophies">\r\n'
    '\t\t\t\t<stringw Value="Gold" />\r\n'
    '\t\t\t\t<stringw Value="Zo\u00eb &lt;1&gt;" />\r\n'
    "\t\t\t</stringwArray>\r\n"
    "\t\t</Parameters>\r\n"
    "\t</Profile>\r\n"
    '\t<Profile Name="Zo\u00eb \u65e5\u672c">\r\n'
    "\t\t<Parameters>\r\n"
    '\t\t\t<bool Name="SoundOn" Value="false" />\r\n'
    "\t\t</Parameters>\r\n"
    "\t</Profile>\r\n"
    "\t<GlobalProfile>\r\n"
    "\t\t<Parameters>\r\n"
    '\t\t\t<stringw Name="Installed" Value="yes" />\r\n'
    "\t\t</Parameters>\r\n"
    "\t</GlobalProfile>\r\n"
    "</Profiles>\r\n"
)


def main():
    plain = b"\xff\xfe" + TEXT.encode("utf-16-le")
    scrambled = bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(plain))
    scrambled += zlib.crc32(plain).to_bytes(4, "little")
    out = pathlib.Path(__file__).resolve().parents[1] / "corpus" / "fuzz_profile"
    out.mkdir(parents=True, exist_ok=True)
    (out / "plain.dat").write_bytes(b"\x00" + plain)
    (out / "scrambled.dat").write_bytes(b"\x01" + scrambled)


if __name__ == "__main__":
    main()
