#include "engine/video/CAtlasCollectionProcessor.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "engine/video/AtlasTextureCollection.h"

CAtlasCollectionProcessor::CAtlasCollectionProcessor(CVirtualFileSystem* fileSystem)
    : m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)) {}

CAtlasCollectionProcessor::~CAtlasCollectionProcessor() = default;

uint32_t CAtlasCollectionProcessor::getContentType() const { return ContentTypeAtlasCollection; }

IContent* CAtlasCollectionProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    if (!file)
        return nullptr;
    CRefHandle<CXmlStreamReader> reader(m_fileSystem ? m_fileSystem->openXmlReader(file) : new CXmlStreamReader(file));
    if (!reader)
        return nullptr;
    auto* collection = new AtlasTextureCollection(name);
    if (manager)
        manager->pushFolder(file->fileName());
    collection->load(reader.get());
    if (manager)
        (void)manager->popFolder();
    return collection;
}

bool CAtlasCollectionProcessor::save(IContentManager*, IContent* content, IWritableFile* file, const void* parameter) {
    auto* collection = dynamic_cast<AtlasTextureCollection*>(content);
    if (!collection || !file)
        return false;
    CRefHandle<CXmlStreamWriter> writer(m_fileSystem ? m_fileSystem->openXmlWriter(file) : new CXmlStreamWriter(file));
    if (!writer)
        return false;
    writer->startDocument();
    return collection->write(writer.get(), parameter);
}
