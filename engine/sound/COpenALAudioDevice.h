#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMutex.h"
#include "engine/core/CRefHandle.h"
#include "engine/sound/CNullAudioDevice.h"
#include "engine/sound/CStreamedSound.h"

#include <atomic>
#include <cstdint>

class CThread;
struct CEngineCreationParams;

// The OpenAL audio device: owns the OpenAL device and context, pools of
// sources and buffers that sounds take and give back, and the lists of
// streamed sounds whose buffer queues it refills: every 30 ms on an update
// thread of the lowest priority, or on every update event when the settings
// ask for no thread.
//
// Threads: sounds are made, played, stopped and destroyed on the main
// thread; the update step may run on the update thread. Each pool and each
// list has its own lock. The active-list lock also guards the playback
// state of streamed sounds; the update step decodes without it, so the main
// thread never waits for a decoder. Lock order: pending, then active, then a
// pool lock; nobody takes the pending lock while holding the active one.
//
// Sounds hold a reference to their device, so the device outlives them.
// Once the engine lets the device go (shutDown), its sounds are dead
// objects: they make no OpenAL call, and a device made after it may number
// its sources alike.
class COpenALAudioDevice : public CNullAudioDevice {
public:
    static constexpr uint32_t MaxSources = 64;
    static constexpr uint32_t MaxBuffers = 512;
    static constexpr uint32_t UpdateIntervalMs = 30;
    // Frames per queued buffer of a streamed sound.
    static constexpr uint32_t StreamBufferFrames = 22050;

    // alBufferDataStatic: OpenAL plays the data in place instead of copying it.
    using BufferDataStatic = void (*)(int32_t buffer, int32_t format, void* data, int32_t size, int32_t frequency);

    // Opens the "Generic Software" device, else the default one, and runs
    // the update thread when `params.audioThread` is set. Null after
    // logging the step that failed.
    [[nodiscard]] static COpenALAudioDevice* create(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                                    CSoundFormatRegistry* registry);
    // A device that mixes on demand (renderSamples) into stereo 16-bit at
    // `frequency` instead of playing to a sound card. Null after a log line
    // when the OpenAL library has no loopback devices.
    [[nodiscard]] static COpenALAudioDevice* createLoopback(uint32_t frequency, bool useUpdateThread,
                                                            CVirtualFileSystem* fileSystem,
                                                            CSoundFormatRegistry* registry);

    void setActive(bool active) override;
    [[nodiscard]] bool isActive() const override { return m_contextActive; }
    // Null while the device is not running, or when the file does not
    // decode. Sounds larger than the streaming threshold stream.
    [[nodiscard]] ISoundInstance* createSound(IReadableFile* file, const CObjectName& name) override;
    // "OpenAL", the device's name and, when OpenAL can list them, the
    // devices available, each on its own line ending in a carriage return.
    [[nodiscard]] CStringW describe() const override;
    // Runs the update step here when the device has no update thread, and
    // lets go of the decoders of sounds destroyed while they were decoded.
    bool update(CEventUpdate* event) override;
    // Stops the thread, destroys the context with its sources and buffers
    // and closes the device. The sounds it made turn into dead objects; it
    // makes no new ones. Also done on destruction.
    void shutDown() override;
    // False once shut down (or when it never started).
    [[nodiscard]] bool isRunning() const { return m_running; }

    // Mixes the next `frames` stereo frames into `out` (2 × frames samples);
    // false for a device that is not a loopback device.
    [[nodiscard]] bool renderSamples(int16_t* out, uint32_t frames);

    // Used by the sounds. A free source, or 0 when the pool is empty.
    [[nodiscard]] uint32_t acquireSource();
    // Puts a non-zero source back in the pool.
    void releaseSource(uint32_t source);
    // Takes `count` free buffers into `names` when that many are free
    // (true); otherwise takes none and answers false.
    [[nodiscard]] bool acquireBuffers(uint32_t count, uint32_t* names);
    // Puts the non-zero names back in the pool.
    void releaseBuffers(uint32_t count, const uint32_t* names);
    // A streamed sound started; the next update step services it.
    void addPendingSound(CStreamedSound* sound);
    // Forgets `sound`; once this returns, no update step plans for it.
    void removeSound(CStreamedSound* sound);
    // Takes over the feed of a sound destroyed while the update step decodes
    // for it; it is freed on the main thread once the step is done.
    void retireFeed(CStreamedSound::Feed* feed);
    // The lock under which streamed sounds change their playback state.
    [[nodiscard]] CMutex& soundLock() { return m_activeLock; }
    // The static-buffer entry, or null when OpenAL has none.
    [[nodiscard]] BufferDataStatic getBufferDataStatic() const { return m_bufferDataStatic; }

    [[nodiscard]] bool usesUpdateThread() const { return m_useUpdateThread; }
    [[nodiscard]] bool isLoopback() const { return m_renderSamples != nullptr; }
    [[nodiscard]] uint32_t freeSourceCount();
    [[nodiscard]] uint32_t freeBufferCount();
    // Streamed sounds the update step services, and those waiting to join them.
    [[nodiscard]] uint32_t activeSoundCount();
    [[nodiscard]] uint32_t pendingSoundCount();

protected:
    ~COpenALAudioDevice() override;

private:
    using RenderSamples = void (*)(void* device, void* buffer, int32_t frames);

    COpenALAudioDevice(bool useUpdateThread, CVirtualFileSystem* fileSystem, CSoundFormatRegistry* registry);

    [[nodiscard]] bool openDevice();
    [[nodiscard]] bool openLoopbackDevice(uint32_t frequency);
    [[nodiscard]] bool initialise();
    void fillPool(CArray<uint32_t>& pool, uint32_t most, bool sources);
    static int threadMain(void* self);
    // Hands the pending sounds to the active list and refills every active
    // sound that is playing.
    void updateStep();
    // Frees the retired feeds the update step is done with (main thread).
    void collectRetiredFeeds();

    std::atomic<bool> m_running{false};
    bool m_contextActive = false;
    bool m_useUpdateThread;
    void* m_alcDevice = nullptr;
    void* m_alcContext = nullptr;
    RenderSamples m_renderSamples = nullptr;
    BufferDataStatic m_bufferDataStatic = nullptr;
    CRefHandle<CThread> m_thread;
    // Created in this order; see the class comment for the order of taking.
    CMutex m_sourceLock;
    CMutex m_bufferLock;
    CMutex m_pendingLock;
    CMutex m_activeLock;
    CArray<uint32_t> m_sources;
    CArray<uint32_t> m_buffers;
    CArray<CStreamedSound*> m_pending;
    CArray<CStreamedSound*> m_active;
    // The update step's copy of the active list, kept to reuse its memory.
    CArray<CStreamedSound*> m_activeCopy;
    // Under the active lock.
    CArray<CStreamedSound::Feed*> m_retiredFeeds;
};
