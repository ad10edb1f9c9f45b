#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/app/GBaseSceneNode.h"

class ButtonNode;
class CEventNodeStateCompleted;
class CEventNodeStateFinished;
class SoundCue;

// Plays one comic episode: the parts (panels) of "Parts" appear one after the
// other, each showing its bubbles one at a time, voiced by the cues named
// after the speech's keys or held for a reading time. A click goes on;
// Replay plays the page again once it is over; Next and Esc leave for the
// map, the headquarters or the main menu.
class GComicsScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2023;
    // After a part with a "Blic" node is shown, "ComicsText" plays again.
    static constexpr int32_t BlicDelayMs = 3700;
    static constexpr int32_t SpeechFadeOutMs = 300;
    // The sound-cue group paused while the window is inactive.
    static constexpr int32_t ComicsSoundGroup = 3;

    GComicsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    bool onWindowFocus(CEvent* event) override;
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    bool onControlClicked(CEvent* event) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // The keys written between single percent signs in `text`, in order; "%%"
    // is a literal sign, and a sign without a closing one ends the scan.
    [[nodiscard]] static CArray<CStringW> parseSpeechKeys(const CStringW& text);

    [[nodiscard]] int32_t getCurrentPart() const { return m_currentPart; }
    [[nodiscard]] int32_t getItemIndex() const { return m_itemIndex; }
    [[nodiscard]] uint32_t getPartCount() const { return m_parts.size(); }
    [[nodiscard]] bool isPartEnding() const { return m_partEnding; }
    [[nodiscard]] bool isPartAppearing() const { return m_partAppearing; }
    [[nodiscard]] int32_t getReadingTime() const { return m_readingTime; }
    [[nodiscard]] const CArray<CStringW>& getPendingSpeech() const { return m_pendingSpeech; }

protected:
    ~GComicsScene() override;

private:
    class Hook;
    friend class Hook;

    void showNextPart();
    void nextItem();
    void finishPart();
    void stopSpeech();
    void speak(const CStringW& key);
    void parseSpeech(const CStringW& text);
    // Event 83 of a part, event 79 of a bubble, as seen by "Parts" and "Bg".
    void onPartStateCompleted(const CEventNodeStateCompleted* event);
    void onBubbleStateFinished(const CEventNodeStateFinished* event);
    [[nodiscard]] BaseNode* currentBg() const;
    void advanceUnlessBusy();
    // Leaves for the map; a first-time player starts at the first level.
    void leaveToMap();

    CRefHandle<Hook> m_hook;
    BaseNode* m_darkBg = nullptr;
    BaseNode* m_partsNode = nullptr;
    CArray<BaseNode*> m_parts;
    bool m_hasStartPart = false;
    int32_t m_currentPart = 0;
    CArray<BaseNode*> m_items;
    int32_t m_itemIndex = 0;
    bool m_partEnding = false;
    bool m_partAppearing = false;
    int32_t m_blicDelay = -1;
    int32_t m_readingTime = -1;
    BaseNode* m_nextButton = nullptr;
    ButtonNode* m_replayButton = nullptr;
    CArray<CStringW> m_pendingSpeech;
    CArray<SoundCue*> m_speechCues;
};
