#include "engine/sound/CSoundSample.h"

#include "engine/sound/ISoundDecoder.h"

#include <new>

CSoundSample::~CSoundSample() = default;

CSoundSample* CSoundSample::create(ISoundDecoder* decoder) {
    auto* sample = new CSoundSample();
    if (!decoder)
        return sample;
    sample->m_name = decoder->getName();
    sample->m_channels = decoder->getChannels();
    sample->m_sampleRate = decoder->getSampleRate();
    sample->m_format = decoder->getFormat();
    sample->m_frames = decoder->getTotalFrames();
    const uint64_t size = decoder->decodedSize();
    // OpenAL takes a buffer's size as a signed 32-bit count.
    if (sample->m_frames <= 0 || sample->m_format == 0 || sample->m_sampleRate <= 0 || sample->m_channels <= 0 ||
        size == 0 || size > uint64_t(INT32_MAX) || !decoder->rewind())
        return sample;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size]);
    if (!data)
        return sample;
    if (decoder->readFrames(data.get(), uint32_t(sample->m_frames)) != uint32_t(sample->m_frames))
        return sample;
    sample->m_data = std::move(data);
    sample->m_size = uint32_t(size);
    return sample;
}
