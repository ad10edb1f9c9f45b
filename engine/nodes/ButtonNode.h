#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

class CAtlasTexture;
class CEventClicked;
class SpriteNode;
class TextNode;

// The push button: a control whose text and image are pushed into the
// "Text" and "Image" nodes among its template's top nodes. Hover, focus,
// press, states and clicks are the control's.
class ButtonNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 9;

    ButtonNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    // The control's copy, then the text and the image.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // Refills the template root, finds the "Text" and "Image" parts again and
    // pushes the text and image into them; nothing without a scene manager.
    void applyTemplate() override;
    // The template's texts translate themselves; the text part gets the
    // button's text again.
    bool onDictionaryChanged(CEventDictionaryChanged* event) override;

    // Stored, and shown when the template has a "Text" node.
    void setText(const CStringW& text);
    [[nodiscard]] const CStringW& getText() const { return m_text; }
    // Held (may be null) and always pushed into the "Image" sprite, so a
    // button without an image clears the template sprite's picture.
    void setImage(CAtlasTexture* image);
    [[nodiscard]] CAtlasTexture* getImage() const { return m_image.get(); }

    // The parts found at the last template application; null when missing.
    [[nodiscard]] TextNode* getTextChild() const { return m_textChild.get(); }
    [[nodiscard]] SpriteNode* getImageChild() const { return m_imageChild.get(); }

protected:
    ~ButtonNode() override;

private:
    void setTextProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTextProperty() const;
    void setImageProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getImageProperty() const;

    // Looks the parts up among the template root's direct children and
    // pushes the text and image into them.
    void findParts();

    CStringW m_text;
    CRefHandle<CAtlasTexture> m_image;
    CRefHandle<TextNode> m_textChild;
    CRefHandle<SpriteNode> m_imageChild;
};

// A button whose completed click sends the current scene back to the one
// below it ("NavBackFrom", "NavBackTo"). The click still climbs on to the
// parents as every click does.
class BackButtonNode : public ButtonNode {
public:
    static constexpr int32_t TypeId = 10;

    using ButtonNode::ButtonNode;

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ButtonNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    bool onClicked(CEventClicked* event);

protected:
    ~BackButtonNode() override = default;
};
