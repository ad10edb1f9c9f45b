#include "game/screens/GSelectPlayerScene.h"

#include "engine/content/CDictionary.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"
#include "game/app/GGameApplication.h"

#include <algorithm>

namespace {

constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyEsc = 27;

CProfileManager* profileManager() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getProfileManager() : nullptr;
}

uint32_t profileCount() {
    const CProfileManager* profiles = profileManager();
    return profiles ? profiles->getProfileCount() : 0;
}

template <class T> T* childOfKind(const BaseNode* parent, const char* name) {
    return nodeCast<T>(parent->findChild(CName(name), 1));
}

void setEnabledIf(ControlNode* control, bool enabled) {
    if (control)
        control->setEnabled(enabled);
}

} // namespace

GSelectPlayerScene::GSelectPlayerScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GSelectPlayerScene::create(const CObjectName& name) { return new GSelectPlayerScene(name, nullptr, nullptr); }

const CStringW& GSelectPlayerScene::getTypeName() const {
    static const CStringW name(u"GSelectPlayerScene");
    return name;
}

const CStringW& GSelectPlayerScene::getClassName() const { return GSelectPlayerScene::getTypeName(); }

BaseNode* GSelectPlayerScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GSelectPlayerScene>(parent, sceneManager);
}

void GSelectPlayerScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

const CEventHandlerTable& GSelectPlayerScene::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GSelectPlayerScene::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(GBaseSceneNode::handlerTable());
        t.add<&GSelectPlayerScene::onListSelectionChanged>(CEventListSelectionChanged::TypeId);
        return t;
    }();
    return table;
}

void GSelectPlayerScene::onLoaded() {
    GBaseSceneNode::onLoaded();
    const BaseNode* scene = findChild(CName("Scene"), 1);
    if (!scene)
        return;
    m_playersList = childOfKind<ListNode>(scene, "PlayersList");
    m_playerPicture = childOfKind<SpriteNode>(scene, "PlayerPicture");
    m_okButton = childOfKind<ControlNode>(scene, "OkButton");
    m_newPlayerButton = childOfKind<ControlNode>(scene, "NewPlayerButton");
    m_deletePlayerButton = childOfKind<ControlNode>(scene, "DeletePlayerButton");
}

// ---------------------------------------------------------------------------

void GSelectPlayerScene::fillList(bool selectCurrent) {
    if (!m_playersList)
        return;
    m_pictureIndices.clear();
    const CProfileManager* profiles = profileManager();
    const int32_t count = profiles ? int32_t(profiles->getProfileCount()) : 0;
    m_playersList->setItemsCount(count);
    for (int32_t i = 0; i < count; ++i) {
        const CProfileParameters* profile = profiles->getProfile(i);
        m_playersList->setItemText(i, 0, profile->getName());
        m_pictureIndices.push_back(profile->getInt("PlayerPicture"));
        if (selectCurrent && profile == profiles->getActiveProfile())
            m_playersList->setSelectedItem(i, true);
    }
    m_playersList->updateElements();
}

void GSelectPlayerScene::updatePlayerPicture() {
    if (!m_playersList || !m_playerPicture)
        return;
    const uint32_t selected = uint32_t(m_playersList->getSelectedItem());
    if (selected < m_pictureIndices.size())
        m_playerPicture->setState(CName(CString("Pic") + (m_pictureIndices[selected] + 1)), nullptr, CName());
    else
        m_playerPicture->setState(CName("Hide"), nullptr, CName());
}

int32_t GSelectPlayerScene::selectedProfile() const {
    if (!m_playersList)
        return -1;
    const int32_t selected = m_playersList->getSelectedItem();
    return selected >= 0 && uint32_t(selected) < profileCount() ? selected : -1;
}

void GSelectPlayerScene::updateButtons() {
    const uint32_t count = profileCount();
    setEnabledIf(m_okButton, count > 0);
    setEnabledIf(m_newPlayerButton, count < MaxProfiles);
    setEnabledIf(m_deletePlayerButton, count > 0);
}

bool GSelectPlayerScene::makeCurrentPlayer(int32_t index, bool& saved) {
    saved = false;
    CProfileManager* profiles = profileManager();
    if (!profiles)
        return false;
    // An index outside the list keeps the current player.
    (void)profiles->setActiveProfile(index);
    const CProfileParameters* player = profiles->getActiveProfile();
    if (!player)
        return false;
    saved = profiles->saveUserProfiles();
    if (GGameApplication* game = GGameApplication::instance()) {
        game->applySoundSettings(false);
        game->applyPlayerVideoSettings();
    }
    CEngineManagers::instance().getDictionary()->set(CString("user_name"), player->getName());
    return true;
}

void GSelectPlayerScene::confirmSelection() {
    bool saved = false;
    if (makeCurrentPlayer(m_playersList ? m_playersList->getSelectedItem() : 0, saved))
        (void)navigateBack(0, CName(), CName("NavBackToSlide"));
}

// ---------------------------------------------------------------------------
// Events

bool GSelectPlayerScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    if (event->getFromScene() == this) {
        m_knownProfileCount = int32_t(profileCount());
        return true;
    }
    if (!isShownBy(event))
        return false;
    const int32_t count = int32_t(profileCount());
    if (event->isForward()) {
        fillList(true);
        m_knownProfileCount = count;
    } else {
        fillList(false);
        // Back from the naming screen: the player just added is the last.
        // The list takes the focus first: its elements' focus changes would
        // hide the selection's look.
        if (m_playersList) {
            m_playersList->setFocused(true);
            if (count != m_knownProfileCount && count > 0)
                m_playersList->setSelectedItem(count - 1, true);
            m_playersList->updateElements();
        }
    }
    updateButtons();
    updatePlayerPicture();
    return true;
}

bool GSelectPlayerScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    const CName name = control->getName();
    if (name == CName("OkButton")) {
        confirmSelection();
    } else if (name == CName("NewPlayerButton")) {
        (void)navigateToFile(CStringW(u"scenes/SelectPlayerInputNameScene.mscn"), true);
    } else if (name == CName("DeletePlayerButton")) {
        // Nothing to ask about without a player selected.
        if (selectedProfile() < 0)
            return true;
        CArray<CStringW> buttons;
        buttons.push_back(CStringW(u"%Yes%"));
        buttons.push_back(CStringW(u"%No%"));
        (void)showMessageBox(CName("MessageBox2Buttons"), buttons, CStringW(), CStringW(u"%SelectPlayer_WantDelete%"));
    } else {
        return false;
    }
    return true;
}

bool GSelectPlayerScene::onListItemChosen(CEvent*) {
    updatePlayerPicture();
    return true;
}

bool GSelectPlayerScene::onListSelectionChanged(CEvent*) {
    updatePlayerPicture();
    return true;
}

bool GSelectPlayerScene::onMessageBoxResult(CEvent* event) {
    if (GBaseSceneNode::onMessageBoxResult(event))
        return true;
    if (static_cast<CEventMessageBoxClosed*>(event)->getResult() != 0)
        return true;
    CProfileManager* profiles = profileManager();
    const int32_t selected = selectedProfile();
    if (!profiles || selected < 0)
        return true;
    profiles->deleteProfile(selected);
    (void)profiles->saveUserProfiles();
    fillList(false);
    const int32_t left = int32_t(profiles->getProfileCount());
    if (left > 0) {
        m_playersList->setSelectedItem(std::min(selected, left - 1), true);
        m_playersList->updateElements();
    }
    updateButtons();
    updatePlayerPicture();
    return true;
}

bool GSelectPlayerScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    CProfileManager* profiles = profileManager();
    // The screen cannot be left before a player exists.
    if (!profiles || profiles->getProfileCount() == 0)
        return true;
    const int32_t key = event->getKeyCode();
    if (key == kKeyEsc) {
        if (!profiles->getActiveProfile()) {
            // Without a player to make current the screen stays.
            if (!profiles->setActiveProfile(selectedProfile()))
                return true;
            (void)profiles->saveUserProfiles();
        }
        (void)navigateBack(0, CName(), CName("NavBackToSlide"));
        return false;
    }
    if (key == kKeyEnter) {
        confirmSelection();
        return true;
    }
    return false;
}
