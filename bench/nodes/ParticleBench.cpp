// Particle systems against a plain loop over the same particles, side by side.
//
// 20 systems of 500 live particles are updated (ageing, motion, colour fade,
// scale) and drawn, one drawMesh each, into the Null driver per frame. The
// baseline runs the same arithmetic over copies of the same particle arrays
// with a hand-written loop and hands the same vertices to the driver. Both
// sides start from the same particles and step one frame each in every
// iteration, taking turns at going first, so they do the same work on the
// same states for the same number of frames.
//   BM_ParticleFrame  nodes_us=... plain_us=... time_vs_plain=...
// time_vs_plain is the nodes' time divided by the plain loop's (the goal is
// at most 1.5). Run in a release build, for instance:
//   build/release/bench/bench_particles --benchmark_min_time=0.5

#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/MathUtils.h"
#include "engine/nodes/ParticleSystemNode.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "bench/support/BenchTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kSystems = 20;
constexpr uint32_t kParticles = 500;
constexpr uint32_t kStep = 16;

// Particles that live for the whole run, spread out and turning.
void fill(ParticleArray& particles, int seed) {
    particles.setSize(kParticles);
    for (uint32_t i = 0; i < kParticles; ++i) {
        Particle& p = particles[i];
        p = Particle{};
        const float f = float((i * 37 + uint32_t(seed) * 11) % 101) / 101.0f;
        p.posX = f * 800.0f;
        p.posY = float(i % 60) * 10.0f;
        p.velX = 10.0f - 20.0f * f;
        p.velY = -30.0f;
        p.accY = 9.8f;
        p.angle = f * 360.0f;
        p.angVel = 45.0f;
        p.scale = p.startScale = 1.0f;
        p.scaleSpeed = 0.0001f;
        p.colour = CColorf(1.0f, 1.0f, 1.0f, 1.0f);
        p.colourStep = CColorf(0.0f, -1e-6f, -1e-6f, -1e-6f);
        p.lifetime = 0xF0000000u;
    }
}

struct World {
    World() {
        CRefHandle<BenchTexture> texture(new BenchTexture(CSizeI(64, 64)));
        page.reset(new CImageTexture(CObjectName(), CStringW(u"page.png"), texture.get()));
        picture.reset(new CAtlasTexture(CObjectName(), page.get(), CRect(0, 0, 0.25f, 0.25f), {}, {}));
        CEngineCreationParams params;
        driver.reset(createNullDriver(params, nullptr, nullptr));
        for (int s = 0; s < kSystems; ++s) {
            CRefHandle<ParticleSystemNode> node(new ParticleSystemNode(CObjectName(), nullptr, nullptr));
            node->setAtlasTexture(picture.get());
            fill(node->particles(), s);
            nodes.push_back(node);
            plain.emplace_back(kParticles);
            fill(plain.back(), s);
            vertices.emplace_back(4 * kParticles);
            indices.emplace_back(6 * kParticles);
            for (uint32_t k = 0; k < kParticles; ++k)
                for (uint32_t j = 0; j < 6; ++j)
                    indices.back()[6 * k + j] = uint16_t(4 * k + (j == 0 || j == 3 ? 0 : j < 3 ? j : j - 1));
        }
    }

    CRefHandle<CImageTexture> page;
    CRefHandle<CAtlasTexture> picture;
    CRefHandle<IGraphicsDriver> driver;
    std::vector<CRefHandle<ParticleSystemNode>> nodes;
    std::vector<ParticleArray> plain;
    std::vector<std::vector<BatchVertex>> vertices;
    std::vector<std::vector<uint16_t>> indices;
};

// One frame of the nodes: update and draw every system.
void nodesFrame(World& w) {
    for (const auto& node : w.nodes) {
        (void)node->update(kStep);
        node->render(w.driver.get(), nullptr);
    }
}

// The same arithmetic as the node's update and quad placement, written out.
void plainFrame(World& w) {
    const float w8 = 16.0f;
    const float h8 = 16.0f;
    const auto& sine = sineTable();
    for (size_t s = 0; s < w.plain.size(); ++s) {
        ParticleArray& particles = w.plain[s];
        BatchVertex* out = w.vertices[s].data();
        const float g = float(kStep) * 0.001f;
        for (uint32_t i = 0; i < particles.size(); ++i) {
            Particle& q = particles[i];
            q.age += kStep;
            q.velX += q.accX * g;
            q.velY += q.accY * g;
            q.posX += q.velX * g;
            q.posY += q.velY * g;
            q.angVel += q.angAcc * g;
            q.angle += q.angVel * g;
            q.colour.r += q.colourStep.r * g;
            q.colour.g += q.colourStep.g * g;
            q.colour.b += q.colourStep.b * g;
            q.colour.a += q.colourStep.a * g;
            q.scale += q.scaleSpeed * g;
        }
        for (uint32_t i = 0; i < particles.size(); ++i, out += 4) {
            const Particle& q = particles[i];
            const float hw = w8 * q.scale * 0.5f;
            const float hh = h8 * q.scale * 0.5f;
            int a = int(std::fmod(std::trunc(q.angle), 360.0f));
            if (a < 0)
                a += 360;
            const float sn = sine[uint32_t(a)];
            const float cs = sine[uint32_t(a + 90) % 360u];
            const float ax = -hw * cs + hh * sn;
            const float ay = -hw * sn - hh * cs;
            const float bx = hw * cs + hh * sn;
            const float by = hw * sn - hh * cs;
            const CColor colour = q.colour.toColor();
            out[0].x = q.posX + ax;
            out[0].y = q.posY + ay;
            out[1].x = q.posX + bx;
            out[1].y = q.posY + by;
            out[2].x = q.posX - ax;
            out[2].y = q.posY - ay;
            out[3].x = q.posX - bx;
            out[3].y = q.posY - by;
            out[0].color = out[1].color = out[2].color = out[3].color = colour;
        }
        w.driver->drawPrimitives(w.vertices[s].data(), 4 * particles.size(), w.indices[s].data(),
                                 2 * particles.size(), VertexType::Batch, IndexType::Bits16,
                                 PrimitiveType::Triangles);
    }
}

void BM_ParticleFrame(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    // A fresh world per run: both sides start from the same particles.
    World w;
    double nodesSeconds = 0;
    double plainSeconds = 0;
    bool nodesFirst = true;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (nodesFirst)
            nodesFrame(w);
        else
            plainFrame(w);
        benchmark::ClobberMemory();
        const auto middle = Clock::now();
        if (nodesFirst)
            plainFrame(w);
        else
            nodesFrame(w);
        benchmark::ClobberMemory();
        const auto end = Clock::now();
        const double first = std::chrono::duration<double>(middle - start).count();
        const double second = std::chrono::duration<double>(end - middle).count();
        nodesSeconds += nodesFirst ? first : second;
        plainSeconds += nodesFirst ? second : first;
        nodesFirst = !nodesFirst;
    }
    const double frames = double(state.iterations());
    state.counters["nodes_us"] = benchmark::Counter(nodesSeconds * 1e6 / frames);
    state.counters["plain_us"] = benchmark::Counter(plainSeconds * 1e6 / frames);
    state.counters["time_vs_plain"] = benchmark::Counter(plainSeconds > 0 ? nodesSeconds / plainSeconds : 0);
}

} // namespace

BENCHMARK(BM_ParticleFrame)->Unit(benchmark::kMicrosecond);
