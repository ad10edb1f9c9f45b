#include "engine/video/CImageTextureProcessor.h"

#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/io/IReadableFile.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"

namespace {

// The image `manager` loads as 'imag' from `file` (null when it is no image).
CRefHandle<CPixelImage> imageOf(IContent* content) {
    auto* image = dynamic_cast<CPixelImage*>(content);
    if (!image && content)
        content->release();
    return CRefHandle<CPixelImage>(image);
}

} // namespace

CImageTextureProcessor::CImageTextureProcessor(IGraphicsDriver* driver)
    : m_driver(CRefHandle<IGraphicsDriver>::share(driver)) {
    setMask(CEvent::MaskDevice);
}

CImageTextureProcessor::~CImageTextureProcessor() = default;

uint32_t CImageTextureProcessor::getContentType() const { return ContentTypeImageTexture; }

IContent* CImageTextureProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    if (!manager || !file || !m_driver)
        return nullptr;
    CRefHandle<CPixelImage> image = imageOf(manager->loadFromFile(ContentTypeImage, file));
    if (!image)
        return nullptr;
    CRefHandle<IDriverTexture> texture(m_driver->makeDriverTexture(image.get()));
    if (!texture)
        return nullptr;
    return new CImageTexture(name, file->fileName(), texture.get());
}

void CImageTextureProcessor::notify(CEvent* event, CContentMap& cached) {
    if (!event)
        return;
    if (event->getType() == IDeviceServiceEvent::VideoDriverReleased) {
        for (auto& entry : cached)
            if (auto* texture = dynamic_cast<CImageTexture*>(entry.value))
                texture->setTexture(nullptr);
        return;
    }
    if (event->getType() != IDeviceServiceEvent::VideoDriverCreated)
        return;
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    const auto* driver = dynamic_cast<const IGraphicsDriver*>(serviceEvent ? serviceEvent->getService() : nullptr);
    if (!driver || driver->driverType() == 0 || !m_driver)
        return;
    // Map order is name-id order.
    for (auto& entry : cached) {
        auto* texture = dynamic_cast<CImageTexture*>(entry.value);
        IContentManager* owner = texture ? texture->getContentName().owner() : nullptr;
        if (!owner)
            continue;
        CRefHandle<CPixelImage> image = imageOf(owner->load(ContentTypeImage, texture->getFileName(), false));
        if (!image)
            continue;
        CRefHandle<IDriverTexture> driverTexture(m_driver->makeDriverTexture(image.get()));
        if (driverTexture)
            texture->setTexture(driverTexture.get());
    }
}

bool CImageTextureProcessor::onVideoDriverReleased(CEvent*) {
    m_driver.reset();
    return false;
}

bool CImageTextureProcessor::onVideoDriverCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_driver = CRefHandle<IGraphicsDriver>::share(
        dynamic_cast<IGraphicsDriver*>(serviceEvent ? serviceEvent->getService() : nullptr));
    return false;
}
