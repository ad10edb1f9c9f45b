#include "engine/core/Easing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Curves whose ends are handled exactly: exponential (13-15) and elastic (22-24).
bool hasExactEnds(unsigned index) { return (index >= 13 && index <= 15) || (index >= 22 && index <= 24); }

} // namespace

TEST(Easing, EveryCurveRunsFromBToBPlusC) {
    const struct {
        float b;
        float c;
    } spans[] = {{0.0f, 1.0f}, {3.0f, -5.0f}, {-120.0f, 480.0f}, {7.5f, 0.0f}};
    for (unsigned index = 0; index < kEasingFunctionCount; ++index) {
        const EasingFunction curve = getEasingFunction(index);
        ASSERT_NE(curve, nullptr) << index;
        for (const auto& s : spans) {
            SCOPED_TRACE(::testing::Message() << "curve " << index << ", b " << s.b << ", c " << s.c);
            const float tolerance = hasExactEnds(index) ? 0.0f : 1e-5f * (std::fabs(s.b) + std::fabs(s.c) + 1.0f);
            EXPECT_NEAR(curve(0.0f, s.b, s.c), s.b, tolerance);
            EXPECT_NEAR(curve(1.0f, s.b, s.c), s.b + s.c, tolerance);
            EXPECT_EQ(evaluateEasing(index, 0.37f, s.b, s.c), curve(0.37f, s.b, s.c));
        }
    }
}

TEST(Easing, MidpointValues) {
    // Worked out by hand from each curve's formula with b = 0 and c = 1.
    const struct {
        unsigned index;
        float t;
        float expected;
    } cases[] = {
        {0, 0.25f, 0.25f},        // linear
        {1, 0.5f, 0.25f},         // t^2
        {2, 0.5f, 0.75f},         // 1 - (1 - t)^2
        {3, 0.25f, 0.125f},       // 2 t^2
        {3, 0.75f, 0.875f},       //
        {4, 0.5f, 0.125f},        // t^3
        {5, 0.5f, 0.875f},        // 1 - (1 - t)^3
        {6, 0.25f, 0.0625f},      // 4 t^3
        {7, 0.5f, 0.0625f},       // t^4
        {8, 0.5f, 0.9375f},       //
        {9, 0.75f, 0.96875f},     // 1 - 8 (1 - t)^4
        {10, 0.5f, 0.03125f},     // t^5
        {11, 0.5f, 0.96875f},     //
        {12, 0.25f, 0.015625f},   // 16 t^5
        {13, 0.5f, 0.03125f},     // 2^-5
        {14, 0.5f, 0.96875f},     // 1 - 2^-5
        {15, 0.25f, 0.015625f},   // 2^-5 / 2
        {15, 0.75f, 0.984375f},   // 1 - 2^-5 / 2
        {16, 0.5f, 0.29289322f},  // 1 - cos 45 degrees
        {17, 0.5f, 0.70710678f},  // sin 45 degrees
        {18, 0.25f, 0.14644661f}, // (1 - cos 45 degrees) / 2
        {19, 0.5f, 0.13397460f},  // 1 - sqrt(0.75)
        {20, 0.5f, 0.86602540f},  // sqrt(0.75)
        {21, 0.25f, 0.06698730f}, // (1 - sqrt(0.75)) / 2
        {22, 0.5f, -0.015625f},   // -sin(30 degrees) * 2^-5
        {23, 0.5f, 1.015625f},    // 1 + sin(150 degrees) * 2^-5
        {25, 0.5f, 0.234375f},    // 1 - bounce out (0.5)
        {26, 0.5f, 0.765625f},    // 7.5625 (1/22)^2 + 0.75
        {26, 0.25f, 0.47265625f}, // 7.5625 t^2
        {27, 0.75f, 0.8828125f},  // bounce out (0.5) / 2 + 0.5
        {28, 0.5f, -0.0876975f},  // 0.25 (1.35079 - 1.70158)
        {29, 0.5f, 1.0876975f},   //
        {30, 0.5f, 0.5f},         //
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "curve " << c.index << " at " << c.t);
        EXPECT_NEAR(evaluateEasing(c.index, c.t, 0.0f, 1.0f), c.expected, 2e-6f);
    }
    // In-out curves pass the middle at b + c / 2.
    for (unsigned index : {3u, 6u, 9u, 12u, 15u, 18u, 21u, 24u, 27u, 30u}) {
        SCOPED_TRACE(index);
        EXPECT_NEAR(evaluateEasing(index, 0.5f, 10.0f, 4.0f), 12.0f, 1e-5f);
    }
}

TEST(Easing, BackAndElasticCurvesOvershoot) {
    EXPECT_LT(evaluateEasing(28, 0.2f, 0.0f, 1.0f), 0.0f);
    EXPECT_GT(evaluateEasing(29, 0.8f, 0.0f, 1.0f), 1.0f);
    EXPECT_LT(evaluateEasing(30, 0.1f, 0.0f, 1.0f), 0.0f);
    EXPECT_GT(evaluateEasing(23, 0.2f, 0.0f, 1.0f), 1.0f);
}

TEST(Easing, IndicesPastTheTableHaveNoCurve) {
    EXPECT_EQ(getEasingFunction(31), nullptr);
    EXPECT_EQ(getEasingFunction(static_cast<unsigned>(-1)), nullptr);
    EXPECT_EQ(evaluateEasing(31, 0.5f, 7.0f, 3.0f), 7.0f);
    EXPECT_EQ(evaluateEasing(static_cast<unsigned>(-1), 0.5f, 7.0f, 3.0f), 7.0f);
}
