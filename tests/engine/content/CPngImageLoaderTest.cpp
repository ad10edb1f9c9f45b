#include "engine/content/CPngImageLoader.h"

#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

CRefHandle<CPngImageLoader> newLoader() { return CRefHandle<CPngImageLoader>(new CPngImageLoader()); }

CRefHandle<CPixelImage> loadPng(const std::vector<uint8_t>& bytes, const char* name = "picture.png") {
    CRefHandle<IReadableFile> file = memoryFile(bytes, name);
    return CRefHandle<CPixelImage>(newLoader()->load(file.get(), imageName(u"content")));
}

void putBe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

// The IHDR fields of a fixture changed and its CRC made right again, so
// that only our own checks can refuse it.
std::vector<uint8_t> withHeader(std::vector<uint8_t> bytes, uint32_t width, uint32_t height) {
    putBe32(bytes, 16, width);
    putBe32(bytes, 20, height);
    putBe32(bytes, 29, uint32_t(crc32(0, bytes.data() + 12, 17)));
    return bytes;
}

} // namespace

// Files made by ImageMagick and Pillow decode to ImageMagick's own dump of
// them (16-bit samples keep their high byte).
TEST(CPngImageLoader, DecodesEveryColourTypeAsTheToolDoes) {
    const struct {
        const char* name;
        bool alpha;
    } rows[] = {
        {"gray1", false},
        {"gray2", false},
        {"gray4", false},
        {"gray8", false},
        {"gray16", false},
        {"gray8_trns", true},
        {"grayalpha8", true},
        {"grayalpha16", true},
        {"rgb8", false},
        {"rgb16", false},
        {"rgb8_trns", true},
        {"rgba8", true},
        {"rgba16", true},
        {"palette1", false},
        {"palette2", false},
        {"palette4", false},
        {"palette8", false},
        {"palette4_trns", true},
        {"palette8_trns", true},
        {"interlaced_rgb8", false},
        {"interlaced_rgba16", true},
        {"interlaced_gray2", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<uint8_t> bytes = fixtureBytes(std::string(row.name) + ".png");
        ASSERT_FALSE(bytes.empty());
        CRefHandle<CPixelImage> image = loadPng(bytes);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->colorFormat(), row.alpha ? ColorFormat::A8R8G8B8 : ColorFormat::R8G8B8);
        EXPECT_EQ(image->getContentName().str(), CStringW(u"content"));
        expectPixelsNear(*image, readRgba16(fixtureBytes(std::string(row.name) + ".rgba16"), 37, 23), 0);
    }
}

TEST(CPngImageLoader, SignatureAndExtension) {
    CRefHandle<CPngImageLoader> loader = newLoader();
    EXPECT_TRUE(loader->acceptsExtension(CStringW(u"png")));
    EXPECT_FALSE(loader->acceptsExtension(CStringW(u"PNG"))); // the registry lower-cases first
    EXPECT_TRUE(loader->checkSignature(memoryFile(fixtureBytes("rgb8.png"), "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile(fixtureBytes("baseline.jpg"), "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile({0x89, 'P', 'N'}, "x").get()));
}

TEST(CPngImageLoader, DamagedFilesGiveNullWithTheReason) {
    const std::vector<uint8_t> good = fixtureBytes("rgba8.png");
    ASSERT_GT(good.size(), 100u);
    auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + long(size)); };
    std::vector<uint8_t> badHeaderCrc = good;
    badHeaderCrc[20] ^= 0x01;
    std::vector<uint8_t> badData = good;
    for (size_t i = 60; i < 90; ++i)
        badData[i] ^= 0x5A;
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* line;
    } rows[] = {
        {"empty", {}, "ERR: Can't load image: damaged.png: PNG: the file is too short"},
        {"seven bytes", cut(7), "ERR: Can't load image: damaged.png: PNG: the file is too short"},
        {"not a png", fixtureBytes("baseline.jpg"), "ERR: Can't load image: damaged.png: not a PNG file"},
        {"signature only", cut(8), "ERR: Can't load image: damaged.png: PNG: Read Error"},
        {"cut in the header", cut(20), "ERR: Can't load image: damaged.png: PNG: Read Error"},
        {"cut in the data", cut(good.size() / 2), "ERR: Can't load image: damaged.png: PNG: "},
        {"no end chunk", cut(good.size() - 12), "ERR: Can't load image: damaged.png: PNG: "},
        {"header CRC wrong", badHeaderCrc, "ERR: Can't load image: damaged.png: PNG: "},
        {"image data scrambled", badData, "ERR: Can't load image: damaged.png: PNG: "},
        {"zero width", withHeader(good, 0, 23), "ERR: Can't load image: damaged.png: PNG: "},
        {"too large to hold", withHeader(good, 60000, 60000),
         "ERR: Can't load image: damaged.png: PNG: the image is too large"},
        {"larger than its data", withHeader(good, 3000, 23), "ERR: Can't load image: damaged.png: PNG: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log;
        EXPECT_FALSE(loadPng(row.bytes, "damaged.png"));
        // One line, saying what happened.
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains(row.line)) << log.lines().front();
    }
}
