#include "game/app/GCreditsScene.h"

#include "engine/core/CEventKeyUp.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"

GCreditsScene::GCreditsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GCreditsScene::create(const CObjectName& name) { return new GCreditsScene(name, nullptr, nullptr); }

const CStringW& GCreditsScene::getTypeName() const {
    static const CStringW name(u"GCreditsScene");
    return name;
}

const CStringW& GCreditsScene::getClassName() const { return GCreditsScene::getTypeName(); }

BaseNode* GCreditsScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GCreditsScene>(parent, sceneManager);
}

void GCreditsScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

bool GCreditsScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    return isShownBy(event);
}

bool GCreditsScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    // The credits need no update of their own: the state does the scrolling.
    if (!isShownBy(event))
        return false;
    if (BaseNode* scene = findChild(CName("Scene"), 1))
        scene->applyStateRecursive(CName("Scrolling"), nullptr);
    return false;
}

bool GCreditsScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control || control->getName() != CName("BackButton"))
        return false;
    goBack();
    return true;
}

bool GCreditsScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    if (event->getKeyCode() != 27 && event->getKeyCode() != 13)
        return false;
    goBack();
    return true;
}

void GCreditsScene::goBack() { (void)navigateBack(0, CName("NavBackFrom"), CName("NavBackToSlide")); }
