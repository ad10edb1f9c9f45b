#include "engine/video/CD3D8Driver.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/core/Utf8.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/video/CD3D8DriverTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/Direct3D8Driver.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/IShaderConstantCallback.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/MeshVertices.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/support/CTestDriverTexture.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

namespace {

constexpr int32_t ScreenWidth = 64;
constexpr int32_t ScreenHeight = 48;

// The driver on a hidden window of ScreenWidth x ScreenHeight for each test.
class CD3D8DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platformVideoInit(&error)) << error;
        PlatformWindowParams window;
        window.width = ScreenWidth;
        window.height = ScreenHeight;
        window.shown = false;
        window.openGL = false;
        ASSERT_TRUE(m_window.create(window, &error)) << error;
        m_driver = makeDriver(params());
        ASSERT_TRUE(m_driver) << "no Direct3D 8 device";
    }

    void TearDown() override {
        m_driver.reset();
        m_window.destroy();
    }

    static CEngineCreationParams params() {
        CEngineCreationParams params;
        params.driverType = CEngineCreationParams::DriverDirect3D8;
        params.width = ScreenWidth;
        params.height = ScreenHeight;
        params.colorBits = 32;
        return params;
    }

    CRefHandle<CD3D8Driver> makeDriver(const CEngineCreationParams& params) {
        return CRefHandle<CD3D8Driver>(
            static_cast<CD3D8Driver*>(createDirect3D8Driver(params, nullptr, m_window.handle())));
    }

    CD3D8Driver& driver() { return *m_driver; }

    // The frame drawn so far.
    CRefHandle<CPixelImage> screenshot() { return CRefHandle<CPixelImage>(m_driver->takeScreenshot()); }

    CColor pixel(int32_t x, int32_t y) {
        CRefHandle<CPixelImage> shot = screenshot();
        return shot ? shot->pixelAt(uint32_t(x), uint32_t(y)) : CColor(0);
    }

    void addQuad(const Material& material, float x, float y, float width, float height, CColor color) {
        const std::array<CVector2d, 4> corners = {CVector2d(x, y), CVector2d(x + width, y),
                                                  CVector2d(x + width, y + height), CVector2d(x, y + height)};
        const std::array<CVector2d, 4> coordinates = {CVector2d(0.0f, 0.0f), CVector2d(1.0f, 0.0f),
                                                      CVector2d(1.0f, 1.0f), CVector2d(0.0f, 1.0f)};
        m_driver->quadBatch()->addQuad(&material, corners, coordinates, 0.0f, color);
    }

    CPlatformWindow m_window;
    CRefHandle<CD3D8Driver> m_driver;
};

// A 4 x 4 image whose texels all differ.
CRefHandle<CPixelImage> checkerImage() {
    return makeImage(ColorFormat::A8R8G8B8, 4, 4,
                     [](uint32_t x, uint32_t y) { return CColor(255, 40 + x * 50, 30 + y * 60, (x * 4 + y) * 15); });
}

TEST_F(CD3D8DriverTest, StartsInAHiddenWindowAndDescribesItself) {
    CD3D8Driver& d3d = driver();
    EXPECT_EQ(d3d.driverType(), VideoDriverType::Direct3D8);
    EXPECT_EQ(utf16ToUtf8(d3d.driverName().c_str()), "Direct3D 8.1");
    EXPECT_EQ(d3d.shaderServices(), static_cast<IShaderServices*>(&d3d));
    EXPECT_NE(d3d.platformData().device, nullptr);
    EXPECT_EQ(d3d.platformData().window, m_window.handle());
    EXPECT_EQ(d3d.pixelFormat(), ColorFormat::R5G6B5);
    EXPECT_GT(d3d.maxPrimitives(), 0u);

    // The fixed-function renderers fill 0, 1, 9 to 16 and 23 to 26; the
    // other built-in types below them are entries without one.
    ASSERT_EQ(d3d.materialTypeCount(), 27u);
    for (int32_t type = 0; type < 27; ++type) {
        SCOPED_TRACE(type);
        const bool filled = type <= 1 || (type >= 9 && type <= 16) || type >= 23;
        EXPECT_EQ(d3d.materialTypeRenderer(uint32_t(type)) != nullptr, filled);
        EXPECT_STREQ(d3d.materialTypeName(uint32_t(type)), filled ? builtInMaterialTypeName(type) : "null");
    }
    const struct {
        int32_t type;
        bool transparent;
    } transparency[] = {{MaterialType::Solid, false},
                        {MaterialType::TransparentAddColor, true},
                        {MaterialType::TransparentAlphaChannel, true},
                        {MaterialType::TransparentAlphaChannelRef, false},
                        {MaterialType::OneTextureBlend, false},
                        {MaterialType::SpriteColorModulate, true}};
    for (const auto& c : transparency)
        EXPECT_EQ(d3d.materialTypeRenderer(uint32_t(c.type))->isTransparent(), c.transparent) << c.type;

    EXPECT_TRUE(d3d.hasFeature(DriverFeature::RenderToTexture));
    EXPECT_FALSE(d3d.hasFeature(DriverFeature::HighLevelShader));
    EXPECT_FALSE(d3d.hasFeature(DriverFeature::FramebufferObject));
    d3d.enableFeature(DriverFeature::RenderToTexture, false);
    EXPECT_FALSE(d3d.hasFeature(DriverFeature::RenderToTexture));
}

TEST_F(CD3D8DriverTest, ClearsToAColourAndReadsItBack) {
    CD3D8Driver& d3d = driver();
    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(255, 10, 200, 30), nullptr, nullptr));
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width(), uint32_t(ScreenWidth));
    ASSERT_EQ(shot->height(), uint32_t(ScreenHeight));
    for (uint32_t y = 0; y < shot->height(); y += 7)
        for (uint32_t x = 0; x < shot->width(); x += 5)
            ASSERT_EQ(shot->pixelAt(x, y), CColor(255, 10, 200, 30)) << x << ", " << y;
    EXPECT_TRUE(d3d.endFrame());
}

TEST_F(CD3D8DriverTest, RectanglesLinesAndPointsInPixelSpace) {
    CD3D8Driver& d3d = driver();
    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    d3d.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    d3d.fillRect(CColor(255, 255, 0, 0), CRectI(4, 6, 12, 10), nullptr);
    // Clipped to (8, 6) - (12, 8).
    const CRectI clip(8, 0, 40, 8);
    d3d.fillRect(CColor(255, 0, 0, 255), CRectI(4, 6, 12, 10), &clip);
    d3d.fillRectGradient(CRectI(20, 20, 40, 40), CColor(255, 255, 0, 0), CColor(255, 0, 255, 0), CColor(255, 0, 0, 255),
                         CColor(255, 255, 255, 255), nullptr);
    // Lines and points light the pixels they name, as on the other drivers.
    d3d.drawLine2D(CVector2d(10.0f, 44.0f), CVector2d(20.0f, 44.0f), CColor(255, 0, 255, 0));
    d3d.plotPixel(50, 10, CColor(255, 255, 255, 0));
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    const struct {
        uint32_t x, y;
        CColor color;
    } cases[] = {
        {4, 6, CColor(255, 255, 0, 0)},     {7, 9, CColor(255, 255, 0, 0)},   {8, 6, CColor(255, 0, 0, 255)},
        {11, 7, CColor(255, 0, 0, 255)},    {11, 8, CColor(255, 255, 0, 0)},  {12, 7, CColor(0xFF000000)},
        {3, 6, CColor(0xFF000000)},         {7, 10, CColor(0xFF000000)},      {20, 20, CColor(255, 255, 0, 0)},
        {39, 20, CColor(255, 0, 255, 0)},   {20, 39, CColor(255, 0, 0, 255)}, {39, 39, CColor(255, 255, 255, 255)},
        {15, 44, CColor(255, 0, 255, 0)},   {15, 43, CColor(0xFF000000)},     {15, 45, CColor(0xFF000000)},
        {50, 10, CColor(255, 255, 255, 0)}, {49, 9, CColor(0xFF000000)},      {51, 10, CColor(0xFF000000)},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(rgbNear(shot->pixelAt(c.x, c.y), c.color, 16))
            << c.x << ", " << c.y << ": " << shot->pixelAt(c.x, c.y) << " for " << c.color;
    EXPECT_TRUE(d3d.endFrame());
}

// Direct3D 8 has no scissor test: the rectangle becomes four clip planes in
// the coordinates drawing happens in.
TEST_F(CD3D8DriverTest, ScissorClipsByFourPlanes) {
    CD3D8Driver& d3d = driver();
    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    d3d.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    d3d.setScissorRect(CRectI(10, 20, 30, 28));
    d3d.enableScissor(true);
    d3d.fillRect(CColor(255, 255, 0, 0), CRectI(0, 0, ScreenWidth, ScreenHeight), nullptr);
    d3d.enableScissor(false);
    d3d.fillRect(CColor(255, 0, 0, 255), CRectI(0, 40, ScreenWidth, ScreenHeight), nullptr);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    const struct {
        uint32_t x, y;
        bool red;
    } cases[] = {{10, 20, true},  {29, 27, true},  {20, 24, true}, {9, 24, false},
                 {30, 24, false}, {20, 19, false}, {20, 28, false}};
    for (const auto& c : cases)
        EXPECT_EQ(shot->pixelAt(c.x, c.y), c.red ? CColor(255, 255, 0, 0) : CColor(0xFF000000)) << c.x << ", " << c.y;
    // The planes are off again: the second rectangle is whole.
    EXPECT_EQ(shot->pixelAt(0, 47), CColor(255, 0, 0, 255));
    EXPECT_EQ(shot->pixelAt(63, 40), CColor(255, 0, 0, 255));
    EXPECT_TRUE(d3d.endFrame());
}

TEST_F(CD3D8DriverTest, RenderTargetsTakeTheBackBufferFormatAndTheirOwnProjection) {
    CD3D8Driver& d3d = driver();
    CRefHandle<IDriverTexture> target(d3d.renderTargetTexture(CSizeI(32, 16), ColorFormat::R5G6B5));
    ASSERT_TRUE(target);
    EXPECT_TRUE(target->isRenderTarget());
    EXPECT_EQ(target->driverType(), VideoDriverType::Direct3D8);
    // The requested format is not used: a 32-bit back buffer gives A8R8G8B8.
    EXPECT_EQ(target->colorFormat(), ColorFormat::A8R8G8B8);
    EXPECT_EQ(target->pitch(), 32u * 4u);

    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    d3d.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    ASSERT_TRUE(d3d.setRenderTarget(target.get(), true, true, CColor(255, 0, 0, 255)));
    EXPECT_EQ(d3d.renderTargetSize(), CSizeI(32, 16));
    d3d.fillRect(CColor(255, 255, 0, 0), CRectI(16, 8, 32, 16), nullptr);
    ASSERT_TRUE(d3d.setRenderTarget(nullptr, false, false, CColor(0)));
    EXPECT_EQ(d3d.renderTargetSize(), CSizeI(ScreenWidth, ScreenHeight));
    d3d.fillRect(CColor(255, 0, 255, 0), CRectI(0, 0, 4, 4), nullptr);
    EXPECT_EQ(pixel(3, 3), CColor(255, 0, 255, 0));
    EXPECT_EQ(pixel(4, 4), CColor(0xFF000000));
    ASSERT_TRUE(d3d.endFrame());

    // Read back twice: the copy is made once and filled on every lock.
    for (int i = 0; i < 2; ++i) {
        const auto* texels = static_cast<const uint32_t*>(target->lock(true));
        ASSERT_NE(texels, nullptr);
        const uint32_t row = target->pitch() / 4;
        EXPECT_EQ(texels[0] | 0xFF000000u, 0xFF0000FFu);
        EXPECT_EQ(texels[7 * row + 15] | 0xFF000000u, 0xFF0000FFu);
        EXPECT_EQ(texels[8 * row + 16] | 0xFF000000u, 0xFFFF0000u);
        EXPECT_EQ(texels[15 * row + 31] | 0xFF000000u, 0xFFFF0000u);
        target->unlock();
    }
}

TEST_F(CD3D8DriverTest, ImagesUploadAndBuildTheirMipLevelsOnTheProcessor) {
    CD3D8Driver& d3d = driver();
    const auto level = [](IDriverTexture* texture, uint32_t index, uint32_t x, uint32_t y) {
        IDirect3DTexture8* d3dTexture = static_cast<CD3D8DriverTexture*>(texture)->d3dTexture();
        D3DSURFACE_DESC desc{};
        D3DLOCKED_RECT rect{};
        if (!d3dTexture || index >= d3dTexture->GetLevelCount() || FAILED(d3dTexture->GetLevelDesc(index, &desc)) ||
            FAILED(d3dTexture->LockRect(index, &rect, nullptr, D3DLOCK_READONLY)))
            return uint32_t(0xDEADBEEF);
        const auto* row = static_cast<const uint8_t*>(rect.pBits) + size_t(y) * rect.Pitch;
        const uint32_t value = desc.Format == D3DFMT_A8R8G8B8 ? reinterpret_cast<const uint32_t*>(row)[x]
                                                              : reinterpret_cast<const uint16_t*>(row)[x];
        (void)d3dTexture->UnlockRect(index);
        return value;
    };

    // 4 x 4: levels 2 x 2 and 1 x 1, each texel the mean of four.
    CRefHandle<CPixelImage> four = makeImage(ColorFormat::A8R8G8B8, 4, 4, [](uint32_t x, uint32_t y) {
        return CColor(255, x < 2 ? 200 : 100, y < 2 ? 40 : 80, (x + y) % 2 ? 255 : 1);
    });
    CRefHandle<IDriverTexture> texture(d3d.makeDriverTexture(four.get()));
    ASSERT_TRUE(texture);
    EXPECT_TRUE(texture->hasMipMaps());
    EXPECT_EQ(texture->colorFormat(), ColorFormat::A8R8G8B8);
    EXPECT_EQ(texture->imageSize(), CSizeI(4, 4));
    EXPECT_EQ(level(texture.get(), 0, 3, 2), four->pixelAt(3, 2).value);
    EXPECT_EQ(level(texture.get(), 1, 0, 0), 0xFFC82880u);
    EXPECT_EQ(level(texture.get(), 1, 1, 1), 0xFF645080u);
    EXPECT_EQ(level(texture.get(), 2, 0, 0), 0xFF963C80u);

    // 8 x 2: every level down to 1 x 1, the single rows filtered along.
    CRefHandle<CPixelImage> wide =
        makeImage(ColorFormat::A8R8G8B8, 8, 2, [](uint32_t x, uint32_t) { return CColor(255, x * 20, 0, 0); });
    CRefHandle<IDriverTexture> flat(d3d.makeDriverTexture(wide.get()));
    ASSERT_TRUE(flat);
    ASSERT_EQ(static_cast<CD3D8DriverTexture*>(flat.get())->d3dTexture()->GetLevelCount(), 4u);
    EXPECT_EQ(level(flat.get(), 1, 3, 0), 0xFF820000u);
    EXPECT_EQ(level(flat.get(), 2, 1, 0), 0xFF6E0000u);
    EXPECT_EQ(level(flat.get(), 3, 0, 0), 0xFF460000u);

    // A1R5G5B5: the alpha bit stays only where all four texels have it.
    CRefHandle<CPixelImage> bits = makeImage(
        ColorFormat::A1R5G5B5, 2, 2, [](uint32_t x, uint32_t y) { return CColor(x + y == 0 ? 0 : 255, 248, 0, 0); });
    CRefHandle<IDriverTexture> sixteen(d3d.makeDriverTexture(bits.get()));
    ASSERT_TRUE(sixteen);
    EXPECT_EQ(sixteen->colorFormat(), ColorFormat::A1R5G5B5);
    EXPECT_EQ(level(sixteen.get(), 1, 0, 0), 0x7C00u);

    // R5G6B5 filters its own channels, six bits of green included.
    LogCapture log;
    CRefHandle<CPixelImage> plain = makeImage(ColorFormat::R5G6B5, 4, 4, [](uint32_t x, uint32_t) {
        return x % 2 ? CColor(255, 255, 0, 0) : CColor(255, 0, 252, 0);
    });
    CRefHandle<IDriverTexture> filtered(d3d.makeDriverTexture(plain.get()));
    ASSERT_TRUE(filtered);
    EXPECT_EQ(filtered->colorFormat(), ColorFormat::R5G6B5);
    EXPECT_EQ(level(filtered.get(), 0, 1, 1), 0xF800u);
    EXPECT_EQ(level(filtered.get(), 1, 1, 1), uint32_t(15 << 11 | 31 << 5));
    EXPECT_EQ(level(filtered.get(), 2, 0, 0), uint32_t(15 << 11 | 31 << 5));
    EXPECT_FALSE(log.contains("Unsupported mipmap format, cannot copy."));

    // Without the flag there is one level; with the drop flag no image is kept.
    d3d.setTextureFlag(TextureFlag::CreateMipMaps, false);
    d3d.setTextureFlag(TextureFlag::DropImage, true);
    CRefHandle<IDriverTexture> single(d3d.makeDriverTexture(four.get()));
    EXPECT_FALSE(single->hasMipMaps());
    EXPECT_EQ(single->image(), nullptr);
    EXPECT_EQ(static_cast<CD3D8DriverTexture*>(single.get())->d3dTexture()->GetLevelCount(), 1u);
}

// A render target the device will not take leaves drawing on the screen,
// at the screen's size.
TEST_F(CD3D8DriverTest, ARefusedRenderTargetLeavesTheSizeAlone) {
    CD3D8Driver& d3d = driver();
    CRefHandle<IDriverTexture> target(d3d.renderTargetTexture(CSizeI(32, 16), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(target);
    // Without its Direct3D texture, as after a reset that could not make it again.
    static_cast<CD3D8DriverTexture*>(target.get())->releaseDeviceResources();
    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    LogCapture log;
    EXPECT_FALSE(d3d.setRenderTarget(target.get(), false, false, CColor(0)));
    EXPECT_TRUE(log.contains("ERR: Error: Could not set render target."));
    EXPECT_EQ(d3d.renderTargetSize(), CSizeI(ScreenWidth, ScreenHeight));
    // The pixel projection is the screen's: a rectangle lands where it says.
    d3d.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    d3d.fillRect(CColor(255, 0, 255, 0), CRectI(40, 30, 44, 34), nullptr);
    EXPECT_EQ(pixel(42, 32), CColor(255, 0, 255, 0));
    EXPECT_EQ(pixel(20, 15), CColor(0xFF000000));
    EXPECT_TRUE(d3d.endFrame());
}

TEST_F(CD3D8DriverTest, TexturesOfAnotherDriverAreRefused) {
    CD3D8Driver& d3d = driver();
    CRefHandle<IDriverTexture> foreign(
        new CTestDriverTexture(CSizeI(4, 4), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8, 0, VideoDriverType::OpenGL));
    CRefHandle<CImageTexture> content = wrapTexture(foreign.get());
    LogCapture log;
    d3d.applyMaterial(spriteMaterial(MaterialType::SpriteColorModulate, content.get()));
    EXPECT_TRUE(log.contains("ERR: Fatal Error: Tried to set a texture not owned by this driver."));
    EXPECT_FALSE(d3d.setRenderTarget(foreign.get(), false, false, CColor(0)));

    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> own(d3d.makeDriverTexture(image.get()));
    EXPECT_FALSE(d3d.setRenderTarget(own.get(), false, false, CColor(0)));
    EXPECT_TRUE(log.contains("ERR: Fatal Error: Tried to set a non render target texture as render target."));
    CRefHandle<IDriverTexture> large(d3d.renderTargetTexture(CSizeI(ScreenWidth * 2, 8), ColorFormat::A8R8G8B8));
    EXPECT_FALSE(d3d.setRenderTarget(large.get(), false, false, CColor(0)));
    EXPECT_TRUE(log.contains("ERR: Error: Tried to set a render target texture which is bigger than the screen."));
}

// The image operations draw in clip space; the 2D drawing after them gets its
// pixel projection back.
TEST_F(CD3D8DriverTest, PixelDrawingAfterAnImageKeepsItsProjection) {
    CD3D8Driver& d3d = driver();
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(d3d.makeDriverTexture(image.get()));
    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    d3d.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    ASSERT_TRUE(d3d.apply2DStates());
    d3d.drawImagePart(texture.get(), CVector2di(40, 30), CRectI(0, 0, 4, 4), nullptr, CColor(0xFFFFFFFF), false);
    d3d.fillRect(CColor(255, 0, 255, 0), CRectI(10, 10, 20, 20), nullptr);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelAt(15, 15), CColor(255, 0, 255, 0));
    EXPECT_EQ(shot->pixelAt(25, 25), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(5, 5), CColor(0xFF000000));
    EXPECT_TRUE(d3d.endFrame());
}

// Constants to fill a pixel program's colour; counts the calls.
class CConstantColor : public IShaderConstantCallback {
public:
    void noteShaderMaterial(const Material&) override { ++noted; }
    void applyShaderConstants(IRenderServices* services, int32_t userData) override {
        const float color[4] = {0.0f, 1.0f, 0.0f, 1.0f};
        services->setPixelShaderConstant(color, userData, 1);
        ++applied;
    }
    int noted = 0;
    int applied = 0;

protected:
    ~CConstantColor() override = default;
};

TEST_F(CD3D8DriverTest, AssemblyPixelProgramsBecomeMaterialTypes) {
    CD3D8Driver& d3d = driver();
    if (!d3d.hasFeature(DriverFeature::PixelShader11))
        GTEST_SKIP() << "no pixel shaders";
    CRefHandle<CConstantColor> callback(new CConstantColor);
    const uint32_t before = d3d.materialTypeCount();
    const int32_t type = d3d.shaderServices()->createAssemblyShaderMaterial(nullptr, "ps.1.1\nmov r0, c2\n",
                                                                            callback.get(), MaterialType::Solid, 2);
    ASSERT_EQ(type, int32_t(before));
    EXPECT_EQ(d3d.materialTypeCount(), before + 1);
    EXPECT_FALSE(d3d.materialTypeRenderer(uint32_t(type))->isTransparent());

    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    Material material = spriteMaterial(type, nullptr);
    d3d.applyMaterial(material);
    d3d.fillRect(CColor(255, 255, 0, 0), CRectI(0, 0, 8, 8), nullptr);
    EXPECT_EQ(pixel(4, 4), CColor(255, 0, 255, 0));
    EXPECT_EQ(callback->noted, 1);
    EXPECT_GE(callback->applied, 1);
    // Back to a fixed-function type: the program is gone from the device.
    d3d.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    ASSERT_TRUE(d3d.apply3DStates());
    ASSERT_TRUE(d3d.apply2DStates());
    d3d.fillRect(CColor(255, 255, 0, 0), CRectI(8, 0, 16, 8), nullptr);
    EXPECT_EQ(pixel(12, 4), CColor(255, 255, 0, 0));
    EXPECT_TRUE(d3d.endFrame());

    const struct {
        const char* what;
        const char* vertex;
        const char* pixel;
        const char* message;
    } failures[] = {
        {"pixel program that does not assemble", nullptr, "ps.1.1\nbogus r0\n", "Pixel shader compilation failed:"},
        {"vertex program that does not assemble", "vs.1.1\nbogus oPos\n", nullptr,
         "Vertex shader compilation failed: "},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_EQ(d3d.shaderServices()->createAssemblyShaderMaterial(c.vertex, c.pixel, nullptr, 0, 0), -1);
        EXPECT_TRUE(log.contains(c.message));
        EXPECT_EQ(d3d.materialTypeCount(), before + 1);
    }
    LogCapture log;
    const float value[4] = {};
    EXPECT_FALSE(d3d.setPixelShaderConstant("colour", value, 1));
    EXPECT_TRUE(log.contains("Cannot set constant, no HLSL supported in D3D8"));
    EXPECT_EQ(d3d.shaderServices()->createCompiledShaderMaterial("", "main", 0, "", "main", 0, nullptr, 0, 0), -1);
}

// A vertex program takes the device's vertex format; after its material the
// fixed pipeline gets its format back even for a draw of the same vertex type.
TEST_F(CD3D8DriverTest, FixedFunctionDrawsFollowAVertexProgram) {
    CD3D8Driver& d3d = driver();
    if (!d3d.hasFeature(DriverFeature::VertexShader11))
        GTEST_SKIP() << "no vertex shaders";
    const int32_t type = d3d.shaderServices()->createAssemblyShaderMaterial("vs.1.1\nmov oPos, v0\nmov oD0, v2\n",
                                                                            nullptr, nullptr, MaterialType::Solid, 0);
    ASSERT_GE(type, 27);
    const auto quad = [](float x0, float y0, float x1, float y1, CColor color) {
        std::array<NormalTwoCoordsVertex, 4> corners{};
        const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
        for (int i = 0; i < 4; ++i) {
            corners[i].x = xs[i];
            corners[i].y = ys[i];
            corners[i].color = color;
        }
        return corners;
    };
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    Material shaded = spriteMaterial(type, nullptr);
    shaded.cullBack = false;
    d3d.applyMaterial(shaded);
    ASSERT_TRUE(d3d.apply2DStates());
    // Clip space: the program passes positions through. The left half.
    const auto left = quad(-1.0f, 1.0f, 0.0f, -1.0f, CColor(255, 0, 255, 0));
    d3d.drawTriangles(left.data(), 4, indices, 2);
    Material fixed = spriteMaterial(MaterialType::Solid, nullptr);
    fixed.cullBack = false;
    d3d.applyMaterial(fixed);
    // Pixels: the fixed pipeline's projection.
    const auto corner = quad(48.0f, 32.0f, 64.0f, 48.0f, CColor(255, 255, 0, 0));
    d3d.drawTriangles(corner.data(), 4, indices, 2);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelAt(10, 10), CColor(255, 0, 255, 0));
    EXPECT_EQ(shot->pixelAt(40, 10), CColor(0xFF000000));
    EXPECT_EQ(shot->pixelAt(56, 40), CColor(255, 255, 0, 0));
    EXPECT_EQ(shot->pixelAt(40, 40), CColor(0xFF000000));
    EXPECT_TRUE(d3d.endFrame());
}

// A reset (here by a resize) lets the render targets go and makes them again:
// the device resets, and the targets draw afterwards.
TEST_F(CD3D8DriverTest, RenderTargetsOutliveAReset) {
    CD3D8Driver& d3d = driver();
    CRefHandle<IDriverTexture> target(d3d.renderTargetTexture(CSizeI(16, 16), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(target);
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture(d3d.makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    d3d.applyMaterial(spriteMaterial(MaterialType::SpriteColorModulate, content.get()));
    ASSERT_TRUE(d3d.setRenderTarget(target.get(), true, false, CColor(0xFF000000)));
    ASSERT_TRUE(d3d.endFrame());

    LogCapture log;
    d3d.onWindowResized(CSizeI(ScreenWidth, ScreenHeight));
    EXPECT_TRUE(log.contains("INF: Resetting D3D8 device."));
    EXPECT_FALSE(log.contains("Resetting failed"));
    EXPECT_EQ(d3d.renderTargetSize(), CSizeI(ScreenWidth, ScreenHeight));

    ASSERT_TRUE(d3d.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    d3d.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    ASSERT_TRUE(d3d.setRenderTarget(target.get(), true, true, CColor(255, 0, 0, 255)));
    d3d.fillRect(CColor(255, 255, 0, 0), CRectI(0, 0, 8, 16), nullptr);
    ASSERT_TRUE(d3d.setRenderTarget(nullptr, false, false, CColor(0)));
    ASSERT_TRUE(d3d.endFrame());
    const auto* texels = static_cast<const uint32_t*>(target->lock(true));
    ASSERT_NE(texels, nullptr);
    EXPECT_EQ(texels[3] | 0xFF000000u, 0xFFFF0000u);
    EXPECT_EQ(texels[12] | 0xFF000000u, 0xFF0000FFu);
    target->unlock();
}

} // namespace
