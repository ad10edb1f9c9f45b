#include "tests/engine/sound/SoundTestSupport.h"

#include "engine/core/CStringW.h"
#include "engine/io/CBufferFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

namespace fs = std::filesystem;

#ifndef BM_SOUND_FIXTURES

// sox and oggenc run while the test runs.

namespace {

// Runs a shell command quietly; true when it exits with 0.
bool runTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

} // namespace

fs::path makeToneWav(const fs::path& folder, const std::string& name, int rate, int channels, int bits, double seconds,
                     int frequency) {
    const fs::path path = folder / name;
    const std::string encoding = bits == 8 ? "unsigned-integer" : "signed-integer";
    const std::string command = "sox -V1 -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b " +
                                std::to_string(bits) + " -e " + encoding + " '" + path.string() + "' synth " +
                                std::to_string(seconds) + " sine " + std::to_string(frequency) + " vol 0.8";
    EXPECT_TRUE(runTool(command)) << command;
    return path;
}

fs::path makePipedToneWav(const fs::path& folder, const std::string& name, int rate, int channels, double seconds,
                          int frequency) {
    const fs::path path = folder / name;
    const std::string command = "sox -V1 -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                                " -b 16 -t wav - synth " + std::to_string(seconds) + " sine " +
                                std::to_string(frequency) + " | tee '" + path.string() + "'";
    EXPECT_TRUE(runTool(command)) << command;
    return path;
}

fs::path makeOgg(const fs::path& wav, const std::string& name) {
    const fs::path path = wav.parent_path() / name;
    const std::string command = "oggenc -Q -q 6 -o '" + path.string() + "' '" + wav.string() + "'";
    EXPECT_TRUE(runTool(command)) << command;
    return path;
}

std::vector<uint8_t> soxRaw(const fs::path& file, int bits) {
    const fs::path out = file.string() + ".raw";
    const std::string encoding = bits == 8 ? "unsigned-integer" : "signed-integer";
    const std::string command = "sox -V1 '" + file.string() + "' -t raw -e " + encoding + " -b " +
                                std::to_string(bits) + " -L '" + out.string() + "'";
    EXPECT_TRUE(runTool(command)) << command;
    return readAllBytes(out);
}

#else

// The build made the fixtures with sox and oggenc (tests/engine/sound/
// CMakeLists.txt lists them) into BM_SOUND_FIXTURES: every tone as a WAV
// file, its Ogg Vorbis encoding, and the samples sox decodes from each. The
// helpers copy them under the names the tests ask for and remember which
// fixture each copy is.

namespace {

// "tone-RATE-CHANNELS-BITS-MILLISECONDSms-FREQUENCY", as the build names them.
std::string toneFixture(const char* kind, int rate, int channels, int bits, double seconds, int frequency) {
    return std::string(kind) + "-" + std::to_string(rate) + "-" + std::to_string(channels) + "-" +
           std::to_string(bits) + "-" + std::to_string(std::lround(seconds * 1000)) + "ms-" + std::to_string(frequency);
}

// The fixture file each copy came from.
std::map<fs::path, std::string>& copiedFixtures() {
    static std::map<fs::path, std::string> copies;
    return copies;
}

fs::path copyFixture(const std::string& fixture, const fs::path& path) {
    const fs::path source = fs::path(BM_SOUND_FIXTURES) / fixture;
    std::error_code error;
    if (!fs::copy_file(source, path, fs::copy_options::overwrite_existing, error))
        ADD_FAILURE() << "no fixture " << source.string() << " made by the build (" << error.message() << ")";
    copiedFixtures()[path] = fixture;
    return path;
}

} // namespace

fs::path makeToneWav(const fs::path& folder, const std::string& name, int rate, int channels, int bits, double seconds,
                     int frequency) {
    return copyFixture(toneFixture("tone", rate, channels, bits, seconds, frequency) + ".wav", folder / name);
}

fs::path makePipedToneWav(const fs::path& folder, const std::string& name, int rate, int channels, double seconds,
                          int frequency) {
    return copyFixture(toneFixture("piped", rate, channels, 16, seconds, frequency) + ".wav", folder / name);
}

fs::path makeOgg(const fs::path& wav, const std::string& name) {
    const auto found = copiedFixtures().find(wav);
    if (found == copiedFixtures().end()) {
        ADD_FAILURE() << wav.string() << " is no fixture the build encoded";
        return wav.parent_path() / name;
    }
    return copyFixture(fs::path(found->second).replace_extension(".ogg").string(), wav.parent_path() / name);
}

std::vector<uint8_t> soxRaw(const fs::path& file, int bits) {
    const auto found = copiedFixtures().find(file);
    if (found == copiedFixtures().end()) {
        ADD_FAILURE() << file.string() << " is no fixture the build decoded";
        return {};
    }
    return readAllBytes(fs::path(BM_SOUND_FIXTURES) / (found->second + "." + std::to_string(bits) + ".raw"));
}

#endif

CRefHandle<IReadableFile> memoryFile(const std::vector<uint8_t>& bytes, const std::string& name) {
    auto* copy = new uint8_t[bytes.size() + 1];
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    return CRefHandle<IReadableFile>(new CBufferFile(copy, int32_t(bytes.size()), CStringW(name.c_str()), true));
}

void appendLe16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void appendLe32(std::vector<uint8_t>& out, uint32_t value) {
    appendLe16(out, value);
    appendLe16(out, value >> 16);
}

std::vector<uint8_t> riffWave(const std::vector<RiffChunk>& chunks, bool padOdd) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const RiffChunk& chunk : chunks) {
        body.insert(body.end(), chunk.id.begin(), chunk.id.end());
        appendLe32(body, chunk.claimedSize.value_or(uint32_t(chunk.body.size())));
        body.insert(body.end(), chunk.body.begin(), chunk.body.end());
        if (padOdd && chunk.body.size() % 2 == 1)
            body.push_back(0);
    }
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    appendLe32(file, uint32_t(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<uint8_t> pcmFormat(int channels, uint32_t rate, int bits) {
    std::vector<uint8_t> out;
    const uint32_t block = uint32_t(channels * ((bits + 7) / 8));
    appendLe16(out, 1);
    appendLe16(out, uint32_t(channels));
    appendLe32(out, rate);
    appendLe32(out, rate * block);
    appendLe16(out, block);
    appendLe16(out, uint32_t(bits));
    return out;
}

std::vector<uint8_t> extensibleFormat(int channels, uint32_t rate, int bits, uint32_t mask, uint16_t subTag) {
    std::vector<uint8_t> out = pcmFormat(channels, rate, bits);
    out[0] = 0xFE;
    out[1] = 0xFF;
    appendLe16(out, 22);
    appendLe16(out, uint32_t(bits));
    appendLe32(out, mask);
    // The sub-format GUID: the tag, then the fixed tail of the audio GUIDs.
    const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    appendLe16(out, subTag);
    out.insert(out.end(), tail, tail + 14);
    return out;
}

std::vector<uint8_t> pcm16Wav(int channels, uint32_t rate, const std::vector<int16_t>& samples) {
    std::vector<uint8_t> data;
    for (int16_t sample : samples)
        appendLe16(data, uint16_t(sample));
    return riffWave({{"fmt ", pcmFormat(channels, rate, 16), {}}, {"data", data, {}}});
}

std::vector<int16_t> toSamples16(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return samples;
}

double leftRms(const std::vector<int16_t>& stereo) {
    if (stereo.size() < 2)
        return 0;
    double sum = 0;
    for (size_t i = 0; i < stereo.size(); i += 2)
        sum += double(stereo[i]) * stereo[i];
    return std::sqrt(sum / double(stereo.size() / 2));
}

int leftZeroCrossings(const std::vector<int16_t>& stereo) {
    // With hysteresis, so that noise around silence does not count.
    constexpr int16_t margin = 500;
    int crossings = 0;
    int side = 0;
    for (size_t i = 0; i < stereo.size(); i += 2) {
        const int now = stereo[i] > margin ? 1 : (stereo[i] < -margin ? -1 : 0);
        if (now != 0 && side != 0 && now != side)
            ++crossings;
        if (now != 0)
            side = now;
    }
    return crossings;
}
