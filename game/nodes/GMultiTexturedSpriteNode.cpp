#include "game/nodes/GMultiTexturedSpriteNode.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CMat4.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/NodeContent.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/MaterialTypes.h"

#include <utility>

namespace {

constexpr uint32_t kShiftX = 12;
constexpr uint32_t kShiftY = 8;

int32_t materialTypeOf(int32_t blendType) {
    switch (blendType) {
    case 1:
        return MaterialType::Sprite2TAlphaModulateColorAdd;
    case 2:
        return MaterialType::Sprite2TAlphaModulateColor2;
    default:
        return MaterialType::Sprite2TAlphaModulateColorModulate;
    }
}

// What the quad needs of an atlas texture: its rectangle, trim offsets and
// the texture's pixel size; false when they are not known.
struct ImageFrame {
    float uL, vT, uR, vB;
    float offL, offT, offR, offB;
    float texW, texH;
};

bool frameOf(const CAtlasTexture* texture, ImageFrame& frame) {
    const CImageTexture* image = texture ? texture->getImageTexture() : nullptr;
    if (!image)
        return false;
    const auto& size = image->getTextureSize();
    if (size.width <= 0 || size.height <= 0)
        return false;
    const CRect& uv = texture->getTextureCoords();
    frame = ImageFrame{uv.left,
                       uv.top,
                       uv.right,
                       uv.bottom,
                       texture->getOffsetB().x,
                       texture->getOffsetB().y,
                       texture->getOffsetA().x,
                       texture->getOffsetA().y,
                       float(size.width),
                       float(size.height)};
    return true;
}

bool has(const CPropertyBag& bag, const char* key) { return bag.indexOf(key) >= 0; }

} // namespace

GMultiTexturedSpriteNode::GMultiTexturedSpriteNode(const CObjectName& contentName, BaseNode* parent,
                                                   BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(makeSpriteMaterial(TextureLayer::WrapClamp)) {
    m_material.materialType = MaterialType::Sprite2TAlphaModulateColorModulate;
    m_material.layerCount = 2;
    m_material.layers[1].wrap = TextureLayer::WrapClamp;
    m_material.layers[1].bilinear = true;
    for (TwoCoordsVertex& v : m_quad)
        v.z = 1.0f;
}

BaseNode* GMultiTexturedSpriteNode::create(const CObjectName& name) {
    return new GMultiTexturedSpriteNode(name, nullptr, nullptr);
}

const CStringW& GMultiTexturedSpriteNode::getTypeName() const {
    static const CStringW name(u"GMultiTexturedSpriteNode");
    return name;
}

const CStringW& GMultiTexturedSpriteNode::getClassName() const { return GMultiTexturedSpriteNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& GMultiTexturedSpriteNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GMultiTexturedSpriteNode::propertyTable() {
    static const CPropertyTable table = [] {
        using N = GMultiTexturedSpriteNode;
        using L = ImageLayer;
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&N::setBlendTypeProperty, &N::getBlendTypeProperty>("BlendType");
        t.add<&N::setStretchXProperty, &N::getStretchXProperty>("MainImageStretchX");
        t.add<&N::setStretchYProperty, &N::getStretchYProperty>("MainImageStretchY");
        t.add<&N::setMainWrapProperty, &N::getMainWrapProperty>("MainImageWrapType");
        t.add<&N::setSecondaryWrapProperty, &N::getSecondaryWrapProperty>("SecondaryImageWrapType");
        t.add<&N::setFlipProperty<0, &L::flipX>, &N::getFlipProperty<0, &L::flipX>>("MainImageFlipX");
        t.add<&N::setFlipProperty<0, &L::flipY>, &N::getFlipProperty<0, &L::flipY>>("MainImageFlipY");
        t.add<&N::setFlipProperty<1, &L::flipX>, &N::getFlipProperty<1, &L::flipX>>("SecondaryImageFlipX");
        t.add<&N::setFlipProperty<1, &L::flipY>, &N::getFlipProperty<1, &L::flipY>>("SecondaryImageFlipY");
        t.add<&N::setTextureProperty<0>, &N::getTextureProperty<0>>("MainAtlasTexture");
        t.add<&N::setTextureProperty<1>, &N::getTextureProperty<1>>("SecondaryAtlasTexture");
        return t;
    }();
    return table;
}

template <uint32_t Layer, bool GMultiTexturedSpriteNode::ImageLayer::*Flag>
void GMultiTexturedSpriteNode::setFlipProperty(const CRefHandle<IPropertyData>& value) {
    m_layers[Layer].*Flag = getPropertyBool(value);
}
template <uint32_t Layer, bool GMultiTexturedSpriteNode::ImageLayer::*Flag>
CRefHandle<IPropertyData> GMultiTexturedSpriteNode::getFlipProperty() const {
    return CPropertyDataBool::create(m_layers[Layer].*Flag);
}
template <uint32_t Layer> void GMultiTexturedSpriteNode::setTextureProperty(const CRefHandle<IPropertyData>& value) {
    setTexture(Layer, atlasTextureOf(value));
}
template <uint32_t Layer> CRefHandle<IPropertyData> GMultiTexturedSpriteNode::getTextureProperty() const {
    return CPropertyDataAtlasTexture::create(m_layers[Layer].texture.get());
}
void GMultiTexturedSpriteNode::setBlendTypeProperty(const CRefHandle<IPropertyData>& value) {
    setBlendType(getPropertyInt(value));
}
CRefHandle<IPropertyData> GMultiTexturedSpriteNode::getBlendTypeProperty() const {
    return CPropertyDataInt::create(m_blendType);
}
void GMultiTexturedSpriteNode::setStretchXProperty(const CRefHandle<IPropertyData>& value) {
    setMainImageStretchX(getPropertyInt(value));
}
CRefHandle<IPropertyData> GMultiTexturedSpriteNode::getStretchXProperty() const {
    return CPropertyDataInt::create(getMainImageStretchX());
}
void GMultiTexturedSpriteNode::setStretchYProperty(const CRefHandle<IPropertyData>& value) {
    setMainImageStretchY(getPropertyInt(value));
}
CRefHandle<IPropertyData> GMultiTexturedSpriteNode::getStretchYProperty() const {
    return CPropertyDataInt::create(getMainImageStretchY());
}
void GMultiTexturedSpriteNode::setMainWrapProperty(const CRefHandle<IPropertyData>& value) {
    setMainImageWrapType(getPropertyInt(value));
}
CRefHandle<IPropertyData> GMultiTexturedSpriteNode::getMainWrapProperty() const {
    return CPropertyDataInt::create(getMainImageWrapType());
}
void GMultiTexturedSpriteNode::setSecondaryWrapProperty(const CRefHandle<IPropertyData>& value) {
    setSecondaryImageWrapType(getPropertyInt(value));
}
CRefHandle<IPropertyData> GMultiTexturedSpriteNode::getSecondaryWrapProperty() const {
    return CPropertyDataInt::create(getSecondaryImageWrapType());
}

void GMultiTexturedSpriteNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_blendType != 0)
        bag.setInt("BlendType", m_blendType);
    if (getMainImageStretchX() != 0)
        bag.setInt("MainImageStretchX", getMainImageStretchX());
    if (getMainImageStretchY() != 0)
        bag.setInt("MainImageStretchY", getMainImageStretchY());
    const char* keys[2][4] = {
        {"MainImageWrapType", "MainImageFlipX", "MainImageFlipY", "MainImageTexture"},
        {"SecondaryImageWrapType", "SecondaryImageFlipX", "SecondaryImageFlipY", "SecondaryImageTexture"},
    };
    for (uint32_t i = 0; i < 2; ++i) {
        if (m_material.layers[i].wrap != TextureLayer::WrapClamp)
            bag.setInt(keys[i][0], m_material.layers[i].wrap);
        if (m_layers[i].flipX)
            bag.setBool(keys[i][1], true);
        if (m_layers[i].flipY)
            bag.setBool(keys[i][2], true);
        if (m_layers[i].texture)
            bag.setAtlasTexture(keys[i][3], m_layers[i].texture.get());
    }
}

void GMultiTexturedSpriteNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (has(bag, "BlendType"))
        setBlendTypeProperty(bag.get("BlendType"));
    if (has(bag, "MainImageStretchX"))
        setStretchXProperty(bag.get("MainImageStretchX"));
    if (has(bag, "MainImageStretchY"))
        setStretchYProperty(bag.get("MainImageStretchY"));
    const char* keys[2][4] = {
        {"MainImageWrapType", "MainImageFlipX", "MainImageFlipY", "MainImageTexture"},
        {"SecondaryImageWrapType", "SecondaryImageFlipX", "SecondaryImageFlipY", "SecondaryImageTexture"},
    };
    for (uint32_t i = 0; i < 2; ++i) {
        if (has(bag, keys[i][0])) {
            const int32_t wrap = getPropertyInt(bag.get(keys[i][0]));
            if (wrap >= 0 && wrap <= TextureLayer::WrapMirror)
                m_material.layers[i].wrap = uint8_t(wrap);
        }
        if (has(bag, keys[i][1]))
            m_layers[i].flipX = getPropertyBool(bag.get(keys[i][1]));
        if (has(bag, keys[i][2]))
            m_layers[i].flipY = getPropertyBool(bag.get(keys[i][2]));
        if (has(bag, keys[i][3]))
            setTexture(i, atlasTextureOf(bag.get(keys[i][3])));
    }
}

BaseNode* GMultiTexturedSpriteNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GMultiTexturedSpriteNode>(parent, sceneManager);
}

void GMultiTexturedSpriteNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GMultiTexturedSpriteNode* other = nodeCast<GMultiTexturedSpriteNode>(source);
    if (!other || other == this)
        return;
    setBlendType(other->m_blendType);
    m_stretchFlags = other->m_stretchFlags;
    m_material.layers[0].wrap = other->m_material.layers[0].wrap;
    m_material.layers[1].wrap = other->m_material.layers[1].wrap;
    for (uint32_t i = 0; i < 2; ++i) {
        m_layers[i].flipX = other->m_layers[i].flipX;
        m_layers[i].flipY = other->m_layers[i].flipY;
    }
    setTexture(0, other->m_layers[0].texture.get());
    setTexture(1, other->m_layers[1].texture.get());
    rebuildQuad();
}

// ---------------------------------------------------------------------------
// Settings

void GMultiTexturedSpriteNode::setBlendType(int32_t type) {
    m_blendType = type >= 0 && type <= 2 ? type : 0;
    m_material.materialType = materialTypeOf(m_blendType);
}

void GMultiTexturedSpriteNode::setTexture(uint32_t layer, CAtlasTexture* texture) {
    if (layer >= 2)
        return;
    m_layers[layer].texture = CRefHandle<CAtlasTexture>::share(texture);
    // The material points at the image without holding it: it forgets an
    // image the layer no longer holds.
    m_material.layers[layer].texture = texture ? texture->getImageTexture() : nullptr;
    if (texture)
        rebuildQuad();
}

CAtlasTexture* GMultiTexturedSpriteNode::getTexture(uint32_t layer) const {
    return layer < 2 ? m_layers[layer].texture.get() : nullptr;
}

void GMultiTexturedSpriteNode::setMainImageStretchX(int32_t mode) {
    m_stretchFlags = (m_stretchFlags & ~(0xFu << kShiftX)) | ((uint32_t(mode) & 0xFu) << kShiftX);
    rebuildQuad();
}

void GMultiTexturedSpriteNode::setMainImageStretchY(int32_t mode) {
    m_stretchFlags = (m_stretchFlags & ~(0xFu << kShiftY)) | ((uint32_t(mode) & 0xFu) << kShiftY);
    rebuildQuad();
}

void GMultiTexturedSpriteNode::setMainImageWrapType(int32_t wrap) {
    if (wrap >= 0 && wrap <= TextureLayer::WrapMirror)
        m_material.layers[0].wrap = uint8_t(wrap);
}

void GMultiTexturedSpriteNode::setSecondaryImageWrapType(int32_t wrap) {
    if (wrap >= 0 && wrap <= TextureLayer::WrapMirror)
        m_material.layers[1].wrap = uint8_t(wrap);
}

// ---------------------------------------------------------------------------
// Geometry

void GMultiTexturedSpriteNode::rebuildQuad() {
    ImageFrame main;
    ImageFrame second;
    if (!frameOf(m_layers[0].texture.get(), main) || !frameOf(m_layers[1].texture.get(), second))
        return;
    const float w = (main.uR - main.uL) * main.texW;
    const float h = (main.vB - main.vT) * main.texH;
    const ImageLayer& mainLayer = m_layers[0];
    const float left = mainLayer.flipX ? main.offR : main.offL;
    const float top = mainLayer.flipY ? main.offB : main.offT;
    float x0 = left;
    float y0 = top;
    float x1 = w + left;
    float y1 = h + top;
    float uL = main.uL;
    float uR = main.uR;
    float vT = main.vT;
    float vB = main.vB;
    const bool repeat = m_material.layers[0].wrap == TextureLayer::WrapRepeat;
    const CVector3d& bounds = getBounds();

    switch (getMainImageStretchX()) {
    case 1:
        x1 = bounds.x - main.offR;
        if (repeat && uL == 0.0f && uR == 1.0f && w > 0.0f)
            uR = bounds.x / w;
        break;
    case 2:
        setBounds(CVector3d(w, bounds.y, bounds.z));
        break;
    case 3:
        if (x0 < 0.0f && w > 0.0f) {
            uL = uL - (uR - uL) * x0 / w;
            x0 = 0.0f;
        }
        if (bounds.x < x1 && w > 0.0f) {
            uR = uR + (uR - uL) * (bounds.x - x1) / w;
            x1 = bounds.x;
        }
        break;
    default:
        break;
    }
    const CVector3d& boundsNow = getBounds();
    switch (getMainImageStretchY()) {
    case 1:
        y1 = boundsNow.y - main.offB;
        if (repeat && vT == 0.0f && vB == 1.0f && h > 0.0f)
            vB = boundsNow.y / h;
        break;
    case 2:
        setBounds(CVector3d(boundsNow.x, h, boundsNow.z));
        break;
    case 3:
        if (y0 < 0.0f && h > 0.0f) {
            vT = vT - (vB - vT) * y0 / h;
            y0 = 0.0f;
        }
        if (boundsNow.y < y1 && h > 0.0f) {
            vB = vB + (vB - vT) * (boundsNow.y - y1) / h;
            y1 = boundsNow.y;
        }
        break;
    default:
        break;
    }

    const CMat4& m = getAbsoluteTransformation();
    const float xs[4] = {x0, x1, x1, x0};
    const float ys[4] = {y0, y0, y1, y1};
    if (mainLayer.flipX)
        std::swap(uL, uR);
    if (mainLayer.flipY)
        std::swap(vT, vB);
    const float us[4] = {uL, uR, uR, uL};
    const float vs[4] = {vT, vT, vB, vB};

    const CVector3d& finalBounds = getBounds();
    float sL = second.uL;
    float sR = second.uR;
    float sT = second.vT;
    float sB = second.vB;
    if (sL == 0.0f && sR == 1.0f)
        sR = finalBounds.x / second.texW;
    if (sT == 0.0f && sB == 1.0f)
        sB = finalBounds.y / second.texH;
    if (m_layers[1].flipX)
        std::swap(sL, sR);
    if (m_layers[1].flipY)
        std::swap(sT, sB);
    const float su[4] = {sL, sR, sR, sL};
    const float sv[4] = {sT, sT, sB, sB};
    for (uint32_t i = 0; i < 4; ++i) {
        TwoCoordsVertex& v = m_quad[i];
        v.x = m[0] * xs[i] + m[4] * ys[i] + m[12];
        v.y = m[1] * xs[i] + m[5] * ys[i] + m[13];
        v.z = 1.0f;
        v.u = us[i];
        v.v = vs[i];
        v.u2 = su[i];
        v.v2 = sv[i];
    }
}

void GMultiTexturedSpriteNode::updateAbsoluteTransformation() {
    BaseNode::updateAbsoluteTransformation();
    rebuildQuad();
}

void GMultiTexturedSpriteNode::updateAbsoluteColor() {
    BaseNode::updateAbsoluteColor();
    for (TwoCoordsVertex& v : m_quad)
        v.color = getAbsoluteColor();
}

// ---------------------------------------------------------------------------
// Drawing and picking

void GMultiTexturedSpriteNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (getAbsoluteColor().alpha() != 0)
        list.push_back(CRenderItem{this, 0, getDepth()});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void GMultiTexturedSpriteNode::render(IGraphicsDriver* driver, const CRect* clip) {
    if (!driver)
        return;
    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    (void)driver->apply2DStates();
    driver->setMatrix(MatrixKind::World, CMat4::identity());
    if (clip) {
        const float planes[4][4] = {
            {0.0f, 1.0f, 0.0f, -clip->top},
            {0.0f, -1.0f, 0.0f, clip->bottom},
            {1.0f, 0.0f, 0.0f, -clip->left},
            {-1.0f, 0.0f, 0.0f, clip->right},
        };
        for (uint32_t i = 0; i < 4; ++i)
            (void)driver->defineClipPlane(i, planes[i], true);
    }
    Material material = m_material;
    if (!driver->materialTypeRenderer(uint32_t(material.materialType)))
        material.materialType = MaterialType::Sprite2TAlphaModulateColorModulate;
    driver->applyMaterial(material);
    driver->drawPrimitives(m_quad, 4, nullptr, 2, VertexType::TwoCoords, IndexType::Bits16, PrimitiveType::TriangleFan);
    if (clip)
        for (uint32_t i = 0; i < 4; ++i)
            driver->toggleClipPlane(i, false);
}

bool GMultiTexturedSpriteNode::hitTest(const CVector3d& point) const {
    if (!canBeHit() || !isVisible() || getTintColor().alpha() <= 20)
        return false;
    const CAtlasTexture* texture = m_layers[0].texture.get();
    ImageFrame main;
    if (!frameOf(texture, main))
        return false;
    const float w = (main.uR - main.uL) * main.texW;
    const float h = (main.vB - main.vT) * main.texH;
    CMat4 inverse;
    if (!getAbsoluteTransformation().computeInverse(inverse))
        inverse = CMat4();
    CVector3d local = point;
    inverse.transformPoint(local);
    float x = local.x;
    float y = local.y;
    const float fullW = main.offL + w + main.offR;
    const float fullH = main.offT + h + main.offB;
    const CVector3d& bounds = getBounds();
    if (getMainImageStretchX() == 1 && bounds.x != 0.0f)
        x = x * fullW / bounds.x;
    if (getMainImageStretchY() == 1 && bounds.y != 0.0f)
        y = y * fullH / bounds.y;
    x -= main.offL;
    y -= main.offT;
    if (m_layers[0].flipX)
        x = fullW - x;
    if (m_layers[0].flipY)
        y = fullH - y;
    if (!(x >= 0.0f && x < w && y >= 0.0f && y < h))
        return false;
    const CPixelImage* image = texture->getImageTexture()->getImage();
    if (!image)
        return true;
    const float px = x + main.uL * main.texW;
    const float py = y + main.vT * main.texH;
    if (!(px >= 0.0f && py >= 0.0f && px < float(image->width()) && py < float(image->height())))
        return false;
    return image->pixelAt(uint32_t(px), uint32_t(py)).alpha() > 20;
}
