#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CEvent;
class CEventHandlerTable;
class CVirtualFileSystem;
class IContentProcessor;

// The registry of content processors, one per type code, in registration
// order. The content manager asks it for the processor of a type; the engine
// registers it as a listener before the content manager (priority -1), so
// that device events give the processors their new driver or audio device
// before the content manager notifies them about cached objects.
//
// Processors whose classes live in higher libraries (scene files, textures,
// sounds) are created there and registered through `registerProcessor`.
class CContentProcessorsManager : public CEventReceiver {
public:
    // The engine's listener priority for this manager.
    static constexpr int32_t ListenerPriority = -1;

    // Takes a reference to each service it is given (all may be null). The
    // driver and the audio device are kept through their reference counts:
    // their classes belong to higher libraries.
    explicit CContentProcessorsManager(CVirtualFileSystem* fileSystem, CRefCounted* videoDriver = nullptr,
                                       CRefCounted* audioDevice = nullptr);

    // Pre-handlers, the manager's table (device events replace the services
    // it holds; none is consumed), post-handlers.
    bool handleEvent(CEvent* event) override;
    // Hands the event to every processor whose mask shares a bit with the
    // event's, in registration order. Never consumes the event.
    bool routeToChildren(int phase, CEvent* event) override;

    // The first processor registered for `type`, or null; no reference.
    [[nodiscard]] IContentProcessor* findProcessor(uint32_t type) const;
    // Appends `processor`, taking a reference of its own (the caller keeps
    // its reference). False for null or when `type` already has a processor;
    // the first one stays in charge.
    [[nodiscard]] bool registerProcessor(IContentProcessor* processor);
    [[nodiscard]] uint32_t processorCount() const { return m_processors.size(); }
    [[nodiscard]] IContentProcessor* processorAt(uint32_t index) const { return m_processors[index]; }

    // Event 10 drops the driver, 11 takes the one the event carries; 12 and
    // 13 do the same for the audio device. All answer false.
    virtual bool onVideoDriverReleased(CEvent* event);
    virtual bool onVideoDriverCreated(CEvent* event);
    virtual bool onAudioDeviceReleased(CEvent* event);
    virtual bool onAudioDeviceCreated(CEvent* event);

    // Services; no reference handed out.
    [[nodiscard]] CVirtualFileSystem* getFileSystem() const { return m_fileSystem.get(); }
    [[nodiscard]] CRefCounted* getVideoDriver() const { return m_videoDriver.get(); }
    [[nodiscard]] CRefCounted* getAudioDevice() const { return m_audioDevice.get(); }

    [[nodiscard]] static const CEventHandlerTable& handlerTable();

protected:
    ~CContentProcessorsManager() override;

private:
    CRefHandle<CRefCounted> m_videoDriver;
    CRefHandle<CRefCounted> m_audioDevice;
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    CArray<IContentProcessor*> m_processors;
};
