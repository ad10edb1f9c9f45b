#pragma once

#include "game/world/GWorkerNode.h"

#include <cstdint>

// The guide character: a worker in every respect, who shows no load and
// talks while she works ("WorkLeftTalk", "WorkRightTalk", "WorkUpTalk",
// "WorkDownTalk").
class GGertrudaNode : public GWorkerNode {
public:
    static constexpr int32_t TypeId = 2063;

    GGertrudaNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GWorkerNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // Always the standard walk table.
    void selectWalkAnimations() override;
    // Always the talking table.
    [[nodiscard]] const CArray<CName>& getWorkAnimations(const GBuildingNode* target) const override;

protected:
    ~GGertrudaNode() override;
};
