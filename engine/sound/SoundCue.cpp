#include "engine/sound/SoundCue.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/ISoundInstance.h"
#include "engine/sound/SoundGroup.h"

#include <cmath>

namespace {

int32_t saturatingAdd(int32_t value, uint32_t add) {
    const int64_t sum = int64_t(value) + int64_t(add);
    return sum > INT32_MAX ? INT32_MAX : int32_t(sum);
}

uint32_t nextRandom() {
    CRandom* random = CEngineManagers::instance().getRandom();
    return random ? random->next() : 0;
}

} // namespace

SoundCue::SoundCue(CName name) : m_name(name) {}

SoundCue::~SoundCue() = default;

void SoundCue::addVariant(ISoundInstance* sound) {
    if (sound)
        m_variants.push_back(CRefHandle<ISoundInstance>::share(sound));
}

void SoundCue::readFromXml(CXmlStreamReader* reader, IContentManager* manager, IAudioDevice* device) {
    if (!reader)
        return;
    m_group = reader->attributeInt("GroupID", -1);
    m_volume = reader->attributeFloat("Vol", 1.0f);
    m_loop = reader->attribute("Loop") == u"true";
    m_trackPlayStates = reader->attribute("TrackPlayStates") == u"true";

    int32_t streamingType = 0;
    uint32_t savedThreshold = 0;
    if (device) {
        savedThreshold = device->getStreamingThreshold();
        streamingType = reader->attributeInt("StreamingType", 0);
        if (streamingType == 1)
            device->setStreamingThreshold(0);
        else if (streamingType == 2)
            device->setStreamingThreshold(0xFFFFFFFFu);
    }

    // A self-closing cue has no sounds, and no end element follows it.
    if (!reader->isSelfClosing()) {
        static const CStringW soundElement(u"Sound");
        static const CStringW cueElement(u"SoundCue");
        while (reader->readNext()) {
            const int type = reader->nodeType();
            if (type == CXmlStreamReader::Element && reader->nodeName() == soundElement) {
                const CStringW fileName = reader->attribute("Filename");
                if (!manager || fileName.empty())
                    continue;
                IContent* content = manager->load(ContentTypeSound, fileName, true);
                if (auto* sound = dynamic_cast<ISoundInstance*>(content))
                    m_variants.push_back(CRefHandle<ISoundInstance>(sound));
                else if (content)
                    content->release();
            } else if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == cueElement) {
                break;
            }
        }
    }

    if (device && streamingType != 0)
        device->setStreamingThreshold(savedThreshold);
}

SoundCue* SoundCue::play(int32_t fadeInMs) {
    if (!m_manager || !m_manager->admit(m_group))
        return nullptr;
    CRefHandle<SoundCue> instance(new SoundCue(m_name));
    instance->m_manager = m_manager;
    instance->m_group = m_group;
    instance->m_volume = m_volume;
    instance->m_loop = m_loop;
    instance->m_trackPlayStates = m_trackPlayStates;
    for (const CRefHandle<ISoundInstance>& variant : m_variants) {
        IContent* copy = variant->clone();
        if (auto* sound = dynamic_cast<ISoundInstance*>(copy))
            instance->m_variants.push_back(CRefHandle<ISoundInstance>(sound));
        else if (copy)
            copy->release();
    }
    instance->updateEffectiveVolume();
    // A fade-in starts silent, so the variant never sounds loud first.
    if (!instance->startVariant(-1, fadeInMs > 0 ? 0.0f : instance->m_effectiveVolume))
        return nullptr;
    if (fadeInMs > 0) {
        instance->m_fadeLength = fadeInMs;
        instance->m_fadeState = FadeIn;
        instance->m_fadePosition = 0;
    }
    if (m_manager->getGroup(m_group).paused)
        (void)instance->pause(true);
    m_manager->addPlaying(instance.get());
    return instance.get();
}

bool SoundCue::startVariant(int32_t previous, float volume) {
    const uint32_t count = m_variants.size();
    if (count == 0)
        return false;
    uint32_t index = 0;
    if (count == 1) {
        // A single variant loops by itself.
        m_variants[0]->setLooping(m_loop);
    } else {
        // With a variant just played, the choice is among the others: a draw
        // that hits it takes the last one instead.
        const bool hasPrevious = previous >= 0 && uint32_t(previous) < count;
        index = nextRandom() % (hasPrevious ? count - 1 : count);
        if (hasPrevious && index == uint32_t(previous))
            index = count - 1;
    }
    ISoundInstance* variant = m_variants[index].get();
    variant->setVolume(volume);
    if (!variant->play())
        return false;
    m_current = int32_t(index);
    return true;
}

int32_t SoundCue::stop(int32_t fadeOutMs) {
    if (m_current < 0)
        return -1;
    ISoundInstance* variant = m_variants[uint32_t(m_current)].get();
    if (fadeOutMs > 0 && m_playedMs >= MinPlayedForFadeMs && variant->getState() != ISoundInstance::StatePaused) {
        if (m_fadeState == FadeNone) {
            m_fadeLength = fadeOutMs;
            m_fadePosition = fadeOutMs;
        } else if (m_fadeState == FadeIn) {
            // The fade-out starts from the loudness the fade-in reached.
            const double fraction = m_fadeLength > 0 ? double(m_fadePosition) / m_fadeLength : 1.0;
            m_fadeLength = fadeOutMs;
            m_fadePosition = int32_t(std::floor(fadeOutMs * fraction));
        }
        m_fadeState = FadeOut;
        return 0;
    }
    m_fadeState = FadeNone;
    variant->stop();
    m_current = -1;
    return 0;
}

int32_t SoundCue::pause(bool paused) {
    if (m_current < 0)
        return -1;
    m_variants[uint32_t(m_current)]->pause(paused);
    return 0;
}

int32_t SoundCue::getState() const {
    if (m_current < 0)
        return ISoundInstance::StateStopped;
    if (m_variants[uint32_t(m_current)]->getState() == ISoundInstance::StatePaused)
        return ISoundInstance::StatePaused;
    return ISoundInstance::StatePlaying;
}

void SoundCue::update(uint32_t elapsedMs) {
    if (m_current < 0)
        return;
    m_playedMs = saturatingAdd(m_playedMs, elapsedMs);
    ISoundInstance* variant = m_variants[uint32_t(m_current)].get();
    switch (m_fadeState) {
    case FadeNone:
        if (variant->getState() == ISoundInstance::StateStopped) {
            const int32_t ended = m_current;
            m_current = -1;
            if (m_loop)
                (void)startVariant(ended, m_effectiveVolume);
        }
        break;
    case FadeIn:
        m_fadePosition = saturatingAdd(m_fadePosition, elapsedMs);
        if (m_fadePosition < m_fadeLength) {
            variant->setVolume(fadedVolume());
        } else {
            m_fadeState = FadeNone;
            variant->setVolume(m_effectiveVolume);
        }
        break;
    case FadeOut: {
        const int64_t position = int64_t(m_fadePosition) - int64_t(elapsedMs);
        m_fadePosition = position < 0 ? 0 : int32_t(position);
        if (m_fadePosition > 0) {
            variant->setVolume(fadedVolume());
        } else {
            variant->stop();
            m_current = -1;
            m_fadeState = FadeNone;
        }
        break;
    }
    default:
        break;
    }
}

float SoundCue::fadedVolume() const {
    if (m_fadeLength <= 0)
        return m_effectiveVolume;
    return m_effectiveVolume * float(m_fadePosition) / float(m_fadeLength);
}

void SoundCue::updateEffectiveVolume() {
    m_effectiveVolume = m_volume * (m_manager ? m_manager->volumeFactor(m_group) : 1.0f);
    for (uint32_t i = 0; i < m_variants.size(); ++i) {
        // A fading variant keeps its place in the fade.
        const bool fading = int32_t(i) == m_current && m_fadeState != FadeNone;
        m_variants[i]->setVolume(fading ? fadedVolume() : m_effectiveVolume);
    }
}
