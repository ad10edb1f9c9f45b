#include "engine/video/CGLDriverTexture.h"

#include "engine/video/CQuadBatch.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/video/GLDriverTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using CGLDriverTextureTest = GLDriverTest;

// A colour reduced to the precision `format` keeps of it.
CColor reduced(CColor color, ColorFormat format) {
    auto keep = [](uint32_t channel, uint32_t bits) { return channel >> (8 - bits); };
    switch (format) {
    case ColorFormat::A1R5G5B5:
        return CColor(keep(color.alpha(), 1), keep(color.red(), 5), keep(color.green(), 5), keep(color.blue(), 5));
    case ColorFormat::A4R4G4B4:
        return CColor(keep(color.alpha(), 4), keep(color.red(), 4), keep(color.green(), 4), keep(color.blue(), 4));
    case ColorFormat::R5G6B5:
        return CColor(0, keep(color.red(), 5), keep(color.green(), 6), keep(color.blue(), 5));
    case ColorFormat::R8G8B8:
        return CColor(0, color.red(), color.green(), color.blue());
    default:
        return color;
    }
}

CColor texelAt(const void* data, uint32_t pitch, uint32_t x, uint32_t y) {
    uint32_t value;
    std::memcpy(&value, static_cast<const uint8_t*>(data) + uint64_t(y) * pitch + uint64_t(x) * 4, 4);
    return CColor(value);
}

TEST_F(CGLDriverTextureTest, UploadFromEveryImageFormatReadsBackTheSamePixels) {
    const ColorFormat formats[] = {ColorFormat::A1R5G5B5, ColorFormat::A4R4G4B4, ColorFormat::R5G6B5,
                                   ColorFormat::R8G8B8, ColorFormat::A8R8G8B8};
    for (const ColorFormat format : formats) {
        SCOPED_TRACE(testing::Message() << "format " << static_cast<unsigned>(format));
        // Three columns make rows whose length is no multiple of four bytes.
        CRefHandle<CPixelImage> image = makeImage(format, 3, 2, [](uint32_t x, uint32_t y) {
            const uint32_t i = y * 3 + x;
            return CColor(i % 2 ? 255 : 0x80, 20 + i * 40, 250 - i * 37, 9 + i * 45);
        });
        CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->colorFormat(), format);
        EXPECT_EQ(texture->imageSize(), CSizeI(3, 2));
        EXPECT_EQ(texture->size(), CSizeI(3, 2));
        EXPECT_EQ(texture->image(), image.get());
        EXPECT_TRUE(texture->hasMipMaps());
        const void* data = texture->lock(true);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(texture->pitch(), 12u);
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 3; ++x)
                EXPECT_EQ(reduced(texelAt(data, texture->pitch(), x, y), format), reduced(image->pixelAt(x, y), format))
                    << x << ", " << y;
        texture->unlock();
    }
    EXPECT_EQ(driver().gl().glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CGLDriverTextureTest, WithoutNonPowerOfTwoTexturesTheImageIsPaddedAndStillDrawnWhole) {
    driver().enableFeature(DriverFeature::NonPowerOfTwoTexture, false);
    CRefHandle<CPixelImage> image = makeImage(
        ColorFormat::A8R8G8B8, 3, 3, [](uint32_t x, uint32_t y) { return CColor(255, 60 * x + 10, 60 * y + 10, 99); });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    EXPECT_EQ(texture->imageSize(), CSizeI(3, 3));
    EXPECT_EQ(texture->size(), CSizeI(4, 4));
    const void* data = texture->lock(true);
    EXPECT_EQ(texelAt(data, texture->pitch(), 3, 0), CColor(0));
    EXPECT_EQ(texelAt(data, texture->pitch(), 0, 3), CColor(0));
    EXPECT_EQ(texelAt(data, texture->pitch(), 2, 2), image->pixelAt(2, 2));
    texture->unlock();

    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    driver().drawImagePart(texture.get(), CVector2di(10, 10), CRectI(0, 0, 3, 3), nullptr, CColor(0xFFFFFFFF), false);
    CRefHandle<CPixelImage> shot = screenshot();
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(shot->pixelAt(10 + x, 10 + y), image->pixelAt(x, y)) << x << ", " << y;
}

TEST_F(CGLDriverTextureTest, CreationFlagsDecideMipMapsFormatAndKeptImage) {
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 8, 8, [](uint32_t, uint32_t) { return CColor(0xFF336699); });
    driver().setTextureFlag(TextureFlag::CreateMipMaps, false);
    driver().setTextureFlag(TextureFlag::DropImage, true);
    driver().setTextureFlag(TextureFlag::Prefer16Bit, true);
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    EXPECT_FALSE(texture->hasMipMaps());
    EXPECT_EQ(texture->image(), nullptr);
    EXPECT_EQ(texture->colorFormat(), ColorFormat::A4R4G4B4);
    EXPECT_EQ(image->referenceCount(), 1);
}

TEST_F(CGLDriverTextureTest, EmptySizesMakeNoTexture) {
    CRefHandle<IDriverTexture> texture(driver().emptyTexture(CSizeI(0, 4), ColorFormat::A8R8G8B8));
    EXPECT_FALSE(texture);
    EXPECT_EQ(driver().textureFromImage(nullptr), nullptr);
}

TEST_F(CGLDriverTextureTest, WritableLocksUploadAgainAfterAReadOnlyOne) {
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 2, 2, [](uint32_t, uint32_t) { return CColor(0xFF102030); });
    driver().setTextureFlag(TextureFlag::CreateMipMaps, false);
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    auto* data = static_cast<uint32_t*>(texture->lock(true));
    data[0] = 0xFFFF0000; // not uploaded: the lock was read-only
    texture->unlock();
    data = static_cast<uint32_t*>(texture->lock(false));
    data[3] = 0xFF00FF00;
    texture->unlock();

    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    driver().drawImagePart(texture.get(), CVector2di(0, 0), CRectI(0, 0, 2, 2), nullptr, CColor(0xFFFFFFFF), false);
    CRefHandle<CPixelImage> shot = screenshot();
    // The lock image keeps the first write, and the second lock uploads it too.
    EXPECT_EQ(shot->pixelAt(0, 0), CColor(0xFFFF0000));
    EXPECT_EQ(shot->pixelAt(1, 1), CColor(0xFF00FF00));
    EXPECT_EQ(shot->pixelAt(1, 0), CColor(0xFF102030));
}

TEST_F(CGLDriverTextureTest, ColourKeysReachEveryMipLevel) {
    // Levels made by the driver itself, not by the hardware.
    driver().enableFeature(DriverFeature::MipMapAutoUpdate, false);
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 4, 4, [](uint32_t, uint32_t) { return CColor(0xFFFF00FF); });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    ASSERT_TRUE(texture->hasMipMaps());
    driver().colorKeyFromColor(texture.get(), CColor(0xFFFF00FF));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());

    ASSERT_TRUE(driver().beginFrame(true, true, CColor(255, 0, 90, 0), nullptr, nullptr));
    driver().quadBatch()->begin();
    // Half size: drawn from level 1.
    addQuad(driver(), spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 0, 0, 2, 2, CColor(0xFFFFFFFF));
    driver().quadBatch()->end();
    EXPECT_EQ(pixel(0, 0), CColor(255, 0, 90, 0));
    EXPECT_EQ(pixel(1, 1), CColor(255, 0, 90, 0));
}

// Renders a red block into the top-left quarter of a target cleared blue.
void paintTarget(CGLDriver& gl, IDriverTexture* target) {
    ASSERT_TRUE(gl.setRenderTarget(target, true, true, CColor(255, 0, 0, 255)));
    gl.applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    const CSizeI size = target->size();
    gl.fillRect(CColor(255, 255, 0, 0), CRectI(0, 0, size.width / 2, size.height / 2), nullptr);
    ASSERT_TRUE(gl.setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0)));
}

TEST_F(CGLDriverTextureTest, RenderTargetRoundTrip) {
    const struct {
        const char* what;
        bool framebufferObjects;
    } cases[] = {{"framebuffer object", true}, {"copy from the frame buffer", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.framebufferObjects && !driver().hasFeature(DriverFeature::FramebufferObject))
            continue;
        driver().enableFeature(DriverFeature::FramebufferObject, c.framebufferObjects);
        ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
        CRefHandle<IDriverTexture> target(driver().renderTargetTexture(CSizeI(16, 8), ColorFormat::A8R8G8B8));
        ASSERT_TRUE(target);
        EXPECT_TRUE(target->isRenderTarget());
        EXPECT_FALSE(target->hasMipMaps());
        EXPECT_EQ(target->size(), CSizeI(16, 8));
        EXPECT_TRUE(driver().textureFlag(TextureFlag::CreateMipMaps));
        paintTarget(driver(), target.get());
        EXPECT_EQ(driver().renderTargetSize(), CSizeI(ScreenWidth, ScreenHeight));

        // Top row first, as every lock.
        const void* data = target->lock(true);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(texelAt(data, target->pitch(), 0, 0), CColor(255, 255, 0, 0));
        EXPECT_EQ(texelAt(data, target->pitch(), 7, 3), CColor(255, 255, 0, 0));
        EXPECT_EQ(texelAt(data, target->pitch(), 8, 3), CColor(255, 0, 0, 255));
        EXPECT_EQ(texelAt(data, target->pitch(), 0, 7), CColor(255, 0, 0, 255));
        target->unlock();

        // Drawn on the screen the right way up.
        ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
        CRefHandle<CImageTexture> content = wrapTexture(target.get());
        driver().quadBatch()->begin();
        addQuad(driver(), spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 32, 32, 16, 8,
                CColor(0xFFFFFFFF));
        driver().quadBatch()->end();
        CRefHandle<CPixelImage> shot = screenshot();
        EXPECT_EQ(shot->pixelAt(32, 32), CColor(255, 255, 0, 0));
        EXPECT_EQ(shot->pixelAt(47, 39), CColor(255, 0, 0, 255));
        driver().drawImagePart(target.get(), CVector2di(0, 0), CRectI(0, 0, 16, 8), nullptr, CColor(0xFFFFFFFF), false);
        shot = screenshot();
        EXPECT_EQ(shot->pixelAt(0, 0), CColor(255, 255, 0, 0));
        EXPECT_EQ(shot->pixelAt(15, 7), CColor(255, 0, 0, 255));
    }
}

TEST_F(CGLDriverTextureTest, RenderTargetsWithoutFramebufferObjectsFitTheScreen) {
    driver().enableFeature(DriverFeature::FramebufferObject, false);
    const struct {
        CSizeI asked;
        CSizeI given;
    } cases[] = {
        {{30, 20}, {30, 20}},
        {{100, 30}, {ScreenWidth, 30}},
        // Powers of two stay powers of two after the cut to the screen.
        {{128, 128}, {64, 32}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.asked.width << " x " << c.asked.height);
        CRefHandle<IDriverTexture> target(driver().renderTargetTexture(c.asked, ColorFormat::R16F));
        ASSERT_TRUE(target);
        EXPECT_EQ(target->size(), c.given);
        EXPECT_EQ(target->colorFormat(), ColorFormat::A8R8G8B8);
    }
}

TEST_F(CGLDriverTextureTest, RenderTargetSwitchesResizeThe2DProjection) {
    if (!driver().hasFeature(DriverFeature::FramebufferObject))
        GTEST_SKIP() << "No framebuffer objects.";
    CRefHandle<IDriverTexture> target(driver().renderTargetTexture(CSizeI(8, 8), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    (void)driver().apply2DStates(); // the screen's projection is current
    ASSERT_TRUE(driver().setRenderTarget(target.get(), true, true, CColor(255, 0, 0, 255)));
    EXPECT_EQ(driver().renderTargetSize(), CSizeI(8, 8));
    driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    driver().fillRect(CColor(255, 0, 255, 0), CRectI(0, 0, 8, 8), nullptr);
    ASSERT_TRUE(driver().setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0)));
    const void* data = target->lock(true);
    EXPECT_EQ(texelAt(data, target->pitch(), 7, 7), CColor(255, 0, 255, 0));
    target->unlock();
}

TEST_F(CGLDriverTextureTest, LeavingARenderTargetGivesTheScreenItsWholeViewportBack) {
    CRefHandle<IDriverTexture> target(driver().renderTargetTexture(CSizeI(8, 8), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(target);
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    ASSERT_TRUE(driver().setRenderTarget(target.get(), true, true, CColor(0xFF000000)));
    driver().setViewportRect(CRectI(0, 0, 4, 4));
    ASSERT_TRUE(driver().setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0)));
    EXPECT_EQ(driver().viewportRect(), CRectI(0, 0, ScreenWidth, ScreenHeight));
    driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    driver().fillRect(CColor(255, 0, 255, 0), CRectI(0, 0, ScreenWidth, ScreenHeight), nullptr);
    EXPECT_EQ(pixel(ScreenWidth - 1, ScreenHeight - 1), CColor(255, 0, 255, 0));
    EXPECT_EQ(pixel(0, 0), CColor(255, 0, 255, 0));
}

TEST_F(CGLDriverTextureTest, ReleasingTheCurrentTargetSendsDrawingBackToTheScreen) {
    CRefHandle<IDriverTexture> target(driver().renderTargetTexture(CSizeI(8, 8), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(driver().setRenderTarget(target.get(), true, true, CColor(0xFF000000)));
    target.reset();
    EXPECT_EQ(driver().currentRenderTarget(), nullptr);
    EXPECT_EQ(driver().renderTargetSize(), CSizeI(ScreenWidth, ScreenHeight));
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(255, 1, 2, 3), nullptr, nullptr));
    EXPECT_EQ(pixel(ScreenWidth - 1, ScreenHeight - 1), CColor(255, 1, 2, 3));
}

TEST_F(CGLDriverTextureTest, RenderTargetKinds) {
    LogCapture log;
    EXPECT_FALSE(driver().setRenderTarget(1, true, true, CColor(0)));
    EXPECT_TRUE(log.contains("For render textures call setRenderTarget with the actual texture"));
    EXPECT_TRUE(driver().setRenderTarget(0, true, true, CColor(0xFF000000)));
    EXPECT_FALSE(driver().setRenderTarget(2, true, true, CColor(0xFF000000)));
}

} // namespace
