#include "engine/sound/COpenALBuffer.h"

#include "engine/core/CLog.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/CSoundSample.h"
#include "engine/sound/OpenALFormat.h"

#include <AL/al.h>

COpenALBuffer::COpenALBuffer(COpenALAudioDevice* device, CSoundSample* sample)
    : m_device(CRefHandle<COpenALAudioDevice>::share(device)) {
    const int32_t format = sample ? openALFormatOf(sample->getFormat()) : 0;
    if (format == 0) {
        CLog::instance()->log("Unsupported OpenAL buffer format", CLog::Error);
        return;
    }
    if (!device->acquireBuffers(1, &m_name))
        m_name = 0;
    if (m_name == 0 || !sample->hasData())
        return;
    if (COpenALAudioDevice::BufferDataStatic bufferDataStatic = device->getBufferDataStatic()) {
        bufferDataStatic(int32_t(m_name), format, sample->getData(), int32_t(sample->getSize()),
                         sample->getSampleRate());
        m_sample = CRefHandle<CSoundSample>::share(sample);
    } else {
        alBufferData(m_name, format, sample->getData(), ALsizei(sample->getSize()), sample->getSampleRate());
    }
}

COpenALBuffer::~COpenALBuffer() {
    if (m_name != 0 && m_device->isRunning()) {
        // Drop the data so the pooled name holds nothing.
        alBufferData(m_name, AL_FORMAT_MONO8, nullptr, 0, 8000);
        m_device->releaseBuffers(1, &m_name);
    }
    m_sample.reset();
}
