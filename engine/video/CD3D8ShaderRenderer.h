#pragma once

// Windows only: included by the Direct3D 8 sources of this folder alone.
#include "engine/core/CRefHandle.h"
#include "engine/video/D3D8Headers.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IShaderConstantCallback.h"

#include <cstdint>

class CD3D8Driver;

// A material type drawn by an assembly vertex program, pixel program or
// both on the Direct3D 8 device. The fixed-function states come from the
// renderer of a base type; a caller's callback sets the constants before
// every draw.
class CD3D8ShaderRenderer : public IMaterialTypeRenderer {
public:
    // Assembles the programs (a null text is no program) and registers the
    // renderer in `driver`'s table at the next free index. `callback` and
    // `baseRenderer` are shared and may be null. Answers the new material
    // type, or -1 after logging why a program did not build.
    [[nodiscard]] static int32_t create(CD3D8Driver* driver, const char* vertexProgram, const char* pixelProgram,
                                        IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                        int32_t userData);

    void setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                     IRenderServices* services) override;
    void unsetMaterial() override;
    [[nodiscard]] bool onRender(IRenderServices* services, VertexType vertexType) override;
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override;
    [[nodiscard]] int32_t renderCapability() const override { return 0; }

protected:
    ~CD3D8ShaderRenderer() override;

private:
    CD3D8ShaderRenderer(CD3D8Driver* driver, IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                        int32_t userData);
    [[nodiscard]] bool createVertexShader(const char* program);
    [[nodiscard]] bool createPixelShader(const char* program);

    IDirect3DDevice8* m_device;
    CD3D8Driver* m_driver;
    CRefHandle<IShaderConstantCallback> m_callback;
    CRefHandle<IMaterialTypeRenderer> m_baseRenderer;
    DWORD m_vertexShader = 0;
    DWORD m_pixelShader = 0;
    int32_t m_userData;
};
