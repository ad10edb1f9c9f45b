#pragma once

#include "engine/core/CScheduledObject.h"
#include "engine/core/CVector3d.h"
#include "engine/scene/BaseNode.h"

class CPropertyBag;

// Drifts at a constant Velocity with its child "Wave", fades in over its first
// 1.3 s and out over its last, and takes itself out of the tree when its
// LifeTime (ms) is over. A LifeTime of 0 or below drifts for ever, unseen.
class GWaveNode : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2054;
    static constexpr uint32_t UpdateInterval = 15;
    static constexpr int32_t FadeTime = 1300;

    GWaveNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    // The first time (while not yet scheduled) the wave starts: transparent,
    // its "Wave" child in "Normal", updated by the owner scene's scheduler.
    void registerForRendering(CArray<CRenderItem>& list) override;
    // Answers false once the wave has left the tree.
    bool update(uint32_t elapsed) override;

    [[nodiscard]] const CVector3d& getVelocity() const { return m_velocity; }
    void setVelocity(const CVector3d& velocity) { m_velocity = velocity; }
    [[nodiscard]] int32_t getLifeTime() const { return m_lifeTime; }
    void setLifeTime(int32_t ms) { m_lifeTime = ms; }
    [[nodiscard]] int32_t getRemainingTime() const { return m_remainingTime; }

protected:
    ~GWaveNode() override;
    void onDescendantRemoved(BaseNode* node) override;

private:
    void setVelocityProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getVelocityProperty() const;
    void setLifeTimeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getLifeTimeProperty() const;

    // Our direct child "Wave", owned by the tree.
    BaseNode* m_waveChild = nullptr;
    CVector3d m_velocity{0.0f, 0.0f, 0.0f};
    int32_t m_remainingTime = -1;
    int32_t m_lifeTime = -1;
};
