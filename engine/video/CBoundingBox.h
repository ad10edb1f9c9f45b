#pragma once

#include "engine/core/CVector3d.h"

#include <algorithm>

// An axis-aligned box given by its minimum and maximum corners.
class CBoundingBox {
public:
    constexpr CBoundingBox() = default;
    constexpr CBoundingBox(const CVector3d& minimumValue, const CVector3d& maximumValue)
        : minimum(minimumValue), maximum(maximumValue) {}

    // Both corners at `point`.
    void reset(const CVector3d& point) {
        minimum = point;
        maximum = point;
    }

    // Grows the box, per axis, to include `point`.
    void addPoint(const CVector3d& point) {
        minimum.x = std::min(minimum.x, point.x);
        minimum.y = std::min(minimum.y, point.y);
        minimum.z = std::min(minimum.z, point.z);
        maximum.x = std::max(maximum.x, point.x);
        maximum.y = std::max(maximum.y, point.y);
        maximum.z = std::max(maximum.z, point.z);
    }

    CVector3d minimum;
    CVector3d maximum;
};
