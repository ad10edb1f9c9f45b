#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/core/CMap.h"
#include "engine/core/CMat4.h"
#include "engine/core/CName.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector3d.h"
#include "engine/scene/CPropertyObject.h"
#include "engine/scene/CRenderItem.h"
#include "engine/scene/IPropertySerializable.h"

#include <cstdint>
#include <memory>
#include <utility>

class CEvent;
class CEventDictionaryChanged;
class CEventKeyFinished;
class CEventManagerAttached;
class CEventNodeStateCompleted;
class CEventNodeStateFinished;
class CEventStateFinished;
class CEventStateStarted;
class CEventTemplatesChanged;
class CNodeState;
class CPropertyBag;
class CPropertyTable;
class CRect;
class CSceneFileReader;
class CSceneFileWriter;
class CUpdateScheduler;
class IGraphicsDriver;
class SceneManager;
class SceneNode;

// The root class of the 2D scene tree. A node has a name, a local transform
// (position, Euler rotation in degrees, scale, pivot point) combined with its
// parent's into an absolute matrix, a bounds box, a tint combined with its
// parent's, owned children in drawing order, named node states of which one
// may be current, a reflected property table and an event-handler table.
// Nodes are content of type 'snod': every load from the cache is a clone.
//
// Reference counts: a new node has count 1; a parent holds one reference per
// child. The scene manager and the owner scene are not owned.
//
// The scene manager and the owner scene are nodes of the classes SceneManager
// and SceneNode. The node keeps them as BaseNode pointers and reaches what it
// needs from them through three hooks those classes override:
// `queueEvent` and `isDepthSortingEnabled` (the manager) and
// `getSceneScheduler` (the scene). The typed getters are templates so that
// this header needs neither class.
//
// Subclasses that override `clone(parent, manager)` add `using BaseNode::clone;`
// so that the content `clone()` stays visible.
class BaseNode : public CPropertyObject, public IContent, public IPropertySerializable {
public:
    static constexpr int32_t TypeId = 0;
    // Key notifications have this type id but no event class of their own.
    static constexpr int32_t KeyNotificationId = 73;
    // The receiver mask of every node: device, system flow, node and game events.
    static constexpr uint32_t NodeMask = 0x1023;

    // Maps a state name to the state to try instead, or the empty name.
    using FallbackFunction = CName (*)(CName state);

    // A node with count 1 and `contentName` (content manager and wide name).
    // With a parent it ends as the parent's last child (the parent takes its
    // own reference). `sceneManager` may be null.
    BaseNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // Identity: every class answers its own type id, and isKindOf is true for
    // its own id, the ids of its base classes and 0.
    [[nodiscard]] virtual const CStringW& getTypeName() const;
    [[nodiscard]] virtual const CStringW& getClassName() const;
    [[nodiscard]] virtual int32_t getTypeId() const { return TypeId; }
    [[nodiscard]] virtual bool isKindOf(int32_t id) const { return id == TypeId; }

    // Properties.
    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    // Writes the properties that differ from a new node's into `bag`.
    void writeProperties(CPropertyBag& bag) const override;
    // Reads the node's keys from `bag`; missing keys leave their fields, a
    // value of the wrong kind stores the kind's zero.
    void readProperties(const CPropertyBag& bag) override;

    // Content: a detached copy with this node's scene manager (count 1).
    [[nodiscard]] IContent* clone() const override;
    [[nodiscard]] uint32_t getContentType() const override;

    // A copy of this node and its subtree, of this node's class. `sceneManager`
    // null means this node's manager. With a parent the clone becomes its last
    // child and the caller gets no reference; without one the caller owns the
    // returned reference.
    [[nodiscard]] virtual BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const;
    // Copies the fields of `source`, then clones its children and states into
    // this node (copyChildrenAndStates). Scene manager, owner scene, parent,
    // user data, absolute tint and dirty flags stay this node's own.
    virtual void copyFrom(const BaseNode* source, BaseNode* sceneManager);
    // Called after a node element was read and after cloning.
    virtual void onLoaded() {}
    // Scene files: reads the content of the node element `reader` stands on
    // (false when the document is damaged), and writes the node with its
    // subtree as a node element. These versions read and write what every
    // node has; a class that keeps more in its element overrides them.
    [[nodiscard]] virtual bool readFromXml(CSceneFileReader& reader);
    [[nodiscard]] virtual bool writeToXml(CSceneFileWriter& writer) const;
    // Clones the children of `source` into `target` (with the target's scene
    // manager), clones its states and attaches them to `target`, then sets
    // the target's DefaultState when it has one.
    static void copyChildrenAndStates(const BaseNode* source, BaseNode* target);

    // Events. handleEvent runs the pre-handlers, the class table's handler for
    // the exact type id, then the post-handlers.
    bool handleEvent(CEvent* event) override;
    // Children from the last to the first, each only when its mask matches
    // (input also reaches a child that holds a scene manager somewhere in its
    // subtree, so that a manager nested under plain nodes gets its input);
    // stops at the first that consumes the event.
    bool routeToChildren(int phase, CEvent* event) override;
    // The parent dispatches the event when its mask matches.
    bool routeToParent(int phase, CEvent* event) override;
    // The class's event-handler table; subclasses answer their own.
    [[nodiscard]] virtual const CEventHandlerTable& getEventHandlerTable() const;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    // Queue `event` in the scene manager's message queue for this node (or its
    // parent), delivered on the manager's next update with `phase`. Dropped
    // without a manager, without a parent, or when the receiver's mask does
    // not match the event's.
    void postDeferred(CEvent* event, int phase);
    void postDeferredToParent(CEvent* event, int phase);
    // The same for any `receiver` (a node of another branch, a controller):
    // queued through this node's scene manager. Dropped without a manager,
    // for a null receiver, or when the receiver's mask does not match.
    void postDeferred(CEventReceiver* receiver, int phase, CEvent* event);

    // Handlers of the class table; none consumes its event here.
    virtual bool onManagerAttached(CEventManagerAttached* event);
    virtual bool onTemplatesChanged(CEventTemplatesChanged* event);
    virtual bool onDictionaryChanged(CEventDictionaryChanged* event);
    virtual bool onKeyNotification(CEvent* event);
    virtual bool onKeyFinished(CEventKeyFinished* event);
    virtual bool onStateStarted(CEventStateStarted* event);
    // Event 76 for the current state: reports event 79 to the parent and,
    // when nobody took it and the state ended by itself, follows NextState.
    virtual bool onStateActionFinished(CEventStateFinished* event);
    // Event 79 from a direct child: counts down the children still running a
    // state applied by applyStateRecursive; at 0 reports event 83.
    virtual bool onChildStateFinished(CEventNodeStateFinished* event);
    virtual bool onAllChildrenFinished(CEventNodeStateCompleted* event);

    // Hooks answered by the scene manager and the scene (see the class
    // comment). A plain node drops queued events, does not sort and has no
    // scheduler.
    virtual void queueEvent(CEventReceiver* receiver, int phase, CEvent* event);
    [[nodiscard]] virtual bool isDepthSortingEnabled() const { return false; }
    [[nodiscard]] virtual CUpdateScheduler* getSceneScheduler() const { return nullptr; }

    // Tree. addChild ignores null, the node itself and any ancestor of this
    // node (which would make a cycle; logged). It takes a reference, detaches
    // the child from its old parent, appends it (unless it is not
    // serialised), and hands this node's scene manager and owner scene down.
    void addChild(BaseNode* child);
    // As addChild, inserted right behind `after`; at the front for null, at
    // the end when `after` is not a child.
    void insertChild(BaseNode* child, BaseNode* after);
    // As addChild, the child ending at `index` of the children list (0: the
    // first; an index past the end appends, a negative one puts it first).
    // A child already in this list moves there.
    void insertChild(BaseNode* child, int index);
    // False when `child` is not in the children list. Otherwise detaches it
    // (parent, manager and owner scene cleared in its subtree) and releases it.
    [[nodiscard]] bool removeChild(BaseNode* child);
    void removeAllChildren();
    // Moves this node under `parent` (null: detached), keeping it alive.
    void setParent(BaseNode* parent);
    [[nodiscard]] BaseNode* getParent() const { return m_parent; }
    [[nodiscard]] const CArray<BaseNode*>& getChildren() const { return m_children; }
    // Direct children first (the first in list order wins); then, depth
    // first, their subtrees. Depth 0 or -1: unlimited; 1 or below -1: direct
    // children only; n: n levels.
    [[nodiscard]] BaseNode* findChild(CName name, int depth) const;
    // The first node in this subtree (parents before children, children in
    // list order) that is Visible, CanBeHit and answers hitTest; null if none.
    [[nodiscard]] BaseNode* getNodeAt(const CVector3d& point);
    // Stores the manager and owner scene on this node and its subtree; with
    // an owner scene every node applies its DefaultState again.
    virtual void setSceneManager(BaseNode* sceneManager, BaseNode* ownerScene);
    template <class M = SceneManager> [[nodiscard]] M* getSceneManager() const {
        return static_cast<M*>(m_sceneManager);
    }
    template <class S = SceneNode> [[nodiscard]] S* getOwnerScene() const { return static_cast<S*>(m_ownerScene); }
    // True when this node lies on the way up from `node`'s parent.
    [[nodiscard]] bool isAncestorOf(const BaseNode* node) const;
    // How many scene managers this subtree holds, this node included.
    [[nodiscard]] uint32_t getNestedManagerCount() const { return m_nestedManagers; }
    // A node that is not serialised gets a parent but stays out of the
    // parent's children list (template roots); the reference addChild took
    // for it is its owner's to release.
    [[nodiscard]] bool isNotSerialised() const { return m_notSerialised; }
    void setNotSerialised(bool notSerialised) { m_notSerialised = notSerialised; }
    // Any object the application hangs on the node (a reference is taken).
    void setUserData(CRefCounted* data);
    [[nodiscard]] CRefCounted* getUserData() const { return m_userData.get(); }

    // What the node's scene-file element said beyond its properties, kept so
    // that a saved node reads back as it was read: the Type and ClassOverride
    // attributes (kept only when a ClassOverride was given) and the atlas
    // collections its Uses named (full names; each once). Copies keep them.
    void setDeclaredClass(const CStringW& type, const CStringW& classOverride);
    [[nodiscard]] const CStringW& getDeclaredType() const;
    [[nodiscard]] const CStringW& getClassOverride() const;
    void addUsedCollection(const CStringW& fullName);
    [[nodiscard]] const CArray<CStringW>& getUsedCollections() const;

    // States.
    [[nodiscard]] CNodeState* findState(CName id) const;
    // Takes a reference, attaches the state to this node and registers it
    // under its name. False (nothing changes) for null or a taken name.
    [[nodiscard]] bool addState(CNodeState* state);
    // In the order they were added (a scene file's order), which is the
    // order they are written in.
    [[nodiscard]] const CArray<CNodeState*>& getStates() const { return m_states; }
    [[nodiscard]] CNodeState* getCurrentState() const { return m_currentState; }
    // Stops the current state and starts state `id` on the owner scene's
    // scheduler, reporting under `reportedId` (empty: `id`). A missing state
    // is replaced by its fallback; with none the parent gets events 77 and 79.
    virtual void setState(CName id, FallbackFunction fallback, CName reportedId);
    // Event 81 to itself, then setState on every child; event 83 once every
    // child reported 79. A node without children reports 81 and 83 at once.
    virtual void applyStateRecursive(CName id, FallbackFunction fallback);
    void stopState(CName id, bool complete);
    void stopStates(bool complete);
    // Stops and clears the current state of each direct child.
    virtual void stopChildStates(bool complete);
    void releaseStates();
    // Stops the current state with `complete` and clears it (unless a handler
    // made another state current meanwhile). DefaultState is not applied.
    void stopCurrentState(bool complete);
    // Stops and clears the current state, then sets DefaultState (if any).
    void applyDefaultState();
    // Events 77 and 79 to the parent (self false), or 81 and 83 to this
    // node's own handleEvent (self true).
    void reportStateEvents(CName stateId, bool self);
    [[nodiscard]] CName getDefaultState() const { return m_defaultState; }
    void setDefaultState(CName state) { m_defaultState = state; }
    // Children still running `state` as applied by applyStateRecursive (0 when
    // none); the count is replaced by setPendingCount.
    [[nodiscard]] int getPendingCount(CName state) const;
    void setPendingCount(CName state, int count) { m_pendingCounts[state] = count; }

    // Drawing. Adds this node's render items (and its children's) to `list`,
    // refreshing dirty transforms and colours first; nothing when hidden. A
    // ChildrenClipped node adds one item for its whole group.
    virtual void registerForRendering(CArray<CRenderItem>& list);
    // Draws the node. `clip` is the screen rectangle the node is clipped to
    // (a clipped group around it), or null; nodes that draw outside the
    // driver's scissor (clip planes, their own matrices) honour it. Here: a
    // ChildrenClipped node draws its group inside its bounds (cut by `clip`);
    // a plain node draws nothing.
    virtual void render(IGraphicsDriver* driver, const CRect* clip);

    // Picking. isPointInside maps a scene-space point into node space through
    // the inverse of the absolute matrix's 2D affine part and tests
    // 0 < x < Bounds.x, 0 < y < Bounds.y; a node whose 2D part has no inverse
    // (determinant within 1e-6 of 0) contains no point.
    [[nodiscard]] virtual bool isPointInside(const CVector3d& point) const;
    [[nodiscard]] virtual bool hitTest(const CVector3d& point) const;

    // Transform and colour.
    // Point p maps to parent space as rotate(scale(p - PivotPoint)) + Position.
    [[nodiscard]] CMat4 getRelativeTransformation() const;
    // Recomputes the absolute matrix from the parent's (2D affine part) and
    // then the children's; clears the transform-dirty flag.
    virtual void updateAbsoluteTransformation();
    // Absolute tint = TintColor times the parent's absolute tint, per channel;
    // then the children's; clears the colour-dirty flag.
    virtual void updateAbsoluteColor();
    [[nodiscard]] const CMat4& getAbsoluteTransformation() const { return m_absoluteTransformation; }
    // The node's depth: the z translation of the absolute matrix.
    [[nodiscard]] float getDepth() const { return m_absoluteTransformation[14]; }
    [[nodiscard]] CColor getAbsoluteColor() const { return m_absoluteColor; }

    [[nodiscard]] CName getName() const { return m_name; }
    void setName(CName name) { m_name = name; }
    [[nodiscard]] const CVector3d& getPosition() const { return m_position; }
    void setPosition(const CVector3d& position);
    [[nodiscard]] const CVector3d& getRotation() const { return m_rotation; }
    void setRotation(const CVector3d& rotation);
    [[nodiscard]] const CVector3d& getScale() const { return m_scale; }
    void setScale(const CVector3d& scale);
    [[nodiscard]] virtual const CVector3d& getBounds() const { return m_bounds; }
    void setBounds(const CVector3d& bounds);
    [[nodiscard]] const CVector2d& getPivotPoint() const { return m_pivotPoint; }
    void setPivotPoint(const CVector2d& pivot);
    [[nodiscard]] CColor getTintColor() const { return m_tintColor; }
    void setTintColor(CColor color);
    [[nodiscard]] uint32_t getNodeLayout() const { return m_nodeLayout; }
    void setNodeLayout(uint32_t layout) { m_nodeLayout = layout; }
    [[nodiscard]] bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    [[nodiscard]] bool canBeHit() const { return m_canBeHit; }
    void setCanBeHit(bool canBeHit) { m_canBeHit = canBeHit; }
    [[nodiscard]] bool areChildrenClipped() const { return m_childrenClipped; }
    void setChildrenClipped(bool clipped) { m_childrenClipped = clipped; }
    [[nodiscard]] bool isDebugDataVisible() const { return m_debugDataVisible; }
    void setDebugDataVisible(bool visible) { m_debugDataVisible = visible; }
    [[nodiscard]] bool isTransformDirty() const { return m_transformDirty; }
    void markTransformDirty() { m_transformDirty = true; }
    [[nodiscard]] bool isColorDirty() const { return m_colorDirty; }
    void markColorDirty() { m_colorDirty = true; }

protected:
    ~BaseNode() override;

    // The body of every class's clone: a new T built like this node (content
    // name, parent, manager), copied from it and told it was loaded.
    template <class T> [[nodiscard]] T* cloneAs(BaseNode* parent, BaseNode* sceneManager) const {
        BaseNode* manager = sceneManager ? sceneManager : m_sceneManager;
        T* node = new T(getContentName(), parent, manager);
        node->copyFrom(this, manager);
        node->onLoaded();
        if (parent)
            node->release();
        return node;
    }

    // Draws the items collected from a ChildrenClipped node's group inside the
    // screen rectangle of its bounds, cut by `outerClip` (the group around it,
    // or null): sorted when the scene manager sorts, each item rendered with
    // that rectangle, pending quads flushed before the scissor is set and
    // again before the outer group's scissor is restored (or the scissor is
    // switched off). Nothing for an empty list.
    void renderClippedGroup(IGraphicsDriver* driver, CArray<CRenderItem>& list, const CRect* outerClip) const;

    // The scheduler of the owner scene, where states run their keys.
    [[nodiscard]] CUpdateScheduler* getStateScheduler() const;

    // Stores the manager and owner scene on this node alone: no children, no
    // DefaultState. For classes whose subtree keeps links of its own.
    void storeSceneManager(BaseNode* sceneManager, BaseNode* ownerScene);

    // Hands this node's scene manager and owner scene to a child that was
    // just attached (setSceneManager). A class whose children keep links of
    // their own (the scene manager's scenes) overrides it.
    virtual void passLinksToChild(BaseNode* child);

    // Runs on the node that lost `node` and on each of its ancestors, once
    // `node` and its subtree have left that subtree (`node` is detached but
    // still alive). For nodes that remember a descendant without owning it.
    virtual void onDescendantRemoved(BaseNode*) {}

    // The children of `node` with a reference each: handlers run while they
    // are visited may add or remove nodes.
    [[nodiscard]] static CArray<CRefHandle<BaseNode>> childSnapshot(const BaseNode* node);

    // Recomputes the absolute transform and tint where they are marked dirty.
    void refreshDirtyTransformAndColor();

    // For a class whose registerForRendering does its work (scheduling
    // itself, say) also while the node is hidden; set by its constructor.
    void setRegistersWhileHidden(bool on) { m_registersWhileHidden = on; }
    // registerForRendering of every node of `children`, in order. A hidden
    // node that registers nothing while hidden is passed over without the
    // call, and the next node is fetched while this one registers: the walk
    // runs over every drawn node of every frame.
    static void registerChildren(const CArray<BaseNode*>& children, CArray<CRenderItem>& list) {
        BaseNode* const* child = children.begin();
        BaseNode* const* const end = children.end();
        for (; child != end; ++child) {
            if (child + 1 != end)
                prefetchForRendering(child[1]);
            BaseNode* node = *child;
            if (node->m_visible || node->m_registersWhileHidden)
                node->registerForRendering(list);
        }
    }
    // Asks for the lines of `node` that the render walk reads first.
    static void prefetchForRendering(const BaseNode* node) {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(node);
        __builtin_prefetch(&node->m_visible);
#else
        static_cast<void>(node);
#endif
    }

    // Adds `delta` to the scene-manager count of this node and its ancestors
    // (a scene manager counts itself once it is built).
    void addNestedManagers(int32_t delta);

    // Build an event of class E from `args`, deliver it, and drop the creation
    // reference: to this node's handleEvent, up with routeToParent, or into
    // the scene manager's queue with postDeferred.
    template <class E, class... Args> bool handleNew(Args&&... args) {
        const CRefHandle<E> event(new E(std::forward<Args>(args)...));
        return handleEvent(event.get());
    }
    template <class E, class... Args> bool routeNewToParent(int phase, Args&&... args) {
        const CRefHandle<E> event(new E(std::forward<Args>(args)...));
        return routeToParent(phase, event.get());
    }
    template <class E, class... Args> void postNew(int phase, Args&&... args) {
        const CRefHandle<E> event(new E(std::forward<Args>(args)...));
        postDeferred(event.get(), phase);
    }

private:
    // Clears the parent link, leaving the old parent's list if it is in it.
    void detachFromParent();
    // onDescendantRemoved on this node and its ancestors.
    void notifyDescendantRemoved(BaseNode* node);
    void insertAt(BaseNode* child, uint32_t index, bool atEnd);

    // What the render walk reads of every node it reaches, kept together
    // at the start of the node's own fields: the walk visits some hundreds
    // of nodes a frame, and each costs the lines it touches.
    bool m_visible = true;
    bool m_childrenClipped = false;
    bool m_transformDirty = true;
    bool m_colorDirty = true;
    bool m_registersWhileHidden = false;
    // One reference per child.
    CArray<BaseNode*> m_children;
    CColor m_absoluteColor{0xFFFFFFFFu};
    CName m_name;
    CMat4 m_absoluteTransformation;
    CVector3d m_position{0.0f, 0.0f, 0.0f};
    CVector3d m_rotation{0.0f, 0.0f, 0.0f};
    CVector3d m_scale{1.0f, 1.0f, 1.0f};
    CVector3d m_bounds{100.0f, 100.0f, 0.0f};
    CVector2d m_pivotPoint{0.0f, 0.0f};
    CColor m_tintColor{0xFFFFFFFFu};
    uint32_t m_nodeLayout = 0;
    BaseNode* m_parent = nullptr;
    // One reference per state, in the order added.
    CArray<CNodeState*> m_states;
    CName m_defaultState;
    CNodeState* m_currentState = nullptr;
    CMap<CName, int> m_pendingCounts;
    BaseNode* m_sceneManager = nullptr;
    BaseNode* m_ownerScene = nullptr;
    bool m_canBeHit = true;
    bool m_debugDataVisible = false;
    bool m_notSerialised = false;
    CRefHandle<CRefCounted> m_userData;
    struct FileRecord {
        CStringW type;
        CStringW classOverride;
        CArray<CStringW> uses;
    };
    // Only for nodes whose element had a ClassOverride or Uses.
    std::unique_ptr<FileRecord> m_fileRecord;
    // How deeply NextState is being followed without time passing.
    uint32_t m_nextStateDepth = 0;
    // Scene managers in this subtree, this node included.
    uint32_t m_nestedManagers = 0;
};

// The node as class T when it is one (isKindOf(T::TypeId)), else null.
template <class T> [[nodiscard]] T* nodeCast(BaseNode* node) {
    return node && node->isKindOf(T::TypeId) ? static_cast<T*>(node) : nullptr;
}
template <class T> [[nodiscard]] const T* nodeCast(const BaseNode* node) {
    return node && node->isKindOf(T::TypeId) ? static_cast<const T*>(node) : nullptr;
}
