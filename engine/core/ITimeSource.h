#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

// Where a clock reads the real time: milliseconds from an arbitrary start,
// wrapping at 32 bits. Tests put a scripted source behind a clock.
class ITimeSource : public virtual CRefCounted {
public:
    [[nodiscard]] virtual uint32_t nowMs() const = 0;
};
