#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/nodes/ValueRange.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

class CEventClickStarted;
class CEventClicked;

// The value control: Value kept in [MinValue, MaxValue], shown by a "Knob"
// placed along a "SlidingArea" (both top nodes of the control template) and
// changed by dragging or clicking in the area, by the keyboard and by the
// "PrevButton" and "NextButton" parts. User changes post CEventValueChanged
// to the parent; setters called by code post nothing.
//
// The slider is horizontal when the area is at least as wide as it is tall.
// KnobType 0 moves a knob of its own size, 1 grows a fill bar from the area
// start, 2 sizes a scroll thumb by the page (at least MinThumbLength).
class SliderNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 17;
    static constexpr int32_t KnobMoving = 0;
    static constexpr int32_t KnobFill = 1;
    static constexpr int32_t KnobThumb = 2;
    static constexpr float MinThumbLength = 25.0f;

    SliderNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The control's copy, then the range, value, step and knob type; the
    // parts are found again in the copy's own template root.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    // The control's routing; input it did not handle is then offered to the
    // step buttons and the knob, which live under the template root. A
    // knob's handling of a move or a down still lets the slider's own run.
    // A hidden slider offers its parts no input.
    bool routeToChildren(int phase, CEvent* event) override;

    void applyTemplate() override;
    bool onMouseMove(CEventMouseMove* event) override;
    bool onMouseDown(CEventMouseLeftDown* event) override;
    bool onKeyDown(CEventKeyDown* event) override;

    // Lays the knob out from the value (nothing without knob and area).
    virtual void onValueChanged();
    // Sets the value from a screen point inside the area.
    virtual void setValueFromPoint(int32_t x, int32_t y);
    // Where a moving knob starts for the value and page fractions.
    [[nodiscard]] virtual float knobPosition(float areaStart, float areaLength, float knobLength, float valueFraction,
                                             float pageFraction) const;
    // The value a knob centred on `position` of the area stands for.
    [[nodiscard]] virtual float valueAtPosition(float start, float areaLength, float knobLength, float position,
                                                float pageFraction) const;
    virtual bool onChildClickStarted(CEventClickStarted* event);
    // The step buttons move the value by DeltaValue; the click goes on.
    virtual bool onChildClicked(CEventClicked* event);

    // Clamped into the range; the knob is laid out again.
    void setValue(float value);
    // Refused unless strictly below MaxValue; Value is raised when needed.
    void setMinValue(float value);
    // Refused unless strictly above MinValue; Value is lowered when needed.
    void setMaxValue(float value);
    void setPageSize(float size);
    void setDeltaValue(float delta) { m_deltaValue = delta; }
    void setKnobType(int32_t type) { m_knobType = type; }
    [[nodiscard]] float getValue() const { return m_range.value; }
    [[nodiscard]] float getMinValue() const { return m_range.min; }
    [[nodiscard]] float getMaxValue() const { return m_range.max; }
    [[nodiscard]] float getPageSize() const { return m_pageSize; }
    [[nodiscard]] float getDeltaValue() const { return m_deltaValue; }
    [[nodiscard]] int32_t getKnobType() const { return m_knobType; }

    [[nodiscard]] BaseNode* getSlidingArea() const { return m_slidingArea.get(); }
    [[nodiscard]] BaseNode* getKnob() const { return m_knob.get(); }
    [[nodiscard]] BaseNode* getNextButton() const { return m_nextButton.get(); }
    [[nodiscard]] BaseNode* getPrevButton() const { return m_prevButton.get(); }

protected:
    ~SliderNode() override;

    // Without an area the slider counts as horizontal.
    [[nodiscard]] bool isHorizontal() const;
    [[nodiscard]] float valueFraction() const;
    [[nodiscard]] float pageFraction() const;
    // Posts CEventValueChanged to the parent when Value differs from `before`.
    void postIfChanged(float before);

private:
    void setMinValueProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getMinValueProperty() const;
    void setMaxValueProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getMaxValueProperty() const;
    void setValueProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getValueProperty() const;
    void setDeltaValueProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getDeltaValueProperty() const;
    void setKnobTypeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getKnobTypeProperty() const;

    // Looks the four parts up among the template root's direct children.
    void findParts();

    CRefHandle<BaseNode> m_slidingArea;
    CRefHandle<BaseNode> m_knob;
    CRefHandle<BaseNode> m_nextButton;
    CRefHandle<BaseNode> m_prevButton;
    ValueRange m_range;
    float m_pageSize = 0.0f;
    float m_deltaValue = 5.0f;
    int32_t m_knobType = KnobMoving;
};
