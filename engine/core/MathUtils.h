#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

// Angle conversion factors, in single and double precision.
inline constexpr float kPi = std::numbers::pi_v<float>;
inline constexpr double kPiD = std::numbers::pi;
inline constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;
inline constexpr float kTwoPi = std::numbers::pi_v<float> * 2.0f;
inline constexpr float kDegToRad = static_cast<float>(std::numbers::pi / 180.0);
inline constexpr double kDegToRadD = std::numbers::pi / 180.0;
inline constexpr float kRadToDeg = static_cast<float>(180.0 / std::numbers::pi);
inline constexpr double kRadToDegD = 180.0 / std::numbers::pi;
inline constexpr float kInvPi = std::numbers::inv_pi_v<float>;
inline constexpr double kInvPiD = std::numbers::inv_pi;

// The tolerance the engine compares floats with.
inline constexpr float kTolerance = 1e-6f;

// sin(k degrees) for whole degrees k = 0 to 359, built once on first use.
[[nodiscard]] const std::array<float, 360>& sineTable();

// floor(x + 0.5): halves round up, also below zero (-0.5 gives 0).
[[nodiscard]] inline int toNearestInt(float x) { return static_cast<int>(std::floor(x + 0.5f)); }

// min(high, max(value, low)).
template <class T> [[nodiscard]] constexpr T clamp(T value, T low, T high) {
    const T raised = value < low ? low : value;
    return raised < high ? raised : high;
}

// The smallest power of two not below `value`: 1 for 0 and 1; at most 2^30,
// the largest an int holds (texture sides padded for older devices).
[[nodiscard]] constexpr int32_t roundUpToPowerOfTwo(int32_t value) {
    int32_t power = 1;
    while (power < value && power < (1 << 30))
        power *= 2;
    return power;
}

// True when b lies in [a - tolerance, a + tolerance].
[[nodiscard]] inline bool equalsWithin(float a, float b, float tolerance = kTolerance) {
    return b >= a - tolerance && b <= a + tolerance;
}

// True when |a| <= bound.
[[nodiscard]] inline bool isWithin(float a, float bound) { return std::fabs(a) <= bound; }
