#pragma once

#include "engine/core/CMap.h"
#include "engine/core/CName.h"

#include <climits>

// Amounts of resources by interned resource name: costs, stores, rewards.
using GResourceMap = CMap<CName, int>;

// a + b, held within the int range: amounts come from files.
[[nodiscard]] inline int addAmounts(int a, int b) {
    const long long sum = (long long)a + b;
    return sum > INT_MAX ? INT_MAX : (sum < INT_MIN ? INT_MIN : int(sum));
}

// The resource names the game treats as standard; every other resource name
// is a quest item.
[[nodiscard]] CName nameIdMaterials();
[[nodiscard]] CName nameIdGold();
[[nodiscard]] CName nameIdMoney();
[[nodiscard]] CName nameIdWorkers();
[[nodiscard]] CName nameIdGuests();
[[nodiscard]] CName nameIdBurstMoney();
