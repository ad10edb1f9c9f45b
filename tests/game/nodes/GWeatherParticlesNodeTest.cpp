#include "game/nodes/GWeatherParticlesNode.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CGeometryBuffer.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/game/nodes/GameNodesTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

bool readText(const std::string& text, GWeatherConfiguration& configuration) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
    return readWeatherConfiguration(*reader, configuration);
}

struct Weather {
    CRefHandle<CImageTexture> page = makePage(64, 64, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFFu); });
    // A 4 x 16 drop at (8, 0) of the page.
    CRefHandle<CAtlasTexture> drop = makeAtlas(page.get(), CRect(8, 0, 12, 16));
    CRefHandle<GWeatherParticlesNode> node{new GWeatherParticlesNode(CObjectName(), nullptr, nullptr)};

    Weather() {
        CEngineManagers::instance().getRandom()->seed(1234);
        node->setAtlasTexture(drop.get());
        node->updateAbsoluteTransformation();
        node->updateAbsoluteColor();
        GWeatherConfiguration& c = node->configuration();
        c.particleLifetimeRange = CVector2d(1000.0f, 1000.0f);
        c.pps = 100;
    }
};

} // namespace

TEST(GWeatherConfiguration, ReadsTheKeysItNamesKeepsTheOthersAndStopsAtTheEnd) {
    GWeatherConfiguration c;
    c.pps = 7;
    c.scaleY.push_back(GWeatherKey{0.0f, 9.0f});
    ASSERT_TRUE(readText(R"(<?xml version="1.0"?>
<WeatherParticle>
  <EmitRectangleXSize Value="10,20"/>
  <Other><CenterPoint Value="300,-400"/></Other>
  <ParticleVelRange Value="50"/>
  <ParticleLifetimeRange Value="1500,2500"/>
  <ParticleTimeline>
    <ScaleX><k T="0" V="1"/><k T="0.5" V="2.5"/><k V="3"/></ScaleX>
    <ColorA/>
  </ParticleTimeline>
</WeatherParticle>
<PPS Value="900"/>
)",
                         c));
    EXPECT_EQ(c.emitRectangleXSize.x, 10.0f);
    EXPECT_EQ(c.emitRectangleXSize.y, 20.0f);
    EXPECT_EQ(c.centerPoint.x, 300.0f) << "a key element may stand inside any other";
    EXPECT_EQ(c.centerPoint.y, -400.0f);
    EXPECT_EQ(c.particleVelRange.y, 0.0f) << "a missing number counts 0";
    EXPECT_EQ(c.particleLifetimeRange.y, 2500.0f);
    EXPECT_EQ(c.emitRectangleYSize.y, 600.0f) << "absent keys keep their values";
    EXPECT_EQ(c.pps, 7) << "nothing after the end element is read";
    ASSERT_EQ(c.scaleX.size(), 3u);
    EXPECT_EQ(c.scaleX[1].t, 0.5f);
    EXPECT_EQ(c.scaleX[1].v, 2.5f);
    EXPECT_EQ(c.scaleX[2].t, 0.0f);
    EXPECT_TRUE(c.colorA.empty());
    ASSERT_EQ(c.scaleY.size(), 1u) << "a timeline the file does not name stays";
}

TEST(GWeatherConfiguration, ATimelineTooLongFailsWithALineAndChangesNothing) {
    std::string text = "<WeatherParticle><PPS Value=\"5\"/><ParticleTimeline><ScaleX>";
    for (uint32_t i = 0; i <= GWeatherConfiguration::MaxTimelineKeys; ++i)
        text += "<k T=\"0\" V=\"1\"/>";
    text += "</ScaleX></ParticleTimeline></WeatherParticle>";
    GWeatherConfiguration c;
    LogCapture log;
    EXPECT_FALSE(readText(text, c));
    EXPECT_TRUE(log.contains("too many keys"));
    EXPECT_EQ(c.pps, 0);
    EXPECT_TRUE(c.scaleX.empty());
}

TEST(GWeatherParticlesNode, ParticlesFlyFromTheTopBandTowardsTheCentrePoint) {
    // With the default band every particle is born at y = -20; born at x 100
    // its flight points at the centre point.
    const float s = 200.0f;
    const struct {
        const char* what;
        CVector2d center;
        float heading;
        CVector2d velocity;
    } cases[] = {
        {"straight below", {100.0f, 2000.0f}, 0.0f, {0.0f, s}},
        {"on the spawn point", {100.0f, -20.0f}, 270.0f, {s, 0.0f}},
        {"to the left", {-1000.0f, -20.0f}, 90.0f, {-s, 0.0f}},
        {"to the right", {3000.0f, -20.0f}, 270.0f, {s, 0.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Weather weather;
        GWeatherConfiguration& config = weather.node->configuration();
        config.emitRectangleXSize = CVector2d(100.0f, 100.0f);
        config.centerPoint = c.center;
        config.particleVelRange = CVector2d(s, s);
        weather.node->spawnParticles(100);
        ASSERT_EQ(weather.node->getParticleCount(), 10u);
        const auto& p = weather.node->getParticles()[0];
        EXPECT_EQ(p.position.y, -20.0f);
        EXPECT_NEAR(p.angle, c.heading, 1e-3f);
        EXPECT_NEAR(p.velocity.x, c.velocity.x, 1e-3f);
        EXPECT_NEAR(p.velocity.y, c.velocity.y, 1e-3f);
    }
}

TEST(GWeatherParticlesNode, SpawnsNoMoreThanTheCapacityAndKeepsNoTimeWithoutARate) {
    Weather weather;
    weather.node->configuration().pps = 100000;
    weather.node->spawnParticles(1000);
    EXPECT_EQ(weather.node->getParticleCount(), GWeatherParticlesNode::Capacity);
    EXPECT_EQ(weather.node->getAccumulator(), 0) << "the spent time is taken off even when nothing fits";
    weather.node->spawnParticles(1000);
    EXPECT_EQ(weather.node->getParticleCount(), GWeatherParticlesNode::Capacity);

    for (int pps : {0, -5}) {
        SCOPED_TRACE(pps);
        Weather idle;
        idle.node->configuration().pps = pps;
        for (int i = 0; i < 100; ++i)
            idle.node->spawnParticles(1000000);
        EXPECT_EQ(idle.node->getParticleCount(), 0u);
        EXPECT_EQ(idle.node->getAccumulator(), 0);
    }

    // At 3 a second, time left over is kept for the next birth.
    Weather slow;
    slow.node->configuration().pps = 3;
    slow.node->spawnParticles(500);
    EXPECT_EQ(slow.node->getParticleCount(), 1u);
    EXPECT_EQ(slow.node->getAccumulator(), 167);
}

TEST(GWeatherParticlesNode, TimelinesPassAtMostOneKeyPerUpdate) {
    Weather weather;
    GWeatherConfiguration& c = weather.node->configuration();
    for (float t : {0.0f, 0.1f, 0.2f, 0.3f})
        c.scaleX.push_back(GWeatherKey{t, 1.0f + t * 10.0f});
    c.scaleY.push_back(GWeatherKey{0.0f, 5.0f});
    weather.node->spawnParticles(10);
    ASSERT_EQ(weather.node->getParticleCount(), 1u);
    const auto& p = weather.node->getParticles()[0];
    EXPECT_EQ(p.scaleX, 1.0f);
    EXPECT_EQ(p.alpha, 1.0f) << "an empty timeline holds 1";

    // Half the life passes three keys at once; each update takes one.
    const float expected[] = {2.0f, 3.0f, 4.0f, 4.0f};
    weather.node->updateParticles(0.5f);
    for (float value : expected) {
        EXPECT_FLOAT_EQ(p.scaleX, value);
        weather.node->updateParticles(0.01f);
    }
    EXPECT_EQ(p.scaleY, 5.0f) << "a single key holds its value for the whole life";
    EXPECT_EQ(p.alpha, 1.0f);
}

TEST(GWeatherParticlesNode, InterpolatesBetweenKeysAndDiesAtTheEndOfLife) {
    Weather weather;
    GWeatherConfiguration& c = weather.node->configuration();
    c.colorA.push_back(GWeatherKey{0.0f, 1.0f});
    c.colorA.push_back(GWeatherKey{1.0f, 0.0f});
    weather.node->spawnParticles(10);
    weather.node->updateParticles(0.25f);
    ASSERT_EQ(weather.node->getParticleCount(), 1u);
    EXPECT_FLOAT_EQ(weather.node->getParticles()[0].alpha, 0.75f);
    weather.node->updateParticles(0.75f);
    EXPECT_EQ(weather.node->getParticleCount(), 0u);

    c.particleLifetimeRange = CVector2d(0.0f, 0.0f);
    weather.node->spawnParticles(10);
    ASSERT_EQ(weather.node->getParticleCount(), 1u) << "a particle of no life is born dead";
    weather.node->updateParticles(0.0f);
    EXPECT_EQ(weather.node->getParticleCount(), 0u);
}

TEST(GWeatherParticlesNode, SwitchedOffTheParticlesLiveOutTheirLivesBeforeTheNodeStops) {
    Weather weather;
    weather.node->spawnParticles(500);
    const uint32_t born = weather.node->getParticleCount();
    ASSERT_EQ(born, 50u);
    weather.node->setEnabled(false);
    int updates = 0;
    while (weather.node->update(30)) {
        ++updates;
        ASSERT_LE(weather.node->getParticleCount(), born) << "nothing is born while off";
        ASSERT_LT(updates, 100);
    }
    EXPECT_EQ(weather.node->getParticleCount(), 0u);
    EXPECT_GE(updates, 1000 / 30 - 1);

    weather.node->setAtlasTexture(nullptr);
    EXPECT_FALSE(weather.node->update(30)) << "without a texture the node leaves its scheduler";
}

TEST(GWeatherParticlesNode, AnglesStayWithinAWholeTurnHoweverFastTheyTurn) {
    Weather weather;
    GWeatherConfiguration& c = weather.node->configuration();
    c.particleAngularVelocityRange = CVector2d(-3.0e7f, 3.0e7f);
    c.particleNormalDeltaRange = CVector2d(5.0f, 5.0f);
    c.particleNormalDeltaPeriodRange = CVector2d(3.0e9f, 3.0e9f);
    c.particleLifetimeRange = CVector2d(1.0e9f, 1.0e9f);
    weather.node->spawnParticles(1000);
    for (int i = 0; i < 20; ++i) {
        weather.node->updateParticles(0.7f);
        weather.node->rebuildGeometry();
    }
    for (uint32_t i = 0; i < weather.node->getParticleCount(); ++i) {
        const float angle = weather.node->getParticles()[i].angle;
        EXPECT_TRUE(angle >= 0.0f && angle < 360.0f) << angle;
    }
}

TEST(GWeatherParticlesNode, BuildsOneIndexedQuadPerParticleWithTheTexturesCorners) {
    Weather weather;
    GWeatherConfiguration& c = weather.node->configuration();
    c.emitRectangleXSize = CVector2d(100.0f, 100.0f);
    c.centerPoint = CVector2d(100.0f, 2000.0f);
    c.colorA.push_back(GWeatherKey{0.0f, 0.5f});
    weather.node->spawnParticles(30);
    weather.node->rebuildGeometry();
    CGeometryBuffer* mesh = weather.node->getGeometry();
    ASSERT_EQ(mesh->vertexCount(), 12u);
    ASSERT_EQ(mesh->indexCount(), 18u);
    EXPECT_EQ(mesh->primitiveCount(), 6u);
    const uint16_t second[6] = {4, 5, 6, 4, 6, 7};
    for (uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(mesh->indices()[6 + i], second[i]);

    // Falling straight down, unturned: the 4 x 16 drop around (100, -20).
    const BatchVertex* v = mesh->vertices();
    const float expected[4][4] = {
        {98.0f, -28.0f, 8.0f / 64, 0.0f},
        {102.0f, -28.0f, 12.0f / 64, 0.0f},
        {102.0f, -12.0f, 12.0f / 64, 16.0f / 64},
        {98.0f, -12.0f, 8.0f / 64, 16.0f / 64},
    };
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(v[i].x, expected[i][0], 1e-3f);
        EXPECT_NEAR(v[i].y, expected[i][1], 1e-3f);
        EXPECT_FLOAT_EQ(v[i].u, expected[i][2]);
        EXPECT_FLOAT_EQ(v[i].v, expected[i][3]);
        EXPECT_EQ(v[i].color, CColor(0x7FFFFFFFu));
    }

    // Another picture rewrites the corners of every vertex; fewer particles
    // never shrink the mesh.
    CRefHandle<CAtlasTexture> flake = makeAtlas(weather.page.get(), CRect(0, 32, 32, 64));
    weather.node->setAtlasTexture(flake.get());
    EXPECT_FLOAT_EQ(mesh->vertices()[10].u, 32.0f / 64);
    EXPECT_FLOAT_EQ(mesh->vertices()[10].v, 1.0f);
    weather.node->updateParticles(2.0f);
    weather.node->rebuildGeometry();
    EXPECT_EQ(mesh->vertexCount(), 12u);
    EXPECT_EQ(mesh->primitiveCount(), 0u);
}

TEST(GWeatherParticlesNode, DrawsItsMeshOnceWithItsMaterialAtDepthZero) {
    Weather weather;
    weather.node->setPosition(CVector3d(5.0f, 6.0f, 40.0f));
    weather.node->updateAbsoluteTransformation();
    weather.node->spawnParticles(100);
    weather.node->rebuildGeometry();
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    weather.node->render(driver.get(), nullptr);
    const auto draws = driver->recordsOf(CRecordingGraphicsDriver::Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->primitiveCount, 20u);
    EXPECT_TRUE(draws[0]->indicesInRange);
    const auto materials = driver->recordsOf(CRecordingGraphicsDriver::Call::ApplyMaterial);
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(materials[0]->material.materialType, 24);
    EXPECT_TRUE(materials[0]->material.layers[0].trilinear);
    EXPECT_FALSE(materials[0]->material.depthWrite);
    const auto matrices = driver->recordsOf(CRecordingGraphicsDriver::Call::SetMatrix);
    ASSERT_EQ(matrices.size(), 2u);
    EXPECT_EQ(matrices[0]->matrix[12], 5.0f);
    EXPECT_EQ(matrices[0]->matrix[14], 0.0f);
    EXPECT_TRUE(matrices[1]->matrix.identityHint());
}

TEST(GWeatherParticlesNode, StartsWhenDrawnStopsWhenSpentAndStartsAgainWhenSwitchedOn) {
    SceneClock clock;
    Weather weather;
    clock.adopt(weather.node.get());
    clock.draw();
    ASSERT_EQ(weather.node->getScheduler(), clock.scheduler.get());
    EXPECT_EQ(weather.node->getParticleCount(), 50u) << "half a second of particles at once";
    clock.scheduler->update(30);
    EXPECT_EQ(weather.node->getParticleCount(), 53u);

    weather.node->setEnabled(false);
    for (int i = 0; i < 40; ++i)
        clock.scheduler->update(30);
    EXPECT_EQ(weather.node->getParticleCount(), 0u);
    EXPECT_EQ(weather.node->getScheduler(), nullptr);
    clock.draw();
    EXPECT_EQ(weather.node->getScheduler(), nullptr) << "switched off, drawing does not start it";

    weather.node->setEnabled(true);
    clock.draw();
    EXPECT_EQ(weather.node->getScheduler(), clock.scheduler.get());
    EXPECT_EQ(weather.node->getParticleCount(), 50u);
    weather.node->setScheduler(nullptr);
}

TEST(GWeatherParticlesNode, WritesItsFileSwitchAndTextureAndCopiesItsConfiguration) {
    Weather weather;
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    weather.node->writeProperties(*bag);
    EXPECT_LT(bag->indexOf("ConfigurationFilename"), 0);
    EXPECT_LT(bag->indexOf("Enabled"), 0) << "on is the default";
    EXPECT_GE(bag->indexOf("AtlasTexture"), 0);

    weather.node->setEnabled(false);
    weather.node->setConfigurationFilename(CString("levels/common/Effects/Rain.xml"));
    bag->clear();
    weather.node->writeProperties(*bag);
    EXPECT_EQ(std::string(bag->getString("ConfigurationFilename").view()), "levels/common/Effects/Rain.xml");
    EXPECT_FALSE(bag->getBool("Enabled"));
    EXPECT_EQ(weather.node->getConfiguration().pps, 100) << "a file that does not open changes nothing";

    weather.node->configuration().scaleX.push_back(GWeatherKey{0.5f, 3.0f});
    weather.node->spawnParticles(100);
    CRefHandle<BaseNode> copy(weather.node->clone(nullptr, nullptr));
    const auto* copied = nodeCast<GWeatherParticlesNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->getParticleCount(), 0u) << "live particles are not copied";
    EXPECT_FALSE(copied->isEnabled());
    EXPECT_EQ(copied->getAtlasTexture(), weather.drop.get());
    EXPECT_EQ(copied->getConfiguration().pps, 100);
    ASSERT_EQ(copied->getConfiguration().scaleX.size(), 1u);
    EXPECT_EQ(copied->getConfiguration().scaleX[0].v, 3.0f);
    EXPECT_TRUE(copied->getMaterial().layers[0].trilinear);
}
