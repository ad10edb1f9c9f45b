#include "engine/content/CImageFormatRegistry.h"

#include "engine/content/CJpegImageLoader.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/IImageFormatLoader.h"
#include "tests/engine/content/ImageTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

CRefHandle<CImageFormatRegistry> newRegistry() { return CRefHandle<CImageFormatRegistry>(new CImageFormatRegistry()); }

CRefHandle<CPixelImage> load(const CImageFormatRegistry& registry, const std::vector<uint8_t>& bytes,
                             const std::string& name) {
    CRefHandle<IReadableFile> file = memoryFile(bytes, name);
    return CRefHandle<CPixelImage>(registry.loadImage(file.get(), imageName(u"content")));
}

// A JPEG whose JFIF segment is removed, as an Exif camera file has none.
std::vector<uint8_t> withoutJfif(std::vector<uint8_t> bytes) {
    EXPECT_EQ(bytes[3], 0xE0);
    const size_t length = size_t(bytes[4]) << 8 | bytes[5];
    bytes.erase(bytes.begin() + 2, bytes.begin() + 4 + long(length));
    return bytes;
}

std::vector<uint8_t> mimgOf(const std::vector<uint8_t>& png) {
    std::vector<uint8_t> bytes = png;
    bytes.insert(bytes.end(), 8, 0);
    appendLe32(bytes, uint32_t(png.size()));
    bytes.push_back(0); // no alpha
    bytes.push_back(2); // PNG
    bytes.push_back(0);
    bytes.push_back(0);
    appendLe16(bytes, uint32_t(ColorFormat::R8G8B8));
    appendLe16(bytes, 0x0102);
    appendLe32(bytes, 0x4D494D47);
    return bytes;
}

// Counts the loads it is asked for and decodes nothing.
class CountingLoader : public IImageFormatLoader {
public:
    bool acceptsExtension(const CStringW& lowerExtension) const override { return lowerExtension == u"png"; }
    bool checkSignature(IReadableFile*) const override { return true; }
    CPixelImage* load(IReadableFile* file, const CObjectName&) const override {
        ++loads;
        positions.push_back(file->position());
        return nullptr;
    }
    mutable int loads = 0;
    mutable std::vector<int32_t> positions;
};

} // namespace

TEST(CImageFormatRegistry, LoadsByExtensionThenBySignature) {
    CRefHandle<CImageFormatRegistry> registry = newRegistry();
    const std::vector<uint8_t> png = fixtureBytes("rgb8.png");
    const std::vector<uint8_t> jpeg = fixtureBytes("baseline.jpg");
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* name;
        bool loads;
        const char* line; // a line the attempt logs, or null
    } rows[] = {
        {"png by extension", png, "a.png", true, nullptr},
        {"png named in capitals", png, "dir/A.PNG", true, nullptr},
        // The JPEG loader fails first; the load succeeds, so nothing is said.
        {"png named .jpg", png, "picture.jpg", true, nullptr},
        {"jpeg named .jpeg: by its start marker", jpeg, "picture.jpeg", true, nullptr},
        {"Exif jpeg named .jpg", withoutJfif(jpeg), "camera.jpg", true, nullptr},
        {"Exif jpeg named .jpeg: by its start marker", withoutJfif(jpeg), "camera.jpeg", true, nullptr},
        {"mimg without extension: by its tag", mimgOf(png), "packed", true, nullptr},
        {"dot in the folder only", png, "dir.png/file", true, nullptr},
        {"damaged file", std::vector<uint8_t>(png.begin(), png.begin() + 50), "broken.png", false,
         "WRN: Can't load image: broken.png: PNG: Read Error"},
        {"damaged jpeg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 40), "broken.jpg", false,
         "WRN: Can't load image: broken.jpg: JPEG: "},
        {"empty file", {}, "empty.mimg", false, "WRN: Can't load image: empty.mimg"},
        {"no known format", std::vector<uint8_t>(300, 'x'), "x.bin", false,
         "WRN: Can't load image: x.bin: not an image format known here"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log;
        CRefHandle<CPixelImage> image = load(*registry, row.bytes, row.name);
        EXPECT_EQ(bool(image), row.loads);
        if (image) {
            EXPECT_EQ(image->getContentName().str(), CStringW(u"content"));
        }
        // A failed load says once what happened; a load that succeeds says
        // nothing about the loaders that failed before.
        if (row.line) {
            ASSERT_EQ(log.lines().size(), 1u);
            EXPECT_TRUE(log.contains(row.line)) << log.lines().front();
        }
        if (row.loads) {
            EXPECT_TRUE(log.lines().empty());
        }
    }
    EXPECT_EQ(registry->loadImage(nullptr, imageName(u"x")), nullptr);
}

// Every loader gets the file from its start, in either pass, and decodes it
// at most once: one that failed by the extension is not asked again.
TEST(CImageFormatRegistry, RewindsBeforeEveryLoadAndAsksEachLoaderOnce) {
    CRefHandle<CImageFormatRegistry> registry = newRegistry();
    CRefHandle<CountingLoader> counting(new CountingLoader());
    registry->addLoader(counting.get());
    for (const char* name : {"x.png", "x.bin"}) {
        SCOPED_TRACE(name);
        counting->loads = 0;
        counting->positions.clear();
        CRefHandle<IReadableFile> file = memoryFile(std::vector<uint8_t>(100, 0x33), name);
        LogCapture log;
        EXPECT_EQ(registry->loadImage(file.get(), imageName(u"x")), nullptr);
        EXPECT_EQ(counting->loads, 1);
        EXPECT_EQ(counting->positions, (std::vector<int32_t>{0}));
    }
}

TEST(CImageFormatRegistry, WritesWithTheWriterOfTheName) {
    CRefHandle<CImageFormatRegistry> registry = newRegistry();
    CRefHandle<CPixelImage> image(CPixelImage::create(imageName(u"shot"), ColorFormat::A8R8G8B8, 16, 8));
    image->fillColor(CColor(0xFF336699));

    CRefHandle<CVirtualFile> png = newVirtualFile("screenshot3.PNG");
    EXPECT_TRUE(registry->writeImage(image.get(), png.get(), nullptr));
    CRefHandle<CPixelImage> back = load(*registry, fileBytes(png.get()), "back.png");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixelAt(3, 3).value, 0xFF336699u);

    CRefHandle<CVirtualFile> bmp = newVirtualFile("screenshot3.bmp");
    {
        LogCapture log;
        EXPECT_FALSE(registry->writeImage(image.get(), bmp.get(), nullptr));
        EXPECT_TRUE(log.contains("WRN: Can't save image: screenshot3.bmp"));
    }
    EXPECT_EQ(bmp->size(), 0);

    // No quality means 100.
    CRefHandle<CVirtualFile> unset = newVirtualFile("a.jpg");
    CRefHandle<CVirtualFile> hundred = newVirtualFile("b.jpeg");
    const int full = 100;
    EXPECT_TRUE(registry->writeImage(image.get(), unset.get(), nullptr));
    EXPECT_TRUE(registry->writeImage(image.get(), hundred.get(), &full));
    EXPECT_EQ(fileBytes(unset.get()), fileBytes(hundred.get()));

    EXPECT_FALSE(registry->writeImage(nullptr, png.get(), nullptr));
    EXPECT_FALSE(registry->writeImage(image.get(), nullptr, nullptr));
}
