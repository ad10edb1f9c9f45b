#include "engine/scene/CSceneNodeProcessor.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CLog.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"

CSceneNodeProcessor::CSceneNodeProcessor(CVirtualFileSystem* fileSystem, CRefCounted* videoDriver,
                                         CNodeFactory* nodeFactory)
    : m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)),
      m_videoDriver(CRefHandle<CRefCounted>::share(videoDriver)),
      m_nodeFactory(CRefHandle<CNodeFactory>::share(nodeFactory)) {
    setMask(CEvent::MaskDevice);
}

CSceneNodeProcessor::~CSceneNodeProcessor() = default;

bool CSceneNodeProcessor::registerWith(CContentProcessorsManager* processors, CNodeFactory* nodeFactory) {
    if (!processors)
        return false;
    CRefHandle<CSceneNodeProcessor> processor(
        new CSceneNodeProcessor(processors->getFileSystem(), processors->getVideoDriver(),
                                nodeFactory ? nodeFactory : CNodeFactory::getShared()));
    return processors->registerProcessor(processor.get());
}

uint32_t CSceneNodeProcessor::getContentType() const { return ContentTypeSceneNode; }

IContent* CSceneNodeProcessor::load(IContentManager*, IReadableFile* file, const CObjectName& name) {
    if (!file)
        return nullptr;
    CRefHandle<CXmlStreamReader> xml(m_fileSystem ? m_fileSystem->openXmlReader(file) : new CXmlStreamReader(file));
    if (!xml) {
        CLog::instance()->log(u"Can't read scene file: " + file->fileName(), CLog::Warning);
        return nullptr;
    }
    // Relative names in the file (File, Uses, textures) are resolved by the
    // owner of `name`, the content manager that loads the file.
    CSceneFileReader reader(xml.get(), m_nodeFactory.get(), m_nodeDepth, file->fileName());
    // A load from outside starts the count; files it includes add to it.
    if (m_nodeDepth == 0)
        m_nodesCreated = 0;
    reader.shareNodeCount(m_nodesCreated);
    return reader.readDocument(name, file->fileName()).detach();
}

bool CSceneNodeProcessor::save(IContentManager* manager, IContent* content, IWritableFile* file, const void*) {
    auto* root = dynamic_cast<BaseNode*>(content);
    if (!root || !file)
        return false;
    CRefHandle<CXmlStreamWriter> writer(m_fileSystem ? m_fileSystem->openXmlWriter(file) : new CXmlStreamWriter(file));
    if (!writer)
        return false;
    CSceneFileWriter sceneWriter(writer.get());
    return sceneWriter.writeDocument(root, manager, file->fileName()) && !writer->hasError();
}

bool CSceneNodeProcessor::onVideoDriverReleased(CEvent*) {
    m_videoDriver.reset();
    return false;
}

bool CSceneNodeProcessor::onVideoDriverCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_videoDriver = CRefHandle<CRefCounted>::share(serviceEvent ? serviceEvent->getService() : nullptr);
    return false;
}
