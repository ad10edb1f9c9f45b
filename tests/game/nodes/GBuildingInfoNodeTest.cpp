#include "game/nodes/GBuildingInfoNode.h"

#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "tests/engine/nodes/NodesTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Glyphs 29 wide and 12 high: a figure of three characters is 87 wide.
CRefHandle<TestFont> figureFont() {
    return CRefHandle<TestFont>(
        new TestFont(u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 29.0f, 12.0f, 29.0f));
}

// A 300 x 200 panel with every line, a 40 x 6 spacer and the two highlight
// templates (an arrow 20 wide, an underline 3 high).
struct Panel {
    CRefHandle<TestFont> font = figureFont();
    CRefHandle<GBuildingInfoNode> node{new GBuildingInfoNode(CObjectName(), nullptr, nullptr)};

    explicit Panel(float spacerWidth = 40.0f) {
        node->setBounds(CVector3d(300.0f, 200.0f, 0.0f));
        const char* lines[] = {"Preview", "BuildingName", "Income",      "Guests",
                               "Gold",    "ServedGuests", "Description", "DescriptionSign"};
        for (const char* name : lines) {
            const bool picture = std::string(name) == "Preview" || std::string(name) == "DescriptionSign";
            BaseNode* child = picture ? static_cast<BaseNode*>(new SpriteNode(CObjectName(), node.get(), nullptr))
                                      : new TextNode(CObjectName(), node.get(), nullptr);
            child->setName(CName(name));
            if (auto* text = nodeCast<TextNode>(child))
                text->setFont(font.get());
            child->release();
        }
        add("Spacer", CVector3d(spacerWidth, 6.0f, 0.0f));
        add("HighlightArrow", CVector3d(20.0f, 10.0f, 0.0f));
        add("HighlightUnderline", CVector3d(5.0f, 3.0f, 0.0f));
        node->onLoaded();
    }
    void add(const char* name, const CVector3d& bounds) const {
        BaseNode* child = new BaseNode(CObjectName(), node.get(), nullptr);
        child->setName(CName(name));
        child->setBounds(bounds);
        child->release();
    }
    [[nodiscard]] TextNode* line(GBuildingInfoNode::Line line) const {
        return nodeCast<TextNode>(node->getLineNode(line));
    }
    [[nodiscard]] CVector3d at(GBuildingInfoNode::Line line) const { return node->getLineNode(line)->getPosition(); }
    void layOut() const {
        CArray<CRenderItem> list;
        node->registerForRendering(list);
    }
};

} // namespace

TEST(GBuildingInfoNode, FiguresFlowIntoRowsThatWrapAtThePanelsWidthOnTheSpacersGrid) {
    Panel panel;
    EXPECT_EQ(panel.node->getGridStep(), 8);
    panel.node->setBuildingName(CStringW(u"Mill"));
    panel.node->setIncome(CStringW(u"111"));
    panel.node->setGuests(CStringW(u"22"));
    panel.node->setGold(CStringW(u"3333"));
    panel.node->setServedGuests(CStringW(u"44444444444"));
    panel.node->setDescription(CStringW(u"Grinds"));
    EXPECT_TRUE(panel.node->isDirty());
    panel.layOut();
    EXPECT_FALSE(panel.node->isDirty());

    // Row one starts below the name (12 + 6); after the income the column
    // offset is 87 + 40 = 127, snapped to 120.
    const struct {
        GBuildingInfoNode::Line line;
        float x, y;
    } places[] = {
        {GBuildingInfoNode::BuildingName, 0, 0},  {GBuildingInfoNode::Income, 0, 18},
        {GBuildingInfoNode::Guests, 120, 18},     {GBuildingInfoNode::Gold, 0, 36},
        {GBuildingInfoNode::ServedGuests, 0, 54}, {GBuildingInfoNode::Description, 0, 72},
    };
    for (const auto& p : places) {
        SCOPED_TRACE(int(p.line));
        EXPECT_FLOAT_EQ(panel.at(p.line).x, p.x);
        EXPECT_FLOAT_EQ(panel.at(p.line).y, p.y);
        EXPECT_TRUE(panel.node->getLineNode(p.line)->isVisible());
    }
    EXPECT_EQ(panel.line(GBuildingInfoNode::BuildingName)->getTextHAlign(), 2);
    EXPECT_FLOAT_EQ(panel.line(GBuildingInfoNode::BuildingName)->getBounds().x, 300.0f);
    const TextNode* description = panel.line(GBuildingInfoNode::Description);
    EXPECT_TRUE(description->getWordWrap());
    EXPECT_FLOAT_EQ(description->getBounds().y, 128.0f);
    EXPECT_EQ(description->getTextVAlign(), 2) << "a short description is centred in the room left";
    EXPECT_FALSE(panel.node->getLineNode(GBuildingInfoNode::Preview)->isVisible()) << "no picture name";
}

TEST(GBuildingInfoNode, HiddenFiguresLeaveTheDescriptionRightBelowTheName) {
    const struct {
        const char* what;
        bool name;
        float y;
    } cases[] = {{"below the name", true, 18.0f}, {"at the top without one", false, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Panel panel;
        panel.node->setBuildingName(CStringW(u"Mill"));
        panel.node->setIncome(CStringW(u"111"));
        panel.node->setDescription(CStringW(u"Grinds"));
        panel.node->setDescriptionSign(CStringW(u"sign.png"));
        panel.node->showBuildingName(c.name);
        panel.node->setIncome(CStringW());
        panel.layOut();
        EXPECT_FALSE(panel.node->getLineNode(GBuildingInfoNode::Income)->isVisible()) << "an empty text hides";
        EXPECT_FLOAT_EQ(panel.at(GBuildingInfoNode::Description).y, c.y);
        EXPECT_TRUE(panel.node->getLineNode(GBuildingInfoNode::DescriptionSign)->isVisible());
    }

    Panel panel;
    panel.node->setDescriptionSign(CStringW(u"sign.png"));
    panel.node->setDescription(CStringW(u"Grinds"));
    panel.node->showDescription(false);
    panel.layOut();
    EXPECT_FALSE(panel.node->getLineNode(GBuildingInfoNode::DescriptionSign)->isVisible())
        << "a hidden description hides its sign";
    panel.node->showAllLines(true);
    panel.node->clearTexts();
    panel.layOut();
    for (uint32_t i = 0; i < GBuildingInfoNode::LineCount; ++i)
        EXPECT_FALSE(panel.node->getLineNode(GBuildingInfoNode::Line(i))->isVisible()) << i;
}

TEST(GBuildingInfoNode, HighlightsSitAfterAndUnderTheirFigure) {
    Panel panel;
    panel.node->setIncome(CStringW(u"111"));
    panel.node->setGuests(CStringW());
    panel.node->highlightIncome(true);
    panel.node->highlightGuests(true);
    panel.layOut();
    BaseNode* arrow = panel.node->getIncomeArrow();
    BaseNode* underline = panel.node->getIncomeUnderline();
    ASSERT_TRUE(arrow && underline);
    EXPECT_TRUE(arrow->isVisible());
    EXPECT_FLOAT_EQ(arrow->getPosition().x, 87.0f);
    EXPECT_FLOAT_EQ(arrow->getPosition().y, 0.0f);
    EXPECT_TRUE(underline->isVisible());
    EXPECT_FLOAT_EQ(underline->getPosition().y, 12.0f) << "right below the figure";
    EXPECT_FLOAT_EQ(underline->getBounds().x, 97.0f);
    EXPECT_FLOAT_EQ(underline->getBounds().y, 3.0f) << "with its own height";
    EXPECT_FALSE(panel.node->getGuestsArrow()->isVisible()) << "no guests figure to point at";
    EXPECT_FALSE(panel.node->getGuestsUnderline()->isVisible());

    panel.node->highlightIncome(false);
    panel.layOut();
    EXPECT_FALSE(arrow->isVisible());
}

TEST(GBuildingInfoNode, ASpacerNarrowerThanFiveDoesNotSnap) {
    Panel panel(3.0f);
    EXPECT_EQ(panel.node->getGridStep(), 0);
    panel.node->setIncome(CStringW(u"111"));
    panel.node->setGuests(CStringW(u"2"));
    panel.layOut();
    EXPECT_FLOAT_EQ(panel.at(GBuildingInfoNode::Guests).x, 90.0f);
}

TEST(GBuildingInfoNode, ACopyKeepsTextsAndFlagsAndMakesItsOwnHighlights) {
    Panel panel;
    panel.node->setIncome(CStringW(u"111"));
    panel.node->showPreview(false);
    const uint32_t children = panel.node->getChildren().size();
    CRefHandle<BaseNode> copy(panel.node->clone(nullptr, nullptr));
    auto* copied = nodeCast<GBuildingInfoNode>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copy->getChildren().size(), children) << "the highlight clones are not copied twice";
    EXPECT_TRUE(copied->getLineText(GBuildingInfoNode::Income) == CStringW(u"111"));
    EXPECT_FALSE(copied->isLineShown(GBuildingInfoNode::Preview));
    EXPECT_EQ(copied->getGridStep(), 8);
    ASSERT_NE(copied->getIncomeArrow(), nullptr);
    EXPECT_NE(copied->getIncomeArrow(), panel.node->getIncomeArrow());
    EXPECT_EQ(copied->getIncomeArrow()->getParent(), copy.get());
}
