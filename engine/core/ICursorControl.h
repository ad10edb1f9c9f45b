#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CVector2di.h"

class CPixelImage;

// The mouse cursor of the main window: visibility, the pointer position in
// window-relative pixels, and the cursor's shape. The device implements it;
// the engine tick refreshes the position once per step.
class ICursorControl : public virtual CRefCounted {
public:
    virtual void setVisible(bool visible) = 0;
    [[nodiscard]] virtual bool isVisible() const = 0;
    // Moves the pointer; the position reads back as set until the next refresh.
    virtual void setPosition(const CVector2di& position) = 0;
    [[nodiscard]] virtual CVector2di getPosition() const = 0;
    // Reads the pointer again; (-1, -1) when the window cannot be measured.
    virtual void refreshPosition() = 0;
    // After any position update the list holds one entry, the position.
    [[nodiscard]] virtual CArray<CVector2di> copyPositions() const = 0;
    [[nodiscard]] virtual const CArray<CVector2di>& positions() const = 0;
    // A cursor made from `image` with the given hot spot; null restores the
    // system arrow. An image without pixels changes nothing.
    virtual void setImage(const CPixelImage* image, int hotX, int hotY) = 0;
};
