#pragma once

#include "game/app/GBaseSceneNode.h"

class ControlNode;
class TextNode;

// The front screen: the menu buttons open their screens over the menu, which
// stays on the stack beneath them; "NewGameButton" starts the game.
class GMainMenuScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2004;

    GMainMenuScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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

    [[nodiscard]] TextNode* getWelcomeText() const { return m_welcomeText; }
    [[nodiscard]] ControlNode* getBackButton() const { return m_backButton; }

protected:
    ~GMainMenuScene() override = default;

private:
    // Pushes the screen file `path` over the menu, which stays visible.
    void open(const char16_t* path, CName leaveState, CName enterState = CName());

    BaseNode* m_sceneBubble = nullptr;
    TextNode* m_welcomeText = nullptr;
    BaseNode* m_buttonsNode = nullptr;
    ControlNode* m_backButton = nullptr;
    BaseNode* m_clipNode = nullptr;
    BaseNode* m_activeBg = nullptr;
    BaseNode* m_gertruda = nullptr;
    BaseNode* m_butterfly = nullptr;
};
