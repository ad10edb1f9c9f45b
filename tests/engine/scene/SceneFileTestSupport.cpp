#include "tests/engine/scene/SceneFileTestSupport.h"

#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"
#include "tests/engine/scene/PropertyTestSupport.h"

const CStringW& TestNode::getTypeName() const {
    static const CStringW name(u"TestNode");
    return name;
}

SharedTestNode::SharedTestNode(const CObjectName& name, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(name, parent, sceneManager) {
    setContentFlags(FlagShared);
}

const CStringW& SharedTestNode::getTypeName() const {
    static const CStringW name(u"SharedTestNode");
    return name;
}

const CStringW& HookTestNode::getTypeName() const {
    static const CStringW name(u"HookTestNode");
    return name;
}

bool HookTestNode::readFromXml(CSceneFileReader& reader) {
    ++readCalls;
    return BaseNode::readFromXml(reader);
}

bool HookTestNode::writeToXml(CSceneFileWriter& writer) const {
    writer.getXmlWriter()->addComment(u"hook");
    return BaseNode::writeToXml(writer);
}

CNodeFactory* testNodeFactory() {
    CNodeFactory* factory = CNodeFactory::getShared();
    static_cast<void>(factory->registerNodeClass(CStringW(u"TestNode"), [](const CObjectName& name) -> BaseNode* {
        return new TestNode(name, nullptr, nullptr);
    }));
    static_cast<void>(factory->registerNodeClass(CStringW(u"SharedTestNode"), [](const CObjectName& name) -> BaseNode* {
        return new SharedTestNode(name, nullptr, nullptr);
    }));
    static_cast<void>(factory->registerNodeClass(CStringW(u"HookTestNode"), [](const CObjectName& name) -> BaseNode* {
        return new HookTestNode(name, nullptr, nullptr);
    }));
    return factory;
}

CRefHandle<BaseNode> readScene(const std::string& text, IContentManager* manager, const CStringW& name) {
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(text.data(), text.size()));
    uint32_t depth = 0;
    CSceneFileReader reader(xml.get(), testNodeFactory(), depth, name);
    return reader.readDocument(CObjectName(manager, name), name);
}

std::string sceneText(const BaseNode* node) {
    bool written = false;
    std::string text =
        writtenXml([&](CXmlStreamWriter* writer) { written = CSceneFileWriter(writer).writeNode(node); });
    return written ? text : std::string("<failed>");
}

BaseNode* childAt(const BaseNode* node, uint32_t index) {
    return node && index < node->getChildren().size() ? node->getChildren()[index] : nullptr;
}
