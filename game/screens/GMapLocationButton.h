#pragma once

#include "engine/core/CName.h"
#include "engine/nodes/ButtonNode.h"

#include <cstdint>

class ControlNode;
class TextNode;

// The button of one level on the map. Four flags (available, completed,
// gold, selected) choose the look of its "LevelMarker" child, which also
// shows the level's number; the button's own control looks stay as they
// are. The flags start clear and are not copied.
class GMapLocationButton : public ButtonNode {
public:
    static constexpr int32_t TypeId = 2013;

    GMapLocationButton(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ButtonNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    void applyTemplate() override;
    void onHoverChanged() override;
    void onFocusChanged() override;

    void setAvailable(bool available);
    void setCompleted(bool completed);
    void setGold(bool gold);
    void setSelected(bool selected);
    [[nodiscard]] bool isAvailable() const { return m_available; }
    [[nodiscard]] bool isCompleted() const { return m_completed; }
    [[nodiscard]] bool isGold() const { return m_gold; }
    [[nodiscard]] bool isSelected() const { return m_selected; }

    // The button's text, repeated inside the marker when it has a text.
    void setText(const CStringW& text);
    // Finds the marker's "Text" and makes the next refresh apply its state.
    void bindMarkerText();
    // Plays "LastUnlocked" on the marker and leaves the button available and
    // selected without replacing the animation.
    void playLastUnlocked();
    // Applies the marker state of the flags unless it is the last applied.
    void refreshMarkerState();

    // The marker state for the flags, `completed` before `gold`.
    [[nodiscard]] static CName markerStateFor(bool available, bool completed, bool gold, bool selected, bool hovered);

    [[nodiscard]] ControlNode* getLevelMarker() const { return m_levelMarker; }
    [[nodiscard]] TextNode* getMarkerText() const { return m_markerText; }
    [[nodiscard]] CName getLastMarkerState() const { return m_lastMarkerState; }

protected:
    ~GMapLocationButton() override = default;

private:
    bool m_available = false;
    bool m_completed = false;
    bool m_gold = false;
    bool m_selected = false;
    CName m_lastMarkerState;
    ControlNode* m_levelMarker = nullptr;
    TextNode* m_markerText = nullptr;
};
