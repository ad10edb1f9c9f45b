#include "engine/video/CD3D8DriverTexture.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CLog.h"
#include "engine/video/CD3D8Driver.h"
#include "engine/video/D3DDriverCommon.h"

#include <algorithm>

namespace {

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

int32_t nextPowerOfTwo(int32_t value) {
    int32_t power = 1;
    while (power < value && power < (1 << 30))
        power *= 2;
    return power;
}

} // namespace

ColorFormat CD3D8DriverTexture::colorFormatOf(D3DFORMAT format, uint32_t* bytesPerTexel) {
    return d3dTexelFormat(format, bytesPerTexel);
}

CD3D8DriverTexture::CD3D8DriverTexture(CPixelImage* image, CD3D8Driver* driver)
    : m_image(CRefHandle<CPixelImage>::share(image)), m_device(driver->device()), m_driver(driver) {
    driver->trackTexture(this);
    if (m_device)
        m_device->AddRef();
    const bool mipMaps = driver->textureFlag(TextureFlag::CreateMipMaps);
    if (!image || !m_device || !createTexture(mipMaps)) {
        logLine("Could not create DIRECT3D8 Texture.", CLog::Warning);
    } else if (copyImage() && mipMaps) {
        (void)generateMipMaps(1);
        m_hasMipMaps = true;
    }
    if (driver->textureFlag(TextureFlag::DropImage))
        m_image.reset();
}

CD3D8DriverTexture::CD3D8DriverTexture(CD3D8Driver* driver, const CSizeI& size)
    : m_device(driver->device()), m_driver(driver), m_size(size), m_imageSize(size), m_isRenderTarget(true) {
    driver->trackTexture(this);
    if (!m_device)
        return;
    m_device->AddRef();
    m_size = textureSize(size);
    IDirect3DSurface8* backBuffer = nullptr;
    if (FAILED(m_device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) || !backBuffer) {
        logLine("Could not create RenderTarget texture: could not get BackBuffer.", CLog::Warning);
        return;
    }
    D3DSURFACE_DESC desc{};
    const HRESULT described = backBuffer->GetDesc(&desc);
    backBuffer->Release();
    D3DFORMAT format = SUCCEEDED(described) ? desc.Format : D3DFMT_A8R8G8B8;
    if (format == D3DFMT_X8R8G8B8)
        format = D3DFMT_A8R8G8B8;
    uint32_t bytes = 0;
    m_colorFormat = colorFormatOf(format, &bytes);
    if (bytes)
        m_pitch = uint32_t(m_size.width) * bytes;
    m_renderTargetFormat = format;
    createRenderTarget();
}

void CD3D8DriverTexture::createRenderTarget() {
    if (FAILED(m_device->CreateTexture(UINT(m_size.width), UINT(m_size.height), 1, D3DUSAGE_RENDERTARGET,
                                       m_renderTargetFormat, D3DPOOL_DEFAULT, &m_d3dTexture))) {
        m_d3dTexture = nullptr;
        logLine("Could not create render target texture", CLog::Info);
    }
}

void CD3D8DriverTexture::releaseDeviceResources() {
    if (m_isRenderTarget && m_d3dTexture) {
        m_d3dTexture->Release();
        m_d3dTexture = nullptr;
    }
}

void CD3D8DriverTexture::restoreDeviceResources() {
    if (m_isRenderTarget && !m_d3dTexture && m_device && m_renderTargetFormat != D3DFMT_UNKNOWN)
        createRenderTarget();
}

CD3D8DriverTexture::~CD3D8DriverTexture() {
    if (m_driver)
        m_driver->untrackTexture(this);
    m_image.reset();
    if (m_d3dTexture)
        m_d3dTexture->Release();
    if (m_renderTargetCopy)
        m_renderTargetCopy->Release();
    if (m_device)
        m_device->Release();
}

CSizeI CD3D8DriverTexture::textureSize(const CSizeI& wanted) const {
    CSizeI result = wanted;
    if (!m_driver)
        return result;
    if (!m_driver->hasFeature(DriverFeature::NonPowerOfTwoTexture)) {
        result.width = nextPowerOfTwo(result.width);
        result.height = nextPowerOfTwo(result.height);
    }
    if (!m_driver->hasFeature(DriverFeature::NonSquareTexture))
        result.width = result.height = std::max(result.width, result.height);
    const auto largest = static_cast<int32_t>(m_driver->caps().MaxTextureWidth);
    if (largest > 0) {
        result.width = std::min(result.width, largest);
        result.height = std::min(result.height, largest);
    }
    result.width = std::max(result.width, 1);
    result.height = std::max(result.height, 1);
    return result;
}

bool CD3D8DriverTexture::createTexture(bool mipMaps) {
    m_imageSize = CSizeI{int32_t(m_image->width()), int32_t(m_image->height())};
    m_size = textureSize(m_imageSize);
    D3DFORMAT format = d3dTextureFormatFor(m_driver->textureColorFormat(m_image->colorFormat()));
    const UINT levels = mipMaps ? 0 : 1;
    const auto create = [&](D3DFORMAT candidate) {
        if (SUCCEEDED(m_device->CreateTexture(UINT(m_size.width), UINT(m_size.height), levels, 0, candidate,
                                              D3DPOOL_MANAGED, &m_d3dTexture)))
            return true;
        m_d3dTexture = nullptr;
        return false;
    };
    if (!create(format)) {
        // 24-bit texels are rare in hardware: 32 bits keep their precision
        // before 16 bits are tried.
        if (format == D3DFMT_R8G8B8 && create(D3DFMT_X8R8G8B8))
            format = D3DFMT_X8R8G8B8;
        else if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_R8G8B8)
            format = format == D3DFMT_A8R8G8B8 ? D3DFMT_A1R5G5B5 : D3DFMT_R5G6B5;
        else
            return false;
        if (!m_d3dTexture && !create(format))
            return false;
    }
    uint32_t bytes = 0;
    m_colorFormat = colorFormatOf(format, &bytes);
    if (bytes)
        m_pitch = uint32_t(m_size.width) * bytes;
    return true;
}

bool CD3D8DriverTexture::copyImage() {
    D3DSURFACE_DESC desc{};
    if (FAILED(m_d3dTexture->GetLevelDesc(0, &desc)))
        return false;
    m_size = CSizeI{int32_t(desc.Width), int32_t(desc.Height)};
    D3DLOCKED_RECT rect{};
    if (FAILED(m_d3dTexture->LockRect(0, &rect, nullptr, 0))) {
        logLine("Could not lock D3D8 Texture.", CLog::Error);
        return false;
    }
    m_pitch = uint32_t(rect.Pitch);
    d3dCopyImageTexels(*m_image, rect.pBits, uint32_t(m_size.width), uint32_t(m_size.height), m_pitch, desc.Format);
    if (FAILED(m_d3dTexture->UnlockRect(0))) {
        logLine("Could not unlock D3D8 Texture.", CLog::Error);
        return false;
    }
    return true;
}

bool CD3D8DriverTexture::generateMipMaps(uint32_t level) {
    return d3dGenerateMipLevels<IDirect3DSurface8>(m_d3dTexture, level, true);
}

void CD3D8DriverTexture::regenerateMipMaps() {
    if (m_hasMipMaps)
        (void)generateMipMaps(1);
}

IDirect3DSurface8* CD3D8DriverTexture::renderTargetSurface() const {
    if (!m_isRenderTarget || !m_d3dTexture)
        return nullptr;
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(m_d3dTexture->GetSurfaceLevel(0, &surface)) || !surface)
        return nullptr;
    // The texture keeps its level alive.
    surface->Release();
    return surface;
}

void* CD3D8DriverTexture::lock(bool readOnly) {
    if (!m_d3dTexture)
        return nullptr;
    const DWORD flags = readOnly ? D3DLOCK_READONLY : 0;
    D3DLOCKED_RECT rect{};
    if (!m_isRenderTarget) {
        if (FAILED(m_d3dTexture->LockRect(0, &rect, nullptr, flags))) {
            logLine("Could not lock DIRECT3D8 Texture.", CLog::Error);
            return nullptr;
        }
        m_pitch = uint32_t(rect.Pitch);
        m_lockedCopy = false;
        m_writableLock = !readOnly;
        return rect.pBits;
    }
    D3DSURFACE_DESC desc{};
    IDirect3DSurface8* level = renderTargetSurface();
    if (!level || FAILED(level->GetDesc(&desc)) ||
        (!m_renderTargetCopy &&
         FAILED(m_device->CreateImageSurface(desc.Width, desc.Height, desc.Format, &m_renderTargetCopy))) ||
        FAILED(m_device->CopyRects(level, nullptr, 0, m_renderTargetCopy, nullptr)) ||
        FAILED(m_renderTargetCopy->LockRect(&rect, nullptr, flags))) {
        logLine("Could not lock DIRECT3D8 Texture.", CLog::Error);
        return nullptr;
    }
    m_pitch = uint32_t(rect.Pitch);
    m_lockedCopy = true;
    return rect.pBits;
}

void CD3D8DriverTexture::unlock() {
    if (!m_d3dTexture)
        return;
    if (m_isRenderTarget) {
        if (m_renderTargetCopy && m_lockedCopy)
            (void)m_renderTargetCopy->UnlockRect();
    } else {
        (void)m_d3dTexture->UnlockRect(0);
        // What was written (a colour key) reaches the smaller levels too.
        if (m_writableLock && m_hasMipMaps)
            (void)generateMipMaps(1);
    }
    m_lockedCopy = false;
    m_writableLock = false;
}
