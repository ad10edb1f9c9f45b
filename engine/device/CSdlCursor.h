#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CVector2di.h"
#include "engine/core/ICursorControl.h"

#include <memory>

class CPixelImage;
class CPlatformCursorImage;
class CPlatformWindow;

// The mouse cursor of the device's window: the pointer's visibility, its
// position relative to the window's client area, and its shape. Positions
// need the window; without one (after detachWindow) the position reads as
// (-1, -1) and moves are skipped, as nothing can be measured. Main thread
// only.
class CSdlCursor : public ICursorControl {
public:
    // `window` is borrowed; the device detaches it before closing it.
    explicit CSdlCursor(CPlatformWindow* window);

    // The window is going away.
    void detachWindow() { m_window = nullptr; }
    // Whether the window is full screen. The windowing system reports client
    // coordinates in both cases, so no frame is subtracted.
    void setFullscreen(bool fullScreen) { m_fullScreen = fullScreen; }
    [[nodiscard]] bool isFullscreen() const { return m_fullScreen; }

    void setVisible(bool visible) override;
    [[nodiscard]] bool isVisible() const override { return m_visible; }
    void setPosition(const CVector2di& position) override;
    [[nodiscard]] CVector2di getPosition() const override { return m_position; }
    void refreshPosition() override;
    [[nodiscard]] CArray<CVector2di> copyPositions() const override { return m_positions; }
    [[nodiscard]] const CArray<CVector2di>& positions() const override { return m_positions; }
    // The shape is copied from the image; the cursor keeps the shape it
    // made until another replaces it. A shape the system cannot make leaves
    // the current one; the first such failure is logged (a display without
    // cursors refuses every shape, and the game asks again whenever a
    // player's settings are applied).
    void setImage(const CPixelImage* image, int hotX, int hotY) override;
    // Whether the shape is one made by setImage (false: the system arrow).
    [[nodiscard]] bool hasCustomImage() const { return m_image != nullptr; }
    // Whether the last setImage asked for a picture rather than the arrow,
    // whether or not the system could make it.
    [[nodiscard]] bool wantsCustomImage() const { return m_wantsImage; }

protected:
    ~CSdlCursor() override;

private:
    void storePosition(const CVector2di& position);

    CPlatformWindow* m_window;
    std::unique_ptr<CPlatformCursorImage> m_image;
    CVector2di m_position{0, 0};
    CArray<CVector2di> m_positions;
    bool m_visible = true;
    bool m_fullScreen = true;
    bool m_wantsImage = false;
    bool m_failureLogged = false;
};
