#include "tools/autoplay/AutoPlayWorld.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CLog.h"
#include "engine/core/CRandom.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/app/GGameApplication.h"
#include "game/app/main/GGameClasses.h"
#include "game/config/GlobalConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/RandomEvents.h"
#include "game/config/UpgradesConfiguration.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GMajorOfficeNode.h"

#include <algorithm>

namespace {

// The level clock's own period: one update of the main loop per tick.
constexpr uint32_t kTickMs = GGameLevelScene::TickInterval;

void logError(const CString& line) { CLog::instance()->log(line, CLog::Error); }

} // namespace

AutoPlayWorld::AutoPlayWorld() = default;

AutoPlayWorld::~AutoPlayWorld() {
    closeLevel();
    m_templates.reset();
    if (m_engine) {
        if (m_scheduler)
            m_engine->removeListener(m_scheduler.get());
    }
    m_manager.reset();
    m_scheduler.reset();
    m_content.reset();
    if (m_game)
        m_game->release();
    if (m_engine && getEngineInstance() == m_engine.get())
        setEngineInstance(nullptr);
}

bool AutoPlayWorld::open(const std::string& assetsFolder, const std::string& sourceFolder, uint32_t seed) {
    m_engine.reset(new CEngine(CEngineCreationParams()));
    setEngineInstance(m_engine.get());
    if (CRandom* random = CEngineManagers::instance().getRandom())
        random->seed(seed);

    CRefHandle<CVirtualFileSystem> files(new CVirtualFileSystem);
    if (!files->mountArchive(fromNativePath(assetsFolder), nullptr)) {
        logError(CString("Can't read the game's assets: ") + CString(assetsFolder.c_str()));
        return false;
    }
    if (!files->mountArchive(fromNativePath(sourceFolder), nullptr)) {
        logError(CString("Can't read the source folder: ") + CString(sourceFolder.c_str()));
        return false;
    }
    files->addRef();
    m_engine->setFileSystem(files.get());

    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    registerAllGameClasses();
    CRefHandle<CContentProcessorsManager> processors(new CContentProcessorsManager(files.get()));
    if (!CSceneNodeProcessor::registerWith(processors.get(), factory)) {
        logError("Can't read scene files");
        return false;
    }
    processors->addRef();
    m_engine->setContentProcessorsManager(processors.get());
    m_engine->createServices();

    // The level reads the active player's level index: one player of our own.
    auto* profiles = new CProfileManager(files.get());
    m_engine->setProfileManager(profiles);
    if (!profiles->addProfile(CStringW(u"Autoplay")) || !profiles->setActiveProfile(0))
        return false;

    m_content.reset(m_engine->createContentManager());
    m_scheduler.reset(m_engine->createScheduler());
    (void)m_engine->addListener(m_scheduler.get(), GGameApplication::SchedulerPriority);
    m_manager.reset(m_engine->createSceneManager());
    // The manager drains its queue from the scheduler; it takes no input, so
    // it does not listen to the engine (the update would only walk the
    // level's tree for nothing).
    m_manager->setScheduler(m_scheduler.get());

    // The game object holds the shared configurations the world asks for.
    m_game = new GGameApplication(GGameOptions());
    CRefHandle<CXmlStreamReader> global(files->openXmlReader(CStringW(u"levels/common/GlobalConfig.xml")));
    if (global)
        (void)m_game->getGlobalConfig()->readFromXml(*global);
    ObjectsConfiguration* objects = m_game->getObjectsConfiguration();
    for (const char16_t* path : ObjectsConfiguration::FileNames) {
        CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(path)));
        if (!reader) {
            logError(CString("Can't read the shared configuration: ") + CString(CStringW(path)));
            return false;
        }
        (void)objects->readFromXml(*reader);
    }
    CRefHandle<CXmlStreamReader> upgrades(files->openXmlReader(CStringW(u"levels/common/UpgradesConfiguration.xml")));
    if (upgrades)
        (void)m_game->getUpgradesConfiguration()->readFromXml(*upgrades);

    // The level's templates: the level's own collection where the assets
    // have one, else the game's.
    for (const char16_t* path : {u"levels/common/TemplateCollection.mscn", u"scenes/TemplateCollection.mscn"}) {
        if (!files->exists(CStringW(path), true))
            continue;
        m_templates.reset(m_content->loadNode<TemplateCollectionNode>(CStringW(path), false));
        if (m_templates)
            break;
    }
    if (!m_templates) {
        logError("Can't read the level's templates");
        return false;
    }
    m_manager->setTemplateCollection(m_templates.get());
    return true;
}

bool AutoPlayWorld::loadLevel(const std::string& levelFolder, int levelNumber) {
    closeLevel();
    if (!m_engine || !m_game)
        return false;
    CVirtualFileSystem* files = m_engine->getFileSystem();
    if (CProfileParameters* player = m_engine->getProfileManager()->getActiveProfile())
        player->setInt("LevelIndex", levelNumber - 1);

    std::string folder = levelFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const CStringW path = fromNativePath(folder);
    CRefHandle<CXmlStreamReader> rules(files->openXmlReader(path + u"LevelConfiguration.xml"));
    if (!rules) {
        logError(CString("Can't read the level's rules: ") + CString(folder.c_str()) + "LevelConfiguration.xml");
        return false;
    }
    m_configuration.reset(new LevelConfiguration);
    m_configuration->readFromXml(*rules);

    m_level.reset(m_content->loadNode<GGameLevelScene>(path + u"Level.mscn", false));
    if (!m_level || !m_level->isKindOf(GGameLevelScene::TypeId)) {
        logError(CString("Can't read the level scene: ") + CString(folder.c_str()) + "Level.mscn");
        m_level.reset();
        return false;
    }
    if (!m_level->hasHeadquarters()) {
        logError(CString("No Major Office found on the level: ") + CString(folder.c_str()));
        return false;
    }
    // The level start, as the play screen makes it: the level alone on its
    // manager, its rules, the controls' templates, the walk grid, the clock
    // running and the objectives counted.
    if (!m_manager->setScene(m_level.get(), CName()))
        return false;
    m_level->setBuildingsConfiguration(m_game->getObjectsConfiguration());
    m_level->setLevelConfiguration(m_configuration.get());
    const CRefHandle<CEventManagerAttached> attached(new CEventManagerAttached(m_manager.get()));
    if (!m_level->routeToChildren(CEventReceiver::HandleThenChildren, attached.get()))
        (void)m_level->handleEvent(attached.get());
    m_level->rebuildWalkGrid();
    m_level->setPausedFlag(false);
    // As the objectives screen closes: the random events start (paused until
    // the player's first click) and the objectives count.
    m_configuration->getRandomEvents()->startAll(m_level->getLevelReceiver(), m_scheduler.get());
    m_level->setObjectivesActive(true);
    m_level->recalculate();
    m_elapsed = 0;
    return true;
}

bool AutoPlayWorld::attach(GGameLevelScene* level, std::function<void(uint32_t)> advance) {
    closeLevel();
    if (!level || !advance || !level->getLevelConfiguration() || !level->hasHeadquarters()) {
        logError("The level to play has no rules or no headquarters");
        return false;
    }
    m_level = CRefHandle<GGameLevelScene>::share(level);
    m_configuration = CRefHandle<LevelConfiguration>::share(level->getLevelConfiguration());
    m_advance = std::move(advance);
    m_elapsed = 0;
    return true;
}

void AutoPlayWorld::closeLevel() {
    if (m_advance) {
        // What was handed over stays as its owner has it.
        m_advance = nullptr;
        m_level.reset();
        m_configuration.reset();
        return;
    }
    if (m_configuration)
        m_configuration->getRandomEvents()->stopAll();
    if (m_level && m_manager)
        (void)m_manager->setScene(nullptr, CName());
    m_level.reset();
    m_configuration.reset();
    if (m_content)
        m_content->purge();
}

void AutoPlayWorld::step(uint32_t ms) {
    if (m_advance) {
        m_advance(ms);
        m_elapsed += ms;
        return;
    }
    while (ms > 0) {
        const uint32_t tick = std::min(ms, kTickMs);
        const CRefHandle<CEventUpdate> update(new CEventUpdate(tick));
        (void)m_engine->postEvent(update.get());
        m_elapsed += tick;
        ms -= tick;
    }
}

GMajorOfficeNode* AutoPlayWorld::getHeadquarters() const {
    return m_level ? nodeCast<GMajorOfficeNode>(m_level->getHeadquartersBuilding()) : nullptr;
}
