#include "engine/nodes/MessageBoxNode.h"

#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"

MessageBoxNode::MessageBoxNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : SceneNode(contentName, parent, sceneManager) {}

MessageBoxNode::~MessageBoxNode() = default;

const CStringW& MessageBoxNode::getTypeName() const {
    static const CStringW name(u"MessageBoxNode");
    return name;
}

const CStringW& MessageBoxNode::getClassName() const { return MessageBoxNode::getTypeName(); }

BaseNode* MessageBoxNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<MessageBoxNode>(parent, sceneManager);
}

// ---------------------------------------------------------------------------
// Texts and buttons

void MessageBoxNode::setTitle(const CStringW& title) {
    m_title = title;
    if (m_titleChild)
        m_titleChild->setText(m_title);
}

void MessageBoxNode::setBody(const CStringW& body) {
    m_body = body;
    if (m_bodyChild)
        m_bodyChild->setText(m_body);
}

void MessageBoxNode::setButtonTexts(const CArray<CStringW>& texts) {
    m_buttonTexts = texts;
    pushButtonTexts();
}

void MessageBoxNode::pushButtonTexts() {
    for (uint32_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setText(i < m_buttonTexts.size() ? m_buttonTexts[i] : CStringW::emptyString());
}

void MessageBoxNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    SceneNode::applyTemplate();
    m_titleChild.reset();
    m_bodyChild.reset();
    m_buttons.clear();
    if (ControlNode* root = getTemplateRoot()) {
        static const CName titleName("TitleText");
        static const CName bodyName("BodyText");
        static const CName buttonName("Button");
        m_titleChild = CRefHandle<TextNode>::share(nodeCast<TextNode>(root->findChild(titleName, 1)));
        m_bodyChild = CRefHandle<TextNode>::share(nodeCast<TextNode>(root->findChild(bodyName, 1)));
        for (BaseNode* child : root->getChildren())
            if (child->getName() == buttonName)
                if (ButtonNode* button = nodeCast<ButtonNode>(child))
                    m_buttons.push_back(CRefHandle<ButtonNode>::share(button));
    }
    if (m_titleChild)
        m_titleChild->setText(m_title);
    if (m_bodyChild)
        m_bodyChild->setText(m_body);
    pushButtonTexts();
}

// ---------------------------------------------------------------------------
// Events

const CEventHandlerTable& MessageBoxNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& MessageBoxNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(SceneNode::handlerTable());
        t.add<&MessageBoxNode::onButtonClicked>(CEventClicked::TypeId);
        return t;
    }();
    return table;
}

bool MessageBoxNode::routeToChildren(int phase, CEvent* event) {
    if (SceneNode::routeToChildren(phase, event))
        return true;
    if (!event || (event->isKindOf(CEvent::KindInput) && !isVisibleAndEnabled()))
        return false;
    // A handler may close the box, which drops the buttons.
    const CArray<CRefHandle<ButtonNode>> buttons = m_buttons;
    for (const CRefHandle<ButtonNode>& button : buttons)
        if ((button->getMask() & event->getMask()) && button->dispatch(phase, event))
            return true;
    return false;
}

bool MessageBoxNode::onButtonClicked(CEventClicked* event) {
    for (uint32_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i].get() != event->getControl())
            continue;
        const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
        m_result = int32_t(i);
        static const CName leave("NavBackFrom");
        static const CName enter("NavBackTo");
        static_cast<void>(navigateBack(0, leave, enter));
        return true;
    }
    return false;
}
