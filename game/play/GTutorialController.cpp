#include "game/play/GTutorialController.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CEventSoundCueFinished.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/app/GBaseSceneNode.h"
#include "game/app/GGameApplication.h"
#include "game/app/GSoundCues.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/play/GTutorialAction.h"
#include "game/play/GTutorialHint.h"
#include "game/play/GTutorialHintList.h"

#include <cmath>

namespace {

CSoundCueManager* soundCues() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getSoundCueManager() : nullptr;
}

void playCue(GSoundCue cue) {
    if (CSoundCueManager* cues = soundCues())
        (void)cues->play(soundCueName(cue), false, 0);
}

// The speech delays of the game's configuration; 0 without a game.
int speechStartDelay() {
    const GGameApplication* game = GGameApplication::instance();
    return game && game->getGlobalConfig() ? game->getGlobalConfig()->SpeechSoundStartDelay : 0;
}

int speechStopDelay() {
    const GGameApplication* game = GGameApplication::instance();
    return game && game->getGlobalConfig() ? game->getGlobalConfig()->SpeechSoundStopDelay : 0;
}

void applyState(BaseNode* node, CName state) {
    if (node)
        node->applyStateRecursive(state, nullptr);
}

// The state an arrow of angle `a` (0 to 360) shows; `rotated` tells whether
// the arrow turns by the angle instead.
CName arrowState(float a, bool& rotated) {
    static const CName left("ArrowLeft");
    static const CName up("ArrowUp");
    static const CName right("ArrowRight");
    static const CName down("ArrowDown");
    rotated = false;
    if (a >= -3.0f && a <= 3.0f)
        return left;
    if (std::fabs(a - 90.0f) <= 3.0f)
        return up;
    if (std::fabs(a - 180.0f) <= 3.0f)
        return right;
    if (std::fabs(a - 270.0f) <= 3.0f)
        return down;
    rotated = true;
    return left;
}

// What the player does with the keyboard and the mouse, raw or as the clicks
// and list choices the controls make of it.
bool isPlayerInput(const CEvent* event) {
    const int32_t type = event->getType();
    return (event->getMask() & (CEvent::MaskKeyboard | CEvent::MaskMouse)) != 0 || type == CEventClicked::TypeId ||
           type == CEventListItemClicked::TypeId || type == CEventListItemHovered::TypeId;
}

bool differsFromZero(const CVector3d& v) {
    return std::fabs(v.x) > 1e-6f || std::fabs(v.y) > 1e-6f || std::fabs(v.z) > 1e-6f;
}

} // namespace

bool GTutorialController::Countdown::advance(uint32_t elapsedMs) {
    if (!running)
        return false;
    left = int64_t(left) - int64_t(elapsedMs) <= 0 ? 0 : left - int(elapsedMs);
    if (left > 0)
        return false;
    running = false;
    return true;
}

GTutorialController::GTutorialController(BaseNode* scene, TemplateCollectionNode* templates,
                                         CContentManager* contentManager)
    : m_contentManager(CRefHandle<CContentManager>::share(contentManager)), m_scene(scene) {
    setMask(ReceiverMask);
    if (!scene || !templates)
        return;
    BaseNode* manager = scene->getSceneManager<BaseNode>();
    m_arrowLayer.reset(new BaseNode(CObjectName(), scene, manager));
    m_arrowLayer->setPosition(CVector3d(0.0f, 0.0f, ArrowLayerDepth));
    m_arrowTemplate = CRefHandle<BaseNode>::share(templates->findTemplate(CName("TutorialArrowNew")));
    if (BaseNode* templ = templates->findTemplate(CName("TutorialWindow"))) {
        buildWindow(m_window, templ, scene);
        applyState(m_window.node.get(), CName("Default"));
    }
    if (BaseNode* templ = templates->findTemplate(CName("TutorialWindowQuest")))
        buildWindow(m_questWindow, templ, scene);
    if (m_window.node || m_questWindow.node)
        m_hints.reset(new GTutorialHintList);
}

GTutorialController::~GTutorialController() {
    // An owner that forgot to close must not leave a dangling listener.
    stopListening();
    releaseWindows();
    stopVoice();
}

void GTutorialController::buildWindow(Window& window, BaseNode* templ, BaseNode* scene) {
    BaseNode* manager = scene->getSceneManager<BaseNode>();
    window.node = CRefHandle<BaseNode>::share(templ->clone(scene, manager));
    if (!window.node)
        return;
    CRefHandle<CEventManagerAttached> attached(new CEventManagerAttached(scene->getSceneManager()));
    if (!window.node->handleEvent(attached.get()))
        (void)window.node->routeToChildren(HandleThenChildren, attached.get());
    window.node->setVisible(false);
    window.darkening = window.node->findChild(CName("Darkening"), 1);
    window.text = nodeCast<TextNode>(window.node->findChild(CName("Text"), 1));
    window.skipButton = nodeCast<ButtonNode>(window.node->findChild(CName("SkipTutorialButton"), 1));
    if (window.skipButton) {
        window.skipHighlight = window.skipButton->findChild(CName("bg"), 1);
        window.skipButton->setEnabled(m_enabled);
    }
}

void GTutorialController::load(CXmlStreamReader& reader, CEventReceiver* receiver) {
    if (m_hints)
        m_hints->read(reader);
    setSkipButtonsText(CStringW(u"%GamePlay_SkipTutorialBtn%"));
    m_receiver = receiver;
}

void GTutorialController::start(int index) {
    m_hintIndex = 0;
    if (!m_hints || !m_scene)
        return;
    if (!m_listening)
        if (CEngine* engine = findEngineInstance())
            m_listening = engine->addListener(this, 0);
    m_hintIndex = index;
    showCurrentHint();
}

GTutorialHint* GTutorialController::getCurrentHint() const {
    if (!m_hints || m_hintIndex < 0 || uint32_t(m_hintIndex) >= m_hints->size())
        return nullptr;
    return m_hints->get(uint32_t(m_hintIndex));
}

bool GTutorialController::isExcluded(const GTutorialHint& hint) const {
    return (hint.Tip && m_skipTip) || (!hint.Tip && m_skipNonTip);
}

bool GTutorialController::hasNoPressAction(const GTutorialHint& hint) const {
    for (const CRefHandle<GTutorialAction>& action : hint.Actions)
        if (action->kind() != 0)
            return false;
    return true;
}

void GTutorialController::showCurrentHint() {
    if (!getCurrentHint())
        return;
    m_voiceText = CStringW();
    m_timedOut = false;
    m_voiceStartCountdown = Countdown();
    m_voiceStopCountdown = Countdown();
    m_readingCountdown = Countdown();
    stopVoice();
    // A confirmation belongs to the hint it was given for.
    m_messageBoxConfirmed = false;
    while (GTutorialHint* hint = getCurrentHint()) {
        if (!isExcluded(*hint))
            break;
        ++m_hintIndex;
    }
    GTutorialHint* hint = getCurrentHint();
    if (!hint)
        return;
    m_currentHintIsTip = hint->Tip;
    for (const CRefHandle<GTutorialAction>& action : hint->Actions)
        action->setBuildings(m_buildings);
    hint->activateActions(m_receiver);
    layOutWindows(*hint);
}

void GTutorialController::layOutWindows(const GTutorialHint& hint) {
    if (BaseNode* window = m_window.node.get()) {
        const bool wasVisible = window->isVisible();
        if (hint.Text.empty() && !hint.Gertruda) {
            window->setVisible(false);
        } else {
            if (!hint.GertrudaState.empty())
                applyState(window, CName(CString(hint.GertrudaState)));
            applyState(window, CName(hint.Text.empty() ? "Hide" : "Show"));
            applyState(window, hint.GertrudaAlign.empty() ? CName("Right") : CName(CString(hint.GertrudaAlign)));
            window->setPosition(hint.Position);
            window->setVisible(true);
            layOutWindowText(m_window, wasVisible, hint, hint.Text, hint.TextPosition);
        }
    }
    if (BaseNode* window = m_questWindow.node.get()) {
        const bool wasVisible = window->isVisible();
        if (hint.TextQuest.empty() && !hint.Quest) {
            window->setVisible(false);
        } else {
            applyState(window, m_questStateName);
            for (BaseNode* child : window->getChildren())
                if (child->isKindOf(ControlNode::TypeId))
                    applyState(child, m_questStateName);
            applyState(window, CName(hint.TextQuest.empty() ? "Hide" : "Show"));
            window->setPosition(hint.PositionQuest);
            window->setVisible(true);
            layOutWindowText(m_questWindow, wasVisible, hint, hint.TextQuest, hint.TextPositionQuest);
        }
    }
    // The screen is darkened once. A darkening counts only while its window
    // shows: a hidden quest window keeps the plain window's darkening.
    auto darkens = [](const Window& w) { return w.darkening && w.node->isVisible() && w.darkening->isVisible(); };
    if (darkens(m_window) && darkens(m_questWindow))
        m_window.darkening->setVisible(false);
    layOutArrows(hint);
}

void GTutorialController::layOutWindowText(Window& window, bool wasVisible, const GTutorialHint& hint,
                                           const CStringW& text, const CVector3d& textPosition) {
    if (!wasVisible) {
        playCue(GSoundCue::TutorialWindow);
        window.node->setState(CName("NavTo"), nullptr, CName());
    }
    if (window.darkening)
        window.darkening->setVisible(hint.Darkening);
    if (!window.text)
        return;
    if (text.empty()) {
        window.text->setVisible(false);
        if (window.skipButton)
            window.skipButton->setVisible(false);
        return;
    }
    window.text->setVisible(true);
    if (differsFromZero(textPosition))
        window.text->setPosition(CVector3d(textPosition.x, textPosition.y, 1.0f));
    applyState(window.text, CName(hint.TextBgType == 0 ? "Type1" : "Type2"));
    window.text->setText(text);
    if (m_voiceOn) {
        m_voiceText = text;
        m_voiceStartCountdown.start(speechStartDelay());
    }
    if (window.skipButton) {
        window.skipButton->setVisible(m_skipButtonShown);
        fitSkipButton(window.skipButton, window.skipHighlight);
    }
}

void GTutorialController::layOutArrows(const GTutorialHint& hint) {
    if (!m_arrowLayer)
        return;
    m_arrowLayer->removeAllChildren();
    if (!m_arrowTemplate)
        return;
    BaseNode* manager = m_arrowLayer->getSceneManager<BaseNode>();
    for (const GTutorialArrow& arrow : hint.Arrows) {
        BaseNode* clone = m_arrowTemplate->clone(m_arrowLayer.get(), manager);
        if (!clone)
            continue;
        clone->setVisible(true);
        clone->setPosition(arrow.Position);
        bool rotated = false;
        applyState(clone, arrowState(arrow.Rotation.z, rotated));
        if (rotated)
            clone->setRotation(CVector3d(0.0f, 0.0f, arrow.Rotation.z));
    }
}

void GTutorialController::fitSkipButton(ButtonNode* button, BaseNode* highlight) {
    if (!button || !button->getTemplateRoot())
        return;
    const TextNode* text = nodeCast<TextNode>(button->getTemplateRoot()->findChild(CName("Text"), 1));
    if (!text)
        return;
    const float x = text->getLineOffsetX(0);
    const float width = text->getTextWidth();
    auto fit = [&](BaseNode* node) {
        const CVector3d position = node->getPosition();
        node->setPosition(CVector3d(x, position.y, position.z));
        const CVector3d bounds = node->getBounds();
        node->setBounds(CVector3d(width, bounds.y, bounds.z));
    };
    if (highlight)
        fit(highlight);
    if (BaseNode* hitArea = button->findChild(CName("HitArea"), 1))
        fit(hitArea);
}

void GTutorialController::setEnabled(bool enabled) {
    m_enabled = enabled;
    for (Window* window : {&m_window, &m_questWindow}) {
        if (window->skipButton)
            window->skipButton->setEnabled(enabled);
        if (window->skipHighlight)
            window->skipHighlight->setVisible(enabled);
    }
}

void GTutorialController::setSkipButtonsText(const CStringW& text) {
    for (Window* window : {&m_window, &m_questWindow})
        if (window->skipButton)
            window->skipButton->setText(text);
}

void GTutorialController::updateHighlights(const CEventMouseMove* event) {
    const CVector3d point(float(event->getX()), float(event->getY()), 0.0f);
    for (Window* window : {&m_window, &m_questWindow})
        if (window->skipButton && window->skipHighlight)
            window->skipHighlight->setVisible(m_enabled && window->skipButton->getNodeAt(point) != nullptr);
}

bool GTutorialController::update(uint32_t elapsedMs) {
    GTutorialHint* hint = getCurrentHint();
    if (!hint) {
        if (m_keepAfterEnd)
            return true;
        releaseWindows();
        return false;
    }
    if (m_voiceStartCountdown.advance(elapsedMs) && !m_voiceText.empty()) {
        const CStringW text = m_voiceText;
        m_voiceText = CStringW();
        playVoice(text);
    }
    if (m_voiceStopCountdown.advance(elapsedMs))
        m_timedOut = true;
    if (m_readingCountdown.advance(elapsedMs))
        m_timedOut = true;

    bool finished = false;
    // Every action is updated, also after one reported done.
    for (const CRefHandle<GTutorialAction>& action : hint->Actions) {
        action->update(elapsedMs);
        if (action->isDone())
            finished = true;
    }
    if (!finished)
        finished = (hint->MessageBox && m_messageBoxConfirmed) || isExcluded(*hint);
    if (finished || (m_autoAdvance && m_timedOut && hasNoPressAction(*hint))) {
        hint->deactivateActions();
        ++m_hintIndex;
        showCurrentHint();
    }
    return true;
}

bool GTutorialController::isOnActiveScene() const {
    if (!m_scene)
        return true;
    SceneNode* owner = m_scene->getOwnerScene<SceneNode>();
    SceneManager* manager = owner ? owner->getSceneManager<SceneManager>() : nullptr;
    // A screen made outside any manager (a test's) counts as shown.
    if (!manager)
        return true;
    return manager->getCurrentScene() == owner;
}

bool GTutorialController::handleEvent(CEvent* event) {
    static const CName skipButton("SkipTutorialButton");
    static const CName menuButton("MenuButton");
    static const CName helpButton("HelpButton");
    static const CName confirmButton("Button");
    // Input belongs to the screen on top: a tutorial whose screen is left or
    // covered neither takes nor counts it.
    if (isPlayerInput(event) && !isOnActiveScene())
        return false;
    const int32_t type = event->getType();
    const ControlNode* clicked = nullptr;
    if (type == CEventClicked::TypeId) {
        clicked = static_cast<CEventClicked*>(event)->getControl();
        const CName name = clicked ? clicked->getName() : CName();
        if (name == skipButton)
            return m_window.node && !m_window.node->isVisible() && m_enabled;
        if (name == menuButton || name == helpButton)
            return false;
    } else if (type == CEventMouseMove::TypeId) {
        updateHighlights(static_cast<CEventMouseMove*>(event));
        return false;
    } else if (type == CEventSoundCueFinished::TypeId) {
        return onSoundCueFinished(static_cast<CEventSoundCueFinished*>(event));
    }
    GTutorialHint* hint = getCurrentHint();
    if (!hint)
        return false;
    if (hint->MessageBox && clicked && clicked->getName() == confirmButton) {
        m_messageBoxConfirmed = true;
        if (m_receiver) {
            CRefHandle<GPauseRequestMessage> resume(new GPauseRequestMessage(false));
            (void)sendToLevel(m_receiver, resume.get());
        }
        return false;
    }
    // Every action is offered the event, also after one took it.
    bool taken = false;
    for (const CRefHandle<GTutorialAction>& action : hint->Actions)
        if (action->handleEvent(event))
            taken = true;
    return taken;
}

bool GTutorialController::onSoundCueFinished(const CEventSoundCueFinished* event) {
    // Only the end of this tutorial's own voice is taken; other cues' ends
    // go on to whoever waits for them.
    if (!m_voiceCue || event->getCue() != m_voiceCue.get())
        return false;
    if (m_autoAdvance)
        m_voiceStopCountdown.start(speechStopDelay());
    return true;
}

void GTutorialController::playVoice(const CStringW& text) {
    CStringW key = text;
    if (key.length() > 2 && key[0] == u'%')
        key = key.subString(1, int(key.length()) - 2);
    const CName cue(CString(key.c_str()));
    if (m_voiceCue && m_voiceCue->getState() == 2 && m_voiceCue->getName() == cue) {
        m_timedOut = false;
        return;
    }
    stopVoice();
    if (CSoundCueManager* cues = soundCues())
        m_voiceCue = CRefHandle<SoundCue>::share(cues->play(cue, false, 0));
    if (!m_voiceCue) {
        const CStringW shown = CEngineManagers::instance().getDictionary()->get(CString(key.c_str()));
        m_readingCountdown.start(textReadingTime(int32_t(shown.length())));
    }
    m_timedOut = false;
}

void GTutorialController::stopVoice() {
    if (m_voiceCue) {
        (void)m_voiceCue->stop(VoiceFadeOutMs);
        m_voiceCue.reset();
    }
}

void GTutorialController::requestSkip() {
    if (m_keepAfterEnd) {
        m_keepAfterEnd = false;
        stopListening();
        m_hintIndex = m_hints ? int(m_hints->size()) : 0;
        return;
    }
    for (Window* window : {&m_window, &m_questWindow})
        if (window->text)
            window->text->setText(CStringW(u"%GamePlay_SkipTutorialMsg%"));
    setSkipButtonsText(CStringW(u"%GamePlay_TutorialContinue%"));
    if (m_arrowLayer)
        m_arrowLayer->setVisible(false);
    fitSkipButton(m_window.skipButton, m_window.skipHighlight);
    fitSkipButton(m_questWindow.skipButton, m_questWindow.skipHighlight);
    m_keepAfterEnd = true;
    m_hintIndex = m_hints ? int(m_hints->size()) : 0;
    (void)update(0);
}

void GTutorialController::close() {
    m_keepAfterEnd = false;
    stopListening();
    m_hintIndex = m_hints ? int(m_hints->size()) : 0;
}

void GTutorialController::stopListening() {
    if (!m_listening)
        return;
    m_listening = false;
    if (CEngine* engine = findEngineInstance())
        engine->removeListener(this);
}

void GTutorialController::releaseWindows() {
    auto drop = [](CRefHandle<BaseNode>& node) {
        if (node && node->getParent())
            (void)node->getParent()->removeChild(node.get());
        node.reset();
    };
    drop(m_arrowLayer);
    drop(m_window.node);
    drop(m_questWindow.node);
    m_window = Window();
    m_questWindow = Window();
}
