// The first level as a player reaches it, on the game's own assets: the real
// game (window on SDL's offscreen driver, OpenGL, null sound) on a clock the
// benchmark moves one frame per step of the main loop, so the time measured
// is the game's own work and not its fades.
//
// BM_LevelOneLoad: from the loading screen's start (the menu asks for the
// level) to the first frame drawn with the play screen over it, beside the
// baseline of the loading screen taking the player back to the main menu.
//
// BM_LevelResidentMemory: the process's resident memory over 30 minutes of
// game time in the first level, played as a player starts it: OK on the
// objectives window, a click in the town to start its clock, the level
// started again whenever it ends. Counters: the resident size after every
// sixth of the run (five minutes), the growth over the middle and the last third, and the share of
// the run the town's own clock ran (the run fails below one half). One
// iteration; its time is the run's.
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CMat4.h"
#include "engine/core/CLog.h"
#include "engine/core/CStringW.h"
#include "engine/core/ITimeSource.h"
#include "engine/device/CSdlDevice.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GBaseSceneNode.h"
#include "game/app/GGameApplication.h"
#include "game/app/GIntroScene.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/app/main/GGameClasses.h"
#include "game/play/GGamePlayScene.h"
#include "game/world/GGameLevelScene.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class SteppedTime : public ITimeSource {
public:
    [[nodiscard]] uint32_t nowMs() const override { return now; }
    uint32_t now = 1000;

protected:
    ~SteppedTime() override = default;
};

// The game drawing through OpenGL as on a machine without Direct3D.
class OpenGLDevice : public CSdlDevice {
public:
    using CSdlDevice::CSdlDevice;

protected:
    ~OpenGLDevice() override = default;
    [[nodiscard]] IGraphicsDriver* makeDirect3D9Driver() override { return nullptr; }
    [[nodiscard]] IGraphicsDriver* makeDirect3D8Driver() override { return nullptr; }
};

// Resident memory of this process, in MB.
double residentMb() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The game in a folder of its own whose "assets" is the repository's, with a
// player about to play the first level, on the main menu.
class LevelSandbox {
public:
    LevelSandbox() {
        m_previous = fs::current_path();
        m_path = fs::temp_directory_path() / ("bm_level_" + std::to_string(::getpid()));
        fs::create_directories(m_path);
        fs::create_directory_symlink(fs::path(BM_SOURCE_DIR) / "assets", m_path / "assets");
        fs::current_path(m_path);
        setenv("XDG_DATA_HOME", (m_path / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_path / "config").c_str(), 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);
        CLog::instance()->setThreshold(CLog::Error);
    }
    ~LevelSandbox() {
        if (m_game)
            m_game->release();
        m_device.reset();
        fs::current_path(m_previous);
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }

    // Starts the game for a player of the first level and runs it to the main menu.
    bool startOnTheMenu() {
        m_device.reset(new OpenGLDevice(CEngineCreationParams(), m_time.get()));
        setEngineInstance(m_device.get());
        GGameOptions options;
        options.registerStartClasses = &registerStartClasses;
        options.registerAllClasses = &registerAllGameClasses;
        m_game = new GGameApplication(options);
        if (!m_game->init(CStringW()))
            return false;
        CProfileManager* profiles = m_game->getEngine()->getProfileManager();
        if (!profiles->addProfile(CStringW(u"Ada")) || !profiles->setActiveProfile(0))
            return false;
        CProfileParameters* player = profiles->getActiveProfile();
        player->setBool("PlayFirstComics", false);
        player->setBool("ShowTutorialOn", false);
        player->setBool("ShowTipsOn", false);
        player->setInt("LevelIndex", 0);
        (void)player->save();
        return runUntil([&] { return isOn("MainMenuScene"); });
    }

    // One step of the main loop, `ms` later than the last.
    bool step(uint32_t ms = 16) {
        m_time->now += ms;
        return m_game->run();
    }
    template <class Done> bool runUntil(Done done, int patience = 20000, uint32_t ms = 16) {
        for (int i = 0; i < patience; ++i) {
            if (done())
                return true;
            if (!step(ms))
                return false;
        }
        return false;
    }

    [[nodiscard]] bool isOn(const char* name) const {
        SceneManager* scenes = m_game->getSceneManager();
        SceneNode* scene = scenes->getCurrentScene();
        return scene && scene->getName() == CName(name) && scenes->getPendingTransitionCount() == 0;
    }
    [[nodiscard]] GGamePlayScene* playScreen() const {
        for (BaseNode* scene : m_game->getSceneManager()->getChildren())
            if (auto* found = nodeCast<GGamePlayScene>(scene))
                return found;
        return nullptr;
    }
    bool goTo(int32_t mode) {
        auto* current = nodeCast<GBaseSceneNode>(m_game->getSceneManager()->getCurrentScene());
        return current && current->goToIntro(mode, CStringW(), 0);
    }

    [[nodiscard]] GGameApplication* game() const { return m_game; }

    // A player's click on the middle of `node`: the pointer moves onto it,
    // the button goes down and comes up, two frames between each.
    bool clickOn(const BaseNode* node) {
        CVector3d point(node->getBounds().x * 0.5f, node->getBounds().y * 0.5f, 0.0f);
        node->getAbsoluteTransformation().transformPoint(point);
        const auto x = int32_t(std::lround(point.x));
        const auto y = int32_t(std::lround(point.y));
        for (CEvent* event : {static_cast<CEvent*>(new CEventMouseMove(x, y)),
                              static_cast<CEvent*>(new CEventMouseLeftDown(x, y)),
                              static_cast<CEvent*>(new CEventMouseLeftUp(x, y))}) {
            CRefHandle<CEvent> held(event);
            (void)m_game->getEngine()->postEvent(event);
            if (!step() || !step())
                return false;
        }
        return true;
    }

private:
    fs::path m_path;
    fs::path m_previous;
    CRefHandle<SteppedTime> m_time{new SteppedTime};
    CRefHandle<CEngine> m_device;
    GGameApplication* m_game = nullptr;
};

void BM_LevelOneLoad(benchmark::State& state) {
    LevelSandbox sandbox;
    if (!sandbox.startOnTheMenu()) {
        state.SkipWithError("the game did not reach its menu");
        return;
    }
    double frames = 0;
    for (auto _ : state) {
        if (!sandbox.goTo(IntroLevel)) {
            state.SkipWithError("the menu did not start the loading screen");
            break;
        }
        // The first frame drawn once the play screen is on the stack.
        const uint64_t framesBefore = sandbox.game()->getFramesDrawn();
        uint64_t framesAtArrival = 0;
        const bool arrived = sandbox.runUntil([&] {
            if (!sandbox.playScreen())
                return false;
            if (framesAtArrival == 0)
                framesAtArrival = sandbox.game()->getFramesDrawn() + 1;
            return sandbox.game()->getFramesDrawn() >= framesAtArrival;
        });
        state.PauseTiming();
        frames += double(sandbox.game()->getFramesDrawn() - framesBefore);
        if (!arrived) {
            state.SkipWithError("the level did not arrive");
            break;
        }
        if (!sandbox.goTo(IntroMainMenu) || !sandbox.runUntil([&] { return sandbox.isOn("MainMenuScene"); })) {
            state.SkipWithError("the level did not leave for the menu");
            break;
        }
        state.ResumeTiming();
    }
    // Frames the game drew on the way (one every 16 ms of its clock).
    state.counters["frames"] = frames / double(state.iterations() ? state.iterations() : 1);
}
BENCHMARK(BM_LevelOneLoad)->Unit(benchmark::kMillisecond)->Iterations(10);

// Baseline: the loading screen's way from the menu to the menu.
void BM_MainMenuReload(benchmark::State& state) {
    LevelSandbox sandbox;
    if (!sandbox.startOnTheMenu()) {
        state.SkipWithError("the game did not reach its menu");
        return;
    }
    for (auto _ : state) {
        if (!sandbox.goTo(IntroMainMenu) || !sandbox.runUntil([&] { return sandbox.isOn("IntroScene"); }) ||
            !sandbox.runUntil([&] { return sandbox.isOn("MainMenuScene"); })) {
            state.SkipWithError("the menu did not come back");
            break;
        }
    }
}
BENCHMARK(BM_MainMenuReload)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_LevelResidentMemory(benchmark::State& state) {
    // BM_LEVEL_MINUTES shortens the run for a quick look (default 30).
    const char* minutes = std::getenv("BM_LEVEL_MINUTES");
    const uint64_t runMinutes = minutes && std::atoi(minutes) > 0 ? uint64_t(std::atoi(minutes)) : 30;
    const uint64_t kRunMs = runMinutes * 60 * 1000;
    constexpr uint32_t kStepMs = 50; // a frame every 50 ms of game time
    constexpr int kSamples = 6;      // one every sixth of the run
    LevelSandbox sandbox;
    if (!sandbox.startOnTheMenu()) {
        state.SkipWithError("the game did not reach its menu");
        return;
    }
    double samples[kSamples] = {};
    int starts = 0;
    uint64_t levelClockMs = 0; // the town's own time over every start
    int lastLevelTime = 0;
    GGameLevelScene* lastLevel = nullptr;
    int clicks = 0;
    for (auto _ : state) {
        uint64_t played = 0;
        while (played < kRunMs) {
            SceneManager* scenes = sandbox.game()->getSceneManager();
            SceneNode* top = scenes->getCurrentScene();
            GGamePlayScene* screen = sandbox.playScreen();
            GGameLevelScene* level = screen ? screen->getWorld() : nullptr;
            const bool settled = scenes->getPendingTransitionCount() == 0;
            if (clicks > 1000) {
                state.SkipWithError("the player's clicks do not get the level going");
                return;
            }
            if (settled && !nodeCast<GIntroScene>(top)) {
                if (auto* objectives = nodeCast<GLevelObjectivesScene>(top)) {
                    // The player reads the goals and presses OK.
                    ++clicks;
                    if (BaseNode* ok = objectives->findChild(CName("OkButton"), 8); !ok || !sandbox.clickOn(ok)) {
                        state.SkipWithError("the objectives window has no OK button to press");
                        return;
                    }
                    continue;
                }
                if (top && top == screen && level && level->areRandomEventsPaused()) {
                    // The first click in the town starts it: on a building place.
                    ++clicks;
                    BaseNode* place = level->findChild(CName("Place2"), 2);
                    if (!place || !sandbox.clickOn(place)) {
                        state.SkipWithError("the town has no place to click");
                        return;
                    }
                    continue;
                }
                if (!level || top != screen) {
                    // Not in the level, or the level is over (its result or
                    // the time-over screen): into it again.
                    if (!sandbox.goTo(IntroLevel)) {
                        state.SkipWithError("the level could not be started");
                        return;
                    }
                    ++starts;
                }
            }
            if (!sandbox.step(kStepMs)) {
                state.SkipWithError("the game stopped");
                return;
            }
            // The town's clock, counted across the starts.
            if (level && level == sandbox.playScreen()->getWorld()) {
                if (level != lastLevel)
                    lastLevelTime = 0;
                const int now = level->getLevelTime();
                if (now > lastLevelTime)
                    levelClockMs += uint64_t(now - lastLevelTime);
                lastLevelTime = now;
                lastLevel = level;
            }
            const uint64_t before = played;
            played += kStepMs;
            for (int i = 1; i <= kSamples; ++i)
                if (before < kRunMs * i / kSamples && played >= kRunMs * i / kSamples)
                    samples[i - 1] = residentMb();
        }
    }
    // Most of the run must have been the town's own time, or the figures say
    // nothing about a level.
    if (double(levelClockMs) < 0.5 * double(kRunMs)) {
        state.SkipWithError("the level's clock ran for less than half the run");
        return;
    }
    for (int i = 0; i < kSamples; ++i)
        state.counters["rss_" + std::to_string(i + 1) + "of6_MB"] = samples[i];
    // Flat memory: the last third grows no more than the middle one.
    state.counters["growth_middle_third_MB"] = samples[3] - samples[1];
    state.counters["growth_last_third_MB"] = samples[5] - samples[3];
    state.counters["level_starts"] = starts;
    state.counters["level_clock_share"] = double(levelClockMs) / double(kRunMs);
}
BENCHMARK(BM_LevelResidentMemory)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
