#include "engine/sound/COpenALAudioDevice.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/core/CThread.h"
#include "engine/io/IReadableFile.h"
#include "engine/sound/CBufferedSound.h"
#include "engine/sound/COpenALBuffer.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/CSoundSample.h"
#include "engine/sound/CStreamedSound.h"
#include "engine/sound/ISoundDecoder.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cstring>
#include <mutex>

static_assert(sizeof(ALuint) == sizeof(uint32_t));

namespace {

ALCdevice* alcDevice(void* handle) { return static_cast<ALCdevice*>(handle); }
ALCcontext* alcContext(void* handle) { return static_cast<ALCcontext*>(handle); }

// Removes the first entry equal to `sound` by moving the last entry into its place.
void removeFirst(CArray<CStreamedSound*>& list, CStreamedSound* sound) {
    const int64_t index = list.indexOf(sound);
    if (index >= 0)
        list.eraseSwapLast(uint32_t(index));
}

// Empties `list` keeping its memory.
void emptyKeepingMemory(CArray<CStreamedSound*>& list) {
    while (!list.empty())
        list.pop_back();
}

} // namespace

COpenALAudioDevice::COpenALAudioDevice(bool useUpdateThread, CVirtualFileSystem* fileSystem,
                                       CSoundFormatRegistry* registry)
    : CNullAudioDevice(fileSystem, registry), m_useUpdateThread(useUpdateThread) {}

COpenALAudioDevice::~COpenALAudioDevice() { shutDown(); }

void COpenALAudioDevice::shutDown() {
    // From here on sounds make no OpenAL calls: their sources and buffers go
    // with the context, and a new device may number its own alike.
    m_running = false;
    if (m_thread)
        m_thread->join();
    m_thread.reset();
    collectRetiredFeeds();
    if (m_alcContext) {
        ALCcontext* previous = alcGetCurrentContext();
        alcMakeContextCurrent(alcContext(m_alcContext));
        for (uint32_t source : m_sources)
            alDeleteSources(1, &source);
        for (uint32_t buffer : m_buffers)
            alDeleteBuffers(1, &buffer);
        alcMakeContextCurrent(previous == alcContext(m_alcContext) ? nullptr : previous);
        alcDestroyContext(alcContext(m_alcContext));
        m_alcContext = nullptr;
        m_contextActive = false;
    }
    if (m_alcDevice) {
        alcCloseDevice(alcDevice(m_alcDevice));
        m_alcDevice = nullptr;
    }
    m_renderSamples = nullptr;
    m_bufferDataStatic = nullptr;
    // The names are void now; sounds that give theirs back later add to
    // pools nobody takes from.
    std::lock_guard<CMutex> sources(m_sourceLock);
    std::lock_guard<CMutex> buffers(m_bufferLock);
    while (!m_sources.empty())
        m_sources.pop_back();
    while (!m_buffers.empty())
        m_buffers.pop_back();
}

COpenALAudioDevice* COpenALAudioDevice::create(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                               CSoundFormatRegistry* registry) {
    CRefHandle<COpenALAudioDevice> device(new COpenALAudioDevice(params.audioThread, fileSystem, registry));
    if (!device->openDevice() || !device->initialise())
        return nullptr;
    return device.detach();
}

COpenALAudioDevice* COpenALAudioDevice::createLoopback(uint32_t frequency, bool useUpdateThread,
                                                       CVirtualFileSystem* fileSystem, CSoundFormatRegistry* registry) {
    CRefHandle<COpenALAudioDevice> device(new COpenALAudioDevice(useUpdateThread, fileSystem, registry));
    if (!device->openLoopbackDevice(frequency) || !device->initialise())
        return nullptr;
    return device.detach();
}

bool COpenALAudioDevice::openDevice() {
    ALCdevice* device = alcOpenDevice("Generic Software");
    if (!device) {
        // OpenAL Soft has no device of that name: its default is the usual one.
        CLog::instance()->log("No OpenAL \"Generic Software\" audio device; opening the default one", CLog::Info);
        device = alcOpenDevice(nullptr);
        if (!device) {
            CLog::instance()->log("Failed to open the OpenAL best audio device", CLog::Error);
            return false;
        }
    }
    m_alcDevice = device;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context) {
        alcCloseDevice(device);
        m_alcDevice = nullptr;
        CLog::instance()->log("Failed to create the OpenAL audio context", CLog::Error);
        return false;
    }
    m_alcContext = context;
    return true;
}

bool COpenALAudioDevice::openLoopbackDevice(uint32_t frequency) {
    auto openLoopback =
        reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto formatSupported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
        alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") || !openLoopback || !formatSupported || !render) {
        CLog::instance()->log("Failed to open an OpenAL loopback device: the extension is missing", CLog::Error);
        return false;
    }
    ALCdevice* device = openLoopback(nullptr);
    if (!device) {
        CLog::instance()->log("Failed to open an OpenAL loopback device", CLog::Error);
        return false;
    }
    m_alcDevice = device;
    if (frequency == 0 || frequency > uint32_t(INT32_MAX) ||
        !formatSupported(device, ALCsizei(frequency), ALC_STEREO_SOFT, ALC_SHORT_SOFT)) {
        CLog::instance()->log("Failed to open an OpenAL loopback device: unsupported render format", CLog::Error);
        return false;
    }
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 ALCint(frequency),
                                 0};
    ALCcontext* context = alcCreateContext(device, attributes);
    if (!context) {
        CLog::instance()->log("Failed to create the OpenAL audio context", CLog::Error);
        return false;
    }
    m_alcContext = context;
    m_renderSamples = reinterpret_cast<RenderSamples>(render);
    return true;
}

bool COpenALAudioDevice::initialise() {
    m_running = true;
    if (alcMakeContextCurrent(alcContext(m_alcContext)))
        m_contextActive = true;
    m_bufferDataStatic = reinterpret_cast<BufferDataStatic>(alGetProcAddress("alBufferDataStatic"));

    m_sources.reserve(MaxSources);
    fillPool(m_sources, MaxSources, true);
    fillPool(m_buffers, MaxBuffers, false);

    if (m_useUpdateThread) {
        m_thread.reset(new CThread(&COpenALAudioDevice::threadMain, this));
        (void)m_thread->setPriority(CThread::kPriorityLowest);
        if (!m_thread->start()) {
            m_running = false;
            m_thread.reset();
            CLog::instance()->log("Failed to create the OpenAL update thread", CLog::Error);
            return false;
        }
    }
    return true;
}

void COpenALAudioDevice::fillPool(CArray<uint32_t>& pool, uint32_t most, bool sources) {
    // One at a time, up to the first request that yields nothing: OpenAL may
    // have fewer than asked for.
    (void)alGetError();
    while (pool.size() < most) {
        ALuint name = 0;
        if (sources)
            alGenSources(1, &name);
        else
            alGenBuffers(1, &name);
        if (alGetError() != AL_NO_ERROR || name == 0)
            break;
        pool.push_back(name);
    }
}

int COpenALAudioDevice::threadMain(void* self) {
    auto* device = static_cast<COpenALAudioDevice*>(self);
    while (device->m_running) {
        device->updateStep();
        sleepMilliseconds(UpdateIntervalMs);
    }
    return 0;
}

void COpenALAudioDevice::updateStep() {
    {
        std::lock_guard<CMutex> pending(m_pendingLock);
        std::lock_guard<CMutex> active(m_activeLock);
        for (CStreamedSound* sound : m_pending)
            m_active.push_back(sound);
        emptyKeepingMemory(m_pending);
    }
    {
        std::lock_guard<CMutex> active(m_activeLock);
        emptyKeepingMemory(m_activeCopy);
        if (!m_active.empty())
            (void)m_activeCopy.append(&m_active[0], m_active.size());
    }
    // The lock is taken per sound and not held while decoding, so that the
    // main thread never waits for a decoder and sounds may leave the list
    // (and be destroyed) meanwhile.
    for (CStreamedSound* sound : m_activeCopy) {
        CStreamedSound::Refill plan;
        {
            std::lock_guard<CMutex> active(m_activeLock);
            if (m_active.indexOf(sound) < 0 || !sound->isPlayingFlagSet() || !sound->planRefill(plan))
                continue;
        }
        CStreamedSound::refill(plan, m_activeLock);
    }
}

void COpenALAudioDevice::retireFeed(CStreamedSound::Feed* feed) {
    std::lock_guard<CMutex> active(m_activeLock);
    m_retiredFeeds.push_back(feed);
}

void COpenALAudioDevice::collectRetiredFeeds() {
    CArray<CStreamedSound::Feed*> done;
    {
        std::lock_guard<CMutex> active(m_activeLock);
        for (uint32_t i = 0; i < m_retiredFeeds.size();) {
            if (m_retiredFeeds[i]->busy) {
                ++i;
                continue;
            }
            done.push_back(m_retiredFeeds[i]);
            m_retiredFeeds.eraseSwapLast(i);
        }
    }
    // Decoders and their files are let go on the main thread, outside the lock.
    for (CStreamedSound::Feed* feed : done)
        delete feed;
}

bool COpenALAudioDevice::update(CEventUpdate*) {
    if (!m_useUpdateThread && m_running)
        updateStep();
    collectRetiredFeeds();
    return false;
}

void COpenALAudioDevice::setActive(bool active) {
    if (!m_alcContext)
        return;
    if (active) {
        if (alcMakeContextCurrent(alcContext(m_alcContext))) {
            alcProcessContext(alcContext(m_alcContext));
            m_contextActive = true;
        }
    } else {
        alcMakeContextCurrent(nullptr);
        alcSuspendContext(alcContext(m_alcContext));
        m_contextActive = false;
    }
}

ISoundInstance* COpenALAudioDevice::createSound(IReadableFile* file, const CObjectName& name) {
    if (!m_running || !file)
        return nullptr;
    CSoundFormatRegistry* registry = getFormatRegistry();
    if (!registry)
        return nullptr;
    CRefHandle<ISoundDecoder> decoder(registry->loadSound(file));
    if (!decoder || decoder->getTotalFrames() <= 0)
        return nullptr;
    if (decoder->decodedSize() > uint64_t(getStreamingThreshold()))
        return new CStreamedSound(this, decoder.get(), name, StreamBufferFrames);
    CRefHandle<CSoundSample> sample(CSoundSample::create(decoder.get()));
    if (!sample->hasData())
        return nullptr;
    CRefHandle<COpenALBuffer> buffer(new COpenALBuffer(this, sample.get()));
    return new CBufferedSound(this, buffer.get(), name);
}

CStringW COpenALAudioDevice::describe() const {
    CStringW text(u"OpenAL\r Device: ");
    if (m_alcDevice)
        text += alcGetString(alcDevice(m_alcDevice), ALC_DEVICE_SPECIFIER);
    text += u"\r";
    if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATION_EXT")) {
        text += u" Available devices: ";
        const ALCchar* list = alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
        if (!list || !*list) {
            text += u"none";
        } else {
            for (const ALCchar* name = list; *name; name += std::strlen(name) + 1) {
                text += name;
                text += u" ";
            }
        }
        text += u"\r";
    }
    return text;
}

bool COpenALAudioDevice::renderSamples(int16_t* out, uint32_t frames) {
    if (!m_renderSamples || !out || frames > uint32_t(INT32_MAX))
        return false;
    m_renderSamples(m_alcDevice, out, int32_t(frames));
    return true;
}

uint32_t COpenALAudioDevice::acquireSource() {
    std::lock_guard<CMutex> lock(m_sourceLock);
    if (m_sources.empty())
        return 0;
    const uint32_t source = m_sources.back();
    m_sources.pop_back();
    return source;
}

void COpenALAudioDevice::releaseSource(uint32_t source) {
    if (source == 0)
        return;
    std::lock_guard<CMutex> lock(m_sourceLock);
    m_sources.push_back(source);
}

bool COpenALAudioDevice::acquireBuffers(uint32_t count, uint32_t* names) {
    std::lock_guard<CMutex> lock(m_bufferLock);
    if (m_buffers.size() < count)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        names[i] = m_buffers.back();
        m_buffers.pop_back();
    }
    return true;
}

void COpenALAudioDevice::releaseBuffers(uint32_t count, const uint32_t* names) {
    std::lock_guard<CMutex> lock(m_bufferLock);
    for (uint32_t i = 0; i < count; ++i)
        if (names[i] != 0)
            m_buffers.push_back(names[i]);
}

void COpenALAudioDevice::addPendingSound(CStreamedSound* sound) {
    std::lock_guard<CMutex> lock(m_pendingLock);
    m_pending.push_back(sound);
}

void COpenALAudioDevice::removeSound(CStreamedSound* sound) {
    {
        std::lock_guard<CMutex> lock(m_pendingLock);
        removeFirst(m_pending, sound);
    }
    std::lock_guard<CMutex> lock(m_activeLock);
    removeFirst(m_active, sound);
}

uint32_t COpenALAudioDevice::freeSourceCount() {
    std::lock_guard<CMutex> lock(m_sourceLock);
    return m_sources.size();
}

uint32_t COpenALAudioDevice::freeBufferCount() {
    std::lock_guard<CMutex> lock(m_bufferLock);
    return m_buffers.size();
}

uint32_t COpenALAudioDevice::activeSoundCount() {
    std::lock_guard<CMutex> lock(m_activeLock);
    return m_active.size();
}

uint32_t COpenALAudioDevice::pendingSoundCount() {
    std::lock_guard<CMutex> lock(m_pendingLock);
    return m_pending.size();
}
