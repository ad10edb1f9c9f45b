#pragma once

#include "engine/core/CEventReceiver.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector3d.h"

#include <cstdint>

class BaseNode;
class ButtonNode;
class CContentManager;
class CEvent;
class CEventMouseMove;
class CEventSoundCueFinished;
class CXmlStreamReader;
class GTutorialHint;
class GTutorialHintList;
class ITutorialBuildings;
class SoundCue;
class TemplateCollectionNode;
class TextNode;

// Runs one tutorial file for the screen that owns it: shows the current hint
// in the two tutorial windows (cloned from the templates "TutorialWindow" and
// "TutorialWindowQuest") with arrows cloned from "TutorialArrowNew", voices
// its text, offers input and game messages to the hint's actions and moves
// on when one of them is done.
//
// The owner constructs it, loads a file, sets the modes, attaches it as a
// pre-handler to the receivers whose events the actions must see, starts it
// and calls update on every tick until update answers false; then it
// detaches, closes and releases it. While running it is also an engine
// listener (keyboard, mouse, node and sound events).
class GTutorialController : public CEventReceiver {
public:
    static constexpr uint32_t ReceiverMask = 0x6C;
    // Depth of the arrow layer above the scene.
    static constexpr float ArrowLayerDepth = 2000.0f;
    // Fade-out of a voice that is stopped.
    static constexpr int32_t VoiceFadeOutMs = 300;

    // Builds the windows and the arrow layer under `scene` when `scene` and
    // `templates` are given; without any window the controller has no hints
    // and ends at its first update. Holds a reference to `contentManager`.
    GTutorialController(BaseNode* scene, TemplateCollectionNode* templates, CContentManager* contentManager);

    // Reads the hints from the open reader (which the caller keeps), labels
    // the skip buttons and remembers where requests go (may be null).
    void load(CXmlStreamReader& reader, CEventReceiver* receiver);
    // Starts listening and shows the hint at `index` (or the next one not
    // passed over); an index at or past the end shows nothing.
    void start(int index);
    // False once the tutorial has ended and its windows are released.
    [[nodiscard]] bool update(uint32_t elapsedMs);
    // True when the event is taken. The player's input (keys, mouse, clicks
    // and list choices) is left alone while the screen the windows are on is
    // not its manager's current one.
    bool handleEvent(CEvent* event) override;
    // The skip button's two presses: the first turns the window into the
    // question whether to skip, the second ends the tutorial.
    void requestSkip();
    // Stops listening; the next update ends the tutorial.
    void close();

    void skipNonTipHints() { m_skipNonTip = true; }
    void skipTipHints() { m_skipTip = true; }
    [[nodiscard]] bool skipsNonTipHints() const { return m_skipNonTip; }
    [[nodiscard]] bool skipsTipHints() const { return m_skipTip; }
    // Enables the skip buttons and lets their highlights show.
    void setEnabled(bool enabled);
    void setSkipButtonsText(const CStringW& text);

    // Modes the owner sets after load and before start.
    void setVoiceOn(bool on) { m_voiceOn = on; }
    void setAutoAdvance(bool on) { m_autoAdvance = on; }
    void setSkipButtonShown(bool shown) { m_skipButtonShown = shown; }
    void setQuestStateName(CName state) { m_questStateName = state; }
    // Where the building filters of the actions find building types (the
    // play screen); not owned.
    void setBuildings(const ITutorialBuildings* buildings) { m_buildings = buildings; }

    [[nodiscard]] bool isCurrentHintTip() const { return m_currentHintIsTip; }
    [[nodiscard]] bool isTimedOut() const { return m_timedOut; }
    [[nodiscard]] bool isAskingToSkip() const { return m_keepAfterEnd; }
    [[nodiscard]] int getHintIndex() const { return m_hintIndex; }
    // The hint shown now, or null.
    [[nodiscard]] GTutorialHint* getCurrentHint() const;
    [[nodiscard]] GTutorialHintList* getHints() const { return m_hints.get(); }
    [[nodiscard]] BaseNode* getWindow() const { return m_window.node.get(); }
    [[nodiscard]] BaseNode* getQuestWindow() const { return m_questWindow.node.get(); }
    [[nodiscard]] BaseNode* getArrowLayer() const { return m_arrowLayer.get(); }
    [[nodiscard]] SoundCue* getVoiceCue() const { return m_voiceCue.get(); }
    // The time left to read the current text without a voice; -1 when idle.
    [[nodiscard]] int getReadingCountdown() const { return m_readingCountdown.running ? m_readingCountdown.left : -1; }

protected:
    ~GTutorialController() override;

private:
    // A countdown in ms; a start with 0 or less runs out at the next update.
    struct Countdown {
        bool running = false;
        int left = 0;
        void start(int ms) {
            running = true;
            left = ms;
        }
        // True when it has just run out.
        bool advance(uint32_t elapsedMs);
    };

    // One of the two windows and its children (plain pointers into it).
    struct Window {
        CRefHandle<BaseNode> node;
        BaseNode* darkening = nullptr;
        TextNode* text = nullptr;
        ButtonNode* skipButton = nullptr;
        BaseNode* skipHighlight = nullptr;
    };

    void buildWindow(Window& window, BaseNode* templ, BaseNode* scene);
    void showCurrentHint();
    void layOutWindows(const GTutorialHint& hint);
    // Steps 7 to 9 of a window's layout: its arrival, darkening and text.
    void layOutWindowText(Window& window, bool wasVisible, const GTutorialHint& hint, const CStringW& text,
                          const CVector3d& textPosition);
    void layOutArrows(const GTutorialHint& hint);
    void fitSkipButton(ButtonNode* button, BaseNode* highlight);
    void updateHighlights(const CEventMouseMove* event);
    bool onSoundCueFinished(const CEventSoundCueFinished* event);
    void playVoice(const CStringW& text);
    void stopVoice();
    void releaseWindows();
    void stopListening();
    [[nodiscard]] bool hasNoPressAction(const GTutorialHint& hint) const;
    [[nodiscard]] bool isExcluded(const GTutorialHint& hint) const;
    // True when the screen the windows are on is its manager's current one.
    [[nodiscard]] bool isOnActiveScene() const;

    CRefHandle<CContentManager> m_contentManager;
    CEventReceiver* m_receiver = nullptr;
    const ITutorialBuildings* m_buildings = nullptr;
    CRefHandle<GTutorialHintList> m_hints;
    int m_hintIndex = 0;
    BaseNode* m_scene = nullptr;
    CRefHandle<BaseNode> m_arrowLayer;
    CRefHandle<BaseNode> m_arrowTemplate;
    Window m_window;
    Window m_questWindow;
    bool m_messageBoxConfirmed = false;
    bool m_currentHintIsTip = false;
    bool m_skipNonTip = false;
    bool m_skipTip = false;
    bool m_keepAfterEnd = false;
    bool m_skipButtonShown = true;
    bool m_enabled = true;
    bool m_voiceOn = false;
    bool m_timedOut = false;
    bool m_autoAdvance = false;
    bool m_listening = false;
    CName m_questStateName;
    CRefHandle<SoundCue> m_voiceCue;
    Countdown m_voiceStartCountdown;
    Countdown m_voiceStopCountdown;
    Countdown m_readingCountdown;
    CStringW m_voiceText;
};
