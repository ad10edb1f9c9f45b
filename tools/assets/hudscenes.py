"""Scene files of the play screen ("GamePlayScene.mscn": the head-up display
over a level), of the screens pushed over it ("LevelObjectivesScene.mscn",
"InGameMenuScene.mscn"), the control templates they and the tutorial clone
(build-list entries, offers, goal check boxes, action buttons, the cost
popup, the tutorial windows and arrows), and the dictionary entries they
name.

`install` hands all of it to make_assets.py's scene and text tables.
"""

import re

import config
import hudart
from scenes import (CAPTION, COMMON, CONTROL_STATES, CHECK_STATES, H, HIDDEN, IMG, SHOWN, SMALL, TEXT, W, Node,
                    at, button, control, control_looks, fade, group, input_group, keyframes, nine_grid,
                    scene_root, set_props, set_states, sprite, stateful_image, text, vec)

GAME_MENU = "../atlases/GameMenu.xml"
OBJ_MENU = "../atlases/ObjMenu.xml"
G = "GameMenu/"  # the play screen's pictures, beside the scene files
O = "ObjMenu/"
C = IMG + "common/"

LIGHT = "fff6ecd4"
INK = "ff262220"
DARK_GREEN = "ff183a28"
GOLDEN = "ffffe08a"
RED = "ffb03020"
GREEN = "ff2e6e3c"
CLEAR = "00ffffff"

TOP_H = 56
BOTTOM_Y = 584
BOTTOM_H = H - BOTTOM_Y
# Where the information panel stands on every action page.
INFO_X, INFO_Y, INFO_W, INFO_H = 660, 14, 352, 160
# Depth of the head-up display over the level, and of the popups over it.
HUD_Z = 0.02


def looks(prefix):
    return {k: f"{G}{prefix}{k}.png" for k in hudart.LOOKS}


def tint(colour):
    return set_props(("color", "TintColor", colour))


def shown(flag):
    return set_props(("bool", "Visible", "true" if flag else "false"))


def frame(name, picture, x, y, w, h, border=12, z=0):
    return at(nine_grid(name, G + picture, 0, 0, w, h, border), x, y, z).prop("bool", "CanBeHit", "false")


def picture(name, path, x, y, z=0.5, size=None):
    node = sprite(name, path, 0, 0, 0, stretch=size)
    return at(node, x, y, z).prop("bool", "CanBeHit", "false")


def label(name, value, x, y, w, h, fnt=TEXT, colour=INK, halign=1, valign=2, wrap=False, z=1):
    return at(text(name, value, 0, 0, w, h, fnt, colour, halign, valign, wrap), x, y, z)


def container(name, x=0, y=0, w=W, h=H, z=0):
    """A node holding controls: passes the pointer on, is never hit itself."""
    return at(group(name, x, y, w, h), x, y, z)


def pulse(scale=1.2, ms=900):
    return keyframes("vector3d", "Scale", [(0, "1;1;1"), (ms // 2, f"{scale};{scale};1"), (ms, "1;1;1")], loop_to=0)


# ---------------------------------------------------------------------------
# Templates

def tile_button(name, w, h, icon_path, locked_path=None, icon_size=80, icon_y=6, label_y=None):
    """A framed picture button: the build-list entries and the group buttons.
    A lock button shows "Locked" (grey picture and a padlock), "NoLicense"
    (a red sign) and the first-show star ("FirstShow", "Hidden", "Hide")."""
    tpl = Node("BaseNode", name).prop("vector3d", "Bounds", vec(w, h))
    bg = at(nine_grid("Bg", G + "TileNormal.png", 0, 0, w - 4, h - 4, 14), 2, 2, 0)
    stateful_image(bg, looks("Tile"))
    bg.state("Locked", set_props(("atlasTexture", "AtlasTexture", G + "TileDisabled.png")))
    bg.state("Upgraded", set_props(("atlasTexture", "AtlasTexture", G + "TileNormal.png")))
    icon = picture("Icon", icon_path, (w - icon_size) // 2, icon_y, 0.5)
    icon.state("Locked", set_props(("atlasTexture", "AtlasTexture", locked_path or icon_path)))
    for state in ["WithLicense", "NoLicense", "Upgraded"]:
        icon.state(state, set_props(("atlasTexture", "AtlasTexture", icon_path)))
    for state in ["Normal", "NormalHover", "Focus", "FocusHover", "Press", "Pressed", "KillFocus", "NormalKillHover",
                  "FocusKillHover"]:
        icon.state(state, tint(SHOWN))
    for state in ["NormalDisable", "FocusDisable"]:
        icon.state(state, tint("ffb0a898"))
    lock = picture("Lock", G + "Badges/Lock.png", w - 34, 6, 0.8).prop("color", "TintColor", CLEAR)
    lock.state("Locked", tint(SHOWN))
    no_licence = picture("NoLicenseSign", G + "Badges/NoLicense.png", w - 34, 6, 0.8).prop("color", "TintColor", CLEAR)
    no_licence.state("NoLicense", tint(SHOWN))
    for state in ["WithLicense", "Upgraded"]:
        lock.state(state, tint(CLEAR))
        no_licence.state(state, tint(CLEAR))
    lock.state("NoLicense", tint(CLEAR))
    no_licence.state("Locked", tint(CLEAR))
    mark = picture("Mark", G + "Badges/New.png", 6, 6, 0.9).prop("color", "TintColor", CLEAR)
    mark.prop("vector2d", "PivotPoint", "15;15")
    mark.state("FirstShow", tint(SHOWN) + "\n" + pulse())
    mark.state("Hidden", tint(CLEAR))
    mark.state("Hide", fade(SHOWN, CLEAR, 400))
    tpl.add(bg, icon, lock, no_licence, mark)
    if label_y is not None:
        tpl.add(label("Text", "", 6, label_y, w - 12, h - label_y - 6, SMALL, INK, halign=2, z=1))
    control_looks(tpl, CONTROL_STATES)
    return tpl


def offer_button(name, icon_path, w=90, h=100):
    """An entry of the offer lists (workers, materials, gold, the train's
    goods): a framed picture; the list writes the amount and the price."""
    tpl = Node("BaseNode", name).prop("vector3d", "Bounds", vec(w, h))
    bg = at(nine_grid("Bg", G + "TileNormal.png", 0, 0, w - 4, h - 4, 14), 2, 2, 0)
    stateful_image(bg, looks("Tile"))
    icon = picture("Icon", icon_path, (w - 64) // 2, 6, 0.5)
    for state in ["Normal", "NormalHover", "Focus", "FocusHover", "Press", "Pressed", "KillFocus", "NormalKillHover",
                  "FocusKillHover"]:
        icon.state(state, tint(SHOWN))
    for state in ["NormalDisable", "FocusDisable"]:
        icon.state(state, tint("90ffffff"))
    tpl.add(bg, icon)
    control_looks(tpl, CONTROL_STATES)
    return tpl


def action_button(name, glyph, w=96, h=96):
    """A round button of the building page with its picture and, below it,
    its name. A lock button that is "Upgraded" shows a tick instead."""
    tpl = Node("BaseNode", name).prop("vector3d", "Bounds", vec(w, h))
    x = (w - 64) // 2
    bg = at(sprite("Bg", G + "DiscNormal.png"), x, 0, 0)
    stateful_image(bg, looks("Disc"))
    bg.state("Locked", set_props(("atlasTexture", "AtlasTexture", G + "DiscDisabled.png")))
    bg.state("Upgraded", set_props(("atlasTexture", "AtlasTexture", G + "DiscDisabled.png")))
    pic = picture("Glyph", G + f"Glyphs/{glyph}.png", x + 12, 12, 0.5)
    for state in ["NormalDisable", "FocusDisable", "Locked"]:
        pic.state(state, tint("90ffffff"))
    for state in ["Normal", "NormalHover", "Focus", "FocusHover", "KillFocus", "NormalKillHover", "FocusKillHover",
                  "WithLicense", "NoLicense"]:
        pic.state(state, tint(SHOWN))
    for state in ["Press", "Pressed"]:
        pic.state(state, tint("ffd8d0c0"))
    done = picture("Done", G + "Badges/Done.png", x + 40, 38, 0.8).prop("color", "TintColor", CLEAR)
    done.state("Upgraded", tint(SHOWN))
    for state in ["WithLicense", "NoLicense", "Locked"]:
        done.state(state, tint(CLEAR))
    tpl.add(bg, pic, done, label("Text", "", 0, 64, w, 30, SMALL, LIGHT, halign=2, z=1))
    control_looks(tpl, CONTROL_STATES)
    return tpl


def round_button(name, glyph, size=38):
    tpl = Node("BaseNode", name).prop("vector3d", "Bounds", vec(size, size))
    bg = at(sprite("Bg", G + "RoundNormal.png", 0, 0, 0, stretch=(size, size)), 0, 0, 0)
    stateful_image(bg, looks("Round"))
    tpl.add(bg, picture("Glyph", G + f"Glyphs/{glyph}.png", 5, 5, 0.5, (size - 10, size - 10)))
    control_looks(tpl, CONTROL_STATES)
    return tpl


def goal_check():
    """An objective's row: a box, ticked when done, and the objective."""
    tpl = Node("BaseNode", "GoalCheck").prop("vector3d", "Bounds", vec(300, 20))
    box = at(sprite("Bg", G + "GoalBox.png", 0, 0, 0, stretch=(18, 18)), 0, 1, 0)
    boxes = {"Normal": G + "GoalBox.png", "Hover": G + "GoalBox.png", "Press": G + "GoalBox.png",
             "Disabled": G + "GoalBox.png"}
    boxes.update({"Check" + k: G + "GoalBoxChecked.png" for k in ["Normal", "Hover", "Press", "Disabled"]})
    stateful_image(box, boxes)
    tpl.add(box, label("Text", "", 24, 0, 276, 20, SMALL, INK, halign=1, valign=1, wrap=True))
    control_looks(tpl, CONTROL_STATES + CHECK_STATES)
    return tpl


def list_template(name, w, h, element_w, element_h, element_class="ControlNode", texts=()):
    tpl = Node("BaseNode", name).prop("vector3d", "Bounds", vec(w, h))
    element = Node("ControlNode", "Element", None if element_class == "ControlNode" else element_class)
    element.prop("vector3d", "Bounds", vec(element_w, element_h))
    for x, y, tw, th, fnt, colour, halign in texts:
        element.add(label("Text", "", x, y, tw, th, fnt, colour, halign, z=2))
    tpl.add(element)
    return tpl


def hint_templates():
    """The cost popup: one plate per kind of row, the point towards the
    thing it speaks of."""
    tpl = Node("BaseNode", "Game_Hint").prop("vector3d", "Bounds", vec(100, 36))
    kinds = [("MoneyBlock", "Money", 104), ("MaterialsBlock", "Materials", 76), ("GoldBlock", "Gold", 76),
             ("WorkersBlock", "Workers", 76), ("GuestsBlock", "Guests", 76), ("QuestBlock", "Quest", 76)]
    for name, kind, w in kinds:
        block = Node("BaseNode", name).prop("vector3d", "Bounds", vec(w, 36))
        block.add(frame("Plate", "Plate.png", 0, 0, w, 36, 10, 0))
        icon = picture("Icon", G + f"Icons/{kind}Small.png", 5, 6, 0.1)
        # A quest row's icon is a plain picture the popup fills in.
        icon.props = [p for p in icon.props if p[1] != "CanBeHit"]
        words = label("Text", "", 31, 0, w - 35, 36, SMALL, INK, halign=1, z=0.2)
        words.state("Enabled", tint(INK))
        words.state("Disabled", tint(RED))
        words.state("Produce", tint(GREEN))
        block.add(icon, words)
        for state in ["Enabled", "Disabled", "Produce"]:
            block.state(state, set_states(state, "Text"))
        tpl.add(block)
    for direction in ["Left", "Right", "Up", "Down"]:
        w, h = (12, 20) if direction in ("Left", "Right") else (20, 12)
        arrow = Node("BaseNode", "Arrow" + direction).prop("vector3d", "Bounds", vec(w, h))
        arrow.add(picture("Point", G + f"PopupArrow{direction}.png", 0, 0, 0.1))
        # The point overlaps the plate's rim by a pixel.
        tpl.add(arrow)
    return [tpl]


def tutorial_templates():
    """The tutorial's windows (Gertrude's and the quest one), the skip
    button's look and the arrow. A window's parts stand between depth 0.2
    and 1 (the depth the tutorial gives a text it moves), over the play
    screen's head-up display."""
    out = []
    # The words get five lines of their own above the skip button: the
    # longest hint, in either language, needs them.
    win_h, text_y, text_h, skip_y = 190, 12, 136, 156
    for name, quest in [("TutorialWindow", False), ("TutorialWindowQuest", True)]:
        win = Node("BaseNode", name).prop("vector3d", "Bounds", vec(400, win_h))
        shade = Node("GRectangleNode", "Darkening").prop("vector3d", "Position", vec(-2000, -2000, 0.2))
        shade.prop("vector3d", "Bounds", vec(5000, 5000)).prop("color", "FillColor", "80101418")
        shade.prop("color", "BorderColor", "00000000").prop("bool", "CanBeHit", "false")
        panel = frame("Panel", "Parchment.png", 0, 0, 400, win_h, 14, 0.4)
        text_x = 124 if quest else 20
        text_w = 260 if quest else 280
        words = label("Text", "", text_x, text_y, text_w, text_h, TEXT, INK, halign=1, valign=1, wrap=True, z=1)
        skip = control("ButtonNode", "SkipTutorialButton", "TutorialSkipButton", 0, 0, 200, 26,
                       "%GamePlay_SkipTutorialBtn%")
        at(skip, text_x, skip_y, 1)
        bg = Node("GRectangleNode", "bg").prop("vector3d", "Position", vec(0, 23, 0.01))
        bg.prop("vector3d", "Bounds", vec(200, 2)).prop("color", "FillColor", "ffc05a28")
        bg.prop("color", "BorderColor", "00000000").prop("bool", "Visible", "false").prop("bool", "CanBeHit", "false")
        hit = Node("GRectangleNode", "HitArea").prop("vector3d", "Position", vec(0, 0, 0))
        hit.prop("vector3d", "Bounds", vec(200, 26)).prop("color", "FillColor", "00000000")
        hit.prop("color", "BorderColor", "00000000")
        skip.add(bg, hit)
        if quest:
            face = picture("Speaker", G + "Speakers/Boulder1.png", 14, 18, 0.6)
            for record in config.BUILDINGS:
                if record["Type"] == "OnRoad":
                    face.state(record["Name"], set_props(("atlasTexture", "AtlasTexture",
                                                          G + f"Speakers/{record['Name']}.png")))
            win.add(shade, panel, face, words, skip)
        else:
            # Gertrude stands on the window's edge, on the side the hint names.
            guide = picture("Gertruda", G + "Guide.png", 300, -44, 0.6)
            guide.state("Right", set_props(("vector3d", "Position", vec(300, -44, 0.6))))
            guide.state("Left", set_props(("vector3d", "Position", vec(-12, -44, 0.6))))
            guide.state("Happy", keyframes("vector3d", "Scale", [(0, "1;1;1"), (150, "1.05;1.05;1"), (300, "1;1;1")]))
            words.state("Right", set_props(("vector3d", "Position", vec(20, text_y, 1))))
            words.state("Left", set_props(("vector3d", "Position", vec(108, text_y, 1))))
            skip.state("Right", set_props(("vector3d", "Position", vec(20, skip_y, 1))))
            skip.state("Left", set_props(("vector3d", "Position", vec(108, skip_y, 1))))
            win.add(shade, panel, guide, words, skip)
        win.state("NavTo", keyframes("color", "TintColor", [(0, CLEAR), (250, SHOWN)]))
        words.state("Show", tint(INK))
        words.state("Hide", tint(CLEAR))
        out.append(win)

    skip_look = Node("BaseNode", "TutorialSkipButton").prop("vector3d", "Bounds", vec(200, 26))
    face = label("Text", "", 0, 0, 200, 24, SMALL, "ff8a3a10", halign=1, z=1)
    for state in ["NormalHover", "FocusHover", "Press", "Pressed"]:
        face.state(state, tint("ffc05a28"))
    for state in ["Normal", "Focus", "KillFocus", "NormalKillHover", "FocusKillHover"]:
        face.state(state, tint("ff8a3a10"))
    for state in ["NormalDisable", "FocusDisable"]:
        face.state(state, tint("ff9a9080"))
    skip_look.add(face)
    out.append(skip_look)

    arrow = Node("BaseNode", "TutorialArrowNew").prop("vector3d", "Bounds", vec(72, 72))
    body = picture("Body", G + "TutorialArrowLeft.png", 0, 14, 0)
    moves = {"ArrowLeft": ("TutorialArrowLeft", (0, 14), (10, 0)),
             "ArrowRight": ("TutorialArrowRight", (-72, 14), (-10, 0)),
             "ArrowUp": ("TutorialArrowUp", (14, 0), (0, 10)),
             "ArrowDown": ("TutorialArrowDown", (14, -72), (0, -10))}
    for state, (pic, (x, y), (dx, dy)) in moves.items():
        # The tip rests on the point and the arrow nods towards it.
        body.state(state, set_props(("atlasTexture", "AtlasTexture", G + pic + ".png")) + "\n" +
                   keyframes("vector3d", "Position", [(0, vec(x, y)), (350, vec(x + dx, y + dy)), (700, vec(x, y))],
                             loop_to=0))
    arrow.add(body)
    out.append(arrow)
    return out


def templates():
    out = []
    buildings = [r for r in config.BUILDINGS if r.get("ButtonTemplate")]
    for record in buildings:
        name = record["Name"]
        out.append(tile_button(record["ButtonTemplate"], 92, 100, G + f"BuildingIcons/{name}.png",
                               G + f"BuildingIcons/{name}Locked.png", icon_y=10))
    for group_name in hudart.GROUPS:
        out.append(tile_button(f"Game_Group{group_name}", 132, 124, G + f"Groups/{group_name}.png",
                               G + f"Groups/{group_name}Locked.png", icon_size=72, icon_y=8, label_y=82))
    for n in range(1, 7):
        out.append(offer_button(f"Game_WorkersButton{n}", G + f"Offers/Workers{n}.png"))
        out.append(offer_button(f"Game_MaterialsButton{n}", G + f"Offers/Materials{n}.png"))
        out.append(offer_button(f"Game_GoldButton{n}", G + f"Offers/Gold{n}.png"))
    for sale, resource, amount, _ in config.STATION_ITEMS:
        size = {10: 1, 25: 2, 50: 3, 1: 1, 3: 3}.get(amount, 2)
        out.append(offer_button(config.station_template(sale, resource, amount), G + f"Offers/{resource}{size}.png"))
    for name, glyph in [("Game_DestroyButton", "Destroy"), ("Game_RepairButton", "Repair"),
                        ("Game_UpgradeButton", "Upgrade"), ("Game_UniqUp1Button", "Up1"),
                        ("Game_UniqUp2Button", "Up2"), ("Game_UniqUpgradeButton", "Up1"),
                        ("Game_UpgradeButtonMarker", "Upgrade"), ("Game_AbortButton", "Abort"),
                        ("Game_BackButton", "Back"), ("Game_RestoreButton", "Restore")]:
        out.append(action_button(name, glyph))
    out.append(round_button("Game_MenuButton", "Menu"))
    out.append(round_button("Game_GoalsButton", "Goals"))
    chest = Node("BaseNode", "Game_Chest").prop("vector3d", "Bounds", vec(44, 36))
    lid = sprite("Bg", G + "Chest.png")
    stateful_image(lid, {"Normal": G + "Chest.png", "Hover": G + "ChestOpen.png", "Press": G + "ChestOpen.png",
                         "Disabled": G + "Chest.png"})
    chest.add(lid)
    control_looks(chest, CONTROL_STATES)
    out.append(chest)
    out.append(goal_check())
    out.append(list_template("BuildList", 552, 100, 92, 100, "GLockButton"))
    offer_texts = [(8, 4, 40, 22, TEXT, INK, 1), (2, 70, 86, 24, SMALL, DARK_GREEN, 2)]
    out.append(list_template("ResourceList", 540, 100, 90, 100, texts=offer_texts))
    out.append(list_template("StationList", 270, 100, 90, 100, texts=offer_texts))
    out += hint_templates()
    for tpl in out:
        squash(tpl)
    return out + tutorial_templates()


# ---------------------------------------------------------------------------
# Depths

# The head-up display lies between depth 0 (the level below it) and 0.2,
# where the tutorial's windows begin: its own depths are laid out in whole
# steps and then squashed by this much.
HUD_SQUASH = 0.001
POSITION_KEY = re.compile(r'(<vector3d Name="Position" Value=")([^"]*)(")')
KEYFRAME_VALUE = re.compile(r'(Value0?=")([^"]*)(")')


def squashed(value, k):
    parts = value.split(";")
    if len(parts) != 3:
        return value
    return ";".join(parts[:2] + [f"{float(parts[2]) * k:g}"])


def squash_body(body, k):
    out = []
    for block in re.split(r"(?=<Animator|<StartAnimator)", body):
        if block.startswith("<Animator") and 'Name="Position"' in block:
            block = KEYFRAME_VALUE.sub(lambda m: m.group(1) + squashed(m.group(2), k) + m.group(3), block)
        else:
            block = POSITION_KEY.sub(lambda m: m.group(1) + squashed(m.group(2), k) + m.group(3), block)
        out.append(block)
    return "".join(out)


def squash(node, k=HUD_SQUASH):
    """Scales the depth of every position in `node`'s tree, states included."""
    node.props = [(kind, name, squashed(str(value), k)) if kind == "vector3d" and name == "Position"
                  else (kind, name, value) for kind, name, value in node.props]
    node.states = [(name, squash_body(body, k), nxt) for name, body, nxt in node.states]
    for child in node.children:
        squash(child, k)
    return node


# ---------------------------------------------------------------------------
# The play screen

def info_panel(x=INFO_X, y=INFO_Y, w=INFO_W, h=INFO_H):
    """The building information panel on its plate: picture, name, figures,
    description with its sign."""
    plate = frame("InfoPlate", "Parchment.png", x - 8, y - 6, w + 16, h + 12, 14, 0.5)
    panel = Node("ControlNode", "BuildingInfoNode", "GBuildingInfoNode")
    at(panel, x, y, 1).prop("vector3d", "Bounds", vec(w, h)).prop("bool", "CanBeHit", "false")
    preview = at(sprite("Preview", G + "BuildingIcons/BuildingPlace.png"), 0, 0, 0.1)
    name = label("BuildingName", "", 0, 0, w, 26, TEXT, DARK_GREEN, halign=1, z=0.1)
    figures = [label(n, "", 0, 0, 160, 20, SMALL, INK, z=0.1) for n in ("Income", "Guests", "Gold", "ServedGuests")]
    description = label("Description", "", 0, 0, w, 80, SMALL, INK, wrap=True, z=0.1)
    sign = at(sprite("DescriptionSign", G + "InfoIcon.png"), 0, 0, 0.1)
    spacer = Node("BaseNode", "Spacer").prop("vector3d", "Bounds", vec(14, 4)).prop("bool", "Visible", "false")
    arrow = picture("HighlightArrow", G + "Icons/IncomeSmall.png", 0, 0, 0.2, (18, 18))
    underline = Node("GRectangleNode", "HighlightUnderline").prop("vector3d", "Bounds", vec(40, 2))
    underline.prop("color", "FillColor", "ff2e8e4c").prop("color", "BorderColor", "00000000")
    panel.add(preview, name, *figures, description, sign, spacer, arrow, underline)
    for n in ("IncomeText", "GuestsText", "RatingText"):
        extra = label(n, "", 0, 0, 10, 10, SMALL, INK).prop("bool", "Visible", "false")
        extra.state("Normal", tint(INK))
        panel.add(extra)
    return [plate, panel]


def hint_text(name="HintText", x=64, y=8, w=580, h=28, value=""):
    return label(name, value, x, y, w, h, TEXT, LIGHT, halign=1, z=1)


def page(name, count=None):
    node = container(name, 0, 0, W, BOTTOM_H, 0)
    return node


def sign_board(name_text="SignBoardText", value=""):
    board = container("SignBoard", 16, -34, 240, 44, 2)
    board.add(picture("Board", G + "SignBoard.png", 0, 0, 0),
              label(name_text, value, 14, 0, 212, 44, TEXT, LIGHT, halign=2, z=0.5))
    return board


def build_page():
    page1 = page("Tab1")
    tabs = Node("TabSceneNode", "SelectBuildingGroupTabScene")
    at(tabs, 0, 0, 0).prop("vector3d", "Bounds", vec(W, BOTTOM_H)).prop("int", "TabsCount", 4)
    tabs.prop("int", "ActiveTabIndex", 0)
    for i, (group_name, lst) in enumerate([("Apartment", "ApartmentBuildList"), ("Commercial", "CommercialBuildList"),
                                           ("Service", "ServiceBuildList"), ("Municipal", "MunicipalBuildList")]):
        p = page(f"Tab{i + 1}")
        build_list = control("ListNode", lst, "BuildList", 0, 0, 552, 100)
        at(build_list, 84, 38, 1).prop("int", "Orientation", 1)
        p.add(sign_board(value=f"%Hint_BuildTab_{group_name}%"), hint_text(x=272, y=6, w=370),
              build_list, label("LabelText", f"%Hint_BuildTab_{group_name}Tip%", 76, 142, 560, 36, SMALL, LIGHT,
                                wrap=True),
              *info_panel())
        tabs.add(p)
    back = control("ButtonNode", "BackToBuildButton", "Game_BackButton", 0, 0, 64, 96, "")
    at(back, 6, 40, 2)
    page1.add(tabs, back)
    return page1


def resources_page():
    page2 = page("Tab2")
    tabs = Node("TabSceneNode", "ResourcesTabScene")
    at(tabs, 0, 0, 0).prop("vector3d", "Bounds", vec(W, BOTTOM_H)).prop("int", "TabsCount", 3)
    tabs.prop("int", "ActiveTabIndex", 1)
    for i, lst in enumerate(["MaterialsList", "WorkersList", "GoldList"]):
        p = page(f"Tab{i + 1}")
        offers = control("ListNode", lst, "ResourceList", 0, 0, 540, 100)
        at(offers, 96, 40, 1).prop("int", "Orientation", 1)
        p.add(hint_text(x=96, y=6, w=540), offers)
        if lst == "MaterialsList":
            destroy = control("ButtonNode", "DestroyButton", "Game_DestroyButton", 0, 0, 96, 96, "%Btn_Destroy%")
            p.add(at(destroy, 0, 40, 2))
        if lst == "WorkersList":
            # Bought workers on their way: a worker walks along the bar.
            bar = Node("ControlNode", "ProgressBar", "GProgressBarWithSignNode")
            at(bar, 96, 150, 2).prop("vector3d", "Bounds", vec(480, 20)).prop("int", "KnobType", 1)
            bar.prop("bool", "Visible", "false").prop("float", "MinValue", 0).prop("float", "MaxValue", 1)
            bar.add(at(nine_grid("SlidingArea", G + "BarGroove.png", 0, 0, 480, 20, 9), 0, 0, 0))
            bar.add(at(nine_grid("Knob", G + "BarGold.png", 0, 0, 480, 20, 9), 0, 0, 0.01))
            slide = Node("BaseNode", "SlidingSignArea").prop("vector3d", "Position", vec(0, -8)).prop(
                "vector3d", "Bounds", vec(480, 4))
            bar.add(slide, picture("Sign", G + "Icons/Workers.png", 0, -10, 0.02))
            p.add(bar)
        tabs.add(p)
    page2.add(tabs, *info_panel())
    return page2


def building_page():
    page3 = page("Tab3")
    progress = container("ProgressNode", 0, 0, 640, BOTTOM_H, 1)
    progress.add(label("Text", "", 76, 14, 480, 32, CAPTION, GOLDEN, halign=1))
    bar = Node("ControlNode", "ProgressBar", "ProgressBarNode")
    at(bar, 76, 62, 1).prop("vector3d", "Bounds", vec(460, 24)).prop("int", "KnobType", 1)
    bar.prop("float", "MinValue", 0).prop("float", "MaxValue", 1).prop("float", "Value", 0)
    bar.add(at(nine_grid("SlidingArea", G + "BarGroove.png", 0, 0, 460, 24, 10), 0, 0, 0))
    bar.add(at(nine_grid("Knob", G + "BarFill.png", 0, 0, 460, 24, 10), 0, 0, 0.01))
    progress.add(bar, label("HintText", "", 76, 100, 480, 60, SMALL, LIGHT, wrap=True))
    abort = control("ButtonNode", "AbortButton", "Game_AbortButton", 0, 0, 96, 96, "%CancelBtn%")
    progress.add(at(abort, 548, 26, 2))

    # The buttons of a home or a workshop. Which of them show is the
    # container's state: each button steps into its place for it.
    hotel = container("HotelButtonsNode", 0, 0, 640, BOTTOM_H, 1)
    slots = [76 + i * 104 for i in range(5)]
    layouts = {
        "Broken": {"RepairButton": 0, "DestroyButton": 1},
        "Repaired": {"UpgradeButton": 0, "UniqUp1Button": 1, "UniqUp2Button": 2, "DestroyButton": 3},
        "Upgrade": {"UpgradeButton": 0, "DestroyButton": 1},
        "UpgradeUniq1Uniq2": {"UniqUp1Button": 0, "UniqUp2Button": 1, "DestroyButton": 2},
        "UpgradeUniq1": {"UniqUp1Button": 0, "DestroyButton": 1},
        "UpgradeUniq2": {"UniqUp2Button": 0, "DestroyButton": 1},
    }
    buttons = [("UpgradeButton", "Game_UpgradeButton", "GLockButton", "%Btn_Upgrade%"),
               ("UniqUp1Button", "Game_UniqUp1Button", "GLockButton", "%Btn_UniqUp1%"),
               ("UniqUp2Button", "Game_UniqUp2Button", "GLockButton", "%Btn_UniqUp2%"),
               ("RepairButton", "Game_RepairButton", "ButtonNode", "%Btn_Repair%"),
               ("DestroyButton", "Game_DestroyButton", "ButtonNode", "%Btn_Destroy%")]
    for name, template, cls, caption in buttons:
        node = control(cls, name, template, 0, 0, 96, 96, caption)
        at(node, slots[layouts["Repaired"].get(name, 4)], 40, 2)
        for state, places in layouts.items():
            if name in places:
                move = set_props(("vector3d", "Position", vec(slots[places[name]], 40, 2)))
                if name == "RepairButton":
                    move = set_props(("vector3d", "Position", vec(slots[places[name]], 40, 2)),
                                     ("bool", "Visible", "true"))
                node.state(state, move)
            elif name == "RepairButton":
                node.state(state, shown(False))
            elif state == "Broken":
                node.state(state, shown(False))
        if name == "RepairButton":
            node.prop("bool", "Visible", "false")
        hotel.add(node)
    look = picture("Look", G + "BrokenIcon.png", 40, 12, 1).prop("color", "TintColor", CLEAR)
    look.state("Broken", tint(SHOWN) + "\n" + pulse(1.15, 1000))
    for state in layouts:
        if state != "Broken":
            look.state(state, tint(CLEAR))
    hotel.add(look)

    joy = container("JoyButtonsNode", 0, 0, 640, BOTTOM_H, 1)
    joy.add(at(control("ButtonNode", "DestroyButton", "Game_DestroyButton", 0, 0, 96, 96, "%Btn_Destroy%"),
               76, 40, 2))
    custom = container("CustomServiceButtonsNode", 0, 0, 640, BOTTOM_H, 1)
    custom.add(at(control("ButtonNode", "CustomServeButton", "Game_RestoreButton", 0, 0, 96, 96, "%Btn_Restore%"),
                  76, 40, 2))
    page3.add(progress, hint_text(x=76, y=6, w=560), hotel, joy, custom, *info_panel())
    return page3


def goals_page():
    page4 = page("Tab4")
    page4.add(label("Title", "%GamePlay_GoalsTitle%", 24, 8, 300, 30, CAPTION, GOLDEN))
    page4.add(frame("GoalsPlate", "Parchment.png", 16, 40, 628, 136, 14, 0.5))
    goals = container("GoalsNode", 32, 50, 600, 120, 1)
    for i in range(5):
        row = container(f"Row{i + 1}", 0, i * 24, 600, 24, 0)
        check = control("CheckBoxNode", "Check", "GoalCheck", 0, 0, 600, 20)
        row.add(at(check, 0, 0, 0))
        goals.add(row)
    page4.add(goals)
    plate = frame("StatsPlate", "Parchment.png", INFO_X - 8, INFO_Y - 6, INFO_W + 16, INFO_H + 12, 14, 0.5)
    stats = [("LevelNumberCaption", "%GamePlay_LevelCaption%"), ("MoneyText", ""), ("IncomeText", ""),
             ("GuestsText", ""), ("PossibleIncomeText", ""), ("PossibleGuestsText", "")]
    page4.add(plate)
    y = INFO_Y + 2
    for name, value in stats:
        page4.add(label(name, value, INFO_X + 8, y, 280, 24, TEXT if name == "LevelNumberCaption" else SMALL, INK))
        y += 26
    page4.add(label("LevelNumberText", "", INFO_X + 90, INFO_Y + 2, 120, 24, TEXT, DARK_GREEN))
    return page4


def group_page():
    page5 = page("Tab5")
    page5.add(hint_text(x=24, y=6, w=600, value="%Hint_BuildingPlace%"))
    for i, group_name in enumerate(hudart.GROUPS):
        node = control("GLockButton", f"{group_name}Button", f"Game_Group{group_name}", 0, 0, 132, 124,
                       f"%Group_{group_name}%")
        page5.add(at(node, 24 + i * 150, 40, 2))
    page5.add(*info_panel())
    return page5


def station_page():
    page6 = page("Tab6")
    page6.add(container("ButtonsNode", 0, 0, 10, 10, 1), hint_text(x=96, y=6, w=540))
    page6.add(picture("RailRoadTab", G + "Train.png", 24, 0, 1))
    bar = Node("ControlNode", "RailRoadProgressBar", "GProgressBarWithSignNode")
    at(bar, 96, 96, 1).prop("vector3d", "Bounds", vec(460, 20)).prop("int", "KnobType", 1)
    bar.prop("float", "MinValue", 0).prop("float", "MaxValue", 1).prop("float", "Value", 0)
    bar.add(at(nine_grid("SlidingArea", G + "BarGroove.png", 0, 0, 460, 20, 9), 0, 0, 0))
    bar.add(at(nine_grid("Knob", G + "BarFill.png", 0, 0, 460, 20, 9), 0, 0, 0.01))
    slide = Node("BaseNode", "SlidingSignArea").prop("vector3d", "Position", vec(0, -36)).prop(
        "vector3d", "Bounds", vec(460, 4))
    bar.add(slide, picture("Sign", G + "Train.png", 0, -42, 0.02))
    page6.add(bar)
    for name, x in [("BuyList", 96), ("SellList", 374)]:
        offers = control("ListNode", name, "StationList", 0, 0, 270, 100)
        page6.add(at(offers.prop("int", "Orientation", 1), x, 40, 1))
    page6.add(label("CantBuyText", "", 96, 142, 270, 36, SMALL, LIGHT, wrap=True),
              label("CantSellText", "%GamePlay_RailRoadCantSell%", 374, 142, 270, 36, SMALL, LIGHT, wrap=True))
    destroy = control("ButtonNode", "DestroyButton", "Game_DestroyButton", 0, 0, 96, 96, "%Btn_Destroy%")
    page6.add(at(destroy, 0, 40, 2), *info_panel())
    return page6


def counter(icon_name, text_name, x, y):
    return [picture(icon_name + "Icon", G + f"Icons/{icon_name}Small.png", x, y, 0.5),
            label(text_name, "0", x + 28, y, 46, 24, TEXT, LIGHT, z=0.5)]


def upper_panel():
    panel = container("UpperPanel", 0, 0, W, TOP_H, 2)
    panel.add(frame("Bar", "WoodBar.png", 0, 0, W, TOP_H, 8, 0))

    money = container("MoneyNode", 6, 3, 204, 50, 0.2)
    money.add(frame("Slot", "Slot.png", 0, 0, 204, 50, 10, 0))
    money.add(picture("Coin", G + "Icons/Money.png", 6, 6, 0.2))
    counter_text = Node("TextNode", "MoneyText", "GCounterTextNode")
    at(counter_text, 44, 0, 0.3).prop("vector3d", "Bounds", vec(156, 30)).prop("color", "TintColor", GOLDEN)
    counter_text.prop("int", "TextHAlign", 1).prop("int", "TextVAlign", 2).prop("font", "Font", CAPTION)
    counter_text.prop("int", "ValueDisplayMode", 0).prop("int", "CountingTime", 600)
    counter_text.prop("int", "StartValue", 0).prop("int", "EndValue", 0).prop("stringw", "Text", "0")
    money.add(counter_text)
    money.add(picture("IncomeIcon", G + "Icons/IncomeSmall.png", 44, 27, 0.2, (18, 18)))
    money.add(label("IncomeText", "", 66, 27, 130, 18, SMALL, "ffb8e6a0", z=0.3))
    day = Node("ControlNode", "ProgressBar", "ProgressBarNode")
    at(day, 8, 44, 0.3).prop("vector3d", "Bounds", vec(188, 4)).prop("int", "KnobType", 1)
    day.prop("float", "MinValue", 0).prop("float", "MaxValue", 1).prop("float", "Value", 0)
    day.add(at(nine_grid("SlidingArea", G + "BarGroove.png", 0, 0, 188, 4, 2), 0, 0, 0))
    day.add(at(nine_grid("Knob", G + "BarGold.png", 0, 0, 188, 4, 2), 0, 0, 0.01))
    money.add(day)
    bank = container("BankCount", 0, 0, 10, 10, 0).prop("bool", "Visible", "false")
    bank.add(label("MoneyText", "", 0, 0, 10, 10, SMALL, INK))
    money.add(bank)
    burst = container("MoneyBurstController", 44, 54, 200, 30, 5).prop("color", "TintColor", CLEAR)
    burst.state("MoneyBurst", keyframes("color", "TintColor", [(0, CLEAR), (200, SHOWN), (1400, SHOWN), (1800, CLEAR)])
                + "\n" + keyframes("vector3d", "Position", [(0, vec(44, 62, 5)), (1800, vec(44, 44, 5))]))
    table = container("IncomeTable", 0, 0, 200, 30, 0)
    clipper = container("Clipper", 0, 0, 200, 30, 0)
    clipper.add(label("IncomeText", "", 0, 0, 200, 30, CAPTION, "ff9cf07c", z=0))
    table.add(clipper)
    burst.add(table)
    money.add(burst)
    money.state("MoneyBurst", set_states("MoneyBurst", "MoneyBurstController"))
    panel.add(money)

    time = container("TimeNode", 216, 3, 252, 50, 0.2)
    time.add(frame("Slot", "Slot.png", 0, 0, 252, 50, 10, 0), picture("Clock", G + "Icons/Clock.png", 6, 9, 0.2))
    clock = Node("ControlNode", "TimeProgressBar", "GProgressBarWithCheckpointsNode")
    at(clock, 44, 26, 0.2).prop("vector3d", "Bounds", vec(196, 16)).prop("int", "KnobType", 1)
    clock.prop("float", "MinValue", 0).prop("float", "MaxValue", 1).prop("float", "Value", 0)
    clock.add(at(nine_grid("SlidingArea", G + "BarGroove.png", 0, 0, 196, 16, 8), 0, 0, 0))
    clock.add(at(nine_grid("Knob", G + "BarFill.png", 0, 0, 196, 16, 8), 0, 0, 0.01))
    mark = Node("BaseNode", "Checkpoint").prop("vector3d", "Position", vec(0, -20, 0)).prop("bool", "Visible", "false")
    flag = picture("Flag", G + "FlagGrey.png", -4, 0, 0.02)
    flag.state("PassedOk", set_props(("atlasTexture", "AtlasTexture", G + "FlagGreen.png")))
    flag.state("PassedFail", set_props(("atlasTexture", "AtlasTexture", G + "FlagRed.png")))
    flag.state("Flashed", keyframes("color", "TintColor", [(0, SHOWN), (250, "60ffffff"), (500, SHOWN)], loop_to=0))
    mark.add(flag)
    for state in ["PassedOk", "PassedFail", "Flashed"]:
        mark.state(state, set_states(state, "Flag"))
    clock.add(mark)
    time.add(clock)
    panel.add(time)

    # The objectives of the running stage hang under the bar on a plate
    # that grows for long lists.
    goals = container("GoalsNode", 486, 6, 300, 130, 0.4)
    task = container("chekpointTask", 0, 0, 240, 22, 0)
    task.add(label("Label", "%GamePlay_Stage%", 0, 0, 70, 22, SMALL, DARK_GREEN),
             label("TextNode", "1", 72, 0, 40, 22, SMALL, DARK_GREEN))
    goals.add(task)
    for i in range(5):
        row = container(f"Row{i + 1}", 0, 24 + i * 20, 300, 20, 0)
        row.add(at(control("CheckBoxNode", "Check", "GoalCheck", 0, 0, 300, 20), 0, 0, 0))
        goals.add(row)
    goals.state("Appear", keyframes("color", "TintColor", [(0, CLEAR), (400, SHOWN)]))
    chest = container("GoalsBg", 750, 4, 50, 40, 0.4)
    chest.add(at(control("ButtonNode", "Sunduk", "Game_Chest", 0, 0, 44, 36), 0, 0, 0))
    panel.add(goals, chest)

    for icon_name, text_name, x, y in [("Materials", "MaterialsAmountText", 806, 4),
                                       ("Gold", "GoldAmountText", 880, 4),
                                       ("Guests", "GuestsText", 806, 29),
                                       ("Happiness", "HappinesText", 880, 29)]:
        panel.add(*counter(icon_name, text_name, x, y))
    panel.add(at(control("ButtonNode", "GoalsButton", "Game_GoalsButton", 0, 0, 38, 38), 946, 9, 0.5),
              at(control("ButtonNode", "MenuButton", "Game_MenuButton", 0, 0, 38, 38), 984, 9, 0.5))
    return panel


def quest_character():
    quest = container("QuestCharacter", 8, 64, 470, 116, 40).prop("color", "TintColor", CLEAR)
    quest.state("Appear", keyframes("color", "TintColor", [(0, CLEAR), (300, SHOWN)]) + "\n" +
                keyframes("vector3d", "Position", [(0, vec(-40, 64, 40)), (300, vec(8, 64, 40))]))
    quest.state("Disappear", keyframes("color", "TintColor", [(0, SHOWN), (300, CLEAR)]))
    quest.state("Hide", tint(CLEAR))
    face = picture("Look", G + "Speakers/Boulder1.png", 0, 0, 0)
    for record in config.BUILDINGS:
        if record["Type"] == "OnRoad":
            face.state(record["Name"], set_props(("atlasTexture", "AtlasTexture",
                                                  G + f"Speakers/{record['Name']}.png")))
    quest.add(face, picture("Bubble", G + "Bubble.png", 100, 8, 0),
              label("Text", "", 124, 14, 330, 88, SMALL, INK, wrap=True, z=0.5))
    return quest


def game_play_scene():
    root = scene_root("GamePlayScene", "GGamePlayScene", uses=(COMMON, GAME_MENU))
    scene = input_group("Scene")
    # The level stays in sight under the screens pushed over it.
    scene.state("NavTo", fade(HIDDEN, SHOWN))
    scene.state("NavToFirst", fade(HIDDEN, SHOWN))
    scene.state("NavBackTo", tint(SHOWN) + "\n" + keyframes("color", "TintColor", [(0, SHOWN), (300, SHOWN)]))
    scene.state("NavFrom", keyframes("color", "TintColor", [(0, SHOWN), (300, SHOWN)]))
    scene.state("NavBackFrom", fade(SHOWN, HIDDEN))
    scene.state("NoTransTo", keyframes("color", "TintColor", [(0, SHOWN), (20, SHOWN)]))
    menu = container("GameMenu", 0, 0, W, H, 0)
    upper_bg = frame("UpperPanelBg", "Parchment.png", 474, 0, 330, 104, 14, 2.1)
    upper_bg.state("BgGoalsSmall", set_props(("vector3d", "Bounds", vec(330, 104))))
    upper_bg.state("BgGoalsBig", set_props(("vector3d", "Bounds", vec(330, 144))))
    upper_bg.add(Node("BaseNode", "UpperGoalsPanelBg").prop("vector3d", "Position", vec(0, 0)).prop(
        "vector3d", "Bounds", vec(330, 84)))
    actions_bg = frame("ActionsBg", "WoodBar.png", 0, BOTTOM_Y - 4, W, BOTTOM_H + 4, 8, 0)
    tabs = Node("TabSceneNode", "ActionsTabScene")
    at(tabs, 0, BOTTOM_Y, 1).prop("vector3d", "Bounds", vec(W, BOTTOM_H)).prop("int", "TabsCount", 6)
    tabs.prop("int", "ActiveTabIndex", 3)
    tabs.add(build_page(), resources_page(), building_page(), goals_page(), group_page(), station_page())
    hint_node = container("HintNode", 0, 0, W, H, 30)
    game_hint = Node("ControlNode", "GameHint", "GHintNode")
    at(game_hint, 0, 0, 0).prop("vector3d", "Bounds", vec(W, H)).prop("string", "TemplateName", "Game_Hint")
    game_hint.prop("color", "TintColor", CLEAR).prop("bool", "CanBeHit", "false")
    game_hint.state("Appear", keyframes("color", "TintColor", [(0, CLEAR), (150, SHOWN)]))
    game_hint.state("Disappear", keyframes("color", "TintColor", [(0, SHOWN), (150, CLEAR)]))
    hint_node.add(game_hint)
    menu.add(upper_bg, actions_bg, upper_panel(), tabs, hint_node, quest_character())
    squash(menu)
    at(menu, 0, 0, HUD_Z)
    scene.add(menu)
    root.add(scene)
    return root


# ---------------------------------------------------------------------------
# The screens pushed over a level

def shade():
    node = Node("GRectangleNode", "Shade").prop("vector3d", "Position", vec(-2, -2)).prop(
        "vector3d", "Bounds", vec(W + 4, H + 4))
    return node.prop("color", "FillColor", "a0101418").prop("color", "BorderColor", "00000000")


def level_objectives_scene():
    root = scene_root("LevelObjectivesScene", "GLevelObjectivesScene", uses=(COMMON, OBJ_MENU))
    root.prop("vector3d", "Position", vec(0, 0, 40))
    root.add(shade())
    w, h = 640, 500
    scene = input_group("Scene", (W - w) // 2, 140, w, h, 1)
    scene.add(nine_grid("Frame", C + "Window.png", 0, 0, w, h, 20))
    scene.add(picture("Guide", O + "Guide.png", -96, 120, 3))
    scene.add(picture("Ribbon", O + "Ribbon.png", (w - 460) // 2, -26, 1))
    scene.add(label("LevelText", "", (w - 400) // 2, -22, 400, 46, CAPTION, LIGHT, halign=2, z=2))
    scene.add(label("GoalsCaption", "%Objectives_Title%", 120, 48, 480, 34, CAPTION, DARK_GREEN, halign=1))
    scene.add(label("GoalsText", "", 120, 88, 480, 160, TEXT, INK, halign=1, valign=1, wrap=True))
    scene.add(picture("StagesIcon", O + "Stages.png", 120, 262, 1))
    scene.add(label("EtapsText", "%Objectives_Stages%", 196, 278, 300, 30, TEXT, INK))
    scene.add(label("EtapsTextDigits", "", 500, 278, 100, 30, CAPTION, DARK_GREEN, halign=3))
    scene.add(picture("RankIcon", O + "Medal.png", 120, 340, 1))
    scene.add(label("RangText", "%Objectives_Rank%", 196, 342, 300, 30, TEXT, INK))
    scene.add(label("RangTextDigits", "", 196, 372, 400, 26, SMALL, INK))
    scene.add(at(button("OkButton", "%OkBtn%", 0, 0, 200, 56), (w - 200) // 2, h - 76, 2))
    root.add(scene)
    return root


def in_game_menu_scene():
    root = scene_root("InGameMenuScene", "GInGameMenuScene", uses=(COMMON, OBJ_MENU))
    root.prop("vector3d", "Position", vec(0, 0, 40))
    root.add(shade())
    w, h = 420, 520
    scene = input_group("Scene", (W - w) // 2, 140, w, h, 1)
    scene.add(nine_grid("Frame", C + "Window.png", 0, 0, w, h, 20))
    scene.add(picture("Ribbon", O + "Ribbon.png", (w - 460) // 2, -26, 1))
    scene.add(label("TitleText", "%InGameMenu_Title%", (w - 400) // 2, -22, 400, 46, CAPTION, LIGHT, halign=2, z=2))
    for i, (name, key) in enumerate([("ResumeButton", "InGameMenu_Resume"), ("RestartButton", "InGameMenu_Restart"),
                                     ("OptionsButton", "InGameMenu_Options"),
                                     ("ReturnToMapButton", "InGameMenu_Map"),
                                     ("MainMenuButton", "InGameMenu_MainMenu"),
                                     ("ExitGameButton", "InGameMenu_Quit")]):
        scene.add(at(button(name, f"%{key}%", 0, 0, 300, 56), (w - 300) // 2, 52 + i * 72, 2))
    root.add(scene)
    return root


SCENES = {
    "GamePlayScene.mscn": game_play_scene,
    "LevelObjectivesScene.mscn": level_objectives_scene,
    "InGameMenuScene.mscn": in_game_menu_scene,
}


# ---------------------------------------------------------------------------
# Dictionary entries: (English, Russian)

def building_texts():
    descriptions = {
        "Apartment": ("A home for the town's guests. They pay rent every day.",
                      "Дом для гостей города. Они платят за жильё каждый день."),
        "Commercial": ("A shop serves the homes round it and earns from their guests.",
                       "Лавка обслуживает дома вокруг и зарабатывает на их жителях."),
        "Service": ("A service the homes round it need before they can grow.",
                    "Служба, без которой дома вокруг не могут расти."),
        "Produce": ("A workshop: orders here turn money into goods.", "Мастерская: здесь деньги превращаются в товар."),
        "Uniq": ("The pride of the town: it makes every guest happier.", "Гордость города: с ней все жители довольнее."),
        "MajorOffice": ("The town hall: your workers live here and set out from here.",
                        "Ратуша: здесь живут рабочие и отсюда выходят на работу."),
    }
    out = {}
    for record in config.BUILDINGS:
        key = record.get("Description", "").strip("%")
        if key and record["Type"] in descriptions:
            out[key] = descriptions[record["Type"]]
    return out


TEXTS = {
    "MoneyDollar": ("$#p", "$#p"),
    "GuestsSign": ("#p", "#p"),
    "CancelBtn": ("Cancel", "Отмена"),
    "Btn_Destroy": ("Pull down", "Снести"),
    "Btn_Repair": ("Repair", "Починить"),
    "Btn_Upgrade": ("Improve", "Улучшить"),
    "Btn_UniqUp1": ("Porch", "Крыльцо"),
    "Btn_UniqUp2": ("Garden", "Сад"),
    "Btn_Restore": ("Restore", "Восстановить"),
    "Group_Apartment": ("Homes", "Дома"),
    "Group_Commercial": ("Shops", "Лавки"),
    "Group_Service": ("Services", "Службы"),
    "Group_Municipal": ("Town", "Город"),
    "GamePlay_Stage": ("Stage", "Этап"),
    "GamePlay_GoalsTitle": ("Goals", "Цели"),
    "GamePlay_LevelCaption": ("Level", "Уровень"),
    "GamePlay_MONEY": ("Money: $#p", "Деньги: $#p"),
    "GamePlay_INCOME": ("Income a day: $#p", "Доход в день: $#p"),
    "GamePlay_GUESTS": ("Guests: #p", "Жители: #p"),
    "GamePlay_POSSIBLE_INCOME": ("Income it could earn: $#p", "Возможный доход: $#p"),
    "GamePlay_POSSIBLE_GUESTS": ("Guests it could house: #p", "Возможно жителей: #p"),
    "GamePlay_Income": ("Income $#p", "Доход $#p"),
    "GamePlay_Guests": ("Guests #p", "Жители #p"),
    "GamePlay_Gold": ("#p", "#p"),
    "GamePlay_ServedGuests": ("Serves #p", "Обслуживает #p"),
    "GamePlay_NoRoadHint": ("No road leads here yet: clear the way first.",
                            "Сюда пока не ведёт дорога: сначала расчисти путь."),
    "GamePlay_NoLicenseHint": ("It needs a service nearby before it can work.",
                               "Ему нужна служба рядом, иначе он не работает."),
    "GamePlay_BuildingPlaceNoLicenseHint": ("Some buildings need a service nearby before they can go up here.",
                                            "Некоторым зданиям здесь нужна служба рядом."),
    "GamePlay_BrokenHint": ("It is broken and earns nothing until it is repaired.",
                            "Сломано и ничего не приносит, пока не починят."),
    "GamePlay_NoTrains": ("No train at the station. The next one is on its way.",
                          "На вокзале нет поезда. Следующий уже в пути."),
    "GamePlay_RailRoadCantBuy": ("Nothing to buy: bring #p to buy from the next train.",
                                 "Купить не на что: нужно #p, чтобы купить у следующего поезда."),
    "GamePlay_RailRoadCantSell": ("Nothing the train wants from your stores.", "Поезду нечего продать со склада."),
    "GamePlay_SkipTutorialBtn": ("Skip the tutorial", "Пропустить обучение"),
    "GamePlay_SkipTutorialMsg": ("Skip the tutorial?", "Пропустить обучение?"),
    "GamePlay_TutorialContinue": ("Click to go on", "Щёлкни, чтобы продолжить"),
    "GamePlay_CompleteHintMoney": ("Build and keep homes busy to earn money.", "Строй дома, чтобы зарабатывать."),
    "GamePlay_CompleteHintGold": ("A gold mine digs gold.", "Золото добывают на прииске."),
    "GamePlay_CompleteHintIncome": ("Better homes and shops earn more each day.",
                                    "Лучшие дома и лавки приносят больше."),
    "GamePlay_CompleteHintWorkers": ("Hire workers at the town hall.", "Нанимай рабочих в ратуше."),
    "GamePlay_CompleteHintGuests": ("Build and improve homes for more guests.", "Строй и улучшай дома."),
    "GamePlay_CompleteHintHappiness": ("Shops and services make guests happy.", "Лавки и службы радуют жителей."),
    "WarningArea_Saloon": ("Another saloon already serves some of these homes.",
                           "Часть этих домов уже обслуживает другой салун."),
    "WarningArea_Grocery": ("Another shop already serves some of these homes.",
                            "Часть этих домов уже обслуживает другая лавка."),
    "Hint_BuildingPlace": ("An empty place. Choose what to build here.", "Пустой участок. Выбери, что здесь строить."),
    "Hint_BuildingPlaceApartments": ("Homes: guests live in them and pay rent.",
                                     "Дома: в них живут жители и платят за жильё."),
    "Hint_BuildingPlaceCommercial": ("Shops: they earn from the homes round them.",
                                     "Лавки: зарабатывают на домах вокруг."),
    "Hint_BuildingPlaceService": ("Services: homes need them to grow.", "Службы: без них дома не растут."),
    "Hint_BuildingPlaceMunicipal": ("The town's works: mill, mine, station and more.",
                                    "Городские постройки: лесопилка, прииск, вокзал."),
    "Hint_BuildTab_Apartment": ("Homes", "Дома"),
    "Hint_BuildTab_Commercial": ("Shops", "Лавки"),
    "Hint_BuildTab_Service": ("Services", "Службы"),
    "Hint_BuildTab_Municipal": ("Town works", "Город"),
    "Hint_BuildTab_ApartmentTip": ("Grey homes come in later levels. Point at one to see what it costs.",
                                   "Серые дома откроются позже. Наведи на дом, чтобы узнать цену."),
    "Hint_BuildTab_CommercialTip": ("Build shops next to homes: they serve the homes round them.",
                                    "Ставь лавки рядом с домами: они обслуживают соседей."),
    "Hint_BuildTab_ServiceTip": ("Homes near a service may grow to the next level.",
                                 "Дома рядом со службой могут вырасти."),
    "Hint_BuildTab_MunicipalTip": ("The mill makes materials, the mine gold, the station trades.",
                                   "Лесопилка даёт материалы, прииск — золото, вокзал торгует."),
    "Hint_BuildTabBuild": ("Build: #p", "Построить: #p"),
    "Hint_BuildTabBack": ("Back to the building groups.", "Назад к группам зданий."),
    "Hint_BuildingTab": ("Choose what to do with this building.", "Выбери, что сделать с этим зданием."),
    "Hint_BuildingTabDestroy": ("Pull the building down and free the place.", "Снести здание и освободить участок."),
    "Hint_BuildingTabCantDestroy": ("It cannot be pulled down now.", "Сейчас его нельзя снести."),
    "Hint_BuildingTabRepare": ("Repair the building so it earns again.", "Починить здание, чтобы оно снова приносило."),
    "Hint_BuildingTabCantRepare": ("Not enough for the repair.", "Не хватает на ремонт."),
    "Hint_BuildingTabNoRepare": ("Nothing to repair.", "Чинить нечего."),
    "Hint_BuildingTabUpgrade": ("Improve the building to its next level.", "Улучшить здание до следующего уровня."),
    "Hint_BuildingTabCantUpgrade": ("Not enough to improve it yet.", "Пока не хватает на улучшение."),
    "Hint_BuildingTabNoUpgrade": ("This is its best level.", "Это его лучший уровень."),
    "Hint_BuildingTabUniqUpgrade": ("Add a special improvement.", "Добавить особое улучшение."),
    "Hint_BuildingTabCantUniqUpgrade": ("Not enough for the improvement.", "Не хватает на улучшение."),
    "Hint_BuildingTabUniqUpgradeDontBought": ("Unlock this improvement at the headquarters first.",
                                              "Сначала открой это улучшение в штабе."),
    "Hint_BuildingTabUniqUpgradeAlreadyApplied": ("It already has its improvement.", "Улучшение уже сделано."),
    "Hint_BuildingTabUniqUp1": ("A porch: more income every day.", "Крыльцо: больше дохода каждый день."),
    "Hint_BuildingTabUniqUp2": ("A garden: room for more guests.", "Сад: место для новых жителей."),
    "Hint_MaterialsTab": ("Order materials from the mill.", "Закажи материалы на лесопилке."),
    "Hint_MaterialsProduce": ("Takes #p workers for #p ms.", "Нужно рабочих: #p, время: #p мс."),
    "Hint_MaterialsCantProduce": ("Needs #p free workers and the money.", "Нужно #p свободных рабочих и деньги."),
    "Hint_GoldTab": ("Order gold from the mine.", "Закажи золото на прииске."),
    "Hint_GoldProduce": ("Takes #p workers for #p ms.", "Нужно рабочих: #p, время: #p мс."),
    "Hint_GoldCantProduce": ("Needs #p free workers and the money.", "Нужно #p свободных рабочих и деньги."),
    "Hint_WorkersTab": ("Hire more workers for the town.", "Найми ещё рабочих для города."),
    "Hint_WorkersBuy": ("Hire #p workers for $#p.", "Нанять рабочих: #p за $#p."),
    "Hint_WorkersCantBuy": ("You cannot hire #p workers now.", "Сейчас нельзя нанять рабочих: #p."),
    "Hint_RailRoadStationTab": ("Buy from the train or sell it your goods.", "Покупай у поезда или продавай ему."),
    "Hint_MaterialsBuy": ("Buy these materials.", "Купить эти материалы."),
    "Hint_MaterialsCantBuy": ("Not enough money for these materials.", "Не хватает денег на материалы."),
    "Hint_MaterialsSell": ("Sell these materials.", "Продать эти материалы."),
    "Hint_MaterialsCantSell": ("Not enough materials in store.", "На складе мало материалов."),
    "Hint_GoldBuy": ("Buy this gold.", "Купить это золото."),
    "Hint_GoldCantBuy": ("Not enough money for this gold.", "Не хватает денег на золото."),
    "Hint_GoldSell": ("Sell this gold.", "Продать это золото."),
    "Hint_GoldCantSell": ("Not enough gold in store.", "На складе мало золота."),
    "InProgress_Building": ("Building...", "Строим..."),
    "InProgress_BuildingHint": ("The workers are building. Cancel to get the cost back.",
                                "Рабочие строят. Отмена вернёт затраты."),
    "InProgress_Upgrade": ("Improving...", "Улучшаем..."),
    "InProgress_UpgradeHint": ("The workers are improving the building.", "Рабочие улучшают здание."),
    "InProgress_Producing": ("Working...", "Работаем..."),
    "InProgress_ProducingHint": ("The order is being made.", "Заказ выполняется."),
    "InProgress_Destroy": ("Pulling down...", "Сносим..."),
    "InProgress_DestroyHint": ("The workers are pulling the building down.", "Рабочие сносят здание."),
    "InProgress_Repare": ("Repairing...", "Чиним..."),
    "InProgress_RepareHint": ("The workers are repairing the building.", "Рабочие чинят здание."),
    "Objectives_Title": ("Your goals", "Твои цели"),
    "Objectives_Stages": ("Stages in this level:", "Этапов в уровне:"),
    "Objectives_Rank": ("For the best rank:", "Для лучшего звания:"),
    "number_menu_etaps": ("finish #p stages in time", "пройди вовремя этапов: #p"),
    "InGameMenu_Title": ("Pause", "Пауза"),
    "InGameMenu_Resume": ("Resume", "Продолжить"),
    "InGameMenu_Restart": ("Restart level", "Начать заново"),
    "InGameMenu_Options": ("Options", "Настройки"),
    "InGameMenu_Map": ("Back to the map", "На карту"),
    "InGameMenu_MainMenu": ("Main menu", "Главное меню"),
    "InGameMenu_Quit": ("Quit the game", "Выйти из игры"),
}


def introductions():
    """Each level's introduction on the objectives screen: its own
    description where the levels give one."""
    import texts
    out = {}
    for number in range(1, 49):
        own = texts.TEXTS.get(f"Level{number}_Desc")
        out[f"Introduction_{number}"] = own or ("Build the town and reach every goal before the time runs out.",
                                                "Построй город и выполни все цели, пока не вышло время.")
    return out


def install(scenes, texts, owned):
    """Adds the play screen's scene files, templates, atlases and dictionary
    entries to make_assets.py's tables: the scene files to `scenes.SCENES`,
    the templates to the template collection's file, the entries (after
    those already there) to `texts.TEXTS`, the atlases to `owned`."""
    scenes.SCENES.update(SCENES)
    base = scenes.SCENES["TemplateCollection.mscn"]

    def collection():
        root = base()
        root.uses.append(GAME_MENU)
        root.add(*templates())
        return root
    scenes.SCENES["TemplateCollection.mscn"] = collection
    for key, values in list(TEXTS.items()) + list(building_texts().items()) + list(introductions().items()):
        texts.TEXTS.setdefault(key, values)
    owned += ["scenes/" + name for name in SCENES] + [f"atlases/{a}.{e}" for a in ("GameMenu", "ObjMenu")
                                                       for e in ("xml", "png")]
