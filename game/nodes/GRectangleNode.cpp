#include "game/nodes/GRectangleNode.h"

#include "engine/core/CMat4.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/FlatMaterial.h"

GRectangleNode::GRectangleNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(flatColorMaterial()) {}

BaseNode* GRectangleNode::create(const CObjectName& name) { return new GRectangleNode(name, nullptr, nullptr); }

const CStringW& GRectangleNode::getTypeName() const {
    static const CStringW name(u"GRectangleNode");
    return name;
}

const CStringW& GRectangleNode::getClassName() const { return GRectangleNode::getTypeName(); }

const CPropertyTable& GRectangleNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GRectangleNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GRectangleNode::setBorderColorProperty, &GRectangleNode::getBorderColorProperty>("BorderColor");
        t.add<&GRectangleNode::setFillColorProperty, &GRectangleNode::getFillColorProperty>("FillColor");
        return t;
    }();
    return table;
}

void GRectangleNode::setBorderColorProperty(const CRefHandle<IPropertyData>& value) {
    m_borderColor = getPropertyColor(value);
}
CRefHandle<IPropertyData> GRectangleNode::getBorderColorProperty() const {
    return CPropertyDataColor::create(m_borderColor);
}
void GRectangleNode::setFillColorProperty(const CRefHandle<IPropertyData>& value) {
    m_fillColor = getPropertyColor(value);
}
CRefHandle<IPropertyData> GRectangleNode::getFillColorProperty() const {
    return CPropertyDataColor::create(m_fillColor);
}

void GRectangleNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_borderColor.value != 0)
        bag.setColor("BorderColor", m_borderColor);
    if (m_fillColor.value != 0)
        bag.setColor("FillColor", m_fillColor);
}

void GRectangleNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("BorderColor") >= 0)
        m_borderColor = getPropertyColor(bag.get("BorderColor"));
    if (bag.indexOf("FillColor") >= 0)
        m_fillColor = getPropertyColor(bag.get("FillColor"));
}

BaseNode* GRectangleNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GRectangleNode>(parent, sceneManager);
}

void GRectangleNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GRectangleNode* rectangle = nodeCast<GRectangleNode>(source);
    if (!rectangle || rectangle == this)
        return;
    m_borderColor = rectangle->m_borderColor;
    m_fillColor = rectangle->m_fillColor;
}

void GRectangleNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (getAbsoluteColor().alpha() != 0)
        list.push_back(CRenderItem{this, 0, getDepth(), nullptr});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void GRectangleNode::render(IGraphicsDriver* driver, const CRect*) {
    if (!driver)
        return;
    const float width = getBounds().x;
    const float height = getBounds().y;
    const CColor tint = getAbsoluteColor();
    const CColor border = m_borderColor.modulate(tint);
    const CColor fill = m_fillColor.modulate(tint);

    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    driver->applyMaterial(m_material);
    (void)driver->apply2DStates();
    driver->setMatrix(MatrixKind::World, getAbsoluteTransformation());

    if (fill.alpha() != 0) {
        const BatchVertex quad[4] = {
            {1.0f, 1.0f, 0.0f, fill, 0.0f, 0.0f},
            {width, 1.0f, 0.0f, fill, 0.0f, 0.0f},
            {width, height, 0.0f, fill, 0.0f, 0.0f},
            {1.0f, height, 0.0f, fill, 0.0f, 0.0f},
        };
        driver->drawPrimitives(quad, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::TriangleFan);
    }
    if (border.alpha() != 0) {
        // Scaled down, the top line moves in by a pixel so that it stays
        // inside the filled area.
        const float start = getAbsoluteTransformation().extractScale().x > 0.9f ? 0.0f : 1.0f;
        const BatchVertex outline[5] = {
            {start, 1.0f, 0.0f, border, 0.0f, 0.0f},   {width, 1.0f, 0.0f, border, 0.0f, 0.0f},
            {width, height, 0.0f, border, 0.0f, 0.0f}, {1.0f, height, 0.0f, border, 0.0f, 0.0f},
            {1.0f, 1.0f, 0.0f, border, 0.0f, 0.0f},
        };
        static constexpr uint16_t lines[8] = {0, 1, 1, 2, 2, 3, 3, 4};
        driver->drawPrimitives(outline, 5, lines, 4, VertexType::Batch, IndexType::Bits16, PrimitiveType::Lines);
    }
    driver->setMatrix(MatrixKind::World, CMat4::identity());
}
