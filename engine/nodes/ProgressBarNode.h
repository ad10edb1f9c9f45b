#pragma once

#include "engine/nodes/ValueRange.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

// A value between two bounds shown without taking input. Every change runs
// onValueChanged, which subclasses draw with; no setter posts an event.
class BaseProgressBarNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 15;

    BaseProgressBarNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ControlNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    // Values are stored as read: no clamping, no layout.
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    // The base class draws nothing and is not copied: null.
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // Clamped into the range, then onValueChanged (always).
    void setValue(float value);
    // Refused unless strictly below MaxValue; Value is raised when needed.
    void setMinValue(float value);
    // Refused unless strictly above MinValue; Value is lowered when needed.
    void setMaxValue(float value);
    [[nodiscard]] float getValue() const { return m_range.value; }
    [[nodiscard]] float getMinValue() const { return m_range.min; }
    [[nodiscard]] float getMaxValue() const { return m_range.max; }
    [[nodiscard]] float getValueFraction() const { return m_range.fraction(); }

    // The drawing hook; nothing here.
    virtual void onValueChanged() {}

protected:
    ~BaseProgressBarNode() override = default;

private:
    void setMinValueProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getMinValueProperty() const;
    void setMaxValueProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getMaxValueProperty() const;
    void setValueProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getValueProperty() const;

    ValueRange m_range;
};

// The standard bar: places a "Knob" along a "SlidingArea", both looked up
// among the bar's own children first and then in its template. KnobType 1
// stretches the knob from the area start (a fill bar); any other value moves
// it, its far edge reaching the area's at MaxValue. The bar is horizontal
// when the area is at least as wide as it is tall.
class ProgressBarNode : public BaseProgressBarNode {
public:
    static constexpr int32_t TypeId = 16;
    static constexpr int32_t KnobFill = 1;

    ProgressBarNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseProgressBarNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // Finds the parts among the bar's own children.
    void onLoaded() override;
    // Refills the template, finds the parts (own children first, then the
    // template's) and lays the knob out.
    void applyTemplate() override;
    void onValueChanged() override;

    void setKnobType(int32_t type) { m_knobType = type; }
    [[nodiscard]] int32_t getKnobType() const { return m_knobType; }
    [[nodiscard]] BaseNode* getSlidingArea() const { return m_slidingArea; }
    [[nodiscard]] BaseNode* getKnob() const { return m_knob; }

protected:
    ~ProgressBarNode() override = default;

    // The knob layout of this class, whatever a subclass draws with.
    void layOutKnob();
    // A part left this subtree: its pointer is cleared.
    void onDescendantRemoved(BaseNode* node) override;

private:
    void setKnobTypeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getKnobTypeProperty() const;

    // Not owned: the bar's children or its template root hold them.
    BaseNode* m_slidingArea = nullptr;
    BaseNode* m_knob = nullptr;
    int32_t m_knobType = 0;
};
