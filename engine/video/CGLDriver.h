#pragma once

#include "engine/core/CMat4.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/video/CGLExtensions.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/Material.h"

#include <cstdint>
#include <vector>

class CGLDriverTexture;
class CImageTexture;
class IGLContext;

// The OpenGL video driver (type 3): fixed-function OpenGL 1.x rendering on a
// context its maker supplies, with later features (multitexturing,
// framebuffer objects, shading-language and assembly programs) taken when
// the implementation offers them. It keeps the material applied last and
// switches states through its material renderers inside each draw; draws
// primitive lists from client memory and the 2D images, rectangles, lines
// and points of the interface.
class CGLDriver : public CNullGraphicsDriver {
public:
    // Render modes.
    static constexpr int32_t ModeNone = 0;
    static constexpr int32_t Mode2D = 1;
    static constexpr int32_t Mode3D = 2;

    // `context` (shared, not null) is where the driver draws.
    CGLDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, IGLContext* context, CClock* clock);

    // Makes the context current and sets the driver up on it; false after
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
    [[nodiscard]] bool setRenderTarget(int32_t kind, bool clearBackBuffer, bool clearDepth, CColor clearColor) override;
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
    void fillRect(CColor color, const CRectI& rect, const CRectI* clip) override;
    void drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) override;
    void plotPixel(uint32_t x, uint32_t y, CColor color) override;
    void drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) override;
    void drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                           CColor bottomRight) override;
    void setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                          bool rangeFog) override;
    [[nodiscard]] ColorFormat pixelFormat() const override { return m_framebufferFormat; }
    [[nodiscard]] const CSizeI& renderTargetSize() const override;
    void clearLights() override;
    int32_t addLight(const CLight& light) override;
    [[nodiscard]] int32_t maxLights() const override { return m_extensions.maxLights; }
    void switchLight(int32_t index, bool on) override;
    [[nodiscard]] CStringW driverName() const override { return m_name; }
    [[nodiscard]] uint32_t maxPrimitives() const override { return MaxPrimitiveCount; }
    void onWindowResized(const CSizeI& size) override;
    [[nodiscard]] int32_t driverType() const override { return VideoDriverType::OpenGL; }
    [[nodiscard]] IShaderServices* shaderServices() override { return this; }
    void clearZBuffer() override;
    // The frame being drawn when called between beginFrame and endFrame
    // (reliable everywhere); between frames, the frame last presented as far
    // as the window system keeps it.
    [[nodiscard]] CPixelImage* takeScreenshot() override;
    [[nodiscard]] bool defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) override;
    void toggleClipPlane(uint32_t index, bool on) override;
    void setScissorRect(const CRectI& rect) override;
    void enableScissor(bool on) override;
    void setAmbientColor(const CColorf& color) override;
    [[nodiscard]] CString vendorInfo() const override { return m_vendor; }

    // The indexed source rectangles one after another from `position`, each
    // advanced by its width, in one colour and one clip; an empty or turned
    // rectangle ends the run.
    void drawImageRunClipped(IDriverTexture* texture, const CVector2di& position, const CArray<CRectI>& sources,
                             const CArray<int32_t>& indices, const CRectI* clip, CColor color, bool useAlphaChannel);

    // IShaderServices: shading-language and assembly programs. Each answers
    // the new material type, or -1 when the programs do not build.
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

    // For the textures and renderers of this driver.
    [[nodiscard]] const CGLExtensions& extensions() const { return m_extensions; }
    [[nodiscard]] const CGLFunctions& gl() const { return m_extensions.gl; }
    // Binds `texture` (null: texturing off) on `unit`. False for a unit the
    // hardware lacks, or a texture of another driver (logged; texturing is
    // then off on that unit).
    bool setActiveTexture(uint32_t unit, IDriverTexture* texture);
    // Switches texturing off on `fromUnit` and every unit above it.
    void disableTextures(uint32_t fromUnit = 0);
    // Makes `unit` the active texture unit (a no-op without multitexturing).
    void selectTextureUnit(uint32_t unit) const;
    // Texture environment of the active unit: a plain mode, or the combiner
    // with an RGB and an alpha operation on two sources each (the second
    // source is ignored by GL_REPLACE). Without the combiner (OpenGL 1.2
    // without the extension) the combine form falls back to modulate.
    void setTextureEnvMode(GLenum mode) const;
    void setTextureCombine(GLenum rgbOperation, GLenum rgbSource0, GLenum rgbSource1, GLenum alphaOperation,
                           GLenum alphaSource0, GLenum alphaSource1) const;
    [[nodiscard]] bool hasCombine() const;
    // The driver texture of layer `layer` of `material`: null beyond the
    // layer count or without a texture.
    [[nodiscard]] IDriverTexture* layerTexture(const Material& material, uint32_t layer) const;
    [[nodiscard]] IDriverTexture* boundTexture(uint32_t unit) const {
        return unit < CGLExtensions::MaxUnits ? m_boundTextures[unit] : nullptr;
    }
    [[nodiscard]] int32_t renderMode() const { return m_renderMode; }
    [[nodiscard]] const Material& lastMaterial() const { return m_lastMaterial; }
    // The texture being rendered into, or null (not referenced).
    [[nodiscard]] IDriverTexture* currentRenderTarget() const { return m_renderTargetTexture; }
    [[nodiscard]] uint8_t antiAliasSamples() const { return m_antiAliasSamples; }
    // The matrix that turns the rows of a render target (stored bottom row
    // first) the right way up: v' = 1 - v.
    [[nodiscard]] const CMat4& renderTargetFlip() const { return m_renderTargetFlip; }
    // Loads unit `unit`'s texture matrix: the stored one (the identity in 2D
    // mode), turned for a render-target texture.
    void applyTextureMatrix(uint32_t unit);
    // Lets the textures this driver made tell it when they go.
    void trackTexture(CGLDriverTexture* texture);
    void untrackTexture(CGLDriverTexture* texture);
    // The GL driver's own material renderers register through this.
    int32_t addBuiltInRenderer(int32_t index, IMaterialTypeRenderer* renderer) {
        return addAndDropMaterialRenderer(index, renderer);
    }

    static constexpr uint32_t MaxPrimitiveCount = 65535;

protected:
    ~CGLDriver() override;

private:
    struct GLLight {
        int32_t hardwareLight = -1;
        bool on = true;
    };
    struct ClipPlane {
        float plane[4] = {0.0f, 1.0f, 0.0f, 0.0f};
        bool on = false;
    };

    // The version-independent part of the set-up.
    [[nodiscard]] bool initializeGL(const CSizeI& screenSize, bool stencil);
    // Makes the last material the current one, textures included.
    void keepCurrentAsLast();
    // Forgets the textures of both kept materials.
    void dropKeptTextures();
    // The material switch: unsets the last type's renderer and sets the
    // current one when the material changed or a reset is due.
    void switchMaterial();
    // What entering the 2D or the 3D mode sets, the same for both.
    void enterRenderMode(int32_t mode);
    void loadTextureMatrices();
    // The material switch and the renderer's call before a draw.
    [[nodiscard]] bool drawWithMaterial(VertexType vertexType);
    // The fixed states and transforms of the 2D image operations, sent when
    // an image follows other drawing (afterwards the next draw with a
    // material sends every state), and the blending for one image, sent when
    // it changes.
    void setImageMode();
    void setImageBlending(bool blending, IDriverTexture* texture, bool useAlphaChannel);
    // The start and end every image operation shares: image mode, `texture`
    // alone on unit 0, its blending and the clip; false when the texture
    // cannot be drawn.
    [[nodiscard]] bool beginImage(IDriverTexture* texture, bool blending, bool useAlphaChannel, const CRectI* clip);
    void endImage(const CRectI* clip);
    // One textured quad between glBegin(GL_QUADS) and glEnd: the `source`
    // texels of a texture of `textureSize` onto (x0, y0) to (x1, y1); with
    // `corners` the colours top left, bottom left, bottom right, top right,
    // else the current colour.
    void imageQuad(const CSizeI& textureSize, const CRectI& source, float x0, float y0, float x1, float y1,
                   const CColor* corners) const;
    void setColor(CColor color) const;
    void loadOrthoProjection();
    void loadModelView();
    // Clears the buffers asked for (colour and depth writes switched on).
    void clearBuffers(bool clearBackBuffer, bool clearDepth, CColor clearColor);
    // Binds `texture` on unit 0 for an image operation; false when it cannot
    // be drawn.
    bool bindImageTexture(IDriverTexture* texture);
    // Turns the scissor on for `clip` (render-target pixels) for one image
    // draw; restoreScissor puts the caller's scissor back.
    void setImageScissor(const CRectI& clip);
    void restoreScissor();
    void setHardwareViewport(const CRectI& rect);
    // The whole screen, as after leaving a render target.
    void restoreScreenViewport();
    void sendLight(int32_t index);
    void sendClipPlane(uint32_t index);
    // Forgets a texture that is going: unbinds it and leaves it as render
    // target.
    void forgetTexture(CGLDriverTexture* texture);
    void convertColors(const void* vertices, uint32_t vertexCount, VertexType vertexType);
    void setVertexArrays(const uint8_t* vertices, VertexType vertexType, PrimitiveType primitiveType);
    void resetVertexArrays();

    CRefHandle<IGLContext> m_context;
    CGLExtensions m_extensions;
    CStringW m_name;
    std::vector<uint8_t> m_colorBuffer;
    int32_t m_renderMode = ModeNone;
    bool m_resetStates = true;
    uint8_t m_antiAliasSamples = 0;
    Material m_currentMaterial;
    Material m_lastMaterial;
    // The textures of the used layers of the two materials: content released
    // in the middle of a frame stays alive while a kept material names it.
    CRefHandle<CImageTexture> m_currentTextures[Material::MaxLayers];
    CRefHandle<CImageTexture> m_lastTextures[Material::MaxLayers];
    IDriverTexture* m_renderTargetTexture = nullptr;
    IDriverTexture* m_boundTextures[CGLExtensions::MaxUnits] = {};
    std::vector<ClipPlane> m_clipPlanes;
    CSizeI m_renderTargetSize;
    CString m_vendor;
    CMat4 m_renderTargetFlip;
    ColorFormat m_framebufferFormat = ColorFormat::R8G8B8;
    int32_t m_renderTargetKind = 0;
    bool m_doubleBuffered = true;
    // Between frames the last one is read from the back buffer.
    bool m_presentedInBackBuffer = false;
    bool m_stereo = false;
    std::vector<GLLight> m_glLights;
    // The buffer the window is drawn into (read by screenshots).
    GLenum m_drawBuffer = GL_BACK;
    // Between beginFrame and endFrame.
    bool m_inFrame = false;
    // The caller's scissor, restored after an image operation clipped.
    CRectI m_scissorRect;
    bool m_scissorOn = false;
    // The image operations' states are on the hardware; the blending and
    // the texture whose filters they set last.
    enum class ImageBlending : uint8_t {
        Unknown,
        None,
        VertexAlpha,
        Texture,
        TextureVertexAlpha,
        TextureAlpha,
        TextureAlphaBlended,
    };
    bool m_imageMode = false;
    ImageBlending m_imageBlending = ImageBlending::Unknown;
    IDriverTexture* m_imageFilteredTexture = nullptr;
    CGLDriverTexture* m_textures = nullptr;
};
