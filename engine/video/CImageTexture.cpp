#include "engine/video/CImageTexture.h"

#include "engine/content/ContentType.h"
#include "engine/video/IDriverTexture.h"

CImageTexture::CImageTexture(const CObjectName& name, const CStringW& fileName, IDriverTexture* texture)
    : IContent(name, FlagShared), m_texture(texture), m_fileName(fileName) {
    if (m_texture) {
        m_texture->addRef();
        m_keepsImage = m_texture->image() != nullptr;
    }
}

CImageTexture::~CImageTexture() { releaseAndNull(m_texture); }

uint32_t CImageTexture::getContentType() const { return ContentTypeImageTexture; }

void CImageTexture::setTexture(IDriverTexture* texture) {
    if (texture)
        texture->addRef();
    IDriverTexture* old = m_texture;
    m_texture = texture;
    if (old)
        old->release();
    if (m_texture && !m_keepsImage)
        m_texture->dropImage();
}

CPixelImage* CImageTexture::getImage() const { return m_texture ? m_texture->image() : nullptr; }
