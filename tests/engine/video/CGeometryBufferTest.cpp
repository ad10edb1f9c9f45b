#include "engine/video/CGeometryBuffer.h"

#include "engine/core/CRefHandle.h"

#include <gtest/gtest.h>

namespace {

BatchVertex at(float x, float y, float z) {
    BatchVertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

void expectBox(const CBoundingBox& box, CVector3d minimum, CVector3d maximum) {
    EXPECT_TRUE(box.minimum.equals(minimum)) << box.minimum.x << " " << box.minimum.y << " " << box.minimum.z;
    EXPECT_TRUE(box.maximum.equals(maximum)) << box.maximum.x << " " << box.maximum.y << " " << box.maximum.z;
}

} // namespace

TEST(CGeometryBufferTest, StartsEmptyWithAUnitBox) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    EXPECT_EQ(buffer->vertexCount(), 0u);
    EXPECT_EQ(buffer->indexCount(), 0u);
    EXPECT_EQ(buffer->primitiveType(), PrimitiveType::Triangles);
    EXPECT_EQ(buffer->primitiveCount(), 0u);
    EXPECT_EQ(buffer->vertexType(), VertexType::Batch);
    expectBox(buffer->boundingBox(), {-1, -1, -1}, {1, 1, 1});
}

TEST(CGeometryBufferTest, AppendOffsetsIndicesAndGrowsTheBox) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    const BatchVertex first[3] = {at(0, 0, 0), at(4, 0, 0), at(0, 3, 0)};
    const BatchVertex second[3] = {at(-5, 1, 2), at(1, 1, 2), at(1, 9, 2)};
    const uint16_t indices[3] = {0, 1, 2};
    buffer->append(first, 3, indices, 3);
    buffer->append(second, 3, indices, 3);
    ASSERT_EQ(buffer->vertexCount(), 6u);
    ASSERT_EQ(buffer->indexCount(), 6u);
    const uint16_t expected[6] = {0, 1, 2, 3, 4, 5};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(buffer->indices()[i], expected[i]);
    EXPECT_EQ(buffer->vertices()[4].x, 1.0f);
    // The box grew from its starting unit box.
    expectBox(buffer->boundingBox(), {-5, -1, -1}, {4, 9, 2});
    EXPECT_EQ(buffer->primitiveCount(), 0u);

    buffer->recomputeBounds();
    expectBox(buffer->boundingBox(), {-5, 0, 0}, {4, 9, 2});
}

TEST(CGeometryBufferTest, RecomputeWithoutVerticesGivesAZeroBox) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    buffer->recomputeBounds();
    expectBox(buffer->boundingBox(), {0, 0, 0}, {0, 0, 0});
}

TEST(CGeometryBufferTest, AppendingItsOwnDataChangesNothing) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    const BatchVertex vertices[4] = {at(0, 0, 0), at(1, 0, 0), at(1, 1, 0), at(0, 1, 0)};
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    buffer->append(vertices, 4, indices, 6);
    buffer->append(buffer->vertices(), buffer->vertexCount(), buffer->indices(), buffer->indexCount());
    buffer->append(buffer->vertices() + 2, 2, nullptr, 0);
    EXPECT_EQ(buffer->vertexCount(), 4u);
    EXPECT_EQ(buffer->indexCount(), 6u);

    // Its own indices with new vertices survive the reallocation.
    buffer->append(vertices, 4, buffer->indices(), 6);
    ASSERT_EQ(buffer->indexCount(), 12u);
    EXPECT_EQ(buffer->indices()[6], 4u);
    EXPECT_EQ(buffer->indices()[11], 7u);
}

TEST(CGeometryBufferTest, IndicesWrapAtSixteenBits) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    std::vector<BatchVertex> many(65535);
    buffer->append(many.data(), 65535, nullptr, 0);
    const BatchVertex one[2] = {};
    const uint16_t indices[2] = {0, 1};
    buffer->append(one, 2, indices, 2);
    EXPECT_EQ(buffer->indices()[0], 65535u);
    EXPECT_EQ(buffer->indices()[1], 0u);
}

TEST(CGeometryBufferTest, CountsAreConsistentOnlyWhenDrawingStaysInside) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    const BatchVertex vertices[4] = {};
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    buffer->append(vertices, 4, indices, 6);
    buffer->setPrimitiveCount(2);
    EXPECT_TRUE(buffer->countsAreConsistent());
    buffer->setPrimitiveCount(3);
    EXPECT_FALSE(buffer->countsAreConsistent());
    buffer->setPrimitiveCount(2);
    buffer->indices()[5] = 4;
    EXPECT_FALSE(buffer->countsAreConsistent());
    buffer->indexArray().clear();
    buffer->setPrimitiveType(PrimitiveType::TriangleFan);
    EXPECT_TRUE(buffer->countsAreConsistent());
    buffer->setPrimitiveCount(3);
    EXPECT_FALSE(buffer->countsAreConsistent());
}

TEST(CGeometryBufferTest, ManySmallAppendsReallocateOnlyNowAndThen) {
    CRefHandle<CGeometryBuffer> buffer(new CGeometryBuffer);
    const BatchVertex quad[4] = {at(0, 0, 0), at(1, 0, 0), at(1, 1, 0), at(0, 1, 0)};
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    uint32_t vertexGrowths = 0;
    uint32_t indexGrowths = 0;
    for (uint32_t q = 0; q < 4000; ++q) {
        const uint32_t vertexRoom = buffer->vertexArray().allocated();
        const uint32_t indexRoom = buffer->indexArray().allocated();
        buffer->append(quad, 4, indices, 6);
        // Each growth at least doubles the room, so 4,000 appends grow each
        // array a dozen times or so, not once per append.
        if (buffer->vertexArray().allocated() != vertexRoom) {
            ++vertexGrowths;
            ASSERT_GE(buffer->vertexArray().allocated(), 2 * vertexRoom);
        }
        if (buffer->indexArray().allocated() != indexRoom) {
            ++indexGrowths;
            ASSERT_GE(buffer->indexArray().allocated(), 2 * indexRoom);
        }
    }
    EXPECT_LE(vertexGrowths, 14u);
    EXPECT_LE(indexGrowths, 15u);
    ASSERT_EQ(buffer->vertexCount(), 16000u);
    ASSERT_EQ(buffer->indexCount(), 24000u);
    EXPECT_EQ(buffer->indices()[23994], 15996u);
    EXPECT_EQ(buffer->indices()[23999], 15999u);
    expectBox(buffer->boundingBox(), {-1, -1, -1}, {1, 1, 1});
}
