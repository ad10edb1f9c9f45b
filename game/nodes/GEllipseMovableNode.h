#pragma once

#include "engine/core/CScheduledObject.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>

class CPropertyBag;

// Carries its children around an ellipse centred on its own origin at a
// constant angular speed; draws nothing itself. Scheduled with its scene from
// the first time it is drawn until it goes.
class GEllipseMovableNode : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2041;
    static constexpr uint32_t UpdateInterval = 30;

    GEllipseMovableNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    // Reads the keys present, then draws the start angle between
    // InitialAngleMin and InitialAngleMax (whole degrees, both included).
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    void registerForRendering(CArray<CRenderItem>& list) override;

    // Advances the angle by `elapsed` ms and moves every child to the
    // ellipse's point (each keeps its z). Always stays scheduled.
    bool update(uint32_t elapsed) override;

    [[nodiscard]] float getAngle() const { return m_angle; }
    void setAngle(float degrees) { m_angle = degrees; }
    [[nodiscard]] int32_t getEllipseSizeX() const { return m_ellipseSizeX; }
    void setEllipseSizeX(int32_t size) { m_ellipseSizeX = size; }
    [[nodiscard]] int32_t getEllipseSizeY() const { return m_ellipseSizeY; }
    void setEllipseSizeY(int32_t size) { m_ellipseSizeY = size; }
    [[nodiscard]] int32_t getAngularVelocity() const { return m_angularVelocity; }
    void setAngularVelocity(int32_t degreesPerSecond) { m_angularVelocity = degreesPerSecond; }
    [[nodiscard]] int32_t getInitialAngleMin() const { return m_initialAngleMin; }
    void setInitialAngleMin(int32_t degrees) { m_initialAngleMin = degrees; }
    [[nodiscard]] int32_t getInitialAngleMax() const { return m_initialAngleMax; }
    void setInitialAngleMax(int32_t degrees) { m_initialAngleMax = degrees; }

protected:
    ~GEllipseMovableNode() override;

private:
    template <int32_t GEllipseMovableNode::*Field> void setIntProperty(const CRefHandle<IPropertyData>& value);
    template <int32_t GEllipseMovableNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getIntProperty() const;

    float m_angle = 0.0f;
    int32_t m_ellipseSizeX = 100;
    int32_t m_ellipseSizeY = 100;
    int32_t m_angularVelocity = 10;
    int32_t m_initialAngleMin = 0;
    int32_t m_initialAngleMax = 0;
};
