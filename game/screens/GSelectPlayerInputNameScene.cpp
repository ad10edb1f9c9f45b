#include "game/screens/GSelectPlayerInputNameScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/EditNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"
#include "game/screens/GSelectPlayerScene.h"

namespace {

constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyEsc = 27;

// The page of the men's pictures; the women's is the other.
constexpr int32_t kMenPage = 0;
constexpr int32_t kWomenPage = 1;
// The choices made for a new player before any click.
constexpr uint32_t kDefaultManPicture = 1;
constexpr uint32_t kDefaultWomanPicture = 4;

CProfileManager* profileManager() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getProfileManager() : nullptr;
}

bool nameTaken(const CProfileManager& profiles, const CStringW& name) {
    for (uint32_t i = 0; i < profiles.getProfileCount(); ++i)
        if (profiles.getProfile(int(i))->getName() == name)
            return true;
    return false;
}

void choose(CheckBoxNode* picture, CName state) {
    picture->setChecked(true);
    // A chosen picture cannot be clicked again.
    picture->setEnabled(false);
    picture->applyStateRecursive(state, nullptr);
}

} // namespace

GSelectPlayerInputNameScene::GSelectPlayerInputNameScene(const CObjectName& contentName, BaseNode* parent,
                                                         BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GSelectPlayerInputNameScene::create(const CObjectName& name) {
    return new GSelectPlayerInputNameScene(name, nullptr, nullptr);
}

const CStringW& GSelectPlayerInputNameScene::getTypeName() const {
    static const CStringW name(u"GSelectPlayerInputNameScene");
    return name;
}

const CStringW& GSelectPlayerInputNameScene::getClassName() const { return GSelectPlayerInputNameScene::getTypeName(); }

BaseNode* GSelectPlayerInputNameScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GSelectPlayerInputNameScene>(parent, sceneManager);
}

void GSelectPlayerInputNameScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GSelectPlayerInputNameScene::onLoaded() {
    GBaseSceneNode::onLoaded();
    m_pictures.clear();
    const BaseNode* scene = findChild(CName("Scene"), 1);
    if (!scene)
        return;
    m_nameEdit = nodeCast<EditNode>(scene->findChild(CName("NameEdit"), 1));
    m_okButton = nodeCast<ControlNode>(scene->findChild(CName("OkButton"), 1));
    m_tabScene = nodeCast<TabSceneNode>(scene->findChild(CName("TabScene"), 1));
    if (!m_tabScene)
        return;
    // The women's page opens first.
    m_tabScene->setActiveTab(kWomenPage, true);
    collectPictures(m_tabScene->findChild(CName("Tab1"), 1), "ManButtons");
    collectPictures(m_tabScene->findChild(CName("Tab2"), 1), "WomanButtons");
}

void GSelectPlayerInputNameScene::collectPictures(const BaseNode* page, const char* holder) {
    const BaseNode* buttons = page ? page->findChild(CName(holder), 1) : nullptr;
    if (!buttons)
        return;
    for (BaseNode* child : buttons->getChildren()) {
        // Anything else placed among the pictures is no picture.
        CheckBoxNode* picture = nodeCast<CheckBoxNode>(child);
        if (!picture)
            continue;
        m_pictures.push_back(picture);
        picture->applyStateRecursive(CName("Disabled"), nullptr);
    }
}

// ---------------------------------------------------------------------------

void GSelectPlayerInputNameScene::updatePictureStates() {
    if (!m_tabScene || m_pictures.empty())
        return;
    const int32_t page = m_tabScene->getActiveTab();
    for (uint32_t i = 0; i < m_pictures.size(); ++i) {
        CheckBoxNode* picture = m_pictures[i];
        if (picture == m_manChoice || picture == m_womanChoice) {
            choose(picture, CName("SetActive"));
            if ((picture == m_manChoice) == (page == kMenPage))
                m_selectedPicture = int32_t(i);
            continue;
        }
        picture->setChecked(false);
        picture->setEnabled(true);
        if (picture == m_previousManChoice || picture == m_previousWomanChoice) {
            (picture == m_previousManChoice ? m_previousManChoice : m_previousWomanChoice) = nullptr;
            picture->applyStateRecursive(CName("SetDisabled"), nullptr);
        } else {
            picture->applyStateRecursive(CName("Disabled"), nullptr);
        }
    }
}

void GSelectPlayerInputNameScene::showNameWarning() {
    CArray<CStringW> buttons;
    buttons.push_back(CStringW(u"%OkBtn%"));
    (void)showMessageBox(CName("MessageBox1Button"), buttons, CStringW(u"%Warning%"),
                         CStringW(u"%ProfileNameWarning%"));
    if (m_nameEdit)
        m_nameEdit->setFocused(true);
}

void GSelectPlayerInputNameScene::confirmName() {
    CProfileManager* profiles = profileManager();
    const CStringW name = m_nameEdit ? m_nameEdit->getText() : CStringW();
    if (!profiles || name.empty() || nameTaken(*profiles, name)) {
        showNameWarning();
        return;
    }
    // A player the store refuses is not looked up by name: that could find
    // and change someone else.
    CProfileParameters* player = profiles->addProfile(name) ? profiles->findProfile(name) : nullptr;
    if (!player) {
        showNameWarning();
        return;
    }
    player->setInt("PlayerPicture", m_selectedPicture);
    // The very first player needs no choosing from a one-name list: it is
    // the player, and the game goes straight back to the menu.
    bool saved = false;
    m_backPastList = 0;
    if (!profiles->getActiveProfile() && profiles->getProfileCount() == 1 &&
        GSelectPlayerScene::makeCurrentPlayer(0, saved))
        m_backPastList = 1;
    else
        saved = profiles->saveUserProfiles();
    if (!saved) {
        // The player plays on, but is told that nothing will be kept.
        CArray<CStringW> buttons;
        buttons.push_back(CStringW(u"%OkBtn%"));
        m_leaveAfterNotice = showMessageBox(CName("MessageBox1Button"), buttons, CStringW(u"%Warning%"),
                                            CStringW(u"%ProfileSaveFailed%")) != nullptr;
        if (m_leaveAfterNotice)
            return;
    }
    leave();
}

void GSelectPlayerInputNameScene::leave() {
    if (m_backPastList > 0)
        (void)navigateBack(m_backPastList, CName(), CName("NavBackToSlide"));
    else
        (void)navigateBack(0);
}

// ---------------------------------------------------------------------------
// Events

bool GSelectPlayerInputNameScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    if (!isShownBy(event))
        return false;
    if (m_nameEdit)
        m_nameEdit->setText(CStringW());
    if (m_okButton)
        m_okButton->setEnabled(false);
    return true;
}

bool GSelectPlayerInputNameScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    if (GBaseSceneNode::onNavigationFinished(event))
        return true;
    if (event->getToScene() != this)
        return false;
    if (m_pictures.size() > kDefaultWomanPicture) {
        m_manChoice = m_pictures[kDefaultManPicture];
        m_womanChoice = m_pictures[kDefaultWomanPicture];
        choose(m_manChoice, CName("Active"));
        choose(m_womanChoice, CName("Active"));
    }
    updatePictureStates();
    // The player types the name straight away.
    if (m_nameEdit)
        m_nameEdit->setFocused(true);
    return true;
}

bool GSelectPlayerInputNameScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    const CName name = control->getName();
    if (name == CName("OkButton")) {
        confirmName();
        return true;
    }
    if (name == CName("CancelButton")) {
        (void)navigateBack(0);
        return true;
    }
    if (name == CName("Tab1Button") || name == CName("Tab2Button")) {
        // The tab scene has switched pages.
        updatePictureStates();
        return true;
    }
    CheckBoxNode* picture = nodeCast<CheckBoxNode>(control);
    if (!picture || !m_tabScene || m_pictures.indexOf(picture) < 0)
        return false;
    const bool menPage = m_tabScene->getActiveTab() == kMenPage;
    CheckBoxNode*& choice = menPage ? m_manChoice : m_womanChoice;
    if (picture != choice) {
        (menPage ? m_previousManChoice : m_previousWomanChoice) = choice;
        choice = picture;
        picture->setEnabled(false);
        updatePictureStates();
    }
    return true;
}

bool GSelectPlayerInputNameScene::onControlValueChanged(CEvent* event) {
    (void)GBaseSceneNode::onControlValueChanged(event);
    if (m_okButton)
        m_okButton->setEnabled(m_nameEdit && !m_nameEdit->getText().empty());
    return false;
}

bool GSelectPlayerInputNameScene::onMessageBoxResult(CEvent* event) {
    if (GBaseSceneNode::onMessageBoxResult(event))
        return true;
    if (!m_leaveAfterNotice)
        return false;
    m_leaveAfterNotice = false;
    leave();
    return true;
}

bool GSelectPlayerInputNameScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    const int32_t key = event->getKeyCode();
    if (key == kKeyEsc) {
        (void)navigateBack(0);
        return true;
    }
    if (key == kKeyEnter) {
        if (m_okButton && m_okButton->isEnabled())
            confirmName();
        return true;
    }
    return false;
}
