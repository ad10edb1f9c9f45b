#include "engine/content/CJpgaImageLoader.h"

#include "engine/content/CJpegImageWriter.h"
#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> jpga(const std::vector<uint8_t>& color, const std::vector<uint8_t>& alpha,
                          uint32_t version = 0x100, int64_t alphaOffset = -1) {
    std::vector<uint8_t> bytes = {'A', 'G', 'P', 'J'};
    appendLe32(bytes, version);
    appendLe32(bytes, alphaOffset < 0 ? uint32_t(12 + color.size()) : uint32_t(alphaOffset));
    bytes.insert(bytes.end(), color.begin(), color.end());
    bytes.insert(bytes.end(), alpha.begin(), alpha.end());
    return bytes;
}

CRefHandle<CPixelImage> loadJpga(const std::vector<uint8_t>& bytes) {
    CRefHandle<CJpgaImageLoader> loader(new CJpgaImageLoader());
    CRefHandle<IReadableFile> file = memoryFile(bytes, "picture.jpga");
    return CRefHandle<CPixelImage>(loader->load(file.get(), imageName(u"content")));
}

// A JPEG of another size, written by our own writer.
std::vector<uint8_t> smallJpeg() {
    CRefHandle<CPixelImage> image(CPixelImage::create(imageName(u"s"), ColorFormat::R8G8B8, 5, 4));
    image->fillColor(CColor(0xFF808080));
    CRefHandle<CVirtualFile> file = newVirtualFile("small.jpg");
    CRefHandle<CJpegImageWriter> writer(new CJpegImageWriter());
    EXPECT_TRUE(writer->write(file.get(), image.get(), 90));
    return fileBytes(file.get());
}

} // namespace

TEST(CJpgaImageLoader, TakesColourFromOneJpegAndAlphaFromTheOther) {
    CRefHandle<CPixelImage> image = loadJpga(jpga(fixtureBytes("baseline.jpg"), fixtureBytes("grayscale.jpg")));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colorFormat(), ColorFormat::A8R8G8B8);
    EXPECT_EQ(image->getContentName().str(), CStringW(u"content"));
    // djpeg's colour output with the grey levels as alpha.
    ReferencePixels expected = readPnm(fixtureBytes("baseline.pnm"));
    const ReferencePixels grey = readPnm(fixtureBytes("grayscale.pnm"));
    ASSERT_EQ(expected.argb.size(), grey.argb.size());
    for (size_t i = 0; i < expected.argb.size(); ++i)
        expected.argb[i] = (expected.argb[i] & 0x00FFFFFF) | ((grey.argb[i] & 0xFF) << 24);
    expectPixelsNear(*image, expected, 2);
}

TEST(CJpgaImageLoader, SignatureAndExtension) {
    CRefHandle<CJpgaImageLoader> loader(new CJpgaImageLoader());
    EXPECT_TRUE(loader->acceptsExtension(CStringW(u"jpga")));
    EXPECT_FALSE(loader->acceptsExtension(CStringW(u"jpg")));
    EXPECT_TRUE(loader->checkSignature(memoryFile({'A', 'G', 'P', 'J'}, "x").get()));
    EXPECT_FALSE(loader->checkSignature(memoryFile({'J', 'P', 'G', 'A'}, "x").get()));
}

TEST(CJpgaImageLoader, DamagedFilesGiveNull) {
    const std::vector<uint8_t> color = fixtureBytes("baseline.jpg");
    const std::vector<uint8_t> alpha = fixtureBytes("grayscale.jpg");
    const std::vector<uint8_t> good = jpga(color, alpha);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } rows[] = {
        {"empty", {}},
        {"header cut short", std::vector<uint8_t>(good.begin(), good.begin() + 10)},
        {"version 0x101", jpga(color, alpha, 0x101)},
        {"alpha offset inside the header", jpga(color, alpha, 0x100, 4)},
        {"alpha offset past the end", jpga(color, alpha, 0x100, int64_t(good.size()) + 1)},
        {"alpha offset near 4 GiB", jpga(color, alpha, 0x100, 0xFFFFFFF0)},
        {"no alpha image", jpga(color, {})},
        {"colour part not a JPEG", jpga(fixtureBytes("rgb8.png"), alpha)},
        {"alpha part not a JPEG", jpga(color, fixtureBytes("rgb8.png"))},
        {"alpha image of another size", jpga(color, smallJpeg())},
        {"colour image of another size", jpga(smallJpeg(), alpha)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log;
        EXPECT_FALSE(loadJpga(row.bytes));
    }
}
