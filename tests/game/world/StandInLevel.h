#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEvent.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/core/CVector2d.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"

#include <vector>

class BaseNode;

// A receiver that keeps the game messages handed to it.
class MessageLog : public CEventReceiver {
public:
    bool handleEvent(CEvent* event) override {
        messages.push_back(CRefHandle<CEvent>::share(event));
        return true;
    }
    // The ids of the kept messages, in order.
    [[nodiscard]] std::vector<int> ids() const {
        std::vector<int> out;
        for (const auto& message : messages)
            out.push_back(int(message->getType()));
        return out;
    }
    std::vector<CRefHandle<CEvent>> messages;

protected:
    ~MessageLog() override = default;
};

// The level scene as far as the world's objects ask of it, with every answer
// set by the test. Paths run straight from the start to the destination
// unless `pathSearch` is set; `pathLength` is the straight distance in
// whole points (or -1 when `unreachable`).
class StandInLevel : public IGameLevel {
public:
    StandInLevel()
        : receiver(new MessageLog), configuration(new LevelConfiguration), objects(new ObjectsConfiguration),
          global(new GlobalConfig), scheduler(new CUpdateScheduler) {}

    CEventReceiver* getLevelReceiver() override { return receiver.get(); }
    LevelConfiguration* getLevelConfiguration() const override { return configuration.get(); }
    ObjectsConfiguration* getObjectsConfiguration() const override { return objects.get(); }
    const GLevelModifierValues* getModifierValues() const override { return &configuration->ModifierValues; }
    float getLevelIncome() const override { return income; }
    int getHeadquartersGold() const override { return headquartersGold; }
    CUpdateScheduler* getUpdateScheduler() const override { return scheduler.get(); }
    bool findPath(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points, bool straighten) override {
        lastStraighten = straighten;
        if (unreachable)
            return false;
        if (pathSearch)
            return pathSearch(from, to, points);
        points.clear();
        points.push_back(to);
        points.push_back(from);
        return true;
    }
    bool isLevelPaused() const override { return paused; }
    int getLevelNumber() const override { return levelNumber; }
    const GlobalConfig* getGlobalConfig() const override { return global.get(); }
    int getPlaceCount() const override { return int(places.size()); }
    BaseNode* getPlace(int index) const override {
        return index >= 0 && index < int(places.size()) ? places[size_t(index)] : nullptr;
    }
    void recalculate() override { ++recalculations; }
    BaseNode* getHeadquarters() const override { return headquarters; }
    int getLevelGuests() const override { return guests; }
    BaseNode* getOnRoadLocationsNode() const override { return onRoadLocations; }
    int pathLength(float fromX, float fromY, float toX, float toY) const override {
        if (unreachable)
            return -1;
        return int(CVector2d(toX - fromX, toY - fromY).length());
    }

    CRefHandle<MessageLog> receiver;
    CRefHandle<LevelConfiguration> configuration;
    CRefHandle<ObjectsConfiguration> objects;
    CRefHandle<GlobalConfig> global;
    CRefHandle<CUpdateScheduler> scheduler;
    float income = 0.0f;
    int headquartersGold = 0;
    bool paused = false;
    bool unreachable = false;
    bool lastStraighten = false;
    int levelNumber = 1;
    std::vector<BaseNode*> places;
    BaseNode* headquarters = nullptr;
    int recalculations = 0;
    int guests = 0;
    BaseNode* onRoadLocations = nullptr;
    // Replaces the straight path when set.
    bool (*pathSearch)(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points) = nullptr;
};

// A building type record of the given Name, kind and Level.
inline CRefHandle<GBuildingConfig> makeBuildingType(const char* name, GBuildingType kind, int level) {
    CRefHandle<GBuildingConfig> type(new GBuildingConfig);
    type->Name = CName(name);
    type->Kind = kind;
    type->Level = level;
    return type;
}
