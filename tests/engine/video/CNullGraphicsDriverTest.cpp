#include "engine/video/CNullGraphicsDriver.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/ITimeSource.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/IReadableFile.h"
#include "engine/video/CGeometryBuffer.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IShaderConstantCallback.h"
#include "engine/video/MaterialTypes.h"
#include "tests/support/CRecordingGraphicsDriver.h"
#include "tests/support/CTestDriverTexture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Call = CRecordingGraphicsDriver::Call;

CEngineCreationParams screen(int32_t width, int32_t height) {
    CEngineCreationParams params;
    params.width = width;
    params.height = height;
    params.colorBits = 32;
    return params;
}

// Counts its own destruction, to show the table's references.
class CountedRenderer : public IMaterialTypeRenderer {
public:
    explicit CountedRenderer(int* destroyed) : m_destroyed(destroyed) {}
    void setMaterial(const Material&, const Material&, bool, IRenderServices*) override {}
    void unsetMaterial() override {}
    [[nodiscard]] bool onRender(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override { return true; }
    [[nodiscard]] int32_t renderCapability() const override { return 0; }

protected:
    ~CountedRenderer() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

class CNullGraphicsDriverTest : public ::testing::Test {
protected:
    CRefHandle<IGraphicsDriver> driver{createNullDriver(screen(800, 600), nullptr)};
    CNullGraphicsDriver& base = static_cast<CNullGraphicsDriver&>(*driver);
};

} // namespace

TEST_F(CNullGraphicsDriverTest, IdentifiesAsTheNullDevice) {
    EXPECT_EQ(driver->driverName(), CStringW(u"Null Device"));
    EXPECT_EQ(driver->driverType(), VideoDriverType::Null);
    EXPECT_EQ(driver->pixelFormat(), ColorFormat::R5G6B5);
    EXPECT_EQ(driver->screenSize(), CSizeI(800, 600));
    EXPECT_EQ(driver->renderTargetSize(), CSizeI(800, 600));
    EXPECT_EQ(driver->viewportRect(), CRectI(0, 0, 800, 600));
    EXPECT_EQ(driver->colorDepth(), 32);
    EXPECT_EQ(driver->maxPrimitives(), 0xFFFFFFFFu);
    EXPECT_EQ(driver->shaderServices(), nullptr);
    EXPECT_EQ(driver->takeScreenshot(), nullptr);
    EXPECT_EQ(driver->vendorInfo(), CString("Not available on this driver."));
    EXPECT_EQ(driver->framesPerSecond(), 60);
    EXPECT_EQ(driver->storedValue(), 0);
    EXPECT_EQ(driver->platformData().window, nullptr);
    EXPECT_NE(driver->quadBatch(), nullptr);
    EXPECT_TRUE(driver->textureFlag(TextureFlag::CreateMipMaps));
    EXPECT_FALSE(driver->textureFlag(TextureFlag::Prefer16Bit | TextureFlag::Prefer32Bit));
    EXPECT_TRUE(driver->beginFrame(true, true, CColor(), nullptr, nullptr));
    EXPECT_TRUE(driver->endFrame());
    EXPECT_FALSE(driver->apply2DStates());
    EXPECT_FALSE(driver->setRenderTarget(0, true, true, CColor()));
    EXPECT_FALSE(driver->setRenderTarget(1, true, true, CColor()));
    EXPECT_EQ(driver->emptyTexture(CSizeI(4, 4), ColorFormat::A8R8G8B8), nullptr);
    EXPECT_EQ(driver->textureFromImage(nullptr), nullptr);
    for (uint32_t kind = 0; kind < MatrixKindCount; ++kind)
        EXPECT_TRUE(driver->matrix(static_cast<MatrixKind>(kind)).isIdentity());
}

TEST_F(CNullGraphicsDriverTest, LogsTheRendererItUses) {
    LogCapture log;
    CRefHandle<IGraphicsDriver> another(createNullDriver(screen(320, 200), nullptr));
    EXPECT_TRUE(log.contains("INF: Using renderer: Null Device"));
}

TEST_F(CNullGraphicsDriverTest, NoFeatureIsSupportedWhateverTheSwitches) {
    for (uint32_t id = 0; id < DriverFeatureCount; ++id) {
        driver->enableFeature(static_cast<DriverFeature>(id), true);
        EXPECT_FALSE(driver->hasFeature(static_cast<DriverFeature>(id)));
    }
}

TEST_F(CNullGraphicsDriverTest, MaterialTableHoldsTheBuiltInNames) {
    ASSERT_EQ(driver->materialTypeCount(), 29u);
    const char* const expected[] = {"solid",
                                    "solid_2layer",
                                    "lightmap",
                                    "lightmap_add",
                                    "lightmap_m2",
                                    "lightmap_m4",
                                    "lightmap_light",
                                    "lightmap_light_m2",
                                    "lightmap_light_m4",
                                    "detail_map",
                                    "sphere_map",
                                    "reflection_2layer",
                                    "trans_add",
                                    "trans_alphach",
                                    "trans_alphach_ref",
                                    "trans_vertex_alpha",
                                    "trans_reflection_2layer",
                                    "normalmap_solid",
                                    "normalmap_trans_add",
                                    "normalmap_trans_vertexalpha",
                                    "parallaxmap_solid",
                                    "parallaxmap_trans_add",
                                    "parallaxmap_trans_vertexalpha",
                                    "onetexture_blend",
                                    "sprite_color_modulate",
                                    "sprite_color_add",
                                    "sprite_2t_alpha_modulate_color_modulate",
                                    "sprite_2t_alpha_modulate_color_add",
                                    "sprite_2t_alpha_modulate_color2"};
    for (uint32_t i = 0; i < 29; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(driver->materialTypeName(i), expected[i]);
        IMaterialTypeRenderer* renderer = driver->materialTypeRenderer(i);
        ASSERT_NE(renderer, nullptr);
        EXPECT_FALSE(renderer->isTransparent());
        EXPECT_EQ(renderer->renderCapability(), 0);
        EXPECT_TRUE(renderer->onRender(&base, VertexType::Batch));
    }
    EXPECT_EQ(driver->materialTypeName(29), nullptr);
    EXPECT_EQ(driver->materialTypeRenderer(29), nullptr);
}

TEST_F(CNullGraphicsDriverTest, RegisteringBeyondTheEndFillsTheGapWithNullEntries) {
    int destroyed = 0;
    auto* renderer = new CountedRenderer(&destroyed);
    EXPECT_EQ(driver->registerMaterialType(40, renderer, nullptr), 40);
    EXPECT_EQ(renderer->referenceCount(), 2);
    ASSERT_EQ(driver->materialTypeCount(), 41u);
    for (uint32_t i = 29; i < 40; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(driver->materialTypeName(i), "null");
        EXPECT_EQ(driver->materialTypeRenderer(i), nullptr);
    }
    EXPECT_STREQ(driver->materialTypeName(40), "");
    EXPECT_EQ(driver->materialTypeRenderer(40), renderer);

    // Added types may be renamed; built-in ones keep their names.
    driver->renameMaterialType(40, "glow");
    driver->renameMaterialType(24, "glow");
    driver->renameMaterialType(41, "glow");
    EXPECT_STREQ(driver->materialTypeName(40), "glow");
    EXPECT_STREQ(driver->materialTypeName(24), "sprite_color_modulate");
    EXPECT_EQ(driver->materialTypeCount(), 41u);

    // A given name is kept; without an index the next free one is taken.
    EXPECT_EQ(driver->registerMaterialType(-1, renderer, "shader"), 41);
    EXPECT_STREQ(driver->materialTypeName(41), "shader");
    EXPECT_EQ(driver->registerMaterialType(5, nullptr, "x"), -1);
    EXPECT_STREQ(driver->materialTypeName(5), "lightmap_m4");

    // Replacing an entry releases the renderer it held; the driver releases
    // the rest when it goes.
    EXPECT_EQ(renderer->referenceCount(), 3);
    EXPECT_EQ(base.addAndDropMaterialRenderer(40, new CountedRenderer(&destroyed)), 40);
    EXPECT_EQ(renderer->referenceCount(), 2);
    renderer->release();
    EXPECT_EQ(destroyed, 0);
    driver.reset();
    EXPECT_EQ(destroyed, 2);
}

TEST_F(CNullGraphicsDriverTest, RegisteringFarBeyondTheTableIsRefused) {
    int destroyed = 0;
    CRefHandle<CountedRenderer> renderer(new CountedRenderer(&destroyed));
    LogCapture log;
    EXPECT_EQ(driver->registerMaterialType(0x7FFFFFFF, renderer.get(), nullptr), -1);
    EXPECT_EQ(driver->materialTypeCount(), 29u);
    EXPECT_TRUE(log.contains("ERR: "));
}

TEST_F(CNullGraphicsDriverTest, TextureColorFormatFollowsTheFlags) {
    using F = ColorFormat;
    constexpr uint32_t Both16And32 = TextureFlag::Prefer16Bit | TextureFlag::Prefer32Bit;
    const struct {
        uint32_t flags;
        F in;
        F out;
    } cases[] = {
        {0, F::A1R5G5B5, F::A1R5G5B5},
        {0, F::A4R4G4B4, F::A4R4G4B4},
        {0, F::R5G6B5, F::R5G6B5},
        {0, F::R8G8B8, F::R8G8B8},
        {0, F::A8R8G8B8, F::A8R8G8B8},
        {0, F::R16F, F::A8R8G8B8},
        {0, F::A32B32G32R32F, F::A8R8G8B8},
        {TextureFlag::NoAlpha, F::A1R5G5B5, F::R5G6B5},
        {TextureFlag::NoAlpha, F::A4R4G4B4, F::R5G6B5},
        {TextureFlag::NoAlpha, F::A8R8G8B8, F::R8G8B8},
        {TextureFlag::NoAlpha, F::G16R16F, F::A8R8G8B8},
        {TextureFlag::Prefer32Bit, F::A1R5G5B5, F::A8R8G8B8},
        {TextureFlag::Prefer32Bit, F::A4R4G4B4, F::A8R8G8B8},
        {TextureFlag::Prefer32Bit, F::R5G6B5, F::A8R8G8B8},
        {TextureFlag::Prefer32Bit, F::R8G8B8, F::R8G8B8},
        {TextureFlag::Prefer16Bit, F::R8G8B8, F::R5G6B5},
        {TextureFlag::Prefer16Bit, F::A8R8G8B8, F::A4R4G4B4},
        {TextureFlag::Prefer16Bit, F::A1R5G5B5, F::A1R5G5B5},
        {TextureFlag::Prefer16Bit, F::R32F, F::A4R4G4B4},
        {TextureFlag::NoAlpha | TextureFlag::Prefer16Bit, F::A8R8G8B8, F::R5G6B5},
        {TextureFlag::NoAlpha | TextureFlag::Prefer32Bit, F::A1R5G5B5, F::A8R8G8B8},
        // Both preferences: widened by the 32-bit rule, then narrowed by the 16-bit one.
        {Both16And32, F::A1R5G5B5, F::A4R4G4B4},
        {Both16And32, F::A4R4G4B4, F::A4R4G4B4},
        {Both16And32, F::R5G6B5, F::A4R4G4B4},
        {Both16And32, F::R8G8B8, F::R5G6B5},
        {Both16And32, F::A8R8G8B8, F::A4R4G4B4},
        {Both16And32, F::R16F, F::A4R4G4B4},
        {Both16And32 | TextureFlag::NoAlpha, F::A1R5G5B5, F::A4R4G4B4},
        {Both16And32 | TextureFlag::NoAlpha, F::A8R8G8B8, F::R5G6B5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.flags) + " " + std::to_string(uint32_t(c.in)));
        for (uint32_t flag : {1u, 2u, 4u, 8u, 16u})
            driver->setTextureFlag(flag, (c.flags & flag) != 0);
        // One call with both bits is the way to have both preferences set.
        if ((c.flags & Both16And32) == Both16And32)
            driver->setTextureFlag(Both16And32, true);
        EXPECT_EQ(base.textureColorFormat(c.in), c.out);
    }
}

TEST_F(CNullGraphicsDriverTest, SixteenAndThirtyTwoBitFlagsExcludeEachOther) {
    driver->setTextureFlag(TextureFlag::Prefer32Bit, true);
    driver->setTextureFlag(TextureFlag::Prefer16Bit, true);
    EXPECT_TRUE(driver->textureFlag(TextureFlag::Prefer16Bit));
    EXPECT_FALSE(driver->textureFlag(TextureFlag::Prefer32Bit));
    driver->setTextureFlag(TextureFlag::Prefer32Bit, true);
    EXPECT_FALSE(driver->textureFlag(TextureFlag::Prefer16Bit));
    EXPECT_TRUE(driver->textureFlag(TextureFlag::Prefer32Bit));
    // Other flags are independent, and switching one off touches nothing else.
    driver->setTextureFlag(TextureFlag::DropImage, true);
    driver->setTextureFlag(TextureFlag::Prefer16Bit, false);
    EXPECT_TRUE(driver->textureFlag(TextureFlag::Prefer32Bit));
    EXPECT_TRUE(driver->textureFlag(TextureFlag::DropImage));
    EXPECT_TRUE(driver->textureFlag(TextureFlag::CreateMipMaps));
}

TEST_F(CNullGraphicsDriverTest, ResizeKeepsAPartialViewport) {
    driver->onWindowResized(CSizeI(1024, 768));
    EXPECT_EQ(driver->viewportRect(), CRectI(0, 0, 1024, 768));
    EXPECT_EQ(driver->screenSize(), CSizeI(1024, 768));

    CRefHandle<CRecordingGraphicsDriver> recording(CRecordingGraphicsDriver::create(screen(800, 600)));
    recording->setViewportRect(CRectI(100, 0, 700, 600));
    recording->onWindowResized(CSizeI(1024, 768));
    EXPECT_EQ(recording->viewportRect(), CRectI(100, 0, 700, 600));
    EXPECT_EQ(recording->screenSize(), CSizeI(1024, 768));
}

TEST_F(CNullGraphicsDriverTest, LightsAreKeptInOrder) {
    CLight light;
    light.type = CLight::Spot;
    EXPECT_EQ(driver->addLight(CLight()), 0);
    EXPECT_EQ(driver->addLight(light), 1);
    EXPECT_EQ(driver->lightCount(), 2);
    ASSERT_NE(driver->light(1), nullptr);
    EXPECT_EQ(driver->light(1)->type, CLight::Spot);
    EXPECT_EQ(driver->light(2), nullptr);
    EXPECT_EQ(driver->light(-1), nullptr);
    EXPECT_EQ(driver->maxLights(), 0);
    driver->clearLights();
    EXPECT_EQ(driver->lightCount(), 0);
}

TEST_F(CNullGraphicsDriverTest, ImageFromDataWrapsOrCopies) {
    uint32_t pixels[4] = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
    CRefHandle<CPixelImage> wrapped(driver->imageFromData(ColorFormat::A8R8G8B8, CSizeI(2, 2), pixels, true, false));
    CRefHandle<CPixelImage> copied(driver->imageFromData(ColorFormat::A8R8G8B8, CSizeI(2, 2), pixels, false, false));
    ASSERT_TRUE(wrapped && copied);
    EXPECT_EQ(static_cast<void*>(wrapped->data()), static_cast<void*>(pixels));
    EXPECT_NE(static_cast<void*>(copied->data()), static_cast<void*>(pixels));
    EXPECT_EQ(copied->pixelAt(1, 1).value, 0xFF000004u);
    EXPECT_TRUE(wrapped->getContentName().empty());
    EXPECT_EQ(driver->imageFromData(ColorFormat::A8R8G8B8, CSizeI(-2, 2), pixels, false, false), nullptr);
}

TEST(CNullGraphicsDriverDrawingTest, RegularPolygonDrawsAClosedOutline) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    driver->drawRegularPolygon(CVector2d(50, 50), 10.0f, CColor(0xFFFF0000), 2);
    EXPECT_TRUE(driver->records().empty());

    driver->drawRegularPolygon(CVector2d(50, 50), 10.0f, CColor(0xFFFF0000), 4);
    EXPECT_EQ(driver->calls(), (std::vector<Call>{Call::Apply2DStates, Call::DrawPrimitives}));
    const auto& draw = *driver->recordsOf(Call::DrawPrimitives)[0];
    EXPECT_EQ(draw.primitiveType, PrimitiveType::LineStrip);
    EXPECT_EQ(draw.primitiveCount, 4u);
    EXPECT_EQ(draw.vertexCount, 5u);
    EXPECT_FALSE(draw.indexed);
    const float expected[5][2] = {{60, 50}, {50, 60}, {40, 50}, {50, 40}, {60, 50}};
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(draw.vertices[k].x, expected[k][0], 1e-4);
        EXPECT_NEAR(draw.vertices[k].y, expected[k][1], 1e-4);
        EXPECT_EQ(draw.vertices[k].color.value, 0xFFFF0000u);
    }

    LogCapture log;
    driver->drawRegularPolygon(CVector2d(), 1.0f, CColor(), 0x7FFFFFFF);
    EXPECT_TRUE(log.contains("ERR: "));
}

TEST(CNullGraphicsDriverDrawingTest, FillRectIsAGradientOfOneColour) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    driver->fillRect(CColor(0xFF000000), CRectI(0, 0, 80, 600), nullptr);
    const CRectI clip(10, 10, 20, 20);
    driver->fillRect(CColor(0xFF102030), CRectI(1, 2, 3, 4), &clip);
    const auto fills = driver->recordsOf(Call::FillRectGradient);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0]->rect, CRectI(0, 0, 80, 600));
    EXPECT_FALSE(fills[0]->hasClip);
    for (const CColor& c : fills[0]->colors)
        EXPECT_EQ(c.value, 0xFF000000u);
    EXPECT_TRUE(fills[1]->hasClip);
    EXPECT_EQ(fills[1]->clip, clip);
}

TEST(CNullGraphicsDriverDrawingTest, ImageRunAdvancesByWidthAndSkipsBadIndices) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(64, 32), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8));
    CArray<CRectI> sources;
    sources.push_back(CRectI(0, 0, 8, 16));
    sources.push_back(CRectI(8, 0, 20, 16));
    CArray<int32_t> indices;
    for (int32_t i : {1, 0, 7, -1, 1})
        indices.push_back(i);
    driver->drawImageRun(texture.get(), CVector2di(100, 5), sources, indices, 2, nullptr, CColor(0xFFFFFFFF), true);
    const auto parts = driver->recordsOf(Call::DrawImagePart);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0]->position, CVector2di(100, 5));
    EXPECT_EQ(parts[0]->source, CRectI(8, 0, 20, 16));
    EXPECT_EQ(parts[1]->position, CVector2di(114, 5));
    EXPECT_EQ(parts[2]->position, CVector2di(124, 5));

    driver->clearRecords();
    driver->drawImageAt(texture.get(), CVector2di(3, 4));
    const auto at = driver->recordsOf(Call::DrawImagePart);
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0]->source, CRectI(0, 0, 64, 32));
    EXPECT_EQ(at[0]->colors[0].value, 0xFFFFFFFFu);
    EXPECT_FALSE(at[0]->useAlphaChannel);
    EXPECT_FALSE(at[0]->hasClip);
}

TEST(CNullGraphicsDriverDrawingTest, MeshDrawsItsBufferAndRefusesInconsistentCounts) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    BatchVertex v[3];
    const uint16_t indices[3] = {0, 1, 2};
    buffer->append(v, 3, indices, 3);
    buffer->setPrimitiveCount(1);
    driver->drawMesh(buffer.get());
    auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::Triangles);
    EXPECT_EQ(draws[0]->indices, (std::vector<uint32_t>{0, 1, 2}));

    LogCapture log;
    buffer->setPrimitiveCount(2);
    driver->drawMesh(buffer.get());
    driver->drawMesh(nullptr);
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 1u);
    EXPECT_TRUE(log.contains("ERR: Could not draw mesh"));
}

TEST(CNullGraphicsDriverDrawingTest, MeshWithoutPrimitivesDrawsNothingQuietly) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    // An emptied particle buffer of each kind: a strip or fan "needs" two
    // vertices even for no primitive, which must not count against it.
    for (const PrimitiveType type : {PrimitiveType::Triangles, PrimitiveType::TriangleStrip, PrimitiveType::TriangleFan,
                                     PrimitiveType::LineStrip, PrimitiveType::QuadStrip}) {
        SCOPED_TRACE(static_cast<int>(type));
        CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
        buffer->setPrimitiveType(type);
        EXPECT_TRUE(buffer->countsAreConsistent());
        LogCapture log;
        driver->drawMesh(buffer.get());
        EXPECT_TRUE(log.lines().empty());
    }
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 0u);
}

TEST(CNullGraphicsDriverDrawingTest, TooManyPrimitivesAreRefusedWithALogLine) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    driver->setMaxPrimitives(65535);
    EXPECT_TRUE(driver->checkPrimitiveCount(65535));
    LogCapture log;
    EXPECT_FALSE(driver->checkPrimitiveCount(65536));
    EXPECT_TRUE(log.contains("ERR: Could not draw triangles, too many primitives(65536), maxium is 65535."));
}

TEST(CNullGraphicsDriverDrawingTest, PrimitiveCountsFollowTheFrames) {
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    BatchVertex v[4];
    EXPECT_TRUE(driver->beginFrame(true, true, CColor(), nullptr, nullptr));
    driver->drawPrimitives(v, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::TriangleFan);
    driver->drawPrimitives(v, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::TriangleFan);
    EXPECT_TRUE(driver->endFrame());
    EXPECT_TRUE(driver->beginFrame(true, true, CColor(), nullptr, nullptr));
    driver->drawPrimitives(v, 3, nullptr, 1, VertexType::Batch, IndexType::Bits16, PrimitiveType::Triangles);
    EXPECT_TRUE(driver->endFrame());
    EXPECT_EQ(driver->primitiveCount(0), 1u);
    EXPECT_EQ(driver->primitiveCount(2), 5u);
}

// Colour keys -------------------------------------------------------------

TEST(CNullGraphicsDriverColorKeyTest, KeyColourBecomesTransparentEverythingElseOpaque) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(3, 2), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8));
    texture->setTexel(0, 0, 0x00FF00FF); // key colour with alpha 0
    texture->setTexel(1, 0, 0x80FF00FF); // key colour, half alpha
    texture->setTexel(2, 0, 0x40123456);
    texture->setTexel(0, 1, 0xFFFF00FE);
    texture->setTexel(2, 1, 0xFFFF00FF);
    driver->colorKeyFromColor(texture.get(), CColor(0xFFFF00FF));
    EXPECT_EQ(texture->texel(0, 0), 0u);
    EXPECT_EQ(texture->texel(1, 0), 0u);
    EXPECT_EQ(texture->texel(2, 0), 0xFF123456u);
    EXPECT_EQ(texture->texel(0, 1), 0xFFFF00FEu);
    EXPECT_EQ(texture->texel(1, 1), 0xFF000000u);
    EXPECT_EQ(texture->texel(2, 1), 0u);
    EXPECT_EQ(texture->lockCount(), 1);
    EXPECT_EQ(texture->unlockCount(), 1);
}

TEST(CNullGraphicsDriverColorKeyTest, SixteenBitKeyUsesTheTopBitsOfTheColour) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(2, 1), ColorFormat::A1R5G5B5, ColorFormat::A1R5G5B5));
    texture->setTexel(0, 0, 0x7C1F); // magenta without alpha
    texture->setTexel(1, 0, 0x001F);
    // The low three bits of each channel do not matter.
    driver->colorKeyFromColor(texture.get(), CColor(0x00FF07FF));
    EXPECT_EQ(texture->texel(0, 0), 0u);
    EXPECT_EQ(texture->texel(1, 0), 0x801Fu);
}

TEST(CNullGraphicsDriverColorKeyTest, PixelKeyIndexesRowsByPitch) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    // Rows padded to 8 texels, the image 3 wide: the texel at (1, 1) lies at
    // byte 1 * 32 + 1 * 4, not at texel index 1 + 1 * 3.
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(3, 2), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8, 32));
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            texture->setTexel(x, y, 0xFF000000u | (y * 3 + x));
    texture->setTexel(0, 0, 0xFF000004); // same colour as (1, 1)
    driver->colorKeyFromPixel(texture.get(), 1, 1);
    EXPECT_EQ(texture->texel(1, 1), 0u);
    EXPECT_EQ(texture->texel(0, 0), 0u);
    EXPECT_EQ(texture->texel(2, 1), 0xFF000005u);
    EXPECT_EQ(texture->texel(1, 0), 0xFF000001u);
}

TEST(CNullGraphicsDriverColorKeyTest, WalksTheFormatTheLockHandsOut) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    // An A1R5G5B5 texture whose lock hands out A8R8G8B8 (as the OpenGL
    // textures do): accepted by its own format, walked as 32-bit texels,
    // rows by the pitch (here padded to 3 texels).
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(2, 2), ColorFormat::A1R5G5B5, ColorFormat::A8R8G8B8, 12));
    texture->setTexel(0, 0, 0x00000000);
    texture->setTexel(1, 0, 0x00FFFFFF);
    texture->setTexel(2, 0, 0x12345678); // padding: outside the texture
    texture->setTexel(0, 1, 0x00FFFFFF);
    texture->setTexel(1, 1, 0x00000000);
    LogCapture log;
    driver->colorKeyFromPixel(texture.get(), 0, 0);
    EXPECT_FALSE(log.contains("ERR: "));
    EXPECT_EQ(texture->texel(0, 0), 0u);
    EXPECT_EQ(texture->texel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(texture->texel(0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(texture->texel(1, 1), 0u);
    EXPECT_EQ(texture->texel(2, 0), 0x12345678u);

    // The colour form keys the colour as the lock hands it out: all 32 bits.
    driver->colorKeyFromColor(texture.get(), CColor(0xFFFFFFFF));
    EXPECT_EQ(texture->texel(1, 0), 0u);
    EXPECT_FALSE(log.contains("ERR: "));
}

TEST(CNullGraphicsDriverColorKeyTest, TextureFormatDecidesWhatTheLockFormatCannot) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    const struct {
        const char* what;
        ColorFormat format;
        ColorFormat lockFormat;
    } cases[] = {
        // A texture without alpha stays without a key, even when its lock
        // hands out a format that has alpha.
        {"R5G6B5 locked as A8R8G8B8", ColorFormat::R5G6B5, ColorFormat::A8R8G8B8},
        {"R8G8B8 locked as A8R8G8B8", ColorFormat::R8G8B8, ColorFormat::A8R8G8B8},
        // A lock format the key cannot walk.
        {"A8R8G8B8 locked as R5G6B5", ColorFormat::A8R8G8B8, ColorFormat::R5G6B5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CTestDriverTexture> texture(new CTestDriverTexture(CSizeI(2, 2), c.format, c.lockFormat));
        const std::vector<uint8_t> before = texture->bytes();
        LogCapture log;
        driver->colorKeyFromPixel(texture.get(), 0, 0);
        driver->colorKeyFromColor(texture.get(), CColor(0));
        EXPECT_TRUE(log.contains("ERR: Error: Unsupported texture color format for making color key channel."));
        EXPECT_EQ(texture->bytes(), before);
        EXPECT_EQ(texture->lockCount(), 0);
    }
}

TEST(CNullGraphicsDriverColorKeyTest, PitchKnownOnlyWhileLockedIsReadAfterLocking) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(2, 2), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8, 16));
    texture->setPitchOnlyWhileLocked(true);
    ASSERT_EQ(texture->pitch(), 0u);
    texture->setTexel(1, 1, 0xFF00FF00);
    texture->setTexel(0, 0, 0xFF00FF00);
    texture->setTexel(1, 0, 0xFF0000FF);
    LogCapture log;
    driver->colorKeyFromPixel(texture.get(), 1, 1);
    EXPECT_FALSE(log.contains("ERR: "));
    EXPECT_EQ(texture->texel(1, 1), 0u);
    EXPECT_EQ(texture->texel(0, 0), 0u);
    EXPECT_EQ(texture->texel(1, 0), 0xFF0000FFu);
    EXPECT_EQ(texture->lockCount(), 1);
    EXPECT_EQ(texture->unlockCount(), 1);
    EXPECT_FALSE(texture->locked());

    // A pitch, once known, too short for the position: refused, and the
    // texture is unlocked again unchanged.
    CRefHandle<CTestDriverTexture> narrow(
        new CTestDriverTexture(CSizeI(4, 1), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8, 8));
    narrow->setPitchOnlyWhileLocked(true);
    const std::vector<uint8_t> before = narrow->bytes();
    driver->colorKeyFromPixel(narrow.get(), 3, 0);
    EXPECT_TRUE(log.contains("ERR: Color key position outside the texture: 3, 0"));
    EXPECT_EQ(narrow->bytes(), before);
    EXPECT_EQ(narrow->lockCount(), 1);
    EXPECT_EQ(narrow->unlockCount(), 1);
}

TEST(CNullGraphicsDriverColorKeyTest, RefusalsLeaveTheTextureAlone) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    const struct {
        const char* what;
        ColorFormat lockFormat;
        int32_t x;
        int32_t y;
        bool refuseLock;
        const char* line;
    } cases[] = {
        {"R5G6B5", ColorFormat::R5G6B5, 0, 0, false,
         "ERR: Error: Unsupported texture color format for making color key channel."},
        {"A4R4G4B4", ColorFormat::A4R4G4B4, 0, 0, false, "ERR: Error: Unsupported texture color format"},
        {"R8G8B8", ColorFormat::R8G8B8, 0, 0, false, "ERR: Error: Unsupported texture color format"},
        {"x past the width", ColorFormat::A8R8G8B8, 2, 0, false, "ERR: Color key position outside the texture"},
        {"y past the height", ColorFormat::A8R8G8B8, 0, 2, false, "ERR: Color key position outside the texture"},
        {"negative x", ColorFormat::A8R8G8B8, -1, 0, false, "ERR: Color key position outside the texture"},
        {"lock refused", ColorFormat::A8R8G8B8, 0, 0, true,
         "ERR: Could not lock texture for making color key channel."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CTestDriverTexture> texture(new CTestDriverTexture(CSizeI(2, 2), c.lockFormat, c.lockFormat));
        texture->setLockRefused(c.refuseLock);
        const std::vector<uint8_t> before = texture->bytes();
        LogCapture log;
        driver->colorKeyFromPixel(texture.get(), c.x, c.y);
        EXPECT_TRUE(log.contains(c.line));
        EXPECT_EQ(texture->bytes(), before);
        EXPECT_EQ(texture->unlockCount(), 0);
    }
    // The colour form refuses the unsupported formats the same way.
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(2, 2), ColorFormat::R5G6B5, ColorFormat::R5G6B5));
    LogCapture log;
    driver->colorKeyFromColor(texture.get(), CColor(0));
    EXPECT_TRUE(log.contains("Unsupported texture color format"));
    EXPECT_EQ(texture->lockCount(), 0);
    driver->colorKeyFromColor(nullptr, CColor(0));
}

// Shader files ---------------------------------------------------------------

namespace {

// Records the texts the file forms end in.
class ShaderTextDriver : public CNullGraphicsDriver {
public:
    explicit ShaderTextDriver(CVirtualFileSystem* fileSystem)
        : CNullGraphicsDriver(CEngineCreationParams(), fileSystem, nullptr) {}
    int32_t createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                         IShaderConstantCallback* givenCallback, int32_t,
                                         int32_t givenUserData) override {
        ++calls;
        callback = givenCallback;
        userData = givenUserData;
        vertexText = vertexProgram ? vertexProgram : "<null>";
        pixelText = pixelProgram ? pixelProgram : "<null>";
        return 33;
    }
    int calls = 0;
    IShaderConstantCallback* callback = nullptr;
    int32_t userData = 0;
    std::string vertexText;
    std::string pixelText;
};

// Writes down what a shader renderer tells it, in order.
class RecordingConstantCallback : public IShaderConstantCallback {
public:
    void noteShaderMaterial(const Material& material) override {
        events.push_back("material " + std::to_string(material.materialType));
    }
    void applyShaderConstants(IRenderServices* services, int32_t userData) override {
        events.push_back(std::string("constants ") + (services ? "with" : "without") + " services, " +
                         std::to_string(userData));
    }
    std::vector<std::string> events;
};

} // namespace

TEST(CNullGraphicsDriverShaderTest, FileFormsHandTheConstantCallbackOn) {
    TempDir dir;
    const std::string path = dir.write("program.txt", std::string("program")).string();
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    CRefHandle<ShaderTextDriver> driver(new ShaderTextDriver(fileSystem.get()));
    CRefHandle<RecordingConstantCallback> callback(new RecordingConstantCallback);
    EXPECT_EQ(driver->createAssemblyShaderMaterialFromFileNames(path.c_str(), nullptr, callback.get(), 0, 77), 33);
    ASSERT_EQ(driver->callback, callback.get());
    EXPECT_EQ(driver->userData, 77);

    // What a shader renderer does with it: the material as it is set, then
    // the constants before the draw, with the user value given at creation.
    Material material;
    material.materialType = 29;
    driver->callback->noteShaderMaterial(material);
    driver->callback->applyShaderConstants(driver.get(), driver->userData);
    EXPECT_EQ(callback->events, (std::vector<std::string>{"material 29", "constants with services, 77"}));
}

TEST(CNullGraphicsDriverShaderTest, TextFormsRefuseInTheNullDriver) {
    CRefHandle<IGraphicsDriver> driver(createNullDriver(screen(800, 600), nullptr));
    auto& base = static_cast<CNullGraphicsDriver&>(*driver);
    LogCapture log;
    EXPECT_EQ(base.createAssemblyShaderMaterial("!!ARBvp1.0", nullptr, nullptr, 0, 0), -1);
    EXPECT_TRUE(log.contains("INF: Shader materials not implemented yet in this driver, sorry."));
    EXPECT_EQ(base.createCompiledShaderMaterial("void main(){}", "main", 0, nullptr, nullptr, 0, nullptr, 0, 0), -1);
    EXPECT_TRUE(log.contains("INF: High level shader materials not available (yet) in this driver, sorry"));
}

TEST(CNullGraphicsDriverShaderTest, FileNamesAreOpenedThroughTheFileSystem) {
    TempDir dir;
    const std::string vertexPath = dir.write("shader.vert", std::string("vertex text")).string();
    const std::string pixelPath = dir.write("shader.frag", std::string("pixel text")).string();
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    CRefHandle<ShaderTextDriver> driver(new ShaderTextDriver(fileSystem.get()));

    EXPECT_EQ(driver->createAssemblyShaderMaterialFromFileNames(vertexPath.c_str(), pixelPath.c_str(), nullptr, 0, 0),
              33);
    EXPECT_EQ(driver->vertexText, "vertex text");
    EXPECT_EQ(driver->pixelText, "pixel text");

    EXPECT_EQ(driver->createAssemblyShaderMaterialFromFileNames(nullptr, pixelPath.c_str(), nullptr, 0, 0), 33);
    EXPECT_EQ(driver->vertexText, "<null>");

    const std::string missing = (dir.path() / "missing.vert").string();
    LogCapture log;
    EXPECT_EQ(driver->createAssemblyShaderMaterialFromFileNames(missing.c_str(), pixelPath.c_str(), nullptr, 0, 0), -1);
    EXPECT_TRUE(log.contains("WRN: Could not open vertex shader program file: " + missing));
    EXPECT_EQ(driver->createAssemblyShaderMaterialFromFileNames(vertexPath.c_str(), missing.c_str(), nullptr, 0, 0),
              -1);
    EXPECT_TRUE(log.contains("WRN: Could not open pixel shader program file: " + missing));
    EXPECT_EQ(driver->calls, 2);
}

TEST(CNullGraphicsDriverShaderTest, OneFileServesBothStages) {
    TempDir dir;
    const std::string path = dir.write("both.txt", std::string("shared program")).string();
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    CRefHandle<ShaderTextDriver> driver(new ShaderTextDriver(fileSystem.get()));
    CRefHandle<IReadableFile> file(fileSystem->openForRead(CStringW(path.c_str())));
    ASSERT_TRUE(file);
    EXPECT_EQ(driver->createAssemblyShaderMaterialFromFiles(file.get(), file.get(), nullptr, 0, 0), 33);
    EXPECT_EQ(driver->vertexText, "shared program");
    EXPECT_EQ(driver->pixelText, "shared program");
}
