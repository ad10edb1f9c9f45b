#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "game/app/GBaseSceneNode.h"
#include "game/app/ILevelResultScreen.h"

#include <cstdint>

class ButtonNode;
class GProgressBarWithCheckpointsNode;
class IGameLevel;
class LevelConfiguration;
class TextNode;

// The result of a finished level: the level's objectives groups are replayed
// on a time bar, each turning passed or failed as the bar passes its end,
// then the rank shows and OK leads on to a comic, the headquarters, the map
// or, after the last level, the main menu. A click on the screen makes the
// replay run twenty times faster.
class GLevelCompletedScene : public GBaseSceneNode, public ILevelResultScreen {
public:
    static constexpr int32_t TypeId = 2019;
    static constexpr int32_t DefaultBarTimeMs = 7000;
    static constexpr int32_t FastSpeed = 20;
    static constexpr int32_t LastLevelIndex = 47;

    GLevelCompletedScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    bool onControlClicked(CEvent* event) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Takes a reference to `levelScene` (it should answer IGameLevel) and
    // drops the one to the scene before.
    void setLevelScene(BaseNode* levelScene) override;
    // Leads on from the finished level by the player's progress.
    void continueAfterLevel();

    // Each group's share of the level's time, in order; equal shares when the
    // groups' times add up to nothing.
    [[nodiscard]] static CArray<float> groupFractions(const LevelConfiguration& configuration);
    // The rank text for `passed` groups out of `groups`: the good rank needs
    // half of them, rounded up.
    [[nodiscard]] static const char16_t* rankText(int32_t passed, int32_t groups);

    [[nodiscard]] const CArray<float>& getGroupEnds() const { return m_groupEnds; }
    [[nodiscard]] const CArray<uint8_t>& getGroupResults() const { return m_groupResults; }
    [[nodiscard]] int32_t getBarTime() const { return m_barTime; }
    [[nodiscard]] int32_t getElapsed() const { return m_elapsed; }
    [[nodiscard]] int32_t getPassed() const { return m_passed; }
    [[nodiscard]] int32_t getSpeed() const { return m_speed; }

protected:
    ~GLevelCompletedScene() override;

private:
    [[nodiscard]] IGameLevel* level() const;
    [[nodiscard]] int32_t groupCount() const;
    void showNextGroupResult();
    void setNumberText(int32_t passed);

    CArray<float> m_groupEnds;
    CArray<uint8_t> m_groupResults;
    int32_t m_barTime = DefaultBarTimeMs;
    int32_t m_elapsed = 0;
    int32_t m_nextGroup = 0;
    int32_t m_passed = 0;
    CRefHandle<BaseNode> m_levelScene;
    GProgressBarWithCheckpointsNode* m_timeBar = nullptr;
    BaseNode* m_sceneNode = nullptr;
    TextNode* m_titleText = nullptr;
    TextNode* m_numberText = nullptr;
    TextNode* m_rankText = nullptr;
    ButtonNode* m_okButton = nullptr;
    int32_t m_speed = 1;
};
