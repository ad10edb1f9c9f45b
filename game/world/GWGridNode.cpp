#include "game/world/GWGridNode.h"

#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CMat4.h"
#include "engine/core/CRandom.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/IGraphicsDriver.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kOverlayColor = 0xFF00FF00u;
constexpr int32_t kHorizontalStraight = 3;
constexpr int32_t kVerticalStraight = 12;
constexpr int32_t kAllNeighbours = 15;
constexpr int32_t kRecordSize = 4;

// Images of the neighbour patterns (bit 1 left, 2 right, 4 above, 8 below
// is road), each appended to the tile folder.
constexpr const char16_t* kTileImages[16] = {
    u"/TurnX.png",         u"/RoadEndRight.png", u"/RoadEndLeft.png",   u"/SingleH0.png",
    u"/RoadEndBottom.png", u"/TurnUpLeft.png",   u"/TurnUpRight.png",   u"/TurnT2.png",
    u"/RoadEndTop.png",    u"/TurnDownLeft.png", u"/TurnDownRight.png", u"/TurnT1.png",
    u"/SingleV0.png",      u"/TurnT3.png",       u"/TurnT4.png",        u"/TurnX.png",
};

const CStringW& wgridFileName() {
    static const CStringW name(u"wgrid.bin");
    return name;
}

int32_t drawInRange(int32_t min, int32_t max) {
    CRandom* random = CEngineManagers::instance().getRandom();
    return random ? random->nextInRange(min, max) : min;
}

} // namespace

GWGridNode::GWGridNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GElementHolderNode(contentName, parent, sceneManager) {}

GWGridNode::~GWGridNode() = default;

BaseNode* GWGridNode::create(const CObjectName& name) { return new GWGridNode(name, nullptr, nullptr); }

const CStringW& GWGridNode::getTypeName() const {
    static const CStringW name(u"GWGridNode");
    return name;
}

const CStringW& GWGridNode::getClassName() const { return GWGridNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& GWGridNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GWGridNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GWGridNode::setCellSizeProperty, &GWGridNode::getCellSizeProperty>("CellSize");
        t.add<&GWGridNode::setSkewProperty, &GWGridNode::getSkewProperty>("Skew");
        t.add<&GWGridNode::setPathToRoadElementsProperty, &GWGridNode::getPathToRoadElementsProperty>(
            "PathToRoadElements");
        t.add<&GWGridNode::setShowGridProperty, &GWGridNode::getShowGridProperty>("ShowGrid");
        return t;
    }();
    return table;
}

void GWGridNode::setCellSizeProperty(const CRefHandle<IPropertyData>& value) {
    m_cellSize = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> GWGridNode::getCellSizeProperty() const { return CPropertyDataVector2d::create(m_cellSize); }
void GWGridNode::setSkewProperty(const CRefHandle<IPropertyData>& value) { setSkew(getPropertyInt(value)); }
CRefHandle<IPropertyData> GWGridNode::getSkewProperty() const { return CPropertyDataInt::create(m_skew); }
void GWGridNode::setPathToRoadElementsProperty(const CRefHandle<IPropertyData>& value) {
    setPathToRoadElements(getPropertyStringW(value));
}
CRefHandle<IPropertyData> GWGridNode::getPathToRoadElementsProperty() const {
    return CPropertyDataStringW::create(m_pathToRoadElements);
}
void GWGridNode::setShowGridProperty(const CRefHandle<IPropertyData>& value) { m_showGrid = getPropertyBool(value); }
CRefHandle<IPropertyData> GWGridNode::getShowGridProperty() const { return CPropertyDataBool::create(m_showGrid); }

void GWGridNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    bag.setVector2d("CellSize", m_cellSize);
    bag.setInt("Skew", m_skew);
    bag.setStringW("PathToRoadElements", m_pathToRoadElements);
    bag.setBool("ShowGrid", m_showGrid);
    saveWGridToFile();
    saveRoadPicture();
}

void GWGridNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("CellSize") >= 0)
        m_cellSize = getPropertyVector2d(bag.get("CellSize"));
    if (bag.indexOf("Skew") >= 0)
        m_skew = getPropertyInt(bag.get("Skew"));
    if (bag.indexOf("PathToRoadElements") >= 0)
        m_pathToRoadElements = getPropertyStringW(bag.get("PathToRoadElements"));
    if (bag.indexOf("ShowGrid") >= 0)
        m_showGrid = getPropertyBool(bag.get("ShowGrid"));
}

void GWGridNode::setSkew(int32_t skew) {
    m_skew = std::clamp(skew, -MaxSkew, MaxSkew);
    m_rowShift = m_rows > 0 ? float(m_skew) / float(m_rows) : 0.0f;
    if (getTileHolder() && !m_tiles.empty()) {
        removeAllTiles();
        layTiles();
    }
}

void GWGridNode::setPathToRoadElements(const CStringW& path) { m_pathToRoadElements = cleanFolder(path); }

// ---------------------------------------------------------------------------
// Copying and loading

BaseNode* GWGridNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GWGridNode>(parent, sceneManager);
}

void GWGridNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GWGridNode* grid = nodeCast<GWGridNode>(source);
    if (!grid || grid == this)
        return;
    m_cellSize = grid->m_cellSize;
    m_skew = grid->m_skew;
    m_showGrid = grid->m_showGrid;
    m_pathToRoadElements = grid->m_pathToRoadElements;
    m_elementFolder = grid->m_elementFolder;
    m_cells = grid->m_cells;
}

void GWGridNode::onLoaded() {
    makeElementHolder(getBounds());
    // A copy is made outside any file's reading: it keeps its source's file.
    if (IContentManager* manager = contentManager()) {
        const CStringW folder = manager->popFolder();
        manager->pushFolder(folder);
        if (!folder.empty())
            m_elementFolder = folder;
    }

    m_tileImages.clear();
    for (const char16_t* image : kTileImages)
        m_tileImages.push_back(m_pathToRoadElements + image);

    m_columns = 0;
    m_rows = 0;
    if (!(m_cellSize.x > 0.0f) || !(m_cellSize.y > 0.0f)) {
        CLog::instance()->log(CString("Walk grid without a cell size, left empty: ") + getName().str(), CLog::Warning);
    } else {
        const double columns = std::ceil(double(getBounds().x) / double(m_cellSize.x));
        const double rows = std::ceil(double(getBounds().y) / double(m_cellSize.y));
        if (columns > 0.0 && rows > 0.0) {
            if (columns * rows > double(MaxCells)) {
                CLog::instance()->log(CString("Walk grid too large, left empty: ") + getName().str(), CLog::Warning);
            } else {
                m_columns = int32_t(columns);
                m_rows = int32_t(rows);
            }
        }
    }
    m_rowShift = m_rows > 0 ? float(m_skew) / float(m_rows) : 0.0f;

    // Exactly rows x columns cells: copied values where they exist, no road
    // elsewhere.
    CArray<CArray<uint8_t>> cells;
    cells.reserve(uint32_t(m_rows));
    for (int32_t r = 0; r < m_rows; ++r) {
        CArray<uint8_t> row;
        row.reserve(uint32_t(m_columns));
        const CArray<uint8_t>* copied = uint32_t(r) < m_cells.size() ? &m_cells[uint32_t(r)] : nullptr;
        for (int32_t c = 0; c < m_columns; ++c)
            row.push_back(copied && uint32_t(c) < copied->size() ? (*copied)[uint32_t(c)] : NoRoadCell);
        cells.push_back(row);
    }
    m_cells = std::move(cells);

    readWGridFile();

    removeAllTiles();
    layTiles();
}

CStringW GWGridNode::sceneFolder() const {
    IContentManager* manager = contentManager();
    if (!manager)
        return CStringW();
    CStringW folder = manager->popFolder();
    manager->pushFolder(folder);
    int cut = -1;
    for (uint32_t i = 0; i < folder.length(); ++i) {
        if (folder[i] == u'/' || folder[i] == u'\\' || folder[i] == u':')
            cut = int(i);
    }
    return folder.subString(0, cut + 1);
}

void GWGridNode::readWGridFile() {
    CEngine* engine = findEngineInstance();
    CVirtualFileSystem* fileSystem = engine ? engine->getFileSystem() : nullptr;
    if (!fileSystem || m_rows <= 0 || m_columns <= 0)
        return;
    CRefHandle<IReadableFile> file(fileSystem->openForRead(sceneFolder() + wgridFileName()));
    if (!file)
        return;
    (void)readWGrid(*file, m_cells, m_columns, m_rows);
}

bool GWGridNode::readWGrid(IReadableFile& file, CArray<CArray<uint8_t>>& cells, int32_t columns, int32_t rows) {
    uint8_t header[4];
    if (file.read(header, 4) != 4) {
        CLog::instance()->log(CStringW(u"Walk grid file has no record count: ") + file.fileName(), CLog::Error);
        return false;
    }
    int32_t count =
        int32_t(uint32_t(header[0]) | uint32_t(header[1]) << 8 | uint32_t(header[2]) << 16 | uint32_t(header[3]) << 24);
    count = std::max(count, 0);
    const int64_t room = (int64_t(file.size()) - 4) / kRecordSize;
    if (int64_t(count) > room) {
        CLog::instance()->log(CStringW(u"Walk grid file too short for its record count: ") + file.fileName(),
                              CLog::Error);
        return false;
    }
    int32_t outside = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t record[kRecordSize];
        if (file.read(record, kRecordSize) != kRecordSize)
            break;
        const int32_t row = record[1];
        const int32_t column = record[2];
        if (row < rows && column < columns && uint32_t(row) < cells.size() &&
            uint32_t(column) < cells[uint32_t(row)].size())
            cells[uint32_t(row)][uint32_t(column)] = record[0];
        else
            ++outside;
    }
    if (outside > 0)
        CLog::instance()->log(CStringW(u"Walk grid records outside the grid passed over: ") + file.fileName(),
                              CLog::Warning);
    return true;
}

bool GWGridNode::writeWGrid(IWritableFile& file, const CArray<CArray<uint8_t>>& cells) {
    int32_t count = 0;
    bool skipped = false;
    for (uint32_t r = 0; r < cells.size(); ++r) {
        for (uint32_t c = 0; c < cells[r].size(); ++c) {
            if (cells[r][c] != RoadCell)
                continue;
            if (r > uint32_t(MaxFileCoordinate) || c > uint32_t(MaxFileCoordinate))
                skipped = true;
            else
                ++count;
        }
    }
    if (skipped)
        CLog::instance()->log(
            CStringW(u"Walk grid road cells beyond row or column 255 left out of: ") + file.fileName(), CLog::Warning);
    const uint8_t header[4] = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)};
    if (file.write(header, 4) != 4)
        return false;
    for (uint32_t r = 0; r < cells.size() && r <= uint32_t(MaxFileCoordinate); ++r) {
        for (uint32_t c = 0; c < cells[r].size() && c <= uint32_t(MaxFileCoordinate); ++c) {
            if (cells[r][c] != RoadCell)
                continue;
            const uint8_t record[kRecordSize] = {RoadCell, uint8_t(r), uint8_t(c), 0};
            if (file.write(record, kRecordSize) != kRecordSize)
                return false;
        }
    }
    return true;
}

void GWGridNode::saveWGridToFile() const {
    const CStringW folder = sceneFolder();
    CEngine* engine = findEngineInstance();
    if (!engine) {
        CLog::instance()->log("GWGridNode::saveWGridToFile(): MRXINSTANCE == 0", CLog::Error);
        return;
    }
    CVirtualFileSystem* fileSystem = engine->getFileSystem();
    if (!fileSystem) {
        CLog::instance()->log("GWGridNode::saveWGridToFile(): MRXINSTANCE->getFileSystem() == 0", CLog::Error);
        return;
    }
    CRefHandle<IWritableFile> file(fileSystem->openForWrite(folder + wgridFileName(), false));
    if (!file)
        return;
    if (!writeWGrid(*file, m_cells))
        CLog::instance()->log(CStringW(u"Can't write walk grid: ") + file->fileName(), CLog::Error);
}

void GWGridNode::saveRoadPicture() const {
    IContentManager* manager = contentManager();
    BaseNode* parent = getParent();
    if (!manager || !parent)
        return;
    const CName bgName("Bg");
    const SpriteNode* background = nullptr;
    for (BaseNode* child : parent->getChildren()) {
        if (child->getName() == bgName && child->getTypeId() == SpriteNode::TypeId) {
            background = static_cast<const SpriteNode*>(child);
            break;
        }
    }
    if (!background)
        return;
    const float bgWidth = background->getBounds().x;
    const float bgHeight = background->getBounds().y;
    const int32_t width = bgWidth > float(MaxPictureSide) ? MaxPictureSide + 1 : int32_t(std::max(bgWidth, 0.0f));
    const int32_t height = bgHeight > float(MaxPictureSide) ? MaxPictureSide + 1 : int32_t(std::max(bgHeight, 0.0f));
    if (width <= 0 || height <= 0)
        return;
    if (width > MaxPictureSide || height > MaxPictureSide) {
        CLog::instance()->log(CString("Road picture too large, not written: ") + getName().str(), CLog::Warning);
        return;
    }
    CRefHandle<CPixelImage> picture(
        CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, uint32_t(width), uint32_t(height)));
    if (!picture)
        return;
    // Where no tile lies the picture stays transparent.
    picture->fillColor(CColor(0u));
    for (int32_t r = 0; r < m_rows; ++r) {
        for (int32_t c = 0; c < m_columns; ++c) {
            const SpriteNode* tile = getTile(c, r);
            if (!tile || !isRoadCell(c, r) || !tile->getAtlasTexture())
                continue;
            CImageTexture* texture = tile->getAtlasTexture()->getImageTexture();
            if (!texture)
                continue;
            CRefHandle<CPixelImage> image = CRefHandle<CPixelImage>::share(texture->getImage());
            if (!image) {
                IContent* loaded = manager->load(ContentTypeImage, texture->getFileName(), false);
                image.reset(dynamic_cast<CPixelImage*>(loaded));
                if (!image && loaded)
                    loaded->release();
            }
            if (!image)
                continue;
            const int32_t x = int32_t(getPosition().x + tile->getPosition().x - background->getPosition().x);
            const int32_t y = int32_t(getPosition().y + tile->getPosition().y - background->getPosition().y);
            (void)image->blitInto(*picture, x, y);
        }
    }
    if (!manager->save(ContentTypeImage, picture.get(), sceneFolder() + u"road.png", nullptr))
        CLog::instance()->log(CStringW(u"Can't write road picture: ") + sceneFolder() + u"road.png", CLog::Error);
}

// ---------------------------------------------------------------------------
// Cells and tiles

uint8_t GWGridNode::getCell(int32_t column, int32_t row) const {
    if (column < 0 || row < 0 || row >= m_rows || column >= m_columns)
        return NoRoadCell;
    return m_cells[uint32_t(row)][uint32_t(column)];
}

void GWGridNode::setCell(int32_t column, int32_t row, uint8_t value) {
    if (column >= 0 && row >= 0 && row < m_rows && column < m_columns)
        m_cells[uint32_t(row)][uint32_t(column)] = value;
}

bool GWGridNode::isRoadCell(int32_t column, int32_t row) const { return getCell(column, row) == RoadCell; }

GGridPlacement GWGridNode::getPlacement() const {
    return GGridPlacement{{getPosition().x, getPosition().y}, m_cellSize, m_rowShift};
}

SpriteNode* GWGridNode::getTile(int32_t column, int32_t row) const {
    if (column < 0 || row < 0 || row >= m_rows || column >= m_columns || m_tiles.empty())
        return nullptr;
    return m_tiles[size_t(row) * size_t(m_columns) + size_t(column)];
}

void GWGridNode::removeAllTiles() {
    if (getTileHolder())
        getTileHolder()->removeAllChildren();
    m_tiles.assign(size_t(m_rows) * size_t(m_columns), nullptr);
}

void GWGridNode::layTiles() {
    // The first pass also gives tiles to cells beside a road; the second
    // takes them away again and draws the straight pieces anew.
    for (int32_t r = 0; r < m_rows; ++r)
        for (int32_t c = 0; c < m_columns; ++c)
            placeTile(c, r);
    for (int32_t r = 0; r < m_rows; ++r)
        for (int32_t c = 0; c < m_columns; ++c)
            if (getTile(c, r))
                placeTile(c, r);
}

CStringW GWGridNode::tileImage(int32_t pattern) const {
    if (pattern == kHorizontalStraight)
        return m_pathToRoadElements + u"/SingleH" + CStringW(drawInRange(0, 3)) + u".png";
    if (pattern == kVerticalStraight)
        return m_pathToRoadElements + u"/SingleV" + CStringW(drawInRange(0, 2)) + u".png";
    return m_tileImages[uint32_t(pattern)];
}

void GWGridNode::loadTileImage(SpriteNode* tile, int32_t pattern) const {
    IContentManager* manager = contentManager();
    if (!manager)
        return;
    const bool inFolder = !m_elementFolder.empty();
    if (inFolder)
        manager->pushFolder(m_elementFolder);
    IContent* loaded = manager->load(ContentTypeAtlasTexture, tileImage(pattern), true);
    if (inFolder)
        static_cast<void>(manager->popFolder());
    if (auto* texture = dynamic_cast<CAtlasTexture*>(loaded))
        tile->setAtlasTexture(texture);
    if (loaded)
        loaded->release();
}

void GWGridNode::placeTile(int32_t column, int32_t row) {
    if (column < 0 || row < 0 || row >= m_rows || column >= m_columns || !contentManager() || !getTileHolder())
        return;
    int32_t pattern = 0;
    if (isRoadCell(column - 1, row))
        pattern += 1;
    if (isRoadCell(column + 1, row))
        pattern += 2;
    if (isRoadCell(column, row - 1))
        pattern += 4;
    if (isRoadCell(column, row + 1))
        pattern += 8;
    const bool road = isRoadCell(column, row);
    if (pattern == 0 && road)
        pattern = kAllNeighbours;

    SpriteNode*& slot = m_tiles[size_t(row) * size_t(m_columns) + size_t(column)];
    if (slot) {
        if (pattern != 0 && road) {
            loadTileImage(slot, pattern);
        } else {
            SpriteNode* tile = slot;
            slot = nullptr;
            (void)getTileHolder()->removeChild(tile);
        }
        return;
    }
    if (pattern == 0)
        return;
    CString name("elX");
    name += column;
    name += "Y";
    name += row;
    auto* tile = new SpriteNode(CObjectName(), getTileHolder(), getSceneManager<BaseNode>());
    tile->setName(CName(name));
    tile->setPosition({m_cellSize.x * float(column) + m_rowShift * float(row), m_cellSize.y * float(row), 0.0f});
    slot = tile;
    tile->release();
    loadTileImage(tile, pattern);
}

// ---------------------------------------------------------------------------
// Drawing

void GWGridNode::render(IGraphicsDriver* driver, const CRect*) {
    if (!driver || m_overlayFlag == 0 || m_rows <= 0 || m_columns <= 0)
        return;
    driver->applyMaterial(m_overlayMaterial);
    const CColor color(kOverlayColor);
    const CMat4& world = getAbsoluteTransformation();
    const CVector2d origin(world[12], world[13]);
    const float w = m_cellSize.x;
    const float h = m_cellSize.y;
    for (int32_t r = 0; r < m_rows; ++r) {
        const float shift = m_rowShift * float(r);
        const float top = h * float(r);
        driver->drawLine2D(origin + CVector2d(shift, top), origin + CVector2d(shift + w * float(m_columns), top),
                           color);
        for (int32_t c = 0; c <= m_columns; ++c) {
            const float x = shift + w * float(c);
            driver->drawLine2D(origin + CVector2d(x, top), origin + CVector2d(x, top + h), color);
        }
    }
    const float bottom = h * float(m_rows);
    const float lastShift = m_rowShift * float(m_rows - 1);
    driver->drawLine2D(origin + CVector2d(lastShift, bottom),
                       origin + CVector2d(lastShift + w * float(m_columns), bottom), color);
}
