#include "game/config/GObjective.h"

#include "engine/core/CLog.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/GAmountObjectives.h"
#include "game/config/GBuildingObjectives.h"

namespace {

template <class T> std::unique_ptr<GObjective> make() { return std::make_unique<T>(); }

struct Kind {
    const char16_t* type;
    std::unique_ptr<GObjective> (*create)();
};

constexpr Kind kKinds[] = {
    {u"Money", make<GObjectiveMoney>},
    {u"Gold", make<GObjectiveGold>},
    {u"Income", make<GObjectiveIncome>},
    {u"Workers", make<GObjectiveWorkers>},
    {u"GuestsCount", make<GObjectiveGuestsCount>},
    {u"Happiness", make<GObjectiveHappiness>},
    {u"HaveTypedBuildingsCount", make<GObjectiveHaveTypedBuildingsCount>},
    {u"HaveEachTypeBuildingsCount", make<GObjectiveHaveEachTypeBuildingsCount>},
    {u"TypedHistoryActionsCount", make<GObjectiveTypedHistoryActionsCount>},
    {u"AllBuildingsHaveMinIncomeBonus", make<GObjectiveAllBuildingsHaveMinIncomeBonus>},
};

} // namespace

GObjective::GObjective(const char16_t* iconName) { setIcon(CStringW(iconName)); }

GObjective::~GObjective() = default;

std::unique_ptr<GObjective> GObjective::create(const CStringW& type) {
    for (const Kind& kind : kKinds) {
        if (type == kind.type)
            return kind.create();
    }
    return nullptr;
}

void GObjective::setIcon(const CStringW& name) {
    if (!name.empty())
        m_iconPath = CStringW(IconFolder) + name;
}

bool GObjective::readIcon(const CXmlStreamReader& reader) {
    const CStringW& icon = reader.attribute("Icon");
    setIcon(icon);
    return !icon.empty();
}

bool GObjective::hasAttribute(const CXmlStreamReader& reader, const char16_t* name) {
    for (int i = 0; i < reader.attributeCount(); ++i) {
        if (reader.attributeName(i) == name)
            return true;
    }
    return false;
}

void GObjective::warnWithoutValue(const CXmlStreamReader& reader) {
    if (!hasAttribute(reader, u"Value"))
        CLog::instance()->log(CStringW(u"Objective without a Value, its goal is 0: ") + reader.attribute("Type"),
                              CLog::Warning);
}
