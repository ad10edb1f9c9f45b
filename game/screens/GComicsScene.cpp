#include "game/screens/GComicsScene.h"

#include "engine/content/CDictionary.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CString.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventNodeStateFinished.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/app/GGameApplication.h"
#include "game/app/GSoundCues.h"
#include "game/config/GlobalConfig.h"

namespace {

constexpr int32_t kKeyEsc = 27;

bool isBubbleName(CName name) {
    return name == CName("TextBg") || name == CName("TextBgShowAtStart") || name == CName("TextBgNoWait") ||
           name == CName("TextBgNoDisappear");
}

CSoundCueManager* cueManager() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getSoundCueManager() : nullptr;
}

CProfileParameters* currentPlayer() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

// A player who has not finished a level yet starts at the first one.
void fixFirstLevel(CProfileParameters* player) {
    if (player && player->getInt("MaxUnlockedLevelIndex") == -1)
        player->setInt("LevelIndex", 0);
}

} // namespace

// Sees the state events of "Parts" and of the current part's "Bg" before those
// nodes do, and hands them to the scene; the nodes still handle them.
class GComicsScene::Hook : public CEventReceiver {
public:
    explicit Hook(GComicsScene* scene) : m_scene(scene) {}

    bool handleEvent(CEvent* event) override {
        if (!m_scene)
            return false;
        if (event->getType() == CEventNodeStateCompleted::TypeId)
            m_scene->onPartStateCompleted(static_cast<const CEventNodeStateCompleted*>(event));
        else if (event->getType() == CEventNodeStateFinished::TypeId)
            m_scene->onBubbleStateFinished(static_cast<const CEventNodeStateFinished*>(event));
        return false;
    }

    void detach() { m_scene = nullptr; }

protected:
    ~Hook() override = default;

private:
    GComicsScene* m_scene;
};

GComicsScene::GComicsScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager), m_hook(new Hook(this)) {}

GComicsScene::~GComicsScene() {
    stopSpeech();
    if (m_partsNode)
        m_partsNode->removePreHandler(m_hook.get());
    if (BaseNode* bg = currentBg())
        bg->removePreHandler(m_hook.get());
    m_hook->detach();
}

BaseNode* GComicsScene::create(const CObjectName& name) { return new GComicsScene(name, nullptr, nullptr); }

const CStringW& GComicsScene::getTypeName() const {
    static const CStringW name(u"GComicsScene");
    return name;
}

const CStringW& GComicsScene::getClassName() const { return GComicsScene::getTypeName(); }

BaseNode* GComicsScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GComicsScene>(parent, sceneManager);
}

void GComicsScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GComicsScene::onLoaded() {
    if (m_partsNode)
        m_partsNode->removePreHandler(m_hook.get());
    m_partsNode = nullptr;
    m_parts.clear();
    m_hasStartPart = false;
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (!scene)
        return;
    m_darkBg = scene->findChild(CName("DarkBg"), 1);
    m_nextButton = scene->findChild(CName("NextButton"), 1);
    BaseNode* replay = scene->findChild(CName("ReplayButton"), 1);
    m_replayButton = replay && replay->isKindOf(ButtonNode::TypeId) ? static_cast<ButtonNode*>(replay) : nullptr;
    if (m_replayButton)
        m_replayButton->setEnabled(false);
    m_partsNode = scene->findChild(CName("Parts"), 1);
    if (!m_partsNode)
        return;
    m_partsNode->addPreHandler(m_hook.get());
    for (BaseNode* part : m_partsNode->getChildren()) {
        m_parts.push_back(part);
        part->setVisible(false);
        if (part->getName() == CName("PartShowAtStart"))
            m_hasStartPart = true;
    }
}

// ---------------------------------------------------------------------------
// Events

bool GComicsScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    if (!isShownBy(event))
        return false;
    if (CSoundCueManager* cues = cueManager()) {
        cues->pauseGroup(false, ComicsSoundGroup);
        (void)cues->play(soundCueName(GSoundCue::ComicsMusic), false, 0);
    }
    if (m_hasStartPart && !m_parts.empty())
        m_parts[0]->setVisible(true);
    return true;
}

bool GComicsScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    GBaseSceneNode::onNavigationFinished(event);
    if (!isShownBy(event))
        return false;
    if (event->isForward())
        m_currentPart = -1;
    showNextPart();
    return true;
}

bool GComicsScene::onControlClicked(CEvent* event) {
    GBaseSceneNode::onControlClicked(event);
    CProfileParameters* player = currentPlayer();
    if (!player)
        return false;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (control && control == m_nextButton) {
        fixFirstLevel(player);
        GGameApplication* game = GGameApplication::instance();
        const GlobalConfig* config = game ? game->getGlobalConfig() : nullptr;
        const int32_t hqLevel = config ? config->AllowHQUpgradeFromLevel : 0;
        if (player->getBool("ShowFinalCredits"))
            (void)goToIntro(IntroMainMenu, CStringW(), 0);
        else if (config && player->getInt("MaxUnlockedLevelIndex") == hqLevel - 1)
            (void)goToIntro(IntroHeadquarters, CStringW(), 0);
        else
            (void)goToIntro(IntroMap, CStringW(), 0);
    } else if (control && control == m_replayButton) {
        m_replayButton->setEnabled(false);
        for (BaseNode* part : m_parts)
            part->setVisible(false);
        m_currentPart = -1;
        showNextPart();
    } else {
        advanceUnlessBusy();
    }
    return true;
}

bool GComicsScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    if (event->getKeyCode() != kKeyEsc)
        return false;
    leaveToMap();
    return true;
}

bool GComicsScene::onWindowFocus(CEvent* event) {
    if (CSoundCueManager* cues = cueManager())
        cues->pauseGroup(!static_cast<CEventWindowActivate*>(event)->isActive(), ComicsSoundGroup);
    return GBaseSceneNode::onWindowFocus(event);
}

bool GComicsScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    // The instance reports 2 while it sounds.
    const bool cuePlaying = !m_speechCues.empty() && m_speechCues[0]->getState() == 2;
    if (!cuePlaying) {
        if (!m_speechCues.empty()) {
            m_speechCues[0]->release();
            m_speechCues.erase(0);
            if (m_pendingSpeech.empty())
                advanceUnlessBusy();
        } else if (!m_pendingSpeech.empty()) {
            // One key per update.
            const CStringW key = m_pendingSpeech[0];
            m_pendingSpeech.erase(0);
            speak(key);
        }
    }
    if (m_readingTime > 0) {
        m_readingTime -= int32_t(elapsed);
        if (m_readingTime < 1)
            advanceUnlessBusy();
    }
    if (m_blicDelay > 0) {
        m_blicDelay -= int32_t(elapsed);
        if (m_blicDelay < 1)
            playCue(CName("ComicsText"));
    }
    return true;
}

// ---------------------------------------------------------------------------
// Parts and bubbles

BaseNode* GComicsScene::currentBg() const {
    if (m_currentPart < 0 || uint32_t(m_currentPart) >= m_parts.size())
        return nullptr;
    return m_parts[uint32_t(m_currentPart)]->findChild(CName("Bg"), 1);
}

void GComicsScene::showNextPart() {
    if (BaseNode* bg = currentBg())
        bg->removePreHandler(m_hook.get());
    ++m_currentPart;
    m_readingTime = -1;
    if (uint32_t(m_currentPart) >= m_parts.size()) {
        if (m_replayButton)
            m_replayButton->setEnabled(true);
        return;
    }
    m_items.clear();
    BaseNode* part = m_parts[uint32_t(m_currentPart)];
    if (BaseNode* bg = currentBg()) {
        bg->addPreHandler(m_hook.get());
        for (BaseNode* child : bg->getChildren())
            if (isBubbleName(child->getName()))
                m_items.push_back(child);
    }
    const CName atStart("TextBgShowAtStart");
    for (BaseNode* item : m_items)
        if (item->getName() != atStart)
            item->setVisible(false);
    m_itemIndex = !m_items.empty() && m_items[0]->getName() == atStart ? 0 : -1;
    m_partAppearing = true;
    part->setVisible(true);
    const bool startPart = part->getName() == CName("PartShowAtStart");
    if (m_nextButton)
        m_nextButton->setCanBeHit(!startPart);
    if (m_replayButton)
        m_replayButton->setCanBeHit(!startPart);
    if (!startPart)
        playCue(CName("ComicsText"));
    BaseNode* speech = part->findChild(CName("ComicsSpeechText"), 0);
    if (speech && speech->isKindOf(TextNode::TypeId))
        parseSpeech(static_cast<TextNode*>(speech)->getText());
    if (part->findChild(CName("Blic"), 0))
        m_blicDelay = BlicDelayMs;
    // Last: a part whose children have no such state has appeared at once,
    // and the comic goes on from there.
    part->applyStateRecursive(CName("OnAppear"), nullptr);
}

void GComicsScene::nextItem() {
    if (m_currentPart > int32_t(m_parts.size()))
        return;
    const CName noDisappear("TextBgNoDisappear");
    if (m_itemIndex >= 0 && uint32_t(m_itemIndex) < m_items.size()) {
        BaseNode* item = m_items[uint32_t(m_itemIndex)];
        if (item->getName() != noDisappear)
            item->setState(CName("OnDisappear"), nullptr, CName());
    }
    ++m_itemIndex;
    if (m_itemIndex >= 0 && uint32_t(m_itemIndex) < m_items.size()) {
        BaseNode* item = m_items[uint32_t(m_itemIndex)];
        item->setVisible(true);
        item->setState(CName("OnAppear"), nullptr, CName());
        return;
    }
    stopSpeech();
    finishPart();
}

void GComicsScene::finishPart() {
    if (m_currentPart < 0 || uint32_t(m_currentPart) >= m_parts.size() || m_partEnding)
        return;
    const CName noDisappear("TextBgNoDisappear");
    for (BaseNode* item : m_items)
        if (item->getName() != noDisappear)
            item->setVisible(false);
    m_partEnding = true;
    // The part may end at once and the next one start meanwhile.
    const uint32_t index = uint32_t(m_currentPart);
    const uint32_t count = m_parts.size();
    m_parts[index]->applyStateRecursive(CName("OnDisappear"), nullptr);
    if (!m_darkBg)
        return;
    if (index == 0) {
        m_darkBg->setState(CName("OnAppear"), nullptr, CName());
    } else if (count > 1 && index == count - 1) {
        // The end of the page: the whole page shows again.
        m_darkBg->setState(CName("OnDisappear"), nullptr, CName());
        for (uint32_t i = 0; i + 1 < count; ++i) {
            m_parts[i]->stopChildStates(true);
            m_parts[i]->applyStateRecursive(CName("Unhide"), nullptr);
        }
    }
}

void GComicsScene::onPartStateCompleted(const CEventNodeStateCompleted* event) {
    if (m_currentPart < 0 || uint32_t(m_currentPart) >= m_parts.size() ||
        event->getNode() != m_parts[uint32_t(m_currentPart)])
        return;
    if (event->getStateId() == CName("OnAppear")) {
        m_partAppearing = false;
        nextItem();
    } else if (event->getStateId() == CName("OnDisappear")) {
        m_partEnding = false;
        showNextPart();
    }
}

void GComicsScene::onBubbleStateFinished(const CEventNodeStateFinished* event) {
    const BaseNode* from = event->getNode();
    if (m_itemIndex >= 0 && uint32_t(m_itemIndex) < m_items.size() && from == m_items[uint32_t(m_itemIndex)]) {
        const CName name = from->getName();
        if (event->getStateId() == CName("OnAppear") &&
            (name == CName("TextBgNoWait") || name == CName("TextBgNoDisappear")))
            nextItem();
        return;
    }
    if (m_itemIndex >= 0 && uint32_t(m_itemIndex) >= m_items.size() && !m_items.empty() &&
        from == m_items[m_items.size() - 1] && event->getStateId() == CName("OnDisappear"))
        finishPart();
}

void GComicsScene::advanceUnlessBusy() {
    if (!m_partEnding && !m_partAppearing)
        nextItem();
}

void GComicsScene::leaveToMap() {
    fixFirstLevel(currentPlayer());
    (void)goToIntro(IntroMap, CStringW(), 0);
}

// ---------------------------------------------------------------------------
// Speech

CArray<CStringW> GComicsScene::parseSpeechKeys(const CStringW& text) {
    CArray<CStringW> keys;
    const uint32_t length = text.length();
    uint32_t i = 0;
    while (i + 1 < length) {
        if (text[i] != u'%') {
            ++i;
            continue;
        }
        if (text[i + 1] == u'%') {
            i += 2;
            continue;
        }
        uint32_t close = i + 1;
        while (close < length && text[close] != u'%')
            ++close;
        if (close >= length)
            break;
        keys.push_back(text.subString(int(i + 1), int(close - i - 1)));
        i = close + 1;
    }
    return keys;
}

void GComicsScene::parseSpeech(const CStringW& text) {
    stopSpeech();
    m_pendingSpeech = parseSpeechKeys(text);
}

void GComicsScene::speak(const CStringW& key) {
    CSoundCueManager* cues = cueManager();
    const CName cue{CString(key)};
    if (cues && cues->findCue(cue)) {
        if (SoundCue* instance = cues->play(cue, false, 0)) {
            instance->addRef();
            m_speechCues.push_back(instance);
        }
        return;
    }
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    const int32_t characters = dictionary ? int32_t(dictionary->get(CString(key)).length()) : 0;
    const int32_t time = textReadingTime(characters);
    m_readingTime = m_readingTime < 1 ? time : m_readingTime + time;
}

void GComicsScene::stopSpeech() {
    for (SoundCue* instance : m_speechCues) {
        (void)instance->stop(SpeechFadeOutMs);
        instance->release();
    }
    m_speechCues.clear();
    m_pendingSpeech.clear();
}
