#include "game/config/GlobalConfig.h"

#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

#include <algorithm>

namespace {

struct IntKey {
    const char16_t* name;
    int GlobalConfig::*field;
};
struct FloatKey {
    const char16_t* name;
    float GlobalConfig::*field;
    bool unitRange;
};

constexpr IntKey kIntKeys[] = {
    {u"AllowDestroyFromLevel", &GlobalConfig::AllowDestroyFromLevel},
    {u"RailRoadStationPricesRounder", &GlobalConfig::RailRoadStationPricesRounder},
    {u"MinimumWorkersInDilizhans", &GlobalConfig::MinimumWorkersInDilizhans},
    {u"AllowQuestBoxFromLevel", &GlobalConfig::AllowQuestBoxFromLevel},
    {u"AllowUniqUpIncomeFromLevel", &GlobalConfig::AllowUniqUpIncomeFromLevel},
    {u"AllowUniqUpGuestsFromLevel", &GlobalConfig::AllowUniqUpGuestsFromLevel},
    {u"LevelCompletedProgressBarTime", &GlobalConfig::LevelCompletedProgressBarTime},
    {u"VelocityParticles", &GlobalConfig::VelocityParticles},
    {u"HiglightImpendingTime", &GlobalConfig::HiglightImpendingTime},
    {u"AllowHQUpgradeFromLevel", &GlobalConfig::AllowHQUpgradeFromLevel},
    {u"ObjectivesGroupChangeTime", &GlobalConfig::ObjectivesGroupChangeTime},
    {u"DilizhansHorseDistanceTolerance", &GlobalConfig::DilizhansHorseDistanceTolerance},
    {u"ServeAreaHullShowDelay", &GlobalConfig::ServeAreaHullShowDelay},
    {u"ServeAreaHullHideDelay", &GlobalConfig::ServeAreaHullHideDelay},
    {u"SpeechSoundStartDelay", &GlobalConfig::SpeechSoundStartDelay},
    {u"SpeechSoundStopDelay", &GlobalConfig::SpeechSoundStopDelay},
};

constexpr FloatKey kFloatKeys[] = {
    {u"DistanceBetweenElementsInServeAreaHull", &GlobalConfig::DistanceBetweenElementsInServeAreaHull, false},
    {u"ServeAreaSplineRoundingFactor", &GlobalConfig::ServeAreaSplineRoundingFactor, false},
    {u"ServeAreaBuildingsShift", &GlobalConfig::ServeAreaBuildingsShift, false},
    {u"QuestDialogueMusicThrottleValue", &GlobalConfig::QuestDialogueMusicThrottleValue, true},
    {u"QuestDialogueSoundsThrottleValue", &GlobalConfig::QuestDialogueSoundsThrottleValue, true},
};

} // namespace

GlobalConfig::~GlobalConfig() = default;

bool GlobalConfig::readFromXml(CXmlStreamReader& reader) {
    PartDistance.clear();
    return readConfigDocument(reader, u"GlobalConfig", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        for (const IntKey& key : kIntKeys) {
            if (name == key.name) {
                this->*key.field = valueInt(r);
                return;
            }
        }
        for (const FloatKey& key : kFloatKeys) {
            if (name == key.name) {
                const float value = valueFloat(r);
                // Written so that NaN becomes 0 too.
                this->*key.field = key.unitRange ? (value > 1.0f ? 1.0f : (value >= 0.0f ? value : 0.0f)) : value;
                return;
            }
        }
        if (name == u"SettingsLastLevelsNumbers")
            SettingsLastLevelsNumbers = parseIntList(valueText(r).c_str());
        else if (name == u"IntroSceneBackgrounds")
            IntroSceneBackgrounds = splitText(valueText(r), u';');
        else if (name == u"PartDistance")
            PartDistance.push_back(valueInt(r));
    });
}

int GlobalConfig::levelSettingIndex(int levelNumber) const {
    const uint32_t count = SettingsLastLevelsNumbers.size();
    for (uint32_t i = 0; i < count; ++i) {
        if (SettingsLastLevelsNumbers[i] >= levelNumber)
            return int(i);
    }
    return int(count);
}

CName GlobalConfig::levelSettingStateName(int levelNumber) const {
    static const CName names[] = {CName("Setting1"), CName("Setting2"), CName("Setting3"), CName("Setting4")};
    return names[std::min(levelSettingIndex(levelNumber), 3)];
}
