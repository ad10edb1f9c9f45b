// The real game, run headless on its own assets: a new player goes from the
// menu over the map and the loading screen into the first levels and plays
// them to the end by mouse, as the tutorial and the objectives ask, up to
// the level-completed screen and back to the map. Every step is compared
// with its reference picture (BM_UPDATE_REFERENCES=1 writes them anew; look
// at them before committing them).

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/nodes/BaseListNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/scene/SceneManager.h"
#include "game/app/GIntroScene.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GTutorialController.h"
#include "game/screens/GMapScene.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GOnRoadLocationNode.h"
#include "tests/game/app/FrontEndRunFixture.h"

#include <chrono>
#include <functional>
#include <string>

using frontend::narrow;

namespace {

const std::filesystem::path kPlayData = sceneflow::kSourceFolder / "tests/game/play/data";

std::string readText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = readAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

class PlayLevelRun : public frontend::FrontEndRun {
protected:
    void SetUp() override {
        FrontEndRun::SetUp();
        m_references = kPlayData / "run";
        // The level's own template collection, where the assets have none
        // yet: the game's, which holds the buildings and the walkers.
        const std::filesystem::path levelTemplates = m_dir.path() / "assets/levels/common/TemplateCollection.mscn";
        if (!std::filesystem::exists(levelTemplates)) {
            std::string templates = readText(sceneflow::kSourceFolder / "assets/scenes/TemplateCollection.mscn");
            for (size_t at = templates.find("Value=\"../"); at != std::string::npos;
                 at = templates.find("Value=\"../", at + 12))
                templates.insert(at + 7, "../");
            (void)m_dir.write("assets/levels/common/TemplateCollection.mscn",
                              std::vector<uint8_t>(templates.begin(), templates.end()));
        }
    }

    // The game started for the player "Ada" as `setup` leaves her, on its
    // logos screen.
    CProfileParameters* startFor(const std::function<void(CProfileParameters&)>& setup) {
        GGameApplication* game = start();
        EXPECT_TRUE(game->init(CStringW()));
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        if (!profiles->findProfile(CStringW(u"Ada"))) {
            EXPECT_TRUE(profiles->addProfile(CStringW(u"Ada")));
        }
        EXPECT_TRUE(profiles->setActiveProfile(0));
        CProfileParameters* player = profiles->getActiveProfile();
        if (setup)
            setup(*player);
        EXPECT_TRUE(player->save());
        return player;
    }

    [[nodiscard]] GGamePlayScene* play() const {
        SceneManager* scenes = m_game->getSceneManager();
        for (BaseNode* scene : scenes->getChildren())
            if (auto* found = nodeCast<GGamePlayScene>(scene))
                return found;
        return nullptr;
    }
    [[nodiscard]] GGameLevelScene* town() const {
        GGamePlayScene* screen = play();
        return screen ? screen->getWorld() : nullptr;
    }
    [[nodiscard]] GBuildingNode* place(const char* name) const {
        GGameLevelScene* level = town();
        return level ? nodeCast<GBuildingNode>(level->findChild(CName(name), 2)) : nullptr;
    }
    [[nodiscard]] CName typeOf(const char* name) const {
        GBuildingNode* building = place(name);
        return building && building->getType() ? building->getType()->Name : CName();
    }
    // The place `name` stands as `type`, its work done.
    [[nodiscard]] bool isBuilt(const char* name, const char* type) const {
        GBuildingNode* building = place(name);
        return building && typeOf(name) == CName(type) && building->getTaskKind() == 0;
    }
    [[nodiscard]] GTutorialController* tutorial() const {
        GGamePlayScene* screen = play();
        return screen ? screen->getLevelTutorial() : nullptr;
    }
    [[nodiscard]] int hint() const {
        GTutorialController* controller = tutorial();
        return controller ? controller->getHintIndex() : -1;
    }

    // The player clicks the middle of the place `name` of the town.
    bool clickPlace(const char* name) {
        GBuildingNode* building = place(name);
        EXPECT_NE(building, nullptr) << name;
        return building && clickAt(middleOf(building));
    }

    // The player clicks entry `index` of the play screen's list `name`.
    bool choose(const char* name, int index) {
        auto* list = dynamic_cast<BaseListNode*>(onScreen(name));
        EXPECT_NE(list, nullptr) << name;
        if (!list)
            return false;
        BaseNode* element = list->getElement(index);
        EXPECT_NE(element, nullptr) << name << " " << index;
        return element && clickAt(middleOf(element));
    }

    // The player clicks the entry of the build list `name` that puts up
    // `type`, wherever the list shows it.
    bool chooseBuilding(const char* name, const char* type) {
        auto* list = dynamic_cast<BaseListNode*>(onScreen(name));
        EXPECT_NE(list, nullptr) << name;
        if (!list)
            return false;
        for (int32_t item = 0; item < list->getItemsCount(); ++item) {
            auto* config = dynamic_cast<GBuildingConfig*>(list->getItemObject(item));
            if (config && config->Name == CName(type))
                return choose(name, dynamic_cast<ListNode*>(list)->itemToSlot(item));
        }
        ADD_FAILURE() << name << " offers no " << type;
        return false;
    }

    // The player clicks offer `item` of the list `name` (an order at a
    // producer, a train's offer), which must be open to them.
    bool chooseOffer(const char* name, int32_t item) {
        auto* list = dynamic_cast<ListNode*>(onScreen(name));
        EXPECT_NE(list, nullptr) << name;
        if (!list)
            return false;
        EXPECT_LT(item, list->getItemsCount()) << name;
        EXPECT_TRUE(list->isItemEnabled(item)) << name << " " << item;
        return choose(name, list->itemToSlot(item));
    }

    // The offer of the train's list `name` that pays the most, as the
    // player reads the prices off the list.
    [[nodiscard]] int32_t dearestOffer(const char* name) const {
        auto* list = dynamic_cast<ListNode*>(onScreen(name));
        int32_t best = -1;
        int bestPrice = -1;
        for (int32_t item = 0; list && item < list->getItemsCount(); ++item) {
            const auto* data = dynamic_cast<const StationItemData*>(list->getItemObject(item));
            IGameLevel::TrainOffer offer;
            if (data && list->isItemEnabled(item) && town()->getTrainOffer(data->train.get(), data->index, offer) &&
                offer.price > bestPrice) {
                best = item;
                bestPrice = offer.price;
            }
        }
        return best;
    }

    // Waits as `waitFor` does, while the player keeps the town: a building
    // broken down is mended, a letter brought to a house is taken.
    template <class Done> bool tendUntil(Done done, uint64_t patienceMs) {
        const uint64_t until = m_game->getTotalTime() + patienceMs;
        while (!done()) {
            GBuildingNode* broken = nullptr;
            GBuildingNode* letter = nullptr;
            const uint64_t now = m_game->getTotalTime();
            if (now > until || !waitFor(
                                   [&] {
                                       broken = brokenPlace();
                                       letter = letterPlace();
                                       return done() || broken || letter;
                                   },
                                   until - now))
                return false;
            if (done())
                return true;
            if (broken) {
                if (!clickAt(middleOf(broken)) || !runFor(300) || !click("RepairButton") || !runFor(300))
                    return false;
            } else if (letter) {
                if (!clickAt(middleOf(letter)) || !runFor(300))
                    return false;
            }
        }
        return true;
    }
    // A building broken down that the workers at home can mend now.
    [[nodiscard]] GBuildingNode* brokenPlace() const {
        for (GBuildingNode* building : town()->getPlaces())
            if (building->getDamageState() == GBuildingNode::DamageBroken && building->getTaskKind() == 0 &&
                play()->getHeadquarters()->getWorkersCount() > 0 && money() >= 6000)
                return building;
        return nullptr;
    }
    // A house a letter waits at.
    [[nodiscard]] GBuildingNode* letterPlace() const {
        for (BaseNode* letter : town()->getLetters())
            if (auto* record = dynamic_cast<GLetterRecord*>(letter->getUserData()); record && record->building)
                return record->building;
        return nullptr;
    }

    [[nodiscard]] int money() const { return play()->getHeadquarters()->getMoney(); }
    [[nodiscard]] int materials() const { return play()->getHeadquarters()->getResource(CName("Materials")); }

    // Waits on the game's clock until `done()` holds, for `patienceMs` at most.
    // Long waits go in strides of `kStrideMs`, the longest step the game
    // takes at once, so that minutes of the town cost few frames.
    template <class Done> bool waitFor(Done done, uint64_t patienceMs) {
        const uint64_t until = m_game->getTotalTime() + patienceMs;
        while (!done()) {
            if (m_game->getTotalTime() > until)
                return false;
            m_time->now += kStrideMs;
            if (!m_game->run())
                return false;
        }
        return true;
    }
    static constexpr uint32_t kStrideMs = 200;

    // Waits until the level tutorial shows its hint `index`.
    bool waitForHint(int index, uint64_t patienceMs = 5000) {
        const bool shown = waitFor([&] { return hint() == index; }, patienceMs);
        EXPECT_TRUE(shown) << "waiting for hint " << index << ", at " << hint();
        return shown;
    }

    // From the main menu over the map into level `number`, through the
    // loading screen, up to the objectives window.
    // A new player first meets the map's own tutorial: a click on its
    // greeting, then the location and Play as its hints point them out.
    void enterLevel(int number, bool mapTutorial = false) {
        ASSERT_TRUE(settleOn("MainMenuScene"));
        ASSERT_TRUE(click("NewGameButton"));
        ASSERT_TRUE(settleOn("MapNewScene", 500));
        const std::string location = "Location" + std::to_string(number);
        if (mapTutorial) {
            auto* map = nodeCast<GMapScene>(m_game->getSceneManager()->getCurrentScene());
            ASSERT_NE(map, nullptr);
            GTutorialController* guide = map->getTutorial();
            ASSERT_NE(guide, nullptr);
            expectLooksLikeReference("MapGreeting");
            // The greeting waits for a click on anything of the map.
            ASSERT_TRUE(click(location.c_str()));
            ASSERT_TRUE(waitFor([&] { return guide->getHintIndex() == 1; }, 3000)) << guide->getHintIndex();
            ASSERT_TRUE(runFor(500));
            expectLooksLikeReference("MapLocationHint");
        }
        ASSERT_TRUE(click(location.c_str()));
        ASSERT_TRUE(runFor(200));
        ASSERT_TRUE(click("PlayButton"));
        ASSERT_TRUE(runUntil([&] { return nodeCast<GIntroScene>(m_game->getSceneManager()->getCurrentScene()); }));
        EXPECT_EQ(nodeCast<GIntroScene>(m_game->getSceneManager()->getCurrentScene())->getMode(), IntroLevel);
        ASSERT_TRUE(settleOn("LevelObjectivesScene", 500));
        ASSERT_NE(play(), nullptr);
        ASSERT_NE(town(), nullptr);
        EXPECT_TRUE(play()->isObjectivesShown());
        EXPECT_FALSE(town()->isObjectivesActive()) << "the level waits for the window";
    }
};

// Every place of the first level, and the tree on its road, answers the
// pointer on its ground, and a click on a place chooses it: the action tabs turn to what can be built on it.
TEST_F(PlayLevelRun, EveryPlaceOfTheFirstLevelAnswersAClickOnItsGround) {
    startFor([](CProfileParameters& p) {
        p.setBool("PlayFirstComics", false);
        p.setInt("LevelIndex", 0);
        p.setBool("ShowTutorialOn", false);
        p.setBool("ShowTipsOn", false);
    });
    listen();
    ASSERT_NO_FATAL_FAILURE(enterLevel(1));
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("GamePlayScene", 0));
    GGameLevelScene* level = town();
    int places = 0;
    for (GBuildingNode* building : level->getPlaces()) {
        // A thing by the road takes the pointer once it has come out.
        if (!building->isVisible() || !building->canBeHit())
            continue;
        const CVector2di middle = middleOf(building);
        EXPECT_NE(building->getNodeAt(CVector3d(float(middle.x), float(middle.y), 0.0f)), nullptr)
            << building->getName().str().c_str();
        ++places;
    }
    EXPECT_GT(places, 4);
    ASSERT_TRUE(clickPlace("Place2"));
    ASSERT_TRUE(runFor(100));
    EXPECT_EQ(level->getFocusedBuilding(), place("Place2"));
    ASSERT_NE(play()->getActionsTabs(), nullptr);
    EXPECT_EQ(play()->getActionsTabs()->getActiveTab(), 4) << "the building groups";
    for (const std::string& line : warnings())
        ADD_FAILURE() << line;
}

// A level folder without its configuration: one line says so, and the
// loading screen goes on to the map instead of standing still.
TEST_F(PlayLevelRun, ALevelWithoutItsConfigurationLeavesTheLoadingScreenForTheMap) {
    std::filesystem::remove(m_dir.path() / "assets/levels/level1/LevelConfiguration.xml");
    startFor([](CProfileParameters& p) {
        p.setBool("PlayFirstComics", false);
        p.setInt("LevelIndex", 0);
    });
    ASSERT_TRUE(settleOn("MainMenuScene"));
    listen();
    auto* menu = nodeCast<GBaseSceneNode>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->goToIntro(IntroLevel, CStringW(), 0));
    ASSERT_TRUE(settleOn("MapNewScene"));
    EXPECT_EQ(warnings(), std::vector<std::string>{"ERR: Unable to find configuration for the level: levels/level1/"});
    EXPECT_EQ(play(), nullptr);
}

// A new player's first level, played by mouse as its tutorial asks: the
// houses, the tree on the road, the shop and a house raised a level, until
// both objective groups are met; the result screen, then the map.
TEST_F(PlayLevelRun, ANewPlayerPlaysTheFirstLevelToTheEndByMouse) {
    CProfileParameters* player = startFor([](CProfileParameters& p) {
        p.setBool("PlayFirstComics", false);
        p.setInt("LevelIndex", 0);
    });
    listen();
    ASSERT_NO_FATAL_FAILURE(enterLevel(1, true));
    expectLooksLikeReference("Level1Objectives");
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("GamePlayScene", 0));
    GGameLevelScene* level = town();
    ASSERT_TRUE(level->isObjectivesActive());
    ASSERT_NE(tutorial(), nullptr);
    ASSERT_TRUE(waitForHint(0));
    ASSERT_TRUE(runFor(500));
    expectLooksLikeReference("Level1Welcome");
    ASSERT_TRUE(clickAt({512, 384}));
    ASSERT_TRUE(waitForHint(1));
    ASSERT_TRUE(runFor(500));
    expectLooksLikeReference("Level1ChooseAPlace");
    ASSERT_TRUE(clickPlace("Place2"));
    ASSERT_TRUE(waitForHint(2));
    ASSERT_TRUE(click("ApartmentButton"));
    ASSERT_TRUE(waitForHint(3));
    ASSERT_TRUE(runFor(300));
    expectLooksLikeReference("Level1BuildList");
    ASSERT_TRUE(choose("ApartmentBuildList", 0));
    ASSERT_TRUE(waitForHint(4));
    EXPECT_EQ(place("Place2")->getTaskKind(), 1);
    ASSERT_TRUE(runFor(1500));
    expectLooksLikeReference("Level1WorkersWalk");
    // The hints that ask for no click move on as soon as they have been
    // read; the town keeps its own pace.
    ASSERT_TRUE(waitFor([&] { return isBuilt("Place2", "Apartment1"); }, 60000));
    ASSERT_TRUE(runFor(500));
    expectLooksLikeReference("Level1FirstHouse");
    // The tree on the road: a click sends workers to saw it up.
    ASSERT_TRUE(waitFor([&] { return hint() >= 6; }, 20000));
    ASSERT_TRUE(clickPlace("Location1"));
    ASSERT_TRUE(runFor(1000));
    expectLooksLikeReference("Level1ClearTheRoad");
    auto* tree = nodeCast<GOnRoadLocationNode>(place("Location1"));
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(waitFor([&] { return tree->getWorkState() == 5 || !place("Location1"); }, 60000));
    // The tutorial's next hint asks for a second house and waits until it
    // stands: the first one does not count. It goes up on the place beside
    // the first, and the first stage is met.
    ASSERT_TRUE(waitForHint(7, 30000));
    ASSERT_TRUE(runFor(3000));
    EXPECT_EQ(hint(), 7) << "the hint waits for the second house";
    ASSERT_TRUE(clickPlace("Place1"));
    ASSERT_TRUE(click("ApartmentButton"));
    ASSERT_TRUE(runFor(300));
    ASSERT_TRUE(choose("ApartmentBuildList", 0));
    ASSERT_TRUE(runFor(500));
    expectLooksLikeReference("Level1SecondHouse");
    EXPECT_EQ(hint(), 7) << "the hint waits until the house is built";
    ASSERT_TRUE(waitFor([&] { return isBuilt("Place1", "Apartment1"); }, 60000));
    ASSERT_TRUE(waitFor([&] { return level->getGroupIndex() == 1; }, 5000));
    // Then the hint points at the place for a shop.
    ASSERT_TRUE(waitForHint(9, 30000));
    ASSERT_TRUE(runFor(500));
    expectLooksLikeReference("Level1ShopPlace");
    ASSERT_TRUE(clickPlace("Place3"));
    ASSERT_TRUE(waitForHint(10));
    ASSERT_TRUE(click("CommercialButton"));
    ASSERT_TRUE(waitForHint(11));
    // Two houses leave too little for a store: the rents pay for it.
    ASSERT_TRUE(waitFor([&] { return play()->getHeadquarters()->getMoney() >= 25000; }, 120000));
    ASSERT_TRUE(choose("CommercialBuildList", 0));
    ASSERT_TRUE(waitFor([&] { return isBuilt("Place3", "Shop1"); }, 60000));
    ASSERT_TRUE(runFor(500));
    // The second stage asks for a shop, which stands, and an income the two
    // houses beside it bring: the level is won, and its tutorial ends.
    ASSERT_TRUE(waitFor([&] { return currentSceneName() == "LevelCompletedScene"; }, 200000));
    EXPECT_EQ(tutorial(), nullptr);
    ASSERT_TRUE(settleOn("LevelCompletedScene", 500));
    // The stages are counted out on the bar; a click hurries them, and OK
    // leads on to the map, where the next town waits.
    ASSERT_TRUE(clickAt({512, 300}));
    auto* ok = nodeCast<ControlNode>(onScreen("OkButton"));
    ASSERT_NE(ok, nullptr);
    ASSERT_TRUE(runFor(3000));
    expectLooksLikeReference("Level1Completed");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(std::string(player->getString("Ranks").c_str()).substr(0, 1), "2") << player->getString("Ranks").c_str();
    EXPECT_EQ(player->getInt("LevelIndex"), 1) << "the next level is the one to play";
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("MapNewScene", 500));
    expectLooksLikeReference("Level1BackOnTheMap");
    for (const std::string& line : warnings())
        ADD_FAILURE() << line;
}

// The second level, played by a player who has won the first: houses and a
// lumber mill, then the station, a train traded with and two houses raised
// a level, until both objective groups are met.
TEST_F(PlayLevelRun, APlayerPlaysTheSecondLevelToTheEndByMouse) {
    m_references = kPlayData / "run2";
    // The profile as the first level and the map leave it.
    CProfileParameters* player = startFor([](CProfileParameters& p) {
        p.setBool("PlayFirstComics", false);
        p.setBool("ShowTutorialMap1", false);
        p.setInt("MaxUnlockedLevelIndex", 0);
        p.setInt("LevelIndex", 1);
        p.setString("Ranks", "2");
    });
    listen();
    ASSERT_NO_FATAL_FAILURE(enterLevel(2));
    expectLooksLikeReference("Level2Objectives");
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("GamePlayScene", 0));
    GGameLevelScene* level = town();
    ASSERT_TRUE(level->isObjectivesActive());
    ASSERT_TRUE(runFor(1000));
    expectLooksLikeReference("Level2Start");
    // The tip about the mill is read, then clicked away.
    ASSERT_TRUE(runFor(8000));
    ASSERT_TRUE(clickAt({820, 600}));
    ASSERT_TRUE(waitFor([&] { return tutorial() == nullptr || hint() < 0; }, 2000));
    ASSERT_TRUE(clickPlace("Place2"));
    ASSERT_TRUE(runFor(300));
    ASSERT_TRUE(click("MunicipalButton"));
    ASSERT_TRUE(runFor(300));
    expectLooksLikeReference("Level2MunicipalList");
    ASSERT_TRUE(chooseBuilding("MunicipalBuildList", "LumberMill1"));
    ASSERT_TRUE(runFor(300));
    // Two houses while the mill goes up, the third as soon as a worker is
    // back: four workers build no more at once.
    for (const char* where : {"Place1", "Place3"}) {
        ASSERT_TRUE(clickPlace(where));
        ASSERT_TRUE(click("ApartmentButton"));
        ASSERT_TRUE(runFor(300));
        ASSERT_TRUE(chooseBuilding("ApartmentBuildList", "Apartment1"));
        ASSERT_TRUE(runFor(300));
    }
    expectLooksLikeReference("Level2Building");
    ASSERT_TRUE(waitFor([&] { return play()->getHeadquarters()->getWorkersCount() > 0; }, 60000));
    ASSERT_TRUE(clickPlace("Place4"));
    ASSERT_TRUE(click("ApartmentButton"));
    ASSERT_TRUE(runFor(300));
    ASSERT_TRUE(chooseBuilding("ApartmentBuildList", "Apartment1"));
    // Three houses and the mill meet the first stage; the second asks for
    // the station, better houses and more guests.
    ASSERT_TRUE(waitFor([&] { return level->getGroupIndex() == 1; }, 60000));
    ASSERT_TRUE(runFor(4000));
    expectLooksLikeReference("Level2SecondGroup");
    // The mill saws materials for the station.
    ASSERT_TRUE(clickPlace("Place2"));
    ASSERT_TRUE(runFor(300));
    expectLooksLikeReference("Level2MillOrders");
    ASSERT_TRUE(chooseOffer("MaterialsList", 2));
    ASSERT_TRUE(runFor(300));
    ASSERT_TRUE(tendUntil([&] { return money() >= 30000 && materials() >= 25; }, 300000));
    ASSERT_TRUE(clickPlace("Place5"));
    ASSERT_TRUE(click("MunicipalButton"));
    ASSERT_TRUE(runFor(300));
    ASSERT_TRUE(chooseBuilding("MunicipalBuildList", "RailRoadStation1"));
    // The station goes up by the rails; trains stop at it from then on.
    ASSERT_TRUE(tendUntil([&] { return isBuilt("Place5", "RailRoadStation1"); }, 60000));
    GBuildingNode* station = place("Place5");
    // The mill saws more, for the houses and for the next train.
    ASSERT_TRUE(
        tendUntil([&] { return money() >= 9000 && play()->getHeadquarters()->getWorkersCount() >= 3; }, 300000));
    ASSERT_TRUE(clickPlace("Place2"));
    ASSERT_TRUE(runFor(300));
    ASSERT_TRUE(chooseOffer("MaterialsList", 2));
    ASSERT_TRUE(tendUntil([&] { return materials() >= 30; }, 60000));
    ASSERT_TRUE(tendUntil(
        [&] {
            return !station->getStandingTrains().empty() && level->getTrainState(station->getStandingTrains()[0]) == 3;
        },
        300000));
    ASSERT_TRUE(clickPlace("Place5"));
    ASSERT_TRUE(runFor(300));
    expectLooksLikeReference("Level2Train");
    // The player sells the train part of the sawn wood, at its best price.
    {
        const int before = money();
        const int wood = materials();
        const int32_t offer = dearestOffer("SellList");
        ASSERT_GE(offer, 0);
        ASSERT_TRUE(chooseOffer("SellList", offer));
        ASSERT_TRUE(runFor(300));
        EXPECT_GT(money(), before);
        EXPECT_LT(materials(), wood);
    }
    expectLooksLikeReference("Level2Sold");
    // Two houses raised a level through their building page, each when the
    // rents have paid for it and the mill has sawn its materials.
    for (const char* house : {"Place1", "Place3"}) {
        ASSERT_TRUE(
            tendUntil([&] { return money() >= 9000 && play()->getHeadquarters()->getWorkersCount() >= 3; }, 300000));
        if (materials() < 20) {
            ASSERT_TRUE(clickPlace("Place2"));
            ASSERT_TRUE(runFor(300));
            ASSERT_TRUE(chooseOffer("MaterialsList", 2));
            ASSERT_TRUE(tendUntil([&] { return isBuilt("Place2", "LumberMill1"); }, 60000));
        }
        ASSERT_TRUE(tendUntil(
            [&] { return money() >= 30000 && materials() >= 20 && play()->getHeadquarters()->getWorkersCount() >= 2; },
            400000));
        ASSERT_TRUE(clickPlace(house));
        ASSERT_TRUE(runFor(300));
        expectLooksLikeReference(std::string("Level2Improve") + house);
        ASSERT_TRUE(click("UpgradeButton"));
        ASSERT_TRUE(runFor(300));
        // The workers raise the house a level.
        EXPECT_EQ(place(house)->getTaskKind(), GBuildingNode::TaskBuild) << house;
        EXPECT_EQ(typeOf(house), CName("Apartment2")) << house;
    }
    // A fourth house, on the lucky place, houses the last guests the stage asks for.
    ASSERT_TRUE(tendUntil([&] { return money() >= 15000 && materials() >= 10; }, 400000));
    ASSERT_TRUE(clickPlace("Place8"));
    ASSERT_TRUE(click("ApartmentButton"));
    ASSERT_TRUE(runFor(300));
    ASSERT_TRUE(chooseBuilding("ApartmentBuildList", "Apartment1"));
    ASSERT_TRUE(tendUntil([&] { return currentSceneName() == "LevelCompletedScene"; }, 400000));
    for (const char* house : {"Place1", "Place3"})
        EXPECT_EQ(typeOf(house), CName("Apartment2")) << house;
    ASSERT_TRUE(settleOn("LevelCompletedScene", 500));
    // The first stage was met in time: the best rank, kept in the profile
    // beside the first level's.
    ASSERT_TRUE(clickAt({512, 300}));
    ASSERT_TRUE(runFor(3000));
    expectLooksLikeReference("Level2Completed");
    EXPECT_EQ(std::string(player->getString("Ranks").c_str()).substr(0, 3), "2;2")
        << player->getString("Ranks").c_str();
    EXPECT_EQ(player->getInt("LevelIndex"), 2);
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("MapNewScene", 500));
    expectLooksLikeReference("Level2BackOnTheMap");
    for (const std::string& line : warnings())
        ADD_FAILURE() << line;
}
