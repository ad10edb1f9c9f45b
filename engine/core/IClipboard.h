#pragma once

#include "engine/core/CRefCounted.h"

class CStringW;

// The system clipboard as text. The window device provides it once a window
// exists; CSystemInfo reaches it through this interface.
class IClipboard : public virtual CRefCounted {
public:
    // Replaces the clipboard's contents with `text`.
    virtual void setText(const CStringW& text) = 0;
    // The clipboard's text; empty when it holds none or cannot be read.
    [[nodiscard]] virtual CStringW text() const = 0;
};
