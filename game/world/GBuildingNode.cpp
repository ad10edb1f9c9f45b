#include "game/world/GBuildingNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/config/GGameMessage.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GNumberText.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GConvexHullNode.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "game/nodes/GTwoSpritesProgressBarNode.h"
#include "game/world/IBuildingWalker.h"
#include "game/world/IStationTrain.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr float kArrivalPointMerge = 3.0f;
constexpr int32_t kSoundFadeOutMs = 1000;
// The outline's delays without the game's settings.
constexpr int kHullShowDelay = 500;
constexpr int kHullHideDelay = 2000;

CName name(const char* text) { return CName(text); }

#define BUILDING_NAME(function, text)                                                                                  \
    CName function() {                                                                                                 \
        static const CName id(text);                                                                                   \
        return id;                                                                                                     \
    }
BUILDING_NAME(featureTextName, "FeatureText")
BUILDING_NAME(smileIconName, "SmileIcon")
BUILDING_NAME(selectorName, "Selector")
BUILDING_NAME(starIconsName, "StarIcons")
BUILDING_NAME(workersTextName, "WorkersText")
BUILDING_NAME(ratingTextName, "RatingText")
BUILDING_NAME(featureIconName, "FeatureIcon")
BUILDING_NAME(featureProgressName, "FeatureProgress")
BUILDING_NAME(resourceAmountTextName, "ResourceAmountText")
BUILDING_NAME(moneyBurstName, "MoneyBurst")
BUILDING_NAME(unreachableMarkerName, "UnreachableMarker")
BUILDING_NAME(licenseName, "License")
BUILDING_NAME(serveAreaMarkerName, "ServeAreaMarker")
BUILDING_NAME(serveAreaHullName, "ServeAreaConvexHull")
BUILDING_NAME(arrivalPositionName, "WorkerArrivalPosition")
BUILDING_NAME(lookPositionName, "WorkerLookPosition")
BUILDING_NAME(resourceAppearName, "ResourceAppearPosition")
BUILDING_NAME(resourceArrivalName, "ResourceWorkerArrivalPosition")
BUILDING_NAME(doneState, "Done")
BUILDING_NAME(hideState, "Hide")
BUILDING_NAME(showStateName, "Show")
BUILDING_NAME(focusState, "Focus")
BUILDING_NAME(killFocusState, "KillFocus")
BUILDING_NAME(pressState, "Press")
BUILDING_NAME(appearState, "Appear")
BUILDING_NAME(disappearState, "Disappear")
BUILDING_NAME(disappearHitState, "DisappearHit")
BUILDING_NAME(alertState, "Alert")
BUILDING_NAME(moneyLetterName, "MoneyLetter")
BUILDING_NAME(normalState, "Normal")
BUILDING_NAME(incomeUpgradeState, "IncomeUpgrade")
BUILDING_NAME(incomeBonusTextName, "IncomeBonusText")
BUILDING_NAME(ratingState, "Rating")
BUILDING_NAME(guestsState, "Guests")
BUILDING_NAME(redState, "Red")
BUILDING_NAME(blueState, "Blue")
BUILDING_NAME(greenState, "Green")
BUILDING_NAME(randomResourceName, "RandomResource")
#undef BUILDING_NAME

// The first direct child named `id` of `node`, then of `root`.
BaseNode* findIn(const BaseNode* node, const BaseNode* root, CName id) {
    BaseNode* found = node ? node->findChild(id, 1) : nullptr;
    return !found && root ? root->findChild(id, 1) : found;
}

// `node` when it is of the kind `typeId` (0 takes any), else null.
BaseNode* ofKind(BaseNode* node, int32_t typeId) { return node && node->isKindOf(typeId) ? node : nullptr; }

void applyState(BaseNode* node, CName state, BaseNode::FallbackFunction fallback = nullptr) {
    if (node)
        node->applyStateRecursive(state, fallback);
}

void setNodeState(BaseNode* node, CName state) {
    if (node)
        node->setState(state, nullptr, CName());
}

void hide(BaseNode* node) {
    if (node)
        node->setVisible(false);
}

// True when `node`'s current state is `state`.
bool isInState(const BaseNode* node, CName state) {
    const CNodeState* current = node ? node->getCurrentState() : nullptr;
    return current && current->getName() == state;
}

IBuildingWalker* walkerOf(BaseNode* node) { return dynamic_cast<IBuildingWalker*>(node); }

void dropLoad(BaseNode* walker) {
    if (auto* object = nodeCast<GObjectNode>(walker))
        object->clearResources();
}

// "+15%", "-5%", "0%".
CStringW percentText(int percent) { return CStringW(percent > 0 ? u"+" : u"") + plainNumber(percent) + u"%"; }

CRandom* randomGenerator() { return CEngineManagers::instance().getRandom(); }

int drawInRange(const GIntRange& range) {
    CRandom* random = randomGenerator();
    return random ? random->nextInRange(range.min, range.max) : range.min;
}

CSoundCueManager* soundCues() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getSoundCueManager() : nullptr;
}

} // namespace

GBuildingNode::GBuildingNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GObjectNode(contentName, parent, sceneManager), m_features(new GActiveFeatureList),
      m_savedFeatures(new GActiveFeatureList), m_type(new GBuildingConfig) {
    setUpdateInterval(BuildingUpdateInterval);
    m_features->setBuilding(this);
    m_savedFeatures->setBuilding(this);
}

GBuildingNode::~GBuildingNode() {
    stopSound();
    m_features->setBuilding(nullptr);
    m_savedFeatures->setBuilding(nullptr);
}

BaseNode* GBuildingNode::create(const CObjectName& name) { return new GBuildingNode(name, nullptr, nullptr); }

const CStringW& GBuildingNode::getTypeName() const {
    static const CStringW name(u"GBuildingNode");
    return name;
}

const CStringW& GBuildingNode::getClassName() const { return GBuildingNode::getTypeName(); }

const CPropertyTable& GBuildingNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GBuildingNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(ControlNode::propertyTable());
        t.add<&GBuildingNode::setLuckinessTypeProperty, &GBuildingNode::getLuckinessTypeProperty>("LuckinessType");
        return t;
    }();
    return table;
}

void GBuildingNode::setLuckinessTypeProperty(const CRefHandle<IPropertyData>& value) {
    setLuckinessType(getPropertyInt(value));
}
CRefHandle<IPropertyData> GBuildingNode::getLuckinessTypeProperty() const {
    return CPropertyDataInt::create(m_luckinessType);
}

void GBuildingNode::writeProperties(CPropertyBag& bag) const {
    GObjectNode::writeProperties(bag);
    if (m_luckinessType != 0)
        bag.setInt("LuckinessType", m_luckinessType);
}

void GBuildingNode::readProperties(const CPropertyBag& bag) {
    GObjectNode::readProperties(bag);
    if (bag.indexOf("LuckinessType") >= 0)
        m_luckinessType = bag.getInt("LuckinessType");
    if (getLevelScene() && getLevelConfiguration())
        updateServiceBonuses();
}

void GBuildingNode::setLuckinessType(int value) {
    m_luckinessType = value;
    if (getLevelScene() && getLevelConfiguration())
        updateServiceBonuses();
}

BaseNode* GBuildingNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GBuildingNode>(parent, sceneManager);
}

void GBuildingNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GObjectNode::copyFrom(source, sceneManager);
    const GBuildingNode* building = nodeCast<GBuildingNode>(source);
    if (!building || building == this)
        return;
    m_luckinessType = building->m_luckinessType;
    m_type = building->m_type;
}

void GBuildingNode::onLoaded() {
    GObjectNode::onLoaded();
    m_loadedSize = getBounds();
    m_loadedHalfSize = CVector3d(m_loadedSize.x * 0.5f, m_loadedSize.y * 0.5f, m_loadedSize.z * 0.5f);
}

void GBuildingNode::registerForRendering(CArray<CRenderItem>& list) {
    if (isVisible())
        GObjectNode::registerForRendering(list);
}

void GBuildingNode::onDescendantRemoved(BaseNode* node) {
    GObjectNode::onDescendantRemoved(node);
    BaseNode** parts[] = {&m_starIcons,          &m_smileIcon,      &m_featureText,   &m_damageIcon,
                          &m_selector,           &m_workersText,    &m_ratingText,    &m_featureIcon,
                          &m_resourceAmountText, &m_moneyBurst,     &m_serveAreaHull, &m_unreachableMarker,
                          &m_licenseMarker,      &m_serveAreaMarker};
    for (BaseNode** part : parts) {
        if (*part && (*part == node || node->isAncestorOf(*part)))
            *part = nullptr;
    }
    if (m_featureProgress && (m_featureProgress == node || node->isAncestorOf(m_featureProgress)))
        m_featureProgress = nullptr;
}

void GBuildingNode::setLevelScene(IGameLevel* level) {
    GObjectNode::setLevelScene(level);
    m_features->setLevel(getLevelScene());
    m_savedFeatures->setLevel(getLevelScene());
    updateServiceBonuses();
}

int GBuildingNode::getGoldIncome() const { return m_type ? m_type->IncomeGold : 0; }

// ---------------------------------------------------------------------------
// Type, task and costs

void GBuildingNode::setType(GBuildingConfig* type, bool restore, bool claim) {
    if (!type)
        return;
    m_previousType = std::move(m_type);
    m_type = CRefHandle<GBuildingConfig>::share(type);
    if (type->ActiveFeatures)
        m_features->copyFrom(*type->ActiveFeatures);
    m_timeSinceIncome = 5000;
    m_randomResourceTimer = 5000;
    m_trainInterval = drawInRange(type->TrainArrivalTimeRange);
    m_trainCountdown = m_trainInterval;
    CRandom* random = randomGenerator();
    m_trainSide = random ? random->nextInRange(0, 1) == 0 : true;
    if (restore) {
        // Both bonuses come back: an upgrade may have given the one and the
        // other.
        m_upgradeIncomeBonus = m_savedUpgradeIncomeBonus;
        m_upgradeGuestsBonus = m_savedUpgradeGuestsBonus;
        m_uniqueUpgrades = m_savedUniqueUpgrades;
        m_damageState = m_savedDamageState;
        m_features->copyFrom(*m_savedFeatures);
    }
    if (type->Kind == GBuildingType::Uniq)
        setDamageState(DamageRestore, false);
    showLevelState(-1, false, 0);
    updateFeatureDisplay();
    if (claim)
        claimServedBuildings();
}

void GBuildingNode::saveCancelState() {
    m_savedUpgradeIncomeBonus = m_upgradeIncomeBonus;
    m_savedUpgradeGuestsBonus = m_upgradeGuestsBonus;
    m_savedUniqueUpgrades = m_uniqueUpgrades;
    m_savedDamageState = m_damageState;
    m_savedFeatures->copyFrom(*m_features);
}

CName GBuildingNode::getPreviousTypeName() const { return m_previousType ? m_previousType->Name : CName(); }

void GBuildingNode::setTask(int kind, IBuildingTask* task) {
    m_taskKind = kind;
    m_task = CRefHandle<IBuildingTask>::share(task);
    showLevelState(-1, false, 0);
    updateFeatureDisplay();
}

int GBuildingNode::cancelTask() {
    if (!m_task)
        return 0;
    const CRefHandle<IBuildingTask> task = m_task;
    return task->cancel();
}

float GBuildingNode::getTaskProgress() const {
    if (m_taskKind == TaskNone)
        return 1.0f;
    return m_task ? m_task->getProgress() : 0.0f;
}

void GBuildingNode::copyCost(GResourceMap& cost, const GBuildingConfig* type,
                             const GBuildingActionConfig GBuildingConfig::*action) const {
    const GBuildingConfig* record = type ? type : m_type.get();
    cost = record ? (record->*action).Resources : GResourceMap();
}

void GBuildingNode::getBuildCost(GResourceMap& cost, const GBuildingConfig* type) const {
    copyCost(cost, type, &GBuildingConfig::Build);
}
void GBuildingNode::getRepairCost(GResourceMap& cost, const GBuildingConfig* type) const {
    copyCost(cost, type, &GBuildingConfig::Repair);
}
void GBuildingNode::getDestroyCost(GResourceMap& cost, const GBuildingConfig* type) const {
    copyCost(cost, type, &GBuildingConfig::Destroy);
}

int GBuildingNode::actionWorkers(const GBuildingConfig* type,
                                 const GBuildingActionConfig GBuildingConfig::*action) const {
    const GBuildingConfig* record = type ? type : m_type.get();
    if (!record)
        return 0;
    const GLevelModifierValues* values = getLevelScene() ? getLevelScene()->getModifierValues() : nullptr;
    const int saved = values ? int(std::floor(values->WorkersCostA + 0.5f)) : 0;
    const int workers = (record->*action).Workers - saved;
    return workers < 1 ? 1 : workers;
}

int GBuildingNode::getBuildWorkers(const GBuildingConfig* type) const {
    return actionWorkers(type, &GBuildingConfig::Build);
}
int GBuildingNode::getRepairWorkers(const GBuildingConfig* type) const {
    return actionWorkers(type, &GBuildingConfig::Repair);
}
int GBuildingNode::getDestroyWorkers(const GBuildingConfig* type) const {
    return actionWorkers(type, &GBuildingConfig::Destroy);
}

bool GBuildingNode::isOperating() const {
    return isVisible() && m_type && m_type->Level > 0 && m_damageState == DamageNone &&
           (m_taskKind == TaskNone || m_taskKind == TaskProduce || m_taskKind == TaskActiveFeature);
}

int GBuildingNode::getGuests(const GBuildingConfig* type) const {
    const GBuildingConfig* record = type ? type : m_type.get();
    if (!record)
        return 0;
    const GLevelModifierValues* values = getLevelScene() ? getLevelScene()->getModifierValues() : nullptr;
    const float factor =
        record->Kind == GBuildingType::Apartment && getLevelConfiguration() && values ? values->GuestsCountM : 1.0f;
    const float guests = float(record->GuestsCount + m_upgradeGuestsBonus + m_guestsBonus) * factor;
    const int rounded = int(std::floor(guests + 0.5f));
    return rounded > 0 ? rounded : 0;
}

int GBuildingNode::getHappiness(const GBuildingConfig* type) const {
    if (!isVisible() || !isEnabled() || !m_type ||
        (m_type->Kind != GBuildingType::Apartment && m_type->Kind != GBuildingType::Uniq))
        return 0;
    const GBuildingConfig* record = type;
    if (!record)
        record = m_taskKind == TaskBuild && m_previousType ? m_previousType.get() : m_type.get();
    return m_happinessBonus + (record->Level > 0 ? record->Happiness : 0);
}

void GBuildingNode::setServiceBonuses(int incomePercent, int guests, int happiness) {
    m_incomeBonus = incomePercent;
    m_guestsBonus = guests;
    m_happinessBonus = happiness;
}

bool GBuildingNode::isRequiredServiceProvided(int place, const GBuildingConfig* type) const {
    if (!type || type->RequiredServeAreas.empty())
        return true;
    IGameLevel* level = getLevelScene();
    if (!level)
        return false;
    for (int i = 0; i < level->getPlaceCount(); ++i) {
        const GBuildingNode* other = nodeCast<GBuildingNode>(level->getPlace(i));
        if (!other || other->m_placeNumber == place || !other->isVisible() || !other->isEnabled() ||
            other->m_taskKind != TaskNone || !other->m_type)
            continue;
        for (const ServeArea& area : other->m_type->ServeAreas) {
            if (type->RequiredServeAreas.indexOf(area.Name) >= 0 &&
                area.covers(other->m_placeNumber, place, type->OccupiedPlaces))
                return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// Unique upgrades and previews

bool GBuildingNode::hasUniqueUpgrade(CName id) const {
    if (id == CName())
        return !m_uniqueUpgrades.empty();
    return m_uniqueUpgrades.indexOf(id) >= 0;
}

void GBuildingNode::applyUniqueUpgrade(const GUniqUpgradeConfig* upgrade) {
    if (!upgrade || m_uniqueUpgrades.indexOf(upgrade->Name) >= 0)
        return;
    if (upgrade->UniqUpIncomeBonus != 0) {
        m_upgradeIncomeBonus += upgrade->UniqUpIncomeBonus;
        showBonusText(1, true);
    } else if (upgrade->UniqUpGuestsBonus != 0) {
        m_upgradeGuestsBonus += upgrade->UniqUpGuestsBonus;
        showBonusText(2, true);
    }
    m_uniqueUpgrades.push_back(upgrade->Name);
}

void GBuildingNode::clearUniqueUpgrades() {
    m_upgradeIncomeBonus = 0;
    m_upgradeGuestsBonus = 0;
    m_uniqueUpgrades.clear();
    setDamageState(DamageNone, true);
    notifyChanged();
}

void GBuildingNode::removeUniqueUpgrade(const GUniqUpgradeConfig* upgrade) {
    if (!upgrade)
        return;
    const int64_t index = m_uniqueUpgrades.indexOf(upgrade->Name);
    if (index < 0)
        return;
    m_uniqueUpgrades.erase(uint32_t(index));
    // Takes back what applying it gave.
    if (upgrade->UniqUpIncomeBonus != 0)
        m_upgradeIncomeBonus -= upgrade->UniqUpIncomeBonus;
    else
        m_upgradeGuestsBonus -= upgrade->UniqUpGuestsBonus;
}

void GBuildingNode::setPreviewType(GBuildingConfig* type) {
    m_previewType = type;
    if (getLevelScene())
        getLevelScene()->recalculate();
}

void GBuildingNode::setIncomeBonusPreview(int bonus) {
    m_incomeBonusPreview = bonus;
    if (getLevelScene())
        getLevelScene()->recalculate();
}

void GBuildingNode::setGuestsBonusPreview(int bonus) {
    m_guestsBonusPreview = bonus;
    if (getLevelScene())
        getLevelScene()->recalculate();
}

void GBuildingNode::notifyChanged() {
    if (!isFocused())
        return;
    const CRefHandle<GBuildingChangedMessage> message(new GBuildingChangedMessage(this, this));
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    static_cast<void>(routeToParent(HandleThenParent, message.get()));
}

// ---------------------------------------------------------------------------
// Walkers and trains

void GBuildingNode::sendMessage(CEvent* message) {
    IGameLevel* level = getLevelScene();
    if (level)
        static_cast<void>(sendToLevel(level->getLevelReceiver(), message));
}

int GBuildingNode::addIncomingWorker(BaseNode* worker) {
    const int64_t index = m_incomingWorkers.indexOf(worker);
    if (index >= 0)
        return int(index);
    m_incomingWorkers.push_back(worker);
    return int(m_incomingWorkers.size()) - 1;
}

void GBuildingNode::removeIncomingWorker(BaseNode* worker) {
    const int64_t index = m_incomingWorkers.indexOf(worker);
    if (index >= 0)
        m_incomingWorkers.eraseSwapLast(uint32_t(index));
}

void GBuildingNode::onWorkerArrived(BaseNode* worker) {
    const int64_t index = m_incomingWorkers.indexOf(worker);
    if (index < 0)
        return;
    m_incomingWorkers.eraseSwapLast(uint32_t(index));
    worker->setVisible(false);
    if (worker->isKindOf(StagecoachTypeId)) {
        if (IBuildingWalker* coach = walkerOf(worker)) {
            for (int i = 0; i < coach->getPassengerCount(); ++i)
                m_workers.push_back(coach->getPassenger(i));
            coach->clearPassengers();
        }
        m_stagecoaches.push_back(worker);
    } else if (worker->isKindOf(GuideTypeId)) {
        m_guides.push_back(worker);
    } else {
        m_workers.push_back(worker);
    }
    const CRefHandle<GWorkerArrivedMessage> message(new GWorkerArrivedMessage(this, worker));
    sendMessage(message.get());
}

void GBuildingNode::onWorkerLeft(BaseNode* worker) {
    m_timeSinceWorkerLeft = 0;
    if (const IBuildingWalker* walker = walkerOf(worker))
        m_leaverVelocity = walker->getVelocity();
    const CRefHandle<GWorkerLeavedMessage> message(new GWorkerLeavedMessage(this, worker));
    sendMessage(message.get());
}

void GBuildingNode::sendHome(BaseNode* walker, bool fromHere, bool dropCarried) {
    if (dropCarried)
        dropLoad(walker);
    if (IBuildingWalker* home = walkerOf(walker)) {
        home->setCarrier(nullptr);
        home->returnHome(!fromHere);
    }
}

void GBuildingNode::releaseWorkers(bool dropCarried) {
    // Walkers call back (removeIncomingWorker, onWorkerLeft) as they are
    // sent: the lists are emptied first and the copies sent.
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CArray<BaseNode*> coaches = std::move(m_stagecoaches);
    const CArray<BaseNode*> incoming = std::move(m_incomingWorkers);
    const CArray<BaseNode*> workers = std::move(m_workers);
    const CArray<BaseNode*> guides = std::move(m_guides);
    m_stagecoaches.clear();
    m_incomingWorkers.clear();
    m_workers.clear();
    m_guides.clear();

    IBuildingWalker* coach = coaches.empty() ? nullptr : walkerOf(coaches[0]);
    for (BaseNode* worker : workers) {
        if (!coach) {
            sendHome(worker, true, dropCarried);
            continue;
        }
        if (dropCarried)
            dropLoad(worker);
        coach->addPassenger(worker);
        if (IBuildingWalker* rider = walkerOf(worker))
            rider->setCarrier(coaches[0]);
        worker->setVisible(false);
    }
    for (BaseNode* stagecoach : coaches) {
        if (IBuildingWalker* walker = walkerOf(stagecoach))
            walker->returnHome(false);
    }
    // A guide goes home with or without a stagecoach here.
    for (BaseNode* guide : guides)
        sendHome(guide, true, dropCarried);
    for (BaseNode* walker : incoming)
        sendHome(walker, false, dropCarried);
}

void GBuildingNode::releaseWorkersWithResources(const GResourceMap& resources) {
    // releaseWorkers (true), with the loads dropped before the output is
    // handed over.
    for (BaseNode* worker : m_workers) {
        dropLoad(worker);
        if (IBuildingWalker* walker = walkerOf(worker))
            walker->setCarriesMaterials(false);
    }
    for (BaseNode* walker : m_guides)
        dropLoad(walker);
    for (BaseNode* walker : m_incomingWorkers)
        dropLoad(walker);
    BaseNode* bearer = nullptr;
    if (!m_workers.empty() || !m_guides.empty())
        bearer = !m_stagecoaches.empty() ? m_stagecoaches[0] : (m_workers.empty() ? nullptr : m_workers[0]);
    if (auto* object = nodeCast<GObjectNode>(bearer))
        object->addResources(resources);
    releaseWorkers(false);
}

void GBuildingNode::onTrainAssigned(BaseNode* train) { m_assignedTrains.push_back(train); }

void GBuildingNode::onTrainArrived(BaseNode* train) {
    const int64_t index = m_assignedTrains.indexOf(train);
    if (index >= 0)
        m_assignedTrains.eraseSwapLast(uint32_t(index));
    m_trains.push_back(train);
    m_noTrainYet = false;
    const CRefHandle<GTrainArrivedMessage> message(new GTrainArrivedMessage(this, train));
    sendMessage(message.get());
    static const CName arrival("TradePostArrival");
    if (CSoundCueManager* cues = soundCues())
        static_cast<void>(cues->play(arrival, false, 0));
}

void GBuildingNode::sendTrainsAway() {
    // A leaving train calls onTrainLeft, which changes the standing list.
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const CArray<BaseNode*> standing = m_trains;
    const CArray<BaseNode*> assigned = std::move(m_assignedTrains);
    m_assignedTrains.clear();
    for (const CArray<BaseNode*>* trains : {&standing, &assigned}) {
        for (BaseNode* train : *trains) {
            if (auto* leaving = dynamic_cast<IStationTrain*>(train))
                leaving->leave();
        }
    }
}

void GBuildingNode::onTrainLeft(BaseNode* train) {
    if (m_type) {
        m_trainInterval = drawInRange(m_type->TrainArrivalTimeRange);
        m_trainCountdown = m_trainInterval;
    }
    CRandom* random = randomGenerator();
    m_trainSide = random ? random->nextInRange(0, 1) == 0 : true;
    const int64_t key = m_trains.indexOf(train);
    if (key >= 0)
        m_trains.eraseSwapLast(uint32_t(key));
    const CRefHandle<GTrainLeavedMessage> message(new GTrainLeavedMessage(this, train, int(key)));
    sendMessage(message.get());
}

CVector2d GBuildingNode::getArrivalPoint() const {
    if (m_chosenArrivalPoint.x != 0.0f || m_chosenArrivalPoint.y != 0.0f)
        return m_chosenArrivalPoint;
    return m_arrivalPoints.empty() ? CVector2d() : m_arrivalPoints[0];
}

GBuildingNode* GBuildingNode::createRandomResourceNode(BaseNode* parent) {
    static const CStringW className(u"GOnRoadLocationNode");
    CNodeFactory* factory = CEngineManagers::instance().getNodeFactory();
    const CRefHandle<BaseNode> node = factory ? factory->createNode(className, CObjectName()) : CRefHandle<BaseNode>();
    auto* location = nodeCast<GBuildingNode>(node.get());
    if (!location || !parent)
        return nullptr;
    parent->addChild(location);
    return location;
}

void GBuildingNode::spawnRandomResource(const GRandomResourceConfig& record, bool animated) {
    IGameLevel* level = getLevelScene();
    BaseNode* parent = level ? level->getOnRoadLocationsNode() : nullptr;
    if (!parent)
        return;
    GBuildingNode* location = createRandomResourceNode(parent);
    if (!location)
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(location);
    location->setLevelScene(level);
    if (const ObjectsConfiguration* objects = getObjectsConfiguration())
        location->setType(objects->findBuilding(record.Template), false, false);
    location->setTemplateName(record.Template);
    const struct {
        const GIntRange& range;
        CName resource;
    } amounts[] = {{record.MaterialsRange, nameIdMaterials()},
                   {record.GoldRange, nameIdGold()},
                   {record.MoneyRange, nameIdMoney()}};
    for (const auto& amount : amounts) {
        if (amount.range.max > 0)
            location->addResource(amount.resource, drawInRange(amount.range));
    }
    attachRandomResource(location, animated);
}

void GBuildingNode::attachRandomResource(GBuildingNode* location, bool animated) {
    if (!location)
        return;
    auto* arrival = new BaseNode(CObjectName(), location, nullptr);
    arrival->setName(arrivalPositionName());
    arrival->setPosition(CVector3d(m_resourceWorkerArrivalPoint.x - m_resourceAppearPoint.x,
                                   m_resourceWorkerArrivalPoint.y - m_resourceAppearPoint.y,
                                   m_resourceWorkerArrivalPoint.z - m_resourceAppearPoint.z));
    arrival->release();
    location->setPosition(m_resourceAppearPoint);
    BaseNode* manager = location->getSceneManager<BaseNode>();
    const CRefHandle<CEventManagerAttached> attached(
        new CEventManagerAttached(nodeCast<SceneManager>(manager ? manager : getSceneManager<BaseNode>())));
    static_cast<void>(location->handleEvent(attached.get()));
    m_randomResourceTimer = 0;
    m_randomResources.push_back(CRefHandle<GBuildingNode>::share(location));
    location->setName(randomResourceName());
    const CName pileType = location->getType() ? location->getType()->Name : CName();
    const CRefHandle<GRandomResourceAppearedMessage> message(new GRandomResourceAppearedMessage(this, pileType));
    sendMessage(message.get());
    if (animated)
        location->startAppear();
    else
        location->showNormal();
}

void GBuildingNode::removeRandomResources() {
    const CArray<CRefHandle<GBuildingNode>> alive = std::move(m_randomResources);
    m_randomResources.clear();
    for (const CRefHandle<GBuildingNode>& location : alive) {
        location->releaseWorkers(false);
        location->setVisible(false);
        m_randomResourcesDone.push_back(location);
    }
}

bool GBuildingNode::canSpawnRandomResource() const {
    return m_reachable && hasRequiredServices() && isOperating() && m_randomResources.empty();
}

void GBuildingNode::startAppear() { applyState(this, appearState()); }

void GBuildingNode::showNormal() { applyState(this, normalState()); }

void GBuildingNode::updateReachability() {
    m_reachable = false;
    if (m_unreachableMarker)
        m_unreachableMarker->setVisible(true);
    IGameLevel* level = getLevelScene();
    const GBuildingNode* headquarters = level ? nodeCast<GBuildingNode>(level->getHeadquarters()) : nullptr;
    if (!isVisible() || !isEnabled() || !headquarters)
        return;
    for (const CRefHandle<GBuildingNode>& location : m_randomResources)
        location->updateReachability();
    const CVector2d from = headquarters->getArrivalPoint();
    int best = -1;
    for (const CVector2d& point : m_arrivalPoints) {
        const int length = level->pathLength(from.x, from.y, point.x, point.y);
        if (length > 0 && (best < 0 || length < best)) {
            best = length;
            m_chosenArrivalPoint = point;
        }
    }
    m_reachable = best > 0;
    if (m_unreachableMarker)
        m_unreachableMarker->setVisible(!m_reachable);
}

void GBuildingNode::updateRandomResources(int elapsed) {
    const GLevelModifierValues* values = getLevelScene() ? getLevelScene()->getModifierValues() : nullptr;
    int step = values && getLevelConfiguration() ? wholeNumber(values->RandomResourceAppearTimeM * float(elapsed)) : 0;
    if (step <= 0)
        step = elapsed;
    m_randomResourceTimer = addAmounts(m_randomResourceTimer, step);

    const GRandomResourceConfig& record = m_type->RandomResource;
    if (record.TimeRange.max > 0 && m_taskKind == TaskNone && m_randomResourceTimer > m_randomResourceInterval) {
        if (m_randomResourceInterval < 1)
            m_randomResourceInterval = drawInRange(record.TimeRange);
        else if (canSpawnRandomResource())
            spawnRandomResource(record, true);
        m_randomResourceTimer = 0;
    }

    for (uint32_t i = 0; i < m_randomResources.size();) {
        if (m_randomResources[i]->getWorkState() == WorkDone) {
            m_randomResourcesDone.push_back(m_randomResources[i]);
            m_randomResources.erase(i);
        } else {
            ++i;
        }
    }
    for (uint32_t i = 0; i < m_randomResourcesDone.size();) {
        const CRefHandle<GBuildingNode> location = m_randomResourcesDone[i];
        if (location->getTimeSinceWorkerLeft() <= RandomResourceKeepMs) {
            ++i;
            continue;
        }
        m_randomResourcesDone.erase(i);
        if (BaseNode* parent = location->getParent())
            static_cast<void>(parent->removeChild(location.get()));
    }
}

bool GBuildingNode::update(uint32_t elapsed) {
    IGameLevel* level = getLevelScene();
    if (level && level->isLevelPaused())
        return true;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const int step = elapsed > 1000000u ? 1000000 : int(elapsed);
    if (m_taskKind == TaskNone && m_reachable && hasRequiredServices() && m_features->size() > 0) {
        m_features->updateAll(uint32_t(step), false);
        updateFeatureDisplay();
    }
    m_timeSinceIncome = addAmounts(m_timeSinceIncome, step);
    m_timeSinceBuildOrRepair = addAmounts(m_timeSinceBuildOrRepair, step);
    m_timeSinceWorkerLeft = addAmounts(m_timeSinceWorkerLeft, step);
    m_trainCountdown = addAmounts(m_trainCountdown, -step);
    runHullCountdowns(step);
    updateRandomResources(step);
    // A replaced damage icon goes once its "Disappear" has played.
    for (uint32_t i = m_fadingIcons.size(); i-- > 0;) {
        BaseNode* icon = m_fadingIcons[i].get();
        const CNodeState* state = icon->getCurrentState();
        if (state && state->getName() == disappearState() && state->getPending() > 0)
            continue;
        if (BaseNode* parent = icon->getParent())
            static_cast<void>(parent->removeChild(icon));
        m_fadingIcons.erase(i);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Economy

GBuildingNode* GBuildingNode::placeAt(int index) const {
    IGameLevel* level = getLevelScene();
    return level ? nodeCast<GBuildingNode>(level->getPlace(index)) : nullptr;
}

bool GBuildingNode::servesWith(const GBuildingConfig* type) const {
    return getLevelScene() && takesPart() && type && m_placeNumber >= 0;
}

const CArray<ServeArea>& GBuildingNode::serveAreasInForce(const GBuildingConfig* type) const {
    const GActiveFeature* active = m_features->findActive();
    if (active && !active->UseServeAreaFromParentBuilding)
        return active->ServeAreas;
    return type->ServeAreas;
}

GBuildingNode* GBuildingNode::getProvider(int kind, CName serveName) const {
    if (kind < 0 || kind >= ProviderKindCount)
        return nullptr;
    const auto found = m_providers[kind].find(serveName);
    return found == m_providers[kind].end() ? nullptr : found->value;
}

bool GBuildingNode::acceptsProvider(int kind, CName serveName, const GBuildingNode* place) const {
    const GBuildingNode* provider = getProvider(kind, serveName);
    return !provider || provider == place;
}

void GBuildingNode::claimServedBuildings() {
    CArray<GBuildingNode*> places;
    getBuildingsInServeArea(places, m_type.get());
    for (GBuildingNode* place : places) {
        for (int kind = 0; kind < ProviderKindCount; ++kind) {
            if (!place->getProvider(kind, m_type->ServeName))
                place->m_providers[kind][m_type->ServeName] = this;
        }
    }
}

void GBuildingNode::releaseServedBuildings() {
    // Every record naming this place goes, also where the areas in force
    // have changed since the claim (a feature ended): a stale record would
    // keep the place from every other provider.
    IGameLevel* level = getLevelScene();
    const int count = level ? level->getPlaceCount() : 0;
    for (int i = 0; i < count; ++i) {
        GBuildingNode* place = placeAt(i);
        if (!place)
            continue;
        for (CMap<CName, GBuildingNode*>& providers : place->m_providers) {
            for (auto& entry : providers) {
                if (entry.value == this)
                    entry.value = nullptr;
            }
        }
    }
}

void GBuildingNode::getBuildingsInServeArea(CArray<GBuildingNode*>& out, const GBuildingConfig* type) const {
    out.clear();
    IGameLevel* level = getLevelScene();
    if (!servesWith(type))
        return;
    const CArray<ServeArea>& areas = serveAreasInForce(type);
    for (int i = 0; i < level->getPlaceCount(); ++i) {
        GBuildingNode* place = placeAt(i);
        if (!place || place == this || !place->takesPart() || place->m_placeNumber < 0)
            continue;
        if (serveAreasCover(areas, m_placeNumber, place->m_placeNumber, place->m_type->OccupiedPlaces) &&
            out.indexOf(place) < 0)
            out.push_back(place);
    }
}

void GBuildingNode::sumServiceBonuses(bool preview, int& income, int& guests, int& happiness) const {
    income = guests = happiness = 0;
    IGameLevel* level = getLevelScene();
    const int count = level && m_placeNumber >= 0 ? level->getPlaceCount() : 0;
    // An area Name counts once per bonus, whoever gives it.
    CArray<CName> countedIncome;
    CArray<CName> countedGuests;
    CArray<CName> countedHappiness;
    for (int i = 0; i < count; ++i) {
        const GBuildingNode* place = placeAt(i);
        if (!place || place == this || !place->takesPart() || place->m_placeNumber < 0)
            continue;
        const GBuildingConfig* type = preview && place->m_previewType ? place->m_previewType : place->m_type.get();
        if (!type)
            continue;
        for (const ServeArea& area : place->serveAreasInForce(type)) {
            if (!area.covers(place->m_placeNumber, m_placeNumber, m_type->OccupiedPlaces))
                continue;
            if (acceptsProvider(ProvidesIncomeBonus, type->ServeName, place) && countedIncome.indexOf(area.Name) < 0) {
                if (const int bonus = area.getIncomeBonus(place)) {
                    income += bonus;
                    countedIncome.push_back(area.Name);
                }
            }
            // An empty place earns a bonus but has no guests to gain or
            // please.
            if (m_type->Level <= 0)
                continue;
            if (acceptsProvider(ProvidesGuests, type->ServeName, place) && countedGuests.indexOf(area.Name) < 0) {
                if (const int bonus = area.getGuestsAddBonus(place)) {
                    guests += bonus;
                    countedGuests.push_back(area.Name);
                }
            }
            if (acceptsProvider(ProvidesHappiness, type->ServeName, place) && countedHappiness.indexOf(area.Name) < 0) {
                if (const int bonus = area.getHappinessBonus(place)) {
                    happiness += bonus;
                    countedHappiness.push_back(area.Name);
                }
            }
        }
    }
    if (const LevelConfiguration* configuration = getLevelConfiguration()) {
        if (m_luckinessType == -1)
            income += configuration->IncomeBonus2;
        else if (m_luckinessType == 1)
            income += configuration->IncomeBonus1;
    }
}

void GBuildingNode::updateServiceBonuses() {
    if (!m_type)
        return;
    if (m_type->Kind != GBuildingType::Apartment && m_type->Kind != GBuildingType::BuildingPlace) {
        // Only apartments and empty places are served: a place built over
        // keeps no bonus of the empty place it was.
        setServiceBonuses(0, 0, 0);
        return;
    }
    if (!takesPart())
        return;
    int income = 0;
    int guests = 0;
    int happiness = 0;
    sumServiceBonuses(false, income, guests, happiness);
    setServiceBonuses(addAmounts(income, m_upgradeIncomeBonus), guests, happiness);
    showServiceBonuses();
}

void GBuildingNode::showServiceBonuses() {
    if (!m_type || !takesPart() ||
        (m_type->Kind != GBuildingType::Apartment && m_type->Kind != GBuildingType::BuildingPlace))
        return;
    int income = 0;
    int guests = 0;
    int happiness = 0;
    sumServiceBonuses(true, income, guests, happiness);
    showIncomeBonus(income);
    showHappinessBonus(happiness);
    updateBonusText();
}

void GBuildingNode::getServeIncome(GResourceMap& out, const GBuildingConfig* type) const {
    out.clear();
    IGameLevel* level = getLevelScene();
    if (!type || !level || m_placeNumber < 0)
        return;
    const CArray<ServeArea>& areas = serveAreasInForce(type);
    int money = 0;
    float gold = 0.0f;
    for (int i = 0; i < level->getPlaceCount(); ++i) {
        const GBuildingNode* place = placeAt(i);
        if (!place || place == this || place->m_placeNumber < 0 || !place->m_reachable ||
            !place->hasRequiredServices() || place->m_taskKind != TaskNone || place->m_damageState != DamageNone)
            continue;
        // A place two areas cover is served twice.
        for (const ServeArea& area : areas) {
            if (!area.covers(m_placeNumber, place->m_placeNumber, place->m_type->OccupiedPlaces) ||
                !place->acceptsProvider(ProvidesServeIncome, type->ServeName, this))
                continue;
            const int guests = place->getGuests();
            money = addAmounts(
                money, int(std::clamp(int64_t(guests) * area.ServeIncome, int64_t(INT32_MIN), int64_t(INT32_MAX))));
            gold += float(guests) * area.ServeIncomeGold;
        }
    }
    out[nameIdMoney()] = money;
    out[nameIdGold()] = wholeNumber(std::floor(gold + 0.5f));
}

float GBuildingNode::getIncome(const GBuildingConfig* type) const {
    const GBuildingConfig* record = type ? type : m_type.get();
    if (!record || record->Level <= 0)
        return 0.0f;
    GResourceMap serve;
    getServeIncome(serve, record);
    const float value = float(serve[nameIdMoney()]) + record->Income * (1.0f + float(m_incomeBonus) * 0.01f);
    return value > 0.0f ? value : 0.0f;
}

int GBuildingNode::getIncomeGold(const GBuildingConfig* type) const {
    const GBuildingConfig* record = type ? type : m_type.get();
    if (!record || record->Level <= 0)
        return 0;
    GResourceMap serve;
    getServeIncome(serve, record);
    const int gold = addAmounts(record->IncomeGold, serve[nameIdGold()]);
    return gold > 0 ? gold : 0;
}

int GBuildingNode::getServedGuestsCount(const GBuildingConfig* type) const {
    CArray<GBuildingNode*> places;
    getBuildingsInServeArea(places, type);
    int guests = 0;
    for (const GBuildingNode* place : places) {
        if (place->m_reachable && place->hasRequiredServices() && place->m_taskKind == TaskNone &&
            place->m_damageState == DamageNone && place->acceptsProvider(ProvidesServeIncome, type->ServeName, this))
            guests = addAmounts(guests, place->getGuests());
    }
    return guests;
}

void GBuildingNode::getServedBuildings(CArray<GBuildingNode*>& out, const GBuildingConfig* type) {
    out.clear();
    IGameLevel* level = getLevelScene();
    if (!servesWith(type))
        return;
    const CArray<ServeArea>& areas = serveAreasInForce(type);
    for (int i = 0; i < level->getPlaceCount(); ++i) {
        GBuildingNode* place = placeAt(i);
        if (!place || place->m_placeNumber < 0)
            continue;
        if (place != this &&
            (place->m_type->Kind == GBuildingType::MajorOffice || !place->takesPart() ||
             !place->acceptsProvider(ProvidesServeIncome, type->ServeName, this) || place->m_type->Name == type->Name))
            continue;
        for (const ServeArea& area : areas) {
            if (area.covers(m_placeNumber, place->m_placeNumber, place->m_type->OccupiedPlaces)) {
                out.push_back(place);
                place->m_serveColor = area.Color;
                break;
            }
        }
    }
}

bool GBuildingNode::overlapsOtherProvider(const GBuildingConfig* type) const {
    IGameLevel* level = getLevelScene();
    if (!servesWith(type))
        return false;
    for (int i = 0; i < level->getPlaceCount(); ++i) {
        const GBuildingNode* place = placeAt(i);
        if (!place || place->m_placeNumber < 0 || !place->takesPart() ||
            (place->m_type->Kind != GBuildingType::Apartment && place->m_type->Kind != GBuildingType::BuildingPlace))
            continue;
        if (!serveAreasCover(type->ServeAreas, m_placeNumber, place->m_placeNumber, place->m_type->OccupiedPlaces))
            continue;
        const GBuildingNode* provider = place->getProvider(ProvidesServeIncome, type->ServeName);
        if (provider && provider != this)
            return true;
    }
    return false;
}

void GBuildingNode::updateRequiredServices() {
    m_requiredServices =
        m_type && (m_type->Level == 0 || (getLevelScene() && isRequiredServiceProvided(m_placeNumber, m_type.get())));
    if (!m_licenseMarker)
        return;
    if (m_requiredServices) {
        if (!isInState(m_licenseMarker, disappearState()))
            setNodeState(m_licenseMarker, disappearState());
    } else if (m_reachable) {
        m_licenseMarker->setVisible(true);
        if (!isInState(m_licenseMarker, appearState()))
            setNodeState(m_licenseMarker, appearState());
    }
}

int GBuildingNode::getWorkersLimit() const {
    const LevelConfiguration* configuration = getLevelConfiguration();
    if (!configuration)
        return 0;
    const int guests = getLevelScene()->getLevelGuests();
    // A step of 0 or below would divide by zero: the limit does not grow.
    const int step = configuration->WorkersIncreaseGuestsStep;
    return addAmounts(configuration->InitWorkersLimit, step > 0 ? guests / step : 0);
}

int GBuildingNode::getGuestsForWorkers(int count) const {
    const LevelConfiguration* configuration = getLevelConfiguration();
    if (!configuration || count <= configuration->InitWorkersLimit)
        return 0;
    const int64_t guests =
        (int64_t(count) - configuration->InitWorkersLimit) * configuration->WorkersIncreaseGuestsStep;
    return int(std::clamp(guests, int64_t(0), int64_t(INT32_MAX)));
}

// ---------------------------------------------------------------------------
// Labels and the serve-area display

void GBuildingNode::showIncomeBonus(int percent) {
    auto* label = nodeCast<TextNode>(m_smileIcon);
    if (!label || percent == -1)
        return;
    const bool served = m_type && (m_type->Kind == GBuildingType::BuildingPlace ||
                                   (m_type->Kind == GBuildingType::Apartment && isOperating()));
    if (percent == 0 || !served || m_taskKind != TaskNone) {
        label->setVisible(false);
        return;
    }
    label->setText(percentText(percent));
    setNodeState(label, percent < 0 ? redState() : (percent < 15 ? blueState() : greenState()));
    label->setVisible(true);
}

void GBuildingNode::showHappinessBonus(int value) {
    auto* label = nodeCast<TextNode>(m_ratingText);
    if (!label || value == -1)
        return;
    if (value == 0 || !m_type || m_type->Kind != GBuildingType::Apartment || !isOperating()) {
        label->setVisible(false);
        return;
    }
    setNodeState(label, value < 0 ? redState() : greenState());
    label->setText(plainNumber(std::abs(value)));
    label->setVisible(true);
}

void GBuildingNode::setIncomeTextState(int kind) {
    static const CName highlight("Highlight");
    static const CName negativeIncome("NegativeIncome");
    setNodeState(m_smileIcon, kind == 1 ? highlight : (kind == -1 ? negativeIncome : normalState()));
}

void GBuildingNode::writeIncomeUpgradeText() {
    auto* text = nodeCast<TextNode>(m_smileIcon ? m_smileIcon->findChild(incomeBonusTextName(), 0) : nullptr);
    if (!text)
        return;
    applyState(m_smileIcon, incomeUpgradeState());
    text->setText(percentText(m_incomeBonus));
}

void GBuildingNode::showIncomeUpgrade() {
    if (m_smileIcon && m_ratingText && m_upgradeIncomeBonus != 0)
        writeIncomeUpgradeText();
}

void GBuildingNode::showIncomeUpgradeFor(const GBuildingNode* building) {
    if (!building || !building->m_type || !m_smileIcon || m_incomeBonus == 0)
        return;
    if (getProvider(ProvidesIncomeBonus, building->m_type->ServeName) == building)
        writeIncomeUpgradeText();
}

void GBuildingNode::showBonusText(int kind, bool upgraded) {
    if (!m_featureText)
        return;
    if (kind != 1 && kind != 2) {
        m_featureText->setVisible(false);
        return;
    }
    static const CName ratingUpgrade("RatingUpgrade");
    static const CName guestsUpgrade("GuestsUpgrade");
    if (kind == 1)
        applyState(m_featureText, upgraded ? ratingUpgrade : ratingState());
    else
        applyState(m_featureText, upgraded ? guestsUpgrade : guestsState());
    m_featureText->setVisible(true);
}

void GBuildingNode::updateBonusText() {
    if (!m_featureText)
        return;
    const bool working = m_taskKind == TaskNone || m_taskKind == TaskProduce || m_taskKind == TaskActiveFeature;
    if (!isVisible() || !m_type || m_type->Level <= 0 || m_damageState != DamageNone || !working) {
        m_featureText->setVisible(false);
        return;
    }
    if (m_upgradeIncomeBonus != 0) {
        applyState(m_featureText, ratingState());
        if (m_incomeBonusPreview == -1)
            applyState(m_featureText, normalState());
    } else if (m_incomeBonusPreview != -1) {
        applyState(m_featureText, ratingState());
    } else if (m_upgradeGuestsBonus != 0) {
        applyState(m_featureText, guestsState());
        if (m_guestsBonusPreview == -1)
            applyState(m_featureText, normalState());
    } else if (m_guestsBonusPreview != -1) {
        applyState(m_featureText, guestsState());
    } else {
        m_featureText->setVisible(false);
        return;
    }
    m_featureText->setVisible(true);
}

void GBuildingNode::updateFeatureDisplay() {
    const GActiveFeature* first = m_features->get(0);
    const bool ready = first && first->getState() == GActiveFeature::Ready;
    if (m_featureIcon) {
        const CName wanted = ready ? appearState() : disappearState();
        if (!isInState(m_featureIcon, wanted))
            setNodeState(m_featureIcon, wanted);
    }
    auto* amount = nodeCast<TextNode>(m_resourceAmountText);
    if (amount && CEngineManagers::instance().getDictionary()) {
        amount->setVisible(ready);
        if (first) {
            if (getGold() >= 1)
                amount->setText(groupedNumber(getGold()));
            else if (getMoney() > 0)
                amount->setText(moneyText(getMoney()));
            else
                amount->setText(CStringW(u"0"));
        }
    }
    if (m_featureProgress) {
        m_featureProgress->setVisible(first != nullptr);
        // The bar empties as the feature runs and fills as it recharges.
        if (first)
            m_featureProgress->setValue(1.0f - first->getProgressRatio());
    }
}

void GBuildingNode::loadFeatureRewards() {
    const GActiveFeature* first = m_features->get(0);
    if (!first)
        return;
    m_features->rollAll();
    clearResources();
    addResources(first->getReward());
}

void GBuildingNode::setWorkersText(int count) {
    if (m_workersText) {
        m_workersText->setVisible(count != 0);
        if (count != 0) {
            static const CName textName("Text");
            if (auto* text = nodeCast<TextNode>(m_workersText->findChild(textName, 1)))
                text->setText(plainNumber(count));
        }
    }
    updateFeatureDisplay();
}

void GBuildingNode::showServeAreaMarker(bool show) {
    if (!m_serveAreaMarker)
        return;
    if (show) {
        if (!isInState(m_serveAreaMarker, m_serveColor)) {
            setNodeState(m_serveAreaMarker, m_serveColor);
            applyState(m_selector, m_serveColor);
        }
    } else if (!m_serveAreaMarker->getCurrentState() || isInState(m_serveAreaMarker, disappearState()) ||
               isInState(m_serveAreaMarker, hideState())) {
        setNodeState(m_serveAreaMarker, hideState());
    } else {
        setNodeState(m_serveAreaMarker, disappearState());
    }
    m_serveMarkerShown = show;
}

void GBuildingNode::setServeAreaMarkerRole(bool source) {
    static const CName sourceState("Source");
    static const CName receiverState("Receiver");
    applyState(m_serveAreaMarker, source ? sourceState : receiverState);
    m_serveMarkerSource = source;
}

void GBuildingNode::showServeArea(const CArray<GBuildingNode*>& places) {
    if (!m_serveAreaHull)
        return;
    m_serveAreaHull->setVisible(true);
    m_outlinedPlaces.clear();
    for (GBuildingNode* place : places)
        m_outlinedPlaces.push_back(place);
    const GlobalConfig* global = getLevelScene() ? getLevelScene()->getGlobalConfig() : nullptr;
    m_hullShowCountdown = global ? global->ServeAreaHullShowDelay : kHullShowDelay;
}

void GBuildingNode::hideServeArea() {
    if (!m_serveAreaHull)
        return;
    m_hullShowCountdown = -1;
    m_hullHideCountdown = -1;
    m_outlinedPlaces.clear();
    if (!isInState(m_serveAreaHull, disappearState()))
        setNodeState(m_serveAreaHull, disappearState());
}

void GBuildingNode::runHullCountdowns(int elapsed) {
    if (m_hullShowCountdown > 0) {
        m_hullShowCountdown -= elapsed;
        auto* hull = nodeCast<GConvexHullNode>(m_serveAreaHull);
        if (m_hullShowCountdown <= 0 && hull && !isInState(hull, appearState())) {
            hull->buildAround(m_outlinedPlaces, this);
            setNodeState(hull, appearState());
            const GlobalConfig* global = getLevelScene() ? getLevelScene()->getGlobalConfig() : nullptr;
            m_hullHideCountdown = global ? global->ServeAreaHullHideDelay : kHullHideDelay;
        }
    }
    if (m_hullHideCountdown > 0) {
        m_hullHideCountdown -= elapsed;
        if (m_hullHideCountdown <= 0)
            hideServeArea();
    }
}

// ---------------------------------------------------------------------------
// Children and states

BaseNode* GBuildingNode::cloneTemplate(CName id, BaseNode* parent) {
    SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* source = collection ? collection->findTemplate(id) : nullptr;
    if (!source || !parent)
        return nullptr;
    return source->clone(parent, manager);
}

void GBuildingNode::bindChildren() {
    ControlNode* root = getTemplateRoot();
    BaseNode* cloneParent = root;

    m_featureText = ofKind(findIn(this, root, featureTextName()), SpriteNode::TypeId);
    if (!m_featureText)
        m_featureText = cloneTemplate(featureTextName(), cloneParent);
    if (m_featureText) {
        hide(m_featureText);
        m_featureText->setNotSerialised(true);
    }

    m_smileIcon = ofKind(findIn(this, root, smileIconName()), TextNode::TypeId);
    if (!m_smileIcon && (m_smileIcon = cloneTemplate(smileIconName(), cloneParent))) {
        hide(m_smileIcon);
        m_smileIcon->setNotSerialised(true);
    }

    m_selector = findIn(this, root, selectorName());
    if (m_selector && isFocused()) {
        setNodeState(m_selector, focusState());
        if (root)
            root->setTintColor(CColor(0xFFFFFFFFu));
    }

    m_starIcons = root ? root->findChild(starIconsName(), 1) : nullptr;
    if (m_starIcons && m_type)
        showLevelState(m_type->Level, false, 0);

    m_workersText = findIn(this, root, workersTextName());
    if (!m_workersText && (m_workersText = cloneTemplate(workersTextName(), cloneParent)))
        m_workersText->setNotSerialised(true);
    hide(m_workersText);

    m_ratingText = ofKind(findIn(this, root, ratingTextName()), TextNode::TypeId);
    if (!m_ratingText && (m_ratingText = cloneTemplate(ratingTextName(), cloneParent)))
        m_ratingText->setNotSerialised(true);
    hide(m_ratingText);

    if (root) {
        m_featureIcon = root->findChild(featureIconName(), 2);
        setNodeState(m_featureIcon, hideState());
        m_featureProgress = nodeCast<GTwoSpritesProgressBarNode>(root->findChild(featureProgressName(), 2));
        if (m_featureProgress) {
            hide(m_featureProgress);
            m_featureProgress->setMinValue(0.0f);
            m_featureProgress->setMaxValue(1.0f);
        }
        m_resourceAmountText = ofKind(root->findChild(resourceAmountTextName(), 2), TextNode::TypeId);
        hide(m_resourceAmountText);
    }

    if (!m_moneyBurst && (m_moneyBurst = cloneTemplate(moneyBurstName(), this)))
        hide(m_moneyBurst);

    m_unreachableMarker = findIn(this, root, unreachableMarkerName());
    if (!m_unreachableMarker && (m_unreachableMarker = cloneTemplate(unreachableMarkerName(), cloneParent)))
        m_unreachableMarker->setNotSerialised(true);

    if (!m_licenseMarker && (m_licenseMarker = cloneTemplate(licenseName(), this))) {
        hide(m_licenseMarker);
        m_licenseMarker->setCanBeHit(false);
        setNodeState(m_licenseMarker, disappearState());
    }

    m_serveAreaMarker = root ? root->findChild(serveAreaMarkerName(), 1) : nullptr;
}

void GBuildingNode::takeArrivalPoints() {
    ControlNode* root = getTemplateRoot();
    const CVector3d& at = getPosition();
    const CVector2d pivot = getPivotPoint();
    const float left = at.x - pivot.x;
    const float top = at.y - pivot.y;

    m_arrivalPoints.clear();
    for (const BaseNode* parent : {static_cast<const BaseNode*>(this), static_cast<const BaseNode*>(root)}) {
        if (!parent)
            continue;
        for (const BaseNode* child : parent->getChildren()) {
            if (child->getName() == arrivalPositionName())
                m_arrivalPoints.push_back(CVector2d(left + child->getPosition().x, top + child->getPosition().y));
        }
    }
    // A later point close to an earlier one is the same point.
    for (uint32_t i = 0; i < m_arrivalPoints.size(); ++i) {
        for (uint32_t j = m_arrivalPoints.size(); j-- > i + 1;) {
            const float dx = m_arrivalPoints[j].x - m_arrivalPoints[i].x;
            const float dy = m_arrivalPoints[j].y - m_arrivalPoints[i].y;
            if (std::sqrt(dx * dx + dy * dy) < kArrivalPointMerge)
                m_arrivalPoints.erase(j);
        }
    }
    if (m_arrivalPoints.empty()) {
        const CVector3d& size = getBounds();
        m_arrivalPoints.push_back(CVector2d(std::floor(left + size.x * 0.5f + 0.5f), top + size.y));
    }

    if (const BaseNode* look = findIn(this, root, lookPositionName()))
        m_lookPoint = CVector2d(left + look->getPosition().x, top + look->getPosition().y);
    else if (root)
        m_lookPoint = CVector2d(left + root->getBounds().x * 0.5f, top + root->getBounds().y * 0.5f);

    if (const BaseNode* appear = findIn(this, root, resourceAppearName()))
        m_resourceAppearPoint = at + appear->getPosition();
    if (const BaseNode* arrival = findIn(this, root, resourceArrivalName()))
        m_resourceWorkerArrivalPoint = at + arrival->getPosition();
}

void GBuildingNode::showUnreachableMarker() {
    const bool hidden = m_taskKind != TaskNone || m_damageState == DamageBroken;
    applyState(m_unreachableMarker, hidden ? hideState() : showStateName());
}

void GBuildingNode::applySceneryStates() {
    IGameLevel* level = getLevelScene();
    const GlobalConfig* global = level ? level->getGlobalConfig() : nullptr;
    if (!global)
        return;
    static const CName showSnow("ShowSnow");
    static const CName hideSnow("HideSnow");
    const int number = level->getLevelNumber();
    applyState(this, global->levelSettingIndex(number) == 3 ? showSnow : hideSnow);
    applyState(this, global->levelSettingStateName(number));
}

void GBuildingNode::applyTemplate() {
    m_starIcons = m_smileIcon = m_featureText = m_damageIcon = m_selector = nullptr;
    m_workersText = m_ratingText = m_featureIcon = m_resourceAmountText = nullptr;
    m_featureProgress = nullptr;
    m_unreachableMarker = m_serveAreaMarker = m_serveAreaHull = nullptr;
    if (!getSceneManager<BaseNode>() || !isVisible() || !isEnabled())
        return;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    ControlNode::applyTemplate();
    ControlNode* root = getTemplateRoot();
    if (root)
        applyState(this, doneState());
    bindChildren();
    takeArrivalPoints();
    updateReachability();
    if (m_unreachableMarker) {
        m_unreachableMarker->setVisible(!m_reachable);
        showUnreachableMarker();
    }
    m_serveAreaHull = ofKind(findIn(this, root, serveAreaHullName()), GConvexHullNode::TypeId);
    hide(m_serveAreaHull);
    applySceneryStates();
    showLevelState(-1, false, 0);
    setDamageState(m_damageState, false);

    CUpdateScheduler* scheduler = getStateScheduler();
    if (scheduler && scheduler != getScheduler())
        setScheduler(scheduler);
}

void GBuildingNode::showPressState() { applyState(this, pressState()); }

void GBuildingNode::onHoverChanged() {
    IGameLevel* level = getLevelScene();
    if (level && level->isLevelPaused())
        return;
    static const CName focusHover("FocusHover");
    static const CName normalHover("NormalHover");
    static const CName focusKillHover("FocusKillHover");
    static const CName normalKillHover("NormalKillHover");
    const bool hovered = isHovered();
    const bool focused = isFocused();
    applyState(this, hovered ? (focused ? focusHover : normalHover) : (focused ? focusKillHover : normalKillHover));
}

void GBuildingNode::onFocusChanged() {
    IGameLevel* level = getLevelScene();
    if ((level && level->isLevelPaused()) || isPressed() || isClickLatched())
        return;
    if (!isFocused()) {
        applyState(this, killFocusState(), &ControlNode::getFallbackState);
        return;
    }
    if (m_type && m_type->Kind == GBuildingType::Uniq && m_taskKind == TaskRepair) {
        applyState(m_selector, focusState(), &ControlNode::getFallbackState);
        return;
    }
    applyState(this, focusState(), &ControlNode::getFallbackState);
}

bool GBuildingNode::isHitAt(int32_t x, int32_t y) { return getNodeAt(CVector3d(float(x), float(y), 0.0f)) != nullptr; }

bool GBuildingNode::onMouseDown(CEventMouseLeftDown* event) {
    if (!isEnabled() || !isHitAt(event->getX(), event->getY()))
        return false;
    if (!isClickLatched())
        setPressed(true);
    return true;
}

bool GBuildingNode::onMouseUp(CEventMouseLeftUp* event) {
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    if (!isEnabled() || !isHitAt(event->getX(), event->getY())) {
        setPressed(false);
        return false;
    }
    if (isPressed())
        static_cast<void>(click());
    return false;
}

void GBuildingNode::showLevelState(int level, bool levelUp, int mode) {
    if (!m_starIcons || !m_type)
        return;
    if (level == -1) {
        if (m_taskKind == TaskBuild) {
            if (!m_previousType) {
                hide(m_starIcons);
                return;
            }
            level = m_previousType->Level;
        } else {
            level = m_type->Level;
        }
    }
    if (level == 0 || m_type->Kind != GBuildingType::Apartment) {
        hide(m_starIcons);
        return;
    }
    m_starIcons->setVisible(true);
    static const CName levelStates[] = {name("Level0"), name("Level1"), name("Level2"), name("Level3")};
    static const CName levelUpStates[] = {name("LevelUp0"), name("LevelUp1"), name("LevelUp2"), name("LevelUp3")};
    static const CName nextStates[] = {name("NextLevel0"), name("NextLevel1"), name("NextLevel2")};
    if (mode == 0) {
        if (level >= 1 && level <= 4)
            applyState(m_starIcons, levelStates[level - 1]);
        applyState(m_starIcons, levelUpStates[0]);
        if (levelUp && level >= 1 && level <= 4)
            applyState(m_starIcons, levelUpStates[level - 1]);
    } else if (mode == 1) {
        if (level >= 1 && level <= 3)
            applyState(m_starIcons, nextStates[level - 1]);
        else if (level == 4)
            applyState(m_starIcons, hideState());
    } else if (mode == 2) {
        applyState(m_starIcons, hideState());
    }
}

void GBuildingNode::setDamageState(int state, bool force) {
    if (state == DamageBroken && (!m_mayBreak || !canBeHit()))
        return;
    if (!force && (!m_reachable || !hasRequiredServices()))
        return;
    if (m_damageIcon) {
        setNodeState(m_damageIcon, disappearState());
        m_fadingIcons.push_back(CRefHandle<BaseNode>::share(m_damageIcon));
        m_damageIcon = nullptr;
    }
    m_damageState = state;
    SceneManager* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    if (!manager || !manager->getTemplateCollection())
        return;
    static const CName repairIcon("RepairIcon");
    static const CName dirtyIcon("DirtyIcon");
    CName icon;
    if (state == DamageBroken)
        icon = repairIcon;
    else if (state == DamageDirty)
        icon = dirtyIcon;
    showUnreachableMarker();
    if (icon == CName())
        return;
    m_damageIcon = cloneTemplate(icon, this);
    if (m_damageIcon) {
        m_damageIcon->setVisible(true);
        setNodeState(m_damageIcon, appearState());
    }
    // A broken place shows no upgrade badge.
    if (state == DamageBroken)
        updateBonusText();
}

void GBuildingNode::previewTemplate(const GBuildingConfig* type) {
    if (!m_type)
        return;
    ControlNode* root = nullptr;
    if (type) {
        if (m_type->Level != 0 || type->Name == getTemplateName())
            return;
        setTemplateName(type->Name);
        if ((root = getTemplateRoot()))
            root->setTintColor(CColor(0xCCFFFFFFu));
        return;
    }
    if (m_type->Name == getTemplateName())
        return;
    setTemplateName(m_type->Name);
    if ((root = getTemplateRoot()))
        root->setTintColor(CColor(0xFFFFFFFFu));
    if (isFocused())
        applyState(this, focusState(), &ControlNode::getFallbackState);
}

CName GBuildingNode::getSoundCueName() const {
    if (!m_type)
        return CName();
    static const CName broken("Broken");
    static const CName building("Building");
    static const CName lumberMill("WorkedLumberMill");
    static const CName goldenMine("WorkedGoldenMine");
    static const CName buttonClick("ButtonClick");
    static const CName lumberMill1("LumberMill1");
    static const CName lumberMill2("LumberMill2");
    static const CName goldenMine1("GoldenMine1");
    if (m_damageState == DamageBroken)
        return broken;
    switch (m_taskKind) {
    case TaskNone:
        return m_type->SelectedSoundCueName;
    case TaskBuild:
    case TaskRepair:
    case TaskUniqueUpgrade:
        return building;
    case TaskProduce:
        if (m_type->Name == lumberMill1 || m_type->Name == lumberMill2)
            return lumberMill;
        return m_type->Name == goldenMine1 ? goldenMine : CName();
    case TaskDestroy:
        return buttonClick;
    default:
        return CName();
    }
}

SoundCue* GBuildingNode::playSound() {
    const CName cue = getSoundCueName();
    if (m_sound && m_sound->getName() == cue && m_sound->getState() != 0)
        return m_sound.get();
    stopSound();
    CSoundCueManager* cues = soundCues();
    if (!cues || cue == CName())
        return nullptr;
    m_sound = CRefHandle<SoundCue>::share(cues->play(cue, m_taskKind == TaskNone, 0));
    return m_sound.get();
}

void GBuildingNode::stopSound() {
    if (!m_sound)
        return;
    const CRefHandle<SoundCue> sound = std::move(m_sound);
    m_sound.reset();
    static_cast<void>(sound->stop(kSoundFadeOutMs));
}

bool GBuildingNode::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    BaseNode* node = event->getNode();
    const CName state = event->getStateId();
    if (node && node->getName() == moneyLetterName() && (state == disappearState() || state == disappearHitState())) {
        const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(node);
        if (BaseNode* parent = node->getParent())
            static_cast<void>(parent->removeChild(node));
        return true;
    }
    // A pile or obstacle that has appeared can be clicked.
    auto* location = node && node->isKindOf(OnRoadLocationTypeId) ? static_cast<GBuildingNode*>(node) : nullptr;
    if (location && state == appearState() && location->getWorkState() == WorkAvailable) {
        static const CName firstOnRoad("FirstOnRoad");
        location->makeHittable();
        applyState(location, normalState());
        if (location->isReachable())
            applyState(location, firstOnRoad);
        return true;
    }
    return ControlNode::onAllChildrenFinished(event);
}

void updateIncomeClock(BaseNode* clock, float fraction) {
    if (!clock || clock->getChildren().size() < 3)
        return;
    const int angle = int(std::floor(fraction * 360.0f + 0.5f));
    if (auto* sector = nodeCast<GEllipseSectorNode>(clock->getChildren()[1])) {
        sector->setAngle2(angle);
        const CColor green(0xFF00FF00u);
        const CColor yellow(0xFFFFFF00u);
        const CColor red(0xFFFF0000u);
        sector->setFillColor(angle <= 180 ? yellow.lerp(green, fraction * 2.0f)
                                          : red.lerp(yellow, (fraction - 0.5f) * 2.0f));
        const CNodeState* current = sector->getCurrentState();
        if (fraction > 0.75f && !(current && current->getName() == alertState())) {
            static const CName timedActionEnd("TimedActionEnd");
            if (CSoundCueManager* cues = soundCues())
                static_cast<void>(cues->play(timedActionEnd, false, 0));
            sector->setState(alertState(), nullptr, CName());
        }
    }
    clock->getChildren()[2]->setRotation(CVector3d(0.0f, 0.0f, float(angle)));
}
