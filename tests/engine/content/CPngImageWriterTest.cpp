#include "engine/content/CPngImageWriter.h"

#include "engine/content/CPngImageLoader.h"
#include "engine/io/CBufferFile.h"
#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

CRefHandle<CPixelImage> pattern(ColorFormat format) {
    CRefHandle<CPixelImage> image(CPixelImage::create(imageName(u"p"), format, 9, 5));
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 9; ++x)
            image->putPixel(x, y, CColor((x * 28) << 24 | (x * 30) << 16 | (y * 60) << 8 | ((x + y) * 20)));
    return image;
}

CRefHandle<CPixelImage> writeAndRead(const CPixelImage& image) {
    CRefHandle<CVirtualFile> file = newVirtualFile("out.png");
    CRefHandle<CPngImageWriter> writer(new CPngImageWriter());
    EXPECT_TRUE(writer->write(file.get(), &image, 0));
    CRefHandle<CPngImageLoader> loader(new CPngImageLoader());
    CRefHandle<IReadableFile> written = memoryFile(fileBytes(file.get()), "out.png");
    return CRefHandle<CPixelImage>(loader->load(written.get(), imageName(u"back")));
}

} // namespace

TEST(CPngImageWriter, WritesEveryFormatWithItsAlpha) {
    const struct {
        ColorFormat format;
        ColorFormat readBack;
    } rows[] = {
        {ColorFormat::A1R5G5B5, ColorFormat::A8R8G8B8},
        {ColorFormat::R5G6B5, ColorFormat::R8G8B8},
        {ColorFormat::R8G8B8, ColorFormat::R8G8B8},
        {ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.format));
        CRefHandle<CPixelImage> image = pattern(row.format);
        CRefHandle<CPixelImage> back = writeAndRead(*image);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->colorFormat(), row.readBack);
        for (uint32_t y = 0; y < 5; ++y)
            for (uint32_t x = 0; x < 9; ++x)
                EXPECT_EQ(back->pixelAt(x, y).value, image->pixelAt(x, y).value) << x << ", " << y;
    }
}

// A4R4G4B4 is converted with its 4-bit channels replicated: full alpha
// stays opaque.
TEST(CPngImageWriter, WritesA4R4G4B4AsEightBitChannels) {
    CRefHandle<CPixelImage> image = pattern(ColorFormat::A4R4G4B4);
    image->putPixel(0, 0, CColor(0xFFFFFFFF));
    CRefHandle<CPixelImage> back = writeAndRead(*image);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->colorFormat(), ColorFormat::A8R8G8B8);
    EXPECT_EQ(back->pixelAt(0, 0).value, 0xFFFFFFFFu);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 9; ++x) {
            const uint32_t nibbles = image->pixelAt(x, y).value; // each channel v x 16
            EXPECT_EQ(back->pixelAt(x, y).value, nibbles | ((nibbles >> 4) & 0x0F0F0F0F)) << x << ", " << y;
        }
    }
}

// Python's Pillow reads the file as written.
TEST(CPngImageWriter, FileReadsBackInPillow) {
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3 with Pillow is not installed";
    CRefHandle<CPixelImage> image = pattern(ColorFormat::A8R8G8B8);
    CRefHandle<CVirtualFile> file = newVirtualFile("out.png");
    CRefHandle<CPngImageWriter> writer(new CPngImageWriter());
    ASSERT_TRUE(writer->write(file.get(), image.get(), 0));
    TempDir dir;
    const auto png = dir.write("out.png", fileBytes(file.get()));
    const auto dump = dir.path() / "out.rgba";
    const std::string command = "/usr/bin/python3 -c \"import sys; from PIL import Image; "
                                "open(sys.argv[2], 'wb').write(Image.open(sys.argv[1]).convert('RGBA').tobytes())\" '" +
                                png.string() + "' '" + dump.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<uint8_t> rgba = readAllBytes(dump);
    ASSERT_EQ(rgba.size(), size_t(9 * 5 * 4));
    for (uint32_t i = 0; i < 9 * 5; ++i) {
        const uint32_t got = (uint32_t(rgba[i * 4 + 3]) << 24) | (uint32_t(rgba[i * 4]) << 16) |
                             (uint32_t(rgba[i * 4 + 1]) << 8) | rgba[i * 4 + 2];
        EXPECT_EQ(got, image->pixelAt(i % 9, i / 9).value) << i;
    }
}

TEST(CPngImageWriter, FailsOnAShortWrite) {
    CRefHandle<CPixelImage> image = pattern(ColorFormat::R8G8B8);
    auto* block = new uint8_t[40];
    CRefHandle<CBufferFile> full(new CBufferFile(block, 40, CStringW(u"full.png"), true));
    CRefHandle<CPngImageWriter> writer(new CPngImageWriter());
    LogCapture log;
    EXPECT_FALSE(writer->write(full.get(), image.get(), 0));
    EXPECT_TRUE(log.contains("ERR: Can't write image: full.png: PNG: Write Error"));
    EXPECT_FALSE(writer->write(nullptr, image.get(), 0));
    EXPECT_FALSE(writer->write(full.get(), nullptr, 0));
}

TEST(CPngImageWriter, AcceptsPngNamesInAnyCase) {
    CRefHandle<CPngImageWriter> writer(new CPngImageWriter());
    EXPECT_TRUE(writer->acceptsExtension(CStringW(u"shots/screenshot1.png")));
    EXPECT_TRUE(writer->acceptsExtension(CStringW(u"SHOT.PNG")));
    EXPECT_TRUE(writer->acceptsExtension(CStringW(u"shot.pNg")));
    EXPECT_FALSE(writer->acceptsExtension(CStringW(u"shot.png.bmp")));
    EXPECT_FALSE(writer->acceptsExtension(CStringW(u"dir.png/shot")));
    EXPECT_FALSE(writer->acceptsExtension(CStringW(u"shot.pngx")));
}
