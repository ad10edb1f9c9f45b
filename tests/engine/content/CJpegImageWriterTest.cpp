#include "engine/content/CJpegImageWriter.h"

#include "engine/content/CJpegImageLoader.h"
#include "engine/io/CBufferFile.h"
#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

CRefHandle<CPixelImage> smooth(ColorFormat format, uint32_t width = 32, uint32_t height = 16) {
    CRefHandle<CPixelImage> image(CPixelImage::create(imageName(u"s"), format, width, height));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image->putPixel(x, y, CColor(0xFF000000u | (x * 4) << 16 | (y * 8) << 8 | 0x40));
    return image;
}

std::vector<uint8_t> writeJpeg(const CPixelImage& image, int quality) {
    CRefHandle<CVirtualFile> file = newVirtualFile("out.jpg");
    CRefHandle<CJpegImageWriter> writer(new CJpegImageWriter());
    EXPECT_TRUE(writer->write(file.get(), &image, quality));
    return fileBytes(file.get());
}

CRefHandle<CPixelImage> readJpeg(const std::vector<uint8_t>& bytes) {
    CRefHandle<CJpegImageLoader> loader(new CJpegImageLoader());
    CRefHandle<IReadableFile> file = memoryFile(bytes, "out.jpg");
    return CRefHandle<CPixelImage>(loader->load(file.get(), imageName(u"back")));
}

} // namespace

TEST(CJpegImageWriter, WritesEveryFormatButA4R4G4B4) {
    for (ColorFormat format :
         {ColorFormat::A1R5G5B5, ColorFormat::R5G6B5, ColorFormat::R8G8B8, ColorFormat::A8R8G8B8}) {
        SCOPED_TRACE(int(format));
        CRefHandle<CPixelImage> image = smooth(format);
        CRefHandle<CPixelImage> back = readJpeg(writeJpeg(*image, 100));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->width(), 32u);
        EXPECT_EQ(back->height(), 16u);
        // The writer shifts A1R5G5B5 channels (x 8) where pixelAt replicates.
        CRefHandle<CPixelImage> rgb(CPixelImage::create(imageName(u"r"), ColorFormat::R8G8B8, 32, 16));
        ASSERT_TRUE(CPixelImage::convertPixels(image->data(), format, 32 * 16, rgb->data(), ColorFormat::R8G8B8));
        ReferencePixels expected{32, 16, {}};
        for (uint32_t i = 0; i < 32 * 16; ++i)
            expected.argb.push_back(rgb->pixelAt(i % 32, i / 32).value);
        expectPixelsNear(*back, expected, 8); // chroma is subsampled
    }
    CRefHandle<CPixelImage> nibbles = smooth(ColorFormat::A4R4G4B4);
    CRefHandle<CVirtualFile> file = newVirtualFile("out.jpg");
    CRefHandle<CJpegImageWriter> writer(new CJpegImageWriter());
    EXPECT_FALSE(writer->write(file.get(), nibbles.get(), 90));
    EXPECT_EQ(file->size(), 0);
}

TEST(CJpegImageWriter, QualityZeroMeansSeventyFive) {
    CRefHandle<CPixelImage> image = smooth(ColorFormat::R8G8B8);
    EXPECT_EQ(writeJpeg(*image, 0), writeJpeg(*image, 75));
    EXPECT_NE(writeJpeg(*image, 0), writeJpeg(*image, 100));
}

// A tiny image compresses to more bytes than its pixels take (the tables
// alone are larger): the output is kept whole.
TEST(CJpegImageWriter, OutputLargerThanThePixelsIsKept) {
    CRefHandle<CPixelImage> tiny = smooth(ColorFormat::R8G8B8, 4, 4);
    const std::vector<uint8_t> bytes = writeJpeg(*tiny, 90);
    EXPECT_GT(bytes.size(), size_t(tiny->dataSize()));
    CRefHandle<CPixelImage> back = readJpeg(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width(), 4u);
}

// Noise at full quality needs several growths of the output block.
TEST(CJpegImageWriter, LargeOutputGrowsTheBlock) {
    CRefHandle<CPixelImage> noise(CPixelImage::create(imageName(u"n"), ColorFormat::R8G8B8, 256, 256));
    std::mt19937 random(7);
    for (uint64_t i = 0; i < noise->dataSize(); ++i)
        noise->data()[i] = uint8_t(random());
    const std::vector<uint8_t> bytes = writeJpeg(*noise, 100);
    EXPECT_GT(bytes.size(), size_t(100000));
    CRefHandle<CPixelImage> back = readJpeg(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixelAt(255, 255).alpha(), 0xFFu);
    EXPECT_EQ(bytes.back(), 0xD9); // the stream ends with its end-of-image code
}

// djpeg (libjpeg-turbo's own tool) reads the file as written.
TEST(CJpegImageWriter, FileReadsBackInDjpeg) {
    if (std::system("command -v djpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "djpeg is not installed";
    CRefHandle<CPixelImage> image = smooth(ColorFormat::A8R8G8B8, 21, 13);
    TempDir dir;
    const auto jpeg = dir.write("out.jpg", writeJpeg(*image, 90));
    const auto ppm = dir.path() / "out.ppm";
    const std::string command = "djpeg -nosmooth -pnm -outfile '" + ppm.string() + "' '" + jpeg.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    CRefHandle<CPixelImage> ours = readJpeg(readAllBytes(jpeg));
    ASSERT_TRUE(ours);
    expectPixelsNear(*ours, readPnm(readAllBytes(ppm)), 0);
}

TEST(CJpegImageWriter, FailsOnAShortWrite) {
    CRefHandle<CPixelImage> image = smooth(ColorFormat::R8G8B8);
    auto* block = new uint8_t[100];
    CRefHandle<CBufferFile> full(new CBufferFile(block, 100, CStringW(u"full.jpg"), true));
    CRefHandle<CJpegImageWriter> writer(new CJpegImageWriter());
    LogCapture log;
    EXPECT_FALSE(writer->write(full.get(), image.get(), 90));
    EXPECT_TRUE(log.contains("ERR: Can't write image: full.jpg"));
}

TEST(CJpegImageWriter, AcceptsJpgAndJpegNamesInAnyCase) {
    CRefHandle<CJpegImageWriter> writer(new CJpegImageWriter());
    EXPECT_TRUE(writer->acceptsExtension(CStringW(u"a.jpg")));
    EXPECT_TRUE(writer->acceptsExtension(CStringW(u"a.JPEG")));
    EXPECT_FALSE(writer->acceptsExtension(CStringW(u"a.jpga")));
    EXPECT_FALSE(writer->acceptsExtension(CStringW(u"jpg")));
}
