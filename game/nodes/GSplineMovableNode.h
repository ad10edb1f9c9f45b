#pragma once

#include "engine/scene/BaseNode.h"

// Takes itself out of the tree once it and all its children have completed
// the state "SelfDestruct".
class GSplineMovableNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2040;

    GSplineMovableNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;

protected:
    ~GSplineMovableNode() override = default;
};
