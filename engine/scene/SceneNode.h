#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

class CUpdateScheduler;

// The root of one screen on a scene manager's stack: a control that knows the
// update scheduler its node states run on and the scene below it, and offers
// the manager's scene changes from inside the screen. Both links are set by
// the manager and not owned. When a scene on a manager's stack leaves that
// manager (removed from the tree, or moved under another manager) the
// manager is told and clears whatever it kept of the scene, including the
// scene-below links of the scenes that rested on it.
class SceneNode : public ControlNode {
public:
    static constexpr int32_t TypeId = 6;
    // The message box scene of the standard nodes.
    static constexpr int32_t MessageBoxTypeId = 7;

    SceneNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || ControlNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // Tells the manager whose stack the scene is on, when the link leaves
    // it, that the scene has gone.
    void setSceneManager(BaseNode* sceneManager, BaseNode* ownerScene) override;

    // Completed states that the control part does not take climb on to the
    // scene's manager (transitions).
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;

    [[nodiscard]] CUpdateScheduler* getSceneScheduler() const override { return m_scheduler; }
    void setSceneScheduler(CUpdateScheduler* scheduler) { m_scheduler = scheduler; }
    [[nodiscard]] SceneNode* getSceneBelow() const { return m_sceneBelow; }
    void setSceneBelow(SceneNode* scene) { m_sceneBelow = scene; }

    // Shows `scene` over the manager's current scene (not necessarily this
    // one). False without a scene manager, for a null scene or when the
    // manager refuses. Empty state names mean the defaults.
    [[nodiscard]] bool navigateTo(SceneNode* scene, bool keepVisible, CName leaveState = CName(),
                                  CName enterState = CName());
    // Returns to the scene below this one, `levels` more steps down (stopping
    // at the bottom); 0 is the scene directly below.
    [[nodiscard]] bool navigateBack(int32_t levels, CName leaveState = CName(), CName enterState = CName());
    // Loads `path` as a scene (relative to the content manager's current
    // folder) and navigates to it. Returns the scene when the manager took
    // it, with a reference of the caller's own (the stack drops its own when
    // the scene is closed, so a kept handle stays valid), else null.
    CRefHandle<SceneNode> navigateToFile(const CStringW& path, bool keepVisible, CName leaveState = CName(),
                                         CName enterState = CName());
    // Opens a message box over this scene; null without a scene manager or
    // when the manager refuses. No reference for the caller.
    SceneNode* showMessageBox(CName templateName, const CArray<CStringW>& buttonTexts, const CStringW& title,
                              const CStringW& body);

    // Stops `state` (completing it) on every child of the template root and
    // every direct child: their halves of a transition end at once.
    void stopStateOnChildren(CName state);

protected:
    ~SceneNode() override;

private:
    CUpdateScheduler* m_scheduler = nullptr;
    SceneNode* m_sceneBelow = nullptr;
};
