#include "game/app/GBetaMessageScene.h"

#include "engine/core/CEngine.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"

GBetaMessageScene::GBetaMessageScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GBetaMessageScene::create(const CObjectName& name) { return new GBetaMessageScene(name, nullptr, nullptr); }

const CStringW& GBetaMessageScene::getTypeName() const {
    static const CStringW name(u"GBetaMessageScene");
    return name;
}

const CStringW& GBetaMessageScene::getClassName() const { return GBetaMessageScene::getTypeName(); }

BaseNode* GBetaMessageScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GBetaMessageScene>(parent, sceneManager);
}

void GBetaMessageScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

bool GBetaMessageScene::onKeyUp(CEventKeyUp*) { return false; }

bool GBetaMessageScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    return isShownBy(event);
}

bool GBetaMessageScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control || control->getName() != CName("YesButton"))
        return false;
    if (CEngine* engine = findEngineInstance())
        engine->closeDevice();
    return true;
}
