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
#include "engine/video/D3DDriverCommon.h"
#include "engine/video/Direct3D9Driver.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/MeshVertices.h"

#include <algorithm>
#include <cstring>

namespace {

void logLine(const char* text, int level) { CLog::instance()->log(text, level); }

// The log line of a failed present.
const char* presentFailure(HRESULT result) {
    switch (result) {
    case D3DERR_DEVICELOST:
        return "Present failed: DIRECT3D9 device lost.";
    case D3DERR_INVALIDCALL:
        return "Present failed: Invalid Call";
    case D3DERR_DEVICEREMOVED:
        return "Present failed: Device removed.";
    default:
        return "DIRECT3D9 present failed.";
    }
}

constexpr DWORD FourCC(char a, char b, char c, char d) {
    return DWORD(uint8_t(a)) | DWORD(uint8_t(b)) << 8 | DWORD(uint8_t(c)) << 16 | DWORD(uint8_t(d)) << 24;
}

} // namespace

const D3DMATRIX& CD3D9Driver::identityMatrix() { return d3dIdentityMatrix(); }

const D3DMATRIX& CD3D9Driver::sphereMapMatrix() { return d3dSphereMapMatrix(); }

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
    : CD3DDriverBase(params, fileSystem, clock), m_windowSize(params.width, params.height),
      m_fullScreen(params.fullScreen) {
    m_window = window;
}

CD3D9Driver::~CD3D9Driver() {
    for (CD3D9DriverTexture* texture : m_textures)
        texture->forgetDriver();
    m_textures.clear();
    // d3d9.dll stays loaded: textures still referenced hold the device.
}

IDirect3DBaseTexture9* D3D9DriverTypes::d3dTexture(IDriverTexture* texture) {
    return static_cast<CD3D9DriverTexture*>(texture)->d3dTexture();
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
        d3dLogAdapter(identifier);
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

    if (!makeDevice(params.keepFloatPrecision, "Was not able to create Direct3D9 device.",
                    "Was not able to create DIRECT3D9 device."))
        return false;

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

bool CD3D9Driver::endFrame() {
    (void)CNullGraphicsDriver::endFrame();
    m_deviceReset = false;
    return endSceneAndPresent("DIRECT3D9 end scene failed.", &presentFailure, [] {});
}

bool CD3D9Driver::resetDevice() {
    logLine("Resetting D3D9 device.", CLog::Info);
    m_deviceReset = true;
    // Resources of the default pool (render targets) and references to the
    // back buffer would make the device refuse the reset: they go first and
    // the render targets come back, empty, afterwards.
    if (m_previousRenderTarget) {
        (void)setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0));
    }
    const HRESULT result = resetAroundTextures();
    if (FAILED(result)) {
        switch (result) {
        case D3DERR_OUTOFVIDEOMEMORY:
            logLine("Resetting failed due to out of memory.", CLog::Warning);
            break;
        case D3DERR_DRIVERINTERNALERROR:
            logLine("Resetting failed due to internal error.", CLog::Warning);
            break;
        case D3DERR_DEVICELOST:
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
    m_lastRendererActive = false;
    restoreDeviceStates();
    // The caller's scissor outlives the device's states.
    m_device->SetScissorRect(&m_scissorRect);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, m_scissorOn ? TRUE : FALSE);
    return true;
}

void CD3D9Driver::onWindowResized(const CSizeI& size) {
    if (!m_device)
        return;
    // Render targets are checked against the depth buffer's new size.
    m_windowSize = size;
    resizeBackBuffer(size);
}

bool CD3D9Driver::hasFeature(DriverFeature feature) const {
    if (uint32_t(feature) >= DriverFeatureCount || !m_featureSwitches[uint32_t(feature)])
        return false;
    switch (feature) {
    case DriverFeature::RenderToTexture:
        return m_caps.NumSimultaneousRTs > 0;
    case DriverFeature::HighLevelShader:
        return d3dCapsFeature(m_caps, DriverFeature::VertexShader11, m_stencilBuffer);
    default:
        return d3dCapsFeature(m_caps, feature, m_stencilBuffer);
    }
}

CStringW CD3D9Driver::driverName() const { return CStringW(u"Direct3D 9.0"); }

// Render modes and materials.

bool CD3D9Driver::apply3DStates() {
    if (!m_device)
        return false;
    if (m_renderMode != Mode3D) {
        d3dSetTransforms(m_device, m_matrices);
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
        const D3DMATRIX projection = d3dPixelProjection(renderTargetSize());
        m_device->SetTransform(D3DTS_VIEW, &identityMatrix());
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        if (m_clipSpace) {
            const D3DMATRIX world = d3dMatrix(m_matrices[1]);
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
    if (index < 3) {
        static constexpr D3DTRANSFORMSTATETYPE states[] = {D3DTS_VIEW, D3DTS_WORLD, D3DTS_PROJECTION};
        const D3DMATRIX m = d3dMatrix(matrix);
        m_device->SetTransform(states[index], &m);
    } else if (index < 7) {
        d3dSetTextureMatrix(m_device, index - 3, matrix);
    }
}

void CD3D9Driver::applyMaterial(const Material& material) {
    m_currentMaterial = material;
    for (uint32_t stage = 0; stage < std::min<uint32_t>(material.usedLayers(), Stages); ++stage) {
        const CImageTexture* texture = material.layers[stage].texture;
        (void)bindTexture(stage, texture ? texture->getTexture() : nullptr);
    }
}

void CD3D9Driver::applyBaseStates(const Material& m, const Material& l, bool reset) {
    if (!m_device)
        return;
    IDirect3DDevice9* d = m_device;
    d3dApplyBaseStates<D3DMATERIAL9>(d, m_caps, m, l, reset, hasFeature(DriverFeature::ColorMask), m_depthWriteSent,
                                     [d](DWORD stage, D3DSamplerState state, DWORD value) {
                                         static constexpr D3DSAMPLERSTATETYPE states[] = {
                                             D3DSAMP_MIPMAPLODBIAS, D3DSAMP_ADDRESSU,  D3DSAMP_ADDRESSV,
                                             D3DSAMP_MAGFILTER,     D3DSAMP_MINFILTER, D3DSAMP_MIPFILTER,
                                             D3DSAMP_MAXANISOTROPY};
                                         d->SetSamplerState(stage, states[int(state)], value);
                                     });
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
}

// Drawing.

void CD3D9Driver::setImageMode() {
    if (m_renderMode == Mode2D && m_clipSpace && !m_transformChanged)
        return;
    IDirect3DDevice9* d = m_device;
    d3dSetImageRenderStates(d);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
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
    d3dSetImageStageStates(d, texture, alphaChannel, alpha);
    if (texture) {
        d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    }
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
    if (!bindTexture(0, texture))
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
        if (!d3dRenderTargetUsable(texture, VideoDriverType::Direct3D9, m_windowSize))
            return false;
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
        m_currentRenderTargetSize = texture->size();
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
    if (FAILED(m_device->GetFrontBufferData(0, surface)) ||
        FAILED(surface->LockRect(&locked, &area, D3DLOCK_READONLY))) {
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

IGraphicsDriver* createDirect3D9Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                       void* window, CClock* clock) {
    auto* driver = new CD3D9Driver(params, fileSystem, static_cast<HWND>(window), clock);
    if (!driver->initialize(params)) {
        driver->release();
        return nullptr;
    }
    return driver;
}
