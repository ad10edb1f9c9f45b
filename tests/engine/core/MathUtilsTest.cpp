#include "engine/core/MathUtils.h"

#include <gtest/gtest.h>

TEST(MathUtils, ToNearestIntRoundsHalvesUp) {
    const struct {
        float x;
        int expected;
    } cases[] = {{-0.5f, 0}, {2.5f, 3}, {-2.5f, -2}, {-0.6f, -1}, {1.49f, 1}, {0.0f, 0}, {-3.0f, -3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(toNearestInt(c.x), c.expected);
    }
}

TEST(MathUtils, ClampKeepsValuesInsideTheBounds) {
    EXPECT_EQ(clamp(5, 0, 10), 5);
    EXPECT_EQ(clamp(-5, 0, 10), 0);
    EXPECT_EQ(clamp(15, 0, 10), 10);
    EXPECT_FLOAT_EQ(clamp(1.5f, 0.0f, 1.0f), 1.0f);
    // Crossed bounds: the upper one wins, as min(high, max(value, low)).
    EXPECT_EQ(clamp(5, 10, 0), 0);
}

TEST(MathUtils, PowersOfTwoRoundUpAndStopBelowTheLargestInt) {
    const struct {
        int32_t value, expected;
    } cases[] = {{-5, 1},
                 {0, 1},
                 {1, 1},
                 {2, 2},
                 {3, 4},
                 {300, 512},
                 {512, 512},
                 {513, 1024},
                 {1 << 30, 1 << 30},
                 {(1 << 30) + 1, 1 << 30},
                 {INT32_MAX, 1 << 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(roundUpToPowerOfTwo(c.value), c.expected);
    }
}

TEST(MathUtils, ToleranceTestsIncludeTheirBounds) {
    EXPECT_TRUE(equalsWithin(1.0f, 1.0f));
    EXPECT_TRUE(equalsWithin(1.0f, 1.0000005f));
    EXPECT_FALSE(equalsWithin(1.0f, 1.00001f));
    EXPECT_TRUE(equalsWithin(10.0f, 10.5f, 0.5f));
    EXPECT_TRUE(equalsWithin(10.0f, 9.5f, 0.5f));
    EXPECT_FALSE(equalsWithin(10.0f, 10.75f, 0.5f));

    EXPECT_TRUE(isWithin(-2.0f, 2.0f));
    EXPECT_TRUE(isWithin(2.0f, 2.0f));
    EXPECT_FALSE(isWithin(-2.5f, 2.0f));
}

TEST(MathUtils, ConstantsComeFromPi) {
    EXPECT_DOUBLE_EQ(kDegToRadD * 180.0, 3.141592653589793);
    EXPECT_DOUBLE_EQ(kRadToDegD * 3.141592653589793, 180.0);
    EXPECT_FLOAT_EQ(kDegToRad, 0.017453292f);
    EXPECT_FLOAT_EQ(kRadToDeg, 57.29578f);
    EXPECT_FLOAT_EQ(kInvPi, 0.31830987f);
    EXPECT_DOUBLE_EQ(kInvPiD, 0.3183098861837907);
    EXPECT_FLOAT_EQ(kHalfPi, 1.5707964f);
    // The easing curves use these; their values are the nearest floats.
    EXPECT_EQ(kPi, 3.1415927f);
    EXPECT_EQ(kHalfPi, 1.5707964f);
    EXPECT_EQ(kTwoPi, 6.2831855f);
}

TEST(MathUtils, SineTableHoldsWholeDegrees) {
    const std::array<float, 360>& table = sineTable();
    EXPECT_EQ(table[0], 0.0f);
    EXPECT_EQ(table[30], 0.5f);
    EXPECT_EQ(table[90], 1.0f);
    EXPECT_EQ(table[270], -1.0f);
    EXPECT_NEAR(table[180], 0.0f, 1e-7f);
    EXPECT_NEAR(table[45], 0.70710678f, 1e-7f);
    EXPECT_NEAR(table[359], -0.017452406f, 1e-7f);
}
