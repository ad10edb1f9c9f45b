#pragma once

#include "engine/core/CRefHandle.h"
#include "game/config/GActiveFeature.h"
#include "game/config/GWorldMessages.h"

#include <cstdint>

// The common part of the messages about an active feature of a building.
class GFeatureMessage : public GBuildingMessage {
public:
    [[nodiscard]] GActiveFeature* getFeature() const { return m_feature.get(); }

protected:
    GFeatureMessage(BaseNode* building, GActiveFeature* feature)
        : GBuildingMessage(building), m_feature(CRefHandle<GActiveFeature>::share(feature)) {}
    ~GFeatureMessage() override;

private:
    CRefHandle<GActiveFeature> m_feature;
};

// 4117: a feature became active.
class GFeatureActivatedMessage : public GFeatureMessage {
public:
    static constexpr int32_t TypeId = 4117;
    GFeatureActivatedMessage(BaseNode* building, GActiveFeature* feature) : GFeatureMessage(building, feature) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GFeatureActivatedMessage() override;
};

// 4118: a feature started recharging.
class GFeatureRechargingMessage : public GFeatureMessage {
public:
    static constexpr int32_t TypeId = 4118;
    GFeatureRechargingMessage(BaseNode* building, GActiveFeature* feature) : GFeatureMessage(building, feature) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GFeatureRechargingMessage() override;
};

// 4119: a feature's active time is over (4118 follows at once).
class GFeatureFinishedMessage : public GFeatureMessage {
public:
    static constexpr int32_t TypeId = 4119;
    GFeatureFinishedMessage(BaseNode* building, GActiveFeature* feature) : GFeatureMessage(building, feature) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GFeatureFinishedMessage() override;
};

// 4120: a feature finished recharging and is ready.
class GFeatureReadyMessage : public GFeatureMessage {
public:
    static constexpr int32_t TypeId = 4120;
    GFeatureReadyMessage(BaseNode* building, GActiveFeature* feature) : GFeatureMessage(building, feature) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GFeatureReadyMessage() override;
};
