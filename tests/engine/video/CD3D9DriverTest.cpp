// What the Direct3D 9 driver does beyond the scenes every driver draws:
// shader materials through D3DX, their failures, and a device reset.
#include "engine/core/CEngineCreationParams.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/D3D9ShaderRenderers.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/IShaderConstantCallback.h"
#include "engine/video/IShaderServices.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/video/D3DSceneDrivers.h"
#include "tests/support/CTestDriverTexture.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

class CD3D9DriverTest : public testing::Test {
protected:
    static constexpr int32_t Width = 64;
    static constexpr int32_t Height = 48;

    void SetUp() override {
        CEngineCreationParams params;
        params.driverType = CEngineCreationParams::DriverDirect3D9;
        params.width = Width;
        params.height = Height;
        params.colorBits = 32;
        std::string error;
        m_made = makeDirect3D9SceneDriver(params, &error);
        ASSERT_TRUE(m_made.driver) << error;
    }
    void TearDown() override {
        setD3DXLibraryName(nullptr);
        m_made.driver.reset();
        m_made.target.reset();
    }

    IGraphicsDriver& driver() { return *m_made.driver; }

    // A white 8 x 8 quad of `type` at (0, 0) over black; the colour drawn.
    CColor drawWith(int32_t type) {
        EXPECT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
        driver().quadBatch()->begin();
        addQuad(driver(), spriteMaterial(type, nullptr), 0, 0, 8, 8, CColor(0xFFFFFFFF));
        driver().quadBatch()->end();
        CRefHandle<CPixelImage> shot(driver().takeScreenshot());
        EXPECT_TRUE(driver().endFrame());
        return shot ? shot->pixelAt(4, 4) : CColor();
    }

    SceneDriver m_made;
};

// Sets four floats before each draw: as registers, or by name.
class CConstants : public IShaderConstantCallback {
public:
    CConstants(const char* name, float r, float g, float b) : m_name(name), m_value{r, g, b, 1.0f} {}
    void noteShaderMaterial(const Material&) override { ++noted; }
    void applyShaderConstants(IRenderServices* services, int32_t userData) override {
        lastUserData = userData;
        if (m_name)
            found = services->setPixelShaderConstant(m_name, m_value, 4);
        else
            services->setPixelShaderConstant(m_value, 1, 1);
    }
    int noted = 0;
    int32_t lastUserData = 0;
    bool found = false;

private:
    const char* m_name;
    float m_value[4];
};

TEST_F(CD3D9DriverTest, AssemblyPixelShaderDrawsWithTheCallbacksConstant) {
    IShaderServices* shaders = driver().shaderServices();
    ASSERT_NE(shaders, nullptr);
    const uint32_t before = driver().materialTypeCount();
    CRefHandle<CConstants> constants(new CConstants(nullptr, 0.0f, 1.0f, 0.0f));
    EXPECT_EQ(
        shaders->createAssemblyShaderMaterial(nullptr, "ps_1_1\nmov r0, c1\n", constants.get(), MaterialType::Solid, 7),
        -1);
    ASSERT_EQ(driver().materialTypeCount(), before + 1);
    const CColor got = drawWith(int32_t(before));
    EXPECT_TRUE(rgbNear(got, CColor(255, 0, 255, 0), 2)) << got;
    EXPECT_GT(constants->noted, 0);
    EXPECT_EQ(constants->lastUserData, 7);
    // The fixed-function types draw as before afterwards.
    EXPECT_TRUE(rgbNear(drawWith(MaterialType::Solid), CColor(0xFFFFFFFF), 2));
}

// A vertex shader material applied twice without leaving it (3D, then 2D)
// still hands the device back its earlier vertex processing: the next
// fixed-function type draws where its vertices say.
TEST_F(CD3D9DriverTest, AVertexShaderMaterialAppliedAgainLeavesNoShaderBehind) {
    const uint32_t before = driver().materialTypeCount();
    // Positions pass through unprojected: a pixel-space quad ends off screen.
    (void)driver().shaderServices()->createAssemblyShaderMaterial(
        "vs_1_1\ndcl_position v0\ndcl_color v1\nmov oPos, v0\nmov oD0, v1\n", nullptr, nullptr, MaterialType::Solid, 0);
    ASSERT_EQ(driver().materialTypeCount(), before + 1);
    driver().applyMaterial(spriteMaterial(int32_t(before), nullptr));
    ASSERT_TRUE(driver().apply3DStates());
    ASSERT_TRUE(driver().apply2DStates());
    EXPECT_TRUE(rgbNear(drawWith(MaterialType::Solid), CColor(0xFFFFFFFF), 2));
}

TEST_F(CD3D9DriverTest, HighLevelPixelShaderDrawsWithANamedConstant) {
    const uint32_t before = driver().materialTypeCount();
    CRefHandle<CConstants> constants(new CConstants("tint", 1.0f, 0.5f, 0.0f));
    const char* program = "float4 tint;\nfloat4 main() : COLOR { return tint * 0.5; }\n";
    EXPECT_EQ(driver().shaderServices()->createCompiledShaderMaterial(nullptr, "main", 0, program, "main", 4,
                                                                      constants.get(), MaterialType::Solid, 0),
              -1);
    ASSERT_EQ(driver().materialTypeCount(), before + 1);
    const CColor got = drawWith(int32_t(before));
    EXPECT_TRUE(constants->found);
    EXPECT_TRUE(rgbNear(got, CColor(255, 128, 64, 0), 2)) << got;
}

TEST_F(CD3D9DriverTest, ProgramsThatDoNotBuildAddNoMaterialType) {
    const struct {
        const char* what;
        const char* vertexAssembly;
        const char* pixelAssembly;
        const char* pixelHighLevel;
        int32_t vertexTarget, pixelTarget;
        const char* logged;
    } cases[] = {
        {"broken pixel assembly", nullptr, "ps_1_1\nfrobnicate r0\n", nullptr, 0, 0,
         "Pixel shader compilation failed:"},
        {"broken vertex assembly", "vs_1_1\nmov oPos, q9\n", nullptr, nullptr, 0, 0,
         "Vertex shader compilation failed: "},
        {"broken HLSL", nullptr, nullptr, "float4 main() : COLOR { return undefinedThing; }", 0, 4,
         "HLSL pixel shader compilation failed:"},
        {"vertex target out of range", nullptr, nullptr, "float4 main() : COLOR { return 1; }", 5, 4,
         "Invalid HLSL vertex shader compilation target"},
        {"pixel target out of range", nullptr, nullptr, "float4 main() : COLOR { return 1; }", 0, 9,
         "Invalid HLSL pixel shader compilation target"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        const uint32_t before = driver().materialTypeCount();
        if (c.pixelHighLevel)
            (void)driver().shaderServices()->createCompiledShaderMaterial(
                nullptr, "main", c.vertexTarget, c.pixelHighLevel, "main", c.pixelTarget, nullptr, 0, 0);
        else
            (void)driver().shaderServices()->createAssemblyShaderMaterial(c.vertexAssembly, c.pixelAssembly, nullptr, 0,
                                                                          0);
        EXPECT_EQ(driver().materialTypeCount(), before);
        EXPECT_TRUE(log.contains(c.logged));
    }
}

TEST_F(CD3D9DriverTest, WithoutTheD3DXLibraryShadersAreRefusedAfterOneLine) {
    setD3DXLibraryName("d3dx9_none.dll");
    LogCapture log;
    const uint32_t before = driver().materialTypeCount();
    for (int i = 0; i < 2; ++i) {
        (void)driver().shaderServices()->createAssemblyShaderMaterial(nullptr, "ps_1_1\nmov r0, c1\n", nullptr, 0, 0);
        (void)driver().shaderServices()->createCompiledShaderMaterial(
            nullptr, "main", 0, "float4 main() : COLOR { return 1; }", "main", 4, nullptr, 0, 0);
    }
    EXPECT_EQ(driver().materialTypeCount(), before);
    EXPECT_EQ(log.count("Could not load shader function D3DXAssembleShader from dll, shaders disabled: "
                        "d3dx9_none.dll"),
              1u);
    EXPECT_EQ(log.count("Could not load shader function D3DXCompileShader from dll, shaders disabled: "
                        "d3dx9_none.dll"),
              1u);
}

// A new size resets the device: image textures (managed) keep their texels
// and render targets (remade) take drawing again.
TEST_F(CD3D9DriverTest, ResetKeepsImageTexturesAndRenderTargetsWorking) {
    CRefHandle<CPixelImage> image = makeImage(ColorFormat::A8R8G8B8, 2, 2,
                                              [](uint32_t x, uint32_t y) { return CColor(255, 200 * x, 100 * y, 50); });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<IDriverTexture> target(driver().renderTargetTexture(CSizeI(8, 8), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(texture && target);
    driver().setScissorRect(CRectI(0, 0, 30, 30));
    driver().enableScissor(true);
    LogCapture log;
    driver().onWindowResized(CSizeI(40, 30));
    EXPECT_TRUE(log.contains("Resetting D3D9 device."));
    EXPECT_FALSE(log.contains("Resetting failed"));

    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    ASSERT_TRUE(driver().setRenderTarget(target.get(), true, true, CColor(255, 0, 0, 255)));
    ASSERT_TRUE(driver().setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0)));
    driver().drawImagePart(texture.get(), CVector2di(0, 0), CRectI(0, 0, 2, 2), nullptr, CColor(0xFFFFFFFF), false);
    driver().drawImagePart(target.get(), CVector2di(10, 10), CRectI(0, 0, 8, 8), nullptr, CColor(0xFFFFFFFF), false);
    // The scissor set before the reset still cuts.
    driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    driver().fillRect(CColor(0xFFFFFFFF), CRectI(0, 20, 40, 30), nullptr);
    CRefHandle<CPixelImage> shot(driver().takeScreenshot());
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->width(), 40u);
    EXPECT_EQ(shot->height(), 30u);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 2; ++x)
            EXPECT_TRUE(rgbNear(shot->pixelAt(x, y), image->pixelAt(x, y), 2)) << x << ", " << y;
    EXPECT_TRUE(rgbNear(shot->pixelAt(12, 12), CColor(255, 0, 0, 255), 2)) << shot->pixelAt(12, 12);
    EXPECT_EQ(shot->pixelAt(29, 25), CColor(0xFFFFFFFF));
    EXPECT_EQ(shot->pixelAt(30, 25), CColor(0xFF000000));
    EXPECT_TRUE(driver().endFrame());
}

TEST_F(CD3D9DriverTest, DescribesItself) {
    EXPECT_EQ(driver().driverType(), 2);
    EXPECT_EQ(driver().driverName(), CStringW(u"Direct3D 9.0"));
    EXPECT_EQ(driver().pixelFormat(), ColorFormat::A8R8G8B8);
    EXPECT_TRUE(driver().hasFeature(DriverFeature::RenderToTexture));
    EXPECT_GT(driver().maxPrimitives(), 0u);
    // The fixed-function types the driver brings, and "null" between them.
    for (int32_t type : {0, 1, 9, 10, 11, 12, 13, 14, 15, 16, 23, 24, 25, 26})
        EXPECT_NE(driver().materialTypeRenderer(uint32_t(type)), nullptr) << type;
}

TEST_F(CD3D9DriverTest, RenderTargetsItCannotUseAreRefusedAndDrawingStaysOnTheScreen) {
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 4, 4, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFF); });
    CRefHandle<IDriverTexture> plain(driver().makeDriverTexture(image.get()));
    CRefHandle<IDriverTexture> foreign(
        new CTestDriverTexture(CSizeI(8, 8), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8, 0, 3));
    CRefHandle<IDriverTexture> fitting(driver().renderTargetTexture(CSizeI(40, 30), ColorFormat::A8R8G8B8));
    // After the screen shrank below it, the depth buffer no longer covers it.
    driver().onWindowResized(CSizeI(32, 24));
    const struct {
        const char* what;
        IDriverTexture* texture;
        const char* logged;
    } cases[] = {
        {"another driver's", foreign.get(), "Fatal Error: Tried to set a texture not owned by this driver."},
        {"no render target", plain.get(), "Fatal Error: Tried to set a non render target texture as render target."},
        {"larger than the screen", fitting.get(),
         "Error: Tried to set a render target texture which is bigger than the screen."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(driver().setRenderTarget(c.texture, true, true, CColor(0xFFFF0000)));
        EXPECT_TRUE(log.contains(c.logged));
        EXPECT_EQ(driver().renderTargetSize(), CSizeI(32, 24));
    }
}

} // namespace
