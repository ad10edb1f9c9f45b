#include "game/world/GGertrudaNode.h"

#include "engine/core/CStringW.h"

GGertrudaNode::GGertrudaNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GWorkerNode(contentName, parent, sceneManager) {}

GGertrudaNode::~GGertrudaNode() = default;

BaseNode* GGertrudaNode::create(const CObjectName& name) { return new GGertrudaNode(name, nullptr, nullptr); }

const CStringW& GGertrudaNode::getTypeName() const {
    static const CStringW name(u"GGertrudaNode");
    return name;
}

const CStringW& GGertrudaNode::getClassName() const { return GGertrudaNode::getTypeName(); }

BaseNode* GGertrudaNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GGertrudaNode>(parent, sceneManager);
}

void GGertrudaNode::selectWalkAnimations() { setWalkAnimations(standardWalkAnimations()); }

const CArray<CName>& GGertrudaNode::getWorkAnimations(const GBuildingNode* /*target*/) const {
    static const CArray<CName> talking = [] {
        CArray<CName> table;
        for (const char* name : {"WorkLeftTalk", "WorkRightTalk", "WorkUpTalk", "WorkDownTalk"})
            table.push_back(CName(name));
        return table;
    }();
    return talking;
}
