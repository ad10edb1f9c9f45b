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
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "game/nodes/GTwoSpritesProgressBarNode.h"

#include <cmath>

namespace {

constexpr float kArrivalPointMerge = 3.0f;
constexpr int32_t kSoundFadeOutMs = 1000;

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
        getLevelScene()->recalculate();
}

void GBuildingNode::setLuckinessType(int value) {
    m_luckinessType = value;
    if (getLevelScene() && getLevelConfiguration())
        getLevelScene()->recalculate();
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
    // Claiming the served places is the level's economy; the caller's
    // recalculation follows.
    (void)claim;
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

void GBuildingNode::addUniqueUpgrade(const GUniqUpgradeConfig* upgrade) {
    if (!upgrade)
        return;
    m_uniqueUpgrades.push_back(upgrade->Name);
    m_upgradeIncomeBonus += upgrade->UniqUpIncomeBonus;
    m_upgradeGuestsBonus += upgrade->UniqUpGuestsBonus;
}

void GBuildingNode::removeUniqueUpgrade(const GUniqUpgradeConfig* upgrade) {
    if (!upgrade)
        return;
    const int64_t index = m_uniqueUpgrades.indexOf(upgrade->Name);
    if (index < 0)
        return;
    m_uniqueUpgrades.erase(uint32_t(index));
    m_upgradeIncomeBonus -= upgrade->UniqUpIncomeBonus;
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
    // Stagecoaches and guides have their own lists, kept by the walkers'
    // code; every walker counts as present here.
    m_workers.push_back(worker);
    const CRefHandle<GWorkerArrivedMessage> message(new GWorkerArrivedMessage(this, worker));
    sendMessage(message.get());
}

void GBuildingNode::onWorkerLeft(BaseNode* worker) {
    m_timeSinceWorkerLeft = 0;
    const CRefHandle<GWorkerLeavedMessage> message(new GWorkerLeavedMessage(this, worker));
    sendMessage(message.get());
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

void GBuildingNode::attachRandomResource(BaseNode* location) {
    if (!location)
        return;
    static const CName randomResourceName("RandomResource");
    auto* arrival = new BaseNode(CObjectName(), location, nullptr);
    arrival->setName(arrivalPositionName());
    arrival->setPosition(CVector3d(m_resourceWorkerArrivalPoint.x - m_resourceAppearPoint.x,
                                   m_resourceWorkerArrivalPoint.y - m_resourceAppearPoint.y,
                                   m_resourceWorkerArrivalPoint.z - m_resourceAppearPoint.z));
    arrival->release();
    location->setPosition(m_resourceAppearPoint);
    const CRefHandle<CEventManagerAttached> attached(
        new CEventManagerAttached(nodeCast<SceneManager>(getSceneManager<BaseNode>())));
    static_cast<void>(location->handleEvent(attached.get()));
    m_randomResourceTimer = 0;
    m_randomResources.push_back(location);
    location->setName(randomResourceName);
    const GBuildingNode* pile = nodeCast<GBuildingNode>(location);
    const CName pileType = pile && pile->getType() ? pile->getType()->Name : CName();
    const CRefHandle<GRandomResourceAppearedMessage> message(new GRandomResourceAppearedMessage(this, pileType));
    sendMessage(message.get());
}

bool GBuildingNode::canSpawnRandomResource() const {
    return m_reachable && m_requiredServices && isOperating() && m_randomResources.empty();
}

void GBuildingNode::updateReachability() {
    m_reachable = false;
    IGameLevel* level = getLevelScene();
    const GBuildingNode* headquarters = level ? nodeCast<GBuildingNode>(level->getHeadquarters()) : nullptr;
    if (isVisible() && isEnabled() && headquarters) {
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
    }
    if (m_unreachableMarker)
        m_unreachableMarker->setVisible(!m_reachable);
}

bool GBuildingNode::update(uint32_t elapsed) {
    const int step = elapsed > 1000000u ? 1000000 : int(elapsed);
    m_timeSinceIncome = addAmounts(m_timeSinceIncome, step);
    m_timeSinceBuildOrRepair = addAmounts(m_timeSinceBuildOrRepair, step);
    m_timeSinceWorkerLeft = addAmounts(m_timeSinceWorkerLeft, step);
    m_trainCountdown = addAmounts(m_trainCountdown, -step);
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
    m_serveAreaHull = findIn(this, root, serveAreaHullName());
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

// -- added for tasks44

void GBuildingNode::setWorkersText(int count) {
    if (!m_workersText)
        return;
    if (count == 0) {
        m_workersText->setVisible(false);
        return;
    }
    m_workersText->setVisible(true);
    static const CName textName("Text");
    if (auto* text = nodeCast<TextNode>(m_workersText->findChild(textName, 1)))
        text->setText(CStringW(count));
}

void GBuildingNode::releaseWorkers(bool dropCarried) {
    for (CArray<BaseNode*>* list : {&m_stagecoaches, &m_workers, &m_guides, &m_incomingWorkers}) {
        for (BaseNode* walker : *list) {
            auto* carrier = nodeCast<GObjectNode>(walker);
            if (dropCarried && carrier)
                carrier->clearResources();
        }
        list->clear();
    }
}

void GBuildingNode::releaseWorkersWithResources(const GResourceMap& resources) {
    BaseNode* first = !m_stagecoaches.empty() ? m_stagecoaches[0] : (!m_workers.empty() ? m_workers[0] : nullptr);
    releaseWorkers(true);
    if (auto* carrier = nodeCast<GObjectNode>(first))
        carrier->addResources(resources);
}

void GBuildingNode::removeRandomResources() {
    for (BaseNode* resource : m_randomResources) {
        resource->setVisible(false);
        m_randomResourcesDone.push_back(resource);
    }
    m_randomResources.clear();
}

void GBuildingNode::clearUniqueUpgrades() {
    m_upgradeIncomeBonus = 0;
    m_upgradeGuestsBonus = 0;
    m_uniqueUpgrades.clear();
    setDamageState(DamageNone, true);
    notifyChanged();
}

void GBuildingNode::applyUniqueUpgrade(const GUniqUpgradeConfig* upgrade) {
    if (upgrade && !hasUniqueUpgrade(upgrade->Name))
        addUniqueUpgrade(upgrade);
}

void GBuildingNode::restoreSavedUniqueUpgrades() {
    m_uniqueUpgrades = m_savedUniqueUpgrades;
    m_upgradeIncomeBonus = m_savedUpgradeIncomeBonus;
    m_upgradeGuestsBonus = m_savedUpgradeGuestsBonus;
}
