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
// game time in the first level (the level started again whenever it ends),
// as counters: the resident size at the end of each third and the growth
// between the last two thirds. One iteration; its time is the run's.
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CLog.h"
#include "engine/core/CStringW.h"
#include "engine/core/ITimeSource.h"
#include "engine/device/CSdlDevice.h"
#include "engine/scene/CEventClicked.h"
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
    constexpr uint64_t kRunMs = 30ull * 60 * 1000;
    constexpr uint32_t kStepMs = 50; // a frame every 50 ms of game time
    LevelSandbox sandbox;
    if (!sandbox.startOnTheMenu()) {
        state.SkipWithError("the game did not reach its menu");
        return;
    }
    double thirds[3] = {};
    int starts = 0;
    bool clicked = false;
    for (auto _ : state) {
        uint64_t played = 0;
        while (played < kRunMs) {
            // Into the level when it is not on: the objectives window closed
            // and the town clicked, so that its clock runs.
            GGamePlayScene* screen = sandbox.playScreen();
            SceneManager* scenes = sandbox.game()->getSceneManager();
            SceneNode* top = scenes->getCurrentScene();
            const bool settled = scenes->getPendingTransitionCount() == 0;
            const bool loading = nodeCast<GIntroScene>(top) != nullptr;
            if (!screen || !screen->getWorld()) {
                if (settled && !loading) {
                    if (!sandbox.goTo(IntroLevel)) {
                        state.SkipWithError("the level could not be started");
                        return;
                    }
                    ++starts;
                }
            } else if (settled && nodeCast<GLevelObjectivesScene>(top)) {
                // Esc closes the window.
                CRefHandle<CEvent> down(new CEventKeyDown(0, 27));
                (void)sandbox.game()->getEngine()->postEvent(down.get());
                (void)sandbox.step(kStepMs);
                CRefHandle<CEvent> up(new CEventKeyUp(0, 27));
                (void)sandbox.game()->getEngine()->postEvent(up.get());
                clicked = false;
            } else if (settled && top == screen && !clicked) {
                // The player's first click in the town starts its clock.
                GGameLevelScene* level = screen->getWorld();
                CRefHandle<CEvent> click(new CEventClicked(level));
                (void)level->handleEvent(click.get());
                clicked = true;
            } else if (settled && top != screen && !loading) {
                // The level is over (its results or the time-over screen): again.
                if (!sandbox.goTo(IntroLevel)) {
                    state.SkipWithError("the level could not be started again");
                    return;
                }
                ++starts;
            }
            if (!sandbox.step(kStepMs)) {
                state.SkipWithError("the game stopped");
                return;
            }
            const uint64_t before = played;
            played += kStepMs;
            for (int third = 1; third <= 3; ++third)
                if (before < kRunMs * third / 3 && played >= kRunMs * third / 3)
                    thirds[third - 1] = residentMb();
        }
    }
    state.counters["rss_10min_MB"] = thirds[0];
    state.counters["rss_20min_MB"] = thirds[1];
    state.counters["rss_30min_MB"] = thirds[2];
    state.counters["growth_last_third_MB"] = thirds[2] - thirds[1];
    state.counters["level_starts"] = starts;
    // How far the last start's clock ran (the level's own time, in seconds).
    GGamePlayScene* screen = sandbox.playScreen();
    state.counters["level_clock_s"] = screen && screen->getWorld() ? screen->getWorld()->getLevelTime() / 1000.0 : 0.0;
}
BENCHMARK(BM_LevelResidentMemory)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
