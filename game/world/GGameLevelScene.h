#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/SceneNode.h"
#include "game/app/IGameLevelScreens.h"
#include "game/config/IGameLevel.h"
#include "game/config/GResources.h"
#include "game/config/IObjectiveLevel.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GPathFinder.h"

#include <cstdint>

class CEventClickStarted;
class CEventClicked;
class CEventFocused;
class CEventHovered;
class CEventKeyUp;
class CEventSceneChangeStarted;
class CEventUnfocused;
class CEventUnhovered;
class GBuildingNode;
class GLevelModifier;
class GObjectNode;
class GTrainConfig;
class GRailRoadNode;
class GWGridNode;
class GWeatherParticlesNode;
class GObjectivesGroupCompletedMessage;
class GObjectivesGroupStartedMessage;

// The money a letter waiting on a building holds; kept as the letter node's
// user data.
class GLetterRecord : public CRefCounted {
public:
    GLetterRecord(int money, int waitingTime, GBuildingNode* building)
        : money(money), waitingTime(waitingTime), building(building) {}

    int money;
    int elapsed = 0;
    int waitingTime;
    GBuildingNode* building;

protected:
    ~GLetterRecord() override = default;
};

// The playing field of one level, read from the level's "Level.mscn": the
// building places, the headquarters, the places by the road, the railway
// strips, the walk grid, the walkers, the trains and the weather. It binds
// its named children when read, applies the level's rules when the level
// starts, keeps the level's totals, objectives progress and history of
// actions, runs the level clock every 20 ms, handles the world's game
// messages and searches walk paths.
class GGameLevelScene : public SceneNode,
                        public CScheduledObject,
                        public IGameLevel,
                        public ILevelSceneStart {
public:
    static constexpr int32_t TypeId = 2044;
    static constexpr uint32_t TickInterval = 20;
    static constexpr int TrainPoolSize = 24;
    static constexpr int StagecoachCount = 10;
    static constexpr int GuideCount = 1;
    // Places are laid out in rows of this many.
    static constexpr int PlacesPerRow = 6;
    // A building repaired or built this recently cannot break.
    static constexpr int BreakGuardMs = 10000;
    // A building needs this long since its last letter or pile.
    static constexpr int EventGuardMs = 5000;
    static constexpr float OverlayDepth = 100500.0f;
    static constexpr float WeatherDepth = 5000.0f;
    static constexpr int32_t KeyF1 = 112;

    // The actions of the history.
    enum HistoryAction : int {
        ActionBuild = 0,
        ActionDestroy = 1,
        ActionRepair = 2,
        ActionUniqUpgrade = 3,
        ActionFeatureActivate = 4,
        ActionTakeOnRoadMaterials = 5,
        ActionTakeOnRoadGold = 6,
        ActionGoldSell = 7,
    };

    GGameLevelScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached scene (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || SceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    // Binds the named children (see the class comment).
    void onLoaded() override;
    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;
    void focusDefault() override {}
    bool onKeyUp(CEventKeyUp* event) override;

    virtual bool onSceneStarted(CEventSceneChangeStarted* event);
    virtual bool onClickStarted(CEventClickStarted*) { return false; }
    virtual bool onClicked(CEventClicked* event);
    virtual bool onHovered(CEventHovered*) { return false; }
    virtual bool onUnhovered(CEventUnhovered*) { return false; }
    virtual bool onFocused(CEventFocused*) { return false; }
    virtual bool onUnfocused(CEventUnfocused*) { return false; }

    // The level tick.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // ILevelSceneStart
    [[nodiscard]] bool hasHeadquarters() const override { return m_headquarters != nullptr; }

    // IGameLevel
    [[nodiscard]] CEventReceiver* getLevelReceiver() override { return this; }
    [[nodiscard]] LevelConfiguration* getLevelConfiguration() const override { return m_levelConfiguration.get(); }
    [[nodiscard]] ObjectsConfiguration* getObjectsConfiguration() const override {
        return m_objectsConfiguration.get();
    }
    [[nodiscard]] const GLevelModifierValues* getModifierValues() const override;
    [[nodiscard]] float getLevelIncome() const override { return m_income; }
    [[nodiscard]] int getHeadquartersGold() const override;
    [[nodiscard]] CUpdateScheduler* getUpdateScheduler() const override;
    [[nodiscard]] bool findPath(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points,
                                bool straighten) override;
    [[nodiscard]] bool isLevelPaused() const override { return m_paused; }
    [[nodiscard]] int getLevelNumber() const override { return m_levelNumber; }
    [[nodiscard]] const GlobalConfig* getGlobalConfig() const override;
    [[nodiscard]] int getPlaceCount() const override { return int(m_places.size()); }
    [[nodiscard]] BaseNode* getPlace(int index) const override;
    void recalculate() override;
    [[nodiscard]] BaseNode* getHeadquarters() const override;
    [[nodiscard]] int pathLength(float fromX, float fromY, float toX, float toY) const override;

    // What the world's objects ask of the level beside IGameLevel (the same
    // queries the other parts of the world name).
    [[nodiscard]] float getLevelWidth() const override { return getBounds().x; }
    // Both guest counters.
    [[nodiscard]] int getLevelGuests() const override { return m_guests + m_extraGuests; }
    [[nodiscard]] BaseNode* getOnRoadLocationsNode() const override { return m_locationsNode; }
    [[nodiscard]] BaseNode* getEffectsLayer() const override { return m_effectsNode; }

    // What the objectives read of the level.
    [[nodiscard]] const IObjectiveLevel& getObjectiveLevel() const { return m_objectiveView; }

    // What the play screen and its hints read and ask of the level (IGameLevel).
    [[nodiscard]] int getHappinessTotal() const override { return m_happiness; }
    [[nodiscard]] int getCurrentGroupIndex() const override { return m_groupIndex; }
    [[nodiscard]] bool isGroupJustCompleted() const override { return m_groupComplete; }
    [[nodiscard]] int getLevelClockMs() const override { return m_levelTime; }
    void setLevelClockMs(int ms) override { m_levelTime = ms; }
    [[nodiscard]] const IObjectiveLevel* getObjectivesView() const override { return &m_objectiveView; }
    [[nodiscard]] bool canBuild(BaseNode* place, const GBuildingConfig* type) const override;
    [[nodiscard]] bool canRepair(BaseNode* place, const GBuildingConfig* type) const override;
    [[nodiscard]] bool canAffordProduction(BaseNode* place, const GProduceItemConfig* item) const override;
    [[nodiscard]] bool canAffordUniqueUpgrade(BaseNode* place, const GUniqUpgradeConfig* upgrade) const override;
    [[nodiscard]] int getFreeWorkers() const override;
    [[nodiscard]] int getWorkerOrderTimeLeft() const override;
    [[nodiscard]] int getTrainState(const BaseNode* train) const override;
    [[nodiscard]] bool trainHasOffers(const BaseNode* train, bool sale) const override;
    [[nodiscard]] bool getTrainOffer(const BaseNode* train, int index, TrainOffer& out) const override;
    void setTrainOfferUsed(BaseNode* train, int index) override;
    [[nodiscard]] bool getStationRailway(const BaseNode* station, Railway& out) const override;
    [[nodiscard]] int getOnRoadLocationCount() const override { return int(m_locations.size()); }
    [[nodiscard]] BaseNode* getOnRoadLocation(int index) const override;
    [[nodiscard]] int getOnRoadLocationState(const BaseNode* location) const override;
    void setOnRoadLocationImpending(BaseNode* location, bool on) override;
    void findBlockingLocations(BaseNode* building, CArray<BaseNode*>& out) const override;
    [[nodiscard]] const CStringW* getQuestCharacterText(const BaseNode* location) const override;
    [[nodiscard]] int getQuestCharacterTime(const BaseNode* location) const override;

    // ---- Level start

    void setBuildingsConfiguration(ObjectsConfiguration* configuration);
    // The level start: places and locations take their types, the
    // headquarters spawns its walkers and resources, the trains are made.
    void setLevelConfiguration(LevelConfiguration* configuration);
    void setPausedFlag(bool paused) { m_paused = paused; }
    [[nodiscard]] bool isPaused() const { return m_paused; }
    // Resumes or stops the scene's scheduler; a resume waits while the
    // tutorial pauses the level.
    void setUpdating(bool updating);
    void setRandomEventsPaused(bool paused);
    [[nodiscard]] bool areRandomEventsPaused() const { return m_randomEventsPaused; }
    [[nodiscard]] GBuildingNode* getFocusedBuilding() const override;
    [[nodiscard]] int getGroupTimeMs() const;
    [[nodiscard]] int getObjectivesGroupCount() const;
    void removeOnRoadLocation(GBuildingNode* location);
    void refreshHoverStates();
    // Locations and places under the "Smoke" of a location cannot be hit.
    void blockHitsUnderSmoke();
    void collectServices();
    [[nodiscard]] static bool matchesEventFilters(const GBuildingNode* place, const CArray<CName>& typeNames,
                                                  const CArray<CName>& placeNames);
    void spawnTrainPool(int count, GTrainConfig* config);
    [[nodiscard]] bool assignTrain(GBuildingNode* station);
    GRailRoadNode* showStationRailway(GBuildingNode* station);
    void hideStationRailway(GBuildingNode* place);
    void clearLevelModifiers();
    void debugTouchObjects() {}

    // ---- Clock and objectives

    void checkObjectives();
    bool onGroupStarted(GObjectivesGroupStartedMessage* message);
    bool onGroupCompleted(GObjectivesGroupCompletedMessage* message);
    // Lets the objectives be evaluated (set by the play screen).
    void setObjectivesActive(bool active) { m_objectivesActive = active; }
    [[nodiscard]] bool isObjectivesActive() const { return m_objectivesActive; }

    // ---- Walk grid

    [[nodiscard]] bool initWalkGrid();
    // -1 without a walk grid; 1 when a way exists, else 0.
    [[nodiscard]] int pathExists(const CVector2d& from, const CVector2d& to);
    void rebuildWalkGrid();
    void setObstacleCost(uint8_t value, const BaseNode* except);
    // The available locations on the way from the headquarters to
    // `building`, once per path cell and rectangle they overlap.
    [[nodiscard]] CArray<GBuildingNode*> findBlockingLocations(GBuildingNode* building);
    [[nodiscard]] GPathFinder& getPathFinder() { return m_pathFinder; }
    [[nodiscard]] bool isDebugOverlayOn() const { return m_debugOverlay; }
    void setDebugOverlay(bool on) { m_debugOverlay = on; }

    // ---- Message handlers (each answers whether it consumed the message)

    bool onResourcesProduced(CEvent* event);
    bool onWorkersTrained(CEvent* event);
    bool onBuildingCompleted(CEvent* event);
    bool onOnRoadLocationDone(CEvent* event);
    bool onResourceSold(CEvent* event);
    bool onResourceBought(CEvent* event);
    bool onBuildingRepaired(CEvent* event);
    bool onTaskEnded(CEvent* event);
    bool onFeatureActivated(CEvent* event);
    bool onFeatureRecharging(CEvent* event);
    bool onFeatureReady(CEvent* event);
    bool onBuildingDestroyed(CEvent* event);
    bool onBrokenBuildingEvent(CEvent* event);
    bool onDirtyBuildingEvent(CEvent*) { return true; }
    bool onLetterEvent(CEvent* event);
    bool onResourcesEvent(CEvent* event);
    bool onPauseRequest(CEvent* event);
    bool onLevelModifierRequest(CEvent* event);
    bool onBuildingExistsQuery(CEvent* event);
    bool onWeatherEffect(CEvent* event);
    bool onUniqueUpgradeDone(CEvent* event);
    bool onUnhandledMessage(CEvent*) { return false; }

    // ---- What the play screen, the HUD and the tests read

    [[nodiscard]] const CArray<GBuildingNode*>& getPlaces() const { return m_places; }
    [[nodiscard]] const CArray<GBuildingNode*>& getLocations() const { return m_locations; }
    [[nodiscard]] const CArray<GRailRoadNode*>& getRailways() const { return m_railways; }
    [[nodiscard]] const CArray<GObjectNode*>& getTrainPool() const { return m_trainPool; }
    [[nodiscard]] const CArray<BaseNode*>& getLetters() const { return m_letters; }
    [[nodiscard]] GBuildingNode* getHeadquartersBuilding() const { return m_headquarters; }
    [[nodiscard]] ControlNode* getBuildingsNode() const { return m_buildingsNode; }
    [[nodiscard]] BaseNode* getLocationsNode() const { return m_locationsNode; }
    [[nodiscard]] BaseNode* getCargosNode() const { return m_cargosNode; }
    [[nodiscard]] BaseNode* getEffectsNode() const { return m_effectsNode; }
    [[nodiscard]] BaseNode* getWalkerLayer() const override { return m_walkerLayer.get(); }
    [[nodiscard]] BaseNode* getTrainLayer() const { return m_trainLayer.get(); }
    [[nodiscard]] GWGridNode* getWalkGrid() const { return m_walkGrid; }
    [[nodiscard]] GWeatherParticlesNode* getWeatherNode() const { return m_weatherNode.get(); }
    [[nodiscard]] int getWeatherTimeLeft() const { return m_weatherTimeLeft; }
    [[nodiscard]] GBuildingNode* getSelectedBuilding() const { return m_selected; }
    [[nodiscard]] GBuildingNode* getPreviousSelection() const { return m_previousSelected; }
    [[nodiscard]] const CArray<GHistoryRecord>& getHistory() const { return m_history; }
    [[nodiscard]] const CArray<int>& getProvidedServices() const { return m_providedServices; }
    [[nodiscard]] const CArray<int>& getIdleServices() const { return m_idleServices; }
    [[nodiscard]] const CArray<uint8_t>* getGroupResults() const override { return &m_groupResults; }
    [[nodiscard]] float getPossibleIncome() const override { return m_possibleIncome; }
    [[nodiscard]] int getGoldIncome() const { return m_goldIncome; }
    [[nodiscard]] int getGuests() const { return m_guests; }
    [[nodiscard]] int getExtraGuests() const { return m_extraGuests; }
    void setExtraGuests(int guests) { m_extraGuests = guests; }
    [[nodiscard]] int getPossibleGuests() const override { return m_possibleGuests; }
    [[nodiscard]] int getHappiness() const { return m_happiness; }
    [[nodiscard]] int getPossibleHappiness() const { return m_possibleHappiness; }
    [[nodiscard]] int getGroupIndex() const { return m_groupIndex; }
    [[nodiscard]] bool isGroupComplete() const { return m_groupComplete; }
    // Read and cleared by the play screen.
    [[nodiscard]] bool hasGroupChanged() const { return m_groupChanged; }
    void clearGroupChanged() { m_groupChanged = false; }
    [[nodiscard]] int getGroupElapsed() const { return m_groupElapsed; }
    [[nodiscard]] int getGroupElapsedWithinLimit() const { return m_groupElapsedWithinLimit; }
    [[nodiscard]] int getLevelTime() const { return m_levelTime; }
    // Raised by the play screen when a group is completed in time.
    void setLevelTime(int ms) { m_levelTime = ms; }
    [[nodiscard]] float getDayTime() const { return m_dayTime; }
    [[nodiscard]] const CMap<CName, CRefHandle<GLevelModifier>>& getLevelModifiers() const { return m_levelModifiers; }

protected:
    ~GGameLevelScene() override;

private:
    // The objectives' view of the level.
    class ObjectiveView : public IObjectiveLevel {
    public:
        explicit ObjectiveView(const GGameLevelScene& level) : m_level(level) {}
        [[nodiscard]] int getHeadquartersResource(CName name) const override;
        [[nodiscard]] int getHeadquartersWorkers() const override;
        [[nodiscard]] float getLevelIncome() const override { return m_level.m_income; }
        [[nodiscard]] int getLevelGuests() const override { return m_level.m_guests; }
        [[nodiscard]] int getLevelExtraGuests() const override { return m_level.m_extraGuests; }
        [[nodiscard]] int getLevelHappiness() const override { return m_level.m_happiness; }
        [[nodiscard]] uint32_t getPlaceCount() const override { return m_level.m_places.size(); }
        [[nodiscard]] GObjectivePlace getPlace(uint32_t index) const override;
        [[nodiscard]] const CArray<GHistoryRecord>& getHistory() const override { return m_level.m_history; }

    private:
        const GGameLevelScene& m_level;
    };

    void bindChildren();
    void addHistory(int action, CName typeName, CName placeName, int amount);
    void postBuildingChanged(BaseNode* building, BaseNode* other);
    void postStatsChanged();
    void routeStatsChanged();
    void startGroup(uint32_t index);
    void tickLetters(uint32_t elapsed);
    void endLetter(uint32_t index, CName state);
    void callTrain();
    void createWeatherNode();
    // Stops (or resumes) the scene's scheduler and remembers a stopped one.
    void stopSceneScheduler(bool stop);
    void resumeStoppedScheduler();
    // The headquarters' store entry `name` gets `amount` more.
    void payHeadquarters(CName name, int amount);
    [[nodiscard]] BaseNode* cloneTemplate(CName name, BaseNode* parent) const;
    [[nodiscard]] GGridPlacement gridPlacement() const;
    [[nodiscard]] GGridCell cellOf(const CVector2d& point) const;
    // Visits every grid cell under the location's rectangles.
    template <class F> void forEachObstacleCell(GBuildingNode* location, F&& visit);
    [[nodiscard]] bool isActiveObstacle(GBuildingNode* location) const;
    // A pile of `resources` by the road, made from `templateName`, taken by
    // `building` as its random resource; null when piles cannot be made.
    GBuildingNode* createPile(GBuildingNode* building, CName templateName, const GResourceMap& resources);
    void drawOverlay(IGraphicsDriver* driver);

    // Draws one of `count` candidates with the engine's fast generator.
    [[nodiscard]] static uint32_t drawIndex(uint32_t count);

    CArray<BaseNode*> m_letters;
    CMap<CName, CRefHandle<GLevelModifier>> m_levelModifiers;
    ControlNode* m_buildingsNode = nullptr;
    BaseNode* m_locationsNode = nullptr;
    CArray<GBuildingNode*> m_places;
    CArray<GBuildingNode*> m_locations;
    CMap<CName, CArray<GBuildingNode*>> m_locationGroups;
    CMap<CName, CArray<BaseNode*>> m_groupDecorations;
    CArray<GRailRoadNode*> m_railways;
    GBuildingNode* m_headquarters = nullptr;
    CRefHandle<BaseNode> m_walkerLayer;
    CRefHandle<BaseNode> m_trainLayer;
    BaseNode* m_cargosNode = nullptr;
    BaseNode* m_effectsNode = nullptr;
    CRefHandle<LevelConfiguration> m_levelConfiguration;
    CRefHandle<ObjectsConfiguration> m_objectsConfiguration;
    GBuildingNode* m_selected = nullptr;
    GBuildingNode* m_previousSelected = nullptr;
    bool m_paused = false;
    bool m_randomEventsPaused = true;
    bool m_tutorialPause = false;
    bool m_objectivesActive = false;
    bool m_groupComplete = false;
    int m_groupIndex = -1;
    bool m_groupChanged = false;
    int m_groupElapsed = 0;
    int m_groupElapsedWithinLimit = 0;
    CArray<uint8_t> m_groupResults;
    int m_levelTime = 0;
    float m_dayTime = 0.0f;
    float m_income = 0.0f;
    int m_goldIncome = 0;
    float m_possibleIncome = 0.0f;
    int m_guests = 0;
    int m_extraGuests = 0;
    int m_possibleGuests = 0;
    int m_happiness = 0;
    int m_possibleHappiness = 0;
    bool m_firstTrain = true;
    CArray<GHistoryRecord> m_history;
    CArray<int> m_providedServices;
    CArray<int> m_idleServices;
    CRefHandle<GWeatherParticlesNode> m_weatherNode;
    int m_weatherTimeLeft = 0;
    bool m_debugOverlay = false;
    GPathFinder m_pathFinder;
    CMap<CName, CArray<CArray<uint8_t>>> m_layers;
    GWGridNode* m_walkGrid = nullptr;
    BaseNode* m_railwaysNode = nullptr;
    CArray<GObjectNode*> m_trainPool;
    int m_levelNumber = 0;
    CRefHandle<CUpdateScheduler> m_stoppedScheduler;

    ObjectiveView m_objectiveView{*this};
    // Reused by every search.
    GPathCellList m_cells;
};
