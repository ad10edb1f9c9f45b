#pragma once

#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CVector3d.h"
#include "engine/scene/BaseNode.h"

// Flies another node (the mover) in a straight line to the centre of a target
// node, sets states on both at the start and on arrival, then takes itself
// out of the tree. Made by code only: create it under a node of the scene,
// call `start`, and drop the creation reference.
class GParticlesMovableNode : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2042;
    static constexpr uint32_t UpdateInterval = 30;

    GParticlesMovableNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // Both nodes are held (a reference each) until the flight is over, so a
    // scene torn down mid-flight leaves nothing dangling. `velocity` in units
    // per second. False (nothing scheduled) for a null mover or target.
    [[nodiscard]] bool start(BaseNode* mover, BaseNode* target, int velocity, CName startState, CName arrivalState,
                             CName targetState);
    // Answers false once the flight is over and the node has left the tree,
    // or when something else took it out of the tree first.
    bool update(uint32_t elapsed) override;

    [[nodiscard]] const CVector3d& getStartPoint() const { return m_startPoint; }
    [[nodiscard]] const CVector3d& getTargetPoint() const { return m_targetPoint; }
    [[nodiscard]] float getTravelled() const { return m_travelled; }

protected:
    ~GParticlesMovableNode() override;

private:
    CRefHandle<BaseNode> m_mover;
    CRefHandle<BaseNode> m_target;
    CName m_startStateName;
    CName m_arrivalStateName;
    CName m_targetStateName;
    CVector3d m_startPoint;
    CVector3d m_targetPoint;
    float m_travelled = 0.0f;
    float m_velocityPerMs = 0.0f;
    bool m_startPending = false;
    bool m_arrived = false;
    bool m_moving = false;
};
