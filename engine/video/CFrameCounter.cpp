#include "engine/video/CFrameCounter.h"

#include <cmath>

void CFrameCounter::start(uint32_t now) {
    m_intervalStart = now;
    m_framesInInterval = 0;
    m_primitivesInInterval = 0;
}

void CFrameCounter::registerFrame(uint32_t now, uint32_t primitives) {
    m_primitivesTotal += primitives;
    m_primitivesInInterval += primitives;
    ++m_framesInInterval;
    m_primitivesLastFrame = primitives;

    const uint32_t elapsed = now - m_intervalStart;
    if (elapsed < IntervalMs)
        return;
    // Single precision on purpose: the figures are for display.
    const float perMs = 1.0f / static_cast<float>(elapsed);
    m_framesPerSecond = static_cast<uint32_t>(std::ceil(static_cast<float>(m_framesInInterval) * 1000.0f * perMs));
    m_primitivesPerSecond =
        static_cast<uint32_t>(std::ceil(static_cast<float>(m_primitivesInInterval) * 1000.0f * perMs));
    m_intervalStart = now;
    m_framesInInterval = 0;
    m_primitivesInInterval = 0;
}
