#pragma once

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/device/CEventDevice.h"

#include <cstdint>

// The audio device is about to be released (before a new one is made):
// whoever keeps sounds of it lets go of them now.
class CEventAudioDriverReleased : public CEventDevice, public IDeviceServiceEvent {
public:
    static constexpr int32_t TypeId = AudioDeviceReleased;

    CEventAudioDriverReleased() = default;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventDevice::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return nullptr; }

protected:
    ~CEventAudioDriverReleased() override = default;
};
