#include "engine/sound/SoundPack.h"

#include "engine/content/ContentType.h"
#include "engine/core/CName.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"

SoundPack::SoundPack(const CObjectName& name) : IContent(name, FlagShared) {}

SoundPack::~SoundPack() = default;

uint32_t SoundPack::getContentType() const { return ContentTypeSoundPack; }

void SoundPack::readFromXml(CXmlStreamReader* reader, IContentManager* manager, IAudioDevice* device) {
    if (!reader)
        return;
    static const CStringW cueElement(u"SoundCue");
    static const CStringW packElement(u"SoundPack");
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::Element && reader->nodeName() == cueElement) {
            CRefHandle<SoundCue> cue(new SoundCue(CName(CString(reader->attribute("Name")))));
            cue->readFromXml(reader, manager, device);
            m_cues.push_back(cue);
        } else if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == packElement) {
            break;
        }
    }
}

void SoundPack::registerCues(CSoundCueManager* manager) {
    if (!manager)
        return;
    for (const CRefHandle<SoundCue>& cue : m_cues)
        (void)manager->addCue(cue.get());
}
