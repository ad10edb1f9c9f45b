#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CList.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CStringW.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>

class CEngine;
class CUpdateScheduler;
class SceneNode;
class TemplateCollectionNode;

// Owns the screens of an application: a stack of scenes held as its
// children, the transitions between them, the template collection controls
// copy their looks from, the queue of deferred node events, the routing of
// engine events and input to the scenes, and the drawing of its scenes in
// depth order through the driver's quad batch. Managers nest: one inside
// another's scene is drawn as one item at its depth.
//
// Transitions are node states: a change of scene applies a leave state to
// the old scene and an enter state to the new one ("NavFrom"/"NavTo", or
// "NavBackFrom"/"NavBackTo" going back), and each half ends when its scene
// reports that every child finished the state (event 83). A scene named by
// an unfinished half gets no input.
//
// Every scene on the stack gets its own update scheduler, created by the
// engine and registered as an engine listener; hidden scenes' schedulers are
// disabled so their animations pause.
//
// The queue is drained by the scheduled-object part: register it with a
// scheduler through CScheduledObject::setScheduler.
class SceneManager : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 23;
    // Node, mouse and keyboard events, besides the node's own bits.
    static constexpr uint32_t ManagerMask = 0x2C;
    // Listener priority of the per-scene schedulers.
    static constexpr int32_t SceneSchedulerPriority = 1000;

    SceneManager(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    // The manager reads and writes no properties.
    void writeProperties(CPropertyBag&) const override {}
    void readProperties(const CPropertyBag&) override {}

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();
    // Like a node's, but an event with nowhere to go counts as consumed, so
    // what bubbles out of a scene ends here.
    bool routeToParent(int phase, CEvent* event) override;
    // Input goes only to the current scene, and only while no transition
    // names it; other events go to the scenes first to last.
    bool routeToChildren(int phase, CEvent* event) override;
    // Ends the transition half the event completes. Never consumed.
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;

    // Keeps the scenes' own manager links when the manager itself is moved.
    void setSceneManager(BaseNode* sceneManager, BaseNode* ownerScene) override;

    void queueEvent(CEventReceiver* receiver, int phase, CEvent* event) override;
    [[nodiscard]] bool isDepthSortingEnabled() const override { return m_depthSorting; }
    void setDepthSorting(bool on) { m_depthSorting = on; }

    // One item for the whole manager; drawing it draws its scenes.
    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, int32_t parameter) override;
    // Collects, sorts (with depth sorting on) and draws every visible node of
    // the scenes between a begin and an end of the driver's quad batch.
    void renderScenes(IGraphicsDriver* driver);

    // The queue drain: delivers every queued event, then closes the scenes
    // that were left for good. Stays registered.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Replaces every scene by `scene` (null: none), playing its enter state.
    // False when the scene is part of an unfinished transition.
    bool setScene(SceneNode* scene, CName enterState = CName());
    // Shows `to` over `from` (null: appended to the stack, current scene kept).
    // False for a null target, a target in an unfinished transition or a
    // target that is `from` itself.
    bool navigateTo(SceneNode* from, SceneNode* to, CName leaveState = CName(), CName enterState = CName(),
                    bool keepVisible = false);
    // Returns from `from` to `to`, a scene below it; the scenes in between
    // close after the next drain, and so does `from` once it has left. False
    // when either is null or in an unfinished transition, or `to` is not
    // below `from`.
    bool navigateBack(SceneNode* from, SceneNode* to, CName leaveState = CName(), CName enterState = CName());
    // Opens a message box (the standard nodes' "MessageBoxNode", made by the
    // node factory) over `scene` with the template `templateName`. Returns it
    // (no reference for the caller), or null when the scene is null or in a
    // transition, the template is missing, or the class is not registered.
    SceneNode* showMessageBox(SceneNode* scene, CName templateName, const CArray<CStringW>& buttonTexts,
                              const CStringW& title, const CStringW& body);

    // Takes a reference to `collection` (null: none) and has every control of
    // every scene apply its template again.
    void setTemplateCollection(TemplateCollectionNode* collection);
    [[nodiscard]] TemplateCollectionNode* getTemplateCollection() const { return m_templateCollection.get(); }

    [[nodiscard]] SceneNode* getCurrentScene() const { return m_currentScene; }
    // True while a transition half names `scene`.
    [[nodiscard]] bool isInTransition(const SceneNode* scene) const;
    [[nodiscard]] uint32_t getPendingTransitionCount() const { return m_transitions.size(); }
    // The scheduler the manager made for `scene`, or null.
    [[nodiscard]] CUpdateScheduler* getSceneSchedulerOf(const SceneNode* scene) const;
    [[nodiscard]] uint32_t getQueuedEventCount() const { return m_queue.size(); }
    [[nodiscard]] bool isDraining() const { return m_draining; }

    // The engine that makes the scene schedulers and owns the cursor; taken
    // from getEngineInstance on first need unless set. A reference is kept.
    void setEngine(CEngine* engine);
    [[nodiscard]] CEngine* getEngine();

protected:
    ~SceneManager() override;

private:
    struct Transition {
        SceneNode* fromScene;
        CName fromState;
        SceneNode* toScene;
        CName toState;
        bool keep;
        bool keepVisible;
    };
    struct QueuedEvent {
        CRefHandle<CEventReceiver> receiver;
        int phase;
        CRefHandle<CEvent> event;
    };

    // Index of the first transition naming `scene`, or -1.
    [[nodiscard]] int64_t findTransition(const SceneNode* scene) const;
    // Makes (or re-enables) the scene's scheduler and stores it in the scene.
    void attachSceneScheduler(SceneNode* scene);
    // Unregisters and releases the scene's scheduler.
    void releaseSceneScheduler(BaseNode* scene);
    void setSceneSchedulerEnabled(const SceneNode* scene, bool enabled);
    // Scenes and other children, first to last, each only when its mask
    // matches; stops at the first that consumes the event.
    bool routeToScenes(int phase, CEvent* event);
    void closeListedScenes();
    // Event 41 to a scene joining the stack.
    void announceManager(SceneNode* scene);
    // Handed to `scene` directly, else bubbled up from it.
    static void sendOrBubble(SceneNode* scene, CEvent* event);
    void queueMouseMoveAtCursor(SceneNode* scene);

    CRefHandle<TemplateCollectionNode> m_templateCollection;
    CRefHandle<CEngine> m_engine;
    // One reference per scheduler. The keys are only compared, never read.
    CMap<const BaseNode*, CUpdateScheduler*> m_sceneSchedulers;
    SceneNode* m_currentScene = nullptr;
    CArray<Transition> m_transitions;
    bool m_depthSorting = false;
    CArray<CRenderItem> m_renderList;
    // Held, so that a listed scene outlives anything else dropping it.
    CArray<CRefHandle<BaseNode>> m_scenesToClose;
    CList<QueuedEvent> m_queue;
    bool m_draining = false;
};
