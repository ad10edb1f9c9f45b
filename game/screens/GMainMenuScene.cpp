#include "game/screens/GMainMenuScene.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/ICursorControl.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/Animator.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GDebugStatsScene.h"
#include "game/app/GGameApplication.h"
#include "game/app/GSoundCues.h"

namespace {

constexpr int32_t kKeyEsc = 27;
constexpr int32_t kKeyF1 = 0x70;
constexpr int32_t kKeyA = 0x41;

const CName& navFromSlide() {
    static const CName name("NavFromSlide");
    return name;
}

// The warning of a profile file that failed its check: damaged (what could
// be read is kept, with a copy of the file beside it), or there but not
// readable at all, with the system's reason.
CStringW profilesWarning(const CProfileManager& profiles) {
    const CStringW& problem = profiles.getUserFileProblem();
    if (problem.empty())
        return CStringW(u"%ProfilesDamaged%");
    CStringW body(u"%ProfilesUnreadable%\n(");
    // The reason is shown as it is: a '%' in it is no dictionary key.
    for (char16_t c : problem) {
        body += c;
        if (c == u'%')
            body += c;
    }
    return body + u")";
}

const CName& navBackToSlide() {
    static const CName name("NavBackToSlide");
    return name;
}

CProfileManager* profileManager() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getProfileManager() : nullptr;
}

CProfileParameters* currentPlayer() {
    CProfileManager* profiles = profileManager();
    return profiles ? profiles->getActiveProfile() : nullptr;
}

// True when `node` has a current state none of whose animation keys still runs.
bool currentStateFinished(const BaseNode* node) {
    const CNodeState* state = node->getCurrentState();
    if (!state)
        return false;
    for (const Animator* key : state->getKeys())
        if (key->getScheduler())
            return false;
    return true;
}

} // namespace

GMainMenuScene::GMainMenuScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

GMainMenuScene::~GMainMenuScene() { watchClipNode(false); }

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
    if (BaseNode* bgScene = findBgScene()) {
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

BaseNode* GMainMenuScene::findBgScene() const { return findChild(CName("BgScene"), 1); }

bool GMainMenuScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    if (!isShownBy(event))
        return false;
    GGameApplication* game = GGameApplication::instance();
    if (CContentManager* content = game ? game->getContentManager() : nullptr)
        content->purge();
    CEngine* engine = findEngineInstance();
    if (ICursorControl* cursor = engine ? engine->getCursorControl() : nullptr)
        cursor->setVisible(true);
    if (CSoundCueManager* cues = engine ? engine->getSoundCueManager() : nullptr)
        (void)cues->play(soundCueName(GSoundCue::MenuMusic), true, 0);

    refreshWelcomeText();
    CProfileParameters* player = currentPlayer();
    // The final credits roll once: the flag is cleared and saved before they
    // start, so that a crash on the way does not show them again.
    static const CString finalCredits("ShowFinalCredits");
    if (player && m_clipNode && player->getBool(finalCredits)) {
        player->setBool(finalCredits, false);
        (void)player->save();
        watchClipNode(true);
        openCreditsPanel();
    }
    return true;
}

void GMainMenuScene::refreshWelcomeText() {
    if (!m_welcomeText)
        return;
    const CProfileParameters* player = currentPlayer();
    // Nobody to greet before the first player is chosen.
    if (!player) {
        m_welcomeText->setText(CStringW());
        return;
    }
    const CStringW name = player->getName();
    m_welcomeText->setText(CEngineManagers::instance().getDictionary()->format(CString("MainMenu_WelcomeTxt"), name,
                                                                               CStringW(), CStringW(), CStringW()));
}

bool GMainMenuScene::onDictionaryChanged(CEventDictionaryChanged* event) {
    if (GBaseSceneNode::onDictionaryChanged(event))
        return true;
    refreshWelcomeText();
    return false;
}

bool GMainMenuScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    if (GBaseSceneNode::onNavigationFinished(event))
        return true;
    if (!isShownBy(event))
        return false;
    if (currentPlayer())
        return true;
    CProfileManager* profiles = profileManager();
    // Coming back (from the player list, say) the warning has been seen.
    if (event->isForward() && profiles && !profiles->isCheckValueValid()) {
        // The town dims and the buttons slide away as when the player
        // scenes open; they then open over it as it is.
        applyStateRecursive(navFromSlide(), nullptr);
        m_dimmedForWarning = true;
        CArray<CStringW> buttons;
        buttons.push_back(CStringW(u"%OkBtn%"));
        (void)showMessageBox(CName("MessageBox1Button"), buttons, CStringW(u"%Warning%"),
                             profilesWarning(*profiles));
    } else {
        openPlayerScenes();
    }
    return true;
}

bool GMainMenuScene::onMessageBoxResult(CEvent* event) {
    if (GBaseSceneNode::onMessageBoxResult(event))
        return true;
    if (static_cast<CEventMessageBoxClosed*>(event)->getResult() == 0) {
        // The players read from the damaged file are written back whole, so
        // the warning comes once; the damaged file stays beside as a copy.
        if (CProfileManager* profiles = profileManager(); profiles && !profiles->isCheckValueValid())
            (void)profiles->saveUserProfiles();
        openPlayerScenes();
    }
    return true;
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
        open(u"scenes/SelectPlayerScene.mscn", navFromSlide());
    } else if (name == CName("CreditsButton")) {
        open(u"scenes/CreditsScene.mscn", navFromSlide());
    } else if (name == CName("OptionsButton")) {
        open(u"scenes/OptionsScene.mscn", navFromSlide(), CName("NavToSlide"));
    } else if (name == CName("AchievementsButton")) {
        open(u"scenes/AchievementsScene.mscn", navFromSlide());
    } else if (name == CName("NewGameButton")) {
        const CProfileParameters* player = currentPlayer();
        if (player && player->getBool("PlayFirstComics"))
            (void)goToIntro(IntroComics, CStringW(u"scenes/Comics/episode1/ComicsScene.mscn"), 0);
        else
            (void)goToIntro(IntroMap, CStringW(), 0);
    } else if (name == CName("BackButton")) {
        closeCreditsPanel();
    } else {
        return false;
    }
    return true;
}

bool GMainMenuScene::onControlHovered(CEvent* event) {
    if (GBaseSceneNode::onControlHovered(event))
        return true;
    const BaseNode* node = static_cast<CEventHovered*>(event)->getOnNode();
    // A reaction still running plays on; it is not started again.
    if (node && node == m_gertruda && currentStateFinished(m_gertruda))
        m_gertruda->setState(CName("GertrudaHover"), nullptr, CName());
    else if (node && node == m_butterfly && currentStateFinished(m_butterfly))
        m_butterfly->setState(CName("Flying"), nullptr, CName());
    return false;
}

bool GMainMenuScene::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    if (m_clipNode && event->getNode() == m_clipNode && event->getStateId() == CName("Scrolling")) {
        closeCreditsPanel();
        return true;
    }
    return GBaseSceneNode::onAllChildrenFinished(event);
}

bool GMainMenuScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    const int32_t key = event->getKeyCode();
    if (key == kKeyEsc) {
        open(u"scenes/QuitConfirmationScene.mscn", CName("NoTransTo"));
        return true;
    }
    if (!GGameApplication::isDeveloperMode())
        return false;
    if (key == kKeyF1) {
        if (SceneManager* manager = getSceneManager()) {
            BaseNode* child = manager->findChild(CName("GDebugStatsScene"), 1);
            if (auto* stats = nodeCast<GDebugStatsScene>(child))
                stats->setBuildLineShown(!stats->isBuildLineShown());
        }
        return true;
    }
    if (key == kKeyA)
        openCreditsPanel();
    return false;
}

void GMainMenuScene::openCreditsPanel() {
    if (m_buttonsNode)
        m_buttonsNode->setVisible(false);
    if (m_gertruda)
        m_gertruda->setVisible(false);
    if (m_sceneBubble)
        m_sceneBubble->setVisible(false);
    if (BaseNode* bgScene = findBgScene())
        bgScene->setState(navFromSlide(), nullptr, CName());
    if (m_activeBg)
        m_activeBg->setState(CName("Appear"), nullptr, CName());
    if (m_backButton)
        m_backButton->setVisible(true);
}

void GMainMenuScene::closeCreditsPanel() {
    if (m_buttonsNode) {
        m_buttonsNode->setVisible(true);
        m_buttonsNode->setState(navBackToSlide(), nullptr, CName());
    }
    if (m_gertruda)
        m_gertruda->setVisible(true);
    if (m_sceneBubble) {
        m_sceneBubble->setVisible(true);
        m_sceneBubble->setState(navBackToSlide(), nullptr, CName());
    }
    if (m_activeBg)
        m_activeBg->setState(CName("Disappear"), nullptr, CName());
    if (BaseNode* bgScene = findBgScene())
        bgScene->setState(navBackToSlide(), nullptr, CName());
    // No longer listening, the rolled credits can be stopped where they are.
    watchClipNode(false);
    if (m_clipNode) {
        // A stopped state reports to its parent, whose handlers may change
        // the children.
        CArray<CRefHandle<BaseNode>> children;
        for (BaseNode* child : m_clipNode->getChildren())
            children.push_back(CRefHandle<BaseNode>::share(child));
        for (const CRefHandle<BaseNode>& child : children)
            child->stopStates(false);
    }
    if (m_backButton)
        m_backButton->setVisible(false);
}

void GMainMenuScene::watchClipNode(bool on) {
    if (!m_clipNode || on == m_watchingClipNode)
        return;
    if (on)
        m_clipNode->addPreHandler(this);
    else
        m_clipNode->removePreHandler(this);
    m_watchingClipNode = on;
}

void GMainMenuScene::openPlayerScenes() {
    // The town stays behind them, dimmed, as when the player list is opened
    // from the menu. Dimmed already behind the warning, it stays as it is:
    // no part of the menu has the state it leaves by then, so nothing moves.
    static const CName keepAsItIs("NavFromDimmed");
    open(u"scenes/SelectPlayerScene.mscn", m_dimmedForWarning ? keepAsItIs : navFromSlide());
    m_dimmedForWarning = false;
    open(u"scenes/SelectPlayerInputNameScene.mscn", CName());
}

void GMainMenuScene::open(const char16_t* path, CName leaveState, CName enterState) {
    (void)navigateToFile(CStringW(path), true, leaveState, enterState);
}
