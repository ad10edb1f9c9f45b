#include "engine/content/CContentProcessorsManager.h"

#include "engine/content/CContentManager.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "tests/engine/content/ContentTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Journal = std::vector<std::string>;

CRefHandle<TestProcessor> newProcessor(const char (&type)[5], ProcessorJournal* journal, uint32_t mask = 0) {
    CRefHandle<TestProcessor> processor(
        new TestProcessor(makeContentType(type), IContent::FlagShared, journal, nullptr));
    processor->setMask(mask);
    return processor;
}

// Posts a device event the way the engine does (handle, then children).
bool post(CEventReceiver* receiver, int32_t type, CRefCounted* service = nullptr) {
    CRefHandle<TestDeviceEvent> event(new TestDeviceEvent(type, service));
    return receiver->dispatch(CEventReceiver::HandleThenChildren, event.get());
}

TEST(CContentProcessorsManager, FindsTheFirstProcessorRegisteredForAType) {
    CRefHandle<CContentProcessorsManager> manager(new CContentProcessorsManager(nullptr));
    CRefHandle<TestProcessor> image = newProcessor("imag", nullptr);
    CRefHandle<TestProcessor> scene = newProcessor("snod", nullptr);
    CRefHandle<TestProcessor> secondImage = newProcessor("imag", nullptr);

    EXPECT_TRUE(manager->registerProcessor(image.get()));
    EXPECT_TRUE(manager->registerProcessor(scene.get()));
    EXPECT_FALSE(manager->registerProcessor(secondImage.get()));
    EXPECT_FALSE(manager->registerProcessor(nullptr));

    EXPECT_EQ(manager->findProcessor(ContentTypeImage), image.get());
    EXPECT_EQ(manager->findProcessor(ContentTypeSceneNode), scene.get());
    EXPECT_EQ(manager->findProcessor(ContentTypeFont), nullptr);
    EXPECT_EQ(manager->processorCount(), 2u);
    EXPECT_EQ(image->referenceCount(), 2);
    EXPECT_EQ(secondImage->referenceCount(), 1);

    manager.reset();
    EXPECT_EQ(image->referenceCount(), 1);
    EXPECT_EQ(scene->referenceCount(), 1);
}

TEST(CContentProcessorsManager, DeviceEventsReachTheProcessorsThatAskForThem) {
    ProcessorJournal journal;
    CRefHandle<CContentProcessorsManager> manager(new CContentProcessorsManager(nullptr));
    CRefHandle<TestProcessor> texture = newProcessor("itex", &journal, CEvent::MaskDevice);
    CRefHandle<TestProcessor> collection = newProcessor("atxc", &journal);
    CRefHandle<TestProcessor> sound = newProcessor("isnd", &journal, CEvent::MaskDevice);
    ASSERT_TRUE(manager->registerProcessor(texture.get()));
    ASSERT_TRUE(manager->registerProcessor(collection.get()));
    ASSERT_TRUE(manager->registerProcessor(sound.get()));
    EXPECT_EQ(manager->getMask(), CEvent::MaskDevice);

    // No processor consumes a device event.
    for (int32_t type = IDeviceServiceEvent::VideoDriverReleased; type <= IDeviceServiceEvent::AudioDeviceCreated;
         ++type)
        EXPECT_FALSE(post(manager.get(), type));

    const Journal expected = {"video released itex", "video released isnd", "video created itex", "video created isnd",
                              "audio released itex", "audio released isnd", "audio created itex", "audio created isnd"};
    EXPECT_EQ(journal.entries, expected);
}

TEST(CContentProcessorsManager, KeepsTheDriverAndAudioDeviceOfTheLastDeviceEvents) {
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    CRefHandle<TestService> oldDriver(new TestService);
    CRefHandle<TestService> newDriver(new TestService);
    CRefHandle<TestService> oldAudio(new TestService);
    CRefHandle<TestService> newAudio(new TestService);
    CRefHandle<CContentProcessorsManager> manager(
        new CContentProcessorsManager(fileSystem.get(), oldDriver.get(), oldAudio.get()));
    EXPECT_EQ(fileSystem->referenceCount(), 2);
    EXPECT_EQ(oldDriver->referenceCount(), 2);

    EXPECT_FALSE(post(manager.get(), IDeviceServiceEvent::VideoDriverReleased));
    EXPECT_EQ(manager->getVideoDriver(), nullptr);
    EXPECT_EQ(oldDriver->referenceCount(), 1);
    EXPECT_FALSE(post(manager.get(), IDeviceServiceEvent::VideoDriverCreated, newDriver.get()));
    EXPECT_EQ(manager->getVideoDriver(), newDriver.get());
    EXPECT_EQ(newDriver->referenceCount(), 2);

    EXPECT_FALSE(post(manager.get(), IDeviceServiceEvent::AudioDeviceReleased));
    EXPECT_EQ(manager->getAudioDevice(), nullptr);
    EXPECT_EQ(oldAudio->referenceCount(), 1);
    EXPECT_FALSE(post(manager.get(), IDeviceServiceEvent::AudioDeviceCreated, newAudio.get()));
    EXPECT_EQ(manager->getAudioDevice(), newAudio.get());

    manager.reset();
    EXPECT_EQ(newDriver->referenceCount(), 1);
    EXPECT_EQ(newAudio->referenceCount(), 1);
    EXPECT_EQ(fileSystem->referenceCount(), 1);
}

// Through the engine the processors get the new driver first; then the
// content manager notifies the processors of cached types, lowest priority
// first, and only for types that have cached objects.
TEST(CContentProcessorsManager, ProcessorsHoldTheNewDriverBeforeTheContentManagerNotifiesThem) {
    TempDir dir;
    dir.write("a.png", "image");
    dir.write("b.snd", "sound");
    ProcessorJournal journal;
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
    CRefHandle<CContentProcessorsManager> processors(new CContentProcessorsManager(fileSystem.get()));
    CRefHandle<CContentManager> content(new CContentManager(nullptr, fileSystem.get(), processors.get()));
    CRefHandle<TestProcessor> texture = newProcessor("itex", &journal, CEvent::MaskDevice);
    texture->setPriority(1);
    CRefHandle<TestProcessor> sound = newProcessor("isnd", &journal, CEvent::MaskDevice);
    CRefHandle<TestProcessor> font = newProcessor("font", &journal, CEvent::MaskDevice);
    for (TestProcessor* processor : {texture.get(), sound.get(), font.get()})
        ASSERT_TRUE(processors->registerProcessor(processor));
    CRefHandle<IContent> image(content->load(ContentTypeImageTexture, u"a.png", false));
    CRefHandle<IContent> voice(content->load(ContentTypeSound, u"b.snd", false));
    ASSERT_TRUE(image && voice);

    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams{}));
    ASSERT_TRUE(engine->addListener(content.get(), CContentManager::ListenerPriority));
    ASSERT_TRUE(engine->addListener(processors.get(), CContentProcessorsManager::ListenerPriority));
    CRefHandle<TestService> driver(new TestService);
    CRefHandle<TestDeviceEvent> created(new TestDeviceEvent(IDeviceServiceEvent::VideoDriverCreated, driver.get()));
    EXPECT_FALSE(engine->postEvent(created.get()));

    const Journal expected = {"video created itex", "video created isnd", "video created font",
                              "notify isnd event 11 objects 1", "notify itex event 11 objects 1"};
    EXPECT_EQ(journal.entries, expected);
    EXPECT_EQ(content->getVideoDriver(), driver.get());
    EXPECT_EQ(processors->getVideoDriver(), driver.get());

    engine->removeListener(content.get());
    engine->removeListener(processors.get());
}

} // namespace
