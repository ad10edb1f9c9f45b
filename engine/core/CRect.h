#pragma once

#include "engine/core/CVector2d.h"

// An axis-aligned rectangle in screen space: left/top is the corner nearest
// the origin when the rectangle is well formed.
class CRect {
public:
    constexpr CRect() = default;
    constexpr CRect(float leftValue, float topValue, float rightValue, float bottomValue)
        : left(leftValue), top(topValue), right(rightValue), bottom(bottomValue) {}
    constexpr CRect(const CVector2d& topLeft, const CVector2d& bottomRight)
        : left(topLeft.x), top(topLeft.y), right(bottomRight.x), bottom(bottomRight.y) {}

    [[nodiscard]] constexpr float width() const { return right - left; }
    [[nodiscard]] constexpr float height() const { return bottom - top; }
    [[nodiscard]] constexpr CVector2d topLeft() const { return {left, top}; }
    [[nodiscard]] constexpr CVector2d bottomRight() const { return {right, bottom}; }

    // True when the point lies inside or on the border.
    [[nodiscard]] constexpr bool contains(const CVector2d& point) const {
        return point.x >= left && point.x <= right && point.y >= top && point.y <= bottom;
    }

    friend constexpr bool operator==(const CRect& a, const CRect& b) = default;

    // The rectangle moved by `offset`.
    friend constexpr CRect operator+(const CRect& rect, const CVector2d& offset) {
        return {rect.left + offset.x, rect.top + offset.y, rect.right + offset.x, rect.bottom + offset.y};
    }

    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};
