#include "engine/sound/CBufferedSound.h"

#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/COpenALBuffer.h"

#include <AL/al.h>

CBufferedSound::CBufferedSound(COpenALAudioDevice* device, COpenALBuffer* buffer, const CObjectName& name)
    : ISoundInstance(name, 0), m_device(CRefHandle<COpenALAudioDevice>::share(device)),
      m_buffer(CRefHandle<COpenALBuffer>::share(buffer)) {}

CBufferedSound::~CBufferedSound() { stop(); }

IContent* CBufferedSound::clone() const {
    auto* copy = new CBufferedSound(m_device.get(), m_buffer.get(), getContentName());
    copy->m_volume = m_volume;
    copy->m_looping = m_looping;
    copy->setPosition(m_position[0], m_position[1], m_position[2]);
    return copy;
}

int32_t CBufferedSound::getState() const {
    if (m_source == 0 || !m_device->isRunning())
        return StateStopped;
    ALint state = AL_STOPPED;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING)
        return StatePlaying;
    if (state == AL_PAUSED)
        return StatePaused;
    return StateStopped;
}

bool CBufferedSound::play() {
    // A sound of a device the engine has let go is a dead object.
    if (!m_device->isRunning())
        return false;
    if (m_source == 0) {
        m_source = m_device->acquireSource();
        if (m_source == 0)
            return false;
        alSourcei(m_source, AL_BUFFER, ALint(m_buffer ? m_buffer->getName() : 0));
        alSourcef(m_source, AL_GAIN, m_volume);
        alSourcei(m_source, AL_LOOPING, m_looping ? AL_TRUE : AL_FALSE);
        alSource3f(m_source, AL_POSITION, m_position[0], m_position[1], m_position[2]);
    }
    alSourcePlay(m_source);
    return true;
}

void CBufferedSound::stop() {
    if (m_source == 0)
        return;
    if (m_device->isRunning()) {
        alSourceStop(m_source);
        alSourcei(m_source, AL_BUFFER, 0);
    }
    m_device->releaseSource(m_source);
    m_source = 0;
}

void CBufferedSound::pause(bool paused) {
    if (m_source == 0 || !m_device->isRunning())
        return;
    if (paused) {
        alSourcePause(m_source);
        return;
    }
    // Only a paused source resumes: one that has ended must not start over.
    ALint state = AL_STOPPED;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state == AL_PAUSED)
        alSourcePlay(m_source);
}

void CBufferedSound::setVolume(float volume) {
    m_volume = volume;
    if (m_source != 0 && m_device->isRunning())
        alSourcef(m_source, AL_GAIN, volume);
}

void CBufferedSound::setLooping(bool looping) {
    m_looping = looping;
    if (m_source != 0 && m_device->isRunning())
        alSourcei(m_source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
}

void CBufferedSound::setPosition(float x, float y, float z) {
    m_position[0] = x;
    m_position[1] = y;
    m_position[2] = z;
}
