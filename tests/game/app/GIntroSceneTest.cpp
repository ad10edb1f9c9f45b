#include "game/app/GIntroScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CLog.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/IGameLevelScreens.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/LogCapture.h"

#include <numeric>

using namespace sceneflow;

namespace {

using S = GIntroScene;

// Stand-ins for the level scene and the play screen, whose classes live in
// the libraries above this one. A level scene named "NoOffice" has no
// headquarters building; a play screen named "Refuses" cannot start a level.
template <class Self, int32_t Id> class StandInScene : public GBaseSceneNode {
public:
    using GBaseSceneNode::GBaseSceneNode;
    static BaseNode* create(const CObjectName& name) { return new Self(name, nullptr, nullptr); }
    BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override {
        return cloneAs<Self>(parent, sceneManager);
    }
    [[nodiscard]] int32_t getTypeId() const override { return Id; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == Id || GBaseSceneNode::isKindOf(id); }
};

class TestLevelScene : public StandInScene<TestLevelScene, GIntroScene::LevelSceneTypeId>, public ILevelSceneStart {
public:
    using StandInScene::StandInScene;
    [[nodiscard]] bool hasHeadquarters() const override { return getName() != CName("NoOffice"); }
};

class TestPlayScene : public StandInScene<TestPlayScene, GIntroScene::PlaySceneTypeId>, public IPlaySceneStart {
public:
    using StandInScene::StandInScene;
    bool startLevel(const CStringW& levelFolder, SceneNode* levelScene) override {
        startedFolder = levelFolder;
        startedScene = levelScene;
        return getName() != CName("Refuses");
    }
    CStringW startedFolder;
    SceneNode* startedScene = nullptr;
};

// The same type ids without the start interfaces.
template <int32_t Id> class BareScene : public StandInScene<BareScene<Id>, Id> {
public:
    using StandInScene<BareScene<Id>, Id>::StandInScene;
};

void registerStandIns() {
    CNodeFactory* factory = CNodeFactory::getShared();
    (void)factory->registerNodeClass(CStringW(u"TestLevelScene"), &TestLevelScene::create);
    (void)factory->registerNodeClass(CStringW(u"TestPlayScene"), &TestPlayScene::create);
    (void)factory->registerNodeClass(CStringW(u"BareLevelScene"), &BareScene<GIntroScene::LevelSceneTypeId>::create);
    (void)factory->registerNodeClass(CStringW(u"BarePlayScene"), &BareScene<GIntroScene::PlaySceneTypeId>::create);
}

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
        registerStandIns();
    }

    // The game loading the level of index `levelIndex` for the player Ann.
    GIntroScene* startLevelLoading(int32_t levelIndex) {
        writeStartScenes();
        GGameApplication* game = start();
        EXPECT_TRUE(game->init(CStringW()));
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        if (!profiles || !profiles->addProfile(CStringW(u"Ann")) ||
            !profiles->setActiveProfile(int(profiles->getProfileCount()) - 1))
            return nullptr;
        profiles->getActiveProfile()->setInt("LevelIndex", levelIndex);
        auto* logos = nodeCast<GBaseSceneNode>(game->getSceneManager()->getCurrentScene());
        if (!logos || !logos->goToIntro(IntroLevel, CStringW(), 0))
            return nullptr;
        return nodeCast<GIntroScene>(game->getSceneManager()->getCurrentScene());
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

TEST_F(GIntroSceneFlow, ALevelThatCannotBeStartedGoesBackToTheMapWithItsCause) {
    const struct {
        const char* what;
        const char* levelType; // null: no file
        const char* levelName;
        const char* playType; // null: no file
        const char* playName;
        const char* message;
    } rows[] = {
        {"no level scene", nullptr, "Level", "TestPlayScene", "Play",
         "Unable to load level scene: levels/level3/Level.mscn"},
        {"a plain scene", "SceneNode", "Level", "TestPlayScene", "Play",
         "Unable to load level scene: levels/level3/Level.mscn"},
        {"a level class that cannot start", "BareLevelScene", "Level", "TestPlayScene", "Play",
         "The level scene cannot be started (its class has no start interface): levels/level3/Level.mscn"},
        {"no headquarters", "TestLevelScene", "NoOffice", "TestPlayScene", "Play",
         "No Major Office found on the level: levels/level3/Level.mscn"},
        {"no play screen", "TestLevelScene", "Level", nullptr, "Play", "Unable to load GamePlayScene.mscn"},
        {"a plain play screen", "TestLevelScene", "Level", "SceneNode", "Play",
         "Unable to identify GamePlayScene.mscn"},
        {"a play class that cannot start", "TestLevelScene", "Level", "BarePlayScene", "Play",
         "GamePlayScene.mscn cannot start a level (its class has no start interface)"},
        // The play screen says why it refuses; the loading screen adds nothing.
        {"a play screen refusing the level", "TestLevelScene", "Level", "TestPlayScene", "Refuses", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        write("scenes/MapNewScene.mscn", screen("SceneNode", "Map"));
        if (row.levelType)
            write("levels/level3/Level.mscn", screen(row.levelType, row.levelName));
        if (row.playType)
            write("scenes/GamePlayScene.mscn", screen(row.playType, row.playName));
        LogCapture log;
        GIntroScene* intro = startLevelLoading(2);
        ASSERT_NE(intro, nullptr);
        EXPECT_EQ(intro->getLevelFolder(), CStringW(u"levels/level3/"));
        ASSERT_TRUE(runUntilTop("Map"));
        if (row.message) {
            EXPECT_EQ(log.count(row.message), 1u);
        } else {
            // Only a machine without a driver (wine's missing Direct3D or
            // OpenAL) may add errors of its own.
            EXPECT_EQ(log.count("ERR: "), log.count("ERR: Could not create "));
        }
        m_game->release();
        m_game = nullptr;
        std::filesystem::remove_all(m_dir.path() / "assets/levels");
        std::filesystem::remove(m_dir.path() / "assets/scenes/GamePlayScene.mscn");
    }
}

TEST_F(GIntroSceneFlow, ALoadedLevelLeavesTheLoadingScreenBelowThePlayScreenAndRestartReloadsItsScenes) {
    write("levels/level1/Level.mscn", screen("TestLevelScene", "Level"));
    write("scenes/GamePlayScene.mscn", screen("TestPlayScene", "Play"));
    GIntroScene* intro = startLevelLoading(0);
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(intro->getTotalWeight(), 255.0f);
    ASSERT_TRUE(runUntilTop("Play"));
    SceneManager* scenes = m_game->getSceneManager();
    ASSERT_EQ(scenes->getChildren().size(), 2u);
    EXPECT_EQ(scenes->getChildren()[0], intro);
    auto* play = dynamic_cast<TestPlayScene*>(scenes->getCurrentScene());
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->startedFolder, CStringW(u"levels/level1/"));
    ASSERT_NE(play->startedScene, nullptr);
    EXPECT_TRUE(play->startedScene->isKindOf(GIntroScene::LevelSceneTypeId));
    EXPECT_FALSE(m_game->getEngine()->getRunWhenInactive());

    // Restart: back to the loading screen, which runs the short list and
    // shows a play screen again.
    ASSERT_TRUE(play->navigateBack(1));
    ASSERT_TRUE(runUntil([&] { return topName() == "Intro"; }));
    EXPECT_EQ(intro->getTotalWeight(), 70.0f);
    ASSERT_TRUE(runUntilTop("Play"));
    EXPECT_EQ(scenes->getChildren().size(), 2u);
    EXPECT_EQ(scenes->getChildren()[0], intro);
    auto* again = dynamic_cast<TestPlayScene*>(scenes->getCurrentScene());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->startedFolder, CStringW(u"levels/level1/"));
}

TEST_F(GIntroSceneFlow, OnlyTheHeadquartersAndComicsLoadingsKeepTheImagesOfTheirTextures) {
    const struct {
        int32_t mode;
        bool keep;
    } rows[] = {{IntroMainMenu, false},    {IntroMap, false},   {IntroLevel, false},
                {IntroHeadquarters, true}, {IntroComics, true}, {IntroComicsOver, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        GIntroScene* intro = startLoading(row.mode);
        ASSERT_NE(intro, nullptr);
        ASSERT_TRUE(runUntil([&] { return intro->getTotalWeight() > 0.0f; }));
        IGraphicsDriver* driver = m_game->getEngine()->getVideoDriver();
        EXPECT_EQ(driver->textureFlag(16), row.keep);
        m_game->release();
        m_game = nullptr;
    }
}

TEST_F(GIntroSceneFlow, AMissingNextScreenIsLoggedOnceAndTheLoadingGoesBack) {
    const struct {
        const char* what;
        int32_t mode;
        const char16_t* name;
        const char* message;
        const char* backTo;
    } rows[] = {
        {"the map", IntroMap, u"", "Unable to show the next screen: scenes/MapNewScene.mscn", "MainMenu"},
        {"the headquarters", IntroHeadquarters, u"", "Unable to show the next screen: scenes/HeadquartersScene.mscn",
         "MainMenu"},
        {"a comic", IntroComics, u"scenes/Comics/episode1/ComicsScene.mscn",
         "Unable to show the next screen: scenes/Comics/episode1/ComicsScene.mscn", "MainMenu"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log;
        GIntroScene* intro = startLoading(row.mode, CStringW(row.name));
        ASSERT_NE(intro, nullptr);
        ASSERT_TRUE(runUntilTop(row.backTo));
        if (row.message) {
            EXPECT_EQ(log.count(row.message), 1u);
        } else {
            // Only a machine without a driver (wine's missing Direct3D or
            // OpenAL) may add errors of its own.
            EXPECT_EQ(log.count("ERR: "), log.count("ERR: Could not create "));
        }
        EXPECT_FALSE(m_game->getEngine()->getRunWhenInactive());
        m_game->release();
        m_game = nullptr;
    }
}

TEST_F(GIntroSceneFlow, AComicOverAScreenThatCannotBeShownGoesBackToThatScreen) {
    writeStartScenes("TestLevelScene"); // a main menu that is a game screen
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    auto* logos = nodeCast<GBaseSceneNode>(game->getSceneManager()->getCurrentScene());
    ASSERT_TRUE(logos->goToIntro(IntroMainMenu, CStringW(), 0));
    ASSERT_TRUE(runUntilTop("MainMenu"));
    auto* menu = nodeCast<GBaseSceneNode>(game->getSceneManager()->getCurrentScene());
    ASSERT_NE(menu, nullptr);
    const uint32_t screens = game->getSceneManager()->getChildren().size();
    LogCapture log;
    ASSERT_TRUE(menu->goToIntro(IntroComicsOver, CStringW(u"scenes/Comics/episode1/ComicsScene.mscn"), 0));
    ASSERT_TRUE(runUntil([&] { return topName() == "Intro"; }));
    ASSERT_TRUE(runUntilTop("MainMenu"));
    EXPECT_EQ(log.count("Unable to show the next screen: scenes/Comics/episode1/ComicsScene.mscn"), 1u);
    EXPECT_EQ(game->getSceneManager()->getChildren().size(), screens);
}
