#!/usr/bin/env python3
"""Regenerates the game's front-end assets under assets/.

    tools/assets/make_assets.py --tools build/release/tools [--root .]

writes <root>/assets, and beside it the developer dictionaries in
<root>/assets_en and <root>/assets_ru.

Renders the town's models with POV-Ray when their sources changed (see
renders.py), draws the pictures, packs them into atlases with atlaspack, builds the
texture fonts with fontbuild from DejaVu (fonts-dejavu-core), synthesises the
sounds with sox and encodes them with oggenc, and writes the scene files,
the configuration, the dictionaries and the sound pack. The same sources give
the same bytes, so the committed assets can be checked against a fresh run.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import art  # noqa: E402
import comics  # noqa: E402
import config  # noqa: E402
import hudart  # noqa: E402
import hudscenes  # noqa: E402
import levelart  # noqa: E402
import levels  # noqa: E402
import markers  # noqa: E402
import music  # noqa: E402
import renders  # noqa: E402
import scenes  # noqa: E402
import screenart  # noqa: E402
import sounds  # noqa: E402
import texts  # noqa: E402
import voices  # noqa: E402
import wideart  # noqa: E402

# Files and folders under assets/ that this script owns; everything else there
# is left alone.
OWNED = ["atlases/Common.xml", "atlases/Common.png", "atlases/MainMenu.xml", "atlases/MainMenu.png",
         "atlases/MapMenu.xml", "atlases/MapMenu.png", "atlases/HQ.xml", "atlases/HQ.png",
         "img", "logos", "fonts", "sounds", "strings", "img/levels",
         "scenes/ParticleCollection.xml", "scenes/Loading", "scenes/CursorWindow.png", "scenes/CursorFullScreen.png"] + \
        ["scenes/" + name for name in scenes.SCENES] + list(config.files()) + \
        [f"atlases/Setting{n}.png" for n in levelart.PALETTES] + [f"atlases/Level{n}.xml" for n in levels.sources()] + \
        [f"levels/level{n}" for n in levels.sources()] + [f"atlases/{a}.{e}" for a in ("Buildings", "Env1", "Env2") for e in ("xml", "png")] + \
        ["levels/common/TemplateCollection.mscn"] + \
        comics.owned() + list(levels.screen_tutorials())

hudscenes.install(scenes, texts, OWNED)

# The small level the world's tests load, made from its own source.
FIXTURE_LEVEL = "tests/game/world/data/level1"
FIXTURE_SOURCE = "tests/game/world/data/level1.txt"


def save(img, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, optimize=True)


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def draw_common(folder):
    for state in ["Normal", "Hover", "Press", "Disabled"]:
        save(art.button(state), f"{folder}/Button{state}.png")
    for colour in ["Green", "Red"]:
        save(art.switch(colour), f"{folder}/Switch{colour}.png")
        save(art.brighten(art.switch(colour), 30), f"{folder}/Switch{colour}Hover.png")
    save(art.back_button(False), f"{folder}/BackNormal.png")
    save(art.back_button(True), f"{folder}/BackHover.png")
    save(art.check_box(False), f"{folder}/CheckOff.png")
    save(art.check_box(False, True), f"{folder}/CheckOffHover.png")
    save(art.check_box(True), f"{folder}/CheckOn.png")
    save(art.check_box(True, True), f"{folder}/CheckOnHover.png")
    save(art.slider_track(), f"{folder}/SliderTrack.png")
    save(art.slider_knob(), f"{folder}/SliderKnob.png")
    steps = {"Minus": art.step_button(-1), "Plus": art.step_button(1), "Up": art.arrow_button(False),
             "Down": art.arrow_button(True)}
    for name, picture in steps.items():
        save(picture, f"{folder}/Step{name}.png")
        save(art.brighten(picture, 40), f"{folder}/Step{name}Hover.png")
    save(art.progress(False), f"{folder}/ProgressBg.png")
    save(art.progress(True), f"{folder}/ProgressFill.png")
    save(art.window_panel(), f"{folder}/Window.png")
    save(art.edit_field(), f"{folder}/EditField.png")
    caret = art.canvas(3, 28, art.INK)
    save(caret, f"{folder}/Caret.png")
    save(art.list_frame(), f"{folder}/ListFrame.png")
    save(art.list_item(False), f"{folder}/ListItem.png")
    hover = art.panel(32, 32, (244, 232, 200, 255), art.PAPER, radius=6, rim_width=2, bevel=False)
    save(hover, f"{folder}/ListItemHover.png")
    save(art.list_item(True), f"{folder}/ListItemSelected.png")
    save(art.tab_button(False), f"{folder}/TabNormal.png")
    save(art.brighten(art.tab_button(False), 14), f"{folder}/TabHover.png")
    save(art.tab_button(True), f"{folder}/TabActive.png")
    for i in range(6):
        save(art.portrait(i), f"{folder}/Portrait{i + 1}.png")
    save(art.portrait_frame("Active"), f"{folder}/PortraitRing.png")


def draw_main_menu(folder):
    save(art.title_plate(), f"{folder}/Title.png")
    save(art.bubble(), f"{folder}/Bubble.png")
    save(art.character(False), f"{folder}/Character.png")
    save(art.character(True), f"{folder}/CharacterWave.png")
    save(art.butterfly(True), f"{folder}/ButterflyOpen.png")
    save(art.butterfly(False), f"{folder}/ButterflyClosed.png")


def run(cmd):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{result.stdout}")


def logos_xml():
    entries = [("logos/Publisher.png", 2500, "ff141c24"), ("logos/Engine.png", 2000, "ff20262c"),
               ("logos/Title.png", 2500, "ff2e5e42")]
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<Logos>"]
    for image, time, colour in entries:
        lines.append(f'\t<Logo Image="{image}" Time="{time}" Skippable="true" Stretched="false" BgColor="{colour}" />')
    lines.append("</Logos>")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    parser.add_argument("--tools", required=True, help="folder holding atlaspack and fontbuild")
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), "..", ".."))
    parser.add_argument("--check-renders", action="store_true",
                        help="fail when a render or a piece of music is older than its source instead of making it")
    args = parser.parse_args()
    level_voices = {number: voices.hint_keys([level.tutorial()] + [levels.tutorial_xml(hints) for hints in
                                                                   level.group_tutorials.values()])
                    for number, level in levels.sources().items()}
    spoken = {key: texts.TEXTS[key][0] for keys in level_voices.values() for key in keys}
    stale = renders.update(check=args.check_renders) + music.update(check=args.check_renders) + \
        comics.update(check=args.check_renders) + voices.update(spoken, check=args.check_renders)
    if args.check_renders and stale:
        sys.exit("renders or music out of date with their sources (run scripts/make-assets.sh): " + ", ".join(stale))
    root = os.path.abspath(args.root)
    out = os.path.join(root, "assets")
    atlaspack = os.path.join(args.tools, "atlaspack")
    fontbuild = os.path.join(args.tools, "fontbuild")

    # The played music lives in assets/sounds, which is made again below.
    kept_music = tempfile.TemporaryDirectory()
    music.copy_to(kept_music.name)
    kept_voices = tempfile.TemporaryDirectory()
    voices.keep(kept_voices.name)
    for name in ["assets_en", "assets_ru", FIXTURE_LEVEL] + [os.path.join("assets", owned) for owned in OWNED]:
        path = os.path.join(root, name)
        if os.path.isdir(path):
            shutil.rmtree(path)
        elif os.path.exists(path):
            os.remove(path)

    for folder in ["atlases", "fonts", "sounds"]:
        os.makedirs(os.path.join(out, folder), exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        # Pictures packed into atlases; each texture is named after its path under assets/.
        draw_common(f"{work}/common")
        draw_main_menu(f"{work}/mainmenu")
        run([atlaspack, "--prefix", "img/common/", f"{work}/common", f"{out}/atlases/Common.xml"])
        run([atlaspack, "--prefix", "img/mainmenu/", f"{work}/mainmenu", f"{out}/atlases/MainMenu.xml"])
        # The map of levels (with the result window's marks) and the headquarters.
        screenart.draw_map(f"{work}/map", save)
        run([atlaspack, "--prefix", "img/map/", f"{work}/map", f"{out}/atlases/MapMenu.xml"])
        screenart.draw_hq(f"{work}/hq", save)
        run([atlaspack, "--prefix", "img/hq/", f"{work}/hq", f"{out}/atlases/HQ.xml"])
        hudart.make(work, out, run, save, atlaspack)

        # The town's buildings, rendered by POV-Ray; its folk and trains (the
        # first of the two atlases the loading screen loads for every level)
        # and the signs over its buildings (the second).
        renders.copy_to(f"{work}/buildings", "buildings")
        run([atlaspack, "--prefix", "img/buildings/", f"{work}/buildings", f"{out}/atlases/Buildings.xml"])
        for group in ("people", "trains"):
            renders.copy_to(f"{work}/env1/{group}", group)
        run([atlaspack, "--prefix", "img/", f"{work}/env1", f"{out}/atlases/Env1.xml"])
        markers.draw_markers(f"{work}/env2/markers", save)
        run([atlaspack, "--prefix", "img/", f"{work}/env2", f"{out}/atlases/Env2.xml"])

        # The playing field: the road and rail pieces of each setting on one
        # page, which the atlas of each level of that setting names.
        for setting in levelart.PALETTES:
            levelart.draw_setting(f"{work}/setting{setting}", setting)
            run([atlaspack, "--prefix", f"img/setting{setting}/", f"{work}/setting{setting}",
                 f"{out}/atlases/Setting{setting}.xml"])
        for number, level in levels.sources().items():
            shutil.copyfile(f"{out}/atlases/Setting{level.setting()}.xml", f"{out}/atlases/Level{number}.xml")
        for setting in levelart.PALETTES:
            os.remove(f"{out}/atlases/Setting{setting}.xml")

        # The comics: page pieces, and the panels of each episode.
        comics.draw_common(f"{work}/comics", save)
        run([atlaspack, "--prefix", "img/comics/", f"{work}/comics", f"{out}/atlases/Comics.xml"])
        for episode in comics.EPISODES:
            comics.draw_episode(f"{work}/comics{episode}", episode, save)
            run([atlaspack, "--prefix", f"img/comics/episode{episode}/", f"{work}/comics{episode}",
                 f"{out}/atlases/Comics{episode}.xml"])

        # Fonts.
        dejavu = art.FONT_DIR
        for name, face, size in [("Caption", "DejaVuSans-Bold.ttf", 30), ("Text", "DejaVuSans.ttf", 22),
                                 ("Small", "DejaVuSans.ttf", 17)]:
            run([fontbuild, "--font", dejavu + face, "--size", str(size), "--chars", "latin1,cyrillic,punctuation",
                 f"{out}/fonts/{name}.mfnt"])

        # Sounds.
        sounds.make_all(work, f"{out}/sounds", music.cues())
        music.copy_to(f"{out}/sounds", kept_music.name)
        comics.make_sounds(work, f"{out}/sounds")
        # Each level's own pack: the guide's lines of its tutorials.
        for number, keys in level_voices.items():
            voices.copy_to(f"{out}/sounds/voices", keys, kept_voices.name)
            write_text(f"{out}/sounds/SoundPackLevel{number}.xml", voices.sound_pack(keys))

    # Whole pictures: screen backgrounds, logos, cursors.
    save(wideart.menu_background().convert("RGB"), f"{out}/img/backgrounds/Menu.png")
    save(screenart.map_background().convert("RGB"), f"{out}/img/backgrounds/Map.png")
    save(screenart.hq_background().convert("RGB"), f"{out}/img/backgrounds/HQ.png")
    for setting in levelart.PALETTES:
        save(levelart.ground(setting), f"{out}/img/levels/Ground{setting}.png")
    for number, level in levels.sources().items():
        levels.write_level(level, f"{out}/levels/level{number}")
    # The fixture's source is read from this checkout, whatever root is written.
    source_root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    with open(f"{source_root}/{FIXTURE_SOURCE}", encoding="utf-8") as f:
        levels.write_level(levels.Level(f.read(), FIXTURE_SOURCE), f"{root}/{FIXTURE_LEVEL}", up="../../../../../assets/")
    save(art.loading_background().convert("RGB"), f"{out}/scenes/Loading/Loading.png")
    save(art.logo_publisher(), f"{out}/logos/Publisher.png")
    save(art.logo_engine(), f"{out}/logos/Engine.png")
    save(art.logo_title(), f"{out}/logos/Title.png")
    save(art.cursor(32), f"{out}/scenes/CursorWindow.png")
    save(art.cursor(32), f"{out}/scenes/CursorFullScreen.png")

    write_text(f"{out}/logos/Logos.xml", logos_xml())
    for path, text in config.files().items():
        write_text(f"{out}/{path}", text)
    write_text(f"{out}/scenes/ParticleCollection.xml",
               '<?xml version="1.0" encoding="utf-8"?>\n<ParticleCollection>\n</ParticleCollection>\n')
    for name, build in scenes.SCENES.items():
        write_text(f"{out}/scenes/{name}", scenes.document(build()))
    write_text(f"{out}/levels/common/TemplateCollection.mscn", scenes.level_templates_document())
    for path, content in {**comics.scene_files(), **levels.screen_tutorials()}.items():
        write_text(f"{out}/{path}", content)
    for path, content in texts.dictionaries().items():
        write_text(f"{root}/{path}", content)


if __name__ == "__main__":
    main()
