#pragma once

#include "engine/device/CEventSystemFlow.h"

#include <cstdint>

// The user asked to close the window (its close button or the system's close
// keys). A listener that handles it keeps the window open.
class CEventSystemFlowCloseRequest : public CEventSystemFlow {
public:
    static constexpr int32_t TypeId = 23;

    CEventSystemFlowCloseRequest() = default;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventSystemFlow::isKindOf(id); }

protected:
    ~CEventSystemFlowCloseRequest() override = default;
};
