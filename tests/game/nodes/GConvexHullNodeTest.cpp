#include "game/nodes/GConvexHullNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteNode.h"
#include "game/nodes/GRectangleNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

using Points = std::vector<std::pair<float, float>>;

CArray<CVector3d> toArray(const Points& points) {
    CArray<CVector3d> result;
    for (const auto& [x, y] : points)
        result.push_back({x, y, 0.0f});
    return result;
}

Points toPoints(const CArray<CVector3d>& points) {
    Points result;
    for (const CVector3d& p : points)
        result.emplace_back(p.x, p.y);
    return result;
}

CArray<BaseNode*> nodes(std::initializer_list<BaseNode*> list) {
    CArray<BaseNode*> result;
    for (BaseNode* node : list)
        result.push_back(node);
    return result;
}

std::vector<BaseNode*> elementsOf(const GConvexHullNode& hull) {
    const CArray<BaseNode*>& children = hull.getElementHolder()->getChildren();
    return std::vector<BaseNode*>(children.begin(), children.end());
}

// A building place of `width` x `height` with its top-left corner at (x, y).
CRefHandle<BaseNode> place(float x, float y, float width, float height) {
    CRefHandle<BaseNode> node(new BaseNode(CObjectName(), nullptr, nullptr));
    node->setPivotPoint({width / 2, height / 2});
    node->setPosition({x + width / 2, y + height / 2, 0.0f});
    node->setBounds({width, height, 0.0f});
    return node;
}

// A hull as a scene file makes it: its template child, then onLoaded.
template <class Element = SpriteNode> CRefHandle<GConvexHullNode> loadedHull() {
    CRefHandle<GConvexHullNode> hull(new GConvexHullNode(CObjectName(), nullptr, nullptr));
    BaseNode* element = new Element(CObjectName(), hull.get(), nullptr);
    element->setName(CName("HullElement"));
    element->release();
    hull->onLoaded();
    return hull;
}

} // namespace

TEST(GConvexHullNode, GrahamScanKeepsTheCornersAndDropsInnerAndCollinearPoints) {
    const struct {
        const char* what;
        Points points;
        Points hull;
    } cases[] = {
        {"rectangle", {{0, 0}, {60, 40}, {60, 0}, {0, 40}}, {{0, 0}, {60, 0}, {60, 40}, {0, 40}}},
        {"inner and edge points",
         {{0, 0}, {60, 40}, {30, 20}, {60, 0}, {30, 40}, {0, 40}},
         {{0, 0}, {60, 0}, {60, 40}, {0, 40}}},
        {"triangle", {{0, 0}, {100, 100}, {50, -50}}, {{0, 0}, {50, -50}, {100, 100}}},
        {"two points", {{0, 0}, {1, 1}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(toPoints(GConvexHullNode::convexHull(toArray(c.points))), c.hull);
    }
}

TEST(GConvexHullNode, MarginCornersComeOnlyFromDiagonalEdgesAroundTheCentre) {
    const struct {
        const char* what;
        Points outline;
        CVector3d centre;
        Points result;
    } cases[] = {
        {"axis-aligned rectangle", {{0, 0}, {60, 0}, {60, 40}, {0, 40}}, {30, 20, 0}, {{0, 0}, {60, 0}, {60, 40}, {0, 40}}},
        // The edge from (0, 100) up to (100, 0) runs at 45 degrees: a corner
        // (q.x - d, r.y - d) follows it; the edge down to (200, 100) runs at
        // 315: (r.x + d, q.y - d); the flat closing edge gets none.
        {"both diagonals",
         {{0, 100}, {100, 0}, {200, 100}},
         {100, 90, 0},
         {{0, 100}, {80, 80}, {100, 0}, {120, 80}, {200, 100}}},
        {"a corner that would leave the centre outside is dropped",
         {{0, 100}, {100, 0}, {200, 100}},
         {60, 60, 0},
         {{0, 100}, {100, 0}, {120, 80}, {200, 100}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CArray<CVector3d> outline = toArray(c.outline);
        GConvexHullNode::addMarginCorners(outline, c.centre, 20.0f);
        EXPECT_EQ(toPoints(outline), c.result);
    }
}

TEST(GConvexHullNode, SimplificationDropsShortDetoursButNeverBelowAQuad) {
    const struct {
        const char* what;
        Points outline;
        Points result;
    } cases[] = {
        {"point on a straight edge", {{0, 0}, {30, 0}, {60, 0}, {60, 40}, {0, 40}}, {{0, 0}, {60, 0}, {60, 40}, {0, 40}}},
        {"slight bend", {{0, 0}, {30, 1}, {60, 0}, {60, 40}, {0, 40}}, {{0, 0}, {60, 0}, {60, 40}, {0, 40}}},
        {"a real corner stays", {{0, 0}, {60, 0}, {60, 40}, {0, 40}}, {{0, 0}, {60, 0}, {60, 40}, {0, 40}}},
        {"a triangle is never simplified", {{0, 0}, {30, 0}, {60, 0}}, {{0, 0}, {30, 0}, {60, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CArray<CVector3d> outline = toArray(c.outline);
        GConvexHullNode::simplify(outline, 10.0f);
        EXPECT_EQ(toPoints(outline), c.result);
    }
}

TEST(GConvexHullNode, TangentAnglesCoverTheAxesAndEveryQuadrant) {
    const struct {
        float x, y, angle;
    } cases[] = {{0, -1, 270}, {0, 1, 90}, {0, 0, 90},     {-1, 0, 180},  {1, 0, 0},
                 {1, 1, 45},   {-1, 1, 135}, {-1, -1, 225}, {1, -1, 315}, {2, 1, 26.565051f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        EXPECT_NEAR(GConvexHullNode::tangentAngle(c.x, c.y), c.angle, 1e-4f);
    }
    EXPECT_TRUE(GConvexHullNode::contains(toArray({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), 5, 5));
    EXPECT_FALSE(GConvexHullNode::contains(toArray({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), 15, 5));
    EXPECT_FALSE(GConvexHullNode::contains(toArray({{0, 0}, {10, 10}}), 5, 5));
}

TEST(GConvexHullNode, OnLoadedHidesTheTemplateAndMakesAnUnsavedHolder) {
    CRefHandle<GConvexHullNode> hull = loadedHull();
    const BaseNode* element = hull->findChild(CName("HullElement"), 1);
    ASSERT_NE(element, nullptr);
    EXPECT_FALSE(element->isVisible());
    BaseNode* holder = hull->getElementHolder();
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->getName(), CName("HullElementsHolder"));
    EXPECT_EQ(holder->getParent(), hull.get());
    EXPECT_TRUE(holder->isNotSerialised());
    EXPECT_FALSE(holder->canBeHit());

    // A copy gets one holder of its own, not the source's as well.
    CRefHandle<BaseNode> copy(hull->clone(nullptr, nullptr));
    ASSERT_TRUE(copy);
    const auto* copied = nodeCast<GConvexHullNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copy->getChildren().size(), 2u);
    ASSERT_NE(copied->getElementHolder(), nullptr);
    EXPECT_EQ(copied->getElementHolder()->getParent(), copy.get());
}

TEST(GConvexHullNode, ARectangleGetsEvenlySpacedBatchedElementsAroundItsWidenedOutline) {
    CRefHandle<GConvexHullNode> hull = loadedHull();
    CRefHandle<BaseNode> owner = place(100, 50, 60, 40);
    hull->setPosition({7, 7, 0});
    hull->buildAround(nodes({owner.get()}), owner.get());
    EXPECT_EQ(hull->getPosition().x, 0.0f);
    EXPECT_EQ(hull->getPosition().y, 0.0f);

    const CArray<BaseNode*>& elements = hull->getElementHolder()->getChildren();
    ASSERT_GT(elements.size(), 8u);
    float z = 800.123f;
    for (uint32_t i = 0; i < elements.size(); ++i) {
        SCOPED_TRACE(i);
        const auto* sprite = nodeCast<SpriteNode>(elements[i]);
        ASSERT_NE(sprite, nullptr);
        EXPECT_TRUE(sprite->isVisible());
        EXPECT_FALSE(sprite->canBeHit());
        EXPECT_TRUE(sprite->isBatched());
        EXPECT_FLOAT_EQ(sprite->getPosition().z, z);
        z += 0.001f;
        // In the owner's top-left coordinates, near the rectangle's border:
        // no margin corners for an axis-aligned rectangle, only the curve's
        // rounding at the corners.
        const CVector3d& p = sprite->getPosition();
        const float outside = std::hypot(std::max({-p.x, p.x - 60.0f, 0.0f}), std::max({-p.y, p.y - 40.0f, 0.0f}));
        const float inside = std::min({p.x, 60.0f - p.x, p.y, 40.0f - p.y});
        EXPECT_LT(outside, 8.0f) << p.x << ", " << p.y;
        EXPECT_LT(inside, 1.0f) << p.x << ", " << p.y;
    }
    // The first element stands at the outline's first corner, the top-left
    // one; along the middle of each edge the elements turn with the outline.
    EXPECT_EQ(elements[0]->getPosition().x, 0.0f);
    EXPECT_EQ(elements[0]->getPosition().y, 0.0f);
    int turned = 0;
    for (const BaseNode* element : elements) {
        const CVector3d& p = element->getPosition();
        const float angle = element->getRotation().z;
        if (p.x > 20 && p.x < 40 && p.y < 5) {
            EXPECT_TRUE(angle < 10 || angle > 350) << "top edge: " << angle;
            ++turned;
        } else if (p.x > 20 && p.x < 40 && p.y > 35) {
            EXPECT_NEAR(angle, 180, 10) << "bottom edge";
            ++turned;
        }
    }
    EXPECT_GE(turned, 2);
}

TEST(GConvexHullNode, ANewOutlineReusesTheElementsAndADegenerateOneKeepsThem) {
    CRefHandle<GConvexHullNode> hull = loadedHull();
    CRefHandle<BaseNode> owner = place(0, 0, 60, 40);
    CRefHandle<BaseNode> neighbour = place(80, 0, 60, 40);
    hull->buildAround(nodes({owner.get(), neighbour.get()}), owner.get());
    const std::vector<BaseNode*> around = elementsOf(*hull);
    ASSERT_GT(around.size(), 10u);
    // One outline around both: elements reach the neighbour's far side.
    float right = 0.0f;
    for (const BaseNode* element : around)
        right = std::max(right, element->getPosition().x);
    EXPECT_GT(right, 139.0f);

    hull->buildAround(nodes({owner.get()}), owner.get());
    const std::vector<BaseNode*> alone = elementsOf(*hull);
    ASSERT_LT(alone.size(), around.size());
    for (uint32_t i = 0; i < alone.size(); ++i)
        EXPECT_EQ(alone[i], around[i]) << "element " << i << " reused";
    const std::vector<BaseNode*> kept = alone;

    // Zero-size places on one line give no outline: the elements stay.
    CRefHandle<BaseNode> a = place(0, 0, 0, 0);
    CRefHandle<BaseNode> b = place(50, 0, 0, 0);
    hull->buildAround(nodes({a.get(), b.get()}), owner.get());
    EXPECT_EQ(elementsOf(*hull), kept);
    hull->buildAround(nodes({}), owner.get());
    hull->buildAround(nodes({owner.get()}), nullptr);
    EXPECT_EQ(elementsOf(*hull), kept);
}

TEST(GConvexHullNode, ATemplateOfAnotherClassIsClonedWithoutTheBatchedFlag) {
    CRefHandle<GConvexHullNode> hull = loadedHull<GRectangleNode>();
    CRefHandle<BaseNode> owner = place(0, 0, 60, 40);
    hull->buildAround(nodes({owner.get()}), owner.get());
    const CArray<BaseNode*>& elements = hull->getElementHolder()->getChildren();
    ASSERT_FALSE(elements.empty());
    for (const BaseNode* element : elements)
        EXPECT_NE(nodeCast<GRectangleNode>(element), nullptr);

    // Without a template nothing is built.
    CRefHandle<GConvexHullNode> bare(new GConvexHullNode(CObjectName(), nullptr, nullptr));
    bare->onLoaded();
    bare->buildAround(nodes({owner.get()}), owner.get());
    EXPECT_TRUE(bare->getElementHolder()->getChildren().empty());
}

TEST(GConvexHullNode, NothingIsDrawnWhileTheTintIsNearlyTransparent) {
    CRefHandle<GConvexHullNode> hull = loadedHull<GRectangleNode>();
    CRefHandle<BaseNode> owner = place(0, 0, 60, 40);
    hull->buildAround(nodes({owner.get()}), owner.get());
    const struct {
        uint32_t tint;
        bool visible;
        bool drawn;
    } cases[] = {{0x0AFFFFFFu, true, false}, {0x0BFFFFFFu, true, true}, {0xFFFFFFFFu, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tint);
        hull->setTintColor(CColor(c.tint));
        hull->setVisible(c.visible);
        CArray<CRenderItem> items;
        hull->registerForRendering(items);
        EXPECT_EQ(!items.empty(), c.drawn);
    }
}
