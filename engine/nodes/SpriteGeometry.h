#pragma once

#include "engine/core/CColor.h"
#include "engine/core/CMat4.h"
#include "engine/core/CVector2d.h"
#include "engine/video/CQuadBatch.h"

#include <cstdint>

class CImageTexture;

// An atlas picture as the sprite nodes place it: its rectangle of the page
// in texture coordinates, the blank margins before (b) and after (a) it in
// pixels, and the page's size in texels.
struct SpriteImage {
    float s0 = 0.0f;
    float t0 = 0.0f;
    float s1 = 1.0f;
    float t1 = 1.0f;
    CVector2d b;
    CVector2d a;
    float pageWidth = 0.0f;
    float pageHeight = 0.0f;

    [[nodiscard]] float width() const { return (s1 - s0) * pageWidth; }
    [[nodiscard]] float height() const { return (t1 - t0) * pageHeight; }
};

// How a sprite places its picture per direction.
struct SpriteStretch {
    // The picture at its pixel size, placed by pivot and margins.
    static constexpr uint32_t Natural = 0;
    // From the leading margin to the bounds minus the trailing margin
    // (tiled when the wrap mode repeats a whole texture).
    static constexpr uint32_t Stretch = 1;
    // Natural size, and the bounds take the picture's size and margins.
    static constexpr uint32_t FitBounds = 2;
    // Natural size, cut to the bounds.
    static constexpr uint32_t Clip = 3;
};

struct SpritePlacement {
    uint32_t stretchX = SpriteStretch::FitBounds;
    uint32_t stretchY = SpriteStretch::FitBounds;
    CVector2d pivot;
    bool flipX = false;
    bool flipY = false;
    uint8_t wrap = 1;
};

// The sprite's quad in node space: corners and texture coordinates of the
// left, top, right and bottom edges (flips already applied).
struct SpriteQuadRect {
    float x0 = 0.0f;
    float y0 = 0.0f;
    float x1 = 0.0f;
    float y1 = 0.0f;
    float uLeft = 0.0f;
    float vTop = 0.0f;
    float uRight = 0.0f;
    float vBottom = 0.0f;
};

// Places `image` by `placement` inside `bounds` (width, height), which
// FitBounds directions replace by the picture's size plus its margins.
[[nodiscard]] SpriteQuadRect placeSprite(const SpriteImage& image, const SpritePlacement& placement, CVector2d& bounds);

// Writes the four corners of `rect` through the 2D part of `matrix` into
// `quad` (top-left, top-right, bottom-right, bottom-left) with `z` and `color`.
void writeQuad(const SpriteQuadRect& rect, const CMat4& matrix, float z, CColor color, CBatchQuad& quad);

// Maps a point of the node's space onto the picture's page: the texel the
// drawn quad shows there. False when the point is off the quad.
[[nodiscard]] bool spriteTexelAt(const SpriteQuadRect& rect, const SpriteImage& image, const CVector2d& point,
                                 int32_t& texelX, int32_t& texelY);

// The point of the absolute space `point` in the space of `matrix` (2D
// affine part); false when the matrix cannot be inverted.
[[nodiscard]] bool toNodeSpace(const CMat4& matrix, const CVector2d& point, CVector2d& out);

// The nine cells of a frame over `bounds`: corners of `topLeft` and
// `bottomRight` size keep their pixels, edges stretch one way, the centre
// both. Cells run row by row from the top left; each points at `material`.
void buildNineGrid(const SpriteImage& image, const CVector2d& bounds, const CVector2d& topLeft,
                   const CVector2d& bottomRight, const CMat4& matrix, CColor color, const Material* material,
                   CBatchQuad (&cells)[9]);
