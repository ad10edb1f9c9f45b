#pragma once

#include "engine/scene/CEventClick.h"

#include <cstdint>

// A click completed; the event scenes and screens react to.
class CEventClicked : public CEventClick {
public:
    static constexpr int32_t TypeId = 66;

    using CEventClick::CEventClick;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventClick::isKindOf(id); }

protected:
    ~CEventClicked() override = default;
};
