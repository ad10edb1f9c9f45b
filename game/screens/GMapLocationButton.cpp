#include "game/screens/GMapLocationButton.h"

#include "engine/core/CStringW.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/ControlNode.h"

GMapLocationButton::GMapLocationButton(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ButtonNode(contentName, parent, sceneManager) {}

BaseNode* GMapLocationButton::create(const CObjectName& name) { return new GMapLocationButton(name, nullptr, nullptr); }

const CStringW& GMapLocationButton::getTypeName() const {
    static const CStringW name(u"GMapLocationButton");
    return name;
}

const CStringW& GMapLocationButton::getClassName() const { return GMapLocationButton::getTypeName(); }

BaseNode* GMapLocationButton::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GMapLocationButton>(parent, sceneManager);
}

void GMapLocationButton::applyTemplate() {
    ButtonNode::applyTemplate();
    m_levelMarker = nodeCast<ControlNode>(findChild(CName("LevelMarker"), 1));
    refreshMarkerState();
}

void GMapLocationButton::onHoverChanged() { refreshMarkerState(); }

void GMapLocationButton::onFocusChanged() { refreshMarkerState(); }

void GMapLocationButton::setAvailable(bool available) {
    m_available = available;
    onFocusChanged();
}

void GMapLocationButton::setCompleted(bool completed) {
    m_completed = completed;
    onFocusChanged();
}

void GMapLocationButton::setGold(bool gold) {
    m_gold = gold;
    onHoverChanged();
}

void GMapLocationButton::setSelected(bool selected) {
    m_selected = selected;
    onHoverChanged();
}

void GMapLocationButton::setText(const CStringW& text) {
    ButtonNode::setText(text);
    if (m_markerText)
        m_markerText->setText(text);
}

void GMapLocationButton::bindMarkerText() {
    if (m_levelMarker && m_levelMarker->getTemplateRoot())
        m_markerText = nodeCast<TextNode>(m_levelMarker->getTemplateRoot()->findChild(CName("Text"), 1));
    m_lastMarkerState = CName();
    refreshMarkerState();
}

void GMapLocationButton::playLastUnlocked() {
    if (!m_levelMarker)
        return;
    m_levelMarker->applyStateRecursive(CName("LastUnlocked"), nullptr);
    // The refresh below picks this state for a plain level and so leaves the
    // animation running until the flags or the hover change.
    m_lastMarkerState = CName("DefaultPressed");
    m_selected = true;
    m_available = true;
    onHoverChanged();
}

CName GMapLocationButton::markerStateFor(bool available, bool completed, bool gold, bool selected, bool hovered) {
    if (!available)
        return CName("Unavailable");
    if (completed)
        return CName(selected ? "CompletedPressed" : hovered ? "CompletedHover" : "Completed");
    if (!gold)
        return CName(selected ? "DefaultPressed" : hovered ? "DefaultHover" : "Default");
    return CName(selected ? "GoldPressed" : hovered ? "GoldHover" : "Gold");
}

void GMapLocationButton::refreshMarkerState() {
    const CName state = markerStateFor(m_available, m_completed, m_gold, m_selected, isHovered());
    if (!m_levelMarker || state.empty() || state == m_lastMarkerState)
        return;
    m_levelMarker->applyStateRecursive(state, nullptr);
    m_lastMarkerState = state;
}
