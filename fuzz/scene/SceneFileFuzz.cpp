// Reads arbitrary bytes as a scene file through the content manager and the
// scene processor. The bytes also answer to the names "a.mscn" and
// "b.mscn", so the file may include itself, directly or through the other
// name. Whatever tree comes out must write and read back, and then keep its
// text through another reading and writing.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"
#include "engine/scene/CSceneNodeProcessor.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// A node class of the application's kind.
class FuzzNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 7001;

    using BaseNode::BaseNode;
    using BaseNode::clone;

    [[nodiscard]] const CStringW& getTypeName() const override {
        static const CStringW name(u"FuzzNode");
        return name;
    }
    [[nodiscard]] const CStringW& getClassName() const override { return getTypeName(); }
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override {
        return cloneAs<FuzzNode>(parent, sceneManager);
    }
};

// A node class whose trees the content cache shares.
class FuzzSharedNode : public FuzzNode {
public:
    FuzzSharedNode(const CObjectName& name, BaseNode* parent, BaseNode* sceneManager)
        : FuzzNode(name, parent, sceneManager) {
        setContentFlags(FlagShared);
    }
    using BaseNode::clone;

    [[nodiscard]] const CStringW& getTypeName() const override {
        static const CStringW name(u"FuzzSharedNode");
        return name;
    }
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override {
        return cloneAs<FuzzSharedNode>(parent, sceneManager);
    }
};

// Serves the input under three names; nothing else exists.
class InputFileSystem : public CVirtualFileSystem {
public:
    void setInput(const uint8_t* data, size_t size) {
        m_data = data;
        m_size = size;
    }
    IReadableFile* openForRead(const CStringW& path) override {
        if (!(path == u"root.mscn") && !(path == u"a.mscn") && !(path == u"b.mscn"))
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
        static_cast<void>(factory->registerNodeClass(CStringW(u"FuzzNode"), [](const CObjectName& name) -> BaseNode* {
            return new FuzzNode(name, nullptr, nullptr);
        }));
        static_cast<void>(
            factory->registerNodeClass(CStringW(u"FuzzSharedNode"), [](const CObjectName& name) -> BaseNode* {
                return new FuzzSharedNode(name, nullptr, nullptr);
            }));
        if (!CSceneNodeProcessor::registerWith(processors.get(), factory))
            std::abort();
    }

    CRefHandle<InputFileSystem> fileSystem{new InputFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
};

// What the writer makes of `root`: a whole document, so that the reader
// knows its encoding.
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

// Reads what the writer made; it must always be readable.
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16))
        return 0;
    static Setup setup;
    setup.fileSystem->setInput(data, size);
    CRefHandle<BaseNode> root(setup.manager->loadNode(CStringW(u"root.mscn"), false));
    setup.manager->clear();
    if (setup.manager->folderDepth() != 1)
        std::abort();
    if (!root)
        return 0;

    // The first writing may drop what a reader keeps but cannot write back
    // the same (keys over properties of unknown types); from then on a tree
    // must write, read and write again unchanged.
    const std::vector<uint8_t> second = written(readBack(written(root.get()), setup.manager.get()).get());
    const std::vector<uint8_t> third = written(readBack(second, setup.manager.get()).get());
    setup.manager->clear();
    if (second != third)
        std::abort();
    return 0;
}
