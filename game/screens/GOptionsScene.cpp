#include "game/screens/GOptionsScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CDisplayModeList.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CLog.h"
#include "engine/core/ICursorControl.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/nodes/SliderNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "game/app/GGameApplication.h"
#include "game/app/GScreenLayout.h"
#include "game/app/GSoundCues.h"
#include "game/screens/GMainMenuScene.h"

namespace {

constexpr int32_t kEsc = 27;
constexpr int32_t kEnter = 13;

const CName& onTemplate() {
    static const CName name("Options_OnOffButtonGreen");
    return name;
}

template <class T> T* findIn(BaseNode* parent, const char* name) {
    BaseNode* node = parent->findChild(CName(name), 1);
    return node && node->isKindOf(T::TypeId) ? static_cast<T*>(node) : nullptr;
}

} // namespace

GOptionsScene::GOptionsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GOptionsScene::create(const CObjectName& name) { return new GOptionsScene(name, nullptr, nullptr); }

const CStringW& GOptionsScene::getTypeName() const {
    static const CStringW name(u"GOptionsScene");
    return name;
}

const CStringW& GOptionsScene::getClassName() const { return GOptionsScene::getTypeName(); }

BaseNode* GOptionsScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GOptionsScene>(parent, sceneManager);
}

void GOptionsScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GOptionsScene::onLoaded() {
    GBaseSceneNode::onLoaded();
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (!scene)
        return;
    m_soundSlider = findIn<SliderNode>(scene, "SoundSlider");
    m_musicSlider = findIn<SliderNode>(scene, "MusicSlider");
    m_muteSoundButton = findIn<ButtonNode>(scene, "MuteSoundButton");
    m_muteMusicButton = findIn<ButtonNode>(scene, "MuteMusicButton");
    m_fullscreenButton = findIn<ButtonNode>(scene, "FullscreenButton");
    m_cursorButton = findIn<ButtonNode>(scene, "CursorButton");
    m_tutorialButton = findIn<ButtonNode>(scene, "TutorialButton");
    m_autoWideButton = findIn<ButtonNode>(scene, "AutoWideButton");
}

void GOptionsScene::setSwitchLook(ButtonNode* button, bool on) {
    if (!button)
        return;
    button->setTemplateName(on ? onTemplate() : CName("Options_OnOffButtonRed"));
    button->setText(CStringW(on ? u"%Options_On%" : u"%Options_Off%"));
}

bool GOptionsScene::isOn(const ButtonNode* button) { return button && button->getTemplateName() == onTemplate(); }

CProfileParameters* GOptionsScene::player() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

void GOptionsScene::save(CProfileParameters* profile) {
    if (!profile->save())
        CLog::instance()->log("Can't save the player's options", CLog::Warning);
}

bool GOptionsScene::windowAllowed() {
    CEngine* engine = findEngineInstance();
    const CDisplayModeList* modes = engine ? engine->getDisplayModes() : nullptr;
    return modes && desktopAllowsWindow(modes->desktopMode().height);
}

bool GOptionsScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    if (!isShownBy(event))
        return false;
    const CProfileParameters* profile = player();
    if (!profile)
        return true;
    showFullScreen(profile);
    setSwitchLook(m_cursorButton, profile->getBool("WindowsCursor"));
    if (m_soundSlider)
        m_soundSlider->setValue(profile->getFloat("SoundVolume"));
    if (m_musicSlider)
        m_musicSlider->setValue(profile->getFloat("MusicVolume"));
    setSwitchLook(m_muteSoundButton, profile->getBool("SoundOn"));
    setSwitchLook(m_muteMusicButton, profile->getBool("MusicOn"));
    setSwitchLook(m_tutorialButton, profile->getBool("ShowTutorialOn"));
    setSwitchLook(m_autoWideButton, profile->getBool("AutoWideMode"));
    return true;
}

bool GOptionsScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    if (control->getName() == CName("BackButton")) {
        goBack();
        return true;
    }
    CProfileParameters* profile = player();
    GGameApplication* game = GGameApplication::instance();
    if (!profile || !game)
        return false;
    ButtonNode* button = control == m_muteSoundButton    ? m_muteSoundButton
                         : control == m_muteMusicButton  ? m_muteMusicButton
                         : control == m_fullscreenButton ? m_fullscreenButton
                         : control == m_cursorButton     ? m_cursorButton
                         : control == m_tutorialButton   ? m_tutorialButton
                         : control == m_autoWideButton   ? m_autoWideButton
                                                         : nullptr;
    if (!button)
        return false;
    const bool on = !isOn(button);
    if (button == m_fullscreenButton) {
        if (on || windowAllowed()) {
            setSwitchLook(button, on);
            game->setFullScreen(on);
        } else {
            showWarning(u"%Options_CantGoWindow%");
        }
        return false;
    }
    setSwitchLook(button, on);
    if (button == m_muteSoundButton) {
        profile->setBool("SoundOn", on);
        save(profile);
        game->applySoundSettings(false);
        if (on)
            playCue(soundCueName(GSoundCue::ButtonClick));
    } else if (button == m_muteMusicButton) {
        profile->setBool("MusicOn", on);
        save(profile);
        game->applySoundSettings(false);
    } else if (button == m_cursorButton) {
        profile->setBool("WindowsCursor", on);
        save(profile);
        applyWindowsCursor(on);
    } else if (button == m_tutorialButton) {
        profile->setBool("ShowTutorialOn", on);
        save(profile);
        // Opened over a level (through the in-game menu), the level's
        // tutorial only starts when the level is played again.
        const SceneNode* below = getSceneBelow();
        const SceneNode* twoBelow = below ? below->getSceneBelow() : nullptr;
        if (on && twoBelow && twoBelow->isKindOf(GGameApplication::GamePlaySceneTypeId))
            showWarning(u"%WarningTutorialRestart%");
    } else {
        profile->setBool("AutoWideMode", on);
        save(profile);
        game->applyAutoWideMode();
    }
    return false;
}

bool GOptionsScene::onControlValueChanged(CEvent* event) {
    if (GBaseSceneNode::onControlValueChanged(event))
        return true;
    const ControlNode* sender = static_cast<CEventValueChanged*>(event)->getSender();
    CProfileParameters* profile = player();
    if (!sender || !profile)
        return false;
    if (sender == m_soundSlider)
        profile->setFloat("SoundVolume", m_soundSlider->getValue());
    else if (sender == m_musicSlider)
        profile->setFloat("MusicVolume", m_musicSlider->getValue());
    else
        return false;
    save(profile);
    if (GGameApplication* game = GGameApplication::instance())
        game->applySoundSettings(false);
    playCue(soundCueName(GSoundCue::SoundVolumeChange));
    return false;
}

void GOptionsScene::applyWindowsCursor(bool on) {
    CEngine* engine = findEngineInstance();
    ICursorControl* cursor = engine ? engine->getCursorControl() : nullptr;
    if (!cursor)
        return;
    if (on)
        cursor->setImage(nullptr, 0, 0);
    else if (GGameApplication* game = GGameApplication::instance())
        game->applyCursor();
}

bool GOptionsScene::onKeyDown(CEventKeyDown* event) {
    if (GBaseSceneNode::onKeyDown(event))
        return true;
    if (event->getKeyCode() != kEnter || !event->isAlt())
        return false;
    if (const CProfileParameters* profile = player())
        showFullScreen(profile);
    return true;
}

bool GOptionsScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    // Enter released with Alt held ends the full-screen switch, not the screen.
    const int32_t key = event->getKeyCode();
    if (key != kEsc && (key != kEnter || event->isAlt()))
        return false;
    goBack();
    return true;
}

void GOptionsScene::goBack() {
    const SceneNode* below = getSceneBelow();
    if (below && below->isKindOf(GMainMenuScene::TypeId))
        (void)navigateBack(0, CName("NavBackFromSlide"), CName("NavBackToSlide"));
    else
        (void)navigateBack(0);
}

void GOptionsScene::showFullScreen(const CProfileParameters* profile) {
    // On a desktop too low for a window the game always plays full-screen,
    // whatever the profile says.
    setSwitchLook(m_fullscreenButton, !windowAllowed() || profile->getBool("FullScreen"));
}

void GOptionsScene::showWarning(const char16_t* textKey) {
    CArray<CStringW> buttons;
    buttons.push_back(CStringW(u"%OkBtn%"));
    (void)showMessageBox(CName("MessageBox1Button"), buttons, CStringW(u"%Warning%"), CStringW(textKey));
}
