#include "game/nodes/GEllipseProgressBarNode.h"

#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "game/app/FlatMaterial.h"
#include "game/nodes/GEllipseFan.h"

GEllipseProgressBarNode::GEllipseProgressBarNode(const CObjectName& contentName, BaseNode* parent,
                                                 BaseNode* sceneManager)
    : BaseProgressBarNode(contentName, parent, sceneManager), m_material(flatColorMaterial()) {}

BaseNode* GEllipseProgressBarNode::create(const CObjectName& name) {
    return new GEllipseProgressBarNode(name, nullptr, nullptr);
}

const CStringW& GEllipseProgressBarNode::getTypeName() const {
    static const CStringW name(u"GEllipseProgressBarNode");
    return name;
}

const CStringW& GEllipseProgressBarNode::getClassName() const { return GEllipseProgressBarNode::getTypeName(); }

const CPropertyTable& GEllipseProgressBarNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GEllipseProgressBarNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseProgressBarNode::propertyTable());
        t.add<&GEllipseProgressBarNode::setFillColorProperty, &GEllipseProgressBarNode::getFillColorProperty>(
            "FillColor");
        return t;
    }();
    return table;
}

void GEllipseProgressBarNode::setFillColorProperty(const CRefHandle<IPropertyData>& value) {
    m_fillColor = getPropertyColor(value);
}
CRefHandle<IPropertyData> GEllipseProgressBarNode::getFillColorProperty() const {
    return CPropertyDataColor::create(m_fillColor);
}

void GEllipseProgressBarNode::writeProperties(CPropertyBag& bag) const {
    BaseProgressBarNode::writeProperties(bag);
    if (m_fillColor.value != 0xFFFFFFFFu)
        bag.setColor("FillColor", m_fillColor);
    if (m_maxVerticesCount != 32)
        bag.setInt("MaxVerticesCount", m_maxVerticesCount);
}

void GEllipseProgressBarNode::readProperties(const CPropertyBag& bag) {
    BaseProgressBarNode::readProperties(bag);
    if (bag.indexOf("FillColor") >= 0)
        m_fillColor = getPropertyColor(bag.get("FillColor"));
    if (bag.indexOf("MaxVerticesCount") >= 0)
        m_maxVerticesCount = bag.getInt("MaxVerticesCount");
}

BaseNode* GEllipseProgressBarNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GEllipseProgressBarNode>(parent, sceneManager);
}

void GEllipseProgressBarNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseProgressBarNode::copyFrom(source, sceneManager);
    const GEllipseProgressBarNode* bar = nodeCast<GEllipseProgressBarNode>(source);
    if (!bar || bar == this)
        return;
    m_fillColor = bar->m_fillColor;
    m_maxVerticesCount = bar->m_maxVerticesCount;
}

void GEllipseProgressBarNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (getAbsoluteColor().alpha() != 0)
        list.push_back(CRenderItem{this, 0, getDepth(), nullptr});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void GEllipseProgressBarNode::render(IGraphicsDriver* driver, const CRect*) {
    m_vertices.clear();
    if (!(getMaxValue() > getMinValue()))
        return;
    const float end = (getValue() - getMinValue()) / (getMaxValue() - getMinValue()) * 360.0f;
    if (end > 0.0f)
        buildEllipseFan(m_vertices, *this, m_fillColor, 0.0f, end, m_maxVerticesCount);
    drawEllipseFan(driver, m_vertices, m_material);
}
