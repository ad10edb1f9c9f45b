#include "engine/scene/SceneNode.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/SceneManager.h"

SceneNode::SceneNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {}

SceneNode::~SceneNode() = default;

const CStringW& SceneNode::getTypeName() const {
    static const CStringW name(u"SceneNode");
    return name;
}

const CStringW& SceneNode::getClassName() const { return SceneNode::getTypeName(); }

BaseNode* SceneNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<SceneNode>(parent, sceneManager);
}

void SceneNode::setSceneManager(BaseNode* sceneManager, BaseNode* ownerScene) {
    // Only a scene on a manager's stack holds that manager's scheduler, and
    // the manager clears it when it lets the scene go or dies: only then is
    // the old link known to name a live manager. It lets go first, taking
    // its scheduler back before the new links apply any DefaultState.
    BaseNode* previous = getSceneManager<BaseNode>();
    if (m_scheduler && previous != sceneManager)
        if (SceneManager* manager = nodeCast<SceneManager>(previous))
            manager->onSceneLeft(this);
    ControlNode::setSceneManager(sceneManager, ownerScene);
}

bool SceneNode::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    if (ControlNode::onAllChildrenFinished(event))
        return true;
    return routeToParent(HandleThenParent, event);
}

bool SceneNode::navigateTo(SceneNode* scene, bool keepVisible, CName leaveState, CName enterState) {
    SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    if (!manager || !scene)
        return false;
    return manager->navigateTo(manager->getCurrentScene(), scene, leaveState, enterState, keepVisible);
}

bool SceneNode::navigateBack(int32_t levels, CName leaveState, CName enterState) {
    SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    if (!manager)
        return false;
    SceneNode* target = m_sceneBelow;
    for (int32_t step = 0; step < levels && target && target->m_sceneBelow; ++step)
        target = target->m_sceneBelow;
    return manager->navigateBack(this, target, leaveState, enterState);
}

CRefHandle<SceneNode> SceneNode::navigateToFile(const CStringW& path, bool keepVisible, CName leaveState,
                                                CName enterState) {
    IContentManager* contentManager = getContentName().owner();
    if (path.empty() || !contentManager)
        return nullptr;
    IContent* content = contentManager->load(ContentTypeSceneNode, path, true);
    // The load's reference; the stack takes its own when it accepts the scene.
    CRefHandle<BaseNode> root(dynamic_cast<BaseNode*>(content));
    if (content && !root)
        content->release();
    SceneNode* scene = nodeCast<SceneNode>(root.get());
    if (!scene || !navigateTo(scene, keepVisible, leaveState, enterState))
        return nullptr;
    return CRefHandle<SceneNode>::share(scene);
}

SceneNode* SceneNode::showMessageBox(CName templateName, const CArray<CStringW>& buttonTexts, const CStringW& title,
                                     const CStringW& body) {
    SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    if (!manager)
        return nullptr;
    return manager->showMessageBox(this, templateName, buttonTexts, title, body);
}

void SceneNode::stopStateOnChildren(CName state) {
    CArray<CRefHandle<BaseNode>> nodes = childSnapshot(getTemplateRoot());
    for (const CRefHandle<BaseNode>& child : childSnapshot(this))
        nodes.push_back(child);
    for (const CRefHandle<BaseNode>& node : nodes)
        node->stopState(state, true);
}
