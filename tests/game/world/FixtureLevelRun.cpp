#include "tests/game/world/FixtureLevelRun.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "game/config/RandomEvents.h"
#include "game/nodes/GPolygonNode.h"
#include "game/nodes/GSelfDestructNode.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GTrainNode.h"
#include "game/world/GWGridNode.h"
#include "game/world/GWorkerNode.h"

LevelRunManager::LevelRunManager() : SceneManager(CObjectName(), nullptr, nullptr) {
    setMask(getMask() | CEvent::MaskGame);
}

bool LevelRunManager::handleEvent(CEvent* event) {
    if (event && (event->getMask() & CEvent::MaskGame)) {
        all.push_back(event->getType());
        return true;
    }
    return SceneManager::handleEvent(event);
}

void LevelRunManager::queueEvent(CEventReceiver* receiver, int phase, CEvent* event) {
    if (event && (event->getMask() & CEvent::MaskGame)) {
        all.push_back(event->getType());
        // What the level posts to its parent goes no further: the play
        // screen would take it.
        if (receiver == this) {
            posted.push_back(CRefHandle<CEvent>::share(event));
            return;
        }
    }
    SceneManager::queueEvent(receiver, phase, event);
}

std::vector<int> LevelRunManager::ids(int low, int high) const {
    std::vector<int> out;
    for (const auto& event : posted)
        if (event->getType() >= low && event->getType() <= high)
            out.push_back(event->getType());
    return out;
}

FixtureLevelRun::FixtureLevelRun(IGraphicsDriver* videoDriver)
    : root(BM_SOURCE_DIR), driver(CRefHandle<IGraphicsDriver>::share(videoDriver)), files(new CVirtualFileSystem),
      engine(new CEngine(CEngineCreationParams())), processors(new CContentProcessorsManager(files.get())),
      content(new CContentManager(videoDriver, files.get(), processors.get())),
      manager(new LevelRunManager), objects(new ObjectsConfiguration),
      rules(new LevelConfiguration) {
    static_cast<void>(files->mountArchive(fromNativePath(root), nullptr));
    static_cast<void>(files->mountArchive(fromNativePath(root + "/assets"), nullptr));
    files->addRef();
    engine->setFileSystem(files.get());
    setEngineInstance(engine.get());
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    const struct {
        const char16_t* name;
        BaseNode* (*create)(const CObjectName&);
    } classes[] = {
        {u"GGameLevelScene", &GGameLevelScene::create},   {u"GBuildingNode", &GBuildingNode::create},
        {u"GMajorOfficeNode", &GMajorOfficeNode::create}, {u"GOnRoadLocationNode", &GOnRoadLocationNode::create},
        {u"GWGridNode", &GWGridNode::create},             {u"GRailRoadNode", &GRailRoadNode::create},
        {u"GTrainNode", &GTrainNode::create},             {u"GWorkerNode", &GWorkerNode::create},
        {u"GDilizhansNode", &GDilizhansNode::create},     {u"GGertrudaNode", &GGertrudaNode::create},
        {u"GPolygonNode", &GPolygonNode::create},         {u"GSelfDestructNode", &GSelfDestructNode::create},
    };
    for (const auto& entry : classes)
        static_cast<void>(factory->registerNodeClass(CStringW(entry.name), entry.create));
    static_cast<void>(CSceneNodeProcessor::registerWith(processors.get(), factory));
}

FixtureLevelRun::~FixtureLevelRun() {
    if (scene && scene->getLevelConfiguration())
        scene->getLevelConfiguration()->getRandomEvents()->stopAll();
    static_cast<void>(manager->setScene(nullptr));
    scene.reset();
    manager->setTemplateCollection(nullptr);
    collection.reset();
    setEngineInstance(nullptr);
}

bool FixtureLevelRun::start(const std::vector<std::pair<const char*, const char*>>& templates,
                            const char16_t* collectionFile) {
    collection.reset(content->loadNode<TemplateCollectionNode>(CStringW(collectionFile), false));
    if (!collection)
        return false;
    manager->setTemplateCollection(collection.get());
    scene.reset(content->loadNode<GGameLevelScene>(CStringW(u"tests/game/world/data/level1/Level.mscn"), false));
    if (!scene)
        return false;
    CRefHandle<CVirtualFileSystem> shared{new CVirtualFileSystem};
    static_cast<void>(shared->mountArchive(fromNativePath(root + "/assets"), nullptr));
    objects->reload(shared.get());
    CRefHandle<IReadableFile> file(
        files->openForRead(CStringW(u"tests/game/world/data/level1/LevelConfiguration.xml")));
    if (!file)
        return false;
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file.get()));
    rules->readFromXml(*reader);
    for (const auto& [name, record] : templates)
        if (GBuildingNode* node = place(name))
            node->setTemplateName(CName(record));

    // As the play screen starts a level: on the manager, then the rules.
    if (!manager->setScene(scene.get()))
        return false;
    step(20);
    scene->setBuildingsConfiguration(objects.get());
    scene->setLevelConfiguration(rules.get());
    scene->rebuildWalkGrid();
    scene->setPausedFlag(false);
    rules->getRandomEvents()->startAll(scene->getLevelReceiver(), scheduler());
    scene->setObjectivesActive(true);
    scene->recalculate();
    return true;
}

CUpdateScheduler* FixtureLevelRun::scheduler() const { return manager->getSceneSchedulerOf(scene.get()); }

void FixtureLevelRun::step(int ms) {
    for (int t = 0; t < ms; t += 20) {
        if (CUpdateScheduler* levelScheduler = scheduler())
            levelScheduler->update(20);
        static_cast<void>(manager->update(20));
    }
}

void FixtureLevelRun::clickField() {
    CRefHandle<CEventClicked> event(new CEventClicked(scene.get()));
    static_cast<void>(scene->handleEvent(event.get()));
}

GBuildingNode* FixtureLevelRun::place(const char* name) const {
    return scene ? nodeCast<GBuildingNode>(scene->findChild(CName(name), 0)) : nullptr;
}
