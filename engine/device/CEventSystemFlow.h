#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

// The base of the window's system-flow events (21 to 24): activation, the
// close request and the window's end. Kind of the system-flow group.
class CEventSystemFlow : public CEvent {
public:
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == KindSystemFlow || CEvent::isKindOf(id); }

protected:
    CEventSystemFlow() : CEvent(MaskSystemFlow) {}
    ~CEventSystemFlow() override = default;
};
