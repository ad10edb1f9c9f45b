#include "game/nodes/GSpline.h"

#include <algorithm>
#include <cmath>

namespace {

// Most samples one arc table may take: a curve that keeps refusing to advance
// (a stretch of zero length, a parameter step that underflows) stops here.
constexpr int kMaxArcIterations = 100000;

float distance(const CVector2d& a, const CVector2d& b) { return (a - b).length(); }

} // namespace

void GSpline::addPoint(const CVector2d& point) {
    m_points.push_back(point);
    m_dirty = true;
}

void GSpline::setTightness(float x) {
    m_tangentFactor = 1.0f / std::clamp(x, 1.0f, 10.0f);
    m_dirty = true;
}

CVector2d GSpline::getPoint(uint32_t i) const { return i < m_points.size() ? m_points[i] : CVector2d(); }

CVector2d GSpline::getTangent(uint32_t i) const { return i < m_tangents.size() ? m_tangents[i] : CVector2d(); }

void GSpline::computeTangents() {
    const uint32_t n = m_points.size();
    if (n < 2) {
        m_closed = false;
        return;
    }
    m_closed = m_points[0] == m_points[n - 1];
    const float f = m_tangentFactor * 0.5f;
    m_tangents.clear();
    const CVector2d before = m_closed ? m_points[n - 2] : m_points[0];
    m_tangents.push_back((m_points[1] - before) * f);
    for (uint32_t i = 1; i + 1 < n; ++i)
        m_tangents.push_back((m_points[i + 1] - m_points[i - 1]) * f);
    m_tangents.push_back(m_closed ? m_tangents[0] : (m_points[n - 1] - m_points[n - 2]) * f);
}

CVector2d GSpline::getSegmentPoint(uint32_t i, float x) {
    if (m_dirty) {
        computeTangents();
        m_dirty = false;
    }
    if (i + 1 >= m_points.size() || i + 1 >= m_tangents.size())
        return {};
    if (x <= 1e-6f)
        return m_points[i];
    if (x >= 0.999999f)
        return m_points[i + 1];
    const float x2 = x * x;
    const float x3 = x2 * x;
    const float h00 = 2.0f * x3 - 3.0f * x2 + 1.0f;
    const float h01 = 3.0f * x2 - 2.0f * x3;
    const float h10 = x3 - 2.0f * x2 + x;
    const float h11 = x3 - x2;
    return m_points[i] * h00 + m_points[i + 1] * h01 + m_tangents[i] * h10 + m_tangents[i + 1] * h11;
}

CVector2d GSpline::getPointAt(float x) {
    const uint32_t n = m_points.size();
    if (n <= 1)
        return {};
    if (x <= 1e-6f)
        return m_points[0];
    if (x >= 0.999999f)
        return m_points[n - 1];
    const float s = x * float(n - 1);
    const float whole = std::floor(s);
    if (whole >= float(n - 1))
        return m_points[n - 1];
    return getSegmentPoint(uint32_t(whole), s - whole);
}

void GSpline::buildArcTable(float step) {
    const uint32_t n = m_points.size();
    m_samples.clear();
    if (n < 2 || !(step > 0.0f))
        return;
    m_samples.push_back({0.0f, 0.0f});
    float dt = 0.01f;
    float t = 0.0f;
    float total = 0.0f;
    CVector2d prev = m_points[0];
    for (int iteration = 0; iteration < kMaxArcIterations; ++iteration) {
        float next = t + dt;
        CVector2d q = getPointAt(next);
        float d = distance(q, prev);
        // A stretch that does not move (repeated points) gives no length to
        // scale the step by: keep the step and walk on.
        if (d > 0.0f && std::fabs(d - step) > 0.3f) {
            dt = step * dt / d;
            next = t + dt;
            q = getPointAt(next);
            d = distance(q, prev);
        }
        t = next;
        total += d;
        if (t >= 1.0f)
            break;
        if (d > 0.0f) {
            m_samples.push_back({total, t});
            dt = step * dt / d;
        }
        // An underflowing step would never reach the end.
        if (!(dt > 1e-7f))
            dt = 1e-7f;
        prev = q;
    }
    m_samples.push_back({m_samples.back().first + distance(m_points[n - 1], prev), 1.0f});
}

void GSpline::smooth(float step) {
    if (m_points.size() <= 1 || !(step > 0.0f))
        return;
    GSpline copy(*this);
    copy.computeTangents();
    copy.m_dirty = false;
    copy.buildArcTable(step / 1.6f);
    const CArray<std::pair<float, float>>& samples = copy.m_samples;
    if (samples.size() <= 1)
        return;

    m_points.clear();
    m_tangents.clear();
    m_samples.clear();
    m_points.push_back(copy.m_points[0]);
    const float length = samples.back().first - 0.1f;
    const int count = int(std::floor(length / step));
    if (count > 0) {
        const float seg = length / float(count);
        float target = seg;
        uint32_t j = 0;
        for (int added = 0; added < count; ++added) {
            while (j < samples.size() && samples[j].first < target)
                ++j;
            if (j == 0 || j + 1 >= samples.size())
                break;
            const auto& [len0, t0] = samples[j - 1];
            const auto& [len1, t1] = samples[j];
            const float t = t0 + (t1 - t0) / (len1 - len0) * (target - len0);
            m_points.push_back(copy.getPointAt(t));
            target += seg;
        }
    }
    m_points.push_back(copy.m_points[copy.m_points.size() - 1]);
    m_dirty = true;
    computeTangents();
}
