#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "game/config/GResources.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class AutoPlayWorld;
class GBuildingConfig;
class GBuildingNode;
class GGameLevelScene;
class GMajorOfficeNode;
class GObjective;
class LevelConfiguration;
class ObjectsConfiguration;

// How a level went.
struct AutoPlayResult {
    bool finished = false;
    // 0 not finished, 1 finished, 2 finished with the top rank (the level
    // screen's rule: with the clock on, at least half the groups in time).
    int rank = 0;
    int groups = 0;
    int groupsDone = 0;
    int groupsInTime = 0;
    // Seconds of the groups' times not used up, in all and group by group
    // (0 for a group finished late).
    int timeLeft = 0;
    std::vector<int> groupTimeLeft;
    // Game time played, in seconds.
    int played = 0;
    // Money letters collected and what they paid.
    int letters = 0;
    int letterMoney = 0;
    // What kept the level from finishing, for the report.
    std::string stuck;
};

// Plays a started level the way a patient player would: it starts each
// objective group's clock, collects letters, clears the piles by the road,
// repairs what breaks, and builds and levels up what the open objectives
// name (or what raises the amount they ask for), getting materials,
// workers and services first where an action lacks them. Every action goes
// through the headquarters' own operations.
class AutoPlayer {
public:
    explicit AutoPlayer(AutoPlayWorld& world);

    // Plays until the last group is completed or `limitMs` of game time
    // have passed.
    [[nodiscard]] AutoPlayResult play(uint64_t limitMs);

    // One line per decision (for --verbose).
    void setTrace(bool on) { m_trace = on; }

private:
    // A wish for a resource amount of the level.
    enum class Metric { Income, Guests, Happiness };

    void think();
    void startGroupClock();
    void collectLetters();
    void clearLocations();
    void repairBuildings();
    void tradeAtStation();
    bool pursue(const GObjective* objective);
    // Gets one more building of one of `types` (on one of `placeNames` when
    // not empty): builds it, or levels up a building whose line leads there.
    bool acquire(const CArray<CName>& types, const CArray<CName>& placeNames);
    bool improve(Metric metric);
    bool getGold();
    bool orderWorkers();
    // Tries to start the build or level-up of `type` on `place`; when the
    // headquarters lacks something, works at getting it. True when
    // something was started.
    bool tryBuild(GBuildingNode* place, GBuildingConfig* type, bool levelUp);
    // Gets `amount` more of `resource` (Materials or Gold): produced, bought
    // from a train, or by building a producer first.
    bool getResource(CName resource, int amount);
    [[nodiscard]] bool produces(const GBuildingConfig* type, CName resource) const;
    // Pulls a building down to free its place for one of `keep`.
    bool makeRoom(const CArray<CName>& keep);
    void collectPiles();
    bool provideServices(GBuildingNode* place, const GBuildingConfig* type);

    // The free place where a new `type` does the most good (null: none).
    [[nodiscard]] GBuildingNode* bestPlaceFor(const GBuildingConfig* type, const CArray<CName>& placeNames) const;
    // A building that may be pulled down to make room.
    [[nodiscard]] bool isFreeable(const GBuildingNode* spot) const;
    // Whether the building on `place` counts (or will count, levelled up)
    // for a building objective of the group under way that has no building
    // to spare.
    [[nodiscard]] bool isNeeded(const GBuildingNode* place) const;
    // Clears what lies on the road while a building place is cut off; true
    // when something was started.
    bool clearBlockers();
    // Whether `steps` level-ups from `type` on `place` can get the services
    // they need (there, or from a free place nearby).
    [[nodiscard]] bool canBeServed(const GBuildingNode* place, const GBuildingConfig* type, int steps) const;
    [[nodiscard]] bool isAllowed(const GBuildingConfig* type) const;
    [[nodiscard]] bool isBuildable(const GBuildingConfig* type) const;
    [[nodiscard]] GBuildingConfig* nextType(const GBuildingConfig* type) const;
    // Steps up the line from `from` until one of `types`; -1 when none.
    [[nodiscard]] int stepsTo(const GBuildingConfig* from, const CArray<CName>& types) const;
    [[nodiscard]] bool isEmptyPlace(const GBuildingNode* place) const;
    [[nodiscard]] bool isIdle(const GBuildingNode* place) const;
    [[nodiscard]] bool isPending(const CArray<CName>& types) const;
    [[nodiscard]] bool covers(const GBuildingNode* provider, const GBuildingConfig* providerType,
                              const GBuildingNode* place, CName area) const;
    [[nodiscard]] bool hasService(const GBuildingNode* place, CName area) const;
    [[nodiscard]] int resource(const char* name) const;
    void note(const std::string& line);
    // The level's income, guests and happiness, for the trace.
    void noteTotals(const std::string& when);

    AutoPlayWorld& m_world;
    GGameLevelScene* m_level = nullptr;
    GMajorOfficeNode* m_headquarters = nullptr;
    LevelConfiguration* m_rules = nullptr;
    ObjectsConfiguration* m_objects = nullptr;
    int m_levelNumber = 0;
    // Places with a build or level-up started and the type they will hold.
    std::map<GBuildingNode*, CName> m_pending;
    std::string m_wait;
    std::string m_tracedWait;
    // Set while the objective under way waits for money, materials or
    // workers, which the next objectives must then leave alone.
    bool m_saving = false;
    // Game time of the last action or group change (ms).
    uint64_t m_lastAction = 0;
    // The most workers seen at home and on their way back at once: the
    // level's workforce, which comes home after every job.
    int m_workforce = 0;
    int m_letters = 0;
    int m_letterMoney = 0;
    bool m_trace = false;
};
