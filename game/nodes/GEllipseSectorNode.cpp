#include "game/nodes/GEllipseSectorNode.h"

#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "game/app/FlatMaterial.h"
#include "game/nodes/GEllipseFan.h"

GEllipseSectorNode::GEllipseSectorNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(flatColorMaterial()) {}

BaseNode* GEllipseSectorNode::create(const CObjectName& name) { return new GEllipseSectorNode(name, nullptr, nullptr); }

const CStringW& GEllipseSectorNode::getTypeName() const {
    static const CStringW name(u"GEllipseSectorNode");
    return name;
}

const CStringW& GEllipseSectorNode::getClassName() const { return GEllipseSectorNode::getTypeName(); }

const CPropertyTable& GEllipseSectorNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GEllipseSectorNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GEllipseSectorNode::setFillColorProperty, &GEllipseSectorNode::getFillColorProperty>("FillColor");
        t.add<&GEllipseSectorNode::setAngle1Property, &GEllipseSectorNode::getAngle1Property>("Angle1");
        t.add<&GEllipseSectorNode::setAngle2Property, &GEllipseSectorNode::getAngle2Property>("Angle2");
        t.add<&GEllipseSectorNode::setMaxVerticesCountProperty, &GEllipseSectorNode::getMaxVerticesCountProperty>(
            "MaxVerticesCount");
        return t;
    }();
    return table;
}

void GEllipseSectorNode::setFillColorProperty(const CRefHandle<IPropertyData>& value) {
    m_fillColor = getPropertyColor(value);
}
CRefHandle<IPropertyData> GEllipseSectorNode::getFillColorProperty() const {
    return CPropertyDataColor::create(m_fillColor);
}
void GEllipseSectorNode::setAngle1Property(const CRefHandle<IPropertyData>& value) { m_angle1 = getPropertyInt(value); }
CRefHandle<IPropertyData> GEllipseSectorNode::getAngle1Property() const { return CPropertyDataInt::create(m_angle1); }
void GEllipseSectorNode::setAngle2Property(const CRefHandle<IPropertyData>& value) { m_angle2 = getPropertyInt(value); }
CRefHandle<IPropertyData> GEllipseSectorNode::getAngle2Property() const { return CPropertyDataInt::create(m_angle2); }
void GEllipseSectorNode::setMaxVerticesCountProperty(const CRefHandle<IPropertyData>& value) {
    m_maxVerticesCount = getPropertyInt(value);
}
CRefHandle<IPropertyData> GEllipseSectorNode::getMaxVerticesCountProperty() const {
    return CPropertyDataInt::create(m_maxVerticesCount);
}

void GEllipseSectorNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_fillColor.value != 0xFFFFFFFFu)
        bag.setColor("FillColor", m_fillColor);
    if (m_angle1 != 0)
        bag.setInt("Angle1", m_angle1);
    if (m_angle2 != 360)
        bag.setInt("Angle2", m_angle2);
    if (m_maxVerticesCount != 32)
        bag.setInt("MaxVerticesCount", m_maxVerticesCount);
}

void GEllipseSectorNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("FillColor") >= 0)
        m_fillColor = getPropertyColor(bag.get("FillColor"));
    if (bag.indexOf("Angle1") >= 0)
        m_angle1 = bag.getInt("Angle1");
    if (bag.indexOf("Angle2") >= 0)
        m_angle2 = bag.getInt("Angle2");
    if (bag.indexOf("MaxVerticesCount") >= 0)
        m_maxVerticesCount = bag.getInt("MaxVerticesCount");
}

BaseNode* GEllipseSectorNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GEllipseSectorNode>(parent, sceneManager);
}

void GEllipseSectorNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GEllipseSectorNode* sector = nodeCast<GEllipseSectorNode>(source);
    if (!sector || sector == this)
        return;
    m_fillColor = sector->m_fillColor;
    m_angle1 = sector->m_angle1;
    m_angle2 = sector->m_angle2;
    m_maxVerticesCount = sector->m_maxVerticesCount;
}

void GEllipseSectorNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (getAbsoluteColor().alpha() != 0)
        list.push_back(CRenderItem{this, 0, getDepth(), nullptr});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void GEllipseSectorNode::render(IGraphicsDriver* driver, const CRect*) {
    buildEllipseFan(m_vertices, *this, m_fillColor, float(m_angle1), float(m_angle2), m_maxVerticesCount);
    drawEllipseFan(driver, m_vertices, m_material);
}
