#pragma once

#include "engine/core/CColor.h"
#include "engine/video/TextureLayer.h"

#include <cstdint>

// How primitives are drawn: the renderer (material type), colours, renderer
// parameters, up to four texture layers and the fixed-function switches.
// A plain value record, copied and never shared. Copies and comparisons look
// only at the first layerCount layers.
class Material {
public:
    static constexpr uint32_t MaxLayers = 4;

    // colorMask bits.
    static constexpr uint8_t WriteAlpha = 1;
    static constexpr uint8_t WriteRed = 2;
    static constexpr uint8_t WriteGreen = 4;
    static constexpr uint8_t WriteBlue = 8;
    static constexpr uint8_t WriteAll = 15;

    // colorMaterial: which reflectance follows the vertex colour.
    static constexpr uint8_t ColorMaterialNone = 0;
    static constexpr uint8_t ColorMaterialDiffuse = 1;
    static constexpr uint8_t ColorMaterialAmbient = 2;
    static constexpr uint8_t ColorMaterialEmissive = 3;
    static constexpr uint8_t ColorMaterialSpecular = 4;
    static constexpr uint8_t ColorMaterialAmbientDiffuse = 5;

    // depthFunc.
    static constexpr uint8_t DepthOff = 0;
    static constexpr uint8_t DepthLessEqual = 1;
    static constexpr uint8_t DepthEqual = 2;
    static constexpr uint8_t DepthLess = 3;
    static constexpr uint8_t DepthNotEqual = 4;
    static constexpr uint8_t DepthGreaterEqual = 5;
    static constexpr uint8_t DepthGreater = 6;
    static constexpr uint8_t DepthAlways = 7;

    // antiAlias bits.
    static constexpr uint8_t AntiAliasMultisample = 1;
    static constexpr uint8_t AntiAliasMultisampleQuality = 2;
    static constexpr uint8_t AntiAliasLineSmooth = 4;
    static constexpr uint8_t AntiAliasPointSmooth = 8;
    static constexpr uint8_t AntiAliasAlphaToCoverage = 16;

    Material() = default;
    // Copies the header (type, colours, the four floats), the first
    // layerCount layers of the source, then layerCount and every flag.
    // Layers beyond the source's count keep what they held.
    Material(const Material& other);
    Material& operator=(const Material& other);
    ~Material() = default;

    // The number of layers copies and comparisons look at: layerCount,
    // never more than the four the record has.
    [[nodiscard]] uint32_t usedLayers() const { return layerCount < MaxLayers ? layerCount : MaxLayers; }

    // Different when any field differs (floats as values, so a NaN is never
    // equal), or any of the first layerCount layers does.
    friend bool operator==(const Material& a, const Material& b);

    int32_t materialType = 0;
    CColor ambient{0xFFFFFFFF};
    CColor diffuse{0xFFFFFFFF};
    CColor emissive{0x00000000};
    // Used only when shininess is not 0.
    CColor specular{0xFFFFFFFF};
    float shininess = 0.0f;
    // Alpha reference of "trans_alphach" (0 means 0.5), packed blend of
    // "onetexture_blend".
    float param1 = 0.0f;
    float param2 = 0.0f;
    // Point size and line width.
    float thickness = 1.0f;
    TextureLayer layers[MaxLayers];
    uint32_t layerCount = MaxLayers;
    uint8_t colorMask = WriteAll;
    uint8_t colorMaterial = ColorMaterialDiffuse;
    bool wireframe = false;
    // Draw vertices only (when not wireframe).
    bool pointCloud = false;
    bool gouraud = true;
    bool lighting = true;
    bool depthWrite = true;
    bool cullBack = true;
    bool cullFront = false;
    bool fog = false;
    bool normalizeNormals = false;
    // The sprite renderers add (destination factor one) instead of blending
    // by inverse source alpha.
    bool additive = false;
    uint8_t depthFunc = DepthLessEqual;
    uint8_t antiAlias = AntiAliasMultisample | AntiAliasLineSmooth;
};
