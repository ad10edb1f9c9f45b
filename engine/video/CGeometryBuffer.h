#pragma once

#include "engine/core/CArray.h"
#include "engine/video/IGeometryBuffer.h"

#include <cstdint>

// The geometry buffer of the particle nodes: growable arrays of batch
// vertices and 16-bit indices. The box starts as (-1, -1, -1) to (1, 1, 1).
class CGeometryBuffer : public IGeometryBuffer {
public:
    CGeometryBuffer();

    [[nodiscard]] const BatchVertex* vertices() const override { return m_vertices.data(); }
    [[nodiscard]] BatchVertex* vertices() override { return m_vertices.data(); }
    [[nodiscard]] uint32_t vertexCount() const override { return m_vertices.size(); }
    [[nodiscard]] const uint16_t* indices() const override { return m_indices.data(); }
    [[nodiscard]] uint16_t* indices() override { return m_indices.data(); }
    [[nodiscard]] uint32_t indexCount() const override { return m_indices.size(); }
    [[nodiscard]] const CBoundingBox& boundingBox() const override { return m_boundingBox; }
    void setBoundingBox(const CBoundingBox& box) override { m_boundingBox = box; }
    void recomputeBounds() override;
    [[nodiscard]] VertexType vertexType() const override { return VertexType::Batch; }
    // Appends copies; the box grows around each new vertex, each index is
    // stored as (index + vertex count before the call) truncated to 16 bits.
    // Appending the buffer's own vertices (or anything inside them) does
    // nothing. The primitive count is not changed.
    void append(const BatchVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                uint32_t indexCount) override;

    // The arrays themselves, for owners that rebuild them each frame.
    [[nodiscard]] CArray<BatchVertex>& vertexArray() { return m_vertices; }
    [[nodiscard]] CArray<uint16_t>& indexArray() { return m_indices; }

protected:
    ~CGeometryBuffer() override = default;

private:
    CArray<BatchVertex> m_vertices;
    CArray<uint16_t> m_indices;
    CBoundingBox m_boundingBox{{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}};
};
