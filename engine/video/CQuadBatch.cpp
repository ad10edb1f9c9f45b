#include "engine/video/CQuadBatch.h"

#include "engine/video/IGeometryBuffer.h"
#include "engine/video/IGraphicsDriver.h"

#include <cstring>
#include <type_traits>

CQuadBatch::CQuadBatch(IGraphicsDriver* driver)
    : m_driver(driver), m_indices(new uint16_t[IndexCapacity]), m_quadIndices(new uint16_t[IndexCapacity]) {
    setQuickTest(false);
    for (uint32_t k = 0; k < IndexCapacity / 6; ++k) {
        uint16_t* quad = &m_quadIndices[k * 6];
        const auto first = static_cast<uint16_t>(k * 4);
        quad[0] = first;
        quad[1] = static_cast<uint16_t>(first + 1);
        quad[2] = static_cast<uint16_t>(first + 2);
        quad[3] = first;
        quad[4] = static_cast<uint16_t>(first + 2);
        quad[5] = static_cast<uint16_t>(first + 3);
    }
}

CQuadBatch::~CQuadBatch() = default;

namespace {

// Lists draw each primitive from its own vertices, so two lists of one type
// can share a draw; strips, fans, loops and polygons join their primitives
// and cannot.
bool isListPrimitive(PrimitiveType type) {
    switch (type) {
    case PrimitiveType::Points:
    case PrimitiveType::Lines:
    case PrimitiveType::Triangles:
    case PrimitiveType::Quads:
    case PrimitiveType::PointSprites:
        return true;
    default:
        return false;
    }
}

} // namespace

void CQuadBatch::detach() {
    m_driver = nullptr;
    m_vertexCount = 0;
    m_indexCount = 0;
    m_primitiveCount = 0;
    // Out of quad mode, every quad takes the slow path, which refuses it.
    m_quadMode = false;
    setQuickTest(false);
}

void CQuadBatch::setQuickTest(bool open) { m_quickBits = open ? OneLayerBits::of(m_material) : OneLayerBits::none(); }

void CQuadBatch::begin() {
    if (m_driver)
        (void)m_driver->apply2DStates();
    m_vertexCount = 0;
    m_indexCount = 0;
    m_primitiveCount = 0;
}

void CQuadBatch::end() { flush(); }

void CQuadBatch::flush() {
    const uint32_t primitives = pendingPrimitives();
    if (primitives == 0 || !m_driver)
        return;
    m_driver->applyMaterial(m_material);
    m_driver->drawPrimitives(m_vertices, m_vertexCount, m_quadMode ? m_quadIndices.get() : m_indices.get(), primitives,
                             VertexType::Batch, IndexType::Bits16, m_primitiveType);
    m_vertexCount = 0;
    m_indexCount = 0;
    m_primitiveCount = 0;
}

bool CQuadBatch::startQuads(const Material& material) {
    if (!m_driver)
        return false;
    // Different bits may still be an equal material (+0 and -0).
    if (!m_quadMode || !(material == m_material)) {
        flush();
        m_material = material;
        m_quadMode = true;
        m_primitiveType = PrimitiveType::Triangles;
    }
    // The quick test covers the materials of the 2D road, which use one
    // layer at most. A material with more layers, or with a NaN (it equals
    // nothing, not even itself), leaves every quad to the full comparison.
    setQuickTest(m_material.usedLayers() <= 1 && m_material == m_material);
    // Kept one quad short of the array, so a draw holds at most 1,023 quads.
    if (m_vertexCount + 4 >= VertexCapacity)
        flush();
    return true;
}

void CQuadBatch::addQuadVerticesSlowly(const CBatchQuad* quad) {
    if (!quad || !quad->material || !startQuads(*quad->material))
        return;
    std::memcpy(static_cast<void*>(&m_vertices[m_vertexCount]), quad->vertices, sizeof quad->vertices);
    m_vertexCount += 4;
}

void CQuadBatch::addQuad(const Material* material, const std::array<CVector2d, 4>& positions,
                         const std::array<CVector2d, 4>& textureCoords, float z, CColor color) {
    if (!material || !prepareQuad(*material))
        return;
    for (uint32_t i = 0; i < 4; ++i) {
        BatchVertex& vertex = m_vertices[m_vertexCount + i];
        vertex.x = positions[i].x;
        vertex.y = positions[i].y;
        vertex.z = z;
        vertex.color = color;
        vertex.u = textureCoords[i].x;
        vertex.v = textureCoords[i].y;
    }
    m_vertexCount += 4;
}

void CQuadBatch::addMeshBuffer(IGeometryBuffer* buffer) {
    if (!buffer || !m_driver || buffer->primitiveCount() == 0 || buffer->primitiveCount() >= m_driver->maxPrimitives())
        return;
    // The batch draws pending meshes through its index array, so a buffer
    // needs indices for all its primitives, each naming one of its vertices.
    if (buffer->indexCount() == 0 || !buffer->countsAreConsistent())
        return;
    const PrimitiveType type = buffer->primitiveType();
    const uint32_t vertexCount = buffer->vertexCount();
    // Only the indices its primitives use: a buffer may hold more, and those
    // would shift the next buffer's indices away from its triangles. The
    // consistency check keeps this within its index count.
    const auto indexCount = static_cast<uint32_t>(primitiveVertexCount(type, buffer->primitiveCount()));
    if (m_quadMode || type != m_primitiveType || !isListPrimitive(type) || !(buffer->material() == m_material)) {
        flush();
        m_material = buffer->material();
        m_quadMode = false;
        setQuickTest(false);
        m_primitiveType = type;
    }
    if (vertexCount >= VertexCapacity || indexCount >= IndexCapacity) {
        // Never fits, even into empty arrays: draw it on its own, keeping the
        // order with what was pending.
        flush();
        m_driver->applyMaterial(buffer->material());
        m_driver->drawMesh(buffer);
        return;
    }
    if (m_vertexCount + vertexCount >= VertexCapacity || m_indexCount + indexCount >= IndexCapacity)
        flush();

    const uint32_t base = m_vertexCount;
    std::memcpy(static_cast<void*>(&m_vertices[base]), buffer->vertices(), sizeof(BatchVertex) * vertexCount);
    const uint16_t* indices = buffer->indices();
    for (uint32_t i = 0; i < indexCount; ++i)
        m_indices[m_indexCount + i] = static_cast<uint16_t>(indices[i] + base);
    m_vertexCount += vertexCount;
    m_indexCount += indexCount;
    m_primitiveCount += buffer->primitiveCount();
}
