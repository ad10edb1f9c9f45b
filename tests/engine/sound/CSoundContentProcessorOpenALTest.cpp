#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CObjectName.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/sound/CBufferedSound.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/CSoundContentProcessor.h"
#include "engine/sound/CSoundPackProcessor.h"
#include "engine/sound/CStreamedSound.h"
#include "engine/sound/SoundServices.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// Sounds loaded through the content services onto an OpenAL device, which
// only the Linux build has.

namespace {

// The content services over a loopback device, posting device events in the
// engine's order: the processors manager first, then the content manager.
struct ContentFixture {
    ContentFixture() {
        device = makeLoopbackDevice();
        fileSystem.reset(new CVirtualFileSystem());
        processors.reset(new CContentProcessorsManager(fileSystem.get(), nullptr, device.get()));
        EXPECT_TRUE(registerSoundProcessors(processors.get()));
        content.reset(new CContentManager(nullptr, fileSystem.get(), processors.get()));
        shortWav = fromNativePath(makeToneWav(dir.path(), "short.wav", 22050, 1, 16, 0.2, 440).string());
        longWav = fromNativePath(makeToneWav(dir.path(), "long.wav", 44100, 2, 16, 2.0, 440).string());
    }

    CRefHandle<ISoundInstance> load(const CStringW& name) {
        return CRefHandle<ISoundInstance>(dynamic_cast<ISoundInstance*>(content->load(ContentTypeSound, name, false)));
    }

    void post(CEvent* event) {
        (void)processors->dispatch(CEventReceiver::HandleThenChildren, event);
        (void)content->dispatch(CEventReceiver::HandleThenChildren, event);
    }

    TempDir dir;
    CRefHandle<COpenALAudioDevice> device;
    CRefHandle<CVirtualFileSystem> fileSystem;
    CRefHandle<CContentProcessorsManager> processors;
    CRefHandle<CContentManager> content;
    CStringW shortWav;
    CStringW longWav;
};

} // namespace

TEST(CSoundContentProcessor, LoadsBufferedSoundsOnceAndStreamedSoundsEveryTime) {
    ContentFixture f;
    ASSERT_TRUE(f.device);
    const uint32_t freeBuffers = f.device->freeBufferCount();
    CRefHandle<ISoundInstance> first = f.load(f.shortWav);
    CRefHandle<ISoundInstance> second = f.load(f.shortWav);
    auto* a = dynamic_cast<CBufferedSound*>(first.get());
    auto* b = dynamic_cast<CBufferedSound*>(second.get());
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->getBuffer(), b->getBuffer());
    EXPECT_NE(f.content->find(ContentTypeSound, a->getContentName()), nullptr);
    EXPECT_EQ(f.device->freeBufferCount(), freeBuffers - 1);

    // 2 s of stereo 16-bit is beyond the default threshold.
    CRefHandle<ISoundInstance> music = f.load(f.longWav);
    CRefHandle<ISoundInstance> again = f.load(f.longWav);
    ASSERT_TRUE(dynamic_cast<CStreamedSound*>(music.get()) && dynamic_cast<CStreamedSound*>(again.get()));
    EXPECT_NE(music.get(), again.get());
    EXPECT_EQ(f.content->find(ContentTypeSound, music->getContentName()), nullptr);

    // A streamed clone loads the file again and keeps volume and looping.
    music->setVolume(0.3f);
    music->setLooping(true);
    CRefHandle<ISoundInstance> copy(dynamic_cast<ISoundInstance*>(music->clone()));
    ASSERT_TRUE(dynamic_cast<CStreamedSound*>(copy.get()));
    EXPECT_FLOAT_EQ(copy->getVolume(), 0.3f);
    EXPECT_TRUE(copy->isLooping());

    EXPECT_FALSE(f.load(u"missing.wav"));
}

TEST(CSoundContentProcessor, FollowsTheAudioDeviceAndDropsCachedSoundsWithIt) {
    ContentFixture f;
    ASSERT_TRUE(f.device);
    CRefHandle<ISoundInstance> held = f.load(f.shortWav);
    ASSERT_TRUE(held);
    const CObjectName name = held->getContentName();
    ASSERT_NE(f.content->find(ContentTypeSound, name), nullptr);

    CRefHandle<DeviceEvent> released(new DeviceEvent(IDeviceServiceEvent::AudioDeviceReleased, nullptr));
    f.post(released.get());
    EXPECT_EQ(f.content->find(ContentTypeSound, name), nullptr);
    EXPECT_FALSE(f.load(f.shortWav));
    // What a caller holds lives on.
    EXPECT_TRUE(held->play());

    CRefHandle<DeviceEvent> created(new DeviceEvent(IDeviceServiceEvent::AudioDeviceCreated, f.device.get()));
    f.post(created.get());
    CRefHandle<ISoundInstance> fresh = f.load(f.shortWav);
    ASSERT_TRUE(fresh);
    auto* processor = static_cast<CSoundPackProcessor*>(f.processors->findProcessor(ContentTypeSoundPack));
    EXPECT_EQ(processor->getAudioDevice(), f.device.get());
}
