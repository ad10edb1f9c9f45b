#include "game/world/GHeadquartersOperations.h"

#include "game/config/GActiveFeature.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/IGameLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/world/GGameTaskActiveFeature.h"
#include "game/world/GGameTaskBuilding.h"
#include "game/world/GGameTaskDestroy.h"
#include "game/world/GGameTaskProduceItem.h"
#include "game/world/GGameTaskRestore.h"
#include "game/world/GGameTaskServe.h"
#include "game/world/GMajorOfficeNode.h"

#include <cmath>

namespace {

// The place can be worked at: reachable and with its required services.
bool canWorkAt(const GBuildingNode* place) { return place && place->isReachable() && place->hasRequiredServices(); }

bool affords(const GMajorOfficeNode& headquarters, const GResourceMap& cost, int workers) {
    return headquarters.hasResources(cost) && headquarters.getWorkersCount() >= workers;
}

bool isIdle(const GBuildingNode* place) { return place && place->getTaskKind() == GBuildingNode::TaskNone; }

// Hands `task` (its creation reference) to `place` under `kind`.
void handOver(GBuildingNode* place, int kind, GGameTask* task) {
    place->setTask(kind, task);
    task->release();
}

void recalculate(const GMajorOfficeNode& headquarters) {
    if (IGameLevel* level = headquarters.getLevelScene())
        level->recalculate();
}

const GActiveFeature* featureAt(const GBuildingNode* place, int index) {
    return index >= 0 ? place->getFeatures()->get(uint32_t(index)) : nullptr;
}

} // namespace

bool canBuild(const GMajorOfficeNode& headquarters, const GBuildingNode* place, const GBuildingConfig* type) {
    if (!type || !canWorkAt(place))
        return false;
    GResourceMap cost;
    place->getBuildCost(cost, type);
    return affords(headquarters, cost, place->getBuildWorkers(type));
}

bool canRepair(const GMajorOfficeNode& headquarters, const GBuildingNode* place, const GBuildingConfig* type) {
    if (!type || !canWorkAt(place))
        return false;
    GResourceMap cost;
    place->getRepairCost(cost, type);
    return affords(headquarters, cost, place->getRepairWorkers(type));
}

bool canDestroy(const GMajorOfficeNode& headquarters, const GBuildingNode* place, const GBuildingConfig* type) {
    if (!type || !place || !place->isReachable())
        return false;
    // The demolition's workers carry its cost: without it they would never
    // set off.
    GResourceMap cost;
    place->getDestroyCost(cost, type);
    return affords(headquarters, cost, place->getDestroyWorkers(type));
}

bool canAffordUniqueUpgrade(const GMajorOfficeNode& headquarters, const GBuildingNode* place,
                            const GUniqUpgradeConfig* upgrade) {
    return upgrade && canWorkAt(place) && affords(headquarters, upgrade->Build.Resources, upgrade->Build.Workers);
}

bool canAffordProduction(const GMajorOfficeNode& headquarters, const GBuildingNode* place,
                         const GProduceItemConfig* item) {
    return item && canWorkAt(place) && affords(headquarters, item->RequiredResources, item->Workers);
}

bool canAffordFeature(const GMajorOfficeNode& headquarters, const GBuildingNode* place, int index) {
    if (!canWorkAt(place) || !isIdle(place))
        return false;
    const GActiveFeature* feature = featureAt(place, index);
    return feature && feature->getState() == GActiveFeature::Ready &&
           affords(headquarters, feature->RequiredResources, feature->Workers);
}

bool startBuild(GMajorOfficeNode& headquarters, GBuildingNode* place, GBuildingConfig* type) {
    if (!isIdle(place) || !place->getType() || place->getType()->Level != 0 || !type ||
        !canBuild(headquarters, place, type))
        return false;
    handOver(place, GBuildingNode::TaskBuild,
             new GGameTaskBuilding(headquarters.getLevelScene(), place, type, nullptr));
    const CRefHandle<GLevelStatsChangedMessage> message(new GLevelStatsChangedMessage);
    headquarters.postDeferredToParent(message.get(), CEventReceiver::HandleThenParent);
    return true;
}

bool startLevelUp(GMajorOfficeNode& headquarters, GBuildingNode* place, GBuildingConfig* next) {
    if (!isIdle(place) || !place->getType() || place->getType()->Level == 0 || !next ||
        !canBuild(headquarters, place, next) || !place->isOperating())
        return false;
    handOver(place, GBuildingNode::TaskBuild,
             new GGameTaskBuilding(headquarters.getLevelScene(), place, next, nullptr));
    recalculate(headquarters);
    return true;
}

bool startUniqueUpgrade(GMajorOfficeNode& headquarters, GBuildingNode* place, CName upgradeType) {
    const ObjectsConfiguration* objects = headquarters.getObjectsConfiguration();
    if (!objects || !isIdle(place) || !place->isOperating() || !place->getType() || place->getType()->Level == 0)
        return false;
    GBuildingConfig* type = objects->findBuilding(place->getType()->Name);
    GUniqUpgradeConfig* upgrade = type ? objects->findUniqUpgrade(upgradeType, type->Name) : nullptr;
    if (!upgrade || !canAffordUniqueUpgrade(headquarters, place, upgrade))
        return false;
    handOver(place, GBuildingNode::TaskUniqueUpgrade,
             new GGameTaskBuilding(headquarters.getLevelScene(), place, type, upgrade));
    recalculate(headquarters);
    return true;
}

bool startProduction(GMajorOfficeNode& headquarters, GBuildingNode* place, GProduceItemConfig* item) {
    if (!isIdle(place) || !item || !place->getType() || !canAffordProduction(headquarters, place, item))
        return false;
    handOver(place, GBuildingNode::TaskProduce,
             new GGameTaskProduceItem(headquarters.getLevelScene(), place, place->getType(), item));
    recalculate(headquarters);
    return true;
}

bool startFeature(GMajorOfficeNode& headquarters, GBuildingNode* place, int index) {
    if (!isIdle(place) || !place->getType() || !canAffordFeature(headquarters, place, index))
        return false;
    handOver(place, GBuildingNode::TaskActiveFeature,
             new GGameTaskActiveFeature(headquarters.getLevelScene(), place, place->getType(), index));
    recalculate(headquarters);
    return true;
}

bool startDestroy(GMajorOfficeNode& headquarters, GBuildingNode* place) {
    static const CName emptyPlace("BuildingPlace");
    const ObjectsConfiguration* objects = headquarters.getObjectsConfiguration();
    if (!objects || !isIdle(place) || !place->getType() || place->getType()->Level == 0 ||
        !canDestroy(headquarters, place, place->getType()))
        return false;
    GBuildingConfig* empty = objects->findBuilding(emptyPlace);
    if (!empty)
        return false;
    handOver(place, GBuildingNode::TaskDestroy, new GGameTaskDestroy(headquarters.getLevelScene(), place, empty));
    recalculate(headquarters);
    return true;
}

bool startRepair(GMajorOfficeNode& headquarters, GBuildingNode* place) {
    if (!isIdle(place) || !place->getType() || place->getType()->Level == 0 ||
        !canRepair(headquarters, place, place->getType()) || place->getDamageState() != GBuildingNode::DamageBroken)
        return false;
    handOver(place, GBuildingNode::TaskRepair,
             new GGameTaskRepair(headquarters.getLevelScene(), place, place->getType()));
    place->setDamageState(GBuildingNode::DamageNone, false);
    recalculate(headquarters);
    return true;
}

bool startRestore(GMajorOfficeNode& headquarters, GBuildingNode* place) {
    // The restore's workers carry the Build cost: like the other starts it
    // needs the place reachable, the cost and the workers.
    if (!isIdle(place) || !place->getType() || place->getType()->Level == 0 ||
        place->getDamageState() != GBuildingNode::DamageRestore || !canBuild(headquarters, place, place->getType()))
        return false;
    handOver(place, GBuildingNode::TaskRepair,
             new GGameTaskRestore(headquarters.getLevelScene(), place, place->getType()));
    place->setDamageState(GBuildingNode::DamageNone, false);
    return true;
}

bool buyResource(GMajorOfficeNode& headquarters, CName resource, int amount, int price) {
    if (headquarters.getMoney() < price)
        return false;
    headquarters.addResource(resource, amount);
    headquarters.addResource(nameIdMoney(), -price);
    const CRefHandle<GResourceBoughtMessage> message(new GResourceBoughtMessage(resource, amount, price));
    headquarters.sendToLevelScene(message.get());
    return true;
}

bool sellResource(GMajorOfficeNode& headquarters, CName resource, int amount, int price) {
    if (headquarters.getResource(resource) < amount)
        return false;
    headquarters.addResource(resource, -amount);
    headquarters.addResource(nameIdMoney(), price);
    const CRefHandle<GResourceSoldMessage> message(new GResourceSoldMessage(resource, amount, price));
    headquarters.sendToLevelScene(message.get());
    return true;
}

bool orderWorkers(GMajorOfficeNode& headquarters, const GWorkerOffer* offer) {
    const IGameLevel* level = headquarters.getLevelScene();
    const GLevelModifierValues* values = level && level->getLevelConfiguration() ? level->getModifierValues() : nullptr;
    if (!offer || !values)
        return false;
    const int cost = int(std::floor(float(offer->Price) * values->WorkerPriceM + 0.5f));
    if (headquarters.getMoney() < cost)
        return false;
    headquarters.setWorkerOrder(offer->Count, offer->DeliveryTime);
    headquarters.addResource(nameIdMoney(), -cost);
    recalculate(headquarters);
    if (headquarters.getWorkersProgress()) {
        static const CName appear("WorkersProgressAppear");
        headquarters.applyStateRecursive(appear, nullptr);
    }
    return true;
}
