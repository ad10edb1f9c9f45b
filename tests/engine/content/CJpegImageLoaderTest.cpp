#include "engine/content/CJpegImageLoader.h"

#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

CRefHandle<CPixelImage> loadJpeg(const std::vector<uint8_t>& bytes, const char* name = "picture.jpg") {
    CRefHandle<CJpegImageLoader> loader(new CJpegImageLoader());
    CRefHandle<IReadableFile> file = memoryFile(bytes, name);
    return CRefHandle<CPixelImage>(loader->load(file.get(), imageName(u"content")));
}

} // namespace

// Files made by cjpeg, Pillow and ImageMagick decode to djpeg's own output
// (without fancy upsampling, as the loader decodes).
TEST(CJpegImageLoader, DecodesAsDjpegDoes) {
    for (const char* name : {"baseline", "progressive", "grayscale", "restart", "pillow420", "magick422"}) {
        SCOPED_TRACE(name);
        CRefHandle<CPixelImage> image = loadJpeg(fixtureBytes(std::string(name) + ".jpg"));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->colorFormat(), ColorFormat::R8G8B8);
        EXPECT_EQ(image->getContentName().str(), CStringW(u"content"));
        expectPixelsNear(*image, readPnm(fixtureBytes(std::string(name) + ".pnm")), 2);
    }
}

TEST(CJpegImageLoader, SignatureAndExtension) {
    CRefHandle<CJpegImageLoader> loader(new CJpegImageLoader());
    EXPECT_TRUE(loader->acceptsExtension(CStringW(u"jpg")));
    EXPECT_FALSE(loader->acceptsExtension(CStringW(u"jpeg")));
    EXPECT_TRUE(loader->checkSignature(memoryFile(fixtureBytes("baseline.jpg"), "x").get()));
    // Known by the start-of-image marker and the marker after it, with or
    // without a JFIF segment.
    std::vector<uint8_t> exif = {0xFF, 0xD8, 0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f'};
    EXPECT_TRUE(loader->checkSignature(memoryFile(exif, "x").get()));
    EXPECT_TRUE(loader->checkSignature(memoryFile({0xFF, 0xD8, 0xFF}, "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile(fixtureBytes("rgb8.png"), "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile({0xFF, 0xD8, 0x00, 0xE0}, "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile({0xFF, 0xD8}, "x").get()));
}

TEST(CJpegImageLoader, DamagedFilesGiveNullWithTheLibraryMessage) {
    const std::vector<uint8_t> good = fixtureBytes("baseline.jpg");
    auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + long(size)); };
    std::vector<uint8_t> hugeFrame = good;
    // The frame header's height and width (SOF0 after the tables).
    for (size_t i = 2; i + 9 < hugeFrame.size(); ++i) {
        if (hugeFrame[i] == 0xFF && hugeFrame[i + 1] == 0xC0) {
            hugeFrame[i + 5] = 0x4E; // 20000 x 20000, within libjpeg's own limit
            hugeFrame[i + 6] = 0x20;
            hugeFrame[i + 7] = 0x4E;
            hugeFrame[i + 8] = 0x20;
            break;
        }
    }
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } rows[] = {
        {"empty", {}},
        {"start marker only", cut(2)},
        {"cut in the tables", cut(40)},
        {"a PNG", fixtureBytes("rgb8.png")},
        {"larger than the engine holds", hugeFrame},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log;
        EXPECT_FALSE(loadJpeg(row.bytes));
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains("ERR: Can't load image: ")) << log.lines().front();
        EXPECT_TRUE(log.contains(": JPEG: "));
    }
}

// A tiny progressive file stating a huge size is refused before the decoder
// sets up the image (which took seconds and hundreds of megabytes).
TEST(CJpegImageLoader, RefusesAFileTooSmallForItsSize) {
    std::vector<uint8_t> bytes = fixtureBytes("progressive.jpg");
    bool patched = false;
    for (size_t i = 2; i + 9 < bytes.size() && !patched; ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) {
            bytes[i + 5] = 0x20; // 8215 rows
            bytes[i + 6] = 0x17;
            bytes[i + 7] = 0x25; // 9472 columns
            bytes[i + 8] = 0x00;
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    bytes.resize(std::min<size_t>(bytes.size(), 600));
    LogCapture log;
    EXPECT_FALSE(loadJpeg(bytes));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.contains("ERR: Can't load image: picture.jpg: JPEG: the file is far too small for its stated size"))
        << log.lines().front();
}

// A stream cut inside the scan ends at the end of the file: the decoder
// warns and the rest of the picture is filled in, as libjpeg does.
TEST(CJpegImageLoader, StreamCutInTheScanStillDecodes) {
    const std::vector<uint8_t> good = fixtureBytes("baseline.jpg");
    LogCapture log;
    CRefHandle<CPixelImage> image = loadJpeg(std::vector<uint8_t>(good.begin(), good.end() - 200));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 37u);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.contains("WRN: Image is damaged: ")) << log.lines().front();
    EXPECT_FALSE(log.contains("FATAL"));
}
