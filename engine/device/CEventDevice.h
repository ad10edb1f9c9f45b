#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

// The base of the device events (10 to 15): changes of the drivers, the
// display and the window size. A device event, kind of the device group.
class CEventDevice : public CEvent {
public:
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == KindDevice || CEvent::isKindOf(id); }

protected:
    CEventDevice() : CEvent(MaskDevice) {}
    ~CEventDevice() override = default;
};
