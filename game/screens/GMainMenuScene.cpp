#include "game/screens/GMainMenuScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"

namespace {

const CName kNavFromSlide("NavFromSlide");

} // namespace

GMainMenuScene::GMainMenuScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GMainMenuScene::create(const CObjectName& name) { return new GMainMenuScene(name, nullptr, nullptr); }

const CStringW& GMainMenuScene::getTypeName() const {
    static const CStringW name(u"GMainMenuScene");
    return name;
}

const CStringW& GMainMenuScene::getClassName() const { return GMainMenuScene::getTypeName(); }

BaseNode* GMainMenuScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GMainMenuScene>(parent, sceneManager);
}

void GMainMenuScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GMainMenuScene::onLoaded() {
    GBaseSceneNode::onLoaded();
    m_buttonsNode = findChild(CName("Buttons"), 1);
    if (m_buttonsNode)
        m_butterfly = m_buttonsNode->findChild(CName("Butterfly"), 1);
    m_sceneBubble = findChild(CName("Scene_bubl"), 1);
    if (m_sceneBubble) {
        BaseNode* text = m_sceneBubble->findChild(CName("WelcomeText"), 1);
        m_welcomeText = text && text->isKindOf(TextNode::TypeId) ? static_cast<TextNode*>(text) : nullptr;
    }
    if (BaseNode* bgScene = findChild(CName("BgScene"), 1)) {
        m_gertruda = bgScene->findChild(CName("Gertruda"), 3);
        m_activeBg = bgScene->findChild(CName("ActiveBg"), 1);
    }
    if (m_activeBg) {
        BaseNode* back = m_activeBg->findChild(CName("BackButton"), 1);
        if (back && back->isKindOf(ControlNode::TypeId)) {
            m_backButton = static_cast<ControlNode*>(back);
            m_backButton->setVisible(false);
        }
        m_clipNode = m_activeBg->findChild(CName("ClipNode"), 1);
    }
}

bool GMainMenuScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    return isShownBy(event);
}

bool GMainMenuScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    const CName name = control->getName();
    if (name == CName("QuitButton")) {
        open(u"scenes/QuitConfirmationScene.mscn", CName("NoTransTo"));
    } else if (name == CName("ChangePlayerButton")) {
        open(u"scenes/SelectPlayerScene.mscn", kNavFromSlide);
    } else if (name == CName("CreditsButton")) {
        open(u"scenes/CreditsScene.mscn", kNavFromSlide);
    } else if (name == CName("OptionsButton")) {
        open(u"scenes/OptionsScene.mscn", kNavFromSlide, CName("NavToSlide"));
    } else if (name == CName("AchievementsButton")) {
        open(u"scenes/AchievementsScene.mscn", kNavFromSlide);
    } else if (name == CName("NewGameButton")) {
        CEngine* engine = findEngineInstance();
        CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
        const CProfileParameters* player = profiles ? profiles->getActiveProfile() : nullptr;
        if (player && player->getBool("PlayFirstComics"))
            (void)goToIntro(IntroComics, CStringW(u"scenes/Comics/episode1/ComicsScene.mscn"), 0);
        else
            (void)goToIntro(IntroMap, CStringW(), 0);
    } else {
        return false;
    }
    return true;
}

bool GMainMenuScene::onKeyUp(CEventKeyUp* event) {
    if (event->getKeyCode() != 27)
        return false;
    open(u"scenes/QuitConfirmationScene.mscn", CName("NoTransTo"));
    return true;
}

void GMainMenuScene::open(const char16_t* path, CName leaveState, CName enterState) {
    (void)navigateToFile(CStringW(path), true, leaveState, enterState);
}
