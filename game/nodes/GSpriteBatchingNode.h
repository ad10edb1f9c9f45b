#pragma once

#include "engine/scene/BaseNode.h"

class CPropertyBag;

// Draws nothing itself: once loaded it switches its direct sprite children to
// batched drawing, so that the driver's quad batch draws them together.
// Children added later and deeper descendants are left as they are, and the
// switch is never undone.
class GSpriteBatchingNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2028;

    GSpriteBatchingNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    void onLoaded() override;

    [[nodiscard]] bool usesBatchingForChildren() const { return m_useBatchingForChildren; }
    void setUseBatchingForChildren(bool on) { m_useBatchingForChildren = on; }

protected:
    ~GSpriteBatchingNode() override = default;

private:
    void setUseBatchingProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getUseBatchingProperty() const;

    bool m_useBatchingForChildren = true;
};
