#pragma once

#include "game/config/GObjective.h"

// The objectives that ask for an amount the level reaches: money, gold,
// income, workers, guests and happiness.

// The headquarters holds at least Value money.
class GObjectiveMoney : public GObjective {
public:
    GObjectiveMoney() : GObjective(u"Money.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getHintText() const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    float Value = 0.0f;
    CStringW InfoStr;
};

// The headquarters holds at least Value gold.
class GObjectiveGold : public GObjective {
public:
    GObjectiveGold() : GObjective(u"Gold.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getHintText() const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    float Value = 0.0f;
    CStringW InfoStr;
};

// The level earns at least Value a day.
class GObjectiveIncome : public GObjective {
public:
    GObjectiveIncome() : GObjective(u"Income.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getHintText() const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    float Value = 0.0f;
};

// The headquarters has at least Value workers.
class GObjectiveWorkers : public GObjective {
public:
    GObjectiveWorkers() : GObjective(u"Workers.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getHintText() const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    int Value = 0;
};

// The level has at least Value guests, extra guests included.
class GObjectiveGuestsCount : public GObjective {
public:
    GObjectiveGuestsCount() : GObjective(u"GuestsCount.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getHintText() const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    int Value = 0;
};

// The level's happiness is at least Value.
class GObjectiveHappiness : public GObjective {
public:
    GObjectiveHappiness() : GObjective(u"Happiness.png") {}
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getInfoText(bool full) const override;
    [[nodiscard]] CStringW getProgressText(const IObjectiveLevel& level) const override;
    [[nodiscard]] CStringW getHintText() const override;
    void readFromXml(const CXmlStreamReader& reader) override;

    int Value = 0;
};
