// The quad batch against the memory limit of its work, side by side.
//
// A frame of the 2D road hands a million prepared sprite quads (one
// material) to the batch, which copies their vertices into its array and
// draws every 1,023 quads through the Null driver. The baseline copies the
// same vertex bytes from the same quads into an array of the same size,
// starting over at the same points: what no batch can beat.
//   BM_SpriteQuads/batch   ...
//   BM_SpriteQuads/copy    ...
// Read the pair as a ratio: batch Time / copy Time (above 1 means the batch
// is slower). BM_SpriteQuadsOwnMaterial gives the quads equal materials
// held by different sprites, as in a scene (every sprite owns its material),
// so the batch compares the values and cannot stop at the pointers.
// BM_SpriteQuadsBuilt builds each quad from corner positions with addQuad,
// as glyphs and nine-grid pieces do.
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

constexpr uint32_t QuadCount = 1000000;
// The batch draws at most this many quads at once.
constexpr uint32_t QuadsPerDraw = (CQuadBatch::VertexCapacity - 4) / 4;

const Material& spriteMaterial() {
    static const Material material = [] {
        Material m;
        m.materialType = MaterialType::SpriteColorModulate;
        m.lighting = false;
        m.layerCount = 1;
        return m;
    }();
    return material;
}

// Equal copies of the sprite material, as separate sprites hold them; few
// enough to stay in the cache, so that the pair measures the work and not
// the memory.
constexpr uint32_t OwnMaterialCount = 1024;
const std::vector<Material>& ownMaterials() {
    static const std::vector<Material> materials(OwnMaterialCount, spriteMaterial());
    return materials;
}

// The prepared quads of a million sprites laid out in rows; with
// `ownMaterial` quad i takes the material copy i % OwnMaterialCount, else
// all share one.
std::vector<CBatchQuad> makeSpriteQuads(bool ownMaterial) {
    std::vector<CBatchQuad> list(QuadCount);
    for (uint32_t i = 0; i < QuadCount; ++i) {
        CBatchQuad& quad = list[i];
        quad.material = ownMaterial ? &ownMaterials()[i % OwnMaterialCount] : &spriteMaterial();
        const float x = float(i % 1000) * 16.0f;
        const float y = float(i / 1000) * 16.0f;
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
    return list;
}

const std::vector<CBatchQuad>& spriteQuads() {
    static const std::vector<CBatchQuad> quads = makeSpriteQuads(false);
    return quads;
}

const std::vector<CBatchQuad>& spriteQuadsOwnMaterial() {
    static const std::vector<CBatchQuad> quads = makeSpriteQuads(true);
    return quads;
}

CRefHandle<IGraphicsDriver> makeDriver() {
    CEngineCreationParams params;
    params.width = 1024;
    params.height = 768;
    return CRefHandle<IGraphicsDriver>(createNullDriver(params, nullptr));
}

void batchQuads(benchmark::State& state, const std::vector<CBatchQuad>& quads) {
    auto driver = makeDriver();
    CQuadBatch& batch = *driver->quadBatch();
    for (auto _ : state) {
        (void)driver->beginFrame(true, true, CColor(), nullptr, nullptr);
        batch.begin();
        for (const CBatchQuad& quad : quads)
            batch.addQuadVertices(&quad);
        batch.end();
        (void)driver->endFrame();
    }
    if (driver->primitiveCount(0) != QuadCount * 2)
        state.SkipWithError("the batch lost quads");
    state.SetItemsProcessed(int64_t(state.iterations()) * QuadCount);
}

void BM_SpriteQuads_Batch(benchmark::State& state) { batchQuads(state, spriteQuads()); }

void BM_SpriteQuadsOwnMaterial_Batch(benchmark::State& state) { batchQuads(state, spriteQuadsOwnMaterial()); }

void copyQuads(benchmark::State& state, const std::vector<CBatchQuad>& quads) {
    std::vector<BatchVertex> staging(CQuadBatch::VertexCapacity);
    for (auto _ : state) {
        uint32_t used = 0;
        for (const CBatchQuad& quad : quads) {
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
    state.SetItemsProcessed(int64_t(state.iterations()) * QuadCount);
}

void BM_SpriteQuads_Copy(benchmark::State& state) { copyQuads(state, spriteQuads()); }

void BM_SpriteQuadsOwnMaterial_Copy(benchmark::State& state) { copyQuads(state, spriteQuadsOwnMaterial()); }

void BM_SpriteQuadsBuilt_Batch(benchmark::State& state) {
    const auto& quads = spriteQuads();
    auto driver = makeDriver();
    CQuadBatch& batch = *driver->quadBatch();
    const std::array<CVector2d, 4> coords = {CVector2d(0, 0), CVector2d(1, 0), CVector2d(1, 1), CVector2d(0, 1)};
    for (auto _ : state) {
        batch.begin();
        for (const CBatchQuad& quad : quads) {
            const std::array<CVector2d, 4> corners = {
                CVector2d(quad.vertices[0].x, quad.vertices[0].y), CVector2d(quad.vertices[1].x, quad.vertices[1].y),
                CVector2d(quad.vertices[2].x, quad.vertices[2].y), CVector2d(quad.vertices[3].x, quad.vertices[3].y)};
            batch.addQuad(quad.material, corners, coords, 0.5f, CColor(0xFFFFFFFF));
        }
        batch.end();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * QuadCount);
}

} // namespace

BENCHMARK(BM_SpriteQuads_Batch)->Name("BM_SpriteQuads/batch")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteQuads_Copy)->Name("BM_SpriteQuads/copy")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteQuadsOwnMaterial_Batch)->Name("BM_SpriteQuadsOwnMaterial/batch")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteQuadsOwnMaterial_Copy)->Name("BM_SpriteQuadsOwnMaterial/copy")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteQuadsBuilt_Batch)->Name("BM_SpriteQuadsBuilt/batch")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteQuads_Copy)->Name("BM_SpriteQuadsBuilt/copy")->Unit(benchmark::kMillisecond);
