#include "game/nodes/GHintNode.h"

#include "engine/core/CMat4.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/video/CAtlasTexture.h"
#include "game/config/GNumberText.h"
#include "game/nodes/GNodeHelpers.h"

#include <array>
#include <climits>

namespace {

const CName& blockName(int32_t kind) {
    static const CName names[GHintNode::BlockCount] = {
        CName("MoneyBlock"), CName("MaterialsBlock"), CName("GoldBlock"),  CName("WorkersBlock"), CName("GuestsBlock"),
        CName("QuestBlock"), CName("ArrowLeft"),      CName("ArrowRight"), CName("ArrowUp"),      CName("ArrowDown"),
    };
    return names[kind];
}

const CName& enabledState() {
    static const CName name("Enabled");
    return name;
}
const CName& disabledState() {
    static const CName name("Disabled");
    return name;
}
const CName& produceState() {
    static const CName name("Produce");
    return name;
}

// Takes `resource` out of `map`: its amount, 0 when absent.
int takeAmount(GResourceMap& map, CName resource) {
    auto found = map.find(resource);
    if (found == map.end())
        return 0;
    const int amount = found->value;
    map.erase(found);
    return amount;
}

// The money text of an amount, with "-" before a negative one.
CStringW moneyRowText(int amount) {
    if (amount >= 0)
        return moneyText(amount);
    return CStringW(u"-") + moneyText(amount == INT_MIN ? INT_MAX : -amount);
}

} // namespace

GHintNode::GHintNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {}

BaseNode* GHintNode::create(const CObjectName& name) { return new GHintNode(name, nullptr, nullptr); }

const CStringW& GHintNode::getTypeName() const {
    static const CStringW name(u"GHintNode");
    return name;
}

const CStringW& GHintNode::getClassName() const { return GHintNode::getTypeName(); }

BaseNode* GHintNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GHintNode>(parent, sceneManager);
}

void GHintNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    const uint32_t before = getChildren().size();
    ControlNode::copyFrom(source, sceneManager);
    if (source && source != this && nodeCast<GHintNode>(source))
        dropCopiesOfUnsavedChildren(source, this, before);
}

void GHintNode::onLoaded() {
    ControlNode::onLoaded();
    if (m_rows)
        return;
    for (int32_t kind = 0; kind < BlockCount; ++kind)
        if (BaseNode* block = findChild(blockName(kind), 1)) {
            block->setVisible(false);
            m_blocks[kind] = block;
        }
    BaseNode* rows = new BaseNode(CObjectName(), this, nullptr);
    rows->setNotSerialised(true);
    rows->setCanBeHit(false);
    m_rows = rows;
    rows->release();
}

void GHintNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ControlNode::applyTemplate();
    const ControlNode* root = getTemplateRoot();
    for (int32_t kind = 0; kind < BlockCount; ++kind) {
        BaseNode* block = findChild(blockName(kind), 1);
        if (!block && root)
            block = root->findChild(blockName(kind), 1);
        if (block)
            block->setVisible(false);
        m_blocks[kind] = block;
    }
}

void GHintNode::onDescendantRemoved(BaseNode* node) {
    ControlNode::onDescendantRemoved(node);
    for (BaseNode*& block : m_blocks)
        if (block && (block == node || node->isAncestorOf(block)))
            block = nullptr;
    if (m_rows && (m_rows == node || node->isAncestorOf(m_rows)))
        m_rows = nullptr;
}

BaseNode* GHintNode::getBlock(int32_t kind) const { return kind >= 0 && kind < BlockCount ? m_blocks[kind] : nullptr; }

void GHintNode::clearRows() {
    if (!m_rows)
        return;
    while (!m_rows->getChildren().empty())
        (void)m_rows->removeChild(m_rows->getChildren()[m_rows->getChildren().size() - 1]);
}

BaseNode* GHintNode::addRow(int32_t kind, const CStringW& text, CName stateName, const CStringW& iconName) {
    BaseNode* block = getBlock(kind);
    if (!m_rows || !block)
        return nullptr;
    float offset = 0.0f;
    float z = 0.0f;
    for (BaseNode* row : m_rows->getChildren()) {
        z += 0.01f;
        CVector3d position = row->getPosition();
        position.z = z;
        row->setPosition(position);
        row->markTransformDirty();
        offset += row->getBounds().x;
    }
    BaseNode* row = block->clone(m_rows, block->getSceneManager<BaseNode>());
    if (!row)
        return nullptr;
    if (auto* label = nodeCast<TextNode>(row->findChild(CName("Text"), 1)))
        label->setText(text);
    if (kind == QuestBlock)
        if (auto* icon = nodeCast<SpriteNode>(row->findChild(CName("Icon"), 1)))
            if (CRefHandle<CAtlasTexture> picture =
                    loadAtlasTexture(nodeContentManager(this), CStringW(u"scenes/QuestIcons/") + iconName + u".png")) {
                icon->setAtlasTexture(picture.get());
                const CVector3d& at = icon->getPosition();
                icon->setPosition(CVector3d((row->getBounds().x - picture->getPixelSize().x) / 2.0f, at.y, at.z));
            }
    row->setPosition(CVector3d(offset, row->getPosition().y, 0.0f));
    row->setVisible(true);
    if (!stateName.empty())
        row->applyStateRecursive(stateName, nullptr);
    return row;
}

bool GHintNode::setCosts(const IHintLevel* level, const GResourceMap& costs, const GResourceMap& produce,
                         bool shortfall) {
    if (!level || !m_rows || !level->hasHeadquarters())
        return false;
    m_level = level;
    clearRows();

    const CName money = nameIdMoney();
    const CName materials = nameIdMaterials();
    const CName gold = nameIdGold();
    const CName workers = nameIdWorkers();
    const CName guests = nameIdGuests();
    auto available = [&](CName resource) {
        if (resource == workers)
            return level->getFreeWorkers();
        if (resource == guests)
            return level->getLevelGuests();
        return level->getHeadquartersResource(resource);
    };

    GResourceMap shown;
    GResourceMap yields;
    if (shortfall) {
        for (const auto& entry : costs) {
            const int have = available(entry.key);
            if (have < entry.value)
                shown.insert(entry.key, int(addAmounts(have, entry.value == INT_MIN ? INT_MAX : -entry.value)));
        }
        if (shown.empty()) {
            m_costs = costs;
            m_produce = produce;
            m_shortfall = shortfall;
            return false;
        }
    } else {
        shown = costs;
        yields = produce;
    }
    m_costs = costs;
    m_produce = produce;
    m_shortfall = shortfall;

    auto stateFor = [&](int amount, CName resource) {
        return amount < 0 || available(resource) < amount ? disabledState() : enabledState();
    };
    const struct {
        CName resource;
        int32_t kind;
    } standard[] = {
        {money, MoneyBlock},     {materials, MaterialsBlock}, {gold, GoldBlock},
        {workers, WorkersBlock}, {guests, GuestsBlock},
    };
    for (const auto& row : standard) {
        const int amount = takeAmount(shown, row.resource);
        if (amount == 0)
            continue;
        const CStringW text = row.kind == MoneyBlock ? moneyRowText(amount) : groupedNumber(amount);
        (void)addRow(row.kind, text, stateFor(amount, row.resource), CStringW());
    }
    for (const auto& entry : shown)
        if (entry.value != 0)
            (void)addRow(QuestBlock, groupedNumber(entry.value), stateFor(entry.value, entry.key),
                         CStringW(entry.key.str()));

    for (const auto& row : standard) {
        if (row.kind == GuestsBlock)
            continue;
        const int amount = takeAmount(yields, row.resource);
        if (amount <= 0)
            continue;
        const CStringW text = row.kind == MoneyBlock ? moneyText(amount) : groupedNumber(amount);
        (void)addRow(row.kind, CStringW(u"+") + text, produceState(), CStringW());
    }
    for (const auto& entry : yields)
        if (entry.value > 0)
            (void)addRow(QuestBlock, CStringW(u"+") + groupedNumber(entry.value), produceState(),
                         CStringW(entry.key.str()));
    return true;
}

void GHintNode::showAt(BaseNode* target, const CVector3d& size, BaseNode* anchor) {
    if (!target || !anchor || !m_rows || m_rows->getChildren().empty())
        return;
    m_target = target;
    m_targetSize = size;
    m_anchor = anchor;
    const float z = getPosition().z;

    const CArray<BaseNode*>& rows = m_rows->getChildren();
    const BaseNode* first = rows[0];
    const BaseNode* last = rows[rows.size() - 1];
    const float stripWidth = last->getPosition().x + last->getBounds().x - first->getPosition().x;
    const float stripHeight = first->getBounds().y;

    if (target->isTransformDirty())
        target->updateAbsoluteTransformation();
    if (anchor->isTransformDirty())
        anchor->updateAbsoluteTransformation();
    CMat4 inverse;
    if (!anchor->getAbsoluteTransformation().computeInverse(inverse))
        inverse = CMat4(std::array<float, 16>{});
    const CMat4& targetMatrix = target->getAbsoluteTransformation();
    CVector3d p(targetMatrix[12], targetMatrix[13], targetMatrix[14]);
    inverse.transformPoint(p);
    const float anchorWidth = anchor->getBounds().x;
    const float tw = size.x;
    const float th = size.y;
    const float half = stripWidth / 2.0f;

    auto addArrow = [&](int32_t kind, float& aw, float& ah) -> BaseNode* {
        BaseNode* arrow = addRow(kind, CStringW(), CName(), CStringW());
        aw = arrow ? arrow->getBounds().x : 0.0f;
        ah = arrow ? arrow->getBounds().y : 0.0f;
        return arrow;
    };
    auto moveArrow = [](BaseNode* arrow, float x, float y) {
        if (arrow) {
            arrow->setPosition(CVector3d(x, y, 0.0f));
            arrow->markTransformDirty();
        }
    };
    float aw = 0.0f;
    float ah = 0.0f;
    CVector2d pivot;
    const BaseNode* down = m_blocks[ArrowDown];
    if (down && p.x - half > 0.0f && p.x + half < anchorWidth && p.y - stripHeight - down->getBounds().y > 0.0f) {
        m_arrowKind = ArrowDown;
        BaseNode* arrow = addArrow(ArrowDown, aw, ah);
        moveArrow(arrow, half - aw / 2.0f, stripHeight);
        pivot = CVector2d(half - tw / 2.0f, stripHeight + ah);
    } else if (p.x - half < 0.0f) {
        m_arrowKind = ArrowLeft;
        BaseNode* arrow = addArrow(ArrowLeft, aw, ah);
        moveArrow(arrow, -aw, 0.0f);
        pivot = CVector2d(-aw - tw, ah / 2.0f - th / 2.0f);
    } else if (anchorWidth < p.x + half) {
        m_arrowKind = ArrowRight;
        BaseNode* arrow = addArrow(ArrowRight, aw, ah);
        moveArrow(arrow, stripWidth, 0.0f);
        pivot = CVector2d(aw + stripWidth, ah / 2.0f - th / 2.0f);
    } else {
        m_arrowKind = ArrowUp;
        BaseNode* arrow = addArrow(ArrowUp, aw, ah);
        moveArrow(arrow, half - aw / 2.0f, -ah);
        pivot = CVector2d(half - tw / 2.0f, -ah - th);
    }
    setPivotPoint(pivot);
    setPosition(CVector3d(p.x, p.y, z));
    markTransformDirty();
}

void GHintNode::refresh() {
    if (getTintColor().alpha() < 10)
        return;
    const GResourceMap costs = m_costs;
    const GResourceMap produce = m_produce;
    if (setCosts(m_level, costs, produce, m_shortfall))
        showAt(m_target, m_targetSize, m_anchor);
}
