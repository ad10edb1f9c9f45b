#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2d.h"
#include "game/config/GTrainConfig.h"
#include "game/world/GObjectNode.h"
#include "game/world/ILevelParts.h"
#include "game/world/IStationTrain.h"

#include <cstdint>

class GBuildingNode;
class GRailRoadNode;
struct GRRStationItem;

// One trade offer of a standing train.
struct GTrainOffer {
    // False: the player buys from the train; true: the player sells to it.
    bool sale = false;
    // False when the offer is made; not used by the train.
    bool secondFlag = false;
    // Materials or Gold.
    CName resource;
    int amount = 0;
    // Money paid or received.
    int price = 0;
    // The Template of the station item the offer was made from.
    CName templateName;
};

// A train of the level's pool. Sent to a railway station, it waits for a
// free track, rolls in along the station's strip, stands there with its
// trade offers for a random time and rolls out again; two trains on one
// strip never run through each other.
class GTrainNode : public GObjectNode, public IStationTrain, public ILevelTrain {
public:
    static constexpr int32_t TypeId = 2068;

    enum State : int32_t {
        StateIdle = 0,
        StateWaitingToEnter = 1,
        StateComingIn = 2,
        StateStanding = 3,
        StateWaitingToLeave = 4,
        StateLeaving = 5,
    };

    // Tint of a train that overlaps another one on its strip, and of one
    // that does not.
    static constexpr uint32_t OverlapTint = 0x7FFFFFFFu;
    static constexpr uint32_t PlainTint = 0xFFFFFFFFu;
    // Extra room (scene units) a train keeps to the one before it.
    static constexpr float TrackMargin = 3.0f;
    // Offer prices below this are raised to it (where a floor applies).
    static constexpr int MinimumPrice = 1000;

    GTrainNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GObjectNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;

    // Joins the level, then runs on the level's update scheduler.
    void setLevelScene(IGameLevel* level) override;
    // Tints, waits, stands and runs; always stays scheduled.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    // Takes a reference to `config`; null is ignored.
    void setTrainConfig(GTrainConfig* config) override;
    [[nodiscard]] GTrainConfig* getTrainConfig() const { return m_config.get(); }
    // The record's Velocity; 0 or below counts as 1.
    [[nodiscard]] int32_t getVelocity() const;

    // Sends an idle train to `station`; refused (nothing changes) for a
    // null or busy station, a station without a strip, or a train that is
    // not idle.
    void assignToStation(GBuildingNode* station) override;
    // Starts the departure. A train still on its way in leaves without
    // telling its station.
    void leave() override;
    // Remakes the trade offers from the station item lists and the
    // headquarters' stock; without both, the old offers stay.
    void createOffers();

    [[nodiscard]] int32_t getState() const override { return m_state; }
    [[nodiscard]] GRailRoadNode* getStrip() const { return m_strip; }
    [[nodiscard]] GBuildingNode* getStation() const { return m_station; }
    [[nodiscard]] const CVector2d& getStartPoint() const { return m_startPoint; }
    [[nodiscard]] const CVector2d& getEndPoint() const { return m_endPoint; }
    [[nodiscard]] float getTravelled() const { return m_travelled; }
    [[nodiscard]] bool isOnStrip() const { return m_onStrip; }
    [[nodiscard]] bool hasBuyOffers() const { return m_buyOffersAvailable; }
    [[nodiscard]] bool hasSellOffers() const { return m_sellOffersAvailable; }
    [[nodiscard]] int32_t getStandTimer() const { return m_standTimer; }
    [[nodiscard]] int32_t getStandTime() const { return m_standTime; }
    [[nodiscard]] const CArray<GTrainOffer>& getOffers() const { return m_offers; }
    // Marks the offer at `index` as taken by the player; nothing past the list.
    void markOfferUsed(int index) {
        if (index >= 0 && uint32_t(index) < m_offers.size())
            m_offers[uint32_t(index)].secondFlag = true;
    }
    // -1 when the run goes to the left, +1 otherwise.
    [[nodiscard]] int32_t getDirection() const { return m_startPoint.x > m_endPoint.x ? -1 : 1; }
    // True unless another train on the strip runs the same way close ahead
    // or behind (within its width plus TrackMargin).
    [[nodiscard]] bool isTrackFree() const;

    // `price` cut down to a multiple of `rounder` (no rounding for a rounder
    // of 0 or below), then raised to `floor`.
    [[nodiscard]] static int roundPrice(int price, int rounder, int floor);
    // Two indices into `count` candidates, the second drawn again (at most
    // 10 times) while it equals the first.
    static void pick(int count, int& first, int& second);
    // Places `extra` among candidates[first] and candidates[second] by a
    // random order 0..2 and appends the three.
    void appendInOrder(const GTrainOffer& extra, const GTrainOffer& first, const GTrainOffer& second);

protected:
    ~GTrainNode() override;

private:
    void applyRunState(const char* left, const char* right);
    void run(uint32_t elapsed);
    void arrive();
    void updateTint();
    [[nodiscard]] int rounder() const;
    void createPurchaseOffers(int money, const CArray<GRRStationItem>& materials, const CArray<GRRStationItem>& gold);
    void createSaleOffers(int materials, int gold, const CArray<GRRStationItem>& saleMaterials,
                          const CArray<GRRStationItem>& saleGold);

    CRefHandle<GTrainConfig> m_config;
    int32_t m_state = StateIdle;
    GRailRoadNode* m_strip = nullptr;
    CVector2d m_startPoint;
    CVector2d m_endPoint;
    float m_travelled = 0.0f;
    bool m_onStrip = true;
    bool m_buyOffersAvailable = true;
    bool m_sellOffersAvailable = true;
    int32_t m_standTimer = 0;
    int32_t m_standTime = 0;
    CArray<GTrainOffer> m_offers;
    GBuildingNode* m_station = nullptr;
};
