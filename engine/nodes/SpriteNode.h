#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteGeometry.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/Material.h"

#include <cstdint>

class CAtlasTexture;

// Draws one atlas texture as a single quad. Per direction the picture keeps
// its pixel size, stretches (or tiles) over the bounds, sizes the bounds to
// itself or is cut to them; it can be mirrored, moved by a pivot, drawn with
// two sprite materials or additively, and is hit per pixel by its alpha.
//
// The quad is kept in screen coordinates and rebuilt only when the
// transform, texture or stretch modes change; drawing is one addQuad into
// the shared batch (batched sprites) or one direct two-triangle draw.
class SpriteNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 3;
    // Pixels whose alpha is at most this are not hit; nor is a sprite whose
    // own tint alpha is at most this.
    static constexpr uint32_t HitAlphaThreshold = 20;

    SpriteNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // BaseNode's copy, then the picture settings and the texture; the
    // batched flag stays this node's.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // One item {node, driver texture, depth} when visible, textured and not
    // fully transparent; then the children, or with ChildrenClipped one item
    // that also draws them as a clipped group.
    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    [[nodiscard]] bool hitTest(const CVector3d& point) const override;
    // BaseNode's computation, then the quad is placed again.
    void updateAbsoluteTransformation() override;
    // BaseNode's computation, then the quad takes the new tint.
    void updateAbsoluteColor() override;

    // Holds `texture` (may be null) and shows it. Null keeps the quad and
    // material as they are; the sprite is simply not drawn.
    void setAtlasTexture(CAtlasTexture* texture);
    [[nodiscard]] CAtlasTexture* getAtlasTexture() const { return m_atlasTexture.get(); }
    // Values above 1 become 0: 0 multiplies the texture by the vertex
    // colour, 1 adds it.
    void setBlendType(int32_t blendType);
    [[nodiscard]] int32_t getBlendType() const { return m_blendType; }
    // Only the low four bits are kept; see SpriteStretch.
    void setImageStretchX(uint32_t mode);
    void setImageStretchY(uint32_t mode);
    [[nodiscard]] uint32_t getImageStretchX() const { return (m_stretchModes >> 12) & 15u; }
    [[nodiscard]] uint32_t getImageStretchY() const { return (m_stretchModes >> 8) & 15u; }
    // The picture point placed at the node's origin.
    void setImagePivotPoint(const CVector2d& pivot);
    [[nodiscard]] const CVector2d& getImagePivotPoint() const { return m_imagePivotPoint; }
    // 0 repeat, 1 clamp, 2 clamp to edge, 3 clamp to border, 4 mirrored
    // repeat; other values are ignored.
    void setWrapType(int32_t wrap);
    [[nodiscard]] int32_t getWrapType() const { return m_material.layers[0].wrap; }
    // Flips show at the next rebuild of the quad (transform, texture or
    // stretch change).
    void setFlipX(bool flip) { m_flipX = flip; }
    void setFlipY(bool flip) { m_flipY = flip; }
    [[nodiscard]] bool getFlipX() const { return m_flipX; }
    [[nodiscard]] bool getFlipY() const { return m_flipY; }
    void setAdditiveBlending(bool additive) { m_material.additive = additive; }
    [[nodiscard]] bool getAdditiveBlending() const { return m_material.additive; }
    // Draw through the shared quad batch instead of a draw of its own.
    void setBatched(bool batched) { m_batched = batched; }
    [[nodiscard]] bool isBatched() const { return m_batched; }

    [[nodiscard]] const Material& getMaterial() const { return m_material; }
    [[nodiscard]] const CBatchQuad& getQuad() const { return m_quad; }

protected:
    ~SpriteNode() override;

    // Places the quad from the texture and settings; nothing without a
    // texture whose page has a driver texture.
    void rebuildQuad();

private:
    void setStretchProperty(int shift, const CRefHandle<IPropertyData>& value);
    void setImageStretchXProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getImageStretchXProperty() const;
    void setImageStretchYProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getImageStretchYProperty() const;
    void setImagePivotPointProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getImagePivotPointProperty() const;
    void setWrapTypeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getWrapTypeProperty() const;
    void setFlipXProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFlipXProperty() const;
    void setFlipYProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFlipYProperty() const;
    void setBlendTypeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getBlendTypeProperty() const;
    void setAdditiveBlendingProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAdditiveBlendingProperty() const;
    void setAtlasTextureProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAtlasTextureProperty() const;

    CRefHandle<CAtlasTexture> m_atlasTexture;
    Material m_material;
    int32_t m_blendType = 0;
    CBatchQuad m_quad;
    CVector2d m_imagePivotPoint;
    // ImageStretchX in bits 12-15, ImageStretchY in bits 8-11.
    uint32_t m_stretchModes = 0x2200;
    bool m_flipX = false;
    bool m_flipY = false;
    bool m_batched = false;
    // Whether the last registration found something to draw (a page with a
    // driver texture, a tint not fully transparent); drawing trusts it.
    bool m_drawn = false;
    // The quad as last placed in node space, for the hit test.
    SpriteQuadRect m_placed;
    SpriteImage m_image;
    bool m_hasQuad = false;
};
