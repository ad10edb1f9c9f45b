#include "engine/nodes/CheckBoxNode.h"

#include "engine/core/CMap.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"

namespace {

// The state names of a check box, interned once.
struct CheckStates {
    CName normal{"Normal"};
    CName focus{"Focus"};
    CName press{"Press"};
    CName normalHover{"NormalHover"};
    CName focusHover{"FocusHover"};
    CName normalKillHover{"NormalKillHover"};
    CName focusKillHover{"FocusKillHover"};
    CName normalDisable{"NormalDisable"};
    CName focusDisable{"FocusDisable"};
    CName normalCheck{"NormalCheck"};
    CName focusCheck{"FocusCheck"};
    CName normalCheckHover{"NormalCheckHover"};
    CName focusCheckHover{"FocusCheckHover"};
    CName normalCheckKillHover{"NormalCheckKillHover"};
    CName focusCheckKillHover{"FocusCheckKillHover"};
    CName normalCheckDisable{"NormalCheckDisable"};
    CName focusCheckDisable{"FocusCheckDisable"};
};

const CheckStates& states() {
    static const CheckStates names;
    return names;
}

} // namespace

CheckBoxNode::CheckBoxNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ButtonNode(contentName, parent, sceneManager) {
    setFocusOnHover(true);
}

const CStringW& CheckBoxNode::getTypeName() const {
    static const CStringW name(u"CheckBoxNode");
    return name;
}

const CStringW& CheckBoxNode::getClassName() const { return CheckBoxNode::getTypeName(); }

// ---------------------------------------------------------------------------
// States

CName CheckBoxNode::checkBoxFallback(CName state) {
    static const CMap<CName, CName> fallbacks = [] {
        const CheckStates& s = states();
        CMap<CName, CName> map;
        map.insert(s.focusCheck, s.normalCheck);
        map.insert(s.normalCheckDisable, s.normalCheck);
        map.insert(s.focusCheckDisable, s.focusCheck);
        map.insert(s.normalCheckHover, s.normalCheck);
        map.insert(s.normalCheckKillHover, s.normalCheck);
        map.insert(s.focusCheckHover, s.normalCheckHover);
        map.insert(s.focusCheckKillHover, s.focusCheck);
        return map;
    }();
    auto found = fallbacks.find(state);
    return found == fallbacks.end() ? ControlNode::getFallbackState(state) : found->value;
}

void CheckBoxNode::showCheckBoxState(CName state) { applyStateRecursive(state, &CheckBoxNode::checkBoxFallback); }

void CheckBoxNode::showCheckState() {
    const CheckStates& s = states();
    const bool focused = isFocused();
    const bool hovered = isHovered();
    CName state;
    if (!isEnabled()) {
        if (m_checked)
            state = focused ? s.focusCheckDisable : s.normalCheckDisable;
        else
            state = focused ? s.focusDisable : s.normalDisable;
    } else if (m_checked) {
        state = focused ? (hovered ? s.focusCheckHover : s.focusCheck) : (hovered ? s.normalCheckHover : s.normalCheck);
    } else {
        state = focused ? (hovered ? s.focusHover : s.focus) : (hovered ? s.normalHover : s.normal);
    }
    showCheckBoxState(state);
}

void CheckBoxNode::onHoverChanged() {
    if (!isEnabled())
        return;
    const CheckStates& s = states();
    const bool focused = isFocused();
    CName state;
    if (isHovered())
        state =
            m_checked ? (focused ? s.focusCheckHover : s.normalCheckHover) : (focused ? s.focusHover : s.normalHover);
    else
        state = m_checked ? (focused ? s.focusCheckKillHover : s.normalCheckKillHover)
                          : (focused ? s.focusKillHover : s.normalKillHover);
    showCheckBoxState(state);
}

void CheckBoxNode::onFocusChanged() { showCheckState(); }

void CheckBoxNode::showPressState() { showCheckBoxState(states().press); }

void CheckBoxNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ButtonNode::applyTemplate();
    showCheckState();
}

void CheckBoxNode::setChecked(bool checked) {
    m_checked = checked;
    showCheckState();
}

bool CheckBoxNode::click() {
    if (!ControlNode::click())
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    m_checked = !m_checked;
    showCheckState();
    const CRefHandle<CEventValueChanged> changed(new CEventValueChanged(this));
    postDeferredToParent(changed.get(), HandleThenParent);
    return true;
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& CheckBoxNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& CheckBoxNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(ButtonNode::propertyTable());
        t.add<&CheckBoxNode::setCheckedProperty, &CheckBoxNode::getCheckedProperty>("IsChecked");
        return t;
    }();
    return table;
}

void CheckBoxNode::setCheckedProperty(const CRefHandle<IPropertyData>& value) { setChecked(getPropertyBool(value)); }
CRefHandle<IPropertyData> CheckBoxNode::getCheckedProperty() const { return CPropertyDataBool::create(m_checked); }

void CheckBoxNode::writeProperties(CPropertyBag& bag) const {
    ButtonNode::writeProperties(bag);
    if (m_checked)
        bag.setBool("IsChecked", true);
}

void CheckBoxNode::readProperties(const CPropertyBag& bag) {
    ButtonNode::readProperties(bag);
    if (bag.indexOf("IsChecked") >= 0)
        setChecked(getPropertyBool(bag.get("IsChecked")));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* CheckBoxNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<CheckBoxNode>(parent, sceneManager);
}

void CheckBoxNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    ButtonNode::copyFrom(source, sceneManager);
    if (const CheckBoxNode* box = nodeCast<CheckBoxNode>(source))
        m_checked = box->m_checked;
}
