#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/video/Material.h"

#include <cstdint>

class CAtlasTexture;
class Font;
class IPropertyData;
struct SpriteImage;

// The atlas texture an "atlasTexture" value holds; null for none, a null
// value or a value of another kind.
[[nodiscard]] CAtlasTexture* atlasTextureOf(const CRefHandle<IPropertyData>& value);
// The font a "font" value holds; null likewise.
[[nodiscard]] Font* fontOf(const CRefHandle<IPropertyData>& value);

// The material of the 2D nodes: "sprite_color_modulate", one layer with
// `wrap`, bilinear filtering, unlit, without depth test, depth writes or
// back-face culling (mirrored quads face away).
[[nodiscard]] Material makeSpriteMaterial(uint8_t wrap);

// The picture of `texture` for the sprite geometry; false (and `image`
// untouched) without a texture whose page holds a driver texture.
[[nodiscard]] bool spriteImageOf(const CAtlasTexture* texture, SpriteImage& image);
