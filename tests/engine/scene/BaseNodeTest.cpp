#include "engine/scene/BaseNode.h"

#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventNodeStateFinished.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CNodeStateEvent.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SetProps.h"
#include "engine/scene/SetStates.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/Material.h"
#include "tests/engine/scene/NodeTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"
#include "tests/support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

// The handle adopts the creator's reference; a parent holds one of its own.
CRefHandle<RecordingNode> makeNode(const char* name = "", BaseNode* parent = nullptr) {
    return CRefHandle<RecordingNode>(new RecordingNode(name, parent));
}

std::vector<BaseNode*> children(const BaseNode* node) {
    return std::vector<BaseNode*>(node->getChildren().begin(), node->getChildren().end());
}

CVector3d mapPoint(BaseNode* node, float x, float y) {
    CVector3d point(x, y, 0.0f);
    node->getAbsoluteTransformation().transformPoint(point);
    return point;
}

// A state without keys.
CRefHandle<CNodeState> makeState(const char* name, const char* next = "") {
    CRefHandle<CNodeState> state(new CNodeState(CName(name)));
    state->setNextState(CName(next));
    return state;
}

CName pressFallback(CName state) {
    static const CName press("Press");
    static const CName focus("Focus");
    static const CName normal("Normal");
    if (state == press)
        return focus;
    if (state == focus)
        return normal;
    return CName();
}

// A table whose names lead in a circle.
CName circularFallback(CName state) { return state == CName("A") ? CName("B") : CName("A"); }

// Sets a flag when the last reference goes: hung on a node as user data, it
// tells when the node was destroyed.
class DestructionFlag : public CRefCounted {
public:
    explicit DestructionFlag(bool* destroyed) : m_destroyed(destroyed) {}

protected:
    ~DestructionFlag() override { *m_destroyed = true; }

private:
    bool* m_destroyed;
};

void watchDestruction(BaseNode* node, bool* destroyed) {
    CRefHandle<DestructionFlag> flag(new DestructionFlag(destroyed));
    node->setUserData(flag.get());
}

// A scene root that drops the child reporting event 79.
class DroppingParent : public TestScene {
public:
    bool handleEvent(CEvent* event) override {
        if (event->getType() == CEventNodeStateFinished::TypeId)
            static_cast<void>(removeChild(static_cast<CNodeStateEvent*>(event)->getNode()));
        return TestScene::handleEvent(event);
    }
};

// A node that leaves its parent (which holds its last reference) when it
// handles an event of type `leaveOn`.
class LeavingNode : public RecordingNode {
public:
    LeavingNode(const char* name, BaseNode* parent, int leaveOnType)
        : RecordingNode(name, parent), leaveOn(leaveOnType) {}
    bool handleEvent(CEvent* event) override {
        if (event->getType() == leaveOn)
            setParent(nullptr);
        return RecordingNode::handleEvent(event);
    }
    int leaveOn;
};

// A state whose only main key never reports: it runs until stopped.
CRefHandle<CNodeState> makeEndlessState(const char* name) {
    CRefHandle<CNodeState> state = makeState(name);
    CRefHandle<SetProps> never(new SetProps());
    state->addKey(never.get());
    return state;
}

} // namespace

TEST(BaseNode, RelativeTransformMapsNodePointsToParentSpace) {
    const struct {
        const char* what;
        CVector3d position, rotation, scale;
        CVector2d pivot;
        CVector2d point;
        CVector2d expected;
    } cases[] = {
        {"identity", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {0, 0}, {3, 4}, {3, 4}},
        {"translation", {10, 20, 0}, {0, 0, 0}, {1, 1, 1}, {0, 0}, {3, 4}, {13, 24}},
        {"rotation 90 about z turns clockwise on screen", {10, 20, 0}, {0, 0, 90}, {1, 1, 1}, {0, 0}, {1, 0}, {10, 21}},
        {"rotation 180", {10, 10, 0}, {0, 0, 180}, {1, 1, 1}, {0, 0}, {1, 0}, {9, 10}},
        {"pivot lands at the position", {100, 100, 0}, {0, 0, 0}, {1, 1, 1}, {50, 50}, {50, 50}, {100, 100}},
        {"scale acts around the pivot", {100, 100, 0}, {0, 0, 0}, {2, 2, 1}, {50, 50}, {60, 50}, {120, 100}},
        {"rotation acts around the pivot", {100, 100, 0}, {0, 0, 90}, {1, 1, 1}, {50, 50}, {60, 50}, {100, 110}},
        {"scale without pivot", {5, 5, 0}, {0, 0, 0}, {2, 3, 1}, {0, 0}, {1, 1}, {7, 8}},
        {"scale, rotation and pivot", {0, 0, 0}, {0, 0, 90}, {2, 2, 1}, {10, 0}, {11, 0}, {0, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<RecordingNode> node = makeNode();
        node->setPosition(c.position);
        node->setRotation(c.rotation);
        node->setScale(c.scale);
        node->setPivotPoint(c.pivot);
        node->updateAbsoluteTransformation();
        const CVector3d mapped = mapPoint(node.get(), c.point.x, c.point.y);
        EXPECT_NEAR(mapped.x, c.expected.x, 1e-5f);
        EXPECT_NEAR(mapped.y, c.expected.y, 1e-5f);
    }
}

TEST(BaseNode, AbsoluteTransformComposesWithTheParentAndSumsDepth) {
    const struct {
        const char* what;
        CVector3d parentPosition, parentRotation, childPosition, childRotation;
        CVector2d point;
        CVector2d expected;
        float depth;
    } cases[] = {
        {"translations add", {100, 50, 1}, {0, 0, 0}, {10, 10, 2}, {0, 0, 0}, {0, 0}, {110, 60}, 3},
        {"identity child takes the parent", {100, 50, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, 1}, {101, 51}, 1},
        {"identity parent gives the child", {0, 0, 0}, {0, 0, 0}, {7, 8, 4}, {0, 0, 0}, {1, 1}, {8, 9}, 4},
        {"a turned parent turns the child's offset",
         {100, 100, 0},
         {0, 0, 90},
         {10, 0, 0},
         {0, 0, 0},
         {0, 0},
         {100, 110},
         0},
        {"rotations add", {0, 0, 0}, {0, 0, 90}, {0, 0, 0}, {0, 0, 90}, {1, 0}, {-1, 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<RecordingNode> parent = makeNode("parent");
        CRefHandle<RecordingNode> child = makeNode("child", parent.get());
        parent->setPosition(c.parentPosition);
        parent->setRotation(c.parentRotation);
        child->setPosition(c.childPosition);
        child->setRotation(c.childRotation);
        parent->updateAbsoluteTransformation();
        const CVector3d mapped = mapPoint(child.get(), c.point.x, c.point.y);
        EXPECT_NEAR(mapped.x, c.expected.x, 1e-5f);
        EXPECT_NEAR(mapped.y, c.expected.y, 1e-5f);
        EXPECT_FLOAT_EQ(child->getDepth(), c.depth);
        EXPECT_FALSE(child->isTransformDirty());
    }
}

TEST(BaseNode, AbsoluteTintMultipliesChannelsWithTheParent) {
    const struct {
        const char* what;
        uint32_t parent, own, expected;
    } cases[] = {
        {"white under white", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
        {"half alpha under half alpha", 0x80FFFFFF, 0x80FF0000, 0x40FF0000},
        {"127 by 127 truncates to 63", 0x7F7F7F7F, 0x7F7F7F7F, 0x3F3F3F3F},
        {"black parent", 0xFF000000, 0xFF123456, 0xFF000000},
        {"white parent keeps the tint", 0xFFFFFFFF, 0x12345678, 0x12345678},
        {"channels apart", 0xFF804020, 0xFF808080, 0xFF402010},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<RecordingNode> parent = makeNode("parent");
        CRefHandle<RecordingNode> child = makeNode("child", parent.get());
        parent->setTintColor(CColor(c.parent));
        child->setTintColor(CColor(c.own));
        parent->updateAbsoluteColor();
        EXPECT_EQ(parent->getAbsoluteColor().value, c.parent);
        EXPECT_EQ(child->getAbsoluteColor().value, c.expected);
        EXPECT_FALSE(child->isColorDirty());
    }
}

TEST(BaseNode, PointInsideIsStrictAndFollowsTheTransform) {
    // `child`: the point is tested on an identity-placed child of the node.
    const struct {
        const char* what;
        CVector3d position, rotation, scale;
        CVector3d point;
        bool child;
        bool inside;
    } cases[] = {
        {"centre", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {50, 50, 0}, false, true},
        {"left edge", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {0, 50, 0}, false, false},
        {"right edge", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {100, 50, 0}, false, false},
        {"top edge", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {50, 0, 0}, false, false},
        {"bottom edge", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {50, 100, 0}, false, false},
        {"just inside the corner", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {99.5f, 99.5f, 0}, false, true},
        {"moved", {200, 100, 0}, {0, 0, 0}, {1, 1, 1}, {250, 150, 0}, false, true},
        {"moved away", {200, 100, 0}, {0, 0, 0}, {1, 1, 1}, {50, 50, 0}, false, false},
        {"scaled up", {0, 0, 0}, {0, 0, 0}, {2, 2, 1}, {150, 150, 0}, false, true},
        {"turned 90: the box lies left of x = 0", {0, 0, 0}, {0, 0, 90}, {1, 1, 1}, {-50, 50, 0}, false, true},
        {"turned 90: right of x = 0 is outside", {0, 0, 0}, {0, 0, 90}, {1, 1, 1}, {50, 50, 0}, false, false},
        {"squashed to a line contains nothing", {0, 0, 0}, {0, 0, 0}, {0, 1, 1}, {50, 50, 0}, false, false},
        {"squashed flat in y contains nothing", {10, 10, 0}, {0, 0, 0}, {2, 0, 1}, {50, 10, 0}, false, false},
        {"scale text 2;2 (z reads 0) is hit inside", {0, 0, 0}, {0, 0, 0}, {2, 2, 0}, {150, 150, 0}, false, true},
        {"scale text 2;2: outside its bounds", {0, 0, 0}, {0, 0, 0}, {2, 2, 0}, {250, 150, 0}, false, false},
        {"scale text 2;2: its identity child is hit", {0, 0, 0}, {0, 0, 0}, {2, 2, 0}, {150, 150, 0}, true, true},
        {"moved and z-flat: its identity child", {50, 0, 3}, {0, 0, 0}, {1, 1, 0}, {120, 50, 0}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<RecordingNode> node = makeNode();
        CRefHandle<RecordingNode> child = makeNode("child", node.get());
        node->setPosition(c.position);
        node->setRotation(c.rotation);
        node->setScale(c.scale);
        node->updateAbsoluteTransformation();
        EXPECT_EQ((c.child ? child.get() : node.get())->isPointInside(c.point), c.inside);
    }
}

TEST(BaseNode, AddChildMovesTheNodeAndHandsDownTheManager) {
    TestManager* manager = new TestManager();
    CRefHandle<TestManager> keepManager(manager);
    CRefHandle<RecordingNode> first(new RecordingNode("first", nullptr, manager));
    CRefHandle<RecordingNode> second = makeNode("second");
    CRefHandle<RecordingNode> child = makeNode("child", second.get());
    CRefHandle<RecordingNode> grandchild = makeNode("grandchild", child.get());
    EXPECT_EQ(child->referenceCount(), 2);

    second->updateAbsoluteTransformation();
    EXPECT_FALSE(child->isTransformDirty());
    first->addChild(child.get());
    EXPECT_TRUE(child->isTransformDirty()) << "a new parent means a new absolute transform";
    EXPECT_EQ(child->getParent(), first.get());
    EXPECT_THAT(children(second.get()), IsEmpty());
    EXPECT_THAT(children(first.get()), ElementsAre(child.get()));
    EXPECT_EQ(child->referenceCount(), 2);
    EXPECT_EQ(grandchild->getSceneManager<TestManager>(), manager);

    EXPECT_TRUE(first->removeChild(child.get()));
    EXPECT_FALSE(first->removeChild(child.get()));
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_EQ(grandchild->getSceneManager<TestManager>(), nullptr);
    EXPECT_EQ(child->referenceCount(), 1);

    first->addChild(child.get());
    first->removeAllChildren();
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_EQ(grandchild->getSceneManager<TestManager>(), nullptr) << "the whole subtree leaves the manager";
    EXPECT_EQ(child->referenceCount(), 1);
}

TEST(BaseNode, AddingAnAncestorAsChildIsRefused) {
    CRefHandle<RecordingNode> root = makeNode("root");
    CRefHandle<RecordingNode> middle = makeNode("middle", root.get());
    CRefHandle<RecordingNode> leaf = makeNode("leaf", middle.get());
    LogCapture log;
    leaf->addChild(root.get());
    leaf->addChild(leaf.get());
    leaf->insertChild(middle.get(), nullptr);
    EXPECT_EQ(log.count("WRN: Can't add a node below its own descendant: "), 2u);
    EXPECT_EQ(root->getParent(), nullptr);
    EXPECT_THAT(children(leaf.get()), IsEmpty());
    EXPECT_EQ(middle->getParent(), root.get());
    EXPECT_EQ(root->referenceCount(), 1);
}

TEST(BaseNode, InsertChildPlacesBehindTheSibling) {
    CRefHandle<RecordingNode> parent = makeNode("parent");
    CRefHandle<RecordingNode> a = makeNode("a", parent.get());
    CRefHandle<RecordingNode> b = makeNode("b", parent.get());
    CRefHandle<RecordingNode> c = makeNode("c");
    CRefHandle<RecordingNode> d = makeNode("d");
    CRefHandle<RecordingNode> stranger = makeNode("stranger");
    parent->insertChild(c.get(), a.get());
    parent->insertChild(d.get(), nullptr);
    EXPECT_THAT(children(parent.get()), ElementsAre(d.get(), a.get(), c.get(), b.get()));
    parent->insertChild(a.get(), stranger.get());
    EXPECT_THAT(children(parent.get()), ElementsAre(d.get(), c.get(), b.get(), a.get()));
    parent->insertChild(b.get(), d.get());
    EXPECT_THAT(children(parent.get()), ElementsAre(d.get(), b.get(), c.get(), a.get()));
}

TEST(BaseNode, InsertChildByIndexPlacesAtThatPosition) {
    CRefHandle<RecordingNode> parent = makeNode("parent");
    CRefHandle<RecordingNode> a = makeNode("a", parent.get());
    CRefHandle<RecordingNode> b = makeNode("b", parent.get());
    CRefHandle<RecordingNode> c = makeNode("c");
    CRefHandle<RecordingNode> other = makeNode("other");
    CRefHandle<RecordingNode> moved = makeNode("moved", other.get());
    const struct {
        const char* what;
        RecordingNode* child;
        int index;
        std::vector<RecordingNode*> expected;
    } steps[] = {
        {"0 puts it first", c.get(), 0, {c.get(), a.get(), b.get()}},
        {"a child of this list moves", c.get(), 2, {a.get(), b.get(), c.get()}},
        {"in the middle, taken from another parent", moved.get(), 1, {a.get(), moved.get(), b.get(), c.get()}},
        {"past the end appends", a.get(), 99, {moved.get(), b.get(), c.get(), a.get()}},
        {"negative puts it first", c.get(), -3, {c.get(), moved.get(), b.get(), a.get()}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        parent->insertChild(step.child, step.index);
        std::vector<BaseNode*> expected(step.expected.begin(), step.expected.end());
        EXPECT_EQ(children(parent.get()), expected);
        EXPECT_EQ(step.child->getParent(), parent.get());
    }
    EXPECT_THAT(children(other.get()), IsEmpty());
    EXPECT_EQ(moved->referenceCount(), 2) << "the new parent's reference replaces the old one's";
}

TEST(BaseNode, NodeNotSerialisedHasAParentButStaysOutOfTheList) {
    CRefHandle<RecordingNode> parent = makeNode("parent");
    CRefHandle<RecordingNode> hidden = makeNode("hidden");
    hidden->setNotSerialised(true);
    hidden->setParent(parent.get());
    EXPECT_EQ(hidden->getParent(), parent.get());
    EXPECT_THAT(children(parent.get()), IsEmpty());
    EXPECT_FALSE(parent->removeChild(hidden.get()));
    CRefHandle<BaseNode> copy(parent->clone(nullptr, nullptr));
    EXPECT_THAT(children(copy.get()), IsEmpty());
    CRefHandle<CPropertyBag> bag(new CPropertyBag());
    parent->writeProperties(*bag);
    EXPECT_EQ(bag->getCount(), 1); // the name only
    // The reference the parent took is the owner's to drop.
    hidden->setParent(nullptr);
    EXPECT_EQ(hidden->referenceCount(), 2);
    hidden->release();
}

TEST(BaseNode, FindChildFollowsItsDepthRules) {
    CRefHandle<RecordingNode> root = makeNode("root");
    CRefHandle<RecordingNode> a = makeNode("a", root.get());
    CRefHandle<RecordingNode> deepTwin = makeNode("twin", a.get());
    CRefHandle<RecordingNode> b = makeNode("b", root.get());
    CRefHandle<RecordingNode> twin = makeNode("twin", root.get());
    CRefHandle<RecordingNode> grand = makeNode("grand", b.get());
    CRefHandle<RecordingNode> great = makeNode("great", grand.get());
    const struct {
        const char* what;
        const char* name;
        int depth;
        BaseNode* expected;
    } cases[] = {
        {"direct child", "b", 1, b.get()},
        {"grandchild beyond depth 1", "grand", 1, nullptr},
        {"grandchild with unlimited -1", "grand", -1, grand.get()},
        {"grandchild with unlimited 0", "grand", 0, grand.get()},
        {"other negative depths mean direct only", "grand", -5, nullptr},
        {"depth 2 reaches grandchildren", "grand", 2, grand.get()},
        {"depth 2 stops before great-grandchildren", "great", 2, nullptr},
        {"depth 3", "great", 3, great.get()},
        {"a direct child wins over a deeper one", "twin", 0, twin.get()},
        {"missing", "none", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(root->findChild(CName(c.name), c.depth), c.expected);
    }
}

TEST(BaseNode, GetNodeAtTakesParentsFirstAndSkipsHiddenSubtrees) {
    CRefHandle<RecordingNode> root = makeNode("root");
    CRefHandle<RecordingNode> a = makeNode("a", root.get());
    CRefHandle<RecordingNode> aChild = makeNode("aChild", a.get());
    CRefHandle<RecordingNode> b = makeNode("b", root.get());
    const CVector3d point(1, 1, 0);
    EXPECT_EQ(root->getNodeAt(point), nullptr);
    b->hit = true;
    aChild->hit = true;
    EXPECT_EQ(root->getNodeAt(point), aChild.get()) << "children are tried first to last";
    a->hit = true;
    EXPECT_EQ(root->getNodeAt(point), a.get()) << "the parent before its child";
    a->setVisible(false);
    EXPECT_EQ(root->getNodeAt(point), b.get());
    a->setVisible(true);
    a->setCanBeHit(false);
    EXPECT_EQ(root->getNodeAt(point), b.get());
    root->hit = true;
    EXPECT_EQ(root->getNodeAt(point), root.get());
    root->setCanBeHit(false);
    EXPECT_EQ(root->getNodeAt(point), nullptr);
}

TEST(BaseNode, RoutesToChildrenLastFirstByMask) {
    CRefHandle<RecordingNode> root = makeNode("root");
    CRefHandle<RecordingNode> a = makeNode("a", root.get());
    CRefHandle<RecordingNode> b = makeNode("b", root.get());
    CRefHandle<RecordingNode> c = makeNode("c", root.get());
    b->setMask(CEvent::MaskKeyboard);
    CRefHandle<CEventClicked> clicked(new CEventClicked(nullptr));
    a->consume.insert(CEventClicked::TypeId);
    EXPECT_TRUE(root->routeToChildren(CEventReceiver::HandleOnly, clicked.get()));
    EXPECT_THAT(c->events, ElementsAre("66"));
    EXPECT_THAT(b->events, IsEmpty());
    EXPECT_THAT(a->events, ElementsAre("66"));

    c->consume.insert(CEventClicked::TypeId);
    EXPECT_TRUE(root->routeToChildren(CEventReceiver::HandleOnly, clicked.get()));
    EXPECT_EQ(a->events.size(), 1u) << "routing stops at the first child that consumes";

    EXPECT_FALSE(a->routeToChildren(CEventReceiver::HandleOnly, clicked.get()));
    root->setMask(CEvent::MaskSound);
    EXPECT_FALSE(a->routeToParent(CEventReceiver::HandleOnly, clicked.get()));
    root->setMask(BaseNode::NodeMask);
    EXPECT_FALSE(a->routeToParent(CEventReceiver::HandleOnly, clicked.get()));
    EXPECT_THAT(root->events, ElementsAre("66"));
}

TEST(BaseNode, DeferredPostsGoToTheManagersQueue) {
    TestManager* manager = new TestManager();
    CRefHandle<TestManager> keepManager(manager);
    CRefHandle<RecordingNode> parent(new RecordingNode("parent", nullptr, manager));
    CRefHandle<RecordingNode> child = makeNode("child", parent.get());
    CRefHandle<RecordingNode> loose = makeNode("loose");
    CRefHandle<CEventClicked> clicked(new CEventClicked(nullptr));

    child->postDeferred(clicked.get(), CEventReceiver::HandleThenParent);
    child->postDeferredToParent(clicked.get(), CEventReceiver::HandleOnly);
    loose->postDeferred(clicked.get(), CEventReceiver::HandleOnly);          // no manager
    parent->postDeferredToParent(clicked.get(), CEventReceiver::HandleOnly); // no parent
    child->setMask(CEvent::MaskGame);
    child->postDeferred(clicked.get(), CEventReceiver::HandleOnly); // mask does not match
    ASSERT_EQ(manager->queued.size(), 2u);
    EXPECT_EQ(manager->queued[0].receiver, static_cast<CEventReceiver*>(child.get()));
    EXPECT_EQ(manager->queued[0].phase, CEventReceiver::HandleThenParent);
    EXPECT_EQ(manager->queued[1].receiver, static_cast<CEventReceiver*>(parent.get()));
    EXPECT_EQ(clicked->referenceCount(), 3);

    // To any receiver, through the posting node's manager, checked against
    // the receiver's mask.
    manager->queued.clear();
    CRefHandle<RecordingNode> elsewhere = makeNode("elsewhere");
    child->postDeferred(elsewhere.get(), CEventReceiver::HandleThenChildren, clicked.get());
    loose->postDeferred(elsewhere.get(), CEventReceiver::HandleOnly, clicked.get()); // no manager
    parent->postDeferred(nullptr, CEventReceiver::HandleOnly, clicked.get());
    elsewhere->setMask(CEvent::MaskGame);
    parent->postDeferred(elsewhere.get(), CEventReceiver::HandleOnly, clicked.get()); // mask does not match
    ASSERT_EQ(manager->queued.size(), 1u);
    EXPECT_EQ(manager->queued[0].receiver, static_cast<CEventReceiver*>(elsewhere.get()));
    EXPECT_EQ(manager->queued[0].phase, CEventReceiver::HandleThenChildren);
}

TEST(BaseNode, CollectsRenderItemsAndDrawsAClippedGroupInsideItsScissor) {
    CRefHandle<RecordingNode> root = makeNode("root");
    CRefHandle<RecordingNode> group = makeNode("group", root.get());
    group->setChildrenClipped(true);
    group->setPosition(CVector3d(10.5f, 20.9f, 0));
    group->setBounds(CVector3d(200, 100, 0));
    const struct {
        const char* name;
        float z;
        uintptr_t texture;
    } sprites[] = {{"s1", 2, 5}, {"s2", 1, 9}, {"s3", 2, 3}};
    std::vector<std::string> order;
    std::vector<CRefHandle<RecordingNode>> nodes;
    for (const auto& sprite : sprites) {
        nodes.push_back(makeNode(sprite.name, group.get()));
        nodes.back()->drawable = true;
        nodes.back()->textureKey = sprite.texture;
        nodes.back()->setPosition(CVector3d(0, 0, sprite.z));
        nodes.back()->drawLog = &order;
    }
    CRefHandle<RecordingNode> plain = makeNode("plain", nodes[0].get());

    CArray<CRenderItem> list;
    root->registerForRendering(list);
    ASSERT_EQ(list.size(), 1u) << "a clipped group is one item";
    EXPECT_EQ(list[0].node, group.get());
    EXPECT_EQ(list[0].textureKey, 0u);
    EXPECT_FALSE(plain->isTransformDirty()) << "collection refreshes the whole dirty subtree";

    TestManager* manager = new TestManager();
    CRefHandle<TestManager> keepManager(manager);
    manager->depthSorting = true;
    root->setSceneManager(manager, nullptr);
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    using Call = CRecordingGraphicsDriver::Call;
    // A quad queued before the group is drawn before its scissor is set.
    const Material material;
    const std::array<CVector2d, 4> corners = {CVector2d(0, 0), CVector2d(1, 0), CVector2d(1, 1), CVector2d(0, 1)};
    driver->quadBatch()->addQuad(&material, corners, corners, 0.0f, CColor(0xFFFFFFFF));
    group->render(driver.get(), 0);
    EXPECT_THAT(order, ElementsAre("render s2", "render s3", "render s1")) << "by depth, then texture";
    EXPECT_THAT(driver->calls(),
                ElementsAre(Call::ApplyMaterial, Call::DrawPrimitives, Call::SetScissorRect, Call::EnableScissor,
                            Call::ApplyMaterial, Call::DrawPrimitives, Call::EnableScissor));
    const std::vector<const CRecordingGraphicsDriver::Record*> scissors = driver->recordsOf(Call::SetScissorRect);
    ASSERT_EQ(scissors.size(), 1u);
    EXPECT_EQ(scissors[0]->rect, CRectI(10, 20, 210, 120));
    const auto switches = driver->recordsOf(Call::EnableScissor);
    EXPECT_TRUE(switches[0]->flag);
    EXPECT_FALSE(switches[1]->flag);
    EXPECT_EQ(driver->recordsOf(Call::DrawPrimitives)[1]->primitiveCount, 6u)
        << "the group's three quads are drawn inside the scissor";

    order.clear();
    manager->depthSorting = false;
    group->render(driver.get(), 0);
    EXPECT_THAT(order, ElementsAre("render s1", "render s2", "render s3")) << "without sorting the order stays";

    driver->clearRecords();
    list.clear();
    group->setVisible(false);
    root->registerForRendering(list);
    EXPECT_EQ(list.size(), 0u);
    group->setVisible(true);
    group->removeAllChildren();
    root->registerForRendering(list);
    EXPECT_EQ(list.size(), 0u) << "a clipped group without children adds nothing";
    group->render(driver.get(), 0);
    EXPECT_THAT(driver->calls(), IsEmpty());
}

TEST(BaseNode, NestedClippedGroupsCutTheirRectanglesAndRestoreTheOuterScissor) {
    CRefHandle<RecordingNode> outer = makeNode("outer");
    outer->setChildrenClipped(true);
    outer->setPosition(CVector3d(10, 20, 0));
    CRefHandle<RecordingNode> before = makeNode("before", outer.get());
    CRefHandle<RecordingNode> inner = makeNode("inner", outer.get());
    inner->setChildrenClipped(true);
    inner->setPosition(CVector3d(50, 50, 0));
    CRefHandle<RecordingNode> deep = makeNode("deep", inner.get());
    CRefHandle<RecordingNode> after = makeNode("after", outer.get());
    for (RecordingNode* node : {before.get(), deep.get(), after.get()})
        node->drawable = true;
    outer->updateAbsoluteTransformation();

    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    outer->render(driver.get(), nullptr);
    using Call = CRecordingGraphicsDriver::Call;
    std::vector<CRectI> scissors;
    for (const auto* record : driver->recordsOf(Call::SetScissorRect))
        scissors.push_back(record->rect);
    EXPECT_THAT(scissors, ElementsAre(CRectI(10, 20, 110, 120), CRectI(60, 70, 110, 120), CRectI(10, 20, 110, 120)))
        << "the inner group is cut by the outer one, and the outer scissor comes back for the nodes after it";
    std::vector<bool> switches;
    for (const auto* record : driver->recordsOf(Call::EnableScissor))
        switches.push_back(record->flag);
    EXPECT_THAT(switches, ElementsAre(true, true, false)) << "only the outermost group switches the scissor off";

    ASSERT_TRUE(before->lastClip && deep->lastClip && after->lastClip);
    EXPECT_EQ(*before->lastClip, CRect(10, 20, 110, 120));
    EXPECT_EQ(*deep->lastClip, CRect(60, 70, 110, 120)) << "each node is handed the rectangle it is drawn in";
    EXPECT_EQ(*after->lastClip, CRect(10, 20, 110, 120));
    EXPECT_FALSE(outer->lastClip) << "nothing clips the outermost group";

    // A group wholly outside the one around it clips to nothing.
    inner->setPosition(CVector3d(500, 500, 0));
    outer->updateAbsoluteTransformation();
    driver->clearRecords();
    outer->render(driver.get(), nullptr);
    ASSERT_TRUE(deep->lastClip);
    EXPECT_EQ(deep->lastClip->width(), 0.0f);
    EXPECT_EQ(deep->lastClip->height(), 0.0f);
    EXPECT_EQ(driver->recordsOf(Call::SetScissorRect)[1]->rect, CRectI(510, 520, 510, 520));
}

TEST(BaseNode, ClippedGroupScissorSaturatesCornersOutOfRange) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* what;
        CVector3d position;
        CRectI expected;
        CVector3d scale = {1, 1, 1};
        float turn = 0.0f;
    } cases[] = {
        {"in range truncates", {10.9f, -20.9f, 0}, CRectI(10, -20, 110, 79)},
        {"far out saturates", {3e9f, -3e9f, 0}, CRectI(kMax, kMin, kMax, kMin)},
        {"not a number gives 0", {nan, 5, 0}, CRectI(0, 5, 0, 105)},
        {"mirrored keeps left of right", {200, 0, 0}, CRectI(100, 0, 200, 50), {-1, 0.5f, 1}},
        {"turned covers all four corners", {200.5f, 0.5f, 0}, CRectI(100, 0, 200, 100), {1, 1, 1}, 90.0f},
    };
    using Call = CRecordingGraphicsDriver::Call;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<RecordingNode> group = makeNode("group");
        group->setChildrenClipped(true);
        group->setPosition(c.position);
        group->setScale(c.scale);
        group->setRotation(CVector3d(0, 0, c.turn));
        CRefHandle<RecordingNode> sprite = makeNode("sprite", group.get());
        sprite->drawable = true;
        group->updateAbsoluteTransformation();
        CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
        group->render(driver.get(), 0);
        const auto scissors = driver->recordsOf(Call::SetScissorRect);
        ASSERT_EQ(scissors.size(), 1u);
        EXPECT_EQ(scissors[0]->rect, c.expected);
    }
}

TEST(BaseNode, WritesOnlyNonDefaultPropertiesAndReadsThemBack) {
    CRefHandle<RecordingNode> plain = makeNode();
    CRefHandle<CPropertyBag> empty(new CPropertyBag());
    plain->writeProperties(*empty);
    EXPECT_EQ(empty->getCount(), 0);

    CRefHandle<RecordingNode> node = makeNode("Panel");
    node->setVisible(false);
    node->setPosition(CVector3d(1, 2, 3));
    node->setRotation(CVector3d(0, 0, 45));
    node->setScale(CVector3d(2, 2, 1));
    node->setBounds(CVector3d(50, 60, 0));
    node->setPivotPoint(CVector2d(5, 6));
    node->setTintColor(CColor(0x80FF0000));
    node->setNodeLayout(0x12345600);
    node->setDefaultState(CName("Idle"));
    node->setChildrenClipped(true);
    node->setCanBeHit(false);
    node->setDebugDataVisible(true);
    CRefHandle<CPropertyBag> bag(new CPropertyBag());
    node->writeProperties(*bag);
    std::vector<std::string> names;
    for (int i = 0; i < bag->getCount(); ++i)
        names.push_back(bag->getNameAt(i).c_str());
    EXPECT_THAT(names,
                ElementsAre("Name", "Visible", "Position", "Rotation", "Scale", "Bounds", "PivotPoint", "TintColor",
                            "NodeLayout", "DefaultState", "ChildrenClipped", "CanBeHit", "DebugDataVisible"));
    EXPECT_EQ(bag->getString("Position"), CString("1;2;3"));
    EXPECT_EQ(bag->getString("TintColor"), CString("80ff0000"));
    EXPECT_EQ(bag->getInt("NodeLayout"), 0x12345600);

    CRefHandle<RecordingNode> copy = makeNode();
    copy->readProperties(*bag);
    EXPECT_FALSE(copy->isVisible());
    CRefHandle<CPropertyBag> again(new CPropertyBag());
    copy->writeProperties(*again);
    names.pop_back(); // DebugDataVisible is written but not read
    ASSERT_EQ(again->getCount(), int(names.size()));
    for (int i = 0; i < again->getCount(); ++i) {
        SCOPED_TRACE(names[size_t(i)]);
        EXPECT_EQ(again->getString(names[size_t(i)].c_str()), bag->getString(names[size_t(i)].c_str()));
    }
    EXPECT_TRUE(copy->isTransformDirty());

    // A value of the wrong kind stores the zero; an absent key keeps its field.
    CRefHandle<CPropertyBag> wrong(new CPropertyBag());
    wrong->setFloat("Visible", 1.0f);
    wrong->setInt("Position", 7);
    copy->setCanBeHit(true);
    copy->setVisible(true);
    copy->readProperties(*wrong);
    EXPECT_FALSE(copy->isVisible());
    EXPECT_TRUE(copy->getPosition().equals(CVector3d(0, 0, 0)));
    EXPECT_TRUE(copy->canBeHit());
}

TEST(BaseNode, PropertyTableDrivesTheFields) {
    const CPropertyTable& table = BaseNode::propertyTable();
    std::vector<std::string> names;
    for (int i = 0; i < table.getCount(); ++i)
        names.push_back(table.getAt(i).name.c_str());
    EXPECT_THAT(names, ElementsAre("Name", "Visible", "Position", "Rotation", "Scale", "Bounds", "PivotPoint",
                                   "TintColor", "AlignmentX", "AlignmentY", "AnchorX", "AnchorY", "SizePolicyX",
                                   "SizePolicyY", "DefaultState", "ChildrenClipped", "CanBeHit", "DebugDataVisible"));

    CRefHandle<RecordingNode> node = makeNode();
    node->updateAbsoluteTransformation();
    node->setProperty("AlignmentY", CRefHandle<IPropertyData>(CPropertyDataInt::create(2)));
    node->setProperty("AlignmentX", CRefHandle<IPropertyData>(CPropertyDataInt::create(-3)));
    node->setProperty("SizePolicyY", CRefHandle<IPropertyData>(CPropertyDataInt::create(0x1F)));
    EXPECT_EQ(node->getNodeLayout(), 0xD2000F00u);
    EXPECT_EQ(getPropertyInt(node->getProperty("AlignmentX")), -3);
    EXPECT_EQ(getPropertyInt(node->getProperty("AlignmentY")), 2);
    EXPECT_EQ(getPropertyInt(node->getProperty("SizePolicyY")), 15);

    node->setProperty("Visible", nullptr);
    EXPECT_FALSE(node->isVisible());
    node->setProperty("Name", CRefHandle<IPropertyData>(CPropertyDataFloat::create(1.5f)));
    EXPECT_EQ(node->getName(), CName("1.5"));
    node->setProperty("Position", CRefHandle<IPropertyData>(CPropertyDataBool::create(true)));
    EXPECT_TRUE(node->isTransformDirty());
    node->setProperty("visible", CRefHandle<IPropertyData>(CPropertyDataBool::create(true)));
    EXPECT_FALSE(node->isVisible()) << "names are case-sensitive";
}

TEST(BaseNode, CloneCopiesFieldsChildrenAndStates) {
    TestManager* manager = new TestManager();
    CRefHandle<TestManager> keepManager(manager);
    CRefHandle<RecordingNode> source(new RecordingNode("source", nullptr, manager));
    source->setPosition(CVector3d(5, 6, 7));
    source->setTintColor(CColor(0x11223344));
    source->setNodeLayout(0x00F00000);
    source->setUserData(manager);
    CRefHandle<RecordingNode> child = makeNode("child", source.get());
    CRefHandle<RecordingNode> grandchild = makeNode("grandchild", child.get());
    CRefHandle<CNodeState> idle = makeState("Idle");
    CRefHandle<SetProps> hide(new SetProps());
    hide->getProperties()->setBool("Visible", false);
    idle->addStartKey(hide.get());
    ASSERT_TRUE(source->addState(idle.get()));
    source->setDefaultState(CName("Idle"));

    CRefHandle<BaseNode> copy(static_cast<BaseNode*>(static_cast<IContent*>(source.get())->clone()));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->referenceCount(), 1);
    EXPECT_NE(dynamic_cast<RecordingNode*>(copy.get()), nullptr) << "the clone has the source's class";
    EXPECT_EQ(copy->getName(), CName("source"));
    EXPECT_TRUE(copy->getPosition().equals(CVector3d(5, 6, 7)));
    EXPECT_EQ(copy->getTintColor().value, 0x11223344u);
    EXPECT_EQ(copy->getNodeLayout(), 0x00F00000u);
    EXPECT_EQ(copy->getUserData(), nullptr);
    EXPECT_EQ(copy->getSceneManager<TestManager>(), manager);
    ASSERT_EQ(copy->getChildren().size(), 1u);
    BaseNode* childCopy = copy->getChildren()[0];
    EXPECT_NE(childCopy, child.get());
    EXPECT_EQ(childCopy->getName(), CName("child"));
    ASSERT_EQ(childCopy->getChildren().size(), 1u);
    EXPECT_EQ(childCopy->getChildren()[0]->getName(), CName("grandchild"));
    CNodeState* idleCopy = copy->findState(CName("Idle"));
    ASSERT_NE(idleCopy, nullptr);
    EXPECT_NE(idleCopy, idle.get());
    EXPECT_EQ(idleCopy->getNode(), copy.get());
    EXPECT_EQ(copy->getCurrentState(), idleCopy) << "the default state is set on the copy";
    EXPECT_FALSE(copy->isVisible());
    EXPECT_TRUE(source->isVisible());

    // With a parent the parent holds the clone and the caller gets no reference.
    CRefHandle<RecordingNode> holder = makeNode("holder");
    BaseNode* second = source->clone(holder.get(), nullptr);
    EXPECT_EQ(second->getParent(), holder.get());
    EXPECT_EQ(second->referenceCount(), 1);
}

TEST(BaseNode, SetStateFallsBackAndReportsMissingStates) {
    CRefHandle<RecordingNode> parent = makeNode("parent");
    CRefHandle<RecordingNode> node = makeNode("node", parent.get());
    CRefHandle<CNodeState> normal = makeState("Normal");
    ASSERT_TRUE(node->addState(normal.get()));
    EXPECT_FALSE(node->addState(makeState("Normal").get())) << "the first state of a name stays";

    node->setState(CName("Press"), &pressFallback, CName());
    EXPECT_EQ(node->getCurrentState(), normal.get());
    EXPECT_EQ(normal->getReportedId(), CName("Press")) << "the run reports under the asked name";
    EXPECT_THAT(node->events, ElementsAre("75:Press"));

    node->setState(CName("Hover"), &pressFallback, CName("Asked"));
    EXPECT_THAT(parent->events, ElementsAre("77:node:Asked", "79:node:Asked"));
    EXPECT_EQ(node->getCurrentState(), normal.get()) << "a missing state leaves the current one";

    parent->events.clear();
    node->setState(CName("A"), &circularFallback, CName());
    EXPECT_THAT(parent->events, ElementsAre("77:node:A", "79:node:A")) << "a circular fallback ends";

    parent->events.clear();
    node->setState(CName(), nullptr, CName());
    EXPECT_THAT(parent->events, IsEmpty());
}

TEST(BaseNode, ApplyStateRecursiveCompletesWhenEveryChildReported) {
    CRefHandle<RecordingNode> grandparent = makeNode("grandparent");
    CRefHandle<RecordingNode> node = makeNode("node", grandparent.get());
    CRefHandle<RecordingNode> a = makeNode("a", node.get());
    CRefHandle<RecordingNode> b = makeNode("b", node.get());
    CRefHandle<RecordingNode> c = makeNode("c", node.get());
    node->applyStateRecursive(CName("Show"), nullptr);
    EXPECT_THAT(node->events, ElementsAre("81:node:Show", "77:a:Show", "79:a:Show", "77:b:Show", "79:b:Show",
                                          "77:c:Show", "79:c:Show", "83:node:Show"));
    EXPECT_THAT(grandparent->events, ElementsAre("83:node:Show")) << "an unhandled 83 goes up";
    EXPECT_EQ(node->getPendingCount(CName("Show")), 0);

    // A leaf reports to itself at once.
    a->applyStateRecursive(CName("Show"), nullptr);
    EXPECT_THAT(a->events, ElementsAre("81:a:Show", "83:a:Show"));

    // A 79 from a node that is not a direct child is not counted.
    node->events.clear();
    CRefHandle<CNodeState> slow = makeState("Slow");
    CRefHandle<SetProps> never(new SetProps());
    slow->addKey(never.get());
    TestScene* scene = new TestScene();
    CRefHandle<TestScene> keepScene(scene);
    scene->setSceneManager(nullptr, scene);
    scene->addChild(node.get());
    ASSERT_TRUE(a->addState(slow.get()));
    node->applyStateRecursive(CName("Slow"), nullptr);
    EXPECT_EQ(node->getPendingCount(CName("Slow")), 1) << "a is still running";
    CRefHandle<RecordingNode> stranger = makeNode("stranger");
    CRefHandle<CEventNodeStateFinished> foreign(new CEventNodeStateFinished(stranger.get(), CName("Slow")));
    node->handleEvent(foreign.get());
    EXPECT_EQ(node->getPendingCount(CName("Slow")), 1) << "only direct children count";
    node->stopChildStates(false);
    EXPECT_EQ(a->getCurrentState(), nullptr);
    EXPECT_EQ(node->getPendingCount(CName("Slow")), 0) << "a stopped state counts as finished";
    EXPECT_EQ(node->events.back(), "83:node:Slow");
}

TEST(BaseNode, ReapplyingARunningStateCompletesOnlyWhenTheNewRunEnds) {
    TestScene* scene = new TestScene();
    CRefHandle<TestScene> keepScene(scene);
    scene->setSceneManager(nullptr, scene);
    CRefHandle<RecordingNode> node = makeNode("node", scene);
    CRefHandle<RecordingNode> a = makeNode("a", node.get());
    CRefHandle<RecordingNode> b = makeNode("b", node.get());
    for (RecordingNode* child : {a.get(), b.get()})
        ASSERT_TRUE(child->addState(makeTimedState("Appear", 100).get()));
    const CName appear("Appear");
    node->applyStateRecursive(appear, nullptr);
    runScheduler(scene->scheduler.get(), 10, 5); // halfway
    node->events.clear();

    node->applyStateRecursive(appear, nullptr);
    EXPECT_EQ(node->getPendingCount(appear), 2) << "the stopped runs of the first application are not counted";
    EXPECT_THAT(node->events, Not(Contains("83:node:Appear")));
    runScheduler(scene->scheduler.get(), 10, 9);
    EXPECT_THAT(node->events, Not(Contains("83:node:Appear"))) << "the new runs are still going";
    runScheduler(scene->scheduler.get(), 10, 1);
    EXPECT_EQ(std::count(node->events.begin(), node->events.end(), "83:node:Appear"), 1)
        << "once, when the new runs end";
    EXPECT_EQ(node->getPendingCount(appear), 0);
}

TEST(BaseNode, FinishedStateFollowsNextStateUnlessTheParentTakesTheReport) {
    TestScene* scene = new TestScene();
    CRefHandle<TestScene> keepScene(scene);
    scene->setSceneManager(nullptr, scene);
    CRefHandle<RecordingNode> node = makeNode("node", scene);
    ASSERT_TRUE(node->addState(makeState("First", "Second").get()));
    ASSERT_TRUE(node->addState(makeState("Second").get()));
    node->setState(CName("First"), nullptr, CName());
    EXPECT_EQ(node->getCurrentState(), node->findState(CName("Second")));
    EXPECT_THAT(scene->events, ElementsAre("79:node:First", "79:node:Second"));

    scene->events.clear();
    scene->consume.insert(79);
    node->setState(CName("First"), nullptr, CName());
    EXPECT_EQ(node->getCurrentState(), node->findState(CName("First")));
    EXPECT_THAT(scene->events, ElementsAre("79:node:First"));
}

TEST(BaseNode, StatesThatFollowEachOtherInALoopWithoutTimeStop) {
    TestScene* parent = new TestScene();
    CRefHandle<TestScene> keepParent(parent);
    parent->setSceneManager(nullptr, parent);
    CRefHandle<RecordingNode> node = makeNode("node", parent);
    ASSERT_TRUE(node->addState(makeState("Ping", "Pong").get()));
    ASSERT_TRUE(node->addState(makeState("Pong", "Ping").get()));
    ASSERT_TRUE(node->addState(makeState("Self", "Self").get()));
    LogCapture log;
    node->setState(CName("Ping"), nullptr, CName());
    EXPECT_EQ(log.count("WRN: Node states follow each other in a loop without time passing: "), 1u);
    EXPECT_LE(parent->events.size(), 8u);
    node->setState(CName("Self"), nullptr, CName());
    EXPECT_EQ(log.count("WRN: Node states follow each other in a loop without time passing: Self"), 1u);
    EXPECT_EQ(node->getCurrentState(), node->findState(CName("Self")));
}

TEST(BaseNode, EnteringASceneAppliesTheDefaultStateOnItsScheduler) {
    TestScene* scene = new TestScene();
    CRefHandle<TestScene> keepScene(scene);
    CRefHandle<RecordingNode> node = makeNode("node");
    CRefHandle<CNodeState> idle = makeState("Idle");
    CRefHandle<SetProps> never(new SetProps());
    idle->addKey(never.get());
    ASSERT_TRUE(node->addState(idle.get()));
    node->setDefaultState(CName("Idle"));
    scene->addChild(node.get());
    EXPECT_EQ(node->getCurrentState(), nullptr) << "no owner scene yet";
    scene->setSceneManager(nullptr, scene);
    EXPECT_EQ(node->getOwnerScene<TestScene>(), scene);
    EXPECT_EQ(node->getCurrentState(), idle.get());
    EXPECT_EQ(idle->getPending(), 1) << "the main key runs on the scene's scheduler";
    EXPECT_EQ(never->getScheduler(), scene->scheduler.get());
    node->releaseStates();
    EXPECT_EQ(node->getCurrentState(), nullptr);
    EXPECT_EQ(idle->getNode(), nullptr);
    EXPECT_EQ(never->getTarget(), nullptr);
}

TEST(BaseNode, ParentDroppingAChildOnItsReportLeavesTheChildAliveUntilTheCallEnds) {
    enum Operation { SetState, ApplyDefaultState, CopyChildrenAndStates, SetStatesKey };
    const struct {
        const char* what;
        Operation operation;
    } cases[] = {
        {"setState", SetState},
        {"applyDefaultState", ApplyDefaultState},
        {"copyChildrenAndStates", CopyChildrenAndStates},
        {"a SetStates key naming the child", SetStatesKey},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DroppingParent* parent = new DroppingParent();
        CRefHandle<DroppingParent> keepParent(parent);
        parent->setSceneManager(nullptr, parent);
        // The parent holds the child's only reference.
        RecordingNode* child = new RecordingNode("child", parent);
        child->release();
        bool destroyed = false;
        watchDestruction(child, &destroyed);
        ASSERT_TRUE(child->addState(makeEndlessState("Busy").get()));
        ASSERT_TRUE(child->addState(makeState("Other").get()));
        child->setState(CName("Busy"), nullptr, CName());
        ASSERT_EQ(child->getCurrentState()->getPending(), 1);

        // Stopping Busy reports 79; the parent drops the child while the
        // operation still runs on it.
        switch (c.operation) {
        case SetState:
            child->setState(CName("Other"), nullptr, CName());
            break;
        case ApplyDefaultState:
            child->setDefaultState(CName("Other"));
            child->applyDefaultState();
            break;
        case CopyChildrenAndStates: {
            CRefHandle<RecordingNode> source = makeNode("source");
            child->setDefaultState(CName("Other"));
            BaseNode::copyChildrenAndStates(source.get(), child);
            break;
        }
        case SetStatesKey: {
            CRefHandle<SetStates> key(new SetStates());
            SetStates::Record record;
            record.state = CName("Other");
            record.children.push_back(CName("child"));
            key->addRecord(record);
            key->setTarget(parent);
            key->apply(0, true);
            break;
        }
        }
        EXPECT_THAT(parent->events, ElementsAre("79:child:Busy"));
        EXPECT_TRUE(parent->getChildren().empty());
        EXPECT_TRUE(destroyed) << "released once the call is over";
    }
}

TEST(BaseNode, NodesLeavingTheirParentInsideTheirOwnHandlersLiveUntilTheEventIsDone) {
    // A node that leaves when its own state starts (75, sent by the state).
    TestScene* scene = new TestScene();
    CRefHandle<TestScene> keepScene(scene);
    scene->setSceneManager(nullptr, scene);
    LeavingNode* starter = new LeavingNode("starter", scene, 75);
    starter->release();
    bool starterDestroyed = false;
    watchDestruction(starter, &starterDestroyed);
    ASSERT_TRUE(starter->addState(makeState("Idle").get()));
    starter->setState(CName("Idle"), nullptr, CName());
    EXPECT_TRUE(starterDestroyed);
    EXPECT_TRUE(scene->getChildren().empty());

    // A parent that leaves its own parent when a child reports (79, routed
    // up from the child).
    LeavingNode* middle = new LeavingNode("middle", scene, 79);
    middle->release();
    bool middleDestroyed = false;
    watchDestruction(middle, &middleDestroyed);
    CRefHandle<RecordingNode> child = makeNode("child", middle);
    child->setState(CName("Missing"), nullptr, CName());
    EXPECT_TRUE(middleDestroyed);
    EXPECT_EQ(child->getParent(), nullptr) << "the destroyed parent let its children go";
}

TEST(BaseNode, StopCurrentStateStopsAndClearsWithoutApplyingTheDefault) {
    TestScene* scene = new TestScene();
    CRefHandle<TestScene> keepScene(scene);
    CRefHandle<RecordingNode> node = makeNode("node", scene);
    ASSERT_TRUE(node->addState(makeEndlessState("Idle").get()));
    node->setDefaultState(CName("Idle"));
    scene->setSceneManager(nullptr, scene);
    CNodeState* idle = node->findState(CName("Idle"));
    ASSERT_EQ(node->getCurrentState(), idle);
    ASSERT_EQ(idle->getPending(), 1);

    node->events.clear();
    node->stopCurrentState(true);
    EXPECT_EQ(node->getCurrentState(), nullptr) << "DefaultState is not applied again";
    EXPECT_EQ(idle->getPending(), 0);
    EXPECT_THAT(node->events, ElementsAre("76:Idle:stopped"));
    EXPECT_THAT(scene->events, ElementsAre("79:node:Idle"));

    node->events.clear();
    node->stopCurrentState(false);
    EXPECT_THAT(node->events, IsEmpty()) << "nothing current, nothing to stop";
}
