#pragma once

#include "engine/content/IContent.h"
#include "engine/content/IContentProcessor.h"
#include "engine/core/CMap.h"
#include "engine/core/CString.h"

#include <cstdint>

class BaseEmitter;
class CXmlStreamReader;

// The emitters of a collection file ('prtc'), kept by Name. Loading caches
// each named emitter as 'pemt' content under its Name, which is how systems
// find them; the collection itself is never cached nor copied.
class ParticleCollection : public IContent {
public:
    explicit ParticleCollection(const CObjectName& contentName);

    [[nodiscard]] uint32_t getContentType() const override;

    // Empties the collection and reads every "ParticleEmitter" element up to
    // the end of the top element. Needs a content manager in the content
    // name; emitters without a Name or of an unknown type are dropped.
    void load(CXmlStreamReader* reader);
    // Keeps `emitter` under its Name, unless that Name is taken already.
    void add(BaseEmitter* emitter);
    void clear();

    [[nodiscard]] BaseEmitter* find(const CString& name) const;
    [[nodiscard]] uint32_t size() const { return m_emitters.size(); }

protected:
    ~ParticleCollection() override;

private:
    CMap<CString, BaseEmitter*> m_emitters;
};

// Reads emitter files ('pemt'): one "ParticleEmitter" element; a named
// emitter is cached under its Name as well.
class CParticleEmitterProcessor : public IContentProcessor {
public:
    [[nodiscard]] uint32_t getContentType() const override;
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    [[nodiscard]] bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                            const void* parameter) override;
};

// Reads collection files ('prtc') into a ParticleCollection.
class CParticleCollectionProcessor : public IContentProcessor {
public:
    [[nodiscard]] uint32_t getContentType() const override;
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    [[nodiscard]] bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                            const void* parameter) override;
};

class CContentProcessorsManager;

// Registers the 'prtc' and 'pemt' processors with `processors` (false when
// it is null or a type had a processor already) and the standard emitter
// kinds with the engine's emitter factory.
bool registerParticleContent(CContentProcessorsManager* processors);
