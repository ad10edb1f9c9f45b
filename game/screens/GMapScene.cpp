#include "game/screens/GMapScene.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CMat4.h"
#include "engine/core/NumberText.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/SceneManager.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GGameApplication.h"
#include "game/config/GlobalConfig.h"
#include "game/play/GTutorialController.h"
#include "game/screens/GMapLocationButton.h"
#include "game/screens/GScreenServices.h"

namespace {

constexpr int32_t kKeyEsc = 27;
constexpr int32_t kKeyU = 'U';
constexpr float kHintDepth = 3000.0f;

CStringW decimal(int32_t value) { return CStringW() + value; }

// The level the player chose, kept within the levels there are (saved when
// it had to be moved).
int32_t chosenLevel(CProfileParameters* player) {
    const int32_t level = player->getInt("LevelIndex");
    const int32_t kept = level < 0 ? 0 : level >= GMapScene::LevelCount ? GMapScene::LevelCount - 1 : level;
    if (kept != level) {
        player->setInt("LevelIndex", kept);
        (void)player->save();
    }
    return kept;
}

} // namespace

GMapScene::GMapScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

GMapScene::~GMapScene() { detachTutorial(); }

BaseNode* GMapScene::create(const CObjectName& name) { return new GMapScene(name, nullptr, nullptr); }

const CStringW& GMapScene::getTypeName() const {
    static const CStringW name(u"GMapScene");
    return name;
}

const CStringW& GMapScene::getClassName() const { return GMapScene::getTypeName(); }

BaseNode* GMapScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GMapScene>(parent, sceneManager);
}

void GMapScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GMapScene::onLoaded() {
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (!scene)
        return;
    m_settingsNode = scene->findChild(CName("BgSetting"), 1);
    if (m_settingsNode) {
        m_settingOverlays.clear();
        for (BaseNode* overlay : m_settingsNode->getChildren())
            m_settingOverlays.push_back(overlay);
    }
    m_hintNode = scene->findChild(CName("HintNode"), 1);
    if (m_hintNode) {
        m_levelHint = m_hintNode->findChild(CName("Hint1"), 1);
        if (m_levelHint)
            m_levelHint->setVisible(false);
    }
    m_locationButtons.clear();
    if (BaseNode* buttons = scene->findChild(CName("LocationButtons"), 1))
        for (BaseNode* child : buttons->getChildren())
            if (auto* button = nodeCast<GMapLocationButton>(child))
                m_locationButtons.push_back(button);
}

template <class Apply> void GMapScene::forEachSettingOverlay(Apply apply) const {
    if (m_settingOverlays.size() < 2)
        return;
    apply(m_settingOverlays[0], -1);
    const GlobalConfig* config = globalConfig();
    if (!config)
        return;
    // Overlay k stands for the setting after the k-th; the list and the
    // scene file may disagree on how many there are.
    const CArray<int>& lastLevels = config->SettingsLastLevelsNumbers;
    for (uint32_t k = 1; k < m_settingOverlays.size() && k - 1 < lastLevels.size(); ++k)
        apply(m_settingOverlays[k], lastLevels[k - 1] - 1);
}

bool GMapScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    // Left for the level, the menu or the headquarters: the tutorial stops
    // listening at once; its window goes with the map.
    if (event->getFromScene() == this && !isShownBy(event)) {
        silenceTutorial();
        return false;
    }
    CProfileParameters* player = currentPlayer();
    if (!player)
        return false;
    const int32_t maxUnlocked = player->getInt("MaxUnlockedLevelIndex");
    m_firstPassedLevel = player->getInt("FirstPassedLevelNum");
    if (!isShownBy(event))
        return false;

    if (CSoundCueManager* cues = cueManager())
        (void)cues->play(CName("MapMusic"), true, 0);
    for (uint32_t i = 0; i < m_locationButtons.size(); ++i) {
        m_locationButtons[i]->bindMarkerText();
        m_locationButtons[i]->setText(decimal(int32_t(i) + 1));
    }
    const int32_t firstPassed = m_firstPassedLevel;
    forEachSettingOverlay([&](BaseNode* overlay, int32_t threshold) {
        prepareSettingOverlay(overlay, threshold, maxUnlocked, firstPassed);
    });
    refreshLocationButtons();

    detachTutorial();
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (player->getBool("ShowTutorialOn") && maxUnlocked == -1 && player->getBool("ShowTutorialMap1")) {
        CEngine* engine = findEngineInstance();
        CVirtualFileSystem* files = engine ? engine->getFileSystem() : nullptr;
        CRefHandle<CXmlStreamReader> reader(files ? files->openXmlReader(CStringW(u"scenes/MapTutorial1.xml"))
                                                  : nullptr);
        m_tutorialFlagName = CString("ShowTutorialMap1");
        GGameApplication* game = GGameApplication::instance();
        if (reader && scene && game) {
            SceneManager* manager = game->getSceneManager();
            m_tutorial.reset(new GTutorialController(scene, manager ? manager->getTemplateCollection() : nullptr,
                                                     game->getContentManager()));
            m_tutorial->load(*reader, nullptr);
            addPreHandler(m_tutorial.get());
        }
    }

    if (!scene || !scene->findChild(CName("HQButton"), 1))
        return false;
    const GlobalConfig* config = globalConfig();
    const int32_t hqLevel = config ? config->AllowHQUpgradeFromLevel : 0;
    scene->setState(CName(maxUnlocked < hqLevel - 1 ? "2_button" : "3_button"), nullptr, CName());
    return false;
}

void GMapScene::prepareSettingOverlay(BaseNode* overlay, int32_t threshold, int32_t maxUnlocked, int32_t firstPassed) {
    if (!overlay)
        return;
    if (maxUnlocked < threshold) {
        overlay->setVisible(true);
        overlay->setState(CName("Normal"), nullptr, CName());
    } else if (firstPassed != threshold) {
        overlay->setVisible(false);
    }
}

void GMapScene::revealSettingOverlay(BaseNode* overlay, int32_t threshold, int32_t maxUnlocked, int32_t firstPassed) {
    if (!overlay || threshold > maxUnlocked || firstPassed != threshold)
        return;
    overlay->setVisible(true);
    overlay->setState(CName("Passed"), nullptr, CName());
}

bool GMapScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    if (GBaseSceneNode::onNavigationFinished(event))
        return true;
    if (event->getFromScene() == this && !isShownBy(event)) {
        detachTutorial();
        return false;
    }
    CProfileParameters* player = currentPlayer();
    if (!isShownBy(event) || !player)
        return false;
    const int32_t maxUnlocked = player->getInt("MaxUnlockedLevelIndex");
    const int32_t firstPassed = player->getInt("FirstPassedLevelNum");
    forEachSettingOverlay([&](BaseNode* overlay, int32_t threshold) {
        revealSettingOverlay(overlay, threshold, maxUnlocked, firstPassed);
    });
    player->setBool("PlayFirstComics", false);
    (void)player->save();
    m_firstPassedLevel = firstPassed;
    player->setInt("FirstPassedLevelNum", FirstPassedConsumed);
    if (m_tutorial)
        m_tutorial->start(0);
    return false;
}

void GMapScene::refreshLocationButtons() {
    CProfileParameters* player = currentPlayer();
    if (!player)
        return;
    const int32_t maxUnlocked = player->getInt("MaxUnlockedLevelIndex");
    const int32_t level = chosenLevel(player);
    const int32_t firstPassed = m_firstPassedLevel;
    m_firstPassedLevel = FirstPassedConsumed;

    CArray<int> ranks = parseIntList(player->getString("Ranks").c_str());
    while (ranks.size() < uint32_t(level) + 1 || ranks.size() < m_locationButtons.size())
        ranks.push_back(0);
    for (uint32_t index = 0; index < m_locationButtons.size(); ++index) {
        GMapLocationButton* button = m_locationButtons[index];
        const int32_t i = int32_t(index);
        if (i > maxUnlocked + 1) {
            button->setAvailable(false);
            button->applyStateRecursive(CName("Locked"), nullptr);
            button->setVisible(false);
            continue;
        }
        button->setVisible(true);
        button->setAvailable(true);
        if (ranks[index] == 1)
            button->setCompleted(true);
        else if (ranks[index] == 2)
            button->setGold(true);
        if (i == firstPassed + 1)
            button->playLastUnlocked();
        else if (i == level)
            button->setSelected(true);
        const char* state = i == firstPassed ? "FirstPassed" : i == maxUnlocked + 1 ? "Locked" : "Passed";
        button->applyStateRecursive(CName(state), nullptr);
    }
}

bool GMapScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    CProfileParameters* player = currentPlayer();
    if (!player)
        return false;
    ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control)
        return false;
    const CName name = control->getName();
    if (name == CName("MenuButton")) {
        (void)player->save();
        (void)goToIntro(IntroMainMenu, CStringW(), 0);
        return true;
    }
    if (name == CName("PlayButton")) {
        (void)player->save();
        if (!m_tutorialFlagName.empty()) {
            player->setBool(m_tutorialFlagName, false);
            (void)player->save();
        }
        // No level before the first is ever loaded.
        (void)chosenLevel(player);
        (void)goToIntro(IntroLevel, CStringW(), 0);
        return true;
    }
    if (name == CName("SkipTutorialButton")) {
        if (!m_tutorial)
            return false;
        m_tutorial->requestSkip();
        player->setBool("ShowTutorialOn", false);
        return false;
    }
    if (name == CName("HQButton")) {
        (void)navigateToFile(CStringW(u"scenes/HeadquartersScene.mscn"), true);
        return false;
    }
    auto* clicked = nodeCast<GMapLocationButton>(control);
    if (!clicked)
        return false;
    for (uint32_t i = 0; i < m_locationButtons.size(); ++i) {
        m_locationButtons[i]->setSelected(m_locationButtons[i] == clicked);
        if (m_locationButtons[i] == clicked) {
            player->setInt("LevelIndex", int32_t(i));
            (void)player->save();
        }
    }
    return true;
}

bool GMapScene::onControlHovered(CEvent* event) {
    GBaseSceneNode::onControlHovered(event);
    auto* button = nodeCast<GMapLocationButton>(static_cast<CEventHovered*>(event)->getOnNode());
    if (!button)
        return false;
    m_hintDelay = HintDelayMs;
    m_hoveredButton = button;
    return true;
}

bool GMapScene::onControlUnhovered(CEvent* event) {
    GBaseSceneNode::onControlUnhovered(event);
    showLevelHint(nullptr);
    m_hintDelay = 0;
    return false;
}

bool GMapScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    if (m_tutorial && !m_tutorial->update(elapsed))
        detachTutorial();
    if (m_hintDelay > 0) {
        m_hintDelay -= int32_t(elapsed);
        if (m_hintDelay < 1 && m_hoveredButton) {
            showLevelHint(m_hoveredButton);
            m_hoveredButton = nullptr;
        }
    }
    return true;
}

void GMapScene::showLevelHint(GMapLocationButton* button) {
    const int32_t found = button ? int32_t(m_locationButtons.indexOf(button)) : -1;
    const int32_t index = found < 0 ? 0 : found;
    CProfileParameters* player = currentPlayer();
    const int32_t maxUnlocked = player ? player->getInt("MaxUnlockedLevelIndex") : -1;
    // Levels count from 1 in the settings' table.
    if (const GlobalConfig* config = globalConfig())
        if (config->levelSettingIndex(index + 1) > config->levelSettingIndex(maxUnlocked + 2))
            return;
    if (!button) {
        hideLevelHint();
        return;
    }
    if (!m_levelHint || !m_hintNode)
        return;
    if (BaseNode* marker = button->findChild(CName("LevelMarker"), 1)) {
        CVector3d point = marker->getAbsoluteTransformation().translation();
        inverseOrZero(m_hintNode->getAbsoluteTransformation()).transformPoint(point);
        point.z = kHintDepth;
        m_levelHint->setPosition(point);
    }
    m_levelHint->setVisible(true);
    m_levelHint->setState(CName("Appear"), nullptr, CName());
    m_hintNode->setState(CName("Appear"), nullptr, CName());
    CVector3d hintPosition = m_hintNode->getPosition();
    hintPosition.z = kHintDepth;
    m_hintNode->setPosition(hintPosition);
    if (auto* text = nodeCast<TextNode>(m_levelHint->findChild(CName("LevelText"), 1)))
        if (const CDictionary* texts = dictionary())
            text->setText(texts->format("GamePlay_LEVEL", button->getText(), CStringW(), CStringW(), CStringW()));
}

void GMapScene::hideLevelHint() {
    if (!m_levelHint || !m_levelHint->isVisible())
        return;
    const CNodeState* current = m_levelHint->getCurrentState();
    if (current && current->getName() == CName("Disappear"))
        return;
    m_levelHint->setState(CName("Disappear"), nullptr, CName());
}

bool GMapScene::onKeyUp(CEventKeyUp* event) {
    const int32_t key = event->getKeyCode();
    if (GGameApplication::isDeveloperMode()) {
        if (key >= '0' && key <= '9') {
            GGameApplication* game = GGameApplication::instance();
            if (CContentManager* content = game ? game->getContentManager() : nullptr)
                content->purge();
            (void)goToIntro(IntroComics, CStringW(u"scenes/Comics/episode") + (key - '0') + u"/ComicsScene.mscn", 0);
            return true;
        }
        if (key == kKeyU) {
            unlockNextLevel();
            return true;
        }
    }
    if (key == kKeyEsc) {
        (void)goToIntro(IntroMainMenu, CStringW(), 0);
        return true;
    }
    return GBaseSceneNode::onKeyUp(event);
}

// Opens the next level as if the last open one had just been passed.
void GMapScene::unlockNextLevel() {
    if (CProfileParameters* player = currentPlayer()) {
        const int32_t next = player->getInt("MaxUnlockedLevelIndex") + 1;
        if (next < int32_t(m_locationButtons.size())) {
            player->setInt("MaxUnlockedLevelIndex", next);
            m_firstPassedLevel = next;
            (void)player->save();
        }
        const int32_t open = player->getInt("MaxUnlockedLevelIndex") + 1;
        for (uint32_t i = 0; i < m_locationButtons.size(); ++i) {
            if (int32_t(i) == open) {
                m_locationButtons[i]->playLastUnlocked();
                player->setInt("LevelIndex", open);
                (void)player->save();
            } else {
                m_locationButtons[i]->setSelected(false);
            }
        }
    }
    refreshLocationButtons();
}

void GMapScene::silenceTutorial() {
    if (!m_tutorial)
        return;
    removePreHandler(m_tutorial.get());
    m_tutorial->close();
}

void GMapScene::detachTutorial() {
    if (!m_tutorial)
        return;
    silenceTutorial();
    m_tutorial.reset();
}
