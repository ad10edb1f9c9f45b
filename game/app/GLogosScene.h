#pragma once

#include "engine/core/CVector2d.h"
#include "game/app/GBaseSceneNode.h"

class SpriteNode;
class CEventMouseLeftDown;

// Where a logo picture goes on the 1024 x 768 screen.
struct GLogoLayout {
    CVector2d position;
    CVector2d size;
    uint32_t stretchMode = 2;
};

// A stretched picture is scaled to fit the screen keeping its aspect ratio
// and centred; any other is centred in a slot of `slotSize` at its own size.
[[nodiscard]] GLogoLayout logoLayout(const CVector2d& pictureSize, bool stretched, const CVector2d& slotSize);

// The first screen: registers the game classes, loads the dictionary and the
// window title, then shows the logos of the game object's list one after the
// other, cross-fading between two slots ("Scene/Logo1" and "Scene/Logo2"),
// and opens the loading screen for the main menu. Esc or a left click ends a
// skippable logo.
class GLogosScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2002;
    static constexpr int32_t RectangleTypeId = 2038;

    GLogosScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    void onLoaded() override;

    // Left presses go to onMousePress and no further.
    bool routeToChildren(int phase, CEvent* event) override;

    bool onKeyUp(CEventKeyUp* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    // Ends a skippable logo; always handled.
    virtual bool onMousePress(CEventMouseLeftDown* event);

    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Loads "strings/Dictionary.xml" into the engine's dictionary, sets the
    // window caption and the thousands delimiter from it.
    static void loadDictionaryAndTitle();

    [[nodiscard]] int32_t getRemaining() const { return m_remaining; }
    [[nodiscard]] bool isSkippable() const { return m_skippable; }
    [[nodiscard]] bool isFinished() const { return m_finished; }

protected:
    ~GLogosScene() override = default;

private:
    void showNextLogo();
    void swapCopy();
    void skip();

    bool m_skippable = false;
    int32_t m_remaining = 0;
    BaseNode* m_firstSlot = nullptr;
    BaseNode* m_secondSlot = nullptr;
    BaseNode* m_firstBg = nullptr;
    BaseNode* m_secondBg = nullptr;
    SpriteNode* m_firstLogo = nullptr;
    SpriteNode* m_secondLogo = nullptr;
    bool m_finished = false;
};
