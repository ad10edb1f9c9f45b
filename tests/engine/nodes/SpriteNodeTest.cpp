#include "engine/nodes/SpriteNode.h"

#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

namespace {

using Call = CRecordingGraphicsDriver::Call;

class SpriteNodeTest : public ::testing::Test {
protected:
    // A 64 x 32 page whose alpha is 20 left of x = 32 and 21 from there on;
    // the picture is its rectangle (16, 0)-(56, 20).
    CRefHandle<CImageTexture> page =
        makePage(64, 32, [](uint32_t x, uint32_t) { return CColor(x < 32 ? 0x14FF0000u : 0x15FF0000u); });
    CRefHandle<CAtlasTexture> picture = makeAtlas(page.get(), CRect(16, 0, 56, 20));
    CRefHandle<CRecordingGraphicsDriver> driver{CRecordingGraphicsDriver::create()};

    [[nodiscard]] CRefHandle<SpriteNode> sprite(CAtlasTexture* texture = nullptr) {
        CRefHandle<SpriteNode> node(new SpriteNode(CObjectName(), nullptr, nullptr));
        node->setPosition(CVector3d(100.0f, 50.0f, 0.0f));
        node->setAtlasTexture(texture ? texture : picture.get());
        return node;
    }
    // The four vertices of the single draw, after drawing `root`.
    [[nodiscard]] std::vector<BatchVertex> drawnVertices(BaseNode* root) {
        driver->clearRecords();
        drawTree(root, driver.get());
        const auto draws = driver->recordsOf(Call::DrawPrimitives);
        return draws.size() == 1 ? draws[0]->vertices : std::vector<BatchVertex>();
    }
};

} // namespace

TEST_F(SpriteNodeTest, DefaultModesFitTheBoundsToThePicture) {
    CRefHandle<CAtlasTexture> margined = makeAtlas(page.get(), CRect(16, 0, 56, 20), {1, 2}, {3, 4});
    CRefHandle<SpriteNode> node = sprite(margined.get());
    EXPECT_EQ(node->getBounds().x, 44.0f);
    EXPECT_EQ(node->getBounds().y, 26.0f);
}

TEST_F(SpriteNodeTest, DirectDrawIsOneFanInScreenSpace) {
    const float u0 = 16.0f / 64.0f;
    const float u1 = 56.0f / 64.0f;
    const float v1 = 20.0f / 32.0f;
    const struct {
        const char* what;
        uint32_t stretchX;
        uint32_t stretchY;
        CVector2d pivot;
        bool flipX;
        bool flipY;
        CVector3d bounds;
        float x0, y0, x1, y1, uLeft, vTop, uRight, vBottom;
    } cases[] = {
        {"natural with pivot", 0, 0, {5, 2}, false, false, {10, 10, 0}, 95, 48, 135, 68, u0, 0, u1, v1},
        {"stretched", 1, 1, {}, false, false, {100, 50, 0}, 100, 50, 200, 100, u0, 0, u1, v1},
        {"clipped around the pivot",
         3,
         3,
         {10, 0},
         false,
         false,
         {20, 10, 0},
         100,
         50,
         120,
         60,
         26.0f / 64,
         0,
         46.0f / 64,
         10.0f / 32},
        {"mirrored both ways", 0, 0, {}, true, true, {10, 10, 0}, 100, 50, 140, 70, u1, v1, u0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<SpriteNode> node = sprite();
        node->setImagePivotPoint(c.pivot);
        node->setFlipX(c.flipX);
        node->setFlipY(c.flipY);
        node->setImageStretchX(c.stretchX);
        node->setImageStretchY(c.stretchY);
        // Set last: while a direction fits its bounds to the picture, any
        // rebuild of the quad sizes them again.
        node->setBounds(c.bounds);
        const std::vector<BatchVertex> v = drawnVertices(node.get());
        ASSERT_EQ(v.size(), 4u);
        const float xs[4] = {c.x0, c.x1, c.x1, c.x0};
        const float ys[4] = {c.y0, c.y0, c.y1, c.y1};
        const float us[4] = {c.uLeft, c.uRight, c.uRight, c.uLeft};
        const float vs[4] = {c.vTop, c.vTop, c.vBottom, c.vBottom};
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(v[i].x, xs[i]) << i;
            EXPECT_FLOAT_EQ(v[i].y, ys[i]) << i;
            EXPECT_FLOAT_EQ(v[i].u, us[i]) << i;
            EXPECT_FLOAT_EQ(v[i].v, vs[i]) << i;
            EXPECT_EQ(v[i].z, 1.0f);
        }
        const auto draws = driver->recordsOf(Call::DrawPrimitives);
        EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::TriangleFan);
        EXPECT_EQ(draws[0]->primitiveCount, 2u);
        EXPECT_FALSE(draws[0]->indexed);
    }
}

TEST_F(SpriteNodeTest, MaterialsFollowBlendTypeWrapAndAdditive) {
    const struct {
        int blendType;
        int wrap;
        bool additive;
        int32_t type;
        uint8_t storedWrap;
    } cases[] = {
        {0, 1, false, MaterialType::SpriteColorModulate, 1},
        {1, 0, true, MaterialType::SpriteColorAdd, 0},
        {5, 7, false, MaterialType::SpriteColorModulate, 1}, // out of range: 0, and the wrap is ignored
        {-1, 4, true, MaterialType::SpriteColorModulate, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blendType);
        CRefHandle<SpriteNode> node = sprite();
        const CPropertyTable& table = node->getPropertyTable();
        table.setAt(node.get(), table.indexOf("BlendType"), CPropertyDataInt::create(c.blendType));
        table.setAt(node.get(), table.indexOf("WrapType"), CPropertyDataInt::create(c.wrap));
        table.setAt(node.get(), table.indexOf("AdditiveBlending"), CPropertyDataBool::create(c.additive));
        EXPECT_EQ(node->getBlendType(), c.type == MaterialType::SpriteColorAdd ? 1 : 0);
        ASSERT_EQ(drawnVertices(node.get()).size(), 4u);
        const auto materials = driver->recordsOf(Call::ApplyMaterial);
        ASSERT_FALSE(materials.empty());
        const Material& m = materials.back()->material;
        EXPECT_EQ(m.materialType, c.type);
        EXPECT_EQ(m.additive, c.additive);
        EXPECT_EQ(m.layerCount, 1u);
        EXPECT_EQ(m.layers[0].wrap, c.storedWrap);
        EXPECT_EQ(m.layers[0].texture, page.get());
        EXPECT_FALSE(m.lighting);
    }
}

TEST_F(SpriteNodeTest, BatchedSpritesShareOneDraw) {
    CRefHandle<BaseNode> root(new BaseNode(CObjectName(), nullptr, nullptr));
    for (int i = 0; i < 3; ++i) {
        CRefHandle<SpriteNode> node = sprite();
        node->setBatched(true);
        node->setPosition(CVector3d(float(i) * 50.0f, 0.0f, 0.0f));
        root->addChild(node.get());
    }
    driver->clearRecords();
    drawTree(root.get(), driver.get());
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->vertexCount, 12u);
    EXPECT_EQ(draws[0]->primitiveCount, 6u);
    EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::Triangles);
    EXPECT_FLOAT_EQ(draws[0]->vertices[8].x, 100.0f);
}

TEST_F(SpriteNodeTest, DirectDrawFlushesPendingBatchedQuadsFirst) {
    CRefHandle<BaseNode> root(new BaseNode(CObjectName(), nullptr, nullptr));
    CRefHandle<SpriteNode> batched = sprite();
    batched->setBatched(true);
    root->addChild(batched.get());
    CRefHandle<SpriteNode> direct = sprite();
    root->addChild(direct.get());
    driver->clearRecords();
    drawTree(root.get(), driver.get());
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::Triangles);
    EXPECT_EQ(draws[1]->primitiveType, PrimitiveType::TriangleFan);
}

TEST_F(SpriteNodeTest, ClippedChildrenDrawAsAGroupAfterTheSprite) {
    // A panel sprite clipping its child, and a bare one that only clips.
    for (bool textured : {true, false}) {
        SCOPED_TRACE(textured);
        CRefHandle<SpriteNode> panel =
            textured ? sprite() : CRefHandle<SpriteNode>(new SpriteNode(CObjectName(), nullptr, nullptr));
        panel->setPosition(CVector3d(100.0f, 50.0f, 0.0f));
        panel->setChildrenClipped(true);
        CRefHandle<SpriteNode> child = sprite();
        child->setPosition(CVector3d(30.0f, 10.0f, 0.0f));
        panel->addChild(child.get());
        CArray<CRenderItem> list;
        panel->registerForRendering(list);
        ASSERT_EQ(list.size(), 1u);

        driver->clearRecords();
        drawTree(panel.get(), driver.get());
        std::vector<Call> calls;
        for (Call call : driver->calls())
            if (call == Call::DrawPrimitives || call == Call::SetScissorRect || call == Call::EnableScissor)
                calls.push_back(call);
        std::vector<Call> expected = {Call::SetScissorRect, Call::EnableScissor, Call::DrawPrimitives,
                                      Call::EnableScissor};
        if (textured)
            expected.insert(expected.begin(), Call::DrawPrimitives);
        EXPECT_EQ(calls, expected);
        const auto scissors = driver->recordsOf(Call::SetScissorRect);
        ASSERT_EQ(scissors.size(), 1u);
        EXPECT_EQ(scissors[0]->rect.left, 100);
        EXPECT_EQ(scissors[0]->rect.top, 50);
        const auto draws = driver->recordsOf(Call::DrawPrimitives);
        EXPECT_FLOAT_EQ(draws.back()->vertices[0].x, 130.0f);
    }
}

TEST_F(SpriteNodeTest, TableFlipShowsAtTheNextMove) {
    CRefHandle<SpriteNode> node = sprite();
    const float u0 = drawnVertices(node.get())[0].u;
    const CPropertyTable& table = node->getPropertyTable();
    table.setAt(node.get(), table.indexOf("FlipX"), CPropertyDataBool::create(true));
    EXPECT_EQ(drawnVertices(node.get())[0].u, u0);
    node->setPosition(CVector3d(101.0f, 50.0f, 0.0f));
    EXPECT_FLOAT_EQ(drawnVertices(node.get())[0].u, 56.0f / 64.0f);
}

TEST_F(SpriteNodeTest, TintReachesTheVertices) {
    CRefHandle<BaseNode> root(new BaseNode(CObjectName(), nullptr, nullptr));
    CRefHandle<SpriteNode> node = sprite();
    root->addChild(node.get());
    root->setTintColor(CColor(0x80FFFFFFu));
    node->setTintColor(CColor(0xFF00FF00u));
    EXPECT_EQ(drawnVertices(root.get())[2].color.value, 0x8000FF00u);
}

TEST_F(SpriteNodeTest, RenderItemsNeedATextureAndVisibleTint) {
    CRefHandle<SpriteNode> node = sprite();
    CArray<CRenderItem> list;
    node->registerForRendering(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].textureKey, reinterpret_cast<uintptr_t>(page->getTexture()));

    node->setTintColor(CColor(0x00FFFFFFu));
    list.clear();
    node->registerForRendering(list);
    EXPECT_TRUE(list.empty());

    CRefHandle<SpriteNode> bare(new SpriteNode(CObjectName(), nullptr, nullptr));
    bare->registerForRendering(list);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(bare->hitTest(CVector3d(1.0f, 1.0f, 0.0f)));
}

TEST_F(SpriteNodeTest, HitsFollowThePictureAlpha) {
    // Page columns from 32 have alpha 21: the picture's right part, x >= 16.
    CRefHandle<CImageTexture> dropped = makePage(
        64, 32, [](uint32_t, uint32_t) { return CColor(0x00000000u); }, false);
    CRefHandle<CAtlasTexture> droppedPicture = makeAtlas(dropped.get(), CRect(16, 0, 56, 20));
    const struct {
        const char* what;
        CAtlasTexture* texture;
        uint32_t tint;
        bool canBeHit;
        float x;
        float y;
        bool hit;
    } cases[] = {
        {"alpha 20 is not enough", picture.get(), 0xFFFFFFFF, true, 110.5f, 55.5f, false},
        {"alpha 21 hits", picture.get(), 0xFFFFFFFF, true, 116.5f, 55.5f, true},
        {"outside the picture", picture.get(), 0xFFFFFFFF, true, 141.0f, 55.5f, false},
        {"own tint alpha 20 never hits", picture.get(), 0x14FFFFFF, true, 116.5f, 55.5f, false},
        {"own tint alpha 21 hits", picture.get(), 0x15FFFFFF, true, 116.5f, 55.5f, true},
        {"not hittable", picture.get(), 0xFFFFFFFF, false, 116.5f, 55.5f, false},
        {"a dropped picture hits on the quad", droppedPicture.get(), 0xFFFFFFFF, true, 101.0f, 51.0f, true},
        {"a dropped picture misses off the quad", droppedPicture.get(), 0xFFFFFFFF, true, 99.0f, 51.0f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<SpriteNode> node = sprite(c.texture);
        node->setTintColor(CColor(c.tint));
        node->setCanBeHit(c.canBeHit);
        CArray<CRenderItem> list;
        node->registerForRendering(list);
        EXPECT_EQ(node->hitTest(CVector3d(c.x, c.y, 0.0f)), c.hit);
    }
}

TEST_F(SpriteNodeTest, HitsFollowAScaledMirroredSprite) {
    // Scaled twice and mirrored: the right half of the drawn quad shows the
    // picture's left half, whose alpha is 20.
    CRefHandle<SpriteNode> node = sprite();
    node->setScale(CVector3d(2.0f, 2.0f, 1.0f));
    node->setFlipX(true);
    node->setImageStretchX(0);
    CArray<CRenderItem> list;
    node->registerForRendering(list);
    EXPECT_TRUE(node->hitTest(CVector3d(100.0f + 10.0f, 60.0f, 0.0f)));
    EXPECT_FALSE(node->hitTest(CVector3d(100.0f + 70.0f, 60.0f, 0.0f)));
}

TEST_F(SpriteNodeTest, SettingsSurviveFilesAndCopies) {
    CRefHandle<SpriteNode> node = sprite();
    node->setImageStretchX(0x13); // low four bits: 3
    node->setImageStretchY(1);
    node->setImagePivotPoint(CVector2d(3.0f, 4.0f));
    node->setWrapType(0);
    node->setFlipX(true);
    node->setBlendType(1);
    node->setAdditiveBlending(true);
    node->setBatched(true);
    EXPECT_EQ(node->getImageStretchX(), 3u);

    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    node->writeProperties(*bag);
    for (const char* key : {"ImageStretchX", "ImageStretchY", "ImagePivotPoint", "WrapType", "FlipX", "BlendType",
                            "AdditiveBlending", "AtlasTexture"})
        EXPECT_GE(bag->indexOf(key), 0) << key;
    EXPECT_LT(bag->indexOf("FlipY"), 0);
    CRefHandle<SpriteNode> read(new SpriteNode(CObjectName(), nullptr, nullptr));
    read->readProperties(*bag);

    CRefHandle<BaseNode> cloned(node->clone(nullptr, nullptr));
    for (const SpriteNode* copy : {read.get(), nodeCast<SpriteNode>(cloned.get())}) {
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->getImageStretchX(), 3u);
        EXPECT_EQ(copy->getImageStretchY(), 1u);
        EXPECT_EQ(copy->getImagePivotPoint().y, 4.0f);
        EXPECT_EQ(copy->getWrapType(), 0);
        EXPECT_TRUE(copy->getFlipX());
        EXPECT_EQ(copy->getBlendType(), 1);
        EXPECT_TRUE(copy->getAdditiveBlending());
        EXPECT_EQ(copy->getAtlasTexture(), picture.get());
        EXPECT_FALSE(copy->isBatched());
    }

    // A fresh sprite writes nothing of its own.
    CRefHandle<SpriteNode> fresh(new SpriteNode(CObjectName(), nullptr, nullptr));
    CRefHandle<CPropertyBag> empty = CPropertyBag::create();
    fresh->writeProperties(*empty);
    EXPECT_EQ(empty->getCount(), 0);
}
