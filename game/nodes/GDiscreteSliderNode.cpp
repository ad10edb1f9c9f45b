#include "game/nodes/GDiscreteSliderNode.h"

#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CMat4.h"
#include "engine/core/CStringW.h"

GDiscreteSliderNode::GDiscreteSliderNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : SliderNode(contentName, parent, sceneManager) {}

BaseNode* GDiscreteSliderNode::create(const CObjectName& name) {
    return new GDiscreteSliderNode(name, nullptr, nullptr);
}

const CStringW& GDiscreteSliderNode::getTypeName() const {
    static const CStringW name(u"GDiscreteSliderNode");
    return name;
}

const CStringW& GDiscreteSliderNode::getClassName() const { return GDiscreteSliderNode::getTypeName(); }

BaseNode* GDiscreteSliderNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GDiscreteSliderNode>(parent, sceneManager);
}

bool GDiscreteSliderNode::toAreaFrame(int32_t x, int32_t y, CVector3d& local) const {
    BaseNode* area = getSlidingArea();
    if (!area)
        return false;
    if (area->isTransformDirty())
        area->updateAbsoluteTransformation();
    if (area->isColorDirty())
        area->updateAbsoluteColor();
    CMat4 inverse;
    if (!area->getAbsoluteTransformation().computeInverse(inverse))
        inverse = CMat4();
    local = CVector3d(float(x), float(y), 0.0f);
    inverse.transformPoint(local);
    return true;
}

bool GDiscreteSliderNode::onMouseDown(CEventMouseLeftDown* event) {
    if (!ControlNode::onMouseDown(event))
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    CVector3d local;
    if (toAreaFrame(event->getX(), event->getY(), local) && local.x >= 0.0f &&
        local.x <= getSlidingArea()->getBounds().x)
        m_dragArmed = true;
    const float before = getValue();
    setValueFromPoint(event->getX(), event->getY());
    if (BaseNode* previous = getPrevButton())
        previous->setCanBeHit(false);
    postIfChanged(before);
    return true;
}

bool GDiscreteSliderNode::onMouseUp(CEventMouseLeftUp* event) {
    if (BaseNode* previous = getPrevButton())
        previous->setCanBeHit(true);
    m_dragArmed = false;
    return SliderNode::onMouseUp(event);
}

void GDiscreteSliderNode::onValueChanged() {
    SliderNode::onValueChanged();
    const float value = getValue();
    if (ControlNode* root = getTemplateRoot()) {
        const char* state = value > 99.0f   ? "State4"
                            : value > 79.0f ? "State3"
                            : value > 59.0f ? "State2"
                            : value > 39.0f ? "State1"
                                            : "State0";
        root->applyStateRecursive(CName(state), nullptr);
    }
    if (BaseNode* knob = getKnob())
        knob->setVisible(value >= 0.01f);
}

void GDiscreteSliderNode::setValueFromPoint(int32_t x, int32_t y) {
    BaseNode* area = getSlidingArea();
    if (!area || !getKnob())
        return;
    CVector3d local;
    if (!toAreaFrame(x, y, local))
        return;
    const CVector3d& bounds = area->getBounds();
    if ((local.x < 0.0f && !m_dragArmed) || local.x > bounds.x || local.y < 0.0f || local.y > bounds.y)
        return;
    const bool horizontal = bounds.y <= bounds.x;
    const float length = horizontal ? bounds.x : bounds.y;
    const float position = horizontal ? local.x : local.y;
    const float knobLength = horizontal ? getKnob()->getBounds().x : getKnob()->getBounds().y;
    switch (getKnobType()) {
    case KnobMoving:
    case KnobThumb:
        setValue(valueAtPosition(0.0f, length, knobLength, position, pageFraction()));
        break;
    case KnobFill: {
        float v = length > 0.0f ? getMinValue() + position / length * (getMaxValue() - getMinValue()) : getValue();
        v = v < getMinValue() ? getMinValue() : (v > getMaxValue() ? getMaxValue() : v);
        setValue(v);
        break;
    }
    default:
        break;
    }
}

float GDiscreteSliderNode::knobPosition(float areaStart, float areaLength, float knobLength, float valueFraction,
                                        float) const {
    const float lead = areaLength / 5.0f;
    const float p = (areaLength + lead - knobLength) * valueFraction + (areaStart - lead);
    if (areaLength > 0.0f && (p - areaStart) / areaLength < 0.5f)
        return p + 1.0f;
    return p;
}

float GDiscreteSliderNode::valueAtPosition(float, float areaLength, float, float position, float) const {
    // An area of no length has no levels: the pointer counts as its start.
    const float f = areaLength > 0.0f ? position / areaLength : 0.0f;
    const float level = f > 0.79f     ? 1.0f
                        : f > 0.59f   ? 0.8f
                        : f > 0.39f   ? 0.6f
                        : f > 0.19f   ? 0.4f
                        : f > -0.001f ? 0.2f
                                      : 0.0f;
    return getMinValue() + (getMaxValue() - getMinValue()) * level;
}
