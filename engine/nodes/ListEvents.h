#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/scene/CNodeEvent.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

// What a list tells its parent about its items: each event carries the list
// (kept alive until delivered) and an item index, and is posted deferred to
// the list's parent, handled there or passed further up.
class CEventListItem : public CNodeEvent {
public:
    CEventListItem(ControlNode* list, int32_t item) : m_list(CRefHandle<ControlNode>::share(list)), m_item(item) {}

    [[nodiscard]] ControlNode* getList() const { return m_list.get(); }
    [[nodiscard]] int32_t getItem() const { return m_item; }

protected:
    ~CEventListItem() override = default;

private:
    CRefHandle<ControlNode> m_list;
    int32_t m_item;
};

// The selected item changed; the item is the new selection.
class CEventListSelectionChanged : public CEventListItem {
public:
    static constexpr int32_t TypeId = 68;
    using CEventListItem::CEventListItem;
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

protected:
    ~CEventListSelectionChanged() override = default;
};

// An element showing the item was clicked.
class CEventListItemClicked : public CEventListItem {
public:
    static constexpr int32_t TypeId = 69;
    using CEventListItem::CEventListItem;
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

protected:
    ~CEventListItemClicked() override = default;
};

// The "CheckBox" of the element showing the item was clicked.
class CEventListItemChecked : public CEventListItem {
public:
    static constexpr int32_t TypeId = 70;
    CEventListItemChecked(ControlNode* list, int32_t item, bool checked)
        : CEventListItem(list, item), m_checked(checked) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }
    [[nodiscard]] bool isChecked() const { return m_checked; }

protected:
    ~CEventListItemChecked() override = default;

private:
    bool m_checked;
};

// The element showing the item became hovered.
class CEventListItemHovered : public CEventListItem {
public:
    static constexpr int32_t TypeId = 71;
    using CEventListItem::CEventListItem;
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

protected:
    ~CEventListItemHovered() override = default;
};

// The element showing the item lost its hover.
class CEventListItemUnhovered : public CEventListItem {
public:
    static constexpr int32_t TypeId = 72;
    using CEventListItem::CEventListItem;
    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

protected:
    ~CEventListItemUnhovered() override = default;
};
