#include "engine/video/CImageTexture.h"

#include "engine/content/ContentType.h"
#include "engine/video/IDriverTexture.h"

CImageTexture::CImageTexture(const CObjectName& name, const CStringW& fileName, IDriverTexture* texture)
    : IContent(name, FlagShared), m_texture(texture), m_fileName(fileName) {
    if (m_texture) {
        m_texture->addRef();
        m_keepsImage = m_texture->image() != nullptr;
        noteSizes();
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
    if (m_texture) {
        if (!m_keepsImage)
            m_texture->dropImage();
        noteSizes();
    }
}

CPixelImage* CImageTexture::getImage() const { return m_texture ? m_texture->image() : nullptr; }

void CImageTexture::dropImage() {
    m_keepsImage = false;
    if (m_texture)
        m_texture->dropImage();
}

void CImageTexture::noteSizes() {
    m_imageSize = m_texture->imageSize();
    m_textureSize = m_texture->size();
}
