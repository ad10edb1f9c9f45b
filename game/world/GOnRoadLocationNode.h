#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRect.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/config/GResources.h"
#include "game/world/GBuildingNode.h"
#include "game/world/ILevelParts.h"

#include <cstdint>

class GMajorOfficeNode;
struct GGridPlacement;
class GPathFinder;
class GProgressBarWithSignNode;

// A place by the road: an obstacle on or beside the road, a pile of
// resources or a quest spot that workers must clear. Until it is done its
// unwalkable rectangles block the level's walk grid. The player clicks it,
// the headquarters sends workers (or the guide character) with its build
// cost, they work for its type's Build Time, and the location hands what it
// held to the first worker, may add workers to the headquarters, sends
// everybody home and posts 4110. Buildings make locations at run time as
// random resources. It runs its work cycle itself on its update client; the
// work cannot be cancelled.
class GOnRoadLocationNode : public GBuildingNode, public ILevelLocation {
public:
    static constexpr int32_t TypeId = 2066;
    static constexpr int32_t DefaultQuestCharacterTime = 3000;
    static constexpr int32_t DefaultLockTimeOnAppear = 500;

    // The work states.
    enum WorkState : int {
        Appearing = 0,      // clicks start nothing, hovering shows nothing
        Available = 1,      // waits for the player
        WaitingWorkers = 2, // the workers are on their way
        Working = 3,
        Finishing = 4, // the end steps run on the next update
        Done = 5,
        WaitingGuide = 6, // the guide character is on her way
        GuideVisit = 7,   // she stays the Build Time without the cost
        GuideLeaves = 8,
    };

    GOnRoadLocationNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBuildingNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    // Defaults are not written: see the property table.
    void writeProperties(CPropertyBag& bag) const override;
    // Fills the store from Materials, Gold, Money, Workers and the names of
    // Quest, and the quest names from BuildQuest.
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The building's copy and, from another location, its settings; the work
    // state, marks, timers, reward, rectangles and progress bar stay.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // The building's template (not once done), then the progress bar, the
    // unwalkable rectangles and both marks off.
    void applyTemplate() override;
    // "DisableHover" while it cannot be cleared now, "NormalHover",
    // "NormalKillHover"; only while available and the level runs.
    void onHoverChanged() override;
    void onFocusChanged() override {}

    // The type's Build resources with BuildMaterials, BuildGold and
    // BuildMoney (0 or above) and the BuildQuest names put in.
    void getBuildCost(GResourceMap& cost, const GBuildingConfig* type = nullptr) const override;
    // BuildWorkers when above 0, else the building's.
    [[nodiscard]] int getBuildWorkers(const GBuildingConfig* type = nullptr) const override;
    [[nodiscard]] CName getSoundCueName() const override;
    // Plays the cue unless that very cue still plays; keeps the instance.
    SoundCue* playSound() override;
    // Fades the kept instance out over 300 ms and lets it go.
    void stopSound() override;
    [[nodiscard]] bool hasRequiredServices() const override { return true; }

    // ---- The work cycle

    // Runs the building's update, then the step of the work state; always
    // stays scheduled. The step runs while the level is paused too.
    [[nodiscard]] bool update(uint32_t elapsed) override;
    // The player's click on an available, reachable location: the
    // headquarters sends its build cost with the workers; nothing when it
    // refuses.
    void startWork();
    // The first click on a location with a tutorial: the guide character
    // goes, carrying the build cost when the headquarters holds it and one
    // worker does the job; nothing when she cannot.
    void startTakeMaterials();
    // Set a mark and apply its state, only on a change.
    void setImpending(bool impending) override;
    void setFirstOnRoad(bool firstOnRoad) override;
    // "Normal".
    void showNormal() override;
    // "Appear"; an available location locks again for LockTimeOnAppear.
    void startAppear() override;
    // The template's "HitArea" and the nodes above it, and the location, can
    // be hit.
    void makeHittable() override;
    // Fits the two-key animations of the working state's keys to `ms`.
    void setWorkDuration(int ms);
    // Clones of the first worker present join the headquarters; nothing
    // without a level or a worker present.
    void addWorkers(int count);
    // The first walker to arrive takes everything the location holds; the
    // cost the walkers brought is spent.
    void onWorkerArrived(BaseNode* walker) override;

    // Sets `cost` for every walk-grid cell under the unwalkable rectangles
    // that lies inside `finder`'s grid (placed by `grid`).
    void setCellCosts(GPathFinder& finder, const GGridPlacement& grid, uint8_t cost) const;

    // ---- Properties

    [[nodiscard]] int getBuildMaterials() const { return m_buildMaterials; }
    void setBuildMaterials(int value) { m_buildMaterials = value; }
    [[nodiscard]] int getBuildGold() const { return m_buildGold; }
    void setBuildGold(int value) { m_buildGold = value; }
    [[nodiscard]] int getBuildMoney() const { return m_buildMoney; }
    void setBuildMoney(int value) { m_buildMoney = value; }
    [[nodiscard]] int getBuildWorkersOverride() const { return m_buildWorkers; }
    void setBuildWorkersOverride(int value) { m_buildWorkers = value; }
    [[nodiscard]] const CStringW& getBuildQuest() const { return m_buildQuest; }
    // The field only; the quest names follow when the file is read.
    void setBuildQuest(const CStringW& text) { m_buildQuest = text; }
    [[nodiscard]] const CArray<CName>& getQuestNames() const { return m_questNames; }
    [[nodiscard]] const CStringW& getQuest() const { return m_quest; }
    // The field only; the store follows when the file is read.
    void setQuest(const CStringW& text) { m_quest = text; }
    // The workers the location adds to the headquarters when it is done.
    [[nodiscard]] int getYieldedWorkers() const { return m_workersYield; }
    // The field only; the store follows when the file is read.
    void setYieldedWorkers(int count) { m_workersYield = count; }
    [[nodiscard]] const CStringW& getQuestCharacterText() const { return m_questCharacterText; }
    void setQuestCharacterText(const CStringW& text) { m_questCharacterText = text; }
    [[nodiscard]] int getQuestCharacterTime() const { return m_questCharacterTime; }
    void setQuestCharacterTime(int ms) { m_questCharacterTime = ms; }
    [[nodiscard]] CName getBuildingStateName() const { return m_buildingStateName; }
    void setBuildingStateName(CName name) { m_buildingStateName = name; }
    [[nodiscard]] CName getBuiltStateName() const override { return m_builtStateName; }
    void setBuiltStateName(CName name) { m_builtStateName = name; }
    [[nodiscard]] int getLockTimeOnAppear() const { return m_lockTimeOnAppear; }
    void setLockTimeOnAppear(int ms) { m_lockTimeOnAppear = ms; }
    [[nodiscard]] const CStringW& getFirstTutorialFileName() const { return m_firstTutorialFileName; }
    void setFirstTutorialFileName(const CStringW& name) { m_firstTutorialFileName = name; }
    [[nodiscard]] const CStringW& getTutorialFileName() const { return m_tutorialFileName; }
    void setTutorialFileName(const CStringW& name) { m_tutorialFileName = name; }

    // ---- What the level and the play screen read

    [[nodiscard]] int getWorkState() const override { return m_workState; }
    [[nodiscard]] int getWorkersNeeded() const { return m_workersNeeded; }
    // Left, top, right, bottom in level coordinates.
    [[nodiscard]] const CArray<CRect>& getUnwalkableRects() const override { return m_unwalkableRects; }
    // The building's reachability, as the level scene asks for it.
    void refreshReachability() override { updateReachability(); }
    [[nodiscard]] bool isLocationReachable() const override { return isReachable(); }
    [[nodiscard]] const GResourceMap& getReward() const { return m_reward; }
    [[nodiscard]] int getAppearTimer() const { return m_appearTimer; }
    [[nodiscard]] int getElapsedWorkTime() const { return m_elapsedWorkTime; }
    [[nodiscard]] int getWorkDuration() const { return m_workDuration; }
    [[nodiscard]] bool getMaterialsBrought() const { return m_materialsBrought; }
    [[nodiscard]] bool isFirstOnRoad() const { return m_firstOnRoad; }
    [[nodiscard]] bool isImpending() const { return m_impending; }
    [[nodiscard]] CName getLastHoverState() const { return m_lastHoverState; }
    [[nodiscard]] GProgressBarWithSignNode* getProgressBar() const { return m_progressBar; }
    [[nodiscard]] SoundCue* getSound() const { return m_sound.get(); }
    // Set once the guide character was sent here.
    [[nodiscard]] bool isGuideSent() const { return m_guideSent; }

protected:
    ~GOnRoadLocationNode() override;
    void onDescendantRemoved(BaseNode* node) override;

private:
    template <int GOnRoadLocationNode::*Field> void setIntProperty(const CRefHandle<IPropertyData>& value);
    template <int GOnRoadLocationNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getIntProperty() const;
    template <CStringW GOnRoadLocationNode::*Field> void setTextProperty(const CRefHandle<IPropertyData>& value);
    template <CStringW GOnRoadLocationNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getTextProperty() const;
    template <CName GOnRoadLocationNode::*Field> void setNameProperty(const CRefHandle<IPropertyData>& value);
    template <CName GOnRoadLocationNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getNameProperty() const;
    // Materials, Gold and Money live in the store.
    template <CName (*Resource)()> void setStoreProperty(const CRefHandle<IPropertyData>& value);
    template <CName (*Resource)()> [[nodiscard]] CRefHandle<IPropertyData> getStoreProperty() const;
    // Sets the store's amount of `resource` (0 removes the entry).
    void setStoreAmount(CName resource, int amount);

    void bindProgressBar();
    void takeUnwalkableRects();
    // Applies `state` once; the same name twice in a row is applied once.
    void setHoverState(CName state);
    // The headquarters' canBuild for this location and its current type.
    [[nodiscard]] bool canBeBuilt() const;
    // The level's headquarters; null without one.
    [[nodiscard]] GMajorOfficeNode* headquarters() const;
    // Drops the walker's share of the cost and gives it what the location
    // holds (the location's store is emptied).
    void handOverStore(GObjectNode* walker);
    // Hands two pointer moves to the engine so that the controls under the
    // pointer take their hover afresh.
    static void refreshPointerHover();
    void finishWork();

    int m_workState = Available;
    int m_workersNeeded = 0;
    CArray<CRect> m_unwalkableRects;
    GResourceMap m_reward;
    int m_appearTimer = 0;
    int m_elapsedWorkTime = 0;
    int m_workDuration = 0;
    bool m_materialsBrought = false;
    bool m_firstOnRoad = false;
    bool m_impending = false;
    CName m_lastHoverState;
    int m_buildMaterials = -1;
    int m_buildGold = -1;
    int m_buildMoney = -1;
    int m_buildWorkers = -1;
    CArray<CName> m_questNames;
    CStringW m_buildQuest;
    CStringW m_quest;
    int m_workersYield = 0;
    CStringW m_questCharacterText;
    int m_questCharacterTime = DefaultQuestCharacterTime;
    // A child of the node tree.
    GProgressBarWithSignNode* m_progressBar = nullptr;
    CName m_buildingStateName;
    CName m_builtStateName;
    int m_lockTimeOnAppear = DefaultLockTimeOnAppear;
    CStringW m_firstTutorialFileName;
    CStringW m_tutorialFileName;
    CRefHandle<SoundCue> m_sound;
    bool m_guideSent = false;
};

// The names of a text: its pieces between ';', trimmed, empty ones dropped;
// a name may occur more than once.
[[nodiscard]] CArray<CName> splitNames(const CStringW& text);
