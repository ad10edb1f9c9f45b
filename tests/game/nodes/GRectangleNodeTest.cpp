#include "game/nodes/GRectangleNode.h"

#include "engine/core/CMat4.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/video/CQuadBatch.h"
#include "game/nodes/GSelectGridNode.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Call = CRecordingGraphicsDriver::Call;

template <class T> CRefHandle<T> makeNode(float width, float height, float scale) {
    CRefHandle<T> node(new T(CObjectName(), nullptr, nullptr));
    node->setBounds(CVector3d(width, height, 0.0f));
    node->setScale(CVector3d(scale, scale, 1.0f));
    node->updateAbsoluteTransformation();
    node->updateAbsoluteColor();
    return node;
}

std::vector<std::pair<float, float>> positions(const CRecordingGraphicsDriver::Record& record) {
    std::vector<std::pair<float, float>> result;
    for (const BatchVertex& v : record.vertices)
        result.emplace_back(v.x, v.y);
    return result;
}

using Points = std::vector<std::pair<float, float>>;

} // namespace

TEST(GRectangleNode, DrawsFillInsideAndBorderWhoseTopLineStartsByScale) {
    const struct {
        float scale;
        float borderStart;
    } cases[] = {{1.0f, 0.0f}, {0.5f, 1.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
        auto node = makeNode<GRectangleNode>(100.0f, 50.0f, c.scale);
        node->setFillColor(CColor(0x80FF0000u));
        node->setBorderColor(CColor(0xFF00FF00u));
        node->render(driver.get(), nullptr);

        const auto draws = driver->recordsOf(Call::DrawPrimitives);
        ASSERT_EQ(draws.size(), 2u);
        EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::TriangleFan);
        EXPECT_EQ(draws[0]->primitiveCount, 2u);
        EXPECT_EQ(positions(*draws[0]), (Points{{1, 1}, {100, 1}, {100, 50}, {1, 50}}));
        EXPECT_EQ(draws[0]->vertices[0].color, CColor(0x80FF0000u));
        EXPECT_EQ(draws[1]->primitiveType, PrimitiveType::Lines);
        EXPECT_EQ(draws[1]->primitiveCount, 4u);
        EXPECT_EQ(positions(*draws[1]), (Points{{c.borderStart, 1}, {100, 1}, {100, 50}, {1, 50}, {1, 1}}));
        EXPECT_EQ(draws[1]->indices, (std::vector<uint32_t>{0, 1, 1, 2, 2, 3, 3, 4}));
        EXPECT_TRUE(draws[1]->indicesInRange);

        // Drawn with the node's matrix, then the identity again.
        const auto matrices = driver->recordsOf(Call::SetMatrix);
        ASSERT_EQ(matrices.size(), 2u);
        EXPECT_EQ(matrices[0]->matrix.extractScale().x, c.scale);
        EXPECT_TRUE(matrices[1]->matrix.identityHint());
        const auto materials = driver->recordsOf(Call::ApplyMaterial);
        ASSERT_EQ(materials.size(), 1u);
        EXPECT_EQ(materials[0]->material.materialType, 15);
        EXPECT_EQ(materials[0]->material.layerCount, 1u);
    }
}

TEST(GRectangleNode, TintModulatesAndInvisibleColoursDrawNothingButStillRegister) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    auto node = makeNode<GRectangleNode>(10.0f, 10.0f, 1.0f);
    CArray<CRenderItem> items;
    node->registerForRendering(items);
    EXPECT_EQ(items.size(), 1u);
    node->render(driver.get(), nullptr);
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 0u);

    // A half-transparent tint halves the fill's alpha; a fully transparent
    // one takes the node out of the render list.
    node->setFillColor(CColor(0xFFFFFFFFu));
    node->setTintColor(CColor(0x80FFFFFFu));
    node->updateAbsoluteColor();
    node->render(driver.get(), nullptr);
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->vertices[0].color.alpha(), 0x80u);

    node->setTintColor(CColor(0x00FFFFFFu));
    node->updateAbsoluteColor();
    CArray<CRenderItem> none;
    node->registerForRendering(none);
    EXPECT_EQ(none.size(), 0u);
}

TEST(GSelectGridNode, FillsItsBoundsFlatAndIgnoresTheGrid) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    auto node = makeNode<GSelectGridNode>(40.0f, 20.0f, 1.0f);
    node->setPosition(CVector3d(5.0f, 6.0f, 300.0f));
    node->updateAbsoluteTransformation();
    node->setFillColor(CColor(0xFF102030u));
    node->setGridColor(CColor(0xFFFFFFFFu));
    node->render(driver.get(), nullptr);
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(positions(*draws[0]), (Points{{0, 0}, {40, 0}, {40, 20}, {0, 20}}));
    const auto matrices = driver->recordsOf(Call::SetMatrix);
    ASSERT_EQ(matrices.size(), 2u);
    EXPECT_EQ(matrices[0]->matrix[12], 5.0f);
    EXPECT_EQ(matrices[0]->matrix[14], 0.0f) << "the depth orders the list only";
}

TEST(GameRectangleNodes, WriteOnlyWhatDiffersAndReadBackWhatTheyWrote) {
    auto rectangle = makeNode<GRectangleNode>(10.0f, 10.0f, 1.0f);
    auto grid = makeNode<GSelectGridNode>(10.0f, 10.0f, 1.0f);
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    rectangle->writeProperties(*bag);
    EXPECT_LT(bag->indexOf("BorderColor"), 0);
    EXPECT_LT(bag->indexOf("FillColor"), 0);
    bag->clear();
    grid->writeProperties(*bag);
    EXPECT_LT(bag->indexOf("GridColor"), 0);
    EXPECT_LT(bag->indexOf("FillColor"), 0);
    ASSERT_GE(bag->indexOf("CellSize"), 0) << "the default cell size is written";

    rectangle->setBorderColor(CColor(0x11223344u));
    rectangle->setFillColor(CColor(0x55667788u));
    bag->clear();
    rectangle->writeProperties(*bag);
    auto copy = makeNode<GRectangleNode>(1.0f, 1.0f, 1.0f);
    copy->readProperties(*bag);
    EXPECT_EQ(copy->getBorderColor(), CColor(0x11223344u));
    EXPECT_EQ(copy->getFillColor(), CColor(0x55667788u));

    // A value of another kind reads as 0; an absent key leaves the field.
    CRefHandle<CPropertyBag> odd(new CPropertyBag);
    odd->setInt("FillColor", 7);
    copy->readProperties(*odd);
    EXPECT_EQ(copy->getFillColor(), CColor(0u));
    EXPECT_EQ(copy->getBorderColor(), CColor(0x11223344u));

    grid->setCellSize(CVector2d(8.0f, 4.0f));
    grid->setGridColor(CColor(0xFF000001u));
    CRefHandle<BaseNode> gridClone(grid->clone(nullptr, nullptr));
    const auto* cloned = nodeCast<GSelectGridNode>(gridClone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->getCellSize().x, 8.0f);
    EXPECT_EQ(cloned->getGridColor(), CColor(0xFF000001u));
    CRefHandle<BaseNode> rectangleClone(rectangle->clone(nullptr, nullptr));
    ASSERT_NE(nodeCast<GRectangleNode>(rectangleClone.get()), nullptr);
    EXPECT_EQ(nodeCast<GRectangleNode>(rectangleClone.get())->getFillColor(), CColor(0x55667788u));
    EXPECT_EQ(rectangleClone->getTypeName(), CStringW(u"GRectangleNode"));
}
