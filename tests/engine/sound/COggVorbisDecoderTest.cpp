#include "engine/sound/COggVorbisDecoder.h"

#include "engine/core/CString.h"
#include "engine/sound/CSoundSample.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

CRefHandle<COggVorbisDecoder> openOgg(const std::vector<uint8_t>& bytes, CString* reason = nullptr) {
    CRefHandle<IReadableFile> file = memoryFile(bytes, "test.ogg");
    return CRefHandle<COggVorbisDecoder>(COggVorbisDecoder::open(file.get(), reason));
}

// Reads in uneven blocks, as the streaming code does.
std::vector<int16_t> decodeAll(ISoundDecoder* decoder) {
    std::vector<int16_t> out;
    std::vector<int16_t> block(size_t(1000) * decoder->getChannels());
    for (;;) {
        const uint32_t frames = decoder->readFrames(block.data(), 1000);
        if (frames == 0)
            break;
        out.insert(out.end(), block.begin(), block.begin() + long(frames) * decoder->getChannels());
    }
    return out;
}

} // namespace

TEST(COggVorbisDecoder, DecodesWhatOggencWritesAsSoxDecodesIt) {
    TempDir dir;
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const auto wav =
            makeToneWav(dir.path(), "tone" + std::to_string(channels) + ".wav", 22050, channels, 16, 0.5, 330);
        const auto ogg = makeOgg(wav, "tone" + std::to_string(channels) + ".ogg");
        const std::vector<int16_t> expected = toSamples16(soxRaw(ogg, 16));

        CRefHandle<COggVorbisDecoder> decoder = openOgg(readAllBytes(ogg));
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->getChannels(), channels);
        EXPECT_EQ(decoder->getSampleRate(), 22050);
        EXPECT_EQ(decoder->getFormat(), channels == 1 ? ISoundDecoder::FormatMono16 : ISoundDecoder::FormatStereo16);
        EXPECT_EQ(size_t(decoder->getTotalFrames()) * channels, expected.size());

        const std::vector<int16_t> decoded = decodeAll(decoder.get());
        ASSERT_EQ(decoded.size(), expected.size());
        int worst = 0;
        for (size_t i = 0; i < decoded.size(); ++i)
            worst = std::max(worst, std::abs(int(decoded[i]) - int(expected[i])));
        // Both go through the same Vorbis decoder; only rounding may differ.
        EXPECT_LE(worst, 2);

        ASSERT_TRUE(decoder->rewind());
        EXPECT_EQ(decodeAll(decoder.get()), decoded);
    }
}

TEST(COggVorbisDecoder, RefusesMoreThanTwoChannels) {
    TempDir dir;
    const auto wav = makeToneWav(dir.path(), "three.wav", 22050, 3, 16, 0.2, 440);
    const auto ogg = makeOgg(wav, "three.ogg");
    CString reason;
    EXPECT_FALSE(openOgg(readAllBytes(ogg), &reason));
    EXPECT_EQ(reason, "unsupported channel count");
}

TEST(COggVorbisDecoder, SurvivesDamagedStreams) {
    TempDir dir;
    const auto wav = makeToneWav(dir.path(), "long.wav", 22050, 2, 16, 1.0, 440);
    const std::vector<uint8_t> ogg = readAllBytes(makeOgg(wav, "long.ogg"));
    ASSERT_GT(ogg.size(), 4000u);

    std::vector<uint8_t> scrambled = ogg;
    for (size_t i = ogg.size() / 3; i < ogg.size() / 3 + 300; ++i)
        scrambled[i] ^= 0x5A;
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } rows[] = {
        {"cut in half", std::vector<uint8_t>(ogg.begin(), ogg.begin() + long(ogg.size() / 2))},
        {"header only", std::vector<uint8_t>(ogg.begin(), ogg.begin() + 200)},
        {"scrambled middle", scrambled},
        {"not Ogg at all", std::vector<uint8_t>(5000, 0x42)},
        {"empty", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRefHandle<COggVorbisDecoder> decoder = openOgg(row.bytes);
        if (!decoder)
            continue;
        // Whatever opens decodes no more than it announced, twice over.
        const std::vector<int16_t> first = decodeAll(decoder.get());
        EXPECT_LE(first.size(), size_t(decoder->getTotalFrames()) * decoder->getChannels());
        ASSERT_TRUE(decoder->rewind());
        EXPECT_EQ(decodeAll(decoder.get()).size(), first.size());
    }
}

// Two streams one after the other (a chained file, as concatenating two Ogg
// files makes): the first play starts with the first link, and a later link
// with another sample rate ends the sound instead of playing at the wrong
// speed.
TEST(COggVorbisDecoder, PlaysChainedStreamsFromTheFirstLink) {
    TempDir dir;
    const auto first = makeOgg(makeToneWav(dir.path(), "first.wav", 22050, 1, 16, 0.3, 330), "first.ogg");
    const auto second = makeOgg(makeToneWav(dir.path(), "second.wav", 22050, 1, 16, 0.2, 550), "second.ogg");
    const auto faster = makeOgg(makeToneWav(dir.path(), "faster.wav", 44100, 1, 16, 0.2, 550), "faster.ogg");
    const std::vector<int16_t> firstSamples = toSamples16(soxRaw(first, 16));
    const std::vector<int16_t> secondSamples = toSamples16(soxRaw(second, 16));
    auto chained = [](const std::filesystem::path& a, const std::filesystem::path& b) {
        std::vector<uint8_t> bytes = readAllBytes(a);
        const std::vector<uint8_t> more = readAllBytes(b);
        bytes.insert(bytes.end(), more.begin(), more.end());
        return bytes;
    };
    auto near = [](const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::abs(int(a[i]) - int(b[i])) > 2)
                return false;
        return true;
    };

    CRefHandle<COggVorbisDecoder> same = openOgg(chained(first, second));
    ASSERT_TRUE(same);
    EXPECT_EQ(size_t(same->getTotalFrames()), firstSamples.size() + secondSamples.size());
    std::vector<int16_t> both = firstSamples;
    both.insert(both.end(), secondSamples.begin(), secondSamples.end());
    const std::vector<int16_t> decoded = decodeAll(same.get());
    EXPECT_TRUE(near(decoded, both)) << decoded.size() << " samples against " << both.size();
    ASSERT_TRUE(same->rewind());
    EXPECT_EQ(decodeAll(same.get()), decoded);

    CRefHandle<COggVorbisDecoder> changing = openOgg(chained(first, faster));
    ASSERT_TRUE(changing);
    EXPECT_EQ(changing->getSampleRate(), 22050);
    EXPECT_TRUE(near(decodeAll(changing.get()), firstSamples));
}

// A later link of another rate or layout is not played, so it is not
// announced either: a short chained file still loads whole as a sound.
TEST(COggVorbisDecoder, AnnouncesOnlyTheLinksItPlays) {
    TempDir dir;
    const auto first = makeOgg(makeToneWav(dir.path(), "a.wav", 22050, 2, 16, 0.5, 300), "a.ogg");
    const std::vector<int16_t> firstSamples = toSamples16(soxRaw(first, 16));
    const struct {
        const char* what;
        int rate;
        int channels;
    } laters[] = {{"faster", 44100, 2}, {"one channel", 22050, 1}, {"both", 44100, 1}};
    for (const auto& later : laters) {
        SCOPED_TRACE(later.what);
        const std::string name = std::string("b") + std::to_string(later.rate) + std::to_string(later.channels);
        const auto second =
            makeOgg(makeToneWav(dir.path(), name + ".wav", later.rate, later.channels, 16, 0.5, 800), name + ".ogg");
        std::vector<uint8_t> bytes = readAllBytes(first);
        const std::vector<uint8_t> more = readAllBytes(second);
        bytes.insert(bytes.end(), more.begin(), more.end());

        CRefHandle<COggVorbisDecoder> decoder = openOgg(bytes);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->getChannels(), 2);
        EXPECT_EQ(size_t(decoder->getTotalFrames()) * 2, firstSamples.size());
        CRefHandle<CSoundSample> sample(CSoundSample::create(decoder.get()));
        EXPECT_TRUE(sample->hasData());
        EXPECT_EQ(sample->getFrames(), decoder->getTotalFrames());
    }
}
