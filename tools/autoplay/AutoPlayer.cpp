#include "tools/autoplay/AutoPlayer.h"

#include "engine/core/CLog.h"
#include "engine/scene/CEventClicked.h"
#include "game/config/GAmountObjectives.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GBuildingObjectives.h"
#include "game/config/GlobalConfig.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectivesGroup.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/RRStationItems.h"
#include "game/config/ServeArea.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GHeadquartersOperations.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/ILevelParts.h"
#include "tools/autoplay/AutoPlayWorld.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

// The player looks at the level this often (game time).
constexpr uint32_t kThinkMs = 250;
// Game time without a new action after which a level is given up: without
// income, and in any case.
constexpr uint64_t kPatienceMs = 5 * 60 * 1000;
constexpr uint64_t kLongPatienceMs = 20 * 60 * 1000;

CName name(const char* text) { return CName(text); }

bool contains(const CArray<CName>& names, CName name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string text(CName name) { return name.str().c_str(); }

// The money and materials an action costs, as one figure to compare by.
double price(const GResourceMap& cost) {
    double total = 0.0;
    for (const auto& entry : cost)
        total += entry.key == name("Materials") ? entry.value * 1200.0
                 : entry.key == name("Gold")    ? entry.value * 16000.0
                                                : double(entry.value);
    return total;
}

} // namespace

AutoPlayer::AutoPlayer(AutoPlayWorld& world) : m_world(world) {}

AutoPlayResult AutoPlayer::play(uint64_t limitMs) {
    AutoPlayResult result;
    m_level = m_world.getLevel();
    m_headquarters = m_world.getHeadquarters();
    m_rules = m_world.getLevelConfiguration();
    m_objects = m_level ? m_level->getObjectsConfiguration() : nullptr;
    if (!m_level || !m_headquarters || !m_rules || !m_objects) {
        result.stuck = "the level did not start";
        return result;
    }
    m_levelNumber = m_level->getLevelNumber();
    result.groups = int(m_rules->getGroupCount());
    if (m_trace)
        for (GBuildingNode* location : m_level->getLocations())
            note(text(location->getName()) + ": " + (location->getType() ? text(location->getType()->Name) : "-") +
                 (location->isVisible() ? " visible" : "") + (location->isEnabled() ? " enabled" : "") +
                 (location->isReachable() ? " reachable" : ""));
    if (m_trace)
        for (GBuildingNode* place : m_level->getPlaces())
            note(text(place->getName()) + ": " + (place->getType() ? text(place->getType()->Name) : "-") +
                 (place->isVisible() ? " visible" : "") + (place->isEnabled() ? " enabled" : "") +
                 (place->isReachable() ? " reachable" : "") + (place->isOperating() ? " operating" : ""));

    // The elapsed time of the group under way, kept as each group ends.
    std::vector<int> groupElapsed;
    int lastIndex = m_level->getGroupIndex();
    int lastElapsed = 0;
    uint32_t sinceThought = kThinkMs;
    auto levelComplete = [this] {
        return m_level->isGroupComplete() && m_level->getGroupIndex() + 1 >= int(m_rules->getGroupCount());
    };
    // A level where nothing can be done any more is given up early: with no
    // income after a few days, or after a long while in any case.
    auto stalled = [this] {
        const uint64_t idle = m_world.getElapsed() - m_lastAction;
        return idle > kLongPatienceMs || (idle > kPatienceMs && m_level->getLevelIncome() <= 0.0f);
    };
    while (!levelComplete() && m_world.getElapsed() < limitMs && !stalled()) {
        if (sinceThought >= kThinkMs) {
            sinceThought = 0;
            think();
        }
        lastElapsed = m_level->getGroupElapsed();
        m_world.step(GGameLevelScene::TickInterval);
        sinceThought += GGameLevelScene::TickInterval;
        if (m_level->getGroupIndex() != lastIndex) {
            m_lastAction = m_world.getElapsed();
            if (lastIndex >= 0)
                groupElapsed.push_back(lastElapsed + int(GGameLevelScene::TickInterval));
            lastIndex = m_level->getGroupIndex();
            noteTotals("group " + std::to_string(lastIndex + 1) + " begins");
        }
    }
    if (levelComplete())
        groupElapsed.push_back(m_level->getGroupElapsed());
    noteTotals("the level ends");

    result.played = int(m_world.getElapsed() / 1000);
    result.letters = m_letters;
    result.letterMoney = m_letterMoney;
    result.groupsDone = int(m_level->getGroupResults()->size());
    for (uint8_t inTime : *m_level->getGroupResults())
        result.groupsInTime += inTime ? 1 : 0;
    for (size_t g = 0; g < groupElapsed.size() && g < m_rules->getGroupCount(); ++g) {
        result.groupTimeLeft.push_back(std::max(0, m_rules->getGroup(uint32_t(g))->Time - groupElapsed[g] / 1000));
        result.timeLeft += result.groupTimeLeft.back();
    }
    result.finished = levelComplete();
    if (result.finished) {
        const int half = (result.groups + 1) / 2;
        result.rank = m_rules->IsClockOn && result.groupsInTime < half ? 1 : 2;
    } else {
        result.stuck = (m_wait.empty() ? std::string("nothing left to try") : m_wait) +
                       (stalled() ? " (given up)" : " (out of time)");
    }
    return result;
}

void AutoPlayer::noteTotals(const std::string& when) {
    note(when + ": income " + std::to_string(int(m_level->getLevelIncome())) + ", guests " +
         std::to_string(m_level->getGuests()) + ", happiness " + std::to_string(m_level->getHappiness()));
}

void AutoPlayer::note(const std::string& line) {
    m_lastAction = m_world.getElapsed();
    if (m_trace)
        std::printf("  %6.1f s  %s\n", double(m_world.getElapsed()) / 1000.0, line.c_str());
}

int AutoPlayer::resource(const char* resourceName) const { return m_headquarters->getResource(name(resourceName)); }

// ---------------------------------------------------------------------------
// One look at the level

void AutoPlayer::think() {
    for (auto it = m_pending.begin(); it != m_pending.end();)
        it = it->first->getTaskKind() == GBuildingNode::TaskNone ? m_pending.erase(it) : std::next(it);
    m_workforce = std::max(m_workforce, m_headquarters->getWorkersCount() + m_headquarters->getReturningWorkersCount());
    startGroupClock();
    collectLetters();
    repairBuildings();
    collectPiles();
    tradeAtStation();
    m_wait.clear();
    if (clearBlockers())
        return;
    const int index = m_level->getGroupIndex();
    if (index < 0 || uint32_t(index) >= m_rules->getGroupCount())
        return;
    const ObjectivesGroup* group = m_rules->getGroup(uint32_t(index));
    bool acted = false;
    m_saving = false;
    // Savings come last: what the other objectives ask for is bought first.
    for (int pass = 0; pass < 2 && !acted && !m_saving; ++pass) {
        for (uint32_t i = 0; i < group->size() && !acted; ++i) {
            const GObjective* objective = group->get(i);
            if (!objective || objective->isComplete(m_level->getObjectiveLevel()) ||
                (dynamic_cast<const GObjectiveMoney*>(objective) != nullptr) != (pass == 1))
                continue;
            m_saving = false;
            acted = pursue(objective);
            // What this objective waits for is not spent on the next one.
            if (m_saving)
                break;
        }
    }
    // With nothing else to do, the piles by the road are cleared for what
    // they hold and for the places they block.
    if (!acted)
        clearLocations();
    // The trace tells what the player waits for each time that changes.
    if (m_trace && m_wait != m_tracedWait) {
        m_tracedWait = m_wait;
        if (!m_wait.empty())
            std::printf("  %6.1f s  (waits: %s)\n", double(m_world.getElapsed()) / 1000.0, m_wait.c_str());
    }
}

void AutoPlayer::startGroupClock() {
    // The player's first click after a group starts lets the clock run.
    if (m_level->areRandomEventsPaused()) {
        const CRefHandle<CEventClicked> click(new CEventClicked(nullptr));
        (void)m_level->onClicked(click.get());
    }
}

void AutoPlayer::collectLetters() {
    for (BaseNode* letter : m_level->getLetters()) {
        auto* record = dynamic_cast<GLetterRecord*>(letter->getUserData());
        if (!record || !record->building)
            continue;
        note("collects a letter of " + std::to_string(record->money) + " at " + text(record->building->getName()));
        ++m_letters;
        m_letterMoney += record->money;
        const CRefHandle<CEventClicked> click(new CEventClicked(record->building));
        (void)m_level->onClicked(click.get());
        return; // the list has changed
    }
}

void AutoPlayer::clearLocations() {
    for (GBuildingNode* location : m_level->getLocations()) {
        auto* onRoad = nodeCast<GOnRoadLocationNode>(location);
        if (!onRoad || onRoad->getWorkState() != ILevelLocation::Available || !onRoad->isReachable() ||
            !onRoad->isVisible() || !onRoad->isEnabled())
            continue;
        if (!onRoad->getFirstTutorialFileName().empty() && !onRoad->isGuideSent()) {
            note("sends the guide to " + text(onRoad->getName()));
            onRoad->startTakeMaterials();
            return;
        }
        if (canBuild(*m_headquarters, onRoad, onRoad->getType())) {
            note("clears " + text(onRoad->getName()));
            onRoad->startWork();
            return;
        }
    }
}

bool AutoPlayer::clearBlockers() {
    bool cutOff = false;
    for (GBuildingNode* place : m_level->getPlaces())
        if (place != m_headquarters && place->isVisible() && place->isEnabled() && !place->isReachable())
            cutOff = true;
    if (!cutOff)
        return false;
    for (GBuildingNode* location : m_level->getLocations()) {
        auto* onRoad = nodeCast<GOnRoadLocationNode>(location);
        if (!onRoad || onRoad->getWorkState() != ILevelLocation::Available || !onRoad->isReachable() ||
            !onRoad->isVisible() || !onRoad->isEnabled() || !onRoad->getFirstTutorialFileName().empty())
            continue;
        // What takes goods (a quest) is left for later.
        GResourceMap cost;
        onRoad->getBuildCost(cost, onRoad->getType());
        if (cost.find(name("Gold")) != cost.end() || cost.find(name("Materials")) != cost.end())
            continue;
        if (canBuild(*m_headquarters, onRoad, onRoad->getType())) {
            note("clears " + text(onRoad->getName()) + " off the road");
            onRoad->startWork();
            return true;
        }
    }
    return false;
}

void AutoPlayer::repairBuildings() {
    for (GBuildingNode* place : m_level->getPlaces()) {
        if (place->getTaskKind() != GBuildingNode::TaskNone)
            continue;
        if (place->getDamageState() == GBuildingNode::DamageBroken && startRepair(*m_headquarters, place))
            note("repairs " + text(place->getName()));
        else if (place->getDamageState() == GBuildingNode::DamageRestore && startRestore(*m_headquarters, place))
            note("restores " + text(place->getName()));
    }
}

void AutoPlayer::tradeAtStation() {
    // Goods are sold for money only when gold or materials pile up unused;
    // buying is done where an action lacks materials.
}

// ---------------------------------------------------------------------------
// Objectives

bool AutoPlayer::pursue(const GObjective* objective) {
    if (const auto* typed = dynamic_cast<const GObjectiveHaveTypedBuildingsCount*>(objective)) {
        if (isPending(typed->BuildingTypes))
            return false;
        return acquire(typed->BuildingTypes, typed->PlaceNames);
    }
    if (const auto* each = dynamic_cast<const GObjectiveHaveEachTypeBuildingsCount*>(objective)) {
        for (CName type : each->BuildingTypes) {
            int have = 0;
            for (GBuildingNode* place : m_level->getPlaces())
                if (place->getType() && place->getType()->Name == type && place->isOperating())
                    ++have;
            CArray<CName> one;
            one.push_back(type);
            if (have < each->Value && !isPending(one))
                return acquire(one, CArray<CName>());
        }
        return false;
    }
    if (dynamic_cast<const GObjectiveIncome*>(objective) || dynamic_cast<const GObjectiveMoney*>(objective))
        return improve(Metric::Income);
    if (dynamic_cast<const GObjectiveGuestsCount*>(objective))
        return improve(Metric::Guests);
    if (dynamic_cast<const GObjectiveHappiness*>(objective))
        return improve(Metric::Happiness);
    if (dynamic_cast<const GObjectiveGold*>(objective))
        return getGold();
    if (dynamic_cast<const GObjectiveWorkers*>(objective))
        return orderWorkers();
    if (const auto* history = dynamic_cast<const GObjectiveTypedHistoryActionsCount*>(objective)) {
        if (history->Action == GGameLevelScene::ActionBuild)
            return !isPending(history->BuildingTypes) && acquire(history->BuildingTypes, history->PlaceNames);
        if (history->Action == GGameLevelScene::ActionTakeOnRoadMaterials) {
            clearLocations();
            return true;
        }
    }
    m_wait = "an objective the player does not pursue";
    return false;
}

bool AutoPlayer::acquire(const CArray<CName>& types, const CArray<CName>& placeNames) {
    auto placeAllowed = [&placeNames](const GBuildingNode* place) {
        return placeNames.empty() || contains(placeNames, place->getName());
    };
    // A level-up of a building on the way, nearest first.
    GBuildingNode* best = nullptr;
    int bestSteps = std::numeric_limits<int>::max();
    for (GBuildingNode* place : m_level->getPlaces()) {
        if (!placeAllowed(place) || !isIdle(place) || !place->isOperating() || !place->getType() ||
            place->getType()->Level == 0 || contains(types, place->getType()->Name))
            continue;
        const int steps = stepsTo(place->getType(), types);
        if (steps > 0 && steps < bestSteps && canBeServed(place, place->getType(), steps)) {
            best = place;
            bestSteps = steps;
        }
    }
    // A new building: of one of the types, or the start of a line to them.
    GBuildingConfig* newType = nullptr;
    int newSteps = std::numeric_limits<int>::max();
    for (const auto& entry : m_objects->getBuildings()) {
        GBuildingConfig* type = entry.value.get();
        if (!isBuildable(type))
            continue;
        const int steps = contains(types, type->Name) ? 0 : stepsTo(type, types);
        if (steps >= 0 && (steps < newSteps || (steps == newSteps && price(type->Build.Resources) <
                                                                        price(newType->Build.Resources)))) {
            newType = type;
            newSteps = steps;
        }
    }
    if (best && (!newType || bestSteps <= newSteps + 1))
        return tryBuild(best, nextType(best->getType()), true);
    if (newType) {
        GBuildingNode* place = bestPlaceFor(newType, placeNames);
        if (place)
            return tryBuild(place, newType, false);
        m_wait = "no free place for " + text(newType->Name);
        return makeRoom(types);
    }
    m_wait = "no way to a building of " + (types.empty() ? std::string("?") : text(types[0]));
    return false;
}

bool AutoPlayer::makeRoom(const CArray<CName>& keep) {
    // Pulls down the building that earns least, of a type the objective
    // does not ask for, where the level allows it.
    const GlobalConfig* global = m_level->getGlobalConfig();
    if (global && m_levelNumber < global->AllowDestroyFromLevel)
        return false;
    GBuildingNode* victim = nullptr;
    for (GBuildingNode* place : m_level->getPlaces()) {
        const GBuildingConfig* type = place->getType();
        if (!type || place == m_headquarters || type->Level == 0 || !type->CanBeDestroyed || !isIdle(place) ||
            contains(keep, type->Name) || stepsTo(type, keep) >= 0 || produces(type, name("Materials")) ||
            produces(type, name("Gold")) || !type->ServeAreas.empty() || !place->isReachable() || isNeeded(place))
            continue;
        if (!victim || place->getIncome() < victim->getIncome())
            victim = place;
    }
    const std::string victimType = victim ? text(victim->getType()->Name) : std::string();
    if (victim && startDestroy(*m_headquarters, victim)) {
        note("pulls down " + victimType + " on " + text(victim->getName()));
        m_pending[victim] = name("BuildingPlace");
        return true;
    }
    return false;
}

bool AutoPlayer::improve(Metric metric) {
    auto gain = [metric](const GBuildingConfig* type) -> double {
        if (!type)
            return 0.0;
        switch (metric) {
        case Metric::Income:
            return type->Income;
        case Metric::Guests:
            return type->GuestsCount;
        case Metric::Happiness:
            return type->Happiness;
        }
        return 0.0;
    };
    GBuildingNode* bestPlace = nullptr;
    GBuildingConfig* bestType = nullptr;
    bool bestLevelUp = false;
    double bestScore = 0.0;
    auto consider = [&](GBuildingNode* place, GBuildingConfig* type, double more, bool levelUp) {
        if (more <= 0.0)
            return;
        GResourceMap cost;
        place->getBuildCost(cost, type);
        const double score = more / (price(cost) + 1000.0);
        if (score > bestScore) {
            bestScore = score;
            bestPlace = place;
            bestType = type;
            bestLevelUp = levelUp;
        }
    };
    for (GBuildingNode* place : m_level->getPlaces()) {
        if (!isIdle(place) || !place->isReachable() || isEmptyPlace(place))
            continue;
        GBuildingConfig* next = place->isOperating() ? nextType(place->getType()) : nullptr;
        if (next && isAllowed(next))
            consider(place, next, gain(next) - gain(place->getType()), true);
    }
    for (const auto& entry : m_objects->getBuildings())
        if (isBuildable(entry.value.get()))
            if (GBuildingNode* place = bestPlaceFor(entry.value.get(), CArray<CName>()))
                consider(place, entry.value.get(), gain(entry.value.get()), false);
    if (!bestPlace) {
        m_wait = "nothing left to raise the level's totals";
        return false;
    }
    return tryBuild(bestPlace, bestType, bestLevelUp);
}

bool AutoPlayer::getGold() {
    m_saving = true;
    return getResource(name("Gold"), 1);
}

bool AutoPlayer::orderWorkers() {
    if (m_headquarters->getOrderTimeLeft() >= 0)
        return false;
    const GWorkerOffer* cheapest = nullptr;
    for (const auto& offer : m_rules->getWorkerOffers())
        if (!cheapest || offer->Price < cheapest->Price)
            cheapest = offer.get();
    if (cheapest && ::orderWorkers(*m_headquarters, cheapest)) {
        note("orders " + std::to_string(cheapest->Count) + " workers");
        return true;
    }
    m_wait = "workers cannot be ordered";
    return false;
}

// ---------------------------------------------------------------------------
// Getting what an action needs

bool AutoPlayer::tryBuild(GBuildingNode* place, GBuildingConfig* type, bool levelUp) {
    if (!place || !type)
        return false;
    if (!type->RequiredServeAreas.empty() && provideServices(place, type))
        return true;
    const bool started = levelUp ? startLevelUp(*m_headquarters, place, type)
                                 : startBuild(*m_headquarters, place, type);
    if (started) {
        note(std::string(levelUp ? "levels up " : "builds ") + text(type->Name) + " on " + text(place->getName()));
        m_pending[place] = type->Name;
        return true;
    }
    GResourceMap cost;
    place->getBuildCost(cost, type);
    const int workers = place->getBuildWorkers(type);
    const std::string what = text(type->Name) + " on " + text(place->getName());
    m_saving = true;
    if (m_headquarters->getWorkersCount() < workers) {
        m_wait = "workers for " + what;
        // Workers come home by themselves; more are bought (dearly) only
        // when every worker the level has would not do.
        if (m_workforce < workers)
            return orderWorkers();
        return false;
    }
    for (const auto& entry : cost) {
        const int have = m_headquarters->getResource(entry.key);
        if (have >= entry.value)
            continue;
        m_wait = text(entry.key) + " for " + what;
        if (entry.key == name("Materials") || entry.key == name("Gold"))
            return getResource(entry.key, entry.value - have);
        return false;
    }
    m_wait = what + " refused";
    return false;
}

bool AutoPlayer::getResource(CName resource, int amount) {
    // From a producer of ours: the biggest order the store pays for.
    bool haveProducer = false;
    for (GBuildingNode* place : m_level->getPlaces()) {
        const auto pending = m_pending.find(place);
        if (!produces(place->getType(), resource) &&
            !(pending != m_pending.end() && produces(m_objects->findBuilding(pending->second), resource)))
            continue;
        haveProducer = true;
        if (!isIdle(place) || !place->isOperating())
            continue;
        const auto& items = place->getType()->ProduceItems;
        for (uint32_t i = items.size(); i-- > 0;) {
            GProduceItemConfig* item = items[i].get();
            if (item->ProducedResources.find(resource) == item->ProducedResources.end())
                continue;
            if (startProduction(*m_headquarters, place, item)) {
                note("produces " + text(resource) + " at " + text(place->getName()));
                return true;
            }
        }
    }
    // From a train standing at a station of ours.
    if (const RRStationItems* items = m_objects->getStationItems()) {
        const CArray<GRRStationItem>& offers =
            items->getList(resource == name("Gold") ? RRStationItems::Gold : RRStationItems::Materials);
        for (GBuildingNode* place : m_level->getPlaces()) {
            if (place->getStandingTrains().empty())
                continue;
            for (uint32_t i = 0; i < offers.size(); ++i) {
                const GRRStationItem& item = offers[i];
                if (item.resource != resource || (item.amount < amount && i + 1 < offers.size()))
                    continue;
                if (buyResource(*m_headquarters, item.resource, item.amount, item.moneyMaximum)) {
                    note("buys " + std::to_string(item.amount) + " " + text(resource) + " at " +
                         text(place->getName()));
                    return true;
                }
            }
        }
    }
    // A producer of our own.
    if (!haveProducer) {
        CArray<CName> producers;
        for (const auto& entry : m_objects->getBuildings())
            if (produces(entry.value.get(), resource) && isAllowed(entry.value.get()))
                producers.push_back(entry.value->Name);
        if (!producers.empty()) {
            const std::string wanted = m_wait;
            if (acquire(producers, CArray<CName>()))
                return true;
            m_wait = wanted;
        }
    }
    return false;
}

bool AutoPlayer::produces(const GBuildingConfig* type, CName resource) const {
    if (!type)
        return false;
    for (const auto& item : type->ProduceItems)
        if (item->ProducedResources.find(resource) != item->ProducedResources.end())
            return true;
    return false;
}

void AutoPlayer::collectPiles() {
    // The piles a building leaves by the road, for what they hold.
    for (GBuildingNode* place : m_level->getPlaces()) {
        for (const auto& entry : place->getRandomResources()) {
            auto* pile = nodeCast<GOnRoadLocationNode>(entry.get());
            if (!pile || pile->getWorkState() != ILevelLocation::Available || !pile->isReachable())
                continue;
            if (canBuild(*m_headquarters, pile, pile->getType())) {
                note("takes the pile by " + text(place->getName()));
                pile->startWork();
            }
        }
    }
}

bool AutoPlayer::provideServices(GBuildingNode* place, const GBuildingConfig* type) {
    for (CName area : type->RequiredServeAreas) {
        if (hasService(place, area))
            continue;
        // A provider of the area on a free place whose area covers this one.
        for (const auto& entry : m_objects->getBuildings()) {
            GBuildingConfig* provider = entry.value.get();
            if (!isBuildable(provider))
                continue;
            for (GBuildingNode* free : m_level->getPlaces())
                if (isEmptyPlace(free) && isIdle(free) && free->isReachable() && covers(free, provider, place, area)) {
                    m_wait = text(area) + " for " + text(place->getName());
                    return tryBuild(free, provider, false) || true;
                }
        }
        // No free place: the least of the buildings on a place that would
        // do is pulled down.
        GBuildingNode* victim = nullptr;
        for (const auto& entry : m_objects->getBuildings()) {
            GBuildingConfig* provider = entry.value.get();
            if (!isBuildable(provider))
                continue;
            for (GBuildingNode* spot : m_level->getPlaces())
                if (spot != place && isFreeable(spot) && covers(spot, provider, place, area) &&
                    (!victim || spot->getIncome() < victim->getIncome()))
                    victim = spot;
        }
        const std::string victimType = victim ? text(victim->getType()->Name) : std::string();
        if (victim && startDestroy(*m_headquarters, victim)) {
            note("pulls down " + victimType + " on " + text(victim->getName()) + " for " + text(area));
            m_pending[victim] = name("BuildingPlace");
            return true;
        }
        m_wait = "no place for a provider of " + text(area) + " near " + text(place->getName());
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Queries

GBuildingNode* AutoPlayer::bestPlaceFor(const GBuildingConfig* type, const CArray<CName>& placeNames) const {
    // A provider goes where it serves the most buildings; a building that
    // needs services where it has the most of them.
    GBuildingNode* best = nullptr;
    int bestScore = -1;
    for (GBuildingNode* place : m_level->getPlaces()) {
        if (!isEmptyPlace(place) || !isIdle(place) || !place->isReachable() ||
            (!placeNames.empty() && !contains(placeNames, place->getName())))
            continue;
        int score = 0;
        for (const ServeArea& area : type->ServeAreas)
            for (GBuildingNode* other : m_level->getPlaces())
                if (other != place && !isEmptyPlace(other) && other != m_headquarters && other->getType() &&
                    other->getType()->Level > 0 && covers(place, type, other, area.Name))
                    score += 2;
        for (CName area : type->RequiredServeAreas)
            if (hasService(place, area))
                score += 3;
        if (score > bestScore) {
            best = place;
            bestScore = score;
        }
    }
    return best;
}

bool AutoPlayer::isFreeable(const GBuildingNode* spot) const {
    const GBuildingConfig* type = spot->getType();
    const GlobalConfig* global = m_level->getGlobalConfig();
    return type && spot != m_headquarters && type->Level == 1 && type->CanBeDestroyed && isIdle(spot) &&
           spot->isReachable() && (!global || m_levelNumber >= global->AllowDestroyFromLevel) &&
           !produces(type, name("Materials")) && !produces(type, name("Gold")) && type->ServeAreas.empty() &&
           !isNeeded(spot);
}

bool AutoPlayer::isNeeded(const GBuildingNode* spot) const {
    const int index = m_level->getGroupIndex();
    if (!spot->getType() || index < 0 || uint32_t(index) >= m_rules->getGroupCount())
        return false;
    // The type a place holds or will hold.
    auto typeOf = [this](const GBuildingNode* place) -> const GBuildingConfig* {
        const auto pending = m_pending.find(const_cast<GBuildingNode*>(place));
        return pending != m_pending.end() ? m_objects->findBuilding(pending->second) : place->getType();
    };
    auto counts = [&](const GBuildingNode* place, const CArray<CName>& types, const CArray<CName>& placeNames) {
        const GBuildingConfig* type = typeOf(place);
        return type && type->Level > 0 && (placeNames.empty() || contains(placeNames, place->getName())) &&
               stepsTo(type, types) >= 0;
    };
    auto short_ = [&](const CArray<CName>& types, const CArray<CName>& placeNames, int wanted) {
        if (!counts(spot, types, placeNames))
            return false;
        int have = 0;
        for (GBuildingNode* place : m_level->getPlaces())
            if (counts(place, types, placeNames))
                ++have;
        return have <= wanted;
    };
    const ObjectivesGroup* group = m_rules->getGroup(uint32_t(index));
    for (uint32_t i = 0; i < group->size(); ++i) {
        const GObjective* objective = group->get(i);
        if (const auto* typed = dynamic_cast<const GObjectiveHaveTypedBuildingsCount*>(objective)) {
            if (short_(typed->BuildingTypes, typed->PlaceNames, typed->Value))
                return true;
        } else if (const auto* each = dynamic_cast<const GObjectiveHaveEachTypeBuildingsCount*>(objective)) {
            for (CName type : each->BuildingTypes) {
                CArray<CName> one;
                one.push_back(type);
                if (short_(one, CArray<CName>(), each->Value))
                    return true;
            }
        }
    }
    return false;
}

bool AutoPlayer::canBeServed(const GBuildingNode* place, const GBuildingConfig* type, int steps) const {
    for (int step = 0; step < steps && type; ++step) {
        type = nextType(type);
        if (!type)
            return false;
        for (CName area : type->RequiredServeAreas) {
            if (hasService(place, area))
                continue;
            bool possible = false;
            for (const auto& entry : m_objects->getBuildings()) {
                const GBuildingConfig* provider = entry.value.get();
                if (!isBuildable(provider))
                    continue;
                for (GBuildingNode* free : m_level->getPlaces())
                    if (free != place && (isEmptyPlace(free) || isFreeable(free)) && free->isReachable() &&
                        covers(free, provider, place, area))
                        possible = true;
            }
            if (!possible)
                return false;
        }
    }
    return true;
}

bool AutoPlayer::isAllowed(const GBuildingConfig* type) const {
    return type && !contains(m_rules->ForbiddenBuildings, type->Name) && m_levelNumber >= type->AllowedFromLevel;
}

bool AutoPlayer::isBuildable(const GBuildingConfig* type) const {
    return isAllowed(type) && type->Level == 1 && type->Kind != GBuildingType::BuildingPlace &&
           type->Kind != GBuildingType::MajorOffice && type->Kind != GBuildingType::OnRoad;
}

GBuildingConfig* AutoPlayer::nextType(const GBuildingConfig* type) const {
    if (!type || type->Upgrades.empty())
        return nullptr;
    GBuildingConfig* next = m_objects->findBuilding(type->Upgrades[0]);
    return isAllowed(next) ? next : nullptr;
}

int AutoPlayer::stepsTo(const GBuildingConfig* from, const CArray<CName>& types) const {
    int steps = 0;
    for (const GBuildingConfig* type = from; type && steps < 16; type = nextType(type), ++steps)
        if (contains(types, type->Name))
            return steps;
    return -1;
}

bool AutoPlayer::isEmptyPlace(const GBuildingNode* place) const {
    return place->isVisible() && place->isEnabled() && place->getType() && place->getType()->Level == 0 &&
           place->getType()->Kind == GBuildingType::BuildingPlace && place != m_headquarters;
}

bool AutoPlayer::isIdle(const GBuildingNode* place) const {
    return place->getTaskKind() == GBuildingNode::TaskNone &&
           m_pending.find(const_cast<GBuildingNode*>(place)) == m_pending.end();
}

bool AutoPlayer::isPending(const CArray<CName>& types) const {
    for (const auto& [place, type] : m_pending)
        if (contains(types, type))
            return true;
    return false;
}

bool AutoPlayer::covers(const GBuildingNode* provider, const GBuildingConfig* providerType,
                        const GBuildingNode* place, CName area) const {
    CArray<ServeArea> areas;
    for (const ServeArea& serve : providerType->ServeAreas)
        if (serve.Name == area)
            areas.push_back(serve);
    return !areas.empty() &&
           serveAreasCover(areas, provider->getPlaceNumber(), place->getPlaceNumber(), providerType->OccupiedPlaces);
}

bool AutoPlayer::hasService(const GBuildingNode* place, CName area) const {
    for (GBuildingNode* provider : m_level->getPlaces()) {
        const GBuildingConfig* type = provider->getType();
        const auto pending = m_pending.find(provider);
        if (pending != m_pending.end())
            type = m_objects->findBuilding(pending->second);
        if (type && provider != place && covers(provider, type, place, area))
            return true;
    }
    return false;
}
