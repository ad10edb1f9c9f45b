#include "engine/video/TextureLayer.h"

TextureLayer::TextureLayer(const TextureLayer& other) { *this = other; }

TextureLayer& TextureLayer::operator=(const TextureLayer& other) {
    if (this == &other)
        return *this;
    texture = other.texture;
    wrap = other.wrap;
    bilinear = other.bilinear;
    trilinear = other.trilinear;
    anisotropy = other.anisotropy;
    lodBias = other.lodBias;
    if (!other.m_textureMatrix)
        m_textureMatrix.reset();
    else if (m_textureMatrix)
        *m_textureMatrix = *other.m_textureMatrix;
    else
        m_textureMatrix = std::make_unique<CMat4>(*other.m_textureMatrix);
    return *this;
}

const CMat4& TextureLayer::textureMatrix() const { return m_textureMatrix ? *m_textureMatrix : CMat4::identity(); }

void TextureLayer::setTextureMatrix(const CMat4& matrix) {
    if (m_textureMatrix)
        *m_textureMatrix = matrix;
    else
        m_textureMatrix = std::make_unique<CMat4>(matrix);
}
