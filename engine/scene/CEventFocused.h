#pragma once

#include "engine/scene/CEventFocusRequest.h"

#include <cstdint>

// A control got the focus: (null, control).
class CEventFocused : public CEventFocusRequest {
public:
    static constexpr int32_t TypeId = 60;

    using CEventFocusRequest::CEventFocusRequest;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventFocusRequest::isKindOf(id); }

protected:
    ~CEventFocused() override = default;
};
