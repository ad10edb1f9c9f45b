#pragma once

// Windows only: included by the Direct3D 8 sources of this folder alone.
#include "engine/core/CColorf.h"
#include "engine/core/CMat4.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/D3D8Headers.h"
#include "engine/video/Material.h"

#include <cstdint>
#include <vector>

class CD3D8DriverTexture;
class CImageTexture;

// The Direct3D 8 video driver (type 1): the fixed-function pipeline of
// Direct3D 8 on a HAL device in the given window. It keeps the material
// applied last and switches states through its material renderers inside
// each draw; draws from user memory (DrawPrimitiveUP and its indexed form);
// clips by user clip planes where Direct3D 9 has a scissor test.
class CD3D8Driver : public CNullGraphicsDriver {
public:
    // Render modes.
    static constexpr int32_t ModeNone = 0;
    static constexpr int32_t Mode2D = 1;
    static constexpr int32_t Mode3D = 2;
    static constexpr int32_t ModeStencilFill = 3;
    static constexpr int32_t ModeShadowZFail = 4;
    static constexpr int32_t ModeShadowZPass = 5;

    CD3D8Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, CClock* clock);

    // Loads Direct3D 8 and makes the device in `window`; false after logging why.
    [[nodiscard]] bool initialize(const CEngineCreationParams& params, HWND window);

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
    [[nodiscard]] bool setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth,
                                       CColor clearColor) override;
    using CNullGraphicsDriver::setRenderTarget;
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
    [[nodiscard]] const CSizeI& renderTargetSize() const override;
    void clearLights() override;
    int32_t addLight(const CLight& light) override;
    [[nodiscard]] int32_t maxLights() const override { return static_cast<int32_t>(m_caps.MaxActiveLights); }
    void switchLight(int32_t index, bool on) override;
    [[nodiscard]] CStringW driverName() const override;
    [[nodiscard]] uint32_t maxPrimitives() const override { return m_caps.MaxPrimitiveCount; }
    void setTextureFlag(uint32_t flag, bool on) override;
    void onWindowResized(const CSizeI& size) override;
    [[nodiscard]] int32_t driverType() const override { return VideoDriverType::Direct3D8; }
    [[nodiscard]] IShaderServices* shaderServices() override { return this; }
    void clearZBuffer() override;
    [[nodiscard]] CPixelImage* takeScreenshot() override;
    [[nodiscard]] bool defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) override;
    void toggleClipPlane(uint32_t index, bool on) override;
    void setScissorRect(const CRectI& rect) override;
    void enableScissor(bool on) override;
    void setAmbientColor(const CColorf& color) override;

    // One 3D line of vertex type 2 in `color`.
    void draw3DLine(const CVector3d& start, const CVector3d& end, CColor color);

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
    [[nodiscard]] IDirect3DDevice8* device() const { return m_device; }
    [[nodiscard]] const D3DCAPS8& caps() const { return m_caps; }
    [[nodiscard]] int32_t renderMode() const { return m_renderMode; }
    [[nodiscard]] bool deviceLost() const { return m_deviceLost; }
    [[nodiscard]] int32_t currentVertexType() const { return m_currentVertexType; }
    [[nodiscard]] const CRectI& scissorRect() const { return m_scissorRect; }
    // The identity and the sphere-map texture matrix, as Direct3D matrices.
    [[nodiscard]] const D3DMATRIX& identityMatrix() const;
    [[nodiscard]] const D3DMATRIX& sphereMapMatrix() const;
    // Lets the textures this driver made tell it when they go; on its own
    // destruction the driver tells the ones still alive.
    void trackTexture(CD3D8DriverTexture* texture);
    void untrackTexture(CD3D8DriverTexture* texture);
    // The device runs something other than the vertex format of
    // currentVertexType (a vertex program): the next draw sets its format.
    void forgetVertexType() { m_currentVertexType = -1; }

    // The vertex format of a vertex type (0 for an unknown one).
    [[nodiscard]] static DWORD vertexFormat(VertexType type);

protected:
    ~CD3D8Driver() override;

private:
    // Binds `texture` (null unbinds) to `stage`; false for a texture of
    // another driver (logged).
    bool setTexture(uint32_t stage, IDriverTexture* texture);
    void selectVertexType(VertexType type);
    // The material switch and the renderer's query, in either mode. The
    // previous type is unset whenever the type changes, in 2D as in 3D: a
    // pixel program or an alpha test left on would change every later draw.
    [[nodiscard]] bool applyCurrentMaterial();
    [[nodiscard]] bool resetDevice();
    void setImageMode();
    void setImageStates(bool texture, bool alphaChannel, bool alpha);
    // Stage 0 unbound and vertex type 0, before a 2D pixel-space draw.
    void prepare2DPrimitive();
    void drawClipSpaceQuad(IDriverTexture* texture, float x0, float y0, float x1, float y1, float u0, float v0,
                           float u1, float v1, const CColor* corners, bool useAlphaChannel);

    int32_t m_renderMode = ModeNone;
    D3DPRESENT_PARAMETERS m_presentParams{};
    bool m_windowedVsync = false;
    Material m_currentMaterial;
    Material m_lastMaterial;
    // The content textures of the kept materials, so a texture released in
    // the middle of a frame stays alive while a kept material names it.
    CRefHandle<CImageTexture> m_currentTextures[Material::MaxLayers];
    CRefHandle<CImageTexture> m_lastTextures[Material::MaxLayers];
    bool m_resetAllRenderStates = true;
    // Whether depth writes are on on the device, as last sent.
    bool m_depthWriteSent = true;
    bool m_stencilBuffer = false;
    IDriverTexture* m_currentTexture[Material::MaxLayers] = {};
    HMODULE m_d3dLibrary = nullptr;
    IDirect3D8* m_d3d = nullptr;
    IDirect3DDevice8* m_device = nullptr;
    IDirect3DSurface8* m_previousRenderTarget = nullptr;
    CSizeI m_currentRenderTargetSize;
    HWND m_presentWindow = nullptr;
    RECT m_presentSourceRect{};
    bool m_hasPresentSourceRect = false;
    D3DCAPS8 m_caps{};
    int32_t m_currentVertexType = -1;
    uint32_t m_maxUserClipPlanes = 0;
    float m_maxLightRange = 0.0f;
    int32_t m_lastLightIndex = -1;
    bool m_deviceLost = false;
    CColorf m_ambientColor{0.0f, 0.0f, 0.0f, 0.0f};
    CRectI m_scissorRect;
    uint8_t m_antiAliasLevel = 0;
    // Between BeginScene and EndScene.
    bool m_inScene = false;
    // The image operations' clip-space matrices are on the device.
    bool m_imageTransforms = false;
    HWND m_window = nullptr;
    std::vector<CD3D8DriverTexture*> m_textures;
    std::vector<uint8_t> m_scratch;
};
