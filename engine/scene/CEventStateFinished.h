#pragma once

#include "engine/core/CName.h"
#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class CNodeState;

// A node state's main keys all ended (`stopped` false), or the state was stopped while keys were running (`stopped`
// true).
class CEventStateFinished : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 76;

    CEventStateFinished(CNodeState* state, CName reportedId, bool stopped)
        : m_state(state), m_reportedId(reportedId), m_stopped(stopped) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] CNodeState* getState() const { return m_state; }
    [[nodiscard]] CName getReportedId() const { return m_reportedId; }
    [[nodiscard]] bool isStopped() const { return m_stopped; }

protected:
    ~CEventStateFinished() override = default;

private:
    CNodeState* m_state;
    CName m_reportedId;
    bool m_stopped;
};
