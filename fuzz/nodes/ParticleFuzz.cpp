// Reads arbitrary bytes as an emitter file or a particle collection (the
// first byte chooses) through the content manager, then lets every emitter
// it made fill a small array for a few steps.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/nodes/ParticleCollection.h"
#include "engine/nodes/ParticleEmitter.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Serves the input under every name.
class InputFileSystem : public CVirtualFileSystem {
public:
    void setInput(const uint8_t* data, size_t size) { m_bytes.assign(data, data + size); }
    IReadableFile* openForRead(const CStringW& path) override {
        return new CBufferFile(m_bytes.data(), int32_t(m_bytes.size()), path, false);
    }

private:
    std::vector<uint8_t> m_bytes;
};

struct Setup {
    Setup() {
        CLog::instance()->setThreshold(CLog::User + 1);
        if (!registerParticleContent(processors.get()))
            std::abort();
    }
    CRefHandle<InputFileSystem> fileSystem{new InputFileSystem};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> manager{new CContentManager(nullptr, fileSystem.get(), processors.get())};
};

void run(BaseEmitter* emitter) {
    ParticleArray particles(64);
    CRefHandle<BaseEmitter> copy(static_cast<BaseEmitter*>(emitter->clone()));
    copy->setParticles(&particles);
    for (uint32_t step : {30u, 200u, 0u, 100000u})
        (void)copy->update(step);
    if (particles.size() > particles.capacity())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16))
        return 0;
    static Setup setup;
    setup.fileSystem->setInput(data + 1, size - 1);
    const bool collection = data[0] & 1;
    IContent* content = setup.manager->load(collection ? ContentTypeParticleCollection : ContentTypeParticleEmitter,
                                            CStringW(u"p.xml"), false);
    CRefHandle<IContent> held(content);
    if (setup.manager->folderDepth() != 1)
        std::abort();
    if (auto* emitter = dynamic_cast<BaseEmitter*>(content))
        run(emitter);
    else if (auto* particles = dynamic_cast<ParticleCollection*>(content)) {
        for (const char* name : {"A", "B", "Smoke"})
            if (BaseEmitter* found = particles->find(name))
                run(found);
    } else if (content) {
        std::abort();
    }
    setup.manager->clear();
    return 0;
}
