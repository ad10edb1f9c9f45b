#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/IMessageBox.h"
#include "engine/scene/SceneNode.h"

#include <cstdint>

class ButtonNode;
class CEventClicked;
class TextNode;

// The modal question: a scene made from a template with a "TitleText" and a
// "BodyText" text and buttons named "Button" among its top nodes. The scene
// manager opens it over a screen; a click on one of its buttons records
// that button's index (template order) as the result and sends the box
// back, and the screen below then receives CEventMessageBoxClosed with it.
class MessageBoxNode : public SceneNode, public IMessageBox {
public:
    static constexpr int32_t TypeId = MessageBoxTypeId;

    MessageBoxNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || SceneNode::isKindOf(id); }

    using BaseNode::clone;
    // A box of its own: texts, result and buttons are not copied.
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    // The scene's routing, then the buttons, which live under the template
    // root.
    bool routeToChildren(int phase, CEvent* event) override;

    // Refills the template root and finds the texts and buttons again.
    void applyTemplate() override;
    // A click of one of the buttons closes the box (consumed); clicks of
    // other controls are not handled.
    virtual bool onButtonClicked(CEventClicked* event);

    void setButtonTexts(const CArray<CStringW>& texts) override;
    void setTitle(const CStringW& title) override;
    void setBody(const CStringW& body) override;
    [[nodiscard]] int32_t getResult() const override { return m_result; }
    [[nodiscard]] const CStringW& getTitle() const { return m_title; }
    [[nodiscard]] const CStringW& getBody() const { return m_body; }
    [[nodiscard]] uint32_t getButtonCount() const { return m_buttons.size(); }
    [[nodiscard]] ButtonNode* getButton(uint32_t index) const {
        return index < m_buttons.size() ? m_buttons[index].get() : nullptr;
    }

protected:
    ~MessageBoxNode() override;

private:
    void pushButtonTexts();

    int32_t m_result = 0;
    CStringW m_title;
    CStringW m_body;
    CArray<CStringW> m_buttonTexts;
    CRefHandle<TextNode> m_titleChild;
    CRefHandle<TextNode> m_bodyChild;
    CArray<CRefHandle<ButtonNode>> m_buttons;
};
