#pragma once

#include "engine/core/CColor.h"

#include <cstdint>

class CPixelImage;

// Blit operations; the engine uses only the copy with format conversion.
enum class BlitOperation : uint32_t {
    CopyWithConversion = 3,
};

// A pixel rectangle; right and bottom are exclusive.
struct BlitRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct BlitPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Copies `sourceRect` of `source` (null: the whole source) to `destination`
// at `position` (null: 0, 0), clipped to `clipRect` (null: the whole
// destination) and always to both images' bounds, converting the format.
// False when the blitter has no entry for the pair of formats or nothing
// remains after clipping. `color` is unused by the copy.
[[nodiscard]] bool Blit(BlitOperation operation, const BlitRect* sourceRect, CPixelImage& destination,
                        const BlitRect* clipRect, const BlitPoint* position, const CPixelImage& source,
                        CColor color = CColor());
