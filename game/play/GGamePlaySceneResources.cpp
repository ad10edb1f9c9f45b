// The play screen's resource pages (materials, workers, gold), the railway
// station page, the production lists and the upper panel with the goals.

#include "engine/core/CString.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeState.h"
#include "engine/sound/SoundCue.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GNumberText.h"
#include "game/config/GObjective.h"
#include "game/config/GResources.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IObjectiveLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectivesGroup.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/RRStationItems.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/play/GPlayFigures.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGameLevelScene.h"

#include <cmath>

using namespace playscene;

namespace {

constexpr int kStationListItems = 3;

void setTextOf(TextNode* text, const CStringW& value) {
    if (text)
        text->setText(value);
}

CStringW translated(const char* key) {
    CDictionary* dict = dictionary();
    return dict ? dict->get(CString(key)) : CStringW();
}

CStringW formatted(const char* key, const CStringW& a, const CStringW& b = CStringW()) {
    CDictionary* dict = dictionary();
    const CStringW none;
    return dict ? dict->format(CString(key), a, b, none, none) : CStringW();
}

// The name id of `prefix` followed by `number`.
int32_t numberedName(const char* prefix, int number) { return CName(CString(prefix) + number).id(); }

const GBuildingConfig* typeOf(const GBuildingNode* building) { return building ? building->getType() : nullptr; }

} // namespace

// ---------------------------------------------------------------------------
// Materials, gold and workers pages

void GGamePlayScene::updateMaterialsList() {
    GBuildingNode* building = focusedBuilding();
    const GBuildingConfig* type = typeOf(building);
    if (!m_materialsPage || !m_materialsList || !m_materialsHintText || !levelConfiguration() || !type ||
        type->Kind != GBuildingType::Produce)
        return;
    if (auto* destroy = childAs<ButtonNode>(m_materialsPage, "DestroyButton")) {
        destroy->setVisible(type->CanBeDestroyed);
        destroy->setEnabled(canDestroy(building));
    }
    fillBuildingInfo(child(m_resourcesPage, "BuildingInfoNode"), type, building, nullptr);
    for (int32_t i = 0; i < m_materialsList->getItemsCount(); ++i) {
        const auto* item = dynamic_cast<const GProduceItemConfig*>(m_materialsList->getItemObject(i));
        if (item)
            m_materialsList->setItemEnabled(i, building->isOperating() && building->isReachable() &&
                                                   building->hasRequiredServices() &&
                                                   m_level->canAffordProduction(building, item));
    }
    m_materialsList->updateElements();
    updateMaterialsHint(nullptr);
}

void GGamePlayScene::updateProductionHint(TextNode* text, const ProduceItemOffer* item, const char* produceKey,
                                          const char* cantProduceKey, const char* tabKey) {
    if (!text || !dictionary())
        return;
    if (!m_hoveredControl) {
        text->setText(translated(tabKey));
        return;
    }
    const bool enabled = m_hoveredControl->isEnabled();
    if (isNamed(m_hoveredControl, "DestroyButton")) {
        text->setText(translated(enabled ? "Hint_BuildingTabDestroy" : "Hint_BuildingTabCantDestroy"));
    } else if (item) {
        const LevelConfiguration* configuration = levelConfiguration();
        const int time =
            configuration ? wholeNumber(float(item->Time) * configuration->ModifierValues.MaterialPriceM) : item->Time;
        if (enabled)
            text->setText(formatted(produceKey, plainNumber(item->Workers), plainNumber(time)));
        else
            text->setText(formatted(cantProduceKey, plainNumber(item->Workers)));
    } else {
        text->setText(translated(enabled ? produceKey : cantProduceKey));
    }
}

void GGamePlayScene::updateMaterialsHint(const ProduceItemOffer* item) {
    updateProductionHint(m_materialsHintText, item, "Hint_MaterialsProduce", "Hint_MaterialsCantProduce",
                         "Hint_MaterialsTab");
}

void GGamePlayScene::updateGoldHint(const ProduceItemOffer* item) {
    updateProductionHint(m_goldHintText, item, "Hint_GoldProduce", "Hint_GoldCantProduce", "Hint_GoldTab");
}

void GGamePlayScene::fillWorkersList() {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!m_workersPage || !m_workersHintText || !m_workersList || !configuration || !dictionary())
        return;
    const auto& offers = configuration->getWorkerOffers();
    m_workersList->setItemsCount(int32_t(offers.size()));
    for (uint32_t i = 0; i < offers.size(); ++i) {
        GWorkerOffer* offer = offers[i].get();
        m_workersList->setItemObject(int32_t(i), offer);
        m_workersList->setItemText(int32_t(i), 0, plainNumber(offer->Count));
        m_workersList->setItemText(int32_t(i), 1, moneyText(workerPrice(offer->Price, configuration)));
        m_workersList->setItemData(int32_t(i), numberedName("Game_WorkersButton", int(i) + 1));
    }
}

void GGamePlayScene::updateWorkersList() {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!m_workersPage || !m_workersList || !m_workersHintText || !m_resourcesPage || !configuration)
        return;
    if (m_headquarters)
        fillBuildingInfo(child(m_resourcesPage, "BuildingInfoNode"), m_headquarters->getType(), m_headquarters,
                         nullptr);
    const bool busy = m_level && m_level->getWorkerOrderTimeLeft() >= 0;
    const int room = m_headquarters ? m_headquarters->getWorkersLimit() - m_headquarters->getWorkersCount() : 0;
    for (int32_t i = 0; i < m_workersList->getItemsCount(); ++i) {
        const auto* offer = dynamic_cast<const GWorkerOffer*>(m_workersList->getItemObject(i));
        if (offer)
            m_workersList->setItemEnabled(i, !busy && headquartersMoney() >= workerPrice(offer->Price, configuration) &&
                                                 room >= offer->Count);
    }
    m_workersList->updateElements();
}

void GGamePlayScene::updateWorkersHint(const GWorkerOffer* offer, bool canBuy) {
    if (!m_workersHintText || !dictionary())
        return;
    if (!offer) {
        m_workersHintText->setText(translated("Hint_WorkersTab"));
        return;
    }
    // The price charged, as the list shows it.
    const int price = workerPrice(offer->Price, levelConfiguration());
    if (canBuy)
        m_workersHintText->setText(formatted("Hint_WorkersBuy", plainNumber(offer->Count), groupedNumber(price)));
    else
        m_workersHintText->setText(formatted("Hint_WorkersCantBuy", plainNumber(offer->Count)));
}

// ---------------------------------------------------------------------------
// Railway station

void GGamePlayScene::fillStationList(ListNode* list, BaseNode* train, bool sale, bool& used) {
    list->setVisible(true);
    list->setItemsCount(kStationListItems);
    int item = 0;
    IGameLevel::TrainOffer offer;
    for (int index = 0; item < kStationListItems && m_level->getTrainOffer(train, index, offer); ++index) {
        if (offer.sale != sale)
            continue;
        CRefHandle<StationItemData> data(new StationItemData(train, index));
        list->setItemObject(item, data.get());
        list->setItemText(item, 0, plainNumber(offer.amount));
        list->setItemText(item, 1, moneyText(offer.price));
        list->setItemData(item, offer.templateName.id());
        const bool enabled = sale ? (m_headquarters && m_headquarters->hasResource(offer.resource, offer.amount))
                                  : headquartersMoney() >= offer.price;
        list->setItemEnabled(item, enabled);
        if (offer.used)
            used = true;
        ++item;
    }
}

void GGamePlayScene::updateStationPage() {
    GBuildingNode* station = focusedBuilding();
    const GBuildingConfig* type = typeOf(station);
    if (!type || type->Name != CName("RailRoadStation1") || !dictionary() || !m_stationPage || !m_level)
        return;
    auto* tab = childAs<SpriteNode>(m_stationPage, "RailRoadTab");
    auto* bar = childAs<GProgressBarWithSignNode>(m_stationPage, "RailRoadProgressBar");
    auto* buyList = childAs<ListNode>(m_stationPage, "BuyList");
    auto* sellList = childAs<ListNode>(m_stationPage, "SellList");
    auto* cantBuy = childAs<TextNode>(m_stationPage, "CantBuyText");
    auto* cantSell = childAs<TextNode>(m_stationPage, "CantSellText");
    auto* hint = childAs<TextNode>(m_stationPage, "HintText");
    if (!tab || !bar || !buyList || !sellList)
        return;

    if (cantBuy)
        cantBuy->setVisible(false);
    if (cantSell)
        cantSell->setVisible(false);
    bar->setMinValue(0.0f);
    bar->setMaxValue(1.0f);
    buyList->setVisible(false);
    sellList->setVisible(false);
    fillBuildingInfo(child(m_stationPage, "BuildingInfoNode"), type, station, nullptr);
    if (auto* destroy = childAs<ButtonNode>(m_stationPage, "DestroyButton")) {
        destroy->setVisible(type->CanBeDestroyed);
        destroy->setEnabled(canDestroy(station));
    }

    const bool reachable = station->isReachable();
    const CArray<BaseNode*>& standing = station->getStandingTrains();
    if (reachable && standing.empty()) {
        IGameLevel::Railway railway;
        if (!m_level->getStationRailway(station, railway))
            return;
        tab->setVisible(false);
        bar->setVisible(true);
        StationArrival arrival;
        arrival.velocity = railway.velocity;
        arrival.waitMs = station->getNoTrainYet() ? 0.0f : float(station->getTrainInterval());
        const float x = station->getPosition().x;
        const bool fromLeft = railway.kind == 0 || (railway.kind != 1 && station->getTrainSide());
        arrival.distance = fromLeft ? x - railway.x : railway.x + railway.width - x;
        const CArray<BaseNode*>& coming = station->getAssignedTrains();
        arrival.trainComing = !coming.empty();
        arrival.trainDistance = coming.empty() ? 0.0f : std::fabs(coming[0]->getPosition().x - x);
        arrival.countdownMs = float(station->getTrainCountdown());
        bar->setValue(stationArrivalFraction(arrival));
        if (hint) {
            if (isNamed(m_hoveredControl, "DestroyButton"))
                hint->setText(CStringW(m_hoveredControl->isEnabled() ? u"%Hint_BuildingTabDestroy%"
                                                                     : u"%Hint_BuildingTabCantDestroy%"));
            else if (!m_hoveredControl)
                hint->setText(CStringW(u"%GamePlay_NoTrains%"));
        }
        return;
    }
    if (reachable) {
        bar->setValue(0.0f);
        tab->setVisible(true);
    } else {
        tab->setVisible(false);
    }
    bar->setVisible(false);

    BaseNode* train = standing.empty() ? nullptr : standing[0];
    if (!train || m_level->getTrainState(train) != 3) {
        setTextOf(hint, CStringW(u"%GamePlay_NoTrains%"));
        return;
    }
    setTextOf(hint, CStringW());
    const bool hasBuy = m_level->trainHasOffers(train, false);
    const bool hasSell = m_level->trainHasOffers(train, true);
    if (!hasBuy && cantBuy) {
        cantBuy->setVisible(true);
        const ObjectsConfiguration* objects = objectsConfiguration();
        const RRStationItems* items = objects ? objects->getStationItems() : nullptr;
        // A train brings goods to buy only to a town holding twice the
        // dearest price of its first gold offer: that is the sum asked for
        // (the first materials offer's price where trains bring no gold).
        const CArray<GRRStationItem>* gold = items ? &items->getList(RRStationItems::Gold) : nullptr;
        const CArray<GRRStationItem>* wood = items ? &items->getList(RRStationItems::Materials) : nullptr;
        const int price = gold && !gold->empty()   ? (*gold)[0].moneyMaximum
                          : wood && !wood->empty() ? (*wood)[0].moneyMinimum
                                                   : -1;
        if (price >= 0) {
            const int amount = cantBuyAmount(headquartersMoney(), price, globalConfig()->RailRoadStationPricesRounder);
            cantBuy->setText(formatted("GamePlay_RailRoadCantBuy", moneyText(amount)));
        }
    }
    if (cantSell)
        cantSell->setVisible(!hasSell);
    bool used = false;
    if (hasBuy)
        fillStationList(buyList, train, false, used);
    if (hasSell)
        fillStationList(sellList, train, true, used);
    if (used) {
        buyList->setItemsCount(0);
        sellList->setItemsCount(0);
        buyList->setVisible(false);
        sellList->setVisible(false);
        station->sendTrainsAway();
    }
    buyList->updateElements();
    sellList->updateElements();
    updateStationHint();
}

void GGamePlayScene::updateStationHint() {
    GBuildingNode* station = focusedBuilding();
    if (!m_stationHintText || !dictionary() || !station || !m_level)
        return;
    const CArray<BaseNode*>& standing = station->getStandingTrains();
    const bool destroyHovered = isNamed(m_hoveredControl, "DestroyButton");
    const bool enabled = m_hoveredControl && m_hoveredControl->isEnabled();
    const char* destroyKey = enabled ? "Hint_BuildingTabDestroy" : "Hint_BuildingTabCantDestroy";
    if (standing.empty() || m_level->getTrainState(standing[0]) != 3) {
        m_stationHintText->setText(translated(destroyHovered ? destroyKey : "GamePlay_NoTrains"));
        return;
    }
    if (destroyHovered) {
        m_stationHintText->setText(translated(destroyKey));
        return;
    }
    static const char* const keys[4][2] = {{"Hint_MaterialsSell", "Hint_MaterialsCantSell"},
                                           {"Hint_GoldSell", "Hint_GoldCantSell"},
                                           {"Hint_MaterialsBuy", "Hint_MaterialsCantBuy"},
                                           {"Hint_GoldBuy", "Hint_GoldCantBuy"}};
    if (!m_hoveredControl || m_hoveredStationItem == 0)
        m_stationHintText->setText(translated("Hint_RailRoadStationTab"));
    else if (m_hoveredStationItem >= 1 && m_hoveredStationItem <= 4)
        m_stationHintText->setText(translated(keys[m_hoveredStationItem - 1][enabled ? 0 : 1]));
    else
        m_stationHintText->setText(CStringW());
}

// ---------------------------------------------------------------------------
// Production lists

void GGamePlayScene::fillProductionList(ListNode* list, CName resource, const char* dataPrefix, bool scaleByGoldM) {
    GBuildingNode* building = focusedBuilding();
    const GBuildingConfig* type = typeOf(building);
    const LevelConfiguration* configuration = levelConfiguration();
    CDictionary* dict = dictionary();
    if (!type || !configuration || !dict)
        return;
    const int count = int(type->ProduceItems.size());
    list->setItemsCount(count);
    const CStringW none;
    for (int i = 0; i < count; ++i) {
        CRefHandle<ProduceItemOffer> offer(new ProduceItemOffer(*type->ProduceItems[uint32_t(i)]));
        auto found = offer->ProducedResources.find(resource);
        const int base = found == offer->ProducedResources.end() ? 0 : found->value;
        const int amount = scaleByGoldM ? scaledGold(base, configuration->ModifierValues.GoldM) : base;
        if (amount < 1)
            continue;
        offer->ProducedResources[resource] = amount;
        auto money = offer->RequiredResources.find(nameIdMoney());
        const int price = money == offer->RequiredResources.end() ? 0 : money->value;
        list->setItemText(i, 0, CStringW::formatIntegerWithSeparator(amount, u','));
        list->setItemText(
            i, 1,
            dict->format(CString("MoneyDollar"), CStringW::formatIntegerWithSeparator(price, u','), none, none, none));
        list->setItemObject(i, offer.get());
        list->setItemData(i, numberedName(dataPrefix, i + 1));
    }
}

void GGamePlayScene::fillGoldList() {
    const GBuildingConfig* type = typeOf(focusedBuilding());
    if (!m_goldPage || !m_goldList || !m_goldHintText || !type || type->Name != CName("GoldenMine1"))
        return;
    fillProductionList(m_goldList, nameIdGold(), "Game_GoldButton", true);
}

void GGamePlayScene::fillMaterialsList() {
    const GBuildingConfig* type = typeOf(focusedBuilding());
    if (!m_materialsPage || !m_materialsList || !m_materialsHintText || !type || type->Kind != GBuildingType::Produce)
        return;
    fillProductionList(m_materialsList, nameIdMaterials(), "Game_MaterialsButton", false);
}

void GGamePlayScene::refreshGoldTab() {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!m_goldPage || !m_goldList || !m_goldHintText || !configuration)
        return;
    const float goldM = configuration->ModifierValues.GoldM;
    if (std::fabs(getCachedGoldMultiplier() - goldM) > 0.001f) {
        setCachedGoldMultiplier(goldM);
        fillGoldList();
    }
    GBuildingNode* building = focusedBuilding();
    if (!building)
        return;
    if (BaseNode* info = child(m_resourcesPage, "BuildingInfoNode"))
        fillBuildingInfo(info, building->getType(), building, nullptr);
    if (building->getType())
        m_goldList->setItemsCount(int32_t(building->getType()->ProduceItems.size()));
    for (int32_t i = 0; i < m_goldList->getItemsCount(); ++i) {
        const auto* offer = dynamic_cast<const GProduceItemConfig*>(m_goldList->getItemObject(i));
        if (offer)
            m_goldList->setItemEnabled(i, building->isOperating() && building->isReachable() && m_level &&
                                              m_level->canAffordProduction(building, offer));
    }
    m_goldList->updateElements();
    updateGoldHint(nullptr);
}

// ---------------------------------------------------------------------------
// Upper panel and goals

void GGamePlayScene::updateMoneyPanel() {
    const int money = headquartersMoney();
    if (m_moneyCounter) {
        // A count under way is retargeted, not restarted.
        if (!m_moneyCounter->isCounting())
            m_moneyCounter->setStartValue(m_moneyCounter->getEndValue());
        m_moneyCounter->setEndValue(money);
        m_moneyCounter->setCounting(true);
    }
    setTextOf(m_bankMoneyText, moneyText(money));
    if (m_level)
        setTextOf(m_incomeText, moneyText(int(std::floor(m_level->getLevelIncome() + 0.5f))));
    if (m_headquarters) {
        setTextOf(m_materialsAmountText, groupedNumber(m_headquarters->getResource(nameIdMaterials())));
        setTextOf(m_goldAmountText, groupedNumber(m_headquarters->getResource(nameIdGold())));
    }
    if (m_level) {
        setTextOf(m_guestsText, groupedNumber(m_level->getLevelGuests()));
        setTextOf(m_happinessText, groupedNumber(m_level->getHappinessTotal()));
    }
}

void GGamePlayScene::updateGuestsSign() {
    if (!levelConfiguration() || !m_guestsText)
        return;
    m_guestsText->setText(formatted("GuestsSign", groupedNumber(m_level->getLevelGuests())));
}

void GGamePlayScene::updateGoalsPageTexts() {
    if (!levelConfiguration() || !m_goalsPage)
        return;
    setTextOf(childAs<TextNode>(m_goalsPage, "LevelNumberText"), plainNumber(levelNumber()));
    setTextOf(childAs<TextNode>(m_goalsPage, "MoneyText"),
              formatted("GamePlay_MONEY", groupedNumber(headquartersMoney())));
    setTextOf(childAs<TextNode>(m_goalsPage, "IncomeText"),
              formatted("GamePlay_INCOME", groupedNumber(int(std::floor(m_level->getLevelIncome() + 0.5f)))));
    setTextOf(childAs<TextNode>(m_goalsPage, "GuestsText"),
              formatted("GamePlay_GUESTS", groupedNumber(m_level->getLevelGuests())));
    setTextOf(childAs<TextNode>(m_goalsPage, "PossibleIncomeText"),
              formatted("GamePlay_POSSIBLE_INCOME", groupedNumber(wholeNumber(m_level->getPossibleIncome()))));
    setTextOf(childAs<TextNode>(m_goalsPage, "PossibleGuestsText"),
              formatted("GamePlay_POSSIBLE_GUESTS", groupedNumber(m_level->getPossibleGuests())));
}

void GGamePlayScene::updateGoalChecks(bool force) {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!configuration || m_level->isGroupJustCompleted())
        return;
    const ObjectivesGroup* group = configuration->getGroup(uint32_t(m_level->getCurrentGroupIndex()));
    const IObjectiveLevel* objectiveLevel = m_level->getObjectivesView();
    if (!group || !objectiveLevel)
        return;
    for (uint32_t i = 0; i < group->size(); ++i) {
        const GObjective* objective = group->get(i);
        const bool done = objective->isComplete(*objectiveLevel);
        CStringW text = objective->getInfoText(true);
        if (!done)
            text = text + u" (" + objective->getProgressText(*objectiveLevel) + u")";
        for (const CArray<CheckBoxNode*>* checks : {&m_panelGoalChecks, &m_tabGoalChecks}) {
            if (i >= checks->size() || !(*checks)[i])
                continue;
            CheckBoxNode* check = (*checks)[i];
            check->setText(text);
            if (force || check->isChecked() != done)
                check->setChecked(done);
        }
    }
}

float GGamePlayScene::layoutGoalRows(const CArray<CheckBoxNode*>& checks, const ObjectivesGroup* group) {
    const IObjectiveLevel* objectiveLevel = m_level ? m_level->getObjectivesView() : nullptr;
    float y = 0.0f;
    float sum = 0.0f;
    const uint32_t count = group ? group->size() : 0;
    uint32_t i = 0;
    for (; i < count && i < checks.size(); ++i) {
        CheckBoxNode* check = checks[i];
        if (!check)
            continue;
        check->setVisible(true);
        const GObjective* objective = group->get(i);
        CStringW progress = objectiveLevel ? objective->getProgressText(*objectiveLevel) : CStringW();
        check->setText(objective->getInfoText(true) + u" (" + progress + u")");
        ControlNode* root = check->getTemplateRoot();
        if (!root)
            continue;
        const auto* text = childAs<TextNode>(root, "Text");
        const float height = text ? text->getTextHeight() : 0.0f;
        sum += height;
        if (BaseNode* row = check->getParent()) {
            if (i == 0) {
                y = row->getPosition().y;
            } else {
                const CVector3d& p = row->getPosition();
                row->setPosition(CVector3d(p.x, y, p.z));
            }
        }
        y += height;
    }
    for (; i < checks.size(); ++i)
        if (checks[i])
            checks[i]->setVisible(false);
    return sum;
}

void GGamePlayScene::layoutGoalsPanel() {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!configuration || m_level->isGroupJustCompleted())
        return;
    layoutGoalsPanelFor(configuration->getGroup(uint32_t(m_level->getCurrentGroupIndex())));
}

void GGamePlayScene::showFinishedGoals() {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!configuration || !m_level || m_level->getCurrentGroupIndex() < 0)
        return;
    const int index = m_level->getCurrentGroupIndex();
    const ObjectivesGroup* group = configuration->getGroup(uint32_t(index));
    if (!group)
        return;
    // The level is won: a change of group still under way is over, and the
    // panel shows the last group with every goal ticked.
    const bool changing = m_groupChangeCountdown >= 0;
    m_groupChangeCountdown = -1;
    if (GGameLevelScene* world = getWorld())
        world->clearGroupChanged();
    if (m_checkpointTaskText)
        m_checkpointTaskText->setText(CStringW(u"") + (index + 1));
    layoutGoalsPanelFor(group);
    for (uint32_t i = 0; i < group->size(); ++i) {
        for (const CArray<CheckBoxNode*>* checks : {&m_panelGoalChecks, &m_tabGoalChecks}) {
            if (i >= checks->size() || !(*checks)[i])
                continue;
            (*checks)[i]->setText(group->get(i)->getInfoText(true));
            (*checks)[i]->setChecked(true);
        }
    }
    if (changing && m_goalsNode)
        m_goalsNode->applyStateRecursive(CName("Appear"), nullptr);
}

void GGamePlayScene::layoutGoalsPanelFor(const ObjectivesGroup* group) {
    if (!group)
        return;
    const float height = layoutGoalRows(m_panelGoalChecks, group) + 5.0f;
    (void)layoutGoalRows(m_tabGoalChecks, group);
    if (!m_gameMenu)
        return;
    BaseNode* background = child(m_gameMenu, "UpperPanelBg");
    if (background)
        background->setState(CName(group->size() > 4 ? "BgGoalsBig" : "BgGoalsSmall"), nullptr, CName());
    BaseNode* goalsBackground = m_gameMenu->findChild(CName("UpperGoalsPanelBg"), 2);
    if (background && goalsBackground && height > goalsBackground->getPosition().y + goalsBackground->getBounds().y)
        background->setState(CName("BgGoalsBig"), nullptr, CName());
}

void GGamePlayScene::showGameHint() {
    if (!m_gameHint)
        return;
    const CNodeState* state = m_gameHint->getCurrentState();
    if (!state || state->getName() != CName("Appear"))
        m_gameHint->setState(CName("Appear"), nullptr, CName());
}

void GGamePlayScene::hideGameHint() {
    if (!m_gameHint)
        return;
    const CNodeState* state = m_gameHint->getCurrentState();
    if (!state || state->getName() != CName("Disappear"))
        m_gameHint->setState(CName("Disappear"), nullptr, CName());
}

// ---------------------------------------------------------------------------
// Quest character and blocking places

void GGamePlayScene::showQuestCharacter(BaseNode* location) {
    const CStringW* text = location && m_level ? m_level->getQuestCharacterText(location) : nullptr;
    if (!text || !m_gameMenu || text->empty())
        return;
    const int time = m_level->getQuestCharacterTime(location);
    BaseNode* character = child(m_gameMenu, "QuestCharacter");
    if (time <= 99 || !character)
        return;
    setTextOf(childAs<TextNode>(character, "Text"), *text);
    if (const GBuildingConfig* type = typeOf(nodeCast<GBuildingNode>(location))) {
        character->applyStateRecursive(type->Name, nullptr);
        for (BaseNode* part : character->getChildren())
            if (part->isKindOf(ControlNode::TypeId))
                part->applyStateRecursive(type->Name, nullptr);
    }
    const CNodeState* state = character->getCurrentState();
    if (!state || state->getName() != CName("Appear")) {
        character->setState(CName("Appear"), nullptr, CName());
        playQuestVoice(*text);
    }
    m_questState = time;
    m_questPlace = location;
}

void GGamePlayScene::hideQuestCharacter() {
    if (!m_gameMenu)
        return;
    if (BaseNode* character = child(m_gameMenu, "QuestCharacter")) {
        const CNodeState* state = character->getCurrentState();
        if (!state || (state->getName() != CName("Disappear") && state->getName() != CName("Hide"))) {
            character->setState(CName("Disappear"), nullptr, CName());
            stopQuestVoice();
        }
    }
    m_questState = -1;
}

void GGamePlayScene::playQuestVoice(const CStringW& textKey) {
    CStringW key = textKey;
    if (key.length() >= 3 && key[0] == u'%')
        key = key.subString(1, int(key.length()) - 2);
    const CName cue{CString(key)};
    if (m_questVoice && m_questVoice->getName() == cue && m_questVoice->getState() != 0)
        return;
    stopQuestVoice();
    if (CSoundCueManager* cues = cueManager())
        m_questVoice = CRefHandle<SoundCue>::share(cues->play(cue, false, 0));
}

void GGamePlayScene::highlightBlockingLocations(GBuildingNode* building) {
    if (!m_level)
        return;
    const int count = m_level->getOnRoadLocationCount();
    if (!building) {
        for (int i = 0; i < count; ++i) {
            BaseNode* location = m_level->getOnRoadLocation(i);
            if (location && m_level->getOnRoadLocationState(location) == 1)
                m_level->setOnRoadLocationImpending(location, false);
        }
        return;
    }
    CArray<BaseNode*> blocking;
    m_level->findBlockingLocations(building, blocking);
    m_impendingShown = false;
    m_impendingFor = nullptr;
    bool marked = false;
    for (int i = 0; i < count; ++i) {
        BaseNode* location = m_level->getOnRoadLocation(i);
        if (!location || m_level->getOnRoadLocationState(location) != 1)
            continue;
        const bool blocks = blocking.indexOf(location) >= 0;
        m_level->setOnRoadLocationImpending(location, blocks);
        marked = marked || blocks;
    }
    if (marked) {
        m_impendingShown = true;
        m_impendingTimer = 0;
        m_impendingFor = building;
    }
}
