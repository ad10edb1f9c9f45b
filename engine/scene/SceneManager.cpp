#include "engine/scene/SceneManager.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/core/ICursorControl.h"
#include "engine/scene/CEventDictionaryChanged.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventSceneChange.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/IMessageBox.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"

namespace {

struct TransitionStates {
    CName navTo{"NavTo"};
    CName navFrom{"NavFrom"};
    CName navBackTo{"NavBackTo"};
    CName navBackFrom{"NavBackFrom"};
};

const TransitionStates& transitionStates() {
    static const TransitionStates names;
    return names;
}

bool isMessageBox(const SceneNode* scene) { return scene && scene->isKindOf(SceneNode::MessageBoxTypeId); }

// Follows the scene-below links from `scene`'s own link; each scene once, so
// links that lead in a circle end the walk.
template <class Visit> void forEachSceneBelow(SceneNode* scene, Visit visit) {
    CArray<SceneNode*> seen;
    for (SceneNode* below = scene ? scene->getSceneBelow() : nullptr; below && seen.indexOf(below) < 0;
         below = below->getSceneBelow()) {
        seen.push_back(below);
        if (!visit(below))
            return;
    }
}

// True when `scene` lies on the chain of scenes below `top`.
bool isBelow(SceneNode* top, const SceneNode* scene) {
    bool found = false;
    forEachSceneBelow(top, [&](SceneNode* below) {
        found = below == scene;
        return !found;
    });
    return found;
}

} // namespace

SceneManager::SceneManager(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setMask(getMask() | ManagerMask);
    // Input finds the manager through the nodes above it, whatever their masks.
    addNestedManagers(1);
}

// The engine's factory lives here, beside the class: the core library that
// declares it cannot build a scene manager.
SceneManager* CEngine::createSceneManager() {
    auto* manager = new SceneManager(CObjectName(), nullptr, nullptr);
    manager->setEngine(this);
    return manager;
}

SceneManager::~SceneManager() {
    m_queue.clear();
    CMap<SceneNode*, CUpdateScheduler*> schedulers = std::move(m_sceneSchedulers);
    m_sceneSchedulers.clear();
    // The scenes may outlive the manager: they keep no link into its stack.
    for (auto& entry : schedulers) {
        if (entry.key->getSceneScheduler() == entry.value)
            entry.key->setSceneScheduler(nullptr);
        entry.key->setSceneBelow(nullptr);
        if (m_engine)
            m_engine->removeListener(entry.value);
        entry.value->release();
    }
    m_transitions.clear();
    m_currentScene = nullptr;
    // Detached while this is still a manager: whatever the scenes queue on
    // their way out is dropped below.
    removeAllChildren();
    m_queue.clear();
    m_scenesToClose.clear();
    m_templateCollection.reset();
}

const CStringW& SceneManager::getTypeName() const {
    static const CStringW name(u"SceneManager");
    return name;
}

const CStringW& SceneManager::getClassName() const { return SceneManager::getTypeName(); }

BaseNode* SceneManager::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<SceneManager>(parent, sceneManager);
}

void SceneManager::setEngine(CEngine* engine) { m_engine = CRefHandle<CEngine>::share(engine); }

CEngine* SceneManager::getEngine() {
    if (m_engine)
        return m_engine.get();
    // Only an engine that exists already: looking one up must not build a
    // platform engine as a side effect.
    m_engine = CRefHandle<CEngine>::share(findEngineInstance());
    if (!m_engine && !m_reportedNoEngine) {
        m_reportedNoEngine = true;
        CLog::instance()->log("Scene manager without an engine: scene schedulers are not driven and no cursor is read",
                              CLog::Warning);
    }
    return m_engine.get();
}

// ---------------------------------------------------------------------------
// Events

const CEventHandlerTable& SceneManager::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& SceneManager::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(BaseNode::handlerTable());
        t.add<&SceneManager::onAllChildrenFinished>(CEventNodeStateCompleted::TypeId);
        return t;
    }();
    return table;
}

bool SceneManager::routeToParent(int phase, CEvent* event) {
    BaseNode* parent = getParent();
    if (!event || !parent || !(parent->getMask() & event->getMask()))
        return true;
    return parent->dispatch(phase, event);
}

bool SceneManager::routeToChildren(int phase, CEvent* event) {
    if (!event)
        return false;
    if (event->isKindOf(CEvent::KindInput)) {
        SceneNode* scene = m_currentScene;
        if (!scene || scene->getParent() != this || isInTransition(scene))
            return false;
        const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);
        if (scene->routeToChildren(ChildrenThenHandle, event))
            return true;
        return scene->handleEvent(event);
    }
    // A nested manager's scenes take no part in the outer tree's template
    // and dictionary changes: they have their own manager.
    if (getSceneManager<BaseNode>()) {
        const int32_t type = event->getType();
        if (type == CEventManagerAttached::TypeId || type == CEventTemplatesChanged::TypeId ||
            type == CEventDictionaryChanged::TypeId)
            return false;
    }
    return routeToScenes(phase, event);
}

bool SceneManager::routeToScenes(int phase, CEvent* event) {
    for (const CRefHandle<BaseNode>& child : childSnapshot(this))
        if ((child->getMask() & event->getMask()) && child->dispatch(phase, event))
            return true;
    return false;
}

void SceneManager::setSceneManager(BaseNode* sceneManager, BaseNode* ownerScene) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    storeSceneManager(sceneManager, ownerScene);
    // The scenes on this stack belong to this manager whatever tree it is in:
    // moving the manager leaves them (and their states) as they are. Other
    // children take the outer links as any node's would.
    for (const CRefHandle<BaseNode>& child : childSnapshot(this)) {
        if (SceneNode* scene = nodeCast<SceneNode>(child.get())) {
            if (scene->getSceneManager<BaseNode>() != this || scene->getOwnerScene<BaseNode>() != scene)
                scene->setSceneManager(this, scene);
        } else {
            child->setSceneManager(sceneManager, ownerScene);
        }
    }
    if (ownerScene)
        applyDefaultState();
}

void SceneManager::passLinksToChild(BaseNode* child) {
    // A scene joining the stack takes this manager's links straight away, so
    // its DefaultStates run once, on its own scheduler.
    if (SceneNode* scene = nodeCast<SceneNode>(child))
        scene->setSceneManager(this, scene);
    else
        BaseNode::passLinksToChild(child);
}

void SceneManager::sendOrBubble(SceneNode* scene, CEvent* event) {
    if (!scene->handleEvent(event))
        scene->routeToParent(HandleThenParent, event);
}

void SceneManager::announceManager(SceneNode* scene) {
    const CRefHandle<CEventManagerAttached> attached(new CEventManagerAttached(this));
    if (!scene->handleEvent(attached.get()))
        scene->routeToChildren(HandleThenChildren, attached.get());
}

// ---------------------------------------------------------------------------
// Message queue

void SceneManager::queueEvent(CEventReceiver* receiver, int phase, CEvent* event) {
    if (!receiver || !event)
        return;
    QueuedEvent entry{CRefHandle<CEventReceiver>::share(receiver), phase, CRefHandle<CEvent>::share(event)};
    if (m_draining)
        m_queue.push_front(entry);
    else
        m_queue.push_back(entry);
}

bool SceneManager::update(uint32_t) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const bool outerDrain = !m_draining;
    m_draining = true;
    while (!m_queue.empty()) {
        QueuedEvent entry = std::move(m_queue.front());
        m_queue.erase(m_queue.begin());
        entry.receiver->dispatch(entry.phase, entry.event.get());
    }
    if (!outerDrain)
        return true;
    m_draining = false;
    closeListedScenes();
    return true;
}

// ---------------------------------------------------------------------------
// Scene schedulers

CUpdateScheduler* SceneManager::getSceneSchedulerOf(const SceneNode* scene) const {
    // A lookup: nothing is changed through the key.
    auto found = m_sceneSchedulers.find(const_cast<SceneNode*>(scene));
    return found == m_sceneSchedulers.end() ? nullptr : found->value;
}

void SceneManager::attachSceneScheduler(SceneNode* scene) {
    if (CUpdateScheduler* scheduler = getSceneSchedulerOf(scene)) {
        scheduler->setEnabled(true);
        scene->setSceneScheduler(scheduler);
        return;
    }
    CEngine* engine = getEngine();
    // Without an engine the scene still gets a scheduler for its states, but
    // nothing drives it unless the application updates it.
    CUpdateScheduler* scheduler = engine ? engine->createScheduler() : new CUpdateScheduler;
    if (!scheduler)
        return;
    if (engine)
        static_cast<void>(engine->addListener(scheduler, SceneSchedulerPriority));
    m_sceneSchedulers.insert(scene, scheduler);
    scene->setSceneScheduler(scheduler);
}

void SceneManager::releaseSceneScheduler(SceneNode* scene) {
    auto found = m_sceneSchedulers.find(scene);
    if (found == m_sceneSchedulers.end())
        return;
    CUpdateScheduler* scheduler = found->value;
    m_sceneSchedulers.erase(found);
    if (scene->getSceneScheduler() == scheduler)
        scene->setSceneScheduler(nullptr);
    if (m_engine)
        m_engine->removeListener(scheduler);
    scheduler->release();
}

void SceneManager::setSceneSchedulerEnabled(const SceneNode* scene, bool enabled) {
    if (CUpdateScheduler* scheduler = getSceneSchedulerOf(scene))
        scheduler->setEnabled(enabled);
}

void SceneManager::closeListedScenes() {
    CArray<CRefHandle<BaseNode>> scenes = std::move(m_scenesToClose);
    m_scenesToClose.clear();
    for (const CRefHandle<BaseNode>& node : scenes) {
        SceneNode* scene = nodeCast<SceneNode>(node.get());
        // A scene taken back onto the stack since it was listed stays.
        if (scene && scene == m_currentScene)
            continue;
        // One that the other half of its change still names (it left faster
        // than the scene below came back) waits for that half to end.
        if (scene && isInTransition(scene)) {
            m_scenesToClose.push_back(node);
            continue;
        }
        // Leaving the tree tells this manager (onSceneLeft), which takes the
        // scheduler back and mends the scene-below links. A scene the
        // application already took off the stack was forgotten then.
        BaseNode* parent = node->getParent();
        if (parent && (parent == this || node->getSceneManager<BaseNode>() == this))
            static_cast<void>(parent->removeChild(node.get()));
    }
}

// ---------------------------------------------------------------------------
// Scenes leaving the stack

void SceneManager::onSceneLeft(SceneNode* scene) {
    if (!scene)
        return;
    const bool tracked = scene == m_currentScene || isInTransition(scene) || getSceneSchedulerOf(scene);
    if (m_currentScene == scene)
        m_currentScene = nullptr;
    dropTransitionsOf(scene);
    releaseSceneScheduler(scene);
    // Scenes that rested on it now rest on what it rested on.
    SceneNode* below = scene->getSceneBelow();
    const auto mend = [scene, below](SceneNode* other) {
        if (other && other != scene && other->getSceneBelow() == scene)
            other->setSceneBelow(below);
    };
    for (auto& entry : m_sceneSchedulers)
        mend(entry.key);
    for (BaseNode* child : getChildren())
        mend(nodeCast<SceneNode>(child));
    if (tracked)
        scene->setSceneBelow(nullptr);
}

void SceneManager::dropTransitionsOf(const SceneNode* scene) {
    CArray<Transition> kept;
    for (const Transition& record : m_transitions) {
        // The scene's own half goes; the other scene's half of the same
        // change stays and ends as usual, without the departed scene.
        if (record.owner() == scene)
            continue;
        Transition other = record;
        if (other.fromScene == scene)
            other.fromScene = nullptr;
        if (other.toScene == scene)
            other.toScene = nullptr;
        kept.push_back(other);
    }
    m_transitions = std::move(kept);
}

// ---------------------------------------------------------------------------
// Scene changes

int64_t SceneManager::findTransition(const SceneNode* scene) const {
    if (!scene)
        return -1;
    for (uint32_t i = 0; i < m_transitions.size(); ++i)
        if (m_transitions[i].fromScene == scene || m_transitions[i].toScene == scene)
            return i;
    return -1;
}

int64_t SceneManager::findHalf(const SceneNode* scene) const {
    if (!scene)
        return -1;
    for (uint32_t i = 0; i < m_transitions.size(); ++i)
        if (m_transitions[i].owner() == scene)
            return i;
    return -1;
}

bool SceneManager::isInTransition(const SceneNode* scene) const { return findTransition(scene) >= 0; }

bool SceneManager::canStack(const SceneNode* scene, const BaseNode* parent) const {
    const BaseNode* target = parent ? parent : this;
    if (target != scene && !scene->isAncestorOf(target))
        return true;
    CLog::instance()->log(CString("Can't stack a scene inside itself: ") + scene->getName().str(), CLog::Warning);
    return false;
}

void SceneManager::stackScene(SceneNode* scene, BaseNode* parent, BaseNode* after) {
    const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);
    // Out of its old place, and without old links, first: leaving tells this
    // manager, which would otherwise take back the scheduler made below.
    if (scene->getParent())
        scene->setParent(nullptr);
    else if (scene->getSceneManager<BaseNode>() || scene->getOwnerScene<BaseNode>())
        scene->setSceneManager(nullptr, nullptr);
    for (uint32_t i = m_scenesToClose.size(); i-- > 0;)
        if (m_scenesToClose[i] == scene)
            m_scenesToClose.erase(i);
    attachSceneScheduler(scene);
    if (!parent)
        parent = this;
    if (after)
        parent->insertChild(scene, after);
    else
        parent->addChild(scene);
    // This manager's own children took its links on the way in
    // (passLinksToChild); a scene put beside one elsewhere gets them now.
    if (parent != this)
        scene->setSceneManager(this, scene);
}

bool SceneManager::setScene(SceneNode* scene, CName enterState) {
    if (scene && (isInTransition(scene) || !canStack(scene, this)))
        return false;
    if (enterState.empty())
        enterState = transitionStates().navTo;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);
    for (const CRefHandle<BaseNode>& child : childSnapshot(this)) {
        m_scenesToClose.push_back(child);
        if (SceneNode* old = nodeCast<SceneNode>(child.get())) {
            const CRefHandle<CEventSceneChange> change(new CEventSceneChange(old, nullptr, true));
            old->handleEvent(change.get());
            const CRefHandle<CEventSceneChangeStarted> started(new CEventSceneChangeStarted(old, nullptr, true));
            old->handleEvent(started.get());
        }
    }
    m_transitions.clear();
    m_currentScene = nullptr;
    if (!scene)
        return true;

    stackScene(scene, this, nullptr);
    scene->setFocused(false);
    announceManager(scene);
    const CRefHandle<CEventSceneChange> change(new CEventSceneChange(nullptr, scene, true));
    scene->handleEvent(change.get());
    const CRefHandle<CEventSceneChangeStarted> started(new CEventSceneChangeStarted(nullptr, scene, true));
    sendOrBubble(scene, started.get());

    m_currentScene = scene;
    m_transitions.push_back(Transition{nullptr, CName(), scene, enterState, true, false, false});
    scene->applyStateRecursive(enterState, nullptr);
    return true;
}

bool SceneManager::navigateTo(SceneNode* from, SceneNode* to, CName leaveState, CName enterState, bool keepVisible) {
    if (!to || to == from || isInTransition(to))
        return false;
    // Stacking a scene over one that already rests on it would close the
    // scene-below links into a circle.
    if (isBelow(from, to)) {
        CLog::instance()->log(CString("Can't navigate to a scene below the one being left: ") + to->getName().str(),
                              CLog::Warning);
        return false;
    }
    BaseNode* parent = from ? from->getParent() : nullptr;
    if (!canStack(to, parent))
        return false;
    if (leaveState.empty())
        leaveState = transitionStates().navFrom;
    if (enterState.empty())
        enterState = transitionStates().navTo;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<SceneNode> keepFrom = CRefHandle<SceneNode>::share(from);
    const CRefHandle<SceneNode> keepTo = CRefHandle<SceneNode>::share(to);

    // A scene left while its own change still runs: the running halves end
    // at once (stopped states report as finished).
    if (const int64_t index = findTransition(from); index >= 0) {
        const Transition running = m_transitions[uint32_t(index)];
        const CRefHandle<SceneNode> keepOther = CRefHandle<SceneNode>::share(running.fromScene);
        from->stopStateOnChildren(running.fromScene == from ? running.fromState : running.toState);
        if (running.toScene == from && running.fromScene)
            running.fromScene->stopStateOnChildren(running.fromState);
    }

    const CRefHandle<CEventSceneChange> change(new CEventSceneChange(from, to, true));
    const CRefHandle<CEventSceneChangeStarted> started(new CEventSceneChangeStarted(from, to, true));
    if (from) {
        from->setFocused(false);
        from->handleEvent(change.get());
        sendOrBubble(from, started.get());
    }
    // Moving a scene that is already current (appended without a from
    // scene) keeps it current.
    const bool wasCurrent = m_currentScene == to;
    stackScene(to, parent, parent ? from : nullptr);
    to->setSceneBelow(from);
    to->setFocused(false);
    announceManager(to);
    to->handleEvent(change.get());
    sendOrBubble(to, started.get());

    if (from || wasCurrent)
        m_currentScene = to;
    m_transitions.push_back(Transition{from, leaveState, to, enterState, true, keepVisible, false});
    if (from) {
        m_transitions.push_back(Transition{from, leaveState, to, enterState, true, keepVisible, true});
        from->applyStateRecursive(leaveState, nullptr);
    }
    to->applyStateRecursive(enterState, nullptr);
    return true;
}

bool SceneManager::navigateBack(SceneNode* from, SceneNode* to, CName leaveState, CName enterState) {
    if (!from || !to || isInTransition(from) || isInTransition(to) || !isBelow(from, to))
        return false;
    if (leaveState.empty())
        leaveState = transitionStates().navBackFrom;
    if (enterState.empty())
        enterState = transitionStates().navBackTo;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<SceneNode> keepFrom = CRefHandle<SceneNode>::share(from);
    const CRefHandle<SceneNode> keepTo = CRefHandle<SceneNode>::share(to);

    forEachSceneBelow(from, [&](SceneNode* scene) {
        if (scene == to)
            return false;
        m_scenesToClose.push_back(CRefHandle<BaseNode>::share(scene));
        return true;
    });
    from->setSceneBelow(to);
    from->setFocused(false);
    to->setFocused(false);
    to->setVisible(true);
    setSceneSchedulerEnabled(to, true);

    const bool closingBox = isMessageBox(from);
    if (!closingBox) {
        const CRefHandle<CEventSceneChange> change(new CEventSceneChange(from, to, false));
        from->handleEvent(change.get());
        to->handleEvent(change.get());
        const CRefHandle<CEventSceneChangeStarted> started(new CEventSceneChangeStarted(from, to, false));
        sendOrBubble(from, started.get());
        sendOrBubble(to, started.get());
    }

    m_currentScene = to;
    m_transitions.push_back(Transition{from, leaveState, to, enterState, false, false, true});
    if (!closingBox)
        m_transitions.push_back(Transition{from, leaveState, to, enterState, false, false, false});
    from->applyStateRecursive(leaveState, nullptr);
    if (!closingBox)
        to->applyStateRecursive(enterState, nullptr);
    return true;
}

SceneNode* SceneManager::showMessageBox(SceneNode* scene, CName templateName, const CArray<CStringW>& buttonTexts,
                                        const CStringW& title, const CStringW& body) {
    if (!scene || isInTransition(scene))
        return nullptr;
    BaseNode* boxTemplate = m_templateCollection ? m_templateCollection->findTemplate(templateName) : nullptr;
    if (!boxTemplate)
        return nullptr;
    static const CStringW className(u"MessageBoxNode");
    const CRefHandle<BaseNode> created = CNodeFactory::getShared()->createNode(className, CObjectName());
    if (!created)
        return nullptr;
    SceneNode* box = nodeCast<SceneNode>(created.get());
    IMessageBox* messageBox = dynamic_cast<IMessageBox*>(created.get());
    if (!isMessageBox(box) || !messageBox) {
        CLog::instance()->log(CStringW(u"Not a message box class: ") + className, CLog::Error);
        return nullptr;
    }
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);
    box->setBounds(boxTemplate->getBounds());
    box->setTemplateName(templateName);
    messageBox->setButtonTexts(buttonTexts);
    messageBox->setTitle(title);
    messageBox->setBody(body);
    const CVector3d& position = scene->getPosition();
    const CVector3d& sceneBounds = scene->getBounds();
    const CVector3d& boxBounds = box->getBounds();
    box->setPosition(CVector3d(position.x + (sceneBounds.x - boxBounds.x) * 0.5f,
                               position.y + (sceneBounds.y - boxBounds.y) * 0.5f, position.z));

    scene->setFocused(false);
    BaseNode* parent = scene->getParent();
    stackScene(box, parent, parent ? scene : nullptr);
    box->setSceneBelow(scene);
    box->setFocused(false);
    announceManager(box);

    const CName enterState = transitionStates().navTo;
    m_currentScene = box;
    m_transitions.push_back(Transition{scene, CName(), box, enterState, true, true, false});
    box->applyStateRecursive(enterState, nullptr);
    return box;
}

bool SceneManager::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    SceneNode* scene = nodeCast<SceneNode>(event->getNode());
    if (!scene || scene->getSceneManager<BaseNode>() != this)
        return false;
    const int64_t index = findHalf(scene);
    if (index < 0)
        return false;
    const Transition record = m_transitions[uint32_t(index)];
    if (event->getStateId() != (record.leaving ? record.fromState : record.toState))
        return false;
    m_transitions.eraseSwapLast(uint32_t(index));
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);

    if (!record.leaving) {
        queueNew<CEventSceneChangeFinished>(scene, HandleThenParent, record.fromScene, record.toScene, record.keep);
        scene->setFocused(true);
        queueMouseMoveAtCursor(scene);
        return false;
    }

    if (isMessageBox(scene)) {
        const IMessageBox* messageBox = dynamic_cast<const IMessageBox*>(scene);
        queueNew<CEventMessageBoxClosed>(record.toScene, HandleOnly, messageBox ? messageBox->getResult() : 0);
    } else {
        queueNew<CEventSceneChangeFinished>(scene, HandleThenParent, record.fromScene, record.toScene, record.keep);
    }
    if (!record.keep) {
        m_scenesToClose.push_back(CRefHandle<BaseNode>::share(scene));
    } else if (record.keepVisible) {
        scene->setVisible(true);
    } else {
        scene->setVisible(false);
        setSceneSchedulerEnabled(scene, false);
        forEachSceneBelow(scene, [this](SceneNode* below) {
            below->setVisible(false);
            setSceneSchedulerEnabled(below, false);
            return true;
        });
    }
    return false;
}

void SceneManager::queueMouseMoveAtCursor(SceneNode* scene) {
    CEngine* engine = getEngine();
    ICursorControl* cursor = engine ? engine->getCursorControl() : nullptr;
    if (!cursor)
        return;
    const CVector2di position = cursor->getPosition();
    queueNew<CEventMouseMove>(scene, ChildrenThenHandle, position.x, position.y);
}

void SceneManager::setTemplateCollection(TemplateCollectionNode* collection) {
    m_templateCollection = CRefHandle<TemplateCollectionNode>::share(collection);
    if (!collection)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    // Straight to the scenes: a nested manager passes no 42 coming from the
    // tree around it, but its own collection is its scenes' business.
    const CRefHandle<CEventTemplatesChanged> changed(new CEventTemplatesChanged(collection));
    routeToScenes(ChildrenThenHandle, changed.get());
}

// ---------------------------------------------------------------------------
// Drawing

void SceneManager::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    list.push_back(CRenderItem{this, 0, getDepth()});
}

void SceneManager::render(IGraphicsDriver* driver, const CRect* clip) { renderScenes(driver, clip); }

void SceneManager::renderScenes(IGraphicsDriver* driver, const CRect* clip) {
    if (!driver)
        return;
    refreshDirtyTransformAndColor();
    for (BaseNode* scene : getChildren())
        scene->registerForRendering(m_renderList);
    if (m_depthSorting)
        m_renderSorter.sort(m_renderList);
    CQuadBatch* batch = driver->quadBatch();
    if (batch) {
        batch->flush();
        batch->begin();
    }
    for (CRenderItem& item : m_renderList) {
        if (clip)
            item.clip = clip;
        item.node->render(driver, item.clip);
    }
    if (batch)
        batch->end();
    // Emptied but not freed: the list is filled again every frame.
    while (!m_renderList.empty())
        m_renderList.pop_back();
}
