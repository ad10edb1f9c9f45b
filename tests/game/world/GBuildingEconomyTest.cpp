// A town of 12 places on the six-column grid, built in the test: who serves
// whom, the bonuses the served places sum, income, gold, guests, licences
// and the workers limit.
//
//   row 0:  0 ShopA | 1 House  | 2 ShopB  | 3 empty  | 4 House  | 5 Well
//   row 1:  6 Bakery| 7 Cafe   | 8 empty  | 9 empty  | 10 Bakery| 11 Well
//
// ShopA and ShopB give the same service ("Shop") and both reach the house on
// place 1; the cafe below it has an area of the same Name ("Food") as the
// shops'. The wells serve "Water", which the bakeries need.

#include "engine/core/CRefHandle.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/world/GBuildingNode.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ServeArea area(const char* name, std::vector<CVector2di> offsets, int income, int guests, int happiness) {
    ServeArea a;
    a.Name = CName(name);
    a.Color = CName("Green");
    for (const CVector2di& offset : offsets)
        a.Area.push_back(offset);
    a.IncomeBonus = income;
    a.BrokenIncomeBonus = income / 4;
    a.GuestsAddBonus = guests;
    a.BrokenGuestsAddBonus = guests / 4;
    a.HappinessBonus = happiness;
    a.BrokenHappinessBonus = happiness / 3;
    return a;
}

CRefHandle<GBuildingConfig> type(const char* name, GBuildingType kind, int level, const char* serveName = "") {
    CRefHandle<GBuildingConfig> t = makeBuildingType(name, kind, level);
    t->ServeName = CName(serveName);
    return t;
}

struct Town {
    StandInLevel level;
    std::vector<CRefHandle<GBuildingNode>> places;
    CRefHandle<GBuildingConfig> empty = type("BuildingPlace", GBuildingType::BuildingPlace, 0);
    CRefHandle<GBuildingConfig> house = type("House1", GBuildingType::Apartment, 1);
    CRefHandle<GBuildingConfig> shopA = type("ShopA", GBuildingType::Commercial, 1, "Shop");
    CRefHandle<GBuildingConfig> shopB = type("ShopB", GBuildingType::Commercial, 1, "Shop");
    CRefHandle<GBuildingConfig> cafe = type("Cafe", GBuildingType::Commercial, 1, "Cafe");
    CRefHandle<GBuildingConfig> well = type("Well", GBuildingType::Service, 1, "Water");
    CRefHandle<GBuildingConfig> bakery = type("Bakery", GBuildingType::Produce, 1);

    Town() {
        house->GuestsCount = 10;
        house->Income = 100.0f;
        house->Happiness = 2;
        for (GBuildingConfig* shop : {shopA.get(), shopB.get()}) {
            ServeArea food = area("Food", {{1, 0}, {-1, 0}}, 20, 4, 3);
            food.ServeIncome = 2;
            food.ServeIncomeGold = 0.25f;
            shop->ServeAreas.push_back(food);
            shop->Income = 50.0f;
            shop->IncomeGold = 1;
        }
        cafe->ServeAreas.push_back(area("Food", {{0, -1}}, 10, 6, 9));
        well->ServeAreas.push_back(area("Water", {{-1, 0}}, 15, 0, 0));
        bakery->RequiredServeAreas.push_back(CName("Water"));
        level.configuration->InitWorkersLimit = 3;
        level.configuration->WorkersIncreaseGuestsStep = 10;

        GBuildingConfig* layout[12] = {shopA.get(),  house.get(), shopB.get(), empty.get(), house.get(),  well.get(),
                                       bakery.get(), cafe.get(),  empty.get(), empty.get(), bakery.get(), well.get()};
        for (int i = 0; i < 12; ++i) {
            places.emplace_back(new GBuildingNode(CObjectName(), nullptr, nullptr));
            level.places.push_back(places.back().get());
            place(i).setPlaceNumber(i);
            place(i).setReachable(true);
            place(i).setRequiredServices(true);
            place(i).setLevelScene(&level);
        }
        // As the level sets up: every type, then the claims in place order.
        for (int i = 0; i < 12; ++i)
            place(i).setType(layout[i], false, false);
        for (int i = 0; i < 12; ++i)
            place(i).claimServedBuildings();
        recalculate();
    }

    GBuildingNode& place(int i) { return *places[size_t(i)]; }
    void recalculate() {
        for (auto& p : places)
            p->updateServiceBonuses();
    }
};

} // namespace

TEST(GBuildingEconomy, ServedPlacesSumTheirProvidersBonusesOncePerAreaName) {
    Town town;
    EXPECT_EQ(town.place(1).getProvider(GBuildingNode::ProvidesIncomeBonus, CName("Shop")), &town.place(0))
        << "the first shop to claim the house keeps it";
    EXPECT_EQ(town.place(3).getProvider(GBuildingNode::ProvidesServeIncome, CName("Shop")), &town.place(2));
    EXPECT_EQ(town.place(1).getProvider(GBuildingNode::ProvidesGuests, CName("Cafe")), &town.place(7));

    town.place(9).setLuckinessType(-1);
    town.level.configuration->IncomeBonus2 = -10;
    town.place(8).setLuckinessType(1);
    town.level.configuration->IncomeBonus1 = 7;
    town.recalculate();
    const struct {
        const char* what;
        int place;
        int income;
        int guests;
        int happiness;
    } cases[] = {
        // ShopB's equal offer and the cafe's second "Food" area add nothing.
        {"house served by two shops and a cafe", 1, 20, 4, 3},
        {"empty place: income bonus, no guests or happiness", 3, 20, 0, 0},
        {"house beside a sound well", 4, 15, 0, 0},
        {"unlucky empty place", 9, -10, 0, 0},
        {"lucky empty place", 8, 7, 0, 0},
        {"a shop itself is not served", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(town.place(c.place).getIncomeBonusPercent(), c.income);
        EXPECT_EQ(town.place(c.place).getGuestsBonus(), c.guests);
        EXPECT_EQ(town.place(c.place).getHappinessBonus(), c.happiness);
    }

    // ShopA goes: its claims are released and ShopB takes the house over.
    town.place(0).releaseServedBuildings();
    town.place(0).setType(town.empty.get(), false, false);
    town.place(2).claimServedBuildings();
    town.recalculate();
    EXPECT_EQ(town.place(1).getProvider(GBuildingNode::ProvidesIncomeBonus, CName("Shop")), &town.place(2));
    EXPECT_EQ(town.place(1).getIncomeBonusPercent(), 20);
    EXPECT_EQ(town.place(0).getIncomeBonusPercent(), 0) << "the empty place is beside the house only";
}

TEST(GBuildingEconomy, ABrokenServerGivesItsBrokenBonusAndABusyOneNothing) {
    const struct {
        const char* what;
        int damage;
        int task;
        int income;
    } cases[] = {
        {"sound", GBuildingNode::DamageNone, GBuildingNode::TaskNone, 15},
        {"broken", GBuildingNode::DamageBroken, GBuildingNode::TaskNone, 3},
        {"dirty counts as damaged", GBuildingNode::DamageDirty, GBuildingNode::TaskNone, 3},
        {"producing", GBuildingNode::DamageNone, GBuildingNode::TaskProduce, 0},
        {"broken and being repaired", GBuildingNode::DamageBroken, GBuildingNode::TaskRepair, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Town town;
        town.place(5).setDamageState(c.damage, true);
        town.place(5).setTask(c.task, nullptr);
        town.recalculate();
        EXPECT_EQ(town.place(4).getIncomeBonusPercent(), c.income);
    }
}

TEST(GBuildingEconomy, IncomeGoldAndGuestsOfTheTown) {
    Town town;
    CRefHandle<GUniqUpgradeConfig> upgrade(new GUniqUpgradeConfig);
    upgrade->Name = CName("Fountain");
    upgrade->UniqUpIncomeBonus = 10;
    const struct {
        const char* what;
        int place;
        float income;
        int gold;
        int guests;
        int served;
    } cases[] = {
        // 10 guests + 4 from the shop; 100 x 1.2.
        {"house", 1, 120.0f, 0, 14, 0},
        // Serves the house's 14 guests: 14 x 2 money and floor(14 x 0.25 + 0.5) gold.
        {"ShopA", 0, 78.0f, 5, 0, 14},
        // The house is ShopA's; the empty place has no guests to serve.
        {"ShopB", 2, 50.0f, 1, 0, 0},
        {"empty place", 3, 0.0f, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GBuildingNode& place = town.place(c.place);
        EXPECT_FLOAT_EQ(place.getIncome(), c.income);
        EXPECT_EQ(place.getIncomeGold(), c.gold);
        EXPECT_EQ(place.getGuests(), c.guests);
        EXPECT_EQ(place.getServedGuestsCount(place.getType()), c.served);
    }

    // A shop earns nothing from a house that is broken, busy or unreachable.
    town.place(1).setReachable(false);
    EXPECT_FLOAT_EQ(town.place(0).getIncome(), 50.0f);
    EXPECT_EQ(town.place(0).getServedGuestsCount(town.shopA.get()), 0);
    town.place(1).setReachable(true);

    // A unique upgrade adds to the income bonus, once.
    town.place(1).applyUniqueUpgrade(upgrade.get());
    town.place(1).applyUniqueUpgrade(upgrade.get());
    town.recalculate();
    EXPECT_EQ(town.place(1).getIncomeBonusPercent(), 30);
    EXPECT_FLOAT_EQ(town.place(1).getIncome(), 130.0f);
    town.place(1).clearUniqueUpgrades();
    town.recalculate();
    EXPECT_EQ(town.place(1).getIncomeBonusPercent(), 20);

    // A shop built over an empty place keeps none of the place's bonus; it
    // serves the house on place 4, which no shop has claimed and which now
    // has 10 + 4 guests.
    town.place(3).setType(town.shopA.get(), false, false);
    town.recalculate();
    EXPECT_EQ(town.place(3).getIncomeBonusPercent(), 0);
    EXPECT_EQ(town.place(4).getGuests(), 14);
    EXPECT_FLOAT_EQ(town.place(3).getIncome(), 14 * 2 + 50.0f);
}

TEST(GBuildingEconomy, ServeAreaQueriesForTheBuildList) {
    Town town;
    CArray<GBuildingNode*> places;
    town.place(2).getBuildingsInServeArea(places, town.shopB.get());
    EXPECT_EQ(places.size(), 2u);
    EXPECT_TRUE(places.indexOf(&town.place(1)) >= 0 && places.indexOf(&town.place(3)) >= 0);

    // ShopB would serve the empty place only: the house is ShopA's.
    town.place(2).getServedBuildings(places, town.shopB.get());
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(places[0], &town.place(3));
    EXPECT_EQ(town.place(3).getServeColor(), CName("Green"));

    EXPECT_TRUE(town.place(2).overlapsOtherProvider(town.shopB.get())) << "the house has another shop";
    EXPECT_FALSE(town.place(0).overlapsOtherProvider(town.shopA.get())) << "ShopA is the house's provider";
    EXPECT_FALSE(town.place(8).overlapsOtherProvider(town.well.get()));

    town.place(2).setVisible(false);
    town.place(2).getBuildingsInServeArea(places, town.shopB.get());
    EXPECT_TRUE(places.empty()) << "a hidden place serves nobody";
}

TEST(GBuildingEconomy, LicencesComeFromAnIdleNeighboursRequiredArea) {
    const struct {
        const char* what;
        int place;
        int wellTask;
        bool provided;
    } cases[] = {
        {"bakery beside a well", 10, GBuildingNode::TaskNone, true},
        {"bakery beside a busy well", 10, GBuildingNode::TaskProduce, false},
        {"bakery with no well near", 6, GBuildingNode::TaskNone, false},
        {"a house needs nothing", 1, GBuildingNode::TaskNone, true},
        {"an empty place needs nothing", 3, GBuildingNode::TaskNone, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Town town;
        town.place(11).setTask(c.wellTask, nullptr);
        town.place(c.place).updateRequiredServices();
        EXPECT_EQ(town.place(c.place).hasRequiredServices(), c.provided);
    }
    CRefHandle<GBuildingNode> alone(new GBuildingNode(CObjectName(), nullptr, nullptr));
    alone->updateRequiredServices();
    EXPECT_TRUE(alone->hasRequiredServices()) << "an empty place (Level 0) has its services without a level";
}

TEST(GBuildingEconomy, TheWorkersLimitGrowsWithTheLevelsGuests) {
    const struct {
        int guests;
        int step;
        int limit;
        int guestsFor5;
    } cases[] = {
        {25, 10, 5, 20},
        {9, 10, 3, 20},
        {0, 10, 3, 20},
        // A step of 0 leaves the limit where it starts.
        {100, 0, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.guests << " guests, step " << c.step);
        Town town;
        town.level.guests = c.guests;
        town.level.configuration->WorkersIncreaseGuestsStep = c.step;
        EXPECT_EQ(town.place(0).getWorkersLimit(), c.limit);
        EXPECT_EQ(town.place(0).getGuestsForWorkers(5), c.guestsFor5);
        EXPECT_EQ(town.place(0).getGuestsForWorkers(3), 0);
    }
}
