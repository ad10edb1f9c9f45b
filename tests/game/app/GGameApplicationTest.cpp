#include "game/app/GGameApplication.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CDisplayModeList.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CSingleInstanceGuard.h"
#include "engine/core/CStringW.h"
#include "engine/core/ICursorControl.h"
#include "engine/device/CEventSystemFlowCloseRequest.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/device/CSdlDevice.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/SoundGroup.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GameKeys.h"
#include "game/app/main/GGameClasses.h"
#include "game/app/main/GameMain.h"
#include "game/nodes/GRectangleNode.h"
#include "tests/engine/io/IoFixtures.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/CRecordingGraphicsDriver.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

namespace {

// A framed blue panel in the middle of the design screen, drawn by the
// game's rectangle.
constexpr const char* kLogosScene = R"(<?xml version="1.0"?>
<SceneNode Type="SceneNode">
  <Properties><string Name="Name" Value="Logos"/></Properties>
  <SceneNode Type="GRectangleNode">
    <Properties>
      <string Name="Name" Value="Panel"/>
      <vector3d Name="Position" Value="112;84;0"/>
      <vector3d Name="Bounds" Value="800;600;0"/>
      <color Name="FillColor" Value="FF2040C0"/>
      <color Name="BorderColor" Value="FFFFE060"/>
    </Properties>
  </SceneNode>
</SceneNode>)";

using sceneflow::differingPixels;

constexpr const char* kQuitConfirmationScene = R"(<?xml version="1.0"?>
<SceneNode Type="GQuitConfirmationScene"><Properties><string Name="Name" Value="Quit"/></Properties></SceneNode>)";

// Screens the tests put on the stack by their type ids.
template <int32_t Id> class FakeScreen : public SceneNode {
public:
    using SceneNode::SceneNode;
    static BaseNode* create(const CObjectName& name) { return new FakeScreen(name, nullptr, nullptr); }
    [[nodiscard]] int32_t getTypeId() const override { return Id; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == Id || SceneNode::isKindOf(id); }
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<FakeScreen>(parent, manager);
    }

protected:
    ~FakeScreen() override = default;
};
using FakePlayScreen = FakeScreen<GGameApplication::GamePlaySceneTypeId>;
using FakeQuitConfirmation = FakeScreen<GGameApplication::QuitConfirmationSceneTypeId>;

// A cursor that remembers the image it was last given.
class RecordingCursor : public ICursorControl {
public:
    void setVisible(bool visible) override { m_visible = visible; }
    [[nodiscard]] bool isVisible() const override { return m_visible; }
    void setPosition(const CVector2di&) override {}
    [[nodiscard]] CVector2di getPosition() const override { return {}; }
    void refreshPosition() override {}
    [[nodiscard]] CArray<CVector2di> copyPositions() const override { return {}; }
    [[nodiscard]] const CArray<CVector2di>& positions() const override { return m_positions; }
    void setImage(const CPixelImage* image, int hotX, int hotY) override {
        ++images;
        lastWidth = image ? image->width() : 0;
        hot = {hotX, hotY};
    }

    int images = 0;
    uint32_t lastWidth = 0;
    CVector2di hot;

protected:
    ~RecordingCursor() override = default;

private:
    bool m_visible = true;
    CArray<CVector2di> m_positions;
};

// The window device with a recording driver in place of OpenGL.
class RecordingDevice : public CSdlDevice {
public:
    using CSdlDevice::CSdlDevice;
    static CEngine* create(const CEngineCreationParams& params) {
        auto* device = new RecordingDevice(params);
        setEngineInstance(device);
        return device;
    }

protected:
    ~RecordingDevice() override = default;
    [[nodiscard]] IGraphicsDriver* makeOpenGLDriver() override {
        return CRecordingGraphicsDriver::create(getCreationParams(), getClock());
    }
    // Where the system offers Direct3D, the chain would take it first.
    [[nodiscard]] IGraphicsDriver* makeDirect3D9Driver() override { return nullptr; }
    [[nodiscard]] IGraphicsDriver* makeDirect3D8Driver() override { return nullptr; }
};

// Runs the game in a folder of its own, with its profiles in it too.
class GameTest : public testing::Test {
protected:
    void SetUp() override {
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_dir.path());
        setEnvironmentVariable("XDG_DATA_HOME", (m_dir.path() / "data").string());
        setEnvironmentVariable("XDG_CONFIG_HOME", (m_dir.path() / "config").string());
        // OpenAL plays into nothing (a test may choose otherwise first).
        if (!std::getenv("ALSOFT_DRIVERS"))
            setEnvironmentVariable("ALSOFT_DRIVERS", "null");
    }
    void TearDown() override {
        if (m_game)
            m_game->release();
        std::filesystem::current_path(m_previous);
    }

    void writeAssets() const { m_dir.write("assets/scenes/LogosScene.mscn", std::string(kLogosScene)); }

    GGameApplication* start(bool nullVideo) {
        GGameOptions options;
        options.registerStartClasses = &registerStartClasses;
        options.registerAllClasses = &registerAllGameClasses;
        options.nullVideoDriver = nullVideo;
        m_game = new GGameApplication(options);
        return m_game;
    }

    // Steps the main loop `steps` times; false when it ended.
    bool runSteps(int steps) {
        for (int i = 0; i < steps; ++i)
            if (!m_game->run())
                return false;
        return true;
    }

    void shutDown() {
        m_game->release();
        m_game = nullptr;
    }

    TempDir m_dir;
    std::filesystem::path m_previous;
    GGameApplication* m_game = nullptr;
};

} // namespace

TEST_F(GameTest, StartsWithOpenGLShowsTheFirstSceneAndShutsDownCompletely) {
    writeAssets();
    LogCapture log;
    GGameApplication* game = start(false);
    ASSERT_TRUE(game->init(CStringW()));
    EXPECT_EQ(GGameApplication::instance(), game);

    // Direct3D is not there: the chain tries 9, then 8, then takes OpenGL.
    EXPECT_TRUE(log.contains("Could not create DIRECT3D9 Driver."));
    EXPECT_TRUE(log.contains("Could not create DIRECT3D8 Driver."));
    CEngine* engine = game->getEngine();
    ASSERT_NE(engine, nullptr);
    ASSERT_NE(engine->getVideoDriver(), nullptr);
    EXPECT_EQ(engine->getVideoDriver()->driverType(), 3);
    EXPECT_EQ(game->getCreationParams().driverType, 3);
    EXPECT_EQ(engine->getSetting("TitleName"), CStringW(u"Brindlemoor"));
    EXPECT_FALSE(GGameApplication::isPackedArchiveMode());

    SceneNode* scene = game->getSceneManager()->getCurrentScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->getName(), CName("Logos"));
    ASSERT_EQ(scene->getChildren().size(), 1u);
    EXPECT_NE(nodeCast<GRectangleNode>(scene->getChildren()[0]), nullptr);

    ASSERT_TRUE(runSteps(300));
    EXPECT_GT(game->getTotalTime(), 0u);
    EXPECT_GT(game->getFramesDrawn(), 0u);

    // The player sees the first scene as drawn by the real driver.
    // BM_UPDATE_REFERENCES=1 writes the reference anew (look at it first).
    CRefHandle<CPixelImage> shot(engine->getVideoDriver()->takeScreenshot());
    ASSERT_NE(shot, nullptr);
    const CColor middle(shot->pixelAt(shot->width() / 2, shot->height() / 2));
    EXPECT_EQ(middle.value & 0x00FFFFFFu, 0x2040C0u);
    const std::filesystem::path reference =
        std::filesystem::path(BM_SOURCE_DIR) / "tests/game/app/data/FirstFrameReference.png";
    CContentManager* content = game->getContentManager();
    if (std::getenv("BM_UPDATE_REFERENCES")) {
        ASSERT_TRUE(content->save(ContentTypeImage, shot.get(), fromNativePath(reference.string()), nullptr));
    } else {
        const std::vector<uint8_t> bytes = readAllBytes(reference);
        ASSERT_FALSE(bytes.empty()) << "Missing reference picture " << reference;
        (void)m_dir.write("reference.png", bytes);
        CRefHandle<IContent> loaded(content->load(ContentTypeImage, CStringW(u"reference.png"), false));
        const auto* expected = dynamic_cast<const CPixelImage*>(loaded.get());
        ASSERT_NE(expected, nullptr);
        // Rasterisers may differ by a shade or an edge pixel here and there.
        EXPECT_LE(differingPixels(*shot, *expected, 12), shot->width() * shot->height() / 500);
    }

    shutDown();
    EXPECT_EQ(GGameApplication::instance(), nullptr);
    EXPECT_EQ(findEngineInstance(), nullptr) << "the engine goes with the game object";
}

TEST_F(GameTest, RunsHeadlessWithTheNullDriver) {
    writeAssets();
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    ASSERT_NE(game->getEngine()->getVideoDriver(), nullptr);
    EXPECT_EQ(game->getEngine()->getVideoDriver()->driverType(), 0);
#ifdef _WIN32
    // The Windows build has no OpenAL: it plays through the null device.
    EXPECT_EQ(game->getCreationParams().audioType, 0);
#else
    EXPECT_EQ(game->getCreationParams().audioType, 1) << "OpenAL, where it can play";
#endif
    ASSERT_TRUE(runSteps(300));
    EXPECT_GT(game->getFramesDrawn(), 0u);
    EXPECT_GT(game->getTotalTime(), 0u);
    // Closing the window ends the main loop.
    game->getEngine()->closeDevice();
    EXPECT_FALSE(game->run());
    shutDown();
    EXPECT_EQ(findEngineInstance(), nullptr);
}

TEST_F(GameTest, AudioFallsBackToTheNullDevice) {
    writeAssets();
    // No OpenAL backend can open.
    setEnvironmentVariable("ALSOFT_DRIVERS", "no-such-backend");
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    ASSERT_NE(game->getEngine()->getAudioDevice(), nullptr);
    EXPECT_EQ(game->getCreationParams().audioType, 0);
    EXPECT_EQ(game->getEngine()->getAudioDevice()->getStreamingThreshold(), 262144u);
}

TEST_F(GameTest, RegistersTheLaterClassesOnlyWhenAsked) {
    writeAssets();
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    CNodeFactory* factory = CNodeFactory::getShared();
    EXPECT_TRUE(factory->isNodeClassRegistered(CStringW(u"GRectangleNode")));
    EXPECT_FALSE(factory->isNodeClassRegistered(CStringW(u"GSelectGridNode")));
    game->registerGameClasses();
    EXPECT_TRUE(factory->isNodeClassRegistered(CStringW(u"GSelectGridNode")));
    EXPECT_NE(nodeCast<GRectangleNode>(factory->createNode(CStringW(u"GRectangleNode"), CObjectName()).get()), nullptr);
}

TEST_F(GameTest, ConfiguresTheSoundGroupsAndPausesTheBackgroundOnesOnFocusLoss) {
    writeAssets();
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    CEngine* engine = game->getEngine();
    CSoundCueManager* cues = engine->getSoundCueManager();
    ASSERT_NE(cues, nullptr);
    const struct {
        int32_t group, most, fadeIn, fadeOut;
    } groups[] = {{0, 8, 0, 1000}, {1, 1, 2000, 1000}, {2, 16, 0, 1000}, {3, 4, 0, 1000}};
    for (const auto& g : groups) {
        SCOPED_TRACE(g.group);
        const SoundGroup& group = cues->getGroup(g.group);
        EXPECT_EQ(group.policy, SoundGroup::PolicyStopOldest);
        EXPECT_EQ(group.maxPlaying, g.most);
        EXPECT_EQ(group.fadeInMs, g.fadeIn);
        EXPECT_EQ(group.fadeOutMs, g.fadeOut);
    }

    CRefHandle<CEventWindowActivate> lost(new CEventWindowActivate(false));
    EXPECT_FALSE(engine->postEvent(lost.get()));
    EXPECT_TRUE(cues->getGroup(0).paused);
    EXPECT_TRUE(cues->getGroup(1).paused);
    EXPECT_FALSE(cues->getGroup(2).paused);
    EXPECT_FALSE(cues->getGroup(3).paused);
    CRefHandle<CEventWindowActivate> back(new CEventWindowActivate(true));
    EXPECT_FALSE(engine->postEvent(back.get()));
    EXPECT_FALSE(cues->getGroup(0).paused);
    EXPECT_FALSE(cues->getGroup(1).paused);
}

TEST_F(GameTest, AppliesAPlayersSoundSettings) {
    writeAssets();
    m_dir.write("assets/levels/common/GlobalConfig.xml",
                std::string("<GlobalConfig><QuestDialogueSoundsThrottleValue Value=\"0.5\"/>"
                            "<QuestDialogueMusicThrottleValue Value=\"0.25\"/></GlobalConfig>"));
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    CEngine* engine = game->getEngine();
    CSoundCueManager* cues = engine->getSoundCueManager();
    // Before the first player, a new player's volumes: the first player
    // chosen changes no level.
    for (const int32_t group : {0, 1, 2, 3})
        EXPECT_FLOAT_EQ(cues->getGroupVolume(group), 0.4f) << "group " << group;
    CProfileManager* profiles = engine->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ann")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    CProfileParameters* player = profiles->getActiveProfile();
    ASSERT_NE(player, nullptr);
    EXPECT_FLOAT_EQ(player->getFloat("SoundVolume"), 40.0f) << "a new player starts from the defaults";
    game->applySoundSettings(false);
    for (const int32_t group : {0, 1, 2, 3})
        EXPECT_FLOAT_EQ(cues->getGroupVolume(group), 0.4f) << "group " << group;

    player->setBool("SoundOn", false);
    player->setFloat("MusicVolume", 50.0f);
    game->applySoundSettings(false);
    EXPECT_EQ(cues->getGroupVolume(0), 0.0f);
    EXPECT_EQ(cues->getGroupVolume(2), 0.0f);
    EXPECT_EQ(cues->getGroupVolume(3), 0.0f);
    EXPECT_FLOAT_EQ(cues->getGroupVolume(1), 0.5f);

    player->setBool("SoundOn", true);
    player->setBool("MusicOn", false);
    game->applySoundSettings(false);
    EXPECT_FLOAT_EQ(cues->getGroupVolume(0), 0.4f);
    EXPECT_FLOAT_EQ(cues->getGroupVolume(3), 0.4f);
    EXPECT_EQ(cues->getGroupVolume(1), 0.0f);
    EXPECT_FALSE(cues->isGroupPlaying(1));

    // During a quest dialogue the global throttles lower sounds and music,
    // but not the voices.
    player->setBool("MusicOn", true);
    game->applySoundSettings(true);
    EXPECT_FLOAT_EQ(cues->getGroupVolume(0), 0.2f);
    EXPECT_FLOAT_EQ(cues->getGroupVolume(2), 0.2f);
    EXPECT_FLOAT_EQ(cues->getGroupVolume(3), 0.4f);
    EXPECT_FLOAT_EQ(cues->getGroupVolume(1), 0.125f);
}

TEST_F(GameTest, ACloseRequestAsksOnlyDuringALevelAndOnlyOnce) {
    writeAssets();
    m_dir.write("assets/scenes/QuitConfirmationScene.mscn", std::string(kQuitConfirmationScene));
    (void)CNodeFactory::getShared()->registerNodeClass(CStringW(u"GQuitConfirmationScene"),
                                                       &FakeQuitConfirmation::create);
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    CEngine* engine = game->getEngine();
    SceneManager* scenes = game->getSceneManager();

    // From the menus the window closes at once.
    CRefHandle<CEventSystemFlowCloseRequest> request(new CEventSystemFlowCloseRequest);
    EXPECT_FALSE(engine->postEvent(request.get()));

    CRefHandle<FakePlayScreen> play(new FakePlayScreen(CObjectName(), nullptr, nullptr));
    ASSERT_TRUE(scenes->setScene(play.get()));
    EXPECT_TRUE(engine->postEvent(request.get()));
    ASSERT_NE(scenes->getCurrentScene(), nullptr);
    EXPECT_TRUE(scenes->getCurrentScene()->isKindOf(GGameApplication::QuitConfirmationSceneTypeId));
    const uint32_t stacked = scenes->getChildren().size();

    // A second request while the question is open is swallowed.
    EXPECT_TRUE(engine->postEvent(request.get()));
    EXPECT_EQ(scenes->getChildren().size(), stacked);
}

TEST_F(GameTest, PurgesTheCacheOnceTheStepsExceedFiveSeconds) {
    writeAssets();
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    CContentManager* content = game->getContentManager();
    ASSERT_GT(content->cachedCount(), 0u) << "the first scene file stays cached";
    const uint32_t cached = content->cachedCount();
    // Only the cache holds the scene file's tree: a purge drops it.
    const uint32_t steps[] = {2500, 2500};
    for (uint32_t ms : steps) {
        CRefHandle<CEventUpdate> update(new CEventUpdate(ms));
        (void)game->handleEvent(update.get());
    }
    EXPECT_EQ(content->cachedCount(), cached) << "5000 ms do not exceed the interval";
    CRefHandle<CEventUpdate> last(new CEventUpdate(1));
    (void)game->handleEvent(last.get());
    EXPECT_LT(content->cachedCount(), cached);
    EXPECT_EQ(game->getLastStep(), 1u);
    EXPECT_EQ(game->getTotalTime(), 5001u);
}

TEST_F(GameTest, FailsCleanlyWithoutItsFirstScene) {
    LogCapture log;
    GameMainOptions options;
    options.instanceLockFolder = m_dir.path();
    options.nullVideoDriver = true;
    options.installCrashHandler = false;
    EXPECT_EQ(gameMain({}, options), 1);
    EXPECT_TRUE(log.contains("ERR: Failed to initialize game"));
    EXPECT_EQ(findEngineInstance(), nullptr);
}

TEST_F(GameTest, ASecondCopyEndsAtOnceWithStatusZero) {
    writeAssets();
    CSingleInstanceGuard first(CString(kGameInstanceName), m_dir.path());
    ASSERT_FALSE(first.isOtherInstanceRunning());
    LogCapture log;
    GameMainOptions options;
    options.instanceLockFolder = m_dir.path();
    options.nullVideoDriver = true;
    options.installCrashHandler = false;
    EXPECT_EQ(gameMain({}, options), 0);
    EXPECT_TRUE(log.contains("Another copy of the game is running; it was brought to the front and this one ends"));
    EXPECT_FALSE(log.contains("MRX Game Engine")) << "nothing was started";
    EXPECT_EQ(findEngineInstance(), nullptr);
}

TEST_F(GameTest, TakesTheCaptionFromTheDictionaryOnlyWhenItHasOne) {
    writeAssets();
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    CEngine* engine = game->getEngine();
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    dictionary->clear();
    game->applyDictionaryCaption();
    EXPECT_EQ(engine->getSetting("TitleCaption"), CStringW(u"Brindlemoor")) << "never the raw key";
    dictionary->set("TitleName", CStringW(u"Brindlemoor Deluxe"));
    game->applyDictionaryCaption();
    EXPECT_EQ(engine->getSetting("TitleCaption"), CStringW(u"Brindlemoor Deluxe"));
    dictionary->clear();
}

TEST_F(GameTest, ASmallDesktopPlaysFullScreenAndAltEnterCannotLeaveIt) {
    writeAssets();
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    CEngine* engine = game->getEngine();
    const CDisplayMode& desktop = engine->getDisplayModes()->desktopMode();
    if (desktop.height > 788)
        GTEST_SKIP() << "the desktop here allows a window";
    // The switch to a window is refused, by Alt+Enter and by the options.
    EXPECT_TRUE(game->isFullScreen());
    EXPECT_TRUE(engine->getProfileManager()->getCommonProfile()->getBool("FullScreen"));
    CEngineCreationParams before = game->getCreationParams();
    CRefHandle<CEventKeyDown> altEnter(new CEventKeyDown(13, 13, false, false, true));
    EXPECT_FALSE(engine->postEvent(altEnter.get()));
    EXPECT_TRUE(game->isFullScreen());
    EXPECT_TRUE(engine->inFullscreen());
    EXPECT_EQ(game->getCreationParams().width, before.width);
    game->setFullScreen(false);
    EXPECT_TRUE(game->isFullScreen());
}

TEST_F(GameTest, DrawsTheScenesThenTheBlackBarsOfAWideScreenAndKeepsThemWhenMinimised) {
    writeAssets();
    // The game shares an engine that exists already.
    CEngine* engine = RecordingDevice::create(CEngineCreationParams());
    ASSERT_NE(engine, nullptr);
    GGameApplication* game = start(false);
    ASSERT_TRUE(game->init(CStringW()));
    auto* driver = dynamic_cast<CRecordingGraphicsDriver*>(engine->getVideoDriver());
    ASSERT_NE(driver, nullptr);
    driver->onWindowResized(CSizeI(1920, 1080));
    game->alignGameScreen();
    EXPECT_EQ(game->getFirstBar(), CRectI(0, 0, 97, 1080));
    EXPECT_EQ(game->getSecondBar(), CRectI(1823, 0, 1920, 1080));
    EXPECT_FLOAT_EQ(game->getSceneManager()->getPosition().x, 240.0f);
    EXPECT_FLOAT_EQ(game->getSceneManager()->getScale().x, 1.40625f);

    driver->clearRecords();
    CRefHandle<CEventRender> render(new CEventRender);
    EXPECT_FALSE(game->handleEvent(render.get()));
    using Call = CRecordingGraphicsDriver::Call;
    const auto calls = driver->calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), Call::BeginFrame);
    EXPECT_EQ(calls.back(), Call::EndFrame);
    // The panel of the first scene (fill and frame), then the two bars over
    // it in black.
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 2u);
    const auto bars = driver->recordsOf(Call::FillRectGradient);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0]->rect, CRectI(0, 0, 97, 1080));
    EXPECT_EQ(bars[1]->rect, CRectI(1823, 0, 1920, 1080));
    EXPECT_EQ(bars[0]->colors[0], CColor(0xFF000000u));
    EXPECT_LT(draws[1] - &driver->records()[0], bars[0] - &driver->records()[0]);
    EXPECT_EQ(game->getFramesDrawn(), 1u);

    // Minimised, the window reports no area: the layout stays as it was.
    for (const CSizeI size : {CSizeI(0, 0), CSizeI(1920, 0), CSizeI(0, 1080)}) {
        driver->onWindowResized(size);
        game->alignGameScreen();
        EXPECT_EQ(game->getFirstBar(), CRectI(0, 0, 97, 1080));
        EXPECT_EQ(game->getSecondBar(), CRectI(1823, 0, 1920, 1080));
        EXPECT_FLOAT_EQ(game->getSceneManager()->getPosition().x, 240.0f);
        EXPECT_FLOAT_EQ(game->getSceneManager()->getScale().x, 1.40625f);
    }

    shutDown();
    EXPECT_EQ(findEngineInstance(), engine) << "a shared engine stays with its maker";
    engine->release();
    EXPECT_EQ(findEngineInstance(), nullptr);
}

TEST_F(GameTest, TheWindowTakesTheStoredVerticalSyncSetting) {
    writeAssets();
    for (const bool vsync : {true, false}) {
        SCOPED_TRACE(vsync);
        GGameApplication* game = start(true);
        ASSERT_TRUE(game->init(CStringW()));
        EXPECT_EQ(game->getCreationParams().vsync, vsync);
        auto* device = dynamic_cast<CSdlDevice*>(game->getEngine());
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->getCreationParams().vsync, vsync);
        // The next start finds the setting off.
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        profiles->getCommonProfile()->setBool("VSync", false);
        ASSERT_TRUE(profiles->saveUserProfiles());
        shutDown();
    }
}

TEST_F(GameTest, RunsFromThePackedArchiveUnlessACheatsEntryMarksADevelopmentSetUp) {
    const std::string logos(kLogosScene);
    m_dir.write("assets.mca",
                buildPackedArchive({{"scenes/LogosScene.mscn", {logos.begin(), logos.end()}}}, kAssetArchivePassword));
    const struct {
        const char* what;
        const char* cheats;
        bool packed;
    } cases[] = {{"archive alone", nullptr, true},
                 {"with a cheats file", "file", false},
                 {"with a cheats folder", "folder", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_dir.path() / "cheats");
        if (c.cheats && std::string_view(c.cheats) == "file")
            m_dir.write("cheats", std::string());
        else if (c.cheats)
            std::filesystem::create_directory(m_dir.path() / "cheats");
        LogCapture log;
        GGameApplication* game = start(true);
        ASSERT_TRUE(game->init(CStringW())) << "the first scene comes from the archive";
        EXPECT_FALSE(log.contains("Could not create archive")) << "no assets folder is no fault";
        EXPECT_EQ(GGameApplication::isPackedArchiveMode(), c.packed);
        shutDown();
    }
}

TEST_F(GameTest, ThePlayersCursorImageReplacesTheArrowUnlessTheyChoseTheSystemOne) {
    writeAssets();
    GGameApplication* game = start(true);
    ASSERT_TRUE(game->init(CStringW()));
    EXPECT_FALSE(game->getEngine()->getCursorControl()->isVisible()) << "hidden until the menus show it";
    // The device's own cursor is put back before the device goes.
    CRefHandle<ICursorControl> deviceCursor = CRefHandle<ICursorControl>::share(game->getEngine()->getCursorControl());
    RecordingCursor* cursor = new RecordingCursor;
    game->getEngine()->setCursorControl(cursor);

    // The picture for the window kind in use.
    const char* name = game->isFullScreen() ? "CursorFullScreen.png" : "CursorWindow.png";
    CRefHandle<CPixelImage> picture(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 16, 16));
    ASSERT_NE(picture, nullptr);
    picture->fillColor(CColor(0xFFFFFFFFu));
    const std::filesystem::path path = m_dir.path() / "assets/scenes" / name;
    ASSERT_TRUE(
        game->getContentManager()->save(ContentTypeImage, picture.get(), fromNativePath(path.string()), nullptr));

    game->applyCursor();
    EXPECT_EQ(cursor->images, 0) << "no player yet";
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ann")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    profiles->getActiveProfile()->setBool("WindowsCursor", true);
    game->applyCursor();
    EXPECT_EQ(cursor->images, 0);
    profiles->getActiveProfile()->setBool("WindowsCursor", false);
    game->applyCursor();
    EXPECT_EQ(cursor->images, 1);
    EXPECT_EQ(cursor->lastWidth, 16u);
    EXPECT_EQ(cursor->hot.x, 2);
    EXPECT_EQ(cursor->hot.y, 2);
    deviceCursor->addRef(); // the engine adopts the reference it is given
    game->getEngine()->setCursorControl(deviceCursor.get());
}
