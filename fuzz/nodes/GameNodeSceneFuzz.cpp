// Reads arbitrary bytes as a scene file of the game's fill, bar, polygon and
// building-place nodes among the standard ones. Every node is drawn into the
// Null driver, hit, and moved through its value setters; polygons are
// optimised; the tree must write, read and write again unchanged.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CQuadBatch.h"
#include "game/nodes/GEllipseProgressBarNode.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "game/nodes/GPolygonNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/nodes/GTwoSpritesProgressBarNode.h"
#include "game/world/GBuildingNode.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Serves the input as "root.mscn"; nothing else exists.
class InputFileSystem : public CVirtualFileSystem {
public:
    void setInput(const uint8_t* data, size_t size) {
        m_data = data;
        m_size = size;
    }
    IReadableFile* openForRead(const CStringW& path) override {
        if (!(path == u"root.mscn"))
            return nullptr;
        return new CBufferFile(const_cast<uint8_t*>(m_data), int32_t(m_size), path, false);
    }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

struct Setup {
    Setup() {
        CLog::instance()->setThreshold(CLog::User + 1);
        CNodeFactory* factory = CNodeFactory::getShared();
        registerStandardNodes(*factory);
        (void)factory->registerNodeClass(CStringW(u"GEllipseSectorNode"), &GEllipseSectorNode::create);
        (void)factory->registerNodeClass(CStringW(u"GEllipseProgressBarNode"), &GEllipseProgressBarNode::create);
        (void)factory->registerNodeClass(CStringW(u"GPolygonNode"), &GPolygonNode::create);
        (void)factory->registerNodeClass(CStringW(u"GTwoSpritesProgressBarNode"), &GTwoSpritesProgressBarNode::create);
        (void)factory->registerNodeClass(CStringW(u"GProgressBarWithSignNode"), &GProgressBarWithSignNode::create);
        (void)factory->registerNodeClass(CStringW(u"GBuildingNode"), &GBuildingNode::create);
        if (!CSceneNodeProcessor::registerWith(processors.get(), factory))
            std::abort();
        CEngineCreationParams params;
        driver.reset(createNullDriver(params, nullptr, nullptr));
    }

    CRefHandle<InputFileSystem> fileSystem{new InputFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<IGraphicsDriver> driver;
    // Stands for the scene manager the sign bars' template step asks for.
    CRefHandle<BaseNode> stage{new BaseNode(CObjectName(), nullptr, nullptr)};
};

std::vector<uint8_t> written(const BaseNode* root) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(CStringW(u"out.mscn"), 4096));
    {
        CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
        writer->startDocument();
        if (!CSceneFileWriter(writer.get()).writeNode(root))
            std::abort();
    }
    std::vector<uint8_t> bytes(size_t(file->size()));
    if (!file->seek(0, false) || file->read(bytes.data(), int32_t(bytes.size())) != int32_t(bytes.size()))
        std::abort();
    return bytes;
}

CRefHandle<BaseNode> readBack(const std::vector<uint8_t>& bytes, IContentManager* manager) {
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(bytes.data(), bytes.size()));
    uint32_t depth = 0;
    const CStringW name(u"again.mscn");
    CSceneFileReader reader(xml.get(), CNodeFactory::getShared(), depth, name);
    CRefHandle<BaseNode> root = reader.readDocument(CObjectName(manager, name), name);
    if (!root)
        std::abort();
    return root;
}

// Hits every node of the subtree and moves the game nodes' values.
void poke(BaseNode* node) {
    const CVector3d points[] = {{0, 0, 0}, {5, 7, 0}, {50, 30, 0}, {-3, 400, 0}, {1e30f, -1e30f, 0}};
    for (const CVector3d& point : points)
        (void)node->hitTest(point);
    if (auto* polygon = nodeCast<GPolygonNode>(node)) {
        (void)polygon->containsPoint(10.0f, 10.0f);
        polygon->optimize(polygon->getOptimizationTolerance());
    } else if (auto* bar = nodeCast<BaseProgressBarNode>(node)) {
        bar->setValue(bar->getValue() + 1.0f);
    } else if (auto* place = nodeCast<GBuildingNode>(node)) {
        place->setDamageState(place->getDamageState() + 1, true);
        (void)place->getSoundCueName();
        (void)place->update(50);
    }
    for (BaseNode* child : node->getChildren())
        poke(child);
}

// Lays the sign bars out as a shown scene would.
void layOut(BaseNode* node) {
    if (auto* bar = nodeCast<GProgressBarWithSignNode>(node))
        bar->applyTemplate();
    for (BaseNode* child : node->getChildren())
        layOut(child);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16))
        return 0;
    static Setup setup;
    setup.fileSystem->setInput(data, size);
    CRefHandle<BaseNode> root(setup.manager->loadNode(CStringW(u"root.mscn"), false));
    if (!root) {
        setup.manager->clear();
        return 0;
    }
    // Saved before the sign bars move their signs.
    const std::vector<uint8_t> first = written(root.get());
    root->setSceneManager(setup.stage.get(), nullptr);
    layOut(root.get());
    CArray<CRenderItem> list;
    root->registerForRendering(list);
    CQuadBatch* batch = setup.driver->quadBatch();
    batch->begin();
    for (const CRenderItem& item : list)
        item.node->render(setup.driver.get(), item.clip);
    batch->end();
    poke(root.get());

    const std::vector<uint8_t> second = written(readBack(first, setup.manager.get()).get());
    const std::vector<uint8_t> third = written(readBack(second, setup.manager.get()).get());
    root->setSceneManager(nullptr, nullptr);
    setup.manager->clear();
    if (second != third)
        std::abort();
    return 0;
}
