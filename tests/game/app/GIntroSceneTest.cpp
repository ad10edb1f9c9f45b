#include "game/app/GIntroScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CLog.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/LogCapture.h"

#include <numeric>

using namespace sceneflow;

namespace {

using S = GIntroScene;

struct ListRow {
    const char* what;
    int32_t mode;
    bool forward;
    bool firstRun;
    std::vector<void (GIntroScene::*)()> steps;
    float total;
};

} // namespace

TEST(GIntroScene, ChoosesTheStepListOfItsModeWithItsWeights) {
    const ListRow rows[] = {
        {"first main menu",
         IntroMainMenu,
         true,
         true,
         {&S::loadCommonSoundPack, &S::loadComicsConfiguration, &S::loadCommonAtlas, &S::loadMainMenuAtlas,
          &S::loadCollections, &S::showMainMenu},
         95},
        {"later main menu",
         IntroMainMenu,
         true,
         false,
         {&S::loadMainMenuAtlas, &S::loadCollections, &S::showMainMenu},
         60},
        {"map",
         IntroMap,
         true,
         true,
         {&S::loadMapAtlas, &S::loadHeadquartersAtlas, &S::loadCollections, &S::showMap},
         110},
        {"level",
         IntroLevel,
         true,
         false,
         {&S::loadBuildingsAtlas, &S::loadEnvironmentAtlases, &S::loadGameMenuAtlas, &S::loadObjectivesMenuAtlas,
          &S::loadLevelAtlas, &S::loadLevelSoundPack, &S::loadObjectsConfiguration, &S::loadLevelCollections,
          &S::loadCollections, &S::loadLevelScene, &S::loadPlayScene, &S::startLevel},
         255},
        {"level returned to",
         IntroLevel,
         false,
         false,
         {&S::loadObjectsConfiguration, &S::loadLevelScene, &S::loadPlayScene, &S::startLevel},
         70},
        {"headquarters",
         IntroHeadquarters,
         true,
         false,
         {&S::loadHeadquartersAtlas, &S::loadCollections, &S::showHeadquarters},
         60},
        {"comics",
         IntroComics,
         true,
         false,
         {&S::loadCollections, &S::loadComicsAtlases, &S::loadComicsSoundPack, &S::loadComicsScene, &S::showComics},
         145},
        {"comics over a screen", IntroComicsOver, true, false, {&S::loadComicsScene, &S::showComics}, 60},
        {"unknown mode", 9, true, false, {}, 0},
    };
    for (const ListRow& row : rows) {
        SCOPED_TRACE(row.what);
        uint32_t count = 99;
        const GLoadingStep* steps = GIntroScene::stepList(row.mode, row.forward, row.firstRun, count);
        ASSERT_EQ(count, row.steps.size());
        float total = 0.0f;
        for (uint32_t i = 0; i < count; ++i) {
            EXPECT_TRUE(steps[i].run == row.steps[i]) << "step " << i;
            total += steps[i].weight;
        }
        EXPECT_EQ(total, row.total);
    }
}

TEST(GIntroScene, FindsTheComicsEpisodeInTheWholeDigitRunOfItsFolder) {
    const struct {
        const char16_t* name;
        const char16_t* episode;
    } rows[] = {
        {u"scenes/Comics/episode1/ComicsScene.mscn", u"1"},
        {u"scenes/Comics/episode12/ComicsScene.mscn", u"12"},
        {u"scenes/Comics/final/ComicsScene.mscn", u"l"},
        {u"scene/ComicsScene.mscn", u""}, // last '/' at index 5
        {u"ComicsScene.mscn", u""},
        {u"", u""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(GIntroScene::comicsEpisode(CStringW(row.name)), CStringW(row.episode));
}

class GIntroSceneFlow : public SceneFlowTest {
protected:
    void SetUp() override {
        SceneFlowTest::SetUp();
        GIntroScene::resetFirstRun();
    }

    // The game on its loading screen in `mode` (from an empty logo list).
    GIntroScene* startLoading(int32_t mode, const CStringW& name = CStringW()) {
        writeStartScenes();
        GGameApplication* game = start();
        EXPECT_TRUE(game->init(CStringW()));
        auto* logos = nodeCast<GBaseSceneNode>(game->getSceneManager()->getCurrentScene());
        if (!logos || !logos->goToIntro(mode, name, 0))
            return nullptr;
        return nodeCast<GIntroScene>(game->getSceneManager()->getCurrentScene());
    }
};

TEST_F(GIntroSceneFlow, RunsOneStepPerUpdateAndFillsTheBarByTheWeights) {
    write("scenes/MapNewScene.mscn", screen("SceneNode", "Map"));
    CRefHandle<GIntroScene> intro = CRefHandle<GIntroScene>::share(startLoading(IntroMap));
    ASSERT_TRUE(intro);
    BaseNode* bar = intro->findChild(CName("Progress"), 0);
    ASSERT_NE(bar, nullptr);
    // The scene manager alone brings the screen in; its steps wait for the
    // updates, which from here on are this test's own.
    for (int i = 0; i < 100 && intro->getScheduler() == nullptr; ++i)
        (void)m_game->getSceneManager()->update(10);
    ASSERT_NE(intro->getScheduler(), nullptr);
    ASSERT_EQ(intro->getNextStep(), 0u);
    EXPECT_EQ(bar->getBounds().x, 0.0f);
    const struct {
        uint32_t elapsed;
        uint32_t nextStep;
        float width;
    } updates[] = {
        {31, 1, 400.0f * 50 / 110},   {5, 1, 400.0f * 50 / 110}, {6, 2, 400.0f * 70 / 110},
        {500, 3, 400.0f * 100 / 110}, {31, 4, 400.0f},           {31, 4, 400.0f},
    };
    for (const auto& u : updates) {
        EXPECT_TRUE(intro->update(u.elapsed));
        EXPECT_EQ(intro->getNextStep(), u.nextStep);
        EXPECT_NEAR(bar->getBounds().x, u.width, 0.01f);
        EXPECT_EQ(bar->getBounds().y, 20.0f);
    }
    ASSERT_TRUE(runUntilTop("Map"));
}

TEST_F(GIntroSceneFlow, TheFirstMainMenuLoadingOfTheProcessLoadsTheGlobalContent) {
    GIntroScene* first = startLoading(IntroMainMenu);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getTotalWeight(), 95.0f);
    ASSERT_TRUE(runUntilTop("MainMenu"));
    auto* menu = nodeCast<GBaseSceneNode>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_EQ(menu, nullptr); // a plain scene here
    auto* logos = first;
    ASSERT_TRUE(logos->goToIntro(IntroMainMenu, CStringW(), 0));
    auto* again = nodeCast<GIntroScene>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->getTotalWeight(), 60.0f);
}

TEST_F(GIntroSceneFlow, ALevelThatCannotBeLoadedGoesBackToTheMap) {
    const struct {
        const char* what;
        const char* levelScene; // null: no file
        const char* message;
    } rows[] = {
        {"no level scene", nullptr, "Unable to load level scene: levels/level3/Level.mscn"},
        {"a plain scene", "SceneNode", "Unable to load level scene: levels/level3/Level.mscn"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        write("scenes/MapNewScene.mscn", screen("SceneNode", "Map"));
        if (row.levelScene)
            write("levels/level3/Level.mscn", screen(row.levelScene, "Level"));
        // A player on the third level.
        LogCapture log;
        writeStartScenes();
        GGameApplication* game = start();
        ASSERT_TRUE(game->init(CStringW()));
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        ASSERT_NE(profiles, nullptr);
        ASSERT_TRUE(profiles->addProfile(CStringW(u"Ann")));
        ASSERT_TRUE(profiles->setActiveProfile(int(profiles->getProfileCount()) - 1));
        profiles->getActiveProfile()->setInt("LevelIndex", 2);
        auto* logos = nodeCast<GBaseSceneNode>(game->getSceneManager()->getCurrentScene());
        ASSERT_TRUE(logos->goToIntro(IntroLevel, CStringW(), 0));
        auto* intro = nodeCast<GIntroScene>(game->getSceneManager()->getCurrentScene());
        ASSERT_NE(intro, nullptr);
        EXPECT_EQ(intro->getLevelFolder(), CStringW(u"levels/level3/"));
        ASSERT_TRUE(runUntilTop("Map"));
        EXPECT_TRUE(log.contains(row.message));
        m_game->release();
        m_game = nullptr;
        std::filesystem::remove_all(m_dir.path() / "assets/levels");
    }
}
