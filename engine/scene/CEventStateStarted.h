#pragma once

#include "engine/core/CName.h"
#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class CNodeState;

// A node state started; `reportedId` is the id this run reports under.
class CEventStateStarted : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 75;

    CEventStateStarted(CNodeState* state, CName reportedId) : m_state(state), m_reportedId(reportedId) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] CNodeState* getState() const { return m_state; }
    [[nodiscard]] CName getReportedId() const { return m_reportedId; }

protected:
    ~CEventStateStarted() override = default;

private:
    CNodeState* m_state;
    CName m_reportedId;
};
