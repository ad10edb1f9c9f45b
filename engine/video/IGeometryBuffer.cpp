#include "engine/video/IGeometryBuffer.h"

bool IGeometryBuffer::countsAreConsistent() const {
    // No primitives draw nothing, whatever the arrays hold (an emptied
    // particle buffer).
    if (m_primitiveCount == 0)
        return true;
    const uint64_t needed = primitiveVertexCount(m_primitiveType, m_primitiveCount);
    if (needed == 0)
        return false; // a primitive type outside the list
    const uint32_t vertexTotal = vertexCount();
    const uint32_t indexTotal = indexCount();
    if (indexTotal == 0)
        return needed <= vertexTotal;
    if (needed > indexTotal)
        return false;
    // Only the indices the primitives use are read.
    const uint16_t* list = indices();
    for (uint64_t i = 0; i < needed; ++i)
        if (list[i] >= vertexTotal)
            return false;
    return true;
}
