#include "engine/video/CD3D9DriverTexture.h"

#include "engine/core/CLog.h"
#include "engine/core/MathUtils.h"
#include "engine/video/CD3D9Driver.h"
#include "engine/video/D3DDriverCommon.h"

#include <algorithm>
#include <cstring>

namespace {

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

} // namespace

uint32_t d3d9BytesPerTexel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
        return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
        return 2;
    default:
        return 0;
    }
}

CD3D9DriverTexture::CD3D9DriverTexture(CPixelImage* image, CD3D9Driver* driver)
    : m_image(CRefHandle<CPixelImage>::share(image)), m_device(driver->device()), m_driver(driver) {
    m_device->AddRef();
    driver->trackTexture(this);
    const bool mipMaps = driver->textureFlag(TextureFlag::CreateMipMaps);
    if (!createTexture(mipMaps)) {
        logLine("Could not create DIRECT3D9 Texture.", CLog::Warning);
    } else if (copyImage() && mipMaps) {
        m_hasMipMaps = true;
        (void)generateMipMaps(1);
    }
    if (driver->textureFlag(TextureFlag::DropImage))
        m_image.reset();
}

CD3D9DriverTexture::CD3D9DriverTexture(CD3D9Driver* driver, const CSizeI& size, ColorFormat format)
    : m_device(driver->device()), m_driver(driver), m_size(size), m_imageSize(size), m_isRenderTarget(true) {
    m_device->AddRef();
    driver->trackTexture(this);
    m_size = fittedSize(size);
    D3DFORMAT d3dFormat;
    if (format == BackBufferFormat) {
        m_colorFormat = driver->pixelFormat();
        d3dFormat = driver->backBufferFormat();
    } else {
        m_colorFormat = format;
        d3dFormat = CD3D9Driver::d3dFormat(format);
    }
    m_d3dFormat = d3dFormat;
    m_pitch = uint32_t(m_size.width) * d3d9BytesPerTexel(d3dFormat);
    (void)createRenderTarget();
}

bool CD3D9DriverTexture::createRenderTarget() {
    const HRESULT result = m_device->CreateTexture(UINT(m_size.width), UINT(m_size.height), 1, D3DUSAGE_RENDERTARGET,
                                                   m_d3dFormat, D3DPOOL_DEFAULT, &m_texture, nullptr);
    if (SUCCEEDED(result))
        return true;
    m_texture = nullptr;
    const char* text = result == D3DERR_INVALIDCALL ? "Could not create render target texture: Invalid Call"
                       : result == D3DERR_OUTOFVIDEOMEMORY
                           ? "Could not create render target texture: Out of Video Memory"
                       : result == E_OUTOFMEMORY ? "Could not create render target texture: Out of Memory"
                                                 : "Could not create render target texture";
    logLine(text, CLog::Info);
    return false;
}

void CD3D9DriverTexture::releaseDeviceResources() {
    if (!m_isRenderTarget || !m_texture)
        return;
    m_texture->Release();
    m_texture = nullptr;
}

void CD3D9DriverTexture::restoreDeviceResources() {
    if (m_isRenderTarget && !m_texture)
        (void)createRenderTarget();
}

CD3D9DriverTexture::~CD3D9DriverTexture() {
    if (m_driver)
        m_driver->untrackTexture(this);
    m_image.reset();
    if (m_texture)
        m_texture->Release();
    if (m_renderTargetCopy)
        m_renderTargetCopy->Release();
    m_device->Release();
}

int32_t CD3D9DriverTexture::driverType() const { return VideoDriverType::Direct3D9; }

CSizeI CD3D9DriverTexture::fittedSize(const CSizeI& wanted) const {
    uint32_t width = uint32_t(std::max(wanted.width, 0)), height = uint32_t(std::max(wanted.height, 0));
    if (!m_driver)
        return CSizeI(int32_t(width), int32_t(height));
    if (!m_driver->hasFeature(DriverFeature::NonPowerOfTwoTexture)) {
        width = uint32_t(roundUpToPowerOfTwo(int32_t(width)));
        height = uint32_t(roundUpToPowerOfTwo(int32_t(height)));
    }
    if (!m_driver->hasFeature(DriverFeature::NonSquareTexture))
        width = height = std::max(width, height);
    const DWORD limit = m_driver->caps().MaxTextureWidth;
    if (limit != 0) {
        width = std::min<uint32_t>(width, limit);
        height = std::min<uint32_t>(height, limit);
    }
    return CSizeI(int32_t(width), int32_t(height));
}

bool CD3D9DriverTexture::createTexture(bool mipMaps) {
    m_imageSize = CSizeI(int32_t(m_image->width()), int32_t(m_image->height()));
    m_size = fittedSize(m_imageSize);
    if (m_size.width <= 0 || m_size.height <= 0)
        return false;
    D3DFORMAT format = d3dTextureFormatFor(m_driver->textureColorFormat(m_image->colorFormat()));
    const UINT levels = mipMaps ? 0 : 1;
    auto create = [&](D3DFORMAT f) {
        return SUCCEEDED(m_device->CreateTexture(UINT(m_size.width), UINT(m_size.height), levels, 0, f, D3DPOOL_MANAGED,
                                                 &m_texture, nullptr));
    };
    bool made = create(format);
    if (!made) {
        // Few devices take 24-bit texels: 32-bit ones without alpha keep the
        // colours; 16-bit ones are the last resort.
        if (format == D3DFMT_R8G8B8 && create(D3DFMT_X8R8G8B8))
            format = D3DFMT_X8R8G8B8, made = true;
        else if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_R8G8B8) {
            format = format == D3DFMT_A8R8G8B8 ? D3DFMT_A1R5G5B5 : D3DFMT_R5G6B5;
            made = create(format);
        }
    }
    if (!made) {
        m_texture = nullptr;
        return false;
    }
    m_colorFormat = CD3D9Driver::colorFormatOf(format);
    m_pitch = uint32_t(m_size.width) * d3d9BytesPerTexel(format);
    return true;
}

bool CD3D9DriverTexture::copyImage() {
    D3DSURFACE_DESC desc;
    if (FAILED(m_texture->GetLevelDesc(0, &desc)))
        return false;
    m_size = CSizeI(int32_t(desc.Width), int32_t(desc.Height));
    D3DLOCKED_RECT locked;
    if (FAILED(m_texture->LockRect(0, &locked, nullptr, 0))) {
        logLine("Could not lock D3D9 Texture.", CLog::Error);
        return false;
    }
    m_pitch = uint32_t(locked.Pitch);
    if (m_image->width() <= desc.Width && m_image->height() <= desc.Height)
        d3dCopyImageTexels(*m_image, locked.pBits, m_image->width(), m_image->height(), m_pitch, desc.Format);
    if (FAILED(m_texture->UnlockRect(0))) {
        logLine("Could not unlock D3D9 Texture.", CLog::Error);
        return false;
    }
    return true;
}

bool CD3D9DriverTexture::generateMipMaps(uint32_t level) {
    return d3dGenerateMipLevels<IDirect3DSurface9>(m_texture, level, false);
}

void CD3D9DriverTexture::regenerateMipMaps() {
    if (m_hasMipMaps)
        (void)generateMipMaps(1);
}

IDirect3DSurface9* CD3D9DriverTexture::renderTargetSurface() const {
    if (!m_isRenderTarget || !m_texture)
        return nullptr;
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(m_texture->GetSurfaceLevel(0, &surface)))
        return nullptr;
    surface->Release(); // the texture keeps it
    return surface;
}

void* CD3D9DriverTexture::lock(bool readOnly) {
    if (!m_texture)
        return nullptr;
    const DWORD flags = readOnly ? D3DLOCK_READONLY : 0;
    D3DLOCKED_RECT locked;
    if (!m_isRenderTarget) {
        if (FAILED(m_texture->LockRect(0, &locked, nullptr, flags))) {
            logLine("Could not lock DIRECT3D9 Texture.", CLog::Error);
            return nullptr;
        }
        m_writableLock = !readOnly;
        return locked.pBits;
    }
    D3DSURFACE_DESC desc;
    IDirect3DSurface9* surface = nullptr;
    bool ok = SUCCEEDED(m_texture->GetLevelDesc(0, &desc));
    if (ok && !m_renderTargetCopy)
        ok = SUCCEEDED(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                             &m_renderTargetCopy, nullptr));
    if (ok)
        ok = SUCCEEDED(m_texture->GetSurfaceLevel(0, &surface));
    if (ok) {
        ok = SUCCEEDED(m_device->GetRenderTargetData(surface, m_renderTargetCopy));
        surface->Release();
    }
    if (ok)
        ok = SUCCEEDED(m_renderTargetCopy->LockRect(&locked, nullptr, flags));
    if (!ok) {
        logLine("Could not lock DIRECT3D9 Texture.", CLog::Error);
        return nullptr;
    }
    m_pitch = uint32_t(locked.Pitch);
    return locked.pBits;
}

void CD3D9DriverTexture::unlock() {
    if (!m_texture)
        return;
    if (m_isRenderTarget) {
        if (m_renderTargetCopy)
            m_renderTargetCopy->UnlockRect();
    } else {
        m_texture->UnlockRect(0);
        if (m_writableLock && m_hasMipMaps)
            (void)generateMipMaps(1);
        m_writableLock = false;
    }
}
