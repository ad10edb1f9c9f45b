// The quad batch against the memory limit of its work, side by side.
//
// A frame of the 2D road hands its prepared sprite quads to the batch, which
// copies their vertices into its array and draws every 1,023 quads through
// the Null driver. The baseline copies the same vertex bytes from the same
// quads into an array of the same size, starting over at the same points:
// what no batch can beat. Frames hold 1,000 to 10,000 quads, as scenes do.
//   BM_SpriteQuads/batch/1000    ...
//   BM_SpriteQuads/copy/1000     ...
// Read each pair as a ratio: batch Time / copy Time (above 1 means the batch
// is slower). BM_SpriteQuads shares one material among all quads;
// BM_SpriteQuadsOwnMaterial gives every sprite its own copy of an equal
// material, as in a scene where each sprite owns its material, so the batch
// cannot stop at the pointers. BM_SpriteQuadsBuilt builds each quad from
// corner positions with addQuad, as glyphs and nine-grid pieces do.
// Run in a release build, for instance:
//   build/release/bench/bench_video --benchmark_min_time=0.5

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/MaterialTypes.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The batch draws at most this many quads at once.
constexpr uint32_t QuadsPerDraw = (CQuadBatch::VertexCapacity - 4) / 4;

Material makeSpriteMaterial() {
    Material m;
    m.materialType = MaterialType::SpriteColorModulate;
    m.lighting = false;
    m.layerCount = 1;
    return m;
}

// The prepared quads of a frame of sprites laid out in rows, with the
// materials they point at: one shared, or one per sprite.
struct Frame {
    std::vector<Material> materials;
    std::vector<CBatchQuad> quads;
};

Frame makeFrame(uint32_t count, bool ownMaterial) {
    Frame frame;
    frame.materials.assign(ownMaterial ? count : 1, makeSpriteMaterial());
    frame.quads.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        CBatchQuad& quad = frame.quads[i];
        quad.material = &frame.materials[ownMaterial ? i : 0];
        const float x = float(i % 100) * 10.0f;
        const float y = float(i / 100) * 10.0f;
        const float corners[4][4] = {{x, y, 0, 0}, {x + 16, y, 1, 0}, {x + 16, y + 16, 1, 1}, {x, y + 16, 0, 1}};
        for (int k = 0; k < 4; ++k) {
            quad.vertices[k].x = corners[k][0];
            quad.vertices[k].y = corners[k][1];
            quad.vertices[k].z = 0.5f;
            quad.vertices[k].color = CColor(0xFFFFFFFF);
            quad.vertices[k].u = corners[k][2];
            quad.vertices[k].v = corners[k][3];
        }
    }
    return frame;
}

CRefHandle<IGraphicsDriver> makeDriver() {
    CEngineCreationParams params;
    params.width = 1024;
    params.height = 768;
    return CRefHandle<IGraphicsDriver>(createNullDriver(params, nullptr));
}

void batchQuads(benchmark::State& state, bool ownMaterial) {
    const auto count = static_cast<uint32_t>(state.range(0));
    const Frame frame = makeFrame(count, ownMaterial);
    auto driver = makeDriver();
    CQuadBatch& batch = *driver->quadBatch();
    for (auto _ : state) {
        (void)driver->beginFrame(true, true, CColor(), nullptr, nullptr);
        batch.begin();
        for (const CBatchQuad& quad : frame.quads)
            batch.addQuadVertices(&quad);
        batch.end();
        (void)driver->endFrame();
    }
    if (driver->primitiveCount(0) != count * 2)
        state.SkipWithError("the batch lost quads");
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

void copyQuads(benchmark::State& state, bool ownMaterial) {
    const auto count = static_cast<uint32_t>(state.range(0));
    const Frame frame = makeFrame(count, ownMaterial);
    std::vector<BatchVertex> staging(CQuadBatch::VertexCapacity);
    for (auto _ : state) {
        uint32_t used = 0;
        for (const CBatchQuad& quad : frame.quads) {
            if (used == QuadsPerDraw * 4) {
                benchmark::DoNotOptimize(staging.data());
                benchmark::ClobberMemory();
                used = 0;
            }
            std::memcpy(&staging[used], quad.vertices, sizeof quad.vertices);
            used += 4;
        }
        benchmark::DoNotOptimize(staging.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

void BM_SpriteQuads_Batch(benchmark::State& state) { batchQuads(state, false); }
void BM_SpriteQuads_Copy(benchmark::State& state) { copyQuads(state, false); }
void BM_SpriteQuadsOwnMaterial_Batch(benchmark::State& state) { batchQuads(state, true); }
void BM_SpriteQuadsOwnMaterial_Copy(benchmark::State& state) { copyQuads(state, true); }

void BM_SpriteQuadsBuilt_Batch(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    const Frame frame = makeFrame(count, false);
    auto driver = makeDriver();
    CQuadBatch& batch = *driver->quadBatch();
    const std::array<CVector2d, 4> coords = {CVector2d(0, 0), CVector2d(1, 0), CVector2d(1, 1), CVector2d(0, 1)};
    for (auto _ : state) {
        batch.begin();
        for (const CBatchQuad& quad : frame.quads) {
            const std::array<CVector2d, 4> corners = {
                CVector2d(quad.vertices[0].x, quad.vertices[0].y), CVector2d(quad.vertices[1].x, quad.vertices[1].y),
                CVector2d(quad.vertices[2].x, quad.vertices[2].y), CVector2d(quad.vertices[3].x, quad.vertices[3].y)};
            batch.addQuad(quad.material, corners, coords, 0.5f, CColor(0xFFFFFFFF));
        }
        batch.end();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

// Frames of 1,000, 3,000 and 10,000 quads; enough repetitions of each for a
// figure that holds from run to run.
void frameSizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(3000)->Arg(10000)->MinTime(0.2)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_SpriteQuads_Batch)->Name("BM_SpriteQuads/batch")->Apply(frameSizes);
BENCHMARK(BM_SpriteQuads_Copy)->Name("BM_SpriteQuads/copy")->Apply(frameSizes);
BENCHMARK(BM_SpriteQuadsOwnMaterial_Batch)->Name("BM_SpriteQuadsOwnMaterial/batch")->Apply(frameSizes);
BENCHMARK(BM_SpriteQuadsOwnMaterial_Copy)->Name("BM_SpriteQuadsOwnMaterial/copy")->Apply(frameSizes);
BENCHMARK(BM_SpriteQuadsBuilt_Batch)->Name("BM_SpriteQuadsBuilt/batch")->Apply(frameSizes);
BENCHMARK(BM_SpriteQuads_Copy)->Name("BM_SpriteQuadsBuilt/copy")->Apply(frameSizes);
