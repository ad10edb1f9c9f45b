#include "engine/nodes/SpriteGeometry.h"

#include <gtest/gtest.h>

namespace {

// A 40 x 20 picture at pixel (16, 8) of a 128 x 64 page.
SpriteImage picture(CVector2d b = {}, CVector2d a = {}) {
    SpriteImage image;
    image.s0 = 16.0f / 128.0f;
    image.t0 = 8.0f / 64.0f;
    image.s1 = 56.0f / 128.0f;
    image.t1 = 28.0f / 64.0f;
    image.b = b;
    image.a = a;
    image.pageWidth = 128.0f;
    image.pageHeight = 64.0f;
    return image;
}

// A whole 64 x 32 texture.
SpriteImage wholePage() {
    SpriteImage image;
    image.pageWidth = 64.0f;
    image.pageHeight = 32.0f;
    return image;
}

SpritePlacement place(uint32_t x, uint32_t y, CVector2d pivot = {}, bool flipX = false, bool flipY = false,
                      uint8_t wrap = 1) {
    SpritePlacement placement;
    placement.stretchX = x;
    placement.stretchY = y;
    placement.pivot = pivot;
    placement.flipX = flipX;
    placement.flipY = flipY;
    placement.wrap = wrap;
    return placement;
}

} // namespace

TEST(SpriteGeometry, StretchModesPlaceThePicture) {
    const float u0 = 16.0f / 128.0f;
    const float u1 = 56.0f / 128.0f;
    const float v0 = 8.0f / 64.0f;
    const float v1 = 28.0f / 64.0f;
    const struct {
        const char* what;
        SpriteImage image;
        SpritePlacement placement;
        CVector2d bounds;
        SpriteQuadRect rect;
        CVector2d boundsAfter;
    } cases[] = {
        {"natural with pivot",
         picture(),
         place(0, 0, {5, 2}),
         {100, 100},
         {-5, -2, 35, 18, u0, v0, u1, v1},
         {100, 100}},
        {"fit bounds to picture and margins",
         picture({1, 2}, {3, 4}),
         place(2, 2),
         {100, 100},
         {1, 2, 41, 22, u0, v0, u1, v1},
         {44, 26}},
        {"stretch to bounds less the trailing margin",
         picture({1, 2}, {3, 4}),
         place(1, 1),
         {100, 50},
         {1, 2, 97, 46, u0, v0, u1, v1},
         {100, 50}},
        {"a repeating whole texture tiles",
         wholePage(),
         place(1, 0, {}, false, false, 0),
         {256, 10},
         {0, 0, 256, 32, 0, 0, 4, 1},
         {256, 10}},
        {"clamped whole texture stretches",
         wholePage(),
         place(1, 0, {}, false, false, 1),
         {256, 10},
         {0, 0, 256, 32, 0, 0, 1, 1},
         {256, 10}},
        {"clip cuts both ends",
         picture(),
         place(3, 3, {10, 0}),
         {20, 10},
         {0, 0, 20, 10, 26.0f / 128, v0, 46.0f / 128, 18.0f / 64},
         {20, 10}},
        {"flips swap the coordinates and the margin",
         picture({1, 2}, {3, 4}),
         place(0, 0, {}, true, true),
         {100, 100},
         {3, 4, 43, 24, u1, v1, u0, v0},
         {100, 100}},
        {"modes above 3 act as natural", picture(), place(9, 15), {7, 7}, {0, 0, 40, 20, u0, v0, u1, v1}, {7, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CVector2d bounds = c.bounds;
        const SpriteQuadRect rect = placeSprite(c.image, c.placement, bounds);
        EXPECT_FLOAT_EQ(rect.x0, c.rect.x0);
        EXPECT_FLOAT_EQ(rect.y0, c.rect.y0);
        EXPECT_FLOAT_EQ(rect.x1, c.rect.x1);
        EXPECT_FLOAT_EQ(rect.y1, c.rect.y1);
        EXPECT_FLOAT_EQ(rect.uLeft, c.rect.uLeft);
        EXPECT_FLOAT_EQ(rect.vTop, c.rect.vTop);
        EXPECT_FLOAT_EQ(rect.uRight, c.rect.uRight);
        EXPECT_FLOAT_EQ(rect.vBottom, c.rect.vBottom);
        EXPECT_FLOAT_EQ(bounds.x, c.boundsAfter.x);
        EXPECT_FLOAT_EQ(bounds.y, c.boundsAfter.y);
    }
}

TEST(SpriteGeometry, QuadCornersGoThroughTheMatrix) {
    // Scale 2, turned a quarter to the right, moved to (100, 50).
    CMat4 m;
    m[0] = 0.0f;
    m[1] = 2.0f;
    m[4] = -2.0f;
    m[5] = 0.0f;
    m[12] = 100.0f;
    m[13] = 50.0f;
    CBatchQuad quad;
    writeQuad({0, 0, 10, 5, 0.1f, 0.2f, 0.3f, 0.4f}, m, 1.0f, CColor(0xFF00FF00u), quad);
    const float expected[4][4] = {
        {100, 50, 0.1f, 0.2f}, {100, 70, 0.3f, 0.2f}, {90, 70, 0.3f, 0.4f}, {90, 50, 0.1f, 0.4f}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(quad.vertices[i].x, expected[i][0]);
        EXPECT_FLOAT_EQ(quad.vertices[i].y, expected[i][1]);
        EXPECT_FLOAT_EQ(quad.vertices[i].u, expected[i][2]);
        EXPECT_FLOAT_EQ(quad.vertices[i].v, expected[i][3]);
        EXPECT_EQ(quad.vertices[i].z, 1.0f);
        EXPECT_EQ(quad.vertices[i].color.value, 0xFF00FF00u);
    }
    CVector2d back;
    ASSERT_TRUE(toNodeSpace(m, CVector2d(90.0f, 70.0f), back));
    EXPECT_FLOAT_EQ(back.x, 10.0f);
    EXPECT_FLOAT_EQ(back.y, 5.0f);
    CMat4 flat;
    flat[0] = 0.0f;
    EXPECT_FALSE(toNodeSpace(flat, CVector2d(1.0f, 1.0f), back));
}

TEST(SpriteGeometry, TexelLookupFollowsTheDrawnQuad) {
    const struct {
        const char* what;
        SpriteImage image;
        SpritePlacement placement;
        CVector2d bounds;
        CVector2d point;
        bool inside;
        int x;
        int y;
    } cases[] = {
        {"natural", picture(), place(0, 0), {0, 0}, {0.5f, 0.5f}, true, 16, 8},
        {"pivot moves the picture", picture(), place(0, 0, {5, 2}), {0, 0}, {-4.5f, -1.5f}, true, 16, 8},
        {"left of the picture", picture(), place(0, 0, {5, 2}), {0, 0}, {-5.5f, 0}, false, 0, 0},
        {"margins move it too", picture({3, 1}, {}), place(0, 0), {0, 0}, {3.5f, 1.5f}, true, 16, 8},
        {"flipped", picture(), place(0, 0, {}, true, false), {0, 0}, {0.5f, 0.5f}, true, 55, 8},
        // The first drawn column of a flipped picture is its own last texel,
        // not the first texel of the picture beside it on the page.
        {"flipped, left edge", picture(), place(0, 0, {}, true, false), {0, 0}, {0.0f, 0.5f}, true, 55, 8},
        {"flipped, right edge", picture(), place(0, 0, {}, true, false), {0, 0}, {39.99f, 0.5f}, true, 16, 8},
        {"flipped down, top edge", picture(), place(0, 0, {}, false, true), {0, 0}, {0.5f, 0.0f}, true, 16, 27},
        {"flipped, whole page", wholePage(), place(0, 0, {}, true, true), {0, 0}, {0.0f, 0.0f}, true, 63, 31},
        {"stretched twice as wide", picture(), place(1, 0), {80, 0}, {79.0f, 0.5f}, true, 55, 8},
        {"tiled", wholePage(), place(1, 0, {}, false, false, 0), {256, 0}, {64.0f + 3.5f, 2.5f}, true, 3, 2},
        {"right edge is outside", picture(), place(0, 0), {0, 0}, {40.0f, 0.5f}, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CVector2d bounds = c.bounds;
        const SpriteQuadRect rect = placeSprite(c.image, c.placement, bounds);
        int32_t x = 0;
        int32_t y = 0;
        EXPECT_EQ(spriteTexelAt(rect, c.image, c.point, x, y), c.inside);
        if (c.inside) {
            EXPECT_EQ(x, c.x);
            EXPECT_EQ(y, c.y);
        }
    }
}

TEST(SpriteGeometry, NineGridKeepsCornersAndStretchesTheRest) {
    // A 40 x 40 picture at (0, 0) of a 64 x 64 page, over a 100 x 60 node.
    SpriteImage image;
    image.s1 = 40.0f / 64.0f;
    image.t1 = 40.0f / 64.0f;
    image.pageWidth = 64.0f;
    image.pageHeight = 64.0f;
    CMat4 m;
    m[12] = 7.0f;
    Material material;
    CBatchQuad cells[9];
    buildNineGrid(image, {100, 60}, {10, 10}, {10, 10}, m, CColor(0xFFFFFFFFu), &material, cells);
    const float xs[4] = {7, 17, 97, 107};
    const float ys[4] = {0, 10, 50, 60};
    const float us[4] = {0, 10, 30, 40};
    for (int cell = 0; cell < 9; ++cell) {
        SCOPED_TRACE(cell);
        const int row = cell / 3;
        const int column = cell % 3;
        const BatchVertex* v = cells[cell].vertices;
        EXPECT_EQ(cells[cell].material, &material);
        EXPECT_FLOAT_EQ(v[0].x, xs[column]);
        EXPECT_FLOAT_EQ(v[0].y, ys[row]);
        EXPECT_FLOAT_EQ(v[2].x, xs[column + 1]);
        EXPECT_FLOAT_EQ(v[2].y, ys[row + 1]);
        EXPECT_FLOAT_EQ(v[0].u * 64.0f, us[column]);
        EXPECT_FLOAT_EQ(v[2].u * 64.0f, us[column + 1]);
        EXPECT_FLOAT_EQ(v[2].v * 64.0f, us[row + 1]);
        EXPECT_EQ(v[0].z, 0.0f);
    }

    // No corners: the centre cell holds the whole picture, the others are empty.
    buildNineGrid(image, {100, 60}, {0, 0}, {0, 0}, CMat4(), CColor(0xFFFFFFFFu), &material, cells);
    EXPECT_FLOAT_EQ(cells[4].vertices[0].x, 0.0f);
    EXPECT_FLOAT_EQ(cells[4].vertices[2].x, 100.0f);
    EXPECT_FLOAT_EQ(cells[4].vertices[2].u, 40.0f / 64.0f);
    EXPECT_FLOAT_EQ(cells[0].vertices[2].x - cells[0].vertices[0].x, 0.0f);
    EXPECT_FLOAT_EQ(cells[8].vertices[2].y - cells[8].vertices[0].y, 0.0f);
}
