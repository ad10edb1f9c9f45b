#pragma once

#include "engine/core/CColor.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CVector2d.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/Material.h"
#include "engine/video/VideoTypes.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

class IGeometryBuffer;
class IGraphicsDriver;

// A quad prepared by its node: the material (borrowed) and four corners.
struct CBatchQuad {
    const Material* material = nullptr;
    BatchVertex vertices[4];
};

// Collects the quads of the 2D road (sprites, glyphs, nine-grid pieces) and
// particle geometry into one vertex array and hands them to the driver in as
// few draws as the materials allow: a draw is issued only on a material or
// mode change, a full array or an explicit flush. Allocates only in its
// constructor. Every driver owns one.
class CQuadBatch final : public CRefCounted {
public:
    static constexpr uint32_t VertexCapacity = 4096;
    static constexpr uint32_t IndexCapacity = 6144;

    // `driver` is where the batch draws; not owned (the driver owns the batch).
    explicit CQuadBatch(IGraphicsDriver* driver);

    // Called by the driver as it goes: pending data is dropped, and from then
    // on the batch draws nothing and ignores every call, however long others
    // keep it.
    void detach();

    // Enters 2D mode on the driver and drops what is pending without drawing.
    virtual void begin();
    // Same as flush.
    virtual void end();
    // Draws what is pending with the batch material; nothing at all when
    // nothing is pending. The material and mode stay.
    virtual void flush();
    // Adds a prepared quad; a null quad or material adds nothing. The common
    // case (room left, a material of the batch material's bits) is inline:
    // the class is final, so callers reach it without a call.
    virtual void addQuadVertices(const CBatchQuad* quad) {
        static_assert(std::is_trivially_copyable_v<BatchVertex>);
        if (quad && quad->material && m_vertexCount < FastVertexLimit && sameBits(*quad->material, m_quickBits))
            [[likely]] {
            // The count is stored before the copy, which could otherwise
            // make the compiler read it again.
            const uint32_t at = m_vertexCount;
            m_vertexCount = at + 4;
            std::memcpy(static_cast<void*>(&m_vertices[at]), quad->vertices, sizeof quad->vertices);
            return;
        }
        addQuadVerticesSlowly(quad);
    }
    // Builds and adds a quad: corner i at positions[i] and z, with the colour
    // and texture coordinate i. A null material adds nothing.
    virtual void addQuad(const Material* material, const std::array<CVector2d, 4>& positions,
                         const std::array<CVector2d, 4>& textureCoords, float z, CColor color);
    // Adds a geometry buffer's vertices and the indices its primitive count
    // uses. Skipped when null, when it has no primitives or no indices, when
    // its primitive count is not below the driver's maximum, or when its
    // indices do not cover its primitives within its vertices; a buffer too
    // large for the batch's arrays is drawn on its own. Only lists (points,
    // lines, triangles, quads, point sprites) of one material and type join
    // one draw: each strip, fan, loop or polygon is drawn apart.
    virtual void addMeshBuffer(IGeometryBuffer* buffer);

    [[nodiscard]] const Material& material() const { return m_material; }
    [[nodiscard]] bool quadMode() const { return m_quadMode; }
    [[nodiscard]] PrimitiveType primitiveType() const { return m_primitiveType; }
    [[nodiscard]] uint32_t pendingVertices() const { return m_vertexCount; }
    // Quads count only their vertices: each has six indices and two triangles.
    [[nodiscard]] uint32_t pendingIndices() const { return m_quadMode ? m_vertexCount / 4 * 6 : m_indexCount; }
    [[nodiscard]] uint32_t pendingPrimitives() const { return m_quadMode ? m_vertexCount / 2 : m_primitiveCount; }
    // The fixed quad pattern: 4k, 4k+1, 4k+2, 4k, 4k+2, 4k+3 for quad k.
    [[nodiscard]] const uint16_t* quadIndices() const { return m_quadIndices.get(); }

protected:
    ~CQuadBatch() override;

private:
    // Makes room for one more quad of `material`, flushing as needed; false
    // when the batch is detached. Inline: it runs for every quad, and in the
    // common case (same material, room left) it is the comparison alone.
    [[nodiscard]] bool prepareQuad(const Material& material) {
        if (m_vertexCount < FastVertexLimit && sameBits(material, m_quickBits)) [[likely]]
            return true;
        return startQuads(material);
    }
    // addQuadVertices when the quick test fails.
    [[gnu::noinline]] void addQuadVerticesSlowly(const CBatchQuad* quad);
    // Flushes and switches to quads of `material` unless it equals the batch
    // material, then flushes when the arrays are full; false when detached.
    [[nodiscard]] bool startQuads(const Material& material);

    // Below this many pending vertices a quad needs no flush: a draw holds
    // at most 1,023 quads.
    static constexpr uint32_t FastVertexLimit = VertexCapacity - 4;

    // Lets quads with the bits of the batch material go straight in, or,
    // with `open` false, sends every quad through the full comparison.
    void setQuickTest(bool open);

    IGraphicsDriver* m_driver;
    Material m_material;
    PrimitiveType m_primitiveType = PrimitiveType::Triangles;
    bool m_quadMode = true;
    uint32_t m_vertexCount = 0;
    // Primitives and indices of meshes; in quad mode they follow from the
    // vertex count.
    uint32_t m_primitiveCount = 0;
    uint32_t m_indexCount = 0;
    // What the quick test of every quad compares (see setQuickTest): kept
    // beside the count and the vertices, with no pointer to follow.
    OneLayerBits m_quickBits;
    // Part of the batch, so that a quad's copy needs no pointer, and aligned
    // to cache lines, so that its 96 bytes go in with no store split across
    // two lines.
    alignas(64) BatchVertex m_vertices[VertexCapacity];
    std::unique_ptr<uint16_t[]> m_indices;
    std::unique_ptr<uint16_t[]> m_quadIndices;
};
