#include "game/world/GTrainNode.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GResources.h"
#include "game/config/GWorldMessages.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GRailRoadNode.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// Purchase lists (materials 100, 200, 500; gold 10, 20) and sale lists
// (materials 100 to 1000 in hundreds; gold 10 to 50 in tens).
constexpr const char* kStationItems = R"(<ObjectsConfiguration><RRStationItems>
<Item Materials="100" MoneyRange="2000,3000" Template="Wood1"/>
<Item Materials="200" MoneyRange="4000,5000" Template="Wood2"/>
<Item Materials="500" MoneyRange="12000,13000" Template="Wood3"/>
<Item Gold="10" MoneyRange="1000,FIRSTGOLD" Template="Gold1"/>
<Item Gold="20" MoneyRange="6000,7000" Template="Gold2"/>
<Item Type="Sale" Materials="100" MoneyRange="1000,2000" Template="SellWood1"/>
<Item Type="Sale" Materials="200" MoneyRange="11000,12000" Template="SellWood2"/>
<Item Type="Sale" Materials="300" MoneyRange="21000,22000" Template="SellWood3"/>
SALEWOOD
<Item Type="Sale" Materials="1000" MoneyRange="90000,91000" Template="SellWood10"/>
<Item Type="Sale" Gold="10" MoneyRange="10000,11000" Template="SellGold1"/>
<Item Type="Sale" Gold="20" MoneyRange="20000,21000" Template="SellGold2"/>
<Item Type="Sale" Gold="50" MoneyRange="50000,51000" Template="SellGold5"/>
</RRStationItems></ObjectsConfiguration>)";

std::string stationItems(int firstGoldMaximum = 1500, bool fullSaleList = true) {
    std::string text = kStationItems;
    const std::string gold = std::to_string(firstGoldMaximum);
    text.replace(text.find("FIRSTGOLD"), 9, gold);
    std::string more;
    if (fullSaleList) {
        for (int amount = 400; amount <= 900; amount += 100)
            more += "<Item Type=\"Sale\" Materials=\"" + std::to_string(amount) + "\" MoneyRange=\"" +
                    std::to_string(amount * 100) + "," + std::to_string(amount * 100) + "\" Template=\"SellWood" +
                    std::to_string(amount / 100) + "\"/>\n";
    }
    text.replace(text.find("SALEWOOD"), 8, more);
    return text;
}

// A strip from (x, 200) `width` long, a station at (400, 200) on it, the
// headquarters with the stock the test gives, and trains of Velocity 1000
// that stand 500 ms.
struct TrainLevel {
    StandInLevel level;
    CRefHandle<GRailRoadNode> strip{new GRailRoadNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingNode> station{new GBuildingNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingNode> headquarters{new GBuildingNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GTrainConfig> record{new GTrainConfig};

    explicit TrainLevel(int entrySide = GRailRoadNode::EntryRight, float x = 0.0f, float width = 1000.0f) {
        CEngineManagers::instance().getRandom()->seed(4242);
        level.levelWidth = 1000.0f;
        level.headquarters = headquarters.get();
        strip->setPosition({x, 200.0f, 0.0f});
        strip->setBounds({width, 32.0f, 0.0f});
        strip->setEntrySide(entrySide);
        station->setPosition({400.0f, 200.0f, 0.0f});
        station->setRailRoad(strip.get());
        station->setLevelScene(&level);
        record->Velocity = 1000;
        record->ReleaseTimeoutRange = {500, 500};
        setItems(stationItems());
        stock(100000, 1000, 100);
    }

    void setItems(const std::string& text) {
        level.objects->clear();
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
        ASSERT_TRUE(level.objects->readFromXml(*reader));
    }

    void stock(int money, int materials, int gold) {
        headquarters->clearResources();
        headquarters->addResource(nameIdMoney(), money);
        headquarters->addResource(nameIdMaterials(), materials);
        headquarters->addResource(nameIdGold(), gold);
    }

    CRefHandle<GTrainNode> train() {
        CRefHandle<GTrainNode> node(new GTrainNode(CObjectName(), nullptr, nullptr));
        node->setBounds({100.0f, 30.0f, 0.0f});
        node->setLevelScene(&level);
        node->setTrainConfig(record.get());
        return node;
    }

    int messages(int id) const {
        int count = 0;
        for (const auto& message : level.receiver->messages)
            count += int(message->getType()) == id ? 1 : 0;
        return count;
    }
};

// Updates `train` by 30 ms until it reaches `state` (at most `limit`
// times); the states passed on the way, each once.
std::vector<int> runUntil(GTrainNode* train, int state, int limit = 200) {
    std::vector<int> states{train->getState()};
    for (int i = 0; i < limit && train->getState() != state; ++i) {
        (void)train->update(30);
        if (train->getState() != states.back())
            states.push_back(train->getState());
    }
    return states;
}

bool onlyRounded(int price, int rounder) { return price == 1000 || price % rounder == 0; }

} // namespace

TEST(GTrainNode, ATrainRollsInStandsWithItsOffersAndRollsOut) {
    TrainLevel fixture;
    auto train = fixture.train();
    EXPECT_TRUE(train->isKindOf(2068));
    EXPECT_TRUE(train->isKindOf(GObjectNode::TypeId));
    EXPECT_EQ(train->getScheduler(), fixture.level.scheduler.get());

    train->assignToStation(fixture.station.get());
    EXPECT_EQ(train->getState(), GTrainNode::StateWaitingToEnter);
    EXPECT_FLOAT_EQ(train->getPosition().x, 1000.0f) << "entry at the right end";
    EXPECT_EQ(train->getDirection(), -1);
    EXPECT_EQ(train->getStandTime(), 500);
    EXPECT_EQ(fixture.strip->getTrains().size(), 1u);
    EXPECT_EQ(fixture.station->getAssignedTrains().size(), 1u);

    EXPECT_EQ(runUntil(train.get(), GTrainNode::StateStanding), (std::vector<int>{1, 2, 3}));
    EXPECT_FLOAT_EQ(train->getPosition().x, 400.0f);
    EXPECT_FLOAT_EQ(train->getPosition().z, 200.0f + 30.0f + 400.0f * 0.0001f);
    EXPECT_EQ(fixture.station->getStandingTrains().size(), 1u);
    EXPECT_EQ(fixture.messages(GTrainArrivedMessage::TypeId), 1);
    EXPECT_EQ(train->getOffers().size(), 6u);

    // 500 ms standing, then out to the right end (entry side 1), which is
    // the level's edge: the run ends inside and the strip lets it go.
    fixture.strip->setHideWhenEmpty(false);
    EXPECT_EQ(runUntil(train.get(), GTrainNode::StateIdle), (std::vector<int>{3, 4, 5, 0}));
    EXPECT_GT(train->getStandTimer(), 500);
    EXPECT_EQ(fixture.messages(GTrainLeavedMessage::TypeId), 1);
    EXPECT_TRUE(fixture.station->getStandingTrains().empty());
    EXPECT_FLOAT_EQ(train->getPosition().x, 1000.0f);
    EXPECT_FALSE(train->isOnStrip());
    EXPECT_TRUE(fixture.strip->getTrains().empty()) << "an idle train is off its strip";
    EXPECT_TRUE(train->isVisible());

    train->assignToStation(fixture.station.get());
    EXPECT_EQ(fixture.strip->getTrains().size(), 1u) << "sent again, listed once";
}

TEST(GTrainNode, ADepartureLeavesTheStripAtTheLevelsEdgeOrWhereItEnds) {
    const struct {
        const char* what;
        int entrySide;
        float stripX, stripWidth;
        int removedInState; // the state the train is in once it is off the strip
        float finalX;
    } cases[] = {
        {"off the right edge", GRailRoadNode::EntryRight, 0.0f, 1300.0f, GTrainNode::StateLeaving, 1300.0f},
        {"off the left edge", GRailRoadNode::EntryLeft, -300.0f, 1300.0f, GTrainNode::StateLeaving, -300.0f},
        {"ends inside on the right", GRailRoadNode::EntryRight, 0.0f, 1000.0f, GTrainNode::StateIdle, 1000.0f},
        {"ends inside on the left", GRailRoadNode::EntryLeft, 0.0f, 1000.0f, GTrainNode::StateIdle, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TrainLevel fixture(c.entrySide, c.stripX, c.stripWidth);
        auto train = fixture.train();
        train->assignToStation(fixture.station.get());
        (void)runUntil(train.get(), GTrainNode::StateLeaving);
        fixture.strip->setHideWhenEmpty(true);
        EXPECT_TRUE(fixture.strip->isVisible());
        int offInState = -1;
        for (int i = 0; i < 200 && train->getState() != GTrainNode::StateIdle; ++i) {
            (void)train->update(30);
            if (offInState < 0 && fixture.strip->getTrains().empty())
                offInState = train->getState();
        }
        EXPECT_EQ(offInState, c.removedInState);
        EXPECT_FLOAT_EQ(train->getPosition().x, c.finalX);
        EXPECT_FALSE(fixture.strip->isVisible()) << "the emptied strip hides";
        train->assignToStation(fixture.station.get());
        EXPECT_EQ(fixture.strip->getTrains().size(), 1u) << "no second entry";
    }
}

TEST(GTrainNode, AssignmentsThatCannotBeAreRefused) {
    TrainLevel fixture;
    auto busy = fixture.train();
    busy->assignToStation(fixture.station.get());
    CRefHandle<GBuildingNode> bare(new GBuildingNode(CObjectName(), nullptr, nullptr));
    bare->setPosition({300.0f, 200.0f, 0.0f});

    auto train = fixture.train();
    train->assignToStation(nullptr);
    EXPECT_EQ(train->getState(), GTrainNode::StateIdle) << "no station";
    train->assignToStation(fixture.station.get());
    EXPECT_EQ(train->getState(), GTrainNode::StateIdle) << "a train on its way there";
    (void)runUntil(busy.get(), GTrainNode::StateStanding);
    train->assignToStation(fixture.station.get());
    EXPECT_EQ(train->getState(), GTrainNode::StateIdle) << "a train standing there";
    train->assignToStation(bare.get());
    EXPECT_EQ(train->getState(), GTrainNode::StateIdle) << "no strip";
    EXPECT_EQ(train->getStrip(), nullptr);

    CRefHandle<GBuildingNode> other(new GBuildingNode(CObjectName(), nullptr, nullptr));
    other->setRailRoad(fixture.strip.get());
    busy->assignToStation(other.get());
    EXPECT_EQ(busy->getStation(), fixture.station.get()) << "a train that is not idle";
    EXPECT_EQ(fixture.strip->getTrains().size(), 1u);
}

TEST(GTrainNode, TrainsOnOneStripWaitForAFreeTrackAndShowWhereTheyOverlap) {
    TrainLevel fixture;
    CRefHandle<GBuildingNode> farStation(new GBuildingNode(CObjectName(), nullptr, nullptr));
    farStation->setPosition({200.0f, 200.0f, 0.0f});
    farStation->setRailRoad(fixture.strip.get());
    auto first = fixture.train();
    auto second = fixture.train();
    first->assignToStation(fixture.station.get());
    second->assignToStation(farStation.get());
    (void)first->update(30);
    ASSERT_EQ(first->getState(), GTrainNode::StateComingIn);
    EXPECT_EQ(first->getTintColor().value, GTrainNode::OverlapTint) << "both at the entry";

    // The second waits while the first is within 100 + 3 units of it.
    float firstXWhenFree = -1.0f;
    for (int i = 0; i < 20 && firstXWhenFree < 0.0f; ++i) {
        (void)second->update(30);
        if (second->getState() == GTrainNode::StateComingIn)
            firstXWhenFree = first->getPosition().x;
        else
            (void)first->update(30);
    }
    EXPECT_FLOAT_EQ(firstXWhenFree, 880.0f) << "910 is within 103 of 1000, 880 is not";
    // Running 90 apart they overlap; once the first stands at 400 and the
    // second has passed it to 200 they do not.
    (void)second->update(30);
    (void)first->update(30);
    EXPECT_EQ(first->getTintColor().value, GTrainNode::OverlapTint);
    for (int i = 0; i < 100 && second->getState() != GTrainNode::StateStanding; ++i) {
        (void)second->update(30);
        (void)first->update(30);
    }
    ASSERT_EQ(second->getState(), GTrainNode::StateStanding) << "a standing train does not block the track";
    (void)second->update(30);
    (void)first->update(30);
    EXPECT_EQ(second->getTintColor().value, GTrainNode::PlainTint);
    EXPECT_EQ(first->getTintColor().value, GTrainNode::PlainTint);
}

TEST(GTrainNode, ATrainSentAwayOnItsWayInLeavesWithoutTellingItsStation) {
    TrainLevel fixture;
    auto train = fixture.train();
    train->leave();
    EXPECT_EQ(train->getState(), GTrainNode::StateIdle) << "an idle train has nowhere to leave";
    train->assignToStation(fixture.station.get());
    (void)train->update(30);
    (void)train->update(30);
    ASSERT_EQ(train->getState(), GTrainNode::StateComingIn);
    train->leave();
    EXPECT_EQ(train->getState(), GTrainNode::StateWaitingToLeave);
    EXPECT_EQ(train->getStation(), nullptr);
    (void)runUntil(train.get(), GTrainNode::StateIdle);
    EXPECT_EQ(fixture.messages(GTrainLeavedMessage::TypeId), 0);
    EXPECT_EQ(fixture.messages(GTrainArrivedMessage::TypeId), 0);
    EXPECT_TRUE(train->getOffers().empty());

    // A stand time of 0 stands until sent away.
    fixture.record->ReleaseTimeoutRange = {0, 0};
    auto patient = fixture.train();
    CRefHandle<GBuildingNode> other(new GBuildingNode(CObjectName(), nullptr, nullptr));
    other->setPosition({600.0f, 200.0f, 0.0f});
    other->setRailRoad(fixture.strip.get());
    patient->assignToStation(other.get());
    (void)runUntil(patient.get(), GTrainNode::StateStanding);
    for (int i = 0; i < 100; ++i)
        (void)patient->update(1000);
    EXPECT_EQ(patient->getState(), GTrainNode::StateStanding);
}

TEST(GTrainNode, PricesAreCutToTheRounderAndRaisedToTheFloor) {
    const struct {
        int price, rounder, floor, result;
    } cases[] = {
        {4200, 5000, 1000, 1000},    {12600, 5000, 1000, 10000}, {10000, 5000, 1000, 10000},  {12600, 0, 1000, 12600},
        {12600, -5000, 1000, 12600}, {4200, 5000, INT_MIN, 0},   {2500, 1000, INT_MIN, 2000}, {12600, 1, 1000, 12600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.price) + " by " + std::to_string(c.rounder));
        EXPECT_EQ(GTrainNode::roundPrice(c.price, c.rounder, c.floor), c.result);
    }
}

TEST(GTrainNode, OffersFollowTheStockOfTheHeadquarters) {
    const struct {
        const char* what;
        int money, materials, gold;
        int firstGoldMaximum;
        int rounder;
        bool buy, sell;
    } cases[] = {
        {"rich: three to buy and three to sell", 100000, 1000, 100, 1500, 5000, true, true},
        {"Money 3000 against a first gold price above 1500", 3000, 1000, 100, 1600, 5000, false, true},
        {"Materials 250, no gold: 200 and 100 to sell", 3000, 250, 0, 1600, 5000, false, true},
        {"nothing to sell", 100000, 50, 5, 1500, 5000, true, false},
        {"neither", 100, 0, 0, 1500, 5000, false, false},
        {"no rounding", 100000, 1000, 100, 1500, 0, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TrainLevel fixture;
        fixture.setItems(stationItems(c.firstGoldMaximum));
        fixture.stock(c.money, c.materials, c.gold);
        fixture.level.global->RailRoadStationPricesRounder = c.rounder;
        auto train = fixture.train();
        train->createOffers();
        EXPECT_EQ(train->hasBuyOffers(), c.buy);
        EXPECT_EQ(train->hasSellOffers(), c.sell);
        const CArray<GTrainOffer>& offers = train->getOffers();
        ASSERT_EQ(offers.size(), uint32_t((c.buy ? 3 : 0) + (c.sell ? 3 : 0)));
        int goldBought = 0;
        int goldSold = 0;
        for (uint32_t i = 0; i < offers.size(); ++i) {
            const GTrainOffer& offer = offers[i];
            SCOPED_TRACE(i);
            EXPECT_EQ(offer.sale, !c.buy || i >= 3) << "purchases first";
            EXPECT_FALSE(offer.secondFlag);
            if (offer.resource == nameIdGold())
                ++(offer.sale ? goldSold : goldBought);
            if (c.rounder > 0) {
                EXPECT_TRUE(onlyRounded(offer.price, c.rounder)) << offer.price;
            }
            if (!offer.sale) {
                EXPECT_GE(offer.price, 1000);
                EXPECT_EQ(offer.templateName, offer.resource == nameIdGold() ? CName("Gold2") : CName("Wood3"));
            }
            if (offer.sale && c.materials == 250) {
                EXPECT_EQ(offer.resource, nameIdMaterials());
                EXPECT_TRUE(offer.amount == 200 || offer.amount == 100) << offer.amount;
                EXPECT_EQ(offer.templateName, CName("SellWood2"));
            }
        }
        EXPECT_EQ(goldBought, c.buy ? 1 : 0);
        EXPECT_EQ(goldSold, c.sell && c.gold >= 10 && c.materials >= 100 ? 1 : 0);
    }
}

TEST(GTrainNode, OffersNeedTheHeadquartersAndFullListsAndFallBackToTheLastItem) {
    TrainLevel fixture;
    auto train = fixture.train();
    train->createOffers();
    ASSERT_EQ(train->getOffers().size(), 6u);

    // Too short a list: the old offers stay.
    fixture.setItems(R"(<ObjectsConfiguration><RRStationItems>
        <Item Materials="100" MoneyRange="2000,3000"/><Item Gold="10" MoneyRange="1000,1500"/>
        <Item Gold="20" MoneyRange="2000,2500"/><Item Type="Sale" Materials="100" MoneyRange="1000,2000"/>
        <Item Type="Sale" Materials="200" MoneyRange="3000,4000"/><Item Type="Sale" Gold="10" MoneyRange="1,2"/>
        <Item Type="Sale" Gold="20" MoneyRange="1,2"/></RRStationItems></ObjectsConfiguration>)");
    train->createOffers();
    EXPECT_EQ(train->getOffers().size(), 6u);
    fixture.level.headquarters = nullptr;
    train->createOffers();
    EXPECT_EQ(train->getOffers().size(), 6u);
    fixture.level.headquarters = fixture.headquarters.get();

    // 700 Materials where the sale list stops at 300 and then jumps to 1000:
    // no item of 700, so the last one prices the offers.
    fixture.setItems(stationItems(1500, false));
    fixture.stock(0, 700, 0);
    train->createOffers();
    ASSERT_EQ(train->getOffers().size(), 3u);
    for (const GTrainOffer& offer : train->getOffers()) {
        EXPECT_EQ(offer.templateName, CName("SellWood10"));
        EXPECT_TRUE(offer.amount == 700 || offer.amount == 350) << offer.amount;
        EXPECT_GE(offer.price, 20000) << "priced from the 1000 item, not for nothing";
    }
}
