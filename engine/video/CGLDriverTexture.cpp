#include "engine/video/CGLDriverTexture.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CString.h"
#include "engine/core/MathUtils.h"
#include "engine/video/CGLDriver.h"

#include <algorithm>
#include <cstring>
#include <vector>

CGLDriverTexture::ScopedBind::ScopedBind(const CGLDriverTexture& texture) : m_gl(texture.gl()) {
    texture.m_driver->selectTextureUnit(0);
    m_gl.glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_previous);
    m_gl.glBindTexture(GL_TEXTURE_2D, texture.m_textureName);
}

CGLDriverTexture::ScopedBind::~ScopedBind() { m_gl.glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_previous)); }

CGLDriverTexture::CGLDriverTexture(CPixelImage* image, CGLDriver* driver) : m_driver(driver) {
    m_hasMipMaps = driver->textureFlag(TextureFlag::CreateMipMaps);
    driver->trackTexture(this);
    if (!image)
        return;
    m_sourceImage = CRefHandle<CPixelImage>::share(image);
    gl().glGenTextures(1, &m_textureName);
    upload(image);
    if (driver->textureFlag(TextureFlag::DropImage))
        m_sourceImage.reset();
}

CGLDriverTexture::CGLDriverTexture(CGLDriver* driver, const CSizeI& size)
    : m_imageSize(size), m_size(size), m_driver(driver), m_isRenderTarget(true) {
    driver->trackTexture(this);
}

CGLDriverTexture::~CGLDriverTexture() {
    if (!m_driver)
        return;
    m_driver->untrackTexture(this);
    if (m_textureName)
        gl().glDeleteTextures(1, &m_textureName);
}

const CGLFunctions& CGLDriverTexture::gl() const { return m_driver->gl(); }

int32_t CGLDriverTexture::driverType() const { return VideoDriverType::OpenGL; }

void CGLDriverTexture::dropImage() { m_sourceImage.reset(); }

uint32_t CGLDriverTexture::pitch() const { return m_lockImage ? m_lockImage->pitch() : 0; }

bool CGLDriverTexture::chooseFormats(ColorFormat format) {
    switch (format) {
    case ColorFormat::A1R5G5B5:
        m_internalFormat = GL_RGBA;
        m_pixelFormat = GL_BGRA;
        m_pixelType = GL_UNSIGNED_SHORT_1_5_5_5_REV;
        return true;
    case ColorFormat::A4R4G4B4:
        m_internalFormat = GL_RGBA;
        m_pixelFormat = GL_BGRA;
        m_pixelType = GL_UNSIGNED_SHORT_4_4_4_4_REV;
        return true;
    case ColorFormat::R5G6B5:
        // Red in the top five bits: GL's 5-6-5 order for RGB (the reversed
        // type is only defined for RGB too, and would swap red and blue).
        m_internalFormat = GL_RGB;
        m_pixelFormat = GL_RGB;
        m_pixelType = GL_UNSIGNED_SHORT_5_6_5;
        return true;
    case ColorFormat::R8G8B8:
        m_internalFormat = GL_RGB;
        m_pixelFormat = GL_RGB;
        m_pixelType = GL_UNSIGNED_BYTE;
        return true;
    case ColorFormat::A8R8G8B8:
        m_internalFormat = GL_RGBA;
        m_pixelFormat = GL_BGRA;
        m_pixelType = m_driver->extensions().versionAtLeast(102) ? GL_UNSIGNED_INT_8_8_8_8_REV : GL_UNSIGNED_BYTE;
        return true;
    default:
        return false;
    }
}

void CGLDriverTexture::upload(CPixelImage* image) {
    m_imageSize = CSizeI(static_cast<int32_t>(image->width()), static_cast<int32_t>(image->height()));
    if (m_imageSize.width <= 0 || m_imageSize.height <= 0) {
        CLog::instance()->log("Invalid size of image for OpenGL Texture.", CLog::Error);
        return;
    }
    if (m_driver->hasFeature(DriverFeature::NonPowerOfTwoTexture))
        m_size = m_imageSize;
    else
        m_size = CSizeI(roundUpToPowerOfTwo(m_imageSize.width), roundUpToPowerOfTwo(m_imageSize.height));
    const auto largest = static_cast<int64_t>(m_driver->extensions().maxTextureSize);
    if (m_size.width > largest || m_size.height > largest) {
        CLog::instance()->log(CString("Texture too large for this OpenGL implementation: ") + m_size.width + " x " +
                                  m_size.height,
                              CLog::Error);
        m_size = CSizeI();
        return;
    }
    m_colorFormat = m_driver->textureColorFormat(image->colorFormat());
    if (!chooseFormats(m_colorFormat)) {
        CLog::instance()->log(CString("Unsupported texture format: ") + static_cast<unsigned>(m_colorFormat),
                              CLog::Error);
        return;
    }

    // The pixels as the texture stores them: converted, and padded with
    // transparent black when the texture is larger than the image.
    CRefHandle<CPixelImage> converted;
    CPixelImage* pixels = image;
    if (m_colorFormat != image->colorFormat()) {
        converted.reset(CPixelImage::createConverted(CObjectName(), m_colorFormat, *image));
        pixels = converted.get();
    }
    CRefHandle<CPixelImage> padded;
    if (pixels && !(m_size == m_imageSize)) {
        padded.reset(CPixelImage::create(CObjectName(), m_colorFormat, static_cast<uint32_t>(m_size.width),
                                         static_cast<uint32_t>(m_size.height)));
        if (padded) {
            std::memset(padded->data(), 0, static_cast<size_t>(padded->dataSize()));
            const size_t rowBytes = size_t(pixels->width()) * pixels->bytesPerPixel();
            for (uint32_t y = 0; y < pixels->height(); ++y)
                std::memcpy(padded->data() + uint64_t(y) * padded->pitch(),
                            pixels->data() + uint64_t(y) * pixels->pitch(), rowBytes);
        }
        pixels = padded.get();
    }
    if (!pixels) {
        CLog::instance()->log("Could not glTexImage2D", CLog::Error);
        return;
    }

    const CGLFunctions& gl = this->gl();
    ScopedBind bind(*this);
    if (m_hasMipMaps && m_driver->hasFeature(DriverFeature::MipMapAutoUpdate)) {
        gl.glHint(GL_GENERATE_MIPMAP_HINT, GL_NICEST);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        m_hardwareMipMaps = true;
    } else {
        m_hardwareMipMaps = false;
    }
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, m_hasMipMaps ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, pixels->pitch() % 4 == 0 ? 4 : 1);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, m_internalFormat, m_size.width, m_size.height, 0, m_pixelFormat, m_pixelType,
                    pixels->data());
    if (!m_hardwareMipMaps && m_hasMipMaps)
        buildMipLevels(*image, false);
}

void CGLDriverTexture::regenerateMipMaps() {
    if (!m_driver || m_hardwareMipMaps || !m_hasMipMaps || !m_sourceImage || m_textureName == 0)
        return;
    buildMipLevels(*m_sourceImage, false);
}

void CGLDriverTexture::buildMipLevels(const CPixelImage& source, bool coversTexture) {
    if (m_size.width <= 1 && m_size.height <= 1)
        return;
    if (!chooseFormats(m_colorFormat))
        return;
    const CGLFunctions& gl = this->gl();
    ScopedBind bind(*this);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    int32_t width = m_size.width;
    int32_t height = m_size.height;
    // The image's part of a padded texture shrinks with the levels.
    int32_t partWidth = coversTexture ? width : m_imageSize.width;
    int32_t partHeight = coversTexture ? height : m_imageSize.height;
    for (GLint level = 1; width > 1 || height > 1; ++level) {
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
        partWidth = std::max(1, partWidth / 2);
        partHeight = std::max(1, partHeight / 2);
        CRefHandle<CPixelImage> levelImage(CPixelImage::create(
            CObjectName(), m_colorFormat, static_cast<uint32_t>(width), static_cast<uint32_t>(height)));
        if (!levelImage)
            return;
        std::memset(levelImage->data(), 0, static_cast<size_t>(levelImage->dataSize()));
        source.exportPixelsScaled(levelImage->data(), static_cast<uint32_t>(std::min(partWidth, width)),
                                  static_cast<uint32_t>(std::min(partHeight, height)), m_colorFormat,
                                  levelImage->pitch());
        gl.glTexImage2D(GL_TEXTURE_2D, level, m_internalFormat, width, height, 0, m_pixelFormat, m_pixelType,
                        levelImage->data());
    }
}

void CGLDriverTexture::flipRows(CPixelImage& image) {
    const uint32_t pitch = image.pitch();
    if (image.height() < 2 || pitch == 0)
        return;
    std::vector<uint8_t> row(pitch);
    uint8_t* data = image.data();
    for (uint32_t top = 0, bottom = image.height() - 1; top < bottom; ++top, --bottom) {
        std::memcpy(row.data(), data + uint64_t(top) * pitch, pitch);
        std::memcpy(data + uint64_t(top) * pitch, data + uint64_t(bottom) * pitch, pitch);
        std::memcpy(data + uint64_t(bottom) * pitch, row.data(), pitch);
    }
}

void* CGLDriverTexture::lock(bool readOnly) {
    m_lockReadOnly = readOnly;
    if (!m_isRenderTarget && m_lockImage)
        return m_lockImage->data();
    if (!m_lockImage) {
        if (m_size.width <= 0 || m_size.height <= 0)
            return nullptr;
        m_lockImage.reset(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, static_cast<uint32_t>(m_size.width),
                                              static_cast<uint32_t>(m_size.height)));
        if (!m_lockImage)
            return nullptr;
    }
    if (!m_driver || m_textureName == 0)
        return m_lockImage->data();
    const CGLFunctions& gl = this->gl();
    ScopedBind bind(*this);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Render targets hold the bottom row first.
    const bool invert = m_isRenderTarget && m_driver->extensions().has(GLExtension::MesaPackInvert);
    if (invert)
        gl.glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
    gl.glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, m_lockImage->data());
    if (invert)
        gl.glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
    else if (m_isRenderTarget)
        flipRows(*m_lockImage);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    return m_lockImage->data();
}

void CGLDriverTexture::unlock() {
    if (m_lockImage && !m_lockReadOnly && m_driver && m_textureName != 0) {
        const CGLFunctions& gl = this->gl();
        {
            ScopedBind bind(*this);
            gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            if (m_isRenderTarget)
                flipRows(*m_lockImage);
            gl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, m_size.width, m_size.height, GL_BGRA, GL_UNSIGNED_BYTE,
                               m_lockImage->data());
            if (m_isRenderTarget)
                flipRows(*m_lockImage);
        }
        // Levels made here would still show the pixels from before the lock.
        if (m_hasMipMaps && !m_hardwareMipMaps)
            buildMipLevels(*m_lockImage, true);
    }
    m_lockReadOnly = false;
}

void CGLDriverTexture::unbindRenderTarget() {
    if (!m_driver || m_textureName == 0)
        return;
    ScopedBind bind(*this);
    gl().glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, m_size.width, m_size.height);
}
