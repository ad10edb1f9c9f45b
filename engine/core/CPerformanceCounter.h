#pragma once

#include "engine/core/ITimeSource.h"

// The machine's monotonic high-resolution counter, in milliseconds.
class CPerformanceCounter : public ITimeSource {
public:
    [[nodiscard]] uint32_t nowMs() const override;
};
