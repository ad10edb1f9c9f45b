#include "engine/scene/CSceneFileWriter.h"

#include "engine/content/IContentManager.h"
#include "engine/core/CLog.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CSceneFileReader.h"

CSceneFileWriter::CSceneFileWriter(CXmlStreamWriter* writer) : m_writer(writer) {}

bool CSceneFileWriter::writeDocument(const BaseNode* root, IContentManager* manager, const CStringW& filePath) {
    if (!m_writer || !root)
        return false;
    m_writer->startDocument();
    if (manager)
        manager->pushFolder(filePath);
    const bool written = writeNode(root);
    if (manager)
        static_cast<void>(manager->popFolder());
    return written;
}

bool CSceneFileWriter::writeNode(const BaseNode* node) {
    if (!m_writer)
        return false;
    if (!node || node->isNotSerialised())
        return true;
    if (m_depth >= CSceneFileReader::MaxDepth) {
        CLog::instance()->log(u"Can't write scene file: nodes nested deeper than " +
                                  CStringW(unsigned(CSceneFileReader::MaxDepth)) + u" levels",
                              CLog::Warning);
        return false;
    }
    ++m_depth;
    const bool written = node->writeToXml(*this);
    --m_depth;
    return written && !m_writer->hasError();
}

bool CSceneFileWriter::writeElement(const BaseNode* node) {
    if (!m_writer || !node)
        return false;
    // A node read through a ClassOverride keeps both attributes, so that a
    // build without the override class still reads it by its Type.
    const CStringW& classOverride = node->getClassOverride();
    if (classOverride.empty()) {
        m_writer->openElement(u"SceneNode", false, u"Type", node->getTypeName().c_str());
    } else {
        const CStringW& declared = node->getDeclaredType();
        const CStringW& type = declared.empty() ? node->getTypeName() : declared;
        m_writer->openElement(u"SceneNode", false, u"Type", type.c_str(), u"ClassOverride", classOverride.c_str());
    }
    m_writer->newLine();

    // The atlas collections the node's file needs, relative to the file
    // being written.
    const CArray<CStringW>& uses = node->getUsedCollections();
    if (!uses.empty()) {
        IContentManager* manager = node->getContentName().owner();
        m_writer->openElement(u"Uses", false);
        m_writer->newLine();
        for (const CStringW& use : uses) {
            const CStringW value = manager ? manager->makeRelativeName(use) : use;
            m_writer->openElement(u"AtlasTextureCollection", true, u"Value", value.c_str());
            m_writer->newLine();
        }
        m_writer->closeElement(u"Uses");
        m_writer->newLine();
    }

    CRefHandle<CPropertyBag> bag = CPropertyBag::create(node->getContentName().owner());
    node->writeProperties(*bag);
    if (bag->getCount() > 0 && !bag->writeXml(m_writer, false))
        return false;

    // DefaultState travels among the properties, not here.
    if (!node->getStates().empty()) {
        m_writer->openElement(u"States", false);
        m_writer->newLine();
        for (const CNodeState* state : node->getStates())
            state->writeXml(m_writer);
        m_writer->closeElement(u"States");
        m_writer->newLine();
    }

    for (const BaseNode* child : node->getChildren()) {
        if (!writeNode(child))
            return false;
    }

    m_writer->closeElement(u"SceneNode");
    m_writer->newLine();
    return !m_writer->hasError();
}
