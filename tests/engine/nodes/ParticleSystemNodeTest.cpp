#include "engine/nodes/ParticleSystemNode.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/nodes/ParticleCollection.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CGeometryBuffer.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Call = CRecordingGraphicsDriver::Call;

Particle still(uint32_t age, uint32_t lifetime, float x) {
    Particle p{};
    p.posX = x;
    p.age = age;
    p.lifetime = lifetime;
    p.scale = p.startScale = 1.0f;
    p.colour = CColorf(1.0f, 1.0f, 1.0f, 1.0f);
    return p;
}

class ParticleSystemNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registerParticleContent(processors.get()));
        scene->setSceneScheduler(scheduler.get());
        scheduler->update(0);
    }
    // The scheduler goes last; it lets go of nothing that still talks to it.
    void TearDown() override {
        for (const auto& node : made) {
            node->setEnabled(false);
            node->setEmitterEnabled(false);
        }
        made.clear();
    }

    // Caches `emitter` under its Name, as a loaded collection does.
    void cache(BaseEmitter* emitter) {
        CRefHandle<BaseEmitter> held(emitter);
        ASSERT_TRUE(manager->addToCache(held.get(), CObjectName(manager.get(), CStringW(held->getName()))));
    }
    PointEmitter* pointEmitter(const char* name, float pps, float lifetime) {
        auto* e = new PointEmitter(CObjectName(manager.get(), CStringW()));
        e->setName(name);
        e->setPPSRange({pps, pps});
        e->setLifeTimeRange({lifetime, lifetime});
        return e;
    }
    // A node of the scene showing the 8 x 4 picture with emitter `name`.
    ParticleSystemNode* system(const char16_t* name, BaseNode* parent = nullptr) {
        auto* node =
            new ParticleSystemNode(CObjectName(manager.get(), CStringW(u"p")), parent ? parent : scene.get(), nullptr);
        node->release(); // the parent holds it
        node->setSceneManager(nullptr, scene.get());
        node->setAtlasTexture(picture.get());
        node->setEmitterName(CStringW(name));
        made.push_back(CRefHandle<ParticleSystemNode>::share(node));
        return node;
    }
    void frame() {
        CArray<CRenderItem> list;
        scene->registerForRendering(list);
        items = list.size();
    }
    void run(int steps, uint32_t ms = 30) {
        for (int i = 0; i < steps; ++i)
            scheduler->update(ms);
    }

    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<CUpdateScheduler> scheduler{new CUpdateScheduler};
    CRefHandle<RecordingScene> scene{new RecordingScene};
    CRefHandle<CImageTexture> page = makePage(16, 16, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFFu); });
    CRefHandle<CAtlasTexture> picture = makeAtlas(page.get(), CRect(0, 0, 8, 4));
    uint32_t items = 0;
    std::vector<CRefHandle<ParticleSystemNode>> made;
};

TEST_F(ParticleSystemNodeTest, TheFirstFrameRegistersBothUpdatesAndParticlesAreDrawnInOneMesh) {
    cache(pointEmitter("Sparks", 10.0f, 1000.0f));
    ParticleSystemNode* node = system(u"Sparks");
    node->setPosition({100.0f, 50.0f, 3.0f});
    ASSERT_NE(node->getEmitter(), nullptr);
    EXPECT_EQ(node->getEmitterName(), CStringW(u"Sparks"));
    run(10);
    EXPECT_EQ(node->getParticles().size(), 0u); // nothing runs before the first frame
    frame();
    EXPECT_EQ(items, 0u);
    EXPECT_EQ(node->getScheduler(), scheduler.get());
    EXPECT_EQ(node->getEmitter()->getScheduler(), scheduler.get());
    std::vector<uint32_t> counts;
    for (int step = 0; step < 8; ++step) {
        run(1);
        counts.push_back(node->getParticles().size());
        frame(); // an empty system drops its update until the next frame
    }
    EXPECT_EQ(counts, (std::vector<uint32_t>{0, 0, 0, 1, 1, 1, 2, 2}));
    run(1);
    frame();
    EXPECT_EQ(items, 1u);

    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    node->render(driver.get(), nullptr);
    std::vector<Call> calls;
    for (const auto& record : driver->records())
        calls.push_back(record.call);
    ASSERT_EQ(calls, (std::vector<Call>{Call::SetMatrix, Call::ApplyMaterial, Call::DrawPrimitives, Call::SetMatrix}));
    const auto& world = driver->records()[0].matrix;
    EXPECT_EQ(world[12], 100.0f);
    EXPECT_EQ(world[14], 0.0f);
    EXPECT_TRUE(driver->records()[3].matrix.isIdentity());
    const auto& draw = driver->records()[2];
    EXPECT_EQ(draw.primitiveCount, 4u);
    EXPECT_EQ(draw.primitiveType, PrimitiveType::Triangles);
    ASSERT_EQ(draw.vertices.size(), 8u);
    // Born at the origin with scale 1: the 8 x 4 picture centred on it.
    EXPECT_EQ(draw.vertices[0].x, -4.0f);
    EXPECT_EQ(draw.vertices[0].y, -2.0f);
    EXPECT_EQ(draw.vertices[2].x, 4.0f);
    EXPECT_EQ(draw.vertices[2].y, 2.0f);
    EXPECT_EQ(draw.vertices[1].u, 0.5f);
    EXPECT_EQ(draw.vertices[2].v, 0.25f);
    EXPECT_EQ(draw.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
}

TEST_F(ParticleSystemNodeTest, NoMoreThanFiveHundredLiveParticles) {
    cache(pointEmitter("Flood", 100000.0f, 100000.0f));
    ParticleSystemNode* node = system(u"Flood");
    frame();
    run(1);
    frame();
    run(1);
    EXPECT_EQ(node->getParticles().size(), ParticleSystemNode::Capacity);
    EXPECT_EQ(node->getGeometry()->primitiveCount(), 1000u);
    EXPECT_EQ(node->getGeometry()->vertexCount(), 2000u);
}

TEST_F(ParticleSystemNodeTest, ParticlesDyingInOneStepAreAllRemovedAndNoOtherIsSkipped) {
    struct Case {
        std::vector<uint32_t> lifetimes;
        std::vector<float> survivors;
    };
    const Case cases[] = {
        {{10, 1000, 20, 1000}, {3.0f, 1.0f}},
        {{10, 1000, 1000, 20}, {2.0f, 1.0f}},
        {{1000, 10, 20}, {0.0f}},
        {{30, 29}, {}},
    };
    for (const Case& c : cases) {
        CRefHandle<ParticleSystemNode> node = CRefHandle<ParticleSystemNode>::share(system(u""));
        ParticleArray& particles = node->particles();
        particles.setSize(uint32_t(c.lifetimes.size()));
        for (uint32_t i = 0; i < c.lifetimes.size(); ++i)
            particles[i] = still(0, c.lifetimes[i], float(i));
        const bool kept = node->update(30);
        EXPECT_TRUE(kept);
        std::vector<float> xs;
        for (uint32_t i = 0; i < particles.size(); ++i) {
            xs.push_back(particles[i].posX);
            EXPECT_EQ(particles[i].age, 30u);
        }
        EXPECT_EQ(xs, c.survivors);
        EXPECT_EQ(node->getGeometry()->primitiveCount(), 2 * particles.size());
        EXPECT_TRUE(scene->removeChild(node.get()));
    }
}

TEST_F(ParticleSystemNodeTest, ColourKeysDivideTheLifeIntoEqualParts) {
    PointEmitter* keyed = pointEmitter("Keys", 0.0f, 1000.0f);
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setString("ColorsRange", "FFFF0000;FF00FF00;FF0000FF");
    keyed->readProperties(*bag);
    cache(keyed);
    ParticleSystemNode* node = system(u"Keys");
    ASSERT_EQ(node->getColourKeys().size(), 3u);
    struct Case {
        uint32_t age;
        uint32_t colour;
    };
    for (const Case& c : {Case{500, 0xFF00FF00u}, Case{250, 0xFF7F7F00u}, Case{750, 0xFF007F7Fu}}) {
        node->particles().setSize(1);
        node->particles()[0] = still(c.age - 30, 1000, 0.0f);
        ASSERT_TRUE(node->update(30));
        EXPECT_EQ(node->getParticles()[0].colour.toColor().value, c.colour) << c.age;
    }
}

TEST_F(ParticleSystemNodeTest, PreGenerationRunsOnceInStepsOfTwoHundredMs) {
    cache(pointEmitter("Pre", 10.0f, 100000.0f));
    ParticleSystemNode* node = system(u"Pre");
    node->setPregenTime(500);
    frame();
    // Three steps of 200 ms: two particles each, aged in their own step.
    EXPECT_EQ(node->getParticles().size(), 6u);
    EXPECT_EQ(node->getParticles()[0].age, 600u);
    frame();
    EXPECT_EQ(node->getParticles().size(), 6u);
    node->setPregenTime(200);
    frame();
    EXPECT_EQ(node->getParticles().size(), 8u);
    // A huge time is simulated only up to the limit.
    node->setPregenTime(0x7FFFFFFF);
    frame();
    EXPECT_EQ(node->getParticles().size(), ParticleSystemNode::Capacity);
}

TEST_F(ParticleSystemNodeTest, GlobalParticlesStayWhereTheyWereBornWhileTheNodeMoves) {
    CRefHandle<BoxNode> holder(new BoxNode(CObjectName(nullptr, CStringW(u"Holder")), scene.get(), nullptr));
    holder->setName(CName("Holder"));
    holder->setPosition({1000.0f, 0.0f, 0.0f});
    CRefHandle<BoxNode> mid(new BoxNode(CObjectName(), holder.get(), nullptr));
    cache(pointEmitter("Dots", 10.0f, 100000.0f));
    ParticleSystemNode* node = system(u"Dots", mid.get());
    node->setGlobal(true);
    node->setGlobalParentName(CName("Holder"));
    node->setPosition({10.0f, 20.0f, 0.0f});
    frame();
    // An empty system leaves the origin where it was last set: here.
    node->setEmitterEnabled(true);
    run(4);
    ASSERT_EQ(node->getParticles().size(), 1u);
    EXPECT_EQ(node->getParticles()[0].posX, 10.0f); // in the holder's space
    node->setPosition({50.0f, 20.0f, 0.0f});
    mid->setPosition({5.0f, 0.0f, 0.0f});
    frame();
    run(4);
    ASSERT_EQ(node->getParticles().size(), 2u);
    EXPECT_EQ(node->getParticles()[0].posX, 10.0f);
    EXPECT_EQ(node->getParticles()[1].posX, 55.0f);
    EXPECT_EQ(node->emitterOrigin().x, 55.0f);
    // Moved out from under the holder: world space.
    node->setParent(scene.get());
    frame();
    EXPECT_EQ(node->findGlobalParent(), nullptr);
    EXPECT_EQ(node->emitterOrigin().x, 50.0f);
}

TEST_F(ParticleSystemNodeTest, WithoutATextureNothingAgesOrIsDrawnButTheEmitterFillsTheArray) {
    cache(pointEmitter("Bare", 1000.0f, 100.0f));
    ParticleSystemNode* node = system(u"Bare");
    node->setAtlasTexture(nullptr);
    frame();
    run(20);
    EXPECT_EQ(node->getParticles().size(), ParticleSystemNode::Capacity);
    EXPECT_EQ(node->getParticles()[0].age, 0u);
    EXPECT_EQ(node->getScheduler(), nullptr);
    frame();
    EXPECT_EQ(items, 0u);
}

TEST_F(ParticleSystemNodeTest, PropertiesWriteAndReadBackAndCopiesGetTheirOwnEmitter) {
    cache(pointEmitter("Copy", 10.0f, 1000.0f));
    ParticleSystemNode* node = system(u"Copy");
    node->setAdditiveBlending(true);
    node->setEnabled(false);
    node->setPregenTime(300);
    node->setGlobal(true);
    node->setGlobalParentName(CName("Top"));
    CRefHandle<CPropertyBag> bag = CPropertyBag::create(manager.get());
    node->writeProperties(*bag);
    EXPECT_EQ(getPropertyStringW(bag->get("EmitterName")), CStringW(u"Copy"));
    CRefHandle<ParticleSystemNode> back(
        new ParticleSystemNode(CObjectName(manager.get(), CStringW(u"p")), nullptr, nullptr));
    back->readProperties(*bag);
    EXPECT_TRUE(back->getAdditiveBlending());
    EXPECT_FALSE(back->isEnabled());
    EXPECT_EQ(back->getPregenTime(), 300);
    EXPECT_TRUE(back->isGlobal());
    EXPECT_EQ(back->getGlobalParentName(), CName("Top"));
    EXPECT_EQ(back->getAtlasTexture(), picture.get());
    ASSERT_NE(back->getEmitter(), nullptr);
    EXPECT_EQ(back->getEmitter()->getParticles(), &back->particles());

    CRefHandle<BaseNode> copy(node->clone(nullptr, nullptr));
    auto* copied = nodeCast<ParticleSystemNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    ASSERT_NE(copied->getEmitter(), nullptr);
    EXPECT_NE(copied->getEmitter(), node->getEmitter());
    EXPECT_EQ(copied->getEmitter()->getParticles(), &copied->particles());
    EXPECT_TRUE(copied->getAdditiveBlending());
    EXPECT_FALSE(copied->hitTest({0.0f, 0.0f, 0.0f}));
    // The texture layer filters bilinear and trilinear, without anisotropy,
    // in a new node and in a copy alike.
    const ParticleSystemNode* made[] = {back.get(), copied};
    for (const ParticleSystemNode* n : made) {
        const TextureLayer& layer = n->getMaterial().layers[0];
        EXPECT_TRUE(layer.bilinear);
        EXPECT_TRUE(layer.trilinear);
        EXPECT_EQ(layer.anisotropy, 0);
    }
}

} // namespace

namespace {

TEST_F(ParticleSystemNodeTest, DisablingFreezesTheParticlesAndEnablingResumesThem) {
    cache(pointEmitter("Freeze", 10.0f, 100000.0f));
    ParticleSystemNode* node = system(u"Freeze");
    frame();
    run(4);
    ASSERT_EQ(node->getParticles().size(), 1u);
    node->setEnabled(false);
    node->setEmitterEnabled(false);
    EXPECT_EQ(node->getScheduler(), nullptr);
    EXPECT_EQ(node->getEmitter()->getScheduler(), nullptr);
    const uint32_t age = node->getParticles()[0].age;
    frame();
    run(20);
    EXPECT_EQ(node->getParticles().size(), 1u);
    EXPECT_EQ(node->getParticles()[0].age, age);
    EXPECT_EQ(items, 1u); // still drawn
    node->setEnabled(true);
    EXPECT_EQ(node->getScheduler(), scheduler.get());
    run(1);
    EXPECT_EQ(node->getParticles()[0].age, age + 30);
}

} // namespace
