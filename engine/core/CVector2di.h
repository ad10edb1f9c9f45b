#pragma once

// A 2D size or grid position in whole units; compares exactly.
class CVector2di {
public:
    constexpr CVector2di() = default;
    constexpr CVector2di(int xValue, int yValue) : x(xValue), y(yValue) {}

    friend constexpr bool operator==(const CVector2di& a, const CVector2di& b) = default;

    friend constexpr CVector2di operator+(const CVector2di& a, const CVector2di& b) { return {a.x + b.x, a.y + b.y}; }
    friend constexpr CVector2di operator-(const CVector2di& a, const CVector2di& b) { return {a.x - b.x, a.y - b.y}; }
    friend constexpr CVector2di operator*(const CVector2di& a, int scale) { return {a.x * scale, a.y * scale}; }

    int x = 0;
    int y = 0;
};
