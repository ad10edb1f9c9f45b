// One scene holding each of the game's visual nodes, drawn by the OpenGL
// driver on a hidden context and compared with a reference picture kept in
// tests/game/nodes/data; then saved, read back, driven the same way and
// drawn again. The pictures are made here, the font is built by the font
// builder from the DejaVu fixture of the tools' tests.
// BM_UPDATE_REFERENCES=1 writes the reference anew (look at it before
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
#include "engine/core/CRandom.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/device/ContentProcessors.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/OpenGLDriver.h"
#include "game/nodes/GBuildingInfoNode.h"
#include "game/nodes/GCircularBirdNode.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GDiscreteSliderNode.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/nodes/GWeatherParticlesNode.h"
#include "tests/engine/nodes/GLSceneFixture.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/engine/video/GLTestContext.h"
#include "tests/game/nodes/GameNodesTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TextureTestSupport.h"
#include "tools/font/FontBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int32_t kWidth = 256;
constexpr int32_t kHeight = 192;

// Properties of a node element.
std::string position(float x, float y) {
    return "<vector3d Name=\"Position\" Value=\"" + std::to_string(x) + ";" + std::to_string(y) + ";0\"/>";
}
std::string bounds(float w, float h) {
    return "<vector3d Name=\"Bounds\" Value=\"" + std::to_string(w) + ";" + std::to_string(h) + ";0\"/>";
}
std::string picture(const char* name) {
    return std::string("<atlasTexture Name=\"AtlasTexture\" Value=\"") + name + "\"/>";
}
std::string tint(const char* argb) { return std::string("<color Name=\"TintColor\" Value=\"") + argb + "\"/>"; }
const std::string kStretched = R"(<int Name="ImageStretchX" Value="1"/><int Name="ImageStretchY" Value="1"/>)";
const std::string kFont = R"(<font Name="Font" Value="dejavu.mfnt"/>)";

std::string text(const char* name, const std::string& properties) {
    return sceneNode("TextNode", name, kFont + properties);
}
std::string block(const char* name, const char* color) {
    return sceneNode("BaseNode", name, bounds(44, 16),
                     sceneNode("SpriteNode", "Face", bounds(44, 16) + kStretched + tint(color) + picture("white.png")) +
                         text("Text", position(4, 1) + bounds(40, 14)));
}

std::string templatesFile() {
    return "<?xml version=\"1.0\"?>\n" +
           sceneNode(
               "TemplateCollectionNode", "Templates", "",
               sceneNode("BaseNode", "Slider", "",
                         sceneNode("SpriteNode", "Frame",
                                   bounds(124, 10) + kStretched + tint("ff404040") + picture("white.png")) +
                             sceneNode("SpriteNode", "SlidingArea",
                                       position(20, 2) + bounds(100, 6) + kStretched + tint("ff8090a0") +
                                           picture("white.png")) +
                             sceneNode("SpriteNode", "Knob", bounds(10, 10) + kStretched + picture("badge.png"))) +
                   sceneNode("BaseNode", "Gull", "",
                             sceneNode("SpriteNode", "Body", tint("fff0f0e0") + picture("arrow.png"))));
}

std::string sceneFile() {
    const std::string sprite =
        sceneNode("GMultiTexturedSpriteNode", "Glass",
                  position(8, 8) + bounds(64, 48) +
                      R"(<int Name="MainImageStretchX" Value="1"/><int Name="MainImageStretchY" Value="1"/>)"
                      R"(<int Name="SecondaryImageWrapType" Value="0"/>)"
                      R"(<atlasTexture Name="MainImageTexture" Value="badge.png"/>)"
                      R"(<atlasTexture Name="SecondaryImageTexture" Value="stripes.png"/>)");
    const std::string panel =
        sceneNode("GBuildingInfoNode", "Info", position(80, 8) + bounds(168, 80),
                  sceneNode("SpriteNode", "Preview", "") + text("BuildingName", tint("ffffff80")) + text("Income", "") +
                      text("Guests", "") + text("Gold", tint("ffffd040")) + text("ServedGuests", "") +
                      text("Description", tint("ffc0e0ff")) + sceneNode("SpriteNode", "DescriptionSign", "") +
                      sceneNode("BaseNode", "Spacer", bounds(20, 2)) +
                      sceneNode("SpriteNode", "HighlightArrow", tint("ffff4040") + picture("arrow.png")) +
                      sceneNode("SpriteNode", "HighlightUnderline",
                                bounds(4, 2) + kStretched + tint("ffff4040") + picture("white.png")));
    const std::string bar = sceneNode(
        "GProgressBarWithCheckpointsNode", "Clock",
        position(8, 96) + bounds(240, 10) + R"(<int Name="KnobType" Value="1"/>)",
        sceneNode("SpriteNode", "SlidingArea", bounds(240, 10) + kStretched + tint("ff303848") + picture("white.png")) +
            sceneNode("SpriteNode", "Knob", bounds(10, 10) + kStretched + tint("ff40c060") + picture("white.png")) +
            sceneNode("BaseNode", "Checkpoint", position(0, 10),
                      sceneNode("SpriteNode", "Mark", position(-4, 0) + picture("arrow.png")) +
                          text("Text", position(-4, 6) + bounds(12, 14))));
    const std::string slider =
        sceneNode("GDiscreteSliderNode", "Volume",
                  position(8, 124) + R"(<string Name="TemplateName" Value="Slider"/><float Name="Value" Value="60"/>)");
    const std::string counter =
        sceneNode("GCounterTextNode", "Money",
                  kFont + position(8, 140) + bounds(100, 16) + tint("ff80ff80") +
                      R"(<int Name="EndValue" Value="12345"/><int Name="CountingTime" Value="3000"/>)");
    const std::string hint = sceneNode("GHintNode", "Hint", position(0, 0),
                                       block("MoneyBlock", "ff6a4a20") + block("GoldBlock", "ff806010") +
                                           sceneNode("SpriteNode", "ArrowDown", picture("arrow.png")));
    const std::string weather = sceneNode(
        "GWeatherParticlesNode", "Rain",
        R"(<string Name="ConfigurationFilename" Value="rain.xml"/><atlasTexture Name="AtlasTexture" Value="drop.png"/>)");
    const std::string mover = sceneNode(
        "GEllipseMovableNode", "Swing",
        position(220, 160) +
            R"(<int Name="EllipseSizeX" Value="24"/><int Name="EllipseSizeY" Value="12"/><int Name="InitialAngleMin" Value="90"/><int Name="InitialAngleMax" Value="90"/>)",
        sceneNode("SpriteNode", "Leaf", bounds(12, 12) + kStretched + picture("badge.png")));
    const std::string bird = sceneNode(
        "GCircularBirdNode", "Bird",
        position(200, 40) +
            R"(<string Name="BirdTemplateID" Value="Gull"/><vector2d Name="Ellipse1Size" Value="20;8"/><float Name="AngularVelocity1" Value="40"/>)");
    return "<?xml version=\"1.0\"?>\n" +
           sceneNode("SceneNode", "Town", bounds(kWidth, kHeight),
                     sprite + panel + bar + slider + counter + hint + mover + bird + weather);
}

const char* kRain = R"(<?xml version="1.0"?>
<WeatherParticle>
  <EmitRectangleXSize Value="0,256"/>
  <EmitRectangleYSize Value="120,0"/>
  <CenterPoint Value="180,900"/>
  <ParticleVelRange Value="60,90"/>
  <ParticleLifetimeRange Value="3000,3000"/>
  <PPS Value="40"/>
  <ParticleTimeline>
    <ColorA><k T="0" V="0.9"/><k T="1" V="0.2"/></ColorA>
    <ScaleY><k T="0" V="1"/><k T="0.5" V="1.5"/></ScaleY>
  </ParticleTimeline>
</WeatherParticle>
)";

// Quarters of four colours inside a transparent border, with a white
// diagonal.
CColor badgePixel(uint32_t x, uint32_t y) {
    if (x < 2 || y < 2 || x >= 30 || y >= 30)
        return CColor(0x00000000u);
    if (x == y)
        return CColor(0xFFFFFFFFu);
    const uint32_t quarter[4] = {0xFFE03020u, 0xFF30C040u, 0xFF3050E0u, 0xFFF0D020u};
    return CColor(quarter[(y >= 16 ? 2 : 0) + (x >= 16 ? 1 : 0)]);
}
CColor stripesPixel(uint32_t x, uint32_t y) { return CColor(((x + y) / 4) % 2 ? 0xFFFFFFFFu : 0xFF606060u); }
CColor dropPixel(uint32_t x, uint32_t) { return CColor(x == 1 ? 0xFFD0E8FFu : 0x80A0C8FFu); }
CColor whitePixel(uint32_t, uint32_t) { return CColor(0xFFFFFFFFu); }
// A small triangle pointing down.
CColor arrowPixel(uint32_t x, uint32_t y) {
    const int half = 4 - int(y) / 2;
    return CColor(int(x) >= 4 - half && int(x) < 4 + half ? 0xFFFFFFFFu : 0x00FFFFFFu);
}

class Headquarters : public IHintLevel {
public:
    [[nodiscard]] bool hasHeadquarters() const override { return true; }
    [[nodiscard]] int getHeadquartersResource(CName resource) const override {
        return resource == CName("Money") ? 5000 : 1;
    }
    [[nodiscard]] int getFreeWorkers() const override { return 3; }
    [[nodiscard]] int getLevelGuests() const override { return 0; }
};

class GameNodesSceneRenderTest : public GLSceneFixture {
protected:
    GameNodesSceneRenderTest() : GLSceneFixture("tests/game/nodes/data", kWidth, kHeight) {}

    void SetUp() override {
        GLSceneFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        (void)gameNodesFactory();
        // The weather reads its file through the engine's file system.
        m_fileSystem->addRef();
        m_engine->setFileSystem(m_fileSystem.get());
        setEngineInstance(m_engine.get());
        CEngineManagers::instance().getDictionary()->set("MoneyDollar", CStringW(u"$#p"));

        writePng("badge.png", 32, 32, badgePixel);
        writePng("stripes.png", 16, 16, stripesPixel);
        writePng("drop.png", 3, 10, dropPixel);
        writePng("white.png", 4, 4, whitePixel);
        writePng("arrow.png", 8, 8, arrowPixel);
        buildFont();
        (void)m_dir.write("rain.xml", std::string(kRain));
        (void)m_dir.write("templates.mscn", templatesFile());
        (void)m_dir.write("town.mscn", sceneFile());
    }

    void TearDown() override {
        setEngineInstance(nullptr);
        CEngineManagers::instance().getDictionary()->clear();
        GLSceneFixture::TearDown();
    }

    void buildFont() {
        FontBuildOptions options;
        options.fontFile = (std::filesystem::path(BM_SOURCE_DIR) / "tests/tools/data/DejaVuSans-subset.ttf").string();
        options.pixelSize = 11;
        std::string error;
        ASSERT_TRUE(parseCharacterSet("ascii", options.characters, &error)) << error;
        FontBuilder builder;
        ASSERT_TRUE(builder.build(options, &error)) << error;
        ASSERT_TRUE(builder.write((m_dir.path() / "dejavu.mfnt").string(), &error)) << error;
    }

    void writePng(const char* name, uint32_t width, uint32_t height, CColor (*color)(uint32_t, uint32_t)) {
        CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                image->putPixel(x, y, color(x, y));
        ASSERT_TRUE(
            m_manager->save(ContentTypeImage, image.get(), fromNativePath((m_dir.path() / name).string()), nullptr));
    }

    // Shows `root` through a scene manager, fills in what the play screen
    // would and runs the scene for a second and a half; answers the frame.
    // A calm scene hides its rain and its bird.
    [[nodiscard]] CRefHandle<CPixelImage> play(BaseNode* root, bool calm = false) {
        SceneNode* scene = nodeCast<SceneNode>(root);
        EXPECT_TRUE(scene);
        if (!scene)
            return CRefHandle<CPixelImage>();
        CRefHandle<CEngine> engine = makeFakeEngine();
        CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
        manager->setEngine(engine.get());
        manager->setTemplateCollection(nodeCast<TemplateCollectionNode>(m_templates.get()));
        EXPECT_TRUE(manager->setScene(scene));
        (void)manager->update(0);

        if (auto* info = nodeCast<GBuildingInfoNode>(scene->findChild(CName("Info"), 1))) {
            info->setPreview(CStringW(u"badge.png"));
            info->setBuildingName(CStringW(u"Mill"));
            info->setIncome(CStringW(u"+120"));
            info->setGuests(CStringW(u"8 guests"));
            info->setGold(CStringW(u"3"));
            info->setDescription(CStringW(u"Grinds the grain of the farms around."));
            info->highlightIncome(true);
        }
        if (auto* clock = nodeCast<GProgressBarWithCheckpointsNode>(scene->findChild(CName("Clock"), 1))) {
            clock->setMinValue(0.0f);
            clock->setMaxValue(100.0f);
            clock->clearCheckpoints();
            for (float time : {0.25f, 0.25f, 0.5f})
                clock->addCheckpointTime(time);
            clock->layoutCheckpoints();
            clock->setValue(40.0f);
        }
        if (auto* money = nodeCast<GCounterTextNode>(scene->findChild(CName("Money"), 1)))
            money->setCounting(true);
        BaseNode* info = scene->findChild(CName("Info"), 1);
        if (auto* hint = nodeCast<GHintNode>(scene->findChild(CName("Hint"), 1)); hint && info) {
            GResourceMap costs;
            costs.insert(CName("Money"), 1500);
            costs.insert(CName("Gold"), 2);
            EXPECT_TRUE(hint->setCosts(&m_headquarters, costs, GResourceMap(), false));
            CRefHandle<BaseNode> target(new BaseNode(CObjectName(), nullptr, nullptr));
            target->setPosition(CVector3d(120.0f, 186.0f, 0.0f));
            target->updateAbsoluteTransformation();
            hint->showAt(target.get(), CVector3d(16.0f, 4.0f, 0.0f), scene);
        }
        // The rain and the bird draw from a generator of their own, so that
        // the frame does not depend on what ran before.
        CRefHandle<CRandom> random(new CRandom);
        random->seed(2024);
        auto* rain = nodeCast<GWeatherParticlesNode>(scene->findChild(CName("Rain"), 1));
        auto* bird = nodeCast<GCircularBirdNode>(scene->findChild(CName("Bird"), 1));
        if (rain)
            rain->setRandom(random.get());
        if (bird)
            bird->setRandom(random.get());
        if (calm)
            for (const char* name : {"Rain", "Bird"})
                if (BaseNode* node = scene->findChild(CName(name), 1))
                    node->setVisible(false);
        // The first frame starts the self-scheduling nodes; then 1.5 s pass.
        CArray<CRenderItem> list;
        scene->registerForRendering(list);
        for (int i = 0; i < 50; ++i) {
            manager->getSceneSchedulerOf(scene)->update(30);
            (void)manager->update(0);
        }
        manager->updateAbsoluteTransformation();
        EXPECT_TRUE(m_driver->beginFrame(true, true, CColor(0xFF283830u), nullptr, nullptr));
        m_driver->setMatrix(MatrixKind::World, CMat4::identity());
        drawTree(scene, m_driver.get());
        CRefHandle<CPixelImage> shot(m_driver->takeScreenshot());
        EXPECT_TRUE(m_driver->endFrame());
        (void)manager->setScene(nullptr);
        if (rain)
            rain->setRandom(nullptr);
        if (bird)
            bird->setRandom(nullptr);
        return shot;
    }

    CRefHandle<CEngine> m_engine{new CEngine(CEngineCreationParams())};
    CRefHandle<BaseNode> m_templates;
    Headquarters m_headquarters;
};

} // namespace

TEST_F(GameNodesSceneRenderTest, EveryGameNodeDrawsAsItsReferenceAndSurvivesASave) {
    m_templates = loadScene("templates.mscn");
    ASSERT_TRUE(nodeCast<TemplateCollectionNode>(m_templates.get()));
    CRefHandle<BaseNode> root = loadScene("town.mscn");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->getChildren().size(), 9u);
    CRefHandle<CPixelImage> shot = play(root.get());
    ASSERT_TRUE(shot);
    expectMatchesReference(shot.get(), "GameNodesReference.png");
    if (IsSkipped() || HasFatalFailure())
        return;

    // Saved and read back, the scene plays and draws as a fresh copy does and
    // saves the same; what the nodes made for themselves is not in the file.
    // The rain and the bird, which fly from random places, stay hidden here.
    CRefHandle<BaseNode> fresh = loadScene("town.mscn");
    ASSERT_TRUE(fresh);
    CRefHandle<CPixelImage> calm = play(fresh.get(), true);
    ASSERT_TRUE(calm);
    const CStringW saved = fromNativePath((m_dir.path() / "saved.mscn").string());
    ASSERT_TRUE(m_manager->save(ContentTypeSceneNode, root.get(), saved, nullptr));
    CRefHandle<BaseNode> reread = loadScene("saved.mscn");
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->getChildren().size(), 9u);
    const CStringW savedAgain = fromNativePath((m_dir.path() / "saved2.mscn").string());
    ASSERT_TRUE(m_manager->save(ContentTypeSceneNode, reread.get(), savedAgain, nullptr));
    EXPECT_EQ(readAllBytes(m_dir.path() / "saved.mscn"), readAllBytes(m_dir.path() / "saved2.mscn"));
    CRefHandle<CPixelImage> again = play(reread.get(), true);
    ASSERT_TRUE(again);
    EXPECT_EQ(differingPixels(*calm, *again, 0), 0u);
}
