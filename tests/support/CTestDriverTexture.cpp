#include "tests/support/CTestDriverTexture.h"

#include "engine/content/CPixelImage.h"

#include <cstring>

CTestDriverTexture::CTestDriverTexture(const CSizeI& size, ColorFormat format, ColorFormat lockFormat, uint32_t pitch,
                                       int32_t driverType)
    : m_imageSize(size), m_size(size), m_format(format), m_lockFormat(lockFormat), m_driverType(driverType) {
    m_pitch = pitch ? pitch : static_cast<uint32_t>(size.width) * texelBytes();
    m_bytes.assign(size_t(m_pitch) * static_cast<size_t>(size.height), 0);
}

CTestDriverTexture::CTestDriverTexture(CPixelImage* image, ColorFormat format, bool keepImage, int32_t driverType)
    : CTestDriverTexture(CSizeI(static_cast<int32_t>(image->width()), static_cast<int32_t>(image->height())), format,
                         format, 0, driverType) {
    image->exportPixels(m_bytes.data(), image->width(), image->height(), format, m_pitch);
    if (keepImage)
        m_image = CRefHandle<CPixelImage>::share(image);
}

CTestDriverTexture::~CTestDriverTexture() = default;

void CTestDriverTexture::dropImage() { m_image.reset(); }

uint32_t CTestDriverTexture::texelBytes() const {
    const uint32_t bytes = colorFormatBytes(m_lockFormat);
    return bytes ? bytes : 4;
}

void* CTestDriverTexture::lock(bool) {
    if (m_lockRefused)
        return nullptr;
    ++m_locks;
    m_locked = true;
    return m_bytes.data();
}

void CTestDriverTexture::unlock() {
    ++m_unlocks;
    m_locked = false;
}

uint32_t CTestDriverTexture::texel(uint32_t x, uint32_t y) const {
    uint32_t value = 0;
    std::memcpy(&value, m_bytes.data() + size_t(y) * m_pitch + size_t(x) * texelBytes(), texelBytes());
    return value;
}

void CTestDriverTexture::setTexel(uint32_t x, uint32_t y, uint32_t value) {
    std::memcpy(m_bytes.data() + size_t(y) * m_pitch + size_t(x) * texelBytes(), &value, texelBytes());
}
