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

bool operator==(const Material& a, const Material& b) {
    if (a.materialType != b.materialType || a.ambient != b.ambient || a.diffuse != b.diffuse ||
        a.emissive != b.emissive || a.specular != b.specular || a.shininess != b.shininess || a.param1 != b.param1 ||
        a.param2 != b.param2 || a.thickness != b.thickness || a.wireframe != b.wireframe ||
        a.pointCloud != b.pointCloud || a.gouraud != b.gouraud || a.lighting != b.lighting ||
        a.depthFunc != b.depthFunc || a.depthWrite != b.depthWrite || a.cullBack != b.cullBack ||
        a.cullFront != b.cullFront || a.fog != b.fog || a.normalizeNormals != b.normalizeNormals ||
        a.additive != b.additive || a.antiAlias != b.antiAlias || a.colorMask != b.colorMask ||
        a.layerCount != b.layerCount || a.colorMaterial != b.colorMaterial)
        return false;
    for (uint32_t i = 0; i < a.usedLayers(); ++i)
        if (!(a.layers[i] == b.layers[i]))
            return false;
    return true;
}
