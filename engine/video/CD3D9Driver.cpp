#include "engine/video/CD3D9Driver.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector2di.h"
#include "engine/core/CVector3d.h"
#include "engine/video/CD3D9DriverTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/D3D9MaterialRenderers.h"
#include "engine/video/D3D9ShaderRenderers.h"
#include "engine/video/Direct3D9Driver.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/MeshVertices.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

D3DCOLORVALUE colorValue(CColor c) {
    return {float(c.red()) / 255.0f, float(c.green()) / 255.0f, float(c.blue()) / 255.0f, float(c.alpha()) / 255.0f};
}

D3DCOLORVALUE colorValue(const CColorf& c) { return {c.r, c.g, c.b, c.a}; }

D3DMATRIX toD3D(const CMat4& m) {
    D3DMATRIX out;
    std::memcpy(&out, m.data(), sizeof out);
    return out;
}

DWORD floatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

constexpr DWORD FourCC(char a, char b, char c, char d) {
    return DWORD(uint8_t(a)) | DWORD(uint8_t(b)) << 8 | DWORD(uint8_t(c)) << 16 | DWORD(uint8_t(d)) << 24;
}

// The vertex layouts as Direct3D reads them: position, normal, colour, then
// the coordinate sets.
struct D3DNormalVertex {
    float x, y, z, nx, ny, nz;
    DWORD color;
    float u, v;
};
struct D3DNormalTwoCoordsVertex {
    float x, y, z, nx, ny, nz;
    DWORD color;
    float u, v, u2, v2;
};
struct D3DTangentVertex {
    float x, y, z, nx, ny, nz;
    DWORD color;
    float u, v, tx, ty, tz, bx, by, bz;
};
static_assert(sizeof(D3DNormalVertex) == 36 && sizeof(D3DNormalTwoCoordsVertex) == 44 &&
              sizeof(D3DTangentVertex) == 60);

constexpr DWORD FvfBatch = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD FvfTwoCoords = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
constexpr DWORD FvfNormal = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD FvfNormalTwoCoords = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2;
constexpr DWORD FvfTangents =
    D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE3(1) | D3DFVF_TEXCOORDSIZE3(2);

template <class From, class To> void reorder(const void* vertices, uint32_t count, std::vector<uint8_t>& scratch) {
    scratch.resize(size_t(count) * sizeof(To));
    const auto* from = static_cast<const From*>(vertices);
    auto* to = reinterpret_cast<To*>(scratch.data());
    for (uint32_t i = 0; i < count; ++i) {
        const From& f = from[i];
        To& t = to[i];
        t.x = f.x, t.y = f.y, t.z = f.z, t.nx = f.nx, t.ny = f.ny, t.nz = f.nz;
        t.color = f.color.value, t.u = f.u, t.v = f.v;
        if constexpr (std::is_same_v<To, D3DNormalTwoCoordsVertex>)
            t.u2 = f.u2, t.v2 = f.v2;
        if constexpr (std::is_same_v<To, D3DTangentVertex>)
            t.tx = f.tx, t.ty = f.ty, t.tz = f.tz, t.bx = f.bx, t.by = f.by, t.bz = f.bz;
    }
}

} // namespace

const D3DMATRIX& CD3D9Driver::identityMatrix() {
    static const D3DMATRIX identity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};
    return identity;
}

const D3DMATRIX& CD3D9Driver::sphereMapMatrix() {
    static const D3DMATRIX sphere = {{{0.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1}}};
    return sphere;
}

D3DFORMAT CD3D9Driver::d3dFormat(ColorFormat format) {
    switch (int(format)) {
    case 0:
        return D3DFMT_A1R5G5B5;
    case 1:
        return D3DFMT_A4R4G4B4;
    case 2:
        return D3DFMT_R5G6B5;
    case 3:
        return D3DFMT_R8G8B8;
    case 4:
        return D3DFMT_A8R8G8B8;
    case 5:
        return D3DFMT_R16F;
    case 6:
        return D3DFMT_G16R16F;
    case 7:
        return D3DFMT_A16B16G16R16F;
    case 8:
        return D3DFMT_R32F;
    case 9:
        return D3DFMT_G32R32F;
    case 10:
        return D3DFMT_A32B32G32R32F;
    default:
        return D3DFMT_UNKNOWN;
    }
}

ColorFormat CD3D9Driver::colorFormatOf(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_R8G8B8:
        return ColorFormat(3);
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
        return ColorFormat(4);
    case D3DFMT_R5G6B5:
        return ColorFormat(2);
    case D3DFMT_A4R4G4B4:
        return ColorFormat(1);
    case D3DFMT_R16F:
        return ColorFormat(5);
    case D3DFMT_G16R16F:
        return ColorFormat(6);
    case D3DFMT_A16B16G16R16F:
        return ColorFormat(7);
    case D3DFMT_R32F:
        return ColorFormat(8);
    case D3DFMT_G32R32F:
        return ColorFormat(9);
    case D3DFMT_A32B32G32R32F:
        return ColorFormat(10);
    default:
        return ColorFormat(0);
    }
}

CD3D9Driver::CD3D9Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, HWND window,
                         CClock* clock)
    : CNullGraphicsDriver(params, fileSystem, clock), m_window(window), m_stencilBuffer(params.stencil),
      m_windowSize(params.width, params.height), m_maxLightRange(std::sqrt(FLT_MAX)), m_fullScreen(params.fullScreen) {
    // No wrap code is 5: the first application sets every sampler.
    for (TextureLayer& layer : m_lastMaterial.layers)
        layer.wrap = 5;
}

CD3D9Driver::~CD3D9Driver() {
    for (CD3D9DriverTexture* texture : m_textures)
        texture->forgetDriver();
    m_textures.clear();
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
    // d3d9.dll stays loaded: textures still referenced hold the device.
}

bool CD3D9Driver::initialize(const CEngineCreationParams& params) {
    m_antiAliasLevel = params.antiAlias ? 4 : 0;
    if (!m_d3d) {
        m_library = LoadLibraryA("d3d9.dll");
        if (!m_library) {
            logLine("Error, could not load d3d9.dll.", CLog::Error);
            return false;
        }
        using CreateFunction = IDirect3D9*(WINAPI*)(UINT);
        auto create =
            reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(m_library, "Direct3DCreate9")));
        if (!create) {
            logLine("Error, could not get proc adress of Direct3DCreate9.", CLog::Error);
            return false;
        }
        m_d3d = create(D3D_SDK_VERSION);
        if (!m_d3d) {
            logLine("Error initializing D3D.", CLog::Error);
            return false;
        }
    }

    D3DADAPTER_IDENTIFIER9 identifier;
    if (SUCCEEDED(m_d3d->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &identifier))) {
        char line[1200];
        const LARGE_INTEGER version = identifier.DriverVersion;
        std::snprintf(line, sizeof line, "%s %s %d.%d.%d.%d", identifier.Description, identifier.Driver,
                      int(HIWORD(version.HighPart)), int(LOWORD(version.HighPart)), int(HIWORD(version.LowPart)),
                      int(LOWORD(version.LowPart)));
        logLine(line, CLog::Info);
        m_vendorId = uint16_t(identifier.VendorId);
        switch (m_vendorId) {
        case 0x1002:
            m_vendorName = "ATI Technologies Inc.";
            break;
        case 0x102B:
            m_vendorName = "Matrox Electronic Systems Ltd.";
            break;
        case 0x10DE:
            m_vendorName = "NVIDIA Corporation";
            break;
        case 0x121A:
            m_vendorName = "3dfx Interactive Inc";
            break;
        case 0x5333:
            m_vendorName = "S3 Graphics Co., Ltd.";
            break;
        case 0x8086:
            m_vendorName = "Intel Corporation";
            break;
        default:
            m_vendorName = CString("Unknown VendorId: ") + static_cast<unsigned>(m_vendorId);
            break;
        }
    }

    D3DDISPLAYMODE displayMode;
    if (FAILED(m_d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displayMode))) {
        logLine("Could not get Adapter Display mode.", CLog::Error);
        return false;
    }

    m_presentParams = {};
    m_presentParams.BackBufferCount = 1;
    m_presentParams.EnableAutoDepthStencil = TRUE;
    // The frame is copied to the screen and stays in the back buffer, so a
    // screenshot between frames reads what is shown (the front buffer of a
    // window may be covered, or unreadable). Multisampling below asks for a
    // discarding swap.
    m_presentParams.SwapEffect = D3DSWAPEFFECT_COPY;
    m_presentParams.PresentationInterval = params.vsync ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
    if (m_fullScreen) {
        m_presentParams.BackBufferWidth = UINT(m_windowSize.width);
        m_presentParams.BackBufferHeight = UINT(m_windowSize.height);
        m_presentParams.BackBufferFormat = params.colorBits == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
        m_presentParams.Windowed = FALSE;
    } else {
        m_presentParams.hDeviceWindow = m_window;
        m_presentParams.BackBufferFormat = displayMode.Format;
        m_presentParams.Windowed = TRUE;
        // The size asked for rather than the client area's: the system may
        // have made the window wider than asked (a captioned window has a
        // least width), and everything above the driver counts in the
        // screen size. The present stretches it over the client area.
        m_presentParams.BackBufferWidth = UINT(std::max(m_windowSize.width, 1));
        m_presentParams.BackBufferHeight = UINT(std::max(m_windowSize.height, 1));
    }

    if (m_antiAliasLevel != 0) {
        m_antiAliasLevel = std::min<uint8_t>(m_antiAliasLevel, 16);
        for (; m_antiAliasLevel > 0; --m_antiAliasLevel) {
            DWORD qualities = 0;
            if (SUCCEEDED(m_d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                                            m_presentParams.BackBufferFormat, !m_fullScreen,
                                                            D3DMULTISAMPLE_TYPE(m_antiAliasLevel), &qualities))) {
                m_presentParams.MultiSampleType = D3DMULTISAMPLE_TYPE(m_antiAliasLevel);
                m_presentParams.MultiSampleQuality = qualities > 0 ? qualities - 1 : 0;
                m_presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
                break;
            }
        }
        if (m_antiAliasLevel == 0)
            logLine("Anti aliasing disabled because hardware/driver lacks necessary caps.", CLog::Warning);
    }

    const D3DFORMAT backBuffer = m_presentParams.BackBufferFormat;
    auto depthFormatOk = [&](D3DFORMAT format) {
        return SUCCEEDED(m_d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, backBuffer, D3DUSAGE_DEPTHSTENCIL,
                                                  D3DRTYPE_SURFACE, format));
    };
    if (m_stencilBuffer) {
        if (depthFormatOk(D3DFMT_D24S8)) {
            m_presentParams.AutoDepthStencilFormat = D3DFMT_D24S8;
            if (FAILED(m_d3d->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, backBuffer, backBuffer,
                                                     D3DFMT_D24S8))) {
                logLine("Depth-stencil format is not compatible with display format, disabling stencil buffer.",
                        CLog::Warning);
                m_stencilBuffer = false;
            }
        } else if (depthFormatOk(D3DFMT_D24X4S4)) {
            m_presentParams.AutoDepthStencilFormat = D3DFMT_D24X4S4;
        } else if (depthFormatOk(D3DFMT_D15S1)) {
            m_presentParams.AutoDepthStencilFormat = D3DFMT_D15S1;
        } else {
            logLine("Device does not support stencilbuffer, disabling stencil buffer.", CLog::Warning);
            m_stencilBuffer = false;
        }
    }
    if (!m_stencilBuffer) {
        const D3DFORMAT formats[] = {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16};
        const D3DFORMAT* found = std::find_if(std::begin(formats), std::end(formats), depthFormatOk);
        if (found == std::end(formats)) {
            logLine("Device does not support required depth buffer.", CLog::Warning);
            return false;
        }
        m_presentParams.AutoDepthStencilFormat = *found;
    }

    const DWORD keepFpu = params.keepFloatPrecision ? D3DCREATE_FPU_PRESERVE : 0;
    const DWORD flags[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING};
    for (DWORD flag : flags) {
        if (SUCCEEDED(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window, flag | keepFpu,
                                          &m_presentParams, &m_device)))
            break;
        m_device = nullptr;
    }
    if (!m_device) {
        logLine("Was not able to create Direct3D9 device.", CLog::Error);
        logLine("Was not able to create DIRECT3D9 device.", CLog::Error);
        return false;
    }

    m_device->GetDeviceCaps(&m_caps);
    const DWORD stencilOps = D3DSTENCILCAPS_DECRSAT | D3DSTENCILCAPS_INCRSAT | D3DSTENCILCAPS_KEEP;
    if (m_stencilBuffer && (m_caps.StencilCaps & stencilOps) != stencilOps) {
        logLine("Device not able to use stencil buffer, disabling stencil buffer.", CLog::Warning);
        m_stencilBuffer = false;
    }

    setVertexType(VertexType::Batch);
    setFogParameters(m_fogColor, m_fogLinear, m_fogStart, m_fogEnd, m_fogDensity, m_pixelFog, m_rangeFog);
    m_platformData.window = m_window;
    m_platformData.device = m_device;
    m_resetAllRenderStates = true;
    registerD3D9MaterialRenderers(*this);
    m_maxUserClipPlanes = m_caps.MaxUserClipPlanes;
    if (m_vendorId == 0x10DE)
        m_alphaToCoverage =
            SUCCEEDED(m_d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_SURFACE,
                                               D3DFORMAT(FourCC('A', 'T', 'O', 'C'))));
    else
        m_alphaToCoverage = m_vendorId == 0x1002;
    (void)apply3DStates();

    m_backBufferFormat = D3DFMT_A8R8G8B8;
    IDirect3DSurface9* surface = nullptr;
    if (SUCCEEDED(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))) {
        D3DSURFACE_DESC desc;
        if (SUCCEEDED(surface->GetDesc(&desc)))
            m_backBufferFormat = desc.Format == D3DFMT_X8R8G8B8 ? D3DFMT_A8R8G8B8 : desc.Format;
        surface->Release();
    }
    m_backBufferColorFormat = colorFormatOf(m_backBufferFormat);
    CLog::instance()->log(CStringW(u"Using renderer: ") + driverName(), CLog::Info);
    return true;
}

// Frames and resets.

bool CD3D9Driver::beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                             const CRectI* sourceRect) {
    (void)CNullGraphicsDriver::beginFrame(clearBackBuffer, clearDepth, clearColor, presentWindow, sourceRect);
    m_presentWindow = static_cast<HWND>(presentWindow);
    m_hasPresentRect = sourceRect != nullptr;
    if (sourceRect)
        m_presentRect = {sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
    if (!m_device)
        return false;
    if (m_deviceLost) {
        HRESULT level = m_device->TestCooperativeLevel();
        if (level == D3DERR_DEVICELOST) {
            Sleep(100);
            level = m_device->TestCooperativeLevel();
            if (level == D3DERR_DEVICELOST)
                return false;
        }
        if (level == D3DERR_DEVICENOTRESET && !reset())
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
        logLine("DIRECT3D9 clear failed.", CLog::Warning);
    if (FAILED(m_device->BeginScene())) {
        logLine("DIRECT3D9 begin scene failed.", CLog::Warning);
        return false;
    }
    m_inScene = true;
    return true;
}

bool CD3D9Driver::endFrame() {
    (void)CNullGraphicsDriver::endFrame();
    m_deviceReset = false;
    if (!m_device)
        return false;
    if (m_inScene) {
        m_inScene = false;
        if (FAILED(m_device->EndScene())) {
            logLine("DIRECT3D9 end scene failed.", CLog::Warning);
            return false;
        }
    }
    const HRESULT result =
        m_device->Present(m_hasPresentRect ? &m_presentRect : nullptr, nullptr, m_presentWindow, nullptr);
    if (SUCCEEDED(result))
        return true;
    if (result == D3DERR_DEVICELOST) {
        m_deviceLost = true;
        logLine("Present failed: DIRECT3D9 device lost.", CLog::Warning);
    } else if (result == D3DERR_INVALIDCALL) {
        logLine("Present failed: Invalid Call", CLog::Warning);
    } else if (result == D3DERR_DEVICEREMOVED) {
        logLine("Present failed: Device removed.", CLog::Warning);
    } else {
        logLine("DIRECT3D9 present failed.", CLog::Warning);
    }
    return false;
}

bool CD3D9Driver::reset() {
    logLine("Resetting D3D9 device.", CLog::Info);
    m_deviceReset = true;
    // Resources of the default pool (render targets) and references to the
    // back buffer would make the device refuse the reset: they go first and
    // the render targets come back, empty, afterwards.
    if (m_previousRenderTarget) {
        (void)setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0));
    }
    for (CD3D9DriverTexture* texture : m_textures)
        texture->releaseDeviceResources();
    for (uint32_t stage = 0; stage < Stages; ++stage) {
        m_device->SetTexture(stage, nullptr);
        m_currentTexture[stage] = nullptr;
    }
    const HRESULT result = m_device->Reset(&m_presentParams);
    for (CD3D9DriverTexture* texture : m_textures)
        texture->restoreDeviceResources();
    if (FAILED(result)) {
        switch (result) {
        case D3DERR_OUTOFVIDEOMEMORY:
            logLine("Resetting failed due to out of memory.", CLog::Warning);
            break;
        case D3DERR_DRIVERINTERNALERROR:
            logLine("Resetting failed due to internal error.", CLog::Warning);
            break;
        case D3DERR_DEVICELOST:
            m_deviceLost = true;
            logLine("Resetting failed due to device lost.", CLog::Warning);
            break;
        case D3DERR_DEVICENOTRESET:
            logLine("Resetting failed due to not reset.", CLog::Warning);
            break;
        case D3DERR_INVALIDCALL:
            logLine("Resetting failed due to invalid call.", CLog::Warning);
            break;
        case D3DERR_DEVICEREMOVED:
            logLine("Resetting failed due to device removed.", CLog::Warning);
            break;
        default:
            CLog::instance()->log(CString("Resetting failed due to unknown reason: ") + static_cast<int>(result),
                                  CLog::Warning);
            break;
        }
        return false;
    }
    m_deviceLost = false;
    m_resetAllRenderStates = true;
    m_lastRendererActive = false;
    m_currentVertexType = -1;
    setVertexType(VertexType::Batch);
    m_renderMode = ModeNone;
    (void)apply3DStates();
    setFogParameters(m_fogColor, m_fogLinear, m_fogStart, m_fogEnd, m_fogDensity, m_pixelFog, m_rangeFog);
    applyAmbient();
    // The caller's scissor outlives the device's states.
    m_device->SetScissorRect(&m_scissorRect);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, m_scissorOn ? TRUE : FALSE);
    return true;
}

void CD3D9Driver::onWindowResized(const CSizeI& size) {
    if (!m_device)
        return;
    CNullGraphicsDriver::onWindowResized(size);
    // Render targets are checked against the depth buffer's new size.
    m_windowSize = size;
    m_presentParams.BackBufferWidth = UINT(std::max(size.width, 0));
    m_presentParams.BackBufferHeight = UINT(std::max(size.height, 0));
    if (m_inScene) {
        m_device->EndScene();
        m_inScene = false;
    }
    (void)reset();
}

bool CD3D9Driver::hasFeature(DriverFeature feature) const {
    if (uint32_t(feature) >= DriverFeatureCount || !m_featureSwitches[uint32_t(feature)])
        return false;
    const DWORD vs = m_caps.VertexShaderVersion, ps = m_caps.PixelShaderVersion;
    switch (feature) {
    case DriverFeature::RenderToTexture:
        return m_caps.NumSimultaneousRTs > 0;
    case DriverFeature::HardwareTransformAndLight:
        return (m_caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
    case DriverFeature::MultiTexture:
    case DriverFeature::BilinearFilter:
        return true;
    case DriverFeature::MipMap:
        return (m_caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0;
    case DriverFeature::StencilBuffer:
        return m_stencilBuffer && m_caps.StencilCaps != 0;
    case DriverFeature::VertexShader11:
    case DriverFeature::HighLevelShader:
        return vs >= D3DVS_VERSION(1, 1);
    case DriverFeature::VertexShader20:
        return vs >= D3DVS_VERSION(2, 0);
    case DriverFeature::VertexShader30:
        return vs >= D3DVS_VERSION(3, 0);
    case DriverFeature::PixelShader11:
        return ps >= D3DPS_VERSION(1, 1);
    case DriverFeature::PixelShader12:
        return ps >= D3DPS_VERSION(1, 2);
    case DriverFeature::PixelShader13:
        return ps >= D3DPS_VERSION(1, 3);
    case DriverFeature::PixelShader14:
        return ps >= D3DPS_VERSION(1, 4);
    case DriverFeature::PixelShader20:
        return ps >= D3DPS_VERSION(2, 0);
    case DriverFeature::PixelShader30:
        return ps >= D3DPS_VERSION(3, 0);
    case DriverFeature::NonSquareTexture:
        return (m_caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) == 0;
    case DriverFeature::NonPowerOfTwoTexture:
        return (m_caps.TextureCaps & D3DPTEXTURECAPS_POW2) == 0;
    case DriverFeature::ColorMask:
        return (m_caps.PrimitiveMiscCaps & D3DPMISCCAPS_COLORWRITEENABLE) != 0;
    default:
        return false;
    }
}

void CD3D9Driver::setTextureFlag(uint32_t flag, bool on) {
    if (flag == TextureFlag::CreateMipMaps && !hasFeature(DriverFeature::MipMap))
        on = false;
    CNullGraphicsDriver::setTextureFlag(flag, on);
}

CStringW CD3D9Driver::driverName() const { return CStringW(u"Direct3D 9.0"); }

const CSizeI& CD3D9Driver::renderTargetSize() const {
    return m_currentRenderTargetSize.width == 0 && m_currentRenderTargetSize.height == 0 ? m_screenSize
                                                                                         : m_currentRenderTargetSize;
}

// Render modes and materials.

bool CD3D9Driver::apply3DStates() {
    if (!m_device)
        return false;
    if (m_renderMode != Mode3D) {
        const D3DMATRIX view = toD3D(m_matrices[0]), world = toD3D(m_matrices[1]), projection = toD3D(m_matrices[2]);
        m_device->SetTransform(D3DTS_VIEW, &view);
        m_device->SetTransform(D3DTS_WORLD, &world);
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        m_resetAllRenderStates = true;
    }
    if (m_resetAllRenderStates || !(m_currentMaterial == m_lastMaterial))
        switchMaterial();
    m_clipSpace = false;
    m_lastMaterial = m_currentMaterial;
    m_resetAllRenderStates = false;
    m_renderMode = Mode3D;
    IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_currentMaterial.materialType));
    return renderer ? renderer->onRender(this, VertexType(m_currentVertexType)) : true;
}

void CD3D9Driver::switchMaterial() {
    // A type's renderer undoes what it switched on (a shader, the alpha
    // test) before another type draws.
    if (m_lastMaterial.materialType != m_currentMaterial.materialType)
        unsetLastRenderer();
    if (IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_currentMaterial.materialType)))
        renderer->setMaterial(m_currentMaterial, m_lastMaterial, m_resetAllRenderStates, this);
    m_lastRendererActive = true;
}

void CD3D9Driver::unsetLastRenderer() {
    if (!m_lastRendererActive)
        return;
    m_lastRendererActive = false;
    if (IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_lastMaterial.materialType)))
        renderer->unsetMaterial();
}

bool CD3D9Driver::apply2DStates() {
    if (!m_device)
        return false;
    if (m_renderMode != Mode2D) {
        m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        m_resetAllRenderStates = true;
        m_transformChanged = true;
        m_renderMode = Mode2D;
    }
    // After the clip-space image operations the pixel projection and the
    // world matrix go out again.
    if (m_transformChanged || m_clipSpace) {
        const CSizeI& size = renderTargetSize();
        const float w = float(std::max(size.width, 1)), h = float(std::max(size.height, 1));
        // Orthographic over the target, pixel centres on texel centres.
        const D3DMATRIX projection = {{{2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1.0f / 20000.0f, 0,
                                        -1.0f - 1.0f / w, 1.0f + 1.0f / h, 0, 1}}};
        m_device->SetTransform(D3DTS_VIEW, &identityMatrix());
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        if (m_clipSpace) {
            const D3DMATRIX world = toD3D(m_matrices[1]);
            m_device->SetTransform(D3DTS_WORLD, &world);
        }
        m_transformChanged = false;
        m_clipSpace = false;
    }
    if (m_resetAllRenderStates || !(m_currentMaterial == m_lastMaterial)) {
        switchMaterial();
        m_lastMaterial = m_currentMaterial;
        m_resetAllRenderStates = false;
    }
    IMaterialTypeRenderer* renderer = materialTypeRenderer(uint32_t(m_currentMaterial.materialType));
    return renderer ? renderer->onRender(this, VertexType(m_currentVertexType)) : true;
}

void CD3D9Driver::setMatrix(MatrixKind kind, const CMat4& matrix) {
    CNullGraphicsDriver::setMatrix(kind, matrix);
    m_transformChanged = true;
    if (!m_device)
        return;
    const uint32_t index = uint32_t(kind);
    const D3DMATRIX m = toD3D(matrix);
    if (index < 3) {
        static constexpr D3DTRANSFORMSTATETYPE states[] = {D3DTS_VIEW, D3DTS_WORLD, D3DTS_PROJECTION};
        m_device->SetTransform(states[index], &m);
    } else if (index < 7) {
        const uint32_t stage = index - 3;
        m_device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        m_device->SetTransform(D3DTRANSFORMSTATETYPE(D3DTS_TEXTURE0 + stage),
                               matrix.isIdentity() ? &identityMatrix() : &m);
    }
}

void CD3D9Driver::applyMaterial(const Material& material) {
    m_currentMaterial = material;
    for (uint32_t stage = 0; stage < std::min<uint32_t>(material.usedLayers(), Stages); ++stage) {
        const CImageTexture* texture = material.layers[stage].texture;
        (void)setActiveTexture(stage, texture ? texture->getTexture() : nullptr);
    }
}

bool CD3D9Driver::setActiveTexture(uint32_t stage, IDriverTexture* texture) {
    if (stage >= Stages || !m_device)
        return false;
    if (m_currentTexture[stage] == texture)
        return true;
    if (texture && texture->driverType() != VideoDriverType::Direct3D9) {
        m_device->SetTexture(stage, nullptr);
        m_currentTexture[stage] = nullptr;
        logLine("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
        return false;
    }
    m_currentTexture[stage] = texture;
    if (!texture) {
        m_device->SetTexture(stage, nullptr);
        m_device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    } else {
        m_device->SetTexture(stage, static_cast<CD3D9DriverTexture*>(texture)->d3dTexture());
    }
    return true;
}

void CD3D9Driver::applyBaseStates(const Material& m, const Material& l, bool reset) {
    if (!m_device)
        return;
    IDirect3DDevice9* d = m_device;
    if (reset || m.ambient != l.ambient || m.diffuse != l.diffuse || m.emissive != l.emissive ||
        m.specular != l.specular || m.shininess != l.shininess) {
        D3DMATERIAL9 material;
        material.Diffuse = colorValue(m.diffuse);
        material.Ambient = colorValue(m.ambient);
        material.Specular = colorValue(m.specular);
        material.Emissive = colorValue(m.emissive);
        material.Power = m.shininess;
        d->SetMaterial(&material);
    }
    if (m.colorMaterial != l.colorMaterial) {
        const uint8_t mode = m.colorMaterial;
        d->SetRenderState(D3DRS_COLORVERTEX, mode != Material::ColorMaterialNone);
        d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE,
                          mode == Material::ColorMaterialDiffuse || mode == Material::ColorMaterialAmbientDiffuse
                              ? D3DMCS_COLOR1
                              : D3DMCS_MATERIAL);
        d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE,
                          mode == Material::ColorMaterialAmbient || mode == Material::ColorMaterialAmbientDiffuse
                              ? D3DMCS_COLOR1
                              : D3DMCS_MATERIAL);
        d->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE,
                          mode == Material::ColorMaterialEmissive ? D3DMCS_COLOR1 : D3DMCS_MATERIAL);
        d->SetRenderState(D3DRS_SPECULARMATERIALSOURCE,
                          mode == Material::ColorMaterialSpecular ? D3DMCS_COLOR1 : D3DMCS_MATERIAL);
    }
    if (reset || m.wireframe != l.wireframe || m.pointCloud != l.pointCloud)
        d->SetRenderState(D3DRS_FILLMODE, m.wireframe    ? D3DFILL_WIREFRAME
                                          : m.pointCloud ? D3DFILL_POINT
                                                         : D3DFILL_SOLID);
    if (reset || m.gouraud != l.gouraud)
        d->SetRenderState(D3DRS_SHADEMODE, m.gouraud ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    if (reset || m.lighting != l.lighting)
        d->SetRenderState(D3DRS_LIGHTING, m.lighting);
    if (reset || m.depthFunc != l.depthFunc) {
        static constexpr D3DCMPFUNC functions[] = {D3DCMP_LESSEQUAL,    D3DCMP_EQUAL,   D3DCMP_LESS,  D3DCMP_NOTEQUAL,
                                                   D3DCMP_GREATEREQUAL, D3DCMP_GREATER, D3DCMP_ALWAYS};
        if (m.depthFunc == Material::DepthOff) {
            d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        } else if (m.depthFunc <= Material::DepthAlways) {
            d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
            d->SetRenderState(D3DRS_ZFUNC, functions[m.depthFunc - 1]);
        }
    }
    if (reset || m.depthWrite != l.depthWrite)
        d->SetRenderState(D3DRS_ZWRITEENABLE, m.depthWrite);
    if (reset || m.cullFront != l.cullFront || m.cullBack != l.cullBack)
        d->SetRenderState(D3DRS_CULLMODE, m.cullFront ? D3DCULL_CW : m.cullBack ? D3DCULL_CCW : D3DCULL_NONE);
    if (reset || m.fog != l.fog)
        d->SetRenderState(D3DRS_FOGENABLE, m.fog);
    if (reset || m.normalizeNormals != l.normalizeNormals)
        d->SetRenderState(D3DRS_NORMALIZENORMALS, m.normalizeNormals);
    if ((reset || m.colorMask != l.colorMask) && hasFeature(DriverFeature::ColorMask)) {
        DWORD mask = 0;
        if (m.colorMask & Material::WriteAlpha)
            mask |= D3DCOLORWRITEENABLE_ALPHA;
        if (m.colorMask & Material::WriteRed)
            mask |= D3DCOLORWRITEENABLE_RED;
        if (m.colorMask & Material::WriteGreen)
            mask |= D3DCOLORWRITEENABLE_GREEN;
        if (m.colorMask & Material::WriteBlue)
            mask |= D3DCOLORWRITEENABLE_BLUE;
        d->SetRenderState(D3DRS_COLORWRITEENABLE, mask);
    }
    if (reset || m.antiAlias != l.antiAlias) {
        if (m_alphaToCoverage) {
            if (m.antiAlias & Material::AntiAliasAlphaToCoverage) {
                if (m_vendorId == 0x10DE)
                    d->SetRenderState(D3DRS_ADAPTIVETESS_Y, FourCC('A', 'T', 'O', 'C'));
                else if (m_vendorId == 0x1002)
                    d->SetRenderState(D3DRS_POINTSIZE, FourCC('A', '2', 'M', '1'));
            } else if (l.antiAlias & Material::AntiAliasAlphaToCoverage) {
                if (m_vendorId == 0x10DE)
                    d->SetRenderState(D3DRS_ADAPTIVETESS_Y, D3DFMT_UNKNOWN);
                else if (m_vendorId == 0x1002)
                    d->SetRenderState(D3DRS_POINTSIZE, FourCC('A', '2', 'M', '0'));
            }
        }
        if (m_antiAliasLevel != 0) {
            if (m.antiAlias & 3)
                d->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
            else if (l.antiAlias & 3)
                d->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
            if (m.antiAlias & Material::AntiAliasLineSmooth)
                d->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
            else if (l.antiAlias & Material::AntiAliasLineSmooth)
                d->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, FALSE);
        }
    }
    if (reset || m.thickness != l.thickness)
        d->SetRenderState(D3DRS_POINTSIZE, floatBits(m.thickness));

    for (uint32_t i = 0; i < std::min<uint32_t>(m.usedLayers(), Stages); ++i) {
        const TextureLayer& layer = m.layers[i];
        const TextureLayer& last = l.layers[i];
        if (reset || layer.lodBias != last.lodBias)
            d->SetSamplerState(i, D3DSAMP_MIPMAPLODBIAS, floatBits(float(layer.lodBias) * 0.125f));
        if (reset || layer.wrap != last.wrap) {
            static constexpr D3DTEXTUREADDRESS modes[] = {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP,
                                                          D3DTADDRESS_BORDER, D3DTADDRESS_MIRROR};
            const D3DTEXTUREADDRESS mode = layer.wrap < std::size(modes) ? modes[layer.wrap] : D3DTADDRESS_WRAP;
            d->SetSamplerState(i, D3DSAMP_ADDRESSU, mode);
            d->SetSamplerState(i, D3DSAMP_ADDRESSV, mode);
        }
        if (reset || layer.bilinear != last.bilinear || layer.trilinear != last.trilinear ||
            layer.anisotropy != last.anisotropy) {
            if (layer.bilinear || layer.trilinear || layer.anisotropy) {
                const bool magAniso =
                    (m_caps.TextureFilterCaps & D3DPTFILTERCAPS_MAGFANISOTROPIC) && layer.anisotropy != 0;
                const bool minAniso =
                    (m_caps.TextureFilterCaps & D3DPTFILTERCAPS_MINFANISOTROPIC) && layer.anisotropy != 0;
                if (magAniso || minAniso)
                    d->SetSamplerState(i, D3DSAMP_MAXANISOTROPY,
                                       std::min<DWORD>(layer.anisotropy, m_caps.MaxAnisotropy));
                d->SetSamplerState(i, D3DSAMP_MAGFILTER, magAniso ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR);
                d->SetSamplerState(i, D3DSAMP_MINFILTER, minAniso ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR);
                d->SetSamplerState(i, D3DSAMP_MIPFILTER, layer.trilinear ? D3DTEXF_LINEAR : D3DTEXF_POINT);
            } else {
                d->SetSamplerState(i, D3DSAMP_MINFILTER, D3DTEXF_POINT);
                d->SetSamplerState(i, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
                d->SetSamplerState(i, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
            }
        }
    }
}

// Drawing.

void CD3D9Driver::setVertexType(VertexType type) {
    const int32_t code = int32_t(type);
    if (code == m_currentVertexType || !m_device)
        return;
    m_currentVertexType = code;
    static constexpr DWORD formats[] = {FvfBatch, FvfTwoCoords, FvfNormal, FvfNormalTwoCoords, FvfTangents};
    if (uint32_t(code) < std::size(formats) && FAILED(m_device->SetFVF(formats[code])))
        logLine("Could not set vertex Shader.", CLog::Error);
}

void CD3D9Driver::drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices,
                                 uint32_t primitiveCount, VertexType vertexType, IndexType indexType,
                                 PrimitiveType primitiveType) {
    if (!checkDrawArguments(vertices, vertexCount, indices, primitiveCount, vertexType, indexType, primitiveType))
        return;
    CNullGraphicsDriver::drawPrimitives(vertices, vertexCount, indices, primitiveCount, vertexType, indexType,
                                        primitiveType);
    if (!m_device)
        return;
    setVertexType(vertexType);
    const bool go = m_renderMode == Mode2D ? apply2DStates() : apply3DStates();
    if (!go)
        return;

    const void* data = vertices;
    switch (vertexType) {
    case VertexType::Normal:
        reorder<NormalVertex, D3DNormalVertex>(vertices, vertexCount, m_scratch);
        data = m_scratch.data();
        break;
    case VertexType::NormalTwoCoords:
        reorder<NormalTwoCoordsVertex, D3DNormalTwoCoordsVertex>(vertices, vertexCount, m_scratch);
        data = m_scratch.data();
        break;
    case VertexType::Tangents:
        reorder<TangentVertex, D3DTangentVertex>(vertices, vertexCount, m_scratch);
        data = m_scratch.data();
        break;
    default:
        break;
    }
    const UINT stride = vertexStride(vertexType);
    const D3DFORMAT indexFormat = indexType == IndexType::Bits16 ? D3DFMT_INDEX16 : D3DFMT_INDEX32;
    auto draw = [&](D3DPRIMITIVETYPE type, UINT count) {
        if (indices)
            m_device->DrawIndexedPrimitiveUP(type, 0, vertexCount, count, indices, indexFormat, data, stride);
        else
            m_device->DrawPrimitiveUP(type, count, data, stride);
    };
    // Points scale with their distance in 3D only: in 2D there is none (and
    // the scale would divide by it).
    const BOOL scaled = m_renderMode == Mode3D ? TRUE : FALSE;
    auto points = [&]() {
        m_device->SetRenderState(D3DRS_POINTSCALEENABLE, scaled);
        m_device->SetRenderState(D3DRS_POINTSIZE, floatBits(m_currentMaterial.thickness));
        m_device->SetRenderState(D3DRS_POINTSCALE_C, floatBits(1.0f));
        m_device->SetRenderState(D3DRS_POINTSIZE_MIN, floatBits(0.0f));
        m_device->SetRenderState(D3DRS_POINTSCALE_A, floatBits(0.0f));
        m_device->SetRenderState(D3DRS_POINTSCALE_B, floatBits(0.0f));
        if (indices) {
            m_device->DrawIndexedPrimitiveUP(D3DPT_POINTLIST, 0, vertexCount, primitiveCount, indices, indexFormat,
                                             data, stride);
        } else {
            m_device->DrawPrimitiveUP(D3DPT_POINTLIST, primitiveCount, data, stride);
        }
        m_device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    };
    switch (primitiveType) {
    case PrimitiveType::Points:
        points();
        break;
    case PrimitiveType::LineStrip:
        draw(D3DPT_LINESTRIP, primitiveCount);
        break;
    case PrimitiveType::LineLoop: {
        if (primitiveCount > 1)
            draw(D3DPT_LINESTRIP, primitiveCount - 1);
        // The closing segment joins the loop's last vertex to its first, both
        // taken through the index list when there is one (the raw vertex
        // numbers could name vertices the loop does not use, or lie past the
        // vertices given).
        auto loopVertex = [&](uint32_t n) -> uint32_t {
            if (!indices)
                return n;
            return indexType == IndexType::Bits16 ? static_cast<const uint16_t*>(indices)[n]
                                                  : static_cast<const uint32_t*>(indices)[n];
        };
        uint8_t ends[2 * sizeof(D3DTangentVertex)];
        const auto* bytes = static_cast<const uint8_t*>(data);
        std::memcpy(ends, bytes + size_t(loopVertex(primitiveCount - 1)) * stride, stride);
        std::memcpy(ends + stride, bytes + size_t(loopVertex(0)) * stride, stride);
        m_device->DrawPrimitiveUP(D3DPT_LINELIST, 1, ends, stride);
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
    case PrimitiveType::PointSprites:
        m_device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
        points();
        m_device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
        break;
    default:
        break;
    }
}

void CD3D9Driver::beginPixelDraw() {
    if (m_currentTexture[0])
        (void)setActiveTexture(0, nullptr);
    setVertexType(VertexType::Batch);
}

void CD3D9Driver::fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft,
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
    BatchVertex vertices[4];
    const float xs[4] = {float(r.left), float(r.right), float(r.right), float(r.left)};
    const float ys[4] = {float(r.top), float(r.top), float(r.bottom), float(r.bottom)};
    const CColor colors[4] = {topLeft, topRight, bottomRight, bottomLeft};
    for (int i = 0; i < 4; ++i) {
        vertices[i].x = xs[i];
        vertices[i].y = ys[i];
        vertices[i].color = colors[i];
    }
    static constexpr uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    beginPixelDraw();
    if (!apply2DStates())
        return;
    drawPrimitives(vertices, 4, indices, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::Triangles);
}

void CD3D9Driver::drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) {
    // On pixel centres, half a pixel after the edges the projection maps
    // whole coordinates to.
    BatchVertex vertices[2];
    vertices[0].x = start.x + 0.5f, vertices[0].y = start.y + 0.5f, vertices[0].color = color;
    vertices[1].x = end.x + 0.5f, vertices[1].y = end.y + 0.5f, vertices[1].color = color;
    beginPixelDraw();
    if (!apply2DStates())
        return;
    drawPrimitives(vertices, 2, nullptr, 1, VertexType::Batch, IndexType::Bits16, PrimitiveType::Lines);
}

void CD3D9Driver::plotPixel(uint32_t x, uint32_t y, CColor color) {
    const CSizeI& size = renderTargetSize();
    if (x > uint32_t(size.width) || y > uint32_t(size.height))
        return;
    BatchVertex vertex;
    vertex.x = float(x) + 0.5f, vertex.y = float(y) + 0.5f, vertex.color = color;
    beginPixelDraw();
    if (!apply2DStates())
        return;
    drawPrimitives(&vertex, 1, nullptr, 1, VertexType::Batch, IndexType::Bits16, PrimitiveType::Points);
}

void CD3D9Driver::setImageMode() {
    if (m_renderMode == Mode2D && m_clipSpace && !m_transformChanged)
        return;
    IDirect3DDevice9* d = m_device;
    d->SetTransform(D3DTS_VIEW, &identityMatrix());
    d->SetTransform(D3DTS_WORLD, &identityMatrix());
    d->SetTransform(D3DTS_PROJECTION, &identityMatrix());
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    for (DWORD stage = 1; stage < Stages; ++stage)
        d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTransform(D3DTS_TEXTURE0, &identityMatrix());
    // The material's renderer undoes what it switched on (a shader, the
    // alpha test) before the image states.
    unsetLastRenderer();
    m_renderMode = Mode2D;
    m_clipSpace = true;
    m_transformChanged = false;
    // Every material state goes out again at the next material draw.
    m_resetAllRenderStates = true;
}

void CD3D9Driver::setImageStates(bool texture, bool alphaChannel, bool alpha) {
    IDirect3DDevice9* d = m_device;
    auto colorModulate = [d] {
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    };
    auto alphaOp = [d](DWORD op, DWORD arg1, DWORD arg2) {
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, op);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, arg1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, arg2);
    };
    bool blending = true;
    if (texture && alphaChannel) {
        colorModulate();
        alphaOp(alpha ? D3DTOP_MODULATE : D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    } else if (texture && alpha) {
        // The texture's colour under the vertex alpha.
        colorModulate();
        alphaOp(D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    } else if (!texture && alpha) {
        colorModulate();
        alphaOp(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
    } else {
        colorModulate();
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        blending = false;
    }
    if (texture) {
        d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    }
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, blending ? TRUE : FALSE);
    if (blending) {
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
}

void CD3D9Driver::drawClipSpaceQuad(const float (&corners)[4][2], const float (&coordinates)[4][2],
                                    const CColor (&colors)[4]) {
    D3DNormalVertex vertices[4] = {};
    for (int i = 0; i < 4; ++i) {
        vertices[i].x = corners[i][0];
        vertices[i].y = corners[i][1];
        vertices[i].color = colors[i].value;
        vertices[i].u = coordinates[i][0];
        vertices[i].v = coordinates[i][1];
    }
    static constexpr uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    setVertexType(VertexType::Normal);
    m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                     sizeof(D3DNormalVertex));
    m_primitivesThisFrame += 2;
}

void CD3D9Driver::drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source,
                                  const CRectI* clip, const CColor* colors, bool useAlphaChannel) {
    if (!texture || !m_device)
        return;
    // Coordinates count in the texture's texels: a padded texture holds the
    // image in its upper-left corner.
    const CSizeI& image = texture->size();
    const CSizeI& target = renderTargetSize();
    const float w = float(std::max(target.width, 1)), h = float(std::max(target.height, 1));
    const float iw = float(std::max(image.width, 1)), ih = float(std::max(image.height, 1));
    // Corners on pixel edges (half a pixel before the centres Direct3D 9
    // samples at), so each pixel takes the texel under its centre.
    const float left = (float(destination.left) - 0.5f) * 2.0f / w - 1.0f;
    const float right = (float(destination.right) - 0.5f) * 2.0f / w - 1.0f;
    const float top = 1.0f - (float(destination.top) - 0.5f) * 2.0f / h;
    const float bottom = 1.0f - (float(destination.bottom) - 0.5f) * 2.0f / h;
    const float u0 = float(source.left) / iw, u1 = float(source.right) / iw;
    const float v0 = float(source.top) / ih, v1 = float(source.bottom) / ih;
    const float corners[4][2] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    const float coordinates[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    const CColor white(0xFFFFFFFF);
    // Given top left, bottom left, bottom right, top right.
    const CColor vertexColors[4] = {colors ? colors[0] : white, colors ? colors[3] : white, colors ? colors[2] : white,
                                    colors ? colors[1] : white};
    bool alpha = false;
    for (const CColor& c : vertexColors)
        alpha = alpha || c.alpha() < 255;
    setImageMode();
    if (!setActiveTexture(0, texture))
        return;
    setImageStates(true, useAlphaChannel, alpha);
    if (clip) {
        const RECT r = {std::max(clip->left, 0), std::max(clip->top, 0), std::max(clip->right, 0),
                        std::max(clip->bottom, 0)};
        m_device->SetScissorRect(&r);
        m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    }
    drawClipSpaceQuad(corners, coordinates, vertexColors);
    if (clip) {
        m_device->SetScissorRect(&m_scissorRect);
        m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, m_scissorOn ? TRUE : FALSE);
    }
}

void CD3D9Driver::drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source,
                                const CRectI* clip, CColor color, bool useAlphaChannel) {
    if (!texture || !m_device || source.right < source.left || source.bottom < source.top)
        return;
    if (!setActiveTexture(0, texture))
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

// Render targets, viewport, clipping.

IDriverTexture* CD3D9Driver::makeDriverTexture(CPixelImage* image) {
    if (!image || !m_device)
        return nullptr;
    return new CD3D9DriverTexture(image, this);
}

IDriverTexture* CD3D9Driver::renderTargetTexture(const CSizeI& size, ColorFormat format) {
    if (!m_device)
        return nullptr;
    return new CD3D9DriverTexture(this, size, format);
}

bool CD3D9Driver::setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth, CColor clearColor) {
    if (!m_device)
        return false;
    bool result = true;
    if (texture) {
        if (texture->driverType() != VideoDriverType::Direct3D9) {
            logLine("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
            return false;
        }
        if (!texture->isRenderTarget()) {
            logLine("Fatal Error: Tried to set a non render target texture as render target.", CLog::Error);
            return false;
        }
        const CSizeI& size = texture->size();
        if (size.width > m_windowSize.width || size.height > m_windowSize.height) {
            logLine("Error: Tried to set a render target texture which is bigger than the screen.", CLog::Error);
            return false;
        }
        IDirect3DSurface9* surface = static_cast<CD3D9DriverTexture*>(texture)->renderTargetSurface();
        if (!surface) {
            logLine("Error: Could not set render target.", CLog::Error);
            return false;
        }
        if (!m_previousRenderTarget && FAILED(m_device->GetRenderTarget(0, &m_previousRenderTarget))) {
            m_previousRenderTarget = nullptr;
            logLine("Could not get previous render target.", CLog::Error);
            return false;
        }
        if (FAILED(m_device->SetRenderTarget(0, surface))) {
            logLine("Error: Could not set render target.", CLog::Error);
            return false;
        }
        m_currentRenderTargetSize = size;
    } else if (m_previousRenderTarget) {
        if (FAILED(m_device->SetRenderTarget(0, m_previousRenderTarget))) {
            logLine("Error: Could not set back to previous render target.", CLog::Error);
            result = false;
        }
        m_currentRenderTargetSize = CSizeI(0, 0);
        m_previousRenderTarget->Release();
        m_previousRenderTarget = nullptr;
    }
    // The pixel projection follows the target's size. The device puts the
    // scissor over the whole new target: the caller's goes back.
    m_transformChanged = true;
    m_device->SetScissorRect(&m_scissorRect);
    if (clearBackBuffer || clearDepth) {
        const DWORD flags = (clearBackBuffer ? D3DCLEAR_TARGET : 0) | (clearDepth ? D3DCLEAR_ZBUFFER : 0);
        m_device->Clear(0, nullptr, flags, clearColor.value, 1.0f, 0);
    }
    return result;
}

void CD3D9Driver::setViewportRect(const CRectI& rect) {
    CRectI r = rect;
    r.right = std::min(r.right, m_screenSize.width);
    r.bottom = std::min(r.bottom, m_screenSize.height);
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.top = std::min(r.top, r.bottom);
    r.left = std::min(r.left, r.right);
    m_viewport = r;
    const int32_t width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) {
        logLine("Failed setting the viewport.", CLog::Warning);
        return;
    }
    D3DVIEWPORT9 viewport = {DWORD(r.left), DWORD(r.top), DWORD(width), DWORD(height), 0.0f, 1.0f};
    if (!m_device || FAILED(m_device->SetViewport(&viewport)))
        logLine("Failed setting the viewport.", CLog::Warning);
}

bool CD3D9Driver::defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) {
    if (index >= m_maxUserClipPlanes || !m_device)
        return false;
    if (enable) {
        const CMat4& world = m_matrices[1];
        CVector3d normal(plane[0], plane[1], plane[2]);
        CVector3d point(-plane[0] * plane[3], -plane[1] * plane[3], -plane[2] * plane[3]);
        const float length = normal.x * normal.x + normal.y * normal.y + normal.z * normal.z;
        if (length > 0.0f)
            point = CVector3d(point.x / length, point.y / length, point.z / length);
        world.transformPoint(point);
        CMat4 inverse;
        CVector3d n(0, 0, 0);
        if (world.computeInverse(inverse)) {
            // The normal by the inverse transposed.
            const float* m = inverse.data();
            n = CVector3d(m[0] * normal.x + m[1] * normal.y + m[2] * normal.z,
                          m[4] * normal.x + m[5] * normal.y + m[6] * normal.z,
                          m[8] * normal.x + m[9] * normal.y + m[10] * normal.z);
        }
        const float d = -(n.x * point.x + n.y * point.y + n.z * point.z);
        const float values[4] = {n.x, n.y, n.z, d};
        m_device->SetClipPlane(index, values);
    }
    toggleClipPlane(index, enable);
    return true;
}

void CD3D9Driver::toggleClipPlane(uint32_t index, bool on) {
    if (index >= m_maxUserClipPlanes || !m_device)
        return;
    DWORD bits = 0;
    m_device->GetRenderState(D3DRS_CLIPPLANEENABLE, &bits);
    bits = on ? bits | (1u << index) : bits & ~(1u << index);
    m_device->SetRenderState(D3DRS_CLIPPLANEENABLE, bits);
}

void CD3D9Driver::setScissorRect(const CRectI& rect) {
    m_scissorRect = {std::max(rect.left, 0), std::max(rect.top, 0), std::max(rect.right, 0), std::max(rect.bottom, 0)};
    if (m_device)
        m_device->SetScissorRect(&m_scissorRect);
}

void CD3D9Driver::enableScissor(bool on) {
    m_scissorOn = on;
    if (m_device)
        m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, on ? TRUE : FALSE);
}

void CD3D9Driver::setAmbientColor(const CColorf& color) {
    m_ambientColor = color;
    applyAmbient();
}

void CD3D9Driver::applyAmbient() {
    if (m_device)
        m_device->SetRenderState(D3DRS_AMBIENT, m_ambientColor.toColor().value);
}

void CD3D9Driver::clearZBuffer() {
    if (!m_device || FAILED(m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0)))
        logLine("CD3D9Driver clearZBuffer() failed.", CLog::Warning);
}

namespace {

// A new A8R8G8B8 image of the first `width` x `height` pixels of a locked
// surface of `format` (A8R8G8B8, X8R8G8B8 with alpha made opaque, or
// R5G6B5 widened); null when the image has no pixel memory.
CPixelImage* imageOfLockedPixels(const D3DLOCKED_RECT& locked, uint32_t width, uint32_t height, D3DFORMAT format) {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
    if (!image || !image->data())
        return nullptr;
    const uint32_t alpha = format == D3DFMT_A8R8G8B8 ? 0u : 0xFF000000u;
    for (uint32_t y = 0; y < height; ++y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * uint32_t(locked.Pitch);
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t value;
            if (format != D3DFMT_R5G6B5) {
                std::memcpy(&value, row + x * 4, 4);
                value |= alpha;
            } else {
                uint16_t texel;
                std::memcpy(&texel, row + x * 2, 2);
                const uint32_t r = (texel >> 11) & 31u, g = (texel >> 5) & 63u, b = texel & 31u;
                value = 0xFF000000u | (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
            }
            image->putPixel(x, y, CColor(value));
        }
    }
    return image.detach();
}

} // namespace

CPixelImage* CD3D9Driver::takeScreenshot() {
    if (!m_device)
        return nullptr;
    // Between frames a discarding swap (full screen, multisampling) has left
    // nothing in the back buffer: what the player sees is read from the
    // front buffer. Inside a frame, after a copying swap, and where that
    // read is refused, the back buffer holds the picture.
    if (!m_inScene && m_presentParams.SwapEffect == D3DSWAPEFFECT_DISCARD)
        if (CPixelImage* shown = takeFrontBufferShot())
            return shown;
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)))
        return nullptr;
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    IDirect3DSurface9* resolved = nullptr;
    IDirect3DSurface9* source = backBuffer;
    bool ok = true;
    if (desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
        // A multisampled buffer is read through a plain one.
        ok = SUCCEEDED(m_device->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                    &resolved, nullptr)) &&
             SUCCEEDED(m_device->StretchRect(backBuffer, nullptr, resolved, nullptr, D3DTEXF_NONE));
        source = resolved;
    }
    ok = ok && SUCCEEDED(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                               &copy, nullptr));
    ok = ok && SUCCEEDED(m_device->GetRenderTargetData(source, copy));
    D3DLOCKED_RECT locked;
    ok = ok && SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    CPixelImage* image = nullptr;
    const bool thirtyTwoBit = desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8;
    if (ok && (thirtyTwoBit || desc.Format == D3DFMT_R5G6B5)) {
        const uint32_t width = std::min<uint32_t>(desc.Width, uint32_t(std::max(m_screenSize.width, 0)));
        const uint32_t height = std::min<uint32_t>(desc.Height, uint32_t(std::max(m_screenSize.height, 0)));
        if (width && height)
            image = imageOfLockedPixels(locked, width, height, desc.Format);
    }
    if (ok)
        copy->UnlockRect();
    if (copy)
        copy->Release();
    if (resolved)
        resolved->Release();
    backBuffer->Release();
    return image;
}

CPixelImage* CD3D9Driver::takeFrontBufferShot() {
    D3DDISPLAYMODE mode;
    if (FAILED(m_device->GetDisplayMode(0, &mode)))
        return nullptr;
    HWND window = m_presentWindow ? m_presentWindow : m_window;
    POINT origin = {0, 0};
    if (!window || !ClientToScreen(window, &origin))
        return nullptr;
    const LONG width = m_screenSize.width;
    const LONG height = m_screenSize.height;
    // The window must lie wholly on the display for its picture to be there.
    if (width <= 0 || height <= 0 || origin.x < 0 || origin.y < 0 || origin.x + width > LONG(mode.Width) ||
        origin.y + height > LONG(mode.Height))
        return nullptr;
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(m_device->CreateOffscreenPlainSurface(mode.Width, mode.Height, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                                                     &surface, nullptr)))
        return nullptr;
    RECT area = {origin.x, origin.y, origin.x + width, origin.y + height};
    D3DLOCKED_RECT locked;
    if (FAILED(m_device->GetFrontBufferData(0, surface)) || FAILED(surface->LockRect(&locked, &area, D3DLOCK_READONLY))) {
        surface->Release();
        return nullptr;
    }
    // The surface is A8R8G8B8; its alpha means something only on a display
    // that has it.
    CPixelImage* image = imageOfLockedPixels(locked, uint32_t(width), uint32_t(height),
                                             mode.Format == D3DFMT_X8R8G8B8 ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8);
    surface->UnlockRect();
    surface->Release();
    return image;
}

// 3D facilities.

void CD3D9Driver::setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                                   bool rangeFog) {
    CNullGraphicsDriver::setFogParameters(color, linear, start, end, density, pixelFog, rangeFog);
    if (!m_device)
        return;
    m_device->SetRenderState(D3DRS_FOGCOLOR, color.value);
    m_device->SetRenderState(pixelFog ? D3DRS_FOGTABLEMODE : D3DRS_FOGVERTEXMODE, linear ? D3DFOG_LINEAR : D3DFOG_EXP);
    if (linear) {
        m_device->SetRenderState(D3DRS_FOGSTART, floatBits(start));
        m_device->SetRenderState(D3DRS_FOGEND, floatBits(end));
    } else {
        m_device->SetRenderState(D3DRS_FOGDENSITY, floatBits(density));
    }
    if (!pixelFog)
        m_device->SetRenderState(D3DRS_RANGEFOGENABLE, rangeFog);
}

int32_t CD3D9Driver::addLight(const CLight& light) {
    CNullGraphicsDriver::addLight(light);
    if (!m_device)
        return -1;
    D3DLIGHT9 d = {};
    d.Type = light.type == CLight::Spot          ? D3DLIGHT_SPOT
             : light.type == CLight::Directional ? D3DLIGHT_DIRECTIONAL
                                                 : D3DLIGHT_POINT;
    d.Diffuse = colorValue(light.diffuse);
    d.Specular = colorValue(light.specular);
    d.Ambient = colorValue(light.ambient);
    d.Position = {light.position.x, light.position.y, light.position.z};
    d.Direction = {light.direction.x, light.direction.y, light.direction.z};
    d.Range = m_maxLightRange;
    d.Falloff = light.falloff;
    d.Attenuation0 = light.constantAttenuation;
    d.Attenuation1 = light.linearAttenuation;
    d.Attenuation2 = light.quadraticAttenuation;
    constexpr float degrees = 3.14159265f / 180.0f;
    d.Theta = 0.0f;
    d.Phi = light.cutoff * 2.0f * degrees;
    ++m_lastLightIndex;
    if (FAILED(m_device->SetLight(DWORD(m_lastLightIndex), &d)))
        return -1;
    m_device->LightEnable(DWORD(m_lastLightIndex), TRUE);
    return m_lastLightIndex;
}

void CD3D9Driver::clearLights() {
    if (m_device)
        for (int32_t i = 0; i <= m_lastLightIndex; ++i)
            m_device->LightEnable(DWORD(i), FALSE);
    m_lastLightIndex = -1;
    CNullGraphicsDriver::clearLights();
}

void CD3D9Driver::switchLight(int32_t index, bool on) {
    if (m_device && index >= 0 && index <= m_lastLightIndex)
        m_device->LightEnable(DWORD(index), on ? TRUE : FALSE);
}

void CD3D9Driver::draw3DLine(const CVector3d& start, const CVector3d& end, CColor color) {
    NormalVertex vertices[2];
    vertices[0].x = start.x, vertices[0].y = start.y, vertices[0].z = start.z, vertices[0].color = color;
    vertices[1].x = end.x, vertices[1].y = end.y, vertices[1].z = end.z, vertices[1].color = color;
    if (!apply3DStates())
        return;
    drawPrimitives(vertices, 2, nullptr, 1, VertexType::Normal, IndexType::Bits16, PrimitiveType::Lines);
}

void CD3D9Driver::drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) {
    if (!m_stencilBuffer || count == 0 || !positions || !m_device)
        return;
    IDirect3DDevice9* d = m_device;
    const int32_t mode = depthFail ? ModeShadowZFail : ModeShadowZPass;
    if (m_renderMode != mode || m_transformChanged) {
        const D3DMATRIX view = toD3D(m_matrices[0]), world = toD3D(m_matrices[1]), projection = toD3D(m_matrices[2]);
        d->SetTransform(D3DTS_VIEW, &view);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetTransform(D3DTS_PROJECTION, &projection);
        for (uint32_t stage = 0; stage < Stages; ++stage) {
            (void)setActiveTexture(stage, nullptr);
            d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
            d->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        }
        d->SetFVF(D3DFVF_XYZ);
        m_currentVertexType = -1;
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        unsetLastRenderer();
        m_renderMode = mode;
        m_transformChanged = false;
        m_resetAllRenderStates = true;
    }
    d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    d->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    d->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    if (depthFail)
        d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    d->SetRenderState(D3DRS_STENCILREF, 0);
    d->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
    d->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    const D3DRENDERSTATETYPE op = depthFail ? D3DRS_STENCILZFAIL : D3DRS_STENCILPASS;
    d->SetRenderState(D3DRS_CULLMODE, depthFail ? D3DCULL_CW : D3DCULL_CCW);
    d->SetRenderState(op, D3DSTENCILOP_INCRSAT);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, count / 3, positions, sizeof(CVector3d));
    d->SetRenderState(D3DRS_CULLMODE, depthFail ? D3DCULL_CCW : D3DCULL_CW);
    d->SetRenderState(op, D3DSTENCILOP_DECRSAT);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, count / 3, positions, sizeof(CVector3d));
}

void CD3D9Driver::drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                                    CColor bottomRight) {
    if (!m_stencilBuffer || !m_device)
        return;
    IDirect3DDevice9* d = m_device;
    const bool alpha =
        topLeft.alpha() < 255 || topRight.alpha() < 255 || bottomLeft.alpha() < 255 || bottomRight.alpha() < 255;
    if (m_renderMode != ModeStencilFill || m_transformChanged) {
        d->SetTransform(D3DTS_VIEW, &identityMatrix());
        d->SetTransform(D3DTS_WORLD, &identityMatrix());
        d->SetTransform(D3DTS_PROJECTION, &identityMatrix());
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_FOGENABLE, FALSE);
        for (DWORD stage = 1; stage < Stages; ++stage) {
            d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
            d->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        }
        d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        d->SetRenderState(D3DRS_STENCILREF, 1);
        d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_LESSEQUAL);
        d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
        d->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        d->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        unsetLastRenderer();
        m_renderMode = ModeStencilFill;
        m_transformChanged = true;
        m_resetAllRenderStates = true;
    }
    (void)setActiveTexture(0, nullptr);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    if (alpha) {
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    } else {
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }
    const float corners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    const float coordinates[4][2] = {};
    const CColor colors[4] = {topLeft, topRight, bottomRight, bottomLeft};
    drawClipSpaceQuad(corners, coordinates, colors);
    if (clearStencil)
        d->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
}

// Shader constants and materials.

void CD3D9Driver::setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) {
    if (data && m_device)
        m_device->SetVertexShaderConstantF(UINT(firstRegister), data, UINT(count));
}

void CD3D9Driver::setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) {
    if (data && m_device)
        m_device->SetPixelShaderConstantF(UINT(firstRegister), data, UINT(count));
}

bool CD3D9Driver::setVertexShaderConstant(const char* name, const float* data, int32_t count) {
    auto* renderer =
        dynamic_cast<CD3D9MaterialRenderer*>(materialTypeRenderer(uint32_t(m_currentMaterial.materialType)));
    return renderer && renderer->setVariable(true, name, data, count);
}

bool CD3D9Driver::setPixelShaderConstant(const char* name, const float* data, int32_t count) {
    auto* renderer =
        dynamic_cast<CD3D9MaterialRenderer*>(materialTypeRenderer(uint32_t(m_currentMaterial.materialType)));
    return renderer && renderer->setVariable(false, name, data, count);
}

int32_t CD3D9Driver::createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                                  IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                  int32_t userData) {
    if (m_device)
        addD3D9AssemblyShaderMaterial(*this, vertexProgram, pixelProgram, callback, baseMaterialType, userData);
    return -1;
}

int32_t CD3D9Driver::createCompiledShaderMaterial(const char* vertexProgram, const char* vertexEntry,
                                                  int32_t vertexTarget, const char* pixelProgram,
                                                  const char* pixelEntry, int32_t pixelTarget,
                                                  IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                  int32_t userData) {
    if (m_device)
        addD3D9HighLevelShaderMaterial(*this, vertexProgram, vertexEntry, vertexTarget, pixelProgram, pixelEntry,
                                       pixelTarget, callback, baseMaterialType, userData);
    return -1;
}

int32_t CD3D9Driver::addShaderRenderer(IMaterialTypeRenderer* renderer) {
    return registerMaterialType(-1, renderer, nullptr);
}

void CD3D9Driver::trackTexture(CD3D9DriverTexture* texture) { m_textures.push_back(texture); }

void CD3D9Driver::untrackTexture(CD3D9DriverTexture* texture) {
    for (IDriverTexture*& bound : m_currentTexture)
        if (bound == texture)
            bound = nullptr;
    m_textures.erase(std::remove(m_textures.begin(), m_textures.end(), texture), m_textures.end());
}

IGraphicsDriver* createDirect3D9Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                       void* window, CClock* clock) {
    auto* driver = new CD3D9Driver(params, fileSystem, static_cast<HWND>(window), clock);
    if (!driver->initialize(params)) {
        driver->release();
        return nullptr;
    }
    return driver;
}
