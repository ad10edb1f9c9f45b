// The game's start-up, from the game object's creation to its first drawn
// frame, headless (window on SDL's offscreen driver, null video driver),
// beside a baseline of the engine alone making the same window and drawing
// one frame. The start-up reports the time of each of its steps as counters
// (milliseconds per start-up).
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CStringW.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"
#include "game/app/GNullVideoDevice.h"
#include "game/app/main/GGameClasses.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr const char* kLogosScene = R"(<?xml version="1.0"?>
<SceneNode Type="SceneNode">
  <Properties><string Name="Name" Value="Logos"/></Properties>
  <SceneNode Type="GRectangleNode">
    <Properties>
      <vector3d Name="Bounds" Value="1024;768;0"/>
      <color Name="FillColor" Value="FF2040C0"/>
    </Properties>
  </SceneNode>
</SceneNode>)";

// A working folder with the first scene in "assets", profiles beside it, the
// offscreen video driver, quiet logging; all undone at the end.
class Sandbox {
public:
    Sandbox() {
        m_previous = std::filesystem::current_path();
        m_path = std::filesystem::temp_directory_path() / ("bm_startup_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path / "assets/scenes");
        std::ofstream(m_path / "assets/scenes/LogosScene.mscn") << kLogosScene;
        std::filesystem::current_path(m_path);
        setenv("XDG_DATA_HOME", (m_path / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_path / "config").c_str(), 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);
        CLog::instance()->setThreshold(CLog::Error);
    }
    ~Sandbox() {
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

void BM_GameStartupToFirstFrame(benchmark::State& state) {
    Sandbox sandbox;
    GGameOptions options;
    options.registerStartClasses = &registerStartClasses;
    options.registerAllClasses = &registerAllGameClasses;
    options.nullVideoDriver = true;
    std::map<std::string, double> stepTotals;
    for (auto _ : state) {
        GGameApplication* game = new GGameApplication(options);
        if (!game->init(CStringW())) {
            game->release();
            state.SkipWithError("the game did not start");
            break;
        }
        while (game->getFramesDrawn() == 0 && game->run()) {
        }
        state.PauseTiming();
        for (const GStartupStep& step : game->getStartupSteps())
            stepTotals[step.name] += step.milliseconds;
        game->release();
        state.ResumeTiming();
    }
    const double runs = double(state.iterations() ? state.iterations() : 1);
    for (const auto& [name, total] : stepTotals)
        state.counters[name] = total / runs;
}
BENCHMARK(BM_GameStartupToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

// Baseline: the engine makes the same window with the null driver and draws
// one empty frame.
void BM_EngineWindowAndFirstFrame(benchmark::State& state) {
    Sandbox sandbox;
    CEngineCreationParams params;
    params.driverType = CEngineCreationParams::DriverOpenGL;
    params.width = 1024;
    params.height = 768;
    params.colorBits = 32;
    params.depthBits = 0;
    for (auto _ : state) {
        CEngine* engine = createNullVideoDevice(CEngineCreationParams());
        if (!engine || !engine->applyCreationParameters(params) || !engine->getVideoDriver()) {
            if (engine)
                engine->release();
            state.SkipWithError("the engine did not start");
            break;
        }
        IGraphicsDriver* driver = engine->getVideoDriver();
        if (driver->beginFrame(true, true, CColor(0u), nullptr, nullptr))
            (void)driver->endFrame();
        state.PauseTiming();
        engine->release();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EngineWindowAndFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
