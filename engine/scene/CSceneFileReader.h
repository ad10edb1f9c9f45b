#pragma once

#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

#include <cstdint>

class BaseNode;
class CNodeFactory;
class CNodeState;
class CXmlStreamReader;
class IContentManager;

// Reads a scene file ("mscn"): one tree of `SceneNode` elements. Each element
// names its class (Type, or ClassOverride when the node factory knows it) and
// holds, in any order, Uses (atlas collections to load), Properties, States
// and child SceneNode elements; a child with a File attribute is the root of
// another scene file, loaded through the content manager as a fresh copy.
//
// A child element whose class is unknown is skipped with its whole content.
// A document that ends inside a node element, whose nodes nest deeper than
// MaxDepth (counting the files it includes), or whose load would create more
// than MaxNodesPerLoad nodes (files that include each other many times
// multiply), is damaged: reading fails and the partly built tree is released.
class CSceneFileReader {
public:
    // Node elements open at once, over a file and the files it includes.
    static constexpr uint32_t MaxDepth = 128;
    // Nodes one load may create, over a file and the copies of the files it
    // includes.
    static constexpr uint64_t MaxNodesPerLoad = 100000;

    // Reads from `reader` (not owned), creating nodes and the keys of their
    // states with `factory` (not owned; the application's classes must be
    // registered on it). `depth`
    // counts the node elements being read; the scene processor shares one
    // counter among the files it reads inside each other. `fileName` only
    // names the file in log lines.
    CSceneFileReader(CXmlStreamReader* reader, CNodeFactory* factory, uint32_t& depth, const CStringW& fileName);

    // Counts the nodes created into `created` instead of the reader's own
    // counter: the scene processor shares one among the files it reads inside
    // each other, restarting it for each load from outside.
    void shareNodeCount(uint64_t& created) { m_created = &created; }

    CSceneFileReader(const CSceneFileReader&) = delete;
    CSceneFileReader& operator=(const CSceneFileReader&) = delete;

    // Reads the document's first SceneNode element into a new root named
    // `rootName`. While it is read, `filePath` is the top of the content
    // manager's folder stack (the owner of `rootName`), so relative names in
    // the file resolve against the file's own folder. Returns the root (one
    // reference for the caller), or null after one log line.
    [[nodiscard]] CRefHandle<BaseNode> readDocument(const CObjectName& rootName, const CStringW& filePath);

    // Reads the content of the SceneNode element the reader stands on into
    // `node` through the node's readFromXml. False when the document is
    // damaged (see the class comment); `error()` then tells why.
    [[nodiscard]] bool readNode(BaseNode* node);
    // What BaseNode::readFromXml does: reads Uses, Properties, States and
    // children (each through readNode) up to and including the element's end
    // tag, then calls the node's onLoaded.
    [[nodiscard]] bool readElement(BaseNode* node);

    [[nodiscard]] CXmlStreamReader* getXmlReader() const { return m_reader; }
    [[nodiscard]] CNodeFactory* getNodeFactory() const { return m_factory; }

    [[nodiscard]] const CStringW& error() const { return m_error; }

    // The class to create for an element: ClassOverride when it is not empty
    // and registered, else Type when registered; empty when neither is.
    [[nodiscard]] static CStringW resolveClass(const CNodeFactory* factory, const CStringW& classOverride,
                                               const CStringW& type);

private:
    // Each reads the element the reader stands on up to its end tag; false
    // when the document ends first.
    bool readUses(BaseNode* node);
    bool readProperties(BaseNode* node);
    bool readStates(BaseNode* node);
    bool readChild(BaseNode* parent);
    // Logs each SetProps or SetStates among the main keys of `state`.
    void warnOfEndlessKeys(const CNodeState* state) const;
    // Passes over the content of the SceneNode element the reader stands on.
    bool skipNode();
    bool fail(const CStringW& reason);
    // Adds `count` new nodes to the load; false (and the reason kept) once
    // the load would pass MaxNodesPerLoad.
    bool countNodes(uint64_t count);
    [[nodiscard]] bool overNodeBudget() const { return *m_created > MaxNodesPerLoad; }

    CXmlStreamReader* m_reader;
    CNodeFactory* m_factory;
    uint32_t& m_depth;
    uint64_t m_ownCount = 0;
    uint64_t* m_created = &m_ownCount;
    CStringW m_fileName;
    CStringW m_error;
};
