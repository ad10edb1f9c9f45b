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
#include "engine/video/Direct3D8Driver.h"
#include "engine/video/MeshVertices.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

using CreateFunction = IDirect3D8*(WINAPI*)(UINT);

// The SDK version the driver was written against.
constexpr UINT SdkVersion = 120;

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

DWORD floatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

D3DMATRIX toD3D(const CMat4& matrix) {
    D3DMATRIX result;
    std::memcpy(&result, matrix.data(), sizeof result);
    return result;
}

D3DCOLORVALUE colorValue(CColor color) {
    return {color.red() / 255.0f, color.green() / 255.0f, color.blue() / 255.0f, color.alpha() / 255.0f};
}

D3DCOLORVALUE colorValue(const CColorf& color) { return {color.r, color.g, color.b, color.a}; }

// The vertex Direct3D reads for types 2 to 4: position, normal, colour,
// coordinates, in that order.
struct D3DNormalVertex {
    float x, y, z, nx, ny, nz;
    DWORD color;
    float u, v;
};

} // namespace

CD3D8Driver::CD3D8Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, CClock* clock)
    : CNullGraphicsDriver(params, fileSystem, clock), m_stencilBuffer(params.stencil),
      m_maxLightRange(std::sqrt(FLT_MAX)) {
    for (TextureLayer& layer : m_lastMaterial.layers)
        layer.wrap = 5;
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float sphere[16] = {0.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1};
    std::memcpy(&m_identity, identity, sizeof m_identity);
    std::memcpy(&m_sphereMap, sphere, sizeof m_sphereMap);
}

CD3D8Driver::~CD3D8Driver() {
    for (CD3D8DriverTexture* texture : m_textures)
        texture->forgetDriver();
    m_textures.clear();
    for (uint32_t i = 0; i < m_materialRenderers.size(); ++i) {
        if (m_materialRenderers[i].renderer)
            m_materialRenderers[i].renderer->release();
        m_materialRenderers[i].renderer = nullptr;
    }
    m_materialRenderers.clear();
    for (uint32_t i = 0; i < Material::MaxLayers; ++i) {
        m_currentTextures[i].reset();
        m_lastTextures[i].reset();
    }
    if (m_previousRenderTarget)
        m_previousRenderTarget->Release();
    if (m_device)
        m_device->Release();
    if (m_d3d)
        m_d3d->Release();
}

void CD3D8Driver::trackTexture(CD3D8DriverTexture* texture) { m_textures.push_back(texture); }

void CD3D8Driver::untrackTexture(CD3D8DriverTexture* texture) {
    std::erase(m_textures, texture);
    for (IDriverTexture*& bound : m_currentTexture)
        if (bound == texture)
            bound = nullptr;
}

DWORD CD3D8Driver::vertexFormat(VertexType type) {
    switch (type) {
    case VertexType::Batch:
        return D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    case VertexType::TwoCoords:
        return D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
    case VertexType::Normal:
        return D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    case VertexType::NormalTwoCoords:
        return D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2;
    case VertexType::Tangents:
        return D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE2(0) |
               D3DFVF_TEXCOORDSIZE3(1) | D3DFVF_TEXCOORDSIZE3(2);
    }
    return 0;
}

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
    if (SUCCEEDED(m_d3d->GetAdapterIdentifier(0, D3DENUM_NO_WHQL_LEVEL, &identifier))) {
        char line[1200];
        const LARGE_INTEGER version = identifier.DriverVersion;
        std::snprintf(line, sizeof line, "%s %s %d.%d.%d.%d", identifier.Description, identifier.Driver,
                      int(HIWORD(version.HighPart)), int(LOWORD(version.HighPart)), int(HIWORD(version.LowPart)),
                      int(LOWORD(version.LowPart)));
        logLine(line, CLog::Info);
    }

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

    const auto accepts = [&](D3DFORMAT format) {
        return SUCCEEDED(m_d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, present.BackBufferFormat, D3DUSAGE_DEPTHSTENCIL,
                                                  D3DRTYPE_SURFACE, format));
    };
    if (m_stencilBuffer) {
        if (accepts(D3DFMT_D24S8)) {
            present.AutoDepthStencilFormat = D3DFMT_D24S8;
            if (FAILED(m_d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, present.BackBufferFormat,
                                                     present.BackBufferFormat, D3DFMT_D24S8))) {
                logLine("Depth-stencil format is not compatible with display format, disabling stencil buffer.",
                        CLog::Warning);
                m_stencilBuffer = false;
            }
        } else if (accepts(D3DFMT_D24X4S4)) {
            present.AutoDepthStencilFormat = D3DFMT_D24X4S4;
        } else if (accepts(D3DFMT_D15S1)) {
            present.AutoDepthStencilFormat = D3DFMT_D15S1;
        } else {
            logLine("Device does not support stencilbuffer, disabling stencil buffer.", CLog::Warning);
            m_stencilBuffer = false;
        }
    }
    if (!m_stencilBuffer) {
        if (accepts(D3DFMT_D32)) {
            present.AutoDepthStencilFormat = D3DFMT_D32;
        } else if (accepts(D3DFMT_D24X8)) {
            present.AutoDepthStencilFormat = D3DFMT_D24X8;
        } else if (accepts(D3DFMT_D16)) {
            present.AutoDepthStencilFormat = D3DFMT_D16;
        } else {
            logLine("Device does not support required depth buffer.", CLog::Warning);
            return false;
        }
    }

    const DWORD fpu = params.keepFloatPrecision ? D3DCREATE_FPU_PRESERVE : 0;
    const DWORD processing[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING};
    for (DWORD flags : processing) {
        if (SUCCEEDED(m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, flags | fpu, &present, &m_device)))
            break;
        m_device = nullptr;
    }
    if (!m_device) {
        logLine("Was not able to create Direct3D8 device.", CLog::Error);
        logLine("Was not able to create Direct3D8 device.", CLog::Error);
        return false;
    }

    (void)m_device->GetDeviceCaps(&m_caps);
    if (m_stencilBuffer &&
        (!(m_caps.StencilCaps & D3DSTENCILCAPS_DECRSAT) || !(m_caps.StencilCaps & D3DSTENCILCAPS_INCRSAT) ||
         !(m_caps.StencilCaps & D3DSTENCILCAPS_KEEP))) {
        logLine("Device not able to use stencil buffer, disabling stencil buffer.", CLog::Warning);
        m_stencilBuffer = false;
    }
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

bool CD3D8Driver::beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                             const CRectI* sourceRect) {
    (void)CNullGraphicsDriver::beginFrame(clearBackBuffer, clearDepth, clearColor, presentWindow, sourceRect);
    m_presentWindow = static_cast<HWND>(presentWindow);
    m_hasPresentSourceRect = sourceRect != nullptr;
    if (sourceRect)
        m_presentSourceRect = RECT{sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
    if (!m_device)
        return false;
    if (m_deviceLost) {
        HRESULT state = m_device->TestCooperativeLevel();
        if (state == D3DERR_DEVICELOST) {
            Sleep(100);
            state = m_device->TestCooperativeLevel();
            if (state == D3DERR_DEVICELOST)
                return false;
        }
        if (state == D3DERR_DEVICENOTRESET && !resetDevice())
            return false;
    }
    DWORD flags = 0;
    if (clearBackBuffer)
        flags |= D3DCLEAR_TARGET;
    if (clearDepth)
        flags |= D3DCLEAR_ZBUFFER;
    if (m_stencilBuffer)
        flags |= D3DCLEAR_STENCIL;
    if (flags && FAILED(m_device->Clear(0, nullptr, flags, clearColor.value, 1.0f, 0)))
        logLine("Direct3D8 clear failed.", CLog::Warning);
    if (FAILED(m_device->BeginScene())) {
        logLine("Direct3D8 begin scene failed.", CLog::Warning);
        return false;
    }
    m_inScene = true;
    return true;
}

bool CD3D8Driver::endFrame() {
    (void)CNullGraphicsDriver::endFrame();
    if (!m_device)
        return false;
    m_inScene = false;
    if (FAILED(m_device->EndScene())) {
        logLine("DIRECT3D8 end scene failed.", CLog::Warning);
        return false;
    }
    if (m_windowedVsync && (m_caps.Caps & D3DCAPS_READ_SCANLINE)) {
        D3DRASTER_STATUS status{};
        while (SUCCEEDED(m_device->GetRasterStatus(&status)) && !status.InVBlank)
            Sleep(0);
    }
    const HRESULT result =
        m_device->Present(m_hasPresentSourceRect ? &m_presentSourceRect : nullptr, nullptr, m_presentWindow, nullptr);
    if (SUCCEEDED(result))
        return true;
    if (result == D3DERR_DEVICELOST) {
        m_deviceLost = true;
        logLine("DIRECT3D8 device lost.", CLog::Warning);
    } else {
        logLine("DIRECT3D8 present failed.", CLog::Warning);
    }
    return false;
}

bool CD3D8Driver::resetDevice() {
    logLine("Resetting D3D8 device.", CLog::Info);
    // Nothing of the device's own pool may be held across the reset: the
    // bound textures, the saved back buffer and the render targets go first
    // (drawing is back on the back buffer afterwards).
    for (DWORD stage = 0; stage < Material::MaxLayers; ++stage)
        (void)m_device->SetTexture(stage, nullptr);
    for (IDriverTexture*& texture : m_currentTexture)
        texture = nullptr;
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
    for (CD3D8DriverTexture* texture : m_textures)
        texture->releaseBeforeReset();
    const HRESULT result = m_device->Reset(&m_presentParams);
    for (CD3D8DriverTexture* texture : m_textures)
        texture->restoreAfterReset();
    if (FAILED(result)) {
        if (result == D3DERR_DEVICELOST) {
            m_deviceLost = true;
            logLine("Resetting failed due to device lost.", CLog::Warning);
        } else {
            logLine("Resetting failed.", CLog::Warning);
        }
        return false;
    }
    m_deviceLost = false;
    m_resetAllRenderStates = true;
    for (IDriverTexture*& texture : m_currentTexture)
        texture = nullptr;
    m_currentVertexType = 0;
    if (FAILED(m_device->SetVertexShader(vertexFormat(VertexType::Batch))))
        logLine("Could not set vertex Shader.", CLog::Error);
    m_renderMode = ModeNone;
    (void)apply3DStates();
    setFogParameters(m_fogColor, m_fogLinear, m_fogStart, m_fogEnd, m_fogDensity, m_pixelFog, m_rangeFog);
    setAmbientColor(m_ambientColor);
    return true;
}

void CD3D8Driver::onWindowResized(const CSizeI& size) {
    if (!m_device)
        return;
    CNullGraphicsDriver::onWindowResized(size);
    m_presentParams.BackBufferWidth = UINT(std::max(size.width, 1));
    m_presentParams.BackBufferHeight = UINT(std::max(size.height, 1));
    // A device resets only outside a scene.
    if (m_inScene) {
        (void)m_device->EndScene();
        m_inScene = false;
    }
    (void)resetDevice();
}

// --- Features and flags ----------------------------------------------------

bool CD3D8Driver::hasFeature(DriverFeature feature) const {
    const auto id = static_cast<uint32_t>(feature);
    if (id >= DriverFeatureCount || !m_featureSwitches[id])
        return false;
    const DWORD vertexShader = m_caps.VertexShaderVersion & 0xFFFF;
    const DWORD pixelShader = m_caps.PixelShaderVersion & 0xFFFF;
    switch (feature) {
    case DriverFeature::RenderToTexture:
    case DriverFeature::MultiTexture:
    case DriverFeature::BilinearFilter:
        return true;
    case DriverFeature::HardwareTransformAndLight:
        return (m_caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
    case DriverFeature::MipMap:
        return (m_caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0;
    case DriverFeature::StencilBuffer:
        return m_stencilBuffer && m_caps.StencilCaps != 0;
    case DriverFeature::VertexShader11:
        return vertexShader >= 0x0101;
    case DriverFeature::VertexShader20:
        return vertexShader >= 0x0200;
    case DriverFeature::VertexShader30:
        return vertexShader >= 0x0300;
    case DriverFeature::PixelShader11:
        return pixelShader >= 0x0101;
    case DriverFeature::PixelShader12:
        return pixelShader >= 0x0102;
    case DriverFeature::PixelShader13:
        return pixelShader >= 0x0103;
    case DriverFeature::PixelShader14:
        return pixelShader >= 0x0104;
    case DriverFeature::PixelShader20:
        return pixelShader >= 0x0200;
    case DriverFeature::PixelShader30:
        return pixelShader >= 0x0300;
    case DriverFeature::NonSquareTexture:
        return !(m_caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
    case DriverFeature::NonPowerOfTwoTexture:
        return !(m_caps.TextureCaps & D3DPTEXTURECAPS_POW2);
    case DriverFeature::ColorMask:
        return (m_caps.PrimitiveMiscCaps & D3DPMISCCAPS_COLORWRITEENABLE) != 0;
    default:
        return false;
    }
}

void CD3D8Driver::setTextureFlag(uint32_t flag, bool on) {
    if (flag == TextureFlag::CreateMipMaps && on && !hasFeature(DriverFeature::MipMap))
        on = false;
    CNullGraphicsDriver::setTextureFlag(flag, on);
}

// --- Render modes and materials ---------------------------------------------

void CD3D8Driver::applyMaterial(const Material& material) {
    m_currentMaterial = material;
    for (uint32_t i = 0; i < Material::MaxLayers; ++i) {
        CImageTexture* content = i < material.usedLayers() ? material.layers[i].texture : nullptr;
        if (m_currentTextures[i].get() != content)
            m_currentTextures[i] = CRefHandle<CImageTexture>::share(content);
        if (i < material.usedLayers())
            (void)setTexture(i, content ? content->getTexture() : nullptr);
    }
}

bool CD3D8Driver::setTexture(uint32_t stage, IDriverTexture* texture) {
    if (!m_device || stage >= Material::MaxLayers)
        return false;
    if (m_currentTexture[stage] == texture)
        return true;
    if (texture && texture->driverType() != VideoDriverType::Direct3D8) {
        (void)m_device->SetTexture(stage, nullptr);
        m_currentTexture[stage] = nullptr;
        logLine("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
        return false;
    }
    m_currentTexture[stage] = texture;
    if (!texture) {
        (void)m_device->SetTexture(stage, nullptr);
        (void)m_device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        return true;
    }
    (void)m_device->SetTexture(stage, static_cast<CD3D8DriverTexture*>(texture)->d3dTexture());
    return true;
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
        const D3DMATRIX view = toD3D(m_matrices[0]), world = toD3D(m_matrices[1]), projection = toD3D(m_matrices[2]);
        (void)m_device->SetTransform(D3DTS_VIEW, &view);
        (void)m_device->SetTransform(D3DTS_WORLD, &world);
        (void)m_device->SetTransform(D3DTS_PROJECTION, &projection);
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
        const CSizeI& target = renderTargetSize();
        const float w = float(std::max(target.width, 1)), h = float(std::max(target.height, 1));
        D3DMATRIX projection{};
        projection._11 = 2.0f / w;
        projection._22 = -2.0f / h;
        projection._33 = 1.0f / 20000.0f;
        projection._41 = -1.0f - 1.0f / w;
        projection._42 = 1.0f + 1.0f / h;
        projection._44 = 1.0f;
        (void)m_device->SetTransform(D3DTS_VIEW, &m_identity);
        (void)m_device->SetTransform(D3DTS_PROJECTION, &projection);
        if (m_imageTransforms) {
            const D3DMATRIX world = toD3D(m_matrices[1]);
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
    const D3DMATRIX value = toD3D(matrix);
    switch (kind) {
    case MatrixKind::View:
        (void)m_device->SetTransform(D3DTS_VIEW, &value);
        break;
    case MatrixKind::World:
        (void)m_device->SetTransform(D3DTS_WORLD, &value);
        break;
    case MatrixKind::Projection:
        (void)m_device->SetTransform(D3DTS_PROJECTION, &value);
        break;
    default: {
        const DWORD stage = index - 3;
        (void)m_device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        (void)m_device->SetTransform(D3DTRANSFORMSTATETYPE(D3DTS_TEXTURE0 + stage),
                                     matrix.isIdentity() ? &m_identity : &value);
        break;
    }
    }
}

void CD3D8Driver::applyBaseStates(const Material& m, const Material& last, bool reset) {
    if (!m_device)
        return;
    IDirect3DDevice8* device = m_device;
    const auto state = [device](D3DRENDERSTATETYPE type, DWORD value) { (void)device->SetRenderState(type, value); };
    if (reset || m.ambient.value != last.ambient.value || m.diffuse.value != last.diffuse.value ||
        m.emissive.value != last.emissive.value || m.specular.value != last.specular.value ||
        m.shininess != last.shininess) {
        D3DMATERIAL8 material{};
        material.Diffuse = colorValue(m.diffuse);
        material.Ambient = colorValue(m.ambient);
        material.Specular = colorValue(m.specular);
        material.Emissive = colorValue(m.emissive);
        material.Power = m.shininess;
        (void)device->SetMaterial(&material);
    }
    if (m.colorMaterial != last.colorMaterial) {
        const uint8_t mode = m.colorMaterial;
        state(D3DRS_COLORVERTEX, mode != Material::ColorMaterialNone);
        state(D3DRS_DIFFUSEMATERIALSOURCE,
              mode == Material::ColorMaterialDiffuse || mode == Material::ColorMaterialAmbientDiffuse
                  ? D3DMCS_COLOR1
                  : D3DMCS_MATERIAL);
        state(D3DRS_AMBIENTMATERIALSOURCE,
              mode == Material::ColorMaterialAmbient || mode == Material::ColorMaterialAmbientDiffuse
                  ? D3DMCS_COLOR1
                  : D3DMCS_MATERIAL);
        state(D3DRS_EMISSIVEMATERIALSOURCE, mode == Material::ColorMaterialEmissive ? D3DMCS_COLOR1 : D3DMCS_MATERIAL);
        state(D3DRS_SPECULARMATERIALSOURCE, mode == Material::ColorMaterialSpecular ? D3DMCS_COLOR1 : D3DMCS_MATERIAL);
    }
    if (reset || m.wireframe != last.wireframe || m.pointCloud != last.pointCloud)
        state(D3DRS_FILLMODE, m.wireframe ? D3DFILL_WIREFRAME : m.pointCloud ? D3DFILL_POINT : D3DFILL_SOLID);
    if (reset || m.gouraud != last.gouraud)
        state(D3DRS_SHADEMODE, m.gouraud ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    if (reset || m.lighting != last.lighting)
        state(D3DRS_LIGHTING, m.lighting);
    if ((reset || m.depthFunc != last.depthFunc) && m.depthFunc <= Material::DepthAlways) {
        static constexpr D3DCMPFUNC functions[] = {D3DCMP_LESSEQUAL,    D3DCMP_EQUAL,   D3DCMP_LESS,  D3DCMP_NOTEQUAL,
                                                   D3DCMP_GREATEREQUAL, D3DCMP_GREATER, D3DCMP_ALWAYS};
        if (m.depthFunc == Material::DepthOff) {
            state(D3DRS_ZENABLE, D3DZB_FALSE);
        } else {
            state(D3DRS_ZENABLE, D3DZB_TRUE);
            state(D3DRS_ZFUNC, functions[m.depthFunc - 1]);
        }
    }
    if (reset || m.depthWrite != last.depthWrite)
        state(D3DRS_ZWRITEENABLE, m.depthWrite);
    if (reset || m.cullFront != last.cullFront || m.cullBack != last.cullBack)
        state(D3DRS_CULLMODE, m.cullFront ? D3DCULL_CW : m.cullBack ? D3DCULL_CCW : D3DCULL_NONE);
    if (reset || m.fog != last.fog)
        state(D3DRS_FOGENABLE, m.fog);
    if (reset || m.normalizeNormals != last.normalizeNormals)
        state(D3DRS_NORMALIZENORMALS, m.normalizeNormals);
    if ((reset || m.colorMask != last.colorMask) && hasFeature(DriverFeature::ColorMask)) {
        DWORD mask = 0;
        if (m.colorMask & Material::WriteAlpha)
            mask |= D3DCOLORWRITEENABLE_ALPHA;
        if (m.colorMask & Material::WriteRed)
            mask |= D3DCOLORWRITEENABLE_RED;
        if (m.colorMask & Material::WriteGreen)
            mask |= D3DCOLORWRITEENABLE_GREEN;
        if (m.colorMask & Material::WriteBlue)
            mask |= D3DCOLORWRITEENABLE_BLUE;
        state(D3DRS_COLORWRITEENABLE, mask);
    }
    if (reset || m.thickness != last.thickness)
        state(D3DRS_POINTSIZE, floatBits(m.thickness));

    for (uint32_t i = 0; i < m.usedLayers(); ++i) {
        const TextureLayer& layer = m.layers[i];
        const TextureLayer& before = last.layers[i];
        const auto stage = [device, i](D3DTEXTURESTAGESTATETYPE type, DWORD value) {
            (void)device->SetTextureStageState(i, type, value);
        };
        if (reset || layer.lodBias != before.lodBias)
            stage(D3DTSS_MIPMAPLODBIAS, floatBits(layer.lodBias * 0.125f));
        if (reset || layer.wrap != before.wrap) {
            const DWORD address = layer.wrap == TextureLayer::WrapClamp || layer.wrap == TextureLayer::WrapClampToEdge
                                      ? D3DTADDRESS_CLAMP
                                  : layer.wrap == TextureLayer::WrapClampToBorder ? D3DTADDRESS_BORDER
                                  : layer.wrap == TextureLayer::WrapMirror        ? D3DTADDRESS_MIRROR
                                                                                  : D3DTADDRESS_WRAP;
            stage(D3DTSS_ADDRESSU, address);
            stage(D3DTSS_ADDRESSV, address);
        }
        if (reset || layer.bilinear != before.bilinear || layer.trilinear != before.trilinear ||
            layer.anisotropy != before.anisotropy) {
            if (layer.bilinear || layer.trilinear || layer.anisotropy) {
                const bool magAnisotropic =
                    (m_caps.TextureFilterCaps & D3DPTFILTERCAPS_MAGFANISOTROPIC) && layer.anisotropy;
                const bool minAnisotropic =
                    (m_caps.TextureFilterCaps & D3DPTFILTERCAPS_MINFANISOTROPIC) && layer.anisotropy;
                if (magAnisotropic || minAnisotropic)
                    stage(D3DTSS_MAXANISOTROPY, std::min<DWORD>(layer.anisotropy, m_caps.MaxAnisotropy));
                stage(D3DTSS_MAGFILTER, magAnisotropic ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR);
                stage(D3DTSS_MINFILTER, minAnisotropic ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR);
                stage(D3DTSS_MIPFILTER, layer.trilinear ? D3DTEXF_LINEAR : D3DTEXF_POINT);
            } else {
                stage(D3DTSS_MINFILTER, D3DTEXF_POINT);
                stage(D3DTSS_MIPFILTER, D3DTEXF_NONE);
                stage(D3DTSS_MAGFILTER, D3DTEXF_POINT);
            }
        }
    }
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

const CSizeI& CD3D8Driver::renderTargetSize() const {
    return m_currentRenderTargetSize.width || m_currentRenderTargetSize.height ? m_currentRenderTargetSize
                                                                               : m_screenSize;
}

bool CD3D8Driver::setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth, CColor clearColor) {
    if (!m_device)
        return false;
    bool result = true;
    if (texture) {
        if (texture->driverType() != VideoDriverType::Direct3D8) {
            logLine("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
            return false;
        }
        if (!texture->isRenderTarget()) {
            logLine("Fatal Error: Tried to set a non render target texture as render target.", CLog::Error);
            return false;
        }
        if (texture->size().width > m_screenSize.width || texture->size().height > m_screenSize.height) {
            logLine("Error: Tried to set a render target texture which is bigger than the screen.", CLog::Error);
            return false;
        }
        if (!m_previousRenderTarget && FAILED(m_device->GetRenderTarget(&m_previousRenderTarget))) {
            m_previousRenderTarget = nullptr;
            logLine("Could not get previous render target.", CLog::Error);
            return false;
        }
        IDirect3DSurface8* depth = nullptr;
        (void)m_device->GetDepthStencilSurface(&depth);
        IDirect3DSurface8* surface = static_cast<CD3D8DriverTexture*>(texture)->renderTargetSurface();
        if (!surface || FAILED(m_device->SetRenderTarget(surface, depth))) {
            logLine("Error: Could not set render target.", CLog::Error);
            result = false;
        }
        if (depth)
            depth->Release();
        m_currentRenderTargetSize = texture->size();
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

void CD3D8Driver::setViewportRect(const CRectI& rect) {
    CRectI clamped = rect;
    clamped.right = std::min(clamped.right, m_screenSize.width);
    clamped.bottom = std::min(clamped.bottom, m_screenSize.height);
    clamped.left = std::max(clamped.left, 0);
    clamped.top = std::max(clamped.top, 0);
    clamped.top = std::min(clamped.top, clamped.bottom);
    clamped.left = std::min(clamped.left, clamped.right);
    m_viewport = clamped;
    if (clamped.width() <= 0 || clamped.height() <= 0) {
        logLine("Failed setting the viewport.", CLog::Warning);
        return;
    }
    const D3DVIEWPORT8 viewport{
        DWORD(clamped.left), DWORD(clamped.top), DWORD(clamped.width()), DWORD(clamped.height()), 0.0f, 1.0f};
    if (!m_device || FAILED(m_device->SetViewport(&viewport)))
        logLine("Failed setting the viewport.", CLog::Warning);
}

// --- Drawing -----------------------------------------------------------------

void CD3D8Driver::selectVertexType(VertexType type) {
    const auto code = static_cast<int32_t>(type);
    if (code == m_currentVertexType)
        return;
    m_currentVertexType = code;
    const DWORD format = vertexFormat(type);
    if (format && FAILED(m_device->SetVertexShader(format)))
        logLine("Could not set vertex Shader.", CLog::Error);
}

void CD3D8Driver::drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices,
                                 uint32_t primitiveCount, VertexType vertexType, IndexType indexType,
                                 PrimitiveType primitiveType) {
    if (!checkPrimitiveCount(primitiveCount))
        return;
    CNullGraphicsDriver::drawPrimitives(vertices, vertexCount, indices, primitiveCount, vertexType, indexType,
                                        primitiveType);
    if (!m_device || !vertices || vertexCount == 0 || primitiveCount == 0)
        return;
    selectVertexType(vertexType);
    if (m_renderMode == Mode2D) {
        if (!apply2DStates())
            return;
    } else if (m_renderMode == Mode3D) {
        if (!apply3DStates())
            return;
    } else {
        return;
    }

    // Types 2 to 4 reach the device in its own order of fields.
    UINT stride = vertexStride(vertexType);
    if (stride == 0)
        stride = 24;
    const void* data = vertices;
    if (vertexType == VertexType::Normal || vertexType == VertexType::NormalTwoCoords ||
        vertexType == VertexType::Tangents) {
        m_scratch.resize(size_t(vertexCount) * stride);
        const auto* source = static_cast<const uint8_t*>(vertices);
        for (uint32_t i = 0; i < vertexCount; ++i) {
            NormalVertex in;
            std::memcpy(&in, source + size_t(i) * stride, sizeof in);
            const D3DNormalVertex out{in.x, in.y, in.z, in.nx, in.ny, in.nz, in.color.value, in.u, in.v};
            uint8_t* target = m_scratch.data() + size_t(i) * stride;
            std::memcpy(target, &out, sizeof out);
            // The rest (second coordinates, tangents) follows in the same order.
            std::memcpy(target + sizeof out, source + size_t(i) * stride + sizeof in, stride - sizeof in);
        }
        data = m_scratch.data();
    }

    const D3DFORMAT indexFormat = indexType == IndexType::Bits16 ? D3DFMT_INDEX16 : D3DFMT_INDEX32;
    const auto draw = [&](D3DPRIMITIVETYPE type, UINT count) {
        if (indices)
            (void)m_device->DrawIndexedPrimitiveUP(type, 0, vertexCount, count, indices, indexFormat, data, stride);
        else
            (void)m_device->DrawPrimitiveUP(type, count, data, stride);
    };
    // Scaled by distance only in 3D: a 2D point lies at distance 0, which
    // would scale it without bound.
    const bool scalePoints = m_renderMode == Mode3D;
    const auto drawPoints = [&] {
        (void)m_device->SetRenderState(D3DRS_POINTSCALEENABLE, scalePoints);
        (void)m_device->SetRenderState(D3DRS_POINTSIZE, floatBits(m_currentMaterial.thickness));
        (void)m_device->SetRenderState(D3DRS_POINTSCALE_C, floatBits(1.0f));
        (void)m_device->SetRenderState(D3DRS_POINTSIZE_MIN, floatBits(0.0f));
        (void)m_device->SetRenderState(D3DRS_POINTSCALE_A, floatBits(0.0f));
        (void)m_device->SetRenderState(D3DRS_POINTSCALE_B, floatBits(0.0f));
        if (indices) {
            (void)m_device->DrawIndexedPrimitiveUP(D3DPT_POINTLIST, 0, vertexCount, primitiveCount, indices,
                                                   indexFormat, data, stride);
        } else {
            (void)m_device->DrawPrimitiveUP(D3DPT_POINTLIST, primitiveCount, data, stride);
        }
        (void)m_device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    };
    switch (primitiveType) {
    case PrimitiveType::Points:
        drawPoints();
        break;
    case PrimitiveType::PointSprites:
        (void)m_device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
        drawPoints();
        (void)m_device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
        break;
    case PrimitiveType::LineStrip:
        draw(D3DPT_LINESTRIP, primitiveCount);
        break;
    case PrimitiveType::LineLoop: {
        if (primitiveCount > 1)
            draw(D3DPT_LINESTRIP, primitiveCount - 1);
        const uint16_t closing[2] = {uint16_t(primitiveCount - 1), 0};
        (void)m_device->DrawIndexedPrimitiveUP(D3DPT_LINELIST, 0, vertexCount, 1, closing, D3DFMT_INDEX16, data,
                                               stride);
        break;
    }
    case PrimitiveType::Lines:
        draw(D3DPT_LINELIST, primitiveCount);
        break;
    case PrimitiveType::TriangleStrip:
        draw(D3DPT_TRIANGLESTRIP, primitiveCount);
        break;
    case PrimitiveType::TriangleFan:
        draw(D3DPT_TRIANGLEFAN, primitiveCount);
        break;
    case PrimitiveType::Triangles:
        draw(D3DPT_TRIANGLELIST, primitiveCount);
        break;
    default:
        break;
    }
}

void CD3D8Driver::prepare2DPrimitive() {
    if (m_currentTexture[0])
        (void)setTexture(0, nullptr);
    selectVertexType(VertexType::Batch);
}

void CD3D8Driver::fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft,
                                   CColor bottomRight, const CRectI* clip) {
    CRectI r = rect;
    if (clip) {
        r.right = std::min(r.right, clip->right);
        r.bottom = std::min(r.bottom, clip->bottom);
        r.left = std::max(r.left, clip->left);
        r.top = std::max(r.top, clip->top);
        r.top = std::min(r.top, r.bottom);
        r.left = std::min(r.left, r.right);
    } else if (r.right < r.left || r.bottom < r.top) {
        return;
    }
    if (!m_device)
        return;
    prepare2DPrimitive();
    BatchVertex vertices[4];
    const float x0 = float(r.left), y0 = float(r.top), x1 = float(r.right), y1 = float(r.bottom);
    vertices[0] = BatchVertex{x0, y0, 0.0f, topLeft, 0.0f, 0.0f};
    vertices[1] = BatchVertex{x1, y0, 0.0f, topRight, 0.0f, 0.0f};
    vertices[2] = BatchVertex{x1, y1, 0.0f, bottomRight, 0.0f, 0.0f};
    vertices[3] = BatchVertex{x0, y1, 0.0f, bottomLeft, 0.0f, 0.0f};
    static constexpr uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    if (m_renderMode != Mode2D)
        (void)apply2DStates();
    drawPrimitives(vertices, 4, indices, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::Triangles);
}

void CD3D8Driver::drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) {
    if (!m_device)
        return;
    prepare2DPrimitive();
    // The pixel projection puts pixel corners on whole coordinates (as quads
    // need); lines and points go through the pixel centres instead, so they
    // light the pixels they name.
    const BatchVertex vertices[2] = {BatchVertex{start.x + 0.5f, start.y + 0.5f, 0.0f, color, 0.0f, 0.0f},
                                     BatchVertex{end.x + 0.5f, end.y + 0.5f, 0.0f, color, 0.0f, 0.0f}};
    if (m_renderMode != Mode2D)
        (void)apply2DStates();
    drawPrimitives(vertices, 2, nullptr, 1, VertexType::Batch, IndexType::Bits16, PrimitiveType::Lines);
}

void CD3D8Driver::plotPixel(uint32_t x, uint32_t y, CColor color) {
    const CSizeI& target = renderTargetSize();
    if (!m_device || x > uint32_t(std::max(target.width, 0)) || y > uint32_t(std::max(target.height, 0)))
        return;
    prepare2DPrimitive();
    const BatchVertex vertex{float(x) + 0.5f, float(y) + 0.5f, 0.0f, color, 0.0f, 0.0f};
    if (m_renderMode != Mode2D)
        (void)apply2DStates();
    drawPrimitives(&vertex, 1, nullptr, 1, VertexType::Batch, IndexType::Bits16, PrimitiveType::Points);
}

void CD3D8Driver::setImageMode() {
    if (m_renderMode == Mode2D && !m_transformChanged && m_imageTransforms)
        return;
    (void)m_device->SetTransform(D3DTS_VIEW, &m_identity);
    (void)m_device->SetTransform(D3DTS_WORLD, &m_identity);
    (void)m_device->SetTransform(D3DTS_PROJECTION, &m_identity);
    (void)m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    (void)m_device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    (void)m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    (void)m_device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    for (DWORD stage = 1; stage < 4; ++stage)
        (void)m_device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    (void)m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    (void)m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    for (DWORD stage = 0; stage < 4; ++stage) {
        (void)m_device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        (void)m_device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    (void)m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    (void)m_device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    (void)m_device->SetTransform(D3DTS_TEXTURE0, &m_identity);
    m_transformChanged = false;
    if (m_renderMode == Mode3D)
        if (IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_lastMaterial.materialType)))
            renderer->unsetMaterial();
    m_renderMode = Mode2D;
    m_imageTransforms = true;
    // The states set here are not the material's: the next draw with a
    // material sends all of them again.
    m_resetAllRenderStates = true;
}

void CD3D8Driver::setImageStates(bool texture, bool alphaChannel, bool alpha) {
    IDirect3DDevice8* device = m_device;
    const auto stage = [device](D3DTEXTURESTAGESTATETYPE type, DWORD value) {
        (void)device->SetTextureStageState(0, type, value);
    };
    bool blending = true;
    if (texture && alphaChannel) {
        stage(D3DTSS_COLOROP, D3DTOP_MODULATE);
        stage(D3DTSS_COLORARG1, D3DTA_TEXTURE);
        stage(D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        stage(D3DTSS_ALPHAOP, alpha ? D3DTOP_MODULATE : D3DTOP_SELECTARG1);
        stage(D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        stage(D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    } else if (texture && alpha) {
        stage(D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        stage(D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        stage(D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    } else if (!texture && alpha) {
        stage(D3DTSS_COLOROP, D3DTOP_MODULATE);
        stage(D3DTSS_COLORARG1, D3DTA_TEXTURE);
        stage(D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        stage(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        stage(D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    } else {
        stage(D3DTSS_COLOROP, D3DTOP_MODULATE);
        stage(D3DTSS_COLORARG1, D3DTA_TEXTURE);
        stage(D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        stage(D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        blending = false;
    }
    if (texture) {
        stage(D3DTSS_MINFILTER, D3DTEXF_POINT);
        stage(D3DTSS_MIPFILTER, D3DTEXF_NONE);
        stage(D3DTSS_MAGFILTER, D3DTEXF_POINT);
    }
    if (blending) {
        (void)device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        (void)device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        (void)device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    } else {
        (void)device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }
}

void CD3D8Driver::drawClipSpaceQuad(IDriverTexture* texture, float x0, float y0, float x1, float y1, float u0, float v0,
                                    float u1, float v1, const CColor* corners, bool useAlphaChannel) {
    // Corner colours come top left, bottom left, bottom right, top right.
    const DWORD white = 0xFFFFFFFF;
    const DWORD colors[4] = {corners ? corners[0].value : white, corners ? corners[3].value : white,
                             corners ? corners[2].value : white, corners ? corners[1].value : white};
    bool alpha = false;
    for (DWORD color : colors)
        alpha = alpha || (color >> 24) < 255;
    setImageMode();
    setImageStates(texture != nullptr, useAlphaChannel, alpha);
    selectVertexType(VertexType::Normal);
    const D3DNormalVertex vertices[4] = {
        {x0, y0, 0.0f, 0.0f, 0.0f, 0.0f, colors[0], u0, v0},
        {x1, y0, 0.0f, 0.0f, 0.0f, 0.0f, colors[1], u1, v0},
        {x1, y1, 0.0f, 0.0f, 0.0f, 0.0f, colors[2], u1, v1},
        {x0, y1, 0.0f, 0.0f, 0.0f, 0.0f, colors[3], u0, v1},
    };
    static constexpr uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    (void)m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                           sizeof(D3DNormalVertex));
}

// Direct3D 8 has no scissor test: the clip rectangle is not applied.
void CD3D8Driver::drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source,
                                  const CRectI*, const CColor* colors, bool useAlphaChannel) {
    if (!texture || !m_device || !setTexture(0, texture))
        return;
    const CSizeI& target = renderTargetSize();
    const float w = float(std::max(target.width, 1)), h = float(std::max(target.height, 1));
    // Coordinates over the hardware texture, which may be padded beyond the
    // image.
    const CSizeI& size = texture->size();
    const float tw = float(std::max(size.width, 1)), th = float(std::max(size.height, 1));
    drawClipSpaceQuad(texture, destination.left * 2.0f / w - 1.0f, 1.0f - destination.top * 2.0f / h,
                      destination.right * 2.0f / w - 1.0f, 1.0f - destination.bottom * 2.0f / h, source.left / tw,
                      source.top / th, source.right / tw, source.bottom / th, colors, useAlphaChannel);
}

void CD3D8Driver::drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source,
                                const CRectI* clip, CColor color, bool useAlphaChannel) {
    if (!texture || !m_device || source.right < source.left || source.bottom < source.top)
        return;
    if (!setTexture(0, texture))
        return;
    const CSizeI& target = renderTargetSize();
    CRectI destination, part;
    if (!clipImagePart(position, source, clip, target, destination, part))
        return;
    const CSizeI& size = texture->size();
    const float tw = float(std::max(size.width, 1)), th = float(std::max(size.height, 1));
    const float u0 = (part.left + 0.5f) / tw, v0 = (part.top + 0.5f) / th;
    const float u1 = u0 + part.width() / tw, v1 = v0 + part.height() / th;
    const int32_t halfW = target.width / 2, halfH = target.height / 2;
    const float sx = 2.0f / float(std::max(target.width, 1)), sy = 2.0f / float(std::max(target.height, 1));
    const CColor corners[4] = {color, color, color, color};
    drawClipSpaceQuad(texture, (destination.left - halfW) * sx, (halfH - destination.top) * sy,
                      (destination.right - halfW) * sx, (halfH - destination.bottom) * sy, u0, v0, u1, v1, corners,
                      useAlphaChannel);
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

bool CD3D8Driver::defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) {
    if (!m_device || index >= m_maxUserClipPlanes)
        return false;
    if (enable) {
        // Into world space: a point of the plane by the world matrix, the
        // normal by its inverse transposed.
        const CMat4& world = m_matrices[1];
        const float nx = plane[0], ny = plane[1], nz = plane[2], d = plane[3];
        const float lengthSquared = nx * nx + ny * ny + nz * nz;
        CVector3d point;
        if (lengthSquared > 0.0f)
            point = CVector3d(-d * nx / lengthSquared, -d * ny / lengthSquared, -d * nz / lengthSquared);
        world.transformPoint(point);
        CMat4 inverse;
        float normal[3] = {0.0f, 0.0f, 0.0f};
        if (world.computeInverse(inverse)) {
            // Row vectors: n' = n * (M^-1)^T, so n'_j = sum_k n_k * inverse[j][k].
            for (int j = 0; j < 3; ++j)
                normal[j] = nx * inverse[j * 4 + 0] + ny * inverse[j * 4 + 1] + nz * inverse[j * 4 + 2];
        }
        const float distance = -(normal[0] * point.x + normal[1] * point.y + normal[2] * point.z);
        const float transformed[4] = {normal[0], normal[1], normal[2], distance};
        (void)m_device->SetClipPlane(index, transformed);
    }
    toggleClipPlane(index, enable);
    return true;
}

void CD3D8Driver::toggleClipPlane(uint32_t index, bool on) {
    if (!m_device || index >= m_maxUserClipPlanes)
        return;
    DWORD planes = 0;
    (void)m_device->GetRenderState(D3DRS_CLIPPLANEENABLE, &planes);
    if (on)
        planes |= 1u << index;
    else
        planes &= ~(1u << index);
    (void)m_device->SetRenderState(D3DRS_CLIPPLANEENABLE, planes);
}

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

void CD3D8Driver::clearZBuffer() {
    if (m_device && FAILED(m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0)))
        logLine("CD3D8Driver clearZBuffer() failed.", CLog::Warning);
}

void CD3D8Driver::setAmbientColor(const CColorf& color) {
    m_ambientColor = color;
    if (m_device)
        (void)m_device->SetRenderState(D3DRS_AMBIENT, color.toColor().value);
}

void CD3D8Driver::setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                                   bool rangeFog) {
    CNullGraphicsDriver::setFogParameters(color, linear, start, end, density, pixelFog, rangeFog);
    if (!m_device)
        return;
    (void)m_device->SetRenderState(D3DRS_FOGCOLOR, color.value);
    (void)m_device->SetRenderState(pixelFog ? D3DRS_FOGTABLEMODE : D3DRS_FOGVERTEXMODE,
                                   linear ? D3DFOG_LINEAR : D3DFOG_EXP);
    if (linear) {
        (void)m_device->SetRenderState(D3DRS_FOGSTART, floatBits(start));
        (void)m_device->SetRenderState(D3DRS_FOGEND, floatBits(end));
    } else {
        (void)m_device->SetRenderState(D3DRS_FOGDENSITY, floatBits(density));
    }
    if (!pixelFog)
        (void)m_device->SetRenderState(D3DRS_RANGEFOGENABLE, rangeFog);
}

void CD3D8Driver::sendLight(int32_t index, const CLight& light) {
    D3DLIGHT8 d3dLight{};
    d3dLight.Type = light.type == CLight::Spot          ? D3DLIGHT_SPOT
                    : light.type == CLight::Directional ? D3DLIGHT_DIRECTIONAL
                                                        : D3DLIGHT_POINT;
    d3dLight.Diffuse = colorValue(light.diffuse);
    d3dLight.Specular = colorValue(light.specular);
    d3dLight.Ambient = colorValue(light.ambient);
    d3dLight.Position = D3DVECTOR{light.position.x, light.position.y, light.position.z};
    d3dLight.Direction = D3DVECTOR{light.direction.x, light.direction.y, light.direction.z};
    d3dLight.Range = m_maxLightRange;
    d3dLight.Falloff = light.falloff;
    d3dLight.Attenuation0 = light.constantAttenuation;
    d3dLight.Attenuation1 = light.linearAttenuation;
    d3dLight.Attenuation2 = light.quadraticAttenuation;
    constexpr float degrees = 3.14159265f / 180.0f;
    d3dLight.Theta = light.cutoff * 2.0f * degrees;
    d3dLight.Phi = light.cutoff * 2.0f * degrees;
    (void)m_device->SetLight(DWORD(index), &d3dLight);
}

int32_t CD3D8Driver::addLight(const CLight& light) {
    (void)CNullGraphicsDriver::addLight(light);
    if (!m_device)
        return -1;
    ++m_lastLightIndex;
    sendLight(m_lastLightIndex, light);
    (void)m_device->LightEnable(DWORD(m_lastLightIndex), TRUE);
    return m_lastLightIndex;
}

void CD3D8Driver::clearLights() {
    if (m_device)
        for (int32_t i = 0; i <= m_lastLightIndex; ++i)
            (void)m_device->LightEnable(DWORD(i), FALSE);
    m_lastLightIndex = -1;
    CNullGraphicsDriver::clearLights();
}

void CD3D8Driver::switchLight(int32_t index, bool on) {
    if (m_device && index >= 0 && index <= m_lastLightIndex)
        (void)m_device->LightEnable(DWORD(index), on);
}

void CD3D8Driver::draw3DLine(const CVector3d& start, const CVector3d& end, CColor color) {
    if (!m_device)
        return;
    NormalVertex vertices[2];
    vertices[0].x = start.x;
    vertices[0].y = start.y;
    vertices[0].z = start.z;
    vertices[0].color = color;
    vertices[1].x = end.x;
    vertices[1].y = end.y;
    vertices[1].z = end.z;
    vertices[1].color = color;
    if (m_renderMode != Mode3D)
        (void)apply3DStates();
    drawPrimitives(vertices, 2, nullptr, 1, VertexType::Normal, IndexType::Bits16, PrimitiveType::Lines);
}

// Stencil shadows need the stencil buffer; without one both do nothing.
void CD3D8Driver::drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) {
    if (!m_device || !m_stencilBuffer || !positions || count < 3)
        return;
    const int32_t mode = depthFail ? ModeShadowZFail : ModeShadowZPass;
    if (m_renderMode != mode || m_transformChanged) {
        const D3DMATRIX view = toD3D(m_matrices[0]), world = toD3D(m_matrices[1]), projection = toD3D(m_matrices[2]);
        (void)m_device->SetTransform(D3DTS_VIEW, &view);
        (void)m_device->SetTransform(D3DTS_WORLD, &world);
        (void)m_device->SetTransform(D3DTS_PROJECTION, &projection);
        m_transformChanged = false;
        for (DWORD stage = 0; stage < 4; ++stage) {
            (void)setTexture(stage, nullptr);
            (void)m_device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
            (void)m_device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        }
        (void)m_device->SetVertexShader(D3DFVF_XYZ);
        m_currentVertexType = -1;
        (void)m_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        (void)m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        (void)m_device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        if (m_renderMode == Mode3D)
            if (IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_lastMaterial.materialType)))
                renderer->unsetMaterial();
        m_renderMode = mode;
        m_resetAllRenderStates = true;
        (void)m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
        (void)m_device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        (void)m_device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
        if (depthFail)
            (void)m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
        (void)m_device->SetRenderState(D3DRS_STENCILREF, 0);
        (void)m_device->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
        (void)m_device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
        (void)m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        (void)m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        (void)m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    }
    const UINT triangles = count / 3;
    const UINT stride = sizeof(CVector3d);
    if (depthFail) {
        (void)m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        (void)m_device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_INCRSAT);
        (void)m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, positions, stride);
        (void)m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        (void)m_device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_DECRSAT);
        (void)m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, positions, stride);
    } else {
        (void)m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        (void)m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCRSAT);
        (void)m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, positions, stride);
        (void)m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        (void)m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_DECRSAT);
        (void)m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, positions, stride);
    }
}

void CD3D8Driver::drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                                    CColor bottomRight) {
    if (!m_device || !m_stencilBuffer)
        return;
    const bool alpha =
        topLeft.alpha() < 255 || topRight.alpha() < 255 || bottomLeft.alpha() < 255 || bottomRight.alpha() < 255;
    if (m_renderMode != ModeStencilFill) {
        (void)m_device->SetTransform(D3DTS_VIEW, &m_identity);
        (void)m_device->SetTransform(D3DTS_WORLD, &m_identity);
        (void)m_device->SetTransform(D3DTS_PROJECTION, &m_identity);
        (void)m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        (void)m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
        (void)m_device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        for (DWORD stage = 1; stage < 4; ++stage) {
            (void)m_device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
            (void)m_device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        }
        (void)m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        (void)m_device->SetRenderState(D3DRS_STENCILREF, 1);
        (void)m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_LESSEQUAL);
        (void)m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
        (void)m_device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        (void)m_device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
        m_renderMode = ModeStencilFill;
        m_transformChanged = true;
        m_resetAllRenderStates = true;
    }
    (void)m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    (void)m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    (void)m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    if (alpha) {
        (void)m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        (void)m_device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        (void)m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        (void)m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        (void)m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    } else {
        (void)m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        (void)m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }
    (void)setTexture(0, nullptr);
    selectVertexType(VertexType::Normal);
    const D3DNormalVertex vertices[4] = {
        {-1.0f, 1.0f, 0.9f, 0, 0, 0, topLeft.value, 0, 0},
        {1.0f, 1.0f, 0.9f, 0, 0, 0, topRight.value, 0, 0},
        {1.0f, -1.0f, 0.9f, 0, 0, 0, bottomRight.value, 0, 0},
        {-1.0f, -1.0f, 0.9f, 0, 0, 0, bottomLeft.value, 0, 0},
    };
    static constexpr uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    (void)m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                           sizeof(D3DNormalVertex));
    if (clearStencil)
        (void)m_device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
}

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
