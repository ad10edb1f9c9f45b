#include "tools/atlas/AtlasPacker.h"

#include "engine/content/ContentType.h"
#include "engine/core/CString.h"
#include "engine/video/AtlasTextureCollection.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "tests/support/CTestDriverTexture.h"
#include "tests/support/TextureTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A colour unique to picture `index` at (x, y), alpha included.
CColor patternColor(uint32_t index, uint32_t x, uint32_t y) {
    const uint32_t h = (index * 2654435761u) ^ (x * 40503u) ^ (y * 9973u);
    return CColor(64 + (h & 0x7F), (h >> 8) & 0xFF, (h >> 16) & 0xFF, (index * 37 + x + y) & 0xFF);
}

AtlasInput picture(uint32_t index, uint32_t width, uint32_t height) {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image->putPixel(x, y, patternColor(index, x, y));
    const std::string name = "pics/p" + std::to_string(index) + ".png";
    return {CStringW(name.c_str()), image};
}

// Pictures of sizes from a fixed sequence.
std::vector<AtlasInput> pictures(uint32_t count, uint32_t largest) {
    std::vector<AtlasInput> inputs;
    uint32_t seed = 12345;
    for (uint32_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        const uint32_t width = 1 + (seed >> 16) % largest;
        seed = seed * 1103515245u + 12345u;
        const uint32_t height = 1 + (seed >> 16) % largest;
        inputs.push_back(picture(i, width, height));
    }
    return inputs;
}

bool isPowerOfTwo(uint32_t value) { return value && !(value & (value - 1)); }

// Every page a power of two within the limit; every picture inside its page
// with its padding, on its own (no two padded rectangles overlap); every
// padded pixel the picture's nearest pixel (its own inside, the edge's
// around it).
void expectSoundPacking(const std::vector<AtlasInput>& inputs, const AtlasPacker& packer,
                        const AtlasPackOptions& options) {
    for (const auto& page : packer.pages()) {
        EXPECT_TRUE(isPowerOfTwo(page->width()) && isPowerOfTwo(page->height()));
        EXPECT_LE(page->width(), uint32_t(options.maxSize));
        EXPECT_LE(page->height(), uint32_t(options.maxSize));
    }
    ASSERT_EQ(packer.placements().size(), inputs.size());
    const int32_t pad = options.padding;
    for (uint32_t i = 0; i < inputs.size(); ++i) {
        const AtlasPlacement& p = packer.placements()[i];
        SCOPED_TRACE("picture " + std::to_string(i));
        ASSERT_LT(p.page, packer.pages().size());
        const CPixelImage& page = *packer.pages()[p.page];
        ASSERT_EQ(p.right - p.left, int32_t(inputs[i].image->width()));
        ASSERT_EQ(p.bottom - p.top, int32_t(inputs[i].image->height()));
        ASSERT_GE(p.left - pad, 0);
        ASSERT_GE(p.top - pad, 0);
        ASSERT_LE(p.right + pad, int32_t(page.width()));
        ASSERT_LE(p.bottom + pad, int32_t(page.height()));
        for (uint32_t j = 0; j < i; ++j) {
            const AtlasPlacement& q = packer.placements()[j];
            const bool apart = p.page != q.page || p.right + pad <= q.left - pad || q.right + pad <= p.left - pad ||
                               p.bottom + pad <= q.top - pad || q.bottom + pad <= p.top - pad;
            EXPECT_TRUE(apart) << "overlaps picture " << j;
        }
        int wrong = 0;
        for (int32_t y = p.top - pad; y < p.bottom + pad; ++y) {
            for (int32_t x = p.left - pad; x < p.right + pad; ++x) {
                const auto sx = uint32_t(std::clamp(x - p.left, 0, p.right - p.left - 1));
                const auto sy = uint32_t(std::clamp(y - p.top, 0, p.bottom - p.top - 1));
                if (page.pixelAt(uint32_t(x), uint32_t(y)) != inputs[i].image->pixelAt(sx, sy) && ++wrong <= 3)
                    ADD_FAILURE() << "page pixel (" << x << ", " << y << ")";
            }
        }
    }
}

} // namespace

TEST(AtlasPacker, PacksPicturesWithRepeatedEdgesOnPowerOfTwoPages) {
    const struct {
        const char* what;
        uint32_t count;
        uint32_t largest;
        AtlasPackOptions options;
    } cases[] = {
        {"many small", 150, 24, {}},
        {"few large", 12, 200, {}},
        {"thin and wide", 40, 90, {512, 1, false}},
        {"wide padding", 30, 20, {256, 3, false}},
        {"no padding", 50, 16, {256, 0, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<AtlasInput> inputs = pictures(c.count, c.largest);
        AtlasPacker packer;
        std::string error;
        ASSERT_TRUE(packer.pack(inputs, c.options, &error)) << error;
        expectSoundPacking(inputs, packer, c.options);
    }
}

TEST(AtlasPacker, ChoosesTheSmallestPagesThatHoldThePictures) {
    std::vector<AtlasInput> four;
    for (uint32_t i = 0; i < 4; ++i)
        four.push_back(picture(i, 16, 16));
    AtlasPacker packer;
    std::string error;
    ASSERT_TRUE(packer.pack(four, {}, &error)) << error;
    ASSERT_EQ(packer.pages().size(), 1u);
    // Four 18 x 18 padded squares: 64 x 32 is too small, 64 x 64 holds them.
    EXPECT_EQ(packer.pages()[0]->width(), 64u);
    EXPECT_EQ(packer.pages()[0]->height(), 64u);

    // Ten 32 x 32 padded squares on 64 x 64 pages: 4 + 4 + 2, the last page
    // only as large as its two.
    std::vector<AtlasInput> ten;
    for (uint32_t i = 0; i < 10; ++i)
        ten.push_back(picture(i, 30, 30));
    const AtlasPackOptions small{64, 1, false};
    ASSERT_TRUE(packer.pack(ten, small, &error)) << error;
    ASSERT_EQ(packer.pages().size(), 3u);
    EXPECT_EQ(packer.pages()[2]->width(), 64u);
    EXPECT_EQ(packer.pages()[2]->height(), 32u);
    expectSoundPacking(ten, packer, small);
}

TEST(AtlasPacker, TrimmingTurnsTransparentMarginsIntoOffsets) {
    CRefHandle<CPixelImage> framed(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 10, 8));
    CRefHandle<CPixelImage> clear(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 5, 7));
    framed->fillColor(CColor(0, 255, 255, 255));
    clear->fillColor(CColor(0, 1, 2, 3));
    for (uint32_t y = 3; y < 7; ++y)
        for (uint32_t x = 2; x < 6; ++x)
            framed->putPixel(x, y, CColor(255, x * 10, y * 10, 7));
    const std::vector<AtlasInput> inputs = {{CStringW(u"framed.png"), framed}, {CStringW(u"clear.png"), clear}};
    AtlasPacker packer;
    std::string error;
    ASSERT_TRUE(packer.pack(inputs, {2048, 1, true}, &error)) << error;

    const AtlasPlacement& f = packer.placements()[0];
    EXPECT_EQ(f.right - f.left, 4);
    EXPECT_EQ(f.bottom - f.top, 4);
    EXPECT_EQ(f.offsetB, CVector2d(2, 3));
    EXPECT_EQ(f.offsetA, CVector2d(4, 1));
    EXPECT_EQ(packer.pages()[0]->pixelAt(uint32_t(f.left), uint32_t(f.top)), CColor(255, 20, 30, 7));
    EXPECT_EQ(packer.pages()[0]->pixelAt(uint32_t(f.left - 1), uint32_t(f.top - 1)), CColor(255, 20, 30, 7));

    const AtlasPlacement& c = packer.placements()[1];
    EXPECT_EQ(c.right - c.left, 0);
    EXPECT_EQ(c.offsetB, CVector2d(0, 0));
    EXPECT_EQ(c.offsetA, CVector2d(5, 7));
}

TEST(AtlasPacker, RefusesWhatCannotFit) {
    std::string error;
    AtlasPacker packer;
    EXPECT_FALSE(packer.pack({picture(0, 63, 10)}, {64, 1, false}, &error));
    EXPECT_NE(error.find("p0.png"), std::string::npos) << error;
    EXPECT_TRUE(packer.pack({picture(0, 62, 10)}, {64, 1, false}, &error)) << error;
    EXPECT_FALSE(packer.pack({picture(0, 4, 4)}, {100, 1, false}, &error));
    EXPECT_FALSE(packer.pack({picture(0, 4, 4)}, {64, -1, false}, &error));
    EXPECT_FALSE(packer.pack({{CStringW(u"none"), nullptr}}, {}, &error));
}

TEST(AtlasPacker, TheToolsCollectionLoadsThroughTheContentManager) {
    // Pictures in a folder, packed by the program itself.
    TextureTestStack stack;
    std::vector<AtlasInput> inputs = pictures(30, 40);
    for (uint32_t i = 0; i < inputs.size(); ++i)
        stack.writePng("source/" + std::string(i % 2 ? "sub/" : "") + "p" + std::to_string(i) + ".png",
                       inputs[i].image->width(), inputs[i].image->height(),
                       [i](uint32_t x, uint32_t y) { return patternColor(i, x, y); });
    const std::string command = std::string(BM_ATLASPACK) + " --max-size 128 --prefix img/ " +
                                (stack.dir.path() / "source").string() + " " +
                                (stack.dir.path() / "img" / "sheet.xml").string() + " > /dev/null";
    std::filesystem::create_directories(stack.dir.path() / "img");
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    CRefHandle<AtlasTextureCollection> collection =
        stack.load<AtlasTextureCollection>(ContentTypeAtlasCollection, u"img/sheet.xml");
    ASSERT_TRUE(collection);
    EXPECT_GT(collection->getAtlasFileNames().size(), 1u);
    EXPECT_EQ(collection->getAtlasTextures().size(), inputs.size());
    for (uint32_t i = 0; i < inputs.size(); ++i) {
        const std::string name = "img/" + std::string(i % 2 ? "sub/" : "") + "p" + std::to_string(i) + ".png";
        SCOPED_TRACE(name);
        CRefHandle<CAtlasTexture> texture = stack.load<CAtlasTexture>(ContentTypeAtlasTexture, CStringW(name.c_str()));
        ASSERT_TRUE(texture);
        const CPixelImage& source = *inputs[i].image;
        EXPECT_EQ(texture->getPixelSize(), CVector2d(float(source.width()), float(source.height())));
        const CRect rect = texture->getPixelRect();
        auto* page = static_cast<CTestDriverTexture*>(texture->getDriverTexture());
        for (uint32_t y = 0; y < source.height(); y += 3)
            for (uint32_t x = 0; x < source.width(); x += 3)
                ASSERT_EQ(page->texel(uint32_t(rect.left) + x, uint32_t(rect.top) + y), source.pixelAt(x, y).value);
    }

    // Packed into the folder it packs, twice: the second run leaves the
    // first run's pages out.
    const std::string inPlace = std::string(BM_ATLASPACK) + " --max-size 128 " +
                                (stack.dir.path() / "source").string() + " " +
                                (stack.dir.path() / "source" / "sheet.xml").string() + " > /dev/null";
    ASSERT_EQ(std::system(inPlace.c_str()), 0);
    ASSERT_EQ(std::system(inPlace.c_str()), 0);
    stack.manager->clear();
    CRefHandle<AtlasTextureCollection> again =
        stack.load<AtlasTextureCollection>(ContentTypeAtlasCollection, u"source/sheet.xml");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->getSubTextures().size(), inputs.size());
}
