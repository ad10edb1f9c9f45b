#include "engine/nodes/ButtonNode.h"

#include "engine/nodes/NodeContent.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/video/CAtlasTexture.h"

ButtonNode::ButtonNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {}

ButtonNode::~ButtonNode() = default;

const CStringW& ButtonNode::getTypeName() const {
    static const CStringW name(u"ButtonNode");
    return name;
}

const CStringW& ButtonNode::getClassName() const { return ButtonNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Text, image and the template parts

void ButtonNode::setText(const CStringW& text) {
    m_text = text;
    if (m_textChild)
        m_textChild->setText(m_text);
}

void ButtonNode::setImage(CAtlasTexture* image) {
    if (image != m_image.get())
        m_image = CRefHandle<CAtlasTexture>::share(image);
    if (m_imageChild)
        m_imageChild->setAtlasTexture(m_image.get());
}

void ButtonNode::findParts() {
    m_textChild.reset();
    m_imageChild.reset();
    if (ControlNode* root = getTemplateRoot()) {
        static const CName textName("Text");
        static const CName imageName("Image");
        m_textChild = CRefHandle<TextNode>::share(nodeCast<TextNode>(root->findChild(textName, 1)));
        m_imageChild = CRefHandle<SpriteNode>::share(nodeCast<SpriteNode>(root->findChild(imageName, 1)));
    }
    if (m_textChild)
        m_textChild->setText(m_text);
    setImage(m_image.get());
}

void ButtonNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ControlNode::applyTemplate();
    findParts();
}

bool ButtonNode::onDictionaryChanged(CEventDictionaryChanged* event) {
    if (ControlNode::onDictionaryChanged(event))
        return true;
    if (m_textChild)
        m_textChild->setText(m_text);
    return false;
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& ButtonNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& ButtonNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(ControlNode::propertyTable());
        t.add<&ButtonNode::setTextProperty, &ButtonNode::getTextProperty>("Text");
        t.add<&ButtonNode::setImageProperty, &ButtonNode::getImageProperty>("Image");
        return t;
    }();
    return table;
}

void ButtonNode::setTextProperty(const CRefHandle<IPropertyData>& value) { setText(getPropertyStringW(value)); }
CRefHandle<IPropertyData> ButtonNode::getTextProperty() const { return CPropertyDataStringW::create(m_text); }
void ButtonNode::setImageProperty(const CRefHandle<IPropertyData>& value) { setImage(atlasTextureOf(value)); }
CRefHandle<IPropertyData> ButtonNode::getImageProperty() const {
    return CPropertyDataAtlasTexture::create(m_image.get());
}

void ButtonNode::writeProperties(CPropertyBag& bag) const {
    ControlNode::writeProperties(bag);
    if (!m_text.empty())
        bag.setStringW("Text", m_text);
    if (m_image)
        bag.setAtlasTexture("Image", m_image.get());
}

void ButtonNode::readProperties(const CPropertyBag& bag) {
    ControlNode::readProperties(bag);
    if (bag.indexOf("Text") >= 0)
        setText(getPropertyStringW(bag.get("Text")));
    if (bag.indexOf("Image") >= 0)
        setImage(atlasTextureOf(bag.get("Image")));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* ButtonNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<ButtonNode>(parent, sceneManager);
}

void ButtonNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    ControlNode::copyFrom(source, sceneManager);
    const ButtonNode* button = nodeCast<ButtonNode>(source);
    if (!button || button == this)
        return;
    m_text = button->m_text;
    m_image = CRefHandle<CAtlasTexture>::share(button->m_image.get());
    // The copy has a template root of its own: its parts are found there.
    findParts();
}

// ---------------------------------------------------------------------------
// Back button

const CStringW& BackButtonNode::getTypeName() const {
    static const CStringW name(u"BackButtonNode");
    return name;
}

const CStringW& BackButtonNode::getClassName() const { return BackButtonNode::getTypeName(); }

BaseNode* BackButtonNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<BackButtonNode>(parent, sceneManager);
}

const CEventHandlerTable& BackButtonNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& BackButtonNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(ButtonNode::handlerTable());
        t.add<&BackButtonNode::onClicked>(CEventClicked::TypeId);
        return t;
    }();
    return table;
}

bool BackButtonNode::onClicked(CEventClicked*) {
    const SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    SceneNode* scene = manager ? manager->getCurrentScene() : nullptr;
    if (scene) {
        static const CName leave("NavBackFrom");
        static const CName enter("NavBackTo");
        const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);
        static_cast<void>(scene->navigateBack(0, leave, enter));
    }
    return false;
}
