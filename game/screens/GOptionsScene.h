#pragma once

#include "game/app/GBaseSceneNode.h"

class ButtonNode;
class CEventKeyDown;
class CProfileParameters;
class SliderNode;

// The current player's settings: sound and music volume on two sliders, and
// six on/off switches (sounds, music, full screen, system cursor, tutorial,
// wide layout). Every change is written into the player's profile, saved at
// once and put into effect through the game object's settings appliers.
// A switch keeps its value in its look: the green template is on, the red
// one off. Without a current player the screen shows the file's controls
// and changes nothing.
class GOptionsScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2007;

    GOptionsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void onLoaded() override;
    // Alt+Enter (the game object switches the mode on it) refreshes the
    // full-screen switch, which stays on where no window is allowed.
    bool onKeyDown(CEventKeyDown* event) override;
    // Esc and Enter go back.
    bool onKeyUp(CEventKeyUp* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onControlClicked(CEvent* event) override;
    bool onControlValueChanged(CEvent* event) override;

    // Gives a switch the look of `on` (nothing for null).
    static void setSwitchLook(ButtonNode* button, bool on);
    // Whether a switch shows on (false for null).
    [[nodiscard]] static bool isOn(const ButtonNode* button);
    // On: the system's arrow cursor; off: the game's cursor image.
    void applyWindowsCursor(bool on);

    [[nodiscard]] SliderNode* getSoundSlider() const { return m_soundSlider; }
    [[nodiscard]] SliderNode* getMusicSlider() const { return m_musicSlider; }
    [[nodiscard]] ButtonNode* getMuteSoundButton() const { return m_muteSoundButton; }
    [[nodiscard]] ButtonNode* getMuteMusicButton() const { return m_muteMusicButton; }
    [[nodiscard]] ButtonNode* getFullscreenButton() const { return m_fullscreenButton; }
    [[nodiscard]] ButtonNode* getCursorButton() const { return m_cursorButton; }
    [[nodiscard]] ButtonNode* getTutorialButton() const { return m_tutorialButton; }
    [[nodiscard]] ButtonNode* getAutoWideButton() const { return m_autoWideButton; }

protected:
    ~GOptionsScene() override = default;

private:
    // Back to the scene below: with the slide transitions over the main menu.
    void goBack();
    // The current player's profile, or null.
    [[nodiscard]] static CProfileParameters* player();
    // Saves the player's profile; a failure is logged.
    static void save(CProfileParameters* profile);
    // Whether the desktop is tall enough for a window.
    [[nodiscard]] static bool windowAllowed();
    void showWarning(const char16_t* textKey);
    void showFullScreen(const CProfileParameters* profile);

    SliderNode* m_soundSlider = nullptr;
    SliderNode* m_musicSlider = nullptr;
    ButtonNode* m_muteSoundButton = nullptr;
    ButtonNode* m_muteMusicButton = nullptr;
    ButtonNode* m_fullscreenButton = nullptr;
    ButtonNode* m_cursorButton = nullptr;
    ButtonNode* m_tutorialButton = nullptr;
    ButtonNode* m_autoWideButton = nullptr;
};
