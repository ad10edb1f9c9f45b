#pragma once

#include "engine/content/ColorFormat.h"
#include "engine/core/CColor.h"
#include "engine/core/CColorf.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector2di.h"
#include "engine/video/CRectI.h"
#include "engine/video/CSizeI.h"
#include "engine/video/VideoTypes.h"

#include <cstdint>

struct CLight;
class CMat4;
class CPixelImage;
class CQuadBatch;
class CVector3d;
class IDriverTexture;
class IGeometryBuffer;
class IMaterialTypeRenderer;
class IShaderServices;
class Material;
struct CPlatformData;
struct NormalTwoCoordsVertex;
struct NormalVertex;
struct TangentVertex;
template <class T> class CArray;

// The one abstraction through which the engine draws. The device makes one
// driver of the chosen type; everyone else reaches it through the engine.
// The 2D road goes through quadBatch() between its begin and end; the rest of
// the interface is the 3D pipeline every driver answers.
//
// Per frame: beginFrame, the draws, endFrame. applyMaterial only records the
// material; its states reach the hardware inside the next draw.
class IGraphicsDriver : public virtual CRefCounted {
public:
    // Starts a frame: the frame's primitive count restarts at 0 and the
    // buffers asked for are cleared. The window and rectangle say where to
    // present (null: the device's window, the whole back buffer).
    [[nodiscard]] virtual bool beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                                          const CRectI* sourceRect) = 0;
    // Registers the frame with the frame counter and presents.
    [[nodiscard]] virtual bool endFrame() = 0;

    // True when the feature is switched on and the driver supports it.
    [[nodiscard]] virtual bool hasFeature(DriverFeature feature) const = 0;
    virtual void enableFeature(DriverFeature feature, bool on) = 0;

    // Enters 3D mode (projection, view and world from the kept matrices).
    [[nodiscard]] virtual bool apply3DStates() = 0;
    // Enters 2D mode: orthographic over the render target, (0, 0) at the top
    // left, the world matrix as model view.
    [[nodiscard]] virtual bool apply2DStates() = 0;

    virtual void setMatrix(MatrixKind kind, const CMat4& matrix) = 0;
    [[nodiscard]] virtual const CMat4& matrix(MatrixKind kind) const = 0;
    // Makes `material` the current one (copied).
    virtual void applyMaterial(const Material& material) = 0;

    // Textures: each hands the caller one reference, or null.
    // Null for a null image, else makeDriverTexture.
    [[nodiscard]] virtual IDriverTexture* textureFromImage(CPixelImage* image) = 0;
    // A texture over a new image of that size and format (pixels undefined).
    [[nodiscard]] virtual IDriverTexture* emptyTexture(const CSizeI& size, ColorFormat format) = 0;
    [[nodiscard]] virtual IDriverTexture* renderTargetTexture(const CSizeI& size, ColorFormat format) = 0;

    // Makes every texel of the colour found at (x, y) transparent.
    virtual void colorKeyFromPixel(IDriverTexture* texture, int32_t x, int32_t y) = 0;
    // Makes every texel of `color` transparent.
    virtual void colorKeyFromColor(IDriverTexture* texture, CColor color) = 0;

    // Chooses a frame-buffer target by kind: 0 the normal frame buffer; 1 (a
    // render texture) is refused, those go through the texture form.
    [[nodiscard]] virtual bool setRenderTarget(int32_t kind, bool clearBackBuffer, bool clearDepth,
                                               CColor clearColor) = 0;
    // Renders into `texture` from now on (null: back to the frame buffer).
    [[nodiscard]] virtual bool setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth,
                                               CColor clearColor) = 0;
    virtual void setViewportRect(const CRectI& rect) = 0;
    [[nodiscard]] virtual const CRectI& viewportRect() const = 0;
    // Uploads `image` (not null) as a new texture of this driver.
    [[nodiscard]] virtual IDriverTexture* makeDriverTexture(CPixelImage* image) = 0;

    // Draws `primitiveCount` primitives with the current material. Without
    // indices the vertices are taken in order.
    virtual void drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices,
                                uint32_t primitiveCount, VertexType vertexType, IndexType indexType,
                                PrimitiveType primitiveType) = 0;
    virtual void drawTriangles(const TangentVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                               uint32_t triangleCount) = 0;
    virtual void drawTriangles(const NormalTwoCoordsVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                               uint32_t triangleCount) = 0;
    virtual void drawTriangles(const NormalVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                               uint32_t triangleCount) = 0;
    virtual void drawFan(const NormalTwoCoordsVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                         uint32_t triangleCount) = 0;
    virtual void drawFan(const NormalVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                         uint32_t triangleCount) = 0;

    // A texture part stretched over `destination`. `colors` (four, or null
    // for white) are top left, bottom left, bottom right, top right.
    virtual void drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source,
                                 const CRectI* clip, const CColor* colors, bool useAlphaChannel) = 0;
    // The source rectangles named by `indices`, one after another from
    // `position`, each advanced by the previous width plus `extraAdvance`.
    virtual void drawImageRun(IDriverTexture* texture, const CVector2di& position, const CArray<CRectI>& sources,
                              const CArray<int32_t>& indices, int32_t extraAdvance, const CRectI* clip, CColor color,
                              bool useAlphaChannel) = 0;
    // A texture part at its own size.
    virtual void drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source,
                               const CRectI* clip, CColor color, bool useAlphaChannel) = 0;
    // The whole image in white at `position`, without alpha channel or clip.
    virtual void drawImageAt(IDriverTexture* texture, const CVector2di& position) = 0;
    // Corner colours top left, top right, bottom left, bottom right.
    virtual void fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft,
                                  CColor bottomRight, const CRectI* clip) = 0;
    virtual void fillRect(CColor color, const CRectI& rect, const CRectI* clip) = 0;
    virtual void drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) = 0;
    virtual void plotPixel(uint32_t x, uint32_t y, CColor color) = 0;
    // The outline of a regular polygon of `corners` corners.
    virtual void drawRegularPolygon(const CVector2d& centre, float radius, CColor color, int32_t corners) = 0;
    virtual void drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) = 0;
    // Corner colours top left, top right, bottom left, bottom right.
    virtual void drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                                   CColor bottomRight) = 0;
    // drawPrimitives with the buffer's data, primitive count and type.
    virtual void drawMesh(IGeometryBuffer* buffer) = 0;

    virtual void setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                                  bool rangeFog) = 0;

    [[nodiscard]] virtual const CSizeI& screenSize() const = 0;
    // Bits per pixel of the creation parameters.
    [[nodiscard]] virtual int32_t colorDepth() const = 0;
    [[nodiscard]] virtual ColorFormat pixelFormat() const = 0;
    // The current render target's size (the screen size without one).
    [[nodiscard]] virtual const CSizeI& renderTargetSize() const = 0;
    [[nodiscard]] virtual int32_t framesPerSecond() const = 0;
    // Mode 0: primitives of the last frame; 1: per second over the last
    // interval; any other: since the driver was made.
    [[nodiscard]] virtual uint32_t primitiveCount(uint32_t mode) const = 0;

    virtual void clearLights() = 0;
    // Adds a copy; answers its index.
    virtual int32_t addLight(const CLight& light) = 0;
    [[nodiscard]] virtual int32_t maxLights() const = 0;
    [[nodiscard]] virtual int32_t lightCount() const = 0;
    virtual void switchLight(int32_t index, bool on) = 0;
    // Null past the end.
    [[nodiscard]] virtual const CLight* light(int32_t index) const = 0;

    [[nodiscard]] virtual CStringW driverName() const = 0;
    // Most primitives one drawPrimitives may draw.
    [[nodiscard]] virtual uint32_t maxPrimitives() const = 0;
    // TextureFlag bits.
    virtual void setTextureFlag(uint32_t flag, bool on) = 0;
    // True when any bit of `flag` is set.
    [[nodiscard]] virtual bool textureFlag(uint32_t flag) const = 0;
    // A new image over (or copied from) `data`, with an empty name; one
    // reference for the caller, null when the size or format is refused.
    [[nodiscard]] virtual CPixelImage* imageFromData(ColorFormat format, const CSizeI& size, void* data,
                                                     bool useWithoutCopy, bool freeWithImage) = 0;
    // The window's client area changed size.
    virtual void onWindowResized(const CSizeI& size) = 0;

    // The material renderer table. registerMaterialType puts `renderer` (the
    // table takes a reference) at `index` with `name` (may be null) and
    // answers the index, or -1 for a null renderer.
    [[nodiscard]] virtual int32_t registerMaterialType(int32_t index, IMaterialTypeRenderer* renderer,
                                                       const char* name) = 0;
    [[nodiscard]] virtual IMaterialTypeRenderer* materialTypeRenderer(uint32_t index) const = 0;
    [[nodiscard]] virtual uint32_t materialTypeCount() const = 0;
    // Null when `index` is not below the count.
    [[nodiscard]] virtual const char* materialTypeName(uint32_t index) const = 0;
    // Renames an added type; the built-in names stay as they are.
    virtual void renameMaterialType(uint32_t index, const char* name) = 0;

    [[nodiscard]] virtual const CPlatformData& platformData() const = 0;
    [[nodiscard]] virtual int32_t driverType() const = 0;
    // Null when the driver makes no shader materials.
    [[nodiscard]] virtual IShaderServices* shaderServices() = 0;
    // The driver's quad batch (no reference handed out).
    [[nodiscard]] virtual CQuadBatch* quadBatch() = 0;
    virtual void clearZBuffer() = 0;
    // A CPU copy of the frame buffer (one reference for the caller), or null.
    [[nodiscard]] virtual CPixelImage* takeScreenshot() = 0;
    [[nodiscard]] virtual bool defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) = 0;
    virtual void toggleClipPlane(uint32_t index, bool on) = 0;
    // In render-target pixels, top-left origin.
    virtual void setScissorRect(const CRectI& rect) = 0;
    virtual void enableScissor(bool on) = 0;
    virtual void setAmbientColor(const CColorf& color) = 0;
    [[nodiscard]] virtual CString vendorInfo() const = 0;
    // A value kept at 0 by every driver.
    [[nodiscard]] virtual int32_t storedValue() const = 0;

protected:
    ~IGraphicsDriver() override = default;
};
