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
    // The count and the switches come before the layers: what a material
    // with one layer compares then lies in its first 80 bytes (OneLayerBits).
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
    // Always zero: a material has no indeterminate bytes (see OneLayerBits).
    uint8_t unused[2] = {};
    TextureLayer layers[MaxLayers];
};

// The quad batch compares a material per quad, so this is inline and cheap:
// the type and colours, and the count and switches, each lie in one block
// without padding and are compared as bytes; the floats are compared as
// values. The asserts keep that layout (the class is not standard-layout,
// hence the pragma).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
inline bool operator==(const Material& a, const Material& b) {
    static_assert(offsetof(Material, materialType) == 0 && offsetof(Material, ambient) == 4 &&
                      offsetof(Material, diffuse) == 8 && offsetof(Material, emissive) == 12 &&
                      offsetof(Material, specular) == 16 && offsetof(Material, shininess) == 20 && sizeof(CColor) == 4,
                  "type and colours form one block");
    constexpr std::size_t headerBytes = offsetof(Material, shininess);
    constexpr std::size_t flags = offsetof(Material, layerCount);
    static_assert(offsetof(Material, thickness) == 32 && flags == 36 && sizeof(Material::layerCount) == 4 &&
                      offsetof(Material, colorMask) == flags + 4 && offsetof(Material, colorMaterial) == flags + 5 &&
                      offsetof(Material, wireframe) == flags + 6 && offsetof(Material, pointCloud) == flags + 7 &&
                      offsetof(Material, gouraud) == flags + 8 && offsetof(Material, lighting) == flags + 9 &&
                      offsetof(Material, depthWrite) == flags + 10 && offsetof(Material, cullBack) == flags + 11 &&
                      offsetof(Material, cullFront) == flags + 12 && offsetof(Material, fog) == flags + 13 &&
                      offsetof(Material, normalizeNormals) == flags + 14 &&
                      offsetof(Material, additive) == flags + 15 && offsetof(Material, depthFunc) == flags + 16 &&
                      offsetof(Material, antiAlias) == flags + 17,
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

// The first bytes of a material with at most one used layer, which hold
// every field == looks at: the header, the count and switches, and layer 0.
// The quad batch keeps those of its material and tests the material of every
// quad against them (sameBits), a few wide loads with no branch per field.
struct alignas(16) OneLayerBits {
    static constexpr std::size_t Size = offsetof(Material, layers) + sizeof(TextureLayer);

    // The bits of `material`, which must use one layer at most.
    [[nodiscard]] static OneLayerBits of(const Material& material) {
        OneLayerBits bits;
        std::memcpy(bits.bytes, static_cast<const void*>(&material), Size);
        return bits;
    }
    // Bits no material has: a switch that is neither false nor true.
    [[nodiscard]] static OneLayerBits none() {
        OneLayerBits bits = of(Material());
        bits.bytes[offsetof(Material, wireframe)] = 0xFF;
        return bits;
    }

    unsigned char bytes[Size];
};

// Whether `a` has the first bytes `bits`: then it uses the same number of
// layers, one at most, and every field == looks at holds the same bits.
// Same bits mean equal materials unless a float is NaN; different bits may
// still be equal values (+0 and -0). The padding compared is the
// always-zero `unused` fields.
inline bool sameBits(const Material& a, const OneLayerBits& bits) {
    static_assert(offsetof(Material, unused) == 54 && offsetof(Material, layers) == 56 && sizeof(TextureLayer) == 24 &&
                      OneLayerBits::Size == 80 &&
                      sizeof(Material) == OneLayerBits::Size + (Material::MaxLayers - 1) * sizeof(TextureLayer),
                  "a material is 152 bytes without padding, the layers last");
    const auto* x = reinterpret_cast<const unsigned char*>(&a);
    const unsigned char* y = bits.bytes;
#if defined(__SSE2__)
    auto load = [](const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto aligned = [](const unsigned char* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); };
    auto same = [&](std::size_t at) { return _mm_cmpeq_epi8(load(x + at), aligned(y + at)); };
    const __m128i equal =
        _mm_and_si128(_mm_and_si128(_mm_and_si128(same(0), same(16)), _mm_and_si128(same(32), same(48))), same(64));
    return _mm_movemask_epi8(equal) == 0xFFFF;
#else
    return std::memcmp(x, y, OneLayerBits::Size) == 0;
#endif
}
#pragma GCC diagnostic pop
