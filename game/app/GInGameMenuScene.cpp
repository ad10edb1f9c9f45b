#include "game/app/GInGameMenuScene.h"

#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/SceneManager.h"
#include "game/app/GGameApplication.h"

GInGameMenuScene::GInGameMenuScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {
    setBackOnEsc(true);
}

BaseNode* GInGameMenuScene::create(const CObjectName& name) { return new GInGameMenuScene(name, nullptr, nullptr); }

const CStringW& GInGameMenuScene::getTypeName() const {
    static const CStringW name(u"GInGameMenuScene");
    return name;
}

const CStringW& GInGameMenuScene::getClassName() const { return GInGameMenuScene::getTypeName(); }

BaseNode* GInGameMenuScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GInGameMenuScene>(parent, sceneManager);
}

void GInGameMenuScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

bool GInGameMenuScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    return isShownBy(event);
}

bool GInGameMenuScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    GBaseSceneNode::onNavigationFinished(event);
    return isShownBy(event);
}

bool GInGameMenuScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    const CName name = control->getName();
    // Every button is taken whatever the navigation answered.
    if (name == CName("ResumeButton")) {
        (void)navigateBack(0, CName("NavBackFrom"), CName("NavBackTo"));
    } else if (name == CName("RestartButton")) {
        // The old level goes before the loading screen loads it again.
        clearOverlayScenes();
        (void)navigateBack(1, CName("NavBackFrom"), CName("NavBackTo"));
    } else if (name == CName("OptionsButton")) {
        (void)navigateToFile(CStringW(u"scenes/OptionsScene.mscn"), true, CName("NavFrom"), CName("NavTo"));
    } else if (name == CName("MainMenuButton") || name == CName("ReturnToMapButton")) {
        m_pendingControl = control;
        CArray<CStringW> buttons;
        buttons.push_back(CStringW(u"%Yes%"));
        buttons.push_back(CStringW(u"%No%"));
        (void)showMessageBox(CName("MessageBox2Buttons"), buttons, CStringW(),
                             CStringW(u"%QuitConfirmationRemoveProgress%"));
    } else if (name == CName("ExitGameButton")) {
        (void)navigateToFile(CStringW(u"scenes/QuitConfirmationScene.mscn"), true, CName("NoTransTo"), CName("NavTo"));
    } else {
        return false;
    }
    return true;
}

bool GInGameMenuScene::onMessageBoxResult(CEvent* event) {
    if (GBaseSceneNode::onMessageBoxResult(event))
        return true;
    if (!m_pendingControl)
        return false;
    const CName pending = m_pendingControl->getName();
    m_pendingControl = nullptr;
    if (static_cast<CEventMessageBoxClosed*>(event)->getResult() == 0) {
        if (pending == CName("MainMenuButton")) {
            clearOverlayScenes();
            (void)goToIntro(IntroMainMenu, CStringW(), 0);
        } else if (pending == CName("ReturnToMapButton")) {
            // The loading screen clears the overlay scenes when it arrives.
            (void)goToIntro(IntroMap, CStringW(), 0);
        }
    }
    return true;
}

void GInGameMenuScene::clearOverlayScenes() {
    GGameApplication* game = GGameApplication::instance();
    SceneManager* overlay = game ? game->getOverlaySceneManager() : nullptr;
    if (!overlay)
        return;
    (void)overlay->setScene(nullptr);
    if (CUpdateScheduler* scheduler = overlay->getScheduler())
        scheduler->setEnabled(true);
}
