// The play screen's level start, its arrivals and departures, the tutorials
// it hangs over the level and the window's focus.
#include "engine/content/CContentManager.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GGameApplication.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectivesGroup.h"
#include "game/config/RandomEvents.h"
#include "game/config/TabsConfiguration.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/play/GTutorialController.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GObjectNode.h"

using namespace playscene;

namespace {

// The level's sounds pause while the screen is covered or the window
// inactive; the voices as well while it is covered.
constexpr int32_t kLevelGroup = GGameApplication::GroupInterfaceSounds;
constexpr int32_t kVoicesGroup = GGameApplication::GroupVoices;
constexpr float kTutorialWindowDepth = -1400.0f;

CProfileParameters* currentPlayer() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

CVirtualFileSystem* fileSystem() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getFileSystem() : nullptr;
}

CXmlStreamReader* openXml(const CStringW& path) {
    CVirtualFileSystem* files = fileSystem();
    return files ? files->openXmlReader(path) : nullptr;
}

CLog& log() { return *CLog::instance(); }

// What the objectives window reads of the level: its number and its groups.
class LevelObjectives : public CRefCounted, public ILevelObjectives {
public:
    explicit LevelObjectives(const IGameLevel* level) : m_level(level) {}
    [[nodiscard]] int32_t getLevelNumber() const override { return m_level->getLevelNumber(); }
    [[nodiscard]] int32_t getObjectivesGroupCount() const override {
        const LevelConfiguration* configuration = m_level->getLevelConfiguration();
        return configuration ? int32_t(configuration->getGroupCount()) : 0;
    }

protected:
    ~LevelObjectives() override = default;

private:
    const IGameLevel* m_level;
};

// A tutorial of the level: voice and automatic advance on.
void setLevelModes(GTutorialController* tutorial) {
    tutorial->setVoiceOn(true);
    tutorial->setAutoAdvance(true);
}

} // namespace

GGameLevelScene* GGamePlayScene::getWorld() const { return nodeCast<GGameLevelScene>(m_levelScene.get()); }

// ---------------------------------------------------------------------------
// Level start

bool GGamePlayScene::startLevel(const CStringW& levelFolder, SceneNode* levelScene) {
    IGameLevel* level = dynamic_cast<IGameLevel*>(levelScene);
    if (levelFolder.empty() || !level) {
        log().log("Unable to start a level without its folder and scene", CLog::Error);
        return false;
    }
    BaseNode* scene = child(this, "Scene");
    if (!scene) {
        log().log("Unable to start the level: the play screen has no Scene node", CLog::Error);
        return false;
    }
    GGameApplication* game = GGameApplication::instance();
    SceneManager* overlay = game ? game->getOverlaySceneManager() : nullptr;
    CProfileParameters* player = currentPlayer();
    if (!overlay || !player) {
        log().log("Unable to start the level without the game's overlay and a player", CLog::Error);
        return false;
    }
    CRefHandle<CXmlStreamReader> reader(openXml(levelFolder + u"LevelConfiguration.xml"));
    if (!reader) {
        log().log(CString("Unable to find configuration for the level: ") + CString(levelFolder), CLog::Error);
        return false;
    }
    m_tutorialFolder = levelFolder;
    CRefHandle<LevelConfiguration> configuration(new LevelConfiguration);
    configuration->readFromXml(*reader);
    reader = nullptr;

    CRefHandle<CXmlStreamReader> tabs(openXml(CStringW(u"scenes/TabsConfiguration.xml")));
    if (!tabs) {
        log().log("Unable to load tabs configuration.", CLog::Error);
        return false;
    }
    CRefHandle<TabsConfiguration> tabsConfiguration(new TabsConfiguration);
    (void)tabsConfiguration->readFromXml(*tabs);
    tabs = nullptr;
    m_tabsConfiguration = tabsConfiguration;

    // A level bound earlier loses its tutorials with it.
    hideLevelTutorial();
    hideGroupTutorial();
    hideQuestTutorial(false);
    (void)bindLevel(levelScene);
    m_objectivesLevel = CRefHandle<CRefCounted>(new LevelObjectives(level));
    GGameLevelScene* world = getWorld();

    const bool tutorialWanted =
        player->getBool("ShowTutorialOn") &&
        (GGameApplication::isDeveloperMode() || player->getInt("ShowTutorialLevel") < player->getInt("LevelIndex"));
    const bool tipsWanted = player->getBool("ShowTipsOn");
    if (tutorialWanted || tipsWanted) {
        if (CRefHandle<CXmlStreamReader> file(openXml(levelFolder + u"Tutorial.xml")); file) {
            m_levelTutorial = CRefHandle<GTutorialController>(createTutorial(*file));
            setLevelModes(m_levelTutorial.get());
            if (!tutorialWanted)
                m_levelTutorial->skipNonTipHints();
            if (!tipsWanted)
                m_levelTutorial->skipTipHints();
            // Started after the objectives window (see update).
            attachTutorial(m_levelTutorial.get(), false);
        }
    }

    if (m_timeNode)
        m_timeNode->setVisible(configuration->IsClockOn);

    SceneManager* main = game->getSceneManager();
    TemplateCollectionNode* templates = main ? main->getTemplateCollection() : nullptr;
    BaseNode* windowTemplate = templates ? templates->findTemplate(CName("TutorialWindow")) : nullptr;
    if (!m_tutorialWindow && windowTemplate) {
        // Kept hidden below the tutorial's own windows; the screen never
        // shows it.
        m_tutorialWindow = windowTemplate->clone(scene, main);
        if (m_tutorialWindow) {
            m_tutorialWindow->setVisible(false);
            CVector3d position = m_tutorialWindow->getPosition();
            position.z = kTutorialWindowDepth;
            m_tutorialWindow->setPosition(position);
            m_tutorialWindow->markTransformDirty();
            if (BaseNode* skip = child(m_tutorialWindow, "SkipTutorialButton"))
                skip->setVisible(false);
        }
    }

    if (m_goalsBg) {
        const bool quest = levelNumber() >= globalConfig()->AllowQuestBoxFromLevel;
        m_goalsBg->applyStateRecursive(CName(quest ? "WithQuest" : "WithoutQuest"), nullptr);
    }

    (void)overlay->setScene(levelScene);
    if (world) {
        world->setBuildingsConfiguration(objectsConfiguration());
        world->setLevelConfiguration(configuration.get());
    }
    {
        CRefHandle<CEventManagerAttached> attached(new CEventManagerAttached(levelScene->getSceneManager()));
        (void)levelScene->dispatch(CEventReceiver::ChildrenThenHandle, attached.get());
    }
    if (world) {
        world->rebuildWalkGrid();
        world->setPausedFlag(false);
    }
    m_headquarters = nodeCast<GBuildingNode>(level->getHeadquarters());
    return true;
}

// ---------------------------------------------------------------------------
// Arrivals and departures

bool GGamePlayScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    if (GBaseSceneNode::onNavigationStarted(event))
        return true;
    m_isShown = false;
    GGameLevelScene* world = getWorld();
    CSoundCueManager* cues = cueManager();
    if (event->getToScene() == this) {
        if (cues) {
            cues->pauseGroup(false, kLevelGroup);
            cues->pauseGroup(false, kVoicesGroup);
            cues->stop(CName("MenuMusic"), 0);
        }
        const int setting = globalConfig()->levelSettingIndex(levelNumber());
        m_levelMusicCue = CName(CString("GameMusicSetting") + (setting + 1));
        if (cues)
            (void)cues->play(m_levelMusicCue, true, 0);

        if (event->isForward()) {
            GGameApplication* game = GGameApplication::instance();
            SceneManager* overlay = game ? game->getOverlaySceneManager() : nullptr;
            if (BaseNode* scene = child(this, "Scene"); scene && overlay) {
                scene->insertChild(overlay, 0);
                if (m_levelScene)
                    m_levelScene->setSceneManager(overlay, m_levelScene.get());
            }
            m_levelMusicReplayed = false;
            fillBuildLists();
            fillWorkersList();
            layoutGoalsPanel();
            CArray<GBuildingNode*> served;
            (void)markServedPlaces(served, nullptr, nullptr);
            if (m_actionsTabs)
                m_actionsTabs->setActiveTab(3, false);
            layoutLevelClock();
        } else if (world) {
            world->blockHitsUnderSmoke();
        }
        updateBuildingTabHint(nullptr);
        updateBuildGroupHint(nullptr);
        (void)update(0);
        (void)onLevelStatsChanged(nullptr);
        return true;
    }
    if (event->getFromScene() == this) {
        if (world)
            world->setUpdating(false);
        if (cues) {
            cues->pauseGroup(true, kLevelGroup);
            cues->pauseGroup(true, kVoicesGroup);
        }
        if (auto* headquarters = nodeCast<GMajorOfficeNode>(m_headquarters))
            headquarters->setQuestParticlesTarget(m_chestButton);
    }
    return false;
}

void GGamePlayScene::layoutLevelClock() {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!m_timeProgressBar || !configuration)
        return;
    int total = 0;
    for (uint32_t i = 0; i < configuration->getGroupCount(); ++i)
        total += configuration->getGroup(i)->Time;
    m_timeProgressBar->setMinValue(0.0f);
    m_timeProgressBar->setMaxValue(float(total));
    m_timeProgressBar->clearCheckpoints();
    for (uint32_t i = 0; i < configuration->getGroupCount(); ++i)
        m_timeProgressBar->addCheckpointTime(total > 0 ? float(configuration->getGroup(i)->Time) / float(total) : 0.0f);
    m_timeProgressBar->layoutCheckpoints();
    m_timeProgressBar->setValue(0.0f);
}

bool GGamePlayScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    if (GBaseSceneNode::onNavigationFinished(event))
        return true;
    GGameLevelScene* world = getWorld();
    if (event->getToScene() == this) {
        m_isShown = true;
        if (event->isForward()) {
            m_pendingArrival = 1;
        } else if (event->getFromScene() && event->getFromScene()->isKindOf(GLevelObjectivesScene::TypeId)) {
            m_pendingArrival = 2;
            startRandomEvents();
            if (world) {
                world->setObjectivesActive(true);
                world->recalculate();
            }
        }
        if (world)
            world->setUpdating(true);
        return true;
    }
    if (event->getFromScene() == this) {
        if (world)
            world->setUpdating(false);
        if (CSoundCueManager* cues = cueManager())
            cues->pauseGroup(true, kLevelGroup);
    }
    return false;
}

void GGamePlayScene::startRandomEvents() {
    GGameLevelScene* world = getWorld();
    LevelConfiguration* configuration = levelConfiguration();
    if (!world || !configuration)
        return;
    RandomEvents* events = configuration->getRandomEvents();
    if (events && events->size() > 0)
        events->startAll(world->getLevelReceiver(), getSceneScheduler());
    // The level's own clock waits for the events as well.
    world->setRandomEventsPaused(false);
}

bool GGamePlayScene::onWindowFocus(CEvent* event) {
    if (GBaseSceneNode::onWindowFocus(event))
        return true;
    if (static_cast<CEventWindowActivate*>(event)->isActive())
        return false;
    if (CSoundCueManager* cues = cueManager())
        cues->pauseGroup(true, kLevelGroup);
    SceneManager* manager = getSceneManager();
    if (!manager || manager->getCurrentScene() != this || !m_isShown || !m_objectivesShown)
        return false;
    (void)navigateToFile(CStringW(u"scenes/InGameMenuScene.mscn"), true, CName("NavFrom"), CName("NavTo"));
    // The window stays dark otherwise: one frame with the menu is drawn.
    if (GGameApplication* game = GGameApplication::instance()) {
        CRefHandle<CEvent> render(new CEventRender);
        if (!game->handleEvent(render.get()))
            (void)game->routeToChildren(CEventReceiver::HandleThenChildren, render.get());
    }
    return false;
}

// ---------------------------------------------------------------------------
// Tutorials

GTutorialController* GGamePlayScene::createTutorial(CXmlStreamReader& reader) {
    BaseNode* scene = child(this, "Scene");
    GGameApplication* game = GGameApplication::instance();
    if (!scene || !game)
        return nullptr;
    SceneManager* main = game->getSceneManager();
    auto* tutorial =
        new GTutorialController(scene, main ? main->getTemplateCollection() : nullptr, game->getContentManager());
    tutorial->load(reader, m_levelScene ? m_levelScene.get() : nullptr);
    return tutorial;
}

template <class F> void GGamePlayScene::forEachTutorialReceiver(bool everyPlace, F&& visit) {
    visit(static_cast<CEventReceiver*>(this));
    if (m_levelScene)
        visit(static_cast<CEventReceiver*>(m_levelScene.get()));
    if (m_actionsTabs)
        visit(static_cast<CEventReceiver*>(m_actionsTabs));
    if (!m_level)
        return;
    for (int i = 0; i < m_level->getPlaceCount(); ++i)
        if (auto* place = as<ControlNode>(m_level->getPlace(i));
            place && (everyPlace || (place->isVisible() && place->isEnabled())))
            visit(static_cast<CEventReceiver*>(place));
    // The level scene lists its places by the road, its trains and its
    // letters; another level answers for its places by the road only.
    if (GGameLevelScene* world = getWorld()) {
        for (GBuildingNode* location : world->getLocations())
            visit(static_cast<CEventReceiver*>(location));
        for (GObjectNode* train : world->getTrainPool())
            visit(static_cast<CEventReceiver*>(train));
        for (BaseNode* letter : world->getLetters())
            visit(static_cast<CEventReceiver*>(letter));
        return;
    }
    for (int i = 0; i < m_level->getOnRoadLocationCount(); ++i)
        if (BaseNode* location = m_level->getOnRoadLocation(i))
            visit(static_cast<CEventReceiver*>(location));
}

void GGamePlayScene::attachTutorial(GTutorialController* tutorial, bool everyPlace) {
    forEachTutorialReceiver(everyPlace, [tutorial](CEventReceiver* receiver) { receiver->addPreHandler(tutorial); });
}

void GGamePlayScene::detachTutorial(GTutorialController* tutorial) {
    // Every place, hidden or not: a place may have been hidden since.
    forEachTutorialReceiver(true, [tutorial](CEventReceiver* receiver) { receiver->removePreHandler(tutorial); });
}

void GGamePlayScene::hideTutorial(CRefHandle<GTutorialController>& field) {
    if (!field)
        return;
    // The field is cleared first: closing may report back to this screen.
    CRefHandle<GTutorialController> tutorial = field;
    field = nullptr;
    detachTutorial(tutorial.get());
    tutorial->close();
}

void GGamePlayScene::hideLevelTutorial() { hideTutorial(m_levelTutorial); }

void GGamePlayScene::hideGroupTutorial() { hideTutorial(m_groupTutorial); }

void GGamePlayScene::hideQuestTutorial(bool withState) {
    const bool had = bool(m_questTutorial);
    hideTutorial(m_questTutorial);
    if (!had || !withState)
        return;
    if (BaseNode* scene = child(this, "Scene"))
        scene->applyStateRecursive(CName("TutHide"), nullptr);
    if (CSoundCueManager* cues = cueManager())
        cues->pauseGroup(false, kLevelGroup);
}

void GGamePlayScene::showQuestTutorial(const CStringW& fileName, CName questStateName) {
    BaseNode* scene = child(this, "Scene");
    if (fileName.empty() || questStateName == CName() || !scene)
        return;
    CRefHandle<CXmlStreamReader> reader(openXml(m_tutorialFolder + fileName));
    if (!reader)
        return;
    hideLevelTutorial();
    hideGroupTutorial();
    hideQuestTutorial(true);
    CRefHandle<GTutorialController> tutorial(createTutorial(*reader));
    if (!tutorial)
        return;
    tutorial->setSkipButtonShown(true);
    tutorial->setEnabled(false);
    tutorial->setVoiceOn(true);
    tutorial->setAutoAdvance(true);
    tutorial->setQuestStateName(questStateName);
    tutorial->setSkipButtonsText(CStringW(u"%GamePlay_TutorialClickToContinue%"));
    m_questTutorial = tutorial;
    attachTutorial(tutorial.get(), true);
    tutorial->start(0);
    reader = nullptr;
    scene->applyStateRecursive(CName("TutShow"), nullptr);
    if (CSoundCueManager* cues = cueManager())
        cues->pauseGroup(true, kLevelGroup);
}

bool GGamePlayScene::onLocationDone(GOnRoadLocationDoneMessage* message) {
    auto* location = message ? message->getLocation<GBuildingNode>() : nullptr;
    if (!location)
        return false;
    for (GTutorialController* tutorial : {m_levelTutorial.get(), m_groupTutorial.get(), m_questTutorial.get()})
        if (tutorial)
            location->removePreHandler(tutorial);
    if (GGameLevelScene* world = getWorld())
        world->removeOnRoadLocation(location);
    return false;
}
