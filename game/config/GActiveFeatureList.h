#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "game/config/GActiveFeature.h"

#include <cstdint>

class IGameBuilding;
class IGameLevel;

// The active features of one building (or of a building type, as read):
// runs their timers, lets one be active at a time and tells the level about
// every phase change. Messages are sent only while the list knows both its
// level and its building.
class GActiveFeatureList : public CRefCounted {
public:
    GActiveFeatureList() = default;

    // Appends `feature` with a reference of its own and becomes its owner;
    // when a feature of the same FeatureName is listed, adds nothing and
    // answers that feature's index.
    int add(GActiveFeature* feature);
    [[nodiscard]] GActiveFeature* get(uint32_t index) const {
        return index < m_features.size() ? m_features[index].get() : nullptr;
    }
    [[nodiscard]] uint32_t size() const { return m_features.size(); }
    // The first active feature, or null.
    [[nodiscard]] GActiveFeature* findActive() const;

    // Switches the feature at `index` on when it is ready and no other is
    // active (4117); otherwise nothing.
    void activate(uint32_t index);
    // Every active feature starts recharging from what it reached (4118).
    void stopAll();
    void updateAll(uint32_t elapsed, bool force);
    void rollAll();
    // Replaces the features by copies of `other`'s; a copy of an active
    // feature starts recharging (4118).
    void copyFrom(const GActiveFeatureList& other);
    // Active features start recharging (4118), then all are released.
    void clear();

    [[nodiscard]] IGameLevel* getLevel() const { return m_level; }
    void setLevel(IGameLevel* level) { m_level = level; }
    [[nodiscard]] IGameBuilding* getBuilding() const { return m_building; }
    void setBuilding(IGameBuilding* building) { m_building = building; }

protected:
    // Releases the features without messages: the building that owns the
    // list is going away and can no longer be named in one.
    ~GActiveFeatureList() override;

private:
    IGameLevel* m_level = nullptr;
    IGameBuilding* m_building = nullptr;
    CArray<CRefHandle<GActiveFeature>> m_features;
};
