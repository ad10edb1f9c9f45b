#pragma once

#include "engine/nodes/ButtonNode.h"

#include <cstdint>

// A button with a checked flag. A click toggles the flag as it starts and
// posts CEventValueChanged to the parent; the look is one template state per
// combination of checked, enabled, focused and hovered ("NormalCheckHover",
// "FocusDisable" ...), falling back along checkBoxFallback so that a template
// may define only a few of them. Takes the focus when hovered.
class CheckBoxNode : public ButtonNode {
public:
    static constexpr int32_t TypeId = 11;

    CheckBoxNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ButtonNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The button's copy, then the flag (stored only).
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // The control's click, then the toggle and event 67; false (no toggle)
    // while an earlier click is latched.
    [[nodiscard]] bool click() override;
    void applyTemplate() override;
    void showPressState() override;
    // The check state shows instead.
    void showCurrentState() override {}
    void onPressedChanged() override {}
    void onHoverChanged() override;
    void onFocusChanged() override;
    // Applies the state of (checked, enabled, focused, hovered).
    virtual void showCheckState();

    // Stores the flag and shows it; posts nothing.
    void setChecked(bool checked);
    [[nodiscard]] bool isChecked() const { return m_checked; }

    // The check box's own fallbacks, then the control's.
    [[nodiscard]] static CName checkBoxFallback(CName state);

protected:
    ~CheckBoxNode() override = default;

private:
    void setCheckedProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getCheckedProperty() const;
    void showCheckBoxState(CName state);

    bool m_checked = false;
};
