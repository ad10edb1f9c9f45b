// Main-thread sound calls while music streams start, against the same calls
// on a quiet device, side by side.
//
// Four Ogg Vorbis streams play on an OpenAL loopback device whose update
// thread feeds them. In each iteration the main thread (re)starts the four
// streams, which makes the update thread decode a whole queue for each, and
// then keeps asking the streams their state and setting their volume for
// 40 ms, about the time the update thread takes to come round and prime
// them. The figure (manual time) is the mean time of one such call: a call
// that waits for decoding costs milliseconds and fewer calls fit into the
// 40 ms. The median_slowest_us counter is the slowest single call of the
// median iteration (a loaded machine adds its time slices to it):
//   BM_MainThreadCall/streamsStarting   ...   median_slowest_us=...
//   BM_MainThreadCall/quiet             ...   median_slowest_us=...
// Read the pair as a ratio (starting Time / quiet Time, close to 1 when no
// call waits) and the times as absolute ones, far below a millisecond.
// Run in a release build, for instance:
//   build/release/bench/bench_sound

#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CBufferFile.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/ISoundInstance.h"

#include <benchmark/benchmark.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

constexpr int StreamCount = 4;
constexpr int Rate = 44100;

// `seconds` of a stereo tone as an Ogg Vorbis file, encoded here.
std::vector<uint8_t> oggTone(int seconds) {
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, Rate, 0.4f) != 0)
        return out;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_page page;
    auto appendPage = [&out, &page] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    while (ogg_stream_flush(&stream, &page) != 0)
        appendPage();
    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                    appendPage();
            }
        }
    };
    const int total = seconds * Rate;
    for (int done = 0; done < total;) {
        const int frames = std::min(1024, total - done);
        float** channels = vorbis_analysis_buffer(&dsp, frames);
        for (int i = 0; i < frames; ++i) {
            const double t = double(done + i) / Rate;
            channels[0][i] = float(0.3 * std::sin(2 * std::numbers::pi * 440.0 * t));
            channels[1][i] = float(0.3 * std::sin(2 * std::numbers::pi * 660.0 * t));
        }
        vorbis_analysis_wrote(&dsp, frames);
        drain();
        done += frames;
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page) != 0)
        appendPage();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

const std::vector<uint8_t>& music() {
    static const std::vector<uint8_t> bytes = oggTone(8);
    return bytes;
}

CRefHandle<ISoundInstance> stream(COpenALAudioDevice* device) {
    const std::vector<uint8_t>& bytes = music();
    auto* copy = new uint8_t[bytes.size()];
    std::memcpy(copy, bytes.data(), bytes.size());
    CRefHandle<IReadableFile> file(new CBufferFile(copy, int32_t(bytes.size()), CStringW(u"music.ogg"), true));
    return CRefHandle<ISoundInstance>(device->createSound(file.get(), CObjectName()));
}

void mainThreadCalls(benchmark::State& state, bool restart) {
    CRefHandle<CSoundFormatRegistry> registry(new CSoundFormatRegistry());
    CRefHandle<COpenALAudioDevice> device(COpenALAudioDevice::createLoopback(Rate, true, nullptr, registry.get()));
    if (!device) {
        state.SkipWithError("no OpenAL loopback device");
        return;
    }
    device->setStreamingThreshold(0);
    std::vector<CRefHandle<ISoundInstance>> streams;
    for (int i = 0; i < StreamCount; ++i) {
        streams.push_back(stream(device.get()));
        if (!streams.back() || !streams.back()->play()) {
            state.SkipWithError("the music does not stream");
            return;
        }
    }
    using Clock = std::chrono::steady_clock;
    std::vector<int16_t> mix(size_t(Rate / 10) * 2);
    std::vector<double> slowestCalls;
    for (auto _ : state) {
        std::chrono::duration<double> inCalls(0);
        std::chrono::duration<double> slowest(0);
        int64_t calls = 0;
        auto timed = [&](auto&& call) {
            const auto start = Clock::now();
            call();
            const std::chrono::duration<double> took = Clock::now() - start;
            inCalls += took;
            slowest = std::max(slowest, took);
            ++calls;
        };
        if (restart)
            for (auto& sound : streams)
                timed([&sound] { benchmark::DoNotOptimize(sound->play()); });
        const auto until = Clock::now() + std::chrono::milliseconds(40);
        while (Clock::now() < until) {
            for (auto& sound : streams) {
                timed([&sound] { benchmark::DoNotOptimize(sound->getState()); });
                timed([&sound] { sound->setVolume(0.5f); });
            }
        }
        // Mix what was queued, so that the streams keep going.
        (void)device->renderSamples(mix.data(), Rate / 10);
        state.SetIterationTime(inCalls.count() / double(calls));
        slowestCalls.push_back(slowest.count());
    }
    // A busy machine may take the processor from the main thread now and
    // then; the median iteration shows what every start costs.
    std::sort(slowestCalls.begin(), slowestCalls.end());
    if (!slowestCalls.empty())
        state.counters["median_slowest_us"] = slowestCalls[slowestCalls.size() / 2] * 1e6;
}

void BM_MainThreadCall_StreamsStarting(benchmark::State& state) { mainThreadCalls(state, true); }
void BM_MainThreadCall_Quiet(benchmark::State& state) { mainThreadCalls(state, false); }

} // namespace

BENCHMARK(BM_MainThreadCall_StreamsStarting)
    ->Name("BM_MainThreadCall/streamsStarting")
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MainThreadCall_Quiet)
    ->Name("BM_MainThreadCall/quiet")
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMicrosecond);
