#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

class TextNode;

// The text input: a control that keeps Text, shows it in the "Text" node of
// its template (a TextNode) and moves that node's "Cursor" child to the
// insertion point. Typed characters pass the input mask and the maximum
// length; Backspace, Delete, Enter, Home, End and the arrows edit and move;
// a press places the cursor under the pointer. Every edit made by a key
// posts CEventValueChanged to the parent; setText and property reads don't.
// Up on the first line and Down on the last go on to the focus navigation.
class EditNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 12;
    // Mask classes.
    static constexpr int32_t MaskDigits = 0x01;
    static constexpr int32_t MaskLetters = 0x02;
    static constexpr int32_t MaskBlanks = 0x04;
    static constexpr int32_t MaskLineBreaks = 0x10;
    static constexpr int32_t MaskTab = 0x20;
    static constexpr int32_t MaskAll = -1;
    // Keys arriving this soon after the text was set are swallowed, so the
    // key that opened or refilled the field does not type into it.
    static constexpr uint32_t DefaultKeyDelay = 100;

    EditNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ControlNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The control's copy, then the text, the maximum length and the mask.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // The cursor node shows only while the field has the focus.
    void setFocused(bool focused) override;
    // Refills the template root, finds "Text" and its "Cursor" again and
    // sets the text into them; nothing without a scene manager.
    void applyTemplate() override;
    bool onMouseDown(CEventMouseLeftDown* event) override;
    bool onKeyDown(CEventKeyDown* event) override;
    bool onKeyUp(CEventKeyUp* event) override;

    // Stored; with a text part, shown there with the cursor before the first
    // character, and keys are swallowed for the key delay.
    void setText(const CStringW& text);
    [[nodiscard]] const CStringW& getText() const { return m_text; }
    // -1 allows any length.
    void setMaxTextLength(int32_t length) { m_maxTextLength = length; }
    [[nodiscard]] int32_t getMaxTextLength() const { return m_maxTextLength; }
    // Letters of the allowed classes: "0" digits, "A" letters, "S" blanks,
    // "R" line breaks, "T" tab (case-insensitive); empty allows everything.
    void setInputMask(const CString& mask);
    [[nodiscard]] const CString& getInputMask() const { return m_inputMask; }
    [[nodiscard]] int32_t getMaskFlags() const { return m_maskFlags; }
    [[nodiscard]] bool isAllowed(char16_t c) const;
    void setKeyDelay(uint32_t ms) { m_keyDelay = ms; }
    [[nodiscard]] uint32_t getKeyDelay() const { return m_keyDelay; }

    // The cursor stands after `column` of `line` of the text part's lines
    // (-1: before the first character).
    [[nodiscard]] int32_t getCursorLine() const { return m_cursorLine; }
    [[nodiscard]] int32_t getCursorColumn() const { return m_cursorColumn; }
    [[nodiscard]] TextNode* getTextChild() const { return m_textChild.get(); }
    [[nodiscard]] BaseNode* getCursorChild() const { return m_cursorChild.get(); }

protected:
    ~EditNode() override;

private:
    void setTextProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTextProperty() const;
    void setMaxTextLengthProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getMaxTextLengthProperty() const;
    void setInputMaskProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getInputMaskProperty() const;

    // The engine clock's time in ms; false without an engine.
    [[nodiscard]] bool now(uint32_t& ms);
    [[nodiscard]] int32_t lineCount() const;
    [[nodiscard]] int32_t lineLength(int32_t line) const;
    // After the text child edited its text: takes the text back, puts the
    // cursor at `line` and `column` (brought back onto the lines there are),
    // shows it and reports the change.
    void edited(int32_t line, int32_t column);
    // Moves the cursor node to the insertion point.
    void updateCursor();

    CRefHandle<TextNode> m_textChild;
    CRefHandle<BaseNode> m_cursorChild;
    int32_t m_cursorLine = 0;
    int32_t m_cursorColumn = -1;
    uint32_t m_textSetTime = 0;
    // Cleared by the first key after the delay, so a clock that wraps
    // around never swallows keys again.
    bool m_keyDelayRunning = false;
    CStringW m_text;
    int32_t m_maxTextLength = -1;
    CString m_inputMask;
    int32_t m_maskFlags = MaskAll;
    uint32_t m_keyDelay = DefaultKeyDelay;
};
