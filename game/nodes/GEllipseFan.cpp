#include "game/nodes/GEllipseFan.h"

#include "engine/core/CMat4.h"
#include "engine/core/MathUtils.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/Material.h"

#include <cmath>

namespace {

int reduceDegrees(int degrees) {
    const int reduced = degrees % 360;
    return reduced < 0 ? reduced + 360 : reduced;
}

// Whole degrees towards zero, kept within the int range.
int truncateDegrees(float degrees) {
    if (!(degrees > -2.0e9f && degrees < 2.0e9f))
        return 0;
    return static_cast<int>(degrees);
}

} // namespace

float wholeDegreeSine(int degrees) { return sineTable()[reduceDegrees(degrees)]; }

float wholeDegreeCosine(int degrees) { return sineTable()[reduceDegrees(reduceDegrees(degrees) + 90)]; }

void buildEllipseFan(CArray<BatchVertex>& vertices, const BaseNode& node, CColor fill, float from, float to,
                     int maxVertices) {
    vertices.clear();
    const CMat4& matrix = node.getAbsoluteTransformation();
    const CVector3d scale = matrix.extractScale();
    const float rx = node.getBounds().x * scale.x * 0.5f;
    const float ry = node.getBounds().y * scale.y * 0.5f;
    const float cx = matrix[12] + rx;
    const float cy = matrix[13] + ry;
    const CColor color = fill.modulate(node.getAbsoluteColor());
    auto arcVertex = [&](int degrees) {
        vertices.push_back(
            BatchVertex{cx + rx * wholeDegreeSine(degrees), cy - ry * wholeDegreeCosine(degrees), 0.0f, color, 0, 0});
    };

    vertices.push_back(BatchVertex{cx, cy, 0.0f, color, 0.0f, 0.0f});
    const float step = 360.0f / float(maxVertices < 1 ? kDefaultEllipseVertices : maxVertices);
    // Counted steps rather than a running sum: a long arc does not drift.
    for (uint32_t k = 0;; ++k) {
        const float angle = from + float(k) * step;
        if (!(angle < to) || k > 360u * 64u)
            break;
        arcVertex(truncateDegrees(angle));
    }
    arcVertex(truncateDegrees(to));
}

void drawEllipseFan(IGraphicsDriver* driver, const CArray<BatchVertex>& vertices, const Material& material) {
    if (!driver || vertices.size() < 3)
        return;
    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    driver->setMatrix(MatrixKind::World, CMat4::identity());
    driver->applyMaterial(material);
    (void)driver->apply2DStates();
    driver->drawPrimitives(vertices.data(), vertices.size(), nullptr, vertices.size() - 2, VertexType::Batch,
                           IndexType::Bits16, PrimitiveType::TriangleFan);
}
