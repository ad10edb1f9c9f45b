#include "engine/nodes/SliderNode.h"

#include "engine/core/CEvent.h"
#include "engine/core/CEventKey.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CMat4.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kKeyEnd = 35;
constexpr int32_t kKeyHome = 36;

constexpr float kDefaultDelta = 5.0f;

} // namespace

SliderNode::SliderNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {}

SliderNode::~SliderNode() = default;

const CStringW& SliderNode::getTypeName() const {
    static const CStringW name(u"SliderNode");
    return name;
}

const CStringW& SliderNode::getClassName() const { return SliderNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Value

void SliderNode::setValue(float value) {
    m_range.set(value);
    onValueChanged();
}

void SliderNode::setMinValue(float value) {
    if (m_range.setMin(value))
        onValueChanged();
}

void SliderNode::setMaxValue(float value) {
    if (m_range.setMax(value))
        onValueChanged();
}

void SliderNode::setPageSize(float size) {
    m_pageSize = size;
    onValueChanged();
}

float SliderNode::valueFraction() const { return m_range.fraction(); }

float SliderNode::pageFraction() const {
    if (!(m_range.max > m_range.min))
        return 0.0f;
    return std::min(m_pageSize / (m_range.max - m_range.min), 1.0f);
}

bool SliderNode::isHorizontal() const {
    if (!m_slidingArea)
        return true;
    const CVector3d& bounds = m_slidingArea->getBounds();
    return bounds.x >= bounds.y;
}

void SliderNode::postIfChanged(float before) {
    if (m_range.value == before)
        return;
    const CRefHandle<CEventValueChanged> changed(new CEventValueChanged(this));
    postDeferredToParent(changed.get(), HandleThenParent);
}

// ---------------------------------------------------------------------------
// Knob layout and pointer mapping

float SliderNode::knobPosition(float areaStart, float areaLength, float knobLength, float valueFraction,
                               float pageFraction) const {
    if (pageFraction == 1.0f)
        return areaStart;
    return areaStart + (areaLength - knobLength) * valueFraction / (1.0f - pageFraction);
}

float SliderNode::valueAtPosition(float, float areaLength, float knobLength, float position, float pageFraction) const {
    const float e = position - knobLength / 2.0f;
    const float room = areaLength - knobLength;
    float f = 0.0f;
    if (e <= 0.0f)
        f = 0.0f;
    else if (e >= room)
        f = 1.0f;
    else
        f = e * (1.0f - pageFraction) / room;
    return m_range.min + (m_range.max - m_range.min) * f;
}

void SliderNode::onValueChanged() {
    if (!m_knob || !m_slidingArea)
        return;
    const bool horizontal = isHorizontal();
    const float vf = valueFraction();
    const float pf = pageFraction();
    const CVector3d& areaPosition = m_slidingArea->getPosition();
    const CVector3d& areaBounds = m_slidingArea->getBounds();
    const float areaStart = horizontal ? areaPosition.x : areaPosition.y;
    const float areaLength = horizontal ? areaBounds.x : areaBounds.y;
    CVector3d position = m_knob->getPosition();
    CVector3d bounds = m_knob->getBounds();
    float& start = horizontal ? position.x : position.y;
    float& length = horizontal ? bounds.x : bounds.y;
    switch (m_knobType) {
    case KnobMoving:
        start = knobPosition(areaStart, areaLength, length, vf, pf);
        break;
    case KnobFill:
        length = areaLength * vf;
        start = areaStart;
        break;
    case KnobThumb:
        length = std::max(pf * areaLength, MinThumbLength);
        start = areaStart + areaLength * vf;
        break;
    default:
        break;
    }
    position.x = std::floor(position.x + 0.5f);
    position.y = std::floor(position.y + 0.5f);
    m_knob->setPosition(position);
    m_knob->setBounds(bounds);
    m_knob->markTransformDirty();
}

void SliderNode::setValueFromPoint(int32_t x, int32_t y) {
    if (!m_slidingArea || !m_knob)
        return;
    BaseNode* area = m_slidingArea.get();
    if (area->isTransformDirty())
        area->updateAbsoluteTransformation();
    if (area->isColorDirty())
        area->updateAbsoluteColor();
    CMat4 inverse;
    if (!area->getAbsoluteTransformation().computeInverse(inverse))
        inverse = CMat4();
    CVector3d local(float(x), float(y), 0.0f);
    inverse.transformPoint(local);
    const CVector3d& areaBounds = area->getBounds();
    if (local.x < 0.0f || local.x > areaBounds.x || local.y < 0.0f || local.y > areaBounds.y)
        return;
    const bool horizontal = isHorizontal();
    const float pf = pageFraction();
    const float coordinate = horizontal ? local.x : local.y;
    const float areaLength = horizontal ? areaBounds.x : areaBounds.y;
    const float knobLength = horizontal ? m_knob->getBounds().x : m_knob->getBounds().y;
    switch (m_knobType) {
    case KnobMoving:
    case KnobThumb:
        setValue(valueAtPosition(0.0f, areaLength, knobLength, coordinate, pf));
        break;
    case KnobFill: {
        float v =
            areaLength > 0.0f ? m_range.min + (coordinate / areaLength) * (m_range.max - m_range.min) : m_range.value;
        v = std::max(v, m_range.min);
        if (m_range.max < v + m_pageSize)
            v = m_range.max - m_pageSize;
        setValue(v);
        break;
    }
    default:
        setValue(m_range.value);
        break;
    }
}

// ---------------------------------------------------------------------------
// Template parts

void SliderNode::findParts() {
    m_slidingArea.reset();
    m_knob.reset();
    m_nextButton.reset();
    m_prevButton.reset();
    ControlNode* root = getTemplateRoot();
    if (!root)
        return;
    static const CName areaName("SlidingArea");
    static const CName knobName("Knob");
    static const CName nextName("NextButton");
    static const CName prevName("PrevButton");
    m_slidingArea = CRefHandle<BaseNode>::share(root->findChild(areaName, 1));
    m_knob = CRefHandle<BaseNode>::share(root->findChild(knobName, 1));
    m_nextButton = CRefHandle<BaseNode>::share(root->findChild(nextName, 1));
    m_prevButton = CRefHandle<BaseNode>::share(root->findChild(prevName, 1));
}

void SliderNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ControlNode::applyTemplate();
    findParts();
    onValueChanged();
}

// ---------------------------------------------------------------------------
// Events

const CEventHandlerTable& SliderNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& SliderNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(ControlNode::handlerTable());
        t.add<&SliderNode::onChildClickStarted>(CEventClickStarted::TypeId);
        t.add<&SliderNode::onChildClicked>(CEventClicked::TypeId);
        return t;
    }();
    return table;
}

bool SliderNode::routeToChildren(int phase, CEvent* event) {
    if (ControlNode::routeToChildren(phase, event))
        return true;
    // The parts of a disabled slider still take input, those of a hidden one
    // do not: nothing of it can be seen to be clicked.
    if (!event || (event->isKindOf(CEvent::KindInput) && !isVisible()))
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    // Handlers may change the template and so the parts.
    const CRefHandle<BaseNode> parts[] = {m_prevButton, m_nextButton, m_knob};
    for (const CRefHandle<BaseNode>& part : parts) {
        if (!part || !(part->getMask() & event->getMask()) || !part->dispatch(phase, event))
            continue;
        if (part == parts[2] &&
            (event->isKindOf(CEventMouseMove::TypeId) || event->isKindOf(CEventMouseLeftDown::TypeId)))
            return false;
        return true;
    }
    return false;
}

bool SliderNode::onMouseMove(CEventMouseMove* event) {
    if (!ControlNode::onMouseMove(event))
        return false;
    if (isPressed()) {
        const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
        const float before = m_range.value;
        setValueFromPoint(event->getX(), event->getY());
        postIfChanged(before);
    }
    return true;
}

bool SliderNode::onMouseDown(CEventMouseLeftDown* event) {
    if (!ControlNode::onMouseDown(event))
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const float before = m_range.value;
    setValueFromPoint(event->getX(), event->getY());
    postIfChanged(before);
    return true;
}

bool SliderNode::onKeyDown(CEventKeyDown* event) {
    const float before = m_range.value;
    const bool horizontal = isHorizontal();
    const bool hasArea = m_slidingArea != nullptr;
    bool handled = false;
    switch (event->getKeyCode()) {
    case kKeyEnd:
        setValue(m_range.max);
        handled = true;
        break;
    case kKeyHome:
        setValue(m_range.min);
        handled = true;
        break;
    case CEventKey::KeyLeft:
        handled = hasArea && horizontal && m_range.value > m_range.min;
        if (handled)
            setValue(m_range.value - m_deltaValue);
        break;
    case CEventKey::KeyRight:
        handled = hasArea && horizontal && m_range.value < m_range.max;
        if (handled)
            setValue(m_range.value + m_deltaValue);
        break;
    case CEventKey::KeyUp:
        handled = hasArea && !horizontal && m_range.value < m_range.max;
        if (handled)
            setValue(m_range.value + m_deltaValue);
        break;
    case CEventKey::KeyDown:
        handled = hasArea && !horizontal && m_range.value > m_range.min;
        if (handled)
            setValue(m_range.value - m_deltaValue);
        break;
    default:
        break;
    }
    postIfChanged(before);
    return handled || ControlNode::onKeyDown(event);
}

bool SliderNode::onChildClickStarted(CEventClickStarted*) { return false; }

bool SliderNode::onChildClicked(CEventClicked* event) {
    const BaseNode* sender = event->getControl();
    const float before = m_range.value;
    if (sender && sender == m_prevButton.get())
        setValue(m_range.value - m_deltaValue);
    else if (sender && sender == m_nextButton.get())
        setValue(m_range.value + m_deltaValue);
    postIfChanged(before);
    return false;
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& SliderNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& SliderNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(ControlNode::propertyTable());
        t.add<&SliderNode::setMinValueProperty, &SliderNode::getMinValueProperty>("MinValue");
        t.add<&SliderNode::setMaxValueProperty, &SliderNode::getMaxValueProperty>("MaxValue");
        t.add<&SliderNode::setValueProperty, &SliderNode::getValueProperty>("Value");
        t.add<&SliderNode::setDeltaValueProperty, &SliderNode::getDeltaValueProperty>("DeltaValue");
        t.add<&SliderNode::setKnobTypeProperty, &SliderNode::getKnobTypeProperty>("KnobType");
        return t;
    }();
    return table;
}

void SliderNode::setMinValueProperty(const CRefHandle<IPropertyData>& value) { setMinValue(getPropertyFloat(value)); }
CRefHandle<IPropertyData> SliderNode::getMinValueProperty() const { return CPropertyDataFloat::create(m_range.min); }
void SliderNode::setMaxValueProperty(const CRefHandle<IPropertyData>& value) { setMaxValue(getPropertyFloat(value)); }
CRefHandle<IPropertyData> SliderNode::getMaxValueProperty() const { return CPropertyDataFloat::create(m_range.max); }
void SliderNode::setValueProperty(const CRefHandle<IPropertyData>& value) { setValue(getPropertyFloat(value)); }
CRefHandle<IPropertyData> SliderNode::getValueProperty() const { return CPropertyDataFloat::create(m_range.value); }
void SliderNode::setDeltaValueProperty(const CRefHandle<IPropertyData>& value) {
    m_deltaValue = getPropertyFloat(value);
}
CRefHandle<IPropertyData> SliderNode::getDeltaValueProperty() const { return CPropertyDataFloat::create(m_deltaValue); }
void SliderNode::setKnobTypeProperty(const CRefHandle<IPropertyData>& value) { m_knobType = getPropertyInt(value); }
CRefHandle<IPropertyData> SliderNode::getKnobTypeProperty() const { return CPropertyDataInt::create(m_knobType); }

void SliderNode::writeProperties(CPropertyBag& bag) const {
    ControlNode::writeProperties(bag);
    m_range.write(bag);
    if (m_deltaValue != kDefaultDelta)
        bag.setFloat("DeltaValue", m_deltaValue);
    if (m_knobType != KnobMoving)
        bag.setInt("KnobType", m_knobType);
}

void SliderNode::readProperties(const CPropertyBag& bag) {
    ControlNode::readProperties(bag);
    m_range.read(bag);
    if (bag.indexOf("DeltaValue") >= 0)
        m_deltaValue = getPropertyFloat(bag.get("DeltaValue"));
    if (bag.indexOf("KnobType") >= 0)
        m_knobType = getPropertyInt(bag.get("KnobType"));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* SliderNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<SliderNode>(parent, sceneManager);
}

void SliderNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    ControlNode::copyFrom(source, sceneManager);
    const SliderNode* slider = nodeCast<SliderNode>(source);
    if (!slider || slider == this)
        return;
    m_range = slider->m_range;
    m_deltaValue = slider->m_deltaValue;
    m_knobType = slider->m_knobType;
    // The copy's template root is its own: so are its parts.
    findParts();
}
