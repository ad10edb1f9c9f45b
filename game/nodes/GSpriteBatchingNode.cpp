#include "game/nodes/GSpriteBatchingNode.h"

#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"

GSpriteBatchingNode::GSpriteBatchingNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {}

BaseNode* GSpriteBatchingNode::create(const CObjectName& name) {
    return new GSpriteBatchingNode(name, nullptr, nullptr);
}

const CStringW& GSpriteBatchingNode::getTypeName() const {
    static const CStringW name(u"GSpriteBatchingNode");
    return name;
}

const CStringW& GSpriteBatchingNode::getClassName() const { return GSpriteBatchingNode::getTypeName(); }

const CPropertyTable& GSpriteBatchingNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GSpriteBatchingNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GSpriteBatchingNode::setUseBatchingProperty, &GSpriteBatchingNode::getUseBatchingProperty>(
            "UseBatchingForChildren");
        return t;
    }();
    return table;
}

void GSpriteBatchingNode::setUseBatchingProperty(const CRefHandle<IPropertyData>& value) {
    m_useBatchingForChildren = getPropertyBool(value);
}
CRefHandle<IPropertyData> GSpriteBatchingNode::getUseBatchingProperty() const {
    return CPropertyDataBool::create(m_useBatchingForChildren);
}

void GSpriteBatchingNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (!m_useBatchingForChildren)
        bag.setBool("UseBatchingForChildren", false);
}

void GSpriteBatchingNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("UseBatchingForChildren") >= 0)
        m_useBatchingForChildren = getPropertyBool(bag.get("UseBatchingForChildren"));
}

BaseNode* GSpriteBatchingNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GSpriteBatchingNode>(parent, sceneManager);
}

void GSpriteBatchingNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GSpriteBatchingNode* batching = nodeCast<GSpriteBatchingNode>(source);
    if (!batching || batching == this)
        return;
    m_useBatchingForChildren = batching->m_useBatchingForChildren;
}

void GSpriteBatchingNode::onLoaded() {
    BaseNode::onLoaded();
    if (!m_useBatchingForChildren)
        return;
    for (BaseNode* child : getChildren())
        if (SpriteNode* sprite = nodeCast<SpriteNode>(child))
            sprite->setBatched(true);
}
