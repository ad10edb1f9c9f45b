#include "engine/nodes/NineGridSpriteNode.h"

#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

namespace {

using Call = CRecordingGraphicsDriver::Call;

CRefHandle<NineGridSpriteNode> frame(CAtlasTexture* texture) {
    CRefHandle<NineGridSpriteNode> node(new NineGridSpriteNode(CObjectName(), nullptr, nullptr));
    node->setAtlasTexture(texture);
    node->setBounds(CVector3d(100.0f, 60.0f, 0.0f));
    node->setPosition(CVector3d(20.0f, 30.0f, 0.0f));
    return node;
}

} // namespace

TEST(NineGridSpriteNode, FrameIsNineBatchedCells) {
    // A 40 x 40 picture at (8, 0) of a 64 x 64 page, the default 10-pixel corners.
    CRefHandle<CImageTexture> page = makePage(64, 64, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFFu); });
    CRefHandle<CAtlasTexture> picture = makeAtlas(page.get(), CRect(8, 0, 48, 40));
    CRefHandle<NineGridSpriteNode> node = frame(picture.get());
    node->setTintColor(CColor(0xC0FFFFFFu));
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    drawTree(node.get(), driver.get());

    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    ASSERT_EQ(draws[0]->vertexCount, 36u);
    const auto materials = driver->recordsOf(Call::ApplyMaterial);
    ASSERT_EQ(materials.size(), 1u);
    EXPECT_EQ(materials[0]->material.materialType, MaterialType::SpriteColorModulate);
    EXPECT_EQ(materials[0]->material.layers[0].wrap, 1);
    EXPECT_EQ(materials[0]->material.layers[0].texture, page.get());

    const float xs[4] = {20, 30, 110, 120};
    const float ys[4] = {30, 40, 80, 90};
    const float us[4] = {8, 18, 38, 48};
    for (int cell = 0; cell < 9; ++cell) {
        SCOPED_TRACE(cell);
        const BatchVertex* v = &draws[0]->vertices[size_t(cell) * 4];
        const int row = cell / 3;
        const int column = cell % 3;
        EXPECT_FLOAT_EQ(v[0].x, xs[column]);
        EXPECT_FLOAT_EQ(v[0].y, ys[row]);
        EXPECT_FLOAT_EQ(v[2].x, xs[column + 1]);
        EXPECT_FLOAT_EQ(v[2].y, ys[row + 1]);
        EXPECT_FLOAT_EQ(v[0].u * 64.0f, us[column]);
        EXPECT_FLOAT_EQ(v[2].u * 64.0f, us[column + 1]);
        EXPECT_EQ(v[1].color.value, 0xC0FFFFFFu);
    }

    // Changes show at the next frame without any other call.
    node->setBounds(CVector3d(50.0f, 60.0f, 0.0f));
    driver->clearRecords();
    drawTree(node.get(), driver.get());
    EXPECT_FLOAT_EQ(driver->recordsOf(Call::DrawPrimitives)[0]->vertices[8].x, 60.0f);
}

TEST(NineGridSpriteNode, HitsInsideTheBoundsOfAnOpaqueFrame) {
    CRefHandle<CImageTexture> page = makePage(16, 16, [](uint32_t, uint32_t) { return CColor(0u); });
    CRefHandle<CAtlasTexture> picture = makeAtlas(page.get(), CRect(0, 0, 16, 16));
    const struct {
        uint32_t tint;
        float x;
        bool hit;
    } cases[] = {{0xFFFFFFFF, 60, true}, {0x15FFFFFF, 60, true}, {0x14FFFFFF, 60, false}, {0xFFFFFFFF, 125, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tint);
        CRefHandle<NineGridSpriteNode> node = frame(picture.get());
        node->setTintColor(CColor(c.tint));
        CArray<CRenderItem> list;
        node->registerForRendering(list);
        EXPECT_EQ(node->hitTest(CVector3d(c.x, 50.0f, 0.0f)), c.hit);
    }
}

TEST(NineGridSpriteNode, OnlyChangedDeltasAreWritten) {
    CRefHandle<NineGridSpriteNode> node = frame(nullptr);
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    node->setTopLeftDelta(CVector2d(10.0f, 10.0000005f));
    node->setBottomRightDelta(CVector2d(4.0f, 6.0f));
    const CPropertyTable& table = node->getPropertyTable();
    table.setAt(node.get(), table.indexOf("NotStretched"), CPropertyDataBool::create(true));
    node->writeProperties(*bag);
    EXPECT_LT(bag->indexOf("TopLeftDelta"), 0);
    EXPECT_LT(bag->indexOf("NotStretched"), 0);
    EXPECT_LT(bag->indexOf("AtlasTexture"), 0);
    ASSERT_GE(bag->indexOf("BottomRightDelta"), 0);

    CRefHandle<NineGridSpriteNode> read(new NineGridSpriteNode(CObjectName(), nullptr, nullptr));
    read->readProperties(*bag);
    EXPECT_EQ(read->getBottomRightDelta().y, 6.0f);
    EXPECT_EQ(read->getTopLeftDelta().x, 10.0f);
    EXPECT_FALSE(getPropertyBool(table.getAt(node.get(), table.indexOf("NotStretched"))));
}
