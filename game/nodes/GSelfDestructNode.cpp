#include "game/nodes/GSelfDestructNode.h"

#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventStateFinished.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "game/nodes/GSelfRemoval.h"

GSelfDestructNode::GSelfDestructNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_destructStateName("ForSelfDestruct") {}

BaseNode* GSelfDestructNode::create(const CObjectName& name) { return new GSelfDestructNode(name, nullptr, nullptr); }

const CStringW& GSelfDestructNode::getTypeName() const {
    static const CStringW name(u"GSelfDestructNode");
    return name;
}

const CStringW& GSelfDestructNode::getClassName() const { return GSelfDestructNode::getTypeName(); }

const CPropertyTable& GSelfDestructNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GSelfDestructNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GSelfDestructNode::setListenProperty, &GSelfDestructNode::getListenProperty>("ListenToChildrens");
        t.add<&GSelfDestructNode::setStateNameProperty, &GSelfDestructNode::getStateNameProperty>(
            "DestructStateName");
        return t;
    }();
    return table;
}

void GSelfDestructNode::setListenProperty(const CRefHandle<IPropertyData>& value) {
    m_listenToChildren = getPropertyBool(value);
}
CRefHandle<IPropertyData> GSelfDestructNode::getListenProperty() const {
    return CPropertyDataBool::create(m_listenToChildren);
}
void GSelfDestructNode::setStateNameProperty(const CRefHandle<IPropertyData>& value) {
    m_destructStateName = getPropertyNameId(value);
}
CRefHandle<IPropertyData> GSelfDestructNode::getStateNameProperty() const {
    return CPropertyDataString::createFromNameId(m_destructStateName);
}

void GSelfDestructNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    bag.setBool("ListenToChildrens", m_listenToChildren);
    bag.setString("DestructStateName", m_destructStateName.str());
}

void GSelfDestructNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("ListenToChildrens") >= 0)
        m_listenToChildren = getPropertyBool(bag.get("ListenToChildrens"));
    if (bag.indexOf("DestructStateName") >= 0)
        m_destructStateName = getPropertyNameId(bag.get("DestructStateName"));
}

BaseNode* GSelfDestructNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GSelfDestructNode>(parent, sceneManager);
}

void GSelfDestructNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GSelfDestructNode* node = nodeCast<GSelfDestructNode>(source);
    if (!node || node == this)
        return;
    m_listenToChildren = node->m_listenToChildren;
    m_destructStateName = node->m_destructStateName;
}

bool GSelfDestructNode::onStateActionFinished(CEventStateFinished* event) {
    const CNodeState* state = event ? event->getState() : nullptr;
    if (!m_listenToChildren && state && state->getName() == m_destructStateName) {
        removeNodeFromParent(this);
        return true;
    }
    return BaseNode::onStateActionFinished(event);
}

bool GSelfDestructNode::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    if (m_listenToChildren && event && event->getStateId() == m_destructStateName) {
        removeNodeFromParent(this);
        return true;
    }
    return false;
}
