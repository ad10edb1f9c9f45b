#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CStringW.h"

class CXmlStreamReader;

// The game-wide constants, the same for every level, from
// "levels/common/GlobalConfig.xml". The game object fills one record at
// start-up and everything else only reads it. Every field is set by the
// element of the same name, whose "Value" holds the value.
class GlobalConfig : public CRefCounted {
public:
    GlobalConfig() = default;

    // Reads one document into the record. Keys the document does not name
    // keep their values; PartDistance is emptied first and collects every
    // occurrence. Answers false (after one log line) when the document ended
    // before its "GlobalConfig" end element; what was read stays.
    bool readFromXml(CXmlStreamReader& reader);

    // The scenery setting of a 1-based level number: the index of the first
    // SettingsLastLevelsNumbers entry at least `levelNumber`, the entry count
    // when every entry is smaller, 0 for an empty list.
    [[nodiscard]] int levelSettingIndex(int levelNumber) const;
    // "Setting1" to "Setting4" for that index; larger indexes give "Setting4".
    [[nodiscard]] CName levelSettingStateName(int levelNumber) const;

    int AllowDestroyFromLevel = 5;
    int RailRoadStationPricesRounder = 5000;
    int MinimumWorkersInDilizhans = 5;
    int AllowQuestBoxFromLevel = 8;
    int AllowUniqUpIncomeFromLevel = 7;
    int AllowUniqUpGuestsFromLevel = 8;
    // The file is expected to give it.
    int LevelCompletedProgressBarTime = 3000;
    int VelocityParticles = 300;
    int HiglightImpendingTime = 2000;
    // A 0-based level index, unlike the other "From" levels.
    int AllowHQUpgradeFromLevel = 9;
    CArray<int> SettingsLastLevelsNumbers;
    CArray<CStringW> IntroSceneBackgrounds;
    int ObjectivesGroupChangeTime = 3000;
    CArray<int> PartDistance;
    int DilizhansHorseDistanceTolerance = 5;
    float DistanceBetweenElementsInServeAreaHull = 15.0f;
    float ServeAreaSplineRoundingFactor = 1.0f;
    float ServeAreaBuildingsShift = 20.0f;
    int ServeAreaHullShowDelay = 500;
    int ServeAreaHullHideDelay = 2000;
    // Both kept within 0 to 1.
    float QuestDialogueMusicThrottleValue = 1.0f;
    float QuestDialogueSoundsThrottleValue = 1.0f;
    int SpeechSoundStartDelay = 200;
    int SpeechSoundStopDelay = 500;

protected:
    ~GlobalConfig() override;
};
