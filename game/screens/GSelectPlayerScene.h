#pragma once

#include "engine/core/CArray.h"
#include "game/app/GBaseSceneNode.h"

#include <cstdint>

class ControlNode;
class ListNode;
class SpriteNode;

// The list of the players kept on this machine: shows the picture of the one
// selected, makes the chosen one the current player and puts that player's
// settings into effect, and opens the naming screen or deletes a player
// after asking. Without any player the screen cannot be left.
class GSelectPlayerScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2005;
    static constexpr uint32_t MaxProfiles = 10;

    GSelectPlayerScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);
    // Makes the player at `index` the current one (saved, its sound and
    // video settings applied, its name in the dictionary); false when there
    // is no such player. `saved` tells whether the players were saved.
    static bool makeCurrentPlayer(int32_t index, bool& saved);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    void onLoaded() override;
    bool onKeyUp(CEventKeyUp* event) override;
    bool onMessageBoxResult(CEvent* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onControlClicked(CEvent* event) override;
    bool onListItemChosen(CEvent* event) override;
    // The list's selection moved (arrow keys): the picture follows.
    virtual bool onListSelectionChanged(CEvent* event);

    // One list item per player, in the store's order; with `selectCurrent`
    // the current player is selected and scrolled into view.
    void fillList(bool selectCurrent);
    // Shows the selected player's picture ("Pic1" for picture 0), or "Hide".
    void updatePlayerPicture();
    // Makes the selected player current, saves, applies the player's sound
    // and video settings and goes back. Stays when no player is current.
    void confirmSelection();

    [[nodiscard]] ListNode* getPlayersList() const { return m_playersList; }
    [[nodiscard]] SpriteNode* getPlayerPicture() const { return m_playerPicture; }
    [[nodiscard]] ControlNode* getOkButton() const { return m_okButton; }
    [[nodiscard]] ControlNode* getNewPlayerButton() const { return m_newPlayerButton; }
    [[nodiscard]] ControlNode* getDeletePlayerButton() const { return m_deletePlayerButton; }

protected:
    ~GSelectPlayerScene() override = default;

private:
    // The selected list item when it names a player, else -1.
    [[nodiscard]] int32_t selectedProfile() const;
    // OK, New and Delete enabled as the player count allows.
    void updateButtons();

    int32_t m_knownProfileCount = 0;
    ListNode* m_playersList = nullptr;
    SpriteNode* m_playerPicture = nullptr;
    ControlNode* m_okButton = nullptr;
    ControlNode* m_newPlayerButton = nullptr;
    ControlNode* m_deletePlayerButton = nullptr;
    CArray<int32_t> m_pictureIndices;
};
