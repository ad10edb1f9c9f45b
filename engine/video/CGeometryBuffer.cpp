#include "engine/video/CGeometryBuffer.h"

#include <cstdint>

namespace {

template <class T> bool pointsInto(const T* pointer, const CArray<T>& array) {
    const auto address = reinterpret_cast<uintptr_t>(pointer);
    return array.size() > 0 && address >= reinterpret_cast<uintptr_t>(array.begin()) &&
           address < reinterpret_cast<uintptr_t>(array.end());
}

// Grows `array` to at least `needed` slots in one step; false when the count
// would not fit the array's 32-bit size.
template <class T> bool reserve(CArray<T>& array, uint64_t needed) {
    if (needed > UINT32_MAX)
        return false;
    if (needed > array.allocated())
        array.reallocate(static_cast<uint32_t>(needed));
    return true;
}

} // namespace

CGeometryBuffer::CGeometryBuffer() = default;

void CGeometryBuffer::recomputeBounds() {
    if (m_vertices.empty()) {
        m_boundingBox = CBoundingBox();
        return;
    }
    const BatchVertex& first = m_vertices[0];
    m_boundingBox.reset({first.x, first.y, first.z});
    for (uint32_t i = 1; i < m_vertices.size(); ++i)
        m_boundingBox.addPoint({m_vertices[i].x, m_vertices[i].y, m_vertices[i].z});
}

void CGeometryBuffer::append(const BatchVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                             uint32_t indexCount) {
    if (!vertices || pointsInto(vertices, m_vertices))
        return;
    if (!indices)
        indexCount = 0;
    // Indices taken from this buffer would move with the reallocation below.
    CArray<uint16_t> ownIndices;
    if (indexCount > 0 && pointsInto(indices, m_indices)) {
        const uint32_t available = static_cast<uint32_t>(m_indices.end() - indices);
        if (indexCount > available)
            indexCount = available;
        for (uint32_t i = 0; i < indexCount; ++i)
            ownIndices.push_back(indices[i]);
        indices = ownIndices.data();
    }
    const uint32_t base = m_vertices.size();
    if (!reserve(m_vertices, uint64_t(base) + vertexCount) ||
        !reserve(m_indices, uint64_t(m_indices.size()) + indexCount))
        return;
    for (uint32_t i = 0; i < vertexCount; ++i) {
        m_vertices.push_back(vertices[i]);
        m_boundingBox.addPoint({vertices[i].x, vertices[i].y, vertices[i].z});
    }
    for (uint32_t i = 0; i < indexCount; ++i)
        m_indices.push_back(static_cast<uint16_t>(indices[i] + base));
}
