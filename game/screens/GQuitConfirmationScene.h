#pragma once

#include "game/app/GBaseSceneNode.h"

class TextNode;

// Asks whether the player really wants to quit, over the screen the player is
// on. Yes (or Enter) closes the game; No (or Esc) goes back, the screen below
// entering without a transition. With a level being played below, the
// question warns that the level's progress is lost.
class GQuitConfirmationScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2021;
    static constexpr int32_t GamePlaySceneTypeId = 2016;

    GQuitConfirmationScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    bool onKeyUp(CEventKeyUp* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onControlClicked(CEvent* event) override;

protected:
    ~GQuitConfirmationScene() override = default;

private:
    void answerNo();
    static void answerYes();

    TextNode* m_infoText = nullptr;
};
