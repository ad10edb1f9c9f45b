"""The dictionaries: English in assets/strings/Dictionary.xml, which the game
reads at start, and the two the developer dictionary switch (F3) changes
between, beside the assets folder: English in assets_en/ and Russian in
assets_ru/. They stay out of the packed archive, which offers no developer
mode."""

from xml.sax.saxutils import escape

CREDITS_EN = ("BRINDLEMOOR\n\nDesign and programming\nThe Brindlemoor team\n\nEngine\nMRX\n\n"
              "Pictures\nDrawn by our own tools\n\nLettering\nDejaVu fonts\n\nMusic and sounds\n"
              "Synthesised with SoX, encoded with Vorbis\n\nThank you for playing!")
CREDITS_RU = ("БРИНДЛМУР\n\nИдея и программирование\nКоманда Бриндлмура\n\nДвижок\nMRX\n\n"
              "Рисунки\nНарисованы нашими инструментами\n\nШрифты\nDejaVu\n\nМузыка и звуки\n"
              "Созданы в SoX, сжаты в Vorbis\n\nСпасибо за игру!")

# key: (English, Russian)
TEXTS = {
    "TitleName": ("Brindlemoor", "Бриндлмур"),
    "ThousandsDelimiter": (",", "\u00a0"),
    "Loading": ("Loading...", "Загрузка..."),
    "MainMenu_WelcomeTxt": ("Welcome to Brindlemoor, #p! The town is waiting for you.",
                            "Добро пожаловать в Бриндлмур, #p! Город ждёт тебя."),
    "MainMenu_NewGame": ("Play", "Играть"),
    "MainMenu_ChangePlayer": ("Change player", "Сменить игрока"),
    "MainMenu_Options": ("Options", "Настройки"),
    "MainMenu_Credits": ("Credits", "Авторы"),
    "MainMenu_Achievements": ("Achievements", "Достижения"),
    "MainMenu_Quit": ("Quit", "Выход"),
    "OkBtn": ("OK", "ОК"),
    "Cancel": ("Cancel", "Отмена"),
    "Yes": ("Yes", "Да"),
    "No": ("No", "Нет"),
    "Warning": ("Warning", "Внимание"),
    "ProfilesDamaged": ("The file of saved players was damaged. The players that could be read are kept; "
                        "a copy of the damaged file lies beside it.",
                        "Файл сохранённых игроков повреждён. Те, кого удалось прочитать, сохранены; "
                        "копия повреждённого файла лежит рядом."),
    "ProfilesUnreadable": ("The saved players could not be read. Their file is left untouched, and new "
                           "players cannot be saved until it can be read.",
                           "Не удалось прочитать сохранённых игроков. Их файл не тронут, а новых игроков "
                           "нельзя сохранить, пока его не удастся прочитать."),
    "ProfileSaveFailed": ("This player could not be saved. You can play, but the progress will not be kept.",
                          "Не удалось сохранить игрока. Играть можно, но успехи не сохранятся."),
    "SelectPlayer_Title": ("Players", "Игроки"),
    "SelectPlayer_New": ("New", "Новый"),
    "SelectPlayer_Delete": ("Delete", "Удалить"),
    "SelectPlayer_WantDelete": ("Delete this player?", "Удалить этого игрока?"),
    "NewPlayer_Title": ("New player", "Новый игрок"),
    "NewPlayer_Name": ("Your name:", "Твоё имя:"),
    "NewPlayer_Tab1": ("Gentlemen", "Господа"),
    "NewPlayer_Tab2": ("Ladies", "Дамы"),
    "ProfileNameWarning": ("Please enter a name that no other player has.",
                           "Введи имя, которого нет у других игроков."),
    "Options_Title": ("Options", "Настройки"),
    "Options_Sound": ("Sound volume", "Громкость звуков"),
    "Options_Music": ("Music volume", "Громкость музыки"),
    "Options_SoundOn": ("Sounds", "Звуки"),
    "Options_MusicOn": ("Music", "Музыка"),
    "Options_Fullscreen": ("Full screen", "Весь экран"),
    "Options_Cursor": ("System cursor", "Системный курсор"),
    "Options_Tutorial": ("Tutorial", "Обучение"),
    "Options_Wide": ("Wide screen", "Широкий экран"),
    "Options_On": ("On", "Вкл"),
    "Options_Off": ("Off", "Выкл"),
    "Options_CantGoWindow": ("The screen is too small to play in a window.",
                             "Экран слишком мал для игры в окне."),
    "WarningTutorialRestart": ("The tutorial starts when the level is played again.",
                               "Обучение начнётся, когда уровень будет пройден заново."),
    "QuitConfirmation": ("Do you really want to quit?", "Ты правда хочешь выйти?"),
    "QuitConfirmationRemoveProgress": ("Do you really want to quit? The progress of this level will be lost.",
                                       "Ты правда хочешь выйти? Прогресс этого уровня будет потерян."),
    "Credits_Title": ("Credits", "Авторы"),
    "Credits_Text": (CREDITS_EN, CREDITS_RU),
    "Achievements_Title": ("Achievements", "Достижения"),
    "Achievements_None": ("Finish levels with the top rank to earn achievements.",
                          "Проходи уровни с высшим рангом, чтобы получать достижения."),
    "Map_Title": ("Map of Brindlemoor", "Карта Бриндлмура"),
    "Map_Menu": ("Main menu", "Главное меню"),
    "Map_HQ": ("Town hall", "Ратуша"),
    "Map_Play": ("Play", "Играть"),
    "GamePlay_LEVEL": ("Level #p", "Уровень #p"),
    "HQ_Title": ("Town hall", "Ратуша"),
    "HQ_Points": ("Points to spend", "Очки"),
    "HQ_Info": ("Finish levels with the top rank to earn points, then click a part of the town hall to improve it.",
                "Проходи уровни с высшим рангом, чтобы получать очки, и щёлкай по частям ратуши, чтобы улучшать их."),
    "Level_End": ("Level #p completed!", "Уровень #p пройден!"),
    "LevelEnd_Stages": ("Stages of the level", "Этапы уровня"),
    "number_etaps": ("Stages passed in time: #p", "Этапов пройдено вовремя: #p"),
    "Rang": ("Master builder", "Мастер-строитель"),
    "Rang_Gamer": ("Apprentice", "Подмастерье"),
}

# The town's buildings and the places by the road: name, then description.
TOWN = {
    "Building_Place": (("Building place", "Стройплощадка"),
                       ("An empty lot, ready for a new building.", "Пустой участок, готовый к стройке.")),
    "Building_MajorOffice": (("Town hall", "Ратуша"),
                             ("Your workers live here and set out from here.",
                              "Здесь живут твои рабочие, отсюда они выходят на работу.")),
    "Building_Apartment1": (("Cottage", "Домик"), ("A small home for the first settlers.",
                                                  "Маленький дом для первых поселенцев.")),
    "Building_Apartment2": (("Family house", "Семейный дом"), ("Room for a growing family.",
                                                              "Место для растущей семьи.")),
    "Building_Apartment3": (("Brick house", "Кирпичный дом"), ("Needs a shop nearby.",
                                                               "Нужен магазин поблизости.")),
    "Building_Apartment4": (("Town house", "Особняк"), ("Needs a shop and a doctor nearby.",
                                                        "Нужны магазин и доктор поблизости.")),
    "Building_Shop1": (("General store", "Лавка"), ("Raises the income of the houses beside it.",
                                                    "Повышает доход соседних домов.")),
    "Building_Shop2": (("Department store", "Универмаг"), ("Serves a wider neighbourhood.",
                                                          "Обслуживает больше соседей.")),
    "Building_Saloon1": (("Saloon", "Салун"), ("Makes the neighbours happy and brings visitors.",
                                              "Радует соседей и привлекает гостей.")),
    "Building_WaterTower1": (("Water tower", "Водонапорная башня"), ("Houses near it hold more people.",
                                                                    "В домах рядом с ней живёт больше людей.")),
    "Building_Doctor1": (("Doctor", "Доктор"), ("Keeps the neighbourhood healthy and happy.",
                                               "Следит, чтобы соседи были здоровы и довольны.")),
    "Building_LumberMill1": (("Lumber mill", "Лесопилка"), ("Turns money into building materials.",
                                                           "Превращает деньги в стройматериалы.")),
    "Building_LumberMill2": (("Steam lumber mill", "Паровая лесопилка"), ("Saws faster and more.",
                                                                         "Пилит быстрее и больше.")),
    "Building_GoldenMine1": (("Gold mine", "Золотой прииск"), ("Digs gold for the finest buildings.",
                                                               "Добывает золото для лучших зданий.")),
    "Building_RailRoadStation1": (("Railway station", "Вокзал"), ("Trains stop here to buy and sell goods.",
                                                                  "Здесь останавливаются поезда с товарами.")),
    "Building_Bandstand1": (("Bandstand", "Эстрада"), ("One per town: concerts lift every income around it.",
                                                       "Одна на город: концерты поднимают доход вокруг.")),
    "OnRoad_Boulder": (("Boulder", "Валун"), ("Blocks the road until it is broken up.",
                                             "Загораживает дорогу, пока его не разобьют.")),
    "OnRoad_FallenTree": (("Fallen tree", "Упавшее дерево"), ("Saw it up for materials.",
                                                             "Распили его на материалы.")),
    "OnRoad_WoodPile": (("Wood pile", "Дрова"), ("Materials to collect.", "Материалы, которые можно забрать.")),
    "OnRoad_GoldPile": (("Gold nuggets", "Самородки"), ("Gold to collect.", "Золото, которое можно забрать.")),
    "OnRoad_Wagon": (("Settlers' wagon", "Фургон поселенцев"), ("Bring materials and the settlers join you.",
                                                                "Привези материалы, и поселенцы присоединятся.")),
}
for key, (name, desc) in TOWN.items():
    TEXTS[key] = name
    TEXTS[key + "_Desc"] = desc


# The levels: descriptions, objectives and the tutorial's words.
TEXTS.update({
    "Level1_Desc": ("Brindlemoor is a crossroads in a meadow. Build the first homes and a shop for the settlers.",
                    "Бриндлмур пока лишь перекрёсток на лугу. Построй первые дома и лавку для поселенцев."),
    "Level2_Desc": ("The railway has reached the town. Saw timber, trade with the trains and raise the houses.",
                    "К городу подошла железная дорога. Пили лес, торгуй с поездами и расширяй дома."),
    "Level3_Desc": ("Gold in the hills! Dig it, build the finest houses and give the town a bandstand.",
                    "В холмах нашли золото! Добывай его, строй лучшие дома и подари городу эстраду."),
    "Obj_Houses2": ("Build 2 houses", "Построй 2 дома"),
    "Obj_Houses3": ("Have 3 houses", "Имей 3 дома"),
    "Obj_Houses4": ("Have 4 houses", "Имей 4 дома"),
    "Obj_Houses2Level2": ("Have 2 houses of level 2 or better", "Имей 2 дома второго уровня или выше"),
    "Obj_Houses2Level3": ("Have 2 houses of level 3 or better", "Имей 2 дома третьего уровня или выше"),
    "Obj_Shop1": ("Open a general store", "Открой лавку"),
    "Obj_Income7000": ("Earn $7,000 a day", "Получай 7 000 $ в день"),
    "Obj_Income30000": ("Earn $30,000 a day", "Получай 30 000 $ в день"),
    # The goals that name their number themselves.
    "Obj_Income": ("Earn $#p a day", "Получай #p $ в день"),
    "Obj_IncomeFull": ("Earn $#p a day", "Получай #p $ в день"),
    "Obj_Workers": ("Have #p workers", "Имей #p рабочих"),
    "Obj_HaveGuests": ("House #p people", "Засели #p жителей"),
    "Obj_Happiness": ("Make the town happy: #p smiles", "Сделай город счастливым: #p улыбок"),
    "Obj_Mill": ("Build a lumber mill", "Построй лесопилку"),
    "Obj_Mine": ("Build a gold mine", "Построй золотой прииск"),
    "Obj_Station": ("Build the railway station", "Построй вокзал"),
    "Obj_Guests60": ("House 60 people", "Засели 60 жителей"),
    "Obj_Happiness40": ("Make the town happy: 40 smiles", "Сделай город счастливым: 40 улыбок"),
    "Obj_Bandstand": ("Build the bandstand", "Построй эстраду"),
    "Tut1_Welcome": ("Welcome to Brindlemoor! I am Gertrude, and I will help you build our town.",
                     "Добро пожаловать в Бриндлмур! Я Гертруда, я помогу тебе построить наш город."),
    "Tut1_SelectPlace": ("Click this empty building place.", "Щёлкни по этому пустому участку."),
    "Tut1_ChooseHouses": ("Houses come first. Open the houses.", "Сначала дома. Открой список домов."),
    "Tut1_BuildCottage": ("Choose the cottage. It costs money and materials.",
                          "Выбери домик. Он стоит денег и материалов."),
    "Tut1_WorkersGo": ("Your workers walk from the town hall and build it. Wait until they finish.",
                       "Рабочие выходят из ратуши и строят дом. Подожди, пока они закончат."),
    "Tut1_Income": ("Every house pays rent at the end of each day.", "Каждый дом платит в конце каждого дня."),
    "Tut1_ClearTree": ("A fallen tree blocks the street. Click it: your workers saw it into materials.",
                       "Упавшее дерево загородило улицу. Щёлкни по нему: рабочие распилят его на материалы."),
    "Tut1_SecondHouse": ("Now build a second house.", "Теперь построй второй дом."),
    "Tut1_Goals": ("Well done! Your goals are at the top of the screen. Next: a shop beside the houses.",
                   "Отлично! Твои цели вверху экрана. Дальше: лавка рядом с домами."),
    "Tut2_Mill": ("Short of materials? A lumber mill saws them for money.",
                  "Не хватает материалов? Лесопилка напилит их за деньги."),
    "Tut3_Gold": ("The best buildings need gold. Build a mine and keep it busy.",
                  "Лучшим зданиям нужно золото. Построй прииск и не давай ему простаивать."),
})

# -- world51: the pile a pulled-down building leaves.
TEXTS.update({
    "OnRoad_Materials": ("Building materials", "Стройматериалы"),
    "OnRoad_Materials_Desc": ("What was left of a pulled-down building. Collect it.",
                              "Всё, что осталось от снесённого здания. Забери это."),
})


def dictionary(column):
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<Dictionary>"]
    for key, values in TEXTS.items():
        lines.append(f'\t<s n="{key}">{escape(values[column])}</s>')
    lines.append("</Dictionary>")
    return "\n".join(lines) + "\n"


def dictionaries():
    return {"assets/strings/Dictionary.xml": dictionary(0), "assets_en/strings/Dictionary.xml": dictionary(0),
            "assets_ru/strings/Dictionary.xml": dictionary(1)}


# The journey's texts: comics, levels, map and town-hall tutorials.
import storytexts  # noqa: E402

for _key, _values in storytexts.all_texts().items():
    TEXTS.setdefault(_key, _values)
