#pragma once

#include "engine/content/ColorFormat.h"
#include "engine/core/CRefCounted.h"
#include "engine/video/CSizeI.h"

#include <cstdint>

class CPixelImage;

// A texture made by one video driver; it never outlives that driver and is
// never bound by another. Destroying it releases the hardware texture and
// the image it keeps.
class IDriverTexture : public virtual CRefCounted {
public:
    // CPU access to level 0, top row first, pitch() bytes per row, in
    // lockFormat(); null when the texture cannot be locked. With `readOnly`
    // unlock need not upload.
    [[nodiscard]] virtual void* lock(bool readOnly) = 0;
    // Uploads what lock handed out unless it was read-only.
    virtual void unlock() = 0;
    // Size of the image the texture was made from.
    [[nodiscard]] virtual const CSizeI& imageSize() const = 0;
    // Size of the hardware texture (may be padded, e.g. to powers of two);
    // lock hands out this many rows and columns.
    [[nodiscard]] virtual const CSizeI& size() const = 0;
    [[nodiscard]] virtual int32_t driverType() const = 0;
    // Format of the hardware texture.
    [[nodiscard]] virtual ColorFormat colorFormat() const = 0;
    // Format of the data lock hands out. Drivers that convert on lock (the
    // OpenGL textures hand out A8R8G8B8 whatever they hold) say so here.
    [[nodiscard]] virtual ColorFormat lockFormat() const { return colorFormat(); }
    // Bytes per row of the locked data.
    [[nodiscard]] virtual uint32_t pitch() const = 0;
    [[nodiscard]] virtual bool hasMipMaps() const = 0;
    virtual void regenerateMipMaps() = 0;
    [[nodiscard]] virtual bool isRenderTarget() const = 0;
    // The CPU image kept from creation (no reference handed out); null after
    // dropImage or when the driver was told to drop images on upload.
    [[nodiscard]] virtual CPixelImage* image() const = 0;
    virtual void dropImage() = 0;

protected:
    ~IDriverTexture() override = default;
};
