#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/ObjectivesGroup.h"
#include "game/config/RandomEvents.h"

#include <cstdint>

class CXmlStreamReader;

// One entry of the headquarters' worker list.
class GWorkerOffer : public CRefCounted {
public:
    GWorkerOffer(int count, int price, int deliveryTime) : Count(count), Price(price), DeliveryTime(deliveryTime) {}

    int Count;        // workers delivered
    int Price;        // money, before the WorkerPriceM factor
    int DeliveryTime; // ms

protected:
    ~GWorkerOffer() override;
};

// The rules of one level, read from the "LevelConfiguration.xml" of its
// folder: settings, starting resources, the objectives in their groups, the
// random events, the worker offers and the modifier values. Read once per
// level start and then only read, except for ModifierValues, which the level
// scene resets and recomputes.
class LevelConfiguration : public CRefCounted {
public:
    // The file in each level folder.
    static constexpr const char16_t* FileName = u"LevelConfiguration.xml";

    // Every default, an empty RandomEvents and the four built-in worker offers.
    LevelConfiguration();

    // Reads a whole "Level" document into the record. Keys the document does
    // not name keep their values; a key given twice keeps the last; a second
    // "Objectives" replaces the groups, a second "InitResources" adds to the
    // amounts. A document cut short keeps what was read.
    void readFromXml(CXmlStreamReader& reader);
    // Reader on the "Objectives" start element: replaces the groups.
    void readObjectives(CXmlStreamReader& reader);
    // Reader on the "InitResources" start element: sets the amounts it names.
    void readInitResources(CXmlStreamReader& reader);

    // The worker limit with `guests` guests (extra guests included).
    [[nodiscard]] int getWorkersLimit(int guests) const;
    // The guests it takes for a limit of `workers`.
    [[nodiscard]] int getGuestsForWorkers(int workers) const;

    [[nodiscard]] uint32_t getGroupCount() const { return m_groups.size(); }
    // The group at `index`, or null.
    [[nodiscard]] ObjectivesGroup* getGroup(uint32_t index) const {
        return index < m_groups.size() ? m_groups[index].get() : nullptr;
    }
    // Seconds: the sum of the groups' Time.
    [[nodiscard]] int getTotalTime() const { return m_totalTime; }
    // Never null.
    [[nodiscard]] RandomEvents* getRandomEvents() const { return m_randomEvents.get(); }
    [[nodiscard]] const CArray<CRefHandle<GWorkerOffer>>& getWorkerOffers() const { return m_workerOffers; }

    CStringW Description;
    // Seconds of one game day; income is paid at its end. Never below 1.
    int DayLength = 60;
    int InitHappiness = 0;
    int InitWorkersCount = 0;
    int InitWorkersLimit = 3;
    // Guests per additional worker; never below 1.
    int WorkersIncreaseGuestsStep = 10;
    CMap<CName, int> InitResources;
    int IncomeBonus1 = 0;
    int IncomeBonus2 = 0;
    // Percent of a destroyed building's materials that return as a pile.
    int AfterDestroyBonus = 0;
    CArray<CName> ForbiddenBuildings;
    bool IsRatingOn = true;
    bool IsClockOn = true;
    bool IsBuildingLevelOn = true;
    bool IsBuildingPlaceLuckinessOn = true;
    bool NoBrokenBuildingsToCompleteLevel = false;
    bool NoDirtyBuildingsToCompleteLevel = false;
    GLevelModifierValues ModifierValues;

protected:
    ~LevelConfiguration() override;

private:
    void readSetting(CXmlStreamReader& reader);
    void sumTotalTime();

    CArray<CRefHandle<ObjectivesGroup>> m_groups;
    CRefHandle<RandomEvents> m_randomEvents;
    int m_totalTime = 0;
    CArray<CRefHandle<GWorkerOffer>> m_workerOffers;
};
