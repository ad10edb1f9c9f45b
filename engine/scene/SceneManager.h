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
#include <utility>

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
// disabled so their animations pause. A scene that leaves the manager by any
// road (closed, or removed or moved by the application) is forgotten at once:
// it stops being current, its transition halves are dropped, its scheduler is
// unregistered and released, and scenes that rested on it rest on what it
// rested on. The manager keeps no pointer to a scene it no longer has.
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
    // Called by a scene whose manager link leaves this manager: forgets it
    // (see the class comment). Nothing for a scene the manager does not know.
    void onSceneLeft(SceneNode* scene);

    void queueEvent(CEventReceiver* receiver, int phase, CEvent* event) override;
    [[nodiscard]] bool isDepthSortingEnabled() const override { return m_depthSorting; }
    void setDepthSorting(bool on) { m_depthSorting = on; }

    // One item for the whole manager; drawing it draws its scenes.
    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    // Collects, sorts (with depth sorting on) and draws every visible node of
    // the scenes between a begin and an end of the driver's quad batch. With
    // `clip` (a clipped group around a nested manager) every item is drawn
    // with it.
    void renderScenes(IGraphicsDriver* driver, const CRect* clip = nullptr);

    // The queue drain: delivers every queued event, then closes the scenes
    // that were left for good. Stays registered.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Replaces every scene by `scene` (null: none), playing its enter state.
    // False when the scene is part of an unfinished transition, or cannot
    // join the manager (it holds the manager; logged).
    [[nodiscard]] bool setScene(SceneNode* scene, CName enterState = CName());
    // Shows `to` over `from` (null: appended to the stack, current scene kept).
    // False for a null target, a target in an unfinished transition, a target
    // that is `from` itself, or one that lies below `from` already (that is
    // navigateBack's; logged) or cannot join `from`'s parent (logged).
    [[nodiscard]] bool navigateTo(SceneNode* from, SceneNode* to, CName leaveState = CName(),
                                  CName enterState = CName(), bool keepVisible = false);
    // Returns from `from` to `to`, a scene below it; the scenes in between
    // close after the next drain, and so does `from` once it has left. False
    // when either is null or in an unfinished transition, or `to` is not
    // below `from`.
    [[nodiscard]] bool navigateBack(SceneNode* from, SceneNode* to, CName leaveState = CName(),
                                    CName enterState = CName());
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

    // The engine that makes the scene schedulers, drives them and owns the
    // cursor. Required for scene animations to run: set it here, or register
    // the engine (setEngineInstance) before the first scene arrives, when the
    // manager takes it from findEngineInstance. A reference is kept. Without
    // one the manager logs once, scenes get schedulers that nothing drives
    // (unless the application updates them, getSceneSchedulerOf) and no
    // pointer position is read after a change of scene.
    void setEngine(CEngine* engine);
    [[nodiscard]] CEngine* getEngine();

protected:
    ~SceneManager() override;

    // Scenes take this manager's own links (as scene manager and owner
    // scene) as they join; other children take the outer ones.
    void passLinksToChild(BaseNode* child) override;

private:
    // One half of a scene change: the state that the fromScene (leaving) or
    // the toScene (entering) has still to finish. A change with both scenes
    // has two records that differ only in that flag. A scene that leaves
    // the manager takes its own halves away and is cleared from the others.
    struct Transition {
        SceneNode* fromScene;
        CName fromState;
        SceneNode* toScene;
        CName toState;
        bool keep;
        bool keepVisible;
        bool leaving;
        [[nodiscard]] SceneNode* owner() const { return leaving ? fromScene : toScene; }
    };
    struct QueuedEvent {
        CRefHandle<CEventReceiver> receiver;
        int phase;
        CRefHandle<CEvent> event;
    };

    // Index of the first transition naming `scene`, or -1.
    [[nodiscard]] int64_t findTransition(const SceneNode* scene) const;
    // Index of the first half that `scene` has to finish, or -1.
    [[nodiscard]] int64_t findHalf(const SceneNode* scene) const;
    // Removes the halves of `scene` and clears it from the other halves.
    void dropTransitionsOf(const SceneNode* scene);
    // True when `scene` can be put under `parent` (null: this manager);
    // logged when not.
    [[nodiscard]] bool canStack(const SceneNode* scene, const BaseNode* parent) const;
    // Puts `scene` on the stack: out of its old place, off the close list,
    // given its scheduler, then inserted behind `after` in `parent` (null
    // `after`: appended; null `parent`: this manager) with this manager's
    // links.
    void stackScene(SceneNode* scene, BaseNode* parent, BaseNode* after);
    // Makes (or re-enables) the scene's scheduler and stores it in the scene.
    void attachSceneScheduler(SceneNode* scene);
    // Unregisters and releases the scene's scheduler.
    void releaseSceneScheduler(SceneNode* scene);
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
    // Queues a new event of class E for `receiver`, dropping the creation
    // reference.
    template <class E, class... Args> void queueNew(CEventReceiver* receiver, int phase, Args&&... args) {
        const CRefHandle<E> event(new E(std::forward<Args>(args)...));
        queueEvent(receiver, phase, event.get());
    }

    CRefHandle<TemplateCollectionNode> m_templateCollection;
    CRefHandle<CEngine> m_engine;
    bool m_reportedNoEngine = false;
    // One reference per scheduler. A scene is a key only while its manager
    // link names this manager (onSceneLeft removes it), so keys are live.
    CMap<SceneNode*, CUpdateScheduler*> m_sceneSchedulers;
    // Cleared by onSceneLeft, like the transitions' scenes.
    SceneNode* m_currentScene = nullptr;
    CArray<Transition> m_transitions;
    bool m_depthSorting = false;
    CArray<CRenderItem> m_renderList;
    CRenderListSorter m_renderSorter;
    // Held, so that a listed scene outlives anything else dropping it.
    CArray<CRefHandle<BaseNode>> m_scenesToClose;
    CList<QueuedEvent> m_queue;
    bool m_draining = false;
};
