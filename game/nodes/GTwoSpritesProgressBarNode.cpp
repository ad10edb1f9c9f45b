#include "game/nodes/GTwoSpritesProgressBarNode.h"

#include "engine/core/CName.h"
#include "engine/nodes/NodeContent.h"
#include "engine/nodes/SpriteGeometry.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/video/CAtlasTexture.h"

#include <algorithm>

namespace {

// A picture attached to `bar` outside its children list; the handle holds
// the one reference.
CRefHandle<SpriteNode> makeSprite(BaseNode* bar, BaseNode* sceneManager) {
    CRefHandle<SpriteNode> sprite(new SpriteNode(CObjectName(), nullptr, sceneManager));
    sprite->setNotSerialised(true);
    sprite->setParent(bar);
    sprite->release();
    return sprite;
}

} // namespace

GTwoSpritesProgressBarNode::GTwoSpritesProgressBarNode(const CObjectName& contentName, BaseNode* parent,
                                                       BaseNode* sceneManager)
    : BaseProgressBarNode(contentName, parent, sceneManager) {
    m_sprite1 = makeSprite(this, sceneManager);
    m_sprite2 = makeSprite(this, sceneManager);
}

GTwoSpritesProgressBarNode::~GTwoSpritesProgressBarNode() {
    for (const CRefHandle<SpriteNode>& sprite : {m_sprite1, m_sprite2})
        sprite->setParent(nullptr);
}

void GTwoSpritesProgressBarNode::updateAbsoluteTransformation() {
    BaseProgressBarNode::updateAbsoluteTransformation();
    m_sprite1->updateAbsoluteTransformation();
    m_sprite2->updateAbsoluteTransformation();
}

void GTwoSpritesProgressBarNode::updateAbsoluteColor() {
    BaseProgressBarNode::updateAbsoluteColor();
    m_sprite1->updateAbsoluteColor();
    m_sprite2->updateAbsoluteColor();
}

void GTwoSpritesProgressBarNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    m_sprite1->registerForRendering(list);
    m_sprite2->registerForRendering(list);
    BaseProgressBarNode::registerForRendering(list);
}

BaseNode* GTwoSpritesProgressBarNode::create(const CObjectName& name) {
    return new GTwoSpritesProgressBarNode(name, nullptr, nullptr);
}

const CStringW& GTwoSpritesProgressBarNode::getTypeName() const {
    static const CStringW name(u"GTwoSpritesProgressBarNode");
    return name;
}

const CStringW& GTwoSpritesProgressBarNode::getClassName() const { return GTwoSpritesProgressBarNode::getTypeName(); }

const CPropertyTable& GTwoSpritesProgressBarNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GTwoSpritesProgressBarNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseProgressBarNode::propertyTable());
        t.add<&GTwoSpritesProgressBarNode::setAtlasTexture1Property,
              &GTwoSpritesProgressBarNode::getAtlasTexture1Property>("AtlasTexture1");
        t.add<&GTwoSpritesProgressBarNode::setAtlasTexture2Property,
              &GTwoSpritesProgressBarNode::getAtlasTexture2Property>("AtlasTexture2");
        return t;
    }();
    return table;
}

CAtlasTexture* GTwoSpritesProgressBarNode::getAtlasTexture1() const {
    return m_sprite1 ? m_sprite1->getAtlasTexture() : nullptr;
}
void GTwoSpritesProgressBarNode::setAtlasTexture1(CAtlasTexture* texture) {
    if (m_sprite1)
        m_sprite1->setAtlasTexture(texture);
}
CAtlasTexture* GTwoSpritesProgressBarNode::getAtlasTexture2() const {
    return m_sprite2 ? m_sprite2->getAtlasTexture() : nullptr;
}
void GTwoSpritesProgressBarNode::setAtlasTexture2(CAtlasTexture* texture) {
    if (m_sprite2)
        m_sprite2->setAtlasTexture(texture);
}

void GTwoSpritesProgressBarNode::setAtlasTexture1Property(const CRefHandle<IPropertyData>& value) {
    setAtlasTexture1(atlasTextureOf(value));
}
CRefHandle<IPropertyData> GTwoSpritesProgressBarNode::getAtlasTexture1Property() const {
    return CPropertyDataAtlasTexture::create(getAtlasTexture1());
}
void GTwoSpritesProgressBarNode::setAtlasTexture2Property(const CRefHandle<IPropertyData>& value) {
    setAtlasTexture2(atlasTextureOf(value));
}
CRefHandle<IPropertyData> GTwoSpritesProgressBarNode::getAtlasTexture2Property() const {
    return CPropertyDataAtlasTexture::create(getAtlasTexture2());
}

void GTwoSpritesProgressBarNode::writeProperties(CPropertyBag& bag) const {
    BaseProgressBarNode::writeProperties(bag);
    if (CAtlasTexture* texture = getAtlasTexture1())
        bag.setAtlasTexture("AtlasTexture1", texture);
    if (CAtlasTexture* texture = getAtlasTexture2())
        bag.setAtlasTexture("AtlasTexture2", texture);
}

void GTwoSpritesProgressBarNode::readProperties(const CPropertyBag& bag) {
    BaseProgressBarNode::readProperties(bag);
    if (bag.indexOf("AtlasTexture1") >= 0)
        setAtlasTexture1(atlasTextureOf(bag.get("AtlasTexture1")));
    if (bag.indexOf("AtlasTexture2") >= 0)
        setAtlasTexture2(atlasTextureOf(bag.get("AtlasTexture2")));
}

BaseNode* GTwoSpritesProgressBarNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GTwoSpritesProgressBarNode>(parent, sceneManager);
}

void GTwoSpritesProgressBarNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseProgressBarNode::copyFrom(source, sceneManager);
    const GTwoSpritesProgressBarNode* bar = nodeCast<GTwoSpritesProgressBarNode>(source);
    if (!bar || bar == this)
        return;
    setAtlasTexture1(bar->getAtlasTexture1());
    setAtlasTexture2(bar->getAtlasTexture2());
}

void GTwoSpritesProgressBarNode::onLoaded() {
    BaseProgressBarNode::onLoaded();
    static const CName slidingAreaName("SlidingArea");
    const float width = getBounds().x;
    const float height = getBounds().y;
    if (const BaseNode* area = findChild(slidingAreaName, 1)) {
        const CVector3d& at = area->getPosition();
        const CVector3d& size = area->getBounds();
        m_leftMargin = std::max(at.x, 0.0f);
        const float rightRoom = std::max(width - at.x - size.x, 0.0f);
        const float topRoom = std::max(at.y, 0.0f);
        m_bottomMargin = std::max(height - at.y - size.y, 0.0f);
        // An area with no length leaves the split where the scale would
        // make it undefined: at the area's start.
        const float innerWidth = width - m_leftMargin - rightRoom;
        const float innerHeight = height - topRoom - m_bottomMargin;
        m_horizontalScale = innerWidth > 0.0f ? width / innerWidth : 1.0f;
        m_verticalScale = innerHeight > 0.0f ? height / innerHeight : 1.0f;
    }
    if (m_sprite1 && m_sprite2) {
        const bool horizontal = height <= width;
        for (SpriteNode* sprite : {m_sprite1.get(), m_sprite2.get()}) {
            sprite->setImageStretchX(horizontal ? SpriteStretch::Clip : SpriteStretch::FitBounds);
            sprite->setImageStretchY(horizontal ? SpriteStretch::FitBounds : SpriteStretch::Clip);
        }
    }
    onValueChanged();
}

void GTwoSpritesProgressBarNode::onValueChanged() {
    if (!m_sprite1 || !m_sprite2)
        return;
    const float fraction =
        getMaxValue() > getMinValue() ? (getValue() - getMinValue()) / (getMaxValue() - getMinValue()) : 0.0f;
    const float width = getBounds().x;
    const float height = getBounds().y;
    const float z2 = m_sprite2->getPosition().z;
    if (height <= width) {
        const float g = fraction / m_horizontalScale;
        const float split = width * g + m_leftMargin;
        m_sprite2->setPosition(CVector3d(0.0f, 0.0f, z2));
        m_sprite2->setBounds(CVector3d(split, height, m_sprite2->getBounds().z));
        m_sprite2->setImagePivotPoint(CVector2d(0.0f, 0.0f));
        m_sprite1->setPosition(CVector3d(split, 0.0f, z2));
        m_sprite1->setBounds(CVector3d(width * (1.0f - g) - m_leftMargin, height, m_sprite1->getBounds().z));
        m_sprite1->setImagePivotPoint(CVector2d(split, 0.0f));
    } else {
        const float g = fraction / m_verticalScale;
        const float split = height * (1.0f - g) - m_bottomMargin;
        m_sprite1->setPosition(CVector3d(0.0f, 0.0f, z2));
        m_sprite1->setBounds(CVector3d(width, split, m_sprite1->getBounds().z));
        m_sprite1->setImagePivotPoint(CVector2d(0.0f, 0.0f));
        m_sprite2->setPosition(CVector3d(0.0f, split, z2));
        m_sprite2->setBounds(CVector3d(width, height * g + m_bottomMargin, m_sprite2->getBounds().z));
        m_sprite2->setImagePivotPoint(CVector2d(0.0f, split));
    }
    m_sprite1->markTransformDirty();
    m_sprite2->markTransformDirty();
}
