#include "game/world/GWGridNode.h"

#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/video/CAtlasTexture.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A grid node of `columns` x `rows` cells of 20 x 20 in the level's content,
// loaded (its cells read from the level folder's "wgrid.bin").
CRefHandle<GWGridNode> loadedGrid(WorldContent& content, float columns, float rows, int32_t skew = 0) {
    CRefHandle<GWGridNode> grid(
        new GWGridNode(CObjectName(content.stack.manager.get(), CStringW(u"WGrid")), nullptr, nullptr));
    grid->setName(CName("WGrid"));
    grid->setBounds({columns * 20.0f, rows * 20.0f, 0.0f});
    grid->setPathToRoadElements(CStringW(u"roads"));
    grid->setSkew(skew);
    grid->onLoaded();
    return grid;
}

// The picture name of the tile on a cell, relative to the level folder, or
// "" without a tile.
std::string tileName(WorldContent& content, const GWGridNode& grid, int32_t column, int32_t row) {
    const SpriteNode* tile = grid.getTile(column, row);
    if (!tile || !tile->getAtlasTexture())
        return tile ? "(no picture)" : "";
    const std::u16string full(tile->getAtlasTexture()->getContentName().str().view());
    const std::u16string folder(content.levelFolder().view());
    std::u16string relative = full.substr(0, folder.size()) == folder ? full.substr(folder.size()) : full;
    return std::string(relative.begin(), relative.end());
}

int roadCellCount(const GWGridNode& grid) {
    int count = 0;
    for (int32_t r = 0; r < grid.getRows(); ++r)
        for (int32_t c = 0; c < grid.getColumns(); ++c)
            count += grid.isRoadCell(c, r) ? 1 : 0;
    return count;
}

CArray<CArray<uint8_t>> emptyCells(int32_t columns, int32_t rows) {
    CArray<CArray<uint8_t>> cells;
    for (int32_t r = 0; r < rows; ++r) {
        CArray<uint8_t> row;
        for (int32_t c = 0; c < columns; ++c)
            row.push_back(GWGridNode::NoRoadCell);
        cells.push_back(row);
    }
    return cells;
}

std::vector<uint8_t> written(const CArray<CArray<uint8_t>>& cells) {
    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    const std::filesystem::path path = dir.path() / "wgrid.bin";
    {
        CRefHandle<IWritableFile> file(fileSystem->openForWrite(fromNativePath(path.string()), false));
        EXPECT_TRUE(file);
        if (!file)
            return {};
        EXPECT_TRUE(GWGridNode::writeWGrid(*file, cells));
    }
    return readAllBytes(path);
}

bool readBytes(std::vector<uint8_t> bytes, CArray<CArray<uint8_t>>& cells, int32_t columns, int32_t rows) {
    CRefHandle<CBufferFile> file(
        new CBufferFile(bytes.data(), int32_t(bytes.size()), CStringW(u"level/wgrid.bin"), false));
    return GWGridNode::readWGrid(*file, cells, columns, rows);
}

} // namespace

TEST(GWGridNode, WGridFileRoundTripsByteForByte) {
    CArray<CArray<uint8_t>> cells = emptyCells(8, 10);
    cells[2][5] = GWGridNode::RoadCell;
    cells[7][1] = GWGridNode::RoadCell;
    const std::vector<uint8_t> expected = {2, 0, 0, 0, 0, 2, 5, 0, 0, 7, 1, 0};
    EXPECT_EQ(written(cells), expected);

    CArray<CArray<uint8_t>> back = emptyCells(8, 10);
    ASSERT_TRUE(readBytes(expected, back, 8, 10));
    for (int32_t r = 0; r < 10; ++r)
        for (int32_t c = 0; c < 8; ++c)
            EXPECT_EQ(back[uint32_t(r)][uint32_t(c)], cells[uint32_t(r)][uint32_t(c)]) << c << "," << r;

    // A fixture written in the tool's order reads and writes back unchanged.
    const std::vector<uint8_t> fixture = wgridBytes({{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 3}, {5, 7}});
    CArray<CArray<uint8_t>> grid = emptyCells(8, 6);
    ASSERT_TRUE(readBytes(fixture, grid, 8, 6));
    EXPECT_EQ(written(grid), fixture);
}

TEST(GWGridNode, DamagedWGridFilesFailWithOneLineOrKeepWhatFits) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool accepted;
        const char* logged;
        int roads;
    } cases[] = {
        {"empty file", {}, false, "ERR: Walk grid file has no record count", 0},
        {"count cut short", {1, 0, 0}, false, "ERR: Walk grid file has no record count", 0},
        {"count larger than the file", {3, 0, 0, 0, 0, 1, 1, 0}, false, "ERR: Walk grid file too short", 0},
        {"huge count", {0xFF, 0xFF, 0xFF, 0x7F}, false, "ERR: Walk grid file too short", 0},
        {"negative count reads as none", {0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 1, 0}, true, nullptr, 0},
        {"record with row 40 of 30 rows",
         {2, 0, 0, 0, 0, 40, 1, 0, 0, 3, 1, 0},
         true,
         "WRN: Walk grid records outside the grid",
         1},
        {"record with column 200 of 8", {1, 0, 0, 0, 0, 1, 200, 0}, true, "WRN: Walk grid records outside the grid", 0},
        {"trailing bytes past the records", {1, 0, 0, 0, 0, 1, 1, 0, 9, 9}, true, nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        CArray<CArray<uint8_t>> cells = emptyCells(8, 30);
        EXPECT_EQ(readBytes(c.bytes, cells, 8, 30), c.accepted);
        int roads = 0;
        for (const auto& row : cells)
            for (uint8_t cell : row)
                roads += cell == GWGridNode::RoadCell ? 1 : 0;
        EXPECT_EQ(roads, c.roads);
        if (c.logged) {
            EXPECT_EQ(log.count(c.logged), 1u);
        } else {
            EXPECT_TRUE(log.lines().empty());
        }
    }

    // A cell value other than 0 is kept as read, and is no road.
    CArray<CArray<uint8_t>> cells = emptyCells(4, 4);
    ASSERT_TRUE(readBytes({1, 0, 0, 0, 7, 2, 3, 0}, cells, 4, 4));
    EXPECT_EQ(cells[2][3], 7);
}

TEST(GWGridNode, WriterLeavesOutCellsBeyondByteRange) {
    CArray<CArray<uint8_t>> cells = emptyCells(300, 2);
    cells[1][3] = GWGridNode::RoadCell;
    cells[1][256] = GWGridNode::RoadCell;
    LogCapture log;
    EXPECT_EQ(written(cells), (std::vector<uint8_t>{1, 0, 0, 0, 0, 1, 3, 0}));
    EXPECT_EQ(log.count("WRN: Walk grid road cells beyond row or column 255"), 1u);
}

TEST(GWGridNode, LevelWithoutWGridHasNoRoadAndNoTiles) {
    WorldContent content;
    content.writeRoadTiles(20);
    CRefHandle<GWGridNode> grid = loadedGrid(content, 6, 4);
    EXPECT_EQ(grid->getColumns(), 6);
    EXPECT_EQ(grid->getRows(), 4);
    EXPECT_EQ(roadCellCount(*grid), 0);
    EXPECT_EQ(grid->getCell(0, 0), GWGridNode::NoRoadCell);
    ASSERT_NE(grid->getTileHolder(), nullptr);
    EXPECT_TRUE(grid->getTileHolder()->getChildren().empty());
    EXPECT_TRUE(grid->getChildren().empty()) << "the holder is not written with the scene";
}

TEST(GWGridNode, TilesFollowTheirNeighbours) {
    WorldContent content;
    content.writeRoadTiles(20);
    // Row 0: a lone cell at column 0 and a row of three at columns 2-4.
    // Column 6: a vertical run rows 0-2 that meets a horizontal road on row
    // 2 (columns 5-7), making a T.
    content.writeWGrid(wgridBytes({{0, 0}, {0, 2}, {0, 3}, {0, 4}, {0, 6}, {1, 6}, {2, 5}, {2, 6}, {2, 7}}));
    CRefHandle<GWGridNode> grid = loadedGrid(content, 8, 4);
    EXPECT_EQ(roadCellCount(*grid), 9);
    EXPECT_EQ(grid->getTileHolder()->getChildren().size(), 9u) << "exactly the road cells carry tiles";

    EXPECT_EQ(tileName(content, *grid, 0, 0), "roads/TurnX.png");
    EXPECT_EQ(tileName(content, *grid, 2, 0), "roads/RoadEndLeft.png");
    const std::string straight = tileName(content, *grid, 3, 0);
    EXPECT_TRUE(straight == "roads/SingleH0.png" || straight == "roads/SingleH1.png" ||
                straight == "roads/SingleH2.png" || straight == "roads/SingleH3.png")
        << straight;
    EXPECT_EQ(tileName(content, *grid, 4, 0), "roads/RoadEndRight.png");
    EXPECT_EQ(tileName(content, *grid, 6, 0), "roads/RoadEndTop.png");
    const std::string vertical = tileName(content, *grid, 6, 1);
    EXPECT_TRUE(vertical == "roads/SingleV0.png" || vertical == "roads/SingleV1.png" ||
                vertical == "roads/SingleV2.png")
        << vertical;
    EXPECT_EQ(tileName(content, *grid, 6, 2), "roads/TurnT2.png");
    EXPECT_EQ(tileName(content, *grid, 5, 2), "roads/RoadEndLeft.png");
    EXPECT_EQ(tileName(content, *grid, 7, 2), "roads/RoadEndRight.png");
    EXPECT_EQ(tileName(content, *grid, 1, 0), "");
    EXPECT_EQ(tileName(content, *grid, 5, 0), "");

    const SpriteNode* tile = grid->getTile(6, 2);
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->getName(), CName("elX6Y2"));
    EXPECT_FLOAT_EQ(tile->getPosition().x, 120.0f);
    EXPECT_FLOAT_EQ(tile->getPosition().y, 40.0f);

    // The table keeps the plain names of every pattern.
    ASSERT_EQ(grid->getTileImages().size(), 16u);
    EXPECT_TRUE(grid->getTileImages()[0] == CStringW(u"roads/TurnX.png"));
    EXPECT_TRUE(grid->getTileImages()[3] == CStringW(u"roads/SingleH0.png"));
    EXPECT_TRUE(grid->getTileImages()[14] == CStringW(u"roads/TurnT4.png"));
}

TEST(GWGridNode, SkewShiftsEachRowAndItsTiles) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeWGrid(wgridBytes({{0, 1}, {3, 1}, {9, 1}}));
    CRefHandle<GWGridNode> grid = loadedGrid(content, 4, 10, 50);
    EXPECT_FLOAT_EQ(grid->getRowShift(), 5.0f);
    for (int32_t row : {0, 3, 9}) {
        SCOPED_TRACE(row);
        const SpriteNode* tile = grid->getTile(1, row);
        ASSERT_NE(tile, nullptr);
        EXPECT_FLOAT_EQ(tile->getPosition().x, 20.0f + 5.0f * float(row));
        EXPECT_FLOAT_EQ(tile->getPosition().y, 20.0f * float(row));
    }
    // A new skew lays the tiles again.
    grid->setSkew(-100);
    EXPECT_FLOAT_EQ(grid->getRowShift(), -10.0f);
    ASSERT_NE(grid->getTile(1, 9), nullptr);
    EXPECT_FLOAT_EQ(grid->getTile(1, 9)->getPosition().x, 20.0f - 90.0f);
    EXPECT_EQ(grid->getTileHolder()->getChildren().size(), 3u);
    // The placement maps the shifted centre back to its cell.
    const CVector2d centre = GPathFinder::pointOfCell(grid->getPlacement(), 1, 9);
    const GGridCell cell = GPathFinder::cellOfPoint(grid->getPlacement(), centre);
    EXPECT_EQ(cell.column, 1);
    EXPECT_EQ(cell.row, 9);
}

TEST(GWGridNode, PropertiesClampThroughTheSetterAndReadAsWritten) {
    CRefHandle<GWGridNode> grid(new GWGridNode(CObjectName(), nullptr, nullptr));
    const CPropertyTable& table = grid->getPropertyTable();
    table.setAt(grid.get(), table.indexOf("Skew"), CPropertyDataInt::create(900));
    EXPECT_EQ(grid->getSkew(), 500);
    table.setAt(grid.get(), table.indexOf("Skew"), CPropertyDataInt::create(-900));
    EXPECT_EQ(grid->getSkew(), -500);
    table.setAt(grid.get(), table.indexOf("PathToRoadElements"), CPropertyDataStringW::create(CStringW(u"a\\b//")));
    EXPECT_TRUE(grid->getPathToRoadElements() == CStringW(u"a/b"));

    CRefHandle<CPropertyBag> bagHandle(new CPropertyBag);
    CPropertyBag& bag = *bagHandle;
    bag.setInt("Skew", 900);
    bag.setStringW("PathToRoadElements", CStringW(u"c\\d/"));
    bag.setVector2d("CellSize", {16.0f, 12.0f});
    bag.setInt("ShowGrid", 1);
    grid->readProperties(bag);
    EXPECT_EQ(grid->getSkew(), 900);
    EXPECT_TRUE(grid->getPathToRoadElements() == CStringW(u"c\\d/"));
    EXPECT_FLOAT_EQ(grid->getCellSize().x, 16.0f);
    EXPECT_FLOAT_EQ(grid->getCellSize().y, 12.0f);
    EXPECT_FALSE(grid->getShowGrid()) << "a value of another kind reads as false";

    // Every property is written, defaults too (without an engine no file is
    // saved, and the missing engine is logged).
    CRefHandle<GWGridNode> fresh(new GWGridNode(CObjectName(), nullptr, nullptr));
    CRefHandle<CPropertyBag> outHandle(new CPropertyBag);
    CPropertyBag& out = *outHandle;
    LogCapture log;
    fresh->writeProperties(out);
    EXPECT_GE(out.indexOf("CellSize"), 0);
    EXPECT_GE(out.indexOf("Skew"), 0);
    EXPECT_GE(out.indexOf("PathToRoadElements"), 0);
    EXPECT_GE(out.indexOf("ShowGrid"), 0);
    EXPECT_EQ(log.count("ERR: GWGridNode::saveWGridToFile(): MRXINSTANCE == 0"), 1u);
}

TEST(GWGridNode, CellSizeOfZeroOrBelowLeavesAnEmptyGrid) {
    for (const CVector2d size : {CVector2d(0.0f, 20.0f), CVector2d(20.0f, -1.0f), CVector2d(0.0f, 0.0f)}) {
        WorldContent content;
        content.writeWGrid(wgridBytes({{0, 0}}));
        CRefHandle<GWGridNode> grid(
            new GWGridNode(CObjectName(content.stack.manager.get(), CStringW(u"WGrid")), nullptr, nullptr));
        grid->setCellSize(size);
        LogCapture log;
        grid->onLoaded();
        EXPECT_EQ(grid->getColumns(), 0);
        EXPECT_EQ(grid->getRows(), 0);
        EXPECT_TRUE(grid->getCells().empty());
        EXPECT_FALSE(grid->isRoadCell(0, 0));
        EXPECT_EQ(log.count("WRN: Walk grid without a cell size"), 1u);
    }
    // A tiny cell size over large bounds is refused whole.
    CRefHandle<GWGridNode> huge(new GWGridNode(CObjectName(), nullptr, nullptr));
    huge->setCellSize({0.001f, 0.001f});
    huge->setBounds({1000.0f, 1000.0f, 0.0f});
    LogCapture log;
    huge->onLoaded();
    EXPECT_EQ(huge->getColumns(), 0);
    EXPECT_EQ(log.count("WRN: Walk grid too large"), 1u);
}

TEST(GWGridNode, CloneHasExactlyTheGridsCellsWithTheCopiedValues) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeWGrid(wgridBytes({{0, 0}, {0, 1}, {2, 3}}));
    CRefHandle<GWGridNode> grid = loadedGrid(content, 4, 3);
    grid->setCell(2, 1, 9);
    // The clone must not find the file again to keep the roads.
    std::filesystem::remove(content.levelPath("wgrid.bin"));

    CRefHandle<GWGridNode> copy(static_cast<GWGridNode*>(grid->clone(nullptr, nullptr)));
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->getCells().size(), 3u);
    for (int32_t r = 0; r < 3; ++r) {
        ASSERT_EQ(copy->getCells()[uint32_t(r)].size(), 4u);
        for (int32_t c = 0; c < 4; ++c)
            EXPECT_EQ(copy->getCell(c, r), grid->getCell(c, r)) << c << "," << r;
    }
    EXPECT_EQ(copy->getTileHolder()->getChildren().size(), 3u);
    EXPECT_TRUE(copy->getChildren().empty());
    EXPECT_NE(copy->getTileHolder(), grid->getTileHolder());
}

TEST(GWGridNode, WritingTheNodeSavesTheWGridBesideTheScene) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeWGrid(wgridBytes({{1, 2}, {1, 3}, {2, 3}}));
    CRefHandle<GWGridNode> grid = loadedGrid(content, 5, 4);
    grid->setCell(0, 3, GWGridNode::RoadCell);
    std::filesystem::remove(content.levelPath("wgrid.bin"));

    CRefHandle<CPropertyBag> bagHandle(new CPropertyBag);
    CPropertyBag& bag = *bagHandle;
    grid->writeProperties(bag);
    EXPECT_EQ(readAllBytes(content.levelPath("wgrid.bin")), wgridBytes({{1, 2}, {1, 3}, {2, 3}, {3, 0}}));

    // Without an engine file system: the second line, nothing written.
    std::filesystem::remove(content.levelPath("wgrid.bin"));
    content.engine->setFileSystem(nullptr);
    LogCapture log;
    grid->writeProperties(bag);
    EXPECT_EQ(log.count("ERR: GWGridNode::saveWGridToFile(): MRXINSTANCE->getFileSystem() == 0"), 1u);
    EXPECT_FALSE(std::filesystem::exists(content.levelPath("wgrid.bin")));
}

TEST(GWGridNode, WritingTheNodeSavesTheRoadPictureOverTheBackground) {
    WorldContent content;
    content.writeRoadTiles(20);
    content.writeWGrid(wgridBytes({{1, 1}, {1, 2}}));
    CRefHandle<BaseNode> level(
        new BaseNode(CObjectName(content.stack.manager.get(), CStringW(u"Level")), nullptr, nullptr));
    auto* background = new SpriteNode(CObjectName(content.stack.manager.get(), CStringW(u"Bg")), level.get(), nullptr);
    background->release();
    background->setName(CName("Bg"));
    background->setPosition({10.0f, 0.0f, 0.0f});
    background->setBounds({90.5f, 70.9f, 0.0f});
    auto* grid = new GWGridNode(CObjectName(content.stack.manager.get(), CStringW(u"WGrid")), level.get(), nullptr);
    grid->release();
    grid->setPosition({30.0f, 10.0f, 0.0f});
    grid->setBounds({80.0f, 60.0f, 0.0f});
    grid->setPathToRoadElements(CStringW(u"roads"));
    grid->onLoaded();

    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    grid->writeProperties(*bag);
    CRefHandle<CPixelImage> picture =
        content.stack.load<CPixelImage>(ContentTypeImage, content.levelFolder() + u"road.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 90u);
    EXPECT_EQ(picture->height(), 70u);
    // The tile of (column 1, row 1) lands at grid + tile - background:
    // (30 + 20 - 10, 10 + 20) = (40, 30); its centre is road, the corner of
    // the picture is not.
    EXPECT_NE(picture->pixelAt(40 + 10, 30 + 10).alpha(), 0u);
    EXPECT_NE(picture->pixelAt(60 + 10, 30 + 10).alpha(), 0u);
    EXPECT_EQ(picture->pixelAt(2, 2).alpha(), 0u);
    EXPECT_EQ(picture->pixelAt(40 + 10, 30 - 5).alpha(), 0u);

    // Without a "Bg" sprite beside the grid no picture is written.
    std::filesystem::remove(content.levelPath("road.png"));
    background->setName(CName("Sky"));
    grid->writeProperties(*bag);
    EXPECT_FALSE(std::filesystem::exists(content.levelPath("road.png")));
}
