// What the play screen and its hints read and ask of the running level: the
// headquarters' checks and workers, the trains standing at the stations and
// their railways, and the places by the road.

#include "game/world/GGameLevelScene.h"

#include "game/world/GHeadquartersOperations.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GTrainNode.h"

namespace {

const GMajorOfficeNode* officeOf(const GBuildingNode* headquarters) { return nodeCast<GMajorOfficeNode>(headquarters); }

const GTrainNode* trainOf(const BaseNode* node) { return node ? nodeCast<GTrainNode>(node) : nullptr; }

const GOnRoadLocationNode* locationOf(const BaseNode* node) {
    return node ? nodeCast<GOnRoadLocationNode>(node) : nullptr;
}

} // namespace

bool GGameLevelScene::canBuild(BaseNode* place, const GBuildingConfig* type) const {
    const GMajorOfficeNode* office = officeOf(m_headquarters);
    return office && ::canBuild(*office, nodeCast<GBuildingNode>(place), type);
}

bool GGameLevelScene::canRepair(BaseNode* place, const GBuildingConfig* type) const {
    const GMajorOfficeNode* office = officeOf(m_headquarters);
    return office && ::canRepair(*office, nodeCast<GBuildingNode>(place), type);
}

bool GGameLevelScene::canAffordProduction(BaseNode* place, const GProduceItemConfig* item) const {
    const GMajorOfficeNode* office = officeOf(m_headquarters);
    return office && ::canAffordProduction(*office, nodeCast<GBuildingNode>(place), item);
}

bool GGameLevelScene::canAffordUniqueUpgrade(BaseNode* place, const GUniqUpgradeConfig* upgrade) const {
    const GMajorOfficeNode* office = officeOf(m_headquarters);
    return office && ::canAffordUniqueUpgrade(*office, nodeCast<GBuildingNode>(place), upgrade);
}

int GGameLevelScene::getFreeWorkers() const { return m_headquarters ? m_headquarters->getWorkersCount() : 0; }

int GGameLevelScene::getWorkerOrderTimeLeft() const {
    const GMajorOfficeNode* office = officeOf(m_headquarters);
    return office ? office->getOrderTimeLeft() : -1;
}

int GGameLevelScene::getTrainState(const BaseNode* train) const {
    const GTrainNode* node = trainOf(train);
    return node ? node->getState() : 0;
}

bool GGameLevelScene::trainHasOffers(const BaseNode* train, bool sale) const {
    const GTrainNode* node = trainOf(train);
    if (!node)
        return false;
    return sale ? node->hasSellOffers() : node->hasBuyOffers();
}

bool GGameLevelScene::getTrainOffer(const BaseNode* train, int index, TrainOffer& out) const {
    const GTrainNode* node = trainOf(train);
    if (!node || index < 0 || uint32_t(index) >= node->getOffers().size())
        return false;
    const GTrainOffer& offer = node->getOffers()[uint32_t(index)];
    out.sale = offer.sale;
    out.used = offer.secondFlag;
    out.resource = offer.resource;
    out.amount = offer.amount;
    out.price = offer.price;
    out.templateName = offer.templateName;
    return true;
}

bool GGameLevelScene::getStationRailway(const BaseNode* station, Railway& out) const {
    const auto* place = station ? nodeCast<GBuildingNode>(station) : nullptr;
    const GRailRoadNode* strip = place ? place->getRailRoad() : nullptr;
    if (!strip)
        return false;
    out.kind = strip->getEntrySide();
    out.x = strip->getPosition().x;
    out.width = strip->getBounds().x;
    const CArray<GTrainNode*>& trains = strip->getTrains();
    out.velocity = trains.empty() ? 0.0f : float(trains[0]->getVelocity());
    return true;
}

BaseNode* GGameLevelScene::getOnRoadLocation(int index) const {
    return index >= 0 && uint32_t(index) < m_locations.size() ? m_locations[uint32_t(index)] : nullptr;
}

int GGameLevelScene::getOnRoadLocationState(const BaseNode* location) const {
    const GOnRoadLocationNode* node = locationOf(location);
    return node ? node->getWorkState() : 0;
}

void GGameLevelScene::setOnRoadLocationImpending(BaseNode* location, bool on) {
    if (ILevelLocation* part = levelLocationOf(location))
        part->setImpending(on);
}

void GGameLevelScene::findBlockingLocations(BaseNode* building, CArray<BaseNode*>& out) const {
    out.clear();
    auto* place = nodeCast<GBuildingNode>(building);
    if (!place)
        return;
    // The search keeps its working arrays in the scene; the level's state
    // does not change.
    auto* self = const_cast<GGameLevelScene*>(this);
    for (GBuildingNode* location : self->findBlockingLocations(place))
        if (out.indexOf(location) < 0)
            out.push_back(location);
}

const CStringW* GGameLevelScene::getQuestCharacterText(const BaseNode* location) const {
    const GOnRoadLocationNode* node = locationOf(location);
    return node ? &node->getQuestCharacterText() : nullptr;
}

int GGameLevelScene::getQuestCharacterTime(const BaseNode* location) const {
    const GOnRoadLocationNode* node = locationOf(location);
    return node ? node->getQuestCharacterTime() : GOnRoadLocationNode::DefaultQuestCharacterTime;
}
