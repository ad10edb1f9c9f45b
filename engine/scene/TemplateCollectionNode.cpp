#include "engine/scene/TemplateCollectionNode.h"

#include "engine/core/CStringW.h"

TemplateCollectionNode::TemplateCollectionNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setContentFlags(FlagShared);
}

TemplateCollectionNode::~TemplateCollectionNode() {
    CMap<CName, BaseNode*> templates = std::move(m_templates);
    m_templates.clear();
    for (auto& entry : templates)
        entry.value->release();
}

const CStringW& TemplateCollectionNode::getTypeName() const {
    static const CStringW name(u"TemplateCollectionNode");
    return name;
}

const CStringW& TemplateCollectionNode::getClassName() const { return TemplateCollectionNode::getTypeName(); }

BaseNode* TemplateCollectionNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<TemplateCollectionNode>(parent, sceneManager);
}

void TemplateCollectionNode::onLoaded() {
    for (BaseNode* child : getChildren()) {
        if (m_templates.insert(child->getName(), child).second)
            child->addRef();
    }
}

BaseNode* TemplateCollectionNode::findTemplate(CName name) const {
    auto found = m_templates.find(name);
    return found == m_templates.end() ? nullptr : found->value;
}

bool TemplateCollectionNode::applyTemplate(CName name, BaseNode* target) {
    if (!target)
        return false;
    const CRefHandle<BaseNode> keepTarget = CRefHandle<BaseNode>::share(target);
    // Stopping reports to the parent, whose handlers may change the list.
    for (const CRefHandle<BaseNode>& child : childSnapshot(target))
        child->stopStates(false);
    target->stopStates(false);
    target->removeAllChildren();
    target->releaseStates();
    if (name.empty())
        return true;
    BaseNode* templateNode = findTemplate(name);
    if (!templateNode)
        return false;
    const CRefHandle<BaseNode> keepTemplate = CRefHandle<BaseNode>::share(templateNode);
    copyChildrenAndStates(templateNode, target);
    target->setBounds(templateNode->getBounds());
    return true;
}

bool TemplateCollectionNode::beginApply(CName name) {
    if (name.empty())
        return true;
    if (m_applyChain.indexOf(name) >= 0)
        return false;
    m_applyChain.push_back(name);
    return true;
}

void TemplateCollectionNode::endApply(CName name) {
    if (name.empty())
        return;
    const int64_t index = m_applyChain.indexOf(name);
    if (index >= 0)
        m_applyChain.erase(uint32_t(index));
}
