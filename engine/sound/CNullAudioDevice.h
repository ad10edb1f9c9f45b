#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/sound/IAudioDevice.h"

#include <cstdint>

class CSoundFormatRegistry;
class CVirtualFileSystem;

// The silent audio device: makes no sounds. It keeps the services and the
// streaming threshold that every device has, and is the base of the OpenAL
// device.
class CNullAudioDevice : public IAudioDevice {
public:
    // Takes a reference to each service; both may be null (without a
    // registry, decoding uses the engine managers' one at the time).
    CNullAudioDevice(CVirtualFileSystem* fileSystem, CSoundFormatRegistry* registry);

    void setActive(bool active) override;
    [[nodiscard]] bool isActive() const override;
    void setStreamingThreshold(uint32_t bytes) override { m_streamingThreshold = bytes; }
    [[nodiscard]] uint32_t getStreamingThreshold() const override { return m_streamingThreshold; }
    [[nodiscard]] ISoundInstance* createSound(IReadableFile* file, const CObjectName& name) override;
    [[nodiscard]] ISoundInstance* createSoundFromPath(const CStringW& path, const CObjectName& name) override;
    [[nodiscard]] CStringW describe() const override;
    bool update(CEventUpdate* event) override;

    // Services; no reference handed out.
    [[nodiscard]] CVirtualFileSystem* getFileSystem() const { return m_fileSystem.get(); }
    // The registry given at creation, else the engine managers' one (may be null).
    [[nodiscard]] CSoundFormatRegistry* getFormatRegistry() const;

protected:
    ~CNullAudioDevice() override;

private:
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    CRefHandle<CSoundFormatRegistry> m_registry;
    uint32_t m_streamingThreshold = DefaultStreamingThreshold;
};
