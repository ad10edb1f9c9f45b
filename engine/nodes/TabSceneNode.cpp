#include "engine/nodes/TabSceneNode.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/CRenderItem.h"
#include "engine/scene/PropertyValues.h"

#include <string>

namespace {

CName tabName(int32_t number, const char* suffix) { return CName(("Tab" + std::to_string(number) + suffix).c_str()); }

// A node that would report a finished state only to itself: nothing under
// it takes the state, so it is done as soon as the state is applied.
bool finishesAtOnce(const BaseNode* page) {
    if (!page->getChildren().empty())
        return false;
    const ControlNode* control = nodeCast<ControlNode>(page);
    const ControlNode* root = control ? control->getTemplateRoot() : nullptr;
    return !root || root->getChildren().empty();
}

} // namespace

TabSceneNode::TabSceneNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : SceneNode(contentName, parent, sceneManager) {}

TabSceneNode::~TabSceneNode() = default;

const CStringW& TabSceneNode::getTypeName() const {
    static const CStringW name(u"TabSceneNode");
    return name;
}

const CStringW& TabSceneNode::getClassName() const { return TabSceneNode::getTypeName(); }

BaseNode* TabSceneNode::getPage(int32_t index) const {
    return index >= 0 && uint32_t(index) < m_pages.size() ? m_pages[uint32_t(index)].get() : nullptr;
}

BaseNode* TabSceneNode::getTabButton(int32_t index) const {
    return index >= 0 && uint32_t(index) < m_tabButtons.size() ? m_tabButtons[uint32_t(index)].get() : nullptr;
}

// ---------------------------------------------------------------------------
// Pages

void TabSceneNode::onLoaded() {
    SceneNode::onLoaded();
    m_pages.clear();
    m_tabButtons.clear();
    BaseNode* lastButton = nullptr;
    for (int32_t number = 1; number <= m_tabsCount; ++number) {
        m_pages.push_back(CRefHandle<BaseNode>::share(findChild(tabName(number, ""), 1)));
        BaseNode* button = findChild(tabName(number, "Button"), 1);
        m_tabButtons.push_back(CRefHandle<BaseNode>::share(button));
        if (button)
            lastButton = button;
    }
    if (m_pages.empty())
        return;
    const BaseNode* lastPage = m_pages[m_pages.size() - 1].get();
    const CArray<BaseNode*>& children = getChildren();
    for (uint32_t i = 0; i < children.size(); ++i) {
        if (lastPage && children[i] == lastPage)
            m_lastPageChild = int32_t(i);
        if (lastButton && children[i] == lastButton)
            m_lastButtonChild = int32_t(i);
    }
}

void TabSceneNode::setActiveTab(int32_t index, bool force) {
    if (index < 0 || uint32_t(index) >= m_pages.size() || (!force && index == m_activeTabIndex))
        return;
    // A tab without its page would never report the switch finished.
    if (!m_pages[uint32_t(index)])
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (BaseNode* page = getPage(m_previousIndex)) {
        page->stopStates(false);
        // Interrupted on its way out: it would never be hidden otherwise.
        if (m_pendingPages != 0 && m_previousIndex != index && page != getPage(m_activeTabIndex))
            page->setVisible(false);
    }
    if (BaseNode* page = getPage(m_activeTabIndex))
        page->stopStates(false);

    const CRefHandle<BaseNode> outgoing =
        CRefHandle<BaseNode>::share(index == m_activeTabIndex ? nullptr : getPage(m_activeTabIndex));
    const CRefHandle<BaseNode> incoming = m_pages[uint32_t(index)];
    m_previousIndex = index == m_activeTabIndex ? -1 : m_activeTabIndex;
    m_activeTabIndex = index;

    m_outgoingFinished = false;
    m_incomingFinished = false;
    const CRefHandle<CEventTabPageChange> change(new CEventTabPageChange(outgoing.get(), incoming.get()));
    const CRefHandle<CEventTabChanged> changed(new CEventTabChanged(outgoing.get(), incoming.get()));
    if (outgoing) {
        outgoing->handleEvent(change.get());
        outgoing->postDeferred(changed.get(), HandleThenParent);
    }
    incoming->handleEvent(change.get());
    incoming->postDeferred(changed.get(), HandleThenParent);

    incoming->setVisible(true);
    if (m_hideTabButtonOnSelect)
        if (BaseNode* button = getTabButton(m_activeTabIndex))
            button->setVisible(false);

    if (outgoing) {
        m_pendingPages = 2;
        m_switchState =
            CName((std::to_string(m_previousIndex + 1) + "To" + std::to_string(m_activeTabIndex + 1)).c_str());
        if (m_hideTabButtonOnSelect)
            if (BaseNode* button = getTabButton(m_previousIndex))
                button->setVisible(true);
        const CName state = m_switchState;
        outgoing->applyStateRecursive(state, nullptr);
        incoming->applyStateRecursive(state, nullptr);
        // Pages with nothing to play the state on are done at once.
        if (finishesAtOnce(outgoing.get()))
            pageFinished(outgoing.get());
        if (finishesAtOnce(incoming.get()))
            pageFinished(incoming.get());
        return;
    }

    m_pendingPages = 1;
    static const CName defaultState("Default");
    m_switchState = defaultState;
    for (const CRefHandle<BaseNode>& page : CArray<CRefHandle<BaseNode>>(m_pages)) {
        if (!page)
            continue;
        page->applyStateRecursive(defaultState, nullptr);
        if (page != incoming)
            page->setVisible(false);
    }
    if (m_hideTabButtonOnSelect)
        for (uint32_t i = 0; i < m_tabButtons.size(); ++i)
            if (m_tabButtons[i])
                m_tabButtons[i]->setVisible(int32_t(i) != m_activeTabIndex);
    if (m_switchState == defaultState && finishesAtOnce(incoming.get()))
        pageFinished(incoming.get());
}

bool TabSceneNode::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    BaseNode* node = event->getNode();
    if (!node || node->getParent() != this || m_switchState.empty() || event->getStateId() != m_switchState)
        return SceneNode::onAllChildrenFinished(event);
    const BaseNode* outgoing = getPage(m_previousIndex);
    if (node != outgoing && node != getPage(m_activeTabIndex))
        return SceneNode::onAllChildrenFinished(event);
    pageFinished(node);
    return true;
}

void TabSceneNode::pageFinished(BaseNode* page) {
    if (m_pendingPages <= 0)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    BaseNode* outgoing = getPage(m_previousIndex);
    BaseNode* incoming = getPage(m_activeTabIndex);
    // Each page counts once per switch, however often it reports.
    bool& done = page == incoming ? m_incomingFinished : m_outgoingFinished;
    if (done)
        return;
    done = true;
    --m_pendingPages;
    if (page == outgoing && page != incoming)
        page->setVisible(false);
    if (m_pendingPages > 0)
        return;
    const CRefHandle<CEventTabChangeFinished> finished(new CEventTabChangeFinished(outgoing, incoming));
    if (outgoing)
        outgoing->postDeferred(finished.get(), HandleThenParent);
    if (incoming)
        incoming->postDeferred(finished.get(), HandleThenParent);
    m_switchState = CName();
}

bool TabSceneNode::onManagerAttached(CEventManagerAttached* event) {
    SceneNode::onManagerAttached(event);
    setActiveTab(m_activeTabIndex, true);
    return false;
}

bool TabSceneNode::onTabButtonClickStarted(CEventClickStarted*) { return false; }

bool TabSceneNode::onTabButtonClicked(CEventClicked* event) {
    const BaseNode* sender = event->getControl();
    for (uint32_t i = 0; sender && i < m_tabButtons.size(); ++i)
        if (m_tabButtons[i].get() == sender) {
            setActiveTab(int32_t(i), false);
            break;
        }
    return false;
}

// ---------------------------------------------------------------------------
// Input and drawing

const CEventHandlerTable& TabSceneNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& TabSceneNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(SceneNode::handlerTable());
        t.add<&TabSceneNode::onTabButtonClickStarted>(CEventClickStarted::TypeId);
        t.add<&TabSceneNode::onTabButtonClicked>(CEventClicked::TypeId);
        return t;
    }();
    return table;
}

bool TabSceneNode::routeToChildren(int phase, CEvent* event) {
    if (!event)
        return false;
    if (!event->isKindOf(CEvent::KindInput)) {
        for (const CRefHandle<BaseNode>& child : childSnapshot(this))
            if ((child->getMask() & event->getMask()) && child->dispatch(phase, event))
                return true;
        return false;
    }
    if (m_pendingPages != 0 || !isVisibleAndEnabled())
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    // Receivers may change the tabs while the event is offered.
    CArray<CRefHandle<BaseNode>> order;
    order.push_back(CRefHandle<BaseNode>::share(getPage(m_activeTabIndex)));
    order.push_back(CRefHandle<BaseNode>::share(getTabButton(m_activeTabIndex)));
    for (uint32_t i = 0; i < m_tabButtons.size(); ++i)
        if (int32_t(i) != m_activeTabIndex)
            order.push_back(m_tabButtons[i]);
    for (const CRefHandle<BaseNode>& receiver : order)
        if (receiver && (receiver->getMask() & event->getMask()) && receiver->dispatch(ChildrenThenHandle, event))
            return true;
    return false;
}

void TabSceneNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    BaseNode* activePage = getPage(m_activeTabIndex);
    BaseNode* activeButton = getTabButton(m_activeTabIndex);
    const CArray<BaseNode*>& children = getChildren();
    for (uint32_t i = 0; i < children.size(); ++i) {
        BaseNode* child = children[i];
        if (child != activePage && child != activeButton)
            child->registerForRendering(list);
        if (activePage && int32_t(i) == m_lastPageChild)
            activePage->registerForRendering(list);
        if (activeButton && int32_t(i) == m_lastButtonChild)
            activeButton->registerForRendering(list);
    }
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& TabSceneNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& TabSceneNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(SceneNode::propertyTable());
        t.add<&TabSceneNode::setTabsCountProperty, &TabSceneNode::getTabsCountProperty>("TabsCount");
        t.add<&TabSceneNode::setActiveTabProperty, &TabSceneNode::getActiveTabProperty>("ActiveTabIndex");
        t.add<&TabSceneNode::setHideProperty, &TabSceneNode::getHideProperty>("HideTabButtonOnSelect");
        return t;
    }();
    return table;
}

void TabSceneNode::setTabsCountProperty(const CRefHandle<IPropertyData>& value) {
    m_tabsCount = tabsCountFromFile(getPropertyInt(value));
}

int32_t TabSceneNode::tabsCountFromFile(int32_t count) const {
    if (count <= MaxTabsFromFile)
        return count;
    CLog::instance()->log(CString("Tab count too large, limited: ") + getName().str(), CLog::Warning);
    return MaxTabsFromFile;
}
CRefHandle<IPropertyData> TabSceneNode::getTabsCountProperty() const { return CPropertyDataInt::create(m_tabsCount); }
void TabSceneNode::setActiveTabProperty(const CRefHandle<IPropertyData>& value) {
    setActiveTab(getPropertyInt(value), false);
}
CRefHandle<IPropertyData> TabSceneNode::getActiveTabProperty() const {
    return CPropertyDataInt::create(m_activeTabIndex);
}
void TabSceneNode::setHideProperty(const CRefHandle<IPropertyData>& value) {
    m_hideTabButtonOnSelect = getPropertyBool(value);
}
CRefHandle<IPropertyData> TabSceneNode::getHideProperty() const {
    return CPropertyDataBool::create(m_hideTabButtonOnSelect);
}

void TabSceneNode::writeProperties(CPropertyBag& bag) const {
    SceneNode::writeProperties(bag);
    if (m_tabsCount != 0)
        bag.setInt("TabsCount", m_tabsCount);
    if (m_activeTabIndex != -1)
        bag.setInt("ActiveTabIndex", m_activeTabIndex);
    if (m_hideTabButtonOnSelect)
        bag.setBool("HideTabButtonOnSelect", true);
}

void TabSceneNode::readProperties(const CPropertyBag& bag) {
    SceneNode::readProperties(bag);
    if (bag.indexOf("TabsCount") >= 0)
        m_tabsCount = tabsCountFromFile(getPropertyInt(bag.get("TabsCount")));
    if (bag.indexOf("ActiveTabIndex") >= 0)
        m_activeTabIndex = getPropertyInt(bag.get("ActiveTabIndex"));
    if (bag.indexOf("HideTabButtonOnSelect") >= 0)
        m_hideTabButtonOnSelect = getPropertyBool(bag.get("HideTabButtonOnSelect"));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* TabSceneNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<TabSceneNode>(parent, sceneManager);
}

void TabSceneNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    SceneNode::copyFrom(source, sceneManager);
    if (const TabSceneNode* tabs = nodeCast<TabSceneNode>(source)) {
        m_tabsCount = tabs->m_tabsCount;
        m_activeTabIndex = tabs->m_activeTabIndex;
        m_hideTabButtonOnSelect = tabs->m_hideTabButtonOnSelect;
    }
}
