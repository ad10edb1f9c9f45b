#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class IRenderServices;

// Set by the user of a shader material: called before each draw with that
// material to set the shader constants.
class IShaderConstantCallback : public virtual CRefCounted {
public:
    virtual void onSetConstants(IRenderServices* services, int32_t userData) = 0;

protected:
    ~IShaderConstantCallback() override = default;
};
