#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "game/app/GBaseSceneNode.h"

class GMapLocationButton;
class GTutorialController;

// The map of levels between levels: one location button per level, opened
// step by step as levels are passed and marked with their ranks, the
// scenery settings revealed as the player advances, a hint over a hovered
// button, the one-time map tutorial, and the ways on to the chosen level,
// the main menu and the headquarters.
class GMapScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2012;
    static constexpr int32_t LevelCount = 48;
    static constexpr int32_t HintDelayMs = 500;
    // "FirstPassedLevelNum" once the map has shown the level passed.
    static constexpr int32_t FirstPassedConsumed = -10;

    GMapScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void onLoaded() override;
    bool onKeyUp(CEventKeyUp* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    bool onControlClicked(CEvent* event) override;
    bool onControlHovered(CEvent* event) override;
    bool onControlUnhovered(CEvent* event) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Shows each button by the player's progress, ranks and chosen level.
    void refreshLocationButtons();
    // Shows the level hint over `button`; null hides it.
    void showLevelHint(GMapLocationButton* button);
    void hideLevelHint();

    // The overlay of a setting whose first level lies after `threshold`:
    // shown plain while that level is still shut, hidden once it was opened
    // before, left as loaded when the level just passed opened it.
    static void prepareSettingOverlay(BaseNode* overlay, int32_t threshold, int32_t maxUnlocked, int32_t firstPassed);
    // Plays "Passed" on the overlay the level just passed opened.
    static void revealSettingOverlay(BaseNode* overlay, int32_t threshold, int32_t maxUnlocked, int32_t firstPassed);

    [[nodiscard]] const CArray<GMapLocationButton*>& getLocationButtons() const { return m_locationButtons; }
    [[nodiscard]] const CArray<BaseNode*>& getSettingOverlays() const { return m_settingOverlays; }
    [[nodiscard]] GTutorialController* getTutorial() const { return m_tutorial.get(); }
    [[nodiscard]] BaseNode* getLevelHint() const { return m_levelHint; }
    [[nodiscard]] int32_t getHintDelay() const { return m_hintDelay; }

protected:
    ~GMapScene() override;

private:
    // Unhooks the tutorial and ends its listening; its windows stay drawn.
    void silenceTutorial();
    // Unhooks, ends and releases the tutorial with its windows.
    void detachTutorial();
    // Calls `apply` on each setting overlay with its threshold.
    template <class Apply> void forEachSettingOverlay(Apply apply) const;
    void unlockNextLevel();

    CRefHandle<GTutorialController> m_tutorial;
    CString m_tutorialFlagName;
    CArray<GMapLocationButton*> m_locationButtons;
    BaseNode* m_settingsNode = nullptr;
    CArray<BaseNode*> m_settingOverlays;
    int32_t m_hintDelay = 0;
    GMapLocationButton* m_hoveredButton = nullptr;
    BaseNode* m_hintNode = nullptr;
    BaseNode* m_levelHint = nullptr;
    int32_t m_firstPassedLevel = FirstPassedConsumed;
};
