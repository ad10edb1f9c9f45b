#pragma once

#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>

class CPropertyBag;
class CRandom;
class TemplateCollectionNode;

// A bird circling over a scene on the sum of two ellipses, its body (the
// "Body" child of the template BirdTemplateID) turned to one of eight
// headings by state ("Right", "RightUp", ... "RightDown") and flapping now
// and then (the heading's "_Flap" state).
class GCircularBirdNode : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2043;
    static constexpr uint32_t UpdateInterval = 30;

    GCircularBirdNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    // Copies the ellipses, angles and speeds and looks the template up again;
    // the bird itself is made anew when the copy is drawn.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Starts the bird (a new clone of the body at random angles) when it is
    // not flying yet and a body is known.
    void registerForRendering(CArray<CRenderItem>& list) override;
    bool onManagerAttached(CEventManagerAttached* event) override;
    bool onTemplatesChanged(CEventTemplatesChanged* event) override;

    bool update(uint32_t elapsed) override;

    // Looks the body up under `name` in the scene manager's templates (none
    // without a manager) and stops the flight, so that the next drawing
    // starts it with the new body.
    void setBirdTemplate(CName name);
    [[nodiscard]] CName getBirdTemplate() const { return m_birdTemplateId; }
    [[nodiscard]] BaseNode* getBody() const { return m_body.get(); }
    [[nodiscard]] BaseNode* getBird() const { return m_bird; }
    [[nodiscard]] CName getHeading() const { return m_heading; }
    [[nodiscard]] int32_t getFlapCountdown() const { return m_flapCountdown; }
    // The source of random numbers (not owned); the engine's when none.
    void setRandom(CRandom* random) { m_random = random; }

    // The heading state of a flight direction in degrees (0 right, 90 up);
    // the empty name for 360 and beyond.
    [[nodiscard]] static CName headingOf(float degrees);
    // The point of the path for the two angles, in degrees.
    [[nodiscard]] CVector2d ellipsePoint(float angle1, float angle2) const;

    CVector2d ellipse1Size{0.0f, 0.0f};
    CVector2d ellipse2Size{0.0f, 0.0f};
    float angle1 = 0.0f;
    float angle2 = 0.0f;
    float angularVelocity1 = 5.0f;
    float angularVelocity2 = 5.0f;

protected:
    ~GCircularBirdNode() override;

    void onDescendantRemoved(BaseNode* node) override;

private:
    void resolveBody(TemplateCollectionNode* templates);
    [[nodiscard]] CRandom& random() const;
    [[nodiscard]] int32_t nextFlapDelay() const;

    void setBirdTemplateProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getBirdTemplateProperty() const;
    template <CVector2d GCircularBirdNode::*Field> void setSizeProperty(const CRefHandle<IPropertyData>& value);
    template <CVector2d GCircularBirdNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getSizeProperty() const;
    template <float GCircularBirdNode::*Field> void setFloatProperty(const CRefHandle<IPropertyData>& value);
    template <float GCircularBirdNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getFloatProperty() const;

    CName m_birdTemplateId;
    CRefHandle<BaseNode> m_body;
    // A child of this node (the children list holds it).
    BaseNode* m_bird = nullptr;
    int32_t m_flapCountdown = 0;
    CName m_heading;
    CRandom* m_random = nullptr;
};
