#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

// Posted by the engine tick when a frame is to be drawn. A system-flow event
// without payload.
class CEventRender : public CEvent {
public:
    static constexpr int32_t TypeId = 19;

    CEventRender() : CEvent(MaskSystemFlow) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override;

protected:
    ~CEventRender() override;
};
