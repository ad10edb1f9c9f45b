#pragma once

#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>

class CEventClick;
class CEventFocusOther;
class CEventFocusRequest;
class CEventHoverEnter;
class CEventHoverOther;
class CEventKeyDown;
class CEventKeyUp;
class CEventMouseLeftDown;
class CEventMouseLeftUp;
class CEventMouseMove;

// The interactive node: tracks hover, press, keyboard focus and an enabled
// flag, turns mouse and key input into clicks and focus moves, and shows its
// condition through named states ("Normal", "Focus", "Press" ...) applied to
// its visual children, each falling back along getFallbackState.
//
// Its look usually comes from a template of the scene manager's template
// collection, copied under a private child "TemplateRoot" that is not in the
// children list but takes part in drawing, picking, transforms and states.
//
// A click plays "Press"; once that state has completed on every child the
// control posts event 66 (CEventClicked) through the scene manager's queue.
// While a click is latched further clicks are refused and press, hover and
// focus changes show nothing.
class ControlNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 5;
    // Node and mouse events; the keyboard bit is added while focused.
    static constexpr uint32_t ControlMask = 0x28;

    // Which mouse edge clicks: 0 the up after a down on the control, 1 the
    // down, 2 the up only, 3 both the down and the up.
    static constexpr int32_t PressOnRelease = 0;
    static constexpr int32_t PressOnDown = 1;
    static constexpr int32_t PressOnUpOnly = 2;
    static constexpr int32_t PressOnDownAndUp = 3;

    ControlNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // BaseNode's copy, then the control's settings and a clone of the source's
    // template root. Hover, press, focus and the latch are not copied.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    // Input is not passed to the children of a disabled or hidden control.
    bool routeToChildren(int phase, CEvent* event) override;

    // The template root takes part before the children.
    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    // True when Visible, CanBeHit and something of the template root is under
    // the point: a control without a template is hit only through children.
    [[nodiscard]] bool hitTest(const CVector3d& point) const override;
    // Counts the template root (when it has children) as one more child.
    void applyStateRecursive(CName id, FallbackFunction fallback) override;
    void stopChildStates(bool complete) override;
    void updateAbsoluteTransformation() override;
    void updateAbsoluteColor() override;

    bool onManagerAttached(CEventManagerAttached* event) override;
    bool onTemplatesChanged(CEventTemplatesChanged* event) override;
    bool onDictionaryChanged(CEventDictionaryChanged* event) override;
    bool onStateStarted(CEventStateStarted* event) override;
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;

    virtual void setFocused(bool focused);
    // Stores the flag and shows the matching state (no change test).
    virtual void setEnabled(bool enabled);
    virtual void setHoverTrack(bool track) { m_hoverTrack = track; }
    virtual void setHovered(bool hovered);
    virtual void setPressed(bool pressed);
    // Starts a click: false while one is latched.
    [[nodiscard]] virtual bool click();
    // Copies the template named TemplateName into the template root (made on
    // first use); nothing without a scene manager or template collection.
    virtual void applyTemplate();
    virtual void showPressState();
    virtual void showCurrentState();
    virtual void onPressedChanged();
    virtual void onHoverChanged();
    virtual void onFocusChanged();
    virtual void onEnabledChanged();
    // Offers focus to the DefaultFocusObjectName child, else to the children
    // from the last to the first.
    virtual void focusDefault();
    virtual bool onHoverEnter(CEventHoverEnter* event);
    virtual bool onHoverOther(CEventHoverOther* event);
    virtual bool onFocusRequest(CEventFocusRequest* event);
    virtual bool onFocusOther(CEventFocusOther* event);
    // Ids 51 and 53 have no event class; events built with those ids carry
    // the off/on node pair of the press notifications.
    virtual bool onPressRequest(CEvent* event);
    virtual bool onReleaseRequest(CEvent* event);
    virtual bool onClick(CEventClick* event);
    virtual bool onMouseMove(CEventMouseMove* event);
    virtual bool onMouseDown(CEventMouseLeftDown* event);
    virtual bool onMouseUp(CEventMouseLeftUp* event);
    // Arrow keys move the focus among the children through the Nav names of
    // the focused child.
    virtual bool onKeyDown(CEventKeyDown* event);
    virtual bool onKeyUp(CEventKeyUp* event);

    // The state to try when a node lacks `state`, or the empty name.
    [[nodiscard]] static CName getFallbackState(CName state);

    void setTemplateName(CName name);
    [[nodiscard]] CName getTemplateName() const { return m_templateName; }
    // Values outside 0 to 3 are ignored.
    void setPressMode(int32_t mode);
    [[nodiscard]] int32_t getPressMode() const { return m_pressMode; }
    [[nodiscard]] bool isVisibleAndEnabled() const { return isVisible() && m_enabled; }

    [[nodiscard]] bool isFocused() const { return m_focused; }
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    [[nodiscard]] bool isHovered() const { return m_hovered; }
    [[nodiscard]] bool isPressed() const { return m_pressed; }
    [[nodiscard]] bool isClickLatched() const { return m_clickLatch; }
    [[nodiscard]] bool getHoverTrack() const { return m_hoverTrack; }
    [[nodiscard]] bool getWantFocus() const { return m_wantFocus; }
    void setWantFocus(bool want) { m_wantFocus = want; }
    [[nodiscard]] bool isFocusOnHover() const { return m_focusOnHover; }
    void setFocusOnHover(bool on) { m_focusOnHover = on; }
    [[nodiscard]] CName getDefaultFocusObjectName() const { return m_defaultFocusObjectName; }
    void setDefaultFocusObjectName(CName name) { m_defaultFocusObjectName = name; }
    [[nodiscard]] CName getNavLeftObjectName() const { return m_navLeftObjectName; }
    void setNavLeftObjectName(CName name) { m_navLeftObjectName = name; }
    [[nodiscard]] CName getNavRightObjectName() const { return m_navRightObjectName; }
    void setNavRightObjectName(CName name) { m_navRightObjectName = name; }
    [[nodiscard]] CName getNavDownObjectName() const { return m_navDownObjectName; }
    void setNavDownObjectName(CName name) { m_navDownObjectName = name; }
    [[nodiscard]] CName getNavUpObjectName() const { return m_navUpObjectName; }
    void setNavUpObjectName(CName name) { m_navUpObjectName = name; }
    // The private child holding the template copy; null before the first
    // applyTemplate with a collection.
    [[nodiscard]] ControlNode* getTemplateRoot() const { return m_templateRoot.get(); }
    // The node on the focus path below this control, as last remembered;
    // null once that node has left the subtree.
    [[nodiscard]] BaseNode* getFocusedChild() const { return m_focusedChild.get(); }

protected:
    ~ControlNode() override;

    // Applies `state` to the template root and the children, with fallbacks.
    void showState(CName state);

    // Forgets the focused child once it (or a node above it) leaves this
    // control's subtree, template root included.
    void onDescendantRemoved(BaseNode* node) override;

private:
    // The property-table accessors.
    void setDefaultFocusObjectProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getDefaultFocusObjectProperty() const;
    void setNavLeftProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getNavLeftProperty() const;
    void setNavRightProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getNavRightProperty() const;
    void setNavDownProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getNavDownProperty() const;
    void setNavUpProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getNavUpProperty() const;
    void setTemplateNameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTemplateNameProperty() const;
    void setEnabledProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getEnabledProperty() const;
    void setPressModeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getPressModeProperty() const;
    void setWantFocusProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getWantFocusProperty() const;
    void setFocusOnHoverProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFocusOnHoverProperty() const;
    void setHoverTrackProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getHoverTrackProperty() const;

    // True when the point of a mouse event lies on this control.
    [[nodiscard]] bool isHitBy(int32_t x, int32_t y);
    [[nodiscard]] bool isDirectChild(const BaseNode* node) const;
    // Makes the template root on first use.
    ControlNode* ensureTemplateRoot();
    void releaseTemplateRoot();

    CName m_defaultFocusObjectName;
    CName m_navLeftObjectName;
    CName m_navRightObjectName;
    CName m_navDownObjectName;
    CName m_navUpObjectName;
    CName m_templateName;
    CRefHandle<ControlNode> m_templateRoot;
    // Not owned in effect: cleared as soon as the node leaves this control's
    // subtree (onDescendantRemoved), so it never keeps a discarded subtree
    // alive. The reference only guards against a removal path that bypasses
    // that hook leaving a stale pointer.
    CRefHandle<BaseNode> m_focusedChild;
    bool m_wantFocus = true;
    bool m_focused = false;
    bool m_enabled = true;
    bool m_hoverTrack = true;
    bool m_hovered = false;
    bool m_focusOnHover = false;
    bool m_pressed = false;
    bool m_clickLatch = false;
    int32_t m_pressMode = 0;
};
