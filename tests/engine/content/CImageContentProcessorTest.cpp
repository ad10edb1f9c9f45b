#include "engine/content/CImageContentProcessor.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CMimgImageLoader.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "tests/engine/content/ContentTestSupport.h"
#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Images loaded through a content manager over a mounted temporary folder,
// with the image processor as the only processor.
class CImageContentProcessorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
        ASSERT_TRUE(processors->registerProcessor(processor.get()));
    }

    CRefHandle<CPixelImage> load(const CStringW& name) {
        return CRefHandle<CPixelImage>(static_cast<CPixelImage*>(manager->load(ContentTypeImage, name, false)));
    }

    CStringW diskPath(const std::string& relative) const { return fromNativePath((dir.path() / relative).string()); }

    TempDir dir;
    CRefHandle<CImageFormatRegistry> registry{new CImageFormatRegistry};
    CRefHandle<CImageContentProcessor> processor{new CImageContentProcessor(registry.get())};
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
};

// A "mimg" file holding one raw A8R8G8B8 part and no alpha part.
std::vector<uint8_t> rawMimg(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb) {
    std::vector<uint8_t> bytes;
    appendLe32(bytes, width);
    appendLe32(bytes, height);
    for (uint32_t pixel : argb)
        appendLe32(bytes, pixel);
    const uint32_t colorSize = uint32_t(bytes.size());
    bytes.insert(bytes.end(), 8, 0); // reserved
    appendLe32(bytes, colorSize);
    bytes.push_back(CMimgImageLoader::None);
    bytes.push_back(CMimgImageLoader::Raw);
    bytes.push_back(0); // flag
    bytes.push_back(0); // padding
    appendLe16(bytes, uint32_t(ColorFormat::A8R8G8B8));
    appendLe16(bytes, CMimgImageLoader::MaxVersion);
    appendLe32(bytes, CMimgImageLoader::Tag);
    return bytes;
}

// A picture with every channel varying, alpha included.
CRefHandle<CPixelImage> makePattern(uint32_t width, uint32_t height) {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
    if (!image)
        return image;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image->putPixel(x, y, CColor(255 - x * 9, x * 17, y * 23, (x * 5 + y * 31) & 0xFF));
    return image;
}

void expectSamePixels(const CPixelImage& actual, const CPixelImage& expected) {
    ASSERT_EQ(actual.width(), expected.width());
    ASSERT_EQ(actual.height(), expected.height());
    int differences = 0;
    for (uint32_t y = 0; y < expected.height(); ++y) {
        for (uint32_t x = 0; x < expected.width(); ++x) {
            if (actual.pixelAt(x, y) != expected.pixelAt(x, y) && ++differences <= 3) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << actual.pixelAt(x, y).value
                              << " instead of " << expected.pixelAt(x, y).value;
            }
        }
    }
}

TEST_F(CImageContentProcessorTest, LoadsAnImageByNameAndCachesItAsShared) {
    dir.write("pics/rgba8.png", fixtureBytes("rgba8.png"));

    CRefHandle<CPixelImage> first = load(u"pics/rgba8.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->colorFormat(), ColorFormat::A8R8G8B8);
    expectPixelsNear(*first, readRgba16(fixtureBytes("rgba8.rgba16"), 37, 23), 0);
    EXPECT_EQ(first->getContentType(), ContentTypeImage);
    EXPECT_EQ(first->getContentName().owner(), manager.get());
    EXPECT_EQ(narrow(first->getContentName().str()), "pics/rgba8.png");
    EXPECT_EQ(first->referenceCount(), 2); // the cache and the caller

    CRefHandle<CPixelImage> second = load(u"pics/rgba8.png");
    EXPECT_EQ(second.get(), first.get());
    EXPECT_EQ(first->referenceCount(), 3);
    EXPECT_EQ(manager->find(ContentTypeImage, first->getContentName()), first.get());
}

TEST_F(CImageContentProcessorTest, MissingFileFallsBackToTheRawImageOfTheSameName) {
    const std::vector<uint32_t> argb = {0x80112233, 0xFF445566, 0x00778899, 0x7FAABBCC, 0x01020304, 0xFEDCBA98};
    dir.write("pics/tile.mimg", rawMimg(3, 2, argb));

    CRefHandle<CPixelImage> image = load(u"pics/tile.png");
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width(), 3u);
    ASSERT_EQ(image->height(), 2u);
    for (uint32_t i = 0; i < argb.size(); ++i)
        EXPECT_EQ(image->pixelAt(i % 3, i / 3).value, argb[i]) << "pixel " << i;
    // Cached under the name asked for, not under the file that was read.
    EXPECT_EQ(narrow(image->getContentName().str()), "pics/tile.png");
    EXPECT_EQ(manager->find(ContentTypeImage, CObjectName(manager.get(), u"pics/tile.png")), image.get());
    EXPECT_EQ(manager->find(ContentTypeImage, CObjectName(manager.get(), u"pics/tile.mimg")), nullptr);

    EXPECT_FALSE(load(u"pics/absent.png"));
}

TEST_F(CImageContentProcessorTest, SavedImagesLoadBackWithTheSamePixels) {
    CRefHandle<CPixelImage> source = makePattern(13, 7);
    ASSERT_TRUE(source);

    ASSERT_TRUE(manager->save(ContentTypeImage, source.get(), diskPath("shot.png"), nullptr));
    CRefHandle<CPixelImage> loaded = load(diskPath("shot.png"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->colorFormat(), ColorFormat::A8R8G8B8);
    expectSamePixels(*loaded, *source);

    // An upper-case extension picks the same writer.
    ASSERT_TRUE(manager->save(ContentTypeImage, source.get(), diskPath("SHOT2.PNG"), nullptr));
    loaded = load(diskPath("SHOT2.PNG"));
    ASSERT_TRUE(loaded);
    expectSamePixels(*loaded, *source);
}

TEST_F(CImageContentProcessorTest, SaveHandsTheQualityToTheJpegWriter) {
    CRefHandle<CPixelImage> source = makePattern(64, 64);
    ASSERT_TRUE(source);
    const int lowQuality = 5;

    ASSERT_TRUE(manager->save(ContentTypeImage, source.get(), diskPath("best.jpg"), nullptr));
    ASSERT_TRUE(manager->save(ContentTypeImage, source.get(), diskPath("rough.jpg"), &lowQuality));
    const size_t bestSize = readAllBytes(dir.path() / "best.jpg").size();
    const size_t roughSize = readAllBytes(dir.path() / "rough.jpg").size();
    EXPECT_GT(bestSize, 2 * roughSize);

    CRefHandle<CPixelImage> best = load(diskPath("best.jpg"));
    ASSERT_TRUE(best);
    EXPECT_EQ(best->colorFormat(), ColorFormat::R8G8B8);
    EXPECT_EQ(best->width(), 64u);
}

TEST_F(CImageContentProcessorTest, SaveFailsForNamesNoWriterTakesAndForOtherContent) {
    CRefHandle<CPixelImage> image = makePattern(4, 4);
    CRefHandle<IContent> notAnImage(
        new TestContent(ContentTypeImage, CObjectName(), IContent::FlagShared, "text", nullptr));
    const struct {
        const char* what;
        IContent* content;
        const char* fileName;
    } cases[] = {
        {"no writer for the extension", image.get(), "shot.bmp"},
        {"no extension", image.get(), "shot"},
        {"content of another class", notAnImage.get(), "other.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(manager->save(ContentTypeImage, c.content, diskPath(c.fileName), nullptr));
        // The processor's own line; the content manager adds none.
        EXPECT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.count(std::string("WRN: Can't save image: ") + narrow(diskPath(c.fileName))), 1u);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / c.fileName));
    }
}

TEST_F(CImageContentProcessorTest, DamagedFilesGiveNullAndOneLine) {
    const std::vector<uint8_t> png = fixtureBytes("rgb8.png");
    std::vector<uint8_t> corrupt = png;
    for (size_t i = 40; i < corrupt.size(); i += 7)
        corrupt[i] ^= 0x5A;
    // A trailer alone: its colour part reaches into the trailer.
    const std::vector<uint8_t> mimg = rawMimg(2, 2, {1, 2, 3, 4});
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty.png", {}},
        {"short.png", std::vector<uint8_t>(png.begin(), png.begin() + 5)},
        {"truncated.png", std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2)},
        {"corrupt.png", corrupt},
        {"text.jpg", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}},
        {"trailer.mimg", std::vector<uint8_t>(mimg.end() - CMimgImageLoader::TrailerBytes, mimg.end())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write(c.name, c.bytes);
        LogCapture log;
        EXPECT_FALSE(load(fromNativePath(c.name)));
        EXPECT_EQ(log.count("Can't load image: "), 1u);
        EXPECT_TRUE(log.contains(std::string("WRN: Can't load image: ") + c.name));
        EXPECT_EQ(manager->cachedCount(), 0u);
    }
}

// The processor made without a registry uses the engine managers' one, as
// installed when it is called.
TEST(CImageContentProcessor, UsesTheEngineManagersRegistryWhenGivenNone) {
    CEngineManagers& managers = CEngineManagers::instance();
    CImageFormatRegistry* previous = managers.getImageFormatRegistry();
    if (previous)
        previous->addRef();
    managers.setImageFormatRegistry<CImageFormatRegistry>(nullptr);

    CRefHandle<CImageContentProcessor> processor(new CImageContentProcessor());
    const std::vector<uint8_t> png = fixtureBytes("rgb8.png");
    {
        LogCapture log;
        CRefHandle<IContent> image(processor->load(nullptr, memoryFile(png, "rgb8.png").get(), CObjectName()));
        EXPECT_FALSE(image);
        EXPECT_EQ(log.count("Can't load image: rgb8.png"), 1u);
    }

    managers.setImageFormatRegistry(new CImageFormatRegistry);
    EXPECT_EQ(processor->getRegistry(), managers.getImageFormatRegistry());
    CRefHandle<IContent> image(processor->load(nullptr, memoryFile(png, "rgb8.png").get(), CObjectName()));
    EXPECT_TRUE(image);

    managers.setImageFormatRegistry(previous); // adopts the reference taken above
}

} // namespace
