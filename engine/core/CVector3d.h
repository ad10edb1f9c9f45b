#pragma once

#include "engine/core/MathUtils.h"

// A 3D point, direction or scale.
class CVector3d {
public:
    constexpr CVector3d() = default;
    constexpr CVector3d(float xValue, float yValue, float zValue) : x(xValue), y(yValue), z(zValue) {}

    // Equal when each component lies within `tolerance` of the other's.
    [[nodiscard]] bool equals(const CVector3d& other, float tolerance = kTolerance) const {
        return equalsWithin(x, other.x, tolerance) && equalsWithin(y, other.y, tolerance) &&
               equalsWithin(z, other.z, tolerance);
    }

    [[nodiscard]] float length() const { return std::sqrt(x * x + y * y + z * z); }

    CVector3d& operator+=(const CVector3d& other) {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }

    friend constexpr CVector3d operator+(const CVector3d& a, const CVector3d& b) {
        return {a.x + b.x, a.y + b.y, a.z + b.z};
    }
    friend constexpr CVector3d operator-(const CVector3d& a, const CVector3d& b) {
        return {a.x - b.x, a.y - b.y, a.z - b.z};
    }
    friend constexpr CVector3d operator*(const CVector3d& a, float scale) {
        return {a.x * scale, a.y * scale, a.z * scale};
    }

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
