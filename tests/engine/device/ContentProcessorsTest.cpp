#include "engine/device/ContentProcessors.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/video/CImageTextureProcessor.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class StandInProcessor : public IContentProcessor {
public:
    explicit StandInProcessor(uint32_t type) : m_type(type) {}
    [[nodiscard]] uint32_t getContentType() const override { return m_type; }
    [[nodiscard]] IContent* load(IContentManager*, IReadableFile*, const CObjectName&) override { return nullptr; }

private:
    uint32_t m_type;
};

std::vector<std::string> typesOf(const CContentProcessorsManager& processors) {
    std::vector<std::string> types;
    for (uint32_t i = 0; i < processors.processorCount(); ++i) {
        const uint32_t type = processors.processorAt(i)->getContentType();
        types.push_back({char(type), char(type >> 8), char(type >> 16), char(type >> 24)});
    }
    return types;
}

} // namespace

TEST(ContentProcessors, RegistersEveryProcessorInTheEnginesOrder) {
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    CRefHandle<CContentProcessorsManager> processors(new CContentProcessorsManager(fileSystem.get(), driver.get()));
    CRefHandle<IContentProcessor> particles(new StandInProcessor(ContentTypeParticleCollection));
    CRefHandle<IContentProcessor> emitters(new StandInProcessor(ContentTypeParticleEmitter));
    IContentProcessor* const extra[] = {particles.get(), emitters.get()};

    EXPECT_TRUE(registerContentProcessors(processors.get(), extra));
    EXPECT_EQ(typesOf(*processors), (std::vector<std::string>{"itex", "atex", "atxc", "imag", "snod", "font", "prtc",
                                                              "pemt", "isnd", "sndp"}));
    auto* textures = dynamic_cast<CImageTextureProcessor*>(processors->findProcessor(ContentTypeImageTexture));
    ASSERT_NE(textures, nullptr);
    EXPECT_EQ(textures->getDriver(), driver.get());

    // A second start-up keeps the first processors in charge.
    EXPECT_FALSE(registerContentProcessors(processors.get()));
    EXPECT_EQ(processors->processorCount(), 10u);
    EXPECT_EQ(processors->findProcessor(ContentTypeImageTexture), textures);
    EXPECT_FALSE(registerContentProcessors(nullptr));
}
