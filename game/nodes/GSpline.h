#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CVector2d.h"

#include <utility>

// A cubic Hermite curve through 2D points with cardinal tangents (the
// neighbours' difference scaled by the tightness factor). It is closed when
// its first and last points are equal. `smooth` replaces the points by points
// spaced evenly along the curve, which is how the serve-area outline gets its
// evenly laid elements.
class GSpline {
public:
    GSpline() = default;

    void addPoint(const CVector2d& point);
    // Factor 1 / x, with x kept within 1 to 10.
    void setTightness(float x);
    [[nodiscard]] float getTangentFactor() const { return m_tangentFactor; }

    [[nodiscard]] uint32_t getPointCount() const { return m_points.size(); }
    // (0, 0) for an index past the end.
    [[nodiscard]] CVector2d getPoint(uint32_t i) const;
    [[nodiscard]] CVector2d getTangent(uint32_t i) const;
    [[nodiscard]] bool isClosed() const { return m_closed; }

    void computeTangents();
    // Point at `x` (0 to 1) along segment `i`; (0, 0) past the last segment.
    [[nodiscard]] CVector2d getSegmentPoint(uint32_t i, float x);
    // Point at `x` (0 to 1) along the whole curve; every segment gets the same
    // share of `x`, whatever its length.
    [[nodiscard]] CVector2d getPointAt(float x);

    // Samples (arc length, parameter) about `step` apart along the curve, the
    // last one at the end with the full length. A step of 0 or below builds
    // nothing.
    void buildArcTable(float step);
    [[nodiscard]] const CArray<std::pair<float, float>>& getSamples() const { return m_samples; }
    // Replaces the points by the first point, points at least `step` apart
    // along the curve, and the last point. Nothing for a step of 0 or below.
    void smooth(float step);

private:
    bool m_closed = false;
    bool m_dirty = false;
    CArray<CVector2d> m_points;
    CArray<CVector2d> m_tangents;
    CArray<std::pair<float, float>> m_samples;
    float m_tangentFactor = 1.0f;
};
