#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "game/config/ConfigXml.h"
#include "game/config/GGameMessage.h"

#include <cstdint>

// The events that random-event requests (and the tutorial and developer
// keys) send to the level scene. The building-type and place-name filters
// are copies of the sender's lists; an empty filter matches everything.

// The common part of 4124 to 4127, which are all kinds of 4123. Never sent
// bare.
class GRandomEvent : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4123;

    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GGameMessage::isKindOf(id); }

    [[nodiscard]] const CArray<CName>& getBuildingTypes() const { return m_buildingTypes; }
    [[nodiscard]] const CArray<CName>& getPlaceNames() const { return m_placeNames; }
    [[nodiscard]] bool isOneTime() const { return m_oneTime; }

protected:
    GRandomEvent(const CArray<CName>& buildingTypes, const CArray<CName>& placeNames, bool oneTime)
        : m_buildingTypes(buildingTypes), m_placeNames(placeNames), m_oneTime(oneTime) {}
    ~GRandomEvent() override;

private:
    CArray<CName> m_buildingTypes;
    CArray<CName> m_placeNames;
    bool m_oneTime;
};

// 4124: a building breaks.
class GBrokenBuildingEvent : public GRandomEvent {
public:
    static constexpr int32_t TypeId = 4124;
    GBrokenBuildingEvent(const CArray<CName>& buildingTypes, const CArray<CName>& placeNames, bool oneTime)
        : GRandomEvent(buildingTypes, placeNames, oneTime) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GBrokenBuildingEvent() override;
};

// 4125: a building gets dirty.
class GDirtyBuildingEvent : public GRandomEvent {
public:
    static constexpr int32_t TypeId = 4125;
    GDirtyBuildingEvent(const CArray<CName>& buildingTypes, const CArray<CName>& placeNames, bool oneTime)
        : GRandomEvent(buildingTypes, placeNames, oneTime) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

protected:
    ~GDirtyBuildingEvent() override;
};

// 4126: a money letter arrives. `moneyRange` is a factor range on the chosen
// building's income, `waitTimeRange` how long the letter waits, in ms.
class GLetterEvent : public GRandomEvent {
public:
    static constexpr int32_t TypeId = 4126;
    GLetterEvent(const CArray<CName>& buildingTypes, const CArray<CName>& placeNames, bool oneTime,
                 GFloatRange moneyRange, GFloatRange waitTimeRange)
        : GRandomEvent(buildingTypes, placeNames, oneTime), m_moneyRange(moneyRange), m_waitTimeRange(waitTimeRange) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] GFloatRange getMoneyRange() const { return m_moneyRange; }
    [[nodiscard]] GFloatRange getWaitTimeRange() const { return m_waitTimeRange; }

protected:
    ~GLetterEvent() override;

private:
    GFloatRange m_moneyRange;
    GFloatRange m_waitTimeRange;
};

// 4127: a pile of resources appears by the road.
class GResourcesEvent : public GRandomEvent {
public:
    static constexpr int32_t TypeId = 4127;
    GResourcesEvent(const CArray<CName>& buildingTypes, const CArray<CName>& placeNames, bool oneTime,
                    CName pileTemplate, const CMap<CName, GIntRange>& resourceRanges, GFloatRange waitTimeRange)
        : GRandomEvent(buildingTypes, placeNames, oneTime), m_template(pileTemplate), m_resourceRanges(resourceRanges),
          m_waitTimeRange(waitTimeRange) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] CName getTemplate() const { return m_template; }
    [[nodiscard]] const CMap<CName, GIntRange>& getResourceRanges() const { return m_resourceRanges; }
    [[nodiscard]] GFloatRange getWaitTimeRange() const { return m_waitTimeRange; }

protected:
    ~GResourcesEvent() override;

private:
    CName m_template;
    CMap<CName, GIntRange> m_resourceRanges;
    GFloatRange m_waitTimeRange;
};

// 4131: rain or snow for a duration drawn from the range (ms). Not a kind of
// 4123.
class GWeatherEffectEvent : public GGameMessage {
public:
    static constexpr int32_t TypeId = 4131;
    explicit GWeatherEffectEvent(GIntRange durationTimeRange) : m_durationTimeRange(durationTimeRange) {}
    [[nodiscard]] int32_t getType() const override { return TypeId; }

    [[nodiscard]] GIntRange getDurationTimeRange() const { return m_durationTimeRange; }

protected:
    ~GWeatherEffectEvent() override;

private:
    GIntRange m_durationTimeRange;
};
