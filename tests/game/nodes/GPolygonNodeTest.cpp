#include "game/nodes/GPolygonNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/PropertyValues.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using Call = CRecordingGraphicsDriver::Call;

CRefHandle<GPolygonNode> makePolygon(const char* vertices) {
    CRefHandle<GPolygonNode> node(new GPolygonNode(CObjectName(), nullptr, nullptr));
    node->setVerticesText(CString(vertices));
    node->updateAbsoluteTransformation();
    node->updateAbsoluteColor();
    return node;
}

std::string text(const GPolygonNode& node) { return node.getVerticesText().c_str(); }

} // namespace

TEST(GPolygonNode, EvenOddTestWithItsBoxAndEdges) {
    auto square = makePolygon("0;0,100;0,100;100,0;100");
    auto notch = makePolygon("0;0,100;0,100;100,50;50,0;100");
    const struct {
        const char* what;
        GPolygonNode* node;
        float x, y;
        bool inside;
    } cases[] = {
        {"centre", square.get(), 50, 50, true},
        {"right of the box", square.get(), 150, 50, false},
        {"on the right edge", square.get(), 100, 50, false},
        {"on the left edge", square.get(), 0, 50, true},
        {"above the box", square.get(), 50, -1, false},
        {"in the notch", notch.get(), 50, 80, false},
        {"beside the notch", notch.get(), 10, 80, true},
        {"at maxX beside the notch", notch.get(), 100, 80, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.node->containsPoint(c.x, c.y), c.inside);
    }
    EXPECT_FALSE(makePolygon("0;0,100;100")->containsPoint(50, 50)) << "two vertices contain nothing";
}

TEST(GPolygonNode, OptimizeDropsSmallDetoursButKeepsATriangle) {
    const struct {
        const char* vertices;
        float tolerance;
        const char* result;
    } cases[] = {
        {"0;0,50;0,100;0,100;100,0;100", 1.0f, "0;0,100;0,100;100,0;100"},
        {"0;0,50;0,100;0,100;100,0;100", 100.0f, "0;0,100;100,0;100"},
        {"0;0,10;0,10;10", 1000.0f, "0;0,10;0,10;10"},
        {"0;0,30;1,60;0,60;60,0;60", 0.01f, "0;0,30;1,60;0,60;60,0;60"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vertices);
        auto node = makePolygon(c.vertices);
        node->optimize(c.tolerance);
        EXPECT_EQ(text(*node), c.result);
    }
    // The property is a command: writing false optimises too, reading is off.
    auto node = makePolygon("0;0,50;0,100;0,100;100,0;100");
    node->setProperty("OptimizePolygon", CPropertyDataBool::create(false));
    EXPECT_EQ(text(*node), "0;0,100;0,100;100,0;100");
    node->setProperty("OptimizePolygon", CPropertyDataBool::create(true));
    EXPECT_FALSE(getPropertyBool(node->getProperty("OptimizePolygon")));
}

TEST(GPolygonNode, VerticesTextRoundsAndSkipsEmptyPieces) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"10;20,110;20,60;90", "10;20,110;20,60;90"},
        {"10;20,110;20,60;90,", "10;20,110;20,60;90"},
        {",10;20,,110;20", "10;20,110;20"},
        {"7", "7;0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(text(*makePolygon(c.in)), c.out);
    }

    // A vertex off the grid is written rounded.
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    auto node = makePolygon("");
    node->writeProperties(*bag);
    EXPECT_LT(bag->indexOf("Vertices"), 0) << "no vertices, no key";
    EXPECT_LT(bag->indexOf("VisibleInGame"), 0);

    auto written = makePolygon("0;0,100;0,100;100,0;100");
    written->setVisibleInGame(true);
    written->setShowVertices(true);
    bag->clear();
    written->writeProperties(*bag);
    EXPECT_EQ(std::string(bag->getString("Vertices").c_str()), "0;0,100;0,100;100,0;100");
    EXPECT_LT(bag->indexOf("OptimizationTolerance"), 0);
    auto read = makePolygon("");
    read->readProperties(*bag);
    EXPECT_TRUE(read->isVisibleInGame());
    EXPECT_TRUE(read->getShowVertices());
    EXPECT_TRUE(read->containsPoint(50, 50)) << "the box comes with the vertices";
    CRefHandle<BaseNode> copy(read->clone(nullptr, nullptr));
    const auto* copied = nodeCast<GPolygonNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->containsPoint(50, 50));
    EXPECT_TRUE(copied->isVisibleInGame());
}

TEST(GPolygonNode, HitTestTakesScreenPointsIntoLocalSpaceWhileVisible) {
    auto node = makePolygon("0;0,100;0,100;100,0;100");
    node->setPosition(CVector3d(200.0f, 100.0f, 0.0f));
    node->setScale(CVector3d(0.5f, 0.5f, 1.0f));
    node->updateAbsoluteTransformation();
    EXPECT_TRUE(node->hitTest(CVector3d(240.0f, 140.0f, 0.0f)));
    EXPECT_FALSE(node->hitTest(CVector3d(40.0f, 40.0f, 0.0f)));
    node->setCanBeHit(false);
    EXPECT_TRUE(node->hitTest(CVector3d(240.0f, 140.0f, 0.0f))) << "CanBeHit is the caller's business";
    node->setVisible(false);
    EXPECT_FALSE(node->hitTest(CVector3d(240.0f, 140.0f, 0.0f)));

    // A singular matrix tests the screen point itself.
    auto flat = makePolygon("0;0,100;0,100;100,0;100");
    flat->setScale(CVector3d(0.0f, 0.0f, 0.0f));
    flat->updateAbsoluteTransformation();
    EXPECT_TRUE(flat->hitTest(CVector3d(50.0f, 50.0f, 0.0f)));
}

TEST(GPolygonNode, DrawsItsOutlineOnlyWhenVisibleInGameWithMarkersOnRequest) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    auto node = makePolygon("0;0,100;0,50;80");
    node->setPosition(CVector3d(10.0f, 20.0f, 300.0f));
    node->setTintColor(CColor(0xFF808080u));
    node->updateAbsoluteTransformation();
    node->updateAbsoluteColor();
    node->render(driver.get(), nullptr);
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 0u) << "not VisibleInGame";

    node->setVisibleInGame(true);
    node->render(driver.get(), nullptr);
    auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::LineLoop);
    EXPECT_EQ(draws[0]->primitiveCount, 3u);
    EXPECT_EQ(draws[0]->vertices[2].color, CColor(0xFF808080u)) << "white lines through the grey tint";
    const auto matrices = driver->recordsOf(Call::SetMatrix);
    ASSERT_EQ(matrices.size(), 2u);
    EXPECT_EQ(matrices[0]->matrix[12], 10.0f);
    EXPECT_EQ(matrices[0]->matrix[14], 0.0f) << "depth only orders the list";

    node->setShowVertices(true);
    CRefHandle<CRecordingGraphicsDriver> marked(CRecordingGraphicsDriver::create());
    node->render(marked.get(), nullptr);
    draws = marked->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 4u) << "the outline and a marker per vertex";
    float minX = 1e9f, maxX = -1e9f;
    for (const BatchVertex& v : draws[3]->vertices) {
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        EXPECT_EQ(v.color, CColor(0xFF00FF00u));
    }
    EXPECT_NEAR((minX + maxX) / 2.0f, 60.0f, 0.01f) << "third vertex (50, 80) moved by the node";
    EXPECT_NEAR(maxX - minX, 8.0f, 0.2f);
}
