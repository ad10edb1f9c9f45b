#include "engine/video/CD3D9DriverTexture.h"

#include "engine/core/CLog.h"
#include "engine/core/MathUtils.h"
#include "engine/video/CD3D9Driver.h"

#include <algorithm>
#include <cstring>

namespace {

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

// A 16-bit texel widened to 8-bit channels, and packed back.
struct Channels {
    uint32_t a, r, g, b;
};

Channels widen16(uint16_t texel, bool oneBitAlpha) {
    if (oneBitAlpha) {
        auto five = [](uint32_t c) { return c * 8 + c / 4; };
        return {(texel & 0x8000u) ? 255u : 0u, five((texel >> 10) & 31u), five((texel >> 5) & 31u), five(texel & 31u)};
    }
    return {255u, ((texel >> 11) & 31u) * 8, ((texel >> 5) & 63u) * 4, (texel & 31u) * 8};
}

uint16_t pack16(const Channels& c, bool oneBitAlpha) {
    if (oneBitAlpha)
        return uint16_t((c.a / 128) << 15 | (c.r / 8) << 10 | (c.g / 8) << 5 | c.b / 8);
    return uint16_t((c.r / 8) << 11 | (c.g / 4) << 5 | c.b / 8);
}

// The 2 x 2 box filter of one level into the next; a level of one row or
// one column repeats its last row or column.
void filterLevel(const D3DLOCKED_RECT& upper, const D3DSURFACE_DESC& upperDesc, const D3DLOCKED_RECT& lower,
                 const D3DSURFACE_DESC& lowerDesc, bool sixteenBit, bool oneBitAlpha) {
    const auto* source = static_cast<const uint8_t*>(upper.pBits);
    auto* target = static_cast<uint8_t*>(lower.pBits);
    const uint32_t upperWidth = upperDesc.Width, upperHeight = upperDesc.Height;
    for (uint32_t y = 0; y < lowerDesc.Height; ++y) {
        const uint32_t y0 = std::min(2 * y, upperHeight - 1), y1 = std::min(2 * y + 1, upperHeight - 1);
        for (uint32_t x = 0; x < lowerDesc.Width; ++x) {
            const uint32_t x0 = std::min(2 * x, upperWidth - 1), x1 = std::min(2 * x + 1, upperWidth - 1);
            const uint32_t xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
            if (sixteenBit) {
                Channels sum{0, 0, 0, 0};
                for (int i = 0; i < 4; ++i) {
                    uint16_t texel;
                    std::memcpy(&texel, source + size_t(ys[i]) * upper.Pitch + xs[i] * 2, 2);
                    const Channels c = widen16(texel, oneBitAlpha);
                    sum = {sum.a + c.a, sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
                const uint16_t packed = pack16({sum.a / 4, sum.r / 4, sum.g / 4, sum.b / 4}, oneBitAlpha);
                std::memcpy(target + size_t(y) * lower.Pitch + x * 2, &packed, 2);
            } else {
                uint32_t sums[4] = {0, 0, 0, 0};
                for (int i = 0; i < 4; ++i) {
                    const uint8_t* texel = source + size_t(ys[i]) * upper.Pitch + xs[i] * 4;
                    for (int c = 0; c < 4; ++c)
                        sums[c] += texel[c];
                }
                uint8_t* out = target + size_t(y) * lower.Pitch + x * 4;
                for (int c = 0; c < 4; ++c)
                    out[c] = uint8_t(sums[c] / 4);
            }
        }
    }
}

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
    D3DFORMAT format;
    switch (m_driver->textureColorFormat(m_image->colorFormat())) {
    case ColorFormat::A4R4G4B4:
        format = D3DFMT_A4R4G4B4;
        break;
    case ColorFormat::R5G6B5:
        format = D3DFMT_R5G6B5;
        break;
    case ColorFormat::R8G8B8:
        format = D3DFMT_R8G8B8;
        break;
    case ColorFormat::A8R8G8B8:
        format = D3DFMT_A8R8G8B8;
        break;
    default:
        format = D3DFMT_A1R5G5B5;
        break;
    }
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
        m_image->exportPixels(locked.pBits, m_image->width(), m_image->height(), m_colorFormat, m_pitch);
    if (FAILED(m_texture->UnlockRect(0))) {
        logLine("Could not unlock D3D9 Texture.", CLog::Error);
        return false;
    }
    return true;
}

bool CD3D9DriverTexture::generateMipMaps(uint32_t level) {
    if (level == 0 || !m_texture)
        return true;
    for (;; ++level) {
        if (level >= m_texture->GetLevelCount())
            return true;
        IDirect3DSurface9* upper = nullptr;
        IDirect3DSurface9* lower = nullptr;
        if (FAILED(m_texture->GetSurfaceLevel(level - 1, &upper))) {
            logLine("Could not get upper surface level for mip map generation", CLog::Warning);
            return false;
        }
        if (FAILED(m_texture->GetSurfaceLevel(level, &lower))) {
            upper->Release();
            logLine("Could not get lower surface level for mip map generation", CLog::Warning);
            return false;
        }
        D3DSURFACE_DESC upperDesc, lowerDesc;
        upper->GetDesc(&upperDesc);
        lower->GetDesc(&lowerDesc);
        D3DLOCKED_RECT upperRect, lowerRect;
        if (FAILED(upper->LockRect(&upperRect, nullptr, 0))) {
            upper->Release();
            lower->Release();
            logLine("Could not lock upper texture for mip map generation", CLog::Warning);
            return false;
        }
        if (FAILED(lower->LockRect(&lowerRect, nullptr, 0))) {
            upper->UnlockRect();
            upper->Release();
            lower->Release();
            logLine("Could not lock lower texture for mip map generation", CLog::Warning);
            return false;
        }
        if (upperDesc.Format != lowerDesc.Format)
            logLine("Cannot copy mip maps with different formats.", CLog::Warning);
        else if (upperDesc.Format == D3DFMT_A8R8G8B8 || upperDesc.Format == D3DFMT_X8R8G8B8)
            filterLevel(upperRect, upperDesc, lowerRect, lowerDesc, false, false);
        else if (upperDesc.Format == D3DFMT_R5G6B5 || upperDesc.Format == D3DFMT_A1R5G5B5)
            filterLevel(upperRect, upperDesc, lowerRect, lowerDesc, true, m_colorFormat == ColorFormat::A1R5G5B5);
        else
            logLine("Unsupported mipmap format, cannot copy.", CLog::Warning);
        const bool unlocked = SUCCEEDED(upper->UnlockRect()) && SUCCEEDED(lower->UnlockRect());
        upper->Release();
        lower->Release();
        if (!unlocked)
            return false;
        if (upperDesc.Width <= 3 && upperDesc.Height <= 3)
            return true;
    }
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
