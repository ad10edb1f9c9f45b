#pragma once

#include "engine/video/Material.h"
#include "engine/video/MaterialTypes.h"

// The material of untextured shapes drawn with vertex colours and alpha (the
// black bars, rectangles, grids): "trans_vertex_alpha", one layer without a
// texture, no Gouraud shading, no lighting, no depth test or depth writes.
[[nodiscard]] inline Material flatColorMaterial() {
    Material material;
    material.materialType = MaterialType::TransparentVertexAlpha;
    material.layerCount = 1;
    material.gouraud = false;
    material.lighting = false;
    material.depthFunc = Material::DepthOff;
    material.depthWrite = false;
    return material;
}
