#pragma once

#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CVirtualFileSystem;
class IAudioDevice;

// The processor of sound packs ('sndp'): reads a pack file into a SoundPack
// whose cues load their sounds through the content manager. It keeps the
// audio device (through device events, like the sound processor) for the
// cues' streaming types.
class CSoundPackProcessor : public IContentProcessor {
public:
    // Takes a reference to each service; both may be null.
    CSoundPackProcessor(CVirtualFileSystem* fileSystem, IAudioDevice* device);

    [[nodiscard]] uint32_t getContentType() const override;
    // A new pack (count 1, owned by the caller) holding the cues the file
    // defines, possibly none; null when no XML reader can be made.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    // Packs are never written: this answers true and writes nothing, and
    // canSave answers false so that the content manager leaves the file
    // alone.
    [[nodiscard]] bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                            const void* parameter) override;
    [[nodiscard]] bool canSave() const override { return false; }

    bool onAudioDeviceReleased(CEvent* event) override;
    bool onAudioDeviceCreated(CEvent* event) override;

    [[nodiscard]] IAudioDevice* getAudioDevice() const { return m_device.get(); }

protected:
    ~CSoundPackProcessor() override;

private:
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    CRefHandle<IAudioDevice> m_device;
};
