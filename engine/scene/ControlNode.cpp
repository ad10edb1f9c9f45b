#include "engine/scene/ControlNode.h"

#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CLog.h"
#include "engine/core/CMap.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CEventClick.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventDictionaryChanged.h"
#include "engine/scene/CEventFocusOther.h"
#include "engine/scene/CEventFocusRequest.h"
#include "engine/scene/CEventFocused.h"
#include "engine/scene/CEventHoverEnter.h"
#include "engine/scene/CEventHoverOther.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventNodeStateApplying.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventNodeStateFinished.h"
#include "engine/scene/CEventPressed.h"
#include "engine/scene/CEventReleased.h"
#include "engine/scene/CEventStateStarted.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/CEventUnfocused.h"
#include "engine/scene/CEventUnhovered.h"
#include "engine/scene/CNodePairEvent.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/IGraphicsDriver.h"

namespace {

// Ids of press and release requests: base ids without an event class.
constexpr int32_t kPressRequestId = 51;
constexpr int32_t kReleaseRequestId = 53;

// The visual state names of a control, interned once.
struct ControlStates {
    CName normal{"Normal"};
    CName focus{"Focus"};
    CName killFocus{"KillFocus"};
    CName press{"Press"};
    CName pressed{"Pressed"};
    CName killPressed{"KillPressed"};
    CName normalHover{"NormalHover"};
    CName normalKillHover{"NormalKillHover"};
    CName focusHover{"FocusHover"};
    CName focusKillHover{"FocusKillHover"};
    CName normalDisable{"NormalDisable"};
    CName focusDisable{"FocusDisable"};
};

const ControlStates& states() {
    static const ControlStates names;
    return names;
}

const CName& templateRootName() {
    static const CName name("TemplateRoot");
    return name;
}

} // namespace

ControlNode::ControlNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setMask(getMask() | ControlMask);
}

ControlNode::~ControlNode() {
    m_focusedChild.reset();
    releaseTemplateRoot();
}

const CStringW& ControlNode::getTypeName() const {
    static const CStringW name(u"ControlNode");
    return name;
}

const CStringW& ControlNode::getClassName() const { return ControlNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& ControlNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& ControlNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&ControlNode::setDefaultFocusObjectProperty, &ControlNode::getDefaultFocusObjectProperty>(
            "DefaultFocusObject");
        t.add<&ControlNode::setNavLeftProperty, &ControlNode::getNavLeftProperty>("NavLeftObjectName");
        t.add<&ControlNode::setNavRightProperty, &ControlNode::getNavRightProperty>("NavRightObjectName");
        t.add<&ControlNode::setNavDownProperty, &ControlNode::getNavDownProperty>("NavDownObjectName");
        t.add<&ControlNode::setNavUpProperty, &ControlNode::getNavUpProperty>("NavUpObjectName");
        t.add<&ControlNode::setTemplateNameProperty, &ControlNode::getTemplateNameProperty>("TemplateName");
        t.add<&ControlNode::setEnabledProperty, &ControlNode::getEnabledProperty>("Enabled");
        t.add<&ControlNode::setPressModeProperty, &ControlNode::getPressModeProperty>("PressMode");
        t.add<&ControlNode::setWantFocusProperty, &ControlNode::getWantFocusProperty>("WantFocus");
        t.add<&ControlNode::setFocusOnHoverProperty, &ControlNode::getFocusOnHoverProperty>("IsFocusOnHover");
        t.add<&ControlNode::setHoverTrackProperty, &ControlNode::getHoverTrackProperty>("HoverTrack");
        return t;
    }();
    return table;
}

void ControlNode::setDefaultFocusObjectProperty(const CRefHandle<IPropertyData>& value) {
    m_defaultFocusObjectName = getPropertyNameId(value);
}
CRefHandle<IPropertyData> ControlNode::getDefaultFocusObjectProperty() const {
    return CPropertyDataString::createFromNameId(m_defaultFocusObjectName);
}
void ControlNode::setNavLeftProperty(const CRefHandle<IPropertyData>& value) {
    m_navLeftObjectName = getPropertyNameId(value);
}
CRefHandle<IPropertyData> ControlNode::getNavLeftProperty() const {
    return CPropertyDataString::createFromNameId(m_navLeftObjectName);
}
void ControlNode::setNavRightProperty(const CRefHandle<IPropertyData>& value) {
    m_navRightObjectName = getPropertyNameId(value);
}
CRefHandle<IPropertyData> ControlNode::getNavRightProperty() const {
    return CPropertyDataString::createFromNameId(m_navRightObjectName);
}
void ControlNode::setNavDownProperty(const CRefHandle<IPropertyData>& value) {
    m_navDownObjectName = getPropertyNameId(value);
}
CRefHandle<IPropertyData> ControlNode::getNavDownProperty() const {
    return CPropertyDataString::createFromNameId(m_navDownObjectName);
}
void ControlNode::setNavUpProperty(const CRefHandle<IPropertyData>& value) {
    m_navUpObjectName = getPropertyNameId(value);
}
CRefHandle<IPropertyData> ControlNode::getNavUpProperty() const {
    return CPropertyDataString::createFromNameId(m_navUpObjectName);
}
void ControlNode::setTemplateNameProperty(const CRefHandle<IPropertyData>& value) {
    setTemplateName(getPropertyNameId(value));
}
CRefHandle<IPropertyData> ControlNode::getTemplateNameProperty() const {
    return CPropertyDataString::createFromNameId(m_templateName);
}
void ControlNode::setEnabledProperty(const CRefHandle<IPropertyData>& value) { setEnabled(getPropertyBool(value)); }
CRefHandle<IPropertyData> ControlNode::getEnabledProperty() const { return CPropertyDataBool::create(m_enabled); }
void ControlNode::setPressModeProperty(const CRefHandle<IPropertyData>& value) {
    m_pressMode = getPropertyPressMode(value, m_pressMode);
}
CRefHandle<IPropertyData> ControlNode::getPressModeProperty() const { return CPropertyDataInt::create(m_pressMode); }
void ControlNode::setWantFocusProperty(const CRefHandle<IPropertyData>& value) { m_wantFocus = getPropertyBool(value); }
CRefHandle<IPropertyData> ControlNode::getWantFocusProperty() const { return CPropertyDataBool::create(m_wantFocus); }
void ControlNode::setFocusOnHoverProperty(const CRefHandle<IPropertyData>& value) {
    m_focusOnHover = getPropertyBool(value);
}
CRefHandle<IPropertyData> ControlNode::getFocusOnHoverProperty() const {
    return CPropertyDataBool::create(m_focusOnHover);
}
void ControlNode::setHoverTrackProperty(const CRefHandle<IPropertyData>& value) {
    m_hoverTrack = getPropertyBool(value);
}
CRefHandle<IPropertyData> ControlNode::getHoverTrackProperty() const { return CPropertyDataBool::create(m_hoverTrack); }

void ControlNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    const struct {
        const char* key;
        CName value;
    } names[] = {
        {"DefaultFocusObjectName", m_defaultFocusObjectName},
        {"NavLeftObjectName", m_navLeftObjectName},
        {"NavRightObjectName", m_navRightObjectName},
        {"NavDownObjectName", m_navDownObjectName},
        {"NavUpObjectName", m_navUpObjectName},
        {"TemplateName", m_templateName},
    };
    for (const auto& name : names)
        if (!name.value.empty())
            bag.setString(name.key, name.value.str());
    if (!m_enabled)
        bag.setBool("Enabled", false);
    if (m_pressMode != 0)
        bag.setInt("PressMode", m_pressMode);
    if (!m_wantFocus)
        bag.setBool("WantFocus", false);
    if (m_focusOnHover)
        bag.setBool("IsFocusOnHover", true);
    if (!m_hoverTrack)
        bag.setBool("HoverTrack", false);
}

void ControlNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    auto present = [&bag](const char* key) { return bag.indexOf(key) >= 0; };
    const struct {
        const char* key;
        CName* field;
    } names[] = {
        {"DefaultFocusObjectName", &m_defaultFocusObjectName},
        {"NavLeftObjectName", &m_navLeftObjectName},
        {"NavRightObjectName", &m_navRightObjectName},
        {"NavDownObjectName", &m_navDownObjectName},
        {"NavUpObjectName", &m_navUpObjectName},
    };
    for (const auto& name : names)
        if (present(name.key))
            *name.field = getPropertyNameId(bag.get(name.key));
    if (present("WantFocus"))
        m_wantFocus = getPropertyBool(bag.get("WantFocus"));
    if (present("IsFocusOnHover"))
        m_focusOnHover = getPropertyBool(bag.get("IsFocusOnHover"));
    if (present("HoverTrack"))
        m_hoverTrack = getPropertyBool(bag.get("HoverTrack"));
    if (present("Enabled"))
        setEnabled(getPropertyBool(bag.get("Enabled")));
    if (present("PressMode"))
        m_pressMode = getPropertyPressMode(bag.get("PressMode"), m_pressMode);
    if (present("TemplateName")) {
        m_templateName = getPropertyNameId(bag.get("TemplateName"));
        applyTemplate();
    }
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* ControlNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<ControlNode>(parent, sceneManager);
}

void ControlNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const ControlNode* control = nodeCast<ControlNode>(source);
    if (!control || control == this)
        return;
    m_enabled = control->m_enabled;
    m_pressMode = control->m_pressMode;
    m_wantFocus = control->m_wantFocus;
    m_hoverTrack = control->m_hoverTrack;
    m_focusOnHover = control->m_focusOnHover;
    m_defaultFocusObjectName = control->m_defaultFocusObjectName;
    m_navLeftObjectName = control->m_navLeftObjectName;
    m_navRightObjectName = control->m_navRightObjectName;
    m_navDownObjectName = control->m_navDownObjectName;
    m_navUpObjectName = control->m_navUpObjectName;
    m_templateName = control->m_templateName;
    releaseTemplateRoot();
    if (control->m_templateRoot)
        copyChildrenAndStates(control->m_templateRoot.get(), ensureTemplateRoot());
}

// ---------------------------------------------------------------------------
// Template root

ControlNode* ControlNode::ensureTemplateRoot() {
    if (m_templateRoot)
        return m_templateRoot.get();
    static const CStringW wideName(u"TemplateRoot");
    ControlNode* root =
        new ControlNode(CObjectName(getContentName().owner(), wideName), nullptr, getSceneManager<BaseNode>());
    root->setName(templateRootName());
    root->setNotSerialised(true);
    // The root is not in the children list: attaching takes a reference that
    // this control owns; it keeps the creation reference instead.
    root->setParent(this);
    root->release();
    m_templateRoot.reset(root);
    return root;
}

void ControlNode::releaseTemplateRoot() {
    if (!m_templateRoot)
        return;
    CRefHandle<ControlNode> root = std::move(m_templateRoot);
    m_templateRoot.reset();
    root->setParent(nullptr);
    root->setSceneManager(nullptr, nullptr);
}

void ControlNode::setTemplateName(CName name) {
    m_templateName = name;
    applyTemplate();
}

void ControlNode::applyTemplate() {
    SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    if (!manager)
        return;
    CRefHandle<TemplateCollectionNode> collection =
        CRefHandle<TemplateCollectionNode>::share(manager->getTemplateCollection());
    if (!collection)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    ControlNode* root = ensureTemplateRoot();
    const CRefHandle<ControlNode> keepRoot = CRefHandle<ControlNode>::share(root);
    // Copies of a template may hold controls that apply templates in turn; a
    // template met again on that chain would copy itself for ever.
    if (!collection->beginApply(m_templateName)) {
        CLog::instance()->log(CString("Template applies itself: ") + m_templateName.str(), CLog::Error);
        static_cast<void>(collection->applyTemplate(CName(), root));
        return;
    }
    static_cast<void>(collection->applyTemplate(m_templateName, root));
    root->updateAbsoluteTransformation();
    root->updateAbsoluteColor();
    const CRefHandle<CEventTemplatesChanged> changed(new CEventTemplatesChanged(collection.get()));
    root->routeToChildren(HandleThenChildren, changed.get());
    collection->endApply(m_templateName);
    onEnabledChanged();
}

bool ControlNode::onManagerAttached(CEventManagerAttached*) {
    applyTemplate();
    return false;
}

bool ControlNode::onTemplatesChanged(CEventTemplatesChanged*) {
    applyTemplate();
    return false;
}

bool ControlNode::onDictionaryChanged(CEventDictionaryChanged* event) {
    if (ControlNode* root = m_templateRoot.get()) {
        const CRefHandle<ControlNode> keepRoot = CRefHandle<ControlNode>::share(root);
        if (!root->handleEvent(event))
            root->routeToChildren(HandleThenChildren, event);
    }
    return false;
}

bool ControlNode::onStateStarted(CEventStateStarted*) { return true; }

// ---------------------------------------------------------------------------
// Events

const CEventHandlerTable& ControlNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& ControlNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(BaseNode::handlerTable());
        t.add<&ControlNode::onHoverEnter>(CEventHoverEnter::TypeId);
        t.add<&ControlNode::onHoverOther>(CEventHoverOther::TypeId);
        t.add<&ControlNode::onFocusRequest>(CEventFocusRequest::TypeId);
        t.add<&ControlNode::onFocusOther>(CEventFocusOther::TypeId);
        t.add<&ControlNode::onPressRequest>(kPressRequestId);
        t.add<&ControlNode::onReleaseRequest>(kReleaseRequestId);
        t.add<&ControlNode::onClick>(CEventClick::TypeId);
        t.add<&ControlNode::onMouseMove>(CEventMouseMove::TypeId);
        t.add<&ControlNode::onMouseDown>(CEventMouseLeftDown::TypeId);
        t.add<&ControlNode::onMouseUp>(CEventMouseLeftUp::TypeId);
        t.add<&ControlNode::onKeyDown>(CEventKeyDown::TypeId);
        t.add<&ControlNode::onKeyUp>(CEventKeyUp::TypeId);
        return t;
    }();
    return table;
}

bool ControlNode::routeToChildren(int phase, CEvent* event) {
    if (event && event->isKindOf(CEvent::KindInput) && !isVisibleAndEnabled())
        return false;
    return BaseNode::routeToChildren(phase, event);
}

void ControlNode::onDescendantRemoved(BaseNode* node) {
    // The focus path is remembered only while it runs through this subtree.
    if (m_focusedChild && (m_focusedChild == node || node->isAncestorOf(m_focusedChild.get())))
        m_focusedChild.reset();
}

bool ControlNode::isDirectChild(const BaseNode* node) const {
    return node && getChildren().indexOf(const_cast<BaseNode*>(node)) >= 0;
}

// ---------------------------------------------------------------------------
// Focus

void ControlNode::setFocused(bool focused) {
    if (focused) {
        if (m_focused || !m_wantFocus)
            return;
        const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
        m_focused = true;
        setMask(getMask() | CEvent::MaskKeyboard);
        routeNewToParent<CEventFocusRequest>(HandleThenParent, nullptr, this);
        postNew<CEventFocused>(HandleThenParent, nullptr, this);
        if (!m_focusedChild || !isDirectChild(m_focusedChild.get()))
            focusDefault();
        onFocusChanged();
        return;
    }
    if (!m_focused)
        return;
    m_focused = false;
    setMask(getMask() & ~CEvent::MaskKeyboard);
    postNew<CEventUnfocused>(HandleThenParent, this, nullptr);
    onFocusChanged();
}

bool ControlNode::onFocusRequest(CEventFocusRequest* event) {
    BaseNode* onNode = event->getOnNode();
    if (!onNode || onNode == this) {
        setFocused(true);
    } else if (isAncestorOf(onNode)) {
        m_focusedChild = CRefHandle<BaseNode>::share(onNode);
        setFocused(true);
        const CRefHandle<CEventFocusOther> other(new CEventFocusOther(nullptr, onNode));
        BaseNode::routeToChildren(HandleOnly, other.get());
    }
    return true;
}

bool ControlNode::onFocusOther(CEventFocusOther* event) {
    const BaseNode* offNode = event->getOffNode();
    if (event->getOnNode() != this && (!offNode || offNode == this))
        setFocused(false);
    return false;
}

void ControlNode::focusDefault() {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<CEventFocusRequest> request(new CEventFocusRequest(nullptr, nullptr));
    bool consumed = false;
    if (!m_defaultFocusObjectName.empty()) {
        if (BaseNode* child = findChild(m_defaultFocusObjectName, 1)) {
            const CRefHandle<BaseNode> keepChild = CRefHandle<BaseNode>::share(child);
            consumed = child->handleEvent(request.get());
        }
    }
    if (!consumed)
        BaseNode::routeToChildren(HandleOnly, request.get());
}

bool ControlNode::onKeyDown(CEventKeyDown* event) {
    CName ControlNode::*navField = nullptr;
    switch (event->getKeyCode()) {
    case CEventKey::KeyLeft:
        navField = &ControlNode::m_navLeftObjectName;
        break;
    case CEventKey::KeyUp:
        navField = &ControlNode::m_navUpObjectName;
        break;
    case CEventKey::KeyRight:
        navField = &ControlNode::m_navRightObjectName;
        break;
    case CEventKey::KeyDown:
        navField = &ControlNode::m_navDownObjectName;
        break;
    default:
        return false;
    }
    const ControlNode* focusedChild = nodeCast<ControlNode>(m_focusedChild.get());
    if (!focusedChild)
        return false;
    const CName targetName = focusedChild->*navField;
    if (targetName.empty())
        return false;
    ControlNode* target = nodeCast<ControlNode>(findChild(targetName, 1));
    if (!target || !target->m_wantFocus)
        return false;
    target->setFocused(true);
    return true;
}

bool ControlNode::onKeyUp(CEventKeyUp*) { return false; }

// ---------------------------------------------------------------------------
// Hover

void ControlNode::setHovered(bool hovered) {
    if (m_hovered == hovered)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    m_hovered = hovered;
    if (hovered) {
        routeNewToParent<CEventHoverEnter>(HandleThenParent, nullptr, this);
        postNew<CEventHovered>(HandleThenParent, nullptr, this);
        if (m_focusOnHover)
            setFocused(true);
    } else {
        postNew<CEventUnhovered>(HandleThenParent, this, nullptr);
    }
    onHoverChanged();
}

bool ControlNode::onHoverEnter(CEventHoverEnter* event) {
    BaseNode* onNode = event->getOnNode();
    if (onNode == this) {
        setHovered(true);
    } else if (isAncestorOf(onNode)) {
        setHovered(true);
        const CRefHandle<CEventHoverOther> other(new CEventHoverOther(nullptr, onNode));
        BaseNode::routeToChildren(HandleOnly, other.get());
    }
    return true;
}

bool ControlNode::onHoverOther(CEventHoverOther* event) {
    const BaseNode* offNode = event->getOffNode();
    if (event->getOnNode() != this && (!offNode || offNode == this))
        setHovered(false);
    return false;
}

// ---------------------------------------------------------------------------
// Mouse, press and click

bool ControlNode::isHitBy(int32_t x, int32_t y) { return getNodeAt(CVector3d(float(x), float(y), 0.0f)) != nullptr; }

bool ControlNode::onMouseMove(CEventMouseMove* event) {
    if (!m_hoverTrack)
        return false;
    if (isHitBy(event->getX(), event->getY())) {
        setHovered(true);
        return true;
    }
    setHovered(false);
    return false;
}

bool ControlNode::onMouseDown(CEventMouseLeftDown* event) {
    if (!m_enabled || !isHitBy(event->getX(), event->getY()))
        return false;
    if (m_pressMode == PressOnUpOnly)
        return true;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (!m_clickLatch)
        setPressed(true);
    setFocused(true);
    if (m_pressMode == PressOnDown || m_pressMode == PressOnDownAndUp)
        static_cast<void>(click());
    return true;
}

bool ControlNode::onMouseUp(CEventMouseLeftUp* event) {
    if (m_pressMode == PressOnDown)
        return false;
    if (!m_enabled || !isHitBy(event->getX(), event->getY())) {
        setPressed(false);
        return false;
    }
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (m_pressMode == PressOnUpOnly || m_pressMode == PressOnDownAndUp) {
        // While the click of the down is latched the up is refused; pressing
        // the control then would leave it looking pressed once "Press" ends.
        if (!m_clickLatch)
            setPressed(true);
        setFocused(true);
        static_cast<void>(click());
        return true;
    }
    if (m_pressed)
        static_cast<void>(click());
    return false;
}

bool ControlNode::onPressRequest(CEvent* event) {
    const CNodePairEvent* pair = dynamic_cast<const CNodePairEvent*>(event);
    if (pair && pair->getOnNode() == this)
        setPressed(true);
    return true;
}

bool ControlNode::onReleaseRequest(CEvent* event) {
    const CNodePairEvent* pair = dynamic_cast<const CNodePairEvent*>(event);
    if (pair && pair->getOnNode() != this && (!pair->getOffNode() || pair->getOffNode() == this))
        setPressed(false);
    return false;
}

void ControlNode::setPressed(bool pressed) {
    if (m_pressed == pressed)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    m_pressed = pressed;
    if (pressed)
        postNew<CEventPressed>(HandleThenParent, nullptr, this);
    else
        postNew<CEventReleased>(HandleThenParent, this, nullptr);
    onPressedChanged();
}

bool ControlNode::click() {
    if (m_clickLatch)
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    m_clickLatch = true;
    m_pressed = false;
    postNew<CEventClickStarted>(HandleThenParent, this);
    showPressState();
    return true;
}

bool ControlNode::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    if (m_templateRoot && event->getNode() == m_templateRoot.get()) {
        // Handlers of the finished root may drop this control or replace its
        // template root.
        const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
        const CRefHandle<ControlNode> root = m_templateRoot;
        handleNew<CEventNodeStateFinished>(root.get(), event->getStateId());
        return true;
    }
    if (event->getStateId() == states().press && m_clickLatch) {
        const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
        m_clickLatch = false;
        showCurrentState();
        const CRefHandle<CEventClick> clickEvent(new CEventClick(this));
        if (!handleEvent(clickEvent.get()))
            routeToParent(HandleThenParent, clickEvent.get());
        return true;
    }
    return false;
}

bool ControlNode::onClick(CEventClick*) {
    postNew<CEventClicked>(HandleThenParent, this);
    return true;
}

// ---------------------------------------------------------------------------
// Enabled flag and visual states

void ControlNode::setEnabled(bool enabled) {
    m_enabled = enabled;
    onEnabledChanged();
}

void ControlNode::setPressMode(int32_t mode) {
    if (mode >= PressOnRelease && mode <= PressOnDownAndUp)
        m_pressMode = mode;
}

CName ControlNode::getFallbackState(CName state) {
    static const CMap<CName, CName> fallbacks = [] {
        const ControlStates& s = states();
        CMap<CName, CName> map;
        map.insert(s.focus, s.normal);
        map.insert(s.killFocus, s.normal);
        map.insert(s.normalDisable, s.normal);
        map.insert(s.focusDisable, s.normalDisable);
        map.insert(s.pressed, s.focus);
        map.insert(s.killPressed, s.focus);
        map.insert(s.press, s.focus);
        map.insert(s.normalKillHover, s.normal);
        map.insert(s.focusHover, s.normalHover);
        map.insert(s.focusKillHover, s.focus);
        return map;
    }();
    auto found = fallbacks.find(state);
    return found == fallbacks.end() ? CName() : found->value;
}

void ControlNode::showState(CName state) { applyStateRecursive(state, &ControlNode::getFallbackState); }

void ControlNode::showPressState() { showState(states().press); }

void ControlNode::showCurrentState() {
    const ControlStates& s = states();
    if (m_pressed)
        showState(s.pressed);
    else if (m_hovered)
        showState(m_focused ? s.focusHover : s.normalHover);
    else
        showState(m_focused ? s.focusKillHover : s.normalKillHover);
}

void ControlNode::onPressedChanged() {
    if (m_pressed && !m_clickLatch)
        showState(states().pressed);
}

void ControlNode::onHoverChanged() {
    if (!m_enabled || m_clickLatch)
        return;
    const ControlStates& s = states();
    if (m_hovered)
        showState(m_pressed ? s.pressed : m_focused ? s.focusHover : s.normalHover);
    else
        showState(m_pressed ? s.killPressed : m_focused ? s.focusKillHover : s.normalKillHover);
}

void ControlNode::onFocusChanged() {
    const ControlStates& s = states();
    if (!m_enabled) {
        showState(m_focused ? s.focusDisable : s.normalDisable);
        return;
    }
    if (m_clickLatch || m_pressed)
        return;
    if (m_focused)
        showState(m_hovered ? s.focusHover : s.focus);
    else
        showState(m_hovered ? s.normalHover : s.killFocus);
}

void ControlNode::onEnabledChanged() { onFocusChanged(); }

// ---------------------------------------------------------------------------
// States over the template root and the children

void ControlNode::applyStateRecursive(CName id, FallbackFunction fallback) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<ControlNode> root = m_templateRoot;
    const bool rootTakesPart = root && !root->getChildren().empty();
    const CArray<CRefHandle<BaseNode>> children = childSnapshot(this);
    const int count = int(children.size()) + (rootTakesPart ? 1 : 0);
    if (count == 0) {
        reportStateEvents(id, true);
        return;
    }
    handleNew<CEventNodeStateApplying>(this, id);
    setPendingCount(id, count);
    if (rootTakesPart)
        root->applyStateRecursive(id, fallback);
    for (const CRefHandle<BaseNode>& child : children)
        child->setState(id, fallback, CName());
}

void ControlNode::stopChildStates(bool complete) {
    if (m_templateRoot && !m_templateRoot->getChildren().empty()) {
        const CRefHandle<ControlNode> root = m_templateRoot;
        root->stopCurrentState(complete);
    }
    BaseNode::stopChildStates(complete);
}

// ---------------------------------------------------------------------------
// Transform, colour, drawing and picking

void ControlNode::updateAbsoluteTransformation() {
    BaseNode::updateAbsoluteTransformation();
    if (m_templateRoot)
        m_templateRoot->updateAbsoluteTransformation();
}

void ControlNode::updateAbsoluteColor() {
    BaseNode::updateAbsoluteColor();
    if (m_templateRoot)
        m_templateRoot->updateAbsoluteColor();
}

void ControlNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (areChildrenClipped()) {
        if (m_templateRoot || !getChildren().empty())
            list.push_back(CRenderItem{this, 0, getDepth()});
        return;
    }
    if (m_templateRoot)
        m_templateRoot->registerForRendering(list);
    registerChildren(getChildren(), list);
}

void ControlNode::render(IGraphicsDriver* driver, const CRect* clip) {
    if (!driver || !areChildrenClipped())
        return;
    CArray<CRenderItem> list;
    if (m_templateRoot)
        m_templateRoot->registerForRendering(list);
    registerChildren(getChildren(), list);
    renderClippedGroup(driver, list, clip);
}

bool ControlNode::hitTest(const CVector3d& point) const {
    return isVisible() && canBeHit() && m_templateRoot && m_templateRoot->getNodeAt(point) != nullptr;
}
