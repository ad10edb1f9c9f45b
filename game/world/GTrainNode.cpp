#include "game/world/GTrainNode.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/core/CUpdateScheduler.h"
#include "game/config/GResources.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/RRStationItems.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GRailRoadNode.h"

#include <algorithm>

namespace {

constexpr float kDepthPerX = 0.0001f;
constexpr float kSecondsPerMillisecond = 0.001f;
// Sale stock is offered in whole hundreds of Materials and tens of Gold.
constexpr int kMaterialsLot = 100;
constexpr int kGoldLot = 10;
constexpr int kPickRetries = 10;
// The lists each need this many items before offers are made.
constexpr uint32_t kMinimumItems = 2;
// The rounder of a level without a global configuration.
constexpr int DefaultPricesRounder = 5000;

CRandom* random() { return CEngineManagers::instance().getRandom(); }

uint32_t nextRandom() {
    CRandom* generator = random();
    return generator ? generator->next() : 0;
}

uint32_t nextFastRandom() {
    CRandom* generator = random();
    return generator ? generator->nextFast() : 0;
}

int randomInRange(int min, int max) {
    CRandom* generator = random();
    return generator ? generator->nextInRange(min, max) : min;
}

int drawPrice(const GRRStationItem& item) { return randomInRange(item.moneyMinimum, item.moneyMaximum); }

// The first item whose price range reaches `money`; the last one when none
// does (a list out of order).
const GRRStationItem& firstReaching(const CArray<GRRStationItem>& items, int money) {
    for (const GRRStationItem& item : items) {
        if (item.moneyMaximum >= money)
            return item;
    }
    return items.back();
}

// The item of exactly `amount`; the last one when there is none (a list
// that lacks the amount).
const GRRStationItem& withAmount(const CArray<GRRStationItem>& items, int amount) {
    for (const GRRStationItem& item : items) {
        if (item.amount == amount)
            return item;
    }
    return items.back();
}

GTrainOffer makeOffer(bool sale, CName resource, int amount, int price, CName templateName) {
    GTrainOffer offer;
    offer.sale = sale;
    offer.resource = resource;
    offer.amount = amount;
    offer.price = price;
    offer.templateName = templateName;
    return offer;
}

} // namespace

GTrainNode::GTrainNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GObjectNode(contentName, parent, sceneManager), m_config(new GTrainConfig) {}

GTrainNode::~GTrainNode() { m_offers.clear(); }

BaseNode* GTrainNode::create(const CObjectName& name) { return new GTrainNode(name, nullptr, nullptr); }

const CStringW& GTrainNode::getTypeName() const {
    static const CStringW name(u"GTrainNode");
    return name;
}

const CStringW& GTrainNode::getClassName() const { return GTrainNode::getTypeName(); }

BaseNode* GTrainNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GTrainNode>(parent, sceneManager);
}

void GTrainNode::setLevelScene(IGameLevel* level) {
    GObjectNode::setLevelScene(level);
    CUpdateScheduler* scheduler = level ? level->getUpdateScheduler() : nullptr;
    if (scheduler && getScheduler() != scheduler)
        setScheduler(scheduler);
}

void GTrainNode::setTrainConfig(GTrainConfig* config) {
    if (config)
        m_config = CRefHandle<GTrainConfig>::share(config);
}

int32_t GTrainNode::getVelocity() const { return std::max(1, m_config->Velocity); }

void GTrainNode::applyRunState(const char* left, const char* right) {
    applyStateRecursive(CName(getDirection() < 0 ? left : right), nullptr);
}

void GTrainNode::assignToStation(GBuildingNode* station) {
    if (!station || !station->getStandingTrains().empty() || !station->getAssignedTrains().empty() ||
        m_state != StateIdle || !station->getRailRoad())
        return;
    GRailRoadNode* strip = station->getRailRoad();
    m_strip = strip;
    m_station = station;
    const float rightEnd = strip->getPosition().x + strip->getBounds().x;
    m_startPoint = CVector2d(strip->getPosition().x, strip->getPosition().y);
    m_endPoint = CVector2d(station->getPosition().x, station->getPosition().y);
    if (strip->getEntrySide() == GRailRoadNode::EntryRight)
        m_startPoint.x = rightEnd;
    else if (strip->getEntrySide() == GRailRoadNode::EntryEither && !station->getTrainSide())
        m_startPoint.x = rightEnd;
    setPosition(CVector3d(m_startPoint.x, m_startPoint.y, 0.0f));
    setVisible(true);
    strip->addTrain(this);
    m_onStrip = true;
    m_standTime = randomInRange(m_config->ReleaseTimeoutRange.min, m_config->ReleaseTimeoutRange.max);
    applyRunState("ComingLeft", "ComingRight");
    station->onTrainAssigned(this);
    m_travelled = 0.0f;
    m_state = StateWaitingToEnter;
}

void GTrainNode::leave() {
    if (!m_strip || m_state == StateIdle || m_state == StateWaitingToLeave || m_state == StateLeaving)
        return;
    if (m_state == StateWaitingToEnter || m_state == StateComingIn)
        m_station = nullptr;
    m_startPoint = CVector2d(getPosition().x, getPosition().y);
    m_endPoint = CVector2d(m_strip->getPosition().x, m_strip->getPosition().y);
    const float rightEnd = m_strip->getPosition().x + m_strip->getBounds().x;
    if (m_strip->getEntrySide() == GRailRoadNode::EntryRight)
        m_endPoint.x = rightEnd;
    else if (m_strip->getEntrySide() == GRailRoadNode::EntryEither && randomInRange(0, 1) == 1)
        m_endPoint.x = rightEnd;
    m_onStrip = true;
    m_travelled = 0.0f;
    m_state = StateWaitingToLeave;
}

bool GTrainNode::isTrackFree() const {
    if (!m_strip)
        return true;
    const float x = getPosition().x;
    for (const GTrainNode* other : m_strip->getTrains()) {
        if (other == this || (other->m_state != StateComingIn && other->m_state != StateLeaving) ||
            other->getDirection() != getDirection())
            continue;
        const float otherX = other->getPosition().x;
        const float width = other->getBounds().x;
        if (x > otherX - width - TrackMargin && x < otherX + width + TrackMargin)
            return false;
    }
    return true;
}

void GTrainNode::updateTint() {
    bool overlapping = false;
    if (m_strip) {
        const float x = getPosition().x;
        for (const GTrainNode* other : m_strip->getTrains()) {
            if (other == this || other->m_state == StateIdle)
                continue;
            const float otherX = other->getPosition().x;
            const float width = other->getBounds().x;
            if (x > otherX - width && x < otherX + width) {
                overlapping = true;
                break;
            }
        }
    }
    const CColor tint(overlapping ? OverlapTint : PlainTint);
    if (getTintColor().value != tint.value)
        setTintColor(tint);
}

bool GTrainNode::update(uint32_t elapsed) {
    if (m_state != StateIdle)
        updateTint();
    switch (m_state) {
    case StateWaitingToEnter:
        if (isTrackFree())
            m_state = StateComingIn;
        break;
    case StateStanding: {
        const int64_t timer = int64_t(m_standTimer) + int64_t(elapsed);
        m_standTimer = int32_t(std::min<int64_t>(timer, INT32_MAX));
        if (m_standTime > 0 && m_standTimer > m_standTime) {
            m_standTime = 0;
            leave();
        }
        break;
    }
    case StateWaitingToLeave:
        if (isTrackFree()) {
            m_state = StateLeaving;
            applyRunState("LeavedLeft", "LeavedRight");
            if (m_station)
                m_station->onTrainLeft(this);
        }
        break;
    case StateComingIn:
    case StateLeaving:
        run(elapsed);
        break;
    default:
        break;
    }
    return true;
}

void GTrainNode::run(uint32_t elapsed) {
    m_travelled += float(getVelocity()) * float(elapsed) * kSecondsPerMillisecond;
    const CVector2d way = m_endPoint - m_startPoint;
    const float distance = way.length();
    bool finished = false;
    if (distance <= m_travelled) {
        m_travelled = distance;
        if (m_state == StateComingIn) {
            m_standTimer = 0;
            m_state = StateStanding;
            arrive();
        } else {
            m_state = StateIdle;
            finished = true;
        }
    }
    CVector2d direction = way;
    if (distance > 0.0f)
        direction = way * (1.0f / distance);
    const CVector2d place = m_startPoint + direction * m_travelled;
    setPosition(CVector3d(place.x, place.y, place.y + getBounds().y + place.x * kDepthPerX));
    markTransformDirty();
    if (!m_onStrip || !m_strip)
        return;
    if (m_state == StateLeaving) {
        const bool outLeft = getDirection() < 0 && place.x + getBounds().x < 0.0f;
        const IGameLevel* level = getLevelScene();
        const bool outRight = getDirection() > 0 && level && place.x > level->getLevelWidth();
        if (!outLeft && !outRight)
            return;
    } else if (!finished) {
        return;
    }
    // Off the level, or a run that ended inside it: either way the train is
    // no longer on the strip.
    m_onStrip = false;
    m_strip->removeTrain(this);
}

void GTrainNode::arrive() {
    applyRunState("ArrivedLeft", "ArrivedRight");
    createOffers();
    if (m_station)
        m_station->onTrainArrived(this);
}

int GTrainNode::roundPrice(int price, int rounder, int floor) {
    if (rounder > 0)
        price -= price % rounder;
    return std::max(price, floor);
}

int GTrainNode::rounder() const {
    const IGameLevel* level = getLevelScene();
    const GlobalConfig* global = level ? level->getGlobalConfig() : nullptr;
    return global ? global->RailRoadStationPricesRounder : DefaultPricesRounder;
}

void GTrainNode::pick(int count, int& first, int& second) {
    first = int(nextRandom() % uint32_t(count));
    second = int(nextRandom() % uint32_t(count));
    for (int i = 0; i < kPickRetries && second == first; ++i)
        second = int(nextFastRandom() % uint32_t(count));
}

void GTrainNode::appendInOrder(const GTrainOffer& extra, const GTrainOffer& first, const GTrainOffer& second) {
    switch (nextFastRandom() % 3) {
    case 0:
        m_offers.push_back(extra);
        m_offers.push_back(first);
        m_offers.push_back(second);
        break;
    case 1:
        m_offers.push_back(first);
        m_offers.push_back(extra);
        m_offers.push_back(second);
        break;
    default:
        m_offers.push_back(first);
        m_offers.push_back(second);
        m_offers.push_back(extra);
        break;
    }
}

void GTrainNode::createOffers() {
    IGameLevel* level = getLevelScene();
    const GObjectNode* headquarters = level ? nodeCast<GObjectNode>(level->getHeadquarters()) : nullptr;
    const ObjectsConfiguration* objects = level ? level->getObjectsConfiguration() : nullptr;
    const RRStationItems* items = objects ? objects->getStationItems() : nullptr;
    if (!headquarters || !items)
        return;
    for (int list = 0; list < RRStationItems::ListCount; ++list) {
        if (items->getList(RRStationItems::List(list)).size() < kMinimumItems)
            return;
    }
    m_offers.clear();
    m_buyOffersAvailable = true;
    m_sellOffersAvailable = true;
    createPurchaseOffers(headquarters->getMoney(), items->getList(RRStationItems::Materials),
                         items->getList(RRStationItems::Gold));
    createSaleOffers(headquarters->getResource(nameIdMaterials()), headquarters->getGold(),
                     items->getList(RRStationItems::SaleMaterials), items->getList(RRStationItems::SaleGold));
}

void GTrainNode::createPurchaseOffers(int money, const CArray<GRRStationItem>& materials,
                                      const CArray<GRRStationItem>& gold) {
    const int budgetMaterials = std::min(money / 2, materials.back().moneyMaximum);
    const int budgetGold = std::min(money / 2, gold.back().moneyMaximum);
    if (budgetMaterials < gold[0].moneyMaximum) {
        m_buyOffersAvailable = false;
        return;
    }
    const GRRStationItem& a = firstReaching(materials, budgetMaterials);
    const GRRStationItem& b = firstReaching(gold, budgetGold);
    const int r = rounder();
    auto price = [r](int value) { return roundPrice(value, r, MinimumPrice); };
    const CName wood = nameIdMaterials();
    const GTrainOffer candidates[3] = {
        makeOffer(false, wood, a.amount, price(drawPrice(a)), a.Template),
        makeOffer(false, wood, a.amount / 2, price(drawPrice(a) / 2), a.Template),
        makeOffer(false, wood, a.amount / 2, price(drawPrice(a)), a.Template),
    };
    const GTrainOffer extra = makeOffer(false, nameIdGold(), b.amount, price(drawPrice(b)), b.Template);
    int first = 0;
    int second = 0;
    pick(3, first, second);
    appendInOrder(extra, candidates[first], candidates[second]);
}

void GTrainNode::createSaleOffers(int materials, int gold, const CArray<GRRStationItem>& saleMaterials,
                                  const CArray<GRRStationItem>& saleGold) {
    const bool materialsOpen = materials >= saleMaterials[0].amount;
    const bool goldOpen = gold >= saleGold[0].amount;
    const int m = std::clamp(materials - materials % kMaterialsLot, saleMaterials[0].amount,
                             std::max(saleMaterials[0].amount, saleMaterials.back().amount));
    const int g =
        std::clamp(gold - gold % kGoldLot, saleGold[0].amount, std::max(saleGold[0].amount, saleGold.back().amount));
    const GRRStationItem& p = withAmount(saleMaterials, m);
    const GRRStationItem& q = withAmount(saleGold, g);
    const CName pTemplate = p.Template;
    const CName qTemplate = q.Template;
    const int r = rounder();
    const CName wood = nameIdMaterials();
    const CName coin = nameIdGold();
    if (materialsOpen && goldOpen) {
        auto price = [r](int value) { return roundPrice(value, r, MinimumPrice); };
        const GTrainOffer candidates[4] = {
            makeOffer(true, wood, m, price(drawPrice(p)), pTemplate),
            makeOffer(true, wood, m, price(drawPrice(p) / 2), pTemplate),
            makeOffer(true, wood, m / 2, price(drawPrice(p) / 2), pTemplate),
            makeOffer(true, wood, m / 2, price(drawPrice(p) / 4), pTemplate),
        };
        const GTrainOffer extra = makeOffer(true, coin, g, price(drawPrice(q)), qTemplate);
        int first = 0;
        int second = 0;
        pick(4, first, second);
        appendInOrder(extra, candidates[first], candidates[second]);
        return;
    }
    if (!materialsOpen && !goldOpen) {
        m_sellOffersAvailable = false;
        return;
    }
    // One side only: its own offers, without the price floor.
    const bool ofMaterials = materialsOpen;
    const GRRStationItem& item = ofMaterials ? p : q;
    const int amount = ofMaterials ? m : g;
    const CName resource = ofMaterials ? wood : coin;
    const CName templateName = ofMaterials ? pTemplate : qTemplate;
    auto price = [r](int value) { return roundPrice(value, r, INT32_MIN); };
    const GTrainOffer candidates[3] = {
        makeOffer(true, resource, amount, price(drawPrice(item) / 2), templateName),
        makeOffer(true, resource, amount / 2, price(drawPrice(item) / 2), templateName),
        makeOffer(true, resource, amount / 2, price(drawPrice(item) / 4), templateName),
    };
    const GTrainOffer extra = makeOffer(true, resource, amount, price(drawPrice(item)), templateName);
    int first = 0;
    int second = 0;
    pick(3, first, second);
    appendInOrder(extra, candidates[first], candidates[second]);
}
