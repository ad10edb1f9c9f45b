#pragma once

#include "engine/device/CEventSystemFlow.h"

#include <cstdint>

// The application came to the foreground or went to the background.
class CEventApplicationActivate : public CEventSystemFlow {
public:
    static constexpr int32_t TypeId = 22;

    explicit CEventApplicationActivate(bool active) : m_active(active) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventSystemFlow::isKindOf(id); }

    [[nodiscard]] bool isActive() const { return m_active; }

protected:
    ~CEventApplicationActivate() override = default;

private:
    bool m_active;
};
