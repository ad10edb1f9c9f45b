#pragma once

#include <cstdint>

// Counts frames and primitives and turns them into rates. Each interval runs
// at least 1,500 ms of clock time; the rates of the last finished interval
// are kept until the next one finishes.
class CFrameCounter {
public:
    static constexpr uint32_t IntervalMs = 1500;

    // Starts the first interval at `now` (ms of the driver's clock).
    void start(uint32_t now);
    // A frame that drew `primitives`, finished at clock time `now` (ms; the
    // clock may wrap at 32 bits).
    void registerFrame(uint32_t now, uint32_t primitives);

    [[nodiscard]] uint32_t framesPerSecond() const { return m_framesPerSecond; }
    [[nodiscard]] uint32_t primitivesLastFrame() const { return m_primitivesLastFrame; }
    [[nodiscard]] uint32_t primitivesPerSecond() const { return m_primitivesPerSecond; }
    [[nodiscard]] uint32_t primitivesTotal() const { return m_primitivesTotal; }

private:
    uint32_t m_framesPerSecond = 60;
    uint32_t m_primitivesLastFrame = 0;
    uint32_t m_intervalStart = 0;
    uint32_t m_framesInInterval = 0;
    uint32_t m_primitivesInInterval = 0;
    uint32_t m_primitivesPerSecond = 0;
    uint32_t m_primitivesTotal = 0;
};
