#include "engine/nodes/ParticleCollection.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CEmitterFactory.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/IReadableFile.h"
#include "engine/nodes/ParticleEmitter.h"

namespace {

BaseEmitter* createFromElement(CXmlStreamReader& reader, const CObjectName& contentName) {
    CEmitterFactory* factory = CEngineManagers::instance().getEmitterFactory();
    return factory ? factory->createEmitter(reader.attribute("Type"), contentName) : nullptr;
}

// Caches a named emitter under {manager, Name}; the first of a Name stays.
void cacheByName(IContentManager* manager, BaseEmitter* emitter) {
    if (manager && !emitter->getName().empty())
        (void)manager->addToCache(emitter, CObjectName(manager, CStringW(emitter->getName())));
}

bool refuseSave(IContent* content) {
    const CStringW name = content ? content->getContentName().str() : CStringW();
    CLog::instance()->log("Particle collection can't be saved: " + name, CLog::Warning);
    return false;
}

} // namespace

ParticleCollection::ParticleCollection(const CObjectName& contentName)
    : IContent(contentName, IContent::FlagNeverCached) {}

ParticleCollection::~ParticleCollection() { clear(); }

uint32_t ParticleCollection::getContentType() const { return ContentTypeParticleCollection; }

void ParticleCollection::add(BaseEmitter* emitter) {
    if (!emitter || m_emitters.contains(emitter->getName()))
        return;
    emitter->addRef();
    m_emitters[emitter->getName()] = emitter;
}

void ParticleCollection::clear() {
    for (auto& entry : m_emitters)
        entry.value->release();
    m_emitters.clear();
}

BaseEmitter* ParticleCollection::find(const CString& name) const {
    auto found = m_emitters.find(name);
    return found == m_emitters.end() ? nullptr : found->value;
}

void ParticleCollection::load(CXmlStreamReader* reader) {
    clear();
    IContentManager* manager = getContentName().owner();
    if (!manager || !reader)
        return;
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == u"ParticleCollection")
            return;
        if (type != CXmlStreamReader::Element || reader->nodeName() != u"ParticleEmitter")
            continue;
        CRefHandle<BaseEmitter> emitter(createFromElement(*reader, CObjectName(manager, CStringW())));
        if (!emitter)
            continue;
        emitter->readFromXml(reader);
        if (emitter->getName().empty())
            continue;
        cacheByName(manager, emitter.get());
        add(emitter.get());
    }
}

// ---------------------------------------------------------------------------

uint32_t CParticleEmitterProcessor::getContentType() const { return ContentTypeParticleEmitter; }

IContent* CParticleEmitterProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    if (!file)
        return nullptr;
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file));
    CRefHandle<BaseEmitter> last;
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == u"ParticleEmitter")
            break;
        if (type != CXmlStreamReader::Element || reader->nodeName() != u"ParticleEmitter")
            continue;
        CRefHandle<BaseEmitter> emitter(createFromElement(*reader, name));
        if (!emitter)
            continue;
        if (manager)
            manager->pushFolder(file->fileName());
        emitter->readFromXml(reader.get());
        if (manager)
            (void)manager->popFolder();
        cacheByName(manager, emitter.get());
        last = std::move(emitter);
        break; // the reader stands on the emitter's end element
    }
    return last.detach();
}

bool CParticleEmitterProcessor::save(IContentManager*, IContent* content, IWritableFile*, const void*) {
    return refuseSave(content);
}

uint32_t CParticleCollectionProcessor::getContentType() const { return ContentTypeParticleCollection; }

IContent* CParticleCollectionProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    if (!file)
        return nullptr;
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file));
    auto* collection = new ParticleCollection(name);
    if (manager)
        manager->pushFolder(file->fileName());
    collection->load(reader.get());
    if (manager)
        (void)manager->popFolder();
    return collection;
}

bool CParticleCollectionProcessor::save(IContentManager*, IContent* content, IWritableFile*, const void*) {
    return refuseSave(content);
}

bool registerParticleContent(CContentProcessorsManager* processors) {
    if (CEmitterFactory* factory = CEngineManagers::instance().getEmitterFactory())
        registerStandardEmitters(*factory);
    if (!processors)
        return false;
    CRefHandle<IContentProcessor> collections(new CParticleCollectionProcessor);
    CRefHandle<IContentProcessor> emitters(new CParticleEmitterProcessor);
    const bool first = processors->registerProcessor(collections.get());
    return processors->registerProcessor(emitters.get()) && first;
}
