#pragma once

#include "engine/core/CColor.h"
#include "engine/video/TextureLayer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // equal and -0 equals +0), or any of the first layerCount layers does.
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
    // Always zero, like the one at the end: a material has no indeterminate
    // bytes (see sameBits).
    uint32_t unused0 = 0;
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
    uint8_t unused1[6] = {};
};

// The quad batch compares a material per quad, so this is inline and cheap:
// the integer fields before the floats (type and colours) and the count and
// flag bytes after the layers each lie in one block without padding and are
// compared as bytes; the floats are compared as values. The asserts keep
// that layout (the class is not standard-layout, hence the pragma).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
inline bool operator==(const Material& a, const Material& b) {
    static_assert(offsetof(Material, materialType) == 0 && offsetof(Material, ambient) == 4 &&
                      offsetof(Material, diffuse) == 8 && offsetof(Material, emissive) == 12 &&
                      offsetof(Material, specular) == 16 && offsetof(Material, shininess) == 20 && sizeof(CColor) == 4,
                  "type and colours form one block");
    constexpr std::size_t headerBytes = offsetof(Material, shininess);
    constexpr std::size_t flags = offsetof(Material, layerCount);
    static_assert(offsetof(Material, colorMask) == flags + 4 && offsetof(Material, colorMaterial) == flags + 5 &&
                      offsetof(Material, wireframe) == flags + 6 && offsetof(Material, pointCloud) == flags + 7 &&
                      offsetof(Material, gouraud) == flags + 8 && offsetof(Material, lighting) == flags + 9 &&
                      offsetof(Material, depthWrite) == flags + 10 && offsetof(Material, cullBack) == flags + 11 &&
                      offsetof(Material, cullFront) == flags + 12 && offsetof(Material, fog) == flags + 13 &&
                      offsetof(Material, normalizeNormals) == flags + 14 &&
                      offsetof(Material, additive) == flags + 15 && offsetof(Material, depthFunc) == flags + 16 &&
                      offsetof(Material, antiAlias) == flags + 17 && sizeof(Material::layerCount) == 4,
                  "layer count and flags form one block");
    constexpr std::size_t flagBytes = offsetof(Material, antiAlias) + 1 - flags;
    const auto* bytesA = reinterpret_cast<const unsigned char*>(&a);
    const auto* bytesB = reinterpret_cast<const unsigned char*>(&b);
    if (std::memcmp(bytesA, bytesB, headerBytes) != 0 || std::memcmp(bytesA + flags, bytesB + flags, flagBytes) != 0)
        return false;
    if (a.shininess != b.shininess || a.param1 != b.param1 || a.param2 != b.param2 || a.thickness != b.thickness)
        return false;
    for (uint32_t i = 0; i < a.usedLayers(); ++i)
        if (!(a.layers[i] == b.layers[i]))
            return false;
    return true;
}

// Whether every field == looks at holds the same bits in both materials.
// Same bits mean equal materials unless a float is NaN; different bits may
// still be equal values (+0 and -0). The quad batch's test for every quad:
// a handful of wide loads, no branch per field. The padding it reads is the
// always-zero `unused` fields.
inline bool sameBits(const Material& a, const Material& b) {
    constexpr std::size_t layersAt = offsetof(Material, layers);
    constexpr std::size_t layerBytes = sizeof(TextureLayer);
    constexpr std::size_t flagsAt = offsetof(Material, layerCount);
    static_assert(layersAt == 40 && layerBytes == 24 && flagsAt == layersAt + Material::MaxLayers * layerBytes &&
                      offsetof(Material, unused0) == 36 && offsetof(Material, unused1) == flagsAt + 18 &&
                      sizeof(Material) == flagsAt + 24,
                  "a material is 160 bytes without padding");
    const auto* x = reinterpret_cast<const unsigned char*>(&a);
    const auto* y = reinterpret_cast<const unsigned char*>(&b);
    // The layer count is among the compared bytes: either count will do.
    const uint32_t layers = b.usedLayers();
#if defined(__SSE2__)
    auto wide = [](const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto half = [](const unsigned char* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); };
    __m128i diff = _mm_or_si128(_mm_xor_si128(wide(x), wide(y)), _mm_xor_si128(wide(x + 16), wide(y + 16)));
    diff = _mm_or_si128(diff, _mm_xor_si128(wide(x + flagsAt), wide(y + flagsAt)));
    diff = _mm_or_si128(diff, _mm_xor_si128(wide(x + flagsAt + 8), wide(y + flagsAt + 8)));
    uint32_t i = 0;
    if (layers > 0) [[likely]] {
        // The last floats, the padding after them and the first layer.
        diff = _mm_or_si128(diff, _mm_xor_si128(wide(x + 32), wide(y + 32)));
        diff = _mm_or_si128(diff, _mm_xor_si128(wide(x + 48), wide(y + 48)));
        i = 1;
    } else {
        diff = _mm_or_si128(diff, _mm_xor_si128(half(x + 32), half(y + 32)));
    }
    for (; i < layers; ++i) {
        const std::size_t at = layersAt + i * layerBytes;
        diff = _mm_or_si128(diff, _mm_xor_si128(wide(x + at), wide(y + at)));
        diff = _mm_or_si128(diff, _mm_xor_si128(half(x + at + 16), half(y + at + 16)));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(diff, _mm_setzero_si128())) == 0xFFFF;
#else
    return std::memcmp(x, y, layersAt + layers * layerBytes) == 0 &&
           std::memcmp(x + flagsAt, y + flagsAt, sizeof(Material) - flagsAt) == 0;
#endif
}
#pragma GCC diagnostic pop
