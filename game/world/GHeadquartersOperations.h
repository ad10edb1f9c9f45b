#pragma once

#include "engine/core/CName.h"

class GBuildingConfig;
class GBuildingNode;
class GMajorOfficeNode;
class GProduceItemConfig;
class GUniqUpgradeConfig;
class GWorkerOffer;

// What the player does to building places, through the headquarters: the
// checks the play screen enables its buttons with, the starts that create a
// place's task, trading at the station and ordering workers. A check changes
// nothing; a start answers whether its task was started. Every start needs
// an idle place (task kind 0): a place busy with a task keeps it.

// Reachable with its services, the headquarters holds the cost and has the
// free workers.
[[nodiscard]] bool canBuild(const GMajorOfficeNode& headquarters, const GBuildingNode* place,
                            const GBuildingConfig* type);
[[nodiscard]] bool canRepair(const GMajorOfficeNode& headquarters, const GBuildingNode* place,
                             const GBuildingConfig* type);
// Reachable, with the Destroy cost and workers (services are not needed).
[[nodiscard]] bool canDestroy(const GMajorOfficeNode& headquarters, const GBuildingNode* place,
                              const GBuildingConfig* type);
[[nodiscard]] bool canAffordUniqueUpgrade(const GMajorOfficeNode& headquarters, const GBuildingNode* place,
                                          const GUniqUpgradeConfig* upgrade);
[[nodiscard]] bool canAffordProduction(const GMajorOfficeNode& headquarters, const GBuildingNode* place,
                                       const GProduceItemConfig* item);
// Also needs the place idle and the feature at `index` ready.
[[nodiscard]] bool canAffordFeature(const GMajorOfficeNode& headquarters, const GBuildingNode* place, int index);

// Builds `type` on an empty place.
bool startBuild(GMajorOfficeNode& headquarters, GBuildingNode* place, GBuildingConfig* type);
// Levels an operating building up to `next`.
bool startLevelUp(GMajorOfficeNode& headquarters, GBuildingNode* place, GBuildingConfig* next);
// Applies the upgrade of Type `upgradeType` made for the place's type.
bool startUniqueUpgrade(GMajorOfficeNode& headquarters, GBuildingNode* place, CName upgradeType);
bool startProduction(GMajorOfficeNode& headquarters, GBuildingNode* place, GProduceItemConfig* item);
bool startFeature(GMajorOfficeNode& headquarters, GBuildingNode* place, int index);
// Pulls the building down to the "BuildingPlace" record.
bool startDestroy(GMajorOfficeNode& headquarters, GBuildingNode* place);
// Mends a broken building; its damage state is 0 from the start.
bool startRepair(GMajorOfficeNode& headquarters, GBuildingNode* place);
// Restores a building in damage state 3, with the Build cost and workers;
// its damage state is 0 from the start.
bool startRestore(GMajorOfficeNode& headquarters, GBuildingNode* place);

// Money for goods at the station; false (nothing changes) when the store
// holds too little Money, or too little of the resource to sell.
bool buyResource(GMajorOfficeNode& headquarters, CName resource, int amount, int price);
bool sellResource(GMajorOfficeNode& headquarters, CName resource, int amount, int price);
// Pays floor(price x WorkerPriceM + 0.5) Money and starts the delivery of
// the offer's workers; false without an offer, a level configuration or the
// Money.
bool orderWorkers(GMajorOfficeNode& headquarters, const GWorkerOffer* offer);
