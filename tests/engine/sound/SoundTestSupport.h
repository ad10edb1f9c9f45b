#pragma once

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/IReadableFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class COpenALAudioDevice;

// Helpers shared by the sound tests: fixtures made by sox and oggenc, RIFF
// files put together chunk by chunk, memory files, and measurements of
// rendered sound.

// A device event (10 to 13) as the device layer posts it, carrying `service`
// (not referenced) for the "created" ones.
class DeviceEvent : public CEvent, public IDeviceServiceEvent {
public:
    DeviceEvent(int32_t type, CRefCounted* service) : CEvent(MaskDevice), m_type(type), m_service(service) {}
    [[nodiscard]] int32_t getType() const override { return m_type; }
    [[nodiscard]] CRefCounted* getService() const override { return m_service; }

private:
    int32_t m_type;
    CRefCounted* m_service;
};

// Fixtures made by sox and oggenc. The Linux tests run them; the Windows
// tests, which run under wine without them, copy what the build made with
// them beforehand: only the tones tests/engine/sound/CMakeLists.txt lists,
// and only of files these helpers gave.

// A sine tone made by sox: `bits` 8 (unsigned) or 16 (signed).
[[nodiscard]] std::filesystem::path makeToneWav(const std::filesystem::path& folder, const std::string& name, int rate,
                                                int channels, int bits, double seconds, int frequency);
// A 16-bit sine tone sox wrote into a pipe: its header cannot give the
// data's size.
[[nodiscard]] std::filesystem::path makePipedToneWav(const std::filesystem::path& folder, const std::string& name,
                                                     int rate, int channels, double seconds, int frequency);
// `wav` encoded by oggenc into `name` beside it.
[[nodiscard]] std::filesystem::path makeOgg(const std::filesystem::path& wav, const std::string& name);
// The samples sox decodes from `file`, as raw bytes: 16-bit signed
// little-endian, or 8-bit unsigned when `bits` is 8.
[[nodiscard]] std::vector<uint8_t> soxRaw(const std::filesystem::path& file, int bits);

// A read-only memory file holding a copy of `bytes`.
[[nodiscard]] CRefHandle<IReadableFile> memoryFile(const std::vector<uint8_t>& bytes, const std::string& name);

// One RIFF chunk: its identifier, body, and the size its header claims
// (the body's size unless given).
struct RiffChunk {
    std::string id;
    std::vector<uint8_t> body;
    std::optional<uint32_t> claimedSize;
};
// "RIFF", a size, "WAVE" and the chunks, each odd-sized body followed by a
// pad byte unless `padOdd` is false.
[[nodiscard]] std::vector<uint8_t> riffWave(const std::vector<RiffChunk>& chunks, bool padOdd = true);
// The 16-byte PCM format chunk body.
[[nodiscard]] std::vector<uint8_t> pcmFormat(int channels, uint32_t rate, int bits);
// The 40-byte extensible format chunk body with `mask` and the sub-format's tag.
[[nodiscard]] std::vector<uint8_t> extensibleFormat(int channels, uint32_t rate, int bits, uint32_t mask,
                                                    uint16_t subTag = 1);
// A plain PCM WAV file over `samples` (16-bit, interleaved).
[[nodiscard]] std::vector<uint8_t> pcm16Wav(int channels, uint32_t rate, const std::vector<int16_t>& samples);

void appendLe16(std::vector<uint8_t>& out, uint32_t value);
void appendLe32(std::vector<uint8_t>& out, uint32_t value);
[[nodiscard]] std::vector<int16_t> toSamples16(const std::vector<uint8_t>& bytes);

// Playing through OpenAL (OpenALTestSupport.cpp; the Windows build has no
// OpenAL) and measuring what it mixed.

// A loopback device mixing stereo 16-bit at 44100 Hz, without update thread
// unless asked; the test fails when none can be made.
[[nodiscard]] CRefHandle<COpenALAudioDevice> makeLoopbackDevice(bool useUpdateThread = false);
// The next `frames` stereo frames the device mixes.
[[nodiscard]] std::vector<int16_t> render(COpenALAudioDevice* device, uint32_t frames);
// Root mean square of the left channel of stereo samples.
[[nodiscard]] double leftRms(const std::vector<int16_t>& stereo);
// Mixes and drops 2048 frames: OpenAL applies a change of a source (play,
// stop, pause, gain) from the next mixing step on, so a measurement of the
// change starts after this.
void settle(COpenALAudioDevice* device);
// Sign changes of the left channel of stereo samples (ignoring noise close
// to silence).
[[nodiscard]] int leftZeroCrossings(const std::vector<int16_t>& stereo);
