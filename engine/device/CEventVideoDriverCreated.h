#pragma once

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/device/CEventDevice.h"
#include "engine/video/IGraphicsDriver.h"

#include <cstdint>

// A new video driver is in place. The event does not hold a reference to
// it; a listener that keeps the driver takes its own.
class CEventVideoDriverCreated : public CEventDevice, public IDeviceServiceEvent {
public:
    static constexpr int32_t TypeId = VideoDriverCreated;

    explicit CEventVideoDriverCreated(IGraphicsDriver* driver) : m_driver(driver) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventDevice::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return m_driver; }

    [[nodiscard]] IGraphicsDriver* getDriver() const { return m_driver; }

protected:
    ~CEventVideoDriverCreated() override = default;

private:
    IGraphicsDriver* m_driver;
};
