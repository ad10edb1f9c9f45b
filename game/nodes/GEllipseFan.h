#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/video/BatchVertex.h"

class BaseNode;
class IGraphicsDriver;
class Material;

// The triangle fan of an ellipse sector inscribed in a node's Bounds, from
// its absolute position, angle 0 at the top and angles growing clockwise on
// the screen; the node's rotation is not applied. Shared by the ellipse fill
// nodes.

// The MaxVerticesCount used when a node holds one below 1.
inline constexpr int kDefaultEllipseVertices = 32;

// Refills `vertices` with the centre and the arc vertices from `from` to `to`
// degrees (whole degrees from the sine table), in `fill` modulated by the
// node's absolute tint. The arc's inner vertices are made only when `to` >
// `from`; the last vertex lies at `to`.
void buildEllipseFan(CArray<BatchVertex>& vertices, const BaseNode& node, CColor fill, float from, float to,
                     int maxVertices);

// Draws `vertices` as one fan with `material`; nothing with fewer than three.
void drawEllipseFan(IGraphicsDriver* driver, const CArray<BatchVertex>& vertices, const Material& material);

// The sine and cosine of a whole degree, any int reduced into 0 to 359.
[[nodiscard]] float wholeDegreeSine(int degrees);
[[nodiscard]] float wholeDegreeCosine(int degrees);
