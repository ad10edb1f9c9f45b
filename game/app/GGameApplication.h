#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CVector2d.h"
#include "engine/video/CRectI.h"
#include "engine/video/CSizeI.h"
#include "engine/video/Material.h"

#include <cstdint>

class CContentManager;
class ComicsConfiguration;
class GlobalConfig;
class GLogosConfig;
class CPixelImage;
class ObjectsConfiguration;
class UpgradesConfiguration;
class CEngine;
class CEvent;
class CEventKeyDown;
class CEventKeyUp;
class CEventUpdate;
class CEventWindowActivate;
class CProfileParameters;
class CStringW;
class CUpdateScheduler;
class SceneManager;
class SceneNode;

// How long one start-up step took.
struct GStartupStep {
    const char* name = "";
    double milliseconds = 0.0;
};

// What the program around the game object supplies.
struct GGameOptions {
    using RegisterClasses = void (*)();
    // Registration of the game's node classes, which live in libraries
    // above the game object's: the few that the first scene files need (at
    // start-up), and all of them (GGameApplication::registerGameClasses).
    RegisterClasses registerStartClasses = nullptr;
    RegisterClasses registerAllClasses = nullptr;
    // Tests and benchmarks only, never offered to players: the window is
    // made as for OpenGL but draws through the null driver.
    bool nullVideoDriver = false;
};

// The game object: the one receiver of the engine's events at priority 0.
// It starts the game (window, drivers, sound, content, scene managers, asset
// sources, the first scene), keeps the 1024 x 768 design screen fitted to the
// window with black bars, draws each frame, purges the content cache, pauses
// the sound groups while the window is in the background, asks before a
// close during a level, and puts a player's settings into effect.
//
// It owns the scene managers, their schedulers and the content manager, and
// holds the engine's creation reference from start-up until it dies; the
// engine then shuts the device, the drivers and the sound thread down.
// Main thread only.
class GGameApplication : public CEventReceiver {
public:
    // Sound-cue groups and their roles.
    static constexpr int32_t GroupSounds = 0;
    static constexpr int32_t GroupMusic = 1;
    static constexpr int32_t GroupInterfaceSounds = 2;
    static constexpr int32_t GroupVoices = 3;

    // Listener priorities.
    static constexpr int32_t GamePriority = 0;
    static constexpr int32_t SchedulerPriority = 2;

    // Run-time type ids of screens the game object looks for on the stack.
    static constexpr int32_t GamePlaySceneTypeId = 2016;
    static constexpr int32_t QuitConfirmationSceneTypeId = 2021;

    // Sets the fields and makes this the game object (instance()).
    explicit GGameApplication(const GGameOptions& options = {});

    // The game object while one exists, else null.
    [[nodiscard]] static GGameApplication* instance();
    // True while the packed asset archive is mounted and no "cheats" entry
    // exists: developer codes are then refused.
    [[nodiscard]] static bool isPackedArchiveMode();
    // Set by the developer code; screens offer their developer keys while set.
    [[nodiscard]] static bool isDeveloperMode();
    static void setDeveloperMode(bool on);

    // The whole start-up. False when the game cannot run: no video driver of
    // any type, no audio device at all, or no first scene.
    [[nodiscard]] bool init(const CStringW& argument);
    // One main-loop step; false once the program is to end.
    [[nodiscard]] bool run();
    // Keeps `object` alive (one reference) until the game object dies; null
    // is ignored.
    void retain(CRefCounted* object);
    // Registers every game class with the node factory; called once by the
    // first screen when it is shown.
    void registerGameClasses();

    bool handleEvent(CEvent* event) override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    // Settings appliers, for the screens that change a player's settings.
    // Each does nothing without an active player profile unless said.
    void applySoundSettings(bool throttle);
    void applyAutoWideMode();
    void applyCursor();
    void applyPlayerVideoSettings();
    // Any player or none; a switch to a window on a desktop no taller than
    // 788 pixels is refused.
    void setFullScreen(bool on);
    // Takes the window caption from the dictionary's "TitleName" when the
    // dictionary has that text; otherwise the caption set at start-up stays.
    void applyDictionaryCaption();
    // Fits the design screen to the driver's screen (nothing before the main
    // scene manager exists).
    void alignGameScreen();

    // Handlers of the engine events.
    virtual bool onVideoDriverCreated(CEvent* event);
    virtual bool onWindowResized(CEvent* event);
    virtual bool onUpdate(CEventUpdate* event);
    virtual bool onRender(CEvent* event);
    virtual bool onWindowFocus(CEventWindowActivate* event);
    virtual bool onCloseRequest(CEvent* event);
    virtual bool onKeyDown(CEventKeyDown* event);
    virtual bool onKeyUp(CEventKeyUp* event);

    [[nodiscard]] const CVector2d& getDesignSize() const { return m_designSize; }
    [[nodiscard]] CEngine* getEngine() const { return m_engine; }
    [[nodiscard]] SceneManager* getSceneManager() const { return m_sceneManager.get(); }
    [[nodiscard]] SceneManager* getOverlaySceneManager() const { return m_overlaySceneManager.get(); }
    [[nodiscard]] CUpdateScheduler* getScheduler() const { return m_scheduler.get(); }
    [[nodiscard]] CUpdateScheduler* getOverlayScheduler() const { return m_overlayScheduler.get(); }
    [[nodiscard]] CContentManager* getContentManager() const { return m_contentManager.get(); }
    [[nodiscard]] const CEngineCreationParams& getCreationParams() const { return m_params; }
    // The configuration records the game object owns for the whole run: the
    // global constants (read at start-up) and the catalogues the loading
    // screen fills.
    [[nodiscard]] GlobalConfig* getGlobalConfig() const { return m_globalConfig.get(); }
    [[nodiscard]] ObjectsConfiguration* getObjectsConfiguration() const { return m_objectsConfiguration.get(); }
    [[nodiscard]] UpgradesConfiguration* getUpgradesConfiguration() const { return m_upgradesConfiguration.get(); }
    [[nodiscard]] ComicsConfiguration* getComicsConfiguration() const { return m_comicsConfiguration.get(); }
    // The logos still to be shown by the first screen (read at start-up).
    [[nodiscard]] GLogosConfig* getLogosConfig() const { return m_logosConfig.get(); }
    // Re-reads the shared catalogues (objects, upgrades, comics) from their
    // files; a file that does not open is passed over.
    void reloadConfiguration();
    // Draws one frame at once, as the main loop does.
    void drawFrame();
    // The developer code: typing it switches developer mode on (refused while
    // the game runs from its packed archive).
    static constexpr const char* DeveloperCode = "coalyard";
    // The typed characters the developer code is matched against.
    [[nodiscard]] const CString& getTypedKeys() const { return m_typedKeys; }
    [[nodiscard]] bool isFullScreen() const { return m_params.fullScreen; }
    [[nodiscard]] uint32_t getLastStep() const { return m_lastStep; }
    [[nodiscard]] uint64_t getTotalTime() const { return m_totalTime; }
    [[nodiscard]] const CRectI& getFirstBar() const { return m_firstBar; }
    [[nodiscard]] const CRectI& getSecondBar() const { return m_secondBar; }
    [[nodiscard]] const CSizeI& getWindowSize() const { return m_windowSize; }
    [[nodiscard]] uint32_t getClearColor() const { return m_clearColor; }
    void setClearColor(uint32_t color) { m_clearColor = color; }
    [[nodiscard]] uint32_t getRetainedCount() const { return m_retained.size(); }
    // The steps of the last start-up with their durations, in order.
    [[nodiscard]] const CArray<GStartupStep>& getStartupSteps() const { return m_startupSteps; }
    // Frames drawn since start-up.
    [[nodiscard]] uint64_t getFramesDrawn() const { return m_framesDrawn; }

    // The milliseconds of update steps after which the content cache is
    // purged of what only the cache still holds.
    static constexpr uint32_t PurgeIntervalMs = 5000;

protected:
    ~GGameApplication() override;

private:
    // Start-up steps, in order; each false return ends the start-up.
    void setUpProfiles();
    [[nodiscard]] bool createWindowAndDriver();
    [[nodiscard]] bool createAudio();
    void createManagers();
    void mountAssetSources();
    void setUpSoundGroups();
    void readConfiguration();
    [[nodiscard]] bool showFirstScene();

    // The active player's profile, or null.
    [[nodiscard]] CProfileParameters* activeProfile() const;
    [[nodiscard]] CSizeI desktopSize() const;
    // The window size the active player's (or the default) wide layout asks for.
    [[nodiscard]] CSizeI playerWindowSize() const;
    [[nodiscard]] bool recreateWindow();
    // True when a scene of `typeId` is on the main scene manager's stack.
    [[nodiscard]] bool isSceneOnStack(int32_t typeId) const;
    void typeDeveloperKey(int32_t character);
    void takeTransparentScreenshot();
    void switchDictionary();

    GGameOptions m_options;
    CVector2d m_designSize{1024.0f, 768.0f};
    CRectI m_firstBar{0, 0, 0, 768};
    CRectI m_secondBar{1024, 0, 1024, 768};
    uint32_t m_clearColor = 0;
    CEngineCreationParams m_params;
    // The creation reference of the engine, taken over at start-up.
    CEngine* m_engine = nullptr;
    CRefHandle<CUpdateScheduler> m_scheduler;
    CRefHandle<CUpdateScheduler> m_overlayScheduler;
    CRefHandle<SceneManager> m_sceneManager;
    CRefHandle<SceneManager> m_overlaySceneManager;
    CRefHandle<CContentManager> m_contentManager;
    CRefHandle<GlobalConfig> m_globalConfig;
    CRefHandle<ObjectsConfiguration> m_objectsConfiguration;
    CRefHandle<UpgradesConfiguration> m_upgradesConfiguration;
    CRefHandle<ComicsConfiguration> m_comicsConfiguration;
    CRefHandle<GLogosConfig> m_logosConfig;
    CArray<CRefCounted*> m_retained;
    uint32_t m_lastStep = 0;
    uint64_t m_totalTime = 0;
    uint32_t m_purgeAccumulator = 0;
    uint64_t m_framesDrawn = 0;
    CArray<GStartupStep> m_startupSteps;
    CString m_typedKeys;
    CSizeI m_normalWindowSize{1024, 768};
    CSizeI m_wideWindowSize{1228, 768};
    CSizeI m_windowSize{1024, 768};
    Material m_barMaterial;
    bool m_gameClassesRegistered = false;
};
