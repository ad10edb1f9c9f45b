#include "engine/video/CAtlasTextureProcessor.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/IGraphicsDriver.h"

CAtlasTextureProcessor::CAtlasTextureProcessor(IGraphicsDriver* driver)
    : m_driver(CRefHandle<IGraphicsDriver>::share(driver)) {
    setMask(CEvent::MaskDevice);
}

CAtlasTextureProcessor::~CAtlasTextureProcessor() = default;

uint32_t CAtlasTextureProcessor::getContentType() const { return ContentTypeAtlasTexture; }

IContent* CAtlasTextureProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    if (!manager || !file)
        return nullptr;
    IContent* content = manager->loadFromFile(ContentTypeImageTexture, file);
    CRefHandle<CImageTexture> texture(dynamic_cast<CImageTexture*>(content));
    if (!texture) {
        if (content)
            content->release();
        return nullptr;
    }
    const CSizeI& image = texture->getImageSize();
    const CSizeI& size = texture->getTextureSize();
    // The picture may fill only part of a padded texture.
    const CRect coords(0.0f, 0.0f, size.width > 0 ? float(image.width) / float(size.width) : 0.0f,
                       size.height > 0 ? float(image.height) / float(size.height) : 0.0f);
    return new CAtlasTexture(name, texture.get(), coords, CVector2d(), CVector2d());
}

bool CAtlasTextureProcessor::onVideoDriverReleased(CEvent*) {
    m_driver.reset();
    return false;
}

bool CAtlasTextureProcessor::onVideoDriverCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_driver = CRefHandle<IGraphicsDriver>::share(
        dynamic_cast<IGraphicsDriver*>(serviceEvent ? serviceEvent->getService() : nullptr));
    return false;
}
