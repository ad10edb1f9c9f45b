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
    m_writer->openElement(u"SceneNode", false, u"Type", node->getTypeName().c_str());
    m_writer->newLine();

    CRefHandle<CPropertyBag> bag = CPropertyBag::create(node->getContentName().owner());
    node->writeProperties(*bag);
    if (bag->getCount() > 0 && !bag->writeXml(m_writer, false))
        return false;

    // DefaultState travels among the properties, not here.
    if (!node->getStates().empty()) {
        m_writer->openElement(u"States", false);
        m_writer->newLine();
        for (const auto& entry : node->getStates())
            entry.value->writeXml(m_writer);
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
