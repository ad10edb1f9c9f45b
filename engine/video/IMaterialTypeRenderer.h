#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/video/VideoTypes.h"

#include <cstdint>

class IRenderServices;
class Material;

// Sets the render state of one material type. A driver's renderer table
// holds one reference to each renderer it lists.
class IMaterialTypeRenderer : public virtual CRefCounted {
public:
    // Binds the material's textures and sets the states that differ from
    // `lastMaterial` (all of them with `resetAll`).
    virtual void setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                             IRenderServices* services) = 0;
    // Undoes what setMaterial switched on, before another type is set.
    virtual void unsetMaterial() = 0;
    // Called before each draw; false stops the draw.
    [[nodiscard]] virtual bool onRender(IRenderServices* services, VertexType vertexType) = 0;
    // A second per-draw query; true in every renderer so far.
    [[nodiscard]] virtual bool onRenderQuery(IRenderServices* services, VertexType vertexType) = 0;
    // The type blends with what is behind it.
    [[nodiscard]] virtual bool isTransparent() const = 0;
    // 0 when the renderer can run on this hardware.
    [[nodiscard]] virtual int32_t renderCapability() const = 0;

protected:
    ~IMaterialTypeRenderer() override = default;
};
