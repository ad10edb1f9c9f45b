#include "engine/content/ContentType.h"

#include <gtest/gtest.h>

namespace {

TEST(ContentType, PacksTheLettersLeastSignificantFirst) {
    const struct {
        uint32_t code;
        uint32_t value;
    } cases[] = {
        {ContentTypeSceneNode, 0x646F6E73},
        {ContentTypeImage, 0x67616D69},
        {ContentTypeImageTexture, 0x78657469},
        {ContentTypeAtlasTexture, 0x78657461},
        {ContentTypeAtlasCollection, 0x63787461},
        {ContentTypeFont, 0x746E6F66},
        {ContentTypeParticleCollection, 0x63747270},
        {ContentTypeParticleEmitter, 0x746D6570},
        {ContentTypeSound, 0x646E7369},
        {ContentTypeSoundPack, 0x70646E73},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.code, c.value);
    }
    static_assert(makeContentType("\xFF\x01\x02\x03") == 0x030201FFu, "letters are taken as unsigned bytes");
}

} // namespace
