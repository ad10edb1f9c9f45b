#include "engine/video/CGLDriver.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/Utf8.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGLContext.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/MeshVertices.h"
#include "engine/video/OpenGLDriver.h"
#include "tests/engine/video/GLDriverTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

using CGLDriverTest = GLDriverTest;

// Entry points that count the state calls of the driver: enables,
// environments, blending, texture parameters, matrices, material colours.
int& stateCalls() {
    static int count = 0;
    return count;
}

#define BM_COUNTED(name, params, args)                                                                                 \
    decltype(&::name) real_##name = nullptr;                                                                           \
    void APIENTRY counted_##name params {                                                                              \
        ++stateCalls();                                                                                                \
        real_##name args;                                                                                              \
    }
BM_COUNTED(glEnable, (GLenum cap), (cap))
BM_COUNTED(glDisable, (GLenum cap), (cap))
BM_COUNTED(glTexEnvi, (GLenum target, GLenum name, GLint value), (target, name, value))
BM_COUNTED(glBlendFunc, (GLenum source, GLenum destination), (source, destination))
BM_COUNTED(glTexParameteri, (GLenum target, GLenum name, GLint value), (target, name, value))
BM_COUNTED(glMatrixMode, (GLenum mode), (mode))
BM_COUNTED(glLoadIdentity, (), ())
BM_COUNTED(glLoadMatrixf, (const GLfloat* matrix), (matrix))
BM_COUNTED(glMaterialfv, (GLenum face, GLenum name, const GLfloat* values), (face, name, values))
BM_COUNTED(glPolygonMode, (GLenum face, GLenum mode), (face, mode))
BM_COUNTED(glDepthMask, (GLboolean flag), (flag))
#undef BM_COUNTED

// The test context, handing out the counting entry points.
class CCountingGLContext : public IGLContext {
public:
    explicit CCountingGLContext(IGLContext* inner) : m_inner(CRefHandle<IGLContext>::share(inner)) {}
    [[nodiscard]] bool makeCurrent() override { return m_inner->makeCurrent(); }
    [[nodiscard]] bool swapBuffers() override { return m_inner->swapBuffers(); }
    [[nodiscard]] bool setSwapInterval(int32_t interval) override { return m_inner->setSwapInterval(interval); }
    [[nodiscard]] void* windowHandle() const override { return m_inner->windowHandle(); }
    [[nodiscard]] void* contextHandle() const override { return m_inner->contextHandle(); }
    [[nodiscard]] void* procAddress(const char* name) override {
        void* real = m_inner->procAddress(name);
#define BM_WRAP(fn)                                                                                                    \
    if (std::strcmp(name, #fn) == 0) {                                                                                 \
        real_##fn = reinterpret_cast<decltype(real_##fn)>(real);                                                       \
        return reinterpret_cast<void*>(&counted_##fn);                                                                 \
    }
        BM_WRAP(glEnable)
        BM_WRAP(glDisable)
        BM_WRAP(glTexEnvi)
        BM_WRAP(glBlendFunc)
        BM_WRAP(glTexParameteri)
        BM_WRAP(glMatrixMode)
        BM_WRAP(glLoadIdentity)
        BM_WRAP(glLoadMatrixf)
        BM_WRAP(glMaterialfv)
        BM_WRAP(glPolygonMode)
        BM_WRAP(glDepthMask)
#undef BM_WRAP
        return real;
    }

protected:
    ~CCountingGLContext() override = default;

private:
    CRefHandle<IGLContext> m_inner;
};

// A 4 x 4 image whose texels all differ.
CRefHandle<CPixelImage> checkerImage() {
    return makeImage(ColorFormat::A8R8G8B8, 4, 4,
                     [](uint32_t x, uint32_t y) { return CColor(255, 40 + x * 50, 30 + y * 60, (x * 4 + y) * 15); });
}

TEST_F(CGLDriverTest, StartsOnAHiddenContextAndDescribesItself) {
    CGLDriver& gl = driver();
    EXPECT_EQ(gl.driverType(), VideoDriverType::OpenGL);
    const std::string name = utf16ToUtf8(gl.driverName().c_str());
    EXPECT_EQ(name.substr(0, 7), "OpenGL ");
    // The name ends with the version number.
    EXPECT_EQ(name.find(' ', 7), std::string::npos);
    EXPECT_FALSE(gl.vendorInfo().empty());
    EXPECT_GE(gl.extensions().version, 102);
    EXPECT_EQ(gl.maxPrimitives(), 65535u);
    EXPECT_EQ(gl.shaderServices(), static_cast<IShaderServices*>(&gl));
    EXPECT_NE(gl.platformData().renderingContext, nullptr);

    // The fixed-function renderers fill 0, 1, 9 to 16 and 23 to 28; the
    // other built-in types are reserved entries without one.
    ASSERT_EQ(gl.materialTypeCount(), 29u);
    for (int32_t type = 0; type < 29; ++type) {
        SCOPED_TRACE(type);
        const bool filled = type <= 1 || (type >= 9 && type <= 16) || type >= 23;
        EXPECT_EQ(gl.materialTypeRenderer(static_cast<uint32_t>(type)) != nullptr, filled);
        EXPECT_STREQ(gl.materialTypeName(static_cast<uint32_t>(type)), filled ? builtInMaterialTypeName(type) : "null");
    }
    EXPECT_TRUE(gl.materialTypeRenderer(MaterialType::SpriteColorModulate)->isTransparent());
    EXPECT_FALSE(gl.materialTypeRenderer(MaterialType::Solid)->isTransparent());
}

TEST_F(CGLDriverTest, FeaturesFollowTheImplementationAndTheSwitches) {
    CGLDriver& gl = driver();
    EXPECT_TRUE(gl.hasFeature(DriverFeature::RenderToTexture));
    EXPECT_FALSE(gl.hasFeature(DriverFeature::HighLevelShader));
    EXPECT_EQ(gl.hasFeature(DriverFeature::FramebufferObject), gl.extensions().has(GLExtension::ExtFramebufferObject));
    EXPECT_EQ(gl.hasFeature(DriverFeature::StencilBuffer), gl.extensions().stencilBuffer);
    gl.enableFeature(DriverFeature::RenderToTexture, false);
    EXPECT_FALSE(gl.hasFeature(DriverFeature::RenderToTexture));
    EXPECT_LE(gl.extensions().maxTextureUnits, 4);
}

TEST_F(CGLDriverTest, ClearsToAColourAndReadsItBack) {
    CGLDriver& gl = driver();
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(255, 10, 200, 30), nullptr, nullptr));
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->colorFormat(), ColorFormat::R8G8B8);
    ASSERT_EQ(shot->width(), uint32_t(ScreenWidth));
    ASSERT_EQ(shot->height(), uint32_t(ScreenHeight));
    for (uint32_t y = 0; y < shot->height(); y += 7)
        for (uint32_t x = 0; x < shot->width(); x += 5)
            ASSERT_EQ(shot->pixelAt(x, y), CColor(255, 10, 200, 30)) << x << ", " << y;
    EXPECT_TRUE(gl.endFrame());
    EXPECT_EQ(m_context->swapCount(), 1);
}

TEST_F(CGLDriverTest, ScreenshotsHoldTheTopRowFirst) {
    CGLDriver& gl = driver();
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    Material plain = spriteMaterial(MaterialType::Solid, nullptr);
    gl.applyMaterial(plain);
    gl.fillRect(CColor(255, 255, 0, 0), CRectI(0, 0, ScreenWidth, 1), nullptr);
    CRefHandle<CPixelImage> shot = screenshot();
    EXPECT_EQ(shot->pixelAt(3, 0), CColor(255, 255, 0, 0));
    EXPECT_EQ(shot->pixelAt(3, 1), CColor(255, 0, 0, 0));
    EXPECT_EQ(shot->pixelAt(3, ScreenHeight - 1), CColor(255, 0, 0, 0));
}

TEST_F(CGLDriverTest, QuadBatchDrawsTexelsExactlyWithNearestFiltering) {
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    ASSERT_TRUE(texture);
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    const Material material = spriteMaterial(MaterialType::SpriteColorModulate, content.get());

    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    CQuadBatch* batch = gl.quadBatch();
    batch->begin();
    addQuad(gl, material, 10.0f, 20.0f, 4.0f, 4.0f, CColor(0xFFFFFFFF)); // 1:1
    addQuad(gl, material, 30.0f, 8.0f, 8.0f, 8.0f, CColor(0xFFFFFFFF));  // each texel 2 x 2
    batch->end();

    CRefHandle<CPixelImage> shot = screenshot();
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 4; ++x) {
            SCOPED_TRACE(testing::Message() << "texel " << x << ", " << y);
            const CColor texel = image->pixelAt(x, y);
            EXPECT_EQ(shot->pixelAt(10 + x, 20 + y), texel);
            EXPECT_EQ(shot->pixelAt(30 + 2 * x, 8 + 2 * y), texel);
            EXPECT_EQ(shot->pixelAt(31 + 2 * x, 9 + 2 * y), texel);
        }
    }
    EXPECT_EQ(shot->pixelAt(9, 20), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(14, 20), CColor(0xFF000000));
    ASSERT_TRUE(gl.endFrame());
    // Both quads of the one material went out in one draw of four triangles.
    EXPECT_EQ(gl.primitiveCount(0), 4u);
}

TEST_F(CGLDriverTest, VertexColoursModulateTheTexture) {
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 1, 1, [](uint32_t, uint32_t) { return CColor(255, 200, 100, 50); });
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    gl.quadBatch()->begin();
    addQuad(gl, spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 0, 0, 4, 4, CColor(255, 255, 128, 0));
    gl.quadBatch()->end();
    EXPECT_TRUE(rgbNear(pixel(1, 1), CColor(255, 200, 50, 0), 1)) << pixel(1, 1);
}

TEST_F(CGLDriverTest, ImagesAndRectanglesBetweenSpritesLeaveTheSpriteTextureBound) {
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    const Material material = spriteMaterial(MaterialType::SpriteColorModulate, content.get());
    BatchVertex quad[4];
    auto place = [&quad](float x, float y) {
        const float corners[4][4] = {{0, 0, 0, 0}, {4, 0, 1, 0}, {4, 4, 1, 1}, {0, 4, 0, 1}};
        for (int i = 0; i < 4; ++i) {
            quad[i].x = x + corners[i][0];
            quad[i].y = y + corners[i][1];
            quad[i].u = corners[i][2];
            quad[i].v = corners[i][3];
            quad[i].color = CColor(0xFFFFFFFF);
        }
    };

    const struct {
        const char* what;
        std::function<void()> interrupt;
    } cases[] = {
        {"fillRect", [&gl] { gl.fillRect(CColor(255, 0, 0, 255), CRectI(20, 0, 24, 4), nullptr); }},
        {"drawLine2D", [&gl] { gl.drawLine2D(CVector2d(20, 1), CVector2d(24, 1), CColor(255, 0, 0, 255)); }},
        {"drawImagePart",
         [&gl, &texture] {
             gl.drawImagePart(texture.get(), CVector2di(20, 0), CRectI(0, 0, 2, 2), nullptr, CColor(0xFFFFFFFF), false);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
        (void)gl.apply2DStates();
        gl.applyMaterial(material);
        place(0, 0);
        gl.drawPrimitives(quad, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::TriangleFan);
        // Each switches texturing off behind the material's back.
        c.interrupt();
        gl.applyMaterial(material);
        place(10, 0);
        gl.drawPrimitives(quad, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::TriangleFan);
        CRefHandle<CPixelImage> shot = screenshot();
        EXPECT_NE(shot->pixelAt(21, 1), CColor(0xFF000000));
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x)
                EXPECT_EQ(shot->pixelAt(10 + x, y), image->pixelAt(x, y)) << x << ", " << y;
    }
}

TEST_F(CGLDriverTest, TexturesReleasedBetweenFramesAreNotTouchedByTheNextFrame) {
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    texture.reset();
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    gl.quadBatch()->begin();
    addQuad(gl, spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 0, 0, 4, 4, CColor(0xFFFFFFFF));
    gl.quadBatch()->end();
    ASSERT_TRUE(gl.endFrame());
    // A cache purge between frames drops the content and its texture.
    content.reset();
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    gl.quadBatch()->begin();
    gl.fillRect(CColor(255, 0, 0, 255), CRectI(0, 0, 2, 2), nullptr);
    gl.quadBatch()->end();
    EXPECT_TRUE(gl.endFrame());
}

// A node may let its texture go in the middle of a frame, after its quad
// was drawn: the driver's kept materials must not read it afterwards.
TEST_F(CGLDriverTest, TexturesReleasedInTheMiddleOfAFrameAreNotReadAgain) {
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    texture.reset();
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    gl.quadBatch()->begin();
    addQuad(gl, spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 0, 0, 4, 4, CColor(0xFFFFFFFF));
    gl.quadBatch()->flush();
    content.reset();
    gl.fillRect(CColor(255, 255, 0, 0), CRectI(8, 0, 10, 2), nullptr);
    gl.drawLine2D(CVector2d(0, 10), CVector2d(8, 10), CColor(255, 0, 255, 0));
    EXPECT_EQ(pixel(9, 1), CColor(255, 255, 0, 0));
    EXPECT_EQ(pixel(4, 10), CColor(255, 0, 255, 0));
    EXPECT_TRUE(gl.endFrame());
}

// Image operations set the 2D states when they start after other drawing;
// further images send only what they change.
TEST_F(CGLDriverTest, ImageDrawsSendTheirStatesOnceThenOnlyChanges) {
    CRefHandle<CCountingGLContext> counting(new CCountingGLContext(m_context.get()));
    m_driver.reset();
    CEngineCreationParams params;
    params.driverType = CEngineCreationParams::DriverOpenGL;
    params.width = ScreenWidth;
    params.height = ScreenHeight;
    params.colorBits = 32;
    m_driver.reset(static_cast<CGLDriver*>(createOpenGLDriver(params, nullptr, counting.get())));
    ASSERT_TRUE(m_driver);
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    CRefHandle<IDriverTexture> other(gl.makeDriverTexture(image.get()));
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    const CColor white(0xFFFFFFFF);
    const CColor halfWhite(0x80FFFFFF);

    stateCalls() = 0;
    gl.drawImagePart(texture.get(), CVector2di(0, 0), CRectI(0, 0, 4, 4), nullptr, white, false);
    EXPECT_GT(stateCalls(), 10);
    const struct {
        const char* what;
        std::function<void()> draw;
        int most; // state calls at most
    } cases[] = {
        {"the same again",
         [&] { gl.drawImagePart(texture.get(), CVector2di(4, 0), CRectI(0, 0, 4, 4), nullptr, white, false); }, 0},
        {"scaled, same blending",
         [&] { gl.drawImageScaled(texture.get(), CRectI(8, 0, 12, 4), CRectI(0, 0, 4, 4), nullptr, nullptr, false); },
         0},
        {"another texture",
         [&] { gl.drawImagePart(other.get(), CVector2di(12, 0), CRectI(0, 0, 4, 4), nullptr, white, false); }, 5},
        {"blended",
         [&] { gl.drawImagePart(other.get(), CVector2di(16, 0), CRectI(0, 0, 4, 4), nullptr, halfWhite, false); }, 13},
        {"blended again",
         [&] { gl.drawImagePart(other.get(), CVector2di(20, 0), CRectI(0, 0, 4, 4), nullptr, halfWhite, false); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        stateCalls() = 0;
        c.draw();
        EXPECT_LE(stateCalls(), c.most);
    }
    // A rectangle between images sends the material's states; the next image
    // sets its own again and still draws right.
    gl.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    gl.fillRect(CColor(255, 255, 0, 0), CRectI(0, 8, 4, 12), nullptr);
    stateCalls() = 0;
    gl.drawImagePart(texture.get(), CVector2di(24, 0), CRectI(0, 0, 4, 4), nullptr, white, false);
    EXPECT_GT(stateCalls(), 10);
    CRefHandle<CPixelImage> shot = screenshot();
    for (int32_t x : {0, 4, 8, 12, 24})
        for (uint32_t i = 0; i < 4; ++i)
            EXPECT_EQ(shot->pixelAt(uint32_t(x) + i, i), image->pixelAt(i, i)) << "image at " << x;
    EXPECT_EQ(shot->pixelAt(1, 9), CColor(255, 255, 0, 0));
}

TEST_F(CGLDriverTest, DrawImagePartCutsByClipAndTarget) {
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    // Texels (1, 1) to (3, 3) at (5, 5), the clip leaving only the right column.
    const CRectI clip(6, 0, 100, 100);
    gl.drawImagePart(texture.get(), CVector2di(5, 5), CRectI(1, 1, 3, 3), &clip, CColor(0xFFFFFFFF), false);
    // Half outside the screen on the left.
    gl.drawImagePart(texture.get(), CVector2di(-2, 20), CRectI(0, 0, 4, 4), nullptr, CColor(0xFFFFFFFF), false);
    CRefHandle<CPixelImage> shot = screenshot();
    EXPECT_EQ(shot->pixelAt(5, 5), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(6, 5), image->pixelAt(2, 1));
    EXPECT_EQ(shot->pixelAt(6, 6), image->pixelAt(2, 2));
    EXPECT_EQ(shot->pixelAt(7, 5), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(0, 20), image->pixelAt(2, 0));
    EXPECT_EQ(shot->pixelAt(1, 23), image->pixelAt(3, 3));
}

TEST_F(CGLDriverTest, DrawImageScaledTakesCornerColoursAndClip) {
    CGLDriver& gl = driver();
    CRefHandle<CPixelImage> white =
        makeImage(ColorFormat::A8R8G8B8, 2, 2, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFF); });
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(white.get()));
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    // Top left, bottom left, bottom right, top right.
    const CColor colors[4] = {CColor(255, 255, 0, 0), CColor(255, 0, 255, 0), CColor(255, 0, 0, 255),
                              CColor(255, 255, 255, 0)};
    const CRectI clip(0, 0, 16, 16);
    gl.drawImageScaled(texture.get(), CRectI(0, 0, 32, 32), CRectI(0, 0, 2, 2), &clip, colors, false);
    CRefHandle<CPixelImage> shot = screenshot();
    EXPECT_TRUE(rgbNear(shot->pixelAt(0, 0), colors[0], 16)) << shot->pixelAt(0, 0);
    EXPECT_EQ(shot->pixelAt(16, 1), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(1, 16), CColor(0xFF000000));
    gl.drawImageScaled(texture.get(), CRectI(32, 0, 64, 32), CRectI(0, 0, 2, 2), nullptr, colors, false);
    shot = screenshot();
    EXPECT_TRUE(rgbNear(shot->pixelAt(32, 31), colors[1], 16)) << shot->pixelAt(32, 31);
    EXPECT_TRUE(rgbNear(shot->pixelAt(63, 31), colors[2], 16)) << shot->pixelAt(63, 31);
    EXPECT_TRUE(rgbNear(shot->pixelAt(63, 0), colors[3], 16)) << shot->pixelAt(63, 0);
    // The caller's scissor stays off.
    gl.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    gl.fillRect(CColor(255, 1, 2, 3), CRectI(40, 40, 44, 44), nullptr);
    EXPECT_EQ(pixel(41, 41), CColor(255, 1, 2, 3));
}

TEST_F(CGLDriverTest, RectanglesLinesAndPoints) {
    CGLDriver& gl = driver();
    gl.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    const CRectI far(50, 40, 60, 45);
    gl.fillRect(CColor(255, 9, 9, 9), CRectI(0, 0, 10, 10), &far);     // no overlap: nothing
    gl.fillRect(CColor(255, 9, 9, 9), CRectI(10, 10, 5, 20), nullptr); // turned: nothing
    gl.fillRectGradient(CRectI(0, 0, 4, 4), CColor(255, 255, 0, 0), CColor(255, 255, 0, 0), CColor(255, 0, 0, 255),
                        CColor(255, 0, 0, 255), nullptr);
    gl.drawLine2D(CVector2d(10.0f, 30.0f), CVector2d(20.0f, 30.0f), CColor(255, 0, 255, 0));
    gl.plotPixel(40, 40, CColor(255, 0, 0, 255));
    gl.plotPixel(ScreenWidth + 1, 2, CColor(255, 0, 0, 255)); // beyond the target: ignored
    CRefHandle<CPixelImage> shot = screenshot();
    EXPECT_EQ(shot->pixelAt(0, 0).red() > 200, true);
    EXPECT_EQ(shot->pixelAt(0, 3).blue() > 100, true);
    EXPECT_EQ(shot->pixelAt(5, 5), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(15, 30), CColor(255, 0, 255, 0));
    EXPECT_EQ(shot->pixelAt(15, 29), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(40, 40), CColor(255, 0, 0, 255));
    EXPECT_EQ(shot->pixelAt(41, 40), CColor(0xFF000000));
}

TEST_F(CGLDriverTest, DrawPrimitivesRefusesCountsBeyondTheArrays) {
    CGLDriver& gl = driver();
    BatchVertex vertices[4];
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 9};
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    const struct {
        const char* what;
        const void* indices;
        uint32_t primitives;
        const char* line;
    } cases[] = {
        {"more vertices than given", nullptr, 3, "Could not draw primitives, 3 primitives need more"},
        {"an index past the vertices", indices, 2, "an index points past the vertices given"},
        {"above the driver's maximum", nullptr, 70000, "too many primitives(70000), maxium is 65535"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        gl.drawPrimitives(vertices, 4, c.indices, c.primitives, VertexType::Batch, IndexType::Bits16,
                          PrimitiveType::Triangles);
        EXPECT_TRUE(log.contains(c.line));
    }
    ASSERT_TRUE(gl.endFrame());
    EXPECT_EQ(gl.primitiveCount(0), 0u);
}

TEST_F(CGLDriverTest, TexturesOfAnotherDriverAreRefused) {
    CRefHandle<CGLDriver> first = m_driver;
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> foreign(first->makeDriverTexture(image.get()));
    restartDriver(nullptr);
    ASSERT_TRUE(m_driver);
    LogCapture log;
    EXPECT_FALSE(driver().setActiveTexture(0, foreign.get()));
    EXPECT_FALSE(driver().setRenderTarget(foreign.get(), true, true, CColor(0xFF000000)));
    EXPECT_EQ(log.count("Fatal Error: Tried to set a texture not owned by this driver."), 2u);
    EXPECT_EQ(driver().boundTexture(0), nullptr);
}

TEST_F(CGLDriverTest, TexturesMayOutliveTheirDriver) {
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<IDriverTexture> target(driver().renderTargetTexture(CSizeI(8, 8), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(target);
    ASSERT_TRUE(driver().setRenderTarget(target.get(), true, true, CColor(0xFF000000)));
    ASSERT_TRUE(driver().setActiveTexture(0, texture.get()));
    m_driver.reset();
    // Nothing reaches the driver that has gone.
    EXPECT_EQ(texture->imageSize(), CSizeI(4, 4));
    texture->regenerateMipMaps();
    texture.reset();
    target.reset();
}

TEST_F(CGLDriverTest, ShadowVolumeMarksTheStencilAndTheOverlayDarkensIt) {
    CGLDriver& gl = driver();
    if (!gl.extensions().stencilBuffer)
        GTEST_SKIP() << "The context has no stencil buffer.";
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(255, 200, 200, 200), nullptr, nullptr));
    // One triangle covering the left half of the view in clip space.
    const CVector3d triangle[3] = {CVector3d(-1.0f, -1.0f, 0.5f), CVector3d(-1.0f, 3.0f, 0.5f),
                                   CVector3d(0.0f, -1.0f, 0.5f)};
    (void)gl.apply3DStates();
    gl.drawShadowVolume(triangle, 3, false);
    const CColor shade(255, 0, 0, 0);
    gl.drawShadowOverlay(true, shade, shade, shade, shade);
    CRefHandle<CPixelImage> shot = screenshot();
    EXPECT_NE(shot->pixelAt(2, ScreenHeight / 2), shot->pixelAt(ScreenWidth - 2, ScreenHeight / 2));
    EXPECT_EQ(shot->pixelAt(ScreenWidth - 2, ScreenHeight / 2), CColor(255, 200, 200, 200));
}

TEST_F(CGLDriverTest, ResizedWindowsGetTheirProjectionViewportAndScreenshot) {
    CGLDriver& gl = driver();
    gl.onWindowResized(CSizeI(32, 24));
    EXPECT_EQ(gl.viewportRect(), CRectI(0, 0, 32, 24));
    EXPECT_EQ(gl.renderTargetSize(), CSizeI(32, 24));
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    gl.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    gl.fillRect(CColor(255, 255, 0, 0), CRectI(0, 0, 1, 1), nullptr);
    gl.fillRect(CColor(255, 0, 255, 0), CRectI(31, 23, 32, 24), nullptr);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_EQ(shot->width(), 32u);
    ASSERT_EQ(shot->height(), 24u);
    EXPECT_EQ(shot->pixelAt(0, 0), CColor(255, 255, 0, 0));
    EXPECT_EQ(shot->pixelAt(31, 23), CColor(255, 0, 255, 0));
    EXPECT_EQ(shot->pixelAt(1, 1), CColor(0xFF000000));
}

TEST_F(CGLDriverTest, ThreeDimensionalOperationsSendValidState) {
    CGLDriver& gl = driver();
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    CLight light;
    EXPECT_EQ(gl.addLight(light), 0);
    light.type = CLight::Spot;
    EXPECT_EQ(gl.addLight(light), 1);
    light.type = CLight::Directional;
    EXPECT_EQ(gl.addLight(light), 2);
    gl.switchLight(0, false);
    gl.switchLight(0, true);
    EXPECT_EQ(gl.lightCount(), 3);
    EXPECT_GE(gl.maxLights(), 8);
    gl.setFogParameters(CColor(0xFF808080), false, 1.0f, 10.0f, 0.5f, true, false);
    gl.setAmbientColor(CColorf(0.2f, 0.2f, 0.2f, 1.0f));
    const float plane[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    EXPECT_TRUE(gl.defineClipPlane(0, plane, true));
    EXPECT_FALSE(gl.defineClipPlane(gl.extensions().maxClipPlanes, plane, true));
    gl.toggleClipPlane(0, false);

    Material material;
    material.materialType = MaterialType::Solid;
    material.shininess = 20.0f;
    material.wireframe = true;
    material.fog = true;
    material.layers[0].wrap = TextureLayer::WrapMirror;
    material.antiAlias = 0xFF;
    gl.applyMaterial(material);
    (void)gl.apply3DStates();
    NormalVertex triangle[3];
    triangle[1].x = 1.0f;
    triangle[2].y = 1.0f;
    const uint16_t indices[3] = {0, 1, 2};
    gl.drawTriangles(triangle, 3, indices, 1);
    gl.drawFan(triangle, 3, indices, 1);
    BatchVertex points[2];
    material.materialType = MaterialType::SpriteColorModulate;
    material.thickness = 4.0f;
    gl.applyMaterial(material);
    gl.drawPrimitives(points, 2, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::PointSprites);
    gl.drawPrimitives(points, 2, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::Points);
    gl.clearLights();
    gl.clearZBuffer();
    EXPECT_EQ(gl.lightCount(), 0);
    EXPECT_EQ(gl.gl().glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(CGLDriverCreation, FailsWithALineWhenTheContextCannotBeMadeCurrent) {
    class CDeadContext : public IGLContext {
    public:
        bool makeCurrent() override { return false; }
        bool swapBuffers() override { return false; }
        bool setSwapInterval(int32_t) override { return false; }
        void* procAddress(const char*) override { return nullptr; }
        void* windowHandle() const override { return nullptr; }
        void* contextHandle() const override { return nullptr; }
    };
    CRefHandle<CDeadContext> context(new CDeadContext);
    LogCapture log;
    EXPECT_EQ(createOpenGLDriver(CEngineCreationParams(), nullptr, context.get()), nullptr);
    EXPECT_TRUE(log.contains("Cannot activate GL rendering context"));
    EXPECT_EQ(context->referenceCount(), 1);
}

} // namespace
