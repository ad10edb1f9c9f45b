#pragma once

#include "engine/core/CMap.h"
#include "engine/core/CName.h"

// Amounts of resources by interned resource name: costs, stores, rewards.
using GResourceMap = CMap<CName, int>;

// The resource names the game treats as standard; every other resource name
// is a quest item.
[[nodiscard]] CName nameIdMaterials();
[[nodiscard]] CName nameIdGold();
[[nodiscard]] CName nameIdMoney();
[[nodiscard]] CName nameIdWorkers();
[[nodiscard]] CName nameIdGuests();
[[nodiscard]] CName nameIdBurstMoney();
