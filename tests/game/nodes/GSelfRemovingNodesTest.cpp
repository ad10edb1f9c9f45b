#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/nodes/SpawnerNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/SceneNode.h"
#include "game/nodes/GConvexHullNode.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GEllipseMovableNode.h"
#include "game/nodes/GParticlesMovableNode.h"
#include "game/nodes/GSelfDestructNode.h"
#include "game/nodes/GSplineMovableNode.h"
#include "game/nodes/GWaveNode.h"
#include "tests/engine/scene/SceneFileTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A scene driving its nodes' updates and states with a stepped scheduler.
struct Stage {
    CRefHandle<CUpdateScheduler> scheduler{new CUpdateScheduler};
    CRefHandle<SceneNode> scene{new SceneNode(CObjectName(), nullptr, nullptr)};

    Stage() {
        scene->setSceneScheduler(scheduler.get());
        scene->setSceneManager(nullptr, scene.get());
    }
    ~Stage() { scene->setSceneScheduler(nullptr); }

    void run(uint32_t ms, uint32_t step) {
        for (uint32_t t = 0; t < ms; t += step)
            scheduler->update(step);
    }

    // A new node of class T as the scene's child, the scene holding it.
    template <class T> T* add() {
        T* node = new T(CObjectName(), scene.get(), nullptr);
        node->release();
        return node;
    }
};

BaseNode* withState(BaseNode* node, const char* state, int32_t duration) {
    EXPECT_TRUE(node->addState(makeTimedState(state, duration).get()));
    return node;
}

CName currentState(const BaseNode* node) {
    return node->getCurrentState() ? node->getCurrentState()->getName() : CName();
}

void registerClasses() {
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    (void)factory->registerNodeClass(CStringW(u"GWaveNode"), &GWaveNode::create);
    (void)factory->registerNodeClass(CStringW(u"GSelfDestructNode"), &GSelfDestructNode::create);
    (void)factory->registerNodeClass(CStringW(u"GSplineMovableNode"), &GSplineMovableNode::create);
    (void)factory->registerNodeClass(CStringW(u"GConvexHullNode"), &GConvexHullNode::create);
}

} // namespace

TEST(GParticlesMovableNode, FliesNineUnitsAnUpdateAndArrivesOnTheThirtyFourth) {
    Stage stage;
    BaseNode* mover = withState(stage.add<BaseNode>(), "QuestAppearParticles", -1);
    (void)withState(mover, "Disappear1", -1);
    BaseNode* target = withState(stage.add<BaseNode>(), "OpenClosed", -1);
    target->setPosition({290, -5, 0});
    target->setBounds({20, 10, 0});

    // The test's own reference shows what becomes of the flight.
    CRefHandle<GParticlesMovableNode> flight(new GParticlesMovableNode(CObjectName(), stage.scene.get(), nullptr));
    ASSERT_TRUE(flight->start(mover, target, 300, CName("QuestAppearParticles"), CName("Disappear1"),
                              CName("OpenClosed")));
    EXPECT_EQ(flight->getTargetPoint().x, 300.0f) << "the target's centre";
    EXPECT_EQ(flight->getTargetPoint().y, 0.0f);
    EXPECT_EQ(flight->getScheduler(), stage.scheduler.get());

    for (int tick = 1; tick <= 33; ++tick) {
        stage.scheduler->update(30);
        ASSERT_FLOAT_EQ(mover->getPosition().x, 9.0f * tick) << tick;
    }
    EXPECT_EQ(currentState(mover), CName("QuestAppearParticles"));
    EXPECT_EQ(stage.scene->getChildren().size(), 3u);

    stage.scheduler->update(30);
    EXPECT_FLOAT_EQ(mover->getPosition().x, 297.0f) << "arrival does not move the mover";
    EXPECT_EQ(currentState(mover), CName("Disappear1"));
    EXPECT_EQ(currentState(target), CName("OpenClosed"));
    EXPECT_EQ(stage.scene->getChildren().size(), 2u) << "the flight took itself out";
    EXPECT_EQ(flight->getScheduler(), nullptr) << "and the scheduler let it go";
    EXPECT_EQ(flight->referenceCount(), 1);
}

TEST(GParticlesMovableNode, RefusesMissingNodesAndFliesNowhereUnderASingularParent) {
    Stage stage;
    BaseNode* target = stage.add<BaseNode>();
    auto* flight = stage.add<GParticlesMovableNode>();
    EXPECT_FALSE(flight->start(nullptr, target, 300, CName(), CName(), CName()));
    EXPECT_FALSE(flight->start(target, nullptr, 300, CName(), CName(), CName()));
    EXPECT_EQ(stage.scheduler->entryCount(), 0u);

    BaseNode* flat = stage.add<BaseNode>();
    flat->setScale({0, 0, 1});
    BaseNode* mover = new BaseNode(CObjectName(), flat, nullptr);
    mover->release();
    mover->setPosition({40, 40, 0});
    target->setPosition({500, 500, 0});
    stage.scene->updateAbsoluteTransformation();
    ASSERT_TRUE(flight->start(mover, target, 300, CName(), CName(), CName()));
    EXPECT_EQ(flight->getStartPoint().x, 0.0f);
    EXPECT_EQ(flight->getTargetPoint().x, 0.0f);
    EXPECT_EQ(flight->getTargetPoint().y, 0.0f);
    stage.scheduler->update(30);
    EXPECT_EQ(mover->getPosition().x, 40.0f) << "arrived at once, not moved";
    EXPECT_EQ(stage.scene->getChildren().size(), 2u);
}

// Nodes that start their own updates when the render walk reaches them do so
// also while hidden (a counter counts on behind a closed panel, a spawner
// spawns into a hidden layer), and the walk must not pass them over.
TEST(SelfSchedulingNodes, TheRenderWalkStartsThemWhileTheyAreHidden) {
    const struct {
        const char* what;
        BaseNode* (*make)(BaseNode* parent);
    } cases[] = {
        {"a wave", [](BaseNode* parent) -> BaseNode* { return new GWaveNode(CObjectName(), parent, nullptr); }},
        {"an ellipse mover",
         [](BaseNode* parent) -> BaseNode* { return new GEllipseMovableNode(CObjectName(), parent, nullptr); }},
        {"a spawner", [](BaseNode* parent) -> BaseNode* { return new SpawnerNode(CObjectName(), parent, nullptr); }},
        {"a counting counter",
         [](BaseNode* parent) -> BaseNode* {
             auto* counter = new GCounterTextNode(CObjectName(), parent, nullptr);
             counter->setCountingTime(1000);
             counter->setCounting(true);
             return counter;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Stage stage;
        BaseNode* layer = stage.add<BaseNode>();
        BaseNode* node = c.make(layer);
        node->release();
        node->setVisible(false);
        CArray<CRenderItem> items;
        layer->registerForRendering(items);
        EXPECT_GT(stage.scheduler->entryCount(), 0u);
    }
}

TEST(GWaveNode, FadesInDriftsFadesOutAndLeaves) {
    const struct {
        int32_t lifeTime;
        uint32_t after;
        uint32_t alpha;
    } cases[] = {
        // 15 ms steps: alpha follows the time shown, truncated.
        {5000, 15, 255 * 15 / 1300},
        {5000, 1290, 253},
        {5000, 1305, 253},
        {5000, 3000, 253},
        {5000, 3705, 255 * 1295 / 1300},
        {5000, 4500, 255 * 500 / 1300},
        // Shorter than two fades: the fade-in rules while it lasts.
        {2000, 1005, 255 * 1005 / 1300},
        {2000, 1500, 255 * 500 / 1300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lifeTime << " after " << c.after);
        Stage stage;
        auto* wave = stage.add<GWaveNode>();
        wave->setLifeTime(c.lifeTime);
        wave->setVelocity({100, -20, 0});
        CArray<CRenderItem> items;
        wave->registerForRendering(items);
        EXPECT_EQ(wave->getTintColor().alpha(), 0u) << "transparent until it fades in";
        stage.run(c.after, 15);
        EXPECT_EQ(wave->getTintColor().alpha(), c.alpha);
        EXPECT_NEAR(wave->getPosition().x, 0.1f * float(c.after), 0.01f);
        EXPECT_NEAR(wave->getPosition().y, -0.02f * float(c.after), 0.01f);
    }

    Stage stage;
    auto* wave = stage.add<GWaveNode>();
    wave->setLifeTime(5000);
    CArray<CRenderItem> items;
    wave->registerForRendering(items);
    stage.run(4995, 15);
    EXPECT_EQ(stage.scene->getChildren().size(), 1u);
    stage.scheduler->update(15);
    EXPECT_TRUE(stage.scene->getChildren().empty()) << "the step reaching the end removes it";
    EXPECT_EQ(stage.scheduler->entryCount(), 0u);
}

TEST(GWaveNode, AnEndlessWaveDriftsForEverUnseenAndStartsItsWave) {
    Stage stage;
    auto* wave = stage.add<GWaveNode>();
    BaseNode* child = withState(new BaseNode(CObjectName(), wave, nullptr), "Normal", -1);
    child->release();
    child->setName(CName("Wave"));
    wave->onLoaded();
    wave->setVelocity({0, 10, 0});
    CArray<CRenderItem> items;
    wave->registerForRendering(items);
    EXPECT_EQ(currentState(child), CName("Normal"));
    stage.run(60000, 15);
    EXPECT_EQ(stage.scene->getChildren().size(), 1u);
    EXPECT_EQ(wave->getTintColor().alpha(), 0u);
    EXPECT_NEAR(wave->getPosition().y, 600.0f, 0.5f);
}

TEST(GSelfDestructNode, LeavesWhenItsStateEndsOnItselfOrOnItsWholeSubtree) {
    const struct {
        const char* what;
        bool listenToChildren;
        bool recursive;
        const char* state;
        bool leaves;
    } cases[] = {
        {"own state, not listening to children", false, false, "ForSelfDestruct", true},
        {"own state of another name", false, false, "Other", false},
        // Applied to the subtree, the state runs on the children alone.
        {"subtree completed, not listening", false, true, "ForSelfDestruct", false},
        {"own state only, listening to children", true, false, "ForSelfDestruct", false},
        {"subtree completed, listening", true, true, "ForSelfDestruct", true},
        {"subtree completed another state", true, true, "Other", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Stage stage;
        auto* node = stage.add<GSelfDestructNode>();
        node->setListenToChildren(c.listenToChildren);
        (void)withState(node, c.state, 100);
        for (int i = 0; i < 2; ++i) {
            BaseNode* child = withState(new BaseNode(CObjectName(), node, nullptr), c.state, 50 + 100 * i);
            child->release();
        }
        if (c.recursive)
            node->applyStateRecursive(CName(c.state), nullptr);
        else
            node->setState(CName(c.state), nullptr, CName());
        stage.run(500, 10);
        EXPECT_EQ(stage.scene->getChildren().empty(), c.leaves);
    }
}

TEST(GSplineMovableNode, LeavesOnceItsSubtreeCompletedSelfDestruct) {
    for (const char* state : {"SelfDestruct", "Other"}) {
        SCOPED_TRACE(state);
        Stage stage;
        auto* node = stage.add<GSplineMovableNode>();
        (void)withState(node, state, 30);
        BaseNode* child = withState(new BaseNode(CObjectName(), node, nullptr), state, 80);
        child->release();
        node->applyStateRecursive(CName(state), nullptr);
        stage.run(40, 10);
        EXPECT_EQ(stage.scene->getChildren().size(), 1u) << "the child is still running";
        stage.run(100, 10);
        EXPECT_EQ(stage.scene->getChildren().empty(), std::string(state) == "SelfDestruct");
    }
}

// Run under the leak checker: every node that removes itself is destroyed,
// and so is every node still alive when the scene is released.
TEST(SelfRemovingNodes, AScenefulOfThemRunsAndIsReleasedWithoutLeaks) {
    Stage stage;
    BaseNode* target = stage.add<BaseNode>();
    target->setPosition({100, 100, 0});
    for (int i = 0; i < 100; ++i) {
        BaseNode* mover = stage.add<BaseNode>();
        auto* flight = stage.add<GParticlesMovableNode>();
        ASSERT_TRUE(flight->start(mover, target, 200 + i, CName(), CName(), CName()));
        // Still on its way when the scene is torn down.
        auto* slow = stage.add<GParticlesMovableNode>();
        ASSERT_TRUE(slow->start(mover, target, 1, CName(), CName(), CName()));

        auto* wave = stage.add<GWaveNode>();
        wave->setLifeTime(i % 10 == 0 ? -1 : 100 + 10 * i);
        CArray<CRenderItem> items;
        wave->registerForRendering(items);

        auto* destruct = stage.add<GSelfDestructNode>();
        (void)withState(destruct, "ForSelfDestruct", 10 * i);
        destruct->applyStateRecursive(CName("ForSelfDestruct"), nullptr);

        auto* spline = stage.add<GSplineMovableNode>();
        (void)withState(spline, "SelfDestruct", 10 * i);
        spline->applyStateRecursive(CName("SelfDestruct"), nullptr);
    }
    stage.run(3000, 15);
    // What stays: the target, the movers, the slow flights and the endless
    // waves.
    EXPECT_EQ(stage.scene->getChildren().size(), 1u + 100u + 100u + 10u);
    EXPECT_EQ(stage.scheduler->entryCount(), 110u);
    stage.scene->removeAllChildren();
    stage.scheduler->update(15);
    EXPECT_EQ(stage.scheduler->entryCount(), 0u) << "what is out of the tree is let go";
}

TEST(SelfRemovingNodes, SceneFilesReadBackAndWriteTheSame) {
    registerClasses();
    const std::string text = R"(<?xml version="1.0"?>
<SceneNode Type="BaseNode">
  <Properties><string Name="Name" Value="Root"/></Properties>
  <SceneNode Type="GWaveNode">
    <Properties>
      <string Name="Name" Value="Drift"/>
      <vector3d Name="Velocity" Value="12;-3;0"/>
      <int Name="LifeTime" Value="4000"/>
    </Properties>
    <SceneNode Type="SpriteNode"><Properties><string Name="Name" Value="Wave"/></Properties></SceneNode>
  </SceneNode>
  <SceneNode Type="GWaveNode"><Properties><string Name="Name" Value="Still"/></Properties></SceneNode>
  <SceneNode Type="GSelfDestructNode">
    <Properties>
      <string Name="Name" Value="Puff"/>
      <bool Name="ListenToChildrens" Value="false"/>
      <string Name="DestructStateName" Value="Gone"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="GSelfDestructNode"><Properties><string Name="Name" Value="Plain"/></Properties></SceneNode>
  <SceneNode Type="GSplineMovableNode"><Properties><string Name="Name" Value="Cart"/></Properties></SceneNode>
  <SceneNode Type="GConvexHullNode">
    <Properties><string Name="Name" Value="ServeAreaConvexHull"/></Properties>
    <SceneNode Type="SpriteNode"><Properties><string Name="Name" Value="HullElement"/></Properties></SceneNode>
  </SceneNode>
</SceneNode>
)";
    CRefHandle<BaseNode> root = readScene(text);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->getChildren().size(), 6u);

    const auto* drift = nodeCast<GWaveNode>(root->getChildren()[0]);
    ASSERT_NE(drift, nullptr);
    EXPECT_EQ(drift->getVelocity().x, 12.0f);
    EXPECT_EQ(drift->getVelocity().y, -3.0f);
    EXPECT_EQ(drift->getLifeTime(), 4000);
    const auto* still = nodeCast<GWaveNode>(root->getChildren()[1]);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->getLifeTime(), -1);
    const auto* puff = nodeCast<GSelfDestructNode>(root->getChildren()[2]);
    ASSERT_NE(puff, nullptr);
    EXPECT_FALSE(puff->isListeningToChildren());
    EXPECT_EQ(puff->getDestructStateName(), CName("Gone"));
    const auto* plain = nodeCast<GSelfDestructNode>(root->getChildren()[3]);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->isListeningToChildren());
    EXPECT_EQ(plain->getDestructStateName(), CName("ForSelfDestruct"));
    EXPECT_NE(nodeCast<GSplineMovableNode>(root->getChildren()[4]), nullptr);
    auto* hull = nodeCast<GConvexHullNode>(root->getChildren()[5]);
    ASSERT_NE(hull, nullptr);
    ASSERT_NE(hull->getElementHolder(), nullptr);

    // An outline built before saving is not saved with the hull.
    CRefHandle<BaseNode> owner(new BaseNode(CObjectName(), nullptr, nullptr));
    CArray<BaseNode*> objects;
    objects.push_back(owner.get());
    hull->buildAround(objects, owner.get());
    ASSERT_FALSE(hull->getElementHolder()->getChildren().empty());

    const std::string written = sceneText(root.get());
    ASSERT_NE(written, "<failed>");
    // Defaults of the wave are left out; the self-destruct keys are always
    // written.
    EXPECT_EQ(written.find("HullElementsHolder"), std::string::npos);
    EXPECT_EQ(written.find("Velocity"), written.rfind("Velocity"));
    EXPECT_EQ(written.find("LifeTime"), written.rfind("LifeTime"));
    EXPECT_NE(written.find("\"ForSelfDestruct\""), std::string::npos);

    CRefHandle<BaseNode> reread = readScene(written);
    ASSERT_TRUE(reread);
    EXPECT_EQ(sceneText(reread.get()), written);
    // Copies keep the values too.
    CRefHandle<BaseNode> copy(root->clone(nullptr, nullptr));
    EXPECT_EQ(sceneText(copy.get()), written);
}
