#include "engine/video/CD3D8DriverTexture.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CLog.h"
#include "engine/video/CD3D8Driver.h"

#include <algorithm>

namespace {

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

int32_t nextPowerOfTwo(int32_t value) {
    int32_t power = 1;
    while (power < value && power < (1 << 30))
        power *= 2;
    return power;
}

D3DFORMAT d3dFormatOf(ColorFormat format) {
    switch (format) {
    case ColorFormat::A4R4G4B4:
        return D3DFMT_A4R4G4B4;
    case ColorFormat::R5G6B5:
        return D3DFMT_R5G6B5;
    case ColorFormat::R8G8B8:
        return D3DFMT_R8G8B8;
    case ColorFormat::A8R8G8B8:
        return D3DFMT_A8R8G8B8;
    default:
        return D3DFMT_A1R5G5B5;
    }
}

// A row of `level`'s texels clamped into the level: a level one texel high
// or wide repeats its last row or column for the 2x2 filter.
uint32_t clampTo(uint32_t value, uint32_t size) { return value < size ? value : size - 1; }

void filter32(const D3DSURFACE_DESC& upper, const D3DLOCKED_RECT& upperRect, const D3DSURFACE_DESC& lower,
              const D3DLOCKED_RECT& lowerRect) {
    const auto* source = static_cast<const uint8_t*>(upperRect.pBits);
    auto* target = static_cast<uint8_t*>(lowerRect.pBits);
    for (uint32_t x = 0; x < lower.Width; ++x) {
        const uint32_t x0 = clampTo(2 * x, upper.Width), x1 = clampTo(2 * x + 1, upper.Width);
        for (uint32_t y = 0; y < lower.Height; ++y) {
            const uint32_t y0 = clampTo(2 * y, upper.Height), y1 = clampTo(2 * y + 1, upper.Height);
            const uint8_t* row0 = source + size_t(y0) * upperRect.Pitch;
            const uint8_t* row1 = source + size_t(y1) * upperRect.Pitch;
            const uint8_t* texels[4] = {row0 + 4 * x0, row0 + 4 * x1, row1 + 4 * x0, row1 + 4 * x1};
            uint8_t* out = target + size_t(y) * lowerRect.Pitch + 4 * x;
            for (int c = 0; c < 4; ++c)
                out[c] = uint8_t((texels[0][c] + texels[1][c] + texels[2][c] + texels[3][c]) / 4);
        }
    }
}

// A1R5G5B5 on its 5-bit channels; the alpha bit only when all four have it.
void filter16(const D3DSURFACE_DESC& upper, const D3DLOCKED_RECT& upperRect, const D3DSURFACE_DESC& lower,
              const D3DLOCKED_RECT& lowerRect) {
    const auto* source = static_cast<const uint8_t*>(upperRect.pBits);
    auto* target = static_cast<uint8_t*>(lowerRect.pBits);
    for (uint32_t x = 0; x < lower.Width; ++x) {
        const uint32_t x0 = clampTo(2 * x, upper.Width), x1 = clampTo(2 * x + 1, upper.Width);
        for (uint32_t y = 0; y < lower.Height; ++y) {
            const uint32_t y0 = clampTo(2 * y, upper.Height), y1 = clampTo(2 * y + 1, upper.Height);
            const auto* row0 = reinterpret_cast<const uint16_t*>(source + size_t(y0) * upperRect.Pitch);
            const auto* row1 = reinterpret_cast<const uint16_t*>(source + size_t(y1) * upperRect.Pitch);
            const uint16_t texels[4] = {row0[x0], row0[x1], row1[x0], row1[x1]};
            uint32_t red = 0, green = 0, blue = 0, alpha = 0x8000;
            for (uint16_t t : texels) {
                red += (t >> 10) & 31;
                green += (t >> 5) & 31;
                blue += t & 31;
                alpha &= t;
            }
            auto* out = reinterpret_cast<uint16_t*>(target + size_t(y) * lowerRect.Pitch);
            out[x] = uint16_t(alpha | ((red / 4) << 10) | ((green / 4) << 5) | (blue / 4));
        }
    }
}

} // namespace

ColorFormat CD3D8DriverTexture::colorFormatOf(D3DFORMAT format, uint32_t* bytesPerTexel) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        *bytesPerTexel = 4;
        return ColorFormat::A8R8G8B8;
    case D3DFMT_R5G6B5:
        *bytesPerTexel = 2;
        return ColorFormat::R5G6B5;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        *bytesPerTexel = 2;
        return ColorFormat::A1R5G5B5;
    case D3DFMT_A4R4G4B4:
        *bytesPerTexel = 2;
        return ColorFormat::A4R4G4B4;
    case D3DFMT_R8G8B8:
        *bytesPerTexel = 3;
        return ColorFormat::R8G8B8;
    default:
        *bytesPerTexel = 0;
        return ColorFormat::A1R5G5B5;
    }
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

void CD3D8DriverTexture::releaseBeforeReset() {
    if (m_isRenderTarget && m_d3dTexture) {
        m_d3dTexture->Release();
        m_d3dTexture = nullptr;
    }
}

void CD3D8DriverTexture::restoreAfterReset() {
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
    D3DFORMAT format = d3dFormatOf(m_driver->textureColorFormat(m_image->colorFormat()));
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
    if (SUCCEEDED(m_d3dTexture->GetLevelDesc(0, &desc)))
        m_size = CSizeI{int32_t(desc.Width), int32_t(desc.Height)};
    D3DLOCKED_RECT rect{};
    if (FAILED(m_d3dTexture->LockRect(0, &rect, nullptr, 0))) {
        logLine("Could not lock D3D8 Texture.", CLog::Error);
        return false;
    }
    m_pitch = uint32_t(rect.Pitch);
    m_image->exportPixels(rect.pBits, uint32_t(m_size.width), uint32_t(m_size.height), m_colorFormat, m_pitch);
    if (FAILED(m_d3dTexture->UnlockRect(0))) {
        logLine("Could not unlock D3D8 Texture.", CLog::Error);
        return false;
    }
    return true;
}

bool CD3D8DriverTexture::generateMipMaps(uint32_t level) {
    if (!m_d3dTexture || level == 0)
        return true;
    for (;; ++level) {
        if (level >= m_d3dTexture->GetLevelCount())
            return true;
        IDirect3DSurface8* upper = nullptr;
        IDirect3DSurface8* lower = nullptr;
        if (FAILED(m_d3dTexture->GetSurfaceLevel(level - 1, &upper))) {
            logLine("Could not get upper surface level for mip map generation", CLog::Warning);
            return false;
        }
        if (FAILED(m_d3dTexture->GetSurfaceLevel(level, &lower))) {
            logLine("Could not get lower surface level for mip map generation", CLog::Warning);
            upper->Release();
            return false;
        }
        D3DSURFACE_DESC upperDesc{}, lowerDesc{};
        (void)upper->GetDesc(&upperDesc);
        (void)lower->GetDesc(&lowerDesc);
        D3DLOCKED_RECT upperRect{}, lowerRect{};
        if (FAILED(upper->LockRect(&upperRect, nullptr, 0))) {
            logLine("Could not lock upper texture for mip map generation", CLog::Warning);
            lower->Release();
            upper->Release();
            return false;
        }
        if (FAILED(lower->LockRect(&lowerRect, nullptr, 0))) {
            logLine("Could not lock lower texture for mip map generation", CLog::Warning);
            (void)upper->UnlockRect();
            lower->Release();
            upper->Release();
            return false;
        }
        if (upperDesc.Format != lowerDesc.Format)
            logLine("Cannot copy mip maps with different formats.", CLog::Warning);
        else if (upperDesc.Format == D3DFMT_A8R8G8B8 || upperDesc.Format == D3DFMT_X8R8G8B8)
            filter32(upperDesc, upperRect, lowerDesc, lowerRect);
        else if (upperDesc.Format == D3DFMT_A1R5G5B5)
            filter16(upperDesc, upperRect, lowerDesc, lowerRect);
        else
            logLine("Unsupported mipmap format, cannot copy.", CLog::Warning);
        const bool unlocked = SUCCEEDED(lower->UnlockRect()) & SUCCEEDED(upper->UnlockRect());
        lower->Release();
        upper->Release();
        if (!unlocked)
            return false;
        if (upperDesc.Width <= 2 || upperDesc.Height <= 2)
            return true;
    }
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
