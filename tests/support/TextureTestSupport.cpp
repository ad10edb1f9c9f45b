#include "tests/support/TextureTestSupport.h"

#include "engine/content/CImageContentProcessor.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/io/FilePaths.h"
#include "engine/video/CAtlasCollectionProcessor.h"
#include "engine/video/CAtlasTextureProcessor.h"
#include "engine/video/CImageTextureProcessor.h"
#include "tests/support/CTestDriverTexture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

int32_t powerOfTwoAtLeast(int32_t value) {
    int32_t result = 1;
    while (result < value)
        result *= 2;
    return result;
}

class DeviceEvent : public CEvent, public IDeviceServiceEvent {
public:
    DeviceEvent(int32_t type, CRefCounted* service) : CEvent(MaskDevice), m_type(type), m_service(service) {}
    [[nodiscard]] int32_t getType() const override { return m_type; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == KindDevice || CEvent::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return m_service; }

private:
    int32_t m_type;
    CRefCounted* m_service;
};

} // namespace

CTextureTestDriver* CTextureTestDriver::create(int32_t type, bool padToPowerOfTwo) {
    return new CTextureTestDriver(type, padToPowerOfTwo);
}

CTextureTestDriver::CTextureTestDriver(int32_t type, bool pad)
    : CRecordingGraphicsDriver(CEngineCreationParams(), nullptr), m_type(type), m_pad(pad) {}

IDriverTexture* CTextureTestDriver::makeDriverTexture(CPixelImage* image) {
    if (!image)
        return nullptr;
    ++m_made;
    const CSizeI imageSize(int32_t(image->width()), int32_t(image->height()));
    if (!m_pad)
        return new CTestDriverTexture(image, ColorFormat::A8R8G8B8, true, m_type);
    const CSizeI size(powerOfTwoAtLeast(imageSize.width), powerOfTwoAtLeast(imageSize.height));
    auto* texture = new CTestDriverTexture(size, ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8, 0, m_type);
    texture->setImageSize(imageSize);
    image->exportPixels(texture->bytes().data(), uint32_t(size.width), uint32_t(size.height), ColorFormat::A8R8G8B8,
                        texture->pitch());
    return texture;
}

TextureTestStack::TextureTestStack(bool padToPowerOfTwo, int32_t driverType)
    : driver(CTextureTestDriver::create(driverType, padToPowerOfTwo)) {
    EXPECT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
    processors = CRefHandle<CContentProcessorsManager>(new CContentProcessorsManager(fileSystem.get(), driver.get()));
    manager = CRefHandle<CContentManager>(new CContentManager(driver.get(), fileSystem.get(), processors.get()));
    CRefHandle<IContentProcessor> list[] = {
        CRefHandle<IContentProcessor>(new CImageTextureProcessor(driver.get())),
        CRefHandle<IContentProcessor>(new CAtlasTextureProcessor(driver.get())),
        CRefHandle<IContentProcessor>(new CAtlasCollectionProcessor(fileSystem.get())),
        CRefHandle<IContentProcessor>(new CImageContentProcessor(registry.get())),
    };
    for (const auto& processor : list)
        EXPECT_TRUE(processors->registerProcessor(processor.get()));
}

TextureTestStack::~TextureTestStack() {
    // The cache holds textures of the driver: empty it while the driver lives.
    manager->clear();
}

void TextureTestStack::writePng(const std::string& relative, uint32_t width, uint32_t height,
                                const std::function<CColor(uint32_t, uint32_t)>& color) const {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
    ASSERT_TRUE(image);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image->putPixel(x, y, color(x, y));
    const std::filesystem::path path = dir.path() / relative;
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(manager->save(ContentTypeImage, image.get(), fromNativePath(path.string()), nullptr));
}

void TextureTestStack::postDeviceEvent(int32_t type, CRefCounted* service) {
    CRefHandle<DeviceEvent> event(new DeviceEvent(type, service));
    (void)processors->dispatch(CEventReceiver::HandleThenChildren, event.get());
    (void)manager->dispatch(CEventReceiver::HandleThenChildren, event.get());
}
