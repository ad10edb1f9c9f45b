#pragma once

#include "engine/video/CGLFunctions.h"
#include "engine/video/VideoTypes.h"

#include <cstdint>

// The OpenGL extensions the driver consults. Other names the implementation
// lists are ignored.
enum class GLExtension : uint32_t {
    ArbMultitexture,
    ArbTextureCompression,
    ArbTextureEnvCombine,
    ArbTextureBorderClamp,
    ArbTextureMirroredRepeat,
    ArbTextureNonPowerOfTwo,
    ArbMultisample,
    ArbPointSprite,
    ArbShadingLanguage100,
    ArbVertexProgram,
    ArbFragmentProgram,
    ArbVertexBufferObject,
    ExtFramebufferObject,
    ExtPackedDepthStencil,
    ExtSeparateSpecularColor,
    ExtFogCoord,
    ExtStencilWrap,
    ExtTextureFilterAnisotropic,
    SgisGenerateMipmap,
    SgisTextureEdgeClamp,
    SgisTextureBorderClamp,
    MesaPackInvert,
    NvMultisampleFilterHint,
    ExtProvokingVertex,
};
inline constexpr uint32_t GLExtensionCount = 24;

// What the GL driver knows of the implementation it runs on: version
// numbers, the extensions it names, its limits and the entry points. Filled
// once by load and read-only afterwards; answers the driver's feature
// questions.
class CGLExtensions {
public:
    // The GL name of `extension` ("GL_ARB_multitexture", ...).
    [[nodiscard]] static const char* extensionName(GLExtension extension);
    // A version text's leading number as major * 100 + minor digit ("2.1
    // Mesa" gives 201, "1.1" gives 101); 0 when it starts with no number.
    [[nodiscard]] static uint16_t parseVersion(const char* text);

    // Reads version, extensions and limits of the current context, whose
    // entry points `gl` holds (copied in). `stencil` says whether the frame
    // buffer has stencil bits. Logs what it finds and what it gives up.
    void load(const CGLFunctions& gl, bool stencil);
    // Sets the flag of every consulted extension named in `list` (names
    // separated by blanks).
    void setExtensionFlags(const char* list);
    // After setExtensionFlags and the limits: switches multitexturing off
    // when its entry points are missing or the hardware has one unit, and
    // caps the unit count at 4.
    void settleMultiTexture();

    [[nodiscard]] bool has(GLExtension extension) const { return extensionFlags[static_cast<uint32_t>(extension)]; }
    // Whether the implementation supports `feature` (the driver adds the
    // feature switches).
    [[nodiscard]] bool supportsFeature(DriverFeature feature) const;
    // Version tests against major * 100 + minor.
    [[nodiscard]] bool versionAtLeast(uint16_t wanted) const { return version >= wanted; }

    CGLFunctions gl;
    bool stencilBuffer = false;
    bool multiTexture = false;
    bool textureCompression = false;
    uint8_t maxTextureUnits = 1;
    uint8_t maxLights = 1;
    uint8_t maxAnisotropy = 1;
    uint8_t maxClipPlanes = 0;
    uint8_t auxBuffers = 0;
    uint32_t maxIndices = 0xFFFF;
    uint32_t maxTextureSize = 1;
    float lineWidthRange[2] = {1.0f, 1.0f};
    float pointSizeRange[2] = {1.0f, 1.0f};
    float smoothLineWidthRange[2] = {1.0f, 1.0f};
    float smoothPointSizeRange[2] = {1.0f, 1.0f};
    uint16_t version = 0;
    uint16_t shadingLanguageVersion = 0;
    bool extensionFlags[GLExtensionCount] = {};

    // The most texture units the driver uses.
    static constexpr uint8_t MaxUnits = 4;
};
