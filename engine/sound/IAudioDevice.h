#pragma once

#include "engine/core/CEventReceiver.h"

#include <cstdint>

class CEvent;
class CEventHandlerTable;
class CEventUpdate;
class CObjectName;
class CStringW;
class IReadableFile;
class ISoundInstance;

// The audio device: turns sound files into playable sound instances and keeps
// streamed sounds fed. An engine listener (priority 1, masks device and
// system flow) that sees the update events and never consumes them.
class IAudioDevice : public CEventReceiver {
public:
    // A sound whose decoded size in bytes is larger than this streams;
    // otherwise it is decoded whole.
    static constexpr uint32_t DefaultStreamingThreshold = 0x40000;
    // The engine's listener priority for the audio device.
    static constexpr int32_t ListenerPriority = 1;

    // Pre-handlers, the device's table (the update event calls `update`),
    // post-handlers.
    bool handleEvent(CEvent* event) override;

    // Makes the device's context current (true) or suspends it (false).
    virtual void setActive(bool active) = 0;
    [[nodiscard]] virtual bool isActive() const = 0;
    // 0 makes every sound stream, 0xFFFFFFFF none.
    virtual void setStreamingThreshold(uint32_t bytes) = 0;
    [[nodiscard]] virtual uint32_t getStreamingThreshold() const = 0;

    // A new sound instance (count 1, owned by the caller) decoded from the
    // open `file` (the caller keeps its reference), named `name`; null when
    // the file does not decode or the device makes no sounds.
    [[nodiscard]] virtual ISoundInstance* createSound(IReadableFile* file, const CObjectName& name) = 0;
    // The same for the file at `path`, opened through the device's file
    // system; null when it does not open.
    [[nodiscard]] virtual ISoundInstance* createSoundFromPath(const CStringW& path, const CObjectName& name) = 0;

    // A report on the device for the log.
    [[nodiscard]] virtual CStringW describe() const = 0;

    // Called for every update event; answers false so that the event goes on.
    virtual bool update(CEventUpdate* event) = 0;
    // Stops the device for good; called when the engine lets it go (device
    // event 12). Sounds it made turn into silent dead objects. This version
    // does nothing.
    virtual void shutDown() {}

    [[nodiscard]] static const CEventHandlerTable& handlerTable();

private:
    // Device event 12: the engine lets this device go.
    bool onReleased(CEvent* event);

protected:
    IAudioDevice();
    ~IAudioDevice() override;
};
