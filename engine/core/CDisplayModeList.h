#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"

#include <cstdint>

// One display mode: size in pixels and colour depth.
struct CDisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t colorBits = 0;

    friend bool operator==(const CDisplayMode& a, const CDisplayMode& b) = default;
    // By width, then height, then colour bits.
    friend bool operator<(const CDisplayMode& a, const CDisplayMode& b) {
        if (a.width != b.width)
            return a.width < b.width;
        if (a.height != b.height)
            return a.height < b.height;
        return a.colorBits < b.colorBits;
    }
};

// The display modes the screen offers, kept sorted and free of duplicates,
// with the desktop's mode and the screen's capabilities. The engine creates it
// empty; the device fills it.
class CDisplayModeList : public virtual CRefCounted {
public:
    CDisplayModeList() = default;

    // Answers the list's entry for `mode`: the existing one when an equal mode
    // is there, else the newly added one (the list is sorted again).
    const CDisplayMode& addMode(const CDisplayMode& mode);

    [[nodiscard]] const CArray<CDisplayMode>& modes() const { return m_modes; }

    [[nodiscard]] const CDisplayMode& desktopMode() const { return m_desktopMode; }
    void setDesktopMode(const CDisplayMode& mode) { m_desktopMode = mode; }

    // The screen's size and depth as the display reports them (horizontal and
    // vertical resolution, bits per pixel).
    [[nodiscard]] const CDisplayMode& deviceCaps() const { return m_deviceCaps; }
    void setDeviceCaps(const CDisplayMode& caps) { m_deviceCaps = caps; }

protected:
    ~CDisplayModeList() override;

private:
    CArray<CDisplayMode> m_modes;
    CDisplayMode m_desktopMode;
    CDisplayMode m_deviceCaps;
};
