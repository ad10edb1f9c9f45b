#include "engine/video/IGeometryBuffer.h"

bool IGeometryBuffer::countsAreConsistent() const {
    const uint64_t needed = primitiveVertexCount(m_primitiveType, m_primitiveCount);
    const uint32_t vertexTotal = vertexCount();
    const uint32_t indexTotal = indexCount();
    if (indexTotal == 0)
        return needed <= vertexTotal;
    if (needed > indexTotal)
        return false;
    const uint16_t* list = indices();
    for (uint32_t i = 0; i < indexTotal; ++i)
        if (list[i] >= vertexTotal)
            return false;
    return true;
}
