// A scene file of the clock and progress fills, the sign and two-sprite bars
// and a polygon outline, drawn by the OpenGL driver on a hidden context and
// compared with a reference picture kept in tests/game/nodes/data; then
// saved, read back, drawn and saved again unchanged. The bar pictures are
// drawn here.

#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngineManagers.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CNodeFactory.h"
#include "game/nodes/GEllipseProgressBarNode.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "game/nodes/GPolygonNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/nodes/GTwoSpritesProgressBarNode.h"
#include "tests/engine/nodes/GLSceneFixture.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int32_t kWidth = 192;
constexpr int32_t kHeight = 128;

const char* kScene = R"(<?xml version="1.0"?>
<SceneNode Type="BaseNode">
  <Properties><string Name="Name" Value="Root"/></Properties>
  <SceneNode Type="GEllipseSectorNode">
    <Properties>
      <string Name="Name" Value="Clock"/>
      <vector3d Name="Position" Value="8;8;0"/>
      <vector3d Name="Bounds" Value="48;48;0"/>
      <color Name="FillColor" Value="ffff8000"/>
      <int Name="Angle1" Value="-45"/>
      <int Name="Angle2" Value="200"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="GEllipseProgressBarNode">
    <Properties>
      <string Name="Name" Value="Pie"/>
      <vector3d Name="Position" Value="64;8;0"/>
      <vector3d Name="Bounds" Value="64;40;0"/>
      <color Name="FillColor" Value="ff40c0ff"/>
      <int Name="MaxVerticesCount" Value="12"/>
      <float Name="Value" Value="62.5"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="GPolygonNode">
    <Properties>
      <string Name="Name" Value="Area"/>
      <vector3d Name="Position" Value="136;8;0"/>
      <color Name="TintColor" Value="ffffff80"/>
      <bool Name="VisibleInGame" Value="true"/>
      <bool Name="ShowVertices" Value="true"/>
      <string Name="Vertices" Value="0;0,48;8,40;44,20;30,8;40,"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="GTwoSpritesProgressBarNode">
    <Properties>
      <string Name="Name" Value="Fill"/>
      <vector3d Name="Position" Value="8;64;0"/>
      <vector3d Name="Bounds" Value="96;16;0"/>
      <float Name="Value" Value="40"/>
      <atlasTexture Name="AtlasTexture1" Value="wide-empty.png"/>
      <atlasTexture Name="AtlasTexture2" Value="wide-full.png"/>
    </Properties>
    <SceneNode Type="BaseNode">
      <Properties>
        <string Name="Name" Value="SlidingArea"/>
        <vector3d Name="Position" Value="8;0;0"/>
        <vector3d Name="Bounds" Value="80;16;0"/>
      </Properties>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="GTwoSpritesProgressBarNode">
    <Properties>
      <string Name="Name" Value="Tall"/>
      <vector3d Name="Position" Value="120;56;0"/>
      <vector3d Name="Bounds" Value="16;64;0"/>
      <float Name="Value" Value="75"/>
      <atlasTexture Name="AtlasTexture1" Value="tall-empty.png"/>
      <atlasTexture Name="AtlasTexture2" Value="tall-full.png"/>
    </Properties>
  </SceneNode>
  <SceneNode Type="GProgressBarWithSignNode">
    <Properties>
      <string Name="Name" Value="Workers"/>
      <vector3d Name="Position" Value="8;92;0"/>
      <vector3d Name="Bounds" Value="96;32;0"/>
      <int Name="KnobType" Value="1"/>
      <float Name="Value" Value="90"/>
    </Properties>
    <SceneNode Type="BaseNode">
      <Properties>
        <string Name="Name" Value="SlidingArea"/>
        <vector3d Name="Position" Value="0;24;0"/>
        <vector3d Name="Bounds" Value="96;8;0"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="SpriteNode">
      <Properties>
        <string Name="Name" Value="Knob"/>
        <vector3d Name="Position" Value="0;24;0"/>
        <vector3d Name="Bounds" Value="96;8;0"/>
        <int Name="ImageStretchX" Value="1"/>
        <int Name="ImageStretchY" Value="1"/>
        <atlasTexture Name="AtlasTexture" Value="wide-full.png"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="BaseNode">
      <Properties>
        <string Name="Name" Value="SlidingSignArea"/>
        <vector3d Name="Bounds" Value="96;8;0"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="BaseNode">
      <Properties>
        <string Name="Name" Value="ScalingSignArea"/>
        <vector3d Name="Position" Value="16;0;0"/>
        <vector3d Name="Bounds" Value="64;8;0"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="SpriteNode">
      <Properties>
        <string Name="Name" Value="Sign"/>
        <atlasTexture Name="AtlasTexture" Value="sign.png"/>
      </Properties>
    </SceneNode>
  </SceneNode>
  <SceneNode Type="GProgressBarWithSignNode">
    <Properties>
      <string Name="Name" Value="Half"/>
      <vector3d Name="Position" Value="144;92;0"/>
      <vector3d Name="Bounds" Value="40;32;0"/>
      <int Name="KnobType" Value="1"/>
      <float Name="Value" Value="50"/>
    </Properties>
    <SceneNode Type="BaseNode">
      <Properties>
        <string Name="Name" Value="SlidingArea"/>
        <vector3d Name="Position" Value="0;24;0"/>
        <vector3d Name="Bounds" Value="40;8;0"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="SpriteNode">
      <Properties>
        <string Name="Name" Value="Knob"/>
        <vector3d Name="Position" Value="0;24;0"/>
        <vector3d Name="Bounds" Value="40;8;0"/>
        <int Name="ImageStretchX" Value="1"/>
        <int Name="ImageStretchY" Value="1"/>
        <atlasTexture Name="AtlasTexture" Value="wide-full.png"/>
      </Properties>
    </SceneNode>
    <SceneNode Type="SpriteNode">
      <Properties>
        <string Name="Name" Value="Sign"/>
        <atlasTexture Name="AtlasTexture" Value="sign.png"/>
      </Properties>
    </SceneNode>
  </SceneNode>
</SceneNode>
)";

// A dark slot with a light rim.
CColor emptyPixel(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    if (x == 0 || y == 0 || x + 1 == width || y + 1 == height)
        return CColor(0xFFC0C0C0u);
    return CColor(0xFF303040u);
}

// Green brightening along the bar, with the same rim.
CColor fullPixel(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    if (x == 0 || y == 0 || x + 1 == width || y + 1 == height)
        return CColor(0xFFC0C0C0u);
    const uint32_t along = width >= height ? x * 255 / width : (height - y) * 255 / height;
    return CColor(0xFF000000u | ((40 + along / 2) << 16) | ((120 + along / 2) << 8) | 40u);
}

class GameNodesRenderTest : public GLSceneFixture {
protected:
    GameNodesRenderTest() : GLSceneFixture("tests/game/nodes/data", kWidth, kHeight) {}

    void SetUp() override {
        GLSceneFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        CNodeFactory& factory = *CEngineManagers::instance().getNodeFactory();
        (void)factory.registerNodeClass(CStringW(u"GEllipseSectorNode"), &GEllipseSectorNode::create);
        (void)factory.registerNodeClass(CStringW(u"GEllipseProgressBarNode"), &GEllipseProgressBarNode::create);
        (void)factory.registerNodeClass(CStringW(u"GPolygonNode"), &GPolygonNode::create);
        (void)factory.registerNodeClass(CStringW(u"GTwoSpritesProgressBarNode"), &GTwoSpritesProgressBarNode::create);
        (void)factory.registerNodeClass(CStringW(u"GProgressBarWithSignNode"), &GProgressBarWithSignNode::create);
        writePng("wide-empty.png", 96, 16, emptyPixel);
        writePng("wide-full.png", 96, 16, fullPixel);
        writePng("tall-empty.png", 16, 64, emptyPixel);
        writePng("tall-full.png", 16, 64, fullPixel);
        writePng("sign.png", 12, 20, [](uint32_t x, uint32_t y, uint32_t, uint32_t) {
            return CColor(y < 14 ? 0xFFE04040u : (x >= 4 && x < 8 ? 0xFF806040u : 0x00000000u));
        });
        (void)m_dir.write("scene.mscn", std::string(kScene));
    }

    void writePng(const char* name, uint32_t width, uint32_t height,
                  CColor (*color)(uint32_t, uint32_t, uint32_t, uint32_t)) {
        CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                image->putPixel(x, y, color(x, y, width, height));
        ASSERT_TRUE(
            m_manager->save(ContentTypeImage, image.get(), fromNativePath((m_dir.path() / name).string()), nullptr));
    }

    // Lays the sign bars out as a shown scene has them (any node serves as
    // the manager their template step asks for). Laid out, a sign stands
    // where its size puts it, so scenes are saved before.
    void layOut(BaseNode* root) {
        root->setSceneManager(m_stage.get(), nullptr);
        for (BaseNode* child : root->getChildren())
            if (auto* bar = nodeCast<GProgressBarWithSignNode>(child))
                bar->applyTemplate();
    }

    CRefHandle<BaseNode> m_stage{new BaseNode(CObjectName(), nullptr, nullptr)};
};

} // namespace

TEST_F(GameNodesRenderTest, FillsBarsAndOutlinesMatchTheirReferenceAndSurviveASave) {
    CRefHandle<BaseNode> root = loadScene("scene.mscn");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->getChildren().size(), 7u);
    const auto* area = nodeCast<GPolygonNode>(root->findChild(CName("Area"), 1));
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->getVertices().size(), 5u) << "the trailing comma adds no vertex";
    const CStringW saved = fromNativePath((m_dir.path() / "saved.mscn").string());
    ASSERT_TRUE(m_manager->save(ContentTypeSceneNode, root.get(), saved, nullptr));
    layOut(root.get());
    CRefHandle<CPixelImage> shot = draw(root.get());
    ASSERT_TRUE(shot);

    expectMatchesReference(shot.get(), "GameFillNodesReference.png");
    if (IsSkipped() || HasFatalFailure())
        return;

    CRefHandle<BaseNode> reread = loadScene("saved.mscn");
    ASSERT_TRUE(reread);
    ASSERT_EQ(reread->getChildren().size(), 7u) << "the bars' own sprites are not written";
    const CStringW savedAgain = fromNativePath((m_dir.path() / "saved2.mscn").string());
    ASSERT_TRUE(m_manager->save(ContentTypeSceneNode, reread.get(), savedAgain, nullptr));
    EXPECT_EQ(readAllBytes(m_dir.path() / "saved.mscn"), readAllBytes(m_dir.path() / "saved2.mscn"));
    layOut(reread.get());
    CRefHandle<CPixelImage> again = draw(reread.get());
    ASSERT_TRUE(again);
    EXPECT_EQ(differingPixels(*shot, *again, 0), 0u);
}
