#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "game/config/GResources.h"
#include "game/world/GBuildingNode.h"
#include "game/world/ILevelParts.h"

#include <cstdint>

class CEvent;
class GDilizhansNode;
class GEllipseProgressBarNode;
class GGertrudaNode;
class GWorkerNode;
class GWorkerSpacing;
class TextNode;

// The headquarters of a level: the one building that owns every walking
// character (workers, stagecoaches, the guide), keeps the player's resources
// in its store, counts its free workers, delivers ordered workers on a clock
// and announces every gain with a popup over itself. It never breaks and is
// always reachable.
class GMajorOfficeNode : public GBuildingNode, public ILevelHeadquarters {
public:
    static constexpr int32_t TypeId = 2067;
    // Candidates start this far from a job; also the headquarters' own
    // distance when no path leads from it.
    static constexpr int FarDistance = 100000;
    // The workers text keeps the delivery's count this long (ms).
    static constexpr int DeliveryTextHold = 5000;

    // One gain waiting to be shown over the headquarters.
    struct IncomePopup {
        CName resource;
        int amount = 0;
        bool shown = false;
        // Not one of the standard resources: shown without a number and
        // followed by the quest particles.
        bool questItem = false;
    };

    GMajorOfficeNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBuildingNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // The building's children, then the workers count, the delivery clock,
    // the income popup text and the quest particle controller; the money
    // burst is taken away.
    void applyTemplate() override;
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Free workers: those present and those walking home empty-handed.
    [[nodiscard]] int getWorkersCount() const override;
    // What a walker brings (a stagecoach: its passengers' loads and its own)
    // goes into the store, shown as income unless it was a job's materials.
    void onWorkerArrived(BaseNode* walker) override;
    void onWorkerLeft(BaseNode* walker) override;
    [[nodiscard]] bool hasRequiredServices() const override { return true; }
    // Always reachable, arriving at the first arrival point.
    void updateReachability() override;

    // ---- Characters

    // Clone `count` characters from the templates "Worker1", "Dilizhans1" and
    // "Gertruda1" into the level's walkers layer and send them home. Nothing
    // without the template collection or the template.
    void spawnWorkers(int count) override;
    void spawnStagecoaches(int count) override;
    void spawnGuides(int count) override;
    // What the level scene drives: the point walkers leave from, kept up to
    // date with the reachability, and a place's active feature.
    void refreshWorkerPoint() override { updateReachability(); }
    [[nodiscard]] CVector2d getWorkerPoint() const override { return getArrivalPoint(); }
    void activateFeature(GBuildingNode* building, int index) override;
    // A worker made elsewhere joins the headquarters' workers.
    void addWorker(GWorkerNode* worker);
    // Walkers on their way here that carry nothing (stagecoaches and guides
    // not counted).
    [[nodiscard]] int getReturningWorkersCount() const;
    [[nodiscard]] const CArray<CRefHandle<GWorkerNode>>& getAllWorkers() const { return m_allWorkers; }
    [[nodiscard]] const CArray<CRefHandle<GDilizhansNode>>& getAllStagecoaches() const { return m_allStagecoaches; }
    [[nodiscard]] const CArray<CRefHandle<GGertrudaNode>>& getAllGuides() const { return m_allGuides; }
    [[nodiscard]] GWorkerSpacing* getSpacing() const { return m_spacing.get(); }

    // Sends `count` workers to `target` with `resources` split among them
    // (the first one loaded takes the remainder), nearer walkers on their
    // way home first and a stagecoach for a large group. False, nothing
    // changed, when the workers or resources are missing or the target
    // cannot be reached.
    bool dispatchWorkers(GBuildingNode* target, const GResourceMap& resources, uint32_t count);
    // Sends the guide to `location`, carrying `resources` when the store
    // holds them and the location needs one worker. False without a guide
    // at home or a reachable location.
    bool sendGuide(GBuildingNode* location, const GResourceMap& resources);

    // "present/all" on the workers text, unless a delivery holds it.
    void updateWorkersText();

    // ---- Worker orders

    // Starts delivering `count` workers in `deliveryTime` ms (replaces a
    // running order).
    void setWorkerOrder(int count, int deliveryTime);
    // -1 while no order runs.
    [[nodiscard]] int getOrderTimeLeft() const { return m_orderTimeLeft; }
    [[nodiscard]] int getOrderTotalTime() const { return m_orderTotalTime; }
    [[nodiscard]] int getOrderedWorkers() const { return m_orderedWorkers; }
    [[nodiscard]] int getTextHoldCountdown() const { return m_textHoldCountdown; }

    // ---- Income popups and quest particles

    // Queues the gains of `resources` (standard resources merge into an
    // entry not shown yet; amounts below 1 are skipped) and shows the first
    // one when the queue was idle.
    void queueIncomePopup(const GResourceMap& resources);
    [[nodiscard]] const CArray<IncomePopup>& getIncomePopups() const { return m_popups; }
    // Where the quest particles fly.
    void setQuestParticlesTarget(BaseNode* target) { m_questTarget = CRefHandle<BaseNode>::share(target); }
    // Flies a copy of the quest particle controller to the target.
    void startQuestParticles();

    // Sends a game message to the level (its parents when the level passes it).
    void sendToLevelScene(CEvent* message);

    // Bound children (null when the template has none).
    [[nodiscard]] TextNode* getWorkersAmountText() const { return m_workersAmountText; }
    [[nodiscard]] TextNode* getWorkersAnimationText() const { return m_workersAnimationText; }
    [[nodiscard]] GEllipseProgressBarNode* getWorkersProgress() const { return m_workersProgress; }
    [[nodiscard]] TextNode* getIncomeText() const { return m_incomeText; }
    [[nodiscard]] BaseNode* getQuestParticleController() const { return m_questController; }

protected:
    ~GMajorOfficeNode() override;
    void onDescendantRemoved(BaseNode* node) override;

private:
    struct Candidate {
        GWorkerNode* walker;
        int distance;
    };

    // Clones the template `name` `count` times as characters of class T.
    template <class T> void spawn(CName templateName, int count, CArray<CRefHandle<T>>& all);
    void joinSpacing(GWorkerNode* walker);
    // Adds `walker`'s store to this one, as a popup unless it brings a job's
    // materials.
    void takeLoad(GWorkerNode* walker);
    // The share of every resource and, for the first walker loaded, the
    // remainder move from the store to `walker`.
    void load(GWorkerNode* walker, const GResourceMap& share, GResourceMap& remainder);
    void showPopup(IncomePopup& popup);
    static void sortByDistance(CArray<Candidate>& candidates);

    CArray<CRefHandle<GWorkerNode>> m_allWorkers;
    CArray<CRefHandle<GDilizhansNode>> m_allStagecoaches;
    CArray<CRefHandle<GGertrudaNode>> m_allGuides;
    TextNode* m_workersAmountText = nullptr;
    GEllipseProgressBarNode* m_workersProgress = nullptr;
    TextNode* m_workersAnimationText = nullptr;
    TextNode* m_incomeText = nullptr;
    BaseNode* m_questController = nullptr;
    CRefHandle<GWorkerSpacing> m_spacing;
    CArray<IncomePopup> m_popups;
    bool m_popupOnShow = false;
    bool m_questItemOnShow = false;
    CRefHandle<BaseNode> m_questTarget;
    int m_orderTotalTime = -1;
    int m_orderTimeLeft = -1;
    int m_orderedWorkers = -1;
    int m_textHoldCountdown = -1;
};
