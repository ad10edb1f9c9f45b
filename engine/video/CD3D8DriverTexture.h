#pragma once

// Windows only: included by the Direct3D 8 sources of this folder alone.
#include "engine/content/ColorFormat.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/CSizeI.h"
#include "engine/video/D3D8Headers.h"
#include "engine/video/IDriverTexture.h"

#include <cstdint>

class CD3D8Driver;
class CPixelImage;

// A texture of the Direct3D 8 driver: an image texture in the managed pool
// (surviving a device reset), with mip levels built on the processor by 2x2
// box filters, or a render target in the default pool in the back buffer's
// format. It holds a device reference of its own, so it may outlive the
// driver; a creation the device refuses leaves a texture without pixels.
class CD3D8DriverTexture : public IDriverTexture {
public:
    // An image texture of `image` (referenced while kept).
    CD3D8DriverTexture(CPixelImage* image, CD3D8Driver* driver);
    // A render target of `size`; the requested format is not used: render
    // targets take the back buffer's.
    CD3D8DriverTexture(CD3D8Driver* driver, const CSizeI& size);

    [[nodiscard]] void* lock(bool readOnly) override;
    void unlock() override;
    [[nodiscard]] const CSizeI& imageSize() const override { return m_imageSize; }
    [[nodiscard]] const CSizeI& size() const override { return m_size; }
    [[nodiscard]] int32_t driverType() const override { return 1; }
    [[nodiscard]] ColorFormat colorFormat() const override { return m_colorFormat; }
    [[nodiscard]] uint32_t pitch() const override { return m_pitch; }
    [[nodiscard]] bool hasMipMaps() const override { return m_hasMipMaps; }
    void regenerateMipMaps() override;
    [[nodiscard]] bool isRenderTarget() const override { return m_isRenderTarget; }
    [[nodiscard]] CPixelImage* image() const override { return m_image.get(); }
    void dropImage() override { m_image.reset(); }

    // The Direct3D texture (null when the device refused it).
    [[nodiscard]] IDirect3DTexture8* d3dTexture() const { return m_d3dTexture; }
    // Level 0 of a render target (no reference handed out), else null.
    [[nodiscard]] IDirect3DSurface8* renderTargetSurface() const;
    // The driver is going: forget it.
    void forgetDriver() { m_driver = nullptr; }
    // A device resets only without resources of its own pool: a render
    // target lets its Direct3D texture go before and makes a new one after
    // (its pixels are lost; image textures are managed and stay).
    void releaseDeviceResources();
    void restoreDeviceResources();

    // The colour format and bytes per texel of a Direct3D format; other
    // formats give A1R5G5B5 and 0 bytes.
    [[nodiscard]] static ColorFormat colorFormatOf(D3DFORMAT format, uint32_t* bytesPerTexel);

    // Builds mip level `level` from the one above it and goes on down the
    // chain while the upper level is wider and higher than 2 texels; false
    // when a level could not be locked.
    bool generateMipMaps(uint32_t level);

protected:
    ~CD3D8DriverTexture() override;

private:
    [[nodiscard]] bool createTexture(bool mipMaps);
    void createRenderTarget();
    [[nodiscard]] bool copyImage();
    // The size rules of the device: powers of two and square sides where
    // needed, at most the largest texture side.
    [[nodiscard]] CSizeI textureSize(const CSizeI& wanted) const;

    CRefHandle<CPixelImage> m_image;
    IDirect3DDevice8* m_device = nullptr;
    IDirect3DTexture8* m_d3dTexture = nullptr;
    IDirect3DSurface8* m_renderTargetCopy = nullptr;
    CD3D8Driver* m_driver = nullptr;
    CSizeI m_size;
    CSizeI m_imageSize;
    uint32_t m_pitch = 0;
    ColorFormat m_colorFormat = ColorFormat::A1R5G5B5;
    bool m_hasMipMaps = false;
    bool m_isRenderTarget = false;
    // What lock handed out: a render target's copy, or level 0.
    bool m_lockedCopy = false;
    // The format a render target is made in.
    D3DFORMAT m_renderTargetFormat = D3DFMT_UNKNOWN;
    // The last lock of level 0 may have written.
    bool m_writableLock = false;
};
