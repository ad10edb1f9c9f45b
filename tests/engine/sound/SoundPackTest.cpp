#include "engine/sound/SoundPack.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContentProcessor.h"
#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/sound/CNullAudioDevice.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/CSoundPackProcessor.h"
#include "engine/sound/SoundCue.h"
#include "tests/engine/sound/FakeSound.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// Loads every 'isnd' file as a fake sound, noting the file and the audio
// device's streaming threshold at that moment.
class FakeSoundProcessor : public IContentProcessor {
public:
    FakeSoundProcessor(FakeSound::Board* board, IAudioDevice* device) : m_board(board), m_device(device) {}

    [[nodiscard]] uint32_t getContentType() const override { return ContentTypeSound; }
    [[nodiscard]] IContent* load(IContentManager*, IReadableFile* file, const CObjectName& name) override {
        loads.push_back({CString(getFileName(file->fileName())).c_str(), m_device->getStreamingThreshold()});
        auto* sound = new FakeSound(m_board, int(loads.size()));
        sound->setContentName(name);
        return sound;
    }

    struct Load {
        std::string file;
        uint32_t threshold;
    };
    std::vector<Load> loads;

private:
    static CStringW getFileName(const CStringW& path) {
        const int slash = path.findLast(u'/');
        return path.subString(slash + 1, int(path.length()) - slash - 1);
    }

    FakeSound::Board* m_board;
    IAudioDevice* m_device;
};

struct PackFixture {
    PackFixture() {
        fileSystem.reset(new CVirtualFileSystem());
        device.reset(new CNullAudioDevice(nullptr, nullptr));
        processors.reset(new CContentProcessorsManager(fileSystem.get(), nullptr, device.get()));
        sounds.reset(new FakeSoundProcessor(&board, device.get()));
        EXPECT_TRUE(processors->registerProcessor(sounds.get()));
        CRefHandle<CSoundPackProcessor> packs(new CSoundPackProcessor(fileSystem.get(), device.get()));
        EXPECT_TRUE(processors->registerProcessor(packs.get()));
        content.reset(new CContentManager(nullptr, fileSystem.get(), processors.get()));
        dir.write("packs/sounds/a.wav", "a");
        dir.write("packs/sounds/b.wav", "b");
    }

    CRefHandle<SoundPack> loadPack(const std::string& xml) {
        packPath = dir.write("packs/SoundPack.xml", xml);
        IContent* loaded = content->load(ContentTypeSoundPack, fromNativePath(packPath.string()), false);
        return CRefHandle<SoundPack>(dynamic_cast<SoundPack*>(loaded));
    }

    TempDir dir;
    // The pack's file as loadPack names it (on Windows with both kinds of
    // separator: the content manager caches by the name as given).
    std::filesystem::path packPath;
    FakeSound::Board board;
    CRefHandle<CVirtualFileSystem> fileSystem;
    CRefHandle<CNullAudioDevice> device;
    CRefHandle<CContentProcessorsManager> processors;
    CRefHandle<FakeSoundProcessor> sounds;
    CRefHandle<CContentManager> content;
};

const char* const packText = R"(<?xml version="1.0"?>
<SoundPack>
  <SoundCue Name="Music" GroupID="2" Vol="0.5" Loop="true" TrackPlayStates="true" StreamingType="1">
    <Sound Filename="sounds/a.wav"/>
    <Sound Filename="sounds/missing.wav"/>
    <Sound Filename="sounds/b.wav"/>
  </SoundCue>
  <SoundCue Name="Click"/>
  <SoundCue Name="Coin" Loop="TRUE" StreamingType="2">
    <Sound Filename="sounds/a.wav"/>
  </SoundCue>
  <SoundCue Name="Plain"><Sound Filename="sounds/b.wav"/></SoundCue>
</SoundPack>
<SoundCue Name="Outside"/>
)";

} // namespace

TEST(SoundPack, ReadsItsCuesAndTheirSounds) {
    PackFixture f;
    f.device->setStreamingThreshold(12345);
    CRefHandle<SoundPack> pack = f.loadPack(packText);
    ASSERT_TRUE(pack);
    EXPECT_EQ(pack->getContentType(), ContentTypeSoundPack);
    EXPECT_EQ(pack->getContentFlags(), IContent::FlagShared);
    ASSERT_EQ(pack->getCueCount(), 4u);

    SoundCue* music = pack->getCue(0);
    EXPECT_EQ(music->getName(), CName("Music"));
    EXPECT_EQ(music->getGroup(), 2);
    EXPECT_FLOAT_EQ(music->getVolume(), 0.5f);
    EXPECT_TRUE(music->isLooping());
    EXPECT_TRUE(music->tracksPlayStates());
    // The missing file is skipped.
    EXPECT_EQ(music->getVariantCount(), 2u);

    // A self-closing cue has no sounds and does not swallow the cues after it.
    SoundCue* click = pack->getCue(1);
    EXPECT_EQ(click->getName(), CName("Click"));
    EXPECT_EQ(click->getVariantCount(), 0u);
    EXPECT_EQ(click->getGroup(), -1);
    EXPECT_FLOAT_EQ(click->getVolume(), 1.0f);

    SoundCue* coin = pack->getCue(2);
    EXPECT_FALSE(coin->isLooping());
    EXPECT_EQ(coin->getVariantCount(), 1u);
    EXPECT_EQ(pack->getCue(3)->getName(), CName("Plain"));

    // Sounds load relative to the pack; the streaming types change the
    // threshold only while their cue's sounds load. Later cues find the
    // files in the cache.
    ASSERT_EQ(f.sounds->loads.size(), 2u);
    EXPECT_EQ(f.sounds->loads[0].file, "a.wav");
    EXPECT_EQ(f.sounds->loads[0].threshold, 0u);
    EXPECT_EQ(f.sounds->loads[1].file, "b.wav");
    EXPECT_EQ(f.sounds->loads[1].threshold, 0u);
    EXPECT_EQ(f.device->getStreamingThreshold(), 12345u);
}

TEST(SoundPack, StreamingTypesSeeTheirThresholdOnFreshLoads) {
    PackFixture f;
    f.content->setCachingEnabled(false);
    f.device->setStreamingThreshold(777);
    CRefHandle<SoundPack> pack = f.loadPack(packText);
    ASSERT_TRUE(pack);
    ASSERT_EQ(f.sounds->loads.size(), 4u);
    EXPECT_EQ(f.sounds->loads[2].file, "a.wav");
    EXPECT_EQ(f.sounds->loads[2].threshold, 0xFFFFFFFFu);
    EXPECT_EQ(f.sounds->loads[3].threshold, 777u);
    EXPECT_EQ(f.device->getStreamingThreshold(), 777u);
}

TEST(SoundPack, RegistersItsCuesInFileOrder) {
    PackFixture f;
    CRefHandle<SoundPack> pack = f.loadPack(packText);
    ASSERT_TRUE(pack);
    CRefHandle<CSoundCueManager> manager(new CSoundCueManager(f.device.get()));
    CRefHandle<SoundCue> earlier(new SoundCue(CName("Coin")));
    ASSERT_TRUE(manager->addCue(earlier.get()));
    pack->registerCues(manager.get());
    EXPECT_EQ(manager->findCue(CName("Music")), pack->getCue(0));
    EXPECT_EQ(manager->findCue(CName("Click")), pack->getCue(1));
    EXPECT_EQ(manager->findCue(CName("Coin")), earlier.get());
    EXPECT_EQ(pack->getCue(0)->getManager(), manager.get());
    EXPECT_EQ(pack->getCue(2)->getManager(), nullptr);
    ASSERT_TRUE(manager->play(CName("Music"), false, 0));
}

TEST(SoundPack, IsSharedAndNeverWrittenBack) {
    PackFixture f;
    CRefHandle<SoundPack> pack = f.loadPack(packText);
    ASSERT_TRUE(pack);
    const std::filesystem::path path = f.packPath;
    CRefHandle<IContent> again(f.content->load(ContentTypeSoundPack, fromNativePath(path.string()), false));
    EXPECT_EQ(again.get(), pack.get());
    // Saving would leave an empty file in place of the pack: it is refused
    // and the file stays as it was.
    EXPECT_FALSE(f.content->save(ContentTypeSoundPack, pack.get(), fromNativePath(path.string()), nullptr));
    const std::vector<uint8_t> bytes = readAllBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), packText);
}

TEST(SoundPack, ReadsNothingFromFilesWithoutCues) {
    PackFixture f;
    for (const char* text : {"", "<Other><SoundCue Name=\"X\"/>", "not xml at all"}) {
        SCOPED_TRACE(text);
        f.content->clear();
        CRefHandle<SoundPack> pack = f.loadPack(text);
        ASSERT_TRUE(pack);
        EXPECT_EQ(pack->getCueCount(), std::string(text).find("SoundCue") != std::string::npos ? 1u : 0u);
    }
}
