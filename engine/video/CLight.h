#pragma once

#include "engine/core/CColorf.h"
#include "engine/core/CVector3d.h"

#include <cstdint>

// A light of the 3D pipeline, as addLight takes it. The game adds none.
struct CLight {
    static constexpr int32_t Point = 0;
    static constexpr int32_t Spot = 1;
    static constexpr int32_t Directional = 2;

    CColorf ambient{0.0f, 0.0f, 0.0f, 1.0f};
    CColorf diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    CColorf specular{1.0f, 1.0f, 1.0f, 1.0f};
    float constantAttenuation = 1.0f;
    float linearAttenuation = 0.0f;
    float quadraticAttenuation = 0.0f;
    // Spot cone cut-off in degrees and falloff exponent.
    float cutoff = 45.0f;
    float falloff = 2.0f;
    int32_t type = Point;
    CVector3d position;
    CVector3d direction{0.0f, 0.0f, 1.0f};
};
