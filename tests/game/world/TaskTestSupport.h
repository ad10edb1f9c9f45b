#pragma once

// A level for the game tasks: a scene with one building place read with its
// template collection (construction, progress bars, the buildings' looks),
// the stand-in level with its scheduler and message log, a stand-in
// headquarters that sends plain walkers, and a sound-cue manager whose cues
// the tests can see playing.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GBuildingConfig.h"
#include "game/world/GBuildingNode.h"
#include "game/world/IWorkerDispatch.h"
#include "tests/engine/sound/CueTestSupport.h"
#include "tests/game/world/StandInLevel.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The headquarters as the tasks see it: its store and its dispatch. Every
// dispatched walker is a plain world object; the first one carries the whole
// cost, which leaves the store.
class StandInHeadquarters : public GBuildingNode, public IWorkerDispatch {
public:
    StandInHeadquarters() : GBuildingNode(CObjectName(), nullptr, nullptr) { setMayBreak(false); }

    bool dispatchWorkers(GBuildingNode* target, const GResourceMap& resources, uint32_t count) override {
        dispatches.push_back({target, resources, count});
        if (refuse || !target || count == 0 || !hasResources(resources))
            return false;
        for (uint32_t i = 0; i < count; ++i) {
            CRefHandle<GObjectNode> walker(new GObjectNode(CObjectName(), nullptr, nullptr));
            if (i == 0) {
                walker->addResources(resources);
                for (const auto& entry : resources)
                    addResource(entry.key, -entry.value);
            }
            static_cast<void>(target->addIncomingWorker(walker.get()));
            walkers.push_back(walker);
        }
        return true;
    }

    // Every walker on its way to `target` arrives there.
    void arriveAll(GBuildingNode* target) {
        const CArray<BaseNode*> incoming = target->getIncomingWorkers();
        for (BaseNode* walker : incoming)
            target->onWorkerArrived(walker);
    }
    // Every walker sent so far comes home with what it carries.
    void returnAll() {
        for (const auto& walker : walkers) {
            GResourceMap carried;
            walker->takeResources(carried);
            addResources(carried);
        }
        walkers.clear();
    }
    // What the walkers sent so far carry.
    [[nodiscard]] int carried(CName resource) const {
        int total = 0;
        for (const auto& walker : walkers)
            total += walker->getResource(resource);
        return total;
    }

    struct Dispatch {
        GBuildingNode* target;
        GResourceMap resources;
        uint32_t count;
    };
    std::vector<Dispatch> dispatches;
    std::vector<CRefHandle<GObjectNode>> walkers;
    bool refuse = false;

protected:
    ~StandInHeadquarters() override = default;
};

// Notes, for each game message, the cues already playing when it came.
class CueWitnessLog : public MessageLog {
public:
    explicit CueWitnessLog(CSoundCueManager* cues) : m_cues(cues) {}
    bool handleEvent(CEvent* event) override {
        std::vector<std::string> playing;
        for (uint32_t i = 0; i < m_cues->getPlayingCount(); ++i)
            playing.push_back(m_cues->getPlayingAt(i)->getName().str().c_str());
        playingAt.push_back(playing);
        return MessageLog::handleEvent(event);
    }
    std::vector<std::vector<std::string>> playingAt;

protected:
    ~CueWitnessLog() override = default;

private:
    CSoundCueManager* m_cues;
};

namespace tasktest {

inline std::string states(std::initializer_list<const char*> names) {
    std::string text = "<States>";
    for (const char* name : names)
        text += std::string("<State Name=\"") + name + "\"/>";
    return text + "</States>";
}

inline std::string node(const char* type, const char* name, const std::string& properties = {},
                        const std::string& content = {}) {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + content + "</SceneNode>";
}

inline const std::string kBounds = "<vector3d Name=\"Bounds\" Value=\"100;80;0\"/>";

// A building's look: a body, the workers label and a marker.
inline std::string building(const char* name) {
    return node("BaseNode", name, kBounds,
                node("BaseNode", "Body") + node("BaseNode", "WorkersText", {}, node("TextNode", "Text")) +
                    node("BaseNode", "Marker", {}, states({"Appear", "Hide"})));
}

inline const std::string kTemplates = "<SceneNode Type=\"TemplateCollectionNode\">" +
                                      node("BaseNode", "Construction", {}, node("ProgressBarNode", "ProgressBar")) +
                                      node("ProgressBarNode", "ProgressBarOverBuilding") + building("BuildingPlace") +
                                      building("House1") + building("House2") + building("Shop1") +
                                      building("Castle1") + "</SceneNode>";

// The place's own child plays "Restoring" as one key-frame animation of two
// keys.
inline const std::string kRestoring =
    "<States><State Name=\"Restoring\"><Animator Type=\"KeyFrame\"><Properties>"
    "<vector3d Name=\"Position\" Value=\"0;0;0\"/></Properties><KeyFrame t=\"0\" Value0=\"0;0;0\"/>"
    "<KeyFrame t=\"500\" i=\"0\" Value0=\"0;10;0\"/></Animator></State></States>";

inline const std::string kLevel = "<SceneNode Type=\"BaseNode\">" +
                                  node("GBuildingNode", "Place1",
                                       "<vector3d Name=\"Position\" Value=\"200;100;0\"/>" + kBounds +
                                           "<string Name=\"TemplateName\" Value=\"BuildingPlace\"/>",
                                       node("BaseNode", "Ruin", {}, kRestoring)) +
                                  "</SceneNode>";

inline CRefHandle<GBuildingConfig> makeType(const char* name, GBuildingType kind, int level) {
    CRefHandle<GBuildingConfig> type(new GBuildingConfig);
    type->Name = CName(name);
    type->Kind = kind;
    type->Level = level;
    type->Build.Workers = 1;
    type->Build.Time = 1000;
    type->Repair.Workers = 1;
    type->Repair.Time = 1000;
    type->Destroy.Workers = 1;
    type->Destroy.Time = 1000;
    return type;
}

} // namespace tasktest

class TaskLevelFixture : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace tasktest;
        setEngineInstance(engine.get());
        cues.manager->addRef();
        engine->setSoundCueManager(cues.manager.get());
        for (const char* cue : {"Built1", "BuiltShop", "UpgradedHouse", "Destroying", "ButtonClick", "Building"})
            static_cast<void>(cues.define(cue, 1, 1));
        witness = CRefHandle<CueWitnessLog>(new CueWitnessLog(cues.manager.get()));
        level.receiver = CRefHandle<MessageLog>::share(witness.get());

        ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
        CNodeFactory* factory = CNodeFactory::getShared();
        registerStandardNodes(*factory);
        static_cast<void>(factory->registerNodeClass(CStringW(u"GBuildingNode"), &GBuildingNode::create));
        ASSERT_TRUE(CSceneNodeProcessor::registerWith(processors.get(), factory));
        static_cast<void>(dir.write("Templates.mscn", templatesText()));
        static_cast<void>(dir.write("Level.mscn", kLevel));
        collection.reset(content->loadNode<TemplateCollectionNode>(CStringW(u"Templates.mscn"), false));
        ASSERT_TRUE(collection);
        manager->setTemplateCollection(collection.get());
        scene.reset(content->loadNode(CStringW(u"Level.mscn"), false));
        ASSERT_TRUE(scene);
        place = nodeCast<GBuildingNode>(scene->findChild(CName("Place1"), 1));
        ASSERT_NE(place, nullptr);
        scene->setSceneManager(manager.get(), nullptr);

        level.headquarters = headquarters.get();
        level.places.push_back(place);
        headquarters->setLevelScene(&level);
        place->setLevelScene(&level);
        place->applyTemplate();
        place->setReachable(true);
        place->setRequiredServices(true);

        emptyType = makeType("BuildingPlace", GBuildingType::BuildingPlace, 0);
        place->setType(emptyType.get(), false, false);
    }

    void TearDown() override {
        // The tasks go before the place they point at.
        if (place)
            place->setTask(GBuildingNode::TaskNone, nullptr);
        level.scheduler.reset();
        engine->setSoundCueManager(nullptr);
        setEngineInstance(nullptr);
    }

    // The template collection's scene file.
    [[nodiscard]] virtual std::string templatesText() const { return tasktest::kTemplates; }

    // One scheduler update of `ms`.
    void step(uint32_t ms = 30) { level.scheduler->update(ms); }
    // Updates until `done` answers true, at most `limit` times; the count.
    template <class Done> int stepUntil(Done done, int limit = 2000, uint32_t ms = 30) {
        int count = 0;
        while (!done() && count < limit) {
            step(ms);
            ++count;
        }
        return count;
    }
    [[nodiscard]] bool isPlaying(const char* cue) const {
        for (uint32_t i = 0; i < cues.manager->getPlayingCount(); ++i)
            if (cues.manager->getPlayingAt(i)->getName() == CName(cue))
                return true;
        return false;
    }

    CRefHandle<CEngine> engine{new CEngine(CEngineCreationParams())};
    CueFixture cues;
    CRefHandle<CueWitnessLog> witness;
    StandInLevel level;
    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> content{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> collection;
    CRefHandle<BaseNode> scene;
    CRefHandle<StandInHeadquarters> headquarters{new StandInHeadquarters};
    GBuildingNode* place = nullptr;
    CRefHandle<GBuildingConfig> emptyType;
};
