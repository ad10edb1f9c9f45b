#include "engine/core/CPerformanceCounter.h"

#include <chrono>

uint32_t CPerformanceCounter::nowMs() const {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    // Only the low 32 bits are kept; clock arithmetic is modulo 2^32.
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}
