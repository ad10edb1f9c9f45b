#include "engine/video/Material.h"

Material::Material(const Material& other) { *this = other; }

Material& Material::operator=(const Material& other) {
    if (this == &other)
        return *this;
    materialType = other.materialType;
    ambient = other.ambient;
    diffuse = other.diffuse;
    emissive = other.emissive;
    specular = other.specular;
    shininess = other.shininess;
    param1 = other.param1;
    param2 = other.param2;
    thickness = other.thickness;
    for (uint32_t i = 0; i < other.usedLayers(); ++i)
        layers[i] = other.layers[i];
    layerCount = other.layerCount;
    colorMask = other.colorMask;
    colorMaterial = other.colorMaterial;
    wireframe = other.wireframe;
    pointCloud = other.pointCloud;
    gouraud = other.gouraud;
    lighting = other.lighting;
    depthWrite = other.depthWrite;
    cullBack = other.cullBack;
    cullFront = other.cullFront;
    fog = other.fog;
    normalizeNormals = other.normalizeNormals;
    additive = other.additive;
    depthFunc = other.depthFunc;
    antiAlias = other.antiAlias;
    return *this;
}
