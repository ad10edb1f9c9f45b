#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

// Posted by the engine tick for every update step; carries the milliseconds
// of game time the step covers. A system-flow event.
class CEventUpdate : public CEvent {
public:
    static constexpr int32_t TypeId = 18;

    explicit CEventUpdate(uint32_t elapsed) : CEvent(MaskSystemFlow), m_elapsed(elapsed) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override;

    [[nodiscard]] uint32_t getElapsed() const { return m_elapsed; }

protected:
    ~CEventUpdate() override;

private:
    uint32_t m_elapsed;
};
