#pragma once

#include "engine/core/CStringW.h"

#include <memory>

class CXmlStreamReader;
class IObjectiveLevel;

// One goal of an objectives group, read from an "Objective" element. The
// kinds keep no state between calls: every test and text is computed from the
// level at the moment of the call. Owned by its group.
class GObjective {
public:
    virtual ~GObjective();

    GObjective(const GObjective&) = delete;
    GObjective& operator=(const GObjective&) = delete;

    // The folder the icon names are relative to.
    static constexpr const char16_t* IconFolder = u"scenes/images/GameMenu/GoalIcons/";

    // A new objective of the kind `type` names ("Money", "Gold", "Income",
    // "Workers", "GuestsCount", "Happiness", "HaveTypedBuildingsCount",
    // "HaveEachTypeBuildingsCount", "TypedHistoryActionsCount",
    // "AllBuildingsHaveMinIncomeBonus"; exact), with its defaults; null for
    // any other name.
    [[nodiscard]] static std::unique_ptr<GObjective> create(const CStringW& type);

    // Called for every objective at level start; no kind keeps anything.
    virtual void reset() {}
    [[nodiscard]] virtual bool isComplete(const IObjectiveLevel& level) const = 0;
    // What the objective asks for; `full` picks the long form where a kind
    // has one.
    [[nodiscard]] virtual CStringW getInfoText(bool full) const = 0;
    // Where the level stands against the goal ("3/5").
    [[nodiscard]] virtual CStringW getProgressText(const IObjectiveLevel& level) const = 0;
    // A dictionary reference with advice, or empty.
    [[nodiscard]] virtual CStringW getHintText() const { return CStringW(); }
    // Reader on the "Objective" element: takes its attributes.
    virtual void readFromXml(const CXmlStreamReader& reader) = 0;

    // The icon path becomes IconFolder + `name`; an empty name changes nothing.
    void setIcon(const CStringW& name);
    [[nodiscard]] const CStringW& getIconPath() const { return m_iconPath; }
    // The verb shown before the info text (a dictionary reference), or empty.
    [[nodiscard]] const CStringW& getActionText() const { return m_actionText; }

protected:
    explicit GObjective(const char16_t* iconName);

    // Takes the attribute "Icon" (empty keeps the icon); answers whether it
    // was given.
    bool readIcon(const CXmlStreamReader& reader);
    // Whether the element carries the attribute `name`.
    [[nodiscard]] static bool hasAttribute(const CXmlStreamReader& reader, const char16_t* name);
    // One warning line when the element has no "Value": its goal reads as 0
    // and is met at once.
    static void warnWithoutValue(const CXmlStreamReader& reader);

    CStringW m_iconPath;
    CStringW m_actionText;
};
