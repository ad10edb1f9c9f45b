#pragma once

#include <cstdint>

// Content type codes: four ASCII letters packed into 32 bits, the first letter
// in the least significant byte ('imag' is 0x67616D69).
[[nodiscard]] constexpr uint32_t makeContentType(const char (&letters)[5]) {
    return uint32_t(uint8_t(letters[0])) | uint32_t(uint8_t(letters[1])) << 8 | uint32_t(uint8_t(letters[2])) << 16 |
           uint32_t(uint8_t(letters[3])) << 24;
}

inline constexpr uint32_t ContentTypeSceneNode = makeContentType("snod");
inline constexpr uint32_t ContentTypeImage = makeContentType("imag");
inline constexpr uint32_t ContentTypeImageTexture = makeContentType("itex");
inline constexpr uint32_t ContentTypeAtlasTexture = makeContentType("atex");
inline constexpr uint32_t ContentTypeAtlasCollection = makeContentType("atxc");
inline constexpr uint32_t ContentTypeFont = makeContentType("font");
inline constexpr uint32_t ContentTypeParticleCollection = makeContentType("prtc");
inline constexpr uint32_t ContentTypeParticleEmitter = makeContentType("pemt");
inline constexpr uint32_t ContentTypeSound = makeContentType("isnd");
inline constexpr uint32_t ContentTypeSoundPack = makeContentType("sndp");

static_assert(ContentTypeSceneNode == 0x646F6E73u);
static_assert(ContentTypeImage == 0x67616D69u);
static_assert(ContentTypeSoundPack == 0x70646E73u);
