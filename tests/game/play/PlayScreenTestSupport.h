#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/SceneNode.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/config/IObjectiveLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/play/GGamePlayScene.h"
#include "game/world/GBuildingNode.h"
#include "game/world/IStationTrain.h"
#include "tests/game/app/SceneFlowFixture.h"

#include <string>
#include <string_view>
#include <vector>

// A train standing at a station, counting the times it is sent away.
class StandingTrain : public BaseNode, public IStationTrain {
public:
    StandingTrain() : BaseNode(CObjectName(), nullptr, nullptr) {}
    void leave() override { ++departures; }
    int departures = 0;

protected:
    ~StandingTrain() override = default;
};

// The level as its objectives read it: the headquarters' Money and nothing
// else.
class ObjectivesView : public IObjectiveLevel {
public:
    int getHeadquartersResource(CName name) const override;
    int getHeadquartersWorkers() const override { return 0; }
    float getLevelIncome() const override { return 0.0f; }
    int getLevelGuests() const override { return 0; }
    int getLevelExtraGuests() const override { return 0; }
    int getLevelHappiness() const override { return 0; }
    uint32_t getPlaceCount() const override { return 0; }
    GObjectivePlace getPlace(uint32_t) const override { return GObjectivePlace(); }
    const CArray<GHistoryRecord>& getHistory() const override { return history; }

    const GBuildingNode* headquarters = nullptr;
    CArray<GHistoryRecord> history;
};

// The level scene as far as the play screen reads it, every answer set by
// the test. Its places and headquarters are real building places.
class PlayLevel : public SceneNode, public IGameLevel {
public:
    PlayLevel();

    CEventReceiver* getLevelReceiver() override { return this; }
    LevelConfiguration* getLevelConfiguration() const override { return configuration.get(); }
    ObjectsConfiguration* getObjectsConfiguration() const override { return objects.get(); }
    const GLevelModifierValues* getModifierValues() const override { return &configuration->ModifierValues; }
    float getLevelIncome() const override { return income; }
    int getHeadquartersGold() const override { return 0; }
    int getLevelNumber() const override { return levelNumber; }
    int getPlaceCount() const override { return int(places.size()); }
    BaseNode* getPlace(int index) const override;
    BaseNode* getHeadquarters() const override { return headquarters.get(); }
    BaseNode* getFocusedBuilding() const override { return focused; }
    int getLevelGuests() const override { return guests; }
    int getHappinessTotal() const override { return happiness; }
    const IObjectiveLevel* getObjectivesView() const override { return &view; }
    int getLevelClockMs() const override { return clockMs; }
    void setLevelClockMs(int ms) override { clockMs = ms; }
    bool canBuild(BaseNode*, const GBuildingConfig* type) const override;
    bool canRepair(BaseNode*, const GBuildingConfig*) const override { return affordable; }
    bool canAffordProduction(BaseNode*, const GProduceItemConfig*) const override { return affordable; }
    bool canAffordUniqueUpgrade(BaseNode*, const GUniqUpgradeConfig*) const override { return affordable; }
    int getFreeWorkers() const override { return freeWorkers; }
    int getWorkerOrderTimeLeft() const override { return orderTimeLeft; }
    int getTrainState(const BaseNode*) const override { return trainState; }
    bool trainHasOffers(const BaseNode*, bool sale) const override;
    bool getTrainOffer(const BaseNode*, int index, TrainOffer& offer) const override;
    bool getStationRailway(const BaseNode*, Railway& out) const override;
    int getOnRoadLocationCount() const override { return int(locations.size()); }
    BaseNode* getOnRoadLocation(int index) const override;
    int getOnRoadLocationState(const BaseNode* location) const override;
    void setOnRoadLocationImpending(BaseNode* location, bool on) override;
    void findBlockingLocations(BaseNode*, CArray<BaseNode*>& out) const override;
    const CStringW* getQuestCharacterText(const BaseNode*) const override { return &questText; }
    int getQuestCharacterTime(const BaseNode*) const override { return questTime; }

    // Reads building, unique-upgrade and station records into `objects`.
    void addObjects(std::string_view xml);
    // Replaces the configuration by the "Level" document `xml`.
    void readConfiguration(std::string_view xml);
    // A new building place of the record named `type` (reachable, sound).
    GBuildingNode* addPlace(const char* type);

    CRefHandle<LevelConfiguration> configuration;
    CRefHandle<ObjectsConfiguration> objects;
    std::vector<CRefHandle<GBuildingNode>> places;
    CRefHandle<GBuildingNode> headquarters;
    BaseNode* focused = nullptr;
    int levelNumber = 10;
    float income = 0.0f;
    int guests = 0;
    int happiness = 0;
    ObjectivesView view;
    int clockMs = 0;
    bool affordable = true;
    // Types the headquarters refuses to build, by name.
    std::vector<CName> unaffordable;
    int freeWorkers = 10;
    int orderTimeLeft = -1;
    int trainState = 3;
    std::vector<TrainOffer> offers;
    bool withRailway = true;
    Railway railway;
    // Places by the road: the node, its state, its impending mark.
    struct Location {
        CRefHandle<GBuildingNode> node;
        int state = 1;
        bool impending = false;
        bool blocks = false;
    };
    std::vector<Location> locations;
    CStringW questText;
    int questTime = 3000;

protected:
    ~PlayLevel() override = default;
};

// The game with the fixture play screen on its main scene manager over a
// stand-in level, and a player "Ann".
class PlayScreenTest : public sceneflow::SceneFlowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the game and shows the fixture play screen.
    void startGame(bool nullVideo = true);
    // Ends the game (profiles stay on disk) and starts it again.
    void restartGame();
    // The current player's profile values.
    [[nodiscard]] CProfileParameters* player() const;
    [[nodiscard]] static std::string text(const CStringW& s) { return std::string(CString(s).c_str()); }

    GGamePlayScene* m_play = nullptr;
    CRefHandle<PlayLevel> m_level;
    std::vector<CRefHandle<IContent>> m_held;
};
