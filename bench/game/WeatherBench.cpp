// A full rain against a plain loop over the same particles, side by side.
//
// One weather node holding its 2048 particles (they live for the whole run,
// sway, turn and follow three two-key timelines) is updated and drawn, one
// drawMesh, into the Null driver per frame. The baseline runs the same
// arithmetic over a copy of the same particle array with a hand-written loop
// and hands the same vertices to the driver.
//   BM_RainFrame/node   ...
//   BM_RainFrame/plain  ...
// Read the pair as a ratio: node Time / plain Time (the goal is at most 1.5).
// Run in a release build, for instance:
//   build/release/bench/bench_weather --benchmark_min_time=0.5

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/MathUtils.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CGeometryBuffer.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "bench/support/BenchTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/nodes/GWeatherParticlesNode.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t kStep = 16;
using Particle = GWeatherParticlesNode::Particle;

void addKeys(CArray<GWeatherKey>& keys, float from, float to) {
    keys.push_back(GWeatherKey{0.0f, from});
    keys.push_back(GWeatherKey{1.0f, to});
}

struct World {
    World() {
        CRefHandle<BenchTexture> texture(new BenchTexture(CSizeI(64, 64)));
        page.reset(new CImageTexture(CObjectName(), CStringW(u"rain.png"), texture.get()));
        drop.reset(new CAtlasTexture(CObjectName(), page.get(), CRect(0, 0, 0.0625f, 0.25f), {}, {}));
        CEngineCreationParams params;
        driver.reset(createNullDriver(params, nullptr, nullptr));
        node.reset(new GWeatherParticlesNode(CObjectName(), nullptr, nullptr));
        node->setAtlasTexture(drop.get());
        node->updateAbsoluteTransformation();
        node->updateAbsoluteColor();
        GWeatherConfiguration& c = node->configuration();
        c.emitRectangleYSize = CVector2d(600.0f, 0.0f);
        c.particleLifetimeRange = CVector2d(1.0e9f, 1.0e9f);
        c.particleAngularVelocityRange = CVector2d(-30.0f, 30.0f);
        c.particleNormalDeltaRange = CVector2d(2.0f, 6.0f);
        c.particleNormalDeltaPeriodRange = CVector2d(500.0f, 1500.0f);
        c.pps = 100000;
        addKeys(c.scaleX, 1.0f, 1.5f);
        addKeys(c.scaleY, 1.0f, 2.0f);
        addKeys(c.colorA, 1.0f, 0.3f);
        node->spawnParticles(1000);
        node->rebuildGeometry();
        plain.assign(node->getParticles(), node->getParticles() + node->getParticleCount());
        vertices.resize(4 * plain.size());
        const CGeometryBuffer* mesh = node->getGeometry();
        indices.assign(mesh->indices(), mesh->indices() + mesh->indexCount());
    }

    CRefHandle<CImageTexture> page;
    CRefHandle<CAtlasTexture> drop;
    CRefHandle<IGraphicsDriver> driver;
    CRefHandle<GWeatherParticlesNode> node;
    std::vector<Particle> plain;
    std::vector<BatchVertex> vertices;
    std::vector<uint16_t> indices;
};

World& world() {
    static World* shared = new World();
    return *shared;
}

void BM_RainFrame_node(benchmark::State& state) {
    World& w = world();
    for (auto _ : state) {
        (void)w.node->update(kStep);
        w.node->render(w.driver.get(), nullptr);
        benchmark::ClobberMemory();
    }
    state.counters["particles"] = double(w.node->getParticleCount());
}

// The same arithmetic as the node's update and quad placement.
void BM_RainFrame_plain(benchmark::State& state) {
    World& w = world();
    const GWeatherConfiguration& c = w.node->getConfiguration();
    const float width = 4.0f;
    const float height = 16.0f;
    const auto& sine = sineTable();
    const CColor tint(0xFFFFFFFFu);
    for (auto _ : state) {
        const float dts = float(kStep) * 0.001f;
        for (Particle& p : w.plain) {
            p.age += dts * p.ageRate;
            p.position.x += p.velocity.x * dts;
            p.position.y += p.velocity.y * dts;
            p.angle += p.angularVelocity * dts;
            if (p.angle >= 360.0f)
                p.angle -= 360.0f;
            else if (p.angle < 0.0f)
                p.angle += 360.0f;
            p.swayTime += int32_t(kStep);
            if (p.swayTime > p.swayPeriod)
                p.swayTime = 0;
            followWeatherTimeline(c.scaleX, p.age, p.scaleX, p.nextScaleX);
            followWeatherTimeline(c.scaleY, p.age, p.scaleY, p.nextScaleY);
            followWeatherTimeline(c.colorA, p.age, p.alpha, p.nextAlpha);
        }
        BatchVertex* out = w.vertices.data();
        for (const Particle& p : w.plain) {
            float cx = p.position.x;
            float cy = p.position.y;
            if (p.swayPeriod >= 1) {
                const float s =
                    p.scaleX * p.swayAmplitude * sine[uint32_t((360 * p.swayTime / p.swayPeriod + 90) % 360)];
                cx += s * p.swayDirection.x;
                cy += s * p.swayDirection.y;
            }
            const float hx = p.scaleX * 0.5f * width;
            const float hy = 0.5f * p.scaleY * height;
            const int a = int(p.angle);
            const float sn = sine[uint32_t(a)];
            const float cs = sine[uint32_t(a + 90) % 360u];
            const float ax = -hx * cs + hy * sn;
            const float ay = -hx * sn - hy * cs;
            const float bx = hx * cs + hy * sn;
            const float by = hx * sn - hy * cs;
            const CColor colour = CColor((uint32_t(p.alpha * 255.0f) << 24) | 0x00FFFFFFu).modulate(tint);
            out[0].x = cx + ax;
            out[0].y = cy + ay;
            out[1].x = cx + bx;
            out[1].y = cy + by;
            out[2].x = cx - ax;
            out[2].y = cy - ay;
            out[3].x = cx - bx;
            out[3].y = cy - by;
            out[0].color = out[1].color = out[2].color = out[3].color = colour;
            out += 4;
        }
        w.driver->drawPrimitives(w.vertices.data(), uint32_t(w.vertices.size()), w.indices.data(),
                                 uint32_t(2 * w.plain.size()), VertexType::Batch, IndexType::Bits16,
                                 PrimitiveType::Triangles);
        benchmark::ClobberMemory();
    }
    state.counters["particles"] = double(w.plain.size());
}

} // namespace

BENCHMARK(BM_RainFrame_node)->Name("BM_RainFrame/node");
BENCHMARK(BM_RainFrame_plain)->Name("BM_RainFrame/plain");
