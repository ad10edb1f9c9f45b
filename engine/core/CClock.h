#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/ITimeSource.h"

#include <cstdint>

// The engine's time base, in milliseconds: the real time of the counter and
// a virtual time that stands still while the clock is paused. The device
// stamps each run step with `setFrameTime`; the virtual time advances by
// frame stamps, so everything within one step sees the same time.
// All times wrap modulo 2^32.
class CClock : public CRefCounted {
public:
    // A clock on the machine's performance counter.
    CClock();
    // A clock reading `source` (shared: the clock takes a reference); null
    // means the performance counter.
    explicit CClock(ITimeSource* source);

    // Real time in milliseconds.
    [[nodiscard]] uint32_t now() const { return m_counter->nowMs(); }

    // Time gathered while running, up to the current frame stamp.
    [[nodiscard]] uint32_t virtualTime() const;

    void setFrameTime(uint32_t ms) { m_frameTime = ms; }
    [[nodiscard]] uint32_t frameTime() const { return m_frameTime; }

    // Pauses nest: each pause needs its resume before the clock runs again.
    // A resume of a running clock does nothing.
    void pause();
    void resume();

    [[nodiscard]] bool isPaused() const { return m_pauseDepth > 0; }
    [[nodiscard]] int pauseDepth() const { return m_pauseDepth; }

private:
    void restart();

    CRefHandle<ITimeSource> m_counter;
    int m_pauseDepth = 0;
    uint32_t m_startTime = 0;
    uint32_t m_accumulated = 0;
    uint32_t m_frameTime = 0;
};
