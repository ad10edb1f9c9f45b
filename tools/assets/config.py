"""The shared configuration of the town: the kinds of building and their
levels, the workers, the trains, the railway station's offers, the upgrades,
the build tabs and the comics, as the game reads them from
assets/levels/common and assets/scenes.

Money is counted in whole dollars and the day is a minute: an apartment of
the first level pays back its cost in about six days, a shop pays for itself
through the bonus it gives the houses around it, and the lumber mill and the
gold mine turn money and workers into what the better houses need. A level
of ten minutes then leaves room for two or three rounds of upgrades when the
player keeps every worker busy.
"""

from xml.sax.saxutils import quoteattr

# Building places lie in rows of six; a serve area names the places it serves
# as (column, row) offsets from its own place.
ROW = [(-1, 0), (1, 0)]
ROW2 = ROW + [(-2, 0), (2, 0)]
CROSS = ROW + [(0, -1), (0, 1)]
WIDE = ROW2 + [(0, -1), (0, 1), (-1, -1), (1, -1), (-1, 1), (1, 1)]
WIDEST = WIDE + [(-3, 0), (3, 0), (-2, -1), (2, -1), (-2, 1), (2, 1)]

STAND4 = "Stand;Stand;Stand;Stand"
WORK4 = "WorkLeft;WorkRight;WorkUp;WorkDown"


def action(time, workers, **resources):
    return {"Time": time, "Workers": workers, **resources}


def serve(name, colour, area, **values):
    return {"Name": name, "Color": colour, "Area": area, **values}


# Every building record, in the order of the file. Keys are the element names;
# a few structured keys (Build, Repair, Destroy, ServeArea, ProduceItems,
# RandomResource, ActiveFeature, Upgrades) are written by the functions below.
BUILDINGS = [
    {"Type": "BuildingPlace", "Name": "BuildingPlace", "Level": 0, "DisplayName": "Building_Place",
     "Description": "%Building_Place_Desc%", "CanBeDestroyed": "false",
     "Build": action(100, 1), "WorkerWorkStates": STAND4},
    {"Type": "MajorOffice", "Name": "MajorOffice1", "Level": 1, "DisplayName": "Building_MajorOffice",
     "Description": "%Building_MajorOffice_Desc%", "ButtonTemplate": "Game_MajorOfficeButton",
     "SelectedSoundCueName": "SelectMajorOffice", "ServeName": "Office", "CanBeDestroyed": "false",
     "Build": action(100, 1), "Happiness": 2, "WorkerWorkStates": STAND4,
     # The town hall's post desk: letters with money reach the houses of a
     # level whose events send them.
     "LevelModifiers": [("CanReceiveMoneyLetters", "1")]},

    # Apartments grow from a cottage to a town house; the two upper levels need
    # a shop, and the last also a doctor, within reach.
    {"Type": "Apartment", "Name": "Apartment1", "Level": 1, "Upgrades": ["Apartment2"],
     "DisplayName": "Building_Apartment1", "Description": "%Building_Apartment1_Desc%",
     "ButtonTemplate": "Game_Apartment1Button", "BuiltSoundCueName": "BuiltHouse",
     "SelectedSoundCueName": "SelectHouse", "ServeName": "Apartment",
     "Build": action(8000, 1, Money=15000, Materials=10), "Repair": action(4000, 1, Money=2000),
     "Destroy": action(4000, 1), "Income": 2500, "GuestsCount": 10, "Happiness": 1, "WorkerWorkStates": WORK4},
    {"Type": "Apartment", "Name": "Apartment2", "Level": 2, "Upgrades": ["Apartment3"],
     "DisplayName": "Building_Apartment2", "Description": "%Building_Apartment2_Desc%",
     "ButtonTemplate": "Game_Apartment2Button", "BuiltSoundCueName": "BuiltHouse",
     "SelectedSoundCueName": "SelectHouse", "ServeName": "Apartment",
     "Build": action(12000, 2, Money=30000, Materials=20), "Repair": action(5000, 1, Money=4000),
     "Destroy": action(5000, 1), "Income": 5500, "GuestsCount": 20, "Happiness": 2, "WorkerWorkStates": WORK4},
    {"Type": "Apartment", "Name": "Apartment3", "Level": 3, "Upgrades": ["Apartment4"],
     "DisplayName": "Building_Apartment3", "Description": "%Building_Apartment3_Desc%",
     "ButtonTemplate": "Game_Apartment3Button", "BuiltSoundCueName": "BuiltHouse",
     "SelectedSoundCueName": "SelectHouse", "ServeName": "Apartment", "RequiredServeAreas": "Shop",
     "Build": action(16000, 2, Money=55000, Materials=35), "Repair": action(6000, 1, Money=7000),
     "Destroy": action(6000, 2), "Income": 10000, "GuestsCount": 35, "Happiness": 3, "WorkerWorkStates": WORK4},
    {"Type": "Apartment", "Name": "Apartment4", "Level": 4, "AllowedFromLevel": 2,
     "DisplayName": "Building_Apartment4", "Description": "%Building_Apartment4_Desc%",
     "ButtonTemplate": "Game_Apartment4Button", "BuiltSoundCueName": "BuiltHouse",
     "SelectedSoundCueName": "SelectHouse", "ServeName": "Apartment", "RequiredServeAreas": "Shop;Care",
     "Build": action(20000, 3, Money=90000, Materials=50, Gold=3), "Repair": action(8000, 2, Money=12000),
     "Destroy": action(8000, 2), "Income": 17000, "GuestsCount": 55, "Happiness": 5, "WorkerWorkStates": WORK4},

    # Commercial buildings raise the income of the houses around them and earn
    # from the guests they serve.
    {"Type": "Commercial", "Name": "Shop1", "Level": 1, "Upgrades": ["Shop2"],
     "DisplayName": "Building_Shop1", "Description": "%Building_Shop1_Desc%",
     "ButtonTemplate": "Game_Shop1Button", "BuiltSoundCueName": "BuiltShop", "SelectedSoundCueName": "SelectShop",
     "ServeName": "Shop", "Build": action(10000, 2, Money=25000, Materials=15), "Repair": action(5000, 1, Money=3000),
     "Destroy": action(5000, 1), "Income": 1500, "Happiness": 1, "WorkerWorkStates": WORK4,
     "ServeArea": [serve("Shop", "Green", ROW2, ServeIncome=40, IncomeBonus=20, BrokenIncomeBonus=5)]},
    {"Type": "Commercial", "Name": "Shop2", "Level": 2, "AllowedFromLevel": 2,
     "DisplayName": "Building_Shop2", "Description": "%Building_Shop2_Desc%",
     "ButtonTemplate": "Game_Shop2Button", "BuiltSoundCueName": "BuiltShop", "SelectedSoundCueName": "SelectShop",
     "ServeName": "Shop", "Build": action(14000, 2, Money=45000, Materials=25), "Repair": action(6000, 1, Money=5000),
     "Destroy": action(6000, 2), "Income": 3000, "Happiness": 2, "WorkerWorkStates": WORK4,
     "ServeArea": [serve("Shop", "Green", WIDE, ServeIncome=60, IncomeBonus=30, BrokenIncomeBonus=10)]},
    {"Type": "Commercial", "Name": "Saloon1", "Level": 1, "AllowedFromLevel": 2,
     "DisplayName": "Building_Saloon1", "Description": "%Building_Saloon1_Desc%",
     "ButtonTemplate": "Game_Saloon1Button", "BuiltSoundCueName": "BuiltShop", "SelectedSoundCueName": "SelectSaloon",
     "ServeName": "Leisure", "Build": action(12000, 2, Money=35000, Materials=20), "Repair": action(5000, 1, Money=4000),
     "Destroy": action(5000, 1), "Income": 2000, "Happiness": 4, "WorkerWorkStates": WORK4,
     "ServeArea": [serve("Leisure", "Red", CROSS, ServeIncome=50, GuestsAddBonus=5, BrokenGuestsAddBonus=1,
                         HappinessBonus=3, BrokenHappinessBonus=1)],
     "ActiveFeature": [{"Type": "IncomePercent", "FeatureName": "Dance", "DurationTime": 20000, "RechargeTime": 60000,
                        "Workers": 1, "RequiredResources": {"Money": 5000},
                        "ProducedResources": {"IncomePercent": "0.2,0.4"}, "UseServeAreaFromParentBuilding": "true"}]},

    # Services: water lets houses hold more people, the doctor keeps them happy
    # and is the licence the best houses need.
    {"Type": "Service", "Name": "WaterTower1", "Level": 1, "DisplayName": "Building_WaterTower1",
     "Description": "%Building_WaterTower1_Desc%", "ButtonTemplate": "Game_WaterTower1Button",
     "BuiltSoundCueName": "BuiltService", "SelectedSoundCueName": "SelectWater", "ServeName": "Water",
     "ProvidedService": 4, "Build": action(10000, 2, Money=20000, Materials=20), "Repair": action(5000, 1, Money=3000),
     "Destroy": action(5000, 1), "WorkerWorkStates": WORK4,
     "ServeArea": [serve("Water", "Blue", WIDE, GuestsAddBonus=8, BrokenGuestsAddBonus=2, IncomeBonus=5)]},
    {"Type": "Service", "Name": "Doctor1", "Level": 1, "DisplayName": "Building_Doctor1",
     "Description": "%Building_Doctor1_Desc%", "ButtonTemplate": "Game_Doctor1Button",
     "BuiltSoundCueName": "BuiltService", "SelectedSoundCueName": "SelectDoctor", "ServeName": "Care",
     "ProvidedService": 5, "Build": action(12000, 2, Money=30000, Materials=20), "Repair": action(5000, 1, Money=4000),
     "Destroy": action(5000, 1), "Income": 500, "WorkerWorkStates": WORK4,
     "ServeArea": [serve("Care", "Red", WIDE, ServeIncome=20, HappinessBonus=4, BrokenHappinessBonus=1)]},

    # Production: the lumber mill saws materials, the gold mine digs gold; both
    # now and then leave a pile beside them.
    {"Type": "Produce", "Name": "LumberMill1", "Level": 1, "Upgrades": ["LumberMill2"],
     "DisplayName": "Building_LumberMill1", "Description": "%Building_LumberMill1_Desc%",
     "ButtonTemplate": "Game_LumberMill1Button", "BuiltSoundCueName": "BuiltService",
     "SelectedSoundCueName": "SelectMill", "ServeName": "Mill",
     "Build": action(10000, 2, Money=20000), "Repair": action(5000, 1, Money=3000), "Destroy": action(5000, 1),
     "WorkerWorkStates": "SawLeft;SawRight;SawUp;SawDown",
     "RandomResource": {"TimeRange": "45000,75000", "Template": "WoodPile1", "MaterialsRange": "3,6"},
     "ProduceItems": [(1, 8000, {"Money": 4000}, {"Materials": 10}), (2, 11000, {"Money": 7000}, {"Materials": 20}),
                      (3, 14000, {"Money": 9000}, {"Materials": 30})]},
    {"Type": "Produce", "Name": "LumberMill2", "Level": 2, "AllowedFromLevel": 2,
     "DisplayName": "Building_LumberMill2", "Description": "%Building_LumberMill2_Desc%",
     "ButtonTemplate": "Game_LumberMill2Button", "BuiltSoundCueName": "BuiltService",
     "SelectedSoundCueName": "SelectMill", "ServeName": "Mill",
     "Build": action(12000, 2, Money=35000, Materials=20), "Repair": action(5000, 1, Money=4000),
     "Destroy": action(5000, 1), "WorkerWorkStates": "SawLeft;SawRight;SawUp;SawDown",
     "RandomResource": {"TimeRange": "35000,60000", "Template": "WoodPile1", "MaterialsRange": "5,9"},
     "ProduceItems": [(1, 6000, {"Money": 3500}, {"Materials": 12}), (2, 9000, {"Money": 6000}, {"Materials": 25}),
                      (3, 12000, {"Money": 8000}, {"Materials": 40})]},
    {"Type": "Produce", "Name": "GoldenMine1", "Level": 1, "AllowedFromLevel": 2,
     "DisplayName": "Building_GoldenMine1", "Description": "%Building_GoldenMine1_Desc%",
     "ButtonTemplate": "Game_GoldenMine1Button", "BuiltSoundCueName": "BuiltService",
     "SelectedSoundCueName": "SelectMine", "ServeName": "Mine",
     "Build": action(14000, 3, Money=40000, Materials=30), "Repair": action(6000, 1, Money=5000),
     "Destroy": action(6000, 2), "WorkerWorkStates": "DigLeft;DigRight;DigUp;DigDown",
     "RandomResource": {"TimeRange": "60000,90000", "Template": "GoldPile1", "GoldRange": "1,2"},
     "ProduceItems": [(1, 10000, {"Money": 12000}, {"Gold": 1}), (2, 14000, {"Money": 22000}, {"Gold": 2}),
                      (3, 18000, {"Money": 30000}, {"Gold": 3})]},

    # The railway station: trains bring materials and gold to buy and take
    # them away for money.
    {"Type": "Service", "Name": "RailRoadStation1", "Level": 1, "DisplayName": "Building_RailRoadStation1",
     "Description": "%Building_RailRoadStation1_Desc%", "ButtonTemplate": "Game_RailRoadStation1Button",
     "BuiltSoundCueName": "BuiltStation", "SelectedSoundCueName": "SelectStation", "ServeName": "Station",
     "Build": action(15000, 3, Money=30000, Materials=25), "Repair": action(6000, 1, Money=5000),
     "Destroy": action(6000, 2), "TrainArrivalTimeRange": "40000,70000", "Happiness": 1,
     "WorkerWorkStates": WORK4},

    # The bandstand stands once in a town and lifts the income of every house
    # around it while a concert plays.
    {"Type": "Uniq", "Name": "Bandstand1", "Level": 1, "AllowedFromLevel": 3,
     "DisplayName": "Building_Bandstand1", "Description": "%Building_Bandstand1_Desc%",
     "ButtonTemplate": "Game_Bandstand1Button", "BuiltSoundCueName": "BuiltStation",
     "SelectedSoundCueName": "SelectBandstand", "ServeName": "Music",
     "Build": action(18000, 3, Money=60000, Materials=40, Gold=4), "Repair": action(6000, 1, Money=6000),
     "Destroy": action(6000, 2), "CanBeDestroyed": "false", "Happiness": 8, "WorkerWorkStates": WORK4,
     "ServeArea": [serve("Music", "Blue", WIDEST, IncomeBonus=15, BrokenIncomeBonus=5, HappinessBonus=5)],
     "ActiveFeature": [{"Type": "IncomePercent", "FeatureName": "Concert", "DurationTime": 30000,
                        "RechargeTime": 90000, "Workers": 2, "RequiredResources": {"Money": 10000},
                        "ProducedResources": {"IncomePercent": "0.3,0.5"},
                        "UseServeAreaFromParentBuilding": "true"}]},

    # Places by the road: what workers clear, and the piles they carry home.
    {"Type": "OnRoad", "Name": "Boulder1", "Level": 0, "DisplayName": "OnRoad_Boulder",
     "Description": "%OnRoad_Boulder_Desc%", "SelectedSoundCueName": "SelectRock",
     "Build": action(6000, 2, Money=2000), "WorkerWorkStates": WORK4},
    {"Type": "OnRoad", "Name": "FallenTree1", "Level": 0, "DisplayName": "OnRoad_FallenTree",
     "Description": "%OnRoad_FallenTree_Desc%", "SelectedSoundCueName": "SelectTree",
     "Build": action(5000, 1), "WorkerWorkStates": "SawLeft;SawRight;SawUp;SawDown"},
    {"Type": "OnRoad", "Name": "WoodPile1", "Level": 0, "DisplayName": "OnRoad_WoodPile",
     "Description": "%OnRoad_WoodPile_Desc%", "SelectedSoundCueName": "SelectPile",
     "Build": action(2000, 1), "WorkerWorkStates": STAND4},
    {"Type": "OnRoad", "Name": "GoldPile1", "Level": 0, "DisplayName": "OnRoad_GoldPile",
     "Description": "%OnRoad_GoldPile_Desc%", "SelectedSoundCueName": "SelectPile",
     "Build": action(2500, 1), "WorkerWorkStates": STAND4},
    {"Type": "OnRoad", "Name": "OnRoadMaterials", "Level": 0, "DisplayName": "OnRoad_Materials",
     "Description": "%OnRoad_Materials_Desc%", "SelectedSoundCueName": "SelectPile",
     "Build": action(2000, 1), "WorkerWorkStates": STAND4},
    {"Type": "OnRoad", "Name": "Wagon1", "Level": 0, "DisplayName": "OnRoad_Wagon",
     "Description": "%OnRoad_Wagon_Desc%", "SelectedSoundCueName": "SelectWagon",
     "Build": action(4000, 1, Materials=10), "WorkerWorkStates": STAND4},
]

UNIQ_UPGRADES = [
    {"Name": "Porch", "Type": "Up1", "AllowedFromLevel": 2, "UniqUpIncomeBonus": 15,
     "BuildingTypes": "Apartment2;Apartment3;Apartment4", "Build": action(6000, 1, Money=8000, Materials=5)},
    {"Name": "Garden", "Type": "Up2", "AllowedFromLevel": 3, "UniqUpGuestsBonus": 6,
     "BuildingTypes": "Apartment3;Apartment4", "Build": action(6000, 1, Money=10000, Gold=1)},
    {"Name": "Awning", "Type": "Up1", "AllowedFromLevel": 3, "UniqUpIncomeBonus": 20,
     "BuildingTypes": "Shop1;Shop2;Saloon1", "Build": action(5000, 1, Money=9000, Materials=5)},
]

WORKERS = [("Worker1", 150, 110, 190), ("Dilizhans1", 240, 180, 300), ("Gertruda1", 170, 120, 210)]
TRAINS = [("Train1", 180, "12000,20000")]

# (sale, resource, amount, money range, template): the player buys with the
# first two kinds and sells with the last two.
STATION_ITEMS = [
    (False, "Materials", 10, "9000,12000"), (False, "Materials", 25, "20000,26000"),
    (False, "Materials", 50, "38000,48000"),
    (False, "Gold", 1, "14000,18000"), (False, "Gold", 3, "40000,50000"),
    (True, "Materials", 10, "5000,7000"), (True, "Materials", 25, "12000,16000"),
    (True, "Gold", 1, "10000,13000"), (True, "Gold", 3, "28000,36000"),
]

TABS = [("Apartment", ["Apartment1"]),
        ("Commercial", ["Shop1", "Saloon1"]),
        ("Service", ["WaterTower1", "Doctor1"]),
        ("Municipal", ["LumberMill1", "GoldenMine1", "RailRoadStation1", "Bandstand1"])]

UPGRADES = [
    {"Type": "Building", "Name": "Sawmill", "Button": "SawmillButton", "Info": "HQ_Sawmill", "Price": 1,
     "Level": 1, "RequiredRank": "Beginner", "AllowsBuilding": ["LumberMill2"],
     "LevelModifiers": [("BuildTimeM", "0.9")]},
    {"Type": "Building", "Name": "Townhouses", "Button": "TownhousesButton", "Info": "HQ_Townhouses", "Price": 2,
     "Level": 2, "RequiredRank": "Expert", "AllowsBuilding": ["Apartment4", "Shop2"],
     "AllowsBuildingFeature": [("Saloon1", "Dance")], "LevelModifiers": [("GuestsCountM", "1.1")]},
    {"Type": "Workers", "Name": "Recruiting", "Button": "RecruitingButton", "Info": "HQ_Recruiting", "Price": 2,
     "Level": 2, "RequiredRank": "Expert", "LevelModifiers": [("WorkerPriceM", "0.85")]},
]

# The parts of the town hall that the headquarters screen sells, in the
# groups that flash in turn while they can still be bought, and how long each
# group shows (ms).
HQ_GROUPS = [(1500, ["Boiler", "Porch"]), (1500, ["Clock", "Bell"]), (2000, ["Flag", "Garden"])]

# The level numbers after which an episode plays (comics.JOURNEY); the first
# episode plays when a new game starts.
COMICS = [(12, "scenes/Comics/episode2/ComicsScene.mscn"), (24, "scenes/Comics/episode3/ComicsScene.mscn"),
          (36, "scenes/Comics/episode4/ComicsScene.mscn"), (48, "scenes/Comics/episode5/ComicsScene.mscn")]

GLOBAL = [("AllowDestroyFromLevel", 2), ("RailRoadStationPricesRounder", 500), ("MinimumWorkersInDilizhans", 3),
          ("AllowQuestBoxFromLevel", 6), ("AllowUniqUpIncomeFromLevel", 2), ("AllowUniqUpGuestsFromLevel", 3),
          ("LevelCompletedProgressBarTime", 3000), ("VelocityParticles", 320), ("HiglightImpendingTime", 2000),
          ("AllowHQUpgradeFromLevel", 3), ("SettingsLastLevelsNumbers", "12;24;36"),
          ("ObjectivesGroupChangeTime", 3000)]
PART_DISTANCE = [34, 30, 24, 30, 34, 30, 24, 30, 34]  # one per direction sector, right to right
GLOBAL_TAIL = [("DilizhansHorseDistanceTolerance", 5), ("DistanceBetweenElementsInServeAreaHull", 15.0),
               ("ServeAreaSplineRoundingFactor", 1.0), ("ServeAreaBuildingsShift", 20.0),
               ("ServeAreaHullShowDelay", 500), ("ServeAreaHullHideDelay", 2000),
               ("QuestDialogueMusicThrottleValue", 0.5), ("QuestDialogueSoundsThrottleValue", 0.7),
               ("SpeechSoundStartDelay", 200), ("SpeechSoundStopDelay", 500)]

HEADER = '<?xml version="1.0" encoding="utf-8"?>'


def value(tag, v, pad):
    return f"{pad}<{tag} Value={quoteattr(str(v))} />"


def action_xml(tag, block, pad):
    lines = [f"{pad}<{tag}>"]
    for key, v in block.items():
        lines.append(value(key, v, pad + "\t"))
    lines.append(f"{pad}</{tag}>")
    return lines


def serve_area_xml(area, pad):
    attrs = " ".join(f"{k}={quoteattr(str(v))}" for k, v in area.items() if k != "Area")
    lines = [f"{pad}<ServeArea {attrs}>"]
    lines += [value("Area", f"{dx},{dy}", pad + "\t") for dx, dy in area["Area"]]
    lines.append(f"{pad}</ServeArea>")
    return lines


def feature_xml(feature, pad):
    inner = pad + "\t"
    lines = [f'{pad}<ActiveFeature Type="{feature["Type"]}">']
    for key, v in feature.items():
        if key == "Type":
            continue
        if isinstance(v, dict):
            lines.append(f"{inner}<{key}>")
            lines += [value(k, amount, inner + "\t") for k, amount in v.items()]
            lines.append(f"{inner}</{key}>")
        else:
            lines.append(value(key, v, inner))
    lines.append(f"{pad}</ActiveFeature>")
    return lines


def building_xml(b, pad="\t"):
    inner = pad + "\t"
    lines = [f"{pad}<Building>"]
    for key, v in b.items():
        if key in ("Build", "Repair", "Destroy"):
            lines += action_xml(key, v, inner)
        elif key == "Upgrades":
            lines.append(f"{inner}<Upgrades>")
            lines += [value("NextLevelName", name, inner + "\t") for name in v]
            lines.append(f"{inner}</Upgrades>")
        elif key == "ServeArea":
            for area in v:
                lines += serve_area_xml(area, inner)
        elif key == "ActiveFeature":
            for feature in v:
                lines += feature_xml(feature, inner)
        elif key == "RandomResource":
            lines += action_xml(key, v, inner)
        elif key == "LevelModifiers":
            lines.append(f"{inner}<LevelModifiers>")
            lines += [f'{inner}\t<Modifier Type="{t}" Value="{m}" />' for t, m in v]
            lines.append(f"{inner}</LevelModifiers>")
        elif key == "ProduceItems":
            lines.append(f"{inner}<ProduceItems>")
            for workers, time, required, produced in v:
                lines.append(f"{inner}\t<Item>")
                lines.append(value("Workers", workers, inner + "\t\t"))
                lines.append(value("Time", time, inner + "\t\t"))
                lines += [f'{inner}\t\t<RequiredResource Name="{n}" Value="{a}" />' for n, a in required.items()]
                lines += [f'{inner}\t\t<ProducedResource Name="{n}" Value="{a}" />' for n, a in produced.items()]
                lines.append(f"{inner}\t</Item>")
            lines.append(f"{inner}</ProduceItems>")
        else:
            lines.append(value(key, v, inner))
    lines.append(f"{pad}</Building>")
    return lines


def uniq_upgrade_xml(u, pad="\t"):
    lines = [f"{pad}<UniqUpgrade>"]
    for key, v in u.items():
        if key == "Build":
            lines += action_xml(key, v, pad + "\t")
        else:
            lines.append(value(key, v, pad + "\t"))
    lines.append(f"{pad}</UniqUpgrade>")
    return lines


def document(root, body):
    return "\n".join([HEADER, f"<{root}>"] + body + [f"</{root}>"]) + "\n"


def buildings_xml():
    body = []
    for b in BUILDINGS:
        body += building_xml(b)
    for u in UNIQ_UPGRADES:
        body += uniq_upgrade_xml(u)
    return document("ObjectsConfiguration", body)


def workers_xml():
    body = []
    for name, velocity, low, high in WORKERS:
        body += ["\t<Worker>", value("Name", name, "\t\t"), value("TemplateID", name, "\t\t"),
                 value("Velocity", velocity, "\t\t"), value("MinimumVelocity", low, "\t\t"),
                 value("MaximumVelocity", high, "\t\t"), "\t</Worker>"]
    return document("ObjectsConfiguration", body)


def trains_xml():
    body = []
    for name, velocity, release in TRAINS:
        body += ["\t<Train>", value("Name", name, "\t\t"), value("TemplateID", name, "\t\t"),
                 value("Velocity", velocity, "\t\t"), value("ReleaseTimeoutRange", release, "\t\t"), "\t</Train>"]
    return document("ObjectsConfiguration", body)


def station_template(sale, resource, amount):
    return f"Game_Station{'Sell' if sale else 'Buy'}{resource}{amount}"


def station_xml():
    body = ["\t<RRStationItems>"]
    for sale, resource, amount, money in STATION_ITEMS:
        kind = ' Type="Sale"' if sale else ""
        body.append(f'\t\t<Item{kind} {resource}="{amount}" MoneyRange="{money}" '
                    f'Template="{station_template(sale, resource, amount)}" />')
    body.append("\t</RRStationItems>")
    return document("ObjectsConfiguration", body)


def upgrades_xml():
    body = []
    for u in UPGRADES:
        body.append("\t<Upgrade>")
        for key in ("Type", "Name", "Button", "Info", "Price", "Level", "RequiredRank"):
            body.append(value(key, u[key], "\t\t"))
        body += [value("AllowsBuilding", name, "\t\t") for name in u.get("AllowsBuilding", [])]
        body += [f'\t\t<AllowsBuildingFeature Building="{b}" FeatureName="{f}" />'
                 for b, f in u.get("AllowsBuildingFeature", [])]
        body.append("\t\t<LevelModifiers>")
        body += [f'\t\t\t<Modifier Type="{t}" Value="{v}" />' for t, v in u["LevelModifiers"]]
        body.append("\t\t</LevelModifiers>")
        body.append("\t</Upgrade>")
    return document("UpgradesConfiguration", body)


def tabs_xml():
    body = []
    for tab, buttons in TABS:
        body.append(f'\t<Tab Type="{tab}">')
        body += [f'\t\t<Button Template="{name}" />' for name in buttons]
        body.append("\t</Tab>")
    return document("TabsConfiguration", body)


def comics_xml():
    body = []
    for level, path in COMICS:
        body += ["\t<Comics>", value("Level", level, "\t\t"), value("ScenePath", path, "\t\t"), "\t</Comics>"]
    return document("ComicsConfiguration", body)


def global_config_xml():
    body = [value(k, v, "\t") for k, v in GLOBAL]
    # Names under scenes/Loading/, where the loading screen looks for its pictures.
    body.append(value("IntroSceneBackgrounds", "Loading.png", "\t"))
    body += [value("PartDistance", d, "\t") for d in PART_DISTANCE]
    body += [value(k, v, "\t") for k, v in GLOBAL_TAIL]
    return document("GlobalConfig", body)


def hq_xml():
    body = []
    for delay, names in HQ_GROUPS:
        body += ["\t<Item>", value("TimeDelay", delay, "\t\t")] + [value("Name", n, "\t\t") for n in names] + ["\t</Item>"]
    return document("HQConfiguration", body)


# Path under assets/ -> text.
def files():
    return {
        "levels/common/GlobalConfig.xml": global_config_xml(),
        "levels/common/BuildingsConfiguration.xml": buildings_xml(),
        "levels/common/WorkersConfiguration.xml": workers_xml(),
        "levels/common/TrainsConfiguration.xml": trains_xml(),
        "levels/common/RRStationButtonsConfiguration.xml": station_xml(),
        "levels/common/UpgradesConfiguration.xml": upgrades_xml(),
        "scenes/TabsConfiguration.xml": tabs_xml(),
        "scenes/ComicsConfiguration.xml": comics_xml(),
        "scenes/HQConfig.xml": hq_xml(),
    }
