#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "game/config/GObjective.h"

#include <cstdint>

// The objectives about the level's buildings and its history of actions.
// Building types are record names; place names are place node names; an
// empty list matches every type or place.
//
// The building counts and the action count are the goal of their kind: an
// element without "Value" asks for nothing and is never complete.

// At least Value places hold a working building of the given types (Value -1:
// every apartment that passes the place tests), optionally with a minimum
// income bonus or served guests.
class GObjectiveHaveTypedBuildingsCount : public GObjective {
public:
    // MinIncomeBonus when none is given.
    static constexpr float NoMinIncomeBonus = -10000.0f;

    GObjectiveHaveTypedBuildingsCount() : GObjective(u"HaveTypedBuildingsCount.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    // The matching places; `typed` matches BuildingTypes, otherwise
    // apartments of any type.
    [[nodiscard]] int count(const IObjectiveLevel& level, bool typed) const;

    CArray<CName> BuildingTypes;
    CArray<CName> PlaceNames;
    CStringW InfoStr;
    int Value = 0;
    float MinIncomeBonus = NoMinIncomeBonus;
    int MinServedGuests = 0;
    bool MustOwn = false;
};

// Value buildings of each of the given types (more of one type do not make up
// for another).
class GObjectiveHaveEachTypeBuildingsCount : public GObjective {
public:
    GObjectiveHaveEachTypeBuildingsCount() : GObjective(u"HaveEachTypeBuildingsCount.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    // The buildings counted, at most Value per type.
    [[nodiscard]] int count(const IObjectiveLevel& level) const;

    CArray<CName> BuildingTypes;
    CStringW InfoStr;
    int Value = 0;
    bool MustOwn = false;
};

// At least Value actions of one kind on the given types and places, with
// amounts adding up to at least Amount.
class GObjectiveTypedHistoryActionsCount : public GObjective {
public:
    GObjectiveTypedHistoryActionsCount();
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    // The history kind of an action name ("Build" ... "GoldSell"); -1, which
    // matches no record, for any other text.
    [[nodiscard]] static int actionFromName(const CStringW& name);

    CArray<CName> BuildingTypes;
    CArray<CName> PlaceNames;
    CStringW InfoStr;
    int Action = -1;
    int Value = 0;
    int Amount = 0;

private:
    // Matching records and the sum of their amounts.
    void tally(const IObjectiveLevel& level, int& matches, int64_t& total) const;
};

// Every apartment of the given types and places is idle, undamaged and at
// least at MinIncomeBonus.
class GObjectiveAllBuildingsHaveMinIncomeBonus : public GObjective {
public:
    GObjectiveAllBuildingsHaveMinIncomeBonus();
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    // The matching apartments; `strict` keeps only those that meet the goal.
    [[nodiscard]] int count(const IObjectiveLevel& level, bool strict) const;

    CArray<CName> BuildingTypes;
    CArray<CName> PlaceNames;
    CStringW InfoStr;
    float MinIncomeBonus = 0.0f;
    bool Own = true;
};
