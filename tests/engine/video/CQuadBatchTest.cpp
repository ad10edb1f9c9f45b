#include "engine/video/CQuadBatch.h"

#include "engine/core/CRefHandle.h"
#include "engine/video/CGeometryBuffer.h"
#include "engine/video/MaterialTypes.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using Call = CRecordingGraphicsDriver::Call;

Material spriteMaterial(int32_t type = MaterialType::SpriteColorModulate) {
    Material m;
    m.materialType = type;
    m.lighting = false;
    m.layerCount = 1;
    return m;
}

// A sprite's prepared quad: corners of a 10 x 10 square at `x`, tagged in
// the colour so that draws can be traced back to the quad.
CBatchQuad spriteQuad(const Material& material, float x, uint32_t tag) {
    CBatchQuad quad;
    quad.material = &material;
    const float corners[4][2] = {{x, 0}, {x + 10, 0}, {x + 10, 10}, {x, 10}};
    for (int i = 0; i < 4; ++i) {
        quad.vertices[i].x = corners[i][0];
        quad.vertices[i].y = corners[i][1];
        quad.vertices[i].color = CColor(tag);
        quad.vertices[i].u = i == 1 || i == 2 ? 1.0f : 0.0f;
        quad.vertices[i].v = i >= 2 ? 1.0f : 0.0f;
    }
    return quad;
}

// A particle buffer of `quads` quads as an indexed triangle list.
CRefHandle<CGeometryBuffer> particleBuffer(const Material& material, uint32_t quads, float z = 0.0f) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    buffer->material() = material;
    for (uint32_t q = 0; q < quads; ++q) {
        BatchVertex v[4];
        for (int i = 0; i < 4; ++i) {
            v[i].x = float(q * 10 + i);
            v[i].z = z;
        }
        const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
        buffer->append(v, 4, indices, 6);
    }
    buffer->setPrimitiveCount(quads * 2);
    return buffer;
}

class CQuadBatchTest : public ::testing::Test {
protected:
    CRefHandle<CRecordingGraphicsDriver> driver{CRecordingGraphicsDriver::create()};
    CQuadBatch& batch = *driver->quadBatch();
};

} // namespace

TEST_F(CQuadBatchTest, QuadIndicesFollowTheFixedPattern) {
    const uint16_t* indices = batch.quadIndices();
    for (uint32_t k : {0u, 1u, 511u, 1023u}) {
        SCOPED_TRACE(k);
        const uint16_t* quad = indices + 6 * k;
        EXPECT_EQ(quad[0], 4 * k);
        EXPECT_EQ(quad[1], 4 * k + 1);
        EXPECT_EQ(quad[2], 4 * k + 2);
        EXPECT_EQ(quad[3], 4 * k);
        EXPECT_EQ(quad[4], 4 * k + 2);
        EXPECT_EQ(quad[5], 4 * k + 3);
    }
}

TEST_F(CQuadBatchTest, ThousandTwentyFourQuadsOfOneMaterialMakeTwoDraws) {
    const Material material = spriteMaterial();
    batch.begin();
    for (uint32_t i = 0; i < 1024; ++i) {
        const CBatchQuad quad = spriteQuad(material, float(i), i);
        batch.addQuadVertices(&quad);
    }
    batch.end();

    EXPECT_EQ(driver->calls(), (std::vector<Call>{Call::Apply2DStates, Call::ApplyMaterial, Call::DrawPrimitives,
                                                  Call::ApplyMaterial, Call::DrawPrimitives}));
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 2u);
    // The batch is kept one quad short of its 4,096 vertices.
    EXPECT_EQ(draws[0]->vertexCount, 4092u);
    EXPECT_EQ(draws[0]->primitiveCount, 2046u);
    EXPECT_EQ(draws[1]->vertexCount, 4u);
    EXPECT_EQ(draws[1]->primitiveCount, 2u);
    for (const auto* draw : draws) {
        EXPECT_EQ(draw->primitiveType, PrimitiveType::Triangles);
        EXPECT_EQ(draw->vertexType, VertexType::Batch);
        EXPECT_EQ(draw->indexType, IndexType::Bits16);
        EXPECT_TRUE(draw->indexed);
        EXPECT_TRUE(draw->indicesInRange);
    }
    // The quads arrive in order, the last one alone in the second draw.
    EXPECT_EQ(draws[0]->vertices[0].color.value, 0u);
    EXPECT_EQ(draws[0]->vertices[4091].color.value, 1022u);
    EXPECT_EQ(draws[1]->vertices[0].color.value, 1023u);
    EXPECT_EQ(draws[1]->vertices[2].x, 1023.0f + 10.0f);
    for (const auto* record : driver->recordsOf(Call::ApplyMaterial))
        EXPECT_TRUE(record->material == material);
    EXPECT_EQ(driver->primitiveCount(2), 0u); // no frame registered yet
}

TEST_F(CQuadBatchTest, MaterialChangeFlushesAndAReturnFlushesAgain) {
    const Material modulate = spriteMaterial(MaterialType::SpriteColorModulate);
    const Material add = spriteMaterial(MaterialType::SpriteColorAdd);
    batch.begin();
    const CBatchQuad q1 = spriteQuad(modulate, 0, 1);
    const CBatchQuad q2 = spriteQuad(modulate, 10, 2);
    const CBatchQuad q3 = spriteQuad(add, 20, 3);
    const CBatchQuad q4 = spriteQuad(modulate, 30, 4);
    batch.addQuadVertices(&q1);
    batch.addQuadVertices(&q2);
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 0u);
    batch.addQuadVertices(&q3);
    batch.addQuadVertices(&q4);
    batch.end();

    const auto materials = driver->recordsOf(Call::ApplyMaterial);
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 3u);
    ASSERT_EQ(materials.size(), 3u);
    EXPECT_EQ(materials[0]->material.materialType, MaterialType::SpriteColorModulate);
    EXPECT_EQ(materials[1]->material.materialType, MaterialType::SpriteColorAdd);
    EXPECT_EQ(materials[2]->material.materialType, MaterialType::SpriteColorModulate);
    EXPECT_EQ(draws[0]->primitiveCount, 4u);
    EXPECT_EQ(draws[1]->primitiveCount, 2u);
    EXPECT_EQ(draws[1]->vertices[0].color.value, 3u);
    EXPECT_EQ(draws[2]->vertices[0].color.value, 4u);
}

TEST_F(CQuadBatchTest, MaterialsDifferingBeyondTheLayerCountShareADraw) {
    Material a = spriteMaterial();
    Material b = spriteMaterial();
    alignas(8) static char unusedTexture;
    b.layers[2].texture = reinterpret_cast<CImageTexture*>(&unusedTexture);
    const CBatchQuad qa = spriteQuad(a, 0, 1);
    const CBatchQuad qb = spriteQuad(b, 10, 2);
    batch.begin();
    batch.addQuadVertices(&qa);
    batch.addQuadVertices(&qb);
    batch.end();
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->primitiveCount, 4u);
}

// Quads are joined by the value of their materials, whatever their bits.
TEST_F(CQuadBatchTest, DrawsFollowMaterialValuesNotBits) {
    const struct {
        const char* what;
        float first, second;
        size_t draws;
    } cases[] = {
        {"equal", 1.0f, 1.0f, 1},
        {"+0 and -0", 0.0f, -0.0f, 1},
        {"different", 1.0f, 2.0f, 2},
        // A NaN makes a material equal to nothing, itself included.
        {"NaN", std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN(), 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        driver->clearRecords();
        Material first = spriteMaterial();
        Material second = spriteMaterial();
        first.param2 = c.first;
        second.param2 = c.second;
        const CBatchQuad quads[4] = {spriteQuad(first, 0, 1), spriteQuad(first, 10, 2), spriteQuad(second, 20, 3),
                                     spriteQuad(second, 30, 4)};
        batch.begin();
        for (const CBatchQuad& quad : quads)
            batch.addQuadVertices(&quad);
        batch.end();
        const auto draws = driver->recordsOf(Call::DrawPrimitives);
        ASSERT_EQ(draws.size(), c.draws);
        uint32_t primitives = 0;
        for (const auto* draw : draws)
            primitives += draw->primitiveCount;
        EXPECT_EQ(primitives, 8u);
        EXPECT_EQ(draws.back()->vertices[draws.back()->vertexCount - 1].color.value, 4u);
    }
}

// Quads of materials a, a, b, b, a: one draw when a equals b, three when
// they differ, for every field the comparison looks at and for sprite
// materials with no, one or two layers.
TEST_F(CQuadBatchTest, SplitsExactlyWhereMaterialsDiffer) {
    using Change = void (*)(Material&);
    alignas(8) static char textureA;
    alignas(8) static char textureB;
    static CImageTexture* const texA = reinterpret_cast<CImageTexture*>(&textureA);
    static CImageTexture* const texB = reinterpret_cast<CImageTexture*>(&textureB);
    const struct {
        const char* what;
        uint32_t layers;
        Change change;
        bool split;
    } cases[] = {
        {"nothing", 1, [](Material&) {}, false},
        {"material type", 1, [](Material& m) { m.materialType = MaterialType::SpriteColorAdd; }, true},
        {"diffuse", 1, [](Material& m) { m.diffuse = CColor(0x80FFFFFF); }, true},
        {"specular", 1, [](Material& m) { m.specular = CColor(0u); }, true},
        {"param1", 1, [](Material& m) { m.param1 = 0.5f; }, true},
        {"thickness", 1, [](Material& m) { m.thickness = 2.0f; }, true},
        {"shininess -0", 1, [](Material& m) { m.shininess = -0.0f; }, false},
        {"colour mask", 1, [](Material& m) { m.colorMask = Material::WriteRed; }, true},
        {"additive", 1, [](Material& m) { m.additive = true; }, true},
        {"fog", 1, [](Material& m) { m.fog = true; }, true},
        {"anti-alias", 1, [](Material& m) { m.antiAlias = 0; }, true},
        {"depth func", 1, [](Material& m) { m.depthFunc = Material::DepthAlways; }, true},
        {"layer count", 1, [](Material& m) { m.layerCount = 2; }, true},
        {"texture", 1, [](Material& m) { m.layers[0].texture = texB; }, true},
        {"wrap", 1, [](Material& m) { m.layers[0].wrap = TextureLayer::WrapClampToEdge; }, true},
        {"bilinear", 1, [](Material& m) { m.layers[0].bilinear = false; }, true},
        {"lod bias", 1, [](Material& m) { m.layers[0].lodBias = -2; }, true},
        {"texture of an unused layer", 1, [](Material& m) { m.layers[1].texture = texB; }, false},
        {"padding", 1, [](Material& m) { m.unused[0] = 1; }, false},
        {"texture without layers", 0, [](Material& m) { m.layers[0].texture = texB; }, false},
        {"colour without layers", 0, [](Material& m) { m.emissive = CColor(1u); }, true},
        {"second texture", 2, [](Material& m) { m.layers[1].texture = texB; }, true},
        {"second lod bias", 2, [](Material& m) { m.layers[1].lodBias = 1; }, true},
        {"first texture of two", 2, [](Material& m) { m.layers[0].texture = texB; }, true},
        {"nothing of two", 2, [](Material&) {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        driver->clearRecords();
        Material a = spriteMaterial();
        a.layerCount = c.layers;
        a.layers[0].texture = a.layers[1].texture = texA;
        Material b = a;
        c.change(b);
        const CBatchQuad quads[5] = {spriteQuad(a, 0, 1), spriteQuad(a, 10, 2), spriteQuad(b, 20, 3),
                                     spriteQuad(b, 30, 4), spriteQuad(a, 40, 5)};
        // Twice: first with the batch material different, then equal to a.
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            driver->clearRecords();
            batch.begin();
            for (const CBatchQuad& quad : quads)
                batch.addQuadVertices(&quad);
            batch.end();
            const auto draws = driver->recordsOf(Call::DrawPrimitives);
            const auto materials = driver->recordsOf(Call::ApplyMaterial);
            ASSERT_EQ(draws.size(), c.split ? 3u : 1u);
            ASSERT_EQ(materials.size(), draws.size());
            const std::vector<uint32_t> firstTags = c.split ? std::vector<uint32_t>{1, 3, 5} : std::vector<uint32_t>{1};
            const std::vector<uint32_t> quadsPerDraw =
                c.split ? std::vector<uint32_t>{2, 2, 1} : std::vector<uint32_t>{5};
            for (size_t i = 0; i < draws.size(); ++i) {
                EXPECT_EQ(draws[i]->vertices[0].color.value, firstTags[i]);
                EXPECT_EQ(draws[i]->primitiveCount, 2 * quadsPerDraw[i]);
                EXPECT_TRUE(materials[i]->material == (i == 1 ? b : a));
            }
        }
    }
}

TEST_F(CQuadBatchTest, AddQuadBuildsTheCornersFromPositionsAndCoordinates) {
    const Material material = spriteMaterial();
    batch.begin();
    batch.addQuad(&material, {CVector2d(1, 2), CVector2d(3, 2), CVector2d(3, 4), CVector2d(1, 4)},
                  {CVector2d(0, 0), CVector2d(0.5f, 0), CVector2d(0.5f, 0.25f), CVector2d(0, 0.25f)}, 0.75f,
                  CColor(0x80FF0000));
    batch.addQuad(nullptr, {}, {}, 0.0f, CColor());
    batch.flush();
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    ASSERT_EQ(draws[0]->vertices.size(), 4u);
    const BatchVertex& corner = draws[0]->vertices[2];
    EXPECT_EQ(corner.x, 3.0f);
    EXPECT_EQ(corner.y, 4.0f);
    EXPECT_EQ(corner.z, 0.75f);
    EXPECT_EQ(corner.u, 0.5f);
    EXPECT_EQ(corner.v, 0.25f);
    EXPECT_EQ(corner.color.value, 0x80FF0000u);
    EXPECT_EQ(draws[0]->indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
}

TEST_F(CQuadBatchTest, FlushWithNothingPendingCallsNothing) {
    batch.flush();
    batch.end();
    const CBatchQuad nullMaterial{};
    batch.addQuadVertices(&nullMaterial);
    batch.addQuadVertices(nullptr);
    batch.flush();
    EXPECT_TRUE(driver->records().empty());
}

TEST_F(CQuadBatchTest, BeginDropsPendingQuads) {
    const Material material = spriteMaterial();
    const CBatchQuad quad = spriteQuad(material, 0, 7);
    batch.addQuadVertices(&quad);
    batch.begin();
    batch.end();
    EXPECT_EQ(driver->calls(), std::vector<Call>{Call::Apply2DStates});
    EXPECT_EQ(batch.pendingVertices(), 0u);
}

TEST_F(CQuadBatchTest, MeshAfterQuadsOfTheSameMaterialFlushesThem) {
    const Material material = spriteMaterial();
    const CBatchQuad quad = spriteQuad(material, 0, 1);
    const auto buffer = particleBuffer(material, 3);
    batch.begin();
    batch.addQuadVertices(&quad);
    batch.addMeshBuffer(buffer.get());
    batch.end();

    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->primitiveCount, 2u);
    EXPECT_EQ(draws[1]->primitiveCount, 6u);
    EXPECT_EQ(draws[1]->vertexCount, 12u);
    EXPECT_EQ(driver->count(Call::ApplyMaterial), 2u);

    // A quad after the mesh is a mode change again.
    driver->clearRecords();
    batch.addMeshBuffer(buffer.get());
    batch.addQuadVertices(&quad);
    batch.flush();
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 2u);
}

TEST_F(CQuadBatchTest, EqualMeshesShareOneDrawWithTheirOwnVertices) {
    const Material material = spriteMaterial(MaterialType::TransparentVertexAlpha);
    const auto first = particleBuffer(material, 1, 1.0f);
    const auto second = particleBuffer(material, 2, 2.0f);
    batch.begin();
    batch.addMeshBuffer(first.get());
    batch.addMeshBuffer(second.get());
    batch.end();

    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    const auto& draw = *draws[0];
    EXPECT_EQ(draw.vertexCount, 12u);
    EXPECT_EQ(draw.primitiveCount, 6u);
    ASSERT_EQ(draw.indices.size(), 18u);
    EXPECT_TRUE(draw.indicesInRange);
    // The second buffer's triangles point at its own vertices (z = 2).
    for (size_t i = 0; i < draw.indices.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(draw.vertices[draw.indices[i]].z, i < 6 ? 1.0f : 2.0f);
    }
    EXPECT_EQ(draw.indices[6], 4u);
}

TEST_F(CQuadBatchTest, MeshesWithDifferentPrimitiveTypesDrawApart) {
    const Material material = spriteMaterial();
    const auto triangles = particleBuffer(material, 1);
    const auto strip = particleBuffer(material, 1);
    strip->setPrimitiveType(PrimitiveType::TriangleStrip);
    strip->setPrimitiveCount(2);
    batch.addMeshBuffer(triangles.get());
    batch.addMeshBuffer(strip.get());
    batch.flush();
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->primitiveType, PrimitiveType::Triangles);
    EXPECT_EQ(draws[1]->primitiveType, PrimitiveType::TriangleStrip);
}

TEST_F(CQuadBatchTest, MeshesFlushWhenTheArraysWouldFill) {
    const Material material = spriteMaterial();
    // 600 quads: 2,400 vertices and 3,600 indices; two do not fit together.
    const auto buffer = particleBuffer(material, 600);
    batch.addMeshBuffer(buffer.get());
    batch.addMeshBuffer(buffer.get());
    batch.flush();
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->vertexCount, 2400u);
    EXPECT_EQ(draws[1]->vertexCount, 2400u);
    EXPECT_TRUE(draws[1]->indicesInRange);
}

TEST_F(CQuadBatchTest, MeshesTheBatchMustSkipOrDrawAlone) {
    const Material material = spriteMaterial();
    const CBatchQuad quad = spriteQuad(material, 0, 1);

    // Too many primitives for the driver: skipped, pending quads stay.
    driver->setMaxPrimitives(6);
    const auto big = particleBuffer(material, 3);
    batch.addQuadVertices(&quad);
    batch.addMeshBuffer(big.get());
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 0u);
    EXPECT_EQ(batch.pendingPrimitives(), 2u);
    driver->setMaxPrimitives(0xFFFFFFFFu);

    // Primitives beyond its indices, or an index past its vertices: skipped.
    const auto overclaimed = particleBuffer(material, 1);
    overclaimed->setPrimitiveCount(50);
    batch.addMeshBuffer(overclaimed.get());
    const auto badIndex = particleBuffer(material, 1);
    badIndex->indices()[2] = 4;
    batch.addMeshBuffer(badIndex.get());
    batch.addMeshBuffer(nullptr);
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 0u);

    // Larger than the arrays: the pending quads are drawn, then the buffer
    // on its own.
    const auto huge = particleBuffer(material, 1100);
    batch.addMeshBuffer(huge.get());
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->primitiveCount, 2u);
    EXPECT_EQ(draws[1]->vertexCount, 4400u);
    EXPECT_EQ(draws[1]->primitiveCount, 2200u);
    EXPECT_TRUE(draws[1]->indicesInRange);
    EXPECT_EQ(batch.pendingPrimitives(), 0u);
}

TEST_F(CQuadBatchTest, SpareIndicesStayOutOfTheDraw) {
    const Material material = spriteMaterial();
    // One triangle, but three indices more than it uses (left from a larger
    // frame); the next buffer's triangle must still name its own vertices.
    const auto first = particleBuffer(material, 1, 1.0f);
    const uint16_t spare[3] = {3, 2, 1};
    (void)first->indexArray().append(spare, 3);
    first->setPrimitiveCount(1);
    const auto second = particleBuffer(material, 1, 2.0f);
    batch.addMeshBuffer(first.get());
    batch.addMeshBuffer(second.get());
    batch.flush();

    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws.size(), 1u);
    const auto& draw = *draws[0];
    EXPECT_EQ(draw.primitiveCount, 3u);
    EXPECT_EQ(draw.vertexCount, 8u);
    EXPECT_EQ(draw.indices, (std::vector<uint32_t>{0, 1, 2, 4, 5, 6, 4, 6, 7}));
    EXPECT_EQ(batch.pendingIndices(), 0u);
}

TEST_F(CQuadBatchTest, OnlyListsOfOneTypeShareADraw) {
    const Material material = spriteMaterial();
    const struct {
        PrimitiveType type;
        size_t draws;
    } cases[] = {
        {PrimitiveType::Points, 1},    {PrimitiveType::Lines, 1},         {PrimitiveType::Triangles, 1},
        {PrimitiveType::Quads, 1},     {PrimitiveType::PointSprites, 1},  {PrimitiveType::LineStrip, 2},
        {PrimitiveType::LineLoop, 2},  {PrimitiveType::TriangleStrip, 2}, {PrimitiveType::TriangleFan, 2},
        {PrimitiveType::QuadStrip, 2}, {PrimitiveType::Polygon, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        driver->clearRecords();
        // Two buffers of one primitive each, with exactly the vertices and
        // indices it uses.
        const auto used = static_cast<uint32_t>(primitiveVertexCount(c.type, 1));
        std::vector<CRefHandle<CGeometryBuffer>> buffers;
        for (int b = 0; b < 2; ++b) {
            CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
            buffer->material() = material;
            std::vector<BatchVertex> vertices(used);
            std::vector<uint16_t> indices(used);
            for (uint32_t i = 0; i < used; ++i) {
                vertices[i].z = float(b);
                indices[i] = static_cast<uint16_t>(i);
            }
            buffer->append(vertices.data(), used, indices.data(), used);
            buffer->setPrimitiveType(c.type);
            buffer->setPrimitiveCount(1);
            batch.addMeshBuffer(buffer.get());
            buffers.push_back(buffer);
        }
        batch.flush();
        const auto draws = driver->recordsOf(Call::DrawPrimitives);
        ASSERT_EQ(draws.size(), c.draws);
        uint32_t primitives = 0;
        for (const auto* draw : draws) {
            EXPECT_EQ(draw->primitiveType, c.type);
            EXPECT_EQ(draw->indices.size(), primitiveVertexCount(c.type, draw->primitiveCount));
            EXPECT_TRUE(draw->indicesInRange);
            primitives += draw->primitiveCount;
        }
        EXPECT_EQ(primitives, 2u);
        // Whether joined or not, the last primitive is drawn from the second buffer's vertices.
        const auto& last = *draws.back();
        EXPECT_EQ(last.vertices[last.indices.back()].z, 1.0f);
    }
}

TEST_F(CQuadBatchTest, MeshWithoutPrimitivesAddsNothing) {
    const Material material = spriteMaterial();
    const auto emptied = particleBuffer(material, 2);
    emptied->setPrimitiveCount(0);
    const auto emptyStrip = CRefHandle<CGeometryBuffer>(new CGeometryBuffer);
    emptyStrip->setPrimitiveType(PrimitiveType::TriangleStrip);
    batch.addMeshBuffer(emptied.get());
    batch.addMeshBuffer(emptyStrip.get());
    batch.flush();
    EXPECT_TRUE(driver->records().empty());
    EXPECT_EQ(batch.pendingVertices(), 0u);
}

TEST(CQuadBatchLifetimeTest, BatchHeldPastItsDriverIgnoresCalls) {
    const Material material = spriteMaterial();
    CRefHandle<CQuadBatch> batch;
    {
        CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
        batch = CRefHandle<CQuadBatch>::share(driver->quadBatch());
        const CBatchQuad quad = spriteQuad(material, 0, 1);
        batch->addQuadVertices(&quad); // pending when the driver goes
    }
    // Every call would reach the destroyed driver if the batch still knew it.
    const CBatchQuad quad = spriteQuad(material, 0, 2);
    const auto buffer = particleBuffer(material, 1);
    batch->begin();
    for (int i = 0; i < 2000; ++i)
        batch->addQuadVertices(&quad);
    batch->addQuad(&material, {}, {}, 0.0f, CColor());
    batch->addMeshBuffer(buffer.get());
    batch->flush();
    batch->end();
    EXPECT_EQ(batch->pendingPrimitives(), 0u);
    EXPECT_EQ(batch->pendingVertices(), 0u);
}
