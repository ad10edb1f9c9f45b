#pragma once

#include "game/app/GBaseSceneNode.h"

class ControlNode;

// The pause menu of a level, over the play screen: resume (also Esc and
// Enter), restart the level, the options, the main menu or the map after a
// confirmation that the level's progress is lost, and quitting the game.
class GInGameMenuScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2020;

    GInGameMenuScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    bool onControlClicked(CEvent* event) override;
    bool onMessageBoxResult(CEvent* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;

    // The button waiting for the confirmation's answer; null when none.
    [[nodiscard]] const ControlNode* getPendingControl() const { return m_pendingControl; }

protected:
    ~GInGameMenuScene() override = default;

private:
    // Drops the level scene and lets the overlay manager run again.
    static void clearOverlayScenes();

    const ControlNode* m_pendingControl = nullptr;
};
