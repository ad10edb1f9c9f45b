#pragma once

// Windows only: included by the Direct3D 9 sources alone.

#include "engine/content/CPixelImage.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/IDriverTexture.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <d3d9.h>

class CD3D9Driver;

// A Direct3D 9 texture: an image uploaded into the managed pool with its
// mip levels built on the processor, or a render target in the default
// pool. It holds its own reference to the device, so it may outlive the
// driver that made it.
class CD3D9DriverTexture : public IDriverTexture {
public:
    // An image texture of `image` (not null).
    CD3D9DriverTexture(CPixelImage* image, CD3D9Driver* driver);
    // A render target of `size`; ColorFormat code 12 asks for the back
    // buffer's format.
    CD3D9DriverTexture(CD3D9Driver* driver, const CSizeI& size, ColorFormat format);

    [[nodiscard]] void* lock(bool readOnly) override;
    // After a writable lock the mip levels are built again from level 0, so
    // what was written (a colour key) shows at every size.
    void unlock() override;
    [[nodiscard]] const CSizeI& imageSize() const override { return m_imageSize; }
    [[nodiscard]] const CSizeI& size() const override { return m_size; }
    [[nodiscard]] int32_t driverType() const override;
    [[nodiscard]] ColorFormat colorFormat() const override { return m_colorFormat; }
    [[nodiscard]] uint32_t pitch() const override { return m_pitch; }
    [[nodiscard]] bool hasMipMaps() const override { return m_hasMipMaps; }
    void regenerateMipMaps() override;
    [[nodiscard]] bool isRenderTarget() const override { return m_isRenderTarget; }
    [[nodiscard]] CPixelImage* image() const override { return m_image.get(); }
    void dropImage() override { m_image.reset(); }

    [[nodiscard]] IDirect3DTexture9* d3dTexture() const { return m_texture; }
    // Level 0 of a render target (no reference handed out), else null.
    [[nodiscard]] IDirect3DSurface9* renderTargetSurface() const;
    // The driver is going.
    void forgetDriver() { m_driver = nullptr; }
    // Around a device reset: a render target (default pool) lets its
    // texture go and makes it again, empty, afterwards; managed textures
    // stay.
    void releaseDeviceResources();
    void restoreDeviceResources();

    // The reserved format code asking for the back buffer's format.
    static constexpr ColorFormat BackBufferFormat = static_cast<ColorFormat>(12);

protected:
    ~CD3D9DriverTexture() override;

private:
    [[nodiscard]] bool createTexture(bool mipMaps);
    [[nodiscard]] bool copyImage();
    [[nodiscard]] bool generateMipMaps(uint32_t level);
    // The texture's side lengths for `wanted` under the device's rules.
    [[nodiscard]] CSizeI fittedSize(const CSizeI& wanted) const;
    // Makes the render target's texture; false after logging why.
    bool createRenderTarget();

    CRefHandle<CPixelImage> m_image;
    IDirect3DDevice9* m_device = nullptr;
    IDirect3DTexture9* m_texture = nullptr;
    IDirect3DSurface9* m_renderTargetCopy = nullptr;
    CD3D9Driver* m_driver = nullptr;
    CSizeI m_size;
    CSizeI m_imageSize;
    uint32_t m_pitch = 0;
    ColorFormat m_colorFormat = ColorFormat::A8R8G8B8;
    D3DFORMAT m_d3dFormat = D3DFMT_UNKNOWN;
    bool m_hasMipMaps = false;
    bool m_isRenderTarget = false;
    // The level-0 lock may write: its unlock rebuilds the mip levels.
    bool m_writableLock = false;
};

// Bytes per texel of a Direct3D format; 0 for one the textures do not use.
[[nodiscard]] uint32_t d3d9BytesPerTexel(D3DFORMAT format);
