#include "game/config/GBuildingObjectives.h"

#include "engine/core/CString.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GNumberText.h"
#include "game/config/IObjectiveLevel.h"

#include <cmath>
#include <vector>

namespace {

constexpr const char16_t* kActionOwn = u"%Briffings_Own%";
constexpr const char16_t* kActionBuild = u"%Briffings_Build%";

bool matches(const CArray<CName>& filter, CName name) { return filter.empty() || filter.indexOf(name) >= 0; }

bool isBuiltApartment(const GBuildingConfig* record) {
    return record && record->Level > 0 && record->Kind == GBuildingType::Apartment;
}

// The record a place counts as built under: its current one, or the one
// before its task while it is being built or levelled up; null for a place
// being demolished, one without a record and an empty place.
const GBuildingConfig* builtRecord(const GObjectivePlace& place) {
    if (place.taskKind == GObjectivePlace::DestroyTask)
        return nullptr;
    const GBuildingConfig* record = place.taskKind == GObjectivePlace::BuildTask ? place.previous : place.current;
    return record && record->Level > 0 ? record : nullptr;
}

// "Exception" set to exactly "true" makes the verb "build", or the text of
// "ExceptionName" when given.
void readException(const CXmlStreamReader& reader, CStringW& action) {
    if (!(reader.attribute("Exception") == u"true"))
        return;
    action = kActionBuild;
    const CStringW& name = reader.attribute("ExceptionName");
    if (!name.empty())
        action = name;
}

// An empty "Icon" with building types shows the first type's own icon.
void iconFromFirstType(GObjective& objective, bool iconGiven, const CArray<CName>& types) {
    if (!iconGiven && !types.empty())
        objective.setIcon(CStringW(types[0].str()) + u".png");
}

CStringW progress(int current, int goal) { return plainNumber(current) + u"/" + plainNumber(goal); }

int clampToInt(int64_t n) { return n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : int(n); }

} // namespace

// --- HaveTypedBuildingsCount

int GObjectiveHaveTypedBuildingsCount::count(const IObjectiveLevel& level, bool typed) const {
    const bool noMinimum = std::fabs(MinIncomeBonus - NoMinIncomeBonus) <= 0.000001f;
    int n = 0;
    for (uint32_t i = 0, places = level.getPlaceCount(); i < places; ++i) {
        const GObjectivePlace place = level.getPlace(i);
        if (!place.visible || !place.enabled || !place.reachable || !place.hasRequiredServices ||
            place.taskKind == GObjectivePlace::RepairTask || place.damageState != 0)
            continue;
        const GBuildingConfig* record = place.current;
        if (noMinimum) {
            if (MinServedGuests > 0 && place.servedGuests < MinServedGuests)
                continue;
        } else if (MinIncomeBonus > place.incomeBonus && (isBuiltApartment(record) || !record || record->Level == 0)) {
            continue;
        }
        if (noMinimum || !BuildingTypes.empty())
            record = builtRecord(place);
        if (!record)
            continue;
        const bool typeMatches =
            typed ? matches(BuildingTypes, record->Name) : record->Kind == GBuildingType::Apartment;
        if (typeMatches && matches(PlaceNames, place.name))
            ++n;
    }
    return n;
}

bool GObjectiveHaveTypedBuildingsCount::isComplete(const IObjectiveLevel& level) const {
    return count(level, true) >= (Value == -1 ? count(level, false) : Value);
}

CStringW GObjectiveHaveTypedBuildingsCount::getInfoText(bool) const { return InfoStr; }

CStringW GObjectiveHaveTypedBuildingsCount::getProgressText(const IObjectiveLevel& level) const {
    return progress(count(level, true), Value == -1 ? count(level, false) : Value);
}

void GObjectiveHaveTypedBuildingsCount::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeInt("Value", 0);
    InfoStr = reader.attribute("InfoStr");
    BuildingTypes = attributeNames(reader, "BuildingTypes");
    PlaceNames = attributeNames(reader, "PlaceNames");
    MinIncomeBonus = reader.attributeFloat("MinIncomeBonus", NoMinIncomeBonus);
    MinServedGuests = reader.attributeInt("MinServedGuests", 0);
    MustOwn = reader.attribute("MustOwn") == u"true";
    m_actionText = MustOwn ? kActionOwn : kActionBuild;
    readException(reader, m_actionText);
    iconFromFirstType(*this, readIcon(reader), BuildingTypes);
}

// --- HaveEachTypeBuildingsCount

int GObjectiveHaveEachTypeBuildingsCount::count(const IObjectiveLevel& level) const {
    if (BuildingTypes.empty())
        return 0;
    std::vector<int> counters(BuildingTypes.size(), 0);
    for (uint32_t i = 0, places = level.getPlaceCount(); i < places; ++i) {
        const GObjectivePlace place = level.getPlace(i);
        if (MustOwn && (place.taskKind == GObjectivePlace::RepairTask || place.damageState != 0))
            continue;
        const GBuildingConfig* record = builtRecord(place);
        if (!record)
            continue;
        const int64_t type = BuildingTypes.indexOf(record->Name);
        if (type >= 0 && counters[size_t(type)] < Value)
            ++counters[size_t(type)];
    }
    int64_t sum = 0;
    for (int counter : counters)
        sum += counter;
    return clampToInt(sum);
}

bool GObjectiveHaveEachTypeBuildingsCount::isComplete(const IObjectiveLevel& level) const {
    return int64_t(count(level)) >= int64_t(Value) * BuildingTypes.size();
}

CStringW GObjectiveHaveEachTypeBuildingsCount::getInfoText(bool) const { return InfoStr; }

CStringW GObjectiveHaveEachTypeBuildingsCount::getProgressText(const IObjectiveLevel& level) const {
    return progress(count(level), clampToInt(int64_t(Value) * BuildingTypes.size()));
}

void GObjectiveHaveEachTypeBuildingsCount::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeInt("Value", 0);
    InfoStr = reader.attribute("InfoStr");
    BuildingTypes = attributeNames(reader, "BuildingTypes");
    MustOwn = reader.attribute("MustOwn") == u"true";
    m_actionText = MustOwn ? kActionOwn : kActionBuild;
    readIcon(reader);
}

// --- TypedHistoryActionsCount

GObjectiveTypedHistoryActionsCount::GObjectiveTypedHistoryActionsCount() : GObjective(u"TypedHistoryActionsCount.png") {
    m_actionText = CStringW(IconFolder) + u"Action";
}

int GObjectiveTypedHistoryActionsCount::actionFromName(const CStringW& name) {
    static constexpr struct {
        const char16_t* name;
        int kind;
    } kActions[] = {
        {u"Build", GHistoryRecord::Build},
        {u"Destroy", GHistoryRecord::Destroy},
        {u"Repair", GHistoryRecord::Repair},
        {u"UniqUpgrade", GHistoryRecord::UniqUpgrade},
        {u"FeatureActivate", GHistoryRecord::FeatureActivate},
        {u"TakeOnRoadMaterials", GHistoryRecord::TakeOnRoadMaterials},
        {u"GoldSell", GHistoryRecord::GoldSell},
    };
    for (const auto& action : kActions) {
        if (name == action.name)
            return action.kind;
    }
    return -1;
}

void GObjectiveTypedHistoryActionsCount::tally(const IObjectiveLevel& level, int& matchCount, int64_t& total) const {
    matchCount = 0;
    total = 0;
    for (const GHistoryRecord& record : level.getHistory()) {
        if (record.kind == Action && matches(BuildingTypes, record.typeName) && matches(PlaceNames, record.placeName)) {
            ++matchCount;
            total += record.amount;
        }
    }
}

bool GObjectiveTypedHistoryActionsCount::isComplete(const IObjectiveLevel& level) const {
    int n = 0;
    int64_t total = 0;
    tally(level, n, total);
    return n >= Value && total >= Amount;
}

CStringW GObjectiveTypedHistoryActionsCount::getInfoText(bool) const { return InfoStr; }

CStringW GObjectiveTypedHistoryActionsCount::getProgressText(const IObjectiveLevel& level) const {
    int n = 0;
    int64_t total = 0;
    tally(level, n, total);
    if (Amount <= 0)
        return groupedNumber(n) + u"/" + plainNumber(Value);
    return groupedNumber(clampToInt(total)) + u"/" + plainNumber(Amount);
}

void GObjectiveTypedHistoryActionsCount::readFromXml(const CXmlStreamReader& reader) {
    // An amount alone is a goal of its own: the count may rightly be 0.
    if (!hasAttribute(reader, u"Amount"))
        warnWithoutValue(reader);
    Value = reader.attributeInt("Value", 0);
    Amount = reader.attributeInt("Amount", 0);
    InfoStr = reader.attribute("InfoStr");
    BuildingTypes = attributeNames(reader, "BuildingTypes");
    PlaceNames = attributeNames(reader, "PlaceNames");
    Action = actionFromName(reader.attribute("Action"));
    if (Action == GHistoryRecord::Build)
        m_actionText = kActionBuild;
    else if (Action == GHistoryRecord::Destroy)
        m_actionText = u"%Briffings_Destroy%";
    else if (Action == GHistoryRecord::UniqUpgrade)
        m_actionText = u"%Briffings_UniqUpgrade%";
    iconFromFirstType(*this, readIcon(reader), BuildingTypes);
}

// --- AllBuildingsHaveMinIncomeBonus

GObjectiveAllBuildingsHaveMinIncomeBonus::GObjectiveAllBuildingsHaveMinIncomeBonus()
    : GObjective(u"HaveTypedBuildingsCount.png") {}

int GObjectiveAllBuildingsHaveMinIncomeBonus::count(const IObjectiveLevel& level, bool strict) const {
    int n = 0;
    for (uint32_t i = 0, places = level.getPlaceCount(); i < places; ++i) {
        const GObjectivePlace place = level.getPlace(i);
        if (!place.visible || !place.enabled)
            continue;
        const bool beforeTask =
            place.taskKind == GObjectivePlace::DestroyTask || place.taskKind == GObjectivePlace::BuildTask;
        const GBuildingConfig* record = beforeTask ? place.previous : place.current;
        if (!isBuiltApartment(record))
            continue;
        if (strict && (place.taskKind != GObjectivePlace::NoTask || place.damageState != 0 ||
                       !(place.incomeBonus >= MinIncomeBonus)))
            continue;
        if (matches(BuildingTypes, record->Name) && matches(PlaceNames, place.name))
            ++n;
    }
    return n;
}

bool GObjectiveAllBuildingsHaveMinIncomeBonus::isComplete(const IObjectiveLevel& level) const {
    return count(level, true) >= count(level, false);
}

CStringW GObjectiveAllBuildingsHaveMinIncomeBonus::getInfoText(bool) const { return InfoStr; }

CStringW GObjectiveAllBuildingsHaveMinIncomeBonus::getProgressText(const IObjectiveLevel& level) const {
    return progress(count(level, true), count(level, false));
}

void GObjectiveAllBuildingsHaveMinIncomeBonus::readFromXml(const CXmlStreamReader& reader) {
    InfoStr = reader.attribute("InfoStr");
    BuildingTypes = attributeNames(reader, "BuildingTypes");
    PlaceNames = attributeNames(reader, "PlaceNames");
    MinIncomeBonus = reader.attributeFloat("MinIncomeBonus", 0.0f);
    m_actionText = kActionOwn;
    readException(reader, m_actionText);
    readIcon(reader);
}
