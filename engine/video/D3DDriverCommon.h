#pragma once

// Windows only. What the Direct3D 9 and Direct3D 8 drivers do alike, written
// once over the interfaces both versions shape the same way: each function
// is a template on the device (and its material, light or viewport record),
// instantiated by the driver that includes this header after its own
// Direct3D header (d3d9.h or D3D8Headers.h), whose names it uses.

#include "engine/content/CPixelImage.h"
#include "engine/core/CColor.h"
#include "engine/core/CColorf.h"
#include "engine/core/CLog.h"
#include "engine/core/CMat4.h"
#include "engine/core/CString.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector3d.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CLight.h"
#include "engine/video/CRectI.h"
#include "engine/video/CSizeI.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/Material.h"
#include "engine/video/MeshVertices.h"
#include "engine/video/VideoTypes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <vector>

// --- Values ------------------------------------------------------------------

inline DWORD d3dFloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline D3DMATRIX d3dMatrix(const CMat4& matrix) {
    D3DMATRIX out;
    std::memcpy(&out, matrix.data(), sizeof out);
    return out;
}

inline const D3DMATRIX& d3dIdentityMatrix() {
    static const D3DMATRIX identity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};
    return identity;
}

// Turns camera-space normals into sphere-map coordinates.
inline const D3DMATRIX& d3dSphereMapMatrix() {
    static const D3DMATRIX sphere = {{{0.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1}}};
    return sphere;
}

// Orthographic over a target of `size` pixels, pixel corners on whole
// coordinates.
inline D3DMATRIX d3dPixelProjection(const CSizeI& size) {
    const float w = float(std::max(size.width, 1)), h = float(std::max(size.height, 1));
    return {
        {{2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1.0f / 20000.0f, 0, -1.0f - 1.0f / w, 1.0f + 1.0f / h, 0, 1}}};
}

inline D3DCOLORVALUE d3dColorValue(CColor c) {
    return {float(c.red()) / 255.0f, float(c.green()) / 255.0f, float(c.blue()) / 255.0f, float(c.alpha()) / 255.0f};
}

inline D3DCOLORVALUE d3dColorValue(const CColorf& c) { return {c.r, c.g, c.b, c.a}; }

inline DWORD d3dClearFlags(bool target, bool depth, bool stencil) {
    return (target ? D3DCLEAR_TARGET : 0) | (depth ? D3DCLEAR_ZBUFFER : 0) | (stencil ? D3DCLEAR_STENCIL : 0);
}

// --- Vertices ----------------------------------------------------------------

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

// The fixed-function vertex format of a vertex type; 0 for an unknown one.
inline DWORD d3dVertexFormat(VertexType type) {
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
        return D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE3(1) |
               D3DFVF_TEXCOORDSIZE3(2);
    }
    return 0;
}

template <class From, class To>
void d3dReorderVertices(const void* vertices, uint32_t count, std::vector<uint8_t>& scratch) {
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

// The vertices in the device's order of fields: the types with a normal are
// copied into `scratch`, the others are used as they are.
inline const void* d3dVertexData(const void* vertices, uint32_t count, VertexType type, std::vector<uint8_t>& scratch) {
    switch (type) {
    case VertexType::Normal:
        d3dReorderVertices<NormalVertex, D3DNormalVertex>(vertices, count, scratch);
        return scratch.data();
    case VertexType::NormalTwoCoords:
        d3dReorderVertices<NormalTwoCoordsVertex, D3DNormalTwoCoordsVertex>(vertices, count, scratch);
        return scratch.data();
    case VertexType::Tangents:
        d3dReorderVertices<TangentVertex, D3DTangentVertex>(vertices, count, scratch);
        return scratch.data();
    default:
        return vertices;
    }
}

// Draws a primitive list whose counts the driver has checked, with `data`
// in the device's layout. Points take the material's thickness and scale by
// distance only when `scalePoints` (in 3D: a 2D point lies at distance 0).
template <class Device>
void d3dDrawPrimitiveList(Device* device, const void* data, uint32_t vertexCount, const void* indices,
                          uint32_t primitiveCount, IndexType indexType, PrimitiveType primitiveType, UINT stride,
                          bool scalePoints, float pointSize) {
    const D3DFORMAT indexFormat = indexType == IndexType::Bits16 ? D3DFMT_INDEX16 : D3DFMT_INDEX32;
    const auto draw = [&](D3DPRIMITIVETYPE type, UINT count) {
        if (indices)
            device->DrawIndexedPrimitiveUP(type, 0, vertexCount, count, indices, indexFormat, data, stride);
        else
            device->DrawPrimitiveUP(type, count, data, stride);
    };
    const auto points = [&] {
        device->SetRenderState(D3DRS_POINTSCALEENABLE, scalePoints ? TRUE : FALSE);
        device->SetRenderState(D3DRS_POINTSIZE, d3dFloatBits(pointSize));
        device->SetRenderState(D3DRS_POINTSCALE_C, d3dFloatBits(1.0f));
        device->SetRenderState(D3DRS_POINTSIZE_MIN, d3dFloatBits(0.0f));
        device->SetRenderState(D3DRS_POINTSCALE_A, d3dFloatBits(0.0f));
        device->SetRenderState(D3DRS_POINTSCALE_B, d3dFloatBits(0.0f));
        draw(D3DPT_POINTLIST, primitiveCount);
        device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    };
    switch (primitiveType) {
    case PrimitiveType::Points:
        points();
        break;
    case PrimitiveType::PointSprites:
        device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
        points();
        device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
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
        const auto loopVertex = [&](uint32_t n) -> uint32_t {
            if (!indices)
                return n;
            return indexType == IndexType::Bits16 ? static_cast<const uint16_t*>(indices)[n]
                                                  : static_cast<const uint32_t*>(indices)[n];
        };
        uint8_t ends[2 * sizeof(D3DTangentVertex)];
        if (stride > sizeof ends / 2)
            break;
        const auto* bytes = static_cast<const uint8_t*>(data);
        std::memcpy(ends, bytes + size_t(loopVertex(primitiveCount - 1)) * stride, stride);
        std::memcpy(ends + stride, bytes + size_t(loopVertex(0)) * stride, stride);
        device->DrawPrimitiveUP(D3DPT_LINELIST, 1, ends, stride);
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

// The pixel-space 2D operations as batch-vertex primitive lists, handed to
// `draw`(vertices, count, indices or null, primitives, primitive type): the
// driver's own 2D set-up and drawPrimitives. Lines and points go through
// the pixel centres, half a pixel after the edges the pixel projection maps
// whole coordinates to, so they light the pixels they name.
template <class Draw>
void d3dFillRectGradient(const CRectI& rect, const CRectI* clip, CColor topLeft, CColor topRight, CColor bottomLeft,
                         CColor bottomRight, Draw draw) {
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
    draw(vertices, 4, indices, 2, PrimitiveType::Triangles);
}

template <class Draw> void d3dDrawLine2D(const CVector2d& start, const CVector2d& end, CColor color, Draw draw) {
    BatchVertex vertices[2];
    vertices[0].x = start.x + 0.5f, vertices[0].y = start.y + 0.5f, vertices[0].color = color;
    vertices[1].x = end.x + 0.5f, vertices[1].y = end.y + 0.5f, vertices[1].color = color;
    draw(vertices, 2, nullptr, 1, PrimitiveType::Lines);
}

template <class Draw> void d3dPlotPixel(uint32_t x, uint32_t y, CColor color, const CSizeI& target, Draw draw) {
    if (x > uint32_t(std::max(target.width, 0)) || y > uint32_t(std::max(target.height, 0)))
        return;
    BatchVertex vertex;
    vertex.x = float(x) + 0.5f, vertex.y = float(y) + 0.5f, vertex.color = color;
    draw(&vertex, 1, nullptr, 1, PrimitiveType::Points);
}

// Draws a quad in clip space from its four corners (clockwise from the top
// left) with vertex type 2's format, which the caller has set.
template <class Device>
void d3dDrawClipSpaceQuad(Device* device, const float (&corners)[4][2], const float (&coordinates)[4][2],
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
    device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, vertices,
                                   sizeof(D3DNormalVertex));
}

// --- Device creation -----------------------------------------------------------

// Logs the adapter's description, driver name and version.
template <class Identifier> void d3dLogAdapter(const Identifier& identifier) {
    char line[1200];
    const LARGE_INTEGER version = identifier.DriverVersion;
    std::snprintf(line, sizeof line, "%s %s %d.%d.%d.%d", identifier.Description, identifier.Driver,
                  int(HIWORD(version.HighPart)), int(LOWORD(version.HighPart)), int(HIWORD(version.LowPart)),
                  int(LOWORD(version.LowPart)));
    CLog::instance()->log(line, CLog::Info);
}

// Picks the depth-stencil format for `present`'s back buffer: one with
// stencil while `stencil` is set (cleared, with a warning, when none
// works), else a plain depth format. False after logging when there is none.
template <class Direct3D, class PresentParameters>
bool d3dChooseDepthFormat(Direct3D* d3d, PresentParameters& present, bool& stencil) {
    const D3DFORMAT backBuffer = present.BackBufferFormat;
    const auto accepts = [&](D3DFORMAT format) {
        return SUCCEEDED(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, backBuffer, D3DUSAGE_DEPTHSTENCIL,
                                                D3DRTYPE_SURFACE, format));
    };
    if (stencil) {
        if (accepts(D3DFMT_D24S8)) {
            present.AutoDepthStencilFormat = D3DFMT_D24S8;
            if (FAILED(d3d->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, backBuffer, backBuffer,
                                                   D3DFMT_D24S8))) {
                CLog::instance()->log(
                    "Depth-stencil format is not compatible with display format, disabling stencil buffer.",
                    CLog::Warning);
                stencil = false;
            }
        } else if (accepts(D3DFMT_D24X4S4)) {
            present.AutoDepthStencilFormat = D3DFMT_D24X4S4;
        } else if (accepts(D3DFMT_D15S1)) {
            present.AutoDepthStencilFormat = D3DFMT_D15S1;
        } else {
            CLog::instance()->log("Device does not support stencilbuffer, disabling stencil buffer.", CLog::Warning);
            stencil = false;
        }
    }
    if (!stencil) {
        const D3DFORMAT formats[] = {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16};
        const D3DFORMAT* found = std::find_if(std::begin(formats), std::end(formats), accepts);
        if (found == std::end(formats)) {
            CLog::instance()->log("Device does not support required depth buffer.", CLog::Warning);
            return false;
        }
        present.AutoDepthStencilFormat = *found;
    }
    return true;
}

// Makes a HAL device with hardware, then mixed, then software vertex
// processing; null when all three are refused.
template <class Device, class Direct3D, class PresentParameters>
Device* d3dCreateDevice(Direct3D* d3d, HWND window, bool keepFloatPrecision, PresentParameters& present) {
    const DWORD keepFpu = keepFloatPrecision ? D3DCREATE_FPU_PRESERVE : 0;
    const DWORD flags[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING};
    for (DWORD flag : flags) {
        Device* device = nullptr;
        if (SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, flag | keepFpu, &present, &device)))
            return device;
    }
    return nullptr;
}

// Whether the capabilities allow stencil shadows.
template <class Caps> bool d3dStencilUsable(const Caps& caps) {
    const DWORD needed = D3DSTENCILCAPS_DECRSAT | D3DSTENCILCAPS_INCRSAT | D3DSTENCILCAPS_KEEP;
    return (caps.StencilCaps & needed) == needed;
}

// The features both versions answer from their capabilities alike; the
// others (render to texture, high-level shaders) are the driver's.
template <class Caps> bool d3dCapsFeature(const Caps& caps, DriverFeature feature, bool stencilBuffer) {
    const DWORD vs = caps.VertexShaderVersion & 0xFFFF, ps = caps.PixelShaderVersion & 0xFFFF;
    switch (feature) {
    case DriverFeature::HardwareTransformAndLight:
        return (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
    case DriverFeature::MultiTexture:
    case DriverFeature::BilinearFilter:
        return true;
    case DriverFeature::MipMap:
        return (caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0;
    case DriverFeature::StencilBuffer:
        return stencilBuffer && caps.StencilCaps != 0;
    case DriverFeature::VertexShader11:
        return vs >= 0x0101;
    case DriverFeature::VertexShader20:
        return vs >= 0x0200;
    case DriverFeature::VertexShader30:
        return vs >= 0x0300;
    case DriverFeature::PixelShader11:
        return ps >= 0x0101;
    case DriverFeature::PixelShader12:
        return ps >= 0x0102;
    case DriverFeature::PixelShader13:
        return ps >= 0x0103;
    case DriverFeature::PixelShader14:
        return ps >= 0x0104;
    case DriverFeature::PixelShader20:
        return ps >= 0x0200;
    case DriverFeature::PixelShader30:
        return ps >= 0x0300;
    case DriverFeature::NonSquareTexture:
        return (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) == 0;
    case DriverFeature::NonPowerOfTwoTexture:
        return (caps.TextureCaps & D3DPTEXTURECAPS_POW2) == 0;
    case DriverFeature::ColorMask:
        return (caps.PrimitiveMiscCaps & D3DPMISCCAPS_COLORWRITEENABLE) != 0;
    default:
        return false;
    }
}

// --- Frames --------------------------------------------------------------------

// The start of a frame: a lost device is waited for (100 ms once) and reset
// by `reset` when it may be; then the clear and BeginScene. False when the
// frame cannot be drawn.
template <class Device, class Reset>
bool d3dBeginScene(Device* device, bool deviceLost, Reset reset, DWORD clearFlags, CColor clearColor,
                   const char* clearFailed, const char* beginFailed) {
    if (deviceLost) {
        HRESULT level = device->TestCooperativeLevel();
        if (level == D3DERR_DEVICELOST) {
            Sleep(100);
            level = device->TestCooperativeLevel();
            if (level == D3DERR_DEVICELOST)
                return false;
        }
        if (level == D3DERR_DEVICENOTRESET && !reset())
            return false;
    }
    if (clearFlags && FAILED(device->Clear(0, nullptr, clearFlags, clearColor.value, 1.0f, 0)))
        CLog::instance()->log(clearFailed, CLog::Warning);
    if (FAILED(device->BeginScene())) {
        CLog::instance()->log(beginFailed, CLog::Warning);
        return false;
    }
    return true;
}

// --- Render states -------------------------------------------------------------

// The per-layer sampling states, which Direct3D 9 keeps as sampler states
// and Direct3D 8 as texture stage states.
enum class D3DSamplerState { LodBias, AddressU, AddressV, MagFilter, MinFilter, MipFilter, MaxAnisotropy };

// Sends the states of `m` that differ from `last` (all of them with
// `reset`), apart from anti-aliasing, which is the driver's. Depth writes
// are compared with `depthWriteSent`, what the device was last given: a
// renderer may send a material with depth writes off in place of the one
// the driver keeps as the last. `sampler`(stage, D3DSamplerState, value)
// sets a layer's sampling state.
template <class D3DMaterial, class Device, class Caps, class Sampler>
void d3dApplyBaseStates(Device* d, const Caps& caps, const Material& m, const Material& last, bool reset,
                        bool colorMask, bool& depthWriteSent, Sampler sampler) {
    if (reset || m.ambient != last.ambient || m.diffuse != last.diffuse || m.emissive != last.emissive ||
        m.specular != last.specular || m.shininess != last.shininess) {
        D3DMaterial material;
        material.Diffuse = d3dColorValue(m.diffuse);
        material.Ambient = d3dColorValue(m.ambient);
        material.Specular = d3dColorValue(m.specular);
        material.Emissive = d3dColorValue(m.emissive);
        material.Power = m.shininess;
        d->SetMaterial(&material);
    }
    if (m.colorMaterial != last.colorMaterial) {
        const uint8_t mode = m.colorMaterial;
        const auto source = [](bool fromColor) { return fromColor ? D3DMCS_COLOR1 : D3DMCS_MATERIAL; };
        d->SetRenderState(D3DRS_COLORVERTEX, mode != Material::ColorMaterialNone);
        d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, source(mode == Material::ColorMaterialDiffuse ||
                                                              mode == Material::ColorMaterialAmbientDiffuse));
        d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, source(mode == Material::ColorMaterialAmbient ||
                                                              mode == Material::ColorMaterialAmbientDiffuse));
        d->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, source(mode == Material::ColorMaterialEmissive));
        d->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, source(mode == Material::ColorMaterialSpecular));
    }
    if (reset || m.wireframe != last.wireframe || m.pointCloud != last.pointCloud)
        d->SetRenderState(D3DRS_FILLMODE, m.wireframe    ? D3DFILL_WIREFRAME
                                          : m.pointCloud ? D3DFILL_POINT
                                                         : D3DFILL_SOLID);
    if (reset || m.gouraud != last.gouraud)
        d->SetRenderState(D3DRS_SHADEMODE, m.gouraud ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    if (reset || m.lighting != last.lighting)
        d->SetRenderState(D3DRS_LIGHTING, m.lighting);
    if ((reset || m.depthFunc != last.depthFunc) && m.depthFunc <= Material::DepthAlways) {
        static constexpr D3DCMPFUNC functions[] = {D3DCMP_LESSEQUAL,    D3DCMP_EQUAL,   D3DCMP_LESS,  D3DCMP_NOTEQUAL,
                                                   D3DCMP_GREATEREQUAL, D3DCMP_GREATER, D3DCMP_ALWAYS};
        if (m.depthFunc == Material::DepthOff) {
            d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        } else {
            d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
            d->SetRenderState(D3DRS_ZFUNC, functions[m.depthFunc - 1]);
        }
    }
    if (reset || m.depthWrite != depthWriteSent) {
        d->SetRenderState(D3DRS_ZWRITEENABLE, m.depthWrite);
        depthWriteSent = m.depthWrite;
    }
    if (reset || m.cullFront != last.cullFront || m.cullBack != last.cullBack)
        d->SetRenderState(D3DRS_CULLMODE, m.cullFront ? D3DCULL_CW : m.cullBack ? D3DCULL_CCW : D3DCULL_NONE);
    if (reset || m.fog != last.fog)
        d->SetRenderState(D3DRS_FOGENABLE, m.fog);
    if (reset || m.normalizeNormals != last.normalizeNormals)
        d->SetRenderState(D3DRS_NORMALIZENORMALS, m.normalizeNormals);
    if ((reset || m.colorMask != last.colorMask) && colorMask) {
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
    if (reset || m.thickness != last.thickness)
        d->SetRenderState(D3DRS_POINTSIZE, d3dFloatBits(m.thickness));

    for (uint32_t i = 0; i < std::min<uint32_t>(m.usedLayers(), Material::MaxLayers); ++i) {
        const TextureLayer& layer = m.layers[i];
        const TextureLayer& before = last.layers[i];
        if (reset || layer.lodBias != before.lodBias)
            sampler(i, D3DSamplerState::LodBias, d3dFloatBits(float(layer.lodBias) * 0.125f));
        if (reset || layer.wrap != before.wrap) {
            static constexpr D3DTEXTUREADDRESS modes[] = {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP,
                                                          D3DTADDRESS_BORDER, D3DTADDRESS_MIRROR};
            const D3DTEXTUREADDRESS mode = layer.wrap < std::size(modes) ? modes[layer.wrap] : D3DTADDRESS_WRAP;
            sampler(i, D3DSamplerState::AddressU, mode);
            sampler(i, D3DSamplerState::AddressV, mode);
        }
        if (reset || layer.bilinear != before.bilinear || layer.trilinear != before.trilinear ||
            layer.anisotropy != before.anisotropy) {
            if (layer.bilinear || layer.trilinear || layer.anisotropy) {
                const bool magAniso = (caps.TextureFilterCaps & D3DPTFILTERCAPS_MAGFANISOTROPIC) && layer.anisotropy;
                const bool minAniso = (caps.TextureFilterCaps & D3DPTFILTERCAPS_MINFANISOTROPIC) && layer.anisotropy;
                if (magAniso || minAniso)
                    sampler(i, D3DSamplerState::MaxAnisotropy, std::min<DWORD>(layer.anisotropy, caps.MaxAnisotropy));
                sampler(i, D3DSamplerState::MagFilter, magAniso ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR);
                sampler(i, D3DSamplerState::MinFilter, minAniso ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR);
                sampler(i, D3DSamplerState::MipFilter, layer.trilinear ? D3DTEXF_LINEAR : D3DTEXF_POINT);
            } else {
                sampler(i, D3DSamplerState::MinFilter, D3DTEXF_POINT);
                sampler(i, D3DSamplerState::MipFilter, D3DTEXF_NONE);
                sampler(i, D3DSamplerState::MagFilter, D3DTEXF_POINT);
            }
        }
    }
}

// Binds `texture` (null: none) to `stage`, remembered in `bound`; refuses
// (and unbinds) a texture of another driver type. `d3dTexture` gives the
// Direct3D texture of one of the driver's own.
template <class Device, class D3DTextureOf>
bool d3dBindTexture(Device* device, IDriverTexture* (&bound)[Material::MaxLayers], uint32_t stage,
                    IDriverTexture* texture, int32_t driverType, D3DTextureOf d3dTexture) {
    if (stage >= Material::MaxLayers || !device)
        return false;
    if (bound[stage] == texture)
        return true;
    if (texture && texture->driverType() != driverType) {
        device->SetTexture(stage, nullptr);
        bound[stage] = nullptr;
        CLog::instance()->log("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
        return false;
    }
    bound[stage] = texture;
    if (!texture) {
        device->SetTexture(stage, nullptr);
        device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    } else {
        device->SetTexture(stage, d3dTexture(texture));
    }
    return true;
}

// Sends the view, world and projection matrices of `matrices` (a driver's
// matrix table, in MatrixKind order).
template <class Device> void d3dSetTransforms(Device* d, const CMat4* matrices) {
    const D3DMATRIX view = d3dMatrix(matrices[0]), world = d3dMatrix(matrices[1]), projection = d3dMatrix(matrices[2]);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTransform(D3DTS_PROJECTION, &projection);
}

// Sends texture stage `stage`'s transform; the identity for an identity.
template <class Device> void d3dSetTextureMatrix(Device* device, DWORD stage, const CMat4& matrix) {
    const D3DMATRIX value = d3dMatrix(matrix);
    device->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    device->SetTransform(D3DTRANSFORMSTATETYPE(D3DTS_TEXTURE0 + stage),
                         matrix.isIdentity() ? &d3dIdentityMatrix() : &value);
}

// The set-up of the clip-space image operations the two versions share:
// identity transforms, no depth, lighting, fog, stencil or further stages,
// stage 0 reading its own coordinates untransformed.
template <class Device> void d3dSetImageRenderStates(Device* d) {
    d->SetTransform(D3DTS_VIEW, &d3dIdentityMatrix());
    d->SetTransform(D3DTS_WORLD, &d3dIdentityMatrix());
    d->SetTransform(D3DTS_PROJECTION, &d3dIdentityMatrix());
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    for (DWORD stage = 1; stage < Material::MaxLayers; ++stage)
        d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTransform(D3DTS_TEXTURE0, &d3dIdentityMatrix());
}

// Stage 0 and blending for an image: the texture (or none) under the vertex
// colours, its alpha channel or the vertex alpha blending when asked.
template <class Device> void d3dSetImageStageStates(Device* d, bool texture, bool alphaChannel, bool alpha) {
    const auto colorModulate = [d] {
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    };
    const auto alphaOp = [d](DWORD op, DWORD arg1, DWORD arg2) {
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, op);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, arg1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, arg2);
    };
    bool blending = true;
    colorModulate();
    if (texture && alphaChannel) {
        alphaOp(alpha ? D3DTOP_MODULATE : D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    } else if (texture && alpha) {
        // The texture's colour under the vertex alpha.
        alphaOp(D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    } else if (!texture && alpha) {
        alphaOp(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
    } else {
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        blending = false;
    }
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, blending ? TRUE : FALSE);
    if (blending) {
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
}

// --- Stencil shadows -----------------------------------------------------------

// The stencil states of a shadow volume drawn with `depthFail` or not.
template <class Device> void d3dSetShadowVolumeStates(Device* d, bool depthFail) {
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
}

// Both passes of a shadow volume: front faces count up, back faces down
// (z-pass), or the other way round where the depth test fails (z-fail).
template <class Device>
void d3dDrawShadowVolume(Device* d, const CVector3d* positions, uint32_t count, bool depthFail) {
    const D3DRENDERSTATETYPE op = depthFail ? D3DRS_STENCILZFAIL : D3DRS_STENCILPASS;
    d->SetRenderState(D3DRS_CULLMODE, depthFail ? D3DCULL_CW : D3DCULL_CCW);
    d->SetRenderState(op, D3DSTENCILOP_INCRSAT);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, count / 3, positions, sizeof(CVector3d));
    d->SetRenderState(D3DRS_CULLMODE, depthFail ? D3DCULL_CCW : D3DCULL_CW);
    d->SetRenderState(op, D3DSTENCILOP_DECRSAT);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, count / 3, positions, sizeof(CVector3d));
}

// The states of the shadow overlay's stencil fill mode.
template <class Device> void d3dSetStencilFillStates(Device* d) {
    d->SetTransform(D3DTS_VIEW, &d3dIdentityMatrix());
    d->SetTransform(D3DTS_WORLD, &d3dIdentityMatrix());
    d->SetTransform(D3DTS_PROJECTION, &d3dIdentityMatrix());
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    for (DWORD stage = 1; stage < Material::MaxLayers; ++stage) {
        d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    d->SetRenderState(D3DRS_STENCILREF, 1);
    d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_LESSEQUAL);
    d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    d->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    d->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
}

// Stage 0 and blending of the shadow overlay: the vertex colours, blended
// by their alpha when one is below 255.
template <class Device> void d3dSetShadowOverlayStageStates(Device* d, bool alpha) {
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
}

// --- 3D facilities -------------------------------------------------------------

template <class Device>
void d3dSendFog(Device* d, CColor color, bool linear, float start, float end, float density, bool pixelFog,
                bool rangeFog) {
    d->SetRenderState(D3DRS_FOGCOLOR, color.value);
    d->SetRenderState(pixelFog ? D3DRS_FOGTABLEMODE : D3DRS_FOGVERTEXMODE, linear ? D3DFOG_LINEAR : D3DFOG_EXP);
    if (linear) {
        d->SetRenderState(D3DRS_FOGSTART, d3dFloatBits(start));
        d->SetRenderState(D3DRS_FOGEND, d3dFloatBits(end));
    } else {
        d->SetRenderState(D3DRS_FOGDENSITY, d3dFloatBits(density));
    }
    if (!pixelFog)
        d->SetRenderState(D3DRS_RANGEFOGENABLE, rangeFog);
}

// Hands `light` to the device as light `lastIndex` + 1 and switches it on;
// the new index, or -1 when the device refuses it.
template <class D3DLight, class Device>
int32_t d3dAddLight(Device* d, const CLight& light, float range, int32_t& lastIndex) {
    D3DLight out = {};
    out.Type = light.type == CLight::Spot          ? D3DLIGHT_SPOT
               : light.type == CLight::Directional ? D3DLIGHT_DIRECTIONAL
                                                   : D3DLIGHT_POINT;
    out.Diffuse = d3dColorValue(light.diffuse);
    out.Specular = d3dColorValue(light.specular);
    out.Ambient = d3dColorValue(light.ambient);
    out.Position = {light.position.x, light.position.y, light.position.z};
    out.Direction = {light.direction.x, light.direction.y, light.direction.z};
    out.Range = range;
    out.Falloff = light.falloff;
    out.Attenuation0 = light.constantAttenuation;
    out.Attenuation1 = light.linearAttenuation;
    out.Attenuation2 = light.quadraticAttenuation;
    constexpr float degrees = 3.14159265f / 180.0f;
    out.Theta = 0.0f;
    out.Phi = light.cutoff * 2.0f * degrees;
    ++lastIndex;
    if (FAILED(d->SetLight(DWORD(lastIndex), &out)))
        return -1;
    d->LightEnable(DWORD(lastIndex), TRUE);
    return lastIndex;
}

template <class Device> void d3dClearLights(Device* d, int32_t& lastIndex) {
    if (d)
        for (int32_t i = 0; i <= lastIndex; ++i)
            d->LightEnable(DWORD(i), FALSE);
    lastIndex = -1;
}

// The viewport clamped to the screen; false (logged) for an empty one or
// one the device refuses.
template <class D3DViewport, class Device>
bool d3dSetViewport(Device* d, const CRectI& rect, const CSizeI& screen, CRectI& stored) {
    CRectI r = rect;
    r.right = std::min(r.right, screen.width);
    r.bottom = std::min(r.bottom, screen.height);
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.top = std::min(r.top, r.bottom);
    r.left = std::min(r.left, r.right);
    stored = r;
    const int32_t width = r.right - r.left, height = r.bottom - r.top;
    D3DViewport viewport = {DWORD(r.left), DWORD(r.top), DWORD(width), DWORD(height), 0.0f, 1.0f};
    if (width <= 0 || height <= 0 || !d || FAILED(d->SetViewport(&viewport))) {
        CLog::instance()->log("Failed setting the viewport.", CLog::Warning);
        return false;
    }
    return true;
}

template <class Device> void d3dToggleClipPlane(Device* d, uint32_t index, bool on) {
    DWORD bits = 0;
    d->GetRenderState(D3DRS_CLIPPLANEENABLE, &bits);
    bits = on ? bits | (1u << index) : bits & ~(1u << index);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, bits);
}

// Defines user clip plane `index` from `plane` (normal and distance) in the
// space the world matrix maps from, and switches it on or off.
template <class Device>
void d3dDefineClipPlane(Device* d, const CMat4& world, uint32_t index, const float (&plane)[4], bool enable) {
    if (enable) {
        const CVector3d normal(plane[0], plane[1], plane[2]);
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
        const float values[4] = {n.x, n.y, n.z, -(n.x * point.x + n.y * point.y + n.z * point.z)};
        d->SetClipPlane(index, values);
    }
    d3dToggleClipPlane(d, index, enable);
}

// --- Render targets ------------------------------------------------------------

// Whether `texture` can be drawn into by a driver of `driverType` whose depth
// buffer covers `limit`; logs why not.
inline bool d3dRenderTargetUsable(IDriverTexture* texture, int32_t driverType, const CSizeI& limit) {
    if (texture->driverType() != driverType) {
        CLog::instance()->log("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
        return false;
    }
    if (!texture->isRenderTarget()) {
        CLog::instance()->log("Fatal Error: Tried to set a non render target texture as render target.", CLog::Error);
        return false;
    }
    const CSizeI& size = texture->size();
    if (size.width > limit.width || size.height > limit.height) {
        CLog::instance()->log("Error: Tried to set a render target texture which is bigger than the screen.",
                              CLog::Error);
        return false;
    }
    return true;
}

// --- Textures ------------------------------------------------------------------

// The colour format and bytes per texel of a texture format; 0 bytes for a
// format no image is copied into.
inline ColorFormat d3dTexelFormat(D3DFORMAT format, uint32_t* bytesPerTexel) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        *bytesPerTexel = 4;
        return ColorFormat::A8R8G8B8;
    case D3DFMT_R5G6B5:
        *bytesPerTexel = 2;
        return ColorFormat::R5G6B5;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        *bytesPerTexel = 2;
        return ColorFormat::A1R5G5B5;
    case D3DFMT_A4R4G4B4:
        *bytesPerTexel = 2;
        return ColorFormat::A4R4G4B4;
    case D3DFMT_R8G8B8:
        *bytesPerTexel = 3;
        return ColorFormat::R8G8B8;
    default:
        *bytesPerTexel = 0;
        return ColorFormat::A1R5G5B5;
    }
}

// The texture format an image of `format` asks for.
inline D3DFORMAT d3dTextureFormatFor(ColorFormat format) {
    switch (format) {
    case ColorFormat::A4R4G4B4:
        return D3DFMT_A4R4G4B4;
    case ColorFormat::R5G6B5:
        return D3DFMT_R5G6B5;
    case ColorFormat::R8G8B8:
        return D3DFMT_R8G8B8;
    case ColorFormat::A8R8G8B8:
        return D3DFMT_A8R8G8B8;
    default:
        return D3DFMT_A1R5G5B5;
    }
}

// Copies `image` into texels of `format` (`width` x `height` at `pitch`
// bytes a row). A D3DFMT_R8G8B8 texel is a little-endian 24-bit value, blue
// in its first byte, where the image's R8G8B8 pixels start with red.
inline void d3dCopyImageTexels(const CPixelImage& image, void* texels, uint32_t width, uint32_t height, uint32_t pitch,
                               D3DFORMAT format) {
    uint32_t bytes = 0;
    const ColorFormat colorFormat = d3dTexelFormat(format, &bytes);
    if (bytes == 0)
        return;
    image.exportPixels(texels, width, height, colorFormat, pitch);
    if (format != D3DFMT_R8G8B8)
        return;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(texels) + size_t(y) * pitch;
        for (uint32_t x = 0; x < width; ++x)
            std::swap(row[x * 3], row[x * 3 + 2]);
    }
}

// One 2 x 2 box filter step from a level of `upper` texels into the next;
// a level one texel high or wide repeats its last row or column. R5G6B5
// averages its own channels. A1R5G5B5 does too and keeps its alpha bit only
// where all four texels have it when `strictAlpha`; otherwise it averages
// channels widened to 8 bits, alpha included.
inline void d3dFilterMipLevel(D3DFORMAT format, bool strictAlpha, const D3DLOCKED_RECT& upper, uint32_t upperWidth,
                              uint32_t upperHeight, const D3DLOCKED_RECT& lower, uint32_t lowerWidth,
                              uint32_t lowerHeight) {
    const auto* source = static_cast<const uint8_t*>(upper.pBits);
    auto* target = static_cast<uint8_t*>(lower.pBits);
    const bool sixteen = format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8;
    const bool r5g6b5 = format == D3DFMT_R5G6B5;
    // The 16-bit channels, alpha first: shifts and masks.
    const uint32_t shifts[4] = {15u, r5g6b5 ? 11u : 10u, 5u, 0u};
    const uint32_t masks[4] = {r5g6b5 ? 0u : 1u, 31u, r5g6b5 ? 63u : 31u, 31u};
    const auto widen = [&](uint32_t value, int c) {
        return c == 0 ? value * 255 : masks[c] == 31u ? value * 8 + value / 4 : value * 4;
    };
    const auto narrow = [&](uint32_t value, int c) {
        return c == 0 ? value / 128 : masks[c] == 31u ? value / 8 : value / 4;
    };
    const bool wide = !strictAlpha && !r5g6b5;
    for (uint32_t y = 0; y < lowerHeight; ++y) {
        const uint32_t y0 = std::min(2 * y, upperHeight - 1), y1 = std::min(2 * y + 1, upperHeight - 1);
        for (uint32_t x = 0; x < lowerWidth; ++x) {
            const uint32_t x0 = std::min(2 * x, upperWidth - 1), x1 = std::min(2 * x + 1, upperWidth - 1);
            const uint32_t xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
            if (!sixteen) {
                uint32_t sums[4] = {0, 0, 0, 0};
                for (int i = 0; i < 4; ++i) {
                    const uint8_t* texel = source + size_t(ys[i]) * upper.Pitch + xs[i] * 4;
                    for (int c = 0; c < 4; ++c)
                        sums[c] += texel[c];
                }
                uint8_t* out = target + size_t(y) * lower.Pitch + x * 4;
                for (int c = 0; c < 4; ++c)
                    out[c] = uint8_t(sums[c] / 4);
                continue;
            }
            uint32_t sums[4] = {0, 0, 0, 0};
            uint32_t alphaAll = 1;
            for (int i = 0; i < 4; ++i) {
                uint16_t texel;
                std::memcpy(&texel, source + size_t(ys[i]) * upper.Pitch + xs[i] * 2, 2);
                for (int c = 0; c < 4; ++c) {
                    const uint32_t value = (texel >> shifts[c]) & masks[c];
                    sums[c] += wide ? widen(value, c) : value;
                }
                alphaAll &= (texel >> 15) & masks[0];
            }
            uint32_t packed = 0;
            for (int c = 1; c < 4; ++c)
                packed |= (wide ? narrow(sums[c] / 4, c) : sums[c] / 4) << shifts[c];
            if (!r5g6b5)
                packed |= (wide ? narrow(sums[0] / 4, 0) : alphaAll) << 15;
            const auto value = uint16_t(packed);
            std::memcpy(target + size_t(y) * lower.Pitch + x * 2, &value, 2);
        }
    }
}

// Builds every mip level of `texture` from `level` down from the level above
// it (`strictAlpha` as for d3dFilterMipLevel); false (logged) when a level
// could not be had or locked. Formats the filter does not know are left as
// they are, with a warning.
template <class Surface, class Texture> bool d3dGenerateMipLevels(Texture* texture, uint32_t level, bool strictAlpha) {
    if (!texture || level == 0)
        return true;
    const auto warn = [](const char* text) { CLog::instance()->log(text, CLog::Warning); };
    for (; level < texture->GetLevelCount(); ++level) {
        Surface* upper = nullptr;
        Surface* lower = nullptr;
        if (FAILED(texture->GetSurfaceLevel(level - 1, &upper))) {
            warn("Could not get upper surface level for mip map generation");
            return false;
        }
        if (FAILED(texture->GetSurfaceLevel(level, &lower))) {
            upper->Release();
            warn("Could not get lower surface level for mip map generation");
            return false;
        }
        D3DSURFACE_DESC upperDesc{}, lowerDesc{};
        upper->GetDesc(&upperDesc);
        lower->GetDesc(&lowerDesc);
        D3DLOCKED_RECT upperRect{}, lowerRect{};
        if (FAILED(upper->LockRect(&upperRect, nullptr, 0))) {
            upper->Release();
            lower->Release();
            warn("Could not lock upper texture for mip map generation");
            return false;
        }
        if (FAILED(lower->LockRect(&lowerRect, nullptr, 0))) {
            upper->UnlockRect();
            upper->Release();
            lower->Release();
            warn("Could not lock lower texture for mip map generation");
            return false;
        }
        const D3DFORMAT format = upperDesc.Format;
        if (format != lowerDesc.Format)
            warn("Cannot copy mip maps with different formats.");
        else if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 ||
                 format == D3DFMT_A1R5G5B5 || format == D3DFMT_X1R5G5B5)
            d3dFilterMipLevel(format, strictAlpha, upperRect, upperDesc.Width, upperDesc.Height, lowerRect,
                              lowerDesc.Width, lowerDesc.Height);
        else
            warn("Unsupported mipmap format, cannot copy.");
        const bool unlocked = SUCCEEDED(upper->UnlockRect()) & SUCCEEDED(lower->UnlockRect());
        upper->Release();
        lower->Release();
        if (!unlocked)
            return false;
    }
    return true;
}
