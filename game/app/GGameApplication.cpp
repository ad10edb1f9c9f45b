#include "game/app/GGameApplication.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CClock.h"
#include "engine/core/CDisplayModeList.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CLog.h"
#include "engine/core/CMat4.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/core/ICursorControl.h"
#include "engine/device/CEventSystemFlowCloseRequest.h"
#include "engine/device/CEventVideoDriverCreated.h"
#include "engine/device/CEventVideoDriverReleased.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/device/CEventWindowResized.h"
#include "engine/device/CSdlDevice.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/ParticleCollection.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CEventDictionaryChanged.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/SoundGroup.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/FlatMaterial.h"
#include "game/app/GLogosConfig.h"
#include "game/app/GNullVideoDevice.h"
#include "game/app/GScreenLayout.h"
#include "game/app/GScreenshot.h"
#include "game/app/GSoundCues.h"
#include "game/app/GameKeys.h"
#include "game/config/ComicsConfiguration.h"
#include "game/config/GNumberText.h"
#include "game/config/GlobalConfig.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/UpgradesConfiguration.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace {

bool isFolderOnDisk(const CStringW& path) {
    std::error_code error;
    return std::filesystem::is_directory(toNativePath(getFullPath(path)), error);
}

constexpr int32_t kWindowResizedAgainTypeId = 17;
constexpr int32_t kKeyReturn = 13;
constexpr uint32_t kStreamingThreshold = 262144;
constexpr CColor kBarColor{0xFF000000u};

GGameApplication* g_game = nullptr;
bool g_packedArchive = false;
bool g_developerMode = false;
// The developer dictionary in use (F3 switches).
int g_dictionaryChoice = 0;

constexpr int32_t kKeyK = 75;
constexpr int32_t kKeyR = 82;
constexpr int32_t kKeyS = 83;
constexpr int32_t kKeyF3 = 114;

CLog& log() { return *CLog::instance(); }

// The cue groups: most at once, fade-in and fade-out in ms; all stop the
// oldest instance when full.
struct GroupSetup {
    int32_t group;
    int32_t maxPlaying;
    int32_t fadeInMs;
    int32_t fadeOutMs;
};
constexpr GroupSetup kGroups[] = {
    {GGameApplication::GroupMusic, 1, 2000, 1000},
    {GGameApplication::GroupSounds, 8, 0, 1000},
    {GGameApplication::GroupInterfaceSounds, 16, 0, 1000},
    {GGameApplication::GroupVoices, 4, 0, 1000},
};

} // namespace

GGameApplication::GGameApplication(const GGameOptions& options)
    : m_options(options), m_globalConfig(new GlobalConfig), m_objectsConfiguration(new ObjectsConfiguration),
      m_upgradesConfiguration(new UpgradesConfiguration), m_comicsConfiguration(new ComicsConfiguration),
      m_logosConfig(new GLogosConfig), m_barMaterial(flatColorMaterial()) {
    // Device, system flow, keyboard and mouse.
    setMask(CEvent::MaskDevice | CEvent::MaskSystemFlow | CEvent::MaskKeyboard | CEvent::MaskMouse);
    m_params.driverType = CEngineCreationParams::DriverNull;
    g_game = this;
}

GGameApplication::~GGameApplication() {
    g_game = nullptr;
    for (CRefCounted* object : m_retained)
        object->release();
    m_retained.clear();
    if (m_engine) {
        m_engine->removeListener(this);
        if (m_overlayScheduler)
            m_engine->removeListener(m_overlayScheduler.get());
        if (m_scheduler)
            m_engine->removeListener(m_scheduler.get());
        if (m_sceneManager)
            m_engine->removeListener(m_sceneManager.get());
        if (m_contentManager)
            m_engine->removeListener(m_contentManager.get());
    }
    m_overlayScheduler.reset();
    m_scheduler.reset();
    // The managers leave their schedulers first, so no update reaches a
    // manager on its way out.
    if (m_overlaySceneManager) {
        m_overlaySceneManager->setScheduler(nullptr);
        (void)m_overlaySceneManager->setScene(nullptr);
    }
    if (m_sceneManager) {
        m_sceneManager->setScheduler(nullptr);
        (void)m_sceneManager->setScene(nullptr);
    }
    m_overlaySceneManager.reset();
    m_sceneManager.reset();
    m_contentManager.reset();
    if (m_engine) {
        CEngine* engine = m_engine;
        m_engine = nullptr;
        engine->release();
    }
}

GGameApplication* GGameApplication::instance() { return g_game; }
bool GGameApplication::isPackedArchiveMode() { return g_packedArchive; }
bool GGameApplication::isDeveloperMode() { return g_developerMode; }
void GGameApplication::setDeveloperMode(bool on) { g_developerMode = on; }

// ---------------------------------------------------------------------------
// Start-up

bool GGameApplication::init(const CStringW&) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    m_startupSteps.clear();
    auto stepDone = [&](const char* name) {
        const Clock::time_point now = Clock::now();
        m_startupSteps.push_back({name, std::chrono::duration<double, std::milli>(now - last).count()});
        last = now;
    };

    if (CEngine* existing = findEngineInstance()) {
        // Someone else made the engine: share it.
        existing->addRef();
        m_engine = existing;
    } else {
        setEngineFactory(m_options.nullVideoDriver ? &createNullVideoDevice : &createSdlDevice);
        // The factory's creation reference becomes the game object's.
        m_engine = getEngineInstance();
    }
    if (!m_engine)
        return false;
    if (CRandom* random = CEngineManagers::instance().getRandom())
        random->seed(m_engine->getClock()->now());
    m_engine->setMinUpdateInterval(10);
    m_engine->setMaxUpdateStep(200);
    m_engine->setSetting("PublisherName", CStringW(u"Velmora"));
    m_engine->setSetting("TitleName", CStringW(u"Brindlemoor"));
    m_engine->setSetting("TitleCaption", CStringW(u"Brindlemoor"));
    stepDone("engine");

    setUpProfiles();
    stepDone("profiles");
    // The engine's standard nodes, then the game's first classes.
    registerStandardNodes(*CNodeFactory::getShared());
    (void)registerParticleContent(m_engine->getContentProcessorsManager());
    if (m_options.registerStartClasses)
        m_options.registerStartClasses();
    // Before the window exists, so that the device events of its creation
    // arrive here.
    (void)m_engine->addListener(this, GamePriority);
    stepDone("classes");

    if (!createWindowAndDriver())
        return false;
    stepDone("window and video driver");
    if (!createAudio())
        return false;
    stepDone("audio");
    createManagers();
    stepDone("content and scene managers");
    mountAssetSources();
    stepDone("asset sources");
    if (IAudioDevice* audio = m_engine->getAudioDevice())
        audio->setStreamingThreshold(kStreamingThreshold);
    setUpSoundGroups();
    applySoundSettings(false);
    applyCursor();
    if (ICursorControl* cursor = m_engine->getCursorControl())
        cursor->setVisible(false);
    stepDone("sound and cursor");
    readConfiguration();
    stepDone("configuration");
    const bool shown = showFirstScene();
    stepDone("first scene");
    return shown;
}

void GGameApplication::setUpProfiles() {
    CProfileManager* profiles = m_engine->getProfileManager();
    if (!profiles)
        return;
    profiles->setKey(kProfileScrambleKey);
    CProfileParameters* common = profiles->getCommonDefaults();
    common->setBool("FullScreen", true);
    common->setBool("WindowsCursor", false);
    // Stored for the options screen; the window is always made without
    // vertical sync and anti-aliasing.
    common->setBool("VSync", true);
    common->setInt("AntiAlias", 0);
    common->setInt("VideoDriver", 2);

    CProfileParameters* player = profiles->getNewProfileDefaults();
    player->setBool("FullScreen", true);
    player->setBool("WindowsCursor", false);
    player->setBool("SoundOn", true);
    player->setBool("MusicOn", true);
    player->setFloat("SoundVolume", 40.0f);
    player->setFloat("MusicVolume", 40.0f);
    player->setInt("MaxUnlockedLevelIndex", -1);
    player->setInt("LevelIndex", -1);
    player->setInt("FirstPassedLevelNum", -1);
    player->setString("AlreadyAllowedBuildings", CString(""));
    player->setBool("PlayFirstComics", true);
    player->setBool("ShowTutorialOn", true);
    player->setBool("ShowTipsOn", true);
    player->setBool("ShowTutorialMap1", true);
    player->setBool("ShowTutorialHQ1", true);
    player->setBool("ShowTutorialHQ2", true);
    player->setBool("ShowTutorialHQ3", true);
    player->setInt("ShowTutorialLevel", -1);
    player->setBool("ShowFinalCredits", false);
    player->setBool("AutoWideMode", false);
    player->setBool("HQCompleted", false);

    (void)profiles->loadProfiles();
    if (CProfileParameters* active = profiles->getActiveProfile())
        if (CDictionary* dictionary = CEngineManagers::instance().getDictionary())
            dictionary->set("user_name", active->getName());
}

bool GGameApplication::createWindowAndDriver() {
    CProfileManager* profiles = m_engine->getProfileManager();
    CProfileParameters* common = profiles ? profiles->getCommonProfile() : nullptr;
    const int32_t driver = videoDriverFromSetting(common ? common->getInt("VideoDriver") : 2);

    // The player's choices, or a new player's defaults.
    const CProfileParameters* player = activeProfile();
    const CProfileParameters* defaults = profiles ? profiles->getNewProfileDefaults() : nullptr;
    const CProfileParameters* source = player ? player : defaults;
    bool fullScreen = source ? source->getBool("FullScreen") : true;
    const CSizeI desktop = desktopSize();
    m_windowSize = chooseWindowSize(source && source->getBool("AutoWideMode"), desktop.width);

    m_params.driverType = driver;
    m_params.audioType = CEngineCreationParams::AudioOpenAL;
    m_params.audioThread = true;
    m_params.width = m_windowSize.width;
    m_params.height = m_windowSize.height;
    m_params.colorBits = 32;
    m_params.depthBits = 0;
    m_params.stencil = false;
    // Without vertical sync an idle menu draws as fast as it can.
    m_params.vsync = common ? common->getBool("VSync") : true;
    m_params.antiAlias = false;
    m_params.keepFloatPrecision = false;
    m_params.desktopSize = true;
    if (!fullScreen && !desktopAllowsWindow(desktop.height)) {
        fullScreen = true;
        if (common)
            common->setBool("FullScreen", true);
    }
    m_params.fullScreen = fullScreen;

    auto* device = dynamic_cast<CSdlDevice*>(m_engine);
    int32_t made = -1;
    if (device) {
        made = device->createDriverFromSetting(m_params, driver, false);
    } else {
        // Another engine: the chosen type alone.
        made = m_engine->applyCreationParameters(m_params) ? driver : -1;
    }
    if (made < 0)
        return false;
    m_params.driverType = made;
    if (device)
        m_params.fullScreen = device->getCreationParams().fullScreen;
    return true;
}

bool GGameApplication::createAudio() {
    CEngineCreationParams audio = m_params;
    if (m_engine->applyAudioSettings(audio))
        return true;
    audio.audioType = CEngineCreationParams::AudioNull;
    if (!m_engine->applyAudioSettings(audio))
        return false;
    m_params.audioType = CEngineCreationParams::AudioNull;
    return true;
}

void GGameApplication::createManagers() {
    m_contentManager.reset(m_engine->createContentManager());
    (void)m_engine->addListener(m_contentManager.get(), CContentManager::ListenerPriority);

    m_scheduler.reset(m_engine->createScheduler());
    (void)m_engine->addListener(m_scheduler.get(), SchedulerPriority);
    m_overlayScheduler.reset(m_engine->createScheduler());
    (void)m_engine->addListener(m_overlayScheduler.get(), SchedulerPriority);

    m_sceneManager.reset(m_engine->createSceneManager());
    m_sceneManager->setDepthSorting(true);
    m_sceneManager->setScheduler(m_scheduler.get());
    (void)m_engine->addListener(m_sceneManager.get(), SchedulerPriority);

    // Hosted by the play screen, which passes it the events it needs.
    m_overlaySceneManager.reset(m_engine->createSceneManager());
    m_overlaySceneManager->setDepthSorting(true);
    m_overlaySceneManager->setScheduler(m_overlayScheduler.get());
    m_overlaySceneManager->setPosition(CVector3d(0.0f, 0.0f, -4000.0f));
}

void GGameApplication::mountAssetSources() {
    CVirtualFileSystem* files = m_engine->getFileSystem();
    g_packedArchive = false;
    if (!files)
        return;
    // A release may carry only the packed archive: no folder, nothing to say.
    const CStringW folder(u"assets");
    if (isFolderOnDisk(folder))
        (void)files->mountArchive(folder, nullptr);
    // Without the packed archive the game runs from the folder alone.
    const CStringW archive(u"assets.mca");
    if (files->exists(archive, false) && files->mountArchive(archive, kAssetArchivePassword))
        g_packedArchive = true;
    // A development set-up marks itself with an entry named "cheats".
    const CStringW cheats(u"cheats");
    if (files->exists(cheats, true) || isFolderOnDisk(cheats))
        g_packedArchive = false;
}

void GGameApplication::setUpSoundGroups() {
    CSoundCueManager* cues = m_engine->getSoundCueManager();
    if (!cues)
        return;
    for (const GroupSetup& setup : kGroups) {
        SoundGroup& group = cues->getGroup(setup.group);
        group.policy = SoundGroup::PolicyStopOldest;
        group.maxPlaying = setup.maxPlaying;
        group.fadeInMs = setup.fadeInMs;
        group.fadeOutMs = setup.fadeOutMs;
    }
}

void GGameApplication::readConfiguration() {
    CVirtualFileSystem* files = m_engine->getFileSystem();
    if (!files)
        return;
    // A missing file leaves the defaults.
    CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(u"levels/common/GlobalConfig.xml")));
    if (reader)
        (void)m_globalConfig->readFromXml(*reader);
    CRefHandle<CXmlStreamReader> logos(files->openXmlReader(CStringW(u"logos/Logos.xml")));
    if (logos)
        m_logosConfig->readFromXml(*logos);
}

bool GGameApplication::showFirstScene() {
    CRefHandle<IContent> content(
        m_contentManager->load(ContentTypeSceneNode, CStringW(u"scenes/LogosScene.mscn"), false));
    SceneNode* scene = nodeCast<SceneNode>(dynamic_cast<BaseNode*>(content.get()));
    if (!scene) {
        log().log("Can't load the first scene: scenes/LogosScene.mscn", CLog::Error);
        return false;
    }
    if (!m_sceneManager->setScene(scene, CName("NavTo")))
        return false;
    alignGameScreen();
    return true;
}

bool GGameApplication::run() { return m_engine && m_engine->run(); }

void GGameApplication::retain(CRefCounted* object) {
    if (!object)
        return;
    object->addRef();
    m_retained.push_back(object);
}

void GGameApplication::registerGameClasses() {
    if (m_gameClassesRegistered || !m_options.registerAllClasses)
        return;
    m_gameClassesRegistered = true;
    m_options.registerAllClasses();
}

// ---------------------------------------------------------------------------
// Engine events

const CEventHandlerTable& GGameApplication::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&GGameApplication::onVideoDriverCreated>(CEventVideoDriverCreated::TypeId);
        t.add<&GGameApplication::onWindowResized>(CEventWindowResized::TypeId);
        t.add<&GGameApplication::onWindowResized>(kWindowResizedAgainTypeId);
        t.add<&GGameApplication::onUpdate>(CEventUpdate::TypeId);
        t.add<&GGameApplication::onRender>(CEventRender::TypeId);
        t.add<&GGameApplication::onWindowFocus>(CEventWindowActivate::TypeId);
        t.add<&GGameApplication::onCloseRequest>(CEventSystemFlowCloseRequest::TypeId);
        t.add<&GGameApplication::onKeyDown>(CEventKeyDown::TypeId);
        t.add<&GGameApplication::onKeyUp>(CEventKeyUp::TypeId);
        return t;
    }();
    return table;
}

bool GGameApplication::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool GGameApplication::onVideoDriverCreated(CEvent*) {
    if (IGraphicsDriver* driver = m_engine ? m_engine->getVideoDriver() : nullptr)
        driver->setTextureFlag(4, false);
    if (m_engine)
        m_engine->setWindowTitle(m_engine->getSetting("TitleCaption"));
    alignGameScreen();
    return false;
}

bool GGameApplication::onWindowResized(CEvent*) {
    alignGameScreen();
    return true;
}

bool GGameApplication::onUpdate(CEventUpdate* event) {
    const uint32_t elapsed = event->getElapsed();
    m_lastStep = elapsed;
    m_totalTime += elapsed;
    m_purgeAccumulator += elapsed;
    if (m_purgeAccumulator > PurgeIntervalMs) {
        if (m_contentManager)
            m_contentManager->purge();
        m_purgeAccumulator = 0;
    }
    return false;
}

bool GGameApplication::onRender(CEvent*) {
    IGraphicsDriver* driver = m_engine ? m_engine->getVideoDriver() : nullptr;
    if (!driver || !driver->beginFrame(true, true, CColor(m_clearColor), nullptr, nullptr))
        return false;
    if (m_sceneManager)
        m_sceneManager->renderScenes(driver);
    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    driver->applyMaterial(m_barMaterial);
    driver->setMatrix(MatrixKind::World, CMat4::identity());
    driver->fillRect(kBarColor, m_firstBar, nullptr);
    driver->fillRect(kBarColor, m_secondBar, nullptr);
    (void)driver->endFrame();
    ++m_framesDrawn;
    return false;
}

bool GGameApplication::onWindowFocus(CEventWindowActivate* event) {
    const bool active = event->isActive();
    log().log(active ? "The window has the focus" : "The window lost the focus", CLog::Info);
    if (CSoundCueManager* cues = m_engine ? m_engine->getSoundCueManager() : nullptr) {
        cues->pauseGroup(!active, GroupMusic);
        cues->pauseGroup(!active, GroupSounds);
    }
    return false;
}

bool GGameApplication::onCloseRequest(CEvent*) {
    log().log("CEventSystemFlowCloseRequest event received", CLog::Info);
    SceneNode* top = m_sceneManager ? m_sceneManager->getCurrentScene() : nullptr;
    if (!top)
        return false;
    // An open confirmation stays; another request is swallowed.
    if (top->isKindOf(QuitConfirmationSceneTypeId))
        return true;
    // From the menus the game quits without asking.
    if (!isSceneOnStack(GamePlaySceneTypeId))
        return false;
    CRefHandle<IContent> content(
        m_contentManager->load(ContentTypeSceneNode, CStringW(u"scenes/QuitConfirmationScene.mscn"), false));
    SceneNode* confirmation = nodeCast<SceneNode>(dynamic_cast<BaseNode*>(content.get()));
    if (!confirmation)
        return false;
    return m_sceneManager->navigateTo(top, confirmation, CName("NoTransTo"), CName("NavTo"), true);
}

bool GGameApplication::onKeyDown(CEventKeyDown* event) {
    if (!g_packedArchive)
        typeDeveloperKey(event->getCharacter());
    if (event->isAlt() && event->getKeyCode() == kKeyReturn)
        setFullScreen(!m_params.fullScreen);
    if (!g_developerMode || !event->isControl() || !event->isShift())
        return false;
    switch (event->getKeyCode()) {
    case kKeyS:
        takeTransparentScreenshot();
        break;
    case kKeyK:
        m_clearColor = m_clearColor != 0 ? 0u : 0xFFFFFFFFu;
        break;
    case kKeyR:
        reloadConfiguration();
        break;
    default:
        break;
    }
    // The screens see the key too.
    return false;
}

bool GGameApplication::onKeyUp(CEventKeyUp* event) {
    if (!g_developerMode || event->getKeyCode() != kKeyF3)
        return false;
    switchDictionary();
    return true;
}

void GGameApplication::typeDeveloperKey(int32_t character) {
    // Shift, Ctrl and the like type nothing; they must not push letters of
    // the code out, or the code could not be typed in upper case.
    if (character <= 0)
        return;
    if (character >= 'A' && character <= 'Z')
        character += 'a' - 'A';
    m_typedKeys += char(character & 0xFF);
    const uint32_t length = m_typedKeys.length();
    if (length > 8)
        m_typedKeys = m_typedKeys.subString(int(length - 8), 8);
    if (m_typedKeys == DeveloperCode) {
        g_developerMode = true;
        m_typedKeys = CString();
    }
}

void GGameApplication::drawFrame() { (void)onRender(nullptr); }

void GGameApplication::takeTransparentScreenshot() {
    IGraphicsDriver* driver = m_engine ? m_engine->getVideoDriver() : nullptr;
    if (!driver)
        return;
    m_clearColor = 0;
    drawFrame();
    CRefHandle<CPixelImage> onBlack(driver->takeScreenshot());
    m_clearColor = 0xFFFFFFFFu;
    drawFrame();
    CRefHandle<CPixelImage> onWhite(driver->takeScreenshot());
    CVirtualFileSystem* files = m_engine->getFileSystem();
    if (!onBlack || !onWhite || !files || !m_contentManager)
        return;
    mergeScreenshotAlpha(*onBlack, *onWhite);
    const CStringW path =
        nextScreenshotPath(files->getUserFolder(), [files](const CStringW& name) { return files->exists(name, true); });
    if (!m_contentManager->save(ContentTypeImage, onBlack.get(), path, nullptr))
        log().log(CString("Can't save the screenshot: ") + CString(path), CLog::Warning);
}

void GGameApplication::reloadConfiguration() {
    CVirtualFileSystem* files = m_engine ? m_engine->getFileSystem() : nullptr;
    if (!files)
        return;
    // All four object files: the workers, trains and station items come
    // from the other three.
    m_objectsConfiguration->reload(files);
    auto read = [files](const char16_t* path, auto&& reader) {
        CRefHandle<CXmlStreamReader> xml(files->openXmlReader(CStringW(path)));
        if (xml)
            reader(*xml);
    };
    read(u"levels/common/UpgradesConfiguration.xml",
         [this](CXmlStreamReader& xml) { (void)m_upgradesConfiguration->readFromXml(xml); });
    read(u"scenes/ComicsConfiguration.xml",
         [this](CXmlStreamReader& xml) { (void)m_comicsConfiguration->readFromXml(xml); });
}

void GGameApplication::switchDictionary() {
    static const CStringW paths[] = {CStringW(u"../assets_en/strings/Dictionary.xml"),
                                     CStringW(u"../assets_ru/strings/Dictionary.xml")};
    g_dictionaryChoice = 1 - g_dictionaryChoice;
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    CVirtualFileSystem* files = m_engine ? m_engine->getFileSystem() : nullptr;
    if (dictionary && files) {
        CRefHandle<CXmlStreamReader> reader(files->openXmlReader(paths[g_dictionaryChoice]));
        if (reader)
            (void)dictionary->load(reader.get());
    }
    if (dictionary)
        setThousandsDelimiter(thousandsDelimiterFrom(*dictionary));
    // Every text lays itself out again in the new language.
    for (SceneManager* manager : {m_sceneManager.get(), m_overlaySceneManager.get()}) {
        if (!manager)
            continue;
        CRefHandle<CEventDictionaryChanged> changed(new CEventDictionaryChanged());
        if (!manager->handleEvent(changed.get()))
            (void)manager->routeToChildren(1, changed.get());
    }
}

// ---------------------------------------------------------------------------
// Screen alignment and settings

void GGameApplication::alignGameScreen() {
    IGraphicsDriver* driver = m_engine ? m_engine->getVideoDriver() : nullptr;
    if (!m_sceneManager || !driver)
        return;
    const CSizeI screen = driver->screenSize();
    const GScreenAlignment a = alignScreen(screen.width, screen.height);
    if (!a.usable)
        return;
    if (a.stretched)
        log().log("Stretched", CLog::Info);
    m_firstBar = a.firstBar;
    m_secondBar = a.secondBar;
    m_sceneManager->setPosition(CVector3d(a.position.x, a.position.y, 0.0f));
    m_sceneManager->setScale(CVector3d(a.scale.x, a.scale.y, 1.0f));
    m_sceneManager->markTransformDirty();
    log().log(CString("Screen ratio: ") + a.screenRatio + ", UI ratio: " + a.designRatio + ", diff: " + a.difference,
              CLog::Info);
    log().log(CString("Game screen aligned. Scene pos: ") + a.position.x + "," + a.position.y +
                  "; Scale: " + a.scale.x + "," + a.scale.y,
              CLog::Info);
}

void GGameApplication::applyDictionaryCaption() {
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    // A missing key would read as "%TitleName%": never a caption.
    if (!m_engine || !dictionary || !dictionary->contains("TitleName"))
        return;
    const CStringW caption = dictionary->get("TitleName");
    if (caption.empty())
        return;
    m_engine->setSetting("TitleCaption", caption);
    m_engine->setWindowTitle(caption);
}

CProfileParameters* GGameApplication::activeProfile() const {
    CProfileManager* profiles = m_engine ? m_engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

CSizeI GGameApplication::desktopSize() const {
    if (!m_engine || !m_engine->getDisplayModes())
        return {};
    const CDisplayMode& desktop = m_engine->getDisplayModes()->desktopMode();
    return {desktop.width, desktop.height};
}

CSizeI GGameApplication::playerWindowSize() const {
    const CProfileParameters* player = activeProfile();
    return chooseWindowSize(player && player->getBool("AutoWideMode"), desktopSize().width);
}

bool GGameApplication::isSceneOnStack(int32_t typeId) const {
    if (!m_sceneManager)
        return false;
    const CArray<BaseNode*>& scenes = m_sceneManager->getChildren();
    for (uint32_t i = scenes.size(); i-- > 0;)
        if (scenes[i]->isKindOf(typeId))
            return true;
    return false;
}

bool GGameApplication::recreateWindow() {
    if (!m_engine->applyCreationParameters(m_params)) {
        log().log("Can't recreate the window with the new settings", CLog::Error);
        return false;
    }
    return true;
}

void GGameApplication::applySoundSettings(bool throttle) {
    CProfileParameters* active = activeProfile();
    CSoundCueManager* cues = m_engine ? m_engine->getSoundCueManager() : nullptr;
    // Before the first player the volumes are a new player's, so the music
    // keeps its level when that player comes.
    CProfileManager* profiles = m_engine ? m_engine->getProfileManager() : nullptr;
    const CProfileParameters* player = active ? active : profiles ? profiles->getNewProfileDefaults() : nullptr;
    if (!player || !cues)
        return;
    const bool soundOn = player->getBool("SoundOn");
    const bool musicOn = player->getBool("MusicOn");
    float soundsFactor = 1.0f;
    float musicFactor = 1.0f;
    if (throttle) {
        soundsFactor = m_globalConfig->QuestDialogueSoundsThrottleValue;
        musicFactor = m_globalConfig->QuestDialogueMusicThrottleValue;
    }
    const float soundVolume = soundOn ? player->getFloat("SoundVolume") * 0.01f : 0.0f;
    cues->setGroupVolume(soundVolume * soundsFactor, GroupSounds);
    cues->setGroupVolume(soundVolume * soundsFactor, GroupInterfaceSounds);
    cues->setGroupVolume(soundVolume, GroupVoices);
    const float musicVolume = musicOn ? player->getFloat("MusicVolume") * 0.01f : 0.0f;
    cues->setGroupVolume(musicVolume * musicFactor, GroupMusic);
    // Only a player's choice starts or stops the music.
    if (!active)
        return;
    if (musicOn) {
        if (!isSceneOnStack(GamePlaySceneTypeId))
            (void)cues->play(soundCueName(GSoundCue::MenuMusic), true, 0);
    } else {
        cues->stopGroup(GroupMusic);
    }
    if (!soundOn) {
        cues->stopGroup(GroupSounds);
        cues->stopGroup(GroupInterfaceSounds);
        cues->stopGroup(GroupVoices);
    }
}

void GGameApplication::applyAutoWideMode() {
    if (!activeProfile() || !m_engine)
        return;
    m_windowSize = playerWindowSize();
    m_params.width = m_windowSize.width;
    m_params.height = m_windowSize.height;
    if (!m_params.fullScreen)
        (void)recreateWindow();
}

void GGameApplication::applyPlayerVideoSettings() {
    CProfileParameters* player = activeProfile();
    if (!player || !m_engine)
        return;
    m_windowSize = playerWindowSize();
    const bool wantsFullScreen = player->getBool("FullScreen");
    const bool sizeDiffers = m_params.width != m_windowSize.width || m_params.height != m_windowSize.height;
    if (wantsFullScreen != m_params.fullScreen || (!wantsFullScreen && sizeDiffers)) {
        // A window only where the desktop allows one.
        if (wantsFullScreen || desktopAllowsWindow(desktopSize().height)) {
            m_params.width = m_windowSize.width;
            m_params.height = m_windowSize.height;
            m_params.fullScreen = wantsFullScreen;
            (void)recreateWindow();
        }
    }
    applyCursor();
}

void GGameApplication::setFullScreen(bool on) {
    if (!m_engine || (!on && !desktopAllowsWindow(desktopSize().height)))
        return;
    m_params.width = m_windowSize.width;
    m_params.height = m_windowSize.height;
    m_params.fullScreen = on;
    (void)recreateWindow();
    if (CProfileParameters* player = activeProfile()) {
        player->setBool("FullScreen", on);
        if (!player->save())
            log().log("Can't save the player's profile", CLog::Warning);
        applyCursor();
    }
}

void GGameApplication::applyCursor() {
    CProfileParameters* player = activeProfile();
    ICursorControl* cursor = m_engine ? m_engine->getCursorControl() : nullptr;
    if (!player || player->getBool("WindowsCursor") || !cursor || !m_contentManager)
        return;
    const CStringW name(m_params.fullScreen ? u"scenes/CursorFullScreen.png" : u"scenes/CursorWindow.png");
    CRefHandle<IContent> content(m_contentManager->load(ContentTypeImage, name, false));
    if (const auto* image = dynamic_cast<const CPixelImage*>(content.get()))
        cursor->setImage(image, 2, 2);
}
