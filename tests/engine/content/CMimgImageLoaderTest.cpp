#include "engine/content/CMimgImageLoader.h"

#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

struct Trailer {
    uint8_t colorType = CMimgImageLoader::Raw;
    uint8_t alphaType = CMimgImageLoader::None;
    uint32_t format = uint32_t(ColorFormat::A8R8G8B8);
    uint32_t version = 0x0102;
    bool tag = true;
    int64_t colorSize = -1; // -1: the colour part's real size
};

std::vector<uint8_t> mimg(const std::vector<uint8_t>& color, const std::vector<uint8_t>& alpha, const Trailer& t) {
    std::vector<uint8_t> bytes = color;
    bytes.insert(bytes.end(), alpha.begin(), alpha.end());
    bytes.insert(bytes.end(), 8, 0xCC); // reserved
    appendLe32(bytes, t.colorSize < 0 ? uint32_t(color.size()) : uint32_t(t.colorSize));
    bytes.push_back(t.alphaType);
    bytes.push_back(t.colorType);
    bytes.push_back(1); // flag
    bytes.push_back(0);
    appendLe16(bytes, t.format);
    appendLe16(bytes, t.version);
    appendLe32(bytes, t.tag ? CMimgImageLoader::Tag : 0);
    return bytes;
}

std::vector<uint8_t> raw(uint32_t width, uint32_t height, const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> bytes;
    appendLe32(bytes, width);
    appendLe32(bytes, height);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

CRefHandle<CPixelImage> loadMimg(const std::vector<uint8_t>& bytes, const char* name = "picture.mimg") {
    CRefHandle<CMimgImageLoader> loader(new CMimgImageLoader());
    CRefHandle<IReadableFile> file = memoryFile(bytes, name);
    return CRefHandle<CPixelImage>(loader->load(file.get(), imageName(u"content")));
}

const std::vector<uint8_t> kArgb2x2 = {0x01, 0x02, 0x03, 0x04, 0x11, 0x12, 0x13, 0x14,
                                       0x21, 0x22, 0x23, 0x24, 0x31, 0x32, 0x33, 0x34};

} // namespace

TEST(CMimgImageLoader, RawPartsInTheTrailersFormat) {
    CRefHandle<CPixelImage> image = loadMimg(mimg(raw(2, 2, kArgb2x2), {}, Trailer{}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colorFormat(), ColorFormat::A8R8G8B8);
    EXPECT_EQ(image->getContentName().str(), CStringW(u"content"));
    EXPECT_EQ(image->pixelAt(1, 0).value, 0x14131211u);
    EXPECT_EQ(image->pixelAt(1, 1).value, 0x34333231u);

    // A trailing byte after the pixels is ignored.
    std::vector<uint8_t> longer = raw(2, 2, kArgb2x2);
    longer.push_back(0x77);
    EXPECT_TRUE(loadMimg(mimg(longer, {}, Trailer{})));

    // Without the tag, a file chosen by its name still loads.
    Trailer untagged;
    untagged.tag = false;
    EXPECT_TRUE(loadMimg(mimg(raw(2, 2, kArgb2x2), {}, untagged)));
}

TEST(CMimgImageLoader, AlphaPartSetsTheAlphaOfFormatsWithAlpha) {
    // PNG colour and a grey PNG as alpha: the grey level becomes the alpha.
    Trailer pngs;
    pngs.colorType = CMimgImageLoader::Png;
    pngs.alphaType = CMimgImageLoader::Png;
    CRefHandle<CPixelImage> image = loadMimg(mimg(fixtureBytes("rgb8.png"), fixtureBytes("gray8.png"), pngs));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colorFormat(), ColorFormat::A8R8G8B8);
    ReferencePixels expected = readRgba16(fixtureBytes("rgb8.rgba16"), 37, 23);
    const ReferencePixels grey = readRgba16(fixtureBytes("gray8.rgba16"), 37, 23);
    for (size_t i = 0; i < expected.argb.size(); ++i)
        expected.argb[i] = (expected.argb[i] & 0x00FFFFFF) | ((grey.argb[i] & 0xFF) << 24);
    expectPixelsNear(*image, expected, 0);

    // JPEG colour and JPEG alpha into A1R5G5B5: the alpha bit is grey >= 128.
    Trailer jpegs;
    jpegs.colorType = CMimgImageLoader::Jpeg;
    jpegs.alphaType = CMimgImageLoader::Jpeg;
    jpegs.format = uint32_t(ColorFormat::A1R5G5B5);
    image = loadMimg(mimg(fixtureBytes("baseline.jpg"), fixtureBytes("grayscale.jpg"), jpegs));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colorFormat(), ColorFormat::A1R5G5B5);
    const ReferencePixels jpegGrey = readPnm(fixtureBytes("grayscale.pnm"));
    for (uint32_t i = 0; i < 37 * 23; ++i) {
        const uint32_t alpha = image->pixelAt(i % 37, i / 37).alpha();
        EXPECT_EQ(alpha, (jpegGrey.argb[i] & 0xFF) >= 128 ? 0xFFu : 0u) << i;
    }

    // A raw alpha part in a 16-bit format leaves the alpha as it was.
    Trailer nibbles;
    nibbles.format = uint32_t(ColorFormat::A4R4G4B4);
    nibbles.alphaType = CMimgImageLoader::Raw;
    image = loadMimg(mimg(raw(2, 1, {0x34, 0x12, 0x78, 0x56}), raw(2, 1, {0, 0, 0, 0}), nibbles));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colorFormat(), ColorFormat::A4R4G4B4);
    EXPECT_EQ(image->pixelAt(0, 0).value, 0x10203040u);
    EXPECT_EQ(image->pixelAt(1, 0).value, 0x50607080u);
}

TEST(CMimgImageLoader, AlphaPartIgnoredWithoutAlphaOrWhenItDoesNotDecode) {
    // R5G6B5 has no alpha: the alpha part is not even read.
    Trailer opaque;
    opaque.format = uint32_t(ColorFormat::R5G6B5);
    opaque.alphaType = CMimgImageLoader::Png;
    CRefHandle<CPixelImage> image = loadMimg(mimg(raw(1, 1, {0x1F, 0x00}), {1, 2, 3}, opaque));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colorFormat(), ColorFormat::R5G6B5);
    EXPECT_EQ(image->pixelAt(0, 0).value, 0xFF0000F8u);

    Trailer broken;
    broken.alphaType = CMimgImageLoader::Png;
    image = loadMimg(mimg(raw(2, 2, kArgb2x2), {1, 2, 3}, broken));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelAt(0, 0).value, 0x04030201u);
}

TEST(CMimgImageLoader, ConvertsToTheTrailersFormat) {
    Trailer png;
    png.colorType = CMimgImageLoader::Png;
    png.format = uint32_t(ColorFormat::R5G6B5);
    CRefHandle<CPixelImage> image = loadMimg(mimg(fixtureBytes("rgb8.png"), {}, png));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colorFormat(), ColorFormat::R5G6B5);
    EXPECT_EQ(image->getContentName().str(), CStringW(u"content"));
    const ReferencePixels expected = readRgba16(fixtureBytes("rgb8.rgba16"), 37, 23);
    const uint32_t c = expected.argb[5 * 37 + 9];
    const uint32_t narrowed = 0xFF000000u | ((c >> 16 & 0xF8) << 16) | ((c >> 8 & 0xFC) << 8) | (c & 0xF8);
    EXPECT_EQ(image->pixelAt(9, 5).value, narrowed);
}

TEST(CMimgImageLoader, SignatureAndExtension) {
    CRefHandle<CMimgImageLoader> loader(new CMimgImageLoader());
    EXPECT_TRUE(loader->acceptsExtension(CStringW(u"mimg")));
    EXPECT_TRUE(loader->checkSignature(memoryFile(mimg(raw(2, 2, kArgb2x2), {}, Trailer{}), "x").get()));
    EXPECT_TRUE(loader->checkSignature(memoryFile({'G', 'M', 'I', 'M'}, "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile({'M', 'I', 'M', 'G'}, "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile({'M', 'G'}, "x").get()));
}

TEST(CMimgImageLoader, DamagedFilesGiveNull) {
    const std::vector<uint8_t> colour = raw(2, 2, kArgb2x2);
    auto with = [&](auto change) {
        Trailer t;
        change(t);
        return mimg(colour, {}, t);
    };
    Trailer rawAlpha;
    rawAlpha.alphaType = CMimgImageLoader::Raw;
    Trailer truncatedPng;
    truncatedPng.colorType = CMimgImageLoader::Png;
    const std::vector<uint8_t> png = fixtureBytes("rgb8.png");
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* line; // an expected log line, or null
    } rows[] = {
        {"empty", {}, nullptr},
        {"shorter than the trailer", std::vector<uint8_t>(23, 0), nullptr},
        {"version 0x0103", with([](Trailer& t) { t.version = 0x0103; }), nullptr},
        {"float format", with([](Trailer& t) { t.format = uint32_t(ColorFormat::R16F); }), nullptr},
        {"format 0xFFFF", with([](Trailer& t) { t.format = 0xFFFF; }), nullptr},
        {"colour part into the trailer", with([&](Trailer& t) { t.colorSize = int64_t(colour.size()) + 1; }), nullptr},
        {"colour part size near 4 GiB", with([](Trailer& t) { t.colorSize = 0xFFFFFFF0; }), nullptr},
        {"empty colour part", with([](Trailer& t) { t.colorSize = 0; }), nullptr},
        {"unknown colour type", with([](Trailer& t) { t.colorType = 4; }), nullptr},
        {"raw size cut", mimg({1, 0, 0}, {}, Trailer{}), nullptr},
        {"raw zero width", mimg(raw(0, 2, {}), {}, Trailer{}), nullptr},
        {"raw size overflowing 32 bits", mimg(raw(0x40000000, 0x40000000, kArgb2x2), {}, Trailer{}), nullptr},
        {"raw size over the limit", mimg(raw(0x10000, 0x10000, kArgb2x2), {}, Trailer{}), nullptr},
        {"raw pixels cut short", mimg(raw(3, 2, kArgb2x2), {}, Trailer{}), "WRN: rgb.mimg RAW data size mismatch!"},
        {"PNG part cut short", mimg(std::vector<uint8_t>(png.begin(), png.end() - 30), {}, truncatedPng),
         "ERR: Can't load image: rgb.mimg: PNG: Read Error"},
        {"alpha of another size", mimg(colour, raw(1, 1, {9, 9, 9, 9}), rawAlpha), nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log;
        EXPECT_FALSE(loadMimg(row.bytes));
        if (row.line) {
            EXPECT_TRUE(log.contains(row.line));
        }
    }
}
