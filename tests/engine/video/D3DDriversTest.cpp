// What the Direct3D 9 and Direct3D 8 drivers share beyond the scenes every
// driver draws: the drawing of primitive lists, the states they keep between
// materials, and the texels they upload.
#include "engine/core/CEngineCreationParams.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CD3D9Driver.h"
#include "engine/video/D3DDriverCommon.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/video/D3DSceneDrivers.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

class D3DDriverTest : public DriverSceneTest {
protected:
    // The corners of a rectangle, clockwise from the top left, at depth `z`.
    static void rectangle(BatchVertex (&corners)[4], float x0, float y0, float x1, float y1, float z, CColor color) {
        const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
        for (int i = 0; i < 4; ++i)
            corners[i].x = xs[i], corners[i].y = ys[i], corners[i].z = z, corners[i].color = color;
    }

    // Draws the rectangle at depth `z` in `color` through drawPrimitives,
    // with `material`.
    void drawQuad(const Material& material, float x0, float y0, float x1, float y1, float z, CColor color) {
        BatchVertex corners[4];
        rectangle(corners, x0, y0, x1, y1, z, color);
        const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
        driver().applyMaterial(material);
        ASSERT_TRUE(driver().apply2DStates());
        driver().drawPrimitives(corners, 4, indices, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::Triangles);
    }
};

// A loop drawn through an index list closes on the vertices the list names
// (as an OpenGL line loop does): listed B, C, D, A, the square's top edge
// A-B is the closing one.
TEST_P(D3DDriverTest, AnIndexedLineLoopClosesThroughItsIndices) {
    const CColor green(255, 0, 255, 0), black(0xFF000000);
    BatchVertex corners[4];
    rectangle(corners, 10.5f, 10.5f, 30.5f, 30.5f, 0.0f, green);
    const uint16_t indices16[4] = {1, 2, 3, 0};
    const uint32_t indices32[4] = {1, 2, 3, 0};
    const struct {
        const char* what;
        const void* indices;
        IndexType type;
    } cases[] = {{"16-bit", indices16, IndexType::Bits16}, {"32-bit", indices32, IndexType::Bits32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
        driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
        ASSERT_TRUE(driver().apply2DStates());
        driver().drawPrimitives(corners, 4, c.indices, 4, VertexType::Batch, c.type, PrimitiveType::LineLoop);
        CRefHandle<CPixelImage> shot(driver().takeScreenshot());
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot->pixelAt(20, 10), green); // A-B, the closing segment
        EXPECT_EQ(shot->pixelAt(30, 20), green);
        EXPECT_EQ(shot->pixelAt(20, 30), green);
        EXPECT_EQ(shot->pixelAt(10, 20), green);
        EXPECT_EQ(shot->pixelAt(20, 20), black);
        ASSERT_TRUE(driver().endFrame());
    }
}

// A draw asking for vertices it was not given is refused with a reason and
// draws nothing: the device would read past the caller's arrays.
TEST_P(D3DDriverTest, DrawsNeedingMoreVerticesThanGivenAreRefused) {
    const CColor red(255, 255, 0, 0), black(0xFF000000);
    BatchVertex corners[4];
    rectangle(corners, 0.0f, 0.0f, 32.0f, 32.0f, 0.0f, red);
    const uint16_t pastTheEnd[6] = {0, 1, 2, 0, 2, 9};
    const struct {
        const char* what;
        const uint16_t* indices;
        uint32_t primitives;
        PrimitiveType type;
        const char* logged;
    } cases[] = {
        {"three triangles of four vertices", nullptr, 3, PrimitiveType::Triangles, "vertices given."},
        {"a strip of six triangles", nullptr, 6, PrimitiveType::TriangleStrip, "vertices given."},
        {"a loop of twelve lines", nullptr, 12, PrimitiveType::LineLoop, "vertices given."},
        {"an index past the vertices", pastTheEnd, 2, PrimitiveType::Triangles,
         "an index points past the vertices given."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
        driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
        ASSERT_TRUE(driver().apply2DStates());
        LogCapture log;
        driver().drawPrimitives(corners, 4, c.indices, c.primitives, VertexType::Batch, IndexType::Bits16, c.type);
        EXPECT_TRUE(log.contains(c.logged));
        CRefHandle<CPixelImage> shot(driver().takeScreenshot());
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot->pixelAt(4, 4), black);
        ASSERT_TRUE(driver().endFrame());
    }
}

// The transparent types 12 to 15 draw without writing depth; the next solid
// material writes it again, so what lies behind it stays hidden.
TEST_P(D3DDriverTest, DepthWritesComeBackAfterTheTransparentTypes) {
    const CColor red(255, 255, 0, 0), green(255, 0, 255, 0), black(0xFF000000);
    const int32_t types[] = {MaterialType::TransparentAddColor, MaterialType::TransparentAlphaChannel,
                             MaterialType::TransparentAlphaChannelRef, MaterialType::TransparentVertexAlpha};
    Material solid = spriteMaterial(MaterialType::Solid, nullptr);
    solid.depthFunc = Material::DepthLessEqual;
    solid.depthWrite = true;
    solid.cullBack = false;
    for (int32_t type : types) {
        SCOPED_TRACE(type);
        Material transparent = solid;
        transparent.materialType = type;
        ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
        drawQuad(transparent, 40, 0, 48, 8, 100.0f, CColor(0x80FFFFFF));
        drawQuad(solid, 0, 0, 16, 16, 100.0f, red);
        // Farther away: hidden where the red quad wrote its depth.
        drawQuad(solid, 0, 0, 16, 16, 200.0f, green);
        CRefHandle<CPixelImage> shot(driver().takeScreenshot());
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot->pixelAt(8, 8), red);
        ASSERT_TRUE(driver().endFrame());
    }
}

INSTANTIATE_TEST_SUITE_P(Direct3D9, D3DDriverTest, testing::Values(direct3D9SceneKind()), sceneDriverName);
INSTANTIATE_TEST_SUITE_P(Direct3D8, D3DDriverTest, testing::Values(direct3D8SceneKind()), sceneDriverName);

// A D3DFMT_R8G8B8 texel is a little-endian 24-bit value: blue comes first in
// memory, where the image's R8G8B8 pixels start with red. Other formats take
// the image's own conversion.
TEST(D3DTexelCopyTest, TwentyFourBitTexelsAreStoredBlueFirst) {
    CRefHandle<CPixelImage> image = makeImage(
        ColorFormat::R8G8B8, 2, 2, [](uint32_t x, uint32_t y) { return CColor(255, 0x10 + x, 0x20 + y, 0x30); });
    uint8_t texels[2 * 8] = {};
    d3dCopyImageTexels(*image, texels, 2, 2, 8, D3DFMT_R8G8B8);
    const uint8_t expected[2 * 8] = {0x30, 0x20, 0x10, 0x30, 0x20, 0x11, 0, 0,
                                     0x30, 0x21, 0x10, 0x30, 0x21, 0x11, 0, 0};
    for (size_t i = 0; i < sizeof texels; ++i)
        EXPECT_EQ(texels[i], expected[i]) << "byte " << i;

    uint32_t wide[4] = {};
    d3dCopyImageTexels(*image, wide, 2, 2, 8, D3DFMT_X8R8G8B8);
    EXPECT_EQ(wide[0], 0xFF102030u);
    EXPECT_EQ(wide[3], 0xFF112130u);
}

} // namespace
