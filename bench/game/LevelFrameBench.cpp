// One frame of a level against the quad batch drawing what it shows, side by
// side.
//
// The fixture level (tests/game/world/data/level1) with the game's template
// collection: every place built (two stations, houses and shops), the
// headquarters with 40 workers walking the roads, a train standing at each
// station and rain of 600 drops. A frame updates the level's scheduler 20 ms
// (the level tick, buildings, walkers, trains, weather), drains the scene
// manager's queue and draws the scene manager, sorting by depth as the
// game's managers do, into the Null driver. The baseline hands the same
// sprite and glyph quads (the road and railway pieces among them) and the
// same rain mesh straight to the driver's quad batch.
//   BM_LevelFrame/level   ...
//   BM_LevelFrame/raw     ...
// Read the pair as a ratio: level Time / raw Time (the goal is at most 3).
// The allocs/frame counter counts heap allocations per frame over the whole
// run (trains come and go, walkers turn); "steady allocs/frame" counts them
// over 50 frames with the trains standing and the walkers under way, which
// should make none.
// Run in a release build, for instance:
//   build/release/bench/bench_level --benchmark_min_time=0.5

#include "bench/support/AllocationCount.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CGeometryBuffer.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CQuadBatch.h"
#include "bench/support/BenchTexture.h"
#include "engine/video/IDriverTexture.h"
#include "game/nodes/GWeatherParticlesNode.h"
#include "game/world/GElementHolderNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GTrainNode.h"
#include "game/world/GWorkerNode.h"
#include "tests/game/world/FixtureLevelRun.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int kWalkers = 40;
constexpr int kDrops = 600;

void addKeys(CArray<GWeatherKey>& keys, float from, float to) {
    keys.push_back(GWeatherKey{0.0f, from});
    keys.push_back(GWeatherKey{1.0f, to});
}

// Every visible sprite and glyph quad under `node` that the batch draws, the
// road and railway pieces of the element holders too.
void collectQuads(const BaseNode* node, std::vector<const CBatchQuad*>& out) {
    if (!node->isVisible())
        return;
    if (const auto* sprite = nodeCast<SpriteNode>(node)) {
        if (sprite->getQuad().material)
            out.push_back(&sprite->getQuad());
    } else if (const auto* text = nodeCast<TextNode>(node)) {
        for (const CBatchQuad& quad : text->getGlyphQuads())
            if (quad.material)
                out.push_back(&quad);
    }
    if (const auto* control = nodeCast<ControlNode>(node); control && control->getTemplateRoot())
        collectQuads(control->getTemplateRoot(), out);
    if (const auto* holder = dynamic_cast<const GElementHolderNode*>(node); holder && holder->getElementHolder())
        collectQuads(holder->getElementHolder(), out);
    for (const BaseNode* child : node->getChildren())
        collectQuads(child, out);
}

struct Level {
    Level() {
        CEngineCreationParams params;
        params.width = 1024;
        params.height = 768;
        driver.reset(createNullDriver(params, nullptr, nullptr));
        run = std::make_unique<FixtureLevelRun>(driver.get());
        const bool started = run->start({{"Place1", "RailRoadStation1"},
                                         {"Place2", "RailRoadStation1"},
                                         {"Place3", "Shop1"},
                                         {"Place4", "Apartment1"},
                                         {"Place5", "Apartment1"},
                                         {"Place8", "Apartment1"},
                                         {"Place9", "Shop1"},
                                         {"Place10", "Apartment1"}},
                                        u"scenes/TemplateCollection.mscn");
        if (!started)
            return;
        GGameLevelScene* scene = run->scene.get();
        // The game's scene managers sort their lists by depth.
        run->manager->setDepthSorting(true);
        scene->setObjectivesActive(false);
        run->clickField();

        // 40 workers walking to and fro along the upper road and down the
        // west road, for longer than any run.
        auto* hq = nodeCast<GMajorOfficeNode>(scene->getHeadquarters());
        hq->spawnWorkers(kWalkers - 3);
        CArray<CVector2d> way;
        for (int lap = 0; lap < 200; ++lap) {
            way.push_back(CVector2d(48.0f, 208.0f));
            way.push_back(CVector2d(940.0f, 208.0f));
            way.push_back(CVector2d(48.0f, 208.0f));
            way.push_back(CVector2d(48.0f, 740.0f));
        }
        int walkers = 0;
        for (BaseNode* child : scene->getWalkerLayer()->getChildren()) {
            auto* worker = nodeCast<GWorkerNode>(child);
            if (!worker || worker->getTypeId() != GWorkerNode::TypeId)
                continue;
            // Spread along the way.
            CArray<CVector2d> own;
            for (uint32_t i = uint32_t(walkers % 4); i < way.size(); ++i)
                own.push_back(way[i]);
            worker->setVisible(true);
            static_cast<void>(worker->setPath(own, true));
            ++walkers;
        }
        walkerCount = walkers;

        // Rain over the field.
        CRefHandle<BenchTexture> texture(new BenchTexture(CSizeI(64, 64)));
        page.reset(new CImageTexture(CObjectName(), CStringW(u"rain.png"), texture.get()));
        drop.reset(new CAtlasTexture(CObjectName(), page.get(), CRect(0, 0, 0.0625f, 0.25f), {}, {}));
        GWeatherParticlesNode* rain = scene->getWeatherNode();
        if (rain) {
            rain->setAtlasTexture(drop.get());
            GWeatherConfiguration& c = rain->configuration();
            c.emitRectangleYSize = CVector2d(1024.0f, 0.0f);
            c.particleLifetimeRange = CVector2d(1.0e9f, 1.0e9f);
            c.particleAngularVelocityRange = CVector2d(-30.0f, 30.0f);
            c.particleNormalDeltaRange = CVector2d(2.0f, 6.0f);
            c.particleNormalDeltaPeriodRange = CVector2d(500.0f, 1500.0f);
            addKeys(c.scaleX, 1.0f, 1.5f);
            addKeys(c.scaleY, 1.0f, 2.0f);
            addKeys(c.colorA, 1.0f, 0.3f);
            c.pps = kDrops;
            rain->spawnParticles(1000);
            // No more are born: the drops live for the whole run.
            c.pps = 0;
            rain->setEnabled(true);
        }

        static_cast<void>(scene->assignTrain(run->place("Place2")));
        // Both stations get their train; a few seconds settle the level
        // (trains in, walkers under way) before frames are measured.
        run->step(5000);
        for (GObjectNode* object : scene->getTrainPool())
            if (const auto* train = nodeCast<GTrainNode>(object); train && train->getState() != GTrainNode::StateIdle)
                ++trains;
        frame();
        collectQuads(scene, quads);
        // Allocations in a steady stretch: 50 frames with the trains
        // standing and the walkers under way.
        const uint64_t before = allocationCount();
        for (int i = 0; i < 50; ++i)
            frame();
        steadyAllocations = double(allocationCount() - before) / 50.0;
        ready = true;
    }

    void frame() {
        run->step(20);
        run->manager->renderScenes(driver.get());
    }

    CRefHandle<IGraphicsDriver> driver;
    std::unique_ptr<FixtureLevelRun> run;
    CRefHandle<CImageTexture> page;
    CRefHandle<CAtlasTexture> drop;
    std::vector<const CBatchQuad*> quads;
    double steadyAllocations = 0.0;
    int walkerCount = 0;
    int trains = 0;
    bool ready = false;
};

Level& level() {
    static Level* shared = new Level();
    return *shared;
}

void report(benchmark::State& state, uint64_t before) {
    Level& l = level();
    state.counters["allocs/frame"] = double(allocationCount() - before) / double(state.iterations());
    state.counters["quads"] = double(l.quads.size());
    state.counters["walkers"] = double(l.walkerCount);
    state.counters["trains"] = double(l.trains);
    state.counters["steady allocs/frame"] = l.steadyAllocations;
}

void BM_LevelFrame_level(benchmark::State& state) {
    Level& l = level();
    if (!l.ready) {
        state.SkipWithError("the fixture level did not start");
        return;
    }
    const uint64_t before = allocationCount();
    for (auto _ : state)
        l.frame();
    report(state, before);
}

void BM_LevelFrame_raw(benchmark::State& state) {
    Level& l = level();
    if (!l.ready) {
        state.SkipWithError("the fixture level did not start");
        return;
    }
    CQuadBatch* batch = l.driver->quadBatch();
    GWeatherParticlesNode* rain = l.run->scene->getWeatherNode();
    auto* mesh = rain ? const_cast<CGeometryBuffer*>(rain->getGeometry()) : nullptr;
    const uint64_t before = allocationCount();
    for (auto _ : state) {
        batch->begin();
        for (const CBatchQuad* quad : l.quads)
            batch->addQuadVertices(quad);
        if (mesh)
            batch->addMeshBuffer(mesh);
        batch->end();
    }
    report(state, before);
}

} // namespace

BENCHMARK(BM_LevelFrame_level)->Name("BM_LevelFrame/level");
BENCHMARK(BM_LevelFrame_raw)->Name("BM_LevelFrame/raw");
