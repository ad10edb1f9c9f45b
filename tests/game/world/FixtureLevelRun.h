#pragma once

// The fixture level (tests/game/world/data/level1) run through the real
// world: read through the content manager with the shared configurations and
// the fixture's template collection, put on a scene manager and started as
// the play screen starts a level, then stepped 20 ms at a time.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/world/GGameLevelScene.h"

#include <string>
#include <vector>

// Takes the game messages the level posts or hands on to its parent, as the
// play screen would, and keeps their ids; every other event goes through the
// queue as usual.
class LevelRunManager : public SceneManager {
public:
    LevelRunManager();
    void queueEvent(CEventReceiver* receiver, int phase, CEvent* event) override;
    bool handleEvent(CEvent* event) override;
    // The ids the level posted, optionally only those in [low, high].
    [[nodiscard]] std::vector<int> ids(int low = 0, int high = 1 << 30) const;
    // The ids of every game message queued for any receiver (the buildings'
    // own messages to the level too) or handed on by the level at once.
    std::vector<int> all;
    std::vector<CRefHandle<CEvent>> posted;
};

class FixtureLevelRun {
public:
    // Textures load through `driver` when one is given; without one the
    // level has no pictures.
    explicit FixtureLevelRun(IGraphicsDriver* driver = nullptr);
    ~FixtureLevelRun();
    FixtureLevelRun(const FixtureLevelRun&) = delete;
    FixtureLevelRun& operator=(const FixtureLevelRun&) = delete;

    // Reads the level and its rules and starts it: places with the records
    // of `templates` (node name, record name) stand built from the start
    // (what a scripted test puts there beside the fixture's empty places).
    // `collection` is the template collection's file (the fixture's own
    // characters without pictures by default). False when a part is missing.
    bool start(const std::vector<std::pair<const char*, const char*>>& templates = {},
               const char16_t* collection = u"tests/game/world/data/LevelTemplates.mscn");
    // Runs the level's scheduler and the manager's queue in 20 ms steps.
    void step(int ms);
    // Steps until `done` answers true or `limitMs` have passed; true when it did.
    template <class F> bool stepUntil(F&& done, int limitMs) {
        for (int t = 0; t < limitMs; t += 20) {
            if (done())
                return true;
            step(20);
        }
        return done();
    }
    // The player's click on the field (the level clock runs after it).
    void clickField();

    [[nodiscard]] GBuildingNode* place(const char* name) const;
    [[nodiscard]] CUpdateScheduler* scheduler() const;

    std::string root;
    CRefHandle<IGraphicsDriver> driver;
    CRefHandle<CVirtualFileSystem> files;
    CRefHandle<CEngine> engine;
    CRefHandle<CContentProcessorsManager> processors;
    CRefHandle<CContentManager> content;
    CRefHandle<LevelRunManager> manager;
    CRefHandle<TemplateCollectionNode> collection;
    CRefHandle<ObjectsConfiguration> objects;
    CRefHandle<LevelConfiguration> rules;
    CRefHandle<GGameLevelScene> scene;
};
