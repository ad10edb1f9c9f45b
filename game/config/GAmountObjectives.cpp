#include "game/config/GAmountObjectives.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CName.h"
#include "engine/core/CString.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/GNumberText.h"
#include "game/config/IObjectiveLevel.h"

#include <cmath>
#include <cstdint>

namespace {

CName nameMoney() {
    static const CName name("Money");
    return name;
}

CName nameGold() {
    static const CName name("Gold");
    return name;
}

// The dictionary's text of `key` with `number` for its first marker.
CStringW formatKey(const char* key, const CStringW& number) {
    return CEngineManagers::instance().getDictionary()->format(CString(key), number, CStringW(), CStringW(),
                                                               CStringW());
}

CStringW progress(const CStringW& current, const CStringW& goal) { return current + u"/" + goal; }

// Guests and extra guests may each be near the int limits.
int clampedSum(int a, int b) {
    const int64_t sum = int64_t(a) + int64_t(b);
    return sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : int(sum);
}

} // namespace

bool GObjectiveMoney::isComplete(const IObjectiveLevel& level) const {
    return Value <= float(level.getHeadquartersResource(nameMoney()));
}
CStringW GObjectiveMoney::getInfoText(bool) const { return InfoStr; }
CStringW GObjectiveMoney::getProgressText(const IObjectiveLevel& level) const {
    return progress(moneyText(level.getHeadquartersResource(nameMoney())), moneyText(wholeNumber(Value)));
}
CStringW GObjectiveMoney::getHintText() const { return CStringW(u"%GamePlay_CompleteHintMoney%"); }
void GObjectiveMoney::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeFloat("Value", 0.0f);
    InfoStr = reader.attribute("InfoStr");
    readIcon(reader);
}

bool GObjectiveGold::isComplete(const IObjectiveLevel& level) const {
    return Value <= float(level.getHeadquartersResource(nameGold()));
}
CStringW GObjectiveGold::getInfoText(bool) const { return InfoStr; }
CStringW GObjectiveGold::getProgressText(const IObjectiveLevel& level) const {
    return progress(groupedNumber(level.getHeadquartersResource(nameGold())), groupedNumber(wholeNumber(Value)));
}
CStringW GObjectiveGold::getHintText() const { return CStringW(u"%GamePlay_CompleteHintGold%"); }
void GObjectiveGold::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeFloat("Value", 0.0f);
    InfoStr = reader.attribute("InfoStr");
    readIcon(reader);
}

bool GObjectiveIncome::isComplete(const IObjectiveLevel& level) const { return Value <= level.getLevelIncome(); }
CStringW GObjectiveIncome::getInfoText(bool full) const {
    return formatKey(full ? "Obj_IncomeFull" : "Obj_Income", groupedNumber(wholeNumber(Value)));
}
CStringW GObjectiveIncome::getProgressText(const IObjectiveLevel& level) const {
    const int income = wholeNumber(std::floor(level.getLevelIncome() + 0.5f));
    return progress(moneyText(income), moneyText(wholeNumber(Value)));
}
CStringW GObjectiveIncome::getHintText() const { return CStringW(u"%GamePlay_CompleteHintIncome%"); }
void GObjectiveIncome::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeFloat("Value", 0.0f);
    readIcon(reader);
}

bool GObjectiveWorkers::isComplete(const IObjectiveLevel& level) const {
    return level.getHeadquartersWorkers() >= Value;
}
CStringW GObjectiveWorkers::getInfoText(bool) const { return formatKey("Obj_Workers", plainNumber(Value)); }
CStringW GObjectiveWorkers::getProgressText(const IObjectiveLevel& level) const {
    return progress(plainNumber(level.getHeadquartersWorkers()), plainNumber(Value));
}
CStringW GObjectiveWorkers::getHintText() const { return CStringW(u"%GamePlay_CompleteHintWorkers%"); }
void GObjectiveWorkers::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeInt("Value", 0);
    readIcon(reader);
}

bool GObjectiveGuestsCount::isComplete(const IObjectiveLevel& level) const {
    return clampedSum(level.getLevelGuests(), level.getLevelExtraGuests()) >= Value;
}
CStringW GObjectiveGuestsCount::getInfoText(bool) const { return formatKey("Obj_HaveGuests", plainNumber(Value)); }
CStringW GObjectiveGuestsCount::getProgressText(const IObjectiveLevel& level) const {
    return progress(plainNumber(clampedSum(level.getLevelGuests(), level.getLevelExtraGuests())), plainNumber(Value));
}
CStringW GObjectiveGuestsCount::getHintText() const { return CStringW(u"%GamePlay_CompleteHintGuests%"); }
void GObjectiveGuestsCount::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeInt("Value", 0);
    readIcon(reader);
}

bool GObjectiveHappiness::isComplete(const IObjectiveLevel& level) const { return level.getLevelHappiness() >= Value; }
CStringW GObjectiveHappiness::getInfoText(bool) const { return formatKey("Obj_Happiness", plainNumber(Value)); }
CStringW GObjectiveHappiness::getProgressText(const IObjectiveLevel& level) const {
    return progress(plainNumber(level.getLevelHappiness()), plainNumber(Value));
}
CStringW GObjectiveHappiness::getHintText() const { return CStringW(u"%GamePlay_CompleteHintHappiness%"); }
void GObjectiveHappiness::readFromXml(const CXmlStreamReader& reader) {
    warnWithoutValue(reader);
    Value = reader.attributeInt("Value", 0);
    readIcon(reader);
}
