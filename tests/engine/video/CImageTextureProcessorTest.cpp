#include "engine/video/CImageTextureProcessor.h"

#include "engine/content/ContentType.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "tests/support/CTestDriverTexture.h"
#include "tests/support/TextureTestSupport.h"

#include <gtest/gtest.h>

namespace {

CColor gradient(uint32_t x, uint32_t y) { return CColor(255, x * 20, y * 20, 99); }

constexpr int32_t Released = IDeviceServiceEvent::VideoDriverReleased;
constexpr int32_t Created = IDeviceServiceEvent::VideoDriverCreated;

} // namespace

TEST(CImageTextureProcessor, UploadsTheImageAndKeepsTheFileName) {
    TextureTestStack stack;
    stack.writePng("pics/a.png", 5, 3, gradient);
    CRefHandle<CImageTexture> texture = stack.load<CImageTexture>(ContentTypeImageTexture, u"pics/a.png");
    ASSERT_TRUE(texture);
    ASSERT_TRUE(texture->getTexture());
    EXPECT_EQ(texture->getTexture()->imageSize(), CSizeI(5, 3));
    EXPECT_TRUE(texture->getFileName() == CStringW(u"pics/a.png"));
    ASSERT_TRUE(texture->getImage());
    EXPECT_EQ(texture->getImage()->pixelAt(4, 2), gradient(4, 2));
    EXPECT_EQ(stack.load<CImageTexture>(ContentTypeImageTexture, u"pics/a.png").get(), texture.get());
    EXPECT_FALSE(stack.load<CImageTexture>(ContentTypeImageTexture, u"pics/none.png"));
}

TEST(CImageTextureProcessor, TexturesFollowTheDriverAcrossReleaseAndRecreation) {
    TextureTestStack stack;
    stack.writePng("a.png", 4, 4, gradient);
    stack.writePng("b.png", 6, 2, gradient);
    CRefHandle<CAtlasTexture> a = stack.load<CAtlasTexture>(ContentTypeAtlasTexture, u"a.png");
    CRefHandle<CAtlasTexture> b = stack.load<CAtlasTexture>(ContentTypeAtlasTexture, u"b.png");
    ASSERT_TRUE(a && b);
    // b's picture is not needed in main memory (as for font textures).
    b->getImageTexture()->dropImage();
    EXPECT_EQ(b->getImageTexture()->getImage(), nullptr);

    stack.postDeviceEvent(Released, nullptr);
    EXPECT_EQ(a->getDriverTexture(), nullptr);
    EXPECT_EQ(b->getDriverTexture(), nullptr);
    EXPECT_EQ(a->getPixelSize(), CVector2d(4, 4));

    // The null driver brings no textures.
    CRefHandle<CTextureTestDriver> nullDriver(CTextureTestDriver::create(0, false));
    stack.postDeviceEvent(Created, nullDriver.get());
    EXPECT_EQ(a->getDriverTexture(), nullptr);
    EXPECT_EQ(nullDriver->texturesMade(), 0);
    stack.postDeviceEvent(Released, nullptr);

    CRefHandle<CTextureTestDriver> next(CTextureTestDriver::create(2, false));
    stack.postDeviceEvent(Created, next.get());
    EXPECT_EQ(next->texturesMade(), 2);
    ASSERT_TRUE(a->getDriverTexture() && b->getDriverTexture());
    EXPECT_EQ(b->getDriverTexture()->imageSize(), CSizeI(6, 2));
    auto* reloaded = static_cast<CTestDriverTexture*>(a->getDriverTexture());
    EXPECT_EQ(reloaded->texel(3, 3), gradient(3, 3).value);
    EXPECT_NE(a->getImageTexture()->getImage(), nullptr);
    EXPECT_EQ(b->getImageTexture()->getImage(), nullptr);

    // New loads go to the new driver.
    stack.writePng("c.png", 2, 2, gradient);
    EXPECT_TRUE(stack.load<CImageTexture>(ContentTypeImageTexture, u"c.png"));
    EXPECT_EQ(next->texturesMade(), 3);
}
