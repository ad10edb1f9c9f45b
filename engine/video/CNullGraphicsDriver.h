#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CClock.h"
#include "engine/core/CMat4.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CFrameCounter.h"
#include "engine/video/CLight.h"
#include "engine/video/CPlatformData.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/IShaderServices.h"

#include <cstdint>

struct CEngineCreationParams;
class CVirtualFileSystem;

// The "Null Device" (driver type 0), which draws nothing, and the common base
// of every real driver. It keeps what does not depend on the hardware: the
// matrices, viewport, screen size, frame counter, texture flags, fog, lights,
// feature switches, the material renderer table, the quad batch and the file
// system for shader files; and the operations all drivers share: colour
// keys, image creation, polygon outlines, image runs, mesh drawing, the
// primitive-count check and the shader-file loaders.
class CNullGraphicsDriver : public IGraphicsDriver, public IShaderServices, public IRenderServices {
public:
    // `fileSystem` (shared; may be null) opens shader files. `clock` (shared;
    // null: a clock of its own on the machine's counter) times the frames.
    // The renderer table starts empty; createNullDriver fills it.
    CNullGraphicsDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, CClock* clock);

    // Fills the table's indices 0 to 28 with renderers that set nothing
    // (the Null driver's own renderers), under the built-in names.
    void addNullRenderers();

    // Times frames by `clock` from now on (shared; null keeps the current
    // one) and restarts the frame counter's interval at its time.
    void setClock(CClock* clock);

    // IGraphicsDriver
    [[nodiscard]] bool beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                                  const CRectI* sourceRect) override;
    [[nodiscard]] bool endFrame() override;
    [[nodiscard]] bool hasFeature(DriverFeature feature) const override;
    void enableFeature(DriverFeature feature, bool on) override;
    [[nodiscard]] bool apply3DStates() override { return false; }
    [[nodiscard]] bool apply2DStates() override { return false; }
    void setMatrix(MatrixKind kind, const CMat4& matrix) override;
    [[nodiscard]] const CMat4& matrix(MatrixKind kind) const override;
    void applyMaterial(const Material& material) override;
    [[nodiscard]] IDriverTexture* textureFromImage(CPixelImage* image) override;
    [[nodiscard]] IDriverTexture* emptyTexture(const CSizeI& size, ColorFormat format) override;
    [[nodiscard]] IDriverTexture* renderTargetTexture(const CSizeI& size, ColorFormat format) override;
    void colorKeyFromPixel(IDriverTexture* texture, int32_t x, int32_t y) override;
    void colorKeyFromColor(IDriverTexture* texture, CColor color) override;
    [[nodiscard]] bool setRenderTarget(int32_t kind, bool clearBackBuffer, bool clearDepth, CColor clearColor) override;
    [[nodiscard]] bool setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth,
                                       CColor clearColor) override;
    void setViewportRect(const CRectI& rect) override;
    [[nodiscard]] const CRectI& viewportRect() const override { return m_viewport; }
    [[nodiscard]] IDriverTexture* makeDriverTexture(CPixelImage* image) override;
    void drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices, uint32_t primitiveCount,
                        VertexType vertexType, IndexType indexType, PrimitiveType primitiveType) override;
    void drawTriangles(const TangentVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                       uint32_t triangleCount) override;
    void drawTriangles(const NormalTwoCoordsVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                       uint32_t triangleCount) override;
    void drawTriangles(const NormalVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                       uint32_t triangleCount) override;
    void drawFan(const NormalTwoCoordsVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                 uint32_t triangleCount) override;
    void drawFan(const NormalVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                 uint32_t triangleCount) override;
    void drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source, const CRectI* clip,
                         const CColor* colors, bool useAlphaChannel) override;
    void drawImageRun(IDriverTexture* texture, const CVector2di& position, const CArray<CRectI>& sources,
                      const CArray<int32_t>& indices, int32_t extraAdvance, const CRectI* clip, CColor color,
                      bool useAlphaChannel) override;
    void drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source, const CRectI* clip,
                       CColor color, bool useAlphaChannel) override;
    void drawImageAt(IDriverTexture* texture, const CVector2di& position) override;
    void fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft, CColor bottomRight,
                          const CRectI* clip) override;
    void fillRect(CColor color, const CRectI& rect, const CRectI* clip) override;
    void drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) override;
    void plotPixel(uint32_t x, uint32_t y, CColor color) override;
    void drawRegularPolygon(const CVector2d& centre, float radius, CColor color, int32_t corners) override;
    void drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) override;
    void drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                           CColor bottomRight) override;
    void drawMesh(IGeometryBuffer* buffer) override;
    void setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                          bool rangeFog) override;
    [[nodiscard]] const CSizeI& screenSize() const override { return m_screenSize; }
    [[nodiscard]] int32_t colorDepth() const override { return m_colorDepth; }
    [[nodiscard]] ColorFormat pixelFormat() const override { return ColorFormat::R5G6B5; }
    [[nodiscard]] const CSizeI& renderTargetSize() const override { return m_screenSize; }
    [[nodiscard]] int32_t framesPerSecond() const override;
    [[nodiscard]] uint32_t primitiveCount(uint32_t mode) const override;
    void clearLights() override;
    int32_t addLight(const CLight& light) override;
    [[nodiscard]] int32_t maxLights() const override { return 0; }
    [[nodiscard]] int32_t lightCount() const override { return static_cast<int32_t>(m_lights.size()); }
    void switchLight(int32_t index, bool on) override;
    [[nodiscard]] const CLight* light(int32_t index) const override;
    [[nodiscard]] CStringW driverName() const override;
    [[nodiscard]] uint32_t maxPrimitives() const override { return 0xFFFFFFFFu; }
    void setTextureFlag(uint32_t flag, bool on) override;
    [[nodiscard]] bool textureFlag(uint32_t flag) const override { return (m_textureFlags & flag) != 0; }
    [[nodiscard]] CPixelImage* imageFromData(ColorFormat format, const CSizeI& size, void* data, bool useWithoutCopy,
                                             bool freeWithImage) override;
    void onWindowResized(const CSizeI& size) override;
    [[nodiscard]] int32_t registerMaterialType(int32_t index, IMaterialTypeRenderer* renderer,
                                               const char* name) override;
    [[nodiscard]] IMaterialTypeRenderer* materialTypeRenderer(uint32_t index) const override;
    [[nodiscard]] uint32_t materialTypeCount() const override { return m_materialRenderers.size(); }
    [[nodiscard]] const char* materialTypeName(uint32_t index) const override;
    void renameMaterialType(uint32_t index, const char* name) override;
    [[nodiscard]] const CPlatformData& platformData() const override { return m_platformData; }
    [[nodiscard]] int32_t driverType() const override { return VideoDriverType::Null; }
    [[nodiscard]] IShaderServices* shaderServices() override { return nullptr; }
    [[nodiscard]] CQuadBatch* quadBatch() override { return m_quadBatch.get(); }
    void clearZBuffer() override;
    [[nodiscard]] CPixelImage* takeScreenshot() override { return nullptr; }
    [[nodiscard]] bool defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) override;
    void toggleClipPlane(uint32_t index, bool on) override;
    void setScissorRect(const CRectI& rect) override;
    void enableScissor(bool on) override;
    void setAmbientColor(const CColorf& color) override;
    [[nodiscard]] CString vendorInfo() const override { return CString("Not available on this driver."); }
    [[nodiscard]] int32_t storedValue() const override { return m_storedValue; }

    // The colour format a driver texture takes for an image of `format`,
    // by the texture flags: NoAlpha drops alpha, render-target formats become
    // A8R8G8B8, then Prefer32Bit widens the 16-bit formats and Prefer16Bit
    // narrows the 24- and 32-bit ones.
    [[nodiscard]] virtual ColorFormat textureColorFormat(ColorFormat format) const;

    // The checks before a real draw: something to draw, not too many
    // primitives (checkPrimitiveCount), known types, and every vertex the
    // primitives need inside the arrays given. Logs and answers false when
    // the draw must not happen.
    [[nodiscard]] bool checkDrawArguments(const void* vertices, uint32_t vertexCount, const void* indices,
                                          uint32_t primitiveCount, VertexType vertexType, IndexType indexType,
                                          PrimitiveType primitiveType) const;
    // The drivers' drawImagePart: the part of `source` drawn unscaled at
    // `position` that lies inside `clip` (when given) and a target of
    // `targetSize`, as `destination` on the target and `part` of the image.
    // False when nothing is left to draw or the source is turned.
    [[nodiscard]] static bool clipImagePart(const CVector2di& position, const CRectI& source, const CRectI* clip,
                                            const CSizeI& targetSize, CRectI& destination, CRectI& part);
    // For the drivers' drawPrimitives: true when `count` primitives may be
    // drawn at once, else false after logging why.
    [[nodiscard]] bool checkPrimitiveCount(uint32_t count) const;
    // registerMaterialType without a name, then drops the caller's reference
    // to `renderer`; answers the index.
    int32_t addAndDropMaterialRenderer(int32_t index, IMaterialTypeRenderer* renderer);

    // IShaderServices: this base makes no shader materials; the text forms
    // log and answer -1, the file forms load the texts and end in them.
    [[nodiscard]] int32_t createCompiledShaderMaterial(const char* vertexProgram, const char* vertexEntry,
                                                       int32_t vertexTarget, const char* pixelProgram,
                                                       const char* pixelEntry, int32_t pixelTarget,
                                                       IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                       int32_t userData) override;
    [[nodiscard]] int32_t createCompiledShaderMaterialFromFiles(IReadableFile* vertexProgram, const char* vertexEntry,
                                                                int32_t vertexTarget, IReadableFile* pixelProgram,
                                                                const char* pixelEntry, int32_t pixelTarget,
                                                                IShaderConstantCallback* callback,
                                                                int32_t baseMaterialType, int32_t userData) override;
    [[nodiscard]] int32_t createCompiledShaderMaterialFromFileNames(const char* vertexFileName, const char* vertexEntry,
                                                                    int32_t vertexTarget, const char* pixelFileName,
                                                                    const char* pixelEntry, int32_t pixelTarget,
                                                                    IShaderConstantCallback* callback,
                                                                    int32_t baseMaterialType,
                                                                    int32_t userData) override;
    [[nodiscard]] int32_t createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                                       IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                       int32_t userData) override;
    [[nodiscard]] int32_t createAssemblyShaderMaterialFromFileNames(const char* vertexFileName,
                                                                    const char* pixelFileName,
                                                                    IShaderConstantCallback* callback,
                                                                    int32_t baseMaterialType,
                                                                    int32_t userData) override;
    [[nodiscard]] int32_t createAssemblyShaderMaterialFromFiles(IReadableFile* vertexProgram,
                                                                IReadableFile* pixelProgram,
                                                                IShaderConstantCallback* callback,
                                                                int32_t baseMaterialType, int32_t userData) override;

    // IRenderServices: nothing to set without hardware.
    void applyBaseStates(const Material& material, const Material& lastMaterial, bool resetAll) override;
    void setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    [[nodiscard]] bool setVertexShaderConstant(const char* name, const float* data, int32_t count) override;
    void setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    [[nodiscard]] bool setPixelShaderConstant(const char* name, const float* data, int32_t count) override;
    [[nodiscard]] IGraphicsDriver* driver() override { return this; }

    // The most entries the renderer table grows to.
    static constexpr uint32_t MaxMaterialTypes = 4096;
    // The most corners drawRegularPolygon draws.
    static constexpr int32_t MaxPolygonCorners = 65536;

protected:
    ~CNullGraphicsDriver() override;

    // The clock's current time in ms.
    [[nodiscard]] uint32_t clockNow() const { return m_clock->now(); }

    struct MaterialRendererEntry {
        CString name;
        IMaterialTypeRenderer* renderer = nullptr; // one reference, or null in a gap
    };

    CArray<CLight> m_lights;
    CArray<MaterialRendererEntry> m_materialRenderers;
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    CRefHandle<CQuadBatch> m_quadBatch;
    CMat4 m_matrices[MatrixKindCount];
    // The 2D projection must be rebuilt before the next 2D draw.
    bool m_transformChanged = true;
    CRectI m_viewport;
    CSizeI m_screenSize;
    int32_t m_colorDepth = 0;
    CFrameCounter m_frameCounter;
    uint32_t m_primitivesThisFrame = 0;
    uint32_t m_textureFlags = TextureFlag::Initial;
    bool m_fogLinear = true;
    float m_fogStart = 50.0f;
    float m_fogEnd = 100.0f;
    float m_fogDensity = 0.01f;
    bool m_pixelFog = false;
    bool m_rangeFog = false;
    CColor m_fogColor{0x00FFFFFF};
    CPlatformData m_platformData;
    bool m_featureSwitches[DriverFeatureCount];
    int32_t m_storedValue = 0;

private:
    // Reads the whole of `file` into a zero-terminated text; null for a null
    // file or one that cannot be read.
    [[nodiscard]] static char* readWholeFile(IReadableFile* file);
    // Applies a colour key to the locked data of `texture`, texels in
    // `format` (A1R5G5B5 or A8R8G8B8), rows by the pitch it has while locked.
    static void applyColorKey(uint8_t* data, const IDriverTexture& texture, ColorFormat format, uint32_t key);

    CRefHandle<CClock> m_clock;
    CArray<BatchVertex> m_polygonCorners;
};

// The Null driver with its 29 do-nothing renderers; one reference for the
// caller. `fileSystem` and `clock` as for the constructor.
[[nodiscard]] IGraphicsDriver* createNullDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                                CClock* clock = nullptr);
