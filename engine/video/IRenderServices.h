#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class IGraphicsDriver;
class Material;

// The common work a material renderer asks of its driver.
class IRenderServices : public virtual CRefCounted {
public:
    // Everything of `material` that is not blending: colours and lighting,
    // filters and wrap per used stage, fill mode, shading, depth, culling,
    // fog, normalisation, colour mask, thickness and anti-aliasing. Only what
    // differs from `lastMaterial`, unless `resetAll`.
    virtual void applyBaseStates(const Material& material, const Material& lastMaterial, bool resetAll) = 0;
    // `count` float4 registers from `firstRegister`.
    virtual void setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) = 0;
    // A named high-level constant of `count` floats; false when unknown.
    [[nodiscard]] virtual bool setVertexShaderConstant(const char* name, const float* data, int32_t count) = 0;
    virtual void setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) = 0;
    [[nodiscard]] virtual bool setPixelShaderConstant(const char* name, const float* data, int32_t count) = 0;
    [[nodiscard]] virtual IGraphicsDriver* driver() = 0;

protected:
    ~IRenderServices() override = default;
};
