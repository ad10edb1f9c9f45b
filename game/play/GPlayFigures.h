#pragma once

class LevelConfiguration;

// The numbers the play screen shows and checks, apart from the nodes that
// show them.

// The Money a worker offer of `price` costs: floor(price x WorkerPriceM + 0.5)
// (the price itself without a configuration), held within the int range.
[[nodiscard]] int workerPrice(int price, const LevelConfiguration* configuration);

// What the station's can't-buy text asks the player to gather: twice the
// first offer's `itemMoney` less `money` while the player has less than
// that, else 1000, taken up to the next multiple of `rounder` (a multiple
// grows by a whole one). A rounder of 0 or below leaves the amount as it is.
[[nodiscard]] int cantBuyAmount(int money, int itemMoney, int rounder);

// A gold production of `gold` scaled by the level's GoldM: floor(x + 0.5)
// in single precision; below 1 the offer is not shown.
[[nodiscard]] int scaledGold(int gold, float goldM);

// Where the next train is, for the station's arrival bar.
struct StationArrival {
    // The first train's Velocity (units per second); 0 or below: 100.
    float velocity = 0.0f;
    // Ms a train waits between visits (0 before the first one).
    float waitMs = 0.0f;
    // The distance the train travels from the railway's end to the station.
    float distance = 0.0f;
    // A train is on its way, `trainDistance` from the station.
    bool trainComing = false;
    float trainDistance = 0.0f;
    // Ms before the station calls the next train.
    float countdownMs = 0.0f;
};

// 1 − remaining / (travel + wait), held within 0 to 1; never divides by 0.
[[nodiscard]] float stationArrivalFraction(const StationArrival& arrival);
