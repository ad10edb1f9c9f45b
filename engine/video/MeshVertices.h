#pragma once

#include "engine/core/CColor.h"

#include <cstddef>

// The vertex layouts of the 3D pipeline (vertex types 1 to 4). The game draws
// only BatchVertex; these exist for the mesh operations of the interface.

// Vertex type 1: position, colour, two texture coordinate pairs.
struct TwoCoordsVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    CColor color;
    float u = 0.0f, v = 0.0f;
    float u2 = 0.0f, v2 = 0.0f;
};

// Vertex type 2: position, colour, texture coordinates, normal.
struct NormalVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    CColor color;
    float u = 0.0f, v = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
};

// Vertex type 3: type 2 plus a second texture coordinate pair.
struct NormalTwoCoordsVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    CColor color;
    float u = 0.0f, v = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    float u2 = 0.0f, v2 = 0.0f;
};

// Vertex type 4: type 2 plus tangent and binormal for tangent-space lighting.
struct TangentVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    CColor color;
    float u = 0.0f, v = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    float tx = 0.0f, ty = 0.0f, tz = 0.0f;
    float bx = 0.0f, by = 0.0f, bz = 0.0f;
};

static_assert(sizeof(TwoCoordsVertex) == 32);
static_assert(sizeof(NormalVertex) == 36);
static_assert(sizeof(NormalTwoCoordsVertex) == 44);
static_assert(sizeof(TangentVertex) == 60);
