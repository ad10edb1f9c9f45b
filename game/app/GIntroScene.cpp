#include "game/app/GIntroScene.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRandom.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundPack.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"
#include "game/app/IGameLevelScreens.h"
#include "game/config/ComicsConfiguration.h"
#include "game/config/GlobalConfig.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/UpgradesConfiguration.h"

namespace {

// The driver drops an image's pixels once its texture is made.
constexpr uint32_t kTextureFlagDropSource = 16;
constexpr int32_t kLevelSoundGroup = GGameApplication::GroupVoices;
// Steps run more than this many ms apart.
constexpr uint32_t kStepSpacingMs = 10;

bool g_firstRun = true;

using S = GIntroScene;
constexpr GLoadingStep kFirstMainMenu[] = {
    {&S::loadCommonSoundPack, 20}, {&S::loadComicsConfiguration, 5}, {&S::loadCommonAtlas, 10},
    {&S::loadMainMenuAtlas, 20},   {&S::loadCollections, 30},        {&S::showMainMenu, 10},
};
constexpr GLoadingStep kMainMenu[] = {{&S::loadMainMenuAtlas, 20}, {&S::loadCollections, 30}, {&S::showMainMenu, 10}};
constexpr GLoadingStep kMap[] = {
    {&S::loadMapAtlas, 50}, {&S::loadHeadquartersAtlas, 20}, {&S::loadCollections, 30}, {&S::showMap, 10}};
constexpr GLoadingStep kLevel[] = {
    {&S::loadBuildingsAtlas, 30},       {&S::loadEnvironmentAtlases, 30}, {&S::loadGameMenuAtlas, 30},
    {&S::loadObjectivesMenuAtlas, 10},  {&S::loadLevelAtlas, 10},         {&S::loadLevelSoundPack, 15},
    {&S::loadObjectsConfiguration, 10}, {&S::loadLevelCollections, 30},   {&S::loadCollections, 30},
    {&S::loadLevelScene, 30},           {&S::loadPlayScene, 20},          {&S::startLevel, 10},
};
constexpr GLoadingStep kLevelAgain[] = {
    {&S::loadObjectsConfiguration, 10}, {&S::loadLevelScene, 30}, {&S::loadPlayScene, 20}, {&S::startLevel, 10}};
constexpr GLoadingStep kHeadquarters[] = {
    {&S::loadHeadquartersAtlas, 30}, {&S::loadCollections, 20}, {&S::showHeadquarters, 10}};
constexpr GLoadingStep kComics[] = {
    {&S::loadCollections, 50}, {&S::loadComicsAtlases, 30}, {&S::loadComicsSoundPack, 15},
    {&S::loadComicsScene, 30}, {&S::showComics, 20},
};
constexpr GLoadingStep kComicsOver[] = {{&S::loadComicsScene, 30}, {&S::showComics, 30}};

template <size_t N> const GLoadingStep* list(const GLoadingStep (&steps)[N], uint32_t& count) {
    count = N;
    return steps;
}

CEngine* engine() { return findEngineInstance(); }

IGraphicsDriver* driver() {
    CEngine* e = engine();
    return e ? e->getVideoDriver() : nullptr;
}

CContentManager* contentManager() {
    GGameApplication* game = GGameApplication::instance();
    return game ? game->getContentManager() : nullptr;
}

CRefHandle<IContent> load(uint32_t type, const CStringW& path) {
    CContentManager* content = contentManager();
    return CRefHandle<IContent>(content ? content->load(type, path, false) : nullptr);
}

CRefHandle<SceneNode> loadScene(const CStringW& path) {
    CRefHandle<IContent> loaded = load(ContentTypeSceneNode, path);
    return CRefHandle<SceneNode>::share(nodeCast<SceneNode>(dynamic_cast<BaseNode*>(loaded.get())));
}

void purgeContent() {
    if (CContentManager* content = contentManager())
        content->purge();
}

CLog& log() { return *CLog::instance(); }

} // namespace

GIntroScene::GIntroScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {}

BaseNode* GIntroScene::create(const CObjectName& name) { return new GIntroScene(name, nullptr, nullptr); }

const CStringW& GIntroScene::getTypeName() const {
    static const CStringW name(u"GIntroScene");
    return name;
}

const CStringW& GIntroScene::getClassName() const { return GIntroScene::getTypeName(); }

BaseNode* GIntroScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GIntroScene>(parent, sceneManager);
}

void GIntroScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GIntroScene::onLoaded() {
    BaseNode* scene = findChild(CName("Scene"), 1);
    if (scene) {
        m_progressBg = scene->findChild(CName("ProgressBg"), 1);
        m_progress = scene->findChild(CName("Progress"), 1);
        m_background = nodeCast<SpriteNode>(scene->findChild(CName("Bg"), 1));
    }
    CEngine* e = engine();
    CProfileManager* profiles = e ? e->getProfileManager() : nullptr;
    if (CProfileParameters* player = profiles ? profiles->getActiveProfile() : nullptr) {
        const int32_t n = player->getInt("LevelIndex") + 1;
        m_levelFolder = CStringW(u"levels/level") + n + u"/";
        m_levelAtlasPath = CStringW(u"atlases/Level") + n + u".xml";
        m_levelSoundPackPath = CStringW(u"sounds/SoundPackLevel") + n + u".xml";
    }
    setKeepRunning(true);
}

void GIntroScene::setMode(int32_t mode, const CStringW& name, int32_t flag) {
    m_mode = mode;
    m_name = name;
    m_navigationFlag = flag != 0;
}

void GIntroScene::resetFirstRun() { g_firstRun = true; }

const GLoadingStep* GIntroScene::stepList(int32_t mode, bool forward, bool firstRun, uint32_t& count) {
    switch (mode) {
    case IntroMainMenu:
        return firstRun ? list(kFirstMainMenu, count) : list(kMainMenu, count);
    case IntroMap:
        return list(kMap, count);
    case IntroLevel:
        return forward ? list(kLevel, count) : list(kLevelAgain, count);
    case IntroHeadquarters:
        return list(kHeadquarters, count);
    case IntroComics:
        return list(kComics, count);
    case IntroComicsOver:
        return list(kComicsOver, count);
    default:
        count = 0;
        return nullptr;
    }
}

bool GIntroScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    if (!isShownBy(event))
        return false;
    CEngine* e = engine();
    if (CSoundCueManager* cues = e ? e->getSoundCueManager() : nullptr)
        for (int32_t group : {GGameApplication::GroupMusic, GGameApplication::GroupSounds,
                              GGameApplication::GroupInterfaceSounds, GGameApplication::GroupVoices})
            cues->stopGroup(group);

    GGameApplication* game = GGameApplication::instance();
    const GlobalConfig* config = game ? game->getGlobalConfig() : nullptr;
    if (m_background && config && !config->IntroSceneBackgrounds.empty()) {
        CRandom* random = CEngineManagers::instance().getRandom();
        const uint32_t count = config->IntroSceneBackgrounds.size();
        const uint32_t i = random ? random->nextFast() % count : 0;
        CRefHandle<IContent> loaded =
            load(ContentTypeAtlasTexture, CStringW(u"scenes/Loading/") + config->IntroSceneBackgrounds[i]);
        if (auto* texture = dynamic_cast<CAtlasTexture*>(loaded.get()))
            m_background->setAtlasTexture(texture);
    }
    // The images of the headquarters screen and the comics stay in memory
    // with their textures; the other screens drop them.
    if (IGraphicsDriver* d = driver())
        d->setTextureFlag(kTextureFlagDropSource, m_mode == IntroHeadquarters || m_mode == IntroComics);

    const bool firstRun = m_mode == IntroMainMenu && g_firstRun;
    if (firstRun)
        g_firstRun = false;
    m_steps = stepList(m_mode, event->isForward(), firstRun, m_stepCount);
    m_doneWeight = 0.0f;
    m_nextStep = 0;
    m_totalWeight = 0.0f;
    for (uint32_t i = 0; i < m_stepCount; ++i)
        m_totalWeight += m_steps[i].weight;
    updateProgressBar();
    return true;
}

bool GIntroScene::onNavigationFinished(CEventSceneChangeFinished* event) {
    GBaseSceneNode::onNavigationFinished(event);
    if (!isShownBy(event) || m_mode == IntroComicsOver)
        return false;
    m_stepClock = 0;
    GGameApplication* game = GGameApplication::instance();
    if (event->isForward() && game) {
        if (SceneManager* overlay = game->getOverlaySceneManager())
            (void)overlay->setScene(nullptr);
        if (SceneManager* main = game->getSceneManager())
            main->setTemplateCollection(nullptr);
    }
    purgeContent();
    return true;
}

bool GIntroScene::update(uint32_t elapsed) {
    (void)GBaseSceneNode::update(elapsed);
    // A step may replace the whole stack, this screen included.
    CRefHandle<GIntroScene> self(CRefHandle<GIntroScene>::share(this));
    m_stepClock += elapsed;
    if (m_stepClock > kStepSpacingMs) {
        m_stepClock = 0;
        if (m_mode != IntroComicsOver)
            purgeContent();
        if (m_steps && m_nextStep < m_stepCount) {
            const GLoadingStep& step = m_steps[m_nextStep++];
            (this->*step.run)();
            m_doneWeight += step.weight;
        }
    }
    updateProgressBar();
    return true;
}

void GIntroScene::updateProgressBar() {
    if (m_totalWeight == 0.0f || !m_progress || !m_progressBg)
        return;
    const CVector3d& full = m_progressBg->getBounds();
    m_progress->setBounds(CVector3d(m_doneWeight / m_totalWeight * full.x, full.y, full.z));
    m_progress->markTransformDirty();
    m_progress->updateAbsoluteTransformation();
}

void GIntroScene::setKeepRunning(bool on) {
    if (CEngine* e = engine())
        e->setRunWhenInactive(on);
}

// ---------------------------------------------------------------------------
// Steps

void GIntroScene::loadAtlases(std::initializer_list<CStringW> paths, bool forGame) {
    IGraphicsDriver* d = driver();
    const bool previous = d && d->textureFlag(kTextureFlagDropSource);
    if (d)
        d->setTextureFlag(kTextureFlagDropSource, true);
    for (const CStringW& path : paths) {
        CRefHandle<IContent> collection = load(ContentTypeAtlasCollection, path);
        if (!collection)
            continue;
        GGameApplication* game = GGameApplication::instance();
        if (forGame && game)
            game->retain(collection.get());
        else
            retain(collection.get());
    }
    if (d)
        d->setTextureFlag(kTextureFlagDropSource, previous);
}

void GIntroScene::loadSoundPack(const CStringW& path) {
    CRefHandle<IContent> loaded = load(ContentTypeSoundPack, path);
    CEngine* e = engine();
    if (auto* pack = dynamic_cast<SoundPack*>(loaded.get()); pack && e && e->getSoundCueManager())
        pack->registerCues(e->getSoundCueManager());
}

void GIntroScene::loadTemplates(const CStringW& path, SceneManager* manager) {
    retain(load(ContentTypeParticleCollection, CStringW(u"scenes/ParticleCollection.xml")).get());
    CRefHandle<IContent> loaded = load(ContentTypeSceneNode, path);
    auto* templates = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(loaded.get()));
    if (templates && manager)
        manager->setTemplateCollection(templates);
}

void GIntroScene::loadCommonSoundPack() { loadSoundPack(CStringW(u"sounds/SoundPack.xml")); }

void GIntroScene::loadComicsConfiguration() {
    CEngine* e = engine();
    GGameApplication* game = GGameApplication::instance();
    CVirtualFileSystem* files = e ? e->getFileSystem() : nullptr;
    if (!files || !game)
        return;
    CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(u"scenes/ComicsConfiguration.xml")));
    if (reader)
        (void)game->getComicsConfiguration()->readFromXml(*reader);
}

void GIntroScene::loadCommonAtlas() { loadAtlases({CStringW(u"atlases/Common.xml")}, true); }
void GIntroScene::loadMainMenuAtlas() { loadAtlases({CStringW(u"atlases/MainMenu.xml")}, false); }
void GIntroScene::loadMapAtlas() { loadAtlases({CStringW(u"atlases/MapMenu.xml")}, false); }
void GIntroScene::loadHeadquartersAtlas() { loadAtlases({CStringW(u"atlases/HQ.xml")}, false); }
void GIntroScene::loadBuildingsAtlas() { loadAtlases({CStringW(u"atlases/Buildings.xml")}, false); }
void GIntroScene::loadEnvironmentAtlases() {
    loadAtlases({CStringW(u"atlases/Env1.xml"), CStringW(u"atlases/Env2.xml")}, false);
}
void GIntroScene::loadGameMenuAtlas() { loadAtlases({CStringW(u"atlases/GameMenu.xml")}, false); }
void GIntroScene::loadObjectivesMenuAtlas() { loadAtlases({CStringW(u"atlases/ObjMenu.xml")}, false); }
void GIntroScene::loadLevelAtlas() { loadAtlases({m_levelAtlasPath}, false); }

void GIntroScene::loadCollections() {
    GGameApplication* game = GGameApplication::instance();
    loadTemplates(CStringW(u"scenes/TemplateCollection.mscn"), game ? game->getSceneManager() : nullptr);
}

void GIntroScene::loadLevelCollections() {
    GGameApplication* game = GGameApplication::instance();
    loadTemplates(CStringW(u"levels/common/TemplateCollection.mscn"), game ? game->getOverlaySceneManager() : nullptr);
}

void GIntroScene::loadLevelSoundPack() {
    CEngine* e = engine();
    if (CSoundCueManager* cues = e ? e->getSoundCueManager() : nullptr)
        cues->removeGroupCues(kLevelSoundGroup);
    loadSoundPack(m_levelSoundPackPath);
}

void GIntroScene::loadObjectsConfiguration() {
    CEngine* e = engine();
    GGameApplication* game = GGameApplication::instance();
    CVirtualFileSystem* files = e ? e->getFileSystem() : nullptr;
    if (!files || !game)
        return;
    ObjectsConfiguration* objects = game->getObjectsConfiguration();
    objects->clear();
    for (const char16_t* path : ObjectsConfiguration::FileNames) {
        CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(path)));
        if (reader)
            (void)objects->readFromXml(*reader);
    }
    CRefHandle<CXmlStreamReader> upgrades(files->openXmlReader(CStringW(u"levels/common/UpgradesConfiguration.xml")));
    if (upgrades)
        (void)game->getUpgradesConfiguration()->readFromXml(*upgrades);
}

void GIntroScene::leaveToMap() {
    m_nextStep = m_stepCount;
    (void)goToIntro(IntroMap, CStringW(), 0);
}

void GIntroScene::loadLevelScene() {
    m_levelScene.reset();
    const CStringW path = m_levelFolder + u"Level.mscn";
    CRefHandle<SceneNode> scene = loadScene(path);
    if (!scene || !scene->isKindOf(LevelSceneTypeId)) {
        log().log(CString("Unable to load level scene: ") + CString(path), CLog::Error);
        leaveToMap();
        return;
    }
    const auto* level = dynamic_cast<const ILevelSceneStart*>(scene.get());
    if (!level) {
        log().log(CString("The level scene cannot be started (its class has no start interface): ") + CString(path),
                  CLog::Error);
        leaveToMap();
        return;
    }
    if (!level->hasHeadquarters()) {
        log().log(CString("No Major Office found on the level: ") + CString(path), CLog::Error);
        leaveToMap();
        return;
    }
    m_levelScene = scene;
}

void GIntroScene::loadPlayScene() {
    m_playScene.reset();
    CRefHandle<IContent> loaded = load(ContentTypeSceneNode, CStringW(u"scenes/GamePlayScene.mscn"));
    auto* node = dynamic_cast<BaseNode*>(loaded.get());
    if (!node) {
        log().log("Unable to load GamePlayScene.mscn", CLog::Error);
        leaveToMap();
        return;
    }
    if (!node->isKindOf(PlaySceneTypeId)) {
        log().log("Unable to identify GamePlayScene.mscn", CLog::Error);
        leaveToMap();
        return;
    }
    if (!dynamic_cast<IPlaySceneStart*>(node)) {
        log().log("GamePlayScene.mscn cannot start a level (its class has no start interface)", CLog::Error);
        leaveToMap();
        return;
    }
    m_playScene = CRefHandle<SceneNode>::share(nodeCast<SceneNode>(node));
}

void GIntroScene::startLevel() {
    auto* play = dynamic_cast<IPlaySceneStart*>(m_playScene.get());
    if (!play || !m_levelScene || !m_levelScene->isKindOf(LevelSceneTypeId))
        return;
    setKeepRunning(false);
    // A play screen refusing the level has said why.
    if (!play->startLevel(m_levelFolder, m_levelScene.get())) {
        leaveToMap();
        return;
    }
    (void)navigateTo(m_playScene.get(), false, CName("NavFrom"), CName("NavTo"));
}

void GIntroScene::showFile(const char16_t* path) {
    setKeepRunning(false);
    if (navigateToFile(CStringW(path), m_navigationFlag, CName("NavFrom"), CName("NavTo")))
        return;
    log().log(CString("Unable to show the next screen: ") + CString(CStringW(path)), CLog::Error);
    leaveForMissingScreen();
}

void GIntroScene::leaveForMissingScreen() {
    m_nextStep = m_stepCount;
    // Pushed over a screen: back to it. Otherwise the screen before is gone,
    // and the main menu is the way back; without a main menu there is no
    // screen to go to.
    if (m_mode == IntroComicsOver)
        (void)navigateBack(1, CName("NavFrom"), CName("NavTo"));
    else if (m_mode != IntroMainMenu)
        (void)goToIntro(IntroMainMenu, CStringW(), 0);
}

void GIntroScene::showMainMenu() { showFile(u"scenes/MainMenuScene.mscn"); }
void GIntroScene::showMap() { showFile(u"scenes/MapNewScene.mscn"); }
void GIntroScene::showHeadquarters() { showFile(u"scenes/HeadquartersScene.mscn"); }

CStringW GIntroScene::comicsEpisode(const CStringW& name) {
    const int slash = name.findLast(u'/');
    if (slash <= 5)
        return CStringW();
    int start = slash;
    while (start > 0 && name[uint32_t(start - 1)] >= u'0' && name[uint32_t(start - 1)] <= u'9')
        --start;
    if (start == slash)
        start = slash - 1;
    return name.subString(start, slash - start);
}

void GIntroScene::loadComicsAtlases() {
    const CStringW episode = comicsEpisode(m_name);
    if (episode.empty())
        loadAtlases({CStringW(u"atlases/Comics.xml")}, false);
    else
        loadAtlases({CStringW(u"atlases/Comics.xml"), CStringW(u"atlases/Comics") + episode + u".xml"}, false);
}

void GIntroScene::loadComicsSoundPack() {
    CEngine* e = engine();
    if (CSoundCueManager* cues = e ? e->getSoundCueManager() : nullptr)
        cues->removeGroupCues(kLevelSoundGroup);
    const CStringW episode = comicsEpisode(m_name);
    if (!episode.empty())
        loadSoundPack(CStringW(u"sounds/SoundPackComics") + episode + u".xml");
}

void GIntroScene::loadComicsScene() { m_comicsScene = loadScene(m_name); }

void GIntroScene::showComics() {
    if (!m_comicsScene) {
        setKeepRunning(false);
        log().log(CString("Unable to show the next screen: ") + CString(m_name), CLog::Error);
        leaveForMissingScreen();
        return;
    }
    (void)navigateTo(m_comicsScene.get(), m_navigationFlag, CName("NavFrom"), CName("NavTo"));
    m_comicsScene.reset();
    setKeepRunning(false);
}
