#include "game/app/GBaseSceneNode.h"

#include "engine/content/CContentManager.h"
#include "engine/content/ContentType.h"
#include "engine/core/CDisplayModeList.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/device/CEventVideoDriverCreated.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/device/CEventWindowDestroyed.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventFocused.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CEventUnfocused.h"
#include "engine/scene/CEventUnhovered.h"
#include "engine/scene/SceneManager.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"
#include "game/app/GIntroScene.h"
#include "game/app/GSoundCues.h"

#include <cmath>

namespace {

// Node events without a class of their own.
constexpr int32_t kTabSwitchFinished = 49;
constexpr int32_t kTabSwitchStarted = 50;
constexpr int32_t kValueChanged = 67;
constexpr int32_t kListItemChosen = 69;
constexpr int32_t kListItemHovered = 71;
constexpr int32_t kListItemUnhovered = 72;

constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyEsc = 27;

} // namespace

GBaseSceneNode::GBaseSceneNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : SceneNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateIntervalMs);
}

GBaseSceneNode::~GBaseSceneNode() {
    for (CRefCounted* object : m_retained)
        object->release();
    m_retained.clear();
}

BaseNode* GBaseSceneNode::create(const CObjectName& name) { return new GBaseSceneNode(name, nullptr, nullptr); }

const CStringW& GBaseSceneNode::getTypeName() const {
    static const CStringW name(u"GBaseSceneNode");
    return name;
}

const CStringW& GBaseSceneNode::getClassName() const { return GBaseSceneNode::getTypeName(); }

BaseNode* GBaseSceneNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GBaseSceneNode>(parent, sceneManager);
}

void GBaseSceneNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    SceneNode::copyFrom(source, sceneManager);
}

const CEventHandlerTable& GBaseSceneNode::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GBaseSceneNode::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(SceneNode::handlerTable());
        t.add<&GBaseSceneNode::onKeyUp>(CEventKeyUp::TypeId);
        t.add<&GBaseSceneNode::onApplicationClose>(CEventWindowDestroyed::TypeId);
        t.add<&GBaseSceneNode::onWindowFocus>(CEventWindowActivate::TypeId);
        t.add<&GBaseSceneNode::onMessageBoxResult>(CEventMessageBoxClosed::TypeId);
        t.add<&GBaseSceneNode::onNavigationStarted>(CEventSceneChangeStarted::TypeId);
        t.add<&GBaseSceneNode::onNavigationFinished>(CEventSceneChangeFinished::TypeId);
        t.add<&GBaseSceneNode::onTabSwitchStarted>(kTabSwitchStarted);
        t.add<&GBaseSceneNode::onTabSwitchFinished>(kTabSwitchFinished);
        t.add<&GBaseSceneNode::onControlClickStarted>(CEventClickStarted::TypeId);
        t.add<&GBaseSceneNode::onControlClicked>(CEventClicked::TypeId);
        t.add<&GBaseSceneNode::onControlHovered>(CEventHovered::TypeId);
        t.add<&GBaseSceneNode::onControlUnhovered>(CEventUnhovered::TypeId);
        t.add<&GBaseSceneNode::onControlFocused>(CEventFocused::TypeId);
        t.add<&GBaseSceneNode::onControlUnfocused>(CEventUnfocused::TypeId);
        t.add<&GBaseSceneNode::onControlValueChanged>(kValueChanged);
        t.add<&GBaseSceneNode::onListItemChosen>(kListItemChosen);
        t.add<&GBaseSceneNode::onListItemHovered>(kListItemHovered);
        t.add<&GBaseSceneNode::onListItemUnhovered>(kListItemUnhovered);
        t.add<&GBaseSceneNode::onVideoDriverCreated>(CEventVideoDriverCreated::TypeId);
        return t;
    }();
    return table;
}

// ---------------------------------------------------------------------------
// Event operations

bool GBaseSceneNode::onKeyUp(CEventKeyUp* event) {
    if (ControlNode::onKeyUp(event))
        return true;
    if (!m_backOnEsc)
        return false;
    const int32_t key = event->getKeyCode();
    if (key != kKeyEsc && key != kKeyEnter)
        return false;
    // The key is taken whatever the navigation answered.
    (void)navigateBack(0, CName("NavBackFrom"), CName("NavBackTo"));
    return true;
}

bool GBaseSceneNode::onApplicationClose(CEvent*) { return false; }
bool GBaseSceneNode::onWindowFocus(CEvent*) { return false; }
bool GBaseSceneNode::onMessageBoxResult(CEvent* event) {
    const int32_t result = static_cast<CEventMessageBoxClosed*>(event)->getResult();
    CLog::instance()->log(CString("Message box result ") + result, CLog::Info);
    return false;
}

bool GBaseSceneNode::onNavigationStarted(CEventSceneChangeStarted* event) {
    applyStateRecursive(getRatioStateName(), nullptr);
    if (event->getFromScene() == this && getScheduler())
        setScheduler(nullptr);
    return false;
}

bool GBaseSceneNode::onNavigationFinished(CEventSceneChangeFinished* event) {
    if (event->getToScene() != this)
        return false;
    m_focusedTime = 0;
    // Each scene on a manager has a scheduler of its own.
    setScheduler(getSceneScheduler());
    return false;
}

bool GBaseSceneNode::onTabSwitchStarted(CEvent*) { return false; }
bool GBaseSceneNode::onTabSwitchFinished(CEvent*) { return false; }

bool GBaseSceneNode::onControlClickStarted(CEvent* event) {
    const ControlNode* control = static_cast<CEventClickStarted*>(event)->getControl();
    if (control && control->isKindOf(ButtonNode::TypeId))
        playCue(soundCueName(GSoundCue::ButtonClick));
    return false;
}

bool GBaseSceneNode::onControlClicked(CEvent*) { return false; }

bool GBaseSceneNode::onControlHovered(CEvent* event) {
    const BaseNode* control = static_cast<CEventHovered*>(event)->getOnNode();
    if (control && control->isKindOf(ButtonNode::TypeId))
        playCue(soundCueName(GSoundCue::ButtonOver));
    return false;
}

bool GBaseSceneNode::onControlUnhovered(CEvent*) { return false; }
bool GBaseSceneNode::onControlFocused(CEvent*) { return false; }
bool GBaseSceneNode::onControlUnfocused(CEvent*) { return false; }
bool GBaseSceneNode::onControlValueChanged(CEvent*) { return false; }

bool GBaseSceneNode::onListItemChosen(CEvent*) {
    playCue(soundCueName(GSoundCue::ButtonClick));
    return false;
}

bool GBaseSceneNode::onListItemHovered(CEvent*) {
    playCue(soundCueName(GSoundCue::ButtonOver));
    return false;
}

bool GBaseSceneNode::onListItemUnhovered(CEvent*) { return false; }

bool GBaseSceneNode::onVideoDriverCreated(CEvent*) {
    applyStateRecursive(getRatioStateName(), nullptr);
    return false;
}

bool GBaseSceneNode::update(uint32_t elapsed) {
    if (isFocused())
        m_focusedTime += elapsed;
    return true;
}

// ---------------------------------------------------------------------------

bool GBaseSceneNode::goToIntro(int32_t mode, const CStringW& name, int32_t flag) {
    GGameApplication* game = GGameApplication::instance();
    CContentManager* content = game ? game->getContentManager() : nullptr;
    if (!content)
        return false;
    CRefHandle<IContent> loaded(content->load(ContentTypeSceneNode, CStringW(u"scenes/IntroScene.mscn"), false));
    CRefHandle<GIntroScene> intro(
        CRefHandle<GIntroScene>::share(nodeCast<GIntroScene>(dynamic_cast<BaseNode*>(loaded.get()))));
    if (!intro)
        return false;
    intro->setMode(mode, name, flag);
    if (mode == IntroComicsOver)
        return navigateTo(intro.get(), flag != 0, CName("NavFrom"), CName("NavTo"));
    // The level's templates go with the level.
    if (SceneManager* overlay = game->getOverlaySceneManager())
        overlay->setTemplateCollection(nullptr);
    SceneManager* manager = getSceneManager();
    if (!manager)
        return false;
    return manager->setScene(intro.get(), CName("NavToFirst"));
}

void GBaseSceneNode::retain(CRefCounted* object) {
    if (!object)
        return;
    object->addRef();
    m_retained.push_back(object);
}

CName GBaseSceneNode::getRatioStateName() {
    GGameApplication* game = GGameApplication::instance();
    CEngine* engine = game ? game->getEngine() : nullptr;
    if (!engine)
        return ratioStateName(4, 3);
    if (game->isFullScreen() && engine->getDisplayModes()) {
        const CDisplayMode& desktop = engine->getDisplayModes()->desktopMode();
        return ratioStateName(desktop.width, desktop.height);
    }
    if (IGraphicsDriver* driver = engine->getVideoDriver())
        return ratioStateName(driver->screenSize().width, driver->screenSize().height);
    return ratioStateName(4, 3);
}

CName GBaseSceneNode::ratioStateName(int32_t width, int32_t height) {
    static const CName names[] = {CName("Ratio_4/3"), CName("Ratio_3/2"), CName("Ratio_16/10"), CName("Ratio_16/9")};
    static constexpr float ratios[] = {4.0f / 3.0f, 1.5f, 1.6f, 16.0f / 9.0f};
    if (height <= 0)
        return names[0];
    const float r = float(width) / float(height);
    if (r < 1.3333334f)
        return names[0];
    if (r > 1.7777778f)
        return names[3];
    // The nearest; a tie keeps the smaller ratio.
    int best = 0;
    for (int i = 1; i < 4; ++i)
        if (std::fabs(ratios[i] - r) < std::fabs(ratios[best] - r))
            best = i;
    return names[best];
}

void GBaseSceneNode::playCue(CName cue) {
    CEngine* engine = findEngineInstance();
    if (CSoundCueManager* cues = engine ? engine->getSoundCueManager() : nullptr)
        (void)cues->play(cue, false, 0);
}

bool GBaseSceneNode::isShownBy(const CEvent* event) const {
    return static_cast<const CEventSceneChange*>(event)->getToScene() == this;
}

int32_t textReadingTime(int32_t characters) { return (characters / 14) * 1000; }
