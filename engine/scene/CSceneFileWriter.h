#pragma once

#include "engine/core/CStringW.h"

#include <cstdint>

class BaseNode;
class CXmlStreamWriter;
class IContentManager;

// Writes node trees as scene files ("mscn"), the form CSceneFileReader reads:
// a SceneNode element per node with its Type, the properties that differ
// from a new node's, its states and its children in list order. Where a node
// came from (ClassOverride, File, Uses) is not recorded: a child read from
// another file is written out in full.
class CSceneFileWriter {
public:
    // Writes onto `writer` (not owned; may be null, then nothing is written).
    explicit CSceneFileWriter(CXmlStreamWriter* writer);

    CSceneFileWriter(const CSceneFileWriter&) = delete;
    CSceneFileWriter& operator=(const CSceneFileWriter&) = delete;

    // Starts the document and writes `root` with `filePath` on top of the
    // content manager's folder stack (when there is one), so that content
    // names are written relative to the file. False for a null root and as
    // writeNode.
    [[nodiscard]] bool writeDocument(const BaseNode* root, IContentManager* manager, const CStringW& filePath);

    // Writes `node` and its subtree through the node's writeToXml. A node
    // marked not serialised (a template root) writes nothing and answers
    // true. False without a writer, when the output fell short, or when the
    // tree nests deeper than the reader takes (logged).
    [[nodiscard]] bool writeNode(const BaseNode* node);
    // The element every node writes: Type, non-default properties, states,
    // then each child through writeNode. What BaseNode::writeToXml does.
    [[nodiscard]] bool writeElement(const BaseNode* node);

    [[nodiscard]] CXmlStreamWriter* getXmlWriter() const { return m_writer; }

private:
    CXmlStreamWriter* m_writer;
    // Node elements open at once.
    uint32_t m_depth = 0;
};
