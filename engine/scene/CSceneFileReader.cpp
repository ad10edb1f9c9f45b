#include "engine/scene/CSceneFileReader.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CArray.h"
#include "engine/core/CLog.h"
#include "engine/core/CName.h"
#include "engine/core/CString.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/Animator.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SetProps.h"
#include "engine/scene/SetStates.h"

namespace {

constexpr const char16_t* kNodeElement = u"SceneNode";
constexpr const char16_t* kEndedInsideNode = u"the document ends inside a node element";

void logWarning(const CStringW& text) { CLog::instance()->log(text, CLog::Warning); }

// Counts a node element as open while it is being read.
class CDepthScope {
public:
    explicit CDepthScope(uint32_t& depth) : m_depth(depth) { ++m_depth; }
    ~CDepthScope() { --m_depth; }
    CDepthScope(const CDepthScope&) = delete;
    CDepthScope& operator=(const CDepthScope&) = delete;

private:
    uint32_t& m_depth;
};

CStringW tooManyNodes() {
    return u"more than " + CStringW(unsigned(CSceneFileReader::MaxNodesPerLoad)) + u" nodes in one load";
}

// The nodes of the tree under `root`, itself included, counting no further
// than `limit`.
uint64_t treeSize(const BaseNode* root, uint64_t limit) {
    uint64_t count = 0;
    CArray<const BaseNode*> open;
    open.push_back(root);
    while (!open.empty() && count <= limit) {
        const BaseNode* node = open[open.size() - 1];
        open.pop_back();
        ++count;
        for (const BaseNode* child : node->getChildren())
            open.push_back(child);
    }
    return count;
}

} // namespace

CSceneFileReader::CSceneFileReader(CXmlStreamReader* reader, CNodeFactory* factory, uint32_t& depth,
                                   const CStringW& fileName)
    : m_reader(reader), m_factory(factory), m_depth(depth), m_fileName(fileName) {}

CStringW CSceneFileReader::resolveClass(const CNodeFactory* factory, const CStringW& classOverride,
                                        const CStringW& type) {
    if (!factory)
        return CStringW();
    if (!classOverride.empty() && factory->isNodeClassRegistered(classOverride))
        return classOverride;
    if (!type.empty() && factory->isNodeClassRegistered(type))
        return type;
    return CStringW();
}

bool CSceneFileReader::fail(const CStringW& reason) {
    if (m_error.empty())
        m_error = reason;
    return false;
}

bool CSceneFileReader::countNodes(uint64_t count) {
    *m_created += count;
    return overNodeBudget() ? fail(tooManyNodes()) : true;
}

CRefHandle<BaseNode> CSceneFileReader::readDocument(const CObjectName& rootName, const CStringW& filePath) {
    m_error = CStringW();
    if (!m_reader || !m_factory) {
        logWarning(u"Can't read scene file: no reader or node factory: " + m_fileName);
        return nullptr;
    }
    // The first SceneNode element is the root; a file holds one tree.
    while (m_reader->readNext()) {
        if (m_reader->nodeType() != CXmlStreamReader::Element || !(m_reader->nodeName() == kNodeElement))
            continue;
        const CStringW type = m_reader->attribute("Type");
        const CStringW classOverride = m_reader->attribute("ClassOverride");
        const CStringW className = resolveClass(m_factory, classOverride, type);
        CRefHandle<BaseNode> root;
        if (!className.empty())
            root = m_factory->createNode(className, rootName);
        if (!root) {
            logWarning(u"Can't read scene file: unknown root node class \"" + type + u"\": " + m_fileName);
            return nullptr;
        }
        root->setDeclaredClass(type, classOverride);
        IContentManager* manager = rootName.owner();
        if (manager)
            manager->pushFolder(filePath);
        const bool read = countNodes(1) && readNode(root.get());
        if (manager)
            static_cast<void>(manager->popFolder());
        if (!read) {
            fail(u"a node could not read its element");
            // A load cut off for its size is reported once, by the file the
            // load started from, not again by every file on the way.
            if (!(overNodeBudget() && m_depth > 0))
                logWarning(u"Can't read scene file: " + m_error + u": " + m_fileName);
            return nullptr;
        }
        return root;
    }
    logWarning(u"Can't read scene file: it holds no SceneNode element: " + m_fileName);
    return nullptr;
}

bool CSceneFileReader::readNode(BaseNode* node) { return node && node->readFromXml(*this); }

bool CSceneFileReader::readElement(BaseNode* node) {
    if (!node)
        return false;
    // An empty element has no content: reading on would take its parent's.
    if (m_reader->isSelfClosing()) {
        node->onLoaded();
        return true;
    }
    if (m_depth >= MaxDepth)
        return fail(u"nodes nested deeper than " + CStringW(unsigned(MaxDepth)) + u" levels");
    CDepthScope scope(m_depth);
    while (m_reader->readNext()) {
        const int type = m_reader->nodeType();
        const CStringW& name = m_reader->nodeName();
        if (type == CXmlStreamReader::ElementEnd && name == kNodeElement) {
            node->onLoaded();
            return true;
        }
        if (type != CXmlStreamReader::Element)
            continue;
        bool read = true;
        if (name == u"Uses")
            read = readUses(node);
        else if (name == u"Properties")
            read = readProperties(node);
        else if (name == u"States")
            read = readStates(node);
        else if (name == kNodeElement)
            read = readChild(node);
        if (!read)
            return false;
    }
    return fail(kEndedInsideNode);
}

bool CSceneFileReader::readUses(BaseNode* node) {
    if (m_reader->isSelfClosing())
        return true;
    IContentManager* manager = node->getContentName().owner();
    while (m_reader->readNext()) {
        const int type = m_reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && m_reader->nodeName() == u"Uses")
            return true;
        if (type != CXmlStreamReader::Element || !(m_reader->nodeName() == u"AtlasTextureCollection"))
            continue;
        // Loading registers the collection's textures in the content cache;
        // the collection itself is not kept.
        const CStringW value = m_reader->attribute("Value");
        if (value.empty())
            continue;
        // Kept by its full name, so that a save into another folder still
        // names the same file.
        node->addUsedCollection(manager ? manager->makeAbsoluteName(value) : value);
        if (manager) {
            if (IContent* collection = manager->load(ContentTypeAtlasCollection, value, true))
                collection->release();
        }
    }
    return fail(kEndedInsideNode);
}

bool CSceneFileReader::readProperties(BaseNode* node) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create(node->getContentName().owner());
    // A bag nested too deeply is logged and skipped by the bag; the node
    // reads what remains.
    static_cast<void>(bag->readXml(m_reader, false));
    node->readProperties(*bag);
    return true;
}

bool CSceneFileReader::readStates(BaseNode* node) {
    node->releaseStates();
    if (m_reader->isSelfClosing())
        return true;
    IContentManager* manager = node->getContentName().owner();
    while (m_reader->readNext()) {
        const int type = m_reader->nodeType();
        const CStringW& name = m_reader->nodeName();
        if (type == CXmlStreamReader::ElementEnd && name == u"States")
            return true;
        if (type != CXmlStreamReader::Element)
            continue;
        if (name == u"Properties") {
            CRefHandle<CPropertyBag> bag = CPropertyBag::create(manager);
            static_cast<void>(bag->readXml(m_reader, false));
            if (bag->indexOf("DefaultState") >= 0)
                node->setDefaultState(getPropertyNameId(bag->get("DefaultState")));
        } else if (name == u"State") {
            CRefHandle<CNodeState> state(new CNodeState(CName(CString(m_reader->attribute("Name")))));
            state->setNextState(CName(CString(m_reader->attribute("NextState"))));
            // Keys come from this reader's factory, like the nodes.
            const CNodeFactory* factory = m_factory;
            state->readXml(m_reader, manager, [factory](const CStringW& className) -> Animator* {
                return factory ? factory->createKey(className).detach() : nullptr;
            });
            warnOfEndlessKeys(state.get());
            // A name registered before keeps its first state.
            static_cast<void>(node->addState(state.get()));
        }
    }
    return fail(kEndedInsideNode);
}

void CSceneFileReader::warnOfEndlessKeys(const CNodeState* state) const {
    // SetProps and SetStates do their work when a state starts and report no
    // end: as main keys they keep their state from ever finishing, so the
    // node's NextState, its parent's count and any transition wait for good.
    for (const Animator* key : state->getKeys()) {
        if (!key->isKindOf(SetProps::TypeId) && !key->isKindOf(SetStates::TypeId))
            continue;
        CStringW text = u"Scene file " + m_fileName + u": state \"" + CStringW(state->getName().str()) +
                        u"\" has a " + key->getClassName() + u" main key";
        if (!key->getName().empty())
            text += u" \"" + CStringW(key->getName().str()) + u"\"";
        logWarning(text + u", which never finishes; use it as a StartAnimator or EndAnimator");
    }
}

bool CSceneFileReader::readChild(BaseNode* parent) {
    // Attributes go with the next node read: copy them first.
    const CStringW file = m_reader->attribute("File");
    const CStringW type = m_reader->attribute("Type");
    const CStringW classOverride = m_reader->attribute("ClassOverride");
    const bool empty = m_reader->isSelfClosing();
    IContentManager* manager = parent->getContentName().owner();

    if (!file.empty()) {
        // The child is the other file's root; what this element holds is
        // not read.
        if (!empty && !skipNode())
            return false;
        if (!manager) {
            logWarning(u"Can't load included scene file without a content manager: " + file);
            return true;
        }
        // The content manager refuses (and logs) a file that includes itself.
        const uint64_t createdBefore = *m_created;
        CRefHandle<IContent> loaded(manager->load(ContentTypeSceneNode, file, true));
        auto* root = dynamic_cast<BaseNode*>(loaded.get());
        if (overNodeBudget())
            return fail(tooManyNodes());
        if (!root) {
            // The manager reports nothing for a missing file; say which
            // element asked for it.
            logWarning(u"Scene file " + m_fileName + u": can't load included file " + file);
            return true;
        }
        // Shared content comes as the cached object itself; a node has one
        // parent, so the tree gets its own copy.
        CRefHandle<BaseNode> child;
        if (manager->find(ContentTypeSceneNode, root->getContentName()) == root) {
            // Counted before copying: the copy is what could run away.
            if (!countNodes(treeSize(root, MaxNodesPerLoad)))
                return false;
            child.reset(root->clone(nullptr, nullptr));
        } else {
            // Read just now (the nodes were counted as they were made), or a
            // copy the manager made of its cached tree, counted here.
            if (*m_created == createdBefore && !countNodes(treeSize(root, MaxNodesPerLoad)))
                return false;
            child = CRefHandle<BaseNode>::share(root);
        }
        parent->addChild(child.get());
        return true;
    }

    const CStringW className = resolveClass(m_factory, classOverride, type);
    if (!countNodes(1))
        return false;
    CRefHandle<BaseNode> child;
    if (!className.empty())
        child = m_factory->createNode(className, CObjectName(manager, CStringW()));
    if (!child) {
        logWarning(u"Scene file " + m_fileName + u": unknown node class \"" + type + u"\", element skipped");
        return empty || skipNode();
    }
    child->setDeclaredClass(type, classOverride);
    // Added first, so that the child has its parent's scene manager and
    // owner scene while it reads itself.
    parent->addChild(child.get());
    return readNode(child.get());
}

bool CSceneFileReader::skipNode() {
    uint64_t open = 1;
    while (m_reader->readNext()) {
        if (!(m_reader->nodeName() == kNodeElement))
            continue;
        if (m_reader->nodeType() == CXmlStreamReader::Element && !m_reader->isSelfClosing())
            ++open;
        else if (m_reader->nodeType() == CXmlStreamReader::ElementEnd && --open == 0)
            return true;
    }
    return fail(kEndedInsideNode);
}
