#include "engine/core/CRefHandle.h"
#include "engine/device/CEventApplicationActivate.h"
#include "engine/device/CEventAudioDriverCreated.h"
#include "engine/device/CEventAudioDriverReleased.h"
#include "engine/device/CEventDisplayChanged.h"
#include "engine/device/CEventSystemFlowCloseRequest.h"
#include "engine/device/CEventVideoDriverCreated.h"
#include "engine/device/CEventVideoDriverReleased.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/device/CEventWindowDestroyed.h"
#include "engine/device/CEventWindowResized.h"

#include <gtest/gtest.h>

// The device's events answer their type, mask and groups; the driver events
// hand their service to the content layer.
TEST(DeviceEvents, TypesMasksAndKinds) {
    const struct {
        CRefHandle<CEvent> event;
        int32_t type;
        uint32_t mask;
        int32_t kind;
    } cases[] = {
        {CRefHandle<CEvent>(new CEventVideoDriverReleased), 10, CEvent::MaskDevice, CEvent::KindDevice},
        {CRefHandle<CEvent>(new CEventVideoDriverCreated(nullptr)), 11, CEvent::MaskDevice, CEvent::KindDevice},
        {CRefHandle<CEvent>(new CEventAudioDriverReleased), 12, CEvent::MaskDevice, CEvent::KindDevice},
        {CRefHandle<CEvent>(new CEventAudioDriverCreated(nullptr)), 13, CEvent::MaskDevice, CEvent::KindDevice},
        {CRefHandle<CEvent>(new CEventDisplayChanged(32, 800, 600)), 14, CEvent::MaskDevice, CEvent::KindDevice},
        {CRefHandle<CEvent>(new CEventWindowResized(640, 480)), 15, CEvent::MaskDevice, CEvent::KindDevice},
        {CRefHandle<CEvent>(new CEventWindowActivate(true)), 21, CEvent::MaskSystemFlow, CEvent::KindSystemFlow},
        {CRefHandle<CEvent>(new CEventApplicationActivate(false)), 22, CEvent::MaskSystemFlow, CEvent::KindSystemFlow},
        {CRefHandle<CEvent>(new CEventSystemFlowCloseRequest), 23, CEvent::MaskSystemFlow, CEvent::KindSystemFlow},
        {CRefHandle<CEvent>(new CEventWindowDestroyed), 24, CEvent::MaskSystemFlow, CEvent::KindSystemFlow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(c.event->getType(), c.type);
        EXPECT_EQ(c.event->getMask(), c.mask);
        EXPECT_TRUE(c.event->isKindOf(c.type));
        EXPECT_TRUE(c.event->isKindOf(c.kind));
        EXPECT_TRUE(c.event->isKindOf(CEvent::KindAny));
        EXPECT_FALSE(c.event->isKindOf(CEvent::KindInput));
        const bool serviceEvent = c.type >= 10 && c.type <= 13;
        EXPECT_EQ(dynamic_cast<const IDeviceServiceEvent*>(c.event.get()) != nullptr, serviceEvent);
    }
}
