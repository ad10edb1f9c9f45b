#include "game/config/LevelConfiguration.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

#include <cstdint>

namespace {

struct IntKey {
    const char16_t* name;
    int LevelConfiguration::*field;
};
struct FlagKey {
    const char16_t* name;
    bool LevelConfiguration::*field;
};

constexpr IntKey kIntKeys[] = {
    {u"InitHappiness", &LevelConfiguration::InitHappiness},
    {u"InitWorkersCount", &LevelConfiguration::InitWorkersCount},
    {u"InitWorkersLimit", &LevelConfiguration::InitWorkersLimit},
    {u"IncomeBonus1", &LevelConfiguration::IncomeBonus1},
    {u"IncomeBonus2", &LevelConfiguration::IncomeBonus2},
    {u"AfterDestroyBonus", &LevelConfiguration::AfterDestroyBonus},
};

constexpr FlagKey kFlagKeys[] = {
    {u"IsRatingOn", &LevelConfiguration::IsRatingOn},
    {u"IsClockOn", &LevelConfiguration::IsClockOn},
    {u"IsBuildingLevelOn", &LevelConfiguration::IsBuildingLevelOn},
    {u"IsBuildingPlaceLuckinessOn", &LevelConfiguration::IsBuildingPlaceLuckinessOn},
    {u"NoBrokenBuildingsToCompleteLevel", &LevelConfiguration::NoBrokenBuildingsToCompleteLevel},
    {u"NoDirtyBuildingsToCompleteLevel", &LevelConfiguration::NoDirtyBuildingsToCompleteLevel},
};

// The offers of the headquarters' worker list: count, price, delivery ms.
constexpr int kWorkerOffers[][3] = {
    {1, 50000, 5000},
    {2, 90000, 7000},
    {3, 125000, 10000},
    {4, 150000, 12000},
};

} // namespace

GWorkerOffer::~GWorkerOffer() = default;

LevelConfiguration::LevelConfiguration() : m_randomEvents(new RandomEvents) {
    for (const auto& offer : kWorkerOffers)
        m_workerOffers.push_back(CRefHandle<GWorkerOffer>(new GWorkerOffer(offer[0], offer[1], offer[2])));
}

LevelConfiguration::~LevelConfiguration() {
    // Requests may still sit on a scheduler; they must not keep a receiver
    // that outlives nothing here.
    m_randomEvents->stopAll();
}

void LevelConfiguration::readFromXml(CXmlStreamReader& reader) {
    readConfigDocument(reader, u"Level", [this](CXmlStreamReader& r) { readSetting(r); });
    sumTotalTime();
}

void LevelConfiguration::readSetting(CXmlStreamReader& reader) {
    const CStringW& name = reader.nodeName();
    for (const IntKey& key : kIntKeys) {
        if (name == key.name) {
            this->*key.field = valueInt(reader);
            return;
        }
    }
    for (const FlagKey& key : kFlagKeys) {
        if (name == key.name) {
            this->*key.field = valueIsTrue(reader);
            return;
        }
    }
    if (name == u"Description") {
        Description = valueText(reader);
    } else if (name == u"DayLength") {
        // A day of no time would pay income on every tick.
        const int seconds = valueInt(reader);
        if (seconds >= 1)
            DayLength = seconds;
    } else if (name == u"WorkersIncreaseGuestsStep") {
        WorkersIncreaseGuestsStep = valueInt(reader) < 1 ? 1 : valueInt(reader);
    } else if (name == u"ForbiddenBuildings") {
        ForbiddenBuildings = valueNames(reader);
    } else if (name == u"InitResources") {
        readInitResources(reader);
    } else if (name == u"Objectives") {
        readObjectives(reader);
    } else if (name == u"RandomEvents") {
        m_randomEvents->readFromXml(reader);
    }
}

void LevelConfiguration::readObjectives(CXmlStreamReader& reader) {
    m_groups.clear();
    readChildElements(reader, u"Objectives", [this](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"ObjectivesGroup"))
            return;
        CRefHandle<ObjectivesGroup> group(new ObjectivesGroup);
        group->Time = r.attributeInt("Time", 120);
        group->Score = r.attributeInt("Score", 1);
        group->Tutorial = r.attribute("Tutorial");
        group->readFromXml(r);
        m_groups.push_back(group);
    });
    sumTotalTime();
}

void LevelConfiguration::readInitResources(CXmlStreamReader& reader) {
    readChildElements(reader, u"InitResources",
                      [this](CXmlStreamReader& r) { InitResources[elementName(r)] = valueInt(r); });
}

int LevelConfiguration::getWorkersLimit(int guests) const {
    const int step = WorkersIncreaseGuestsStep < 1 ? 1 : WorkersIncreaseGuestsStep;
    const int64_t limit = int64_t(InitWorkersLimit) + guests / step;
    return limit > INT32_MAX ? INT32_MAX : limit < INT32_MIN ? INT32_MIN : int(limit);
}

int LevelConfiguration::getGuestsForWorkers(int workers) const {
    if (workers <= InitWorkersLimit)
        return 0;
    const int step = WorkersIncreaseGuestsStep < 1 ? 1 : WorkersIncreaseGuestsStep;
    const int64_t guests = (int64_t(workers) - InitWorkersLimit) * step;
    return guests > INT32_MAX ? INT32_MAX : int(guests);
}

void LevelConfiguration::sumTotalTime() {
    int64_t total = 0;
    for (const CRefHandle<ObjectivesGroup>& group : m_groups)
        total += group->Time;
    m_totalTime = total > INT32_MAX ? INT32_MAX : total < INT32_MIN ? INT32_MIN : int(total);
}
