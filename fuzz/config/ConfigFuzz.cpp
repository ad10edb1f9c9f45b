// Reads arbitrary bytes with every reader of the game's configuration files,
// then uses what they made the way the game does: lookups, modifier sums,
// serve-area tests, feature timers and copies, objectives and random-event
// timers. One row of kReaders per reader; a new configuration file adds its
// row.

#include "engine/core/CEventReceiver.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ComicsConfiguration.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameBuilding.h"
#include "game/config/IGameLevel.h"
#include "game/config/IObjectiveLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/TabsConfiguration.h"
#include "game/config/UpgradesConfiguration.h"

#include <cstddef>
#include <cstdint>

namespace {

// A level and a building with extreme amounts, so that rewards and recharge
// steps meet the edges of their arithmetic.
class FuzzLevel : public IGameLevel, public IGameBuilding {
public:
    CEventReceiver* getLevelReceiver() override { return nullptr; }
    LevelConfiguration* getLevelConfiguration() const override { return nullptr; }
    ObjectsConfiguration* getObjectsConfiguration() const override { return nullptr; }
    const GLevelModifierValues* getModifierValues() const override { return &values; }
    float getLevelIncome() const override { return 3.0e38f; }
    int getHeadquartersGold() const override { return 2147483647; }
    BaseNode* getBuildingNode() override { return nullptr; }
    bool isBusyWithTask() const override { return false; }
    bool isBroken() const override { return true; }
    int getGoldIncome() const override { return -2147483647; }
    GLevelModifierValues values;
};

void useFeatures(const GActiveFeatureList& features, const GLevelModifierValues& values) {
    FuzzLevel level;
    level.values = values;
    CRefHandle<GActiveFeatureList> copy(new GActiveFeatureList);
    copy->setLevel(&level);
    copy->setBuilding(&level);
    copy->copyFrom(features);
    copy->activate(0);
    for (int step = 0; step < 4; ++step)
        copy->updateAll(uint32_t(step) * 25000u, true);
    copy->rollAll();
    for (uint32_t i = 0; i < copy->size(); ++i)
        (void)copy->get(i)->getProgressRatio();
    copy->clear();
}

void useBuilding(const GBuildingConfig& building) {
    GLevelModifierValues values;
    if (building.Modifiers)
        building.Modifiers->applyAll(values);
    (void)serveAreasCover(building.ServeAreas, 7, 8, building.OccupiedPlaces);
    (void)serveAreasCover(building.ServeAreas, 0, 35, building.OccupiedPlaces);
    FuzzLevel level;
    for (const ServeArea& area : building.ServeAreas)
        (void)area.getIncomeBonus(&level);
    useFeatures(*building.ActiveFeatures, values);
}

void readGlobalConfig(CXmlStreamReader& reader) {
    CRefHandle<GlobalConfig> config(new GlobalConfig);
    config->readFromXml(reader);
    for (int level = -1; level < 50; level += 7)
        (void)config->levelSettingStateName(level);
}

void readObjects(CXmlStreamReader& reader) {
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    objects->readFromXml(reader);
    for (const auto& entry : objects->getBuildings()) {
        useBuilding(*entry.value);
        (void)objects->findUniqUpgrade(CName(), entry.value->Type);
    }
    objects->clear();
}

void readBuilding(CXmlStreamReader& reader) {
    // A lone record read from the reader's first node, as the building node
    // reads its own.
    CRefHandle<GBuildingConfig> building(new GBuildingConfig);
    building->readFromXml(reader);
    useBuilding(*building);
}

void readUpgrades(CXmlStreamReader& reader) {
    CRefHandle<UpgradesConfiguration> upgrades(new UpgradesConfiguration);
    upgrades->readFromXml(reader);
    GLevelModifierValues values;
    for (const auto& entry : upgrades->getUpgrades())
        entry.value->Modifiers->applyAll(values);
}

void readTabs(CXmlStreamReader& reader) {
    CRefHandle<TabsConfiguration> tabs(new TabsConfiguration);
    tabs->readFromXml(reader);
}

void readComics(CXmlStreamReader& reader) {
    CRefHandle<ComicsConfiguration> comics(new ComicsConfiguration);
    comics->readFromXml(reader);
    (void)comics->find(5);
}

// A running level with a few places and actions for the objectives to count.
class FuzzObjectiveLevel : public IObjectiveLevel {
public:
    explicit FuzzObjectiveLevel(const GBuildingConfig* record) {
        for (int i = 0; i < 6; ++i) {
            GObjectivePlace& place = m_places[i];
            place.name = CName(i % 2 ? "Place1" : "Place2");
            place.taskKind = i;
            place.damageState = i & 1;
            place.current = i == 3 ? nullptr : record;
            place.previous = record;
            place.incomeBonus = float(i * 10 - 20);
            place.servedGuests = i;
        }
        for (int kind = -1; kind < 8; ++kind)
            m_history.push_back(GHistoryRecord{kind, record->Name, CName("Place1"), 2147483647});
    }
    int getHeadquartersResource(CName) const override { return 2147483647; }
    int getHeadquartersWorkers() const override { return -2147483647; }
    float getLevelIncome() const override { return -3.0e38f; }
    int getLevelGuests() const override { return 2147483647; }
    int getLevelExtraGuests() const override { return 2147483647; }
    int getLevelHappiness() const override { return 0; }
    uint32_t getPlaceCount() const override { return 6; }
    GObjectivePlace getPlace(uint32_t index) const override { return m_places[index]; }
    const CArray<GHistoryRecord>& getHistory() const override { return m_history; }

private:
    GObjectivePlace m_places[6];
    CArray<GHistoryRecord> m_history;
};

// Takes every event and keeps none.
class FuzzReceiver : public CEventReceiver {
public:
    bool handleEvent(CEvent*) override { return true; }
};

void readLevel(CXmlStreamReader& reader) {
    CRefHandle<LevelConfiguration> level(new LevelConfiguration);
    level->readFromXml(reader);
    (void)level->getWorkersLimit(2147483647);
    (void)level->getGuestsForWorkers(2147483647);

    // Objectives against apartments named after the first type they ask for.
    for (uint32_t g = 0; g < level->getGroupCount(); ++g) {
        ObjectivesGroup* group = level->getGroup(g);
        for (uint32_t i = 0; i < group->size(); ++i) {
            GObjective* objective = group->get(i);
            CRefHandle<GBuildingConfig> record(new GBuildingConfig);
            record->Kind = GBuildingType::Apartment;
            record->Level = 1;
            record->Name = CName("Cottage1");
            const FuzzObjectiveLevel running(record.get());
            objective->reset();
            (void)objective->isComplete(running);
            (void)objective->getInfoText(true);
            (void)objective->getProgressText(running);
            (void)objective->getHintText();
        }
    }

    // The requests as the level start runs them, then a few minutes of play
    // with a pause, and a stop.
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    CRefHandle<FuzzReceiver> receiver(new FuzzReceiver);
    RandomEvents* events = level->getRandomEvents();
    events->startAll(receiver.get(), scheduler.get());
    events->setAllPaused(false);
    for (int step = 0; step < 40; ++step) {
        scheduler->update(step == 20 ? 4000000000u : 5000u);
        if (step == 10)
            events->setAllPaused(true);
        if (step == 12)
            events->setAllPaused(false);
    }
    for (uint32_t i = 0; i < events->size(); ++i)
        events->get(i)->advance(70000);
    events->stopAll();
}

using ConfigReader = void (*)(CXmlStreamReader&);

constexpr ConfigReader kReaders[] = {
    readGlobalConfig, readObjects, readBuilding, readUpgrades, readTabs, readComics, readLevel,
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (ConfigReader read : kReaders) {
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(data, size));
        read(*reader);
    }
    return 0;
}
