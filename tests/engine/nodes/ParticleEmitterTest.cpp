#include "engine/nodes/ParticleEmitter.h"

#include "engine/core/CEmitterFactory.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/MathUtils.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

template <class T> CRefHandle<T> make() { return CRefHandle<T>(new T(CObjectName())); }

CRefHandle<CRandom> seeded(uint32_t seed) {
    CRefHandle<CRandom> random(new CRandom);
    random->seed(seed);
    return random;
}

float drawIn(CRandom& random, float min, float max) { return min + (max - min) * random.nextFastFloat(); }

// An emitter bound to a fresh array with its own seeded generator.
struct Bound {
    explicit Bound(BaseEmitter* e, uint32_t capacity = 500) : emitter(e), particles(capacity) {
        emitter->setParticles(&particles);
        emitter->setRandom(random.get());
    }
    CRefHandle<BaseEmitter> emitter;
    ParticleArray particles;
    CRefHandle<CRandom> random = seeded(77);
};

void readXml(BaseEmitter& emitter, const std::string& xml) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
    while (reader->readNext() && !(reader->nodeType() == CXmlStreamReader::Element))
        ;
    emitter.readFromXml(reader.get());
}

TEST(ParticleEmitter, EmitsOnePerPeriodFromTheAccumulatedTime) {
    Bound b(new PointEmitter(CObjectName()));
    auto& point = static_cast<PointEmitter&>(*b.emitter);
    std::vector<uint32_t> counts;
    for (int step = 0; step < 12; ++step) {
        ASSERT_TRUE(point.update(30));
        counts.push_back(b.particles.size());
    }
    // 10 per second: the first at 120 ms (120 - 100 = 20 left), then at 210
    // and 300 ms (whole steps of 30 ms carry the rest over).
    EXPECT_EQ(counts, (std::vector<uint32_t>{0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}));
    EXPECT_FLOAT_EQ(point.accumulator, 60.0f);
}

TEST(ParticleEmitter, RatesWithoutAnExactPeriodEmitTheirWholeCountPerSecond) {
    const struct {
        float rate;
        uint32_t elapsed;
        uint32_t born;
    } cases[] = {{3.0f, 1000, 3}, {7.0f, 1000, 7}, {3.0f, 2000, 6}, {7.0f, 999, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " per second over " + std::to_string(c.elapsed) + " ms");
        Bound b(new PointEmitter(CObjectName()));
        b.emitter->setPPSRange({c.rate, c.rate});
        ASSERT_TRUE(b.emitter->update(c.elapsed));
        EXPECT_EQ(b.particles.size(), c.born);
    }
}

TEST(ParticleEmitter, RatesOfZeroOrBelowNeverEmitAndAnUnboundEmitterAsksToBeDropped) {
    for (float rate : {0.0f, -10.0f}) {
        Bound b(new RectangleEmitter(CObjectName()));
        b.emitter->setPPSRange({rate, rate});
        for (int step = 0; step < 100; ++step)
            ASSERT_TRUE(b.emitter->update(30));
        EXPECT_EQ(b.particles.size(), 0u) << rate;
    }
    CRefHandle<PointEmitter> unbound = make<PointEmitter>();
    EXPECT_FALSE(unbound->update(1000));
    CRefHandle<BaseEmitter> base(new BaseEmitter(CObjectName()));
    EXPECT_TRUE(base->update(1000));
}

TEST(ParticleEmitter, AStepNeverGrowsTheArrayBeyondItsCapacity) {
    Bound b(new PointEmitter(CObjectName()), 7);
    b.emitter->setPPSRange({1000.0f, 1000.0f});
    ASSERT_TRUE(b.emitter->update(5));
    EXPECT_EQ(b.particles.size(), 5u);
    ASSERT_TRUE(b.emitter->update(30));
    EXPECT_EQ(b.particles.size(), 7u);
    ASSERT_TRUE(b.emitter->update(30));
    EXPECT_EQ(b.particles.size(), 7u);
    // The surplus is not kept for later.
    b.particles.setSize(0);
    ASSERT_TRUE(b.emitter->update(1));
    EXPECT_EQ(b.particles.size(), 1u);
}

TEST(ParticleEmitter, APointBirthDrawsItsValuesInOrder) {
    Bound b(new PointEmitter(CObjectName()));
    auto& e = static_cast<PointEmitter&>(*b.emitter);
    e.setOrigin({100.0f, 50.0f});
    e.setPPSRange({5.0f, 15.0f});
    e.setLifeTimeRange({1000.0f, 3000.0f});
    e.radiusRange = {10.0f, 20.0f};
    e.velocityXRange = {-5.0f, 5.0f};
    e.velocityYRange = {1.0f, 2.0f};
    e.velocityRotationAngleRange = {-30.0f, 30.0f};
    e.accelerationXRange = {0.0f, 3.0f};
    e.accelerationYRange = {-3.0f, 0.0f};
    e.angleRange = {0.0f, 360.0f};
    e.angVelocityRange = {-90.0f, 90.0f};
    e.colorStart = CColor(0xFF000000u);
    e.colorEnd = CColor(0x00FFFFFFu);
    e.scaleRange = {2.0f, 4.0f};
    e.startScaleTimeRange = {0.0f, 500.0f};
    ASSERT_TRUE(e.update(1000));
    ASSERT_GT(b.particles.size(), 0u);

    CRefHandle<CRandom> twin = seeded(77);
    const float pps = drawIn(*twin, 5.0f, 15.0f);
    EXPECT_EQ(b.particles.size(), uint32_t(1000.0f / float(1000.0 / double(pps))));
    for (uint32_t i = 0; i < b.particles.size(); ++i) {
        SCOPED_TRACE(i);
        const Particle& p = b.particles[i];
        const float r = drawIn(*twin, 10.0f, 20.0f);
        const uint32_t d = twin->nextFast() % 360u;
        const uint32_t lifetime = uint32_t(drawIn(*twin, 1000.0f, 3000.0f));
        CVector2d v(drawIn(*twin, -5.0f, 5.0f), drawIn(*twin, 1.0f, 2.0f));
        v.rotateWholeDegrees(toNearestInt(drawIn(*twin, -30.0f, 30.0f)));
        const float ax = drawIn(*twin, 0.0f, 3.0f);
        const float ay = drawIn(*twin, -3.0f, 0.0f);
        const float angle = drawIn(*twin, 0.0f, 360.0f);
        const float angVel = drawIn(*twin, -90.0f, 90.0f);
        const float grow = drawIn(*twin, 0.0f, 500.0f);
        EXPECT_FLOAT_EQ(p.posX, 100.0f + r * sineTable()[(d + 90) % 360]);
        EXPECT_FLOAT_EQ(p.posY, 50.0f + r * sineTable()[d]);
        EXPECT_EQ(p.lifetime, lifetime);
        EXPECT_EQ(p.age, 0u);
        EXPECT_FLOAT_EQ(p.velX, v.x);
        EXPECT_FLOAT_EQ(p.velY, v.y);
        EXPECT_FLOAT_EQ(p.accX, ax);
        EXPECT_FLOAT_EQ(p.accY, ay);
        EXPECT_FLOAT_EQ(p.angle, angle);
        EXPECT_FLOAT_EQ(p.angVel, angVel);
        EXPECT_EQ(p.angAcc, 0.0f);
        EXPECT_EQ(p.scale, 2.0f);
        EXPECT_FLOAT_EQ(p.growTime, grow);
        EXPECT_FLOAT_EQ(p.growCountdown, grow);
        EXPECT_FLOAT_EQ(p.scaleSpeed, 2.0f / ((float(lifetime) - grow) * 0.001f));
        EXPECT_EQ(p.colour.a, 1.0f);
        EXPECT_EQ(p.colour.r, 0.0f);
        EXPECT_FLOAT_EQ(p.colourStep.a, -1.0f / (float(lifetime) * 0.001f));
        EXPECT_FLOAT_EQ(p.colourStep.g, 1.0f / (float(lifetime) * 0.001f));
    }
    EXPECT_EQ(b.random->nextFast(), twin->nextFast());
}

TEST(ParticleEmitter, EqualRangeEndsDrawNothing) {
    struct Case {
        const char* name;
        BaseEmitter* emitter;
        int drawsPerParticle;
    };
    auto* pointAtOrigin = new PointEmitter(CObjectName());
    auto* pointOnCircle = new PointEmitter(CObjectName());
    pointOnCircle->radiusRange = {5.0f, 5.0f};
    auto* rectangle = new RectangleEmitter(CObjectName());
    rectangle->xRange = {0.0f, 0.0f};
    for (const Case& c : {Case{"point at origin", pointAtOrigin, 0}, Case{"point on circle", pointOnCircle, 1},
                          Case{"rectangle", rectangle, 1}}) {
        SCOPED_TRACE(c.name);
        Bound b(c.emitter);
        b.emitter->setLifeTimeRange({1000.0f, 1000.0f});
        ASSERT_TRUE(b.emitter->update(1000));
        ASSERT_EQ(b.particles.size(), 10u);
        CRefHandle<CRandom> twin = seeded(77);
        for (int i = 0; i < 10 * c.drawsPerParticle; ++i)
            (void)twin->nextFast();
        EXPECT_EQ(b.random->nextFast(), twin->nextFast());
        if (c.drawsPerParticle != 1 || c.emitter != pointOnCircle)
            continue;
        for (uint32_t i = 0; i < 10; ++i)
            EXPECT_NEAR(std::hypot(b.particles[i].posX, b.particles[i].posY), 5.0f, 1e-4f);
    }
}

TEST(ParticleEmitter, RectangleBirthsFillTheBandBetweenTheTwoRectangles) {
    struct Case {
        CVector2d x, y;
    };
    for (const Case& c : {Case{{0.0f, 50.0f}, {0.0f, 30.0f}}, Case{{40.0f, 50.0f}, {20.0f, 30.0f}}}) {
        Bound b(new RectangleEmitter(CObjectName()));
        auto& e = static_cast<RectangleEmitter&>(*b.emitter);
        e.xRange = c.x;
        e.yRange = c.y;
        e.setOrigin({10.0f, -10.0f});
        e.setPPSRange({10000.0f, 10000.0f});
        ASSERT_TRUE(e.update(100));
        ASSERT_EQ(b.particles.size(), 500u);
        bool quadrants[4] = {};
        for (uint32_t i = 0; i < 500; ++i) {
            const float x = b.particles[i].posX - 10.0f;
            const float y = b.particles[i].posY + 10.0f;
            ASSERT_LE(std::fabs(x), c.x.y);
            ASSERT_LE(std::fabs(y), c.y.y);
            ASSERT_TRUE(std::fabs(x) >= c.x.x || std::fabs(y) >= c.y.x) << x << ", " << y;
            quadrants[(x < 0 ? 1 : 0) + (y < 0 ? 2 : 0)] = true;
        }
        EXPECT_TRUE(quadrants[0] && quadrants[1] && quadrants[2] && quadrants[3]);
    }
}

TEST(ParticleEmitter, VelocityTurnsAndBirthValuesStaySafe) {
    Bound b(new PointEmitter(CObjectName()));
    auto& e = static_cast<PointEmitter&>(*b.emitter);
    e.velocityXRange = {7.0f, 7.0f};
    e.velocityRotationAngleRange = {90.0f, 90.0f};
    e.setLifeTimeRange({-500.0f, -500.0f}); // a negative life is no life
    e.startScaleTimeRange = {100.0f, 100.0f};
    e.scaleRange = {1.0f, 3.0f};
    ASSERT_TRUE(e.update(100));
    ASSERT_EQ(b.particles.size(), 1u);
    const Particle& p = b.particles[0];
    EXPECT_NEAR(p.velX, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(p.velY, 7.0f);
    EXPECT_EQ(p.lifetime, 0u);
    EXPECT_EQ(p.growTime, 0.0f); // beyond the lifetime: no grow-in
    EXPECT_TRUE(std::isfinite(p.scaleSpeed));
    EXPECT_TRUE(std::isfinite(p.colourStep.a));

    // A grow-in as long as the life, or negative, is none either.
    for (float grow : {1000.0f, -5.0f}) {
        b.particles.setSize(0);
        e.setLifeTimeRange({1000.0f, 1000.0f});
        e.startScaleTimeRange = {grow, grow};
        ASSERT_TRUE(e.update(100));
        ASSERT_EQ(b.particles.size(), 1u);
        EXPECT_EQ(b.particles[0].growTime, 0.0f) << grow;
        EXPECT_FLOAT_EQ(b.particles[0].scaleSpeed, 2.0f) << grow;
    }
}

TEST(ParticleEmitter, ColourKeysReadFromTheirText) {
    struct Case {
        const char* text;
        std::vector<uint32_t> keys;
    };
    const Case cases[] = {
        {"FFFF0000;ff00ff00", {0xFFFF0000u, 0xFF00FF00u}},
        {"FFFF0000;", {0xFFFF0000u, 0u}},
        {" FF102030", {0u}},
        {"80abcdefXYZ", {0x80ABCDEFu}},
        {"123456789", {0xFFFFFFFFu}},
        {"", {0u}},
    };
    for (const Case& c : cases) {
        CRefHandle<PointEmitter> e = make<PointEmitter>();
        CRefHandle<CPropertyBag> bag = CPropertyBag::create();
        bag->setString("ColorsRange", c.text);
        e->readProperties(*bag);
        std::vector<uint32_t> keys;
        for (uint32_t i = 0; i < e->getColours().size(); ++i)
            keys.push_back(e->getColours()[i].value);
        EXPECT_EQ(keys, c.keys) << c.text;
    }
}

TEST(ParticleEmitter, AnElementAppliesEachBagInOrderAndColoursAccumulate) {
    CRefHandle<RectangleEmitter> e = make<RectangleEmitter>();
    readXml(*e, R"(<ParticleEmitter Type="RectangleEmitter">
        <Properties><string Name="Name" Value="Sparks"/><vector2d Name="XRange" Value="1;2"/>
          <string Name="ColorsRange" Value="FFFF0000"/><float Name="ScaleVariation" Value="0.5"/></Properties>
        <Other><Properties><vector2d Name="XRange" Value="9;9"/></Properties></Other>
        <Properties><vector2d Name="XRange" Value="3;4"/><string Name="ColorsRange" Value="FF0000FF"/>
          <int Name="YRange" Value="5"/><vector2d Name="AccelerationXRange" Value="6;7"/></Properties>
      </ParticleEmitter><After/>)");
    EXPECT_EQ(e->getName(), CString("Sparks"));
    EXPECT_EQ(e->xRange, CVector2d(3.0f, 4.0f));
    EXPECT_EQ(e->yRange, CVector2d(0.0f, 0.0f)); // a value of another type reads as zero
    EXPECT_EQ(e->accelerationXRange, CVector2d(6.0f, 7.0f));
    EXPECT_EQ(e->scaleVariation, 0.5f);
    ASSERT_EQ(e->getColours().size(), 2u);
    EXPECT_EQ(e->getColours()[1].value, 0xFF0000FFu);
}

TEST(ParticleEmitter, WrittenPropertiesReadBackIntoTheSameEmitter) {
    CRefHandle<PointEmitter> e = make<PointEmitter>();
    CRefHandle<CPropertyBag> defaults = CPropertyBag::create();
    e->writeProperties(*defaults);
    EXPECT_EQ(defaults->getCount(), 0);

    e->setName("Smoke");
    e->setLifeTimeRange({1000.0f, 1000.0f});
    e->scaleRange = {0.0f, 0.0f};
    e->radiusRange = {1.0f, 2.0f};
    e->colorEnd = CColor(0x00102030u);
    e->colorVariation = 0.25f;
    CRefHandle<CPropertyBag> colours = CPropertyBag::create();
    colours->setString("ColorsRange", "FF000000;0a0b0c0d");
    e->readProperties(*colours);
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    e->writeProperties(*bag);
    EXPECT_EQ(bag->getString("ColorsRange"), CString("ff000000;0a0b0c0d"));

    CRefHandle<PointEmitter> back = make<PointEmitter>();
    back->readProperties(*bag);
    CRefHandle<CPropertyBag> again = CPropertyBag::create();
    back->writeProperties(*again);
    ASSERT_EQ(again->getCount(), bag->getCount());
    for (int i = 0; i < bag->getCount(); ++i)
        EXPECT_EQ(again->getNameAt(i), bag->getNameAt(i));
    EXPECT_EQ(back->getLifeTimeRange(), CVector2d(1000.0f, 1000.0f));
    EXPECT_EQ(back->scaleRange, CVector2d(0.0f, 0.0f));
    EXPECT_EQ(back->colorEnd.value, 0x00102030u);
    EXPECT_EQ(back->getColours().size(), 2u);
}

TEST(ParticleEmitter, ClonesCopyTheSettingsButNotTheBinding) {
    Bound b(new RectangleEmitter(CObjectName()));
    auto& e = static_cast<RectangleEmitter&>(*b.emitter);
    e.setName("Rain");
    e.xRange = {1.0f, 2.0f};
    e.startScaleTimeRange = {3.0f, 4.0f};
    e.setOrigin({5.0f, 6.0f});
    e.accumulator = 50.0f;
    CRefHandle<RectangleEmitter> copy(dynamic_cast<RectangleEmitter*>(e.clone()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->getName(), CString("Rain"));
    EXPECT_EQ(copy->xRange, e.xRange);
    EXPECT_EQ(copy->startScaleTimeRange, e.startScaleTimeRange);
    EXPECT_EQ(copy->getOrigin(), CVector2d());
    EXPECT_EQ(copy->accumulator, 0.0f);
    EXPECT_EQ(copy->getParticles(), nullptr);
    EXPECT_EQ(copy->getContentType(), e.getContentType());
    // A point emitter takes only the common part of a rectangle emitter.
    CRefHandle<PointEmitter> point = make<PointEmitter>();
    point->copyFrom(&e);
    EXPECT_EQ(point->getName(), CString("Rain"));
    EXPECT_EQ(point->startScaleTimeRange, CVector2d());
}

TEST(ParticleEmitter, TheFactoryMakesBothKindsByTheirExactNames) {
    CRefHandle<CEmitterFactory> factory(new CEmitterFactory);
    registerStandardEmitters(*factory);
    struct Case {
        const char16_t* name;
        int32_t typeId;
    };
    for (const Case& c : {Case{u"PointEmitter", 1}, Case{u"RectangleEmitter", 2}, Case{u"pointemitter", -1},
                          Case{u"BaseEmitter", -1}, Case{u"", -1}}) {
        CRefHandle<BaseEmitter> e(factory->createEmitter(CStringW(c.name), CObjectName()));
        EXPECT_EQ(e ? e->getTypeId() : -1, c.typeId);
        if (e) {
            EXPECT_TRUE(e->isKindOf(0));
            EXPECT_EQ(e->getClassName(), CStringW(c.name));
        }
    }
}

TEST(ParticleEmitter, TheClassTablesNameAccelerationsShortAndStoreZeroForOtherTypes) {
    CRefHandle<PointEmitter> e = make<PointEmitter>();
    e->setProperty("AccelXRange", CPropertyDataVector2d::create({1.0f, 2.0f}));
    EXPECT_EQ(e->accelerationXRange, CVector2d(1.0f, 2.0f));
    e->setProperty("ScaleRange", CPropertyDataInt::create(3));
    EXPECT_EQ(e->scaleRange, CVector2d());
    EXPECT_EQ(e->getPropertyTable().indexOf("AccelerationXRange"), -1);
    EXPECT_EQ(e->getPropertyTable().indexOf("XRange"), -1);
    CRefHandle<RectangleEmitter> r = make<RectangleEmitter>();
    EXPECT_NE(r->getPropertyTable().indexOf("XRange"), -1);
    EXPECT_EQ(r->getPropertyTable().indexOf("RadiusRange"), -1);
}

} // namespace
