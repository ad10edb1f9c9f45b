// The real game, run headless on its own assets: a new player goes from the
// menu over the map and the loading screen into the first levels and plays
// them to the end by mouse, as the tutorial and the objectives ask, up to
// the level-completed screen and back to the map. Every step is compared
// with its reference picture (BM_UPDATE_REFERENCES=1 writes them anew; look
// at them before committing them).

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/nodes/BaseListNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/scene/SceneManager.h"
#include "game/app/GIntroScene.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GTutorialController.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GOnRoadLocationNode.h"
#include "tests/game/app/FrontEndRunFixture.h"

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

    // Waits on the game's clock until `done()` holds, for `patienceMs` at most.
    template <class Done> bool waitFor(Done done, uint64_t patienceMs) {
        const uint64_t until = m_game->getTotalTime() + patienceMs;
        while (!done()) {
            if (m_game->getTotalTime() > until || !step())
                return false;
        }
        return true;
    }

    // Waits until the level tutorial shows its hint `index`.
    bool waitForHint(int index, uint64_t patienceMs = 5000) {
        const bool shown = waitFor([&] { return hint() == index; }, patienceMs);
        EXPECT_TRUE(shown) << "waiting for hint " << index << ", at " << hint();
        return shown;
    }

    // From the main menu over the map into level `number`, through the
    // loading screen, up to the objectives window.
    void enterLevel(int number) {
        ASSERT_TRUE(settleOn("MainMenuScene"));
        ASSERT_TRUE(click("NewGameButton"));
        ASSERT_TRUE(settleOn("MapNewScene"));
        ASSERT_TRUE(click(("Location" + std::to_string(number)).c_str()));
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
