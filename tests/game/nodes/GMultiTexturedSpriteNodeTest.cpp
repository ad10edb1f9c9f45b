#include "game/nodes/GMultiTexturedSpriteNode.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/video/CAtlasTexture.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

namespace {

// A 64 x 32 main image trimmed by (2, 3) before and (4, 5) after, on a
// 128 x 64 page whose pixel alpha is x (so that column 20 has alpha 20), and
// a whole 32 x 32 secondary texture.
struct Sprite {
    CRefHandle<CImageTexture> mainPage =
        makePage(128, 64, [](uint32_t x, uint32_t) { return CColor((x << 24) | 0x00FFFFFFu); });
    CRefHandle<CImageTexture> secondPage = makePage(32, 32, [](uint32_t, uint32_t) { return CColor(0xFF808080u); });
    CRefHandle<CAtlasTexture> main = makeAtlas(mainPage.get(), CRect(0, 0, 64, 32), {2, 3}, {4, 5});
    CRefHandle<CAtlasTexture> second = makeAtlas(secondPage.get(), CRect(0, 0, 32, 32));
    CRefHandle<GMultiTexturedSpriteNode> node{new GMultiTexturedSpriteNode(CObjectName(), nullptr, nullptr)};

    explicit Sprite(CAtlasTexture* mainImage = nullptr) {
        node->setBounds(CVector3d(128.0f, 64.0f, 0.0f));
        node->updateAbsoluteTransformation();
        node->updateAbsoluteColor();
        node->setTexture(0, mainImage ? mainImage : main.get());
        node->setTexture(1, second.get());
    }
    [[nodiscard]] float x(uint32_t corner) const { return node->getQuad()[corner].x; }
    [[nodiscard]] float y(uint32_t corner) const { return node->getQuad()[corner].y; }
    [[nodiscard]] float u(uint32_t corner) const { return node->getQuad()[corner].u; }
};

// A driver with no renderer for the two-texture types 27 and 28.
class FirstTypeOnlyDriver : public CRecordingGraphicsDriver {
public:
    static FirstTypeOnlyDriver* create() {
        auto* driver = new FirstTypeOnlyDriver;
        driver->addNullRenderers();
        return driver;
    }
    [[nodiscard]] IMaterialTypeRenderer* materialTypeRenderer(uint32_t index) const override {
        return index == 27 || index == 28 ? nullptr : CRecordingGraphicsDriver::materialTypeRenderer(index);
    }

protected:
    FirstTypeOnlyDriver() : CRecordingGraphicsDriver(CEngineCreationParams{}, nullptr) {}
    ~FirstTypeOnlyDriver() override = default;
};

} // namespace

TEST(GMultiTexturedSpriteNode, TheMainImageSpansItsTrimmedPlaceFlippedOrNot) {
    const struct {
        const char* what;
        bool flipX, flipY;
        float x0, y0, x1, y1, uLeft;
    } cases[] = {
        {"plain", false, false, 2, 3, 66, 35, 0.0f},
        {"flipped in x", true, false, 4, 3, 68, 35, 0.5f},
        {"flipped in y", false, true, 2, 5, 66, 37, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Sprite sprite;
        sprite.node->layer(0).flipX = c.flipX;
        sprite.node->layer(0).flipY = c.flipY;
        sprite.node->rebuildQuad();
        EXPECT_EQ(sprite.x(0), c.x0);
        EXPECT_EQ(sprite.y(0), c.y0);
        EXPECT_EQ(sprite.x(2), c.x1);
        EXPECT_EQ(sprite.y(2), c.y1);
        EXPECT_EQ(sprite.node->getQuad()[1].x, c.x1);
        EXPECT_EQ(sprite.node->getQuad()[3].y, c.y1);
        EXPECT_EQ(sprite.u(0), c.uLeft);
        EXPECT_EQ(sprite.node->getQuad()[0].z, 1.0f);
    }

    // Moved, the quad follows in screen space.
    Sprite moved;
    moved.node->setPosition(CVector3d(100.0f, 50.0f, 3.0f));
    moved.node->updateAbsoluteTransformation();
    EXPECT_EQ(moved.x(0), 102.0f);
    EXPECT_EQ(moved.y(2), 85.0f);
}

TEST(GMultiTexturedSpriteNode, StretchModesTileStretchSizeAndClip) {
    Sprite whole;
    CRefHandle<CAtlasTexture> full = makeAtlas(whole.secondPage.get(), CRect(0, 0, 32, 32));
    CRefHandle<CImageTexture> wide = makePage(64, 32, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFFu); });
    CRefHandle<CAtlasTexture> wholeMain = makeAtlas(wide.get(), CRect(0, 0, 64, 32));
    const struct {
        const char* what;
        bool whole;
        int wrap, mode;
        float boundsX, x1, uRight, boundsAfter;
    } cases[] = {
        {"tiled across the bounds", true, 0, 1, 256, 256, 4.0f, 256},
        {"stretched when clamped", true, 1, 1, 256, 256, 1.0f, 256},
        {"trimmed and stretched", false, 0, 1, 256, 252, 0.5f, 256},
        {"bounds from the image", false, 1, 2, 256, 66, 0.5f, 64},
        {"clipped to the bounds", false, 1, 3, 40, 40, 0.5f - 0.5f * 26.0f / 64.0f, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Sprite sprite(c.whole ? wholeMain.get() : nullptr);
        sprite.node->setBounds(CVector3d(c.boundsX, 64.0f, 0.0f));
        sprite.node->setMainImageWrapType(c.wrap);
        sprite.node->setMainImageStretchX(c.mode);
        EXPECT_FLOAT_EQ(sprite.x(1), c.x1);
        EXPECT_FLOAT_EQ(sprite.u(1), c.uRight);
        EXPECT_FLOAT_EQ(sprite.node->getBounds().x, c.boundsAfter);
        EXPECT_EQ(sprite.node->getMainImageStretchX(), c.mode);
    }

    // The secondary image lies at its own size over the bounds, whatever the
    // main image.
    Sprite sprite;
    sprite.node->setTexture(1, full.get());
    EXPECT_FLOAT_EQ(sprite.node->getQuad()[2].u2, 4.0f);
    EXPECT_FLOAT_EQ(sprite.node->getQuad()[2].v2, 2.0f);
    EXPECT_FLOAT_EQ(sprite.node->getQuad()[0].u2, 0.0f);
    sprite.node->layer(1).flipY = true;
    sprite.node->rebuildQuad();
    EXPECT_FLOAT_EQ(sprite.node->getQuad()[0].v2, 2.0f);
}

TEST(GMultiTexturedSpriteNode, HitsOnlyWhereTheMainImageIsMoreOpaqueThanTwenty) {
    Sprite sprite;
    // Local x = 2 + column: the page's alpha equals the column.
    const struct {
        float x;
        bool hit;
    } cases[] = {{22.0f, false}, {23.0f, true}, {1.0f, false}, {65.9f, true}, {66.0f, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(sprite.node->hitTest(CVector3d(c.x, 10.0f, 0.0f)), c.hit);
    }
    sprite.node->setTintColor(CColor(0x14FFFFFFu));
    EXPECT_FALSE(sprite.node->hitTest(CVector3d(40.0f, 10.0f, 0.0f))) << "a faint node is never hit";
    sprite.node->setTintColor(CColor(0x15FFFFFFu));
    EXPECT_TRUE(sprite.node->hitTest(CVector3d(40.0f, 10.0f, 0.0f)));
    // Flipped, column c lies at local x = 72 - c.
    sprite.node->layer(0).flipX = true;
    EXPECT_FALSE(sprite.node->hitTest(CVector3d(52.0f, 10.0f, 0.0f)));
    EXPECT_TRUE(sprite.node->hitTest(CVector3d(51.0f, 10.0f, 0.0f)));
}

TEST(GMultiTexturedSpriteNode, ANullTextureEmptiesItsLayerAndUnknownMaterialsDrawAsTheFirst) {
    Sprite sprite;
    const TwoCoordsVertex before = sprite.node->getQuad()[2];
    sprite.node->setTexture(0, nullptr);
    EXPECT_EQ(sprite.node->getTexture(0), nullptr);
    EXPECT_EQ(sprite.node->getMaterial().layers[0].texture, nullptr) << "no pointer to an image it lets go";
    sprite.node->rebuildQuad();
    EXPECT_EQ(sprite.node->getQuad()[2].x, before.x) << "the quad stays as it was";
    sprite.node->setTexture(5, sprite.main.get());

    const struct {
        int blend;
        int stored;
    } blends[] = {{0, 0}, {1, 1}, {2, 2}, {5, 0}, {-1, 0}};
    for (const auto& b : blends) {
        SCOPED_TRACE(b.blend);
        sprite.node->setBlendType(b.blend);
        EXPECT_EQ(sprite.node->getBlendType(), b.stored);
        EXPECT_EQ(sprite.node->getMaterial().materialType, 26 + b.stored);
        CRefHandle<CRecordingGraphicsDriver> full(CRecordingGraphicsDriver::create());
        sprite.node->render(full.get(), nullptr);
        ASSERT_EQ(full->recordsOf(CRecordingGraphicsDriver::Call::ApplyMaterial).size(), 1u);
        EXPECT_EQ(full->recordsOf(CRecordingGraphicsDriver::Call::ApplyMaterial)[0]->material.materialType,
                  26 + b.stored);
        CRefHandle<FirstTypeOnlyDriver> driver(FirstTypeOnlyDriver::create());
        sprite.node->render(driver.get(), nullptr);
        const auto materials = driver->recordsOf(CRecordingGraphicsDriver::Call::ApplyMaterial);
        ASSERT_EQ(materials.size(), 1u);
        EXPECT_EQ(materials[0]->material.materialType, 26) << "a type the driver cannot draw draws as 26";
        const auto draws = driver->recordsOf(CRecordingGraphicsDriver::Call::DrawPrimitives);
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0]->vertexType, VertexType::TwoCoords);
        EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::TriangleFan);
    }
}

TEST(GMultiTexturedSpriteNode, WritesWhatDiffersAndReadsItBack) {
    Sprite sprite;
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    sprite.node->writeProperties(*bag);
    for (const char* key :
         {"BlendType", "MainImageStretchX", "MainImageWrapType", "MainImageFlipX", "SecondaryImageWrapType"})
        EXPECT_LT(bag->indexOf(key), 0) << key;
    EXPECT_GE(bag->indexOf("MainImageTexture"), 0);
    EXPECT_GE(bag->indexOf("SecondaryImageTexture"), 0);

    sprite.node->setBlendType(2);
    sprite.node->setMainImageStretchY(3);
    sprite.node->setMainImageWrapType(0);
    sprite.node->setSecondaryImageWrapType(4);
    sprite.node->setSecondaryImageWrapType(9);
    sprite.node->layer(1).flipX = true;
    bag->clear();
    sprite.node->writeProperties(*bag);
    CRefHandle<GMultiTexturedSpriteNode> read(new GMultiTexturedSpriteNode(CObjectName(), nullptr, nullptr));
    read->readProperties(*bag);
    EXPECT_EQ(read->getBlendType(), 2);
    EXPECT_EQ(read->getMainImageStretchY(), 3);
    EXPECT_EQ(read->getMainImageWrapType(), 0);
    EXPECT_EQ(read->getSecondaryImageWrapType(), 4);
    EXPECT_TRUE(read->layer(1).flipX);
    EXPECT_EQ(read->getTexture(0), sprite.main.get());
    EXPECT_EQ(read->getTexture(1), sprite.second.get());

    CRefHandle<BaseNode> copy(sprite.node->clone(nullptr, nullptr));
    const auto* copied = nodeCast<GMultiTexturedSpriteNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_FALSE(copy->isKindOf(3)) << "not a sprite node";
    EXPECT_EQ(copied->getSecondaryImageWrapType(), 4);
    EXPECT_EQ(copied->getQuad()[2].x, sprite.node->getQuad()[2].x);
}
