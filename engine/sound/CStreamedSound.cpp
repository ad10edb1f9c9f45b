#include "engine/sound/CStreamedSound.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CLog.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/ISoundDecoder.h"
#include "engine/sound/OpenALFormat.h"

#include <AL/al.h>

#include <mutex>
#include <new>

CStreamedSound::CStreamedSound(COpenALAudioDevice* device, ISoundDecoder* decoder, const CObjectName& name,
                               uint32_t framesPerBuffer)
    : ISoundInstance(name, FlagNeverCached), m_device(CRefHandle<COpenALAudioDevice>::share(device)),
      m_decoder(decoder), m_feed(new Feed), m_framesPerBuffer(framesPerBuffer) {
    m_feed->decoder = CRefHandle<ISoundDecoder>::share(decoder);
    m_feed->owner = this;
    if (decoder) {
        m_format = openALFormatOf(decoder->getFormat());
        m_bytesPerFrame = decoder->bytesPerFrame();
        m_sampleRate = decoder->getSampleRate();
    }
    if (!m_device->acquireBuffers(QueueLength, m_buffers))
        for (uint32_t& buffer : m_buffers)
            buffer = 0;
}

CStreamedSound::~CStreamedSound() {
    // Out of the lists first: after that no update step plans for this sound.
    if (m_listed)
        m_device->removeSound(this);
    {
        std::lock_guard<CMutex> lock(m_device->soundLock());
        stopLocked();
        // A pass still decoding finds no owner when it comes back.
        m_feed->owner = nullptr;
        if (m_feed->busy)
            m_device->retireFeed(m_feed.release());
    }
    m_device->releaseSource(m_source);
    m_device->releaseBuffers(QueueLength, m_buffers);
}

bool CStreamedSound::deviceRuns() const { return m_device->isRunning(); }

IContent* CStreamedSound::clone() const {
    IContentManager* owner = getContentName().owner();
    if (!owner)
        return nullptr;
    IContent* content = owner->load(ContentTypeSound, getContentName().str(), false);
    auto* sound = dynamic_cast<ISoundInstance*>(content);
    if (!sound) {
        if (content)
            content->release();
        return nullptr;
    }
    sound->setVolume(getVolume());
    sound->setLooping(isLooping());
    return sound;
}

int32_t CStreamedSound::getState() const {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    if (m_source == 0 || !deviceRuns())
        return StateStopped;
    if (m_paused)
        return StatePaused;
    return m_playing ? StatePlaying : StateStopped;
}

uint32_t CStreamedSound::getSource() const {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    return m_source;
}

bool CStreamedSound::play() {
    if (!m_decoder || m_format == 0) {
        CLog::instance()->log("Failed to play streamed sound", CLog::Error);
        return false;
    }
    {
        std::lock_guard<CMutex> lock(m_device->soundLock());
        if (!deviceRuns())
            return false;
        stopLocked();
        if (m_source == 0) {
            m_source = m_device->acquireSource();
            if (m_source == 0)
                return false;
        }
        alSourcef(m_source, AL_GAIN, m_volume);
        alSourcei(m_source, AL_LOOPING, AL_FALSE);
        m_playing = true;
        m_paused = false;
        m_needsPriming = true;
    }
    // Outside the sound lock: the pending lock comes first in the lock order.
    if (!m_listed) {
        m_device->addPendingSound(this);
        m_listed = true;
    }
    return true;
}

void CStreamedSound::stop() {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    stopLocked();
}

void CStreamedSound::stopLocked() {
    ++m_generation;
    m_waitsForResume = false;
    if (m_source == 0)
        return;
    m_playing = false;
    m_paused = false;
    if (!deviceRuns())
        return;
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
}

void CStreamedSound::pause(bool paused) {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    m_paused = paused;
    if (!paused)
        m_waitsForResume = false;
    if (m_source == 0 || !deviceRuns())
        return;
    if (paused)
        alSourcePause(m_source);
    else if (m_playing)
        alSourcePlay(m_source);
}

float CStreamedSound::getVolume() const {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    return m_volume;
}

void CStreamedSound::setVolume(float volume) {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    m_volume = volume;
    if (m_source != 0 && deviceRuns())
        alSourcef(m_source, AL_GAIN, volume);
}

bool CStreamedSound::isLooping() const {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    return m_looping;
}

void CStreamedSound::setLooping(bool looping) {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    m_looping = looping;
}

bool CStreamedSound::planRefill(Refill& plan) {
    if (!m_playing || m_source == 0 || m_feed->busy || m_waitsForResume || !deviceRuns())
        return false;
    plan = Refill();
    plan.feed = m_feed.get();
    plan.looping = m_looping;
    plan.generation = m_generation;
    if (m_needsPriming) {
        m_needsPriming = false;
        if (!m_feed->staging)
            m_feed->staging.reset(new (std::nothrow) uint8_t[uint64_t(m_framesPerBuffer) * m_bytesPerFrame]);
        plan.priming = true;
        plan.bufferCount = QueueLength;
        for (uint32_t i = 0; i < QueueLength; ++i)
            plan.buffers[i] = m_buffers[i];
    } else {
        ALint state = AL_STOPPED;
        ALint processed = 0;
        alGetSourcei(m_source, AL_SOURCE_STATE, &state);
        alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &processed);
        plan.stateBefore = state;
        for (ALint i = 0; i < processed && plan.bufferCount < QueueLength; ++i) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(m_source, 1, &buffer);
            plan.buffers[plan.bufferCount++] = buffer;
        }
        if (plan.bufferCount == 0) {
            finishPass(plan, false);
            return false;
        }
    }
    m_feed->busy = true;
    return true;
}

void CStreamedSound::refill(Refill& plan, CMutex& lock) {
    Feed& feed = *plan.feed;
    // While the feed is busy, its decoder and staging block are this pass's
    // alone; the sound itself is read only under the lock, and only while it
    // still owns the feed.
    uint32_t framesPerBuffer = 0;
    uint32_t bytesPerFrame = 0;
    {
        std::lock_guard<CMutex> guard(lock);
        if (CStreamedSound* sound = feed.owner) {
            framesPerBuffer = sound->m_framesPerBuffer;
            bytesPerFrame = sound->m_bytesPerFrame;
        }
    }
    const bool rewound = !plan.priming || (feed.decoder && feed.decoder->rewind());
    bool filled = false;
    for (uint32_t i = 0; i < plan.bufferCount; ++i) {
        const uint32_t buffer = plan.buffers[i];
        const uint32_t frames =
            rewound && buffer != 0 && framesPerBuffer > 0 ? readFrames(feed, framesPerBuffer, plan.looping) : 0;
        std::lock_guard<CMutex> guard(lock);
        CStreamedSound* sound = feed.owner;
        if (!sound || sound->m_generation != plan.generation || !sound->deviceRuns())
            break;
        if (frames == 0) {
            // Priming stops at the first buffer that cannot be filled.
            if (plan.priming)
                break;
            continue;
        }
        alBufferData(buffer, sound->m_format, feed.staging.get(), ALsizei(frames * bytesPerFrame), sound->m_sampleRate);
        ALuint name = buffer;
        alSourceQueueBuffers(sound->m_source, 1, &name);
        // The queue had run dry, so the source stopped: it starts again,
        // unless it was paused meanwhile. A stopped source counts its whole
        // queue as played, so a paused one is left alone until resumed.
        if (!plan.priming && !filled && plan.stateBefore == AL_STOPPED) {
            if (sound->m_paused)
                sound->m_waitsForResume = true;
            else
                alSourcePlay(sound->m_source);
        }
        filled = true;
    }
    std::lock_guard<CMutex> guard(lock);
    feed.busy = false;
    CStreamedSound* sound = feed.owner;
    if (sound && sound->m_generation == plan.generation && sound->deviceRuns())
        sound->finishPass(plan, filled);
}

void CStreamedSound::finishPass(const Refill& plan, bool filled) {
    if (plan.priming) {
        // Nothing to play: no buffers, no data, or a decoder that cannot rewind.
        if (!filled) {
            stopLocked();
            return;
        }
        // A sound paused before this stays primed until it is resumed.
        if (!m_paused)
            alSourcePlay(m_source);
        return;
    }
    ALint queued = 0;
    if (!filled) {
        alGetSourcei(m_source, AL_BUFFERS_QUEUED, &queued);
        if (queued == 0)
            m_playing = false;
    }
    ALint state = AL_STOPPED;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED && !m_playing) {
        alGetSourcei(m_source, AL_BUFFERS_QUEUED, &queued);
        if (queued == 0)
            stopLocked();
    }
}

uint32_t CStreamedSound::readFrames(Feed& feed, uint32_t framesPerBuffer, bool looping) {
    if (!feed.staging || !feed.decoder)
        return 0;
    const uint32_t frameBytes = feed.decoder->bytesPerFrame();
    uint32_t framesRead = feed.decoder->readFrames(feed.staging.get(), framesPerBuffer);
    while (framesRead < framesPerBuffer && looping) {
        // A decoder that gives nothing after a rewind would loop forever.
        if (!feed.decoder->rewind())
            break;
        const uint32_t more = feed.decoder->readFrames(feed.staging.get() + uint64_t(framesRead) * frameBytes,
                                                       framesPerBuffer - framesRead);
        if (more == 0)
            break;
        framesRead += more;
    }
    return framesRead;
}
