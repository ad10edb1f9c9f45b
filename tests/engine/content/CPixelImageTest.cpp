#include "engine/content/CPixelImage.h"

#include "tests/engine/content/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr ColorFormat kImageFormats[] = {ColorFormat::A1R5G5B5, ColorFormat::A4R4G4B4, ColorFormat::R5G6B5,
                                         ColorFormat::R8G8B8, ColorFormat::A8R8G8B8};

CRefHandle<CPixelImage> newImage(ColorFormat format, uint32_t width, uint32_t height) {
    CRefHandle<CPixelImage> image(CPixelImage::create(imageName(u"test"), format, width, height));
    EXPECT_TRUE(image);
    return image;
}

// A 1 x 1 image of `format` holding the raw little-endian `bits`.
CRefHandle<CPixelImage> onePixel(ColorFormat format, uint32_t bits) {
    CRefHandle<CPixelImage> image = newImage(format, 1, 1);
    for (uint32_t i = 0; i < image->bytesPerPixel(); ++i)
        image->data()[i] = uint8_t(bits >> (8 * i));
    return image;
}

uint32_t rawPixel(const CPixelImage& image, uint32_t x, uint32_t y) {
    uint32_t bits = 0;
    const uint8_t* p = image.data() + y * image.pitch() + x * image.bytesPerPixel();
    for (uint32_t i = 0; i < image.bytesPerPixel(); ++i)
        bits |= uint32_t(p[i]) << (8 * i);
    return bits;
}

} // namespace

TEST(CPixelImage, DescribesItsFormat) {
    const struct {
        ColorFormat format;
        uint32_t bits;
        uint32_t alpha, red, green, blue;
    } rows[] = {
        {ColorFormat::A1R5G5B5, 16, 0x8000, 0x7C00, 0x03E0, 0x001F},
        {ColorFormat::A4R4G4B4, 16, 0xF000, 0x0F00, 0x00F0, 0x000F},
        {ColorFormat::R5G6B5, 16, 0, 0xF800, 0x07E0, 0x001F},
        {ColorFormat::R8G8B8, 24, 0, 0xFF0000, 0x00FF00, 0x0000FF},
        {ColorFormat::A8R8G8B8, 32, 0xFF000000, 0xFF0000, 0x00FF00, 0x0000FF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.format));
        CRefHandle<CPixelImage> image = newImage(row.format, 7, 3);
        EXPECT_EQ(image->bitsPerPixel(), row.bits);
        EXPECT_EQ(image->bytesPerPixel(), row.bits / 8);
        EXPECT_EQ(image->pitch(), 7 * row.bits / 8);
        EXPECT_EQ(image->alphaMask(), row.alpha);
        EXPECT_EQ(image->redMask(), row.red);
        EXPECT_EQ(image->greenMask(), row.green);
        EXPECT_EQ(image->blueMask(), row.blue);
        EXPECT_EQ(image->getContentType(), 0x67616D69u);
        EXPECT_EQ(image->getContentFlags(), IContent::FlagShared);
        EXPECT_EQ(image->clone(), nullptr);
        EXPECT_EQ(image->getContentName().str(), CStringW(u"test"));
    }
    EXPECT_EQ(colorFormatBits(ColorFormat::R32F), 0u);
}

TEST(CPixelImage, CreateRefusesWhatCannotBeAnImage) {
    const CObjectName name = imageName(u"x");
    EXPECT_EQ(CPixelImage::create(name, ColorFormat::R16F, 4, 4), nullptr);
    EXPECT_EQ(CPixelImage::create(name, ColorFormat::A8R8G8B8, 0, 4), nullptr);
    EXPECT_EQ(CPixelImage::create(name, ColorFormat::A8R8G8B8, 4, 0), nullptr);
    // 32-bit sizes whose product overflows 32 bits, and a block over the limit.
    EXPECT_EQ(CPixelImage::create(name, ColorFormat::A8R8G8B8, 0x10000, 0x10000), nullptr);
    EXPECT_EQ(CPixelImage::create(name, ColorFormat::R8G8B8, 0xFFFFFFFF, 0xFFFFFFFF), nullptr);
    EXPECT_EQ(CPixelImage::createFromData(name, ColorFormat::R8G8B8, 2, 2, nullptr, false, false), nullptr);
}

TEST(CPixelImage, CreateFromDataCopiesOrAdopts) {
    uint8_t pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    CRefHandle<CPixelImage> copy(
        CPixelImage::createFromData(imageName(u"c"), ColorFormat::R5G6B5, 2, 2, pixels, false, true));
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->data(), pixels);
    EXPECT_EQ(std::memcmp(copy->data(), pixels, 8), 0);
    // A copy goes with the image even when asked not to free: no leak.
    CRefHandle<CPixelImage> kept(
        CPixelImage::createFromData(imageName(u"k"), ColorFormat::R5G6B5, 2, 2, pixels, false, false));
    ASSERT_TRUE(kept);
    EXPECT_NE(kept->data(), pixels);

    CRefHandle<CPixelImage> inPlace(
        CPixelImage::createFromData(imageName(u"p"), ColorFormat::R5G6B5, 2, 2, pixels, true, false));
    ASSERT_TRUE(inPlace);
    EXPECT_EQ(inPlace->data(), pixels);
    inPlace->putPixel(0, 0, CColor(0xFFFFFFFF));
    EXPECT_EQ(pixels[0], 0xFF);

    auto* owned = static_cast<uint8_t*>(std::malloc(8));
    CRefHandle<CPixelImage> adopted(
        CPixelImage::createFromData(imageName(u"a"), ColorFormat::R5G6B5, 2, 2, owned, true, true));
    EXPECT_EQ(adopted->data(), owned); // freed with the image (ASan reports a leak otherwise)
}

TEST(CPixelImage, PixelAtWidensEachFormat) {
    const struct {
        ColorFormat format;
        uint32_t bits;
        uint32_t argb;
    } rows[] = {
        {ColorFormat::A1R5G5B5, 0xFFFF, 0xFFFFFFFF},     {ColorFormat::A1R5G5B5, 0x7C00, 0x00FF0000},
        {ColorFormat::A1R5G5B5, 0x8421, 0xFF080808}, // 1 -> 8 + 0
        {ColorFormat::A4R4G4B4, 0xFFFF, 0xF0F0F0F0},     {ColorFormat::A4R4G4B4, 0x1234, 0x10203040},
        {ColorFormat::R5G6B5, 0xFFFF, 0xFFF8FCF8},       {ColorFormat::R5G6B5, 0x0821, 0xFF080408},
        {ColorFormat::R8G8B8, 0x563412, 0xFF123456}, // bytes red, green, blue
        {ColorFormat::A8R8G8B8, 0x80123456, 0x80123456},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.format) << " " << std::hex << row.bits);
        EXPECT_EQ(onePixel(row.format, row.bits)->pixelAt(0, 0).value, row.argb);
    }
}

TEST(CPixelImage, PutPixelNarrowsEachFormat) {
    const struct {
        ColorFormat format;
        uint32_t argb;
        uint32_t bits;
    } rows[] = {
        {ColorFormat::A1R5G5B5, 0x7FFFFFFF, 0x7FFF}, // alpha 127 clears the alpha bit
        {ColorFormat::A1R5G5B5, 0x80FF0000, 0xFC00}, {ColorFormat::A4R4G4B4, 0x12345678, 0x1357},
        {ColorFormat::R5G6B5, 0x00FFFFFF, 0xFFFF},   {ColorFormat::R5G6B5, 0xFF08040F, 0x0821},
        {ColorFormat::R8G8B8, 0xFF123456, 0x563412}, {ColorFormat::A8R8G8B8, 0x01020304, 0x01020304},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.format) << " " << std::hex << row.argb);
        CRefHandle<CPixelImage> image = onePixel(row.format, 0);
        image->putPixel(0, 0, CColor(row.argb));
        EXPECT_EQ(rawPixel(*image, 0, 0), row.bits);
    }
}

TEST(CPixelImage, OutsideCoordinatesReadZeroAndWriteNothing) {
    CRefHandle<CPixelImage> image = newImage(ColorFormat::A8R8G8B8, 3, 2);
    image->fillColor(CColor(0xFF112233));
    EXPECT_EQ(image->pixelAt(3, 0).value, 0u);
    EXPECT_EQ(image->pixelAt(0, 2).value, 0u);
    EXPECT_EQ(image->pixelAt(uint32_t(-1), 0).value, 0u);
    image->putPixel(3, 0, CColor(0));
    image->putPixel(0, uint32_t(-1), CColor(0));
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(image->pixelAt(x, y).value, 0xFF112233u);
}

// Every pixel in every format, including R8G8B8 and 16-bit images with an
// odd number of pixels.
TEST(CPixelImage, FillColorSetsEveryPixel) {
    for (ColorFormat format : kImageFormats) {
        for (uint32_t width : {1u, 3u, 5u, 8u}) {
            SCOPED_TRACE(testing::Message() << int(format) << " width " << width);
            CRefHandle<CPixelImage> image = newImage(format, width, 3);
            std::memset(image->data(), 0x5A, size_t(image->dataSize()));
            image->fillColor(CColor(0xFFF8FCF8));
            CRefHandle<CPixelImage> expected = onePixel(format, 0);
            expected->putPixel(0, 0, CColor(0xFFF8FCF8));
            for (uint32_t y = 0; y < 3; ++y)
                for (uint32_t x = 0; x < width; ++x)
                    ASSERT_EQ(rawPixel(*image, x, y), rawPixel(*expected, 0, 0)) << x << ", " << y;
        }
    }
}

TEST(CPixelImage, ConvertPixelsCoversItsPairs) {
    const struct {
        ColorFormat from;
        uint32_t source;
        ColorFormat to;
        uint32_t expected;
    } rows[] = {
        {ColorFormat::A1R5G5B5, 0xFFFF, ColorFormat::R5G6B5, 0xFFDF},   // green's low bit 0
        {ColorFormat::A1R5G5B5, 0x7FFF, ColorFormat::R8G8B8, 0xF8F8F8}, // shifted, no replication
        {ColorFormat::A1R5G5B5, 0x7FFF, ColorFormat::A8R8G8B8, 0x00FFFFFF},
        {ColorFormat::R5G6B5, 0xFFFF, ColorFormat::A1R5G5B5, 0xFFFF},
        {ColorFormat::R5G6B5, 0x0000, ColorFormat::A1R5G5B5, 0x8000},
        {ColorFormat::R5G6B5, 0xFFFF, ColorFormat::R8G8B8, 0xF8FCF8},
        {ColorFormat::R5G6B5, 0xFFFF, ColorFormat::A8R8G8B8, 0xFFF8FCF8},
        {ColorFormat::R8G8B8, 0x0F0F0F, ColorFormat::A1R5G5B5, 0x8421},
        {ColorFormat::R8G8B8, 0x0F0F0F, ColorFormat::R5G6B5, 0x0861},
        {ColorFormat::R8G8B8, 0x563412, ColorFormat::A8R8G8B8, 0xFF123456},
        {ColorFormat::A8R8G8B8, 0x7FFFFFFF, ColorFormat::A1R5G5B5, 0x7FFF},
        {ColorFormat::A8R8G8B8, 0x12345678, ColorFormat::A4R4G4B4, 0x1357},
        {ColorFormat::A8R8G8B8, 0x12345678, ColorFormat::R5G6B5, 0x32AF},
        {ColorFormat::A8R8G8B8, 0x12345678, ColorFormat::R8G8B8, 0x785634},
        {ColorFormat::A4R4G4B4, 0x1234, ColorFormat::A4R4G4B4, 0x1234},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.from) << " -> " << int(row.to));
        CRefHandle<CPixelImage> source = onePixel(row.from, row.source);
        CRefHandle<CPixelImage> target = onePixel(row.to, 0);
        EXPECT_TRUE(CPixelImage::convertPixels(source->data(), row.from, 1, target->data(), row.to));
        EXPECT_EQ(rawPixel(*target, 0, 0), row.expected);
    }
    // A pair without a converter leaves the destination as it was.
    uint8_t source[2] = {0x34, 0x12};
    uint8_t target[4] = {9, 9, 9, 9};
    EXPECT_FALSE(CPixelImage::convertPixels(source, ColorFormat::A4R4G4B4, 1, target, ColorFormat::A8R8G8B8));
    EXPECT_FALSE(CPixelImage::convertPixels(source, ColorFormat::R16F, 1, target, ColorFormat::A8R8G8B8));
    EXPECT_EQ(target[0], 9);
}

// Every pair of formats, including those the blitter lacks, gives every
// pixel its converted value.
TEST(CPixelImage, CreateConvertedDefinesEveryPixel) {
    for (ColorFormat from : kImageFormats) {
        for (ColorFormat to : kImageFormats) {
            SCOPED_TRACE(testing::Message() << int(from) << " -> " << int(to));
            CRefHandle<CPixelImage> source = newImage(from, 5, 3);
            source->fillColor(CColor(0xFF8040C0));
            const CColor sourceColor = source->pixelAt(0, 0);
            CRefHandle<CPixelImage> converted(CPixelImage::createConverted(imageName(u"c"), to, *source));
            ASSERT_TRUE(converted);
            EXPECT_EQ(converted->colorFormat(), to);
            EXPECT_EQ(converted->getContentName().str(), CStringW(u"c"));
            // Each pixel holds the source colour narrowed to the target format,
            // give or take the rounding of the conversion path.
            CRefHandle<CPixelImage> expected = onePixel(to, 0);
            expected->putPixel(0, 0, sourceColor);
            const CColor want = expected->pixelAt(0, 0);
            for (uint32_t y = 0; y < 3; ++y) {
                for (uint32_t x = 0; x < 5; ++x) {
                    const CColor got = converted->pixelAt(x, y);
                    EXPECT_NEAR(int(got.alpha()), int(want.alpha()), 16);
                    EXPECT_NEAR(int(got.red()), int(want.red()), 8);
                    EXPECT_NEAR(int(got.green()), int(want.green()), 8);
                    EXPECT_NEAR(int(got.blue()), int(want.blue()), 8);
                }
            }
        }
    }
}

TEST(CPixelImage, ExportPixelsRefusesSmallBuffersAndPitches) {
    CRefHandle<CPixelImage> image = newImage(ColorFormat::A8R8G8B8, 4, 3);
    image->fillColor(CColor(0xFF123456));
    std::vector<uint8_t> buffer(64 * 4, 0xEE);
    const std::vector<uint8_t> untouched = buffer;
    image->exportPixels(buffer.data(), 3, 3, ColorFormat::A8R8G8B8);     // one pixel narrower
    image->exportPixels(buffer.data(), 4, 2, ColorFormat::A8R8G8B8);     // one row shorter
    image->exportPixels(buffer.data(), 8, 8, ColorFormat::A8R8G8B8, 16); // pitch below a row
    image->exportPixels(buffer.data(), 8, 8, ColorFormat::R32F);
    image->exportPixels(nullptr, 8, 8, ColorFormat::A8R8G8B8);
    image->exportPixelsScaled(buffer.data(), 8, 8, ColorFormat::A8R8G8B8, 31);
    image->exportPixelsScaled(buffer.data(), 0, 8, ColorFormat::A8R8G8B8);
    EXPECT_EQ(buffer, untouched);
}

TEST(CPixelImage, ExportPixelsCopiesOrConvertsIntoLargerBuffers) {
    CRefHandle<CPixelImage> image = newImage(ColorFormat::A8R8G8B8, 2, 2);
    image->putPixel(0, 0, CColor(0xFF102030));
    image->putPixel(1, 0, CColor(0x80405060));
    image->putPixel(0, 1, CColor(0x00708090));
    image->putPixel(1, 1, CColor(0xFFA0B0C0));

    // Same format, wider buffer with its own pitch: the rest stays.
    std::vector<uint8_t> same(3 * 4 * 3, 0xEE);
    image->exportPixels(same.data(), 3, 3, ColorFormat::A8R8G8B8, 12);
    CRefHandle<CPixelImage> view(
        CPixelImage::createFromData(imageName(u"v"), ColorFormat::A8R8G8B8, 3, 3, same.data(), true, false));
    EXPECT_EQ(view->pixelAt(0, 0).value, 0xFF102030u);
    EXPECT_EQ(view->pixelAt(1, 1).value, 0xFFA0B0C0u);
    EXPECT_EQ(view->pixelAt(2, 0).value, 0xEEEEEEEEu);
    EXPECT_EQ(view->pixelAt(0, 2).value, 0xEEEEEEEEu);

    // Another format with a padded pitch.
    std::vector<uint8_t> rgb(2 * 8, 0xEE);
    image->exportPixels(rgb.data(), 2, 2, ColorFormat::R8G8B8, 8);
    EXPECT_EQ(rgb[0], 0x10);
    EXPECT_EQ(rgb[5], 0x60);
    EXPECT_EQ(rgb[6], 0xEE); // padding untouched
    EXPECT_EQ(rgb[8], 0x70);

    // A pair convertPixels lacks still gives defined pixels (through A8R8G8B8).
    CRefHandle<CPixelImage> nibbles = newImage(ColorFormat::A4R4G4B4, 2, 1);
    nibbles->fillColor(CColor(0xFFFFFFFF));
    std::vector<uint8_t> wide(2 * 2, 0);
    nibbles->exportPixels(wide.data(), 2, 1, ColorFormat::R5G6B5);
    EXPECT_EQ(wide[0] | (wide[1] << 8), 0xF79E); // 0xF0 in each channel
}

TEST(CPixelImage, ExportPixelsScaledSamplesFromTheTopLeft) {
    CRefHandle<CPixelImage> image = newImage(ColorFormat::A8R8G8B8, 4, 4);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            image->putPixel(x, y, CColor(0xFF000000u | (x << 8) | y));

    uint32_t half[4] = {};
    image->exportPixelsScaled(half, 2, 2, ColorFormat::A8R8G8B8);
    EXPECT_EQ(half[0], 0xFF000000u);
    EXPECT_EQ(half[1], 0xFF000200u);
    EXPECT_EQ(half[2], 0xFF000002u);
    EXPECT_EQ(half[3], 0xFF000202u);

    // Same size with a wider pitch: rows copied, the rest of each row zeroed.
    std::vector<uint32_t> padded(6 * 4, 0xEEEEEEEE);
    image->exportPixelsScaled(padded.data(), 4, 4, ColorFormat::A8R8G8B8, 24);
    EXPECT_EQ(padded[6 + 3], 0xFF000301u);
    EXPECT_EQ(padded[6 + 4], 0u);
    EXPECT_EQ(padded[6 + 5], 0u);

    // Enlarging repeats pixels and never samples outside the image.
    std::vector<uint8_t> big(7 * 9 * 3, 0);
    image->exportPixelsScaled(big.data(), 7, 9, ColorFormat::R8G8B8);
    EXPECT_EQ(big[(8 * 7 + 6) * 3 + 1], 3); // bottom-right takes column 3
    EXPECT_EQ(big[(8 * 7 + 6) * 3 + 2], 3); // and row 3
}

TEST(CPixelImage, CopyAlphaFromTakesTheFirstByteOfAGreyImage) {
    CRefHandle<CPixelImage> color = newImage(ColorFormat::A8R8G8B8, 2, 1);
    color->fillColor(CColor(0xFF102030));
    CRefHandle<CPixelImage> rgb = newImage(ColorFormat::R8G8B8, 2, 1);
    rgb->putPixel(0, 0, CColor(0xFF405060));
    rgb->putPixel(1, 0, CColor(0xFF708090));
    ASSERT_TRUE(color->copyAlphaFrom(*rgb));
    // R8G8B8 pixels are bytes red, green, blue: the red byte is the level.
    EXPECT_EQ(color->pixelAt(0, 0).value, 0x40102030u);
    EXPECT_EQ(color->pixelAt(1, 0).value, 0x70102030u);

    // An A8R8G8B8 grey image gives its first byte, the blue one.
    CRefHandle<CPixelImage> argb = newImage(ColorFormat::A8R8G8B8, 2, 1);
    argb->fillColor(CColor(0x11223344));
    ASSERT_TRUE(color->copyAlphaFrom(*argb));
    EXPECT_EQ(color->pixelAt(1, 0).value, 0x44102030u);

    // Other formats and sizes change nothing.
    const struct {
        const char* what;
        CRefHandle<CPixelImage> target;
        CRefHandle<CPixelImage> grey;
    } refused[] = {
        {"grey of a 16-bit format", color, newImage(ColorFormat::R5G6B5, 2, 1)},
        {"grey of another size", color, newImage(ColorFormat::R8G8B8, 1, 2)},
        {"target without its own alpha byte", rgb, color},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> before(c.target->data(), c.target->data() + c.target->dataSize());
        EXPECT_FALSE(c.target->copyAlphaFrom(*c.grey));
        EXPECT_EQ(std::vector<uint8_t>(c.target->data(), c.target->data() + c.target->dataSize()), before);
    }
}
