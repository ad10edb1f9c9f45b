#pragma once

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/device/CEventDevice.h"
#include "engine/sound/IAudioDevice.h"

#include <cstdint>

// A new audio device is in place. The event does not hold a reference to
// it; a listener that keeps the device takes its own.
class CEventAudioDriverCreated : public CEventDevice, public IDeviceServiceEvent {
public:
    static constexpr int32_t TypeId = AudioDeviceCreated;

    explicit CEventAudioDriverCreated(IAudioDevice* device) : m_device(device) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventDevice::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return m_device; }

    [[nodiscard]] IAudioDevice* getDevice() const { return m_device; }

protected:
    ~CEventAudioDriverCreated() override = default;

private:
    IAudioDevice* m_device;
};
