#pragma once

#include "engine/scene/CNodeEvent.h"

class BaseNode;

// The payload of the control notifications (press, hover, focus): the node
// that loses the quality (or null) and the node that has or gains it.
class CNodePairEvent : public CNodeEvent {
public:
    CNodePairEvent(BaseNode* offNode, BaseNode* onNode) : m_offNode(offNode), m_onNode(onNode) {}

    [[nodiscard]] BaseNode* getOffNode() const { return m_offNode; }
    [[nodiscard]] BaseNode* getOnNode() const { return m_onNode; }

protected:
    ~CNodePairEvent() override = default;

private:
    BaseNode* m_offNode;
    BaseNode* m_onNode;
};
