#pragma once

#include "engine/content/CContentManager.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/CPngImageWriter.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEvent.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CDiskWriteFile.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/app/GGameApplication.h"
#include "game/app/main/GGameClasses.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// The scene files of the start of the game, in their smallest working form.
namespace sceneflow {

// The repository's folder, made absolute before any test changes the working
// folder: on Windows a path without a drive belongs to the working folder's
// drive.
inline const std::filesystem::path kSourceFolder = std::filesystem::absolute(BM_SOURCE_DIR);

// Copies the repository's asset folders (the assets, and the developer
// dictionaries beside them) into `folder`. Copies, not links: Windows makes
// links only with privileges.
inline void copyGameAssets(const std::filesystem::path& folder) {
    for (const char* name : {"assets", "assets_en", "assets_ru"})
        std::filesystem::copy(kSourceFolder / name, folder / name, std::filesystem::copy_options::recursive);
}

inline std::string logosScene() {
    auto slot = [](const char* name) {
        return std::string(R"(<SceneNode Type="SceneNode"><Properties><string Name="Name" Value=")") + name +
               R"("/><vector3d Name="Bounds" Value="1024;768;0"/></Properties>
        <SceneNode Type="GRectangleNode"><Properties><string Name="Name" Value="Bg"/>
          <vector3d Name="Bounds" Value="1024;768;0"/><color Name="FillColor" Value="FFFFFFFF"/></Properties></SceneNode>
        <SceneNode Type="SpriteNode"><Properties><string Name="Name" Value="Logo"/></Properties></SceneNode>
      </SceneNode>)";
    };
    return R"(<?xml version="1.0"?>
<SceneNode Type="GLogosScene"><Properties><string Name="Name" Value="Logos"/></Properties>
  <SceneNode Type="SceneNode"><Properties><string Name="Name" Value="Scene"/></Properties>)" +
           slot("Logo1") + slot("Logo2") + R"(</SceneNode>
</SceneNode>)";
}

constexpr const char* kIntroScene = R"(<?xml version="1.0"?>
<SceneNode Type="GIntroScene"><Properties><string Name="Name" Value="Intro"/></Properties>
  <SceneNode Type="SceneNode"><Properties><string Name="Name" Value="Scene"/></Properties>
    <SceneNode Type="SpriteNode"><Properties><string Name="Name" Value="Bg"/></Properties></SceneNode>
    <SceneNode Type="GRectangleNode"><Properties><string Name="Name" Value="ProgressBg"/>
      <vector3d Name="Bounds" Value="400;20;0"/></Properties></SceneNode>
    <SceneNode Type="GRectangleNode"><Properties><string Name="Name" Value="Progress"/>
      <vector3d Name="Bounds" Value="0;20;0"/></Properties></SceneNode>
  </SceneNode>
</SceneNode>)";

// A screen of the given class named `name`.
inline std::string screen(const char* type, const char* name) {
    return std::string(R"(<?xml version="1.0"?><SceneNode Type=")") + type +
           R"("><Properties><string Name="Name" Value=")" + name + R"("/></Properties></SceneNode>)";
}

// Pixels whose colour channels differ by more than `tolerance`; every pixel
// counts when the sizes differ.
inline uint32_t differingPixels(const CPixelImage& a, const CPixelImage& b, int tolerance) {
    if (a.width() != b.width() || a.height() != b.height())
        return a.width() * a.height() + 1;
    uint32_t count = 0;
    for (uint32_t y = 0; y < a.height(); ++y) {
        for (uint32_t x = 0; x < a.width(); ++x) {
            const CColor p(a.pixelAt(x, y));
            const CColor q(b.pixelAt(x, y));
            if (std::abs(int(p.red()) - int(q.red())) > tolerance ||
                std::abs(int(p.green()) - int(q.green())) > tolerance ||
                std::abs(int(p.blue()) - int(q.blue())) > tolerance)
                ++count;
        }
    }
    return count;
}

// Runs the game headless in a folder of its own, its profiles in it too.
class SceneFlowTest : public testing::Test {
protected:
    void SetUp() override {
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_dir.path());
        setEnvironmentVariable("XDG_DATA_HOME", (m_dir.path() / "data").string());
        setEnvironmentVariable("XDG_CONFIG_HOME", (m_dir.path() / "config").string());
    }
    void TearDown() override {
        if (m_game)
            m_game->release();
        std::filesystem::current_path(m_previous);
    }

    void write(const std::string& path, const std::string& text) const { m_dir.write("assets/" + path, text); }

    // The logos screen, the loading screen and a main menu of `menuType`.
    void writeStartScenes(const char* menuType = "SceneNode") const {
        write("scenes/LogosScene.mscn", logosScene());
        write("scenes/IntroScene.mscn", kIntroScene);
        write("scenes/MainMenuScene.mscn", screen(menuType, "MainMenu"));
    }

    GGameApplication* start(bool nullVideo = true) {
        GGameOptions options;
        options.registerStartClasses = &registerStartClasses;
        options.registerAllClasses = &registerAllGameClasses;
        options.nullVideoDriver = nullVideo;
        m_game = new GGameApplication(options);
        return m_game;
    }

    bool runSteps(int steps) {
        for (int i = 0; i < steps; ++i)
            if (!m_game->run())
                return false;
        return true;
    }

    // Runs the loop until the game's clock has gone on by `ms` at least: a
    // step may only deliver a window event, or come too soon for an update.
    bool runFor(uint32_t ms) {
        const uint64_t end = m_game->getTotalTime() + ms;
        for (int step = 0; step < 100000 && m_game->getTotalTime() < end; ++step)
            if (!m_game->run())
                return false;
        return m_game->getTotalTime() >= end;
    }

    // Runs the loop until `done()` holds; gives up after a minute of the
    // game's clock, which runs in real time. Waiting on the clock alone is not
    // enough where a queued event must arrive: one slow step may cover the
    // whole wait.
    template <class Done> bool runUntil(Done done) {
        const uint64_t end = m_game->getTotalTime() + 60000;
        while (m_game->getTotalTime() < end) {
            if (done())
                return true;
            if (!m_game->run())
                return false;
        }
        return done();
    }

    // Runs the loop until the top screen is named `name`.
    bool runUntilTop(const char* name) {
        return runUntil([&] { return topName() == name; });
    }

    [[nodiscard]] std::string topName() const {
        SceneNode* top = m_game->getSceneManager()->getCurrentScene();
        return top ? std::string(top->getName().str().c_str()) : std::string();
    }

    // Writes a PNG picture of `width` x `height` pixels of one colour.
    void writePicture(const std::string& path, uint32_t width, uint32_t height) const {
        CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
        image->fillColor(CColor(0xFF3080C0u));
        m_dir.write("assets/" + path, std::string());
        const std::u16string full = (m_dir.path() / "assets" / path).u16string();
        CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(CStringW(full.c_str()), false));
        ASSERT_TRUE(file);
        CRefHandle<CPngImageWriter> writer(new CPngImageWriter());
        ASSERT_TRUE(writer->write(file.get(), image.get(), 0));
    }

    bool post(CEvent* event) {
        CRefHandle<CEvent> held(event);
        return m_game->getEngine()->postEvent(event);
    }

    // Compares what the window shows with the picture at `reference`, within
    // a shade and a few edge pixels; BM_UPDATE_REFERENCES=1 writes the
    // picture anew instead and skips the test (look at it before keeping it).
    void expectScreenLooksLike(const std::filesystem::path& reference) {
        CRefHandle<CPixelImage> shot(m_game->getEngine()->getVideoDriver()->takeScreenshot());
        ASSERT_NE(shot, nullptr);
        CContentManager* content = m_game->getContentManager();
        if (std::getenv("BM_UPDATE_REFERENCES")) {
            ASSERT_TRUE(content->save(ContentTypeImage, shot.get(), fromNativePath(reference.string()), nullptr));
            GTEST_SKIP() << "Reference written to " << reference;
        }
        const std::vector<uint8_t> bytes = readAllBytes(reference);
        ASSERT_FALSE(bytes.empty()) << "Missing reference picture " << reference;
        // One copy per picture: the content cache keeps pictures by name.
        const std::string copy = "reference-" + reference.filename().string();
        (void)m_dir.write(copy, bytes);
        CRefHandle<IContent> loaded(content->load(ContentTypeImage, CStringW(copy.c_str()), false));
        const auto* expected = dynamic_cast<const CPixelImage*>(loaded.get());
        ASSERT_NE(expected, nullptr);
        // Rasterisers may differ by a shade or an edge pixel here and there.
        EXPECT_LE(differingPixels(*shot, *expected, 12), shot->width() * shot->height() / 500);
    }

    TempDir m_dir;
    std::filesystem::path m_previous;
    GGameApplication* m_game = nullptr;
};

} // namespace sceneflow
