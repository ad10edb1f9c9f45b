#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CClock.h"
#include "engine/core/CDisplayModeList.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CMap.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CServicePtr.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

#include <cstddef>
#include <cstdint>

class CContentManager;
class CContentProcessorsManager;
class CEvent;
class CProfileManager;
class CSoundCueManager;
class CSystemInfo;
class CUpdateScheduler;
class CVirtualFileSystem;
class IAudioDevice;
class ICursorControl;
class IGraphicsDriver;
class ITimeSource;
class SceneManager;

// The one engine object of the process: the root event receiver, the owner of
// the engine services, the holder of the creation parameters and application
// settings, and the main-loop tick that turns elapsed time into update and
// render events.
//
// The platform device derives from it, creates the window and the drivers,
// hands the services over with the setters below, calls createServices and
// runs the tick from its run step. This base runs headless: every service may
// be missing, and the tick works with whatever listeners are registered.
//
// Events posted to the engine go to its listeners in ascending priority,
// skipping listeners whose mask shares no bit with the event's; the first
// listener that handles an event stops it.
class CEngine : public CEventReceiver {
public:
    struct Listener {
        CEventReceiver* receiver;
        int32_t priority;
    };

    // Copies `params` (the version stays the engine's own) and creates the
    // clock, reading `timeSource` when one is given (tests), else the
    // machine's counter. Services start null.
    explicit CEngine(const CEngineCreationParams& params, ITimeSource* timeSource = nullptr);

    // Posts to the listeners (see routeToChildren).
    bool routeToChildren(int phase, CEvent* event) override;

    // Posts `event` to the engine: handleEvent, then the listeners. The caller
    // keeps its reference.
    bool postEvent(CEvent* event);

    // Platform operations; the base versions do nothing and answer false.
    [[nodiscard]] virtual bool applyCreationParameters(const CEngineCreationParams& params);
    [[nodiscard]] virtual bool applyAudioSettings(const CEngineCreationParams& params);
    // One main-loop step; false when the loop is to end.
    [[nodiscard]] virtual bool run();
    virtual void closeDevice();

    // Adds `receiver` with `priority` (not owned); false for null or a
    // receiver already listening. Equal priorities end in the order the
    // containers' heap sort leaves them.
    [[nodiscard]] virtual bool addListener(CEventReceiver* receiver, int32_t priority);
    // Removes the receiver's entry, keeping the others' order. A receiver
    // removed while an event is posted is not called for it any more.
    virtual void removeListener(CEventReceiver* receiver);
    [[nodiscard]] bool isListener(const CEventReceiver* receiver) const;
    [[nodiscard]] const CArray<Listener>& getListeners() const { return m_listeners; }

    // A new update scheduler; the caller gets the only reference.
    [[nodiscard]] virtual CUpdateScheduler* createScheduler();
    // A new content manager over this engine's video driver, file system and
    // content processors; the caller gets the only reference and registers
    // it as a listener (CContentManager::ListenerPriority) when it wants the
    // driver events. Defined in the content library (CContentManager.cpp),
    // which its callers link.
    [[nodiscard]] CContentManager* createContentManager();
    // A new scene manager with an empty name, no parent and this engine for
    // its scene schedulers; the caller gets the only reference. Defined in
    // the scene library (SceneManager.cpp), which its callers link.
    [[nodiscard]] SceneManager* createSceneManager();

    virtual void setWindowTitle(const CStringW& title);
    [[nodiscard]] virtual bool isActive() const;
    [[nodiscard]] virtual bool isMinimized() const;
    virtual void hideWindow();
    [[nodiscard]] virtual bool inFullscreen() const;
    [[nodiscard]] virtual bool applyGammaRamp(float red, float green, float blue, float brightness, float contrast);
    [[nodiscard]] virtual bool readGammaRamp(float& red, float& green, float& blue, float& brightness, float& contrast);
    [[nodiscard]] virtual bool openUrl(const CStringW& url);

    // Called once by the device after it handed over its services: registers
    // the content processors manager (priority -1) and the sound-cue manager
    // (priority 1) as listeners when they are set, and starts the update time
    // at the clock's virtual time.
    void createServices();

    // One main-loop step of game time. With `update`, posts update events
    // (type 18) for the time passed since the last update: none until
    // `minInterval` ms have passed, each at most `maxStep` ms (the remainder
    // waits for a later tick), and lag beyond `maxLag` ms dropped. A tick that
    // updated renders (type 19); otherwise only when `render` is set. With
    // neither flag, or without `update`, the clock is paused.
    void tick(bool update, bool render, uint32_t minInterval, uint32_t maxStep, uint32_t maxLag);

    // 0 is stored as 1.
    void setMinUpdateInterval(uint32_t ms) { m_minUpdateInterval = ms ? ms : 1; }
    void setMaxUpdateStep(uint32_t ms) { m_maxUpdateStep = ms ? ms : 1; }
    [[nodiscard]] uint32_t getMinUpdateInterval() const { return m_minUpdateInterval; }
    [[nodiscard]] uint32_t getMaxUpdateStep() const { return m_maxUpdateStep; }
    [[nodiscard]] uint32_t getLastUpdateTime() const { return m_lastUpdateTime; }

    [[nodiscard]] bool isExternalWindow() const { return m_externalWindow; }
    void setExternalWindow(bool external) { m_externalWindow = external; }
    [[nodiscard]] bool getRunWhenInactive() const { return m_runWhenInactive; }
    void setRunWhenInactive(bool run) { m_runWhenInactive = run; }

    // Application settings, a small named-text store ("PublisherName",
    // "TitleName", "TitleCaption"). A missing name reads as the empty text.
    void setSetting(const CString& name, const CStringW& value);
    [[nodiscard]] const CStringW& getSetting(const CString& name) const;
    [[nodiscard]] bool hasSetting(const CString& name) const;

    [[nodiscard]] const CEngineCreationParams& getCreationParams() const { return m_params; }
    [[nodiscard]] CClock* getClock() const { return m_clock.get(); }
    [[nodiscard]] CDisplayModeList* getDisplayModes() const { return m_displayModes.get(); }

    // Services; the getters hand out no reference. Each setter adopts the
    // reference the caller passes (null allowed) and releases the service it
    // replaces. They are templates so that the engine's own code needs no
    // definition of the service classes: T is the service class or a class
    // derived from it, complete at the caller.
    [[nodiscard]] CVirtualFileSystem* getFileSystem() const { return m_fileSystem.get(); }
    [[nodiscard]] ICursorControl* getCursorControl() const { return m_cursorControl.get(); }
    [[nodiscard]] CSystemInfo* getSystemInfo() const { return m_systemInfo.get(); }
    [[nodiscard]] CContentProcessorsManager* getContentProcessorsManager() const { return m_contentProcessors.get(); }
    [[nodiscard]] IGraphicsDriver* getVideoDriver() const { return m_videoDriver.get(); }
    // The video driver through its counted base, for libraries below the
    // video library's.
    [[nodiscard]] CRefCounted* getVideoDriverObject() const { return m_videoDriver.counted(); }
    [[nodiscard]] CSoundCueManager* getSoundCueManager() const { return m_soundCueManager.get(); }
    [[nodiscard]] IAudioDevice* getAudioDevice() const { return m_audioDevice.get(); }
    [[nodiscard]] CProfileManager* getProfileManager() const { return m_profileManager.get(); }

    template <class T> void setFileSystem(T* fileSystem) { m_fileSystem.reset(fileSystem); }
    template <class T> void setCursorControl(T* cursor) { m_cursorControl.reset(cursor); }
    template <class T> void setSystemInfo(T* info) { m_systemInfo.reset(info); }
    template <class T> void setVideoDriver(T* driver) { m_videoDriver.reset(driver); }
    template <class T> void setAudioDevice(T* device) { m_audioDevice.reset(device); }
    template <class T> void setProfileManager(T* profiles) { m_profileManager.reset(profiles); }
    void setFileSystem(std::nullptr_t) { m_fileSystem.reset(); }
    void setCursorControl(std::nullptr_t) { m_cursorControl.reset(); }
    void setSystemInfo(std::nullptr_t) { m_systemInfo.reset(); }
    void setVideoDriver(std::nullptr_t) { m_videoDriver.reset(); }
    void setAudioDevice(std::nullptr_t) { m_audioDevice.reset(); }
    void setProfileManager(std::nullptr_t) { m_profileManager.reset(); }
    // These two are listeners: once createServices has run, a replacement is
    // registered in place of the old one.
    template <class T> void setContentProcessorsManager(T* processors) {
        replaceListenerService(m_contentProcessorsReceiver, processors, ContentProcessorsPriority);
        m_contentProcessors.reset(processors);
    }
    template <class T> void setSoundCueManager(T* soundCues) {
        replaceListenerService(m_soundCueReceiver, soundCues, SoundCuePriority);
        m_soundCueManager.reset(soundCues);
    }
    void setContentProcessorsManager(std::nullptr_t) {
        replaceListenerService(m_contentProcessorsReceiver, nullptr, ContentProcessorsPriority);
        m_contentProcessors.reset();
    }
    void setSoundCueManager(std::nullptr_t) {
        replaceListenerService(m_soundCueReceiver, nullptr, SoundCuePriority);
        m_soundCueManager.reset();
    }

    // Fills `ramp` for the given gamma, brightness and contrast. Out-of-range
    // or non-finite inputs give a saturated ramp, never undefined values.
    static void buildGammaRamp(uint16_t ramp[256], float gamma, float brightness, float contrast);
    // The gamma that best explains `ramp`; 1 when it cannot be told.
    [[nodiscard]] static float estimateGammaFromRamp(const uint16_t ramp[256]);

    // The values the settings "PublisherName" and "TitleName" start with.
    static constexpr const char16_t* DefaultPublisherName = u"MRX";
    static constexpr const char16_t* DefaultTitleName = u"MRX Title";

    static constexpr int32_t ContentProcessorsPriority = -1;
    static constexpr int32_t SoundCuePriority = 1;

protected:
    ~CEngine() override;

private:
    void replaceListenerService(CEventReceiver*& slot, CEventReceiver* receiver, int32_t priority);
    void postUpdate(uint32_t elapsed);
    void postRender();

    CEngineCreationParams m_params;
    CMap<CString, CStringW> m_settings;
    CServicePtr<CVirtualFileSystem> m_fileSystem;
    CRefHandle<CClock> m_clock;
    CServicePtr<ICursorControl> m_cursorControl;
    CServicePtr<CSystemInfo> m_systemInfo;
    CServicePtr<CContentProcessorsManager> m_contentProcessors;
    CRefHandle<CDisplayModeList> m_displayModes;
    CServicePtr<IGraphicsDriver> m_videoDriver;
    CServicePtr<CSoundCueManager> m_soundCueManager;
    CServicePtr<IAudioDevice> m_audioDevice;
    CServicePtr<CProfileManager> m_profileManager;
    CEventReceiver* m_contentProcessorsReceiver = nullptr;
    CEventReceiver* m_soundCueReceiver = nullptr;
    uint32_t m_minUpdateInterval = 5;
    uint32_t m_maxUpdateStep = 15;
    uint32_t m_lastUpdateTime = 0;
    bool m_externalWindow = false;
    bool m_runWhenInactive = false;
    bool m_servicesCreated = false;
    CArray<Listener> m_listeners;
};

// The registered engine. When none is registered, the engine factory (set by
// the platform device) creates one from default creation parameters; null
// when that is impossible or fails. No reference is handed out.
[[nodiscard]] CEngine* getEngineInstance();
// The registered engine, or null; unlike getEngineInstance it never creates
// one and logs nothing, so services that merely prefer the engine's settings
// can ask.
[[nodiscard]] CEngine* findEngineInstance();
// Registers `engine` (the device does so once its creation succeeded). An
// engine clears the registration when it is destroyed.
void setEngineInstance(CEngine* engine);

// Creates the platform engine from `params`, registering it on success, and
// answers it (null on failure).
using CEngineFactory = CEngine* (*)(const CEngineCreationParams& params);
void setEngineFactory(CEngineFactory factory);
