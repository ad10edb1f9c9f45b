#include "game/world/GGameLevelScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CLog.h"
#include "engine/core/CRandom.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventFocused.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CEventUnfocused.h"
#include "engine/scene/CEventUnhovered.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"
#include "game/config/GActiveFeature.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GFeatureMessages.h"
#include "game/config/GLevelModifier.h"
#include "game/config/GNumberText.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/LevelModifiers.h"
#include "game/config/ObjectivesGroup.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/RandomEvents.h"
#include "game/nodes/GPolygonNode.h"
#include "game/nodes/GWeatherParticlesNode.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GWGridNode.h"
#include "game/world/ILevelParts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr uint32_t kOverlayLineColor = 0xFF00FF00u;

const CName& nameOf(const char* text, CName& slot) {
    if (slot == CName())
        slot = CName(text);
    return slot;
}

#define LEVEL_NAME(function, text)                                                                                     \
    CName function() {                                                                                                 \
        static CName name;                                                                                             \
        return nameOf(text, name);                                                                                     \
    }

LEVEL_NAME(wgridName, "WGrid")
LEVEL_NAME(buildingsName, "Buildings")
LEVEL_NAME(locationsName, "OnRoadLocations")
LEVEL_NAME(railwaysName, "Railways")
LEVEL_NAME(cargosName, "Cargos")
LEVEL_NAME(effectsName, "Effects")
LEVEL_NAME(smokeName, "Smoke")
LEVEL_NAME(progressName, "Progress")
LEVEL_NAME(textName, "Text")
LEVEL_NAME(backgroundLayer, "Background")
LEVEL_NAME(buildingPlaceName, "BuildingPlace")
LEVEL_NAME(stationName, "RailRoadStation1")
LEVEL_NAME(trainTemplateName, "Train1")
LEVEL_NAME(letterTemplateName, "MoneyLetter")
LEVEL_NAME(pileTemplateName, "OnRoadMaterials")
LEVEL_NAME(moneyName, "Money")
LEVEL_NAME(goldName, "Gold")
LEVEL_NAME(materialsName, "Materials")
LEVEL_NAME(workersName, "Workers")
LEVEL_NAME(appearState, "Appear")
LEVEL_NAME(disappearState, "Disappear")
LEVEL_NAME(disappearHitState, "DisappearHit")
LEVEL_NAME(jumpState, "Jump")
LEVEL_NAME(objectIncomeState, "ObjectIncome")
LEVEL_NAME(incomeControlName, "ObjectsIncomeControl")
LEVEL_NAME(incomeCue, "Income")
LEVEL_NAME(objFoundCue, "ObjFound")
LEVEL_NAME(moneyLetterCue, "MoneyLetter")
LEVEL_NAME(brokenCue, "Broken")
LEVEL_NAME(takeFeatureCue, "TakeFeature")
LEVEL_NAME(readyFeatureCue, "ReadyFeature")
LEVEL_NAME(rainCue, "Rain")

#undef LEVEL_NAME

// The sound groups the level's own sounds play in.
constexpr int32_t kLevelSoundGroup = 2;

void playCue(CName cue, bool unique) {
    CEngine* engine = findEngineInstance();
    CSoundCueManager* cues = engine ? engine->getSoundCueManager() : nullptr;
    if (cues)
        static_cast<void>(cues->play(cue, unique, 0));
}

CRandom* engineRandom() { return CEngineManagers::instance().getRandom(); }

// min + (max - min) x a fast random fraction; min for an empty range.
float drawFloat(float min, float max) {
    if (max - min == 0.0f)
        return min;
    CRandom* generator = engineRandom();
    return min + (max - min) * (generator ? generator->nextFastFloat() : 0.0f);
}

int drawInt(int min, int max) {
    CRandom* generator = engineRandom();
    return generator ? generator->nextInRange(min, max) : min;
}

CName typeNameOf(const GBuildingNode* place) {
    const GBuildingConfig* type = place ? place->getType() : nullptr;
    return type ? type->Name : CName();
}

bool isStation(const GBuildingConfig* type) { return type && type->Name == stationName(); }

void setNodeState(BaseNode* node, CName state) {
    if (node)
        node->setState(state, nullptr, CName());
}

// A child of the node, else of its template root, looked for two levels deep.
BaseNode* findInBuilding(const GBuildingNode* building, CName name) {
    if (BaseNode* found = building->findChild(name, 2))
        return found;
    const ControlNode* root = building->getTemplateRoot();
    return root ? root->findChild(name, 2) : nullptr;
}

// Half the Bounds of the node's template root (or its own without one).
CVector2d halfBounds(const ControlNode* node) {
    const BaseNode* sized = node->getTemplateRoot() ? static_cast<const BaseNode*>(node->getTemplateRoot()) : node;
    const CVector3d& bounds = sized->getBounds();
    return {bounds.x * 0.5f, bounds.y * 0.5f};
}

CVector2d position2d(const BaseNode* node) {
    const CVector3d& position = node->getPosition();
    return {position.x, position.y};
}

// Sets the "Progress" clock of a letter to `fraction`.
void setLetterProgress(BaseNode* letter, float fraction) {
    if (BaseNode* progress = letter ? letter->findChild(progressName(), 1) : nullptr)
        updateIncomeClock(progress, fraction);
}

// A place's random resources are listed as nodes or as counted references.
template <class T> BaseNode* nodeOf(T* node) { return node; }
template <class T> BaseNode* nodeOf(const CRefHandle<T>& node) { return node.get(); }

// The place takes the pile as its random resource; where piles can appear
// animated, this one does.
template <class Place> void attachPile(Place* place, GBuildingNode* pile) {
    if constexpr (requires { place->attachRandomResource(pile, true); })
        place->attachRandomResource(pile, true);
    else
        place->attachRandomResource(pile);
}

bool contains(const CArray<CName>& names, CName name) {
    for (CName entry : names)
        if (entry == name)
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// The seams to the world objects the level drives

ILevelLocation* levelLocationOf(BaseNode* node) {
    return node && node->isKindOf(ILevelLocation::TypeId) ? dynamic_cast<ILevelLocation*>(node) : nullptr;
}

ILevelHeadquarters* levelHeadquartersOf(BaseNode* node) {
    return node && node->isKindOf(ILevelHeadquarters::TypeId) ? dynamic_cast<ILevelHeadquarters*>(node) : nullptr;
}

ILevelTrain* levelTrainOf(BaseNode* node) {
    return node && node->isKindOf(ILevelTrain::TypeId) ? dynamic_cast<ILevelTrain*>(node) : nullptr;
}

// ---------------------------------------------------------------------------
// Class

GGameLevelScene::GGameLevelScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : SceneNode(contentName, parent, sceneManager) {
    setUpdateInterval(TickInterval);
    m_walkerLayer.reset(new BaseNode(CObjectName(), nullptr, sceneManager));
    m_trainLayer.reset(new BaseNode(CObjectName(), nullptr, sceneManager));
    addChild(m_walkerLayer.get());
    addChild(m_trainLayer.get());
}

GGameLevelScene::~GGameLevelScene() {
    setScheduler(nullptr);
    if (m_buildingsNode)
        m_buildingsNode->removePostHandler(this);
    resumeStoppedScheduler();
    if (m_levelConfiguration)
        m_levelConfiguration->getRandomEvents()->stopAll();
    clearLevelModifiers();
    for (BaseNode* letter : m_letters)
        letter->release();
    m_letters.clear();
    m_levelConfiguration.reset();
    m_objectsConfiguration.reset();
    m_weatherNode.reset();
    m_walkerLayer.reset();
    m_trainLayer.reset();
    if (CEngine* engine = findEngineInstance())
        if (CSoundCueManager* cues = engine->getSoundCueManager())
            cues->stopGroup(kLevelSoundGroup);
    m_pathFinder.freeArrays();
}

BaseNode* GGameLevelScene::create(const CObjectName& name) { return new GGameLevelScene(name, nullptr, nullptr); }

const CStringW& GGameLevelScene::getTypeName() const {
    static const CStringW name(u"GGameLevelScene");
    return name;
}

const CStringW& GGameLevelScene::getClassName() const { return GGameLevelScene::getTypeName(); }

BaseNode* GGameLevelScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GGameLevelScene>(parent, sceneManager);
}

const CEventHandlerTable& GGameLevelScene::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GGameLevelScene::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(ControlNode::handlerTable());
        t.add<&GGameLevelScene::onAllChildrenFinished>(CEventNodeStateCompleted::TypeId);
        t.add<&GGameLevelScene::onKeyUp>(CEventKeyUp::TypeId);
        t.add<&GGameLevelScene::onSceneStarted>(CEventSceneChangeStarted::TypeId);
        t.add<&GGameLevelScene::onClickStarted>(CEventClickStarted::TypeId);
        t.add<&GGameLevelScene::onClicked>(CEventClicked::TypeId);
        t.add<&GGameLevelScene::onHovered>(CEventHovered::TypeId);
        t.add<&GGameLevelScene::onUnhovered>(CEventUnhovered::TypeId);
        t.add<&GGameLevelScene::onFocused>(CEventFocused::TypeId);
        t.add<&GGameLevelScene::onUnfocused>(CEventUnfocused::TypeId);
        t.add<&GGameLevelScene::onResourcesProduced>(GResourcesProducedMessage::TypeId);
        t.add<&GGameLevelScene::onWorkersTrained>(GWorkersTrainedMessage::TypeId);
        t.add<&GGameLevelScene::onBuildingCompleted>(GBuildingCompletedMessage::TypeId);
        t.add<&GGameLevelScene::onOnRoadLocationDone>(GOnRoadLocationDoneMessage::TypeId);
        t.add<&GGameLevelScene::onResourceSold>(GResourceSoldMessage::TypeId);
        t.add<&GGameLevelScene::onResourceBought>(GResourceBoughtMessage::TypeId);
        t.add<&GGameLevelScene::onBuildingRepaired>(GBuildingRepairedMessage::TypeId);
        t.add<&GGameLevelScene::onTaskEnded>(GGameMessage::TaskEndedId);
        t.add<&GGameLevelScene::onFeatureActivated>(GFeatureActivatedMessage::TypeId);
        t.add<&GGameLevelScene::onFeatureRecharging>(GFeatureRechargingMessage::TypeId);
        t.add<&GGameLevelScene::onFeatureReady>(GFeatureReadyMessage::TypeId);
        t.add<&GGameLevelScene::onBuildingDestroyed>(GBuildingDestroyedMessage::TypeId);
        t.add<&GGameLevelScene::onBrokenBuildingEvent>(GBrokenBuildingEvent::TypeId);
        t.add<&GGameLevelScene::onDirtyBuildingEvent>(GDirtyBuildingEvent::TypeId);
        t.add<&GGameLevelScene::onLetterEvent>(GLetterEvent::TypeId);
        t.add<&GGameLevelScene::onResourcesEvent>(GResourcesEvent::TypeId);
        t.add<&GGameLevelScene::onPauseRequest>(GPauseRequestMessage::TypeId);
        t.add<&GGameLevelScene::onLevelModifierRequest>(GLevelModifierRequestMessage::TypeId);
        t.add<&GGameLevelScene::onBuildingExistsQuery>(GBuildingExistsQueryMessage::TypeId);
        t.add<&GGameLevelScene::onWeatherEffect>(GWeatherEffectEvent::TypeId);
        t.add<&GGameLevelScene::onUniqueUpgradeDone>(GGameMessage::UniqueUpgradeDoneId);
        t.add<&GGameLevelScene::onUnhandledMessage>(GGameMessage::LastId);
        return t;
    }();
    return table;
}

// ---------------------------------------------------------------------------
// Binding

void GGameLevelScene::onLoaded() {
    SceneNode::onLoaded();
    bindChildren();
}

void GGameLevelScene::bindChildren() {
    m_walkGrid = nodeCast<GWGridNode>(findChild(wgridName(), 0));
    static_cast<void>(initWalkGrid());

    m_places.clear();
    m_headquarters = nullptr;
    if (m_buildingsNode)
        m_buildingsNode->removePostHandler(this);
    m_buildingsNode = nodeCast<ControlNode>(findChild(buildingsName(), 0));
    if (m_buildingsNode) {
        m_buildingsNode->addPostHandler(this);
        for (BaseNode* child : m_buildingsNode->getChildren()) {
            auto* place = nodeCast<GBuildingNode>(child);
            if (!place)
                continue;
            if (!m_headquarters && child->isKindOf(ILevelHeadquarters::TypeId))
                m_headquarters = place;
            m_places.push_back(place);
        }
    }

    m_locations.clear();
    m_locationGroups.clear();
    m_groupDecorations.clear();
    m_locationsNode = findChild(locationsName(), 0);
    if (m_locationsNode) {
        for (BaseNode* child : m_locationsNode->getChildren()) {
            if (child->isKindOf(ILevelLocation::TypeId)) {
                if (auto* location = nodeCast<GBuildingNode>(child))
                    m_locations.push_back(location);
                continue;
            }
            // A group of locations waiting for their objectives group.
            child->setVisible(true);
            const CName group = child->getName();
            for (BaseNode* member : child->getChildren()) {
                auto* location = member->isKindOf(ILevelLocation::TypeId) ? nodeCast<GBuildingNode>(member) : nullptr;
                if (location)
                    m_locationGroups[group].push_back(location);
                else
                    m_groupDecorations[group].push_back(member);
            }
        }
    }

    m_railways.clear();
    m_railwaysNode = findChild(railwaysName(), 0);
    if (m_railwaysNode) {
        for (BaseNode* child : m_railwaysNode->getChildren()) {
            if (auto* railway = nodeCast<GRailRoadNode>(child)) {
                railway->setVisible(false);
                m_railways.push_back(railway);
            }
        }
    }

    m_cargosNode = findChild(cargosName(), 0);
    m_effectsNode = findChild(effectsName(), 0);
    if (!m_effectsNode)
        m_effectsNode = m_cargosNode;

    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    if (CProfileParameters* player = profiles ? profiles->getActiveProfile() : nullptr)
        m_levelNumber = player->getInt("LevelIndex") + 1;
}

// ---------------------------------------------------------------------------
// IGameLevel

const GLevelModifierValues* GGameLevelScene::getModifierValues() const {
    return m_levelConfiguration ? &m_levelConfiguration->ModifierValues : nullptr;
}

int GGameLevelScene::getHeadquartersGold() const { return m_headquarters ? m_headquarters->getGold() : 0; }

CUpdateScheduler* GGameLevelScene::getUpdateScheduler() const {
    if (CUpdateScheduler* scheduler = getScheduler())
        return scheduler;
    if (CUpdateScheduler* scheduler = getSceneScheduler())
        return scheduler;
    return getStateScheduler();
}

const GlobalConfig* GGameLevelScene::getGlobalConfig() const {
    GGameApplication* game = GGameApplication::instance();
    return game ? game->getGlobalConfig() : nullptr;
}

BaseNode* GGameLevelScene::getPlace(int index) const {
    return index >= 0 && uint32_t(index) < m_places.size() ? m_places[uint32_t(index)] : nullptr;
}

BaseNode* GGameLevelScene::getHeadquarters() const { return m_headquarters; }

int GGameLevelScene::pathLength(float fromX, float fromY, float toX, float toY) const {
    CArray<CVector2d> points;
    // The search keeps its working arrays in the scene; the level's state
    // does not change.
    auto* self = const_cast<GGameLevelScene*>(this);
    if (!self->findPath(CVector2d(fromX, fromY), CVector2d(toX, toY), points, false))
        return -1;
    return int(points.size());
}

// ---------------------------------------------------------------------------
// Objectives' view

int GGameLevelScene::ObjectiveView::getHeadquartersResource(CName name) const {
    return m_level.m_headquarters ? m_level.m_headquarters->getResource(name) : 0;
}

int GGameLevelScene::ObjectiveView::getHeadquartersWorkers() const {
    return m_level.m_headquarters ? m_level.m_headquarters->getResource(workersName()) : 0;
}

GObjectivePlace GGameLevelScene::ObjectiveView::getPlace(uint32_t index) const {
    GObjectivePlace out;
    const GBuildingNode* place = index < m_level.m_places.size() ? m_level.m_places[index] : nullptr;
    if (!place)
        return out;
    out.name = place->getName();
    out.visible = place->isVisible();
    out.enabled = place->isEnabled();
    out.reachable = place->isReachable();
    out.hasRequiredServices = place->hasRequiredServices();
    out.taskKind = place->getTaskKind();
    out.damageState = place->getDamageState();
    out.current = place->getType();
    out.previous = place->getPreviousType();
    out.incomeBonus = float(place->getIncomeBonusPercent());
    out.servedGuests = place->getGuests();
    return out;
}

// ---------------------------------------------------------------------------
// Level start

void GGameLevelScene::setBuildingsConfiguration(ObjectsConfiguration* configuration) {
    m_objectsConfiguration = CRefHandle<ObjectsConfiguration>::share(configuration);
}

void GGameLevelScene::setLevelConfiguration(LevelConfiguration* configuration) {
    m_levelConfiguration = CRefHandle<LevelConfiguration>::share(configuration);
    ObjectsConfiguration* objects = m_objectsConfiguration.get();
    if (configuration && objects) {
        for (uint32_t i = 0; i < m_places.size(); ++i) {
            GBuildingNode* place = m_places[i];
            place->setPlaceNumber(int(i));
            place->setLevelScene(this);
            CName templateName = place->getTemplateName();
            if (templateName == CName()) {
                templateName = buildingPlaceName();
                place->setVisible(false);
                place->setEnabled(false);
            } else if (!place->isVisible()) {
                place->setEnabled(false);
            } else if (!place->isEnabled()) {
                place->setEnabled(true);
            }
            GBuildingConfig* type = objects->findBuilding(templateName);
            if (!type) {
                type = objects->findBuilding(buildingPlaceName());
                place->setEnabled(false);
                place->setVisible(false);
            }
            place->setType(type, false, false);
        }
        // Every place has its type: the service buildings standing from the
        // start claim the places they serve, the first one keeping a place.
        for (GBuildingNode* place : m_places)
            place->claimServedBuildings();

        auto takeType = [objects](GBuildingNode* location) {
            GBuildingConfig* type = location->getTemplateName() == CName()
                                        ? nullptr
                                        : objects->findBuilding(location->getTemplateName());
            if (type)
                location->setType(type, false, false);
            return type != nullptr;
        };
        for (GBuildingNode* location : m_locations) {
            location->setLevelScene(this);
            if (!takeType(location)) {
                location->setEnabled(false);
                location->setVisible(false);
                location->setCanBeHit(false);
            }
        }
        for (auto& group : m_locationGroups) {
            for (GBuildingNode* location : group.value) {
                location->setLevelScene(this);
                static_cast<void>(takeType(location));
                location->setEnabled(false);
                location->setVisible(false);
                location->setCanBeHit(false);
            }
        }
        for (auto& group : m_groupDecorations) {
            for (BaseNode* node : group.value) {
                node->setVisible(false);
                node->setCanBeHit(false);
            }
        }
    }
    if (configuration) {
        if (ILevelHeadquarters* headquarters = levelHeadquartersOf(m_headquarters)) {
            headquarters->spawnWorkers(configuration->InitWorkersCount);
            headquarters->spawnStagecoaches(StagecoachCount);
            headquarters->spawnGuides(GuideCount);
        }
        if (m_headquarters) {
            for (const auto& entry : configuration->InitResources)
                m_headquarters->addResource(entry.key, entry.value);
            if (ILevelHeadquarters* headquarters = levelHeadquartersOf(m_headquarters))
                headquarters->refreshWorkerPoint();
        }
        spawnTrainPool(TrainPoolSize, nullptr);
        for (uint32_t g = 0; g < configuration->getGroupCount(); ++g)
            configuration->getGroup(g)->resetAll();
        m_dayTime = 0.0f;
        m_happiness = configuration->InitHappiness;
    }
    for (GBuildingNode* place : m_places) {
        GActiveFeatureList* features = place->getFeatures();
        if (features && features->size() > 0)
            features->updateAll(0, true);
        if (isStation(place->getType()))
            place->setRailRoad(showStationRailway(place));
    }
}

void GGameLevelScene::setUpdating(bool updating) {
    if (updating && m_tutorialPause)
        return;
    stopSceneScheduler(!updating);
}

void GGameLevelScene::stopSceneScheduler(bool stop) {
    CUpdateScheduler* scheduler = getSceneScheduler();
    if (!scheduler)
        return;
    scheduler->setEnabled(!stop);
    m_stoppedScheduler = stop ? CRefHandle<CUpdateScheduler>::share(scheduler) : CRefHandle<CUpdateScheduler>();
}

void GGameLevelScene::resumeStoppedScheduler() {
    // The scheduler outlives the level (the overlay's): a level left while
    // paused must not leave it stopped for the next one.
    if (m_stoppedScheduler)
        m_stoppedScheduler->setEnabled(true);
    m_stoppedScheduler.reset();
}

void GGameLevelScene::setRandomEventsPaused(bool paused) {
    if (m_levelConfiguration)
        m_levelConfiguration->getRandomEvents()->setAllPaused(paused);
    m_randomEventsPaused = paused;
}

GBuildingNode* GGameLevelScene::getFocusedBuilding() const {
    if (!m_buildingsNode)
        return nullptr;
    auto* child = nodeCast<GBuildingNode>(m_buildingsNode->getFocusedChild());
    return child && child->isFocused() ? child : nullptr;
}

int GGameLevelScene::getGroupTimeMs() const {
    if (!m_levelConfiguration || m_groupIndex < 0)
        return 0;
    const ObjectivesGroup* group = m_levelConfiguration->getGroup(uint32_t(m_groupIndex));
    return group ? group->Time * 1000 : 0;
}

int GGameLevelScene::getObjectivesGroupCount() const {
    return m_levelConfiguration ? int(m_levelConfiguration->getGroupCount()) : 0;
}

void GGameLevelScene::removeOnRoadLocation(GBuildingNode* location) {
    const int64_t index = m_locations.indexOf(location);
    if (index < 0)
        return;
    m_locations[uint32_t(index)] = m_locations.back();
    m_locations.pop_back();
}

void GGameLevelScene::refreshHoverStates() {
    for (GBuildingNode* location : m_locations)
        if (location->isVisible() && location->isEnabled() && location->isHovered())
            location->onHoverChanged();
    for (GBuildingNode* place : m_places) {
        if (!place->isVisible() || !place->isEnabled())
            continue;
        for (const auto& entry : place->getRandomResources())
            if (auto* pile = nodeCast<ControlNode>(nodeOf(entry)); pile && pile->isHovered())
                pile->onHoverChanged();
    }
}

void GGameLevelScene::blockHitsUnderSmoke() {
    CArray<GPolygonNode*> smokes;
    for (GBuildingNode* location : m_locations) {
        const ILevelLocation* part = levelLocationOf(location);
        if (!location->isVisible() || !location->isEnabled() || (part && part->getWorkState() == ILevelLocation::Done))
            continue;
        for (BaseNode* child : location->getChildren())
            if (child->getName() == smokeName())
                if (auto* polygon = nodeCast<GPolygonNode>(child))
                    smokes.push_back(polygon);
    }
    auto covered = [&smokes](const BaseNode* object, const CVector2d& centre) {
        for (GPolygonNode* smoke : smokes) {
            const BaseNode* owner = smoke->getParent();
            if (!owner || owner == object)
                continue;
            const CVector2d point = centre - position2d(smoke) - position2d(owner);
            if (smoke->containsPoint(point.x, point.y))
                return true;
        }
        return false;
    };
    for (GBuildingNode* location : m_locations) {
        if (!location->isVisible() || !location->isEnabled())
            continue;
        const CVector2d centre = position2d(location) + halfBounds(location) - location->getPivotPoint();
        location->setCanBeHit(!covered(location, centre));
    }
    for (GBuildingNode* place : m_places) {
        if (!place->isVisible() || !place->isEnabled())
            continue;
        const CVector2d centre = position2d(place) + halfBounds(place);
        place->setCanBeHit(!covered(place, centre));
    }
}

void GGameLevelScene::collectServices() {
    m_providedServices.clear();
    m_idleServices.clear();
    for (GBuildingNode* place : m_places) {
        const GBuildingConfig* type = place->getType();
        if (!type || type->Level == 0)
            continue;
        if (place->getTaskKind() == GBuildingNode::TaskBuild && type->Level > 0)
            type = place->getPreviousType();
        if (!type)
            continue;
        if (type->ProvidedService != 0)
            m_providedServices.push_back(type->ProvidedService);
        if (place->getTaskKind() == GBuildingNode::TaskNone)
            m_idleServices.push_back(type->ProvidedService);
    }
}

bool GGameLevelScene::matchesEventFilters(const GBuildingNode* place, const CArray<CName>& typeNames,
                                          const CArray<CName>& placeNames) {
    if (!place)
        return false;
    return (typeNames.empty() || contains(typeNames, typeNameOf(place))) &&
           (placeNames.empty() || contains(placeNames, place->getName()));
}

BaseNode* GGameLevelScene::cloneTemplate(CName name, BaseNode* parent) const {
    auto* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* source = collection ? collection->findTemplate(name) : nullptr;
    if (!source || !parent)
        return nullptr;
    return source->clone(parent, manager);
}

void GGameLevelScene::spawnTrainPool(int count, GTrainConfig* config) {
    auto* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    BaseNode* source = collection ? collection->findTemplate(trainTemplateName()) : nullptr;
    if (!source)
        return;
    GTrainConfig* record = config;
    if (!record && m_objectsConfiguration)
        record = m_objectsConfiguration->findTrain(trainTemplateName());
    for (int i = 0; i < count; ++i) {
        BaseNode* clone = source->clone(m_trainLayer.get(), manager);
        ILevelTrain* train = levelTrainOf(clone);
        auto* object = nodeCast<GObjectNode>(clone);
        if (!train || !object)
            continue;
        train->setTrainConfig(record);
        object->setCanBeHit(false);
        object->setLevelScene(this);
        object->setVisible(false);
        m_trainPool.push_back(object);
    }
}

bool GGameLevelScene::assignTrain(GBuildingNode* station) {
    if (!station || !isStation(station->getType()))
        return false;
    for (GObjectNode* object : m_trainPool) {
        ILevelTrain* train = levelTrainOf(object);
        if (train && train->getState() == ILevelTrain::Idle) {
            train->assignToStation(station);
            return true;
        }
    }
    return false;
}

GRailRoadNode* GGameLevelScene::showStationRailway(GBuildingNode* station) {
    if (!station)
        return nullptr;
    const CName stationPlace = station->getName();
    GRailRoadNode* strip = nullptr;
    for (GRailRoadNode* railway : m_railways)
        if (railway->findState(stationPlace)) {
            strip = railway;
            break;
        }
    if (!strip)
        return nullptr;
    strip->setVisible(true);
    strip->setHideWhenEmpty(false);
    const float x = strip->getPosition().x;
    const float end = x + strip->getBounds().x;
    const float width = getBounds().x;
    const int index = station->getPlaceNumber();
    const int column = index >= 0 ? index % PlacesPerRow : 0;
    int from = 0;
    int to = 0;
    int step = 0;
    if (x > 0.0f && x < width) {
        strip->setEntrySide(GRailRoadNode::EntryRight);
        // The places to its left in the row: index - 1, index - 2, ...
        from = index - 1;
        to = index - column;
        step = -1;
    } else if (end > 0.0f && end < width) {
        strip->setEntrySide(GRailRoadNode::EntryLeft);
        from = index + 1;
        to = index - column + PlacesPerRow - 1;
        step = 1;
    } else {
        strip->setEntrySide(GRailRoadNode::EntryEither);
    }
    const CName stationType = typeNameOf(station);
    if (step != 0) {
        for (int i = from; step < 0 ? i >= to : i <= to; i += step) {
            const GBuildingNode* other = nodeCast<GBuildingNode>(getPlace(i));
            if (other && other != station && typeNameOf(other) == stationType && strip->findState(other->getName()))
                return strip;
        }
    }
    strip->setState(stationPlace, nullptr, CName());
    strip->randomizeElements();
    strip->placeCrossings();
    return strip;
}

void GGameLevelScene::hideStationRailway(GBuildingNode* place) {
    if (!place)
        return;
    GRailRoadNode* strip = nullptr;
    for (GRailRoadNode* railway : m_railways)
        if (railway->findState(place->getName())) {
            strip = railway;
            break;
        }
    if (!strip)
        return;
    const int index = std::max(place->getPlaceNumber(), 0);
    const int first = (index / PlacesPerRow) * PlacesPerRow;
    const bool fromRight = strip->getEntrySide() == GRailRoadNode::EntryLeft;
    const CName destroyed = place->getPreviousTypeName();
    for (int n = 0; n < PlacesPerRow; ++n) {
        const int i = fromRight ? first + PlacesPerRow - 1 - n : first + n;
        const GBuildingNode* other = nodeCast<GBuildingNode>(getPlace(i));
        if (!other)
            continue;
        const CName otherType =
            other->getTaskKind() == GBuildingNode::TaskDestroy ? other->getPreviousTypeName() : typeNameOf(other);
        if (otherType == destroyed && strip->findState(other->getName())) {
            strip->setState(other->getName(), nullptr, CName());
            strip->randomizeElements();
            strip->placeCrossings();
            return;
        }
    }
    strip->setHideWhenEmpty(true);
}

void GGameLevelScene::clearLevelModifiers() { m_levelModifiers.clear(); }

// ---------------------------------------------------------------------------
// Rendering and keys

void GGameLevelScene::registerForRendering(CArray<CRenderItem>& list) {
    ControlNode::registerForRendering(list);
    if (m_debugOverlay && isVisible())
        list.push_back(CRenderItem{this, 0, OverlayDepth});
}

void GGameLevelScene::render(IGraphicsDriver* driver, const CRect* clip) {
    ControlNode::render(driver, clip);
    if (m_debugOverlay && driver)
        drawOverlay(driver);
}

void GGameLevelScene::drawOverlay(IGraphicsDriver* driver) {
    if (!m_walkGrid || !m_pathFinder.hasGrid())
        return;
    const GGridPlacement grid = gridPlacement();
    const CMat4& world = getAbsoluteTransformation();
    const CVector2d origin(world[12] + grid.origin.x, world[13] + grid.origin.y);
    const float w = grid.cellSize.x;
    const float h = grid.cellSize.y;
    const int32_t columns = m_pathFinder.getColumns();
    const int32_t rows = m_pathFinder.getRows();
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            const float x = origin.x + w * float(c) + grid.rowShift * float(r);
            const float y = origin.y + h * float(r);
            const uint32_t alpha = 255u - m_pathFinder.getCost(c, r);
            const CRectI cell(int32_t(x), int32_t(y), int32_t(x + w), int32_t(y + h));
            if (alpha > 0)
                driver->fillRect(CColor((alpha << 24) | 0x00FF0000u), cell, nullptr);
        }
    }
    const CColor line(kOverlayLineColor);
    for (int32_t r = 0; r <= rows; ++r) {
        const float shift = grid.rowShift * float(r < rows ? r : rows - 1);
        const float y = origin.y + h * float(r);
        driver->drawLine2D(CVector2d(origin.x + shift, y), CVector2d(origin.x + shift + w * float(columns), y), line);
        if (r == rows)
            break;
        for (int32_t c = 0; c <= columns; ++c) {
            const float x = origin.x + shift + w * float(c);
            driver->drawLine2D(CVector2d(x, y), CVector2d(x, y + h), line);
        }
    }
}

bool GGameLevelScene::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    if (ControlNode::onAllChildrenFinished(event))
        return true;
    return routeToParent(HandleThenParent, event);
}

bool GGameLevelScene::onKeyUp(CEventKeyUp* event) {
    if (SceneNode::onKeyUp(event))
        return true;
    if (!GGameApplication::isDeveloperMode() || event->getKeyCode() != KeyF1)
        return false;
    m_debugOverlay = !m_debugOverlay;
    return true;
}

// ---------------------------------------------------------------------------
// Totals

void GGameLevelScene::recalculate() {
    LevelConfiguration* configuration = m_levelConfiguration.get();
    if (!configuration || !m_objectsConfiguration)
        return;
    // 1. Totals from the start.
    m_income = 0.0f;
    m_goldIncome = 0;
    m_possibleIncome = 0.0f;
    m_guests = 0;
    m_possibleGuests = 0;
    m_happiness = configuration->InitHappiness;
    m_possibleHappiness = 0;

    // 2, 3. The modifiers in force: the run-time ones, then those of the
    // operating buildings and their active features.
    GLevelModifierValues& values = configuration->ModifierValues;
    values.reset();
    for (const auto& entry : m_levelModifiers)
        entry.value->apply(values);
    for (GBuildingNode* place : m_places) {
        const GBuildingConfig* type = place->getType();
        if (!type || !place->isOperating() || type->Level == 0)
            continue;
        if (type->Modifiers)
            type->Modifiers->applyAll(values);
        if (GActiveFeatureList* features = place->getFeatures()) {
            for (uint32_t i = 0; i < features->size(); ++i) {
                const GActiveFeature* feature = features->get(i);
                if (feature && feature->getState() == GActiveFeature::Active && feature->Modifiers)
                    feature->Modifiers->applyAll(values);
            }
        }
    }

    // 4. Breakdowns switched off: broken buildings mend at once.
    if (!values.CanBuildingsBroke)
        for (GBuildingNode* place : m_places)
            if (place->getDamageState() == GBuildingNode::DamageBroken)
                place->setDamageState(GBuildingNode::DamageNone, true);

    // 5. The bonuses the service buildings give the places they serve.
    for (GBuildingNode* place : m_places)
        place->updateServiceBonuses();

    // 6, 7. What the places bring, and what they would.
    for (GBuildingNode* place : m_places) {
        const GBuildingConfig* type = place->getType();
        if (!type || type->Level == 0 || !place->isVisible() || !place->isEnabled())
            continue;
        const float income = place->getIncome();
        const int guests = place->getGuests();
        const int happiness = place->getHappiness();
        if (place->isOperating() && place->isReachable() && place->hasRequiredServices()) {
            m_income += income;
            m_guests += guests;
            m_happiness += happiness;
        } else {
            m_possibleIncome += income;
            m_possibleGuests += guests;
            m_possibleHappiness += happiness;
        }
    }
    m_possibleGuests += m_guests;
    // InitHappiness counts once: it is part of the happiness added here.
    m_possibleHappiness += m_happiness;
    m_possibleIncome += m_income;

    // 8 to 11.
    postStatsChanged();
    checkObjectives();
    collectServices();
    rebuildWalkGrid();
}

void GGameLevelScene::postBuildingChanged(BaseNode* building, BaseNode* other) {
    CRefHandle<GBuildingChangedMessage> message(new GBuildingChangedMessage(building, other));
    postToLevelParent(this, message.get());
}

void GGameLevelScene::postStatsChanged() {
    CRefHandle<GLevelStatsChangedMessage> message(new GLevelStatsChangedMessage);
    postToLevelParent(this, message.get());
}

void GGameLevelScene::routeStatsChanged() {
    CRefHandle<GLevelStatsChangedMessage> message(new GLevelStatsChangedMessage);
    static_cast<void>(routeToParent(HandleThenParent, message.get()));
}

void GGameLevelScene::addHistory(int action, CName typeName, CName placeName, int amount) {
    GHistoryRecord record;
    record.kind = action;
    record.typeName = typeName;
    record.placeName = placeName;
    record.amount = amount;
    m_history.push_back(record);
}

void GGameLevelScene::payHeadquarters(CName name, int amount) {
    if (m_headquarters && amount != 0)
        m_headquarters->addResource(name, amount);
}

// ---------------------------------------------------------------------------
// The level tick

uint32_t GGameLevelScene::drawIndex(uint32_t count) {
    CRandom* generator = engineRandom();
    return count == 0 ? 0 : (generator ? generator->nextFast() % count : 0);
}

bool GGameLevelScene::update(uint32_t elapsed) {
    if (m_paused || m_randomEventsPaused)
        return true;
    const int dt = int(elapsed);
    m_groupElapsed += dt;
    if (m_groupElapsed < getGroupTimeMs())
        m_groupElapsedWithinLimit += dt;
    m_levelTime += dt;
    m_dayTime += float(dt) * 0.001f;

    tickLetters(elapsed);

    // A day length of 0 or below has no day end (it would pay every tick).
    bool dayEnded = false;
    if (m_levelConfiguration && m_levelConfiguration->DayLength > 0 &&
        m_dayTime >= float(m_levelConfiguration->DayLength)) {
        dayEnded = true;
        if (m_income > 0.0f)
            playCue(incomeCue(), false);
        m_dayTime = 0.0f;
        payHeadquarters(moneyName(), int(std::floor(m_income + 0.5f)));
        payHeadquarters(goldName(), m_goldIncome);
        CRefHandle<GIncomeCollectedMessage> message(new GIncomeCollectedMessage);
        postToLevelParent(this, message.get());
    }

    callTrain();

    if (dayEnded) {
        recalculate();
        postStatsChanged();
    }

    if (m_weatherNode && m_weatherTimeLeft > 0) {
        m_weatherTimeLeft -= dt;
        if (m_weatherTimeLeft <= 0)
            m_weatherNode->setEnabled(false);
    }
    return true;
}

void GGameLevelScene::tickLetters(uint32_t elapsed) {
    uint32_t i = 0;
    while (i < m_letters.size()) {
        BaseNode* letter = m_letters[i];
        auto* record = dynamic_cast<GLetterRecord*>(letter->getUserData());
        if (record) {
            record->elapsed += int(elapsed);
            if (record->elapsed < record->waitingTime && record->building && record->building->isOperating()) {
                setLetterProgress(letter, float(record->elapsed) / float(record->waitingTime));
                ++i;
                continue;
            }
        }
        endLetter(i, disappearState());
    }
}

void GGameLevelScene::endLetter(uint32_t index, CName state) {
    BaseNode* letter = m_letters[index];
    if (auto* record = dynamic_cast<GLetterRecord*>(letter->getUserData()); record && record->building) {
        record->building->setTimeSinceIncome(0);
        record->building->setWantFocus(true);
    }
    setNodeState(letter, state);
    m_letters[index] = m_letters.back();
    m_letters.pop_back();
    letter->release();
}

void GGameLevelScene::callTrain() {
    CArray<GBuildingNode*> candidates;
    for (GBuildingNode* place : m_places) {
        if (!place->isReachable() || !isStation(place->getType()) || !place->isOperating() ||
            !place->getStandingTrains().empty() || !place->getAssignedTrains().empty())
            continue;
        if (place->getTrainCountdown() < 0 || m_firstTrain) {
            m_firstTrain = false;
            candidates.push_back(place);
        }
    }
    if (!candidates.empty())
        static_cast<void>(assignTrain(candidates[drawIndex(candidates.size())]));
}

// ---------------------------------------------------------------------------
// Objectives

void GGameLevelScene::checkObjectives() {
    LevelConfiguration* configuration = m_levelConfiguration.get();
    if (!m_objectivesActive || !configuration || m_groupComplete)
        return;
    if (m_groupIndex < 0) {
        m_groupIndex = 0;
        if (configuration->getGroupCount() > 0)
            startGroup(0);
    }
    const uint32_t count = configuration->getGroupCount();
    if (uint32_t(m_groupIndex) >= count)
        return;
    const ObjectivesGroup* group = configuration->getGroup(uint32_t(m_groupIndex));
    m_groupComplete = true;
    if (!group->isComplete(m_objectiveView)) {
        m_groupComplete = false;
        return;
    }
    CRefHandle<GObjectivesGroupCompletedMessage> completed(new GObjectivesGroupCompletedMessage(
        m_groupIndex, group->Time, group->Score, m_groupElapsed / 1000, CString(group->Tutorial)));
    if (uint32_t(m_groupIndex) + 1 >= count) {
        // The last group: the level is complete and stays so.
        postToLevelParent(this, completed.get());
        onGroupCompleted(completed.get());
        CRefHandle<GGameMessage> done(new GGameMessage(1));
        postToLevelParent(this, done.get());
        return;
    }
    routeStatsChanged();
    postToLevelParent(this, completed.get());
    onGroupCompleted(completed.get());
    ++m_groupIndex;
    m_groupChanged = true;
    m_groupComplete = false;
    m_history.clear();
    startGroup(uint32_t(m_groupIndex));
}

void GGameLevelScene::startGroup(uint32_t index) {
    const ObjectivesGroup* group = m_levelConfiguration->getGroup(index);
    if (!group)
        return;
    CRefHandle<GObjectivesGroupStartedMessage> started(
        new GObjectivesGroupStartedMessage(int(index), group->Time, group->Score, CString(group->Tutorial)));
    postToLevelParent(this, started.get());
    onGroupStarted(started.get());
    m_groupElapsed = 0;
}

bool GGameLevelScene::onGroupStarted(GObjectivesGroupStartedMessage* message) {
    const CName group(CString("Group") + (message->getGroupIndex() + 1));
    if (auto found = m_locationGroups.find(group); found != m_locationGroups.end()) {
        CArray<GBuildingNode*> members = found->value;
        found->value.clear();
        for (GBuildingNode* location : members) {
            m_locations.push_back(location);
            location->setEnabled(true);
            location->setVisible(true);
            location->setCanBeHit(true);
            if (ILevelLocation* part = levelLocationOf(location)) {
                part->refreshReachability();
                part->startAppear();
            }
        }
    }
    if (auto found = m_groupDecorations.find(group); found != m_groupDecorations.end()) {
        for (BaseNode* node : found->value) {
            node->setVisible(true);
            node->setCanBeHit(false);
            setNodeState(node, appearState());
        }
    }
    setRandomEventsPaused(true);
    recalculate();
    return true;
}

bool GGameLevelScene::onGroupCompleted(GObjectivesGroupCompletedMessage* message) {
    if (m_levelConfiguration) {
        const bool inTime = message->getTime() >= message->getElapsedSeconds() || !m_levelConfiguration->IsClockOn;
        m_groupResults.push_back(inTime ? 1 : 0);
    }
    recalculate();
    return true;
}

// ---------------------------------------------------------------------------
// Node events

bool GGameLevelScene::onSceneStarted(CEventSceneChangeStarted* event) {
    if (event->getToScene() != this) {
        if (event->getFromScene() == this) {
            setScheduler(nullptr);
            resumeStoppedScheduler();
        }
        return false;
    }
    CUpdateScheduler* scheduler = getSceneScheduler();
    if (!scheduler)
        scheduler = getStateScheduler();
    if (scheduler != getScheduler())
        setScheduler(scheduler);
    recalculate();
    if (!m_weatherNode)
        createWeatherNode();
    return true;
}

void GGameLevelScene::createWeatherNode() {
    m_weatherNode.reset(new GWeatherParticlesNode(getContentName(), nullptr, getSceneManager<BaseNode>()));
    addChild(m_weatherNode.get());
    m_weatherNode->setPosition(CVector3d(0.0f, 0.0f, WeatherDepth));
    m_weatherNode->setEnabled(false);
    const GlobalConfig* global = getGlobalConfig();
    const int setting = global ? global->levelSettingIndex(m_levelNumber) : 0;
    const char16_t* texture = nullptr;
    if (setting == 3) {
        m_weatherNode->setConfigurationFilename(CString("levels/common/Effects/Snow.xml"));
        texture = u"particles/Snow.png";
    } else if (setting == 0) {
        m_weatherNode->setConfigurationFilename(CString("levels/common/Effects/Rain.xml"));
        texture = u"particles/Rain.png";
    }
    IContentManager* content = getContentName().owner();
    if (texture && content) {
        IContent* loaded = content->load(ContentTypeAtlasTexture, CStringW(texture), false);
        if (auto* atlas = dynamic_cast<CAtlasTexture*>(loaded))
            m_weatherNode->setAtlasTexture(atlas);
        if (loaded)
            loaded->release();
    }
}

bool GGameLevelScene::onClicked(CEventClicked* event) {
    if (m_randomEventsPaused)
        setRandomEventsPaused(false);
    BaseNode* clicked = event->getControl();
    if (clicked && clicked->isKindOf(ILevelLocation::TypeId))
        return false;
    auto* building = nodeCast<GBuildingNode>(clicked);
    if (!building) {
        if (clicked == this) {
            if (GBuildingNode* focused = getFocusedBuilding())
                focused->setFocused(false);
            m_previousSelected = m_selected;
            m_selected = nullptr;
            postBuildingChanged(nullptr, m_previousSelected);
        }
        return false;
    }
    bool collected = false;
    for (uint32_t i = 0; i < m_letters.size(); ++i) {
        auto* record = dynamic_cast<GLetterRecord*>(m_letters[i]->getUserData());
        if (!record || record->building != building)
            continue;
        payHeadquarters(moneyName(), record->money);
        recalculate();
        endLetter(i, disappearHitState());
        playCue(objFoundCue(), false);
        collected = true;
        break;
    }
    GActiveFeatureList* features = building->getFeatures();
    const GActiveFeature* first = features ? features->get(0) : nullptr;
    if (first && first->getState() == GActiveFeature::Ready)
        if (ILevelHeadquarters* headquarters = levelHeadquartersOf(m_headquarters))
            headquarters->activateFeature(building, 0);
    if (!collected) {
        m_previousSelected = m_selected;
        m_selected = building;
        postBuildingChanged(building, m_previousSelected);
        if (building->isFocused())
            setNodeState(building, jumpState());
        else
            building->setFocused(true);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Game messages

namespace {

GBuildingNode* messageBuilding(CEvent* event) {
    return nodeCast<GBuildingNode>(static_cast<GBuildingMessage*>(event)->getBuildingNode());
}

} // namespace

bool GGameLevelScene::onBuildingCompleted(CEvent* event) {
    GBuildingNode* building = messageBuilding(event);
    if (!building)
        return false;
    addHistory(ActionBuild, typeNameOf(building), building->getName(), 0);
    building->setTimeSinceBuildOrRepair(0);
    building->setNoTrainYet(true);
    building->setTask(GBuildingNode::TaskNone, nullptr);
    recalculate();
    recalculate();
    if (isStation(building->getType()))
        building->setRailRoad(showStationRailway(building));
    if (GActiveFeatureList* features = building->getFeatures(); features && features->size() > 0)
        features->updateAll(0, true);
    rebuildWalkGrid();
    return false;
}

bool GGameLevelScene::onOnRoadLocationDone(CEvent* event) {
    auto* message = static_cast<GOnRoadLocationDoneMessage*>(event);
    GBuildingNode* location = messageBuilding(event);
    if (ILevelLocation* part = levelLocationOf(location)) {
        const GResourceMap& taken = message->getTaken();
        auto amount = [&taken](CName name) {
            auto found = taken.find(name);
            return found == taken.end() ? 0 : found->value;
        };
        const int materials = amount(materialsName());
        const int gold = amount(goldName());
        const CName type = typeNameOf(location);
        if (materials > 0)
            addHistory(ActionTakeOnRoadMaterials, type, location->getName(), materials);
        if (gold > 0)
            addHistory(ActionTakeOnRoadGold, type, location->getName(), gold);
        addHistory(ActionBuild, type, location->getName(), 0);
        location->setCanBeHit(false);
        setNodeState(location, part->getBuiltStateName());
    }
    recalculate();
    rebuildWalkGrid();
    blockHitsUnderSmoke();
    return false;
}

bool GGameLevelScene::onBuildingDestroyed(CEvent* event) {
    GBuildingNode* building = messageBuilding(event);
    if (!building)
        return false;
    const GBuildingConfig* previous = building->getPreviousType();
    if (previous)
        addHistory(ActionDestroy, previous->Name, building->getName(), 0);
    building->setTask(GBuildingNode::TaskNone, nullptr);
    recalculate();
    if (building->isFocused())
        postBuildingChanged(building, building);
    building->setMayBreak(true);
    if (isStation(previous)) {
        hideStationRailway(building);
        building->setRailRoad(nullptr);
    }
    if (previous && m_levelConfiguration && m_levelConfiguration->AfterDestroyBonus > 0) {
        const double share = double(m_levelConfiguration->AfterDestroyBonus) / 100.0;
        auto found = previous->Build.Resources.find(materialsName());
        const int cost = found == previous->Build.Resources.end() ? 0 : found->value;
        const int pile = int(std::floor(double(cost) * share + 0.5));
        if (pile > 0) {
            GResourceMap resources;
            resources[materialsName()] = pile;
            static_cast<void>(createPile(building, pileTemplateName(), resources));
        }
    }
    return false;
}

GBuildingNode* GGameLevelScene::createPile(GBuildingNode* building, CName templateName,
                                           const GResourceMap& resources) {
    BaseNode* parent = m_locationsNode ? m_locationsNode : static_cast<BaseNode*>(this);
    CRefHandle<BaseNode> node(CNodeFactory::getShared()->createNode(
        CStringW(u"GOnRoadLocationNode"), CObjectName(getContentName().owner(), CStringW())));
    auto* pile = nodeCast<GBuildingNode>(node.get());
    if (!pile || !pile->isKindOf(ILevelLocation::TypeId))
        return nullptr;
    parent->addChild(pile);
    pile->setLevelScene(this);
    if (m_objectsConfiguration)
        if (GBuildingConfig* type = m_objectsConfiguration->findBuilding(templateName))
            pile->setType(type, false, false);
    pile->setTemplateName(templateName);
    pile->addResources(resources);
    attachPile(building, pile);
    return pile;
}

bool GGameLevelScene::onResourcesProduced(CEvent* event) {
    GBuildingNode* building = messageBuilding(event);
    if (!building)
        return false;
    building->setTask(GBuildingNode::TaskNone, nullptr);
    recalculate();
    if (building->isFocused())
        postBuildingChanged(building, building);
    return false;
}

bool GGameLevelScene::onBuildingRepaired(CEvent* event) {
    GBuildingNode* building = messageBuilding(event);
    if (!building)
        return false;
    addHistory(ActionRepair, typeNameOf(building), building->getName(), 0);
    building->setTimeSinceBuildOrRepair(0);
    building->setTask(GBuildingNode::TaskNone, nullptr);
    recalculate();
    if (building->isFocused())
        postBuildingChanged(building, building);
    postStatsChanged();
    return false;
}

bool GGameLevelScene::onUniqueUpgradeDone(CEvent* event) {
    auto* message = dynamic_cast<GBuildingMessage*>(event);
    GBuildingNode* building = message ? nodeCast<GBuildingNode>(message->getBuildingNode()) : nullptr;
    if (building)
        addHistory(ActionUniqUpgrade, typeNameOf(building), building->getName(), 0);
    recalculate();
    postStatsChanged();
    return false;
}

bool GGameLevelScene::onTaskEnded(CEvent* event) {
    auto* message = dynamic_cast<GBuildingMessage*>(event);
    GBuildingNode* building = message ? nodeCast<GBuildingNode>(message->getBuildingNode()) : nullptr;
    if (!building)
        return false;
    building->setTask(GBuildingNode::TaskNone, nullptr);
    recalculate();
    postStatsChanged();
    return false;
}

bool GGameLevelScene::onWorkersTrained(CEvent*) {
    recalculate();
    return false;
}

bool GGameLevelScene::onFeatureRecharging(CEvent*) {
    recalculate();
    return false;
}

bool GGameLevelScene::onFeatureActivated(CEvent* event) {
    auto* message = static_cast<GFeatureMessage*>(event);
    auto* building = nodeCast<GBuildingNode>(message->getBuildingNode());
    if (building)
        addHistory(ActionFeatureActivate, typeNameOf(building), building->getName(), 0);
    recalculate();
    playCue(takeFeatureCue(), false);
    return false;
}

bool GGameLevelScene::onFeatureReady(CEvent* event) {
    auto* message = static_cast<GFeatureMessage*>(event);
    auto* building = nodeCast<GBuildingNode>(message->getBuildingNode());
    if (building)
        if (GActiveFeatureList* features = building->getFeatures(); features && features->size() > 0)
            features->updateAll(0, true);
    recalculate();
    playCue(readyFeatureCue(), false);
    return false;
}

bool GGameLevelScene::onResourceSold(CEvent* event) {
    auto* message = static_cast<GResourceTradeMessage*>(event);
    GBuildingNode* focused = getFocusedBuilding();
    if (focused && isStation(focused->getType())) {
        BaseNode* control = findInBuilding(focused, incomeControlName());
        if (auto* text = control ? nodeCast<TextNode>(control->findChild(textName(), 1)) : nullptr)
            text->setText(groupedNumber(message->getPrice()));
        setNodeState(focused, moneyName());
        setNodeState(focused, objectIncomeState());
    }
    if (message->getResource() == goldName())
        addHistory(ActionGoldSell, focused ? typeNameOf(focused) : CName(), focused ? focused->getName() : CName(),
                   message->getAmount());
    return false;
}

bool GGameLevelScene::onResourceBought(CEvent* event) {
    auto* message = static_cast<GResourceTradeMessage*>(event);
    GBuildingNode* focused = getFocusedBuilding();
    if (focused && isStation(focused->getType())) {
        BaseNode* control = findInBuilding(focused, incomeControlName());
        if (auto* text = control ? nodeCast<TextNode>(control->findChild(textName(), 1)) : nullptr)
            text->setText(groupedNumber(message->getAmount()));
        setNodeState(focused, message->getResource());
        setNodeState(focused, objectIncomeState());
    }
    return false;
}

bool GGameLevelScene::onBrokenBuildingEvent(CEvent* event) {
    auto* request = static_cast<GRandomEvent*>(event);
    const GLevelModifierValues* values = getModifierValues();
    if (!values || !values->CanBuildingsBroke)
        return true;
    CArray<GBuildingNode*> candidates;
    for (GBuildingNode* place : m_places) {
        const GBuildingConfig* type = place->getType();
        if (!type || !place->isOperating())
            continue;
        if (!request->isOneTime() && type->Kind != GBuildingType::Apartment)
            continue;
        if (place->getTimeSinceBuildOrRepair() < BreakGuardMs)
            continue;
        if (matchesEventFilters(place, request->getBuildingTypes(), request->getPlaceNames()))
            candidates.push_back(place);
    }
    if (candidates.empty())
        return true;
    playCue(brokenCue(), false);
    candidates[drawIndex(candidates.size())]->setDamageState(GBuildingNode::DamageBroken, request->isOneTime());
    recalculate();
    routeStatsChanged();
    return true;
}

bool GGameLevelScene::onLetterEvent(CEvent* event) {
    auto* request = static_cast<GLetterEvent*>(event);
    const GLevelModifierValues* values = getModifierValues();
    if (!values || !values->CanReceiveMoneyLetters)
        return true;
    CArray<GBuildingNode*> candidates;
    for (GBuildingNode* place : m_places) {
        const GBuildingConfig* type = place->getType();
        if (!type || !place->isOperating() || type->Level <= 0 || type->Kind != GBuildingType::Apartment ||
            !place->isReachable() || !place->hasRequiredServices() || place->getTimeSinceIncome() < EventGuardMs)
            continue;
        bool carries = false;
        for (BaseNode* letter : m_letters)
            if (auto* record = dynamic_cast<GLetterRecord*>(letter->getUserData()); record && record->building == place)
                carries = true;
        if (!carries && matchesEventFilters(place, request->getBuildingTypes(), request->getPlaceNames()))
            candidates.push_back(place);
    }
    if (candidates.empty())
        return true;
    auto* manager = nodeCast<SceneManager>(getSceneManager<BaseNode>());
    TemplateCollectionNode* collection = manager ? manager->getTemplateCollection() : nullptr;
    if (!collection || !collection->findTemplate(letterTemplateName()))
        return true;
    playCue(moneyLetterCue(), false);
    GBuildingNode* building = candidates[drawIndex(candidates.size())];
    const GFloatRange moneyRange = request->getMoneyRange();
    const GFloatRange waitRange = request->getWaitTimeRange();
    const float factor = drawFloat(moneyRange.min, moneyRange.max);
    const GBuildingConfig* type = building->getType();
    const int money = 100 * int(std::floor(double(type->Income) * 0.01 * double(factor) + 1.0));
    const int waiting = int(std::floor(drawFloat(waitRange.min, waitRange.max) + 0.5f));

    BaseNode* letter = cloneTemplate(letterTemplateName(), building);
    if (!letter)
        return true;
    CRefHandle<GLetterRecord> record(new GLetterRecord(money, waiting, building));
    letter->setVisible(true);
    letter->setUserData(record.get());
    setNodeState(letter, appearState());
    letter->addRef();
    m_letters.push_back(letter);
    building->setWantFocus(false);
    if (auto* text = nodeCast<TextNode>(letter->findChild(textName(), 1)))
        text->setText(moneyText(money));
    setLetterProgress(letter, 0.0f);
    return true;
}

bool GGameLevelScene::onResourcesEvent(CEvent* event) {
    auto* request = static_cast<GResourcesEvent*>(event);
    if (!m_locationsNode)
        return false;
    CArray<GBuildingNode*> candidates;
    for (GBuildingNode* place : m_places) {
        const GBuildingConfig* type = place->getType();
        if (!type || type->Level <= 0 || type->Kind != GBuildingType::Produce || !place->isReachable() ||
            !place->hasRequiredServices() || !place->isOperating() ||
            place->getRandomResourceTimer() < EventGuardMs)
            continue;
        if (matchesEventFilters(place, request->getBuildingTypes(), request->getPlaceNames()))
            candidates.push_back(place);
    }
    if (candidates.empty())
        return true;
    GBuildingNode* building = candidates[drawIndex(candidates.size())];
    if (!building->canSpawnRandomResource())
        return true;
    GResourceMap resources;
    for (const auto& entry : request->getResourceRanges())
        resources[entry.key] = drawInt(entry.value.min, entry.value.max);
    static_cast<void>(createPile(building, request->getTemplate(), resources));
    return true;
}

bool GGameLevelScene::onPauseRequest(CEvent* event) {
    const bool pause = static_cast<GPauseRequestMessage*>(event)->getPause();
    m_paused = pause;
    m_tutorialPause = pause;
    if (m_levelConfiguration)
        m_levelConfiguration->getRandomEvents()->setAllPaused(pause);
    stopSceneScheduler(pause);
    return true;
}

bool GGameLevelScene::onLevelModifierRequest(CEvent* event) {
    auto* request = static_cast<GLevelModifierRequestMessage*>(event);
    const CName name = request->getModifier();
    if (auto found = m_levelModifiers.find(name); found != m_levelModifiers.end()) {
        found->value->setValue(request->getModifierValue());
    } else if (name != CName()) {
        CRefHandle<GLevelModifier> modifier(createLevelModifier(CStringW(name.str())));
        if (modifier) {
            modifier->setValue(request->getModifierValue());
            m_levelModifiers[name] = modifier;
        }
    }
    recalculate();
    return true;
}

bool GGameLevelScene::onBuildingExistsQuery(CEvent* event) {
    auto* query = static_cast<GBuildingExistsQueryMessage*>(event);
    // A building the workers still build does not stand yet; names of
    // places, when given, say where it must stand.
    const CArray<CName>& places = query->getPlaceNames();
    for (GBuildingNode* place : m_places) {
        const GBuildingConfig* type = place->getType();
        if (type && contains(query->getBuildingTypes(), type->Name) &&
            place->getTaskKind() != GBuildingNode::TaskBuild &&
            (places.empty() || contains(places, place->getName())))
            query->setAnswer(true);
    }
    return true;
}

bool GGameLevelScene::onWeatherEffect(CEvent* event) {
    if (!m_weatherNode)
        return true;
    const GIntRange range = static_cast<GWeatherEffectEvent*>(event)->getDurationTimeRange();
    m_weatherNode->setEnabled(true);
    m_weatherTimeLeft += drawInt(range.min, range.max);
    const GlobalConfig* global = getGlobalConfig();
    if (global && global->levelSettingIndex(m_levelNumber) == 0)
        playCue(rainCue(), true);
    return true;
}

// ---------------------------------------------------------------------------
// Walk grid

GGridPlacement GGameLevelScene::gridPlacement() const {
    return m_walkGrid ? m_walkGrid->getPlacement() : GGridPlacement();
}

GGridCell GGameLevelScene::cellOf(const CVector2d& point) const {
    return GPathFinder::cellOfPoint(gridPlacement(), point);
}

bool GGameLevelScene::initWalkGrid() {
    if (!m_walkGrid)
        return false;
    m_pathFinder.allocate(m_walkGrid->getColumns(), m_walkGrid->getRows());
    m_layers[backgroundLayer()] = m_walkGrid->getCells();
    return true;
}

bool GGameLevelScene::findPath(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points,
                               bool straighten) {
    if (!m_walkGrid)
        return false;
    const GGridPlacement grid = gridPlacement();
    if (grid.cellSize.x < 1.0f || grid.cellSize.y < 1.0f) {
        points.push_back(to);
        points.push_back(from);
        return false;
    }
    const GGridCell start = cellOf(from);
    const GGridCell goal = cellOf(to);
    if (!m_pathFinder.search(start.column, start.row, goal.column, goal.row, m_cells, straighten, false))
        return false;
    // Destination first, the starting point last.
    points.clear();
    for (int32_t index = m_cells.tail(); index != GPathCellList::None; index = m_cells.node(index).previous) {
        const GPathCellList::Node& cell = m_cells.node(index);
        points.push_back(GPathFinder::pointOfCell(grid, cell.column, cell.row));
    }
    points[0] = to;
    points[points.size() - 1] = from;
    return true;
}

int GGameLevelScene::pathExists(const CVector2d& from, const CVector2d& to) {
    if (!m_walkGrid)
        return -1;
    const GGridCell start = cellOf(from);
    const GGridCell goal = cellOf(to);
    return m_pathFinder.search(start.column, start.row, goal.column, goal.row, m_cells, false, false) ? 1 : 0;
}

bool GGameLevelScene::isActiveObstacle(GBuildingNode* location) const {
    const ILevelLocation* part = levelLocationOf(location);
    return part && part->getWorkState() != ILevelLocation::Done && location->isVisible() && location->isEnabled();
}

template <class F> void GGameLevelScene::forEachObstacleCell(GBuildingNode* location, F&& visit) {
    const ILevelLocation* part = levelLocationOf(location);
    if (!part)
        return;
    const GGridPlacement grid = gridPlacement();
    const float w = grid.cellSize.x;
    const float h = grid.cellSize.y;
    if (w <= 0.0f || h <= 0.0f)
        return;
    const int32_t columns = m_pathFinder.getColumns();
    const int32_t rows = m_pathFinder.getRows();
    for (const CRect& rect : part->getUnwalkableRects()) {
        const float firstRow = std::max((rect.top - grid.origin.y) / h, -1.0f);
        const float lastRow = std::min((rect.bottom - grid.origin.y) / h, float(rows));
        for (int32_t r = std::max(int32_t(firstRow), 0); r <= int32_t(lastRow) && r < rows; ++r) {
            const float shift = grid.rowShift * float(r);
            const float firstColumn = std::max((rect.left - grid.origin.x - shift) / w, -1.0f);
            const float lastColumn = std::min((rect.right - grid.origin.x - shift) / w, float(columns));
            for (int32_t c = std::max(int32_t(firstColumn), 0); c <= int32_t(lastColumn) && c < columns; ++c)
                visit(c, r);
        }
    }
}

void GGameLevelScene::rebuildWalkGrid() {
    if (!m_walkGrid || !m_pathFinder.hasGrid())
        return;
    m_pathFinder.fillCost(GPathFinder::Blocked);
    if (auto found = m_layers.find(backgroundLayer()); found != m_layers.end()) {
        const CArray<CArray<uint8_t>>& layer = found->value;
        for (uint32_t r = 0; r < layer.size(); ++r)
            for (uint32_t c = 0; c < layer[r].size(); ++c)
                if (layer[r][c] == 0)
                    m_pathFinder.setCost(int32_t(c), int32_t(r), 0);
    }
    for (GBuildingNode* location : m_locations)
        if (isActiveObstacle(location))
            forEachObstacleCell(location,
                                [this](int32_t c, int32_t r) { m_pathFinder.setCost(c, r, GPathFinder::Blocked); });

    for (GBuildingNode* location : m_locations) {
        ILevelLocation* part = levelLocationOf(location);
        if (!part)
            continue;
        part->refreshReachability();
        part->setFirstOnRoad(part->isLocationReachable());
    }
    for (GBuildingNode* place : m_places) {
        place->updateReachability();
        const GBuildingConfig* type = place->getType();
        const bool services = !type || type->RequiredServeAreas.empty() ||
                              place->isRequiredServiceProvided(place->getPlaceNumber(), type);
        place->setRequiredServices(services);
        if (!services && place->getTaskKind() != GBuildingNode::TaskNone)
            static_cast<void>(place->cancelTask());
        for (const auto& entry : place->getRandomResources()) {
            ILevelLocation* pile = levelLocationOf(nodeOf(entry));
            if (!pile)
                continue;
            pile->refreshReachability();
            if (pile->isLocationReachable()) {
                pile->setImpending(false);
                pile->setFirstOnRoad(true);
            } else {
                pile->setFirstOnRoad(false);
            }
        }
    }
    refreshHoverStates();
}

void GGameLevelScene::setObstacleCost(uint8_t value, const BaseNode* except) {
    for (GBuildingNode* location : m_locations)
        if (location != except && isActiveObstacle(location))
            forEachObstacleCell(location, [this, value](int32_t c, int32_t r) { m_pathFinder.setCost(c, r, value); });
    for (GBuildingNode* place : m_places)
        for (const auto& entry : place->getRandomResources())
            if (ILevelLocation* pile = levelLocationOf(nodeOf(entry)))
                pile->refreshReachability();
}

CArray<GBuildingNode*> GGameLevelScene::findBlockingLocations(GBuildingNode* building) {
    CArray<GBuildingNode*> result;
    if (!building || !m_walkGrid || !m_pathFinder.hasGrid())
        return result;
    CVector2d start;
    if (const ILevelHeadquarters* headquarters = levelHeadquartersOf(m_headquarters))
        start = headquarters->getWorkerPoint();
    else if (m_headquarters)
        start = m_headquarters->getArrivalPoint();
    const GGridCell from = cellOf(start);

    setObstacleCost(1, building);
    GPathCellList best;
    uint32_t bestCount = 10000;
    bool found = false;
    const CArray<CVector2d>& points = building->getArrivalPoints();
    if (points.size() < 2) {
        const GGridCell to = cellOf(building->getArrivalPoint());
        found = m_pathFinder.search(from.column, from.row, to.column, to.row, best, false, true);
    } else {
        for (const CVector2d& point : points) {
            const GGridCell to = cellOf(point);
            if (m_pathFinder.search(from.column, from.row, to.column, to.row, m_cells, false, true) &&
                m_cells.count() < bestCount) {
                bestCount = m_cells.count();
                best = m_cells;
                found = true;
            }
        }
    }
    setObstacleCost(GPathFinder::Blocked, building);
    if (!found)
        return result;

    const GGridPlacement grid = gridPlacement();
    const float w = grid.cellSize.x;
    const float h = grid.cellSize.y;
    for (int32_t index = best.head(); index != GPathCellList::None; index = best.node(index).next) {
        const GPathCellList::Node& cell = best.node(index);
        const float x = grid.origin.x + w * float(cell.column) + grid.rowShift * float(cell.row);
        const float y = grid.origin.y + h * float(cell.row);
        for (GBuildingNode* location : m_locations) {
            const ILevelLocation* part = levelLocationOf(location);
            if (!part || part->getWorkState() != ILevelLocation::Available)
                continue;
            for (const CRect& rect : part->getUnwalkableRects())
                if (x + w > rect.left && x < rect.right && y + h > rect.top && y < rect.bottom)
                    result.push_back(location);
        }
    }
    return result;
}
