"""Dictionary entries of the journey: the comics, the levels' descriptions,
tips and objectives, the map's and the town hall's tutorials. texts.py
takes them in (an entry it already holds keeps its wording there).

Objective texts follow their key: "Obj_Houses3Level2", "Obj_Income19000",
"Obj_Build_Saloon1_1" ... are written for every key the level sources use.
"""

import os
import re

# key: (English, Russian)
TEXTS = {
    "Comics_Next": ("Go on", "Дальше"),
    "Comics_Replay": ("Read again", "Ещё раз"),
    # Episode 1: the arrival (a new game).
    "Comic1_1a": ("Spring. The morning train stops at a crossroads in the meadow.",
                  "Весна. Утренний поезд останавливается у перекрёстка среди лугов."),
    "Comic1_1b": ("Brindlemoor! Everybody out, this is the end of the line!",
                  "Бриндлмур! Все на выход, дальше рельсов нет!"),
    "Comic1_2a": ("The new mayor is met by Gertrude and three workers.",
                  "Нового мэра встречают Гертруда и трое рабочих."),
    "Comic1_2b": ("Welcome, Mayor! This town hall is all we have. Shall we build a town around it?",
                  "Добро пожаловать, мэр! Кроме ратуши, у нас ничего нет. Построим вокруг неё город?"),
    "Comic1_3a": ("Settlers want homes first.", "Поселенцам прежде всего нужны дома."),
    "Comic1_3b": ("Timber here, a cottage there... and that fallen tree has to go!",
                  "Брёвна сюда, домик туда... а упавшее дерево надо убрать!"),
    "Comic1_4a": ("By evening the first street stands.", "К вечеру первая улица готова."),
    "Comic1_4b": ("Houses pay rent, a shop brings more. But watch the clock, Mayor!",
                  "Дома платят за жильё, лавка приносит больше. Но следи за часами, мэр!"),
    # Episode 2: summer (after level 12).
    "Comic2_1a": ("Summer. Brindlemoor has grown into a real little town.",
                  "Лето. Бриндлмур вырос в настоящий городок."),
    "Comic2_1b": ("Look at these streets! Who would have thought it, one spring ago?",
                  "Посмотри на эти улицы! А ведь только весной здесь был пустой луг."),
    "Comic2_2a": ("The mills saw day and night.", "Лесопилки работают день и ночь."),
    "Comic2_2b": ("More timber! The new houses are bigger than the old ones.",
                  "Ещё брёвен! Новые дома больше старых."),
    "Comic2_3a": ("In the hills, the mine gives its first gold.", "В холмах прииск даёт первое золото."),
    "Comic2_3b": ("Gold buys the finest houses. Keep the mine busy!",
                  "За золото строят лучшие дома. Не давай прииску простаивать!"),
    "Comic2_4a": ("Twice a day the train brings traders.", "Дважды в день поезд привозит торговцев."),
    "Comic2_4b": ("Buy timber cheap, sell gold dear: the station is our market now.",
                  "Покупай лес дёшево, продавай золото дорого: вокзал теперь наш рынок."),
    # Episode 3: autumn (after level 24).
    "Comic3_1a": ("Autumn. The evenings grow long and the town wants some fun.",
                  "Осень. Вечера стали длинными, и город хочет веселья."),
    "Comic3_1b": ("A saloon and a bandstand! Happy people pay their rent gladly.",
                  "Салун и эстрада! Весёлые жители охотно платят за жильё."),
    "Comic3_2a": ("The rains come, and with them broken roofs.", "Пришли дожди, а с ними и худые крыши."),
    "Comic3_2b": ("Quick, mend it before the family moves out!",
                  "Скорее чините, пока жильцы не съехали!"),
    "Comic3_3a": ("Water and a doctor keep the big houses full.",
                  "Вода и доктор помогают заселить большие дома."),
    "Comic3_3b": ("Some wagons on the road want goods. Help them, they pay well.",
                  "Некоторым повозкам на дороге нужны товары. Помоги им — они хорошо платят."),
    "Comic3_4a": ("The last train of the season leaves for the north.",
                  "Последний поезд сезона уходит на север."),
    "Comic3_4b": ("Winter is coming. Let us follow the line up to the snowy hills!",
                  "Зима близко. Поедем по рельсам к снежным холмам!"),
    # Episode 4: winter (after level 36).
    "Comic4_1a": ("Winter. Snow lies on the roofs of the northern towns.",
                  "Зима. Снег лежит на крышах северных городков."),
    "Comic4_1b": ("The days are short now. Every minute counts!",
                  "Дни теперь короткие. Каждая минута на счету!"),
    "Comic4_2a": ("Storms bring down trees and boulders.", "Бури валят деревья и катят валуны."),
    "Comic4_2b": ("Clear the roads first, or nobody gets through.",
                  "Сначала расчисти дороги, иначе никто не пройдёт."),
    "Comic4_3a": ("The train still comes, whatever the weather.", "Поезд приходит в любую погоду."),
    "Comic4_3b": ("Gold for the station, timber for the town. Trade well!",
                  "Золото — на вокзал, лес — в город. Торгуй с умом!"),
    "Comic4_4a": ("In the town hall, the lamps burn late.", "В ратуше допоздна горят лампы."),
    "Comic4_4b": ("Twelve more towns, Mayor. Then the whole line is ours!",
                  "Ещё двенадцать городов, мэр. И вся линия наша!"),
    # Episode 5: the end of the journey (after level 48).
    "Comic5_1a": ("Spring again. Flags fly over every street of the line.",
                  "Снова весна. Флаги развеваются над каждой улицей."),
    "Comic5_1b": ("From the meadow to the snowy hills: forty-eight towns!",
                  "От луга до снежных холмов: сорок восемь городов!"),
    "Comic5_2a": ("The whole town comes to the bandstand.", "Весь город собрался у эстрады."),
    "Comic5_2b": ("Three cheers for the mayor! Hip, hip, hooray!",
                  "Трижды ура мэру! Гип-гип, ура!"),
    "Comic5_3a": ("The trains run full in both directions.", "Поезда ходят полными в обе стороны."),
    "Comic5_3b": ("Settlers keep arriving. They heard about Brindlemoor!",
                  "Поселенцы всё едут и едут. Они слышали о Бриндлмуре!"),
    "Comic5_4a": ("Evening falls on a happy town.", "Вечер опускается на счастливый город."),
    "Comic5_4b": ("Thank you, Mayor. This was a journey to remember!",
                  "Спасибо, мэр. Это было незабываемое путешествие!"),
    # Level 1: the shop part of the tutorial.
    "Tut1_ShopPlace": ("Houses earn more with a shop nearby. Click the place beside your houses.",
                       "Рядом с лавкой дома приносят больше. Щёлкни по участку рядом с домами."),
    "Tut1_ChooseShops": ("Open the shops.", "Открой список лавок."),
    "Tut1_BuildShop": ("Choose the general store.", "Выбери лавку."),
    "Tut1_ShopBuilt": ("Your workers build the shop. Once it stands, the houses in its coloured area pay more rent.",
                       "Рабочие строят лавку. Когда она откроется, дома в её цветной области будут платить больше."),
    "Tut1_Finish": ("That is all you need, Mayor. Reach the daily income in your goals before the clock runs out!",
                    "Вот и всё, мэр. Добейся дневного дохода из твоих целей, пока не вышло время!"),
    # The map and the town hall.
    "TutMap_Welcome": ("This is the map of our journey: forty-eight towns along the railway, through four seasons.",
                       "Это карта нашего путешествия: сорок восемь городов вдоль железной дороги, через четыре времени года."),
    "TutMap_Location": ("Brindlemoor is the first stop. Click it.", "Бриндлмур — первая остановка. Щёлкни по ней."),
    "TutMap_Play": ("Now press Play.", "Теперь нажми «Играть»."),
    "TutHQ_Welcome": ("Welcome to the town hall! Every level finished with the top rank gives a point to spend here.",
                      "Добро пожаловать в ратушу! Каждый уровень, пройденный с лучшим рангом, даёт очко для покупок."),
    "TutHQ_Boiler": ("Start with the boiler: click it to buy it.", "Начни с котла: щёлкни по нему, чтобы купить."),
    "TutHQ_Done": ("Good! Come back with more points to buy the other parts.",
                   "Отлично! Возвращайся с новыми очками за другими частями."),
    "TutHQ_Second": ("Every part is bought! Now each can be bought again in its finer form.",
                     "Все части куплены! Теперь каждую можно купить снова, в лучшем виде."),
    "TutHQ_Finished": ("The town hall is complete. The finest in the whole land!",
                       "Ратуша достроена. Лучшая во всём краю!"),
    # Tips of the levels that bring something new.
    "Tip_WaterTower": ("A water tower lets more people live in the houses around it.",
                       "Водонапорная башня позволяет заселить больше людей в дома вокруг неё."),
    "Tip_Repair": ("Houses break now and then. Click a broken one and send workers to repair it.",
                   "Дома иногда ломаются. Щёлкни по сломанному и пошли рабочих его починить."),
    "Tip_Saloon": ("A saloon cheers up the houses around it, and its dances bring extra money.",
                   "Салун веселит жителей соседних домов, а танцы приносят лишние деньги."),
    "Tip_Dirt": ("Dirty houses earn less. Send workers to clean them.",
                 "Грязные дома приносят меньше. Посылай рабочих их убрать."),
    "Tip_Doctor": ("A doctor keeps people healthy and happy. The finest houses need one nearby.",
                   "Доктор бережёт здоровье и настроение жителей. Лучшим домам он нужен рядом."),
    "Tip_Letters": ("Letters bring money. Pick them up before they fly away!",
                    "Письма приносят деньги. Забирай их, пока не улетели!"),
    "Tip_Shop2": ("A shop can now grow into a store that serves a wider street.",
                  "Лавку теперь можно расширить до магазина, который обслуживает больше домов."),
    "Tip_Apartment4": ("The mansion: the best house of all. It needs gold, a shop and a doctor nearby.",
                       "Особняк — лучший дом. Ему нужно золото, а рядом лавка и доктор."),
    "Tip_Trade": ("Build the station: trains buy what you have too much of and sell what you lack.",
                  "Построй вокзал: поезда покупают лишнее и продают недостающее."),
    "Tip_Weather": ("Summer storms slow your workers for a while.",
                    "Летние грозы на время замедляют рабочих."),
    "Tip_Mill2": ("A lumber mill can now be upgraded to saw faster.",
                  "Лесопилку теперь можно улучшить, чтобы она пилила быстрее."),
    "Tip_Coach": ("Stranded wagons bring new workers to the town once they are freed.",
                  "Застрявшие повозки привозят в город новых рабочих, если их освободить."),
    "Tip_Quest": ("This wagon wants gold. Bring what it asks and it pays you well.",
                  "Этой повозке нужно золото. Привези, что просят, и получишь хорошую плату."),
    "Quest_Wagon": ("A trader is stuck here. Bring him gold and he pays in cash!",
                    "Здесь застрял торговец. Привези ему золото, и он заплатит деньгами!"),
    "Tip_Winter": ("Winter days are short and the clocks are strict. Plan every worker's walk.",
                   "Зимние дни коротки, а часы строги. Продумай путь каждого рабочего."),
    "Tip_Season1": ("Plan the streets: shops and services serve the places around them.",
                    "Планируй улицы: лавки и службы обслуживают соседние участки."),
    "Tip_Season2": ("Summer is the time to trade. Watch the trains and the prices.",
                    "Лето — время торговли. Следи за поездами и ценами."),
    "Tip_Season3": ("Autumn rains break roofs. Keep a worker free for repairs.",
                    "Осенние дожди портят крыши. Держи свободного рабочего для ремонта."),
    "Tip_Season4": ("Clear the snowed-in roads first: buildings cut off earn nothing.",
                    "Сначала расчисти заметённые дороги: отрезанные дома ничего не приносят."),
}

# Descriptions of levels 4-48: (English, Russian) of the town and its task.
PLACES = [
    ("Willow Ford", "Ивовый Брод"), ("Millbrook", "Мельничный Ручей"), ("Copper Hill", "Медный Холм"),
    ("Greenfield", "Зелёное Поле"), ("Stonebridge", "Каменный Мост"), ("Lark Meadow", "Жаворонков Луг"),
    ("Oakhurst", "Дубовая Роща"), ("Ferndale", "Папоротниковая Долина"), ("Foxhollow", "Лисья Лощина"),
    ("Sunridge", "Солнечный Гребень"), ("Harvest Cross", "Жатвенный Перекрёсток"), ("Dusty Flats", "Пыльная Равнина"),
    ("Goldwater", "Золотая Вода"), ("Red Mesa", "Красная Меса"), ("Cinder Gap", "Угольный Проход"),
    ("Bramble Creek", "Ежевичный Ручей"), ("High Plains", "Высокие Равнины"), ("Crow's Rest", "Воронье Гнездо"),
    ("Timberline", "Лесная Граница"), ("Amber Falls", "Янтарный Водопад"), ("Rustwood", "Ржавый Лес"),
    ("Maple Bend", "Кленовая Излучина"), ("Hollow Oak", "Дуплистый Дуб"), ("Briar Pass", "Терновый Перевал"),
    ("Old Quarry", "Старый Карьер"), ("Misty Vale", "Туманная Долина"), ("Pinecrest", "Сосновый Гребень"),
    ("Coldwater", "Холодная Вода"), ("Frost Hollow", "Морозная Лощина"), ("Ironridge", "Железный Гребень"),
    ("White Birch", "Белая Берёза"), ("Snowdrift", "Сугробы"), ("Ice Lake", "Ледяное Озеро"),
    ("North Star", "Полярная Звезда"), ("Wolf Pass", "Волчий Перевал"), ("Glacier Point", "Ледниковый Мыс"),
    ("Bell Peak", "Колокольная Вершина"), ("Silver Pines", "Серебряные Сосны"), ("Hearthstone", "Очаг"),
    ("Last Light", "Последний Свет"), ("Kingsford", "Королевский Брод"), ("Winterhaven", "Зимняя Гавань"),
    ("Lantern Hill", "Фонарный Холм"), ("Journey's End", "Конец Пути"), ("Brindlemoor Grand", "Большой Бриндлмур"),
]
SEASON_LINES = {
    1: ("Spring on the line", "Весна на железной дороге"),
    2: ("A summer of trade", "Торговое лето"),
    3: ("Autumn winds", "Осенние ветры"),
    4: ("Deep winter", "Глубокая зима"),
}


def level_descriptions():
    out = {}
    for index, (en, ru) in enumerate(PLACES):
        n = index + 4
        season = SEASON_LINES[(n - 1) // 12 + 1]
        out[f"Level{n}_Desc"] = (f"{en}. {season[0]}: build the town the settlers ask for before the clock runs out.",
                                 f"{ru}. {season[1]}: построй город для поселенцев, пока не вышло время.")
    return out


def thousands(value, sep):
    return f"{value:,}".replace(",", sep)


BUILDING_NAMES = {
    "Shop1": ("a general store", "лавку"), "Shop2": ("a big store", "магазин"), "Saloon1": ("a saloon", "салун"),
    "WaterTower1": ("a water tower", "водонапорную башню"), "Doctor1": ("a doctor's house", "дом доктора"),
    "LumberMill1": ("a lumber mill", "лесопилку"), "LumberMill2": ("a steam sawmill", "паровую лесопилку"),
    "GoldenMine1": ("a gold mine", "золотой прииск"), "RailRoadStation1": ("the railway station", "вокзал"),
    "Bandstand1": ("the bandstand", "эстраду"), "Apartment4": ("a mansion", "особняк"),
}


def objective_text(key):
    """(English, Russian) for an objective key, or None."""
    m = re.fullmatch(r"Obj_Houses(\d+)(?:Level(\d))?", key)
    if m:
        count, level = int(m.group(1)), m.group(2)
        if count == 1:
            if level:
                return (f"Have a house of level {level} or better", f"Имей дом уровня {level} или выше")
            return ("Build a house", "Построй дом")
        houses = f"{count} дом{'а' if count < 5 else 'ов'}"
        if level:
            return (f"Have {count} houses of level {level} or better", f"Имей {houses} уровня {level} или выше")
        return (f"Have {count} houses", f"Имей {houses}")
    m = re.fullmatch(r"Obj_Build_(\w+?)_(\d+)", key)
    if m and m.group(1) in BUILDING_NAMES:
        en, ru = BUILDING_NAMES[m.group(1)]
        count = int(m.group(2))
        if count == 1:
            return (f"Build {en}", f"Построй {ru}")
        return (f"Have {count} of: {en}", f"Имей {count}: {ru}")
    m = re.fullmatch(r"Obj_(Income|Money|Gold|GuestsCount|Happiness)(\d+)", key)
    if m:
        v = int(m.group(2))
        return {"Income": (f"Earn ${thousands(v, ',')} a day", f"Получай {thousands(v, chr(160))} $ в день"),
                "Money": (f"Save ${thousands(v, ',')}", f"Накопи {thousands(v, chr(160))} $"),
                "Gold": (f"Have {v} gold", f"Имей {v} золота"),
                "GuestsCount": (f"House {v} people", f"Засели {v} жителей"),
                "Happiness": (f"Make the town happy: {v} smiles", f"Сделай город счастливым: {v} улыбок")}[m.group(1)]
    return None


# The fixture level of the tests is played with the game's dictionary too.
FIXTURE_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "game", "world",
                              "data", "level1.txt")


def objective_texts():
    import levels
    out = {}
    played = list(levels.sources().values())
    with open(FIXTURE_SOURCE, encoding="utf-8") as f:
        played.append(levels.Level(f.read(), "level1.txt"))
    for level in played:
        for group in level.groups:
            for objective in group["Objectives"]:
                key = objective.get("InfoStr", "").strip("%")
                text = objective_text(key)
                if text:
                    out[key] = text
    return out


def all_texts():
    return {**TEXTS, **level_descriptions(), **objective_texts()}
