#include "game/config/GResources.h"

CName nameIdMaterials() {
    static const CName name("Materials");
    return name;
}

CName nameIdGold() {
    static const CName name("Gold");
    return name;
}

CName nameIdMoney() {
    static const CName name("Money");
    return name;
}

CName nameIdWorkers() {
    static const CName name("Workers");
    return name;
}

CName nameIdGuests() {
    static const CName name("Guests");
    return name;
}

CName nameIdBurstMoney() {
    static const CName name("BurstMoney");
    return name;
}
