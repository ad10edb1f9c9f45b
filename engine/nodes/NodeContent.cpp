#include "engine/nodes/NodeContent.h"

#include "engine/nodes/SpriteGeometry.h"
#include "engine/scene/CPropertyDataContent.h"
#include "engine/scene/Font.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/MaterialTypes.h"

namespace {

IContent* contentOf(const CRefHandle<IPropertyData>& value, int typeId) {
    if (!value || value->getTypeId() != typeId)
        return nullptr;
    return static_cast<const CPropertyDataContent*>(value.get())->getContent();
}

} // namespace

CAtlasTexture* atlasTextureOf(const CRefHandle<IPropertyData>& value) {
    return dynamic_cast<CAtlasTexture*>(contentOf(value, IPropertyData::TypeAtlasTexture));
}

Font* fontOf(const CRefHandle<IPropertyData>& value) {
    return dynamic_cast<Font*>(contentOf(value, IPropertyData::TypeFont));
}

Material makeSpriteMaterial(uint8_t wrap) {
    Material material;
    material.materialType = MaterialType::SpriteColorModulate;
    material.layerCount = 1;
    material.layers[0].wrap = wrap;
    material.layers[0].bilinear = true;
    material.layers[0].trilinear = false;
    material.layers[0].anisotropy = 0;
    material.lighting = false;
    material.depthWrite = false;
    material.cullBack = false;
    material.depthFunc = Material::DepthOff;
    return material;
}

bool spriteImageOf(const CAtlasTexture* texture, SpriteImage& image) {
    IDriverTexture* driverTexture = texture ? texture->getDriverTexture() : nullptr;
    if (!driverTexture)
        return false;
    const CRect& coords = texture->getTextureCoords();
    image.s0 = coords.left;
    image.t0 = coords.top;
    image.s1 = coords.right;
    image.t1 = coords.bottom;
    image.b = texture->getOffsetB();
    image.a = texture->getOffsetA();
    image.pageWidth = float(driverTexture->size().width);
    image.pageHeight = float(driverTexture->size().height);
    return true;
}
