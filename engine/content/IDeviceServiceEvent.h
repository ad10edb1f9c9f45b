#pragma once

#include <cstdint>

class CRefCounted;

// The device events around the re-creation of a driver, by type id, and the
// interface by which the "created" events (11 and 13) hand over the new
// service. The event classes belong to the device layer; the content layer
// cannot name the driver classes, so it keeps the service through its
// reference count. The device's event classes implement this interface
// beside CEvent.
class IDeviceServiceEvent {
public:
    static constexpr int32_t VideoDriverReleased = 10;
    static constexpr int32_t VideoDriverCreated = 11;
    static constexpr int32_t AudioDeviceReleased = 12;
    static constexpr int32_t AudioDeviceCreated = 13;

    // The new driver or audio device (no reference handed out); null for the
    // "released" events.
    [[nodiscard]] virtual CRefCounted* getService() const = 0;

protected:
    IDeviceServiceEvent() = default;
    IDeviceServiceEvent(const IDeviceServiceEvent&) = default;
    IDeviceServiceEvent& operator=(const IDeviceServiceEvent&) = default;
    virtual ~IDeviceServiceEvent() = default;
};
