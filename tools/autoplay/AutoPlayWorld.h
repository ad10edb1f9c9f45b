#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

#include <cstdint>
#include <functional>
#include <string>

class CContentManager;
class CEngine;
class CUpdateScheduler;
class GGameApplication;
class GGameLevelScene;
class GMajorOfficeNode;
class LevelConfiguration;
class SceneManager;
class TemplateCollectionNode;

// One level of the game read and run without a window, a sound device or a
// wall clock: an engine over the game's asset folder and a source folder
// (where levels outside the assets, such as test fixtures, are found), the
// shared configurations read as the loading screen reads them, the level
// scene on a scene manager of its own, and a clock that moves only when
// step() is called. Randomness comes from the engine's generator, seeded by
// open().
//
// Or a level another program runs, such as the game on its play screen:
// attach() hands the world that level and the way to move that program's
// clock, and the world then owns neither.
class AutoPlayWorld {
public:
    AutoPlayWorld();
    ~AutoPlayWorld();
    AutoPlayWorld(const AutoPlayWorld&) = delete;
    AutoPlayWorld& operator=(const AutoPlayWorld&) = delete;

    // Mounts `assetsFolder` (the game's "assets") and `sourceFolder` (a
    // folder a level folder may be given relative to), registers the game's
    // classes and reads the shared configurations. False, after logging the
    // reason, when the assets cannot be read.
    [[nodiscard]] bool open(const std::string& assetsFolder, const std::string& sourceFolder, uint32_t seed);

    // Reads "Level.mscn" and "LevelConfiguration.xml" of `levelFolder`
    // (relative to the source folder, with '/'), as level `levelNumber`,
    // and starts the level with its objectives on. False after logging the
    // reason.
    [[nodiscard]] bool loadLevel(const std::string& levelFolder, int levelNumber);

    // Plays `level`, started and run by someone else: `advance` moves that
    // program's clock by the ms it is given. The level's rules are its own.
    // False when the level has no rules or no headquarters.
    [[nodiscard]] bool attach(GGameLevelScene* level, std::function<void(uint32_t)> advance);

    // Moves the game's clock by `ms`, in ticks of at most 20 ms, delivering
    // the update to every scheduler and the deferred events, as the main
    // loop does.
    void step(uint32_t ms);

    [[nodiscard]] GGameLevelScene* getLevel() const { return m_level.get(); }
    [[nodiscard]] GMajorOfficeNode* getHeadquarters() const;
    [[nodiscard]] LevelConfiguration* getLevelConfiguration() const { return m_configuration.get(); }
    // Game time since the level started, in ms.
    [[nodiscard]] uint64_t getElapsed() const { return m_elapsed; }

private:
    void closeLevel();

    CRefHandle<CEngine> m_engine;
    GGameApplication* m_game = nullptr;
    CRefHandle<CContentManager> m_content;
    CRefHandle<CUpdateScheduler> m_scheduler;
    CRefHandle<SceneManager> m_manager;
    CRefHandle<TemplateCollectionNode> m_templates;
    CRefHandle<LevelConfiguration> m_configuration;
    CRefHandle<GGameLevelScene> m_level;
    // Set while the world plays a level it was handed.
    std::function<void(uint32_t)> m_advance;
    uint64_t m_elapsed = 0;
};
