// The real game, run headless on its own assets, between two levels: a
// finished level's result and where it leads, the map for players at
// different points of the game, and the headquarters' purchases. Each screen
// is compared with its reference picture (BM_UPDATE_REFERENCES=1 writes them
// anew; look at them before committing them).

#include "engine/content/CContentManager.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CMat4.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeState.h"
#include "game/app/GIntroScene.h"
#include "game/config/ComicsConfiguration.h"
#include "game/config/GlobalConfig.h"
#include "game/play/GTutorialController.h"
#include "game/screens/GComicsScene.h"
#include "game/screens/GHeadquartersScene.h"
#include "game/screens/GLevelCompletedScene.h"
#include "game/screens/GMapLocationButton.h"
#include "game/screens/GMapScene.h"
#include "tests/game/app/FrontEndRunFixture.h"
#include "tests/game/screens/FinishedLevel.h"

#include <functional>
#include <string>

using frontend::narrow;

namespace {

constexpr int32_t kKeyEnter = 13;

std::string stateOf(const BaseNode* node) {
    const CNodeState* state = node ? node->getCurrentState() : nullptr;
    return state ? std::string(state->getName().str().c_str()) : std::string();
}

} // namespace

class BetweenLevels : public frontend::FrontEndRun {
protected:
    bool post(CEvent* event) {
        CRefHandle<CEvent> held(event);
        return m_game->getEngine()->postEvent(event);
    }

    using Setup = std::function<void(CProfileParameters&)>;

    void SetUp() override {
        FrontEndRun::SetUp();
        m_references = sceneflow::kSourceFolder / "tests/game/screens/data";
    }

    // The game started for the player "Ada" as `setup` leaves her, on its
    // logos screen with every class registered.
    CProfileParameters* startFor(const Setup& setup) {
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
        game->registerGameClasses();
        EXPECT_TRUE(runSteps(5));
        return player;
    }

    // A restart of the whole program, profiles read again from disk.
    void restart() {
        m_game->release();
        m_game = nullptr;
        m_device.reset();
    }

    [[nodiscard]] GBaseSceneNode* top() const {
        return nodeCast<GBaseSceneNode>(m_game->getSceneManager()->getCurrentScene());
    }

    // Through the loading screen to the screen of `mode`, named `screen`.
    bool goTo(int32_t mode, const std::string& screen) {
        GBaseSceneNode* scene = top();
        EXPECT_NE(scene, nullptr);
        return scene && scene->goToIntro(mode, CStringW(), 0) && settleOn(screen);
    }

    // Waits for the loading screen and answers the mode it was opened in.
    int32_t nextIntroMode() {
        GIntroScene* intro = nullptr;
        EXPECT_TRUE(runUntil([&] {
            intro = nodeCast<GIntroScene>(m_game->getSceneManager()->getCurrentScene());
            return intro != nullptr;
        }));
        return intro ? intro->getMode() : -1;
    }

    [[nodiscard]] GMapScene* map() const { return nodeCast<GMapScene>(m_game->getSceneManager()->getCurrentScene()); }

    // The result screen of `level` pushed over the screen on top.
    GLevelCompletedScene* showResult(FinishedLevel* level) {
        CRefHandle<IContent> loaded(m_game->getContentManager()->load(
            ContentTypeSceneNode, CStringW(u"scenes/LevelCompletedScene.mscn"), false));
        auto* screen = nodeCast<GLevelCompletedScene>(dynamic_cast<BaseNode*>(loaded.get()));
        EXPECT_NE(screen, nullptr);
        if (!screen)
            return nullptr;
        screen->setLevelScene(level);
        // The screen below stays in sight, as the level does.
        EXPECT_TRUE(top()->navigateTo(screen, true, CName("NoTransTo"), CName("NavTo")));
        EXPECT_TRUE(settleOn("LevelCompletedScene", 0));
        return screen;
    }
};

TEST_F(BetweenLevels, AFinishedLevelReplaysItsGroupsThenShowsItsRank) {
    startFor(nullptr);
    m_game->getGlobalConfig()->LevelCompletedProgressBarTime = 7000;
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    CRefHandle<FinishedLevel> level(new FinishedLevel(4, {60, 60, 120}, {1, 0, 1}));
    GLevelCompletedScene* result = showResult(level.get());
    ASSERT_NE(result, nullptr);
    auto* ok = nodeCast<ButtonNode>(onScreen("OkButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(ok->isEnabled()) << "OK waits for the replay";
    EXPECT_EQ(narrow(nodeCast<TextNode>(onScreen("TitleText"))->getText()), "Level 4 completed!");
    ASSERT_EQ(result->getGroupEnds().size(), 3u);
    EXPECT_FLOAT_EQ(result->getGroupEnds()[0], 0.25f);
    EXPECT_FLOAT_EQ(result->getGroupEnds()[1], 0.5f);
    EXPECT_FLOAT_EQ(result->getGroupEnds()[2], 1.0f);

    // Each result shows as the bar passes its group's end, one at a time.
    std::vector<int32_t> shownAt;
    ASSERT_TRUE(runUntil([&] {
        while (shownAt.size() < 3 - result->getGroupEnds().size())
            shownAt.push_back(result->getElapsed());
        return result->getGroupEnds().empty();
    }));
    ASSERT_EQ(shownAt.size(), 3u);
    const int32_t expected[] = {1750, 3500, 7000};
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(shownAt[i], expected[i]) << i;
        EXPECT_LE(shownAt[i], expected[i] + 100) << i;
    }
    EXPECT_EQ(result->getPassed(), 2);
    EXPECT_EQ(narrow(nodeCast<TextNode>(onScreen("RangText"))->getText()), "%Rang%");
    EXPECT_TRUE(ok->isEnabled());
    ASSERT_TRUE(runFor(800));
    expectLooksLikeReference("LevelCompletedScene");
}

TEST_F(BetweenLevels, AClickOnTheWindowHurriesTheReplayAndALevelWithoutGroupsCanBeLeftAtOnce) {
    startFor(nullptr);
    m_game->getGlobalConfig()->LevelCompletedProgressBarTime = 0;
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    CRefHandle<FinishedLevel> level(new FinishedLevel(2, {100, 100}, {}, false));
    GLevelCompletedScene* result = showResult(level.get());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->getBarTime(), GLevelCompletedScene::DefaultBarTimeMs) << "a bar time of 0 would never end";
    ASSERT_EQ(result->getGroupResults().size(), 2u);
    EXPECT_EQ(result->getGroupResults()[0], 1) << "without a clock every group counts as passed";
    auto* ok = nodeCast<ButtonNode>(onScreen("OkButton"));
    EXPECT_FALSE(ok->isEnabled());
    ASSERT_TRUE(click("Frame"));
    ASSERT_TRUE(runFor(100));
    EXPECT_EQ(result->getSpeed(), GLevelCompletedScene::FastSpeed);
    EXPECT_TRUE(ok->isEnabled());
    ASSERT_TRUE(runUntil([&] { return result->getGroupEnds().empty(); }));
    EXPECT_LT(m_game->getTotalTime(), 7000u + 20000u);

    // A level of no groups has nothing to replay: OK at once.
    CRefHandle<FinishedLevel> empty(new FinishedLevel(3, {}, {}));
    (void)top()->navigateBack(0);
    ASSERT_TRUE(settleOn("MapNewScene", 0));
    GLevelCompletedScene* second = showResult(empty.get());
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(nodeCast<ButtonNode>(onScreen("OkButton"))->isEnabled());
}

TEST_F(BetweenLevels, TheResultLeadsToTheComicTheHeadquartersTheMapOrAfterTheLastLevelTheMenu) {
    const struct {
        const char* what;
        int maxUnlocked;
        int levelIndex;
        bool expert;
        int32_t mode;
        const char* screen; // empty: only the loading screen's mode is checked
    } rows[] = {
        {"a new level reached that has a comic", 11, 12, false, IntroComics, ""},
        {"a first top rank from the headquarters level on", 12, 12, true, IntroHeadquarters, "HeadquartersScene"},
        {"a first top rank before the headquarters level", 12, 8, true, IntroMap, "MapNewScene"},
        {"a level played again", 12, 10, false, IntroMap, "MapNewScene"},
        {"the last level", 47, 47, false, IntroMainMenu, "MainMenuScene"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CProfileParameters* player = startFor([&](CProfileParameters& p) {
            p.setInt("MaxUnlockedLevelIndex", row.maxUnlocked);
            p.setInt("LevelIndex", row.levelIndex);
            p.setInt("FirstPassedLevelNum", -10);
            p.setBool("FirstTimeLevelExpert", row.expert);
            p.setBool("HQCompleted", false);
            p.setBool("ShowTutorialOn", false);
        });
        m_game->getGlobalConfig()->AllowHQUpgradeFromLevel = 9;
        // The comics the game reads on its way to the first menu.
        CRefHandle<CXmlStreamReader> comics(
            m_game->getEngine()->getFileSystem()->openXmlReader(CStringW(u"scenes/ComicsConfiguration.xml")));
        ASSERT_TRUE(comics && m_game->getComicsConfiguration()->readFromXml(*comics));
        ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
        CRefHandle<FinishedLevel> level(new FinishedLevel(row.levelIndex + 1, {60}, {1}));
        ASSERT_NE(showResult(level.get()), nullptr);
        // Enter goes on at once, whether or not the replay is over.
        ASSERT_TRUE(press(kKeyEnter));
        EXPECT_EQ(nextIntroMode(), row.mode);
        // The menu rolls the final credits and clears the flag again.
        EXPECT_EQ(player->getBool("ShowFinalCredits"), row.levelIndex == 47);
        if (*row.screen) {
            EXPECT_TRUE(settleOn(row.screen));
        }
        if (row.mode != IntroComics && row.levelIndex != 47) {
            EXPECT_EQ(player->indexOf("FirstTimeLevelExpert"), -1) << "the expert flag is used once";
        }
        restart();
    }
}

TEST_F(BetweenLevels, ANewPlayerSeesOnlyTheFirstLevelOpenOnTheMap) {
    CProfileParameters* player = startFor([](CProfileParameters& p) { p.setBool("ShowTutorialOn", false); });
    ASSERT_EQ(player->getInt("MaxUnlockedLevelIndex"), -1);
    // More settings listed than the map has overlays for: the map stops at
    // its last overlay.
    CArray<int>& lastLevels = m_game->getGlobalConfig()->SettingsLastLevelsNumbers;
    for (int number : {48, 60, 72})
        lastLevels.push_back(number);
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    ASSERT_EQ(map()->getSettingOverlays().size(), 4u);
    // The first setting opens for the new player: its clouds clear away.
    EXPECT_EQ(stateOf(map()->getSettingOverlays()[0]), "Passed");
    for (uint32_t k = 1; k < 4; ++k)
        EXPECT_EQ(stateOf(map()->getSettingOverlays()[k]), "Normal") << k;
    GMapScene* scene = map();
    ASSERT_NE(scene, nullptr);
    const CArray<GMapLocationButton*>& buttons = scene->getLocationButtons();
    ASSERT_EQ(buttons.size(), 48u);
    EXPECT_TRUE(buttons[0]->isVisible());
    EXPECT_TRUE(buttons[0]->isAvailable());
    EXPECT_TRUE(buttons[0]->isSelected());
    EXPECT_FALSE(buttons[0]->isCompleted());
    EXPECT_EQ(stateOf(buttons[0]->getLevelMarker()), "Locked") << "open but not passed";
    for (uint32_t i = 1; i < buttons.size(); ++i)
        EXPECT_FALSE(buttons[i]->isVisible()) << i;
    EXPECT_EQ(narrow(buttons[0]->getMarkerText()->getText()), "1");
    EXPECT_FALSE(onScreen("HQButton")->isVisible()) << "the headquarters opens later";
    EXPECT_EQ(player->getInt("LevelIndex"), 0) << "no level before the first";
    EXPECT_EQ(player->getInt("FirstPassedLevelNum"), GMapScene::FirstPassedConsumed);
    EXPECT_FALSE(player->getBool("PlayFirstComics"));
    ASSERT_TRUE(runFor(2500));
    expectLooksLikeReference("MapSceneNewPlayer");
}

// A new player's map greets her with its tutorial, which listens to the
// game's input while the map shows. Left for the menu before she answered it,
// the map ends it: it no longer listens, and the menu's buttons work.
TEST_F(BetweenLevels, TheMapsTutorialStopsListeningWhenTheMapIsLeft) {
    startFor([](CProfileParameters& p) {
        p.setBool("ShowTutorialOn", true);
        p.setBool("ShowTutorialMap1", true);
    });
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    ASSERT_NE(map()->getTutorial(), nullptr);
    CRefHandle<GTutorialController> tutorial = CRefHandle<GTutorialController>::share(map()->getTutorial());
    EXPECT_TRUE(m_game->getEngine()->isListener(tutorial.get()));
    EXPECT_EQ(tutorial->getHintIndex(), 0) << "the greeting waits for a click";
    ASSERT_TRUE(press(27));
    ASSERT_TRUE(settleOn("MainMenuScene"));
    EXPECT_FALSE(m_game->getEngine()->isListener(tutorial.get()));
    ASSERT_TRUE(click("NewGameButton"));
    EXPECT_TRUE(settleOn("MapNewScene", 500)) << "the menu took the click";
}

TEST_F(BetweenLevels, TheMapShowsProgressRanksAndTheLevelJustOpenedAndPlayStartsTheChosenLevel) {
    CProfileParameters* player = startFor([](CProfileParameters& p) {
        p.setInt("MaxUnlockedLevelIndex", 5);
        p.setInt("FirstPassedLevelNum", 5);
        p.setInt("LevelIndex", 6);
        p.setString("Ranks", "1;2;0;1;2;1");
        p.setBool("ShowTutorialOn", false);
    });
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    const CArray<GMapLocationButton*>& buttons = map()->getLocationButtons();
    for (uint32_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i]->isVisible(), i <= 6) << i;
    EXPECT_TRUE(buttons[0]->isCompleted());
    EXPECT_TRUE(buttons[1]->isGold());
    EXPECT_FALSE(buttons[2]->isCompleted() || buttons[2]->isGold());
    EXPECT_EQ(stateOf(buttons[5]->getLevelMarker()), "FirstPassed");
    EXPECT_EQ(stateOf(buttons[4]->getLevelMarker()), "Passed");
    EXPECT_TRUE(buttons[6]->isSelected()) << "the level just opened is the chosen one";
    EXPECT_EQ(stateOf(buttons[6]->getLevelMarker()), "Locked");
    EXPECT_EQ(buttons[6]->getLastMarkerState(), CName("DefaultPressed"));
    EXPECT_EQ(player->getInt("FirstPassedLevelNum"), GMapScene::FirstPassedConsumed);

    // The hint of a hovered level shows after half a second.
    BaseNode* hint = map()->getLevelHint();
    ASSERT_NE(hint, nullptr);
    const CVector2di third = middleOf(onScreen("Location3"));
    ASSERT_TRUE(post(new CEventMouseMove(third.x, third.y)));
    ASSERT_TRUE(runFor(300));
    EXPECT_FALSE(hint->isVisible());
    ASSERT_TRUE(runFor(600));
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(narrow(nodeCast<TextNode>(hint->findChild(CName("LevelText"), 1))->getText()), "Level 3");
    expectLooksLikeReference("MapSceneProgress");

    // The next visit shows the level passed as any other.
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    const CArray<GMapLocationButton*>& again = map()->getLocationButtons();
    EXPECT_EQ(stateOf(again[5]->getLevelMarker()), "Passed");
    EXPECT_EQ(stateOf(again[6]->getLevelMarker()), "Locked");
    EXPECT_TRUE(again[6]->isSelected());

    // Choosing a level and Play: the loading screen loads that level.
    ASSERT_TRUE(click("Location3"));
    ASSERT_TRUE(runFor(200));
    EXPECT_EQ(player->getInt("LevelIndex"), 2);
    EXPECT_TRUE(again[2]->isSelected());
    EXPECT_FALSE(again[6]->isSelected());
    ASSERT_TRUE(click("PlayButton"));
    EXPECT_EQ(nextIntroMode(), IntroLevel);
    EXPECT_EQ(narrow(nodeCast<GIntroScene>(top())->getLevelFolder()), "levels/level3/");
}

TEST_F(BetweenLevels, TheHeadquartersButtonShowsFromTheLevelBeforeTheHeadquartersLevel) {
    for (int maxUnlocked : {7, 8}) {
        SCOPED_TRACE(maxUnlocked);
        startFor([&](CProfileParameters& p) {
            p.setInt("MaxUnlockedLevelIndex", maxUnlocked);
            p.setInt("LevelIndex", 0);
            p.setBool("ShowTutorialOn", false);
        });
        m_game->getGlobalConfig()->AllowHQUpgradeFromLevel = 9;
        ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
        EXPECT_EQ(onScreen("HQButton")->isVisible(), maxUnlocked == 8);
        if (maxUnlocked == 8) {
            // Pushed over the map; Esc comes back to it.
            ASSERT_TRUE(click("HQButton"));
            ASSERT_TRUE(settleOn("HeadquartersScene"));
            EXPECT_EQ(std::string(top()->getSceneBelow()->getName().str().c_str()), "MapNewScene");
            ASSERT_TRUE(press(27));
            ASSERT_TRUE(settleOn("MapNewScene"));
        }
        restart();
    }
}

TEST_F(BetweenLevels, HeadquartersPurchasesSurviveARestart) {
    const auto setup = [](CProfileParameters& p) {
        p.setInt("MaxUnlockedLevelIndex", 11);
        p.setString("Ranks", "1;1;1;1;1;1;1;1;1;2;2");
        p.setBool("ShowTutorialOn", false);
    };
    startFor(setup);
    m_game->getGlobalConfig()->AllowHQUpgradeFromLevel = 9;
    ASSERT_TRUE(goTo(IntroHeadquarters, "HeadquartersScene"));
    auto* hq = nodeCast<GHeadquartersScene>(top());
    ASSERT_NE(hq, nullptr);
    EXPECT_EQ(hq->getPointsLeft(), 3u);
    EXPECT_EQ(narrow(nodeCast<TextNode>(onScreen("Points"))->getText()), "3");
    for (const char* part : {"Boiler", "Clock"}) {
        BaseNode* area = hq->getUpgradesNode()->findChild(CName(part), 1)->findChild(CName("HitArea"), 1);
        ASSERT_TRUE(clickAt(middleOf(area)));
        ASSERT_TRUE(runFor(100));
    }
    EXPECT_EQ(hq->getPointsLeft(), 1u);
    EXPECT_EQ(narrow(nodeCast<TextNode>(onScreen("Points"))->getText()), "1");
    // The cursor leaves the parts, and the rays of the purchases fade.
    ASSERT_TRUE(clickAt({900, 700}));
    ASSERT_TRUE(runFor(1500));
    expectLooksLikeReference("HeadquartersScene");

    restart();
    CProfileParameters* player = startFor(nullptr);
    EXPECT_EQ(narrow(player->getStringW("Upgrades1")), "Boiler;Clock");
    m_game->getGlobalConfig()->AllowHQUpgradeFromLevel = 9;
    ASSERT_TRUE(goTo(IntroHeadquarters, "HeadquartersScene"));
    hq = nodeCast<GHeadquartersScene>(top());
    ASSERT_EQ(hq->getBoughtChain1().size(), 2u);

    EXPECT_EQ(hq->getPointsLeft(), 1u);
    BaseNode* boiler = hq->getUpgradesNode()->findChild(CName("Boiler"), 1);
    EXPECT_EQ(stateOf(boiler->findChild(CName("Image"), 1)), "up0_AlreadyBought");
    BaseNode* porch = hq->getUpgradesNode()->findChild(CName("Porch"), 1);
    EXPECT_NE(stateOf(porch->findChild(CName("Image"), 1)), "up0_AlreadyBought");
    // What is still to buy flashes; what was bought does not.
    for (const HQConfigItem& item : hq->getConfiguration()->getItems())
        for (const HQConfigEntry& entry : item.entries)
            EXPECT_EQ(entry.flashing, entry.name != CName("Boiler") && entry.name != CName("Clock"))
                << entry.name.str().c_str();
}

TEST_F(BetweenLevels, TheDeveloperUnlockKeyOpensTheNextLevelButNoneAfterTheLastAndEscLeavesForTheMenu) {
    CProfileParameters* player = startFor([](CProfileParameters& p) {
        p.setInt("MaxUnlockedLevelIndex", 45);
        p.setInt("LevelIndex", 45);
        p.setBool("ShowTutorialOn", false);
    });
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    const CArray<GMapLocationButton*>& buttons = map()->getLocationButtons();
    EXPECT_FALSE(buttons[47]->isVisible());
    // Only in developer mode.
    ASSERT_TRUE(press('U'));
    EXPECT_EQ(player->getInt("MaxUnlockedLevelIndex"), 45);
    GGameApplication::setDeveloperMode(true);
    ASSERT_TRUE(press('U'));
    EXPECT_EQ(player->getInt("MaxUnlockedLevelIndex"), 46);
    EXPECT_EQ(player->getInt("LevelIndex"), 47);
    EXPECT_TRUE(buttons[47]->isVisible());
    EXPECT_TRUE(buttons[47]->isSelected());
    EXPECT_FALSE(buttons[45]->isSelected());
    // The last level opened, the key opens nothing more and asks for no
    // button past the last.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(press('U'));
    EXPECT_EQ(player->getInt("MaxUnlockedLevelIndex"), 47);
    EXPECT_EQ(player->getInt("LevelIndex"), 47);
    GGameApplication::setDeveloperMode(false);

    ASSERT_TRUE(press(27));
    EXPECT_EQ(nextIntroMode(), IntroMainMenu);
}

TEST_F(BetweenLevels, TheJourneyOnTheMapReachesTheSecondSeason) {
    startFor([](CProfileParameters& p) {
        p.setInt("MaxUnlockedLevelIndex", 12);
        p.setInt("FirstPassedLevelNum", -10);
        p.setInt("LevelIndex", 13);
        p.setString("Ranks", "1;2;1;1;2;1;1;1;2;1;1;1;1");
        p.setBool("ShowTutorialOn", false);
    });
    ASSERT_TRUE(goTo(IntroMap, "MapNewScene"));
    const CArray<GMapLocationButton*>& buttons = map()->getLocationButtons();
    for (uint32_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i]->isVisible(), i <= 13) << i;
    // The summer's clouds have cleared; autumn and winter still wait.
    const CArray<BaseNode*>& overlays = map()->getSettingOverlays();
    ASSERT_EQ(overlays.size(), 4u);
    EXPECT_FALSE(overlays[1]->isVisible());
    EXPECT_TRUE(overlays[2]->isVisible());
    EXPECT_TRUE(overlays[3]->isVisible());
    ASSERT_TRUE(runFor(1500));
    expectLooksLikeReference("MapSceneSecondSeason");
}

// A new game's comic, read as a player reads it: the panels come one by one,
// each with its caption and its speech held for the time it takes to read,
// then the whole page shows again and the game goes on to the map.
TEST_F(BetweenLevels, TheArrivalComicPlaysPanelByPanelAndLeadsToTheMap) {
    CProfileParameters* player = startFor([](CProfileParameters& p) { p.setBool("ShowTutorialOn", false); });
    ASSERT_TRUE(top()->goToIntro(IntroComics, CStringW(u"scenes/Comics/episode1/ComicsScene.mscn"), 0));
    ASSERT_TRUE(settleOn("ComicsScene"));
    ASSERT_NE(nodeCast<GComicsScene>(top()), nullptr);
    BaseNode* parts = onScreen("Parts");
    ASSERT_NE(parts, nullptr);
    ASSERT_EQ(parts->getChildren().size(), 4u);
    auto bubble = [&](uint32_t part, const char* name) {
        return parts->getChildren()[part]->findChild(CName("Bg"), 1)->findChild(CName(name), 1);
    };
    // A bubble is read while it and its part show.
    auto reading = [&](uint32_t part) {
        return parts->getChildren()[part]->isVisible() && bubble(part, "TextBg")->isVisible();
    };
    ASSERT_TRUE(runUntil([&] { return reading(0); }));
    EXPECT_TRUE(bubble(0, "TextBgNoDisappear")->isVisible()) << "the caption shows first";
    EXPECT_FALSE(parts->getChildren()[1]->isVisible());
    ASSERT_TRUE(runFor(400));
    expectLooksLikeReference("ComicsFirstPanel");

    // Nobody clicks: each speech goes when its reading time is over.
    for (uint32_t part = 1; part < 4; ++part) {
        SCOPED_TRACE(part);
        ASSERT_TRUE(runUntil([&] { return reading(part); }));
        EXPECT_FALSE(bubble(part - 1, "TextBg")->isVisible());
    }
    auto* replay = nodeCast<ControlNode>(onScreen("ReplayButton"));
    ASSERT_NE(replay, nullptr);
    ASSERT_TRUE(runUntil([&] { return replay->isEnabled(); }));
    for (BaseNode* part : parts->getChildren())
        EXPECT_TRUE(part->isVisible());
    ASSERT_TRUE(runFor(800));
    expectLooksLikeReference("ComicsWholePage");

    ASSERT_TRUE(click("NextButton"));
    EXPECT_EQ(nextIntroMode(), IntroMap);
    EXPECT_EQ(player->getInt("LevelIndex"), 0);
}
