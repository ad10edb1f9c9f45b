#include "engine/video/CD3D8Driver.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector3d.h"
#include "engine/video/CD3D8DriverTexture.h"
#include "engine/video/CD3D8ShaderRenderer.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/D3D8MaterialRenderers.h"
#include "engine/video/D3DDriverCommon.h"
#include "engine/video/Direct3D8Driver.h"
#include "engine/video/MeshVertices.h"

#include <algorithm>
#include <cstring>

namespace {

using CreateFunction = IDirect3D8*(WINAPI*)(UINT);

// The SDK version the driver was written against.
constexpr UINT SdkVersion = 120;

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

// The log line of a failed present.
const char* presentFailure(HRESULT result) {
    return result == D3DERR_DEVICELOST ? "DIRECT3D8 device lost." : "DIRECT3D8 present failed.";
}

} // namespace

CD3D8Driver::CD3D8Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, CClock* clock)
    : CD3DDriverBase(params, fileSystem, clock) {}

CD3D8Driver::~CD3D8Driver() {
    for (CD3D8DriverTexture* texture : m_textures)
        texture->forgetDriver();
    m_textures.clear();
    for (uint32_t i = 0; i < Material::MaxLayers; ++i) {
        m_currentTextures[i].reset();
        m_lastTextures[i].reset();
    }
}

IDirect3DBaseTexture8* D3D8DriverTypes::d3dTexture(IDriverTexture* texture) {
    return static_cast<CD3D8DriverTexture*>(texture)->d3dTexture();
}

DWORD CD3D8Driver::vertexFormat(VertexType type) { return d3dVertexFormat(type); }

const D3DMATRIX& CD3D8Driver::identityMatrix() const { return d3dIdentityMatrix(); }

const D3DMATRIX& CD3D8Driver::sphereMapMatrix() const { return d3dSphereMapMatrix(); }

// --- Initialisation --------------------------------------------------------

bool CD3D8Driver::initialize(const CEngineCreationParams& params, HWND window) {
    m_window = window;
    m_antiAliasLevel = params.antiAlias ? 4 : 0;

    m_d3dLibrary = LoadLibraryA("d3d8.dll");
    if (!m_d3dLibrary) {
        logLine("Error, could not load d3d8.dll.", CLog::Error);
        return false;
    }
    FARPROC entry = GetProcAddress(m_d3dLibrary, "Direct3DCreate8");
    if (!entry) {
        logLine("Error, could not get proc adress of Direct3DCreate8.", CLog::Error);
        return false;
    }
    m_d3d = reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(entry))(SdkVersion);
    if (!m_d3d) {
        logLine("Error initializing D3D.", CLog::Error);
        return false;
    }

    D3DADAPTER_IDENTIFIER8 identifier{};
    if (SUCCEEDED(m_d3d->GetAdapterIdentifier(0, D3DENUM_NO_WHQL_LEVEL, &identifier)))
        d3dLogAdapter(identifier);

    D3DDISPLAYMODE mode{};
    if (FAILED(m_d3d->GetAdapterDisplayMode(0, &mode))) {
        logLine("Error: Could not get Adapter Display mode.", CLog::Error);
        return false;
    }

    D3DPRESENT_PARAMETERS& present = m_presentParams;
    present = D3DPRESENT_PARAMETERS{};
    present.BackBufferCount = 1;
    present.SwapEffect = D3DSWAPEFFECT_DISCARD;
    present.hDeviceWindow = window;
    present.EnableAutoDepthStencil = TRUE;
    if (params.fullScreen) {
        present.BackBufferWidth = UINT(std::max(params.width, 0));
        present.BackBufferHeight = UINT(std::max(params.height, 0));
        present.Windowed = FALSE;
        present.FullScreen_RefreshRateInHz = 0;
        present.FullScreen_PresentationInterval =
            params.vsync ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
        present.BackBufferFormat = params.colorBits == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
    } else {
        present.BackBufferFormat = mode.Format;
        present.Windowed = TRUE;
        m_windowedVsync = params.vsync;
        // The size asked for rather than the client area's: the system may
        // have made the window wider (a captioned window has a least width),
        // and everything above the driver counts in the screen size. The
        // present stretches the back buffer over the client area.
        present.BackBufferWidth = UINT(std::max(params.width, 1));
        present.BackBufferHeight = UINT(std::max(params.height, 1));
    }

    if (m_antiAliasLevel > 1) {
        uint32_t level = std::min<uint32_t>(m_antiAliasLevel, 16);
        for (; level > 1; --level) {
            if (SUCCEEDED(m_d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, present.BackBufferFormat,
                                                            present.Windowed, D3DMULTISAMPLE_TYPE(level)))) {
                present.MultiSampleType = D3DMULTISAMPLE_TYPE(level);
                present.SwapEffect = D3DSWAPEFFECT_DISCARD;
                break;
            }
        }
        m_antiAliasLevel = uint8_t(level);
        if (level == 1)
            logLine("Anti aliasing disabled because hardware/driver lacks necessary caps.", CLog::Warning);
    }

    if (!makeDevice(params.keepFloatPrecision, "Was not able to create Direct3D8 device.",
                    "Was not able to create Direct3D8 device."))
        return false;
    m_currentVertexType = 0;
    if (FAILED(m_device->SetVertexShader(vertexFormat(VertexType::Batch))))
        logLine("Could not set vertex Shader.", CLog::Error);
    if (m_antiAliasLevel > 1)
        (void)m_device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
    setFogParameters(m_fogColor, m_fogLinear, m_fogStart, m_fogEnd, m_fogDensity, m_pixelFog, m_rangeFog);
    m_platformData.device = m_device;
    m_platformData.window = window;
    m_resetAllRenderStates = true;
    registerD3D8MaterialRenderers(*this);
    m_maxUserClipPlanes = m_caps.MaxUserClipPlanes;
    (void)apply3DStates();
    const DWORD anisotropy = std::min<DWORD>(m_caps.MaxAnisotropy, 16);
    for (DWORD stage = 0; stage < 4; ++stage)
        (void)m_device->SetTextureStageState(stage, D3DTSS_MAXANISOTROPY, anisotropy);
    CLog::instance()->log(CStringW(u"Using renderer: ") + driverName(), CLog::Info);
    return true;
}

CStringW CD3D8Driver::driverName() const { return CStringW(u"Direct3D 8.1"); }

// --- Frames ----------------------------------------------------------------

bool CD3D8Driver::endFrame() {
    (void)CNullGraphicsDriver::endFrame();
    return endSceneAndPresent("DIRECT3D8 end scene failed.", &presentFailure, [this] {
        if (m_windowedVsync && (m_caps.Caps & D3DCAPS_READ_SCANLINE)) {
            D3DRASTER_STATUS status{};
            while (SUCCEEDED(m_device->GetRasterStatus(&status)) && !status.InVBlank)
                Sleep(0);
        }
    });
}

bool CD3D8Driver::resetDevice() {
    logLine("Resetting D3D8 device.", CLog::Info);
    // Nothing of the device's own pool may be held across the reset: the
    // bound textures, the saved back buffer and the render targets go first
    // (drawing is back on the back buffer afterwards).
    if (m_previousRenderTarget) {
        IDirect3DSurface8* depth = nullptr;
        (void)m_device->GetDepthStencilSurface(&depth);
        (void)m_device->SetRenderTarget(m_previousRenderTarget, depth);
        if (depth)
            depth->Release();
        m_previousRenderTarget->Release();
        m_previousRenderTarget = nullptr;
        m_currentRenderTargetSize = CSizeI{};
        m_transformChanged = true;
    }
    const HRESULT result = resetAroundTextures();
    if (FAILED(result)) {
        logLine(result == D3DERR_DEVICELOST ? "Resetting failed due to device lost." : "Resetting failed.",
                CLog::Warning);
        return false;
    }
    restoreDeviceStates();
    return true;
}

void CD3D8Driver::onWindowResized(const CSizeI& size) {
    if (m_device)
        resizeBackBuffer(size);
}

// --- Features and flags ----------------------------------------------------

bool CD3D8Driver::hasFeature(DriverFeature feature) const {
    const auto id = static_cast<uint32_t>(feature);
    if (id >= DriverFeatureCount || !m_featureSwitches[id])
        return false;
    switch (feature) {
    case DriverFeature::RenderToTexture:
        return true;
    default:
        return d3dCapsFeature(m_caps, feature, m_stencilBuffer);
    }
}

// --- Render modes and materials ---------------------------------------------

void CD3D8Driver::applyMaterial(const Material& material) {
    m_currentMaterial = material;
    for (uint32_t i = 0; i < Material::MaxLayers; ++i) {
        CImageTexture* content = i < material.usedLayers() ? material.layers[i].texture : nullptr;
        if (m_currentTextures[i].get() != content)
            m_currentTextures[i] = CRefHandle<CImageTexture>::share(content);
        if (i < material.usedLayers())
            (void)bindTexture(i, content ? content->getTexture() : nullptr);
    }
}

bool CD3D8Driver::applyCurrentMaterial() {
    IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_currentMaterial.materialType));
    if (m_resetAllRenderStates || !(m_currentMaterial == m_lastMaterial)) {
        if (m_lastMaterial.materialType != m_currentMaterial.materialType)
            if (IMaterialTypeRenderer* last = materialTypeRenderer(uint32_t(m_lastMaterial.materialType)))
                last->unsetMaterial();
        if (renderer)
            renderer->setMaterial(m_currentMaterial, m_lastMaterial, m_resetAllRenderStates, this);
        m_lastMaterial = m_currentMaterial;
        for (uint32_t i = 0; i < Material::MaxLayers; ++i)
            if (m_lastTextures[i].get() != m_currentTextures[i].get())
                m_lastTextures[i] = m_currentTextures[i];
        m_resetAllRenderStates = false;
    }
    const auto vertexType = static_cast<VertexType>(std::max(m_currentVertexType, 0));
    return renderer ? renderer->onRender(this, vertexType) : true;
}

bool CD3D8Driver::apply3DStates() {
    if (!m_device)
        return false;
    if (m_renderMode != Mode3D || m_transformChanged) {
        d3dSetTransforms(m_device, m_matrices);
        m_transformChanged = false;
    }
    if (m_renderMode != Mode3D) {
        (void)m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        m_resetAllRenderStates = true;
    }
    const bool result = applyCurrentMaterial();
    m_renderMode = Mode3D;
    return result;
}

bool CD3D8Driver::apply2DStates() {
    if (!m_device)
        return false;
    if (m_renderMode != Mode2D) {
        (void)m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        m_resetAllRenderStates = true;
        m_transformChanged = true;
        m_renderMode = Mode2D;
    }
    // The image operations leave clip-space matrices on the device: the
    // pixel projection goes out again after them.
    if (m_transformChanged || m_imageTransforms) {
        const D3DMATRIX projection = d3dPixelProjection(renderTargetSize());
        (void)m_device->SetTransform(D3DTS_VIEW, &d3dIdentityMatrix());
        (void)m_device->SetTransform(D3DTS_PROJECTION, &projection);
        if (m_imageTransforms) {
            const D3DMATRIX world = d3dMatrix(m_matrices[1]);
            (void)m_device->SetTransform(D3DTS_WORLD, &world);
            m_imageTransforms = false;
        }
        m_transformChanged = false;
    }
    return applyCurrentMaterial();
}

void CD3D8Driver::setMatrix(MatrixKind kind, const CMat4& matrix) {
    const auto index = static_cast<uint32_t>(kind);
    if (index >= MatrixKindCount)
        return;
    m_matrices[index] = matrix;
    if (index <= 2)
        m_transformChanged = true;
    if (!m_device)
        return;
    if (index <= 2) {
        static constexpr D3DTRANSFORMSTATETYPE states[] = {D3DTS_VIEW, D3DTS_WORLD, D3DTS_PROJECTION};
        const D3DMATRIX value = d3dMatrix(matrix);
        (void)m_device->SetTransform(states[index], &value);
    } else {
        d3dSetTextureMatrix(m_device, index - 3, matrix);
    }
}

void CD3D8Driver::applyBaseStates(const Material& m, const Material& last, bool reset) {
    if (!m_device)
        return;
    IDirect3DDevice8* device = m_device;
    d3dApplyBaseStates<D3DMATERIAL8>(device, m_caps, m, last, reset, hasFeature(DriverFeature::ColorMask),
                                     m_depthWriteSent, [device](DWORD stage, D3DSamplerState state, DWORD value) {
                                         static constexpr D3DTEXTURESTAGESTATETYPE states[] = {
                                             D3DTSS_MIPMAPLODBIAS, D3DTSS_ADDRESSU,  D3DTSS_ADDRESSV,
                                             D3DTSS_MAGFILTER,     D3DTSS_MINFILTER, D3DTSS_MIPFILTER,
                                             D3DTSS_MAXANISOTROPY};
                                         (void)device->SetTextureStageState(stage, states[int(state)], value);
                                     });
}

void CD3D8Driver::setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) {
    if (m_device && data && count > 0)
        (void)m_device->SetVertexShaderConstant(DWORD(firstRegister), data, DWORD(count));
}

bool CD3D8Driver::setVertexShaderConstant(const char*, const float*, int32_t) {
    logLine("Cannot set constant, no HLSL supported in D3D8", CLog::Info);
    return false;
}

void CD3D8Driver::setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) {
    if (m_device && data && count > 0)
        (void)m_device->SetPixelShaderConstant(DWORD(firstRegister), data, DWORD(count));
}

bool CD3D8Driver::setPixelShaderConstant(const char*, const float*, int32_t) {
    logLine("Cannot set constant, no HLSL supported in D3D8", CLog::Info);
    return false;
}

int32_t CD3D8Driver::createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                                  IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                  int32_t userData) {
    if (!m_device)
        return -1;
    IMaterialTypeRenderer* base = baseMaterialType >= 0 ? materialTypeRenderer(uint32_t(baseMaterialType)) : nullptr;
    return CD3D8ShaderRenderer::create(this, vertexProgram, pixelProgram, callback, base, userData);
}

// --- Textures and render targets ---------------------------------------------

IDriverTexture* CD3D8Driver::makeDriverTexture(CPixelImage* image) {
    if (!image)
        return nullptr;
    return new CD3D8DriverTexture(image, this);
}

IDriverTexture* CD3D8Driver::renderTargetTexture(const CSizeI& size, ColorFormat) {
    if (size.width <= 0 || size.height <= 0)
        return nullptr;
    return new CD3D8DriverTexture(this, size);
}

bool CD3D8Driver::setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth, CColor clearColor) {
    if (!m_device)
        return false;
    bool result = true;
    if (texture) {
        if (!d3dRenderTargetUsable(texture, VideoDriverType::Direct3D8, m_screenSize))
            return false;
        if (!m_previousRenderTarget && FAILED(m_device->GetRenderTarget(&m_previousRenderTarget))) {
            m_previousRenderTarget = nullptr;
            logLine("Could not get previous render target.", CLog::Error);
            return false;
        }
        IDirect3DSurface8* depth = nullptr;
        (void)m_device->GetDepthStencilSurface(&depth);
        IDirect3DSurface8* surface = static_cast<CD3D8DriverTexture*>(texture)->renderTargetSurface();
        // A target the device refuses leaves drawing, and its size, where
        // they were.
        if (!surface || FAILED(m_device->SetRenderTarget(surface, depth))) {
            logLine("Error: Could not set render target.", CLog::Error);
            result = false;
        } else {
            m_currentRenderTargetSize = texture->size();
        }
        if (depth)
            depth->Release();
    } else if (m_previousRenderTarget) {
        IDirect3DSurface8* depth = nullptr;
        (void)m_device->GetDepthStencilSurface(&depth);
        if (FAILED(m_device->SetRenderTarget(m_previousRenderTarget, depth))) {
            logLine("Error: Could not set back to previous render target.", CLog::Error);
            result = false;
        }
        if (depth)
            depth->Release();
        m_currentRenderTargetSize = CSizeI{};
        m_previousRenderTarget->Release();
        m_previousRenderTarget = nullptr;
    }
    // The pixel projection follows the target's size.
    m_transformChanged = true;
    DWORD flags = 0;
    if (clearBackBuffer)
        flags |= D3DCLEAR_TARGET;
    if (clearDepth)
        flags |= D3DCLEAR_ZBUFFER;
    if (flags)
        (void)m_device->Clear(0, nullptr, flags, clearColor.value, 1.0f, 0);
    return result;
}

// --- Drawing -----------------------------------------------------------------

void CD3D8Driver::unsetLastRenderer() {
    if (m_renderMode == Mode3D)
        if (IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_lastMaterial.materialType)))
            renderer->unsetMaterial();
}

void CD3D8Driver::setImageMode() {
    if (m_renderMode == Mode2D && !m_transformChanged && m_imageTransforms)
        return;
    d3dSetImageRenderStates(m_device);
    for (DWORD stage = 0; stage < 4; ++stage) {
        (void)m_device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        (void)m_device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    m_transformChanged = false;
    unsetLastRenderer();
    m_renderMode = Mode2D;
    m_imageTransforms = true;
    // The states set here are not the material's: the next draw with a
    // material sends all of them again.
    m_resetAllRenderStates = true;
}

void CD3D8Driver::setImageStates(bool texture, bool alphaChannel, bool alpha) {
    d3dSetImageStageStates(m_device, texture, alphaChannel, alpha);
    if (texture) {
        (void)m_device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        (void)m_device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        (void)m_device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    }
}

void CD3D8Driver::drawImageQuad(IDriverTexture* texture, float x0, float y0, float x1, float y1, float u0, float v0,
                                float u1, float v1, const CColor* corners, bool useAlphaChannel) {
    // Corner colours come top left, bottom left, bottom right, top right.
    const CColor white(0xFFFFFFFF);
    const CColor colors[4] = {corners ? corners[0] : white, corners ? corners[3] : white, corners ? corners[2] : white,
                              corners ? corners[1] : white};
    bool alpha = false;
    for (const CColor& color : colors)
        alpha = alpha || color.alpha() < 255;
    setImageMode();
    setImageStates(texture != nullptr, useAlphaChannel, alpha);
    const float positions[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    const float coordinates[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    drawClipSpaceQuad(positions, coordinates, colors);
}

// Direct3D 8 has no scissor test: the clip rectangle is not applied.
void CD3D8Driver::drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source,
                                  const CRectI*, const CColor* colors, bool useAlphaChannel) {
    if (!texture || !m_device || !bindTexture(0, texture))
        return;
    const CSizeI& target = renderTargetSize();
    const float w = float(std::max(target.width, 1)), h = float(std::max(target.height, 1));
    // Coordinates over the hardware texture, which may be padded beyond the
    // image.
    const CSizeI& size = texture->size();
    const float tw = float(std::max(size.width, 1)), th = float(std::max(size.height, 1));
    drawImageQuad(texture, destination.left * 2.0f / w - 1.0f, 1.0f - destination.top * 2.0f / h,
                  destination.right * 2.0f / w - 1.0f, 1.0f - destination.bottom * 2.0f / h, source.left / tw,
                  source.top / th, source.right / tw, source.bottom / th, colors, useAlphaChannel);
}

// --- Screenshots ---------------------------------------------------------------

CPixelImage* CD3D8Driver::takeScreenshot() {
    if (!m_device)
        return nullptr;
    const uint32_t width = uint32_t(std::max(m_screenSize.width, 0));
    const uint32_t height = uint32_t(std::max(m_screenSize.height, 0));
    if (width == 0 || height == 0)
        return nullptr;
    IDirect3DSurface8* surface = nullptr;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    RECT area{0, 0, LONG(width), LONG(height)};
    if (m_inScene) {
        // The frame being drawn: the back buffer, copied as it is.
        IDirect3DSurface8* backBuffer = nullptr;
        if (FAILED(m_device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)))
            return nullptr;
        D3DSURFACE_DESC desc{};
        (void)backBuffer->GetDesc(&desc);
        format = desc.Format;
        const bool made = SUCCEEDED(m_device->CreateImageSurface(desc.Width, desc.Height, format, &surface)) &&
                          SUCCEEDED(m_device->CopyRects(backBuffer, nullptr, 0, surface, nullptr));
        backBuffer->Release();
        if (!made) {
            if (surface)
                surface->Release();
            return nullptr;
        }
        area.right = LONG(std::min<UINT>(width, desc.Width));
        area.bottom = LONG(std::min<UINT>(height, desc.Height));
    } else {
        D3DDISPLAYMODE mode{};
        if (FAILED(m_device->GetDisplayMode(&mode)) ||
            FAILED(m_device->CreateImageSurface(mode.Width, mode.Height, D3DFMT_A8R8G8B8, &surface)))
            return nullptr;
        if (FAILED(m_device->GetFrontBuffer(surface))) {
            surface->Release();
            return nullptr;
        }
        POINT origin{0, 0};
        if (m_window)
            (void)ClientToScreen(m_window, &origin);
        area = RECT{origin.x, origin.y, LONG(origin.x + width), LONG(origin.y + height)};
        area.left = std::max<LONG>(area.left, 0);
        area.top = std::max<LONG>(area.top, 0);
        area.right = std::min<LONG>(area.right, LONG(mode.Width));
        area.bottom = std::min<LONG>(area.bottom, LONG(mode.Height));
        if (mode.Format != D3DFMT_X8R8G8B8)
            format = D3DFMT_A8R8G8B8;
        else
            format = D3DFMT_X8R8G8B8;
    }
    D3DLOCKED_RECT locked{};
    if (area.right <= area.left || area.bottom <= area.top ||
        FAILED(surface->LockRect(&locked, &area, D3DLOCK_READONLY))) {
        surface->Release();
        return nullptr;
    }
    CPixelImage* image = CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height);
    if (image) {
        const uint32_t rows = uint32_t(area.bottom - area.top), columns = uint32_t(area.right - area.left);
        for (uint32_t row = 0; row < rows; ++row) {
            const auto* source = static_cast<const uint8_t*>(locked.pBits) + size_t(row) * locked.Pitch;
            auto* target = reinterpret_cast<uint32_t*>(image->data() + size_t(row) * image->pitch());
            if (format == D3DFMT_R5G6B5) {
                (void)CPixelImage::convertPixels(source, ColorFormat::R5G6B5, columns, target, ColorFormat::A8R8G8B8);
            } else if (format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5) {
                (void)CPixelImage::convertPixels(source, ColorFormat::A1R5G5B5, columns, target, ColorFormat::A8R8G8B8);
                if (format == D3DFMT_X1R5G5B5)
                    for (uint32_t i = 0; i < columns; ++i)
                        target[i] |= 0xFF000000u;
            } else {
                std::memcpy(target, source, size_t(columns) * 4);
                if (format == D3DFMT_X8R8G8B8)
                    for (uint32_t i = 0; i < columns; ++i)
                        target[i] |= 0xFF000000u;
            }
        }
    }
    (void)surface->UnlockRect();
    surface->Release();
    return image;
}

// --- Clipping ----------------------------------------------------------------

void CD3D8Driver::setScissorRect(const CRectI& rect) { m_scissorRect = rect; }

void CD3D8Driver::enableScissor(bool on) {
    if (!on) {
        for (uint32_t i = 0; i < 4; ++i)
            toggleClipPlane(i, false);
        return;
    }
    const float l = float(m_scissorRect.left), t = float(m_scissorRect.top);
    const float r = float(m_scissorRect.right), b = float(m_scissorRect.bottom);
    const float planes[4][4] = {{0, 1, 0, -t}, {-1, 0, 0, r}, {0, -1, 0, b}, {1, 0, 0, -l}};
    for (uint32_t i = 0; i < 4; ++i)
        (void)defineClipPlane(i, planes[i], true);
}

// --- 3D facilities -------------------------------------------------------------

// --- Creation ------------------------------------------------------------------

IGraphicsDriver* createDirect3D8Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                       void* window, CClock* clock) {
    CRefHandle<CD3D8Driver> driver(new CD3D8Driver(params, fileSystem, clock));
    if (!driver->initialize(params, static_cast<HWND>(window)))
        return nullptr;
    CD3D8Driver* result = driver.get();
    result->addRef();
    return result;
}
