#include "tests/engine/nodes/GLSceneFixture.h"

#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CMat4.h"
#include "engine/device/ContentProcessors.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/video/OpenGLDriver.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/engine/video/DriverTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

void GLSceneFixture::SetUp() {
    std::string error;
    m_context.reset(CGLTestContext::create(m_width, m_height, true, &error));
    if (!m_context)
        GTEST_SKIP() << "No OpenGL context can be made on this machine: " << error;
    CEngineCreationParams params;
    params.driverType = CEngineCreationParams::DriverOpenGL;
    params.width = m_width;
    params.height = m_height;
    params.colorBits = 32;
    params.stencil = true;
    m_driver.reset(createOpenGLDriver(params, m_fileSystem.get(), m_context.get()));
    ASSERT_TRUE(m_driver);
    ASSERT_NE(m_fileSystem->mountArchive(fromNativePath(m_dir.path().string()), nullptr), nullptr);
    CEngineManagers& managers = CEngineManagers::instance();
    if (!managers.getImageFormatRegistry())
        managers.setImageFormatRegistry(new CImageFormatRegistry);
    registerStandardNodes(*managers.getNodeFactory());
    m_processors.reset(new CContentProcessorsManager(m_fileSystem.get(), m_driver.get()));
    (void)registerContentProcessors(m_processors.get());
    m_manager.reset(new CContentManager(m_driver.get(), m_fileSystem.get(), m_processors.get()));
}

void GLSceneFixture::TearDown() {
    if (m_manager)
        m_manager->clear();
    m_manager.reset();
    m_processors.reset();
    m_driver.reset();
    m_context.reset();
}

CRefHandle<BaseNode> GLSceneFixture::loadScene(const char* name) {
    IContent* content = m_manager->load(ContentTypeSceneNode, CStringW(name), false);
    BaseNode* node = dynamic_cast<BaseNode*>(content);
    if (!node && content)
        content->release();
    return CRefHandle<BaseNode>(node);
}

CRefHandle<CPixelImage> GLSceneFixture::draw(BaseNode* root) {
    EXPECT_TRUE(m_driver->beginFrame(true, true, CColor(0xFF203040u), nullptr, nullptr));
    m_driver->setMatrix(MatrixKind::World, CMat4::identity());
    drawTree(root, m_driver.get());
    CRefHandle<CPixelImage> shot(m_driver->takeScreenshot());
    EXPECT_TRUE(m_driver->endFrame());
    return shot;
}

void GLSceneFixture::expectMatchesReference(CPixelImage* shot, const char* referenceName) {
    const std::filesystem::path reference = std::filesystem::path(BM_SOURCE_DIR) / m_referenceFolder / referenceName;
    if (std::getenv("BM_UPDATE_REFERENCES")) {
        ASSERT_TRUE(m_manager->save(ContentTypeImage, shot, fromNativePath(reference.string()), nullptr));
        GTEST_SKIP() << "Reference written to " << reference;
    }
    const std::vector<uint8_t> bytes = readAllBytes(reference);
    ASSERT_FALSE(bytes.empty()) << "Missing reference picture " << reference;
    const std::string copy = std::string("reference-") + referenceName;
    (void)m_dir.write(copy, bytes);
    IContent* loaded = m_manager->load(ContentTypeImage, CStringW(copy.c_str()), false);
    CRefHandle<CPixelImage> expected(dynamic_cast<CPixelImage*>(loaded));
    ASSERT_TRUE(expected);
    // Rasterisers may differ by a shade or an edge pixel here and there.
    EXPECT_LE(differingPixels(*shot, *expected, 12), uint32_t(m_width * m_height / 200));
}
