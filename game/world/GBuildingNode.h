#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector3d.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/IGameBuilding.h"
#include "game/world/GObjectNode.h"
#include "game/world/IBuildingTask.h"

class CPropertyBag;
class GActiveFeature;
class GEllipseSectorNode;
class GTwoSpritesProgressBarNode;
class GUniqUpgradeConfig;
class SoundCue;
class TextNode;

// One building place of a level with whatever stands on it: an empty place
// (a type record of Level 0) and a finished building are the same node, told
// apart by the current type record. The node holds the place's task, its
// damage state, the walkers and trains at the place or on their way, the
// unique upgrades applied to it and the children of its template that show
// all this. Updated every 50 ms on its owner scene's scheduler.
class GBuildingNode : public GObjectNode, public IGameBuilding {
public:
    static constexpr int32_t TypeId = 2065;
    static constexpr uint32_t BuildingUpdateInterval = 50;
    // The kinds of the walkers and locations a place tells apart.
    static constexpr int32_t GuideTypeId = 2063;
    static constexpr int32_t StagecoachTypeId = 2064;
    static constexpr int32_t OnRoadLocationTypeId = 2066;
    // A place by the road's work states the place reads.
    static constexpr int WorkAvailable = 1;
    static constexpr int WorkDone = 5;
    // A done random resource goes this long after its last worker left.
    static constexpr int RandomResourceKeepMs = 30000;

    // Who serves a place, per kind of bonus.
    enum ProviderKind : int {
        ProvidesServeIncome = 0,
        ProvidesIncomeBonus = 1,
        ProvidesHappiness = 2,
        ProvidesGuests = 3,
        ProviderKindCount = 4,
    };

    // The kind of task that occupies the place.
    enum TaskKind : int {
        TaskNone = 0,
        TaskBuild = 1, // build on an empty place, or level up
        TaskProduce = 2,
        TaskActiveFeature = 3,
        TaskDestroy = 4,
        TaskRepair = 5, // repair or restore
        TaskUniqueUpgrade = 6,
    };
    // The damage state of the place.
    enum DamageState : int {
        DamageNone = 0,
        DamageBroken = 1,
        DamageDirty = 2,
        DamageRestore = 3, // every Uniq type enters it when it is set
    };

    GBuildingNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GObjectNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    // LuckinessType is written only when it is not 0.
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The object's copy and, from another place, LuckinessType and the type
    // record (shared).
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Keeps the node's size and half size.
    void onLoaded() override;
    // Nothing while hidden, children included.
    void registerForRendering(CArray<CRenderItem>& list) override;

    // Binds (or makes) the children that show the place, takes its arrival
    // and look points, applies its scenery, star, damage and marker states,
    // and joins its owner scene's scheduler.
    void applyTemplate() override;
    void showPressState() override;
    void showCurrentState() override {}
    void onPressedChanged() override {}
    void onHoverChanged() override;
    void onFocusChanged() override;
    void onEnabledChanged() override {}
    bool onMouseDown(CEventMouseLeftDown* event) override;
    bool onMouseUp(CEventMouseLeftUp* event) override;
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;

    void setLevelScene(IGameLevel* level) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // IGameBuilding
    [[nodiscard]] BaseNode* getBuildingNode() override { return this; }
    [[nodiscard]] bool isBusyWithTask() const override { return m_taskKind != TaskNone; }
    // Any damage state but 0 (broken, dirty or to be restored).
    [[nodiscard]] bool isBroken() const override { return m_damageState != DamageNone; }
    [[nodiscard]] int getGoldIncome() const override;

    // ---- Type, task and costs

    // Makes `type` the current record (the current one becomes the previous
    // one); with `restore` a cancelled task's saved state comes back; with
    // `claim` the place claims the places it serves. Null changes nothing.
    void setType(GBuildingConfig* type, bool restore, bool claim);
    [[nodiscard]] GBuildingConfig* getType() const { return m_type.get(); }
    [[nodiscard]] GBuildingConfig* getPreviousType() const { return m_previousType.get(); }
    // The Name of the previous record; the empty name without one.
    [[nodiscard]] CName getPreviousTypeName() const;
    [[nodiscard]] int getFadingIconCount() const { return int(m_fadingIcons.size()); }
    // The task's kind and the task (may be null); shows the stars again.
    void setTask(int kind, IBuildingTask* task);
    [[nodiscard]] int getTaskKind() const { return m_taskKind; }
    [[nodiscard]] IBuildingTask* getTask() const { return m_task.get(); }
    // The task's cancel; 0 without a task.
    int cancelTask();
    // 1 without a task kind; else the task's progress (0 without a task).
    [[nodiscard]] float getTaskProgress() const;
    // Keeps what a cancelled build, destroy or restore puts back: the applied
    // upgrades and their bonuses, the damage state and the features.
    void saveCancelState();

    // Copies of the Build, Repair and Destroy resources of `type`, else of
    // the current type.
    virtual void getBuildCost(GResourceMap& cost, const GBuildingConfig* type = nullptr) const;
    void getRepairCost(GResourceMap& cost, const GBuildingConfig* type = nullptr) const;
    void getDestroyCost(GResourceMap& cost, const GBuildingConfig* type = nullptr) const;
    // The Workers of the action less floor(WorkersCostA + 0.5), at least 1;
    // 0 without a record.
    [[nodiscard]] virtual int getBuildWorkers(const GBuildingConfig* type = nullptr) const;
    [[nodiscard]] int getRepairWorkers(const GBuildingConfig* type = nullptr) const;
    [[nodiscard]] int getDestroyWorkers(const GBuildingConfig* type = nullptr) const;

    // Visible, built (Level above 0), sound and free or producing or running
    // a feature.
    [[nodiscard]] bool isOperating() const;
    [[nodiscard]] int getGuests(const GBuildingConfig* type = nullptr) const;
    [[nodiscard]] int getHappiness(const GBuildingConfig* type = nullptr) const;

    [[nodiscard]] int getLuckinessType() const { return m_luckinessType; }
    void setLuckinessType(int value);
    [[nodiscard]] int getPlaceNumber() const { return m_placeNumber; }
    void setPlaceNumber(int number) { m_placeNumber = number; }
    [[nodiscard]] bool getMayBreak() const { return m_mayBreak; }
    void setMayBreak(bool mayBreak) { m_mayBreak = mayBreak; }
    [[nodiscard]] GActiveFeatureList* getFeatures() const { return m_features.get(); }

    // ---- Economy: who serves whom, bonuses, income and guests

    // The building that serves this place with the service `serveName` for
    // the bonus kind `kind`; null when none is recorded or it was released.
    [[nodiscard]] GBuildingNode* getProvider(int kind, CName serveName) const;
    // Becomes the provider of every kind for the places its serve areas in
    // force cover, where none (or a released one) is recorded for its
    // ServeName; the first to claim keeps a place.
    void claimServedBuildings();
    // Lets go of the places it was recorded as provider for.
    void releaseServedBuildings();
    // Receiving side (apartments and empty places): sums the bonuses of the
    // serve areas that cover the place, one area Name counted once, only
    // from the recorded provider (or where none is); then shows them.
    void updateServiceBonuses();
    // The same walk for the labels, with the build list's previewed types.
    void showServiceBonuses();
    // The other visible, enabled places that the serve areas in force of
    // `type` cover from here, once each, in places-list order.
    void getBuildingsInServeArea(CArray<GBuildingNode*>& out, const GBuildingConfig* type) const;
    // The places a building of `type` here would serve, for the serve-area
    // display (places of the same type and the headquarters left out); sets
    // their serve colour.
    void getServedBuildings(CArray<GBuildingNode*>& out, const GBuildingConfig* type);
    // True when a place `type`'s own serve areas reach already has another
    // provider of its ServeName.
    [[nodiscard]] bool overlapsOtherProvider(const GBuildingConfig* type) const;
    // Guests of the served, working places this place (as `type`) serves.
    [[nodiscard]] int getServedGuestsCount(const GBuildingConfig* type) const;
    // Money and Gold earned by serving the guests of the covered places;
    // empty for a null type.
    void getServeIncome(GResourceMap& out, const GBuildingConfig* type) const;
    // Income per day with the income bonus and the serve income; 0 for an
    // empty place or without a type. Null takes the current type.
    [[nodiscard]] float getIncome(const GBuildingConfig* type = nullptr) const;
    [[nodiscard]] int getIncomeGold(const GBuildingConfig* type = nullptr) const;
    [[nodiscard]] int getHappinessBonus() const { return m_happinessBonus; }
    [[nodiscard]] int getGuestsBonus() const { return m_guestsBonus; }
    [[nodiscard]] CName getServeColor() const { return m_serveColor; }
    // Sets the required-services flag from the idle neighbours' serve areas
    // and shows or hides the licence marker.
    void updateRequiredServices();
    // The workers the headquarters may hold with the level's guests, and
    // the guests needed for `count` workers.
    [[nodiscard]] int getWorkersLimit() const;
    [[nodiscard]] int getGuestsForWorkers(int count) const;

    // ---- States and children

    // The star icons of apartments: `level` -1 takes the type's Level (the
    // previous type's during a level-up); mode 0 shows the level, 1 the next
    // one, 2 hides them.
    void showLevelState(int level, bool levelUp, int mode);
    // Broken needs a place that may break and is clickable; without `force`
    // an unreachable place or one without its required services keeps its
    // state. A damage icon on show disappears; the new state's appears.
    void setDamageState(int state, bool force);
    [[nodiscard]] int getDamageState() const { return m_damageState; }
    // The build list's hover preview on an empty place (null ends it).
    void previewTemplate(const GBuildingConfig* type);
    // The cue of the place's work: by damage, task kind and type.
    [[nodiscard]] virtual CName getSoundCueName() const;
    // Plays the work cue (unique while idle) unless it already plays; keeps
    // the instance.
    virtual SoundCue* playSound();
    // Fades the kept instance out over 1000 ms and lets it go.
    virtual void stopSound();

    // ---- Labels and the serve-area display

    // The income-bonus label: "+15%" in "Green" (from 15), "Blue" (below) or
    // "Red" (negative); hidden for 0, for a type that is neither an empty
    // place nor a working apartment, and while busy. -1 changes nothing.
    void showIncomeBonus(int percent);
    // The happiness label: the size in "Green" or "Red"; only for a working
    // apartment. -1 changes nothing.
    void showHappinessBonus(int value);
    // 1 "Highlight", -1 "NegativeIncome", else "Normal".
    void setIncomeTextState(int kind);
    // The upgrade line of the income label after a unique upgrade here, or
    // after `building` was completed when it gives this place its income
    // bonus.
    void showIncomeUpgrade();
    void showIncomeUpgradeFor(const GBuildingNode* building);
    // The upgrade badge: kind 1 "Rating", 2 "Guests" ("...Upgrade" when
    // `upgraded`); any other kind hides it.
    void showBonusText(int kind, bool upgraded);
    // The badge for the applied upgrades and the running previews.
    void updateBonusText();
    // The feature icon, its progress and the reward text.
    void updateFeatureDisplay();
    // Every feature rolls its reward; the store takes the first one's.
    void loadFeatureRewards();
    // The workers label; 0 hides it.
    void setWorkersText(int count);
    // The serve-area marker in the serve colour, or going away.
    void showServeAreaMarker(bool show);
    // "Source" or "Receiver".
    void setServeAreaMarkerRole(bool source);
    [[nodiscard]] bool isServeAreaMarkerShown() const { return m_serveMarkerShown; }
    [[nodiscard]] bool isServeAreaSource() const { return m_serveMarkerSource; }
    // Outlines `places` after ServeAreaHullShowDelay; the outline goes
    // ServeAreaHullHideDelay later or at hideServeArea.
    void showServeArea(const CArray<GBuildingNode*>& places);
    void hideServeArea();
    [[nodiscard]] int getHullShowCountdown() const { return m_hullShowCountdown; }
    [[nodiscard]] int getHullHideCountdown() const { return m_hullHideCountdown; }
    [[nodiscard]] const CArray<BaseNode*>& getOutlinedPlaces() const { return m_outlinedPlaces; }

    // ---- Walkers and trains (not owned: the level and the headquarters
    // hold them)

    [[nodiscard]] virtual int getWorkersCount() const { return int(m_workers.size()); }
    [[nodiscard]] virtual int getIncomingWorkersCount() const { return int(m_incomingWorkers.size()); }
    // Appends a walker on its way here unless listed; answers its index.
    virtual int addIncomingWorker(BaseNode* worker);
    void removeIncomingWorker(BaseNode* worker);
    // A walker that was expected arrives: it is hidden and listed as present
    // (a stagecoach's riders as workers present, the coach and a guide in
    // their own lists) and 4105 is sent; an unexpected one changes nothing.
    virtual void onWorkerArrived(BaseNode* worker);
    // Resets the time since a walker left, keeps its Velocity and sends
    // 4106.
    virtual void onWorkerLeft(BaseNode* worker);
    // Sends everybody at the place, and on the way to it, home: the workers
    // ride in the first stagecoach present when there is one. With
    // `dropCarried` their loads are cleared first.
    void releaseWorkers(bool dropCarried);
    // As releaseWorkers (true), and `resources` go with the first stagecoach,
    // else the first worker present, as income.
    void releaseWorkersWithResources(const GResourceMap& resources);
    [[nodiscard]] const CArray<BaseNode*>& getStagecoaches() const { return m_stagecoaches; }
    [[nodiscard]] const CArray<BaseNode*>& getGuides() const { return m_guides; }
    // The Velocity of the walker that left last.
    [[nodiscard]] int getLeaverVelocity() const { return m_leaverVelocity; }
    virtual void onTrainAssigned(BaseNode* train);
    // From the assigned to the standing trains; sends 4107.
    virtual void onTrainArrived(BaseNode* train);
    // Every standing and every assigned train is told to leave; the
    // assigned ones are forgotten.
    void sendTrainsAway();
    // Draws the next train's interval and side, drops the train from the
    // standing ones and sends 4108 with its key (its index there).
    virtual void onTrainLeft(BaseNode* train);
    [[nodiscard]] const CArray<BaseNode*>& getWorkers() const { return m_workers; }
    [[nodiscard]] const CArray<BaseNode*>& getIncomingWorkers() const { return m_incomingWorkers; }
    [[nodiscard]] const CArray<BaseNode*>& getStandingTrains() const { return m_trains; }
    [[nodiscard]] const CArray<BaseNode*>& getAssignedTrains() const { return m_assignedTrains; }
    [[nodiscard]] int getTrainCountdown() const { return m_trainCountdown; }
    [[nodiscard]] int getTrainInterval() const { return m_trainInterval; }
    [[nodiscard]] bool getNoTrainYet() const { return m_noTrainYet; }
    void setNoTrainYet(bool value) { m_noTrainYet = value; }
    [[nodiscard]] bool getTrainSide() const { return m_trainSide; }
    [[nodiscard]] int getTimeSinceIncome() const { return m_timeSinceIncome; }
    void setTimeSinceIncome(int ms) { m_timeSinceIncome = ms; }
    [[nodiscard]] int getTimeSinceBuildOrRepair() const { return m_timeSinceBuildOrRepair; }
    void setTimeSinceBuildOrRepair(int ms) { m_timeSinceBuildOrRepair = ms; }
    [[nodiscard]] int getTimeSinceWorkerLeft() const { return m_timeSinceWorkerLeft; }

    // The worker arrival points (de-duplicated), the chosen one and the look
    // point; see applyTemplate.
    [[nodiscard]] const CArray<CVector2d>& getArrivalPoints() const { return m_arrivalPoints; }
    [[nodiscard]] const CVector2d& getLookPoint() const { return m_lookPoint; }
    [[nodiscard]] const CVector3d& getResourceAppearPoint() const { return m_resourceAppearPoint; }
    [[nodiscard]] const CVector3d& getResourceWorkerArrivalPoint() const { return m_resourceWorkerArrivalPoint; }
    // The chosen arrival point, else the first arrival point while the chosen
    // one is (0, 0), else (0, 0).
    [[nodiscard]] CVector2d getArrivalPoint() const;
    void setChosenArrivalPoint(const CVector2d& point) { m_chosenArrivalPoint = point; }
    [[nodiscard]] bool isReachable() const { return m_reachable; }
    void setReachable(bool reachable) { m_reachable = reachable; }
    [[nodiscard]] virtual bool hasRequiredServices() const { return m_requiredServices; }
    void setRequiredServices(bool present) { m_requiredServices = present; }
    // Reachable, with its services, operating and with no random resource
    // alive.
    [[nodiscard]] bool canSpawnRandomResource() const;
    [[nodiscard]] int getRandomResourcesAlive() const { return int(m_randomResources.size()); }
    // Reachable when a walk path leads from the headquarters to one of the
    // arrival points; the nearest one is chosen. The random resources
    // refresh theirs too.
    virtual void updateReachability();
    // Makes a pile of `record`'s template under the level's on-road
    // locations, fills it from the record's ranges and attaches it. Nothing
    // without the level or that node.
    void spawnRandomResource(const GRandomResourceConfig& record, bool animated);
    // Makes `location` (a resource pile) one of the place's random
    // resources: it gets an arrival point for the workers, moves to the
    // place's resource appear point, applies its template, 4113 is sent with
    // its type's Name and it appears (`animated`) or shows at once. The
    // caller keeps `location` in the tree.
    void attachRandomResource(GBuildingNode* location, bool animated);
    // Before the place changes its building: the piles send their workers
    // home, hide and are done.
    void removeRandomResources();
    // The piles still to collect and those done (kept until 30 s after their
    // last worker left); the place holds a reference to each.
    [[nodiscard]] const CArray<CRefHandle<GBuildingNode>>& getRandomResources() const { return m_randomResources; }
    [[nodiscard]] const CArray<CRefHandle<GBuildingNode>>& getRandomResourcesDone() const {
        return m_randomResourcesDone;
    }
    [[nodiscard]] int getRandomResourceInterval() const { return m_randomResourceInterval; }

    // ---- What a place by the road answers (it overrides these)

    // Its work state; -1 for a building place.
    [[nodiscard]] virtual int getWorkState() const { return -1; }
    // Applies "Appear" (a location also starts its appearing lock).
    virtual void startAppear();
    // Applies "Normal".
    virtual void showNormal();
    // Lets the player click it.
    virtual void makeHittable() { setCanBeHit(true); }
    [[nodiscard]] int getRandomResourceTimer() const { return m_randomResourceTimer; }

    // ---- Unique upgrades and previews

    // For the empty name: whether any upgrade is applied.
    [[nodiscard]] bool hasUniqueUpgrade(CName id) const;
    // Applies `upgrade` once: its income bonus, or else its guests bonus,
    // with the badge; null or an applied one changes nothing.
    void applyUniqueUpgrade(const GUniqUpgradeConfig* upgrade);
    // Drops every applied upgrade and its bonuses and makes the place sound.
    void clearUniqueUpgrades();
    // Takes back the entry and bonuses of `upgrade`; nothing when it is not
    // applied.
    void removeUniqueUpgrade(const GUniqUpgradeConfig* upgrade);
    [[nodiscard]] const CArray<CName>& getUniqueUpgrades() const { return m_uniqueUpgrades; }
    [[nodiscard]] int getUpgradeIncomeBonus() const { return m_upgradeIncomeBonus; }
    [[nodiscard]] int getUpgradeGuestsBonus() const { return m_upgradeGuestsBonus; }
    // Sets the bonuses other buildings give this place, as
    // updateServiceBonuses would.
    void setServiceBonuses(int incomePercent, int guests, int happiness);
    [[nodiscard]] int getIncomeBonusPercent() const { return m_incomeBonus; }
    // Whether another visible, enabled and idle place of the level serves
    // `place` (of `type`) with one of the type's required services.
    [[nodiscard]] bool isRequiredServiceProvided(int place, const GBuildingConfig* type) const;

    // The build list's choices under the pointer; each recalculates the level.
    void setPreviewType(GBuildingConfig* type);
    [[nodiscard]] GBuildingConfig* getPreviewType() const { return m_previewType; }
    void setIncomeBonusPreview(int bonus);
    void clearIncomeBonusPreview() { setIncomeBonusPreview(-1); }
    void setGuestsBonusPreview(int bonus);
    void clearGuestsBonusPreview() { setGuestsBonusPreview(-1); }
    [[nodiscard]] int getIncomeBonusPreview() const { return m_incomeBonusPreview; }
    [[nodiscard]] int getGuestsBonusPreview() const { return m_guestsBonusPreview; }
    // While focused: 4100 naming this place twice, up to the parent.
    void notifyChanged();

    // Bound children (null when the template has none).
    [[nodiscard]] BaseNode* getStarIcons() const { return m_starIcons; }
    [[nodiscard]] BaseNode* getDamageIcon() const { return m_damageIcon; }
    [[nodiscard]] BaseNode* getUnreachableMarker() const { return m_unreachableMarker; }
    [[nodiscard]] BaseNode* getSelector() const { return m_selector; }
    [[nodiscard]] BaseNode* getFeatureText() const { return m_featureText; }
    [[nodiscard]] BaseNode* getWorkersText() const { return m_workersText; }
    [[nodiscard]] BaseNode* getFeatureIcon() const { return m_featureIcon; }
    [[nodiscard]] GTwoSpritesProgressBarNode* getFeatureProgress() const { return m_featureProgress; }
    [[nodiscard]] BaseNode* getMoneyBurst() const { return m_moneyBurst; }
    [[nodiscard]] BaseNode* getLicenseMarker() const { return m_licenseMarker; }
    [[nodiscard]] BaseNode* getSmileIcon() const { return m_smileIcon; }
    [[nodiscard]] BaseNode* getRatingText() const { return m_ratingText; }
    [[nodiscard]] BaseNode* getResourceAmountText() const { return m_resourceAmountText; }
    [[nodiscard]] BaseNode* getServeAreaMarker() const { return m_serveAreaMarker; }
    [[nodiscard]] BaseNode* getServeAreaHull() const { return m_serveAreaHull; }

protected:
    ~GBuildingNode() override;
    void onDescendantRemoved(BaseNode* node) override;
    // A new place by the road, a child of `parent`, for a random resource;
    // null when none can be made. The node factory makes it by class name.
    [[nodiscard]] virtual GBuildingNode* createRandomResourceNode(BaseNode* parent);

private:
    void setLuckinessTypeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getLuckinessTypeProperty() const;

    void bindChildren();
    void takeArrivalPoints();
    void applySceneryStates();
    void showUnreachableMarker();
    // A clone of the template `name` under `parent`, or null.
    BaseNode* cloneTemplate(CName name, BaseNode* parent);
    [[nodiscard]] int actionWorkers(const GBuildingConfig* type,
                                    const GBuildingActionConfig GBuildingConfig::*action) const;
    void copyCost(GResourceMap& cost, const GBuildingConfig* type,
                  const GBuildingActionConfig GBuildingConfig::*action) const;
    // True when the screen point (x, y) lands on the place or its children.
    [[nodiscard]] bool isHitAt(int32_t x, int32_t y);
    // Sends `message` to the level (its parents when the level passes it).
    void sendMessage(CEvent* message);

    // Visible and enabled: only such places serve and are served.
    [[nodiscard]] bool takesPart() const { return isVisible() && isEnabled(); }
    // True when a building of `type` here can serve others: the place is in
    // the level, on the grid, visible and enabled.
    [[nodiscard]] bool servesWith(const GBuildingConfig* type) const;
    // The level's place `index` when it is a building place, else null.
    [[nodiscard]] GBuildingNode* placeAt(int index) const;
    // The serve areas of the active feature (unless it uses the building's),
    // else `type`'s.
    [[nodiscard]] const CArray<ServeArea>& serveAreasInForce(const GBuildingConfig* type) const;
    // True when `place` may serve this one for `kind` and `serveName`: it is
    // the recorded provider, or none is.
    [[nodiscard]] bool acceptsProvider(int kind, CName serveName, const GBuildingNode* place) const;
    // The bonus walk of updateServiceBonuses (previewed types with
    // `preview`), luckiness included.
    void sumServiceBonuses(bool preview, int& income, int& guests, int& happiness) const;
    void writeIncomeUpgradeText();
    void runHullCountdowns(int elapsed);
    void updateRandomResources(int elapsed);
    // Sends a walker home: from this place, or from where it stands.
    void sendHome(BaseNode* walker, bool fromHere, bool dropCarried);

    int m_taskKind = TaskNone;
    CRefHandle<IBuildingTask> m_task;
    CRefHandle<SoundCue> m_sound;
    CArray<BaseNode*> m_workers;
    CArray<BaseNode*> m_incomingWorkers;
    CArray<BaseNode*> m_stagecoaches;
    CArray<BaseNode*> m_guides;
    CArray<BaseNode*> m_trains;
    CArray<BaseNode*> m_assignedTrains;
    CRefHandle<GActiveFeatureList> m_features;
    CRefHandle<GActiveFeatureList> m_savedFeatures;
    bool m_mayBreak = true;
    int m_timeSinceIncome = 5000;
    int m_timeSinceBuildOrRepair = 10000;
    int m_randomResourceTimer = 5000;
    int m_randomResourceInterval = 0;
    int m_trainCountdown = 5000;
    int m_trainInterval = 0;
    bool m_noTrainYet = true;
    bool m_trainSide = false;
    CArray<CRefHandle<GBuildingNode>> m_randomResources;
    CArray<CRefHandle<GBuildingNode>> m_randomResourcesDone;
    int m_damageState = DamageNone;
    int m_savedDamageState = DamageNone;
    CRefHandle<GBuildingConfig> m_type;
    CRefHandle<GBuildingConfig> m_previousType;
    GBuildingConfig* m_previewType = nullptr;
    CName m_serveColor;
    int m_incomeBonus = 0;
    int m_guestsBonus = 0;
    int m_happinessBonus = 0;
    bool m_serveMarkerShown = false;
    bool m_serveMarkerSource = false;
    int m_hullShowCountdown = -1;
    int m_hullHideCountdown = -1;
    CArray<BaseNode*> m_outlinedPlaces;
    // Per provider kind: ServeName to the place that serves this one (null
    // once released).
    CMap<CName, GBuildingNode*> m_providers[ProviderKindCount];
    // Children of the node or of its template root; cleared when they go.
    BaseNode* m_starIcons = nullptr;
    BaseNode* m_smileIcon = nullptr;
    BaseNode* m_featureText = nullptr;
    BaseNode* m_damageIcon = nullptr;
    BaseNode* m_selector = nullptr;
    BaseNode* m_workersText = nullptr;
    BaseNode* m_ratingText = nullptr;
    BaseNode* m_featureIcon = nullptr;
    GTwoSpritesProgressBarNode* m_featureProgress = nullptr;
    BaseNode* m_resourceAmountText = nullptr;
    BaseNode* m_moneyBurst = nullptr;
    int m_luckinessType = 0;
    BaseNode* m_serveAreaHull = nullptr;
    CArray<CName> m_uniqueUpgrades;
    CArray<CName> m_savedUniqueUpgrades;
    int m_incomeBonusPreview = -1;
    int m_upgradeIncomeBonus = 0;
    int m_savedUpgradeIncomeBonus = 0;
    int m_guestsBonusPreview = -1;
    int m_upgradeGuestsBonus = 0;
    int m_savedUpgradeGuestsBonus = 0;
    int m_placeNumber = -1;
    BaseNode* m_unreachableMarker = nullptr;
    BaseNode* m_licenseMarker = nullptr;
    BaseNode* m_serveAreaMarker = nullptr;
    CVector2d m_chosenArrivalPoint;
    CVector2d m_lookPoint;
    CArray<CVector2d> m_arrivalPoints;
    CVector3d m_resourceAppearPoint;
    CVector3d m_resourceWorkerArrivalPoint;
    int m_timeSinceWorkerLeft = 10000;
    int m_leaverVelocity = 300;
    bool m_reachable = false;
    bool m_requiredServices = false;
    CVector3d m_loadedSize;
    CVector3d m_loadedHalfSize;
    // Replaced damage icons playing "Disappear"; removed once it ends.
    CArray<CRefHandle<BaseNode>> m_fadingIcons;
};

// Sets the income clock `clock` (the "Progress" node of an operating
// building) to `fraction` (0 to 1): its second child, a sector, sweeps the
// angle in a colour from green through yellow to red and turns "Alert" once
// past three quarters; its third child, the hand, turns to the angle.
void updateIncomeClock(BaseNode* clock, float fraction);
