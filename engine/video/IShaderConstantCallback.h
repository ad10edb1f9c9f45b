#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class IRenderServices;
class Material;

// Supplied by the user of a shader material; the shader renderer holds a
// reference and calls it around each draw with that material.
class IShaderConstantCallback : public virtual CRefCounted {
public:
    // The renderer is setting `material`: called every time the material is
    // set, before the draws that use it, so the constants can follow it.
    virtual void noteShaderMaterial(const Material& material) = 0;
    // Sets the shader constants through `services` before a draw; `userData`
    // is the value given when the shader material was made.
    virtual void applyShaderConstants(IRenderServices* services, int32_t userData) = 0;

protected:
    ~IShaderConstantCallback() override = default;
};
