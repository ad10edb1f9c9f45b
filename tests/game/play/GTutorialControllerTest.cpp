#include "game/play/GTutorialController.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CEventSoundCueFinished.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/nodes/GRectangleNode.h"
#include "game/play/GTutorialHint.h"
#include "game/play/GTutorialHintList.h"
#include "tests/engine/sound/FakeSound.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/game/play/TutorialTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using namespace sceneflow;

namespace {

const std::filesystem::path kData = kSourceFolder / "tests/game/play/data";

// The name of the state `node` runs, or "".
std::string stateOf(const BaseNode* node) {
    const CNodeState* state = node ? node->getCurrentState() : nullptr;
    return state ? std::string(state->getName().str().c_str()) : std::string();
}

BaseNode* child(const BaseNode* node, const char* name) { return node ? node->findChild(CName(name), 1) : nullptr; }

// Three steps: a plain window pointing at the build button, both windows
// darkened until any click, and the guide alone while the level pauses.
constexpr const char* kThreeHints = R"(<Tutorial>
  <Hint Gertruda="true" Darkening="true">
    <Text Value="%Tut_Build%"/>
    <Position Value="300;440"/>
    <TextBgType Value="1"/>
    <Arrows>
      <Arrow Position="910;612" Rotation="270"/>
      <Arrow Position="585;230" Rotation="2"/>
      <Arrow Position="265;230" Rotation="-2"/>
      <Arrow Position="480;320" Rotation="93"/>
      <Arrow Position="860;340" Rotation="94"/>
    </Arrows>
    <Actions><Action Type="ControlPress" Controls="BuildButton"/></Actions>
  </Hint>
  <Hint Quest="true" Darkening="true" Gertruda="true">
    <Text Value="%Tut_Quest%"/>
    <TextQuest Value="%Tut_QuestText%"/>
    <TextPosition Value="10;20;5"/>
    <PositionQuest Value="560;60"/>
    <GertrudaAlign Value="Left"/>
    <Actions><Action Type="MouseClick"/></Actions>
  </Hint>
  <Hint Gertruda="true">
    <GertrudaState Value="Happy"/>
    <Actions><Action Type="GeneratePauseRequest"/><Action Type="Timed" Time="500"/></Actions>
  </Hint>
</Tutorial>)";

class TutorialController : public SceneFlowTest {
protected:
    // The game on its logos screen with the town pushed over it, and the
    // tutorial templates loaded.
    void openTown(bool nullVideo = true) {
        writeStartScenes();
        write("logos/Logos.xml", R"(<Logos><Logo Image="logos/A.png" Time="600000"/></Logos>)");
        writePicture("logos/A.png", 4, 4);
        write("levels/common/GlobalConfig.xml", "<GlobalConfig><SpeechSoundStartDelay Value=\"100\"/>"
                                                "<SpeechSoundStopDelay Value=\"400\"/></GlobalConfig>");
        std::filesystem::copy(kSourceFolder / "assets/fonts", m_dir.path() / "assets/fonts",
                              std::filesystem::copy_options::recursive);
        for (const char* name : {"TutorialTemplates.mscn", "TutorialTown.mscn"})
            std::filesystem::copy_file(kData / name, m_dir.path() / "assets/scenes" / name);
        GGameApplication* game = start(nullVideo);
        ASSERT_TRUE(game->init(CStringW()));
        ASSERT_TRUE(runSteps(10));
        CRefHandle<IContent> loaded(
            game->getContentManager()->load(ContentTypeSceneNode, CStringW(u"scenes/TutorialTemplates.mscn"), false));
        m_templates = CRefHandle<TemplateCollectionNode>::share(
            nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(loaded.get())));
        ASSERT_TRUE(m_templates);
        game->getSceneManager()->setTemplateCollection(m_templates.get());
        SceneNode* below = game->getSceneManager()->getCurrentScene();
        m_town = below->navigateToFile(CStringW(u"scenes/TutorialTown.mscn"), false);
        ASSERT_TRUE(runUntilTop("Town"));
        ASSERT_TRUE(runSteps(5));
        CDictionary* words = CEngineManagers::instance().getDictionary();
        words->set("Tut_Build", CStringW(u"Press the build button to start your first house."));
        words->set("Tut_Quest", CStringW(u"A guest waits."));
        words->set("Tut_QuestText", CStringW(u"Bring the letter to the inn."));
        words->set("GamePlay_SkipTutorialBtn", CStringW(u"Skip tutorial"));
        words->set("GamePlay_TutorialContinue", CStringW(u"Continue"));
        words->set("GamePlay_SkipTutorialMsg", CStringW(u"Skip the rest of the tutorial?"));
    }

    void TearDown() override {
        if (m_controller) {
            m_controller->close();
            m_controller.reset();
        }
        m_town.reset();
        m_templates.reset();
        SceneFlowTest::TearDown();
    }

    // A controller over the town running `tutorial` from its first hint.
    GTutorialController* run(const std::string& tutorial, bool start = true) {
        m_controller.reset(new GTutorialController(m_town.get(), m_templates.get(), m_game->getContentManager()));
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(tutorial.data(), tutorial.size()));
        m_controller->load(*reader, m_level.get());
        m_controller->setBuildings(&m_buildings);
        if (start)
            m_controller->start(0);
        return m_controller.get();
    }

    ControlNode* control(const char* name) const { return static_cast<ControlNode*>(child(m_town.get(), name)); }

    bool clickOn(ControlNode* node) {
        CRefHandle<CEventClicked> event(new CEventClicked(node));
        return m_controller->handleEvent(event.get());
    }

    BaseNode* window() const { return m_controller->getWindow(); }
    BaseNode* questWindow() const { return m_controller->getQuestWindow(); }
    TextNode* textOf(BaseNode* w) const { return nodeCast<TextNode>(child(w, "Text")); }
    ButtonNode* skipOf(BaseNode* w) const { return nodeCast<ButtonNode>(child(w, "SkipTutorialButton")); }

    CRefHandle<TemplateCollectionNode> m_templates;
    CRefHandle<SceneNode> m_town;
    CRefHandle<GTutorialController> m_controller;
    CRefHandle<RecordingLevel> m_level{new RecordingLevel};
    FakeBuildings m_buildings;
};

} // namespace

TEST_F(TutorialController, ThreeHintsRunOverTheTemplatesAndTheEndReleasesTheWindows) {
    openTown();
    GTutorialController* tutorial = run(kThreeHints);
    ASSERT_EQ(tutorial->getHints()->size(), 3u);
    EXPECT_TRUE(m_game->getEngine()->isListener(tutorial));
    ASSERT_NE(window(), nullptr);
    ASSERT_NE(questWindow(), nullptr);
    EXPECT_EQ(window()->getParent(), m_town.get());
    EXPECT_EQ(questWindow()->getParent(), m_town.get());

    // First hint: the plain window at its place with its text, the skip
    // button labelled, the quest window hidden.
    EXPECT_TRUE(window()->isVisible());
    EXPECT_FALSE(questWindow()->isVisible());
    EXPECT_FLOAT_EQ(window()->getPosition().x, 300.0f);
    EXPECT_FLOAT_EQ(window()->getPosition().y, 440.0f);
    EXPECT_EQ(stateOf(child(window(), "Gertruda")), "Right");
    EXPECT_EQ(textOf(window())->getText(), CStringW(u"%Tut_Build%"));
    EXPECT_EQ(stateOf(child(textOf(window()), "Bg")), "Type2");
    EXPECT_TRUE(child(window(), "Darkening")->isVisible());
    EXPECT_TRUE(skipOf(window())->isVisible());
    EXPECT_EQ(skipOf(window())->getText(), CStringW(u"%GamePlay_SkipTutorialBtn%"));

    // The arrows by angle: straight ones take their state, others turn.
    BaseNode* arrows = tutorial->getArrowLayer();
    ASSERT_EQ(arrows->getChildren().size(), 5u);
    const struct {
        const char* state;
        float rotation;
    } expected[] = {{"ArrowDown", 0}, {"ArrowLeft", 0}, {"ArrowLeft", 358}, {"ArrowUp", 0}, {"ArrowLeft", 94}};
    for (uint32_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        BaseNode* arrow = arrows->getChildren()[i];
        EXPECT_TRUE(arrow->isVisible());
        EXPECT_EQ(stateOf(child(arrow, "Head")), expected[i].state);
        EXPECT_FLOAT_EQ(arrow->getRotation().z, expected[i].rotation);
    }
    EXPECT_FLOAT_EQ(arrows->getChildren()[0]->getPosition().x, 910.0f);

    // Only the build button gets through; its click finishes the hint.
    CRefHandle<ButtonNode> other(new ButtonNode(CObjectName(), nullptr, nullptr));
    other->setName(CName("OtherButton"));
    EXPECT_TRUE(clickOn(other.get()));
    ControlNode* build = control("BuildButton");
    ASSERT_NE(build, nullptr);
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 0);
    EXPECT_FALSE(clickOn(build));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 1);

    // Second hint: both windows, one darkening, the text moved in front.
    EXPECT_TRUE(window()->isVisible());
    EXPECT_TRUE(questWindow()->isVisible());
    EXPECT_FALSE(child(window(), "Darkening")->isVisible());
    EXPECT_TRUE(child(questWindow(), "Darkening")->isVisible());
    EXPECT_EQ(stateOf(child(window(), "Gertruda")), "Left");
    EXPECT_FLOAT_EQ(textOf(window())->getPosition().x, 10.0f);
    EXPECT_FLOAT_EQ(textOf(window())->getPosition().y, 20.0f);
    EXPECT_FLOAT_EQ(textOf(window())->getPosition().z, 1.0f);
    EXPECT_EQ(textOf(questWindow())->getText(), CStringW(u"%Tut_QuestText%"));
    EXPECT_FLOAT_EQ(textOf(questWindow())->getPosition().x, 24.0f) << "a zero position leaves the template's";
    EXPECT_EQ(stateOf(child(textOf(questWindow()), "Bg")), "Type1");
    EXPECT_TRUE(arrows->getChildren().empty());

    // Any click ends it, taken through the engine as a listener.
    EXPECT_TRUE(post(new CEventClicked(build)));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 2);
    EXPECT_EQ(m_level->takeLines(), (std::vector<std::string>{"4128 pause"}));

    // Third hint: the guide alone, no text and no skip button.
    EXPECT_TRUE(window()->isVisible());
    EXPECT_FALSE(questWindow()->isVisible());
    auto* guide = nodeCast<GRectangleNode>(child(window(), "Gertruda"));
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->getFillColor().value, 0xFFB070D0u) << "its state, then the alignment";
    EXPECT_EQ(stateOf(guide), "Right");
    EXPECT_FALSE(textOf(window())->isVisible());
    EXPECT_FALSE(skipOf(window())->isVisible());
    EXPECT_TRUE(tutorial->update(499));
    EXPECT_EQ(tutorial->getHintIndex(), 2);
    EXPECT_TRUE(m_level->lines.empty());
    EXPECT_TRUE(tutorial->update(1));
    EXPECT_EQ(m_level->takeLines(), (std::vector<std::string>{"4128 resume"}));

    // Past the last hint: the next update releases the windows.
    EXPECT_FALSE(tutorial->update(20));
    EXPECT_EQ(tutorial->getWindow(), nullptr);
    EXPECT_EQ(tutorial->getArrowLayer(), nullptr);
    EXPECT_EQ(child(m_town.get(), "TutorialWindow"), nullptr);
    EXPECT_EQ(m_town->getChildren().size(), 6u);
    tutorial->close();
    EXPECT_FALSE(m_game->getEngine()->isListener(tutorial));
}

TEST_F(TutorialController, AttachedAsAPreHandlerItSeesTheMessagesOfTheLevel) {
    openTown();
    GTutorialController* tutorial = run(R"(<Tutorial>
        <Hint><Text Value="Build a cottage"/>
          <Actions><Action Type="BuildingCompleted" Buildings="Cottage1" Places="Place3"/></Actions></Hint>
        <Hint><Text Value="Well done"/></Hint></Tutorial>)");
    EXPECT_EQ(tutorial->getMask(), 0x6Cu) << "no game messages as a listener";
    // A receiver with the standard handling: its pre-handlers come first.
    struct Level : CEventReceiver {};
    CRefHandle<Level> level(new Level);
    level->addPreHandler(tutorial);
    CRefHandle<FakeBuildingNode> elsewhere = m_buildings.add("Place1", "Cottage1");
    CRefHandle<FakeBuildingNode> there = m_buildings.add("Place3", "Cottage1");
    CRefHandle<CEvent> notYet(new GBuildingCompletedMessage(elsewhere.get(), nullptr));
    EXPECT_FALSE(level->dispatch(CEventReceiver::HandleOnly, notYet.get()));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 0);
    CRefHandle<CEvent> done(new GBuildingCompletedMessage(there.get(), nullptr));
    EXPECT_FALSE(level->dispatch(CEventReceiver::HandleOnly, done.get())) << "the level still handles it";
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 1);
    level->removePreHandler(tutorial);
}

TEST_F(TutorialController, TheFirstSkipPressAsksAndTheSecondEndsTheTutorial) {
    openTown();
    GTutorialController* tutorial = run(kThreeHints);
    EXPECT_FALSE(clickOn(control("BuildButton")));
    EXPECT_TRUE(tutorial->update(20));
    ASSERT_EQ(tutorial->getHintIndex(), 1);

    tutorial->requestSkip();
    EXPECT_TRUE(tutorial->isAskingToSkip());
    for (BaseNode* w : {window(), questWindow()}) {
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(textOf(w)->getText(), CStringW(u"%GamePlay_SkipTutorialMsg%"));
        EXPECT_EQ(skipOf(w)->getText(), CStringW(u"%GamePlay_TutorialContinue%"));
    }
    EXPECT_FALSE(tutorial->getArrowLayer()->isVisible());
    // The question stays up; the hint's actions see nothing more.
    EXPECT_TRUE(tutorial->update(5000));
    EXPECT_TRUE(tutorial->update(5000));
    EXPECT_FALSE(clickOn(control("BuildButton")));
    EXPECT_NE(tutorial->getWindow(), nullptr);
    EXPECT_TRUE(m_game->getEngine()->isListener(tutorial));

    tutorial->requestSkip();
    EXPECT_FALSE(m_game->getEngine()->isListener(tutorial));
    EXPECT_FALSE(tutorial->update(20));
    EXPECT_EQ(child(m_town.get(), "TutorialWindow"), nullptr);
    EXPECT_EQ(child(m_town.get(), "TutorialWindowQuest"), nullptr);
}

TEST_F(TutorialController, AConfirmedMessageBoxResumesTheLevelAndEndsOnlyItsOwnHint) {
    openTown();
    GTutorialController* tutorial = run(R"(<Tutorial>
        <Hint MessageBox="true"><Text Value="One"/><Actions><Action Type="GeneratePauseRequest"/></Actions></Hint>
        <Hint MessageBox="true"><Text Value="Two"/><Actions><Action Type="GeneratePauseRequest"/></Actions></Hint>
        <Hint><Text Value="Three"/></Hint>
      </Tutorial>)");
    EXPECT_EQ(m_level->takeLines(), (std::vector<std::string>{"4128 pause"}));
    CRefHandle<ButtonNode> confirm(new ButtonNode(CObjectName(), nullptr, nullptr));
    confirm->setName(CName("Button"));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_FALSE(clickOn(confirm.get())) << "the click goes on to the message box";
    EXPECT_EQ(m_level->takeLines(), (std::vector<std::string>{"4128 resume"}));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 1);
    EXPECT_EQ(m_level->takeLines(), (std::vector<std::string>{"4128 resume", "4128 pause"}));
    // The second box waits for its own confirmation.
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 1);
    EXPECT_FALSE(clickOn(confirm.get()));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 2);
}

TEST_F(TutorialController, SkipFlagsPassOverTipsOrSteps) {
    openTown();
    const std::string tutorial = R"(<Tutorial>
        <Hint Tip="true"><Text Value="Tip one"/></Hint>
        <Hint><Text Value="Step one"/></Hint>
        <Hint Tip="true"><Text Value="Tip two"/></Hint>
        <Hint><Text Value="Step two"/></Hint>
      </Tutorial>)";
    GTutorialController* tips = run(tutorial);
    EXPECT_EQ(tips->getHintIndex(), 0);
    EXPECT_TRUE(tips->isCurrentHintTip());
    // Switched off while a tip shows: it ends at the next update, and later
    // tips are passed over as they come.
    tips->skipTipHints();
    EXPECT_TRUE(tips->update(20));
    EXPECT_EQ(tips->getHintIndex(), 1);
    EXPECT_FALSE(tips->isCurrentHintTip());
    EXPECT_EQ(textOf(window())->getText(), CStringW(u"Step one"));
    EXPECT_TRUE(tips->update(20));
    EXPECT_EQ(tips->getHintIndex(), 1) << "a step without actions waits";

    GTutorialController* steps = run(tutorial, false);
    steps->skipNonTipHints();
    steps->start(1);
    EXPECT_EQ(steps->getHintIndex(), 2);
    EXPECT_EQ(textOf(window())->getText(), CStringW(u"Tip two"));

    // Both off: nothing is shown and the first update ends the tutorial.
    GTutorialController* none = run(tutorial, false);
    none->skipNonTipHints();
    none->skipTipHints();
    none->start(0);
    EXPECT_FALSE(window()->isVisible());
    EXPECT_FALSE(none->update(20));
}

TEST_F(TutorialController, AStartPastTheEndOrWithoutTemplatesShowsNothing) {
    openTown();
    GTutorialController* past = run(kThreeHints, false);
    past->start(3);
    EXPECT_FALSE(window()->isVisible());
    EXPECT_FALSE(past->update(20));
    EXPECT_EQ(past->getWindow(), nullptr);

    m_controller.reset(new GTutorialController(m_town.get(), nullptr, m_game->getContentManager()));
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(kThreeHints, std::char_traits<char>::length(kThreeHints)));
    m_controller->load(*reader, m_level.get());
    EXPECT_EQ(m_controller->getHints(), nullptr);
    m_controller->start(0);
    EXPECT_FALSE(m_game->getEngine()->isListener(m_controller.get()));
    EXPECT_FALSE(m_controller->update(20));
    EXPECT_TRUE(m_level->ids.empty());
}

TEST_F(TutorialController, ReadingTimeAndVoiceDelaysTimeAHintOut) {
    openTown();
    CDictionary* words = CEngineManagers::instance().getDictionary();
    words->set("Tut_Long", CStringW(u"Twenty-eight characters long"));
    words->set("Tut_Short", CStringW(u"Thirteen char"));
    GlobalConfig* config = m_game->getGlobalConfig();
    ASSERT_EQ(config->SpeechSoundStartDelay, 100);

    const std::string file = R"(<Tutorial>
        <Hint><Text Value="%Tut_Long%"/><Actions><Action Type="WaitLetter"/></Actions></Hint>
        <Hint><Text Value="%Tut_Short%"/><Actions><Action Type="ControlPress" Controls="BuildButton"/></Actions></Hint>
        <Hint><Text Value="%Tut_Long%"/></Hint>
      </Tutorial>)";
    GTutorialController* tutorial = run(file, false);
    tutorial->setVoiceOn(true);
    tutorial->setAutoAdvance(true);
    tutorial->start(0);
    // The voice starts after the delay; with no cue of the key the text is
    // timed from its translation (28 characters, two seconds), counting from
    // that same update.
    EXPECT_TRUE(tutorial->update(99));
    EXPECT_EQ(tutorial->getReadingCountdown(), -1);
    EXPECT_TRUE(tutorial->update(1));
    EXPECT_EQ(tutorial->getReadingCountdown(), 1999);
    EXPECT_TRUE(tutorial->update(1998));
    EXPECT_FALSE(tutorial->isTimedOut());
    EXPECT_EQ(tutorial->getHintIndex(), 0);
    EXPECT_TRUE(tutorial->update(1));
    EXPECT_EQ(tutorial->getHintIndex(), 1) << "timed out and passed";

    // A text shorter than 14 characters gets no reading time: it runs out at
    // once, but a press step is never passed.
    EXPECT_TRUE(tutorial->update(99));
    EXPECT_FALSE(tutorial->isTimedOut());
    EXPECT_TRUE(tutorial->update(1));
    EXPECT_TRUE(tutorial->isTimedOut());
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 1);

    // A start delay of 0 voices the text at the next update.
    config->SpeechSoundStartDelay = 0;
    EXPECT_FALSE(clickOn(control("BuildButton")));
    EXPECT_TRUE(tutorial->update(20));
    ASSERT_EQ(tutorial->getHintIndex(), 2);
    EXPECT_TRUE(tutorial->update(0));
    EXPECT_EQ(tutorial->getReadingCountdown(), 2000);

    // Without auto-advance a timed-out hint stays.
    GTutorialController* manual = run(file, false);
    manual->setVoiceOn(true);
    manual->start(0);
    EXPECT_TRUE(manual->update(0));
    EXPECT_TRUE(manual->update(5000));
    EXPECT_TRUE(manual->isTimedOut());
    EXPECT_TRUE(manual->update(20));
    EXPECT_EQ(manual->getHintIndex(), 0);
}

TEST_F(TutorialController, AHintThatWaitsForABuildingIsNotPassedForHavingBeenRead) {
    openTown();
    CEngineManagers::instance().getDictionary()->set("Tut_Long", CStringW(u"Twenty-eight characters long"));
    // A step the player must take on a building place, or a building the
    // workers must finish, holds the hint however long it has shown.
    for (const char* action : {R"(<Action Type="BuildingPress" Places="Place2"/>)",
                               R"(<Action Type="BuildingCompleted" Buildings="Cottage"/>)",
                               R"(<Action Type="BuildingCompletedOrExist" Buildings="Cottage"/>)"}) {
        SCOPED_TRACE(action);
        const std::string file = std::string(R"(<Tutorial><Hint><Text Value="%Tut_Long%"/><Actions>)") + action +
                                 R"(</Actions></Hint><Hint><Text Value="Last"/></Hint></Tutorial>)";
        GTutorialController* tutorial = run(file, false);
        tutorial->setVoiceOn(true);
        tutorial->setAutoAdvance(true);
        tutorial->start(0);
        EXPECT_TRUE(tutorial->update(100));
        EXPECT_TRUE(tutorial->update(60000));
        EXPECT_TRUE(tutorial->isTimedOut());
        EXPECT_TRUE(tutorial->update(20));
        EXPECT_EQ(tutorial->getHintIndex(), 0);
        m_controller->close();
    }
}

TEST_F(TutorialController, TheEndOfTheVoiceTimesTheHintOutAfterTheStopDelay) {
    openTown();
    // A voice cue of the key, whose sound the test ends.
    FakeSound::Board board;
    CRefHandle<SoundCue> voice(new SoundCue(CName("Tut_Long")));
    voice->setGroup(GGameApplication::GroupVoices);
    voice->setTrackPlayStates(true);
    CRefHandle<FakeSound> sound(new FakeSound(&board, 1));
    voice->addVariant(sound.get());
    CSoundCueManager* cues = m_game->getEngine()->getSoundCueManager();
    ASSERT_TRUE(cues->addCue(voice.get()));
    const std::string file = R"(<Tutorial>
        <Hint><Text Value="%Tut_Long%"/></Hint>
        <Hint><Text Value="%Tut_Long%"/></Hint>
        <Hint><Text Value="Last"/></Hint></Tutorial>)";
    for (bool autoAdvance : {true, false}) {
        SCOPED_TRACE(autoAdvance);
        GTutorialController* tutorial = run(file, false);
        tutorial->setVoiceOn(true);
        tutorial->setAutoAdvance(autoAdvance);
        tutorial->start(0);
        EXPECT_TRUE(tutorial->update(100));
        SoundCue* playing = tutorial->getVoiceCue();
        ASSERT_NE(playing, nullptr);
        EXPECT_EQ(playing->getName(), CName("Tut_Long"));
        EXPECT_EQ(tutorial->getReadingCountdown(), -1) << "a voiced text is not timed by reading";
        EXPECT_TRUE(tutorial->update(60000));
        EXPECT_FALSE(tutorial->isTimedOut()) << "the voice still speaks";

        CRefHandle<CEventSoundCueFinished> ended(new CEventSoundCueFinished(playing));
        EXPECT_TRUE(tutorial->handleEvent(ended.get()));
        EXPECT_TRUE(tutorial->update(399));
        EXPECT_EQ(tutorial->getHintIndex(), 0);
        EXPECT_TRUE(tutorial->update(1));
        // Timed out and passed; without auto-advance the end started nothing.
        EXPECT_EQ(tutorial->getHintIndex(), autoAdvance ? 1 : 0);
        EXPECT_FALSE(tutorial->isTimedOut());
        if (autoAdvance) {
            // The next hint voices the same key: the cue starts again.
            EXPECT_TRUE(tutorial->update(100));
            EXPECT_NE(tutorial->getVoiceCue(), nullptr);
            EXPECT_FALSE(tutorial->isTimedOut());
        }
        m_controller->close();
    }
}

TEST_F(TutorialController, AWindowChimesWhenItAppearsAndARefusedClickSoundsMissed) {
    openTown();
    FakeSound::Board board;
    CSoundCueManager* cues = m_game->getEngine()->getSoundCueManager();
    for (const auto& [name, id] : {std::pair<const char*, int>{"TutorialWindow", 1}, {"ButtonMissed", 2}}) {
        CRefHandle<SoundCue> cue(new SoundCue(CName(name)));
        cue->setGroup(GGameApplication::GroupSounds);
        CRefHandle<FakeSound> sound(new FakeSound(&board, id));
        cue->addVariant(sound.get());
        ASSERT_TRUE(cues->addCue(cue.get()));
    }
    GTutorialController* tutorial = run(R"(<Tutorial>
        <Hint><Text Value="One"/><Actions><Action Type="ControlPress" Controls="BuildButton"/></Actions></Hint>
        <Hint><Text Value="Two"/></Hint></Tutorial>)");
    EXPECT_EQ(board.started, (std::vector<int>{1})) << "the window appeared";
    EXPECT_EQ(stateOf(window()), "NavTo");

    CRefHandle<ButtonNode> other(new ButtonNode(CObjectName(), nullptr, nullptr));
    other->setName(CName("OtherButton"));
    EXPECT_TRUE(clickOn(other.get()));
    EXPECT_EQ(board.started, (std::vector<int>{1, 2})) << "the refused click";

    EXPECT_FALSE(clickOn(control("BuildButton")));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 1);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(board.started, (std::vector<int>{1, 2})) << "a window that stays shown does not chime again";
}

TEST_F(TutorialController, OnlyTheTutorialsOwnClicksAndSoundsAreItsToTake) {
    openTown();
    GTutorialController* tutorial = run(R"(<Tutorial>
        <Hint><Text Value="One"/><Actions><Action Type="MouseClick"/></Actions></Hint>
        <Hint><Text Value="Two"/></Hint></Tutorial>)");
    for (const char* name : {"MenuButton", "HelpButton", "SkipTutorialButton"}) {
        SCOPED_TRACE(name);
        CRefHandle<ButtonNode> button(new ButtonNode(CObjectName(), nullptr, nullptr));
        button->setName(CName(name));
        EXPECT_FALSE(clickOn(button.get())) << "the window shows: the owner's own handling runs";
        EXPECT_TRUE(tutorial->update(20));
        EXPECT_EQ(tutorial->getHintIndex(), 0);
    }
    // The skip button is the tutorial's while its window is hidden.
    CRefHandle<ButtonNode> skip(new ButtonNode(CObjectName(), nullptr, nullptr));
    skip->setName(CName("SkipTutorialButton"));
    window()->setVisible(false);
    EXPECT_TRUE(clickOn(skip.get()));
    tutorial->setEnabled(false);
    EXPECT_FALSE(clickOn(skip.get()));
    tutorial->setEnabled(true);
    window()->setVisible(true);

    // The end of another cue goes on to whoever waits for it.
    CRefHandle<SoundCue> cue(new SoundCue(CName("Other")));
    CRefHandle<CEventSoundCueFinished> finished(new CEventSoundCueFinished(cue.get()));
    EXPECT_FALSE(tutorial->handleEvent(finished.get()));
    EXPECT_EQ(tutorial->getHintIndex(), 0);
}

// Input belongs to the screen on top: once the town is left for the screen
// below it, a click neither is taken by the town's tutorial nor ends its hint.
TEST_F(TutorialController, ItsScreenLeftTheTutorialTakesNoneOfThePlayersInput) {
    openTown();
    GTutorialController* tutorial = run(R"(<Tutorial>
        <Hint><Text Value="One"/><Actions><Action Type="MouseClick"/></Actions></Hint>
        <Hint><Text Value="Two"/><Actions><Action Type="MouseClick"/></Actions></Hint></Tutorial>)");
    CRefHandle<ButtonNode> button(new ButtonNode(CObjectName(), nullptr, nullptr));
    button->setName(CName("AnyButton"));
    EXPECT_TRUE(clickOn(button.get())) << "the town is on top";
    EXPECT_TRUE(tutorial->update(20));
    ASSERT_EQ(tutorial->getHintIndex(), 1);

    ASSERT_TRUE(m_town->navigateBack(1));
    ASSERT_NE(m_game->getSceneManager()->getCurrentScene(), m_town.get());
    EXPECT_FALSE(clickOn(button.get())) << "the screen below has it";
    CRefHandle<CEventMouseMove> move(new CEventMouseMove(20, 20));
    EXPECT_FALSE(tutorial->handleEvent(move.get()));
    EXPECT_TRUE(tutorial->update(20));
    EXPECT_EQ(tutorial->getHintIndex(), 1);
}

TEST_F(TutorialController, SkipHighlightsFollowThePointerWhileEnabled) {
    // The labels are measured with their fonts, which need a real driver.
    openTown(false);
    GTutorialController* tutorial = run(R"(<Tutorial>
        <Hint><Text Value="Plain"/><TextQuest Value="Quest"/><Position Value="100;100"/>
          <PositionQuest Value="500;100"/></Hint></Tutorial>)");
    ASSERT_TRUE(runSteps(5));
    for (BaseNode* w : {window(), questWindow()}) {
        SCOPED_TRACE(w == window() ? "plain" : "quest");
        ButtonNode* skip = skipOf(w);
        ASSERT_NE(skip, nullptr);
        ASSERT_NE(skip->getTemplateRoot(), nullptr);
        auto* label = nodeCast<TextNode>(skip->getTemplateRoot()->findChild(CName("Text"), 1));
        ASSERT_NE(label, nullptr);
        ASSERT_GT(label->getTextWidth(), 0.0f);
        // Fitted to the label: its line's offset and its width.
        for (const char* fitted : {"bg", "HitArea"}) {
            BaseNode* node = child(skip, fitted);
            ASSERT_NE(node, nullptr);
            EXPECT_FLOAT_EQ(node->getPosition().x, label->getLineOffsetX(0));
            EXPECT_FLOAT_EQ(node->getBounds().x, label->getTextWidth());
        }
    }
    // Over the plain window's skip label, then away.
    BaseNode* plainHighlight = child(skipOf(window()), "bg");
    BaseNode* questHighlight = child(skipOf(questWindow()), "bg");
    CVector3d over(4.0f, 10.0f, 0.0f);
    skipOf(window())->getAbsoluteTransformation().transformPoint(over);
    CRefHandle<CEventMouseMove> move(new CEventMouseMove(int32_t(over.x), int32_t(over.y)));
    EXPECT_FALSE(tutorial->handleEvent(move.get())) << "moves go on";
    EXPECT_TRUE(plainHighlight->isVisible());
    EXPECT_FALSE(questHighlight->isVisible());
    (void)post(new CEventMouseMove(5, 5));
    EXPECT_FALSE(plainHighlight->isVisible());

    // Disabled: both hidden, the buttons off, and moves keep them hidden.
    tutorial->setEnabled(false);
    EXPECT_FALSE(skipOf(window())->isEnabled());
    EXPECT_FALSE(skipOf(questWindow())->isEnabled());
    (void)post(new CEventMouseMove(int32_t(over.x), int32_t(over.y)));
    EXPECT_FALSE(plainHighlight->isVisible());
    EXPECT_FALSE(questHighlight->isVisible());
    tutorial->setEnabled(true);
    EXPECT_TRUE(skipOf(window())->isEnabled());
}

// The player's view of a step: the town darkened, the plain window with the
// guide and the text, and arrows at the build button and a place.
// BM_UPDATE_REFERENCES=1 writes the reference anew (look at it first).
TEST_F(TutorialController, AWindowWithItsArrowsAndDarkeningLooksAsItsReference) {
    openTown(false);
    GTutorialController* tutorial = run(kThreeHints);
    ASSERT_TRUE(tutorial->update(20));
    ASSERT_TRUE(runFor(600));
    expectScreenLooksLike(kData / "TutorialWindowReference.png");
}
