#include "game/world/GRailRoadNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/video/CAtlasTexture.h"
#include "game/world/GWGridNode.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

GTrainNode* fakeTrain(uintptr_t n) { return reinterpret_cast<GTrainNode*>(n * 16); }

// A level root holding "WGrid" (one road row at `roadRow`, road in the
// given columns) and "Railways" with one strip.
struct RailLevel {
    explicit RailLevel(WorldContent& content, float gridX, float stripWidth, float stripY, int roadRow,
                       const std::vector<int>& roadColumns, int variants = 2) {
        IContentManager* manager = content.stack.manager.get();
        std::vector<std::pair<int, int>> cells;
        for (int column : roadColumns)
            cells.emplace_back(roadRow, column);
        content.writeWGrid(wgridBytes(cells));
        root.reset(new BaseNode(CObjectName(manager, CStringW(u"Level")), nullptr, nullptr));
        grid = new GWGridNode(CObjectName(manager, CStringW(u"WGrid")), root.get(), nullptr);
        grid->release();
        grid->setName(CName("WGrid"));
        grid->setPosition({gridX, 0.0f, 0.0f});
        grid->setBounds({200.0f, 100.0f, 0.0f});
        grid->setPathToRoadElements(CStringW(u"roads"));
        grid->onLoaded();
        railways = new BaseNode(CObjectName(manager, CStringW(u"Railways")), root.get(), nullptr);
        railways->release();
        strip = new GRailRoadNode(CObjectName(manager, CStringW(u"Rail")), railways, nullptr);
        strip->release();
        strip->setPosition({0.0f, stripY, 0.0f});
        strip->setBounds({stripWidth, 20.0f, 0.0f});
        strip->setCellSize(20.0f);
        strip->setRandomElementsCount(variants);
        strip->setPathToRoadElements(CStringW(u"rails"));
        strip->onLoaded();
    }

    [[nodiscard]] std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const BaseNode* element : strip->getElementHolder()->getChildren())
            out.push_back(element->getName().empty() ? "" : std::string(element->getName().str().c_str()));
        return out;
    }

    CRefHandle<BaseNode> root;
    GWGridNode* grid = nullptr;
    BaseNode* railways = nullptr;
    GRailRoadNode* strip = nullptr;
};

std::string pictureOf(WorldContent& content, const BaseNode* element) {
    const SpriteNode* sprite = nodeCast<SpriteNode>(element);
    if (!sprite || !sprite->getAtlasTexture())
        return "";
    const std::u16string full(sprite->getAtlasTexture()->getContentName().str().view());
    const std::u16string folder(content.levelFolder().view());
    std::u16string relative = full.substr(0, folder.size()) == folder ? full.substr(folder.size()) : full;
    return std::string(relative.begin(), relative.end());
}

} // namespace

TEST(GRailRoadNode, ElementsFillTheWidthWithEndsAndRandomMiddles) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeRailTiles(20, 2);
    const struct {
        float width;
        std::vector<std::string> names;
    } cases[] = {
        {100.0f, {"EndLeft", "Element", "Element", "Element", "EndRight"}},
        {59.0f, {"EndLeft", "EndRight"}},
        {10.0f, {"EndLeft", "EndRight"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        RailLevel level(content, 0.0f, c.width, 60.0f, 0, {});
        EXPECT_EQ(level.names(), c.names);
        const CArray<BaseNode*>& elements = level.strip->getElementHolder()->getChildren();
        for (uint32_t i = 0; i < elements.size(); ++i)
            EXPECT_FLOAT_EQ(elements[i]->getPosition().x, 20.0f * float(i));
        EXPECT_EQ(pictureOf(content, elements[0]), "rails/EndLeft.png");
        EXPECT_EQ(pictureOf(content, elements[elements.size() - 1]), "rails/EndRight.png");
        for (uint32_t i = 1; i + 1 < elements.size(); ++i) {
            const std::string picture = pictureOf(content, elements[i]);
            EXPECT_TRUE(picture == "rails/SingleH0.png" || picture == "rails/SingleH1.png") << picture;
        }
    }

    // CellSize 32 over 100 units: three elements.
    RailLevel wide(content, 0.0f, 100.0f, 60.0f, 0, {});
    wide.strip->setCellSize(32.0f);
    wide.strip->getElementHolder()->removeAllChildren();
    wide.strip->rebuildElements();
    EXPECT_EQ(wide.names(), (std::vector<std::string>{"EndLeft", "Element", "EndRight"}));
}

TEST(GRailRoadNode, OneVariantAndBadCountsUseTheFirstPiece) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeRailTiles(20, 1);
    for (int variants : {1, 0, -3}) {
        SCOPED_TRACE(variants);
        RailLevel level(content, 0.0f, 120.0f, 60.0f, 0, {}, variants);
        const CArray<BaseNode*>& elements = level.strip->getElementHolder()->getChildren();
        ASSERT_EQ(elements.size(), 6u);
        for (uint32_t i = 1; i + 1 < elements.size(); ++i)
            EXPECT_EQ(pictureOf(content, elements[i]), "rails/SingleH0.png");
    }
}

TEST(GRailRoadNode, RebuildingWithTheSameCountChangesNothing) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeRailTiles(20, 4);
    RailLevel level(content, 0.0f, 200.0f, 60.0f, 0, {});
    std::vector<std::string> before;
    for (const BaseNode* element : level.strip->getElementHolder()->getChildren())
        before.push_back(pictureOf(content, element));
    const BaseNode* first = level.strip->getElementHolder()->getChildren()[1];
    for (int i = 0; i < 5; ++i) {
        level.strip->rebuildElements();
        level.strip->randomizeElements();
    }
    std::vector<std::string> after;
    for (const BaseNode* element : level.strip->getElementHolder()->getChildren())
        after.push_back(pictureOf(content, element));
    EXPECT_EQ(after, before);
    EXPECT_EQ(level.strip->getElementHolder()->getChildren()[1], first);
}

TEST(GRailRoadNode, CrossingsSitOverRoadCellsOfTheRowAlongTheStrip) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeRailTiles(20, 2);
    const struct {
        const char* what;
        float gridX;
        float stripY;
        std::vector<int> roads;
        std::vector<std::string> names;
    } cases[] = {
        {"road cell 2.5 units from an element",
         2.5f,
         60.0f,
         {1, 3},
         {"EndLeft", "Cross", "Element", "Cross", "Element", "EndRight"}},
        {"3.5 units is too far",
         3.5f,
         60.0f,
         {1, 3},
         {"EndLeft", "Element", "Element", "Element", "Element", "EndRight"}},
        {"road row 3 units above the strip",
         0.0f,
         63.0f,
         {2},
         {"EndLeft", "Element", "Cross", "Element", "Element", "EndRight"}},
        {"road row 4 units above the strip",
         0.0f,
         64.0f,
         {2},
         {"EndLeft", "Element", "Element", "Element", "Element", "EndRight"}},
        {"ends never cross", 0.0f, 60.0f, {0, 5}, {"EndLeft", "Element", "Element", "Element", "Element", "EndRight"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Road row 3 lies at y 60.
        RailLevel level(content, c.gridX, 120.0f, c.stripY, 3, c.roads);
        level.strip->randomizeElements();
        level.strip->placeCrossings();
        EXPECT_EQ(level.names(), c.names);
        for (const BaseNode* element : level.strip->getElementHolder()->getChildren()) {
            if (element->getName() == CName("Cross")) {
                EXPECT_EQ(pictureOf(content, element), "rails/SingleP.png");
            }
        }
    }

    // Without a walk grid beside the strip's parent: no crossings.
    RailLevel level(content, 0.0f, 120.0f, 60.0f, 3, {2});
    level.grid->setName(CName("Other"));
    level.strip->placeCrossings();
    EXPECT_EQ(level.names()[2], "Element");
}

TEST(GRailRoadNode, HidesWhenItsLastTrainHasGone) {
    CRefHandle<GRailRoadNode> strip(new GRailRoadNode(CObjectName(), nullptr, nullptr));
    strip->setHideWhenEmpty(true);
    EXPECT_FALSE(strip->isVisible()) << "already empty: hidden at once";
    EXPECT_FALSE(strip->getHideWhenEmpty());

    strip->setVisible(true);
    strip->addTrain(fakeTrain(1));
    strip->addTrain(fakeTrain(2));
    strip->addTrain(fakeTrain(1));
    strip->setHideWhenEmpty(true);
    EXPECT_TRUE(strip->isVisible());
    strip->removeTrain(fakeTrain(1));
    ASSERT_EQ(strip->getTrains().size(), 2u);
    EXPECT_EQ(strip->getTrains()[0], fakeTrain(2));
    EXPECT_EQ(strip->getTrains()[1], fakeTrain(1));
    strip->removeTrain(fakeTrain(3));
    strip->removeTrain(fakeTrain(2));
    EXPECT_TRUE(strip->isVisible());
    strip->removeTrain(fakeTrain(1));
    EXPECT_FALSE(strip->isVisible());
    EXPECT_FALSE(strip->getHideWhenEmpty());

    // Without the flag an empty strip stays as it is.
    strip->setVisible(true);
    strip->addTrain(fakeTrain(4));
    strip->removeTrain(fakeTrain(4));
    EXPECT_TRUE(strip->isVisible());
}

TEST(GRailRoadNode, PropertiesAndCopies) {
    CRefHandle<GRailRoadNode> strip(new GRailRoadNode(CObjectName(), nullptr, nullptr));
    const CPropertyTable& table = strip->getPropertyTable();
    table.setAt(strip.get(), table.indexOf("PathToRoadElements"),
                CPropertyDataStringW::create(CStringW(u"rails\\set//")));
    EXPECT_TRUE(strip->getPathToRoadElements() == CStringW(u"rails/set"));

    CRefHandle<CPropertyBag> out(new CPropertyBag);
    strip->writeProperties(*out);
    for (const char* name : {"CellSize", "RandomElementsCount", "PathToRoadElements", "ShowGrid"})
        EXPECT_GE(out->indexOf(name), 0) << name;

    CRefHandle<CPropertyBag> in(new CPropertyBag);
    in->setStringW("PathToRoadElements", CStringW(u"a\\"));
    in->setFloat("CellSize", 24.0f);
    in->setInt("RandomElementsCount", 3);
    in->setBool("ShowGrid", true);
    strip->readProperties(*in);
    EXPECT_TRUE(strip->getPathToRoadElements() == CStringW(u"a\\"));
    strip->setEntrySide(GRailRoadNode::EntryLeft);
    strip->addTrain(fakeTrain(1));

    CRefHandle<GRailRoadNode> copy(static_cast<GRailRoadNode*>(strip->clone(nullptr, nullptr)));
    EXPECT_FLOAT_EQ(copy->getCellSize(), 24.0f);
    EXPECT_EQ(copy->getRandomElementsCount(), 3);
    EXPECT_TRUE(copy->getShowGrid());
    EXPECT_TRUE(copy->getPathToRoadElements() == CStringW(u"a\\"));
    EXPECT_EQ(copy->getEntrySide(), GRailRoadNode::EntryEither);
    EXPECT_TRUE(copy->getTrains().empty());
}

TEST(GRailRoadNode, CellSizeOfZeroKeepsTheTwoEnds) {
    WorldContent content;
    content.writeRailTiles(20, 2);
    CRefHandle<GRailRoadNode> strip(
        new GRailRoadNode(CObjectName(content.stack.manager.get(), CStringW(u"Rail")), nullptr, nullptr));
    strip->setCellSize(0.0f);
    strip->setPathToRoadElements(CStringW(u"rails"));
    LogCapture log;
    strip->onLoaded();
    ASSERT_NE(strip->getElementHolder(), nullptr);
    EXPECT_EQ(strip->getElementHolder()->getChildren().size(), 2u);
    EXPECT_EQ(log.count("WRN: Railway strip without a cell size"), 1u);
}
