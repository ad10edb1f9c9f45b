#include "engine/sound/CSoundContentProcessor.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEvent.h"
#include "engine/core/CObjectName.h"
#include "engine/sound/SoundServices.h"
#include "tests/engine/sound/SoundTestSupport.h"

#include <gtest/gtest.h>

TEST(CSoundContentProcessor, RegistersOncePerManager) {
    CRefHandle<CContentProcessorsManager> processors(new CContentProcessorsManager(nullptr));
    EXPECT_FALSE(registerSoundProcessors(nullptr));
    EXPECT_TRUE(registerSoundProcessors(processors.get()));
    EXPECT_FALSE(registerSoundProcessors(processors.get()));
    EXPECT_EQ(processors->processorCount(), 2u);
    auto* sounds = processors->findProcessor(ContentTypeSound);
    ASSERT_TRUE(sounds);
    EXPECT_EQ(sounds->getPriority(), 1);
    EXPECT_EQ(sounds->getMask(), CEvent::MaskDevice);
    // Without an audio device nothing loads.
    CRefHandle<IReadableFile> file = memoryFile(pcm16Wav(1, 8000, {1, 2, 3}), "a.wav");
    EXPECT_EQ(sounds->load(nullptr, file.get(), CObjectName()), nullptr);
}
