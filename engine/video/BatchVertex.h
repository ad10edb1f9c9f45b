#pragma once

#include "engine/core/CColor.h"

#include <cstddef>

// The vertex of the 2D road (vertex type 0): position, A8R8G8B8 colour and
// one texture coordinate pair, 24 bytes as the hardware reads it. A default
// vertex has position and texture coordinates 0; its colour is not set.
struct BatchVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    CColor color;
    float u = 0.0f;
    float v = 0.0f;
};

static_assert(sizeof(BatchVertex) == 24, "the hardware reads 24-byte batch vertices");
static_assert(offsetof(BatchVertex, color) == 12 && offsetof(BatchVertex, u) == 16);
