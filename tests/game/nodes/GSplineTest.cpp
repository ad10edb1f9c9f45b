#include "game/nodes/GSpline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

GSpline splineThrough(const std::vector<CVector2d>& points) {
    GSpline spline;
    for (const CVector2d& p : points)
        spline.addPoint(p);
    return spline;
}

float gap(const CVector2d& a, const CVector2d& b) { return (a - b).length(); }

} // namespace

TEST(GSpline, TightnessIsClampedBeforeItBecomesTheTangentFactor) {
    const struct {
        float tightness;
        float factor;
    } cases[] = {{0.5f, 1.0f}, {1.0f, 1.0f}, {4.0f, 0.25f}, {10.0f, 0.1f}, {20.0f, 0.1f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tightness);
        GSpline spline;
        spline.setTightness(c.tightness);
        EXPECT_FLOAT_EQ(spline.getTangentFactor(), c.factor);
    }
}

TEST(GSpline, EvaluatesThroughItsControlPointsWithCardinalTangents) {
    GSpline spline = splineThrough({{0, 0}, {10, 20}, {40, 0}});
    EXPECT_EQ(spline.getPointAt(0.5f), CVector2d(10, 20)) << "the middle control point, exactly";
    EXPECT_EQ(spline.getPointAt(0.0f), CVector2d(0, 0));
    EXPECT_EQ(spline.getPointAt(1.0f), CVector2d(40, 0));
    EXPECT_EQ(spline.getPoint(3), CVector2d()) << "past the end";
    EXPECT_EQ(spline.getSegmentPoint(2, 0.5f), CVector2d()) << "no third segment";
    // Open ends take the one-sided difference; inside, half the neighbours'.
    EXPECT_EQ(spline.getTangent(0), CVector2d(5, 10));
    EXPECT_EQ(spline.getTangent(1), CVector2d(20, 0));
    EXPECT_EQ(spline.getTangent(2), CVector2d(15, -10));
    EXPECT_FALSE(spline.isClosed());

    // Halfway along the first segment of the Hermite cubic.
    const CVector2d half = spline.getSegmentPoint(0, 0.5f);
    EXPECT_FLOAT_EQ(half.x, 0.5f * 0 + 0.5f * 10 + 0.125f * 5 - 0.125f * 20);
    EXPECT_FLOAT_EQ(half.y, 0.5f * 0 + 0.5f * 20 + 0.125f * 10 - 0.125f * 0);
}

TEST(GSpline, AClosedSquareSharesItsEndTangent) {
    GSpline spline = splineThrough({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
    spline.setTightness(2.0f);
    spline.computeTangents();
    EXPECT_TRUE(spline.isClosed());
    EXPECT_EQ(spline.getTangent(0), spline.getTangent(4));
    // Wrapping round: from the last corner before the end to the second point.
    EXPECT_EQ(spline.getTangent(0), CVector2d(2.5f, -2.5f));
}

TEST(GSpline, ArcTableSamplesLieAboutAStepApartAndEndAtTheFullLength) {
    GSpline spline = splineThrough({{0, 0}, {100, 0}, {100, 60}});
    spline.buildArcTable(5.0f);
    const auto& samples = spline.getSamples();
    ASSERT_GT(samples.size(), 2u);
    EXPECT_EQ(samples[0], std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(samples.back().second, 1.0f);
    for (uint32_t i = 1; i + 1 < samples.size(); ++i) {
        // The first step is guessed before the curve's speed is known.
        EXPECT_NEAR(samples[i].first - samples[i - 1].first, 5.0f, i == 1 ? 1.0f : 0.31f) << i;
        EXPECT_GT(samples[i].second, samples[i - 1].second) << i;
    }
    // Longer than the straight legs' chord, shorter than the legs.
    EXPECT_GT(samples.back().first, std::hypot(100.0f, 60.0f));
    EXPECT_LT(samples.back().first, 165.0f);
}

TEST(GSpline, SmoothingSpacesPointsEvenlyAndKeepsBothEnds) {
    GSpline spline = splineThrough({{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}});
    spline.smooth(15.0f);
    const uint32_t n = spline.getPointCount();
    ASSERT_GT(n, 10u);
    EXPECT_EQ(spline.getPoint(0), CVector2d(0, 0));
    EXPECT_EQ(spline.getPoint(n - 1), CVector2d(0, 0));
    EXPECT_TRUE(spline.isClosed()) << "a closed curve stays closed";
    for (uint32_t i = 1; i + 1 < n; ++i) {
        EXPECT_GT(gap(spline.getPoint(i), spline.getPoint(i - 1)), 13.0f) << i;
        EXPECT_LT(gap(spline.getPoint(i), spline.getPoint(i - 1)), 18.0f) << i;
    }
}

TEST(GSpline, ShortCurvesAndSinglePointsAreLeftAsTheyMustBe) {
    const struct {
        const char* what;
        std::vector<CVector2d> points;
        float step;
        std::vector<CVector2d> expected;
    } cases[] = {
        {"one point", {{3, 4}}, 15.0f, {{3, 4}}},
        {"shorter than a step", {{0, 0}, {10, 0}}, 15.0f, {{0, 0}, {10, 0}}},
        {"step of 0 refused", {{0, 0}, {50, 0}, {50, 50}}, 0.0f, {{0, 0}, {50, 0}, {50, 50}}},
        {"negative step refused", {{0, 0}, {50, 0}}, -5.0f, {{0, 0}, {50, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GSpline spline = splineThrough(c.points);
        spline.smooth(c.step);
        ASSERT_EQ(spline.getPointCount(), c.expected.size());
        for (uint32_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(spline.getPoint(i), c.expected[i]);
    }
}

TEST(GSpline, RepeatedPointsAndDegenerateStepsEndWithoutNaN) {
    const struct {
        const char* what;
        std::vector<CVector2d> points;
        float step;
    } cases[] = {
        {"every point the same", {{5, 5}, {5, 5}, {5, 5}}, 10.0f},
        {"a repeated point inside", {{0, 0}, {40, 0}, {40, 0}, {40, 40}}, 10.0f},
        {"a step far below the curve", {{0, 0}, {1e4f, 0}}, 1e-3f},
        {"a step far beyond the curve", {{0, 0}, {1, 1}}, 1e6f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GSpline spline = splineThrough(c.points);
        spline.buildArcTable(c.step);
        for (const auto& [length, t] : spline.getSamples()) {
            ASSERT_TRUE(std::isfinite(length));
            ASSERT_TRUE(std::isfinite(t));
        }
        spline.smooth(c.step);
        for (uint32_t i = 0; i < spline.getPointCount(); ++i) {
            ASSERT_TRUE(std::isfinite(spline.getPoint(i).x)) << i;
            ASSERT_TRUE(std::isfinite(spline.getPoint(i).y)) << i;
        }
        EXPECT_EQ(spline.getPoint(0), c.points.front());
        EXPECT_EQ(spline.getPoint(spline.getPointCount() - 1), c.points.back());
    }
}
