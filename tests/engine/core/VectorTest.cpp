#include "engine/core/CRect.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector2di.h"
#include "engine/core/CVector3d.h"

#include <gtest/gtest.h>

#include <climits>

TEST(CVector2d, NormalizeScalesToUnitLengthAndLeavesZeroAlone) {
    CVector2d v(3.0f, -4.0f);
    v.normalize();
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, -0.8f);

    CVector2d zero;
    zero.normalize();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
}

TEST(CVector2d, EqualityAllowsTheSystemTolerance) {
    EXPECT_EQ(CVector2d(1.0f, 2.0f), CVector2d(1.0000005f, 1.9999995f));
    EXPECT_NE(CVector2d(1.0f, 2.0f), CVector2d(1.00001f, 2.0f));
    EXPECT_NE(CVector2d(1.0f, 2.0f), CVector2d(1.0f, 2.00001f));
}

TEST(CVector2d, ArithmeticIsComponentWise) {
    const CVector2d a(1.0f, 2.0f);
    const CVector2d b(0.5f, -4.0f);
    EXPECT_EQ(a + b, CVector2d(1.5f, -2.0f));
    EXPECT_EQ(a - b, CVector2d(0.5f, 6.0f));
    EXPECT_EQ(a * 3.0f, CVector2d(3.0f, 6.0f));
    EXPECT_EQ(2.0f * b, CVector2d(1.0f, -8.0f));
    EXPECT_EQ(-a, CVector2d(-1.0f, -2.0f));
    CVector2d c = a;
    c += b;
    c -= CVector2d(1.0f, 1.0f);
    c *= 2.0f;
    EXPECT_EQ(c, CVector2d(1.0f, -6.0f));
    EXPECT_FLOAT_EQ(CVector2d(3.0f, 4.0f).length(), 5.0f);
}

TEST(CVector2d, RotateDegreesTurnsFromXTowardsY) {
    const struct {
        CVector2d from;
        double angle;
        CVector2d expected;
    } cases[] = {
        {{1.0f, 0.0f}, 90.0, {0.0f, 1.0f}},
        {{1.0f, 0.0f}, -90.0, {0.0f, -1.0f}},
        {{2.0f, 0.0f}, 30.0, {1.7320508f, 1.0f}},
        {{0.0f, 1.0f}, 45.0, {-0.70710678f, 0.70710678f}},
        {{3.0f, -2.0f}, 180.0, {-3.0f, 2.0f}},
        {{3.0f, -2.0f}, 360.0, {3.0f, -2.0f}},
        {{1.0f, 1.0f}, 0.5, {0.99123539f, 1.00868846f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        CVector2d v = c.from;
        v.rotateDegrees(c.angle);
        EXPECT_NEAR(v.x, c.expected.x, 1e-6f);
        EXPECT_NEAR(v.y, c.expected.y, 1e-6f);
    }
}

TEST(CVector2d, RotateWholeDegreesUsesTheTableForAnyAngle) {
    CVector2d v(1.0f, 0.0f);
    v.rotateWholeDegrees(-90);
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, -1.0f);

    const CVector2d start(2.5f, -1.25f);
    auto turned = [&](int angle) {
        CVector2d r = start;
        r.rotateWholeDegrees(angle);
        return r;
    };
    const struct {
        int angle;
        int same;
    } equivalents[] = {{450, 90}, {-270, 90}, {720, 0}, {-1, 359}, {INT_MAX, 127}, {INT_MIN, 232}};
    for (const auto& e : equivalents) {
        SCOPED_TRACE(e.angle);
        const CVector2d a = turned(e.angle);
        const CVector2d b = turned(e.same);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
    }

    // The table and the exact rotation agree.
    for (int angle : {1, 30, 123, 271, -45}) {
        SCOPED_TRACE(angle);
        CVector2d exact = start;
        exact.rotateDegrees(angle);
        EXPECT_NEAR(turned(angle).x, exact.x, 1e-6f);
        EXPECT_NEAR(turned(angle).y, exact.y, 1e-6f);
    }
}

TEST(CVector2d, AngleInDegreesMeasuresUpTheScreen) {
    const struct {
        CVector2d v;
        float expected;
    } cases[] = {
        {{1.0f, 0.0f}, 0.0f},   {{0.0f, -1.0f}, 90.0f},   {{-1.0f, 0.0f}, 180.0f},  {{0.0f, 1.0f}, 270.0f},
        {{1.0f, 1.0f}, 315.0f}, {{1.0f, -1.0f}, 45.0f},   {{-1.0f, -1.0f}, 135.0f}, {{-1.0f, 1.0f}, 225.0f},
        {{0.0f, 0.0f}, 0.0f},   {{-4.0f, -0.0f}, 180.0f}, {{5.0f, 0.0f}, 0.0f},     {{0.0f, -0.25f}, 90.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.v.x << ", " << c.v.y);
        EXPECT_EQ(c.v.angleInDegrees(), c.expected);
    }

    const struct {
        CVector2d v;
        float expected;
    } near[] = {
        {{1.7320508f, -1.0f}, 30.0f},  {{1.0f, -1.7320508f}, 60.0f}, {{-1.7320508f, -1.0f}, 150.0f},
        {{-1.0f, 1.7320508f}, 240.0f}, {{1.7320508f, 1.0f}, 330.0f},
    };
    for (const auto& c : near) {
        SCOPED_TRACE(c.expected);
        EXPECT_NEAR(c.v.angleInDegrees(), c.expected, 1e-4f);
    }
}

TEST(CVector2d, AngleInDegreesStaysBelow360) {
    // Just below the +x axis the exact angle rounds up to 360 in single precision.
    for (float y : {1e-8f, 1e-6f, 1e-12f}) {
        SCOPED_TRACE(y);
        const float angle = CVector2d(1.0f, y).angleInDegrees();
        EXPECT_GE(angle, 0.0f);
        EXPECT_LT(angle, 360.0f);
    }
}

TEST(CVector2di, ComparesExactlyAndAddsComponentWise) {
    EXPECT_EQ(CVector2di(3, -4), CVector2di(3, -4));
    EXPECT_NE(CVector2di(3, -4), CVector2di(3, -5));
    EXPECT_EQ(CVector2di(3, -4) + CVector2di(1, 1), CVector2di(4, -3));
    EXPECT_EQ(CVector2di(3, -4) - CVector2di(1, 1), CVector2di(2, -5));
    EXPECT_EQ(CVector2di(3, -4) * 2, CVector2di(6, -8));
}

TEST(CVector3d, AddsAndComparesWithinATolerance) {
    const CVector3d sum = CVector3d(1.0f, 2.0f, 3.0f) + CVector3d(0.5f, -1.0f, 2.0f);
    EXPECT_TRUE(sum.equals(CVector3d(1.5f, 1.0f, 5.0f)));
    EXPECT_FALSE(sum.equals(CVector3d(1.5f, 1.0f, 5.001f)));
    EXPECT_TRUE(sum.equals(CVector3d(1.5f, 1.0f, 5.001f), 0.01f));
    EXPECT_FALSE(sum.equals(CVector3d(1.52f, 1.0f, 5.0f), 0.01f));
    EXPECT_TRUE((sum - CVector3d(1.5f, 1.0f, 5.0f)).equals(CVector3d()));
    EXPECT_TRUE((sum * 2.0f).equals(CVector3d(3.0f, 2.0f, 10.0f)));
    EXPECT_FLOAT_EQ(CVector3d(2.0f, 3.0f, 6.0f).length(), 7.0f);
}

TEST(CRect, SizeContainmentAndOffset) {
    const CRect r(10.0f, 20.0f, 50.0f, 30.0f);
    EXPECT_EQ(r.width(), 40.0f);
    EXPECT_EQ(r.height(), 10.0f);
    EXPECT_EQ(r.topLeft(), CVector2d(10.0f, 20.0f));
    EXPECT_EQ(r.bottomRight(), CVector2d(50.0f, 30.0f));

    const struct {
        CVector2d point;
        bool inside;
    } cases[] = {
        {{10.0f, 20.0f}, true},   {{50.0f, 30.0f}, true},  {{30.0f, 25.0f}, true},  {{9.99f, 25.0f}, false},
        {{50.01f, 25.0f}, false}, {{30.0f, 19.9f}, false}, {{30.0f, 30.1f}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.point.x << ", " << c.point.y);
        EXPECT_EQ(r.contains(c.point), c.inside);
    }

    const CRect moved = r + CVector2d(-10.0f, 5.0f);
    EXPECT_EQ(moved.left, 0.0f);
    EXPECT_EQ(moved.top, 25.0f);
    EXPECT_EQ(moved.right, 40.0f);
    EXPECT_EQ(moved.bottom, 35.0f);
    EXPECT_EQ(CRect(CVector2d(1.0f, 2.0f), CVector2d(3.0f, 4.0f)).bottom, 4.0f);
}
