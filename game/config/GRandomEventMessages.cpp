#include "game/config/GRandomEventMessages.h"

GRandomEvent::~GRandomEvent() = default;
GBrokenBuildingEvent::~GBrokenBuildingEvent() = default;
GDirtyBuildingEvent::~GDirtyBuildingEvent() = default;
GLetterEvent::~GLetterEvent() = default;
GResourcesEvent::~GResourcesEvent() = default;
GWeatherEffectEvent::~GWeatherEffectEvent() = default;
