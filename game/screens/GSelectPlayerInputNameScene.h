#pragma once

#include "engine/core/CArray.h"
#include "game/app/GBaseSceneNode.h"

#include <cstdint>

class CheckBoxNode;
class ControlNode;
class EditNode;
class TabSceneNode;

// Makes a new player: a name typed into the edit field and a picture chosen
// on one of two pages (men, women). Each page keeps its own choice; the one
// stored is that of the page on show when the player confirms. A name that
// is empty or already a player's (letter case counts) is refused with a
// warning. The new player is saved; the player list below selects it, but
// the very first player is made current at once and the menu comes back.
class GSelectPlayerInputNameScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2006;

    GSelectPlayerInputNameScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    bool onControlValueChanged(CEvent* event) override;
    bool onMessageBoxResult(CEvent* event) override;

    // Shows each page's choice as chosen and the others as free, and takes
    // the choice of the page on show as the picture to store.
    void updatePictureStates();
    // Adds the player, saves and goes back; refused names show the warning.
    void confirmName();

    [[nodiscard]] EditNode* getNameEdit() const { return m_nameEdit; }
    [[nodiscard]] ControlNode* getOkButton() const { return m_okButton; }
    [[nodiscard]] TabSceneNode* getTabScene() const { return m_tabScene; }
    [[nodiscard]] const CArray<CheckBoxNode*>& getPictures() const { return m_pictures; }
    [[nodiscard]] int32_t getSelectedPicture() const { return m_selectedPicture; }

protected:
    ~GSelectPlayerInputNameScene() override = default;

private:
    // Appends the check boxes among the children of `holder` in `page`.
    void collectPictures(const BaseNode* page, const char* holder);
    void showNameWarning();
    // Back to the player list, or past it to the menu for the first player.
    void leave();

    EditNode* m_nameEdit = nullptr;
    ControlNode* m_okButton = nullptr;
    TabSceneNode* m_tabScene = nullptr;
    CArray<CheckBoxNode*> m_pictures;
    int32_t m_selectedPicture = 0;
    CheckBoxNode* m_manChoice = nullptr;
    CheckBoxNode* m_womanChoice = nullptr;
    // The choice just replaced on its page: it fades out once.
    CheckBoxNode* m_previousManChoice = nullptr;
    CheckBoxNode* m_previousWomanChoice = nullptr;
    // Scenes to go back past the player list once the player is added.
    int32_t m_backPastList = 0;
    // The player was added but could not be saved: the notice is on show.
    bool m_leaveAfterNotice = false;
};
