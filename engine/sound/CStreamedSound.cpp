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
      m_decoder(CRefHandle<ISoundDecoder>::share(decoder)), m_framesPerBuffer(framesPerBuffer) {
    m_format = decoder ? openALFormatOf(decoder->getFormat()) : 0;
    if (!m_device->acquireBuffers(QueueLength, m_buffers))
        for (uint32_t& buffer : m_buffers)
            buffer = 0;
}

CStreamedSound::~CStreamedSound() {
    // Out of the lists first: after that no update step reaches this sound.
    if (m_listed)
        m_device->removeSound(this);
    {
        std::lock_guard<CMutex> lock(m_device->soundLock());
        stopLocked();
    }
    m_device->releaseSource(m_source);
    m_device->releaseBuffers(QueueLength, m_buffers);
}

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
    if (m_source == 0)
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
        stopLocked();
        if (m_source == 0) {
            m_source = m_device->acquireSource();
            if (m_source == 0)
                return false;
        }
        alSourcef(m_source, AL_GAIN, m_volume);
        alSourcei(m_source, AL_LOOPING, AL_FALSE);
        if (!m_decoder->rewind())
            return false;
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
    if (m_source == 0)
        return;
    m_playing = false;
    m_paused = false;
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
}

void CStreamedSound::pause(bool paused) {
    std::lock_guard<CMutex> lock(m_device->soundLock());
    m_paused = paused;
    if (m_source == 0)
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
    if (m_source != 0)
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

void CStreamedSound::refill() {
    if (!m_playing || m_source == 0)
        return;
    if (m_needsPriming) {
        m_needsPriming = false;
        if (!m_staging) {
            const uint64_t bytes = uint64_t(m_framesPerBuffer) * m_decoder->bytesPerFrame();
            m_staging.reset(new (std::nothrow) uint8_t[bytes]);
        }
        for (uint32_t buffer : m_buffers)
            if (!fillBuffer(buffer))
                break;
        // A sound paused before this stays primed until it is resumed.
        if (!m_paused)
            alSourcePlay(m_source);
        return;
    }

    ALint state = AL_STOPPED;
    ALint processed = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &processed);
    bool filled = false;
    for (ALint i = 0; i < processed; ++i) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(m_source, 1, &buffer);
        if (!fillBuffer(buffer))
            continue;
        // The queue ran dry: the source stopped and must start again.
        if (!filled && state == AL_STOPPED)
            alSourcePlay(m_source);
        filled = true;
    }
    if (!filled) {
        ALint queued = 0;
        alGetSourcei(m_source, AL_BUFFERS_QUEUED, &queued);
        if (queued == 0)
            m_playing = false;
    }
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED && !m_playing) {
        ALint queued = 0;
        alGetSourcei(m_source, AL_BUFFERS_QUEUED, &queued);
        if (queued == 0)
            stopLocked();
    }
}

bool CStreamedSound::fillBuffer(uint32_t buffer) {
    if (buffer == 0 || !readFrames())
        return false;
    const uint32_t bytes = m_framesRead * m_decoder->bytesPerFrame();
    alBufferData(buffer, m_format, m_staging.get(), ALsizei(bytes), m_decoder->getSampleRate());
    ALuint name = buffer;
    alSourceQueueBuffers(m_source, 1, &name);
    return true;
}

bool CStreamedSound::readFrames() {
    m_framesRead = 0;
    if (!m_staging || !m_decoder)
        return false;
    const uint32_t frameBytes = m_decoder->bytesPerFrame();
    m_framesRead = m_decoder->readFrames(m_staging.get(), m_framesPerBuffer);
    while (m_framesRead < m_framesPerBuffer && m_looping) {
        // A decoder that gives nothing after a rewind would loop forever.
        if (!m_decoder->rewind())
            break;
        const uint32_t more = m_decoder->readFrames(m_staging.get() + uint64_t(m_framesRead) * frameBytes,
                                                    m_framesPerBuffer - m_framesRead);
        if (more == 0)
            break;
        m_framesRead += more;
    }
    return m_framesRead > 0;
}
