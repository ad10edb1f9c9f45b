#include "engine/video/CGLSLProgramRenderer.h"

#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/IShaderConstantCallback.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/video/GLDriverTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using CGLSLProgramRendererTest = GLDriverTest;

const char* const VertexShader = "void main() {\n"
                                 "    gl_Position = ftransform();\n"
                                 "    gl_FrontColor = gl_Color;\n"
                                 "}\n";
const char* const FragmentShader = "uniform vec4 tint;\n"
                                   "void main() {\n"
                                   "    gl_FragColor = tint * gl_Color;\n"
                                   "}\n";

// Sets the "tint" uniform before each draw and notes what it was given.
class CTintCallback : public IShaderConstantCallback {
public:
    void noteShaderMaterial(const Material& material) override { lastType = material.materialType; }
    void applyShaderConstants(IRenderServices* services, int32_t userData) override {
        seenUserData = userData;
        found = services->setPixelShaderConstant("tint", tint, 4);
        unknownRefused = !services->setPixelShaderConstant("absent", tint, 4);
        ++calls;
    }
    float tint[4] = {0.0f, 1.0f, 0.5f, 1.0f};
    int32_t lastType = -1;
    int32_t seenUserData = 0;
    bool found = false;
    bool unknownRefused = false;
    int calls = 0;
};

TEST_F(CGLSLProgramRendererTest, ShaderMaterialFromFilesRenders) {
    if (!driver().hasFeature(DriverFeature::ShadingLanguage))
        GTEST_SKIP() << "No shading language on this implementation.";
    TempDir dir;
    dir.write("shaders/tint.vert", std::string(VertexShader));
    dir.write("shaders/tint.frag", std::string(FragmentShader));
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    ASSERT_NE(fileSystem->mountArchive(CStringW(dir.path().string().c_str()), nullptr), nullptr);
    restartDriver(fileSystem.get());
    ASSERT_TRUE(m_driver);

    CRefHandle<CTintCallback> callback(new CTintCallback);
    const uint32_t before = driver().materialTypeCount();
    const int32_t type =
        driver().createCompiledShaderMaterialFromFileNames("shaders/tint.vert", "main", 0, "shaders/tint.frag", "main",
                                                           0, callback.get(), MaterialType::SpriteColorModulate, 77);
    ASSERT_EQ(type, static_cast<int32_t>(before));
    EXPECT_EQ(driver().materialTypeCount(), before + 1);
    EXPECT_TRUE(driver().materialTypeRenderer(static_cast<uint32_t>(type))->isTransparent());

    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    driver().quadBatch()->begin();
    addQuad(driver(), spriteMaterial(type, nullptr), 4.0f, 4.0f, 8.0f, 8.0f, CColor(255, 255, 255, 128));
    driver().quadBatch()->end();
    EXPECT_TRUE(rgbNear(pixel(6, 6), CColor(255, 0, 255, 64), 1)) << pixel(6, 6);
    EXPECT_EQ(pixel(2, 2), CColor(0xFF000000));
    EXPECT_TRUE(callback->found);
    EXPECT_TRUE(callback->unknownRefused);
    EXPECT_EQ(callback->seenUserData, 77);
    EXPECT_EQ(callback->lastType, type);
    EXPECT_GE(callback->calls, 1);

    // Back to a fixed-function type: the program is no longer in use.
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 1, 1, [](uint32_t, uint32_t) { return CColor(255, 10, 20, 30); });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    driver().quadBatch()->begin();
    addQuad(driver(), spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 20.0f, 4.0f, 4.0f, 4.0f,
            CColor(0xFFFFFFFF));
    driver().quadBatch()->end();
    EXPECT_EQ(pixel(21, 5), CColor(255, 10, 20, 30));
}

TEST_F(CGLSLProgramRendererTest, BrokenProgramsAreNotRegistered) {
    if (!driver().hasFeature(DriverFeature::ShadingLanguage))
        GTEST_SKIP() << "No shading language on this implementation.";
    const uint32_t before = driver().materialTypeCount();
    const struct {
        const char* what;
        const char* vertex;
        const char* fragment;
        const char* line;
    } cases[] = {
        {"a fragment shader that does not compile", VertexShader, "void main() { gl_FragColor = nonsense; }",
         "GLSL shader failed to compile"},
        {"stages that do not link", "varying vec4 onlyHere; void main() { gl_Position = ftransform(); }",
         "varying vec3 onlyHere; void main() { gl_FragColor = vec4(onlyHere, 1.0); }",
         "GLSL shader program failed to link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_EQ(driver().createCompiledShaderMaterial(c.vertex, "main", 0, c.fragment, "main", 0, nullptr,
                                                        MaterialType::Solid, 0),
                  -1);
        EXPECT_TRUE(log.contains(c.line));
        EXPECT_EQ(driver().materialTypeCount(), before);
    }
}

TEST_F(CGLSLProgramRendererTest, MissingShaderFilesAreReported) {
    LogCapture log;
    EXPECT_EQ(driver().createCompiledShaderMaterialFromFileNames("none.vert", "main", 0, nullptr, "main", 0, nullptr,
                                                                 MaterialType::Solid, 0),
              -1);
    EXPECT_TRUE(log.contains("Could not open vertex shader program file: none.vert"));
}

} // namespace
