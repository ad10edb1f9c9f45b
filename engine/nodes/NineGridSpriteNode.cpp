#include "engine/nodes/NineGridSpriteNode.h"

#include "engine/core/CStringW.h"
#include "engine/nodes/NodeContent.h"
#include "engine/nodes/SpriteGeometry.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/IGraphicsDriver.h"

#include <cmath>

namespace {

constexpr uint32_t kHitAlphaThreshold = 20;

[[nodiscard]] bool isDefaultDelta(const CVector2d& delta) {
    return std::fabs(delta.x - 10.0f) <= 1e-6f && std::fabs(delta.y - 10.0f) <= 1e-6f;
}

} // namespace

NineGridSpriteNode::NineGridSpriteNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(makeSpriteMaterial(1)) {
    for (CBatchQuad& cell : m_cells)
        cell.material = &m_material;
}

NineGridSpriteNode::~NineGridSpriteNode() = default;

const CStringW& NineGridSpriteNode::getTypeName() const {
    static const CStringW name(u"NineGridSpriteNode");
    return name;
}

const CStringW& NineGridSpriteNode::getClassName() const { return NineGridSpriteNode::getTypeName(); }

void NineGridSpriteNode::setAtlasTexture(CAtlasTexture* texture) {
    m_atlasTexture = CRefHandle<CAtlasTexture>::share(texture);
    if (texture && m_material.layerCount > 0)
        m_material.layers[0].texture = texture->getImageTexture();
}

void NineGridSpriteNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    if (isTransformDirty() || isColorDirty())
        refreshDirtyTransformAndColor();
    IDriverTexture* texture = m_atlasTexture ? m_atlasTexture->getDriverTexture() : nullptr;
    // Clipped children draw as one group right after the frame.
    const bool group = areChildrenClipped() && !getChildren().empty();
    if ((texture && getAbsoluteColor().alpha() != 0) || group)
        list.push_back(CRenderItem{this, reinterpret_cast<uintptr_t>(texture), getDepth()});
    if (!group)
        for (BaseNode* child : getChildren())
            child->registerForRendering(list);
}

void NineGridSpriteNode::render(IGraphicsDriver* driver, const CRect* clip) {
    if (!driver)
        return;
    SpriteImage image;
    CQuadBatch* batch = driver->quadBatch();
    if (batch && getAbsoluteColor().alpha() != 0 && spriteImageOf(m_atlasTexture.get(), image)) {
        const CVector3d& bounds = getBounds();
        buildNineGrid(image, CVector2d(bounds.x, bounds.y), m_topLeftDelta, m_bottomRightDelta,
                      getAbsoluteTransformation(), getAbsoluteColor(), &m_material, m_cells);
        for (const CBatchQuad& cell : m_cells)
            batch->addQuadVertices(&cell);
    }
    if (areChildrenClipped())
        BaseNode::render(driver, clip);
}

bool NineGridSpriteNode::hitTest(const CVector3d& point) const {
    return canBeHit() && isVisible() && getTintColor().alpha() > kHitAlphaThreshold && isPointInside(point);
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& NineGridSpriteNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& NineGridSpriteNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&NineGridSpriteNode::setAtlasTextureProperty, &NineGridSpriteNode::getAtlasTextureProperty>(
            "AtlasTexture");
        t.add<&NineGridSpriteNode::setTopLeftDeltaProperty, &NineGridSpriteNode::getTopLeftDeltaProperty>(
            "TopLeftDelta");
        t.add<&NineGridSpriteNode::setBottomRightDeltaProperty, &NineGridSpriteNode::getBottomRightDeltaProperty>(
            "BottomRightDelta");
        t.add<&NineGridSpriteNode::setNotStretchedProperty, &NineGridSpriteNode::getNotStretchedProperty>(
            "NotStretched");
        return t;
    }();
    return table;
}

void NineGridSpriteNode::setAtlasTextureProperty(const CRefHandle<IPropertyData>& value) {
    setAtlasTexture(atlasTextureOf(value));
}
CRefHandle<IPropertyData> NineGridSpriteNode::getAtlasTextureProperty() const {
    return CPropertyDataAtlasTexture::create(m_atlasTexture.get());
}
void NineGridSpriteNode::setTopLeftDeltaProperty(const CRefHandle<IPropertyData>& value) {
    m_topLeftDelta = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> NineGridSpriteNode::getTopLeftDeltaProperty() const {
    return CPropertyDataVector2d::create(m_topLeftDelta);
}
void NineGridSpriteNode::setBottomRightDeltaProperty(const CRefHandle<IPropertyData>& value) {
    m_bottomRightDelta = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> NineGridSpriteNode::getBottomRightDeltaProperty() const {
    return CPropertyDataVector2d::create(m_bottomRightDelta);
}
void NineGridSpriteNode::setNotStretchedProperty(const CRefHandle<IPropertyData>& value) {
    m_notStretched = getPropertyBool(value);
    updateAbsoluteTransformation();
}
CRefHandle<IPropertyData> NineGridSpriteNode::getNotStretchedProperty() const {
    return CPropertyDataBool::create(false);
}

void NineGridSpriteNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_atlasTexture)
        bag.setAtlasTexture("AtlasTexture", m_atlasTexture.get());
    if (!isDefaultDelta(m_topLeftDelta))
        bag.setVector2d("TopLeftDelta", m_topLeftDelta);
    if (!isDefaultDelta(m_bottomRightDelta))
        bag.setVector2d("BottomRightDelta", m_bottomRightDelta);
}

void NineGridSpriteNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    auto present = [&bag](const char* key) { return bag.indexOf(key) >= 0; };
    if (present("TopLeftDelta"))
        m_topLeftDelta = getPropertyVector2d(bag.get("TopLeftDelta"));
    if (present("BottomRightDelta"))
        m_bottomRightDelta = getPropertyVector2d(bag.get("BottomRightDelta"));
    if (present("AtlasTexture"))
        setAtlasTexture(atlasTextureOf(bag.get("AtlasTexture")));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* NineGridSpriteNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<NineGridSpriteNode>(parent, sceneManager);
}

void NineGridSpriteNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const NineGridSpriteNode* grid = nodeCast<NineGridSpriteNode>(source);
    if (!grid || grid == this)
        return;
    m_topLeftDelta = grid->m_topLeftDelta;
    m_bottomRightDelta = grid->m_bottomRightDelta;
    setAtlasTexture(grid->m_atlasTexture.get());
}
