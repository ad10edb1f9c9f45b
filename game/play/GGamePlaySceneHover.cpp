// What the play screen shows while the pointer rests on the HUD or the level:
// the cost popup, the build-list preview on the focused empty place, serve
// areas and the hint texts; and the refresh of the action tab on show.

#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventUnhovered.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GlobalConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/play/GPlayFigures.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"

using namespace playscene;

namespace {

// The popup shows over everything else of the HUD.
constexpr float kHintDepth = 2900.0f;

const char* const kBuildLists[4] = {"ApartmentBuildList", "CommercialBuildList", "ServiceBuildList",
                                    "MunicipalBuildList"};
const char* const kGroupButtons[4] = {"ApartmentButton", "CommercialButton", "ServiceButton", "MunicipalButton"};
// The order in which the build page's group hints are written.
constexpr int kHintOrder[4] = {0, 1, 3, 2};

int buildListGroup(const BaseNode* node) {
    for (int g = 0; g < 4; ++g)
        if (isNamed(node, kBuildLists[g]))
            return g;
    return -1;
}

bool isGroupButton(const BaseNode* node) {
    for (const char* name : kGroupButtons)
        if (isNamed(node, name))
            return true;
    return false;
}

bool isAnyOf(const BaseNode* node, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (isNamed(node, name))
            return true;
    return false;
}

void setDepth(BaseNode* node, float z) {
    const CVector3d& p = node->getPosition();
    node->setPosition(CVector3d(p.x, p.y, z));
}

BaseNode* elementOf(const ListNode* list, int32_t item) { return list->getElement(list->itemToSlot(item)); }

} // namespace

// ---------------------------------------------------------------------------
// The popup

int GGamePlayScene::HintLevel::getHeadquartersResource(CName resource) const {
    return m_play.m_headquarters ? m_play.m_headquarters->getResource(resource) : 0;
}

int GGamePlayScene::HintLevel::getFreeWorkers() const {
    return m_play.m_headquarters ? m_play.m_headquarters->getWorkersCount() : 0;
}

int GGamePlayScene::HintLevel::getLevelGuests() const { return m_play.m_level ? m_play.m_level->getLevelGuests() : 0; }

void GGamePlayScene::showHint(BaseNode* node, const GResourceMap& costs, const GResourceMap& produce) {
    if (!m_gameHint || m_questTutorial || !node)
        return;
    (void)m_gameHint->setCosts(&m_hintLevel, costs, produce, false);
    m_gameHint->showAt(node, node->getBounds(), m_hintNode);
    setDepth(m_gameHint, kHintDepth);
    showGameHint();
}

void GGamePlayScene::showCostHint(BaseNode* node, const GResourceMap& costs, int workers) {
    showProductionHint(node, costs, GResourceMap(), workers);
}

void GGamePlayScene::showProductionHint(BaseNode* node, const GResourceMap& required, const GResourceMap& produced,
                                        int workers) {
    GResourceMap costs = required;
    if (workers > 0)
        costs[nameIdWorkers()] = workers;
    showHint(node, costs, produced);
}

void GGamePlayScene::showLocationHint(GBuildingNode* location, bool shortfall) {
    if (!m_gameHint || m_questTutorial || !location)
        return;
    GResourceMap costs;
    location->getBuildCost(costs);
    costs[nameIdWorkers()] = location->getBuildWorkers();
    if (!m_gameHint->setCosts(&m_hintLevel, costs, location->getResources(), shortfall)) {
        hideGameHint();
        return;
    }
    const BaseNode* shape = location->getTemplateRoot() ? location->getTemplateRoot() : location;
    m_gameHint->showAt(location, shape->getBounds(), m_hintNode);
    setDepth(m_gameHint, 0.0f);
    showGameHint();
}

// ---------------------------------------------------------------------------
// Controls

bool GGamePlayScene::onControlHovered(CEvent* event) {
    if (GBaseSceneNode::onControlHovered(event))
        return true;
    BaseNode* hovered = static_cast<CEventHovered*>(event)->getOnNode();
    hideGameHint();
    if (auto* button = nodeCast<ButtonNode>(hovered))
        m_hoveredControl = button;
    if (m_level && m_level->isLevelPaused())
        return true;
    GBuildingNode* building = focusedBuilding();
    const GBuildingConfig* type = building ? building->getType() : nullptr;
    auto* control = nodeCast<ControlNode>(hovered);
    if (m_impendingShown && hovered && hovered == m_impendingFor)
        m_impendingTimer = 0;

    if (isNamed(hovered, "UpgradeButton")) {
        const ObjectsConfiguration* objects = objectsConfiguration();
        if (type && !type->Upgrades.empty()) {
            m_hoveredUpgrade = objects ? objects->findBuilding(type->Upgrades[0]) : nullptr;
            if (m_hoveredUpgrade) {
                GResourceMap cost;
                building->getBuildCost(cost, m_hoveredUpgrade);
                showCostHint(hovered, cost, building->getBuildWorkers(m_hoveredUpgrade));
            }
        }
        updateBuildingTabHint(control);
        // The stars preview the next level.
        if (type)
            building->showLevelState(type->Level, false, 1);
        return true;
    }
    if (isNamed(hovered, "UniqUpgradeButton")) {
        updateBuildingTabHint(control);
        return true;
    }
    if (isAnyOf(hovered, {"UniqUp1Button", "UniqUp2Button"})) {
        if (!type || !control || control->getTemplateName() == CName("Game_UpgradeButtonMarker"))
            return true;
        const bool first = isNamed(hovered, "UniqUp1Button");
        const ObjectsConfiguration* objects = objectsConfiguration();
        const GUniqUpgradeConfig* upgrade =
            objects ? objects->findUniqUpgrade(CName(first ? "Up1" : "Up2"), type->Name) : nullptr;
        if (upgrade) {
            if (control->isEnabled()) {
                if (first)
                    building->setIncomeBonusPreview(upgrade->UniqUpIncomeBonus);
                else
                    building->setGuestsBonusPreview(upgrade->UniqUpGuestsBonus);
            }
            m_upgradeHoverShown = true;
            if (!building->hasUniqueUpgrade(CName()))
                showCostHint(hovered, upgrade->Build.Resources, upgrade->Build.Workers);
        }
        updateUniqueUpgradeHint(control, upgrade);
        return true;
    }
    if (isNamed(hovered, "BackToBuildingButton")) {
        updateUniqueUpgradeHint(control, nullptr);
        return true;
    }
    if (isNamed(hovered, "RepairButton")) {
        updateBuildingTabHint(control);
        if (type) {
            GResourceMap cost;
            building->getRepairCost(cost);
            showCostHint(hovered, cost, building->getRepairWorkers());
        }
        return true;
    }
    if (isNamed(hovered, "DestroyButton")) {
        refreshCurrentTab();
        updateBuildingTabHint(control);
        if (type) {
            GResourceMap cost;
            building->getDestroyCost(cost);
            showCostHint(hovered, cost, building->getDestroyWorkers());
        }
        return true;
    }
    if (isNamed(hovered, "CustomServeButton")) {
        updateBuildingTabHint(control);
        return true;
    }
    if (isNamed(hovered, "BackToBuildButton")) {
        for (int group : kHintOrder)
            updateBuildPageHint(group, m_buildPage, nullptr, building);
        return true;
    }
    if (isGroupButton(hovered)) {
        updateBuildGroupHint(hovered);
        return true;
    }
    if (isNamed(hovered, "SkipTutorialButton"))
        return true;
    if (isNamed(hovered, "Sunduk")) {
        if (m_headquarters)
            showCostHint(hovered, m_headquarters->getOtherResources(), 0);
        return false;
    }
    if (isNamed(hovered, "AbortButton")) {
        refreshCurrentTab();
        return false;
    }
    if (auto* location = nodeCast<GOnRoadLocationNode>(hovered)) {
        if (location->getWorkState() == GOnRoadLocationNode::Available)
            showLocationHint(location, false);
        return false;
    }
    if (auto* place = nodeCast<GBuildingNode>(hovered)) {
        // A build-list preview goes; the fields stay for the list's unhover.
        if (m_previewBuilding)
            m_previewBuilding->previewTemplate(nullptr);
        CArray<GBuildingNode*> served;
        (void)showServeAreaFor(served, true, place, nullptr);
        return false;
    }
    return false;
}

bool GGamePlayScene::onControlUnhovered(CEvent* event) {
    if (GBaseSceneNode::onControlUnhovered(event))
        return true;
    BaseNode* left = static_cast<CEventUnhovered*>(event)->getOffNode();
    hideGameHint();
    if (left && left == m_hoveredControl)
        m_hoveredControl = nullptr;
    if (m_impendingShown)
        m_impendingTimer = globalConfig()->HiglightImpendingTime;
    GBuildingNode* building = focusedBuilding();

    if (const int group = buildListGroup(left); group >= 0) {
        if (building) {
            building->previewTemplate(nullptr);
            m_previewBuilding = nullptr;
            m_previewConfig = nullptr;
            if (m_level)
                m_level->recalculate();
            updateBuildPageHint(group, m_buildPage, nullptr, nullptr);
        }
        return true;
    }
    if (isNamed(left, "MaterialsList")) {
        updateMaterialsHint(nullptr);
        return true;
    }
    if (isNamed(left, "WorkersList")) {
        updateWorkersHint(nullptr, false);
        return true;
    }
    if (isAnyOf(left, {"UpgradeButton", "RepairButton", "DestroyButton", "CustomServeButton", "UniqUpgradeButton",
                       "Upgrade2Button", "Upgrade3Button"})) {
        m_hoveredUpgrade = nullptr;
        updateBuildingTabHint(nullptr);
        if (isNamed(left, "DestroyButton")) {
            m_hoveredControl = nullptr;
            refreshCurrentTab();
        } else if (isNamed(left, "UpgradeButton") && building && building->getType()) {
            // The stars return to the current level.
            building->showLevelState(building->getType()->Level, false, 2);
        }
        return true;
    }
    if (isAnyOf(left, {"UniqUp1Button", "UniqUp2Button"})) {
        unhoverUniqueUpgrade(nodeCast<ControlNode>(left));
        return true;
    }
    if (isNamed(left, "BackToBuildingButton")) {
        updateUniqueUpgradeHint(nullptr, nullptr);
        return true;
    }
    if (isNamed(left, "BackToBuildButton")) {
        if (m_buildGroupTabs) {
            updateBuildPageHint(m_buildGroupTabs->getActiveTab(), m_buildPage, nullptr, nullptr);
        } else {
            for (int group : kHintOrder)
                updateBuildPageHint(group, m_buildPage, nullptr, nullptr);
        }
        return true;
    }
    if (isGroupButton(left)) {
        updateBuildGroupHint(nullptr);
        return true;
    }
    if (isNamed(left, "AbortButton")) {
        m_hoveredControl = nullptr;
        refreshCurrentTab();
        return false;
    }
    if (auto* place = nodeCast<GBuildingNode>(left)) {
        m_previewBuilding = nullptr;
        m_previewConfig = nullptr;
        CArray<GBuildingNode*> served;
        (void)showServeAreaFor(served, false, place, nullptr);
        return true;
    }
    return false;
}

void GGamePlayScene::unhoverUniqueUpgrade(ControlNode* control) {
    m_hoveredUpgrade = nullptr;
    updateUniqueUpgradeHint(nullptr, nullptr);
    m_upgradeHoverShown = false;
    BaseNode* info = child(m_buildingPage, "BuildingInfoNode");
    for (const char* name : {"IncomeText", "GuestsText", "RatingText"}) {
        if (BaseNode* text = child(info, name)) {
            text->setVisible(false);
            text->applyStateRecursive(CName("Normal"), nullptr);
        }
    }
    GBuildingNode* building = focusedBuilding();
    if (!building)
        return;
    if (!building->hasUniqueUpgrade(CName()))
        if (BaseNode* badge = building->getFeatureText())
            badge->setVisible(false);
    if (control && control->isEnabled()) {
        if (isNamed(control, "UniqUp1Button"))
            building->clearIncomeBonusPreview();
        else
            building->clearGuestsBonusPreview();
    }
}

// ---------------------------------------------------------------------------
// List items

bool GGamePlayScene::onListItemHovered(CEvent* event) {
    if (GBaseSceneNode::onListItemHovered(event))
        return true;
    if (m_level && m_level->isLevelPaused())
        return true;
    auto* hovered = static_cast<CEventListItemHovered*>(event);
    auto* list = nodeCast<ListNode>(hovered->getList());
    if (!list)
        return false;
    const int32_t item = hovered->getItem();
    if (const int group = buildListGroup(list); group >= 0) {
        hoverBuildListItem(group, list, item);
        return true;
    }
    if (isNamed(list, "WorkersList")) {
        hoverWorkersItem(list, item);
        return true;
    }
    if (isAnyOf(list, {"MaterialsList", "GoldList"})) {
        GBuildingNode* building = focusedBuilding();
        const GBuildingConfig* type = building ? building->getType() : nullptr;
        if (!type || item < 0 || item >= int32_t(type->ProduceItems.size()))
            return false;
        hoverProductionItem(list, item);
        return true;
    }
    if (isAnyOf(list, {"BuyList", "SellList"})) {
        if (!focusedBuilding())
            return false;
        hoverStationItem(list, item);
        return true;
    }
    return false;
}

void GGamePlayScene::hoverBuildListItem(int group, ListNode* list, int32_t item) {
    GBuildingNode* building = focusedBuilding();
    if (!building)
        return;
    auto* type = dynamic_cast<GBuildingConfig*>(list->getItemObject(item));
    if (!type) {
        hideGameHint();
        if (m_previewBuilding)
            m_previewBuilding->previewTemplate(nullptr);
        m_previewBuilding = nullptr;
        m_previewConfig = nullptr;
        updateBuildPageHint(group, m_buildPage, nullptr, nullptr);
        return;
    }
    // Only an empty place shows what would stand there.
    if (!building->getType() || building->getType()->Level != 0)
        return;
    m_previewBuilding = building;
    m_previewConfig = type;
    GResourceMap cost;
    building->getBuildCost(cost, type);
    showCostHint(elementOf(list, item), cost, building->getBuildWorkers(type));
    building->setPreviewType(type);
    if (m_level)
        m_level->recalculate();
    building->previewTemplate(type);
    CArray<GBuildingNode*> served;
    building->showServeArea(showServeAreaFor(served, true, building, type));
    updateBuildPageHint(group, m_buildPage, type, building);
}

void GGamePlayScene::hoverWorkersItem(ListNode* list, int32_t item) {
    const GMajorOfficeNode* office = majorOffice();
    const int orderLeft = office ? office->getOrderTimeLeft() : (m_level ? m_level->getWorkerOrderTimeLeft() : -1);
    const auto* offer = dynamic_cast<const GWorkerOffer*>(list->getItemObject(item));
    if (orderLeft >= 0 || !offer)
        return;
    GResourceMap costs;
    // The Money the order takes, as the list shows it.
    costs[nameIdMoney()] = workerPrice(offer->Price, levelConfiguration());
    if (m_headquarters) {
        const int workers = office ? int(office->getAllWorkers().size()) : m_headquarters->getWorkersCount();
        costs[nameIdGuests()] = m_headquarters->getGuestsForWorkers(workers + offer->Count);
    }
    showCostHint(elementOf(list, item), costs, 0);
    updateWorkersHint(offer, list->isItemEnabled(item));
}

void GGamePlayScene::hoverProductionItem(ListNode* list, int32_t item) {
    const GBuildingConfig* type = focusedBuilding()->getType();
    const GProduceItemConfig* produce = type->ProduceItems[uint32_t(item)].get();
    BaseNode* element = elementOf(list, item);
    if (const auto* offer = dynamic_cast<const ProduceItemOffer*>(list->getItemObject(item))) {
        m_hoveredControl = nodeCast<ControlNode>(element);
        if (isNamed(list, "MaterialsList"))
            updateMaterialsHint(offer);
        else
            updateGoldHint(offer);
    }
    // The record's own figures: the gold list shows them unscaled here.
    showProductionHint(element, produce->RequiredResources, produce->ProducedResources, produce->Workers);
}

void GGamePlayScene::hoverStationItem(ListNode* list, int32_t item) {
    m_hoveredControl = nodeCast<ControlNode>(elementOf(list, item));
    const auto* data = dynamic_cast<const StationItemData*>(list->getItemObject(item));
    IGameLevel::TrainOffer offer;
    if (data && m_level && m_level->getTrainOffer(data->train.get(), data->index, offer)) {
        const bool materials = offer.resource == nameIdMaterials();
        m_hoveredStationItem = offer.sale ? (materials ? 1 : 2) : (materials ? 3 : 4);
    } else {
        m_hoveredStationItem = 0;
    }
    if (data)
        updateStationHint();
}

bool GGamePlayScene::onListItemUnhovered(CEvent* event) {
    if (GBaseSceneNode::onListItemUnhovered(event))
        return true;
    hideGameHint();
    auto* left = static_cast<CEventListItemUnhovered*>(event);
    auto* list = nodeCast<ListNode>(left->getList());
    if (list && buildListGroup(list) >= 0) {
        if (GBuildingNode* building = focusedBuilding()) {
            CArray<GBuildingNode*> served;
            (void)showServeAreaFor(served, false, building, nullptr);
            building->setPreviewType(nullptr);
            building->hideServeArea();
            if (m_level)
                m_level->recalculate();
        }
        markBuildingSeen(elementOf(list, left->getItem()), CName());
    }
    m_hoveredControl = nullptr;
    m_hoveredStationItem = 0;
    refreshCurrentTab();
    return false;
}

// ---------------------------------------------------------------------------
// Tabs

bool GGamePlayScene::onTabSwitchStarted(CEvent* event) {
    if (GBaseSceneNode::onTabSwitchStarted(event))
        return true;
    refreshCurrentTab();
    return false;
}

void GGamePlayScene::refreshCurrentTab() {
    if (!m_actionsTabs)
        return;
    switch (m_actionsTabs->getActiveTab()) {
    case 0:
        if (m_buildGroupTabs)
            updateBuildListStates(m_buildGroupTabs->getActiveTab());
        break;
    case 1:
        if (!m_resourcesTabs)
            break;
        switch (m_resourcesTabs->getActiveTab()) {
        case 0:
            updateMaterialsList();
            break;
        case 1:
            updateWorkersList();
            break;
        case 2:
            refreshGoldTab();
            break;
        default:
            break;
        }
        break;
    case 2: {
        updateBuildingPage();
        updateBuildingTabHint(m_hoveredControl);
        const GUniqUpgradeConfig* upgrade = nullptr;
        GBuildingNode* building = focusedBuilding();
        const ObjectsConfiguration* objects = objectsConfiguration();
        if (m_level && m_hoveredControl && building && building->getType() && objects)
            upgrade = objects->findUniqUpgrade(CName(isNamed(m_hoveredControl, "UniqUp1Button") ? "Up1" : "Up2"),
                                               building->getType()->Name);
        if (m_hoveredControl && !isNamed(m_hoveredControl, "UpgradeButton"))
            updateUniqueUpgradeHint(m_hoveredControl, upgrade);
        break;
    }
    case 3:
        updateGoalsPageTexts();
        break;
    case 5:
        updateStationPage();
        break;
    default:
        break;
    }
}
