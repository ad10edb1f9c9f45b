#include "engine/video/Material.h"

#include "engine/video/BatchVertex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <string>
#include <type_traits>

namespace {

// Distinct texture addresses: the material only compares the pointers.
alignas(8) char textureA;
alignas(8) char textureB;
CImageTexture* fakeTexture(char& storage) { return reinterpret_cast<CImageTexture*>(&storage); }

CMat4 translation(float x) {
    CMat4 m;
    m.setTranslation({x, 0.0f, 0.0f});
    return m;
}

} // namespace

static_assert(std::is_copy_constructible_v<Material> && std::is_copy_assignable_v<Material>);
static_assert(sizeof(BatchVertex) == 24);

TEST(MaterialTest, DefaultsAreThoseOfTheDriverContract) {
    const Material m;
    EXPECT_EQ(m.materialType, 0);
    EXPECT_EQ(m.ambient.value, 0xFFFFFFFFu);
    EXPECT_EQ(m.diffuse.value, 0xFFFFFFFFu);
    EXPECT_EQ(m.emissive.value, 0u);
    EXPECT_EQ(m.specular.value, 0xFFFFFFFFu);
    EXPECT_EQ(m.thickness, 1.0f);
    EXPECT_EQ(m.layerCount, 4u);
    EXPECT_EQ(m.colorMask, 15);
    EXPECT_EQ(m.colorMaterial, 1);
    EXPECT_TRUE(m.gouraud && m.lighting && m.depthWrite && m.cullBack);
    EXPECT_FALSE(m.wireframe || m.pointCloud || m.cullFront || m.fog || m.normalizeNormals || m.additive);
    EXPECT_EQ(m.depthFunc, 1);
    EXPECT_EQ(m.antiAlias, 5);
    EXPECT_EQ(m.layers[0].texture, nullptr);
    EXPECT_EQ(m.layers[0].ownTextureMatrix(), nullptr);
    EXPECT_TRUE(m.layers[0].textureMatrix().isIdentity());
    EXPECT_TRUE(m.layers[0].bilinear);
    EXPECT_FALSE(m.layers[0].trilinear);
}

TEST(MaterialTest, ComparisonLooksAtEveryFieldAndTheUsedLayers) {
    using Change = std::function<void(Material&)>;
    const struct {
        const char* what;
        Change change;
        bool equal;
    } cases[] = {
        {"nothing", [](Material&) {}, true},
        {"material type", [](Material& m) { m.materialType = 24; }, false},
        {"ambient", [](Material& m) { m.ambient = CColor(1u); }, false},
        {"diffuse", [](Material& m) { m.diffuse = CColor(1u); }, false},
        {"emissive", [](Material& m) { m.emissive = CColor(1u); }, false},
        {"specular", [](Material& m) { m.specular = CColor(1u); }, false},
        {"shininess", [](Material& m) { m.shininess = 2.0f; }, false},
        {"param1", [](Material& m) { m.param1 = 0.5f; }, false},
        {"param2", [](Material& m) { m.param2 = 0.5f; }, false},
        {"thickness", [](Material& m) { m.thickness = 2.0f; }, false},
        {"shininess -0 against +0", [](Material& m) { m.shininess = -0.0f; }, true},
        {"NaN shininess", [](Material& m) { m.shininess = std::numeric_limits<float>::quiet_NaN(); }, false},
        {"NaN param2", [](Material& m) { m.param2 = std::numeric_limits<float>::quiet_NaN(); }, false},
        {"NaN thickness", [](Material& m) { m.thickness = std::numeric_limits<float>::quiet_NaN(); }, false},
        {"wireframe", [](Material& m) { m.wireframe = true; }, false},
        {"point cloud", [](Material& m) { m.pointCloud = true; }, false},
        {"gouraud", [](Material& m) { m.gouraud = false; }, false},
        {"lighting", [](Material& m) { m.lighting = false; }, false},
        {"depth func", [](Material& m) { m.depthFunc = 7; }, false},
        {"depth write", [](Material& m) { m.depthWrite = false; }, false},
        {"cull back", [](Material& m) { m.cullBack = false; }, false},
        {"cull front", [](Material& m) { m.cullFront = true; }, false},
        {"fog", [](Material& m) { m.fog = true; }, false},
        {"normalize", [](Material& m) { m.normalizeNormals = true; }, false},
        {"additive", [](Material& m) { m.additive = true; }, false},
        {"anti-alias", [](Material& m) { m.antiAlias = 0; }, false},
        {"colour mask", [](Material& m) { m.colorMask = 1; }, false},
        {"layer count", [](Material& m) { m.layerCount = 3; }, false},
        {"colour material", [](Material& m) { m.colorMaterial = 0; }, false},
        {"texture of layer 0", [](Material& m) { m.layers[0].texture = fakeTexture(textureA); }, false},
        {"wrap of layer 1", [](Material& m) { m.layers[1].wrap = TextureLayer::WrapClamp; }, false},
        {"bilinear of layer 2", [](Material& m) { m.layers[2].bilinear = false; }, false},
        {"trilinear of layer 3", [](Material& m) { m.layers[3].trilinear = true; }, false},
        {"anisotropy", [](Material& m) { m.layers[0].anisotropy = 8; }, false},
        {"lod bias", [](Material& m) { m.layers[0].lodBias = -1; }, false},
        {"texture matrix set", [](Material& m) { m.layers[0].setTextureMatrix(CMat4()); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Material a;
        Material b;
        c.change(b);
        EXPECT_EQ(a == b, c.equal);
        EXPECT_EQ(b == a, c.equal);
        // The batch's quick test, on materials of one layer, never finds two
        // different materials alike; it may miss an equal pair only through
        // the values of floats. Changes to layers 1 to 3 are beyond the count.
        Material oneA;
        Material oneB;
        oneA.layerCount = oneB.layerCount = 1;
        c.change(oneB);
        const bool equal = oneA == oneB;
        EXPECT_EQ(sameBits(oneB, OneLayerBits::of(oneA)), equal && std::string(c.what).find("-0") == std::string::npos);
        EXPECT_EQ(sameBits(oneA, OneLayerBits::of(oneB)), sameBits(oneB, OneLayerBits::of(oneA)));
    }
}

TEST(MaterialTest, QuickTestSeesLayerZeroAtMostAndNoGaps) {
    // A material built over noise: the quick test reads no byte the
    // constructor leaves unset.
    alignas(Material) unsigned char noise[sizeof(Material)];
    std::memset(noise, 0xA5, sizeof noise);
    Material* a = new (noise) Material;
    Material b;
    for (uint32_t count = 0; count <= 1; ++count) {
        SCOPED_TRACE(count);
        a->layerCount = b.layerCount = count;
        for (uint32_t i = 0; i < Material::MaxLayers; ++i)
            b.layers[i].texture = a->layers[i].texture = fakeTexture(textureA);
        EXPECT_TRUE(sameBits(*a, OneLayerBits::of(b)));
        // Layer 0 is always compared: without layers, a change there only
        // costs the full comparison. Layers beyond it are never read.
        b.layers[0].lodBias = 3;
        EXPECT_FALSE(sameBits(*a, OneLayerBits::of(b)));
        b.layers[0].lodBias = 0;
        b.layers[1].texture = fakeTexture(textureB);
        b.layers[3].setTextureMatrix(translation(1.0f));
        EXPECT_TRUE(sameBits(*a, OneLayerBits::of(b)));
        b.layers[1].texture = fakeTexture(textureA);
        b.layers[3].clearTextureMatrix();
    }
    // No material has the bits of none(), not even the default one.
    EXPECT_FALSE(sameBits(Material(), OneLayerBits::none()));
    EXPECT_FALSE(sameBits(*a, OneLayerBits::none()));
    a->~Material();
}

TEST(MaterialTest, LayersBeyondTheCountAreIgnored) {
    Material a;
    Material b;
    a.layerCount = b.layerCount = 1;
    a.layers[0].texture = b.layers[0].texture = fakeTexture(textureA);
    a.layers[1].texture = fakeTexture(textureA);
    b.layers[1].texture = fakeTexture(textureB);
    b.layers[3].setTextureMatrix(translation(4.0f));
    EXPECT_TRUE(a == b);
    b.layers[0].texture = fakeTexture(textureB);
    EXPECT_FALSE(a == b);
}

TEST(MaterialTest, SeparatelyOwnedTextureMatricesDifferEvenWithEqualValues) {
    Material a;
    Material b;
    a.layers[0].setTextureMatrix(translation(2.0f));
    b.layers[0].setTextureMatrix(translation(2.0f));
    EXPECT_FALSE(a == b);
    // A material is equal to itself: the pointer is the same.
    EXPECT_TRUE(a == a);
}

TEST(MaterialTest, PaddingBytesTakeNoPartInTheComparison) {
    // Two materials built over memory filled differently: whatever lies in
    // the gaps between fields, equal values compare equal.
    alignas(Material) unsigned char zeros[sizeof(Material)];
    alignas(Material) unsigned char noise[sizeof(Material)];
    std::memset(zeros, 0x00, sizeof zeros);
    std::memset(noise, 0xA5, sizeof noise);
    Material* a = new (zeros) Material;
    Material* b = new (noise) Material;
    a->layerCount = b->layerCount = 4;
    a->layers[3].texture = b->layers[3].texture = fakeTexture(textureA);
    EXPECT_TRUE(*a == *b);
    b->~Material();
    std::memset(noise, 0x5A, sizeof noise);
    Material* c = new (noise) Material(*a);
    EXPECT_TRUE(*a == *c);
    c->layers[3].lodBias = 1;
    EXPECT_FALSE(*a == *c);
    a->~Material();
    c->~Material();
}

TEST(MaterialTest, NaNParameterMakesAMaterialDifferFromItself) {
    Material a;
    a.param1 = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(a == a);
}

TEST(MaterialTest, CopyDeepCopiesTheUsedLayersOnly) {
    Material source;
    source.materialType = 25;
    source.additive = true;
    source.layerCount = 2;
    source.layers[0].texture = fakeTexture(textureA);
    source.layers[0].setTextureMatrix(translation(3.0f));
    source.layers[1].wrap = TextureLayer::WrapMirror;
    source.layers[2].texture = fakeTexture(textureB);

    Material copy(source);
    EXPECT_EQ(copy.materialType, 25);
    EXPECT_TRUE(copy.additive);
    EXPECT_EQ(copy.layerCount, 2u);
    EXPECT_EQ(copy.layers[0].texture, fakeTexture(textureA));
    ASSERT_NE(copy.layers[0].ownTextureMatrix(), nullptr);
    EXPECT_NE(copy.layers[0].ownTextureMatrix(), source.layers[0].ownTextureMatrix());
    EXPECT_FLOAT_EQ(copy.layers[0].textureMatrix()[12], 3.0f);
    EXPECT_EQ(copy.layers[1].wrap, TextureLayer::WrapMirror);
    // Layer 2 is beyond the source's count: the copy keeps its own default.
    EXPECT_EQ(copy.layers[2].texture, nullptr);

    // Assignment over a layer without a matrix in the source drops the
    // destination's matrix; over one with a matrix it copies the values.
    Material target;
    target.layers[0].setTextureMatrix(translation(9.0f));
    target.layers[1].setTextureMatrix(translation(9.0f));
    const CMat4* kept = target.layers[0].ownTextureMatrix();
    target = source;
    EXPECT_EQ(target.layers[0].ownTextureMatrix(), kept);
    EXPECT_FLOAT_EQ(target.layers[0].textureMatrix()[12], 3.0f);
    EXPECT_EQ(target.layers[1].ownTextureMatrix(), nullptr);
}

TEST(MaterialTest, LayerCountAboveFourCopiesAndComparesFourLayers) {
    Material source;
    source.layerCount = 1000;
    source.layers[3].texture = fakeTexture(textureA);
    Material copy(source);
    EXPECT_EQ(copy.layers[3].texture, fakeTexture(textureA));
    EXPECT_TRUE(copy == source);
}
