#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

// A message box closed; `result` is the index of the button that closed it.
class CEventMessageBoxClosed : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 47;

    explicit CEventMessageBoxClosed(int32_t result) : m_result(result) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] int32_t getResult() const { return m_result; }

protected:
    ~CEventMessageBoxClosed() override = default;

private:
    int32_t m_result;
};
