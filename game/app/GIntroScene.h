#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/app/GBaseSceneNode.h"

class SpriteNode;
class GIntroScene;

// One loading step: the operation and its share of the progress bar.
struct GLoadingStep {
    void (GIntroScene::*run)();
    float weight;
};

// The loading screen: picks a random background, then runs the steps of its
// mode's list, one per update, while a progress bar fills by their weights;
// the last step shows the next screen over it. It stays below that screen,
// holding what it loaded, until the next loading screen replaces the stack.
class GIntroScene : public GBaseSceneNode {
public:
    static constexpr int32_t TypeId = 2003;
    static constexpr int32_t LevelSceneTypeId = 2044;
    static constexpr int32_t PlaySceneTypeId = 2016;

    GIntroScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBaseSceneNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    void onLoaded() override;

    bool onNavigationStarted(CEventSceneChangeStarted* event) override;
    bool onNavigationFinished(CEventSceneChangeFinished* event) override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    void setMode(int32_t mode, const CStringW& name, int32_t flag);

    // The step list of `mode`: forward tells a level loading apart from a
    // return to it (a restart); firstRun the first main-menu loading of the
    // process. `count` receives the number of steps.
    [[nodiscard]] static const GLoadingStep* stepList(int32_t mode, bool forward, bool firstRun, uint32_t& count);
    // Makes the next main-menu loading the first of the process again.
    static void resetFirstRun();

    // The episode of a comics scene path: the digits that end its folder
    // name ("scenes/Comics/episode12/ComicsScene.mscn" gives "12"; a folder
    // not ending in digits gives its last character), or empty when the
    // path's last '/' is at index 5 or lower.
    [[nodiscard]] static CStringW comicsEpisode(const CStringW& name);

    [[nodiscard]] int32_t getMode() const { return m_mode; }
    [[nodiscard]] float getDoneWeight() const { return m_doneWeight; }
    [[nodiscard]] float getTotalWeight() const { return m_totalWeight; }
    [[nodiscard]] uint32_t getNextStep() const { return m_nextStep; }
    [[nodiscard]] uint32_t getStepCount() const { return m_stepCount; }
    [[nodiscard]] const CStringW& getLevelFolder() const { return m_levelFolder; }

    // The steps.
    void loadCommonSoundPack();
    void loadComicsConfiguration();
    void loadCommonAtlas();
    void loadMainMenuAtlas();
    void loadCollections();
    void showMainMenu();
    void loadMapAtlas();
    void loadHeadquartersAtlas();
    void showMap();
    void loadBuildingsAtlas();
    void loadEnvironmentAtlases();
    void loadGameMenuAtlas();
    void loadObjectivesMenuAtlas();
    void loadLevelAtlas();
    void loadLevelSoundPack();
    void loadObjectsConfiguration();
    void loadLevelCollections();
    void loadLevelScene();
    void loadPlayScene();
    void startLevel();
    void showHeadquarters();
    void loadComicsAtlases();
    void loadComicsSoundPack();
    void loadComicsScene();
    void showComics();

protected:
    ~GIntroScene() override = default;

private:
    // Loads each atlas collection with the driver keeping no source images,
    // and keeps it: as long as the game (`forGame`) or this screen.
    void loadAtlases(std::initializer_list<CStringW> paths, bool forGame);
    void loadSoundPack(const CStringW& path);
    void loadTemplates(const CStringW& path, SceneManager* manager);
    void showFile(const char16_t* path);
    void setKeepRunning(bool on);
    void updateProgressBar();
    // Abandons the level and opens the map's loading screen.
    // After a next screen that could not be shown: back where the loading
    // came from (see the definition), with no steps left.
    void leaveForMissingScreen();
    void leaveToMap();

    BaseNode* m_progressBg = nullptr;
    BaseNode* m_progress = nullptr;
    SpriteNode* m_background = nullptr;
    float m_doneWeight = 0.0f;
    float m_totalWeight = 0.0f;
    const GLoadingStep* m_steps = nullptr;
    uint32_t m_stepCount = 0;
    uint32_t m_nextStep = 0;
    uint32_t m_stepClock = 0;
    int32_t m_mode = IntroMainMenu;
    CStringW m_name;
    bool m_navigationFlag = false;
    CRefHandle<SceneNode> m_levelScene;
    CRefHandle<SceneNode> m_playScene;
    CRefHandle<SceneNode> m_comicsScene;
    CStringW m_levelFolder;
    CStringW m_levelAtlasPath;
    CStringW m_levelSoundPackPath;
};
