#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/video/IDriverTexture.h"

#include <cstdint>
#include <vector>

// A driver texture in main memory for tests: the texels live in a byte block
// of pitch x height, handed out by lock in lockFormat(). Counts its locks and
// unlocks, and can be told to refuse locking.
class CTestDriverTexture : public IDriverTexture {
public:
    // A texture of `size` in `format` whose lock hands out `lockFormat`, with
    // `pitch` bytes per row (0: packed rows of the lock format). Texels start 0.
    CTestDriverTexture(const CSizeI& size, ColorFormat format, ColorFormat lockFormat, uint32_t pitch = 0,
                       int32_t driverType = 0);
    // A texture holding `image` converted to `format` and, with `keepImage`,
    // a reference to the image.
    CTestDriverTexture(CPixelImage* image, ColorFormat format, bool keepImage, int32_t driverType);

    [[nodiscard]] void* lock(bool readOnly) override;
    void unlock() override;
    [[nodiscard]] const CSizeI& imageSize() const override { return m_imageSize; }
    // For textures padded beyond the picture they were made from.
    void setImageSize(const CSizeI& size) { m_imageSize = size; }
    [[nodiscard]] const CSizeI& size() const override { return m_size; }
    [[nodiscard]] int32_t driverType() const override { return m_driverType; }
    [[nodiscard]] ColorFormat colorFormat() const override { return m_format; }
    [[nodiscard]] ColorFormat lockFormat() const override { return m_lockFormat; }
    // 0 outside a lock when told so (setPitchOnlyWhileLocked).
    [[nodiscard]] uint32_t pitch() const override { return m_pitchOnlyWhileLocked && !m_locked ? 0 : m_pitch; }
    [[nodiscard]] bool hasMipMaps() const override { return false; }
    void regenerateMipMaps() override {}
    [[nodiscard]] bool isRenderTarget() const override { return false; }
    [[nodiscard]] CPixelImage* image() const override { return m_image.get(); }
    void dropImage() override;

    // Texel access in the lock format, for checks.
    [[nodiscard]] uint32_t texel(uint32_t x, uint32_t y) const;
    void setTexel(uint32_t x, uint32_t y, uint32_t value);
    [[nodiscard]] std::vector<uint8_t>& bytes() { return m_bytes; }

    void setLockRefused(bool refused) { m_lockRefused = refused; }
    // Answers pitch 0 unless locked, as textures do that make their lock
    // image only when locked.
    void setPitchOnlyWhileLocked(bool on) { m_pitchOnlyWhileLocked = on; }
    [[nodiscard]] int lockCount() const { return m_locks; }
    [[nodiscard]] int unlockCount() const { return m_unlocks; }
    [[nodiscard]] bool locked() const { return m_locked; }

protected:
    ~CTestDriverTexture() override;

private:
    [[nodiscard]] uint32_t texelBytes() const;

    CSizeI m_imageSize;
    CSizeI m_size;
    ColorFormat m_format;
    ColorFormat m_lockFormat;
    uint32_t m_pitch = 0;
    int32_t m_driverType = 0;
    std::vector<uint8_t> m_bytes;
    CRefHandle<CPixelImage> m_image;
    bool m_lockRefused = false;
    bool m_pitchOnlyWhileLocked = false;
    bool m_locked = false;
    int m_locks = 0;
    int m_unlocks = 0;
};
