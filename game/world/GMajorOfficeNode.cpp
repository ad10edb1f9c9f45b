#include "game/world/GMajorOfficeNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/config/GGameMessage.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GNumberText.h"
#include "game/config/GWorkerConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GEllipseProgressBarNode.h"
#include "game/nodes/GParticlesMovableNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GHeadquartersOperations.h"
#include "game/world/GWorkerNode.h"
#include "game/world/GWorkerSpacing.h"

#include <cmath>
#include <utility>

namespace {

#define OFFICE_NAME(function, text)                                                                                    \
    CName function() {                                                                                                 \
        static const CName id(text);                                                                                   \
        return id;                                                                                                     \
    }
OFFICE_NAME(workerTemplate, "Worker1")
OFFICE_NAME(stagecoachTemplate, "Dilizhans1")
OFFICE_NAME(guideTemplate, "Gertruda1")
OFFICE_NAME(textName, "Text")
OFFICE_NAME(workersAmountName, "WorkersAmount")
OFFICE_NAME(workersAnimationName, "WorkersAmountAnimation")
OFFICE_NAME(clockTowerName, "ClockTower")
OFFICE_NAME(workersProgressName, "WorkersProgress")
OFFICE_NAME(incomeControlName, "ObjectsIncomeControl")
OFFICE_NAME(moneyBurstName, "MoneyBurst")
OFFICE_NAME(questControllerName, "QuestParticleController")
OFFICE_NAME(progressDisappearState, "WorkersProgressDisappear")
OFFICE_NAME(objectIncomeState, "ObjectIncome")
OFFICE_NAME(questIncomeState, "QuestIncome")
OFFICE_NAME(questAppearState, "QuestAppearParticles")
OFFICE_NAME(questArrivalState, "Disappear1")
OFFICE_NAME(questTargetState, "OpenClosed")
OFFICE_NAME(workersTrainedCue, "WorkersTrained")
OFFICE_NAME(goToMajorCue, "GoToMajor")
#undef OFFICE_NAME

// The container `name` (`depth` levels deep) among the node's children, then
// the template root's (the node's again without one).
BaseNode* findContainer(const BaseNode* node, const BaseNode* root, CName name, int depth) {
    BaseNode* found = node->findChild(name, depth);
    return found ? found : (root ? root : node)->findChild(name, depth);
}

// The direct child `name` of `container` when it is a T.
template <class T> T* childOf(const BaseNode* container, CName name) {
    return container ? nodeCast<T>(container->findChild(name, 1)) : nullptr;
}

void playCue(CName cue) {
    CEngine* engine = findEngineInstance();
    if (CSoundCueManager* cues = engine ? engine->getSoundCueManager() : nullptr)
        static_cast<void>(cues->play(cue, false, 0));
}

// Moves `amount` of `resource` from `from` to `to`.
void moveResource(GObjectNode* from, GObjectNode* to, CName resource, int amount) {
    from->addResource(resource, -amount);
    to->addResource(resource, amount);
}

bool isPlainWorker(const BaseNode* walker) {
    return walker && !walker->isKindOf(GDilizhansNode::TypeId) && !walker->isKindOf(GGertrudaNode::TypeId);
}

} // namespace

GMajorOfficeNode::GMajorOfficeNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBuildingNode(contentName, parent, sceneManager), m_spacing(new GWorkerSpacing) {
    setMayBreak(false);
}

GMajorOfficeNode::~GMajorOfficeNode() = default;

BaseNode* GMajorOfficeNode::create(const CObjectName& name) { return new GMajorOfficeNode(name, nullptr, nullptr); }

const CStringW& GMajorOfficeNode::getTypeName() const {
    static const CStringW name(u"GMajorOfficeNode");
    return name;
}

const CStringW& GMajorOfficeNode::getClassName() const { return GMajorOfficeNode::getTypeName(); }

BaseNode* GMajorOfficeNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GMajorOfficeNode>(parent, sceneManager);
}

void GMajorOfficeNode::onDescendantRemoved(BaseNode* node) {
    GBuildingNode::onDescendantRemoved(node);
    const auto gone = [node](const BaseNode* part) { return part && (part == node || node->isAncestorOf(part)); };
    if (gone(m_workersAmountText))
        m_workersAmountText = nullptr;
    if (gone(m_workersProgress))
        m_workersProgress = nullptr;
    if (gone(m_workersAnimationText))
        m_workersAnimationText = nullptr;
    if (gone(m_incomeText))
        m_incomeText = nullptr;
    if (gone(m_questController))
        m_questController = nullptr;
}

// ---------------------------------------------------------------------------
// Children and states

void GMajorOfficeNode::applyTemplate() {
    m_workersAmountText = nullptr;
    m_workersProgress = nullptr;
    m_workersAnimationText = nullptr;
    m_incomeText = nullptr;
    m_questController = nullptr;
    if (!getSceneManager<BaseNode>())
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    GBuildingNode::applyTemplate();
    const BaseNode* root = getTemplateRoot();
    m_workersAmountText = childOf<TextNode>(findContainer(this, root, workersAmountName(), 1), textName());
    m_workersAnimationText = childOf<TextNode>(findContainer(this, root, workersAnimationName(), 3), textName());
    m_workersProgress =
        childOf<GEllipseProgressBarNode>(findContainer(this, root, clockTowerName(), 3), workersProgressName());
    m_incomeText = childOf<TextNode>(findContainer(this, root, incomeControlName(), 2), textName());
    // The headquarters has no money burst.
    if (BaseNode* burst = findContainer(this, root, moneyBurstName(), 1)) {
        if (BaseNode* parent = burst->getParent())
            static_cast<void>(parent->removeChild(burst));
    }
    m_questController = findContainer(this, root, questControllerName(), 2);
    updateWorkersText();
}

void GMajorOfficeNode::updateReachability() {
    setReachable(true);
    if (!getArrivalPoints().empty())
        setChosenArrivalPoint(getArrivalPoints()[0]);
}

void GMajorOfficeNode::updateWorkersText() {
    if (m_textHoldCountdown > 0 || !m_workersAmountText)
        return;
    const CStringW text = plainNumber(GBuildingNode::getWorkersCount()) + u"/" + plainNumber(int(m_allWorkers.size()));
    if (m_workersAnimationText)
        m_workersAnimationText->setText(text);
    m_workersAmountText->setText(text);
}

bool GMajorOfficeNode::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    if (GBuildingNode::onAllChildrenFinished(event))
        return true;
    const CName state = event->getStateId();
    if (state == progressDisappearState()) {
        m_textHoldCountdown = -1;
        updateWorkersText();
        return true;
    }
    if (state != objectIncomeState() && state != questIncomeState())
        return false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (!m_popups.empty() && m_popups[0].shown)
        m_popups.erase(0);
    if (state == questIncomeState())
        startQuestParticles();
    if (!m_popups.empty() && m_incomeText && !m_popups[0].shown) {
        m_questItemOnShow = m_popups[0].questItem;
        showPopup(m_popups[0]);
    }
    return true;
}

void GMajorOfficeNode::showPopup(IncomePopup& popup) {
    applyStateRecursive(popup.resource, nullptr);
    if (!popup.questItem && m_incomeText)
        m_incomeText->setText(groupedNumber(popup.amount));
    popup.shown = true;
    m_popupOnShow = true;
}

// ---------------------------------------------------------------------------
// Income popups and quest particles

void GMajorOfficeNode::queueIncomePopup(const GResourceMap& resources) {
    const bool wasEmpty = m_popups.empty();
    for (const auto& entry : resources) {
        if (!isStandardResource(entry.key)) {
            m_popups.push_back({entry.key, entry.value, false, true});
            continue;
        }
        if (entry.value < 1)
            continue;
        IncomePopup* queued = nullptr;
        for (IncomePopup& popup : m_popups) {
            if (popup.resource == entry.key && !popup.shown && !popup.questItem) {
                queued = &popup;
                break;
            }
        }
        if (queued)
            queued->amount = addAmounts(queued->amount, entry.value);
        else
            m_popups.push_back({entry.key, entry.value, false, false});
    }
    if (!m_popups.empty() && m_incomeText && wasEmpty && !m_popups[0].shown) {
        showPopup(m_popups[0]);
        m_questItemOnShow = m_popups[0].questItem;
    }
}

void GMajorOfficeNode::startQuestParticles() {
    if (!m_questController)
        return;
    BaseNode* manager = getSceneManager<BaseNode>();
    auto* mover = new GParticlesMovableNode(CObjectName(), this, manager);
    BaseNode* copy = m_questController->clone(m_questController->getParent(), manager);
    if (copy)
        copy->setNotSerialised(true);
    IGameLevel* level = getLevelScene();
    const GlobalConfig* global = level ? level->getGlobalConfig() : nullptr;
    const int velocity = global ? global->VelocityParticles : 300;
    if (!mover->start(copy, m_questTarget.get(), velocity, questAppearState(), questArrivalState(),
                      questTargetState())) {
        // Nothing to fly to: neither the mover nor the copy stays behind.
        if (copy && copy->getParent())
            static_cast<void>(copy->getParent()->removeChild(copy));
        static_cast<void>(removeChild(mover));
    }
    mover->release();
}

// ---------------------------------------------------------------------------
// Update

void GMajorOfficeNode::sendToLevelScene(CEvent* message) {
    if (IGameLevel* level = getLevelScene())
        static_cast<void>(sendToLevel(level->getLevelReceiver(), message));
}

void GMajorOfficeNode::setWorkerOrder(int count, int deliveryTime) {
    m_orderTotalTime = deliveryTime;
    m_orderTimeLeft = deliveryTime;
    m_orderedWorkers = count;
    if (m_workersProgress) {
        m_workersProgress->setMinValue(0.0f);
        m_workersProgress->setMaxValue(float(deliveryTime));
        m_workersProgress->setValue(0.0f);
    }
}

bool GMajorOfficeNode::update(uint32_t elapsed) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    static_cast<void>(GBuildingNode::update(elapsed));
    m_spacing->update(elapsed);
    const int dt = elapsed > 1000000u ? 1000000 : int(elapsed);
    if (m_textHoldCountdown > 0)
        m_textHoldCountdown -= dt;

    bool delivered = false;
    if (m_orderTimeLeft >= 0) {
        IGameLevel* level = getLevelScene();
        const GLevelModifierValues* values = level ? level->getModifierValues() : nullptr;
        int step = values ? int(std::trunc(float(dt) * values->WorkerDeliveryTimeM)) : dt;
        if (step <= 0)
            step = dt;
        m_orderTimeLeft -= step;
        if (m_workersProgress)
            m_workersProgress->setValue(float(m_orderTotalTime - m_orderTimeLeft));
        if (m_orderTimeLeft < 0) {
            m_textHoldCountdown = DeliveryTextHold;
            applyStateRecursive(progressDisappearState(), nullptr);
            playCue(workersTrainedCue());
            m_orderTimeLeft = -1;
            spawnWorkers(m_orderedWorkers);
            const CRefHandle<GWorkersTrainedMessage> message(new GWorkersTrainedMessage(m_orderedWorkers));
            sendToLevelScene(message.get());
            delivered = true;
        }
    }

    if (m_popupOnShow) {
        if (m_questItemOnShow) {
            m_questItemOnShow = false;
            applyStateRecursive(questIncomeState(), nullptr);
        } else {
            applyStateRecursive(objectIncomeState(), nullptr);
        }
        if (m_popups.empty() || m_popups[0].resource != nameIdBurstMoney())
            playCue(goToMajorCue());
        m_popupOnShow = false;
    }

    if (delivered) {
        const CRefHandle<GLevelStatsChangedMessage> message(new GLevelStatsChangedMessage);
        postDeferredToParent(message.get(), CEventReceiver::HandleThenParent);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Characters

template <class T> void GMajorOfficeNode::spawn(CName templateName, int count, CArray<CRefHandle<T>>& all) {
    SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* source = collection ? collection->findTemplate(templateName) : nullptr;
    IGameLevel* level = getLevelScene();
    BaseNode* layer = level ? level->getWalkerLayer() : nullptr;
    if (!source || !source->isKindOf(T::TypeId) || !layer)
        return;
    ObjectsConfiguration* objects = level->getObjectsConfiguration();
    GWorkerConfig* config = objects ? objects->findWorker(templateName) : nullptr;
    for (int i = 0; i < count; ++i) {
        BaseNode* made = source->clone(layer, manager);
        T* walker = nodeCast<T>(made);
        if (!walker) {
            if (made && made->getParent())
                static_cast<void>(made->getParent()->removeChild(made));
            continue;
        }
        if (config)
            walker->setWorkerConfig(config);
        walker->setCanBeHit(false);
        walker->setLevelScene(level);
        all.push_back(CRefHandle<T>::share(walker));
        joinSpacing(walker);
        walker->returnHome(false);
    }
}

void GMajorOfficeNode::spawnWorkers(int count) { spawn<GWorkerNode>(workerTemplate(), count, m_allWorkers); }

void GMajorOfficeNode::spawnStagecoaches(int count) {
    spawn<GDilizhansNode>(stagecoachTemplate(), count, m_allStagecoaches);
}

void GMajorOfficeNode::spawnGuides(int count) { spawn<GGertrudaNode>(guideTemplate(), count, m_allGuides); }

void GMajorOfficeNode::joinSpacing(GWorkerNode* walker) { m_spacing->addWorker(walker); }

void GMajorOfficeNode::addWorker(GWorkerNode* worker) {
    if (!worker)
        return;
    m_allWorkers.push_back(CRefHandle<GWorkerNode>::share(worker));
    joinSpacing(worker);
}

int GMajorOfficeNode::getReturningWorkersCount() const {
    int count = 0;
    for (BaseNode* walker : getIncomingWorkers()) {
        const auto* worker = nodeCast<GWorkerNode>(walker);
        if (worker && isPlainWorker(worker) && worker->isEmpty())
            ++count;
    }
    return count;
}

int GMajorOfficeNode::getWorkersCount() const { return GBuildingNode::getWorkersCount() + getReturningWorkersCount(); }

void GMajorOfficeNode::takeLoad(GWorkerNode* walker) {
    if (!walker->isLoadSettled())
        queueIncomePopup(walker->getResources());
    GResourceMap load;
    walker->takeResources(load);
    addResources(load);
}

void GMajorOfficeNode::onWorkerArrived(BaseNode* walker) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (auto* stagecoach = nodeCast<GDilizhansNode>(walker)) {
        for (GWorkerNode* passenger : stagecoach->getPassengers())
            takeLoad(passenger);
        takeLoad(stagecoach);
    } else if (auto* worker = nodeCast<GWorkerNode>(walker)) {
        takeLoad(worker);
    }
    GBuildingNode::onWorkerArrived(walker);
    if (IGameLevel* level = getLevelScene())
        level->recalculate();
    updateWorkersText();
}

void GMajorOfficeNode::onWorkerLeft(BaseNode* walker) {
    GBuildingNode::onWorkerLeft(walker);
    if (IGameLevel* level = getLevelScene())
        level->recalculate();
    updateWorkersText();
}

// ---------------------------------------------------------------------------
// Dispatch

void GMajorOfficeNode::load(GWorkerNode* walker, const GResourceMap& share, GResourceMap& remainder) {
    for (const auto& entry : share)
        moveResource(this, walker, entry.key, entry.value);
    for (const auto& entry : remainder)
        moveResource(this, walker, entry.key, entry.value);
    remainder.clear();
}

void GMajorOfficeNode::sortByDistance(CArray<Candidate>& candidates) {
    // A heapsort: equal distances come out in the order it gives them.
    const auto siftDown = [&candidates](uint32_t root, uint32_t end) {
        for (uint32_t child = 2 * root + 1; child < end; child = 2 * root + 1) {
            if (child + 1 < end && candidates[child + 1].distance > candidates[child].distance)
                ++child;
            if (!(candidates[root].distance < candidates[child].distance))
                return;
            std::swap(candidates[root], candidates[child]);
            root = child;
        }
    };
    const uint32_t count = candidates.size();
    if (count < 2)
        return;
    for (uint32_t parent = (count - 2) / 2 + 1; parent-- > 0;)
        siftDown(parent, count);
    for (uint32_t end = count - 1; end > 0; --end) {
        std::swap(candidates[0], candidates[end]);
        siftDown(0, end);
    }
}

bool GMajorOfficeNode::dispatchWorkers(GBuildingNode* target, const GResourceMap& resources, uint32_t count) {
    if (!target || count == 0 || uint32_t(getWorkersCount()) < count || !target->isReachable())
        return false;
    GResourceMap share;
    GResourceMap remainder;
    for (const auto& entry : resources) {
        if (!getResources().contains(entry.key) || getResource(entry.key) < entry.value)
            return false;
        const int each = entry.value / int(count);
        share.insert(entry.key, each);
        remainder.insert(entry.key, entry.value - int(count) * each);
    }
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);

    CArray<Candidate> candidates;
    CArray<BaseNode*>& incoming = incomingWorkers();
    for (uint32_t i = 0; i < incoming.size();) {
        auto* worker = nodeCast<GWorkerNode>(incoming[i]);
        if (worker && isPlainWorker(worker) && worker->isEmpty()) {
            candidates.push_back({worker, FarDistance});
            incoming.erase(i);
        } else {
            ++i;
        }
    }

    IGameLevel* level = getLevelScene();
    const CVector2d to = target->getArrivalPoint();
    uint32_t wanted = count;
    const auto sendCandidate = [&] {
        GWorkerNode* walker = candidates[0].walker;
        candidates.erase(0);
        load(walker, share, remainder);
        walker->setLoadSettled(true);
        walker->retarget(target, true);
        --wanted;
    };
    if (!candidates.empty()) {
        const CVector2d from = getArrivalPoint();
        int headquarters = level ? level->pathLength(from.x, from.y, to.x, to.y) : -1;
        if (headquarters <= 0)
            headquarters = FarDistance;
        for (Candidate& candidate : candidates) {
            const CVector3d& at = candidate.walker->getPosition();
            const int length = level ? level->pathLength(at.x, at.y, to.x, to.y) : -1;
            if (length > 0)
                candidate.distance = length;
        }
        sortByDistance(candidates);
        while (wanted > 0 && !candidates.empty() && candidates[0].distance <= headquarters)
            sendCandidate();
    }

    CArray<BaseNode*>& present = workersPresent();
    CArray<BaseNode*>& stagecoaches = stagecoachesPresent();
    const GlobalConfig* global = level ? level->getGlobalConfig() : nullptr;
    const uint32_t groupSize =
        uint32_t(global && global->MinimumWorkersInDilizhans > 0 ? global->MinimumWorkersInDilizhans : 5);
    GDilizhansNode* stagecoach = nullptr;
    if (wanted >= groupSize && !stagecoaches.empty() && !present.empty()) {
        stagecoach = nodeCast<GDilizhansNode>(stagecoaches[stagecoaches.size() - 1]);
        if (stagecoach)
            stagecoaches.pop_back();
    }
    while (!present.empty() && wanted > 0) {
        auto* worker = nodeCast<GWorkerNode>(present[present.size() - 1]);
        present.pop_back();
        if (!worker)
            continue;
        load(worker, share, remainder);
        if (stagecoach) {
            stagecoach->addPassenger(worker);
            worker->setCarrier(stagecoach);
        } else {
            worker->setLoadSettled(true);
            worker->sendTo(target, false);
        }
        --wanted;
    }
    if (stagecoach) {
        if (stagecoach->getPassengers().empty()) {
            stagecoaches.push_back(stagecoach);
        } else {
            stagecoach->setLoadSettled(true);
            stagecoach->sendTo(target, false);
        }
    }

    while (wanted > 0 && !candidates.empty())
        sendCandidate();
    for (const Candidate& candidate : candidates)
        incoming.push_back(candidate.walker);
    updateWorkersText();
    return true;
}

bool GMajorOfficeNode::sendGuide(GBuildingNode* location, const GResourceMap& resources) {
    CArray<BaseNode*>& guides = guidesPresent();
    if (!location || guides.empty() || !location->isReachable())
        return false;
    auto* guide = nodeCast<GGertrudaNode>(guides[guides.size() - 1]);
    guides.pop_back();
    if (!guide)
        return false;
    guide->clearResources();
    if (hasResources(resources) && location->getBuildWorkers() == 1) {
        for (const auto& entry : resources)
            moveResource(this, guide, entry.key, entry.value);
    }
    guide->setLoadSettled(true);
    guide->sendTo(location, false);
    return true;
}

void GMajorOfficeNode::activateFeature(GBuildingNode* building, int index) {
    static_cast<void>(startFeature(*this, building, index));
}
