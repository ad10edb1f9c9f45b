#include "engine/core/CVector2d.h"

CVector2d& CVector2d::normalize() {
    const float squared = x * x + y * y;
    if (squared != 0.0f) {
        const float inverse = 1.0f / std::sqrt(squared);
        x *= inverse;
        y *= inverse;
    }
    return *this;
}

CVector2d& CVector2d::rotateDegrees(double angle) {
    const double radians = angle * kDegToRadD;
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    const float oldX = x;
    x = oldX * c - y * s;
    y = y * c + oldX * s;
    return *this;
}

CVector2d& CVector2d::rotateWholeDegrees(int angle) {
    int a = angle % 360;
    if (a < 0)
        a += 360;
    // (angle + 90) mod 360 taken from a, so that angles near INT_MAX cannot overflow.
    const int b = (a + 90) % 360;
    const std::array<float, 360>& table = sineTable();
    const float s = table[a];
    const float c = table[b];
    const float oldX = x;
    x = oldX * c - s * y;
    y = c * y + s * oldX;
    return *this;
}

float CVector2d::angleInDegrees() const {
    if (y == 0.0f)
        return x < 0.0f ? 180.0f : 0.0f;
    if (x == 0.0f)
        return y < 0.0f ? 90.0f : 270.0f;

    const double dx = x;
    const double dy = y;
    const double u = dy / std::sqrt(dx * dx + dy * dy);
    const double t = std::atan(std::sqrt(1.0 - u * u) / u) * kRadToDegD;
    double angle;
    if (x > 0.0f)
        angle = y > 0.0f ? t + 270.0 : t + 90.0;
    else
        angle = y < 0.0f ? 90.0 - t : 270.0 - t;
    // A direction a hair below +x would round up to 360 in single precision.
    const float result = static_cast<float>(angle);
    return result >= 360.0f ? 0.0f : result;
}
