#pragma once

#include "engine/core/MathUtils.h"

// A 2D point or direction in screen space (y grows downwards).
class CVector2d {
public:
    constexpr CVector2d() = default;
    constexpr CVector2d(float xValue, float yValue) : x(xValue), y(yValue) {}

    // Scales to length 1; the zero vector stays zero.
    CVector2d& normalize();

    // Rotates by `angle` degrees, computing the sine and cosine in double.
    CVector2d& rotateDegrees(double angle);
    // Rotates by a whole number of degrees through the sine table.
    CVector2d& rotateWholeDegrees(int angle);

    // Direction in [0, 360): 0 along +x, 90 straight up the screen (y < 0).
    [[nodiscard]] float angleInDegrees() const;

    [[nodiscard]] float length() const { return std::sqrt(x * x + y * y); }
    [[nodiscard]] float lengthSquared() const { return x * x + y * y; }

    // Equal when each component lies within kTolerance of the other's.
    friend bool operator==(const CVector2d& a, const CVector2d& b) {
        return equalsWithin(a.x, b.x) && equalsWithin(a.y, b.y);
    }

    CVector2d& operator+=(const CVector2d& other) {
        x += other.x;
        y += other.y;
        return *this;
    }
    CVector2d& operator-=(const CVector2d& other) {
        x -= other.x;
        y -= other.y;
        return *this;
    }
    CVector2d& operator*=(float scale) {
        x *= scale;
        y *= scale;
        return *this;
    }

    friend constexpr CVector2d operator+(const CVector2d& a, const CVector2d& b) { return {a.x + b.x, a.y + b.y}; }
    friend constexpr CVector2d operator-(const CVector2d& a, const CVector2d& b) { return {a.x - b.x, a.y - b.y}; }
    friend constexpr CVector2d operator-(const CVector2d& a) { return {-a.x, -a.y}; }
    friend constexpr CVector2d operator*(const CVector2d& a, float scale) { return {a.x * scale, a.y * scale}; }
    friend constexpr CVector2d operator*(float scale, const CVector2d& a) { return {a.x * scale, a.y * scale}; }

    float x = 0.0f;
    float y = 0.0f;
};
