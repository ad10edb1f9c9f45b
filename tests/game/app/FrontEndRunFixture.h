#pragma once

// The real game run headless for scripted walks through its screens: a folder
// of its own holding copies of the repository's assets, OpenGL through SDL's
// offscreen driver, a clock the test moves one frame per step, the null
// sound device, and the screens compared with reference pictures.
//
// BM_UPDATE_REFERENCES=1 writes the reference pictures anew (look at them
// before committing them).

#include "engine/content/CContentManager.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2di.h"
#include "engine/core/ITimeSource.h"
#include "engine/device/CSdlDevice.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"
#include "game/app/main/GGameClasses.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace frontend {

namespace fs = std::filesystem;

// Our names and log lines are plain ASCII.
inline std::string narrow(const CStringW& text) { return std::string(CString(text).c_str()); }

// The window device drawing through OpenGL, as the references were drawn:
// where the system offers Direct3D, the game would take it first.
class OpenGLDevice : public CSdlDevice {
public:
    using CSdlDevice::CSdlDevice;

protected:
    ~OpenGLDevice() override = default;
    [[nodiscard]] IGraphicsDriver* makeDirect3D9Driver() override { return nullptr; }
    [[nodiscard]] IGraphicsDriver* makeDirect3D8Driver() override { return nullptr; }
};

// The clock the walk runs on: the test moves it by one frame before every
// step of the main loop, so the game sees a steady frame rate however slow
// the machine is, and a second of the game costs only its frames.
class SteppedTime : public ITimeSource {
public:
    [[nodiscard]] uint32_t nowMs() const override { return now; }
    uint32_t now = 1000;

protected:
    ~SteppedTime() override = default;
};

// Runs the real game in a folder of its own holding copies of the
// repository's assets, with OpenGL through SDL's offscreen driver, the null sound
// device and its profiles in the folder too.
class FrontEndRun : public testing::Test {
protected:
    // One frame of the game's clock per step of the main loop.
    static constexpr uint32_t kFrameMs = 16;
    // No wait of the walk lasts longer than this much of the game's clock.
    static constexpr uint64_t kPatienceMs = 30000;

    void SetUp() override {
        m_previous = fs::current_path();
        sceneflow::copyGameAssets(m_dir.path());
        fs::current_path(m_dir.path());
        setEnvironmentVariable("XDG_DATA_HOME", (m_dir.path() / "data").string());
        setEnvironmentVariable("XDG_CONFIG_HOME", (m_dir.path() / "config").string());
        if (!std::getenv("SDL_VIDEODRIVER"))
            setEnvironmentVariable("SDL_VIDEODRIVER", "offscreen");
        if (!std::getenv("ALSOFT_DRIVERS"))
            setEnvironmentVariable("ALSOFT_DRIVERS", "null");
    }
    void TearDown() override {
        stopListening();
        if (m_game)
            m_game->release();
        m_device.reset();
        fs::current_path(m_previous);
    }

    // The game on a device whose clock the test moves (the game takes the
    // engine it finds registered): OpenGL, or with `ownDriverChain` the
    // driver the device picks first on this system.
    GGameApplication* start(bool ownDriverChain = false) {
        m_device.reset(ownDriverChain ? new CSdlDevice(CEngineCreationParams(), m_time.get())
                                      : new OpenGLDevice(CEngineCreationParams(), m_time.get()));
        setEngineInstance(m_device.get());
        GGameOptions options;
        options.registerStartClasses = &registerStartClasses;
        options.registerAllClasses = &registerAllGameClasses;
        m_game = new GGameApplication(options);
        return m_game;
    }

    // From now on every warning and error is kept, but for what this
    // machine lacks (the offscreen video driver makes no pointer pictures).
    void listen() {
        m_previousSink = CLog::instance()->setSink([this](int level, const CStringW& line) {
            if (level >= CLog::Warning && !narrow(line).ends_with("Cursors are not currently supported")) {
                std::lock_guard<std::mutex> guard(m_mutex);
                m_warnings.push_back(narrow(line));
            }
        });
        m_listening = true;
    }
    void stopListening() {
        if (m_listening)
            CLog::instance()->setSink(std::move(m_previousSink));
        m_listening = false;
    }
    std::vector<std::string> warnings() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_warnings;
    }

    // One step of the main loop, a frame later than the last.
    bool step() {
        m_time->now += kFrameMs;
        return m_game->run();
    }

    bool runSteps(int steps) {
        for (int i = 0; i < steps; ++i)
            if (!step())
                return false;
        return true;
    }

    // Runs the main loop until `ms` of game time have passed (transitions
    // run on game time).
    bool runFor(uint64_t ms) {
        const uint64_t until = m_game->getTotalTime() + ms;
        for (uint64_t steps = 0; m_game->getTotalTime() < until; ++steps)
            if (steps > ms + 100 || !step())
                return false;
        return true;
    }

    // Runs the main loop until `done()` holds, for kPatienceMs of game time
    // at most.
    template <class Done> bool runUntil(Done done) {
        const uint64_t until = m_game->getTotalTime() + kPatienceMs;
        for (uint64_t steps = 0; !done(); ++steps)
            if (m_game->getTotalTime() > until || steps > kPatienceMs || !step())
                return false;
        return true;
    }

    // No scene change runs and no scene event waits.
    [[nodiscard]] bool isSettled() const {
        SceneManager* scenes = m_game->getSceneManager();
        return scenes->getPendingTransitionCount() == 0 && scenes->getQueuedEventCount() == 0;
    }

    // Runs until the screen named `name` is on top and every scene change
    // has finished, so the screen shows as the player sees it.
    bool settleOn(const std::string& name, uint32_t afterMs = 200) {
        const bool arrived = runUntil([&] { return currentSceneName() == name && isSettled(); });
        EXPECT_TRUE(arrived) << "waiting for " << name << ", on " << currentSceneName();
        // What the arrival starts (a fade of its own, a first text) has a moment to show.
        return arrived && runFor(afterMs);
    }

    [[nodiscard]] std::string currentSceneName() const {
        SceneNode* scene = m_game->getSceneManager()->getCurrentScene();
        return scene ? std::string(scene->getName().str().c_str()) : std::string();
    }

    // The node `name` of the screen on top, `depth` levels down at most.
    [[nodiscard]] BaseNode* onScreen(const char* name, int depth = 8) const {
        SceneNode* scene = m_game->getSceneManager()->getCurrentScene();
        return scene ? scene->findChild(CName(name), depth) : nullptr;
    }

    // Where the middle of `node` is on the screen.
    static CVector2di middleOf(const BaseNode* node, float across = 0.5f) {
        CVector3d point(node->getBounds().x * across, node->getBounds().y * 0.5f, 0.0f);
        node->getAbsoluteTransformation().transformPoint(point);
        return {int32_t(std::lround(point.x)), int32_t(std::lround(point.y))};
    }

    // A player's click: the pointer moves onto the point, the button goes
    // down and comes up, a frame between each.
    bool clickAt(CVector2di at) {
        for (CEvent* event : {static_cast<CEvent*>(new CEventMouseMove(at.x, at.y)),
                              static_cast<CEvent*>(new CEventMouseLeftDown(at.x, at.y)),
                              static_cast<CEvent*>(new CEventMouseLeftUp(at.x, at.y))}) {
            CRefHandle<CEvent> held(event);
            (void)m_game->getEngine()->postEvent(event);
            if (!runSteps(2))
                return false;
        }
        return true;
    }

    // Clicks the control named `name` on the screen on top, at `across` of
    // its width.
    bool click(const char* name, float across = 0.5f) {
        BaseNode* control = onScreen(name);
        EXPECT_NE(control, nullptr) << name << " on " << currentSceneName();
        if (!control)
            return false;
        EXPECT_TRUE(control->isVisible()) << name;
        return clickAt(middleOf(control, across));
    }

    // A key pressed and let go, as the device reports it.
    bool press(int32_t keyCode, int32_t character = 0) {
        CRefHandle<CEvent> down(new CEventKeyDown(character, keyCode));
        (void)m_game->getEngine()->postEvent(down.get());
        if (!runSteps(1))
            return false;
        CRefHandle<CEvent> up(new CEventKeyUp(character, keyCode));
        (void)m_game->getEngine()->postEvent(up.get());
        return runSteps(1);
    }

    // Types `text` key by key (letters by their upper-case key code).
    bool type(const std::string& text) {
        for (char c : text) {
            const int32_t key = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
            if (!press(key, c))
                return false;
        }
        return true;
    }

    // What the window shows now.
    CPixelImage* screenshot() {
        IGraphicsDriver* driver = m_game->getEngine()->getVideoDriver();
        return driver ? driver->takeScreenshot() : nullptr;
    }

    // The pointer moves onto `at`; a frame passes.
    bool moveTo(CVector2di at) {
        CRefHandle<CEvent> move(new CEventMouseMove(at.x, at.y));
        (void)m_game->getEngine()->postEvent(move.get());
        return runSteps(2);
    }

    // Compares what the window shows with the screen's reference picture.
    void expectLooksLikeReference(const std::string& screen) {
        IGraphicsDriver* driver = m_game->getEngine()->getVideoDriver();
        ASSERT_NE(driver, nullptr);
        CRefHandle<CPixelImage> shot(driver->takeScreenshot());
        ASSERT_TRUE(shot);
        CContentManager* content = m_game->getContentManager();
        const fs::path reference = m_references / (screen + ".png");
        if (std::getenv("BM_UPDATE_REFERENCES")) {
            fs::create_directories(m_references);
            ASSERT_TRUE(content->save(ContentTypeImage, shot.get(), fromNativePath(reference.string()), nullptr));
            return;
        }
        const std::vector<uint8_t> bytes = readAllBytes(reference);
        ASSERT_FALSE(bytes.empty()) << "Missing reference picture " << reference
                                    << " (BM_UPDATE_REFERENCES=1 writes it)";
        // One file per screen: the content cache keeps pictures by name.
        const fs::path copy = m_dir.write("reference-" + screen + ".png", bytes);
        CRefHandle<CPixelImage> expected(
            dynamic_cast<CPixelImage*>(content->load(ContentTypeImage, fromNativePath(copy.string()), false)));
        ASSERT_TRUE(expected);
        ASSERT_EQ(shot->width(), expected->width());
        ASSERT_EQ(shot->height(), expected->height());
        const uint32_t differing = sceneflow::differingPixels(*shot, *expected, 12);
        // Rasterisers may differ by a shade or an edge pixel here and there.
        EXPECT_LE(differing, shot->width() * shot->height() / 200) << screen;
    }

    // Where the reference pictures of the screens are kept.
    fs::path m_references = sceneflow::kSourceFolder / "tests/game/app/data/frontend";
    TempDir m_dir;
    fs::path m_previous;
    CRefHandle<SteppedTime> m_time{new SteppedTime()};
    CRefHandle<CSdlDevice> m_device;
    GGameApplication* m_game = nullptr;
    std::mutex m_mutex;
    std::vector<std::string> m_warnings;
    CLog::Sink m_previousSink;
    bool m_listening = false;
};

} // namespace frontend
