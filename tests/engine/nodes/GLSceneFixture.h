#pragma once

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CPixelImage.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/IGraphicsDriver.h"
#include "tests/engine/video/GLTestContext.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// Scenes drawn by the OpenGL driver on a hidden context and compared with
// reference pictures kept beside the tests: a driver of the given size, a
// content manager over a fresh temporary folder with the content processors
// and the standard nodes. Skipped where no GL context can be made.
// BM_UPDATE_REFERENCES=1 writes the references anew (look at them before
// committing them).
class GLSceneFixture : public ::testing::Test {
protected:
    // `referenceFolder`: where the pictures lie, relative to the sources.
    GLSceneFixture(const char* referenceFolder, int32_t width, int32_t height)
        : m_referenceFolder(referenceFolder), m_width(width), m_height(height) {}

    void SetUp() override;
    void TearDown() override;

    // The scene file `name` of the temporary folder, or null.
    [[nodiscard]] CRefHandle<BaseNode> loadScene(const char* name);
    // One frame of `root`'s subtree over a dark blue background.
    [[nodiscard]] CRefHandle<CPixelImage> draw(BaseNode* root);
    // Compares `shot` with the reference picture of that name; with
    // BM_UPDATE_REFERENCES set, the shot becomes the reference and the test
    // is skipped.
    void expectMatchesReference(CPixelImage* shot, const char* referenceName);

    TempDir m_dir;
    CRefHandle<CVirtualFileSystem> m_fileSystem{new CVirtualFileSystem};
    CRefHandle<CGLTestContext> m_context;
    CRefHandle<IGraphicsDriver> m_driver;
    CRefHandle<CContentProcessorsManager> m_processors;
    CRefHandle<CContentManager> m_manager;

private:
    std::string m_referenceFolder;
    int32_t m_width;
    int32_t m_height;
};
