#include "game/nodes/GPolygonNode.h"

#include "engine/core/CMat4.h"
#include "engine/core/CString.h"
#include "engine/core/NumberText.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/FlatMaterial.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMarkerRadius = 4.0f;
constexpr int32_t kMarkerSides = 10;

float distance(const BatchVertex& a, const BatchVertex& b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

GPolygonNode::GPolygonNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(flatColorMaterial()) {}

BaseNode* GPolygonNode::create(const CObjectName& name) { return new GPolygonNode(name, nullptr, nullptr); }

const CStringW& GPolygonNode::getTypeName() const {
    static const CStringW name(u"GPolygonNode");
    return name;
}

const CStringW& GPolygonNode::getClassName() const { return GPolygonNode::getTypeName(); }

const CPropertyTable& GPolygonNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GPolygonNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GPolygonNode::setVisibleInGameProperty, &GPolygonNode::getVisibleInGameProperty>("VisibleInGame");
        t.add<&GPolygonNode::setShowVerticesProperty, &GPolygonNode::getShowVerticesProperty>("ShowVertices");
        t.add<&GPolygonNode::setOptimizationToleranceProperty, &GPolygonNode::getOptimizationToleranceProperty>(
            "OptimizationTolerance");
        t.add<&GPolygonNode::setOptimizePolygonProperty, &GPolygonNode::getOptimizePolygonProperty>("OptimizePolygon");
        return t;
    }();
    return table;
}

void GPolygonNode::setVisibleInGameProperty(const CRefHandle<IPropertyData>& value) {
    m_visibleInGame = getPropertyBool(value);
}
CRefHandle<IPropertyData> GPolygonNode::getVisibleInGameProperty() const {
    return CPropertyDataBool::create(m_visibleInGame);
}
void GPolygonNode::setShowVerticesProperty(const CRefHandle<IPropertyData>& value) {
    m_showVertices = getPropertyBool(value);
}
CRefHandle<IPropertyData> GPolygonNode::getShowVerticesProperty() const {
    return CPropertyDataBool::create(m_showVertices);
}
void GPolygonNode::setOptimizationToleranceProperty(const CRefHandle<IPropertyData>& value) {
    m_optimizationTolerance = getPropertyFloat(value);
}
CRefHandle<IPropertyData> GPolygonNode::getOptimizationToleranceProperty() const {
    return CPropertyDataFloat::create(m_optimizationTolerance);
}
// A command rather than a value: any write optimises, a read is always off.
void GPolygonNode::setOptimizePolygonProperty(const CRefHandle<IPropertyData>&) { optimize(m_optimizationTolerance); }
CRefHandle<IPropertyData> GPolygonNode::getOptimizePolygonProperty() const { return CPropertyDataBool::create(false); }

void GPolygonNode::setVerticesText(const CString& text) {
    m_vertices.clear();
    const CColor color = m_lineColor;
    for (const CString& piece : text.splitString(',')) {
        if (piece.empty())
            continue;
        float x = 0.0f;
        float y = 0.0f;
        parseFloatPair(piece.c_str(), x, y);
        m_vertices.push_back(BatchVertex{x, y, 0.0f, color, 0.0f, 0.0f});
    }
    if (m_vertices.size() < 3)
        return;
    m_polygonBounds[0] = m_polygonBounds[2] = m_vertices[0].x;
    m_polygonBounds[1] = m_polygonBounds[3] = m_vertices[0].y;
    for (const BatchVertex& v : m_vertices) {
        m_polygonBounds[0] = std::min(m_polygonBounds[0], v.x);
        m_polygonBounds[1] = std::min(m_polygonBounds[1], v.y);
        m_polygonBounds[2] = std::max(m_polygonBounds[2], v.x);
        m_polygonBounds[3] = std::max(m_polygonBounds[3], v.y);
    }
}

CString GPolygonNode::getVerticesText() const {
    CString text;
    for (uint32_t i = 0; i < m_vertices.size(); ++i) {
        if (i > 0)
            text += ',';
        text += int(std::floor(m_vertices[i].x + 0.5f));
        text += ';';
        text += int(std::floor(m_vertices[i].y + 0.5f));
    }
    return text;
}

void GPolygonNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_visibleInGame)
        bag.setBool("VisibleInGame", true);
    if (m_showVertices)
        bag.setBool("ShowVertices", true);
    if (m_vertices.size() > 0)
        bag.setString("Vertices", getVerticesText());
}

void GPolygonNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("VisibleInGame") >= 0)
        m_visibleInGame = bag.getBool("VisibleInGame");
    if (bag.indexOf("ShowVertices") >= 0)
        m_showVertices = bag.getBool("ShowVertices");
    if (bag.indexOf("Vertices") >= 0)
        setVerticesText(bag.getString("Vertices"));
}

BaseNode* GPolygonNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GPolygonNode>(parent, sceneManager);
}

void GPolygonNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GPolygonNode* polygon = nodeCast<GPolygonNode>(source);
    if (!polygon || polygon == this)
        return;
    m_vertices = polygon->m_vertices;
    std::copy(std::begin(polygon->m_polygonBounds), std::end(polygon->m_polygonBounds), m_polygonBounds);
    m_visibleInGame = polygon->m_visibleInGame;
    m_showVertices = polygon->m_showVertices;
}

bool GPolygonNode::containsPoint(float x, float y) const {
    const uint32_t n = m_vertices.size();
    if (n < 3)
        return false;
    if (x < m_polygonBounds[0] || y < m_polygonBounds[1] || x > m_polygonBounds[2] || y > m_polygonBounds[3])
        return false;
    bool inside = false;
    for (uint32_t i = 0, j = n - 1; i < n; j = i++) {
        const BatchVertex& a = m_vertices[i];
        const BatchVertex& b = m_vertices[j];
        if ((y < a.y) != (y < b.y)) {
            const float crossing = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (x < crossing)
                inside = !inside;
        }
    }
    return inside;
}

bool GPolygonNode::hitTest(const CVector3d& point) const {
    if (!isVisible())
        return false;
    CMat4 inverse;
    CVector3d local = point;
    if (getAbsoluteTransformation().computeInverse(inverse))
        inverse.transformPoint(local);
    return containsPoint(local.x, local.y);
}

void GPolygonNode::optimize(float tolerance) {
    uint32_t i = 0;
    while (i < m_vertices.size() && m_vertices.size() >= 4) {
        const uint32_t n = m_vertices.size();
        const BatchVertex& p = m_vertices[i];
        const BatchVertex& m = m_vertices[(i + 1) % n];
        const BatchVertex& q = m_vertices[(i + 2) % n];
        const float detour = distance(p, m) + distance(m, q) - distance(p, q);
        if (detour < tolerance) {
            m_vertices.erase((i + 1) % n);
            if (i > 0)
                --i;
        } else {
            ++i;
        }
    }
}

void GPolygonNode::updateAbsoluteColor() {
    BaseNode::updateAbsoluteColor();
    const CColor color = m_lineColor.modulate(getAbsoluteColor());
    for (BatchVertex& v : m_vertices)
        v.color = color;
}

void GPolygonNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (getAbsoluteColor().alpha() != 0)
        list.push_back(CRenderItem{this, 0, getDepth(), nullptr});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void GPolygonNode::render(IGraphicsDriver* driver, const CRect*) {
    if (!driver || !isVisible() || !m_visibleInGame || m_vertices.size() == 0)
        return;
    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    CMat4 world = getAbsoluteTransformation();
    world[14] = 0.0f;
    driver->setMatrix(MatrixKind::World, world);
    driver->applyMaterial(m_material);
    (void)driver->apply2DStates();
    driver->drawPrimitives(m_vertices.data(), m_vertices.size(), nullptr, m_vertices.size(), VertexType::Batch,
                           IndexType::Bits16, PrimitiveType::LineLoop);
    driver->setMatrix(MatrixKind::World, CMat4::identity());
    if (!m_showVertices)
        return;
    for (const BatchVertex& v : m_vertices) {
        CVector3d centre(v.x, v.y, 0.0f);
        world.transformPoint(centre);
        driver->drawRegularPolygon(CVector2d(centre.x, centre.y), kMarkerRadius, m_markerColor, kMarkerSides);
    }
}
