// The play screen's answer to the player's commands: clicks on the HUD and on
// the level, choices in the HUD lists, and keys.

#include "engine/content/CContentManager.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GGameApplication.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/app/GSoundCues.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/play/GTutorialController.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GHeadquartersOperations.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"

using namespace playscene;

namespace {

constexpr int32_t kKeyEsc = 27;
constexpr int32_t kKeyD = 68;
constexpr int32_t kKeyE = 69;
constexpr int32_t kKeyK = 75;
constexpr int32_t kKeyL = 76;
constexpr int32_t kKeyR = 82;
constexpr int32_t kKeyMultiply = 106;
constexpr int32_t kKeyAdd = 107;
constexpr int32_t kKeySubtract = 109;
constexpr int32_t kKeyDecimal = 110;
constexpr int32_t kKeyDivide = 111;
constexpr int32_t kKeyF2 = 113;
constexpr int32_t kKeyF3 = 114;

// The developer weather lasts this long (ms).
constexpr int kDeveloperWeatherMs = 30000;

// The pages of the action tabs.
constexpr int32_t kBuildPage = 0;
constexpr int32_t kResourcesPage = 1;
constexpr int32_t kBuildingPage = 2;
constexpr int32_t kBuildGroupsPage = 4;
constexpr int32_t kStationPage = 5;
// The pages of the resource tabs.
constexpr int32_t kMaterialsPage = 0;
constexpr int32_t kGoldPage = 2;

const char* const kGroupButtons[4] = {"ApartmentButton", "CommercialButton", "ServiceButton", "MunicipalButton"};
const char* const kBuildLists[4] = {"ApartmentBuildList", "CommercialBuildList", "ServiceBuildList",
                                    "MunicipalBuildList"};

int indexOfName(const BaseNode* node, const char* const (&names)[4]) {
    for (int i = 0; i < 4; ++i)
        if (isNamed(node, names[i]))
            return i;
    return -1;
}

CProfileParameters* activePlayer() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

void setPage(TabSceneNode* tabs, int32_t page) {
    if (tabs)
        tabs->setActiveTab(page, false);
}

} // namespace

GMajorOfficeNode* GGamePlayScene::majorOffice() const { return nodeCast<GMajorOfficeNode>(m_headquarters); }

// ---------------------------------------------------------------------------
// The tab choice

void GGamePlayScene::showTabForBuilding(GBuildingNode* building) {
    const GBuildingConfig* type = building ? building->getType() : nullptr;
    if (!type || !m_actionsTabs)
        return;
    const int task = building->getTaskKind();
    const bool broken = building->getDamageState() == GBuildingNode::DamageBroken;
    auto showBuildingPage = [this] {
        setPage(m_actionsTabs, kBuildingPage);
        updateBuildingPage();
        updateBuildingTabHint(nullptr);
    };
    if (type->Kind == GBuildingType::Produce) {
        if (task == GBuildingNode::TaskNone) {
            if (broken) {
                showBuildingPage();
                return;
            }
            setPage(m_actionsTabs, kResourcesPage);
            if (type->Name == CName("GoldenMine1")) {
                setPage(m_resourcesTabs, kGoldPage);
                fillGoldList();
                refreshGoldTab();
            } else {
                setPage(m_resourcesTabs, kMaterialsPage);
                fillMaterialsList();
                updateMaterialsList();
            }
        } else if (task == GBuildingNode::TaskBuild || task == GBuildingNode::TaskProduce ||
                   task == GBuildingNode::TaskRepair) {
            showBuildingPage();
        }
        return;
    }
    if (type->Name == CName("RailRoadStation1") && task == GBuildingNode::TaskNone) {
        if (broken)
            showBuildingPage();
        else
            setPage(m_actionsTabs, kStationPage);
    }
}

// ---------------------------------------------------------------------------
// Clicks

bool GGamePlayScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (m_questState > 0 && control != m_questPlace)
        hideQuestCharacter();
    m_hoveredControl = nullptr;
    // The first click of a level starts its random events.
    if (GGameLevelScene* world = getWorld(); world && world->areRandomEventsPaused())
        world->setRandomEventsPaused(false);
    GBuildingNode* building = focusedBuilding();
    GMajorOfficeNode* office = majorOffice();
    ObjectsConfiguration* objects = objectsConfiguration();

    if (isNamed(control, "MenuButton")) {
        (void)navigateToFile(CStringW(u"scenes/InGameMenuScene.mscn"), true, CName("NavTo"), CName("NavFrom"));
        return true;
    }
    if (const int group = indexOfName(control, kGroupButtons); group >= 0) {
        setPage(m_actionsTabs, kBuildPage);
        setPage(m_buildGroupTabs, group);
        updateBuildListStates(group);
        updateBuildPageHint(group, m_buildPage, nullptr, nullptr);
        updateBuildingTabHint(m_hoveredControl);
        return true;
    }
    if (isNamed(control, "BackToBuildButton")) {
        setPage(m_actionsTabs, kBuildGroupsPage);
        updateBuildGroupPage();
        updateBuildGroupHint(nullptr);
        return true;
    }
    if (isNamed(control, "DestroyButton")) {
        if (m_level && building) {
            building->showBonusText(0, false);
            if (office && startDestroy(*office, building)) {
                hideGameHint();
                setPage(m_actionsTabs, kBuildingPage);
            }
        }
        refreshCurrentTab();
        return true;
    }
    if (isNamed(control, "UpgradeButton")) {
        const GBuildingConfig* type = building ? building->getType() : nullptr;
        if (type && !type->Upgrades.empty() && objects && office) {
            GBuildingConfig* next = objects->findBuilding(type->Upgrades[0]);
            if (next && startLevelUp(*office, building, next)) {
                m_hoveredUpgrade = nullptr;
                hideGameHint();
                updateBuildingPage();
            }
        }
        return true;
    }
    if (isNamed(control, "UniqUp1Button") || isNamed(control, "UniqUp2Button")) {
        const bool first = isNamed(control, "UniqUp1Button");
        if (m_level && building && office && startUniqueUpgrade(*office, building, CName(first ? "Up1" : "Up2"))) {
            hideGameHint();
            m_upgradeHoverShown = false;
            setPage(m_actionsTabs, kBuildingPage);
            updateBuildingPage();
            updateBuildingTabHint(nullptr);
            if (first) {
                building->clearIncomeBonusPreview();
                building->setIncomeTextState(0);
            } else {
                building->clearGuestsBonusPreview();
            }
        }
        return true;
    }
    if (isNamed(control, "BackToBuildingButton")) {
        setPage(m_actionsTabs, kBuildingPage);
        updateBuildingPage();
        updateBuildingTabHint(nullptr);
        return true;
    }
    if (isNamed(control, "AbortButton")) {
        abortTask(building);
        return true;
    }
    if (isNamed(control, "RepairButton")) {
        // Nothing to mend without a focused building.
        if (m_level && building && office && startRepair(*office, building))
            hideGameHint();
        return true;
    }
    if (isNamed(control, "SkipTutorialButton")) {
        skipTutorial();
        return false;
    }
    if (isNamed(control, "GoalsButton")) {
        GGameApplication* game = GGameApplication::instance();
        CContentManager* content = game ? game->getContentManager() : nullptr;
        CRefHandle<IContent> loaded(
            content ? content->load(ContentTypeSceneNode, CStringW(u"scenes/LevelObjectivesScene.mscn"), true)
                    : nullptr);
        auto* objectives = nodeCast<GLevelObjectivesScene>(dynamic_cast<BaseNode*>(loaded.get()));
        if (objectives) {
            objectives->setLevelScene(dynamic_cast<ILevelObjectives*>(m_objectivesLevel.get()));
            (void)navigateTo(objectives, true, CName("NavTo"), CName("NavFrom"));
        }
        return false;
    }
    if (isNamed(control, "CustomServeButton")) {
        const GBuildingConfig* type = building ? building->getType() : nullptr;
        if (type && type->Kind == GBuildingType::Uniq && building->getDamageState() == GBuildingNode::DamageRestore &&
            office) {
            (void)startRestore(*office, building);
            hideGameHint();
        }
        return true;
    }
    if (auto* location = nodeCast<GOnRoadLocationNode>(control)) {
        clickLocation(location);
        return false;
    }
    hideQuestCharacter();
    return false;
}

void GGamePlayScene::abortTask(GBuildingNode* building) {
    const int task = building ? building->getTaskKind() : GBuildingNode::TaskNone;
    if (m_level && (task == GBuildingNode::TaskBuild || task == GBuildingNode::TaskDestroy ||
                    task == GBuildingNode::TaskRepair || task == GBuildingNode::TaskUniqueUpgrade)) {
        (void)building->cancelTask();
        building->updateBonusText();
        building->setPreviewType(nullptr);
        CArray<GBuildingNode*> served;
        (void)showServeAreaFor(served, false, building, nullptr);
        if (m_previewBuilding)
            m_previewBuilding->previewTemplate(nullptr);
        m_previewBuilding = nullptr;
        m_previewConfig = nullptr;
        if (m_actionsTabs) {
            const GBuildingConfig* type = building->getType();
            if (type && type->Name == CName("RailRoadStation1") && building->getTaskKind() == GBuildingNode::TaskNone)
                building->setNoTrainYet(false);
            showTabForBuilding(building);
        }
        // A cancelled construction leaves an empty place: shown as if it had
        // just been focused.
        if (building->getType() && building->getType()->Level == 0)
            changeFocus(building, building);
    }
    refreshCurrentTab();
}

void GGamePlayScene::setLevelTutorial(GTutorialController* tutorial) {
    m_levelTutorial = CRefHandle<GTutorialController>::share(tutorial);
}

void GGamePlayScene::skipTutorial() {
    if (m_levelTutorial) {
        CProfileParameters* player = activePlayer();
        if (m_levelTutorial->isCurrentHintTip()) {
            m_levelTutorial->skipTipHints();
            if (player)
                player->setBool("ShowTipsOn", false);
        } else {
            m_levelTutorial->requestSkip();
            if (player)
                player->setBool("ShowTutorialOn", false);
        }
        if (player)
            (void)player->save();
        if (m_level && m_level->isLevelPaused() && m_levelScene) {
            CRefHandle<GPauseRequestMessage> resume(new GPauseRequestMessage(false));
            (void)m_levelScene->dispatch(CEventReceiver::HandleThenParent, resume.get());
        }
    }
    if (GGameLevelScene* world = getWorld())
        world->clearLevelModifiers();
}

void GGamePlayScene::clickLocation(GOnRoadLocationNode* location) {
    (void)location->playSound();
    if (!location->isReachable()) {
        highlightBlockingLocations(location);
        return;
    }
    const bool available = location->getWorkState() == GOnRoadLocationNode::Available;
    if (!location->isGuideSent() && !location->getFirstTutorialFileName().empty()) {
        if (available) {
            hideGameHint();
            location->startTakeMaterials();
        }
        return;
    }
    if (!available)
        return;
    GMajorOfficeNode* office = majorOffice();
    if (office && canBuild(*office, location, location->getType())) {
        hideGameHint();
        highlightBlockingLocations(nullptr);
        location->startWork();
    } else {
        showLocationHint(location, true);
        showQuestCharacter(location);
    }
}

// ---------------------------------------------------------------------------
// List choices

bool GGamePlayScene::onListItemChosen(CEvent* event) {
    if (GBaseSceneNode::onListItemChosen(event))
        return true;
    auto* chosen = static_cast<CEventListItemClicked*>(event);
    auto* list = nodeCast<ListNode>(chosen->getList());
    if (!list)
        return false;
    const int32_t item = chosen->getItem();
    m_hoveredControl = nullptr;
    hideGameHint();
    GBuildingNode* building = focusedBuilding();
    GMajorOfficeNode* office = majorOffice();

    if (indexOfName(list, kBuildLists) >= 0) {
        auto* type = dynamic_cast<GBuildingConfig*>(list->getItemObject(item));
        if (type && building && building->isReachable() && office && startBuild(*office, building, type)) {
            m_previewBuilding = nullptr;
            m_previewConfig = nullptr;
            setPage(m_actionsTabs, kBuildingPage);
            updateBuildingPage();
            markBuildingSeen(list->getElement(list->itemToSlot(item)), CName());
        }
        return true;
    }
    if (isNamed(list, "WorkersList")) {
        const auto* offer = dynamic_cast<const GWorkerOffer*>(list->getItemObject(item));
        if (!offer || !office || !orderWorkers(*office, offer))
            return false;
        if (m_workersList)
            m_workersList->setVisible(false);
        if (m_workersSignBar) {
            m_workersSignBar->setVisible(true);
            m_workersSignBar->setMaxValue(float(office->getOrderTotalTime()));
            m_workersSignBar->setMinValue(0.0f);
            m_workersSignBar->setValue(0.0f);
        }
        return false;
    }
    if (isNamed(list, "MaterialsList") || isNamed(list, "GoldList")) {
        auto* offer = dynamic_cast<ProduceItemOffer*>(list->getItemObject(item));
        if (building && offer && office && canAffordProduction(*office, building, offer)) {
            (void)startProduction(*office, building, offer);
            setPage(m_actionsTabs, kBuildingPage);
            updateBuildingPage();
            updateBuildingTabHint(nullptr);
        }
        return true;
    }
    if (isNamed(list, "BuyList") || isNamed(list, "SellList")) {
        const auto* data = dynamic_cast<const StationItemData*>(list->getItemObject(item));
        IGameLevel::TrainOffer offer;
        if (data && m_level && office && m_level->getTrainOffer(data->train.get(), data->index, offer)) {
            const bool traded = offer.sale ? sellResource(*office, offer.resource, offer.amount, offer.price)
                                           : buyResource(*office, offer.resource, offer.amount, offer.price);
            if (traded) {
                m_level->setTrainOfferUsed(data->train.get(), data->index);
                m_level->recalculate();
            }
        }
        updateStationPage();
        if (CSoundCueManager* cues = cueManager())
            (void)cues->play(CName("Bought"), false, 0);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Keys

bool GGamePlayScene::onKeyUp(CEventKeyUp* event) {
    if (GBaseSceneNode::onKeyUp(event))
        return true;
    const int32_t key = event->getKeyCode();
    if (key == kKeyEsc) {
        (void)navigateToFile(CStringW(u"scenes/InGameMenuScene.mscn"), true, CName("NavTo"), CName("NavFrom"));
        return true;
    }
    if (!GGameApplication::isDeveloperMode())
        return false;
    return handleDeveloperKey(key, event->isShift());
}

bool GGamePlayScene::handleDeveloperKey(int32_t key, bool shift) {
    GGameLevelScene* world = getWorld();
    auto addToHeadquarters = [this](const char* resource, int amount) {
        if (m_headquarters)
            m_headquarters->addResource(CName(resource), amount);
        onLevelStatsChanged(nullptr);
    };
    switch (key) {
    case kKeyD:
        if (world)
            world->debugTouchObjects();
        return true;
    case kKeyE:
        finishLevel(shift);
        return true;
    case kKeyR:
        if (shift) {
            if (CProfileParameters* player = activePlayer()) {
                player->setString("AlreadyAllowedBuildings", CString());
                (void)player->save();
            }
        } else if (m_levelScene) {
            CRefHandle<GWeatherEffectEvent> weather(
                new GWeatherEffectEvent(GIntRange{kDeveloperWeatherMs, kDeveloperWeatherMs}));
            (void)m_levelScene->handleEvent(weather.get());
        }
        return true;
    case kKeyK:
        if (m_levelScene) {
            const CArray<CName> none;
            CRefHandle<GBrokenBuildingEvent> broken(new GBrokenBuildingEvent(none, none, false));
            (void)m_levelScene->handleEvent(broken.get());
            CRefHandle<GDirtyBuildingEvent> dirty(new GDirtyBuildingEvent(none, none, false));
            (void)m_levelScene->handleEvent(dirty.get());
        }
        return true;
    case kKeyL:
        if (m_levelScene)
            m_levelScene->setVisible(!m_levelScene->isVisible());
        return true;
    case kKeyMultiply:
        addToHeadquarters("Materials", 1000);
        return true;
    case kKeyAdd:
        addToHeadquarters("Money", 100000);
        return true;
    case kKeySubtract:
        addToHeadquarters("Gold", 10);
        return true;
    case kKeyDivide:
        if (GMajorOfficeNode* office = majorOffice())
            office->spawnWorkers(1);
        onLevelStatsChanged(nullptr);
        return true;
    case kKeyDecimal:
        if (world)
            world->setExtraGuests(world->getExtraGuests() + 5);
        onLevelStatsChanged(nullptr);
        return true;
    case kKeyF2:
    case kKeyF3:
        return true;
    default:
        return false;
    }
}
