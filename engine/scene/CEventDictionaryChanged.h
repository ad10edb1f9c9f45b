#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

// The dictionary (the language of the texts) changed: texts are translated and laid out again.
class CEventDictionaryChanged : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 43;

    CEventDictionaryChanged() = default;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

protected:
    ~CEventDictionaryChanged() override = default;
};
