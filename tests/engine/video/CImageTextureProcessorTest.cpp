#include "engine/video/CImageTextureProcessor.h"

#include "engine/content/CMimgImageLoader.h"
#include "engine/content/ContentType.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "tests/support/CTestDriverTexture.h"
#include "tests/support/TextureTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

CColor gradient(uint32_t x, uint32_t y) { return CColor(255, x * 20, y * 20, 99); }

void appendLe(std::vector<uint8_t>& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

// A "mimg" file holding one raw A8R8G8B8 part of `width` x `height`.
std::vector<uint8_t> rawMimg(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes;
    appendLe(bytes, width, 4);
    appendLe(bytes, height, 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            appendLe(bytes, gradient(x, y).value, 4);
    const auto colorSize = uint32_t(bytes.size());
    bytes.insert(bytes.end(), 8, 0); // reserved
    appendLe(bytes, colorSize, 4);
    bytes.push_back(CMimgImageLoader::None);
    bytes.push_back(CMimgImageLoader::Raw);
    bytes.push_back(0); // flag
    bytes.push_back(0); // padding
    appendLe(bytes, uint32_t(ColorFormat::A8R8G8B8), 2);
    appendLe(bytes, CMimgImageLoader::MaxVersion, 2);
    appendLe(bytes, CMimgImageLoader::Tag, 4);
    return bytes;
}

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

TEST(CImageTextureProcessor, APictureReadFromItsRawFormIsReadFromThatFileAgain) {
    TextureTestStack stack;
    (void)stack.dir.write("pics/raw.mimg", rawMimg(3, 2));
    CRefHandle<CAtlasTexture> atlas = stack.load<CAtlasTexture>(ContentTypeAtlasTexture, u"pics/raw.png");
    ASSERT_TRUE(atlas);
    CImageTexture* texture = atlas->getImageTexture();
    EXPECT_TRUE(texture->getFileName() == CStringW(u"pics/raw.mimg"));

    stack.postDeviceEvent(Released, nullptr);
    stack.manager->purge(); // the picture in main memory goes too
    CRefHandle<CTextureTestDriver> next(CTextureTestDriver::create(2, false));
    stack.postDeviceEvent(Created, next.get());
    ASSERT_NE(texture->getTexture(), nullptr);
    EXPECT_EQ(texture->getTexture()->imageSize(), CSizeI(3, 2));
    EXPECT_EQ(static_cast<CTestDriverTexture*>(texture->getTexture())->texel(2, 1), gradient(2, 1).value);
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
