// The play screen over a level scene of the world: the level start, the
// arrivals, the level clock and its warnings, the group change and the
// window's focus, case by case.

#include "engine/content/CProfileParameters.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/app/GGameApplication.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/play/GTutorialController.h"
#include "game/world/GGameLevelScene.h"
#include "tests/engine/sound/FakeSound.h"
#include "tests/game/play/PlayScreenTestSupport.h"
#include "tests/support/LogCapture.h"

#include <optional>

using namespace sceneflow;

namespace {

constexpr const char* kTabs = R"(<TabsConfiguration><Tab Type="Apartment"><Button Template="House1"/></Tab>
    </TabsConfiguration>)";

// A level whose groups last `times` seconds, the clock on.
std::string levelWithGroups(std::initializer_list<int> times, bool clockOn = true) {
    std::string xml = std::string("<Level><IsClockOn Value=\"") + (clockOn ? "true" : "false") + "\"/><Objectives>";
    for (int time : times)
        xml += "<ObjectivesGroup Time=\"" + std::to_string(time) +
               "\"><Objective Type=\"Money\" Value=\"999999\" InfoStr=\"Rich\"/></ObjectivesGroup>";
    return xml + "</Objectives></Level>";
}

constexpr const char* kTutorial = R"(<Tutorial><Hint><Text Value="Hello"/><Actions><Action Type="MouseClick"/>
    </Actions></Hint></Tutorial>)";

} // namespace

class PlayLevelRunTables : public PlayScreenTest {
protected:
    // The play screen of the fixture game starts a level scene of the world
    // read from "levels/level<index + 1>/" with `configuration` (none: no
    // file) and `tutorial` (none: no file).
    bool startWorldLevel(const std::optional<std::string>& configuration, const char* tutorial = nullptr,
                         int levelIndex = 0) {
        const std::string folder = "levels/level" + std::to_string(levelIndex + 1) + "/";
        if (configuration)
            write(folder + "LevelConfiguration.xml", *configuration);
        if (tutorial)
            write(folder + "Tutorial.xml", tutorial);
        write("scenes/TabsConfiguration.xml", kTabs);
        player()->setInt("LevelIndex", levelIndex);
        m_world = CRefHandle<GGameLevelScene>(new GGameLevelScene(CObjectName(), nullptr, nullptr));
        m_world->onLoaded();
        return m_play->startLevel(CStringW(folder.c_str()), m_world.get());
    }

    // The play screen placed (or uncovered, without `forward`) as the
    // scene manager tells it.
    void arrive(bool forward, SceneNode* from = nullptr) {
        CRefHandle<CEvent> started(new CEventSceneChangeStarted(from, m_play, forward));
        (void)m_play->handleEvent(started.get());
        CRefHandle<CEvent> finished(new CEventSceneChangeFinished(from, m_play, forward));
        (void)m_play->handleEvent(finished.get());
    }

    // The level's first group runs (its start waits for a first click).
    void runFirstGroup() {
        m_world->setObjectivesActive(true);
        m_world->checkObjectives();
        m_world->setRandomEventsPaused(false);
    }

    // A cue of one fake sound counting its starts on `board`.
    void addCue(const char* name, FakeSound::Board* board, int id) {
        CRefHandle<SoundCue> cue(new SoundCue(CName(name)));
        CRefHandle<FakeSound> sound(new FakeSound(board, id));
        cue->addVariant(sound.get());
        ASSERT_TRUE(m_game->getEngine()->getSoundCueManager()->addCue(cue.get()));
    }

    // "AlmostEnd" (1) and "TimeOver" (2) counted on one board, and marks on
    // the clock of the fixture HUD, whose checkpoints sound them.
    FakeSound::Board& clockCues() {
        // The cues' sounds live until the game ends, after the test's body.
        static FakeSound::Board board;
        board.started.clear();
        addCue("AlmostEnd", &board, 1);
        addCue("TimeOver", &board, 2);
        giveClockMarks();
        return board;
    }

    // The clock of the fixture HUD gets a mark template for its checkpoints.
    void giveClockMarks() {
        GProgressBarWithCheckpointsNode* clock = m_play->getTimeProgressBar();
        ASSERT_NE(clock, nullptr);
        CRefHandle<BaseNode> mark(new BaseNode(CObjectName(), nullptr, nullptr));
        mark->setName(CName("Checkpoint"));
        clock->addChild(mark.get());
        clock->onLoaded();
    }

    // The tutorial windows and arrows become the main templates.
    void useTutorialTemplates() {
        const std::vector<uint8_t> bytes = readAllBytes(kSourceFolder / "tests/game/play/data/TutorialTemplates.mscn");
        write("scenes/TutorialTemplates.mscn", std::string(bytes.begin(), bytes.end()));
        m_held.emplace_back(
            m_game->getContentManager()->load(ContentTypeSceneNode, CStringW(u"scenes/TutorialTemplates.mscn"), false));
        auto* templates = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(m_held.back().get()));
        ASSERT_NE(templates, nullptr);
        m_game->getSceneManager()->setTemplateCollection(templates);
    }

    void TearDown() override {
        GGameApplication::setDeveloperMode(false);
        m_world = nullptr;
        PlayScreenTest::TearDown();
    }

    CRefHandle<GGameLevelScene> m_world;
};

TEST_F(PlayLevelRunTables, TheLevelTutorialIsLoadedWhenTutorialsOrTipsAreWanted) {
    const struct {
        const char* what;
        bool tutorialOn;
        bool tipsOn;
        int tutorialLevel;
        int levelIndex;
        bool developer;
        bool loaded;
        bool skipsNonTips;
        bool skipsTips;
    } rows[] = {
        {"tutorials and tips, default tutorial level", true, true, -1, 0, false, true, false, false},
        {"tutorials without tips", true, false, -1, 0, false, true, false, true},
        {"tips only", false, true, -1, 0, false, true, true, false},
        {"neither", false, false, -1, 0, false, false, false, false},
        {"tutorial level reached", true, false, 3, 3, false, false, false, false},
        {"tutorial level reached, tips on", true, true, 3, 3, false, true, true, false},
        {"tutorial level passed", true, false, 3, 4, false, true, false, true},
        {"tutorial level reached, developer", true, false, 3, 3, true, true, false, true},
    };
    startGame();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        player()->setBool("ShowTutorialOn", row.tutorialOn);
        player()->setBool("ShowTipsOn", row.tipsOn);
        player()->setInt("ShowTutorialLevel", row.tutorialLevel);
        GGameApplication::setDeveloperMode(row.developer);
        ASSERT_TRUE(startWorldLevel(levelWithGroups({60}), kTutorial, row.levelIndex));
        GTutorialController* tutorial = m_play->getLevelTutorial();
        ASSERT_EQ(tutorial != nullptr, row.loaded);
        if (tutorial) {
            EXPECT_EQ(tutorial->skipsNonTipHints(), row.skipsNonTips);
            EXPECT_EQ(tutorial->skipsTipHints(), row.skipsTips);
            EXPECT_EQ(tutorial->getCurrentHint(), nullptr) << "it starts after the objectives window";
        }
    }
    // Without the file the level runs without tutorial.
    player()->setBool("ShowTutorialOn", true);
    ASSERT_TRUE(startWorldLevel(levelWithGroups({60}), nullptr, 6));
    EXPECT_EQ(m_play->getLevelTutorial(), nullptr);
}

TEST_F(PlayLevelRunTables, ALevelWithoutItsConfigurationOrTheTabsIsNotStartedAndSaysWhy) {
    startGame();
    {
        LogCapture log;
        EXPECT_FALSE(startWorldLevel(std::nullopt, nullptr, 8));
        EXPECT_EQ(log.count("ERR: Unable to find configuration for the level: levels/level9/"), 1u);
        EXPECT_EQ(log.count("ERR: "), 1u);
        EXPECT_NE(m_play->getLevelScene(), m_world.get());
    }
    {
        std::filesystem::remove(m_dir.path() / "assets/scenes/TabsConfiguration.xml");
        write("levels/level2/LevelConfiguration.xml", levelWithGroups({60}));
        m_world = CRefHandle<GGameLevelScene>(new GGameLevelScene(CObjectName(), nullptr, nullptr));
        LogCapture log;
        EXPECT_FALSE(m_play->startLevel(CStringW(u"levels/level2/"), m_world.get()));
        EXPECT_EQ(log.count("ERR: Unable to load tabs configuration."), 1u);
        EXPECT_EQ(log.count("ERR: "), 1u);
    }
}

TEST_F(PlayLevelRunTables, TheClockHasOneCheckpointPerGroupAtTheSumOfTheirTimes) {
    startGame();
    ASSERT_TRUE(startWorldLevel(levelWithGroups({120, 180})));
    arrive(true);
    GProgressBarWithCheckpointsNode* clock = m_play->getTimeProgressBar();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->getMinValue(), 0.0f);
    EXPECT_EQ(clock->getMaxValue(), 300.0f);
    EXPECT_EQ(clock->getValue(), 0.0f);
    ASSERT_EQ(clock->getCheckpointTimes().size(), 2u);
    EXPECT_FLOAT_EQ(clock->getCheckpointTimes()[0], 0.4f);
    EXPECT_FLOAT_EQ(clock->getCheckpointTimes()[0] + clock->getCheckpointTimes()[1], 1.0f);
    EXPECT_EQ(m_play->getActionsTabs()->getActiveTab(), 3) << "the goals";
    // The level hangs under the screen's "Scene" through the overlay.
    SceneManager* overlay = m_game->getOverlaySceneManager();
    EXPECT_EQ(overlay->getParent(), m_play->findChild(CName("Scene"), 1));
    EXPECT_EQ(overlay->getCurrentScene(), m_world.get());
    EXPECT_EQ(m_world->getSceneManager(), overlay);

    // Back from a pushed screen the clock is not laid out again.
    clock->clearCheckpoints();
    arrive(false);
    EXPECT_TRUE(clock->getCheckpointTimes().empty());
}

TEST_F(PlayLevelRunTables, TheGroupsEndIsAnnouncedOnceAndItsTimeOverOnce) {
    startGame();
    FakeSound::Board& board = clockCues();
    ASSERT_TRUE(startWorldLevel(levelWithGroups({60, 60})));
    arrive(true);
    ASSERT_TRUE(m_play->update(20));
    ASSERT_TRUE(m_play->update(20));
    EXPECT_TRUE(board.started.empty()) << "no group, no time over";
    runFirstGroup();
    ASSERT_EQ(m_world->getGroupIndex(), 0);
    GProgressBarWithCheckpointsNode* clock = m_play->getTimeProgressBar();
    const struct {
        uint32_t levelMs;
        std::vector<int> started;
        float value;
    } steps[] = {
        {40000, {}, 40.0f},   {10000, {}, 50.0f},   {1, {1}, 50.001f},
        {9998, {1}, 59.999f}, {1, {1, 2}, 59.999f}, {5000, {1, 2}, 59.999f},
    };
    uint32_t total = 0;
    for (const auto& step : steps) {
        total += step.levelMs;
        SCOPED_TRACE(total);
        ASSERT_TRUE(m_world->update(step.levelMs));
        ASSERT_TRUE(m_play->update(0));
        EXPECT_EQ(board.started, step.started);
        EXPECT_NEAR(clock->getValue(), step.value, 0.0005f);
        EXPECT_EQ(m_play->isTimeOverPlayed(), step.started.size() == 2);
    }
    EXPECT_TRUE(m_play->isTimeOverPlayed());
    // "AlmostEnd" was stopped with its group's fade.
    CSoundCueManager* cues = m_game->getEngine()->getSoundCueManager();
    cues->update(3000);
    EXPECT_FALSE(cues->isCuePlaying(CName("AlmostEnd")));
    EXPECT_TRUE(cues->isCuePlaying(CName("TimeOver")));
}

TEST_F(PlayLevelRunTables, WithTheClockOffNeitherTheBarNorTheSoundsMove) {
    startGame();
    FakeSound::Board& board = clockCues();
    ASSERT_TRUE(startWorldLevel(levelWithGroups({60}, false)));
    arrive(true);
    ASSERT_TRUE(m_play->update(20));
    runFirstGroup();
    ASSERT_TRUE(m_world->update(70000));
    ASSERT_TRUE(m_play->update(20));
    EXPECT_TRUE(board.started.empty());
    EXPECT_EQ(m_play->getTimeProgressBar()->getValue(), 0.0f);
}

TEST_F(PlayLevelRunTables, TheNextGroupsGoalsAppearWhenTheCountdownRunsOut) {
    startGame();
    ASSERT_TRUE(startWorldLevel(levelWithGroups({60, 60})));
    arrive(true);
    ASSERT_TRUE(m_play->update(0)); // the objectives window
    runFirstGroup();
    TextNode* task = m_play->getCheckpointTaskText();
    ASSERT_NE(task, nullptr);
    task->setText(CStringW(u"-"));
    m_play->setGroupChangeCountdown(3000);
    for (int i = 0; i < 149; ++i)
        ASSERT_TRUE(m_play->update(20));
    EXPECT_EQ(m_play->getGroupChangeCountdown(), 20);
    EXPECT_EQ(text(task->getText()), "-");
    ASSERT_TRUE(m_play->update(20));
    EXPECT_EQ(text(task->getText()), "-") << "at 0 it still waits";
    ASSERT_TRUE(m_play->update(20));
    EXPECT_LT(m_play->getGroupChangeCountdown(), 0);
    EXPECT_EQ(text(task->getText()), "1");
    // Run out, it stays so.
    task->setText(CStringW(u"-"));
    ASSERT_TRUE(m_play->update(20));
    EXPECT_EQ(text(task->getText()), "-");
}

TEST_F(PlayLevelRunTables, TheArrivalsAskForTheObjectivesWindowThenForTheTutorials) {
    startGame();
    player()->setBool("ShowTutorialOn", true);
    useTutorialTemplates();
    ASSERT_TRUE(startWorldLevel(levelWithGroups({60}), kTutorial));
    ASSERT_NE(m_play->getTutorialWindow(), nullptr);
    EXPECT_FALSE(m_play->getTutorialWindow()->isVisible());
    arrive(true);
    EXPECT_EQ(m_play->getPendingArrival(), 1);
    EXPECT_FALSE(m_world->isObjectivesActive());
    // The window's file is missing here: it counts as shown all the same.
    ASSERT_TRUE(m_play->update(20));
    EXPECT_TRUE(m_play->isObjectivesShown());
    EXPECT_EQ(m_play->getPendingArrival(), 0);

    // Closing the window: the tutorials start and the level's objectives count.
    CRefHandle<SceneNode> window(new GBaseSceneNode(CObjectName(), nullptr, nullptr));
    CRefHandle<SceneNode> objectives(new GLevelObjectivesScene(CObjectName(), nullptr, nullptr));
    arrive(false, objectives.get());
    EXPECT_EQ(m_play->getPendingArrival(), 2);
    EXPECT_TRUE(m_world->isObjectivesActive());
    EXPECT_EQ(m_world->getGroupIndex(), 0) << "the first group has started";
    ASSERT_TRUE(m_play->update(20));
    EXPECT_TRUE(m_play->areTutorialsStarted());
    ASSERT_NE(m_play->getLevelTutorial(), nullptr);
    EXPECT_NE(m_play->getLevelTutorial()->getCurrentHint(), nullptr);

    // Back from another screen (the in-game menu): nothing new is asked.
    arrive(false, window.get());
    EXPECT_EQ(m_play->getPendingArrival(), 0);
}

TEST_F(PlayLevelRunTables, LosingTheWindowOpensTheMenuOnlyOnceTheObjectivesWindowHasBeenUp) {
    startGame();
    write("scenes/InGameMenuScene.mscn",
          std::string(R"(<?xml version="1.0"?><SceneNode Type="GInGameMenuScene">)") +
              R"(<Properties><string Name="Name" Value="Menu"/></Properties></SceneNode>)");
    static FakeSound::Board board;
    CRefHandle<SoundCue> cue(new SoundCue(CName("Hammer")));
    cue->setGroup(GGameApplication::GroupInterfaceSounds);
    CRefHandle<FakeSound> sound(new FakeSound(&board, 1));
    cue->addVariant(sound.get());
    CSoundCueManager* cues = m_game->getEngine()->getSoundCueManager();
    ASSERT_TRUE(cues->addCue(cue.get()));
    ASSERT_NE(cues->play(CName("Hammer"), false, 0), nullptr);
    ASSERT_EQ(board.sounds.back()->getState(), ISoundInstance::StatePlaying);

    // A new play screen reached, its objectives window not opened yet.
    CRefHandle<GGamePlayScene> screen(nodeCast<GGamePlayScene>(m_play->clone(nullptr, nullptr)));
    ASSERT_TRUE(m_game->getSceneManager()->setScene(screen.get()));
    CRefHandle<CEvent> finished(new CEventSceneChangeFinished(nullptr, screen.get(), true));
    (void)screen->handleEvent(finished.get());
    ASSERT_TRUE(screen->isShownOnTop());
    ASSERT_FALSE(screen->isObjectivesShown());
    CRefHandle<CEvent> inactive(new CEventWindowActivate(false));
    EXPECT_FALSE(screen->handleEvent(inactive.get()));
    EXPECT_EQ(board.sounds.back()->getState(), ISoundInstance::StatePaused) << "the level's sounds pause";
    EXPECT_EQ(m_game->getSceneManager()->getCurrentScene(), screen.get()) << "no menu";

    // Once the window has been up, the menu comes over the screen.
    ASSERT_TRUE(screen->update(20));
    ASSERT_TRUE(screen->isObjectivesShown());
    CRefHandle<CEvent> active(new CEventWindowActivate(true));
    EXPECT_FALSE(screen->handleEvent(active.get()));
    EXPECT_EQ(m_game->getSceneManager()->getCurrentScene(), screen.get());
    EXPECT_FALSE(screen->handleEvent(inactive.get()));
    ASSERT_NE(m_game->getSceneManager()->getCurrentScene(), nullptr);
    EXPECT_EQ(m_game->getSceneManager()->getCurrentScene()->getName(), CName("Menu"));
}
