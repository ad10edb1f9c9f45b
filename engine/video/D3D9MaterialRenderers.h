#pragma once

// Windows only: included by the Direct3D 9 sources alone.

#include "engine/video/IMaterialTypeRenderer.h"

#include <cstdint>

class CD3D9Driver;
struct IDirect3DDevice9;

// What every Direct3D 9 material renderer adds: a named high-level shader
// constant, which only the high-level shader renderer knows.
class CD3D9MaterialRenderer : public IMaterialTypeRenderer {
public:
    explicit CD3D9MaterialRenderer(CD3D9Driver& driver);

    void unsetMaterial() override {}
    [[nodiscard]] bool onRender(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override { return false; }
    [[nodiscard]] int32_t renderCapability() const override { return 0; }
    // Logs and answers false for every renderer without constant tables.
    [[nodiscard]] virtual bool setVariable(bool vertexShader, const char* name, const float* data, int32_t count);

protected:
    ~CD3D9MaterialRenderer() override = default;

    CD3D9Driver& m_driver;
    IDirect3DDevice9* m_device;
};

// Registers the fourteen fixed-function renderers: types 0, 1, 9 to 16 and
// 23 to 26.
void registerD3D9MaterialRenderers(CD3D9Driver& driver);
