#include "engine/sound/CWavDecoder.h"

#include "engine/core/CString.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

CRefHandle<CWavDecoder> openWav(const std::vector<uint8_t>& bytes, CString* reason = nullptr) {
    CRefHandle<IReadableFile> file = memoryFile(bytes, "test.wav");
    return CRefHandle<CWavDecoder>(CWavDecoder::open(file.get(), reason));
}

std::vector<uint8_t> readAll(ISoundDecoder* decoder) {
    std::vector<uint8_t> out(size_t(decoder->getTotalFrames()) * decoder->bytesPerFrame() + 64);
    EXPECT_TRUE(decoder->rewind());
    const uint32_t frames = decoder->readFrames(out.data(), uint32_t(decoder->getTotalFrames()) + 16);
    out.resize(size_t(frames) * decoder->bytesPerFrame());
    return out;
}

std::vector<uint8_t> bytesOf(std::initializer_list<int16_t> samples) {
    std::vector<uint8_t> out;
    for (int16_t s : samples)
        appendLe16(out, uint16_t(s));
    return out;
}

} // namespace

TEST(CWavDecoder, DecodesWhatSoxWrites) {
    TempDir dir;
    const struct {
        int rate, channels, bits;
        int32_t format;
    } rows[] = {
        {8000, 1, 8, ISoundDecoder::FormatMono8},
        {11025, 2, 8, ISoundDecoder::FormatStereo8},
        {22050, 1, 16, ISoundDecoder::FormatMono16},
        {44100, 2, 16, ISoundDecoder::FormatStereo16},
    };
    for (const auto& row : rows) {
        const std::string name =
            "tone" + std::to_string(row.rate) + "_" + std::to_string(row.channels) + "_" + std::to_string(row.bits);
        SCOPED_TRACE(name);
        const auto path = makeToneWav(dir.path(), name + ".wav", row.rate, row.channels, row.bits, 0.25, 440);
        const std::vector<uint8_t> expected = soxRaw(path, row.bits);

        CRefHandle<CWavDecoder> decoder = openWav(readAllBytes(path));
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->getChannels(), row.channels);
        EXPECT_EQ(decoder->getSampleRate(), row.rate);
        EXPECT_EQ(decoder->getFormat(), row.format);
        EXPECT_EQ(decoder->getName(), "test.wav");
        EXPECT_EQ(size_t(decoder->getTotalFrames()) * decoder->bytesPerFrame(), expected.size());
        EXPECT_EQ(readAll(decoder.get()), expected);
        // A second pass after a rewind gives the same frames.
        EXPECT_EQ(readAll(decoder.get()), expected);
    }
}

TEST(CWavDecoder, ReadsExtensibleFormatChunks) {
    const std::vector<uint8_t> data = bytesOf({100, -100, 200, -200});
    const struct {
        const char* what;
        int channels;
        uint32_t mask;
        int32_t format;
    } rows[] = {
        {"mono, front centre", 1, 4, ISoundDecoder::FormatMono16},
        {"stereo, front left and right", 2, 3, ISoundDecoder::FormatStereo16},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRefHandle<CWavDecoder> decoder =
            openWav(riffWave({{"fmt ", extensibleFormat(row.channels, 8000, 16, row.mask), {}}, {"data", data, {}}}));
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->getHeader().kind, CWavDecoder::KindExtensible);
        EXPECT_EQ(decoder->getFormat(), row.format);
        EXPECT_EQ(readAll(decoder.get()), data);
    }
}

TEST(CWavDecoder, SkipsOddChunksAndStopsAtTheEndOfTheData) {
    const std::vector<uint8_t> data = bytesOf({1, 2, 3, 4, 5, 6});
    // An odd-sized chunk (with its pad byte) before the format and one after
    // the data: neither is read as sound.
    const std::vector<uint8_t> file = riffWave({{"LIST", {'a', 'b', 'c'}, {}},
                                                {"fmt ", pcmFormat(1, 8000, 16), {}},
                                                {"data", data, {}},
                                                {"junk", std::vector<uint8_t>(40, 0x7F), {}}});
    CRefHandle<CWavDecoder> decoder = openWav(file);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->getTotalFrames(), 6);
    EXPECT_EQ(readAll(decoder.get()), data);
}

TEST(CWavDecoder, ToleratesADamagedChunkAfterTheSound) {
    const std::vector<uint8_t> data = bytesOf({7, 8});
    const std::vector<uint8_t> file =
        riffWave({{"fmt ", pcmFormat(1, 8000, 16), {}}, {"data", data, {}}, {"LIST", {1, 2}, 0xFFFFFFF0u}});
    CRefHandle<CWavDecoder> decoder = openWav(file);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(readAll(decoder.get()), data);
}

// A data chunk running past the end of the file (as a program writing to a
// pipe leaves it, or a file cut short) plays the whole frames that are there.
TEST(CWavDecoder, PlaysTheFramesThereWhenTheDataRunsPastTheEnd) {
    TempDir dir;
    const std::filesystem::path piped = makePipedToneWav(dir.path(), "piped.wav", 8000, 2, 0.1, 440);
    const std::vector<uint8_t> fmt = pcmFormat(1, 8000, 16);
    const std::vector<uint8_t> data = bytesOf({1, 2, 3, 4, 5});
    std::vector<uint8_t> cut = riffWave({{"fmt ", fmt, {}}, {"data", data, {}}});
    cut.resize(cut.size() - 3); // half of the fourth frame and the fifth
    const std::vector<uint8_t> pipedBytes = readAllBytes(piped);
    ASSERT_GT(pipedBytes.size(), 44u + 400u);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> frames;
    } rows[] = {
        // sox's header is 44 bytes; everything after it is sound.
        {"written to a pipe by sox", pipedBytes, std::vector<uint8_t>(pipedBytes.begin() + 44, pipedBytes.end())},
        {"size beyond the file", riffWave({{"fmt ", fmt, {}}, {"data", data, 1000}}), data},
        {"size near 4 GiB", riffWave({{"fmt ", fmt, {}}, {"data", data, 0xFFFFFFFEu}}), data},
        {"file cut inside the data", cut, bytesOf({1, 2, 3})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRefHandle<CWavDecoder> decoder = openWav(row.bytes);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(readAll(decoder.get()), row.frames);
        ASSERT_TRUE(decoder->rewind());
        EXPECT_EQ(readAll(decoder.get()), row.frames);
    }
}

TEST(CWavDecoder, RefusesDamagedOrUnplayableFilesWithOneLine) {
    const std::vector<uint8_t> fmt = pcmFormat(1, 8000, 16);
    const std::vector<uint8_t> data = bytesOf({1, 2, 3, 4});
    std::vector<uint8_t> truncatedFormat = fmt;
    truncatedFormat.resize(12);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* reason;
    } rows[] = {
        {"format after a data chunk running past the end", riffWave({{"data", data, 1000}, {"fmt ", fmt, {}}}),
         "no format chunk"},
        {"chunk before the data claims 4 GiB", riffWave({{"LIST", {1, 2}, 0xFFFFFFFFu}, {"fmt ", fmt, {}}}),
         "chunk passes the end of the file"},
        {"format chunk beyond the file", riffWave({{"fmt ", fmt, 30}}), "format chunk passes the end of the file"},
        {"format chunk too short", riffWave({{"fmt ", truncatedFormat, {}}, {"data", data, {}}}),
         "format chunk too short"},
        {"extensible chunk too short",
         riffWave({{"fmt ",
                    [] {
                        auto f = extensibleFormat(1, 8000, 16, 4);
                        f.resize(24);
                        return f;
                    }(),
                    {}},
                   {"data", data, {}}}),
         "extensible format chunk too short"},
        {"format chunk larger than 40 bytes",
         riffWave({{"fmt ",
                    [&] {
                        auto f = fmt;
                        f.resize(50);
                        return f;
                    }(),
                    {}},
                   {"data", data, {}}}),
         "unsupported sample encoding"},
        {"float samples",
         riffWave({{"fmt ",
                    [&] {
                        auto f = fmt;
                        f[0] = 3;
                        return f;
                    }(),
                    {}},
                   {"data", data, {}}}),
         "unsupported sample encoding"},
        {"no format chunk", riffWave({{"data", data, {}}}), "no format chunk"},
        {"no data chunk", riffWave({{"fmt ", fmt, {}}}), "no data chunk"},
        {"empty data chunk", riffWave({{"fmt ", fmt, {}}, {"data", {}, {}}}), "empty data chunk"},
        {"sample rate 0", riffWave({{"fmt ", pcmFormat(1, 0, 16), {}}, {"data", data, {}}}), "bad sample rate"},
        {"sample rate above 2^31", riffWave({{"fmt ", pcmFormat(1, 0x80000000u, 16), {}}, {"data", data, {}}}),
         "bad sample rate"},
        {"24-bit samples", riffWave({{"fmt ", pcmFormat(1, 8000, 24), {}}, {"data", data, {}}}),
         "unsupported channel count or sample size"},
        {"three channels", riffWave({{"fmt ", pcmFormat(3, 8000, 16), {}}, {"data", data, {}}}),
         "unsupported channel count or sample size"},
        {"no channels", riffWave({{"fmt ", pcmFormat(0, 8000, 16), {}}, {"data", data, {}}}),
         "unsupported channel count or sample size"},
        {"extensible float", riffWave({{"fmt ", extensibleFormat(1, 8000, 16, 4, 3), {}}, {"data", data, {}}}),
         "unsupported extensible format"},
        {"extensible stereo without a layout",
         riffWave({{"fmt ", extensibleFormat(2, 8000, 16, 0), {}}, {"data", data, {}}}),
         "unsupported extensible format"},
        {"less than one frame", riffWave({{"fmt ", pcmFormat(2, 8000, 16), {}}, {"data", {1, 2}, {}}}),
         "no whole frame in the data chunk"},
    };
    CRefHandle<CSoundFormatRegistry> registry(new CSoundFormatRegistry());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CString reason;
        EXPECT_FALSE(openWav(row.bytes, &reason));
        EXPECT_EQ(reason, row.reason);

        LogCapture log;
        CRefHandle<IReadableFile> file = memoryFile(row.bytes, "broken.wav");
        EXPECT_FALSE(CRefHandle<ISoundDecoder>(registry->loadSound(file.get())));
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0], std::string("WRN: Can't load sound: broken.wav (") + row.reason + ")");
    }
}

TEST(CWavDecoder, IgnoresTheCaseOfChunkIdentifiers) {
    std::vector<uint8_t> file = pcm16Wav(1, 8000, {5, 6});
    for (size_t at : {0u, 8u, 12u, 36u})
        for (size_t i = at; i < at + 4; ++i)
            file[i] = uint8_t(std::tolower(file[i]));
    CRefHandle<CWavDecoder> decoder = openWav(file);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->getTotalFrames(), 2);
}
