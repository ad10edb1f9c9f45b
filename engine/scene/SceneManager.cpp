#include "engine/scene/SceneManager.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CLog.h"
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

CArray<CRefHandle<BaseNode>> childSnapshot(const BaseNode* node) {
    CArray<CRefHandle<BaseNode>> children;
    for (BaseNode* child : node->getChildren())
        children.push_back(CRefHandle<BaseNode>::share(child));
    return children;
}

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

} // namespace

SceneManager::SceneManager(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setMask(getMask() | ManagerMask);
}

SceneManager::~SceneManager() {
    m_queue.clear();
    CMap<const BaseNode*, CUpdateScheduler*> schedulers = std::move(m_sceneSchedulers);
    m_sceneSchedulers.clear();
    for (BaseNode* child : getChildren())
        if (SceneNode* scene = nodeCast<SceneNode>(child))
            scene->setSceneScheduler(nullptr);
    for (auto& entry : schedulers) {
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
    if (!m_engine)
        m_engine = CRefHandle<CEngine>::share(getEngineInstance());
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

void SceneManager::sendOrBubble(SceneNode* scene, CEvent* event) {
    if (!scene->handleEvent(event))
        scene->routeToParent(HandleThenParent, event);
}

void SceneManager::announceManager(SceneNode* scene) {
    CEventManagerAttached* attached = new CEventManagerAttached(this);
    if (!scene->handleEvent(attached))
        scene->routeToChildren(HandleThenChildren, attached);
    attached->release();
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

void SceneManager::attachSceneScheduler(SceneNode* scene) {
    auto found = m_sceneSchedulers.find(scene);
    if (found != m_sceneSchedulers.end()) {
        found->value->setEnabled(true);
        scene->setSceneScheduler(found->value);
        return;
    }
    CEngine* engine = getEngine();
    CUpdateScheduler* scheduler = engine ? engine->createScheduler() : new CUpdateScheduler;
    if (!scheduler)
        return;
    if (engine)
        static_cast<void>(engine->addListener(scheduler, SceneSchedulerPriority));
    m_sceneSchedulers.insert(scene, scheduler);
    scene->setSceneScheduler(scheduler);
}

void SceneManager::releaseSceneScheduler(BaseNode* scene) {
    auto found = m_sceneSchedulers.find(scene);
    if (found == m_sceneSchedulers.end())
        return;
    CUpdateScheduler* scheduler = found->value;
    m_sceneSchedulers.erase(found);
    SceneNode* sceneNode = nodeCast<SceneNode>(scene);
    if (sceneNode && sceneNode->getSceneScheduler() == scheduler)
        sceneNode->setSceneScheduler(nullptr);
    if (m_engine)
        m_engine->removeListener(scheduler);
    scheduler->release();
}

void SceneManager::setSceneSchedulerEnabled(const SceneNode* scene, bool enabled) {
    auto found = m_sceneSchedulers.find(scene);
    if (found != m_sceneSchedulers.end())
        found->value->setEnabled(enabled);
}

CUpdateScheduler* SceneManager::getSceneSchedulerOf(const SceneNode* scene) const {
    auto found = m_sceneSchedulers.find(scene);
    return found == m_sceneSchedulers.end() ? nullptr : found->value;
}

void SceneManager::closeListedScenes() {
    CArray<CRefHandle<BaseNode>> scenes = std::move(m_scenesToClose);
    m_scenesToClose.clear();
    for (const CRefHandle<BaseNode>& node : scenes) {
        SceneNode* scene = nodeCast<SceneNode>(node.get());
        // A scene taken back onto the stack since it was listed stays.
        if (scene && (scene == m_currentScene || isInTransition(scene)))
            continue;
        releaseSceneScheduler(node.get());
        if (scene) {
            // Scenes that rested on the closed one now rest on what it rested on.
            for (const CRefHandle<BaseNode>& child : childSnapshot(this))
                if (SceneNode* other = nodeCast<SceneNode>(child.get()); other && other->getSceneBelow() == scene)
                    other->setSceneBelow(scene->getSceneBelow());
        }
        // A scene the application already took off the stack is left alone.
        BaseNode* parent = node->getParent();
        if (parent && (parent == this || node->getSceneManager<BaseNode>() == this))
            static_cast<void>(parent->removeChild(node.get()));
    }
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

bool SceneManager::isInTransition(const SceneNode* scene) const { return findTransition(scene) >= 0; }

bool SceneManager::setScene(SceneNode* scene, CName enterState) {
    if (scene && isInTransition(scene))
        return false;
    if (enterState.empty())
        enterState = transitionStates().navTo;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);
    for (const CRefHandle<BaseNode>& child : childSnapshot(this)) {
        m_scenesToClose.push_back(child);
        if (SceneNode* old = nodeCast<SceneNode>(child.get())) {
            CEventSceneChange* change = new CEventSceneChange(old, nullptr, true);
            old->handleEvent(change);
            change->release();
            CEventSceneChangeStarted* started = new CEventSceneChangeStarted(old, nullptr, true);
            old->handleEvent(started);
            started->release();
        }
    }
    m_transitions.clear();
    m_currentScene = nullptr;
    if (!scene)
        return true;

    attachSceneScheduler(scene);
    addChild(scene);
    scene->setSceneManager(this, scene);
    scene->setFocused(false);
    announceManager(scene);
    CEventSceneChange* change = new CEventSceneChange(nullptr, scene, true);
    scene->handleEvent(change);
    change->release();
    CEventSceneChangeStarted* started = new CEventSceneChangeStarted(nullptr, scene, true);
    sendOrBubble(scene, started);
    started->release();

    m_currentScene = scene;
    m_transitions.push_back(Transition{nullptr, CName(), scene, enterState, true, false});
    scene->applyStateRecursive(enterState, nullptr);
    return true;
}

bool SceneManager::navigateTo(SceneNode* from, SceneNode* to, CName leaveState, CName enterState, bool keepVisible) {
    if (!to || to == from || isInTransition(to))
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

    CEventSceneChange* change = new CEventSceneChange(from, to, true);
    CEventSceneChangeStarted* started = new CEventSceneChangeStarted(from, to, true);
    if (from) {
        from->setFocused(false);
        from->handleEvent(change);
        sendOrBubble(from, started);
    }
    attachSceneScheduler(to);
    to->setSceneBelow(from);
    if (BaseNode* parent = from ? from->getParent() : nullptr)
        parent->insertChild(to, from);
    else
        addChild(to);
    to->setFocused(false);
    to->setSceneManager(this, to);
    announceManager(to);
    to->handleEvent(change);
    sendOrBubble(to, started);
    change->release();
    started->release();

    if (from)
        m_currentScene = to;
    const Transition record{from, leaveState, to, enterState, true, keepVisible};
    m_transitions.push_back(record);
    if (from) {
        m_transitions.push_back(record);
        from->applyStateRecursive(leaveState, nullptr);
    }
    to->applyStateRecursive(enterState, nullptr);
    return true;
}

bool SceneManager::navigateBack(SceneNode* from, SceneNode* to, CName leaveState, CName enterState) {
    if (!from || !to || isInTransition(from) || isInTransition(to))
        return false;
    bool below = false;
    forEachSceneBelow(from, [&](SceneNode* scene) {
        below = scene == to;
        return !below;
    });
    if (!below)
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
        CEventSceneChange* change = new CEventSceneChange(from, to, false);
        from->handleEvent(change);
        to->handleEvent(change);
        change->release();
        CEventSceneChangeStarted* started = new CEventSceneChangeStarted(from, to, false);
        sendOrBubble(from, started);
        sendOrBubble(to, started);
        started->release();
    }

    m_currentScene = to;
    const Transition record{from, leaveState, to, enterState, false, false};
    m_transitions.push_back(record);
    if (!closingBox)
        m_transitions.push_back(record);
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
    attachSceneScheduler(box);
    box->setSceneBelow(scene);
    if (BaseNode* parent = scene->getParent())
        parent->insertChild(box, scene);
    else
        addChild(box);
    box->setFocused(false);
    box->setSceneManager(this, box);
    announceManager(box);

    const CName enterState = transitionStates().navTo;
    m_currentScene = box;
    m_transitions.push_back(Transition{scene, CName(), box, enterState, true, true});
    box->applyStateRecursive(enterState, nullptr);
    return box;
}

bool SceneManager::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    SceneNode* scene = nodeCast<SceneNode>(event->getNode());
    if (!scene || scene->getSceneManager<BaseNode>() != this)
        return false;
    const int64_t index = findTransition(scene);
    if (index < 0)
        return false;
    const Transition record = m_transitions[uint32_t(index)];
    const bool leaving = record.fromScene == scene;
    if (event->getStateId() != (leaving ? record.fromState : record.toState))
        return false;
    m_transitions.eraseSwapLast(uint32_t(index));
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CRefHandle<SceneNode> keepScene = CRefHandle<SceneNode>::share(scene);

    if (!leaving) {
        CEventSceneChangeFinished* finished =
            new CEventSceneChangeFinished(record.fromScene, record.toScene, record.keep);
        queueEvent(scene, HandleThenParent, finished);
        finished->release();
        scene->setFocused(true);
        queueMouseMoveAtCursor(scene);
        return false;
    }

    if (isMessageBox(scene)) {
        const IMessageBox* messageBox = dynamic_cast<const IMessageBox*>(scene);
        CEventMessageBoxClosed* closed = new CEventMessageBoxClosed(messageBox ? messageBox->getResult() : 0);
        queueEvent(record.toScene, HandleOnly, closed);
        closed->release();
    } else {
        CEventSceneChangeFinished* finished =
            new CEventSceneChangeFinished(record.fromScene, record.toScene, record.keep);
        queueEvent(scene, HandleThenParent, finished);
        finished->release();
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
    CEngine* engine = m_engine ? m_engine.get() : getEngine();
    ICursorControl* cursor = engine ? engine->getCursorControl() : nullptr;
    if (!cursor)
        return;
    const CVector2di position = cursor->getPosition();
    CEventMouseMove* move = new CEventMouseMove(position.x, position.y);
    queueEvent(scene, ChildrenThenHandle, move);
    move->release();
}

void SceneManager::setTemplateCollection(TemplateCollectionNode* collection) {
    m_templateCollection = CRefHandle<TemplateCollectionNode>::share(collection);
    if (!collection)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    // Straight to the scenes: a nested manager passes no 42 coming from the
    // tree around it, but its own collection is its scenes' business.
    CEventTemplatesChanged* changed = new CEventTemplatesChanged(collection);
    routeToScenes(ChildrenThenHandle, changed);
    changed->release();
}

// ---------------------------------------------------------------------------
// Drawing

void SceneManager::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    if (isTransformDirty())
        updateAbsoluteTransformation();
    if (isColorDirty())
        updateAbsoluteColor();
    list.push_back(CRenderItem{this, 0, getDepth()});
}

void SceneManager::render(IGraphicsDriver* driver, int32_t) { renderScenes(driver); }

void SceneManager::renderScenes(IGraphicsDriver* driver) {
    if (!driver)
        return;
    if (isTransformDirty())
        updateAbsoluteTransformation();
    if (isColorDirty())
        updateAbsoluteColor();
    for (BaseNode* scene : getChildren())
        scene->registerForRendering(m_renderList);
    if (m_depthSorting)
        sortRenderList(m_renderList);
    CQuadBatch* batch = driver->quadBatch();
    if (batch) {
        batch->flush();
        batch->begin();
    }
    for (const CRenderItem& item : m_renderList)
        item.node->render(driver, 0);
    if (batch)
        batch->end();
    // Emptied but not freed: the list is filled again every frame.
    while (!m_renderList.empty())
        m_renderList.pop_back();
}
