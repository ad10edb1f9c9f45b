// The real game, run headless on its own assets with the fixture level and
// the fixture play screen in place of the first level's: from the menu over
// the map and the loading screen into the level, through the objectives
// window, and the level played. Each step is compared with its reference
// picture (BM_UPDATE_REFERENCES=1 writes them anew; look at them before
// committing them).

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/SceneManager.h"
#include "game/app/GIntroScene.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/config/LevelConfiguration.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/world/GGameLevelScene.h"
#include "tests/game/app/FrontEndRunFixture.h"

#include <functional>
#include <string>

using frontend::narrow;

namespace {

const std::filesystem::path kPlayData = sceneflow::kSourceFolder / "tests/game/play/data";
const std::filesystem::path kFixtureLevel = sceneflow::kSourceFolder / "tests/game/world/data/level1";
constexpr const char* kRepositoryAssets = "../../../../../assets/";

std::string readText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = readAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The fixture play screen without the green field that stands in for a
// level in its own tests: here the level itself lies below the HUD.
std::string playScreenOverALevel() {
    std::string text = readText(kPlayData / "GamePlayScene.mscn");
    const size_t name = text.find("Value=\"LevelStandIn\"");
    if (name == std::string::npos)
        return text;
    const size_t start = text.rfind("<SceneNode", name);
    const size_t end = text.find("</SceneNode>", name);
    text.erase(start, end + std::string("</SceneNode>").size() - start);
    return text;
}

} // namespace

class PlayLevelRun : public frontend::FrontEndRun {
protected:
    void SetUp() override {
        FrontEndRun::SetUp();
        m_references = kPlayData / "run";
        for (const char* name : {"LevelConfiguration.xml", "Tutorial.xml", "wgrid.bin"})
            (void)m_dir.write(std::string("assets/levels/level1/") + name, readAllBytes(kFixtureLevel / name));
        // The fixture names its pictures from its place in the repository.
        std::string level = readText(kFixtureLevel / "Level.mscn");
        for (size_t at = level.find(kRepositoryAssets); at != std::string::npos; at = level.find(kRepositoryAssets))
            level.replace(at, std::string(kRepositoryAssets).size(), "../../");
        (void)m_dir.write("assets/levels/level1/Level.mscn", std::vector<uint8_t>(level.begin(), level.end()));
        const std::string play = playScreenOverALevel();
        (void)m_dir.write("assets/scenes/GamePlayScene.mscn", std::vector<uint8_t>(play.begin(), play.end()));
        // The game's templates stand in for the level templates its assets
        // do not have yet: the buildings and walkers are among them.
        std::string templates = readText(sceneflow::kSourceFolder / "assets/scenes/TemplateCollection.mscn");
        for (size_t at = templates.find("Value=\"../"); at != std::string::npos;
             at = templates.find("Value=\"../", at + 12))
            templates.insert(at + 7, "../");
        (void)m_dir.write("assets/levels/common/TemplateCollection.mscn",
                          std::vector<uint8_t>(templates.begin(), templates.end()));
        (void)m_dir.write("assets/scenes/LevelObjectivesScene.mscn",
                          readAllBytes(kPlayData / "LevelObjectivesScene.mscn"));
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
};

// A new player's first level: the menu's New game opens the map, the first
// location and Play load the level; the objectives window comes up over the
// play screen, OK closes it and the level's clock runs under the HUD.
TEST_F(PlayLevelRun, FromTheMapThroughTheLoadingScreenAndTheObjectivesWindowIntoThePlayingLevel) {
    CProfileParameters* player = startFor([](CProfileParameters& p) {
        p.setBool("PlayFirstComics", false);
        p.setInt("LevelIndex", 0);
        p.setBool("ShowTutorialOn", false);
        p.setBool("ShowTipsOn", false);
    });
    listen();
    ASSERT_TRUE(settleOn("MainMenuScene"));
    ASSERT_TRUE(click("NewGameButton"));
    ASSERT_TRUE(settleOn("MapNewScene"));
    ASSERT_TRUE(click("Location1"));
    ASSERT_TRUE(runFor(200));
    EXPECT_EQ(player->getInt("LevelIndex"), 0);
    ASSERT_TRUE(click("PlayButton"));
    ASSERT_TRUE(runUntil([&] { return nodeCast<GIntroScene>(m_game->getSceneManager()->getCurrentScene()); }));
    EXPECT_EQ(nodeCast<GIntroScene>(m_game->getSceneManager()->getCurrentScene())->getMode(), IntroLevel);

    // The loading screen stays at the bottom; the play screen over it asks
    // for the objectives window at once.
    ASSERT_TRUE(settleOn("LevelObjectivesScene", 500));
    GGamePlayScene* screen = play();
    ASSERT_NE(screen, nullptr);
    GGameLevelScene* level = screen->getWorld();
    ASSERT_NE(level, nullptr);
    EXPECT_TRUE(screen->isObjectivesShown());
    EXPECT_FALSE(level->isObjectivesActive()) << "the level waits for the window";
    ASSERT_EQ(m_game->getSceneManager()->getChildren().size(), 3u);
    EXPECT_NE(nodeCast<GIntroScene>(m_game->getSceneManager()->getChildren()[0]), nullptr);
    EXPECT_EQ(m_game->getOverlaySceneManager()->getCurrentScene(), level);
    EXPECT_EQ(m_game->getOverlaySceneManager()->getParent(), screen->findChild(CName("Scene"), 1));
    EXPECT_EQ(m_game->getOverlaySceneManager()->getPendingTransitionCount(), 0u) << "the town has come in";
    expectLooksLikeReference("ObjectivesWindow");

    // OK: the level starts; its first group runs on the clock.
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("GamePlayScene", 0));
    EXPECT_TRUE(level->isObjectivesActive());
    EXPECT_EQ(level->getGroupIndex(), 0);
    // The first group waits for the player's first click in the town.
    ASSERT_TRUE(runFor(1000));
    EXPECT_EQ(level->getLevelTime(), 0);
    expectLooksLikeReference("LevelWaiting");
    // The player's first click on the town starts its clock. The places of
    // the town as the game's templates draw it take no pointer yet (their
    // pictures answer no hit test), so the click on the town's background
    // is handed to the level as its scene manager hands it on.
    {
        CRefHandle<CEvent> clicked(new CEventClicked(level));
        (void)level->handleEvent(clicked.get());
    }
    EXPECT_FALSE(level->areRandomEventsPaused());
    const int clockAtArrival = level->getLevelTime();
    ASSERT_TRUE(runFor(3000));
    EXPECT_EQ(level->getGroupIndex(), 0);
    EXPECT_GE(level->getLevelTime() - clockAtArrival, 2500);
    GProgressBarWithCheckpointsNode* clock = screen->getTimeProgressBar();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->getMaxValue(), 840.0f);
    ASSERT_EQ(clock->getCheckpointTimes().size(), 3u);
    EXPECT_NEAR(clock->getValue(), float(level->getLevelTime()) / 1000.0f, 0.1f);
    expectLooksLikeReference("LevelPlaying");
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
