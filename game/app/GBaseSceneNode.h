#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CScheduledObject.h"
#include "engine/scene/SceneNode.h"

#include <cstdint>

class CEventKeyUp;
class CEventSceneChangeFinished;
class CEventSceneChangeStarted;

// Which loading the loading screen runs (GIntroScene).
enum GIntroMode : int32_t {
    IntroMainMenu = 0,
    IntroMap = 1,
    IntroLevel = 2,
    IntroHeadquarters = 3,
    IntroComics = 4,
    // A comic pushed over the current screen, which stays below it.
    IntroComicsOver = 5,
};

// The base of every game screen: one virtual operation per event a screen
// cares about (each answers true when it took the event), the button sounds,
// the screen-ratio state, back navigation on Esc and Enter, a 30 ms update
// while the screen is shown, content kept alive as long as the screen, and
// the jump to the loading screen.
class GBaseSceneNode : public SceneNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2000;
    static constexpr uint32_t UpdateIntervalMs = 30;

    GBaseSceneNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || SceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    bool onKeyUp(CEventKeyUp* event) override;
    virtual bool onApplicationClose(CEvent* event);
    virtual bool onWindowFocus(CEvent* event);
    virtual bool onMessageBoxResult(CEvent* event);
    virtual bool onNavigationStarted(CEventSceneChangeStarted* event);
    virtual bool onNavigationFinished(CEventSceneChangeFinished* event);
    virtual bool onTabSwitchStarted(CEvent* event);
    virtual bool onTabSwitchFinished(CEvent* event);
    virtual bool onControlClickStarted(CEvent* event);
    virtual bool onControlClicked(CEvent* event);
    virtual bool onControlHovered(CEvent* event);
    virtual bool onControlUnhovered(CEvent* event);
    virtual bool onControlFocused(CEvent* event);
    virtual bool onControlUnfocused(CEvent* event);
    virtual bool onControlValueChanged(CEvent* event);
    virtual bool onListItemChosen(CEvent* event);
    virtual bool onListItemHovered(CEvent* event);
    virtual bool onListItemUnhovered(CEvent* event);
    virtual bool onVideoDriverCreated(CEvent* event);

    // Adds the focused time while the screen has focus; stays registered.
    // Screens with their own update call this first.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Opens the loading screen in `mode` with `name` (the comic of modes 4
    // and 5). Mode 5 pushes it over the top screen (`flag` keeps the screen
    // below visible); the others replace every screen. False, changing
    // nothing, when "scenes/IntroScene.mscn" is missing or not a loading
    // screen.
    bool goToIntro(int32_t mode, const CStringW& name, int32_t flag);
    // Keeps `object` alive (one reference) as long as the screen; null is
    // ignored.
    void retain(CRefCounted* object);
    [[nodiscard]] uint32_t getRetainedCount() const { return m_retained.size(); }

    // The screen-ratio state of the screen the game is shown on.
    [[nodiscard]] static CName getRatioStateName();
    // The screen-ratio state for a screen of `width` x `height` pixels.
    [[nodiscard]] static CName ratioStateName(int32_t width, int32_t height);

    [[nodiscard]] uint32_t getFocusedTime() const { return m_focusedTime; }
    [[nodiscard]] bool isBackOnEsc() const { return m_backOnEsc; }
    void setBackOnEsc(bool on) { m_backOnEsc = on; }

protected:
    ~GBaseSceneNode() override;

    // Plays a sound cue of the engine's cue manager, not unique, with the
    // group's fade-in.
    static void playCue(CName cue);
    // True when `event` is a scene change whose shown screen is this one.
    [[nodiscard]] bool isShownBy(const CEvent* event) const;

    CArray<CRefCounted*> m_retained;
    uint32_t m_focusedTime = 0;
    bool m_backOnEsc = false;
};

// The milliseconds a player is given to read a text of `characters`
// characters without speech: whole blocks of 14 characters, a second each.
[[nodiscard]] int32_t textReadingTime(int32_t characters);
