#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CSoundCueManager;
class CXmlStreamReader;
class IAudioDevice;
class IContentManager;
class SoundCue;

// The cue definitions of one sound pack file ('sndp', shared content): a
// "SoundPack" element with one "SoundCue" element per cue.
class SoundPack : public IContent {
public:
    explicit SoundPack(const CObjectName& name);

    [[nodiscard]] uint32_t getContentType() const override;

    // Reads every "SoundCue" element up to the end of the "SoundPack"
    // element (or of the document), loading the cues' sounds through
    // `manager`; `device` (may be null) serves the cues' streaming types.
    void readFromXml(CXmlStreamReader* reader, IContentManager* manager, IAudioDevice* device);
    // Adds the cues to `manager` in file order; names it already has are skipped.
    void registerCues(CSoundCueManager* manager);

    [[nodiscard]] uint32_t getCueCount() const { return m_cues.size(); }
    [[nodiscard]] SoundCue* getCue(uint32_t index) const { return m_cues[index].get(); }

protected:
    ~SoundPack() override;

private:
    CArray<CRefHandle<SoundCue>> m_cues;
};
