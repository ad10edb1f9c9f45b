#include "engine/video/CGLExtensions.h"

#include "engine/core/CLog.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* Names[GLExtensionCount] = {
    "GL_ARB_multitexture",
    "GL_ARB_texture_compression",
    "GL_ARB_texture_env_combine",
    "GL_ARB_texture_border_clamp",
    "GL_ARB_texture_mirrored_repeat",
    "GL_ARB_texture_non_power_of_two",
    "GL_ARB_multisample",
    "GL_ARB_point_sprite",
    "GL_ARB_shading_language_100",
    "GL_ARB_vertex_program",
    "GL_ARB_fragment_program",
    "GL_ARB_vertex_buffer_object",
    "GL_EXT_framebuffer_object",
    "GL_EXT_packed_depth_stencil",
    "GL_EXT_separate_specular_color",
    "GL_EXT_fog_coord",
    "GL_EXT_stencil_wrap",
    "GL_EXT_texture_filter_anisotropic",
    "GL_SGIS_generate_mipmap",
    "GL_SGIS_texture_edge_clamp",
    "GL_SGIS_texture_border_clamp",
    "GL_MESA_pack_invert",
    "GL_NV_multisample_filter_hint",
    "GL_EXT_provoking_vertex",
};

uint8_t toByte(GLint value) { return static_cast<uint8_t>(std::clamp<GLint>(value, 0, 255)); }

} // namespace

const char* CGLExtensions::extensionName(GLExtension extension) {
    const auto index = static_cast<uint32_t>(extension);
    return index < GLExtensionCount ? Names[index] : "";
}

uint16_t CGLExtensions::parseVersion(const char* text) {
    if (!text)
        return 0;
    const char* p = text;
    if (*p < '0' || *p > '9')
        return 0;
    double major = 0.0;
    while (*p >= '0' && *p <= '9' && major < 1000.0)
        major = major * 10.0 + (*p++ - '0');
    while (*p >= '0' && *p <= '9')
        ++p;
    // The fraction as a decimal number: "1.10" is 1.1, whose minor digit is 1.
    double fraction = 0.0;
    if (*p == '.') {
        double scale = 0.1;
        for (++p; *p >= '0' && *p <= '9'; ++p, scale *= 0.1)
            fraction += (*p - '0') * scale;
    }
    const double value = std::min(major, 600.0) * 100.0 + static_cast<double>(static_cast<int>(fraction * 10.0 + 0.5));
    return static_cast<uint16_t>(value);
}

void CGLExtensions::setExtensionFlags(const char* list) {
    if (!list)
        return;
    const char* p = list;
    while (*p) {
        while (*p == ' ')
            ++p;
        const char* start = p;
        while (*p && *p != ' ')
            ++p;
        const std::size_t length = static_cast<std::size_t>(p - start);
        if (length == 0)
            continue;
        for (uint32_t i = 0; i < GLExtensionCount; ++i)
            if (std::strlen(Names[i]) == length && std::memcmp(Names[i], start, length) == 0)
                extensionFlags[i] = true;
    }
    multiTexture = has(GLExtension::ArbMultitexture);
    textureCompression = has(GLExtension::ArbTextureCompression);
}

void CGLExtensions::load(const CGLFunctions& functions, bool stencil) {
    gl = functions;
    stencilBuffer = stencil;
    version = parseVersion(reinterpret_cast<const char*>(gl.glGetString(GL_VERSION)));
    if (version >= 102)
        CLog::instance()->log("OpenGL driver version is 1.2 or better.", CLog::Info);
    else
        CLog::instance()->log("OpenGL driver version is not 1.2 or better.", CLog::Warning);

    setExtensionFlags(reinterpret_cast<const char*>(gl.glGetString(GL_EXTENSIONS)));

    GLint value = 0;
    if (version > 102 || multiTexture) {
        gl.glGetIntegerv(GL_MAX_TEXTURE_UNITS, &value);
        maxTextureUnits = toByte(value);
    }
    value = 0;
    gl.glGetIntegerv(GL_MAX_LIGHTS, &value);
    maxLights = toByte(value);
    if (has(GLExtension::ExtTextureFilterAnisotropic)) {
        GLfloat anisotropy = 1.0f;
        gl.glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
        maxAnisotropy = toByte(static_cast<GLint>(anisotropy));
    }
    if (version > 101) {
        value = 0;
        gl.glGetIntegerv(GL_MAX_ELEMENTS_INDICES, &value);
        if (value > 0)
            maxIndices = static_cast<uint32_t>(value);
    }
    value = 0;
    gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    maxTextureSize = value > 0 ? static_cast<uint32_t>(value) : 1;
    value = 0;
    gl.glGetIntegerv(GL_MAX_CLIP_PLANES, &value);
    maxClipPlanes = toByte(value);
    value = 0;
    gl.glGetIntegerv(GL_AUX_BUFFERS, &value);
    auxBuffers = toByte(value);
    gl.glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, lineWidthRange);
    gl.glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, pointSizeRange);
    gl.glGetFloatv(GL_SMOOTH_LINE_WIDTH_RANGE, smoothLineWidthRange);
    gl.glGetFloatv(GL_SMOOTH_POINT_SIZE_RANGE, smoothPointSizeRange);

    if (has(GLExtension::ArbShadingLanguage100) || version >= 200) {
        while (gl.glGetError() != GL_NO_ERROR) {
        }
        const auto* text = reinterpret_cast<const char*>(gl.glGetString(GL_SHADING_LANGUAGE_VERSION));
        if (gl.glGetError() == GL_INVALID_ENUM || !text)
            shadingLanguageVersion = 100;
        else
            shadingLanguageVersion = parseVersion(text);
    }
    settleMultiTexture();
}

void CGLExtensions::settleMultiTexture() {
    if (!gl.glActiveTextureARB || !gl.glClientActiveTextureARB) {
        if (multiTexture)
            CLog::instance()->log("Failed to load OpenGL's multitexture extension, proceeding without.", CLog::Warning);
        multiTexture = false;
    } else if (multiTexture && maxTextureUnits < 2) {
        multiTexture = false;
        CLog::instance()->log("Warning: OpenGL device only has one texture unit. Disabling multitexturing.",
                              CLog::Warning);
    }
    if (maxTextureUnits < 1)
        maxTextureUnits = 1;
    maxTextureUnits = std::min(maxTextureUnits, MaxUnits);
}

bool CGLExtensions::supportsFeature(DriverFeature feature) const {
    switch (feature) {
    case DriverFeature::RenderToTexture:
    case DriverFeature::BilinearFilter:
    case DriverFeature::MipMap:
    case DriverFeature::NonSquareTexture:
    case DriverFeature::ColorMask:
        return true;
    case DriverFeature::MultiTexture:
        return multiTexture;
    case DriverFeature::MipMapAutoUpdate:
        return has(GLExtension::SgisGenerateMipmap);
    case DriverFeature::StencilBuffer:
        return stencilBuffer;
    case DriverFeature::ArbVertexProgram:
        return has(GLExtension::ArbVertexProgram);
    case DriverFeature::ArbFragmentProgram:
        return has(GLExtension::ArbFragmentProgram);
    case DriverFeature::ShadingLanguage:
        return has(GLExtension::ArbShadingLanguage100) || version >= 200;
    case DriverFeature::NonPowerOfTwoTexture:
        return has(GLExtension::ArbTextureNonPowerOfTwo);
    case DriverFeature::FramebufferObject:
        return has(GLExtension::ExtFramebufferObject);
    case DriverFeature::VertexBufferObject:
        return has(GLExtension::ArbVertexBufferObject);
    case DriverFeature::AlphaToCoverage:
        return has(GLExtension::ArbMultisample);
    default:
        return false;
    }
}
