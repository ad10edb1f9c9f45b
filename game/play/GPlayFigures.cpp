#include "game/play/GPlayFigures.h"

#include "game/config/LevelConfiguration.h"

#include <climits>
#include <cmath>

namespace {

int roundedInt(double value) {
    const double r = std::floor(value + 0.5);
    if (!(r > double(INT_MIN)))
        return INT_MIN;
    return r >= double(INT_MAX) ? INT_MAX : int(r);
}

} // namespace

int workerPrice(int price, const LevelConfiguration* configuration) {
    if (!configuration)
        return price;
    const float scaled = float(price) * configuration->ModifierValues.WorkerPriceM + 0.5f;
    return roundedInt(std::floor(scaled));
}

int cantBuyAmount(int money, int itemMoney, int rounder) {
    const long long twice = 2LL * itemMoney;
    long long amount = money < twice ? twice - money : 1000;
    if (rounder > 0)
        amount = amount + rounder - (amount % rounder);
    return amount > INT_MAX ? INT_MAX : int(amount);
}

int scaledGold(int gold, float goldM) {
    const float scaled = goldM * float(gold) + 0.5f;
    return roundedInt(std::floor(scaled));
}

float stationArrivalFraction(const StationArrival& arrival) {
    const float perMs = arrival.velocity > 0.0f ? arrival.velocity / 1000.0f : 0.1f;
    const float travel = arrival.distance / perMs;
    const float remaining = arrival.trainComing ? arrival.trainDistance / perMs : arrival.countdownMs + travel;
    const float total = travel + arrival.waitMs;
    float value = 0.0f;
    if (total > 0.0f)
        value = 1.0f - remaining / total;
    else
        value = remaining <= 0.0f ? 1.0f : 0.0f;
    if (!(value > 0.0f))
        return 0.0f;
    return value > 1.0f ? 1.0f : value;
}
