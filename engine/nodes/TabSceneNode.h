#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/CNodeEvent.h"
#include "engine/scene/SceneNode.h"

#include <cstdint>

class CEventClickStarted;
class CEventClicked;

// The payload of the tab events: the page left (may be null) and the page
// shown. The pages are kept alive until the event is delivered.
class CEventTabPageChange : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 48;
    static constexpr int32_t TabSceneKind = 8;

    CEventTabPageChange(BaseNode* oldPage, BaseNode* newPage)
        : m_oldPage(CRefHandle<BaseNode>::share(oldPage)), m_newPage(CRefHandle<BaseNode>::share(newPage)) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == TypeId || id == TabSceneKind || CNodeEvent::isKindOf(id);
    }
    [[nodiscard]] BaseNode* getOldPage() const { return m_oldPage.get(); }
    [[nodiscard]] BaseNode* getNewPage() const { return m_newPage.get(); }

protected:
    ~CEventTabPageChange() override = default;

private:
    CRefHandle<BaseNode> m_oldPage;
    CRefHandle<BaseNode> m_newPage;
};

// A switch started (posted to both pages, bubbling up).
class CEventTabChanged : public CEventTabPageChange {
public:
    static constexpr int32_t TypeId = 50;
    using CEventTabPageChange::CEventTabPageChange;
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventTabPageChange::isKindOf(id); }

protected:
    ~CEventTabChanged() override = default;
};

// Both pages finished the switch state.
class CEventTabChangeFinished : public CEventTabPageChange {
public:
    static constexpr int32_t TypeId = 49;
    using CEventTabPageChange::CEventTabPageChange;
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventTabPageChange::isKindOf(id); }

protected:
    ~CEventTabChangeFinished() override = default;
};

// Pages "Tab1" ... "TabN" with their buttons "Tab1Button" ... as direct
// children, one page shown at a time. A switch plays the state "1To3" (old
// and new tab numbers) on both pages, or "Default" on every page when there
// is no old page, and holds input until the pages involved finished it.
class TabSceneNode : public SceneNode {
public:
    static constexpr int32_t TypeId = 8;

    TabSceneNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || SceneNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    // ActiveTabIndex is stored as read and applied when a manager attaches.
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Collects the pages and buttons.
    void onLoaded() override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    // Input goes to the active page, then its button, then the other
    // buttons, and nowhere while a switch runs.
    bool routeToChildren(int phase, CEvent* event) override;
    // The active page after the last page, its button after the last button.
    void registerForRendering(CArray<CRenderItem>& list) override;

    bool onManagerAttached(CEventManagerAttached* event) override;
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;
    virtual bool onTabButtonClickStarted(CEventClickStarted* event);
    virtual bool onTabButtonClicked(CEventClicked* event);

    // Refused for an index without a page, and for the active one unless
    // forced.
    void setActiveTab(int32_t index, bool force);
    [[nodiscard]] int32_t getActiveTab() const { return m_activeTabIndex; }
    [[nodiscard]] int32_t getTabsCount() const { return m_tabsCount; }
    void setTabsCount(int32_t count) { m_tabsCount = count; }
    // The most tabs a file can ask for; more are limited, with one log line.
    static constexpr int32_t MaxTabsFromFile = 1024;
    [[nodiscard]] bool getHideTabButtonOnSelect() const { return m_hideTabButtonOnSelect; }
    void setHideTabButtonOnSelect(bool hide) { m_hideTabButtonOnSelect = hide; }
    [[nodiscard]] bool isSwitching() const { return m_pendingPages != 0; }
    [[nodiscard]] BaseNode* getPage(int32_t index) const;
    [[nodiscard]] BaseNode* getTabButton(int32_t index) const;

protected:
    ~TabSceneNode() override;

private:
    void setTabsCountProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTabsCountProperty() const;
    void setActiveTabProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getActiveTabProperty() const;
    void setHideProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getHideProperty() const;

    // Counts the page as finished; the switch ends with the last one.
    void pageFinished(BaseNode* page);

    CArray<CRefHandle<BaseNode>> m_pages;
    CArray<CRefHandle<BaseNode>> m_tabButtons;
    CName m_switchState;
    int32_t m_pendingPages = 0;
    bool m_outgoingFinished = false;
    bool m_incomingFinished = false;
    int32_t m_previousIndex = -1;
    int32_t m_lastPageChild = -1;
    int32_t m_lastButtonChild = -1;
    int32_t m_tabsCount = 0;

    // A count read from a file, limited (and logged) past MaxTabsFromFile.
    [[nodiscard]] int32_t tabsCountFromFile(int32_t count) const;
    int32_t m_activeTabIndex = -1;
    bool m_hideTabButtonOnSelect = false;
};
