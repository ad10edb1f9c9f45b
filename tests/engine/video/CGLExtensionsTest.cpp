#include "engine/video/CGLExtensions.h"

#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

void APIENTRY fakeActiveTexture(GLenum) {}

TEST(CGLExtensions, ParsesTheLeadingVersionNumber) {
    const struct {
        const char* text;
        uint16_t version;
    } cases[] = {
        {"1.1.0", 101},
        {"1.2", 102},
        {"2.1 Mesa 22.3.6", 201},
        {"4.5 (Compatibility Profile) Mesa 22.3.6", 405},
        {"1.10", 101}, // a decimal fraction: one tenth
        {"1.20", 102},
        {"3", 300},
        {"", 0},
        {"OpenGL ES 2.0", 0},
        {nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        EXPECT_EQ(CGLExtensions::parseVersion(c.text), c.version);
    }
}

TEST(CGLExtensions, SetsTheFlagsOfExactlyNamedExtensions) {
    CGLExtensions extensions;
    // The last name has no blank after it; near misses set nothing.
    extensions.setExtensionFlags(" GL_ARB_multitexture  GL_EXT_framebuffer_objectX GL_ARB_texture "
                                 "GL_ARB_texture_non_power_of_two");
    EXPECT_TRUE(extensions.has(GLExtension::ArbMultitexture));
    EXPECT_TRUE(extensions.multiTexture);
    EXPECT_TRUE(extensions.has(GLExtension::ArbTextureNonPowerOfTwo));
    EXPECT_FALSE(extensions.has(GLExtension::ExtFramebufferObject));
    EXPECT_FALSE(extensions.has(GLExtension::ArbTextureCompression));
    EXPECT_TRUE(extensions.supportsFeature(DriverFeature::NonPowerOfTwoTexture));
    EXPECT_FALSE(extensions.supportsFeature(DriverFeature::FramebufferObject));
    EXPECT_STREQ(CGLExtensions::extensionName(GLExtension::MesaPackInvert), "GL_MESA_pack_invert");
}

TEST(CGLExtensions, ShadingLanguageComesWithVersionTwo) {
    CGLExtensions extensions;
    extensions.version = 120;
    EXPECT_FALSE(extensions.supportsFeature(DriverFeature::ShadingLanguage));
    extensions.version = 200;
    EXPECT_TRUE(extensions.supportsFeature(DriverFeature::ShadingLanguage));
    EXPECT_TRUE(extensions.supportsFeature(DriverFeature::ColorMask));
    EXPECT_FALSE(extensions.supportsFeature(DriverFeature::PixelShader20));
}

TEST(CGLExtensions, MultitexturingNeedsTwoUnitsAndItsEntryPoints) {
    const struct {
        const char* what;
        bool entryPoints;
        uint8_t units;
        bool multiTexture;
        uint8_t usedUnits;
        const char* line;
    } cases[] = {
        {"one unit", true, 1, false, 1, "only has one texture unit. Disabling multitexturing."},
        {"no entry points", false, 4, false, 4, "Failed to load OpenGL's multitexture extension"},
        {"eight units", true, 8, true, 4, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CGLExtensions extensions;
        extensions.setExtensionFlags("GL_ARB_multitexture");
        extensions.maxTextureUnits = c.units;
        if (c.entryPoints) {
            extensions.gl.glActiveTextureARB = fakeActiveTexture;
            extensions.gl.glClientActiveTextureARB = fakeActiveTexture;
        }
        LogCapture log;
        extensions.settleMultiTexture();
        EXPECT_EQ(extensions.multiTexture, c.multiTexture);
        EXPECT_EQ(extensions.supportsFeature(DriverFeature::MultiTexture), c.multiTexture);
        EXPECT_EQ(extensions.maxTextureUnits, c.usedUnits);
        if (c.line)
            EXPECT_TRUE(log.contains(c.line));
        else
            EXPECT_TRUE(log.lines().empty());
    }
}

} // namespace
