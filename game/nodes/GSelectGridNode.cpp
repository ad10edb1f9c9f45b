#include "game/nodes/GSelectGridNode.h"

#include "engine/core/CMat4.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/FlatMaterial.h"

GSelectGridNode::GSelectGridNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(flatColorMaterial()) {}

BaseNode* GSelectGridNode::create(const CObjectName& name) { return new GSelectGridNode(name, nullptr, nullptr); }

const CStringW& GSelectGridNode::getTypeName() const {
    static const CStringW name(u"GSelectGridNode");
    return name;
}

const CStringW& GSelectGridNode::getClassName() const { return GSelectGridNode::getTypeName(); }

const CPropertyTable& GSelectGridNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GSelectGridNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GSelectGridNode::setGridColorProperty, &GSelectGridNode::getGridColorProperty>("GridColor");
        t.add<&GSelectGridNode::setFillColorProperty, &GSelectGridNode::getFillColorProperty>("FillColor");
        t.add<&GSelectGridNode::setCellSizeProperty, &GSelectGridNode::getCellSizeProperty>("CellSize");
        return t;
    }();
    return table;
}

void GSelectGridNode::setGridColor(CColor color) {
    m_gridColor = color;
    markColorDirty();
}

void GSelectGridNode::setFillColor(CColor color) {
    m_fillColor = color;
    markColorDirty();
}

void GSelectGridNode::setGridColorProperty(const CRefHandle<IPropertyData>& value) {
    setGridColor(getPropertyColor(value));
}
CRefHandle<IPropertyData> GSelectGridNode::getGridColorProperty() const {
    return CPropertyDataColor::create(m_gridColor);
}
void GSelectGridNode::setFillColorProperty(const CRefHandle<IPropertyData>& value) {
    setFillColor(getPropertyColor(value));
}
CRefHandle<IPropertyData> GSelectGridNode::getFillColorProperty() const {
    return CPropertyDataColor::create(m_fillColor);
}
void GSelectGridNode::setCellSizeProperty(const CRefHandle<IPropertyData>& value) {
    m_cellSize = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> GSelectGridNode::getCellSizeProperty() const {
    return CPropertyDataVector2d::create(m_cellSize);
}

void GSelectGridNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_gridColor.value != 0)
        bag.setColor("GridColor", m_gridColor);
    if (m_fillColor.value != 0)
        bag.setColor("FillColor", m_fillColor);
    if (m_cellSize.x != 0.0f || m_cellSize.y != 0.0f)
        bag.setVector2d("CellSize", m_cellSize);
}

void GSelectGridNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("GridColor") >= 0)
        m_gridColor = getPropertyColor(bag.get("GridColor"));
    if (bag.indexOf("FillColor") >= 0)
        m_fillColor = getPropertyColor(bag.get("FillColor"));
    if (bag.indexOf("CellSize") >= 0)
        m_cellSize = getPropertyVector2d(bag.get("CellSize"));
}

BaseNode* GSelectGridNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GSelectGridNode>(parent, sceneManager);
}

void GSelectGridNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GSelectGridNode* grid = nodeCast<GSelectGridNode>(source);
    if (!grid || grid == this)
        return;
    m_gridColor = grid->m_gridColor;
    m_fillColor = grid->m_fillColor;
    m_cellSize = grid->m_cellSize;
}

void GSelectGridNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (getAbsoluteColor().alpha() != 0)
        list.push_back(CRenderItem{this, 0, getDepth(), nullptr});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void GSelectGridNode::render(IGraphicsDriver* driver, const CRect*) {
    if (!driver)
        return;
    const float width = getBounds().x;
    const float height = getBounds().y;
    const CColor fill = m_fillColor.modulate(getAbsoluteColor());

    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    (void)driver->apply2DStates();
    driver->applyMaterial(m_material);
    // Drawn flat: the depth only orders the render list.
    CMat4 world = getAbsoluteTransformation();
    world[14] = 0.0f;
    driver->setMatrix(MatrixKind::World, world);
    if (fill.alpha() != 0) {
        const BatchVertex quad[4] = {
            {0.0f, 0.0f, 0.0f, fill, 0.0f, 0.0f},
            {width, 0.0f, 0.0f, fill, 0.0f, 0.0f},
            {width, height, 0.0f, fill, 0.0f, 0.0f},
            {0.0f, height, 0.0f, fill, 0.0f, 0.0f},
        };
        driver->drawPrimitives(quad, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::TriangleFan);
    }
    driver->setMatrix(MatrixKind::World, CMat4::identity());
}
