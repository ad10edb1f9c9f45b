#pragma once

#include "engine/device/CEventSystemFlow.h"

#include <cstdint>

// The main window was destroyed; the run step ends the loop from now on.
class CEventWindowDestroyed : public CEventSystemFlow {
public:
    static constexpr int32_t TypeId = 24;

    CEventWindowDestroyed() = default;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventSystemFlow::isKindOf(id); }

protected:
    ~CEventWindowDestroyed() override = default;
};
