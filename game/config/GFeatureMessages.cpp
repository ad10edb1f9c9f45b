#include "game/config/GFeatureMessages.h"

GFeatureMessage::~GFeatureMessage() = default;
GFeatureActivatedMessage::~GFeatureActivatedMessage() = default;
GFeatureRechargingMessage::~GFeatureRechargingMessage() = default;
GFeatureFinishedMessage::~GFeatureFinishedMessage() = default;
GFeatureReadyMessage::~GFeatureReadyMessage() = default;
