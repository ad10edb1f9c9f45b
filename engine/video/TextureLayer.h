#pragma once

#include "engine/core/CMat4.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

class CImageTexture;

// One texture stage of a Material. A plain value: copies share the texture
// pointer (not owned) and deep-copy the texture matrix.
class TextureLayer {
public:
    static constexpr uint8_t WrapRepeat = 0;
    static constexpr uint8_t WrapClamp = 1;
    static constexpr uint8_t WrapClampToEdge = 2;
    static constexpr uint8_t WrapClampToBorder = 3;
    static constexpr uint8_t WrapMirror = 4;

    TextureLayer() = default;
    TextureLayer(const TextureLayer& other);
    TextureLayer& operator=(const TextureLayer& other);
    TextureLayer(TextureLayer&& other) noexcept = default;
    TextureLayer& operator=(TextureLayer&& other) noexcept = default;
    ~TextureLayer() = default;

    // The transform of the texture coordinates; the identity when none is set.
    [[nodiscard]] const CMat4& textureMatrix() const;
    // Makes the layer's own matrix on first use.
    void setTextureMatrix(const CMat4& matrix);
    // Drops the layer's matrix (back to the identity).
    void clearTextureMatrix() { m_textureMatrix.reset(); }
    // The owned matrix or null: two layers with separately owned matrices
    // never compare equal, whatever the values.
    [[nodiscard]] const CMat4* ownTextureMatrix() const { return m_textureMatrix.get(); }

    // Texture pointer, matrix pointer (see ownTextureMatrix) and settings.
    friend bool operator==(const TextureLayer& a, const TextureLayer& b);

    // The image texture drawn from (a content object; not owned).
    CImageTexture* texture = nullptr;

private:
    // Kept between the texture and the settings: the compared fields then
    // form one block without padding (see operator==).
    std::unique_ptr<CMat4> m_textureMatrix;

public:
    uint8_t wrap = WrapRepeat;
    bool bilinear = true;
    bool trilinear = false;
    // Largest anisotropy; 0 counts as 1.
    uint8_t anisotropy = 0;
    int8_t lodBias = 0;
    // Always zero: the layer has no indeterminate bytes, so materials can be
    // compared as bytes (sameBits in Material.h).
    uint8_t unused[3] = {};
};

// The quad batch compares a material per quad, so this is inline and cheap:
// the two pointers and the five setting bytes lie back to back from the
// start of the layer and are compared as one block of bytes. The asserts
// keep that layout (the class is not standard-layout, hence the pragma).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
inline bool operator==(const TextureLayer& a, const TextureLayer& b) {
    constexpr std::size_t pointer = sizeof(void*);
    static_assert(sizeof(std::unique_ptr<CMat4>) == pointer, "the matrix handle is a bare pointer");
    static_assert(
        offsetof(TextureLayer, texture) == 0 && offsetof(TextureLayer, m_textureMatrix) == pointer &&
            offsetof(TextureLayer, wrap) == 2 * pointer && offsetof(TextureLayer, bilinear) == 2 * pointer + 1 &&
            offsetof(TextureLayer, trilinear) == 2 * pointer + 2 &&
            offsetof(TextureLayer, anisotropy) == 2 * pointer + 3 && offsetof(TextureLayer, lodBias) == 2 * pointer + 4,
        "the compared fields of a layer form one block");
    static_assert(offsetof(TextureLayer, unused) == 2 * pointer + 5 && sizeof(TextureLayer) == 3 * pointer,
                  "a layer has no padding");
    constexpr std::size_t comparedBytes = offsetof(TextureLayer, lodBias) + sizeof(int8_t);
    return std::memcmp(&a, &b, comparedBytes) == 0;
}
#pragma GCC diagnostic pop
