#include "engine/core/CRefHandle.h"
#include "engine/core/MathUtils.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyTable.h"
#include "game/nodes/GEllipseFan.h"
#include "game/nodes/GEllipseProgressBarNode.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Call = CRecordingGraphicsDriver::Call;

template <class T> CRefHandle<T> makeNode(float x, float y, float width, float height) {
    CRefHandle<T> node(new T(CObjectName(), nullptr, nullptr));
    node->setPosition(CVector3d(x, y, 0.0f));
    node->setBounds(CVector3d(width, height, 0.0f));
    node->updateAbsoluteTransformation();
    node->updateAbsoluteColor();
    return node;
}

// The fan's arc vertices as whole degrees, read back from their positions
// around the centre (vertex 0) on an ellipse of radii rx and ry.
std::vector<int> arcDegrees(const std::vector<BatchVertex>& fan, float rx, float ry) {
    std::vector<int> degrees;
    const BatchVertex& centre = fan[0];
    for (size_t i = 1; i < fan.size(); ++i) {
        const float s = (fan[i].x - centre.x) / rx;
        const float c = (centre.y - fan[i].y) / ry;
        int d = int(std::lround(std::atan2(s, c) * kRadToDeg));
        degrees.push_back(d < 0 ? d + 360 : d);
    }
    return degrees;
}

std::vector<BatchVertex> drawnFan(BaseNode& node) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    node.render(driver.get(), nullptr);
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    if (draws.empty())
        return {};
    EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::TriangleFan);
    EXPECT_EQ(draws[0]->primitiveCount, draws[0]->vertexCount - 2);
    EXPECT_TRUE(driver->recordsOf(Call::SetMatrix).back()->matrix.identityHint());
    return draws[0]->vertices;
}

} // namespace

TEST(GEllipseSectorNode, FanStepsByWholeDegreesFromTheTopClockwise) {
    const struct {
        const char* what;
        int angle1;
        int angle2;
        int maxVertices;
        std::vector<int> degrees;
    } cases[] = {
        {"quarter steps", 0, 360, 4, {0, 90, 180, 270, 0}},
        {"32 steps truncate to whole degrees", 0, 46, 32, {0, 11, 22, 33, 45, 46}},
        {"below 1 counts as 32", 0, 23, 0, {0, 11, 22, 23}},
        {"negative count as 32", 0, 23, -5, {0, 11, 22, 23}},
        {"negative angles wrap", -90, 0, 4, {270, 0}},
        {"angles past a turn wrap", 400, 420, 4, {40, 60}},
        {"lower-right quarter", 90, 180, 4, {90, 180}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto node = makeNode<GEllipseSectorNode>(10.0f, 20.0f, 100.0f, 60.0f);
        node->setAngle1(c.angle1);
        node->setAngle2(c.angle2);
        node->setMaxVerticesCount(c.maxVertices);
        const auto fan = drawnFan(*node);
        ASSERT_FALSE(fan.empty());
        EXPECT_FLOAT_EQ(fan[0].x, 60.0f);
        EXPECT_FLOAT_EQ(fan[0].y, 50.0f);
        EXPECT_EQ(arcDegrees(fan, 50.0f, 30.0f), c.degrees);
    }
}

TEST(GEllipseSectorNode, QuarterFromNinetyToOneEightyLiesRightAndBelowTheCentre) {
    auto node = makeNode<GEllipseSectorNode>(0.0f, 0.0f, 40.0f, 20.0f);
    node->setAngle1(90);
    node->setAngle2(180);
    node->setFillColor(CColor(0xFF00FF00u));
    node->setTintColor(CColor(0x80FFFFFFu));
    node->updateAbsoluteColor();
    const auto fan = drawnFan(*node);
    ASSERT_EQ(fan.size(), 10u) << "the centre, eight steps from 90 and the end at 180";
    for (const BatchVertex& v : fan) {
        EXPECT_GE(v.x, 20.0f - 1e-4f);
        EXPECT_GE(v.y, 10.0f - 1e-4f);
        EXPECT_EQ(v.color.alpha(), 0x80u) << "fill modulated by the tint";
    }
    EXPECT_NEAR(fan[1].x, 40.0f, 1e-4f);
    EXPECT_NEAR(fan.back().y, 20.0f, 1e-4f);
}

TEST(GEllipseProgressBarNode, EmptyFullAndDegenerateBars) {
    auto bar = makeNode<GEllipseProgressBarNode>(0.0f, 0.0f, 50.0f, 50.0f);
    bar->setValue(0.0f);
    EXPECT_TRUE(drawnFan(*bar).empty()) << "at MinValue";
    bar->setValue(100.0f);
    const auto full = drawnFan(*bar);
    ASSERT_EQ(full.size(), 34u);
    EXPECT_FLOAT_EQ(full[1].x, full.back().x) << "a full ellipse closes at the top";
    EXPECT_FLOAT_EQ(full[1].y, full.back().y);
    bar->setValue(25.0f);
    EXPECT_EQ(arcDegrees(drawnFan(*bar), 25.0f, 25.0f), (std::vector<int>{0, 11, 22, 33, 45, 56, 67, 78, 90}));

    // Values as read from a scene file are not clamped: a range that is
    // empty or reversed draws nothing.
    for (float max : {25.0f, 10.0f}) {
        CRefHandle<CPropertyBag> bag(new CPropertyBag);
        bag->setFloat("MinValue", 25.0f);
        bag->setFloat("MaxValue", max);
        bag->setFloat("Value", 30.0f);
        bar->readProperties(*bag);
        EXPECT_TRUE(drawnFan(*bar).empty()) << max;
    }
}

TEST(GEllipseNodes, TransparentOrHiddenNodesStayOutOfTheRenderList) {
    auto sector = makeNode<GEllipseSectorNode>(0.0f, 0.0f, 10.0f, 10.0f);
    auto bar = makeNode<GEllipseProgressBarNode>(0.0f, 0.0f, 10.0f, 10.0f);
    for (BaseNode* node : {static_cast<BaseNode*>(sector.get()), static_cast<BaseNode*>(bar.get())}) {
        CArray<CRenderItem> shown;
        node->registerForRendering(shown);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].node, node);
        node->setTintColor(CColor(0x00FFFFFFu));
        CArray<CRenderItem> transparent;
        node->registerForRendering(transparent);
        EXPECT_EQ(transparent.size(), 0u);
        node->setTintColor(CColor(0xFFFFFFFFu));
        node->setVisible(false);
        CArray<CRenderItem> hidden;
        node->registerForRendering(hidden);
        EXPECT_EQ(hidden.size(), 0u);
    }
}

TEST(GEllipseNodes, SceneFilesHoldWhatDiffersAndReadBack) {
    auto sector = makeNode<GEllipseSectorNode>(0.0f, 0.0f, 10.0f, 10.0f);
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    sector->writeProperties(*bag);
    for (const char* key : {"FillColor", "Angle1", "Angle2", "MaxVerticesCount"})
        EXPECT_LT(bag->indexOf(key), 0) << key;

    sector->setFillColor(CColor(0xFF102030u));
    sector->setAngle1(-30);
    sector->setAngle2(200);
    sector->setMaxVerticesCount(12);
    bag->clear();
    sector->writeProperties(*bag);
    auto read = makeNode<GEllipseSectorNode>(0.0f, 0.0f, 1.0f, 1.0f);
    read->readProperties(*bag);
    EXPECT_EQ(read->getFillColor(), CColor(0xFF102030u));
    EXPECT_EQ(read->getAngle1(), -30);
    EXPECT_EQ(read->getAngle2(), 200);
    EXPECT_EQ(read->getMaxVerticesCount(), 12);
    CRefHandle<BaseNode> copy(read->clone(nullptr, nullptr));
    const auto* copied = nodeCast<GEllipseSectorNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->getAngle2(), 200);

    auto bar = makeNode<GEllipseProgressBarNode>(0.0f, 0.0f, 10.0f, 10.0f);
    bar->setFillColor(CColor(0xFFFF0000u));
    bar->setMaxVerticesCount(8);
    bag->clear();
    bar->writeProperties(*bag);
    auto barRead = makeNode<GEllipseProgressBarNode>(0.0f, 0.0f, 1.0f, 1.0f);
    barRead->readProperties(*bag);
    EXPECT_EQ(barRead->getFillColor(), CColor(0xFFFF0000u));
    EXPECT_EQ(barRead->getMaxVerticesCount(), 8);
    EXPECT_LT(barRead->getPropertyTable().indexOf("MaxVerticesCount"), 0) << "scene files only";
    EXPECT_GE(barRead->getPropertyTable().indexOf("FillColor"), 0);
    EXPECT_TRUE(barRead->isKindOf(15) && barRead->isKindOf(5) && !barRead->isKindOf(16));
}

TEST(GEllipseFan, WholeDegreeSinesWrapBothWays) {
    EXPECT_FLOAT_EQ(wholeDegreeSine(360), 0.0f);
    EXPECT_FLOAT_EQ(wholeDegreeSine(-90), -1.0f);
    EXPECT_FLOAT_EQ(wholeDegreeCosine(360), 1.0f);
    EXPECT_FLOAT_EQ(wholeDegreeCosine(-180), -1.0f);
    EXPECT_FLOAT_EQ(wholeDegreeCosine(270), sineTable()[0]);
}
