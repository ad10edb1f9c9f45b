#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SpriteNode.h"

class CAtlasTexture;
class CPropertyBag;

// A progress bar drawn by two pictures of the same size as the bar: the
// second shows the bar up to the value, the first the rest, meeting at the
// value point; both stay aligned with the bar's origin. A child
// "SlidingArea" leaves room at the ends: the split runs over the area only.
// The bar is vertical (filling from the bottom) when taller than wide.
class GTwoSpritesProgressBarNode : public BaseProgressBarNode {
public:
    static constexpr int32_t TypeId = 2033;

    GTwoSpritesProgressBarNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseProgressBarNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The values and, from another two-sprite bar, both pictures.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // The two pictures are kept outside the children list (never written,
    // never copied as children): the bar moves, tints and draws them itself,
    // beneath its children.
    void updateAbsoluteTransformation() override;
    void updateAbsoluteColor() override;
    void registerForRendering(CArray<CRenderItem>& list) override;

    // Takes the margins from "SlidingArea" and the sprites' stretch modes
    // from the bar's shape, then lays the sprites out.
    void onLoaded() override;
    void onValueChanged() override;

    [[nodiscard]] CAtlasTexture* getAtlasTexture1() const;
    void setAtlasTexture1(CAtlasTexture* texture);
    [[nodiscard]] CAtlasTexture* getAtlasTexture2() const;
    void setAtlasTexture2(CAtlasTexture* texture);
    // The part beyond the value and the part up to it.
    [[nodiscard]] SpriteNode* getSprite1() const { return m_sprite1.get(); }
    [[nodiscard]] SpriteNode* getSprite2() const { return m_sprite2.get(); }
    [[nodiscard]] float getHorizontalScale() const { return m_horizontalScale; }
    [[nodiscard]] float getVerticalScale() const { return m_verticalScale; }

protected:
    ~GTwoSpritesProgressBarNode() override;

private:
    void setAtlasTexture1Property(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAtlasTexture1Property() const;
    void setAtlasTexture2Property(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAtlasTexture2Property() const;

    CRefHandle<SpriteNode> m_sprite1;
    CRefHandle<SpriteNode> m_sprite2;
    float m_bottomMargin = 0.0f;
    float m_leftMargin = 0.0f;
    float m_verticalScale = 1.0f;
    float m_horizontalScale = 1.0f;
};
