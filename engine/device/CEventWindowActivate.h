#pragma once

#include "engine/device/CEventSystemFlow.h"

#include <cstdint>

// The main window was activated or deactivated.
class CEventWindowActivate : public CEventSystemFlow {
public:
    static constexpr int32_t TypeId = 21;

    explicit CEventWindowActivate(bool active) : m_active(active) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventSystemFlow::isKindOf(id); }

    [[nodiscard]] bool isActive() const { return m_active; }

protected:
    ~CEventWindowActivate() override = default;

private:
    bool m_active;
};
