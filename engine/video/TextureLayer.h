#pragma once

#include "engine/core/CMat4.h"

#include <cstdint>
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

    // Texture pointer, settings and matrix pointer (see ownTextureMatrix).
    friend bool operator==(const TextureLayer& a, const TextureLayer& b);

    // The image texture drawn from (a content object; not owned).
    CImageTexture* texture = nullptr;
    uint8_t wrap = WrapRepeat;
    bool bilinear = true;
    bool trilinear = false;
    // Largest anisotropy; 0 counts as 1.
    uint8_t anisotropy = 0;
    int8_t lodBias = 0;

private:
    std::unique_ptr<CMat4> m_textureMatrix;
};
