#include "game/screens/GQuitConfirmationScene.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"

GQuitConfirmationScene::GQuitConfirmationScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GQuitConfirmationScene::create(const CObjectName& name) {
    return new GQuitConfirmationScene(name, nullptr, nullptr);
}

const CStringW& GQuitConfirmationScene::getTypeName() const {
    static const CStringW name(u"GQuitConfirmationScene");
    return name;
}

const CStringW& GQuitConfirmationScene::getClassName() const { return GQuitConfirmationScene::getTypeName(); }

BaseNode* GQuitConfirmationScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GQuitConfirmationScene>(parent, sceneManager);
}

void GQuitConfirmationScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

bool GQuitConfirmationScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (scene && scene->isKindOf(SceneNode::TypeId)) {
        BaseNode* info = scene->findChild(CName("InfoText"), 1);
        m_infoText = info && info->isKindOf(TextNode::TypeId) ? static_cast<TextNode*>(info) : nullptr;
    }
    if (m_infoText) {
        bool levelBelow = false;
        for (SceneNode* below = getSceneBelow(); below && !levelBelow; below = below->getSceneBelow())
            levelBelow = below->isKindOf(GamePlaySceneTypeId);
        m_infoText->setText(CStringW(levelBelow ? u"%QuitConfirmationRemoveProgress%" : u"%QuitConfirmation%"));
    }
    return isShownBy(event);
}

bool GQuitConfirmationScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    if (control->getName() == CName("NoButton")) {
        answerNo();
        return true;
    }
    if (control->getName() == CName("YesButton")) {
        answerYes();
        return true;
    }
    return false;
}

bool GQuitConfirmationScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    if (event->getKeyCode() == 27) {
        answerNo();
        return true;
    }
    if (event->getKeyCode() == 13) {
        answerYes();
        return true;
    }
    return false;
}

void GQuitConfirmationScene::answerNo() { (void)navigateBack(0, CName(), CName("NoTransTo")); }

void GQuitConfirmationScene::answerYes() {
    if (CEngine* engine = findEngineInstance())
        engine->closeDevice();
}
