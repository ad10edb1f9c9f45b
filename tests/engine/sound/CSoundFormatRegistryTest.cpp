#include "engine/sound/CSoundFormatRegistry.h"

#include "engine/io/CVirtualFile.h"
#include "engine/sound/COggVorbisDecoder.h"
#include "engine/sound/CWavDecoder.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(CSoundFormatRegistry, FindsTheDecoderByExtensionThenByContent) {
    TempDir dir;
    const std::vector<uint8_t> wav = readAllBytes(makeToneWav(dir.path(), "t.wav", 8000, 1, 16, 0.1, 440));
    const std::vector<uint8_t> ogg = readAllBytes(makeOgg(dir.path() / "t.wav", "t.ogg"));
    CRefHandle<CSoundFormatRegistry> registry(new CSoundFormatRegistry());
    const struct {
        const char* what;
        const std::vector<uint8_t>& bytes;
        const char* name;
        bool isWav;
    } rows[] = {
        {"wav", wav, "a.wav", true},
        {"WAV in capitals", wav, "dir/A.WAV", true},
        {"wav data named .OGG: probing finds it", wav, "sound.OGG", true},
        {"ogg", ogg, "music.ogg", false},
        {"ogg data named .wav", ogg, "music.wav", false},
        {"no extension", ogg, "music", false},
        {"dot in the folder only", wav, "dir.ogg/sound", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log;
        CRefHandle<IReadableFile> file = memoryFile(row.bytes, row.name);
        CRefHandle<ISoundDecoder> decoder(registry->loadSound(file.get()));
        ASSERT_TRUE(decoder);
        EXPECT_EQ(dynamic_cast<CWavDecoder*>(decoder.get()) != nullptr, row.isWav);
        EXPECT_EQ(dynamic_cast<COggVorbisDecoder*>(decoder.get()) != nullptr, !row.isWav);
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST(CSoundFormatRegistry, LogsOneLineForUnknownContent) {
    CRefHandle<CSoundFormatRegistry> registry(new CSoundFormatRegistry());
    LogCapture log;
    CRefHandle<IReadableFile> file = memoryFile(std::vector<uint8_t>(100, 7), "noise.ogg");
    EXPECT_FALSE(CRefHandle<ISoundDecoder>(registry->loadSound(file.get())));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"WRN: Can't load sound: noise.ogg"});
    EXPECT_FALSE(registry->loadSound(nullptr));
}

TEST(CSoundFormatRegistry, WritesWavFilesThatSoxReads) {
    TempDir dir;
    std::vector<int16_t> samples;
    for (int i = 0; i < 2000; ++i)
        samples.push_back(int16_t(i * 13 - 9000));
    CRefHandle<CSoundFormatRegistry> registry(new CSoundFormatRegistry());
    CRefHandle<IReadableFile> source = memoryFile(pcm16Wav(2, 22050, samples), "source.wav");
    CRefHandle<ISoundDecoder> decoder(registry->loadSound(source.get()));
    ASSERT_TRUE(decoder);
    ASSERT_EQ(decoder->getTotalFrames(), 1000);
    // Part of the sound already read: the writer still writes all of it.
    std::vector<int16_t> scratch(20);
    EXPECT_EQ(decoder->readFrames(scratch.data(), 10), 10u);

    CRefHandle<CVirtualFile> written(new CVirtualFile(CStringW(u"copy.wav"), 0));
    ASSERT_TRUE(registry->writeSound(written.get(), decoder.get()));
    ASSERT_EQ(written->size(), 4044);
    std::vector<uint8_t> bytes(4044);
    ASSERT_TRUE(written->seek(0, false));
    ASSERT_EQ(written->read(bytes.data(), 4044), 4044);
    EXPECT_EQ(bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24, 4036);

    TempDir out;
    const auto path = out.write("copy.wav", bytes);
    EXPECT_EQ(toSamples16(soxRaw(path, 16)), samples);

    CRefHandle<CVirtualFile> other(new CVirtualFile(CStringW(u"copy.ogg"), 0));
    EXPECT_FALSE(registry->writeSound(other.get(), decoder.get()));
}
