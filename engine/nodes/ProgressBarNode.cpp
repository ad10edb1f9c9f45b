#include "engine/nodes/ProgressBarNode.h"

#include "engine/core/CStringW.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"

BaseProgressBarNode::BaseProgressBarNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {}

const CStringW& BaseProgressBarNode::getTypeName() const {
    static const CStringW name(u"BaseProgressBarNode");
    return name;
}

const CStringW& BaseProgressBarNode::getClassName() const { return BaseProgressBarNode::getTypeName(); }

void BaseProgressBarNode::setValue(float value) {
    m_range.set(value);
    onValueChanged();
}

void BaseProgressBarNode::setMinValue(float value) {
    if (m_range.setMin(value))
        onValueChanged();
}

void BaseProgressBarNode::setMaxValue(float value) {
    if (m_range.setMax(value))
        onValueChanged();
}

const CPropertyTable& BaseProgressBarNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& BaseProgressBarNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(ControlNode::propertyTable());
        t.add<&BaseProgressBarNode::setMinValueProperty, &BaseProgressBarNode::getMinValueProperty>("MinValue");
        t.add<&BaseProgressBarNode::setMaxValueProperty, &BaseProgressBarNode::getMaxValueProperty>("MaxValue");
        t.add<&BaseProgressBarNode::setValueProperty, &BaseProgressBarNode::getValueProperty>("Value");
        return t;
    }();
    return table;
}

void BaseProgressBarNode::setMinValueProperty(const CRefHandle<IPropertyData>& value) {
    setMinValue(getPropertyFloat(value));
}
CRefHandle<IPropertyData> BaseProgressBarNode::getMinValueProperty() const {
    return CPropertyDataFloat::create(m_range.min);
}
void BaseProgressBarNode::setMaxValueProperty(const CRefHandle<IPropertyData>& value) {
    setMaxValue(getPropertyFloat(value));
}
CRefHandle<IPropertyData> BaseProgressBarNode::getMaxValueProperty() const {
    return CPropertyDataFloat::create(m_range.max);
}
void BaseProgressBarNode::setValueProperty(const CRefHandle<IPropertyData>& value) {
    setValue(getPropertyFloat(value));
}
CRefHandle<IPropertyData> BaseProgressBarNode::getValueProperty() const {
    return CPropertyDataFloat::create(m_range.value);
}

void BaseProgressBarNode::writeProperties(CPropertyBag& bag) const {
    ControlNode::writeProperties(bag);
    m_range.write(bag);
}

void BaseProgressBarNode::readProperties(const CPropertyBag& bag) {
    ControlNode::readProperties(bag);
    m_range.read(bag);
}

BaseNode* BaseProgressBarNode::clone(BaseNode*, BaseNode*) const { return nullptr; }

void BaseProgressBarNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    ControlNode::copyFrom(source, sceneManager);
    const BaseProgressBarNode* bar = nodeCast<BaseProgressBarNode>(source);
    if (!bar || bar == this)
        return;
    m_range = bar->m_range;
}

// ---------------------------------------------------------------------------
// ProgressBarNode

ProgressBarNode::ProgressBarNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseProgressBarNode(contentName, parent, sceneManager) {}

const CStringW& ProgressBarNode::getTypeName() const {
    static const CStringW name(u"ProgressBarNode");
    return name;
}

const CStringW& ProgressBarNode::getClassName() const { return ProgressBarNode::getTypeName(); }

namespace {

const CName& slidingAreaName() {
    static const CName name("SlidingArea");
    return name;
}

const CName& knobName() {
    static const CName name("Knob");
    return name;
}

} // namespace

void ProgressBarNode::onLoaded() {
    m_slidingArea = findChild(slidingAreaName(), 1);
    m_knob = findChild(knobName(), 1);
}

void ProgressBarNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ControlNode::applyTemplate();
    onLoaded();
    if (ControlNode* root = getTemplateRoot()) {
        if (!m_slidingArea)
            m_slidingArea = root->findChild(slidingAreaName(), 1);
        if (!m_knob)
            m_knob = root->findChild(knobName(), 1);
    }
    layOutKnob();
}

void ProgressBarNode::onDescendantRemoved(BaseNode* node) {
    BaseProgressBarNode::onDescendantRemoved(node);
    if (m_slidingArea && (m_slidingArea == node || node->isAncestorOf(m_slidingArea)))
        m_slidingArea = nullptr;
    if (m_knob && (m_knob == node || node->isAncestorOf(m_knob)))
        m_knob = nullptr;
}

void ProgressBarNode::onValueChanged() { layOutKnob(); }

void ProgressBarNode::layOutKnob() {
    if (!m_knob || !m_slidingArea)
        return;
    const float f = getValueFraction();
    const CVector3d& areaPosition = m_slidingArea->getPosition();
    const CVector3d& areaBounds = m_slidingArea->getBounds();
    const bool horizontal = areaBounds.x >= areaBounds.y;
    const float areaStart = horizontal ? areaPosition.x : areaPosition.y;
    const float areaLength = horizontal ? areaBounds.x : areaBounds.y;
    CVector3d position = m_knob->getPosition();
    float& start = horizontal ? position.x : position.y;
    if (m_knobType == KnobFill) {
        CVector3d bounds = m_knob->getBounds();
        (horizontal ? bounds.x : bounds.y) = areaLength * f;
        start = areaStart;
        m_knob->setBounds(bounds);
    } else {
        const float knobLength = horizontal ? m_knob->getBounds().x : m_knob->getBounds().y;
        start = areaStart + (areaLength - knobLength) * f;
    }
    m_knob->setPosition(position);
    m_knob->markTransformDirty();
}

const CPropertyTable& ProgressBarNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& ProgressBarNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseProgressBarNode::propertyTable());
        t.add<&ProgressBarNode::setKnobTypeProperty, &ProgressBarNode::getKnobTypeProperty>("KnobType");
        return t;
    }();
    return table;
}

void ProgressBarNode::setKnobTypeProperty(const CRefHandle<IPropertyData>& value) {
    m_knobType = getPropertyInt(value);
}
CRefHandle<IPropertyData> ProgressBarNode::getKnobTypeProperty() const { return CPropertyDataInt::create(m_knobType); }

void ProgressBarNode::writeProperties(CPropertyBag& bag) const {
    BaseProgressBarNode::writeProperties(bag);
    if (m_knobType != 0)
        bag.setInt("KnobType", m_knobType);
}

void ProgressBarNode::readProperties(const CPropertyBag& bag) {
    BaseProgressBarNode::readProperties(bag);
    if (bag.indexOf("KnobType") >= 0)
        m_knobType = getPropertyInt(bag.get("KnobType"));
}

BaseNode* ProgressBarNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<ProgressBarNode>(parent, sceneManager);
}

void ProgressBarNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseProgressBarNode::copyFrom(source, sceneManager);
    if (const ProgressBarNode* bar = nodeCast<ProgressBarNode>(source))
        m_knobType = bar->m_knobType;
}
