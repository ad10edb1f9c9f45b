#pragma once

// Windows only: included by the Direct3D 9 and Direct3D 8 driver headers
// after their own Direct3D header.

#include "engine/core/CColorf.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CVector2di.h"
#include "engine/core/CVector3d.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/D3DDriverCommon.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/Material.h"
#include "engine/video/MeshVertices.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

// What the Direct3D 9 and Direct3D 8 drivers keep and do alike, over the
// interfaces of one version named by `Types`: the device (`Device`) and its
// capabilities (`Caps`), present parameters (`PresentParameters`), light
// and viewport records (`Light`, `Viewport`), the driver's texture class
// (`Texture`), the driver type (`DriverType`), the log texts that name the
// version, and two functions: `setVertexFormat`(device, format) and
// `d3dTexture`(driver texture). Each driver derives from its instance and
// adds what its version does differently.
template <class Types> class CD3DDriverBase : public CNullGraphicsDriver {
public:
    static constexpr int32_t ModeNone = 0;
    static constexpr int32_t Mode2D = 1;
    static constexpr int32_t Mode3D = 2;
    static constexpr int32_t ModeStencilFill = 3;
    static constexpr int32_t ModeShadowZFail = 4;
    static constexpr int32_t ModeShadowZPass = 5;
    static constexpr uint32_t Stages = Material::MaxLayers;

    using Device = typename Types::Device;
    using Caps = typename Types::Caps;
    using Texture = typename Types::Texture;

    CD3DDriverBase(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, CClock* clock)
        : CNullGraphicsDriver(params, fileSystem, clock), m_stencilBuffer(params.stencil),
          m_maxLightRange(std::sqrt(FLT_MAX)) {
        // No wrap code is 5: the first application sets every sampler.
        for (TextureLayer& layer : m_lastMaterial.layers)
            layer.wrap = 5;
    }

    // IGraphicsDriver, alike in both versions.
    [[nodiscard]] bool beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                                  const CRectI* sourceRect) override {
        (void)CNullGraphicsDriver::beginFrame(clearBackBuffer, clearDepth, clearColor, presentWindow, sourceRect);
        m_presentWindow = static_cast<HWND>(presentWindow);
        m_hasPresentRect = sourceRect != nullptr;
        if (sourceRect)
            m_presentRect = {sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
        if (!m_device)
            return false;
        if (!d3dBeginScene(
                m_device, m_deviceLost, [this] { return resetDevice(); },
                d3dClearFlags(clearBackBuffer, clearDepth, m_stencilBuffer), clearColor, Types::ClearFailed,
                Types::BeginSceneFailed))
            return false;
        m_inScene = true;
        return true;
    }

    void drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices, uint32_t primitiveCount,
                        VertexType vertexType, IndexType indexType, PrimitiveType primitiveType) override {
        if (!checkDrawArguments(vertices, vertexCount, indices, primitiveCount, vertexType, indexType, primitiveType))
            return;
        CNullGraphicsDriver::drawPrimitives(vertices, vertexCount, indices, primitiveCount, vertexType, indexType,
                                            primitiveType);
        if (!m_device)
            return;
        setVertexType(vertexType);
        if (!(m_renderMode == Mode2D ? apply2DStates() : apply3DStates()))
            return;
        // Types 2 to 4 reach the device in its own order of fields. Points
        // scale by distance only in 3D: a 2D point lies at distance 0, which
        // would scale it without bound.
        d3dDrawPrimitiveList(m_device, d3dVertexData(vertices, vertexCount, vertexType, m_scratch), vertexCount,
                             indices, primitiveCount, indexType, primitiveType, vertexStride(vertexType),
                             m_renderMode == Mode3D, m_currentMaterial.thickness);
    }

    void fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft, CColor bottomRight,
                          const CRectI* clip) override {
        d3dFillRectGradient(rect, clip, topLeft, topRight, bottomLeft, bottomRight,
                            [this](auto... arguments) { drawPixelPrimitives(arguments...); });
    }

    void drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) override {
        d3dDrawLine2D(start, end, color, [this](auto... arguments) { drawPixelPrimitives(arguments...); });
    }

    void plotPixel(uint32_t x, uint32_t y, CColor color) override {
        d3dPlotPixel(x, y, color, renderTargetSize(), [this](auto... arguments) { drawPixelPrimitives(arguments...); });
    }

    void drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source, const CRectI* clip,
                       CColor color, bool useAlphaChannel) override {
        if (!texture || !m_device || source.right < source.left || source.bottom < source.top)
            return;
        if (!bindTexture(0, texture))
            return;
        const CSizeI& target = renderTargetSize();
        CRectI destination, part;
        if (!clipImagePart(position, source, clip, target, destination, part))
            return;
        const int32_t x = destination.left, y = destination.top, sourceX = part.left, sourceY = part.top;
        const int32_t width = destination.right - destination.left, height = destination.bottom - destination.top;
        const CSizeI& image = texture->size();
        const float iw = float(std::max(image.width, 1)), ih = float(std::max(image.height, 1));
        const float u0 = (float(sourceX) + 0.5f) / iw, v0 = (float(sourceY) + 0.5f) / ih;
        const float u1 = u0 + float(width) / iw, v1 = v0 + float(height) / ih;
        const int32_t halfW = target.width / 2, halfH = target.height / 2;
        const float sx = 2.0f / float(std::max(target.width, 1)), sy = 2.0f / float(std::max(target.height, 1));
        const float left = float(x - halfW) * sx, right = float(x + width - halfW) * sx;
        const float top = float(halfH - y) * sy, bottom = float(halfH - (y + height)) * sy;
        const float corners[4][2] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
        const float coordinates[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
        const CColor colors[4] = {color, color, color, color};
        setImageMode();
        setImageStates(true, useAlphaChannel, color.alpha() < 255);
        drawClipSpaceQuad(corners, coordinates, colors);
    }

    void setViewportRect(const CRectI& rect) override {
        (void)d3dSetViewport<typename Types::Viewport>(m_device, rect, m_screenSize, m_viewport);
    }

    void setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                          bool rangeFog) override {
        CNullGraphicsDriver::setFogParameters(color, linear, start, end, density, pixelFog, rangeFog);
        if (m_device)
            d3dSendFog(m_device, color, linear, start, end, density, pixelFog, rangeFog);
    }

    [[nodiscard]] const CSizeI& renderTargetSize() const override {
        return m_currentRenderTargetSize.width == 0 && m_currentRenderTargetSize.height == 0
                   ? m_screenSize
                   : m_currentRenderTargetSize;
    }

    void clearLights() override {
        d3dClearLights(m_device, m_lastLightIndex);
        CNullGraphicsDriver::clearLights();
    }

    int32_t addLight(const CLight& light) override {
        (void)CNullGraphicsDriver::addLight(light);
        if (!m_device)
            return -1;
        return d3dAddLight<typename Types::Light>(m_device, light, m_maxLightRange, m_lastLightIndex);
    }

    [[nodiscard]] int32_t maxLights() const override { return int32_t(m_caps.MaxActiveLights); }

    void switchLight(int32_t index, bool on) override {
        if (m_device && index >= 0 && index <= m_lastLightIndex)
            m_device->LightEnable(DWORD(index), on ? TRUE : FALSE);
    }

    [[nodiscard]] uint32_t maxPrimitives() const override { return m_caps.MaxPrimitiveCount; }

    // Mip maps only where the device has them.
    void setTextureFlag(uint32_t flag, bool on) override {
        if (flag == TextureFlag::CreateMipMaps && !hasFeature(DriverFeature::MipMap))
            on = false;
        CNullGraphicsDriver::setTextureFlag(flag, on);
    }

    void clearZBuffer() override {
        if (!m_device || FAILED(m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0)))
            CLog::instance()->log(Types::ClearZBufferFailed, CLog::Warning);
    }

    [[nodiscard]] bool defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) override {
        if (index >= m_maxUserClipPlanes || !m_device)
            return false;
        d3dDefineClipPlane(m_device, m_matrices[1], index, plane, enable);
        return true;
    }

    void toggleClipPlane(uint32_t index, bool on) override {
        if (index < m_maxUserClipPlanes && m_device)
            d3dToggleClipPlane(m_device, index, on);
    }

    void setAmbientColor(const CColorf& color) override {
        m_ambientColor = color;
        if (m_device)
            m_device->SetRenderState(D3DRS_AMBIENT, m_ambientColor.toColor().value);
    }

    // Stencil shadows need the stencil buffer; without one both do nothing.
    void drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) override {
        if (!m_stencilBuffer || count < 3 || !positions || !m_device)
            return;
        Device* d = m_device;
        const int32_t mode = depthFail ? ModeShadowZFail : ModeShadowZPass;
        if (m_renderMode != mode || m_transformChanged) {
            d3dSetTransforms(d, m_matrices);
            for (uint32_t stage = 0; stage < Stages; ++stage) {
                (void)bindTexture(stage, nullptr);
                d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
                d->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            }
            Types::setVertexFormat(d, D3DFVF_XYZ);
            m_currentVertexType = -1;
            d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
            d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
            d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
            unsetLastRenderer();
            m_renderMode = mode;
            m_transformChanged = false;
            m_resetAllRenderStates = true;
        }
        d3dSetShadowVolumeStates(d, depthFail);
        d3dDrawShadowVolume(d, positions, count, depthFail);
    }

    void drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                           CColor bottomRight) override {
        if (!m_stencilBuffer || !m_device)
            return;
        const bool alpha =
            topLeft.alpha() < 255 || topRight.alpha() < 255 || bottomLeft.alpha() < 255 || bottomRight.alpha() < 255;
        if (m_renderMode != ModeStencilFill || m_transformChanged) {
            d3dSetStencilFillStates(m_device);
            m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            unsetLastRenderer();
            m_renderMode = ModeStencilFill;
            m_transformChanged = true;
            m_resetAllRenderStates = true;
        }
        (void)bindTexture(0, nullptr);
        d3dSetShadowOverlayStageStates(m_device, alpha);
        const float corners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
        const float coordinates[4][2] = {};
        const CColor colors[4] = {topLeft, topRight, bottomRight, bottomLeft};
        drawClipSpaceQuad(corners, coordinates, colors);
        if (clearStencil)
            m_device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
    }

    // One 3D line of vertex type 2 in `color`, with the 3D states.
    void draw3DLine(const CVector3d& start, const CVector3d& end, CColor color) {
        NormalVertex vertices[2];
        vertices[0].x = start.x, vertices[0].y = start.y, vertices[0].z = start.z, vertices[0].color = color;
        vertices[1].x = end.x, vertices[1].y = end.y, vertices[1].z = end.z, vertices[1].color = color;
        if (!apply3DStates())
            return;
        drawPrimitives(vertices, 2, nullptr, 1, VertexType::Normal, IndexType::Bits16, PrimitiveType::Lines);
    }

    // For the textures and renderers of the driver.
    [[nodiscard]] Device* device() const { return m_device; }
    [[nodiscard]] const Caps& caps() const { return m_caps; }
    // Lets the textures the driver made tell it when they go; the driver
    // tells the ones still alive when it goes itself.
    void trackTexture(Texture* texture) { m_textures.push_back(texture); }
    void untrackTexture(Texture* texture) {
        for (IDriverTexture*& bound : m_currentTexture)
            if (bound == texture)
                bound = nullptr;
        std::erase(m_textures, texture);
    }

protected:
    ~CD3DDriverBase() override {
        for (uint32_t i = 0; i < m_materialRenderers.size(); ++i) {
            if (m_materialRenderers[i].renderer)
                m_materialRenderers[i].renderer->release();
            m_materialRenderers[i].renderer = nullptr;
        }
        m_materialRenderers.clear();
        if (m_previousRenderTarget)
            m_previousRenderTarget->Release();
        if (m_device)
            m_device->Release();
        if (m_d3d)
            m_d3d->Release();
    }

    // Resets the device with the present parameters; false after logging why.
    [[nodiscard]] virtual bool resetDevice() = 0;

    // Picks the depth-stencil format, makes the device in m_window with
    // m_presentParams and reads its capabilities; false after logging
    // `refused` and `noDevice` when no device could be made.
    [[nodiscard]] bool makeDevice(bool keepFloatPrecision, const char* refused, const char* noDevice) {
        if (!d3dChooseDepthFormat(m_d3d, m_presentParams, m_stencilBuffer))
            return false;
        m_device = d3dCreateDevice<Device>(m_d3d, m_window, keepFloatPrecision, m_presentParams);
        if (!m_device) {
            CLog::instance()->log(refused, CLog::Error);
            CLog::instance()->log(noDevice, CLog::Error);
            return false;
        }
        m_device->GetDeviceCaps(&m_caps);
        if (m_stencilBuffer && !d3dStencilUsable(m_caps)) {
            CLog::instance()->log("Device not able to use stencil buffer, disabling stencil buffer.", CLog::Warning);
            m_stencilBuffer = false;
        }
        return true;
    }

    // Ends the scene and shows the frame; false after logging `endFailed`,
    // or what `presentFailed` says of the present's result (a lost device is
    // noted for the next frame). `beforePresent` runs just before it.
    template <class BeforePresent>
    [[nodiscard]] bool endSceneAndPresent(const char* endFailed, const char* (*presentFailed)(HRESULT),
                                          BeforePresent beforePresent) {
        if (!m_device)
            return false;
        if (m_inScene) {
            m_inScene = false;
            if (FAILED(m_device->EndScene())) {
                CLog::instance()->log(endFailed, CLog::Warning);
                return false;
            }
        }
        beforePresent();
        const HRESULT result =
            m_device->Present(m_hasPresentRect ? &m_presentRect : nullptr, nullptr, m_presentWindow, nullptr);
        if (SUCCEEDED(result))
            return true;
        if (result == D3DERR_DEVICELOST)
            m_deviceLost = true;
        CLog::instance()->log(presentFailed(result), CLog::Warning);
        return false;
    }

    // Resets the device with m_presentParams; render targets let their
    // Direct3D textures go before and make new ones after. Reset's result;
    // a lost device is noted.
    [[nodiscard]] HRESULT resetAroundTextures() {
        for (Texture* texture : m_textures)
            texture->releaseDeviceResources();
        for (uint32_t stage = 0; stage < Stages; ++stage) {
            m_device->SetTexture(stage, nullptr);
            m_currentTexture[stage] = nullptr;
        }
        const HRESULT result = m_device->Reset(&m_presentParams);
        for (Texture* texture : m_textures)
            texture->restoreDeviceResources();
        if (result == D3DERR_DEVICELOST)
            m_deviceLost = true;
        return result;
    }

    // After a successful reset: every render state goes out again with the
    // next draw; vertex format, 3D states, fog and ambient light are sent.
    void restoreDeviceStates() {
        m_deviceLost = false;
        m_resetAllRenderStates = true;
        m_currentVertexType = -1;
        setVertexType(VertexType::Batch);
        m_renderMode = ModeNone;
        (void)apply3DStates();
        setFogParameters(m_fogColor, m_fogLinear, m_fogStart, m_fogEnd, m_fogDensity, m_pixelFog, m_rangeFog);
        setAmbientColor(m_ambientColor);
    }

    // A new size for the back buffer: the device resets (outside a scene).
    void resizeBackBuffer(const CSizeI& size) {
        CNullGraphicsDriver::onWindowResized(size);
        m_presentParams.BackBufferWidth = UINT(std::max(size.width, 1));
        m_presentParams.BackBufferHeight = UINT(std::max(size.height, 1));
        if (m_inScene) {
            m_device->EndScene();
            m_inScene = false;
        }
        (void)resetDevice();
    }

    // Binds `texture` (null: none) on `stage`; false for a texture of another
    // driver (logged).
    bool bindTexture(uint32_t stage, IDriverTexture* texture) {
        return d3dBindTexture(m_device, m_currentTexture, stage, texture, Types::DriverType, &Types::d3dTexture);
    }

    // Sends the vertex format of `type` unless the device has it already.
    void setVertexType(VertexType type) {
        const int32_t code = int32_t(type);
        if (code == m_currentVertexType || !m_device)
            return;
        m_currentVertexType = code;
        const DWORD format = d3dVertexFormat(type);
        if (format && FAILED(Types::setVertexFormat(m_device, format)))
            CLog::instance()->log("Could not set vertex Shader.", CLog::Error);
    }

    // The renderer of the last material undoes what it switched on (a
    // shader, the alpha test) before states of another kind are set.
    virtual void unsetLastRenderer() = 0;

    // The set-up of the clip-space image operations, and stage 0 and the
    // blending for one image.
    virtual void setImageMode() = 0;
    virtual void setImageStates(bool texture, bool alphaChannel, bool alpha) = 0;

    // A quad in clip space from its corners (clockwise from the top left)
    // with vertex type 2's format.
    void drawClipSpaceQuad(const float (&corners)[4][2], const float (&coordinates)[4][2], const CColor (&colors)[4]) {
        setVertexType(VertexType::Normal);
        d3dDrawClipSpaceQuad(m_device, corners, coordinates, colors);
        m_primitivesThisFrame += 2;
    }

    // Draws a pixel-space 2D primitive list: stage 0 unbound, vertex type 0,
    // the 2D states.
    void drawPixelPrimitives(const BatchVertex* vertices, uint32_t count, const uint16_t* indices, uint32_t primitives,
                             PrimitiveType type) {
        if (!m_device)
            return;
        if (m_currentTexture[0])
            (void)bindTexture(0, nullptr);
        setVertexType(VertexType::Batch);
        if (apply2DStates())
            drawPrimitives(vertices, count, indices, primitives, VertexType::Batch, IndexType::Bits16, type);
    }

    typename Types::Direct3D* m_d3d = nullptr;
    Device* m_device = nullptr;
    typename Types::Surface* m_previousRenderTarget = nullptr;
    HWND m_window = nullptr;
    typename Types::PresentParameters m_presentParams = {};
    Caps m_caps = {};
    int32_t m_renderMode = ModeNone;
    Material m_currentMaterial;
    Material m_lastMaterial;
    bool m_resetAllRenderStates = true;
    // Whether depth writes are on on the device, as last sent.
    bool m_depthWriteSent = true;
    bool m_stencilBuffer = false;
    IDriverTexture* m_currentTexture[Stages] = {};
    CSizeI m_currentRenderTargetSize;
    HWND m_presentWindow = nullptr;
    bool m_hasPresentRect = false;
    RECT m_presentRect = {};
    int32_t m_currentVertexType = -1;
    uint32_t m_maxUserClipPlanes = 0;
    float m_maxLightRange = 0.0f;
    int32_t m_lastLightIndex = -1;
    bool m_deviceLost = false;
    // Between BeginScene and EndScene.
    bool m_inScene = false;
    CColorf m_ambientColor{0.0f, 0.0f, 0.0f, 0.0f};
    std::vector<Texture*> m_textures;
    std::vector<uint8_t> m_scratch;
};
