#pragma once

#include "engine/core/CName.h"
#include "engine/core/CVector3d.h"
#include "engine/scene/ControlNode.h"
#include "game/config/GResources.h"

#include <cstdint>

// What the hint popup asks of the running level: the headquarters' stock
// and free workers, and the level's guests. The level scene implements it.
class IHintLevel {
public:
    // False while the level has no headquarters: no hint can be shown then.
    [[nodiscard]] virtual bool hasHeadquarters() const = 0;
    // The headquarters' stock of `resource` (0 when it holds none).
    [[nodiscard]] virtual int getHeadquartersResource(CName resource) const = 0;
    // Workers present in the headquarters plus those walking back to it
    // empty-handed.
    [[nodiscard]] virtual int getFreeWorkers() const = 0;
    // The level's guests (both counters).
    [[nodiscard]] virtual int getLevelGuests() const = 0;

protected:
    ~IHintLevel() = default;
};

// The popup shown next to a building, a place or an action button while the
// pointer rests on it: a strip of cost and yield rows made from the
// template blocks ("MoneyBlock", "MaterialsBlock", ... "QuestBlock"), each in
// state "Enabled", "Disabled" or "Produce", and an arrow pointing at the
// object. It places itself above, below, left or right of the object so
// that it stays inside the anchor's width.
class GHintNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 2029;

    enum Block : int32_t {
        MoneyBlock = 0,
        MaterialsBlock,
        GoldBlock,
        WorkersBlock,
        GuestsBlock,
        QuestBlock,
        ArrowLeft,
        ArrowRight,
        ArrowUp,
        ArrowDown,
        BlockCount
    };

    GHintNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ControlNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The control's copy, without the source's rows.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Makes the (unsaved) holder of the rows.
    void onLoaded() override;
    // The template step, then the ten blocks are looked up again (own
    // children first, then the template's) and hidden.
    void applyTemplate() override;

    // Rebuilds the rows: costs (or, in shortfall mode, only what the level
    // lacks, as negative amounts) and yields. False when nothing is shown or
    // the level or its headquarters is missing. The level is not owned; it
    // must outlive the popup's use of it.
    [[nodiscard]] bool setCosts(const IHintLevel* level, const GResourceMap& costs, const GResourceMap& produce,
                                bool shortfall);
    // Adds the arrow and places the popup beside `target` (of `size`),
    // inside `anchor`'s width. Nothing without rows.
    void showAt(BaseNode* target, const CVector3d& size, BaseNode* anchor);
    // Replays the last setCosts and showAt while the popup is visible enough
    // (TintColor alpha 10 or more).
    void refresh();
    // A clone of block `kind` at the end of the strip with `text` in its
    // "Text" and state `stateName` (none when empty); kind QuestBlock gets
    // the icon "scenes/QuestIcons/<iconName>.png". Null when the block is
    // missing.
    BaseNode* addRow(int32_t kind, const CStringW& text, CName stateName, const CStringW& iconName);

    [[nodiscard]] BaseNode* getRowsHolder() const { return m_rows; }
    [[nodiscard]] BaseNode* getBlock(int32_t kind) const;
    // The side chosen by the last showAt: the arrow block used, or -1.
    [[nodiscard]] int32_t getArrowKind() const { return m_arrowKind; }

protected:
    ~GHintNode() override = default;

    void onDescendantRemoved(BaseNode* node) override;

private:
    void clearRows();

    // Children of the popup or of its template root; not owned.
    BaseNode* m_blocks[BlockCount] = {};
    const IHintLevel* m_level = nullptr;
    GResourceMap m_costs;
    GResourceMap m_produce;
    bool m_shortfall = false;
    // Not owned: the last showAt's target and anchor (the popup's users
    // keep them alive while it shows).
    BaseNode* m_target = nullptr;
    CVector3d m_targetSize;
    BaseNode* m_anchor = nullptr;
    // An unsaved child of the popup.
    BaseNode* m_rows = nullptr;
    int32_t m_arrowKind = -1;
};
