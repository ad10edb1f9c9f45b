#pragma once

// Windows only: included by the Direct3D 9 sources alone.

#include "engine/core/CColorf.h"
#include "engine/core/CMat4.h"
#include "engine/core/CString.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/Material.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <d3d9.h>

#include <cstdint>
#include <vector>

class CD3D9DriverTexture;

// The Direct3D 9 video driver (type 2, the default). It keeps the material
// applied last and sends only the states that changed, through its material
// renderers, inside each draw; every draw goes from user memory
// (DrawPrimitiveUP and DrawIndexedPrimitiveUP). Image textures live in the
// managed pool, so a device reset (a lost device, a new window size) keeps
// them.
class CD3D9Driver : public CNullGraphicsDriver {
public:
    static constexpr int32_t ModeNone = 0;
    static constexpr int32_t Mode2D = 1;
    static constexpr int32_t Mode3D = 2;
    static constexpr int32_t ModeStencilFill = 3;
    static constexpr int32_t ModeShadowZFail = 4;
    static constexpr int32_t ModeShadowZPass = 5;
    static constexpr uint32_t Stages = 4;

    CD3D9Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, HWND window, CClock* clock);

    // Loads the library, makes the device and sets it up; false after
    // logging why.
    [[nodiscard]] bool initialize(const CEngineCreationParams& params);

    // IGraphicsDriver
    [[nodiscard]] bool beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                                  const CRectI* sourceRect) override;
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
    void setViewportRect(const CRectI& rect) override;
    [[nodiscard]] IDriverTexture* makeDriverTexture(CPixelImage* image) override;
    void drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices, uint32_t primitiveCount,
                        VertexType vertexType, IndexType indexType, PrimitiveType primitiveType) override;
    void drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source, const CRectI* clip,
                         const CColor* colors, bool useAlphaChannel) override;
    void drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source, const CRectI* clip,
                       CColor color, bool useAlphaChannel) override;
    void fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft, CColor bottomRight,
                          const CRectI* clip) override;
    void drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) override;
    void plotPixel(uint32_t x, uint32_t y, CColor color) override;
    void drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) override;
    void drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                           CColor bottomRight) override;
    void setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                          bool rangeFog) override;
    [[nodiscard]] ColorFormat pixelFormat() const override { return m_backBufferColorFormat; }
    [[nodiscard]] const CSizeI& renderTargetSize() const override;
    void clearLights() override;
    int32_t addLight(const CLight& light) override;
    [[nodiscard]] int32_t maxLights() const override { return int32_t(m_caps.MaxActiveLights); }
    void switchLight(int32_t index, bool on) override;
    [[nodiscard]] CStringW driverName() const override;
    [[nodiscard]] uint32_t maxPrimitives() const override { return m_caps.MaxPrimitiveCount; }
    void setTextureFlag(uint32_t flag, bool on) override;
    void onWindowResized(const CSizeI& size) override;
    [[nodiscard]] int32_t driverType() const override { return VideoDriverType::Direct3D9; }
    [[nodiscard]] IShaderServices* shaderServices() override { return this; }
    void clearZBuffer() override;
    // As A8R8G8B8: inside a frame the frame drawn so far, between frames
    // the frame last shown.
    [[nodiscard]] CPixelImage* takeScreenshot() override;
    [[nodiscard]] bool defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) override;
    void toggleClipPlane(uint32_t index, bool on) override;
    void setScissorRect(const CRectI& rect) override;
    void enableScissor(bool on) override;
    void setAmbientColor(const CColorf& color) override;
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

    // One 3D line of `color` from `start` to `end`.
    void draw3DLine(const CVector3d& start, const CVector3d& end, CColor color);
    // The device was made or reset since the last endFrame.
    [[nodiscard]] bool wasDeviceReset() const { return m_deviceReset; }

    // For the textures and renderers of this driver.
    [[nodiscard]] IDirect3DDevice9* device() const { return m_device; }
    [[nodiscard]] const D3DCAPS9& caps() const { return m_caps; }
    [[nodiscard]] D3DFORMAT backBufferFormat() const { return m_backBufferFormat; }
    [[nodiscard]] const CSizeI& windowSize() const { return m_windowSize; }
    // Adds a renderer to the material-type table at the first free type
    // after the built-in ones; the table takes its own reference.
    int32_t addShaderRenderer(IMaterialTypeRenderer* renderer);
    // Lets the textures this driver made tell it when they go.
    void trackTexture(CD3D9DriverTexture* texture);
    void untrackTexture(CD3D9DriverTexture* texture);

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
    [[nodiscard]] bool reset();
    // Sets the current material's renderer, after undoing the last type's
    // when the type changes.
    void switchMaterial();
    void unsetLastRenderer();
    // Binds `texture` (null: none) on `stage`; false for a texture of another
    // driver (logged).
    bool setActiveTexture(uint32_t stage, IDriverTexture* texture);
    void setVertexType(VertexType type);
    // The set-up of the clip-space image operations and their stage states.
    void setImageMode();
    void setImageStates(bool texture, bool alphaChannel, bool alpha);
    // Unbinds stage 0 and selects vertex type 0 for the pixel-space 2D
    // operations.
    void beginPixelDraw();
    void drawClipSpaceQuad(const float (&corners)[4][2], const float (&coordinates)[4][2], const CColor (&colors)[4]);
    void applyAmbient();

    HMODULE m_library = nullptr;
    IDirect3D9* m_d3d = nullptr;
    IDirect3DDevice9* m_device = nullptr;
    IDirect3DSurface9* m_previousRenderTarget = nullptr;
    HWND m_window = nullptr;
    D3DPRESENT_PARAMETERS m_presentParams = {};
    D3DCAPS9 m_caps = {};
    int32_t m_renderMode = ModeNone;
    Material m_currentMaterial;
    Material m_lastMaterial;
    bool m_resetAllRenderStates = true;
    // Whether depth writes are on on the device, as last sent.
    bool m_depthWriteSent = true;
    // The 2D mode's transforms are the image operations' clip-space ones
    // (identity), not the pixel projection.
    bool m_clipSpace = false;
    // The last material's renderer has set its states (and not undone them).
    bool m_lastRendererActive = false;
    bool m_stencilBuffer = false;
    IDriverTexture* m_currentTexture[Stages] = {};
    CSizeI m_currentRenderTargetSize;
    CSizeI m_windowSize;
    HWND m_presentWindow = nullptr;
    bool m_hasPresentRect = false;
    RECT m_presentRect = {};
    int32_t m_currentVertexType = -1;
    uint32_t m_maxUserClipPlanes = 0;
    float m_maxLightRange = 0.0f;
    int32_t m_lastLightIndex = -1;
    ColorFormat m_backBufferColorFormat = ColorFormat::A8R8G8B8;
    D3DFORMAT m_backBufferFormat = D3DFMT_A8R8G8B8;
    bool m_deviceLost = false;
    bool m_fullScreen = false;
    bool m_deviceReset = true;
    bool m_inScene = false;
    uint8_t m_antiAliasLevel = 0;
    CColorf m_ambientColor{0.0f, 0.0f, 0.0f, 0.0f};
    CString m_vendorName;
    uint16_t m_vendorId = 0;
    bool m_alphaToCoverage = false;
    // The caller's scissor, put back after an image draw clipped.
    RECT m_scissorRect = {};
    bool m_scissorOn = false;
    std::vector<CD3D9DriverTexture*> m_textures;
    std::vector<uint8_t> m_scratch;
};
