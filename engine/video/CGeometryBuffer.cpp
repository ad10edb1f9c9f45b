#include "engine/video/CGeometryBuffer.h"

#include <algorithm>
#include <cstdint>

namespace {

template <class T> bool pointsInto(const T* pointer, const CArray<T>& array) {
    const auto address = reinterpret_cast<uintptr_t>(pointer);
    return array.size() > 0 && address >= reinterpret_cast<uintptr_t>(array.begin()) &&
           address < reinterpret_cast<uintptr_t>(array.end());
}

// Makes room for `needed` slots: at least twice the current room, so that
// a buffer filled by many small appends reallocates only now and then.
// False when the count would not fit the array's 32-bit size.
template <class T> bool makeRoom(CArray<T>& array, uint64_t needed) {
    if (needed > UINT32_MAX)
        return false;
    if (needed > array.allocated())
        array.reserve(static_cast<uint32_t>(
            std::min<uint64_t>(std::max<uint64_t>(needed, 2 * uint64_t(array.allocated())), UINT32_MAX)));
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
    // Indices taken from this buffer move with the reallocation below; they
    // are found again by their position.
    const bool ownIndices = indexCount > 0 && pointsInto(indices, m_indices);
    const uint32_t ownFirst = ownIndices ? static_cast<uint32_t>(indices - m_indices.data()) : 0;
    if (ownIndices)
        indexCount = std::min(indexCount, m_indices.size() - ownFirst);
    const uint32_t base = m_vertices.size();
    const uint32_t firstIndex = m_indices.size();
    if (!makeRoom(m_vertices, uint64_t(base) + vertexCount) || !makeRoom(m_indices, uint64_t(firstIndex) + indexCount))
        return;
    if (ownIndices)
        indices = m_indices.data() + ownFirst;
    // Both fit the room made above.
    (void)m_vertices.append(vertices, vertexCount);
    (void)m_indices.append(indices, indexCount);
    for (uint32_t i = 0; i < vertexCount; ++i)
        m_boundingBox.addPoint({vertices[i].x, vertices[i].y, vertices[i].z});
    uint16_t* added = m_indices.data() + firstIndex;
    for (uint32_t i = 0; i < indexCount; ++i)
        added[i] = static_cast<uint16_t>(added[i] + base);
}
