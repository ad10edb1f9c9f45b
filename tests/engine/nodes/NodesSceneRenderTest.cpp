// A scene file with sprites, a nine-grid frame and texts, drawn by the
// OpenGL driver on a hidden context and compared with a reference picture
// kept in tests/engine/nodes/data; then saved, read back and drawn again.
// The sprite pictures are packed (and trimmed) by the atlas packer into a
// collection the scene uses; one font is built by the font builder from the
// DejaVu fixture of the tools' tests, the other is drawn here.
// A second scene of buttons, a check box, a slider and a progress bar is
// clicked through a scene manager and compared the same way, as is a typed
// name with a message box opened over it.
// BM_UPDATE_REFERENCES=1 writes the references anew (look at it before
// committing it).

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/core/ITimeSource.h"
#include "engine/device/ContentProcessors.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/EditNode.h"
#include "engine/nodes/ParticleCollection.h"
#include "engine/nodes/ParticleSystemNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CEventDictionaryChanged.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/AtlasTextureCollection.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/OpenGLDriver.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/engine/video/GLTestContext.h"
#include "tests/support/TestSupport.h"
#include "tools/atlas/AtlasPacker.h"
#include "tools/font/FontBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 192;
constexpr int32_t kHeight = 128;

// 5 x 7 letters of the test font, '#' set.
struct Letter {
    char16_t c;
    const char* rows[7];
};
constexpr Letter kLetters[] = {
    {u'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {u'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {u'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {u'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {u'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {u'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {u'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {u' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

const char* kScene = R"(<?xml version="1.0"?>
<SceneNode Type="BaseNode">
  <Uses><AtlasTextureCollection Value="sprites.xml"/></Uses>
  <Properties><string Name="Name" Value="Root"/></Properties>
  <SceneNode Type="SpriteNode">
    <Properties>
      <string Name="Name" Value="Badge"/>
      <vector3d Name="Position" Value="8;8;0"/>
      <atlasTexture Name="AtlasTexture" Value="badge.png"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="SpriteNode">
    <Properties>
      <string Name="Name" Value="Stretched"/>
      <vector3d Name="Position" Value="48;8;0"/>
      <vector3d Name="Bounds" Value="64;24;0"/>
      <color Name="TintColor" Value="ff80ff80"/>
      <int Name="ImageStretchX" Value="1"/>
      <int Name="ImageStretchY" Value="1"/>
      <atlasTexture Name="AtlasTexture" Value="badge.png"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="SpriteNode">
    <Properties>
      <string Name="Name" Value="Mirrored"/>
      <vector3d Name="Position" Value="128;8;0"/>
      <vector3d Name="Scale" Value="1.5;1;1"/>
      <color Name="TintColor" Value="ff402000"/>
      <bool Name="FlipX" Value="true"/>
      <bool Name="FlipY" Value="true"/>
      <int Name="BlendType" Value="1"/>
      <atlasTexture Name="AtlasTexture" Value="badge.png"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="NineGridSpriteNode">
    <Properties>
      <string Name="Name" Value="Frame"/>
      <vector3d Name="Position" Value="8;48;0"/>
      <vector3d Name="Bounds" Value="96;40;0"/>
      <atlasTexture Name="AtlasTexture" Value="frame.png"/>
      <vector2d Name="TopLeftDelta" Value="8;8"/>
      <vector2d Name="BottomRightDelta" Value="8;8"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="TextNode">
    <Properties>
      <string Name="Name" Value="Title"/>
      <vector3d Name="Position" Value="8;48;0"/>
      <vector3d Name="Bounds" Value="96;40;0"/>
      <color Name="TintColor" Value="ffffff00"/>
      <int Name="TextHAlign" Value="2"/>
      <int Name="TextVAlign" Value="2"/>
      <font Name="Font" Value="dejavu.mfnt"/>
      <stringw Name="Text" Value="Hello, nodes!"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="BaseNode">
    <Properties>
      <string Name="Name" Value="Window"/>
      <vector3d Name="Position" Value="112;48;0"/>
      <vector3d Name="Bounds" Value="72;28;0"/>
      <bool Name="ChildrenClipped" Value="true"/>
    </Properties>
    <SceneNode Type="TextNode">
      <Properties>
        <string Name="Name" Value="Clipped"/>
        <vector3d Name="Position" Value="-10;4;0"/>
        <vector3d Name="Bounds" Value="200;28;0"/>
        <float Name="FontScale" Value="2"/>
        <font Name="Font" Value="font.mfnt"/>
        <stringw Name="Text" Value="NODES NODES"/>
      </Properties>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="TextNode">
    <Properties>
      <string Name="Name" Value="Wrapped"/>
      <vector3d Name="Position" Value="112;84;0"/>
      <vector3d Name="Bounds" Value="48;36;0"/>
      <color Name="TintColor" Value="ff80c0ff"/>
      <vector2d Name="Kerning" Value="1;2"/>
      <int Name="TextHAlign" Value="3"/>
      <bool Name="WordWrap" Value="true"/>
      <font Name="Font" Value="dejavu.mfnt"/>
      <stringw Name="Text" Value="Wavy Tea"/>
    </Properties>
  </SceneNode>
</SceneNode>
)";

std::string fontFile() {
    std::string text = "<Font Type=\"Bitmap\">\n  <Texture Filename=\"font.png\"/>\n";
    int column = 0;
    for (const Letter& letter : kLetters) {
        const int left = column * 6;
        text += "  <c c=\"" + std::string(1, char(letter.c)) + "\" r=\"" + std::to_string(left) + ",0," +
                std::to_string(left + 5) + ",7\" b=\"0,1\" a=\"1,1\"/>\n";
        ++column;
    }
    text += "  <k c=\"LO\" k=\"-1\"/>\n</Font>\n";
    return text;
}

CColor fontPixel(uint32_t x, uint32_t y) {
    const uint32_t index = x / 6;
    const uint32_t column = x % 6;
    if (index >= std::size(kLetters) || column >= 5 || y >= 7)
        return CColor(0x00FFFFFFu);
    return CColor(kLetters[index].rows[y][column] == '#' ? 0xFFFFFFFFu : 0x00FFFFFFu);
}

// Four coloured quarters inside a transparent 2-pixel border, with a white
// diagonal, so that flips and stretches show.
CColor atlasPixel(uint32_t x, uint32_t y) {
    if (x < 2 || y < 2 || x >= 30 || y >= 30)
        return CColor(0x00000000u);
    if (x == y)
        return CColor(0xFFFFFFFFu);
    const uint32_t quarter[4] = {0xFFE03020u, 0xFF30C040u, 0xFF3050E0u, 0xC0F0D020u};
    return CColor(quarter[(y >= 16 ? 2 : 0) + (x >= 16 ? 1 : 0)]);
}

// An orange 8-pixel border with darker corners around a translucent blue centre.
CColor framePixel(uint32_t x, uint32_t y) {
    const bool edgeX = x < 8 || x >= 16;
    const bool edgeY = y < 8 || y >= 16;
    if (x == 0 || y == 0 || x == 23 || y == 23)
        return CColor(0xFFFFFFFFu);
    if (edgeX && edgeY)
        return CColor(0xFF804010u);
    if (edgeX || edgeY)
        return CColor(0xFFF09020u);
    return CColor(0x802040A0u);
}

class NodesSceneRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_context.reset(CGLTestContext::create(kWidth, kHeight, true, &error));
        if (!m_context)
            GTEST_SKIP() << "No OpenGL context can be made on this machine: " << error;
        CEngineCreationParams params;
        params.driverType = CEngineCreationParams::DriverOpenGL;
        params.width = kWidth;
        params.height = kHeight;
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

        packSprites();
        buildFont();
        writePng("font.png", uint32_t(std::size(kLetters)) * 6, 8, fontPixel);
        (void)m_dir.write("font.mfnt", fontFile());
        (void)m_dir.write("scene.mscn", std::string(kScene));
    }

    void TearDown() override {
        if (m_manager)
            m_manager->clear();
        m_manager.reset();
        m_processors.reset();
        m_driver.reset();
        m_context.reset();
    }

    // The badge (trimmed of its transparent border) and the frame on one page.
    void packSprites() {
        const std::vector<AtlasInput> inputs = {{CStringW(u"badge.png"), image(32, 32, atlasPixel)},
                                                {CStringW(u"frame.png"), image(24, 24, framePixel)}};
        AtlasPackOptions options;
        options.trim = true;
        AtlasPacker packer;
        std::string error;
        ASSERT_TRUE(packer.pack(inputs, options, &error)) << error;
        ASSERT_EQ(packer.pages().size(), 1u);
        ASSERT_TRUE(writePngFile(*packer.pages()[0], (m_dir.path() / "sprites.png").string()));
        CRefHandle<AtlasTextureCollection> collection = makeAtlasCollection(inputs, packer, {CStringW(u"sprites.png")});
        ASSERT_TRUE(collection);
        ASSERT_TRUE(writeCollectionFile(*collection, (m_dir.path() / "sprites.xml").string()));
    }

    void buildFont() {
        FontBuildOptions options;
        options.fontFile = (std::filesystem::path(BM_SOURCE_DIR) / "tests/tools/data/DejaVuSans-subset.ttf").string();
        options.pixelSize = 12;
        std::string error;
        ASSERT_TRUE(parseCharacterSet("ascii", options.characters, &error)) << error;
        FontBuilder builder;
        ASSERT_TRUE(builder.build(options, &error)) << error;
        ASSERT_TRUE(builder.write((m_dir.path() / "dejavu.mfnt").string(), &error)) << error;
    }

    static CRefHandle<CPixelImage> image(uint32_t width, uint32_t height, CColor (*color)(uint32_t, uint32_t)) {
        CRefHandle<CPixelImage> picture(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                picture->putPixel(x, y, color(x, y));
        return picture;
    }

    void writePng(const char* name, uint32_t width, uint32_t height, CColor (*color)(uint32_t, uint32_t)) {
        CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                image->putPixel(x, y, color(x, y));
        ASSERT_TRUE(
            m_manager->save(ContentTypeImage, image.get(), fromNativePath((m_dir.path() / name).string()), nullptr));
    }

    [[nodiscard]] CRefHandle<BaseNode> loadScene(const char* name) {
        IContent* content = m_manager->load(ContentTypeSceneNode, CStringW(name), false);
        BaseNode* node = dynamic_cast<BaseNode*>(content);
        if (!node && content)
            content->release();
        return CRefHandle<BaseNode>(node);
    }

    [[nodiscard]] CRefHandle<CPixelImage> draw(BaseNode* root) {
        EXPECT_TRUE(m_driver->beginFrame(true, true, CColor(0xFF203040u), nullptr, nullptr));
        m_driver->setMatrix(MatrixKind::World, CMat4::identity());
        drawTree(root, m_driver.get());
        CRefHandle<CPixelImage> shot(m_driver->takeScreenshot());
        EXPECT_TRUE(m_driver->endFrame());
        return shot;
    }

    // Compares `shot` with the reference picture of that name kept beside the
    // tests; with BM_UPDATE_REFERENCES set, the shot becomes the reference and
    // the test is skipped.
    void expectMatchesReference(CPixelImage* shot, const char* referenceName);

    TempDir m_dir;
    CRefHandle<CVirtualFileSystem> m_fileSystem{new CVirtualFileSystem};
    CRefHandle<CGLTestContext> m_context;
    CRefHandle<IGraphicsDriver> m_driver;
    CRefHandle<CContentProcessorsManager> m_processors;
    CRefHandle<CContentManager> m_manager;
};

} // namespace

void NodesSceneRenderTest::expectMatchesReference(CPixelImage* shot, const char* referenceName) {
    const std::filesystem::path reference =
        std::filesystem::path(BM_SOURCE_DIR) / "tests/engine/nodes/data" / referenceName;
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
    EXPECT_LE(differingPixels(*shot, *expected, 12), uint32_t(kWidth * kHeight / 200));
}

TEST_F(NodesSceneRenderTest, SceneMatchesItsReferenceAndSurvivesASave) {
    CRefHandle<BaseNode> root = loadScene("scene.mscn");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->getChildren().size(), 7u);
    CRefHandle<CPixelImage> shot = draw(root.get());
    ASSERT_TRUE(shot);

    expectMatchesReference(shot.get(), "NodesSceneReference.png");
    if (IsSkipped() || HasFatalFailure())
        return;

    // Saved and read back, the scene draws the same and saves the same.
    const CStringW saved = fromNativePath((m_dir.path() / "saved.mscn").string());
    ASSERT_TRUE(m_manager->save(ContentTypeSceneNode, root.get(), saved, nullptr));
    CRefHandle<BaseNode> reread = loadScene("saved.mscn");
    ASSERT_TRUE(reread);
    CRefHandle<CPixelImage> again = draw(reread.get());
    ASSERT_TRUE(again);
    EXPECT_EQ(differingPixels(*shot, *again, 0), 0u);
    const CStringW savedAgain = fromNativePath((m_dir.path() / "saved2.mscn").string());
    ASSERT_TRUE(m_manager->save(ContentTypeSceneNode, reread.get(), savedAgain, nullptr));
    EXPECT_EQ(readAllBytes(m_dir.path() / "saved.mscn"), readAllBytes(m_dir.path() / "saved2.mscn"));
}

TEST_F(NodesSceneRenderTest, LanguageChangeReloadsTheFontAndTranslatesAgain) {
    CRefHandle<BaseNode> root = loadScene("scene.mscn");
    ASSERT_TRUE(root);
    TextNode* title = nodeCast<TextNode>(root->findChild(CName("Title"), 0));
    ASSERT_NE(title, nullptr);
    const CRefHandle<Font> before = CRefHandle<Font>::share(title->getFont());
    ASSERT_TRUE(before);
    const uint32_t glyphs = title->getGlyphQuads().size();
    title->setText(CStringW(u"%Greeting%"));
    CEngineManagers::instance().getDictionary()->set("Greeting", CStringW(u"Hello, nodes!"));

    CRefHandle<CEventDictionaryChanged> event(new CEventDictionaryChanged());
    EXPECT_FALSE(title->handleEvent(event.get()));
    CEngineManagers::instance().getDictionary()->clear();
    // The font came from its file again, under the same name.
    ASSERT_TRUE(title->getFont());
    EXPECT_NE(title->getFont(), before.get());
    EXPECT_TRUE(title->getFont()->getContentName().str() == before->getContentName().str());
    EXPECT_EQ(std::u16string(title->getDisplayText().view()), u"Hello, nodes!");
    EXPECT_EQ(title->getGlyphQuads().size(), glyphs);
}

namespace {

const char* kControlTemplates = R"(<?xml version="1.0"?>
<SceneNode Type="TemplateCollectionNode">
  <Uses><AtlasTextureCollection Value="sprites.xml"/></Uses>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="Button"/></Properties>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="Face"/>
        <vector3d Name="Bounds" Value="80;24;0"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="8;8"/>
        <vector2d Name="BottomRightDelta" Value="8;8"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="TextNode">
      <Properties>
        <string Name="Name" Value="Text"/>
        <vector3d Name="Bounds" Value="80;24;0"/>
        <int Name="TextHAlign" Value="2"/>
        <int Name="TextVAlign" Value="2"/>
        <font Name="Font" Value="dejavu.mfnt"/>
      </Properties>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="CheckBox"/></Properties>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="Face"/>
        <vector3d Name="Bounds" Value="24;24;0"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="8;8"/>
        <vector2d Name="BottomRightDelta" Value="8;8"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="SpriteNode">
      <Properties>
        <string Name="Name" Value="Tick"/>
        <vector3d Name="Position" Value="4;4;0"/>
        <vector3d Name="Bounds" Value="16;16;0"/>
        <int Name="ImageStretchX" Value="1"/>
        <int Name="ImageStretchY" Value="1"/>
        <atlasTexture Name="AtlasTexture" Value="badge.png"/>
      </Properties>
      <States>
        <State Name="Normal"><StartAnimator Type="SetProps"><bool Name="Visible" Value="false"/></StartAnimator></State>
        <State Name="NormalCheck"><StartAnimator Type="SetProps"><bool Name="Visible" Value="true"/></StartAnimator></State>
      </States>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="Slider"/></Properties>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="SlidingArea"/>
        <vector3d Name="Bounds" Value="120;16;0"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="8;8"/>
        <vector2d Name="BottomRightDelta" Value="8;8"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="SpriteNode">
      <Properties>
        <string Name="Name" Value="Knob"/>
        <vector3d Name="Bounds" Value="16;16;0"/>
        <int Name="ImageStretchX" Value="1"/>
        <int Name="ImageStretchY" Value="1"/>
        <atlasTexture Name="AtlasTexture" Value="badge.png"/>
      </Properties>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="Progress"/></Properties>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="SlidingArea"/>
        <vector3d Name="Bounds" Value="120;16;0"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="8;8"/>
        <vector2d Name="BottomRightDelta" Value="8;8"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="Knob"/>
        <vector3d Name="Bounds" Value="16;16;0"/>
        <color Name="TintColor" Value="ff60ff60"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="4;4"/>
        <vector2d Name="BottomRightDelta" Value="4;4"/>
      </Properties>
    </SceneNode>
  </SceneNode>
</SceneNode>
)";

const char* kControlScene = R"(<?xml version="1.0"?>
<SceneNode Type="SceneNode">
  <Properties>
    <string Name="Name" Value="Controls"/>
    <vector3d Name="Bounds" Value="192;128;0"/>
  </Properties>
  <SceneNode Type="ButtonNode">
    <Properties>
      <string Name="Name" Value="Play"/>
      <vector3d Name="Position" Value="8;8;0"/>
      <string Name="TemplateName" Value="Button"/>
      <stringw Name="Text" Value="Play"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="CheckBoxNode">
    <Properties>
      <string Name="Name" Value="Sound"/>
      <vector3d Name="Position" Value="100;8;0"/>
      <string Name="TemplateName" Value="CheckBox"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="SliderNode">
    <Properties>
      <string Name="Name" Value="Volume"/>
      <vector3d Name="Position" Value="8;48;0"/>
      <string Name="TemplateName" Value="Slider"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="ProgressBarNode">
    <Properties>
      <string Name="Name" Value="Loading"/>
      <vector3d Name="Position" Value="8;80;0"/>
      <string Name="TemplateName" Value="Progress"/>
      <int Name="KnobType" Value="1"/>
    </Properties>
  </SceneNode>
</SceneNode>
)";

} // namespace

TEST_F(NodesSceneRenderTest, ControlsShowWhatTheMouseDid) {
    (void)m_dir.write("templates.mscn", std::string(kControlTemplates));
    (void)m_dir.write("controls.mscn", std::string(kControlScene));
    CRefHandle<BaseNode> templates = loadScene("templates.mscn");
    CRefHandle<BaseNode> root = loadScene("controls.mscn");
    ASSERT_TRUE(nodeCast<TemplateCollectionNode>(templates.get()));
    SceneNode* scene = nodeCast<SceneNode>(root.get());
    ASSERT_TRUE(scene);
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    manager->setEngine(engine.get());
    manager->setTemplateCollection(nodeCast<TemplateCollectionNode>(templates.get()));
    ASSERT_TRUE(manager->setScene(scene));
    auto update = [&] {
        (void)manager->update(0);
        manager->getSceneSchedulerOf(scene)->update(30);
        manager->updateAbsoluteTransformation();
    };
    auto click = [&](int x, int y) {
        for (CEvent* event :
             {static_cast<CEvent*>(new CEventMouseLeftDown(x, y)), static_cast<CEvent*>(new CEventMouseLeftUp(x, y))}) {
            (void)manager->dispatch(CEventReceiver::HandleThenChildren, event);
            event->release();
        }
        update();
    };
    update();

    // The check box is ticked, the slider's knob moves under the pointer
    // and the bar fills to its value.
    click(110, 18);
    click(98, 56);
    ProgressBarNode* loading = nodeCast<ProgressBarNode>(scene->findChild(CName("Loading"), 1));
    ASSERT_TRUE(loading);
    loading->setValue(30.0f);
    update();
    const CheckBoxNode* sound = nodeCast<CheckBoxNode>(scene->findChild(CName("Sound"), 1));
    ASSERT_TRUE(sound);
    EXPECT_TRUE(sound->isChecked());
    const SliderNode* volume = nodeCast<SliderNode>(scene->findChild(CName("Volume"), 1));
    ASSERT_TRUE(volume);
    EXPECT_NEAR(volume->getValue(), 100.0f * 82.0f / 104.0f, 0.01f);

    CRefHandle<CPixelImage> shot = draw(scene);
    ASSERT_TRUE(shot);
    expectMatchesReference(shot.get(), "ControlsReference.png");
    (void)manager->setScene(nullptr);
}

namespace {

class SteppedTime : public ITimeSource {
public:
    [[nodiscard]] uint32_t nowMs() const override { return now; }
    uint32_t now = 1000;

protected:
    ~SteppedTime() override = default;
};

const char* kFormTemplates = R"(<?xml version="1.0"?>
<SceneNode Type="TemplateCollectionNode">
  <Uses><AtlasTextureCollection Value="sprites.xml"/></Uses>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="Edit"/></Properties>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="Frame"/>
        <vector3d Name="Bounds" Value="176;36;0"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="8;8"/>
        <vector2d Name="BottomRightDelta" Value="8;8"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="TextNode">
      <Properties>
        <string Name="Name" Value="Text"/>
        <vector3d Name="Position" Value="6;3;0"/>
        <vector3d Name="Bounds" Value="164;30;0"/>
        <font Name="Font" Value="dejavu.mfnt"/>
      </Properties>
      <SceneNode Type="SpriteNode">
        <Properties>
          <string Name="Name" Value="Cursor"/>
          <vector3d Name="Bounds" Value="2;14;0"/>
          <int Name="ImageStretchX" Value="1"/>
          <int Name="ImageStretchY" Value="1"/>
          <atlasTexture Name="AtlasTexture" Value="badge.png"/>
        </Properties>
      </SceneNode>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="BaseNode">
    <Properties><string Name="Name" Value="Button"/></Properties>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="Face"/>
        <vector3d Name="Bounds" Value="80;24;0"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="8;8"/>
        <vector2d Name="BottomRightDelta" Value="8;8"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="TextNode">
      <Properties>
        <string Name="Name" Value="Text"/>
        <vector3d Name="Bounds" Value="80;24;0"/>
        <int Name="TextHAlign" Value="2"/>
        <int Name="TextVAlign" Value="2"/>
        <font Name="Font" Value="dejavu.mfnt"/>
      </Properties>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="BaseNode">
    <Properties>
      <string Name="Name" Value="Question"/>
      <vector3d Name="Bounds" Value="176;60;0"/>
    </Properties>
    <SceneNode Type="NineGridSpriteNode">
      <Properties>
        <string Name="Name" Value="Back"/>
        <vector3d Name="Bounds" Value="176;60;0"/>
        <color Name="TintColor" Value="ffa0c0ff"/>
        <atlasTexture Name="AtlasTexture" Value="frame.png"/>
        <vector2d Name="TopLeftDelta" Value="8;8"/>
        <vector2d Name="BottomRightDelta" Value="8;8"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="TextNode">
      <Properties>
        <string Name="Name" Value="TitleText"/>
        <vector3d Name="Position" Value="0;4;0"/>
        <vector3d Name="Bounds" Value="176;14;0"/>
        <int Name="TextHAlign" Value="2"/>
        <font Name="Font" Value="dejavu.mfnt"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="TextNode">
      <Properties>
        <string Name="Name" Value="BodyText"/>
        <vector3d Name="Position" Value="0;18;0"/>
        <vector3d Name="Bounds" Value="176;14;0"/>
        <int Name="TextHAlign" Value="2"/>
        <font Name="Font" Value="dejavu.mfnt"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="ButtonNode">
      <Properties>
        <string Name="Name" Value="Button"/>
        <vector3d Name="Position" Value="6;33;0"/>
        <string Name="TemplateName" Value="Button"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="ButtonNode">
      <Properties>
        <string Name="Name" Value="Button"/>
        <vector3d Name="Position" Value="90;33;0"/>
        <string Name="TemplateName" Value="Button"/>
      </Properties>
    </SceneNode>
  </SceneNode>
</SceneNode>
)";

const char* kFormScene = R"(<?xml version="1.0"?>
<SceneNode Type="SceneNode">
  <Properties>
    <string Name="Name" Value="Form"/>
    <vector3d Name="Bounds" Value="192;128;0"/>
  </Properties>
  <SceneNode Type="EditNode">
    <Properties>
      <string Name="Name" Value="PlayerName"/>
      <vector3d Name="Position" Value="8;6;0"/>
      <string Name="TemplateName" Value="Edit"/>
      <string Name="InputMask" Value="aSR"/>
      <int Name="MaxTextLength" Value="16"/>
    </Properties>
  </SceneNode>
</SceneNode>
)";

} // namespace

TEST_F(NodesSceneRenderTest, TypedNameAndMessageBoxAsThePlayerSeesThem) {
    (void)m_dir.write("form-templates.mscn", std::string(kFormTemplates));
    (void)m_dir.write("form.mscn", std::string(kFormScene));
    CRefHandle<BaseNode> templates = loadScene("form-templates.mscn");
    CRefHandle<BaseNode> root = loadScene("form.mscn");
    ASSERT_TRUE(nodeCast<TemplateCollectionNode>(templates.get()));
    SceneNode* scene = nodeCast<SceneNode>(root.get());
    ASSERT_TRUE(scene);
    CRefHandle<SteppedTime> time(new SteppedTime);
    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams{}, time.get()));
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    manager->setEngine(engine.get());
    manager->setTemplateCollection(nodeCast<TemplateCollectionNode>(templates.get()));
    ASSERT_TRUE(manager->setScene(scene));
    auto update = [&] {
        time->now += 30;
        (void)manager->update(0);
        if (SceneNode* top = manager->getCurrentScene())
            manager->getSceneSchedulerOf(top)->update(30);
        manager->updateAbsoluteTransformation();
    };
    for (int i = 0; i < 5; ++i)
        update();

    // The player clicks into the field and types two lines; the digit is not
    // a letter and the mask drops it.
    for (CEvent* event :
         {static_cast<CEvent*>(new CEventMouseLeftDown(20, 20)), static_cast<CEvent*>(new CEventMouseLeftUp(20, 20))}) {
        (void)manager->dispatch(CEventReceiver::HandleThenChildren, event);
        event->release();
    }
    update();
    EditNode* field = nodeCast<EditNode>(scene->findChild(CName("PlayerName"), 1));
    ASSERT_TRUE(field && field->isFocused());
    for (char16_t c : std::u16string(u"Ann\rLe7e")) {
        CEventKeyDown* key = new CEventKeyDown(c, c == u'\r' ? CEventKey::KeyReturn : 0);
        (void)manager->dispatch(CEventReceiver::HandleThenChildren, key);
        key->release();
    }
    update();
    EXPECT_EQ(std::u16string(field->getText().view()), u"Ann\nLee");
    const CRefHandle<CPixelImage> typed = draw(manager.get());
    ASSERT_TRUE(typed);

    CArray<CStringW> buttons;
    buttons.push_back(CStringW(u"Delete"));
    buttons.push_back(CStringW(u"Keep"));
    ASSERT_TRUE(scene->showMessageBox(CName("Question"), buttons, CStringW(u"Delete player?"), CStringW(u"Lee")));
    for (int i = 0; i < 5; ++i)
        update();
    CRefHandle<CPixelImage> shot = draw(manager.get());
    ASSERT_TRUE(shot);
    EXPECT_GT(differingPixels(*shot, *typed, 12), uint32_t(kWidth * kHeight / 20)) << "the box shows";

    expectMatchesReference(typed.get(), "EditReference.png");
    expectMatchesReference(shot.get(), "MessageBoxReference.png");
    (void)manager->setScene(nullptr);
}

namespace {

// Two trails of particles: fired up and to the right, falling back, turning,
// growing and fading through three colour keys; the second is drawn
// additively from a turned node.
const char* kParticleCollection = R"(<?xml version="1.0"?>
<ParticleCollection>
  <ParticleEmitter Type="PointEmitter">
    <Properties>
      <string Name="Name" Value="Fountain"/>
      <vector2d Name="PPSRange" Value="20;20"/>
      <vector2d Name="LifeTimeRange" Value="1800;1800"/>
      <vector2d Name="VelocityXRange" Value="60;60"/>
      <vector2d Name="VelocityYRange" Value="-90;-90"/>
      <vector2d Name="AccelerationYRange" Value="80;80"/>
      <vector2d Name="AngVelocityRange" Value="120;120"/>
      <vector2d Name="ScaleRange" Value="0.4;1.2"/>
      <vector2d Name="StartScaleTimeRange" Value="200;200"/>
      <string Name="ColorsRange" Value="FFFF4020;FFFFE040;4020A0FF"/>
    </Properties>
  </ParticleEmitter>
</ParticleCollection>
)";

const char* kParticleScene = R"(<?xml version="1.0"?>
<SceneNode Type="BaseNode">
  <Uses><AtlasTextureCollection Value="sprites.xml"/></Uses>
  <SceneNode Type="ParticleSystemNode">
    <Properties>
      <vector3d Name="Position" Value="20;100;0"/>
      <atlasTexture Name="ParticleTexture" Value="badge.png"/>
      <int Name="PregenTime" Value="1700"/>
      <stringw Name="EmitterName" Value="Fountain"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="ParticleSystemNode">
    <Properties>
      <vector3d Name="Position" Value="100;110;0"/>
      <vector3d Name="Rotation" Value="0;0;30"/>
      <atlasTexture Name="ParticleTexture" Value="frame.png"/>
      <bool Name="AdditiveBlending" Value="true"/>
      <int Name="PregenTime" Value="900"/>
      <stringw Name="EmitterName" Value="Fountain"/>
    </Properties>
  </SceneNode>
</SceneNode>
)";

} // namespace

TEST_F(NodesSceneRenderTest, ParticleSceneMatchesItsReference) {
    ASSERT_TRUE(registerParticleContent(m_processors.get()));
    (void)m_dir.write("particles.xml", std::string(kParticleCollection));
    (void)m_dir.write("particles.mscn", std::string(kParticleScene));
    CRefHandle<IContent> collection(m_manager->load(ContentTypeParticleCollection, CStringW(u"particles.xml"), false));
    ASSERT_TRUE(collection);
    CRefHandle<BaseNode> root = loadScene("particles.mscn");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->getChildren().size(), 2u);
    for (BaseNode* child : root->getChildren()) {
        const ParticleSystemNode* system = nodeCast<ParticleSystemNode>(child);
        ASSERT_NE(system, nullptr);
        ASSERT_NE(system->getEmitter(), nullptr);
    }
    CRefHandle<CPixelImage> shot = draw(root.get());
    ASSERT_TRUE(shot);
    EXPECT_GT(nodeCast<ParticleSystemNode>(root->getChildren()[0])->getParticles().size(), 20u);
    expectMatchesReference(shot.get(), "ParticlesReference.png");
}
