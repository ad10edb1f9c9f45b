#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CBoundingBox.h"
#include "engine/video/Material.h"
#include "engine/video/VideoTypes.h"

#include <cstdint>

// Vertices and 16-bit indices with a material, a primitive type and a
// bounding box: what particle nodes fill and hand to the quad batch or to
// drawMesh. The primitive count is not derived from the arrays; the owner
// sets it before drawing.
class IGeometryBuffer : public virtual CRefCounted {
public:
    [[nodiscard]] virtual const BatchVertex* vertices() const = 0;
    [[nodiscard]] virtual BatchVertex* vertices() = 0;
    [[nodiscard]] virtual uint32_t vertexCount() const = 0;
    [[nodiscard]] virtual const uint16_t* indices() const = 0;
    [[nodiscard]] virtual uint16_t* indices() = 0;
    [[nodiscard]] virtual uint32_t indexCount() const = 0;
    [[nodiscard]] virtual const CBoundingBox& boundingBox() const = 0;
    virtual void setBoundingBox(const CBoundingBox& box) = 0;
    // The box around the vertices; all zero without vertices.
    virtual void recomputeBounds() = 0;
    [[nodiscard]] virtual VertexType vertexType() const = 0;
    // Appends vertices and indices; each index is offset by the vertex count
    // before the call, so it keeps pointing at the appended vertices.
    virtual void append(const BatchVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                        uint32_t indexCount) = 0;

    [[nodiscard]] Material& material() { return m_material; }
    [[nodiscard]] const Material& material() const { return m_material; }
    [[nodiscard]] PrimitiveType primitiveType() const { return m_primitiveType; }
    void setPrimitiveType(PrimitiveType type) { m_primitiveType = type; }
    [[nodiscard]] uint32_t primitiveCount() const { return m_primitiveCount; }
    void setPrimitiveCount(uint32_t count) { m_primitiveCount = count; }

    // True when the primitive count needs no more indices than the buffer
    // holds (without indices: no more vertices) and every index those
    // primitives use names one of its vertices, so that drawing reads nothing
    // beyond the arrays. Always true for 0 primitives, which draw nothing.
    [[nodiscard]] bool countsAreConsistent() const;

protected:
    ~IGeometryBuffer() override = default;

    Material m_material;
    PrimitiveType m_primitiveType = PrimitiveType::Triangles;
    uint32_t m_primitiveCount = 0;
};
