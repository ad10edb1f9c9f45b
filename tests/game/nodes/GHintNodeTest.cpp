#include "game/nodes/GHintNode.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeState.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

class FakeLevel : public IHintLevel {
public:
    [[nodiscard]] bool hasHeadquarters() const override { return headquarters; }
    [[nodiscard]] int getHeadquartersResource(CName resource) const override {
        const auto found = stock.find(std::string(resource.str().view()));
        return found == stock.end() ? 0 : found->second;
    }
    [[nodiscard]] int getFreeWorkers() const override { return workers; }
    [[nodiscard]] int getLevelGuests() const override { return guests; }

    bool headquarters = true;
    std::map<std::string, int> stock{{"Money", 2000}, {"Gold", 5}, {"Materials", 50}};
    int workers = 2;
    int guests = 10;
};

GResourceMap resources(std::initializer_list<std::pair<const char*, int>> entries) {
    GResourceMap map;
    for (const auto& [name, amount] : entries)
        map.insert(CName(name), amount);
    return map;
}

// A popup whose blocks are 40 x 20 (arrows 10 x 8) and whose rows show
// their state on their "Text".
struct Hint {
    CRefHandle<GHintNode> node{new GHintNode(CObjectName(), nullptr, nullptr)};
    FakeLevel level;

    explicit Hint(bool arrows = true) {
        CEngineManagers::instance().getDictionary()->set("MoneyDollar", CStringW(u"$#p"));
        for (const char* name :
             {"MoneyBlock", "MaterialsBlock", "GoldBlock", "WorkersBlock", "GuestsBlock", "QuestBlock"})
            add(name, CVector3d(40.0f, 20.0f, 0.0f));
        if (arrows)
            for (const char* name : {"ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"})
                add(name, CVector3d(10.0f, 8.0f, 0.0f));
        node->onLoaded();
    }
    ~Hint() { CEngineManagers::instance().getDictionary()->clear(); }
    Hint(const Hint&) = delete;
    Hint& operator=(const Hint&) = delete;

    void add(const char* name, const CVector3d& bounds) const {
        BaseNode* block = new BaseNode(CObjectName(), node.get(), nullptr);
        block->setName(CName(name));
        block->setBounds(bounds);
        TextNode* text = new TextNode(CObjectName(), block, nullptr);
        text->setName(CName("Text"));
        for (const char* state : {"Enabled", "Disabled", "Produce"}) {
            CRefHandle<CNodeState> added(new CNodeState(CName(state)));
            (void)text->addState(added.get());
        }
        text->release();
        block->release();
    }

    // Each row as "block:text:state".
    [[nodiscard]] std::vector<std::string> rows() const {
        std::vector<std::string> found;
        for (BaseNode* row : node->getRowsHolder()->getChildren()) {
            const auto* text = nodeCast<TextNode>(row->findChild(CName("Text"), 1));
            const CNodeState* state = text ? text->getCurrentState() : nullptr;
            found.push_back(std::string(row->getName().str().view()) + ":" +
                            std::string(CString(text->getText()).view()) + ":" +
                            (state ? std::string(state->getName().str().view()) : std::string()));
        }
        return found;
    }
};

} // namespace

TEST(GHintNode, CostAndYieldRowsComeInTheirOrderAndShowWhatCanBeAfforded) {
    Hint hint;
    ASSERT_TRUE(hint.node->setCosts(
        &hint.level,
        resources({{"Money", 1500}, {"Materials", 0}, {"Gold", 10}, {"Workers", 3}, {"Guests", 4}, {"Flour", 2}}),
        resources({{"Money", 1000}, {"Guests", 5}, {"Gold", 0}}), false));
    const std::vector<std::string> expected = {
        "MoneyBlock:$1,500:Enabled", "GoldBlock:10:Disabled",      "WorkersBlock:3:Disabled", "GuestsBlock:4:Enabled",
        "QuestBlock:2:Disabled",     "MoneyBlock:+$1,000:Produce", "QuestBlock:+5:Produce",
    };
    EXPECT_EQ(hint.rows(), expected);
    const CArray<BaseNode*>& rows = hint.node->getRowsHolder()->getChildren();
    for (uint32_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(rows[i]->getPosition().x, 40.0f * float(i));
        EXPECT_TRUE(rows[i]->isVisible());
        const float z = i + 1 == rows.size() ? 0.0f : 0.01f * float(i + 1);
        EXPECT_NEAR(rows[i]->getPosition().z, z, 1e-6f);
    }

    // Only zero amounts: nothing to show.
    EXPECT_TRUE(hint.node->setCosts(&hint.level, resources({{"Money", 0}, {"Gold", 0}}), GResourceMap(), false));
    EXPECT_TRUE(hint.rows().empty());
    hint.level.headquarters = false;
    EXPECT_FALSE(hint.node->setCosts(&hint.level, resources({{"Money", 5}}), GResourceMap(), false));
}

TEST(GHintNode, ShortfallModeShowsOnlyWhatIsMissingAsNegativeAmounts) {
    Hint hint;
    EXPECT_FALSE(hint.node->setCosts(&hint.level, resources({{"Money", 100}, {"Workers", 2}}), GResourceMap(), true))
        << "an affordable action shows nothing";
    EXPECT_TRUE(hint.rows().empty());

    ASSERT_TRUE(hint.node->setCosts(&hint.level, resources({{"Money", 3500}, {"Gold", 12}, {"Workers", 1}}),
                                    resources({{"Money", 99}}), true));
    const std::vector<std::string> expected = {"MoneyBlock:-$1,500:Disabled", "GoldBlock:-7:Disabled"};
    EXPECT_EQ(hint.rows(), expected);
}

TEST(GHintNode, ThePopupStandsWhereItFitsWithItsArrowTowardsTheObject) {
    CRefHandle<BaseNode> anchor(new BaseNode(CObjectName(), nullptr, nullptr));
    anchor->setBounds(CVector3d(1024.0f, 768.0f, 0.0f));
    anchor->updateAbsoluteTransformation();
    const CVector3d size(30.0f, 16.0f, 0.0f);
    // Two rows: a strip 80 wide and 20 high; arrows 10 x 8.
    const struct {
        const char* what;
        float x, y;
        int arrow;
        float arrowX, arrowY, pivotX, pivotY;
    } cases[] = {
        {"above in the middle", 500, 300, GHintNode::ArrowDown, 35, 20, 25, 28},
        {"right of an object near the left edge", 30, 300, GHintNode::ArrowLeft, -10, 0, -40, -4},
        {"left of an object near the right edge", 1000, 300, GHintNode::ArrowRight, 80, 0, 90, -4},
        {"below an object near the top", 500, 25, GHintNode::ArrowUp, 35, -8, 25, -24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Hint hint;
        CRefHandle<BaseNode> target(new BaseNode(CObjectName(), nullptr, nullptr));
        target->setPosition(CVector3d(c.x, c.y, 0.0f));
        target->updateAbsoluteTransformation();
        hint.node->setPosition(CVector3d(0.0f, 0.0f, 7.0f));
        ASSERT_TRUE(hint.node->setCosts(&hint.level, resources({{"Money", 10}, {"Gold", 1}}), GResourceMap(), false));
        hint.node->showAt(target.get(), size, anchor.get());
        EXPECT_EQ(hint.node->getArrowKind(), c.arrow);
        const CArray<BaseNode*>& rows = hint.node->getRowsHolder()->getChildren();
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2]->getName(), hint.node->getBlock(c.arrow)->getName());
        EXPECT_FLOAT_EQ(rows[2]->getPosition().x, c.arrowX);
        EXPECT_FLOAT_EQ(rows[2]->getPosition().y, c.arrowY);
        EXPECT_FLOAT_EQ(hint.node->getPivotPoint().x, c.pivotX);
        EXPECT_FLOAT_EQ(hint.node->getPivotPoint().y, c.pivotY);
        EXPECT_EQ(hint.node->getPosition().x, c.x);
        EXPECT_EQ(hint.node->getPosition().y, c.y);
        EXPECT_EQ(hint.node->getPosition().z, 7.0f) << "the popup keeps its depth";
    }

    // Without arrow blocks the popup goes below, reckoned with no arrow.
    Hint bare(false);
    CRefHandle<BaseNode> target(new BaseNode(CObjectName(), nullptr, nullptr));
    target->setPosition(CVector3d(500.0f, 300.0f, 0.0f));
    target->updateAbsoluteTransformation();
    ASSERT_TRUE(bare.node->setCosts(&bare.level, resources({{"Money", 10}}), GResourceMap(), false));
    bare.node->showAt(target.get(), size, anchor.get());
    EXPECT_EQ(bare.node->getRowsHolder()->getChildren().size(), 1u);
    EXPECT_FLOAT_EQ(bare.node->getPivotPoint().y, -16.0f);
}

TEST(GHintNode, RefreshReplaysTheLastRequestOnlyWhileThePopupShows) {
    Hint hint;
    CRefHandle<BaseNode> anchor(new BaseNode(CObjectName(), nullptr, nullptr));
    anchor->setBounds(CVector3d(1024.0f, 768.0f, 0.0f));
    CRefHandle<BaseNode> target(new BaseNode(CObjectName(), nullptr, nullptr));
    target->setPosition(CVector3d(500.0f, 300.0f, 0.0f));
    ASSERT_TRUE(hint.node->setCosts(&hint.level, resources({{"Gold", 6}}), GResourceMap(), false));
    hint.node->showAt(target.get(), CVector3d(10.0f, 10.0f, 0.0f), anchor.get());
    EXPECT_EQ(hint.rows().front(), "GoldBlock:6:Disabled");

    hint.level.stock["Gold"] = 6;
    hint.node->setTintColor(CColor(0x09FFFFFFu));
    hint.node->refresh();
    EXPECT_EQ(hint.rows().front(), "GoldBlock:6:Disabled") << "a popup faded out is left alone";
    hint.node->setTintColor(CColor(0x0AFFFFFFu));
    hint.node->refresh();
    ASSERT_EQ(hint.rows().size(), 2u) << "the row and the arrow again";
    EXPECT_EQ(hint.rows().front(), "GoldBlock:6:Enabled");
}

TEST(GHintNode, ACopyHasItsOwnEmptyRows) {
    Hint hint;
    ASSERT_TRUE(hint.node->setCosts(&hint.level, resources({{"Gold", 1}}), GResourceMap(), false));
    CRefHandle<BaseNode> copy(hint.node->clone(nullptr, nullptr));
    const auto* copied = nodeCast<GHintNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    ASSERT_NE(copied->getRowsHolder(), nullptr);
    EXPECT_NE(copied->getRowsHolder(), hint.node->getRowsHolder());
    EXPECT_TRUE(copied->getRowsHolder()->getChildren().empty());
    EXPECT_EQ(copy->getChildren().size(), hint.node->getChildren().size());
    EXPECT_FALSE(copied->getBlock(GHintNode::GoldBlock)->isVisible()) << "blocks are templates, hidden";
}
