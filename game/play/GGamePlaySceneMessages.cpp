// The play screen's answer to the level's game messages: the tabs follow the
// focused building, the building cues play and stop, the money burst shows,
// a new objective group brings its tutorial, and the figures are refreshed.

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngine.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/SceneManager.h"
#include "game/app/GGameApplication.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/play/GTutorialController.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GTrainNode.h"

#include <cmath>

using namespace playscene;

namespace {

// The next group's panel shows this long after the last one was completed.
constexpr int kGroupChangeMs = 3000;

constexpr int32_t kBuildingPage = 2;
constexpr int32_t kGoalsPage = 3;
constexpr int32_t kBuildGroupsPage = 4;
constexpr int32_t kStationPage = 5;
constexpr int32_t kResourcesPage = 1;
constexpr int32_t kWorkersPage = 1;

// The sign board of the page the action tabs show; null without one.
BaseNode* activeSignBoard(TabSceneNode* tabs) {
    if (!tabs || tabs->getActiveTab() == -1)
        return nullptr;
    return childAs<SpriteNode>(tabs->getPage(tabs->getActiveTab()), "SignBoard");
}

CProfileParameters* activePlayer() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

// A served place's marker is shown again so that it fits its building.
void reshowServeMarker(GBuildingNode* building) {
    if (!building || !building->isServeAreaMarkerShown())
        return;
    building->setServeAreaMarkerRole(building->isServeAreaSource());
    building->showServeAreaMarker(true);
}

} // namespace

bool GGamePlayScene::sameBuildingFamily(CName a, CName b) {
    const CString& left = a.str();
    const CString& right = b.str();
    const size_t l = left.length() > 1 ? left.length() - 1 : left.length();
    const size_t r = right.length() > 1 ? right.length() - 1 : right.length();
    return l == r && std::char_traits<char>::compare(left.c_str(), right.c_str(), l) == 0;
}

void GGamePlayScene::addGameMessageHandlers(CEventHandlerTable& table) {
    table.add<&GGamePlayScene::onGroupStarted>(GObjectivesGroupStartedMessage::TypeId);
    table.add<&GGamePlayScene::onIncomeCollected>(GIncomeCollectedMessage::TypeId);
    table.add<&GGamePlayScene::onBuildingChanged>(GBuildingChangedMessage::TypeId);
    table.add<&GGamePlayScene::onLevelStatsChanged>(GLevelStatsChangedMessage::TypeId);
    table.add<&GGamePlayScene::onWorkerArrived>(GWorkerArrivedMessage::TypeId);
    table.add<&GGamePlayScene::onTrainArrived>(GTrainArrivedMessage::TypeId);
    table.add<&GGamePlayScene::onTrainLeft>(GTrainLeavedMessage::TypeId);
    table.add<&GGamePlayScene::onBuildingCompleted>(GBuildingCompletedMessage::TypeId);
    table.add<&GGamePlayScene::onBuildingDestroyed>(GBuildingDestroyedMessage::TypeId);
    table.add<&GGamePlayScene::onLocationDone>(GOnRoadLocationDoneMessage::TypeId);
}

// ---------------------------------------------------------------------------
// Figures

bool GGamePlayScene::onLevelStatsChanged(GGameMessage*) {
    if (!m_level)
        return true;
    updateMoneyPanel();
    updateGuestsSign();
    updateGoalChecks(false);
    refreshCurrentTab();
    if (GGameLevelScene* world = getWorld())
        world->refreshHoverStates();
    // The open popup is rebuilt with the new stock.
    if (m_gameHint)
        m_gameHint->refresh();
    return true;
}

bool GGamePlayScene::onTrainArrived(GGameMessage*) {
    updateStationPage();
    return true;
}

bool GGamePlayScene::onTrainLeft(GGameMessage*) {
    updateStationPage();
    return true;
}

// ---------------------------------------------------------------------------
// Objective groups

bool GGamePlayScene::onGroupStarted(GObjectivesGroupStartedMessage* message) {
    const int group = message->getGroupIndex();
    if (group == 0) {
        layoutGoalsPanel();
        if (m_checkpointTaskText)
            m_checkpointTaskText->setText(CStringW(CString() + (group + 1)));
        if (m_goalsNode)
            m_goalsNode->applyStateRecursive(CName("Appear"), nullptr);
    } else {
        // The per-frame update lays the new group's panel out when it runs out.
        m_groupChangeCountdown = kGroupChangeMs;
        if (m_goalsNode)
            m_goalsNode->applyStateRecursive(CName("Disappear"), nullptr);
    }
    m_timeOverPlayed = false;
    hideQuestCharacter();
    hideGroupTutorial();

    // The level's own tutorial, while tutorials are on, keeps the group's
    // tutorial away.
    const CProfileParameters* player = activePlayer();
    if (m_levelTutorial && (!player || player->getBool("ShowTutorialOn")))
        return true;
    const CString& file = message->getTutorial();
    BaseNode* scene = child(this, "Scene");
    GGameApplication* game = GGameApplication::instance();
    CEngine* engine = findEngineInstance();
    CVirtualFileSystem* files = engine ? engine->getFileSystem() : nullptr;
    if (file.empty() || !scene || !files || !game)
        return true;
    CRefHandle<CXmlStreamReader> reader(files->openXmlReader(m_tutorialFolder + CStringW(file)));
    if (!reader)
        return true;
    m_groupTutorial = CRefHandle<GTutorialController>(createTutorial(*reader));
    if (!m_groupTutorial)
        return true;
    m_groupTutorial->setSkipButtonShown(true);
    m_groupTutorial->setEnabled(false);
    m_groupTutorial->setVoiceOn(true);
    m_groupTutorial->setAutoAdvance(true);
    m_groupTutorial->setSkipButtonsText(CStringW(u"%GamePlay_TutorialClickToContinue%"));
    // Every place and place by the road, shown or not.
    attachTutorial(m_groupTutorial.get(), true);
    // Before the objectives screen was seen, the arrival starts it.
    if (m_objectivesShown)
        m_groupTutorial->start(0);
    return true;
}

// ---------------------------------------------------------------------------
// Income

bool GGamePlayScene::onIncomeCollected(GGameMessage*) {
    if (!m_level)
        return true;
    bool burst = false;
    for (int i = 0; i < m_level->getPlaceCount(); ++i) {
        auto* place = nodeCast<GBuildingNode>(m_level->getPlace(i));
        const GBuildingConfig* type = place ? place->getType() : nullptr;
        if (!type || type->Level == 0 || !place->canBeHit() || !place->isOperating() || place->getIncome() < 1.0f ||
            !place->isReachable() || !place->hasRequiredServices())
            continue;
        place->applyStateRecursive(CName("MoneyBurst"), nullptr);
        burst = true;
    }
    if (!burst)
        return true;
    if (m_moneyNode)
        m_moneyNode->applyStateRecursive(CName("MoneyBurst"), nullptr);
    if (m_burstIncomeText) {
        const int income = int(std::floor(m_level->getLevelIncome() + 0.5f));
        CDictionary* dict = dictionary();
        const CStringW none;
        const CStringW amount = CStringW::formatIntegerWithSeparator(income, u',');
        m_burstIncomeText->setText(CStringW(u"+ ") +
                                   (dict ? dict->format(CString("MoneyDollar"), amount, none, none, none) : amount));
    }
    if (GMajorOfficeNode* office = majorOffice()) {
        GResourceMap popup;
        popup[nameIdBurstMoney()] = int(std::floor(office->getIncome() + 0.5f));
        office->queueIncomePopup(popup);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Focus

bool GGamePlayScene::onBuildingChanged(GBuildingChangedMessage* message) {
    changeFocus(nodeCast<GBuildingNode>(message->getBuildingNode()),
                nodeCast<GBuildingNode>(message->getOtherBuilding<BaseNode>()));
    return true;
}

void GGamePlayScene::changeFocus(GBuildingNode* focused, GBuildingNode* previous) {
    const GBuildingConfig* type = focused ? focused->getType() : nullptr;
    // Two levels of one building keep its cue.
    if (type && previous && previous->getType() && !sameBuildingFamily(type->Name, previous->getType()->Name))
        stopBuildingCue();
    if (focused && focused != previous) {
        playBuildingCue(focused);
        if (previous && previous->getTaskKind() != GBuildingNode::TaskNone)
            previous->stopSound();
    } else if (!focused && previous) {
        stopBuildingCue();
        previous->stopSound();
    }
    if (m_questState > 0)
        hideQuestCharacter();

    const BaseNode* oldBoard = activeSignBoard(m_actionsTabs);
    const CNodeState* oldState = oldBoard ? oldBoard->getCurrentState() : nullptr;
    const bool wasWaiting = oldState && oldState->getName() == CName("Waiting");

    CArray<GBuildingNode*> served;
    if (focused) {
        if (focused != previous)
            (void)markServedPlaces(served, focused, nullptr);
        highlightBlockingLocations(focused->isReachable() ? nullptr : focused);
    } else {
        highlightBlockingLocations(nullptr);
        (void)markServedPlaces(served, nullptr, nullptr);
    }
    if (!m_actionsTabs)
        return;

    if (!type) {
        m_actionsTabs->setActiveTab(kGoalsPage, false);
    } else if (type->Name == CName("RailRoadStation1") && focused->getTaskKind() == GBuildingNode::TaskNone) {
        if (focused->getDamageState() == GBuildingNode::DamageBroken) {
            m_actionsTabs->setActiveTab(kBuildingPage, false);
            updateBuildingPage();
            updateBuildingTabHint(nullptr);
        } else {
            m_actionsTabs->setActiveTab(kStationPage, false);
        }
        if (focused != previous) {
            const CArray<BaseNode*>& standing = focused->getStandingTrains();
            if (GTrainNode* train = standing.empty() ? nullptr : nodeCast<GTrainNode>(standing[0]))
                train->createOffers();
            updateStationPage();
        }
    } else if (type->Level == 0 && focused->getTaskKind() == GBuildingNode::TaskNone) {
        m_actionsTabs->setActiveTab(kBuildGroupsPage, false);
        updateBuildGroupPage();
        updateBuildGroupHint(nullptr);
    } else if (type->Kind == GBuildingType::Produce) {
        showTabForBuilding(focused);
    } else if (focused->isKindOf(GMajorOfficeNode::TypeId)) {
        m_actionsTabs->setActiveTab(kResourcesPage, false);
        if (m_resourcesTabs)
            m_resourcesTabs->setActiveTab(kWorkersPage, false);
        fillWorkersList();
        updateWorkersList();
        updateWorkersHint(nullptr, false);
    } else {
        m_actionsTabs->setActiveTab(kBuildingPage, false);
        updateBuildingPage();
        updateBuildingTabHint(nullptr);
    }

    if (BaseNode* board = activeSignBoard(m_actionsTabs))
        board->setState(CName(wasWaiting ? "Waiting" : "NavTo"), nullptr, CName());
    if (type)
        setSignBoardText(CStringW(u"%") + type->DisplayName + u"%");
}

// ---------------------------------------------------------------------------
// Walkers and buildings

bool GGamePlayScene::onWorkerArrived(GWorkerArrivedMessage* message) {
    BaseNode* building = message->getBuildingNode();
    BaseNode* worker = message->getWorker<BaseNode>();
    if (building && building == m_headquarters && m_chestButton) {
        // The chest's popup follows the delivered quest items.
        if (m_chestButton->isHovered())
            showCostHint(m_chestButton, m_headquarters->getOtherResources(), 0);
        return true;
    }
    auto* location = nodeCast<GOnRoadLocationNode>(building);
    if (location && worker && worker->isKindOf(GBuildingNode::GuideTypeId)) {
        hideGameHint();
        hideQuestCharacter();
        const GBuildingConfig* type = location->getType();
        showQuestTutorial(location->getFirstTutorialFileName(), type ? type->Name : CName());
    }
    return true;
}

bool GGamePlayScene::onBuildingCompleted(GBuildingCompletedMessage* message) {
    auto* building = nodeCast<GBuildingNode>(message->getBuildingNode());
    GBuildingNode* focused = focusedBuilding();
    if (building && building == focused) {
        focused->stopSound();
        stopBuildingCue();
    }
    reshowServeMarker(building);
    const GBuildingConfig* type = focused ? focused->getType() : nullptr;
    if (type && m_actionsTabs) {
        if (type->Name == CName("RailRoadStation1") && focused == building) {
            m_actionsTabs->setActiveTab(kStationPage, false);
            updateStationPage();
        } else if (type->Kind == GBuildingType::Produce && focused->getTaskKind() == GBuildingNode::TaskNone) {
            showTabForBuilding(focused);
        }
    }
    if (m_level)
        (void)onLevelStatsChanged(message);
    refreshCurrentTab();
    return true;
}

bool GGamePlayScene::onBuildingDestroyed(GBuildingDestroyedMessage* message) {
    auto* building = nodeCast<GBuildingNode>(message->getBuildingNode());
    if (building && building == focusedBuilding()) {
        CArray<GBuildingNode*> served;
        (void)markServedPlaces(served, nullptr, nullptr);
    } else {
        reshowServeMarker(building);
    }
    // The post-handlers see it too.
    return false;
}
