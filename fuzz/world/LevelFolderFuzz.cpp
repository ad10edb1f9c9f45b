// A level folder read from any bytes: the input holds "Level.mscn",
// "wgrid.bin" and "LevelConfiguration.xml" one after the other, each ended
// by the line "--8<--" (the last part needs none). The level scene binds
// what it finds, starts with the configuration, recalculates, searches its
// walk grid, runs its clock and draws its overlay into the null driver.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CQuadBatch.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GPolygonNode.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GWGridNode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kCut = "--8<--\n";

const char kBuildings[] = R"(<ObjectsConfiguration>
  <Building><Type Value="BuildingPlace"/><Name Value="BuildingPlace"/><Level Value="0"/></Building>
  <Building><Type Value="MajorOffice"/><Name Value="MajorOffice1"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment"/><Name Value="Apartment1"/><Level Value="1"/><Income Value="100"/></Building>
  <Building><Type Value="OnRoad"/><Name Value="FallenTree1"/><Level Value="0"/></Building>
</ObjectsConfiguration>)";

// Serves the three parts of the input under the level folder.
class InputFileSystem : public CVirtualFileSystem {
public:
    void setInput(const uint8_t* data, size_t size) {
        std::string_view rest(reinterpret_cast<const char*>(data), size);
        for (std::string_view& part : m_parts) {
            const size_t cut = rest.find(kCut);
            part = rest.substr(0, cut);
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + kCut.size());
        }
    }
    IReadableFile* openForRead(const CStringW& path) override {
        const char16_t* names[] = {u"level/Level.mscn", u"level/wgrid.bin", u"level/LevelConfiguration.xml"};
        for (size_t i = 0; i < 3; ++i)
            if (path == names[i])
                return new CBufferFile(reinterpret_cast<uint8_t*>(const_cast<char*>(m_parts[i].data())),
                                       int32_t(m_parts[i].size()), path, false);
        return nullptr;
    }
    [[nodiscard]] std::string_view part(size_t index) const { return m_parts[index]; }

private:
    std::string_view m_parts[3];
};

struct Setup {
    Setup() {
        CLog::instance()->setThreshold(CLog::User + 1);
        CNodeFactory* factory = CNodeFactory::getShared();
        registerStandardNodes(*factory);
        (void)factory->registerNodeClass(CStringW(u"GGameLevelScene"), &GGameLevelScene::create);
        (void)factory->registerNodeClass(CStringW(u"GBuildingNode"), &GBuildingNode::create);
        (void)factory->registerNodeClass(CStringW(u"GWGridNode"), &GWGridNode::create);
        (void)factory->registerNodeClass(CStringW(u"GRailRoadNode"), &GRailRoadNode::create);
        (void)factory->registerNodeClass(CStringW(u"GPolygonNode"), &GPolygonNode::create);
        if (!CSceneNodeProcessor::registerWith(processors.get(), factory))
            std::abort();
        fileSystem->addRef();
        engine->setFileSystem(fileSystem.get());
        setEngineInstance(engine.get());
        CEngineCreationParams params;
        driver.reset(createNullDriver(params, nullptr, nullptr));
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(kBuildings, std::strlen(kBuildings)));
        if (!objects->readFromXml(*reader))
            std::abort();
    }

    CRefHandle<InputFileSystem> fileSystem{new InputFileSystem};
    CRefHandle<CEngine> engine{new CEngine(CEngineCreationParams())};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<IGraphicsDriver> driver;
    CRefHandle<ObjectsConfiguration> objects{new ObjectsConfiguration};
    // Stands for the play screen (the parent) and its scene manager.
    CRefHandle<BaseNode> stage{new BaseNode(CObjectName(), nullptr, nullptr)};
};

void play(Setup& setup, GGameLevelScene* scene) {
    const std::string_view rules = setup.fileSystem->part(2);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(rules.data(), rules.size()));
    CRefHandle<LevelConfiguration> configuration(new LevelConfiguration);
    configuration->readFromXml(*reader);

    setup.stage->addChild(scene);
    setup.stage->setSceneManager(setup.stage.get(), nullptr);
    scene->setBuildingsConfiguration(setup.objects.get());
    scene->setLevelConfiguration(configuration.get());
    scene->setObjectivesActive(true);
    scene->recalculate();
    scene->setRandomEventsPaused(false);
    for (int i = 0; i < 10; ++i)
        (void)scene->update(700);

    const CVector2d points[] = {{35, 150}, {500, 300}, {-40, 2000}};
    CArray<CVector2d> path;
    for (const CVector2d& from : points)
        for (const CVector2d& to : points) {
            (void)scene->findPath(from, to, path, true);
            (void)scene->pathExists(from, to);
        }
    for (GBuildingNode* place : scene->getPlaces())
        (void)scene->findBlockingLocations(place);
    scene->blockHitsUnderSmoke();

    scene->setDebugOverlay(true);
    CArray<CRenderItem> list;
    scene->registerForRendering(list);
    CQuadBatch* batch = setup.driver->quadBatch();
    batch->begin();
    for (const CRenderItem& item : list)
        item.node->render(setup.driver.get(), item.clip);
    batch->end();
    (void)setup.stage->removeChild(scene);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16))
        return 0;
    static Setup setup;
    setup.fileSystem->setInput(data, size);
    CRefHandle<BaseNode> root(setup.manager->loadNode(CStringW(u"level/Level.mscn"), false));
    if (auto* scene = nodeCast<GGameLevelScene>(root.get()))
        play(setup, scene);
    root.reset();
    setup.manager->clear();
    return 0;
}
