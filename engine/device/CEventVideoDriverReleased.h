#pragma once

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/device/CEventDevice.h"

#include <cstdint>

// The video driver is about to be released (before a new one is made):
// whoever keeps driver objects lets go of them now.
class CEventVideoDriverReleased : public CEventDevice, public IDeviceServiceEvent {
public:
    static constexpr int32_t TypeId = VideoDriverReleased;

    CEventVideoDriverReleased() = default;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventDevice::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return nullptr; }

protected:
    ~CEventVideoDriverReleased() override = default;
};
