#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "game/config/GWorkerConfig.h"
#include "game/world/GCharacterNode.h"
#include "game/world/IBuildingWalker.h"

#include <cstdint>

class GBuildingNode;
class GDilizhansNode;

// A worker of the headquarters: a walking character with a job. It waits
// hidden at its source (or in its stagecoach) until the walker before it has
// gone far enough, walks to its target, tells the source and the target when
// it leaves and arrives, turns to its workplace with a work animation, and
// shows its load (wood or gold) in its walk animations.
class GWorkerNode : public GCharacterNode, public IBuildingWalker {
public:
    static constexpr int32_t TypeId = 2062;
    // The type id of a place by the road (GOnRoadLocationNode).
    static constexpr int32_t OnRoadLocationTypeId = 2066;

    enum JobState : int32_t {
        JobIdle = 0,
        JobQueued = 1,  // hidden, waiting at its source or in its stagecoach
        JobToWork = 2,  // walking to a workplace
        JobToHome = 3,  // walking home
        JobWorking = 4, // at its target
    };

    // Colours of the building's progress display.
    static constexpr uint32_t ProgressGreen = 0xFF00FF00u;
    static constexpr uint32_t ProgressRed = 0xFFFF0000u;
    static constexpr uint32_t ProgressYellow = 0xFFFFFF00u;

    GWorkerNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GCharacterNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The character's copy and, from another worker, its source, target, job
    // state and record.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // Joins the level; home becomes the level's headquarters.
    void setLevelScene(IGameLevel* level) override;
    // Wood, gold or the standard table, by the load in its store.
    void selectWalkAnimations() override;
    // Clamped to the record's MinimumVelocity and MaximumVelocity.
    void setSpeed(int32_t speed) override;
    // The source hears that the worker left; its stagecoach restarts its
    // spacing clock.
    void onPathStarted() override;
    // Arrival: the job state moves on, the worker turns to a workplace by the
    // road and the target hears of the arrival.
    void onPathFinished() override;
    // Four work animations (left, right, up, down) for `target`: its type's
    // WorkerWorkStates, else "WorkLeft", "WorkRight", "WorkUp", "WorkDown".
    [[nodiscard]] virtual const CArray<CName>& getWorkAnimations(const GBuildingNode* target) const;
    // Walks, and releases a queued worker once the walker before it is far
    // enough away; always stays scheduled.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Takes a reference to `config` (null is ignored) and takes its Velocity.
    void setWorkerConfig(GWorkerConfig* config);
    [[nodiscard]] GWorkerConfig* getWorkerConfig() const { return m_config.get(); }
    // The record's Velocity; 0 or below counts as 1.
    [[nodiscard]] int getVelocity() const override;

    // Queues the worker for `target` (null: nothing). It leaves from where
    // it stands with `fromCurrentPosition`, else from its previous target.
    void sendTo(GBuildingNode* target, bool fromCurrentPosition);
    // A queued worker changes its target and keeps its source; any other
    // is sent (sendTo).
    void retarget(GBuildingNode* target, bool fromCurrentPosition);
    // Sends the worker to its headquarters and lets it set off at once.
    void returnHome(bool fromCurrentPosition) override;
    // Turns to the work point of a place by the road (null: nothing).
    void faceWorkplace(GBuildingNode* location);

    [[nodiscard]] int32_t getJobState() const { return m_jobState; }
    void setJobState(int32_t state) { m_jobState = state; }
    [[nodiscard]] GDilizhansNode* getCarrier() const { return m_carrier; }
    // The stagecoach it rides in (null, or a node that is none, forgets it).
    void setCarrier(BaseNode* stagecoach) override;
    // A plain worker carries nobody.
    [[nodiscard]] int getPassengerCount() const override { return 0; }
    [[nodiscard]] BaseNode* getPassenger(int /*index*/) const override { return nullptr; }
    void addPassenger(BaseNode* /*worker*/) override {}
    void clearPassengers() override {}
    // Set while it carries a job's materials (not income for the
    // headquarters).
    void setCarriesMaterials(bool carries) override { m_carriesMaterials = carries; }
    [[nodiscard]] bool carriesMaterials() const { return m_carriesMaterials; }
    [[nodiscard]] GBuildingNode* getHome() const { return m_home; }
    void setHome(GBuildingNode* home) { m_home = home; }
    [[nodiscard]] GBuildingNode* getSource() const { return m_source; }
    void setSource(GBuildingNode* source) { m_source = source; }
    [[nodiscard]] GBuildingNode* getTarget() const { return m_target; }
    void setTarget(GBuildingNode* target) { m_target = target; }
    [[nodiscard]] bool getFromCurrentPosition() const { return m_fromCurrentPosition; }
    void setFromCurrentPosition(bool flag) { m_fromCurrentPosition = flag; }
    [[nodiscard]] bool isLoadSettled() const { return m_loadSettled; }
    void setLoadSettled(bool settled) { m_loadSettled = settled; }

    // True when a walker that left `elapsedMs` ago at `velocity` is more than
    // 1.5 widths of this worker away ((elapsed x velocity) / 1024 units,
    // in 64 bits).
    [[nodiscard]] bool isFarEnough(int64_t elapsedMs, int64_t velocity) const;

    // "MoveRightWood" ... and "MoveRightGold" ... in sector order.
    [[nodiscard]] static const CName* woodWalkAnimations();
    [[nodiscard]] static const CName* goldWalkAnimations();
    // The index into a four-entry work table (left, right, up, down) of a
    // direction sector; -1 outside 0..8.
    [[nodiscard]] static int32_t workTableIndex(int32_t sector);

protected:
    ~GWorkerNode() override;

    // The job-state change and the target's arrival (onPathFinished).
    void arrive();
    // Applies the work animation towards `location`'s work point.
    void turnToWorkplace(const GBuildingNode* location);

private:
    CRefHandle<GWorkerConfig> m_config;
    GDilizhansNode* m_carrier = nullptr;
    int32_t m_jobState = JobIdle;
    GBuildingNode* m_home = nullptr;
    GBuildingNode* m_source = nullptr;
    GBuildingNode* m_target = nullptr;
    bool m_fromCurrentPosition = false;
    bool m_loadSettled = true;
    bool m_carriesMaterials = false;
};
