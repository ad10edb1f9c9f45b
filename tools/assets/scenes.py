"""Scene files of the front end and the control templates, as XML text.

Screen classes are named through ClassOverride over a base class the engine
always knows, so every file loads (as a plain scene or control) even where a
game class is not registered.
"""

from xml.sax.saxutils import quoteattr

import wideart

COMMON = "../atlases/Common.xml"
MAINMENU = "../atlases/MainMenu.xml"
MAPMENU = "../atlases/MapMenu.xml"
HQ_ATLAS = "../atlases/HQ.xml"
IMG = "../img/"  # atlas textures, named after their path under assets/
CAPTION = "../fonts/Caption.mfnt"
TEXT = "../fonts/Text.mfnt"
SMALL = "../fonts/Small.mfnt"

W, H = 1024, 768
FADE_MS = 300
SLIDE_MS = 400


class Node:
    def __init__(self, type_, name=None, override=None, **props):
        self.type = type_
        self.override = override
        self.props = []
        self.states = []
        self.default_state = None
        self.children = []
        self.uses = []
        if name is not None:
            self.prop("string", "Name", name)
        for key, value in props.items():
            self.prop(*value) if isinstance(value, tuple) and len(value) == 3 else None

    def prop(self, kind, name, value):
        self.props.append((kind, name, value))
        return self

    def add(self, *children):
        self.children.extend(children)
        return self

    def state(self, name, body="", next_state=None):
        self.states.append((name, body, next_state))
        return self

    def xml(self, depth=0):
        pad = "\t" * depth
        attrs = f'Type="{self.type}"'
        if self.override:
            attrs += f' ClassOverride="{self.override}"'
        out = [f"{pad}<SceneNode {attrs}>"]
        if self.uses:
            out.append(f"{pad}\t<Uses>")
            for use in self.uses:
                out.append(f'{pad}\t\t<AtlasTextureCollection Value="{use}" />')
            out.append(f"{pad}\t</Uses>")
        props = list(self.props)
        if self.default_state:
            props.append(("string", "DefaultState", self.default_state))
        if props:
            out.append(f"{pad}\t<Properties>")
            for kind, name, value in props:
                out.append(f"{pad}\t\t<{kind} Name=\"{name}\" Value={quoteattr(str(value))} />")
            out.append(f"{pad}\t</Properties>")
        if self.states:
            out.append(f"{pad}\t<States>")
            for name, body, next_state in self.states:
                nxt = f' NextState="{next_state}"' if next_state else ""
                if body:
                    out.append(f'{pad}\t\t<State Name="{name}"{nxt}>')
                    for line in body.strip("\n").split("\n"):
                        out.append(f"{pad}\t\t\t{line}")
                    out.append(f"{pad}\t\t</State>")
                else:
                    out.append(f'{pad}\t\t<State Name="{name}"{nxt} />')
            out.append(f"{pad}\t</States>")
        for child in self.children:
            out.append(child.xml(depth + 1))
        out.append(f"{pad}</SceneNode>")
        return "\n".join(out)


def document(root):
    if root.type == "SceneNode":
        # A screen plays its transitions on its children (its own states are
        # not part of a scene change): each top node that has none of its own
        # takes the standard ones from where it stands.
        for child in root.children:
            if not any(state[0] == "NavTo" for state in child.states):
                screen_transitions(child, *position_of(child))
    return '<?xml version="1.0" encoding="utf-8"?>\n' + root.xml() + "\n"


def position_of(node):
    values = [value for kind, name, value in node.props if name == "Position"]
    if not values:
        return 0, 0, 0
    return tuple(float(v) for v in values[-1].split(";"))


# ---------------------------------------------------------------------------
# Animation pieces

def vec(x, y, z=0):
    return f"{g(x)};{g(y)};{g(z)}"


def g(v):
    return f"{v:g}"


def keyframes(kind, prop, frames, period=20, loop_to=None):
    """A KeyFrame animator over one property; frames are (t, value) with t
    the time from the state's start. A file gives each key's time after the
    key before it."""
    lines = [f'<Animator Type="KeyFrame" Period="{period}">' if period != 20 else '<Animator Type="KeyFrame">',
             f'\t<Properties><{kind} Name="{prop}" Value="{frames[0][1]}" /></Properties>']
    previous = 0
    for index, (t, value) in enumerate(frames):
        assert t >= previous, "key times go forward"
        extra = ' i="0"' if index > 0 else ""
        if loop_to is not None and index == len(frames) - 1:
            extra += f' g="{loop_to}"'
        lines.append(f'\t<KeyFrame t="{t - previous}"{extra} Value0="{value}" />')
        previous = t
    lines.append("</Animator>")
    return "\n".join(lines)


def fade(a, b, ms=FADE_MS):
    return keyframes("color", "TintColor", [(0, a), (ms, b)])


def move(a, b, ms=SLIDE_MS):
    return keyframes("vector3d", "Position", [(0, a), (ms, b)])


def set_props(*props):
    body = "".join(f'<{kind} Name="{name}" Value={quoteattr(str(value))} />' for kind, name, value in props)
    return f'<StartAnimator Type="SetProps">{body}</StartAnimator>'


def set_states(state, children):
    return f'<StartAnimator Type="SetStates"><State Name="{state}" Children="{children}" /></StartAnimator>'


SHOWN = "ffffffff"
HIDDEN = "00ffffff"


def screen_transitions(node, x=0, y=0, z=0):
    """The screen changes every scene offers: fades for the plain ones,
    slides for the menu's side screens, and none for overlays."""
    here = vec(x, y, z)
    node.state("NavTo", set_props(("vector3d", "Position", here)) + "\n" + fade(HIDDEN, SHOWN))
    node.state("NavToFirst", set_props(("vector3d", "Position", here)) + "\n" + fade(HIDDEN, SHOWN))
    node.state("NavFrom", fade(SHOWN, HIDDEN))
    node.state("NavBackTo", set_props(("vector3d", "Position", here)) + "\n" + fade(HIDDEN, SHOWN))
    node.state("NavBackFrom", fade(SHOWN, HIDDEN))
    node.state("NavToSlide", set_props(("color", "TintColor", SHOWN)) + "\n" + move(vec(x + W, y, z), here))
    node.state("NavFromSlide", move(here, vec(x - W, y, z)))
    node.state("NavBackToSlide", set_props(("color", "TintColor", SHOWN)) + "\n" + move(vec(x - W, y, z), here))
    node.state("NavBackFromSlide", move(here, vec(x + W, y, z)))
    node.state("NoTransTo", keyframes("color", "TintColor", [(0, SHOWN), (20, SHOWN)]))
    return node


# How far in front of the screens below a screen is drawn: the side screens
# over the menu, the naming over the player list, the question over all.
SCREEN_DEPTH = {"CreditsScene": 20, "OptionsScene": 20, "SelectPlayerScene": 20, "AchievementsScene": 20,
                "SelectPlayerInputNameScene": 40, "QuitConfirmationScene": 60}


def scene_root(name, override, uses=(COMMON,)):
    root = Node("SceneNode", name, override)
    root.uses = list(uses)
    root.prop("vector3d", "Bounds", vec(W, H))
    if name in SCREEN_DEPTH:
        root.prop("vector3d", "Position", vec(0, 0, SCREEN_DEPTH[name]))
    return root


def group(name, x=0, y=0, w=W, h=H):
    """A node that holds others. A control without a template of its own:
    plain nodes pass no mouse input on, so the controls inside would never
    be clicked. It is never hit itself, so it takes no hover or press of its
    own from the pictures inside it."""
    node = Node("ControlNode", name).prop("vector3d", "Position", vec(x, y)).prop("vector3d", "Bounds", vec(w, h))
    return node.prop("bool", "CanBeHit", "false")


def sprite(name, texture, x=0, y=0, z=None, stretch=None):
    node = Node("SpriteNode", name)
    node.prop("vector3d", "Position", vec(x, y, z or 0))
    if stretch:
        node.prop("vector3d", "Bounds", vec(*stretch))
        node.prop("int", "ImageStretchX", 1).prop("int", "ImageStretchY", 1)
    node.prop("atlasTexture", "AtlasTexture", texture)
    return node


def nine_grid(name, texture, x, y, w, h, border):
    node = Node("NineGridSpriteNode", name)
    node.prop("vector3d", "Position", vec(x, y)).prop("vector3d", "Bounds", vec(w, h))
    node.prop("atlasTexture", "AtlasTexture", texture)
    node.prop("vector2d", "TopLeftDelta", f"{border};{border}").prop("vector2d", "BottomRightDelta", f"{border};{border}")
    return node


def text(name, value, x, y, w, h, fnt=TEXT, colour="ff262220", halign=2, valign=2, wrap=False, z=0):
    node = Node("TextNode", name)
    node.prop("vector3d", "Position", vec(x, y, z)).prop("vector3d", "Bounds", vec(w, h))
    node.prop("color", "TintColor", colour)
    node.prop("int", "TextHAlign", halign).prop("int", "TextVAlign", valign)
    if wrap:
        node.prop("bool", "WordWrap", "true")
    node.prop("font", "Font", fnt)
    node.prop("stringw", "Text", value)
    return node


def control(cls, name, template, x, y, w, h, label=None):
    """A control of a standard class that takes its look from a template."""
    node = Node("ControlNode", name, cls)
    node.prop("vector3d", "Position", vec(x, y)).prop("vector3d", "Bounds", vec(w, h))
    node.prop("string", "TemplateName", template)
    if label is not None:
        node.prop("stringw", "Text", label)
    return node


def button(name, label, x, y, w=280, h=56, template="Button"):
    return control("ButtonNode", name, template, x, y, w, h, label)


def back_button(name="BackButton", x=40, y=690):
    return control("BackButtonNode", name, "BackButton", x, y, 56, 56)


# ---------------------------------------------------------------------------
# Templates

CONTROL_STATES = ["Normal", "NormalHover", "Focus", "FocusHover", "Press", "Pressed", "NormalDisable", "FocusDisable"]
CHECK_STATES = ["NormalCheck", "NormalCheckHover", "FocusCheck", "FocusCheckHover", "PressCheck",
                "NormalCheckDisable", "FocusCheckDisable"]


def look(state):
    """The picture a control shows in a state: hover, press, disabled or plain."""
    if "Disable" in state:
        return "Disabled"
    if state.startswith("Press"):
        return "Press"
    if "Hover" in state:
        return "Hover"
    return "Normal"


def stateful_image(node, textures):
    """Gives `node` one state per look, each setting its picture."""
    for name, texture in textures.items():
        node.state(name, set_props(("atlasTexture", "AtlasTexture", texture)))
    return node


def name_of(node):
    return next((value for kind, name, value in node.props if name == "Name"), None)


def control_looks(template, states, child="Bg"):
    """A control hands its own state names (NormalHover, Press, FocusDisable
    ...) to its template's parts, never to the template's root: the look
    child gets each of them, showing the picture of its look."""
    node = next(c for c in template.children if name_of(c) == child)
    own = {name: body for name, body, _ in node.states}
    for state in states:
        key = look(state) if "Check" not in state else "Check" + look(state)
        if state not in own and key in own:
            node.state(state, own[key])


def button_template(name, w, h, pictures, label_colour="fff6ecd4", fnt=TEXT, border=14):
    tpl = Node("BaseNode", name).prop("vector3d", "Bounds", vec(w, h))
    # "Image" and "Text" are the button's own picture and label; its look is "Bg".
    image = nine_grid("Bg", pictures["Normal"], 0, 0, w, h, border)
    stateful_image(image, pictures)
    # A control shows its look on the template's parts, by the control's own
    # state names: a disabled one (focused or not, through the fallbacks)
    # looks disabled.
    tpl.add(image, text("Text", "", 8, 0, w - 16, h, fnt, label_colour, z=1))
    control_looks(tpl, CONTROL_STATES)
    return tpl


MARKS = IMG + "markers/"
CLEAR_TINT = "00ffffff"

def tint(colour):
    return set_props(("color", "TintColor", colour))


def pop(node, appear=True, ms=250):
    """Appear / Disappear / Show / Hide of a sign: it fades in rising a
    little, or fades out."""
    x, y, z = position_of(node)
    node.state("Appear", keyframes("color", "TintColor", [(0, CLEAR_TINT), (ms, SHOWN)]) + "\n" +
               keyframes("vector3d", "Position", [(0, vec(x, y + 8, z)), (ms, vec(x, y, z))]))
    node.state("Disappear", keyframes("color", "TintColor", [(0, SHOWN), (ms, CLEAR_TINT)]))
    node.state("Show", tint(SHOWN))
    node.state("Hide", tint(CLEAR_TINT))
    return node


# What a place's ring shows for each state the place hands its parts: the
# hover and focus states of a control (the fallbacks lead the rest there),
# and a place by the road's own.
RING_LOOKS = {"Normal": "Hide", "NormalHover": "Hover", "FocusHover": "FocusHover", "FocusKillHover": "Focus",
              "NormalKillHover": "Hide", "Focus": "Focus", "KillFocus": "Hide", "Press": "FocusHover",
              "Selected": "Focus", "FirstOnRoad": "Hover", "FirstOnRoadOff": "Hide", "DisableHover": "Hide"}
# The serve areas' colours, as their records name them.
SERVE_COLOURS = {"Green": "ff8ce07a", "Red": "fff08070", "Blue": "ff84b4f0"}


def selector(side):
    """The ring on the ground round a place: faint on hover, gold when the
    place is chosen, in its serve area's colour when another place's area
    takes it in. The place hands its states to the "Selector", which hands
    the look to its "Ring"; the serve colours go to the ring directly."""
    holder = Node("BaseNode", "Selector").prop("vector3d", "Bounds", vec(side, side))
    holder.prop("bool", "CanBeHit", "false")
    ring = sprite("Ring", MARKS + "SelectorFocus.png", side / 2 - 56 * side / 96, side / 2 - 32 * side / 96, 0.5,
                  stretch=(112 * side / 96, 64 * side / 96))
    ring.prop("color", "TintColor", CLEAR_TINT).prop("bool", "CanBeHit", "false")
    ring.state("Hide", tint(CLEAR_TINT))
    ring.state("Hover", set_props(("atlasTexture", "AtlasTexture", MARKS + "SelectorHover.png"),
                                  ("color", "TintColor", SHOWN)))
    ring.state("Focus", set_props(("atlasTexture", "AtlasTexture", MARKS + "SelectorFocus.png"),
                                  ("color", "TintColor", SHOWN)))
    ring.state("FocusHover", set_props(("atlasTexture", "AtlasTexture", MARKS + "SelectorFocus.png"),
                                       ("color", "TintColor", "ffffffe0")))
    for colour, value in SERVE_COLOURS.items():
        ring.state(colour, set_props(("atlasTexture", "AtlasTexture", MARKS + "SelectorHover.png"),
                                     ("color", "TintColor", value)))
    for state, look in RING_LOOKS.items():
        holder.state(state, set_states(look, "Ring"))
    return holder.add(ring)


def serve_marker(side):
    """The patch on the ground that shows a serve area: the giver's filled,
    the served places' an outline, in the area's colour; it fades away when
    the area is no longer shown."""
    marker = Node("BaseNode", "ServeAreaMarker").prop("vector3d", "Bounds", vec(side, side))
    marker.prop("color", "TintColor", CLEAR_TINT).prop("bool", "CanBeHit", "false")
    marker.prop("vector3d", "Position", vec(0, 0, 0.3))
    patch = sprite("Patch", MARKS + "ServeReceiver.png", side / 2 - 56 * side / 96, side / 2 - 32 * side / 96, 0,
                   stretch=(112 * side / 96, 64 * side / 96)).prop("bool", "CanBeHit", "false")
    patch.state("Source", set_props(("atlasTexture", "AtlasTexture", MARKS + "ServeSource.png")))
    patch.state("Receiver", set_props(("atlasTexture", "AtlasTexture", MARKS + "ServeReceiver.png")))
    for colour, value in SERVE_COLOURS.items():
        marker.state(colour, keyframes("color", "TintColor", [(0, CLEAR_TINT), (250, value)]))
    marker.state("Hide", tint(CLEAR_TINT))
    marker.state("Disappear", keyframes("color", "TintColor", [(0, SHOWN), (300, CLEAR_TINT)]))
    return marker.add(patch)


def star_icons(side):
    """Four stars over an apartment: one filled per level, the next one
    empty while the next level is on offer."""
    stars = Node("BaseNode", "StarIcons").prop("vector3d", "Position", vec(side / 2 - 40, -14, 2))
    stars.prop("vector3d", "Bounds", vec(80, 20))
    for i in range(1, 5):
        star = sprite(f"Star{i}", MARKS + "Star.png", (i - 1) * 20, 0).prop("bool", "CanBeHit", "false")
        for level in range(4):
            star.state(f"Level{level}", set_props(("atlasTexture", "AtlasTexture", MARKS + "Star.png"),
                                                  ("color", "TintColor", SHOWN if i <= level + 1 else CLEAR_TINT)))
            grow = i == level + 1
            star.state(f"LevelUp{level}", keyframes("vector3d", "Scale", [(0, "1;1;1"), (150, "1.5;1.5;1" if grow
                                                                                          else "1;1;1"),
                                                                           (300, "1;1;1")]))
        for level in range(3):
            shown = i <= level + 2
            picture = "Star.png" if i <= level + 1 else "StarEmpty.png"
            star.state(f"NextLevel{level}", set_props(("atlasTexture", "AtlasTexture", MARKS + picture),
                                                      ("color", "TintColor", SHOWN if shown else CLEAR_TINT)))
        star.state("Hide", tint(CLEAR_TINT))
        stars.add(star)
    return stars


def on_road(tpl, picture, side):
    """A thing by the road: it shakes while the workers clear it and fades
    away when they are done; it glows when it stands in a building's way and
    its ring shows when the workers can reach it; a bar shows the work."""
    x, y, z = position_of(picture)
    picture.state("Building", keyframes("vector3d", "Position", [(0, vec(x, y, z)), (80, vec(x + 1, y, z)),
                                                                 (160, vec(x - 1, y, z)), (240, vec(x, y, z))],
                                        loop_to=0))
    picture.state("Built", keyframes("color", "TintColor", [(0, SHOWN), (600, CLEAR_TINT)]))
    picture.state("Appear", keyframes("color", "TintColor", [(0, CLEAR_TINT), (400, SHOWN)]))
    picture.state("Normal", tint(SHOWN))
    picture.state("Impending", keyframes("color", "TintColor", [(0, SHOWN), (400, "ffff9c8c"), (800, SHOWN)],
                                         loop_to=0))
    picture.state("ImpendingOff", tint(SHOWN))
    bar = Node("ControlNode", "ProgressBar", "GProgressBarWithSignNode").prop("vector3d", "Position",
                                                                              vec(side / 2 - 24, side - 4, 3))
    bar.prop("vector3d", "Bounds", vec(48, 8)).prop("int", "KnobType", 1).prop("bool", "Visible", "false")
    bar.add(sprite("SlidingArea", IMG + "common/ProgressBg.png", 0, 0, 0, stretch=(48, 8)),
            sprite("Knob", IMG + "common/ProgressFill.png", 0, 0, 0.1, stretch=(48, 8)))
    tpl.add(bar)


def building_picture(picture, produce):
    """The rendered building's own looks: it settles in when built, jumps
    when a letter is answered, pulses while it is repaired, fades when it is
    pulled down, and a working mill or mine shakes a little."""
    x, y, z = position_of(picture)
    picture.state("AfterBuild", keyframes("vector3d", "Position", [(0, vec(x, y - 6, z)), (120, vec(x, y + 2, z)),
                                                                   (220, vec(x, y, z))]))
    picture.state("Done", tint(SHOWN))
    picture.state("Destroy", keyframes("color", "TintColor", [(0, SHOWN), (500, CLEAR_TINT)]))
    picture.state("Restoring", keyframes("color", "TintColor", [(0, SHOWN), (500, "ffc8e6ff"), (1000, SHOWN)],
                                         loop_to=0))
    picture.state("CancelRestoring", tint(SHOWN))
    picture.state("Jump", keyframes("vector3d", "Position", [(0, vec(x, y, z)), (120, vec(x, y - 10, z)),
                                                             (240, vec(x, y, z)), (320, vec(x, y - 3, z)),
                                                             (400, vec(x, y, z))]))
    if produce:
        picture.state("StartProduce", keyframes("vector3d", "Position", [(0, vec(x, y, z)), (100, vec(x, y - 1, z)),
                                                                         (200, vec(x, y, z))], loop_to=0))
        picture.state("StopProduce", set_props(("vector3d", "Position", vec(x, y, z))))


def smoke(side):
    """Puffs over a working mill or mine, rising and fading in turn."""
    holder = Node("BaseNode", "Smoke").prop("vector3d", "Bounds", vec(24, 20)).prop("bool", "CanBeHit", "false")
    holder.prop("vector3d", "Position", vec(side / 2 + 6, -40, 2)).prop("color", "TintColor", CLEAR_TINT)
    holder.state("StartProduce", keyframes("color", "TintColor", [(0, CLEAR_TINT), (300, SHOWN)]))
    holder.state("StopProduce", keyframes("color", "TintColor", [(0, SHOWN), (300, CLEAR_TINT)]))
    holder.state("Destroy", tint(CLEAR_TINT))
    for i in range(2):
        puff = sprite(f"Puff{i + 1}", MARKS + "Puff.png", 0, 0, 0).prop("bool", "CanBeHit", "false")
        start = i * 700
        puff.state("Rise", keyframes("vector3d", "Position", [(0, vec(0, 0)), (start, vec(0, 0)),
                                                              (start + 1400, vec(6, -26))], loop_to=0) + "\n" +
                   keyframes("color", "TintColor", [(0, CLEAR_TINT), (start, SHOWN), (start + 1400, CLEAR_TINT)],
                             loop_to=0))
        puff.default_state = "Rise"
        holder.add(puff)
    return holder


def arrival_points(side, margin=1):
    """Where workers may stand to work at a place: just outside the middle
    of each of its sides, the one above first (the town hall sends its
    workers out there), so a place finds the road whichever side it runs.
    A thing on the road closes every cell it touches, so its workers stand
    `margin` beyond it, in the first open cell of the road."""
    near, far = -margin, side + margin - 1
    points = [(side / 2, near), (side / 2, far), (near, side / 2), (far, side / 2)]
    return [Node("BaseNode", "WorkerArrivalPosition").prop("vector3d", "Position", vec(x, y))
            .prop("bool", "CanBeHit", "false") for x, y in points]


def hit_area(side):
    """What answers the pointer for a place: its square of ground, drawn by
    nothing. The picture stays out of it, so a tall building does not take
    the clicks meant for the road and what stands on it above the place."""
    return Node("GPolygonNode", "HitArea").prop("vector3d", "Position", vec(0, 0, 0)).prop(
        "string", "Vertices", f"0;0,{side};0,{side};{side},0;{side}")


# The picture a building record shows when it has none of its own.
PICTURE_OF = {"OnRoadMaterials": "WoodPile1"}


def building_templates():
    """One template per kind of building, named like its record: the
    rendered building standing on the middle of its place (a place is 3 x 3
    cells of 32 units; the town hall 4 x 4), the ring that shows it hovered
    or chosen, the patch of a serve area, and the stars of an apartment's
    level. A place hands the states it is given to these parts."""
    import config  # the records name the templates
    out = []
    for record in config.BUILDINGS:
        name = record["Name"]
        kind = record["Type"]
        side = 128 if kind == "MajorOffice" else 64 if kind == "OnRoad" else 96
        tpl = Node("BaseNode", name).prop("vector3d", "Bounds", vec(side, side))
        # The render's ground centre lies 64 units from its left and 101 from its top.
        picture = sprite("Image", f"{IMG}buildings/{PICTURE_OF.get(name, name)}.png", side / 2 - 64,
                         side / 2 - 101, 1)
        tpl.add(selector(side), picture.prop("bool", "CanBeHit", "false"), hit_area(side))
        tpl.add(*arrival_points(side, side // 2 + 1 if kind == "OnRoad" else 1))
        if kind == "OnRoad":
            on_road(tpl, picture, side)
        else:
            building_picture(picture, kind == "Produce")
            tpl.add(serve_marker(side))
        if kind == "Produce":
            tpl.add(smoke(side))
        if kind == "Apartment":
            tpl.add(star_icons(side))
        if record.get("ActiveFeature"):
            # The sign that shows a feature waits for its workers.
            tpl.add(sign("Marker", "Worker.png", side / 2 - 8, -30))
        if kind == "MajorOffice":
            headquarters_parts(tpl, side)
        out.append(tpl)
    return out


# The popups over the town hall, by the resource they bring.
POPUP_ICONS = {"Money": "Coin.png", "BurstMoney": "Coin.png", "Materials": "Planks.png", "Gold": "Nugget.png",
               "Workers": "Worker.png", "Guests": "Worker.png"}


def headquarters_parts(tpl, side):
    """What the town hall shows besides its building: the count of workers
    at home on a plate, the clock of the workers on their way, and the
    popup of what was brought in (its icon and amount rise and fade)."""
    amount = Node("BaseNode", "WorkersAmount").prop("vector3d", "Position", vec(side / 2 - 30, side - 18, 3))
    amount.prop("vector3d", "Bounds", vec(60, 26)).prop("bool", "CanBeHit", "false")
    amount.add(sprite("Plate", MARKS + "BadgeCream.png", 0, 0, 0, stretch=(60, 26)).prop("bool", "CanBeHit", "false"),
               sprite("Icon", MARKS + "Worker.png", 6, 5, 0.1).prop("bool", "CanBeHit", "false"),
               text("Text", "", 22, 0, 34, 26, SMALL, "ff262220", z=0.1))
    tower = Node("BaseNode", "ClockTower").prop("vector3d", "Position", vec(side - 30, -44, 3))
    tower.prop("vector3d", "Bounds", vec(28, 28)).prop("color", "TintColor", CLEAR_TINT)
    tower.prop("bool", "CanBeHit", "false")
    dial = Node("BaseNode", "WorkersProgress", "GEllipseProgressBarNode").prop("vector3d", "Bounds", vec(24, 24))
    dial.prop("vector3d", "Position", vec(2, 2, 0.1)).prop("color", "FillColor", "ff5ab45a")
    tower.add(sprite("Face", MARKS + "ClockFace.png").prop("bool", "CanBeHit", "false"), dial)
    tower.state("WorkersProgressAppear", keyframes("color", "TintColor", [(0, CLEAR_TINT), (250, SHOWN)]))
    tower.state("WorkersProgressDisappear", keyframes("color", "TintColor", [(0, SHOWN), (400, CLEAR_TINT)]))

    def rising(node, x, y):
        for state in ("ObjectIncome", "QuestIncome"):
            node.state(state, keyframes("vector3d", "Position", [(0, vec(x, y, 4)), (900, vec(x, y - 30, 4))]) +
                       "\n" + keyframes("color", "TintColor", [(0, SHOWN), (600, SHOWN), (900, CLEAR_TINT)]))
        return node.prop("color", "TintColor", CLEAR_TINT).prop("bool", "CanBeHit", "false")

    popup = rising(Node("BaseNode", "ObjectsIncomeControl").prop("vector3d", "Position", vec(side / 2 - 14, -60, 4))
                   .prop("vector3d", "Bounds", vec(80, 26)), side / 2 - 14, -60)
    popup.add(text("Text", "", 0, 0, 80, 26, TEXT, "ff2f5a1e", halign=1, z=0))
    icon = rising(sprite("IncomeIcon", MARKS + "Coin.png", side / 2 - 40, -60, 4), side / 2 - 40, -60)
    for resource, picture in POPUP_ICONS.items():
        icon.state(resource, set_props(("atlasTexture", "AtlasTexture", MARKS + picture)))
    tpl.add(amount, tower, popup, icon)


def sign(name, picture, x=32, y=-44):
    """A sign over a building, cloned under it when wanted."""
    node = sprite(name, MARKS + picture, x, y, 3).prop("bool", "CanBeHit", "false")
    return pop(node)


def badge_text(name, picture, x, y, states, width=44):
    """A number on a round plate; `states` name the plate's colour by state.
    A plate wider than its picture stretches between its round ends."""
    node = text(name, "", x, y, width, 26, SMALL, "ffffffff", z=3)
    node.prop("bool", "Visible", "false")
    if width == 44:
        plate = sprite("Plate", MARKS + picture, 0, 0, -0.1)
    else:
        plate = nine_grid("Plate", MARKS + picture, 0, 0, width, 26, 12)
        plate.props = [(k, n, vec(0, 0, -0.1) if n == "Position" else v) for k, n, v in plate.props]
    plate.prop("bool", "CanBeHit", "false")
    for state, colour in states.items():
        plate.state(state, set_props(("atlasTexture", "AtlasTexture", MARKS + f"Badge{colour}.png")))
        node.state(state, set_states(state, "Plate"))
    return node.add(plate)


def marker_templates():
    """The signs and badges the town's buildings clone over themselves, the
    building site and its progress bar, and the income clock."""
    out = [sign("RepairIcon", "Repair.png"), sign("DirtyIcon", "Dirty.png"),
           sign("UnreachableMarker", "Unreachable.png"), sign("License", "License.png", 64, -36),
           sign("MoneyBurst", "Coin.png", 36, -40)]
    feature = sprite("FeatureText", MARKS + "BadgeCream.png", 26, -92, 3).prop("bool", "CanBeHit", "false")
    feature.prop("bool", "Visible", "false")
    for state, colour in {"Normal": "Cream", "Rating": "Green", "Guests": "Blue", "RatingUpgrade": "Green",
                          "GuestsUpgrade": "Blue"}.items():
        feature.state(state, set_props(("atlasTexture", "AtlasTexture", MARKS + f"Badge{colour}.png")))
    out.append(feature)
    # The income bonus of a place ("+20%") in the colour of its size, and a
    # building's income; wide enough for a sign, two digits and "%".
    smile = badge_text("SmileIcon", "BadgeCream.png", -8, -64,
                       {"Normal": "Cream", "Highlight": "Green", "NegativeIncome": "Red", "IncomeUpgrade": "Green",
                        "Red": "Red", "Blue": "Blue", "Green": "Green"}, width=58)
    smile.add(text("IncomeBonusText", "", 0, 0, 58, 26, SMALL, "ff262220", z=0.1))
    out.append(smile)
    out.append(badge_text("RatingText", "BadgeGreen.png", 52, -64, {"Red": "Red", "Blue": "Blue", "Green": "Green"}))
    workers = Node("BaseNode", "WorkersText").prop("vector3d", "Position", vec(18, 72, 3))
    workers.prop("vector3d", "Bounds", vec(60, 26)).prop("bool", "Visible", "false")
    workers.add(sprite("Plate", MARKS + "BadgeCream.png", 8, 0, 0).prop("bool", "CanBeHit", "false"),
                sprite("Icon", MARKS + "Worker.png", 14, 5, 0.1).prop("bool", "CanBeHit", "false"),
                text("Text", "", 26, 0, 24, 26, SMALL, "ff262220", z=0.1))
    out.append(workers)

    # The building site: scaffolding rising, the workers' hammering, the
    # new building fading in, and its progress under it.
    site = Node("BaseNode", "Construction").prop("vector3d", "Bounds", vec(96, 96))
    frame = sprite("Scaffold", MARKS + "Scaffold1.png", 0, -44, 2).prop("bool", "CanBeHit", "false")
    frame.prop("color", "TintColor", CLEAR_TINT)
    steps = {"PreBuild1": ("Scaffold1.png", 300), "PreBuild2": ("Scaffold2.png", 300),
             "PreBuild3": ("Scaffold3.png", 300), "PostBuild1": ("Scaffold3.png", 300),
             "PostBuild2": ("Scaffold2.png", 300), "PostBuild3": ("Scaffold1.png", 300)}
    for state, (picture, ms) in steps.items():
        fading = state == "PostBuild3"
        frame.state(state, set_props(("atlasTexture", "AtlasTexture", MARKS + picture), ("color", "TintColor", SHOWN))
                    + "\n" + (keyframes("color", "TintColor", [(0, SHOWN), (ms, CLEAR_TINT)]) if fading else hold(ms)))
    for state in ["Worker1", "Worker2", "Worker3", "Build"]:
        frame.state(state, hold(20))
    frame.state("End", tint(CLEAR_TINT))
    bar = Node("ControlNode", "ProgressBar", "ProgressBarNode").prop("vector3d", "Position", vec(18, 100, 3))
    bar.prop("vector3d", "Bounds", vec(60, 10)).prop("int", "KnobType", 1)
    bar.add(sprite("SlidingArea", IMG + "common/ProgressBg.png", 0, 0, 0, stretch=(60, 10)),
            sprite("Knob", IMG + "common/ProgressFill.png", 0, 0, 0.1, stretch=(60, 10)))
    for state in list(steps) + ["Worker1", "Worker2", "Worker3", "Build"]:
        site.state(state)
    site.state("End", tint(CLEAR_TINT))
    out.append(site.add(frame, bar))
    chosen = sprite("ConstructionSelector", MARKS + "SelectorBuild.png", -8, 16, 0.5, stretch=(112, 64))
    chosen.state("Focus", tint(SHOWN))
    out.append(chosen.prop("bool", "CanBeHit", "false"))

    # The income clock: a face, the coloured sector the level fills in and
    # the hand; the sector blinks when time runs short.
    clock = Node("BaseNode", "IncomeClock").prop("vector3d", "Bounds", vec(28, 28))
    progress = Node("BaseNode", "Progress").prop("vector3d", "Bounds", vec(28, 28))
    sector = Node("BaseNode", "Sector", "GEllipseSectorNode").prop("vector3d", "Bounds", vec(24, 24))
    sector.prop("vector3d", "Position", vec(2, 2, 0.1))
    sector.state("Alert", keyframes("color", "TintColor", [(0, SHOWN), (250, "80ffffff"), (500, SHOWN)], loop_to=0))
    hand = sprite("Hand", MARKS + "ClockHand.png", 12.5, 2, 0.2).prop("vector2d", "PivotPoint", "1.5;12")
    progress.add(sprite("Face", MARKS + "ClockFace.png"), sector, hand)
    out.append(clock.add(progress))

    # A letter over a house asking for money: the envelope with the sum on
    # it and the clock of how long it waits; it drops in, and is taken away
    # (with a hop when the player answered it).
    letter = Node("BaseNode", "MoneyLetter").prop("vector3d", "Position", vec(30, -78, 5))
    letter.prop("vector3d", "Bounds", vec(36, 56)).prop("bool", "Visible", "false")
    letter.prop("color", "TintColor", CLEAR_TINT)
    letter.state("Appear", keyframes("vector3d", "Position", [(0, vec(30, -98, 5)), (300, vec(30, -74, 5)),
                                                              (400, vec(30, -78, 5))]) + "\n" +
                 keyframes("color", "TintColor", [(0, CLEAR_TINT), (250, SHOWN)]))
    letter.state("Disappear", keyframes("color", "TintColor", [(0, SHOWN), (400, CLEAR_TINT)]))
    letter.state("DisappearHit", keyframes("vector3d", "Position", [(0, vec(30, -78, 5)), (300, vec(30, -104, 5))]) +
                 "\n" + keyframes("color", "TintColor", [(0, SHOWN), (300, CLEAR_TINT)]))
    letter_clock = Node("BaseNode", "Progress").prop("vector3d", "Position", vec(4, 28, 0.2))
    letter_clock.prop("vector3d", "Bounds", vec(28, 28))
    letter_sector = Node("BaseNode", "Sector", "GEllipseSectorNode").prop("vector3d", "Bounds", vec(24, 24))
    letter_sector.prop("vector3d", "Position", vec(2, 2, 0.1))
    letter_sector.state("Alert", keyframes("color", "TintColor", [(0, SHOWN), (250, "80ffffff"), (500, SHOWN)],
                                           loop_to=0))
    letter_clock.add(sprite("Face", MARKS + "ClockFace.png"), letter_sector,
                     sprite("Hand", MARKS + "ClockHand.png", 12.5, 2, 0.2).prop("vector2d", "PivotPoint", "1.5;12"))
    letter.add(sprite("Envelope", MARKS + "Letter.png", 2, 0, 0), letter_clock,
               text("Text", "", -12, -18, 60, 20, SMALL, "ff2f5a1e", z=0.3))
    out.append(letter)

    # The bar a task shows over its building while the workers are at it.
    bar = Node("ControlNode", "ProgressBarOverBuilding", "ProgressBarNode")
    bar.prop("vector3d", "Position", vec(18, -12, 4)).prop("vector3d", "Bounds", vec(60, 10))
    bar.prop("int", "KnobType", 1)
    bar.add(sprite("SlidingArea", IMG + "common/ProgressBg.png", 0, 0, 0, stretch=(60, 10)),
            sprite("Knob", IMG + "common/ProgressFill.png", 0, 0, 0.1, stretch=(60, 10)))
    out.append(bar)
    return out


WALK_DIRECTIONS = ["Right", "RightUp", "Up", "LeftUp", "Left", "LeftDown", "Down", "RightDown"]
WORK_DIRECTIONS = ["Left", "Right", "Up", "Down"]
WALK_FRAME_MS = 100
WORK_FRAME_MS = 150


def flip_book(node, state, pictures, ms):
    """Gives `node` a state that shows `pictures` in turn, `ms` each, round
    and round; its later pictures are states of their own named after it."""
    names = [state] + [f"{state}_{i}" for i in range(1, len(pictures))]
    for i, (name, picture) in enumerate(zip(names, pictures)):
        if len(pictures) == 1:
            node.state(name, set_props(("atlasTexture", "AtlasTexture", picture)))
        else:
            node.state(name, set_props(("atlasTexture", "AtlasTexture", picture)) + "\n" + hold(ms),
                       next_state=names[(i + 1) % len(names)])
    return node


def character(name, cls, bounds, body_size, feet, animations, first):
    """A walking figure: a small footprint (its `Bounds`) with the rendered
    "Body" standing on the footprint's middle. `animations` maps a state name
    to its pictures and the time of each; the character's own state of that
    name passes it to the body."""
    tpl = Node("BaseNode", name, override=cls).prop("vector3d", "Bounds", vec(*bounds))
    body = sprite("Body", first, bounds[0] / 2 - feet[0], bounds[1] / 2 - feet[1])
    body.prop("vector3d", "Bounds", vec(*body_size)).prop("bool", "CanBeHit", "false")
    for state, (pictures, ms) in animations.items():
        flip_book(body, state, pictures, ms)
        tpl.state(state, set_states(state, "Body"))
    tpl.default_state = "Stand" if "Stand" in animations else None
    return tpl.add(body)


def people_templates():
    """The worker, the guide, the stagecoach and its horse and cart, and the
    train, as the level clones them."""
    import renders  # the pictures rendered for each of them
    p = IMG + "people/"
    person, feet = renders.PERSON_SIZE, (24, 39)

    def frames(prefix, count):
        return [f"{p}{prefix}{i}.png" for i in range(count)]

    worker = {"Stand": ([f"{p}Stand0.png"], 0)}
    for direction in WALK_DIRECTIONS:
        for load in ("", "Wood", "Gold"):
            worker[f"Move{direction}{load}"] = (frames(f"Move{direction}{load}", renders.WALK_FRAMES), WALK_FRAME_MS)
    for tool in renders.WORK_TOOLS:
        for direction in WORK_DIRECTIONS:
            worker[f"{tool}{direction}"] = (frames(f"{tool}{direction}", renders.WORK_FRAMES), WORK_FRAME_MS)
    guide = {"Stand": ([f"{p}GuideStand0.png"], 0)}
    for direction in WALK_DIRECTIONS:
        guide[f"Move{direction}"] = (frames(f"GuideMove{direction}", renders.WALK_FRAMES), WALK_FRAME_MS)
    for direction in WORK_DIRECTIONS:
        guide[f"Work{direction}Talk"] = (frames(f"GuideWork{direction}Talk", renders.WORK_FRAMES), WORK_FRAME_MS)
    horse, cart = {}, {}
    for direction in WALK_DIRECTIONS:
        horse[f"Move{direction}"] = (frames(f"HorseMove{direction}", renders.WALK_FRAMES), WALK_FRAME_MS)
        cart[f"Move{direction}"] = (frames(f"CartMove{direction}", 1), 0)
    horse["Stand"] = ([f"{p}HorseMoveRightDown0.png"], 0)
    cart["Stand"] = ([f"{p}CartMoveRightDown0.png"], 0)
    coach_feet = (renders.COACH_SIZE[0] // 2, feet[1])

    out = [character("Worker1", "GWorkerNode", (16, 16), person, feet, worker, f"{p}Stand0.png"),
           character("Gertruda1", "GGertrudaNode", (16, 16), person, feet, guide, f"{p}GuideStand0.png")]
    # The stagecoach itself is not drawn: its horse and cart are, cloned
    # from "DilizhansNew" into the level's own layer.
    coach = Node("BaseNode", "Dilizhans1", override="GDilizhansNode").prop("vector3d", "Bounds", vec(16, 16))
    coach.state("Stand")
    for direction in WALK_DIRECTIONS:
        coach.state(f"Move{direction}")
    parts = Node("BaseNode", "DilizhansNew").prop("vector3d", "Bounds", vec(16, 16))
    parts.add(character("Horse", "GCharacterNode", (16, 16), renders.COACH_SIZE, coach_feet, horse,
                        f"{p}HorseMoveRightDown0.png").prop("bool", "Visible", "false"),
              character("Telega", "GCharacterNode", (16, 16), renders.COACH_SIZE, coach_feet, cart,
                        f"{p}CartMoveRightDown0.png").prop("bool", "Visible", "false"))
    out += [coach, parts]

    # The train stands on its rails with its engine leading: the picture
    # that runs to the left while it comes, stands and leaves to the left.
    w, h = renders.TRAIN_SIZE
    train = Node("BaseNode", "Train1", override="GTrainNode").prop("vector3d", "Bounds", vec(w, h))
    body = sprite("Body", f"{IMG}trains/Train1Right.png").prop("bool", "CanBeHit", "false")
    for way in ("Left", "Right"):
        picture = set_props(("atlasTexture", "AtlasTexture", f"{IMG}trains/Train1{way}.png"))
        for phase in ("Coming", "Arrived", "Leaved"):
            body.state(f"{phase}{way}", picture)
            train.state(f"{phase}{way}", set_states(f"{phase}{way}", "Body"))
    out.append(train.add(body))
    return out


def templates():
    root = Node("TemplateCollectionNode", "TemplateCollection")
    root.uses = [COMMON, "../atlases/Buildings.xml", "../atlases/Env1.xml", "../atlases/Env2.xml", MAPMENU, HQ_ATLAS]
    c = IMG + "common/"

    def looks(prefix):
        return {k: f"{c}{prefix}{k}.png" for k in ["Normal", "Hover", "Press", "Disabled"]}

    root.add(button_template("Button", 280, 56, looks("Button")))
    root.add(button_template("SmallButton", 160, 48, looks("Button")))
    root.add(button_template("TabButton", 150, 44,
                             {"Normal": c + "TabNormal.png", "Hover": c + "TabHover.png",
                              "Press": c + "TabActive.png", "Disabled": c + "TabActive.png"},
                             label_colour="ff262220"))
    for colour in ["Green", "Red"]:
        pics = {k: f"{c}Switch{colour}.png" for k in ["Normal", "Hover", "Press", "Disabled"]}
        pics["Hover"] = f"{c}Switch{colour}Hover.png"
        root.add(button_template(f"Options_OnOffButton{colour}", 120, 44, pics, border=12))

    # Back button: an arrow disc.
    back = Node("BaseNode", "BackButton").prop("vector3d", "Bounds", vec(56, 56))
    image = sprite("Bg", c + "BackNormal.png")
    stateful_image(image, {"Normal": c + "BackNormal.png", "Hover": c + "BackHover.png",
                           "Press": c + "BackHover.png", "Disabled": c + "BackNormal.png"})
    back.add(image)
    control_looks(back, CONTROL_STATES)
    root.add(back)

    # Check box: a box with a tick when checked, its label to the right.
    check = Node("BaseNode", "CheckBox").prop("vector3d", "Bounds", vec(260, 40))
    image = sprite("Bg", c + "CheckOff.png")
    stateful_image(image, {"Normal": c + "CheckOff.png", "Hover": c + "CheckOffHover.png",
                           "Press": c + "CheckOffHover.png", "Disabled": c + "CheckOff.png",
                           "CheckNormal": c + "CheckOn.png", "CheckHover": c + "CheckOnHover.png",
                           "CheckPress": c + "CheckOnHover.png", "CheckDisabled": c + "CheckOn.png"})
    check.add(image, text("Text", "", 52, 0, 208, 40, TEXT, "ff262220", halign=1, z=1))
    control_looks(check, CONTROL_STATES + CHECK_STATES)
    root.add(check)

    # Step buttons of sliders and lists.
    for name, pic in [("StepMinus", "Minus"), ("StepPlus", "Plus"), ("StepUp", "Up"), ("StepDown", "Down")]:
        step = Node("BaseNode", name).prop("vector3d", "Bounds", vec(32, 32))
        image = sprite("Bg", f"{c}Step{pic}.png")
        stateful_image(image, {k: f"{c}Step{pic}.png" for k in ["Normal", "Hover", "Press", "Disabled"]})
        image.states[1] = ("Hover", set_props(("atlasTexture", "AtlasTexture", f"{c}Step{pic}Hover.png")), None)
        step.add(image)
        control_looks(step, CONTROL_STATES)
        root.add(step)

    # Slider: a track between a minus and a plus button, a brass knob.
    slider = Node("BaseNode", "Slider").prop("vector3d", "Bounds", vec(380, 32))
    slider.add(control("ButtonNode", "PrevButton", "StepMinus", 0, 0, 32, 32))
    slider.add(nine_grid("SlidingArea", c + "SliderTrack.png", 44, 8, 292, 16, 7))
    slider.add(sprite("Knob", c + "SliderKnob.png", 44, 2, 1))
    slider.add(control("ButtonNode", "NextButton", "StepPlus", 348, 0, 32, 32))
    root.add(slider)

    # Progress bar: a dark groove filled with brass.
    bar = Node("BaseNode", "ProgressBar").prop("vector3d", "Bounds", vec(500, 24))
    bar.add(nine_grid("SlidingArea", c + "ProgressBg.png", 0, 0, 500, 24, 10))
    bar.add(nine_grid("Knob", c + "ProgressFill.png", 0, 0, 250, 24, 10).prop("vector3d", "Position", "0;0;1"))
    root.add(bar)

    # List: a framed column of rows with a scroll slider.
    # The frame lies behind everything else of the list: parts at one depth
    # drawn from one atlas page come in no fixed order.
    lst = Node("BaseNode", "List").prop("vector3d", "Bounds", vec(360, 320))
    lst.add(nine_grid("Frame", c + "ListFrame.png", 0, 0, 360, 320, 12))
    # Rows are stacked from the list's corner one row height apart; their
    # parts stand inside the frame by themselves.
    element = Node("ControlNode", "Element").prop("vector3d", "Bounds", vec(312, 36))
    # The list places its rows at its own depth: the row's parts stand in
    # front of the frame by themselves.
    highlight = at(nine_grid("Bg", c + "ListItem.png", 0, 0, 300, 34, 8), 12, 12, 1)
    stateful_image(highlight, {"Normal": c + "ListItem.png", "Hover": c + "ListItemHover.png",
                               "Press": c + "ListItemSelected.png", "Disabled": c + "ListItem.png",
                               # The list shows its selected item with "Focus".
                               "Focus": c + "ListItemSelected.png"})
    element.add(highlight, text("Text", "", 24, 12, 276, 34, TEXT, "ff262220", halign=1, z=2))
    # A row has no template of its own: its states reach its parts directly.
    # The list shows its selected row by "Focus".
    row_looks = {"NormalHover": "ListItemHover", "Focus": "ListItemSelected", "FocusHover": "ListItemSelected",
                 "FocusKillHover": "ListItemSelected", "Press": "ListItemSelected", "Pressed": "ListItemSelected",
                 "KillPressed": "ListItemSelected", "Selected": "ListItemSelected", "KillFocus": "ListItem",
                 "NormalKillHover": "ListItem", "NormalDisable": "ListItem", "FocusDisable": "ListItem"}
    for state, picture in row_looks.items():
        highlight.state(state, set_props(("atlasTexture", "AtlasTexture", f"{c}{picture}.png")))
    lst.add(element)
    lst.add(at(control("ButtonNode", "PrevButton", "StepUp", 320, 12, 32, 32), 320, 12))
    lst.add(at(control("ButtonNode", "NextButton", "StepDown", 320, 276, 32, 32), 320, 276))
    scroll = at(control("SliderNode", "Slider", "ScrollBar", 324, 52, 24, 216), 324, 52)
    # At the top until the list has lines to scroll through.
    scroll.prop("int", "KnobType", 2).prop("float", "Value", 0)
    lst.add(scroll)
    root.add(lst)
    scrollbar = Node("BaseNode", "ScrollBar").prop("vector3d", "Bounds", vec(24, 216))
    scrollbar.add(nine_grid("SlidingArea", c + "SliderTrack.png", 4, 0, 16, 216, 7))
    scrollbar.add(nine_grid("Knob", c + "ProgressFill.png", 0, 0, 24, 40, 8).prop("vector3d", "Position", "0;0;1"))
    root.add(scrollbar)

    # Edit field: a white field with a blinking caret after the text.
    edit = Node("BaseNode", "EditField").prop("vector3d", "Bounds", vec(400, 48))
    edit.add(nine_grid("Bg", c + "EditField.png", 0, 0, 400, 48, 8))
    field_text = text("Text", "", 14, 0, 372, 48, TEXT, "ff262220", halign=1, z=1)
    caret = sprite("Cursor", c + "Caret.png", 0, 10, 1)
    caret.state("Blink", keyframes("color", "TintColor", [(0, SHOWN), (500, SHOWN), (510, HIDDEN), (1000, HIDDEN)],
                                   loop_to=0))
    caret.default_state = "Blink"
    field_text.add(caret)
    edit.add(field_text)
    root.add(edit)

    # Message boxes: a framed window with a title, a body and one or two buttons.
    for name, buttons in [("MessageBox1Button", [(170,)]), ("MessageBox2Buttons", [(70,), (270,)])]:
        box = Node("BaseNode", name).prop("vector3d", "Position", vec(262, 234)).prop("vector3d", "Bounds", vec(500, 300))
        # In front of the screen it opens over, which stands at the same depth.
        box.add(at(nine_grid("Frame", c + "Window.png", 0, 0, 500, 300, 20), 0, 0, 10))
        box.add(text("TitleText", "", 24, 20, 452, 44, CAPTION, "ff183a28", z=11))
        box.add(text("BodyText", "", 32, 70, 436, 140, TEXT, "ff262220", wrap=True, z=11))
        for (x,) in buttons:
            box.add(at(button("Button", "", x, 224, 160, 48, "SmallButton"), x, 224, 11))
        # The box's parts fade in and out together, each to its own colour
        # (a text's tint is the colour of its letters).
        for part in box.children:
            colour = next((v for k, n, v in reversed(part.props) if n == "TintColor"), SHOWN)
            clear = "00" + colour[2:]
            part.state("NavTo", fade(clear, colour, 200))
            part.state("NavFrom", fade(colour, clear, 200))
        root.add(box)
    root.add(*map_templates())
    root.add(*building_templates())
    root.add(*marker_templates())
    root.add(*people_templates())
    return root


def level_templates():
    """The templates a level's town clones on its own scene manager: the
    places and buildings, the signs over them, the folk and the trains."""
    root = Node("TemplateCollectionNode", "TemplateCollection")
    root.uses = [COMMON, "../atlases/Buildings.xml", "../atlases/Env1.xml", "../atlases/Env2.xml"]
    root.add(*building_templates())
    root.add(*marker_templates())
    root.add(*people_templates())
    return root


def level_templates_document():
    """levels/common/TemplateCollection.mscn: the names lead one folder further up."""
    return document(level_templates()).replace('Value="../', 'Value="../../')


# ---------------------------------------------------------------------------
# Screens

def logos_scene():
    root = scene_root("LogosScene", "GLogosScene", uses=())
    scene = group("Scene")
    for slot in ["Logo1", "Logo2"]:
        node = group(slot)
        # A rectangle fills from its second row and column: a little larger
        # than the screen, so its first row and column are coloured too, and
        # as wide as a wide window.
        bg = Node("GRectangleNode", "Bg").prop("vector3d", "Position", vec(-2 - wideart.MARGIN, -2))
        bg.prop("vector3d", "Bounds", vec(W + 4 + 2 * wideart.MARGIN, H + 4))
        bg.prop("color", "FillColor", "ffffffff").prop("color", "BorderColor", "00000000")
        bg.prop("color", "TintColor", "00ffffff")
        node.add(bg, Node("SpriteNode", "Logo").prop("vector3d", "Position", vec(0, 0, 1)))
        scene.add(node)
    # The outgoing picture fades out; the incoming one fades in (from black the first time).
    # Before the screen's class takes over, the first slot already shows the first logo.
    first = scene.children[1]
    first.children[0].props[-1] = ("color", "TintColor", "ff141c24")
    first.children[1].props[-1] = ("vector3d", "Position", vec(256, 224, 1))
    first.children[1].prop("atlasTexture", "AtlasTexture", "../logos/Publisher.png")
    # The incoming slot stands in front. The outgoing picture fades for the
    # whole second the last one is given, so the title card dims right into
    # the loading screen instead of leaving the screen black.
    scene.children[1].props = [p for p in scene.children[1].props if p[1] != "Position"]
    at(scene.children[1], 0, 0, 2)
    scene.children[0].state("Swap", fade(SHOWN, HIDDEN, 1000))
    scene.children[1].state("Swap", fade(HIDDEN, SHOWN, 600))
    scene.children[1].state("Swap0", fade("ff000000", SHOWN, 800))
    root.add(scene)
    return root


def intro_scene():
    root = scene_root("IntroScene", "GIntroScene")
    scene = group("Scene")
    scene.add(sprite("Bg", "Loading/Loading.png"))
    scene.add(nine_grid("ProgressBg", IMG + "common/ProgressBg.png", 262, 680, 500, 24, 10).prop("vector3d", "Position", "262;680;1"))
    scene.add(nine_grid("Progress", IMG + "common/ProgressFill.png", 262, 680, 0, 24, 10).prop("vector3d", "Position", "262;680;2"))
    scene.add(text("LoadingText", "%Loading%", 262, 636, 500, 40, TEXT, "fff6ecd4").prop("vector3d", "Position", "262;636;1"))
    root.add(scene)
    return root


def input_group(name, x=0, y=0, w=W, h=H, z=0):
    """A group that passes the cursor on to the controls inside it without
    being hit itself (a plain node takes no mouse input)."""
    node = Node("ControlNode", name).prop("vector3d", "Position", vec(x, y, z)).prop("vector3d", "Bounds", vec(w, h))
    return node.prop("bool", "CanBeHit", "false")


def hold(ms):
    """A main key that only lasts: keeps a state running for `ms`."""
    return keyframes("vector3d", "Scale", [(0, "1;1;1"), (ms, "1;1;1")])


DIMMED = "ff8c8c8c"
MENU_BACKDROP = "Bg;Title;People"


def main_menu_scene():
    root = scene_root("MainMenuScene", "GMainMenuScene", uses=(COMMON, MAINMENU))
    m = IMG + "mainmenu/"

    # The backdrop dims (rather than slides) while a side screen or the
    # credits panel is in front of it; every way back lights it again.
    bg_scene = input_group("BgScene")
    undim = set_states("Undim", MENU_BACKDROP)
    bg_scene.state("NavTo", undim + "\n" + fade(HIDDEN, SHOWN))
    bg_scene.state("NavToFirst", undim + "\n" + fade(HIDDEN, SHOWN))
    bg_scene.state("NavFrom", fade(SHOWN, HIDDEN))
    bg_scene.state("NavBackTo", undim + "\n" + fade(HIDDEN, SHOWN))
    bg_scene.state("NavBackFrom", fade(SHOWN, HIDDEN))
    bg_scene.state("NavFromSlide", set_states("Dim", MENU_BACKDROP) + "\n" + hold(SLIDE_MS))
    bg_scene.state("NavBackToSlide", set_props(("color", "TintColor", SHOWN)) + "\n" + undim + "\n" + hold(SLIDE_MS))
    bg_scene.state("NoTransTo", set_props(("color", "TintColor", SHOWN)) + "\n" + undim + "\n" + hold(20))
    # The backdrop reaches beyond the design width, for a wide window.
    backdrop = [sprite("Bg", IMG + "backgrounds/Menu.png", -wideart.MARGIN), sprite("Title", m + "Title.png", 40, 24, 1),
                input_group("People")]
    for piece in backdrop:
        piece.state("Dim", fade(SHOWN, DIMMED, SLIDE_MS))
        piece.state("Undim", keyframes("color", "TintColor", [(0, SHOWN), (20, SHOWN)]))
        bg_scene.add(piece)

    # The character waves when the cursor comes to her, once per visit.
    gertruda = input_group("Gertruda", 760, 400, 180, 300, 2).prop("bool", "CanBeHit", "true")
    gertruda.default_state = "GertrudaIdle"
    gertruda.state("GertrudaIdle", hold(20))
    gertruda.state("GertrudaHover", set_states("Wave", "Image") + "\n" + hold(900))
    image = sprite("Image", m + "Character.png")
    image.state("Wave", set_props(("atlasTexture", "AtlasTexture", m + "CharacterWave.png")) + "\n" +
                keyframes("vector3d", "Scale", [(0, "1;1;1"), (150, "1.04;1.04;1"), (300, "1;1;1"), (900, "1;1;1")]) +
                "\n<EndAnimator Type=\"SetProps\"><atlasTexture Name=\"AtlasTexture\" Value=\"" + m +
                "Character.png\" /></EndAnimator>")
    gertruda.add(image)
    backdrop[2].add(gertruda)

    # The credits panel, hidden until opened; its Appear rolls the credits,
    # and their end (all of ClipNode's children through "Scrolling") closes it.
    active = input_group("ActiveBg", 212, 120, 600, 540)
    active.prop("color", "TintColor", HIDDEN)
    active.state("Appear", set_states("Roll", "ClipNode") + "\n" + fade(HIDDEN, SHOWN))
    active.state("Disappear", fade(SHOWN, HIDDEN))
    active.add(nine_grid("Frame", IMG + "common/Window.png", 0, 0, 600, 540, 20).prop("vector3d", "Position", "0;0;3"))
    clip = group("ClipNode", 30, 30, 540, 420).prop("bool", "ChildrenClipped", "true")
    clip.prop("vector3d", "Position", "30;30;4")
    clip.state("Roll", '<StartAnimator Type="SetStates"><State Name="Scrolling" /></StartAnimator>')
    roll = text("Roll", "%Credits_Text%", 0, 420, 540, 900, TEXT, "ff262220", valign=1, wrap=True)
    roll.state("Scrolling", keyframes("vector3d", "Position", [(0, "0;420;0"), (24000, "0;-900;0")]))
    clip.add(roll)
    active.add(clip)
    # A plain button with the back button's look: it closes the panel, the
    # menu stays.
    active.add(control("ButtonNode", "BackButton", "BackButton", 272, 464, 56, 56).prop(
        "vector3d", "Position", "272;464;4"))
    bg_scene.add(active)
    root.add(bg_scene)

    buttons = input_group("Buttons", 60, 190, 320, 520, 1)
    screen_transitions(buttons, 60, 190, 1)
    for i, (name, key) in enumerate([("NewGameButton", "MainMenu_NewGame"),
                                     ("ChangePlayerButton", "MainMenu_ChangePlayer"),
                                     ("OptionsButton", "MainMenu_Options"), ("CreditsButton", "MainMenu_Credits"),
                                     ("AchievementsButton", "MainMenu_Achievements"),
                                     ("QuitButton", "MainMenu_Quit")]):
        buttons.add(button(name, f"%{key}%", 0, i * 72))
    # The butterfly takes off when the cursor comes near, beating its wings.
    fly = input_group("Butterfly", 300, 12, 48, 40, 2).prop("bool", "CanBeHit", "true")
    fly.default_state = "Resting"
    fly.state("Resting", hold(20))
    fly.state("Flying", set_states("Beat1", "Image") + "\n" + keyframes(
        "vector3d", "Position", [(0, "300;12;2"), (400, "330;-30;2"), (800, "360;10;2"), (1200, "300;12;2")]))
    wings = sprite("Image", m + "ButterflyOpen.png")
    beats = 6
    for i in range(1, beats + 1):
        picture = "ButterflyClosed.png" if i % 2 else "ButterflyOpen.png"
        wings.state(f"Beat{i}", set_props(("atlasTexture", "AtlasTexture", m + picture)) + "\n" + hold(200),
                    next_state=f"Beat{i + 1}" if i < beats else None)
    fly.add(wings)
    buttons.add(fly)
    root.add(buttons)

    bubble = group("Scene_bubl", 420, 170, 420, 150).prop("vector3d", "Position", vec(420, 170, 1))
    screen_transitions(bubble, 420, 170, 1)
    bubble.add(sprite("Bubble", m + "Bubble.png", 0, 0, 1))
    bubble.add(text("WelcomeText", "", 24, 14, 372, 92, TEXT, "ff262220", wrap=True).prop("vector3d", "Position",
                                                                                        "24;14;2"))
    root.add(bubble)
    return root


def panel_scene(name, override, title_key, w=640, h=560):
    """A side screen: a framed window in the middle with its title."""
    root = scene_root(name, override)
    x, y = (W - w) // 2, (H - h) // 2
    scene = group("Scene", x, y, w, h)
    scene.add(nine_grid("Frame", IMG + "common/Window.png", 0, 0, w, h, 20))
    scene.add(text("TitleText", f"%{title_key}%", 24, 20, w - 48, 52, CAPTION, "ff183a28").prop(
        "vector3d", "Position", "24;20;1"))
    root.add(scene)
    return root, scene


def at(node, x, y, z=1):
    return node.prop("vector3d", "Position", vec(x, y, z))


def select_player_scene():
    root, scene = panel_scene("SelectPlayerScene", "GSelectPlayerScene", "SelectPlayer_Title")
    scene.add(at(control("ListNode", "PlayersList", "List", 40, 90, 360, 320), 40, 90))
    picture = at(Node("SpriteNode", "PlayerPicture"), 452, 130)
    for i in range(6):
        picture.state(f"Pic{i + 1}", set_props(("color", "TintColor", SHOWN),
                                              ("atlasTexture", "AtlasTexture", f"{IMG}common/Portrait{i + 1}.png")))
    picture.state("Hide", set_props(("color", "TintColor", HIDDEN)))
    scene.add(picture)
    scene.add(at(button("NewPlayerButton", "%SelectPlayer_New%", 0, 0, 180, 48, "SmallButton"), 40, 430))
    scene.add(at(button("DeletePlayerButton", "%SelectPlayer_Delete%", 0, 0, 180, 48, "SmallButton"), 230, 430))
    scene.add(at(button("OkButton", "%OkBtn%", 0, 0, 180, 48, "SmallButton"), 420, 430))
    return root


def select_player_name_scene():
    root, scene = panel_scene("SelectPlayerInputNameScene", "GSelectPlayerInputNameScene", "NewPlayer_Title")
    scene.add(at(text("NameLabel", "%NewPlayer_Name%", 0, 0, 560, 32, SMALL, "ff262220", halign=1), 40, 78))
    edit = at(control("EditNode", "NameEdit", "EditField", 0, 0, 560, 48), 40, 112)
    # Letters, digits and spaces: Enter confirms the name instead of breaking the line.
    edit.prop("int", "MaxTextLength", 16).prop("string", "InputMask", "A0S")
    scene.add(edit)
    tabs = at(Node("ControlNode", "TabScene", "TabSceneNode"), 40, 176)
    tabs.prop("vector3d", "Bounds", vec(560, 300)).prop("int", "TabsCount", 2).prop("int", "ActiveTabIndex", 1)
    # The chosen page's tab button gives way to the page's own chosen tab.
    tabs.prop("bool", "HideTabButtonOnSelect", "true")
    for t in (1, 2):
        tabs.add(at(button(f"Tab{t}Button", f"%NewPlayer_Tab{t}%", 0, 0, 150, 44, "TabButton"), (t - 1) * 160, 0))
        page = group(f"Tab{t}", 0, 56, 560, 240)
        page.state("Default", fade(HIDDEN, SHOWN, 150))
        chosen = nine_grid("ChosenTab", IMG + "common/TabActive.png", (t - 1) * 160, -56, 150, 44, 14)
        chosen.prop("bool", "CanBeHit", "false")
        chosen.add(text("Text", f"%NewPlayer_Tab{t}%", 8, 0, 134, 44, TEXT, "ff262220", z=1))
        page.add(chosen)
        holder = group("ManButtons" if t == 1 else "WomanButtons", 0, 0, 560, 240)
        for i in range(3):
            index = (t - 1) * 3 + i
            box = at(Node("ControlNode", f"Picture{index + 1}", "CheckBoxNode"), 40 + i * 170, 20)
            box.prop("vector3d", "Bounds", vec(104, 104))
            # The portrait is where the box is clicked.
            box.add(at(sprite("Image", f"{IMG}common/Portrait{index + 1}.png").prop("bool", "CanBeHit", "true"),
                       4, 4, 0))
            ring = at(Node("SpriteNode", "Ring"), 0, 0, 1)
            ring.prop("color", "TintColor", HIDDEN).prop("atlasTexture", "AtlasTexture", IMG + "common/PortraitRing.png")
            box.add(ring)
            # The screen applies a picture's state to the picture's parts:
            # the ring shows the choice.
            ring.state("Disabled", set_props(("color", "TintColor", HIDDEN)))
            ring.state("SetDisabled", fade(SHOWN, HIDDEN, 200))
            ring.state("Active", set_props(("color", "TintColor", SHOWN)))
            ring.state("SetActive", fade(HIDDEN, SHOWN, 200))
            holder.add(box)
        page.add(holder)
        tabs.add(page)
    scene.add(tabs)
    scene.add(at(button("CancelButton", "%Cancel%", 0, 0, 180, 48, "SmallButton"), 40, 490))
    scene.add(at(button("OkButton", "%OkBtn%", 0, 0, 180, 48, "SmallButton"), 420, 490))
    return root


def options_scene():
    root, scene = panel_scene("OptionsScene", "GOptionsScene", "Options_Title", 720, 600)
    rows = [("SoundSlider", "Options_Sound"), ("MusicSlider", "Options_Music")]
    y = 90
    for name, key in rows:
        scene.add(at(text(name + "Label", f"%{key}%", 0, 0, 240, 40, TEXT, "ff262220", halign=1), 40, y))
        slider = at(control("SliderNode", name, "Slider", 0, 0, 380, 32), 300, y + 4)
        slider.prop("float", "MinValue", 0).prop("float", "MaxValue", 100).prop("float", "Value", 40)
        slider.prop("float", "DeltaValue", 10)
        scene.add(slider)
        y += 56
    switches = [("MuteSoundButton", "Options_SoundOn"), ("MuteMusicButton", "Options_MusicOn"),
                ("FullscreenButton", "Options_Fullscreen"), ("CursorButton", "Options_Cursor"),
                ("TutorialButton", "Options_Tutorial"), ("AutoWideButton", "Options_Wide")]
    for i, (name, key) in enumerate(switches):
        col, row = i % 2, i // 2
        x = 40 + col * 340
        yy = y + 8 + row * 64
        scene.add(at(text(name + "Label", f"%{key}%", 0, 0, 190, 44, SMALL, "ff262220", halign=1), x, yy))
        scene.add(at(button(name, "%Options_On%", 0, 0, 120, 44, "Options_OnOffButtonGreen"), x + 196, yy))
    # The screen picks its own way back (slides over the main menu).
    scene.add(at(control("ButtonNode", "BackButton", "BackButton", 0, 0, 56, 56), 40, 520))
    return root


def quit_scene():
    root = scene_root("QuitConfirmationScene", "GQuitConfirmationScene")
    # A little larger than the screen, so no edge is left unshaded.
    shade = Node("GRectangleNode", "Shade").prop("vector3d", "Position", vec(-2, -2)).prop(
        "vector3d", "Bounds", vec(W + 4, H + 4))
    shade.prop("color", "FillColor", "a0101418").prop("color", "BorderColor", "00000000")
    root.add(shade)
    scene = Node("SceneNode", "Scene")
    at(scene, 262, 244).prop("vector3d", "Bounds", vec(500, 280))
    scene.add(nine_grid("Frame", IMG + "common/Window.png", 0, 0, 500, 280, 20))
    scene.add(at(text("InfoText", "%QuitConfirmation%", 0, 0, 440, 140, CAPTION, "ff183a28", wrap=True), 30, 30))
    scene.add(at(button("YesButton", "%Yes%", 0, 0, 180, 48, "SmallButton"), 50, 200))
    scene.add(at(button("NoButton", "%No%", 0, 0, 180, 48, "SmallButton"), 270, 200))
    root.add(scene)
    return root


def credits_scene():
    root = scene_root("CreditsScene", "GCreditsScene")
    scene = group("Scene")
    scene.add(sprite("Bg", IMG + "backgrounds/Menu.png", -wideart.MARGIN))
    window = group("Window", 192, 60, 640, 640)
    window.add(nine_grid("Frame", IMG + "common/Window.png", 0, 0, 640, 640, 20).prop("vector3d", "Position", "0;0;1"))
    window.add(text("TitleText", "%Credits_Title%", 24, 20, 592, 52, CAPTION, "ff183a28").prop(
        "vector3d", "Position", "24;20;2"))
    clip = group("Clip", 40, 84, 560, 480).prop("bool", "ChildrenClipped", "true").prop("vector3d", "Position", "40;84;2")
    # The roll starts near the top, so the screen opens on the first names;
    # once it has gone up and out it comes in again from below, at the same pace.
    roll = text("Roll", "%Credits_Text%", 0, 40, 560, 900, TEXT, "ff262220", valign=1, wrap=True)
    roll.state("Scrolling", keyframes("vector3d", "Position", [(0, "0;40;0"), (28000, "0;-900;0"),
                                                               (28010, "0;480;0"), (41200, "0;40;0")], loop_to=0))
    clip.add(roll)
    window.add(clip)
    scene.add(window)
    scene.state("Scrolling", keyframes("vector3d", "Position", [(0, "0;0;0"), (20, "0;0;0")]))
    scene.add(at(back_button(), 40, 690, 3))
    root.add(scene)
    return root


def achievements_scene():
    root, scene = panel_scene("AchievementsScene", "", "Achievements_Title")
    root.override = None
    scene.add(at(text("Info", "%Achievements_None%", 0, 0, 560, 300, TEXT, "ff262220", wrap=True), 40, 100))
    scene.add(at(back_button(), 40, 480))
    return root


def stats_scene():
    root = Node("SceneNode", "GDebugStatsScene", "GDebugStatsScene")
    root.prop("vector3d", "Bounds", vec(W, H)).prop("vector3d", "Position", "0;0;-100")
    root.add(at(text("StatsText", "", 0, 0, 420, 80, SMALL, "fff0f0f0", halign=1, valign=1, wrap=True), 8, 8, 0))
    return root


# ---------------------------------------------------------------------------
# Between levels: the map, the headquarters and the level's result

MAP = IMG + "map/"
HQP = IMG + "hq/"
MARKER_LOOKS = {"Unavailable": "UnavailableNormal", "Default": "DefaultNormal", "DefaultHover": "DefaultHover",
                "DefaultPressed": "DefaultPressed", "Completed": "CompletedNormal",
                "CompletedHover": "CompletedHover", "CompletedPressed": "CompletedPressed", "Gold": "GoldNormal",
                "GoldHover": "GoldHover", "GoldPressed": "GoldPressed"}


def map_templates():
    """The round marker of a level on the map, and the rays of a purchase at
    the headquarters."""
    tpl = Node("BaseNode", "MapMarker").prop("vector3d", "Bounds", vec(52, 52))
    # Each grows round its middle: the pivot moves the picture, its position
    # moves it back.
    glow = sprite("Glow", MAP + "MarkerGlow.png", 26, 26, -0.1).prop("color", "TintColor", HIDDEN)
    bg = sprite("Bg", MAP + "MarkerDefaultNormal.png", 26, 26)
    label = text("Text", "", 0, 0, 52, 52, SMALL, "ff262220", z=0.2)
    for state, picture in MARKER_LOOKS.items():
        bg.state(state, set_props(("atlasTexture", "AtlasTexture", f"{MAP}Marker{picture}.png")) + "\n" +
                 keyframes("vector3d", "Scale", [(0, "1;1;1"), (20, "1;1;1")]))
        glow.state(state, tint(HIDDEN))
        shown = "ff8c8680" if state == "Unavailable" else "fff6ecd4" if state.startswith("Completed") else "ff262220"
        label.state(state, tint(shown))
    # A level just opened: the marker pops up and its ring pulses a while.
    bg.state("LastUnlocked", set_props(("atlasTexture", "AtlasTexture", f"{MAP}MarkerDefaultPressed.png")) + "\n" +
             keyframes("vector3d", "Scale", [(0, "0.2;0.2;1"), (300, "1.25;1.25;1"), (500, "1;1;1")]))
    bg.prop("vector2d", "PivotPoint", "26;26")
    glow.prop("vector2d", "PivotPoint", "36;36")
    glow.state("LastUnlocked", keyframes("color", "TintColor", [(0, HIDDEN), (400, SHOWN), (900, "40ffffff"),
                                                                (1400, SHOWN), (1900, "40ffffff"), (2400, HIDDEN)]))
    label.state("LastUnlocked", tint("ff262220"))
    tpl.add(glow, bg, label)

    rays = Node("GSelfDestructNode", "HQRays").prop("vector3d", "Position", vec(0, 0, 50))
    rays.prop("bool", "Visible", "false").prop("string", "DestructStateName", "Anim")
    rays.add(sprite("Rays", HQP + "Rays.png", -80, -80))
    rays.state("Anim", keyframes("vector3d", "Scale", [(0, "0.3;0.3;1"), (700, "1.4;1.4;1")]) + "\n" +
               keyframes("color", "TintColor", [(0, SHOWN), (450, SHOWN), (700, HIDDEN)]))
    return [tpl, rays]


def map_scene():
    import screenart
    root = scene_root("MapNewScene", "GMapScene", uses=(COMMON, MAPMENU))
    scene = group("Scene")
    scene.add(sprite("Bg", IMG + "backgrounds/Map.png"))
    scene.add(at(text("TitleText", "%Map_Title%", 0, 0, 388, 52, CAPTION, "ff183a28"), 318, 30, 1))

    # The clouds over the settings not reached yet: they clear once the
    # first level of their setting opens.
    settings = group("BgSetting").prop("bool", "CanBeHit", "false")
    for setting in (1, 2, 3, 4):
        overlay = sprite(f"Setting{setting}", MAP + "Fog.png", 40, screenart.band_top(setting) - 4, 1)
        overlay.prop("bool", "CanBeHit", "false")
        overlay.state("Normal", tint(SHOWN))
        overlay.state("Passed", keyframes("color", "TintColor", [(0, SHOWN), (600, SHOWN), (2000, HIDDEN)]) +
                      '\n<EndAnimator Type="SetProps"><bool Name="Visible" Value="false" /></EndAnimator>')
        settings.add(overlay)
    scene.add(settings)

    buttons = input_group("LocationButtons", 0, 0, W, H, 2)
    for index, (x, y) in enumerate(screenart.map_positions()):
        location = Node("ControlNode", f"Location{index + 1}", "GMapLocationButton")
        location.prop("vector3d", "Position", vec(x - 26, y - 26)).prop("vector3d", "Bounds", vec(52, 52))
        # The marker is where the button is hit, but the button takes the
        # cursor and the clicks.
        marker = control("ControlNode", "LevelMarker", "MapMarker", 0, 0, 52, 52)
        marker.prop("bool", "Enabled", "false").prop("bool", "HoverTrack", "false")
        # A level just passed waves its marker once.
        marker.state("FirstPassed", keyframes("vector3d", "Position", [(0, "0;0;0"), (150, "0;-8;0"),
                                                                      (300, "0;0;0"), (450, "0;-4;0"),
                                                                      (600, "0;0;0")]))
        marker.state("Passed", hold(20))
        marker.state("Locked", hold(20))
        location.add(marker)
        buttons.add(location)
    scene.add(buttons)

    hint = group("HintNode", 0, 0, W, H).prop("bool", "CanBeHit", "false")
    hint.state("Appear", hold(20))
    bubble = group("Hint1", 0, 0, 200, 56).prop("bool", "CanBeHit", "false")
    # Over the middle of the marker, whose corner the screen puts it at.
    bubble.add(at(nine_grid("Frame", IMG + "common/Window.png", -74, -72, 200, 56, 16), -74, -72, 0))
    bubble.add(at(text("LevelText", "", 0, 0, 180, 56, TEXT, "ff183a28"), -64, -72, 0.1))
    # The screen places the hint itself: its looks change only its colour.
    bubble.state("Appear", keyframes("color", "TintColor", [(0, CLEAR_TINT), (250, SHOWN)]))
    bubble.state("Disappear", keyframes("color", "TintColor", [(0, SHOWN), (250, CLEAR_TINT)]) +
                 '\n<EndAnimator Type="SetProps"><bool Name="Visible" Value="false" /></EndAnimator>')
    hint.add(bubble)
    scene.add(hint)

    scene.add(at(button("MenuButton", "%Map_Menu%", 0, 0), 60, 676, 2))
    hq = at(button("HQButton", "%Map_HQ%", 0, 0), 372, 676, 2)
    hq.state("Off", set_props(("bool", "Visible", "false")))
    hq.state("On", set_props(("bool", "Visible", "true")))
    scene.add(hq)
    scene.add(at(button("PlayButton", "%Map_Play%", 0, 0), 684, 676, 2))
    # Whether the headquarters can be visited yet; the screen fades in
    # either way.
    scene.state("2_button", set_states("Off", "HQButton") + "\n" + fade(HIDDEN, SHOWN))
    scene.state("3_button", set_states("On", "HQButton") + "\n" + fade(HIDDEN, SHOWN))
    root.add(scene)
    return root


def headquarters_scene():
    import screenart
    root = scene_root("HeadquartersScene", "GHeadquartersScene", uses=(COMMON, HQ_ATLAS))
    scene = group("Scene")
    scene.add(sprite("Bg", IMG + "backgrounds/HQ.png"))
    scene.add(at(text("TitleText", "%HQ_Title%", 0, 0, 300, 56, CAPTION, "ff183a28", halign=1), 704, 24, 1))
    scene.add(at(text("InfoText", "%HQ_Info%", 0, 0, 300, 110, SMALL, "ff262220", halign=1, valign=1, wrap=True),
                 704, 84, 1))
    label = group("RankLabel", 26, 26, 248, 118).prop("vector3d", "Position", vec(26, 26, 1))
    label.add(at(text("PointsLabel", "%HQ_Points%", 0, 0, 248, 40, TEXT, "ff262220"), 0, 8, 0))
    label.add(at(text("Points", "0", 0, 0, 248, 60, CAPTION, "ff183a28"), 0, 50, 0))
    scene.add(label)

    upgrades = group("Upgrades").prop("bool", "CanBeHit", "false").prop("vector3d", "Position", vec(0, 0, 2))
    for name, (x, y, w, h) in screenart.HQ_PARTS.items():
        part = Node("BaseNode", name).prop("vector3d", "Position", vec(x, y, 0)).prop("vector3d", "Bounds", vec(w, h))
        glow = sprite("Glow", f"{HQP}{name}Glow.png", -20, -20, -0.1).prop("color", "TintColor", HIDDEN)
        image = sprite("Image", f"{HQP}{name}1.png").prop("color", "TintColor", HIDDEN)
        ghost, lit = "60ffffff", "c0ffffff"
        first, second = f"{HQP}{name}1.png", f"{HQP}{name}2.png"
        looks = {
            "up0": (first, ghost, False), "up0_CanBeBuy": (first, ghost, False),
            "up0_CanBeBuySelected": (first, lit, True), "up0_AlreadyBought": (first, SHOWN, False),
            "up1": (first, SHOWN, False), "up1_CanBeBuy": (first, SHOWN, False),
            "up1_CanBeBuySelected": (second, lit, True), "up1_AlreadyBought": (second, SHOWN, False),
            "up2": (second, SHOWN, False),
        }
        for state, (picture, colour, glowing) in looks.items():
            image.state(state, set_props(("atlasTexture", "AtlasTexture", picture), ("color", "TintColor", colour)))
            glow.state(state, tint(SHOWN if glowing else HIDDEN))
        for chain, picture, before in (("up0", first, ghost), ("up1", second, SHOWN)):
            # Bought: the new look grows in; still to buy: a short flash.
            image.state(chain + "_Buy", set_props(("atlasTexture", "AtlasTexture", picture)) + "\n" +
                        keyframes("color", "TintColor", [(0, "80ffffff"), (400, SHOWN)]))
            glow.state(chain + "_Buy", keyframes("color", "TintColor", [(0, SHOWN), (600, HIDDEN)]))
            glow.state(chain + "_Select", keyframes("color", "TintColor", [(0, HIDDEN), (300, SHOWN), (700, HIDDEN)]))
            image.state(chain + "_Select", set_props(("color", "TintColor", before)))
        part.add(glow, image, Node("BaseNode", "HitArea").prop("vector3d", "Bounds", vec(w, h)))
        upgrades.add(part)
    scene.add(upgrades)
    scene.add(at(back_button(), 40, 690, 3))
    root.add(scene)
    return root


def level_completed_scene():
    root = scene_root("LevelCompletedScene", "GLevelCompletedScene", uses=(COMMON, MAPMENU))
    root.prop("vector3d", "Position", vec(0, 0, 30))
    # The level stays in sight, darkened, behind the window.
    shade = Node("GRectangleNode", "Shade").prop("vector3d", "Position", vec(-2, -2)).prop(
        "vector3d", "Bounds", vec(W + 4, H + 4))
    shade.prop("color", "FillColor", "90101418").prop("color", "BorderColor", "00000000")
    root.add(shade)
    # A click on the window (anywhere but OK) hurries the replay on.
    scene = input_group("Scene", 192, 154, 640, 460, 1).prop("bool", "CanBeHit", "true")
    scene.props = [p for p in scene.props if not (p[1] == "CanBeHit" and p[2] == "false")]
    scene.add(nine_grid("Frame", IMG + "common/Window.png", 0, 0, 640, 460, 20))
    scene.add(at(text("TitleText", "", 0, 0, 592, 56, CAPTION, "ff183a28"), 24, 22, 1))
    scene.add(at(text("TimeLabel", "%LevelEnd_Stages%", 0, 0, 560, 30, SMALL, "ff262220", halign=1), 40, 92, 1))
    bar = Node("ControlNode", "TimeProgressBar", "GProgressBarWithCheckpointsNode")
    at(bar, 40, 140, 1).prop("vector3d", "Bounds", vec(560, 24)).prop("int", "KnobType", 1)
    bar.prop("float", "MinValue", 0).prop("float", "MaxValue", 1).prop("float", "Value", 0)
    bar.add(nine_grid("SlidingArea", IMG + "common/ProgressBg.png", 0, 0, 560, 24, 10))
    bar.add(at(nine_grid("Knob", IMG + "common/ProgressFill.png", 0, 0, 560, 24, 10), 0, 0, 0.01))
    mark = Node("BaseNode", "Checkpoint").prop("vector3d", "Position", vec(0, -4, 0)).prop("bool", "Visible", "false")
    dot = sprite("Dot", MAP + "CheckpointGrey.png", 0, 16, 0.02)
    dot.state("PassedOk", set_props(("atlasTexture", "AtlasTexture", MAP + "CheckpointGreen.png")) + "\n" +
              keyframes("vector3d", "Scale", [(0, "1;1;1"), (150, "1.3;1.3;1"), (300, "1;1;1")]))
    dot.state("PassedFail", set_props(("atlasTexture", "AtlasTexture", MAP + "CheckpointRed.png")))
    dot.prop("vector2d", "PivotPoint", "16;16")
    mark.add(dot, at(text("Text", "", 0, 0, 32, 32, SMALL, "fff6ecd4"), -16, 0, 0.03))
    bar.add(mark)
    scene.add(bar)

    numbers = group("NumbersControl", 40, 190, 560, 50).prop("vector3d", "Position", vec(40, 190, 1))
    number = text("Nomber", "", 280, 25, 560, 50, TEXT, "ff262220")
    number.prop("vector2d", "PivotPoint", "280;25")
    number.state("PassedOk", keyframes("vector3d", "Scale", [(0, "1;1;1"), (150, "1.15;1.15;1"), (300, "1;1;1")]))
    numbers.add(number)
    scene.add(numbers)

    arrow = group("ArrowControl", 140, 260, 360, 64).prop("vector3d", "Position", vec(140, 260, 1))
    arrow.prop("color", "TintColor", HIDDEN)
    arrow.state("Rank", fade(HIDDEN, SHOWN, 500))
    arrow.add(sprite("Ribbon", MAP + "RankRibbon.png"))
    arrow.add(at(text("RangText", "", 0, 0, 312, 52, CAPTION, "fff6ecd4"), 24, 0, 0.1))
    scene.add(arrow)
    scene.add(at(button("OkButton", "%OkBtn%", 0, 0), 180, 372, 1))
    root.add(scene)
    return root


SCENES = {
    "MapNewScene.mscn": map_scene,
    "HeadquartersScene.mscn": headquarters_scene,
    "LevelCompletedScene.mscn": level_completed_scene,
    "LogosScene.mscn": logos_scene,
    "IntroScene.mscn": intro_scene,
    "MainMenuScene.mscn": main_menu_scene,
    "SelectPlayerScene.mscn": select_player_scene,
    "SelectPlayerInputNameScene.mscn": select_player_name_scene,
    "OptionsScene.mscn": options_scene,
    "QuitConfirmationScene.mscn": quit_scene,
    "CreditsScene.mscn": credits_scene,
    "AchievementsScene.mscn": achievements_scene,
    "DebugStatsScene.mscn": stats_scene,
    "TemplateCollection.mscn": templates,
}
