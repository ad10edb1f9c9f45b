#pragma once

#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class IAudioDevice;

// The processor of sounds ('isnd'): hands sound files to the audio device,
// which decodes them into sound instances. Device events keep its audio
// device current; when the device goes (event 12), the cached sounds go too.
class CSoundContentProcessor : public IContentProcessor {
public:
    // Takes a reference to `device` (may be null: nothing loads).
    explicit CSoundContentProcessor(IAudioDevice* device);

    [[nodiscard]] int32_t getPriority() const override { return 1; }
    [[nodiscard]] uint32_t getContentType() const override;
    // A new sound instance (count 1, owned by the caller), or null without
    // an audio device or when the file does not decode.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    // On event 12, releases every cached sound and empties the map.
    void notify(CEvent* event, CContentMap& cached) override;

    bool onAudioDeviceReleased(CEvent* event) override;
    bool onAudioDeviceCreated(CEvent* event) override;

    [[nodiscard]] IAudioDevice* getAudioDevice() const { return m_device.get(); }

protected:
    ~CSoundContentProcessor() override;

private:
    CRefHandle<IAudioDevice> m_device;
};
