#pragma once

#include "engine/core/CName.h"
#include "engine/scene/CNodeEvent.h"

class BaseNode;

// The payload of the events that track a state through a node tree: the node
// that reports and the state's name.
class CNodeStateEvent : public CNodeEvent {
public:
    CNodeStateEvent(BaseNode* node, CName stateId) : m_node(node), m_stateId(stateId) {}

    [[nodiscard]] BaseNode* getNode() const { return m_node; }
    [[nodiscard]] CName getStateId() const { return m_stateId; }

protected:
    ~CNodeStateEvent() override = default;

private:
    BaseNode* m_node;
    CName m_stateId;
};
