#include "game/app/GBaseSceneNode.h"

#include "engine/core/CEventKeyUp.h"
#include "engine/scene/CNodeFactory.h"
#include "game/app/GDebugStatsScene.h"
#include "tests/game/app/SceneFlowFixture.h"

using namespace sceneflow;

TEST(GBaseSceneNode, NamesTheScreenRatioNearestToTheScreen) {
    const struct {
        int32_t width, height;
        const char* state;
    } rows[] = {
        {1366, 768, "Ratio_16/9"},
        {1280, 800, "Ratio_16/10"},
        {1440, 900, "Ratio_16/10"},
        {1280, 1024, "Ratio_4/3"},
        {1152, 768, "Ratio_3/2"},
        {1024, 768, "Ratio_4/3"},
        {1920, 1080, "Ratio_16/9"},
        {2560, 1080, "Ratio_16/9"},
        {1680, 1050, "Ratio_16/10"},
        // Halfway between 3/2 and 8/5 keeps the smaller ratio.
        {1550, 1000, "Ratio_3/2"},
        {800, 0, "Ratio_4/3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
        EXPECT_EQ(GBaseSceneNode::ratioStateName(row.width, row.height), CName(row.state));
    }
}

TEST(GBaseSceneNode, GivesAWholeSecondOfReadingPerFourteenCharacters) {
    const struct {
        int32_t characters, ms;
    } rows[] = {{0, 0}, {13, 0}, {14, 1000}, {27, 1000}, {28, 2000}, {140, 10000}};
    for (const auto& row : rows)
        EXPECT_EQ(textReadingTime(row.characters), row.ms) << row.characters;
}

class GBaseSceneNodeFlow : public SceneFlowTest {
protected:
    // The game on its logos screen with a base screen pushed over it.
    CRefHandle<GBaseSceneNode> pushScreen(bool backOnEsc, const char* type = "GBaseSceneNode") {
        writeStartScenes();
        (void)CNodeFactory::getShared()->registerNodeClass(CStringW(u"GBaseSceneNode"), &GBaseSceneNode::create);
        write("scenes/Screen.mscn", screen(type, "Screen"));
        // Long logos keep the logos screen waiting below.
        write("logos/Logos.xml", R"(<Logos><Logo Image="logos/A.png" Time="600000"/></Logos>)");
        writePicture("logos/A.png", 4, 4);
        GGameApplication* game = start();
        EXPECT_TRUE(game->init(CStringW()));
        // Each screen has arrived once its update runs.
        auto* below = nodeCast<GBaseSceneNode>(game->getSceneManager()->getCurrentScene());
        EXPECT_TRUE(runUntil([&] { return below && below->getScheduler(); }));
        if (!below)
            return CRefHandle<GBaseSceneNode>();
        game->registerGameClasses();
        CRefHandle<SceneNode> pushed = below->navigateToFile(CStringW(u"scenes/Screen.mscn"), false);
        auto screen = CRefHandle<GBaseSceneNode>::share(nodeCast<GBaseSceneNode>(pushed.get()));
        if (!screen)
            return screen;
        screen->setBackOnEsc(backOnEsc);
        EXPECT_TRUE(runUntilTop("Screen"));
        // The screen takes keys once its change is over.
        SceneManager* manager = game->getSceneManager();
        EXPECT_TRUE(runUntil([&] { return !manager->isInTransition(screen.get()) && screen->isFocused(); }));
        return screen;
    }
};

TEST_F(GBaseSceneNodeFlow, EscAndEnterGoBackOnlyWhenTheScreenAsksForIt) {
    const struct {
        int32_t key;
        bool backOnEsc;
        bool wentBack;
    } rows[] = {{27, true, true}, {13, true, true}, {27, false, false}, {13, false, false}, {32, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "key " << row.key << (row.backOnEsc ? " back on Esc" : ""));
        CRefHandle<GBaseSceneNode> screen = pushScreen(row.backOnEsc);
        ASSERT_TRUE(screen);
        // The update runs while the screen is shown.
        ASSERT_TRUE(runUntil([&] { return screen->getScheduler() != nullptr; }));
        EXPECT_EQ(screen->getScheduler(), screen->getSceneScheduler());
        const bool taken = post(new CEventKeyUp(0, row.key));
        ASSERT_TRUE(runFor(300));
        EXPECT_EQ(taken, row.wentBack);
        EXPECT_EQ(topName(), row.wentBack ? "Logos" : "Screen");
        if (row.wentBack) {
            EXPECT_EQ(screen->getScheduler(), nullptr);
        }
        screen.reset();
        m_game->release();
        m_game = nullptr;
    }
}

TEST_F(GBaseSceneNodeFlow, GoingToAMissingLoadingScreenChangesNothing) {
    CRefHandle<GBaseSceneNode> screen = pushScreen(false);
    ASSERT_TRUE(screen);
    std::filesystem::remove(m_dir.path() / "assets/scenes/IntroScene.mscn");
    EXPECT_FALSE(screen->goToIntro(IntroMainMenu, CStringW(), 0));
    EXPECT_EQ(topName(), "Screen");
}

TEST_F(GBaseSceneNodeFlow, TheCreditsGoBackOnEscAndEnterTheMessageScreenTakesNoKey) {
    const struct {
        const char* type;
        int32_t key;
        bool wentBack;
    } rows[] = {{"GCreditsScene", 27, true},
                {"GCreditsScene", 13, true},
                {"GCreditsScene", 32, false},
                {"GBetaMessageScene", 27, false},
                {"GBetaMessageScene", 13, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.type << " key " << row.key);
        CRefHandle<GBaseSceneNode> screen = pushScreen(false, row.type);
        ASSERT_TRUE(screen);
        EXPECT_EQ(post(new CEventKeyUp(0, row.key)), row.wentBack);
        ASSERT_TRUE(runFor(300));
        EXPECT_EQ(topName(), row.wentBack ? "Logos" : "Screen");
        screen.reset();
        m_game->release();
        m_game = nullptr;
    }
}

TEST(GDebugStatsScene, ShowsFramesMillisecondsAndHalfThePrimitives) {
    EXPECT_EQ(GDebugStatsScene::statisticsText(false, 60, 16, 1500), CStringW(u"fps: 60\nms: 16\nprims: 750"));
    EXPECT_EQ(GDebugStatsScene::statisticsText(true, 0, 0, 3),
              CStringW(u"Build #0 Build date: Thu Dec 15 10:44:00 2011\nfps: 0\nms: 0\nprims: 1"));
}
