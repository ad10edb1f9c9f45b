#include "engine/video/CGLAsmProgramRenderer.h"

#include "engine/video/CQuadBatch.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/IShaderConstantCallback.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/video/GLDriverTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using CGLAsmProgramRendererTest = GLDriverTest;

const char* const FragmentProgram = "!!ARBfp1.0\n"
                                    "PARAM colour = program.local[0];\n"
                                    "MOV result.color, colour;\n"
                                    "END\n";

// Hands the fragment program its colour through the driver's registers.
class CColourCallback : public IShaderConstantCallback {
public:
    void noteShaderMaterial(const Material&) override {}
    void applyShaderConstants(IRenderServices* services, int32_t) override {
        services->setPixelShaderConstant(colour, 0, 1);
    }
    float colour[4] = {1.0f, 0.0f, 1.0f, 1.0f};
};

TEST_F(CGLAsmProgramRendererTest, FragmentProgramSetsTheColour) {
    if (!driver().hasFeature(DriverFeature::ArbFragmentProgram))
        GTEST_SKIP() << "No assembly fragment programs on this implementation.";
    CRefHandle<CColourCallback> callback(new CColourCallback);
    const int32_t type =
        driver().createAssemblyShaderMaterial(nullptr, FragmentProgram, callback.get(), MaterialType::Solid, 0);
    ASSERT_GE(type, MaterialType::BuiltInCount);
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    driver().quadBatch()->begin();
    addQuad(driver(), spriteMaterial(type, nullptr), 0.0f, 0.0f, 4.0f, 4.0f, CColor(0xFFFFFFFF));
    addQuad(driver(), spriteMaterial(MaterialType::Solid, nullptr), 8.0f, 0.0f, 4.0f, 4.0f, CColor(255, 0, 80, 0));
    driver().quadBatch()->end();
    EXPECT_EQ(pixel(1, 1), CColor(255, 255, 0, 255));
    EXPECT_EQ(pixel(9, 1), CColor(255, 0, 80, 0));
}

TEST_F(CGLAsmProgramRendererTest, ProgramErrorsNameThePosition) {
    if (!driver().hasFeature(DriverFeature::ArbFragmentProgram))
        GTEST_SKIP() << "No assembly fragment programs on this implementation.";
    const uint32_t before = driver().materialTypeCount();
    LogCapture log;
    EXPECT_EQ(driver().createAssemblyShaderMaterial(nullptr, "!!ARBfp1.0\nMOV result.color, nothing;\nEND\n", nullptr,
                                                    MaterialType::Solid, 0),
              -1);
    EXPECT_TRUE(log.contains("Pixel shader compilation failed at position "));
    EXPECT_EQ(driver().materialTypeCount(), before);
}

TEST_F(CGLAsmProgramRendererTest, NamedConstantsGoThroughTheShaderServices) {
    LogCapture log;
    const float data[4] = {};
    EXPECT_FALSE(driver().setPixelShaderConstant("tint", data, 4));
    EXPECT_TRUE(log.contains("Please call services->setPixelShaderConstant()"));
}

} // namespace
