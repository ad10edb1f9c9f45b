#pragma once

// Windows only: included by the Direct3D 9 sources alone.

#include "engine/core/CString.h"
#include "engine/video/Material.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <d3d9.h>

// The shared base takes the interfaces of the version included above.
// clang-format off
#include "engine/video/CD3DDriverBase.h"
// clang-format on

#include <cstdint>
#include <vector>

class CD3D9DriverTexture;
struct BatchVertex;

// The Direct3D 9 interfaces and texts of the drivers' shared base.
struct D3D9DriverTypes {
    using Direct3D = IDirect3D9;
    using Device = IDirect3DDevice9;
    using Caps = D3DCAPS9;
    using Surface = IDirect3DSurface9;
    using PresentParameters = D3DPRESENT_PARAMETERS;
    using Light = D3DLIGHT9;
    using Viewport = D3DVIEWPORT9;
    using Texture = CD3D9DriverTexture;
    static constexpr int32_t DriverType = VideoDriverType::Direct3D9;
    static constexpr const char* ClearFailed = "DIRECT3D9 clear failed.";
    static constexpr const char* BeginSceneFailed = "DIRECT3D9 begin scene failed.";
    static constexpr const char* ClearZBufferFailed = "CD3D9Driver clearZBuffer() failed.";
    static HRESULT setVertexFormat(IDirect3DDevice9* device, DWORD format) { return device->SetFVF(format); }
    static IDirect3DBaseTexture9* d3dTexture(IDriverTexture* texture);
};

// The Direct3D 9 video driver (type 2, the default). It keeps the material
// applied last and sends only the states that changed, through its material
// renderers, inside each draw; every draw goes from user memory
// (DrawPrimitiveUP and DrawIndexedPrimitiveUP). Image textures live in the
// managed pool, so a device reset (a lost device, a new window size) keeps
// them.
class CD3D9Driver : public CD3DDriverBase<D3D9DriverTypes> {
public:
    CD3D9Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, HWND window, CClock* clock);

    // Loads the library, makes the device and sets it up; false after
    // logging why.
    [[nodiscard]] bool initialize(const CEngineCreationParams& params);

    // IGraphicsDriver
    [[nodiscard]] bool endFrame() override;
    [[nodiscard]] bool hasFeature(DriverFeature feature) const override;
    [[nodiscard]] bool apply3DStates() override;
    [[nodiscard]] bool apply2DStates() override;
    void setMatrix(MatrixKind kind, const CMat4& matrix) override;
    void applyMaterial(const Material& material) override;
    [[nodiscard]] IDriverTexture* renderTargetTexture(const CSizeI& size, ColorFormat format) override;
    [[nodiscard]] bool setRenderTarget(int32_t kind, bool clearBackBuffer, bool clearDepth,
                                       CColor clearColor) override {
        return CNullGraphicsDriver::setRenderTarget(kind, clearBackBuffer, clearDepth, clearColor);
    }
    [[nodiscard]] bool setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth,
                                       CColor clearColor) override;
    [[nodiscard]] IDriverTexture* makeDriverTexture(CPixelImage* image) override;
    void drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source, const CRectI* clip,
                         const CColor* colors, bool useAlphaChannel) override;
    [[nodiscard]] ColorFormat pixelFormat() const override { return m_backBufferColorFormat; }
    [[nodiscard]] CStringW driverName() const override;
    void onWindowResized(const CSizeI& size) override;
    [[nodiscard]] int32_t driverType() const override { return VideoDriverType::Direct3D9; }
    [[nodiscard]] IShaderServices* shaderServices() override { return this; }
    // As A8R8G8B8: inside a frame the frame drawn so far, between frames
    // the frame last shown.
    [[nodiscard]] CPixelImage* takeScreenshot() override;
    void setScissorRect(const CRectI& rect) override;
    void enableScissor(bool on) override;
    [[nodiscard]] CString vendorInfo() const override { return m_vendorName; }

    // IShaderServices: assembly and high-level programs through D3DX. Each
    // answers -1; a material type that built is added to the table.
    [[nodiscard]] int32_t createCompiledShaderMaterial(const char* vertexProgram, const char* vertexEntry,
                                                       int32_t vertexTarget, const char* pixelProgram,
                                                       const char* pixelEntry, int32_t pixelTarget,
                                                       IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                       int32_t userData) override;
    [[nodiscard]] int32_t createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                                       IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                       int32_t userData) override;

    // IRenderServices
    void applyBaseStates(const Material& material, const Material& lastMaterial, bool resetAll) override;
    void setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    [[nodiscard]] bool setVertexShaderConstant(const char* name, const float* data, int32_t count) override;
    void setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    [[nodiscard]] bool setPixelShaderConstant(const char* name, const float* data, int32_t count) override;

    // The device was made or reset since the last endFrame.
    [[nodiscard]] bool wasDeviceReset() const { return m_deviceReset; }

    // For the textures and renderers of this driver.
    [[nodiscard]] D3DFORMAT backBufferFormat() const { return m_backBufferFormat; }
    [[nodiscard]] const CSizeI& windowSize() const { return m_windowSize; }
    // Adds a renderer to the material-type table at the first free type
    // after the built-in ones; the table takes its own reference.
    int32_t addShaderRenderer(IMaterialTypeRenderer* renderer);

    [[nodiscard]] static D3DFORMAT d3dFormat(ColorFormat format);
    [[nodiscard]] static ColorFormat colorFormatOf(D3DFORMAT format);
    // The identity and the sphere-map texture matrix.
    [[nodiscard]] static const D3DMATRIX& identityMatrix();
    [[nodiscard]] static const D3DMATRIX& sphereMapMatrix();

protected:
    ~CD3D9Driver() override;

private:
    // The window's part of the front buffer; null when it cannot be read.
    [[nodiscard]] CPixelImage* takeFrontBufferShot();
    [[nodiscard]] bool resetDevice() override;
    // Sets the current material's renderer, after undoing the last type's
    // when the type changes.
    void switchMaterial();
    void unsetLastRenderer() override;
    // The set-up of the clip-space image operations and their stage states.
    void setImageMode() override;
    void setImageStates(bool texture, bool alphaChannel, bool alpha) override;

    HMODULE m_library = nullptr;
    // The 2D mode's transforms are the image operations' clip-space ones
    // (identity), not the pixel projection.
    bool m_clipSpace = false;
    // The last material's renderer has set its states (and not undone them).
    bool m_lastRendererActive = false;
    CSizeI m_windowSize;
    ColorFormat m_backBufferColorFormat = ColorFormat::A8R8G8B8;
    D3DFORMAT m_backBufferFormat = D3DFMT_A8R8G8B8;
    bool m_fullScreen = false;
    bool m_deviceReset = true;
    uint8_t m_antiAliasLevel = 0;
    CString m_vendorName;
    uint16_t m_vendorId = 0;
    bool m_alphaToCoverage = false;
    // The caller's scissor, put back after an image draw clipped.
    RECT m_scissorRect = {};
    bool m_scissorOn = false;
};
