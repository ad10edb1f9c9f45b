#include "engine/content/Blit.h"

#include "engine/content/CPixelImage.h"
#include "tests/engine/content/ImageTestSupport.h"

#include <gtest/gtest.h>

namespace {

CRefHandle<CPixelImage> newImage(ColorFormat format, uint32_t width, uint32_t height, uint32_t fill) {
    CRefHandle<CPixelImage> image(CPixelImage::create(imageName(u"blit"), format, width, height));
    EXPECT_TRUE(image);
    image->fillColor(CColor(fill));
    return image;
}

// Source pixel (x, y) gets a colour that names it.
CRefHandle<CPixelImage> numbered(uint32_t width, uint32_t height) {
    CRefHandle<CPixelImage> image = newImage(ColorFormat::A8R8G8B8, width, height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image->putPixel(x, y, CColor(0xFF000000u | (x << 8) | y));
    return image;
}

} // namespace

TEST(Blit, ConvertsOnlyThePairsOfItsTable) {
    CRefHandle<CPixelImage> source = newImage(ColorFormat::R5G6B5, 2, 2, 0xFFFFFFFF);
    CRefHandle<CPixelImage> target = newImage(ColorFormat::A8R8G8B8, 2, 2, 0x01020304);
    EXPECT_FALSE(source->blitInto(*target, 0, 0));
    EXPECT_EQ(target->pixelAt(0, 0).value, 0x01020304u);
    // convertPixels has the pair.
    EXPECT_TRUE(
        CPixelImage::convertPixels(source->data(), ColorFormat::R5G6B5, 4, target->data(), ColorFormat::A8R8G8B8));
    EXPECT_EQ(target->pixelAt(1, 1).value, 0xFFF8FCF8u);

    // A1R5G5B5 into R8G8B8 widens by replication, unlike convertPixels.
    CRefHandle<CPixelImage> fives = newImage(ColorFormat::A1R5G5B5, 1, 1, 0xFFFFFFFF);
    CRefHandle<CPixelImage> bytes = newImage(ColorFormat::R8G8B8, 1, 1, 0);
    EXPECT_TRUE(fives->blitInto(*bytes, 0, 0));
    EXPECT_EQ(bytes->pixelAt(0, 0).value, 0xFFFFFFFFu);
    // A4R4G4B4 into A8R8G8B8 makes each nibble v into v x 16.
    CRefHandle<CPixelImage> nibbles = newImage(ColorFormat::A4R4G4B4, 1, 1, 0xFFFFFFFF);
    EXPECT_TRUE(nibbles->blitInto(*target, 1, 1));
    EXPECT_EQ(target->pixelAt(1, 1).value, 0xF0F0F0F0u);
}

TEST(Blit, ClipsToTheClipRectangleAndBothImages) {
    CRefHandle<CPixelImage> source = numbered(4, 4);
    struct Probe {
        BlitPoint target;
        int sx, sy; // the source pixel expected there; -1: untouched
    };
    const struct {
        const char* what;
        bool hasSource;
        BlitRect sourceRect;
        bool hasClip;
        BlitRect clip;
        BlitPoint position;
        bool result;
        Probe probes[2];
    } rows[] = {
        {"whole source", false, {}, false, {}, {4, 4}, true, {{{5, 5}, 1, 1}, {{7, 7}, 3, 3}}},
        {"negative position", false, {}, false, {}, {-2, -1}, true, {{{0, 0}, 2, 1}, {{2, 0}, -1, -1}}},
        {"source rectangle", true, {1, 2, 3, 4}, false, {}, {5, 5}, true, {{{5, 5}, 1, 2}, {{7, 5}, -1, -1}}},
        {"clip rectangle", false, {}, true, {0, 0, 5, 8}, {4, 4}, true, {{{4, 4}, 0, 0}, {{5, 5}, -1, -1}}},
        {"clip beyond the target",
         false,
         {},
         true,
         {-100, -100, 100, 100},
         {6, 6},
         true,
         {{{7, 7}, 1, 1}, {{5, 5}, -1, -1}}},
        {"source rectangle past the source",
         true,
         {2, 2, 40, 40},
         false,
         {},
         {4, 4},
         true,
         {{{5, 5}, 3, 3}, {{6, 6}, -1, -1}}},
        {"source rectangle before the source",
         true,
         {-3, -3, 2, 2},
         false,
         {},
         {2, 2},
         true,
         {{{5, 5}, 0, 0}, {{4, 4}, -1, -1}}},
        {"empty intersection", false, {}, true, {7, 7, 8, 8}, {0, 0}, false, {{{0, 0}, -1, -1}, {{7, 7}, -1, -1}}},
        {"reversed source rectangle",
         true,
         {3, 3, 1, 1},
         false,
         {},
         {5, 5},
         false,
         {{{5, 5}, -1, -1}, {{4, 4}, -1, -1}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRefHandle<CPixelImage> target = newImage(ColorFormat::A8R8G8B8, 8, 8, 0x11111111);
        EXPECT_EQ(Blit(BlitOperation::CopyWithConversion, row.hasSource ? &row.sourceRect : nullptr, *target,
                       row.hasClip ? &row.clip : nullptr, &row.position, *source),
                  row.result);
        for (const Probe& probe : row.probes) {
            const uint32_t expected =
                probe.sx < 0 ? 0x11111111u : 0xFF000000u | (uint32_t(probe.sx) << 8) | uint32_t(probe.sy);
            EXPECT_EQ(target->pixelAt(uint32_t(probe.target.x), uint32_t(probe.target.y)).value, expected)
                << "at " << probe.target.x << ", " << probe.target.y;
        }
    }
}

TEST(Blit, ConvertsRowsWithDifferentPitches) {
    CRefHandle<CPixelImage> target = newImage(ColorFormat::R5G6B5, 5, 4, 0);
    CRefHandle<CPixelImage> bright = newImage(ColorFormat::R8G8B8, 2, 2, 0xFFFF0000);
    bright->putPixel(1, 1, CColor(0xFF0000FF));
    EXPECT_TRUE(bright->blitInto(*target, 3, 2));
    EXPECT_EQ(target->pixelAt(3, 2).value, 0xFFF80000u);
    EXPECT_EQ(target->pixelAt(4, 2).value, 0xFFF80000u);
    EXPECT_EQ(target->pixelAt(4, 3).value, 0xFF0000F8u);
    EXPECT_EQ(target->pixelAt(2, 2).value, 0xFF000000u);
}
