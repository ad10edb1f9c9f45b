#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/app/GBaseSceneNode.h"
#include "game/app/IGameLevelScreens.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/IGameLevel.h"
#include "game/nodes/GHintNode.h"

#include <cstdint>

class BaseProgressBarNode;
class ButtonNode;
class CEventSceneChangeFinished;
class CEventKeyUp;
class CEventSceneChangeStarted;
class CXmlStreamReader;
class GGameLevelScene;
class GOnRoadLocationDoneMessage;
class CheckBoxNode;
class ControlNode;
class GBuildingConfig;
class GBuildingInfoNode;
class GBuildingNode;
class GCounterTextNode;
class GBuildingChangedMessage;
class GBuildingCompletedMessage;
class GBuildingDestroyedMessage;
class GGameLevelScene;
class GGameMessage;
class GMajorOfficeNode;
class GObjectivesGroupStartedMessage;
class GOnRoadLocationNode;
class GWorkerArrivedMessage;
class GHintNode;
class GObjectivesGroupCompletedMessage;
class GProgressBarWithCheckpointsNode;
class GProgressBarWithSignNode;
class GTutorialController;
class GUniqUpgradeConfig;
class GWorkerOffer;
class GWorkersTrainedMessage;
class ListNode;
class ObjectivesGroup;
class SoundCue;
class TabSceneNode;
class TextNode;
class TabsConfiguration;

// Marks of a building-group button or build-list element (user data).
class GameHudButtonData : public CRefCounted {
public:
    bool firstShow = false;
    bool hiddenDone = false;
    CName buildingName;

protected:
    ~GameHudButtonData() override = default;
};

// The offer of a standing train behind a station list item (user object).
class StationItemData : public CRefCounted {
public:
    StationItemData(BaseNode* train, int index) : train(CRefHandle<BaseNode>::share(train)), index(index) {}

    CRefHandle<BaseNode> train;
    int index;

protected:
    ~StationItemData() override = default;
};

// A production order of the materials or gold list: a counted copy of one
// produce item of the building's type (the gold list's with its Gold scaled
// by GoldM). The list item holds the only reference.
class ProduceItemOffer : public GProduceItemConfig {
public:
    explicit ProduceItemOffer(const GProduceItemConfig& item);

protected:
    ~ProduceItemOffer() override = default;
};

// The screen the player sees while a level runs: the head-up display over the
// level (figures, level clock, goals, action tabs with build lists, resource
// and station pages, the building page, hints) and the input layer over it.
// The level scene hangs under the "Scene" child in the overlay scene manager;
// the screen holds a reference to it. HUD nodes are bound once after loading
// and held as plain pointers; each may be missing.
class GGamePlayScene : public GBaseSceneNode, public IPlaySceneStart {
public:
    static constexpr int32_t TypeId = 2016;
    static constexpr uint32_t PlayUpdateIntervalMs = 20;
    static constexpr int32_t LevelCompletedSceneTypeId = 2019;
    static constexpr int BuildListMaxItems = 6;

    GGamePlayScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The HUD binding.
    void onLoaded() override;

    [[nodiscard]] const CEventHandlerTable& getEventHandlerTable() const override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    bool onControlUnfocused(CEvent* event) override;
    // [[nodiscard]] omitted: the loading screen's last step.
    bool startLevel(const CStringW& levelFolder, SceneNode* levelScene) override;

    // ---- Game messages
    bool acceptGameMessage(GGameMessage* message);
    bool onWorkersSignDone(GWorkersTrainedMessage* message);
    bool onGroupCompleted(GObjectivesGroupCompletedMessage* message);
    bool onLevelCompleted(GGameMessage* message);

    // ---- Level end and profile bookkeeping
    void finishLevel(bool devExpert);
    bool showLevelCompleted();
    [[nodiscard]] bool isBuildingNew(CName building) const;
    void markBuildingAllowed(CName building);

    // ---- Shared helpers
    static void setShownAndEnabled(ControlNode* control, bool flag);
    [[nodiscard]] bool isDestroyAllowed() const;
    [[nodiscard]] bool isBuildingAllowedInLevel(CName building) const;
    [[nodiscard]] bool canStartUniqueUpgrade(GBuildingNode* building, const GUniqUpgradeConfig* upgrade) const;
    void pollSoundGroupPlaying();
    void stopQuestVoice();
    void stopBuildingCue();
    void playBuildingCue(GBuildingNode* building);

    // ---- Build lists and the building-group page
    void fillBuildLists();
    void updateBuildListStates(int group);
    void updateBuildGroupPage();
    void markNewBuildings(BaseNode* groupButton, ListNode* list);
    void markBuildingSeen(BaseNode* element, CName building);
    void updateBuildPageHint(int group, BaseNode* page, const GBuildingConfig* hovered, GBuildingNode* place);
    void updateBuildGroupHint(BaseNode* button);
    void setSignBoardText(const CStringW& text);

    // ---- Resource and station tabs
    void updateMaterialsList();
    void updateMaterialsHint(const ProduceItemOffer* item);
    void updateGoldHint(const ProduceItemOffer* item);
    void fillWorkersList();
    void updateWorkersList();
    void updateWorkersHint(const GWorkerOffer* offer, bool canBuy);
    void updateStationPage();
    void updateStationHint();

    // ---- Production lists
    void fillGoldList();
    void fillMaterialsList();
    void refreshGoldTab();

    // ---- Upper panel and goals
    void updateMoneyPanel();
    void updateGuestsSign();
    void updateGoalsPageTexts();
    void updateGoalChecks(bool force);
    float layoutGoalRows(const CArray<CheckBoxNode*>& checks, const ObjectivesGroup* group);
    void layoutGoalsPanel();
    void layoutGoalsPanelFor(const ObjectivesGroup* group);
    // At the level's end: the last group's goals, all ticked.
    void showFinishedGoals();
    void showGameHint();
    void hideGameHint();
    void showQuestCharacter(BaseNode* location);
    void hideQuestCharacter();
    void playQuestVoice(const CStringW& textKey);
    void highlightBlockingLocations(GBuildingNode* building);
    [[nodiscard]] int getQuestState() const { return m_questState; }
    [[nodiscard]] bool isImpendingShown() const { return m_impendingShown; }
    [[nodiscard]] GBuildingNode* getImpendingFor() const { return m_impendingFor; }

    // ---- Building page
    void updateBuildingPage();
    void updateHotelButtons(GBuildingNode* building, ControlNode* container);
    void updateJoyButtons(GBuildingNode* building, ControlNode* container);
    void updateCustomServiceButtons(GBuildingNode* building, ControlNode* container);
    void getTaskTexts(GBuildingNode* building, CStringW& title, CStringW& hint) const;
    void updateBuildingTabHint(ControlNode* hovered);
    void updateUniqueUpgradeHint(ControlNode* hovered, const GUniqUpgradeConfig* upgrade);
    static void resetInfoLabels(BaseNode* panel);
    void fillBuildingInfo(BaseNode* panel, const GBuildingConfig* type, GBuildingNode* building,
                          const GUniqUpgradeConfig* upgrade);
    // The places `building` serves as `type` (its own without one) get the
    // serve-area marks; answers `out`, the served places.
    CArray<GBuildingNode*>& markServedPlaces(CArray<GBuildingNode*>& out, GBuildingNode* building,
                                             const GBuildingConfig* type);
    CArray<GBuildingNode*>& showServeAreaFor(CArray<GBuildingNode*>& out, bool useGiven, GBuildingNode* building,
                                             const GBuildingConfig* type);

    // ---- State read by the other parts and by tests
    [[nodiscard]] SceneNode* getLevelScene() const { return m_levelScene.get(); }
    [[nodiscard]] IGameLevel* getLevel() const { return m_level; }
    [[nodiscard]] GBuildingNode* getHeadquarters() const { return m_headquarters; }
    void setHeadquarters(GBuildingNode* headquarters) { m_headquarters = headquarters; }
    void setTabsConfiguration(TabsConfiguration* configuration);
    [[nodiscard]] TabsConfiguration* getTabsConfiguration() const { return m_tabsConfiguration.get(); }
    [[nodiscard]] int getGroupsPassedInTime() const { return m_groupsPassedInTime; }
    [[nodiscard]] ControlNode* getHoveredControl() const { return m_hoveredControl; }
    void setHoveredControl(ControlNode* control) { m_hoveredControl = control; }
    [[nodiscard]] int getHoveredStationItem() const { return m_hoveredStationItem; }
    void setHoveredStationItem(int kind) { m_hoveredStationItem = kind; }
    [[nodiscard]] const CStringW& getTutorialFolder() const { return m_tutorialFolder; }
    [[nodiscard]] SoundCue* getQuestVoice() const { return m_questVoice.get(); }
    void setQuestVoice(SoundCue* voice);
    [[nodiscard]] SoundCue* getBuildingCue() const { return m_buildingCue.get(); }
    [[nodiscard]] CName getLevelMusicCue() const { return m_levelMusicCue; }
    void setLevelMusicCue(CName cue) { m_levelMusicCue = cue; }
    // The GoldM with which the gold list was last refilled by a refresh (one
    // for the whole program).
    [[nodiscard]] static float getCachedGoldMultiplier();
    static void setCachedGoldMultiplier(float value);

    // Bound HUD nodes (null when the scene file lacks them).
    [[nodiscard]] BaseNode* getGameMenu() const { return m_gameMenu; }
    [[nodiscard]] BaseNode* getHintNode() const { return m_hintNode; }
    [[nodiscard]] BaseNode* getMoneyNode() const { return m_moneyNode; }
    [[nodiscard]] GCounterTextNode* getMoneyCounter() const { return m_moneyCounter; }
    [[nodiscard]] TextNode* getBankMoneyText() const { return m_bankMoneyText; }
    [[nodiscard]] TextNode* getIncomeText() const { return m_incomeText; }
    [[nodiscard]] TextNode* getHappinessText() const { return m_happinessText; }
    [[nodiscard]] BaseProgressBarNode* getIncomeProgressBar() const { return m_incomeProgressBar; }
    [[nodiscard]] GProgressBarWithCheckpointsNode* getTimeProgressBar() const { return m_timeProgressBar; }
    [[nodiscard]] BaseNode* getGoalsBg() const { return m_goalsBg; }
    [[nodiscard]] BaseNode* getTimeNode() const { return m_timeNode; }
    [[nodiscard]] BaseNode* getGoalsNode() const { return m_goalsNode; }
    [[nodiscard]] const CArray<CheckBoxNode*>& getPanelGoalChecks() const { return m_panelGoalChecks; }
    [[nodiscard]] const CArray<CheckBoxNode*>& getTabGoalChecks() const { return m_tabGoalChecks; }
    [[nodiscard]] TabSceneNode* getActionsTabs() const { return m_actionsTabs; }
    [[nodiscard]] TabSceneNode* getBuildGroupTabs() const { return m_buildGroupTabs; }
    [[nodiscard]] BaseNode* getResourcesPage() const { return m_resourcesPage; }
    [[nodiscard]] TabSceneNode* getResourcesTabs() const { return m_resourcesTabs; }
    [[nodiscard]] BaseNode* getStationPage() const { return m_stationPage; }
    [[nodiscard]] BaseNode* getStationButtons() const { return m_stationButtons; }
    [[nodiscard]] TextNode* getStationHintText() const { return m_stationHintText; }
    [[nodiscard]] BaseNode* getApartmentPage() const { return m_apartmentPage; }
    [[nodiscard]] ListNode* getBuildList(int group) const;
    [[nodiscard]] BaseNode* getBuildGroupPageOf(int group) const;
    [[nodiscard]] BaseNode* getBuildPage() const { return m_buildPage; }
    [[nodiscard]] BaseNode* getMaterialsPage() const { return m_materialsPage; }
    [[nodiscard]] ListNode* getMaterialsList() const { return m_materialsList; }
    [[nodiscard]] TextNode* getMaterialsHintText() const { return m_materialsHintText; }
    [[nodiscard]] GHintNode* getGameHint() const { return m_gameHint; }
    [[nodiscard]] BaseNode* getWorkersPage() const { return m_workersPage; }
    [[nodiscard]] ListNode* getWorkersList() const { return m_workersList; }
    [[nodiscard]] TextNode* getWorkersHintText() const { return m_workersHintText; }
    [[nodiscard]] BaseNode* getGoldPage() const { return m_goldPage; }
    [[nodiscard]] ListNode* getGoldList() const { return m_goldList; }
    [[nodiscard]] TextNode* getGoldHintText() const { return m_goldHintText; }
    [[nodiscard]] BaseNode* getGoalsPage() const { return m_goalsPage; }
    [[nodiscard]] BaseNode* getBuildGroupPage() const { return m_buildGroupPage; }
    [[nodiscard]] TextNode* getMaterialsAmountText() const { return m_materialsAmountText; }
    [[nodiscard]] TextNode* getGoldAmountText() const { return m_goldAmountText; }
    [[nodiscard]] TextNode* getGuestsText() const { return m_guestsText; }
    [[nodiscard]] BaseNode* getBuildingPage() const { return m_buildingPage; }
    [[nodiscard]] ControlNode* getProgressNode() const { return m_progressNode; }
    [[nodiscard]] TextNode* getProgressHintText() const { return m_progressHintText; }
    [[nodiscard]] TextNode* getBuildingHintText() const { return m_buildingHintText; }
    [[nodiscard]] ControlNode* getChestButton() const { return m_chestButton; }
    [[nodiscard]] TextNode* getCheckpointTaskText() const { return m_checkpointTaskText; }
    [[nodiscard]] TextNode* getBurstIncomeText() const { return m_burstIncomeText; }
    [[nodiscard]] GProgressBarWithSignNode* getWorkersSignBar() const { return m_workersSignBar; }

    [[nodiscard]] const GBuildingConfig* getHoveredUpgrade() const { return m_hoveredUpgrade; }
    void setHoveredUpgrade(const GBuildingConfig* type) { m_hoveredUpgrade = type; }
    [[nodiscard]] bool isUpgradeHoverShown() const { return m_upgradeHoverShown; }

protected:
    ~GGamePlayScene() override;

private:
    [[nodiscard]] LevelConfiguration* levelConfiguration() const;
    [[nodiscard]] ObjectsConfiguration* objectsConfiguration() const;
    // The game's constants, else the level's, else the defaults; never null.
    [[nodiscard]] const GlobalConfig* globalConfig() const;
    [[nodiscard]] int levelNumber() const;
    [[nodiscard]] GBuildingNode* focusedBuilding() const;
    // The destroy button's condition for `building`.
    [[nodiscard]] bool canDestroy(GBuildingNode* building) const;
    // The Money the headquarters holds; 0 without one.
    [[nodiscard]] int headquartersMoney() const;
    [[nodiscard]] int freeWorkers() const;
    void fillProductionList(ListNode* list, CName resource, const char* dataPrefix, bool scaleByGoldM);
    void updateProductionHint(TextNode* text, const ProduceItemOffer* item, const char* produceKey,
                              const char* cantProduceKey, const char* tabKey);
    void fillStationList(ListNode* list, BaseNode* train, bool sale, bool& used);

    ControlNode* m_hoveredControl = nullptr;
    int m_hoveredStationItem = 0;
    GBuildingNode* m_headquarters = nullptr;
    BaseNode* m_gameMenu = nullptr;
    BaseNode* m_hintNode = nullptr;
    BaseNode* m_moneyNode = nullptr;
    GCounterTextNode* m_moneyCounter = nullptr;
    TextNode* m_bankMoneyText = nullptr;
    TextNode* m_incomeText = nullptr;
    TextNode* m_happinessText = nullptr;
    BaseProgressBarNode* m_incomeProgressBar = nullptr;
    GProgressBarWithCheckpointsNode* m_timeProgressBar = nullptr;
    BaseNode* m_goalsBg = nullptr;
    BaseNode* m_timeNode = nullptr;
    BaseNode* m_goalsNode = nullptr;
    CArray<CheckBoxNode*> m_panelGoalChecks;
    CArray<CheckBoxNode*> m_tabGoalChecks;
    TabSceneNode* m_actionsTabs = nullptr;
    TabSceneNode* m_buildGroupTabs = nullptr;
    BaseNode* m_resourcesPage = nullptr;
    TabSceneNode* m_resourcesTabs = nullptr;
    BaseNode* m_stationPage = nullptr;
    BaseNode* m_stationButtons = nullptr;
    TextNode* m_stationHintText = nullptr;
    BaseNode* m_apartmentPage = nullptr;
    ListNode* m_apartmentList = nullptr;
    BaseNode* m_commercialPage = nullptr;
    ListNode* m_commercialList = nullptr;
    BaseNode* m_servicePage = nullptr;
    ListNode* m_serviceList = nullptr;
    BaseNode* m_municipalPage = nullptr;
    ListNode* m_municipalList = nullptr;
    BaseNode* m_buildPage = nullptr;
    BaseNode* m_materialsPage = nullptr;
    ListNode* m_materialsList = nullptr;
    TextNode* m_materialsHintText = nullptr;
    GHintNode* m_gameHint = nullptr;
    BaseNode* m_workersPage = nullptr;
    ListNode* m_workersList = nullptr;
    TextNode* m_workersHintText = nullptr;
    BaseNode* m_goldPage = nullptr;
    ListNode* m_goldList = nullptr;
    TextNode* m_goldHintText = nullptr;
    BaseNode* m_goalsPage = nullptr;
    BaseNode* m_buildGroupPage = nullptr;
    TextNode* m_materialsAmountText = nullptr;
    TextNode* m_goldAmountText = nullptr;
    TextNode* m_guestsText = nullptr;
    BaseNode* m_buildingPage = nullptr;
    ControlNode* m_progressNode = nullptr;
    TextNode* m_progressHintText = nullptr;
    TextNode* m_buildingHintText = nullptr;
    ControlNode* m_chestButton = nullptr;
    TextNode* m_checkpointTaskText = nullptr;
    TextNode* m_burstIncomeText = nullptr;
    GProgressBarWithSignNode* m_workersSignBar = nullptr;
    GBuildingNode* m_previewBuilding = nullptr;
    const GBuildingConfig* m_previewConfig = nullptr;
    const GBuildingConfig* m_hoveredUpgrade = nullptr;
    CRefHandle<TabsConfiguration> m_tabsConfiguration;
    CRefHandle<SceneNode> m_levelScene;
    // The level scene's side the play screen reads (null without a level).
    IGameLevel* m_level = nullptr;
    CRefHandle<GTutorialController> m_levelTutorial;
    CRefHandle<GTutorialController> m_groupTutorial;
    CRefHandle<GTutorialController> m_questTutorial;
    int m_soundPollCountdown = 1;
    int m_groupChangeCountdown = -1;
    BaseNode* m_tutorialWindow = nullptr;
    bool m_objectivesShown = false;
    bool m_tutorialsStarted = false;
    CName m_levelMusicCue;
    bool m_levelMusicReplayed = false;
    bool m_isShown = false;
    int m_pendingArrival = 0;
    bool m_upgradeHoverShown = false;
    CStringW m_tutorialFolder;
    int m_questState = -1;
    BaseNode* m_questPlace = nullptr;
    int m_groupsPassedInTime = 0;
    bool m_timeOverPlayed = false;
    CRefHandle<SoundCue> m_questVoice;
    CRefHandle<SoundCue> m_buildingCue;
    int m_impendingTimer = 0;
    bool m_impendingShown = false;
    GBuildingNode* m_impendingFor = nullptr;
    // -- play49a
public:
    // The binding of a level scene alone (what startLevel ends with): the
    // level held, its queries, its headquarters. False for a scene that is
    // no level.
    bool bindLevel(SceneNode* levelScene);
    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    // Losing the window pauses the level's sounds and, once the objectives
    // window has been up, opens the in-game menu.
    bool onWindowFocus(CEvent* event) override;
    // Every 20 ms while on top: music, arrival, level clock, panels, group
    // change, tutorials, marks, sound poll. Always true.
    [[nodiscard]] bool update(uint32_t elapsed) override;

    void hideLevelTutorial();
    void hideGroupTutorial();
    // With `withState` the "Scene" child gets "TutHide" and the level's
    // sounds go on.
    void hideQuestTutorial(bool withState);
    // A quest place's tutorial: the running ones go, this one starts at once.
    void showQuestTutorial(const CStringW& fileName, CName questStateName);
    // Unhooks the finished place by the road from the tutorials and the
    // level; not handled, so others see it too.
    bool onLocationDone(GOnRoadLocationDoneMessage* message);

    [[nodiscard]] GTutorialController* getLevelTutorial() const { return m_levelTutorial.get(); }
    [[nodiscard]] GTutorialController* getGroupTutorial() const { return m_groupTutorial.get(); }
    [[nodiscard]] GTutorialController* getQuestTutorial() const { return m_questTutorial.get(); }
    [[nodiscard]] BaseNode* getTutorialWindow() const { return m_tutorialWindow; }
    [[nodiscard]] int getPendingArrival() const { return m_pendingArrival; }
    [[nodiscard]] bool isObjectivesShown() const { return m_objectivesShown; }
    [[nodiscard]] bool areTutorialsStarted() const { return m_tutorialsStarted; }
    [[nodiscard]] bool isShownOnTop() const { return m_isShown; }
    [[nodiscard]] int getGroupChangeCountdown() const { return m_groupChangeCountdown; }
    void setGroupChangeCountdown(int ms) { m_groupChangeCountdown = ms; }
    [[nodiscard]] bool isTimeOverPlayed() const { return m_timeOverPlayed; }
    [[nodiscard]] bool isLevelMusicReplayed() const { return m_levelMusicReplayed; }
    [[nodiscard]] GGameLevelScene* getWorld() const;

private:
    // Hangs `tutorial` before the handlers of the screen, the level, the
    // action tabs, the places (only the visible, enabled ones unless
    // `everyPlace`), the places by the road and the level's trains and
    // letters; detachTutorial takes it off them all again.
    void attachTutorial(GTutorialController* tutorial, bool everyPlace);
    void detachTutorial(GTutorialController* tutorial);
    template <class F> void forEachTutorialReceiver(bool everyPlace, F&& visit);
    // A controller for the "Scene" child loaded from `reader`; null without
    // "Scene".
    [[nodiscard]] GTutorialController* createTutorial(CXmlStreamReader& reader);
    void hideTutorial(CRefHandle<GTutorialController>& field);
    void layoutLevelClock();
    void startRandomEvents();
    void openObjectivesScreen();
    // True while the level's own entry on the overlay runs.
    [[nodiscard]] bool isLevelEntering() const;
    void updateLevelClock();
    void updatePanels();
    void updateGroupChange(uint32_t elapsed);
    void updateTutorials(uint32_t elapsed);

    // What the objectives window reads of the level (it lives as long as
    // the play screen).
    CRefHandle<CRefCounted> m_objectivesLevel;

    // -- play49b
public:
    // ---- Clicks, list choices and keys
    bool onControlClicked(CEvent* event) override;
    bool onListItemChosen(CEvent* event) override;
    bool onKeyUp(CEventKeyUp* event) override;
    // The action tab for a production building or the railway station, by
    // its task and damage; other buildings leave the tabs alone.
    void showTabForBuilding(GBuildingNode* building);

    // ---- Hover feedback and tab refresh
    bool onControlHovered(CEvent* event) override;
    bool onControlUnhovered(CEvent* event) override;
    bool onListItemHovered(CEvent* event) override;
    bool onListItemUnhovered(CEvent* event) override;
    bool onTabSwitchStarted(CEvent* event) override;
    // Refills the page the action tabs show.
    void refreshCurrentTab();
    // The cost popup next to `node` (Workers added when above 0), for an
    // action, for a production item, and for clearing a place by the road
    // (with `shortfall` only what the headquarters lacks).
    void showCostHint(BaseNode* node, const GResourceMap& costs, int workers);
    void showProductionHint(BaseNode* node, const GResourceMap& required, const GResourceMap& produced, int workers);
    void showLocationHint(GBuildingNode* location, bool shortfall);
    [[nodiscard]] GBuildingNode* getPreviewBuilding() const { return m_previewBuilding; }
    [[nodiscard]] const GBuildingConfig* getPreviewConfig() const { return m_previewConfig; }

    // ---- Game messages
    bool onGroupStarted(GObjectivesGroupStartedMessage* message);
    bool onIncomeCollected(GGameMessage* message);
    bool onBuildingChanged(GBuildingChangedMessage* message);
    bool onLevelStatsChanged(GGameMessage* message);
    bool onWorkerArrived(GWorkerArrivedMessage* message);
    bool onTrainArrived(GGameMessage* message);
    bool onTrainLeft(GGameMessage* message);
    bool onBuildingCompleted(GBuildingCompletedMessage* message);
    bool onBuildingDestroyed(GBuildingDestroyedMessage* message);
    // The focus moved from `previous` to `focused` (either may be null; the
    // same building twice when its state changed): cues, marks and tabs.
    void changeFocus(GBuildingNode* focused, GBuildingNode* previous);
    // Whether two type Names are levels of one building: equal but for
    // their last character (a one-character Name is compared whole).
    [[nodiscard]] static bool sameBuildingFamily(CName a, CName b);
    // The play screen's rows of the game-message table.
    static void addGameMessageHandlers(CEventHandlerTable& table);
    // The level's tutorial as the level start made it (one reference held).
    void setLevelTutorial(GTutorialController* tutorial);

private:
    // What the cost popup reads of the level: the headquarters' stock and
    // free workers and the level's guests.
    class HintLevel : public IHintLevel {
    public:
        explicit HintLevel(const GGamePlayScene& play) : m_play(play) {}
        [[nodiscard]] bool hasHeadquarters() const override { return m_play.m_headquarters != nullptr; }
        [[nodiscard]] int getHeadquartersResource(CName resource) const override;
        [[nodiscard]] int getFreeWorkers() const override;
        [[nodiscard]] int getLevelGuests() const override;

    private:
        const GGamePlayScene& m_play;
    };

    [[nodiscard]] GMajorOfficeNode* majorOffice() const;
    // The selected-building page with its hint.
    void showBuildingPage();
    void abortTask(GBuildingNode* building);
    void skipTutorial();
    void clickLocation(GOnRoadLocationNode* location);
    bool handleDeveloperKey(int32_t key, bool shift);
    // The popup for `costs` and `produce`, shown when setCosts has rows.
    void showHint(BaseNode* node, const GResourceMap& costs, const GResourceMap& produce);
    void hoverBuildListItem(int group, ListNode* list, int32_t item);
    void hoverProductionItem(ListNode* list, int32_t item);
    void hoverStationItem(ListNode* list, int32_t item);
    void hoverWorkersItem(ListNode* list, int32_t item);
    void unhoverUniqueUpgrade(ControlNode* control);

    HintLevel m_hintLevel{*this};
};
