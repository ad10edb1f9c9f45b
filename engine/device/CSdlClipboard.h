#pragma once

#include "engine/core/IClipboard.h"

class CStringW;

// The desktop's clipboard as text, through the windowing system. Works once
// the video system runs; before, and on systems without a clipboard, it
// holds no text and setting text does nothing.
class CSdlClipboard : public IClipboard {
public:
    CSdlClipboard() = default;

    void setText(const CStringW& text) override;
    [[nodiscard]] CStringW text() const override;

protected:
    ~CSdlClipboard() override = default;
};
