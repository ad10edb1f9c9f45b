#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/Material.h"
#include "engine/video/MeshVertices.h"

#include <cstdint>

class CAtlasTexture;
class CPropertyBag;

// One quad drawn with two atlas images at once: the main image gives the
// quad its size, place, trimming and hit area (stretched or tiled by its
// stretch modes), the secondary image lies over the Bounds at its own pixel
// size. The two are combined by the driver's two-texture sprite materials.
// The quad is kept in screen space and drawn directly, not batched.
class GMultiTexturedSpriteNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2039;
    static constexpr uint32_t MainLayer = 0;
    static constexpr uint32_t SecondaryLayer = 1;

    struct ImageLayer {
        CRefHandle<CAtlasTexture> texture;
        bool flipX = false;
        bool flipY = false;
    };

    GMultiTexturedSpriteNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    // Textures are stored under "MainImageTexture" and "SecondaryImageTexture".
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void registerForRendering(CArray<CRenderItem>& list) override;
    // Draws the quad; a material type the driver has no renderer for draws
    // as type 26.
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    // Hits where the main image's pixel is more opaque than alpha 20.
    [[nodiscard]] bool hitTest(const CVector3d& point) const override;
    void updateAbsoluteTransformation() override;
    void updateAbsoluteColor() override;

    // 0, 1 or 2 (any other value is 0).
    void setBlendType(int32_t type);
    [[nodiscard]] int32_t getBlendType() const { return m_blendType; }
    // Null empties the layer (the material forgets the texture too).
    void setTexture(uint32_t layer, CAtlasTexture* texture);
    [[nodiscard]] CAtlasTexture* getTexture(uint32_t layer) const;
    // Stretch modes 0 natural, 1 stretched (tiled when wrapping), 2 Bounds
    // from the image, 3 clipped to Bounds.
    void setMainImageStretchX(int32_t mode);
    void setMainImageStretchY(int32_t mode);
    [[nodiscard]] int32_t getMainImageStretchX() const { return int32_t((m_stretchFlags >> 12) & 0xF); }
    [[nodiscard]] int32_t getMainImageStretchY() const { return int32_t((m_stretchFlags >> 8) & 0xF); }
    // Wrap modes 0 to 4; other values are ignored.
    void setMainImageWrapType(int32_t wrap);
    void setSecondaryImageWrapType(int32_t wrap);
    [[nodiscard]] int32_t getMainImageWrapType() const { return m_material.layers[0].wrap; }
    [[nodiscard]] int32_t getSecondaryImageWrapType() const { return m_material.layers[1].wrap; }
    // Flips take effect at the next rebuild of the quad.
    ImageLayer& layer(uint32_t index) { return m_layers[index < 2 ? index : 0]; }
    [[nodiscard]] const ImageLayer& layer(uint32_t index) const { return m_layers[index < 2 ? index : 0]; }

    // Recomputes the screen-space quad; nothing until both layers have a
    // texture of known size.
    void rebuildQuad();
    [[nodiscard]] const TwoCoordsVertex* getQuad() const { return m_quad; }
    [[nodiscard]] const Material& getMaterial() const { return m_material; }

protected:
    ~GMultiTexturedSpriteNode() override = default;

private:
    template <uint32_t Layer, bool ImageLayer::*Flag> void setFlipProperty(const CRefHandle<IPropertyData>& value);
    template <uint32_t Layer, bool ImageLayer::*Flag> [[nodiscard]] CRefHandle<IPropertyData> getFlipProperty() const;
    template <uint32_t Layer> void setTextureProperty(const CRefHandle<IPropertyData>& value);
    template <uint32_t Layer> [[nodiscard]] CRefHandle<IPropertyData> getTextureProperty() const;
    void setBlendTypeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getBlendTypeProperty() const;
    void setStretchXProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getStretchXProperty() const;
    void setStretchYProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getStretchYProperty() const;
    void setMainWrapProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getMainWrapProperty() const;
    void setSecondaryWrapProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getSecondaryWrapProperty() const;

    int32_t m_blendType = 0;
    uint32_t m_stretchFlags = 0;
    ImageLayer m_layers[2];
    Material m_material;
    TwoCoordsVertex m_quad[4];
};
