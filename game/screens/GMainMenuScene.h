#pragma once

#include "game/app/GBaseSceneNode.h"

class CEventDictionaryChanged;
class CEventNodeStateCompleted;
class ControlNode;
class TextNode;

// The front screen: greets the current player, opens the menu's screens over
// itself (it stays on the stack beneath them) and starts the game. Without a
// current player it opens the player list with the name entry on top, after a
// warning when the saved players were damaged. A credits panel rolls the final
// credits once after the last level; the character and the butterfly react to
// the cursor.
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
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;
    // The greeting follows a change of language.
    bool onDictionaryChanged(CEventDictionaryChanged* event) override;
    bool onKeyUp(CEventKeyUp* event) override;
    bool onMessageBoxResult(CEvent* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    bool onControlClicked(CEvent* event) override;
    bool onControlHovered(CEvent* event) override;

    // Hides the menu and shows the credits panel; its content rolls the
    // credits. The panel closes by its BackButton or when "Scrolling" of the
    // ClipNode has run out.
    void openCreditsPanel();
    void closeCreditsPanel();

    [[nodiscard]] BaseNode* getSceneBubble() const { return m_sceneBubble; }
    [[nodiscard]] TextNode* getWelcomeText() const { return m_welcomeText; }
    [[nodiscard]] BaseNode* getButtonsNode() const { return m_buttonsNode; }
    [[nodiscard]] ControlNode* getBackButton() const { return m_backButton; }
    [[nodiscard]] BaseNode* getClipNode() const { return m_clipNode; }
    [[nodiscard]] BaseNode* getActiveBg() const { return m_activeBg; }
    [[nodiscard]] BaseNode* getGertruda() const { return m_gertruda; }
    [[nodiscard]] BaseNode* getButterfly() const { return m_butterfly; }

protected:
    ~GMainMenuScene() override;

private:
    // Pushes the screen file `path` over the menu, which stays visible.
    void open(const char16_t* path, CName leaveState, CName enterState = CName());
    // The player list with the name entry on top of it.
    void openPlayerScenes();
    [[nodiscard]] BaseNode* findBgScene() const;
    // The greeting with the current player's name (none without a player).
    void refreshWelcomeText();
    // Listens to the ClipNode for the end of its credits (or stops).
    void watchClipNode(bool on);

    BaseNode* m_sceneBubble = nullptr;
    TextNode* m_welcomeText = nullptr;
    BaseNode* m_buttonsNode = nullptr;
    ControlNode* m_backButton = nullptr;
    BaseNode* m_clipNode = nullptr;
    BaseNode* m_activeBg = nullptr;
    BaseNode* m_gertruda = nullptr;
    BaseNode* m_butterfly = nullptr;
    bool m_watchingClipNode = false;
    // The town was dimmed for the damaged-profile warning, before the player
    // scenes open over it.
    bool m_dimmedForWarning = false;
};
