// The options screen in the real game, run headless over the repository's
// own assets, driven by mouse and keyboard events as a player drives it;
// the profile folder lives in a temporary directory. The game's clock moves
// one frame per step of the main loop, so a wait covers the same frames
// however busy the machine is.

#include "game/screens/GOptionsScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CDisplayModeList.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CMat4.h"
#include "engine/device/CSdlCursor.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/MessageBoxNode.h"
#include "engine/nodes/SliderNode.h"
#include "engine/scene/CNodeState.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GLogosScene.h"
#include "game/screens/GMainMenuScene.h"
#include "tests/game/app/FrontEndRunFixture.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/LogCapture.h"

#include <functional>

using namespace sceneflow;

namespace {

// A screen that counts as a level's play screen, for the options opened
// over a level.
class FakePlayScene : public GBaseSceneNode {
public:
    using GBaseSceneNode::GBaseSceneNode;
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == GGameApplication::GamePlaySceneTypeId || GBaseSceneNode::isKindOf(id);
    }

protected:
    ~FakePlayScene() override = default;
};

} // namespace

class OptionsScreen : public SceneFlowTest {
protected:
    // One frame of the game's clock per step of the main loop.
    static constexpr uint32_t kFrameMs = 16;

    void SetUp() override {
        SceneFlowTest::SetUp();
        copyGameAssets(m_dir.path());
    }
    void TearDown() override {
        SceneFlowTest::TearDown();
        m_device.reset();
    }

    // The game on a window device whose clock the test moves. On the
    // machine's own clock a slow step could cover a whole wait, and what
    // shows a frame after a click (a stopped cue leaves the playing list
    // in the next sound update) would not have come yet.
    GGameApplication* start() {
        m_device.reset(new frontend::OpenGLDevice(CEngineCreationParams(), m_time.get()));
        setEngineInstance(m_device.get());
        return SceneFlowTest::start(false);
    }

    // One step of the main loop, a frame later than the last.
    bool step() {
        m_time->now += kFrameMs;
        return m_game->run();
    }

    // Runs the main loop until `ms` of the game's clock have passed.
    bool runFor(uint32_t ms) {
        const uint64_t until = m_game->getTotalTime() + ms;
        for (uint64_t steps = 0; m_game->getTotalTime() < until; ++steps)
            if (steps > ms + 100 || !step())
                return false;
        return true;
    }

    // Runs the main loop until `done()` holds, for a minute of the game's
    // clock at most.
    template <class Done> bool runUntil(Done done) {
        const uint64_t until = m_game->getTotalTime() + 60000;
        for (uint64_t steps = 0; !done(); ++steps)
            if (m_game->getTotalTime() > until || steps > 60000 || !step())
                return false;
        return true;
    }

    // Starts the game with one player, "Ada" (made at the first start),
    // skips the logos with Esc and waits for the main menu.
    void startToMenu() {
        // OpenGL through SDL's offscreen driver: pictures are hit where
        // they are drawn, as on a player's screen.
        GGameApplication* game = start();
        ASSERT_TRUE(game->init(CStringW()));
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        if (profiles->getProfileCount() == 0) {
            ASSERT_TRUE(profiles->addProfile(CStringW(u"Ada")));
            ASSERT_TRUE(profiles->setActiveProfile(0));
            ASSERT_TRUE(profiles->saveUserProfiles());
        }
        // A restart finds the player it left.
        ASSERT_NE(profiles->getActiveProfile(), nullptr);
        ASSERT_TRUE(runUntil([&] {
            auto* logos = nodeCast<GLogosScene>(m_game->getSceneManager()->getCurrentScene());
            if (logos && logos->isSkippable())
                (void)post(new CEventKeyUp(0, 27));
            return topName() == "MainMenuScene" && settled();
        }));
    }

    // The options, opened from the main menu by its button.
    GOptionsScene* openOptions() {
        startToMenu();
        if (HasFatalFailure())
            return nullptr;
        SceneNode* menu = m_game->getSceneManager()->getCurrentScene();
        clickOn(menu->findChild(CName("OptionsButton"), 3));
        EXPECT_TRUE(runUntil([&] { return topName() == "OptionsScene" && settled(); }));
        return nodeCast<GOptionsScene>(m_game->getSceneManager()->getCurrentScene());
    }

    void restart() {
        m_game->release();
        m_game = nullptr;
        m_device.reset();
    }

    [[nodiscard]] bool settled() const { return m_game->getSceneManager()->getPendingTransitionCount() == 0; }

    // The desktop as the device reports it to the game.
    void fakeDesktop(int32_t width, int32_t height) {
        m_game->getEngine()->getDisplayModes()->setDesktopMode({width, height, 32});
    }

    [[nodiscard]] CProfileParameters* player() const {
        return m_game->getEngine()->getProfileManager()->getActiveProfile();
    }
    [[nodiscard]] CSoundCueManager* cues() const { return m_game->getEngine()->getSoundCueManager(); }

    // The mouse moved onto the middle of `node`, pressed and released; the
    // loop runs until the click has been delivered.
    void clickOn(BaseNode* node) {
        ASSERT_NE(node, nullptr);
        CVector3d middle(node->getBounds().x * 0.5f, node->getBounds().y * 0.5f, 0.0f);
        node->getAbsoluteTransformation().transformPoint(middle);
        clickAt(int32_t(middle.x), int32_t(middle.y));
    }
    void clickAt(int32_t x, int32_t y, const std::function<bool()>& done = {}) {
        (void)post(new CEventMouseMove(x, y));
        ASSERT_TRUE(runFor(40));
        (void)post(new CEventMouseLeftDown(x, y));
        (void)post(new CEventMouseLeftUp(x, y));
        if (done)
            ASSERT_TRUE(runUntil(done));
        else
            ASSERT_TRUE(runFor(120));
    }

    [[nodiscard]] MessageBoxNode* messageBox() const {
        return nodeCast<MessageBoxNode>(m_game->getSceneManager()->getCurrentScene());
    }

    CRefHandle<frontend::SteppedTime> m_time{new frontend::SteppedTime()};
    CRefHandle<CSdlDevice> m_device;
};

TEST_F(OptionsScreen, EachSwitchStoresItsSettingSavesItAndTheGameAppliesIt) {
    GOptionsScene* options = openOptions();
    ASSERT_NE(options, nullptr);
    fakeDesktop(1920, 1080);
    CSoundCueManager* sounds = cues();
    CEngine* engine = m_game->getEngine();
    // Whether the game's own cursor picture is asked for (SDL's offscreen
    // driver cannot make one).
    auto gameCursor = [&](const LogCapture&) {
        auto* cursor = dynamic_cast<CSdlCursor*>(engine->getCursorControl());
        return cursor && cursor->wantsCustomImage();
    };
    using Check = std::function<void(bool on, const LogCapture& log)>;
    const struct {
        const char* key;
        ButtonNode* button;
        bool before; // a new player's setting
        Check applied;
    } rows[] = {
        {"SoundOn", options->getMuteSoundButton(), true,
         [&](bool on, const LogCapture&) {
             for (int32_t group : {GGameApplication::GroupSounds, GGameApplication::GroupInterfaceSounds,
                                   GGameApplication::GroupVoices})
                 EXPECT_FLOAT_EQ(sounds->getGroupVolume(group), on ? 0.4f : 0.0f) << group;
         }},
        {"MusicOn", options->getMuteMusicButton(), true,
         [&](bool on, const LogCapture&) {
             EXPECT_FLOAT_EQ(sounds->getGroupVolume(GGameApplication::GroupMusic), on ? 0.4f : 0.0f);
             EXPECT_EQ(sounds->isCuePlaying(CName("MenuMusic")), on);
         }},
        {"FullScreen", options->getFullscreenButton(), true,
         [&](bool on, const LogCapture&) {
             EXPECT_EQ(m_game->isFullScreen(), on);
             EXPECT_EQ(engine->inFullscreen(), on);
         }},
        {"WindowsCursor", options->getCursorButton(), false,
         [&](bool on, const LogCapture& log) { EXPECT_EQ(gameCursor(log), !on); }},
        {"ShowTutorialOn", options->getTutorialButton(), true, [](bool, const LogCapture&) {}},
        {"AutoWideMode", options->getAutoWideButton(), false,
         [&](bool on, const LogCapture&) { EXPECT_EQ(m_game->getWindowSize().width, on ? 1228 : 1024); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        ASSERT_NE(row.button, nullptr);
        EXPECT_EQ(GOptionsScene::isOn(row.button), row.before) << "shown as the profile holds it";
        for (const bool on : {!row.before, row.before}) {
            SCOPED_TRACE(on);
            LogCapture log;
            clickOn(row.button);
            EXPECT_EQ(GOptionsScene::isOn(row.button), on);
            EXPECT_EQ(row.button->getTemplateName(), CName(on ? "Options_OnOffButtonGreen" : "Options_OnOffButtonRed"));
            EXPECT_EQ(row.button->getText(), CStringW(on ? u"%Options_On%" : u"%Options_Off%"));
            EXPECT_EQ(player()->getBool(row.key), on);
            row.applied(on, log);
        }
    }
    EXPECT_EQ(topName(), "OptionsScene") << "no switch opens anything here";

    // Every change is saved at once: a fresh read of the profile file agrees.
    clickOn(options->getMuteMusicButton());
    clickOn(options->getTutorialButton());
    CRefHandle<CProfileManager> reread(new CProfileManager(engine->getFileSystem()));
    reread->setKey(engine->getProfileManager()->getKey());
    ASSERT_TRUE(reread->loadUserFile());
    ASSERT_EQ(reread->getProfileCount(), 1u);
    EXPECT_FALSE(reread->getProfile(0)->getBool("MusicOn"));
    EXPECT_FALSE(reread->getProfile(0)->getBool("ShowTutorialOn"));
    EXPECT_TRUE(reread->getProfile(0)->getBool("SoundOn"));
}

TEST_F(OptionsScreen, TheSlidersStoreTheVolumesWhichTheSoundGroupsTakeAtOnce) {
    GOptionsScene* options = openOptions();
    ASSERT_NE(options, nullptr);
    CSoundCueManager* sounds = cues();
    SliderNode* sound = options->getSoundSlider();
    SliderNode* music = options->getMusicSlider();
    ASSERT_NE(sound, nullptr);
    ASSERT_NE(music, nullptr);
    EXPECT_FLOAT_EQ(sound->getValue(), 40.0f) << "a new player's volume";

    // The plus button raises the sound volume by a step.
    BaseNode* plus = sound->getNextButton();
    ASSERT_NE(plus, nullptr);
    CVector3d middle(plus->getBounds().x * 0.5f, plus->getBounds().y * 0.5f, 0.0f);
    plus->getAbsoluteTransformation().transformPoint(middle);
    clickAt(int32_t(middle.x), int32_t(middle.y), [&] { return sound->getValue() != 40.0f; });
    EXPECT_FLOAT_EQ(sound->getValue(), 50.0f);
    EXPECT_FLOAT_EQ(player()->getFloat("SoundVolume"), 50.0f);
    EXPECT_FLOAT_EQ(sounds->getGroupVolume(GGameApplication::GroupSounds), 0.5f);

    // A click at the start of the track turns the music right down.
    BaseNode* track = music->getSlidingArea();
    ASSERT_NE(track, nullptr);
    CVector3d start(3.0f, track->getBounds().y * 0.5f, 0.0f);
    track->getAbsoluteTransformation().transformPoint(start);
    clickAt(int32_t(start.x), int32_t(start.y));
    EXPECT_FLOAT_EQ(music->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(player()->getFloat("MusicVolume"), 0.0f);
    EXPECT_FLOAT_EQ(sounds->getGroupVolume(GGameApplication::GroupMusic), 0.0f);
    EXPECT_FLOAT_EQ(player()->getFloat("SoundVolume"), 50.0f) << "the other volume stays";
}

TEST_F(OptionsScreen, OptionsSurviveARestartOfTheGame) {
    GOptionsScene* options = openOptions();
    ASSERT_NE(options, nullptr);
    fakeDesktop(1920, 1080);
    clickOn(options->getSoundSlider()->getPrevButton());
    clickOn(options->getMuteMusicButton());
    clickOn(options->getCursorButton());
    clickOn(options->getTutorialButton());
    clickOn(options->getAutoWideButton());
    clickOn(options->getFullscreenButton());
    ASSERT_FALSE(m_game->isFullScreen());
    restart();

    options = openOptions();
    ASSERT_NE(options, nullptr);
    fakeDesktop(1920, 1080);
    // Shown again, as the player left them.
    clickOn(options->findChild(CName("BackButton"), 2));
    ASSERT_TRUE(runUntil([&] { return topName() == "MainMenuScene" && settled(); }));
    clickOn(m_game->getSceneManager()->getCurrentScene()->findChild(CName("OptionsButton"), 3));
    ASSERT_TRUE(runUntil([&] { return topName() == "OptionsScene" && settled(); }));
    options = nodeCast<GOptionsScene>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(options, nullptr);
    EXPECT_FLOAT_EQ(options->getSoundSlider()->getValue(), 30.0f);
    EXPECT_FLOAT_EQ(options->getMusicSlider()->getValue(), 40.0f);
    const struct {
        ButtonNode* button;
        bool on;
    } shown[] = {{options->getMuteSoundButton(), true},   {options->getMuteMusicButton(), false},
                 {options->getFullscreenButton(), false}, {options->getCursorButton(), true},
                 {options->getTutorialButton(), false},   {options->getAutoWideButton(), true}};
    for (const auto& s : shown)
        EXPECT_EQ(GOptionsScene::isOn(s.button), s.on) << CString(s.button->getName().str()).c_str();
    // And in effect from the start.
    EXPECT_FLOAT_EQ(cues()->getGroupVolume(GGameApplication::GroupSounds), 0.3f);
    EXPECT_FLOAT_EQ(cues()->getGroupVolume(GGameApplication::GroupMusic), 0.0f);
}

TEST_F(OptionsScreen, ADesktopTooLowForAWindowKeepsFullScreenAndSaysWhy) {
    GOptionsScene* options = openOptions();
    ASSERT_NE(options, nullptr);
    // The player asked for a window where the desktop allowed one.
    player()->setBool("FullScreen", false);
    fakeDesktop(1024, 768);
    ASSERT_TRUE(post(new CEventKeyUp(0, 27)));
    ASSERT_TRUE(runUntil([&] { return topName() == "MainMenuScene" && settled(); }));
    clickOn(m_game->getSceneManager()->getCurrentScene()->findChild(CName("OptionsButton"), 3));
    ASSERT_TRUE(runUntil([&] { return topName() == "OptionsScene" && settled(); }));
    options = nodeCast<GOptionsScene>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(options, nullptr);
    ButtonNode* fullScreen = options->getFullscreenButton();
    EXPECT_TRUE(GOptionsScene::isOn(fullScreen)) << "always on here";

    const CEngineCreationParams before = m_game->getCreationParams();
    clickOn(fullScreen);
    ASSERT_TRUE(runUntil([&] { return messageBox() && settled(); }));
    MessageBoxNode* box = messageBox();
    EXPECT_EQ(box->getTitle(), CStringW(u"%Warning%"));
    EXPECT_EQ(box->getBody(), CStringW(u"%Options_CantGoWindow%"));
    ASSERT_EQ(box->getButtonCount(), 1u);
    EXPECT_TRUE(GOptionsScene::isOn(fullScreen));
    EXPECT_TRUE(m_game->isFullScreen());
    EXPECT_EQ(m_game->getCreationParams().width, before.width);

    // OK closes the warning; the options stay.
    clickOn(box->getButton(0));
    EXPECT_TRUE(runUntil([&] { return topName() == "OptionsScene" && settled(); }));

    // Alt+Enter cannot leave full screen here either, and the switch says so.
    EXPECT_TRUE(post(new CEventKeyDown(0, 13, false, false, true)));
    EXPECT_TRUE(m_game->isFullScreen());
    EXPECT_TRUE(GOptionsScene::isOn(fullScreen));
}

TEST_F(OptionsScreen, EscAndEnterGoBackSlidingOverTheMenuButAltEnterOnlySwitchesTheMode) {
    for (const int32_t key : {27, 13}) {
        SCOPED_TRACE(key);
        GOptionsScene* options = openOptions();
        ASSERT_NE(options, nullptr);
        fakeDesktop(1920, 1080);
        SceneNode* menu = options->getSceneBelow();
        ASSERT_NE(menu, nullptr);

        // Alt+Enter: the game switches to a window and the switch follows;
        // letting go of Enter leaves the screen open.
        EXPECT_TRUE(post(new CEventKeyDown(0, 13, false, false, true)));
        EXPECT_FALSE(m_game->isFullScreen());
        EXPECT_FALSE(GOptionsScene::isOn(options->getFullscreenButton()));
        (void)post(new CEventKeyUp(0, 13, false, false, true));
        ASSERT_TRUE(runFor(100));
        EXPECT_EQ(topName(), "OptionsScene");

        // The panel slides out to the right while the menu slides back in
        // from the left.
        const CRefHandle<BaseNode> panel = CRefHandle<BaseNode>::share(options->findChild(CName("Scene"), 1));
        BaseNode* buttons = menu->findChild(CName("Buttons"), 1);
        ASSERT_TRUE(panel && buttons);
        const float panelX = panel->getPosition().x;
        const float awayX = buttons->getPosition().x;
        EXPECT_TRUE(post(new CEventKeyUp(0, key)));
        ASSERT_TRUE(runUntil([&] { return panel->getPosition().x > panelX + 100.0f; }));
        const float midwayX = buttons->getPosition().x;
        EXPECT_TRUE(runUntil([&] { return topName() == "MainMenuScene" && settled(); }));
        EXPECT_LT(awayX, midwayX);
        EXPECT_LT(midwayX, buttons->getPosition().x);
        restart();
    }
}

TEST_F(OptionsScreen, OverALevelSwitchingTheTutorialOnWarnsOfTheRestartAndEscGoesBackWithoutSliding) {
    startToMenu();
    SceneNode* menu = m_game->getSceneManager()->getCurrentScene();
    // A level's play screen with its in-game menu over it.
    CRefHandle<SceneNode> level(new FakePlayScene(CObjectName(), nullptr, nullptr));
    CRefHandle<SceneNode> inGameMenu(new SceneNode(CObjectName(), nullptr, nullptr));
    level->setName(CName("Level"));
    inGameMenu->setName(CName("InGameMenu"));
    ASSERT_TRUE(menu->navigateTo(level.get(), false));
    ASSERT_TRUE(runUntil([&] { return topName() == "Level" && settled(); }));
    ASSERT_TRUE(level->navigateTo(inGameMenu.get(), true));
    ASSERT_TRUE(runUntil([&] { return topName() == "InGameMenu" && settled(); }));
    // Scenes made here have no file to find others from; the menu has.
    ASSERT_TRUE(menu->navigateToFile(CStringW(u"scenes/OptionsScene.mscn"), true));
    ASSERT_TRUE(runUntil([&] { return topName() == "OptionsScene" && settled(); }));
    auto* options = nodeCast<GOptionsScene>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(options, nullptr);

    // Off: nothing to say.
    clickOn(options->getTutorialButton());
    EXPECT_FALSE(player()->getBool("ShowTutorialOn"));
    EXPECT_EQ(topName(), "OptionsScene");
    // On: the level's tutorial waits for the level to be played again.
    clickOn(options->getTutorialButton());
    EXPECT_TRUE(player()->getBool("ShowTutorialOn"));
    ASSERT_TRUE(runUntil([&] { return messageBox() && settled(); }));
    EXPECT_EQ(messageBox()->getBody(), CStringW(u"%WarningTutorialRestart%"));
    EXPECT_EQ(messageBox()->getTitle(), CStringW(u"%Warning%"));
    clickOn(messageBox()->getButton(0));
    ASSERT_TRUE(runUntil([&] { return topName() == "OptionsScene" && settled(); }));

    // Back to the in-game menu with the plain transitions: the panel fades
    // where it stands.
    const CRefHandle<BaseNode> panel = CRefHandle<BaseNode>::share(options->findChild(CName("Scene"), 1));
    const float panelX = panel->getPosition().x;
    EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
    bool slid = false;
    ASSERT_TRUE(runUntil([&] {
        slid = slid || panel->getPosition().x != panelX;
        return topName() == "InGameMenu" && settled();
    }));
    EXPECT_FALSE(slid);
    EXPECT_EQ(panel->getTintColor().alpha(), 0u) << "faded out";
}

TEST_F(OptionsScreen, WithoutAPlayerTheControlsChangeNothing) {
    GOptionsScene* options = openOptions();
    ASSERT_NE(options, nullptr);
    CProfileManager* profiles = m_game->getEngine()->getProfileManager();
    profiles->deleteProfile(0);
    ASSERT_EQ(profiles->getActiveProfile(), nullptr);
    const float volume = cues()->getGroupVolume(GGameApplication::GroupSounds);
    clickOn(options->getMuteSoundButton());
    clickOn(options->getSoundSlider()->getNextButton());
    EXPECT_TRUE(GOptionsScene::isOn(options->getMuteSoundButton()));
    EXPECT_EQ(cues()->getGroupVolume(GGameApplication::GroupSounds), volume);
    EXPECT_EQ(profiles->getProfileCount(), 0u);
    // The way back still works.
    EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
    EXPECT_TRUE(runUntil([&] { return topName() != "OptionsScene"; }));
}
