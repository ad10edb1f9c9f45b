#!/usr/bin/env python3
"""Writes first drafts of the level sources 4 to 48 (tools/assets/levels/
levelN.txt) from the journey's difficulty curve; levels 1 to 3 are written by
hand. Run it again only to start the drafts over: the sources it writes are
the levels, and are tuned by hand afterwards (see levels/README).

    tools/assets/levelgen.py [--from N]

The curve:
- the seasons: levels 1-12 spring (setting 1), 13-24 summer (2), 25-36
  autumn (3), 37-48 winter (4);
- buildings come one kind at a time (KINDS): each is forbidden before its
  level, and its level's first objectives group asks for it, with a tip;
- then breakdowns (from level 5) and dirt (from 7), letters (from 9), the
  railway's trains and trade (in most levels from 13, with objectives of
  money and gold), quests (wagons that want goods, from 25) and the
  weather of the season (from 13);
- objectives groups grow from two to four, the towns from one street to
  three, and the clocks tighten (TIGHTNESS) from the first season to the
  last.
The times come from an estimate of the work (`group_time`); the automatic
player measures how long each level really takes.
"""

import argparse
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCES = os.path.join(HERE, "levels")
COLUMNS, ROWS = 32, 24

# Building record -> (money, materials, gold, income, build seconds).
COSTS = {
    "Apartment1": (15000, 10, 0, 2500, 8), "Apartment2": (30000, 20, 0, 5500, 12),
    "Apartment3": (55000, 35, 0, 10000, 16), "Apartment4": (90000, 50, 3, 17000, 20),
    "Shop1": (25000, 15, 0, 1500, 10), "Shop2": (45000, 25, 0, 3000, 14),
    "Saloon1": (35000, 20, 0, 2000, 12), "WaterTower1": (20000, 20, 0, 0, 10),
    "Doctor1": (30000, 20, 0, 500, 12), "LumberMill1": (20000, 0, 0, 0, 10),
    "LumberMill2": (35000, 20, 0, 0, 12), "GoldenMine1": (40000, 30, 0, 0, 14),
    "RailRoadStation1": (30000, 25, 0, 0, 15), "Bandstand1": (60000, 40, 4, 0, 18),
}

# The level where each kind first comes (levels 1-3 bring houses, the shop,
# the lumber mill, the railway station, the gold mine and the bandstand).
KINDS = {"WaterTower1": 4, "Saloon1": 6, "Doctor1": 8, "Shop2": 10, "Apartment4": 11, "LumberMill2": 14}
ALWAYS_LATER = ["Saloon1", "Doctor1", "WaterTower1", "Shop2", "Apartment4", "LumberMill2"]

HOUSES = ["Apartment1", "Apartment2", "Apartment3", "Apartment4"]
INCOME = {1: 2500, 2: 5500, 3: 10000, 4: 17000}   # a house's rent by its level
GUESTS = {1: 10, 2: 20, 3: 35, 4: 55}
FAMILIES = {"Shop1": "Shop1;Shop2", "LumberMill1": "LumberMill1;LumberMill2", "Shop2": "Shop2",
            "LumberMill2": "LumberMill2"}
# Season -> how much of the estimated work's time a group gets.
TIGHTNESS = {1: 1.5, 2: 1.3, 3: 1.15, 4: 1.0}


def setting_of(n):
    return (n - 1) // 12 + 1


def forbidden(n):
    return [kind for kind in ALWAYS_LATER if KINDS[kind] > n]


def allowed(n, kind):
    return KINDS.get(kind, 1) <= n


def has_rails(n):
    return n in (9, 12) or (n >= 13 and n % 4 != 2)


# ---------------------------------------------------------------------------
# Objectives

def houses(count, level=1):
    kinds = ";".join(HOUSES[level - 1:])
    key = f"Obj_Houses{count}" if level == 1 else f"Obj_Houses{count}Level{level}"
    return ("HaveTypedBuildingsCount", count, {"BuildingTypes": kinds, "InfoStr": f"%{key}%"})


def have(kind, count=1):
    return ("HaveTypedBuildingsCount", count,
            {"BuildingTypes": FAMILIES.get(kind, kind), "InfoStr": f"%Obj_Build_{kind}_{count}%"})


def amount(kind, value):
    return (kind, value, {"InfoStr": f"%Obj_{kind}{value}%"})


def round_to(value, step):
    return max(step, int(round(value / step)) * step)


def work_of(objectives):
    """Estimated build actions and their cost for a group's objectives."""
    actions, money, materials, gold = 0, 0, 0, 0
    for type_, value, values in objectives:
        if type_ != "HaveTypedBuildingsCount":
            actions += 2
            continue
        first = values["BuildingTypes"].split(";")[0]
        chain = HOUSES[:HOUSES.index(first) + 1] if first in HOUSES else [first]
        for kind in chain:
            m, mat, g, _, _ = COSTS[kind]
            actions += value
            money, materials, gold = money + m * value, materials + mat * value, gold + g * value
    return actions, money, materials, gold


def group_time(objectives, n):
    actions = work_of(objectives)[0]
    seconds = (60 + 30 * actions) * TIGHTNESS[setting_of(n)]
    return round_to(seconds, 30)


def plan(n):
    """The objectives groups of level n: lists of (type, value, values)."""
    s, k = setting_of(n), (n - 1) % 12
    top = min(4 if allowed(n, "Apartment4") else 3, 2 + n // 10)  # the best house asked for
    new = [kind for kind, level in KINDS.items() if level == n]
    groups = []
    # First group: the newcomer, or a street of houses.
    first_count = 2 + min(3, n // 8)
    first = [houses(first_count)]
    if new:
        first.append(have(new[0]))
    elif n % 3 == 0:
        first.append(have("Shop1"))
    else:
        first.append(houses(1 + n // 16, min(3, top)))
    groups.append(first)
    # Second group: better houses and what they earn.
    level = min(top, 2 + n // 16)
    count = {2: min(5, 3 + n // 8), 3: 2 + n // 20, 4: 2}[level]
    plain = max(0, first_count - count)
    income = round_to(0.8 * (count * INCOME[level] + plain * INCOME[1] + 1500), 1000)
    second = [houses(count, level), amount("Income", income)]
    if allowed(n, "Doctor1") and n % 4 == 0:
        second.append(have("Doctor1"))
    groups.append(second)
    # Third group: a town people like to live in.
    if n >= 11:
        guests = count * GUESTS[level] + plain * GUESTS[1]
        third = [amount("GuestsCount", round_to(0.9 * guests + 20, 10))]
        if allowed(n, "Saloon1") and n % 2 == 1:
            third.append(have("Saloon1"))
        elif n % 5 == 0:
            third.append(have("Bandstand1"))
            third.append(amount("Happiness", round_to(25 + n // 2, 5)))
        else:
            third.append(have("WaterTower1"))
        groups.append(third)
    # Fourth group: trade and savings.
    if n >= 37 or (n >= 21 and n % 3 == 0):
        fourth = [amount("Money", round_to(60000 + 4000 * n, 10000))]
        if has_rails(n):
            fourth.append(amount("Gold", 3 + n // 12))
        else:
            fourth.append(houses(2, top))
        groups.append(fourth)
    # The railway: from summer on a station is part of the first work.
    if has_rails(n) and s >= 2 and k % 3 == 0:
        groups[0].append(have("RailRoadStation1"))
    return groups


# ---------------------------------------------------------------------------
# The map

def place_rows(n):
    """(map line, first column, number of places, station slots) of each row."""
    streets = 1 if n <= 5 else 2 if n <= 20 else 3
    extra = min(6, 3 + n // 6)
    rows = [(3, 2, min(6, 3 + n // 8), has_rails(n)), (7, 8, min(4, 2 + n // 5), False)]
    if streets >= 2:
        rows.append((12, 3, min(6, extra), False))
    if streets >= 3:
        rows.append((17, 3, min(6, extra - 1), False))
    return streets, rows


def build_map(n, rng):
    grid = [["."] * COLUMNS for _ in range(ROWS)]
    streets, rows = place_rows(n)
    street_rows = [6, 11, 16][:streets]
    last = street_rows[-1]
    if has_rails(n):
        for c in range(COLUMNS):
            grid[1][c] = "="
    for r in street_rows:
        for c in range(1, 31):
            grid[r][c] = "#"
    for r in range(6, min(ROWS, last + 1 + rng.choice((3, 5, 7)))):
        grid[r][1] = "#"
    grid[7][2] = "H"
    stations = 0
    for line, first, count, with_station in rows:
        columns = [first + 5 * i for i in range(6) if first + 5 * i + 3 <= COLUMNS][:count]
        for i, c in enumerate(columns):
            kind = "P"
            if with_station and i in (1, len(columns) - 1) and stations < 2:
                kind, stations = "S", stations + 1
            grid[line][c] = kind
    return grid, street_rows


def end_spots(grid, street_rows):
    """The ends of the streets and of the side road: what appears there
    later cuts nobody off."""
    spots = [(r, 30) for r in reversed(street_rows)]
    bottom = max(r for r in range(ROWS) if grid[r][1] == "#")
    return spots + [(bottom, 1)]


def road_spots(grid, street_rows, rng):
    """Road cells with road on both sides, away from the town hall."""
    spots = []
    for r in street_rows:
        for c in range(9, COLUMNS - 2):
            if grid[r][c - 1] == grid[r][c] == grid[r][c + 1] == "#":
                spots.append((r, c))
    for r in range(12, ROWS - 1):
        if grid[r - 1][1] == grid[r][1] == grid[r + 1][1] == "#" and grid[r][2] == ".":
            spots.append((r, 1))
    rng.shuffle(spots)
    return spots


def place_numbers(grid):
    """The numbers of the building places (not the town hall), counted as
    the level's scene counts them: six slots to a map line of places."""
    numbers, slot = [], 0
    for row in grid:
        found = [ch for ch in row if ch in "PSH"]
        for i, ch in enumerate(found):
            if ch != "H":
                numbers.append(slot + i + 1)
        if found:
            slot += 6
    return numbers


def legend_for(n, groups):
    """(letter, record and values) of the places by the road."""
    items = [("t", "FallenTree1 Materials=" + str(8 + n // 4))]
    if n >= 4:
        items.append(("b", "Boulder1"))
    if n >= 7:
        items.append(("w", f"WoodPile1 Materials={10 + n // 3} group=2"))
    if n >= 13 and len(groups) >= 3:
        items.append(("g", f"GoldPile1 Gold={1 + n // 16} group=3"))
    if n >= 18:
        items.append(("c", f"Wagon1 Workers={2 + n // 20} group=2"))
    if n >= 25:
        want = "Gold;Gold" if n < 37 else "Gold;Gold;Materials"
        items.append(("q", f"Wagon1 BuildQuest={want} Money={15000 + 500 * n} Workers=2 "
                           f"QuestCharacterText=%Quest_Wagon% group={min(len(groups), 3)}"))
    return items


# ---------------------------------------------------------------------------
# Events and tutorial

def events(n):
    s = setting_of(n)
    out = []
    kinds = "Apartment1;Apartment2;Apartment3" + (";Shop1" if n >= 6 else "")
    pace = max(0.6, 1.0 - 0.012 * n)  # later levels ask more often

    def span(a, b):
        return f"{int(a * pace) * 1000},{int(b * pace) * 1000}"

    if n >= 5:
        out.append(f"RegularBrokenBuildingRequest FirstTimeRange={span(150, 190)} PeriodRange={span(130, 170)} "
                   f"BuildingTypes={kinds}")
    if n >= 7:
        out.append(f"RegularDirtyBuildingRequest FirstTimeRange={span(100, 130)} PeriodRange={span(110, 150)} "
                   "BuildingTypes=Apartment1;Apartment2;Apartment3")
    if n >= 9:
        out.append(f"RegularLetterRequest FirstTimeRange={span(70, 90)} PeriodRange={span(70, 100)} "
                   "MoneyRange=0.5,1.5 WaitTimeRange=20000,25000")
    if n >= 13:
        out.append(f"RegularWeatherEffectRequest FirstTimeRange={span(120, 160)} PeriodRange={span(180, 240)} "
                   f"DurationTimeRange={20 + 5 * s}000,{30 + 5 * s}000")
    if n >= 16 and n % 2 == 0:
        out.append("OneTimeResourcesRequest TimeRange=60000,90000 Template=WoodPile1 MaterialsRange=5,10 "
                   "WaitTimeRange=30000,40000")
    if n < 5:
        out.append("OneTimeBrokenBuildingRequest TimeRange=200000,240000 BuildingTypes=Apartment1;Apartment2")
    return out


TIPS = {4: ["Tip_WaterTower"], 5: ["Tip_Repair"], 6: ["Tip_Saloon"], 7: ["Tip_Dirt"], 8: ["Tip_Doctor"],
        9: ["Tip_Letters"], 10: ["Tip_Shop2"], 11: ["Tip_Apartment4"], 13: ["Tip_Trade", "Tip_Weather"],
        14: ["Tip_Mill2"], 18: ["Tip_Coach"], 25: ["Tip_Quest"], 37: ["Tip_Winter"]}


def tutorial(n):
    keys = TIPS.get(n, [])
    if not keys:
        keys = [f"Tip_Season{setting_of(n)}"]
    lines = []
    for key in keys:
        lines += ["hint Tip Gertruda", f"text = %{key}%", "position = 620;520", "action Type=Timed Time=9000",
                  "action Type=MouseClick", ""]
    return lines


# ---------------------------------------------------------------------------

def source(n):
    rng = random.Random(5200 + n)
    s = setting_of(n)
    groups = plan(n)
    grid, street_rows = build_map(n, rng)
    legend = legend_for(n, groups)
    spots = road_spots(grid, street_rows, rng)
    used = []
    ends = end_spots(grid, street_rows)
    for letter, record in legend:
        # Obstacles of the start block a street; what comes with a later
        # group lies at a road's end.
        for r, c in (ends if "group=" in record else spots):
            if grid[r][c] == "#" and all(abs(r - ur) + abs(c - uc) > 2 for ur, uc in used):
                grid[r][c] = letter
                used.append((r, c))
                break
    # Money for most of the first group; the rest is earned.
    _, money, materials, gold = work_of(groups[0])
    start_money = round_to(money * 0.8 + 20000, 5000)
    start_materials = round_to(materials * 0.7 + 10, 5)
    lines = [f"; Level {n}: drafted by levelgen.py from the journey's curve.", "[level]", f"number = {n}",
             f"setting = {s}", f"description = %Level{n}_Desc%", "day = 60",
             f"workers = {3 + min(3, n // 10)}", f"limit = {4 + min(4, n // 8)}", f"step = {10 + n // 6}",
             f"money = {start_money}", f"materials = {start_materials}"]
    if gold or n >= 20:
        lines.append(f"gold = {max(gold, 1 + n // 20)}")
    if forbidden(n):
        lines.append("forbid = " + ";".join(forbidden(n)))
    lines += [f"bonus1 = {10 + n // 8}", f"bonus2 = -{10 + n // 6}", "destroybonus = 30", "", "[map]"]
    lines += ["".join(row) for row in grid]
    lines += ["", "[legend]"] + [f"{letter} = {record}" for letter, record in legend if
                                 any(letter in row for row in grid)]
    places = place_numbers(grid)
    lucky = [str(places[rng.randrange(0, len(places) // 2)]), "-" + str(places[rng.randrange(len(places) // 2, len(places))])]
    lines += ["", "[lucky]", " ".join(str(v) for v in lucky)]
    for index, group in enumerate(groups):
        lines += ["", "[group]", f"{group_time(group, n)} {index + 1}"]
        for type_, value, values in group:
            lines.append(f"{type_} {value} " + " ".join(f"{k}={v}" for k, v in values.items()))
    lines += ["", "[events]"] + events(n) + ["", "[tutorial]"] + tutorial(n)
    return "\n".join(lines).rstrip() + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--from", dest="first", type=int, default=4)
    args = parser.parse_args()
    for n in range(args.first, 49):
        with open(os.path.join(SOURCES, f"level{n}.txt"), "w", encoding="utf-8", newline="\n") as f:
            f.write(source(n))


if __name__ == "__main__":
    main()
