#pragma once

#include <cstdint>

// The codes shared by every video driver and its callers: driver types,
// features, vertex, primitive and index types, matrix kinds and texture
// creation flags.

// Driver type ids, as answered by IGraphicsDriver::driverType.
struct VideoDriverType {
    static constexpr int32_t Null = 0;
    static constexpr int32_t Direct3D8 = 1;
    static constexpr int32_t Direct3D9 = 2;
    static constexpr int32_t OpenGL = 3;
};

// What a driver may support; each id also has an on/off switch.
enum class DriverFeature : uint32_t {
    RenderToTexture = 0,
    HardwareTransformAndLight = 1,
    MultiTexture = 2,
    BilinearFilter = 3,
    MipMap = 4,
    MipMapAutoUpdate = 5,
    StencilBuffer = 6,
    VertexShader11 = 7,
    VertexShader20 = 8,
    VertexShader30 = 9,
    PixelShader11 = 10,
    PixelShader12 = 11,
    PixelShader13 = 12,
    PixelShader14 = 13,
    PixelShader20 = 14,
    PixelShader30 = 15,
    ArbVertexProgram = 16,
    ArbFragmentProgram = 17,
    ShadingLanguage = 18,
    HighLevelShader = 19,
    NonSquareTexture = 20,
    NonPowerOfTwoTexture = 21,
    FramebufferObject = 22,
    VertexBufferObject = 23,
    AlphaToCoverage = 24,
    ColorMask = 25,
};
inline constexpr uint32_t DriverFeatureCount = 26;

// Vertex layouts; the numbers after each name are the stride in bytes.
enum class VertexType : uint32_t {
    Batch = 0,           // BatchVertex, 24
    TwoCoords = 1,       // position, colour, two texture coordinate pairs, 32
    Normal = 2,          // position, colour, texture coordinates, normal, 36
    NormalTwoCoords = 3, // Normal plus a second texture coordinate pair, 44
    Tangents = 4,        // Normal plus tangent and binormal, 60
};

// Bytes per vertex of `type`; 0 for a code outside the list.
[[nodiscard]] constexpr uint32_t vertexStride(VertexType type) {
    switch (type) {
    case VertexType::Batch:
        return 24;
    case VertexType::TwoCoords:
        return 32;
    case VertexType::Normal:
        return 36;
    case VertexType::NormalTwoCoords:
        return 44;
    case VertexType::Tangents:
        return 60;
    }
    return 0;
}

enum class PrimitiveType : uint32_t {
    Points = 0,
    LineStrip = 1,
    LineLoop = 2,
    Lines = 3,
    TriangleStrip = 4,
    TriangleFan = 5,
    Triangles = 6,
    QuadStrip = 7,
    Quads = 8,
    Polygon = 9,
    PointSprites = 10,
};

// How many vertices (or indices) `count` primitives of `type` consume; 64-bit
// so that no count overflows. 0 for a code outside the list.
[[nodiscard]] constexpr uint64_t primitiveVertexCount(PrimitiveType type, uint32_t count) {
    const uint64_t n = count;
    switch (type) {
    case PrimitiveType::Points:
    case PrimitiveType::LineLoop:
    case PrimitiveType::Polygon:
    case PrimitiveType::PointSprites:
        return n;
    case PrimitiveType::LineStrip:
        return n + 1;
    case PrimitiveType::Lines:
        return 2 * n;
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan:
        return n + 2;
    case PrimitiveType::Triangles:
        return 3 * n;
    case PrimitiveType::QuadStrip:
        return 2 * n + 2;
    case PrimitiveType::Quads:
        return 4 * n;
    }
    return 0;
}

enum class IndexType : uint32_t {
    Bits16 = 0,
    Bits32 = 1,
};

// The matrices a driver keeps, for setMatrix and matrix.
enum class MatrixKind : uint32_t {
    View = 0,
    World = 1,
    Projection = 2,
    Texture0 = 3,
    Texture1 = 4,
    Texture2 = 5,
    Texture3 = 6,
};
inline constexpr uint32_t MatrixKindCount = 7;

// Texture creation flags, a bit set (setTextureFlag, textureFlag).
struct TextureFlag {
    // Prefer 16-bit formats; switching this or Prefer32Bit on clears both first.
    static constexpr uint32_t Prefer16Bit = 1;
    static constexpr uint32_t Prefer32Bit = 2;
    static constexpr uint32_t CreateMipMaps = 4;
    // Formats with alpha become the nearest format without.
    static constexpr uint32_t NoAlpha = 8;
    // Drop the source image once a new texture has been uploaded.
    static constexpr uint32_t DropImage = 16;
    static constexpr uint32_t Initial = CreateMipMaps;
};
