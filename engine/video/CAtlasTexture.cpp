#include "engine/video/CAtlasTexture.h"

#include "engine/content/ContentType.h"

CAtlasTexture::CAtlasTexture(const CObjectName& name, CImageTexture* imageTexture, const CRect& textureCoords,
                             const CVector2d& offsetB, const CVector2d& offsetA)
    : IContent(name, FlagShared), m_imageTexture(CRefHandle<CImageTexture>::share(imageTexture)),
      m_textureCoords(textureCoords), m_offsetB(offsetB), m_offsetA(offsetA) {
    splitFrameName(name.str(), m_baseName, m_frameNumber, m_extension);
}

CAtlasTexture::~CAtlasTexture() = default;

uint32_t CAtlasTexture::getContentType() const { return ContentTypeAtlasTexture; }

IDriverTexture* CAtlasTexture::getDriverTexture() const {
    return m_imageTexture ? m_imageTexture->getTexture() : nullptr;
}

CRect CAtlasTexture::getPixelRect() const {
    if (!m_imageTexture)
        return {};
    const auto width = float(m_imageTexture->getTextureSize().width);
    const auto height = float(m_imageTexture->getTextureSize().height);
    return {m_textureCoords.left * width, m_textureCoords.top * height, m_textureCoords.right * width,
            m_textureCoords.bottom * height};
}

CVector2d CAtlasTexture::getPixelSize() const {
    if (!m_imageTexture)
        return {};
    const CRect rect = getPixelRect();
    return {rect.width() + m_offsetB.x + m_offsetA.x, rect.height() + m_offsetB.y + m_offsetA.y};
}

void CAtlasTexture::splitFrameName(const CStringW& name, CStringW& base, int32_t& frame, CStringW& extension) {
    base = CStringW();
    extension = CStringW();
    frame = -1;
    const int dot = name.findLast(u'.');
    if (dot < 0)
        return;
    if (dot > 0)
        extension = name.subString(dot, int(name.length()) - dot);
    int digitsStart = dot;
    while (digitsStart > 0 && name[uint32_t(digitsStart - 1)] >= u'0' && name[uint32_t(digitsStart - 1)] <= u'9')
        --digitsStart;
    base = name.subString(0, digitsStart);
    // Accumulated with a ceiling, so any run of digits is safe to read.
    int32_t value = 0;
    for (int i = digitsStart; i < dot; ++i) {
        value = value * 10 + int32_t(name[uint32_t(i)] - u'0');
        if (value > MaxFrame)
            return;
    }
    if (digitsStart < dot)
        frame = value;
}
