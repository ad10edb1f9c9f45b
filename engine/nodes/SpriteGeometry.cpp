#include "engine/nodes/SpriteGeometry.h"

#include <cmath>

namespace {

// Places one direction; `lo`/`hi` are the edges, `c0`/`c1` the texture
// coordinates, `size` the bounds in that direction.
void placeAxis(uint32_t mode, float pixels, float lead, float trail, float pivot, bool flip, bool repeat, float& lo,
               float& hi, float& c0, float& c1, float& size) {
    lo = (flip ? trail : lead) - pivot;
    hi = lo + pixels;
    switch (mode) {
    case SpriteStretch::Stretch:
        hi = size - trail;
        // A repeating whole texture tiles instead of stretching.
        if (repeat && c0 == 0.0f && c1 == 1.0f && pixels != 0.0f)
            c1 = size / pixels;
        break;
    case SpriteStretch::FitBounds:
        size = lead + trail + pixels;
        break;
    case SpriteStretch::Clip: {
        const float span = c1 - c0;
        if (pixels == 0.0f)
            break;
        if (lo < 0.0f) {
            c0 -= span * lo / pixels;
            lo = 0.0f;
        }
        if (size < hi) {
            c1 += span * (size - hi) / pixels;
            hi = size;
        }
        break;
    }
    default:
        break;
    }
}

} // namespace

SpriteQuadRect placeSprite(const SpriteImage& image, const SpritePlacement& placement, CVector2d& bounds) {
    const bool repeat = placement.wrap == 0;
    float s0 = image.s0;
    float s1 = image.s1;
    float t0 = image.t0;
    float t1 = image.t1;
    SpriteQuadRect rect;
    placeAxis(placement.stretchX, image.width(), image.b.x, image.a.x, placement.pivot.x, placement.flipX, repeat,
              rect.x0, rect.x1, s0, s1, bounds.x);
    placeAxis(placement.stretchY, image.height(), image.b.y, image.a.y, placement.pivot.y, placement.flipY, repeat,
              rect.y0, rect.y1, t0, t1, bounds.y);
    rect.uLeft = placement.flipX ? s1 : s0;
    rect.uRight = placement.flipX ? s0 : s1;
    rect.vTop = placement.flipY ? t1 : t0;
    rect.vBottom = placement.flipY ? t0 : t1;
    return rect;
}

void writeQuad(const SpriteQuadRect& rect, const CMat4& m, float z, CColor color, CBatchQuad& quad) {
    const float xs[4] = {rect.x0, rect.x1, rect.x1, rect.x0};
    const float ys[4] = {rect.y0, rect.y0, rect.y1, rect.y1};
    const float us[4] = {rect.uLeft, rect.uRight, rect.uRight, rect.uLeft};
    const float vs[4] = {rect.vTop, rect.vTop, rect.vBottom, rect.vBottom};
    for (int i = 0; i < 4; ++i) {
        BatchVertex& v = quad.vertices[i];
        v.x = xs[i] * m[0] + ys[i] * m[4] + m[12];
        v.y = xs[i] * m[1] + ys[i] * m[5] + m[13];
        v.z = z;
        v.color = color;
        v.u = us[i];
        v.v = vs[i];
    }
}

bool toNodeSpace(const CMat4& m, const CVector2d& point, CVector2d& out) {
    const float determinant = m[0] * m[5] - m[1] * m[4];
    if (!(std::fabs(determinant) > 1e-6f))
        return false;
    const float dx = point.x - m[12];
    const float dy = point.y - m[13];
    out.x = (dx * m[5] - dy * m[4]) / determinant;
    out.y = (dy * m[0] - dx * m[1]) / determinant;
    return true;
}

namespace {

// The texel at the fraction f (0 <= f < 1) of the way from `start` to `end`
// on a page `size` texels long; a tiled picture repeats the whole page. Along
// a flipped axis (end before start) the coordinate falls, so the texel is the
// one ending there: the first drawn column of a flipped picture reads its own
// last texel, never the first texel of its neighbour on the page.
int32_t texelAlong(float start, float end, float f, float size) {
    float t = start + f * (end - start);
    if (end >= start)
        return int32_t((t - std::floor(t)) * size);
    t -= std::ceil(t) - 1.0f; // now in (0, 1]
    const int32_t texel = int32_t(std::ceil(t * size)) - 1;
    return texel < 0 ? 0 : texel;
}

} // namespace

bool spriteTexelAt(const SpriteQuadRect& rect, const SpriteImage& image, const CVector2d& point, int32_t& texelX,
                   int32_t& texelY) {
    const float width = rect.x1 - rect.x0;
    const float height = rect.y1 - rect.y0;
    if (!(width > 0.0f) || !(height > 0.0f))
        return false;
    const float fx = (point.x - rect.x0) / width;
    const float fy = (point.y - rect.y0) / height;
    if (!(fx >= 0.0f && fx < 1.0f && fy >= 0.0f && fy < 1.0f))
        return false;
    texelX = texelAlong(rect.uLeft, rect.uRight, fx, image.pageWidth);
    texelY = texelAlong(rect.vTop, rect.vBottom, fy, image.pageHeight);
    return true;
}

void buildNineGrid(const SpriteImage& image, const CVector2d& bounds, const CVector2d& topLeft,
                   const CVector2d& bottomRight, const CMat4& matrix, CColor color, const Material* material,
                   CBatchQuad (&cells)[9]) {
    const float xs[4] = {0.0f, topLeft.x, bounds.x - bottomRight.x, bounds.x};
    const float ys[4] = {0.0f, topLeft.y, bounds.y - bottomRight.y, bounds.y};
    const float us[4] = {image.s0, image.s0 + topLeft.x / image.pageWidth, image.s1 - bottomRight.x / image.pageWidth,
                         image.s1};
    const float vs[4] = {image.t0, image.t0 + topLeft.y / image.pageHeight, image.t1 - bottomRight.y / image.pageHeight,
                         image.t1};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const SpriteQuadRect rect{xs[column], ys[row], xs[column + 1], ys[row + 1],
                                      us[column], vs[row], us[column + 1], vs[row + 1]};
            CBatchQuad& cell = cells[row * 3 + column];
            cell.material = material;
            writeQuad(rect, matrix, 0.0f, color, cell);
        }
    }
}
