#include "game/world/GRailRoadNode.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRandom.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"
#include "game/world/GWGridNode.h"

#include <algorithm>
#include <cmath>

namespace {

const CName& endLeftName() {
    static const CName name("EndLeft");
    return name;
}
const CName& endRightName() {
    static const CName name("EndRight");
    return name;
}
const CName& elementName() {
    static const CName name("Element");
    return name;
}
const CName& crossName() {
    static const CName name("Cross");
    return name;
}

// Pushes a folder on the content manager's stack for the object's life.
class FolderScope {
public:
    FolderScope(IContentManager* manager, const CStringW& folder) : m_manager(manager) {
        m_manager->pushFolder(folder);
    }
    ~FolderScope() { (void)m_manager->popFolder(); }
    FolderScope(const FolderScope&) = delete;
    FolderScope& operator=(const FolderScope&) = delete;

private:
    IContentManager* m_manager;
};

} // namespace

GRailRoadNode::GRailRoadNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GElementHolderNode(contentName, parent, sceneManager) {}

GRailRoadNode::~GRailRoadNode() { m_trains.clear(); }

BaseNode* GRailRoadNode::create(const CObjectName& name) { return new GRailRoadNode(name, nullptr, nullptr); }

const CStringW& GRailRoadNode::getTypeName() const {
    static const CStringW name(u"GRailRoadNode");
    return name;
}

const CStringW& GRailRoadNode::getClassName() const { return GRailRoadNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& GRailRoadNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GRailRoadNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GRailRoadNode::setCellSizeProperty, &GRailRoadNode::getCellSizeProperty>("CellSize");
        t.add<&GRailRoadNode::setRandomElementsCountProperty, &GRailRoadNode::getRandomElementsCountProperty>(
            "RandomElementsCount");
        t.add<&GRailRoadNode::setPathToRoadElementsProperty, &GRailRoadNode::getPathToRoadElementsProperty>(
            "PathToRoadElements");
        t.add<&GRailRoadNode::setShowGridProperty, &GRailRoadNode::getShowGridProperty>("ShowGrid");
        return t;
    }();
    return table;
}

void GRailRoadNode::setCellSizeProperty(const CRefHandle<IPropertyData>& value) {
    m_cellSize = getPropertyFloat(value);
}
CRefHandle<IPropertyData> GRailRoadNode::getCellSizeProperty() const { return CPropertyDataFloat::create(m_cellSize); }
void GRailRoadNode::setRandomElementsCountProperty(const CRefHandle<IPropertyData>& value) {
    m_randomElementsCount = getPropertyInt(value);
}
CRefHandle<IPropertyData> GRailRoadNode::getRandomElementsCountProperty() const {
    return CPropertyDataInt::create(m_randomElementsCount);
}
void GRailRoadNode::setPathToRoadElementsProperty(const CRefHandle<IPropertyData>& value) {
    setPathToRoadElements(getPropertyStringW(value));
}
CRefHandle<IPropertyData> GRailRoadNode::getPathToRoadElementsProperty() const {
    return CPropertyDataStringW::create(m_pathToRoadElements);
}
void GRailRoadNode::setShowGridProperty(const CRefHandle<IPropertyData>& value) { m_showGrid = getPropertyBool(value); }
CRefHandle<IPropertyData> GRailRoadNode::getShowGridProperty() const { return CPropertyDataBool::create(m_showGrid); }

void GRailRoadNode::setPathToRoadElements(const CStringW& path) { m_pathToRoadElements = cleanFolder(path); }

void GRailRoadNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    bag.setFloat("CellSize", m_cellSize);
    bag.setInt("RandomElementsCount", m_randomElementsCount);
    bag.setStringW("PathToRoadElements", m_pathToRoadElements);
    bag.setBool("ShowGrid", m_showGrid);
}

void GRailRoadNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("CellSize") >= 0)
        m_cellSize = getPropertyFloat(bag.get("CellSize"));
    if (bag.indexOf("RandomElementsCount") >= 0)
        m_randomElementsCount = getPropertyInt(bag.get("RandomElementsCount"));
    if (bag.indexOf("PathToRoadElements") >= 0)
        m_pathToRoadElements = getPropertyStringW(bag.get("PathToRoadElements"));
    if (bag.indexOf("ShowGrid") >= 0)
        m_showGrid = getPropertyBool(bag.get("ShowGrid"));
}

// ---------------------------------------------------------------------------
// Copying and loading

BaseNode* GRailRoadNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GRailRoadNode>(parent, sceneManager);
}

void GRailRoadNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GRailRoadNode* strip = nodeCast<GRailRoadNode>(source);
    if (!strip || strip == this)
        return;
    m_cellSize = strip->m_cellSize;
    m_randomElementsCount = strip->m_randomElementsCount;
    m_showGrid = strip->m_showGrid;
    m_pathToRoadElements = strip->m_pathToRoadElements;
    m_elementFolder = strip->m_elementFolder;
}

void GRailRoadNode::onLoaded() {
    makeElementHolder({m_cellSize, m_cellSize, 0.0f});
    // A copy is made outside any file's reading: it keeps its source's file.
    if (IContentManager* manager = contentManager()) {
        const CStringW folder = manager->popFolder();
        manager->pushFolder(folder);
        if (!folder.empty())
            m_elementFolder = folder;
    }
    rebuildElements();
}

bool GRailRoadNode::loadElementImage(BaseNode* element, const CStringW& image) const {
    IContentManager* manager = contentManager();
    if (!manager)
        return false;
    IContent* loaded = manager->load(ContentTypeAtlasTexture, m_pathToRoadElements + image, true);
    auto* texture = dynamic_cast<CAtlasTexture*>(loaded);
    if (texture) {
        if (SpriteNode* sprite = nodeCast<SpriteNode>(element))
            sprite->setAtlasTexture(texture);
    }
    if (loaded)
        loaded->release();
    return texture != nullptr;
}

void GRailRoadNode::rebuildElements() {
    IContentManager* manager = contentManager();
    if (!getElementHolder() || !manager)
        return;
    int32_t count = 2;
    if (!(m_cellSize > 0.0f)) {
        CLog::instance()->log(CString("Railway strip without a cell size keeps its two ends: ") + getName().str(),
                              CLog::Warning);
    } else {
        const double fit = std::floor(double(getBounds().x) / double(m_cellSize));
        if (fit > double(MaxElements)) {
            CLog::instance()->log(CString("Railway strip too long, cut short: ") + getName().str(), CLog::Warning);
            count = MaxElements;
        } else if (fit > 2.0) {
            count = int32_t(fit);
        }
    }
    BaseNode* holder = getElementHolder();
    if (holder->getChildren().size() == uint32_t(count))
        return;
    while (holder->getChildren().size() > uint32_t(count))
        (void)holder->removeChild(holder->getChildren().back());
    while (holder->getChildren().size() < uint32_t(count)) {
        auto* element = new SpriteNode(CObjectName(), holder, getSceneManager<BaseNode>());
        element->release();
    }

    {
        FolderScope folder(manager, m_elementFolder);
        const CArray<BaseNode*>& elements = holder->getChildren();
        if (loadElementImage(elements[0], CStringW(u"/EndLeft.png")))
            elements[0]->setName(endLeftName());
        if (loadElementImage(elements[elements.size() - 1], CStringW(u"/EndRight.png")))
            elements[elements.size() - 1]->setName(endRightName());
    }
    randomizeElements();
    const CArray<BaseNode*>& elements = holder->getChildren();
    for (uint32_t i = 0; i < elements.size(); ++i)
        elements[i]->setPosition({m_cellSize * float(i), 0.0f, 0.0f});
}

void GRailRoadNode::randomizeElements() {
    IContentManager* manager = contentManager();
    if (!getElementHolder() || getElementHolder()->getChildren().size() <= 2 || !manager)
        return;
    FolderScope folder(manager, m_elementFolder);
    CRandom* random = CEngineManagers::instance().getRandom();
    const int32_t variants = std::max(m_randomElementsCount, 1);
    const CArray<BaseNode*>& elements = getElementHolder()->getChildren();
    for (uint32_t i = 1; i + 1 < elements.size(); ++i) {
        BaseNode* element = elements[i];
        if (element->getName() == elementName())
            continue;
        const int32_t n = random ? random->nextInRange(0, variants - 1) : 0;
        element->setName(elementName());
        (void)loadElementImage(element, CStringW(u"/SingleH") + CStringW(n) + u".png");
    }
}

void GRailRoadNode::placeCrossings() {
    if (!getElementHolder() || getElementHolder()->getChildren().size() < 3)
        return;
    BaseNode* parent = getParent();
    BaseNode* grandparent = parent ? parent->getParent() : nullptr;
    if (!grandparent)
        return;
    const CName gridName("WGrid");
    const GWGridNode* grid = nullptr;
    for (BaseNode* child : grandparent->getChildren()) {
        if (child->getName() == gridName && child->getTypeId() == GWGridNode::TypeId) {
            grid = static_cast<const GWGridNode*>(child);
            break;
        }
    }
    IContentManager* manager = contentManager();
    if (!grid || !manager)
        return;

    FolderScope folder(manager, m_elementFolder);
    const float w = grid->getCellSize().x;
    const float h = grid->getCellSize().y;
    const CVector3d& gridPosition = grid->getPosition();
    const CVector3d& stripPosition = getPosition();
    const CArray<BaseNode*>& elements = getElementHolder()->getChildren();
    for (int32_t r = 0; r < grid->getRows(); ++r) {
        if (std::fabs(h * float(r) + gridPosition.y - stripPosition.y) > CrossingTolerance)
            continue;
        for (int32_t c = 0; c < grid->getColumns(); ++c) {
            if (!grid->isRoadCell(c, r))
                continue;
            const float cellX = float(r) * grid->getRowShift() + gridPosition.x + w * float(c);
            for (uint32_t i = 1; i + 1 < elements.size(); ++i) {
                BaseNode* element = elements[i];
                if (std::fabs(element->getPosition().x + stripPosition.x - cellX) > CrossingTolerance)
                    continue;
                if (element->getName() != crossName() && loadElementImage(element, CStringW(u"/SingleP.png")))
                    element->setName(crossName());
                break;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Trains

void GRailRoadNode::addTrain(GTrainNode* train) { m_trains.push_back(train); }

void GRailRoadNode::removeTrain(GTrainNode* train) {
    const int64_t index = m_trains.indexOf(train);
    if (index >= 0)
        m_trains.erase(uint32_t(index));
    if (m_hideWhenEmpty && m_trains.empty()) {
        setVisible(false);
        m_hideWhenEmpty = false;
    }
}

void GRailRoadNode::setHideWhenEmpty(bool hide) {
    m_hideWhenEmpty = hide;
    if (m_hideWhenEmpty && m_trains.empty()) {
        setVisible(false);
        m_hideWhenEmpty = false;
    }
}
