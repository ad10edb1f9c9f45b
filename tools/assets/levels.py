"""The levels: each is a small text source under tools/assets/levels, from
which this module writes the level's folder: Level.mscn (the playing field),
wgrid.bin (its roads), LevelConfiguration.xml (its rules) and Tutorial.xml.

A source holds sections, each opened by a line "[name]":

[level]      key = value lines: number, setting (1-4), description, day,
             happiness, workers, limit, step, money, materials, gold, forbid
             (building names split by ";"), bonus1, bonus2, destroybonus,
             rating, clock (on/off).
[map]        the field as characters, one per cell of CELL x CELL units:
               .  grass          #  road            =  rails
               H  the town hall (its top-left cell)
               P  a building place (its top-left cell)
               S  a building place where a station may stand
               a-z  a place by the road, named in [legend]
             Building places on one line of the map form one row of places
             (at most six); the rows are filled up to six with hidden places,
             so that a place's number / 6 is its row and number % 6 its
             column, as serve areas count them.
[legend]     letter = building record, then key=value pairs: group (the
             objectives group that brings it, 1-based; none: from the
             start), Materials, Gold, Money, Workers, BuildWorkers, Quest.
[lucky]      place numbers (1-based) with LuckinessType 1; "-n" for -1.
[group]      one objectives group: "time score [tutorial]" on its first line,
             then one objective per line: Type Value [key=value ...].
[events]     one random event per line: Type key=value ...
[tutorial]   hints, one per block of lines "hint [flags]" followed by
             key = value lines (text, position, align, state) and lines
             "action Type=Kind key=value ..." and "arrow x;y rotation".
[tutorial NAME]  the same, written to the file NAME in the level's folder:
             the tutorial an objectives group names on its first line.

Level sources 4-48 were drafted by levelgen.py; levels/README.md says how
their times are tuned with the automatic player's reports.
"""

import os
import shlex
import struct
from xml.sax.saxutils import quoteattr

import scenes

CELL = 32
W, H = 1024, 768
COLUMNS, ROWS = W // CELL, H // CELL
PLACE_CELLS = 3  # a building place covers 3 x 3 cells
HQ_CELLS = 4
LOCATION_CELLS = 2

SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "levels")


class LevelError(Exception):
    pass


def parse(text, name="level"):
    sections = []
    current = None
    for number, raw in enumerate(text.split("\n"), 1):
        line = raw.rstrip()
        if line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = (line[1:-1], [], number)
            sections.append(current)
        elif current is not None:
            current[1].append((number, line))
        elif line.strip():
            raise LevelError(f"{name}:{number}: text before the first section")
    return sections


def pairs(words, where):
    out = {}
    for word in words:
        if "=" not in word:
            raise LevelError(f"{where}: expected key=value, got {word!r}")
        key, value = word.split("=", 1)
        out[key] = value
    return out


class Level:
    def __init__(self, text, name="level"):
        self.name = name
        self.settings = {"day": "60", "happiness": "0", "workers": "3", "limit": "3", "step": "10", "money": "0",
                         "materials": "0", "gold": "0", "forbid": "", "bonus1": "0", "bonus2": "0",
                         "destroybonus": "0", "rating": "on", "clock": "on", "description": "", "setting": "1"}
        self.map = []
        self.legend = {}
        self.lucky = {}
        self.groups = []
        self.events = []
        self.hints = []
        self.group_tutorials = {}
        for section, lines, number in parse(text, name):
            where = f"{name}:{number}"
            if section == "level":
                for n, line in lines:
                    if line.strip():
                        key, _, value = line.partition("=")
                        self.settings[key.strip()] = value.strip()
            elif section == "map":
                self.map = [line for _, line in lines if line.strip()]
            elif section == "legend":
                for n, line in lines:
                    if line.strip():
                        words = shlex.split(line)
                        if len(words) < 3 or words[1] != "=":
                            raise LevelError(f"{name}:{n}: legend lines read: letter = Record key=value ...")
                        self.legend[words[0]] = (words[2], pairs(words[3:], f"{name}:{n}"))
            elif section == "lucky":
                for n, line in lines:
                    for word in line.split():
                        self.lucky[abs(int(word))] = -1 if word.startswith("-") else 1
            elif section == "group":
                body = [(n, line) for n, line in lines if line.strip()]
                if not body:
                    raise LevelError(f"{where}: an objectives group needs its time and score")
                head = body[0][1].split()
                group = {"Time": head[0], "Score": head[1], "Tutorial": head[2] if len(head) > 2 else "",
                         "Objectives": []}
                for n, line in body[1:]:
                    words = shlex.split(line)
                    group["Objectives"].append({"Type": words[0], "Value": words[1], **pairs(words[2:], f"{name}:{n}")})
                self.groups.append(group)
            elif section == "events":
                for n, line in lines:
                    if line.strip():
                        words = shlex.split(line)
                        self.events.append({"Type": words[0], **pairs(words[1:], f"{name}:{n}")})
            elif section == "tutorial":
                self.read_tutorial(lines)
            elif section.startswith("tutorial "):
                self.group_tutorials[section.split(None, 1)[1]] = read_hints(lines, name)
            else:
                raise LevelError(f"{where}: unknown section [{section}]")
        self.lay_out()
        for file in self.group_tutorial_names():
            if file not in self.group_tutorials:
                raise LevelError(f"{name}: a group names the tutorial {file!r}, which no [tutorial {file}] gives")

    def read_tutorial(self, lines):
        self.hints = read_hints(lines, self.name)

    # -- the map -----------------------------------------------------------------------------------

    def cell(self, column, row):
        if 0 <= row < len(self.map) and 0 <= column < len(self.map[row]):
            return self.map[row][column]
        return "."

    def lay_out(self):
        if len(self.map) != ROWS or any(len(line) != COLUMNS for line in self.map):
            raise LevelError(f"{self.name}: the map is {COLUMNS} x {ROWS} characters")
        def road(c, r):
            ch = self.cell(c, r)
            return ch == "#" or (ch.islower() and (self.cell(c - 1, r) == self.cell(c + 1, r) == "#" or
                                                   self.cell(c, r - 1) == self.cell(c, r + 1) == "#"))
        # A place by the road drawn on a road lies on it: the road goes on under it.
        self.roads = [(r, c) for r in range(ROWS) for c in range(COLUMNS) if road(c, r)]
        for r, line in enumerate(self.map):
            for c, ch in enumerate(line):
                size = {"H": HQ_CELLS, "P": PLACE_CELLS, "S": PLACE_CELLS}.get(ch, 0)
                for dr in range(size):
                    for dc in range(size):
                        if (dr or dc) and self.cell(c + dc, r + dr) != ".":
                            raise LevelError(f"{self.name}: the building at map line {r + 1}, column {c + 1} "
                                             "overlaps something")
        # Building places, row by row of the map.
        self.place_rows = []
        self.hq = None
        for r, line in enumerate(self.map):
            row = []
            for c, ch in enumerate(line):
                if ch in "PSH":
                    row.append((c, r, ch))
            if row:
                if len(row) > 6:
                    raise LevelError(f"{self.name}: map line {r + 1} holds more than six places")
                self.place_rows.append(row)
        if not any(ch == "H" for row in self.place_rows for _, _, ch in row):
            raise LevelError(f"{self.name}: the map has no town hall (H)")
        # Places by the road.
        self.locations = []
        for r, line in enumerate(self.map):
            for c, ch in enumerate(line):
                if ch.islower():
                    if ch not in self.legend:
                        raise LevelError(f"{self.name}: map letter {ch!r} is not in the legend")
                    self.locations.append((c, r, ch))
        # Rails: one horizontal run.
        rails = [(r, c) for r in range(ROWS) for c in range(COLUMNS) if self.map[r][c] == "="]
        self.rails = None
        if rails:
            rows = {r for r, _ in rails}
            if len(rows) != 1:
                raise LevelError(f"{self.name}: the rails lie on one map line")
            columns = sorted(c for _, c in rails)
            if columns != list(range(columns[0], columns[-1] + 1)):
                raise LevelError(f"{self.name}: the rails make one unbroken run")
            self.rails = (rows.pop(), columns[0], columns[-1])

    def places(self):
        """(node name, class, template, x, y, size, visible, luckiness) of every child of "Buildings"."""
        out = []
        for row in self.place_rows:
            for i in range(6):
                number = len(out) + 1
                if i < len(row):
                    c, r, ch = row[i]
                    if ch == "H":
                        out.append(("MajorOffice", "GMajorOfficeNode", "MajorOffice1", c, r, HQ_CELLS, True, 0))
                    else:
                        out.append((f"Place{number}", "GBuildingNode", "BuildingPlace", c, r, PLACE_CELLS, True,
                                    self.lucky.get(number, 0)))
                else:
                    # Keeps the next row's places at their numbers.
                    out.append((f"Place{number}", "GBuildingNode", None, 0, 0, PLACE_CELLS, False, 0))
        return out

    def station_places(self):
        """Node names of the places where a station may stand: the railway's states."""
        names = []
        for row in self.place_rows:
            for i in range(6):
                if i < len(row) and row[i][2] == "S":
                    names.append(f"Place{len(names_before(self.place_rows, row)) + i + 1}")
        return names

    # -- files -------------------------------------------------------------------------------------

    def setting(self):
        return int(self.settings["setting"])

    def wgrid(self):
        data = struct.pack("<i", len(self.roads))
        for r, c in self.roads:
            data += struct.pack("<BBBB", 0, r, c, 0)
        return data

    def scene(self, level_atlas, setting_folder, ground):
        root = scenes.Node("SceneNode", "Level", "GGameLevelScene")
        root.uses = [level_atlas]
        root.prop("vector3d", "Bounds", scenes.vec(W, H))
        bg = scenes.Node("SpriteNode", "Bg")
        bg.prop("vector3d", "Position", scenes.vec(0, 0, -10))
        # The ground takes the pointer: a click on it is a click on the town.
        bg.prop("atlasTexture", "AtlasTexture", ground)
        root.add(bg)

        grid = scenes.Node("BaseNode", "WGrid", "GWGridNode")
        grid.prop("vector3d", "Position", scenes.vec(0, 0, -9))
        grid.prop("vector3d", "Bounds", scenes.vec(W, H))
        grid.prop("vector2d", "CellSize", f"{CELL};{CELL}")
        grid.prop("int", "Skew", 0)
        grid.prop("stringw", "PathToRoadElements", f"{setting_folder}/road")
        grid.prop("bool", "ShowGrid", "false")
        root.add(grid)

        railways = scenes.Node("BaseNode", "Railways").prop("vector3d", "Position", scenes.vec(0, 0, -8))
        if self.rails:
            r, first, last = self.rails
            strip = scenes.Node("BaseNode", "Railway1", "GRailRoadNode")
            strip.prop("vector3d", "Position", scenes.vec(first * CELL, r * CELL))
            strip.prop("vector3d", "Bounds", scenes.vec((last - first + 1) * CELL, CELL))
            strip.prop("float", "CellSize", CELL)
            strip.prop("int", "RandomElementsCount", 2)
            strip.prop("stringw", "PathToRoadElements", f"{setting_folder}/rail")
            strip.prop("bool", "ShowGrid", "false")
            for station in self.station_places():
                strip.state(station)
            railways.add(strip)
        root.add(railways)

        buildings = scenes.Node("ControlNode", "Buildings").prop("vector3d", "Position", scenes.vec(0, 0))
        buildings.prop("vector3d", "Bounds", scenes.vec(W, H))
        for name, cls, template, c, r, size, visible, luck in self.places():
            node = scenes.Node("ControlNode", name, cls)
            node.prop("vector3d", "Position", scenes.vec(c * CELL, r * CELL))
            node.prop("vector3d", "Bounds", scenes.vec(size * CELL, size * CELL))
            if template:
                node.prop("string", "TemplateName", template)
            if not visible:
                node.prop("bool", "Visible", "false").prop("bool", "Enabled", "false")
            if luck:
                node.prop("int", "LuckinessType", luck)
            buildings.add(node)
        root.add(buildings)

        locations = scenes.Node("ControlNode", "OnRoadLocations").prop("vector3d", "Position", scenes.vec(0, 0))
        locations.prop("vector3d", "Bounds", scenes.vec(W, H))
        groups = {}
        for index, (c, r, ch) in enumerate(self.locations):
            record, values = self.legend[ch]
            node = scenes.Node("ControlNode", f"Location{index + 1}", "GOnRoadLocationNode")
            # Centred on its cell.
            half = LOCATION_CELLS * CELL // 2 - CELL // 2
            node.prop("vector3d", "Position", scenes.vec(c * CELL - half, r * CELL - half))
            node.prop("vector3d", "Bounds", scenes.vec(LOCATION_CELLS * CELL, LOCATION_CELLS * CELL))
            # It blocks the road on its own cell only: the workers' arrival
            # points, just outside its picture, stay on the road beside it.
            node.add(scenes.Node("BaseNode", "UnwalkableRect").prop("vector3d", "Position", scenes.vec(half + 1, half + 1))
                     .prop("vector3d", "Bounds", scenes.vec(CELL - 2, CELL - 2)).prop("bool", "CanBeHit", "false"))
            node.prop("string", "TemplateName", record)
            for key, value in values.items():
                if key == "group":
                    continue
                kind = "stringw" if key in ("Quest", "BuildQuest", "QuestCharacterText", "FirstTutorialFileName") \
                    else "int"
                node.prop(kind, key, value)
            if "group" in values:
                groups.setdefault(int(values["group"]), []).append(node)
            else:
                locations.add(node)
        for number in sorted(groups):
            holder = scenes.Node("BaseNode", f"Group{number}")
            holder.add(*groups[number])
            locations.add(holder)
        root.add(locations)
        root.add(scenes.Node("BaseNode", "Cargos").prop("vector3d", "Position", scenes.vec(0, 0, 30)))
        root.add(scenes.Node("BaseNode", "Effects").prop("vector3d", "Position", scenes.vec(0, 0, 40)))
        # The level fades in and out with the play screen, as every screen does.
        return scenes.document(root)

    def configuration(self):
        s = self.settings
        v = lambda tag, value: f"\t<{tag} Value={quoteattr(str(value))} />"  # noqa: E731
        on = lambda key: "true" if s[key] == "on" else "false"  # noqa: E731
        lines = ['<?xml version="1.0" encoding="utf-8"?>', "<Level>",
                 v("Description", s["description"]), v("DayLength", s["day"]),
                 v("InitHappiness", s["happiness"]), v("InitWorkersCount", s["workers"]),
                 v("InitWorkersLimit", s["limit"]), v("WorkersIncreaseGuestsStep", s["step"]),
                 v("IncomeBonus1", s["bonus1"]), v("IncomeBonus2", s["bonus2"]),
                 v("AfterDestroyBonus", s["destroybonus"]), v("ForbiddenBuildings", s["forbid"]),
                 v("IsRatingOn", on("rating")), v("IsClockOn", on("clock")),
                 v("IsBuildingLevelOn", "true"), v("IsBuildingPlaceLuckinessOn", "true"),
                 "\t<InitResources>"]
        for resource in ("Money", "Materials", "Gold"):
            if int(s[resource.lower()]):
                lines.append(f'\t\t<{resource} Value="{s[resource.lower()]}" />')
        lines.append("\t</InitResources>")
        lines.append("\t<Objectives>")
        for group in self.groups:
            tutorial = f' Tutorial={quoteattr(group["Tutorial"])}' if group["Tutorial"] else ""
            lines.append(f'\t\t<ObjectivesGroup Time="{group["Time"]}" Score="{group["Score"]}"{tutorial}>')
            for objective in group["Objectives"]:
                attrs = " ".join(f"{k}={quoteattr(val)}" for k, val in objective.items())
                lines.append(f"\t\t\t<Objective {attrs} />")
            lines.append("\t\t</ObjectivesGroup>")
        lines.append("\t</Objectives>")
        lines.append("\t<RandomEvents>")
        for event in self.events:
            attrs = " ".join(f"{k}={quoteattr(val)}" for k, val in event.items())
            lines.append(f"\t\t<Event {attrs} />")
        lines.append("\t</RandomEvents>")
        lines.append("</Level>")
        return "\n".join(lines) + "\n"

    def tutorial(self):
        return tutorial_xml(self.hints)

    def group_tutorial_names(self):
        """The tutorial files the objectives groups name, which the level's
        folder must hold."""
        return [group["Tutorial"] for group in self.groups if group["Tutorial"]]


def read_hints(lines, name):
    """The hints of a [tutorial] section."""
    hints = []
    hint = None
    for n, line in lines:
        words = shlex.split(line) if line.strip() else []
        if not words:
            continue
        if words[0] == "hint":
            hint = {"flags": words[1:], "values": [], "actions": [], "arrows": []}
            hints.append(hint)
        elif hint is None:
            raise LevelError(f"{name}:{n}: tutorial lines come after a 'hint' line")
        elif words[0] == "action":
            action = pairs(words[1:], f"{name}:{n}")
            if "Type" not in action:
                raise LevelError(f"{name}:{n}: an action names its Type")
            hint["actions"].append(action)
        elif words[0] == "arrow":
            hint["arrows"].append((words[1], words[2] if len(words) > 2 else "0"))
        else:
            key, _, value = line.partition("=")
            hint["values"].append((key.strip(), value.strip()))
    return hints


def tutorial_xml(hints):
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<Tutorial>"]
    names = {"text": "Text", "position": "Position", "align": "GertrudaAlign", "state": "GertrudaState",
             "textposition": "TextPosition", "bg": "TextBgType"}
    for hint in hints:
        flags = "".join(f' {flag}="true"' for flag in hint["flags"])
        lines.append(f"\t<Hint{flags}>")
        for key, value in hint["values"]:
            lines.append(f"\t\t<{names.get(key, key)} Value={quoteattr(value)} />")
        if hint["arrows"]:
            lines.append("\t\t<Arrows>")
            lines += [f'\t\t\t<Arrow Position="{p}" Rotation="{rot}" />' for p, rot in hint["arrows"]]
            lines.append("\t\t</Arrows>")
        lines.append("\t\t<Actions>")
        for action in hint["actions"]:
            attrs = " ".join(f"{k}={quoteattr(val)}" for k, val in action.items())
            lines.append(f"\t\t\t<Action {attrs} />")
        lines.append("\t\t</Actions>")
        lines.append("\t</Hint>")
    lines.append("</Tutorial>")
    return "\n".join(lines) + "\n"


def names_before(place_rows, row):
    """The place slots of the rows above `row`."""
    return [None] * (6 * place_rows.index(row))


def write_level(level, folder, up="../../"):
    """Writes the level's folder ("levelN"); `up` leads from it to the assets
    folder. The scene uses the level's own atlas, atlases/LevelN.xml."""
    setting = level.setting()
    number = int(os.path.basename(os.path.normpath(folder))[len("level"):])
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "Level.mscn"), "w", encoding="utf-8", newline="\n") as f:
        f.write(level.scene(f"{up}atlases/Level{number}.xml", f"{up}img/setting{setting}",
                            f"{up}img/levels/Ground{setting}.png"))
    with open(os.path.join(folder, "wgrid.bin"), "wb") as f:
        f.write(level.wgrid())
    with open(os.path.join(folder, "LevelConfiguration.xml"), "w", encoding="utf-8", newline="\n") as f:
        f.write(level.configuration())
    with open(os.path.join(folder, "Tutorial.xml"), "w", encoding="utf-8", newline="\n") as f:
        f.write(level.tutorial())
    for file, hints in level.group_tutorials.items():
        with open(os.path.join(folder, file), "w", encoding="utf-8", newline="\n") as f:
            f.write(tutorial_xml(hints))


# The tutorials of the screens between the levels, by their file under
# scenes/: sources tools/assets/levels/<name>.txt holding one [tutorial].
SCREEN_TUTORIALS = ["MapTutorial1", "HQTutorial1", "HQTutorial2", "HQTutorial3"]


def screen_tutorials():
    """Path under assets/ -> tutorial file of the map and town-hall screens."""
    out = {}
    for name in SCREEN_TUTORIALS:
        with open(os.path.join(SOURCES, name + ".txt"), encoding="utf-8") as f:
            sections = parse(f.read(), name + ".txt")
        hints = [hint for section, lines, _ in sections if section == "tutorial" for hint in read_hints(lines, name)]
        out[f"scenes/{name}.xml"] = tutorial_xml(hints)
    return out


def sources():
    """Level number -> Level, for every source file levelN.txt."""
    out = {}
    for name in sorted(os.listdir(SOURCES)):
        if name.startswith("level") and name.endswith(".txt"):
            with open(os.path.join(SOURCES, name), encoding="utf-8") as f:
                out[int(name[5:-4])] = Level(f.read(), name)
    return out
