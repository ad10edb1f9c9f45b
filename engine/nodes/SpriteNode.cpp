#include "engine/nodes/SpriteNode.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/NodeContent.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/MaterialTypes.h"

namespace {

constexpr int kStretchXShift = 12;
constexpr int kStretchYShift = 8;
constexpr uint8_t kDefaultWrap = 1;
constexpr int32_t kMaxWrap = 4;

} // namespace

SpriteNode::SpriteNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(makeSpriteMaterial(kDefaultWrap)) {
    m_quad.material = &m_material;
    for (BatchVertex& vertex : m_quad.vertices) {
        vertex.z = 1.0f;
        vertex.color = getAbsoluteColor();
    }
}

SpriteNode::~SpriteNode() = default;

const CStringW& SpriteNode::getTypeName() const {
    static const CStringW name(u"SpriteNode");
    return name;
}

const CStringW& SpriteNode::getClassName() const { return SpriteNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Settings

void SpriteNode::setAtlasTexture(CAtlasTexture* texture) {
    // Setting the same texture again still places the quad anew.
    m_atlasTexture = CRefHandle<CAtlasTexture>::share(texture);
    if (!texture)
        return;
    if (m_material.layerCount > 0)
        m_material.layers[0].texture = texture->getImageTexture();
    rebuildQuad();
}

void SpriteNode::setBlendType(int32_t blendType) {
    m_blendType = blendType == 1 ? 1 : 0;
    m_material.materialType = m_blendType == 1 ? MaterialType::SpriteColorAdd : MaterialType::SpriteColorModulate;
}

void SpriteNode::setImageStretchX(uint32_t mode) {
    m_stretchModes = (m_stretchModes & ~(15u << kStretchXShift)) | ((mode & 15u) << kStretchXShift);
    rebuildQuad();
}

void SpriteNode::setImageStretchY(uint32_t mode) {
    m_stretchModes = (m_stretchModes & ~(15u << kStretchYShift)) | ((mode & 15u) << kStretchYShift);
    rebuildQuad();
}

void SpriteNode::setImagePivotPoint(const CVector2d& pivot) {
    m_imagePivotPoint = pivot;
    markTransformDirty();
}

void SpriteNode::setWrapType(int32_t wrap) {
    if (wrap >= 0 && wrap <= kMaxWrap)
        m_material.layers[0].wrap = uint8_t(wrap);
}

// ---------------------------------------------------------------------------
// Geometry

void SpriteNode::rebuildQuad() {
    if (!spriteImageOf(m_atlasTexture.get(), m_image))
        return;
    SpritePlacement placement;
    placement.stretchX = getImageStretchX();
    placement.stretchY = getImageStretchY();
    placement.pivot = m_imagePivotPoint;
    placement.flipX = m_flipX;
    placement.flipY = m_flipY;
    placement.wrap = m_material.layers[0].wrap;
    const CVector3d& bounds = getBounds();
    CVector2d size(bounds.x, bounds.y);
    m_placed = placeSprite(m_image, placement, size);
    // Only a real change marks the transform dirty, so a sprite that sizes
    // its bounds settles after one more refresh.
    if (size.x != bounds.x || size.y != bounds.y)
        setBounds(CVector3d(size.x, size.y, bounds.z));
    writeQuad(m_placed, getAbsoluteTransformation(), 1.0f, getAbsoluteColor(), m_quad);
    m_hasQuad = true;
}

void SpriteNode::updateAbsoluteTransformation() {
    BaseNode::updateAbsoluteTransformation();
    rebuildQuad();
}

void SpriteNode::updateAbsoluteColor() {
    BaseNode::updateAbsoluteColor();
    const CColor color = getAbsoluteColor();
    for (BatchVertex& vertex : m_quad.vertices)
        vertex.color = color;
}

// ---------------------------------------------------------------------------
// Drawing and picking

void SpriteNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    // Runs for every sprite of every frame: the common clean case costs two tests.
    if (isTransformDirty() || isColorDirty())
        refreshDirtyTransformAndColor();
    // Clipped children draw as one group right after the sprite.
    const bool group = areChildrenClipped() && !getChildren().empty();
    const CImageTexture* page = m_atlasTexture ? m_atlasTexture->getImageTexture() : nullptr;
    IDriverTexture* texture = page ? page->getTexture() : nullptr;
    m_drawn = texture && getAbsoluteColor().alpha() != 0;
    if (m_drawn || group)
        list.push_back(CRenderItem{this, reinterpret_cast<uintptr_t>(texture), getDepth()});
    if (!group)
        registerChildren(getChildren(), list);
}

void SpriteNode::render(IGraphicsDriver* driver, const CRect* clip) {
    if (!driver)
        return;
    if (m_drawn) {
        CQuadBatch* batch = driver->quadBatch();
        if (m_batched) {
            if (batch)
                batch->addQuadVertices(&m_quad);
        } else {
            if (batch)
                batch->flush();
            driver->applyMaterial(m_material);
            driver->drawPrimitives(m_quad.vertices, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16,
                                   PrimitiveType::TriangleFan);
        }
    }
    if (areChildrenClipped())
        BaseNode::render(driver, clip);
}

bool SpriteNode::hitTest(const CVector3d& point) const {
    if (!canBeHit() || !isVisible() || getTintColor().alpha() <= HitAlphaThreshold || !m_hasQuad)
        return false;
    if (!m_atlasTexture || !m_atlasTexture->getDriverTexture())
        return false;
    CVector2d local;
    if (!toNodeSpace(getAbsoluteTransformation(), CVector2d(point.x, point.y), local))
        return false;
    int32_t x = 0;
    int32_t y = 0;
    if (!spriteTexelAt(m_placed, m_image, local, x, y))
        return false;
    // A page that dropped its picture after upload hits everywhere on the quad.
    CImageTexture* page = m_atlasTexture->getImageTexture();
    const CPixelImage* image = page ? page->getImage() : nullptr;
    if (!image)
        return true;
    if (x < 0 || y < 0)
        return false;
    return image->pixelAt(uint32_t(x), uint32_t(y)).alpha() > HitAlphaThreshold;
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& SpriteNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& SpriteNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&SpriteNode::setImageStretchXProperty, &SpriteNode::getImageStretchXProperty>("ImageStretchX");
        t.add<&SpriteNode::setImageStretchYProperty, &SpriteNode::getImageStretchYProperty>("ImageStretchY");
        t.add<&SpriteNode::setImagePivotPointProperty, &SpriteNode::getImagePivotPointProperty>("ImagePivotPoint");
        t.add<&SpriteNode::setWrapTypeProperty, &SpriteNode::getWrapTypeProperty>("WrapType");
        t.add<&SpriteNode::setFlipXProperty, &SpriteNode::getFlipXProperty>("FlipX");
        t.add<&SpriteNode::setFlipYProperty, &SpriteNode::getFlipYProperty>("FlipY");
        t.add<&SpriteNode::setBlendTypeProperty, &SpriteNode::getBlendTypeProperty>("BlendType");
        t.add<&SpriteNode::setAdditiveBlendingProperty, &SpriteNode::getAdditiveBlendingProperty>("AdditiveBlending");
        t.add<&SpriteNode::setAtlasTextureProperty, &SpriteNode::getAtlasTextureProperty>("AtlasTexture");
        return t;
    }();
    return table;
}

void SpriteNode::setImageStretchXProperty(const CRefHandle<IPropertyData>& value) {
    setImageStretchX(uint32_t(getPropertyInt(value)));
}
CRefHandle<IPropertyData> SpriteNode::getImageStretchXProperty() const {
    return CPropertyDataInt::create(int(getImageStretchX()));
}
void SpriteNode::setImageStretchYProperty(const CRefHandle<IPropertyData>& value) {
    setImageStretchY(uint32_t(getPropertyInt(value)));
}
CRefHandle<IPropertyData> SpriteNode::getImageStretchYProperty() const {
    return CPropertyDataInt::create(int(getImageStretchY()));
}
void SpriteNode::setImagePivotPointProperty(const CRefHandle<IPropertyData>& value) {
    setImagePivotPoint(getPropertyVector2d(value));
}
CRefHandle<IPropertyData> SpriteNode::getImagePivotPointProperty() const {
    return CPropertyDataVector2d::create(m_imagePivotPoint);
}
void SpriteNode::setWrapTypeProperty(const CRefHandle<IPropertyData>& value) { setWrapType(getPropertyInt(value)); }
CRefHandle<IPropertyData> SpriteNode::getWrapTypeProperty() const { return CPropertyDataInt::create(getWrapType()); }
void SpriteNode::setFlipXProperty(const CRefHandle<IPropertyData>& value) { m_flipX = getPropertyBool(value); }
CRefHandle<IPropertyData> SpriteNode::getFlipXProperty() const { return CPropertyDataBool::create(m_flipX); }
void SpriteNode::setFlipYProperty(const CRefHandle<IPropertyData>& value) { m_flipY = getPropertyBool(value); }
CRefHandle<IPropertyData> SpriteNode::getFlipYProperty() const { return CPropertyDataBool::create(m_flipY); }
void SpriteNode::setBlendTypeProperty(const CRefHandle<IPropertyData>& value) { setBlendType(getPropertyInt(value)); }
CRefHandle<IPropertyData> SpriteNode::getBlendTypeProperty() const { return CPropertyDataInt::create(m_blendType); }
void SpriteNode::setAdditiveBlendingProperty(const CRefHandle<IPropertyData>& value) {
    m_material.additive = getPropertyBool(value);
}
CRefHandle<IPropertyData> SpriteNode::getAdditiveBlendingProperty() const {
    return CPropertyDataBool::create(m_material.additive);
}
void SpriteNode::setAtlasTextureProperty(const CRefHandle<IPropertyData>& value) {
    setAtlasTexture(atlasTextureOf(value));
}
CRefHandle<IPropertyData> SpriteNode::getAtlasTextureProperty() const {
    return CPropertyDataAtlasTexture::create(m_atlasTexture.get());
}

void SpriteNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (getImageStretchX() != SpriteStretch::FitBounds)
        bag.setInt("ImageStretchX", int(getImageStretchX()));
    if (getImageStretchY() != SpriteStretch::FitBounds)
        bag.setInt("ImageStretchY", int(getImageStretchY()));
    if (m_imagePivotPoint.x != 0.0f || m_imagePivotPoint.y != 0.0f)
        bag.setVector2d("ImagePivotPoint", m_imagePivotPoint);
    if (getWrapType() != kDefaultWrap)
        bag.setInt("WrapType", getWrapType());
    if (m_flipX)
        bag.setBool("FlipX", true);
    if (m_flipY)
        bag.setBool("FlipY", true);
    if (m_blendType != 0)
        bag.setInt("BlendType", m_blendType);
    if (m_material.additive)
        bag.setBool("AdditiveBlending", true);
    if (m_atlasTexture)
        bag.setAtlasTexture("AtlasTexture", m_atlasTexture.get());
}

void SpriteNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    auto present = [&bag](const char* key) { return bag.indexOf(key) >= 0; };
    if (present("ImageStretchX"))
        setImageStretchX(uint32_t(getPropertyInt(bag.get("ImageStretchX"))));
    if (present("ImageStretchY"))
        setImageStretchY(uint32_t(getPropertyInt(bag.get("ImageStretchY"))));
    if (present("ImagePivotPoint"))
        m_imagePivotPoint = getPropertyVector2d(bag.get("ImagePivotPoint"));
    if (present("WrapType"))
        setWrapType(getPropertyInt(bag.get("WrapType")));
    if (present("FlipX"))
        m_flipX = getPropertyBool(bag.get("FlipX"));
    if (present("FlipY"))
        m_flipY = getPropertyBool(bag.get("FlipY"));
    if (present("BlendType"))
        setBlendType(getPropertyInt(bag.get("BlendType")));
    if (present("AdditiveBlending"))
        m_material.additive = getPropertyBool(bag.get("AdditiveBlending"));
    if (present("AtlasTexture"))
        setAtlasTexture(atlasTextureOf(bag.get("AtlasTexture")));
    // The picture settings read after the texture show at once.
    markTransformDirty();
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* SpriteNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<SpriteNode>(parent, sceneManager);
}

void SpriteNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const SpriteNode* sprite = nodeCast<SpriteNode>(source);
    if (!sprite || sprite == this)
        return;
    m_stretchModes = sprite->m_stretchModes;
    m_material.layers[0].wrap = sprite->m_material.layers[0].wrap;
    m_flipX = sprite->m_flipX;
    m_flipY = sprite->m_flipY;
    m_imagePivotPoint = sprite->m_imagePivotPoint;
    setBlendType(sprite->m_blendType);
    m_material.additive = sprite->m_material.additive;
    setAtlasTexture(sprite->m_atlasTexture.get());
    rebuildQuad();
}
