#include "game/play/GGamePlayScene.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CString.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/app/GGameApplication.h"
#include "game/app/ILevelResultScreen.h"
#include "game/config/GGameMessage.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/TabsConfiguration.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/play/GTutorialController.h"
#include "game/world/GBuildingNode.h"

#include <algorithm>

using namespace playscene;

namespace {

// Messages the play screen takes without doing anything.
constexpr int32_t kAcceptedMessage1 = 4117;
constexpr int32_t kAcceptedMessage2 = 4118;
constexpr int32_t kFadeOutMs = 1000;
constexpr int32_t kTimeOverFadeMs = 500;

// The sound group of the quest character's voice.
constexpr int32_t kVoicesGroup = GGameApplication::GroupVoices;

// Whether the voices group played at the last poll (one for the program).
bool& voicesWerePlaying() {
    static bool playing = false;
    return playing;
}

float& cachedGoldMultiplier() {
    static float value = 1.0f;
    return value;
}

// The first check box among the children of each row of `goals`, hidden.
void collectGoalChecks(BaseNode* goals, CArray<CheckBoxNode*>& checks) {
    if (!goals)
        return;
    for (BaseNode* row : goals->getChildren()) {
        for (BaseNode* child : row->getChildren()) {
            if (auto* check = as<CheckBoxNode>(child)) {
                check->setVisible(false);
                checks.push_back(check);
                break;
            }
        }
    }
}

BaseNode* childAt(BaseNode* parent, uint32_t index) {
    return parent && index < parent->getChildren().size() ? parent->getChildren()[index] : nullptr;
}

CProfileParameters* currentPlayer() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

// The ranks stored as text: every run starting with a digit or '-' is one
// number.
CArray<int> parseRanks(const CString& text) {
    CArray<int> ranks;
    const char* s = text.c_str();
    const size_t n = text.length();
    size_t i = 0;
    while (i < n) {
        if (s[i] == '-' || (s[i] >= '0' && s[i] <= '9')) {
            bool negative = s[i] == '-';
            size_t j = negative ? i + 1 : i;
            long long value = 0;
            while (j < n && s[j] >= '0' && s[j] <= '9') {
                value = std::min<long long>(value * 10 + (s[j] - '0'), 1LL << 40);
                ++j;
            }
            if (negative)
                value = -value;
            ranks.push_back(int(std::clamp<long long>(value, INT32_MIN, INT32_MAX)));
            i = j;
        } else {
            ++i;
        }
    }
    return ranks;
}

CString joinRanks(const CArray<int>& ranks) {
    CString text;
    for (uint32_t i = 0; i < ranks.size(); ++i) {
        if (i > 0)
            text += ";";
        text += ranks[i];
    }
    return text;
}

// The names of "AlreadyAllowedBuildings": split at ';', trimmed, empty parts
// left out.
bool listHoldsName(const CString& text, CName name) {
    const char* s = text.c_str();
    const size_t n = text.length();
    size_t start = 0;
    while (start <= n) {
        size_t end = start;
        while (end < n && s[end] != ';')
            ++end;
        size_t a = start;
        size_t b = end;
        auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        while (a < b && blank(s[a]))
            ++a;
        while (b > a && blank(s[b - 1]))
            --b;
        if (b > a && CName(CString(s + a, int(b - a))) == name)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

ProduceItemOffer::ProduceItemOffer(const GProduceItemConfig& item) {
    Name = item.Name;
    Workers = item.Workers;
    Time = item.Time;
    RequiredResources = item.RequiredResources;
    ProducedResources = item.ProducedResources;
}

GGamePlayScene::GGamePlayScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {
    setMask(getMask() | CEvent::MaskGame);
    setUpdateInterval(PlayUpdateIntervalMs);
}

GGamePlayScene::~GGamePlayScene() {
    // The tutorials go with the screen, unhooked from everything they
    // listen to.
    hideLevelTutorial();
    hideGroupTutorial();
    hideQuestTutorial(false);
    m_tabsConfiguration = nullptr;
    m_level = nullptr;
    m_levelScene = nullptr;
    if (GGameApplication* game = GGameApplication::instance()) {
        if (SceneManager* overlay = game->getOverlaySceneManager()) {
            (void)overlay->setScene(nullptr, CName());
            if (BaseNode* scene = findChild(CName("Scene"), 1))
                if (overlay->getParent() == scene)
                    (void)scene->removeChild(overlay);
        }
    }
    // The quest voice is faded out too: a voice left playing would go on
    // talking over the next screen.
    stopQuestVoice();
    stopBuildingCue();
    if (CSoundCueManager* cues = cueManager())
        cues->stop(CName("AlmostEnd"), 0);
}

BaseNode* GGamePlayScene::create(const CObjectName& name) { return new GGamePlayScene(name, nullptr, nullptr); }

const CStringW& GGamePlayScene::getTypeName() const {
    static const CStringW name(u"GGamePlayScene");
    return name;
}

const CStringW& GGamePlayScene::getClassName() const { return GGamePlayScene::getTypeName(); }

BaseNode* GGamePlayScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GGamePlayScene>(parent, sceneManager);
}

const CEventHandlerTable& GGamePlayScene::getEventHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GGamePlayScene::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(GBaseSceneNode::handlerTable());
        t.add<&GGamePlayScene::onLevelCompleted>(GGameMessage::TypeId);
        t.add<&GGamePlayScene::onGroupCompleted>(GObjectivesGroupCompletedMessage::TypeId);
        t.add<&GGamePlayScene::onWorkersSignDone>(GWorkersTrainedMessage::TypeId);
        t.add<&GGamePlayScene::acceptGameMessage>(kAcceptedMessage1);
        t.add<&GGamePlayScene::acceptGameMessage>(kAcceptedMessage2);
        addGameMessageHandlers(t);
        return t;
    }();
    return table;
}

bool GGamePlayScene::onControlUnfocused(CEvent*) { return false; }

// ---------------------------------------------------------------------------
// HUD binding

void GGamePlayScene::onLoaded() {
    m_panelGoalChecks.clear();
    m_tabGoalChecks.clear();
    BaseNode* scene = child(this, "Scene");
    m_gameMenu = child(scene, "GameMenu");
    if (!m_gameMenu)
        return;

    if (BaseNode* upper = child(m_gameMenu, "UpperPanel")) {
        m_happinessText = childAs<TextNode>(upper, "HappinesText");
        m_moneyNode = child(upper, "MoneyNode");
        if (m_moneyNode) {
            m_moneyCounter = childAs<GCounterTextNode>(m_moneyNode, "MoneyText");
            m_incomeText = childAs<TextNode>(m_moneyNode, "IncomeText");
            m_incomeProgressBar = childAs<BaseProgressBarNode>(m_moneyNode, "ProgressBar");
            m_bankMoneyText = childAs<TextNode>(child(m_moneyNode, "BankCount"), "MoneyText");
            BaseNode* table = child(child(m_moneyNode, "MoneyBurstController"), "IncomeTable");
            m_burstIncomeText = childAs<TextNode>(child(table, "Clipper"), "IncomeText");
        }
        m_timeNode = child(upper, "TimeNode");
        m_timeProgressBar = childAs<GProgressBarWithCheckpointsNode>(m_timeNode, "TimeProgressBar");
        m_goalsBg = child(upper, "GoalsBg");
        m_chestButton = childAs<ControlNode>(m_goalsBg, "Sunduk");
        m_goalsNode = child(upper, "GoalsNode");
        if (m_goalsNode) {
            m_checkpointTaskText = childAs<TextNode>(child(m_goalsNode, "chekpointTask"), "TextNode");
            collectGoalChecks(m_goalsNode, m_panelGoalChecks);
        }
        m_materialsAmountText = childAs<TextNode>(upper, "MaterialsAmountText");
        m_goldAmountText = childAs<TextNode>(upper, "GoldAmountText");
        m_guestsText = childAs<TextNode>(upper, "GuestsText");
    }

    m_actionsTabs = childAs<TabSceneNode>(m_gameMenu, "ActionsTabScene");
    if (m_actionsTabs) {
        m_buildPage = childAt(m_actionsTabs, 0);
        m_buildGroupTabs = childAs<TabSceneNode>(m_buildPage, "SelectBuildingGroupTabScene");
        if (m_buildGroupTabs) {
            m_apartmentPage = childAt(m_buildGroupTabs, 0);
            m_apartmentList = childAs<ListNode>(m_apartmentPage, "ApartmentBuildList");
            m_commercialPage = childAt(m_buildGroupTabs, 1);
            m_commercialList = childAs<ListNode>(m_commercialPage, "CommercialBuildList");
            m_servicePage = childAt(m_buildGroupTabs, 2);
            m_serviceList = childAs<ListNode>(m_servicePage, "ServiceBuildList");
            m_municipalPage = childAt(m_buildGroupTabs, 3);
            m_municipalList = childAs<ListNode>(m_municipalPage, "MunicipalBuildList");
        }
        m_resourcesPage = childAt(m_actionsTabs, 1);
        m_resourcesTabs = childAs<TabSceneNode>(m_resourcesPage, "ResourcesTabScene");
        if (m_resourcesTabs) {
            m_materialsPage = childAt(m_resourcesTabs, 0);
            m_materialsHintText = childAs<TextNode>(m_materialsPage, "HintText");
            m_materialsList = childAs<ListNode>(m_materialsPage, "MaterialsList");
            m_workersPage = childAt(m_resourcesTabs, 1);
            m_workersHintText = childAs<TextNode>(m_workersPage, "HintText");
            m_workersList = childAs<ListNode>(m_workersPage, "WorkersList");
            if (m_workersList)
                m_workersList->setVisible(true);
            m_workersSignBar = childAs<GProgressBarWithSignNode>(m_workersPage, "ProgressBar");
            if (m_workersSignBar)
                m_workersSignBar->setVisible(false);
            m_goldPage = childAt(m_resourcesTabs, 2);
            m_goldHintText = childAs<TextNode>(m_goldPage, "HintText");
            m_goldList = childAs<ListNode>(m_goldPage, "GoldList");
        }
        m_stationPage = child(m_actionsTabs, "Tab6");
        m_stationButtons = child(m_stationPage, "ButtonsNode");
        m_stationHintText = childAs<TextNode>(m_stationPage, "HintText");
        m_buildingPage = child(m_actionsTabs, "Tab3");
        m_progressNode = childAs<ControlNode>(m_buildingPage, "ProgressNode");
        m_progressHintText = childAs<TextNode>(m_progressNode, "HintText");
        m_buildingHintText = childAs<TextNode>(m_buildingPage, "HintText");
        m_goalsPage = child(m_actionsTabs, "Tab4");
        collectGoalChecks(child(m_goalsPage, "GoalsNode"), m_tabGoalChecks);
        m_buildGroupPage = child(m_actionsTabs, "Tab5");
    }

    m_hintNode = child(m_gameMenu, "HintNode");
    m_gameHint = childAs<GHintNode>(m_hintNode, "GameHint");
}

ListNode* GGamePlayScene::getBuildList(int group) const {
    switch (group) {
    case 0:
        return m_apartmentList;
    case 1:
        return m_commercialList;
    case 2:
        return m_serviceList;
    case 3:
        return m_municipalList;
    default:
        return nullptr;
    }
}

BaseNode* GGamePlayScene::getBuildGroupPageOf(int group) const {
    switch (group) {
    case 0:
        return m_apartmentPage;
    case 1:
        return m_commercialPage;
    case 2:
        return m_servicePage;
    case 3:
        return m_municipalPage;
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------------------
// Level binding

bool GGamePlayScene::bindLevel(SceneNode* levelScene) {
    IGameLevel* level = dynamic_cast<IGameLevel*>(levelScene);
    if (!level)
        return false;
    m_levelScene = CRefHandle<SceneNode>::share(levelScene);
    m_level = level;
    m_headquarters = nodeCast<GBuildingNode>(level->getHeadquarters());
    return true;
}

void GGamePlayScene::setTabsConfiguration(TabsConfiguration* configuration) {
    m_tabsConfiguration = CRefHandle<TabsConfiguration>::share(configuration);
}

LevelConfiguration* GGamePlayScene::levelConfiguration() const {
    return m_level ? m_level->getLevelConfiguration() : nullptr;
}

ObjectsConfiguration* GGamePlayScene::objectsConfiguration() const {
    if (ObjectsConfiguration* objects = m_level ? m_level->getObjectsConfiguration() : nullptr)
        return objects;
    GGameApplication* game = GGameApplication::instance();
    return game ? game->getObjectsConfiguration() : nullptr;
}

const GlobalConfig* GGamePlayScene::globalConfig() const {
    if (GGameApplication* game = GGameApplication::instance())
        if (const GlobalConfig* global = game->getGlobalConfig())
            return global;
    if (const GlobalConfig* global = m_level ? m_level->getGlobalConfig() : nullptr)
        return global;
    // The defaults, for a level run without the game around it.
    static const CRefHandle<GlobalConfig> defaults(new GlobalConfig);
    return defaults.get();
}

int GGamePlayScene::levelNumber() const { return m_level ? m_level->getLevelNumber() : 0; }

GBuildingNode* GGamePlayScene::focusedBuilding() const {
    return m_level ? nodeCast<GBuildingNode>(m_level->getFocusedBuilding()) : nullptr;
}

int GGamePlayScene::headquartersMoney() const { return m_headquarters ? m_headquarters->getMoney() : 0; }

int GGamePlayScene::freeWorkers() const { return m_level ? m_level->getFreeWorkers() : 0; }

// ---------------------------------------------------------------------------
// Shared helpers

void GGamePlayScene::setShownAndEnabled(ControlNode* control, bool flag) {
    if (!control)
        return;
    control->setVisible(flag);
    control->setEnabled(flag);
}

bool GGamePlayScene::isDestroyAllowed() const {
    if (!m_levelScene)
        return true;
    return levelNumber() >= globalConfig()->AllowDestroyFromLevel;
}

bool GGamePlayScene::isBuildingAllowedInLevel(CName building) const {
    const LevelConfiguration* configuration = levelConfiguration();
    if (!configuration)
        return false;
    for (CName forbidden : configuration->ForbiddenBuildings)
        if (forbidden == building)
            return false;
    return true;
}

bool GGamePlayScene::canStartUniqueUpgrade(GBuildingNode* building, const GUniqUpgradeConfig* upgrade) const {
    if (!building || !upgrade || building->getDamageState() != GBuildingNode::DamageNone)
        return false;
    if (building->hasUniqueUpgrade(upgrade->Name))
        return false;
    return m_level && m_level->canAffordUniqueUpgrade(building, upgrade);
}

bool GGamePlayScene::canDestroy(GBuildingNode* building) const {
    const GBuildingConfig* type = building ? building->getType() : nullptr;
    return type && type->CanBeDestroyed && isDestroyAllowed() && building->isReachable() &&
           freeWorkers() >= building->getDestroyWorkers();
}

void GGamePlayScene::pollSoundGroupPlaying() {
    CSoundCueManager* cues = cueManager();
    if (!cues)
        return;
    const bool playing = cues->isGroupPlaying(kVoicesGroup);
    if (playing == voicesWerePlaying())
        return;
    voicesWerePlaying() = playing;
    if (GGameApplication* game = GGameApplication::instance())
        game->applySoundSettings(playing);
}

void GGamePlayScene::setQuestVoice(SoundCue* voice) { m_questVoice = CRefHandle<SoundCue>::share(voice); }

void GGamePlayScene::stopQuestVoice() {
    if (m_questVoice)
        (void)m_questVoice->stop(kFadeOutMs);
    m_questVoice = nullptr;
}

void GGamePlayScene::stopBuildingCue() {
    if (m_buildingCue)
        (void)m_buildingCue->stop(kFadeOutMs);
    m_buildingCue = nullptr;
}

void GGamePlayScene::playBuildingCue(GBuildingNode* building) {
    const GBuildingConfig* type = building ? building->getType() : nullptr;
    if (!type)
        return;
    const CName cue = type->SelectedSoundCueName;
    if (m_buildingCue && m_buildingCue->getName() == cue && m_buildingCue->getState() != 0)
        return;
    stopBuildingCue();
    if (CSoundCueManager* cues = cueManager())
        m_buildingCue = CRefHandle<SoundCue>::share(cues->play(cue, false, 0));
}

float GGamePlayScene::getCachedGoldMultiplier() { return cachedGoldMultiplier(); }

void GGamePlayScene::setCachedGoldMultiplier(float value) { cachedGoldMultiplier() = value; }

// ---------------------------------------------------------------------------
// Game messages and the level end

bool GGamePlayScene::acceptGameMessage(GGameMessage*) { return true; }

bool GGamePlayScene::onWorkersSignDone(GWorkersTrainedMessage*) {
    if (!m_workersList || !m_workersSignBar)
        return false;
    m_workersSignBar->setVisible(false);
    m_workersList->setVisible(true);
    return true;
}

bool GGamePlayScene::onGroupCompleted(GObjectivesGroupCompletedMessage* message) {
    const LevelConfiguration* configuration = levelConfiguration();
    if (m_timeProgressBar && m_level) {
        const bool clockOn = configuration && configuration->IsClockOn;
        const int index = message->getGroupIndex();
        if (message->getElapsedSeconds() > message->getTime() && clockOn) {
            m_timeProgressBar->setCheckpointPassedFail(uint32_t(std::max(index, 0)));
        } else {
            ++m_groupsPassedInTime;
            m_timeProgressBar->setCheckpointPassedOk(uint32_t(std::max(index, 0)));
            // The clock jumps to the end of the group's time; a group
            // finished late (clock off) leaves the clock where it is.
            const long long jump = (long long)(message->getTime() - message->getElapsedSeconds()) * 1000;
            if (jump > 0)
                m_level->setLevelClockMs(
                    int(std::min<long long>((long long)m_level->getLevelClockMs() + jump, INT32_MAX)));
        }
    }
    if (CSoundCueManager* cues = cueManager()) {
        cues->stop(CName("TimeOver"), kTimeOverFadeMs);
        (void)cues->play(CName("ObjectiveComplete"), false, 0);
    }
    return true;
}

bool GGamePlayScene::onLevelCompleted(GGameMessage*) {
    // The level is won: no hint stays over the result screen.
    hideLevelTutorial();
    hideGroupTutorial();
    showFinishedGoals();
    finishLevel(false);
    return true;
}

void GGamePlayScene::finishLevel(bool devExpert) {
    if (CSoundCueManager* cues = cueManager()) {
        cues->stopGroup(GGameApplication::GroupInterfaceSounds);
        cues->stopGroup(GGameApplication::GroupVoices);
        cues->stop(m_levelMusicCue, 0);
        (void)cues->play(CName("LevelCompleted"), false, 0);
        (void)cues->play(CName("ObjectivesWindow"), false, 0);
    }
    CProfileParameters* player = currentPlayer();
    if (!m_levelScene || !player)
        return;

    const int maxUnlocked = player->getInt("MaxUnlockedLevelIndex");
    const int index = player->getInt("LevelIndex");
    if (maxUnlocked < index) {
        player->setInt("MaxUnlockedLevelIndex", index);
        player->setInt("LevelIndex", index + 1);
        player->setInt("FirstPassedLevelNum", index);
    }

    const LevelConfiguration* configuration = levelConfiguration();
    const int groups = configuration ? int(configuration->getGroupCount()) : 0;
    const int half = (groups + 1) / 2;
    int rank = configuration && configuration->IsClockOn && m_groupsPassedInTime < half ? 1 : 2;
    if (GGameApplication::isDeveloperMode() && devExpert)
        rank = 2;

    CArray<int> ranks = parseRanks(player->getString("Ranks"));
    // A broken profile's index below 0 has no entry to raise.
    if (index >= 0) {
        while (int(ranks.size()) < index + 1)
            ranks.push_back(0);
    }
    bool celebrated = false;
    if (index >= 0 && ranks[uint32_t(index)] < rank) {
        ranks[uint32_t(index)] = rank;
        celebrated = rank == 2 || index == globalConfig()->AllowHQUpgradeFromLevel - 1;
    }
    player->setBool("FirstTimeLevelExpert", celebrated);
    player->setString("Ranks", joinRanks(ranks));
    (void)player->save();
    (void)showLevelCompleted();
}

bool GGamePlayScene::showLevelCompleted() {
    GGameApplication* game = GGameApplication::instance();
    CContentManager* content = game ? game->getContentManager() : nullptr;
    if (!content)
        return false;
    CRefHandle<IContent> loaded(
        content->load(ContentTypeSceneNode, CStringW(u"scenes/LevelCompletedScene.mscn"), true));
    auto* scene = dynamic_cast<SceneNode*>(loaded.get());
    if (!scene || !scene->isKindOf(LevelCompletedSceneTypeId))
        return false;
    if (auto* screen = dynamic_cast<ILevelResultScreen*>(scene))
        screen->setLevelScene(m_levelScene.get());
    return navigateTo(scene, true, CName("NavFrom"), CName("NavTo"));
}

bool GGamePlayScene::isBuildingNew(CName building) const {
    if (!isBuildingAllowedInLevel(building))
        return false;
    const ObjectsConfiguration* objects = objectsConfiguration();
    const GBuildingConfig* type = objects ? objects->findBuilding(building) : nullptr;
    if (type && levelNumber() < type->AllowedFromLevel)
        return false;
    const CProfileParameters* player = currentPlayer();
    return !player || !listHoldsName(player->getString("AlreadyAllowedBuildings"), building);
}

void GGamePlayScene::markBuildingAllowed(CName building) {
    CProfileParameters* player = currentPlayer();
    if (!player || building.id() == -1)
        return;
    CString text = player->getString("AlreadyAllowedBuildings");
    if (!text.empty())
        text += ";";
    text += building.str();
    player->setString("AlreadyAllowedBuildings", text);
    (void)player->save();
}
