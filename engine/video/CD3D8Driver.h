#pragma once

// Windows only: included by the Direct3D 8 sources of this folder alone.
#include "engine/core/CColorf.h"
#include "engine/core/CMat4.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/D3D8Headers.h"
#include "engine/video/Material.h"

// The shared base takes the interfaces of the version included above.
// clang-format off
#include "engine/video/CD3DDriverBase.h"
// clang-format on

#include <cstdint>
#include <vector>

class CD3D8DriverTexture;
struct BatchVertex;
class CImageTexture;

// The Direct3D 8 interfaces and texts of the drivers' shared base.
struct D3D8DriverTypes {
    using Direct3D = IDirect3D8;
    using Device = IDirect3DDevice8;
    using Caps = D3DCAPS8;
    using Surface = IDirect3DSurface8;
    using PresentParameters = D3DPRESENT_PARAMETERS;
    using Light = D3DLIGHT8;
    using Viewport = D3DVIEWPORT8;
    using Texture = CD3D8DriverTexture;
    static constexpr int32_t DriverType = VideoDriverType::Direct3D8;
    static constexpr const char* ClearFailed = "Direct3D8 clear failed.";
    static constexpr const char* BeginSceneFailed = "Direct3D8 begin scene failed.";
    static constexpr const char* ClearZBufferFailed = "CD3D8Driver clearZBuffer() failed.";
    // Direct3D 8 takes a fixed-function vertex format as its vertex shader.
    static HRESULT setVertexFormat(IDirect3DDevice8* device, DWORD format) { return device->SetVertexShader(format); }
    static IDirect3DBaseTexture8* d3dTexture(IDriverTexture* texture);
};

// The Direct3D 8 video driver (type 1): the fixed-function pipeline of
// Direct3D 8 on a HAL device in the given window. It keeps the material
// applied last and switches states through its material renderers inside
// each draw; draws from user memory (DrawPrimitiveUP and its indexed form);
// clips by user clip planes where Direct3D 9 has a scissor test.
class CD3D8Driver : public CD3DDriverBase<D3D8DriverTypes> {
public:
    CD3D8Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, CClock* clock);

    // Loads Direct3D 8 and makes the device in `window`; false after logging why.
    [[nodiscard]] bool initialize(const CEngineCreationParams& params, HWND window);

    // IGraphicsDriver
    [[nodiscard]] bool endFrame() override;
    [[nodiscard]] bool hasFeature(DriverFeature feature) const override;
    [[nodiscard]] bool apply3DStates() override;
    [[nodiscard]] bool apply2DStates() override;
    void setMatrix(MatrixKind kind, const CMat4& matrix) override;
    void applyMaterial(const Material& material) override;
    [[nodiscard]] IDriverTexture* renderTargetTexture(const CSizeI& size, ColorFormat format) override;
    [[nodiscard]] bool setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth,
                                       CColor clearColor) override;
    using CNullGraphicsDriver::setRenderTarget;
    [[nodiscard]] IDriverTexture* makeDriverTexture(CPixelImage* image) override;
    void drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source, const CRectI* clip,
                         const CColor* colors, bool useAlphaChannel) override;
    [[nodiscard]] CStringW driverName() const override;
    void onWindowResized(const CSizeI& size) override;
    [[nodiscard]] int32_t driverType() const override { return VideoDriverType::Direct3D8; }
    [[nodiscard]] IShaderServices* shaderServices() override { return this; }
    [[nodiscard]] CPixelImage* takeScreenshot() override;
    void setScissorRect(const CRectI& rect) override;
    void enableScissor(bool on) override;

    // IShaderServices: assembly programs only.
    [[nodiscard]] int32_t createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                                       IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                       int32_t userData) override;

    // IRenderServices
    void applyBaseStates(const Material& material, const Material& lastMaterial, bool resetAll) override;
    void setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    [[nodiscard]] bool setVertexShaderConstant(const char* name, const float* data, int32_t count) override;
    void setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    [[nodiscard]] bool setPixelShaderConstant(const char* name, const float* data, int32_t count) override;

    // For the textures and renderers of this driver.
    [[nodiscard]] int32_t renderMode() const { return m_renderMode; }
    [[nodiscard]] bool deviceLost() const { return m_deviceLost; }
    [[nodiscard]] int32_t currentVertexType() const { return m_currentVertexType; }
    [[nodiscard]] const CRectI& scissorRect() const { return m_scissorRect; }
    // The identity and the sphere-map texture matrix, as Direct3D matrices.
    [[nodiscard]] const D3DMATRIX& identityMatrix() const;
    [[nodiscard]] const D3DMATRIX& sphereMapMatrix() const;
    // The device runs something other than the vertex format of
    // currentVertexType (a vertex program): the next draw sets its format.
    void forgetVertexType() { m_currentVertexType = -1; }

    // The vertex format of a vertex type (0 for an unknown one).
    [[nodiscard]] static DWORD vertexFormat(VertexType type);

protected:
    ~CD3D8Driver() override;

private:
    // The material switch and the renderer's query, in either mode. The
    // previous type is unset whenever the type changes, in 2D as in 3D: a
    // pixel program or an alpha test left on would change every later draw.
    [[nodiscard]] bool applyCurrentMaterial();
    [[nodiscard]] bool resetDevice() override;
    void setImageMode() override;
    void setImageStates(bool texture, bool alphaChannel, bool alpha) override;
    void unsetLastRenderer() override;
    // An image quad in clip space, corner colours as drawImageScaled takes them.
    void drawImageQuad(IDriverTexture* texture, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
                       float v1, const CColor* corners, bool useAlphaChannel);

    bool m_windowedVsync = false;
    // The content textures of the kept materials, so a texture released in
    // the middle of a frame stays alive while a kept material names it.
    CRefHandle<CImageTexture> m_currentTextures[Material::MaxLayers];
    CRefHandle<CImageTexture> m_lastTextures[Material::MaxLayers];
    HMODULE m_d3dLibrary = nullptr;
    CRectI m_scissorRect;
    uint8_t m_antiAliasLevel = 0;
    // The image operations' clip-space matrices are on the device.
    bool m_imageTransforms = false;
};
