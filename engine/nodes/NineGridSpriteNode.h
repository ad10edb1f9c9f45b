#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/Material.h"

#include <cstdint>

class CAtlasTexture;

// Draws an atlas texture as a frame of any size: the picture is cut into a
// 3 x 3 grid by a top-left and a bottom-right corner size; corners keep
// their pixels, edges stretch one way and the centre both, filling the
// bounds. The nine quads are made at every draw (nothing is cached, so any
// change shows at the next frame) and always go through the quad batch.
class NineGridSpriteNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 4;

    NineGridSpriteNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    // Inside the bounds, with CanBeHit, Visible and an own tint alpha above
    // 20; no per-pixel test.
    [[nodiscard]] bool hitTest(const CVector3d& point) const override;

    void setAtlasTexture(CAtlasTexture* texture);
    [[nodiscard]] CAtlasTexture* getAtlasTexture() const { return m_atlasTexture.get(); }
    // Width of the left column and height of the top row, in pixels of the
    // picture and units of the node alike.
    void setTopLeftDelta(const CVector2d& delta) { m_topLeftDelta = delta; }
    [[nodiscard]] const CVector2d& getTopLeftDelta() const { return m_topLeftDelta; }
    // Width of the right column and height of the bottom row.
    void setBottomRightDelta(const CVector2d& delta) { m_bottomRightDelta = delta; }
    [[nodiscard]] const CVector2d& getBottomRightDelta() const { return m_bottomRightDelta; }

    [[nodiscard]] const Material& getMaterial() const { return m_material; }
    // The cells of the last draw, row by row from the top left.
    [[nodiscard]] const CBatchQuad (&getCells() const)[9] { return m_cells; }

protected:
    ~NineGridSpriteNode() override;

private:
    void setAtlasTextureProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAtlasTextureProperty() const;
    void setTopLeftDeltaProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTopLeftDeltaProperty() const;
    void setBottomRightDeltaProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getBottomRightDeltaProperty() const;
    void setNotStretchedProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getNotStretchedProperty() const;

    CRefHandle<CAtlasTexture> m_atlasTexture;
    Material m_material;
    CBatchQuad m_cells[9];
    CVector2d m_topLeftDelta{10.0f, 10.0f};
    CVector2d m_bottomRightDelta{10.0f, 10.0f};
    // Accepted from the property table and otherwise unused.
    bool m_notStretched = false;
};
