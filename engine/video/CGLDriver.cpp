#include "engine/video/CGLDriver.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CVector3d.h"
#include "engine/video/CGLAsmProgramRenderer.h"
#include "engine/video/CGLDriverTexture.h"
#include "engine/video/CGLFramebufferTexture.h"
#include "engine/video/CGLSLProgramRenderer.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/GLMaterialRenderers.h"
#include "engine/video/IGLContext.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/OpenGLDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

bool isMatrixKind(MatrixKind kind) { return static_cast<uint32_t>(kind) < MatrixKindCount; }

GLenum primitiveMode(PrimitiveType type) {
    switch (type) {
    case PrimitiveType::Points:
    case PrimitiveType::PointSprites:
        return GL_POINTS;
    case PrimitiveType::LineStrip:
        return GL_LINE_STRIP;
    case PrimitiveType::LineLoop:
        return GL_LINE_LOOP;
    case PrimitiveType::Lines:
        return GL_LINES;
    case PrimitiveType::TriangleStrip:
        return GL_TRIANGLE_STRIP;
    case PrimitiveType::TriangleFan:
        return GL_TRIANGLE_FAN;
    case PrimitiveType::Triangles:
        return GL_TRIANGLES;
    case PrimitiveType::QuadStrip:
        return GL_QUAD_STRIP;
    case PrimitiveType::Quads:
        return GL_QUADS;
    case PrimitiveType::Polygon:
        return GL_POLYGON;
    }
    return GL_TRIANGLES;
}

GLenum depthFunction(uint8_t code) {
    switch (code) {
    case Material::DepthEqual:
        return GL_EQUAL;
    case Material::DepthLess:
        return GL_LESS;
    case Material::DepthNotEqual:
        return GL_NOTEQUAL;
    case Material::DepthGreaterEqual:
        return GL_GEQUAL;
    case Material::DepthGreater:
        return GL_GREATER;
    case Material::DepthAlways:
        return GL_ALWAYS;
    default:
        return GL_LEQUAL;
    }
}

void colorToFloats(CColor color, GLfloat out[4]) {
    out[0] = static_cast<GLfloat>(color.red()) / 255.0f;
    out[1] = static_cast<GLfloat>(color.green()) / 255.0f;
    out[2] = static_cast<GLfloat>(color.blue()) / 255.0f;
    out[3] = static_cast<GLfloat>(color.alpha()) / 255.0f;
}

void colorfToFloats(const CColorf& color, GLfloat out[4]) {
    out[0] = color.r;
    out[1] = color.g;
    out[2] = color.b;
    out[3] = color.a;
}

// The intersection of two rectangles; empty (right <= left or bottom <= top)
// when they do not overlap.
CRectI intersect(const CRectI& a, const CRectI& b) {
    return CRectI(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom));
}

bool isEmpty(const CRectI& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

bool isTurned(const CRectI& rect) { return rect.right < rect.left || rect.bottom < rect.top; }

// The texture transform of a layer in the form GL applies to two texture
// coordinates: the 2 x 2 part and the translation kept in the third row.
CMat4 textureForm(const CMat4& matrix) {
    if (matrix.isIdentity())
        return CMat4();
    CMat4 form;
    form[0] = matrix[0];
    form[1] = matrix[1];
    form[4] = matrix[4];
    form[5] = matrix[5];
    form[12] = matrix[8];
    form[13] = matrix[9];
    return form;
}

uint32_t largestPowerOfTwoNotAbove(uint32_t value) {
    uint32_t power = 1;
    while (power <= value / 2)
        power *= 2;
    return power;
}

bool isPowerOfTwo(int32_t value) { return value > 0 && (value & (value - 1)) == 0; }

} // namespace

CGLDriver::CGLDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, IGLContext* context,
                     CClock* clock)
    : CNullGraphicsDriver(params, fileSystem, clock), m_context(CRefHandle<IGLContext>::share(context)) {
    // v' = 1 - v for the texture coordinates of render targets.
    m_renderTargetFlip[5] = -1.0f;
    m_renderTargetFlip[13] = 1.0f;
}

CGLDriver::~CGLDriver() {
    // While the driver is whole: the last reference may be the one kept here.
    dropKeptTextures();
    // Textures may be held longer than their driver: they stop making GL
    // calls from here on.
    for (CGLDriverTexture* texture = m_textures; texture;) {
        CGLDriverTexture* next = texture->m_nextTracked;
        texture->detachDriver();
        texture->m_previousTracked = nullptr;
        texture->m_nextTracked = nullptr;
        texture = next;
    }
    m_textures = nullptr;
    m_renderTargetTexture = nullptr;
    for (IDriverTexture*& bound : m_boundTextures)
        bound = nullptr;
    m_glLights.clear();
    // The renderers go with the base, while the context is still held.
    for (MaterialRendererEntry& entry : m_materialRenderers)
        releaseAndNull(entry.renderer);
    m_materialRenderers.clear();
}

bool CGLDriver::initialize(const CEngineCreationParams& params) {
    if (!m_context) {
        CLog::instance()->log("Cannot create a GL device context.", CLog::Error);
        return false;
    }
    if (!m_context->makeCurrent()) {
        CLog::instance()->log("Cannot activate GL rendering context", CLog::Error);
        return false;
    }
    CGLFunctions functions;
    if (!functions.load(*m_context)) {
        CLog::instance()->log("Cannot load the OpenGL 1.1 entry points.", CLog::Error);
        return false;
    }
    if (!functions.glGetString(GL_VERSION)) {
        CLog::instance()->log("Cannot read the OpenGL version.", CLog::Error);
        return false;
    }
    m_extensions.gl = functions;
    const CGLFunctions& gl = m_extensions.gl;

    // What the context's frame buffer actually has.
    GLint redBits = 0, alphaBits = 0, stencilBits = 0, samples = 0, doubleBuffered = 0, stereo = 0;
    GLint drawBuffer = GL_BACK;
    gl.glGetIntegerv(GL_RED_BITS, &redBits);
    gl.glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    gl.glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    gl.glGetIntegerv(GL_SAMPLES, &samples);
    gl.glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    gl.glGetIntegerv(GL_STEREO, &stereo);
    gl.glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    if (alphaBits > 0)
        m_framebufferFormat = redBits >= 8 ? ColorFormat::A8R8G8B8 : ColorFormat::A1R5G5B5;
    else
        m_framebufferFormat = redBits >= 8 ? ColorFormat::R8G8B8 : ColorFormat::R5G6B5;
    if (params.stencil && stencilBits <= 0)
        CLog::instance()->log("Cannot create a GL device with stencil buffer, disabling stencil shadows.",
                              CLog::Warning);
    m_antiAliasSamples = static_cast<uint8_t>(std::clamp<GLint>(samples, 0, 255));
    m_doubleBuffered = doubleBuffered != 0;
    m_stereo = stereo != 0;
    m_drawBuffer = static_cast<GLenum>(drawBuffer);
    m_presentedInBackBuffer = m_doubleBuffered && m_context->keepsPresentedFrameInBackBuffer();

    if (!initializeGL(m_screenSize, stencilBits > 0))
        return false;
    (void)m_context->setSwapInterval(params.vsync ? 1 : 0);
    m_platformData.window = m_context->windowHandle();
    m_platformData.renderingContext = m_context->contextHandle();
    return true;
}

bool CGLDriver::initializeGL(const CSizeI& screenSize, bool stencil) {
    const CGLFunctions& gl = m_extensions.gl;
    const char* version = reinterpret_cast<const char*>(gl.glGetString(GL_VERSION));
    // "OpenGL " and the version number, without what follows it.
    CString name("OpenGL ");
    for (const char* p = version; *p && *p != ' '; ++p)
        name += *p;
    m_name = CStringW(name);
    CLog::instance()->log(CStringW("Using renderer: ") + m_name, CLog::Info);

    const auto* renderer = reinterpret_cast<const char*>(gl.glGetString(GL_RENDERER));
    const auto* vendor = reinterpret_cast<const char*>(gl.glGetString(GL_VENDOR));
    if (renderer && vendor) {
        CLog::instance()->log(CString(renderer) + " " + vendor, CLog::Info);
        m_vendor = vendor;
    }

    for (IDriverTexture*& bound : m_boundTextures)
        bound = nullptr;
    m_extensions.load(gl, stencil);
    if (m_extensions.supportsFeature(DriverFeature::ShadingLanguage)) {
        char line[64];
        std::snprintf(line, sizeof line, "GLSL version: %u.%u", m_extensions.shadingLanguageVersion / 100u,
                      m_extensions.shadingLanguageVersion % 100u);
        CLog::instance()->log(line, CLog::Info);
    } else {
        CLog::instance()->log("GLSL not available.", CLog::Info);
    }

    // Screenshots read the frame being drawn: the front buffer of a window
    // is not defined once a compositor owns it.
    gl.glReadBuffer(m_drawBuffer);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.glViewport(0, 0, screenSize.width, screenSize.height);
    setAmbientColor(CColorf(0.0f, 0.0f, 0.0f, 0.0f));
    if (m_extensions.has(GLExtension::ExtSeparateSpecularColor) || m_extensions.versionAtLeast(102))
        gl.glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    gl.glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    gl.glClearDepth(1.0);
    gl.glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.glDepthFunc(GL_LEQUAL);
    gl.glFrontFace(GL_CW);
    if (m_extensions.versionAtLeast(302) && gl.glProvokingVertex)
        gl.glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    else if (m_extensions.has(GLExtension::ExtProvokingVertex) && gl.glProvokingVertexEXT)
        gl.glProvokingVertexEXT(GL_FIRST_VERTEX_CONVENTION_EXT);
    if (m_antiAliasSamples > 1) {
        if (m_extensions.has(GLExtension::ArbMultisample))
            gl.glEnable(GL_MULTISAMPLE_ARB);
        gl.glEnable(GL_LINE_SMOOTH);
    }
    gl.glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    gl.glHint(GL_POINT_SMOOTH_HINT, GL_FASTEST);

    m_clipPlanes.assign(m_extensions.maxClipPlanes, ClipPlane());

    for (uint32_t kind = 0; kind < MatrixKindCount; ++kind)
        setMatrix(static_cast<MatrixKind>(kind), CMat4());
    registerGLMaterialRenderers(*this);
    // The built-in types without a renderer here stay reserved, so that
    // added shader materials take indices after them.
    while (m_materialRenderers.size() < static_cast<uint32_t>(MaterialType::BuiltInCount)) {
        MaterialRendererEntry gap;
        gap.name = "null";
        m_materialRenderers.push_back(gap);
    }
    m_resetStates = true;
    (void)apply3DStates();
    setFogParameters(m_fogColor, m_fogLinear, m_fogStart, m_fogEnd, m_fogDensity, m_pixelFog, m_rangeFog);
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    return true;
}

bool CGLDriver::hasFeature(DriverFeature feature) const {
    const auto id = static_cast<uint32_t>(feature);
    return id < DriverFeatureCount && m_featureSwitches[id] && m_extensions.supportsFeature(feature);
}

// --- frames ---------------------------------------------------------------

void CGLDriver::clearBuffers(bool clearBackBuffer, bool clearDepth, CColor clearColor) {
    const CGLFunctions& gl = m_extensions.gl;
    GLbitfield mask = 0;
    if (clearBackBuffer) {
        GLfloat color[4];
        colorToFloats(clearColor, color);
        gl.glClearColor(color[0], color[1], color[2], color[3]);
        // A material that masked channels must not keep them from clearing.
        gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        m_lastMaterial.colorMask = Material::WriteAll;
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (clearDepth) {
        gl.glDepthMask(GL_TRUE);
        m_lastMaterial.depthWrite = true;
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (mask) {
        gl.glClear(mask);
        // Renderers that hold writes off set them again at the next draw.
        m_resetStates = true;
    }
}

bool CGLDriver::beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                           const CRectI* sourceRect) {
    (void)CNullGraphicsDriver::beginFrame(clearBackBuffer, clearDepth, clearColor, presentWindow, sourceRect);
    clearBuffers(clearBackBuffer, clearDepth, clearColor);
    m_inFrame = true;
    m_imageMode = false;
    return true;
}

bool CGLDriver::endFrame() {
    (void)CNullGraphicsDriver::endFrame();
    m_inFrame = false;
    m_extensions.gl.glFlush();
    // Content may release its textures between frames (cache purges, a new
    // driver): the materials kept here must not point at them when the next
    // frame starts with a full state reset. Every draw applies its material.
    dropKeptTextures();
    m_resetStates = true;
    return m_context->swapBuffers();
}

void CGLDriver::clearZBuffer() {
    m_extensions.gl.glDepthMask(GL_TRUE);
    m_lastMaterial.depthWrite = true;
    m_extensions.gl.glClear(GL_DEPTH_BUFFER_BIT);
}

// --- render modes and the material switch ---------------------------------

void CGLDriver::loadOrthoProjection() {
    const CGLFunctions& gl = m_extensions.gl;
    const CSizeI& size = renderTargetSize();
    const float width = size.width > 0 ? static_cast<float>(size.width) : 1.0f;
    const float height = size.height > 0 ? static_cast<float>(size.height) : 1.0f;
    // x' = 2x / w - 1, y' = 1 - 2y / h, z' = z / 20000: pixels with (0, 0)
    // at the top left, z from -10000 to 10000.
    GLfloat ortho[16] = {};
    ortho[0] = 2.0f / width;
    ortho[5] = -2.0f / height;
    ortho[10] = 1.0f / 20000.0f;
    ortho[12] = -1.0f;
    ortho[13] = 1.0f;
    ortho[15] = 1.0f;
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadMatrixf(ortho);
}

void CGLDriver::loadModelView() {
    const CGLFunctions& gl = m_extensions.gl;
    gl.glMatrixMode(GL_MODELVIEW);
    const CMat4& world = m_matrices[static_cast<uint32_t>(MatrixKind::World)];
    if (m_renderMode == Mode2D)
        gl.glLoadMatrixf(world.data());
    else
        gl.glLoadMatrixf(m_matrices[static_cast<uint32_t>(MatrixKind::View)].multiply(world).data());
}

void CGLDriver::enterRenderMode(int32_t mode) {
    const CGLFunctions& gl = m_extensions.gl;
    selectTextureUnit(0);
    if (hasCombine())
        gl.glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_MODULATE);
    gl.glDisable(GL_ALPHA_TEST);
    gl.glDisable(GL_BLEND);
    gl.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    m_renderMode = mode;
    m_resetStates = true;
    m_imageMode = false;
}

void CGLDriver::loadTextureMatrices() {
    for (uint32_t unit = 0; unit < m_extensions.maxTextureUnits; ++unit)
        applyTextureMatrix(unit);
}

bool CGLDriver::drawWithMaterial(VertexType vertexType) {
    switchMaterial();
    // Shader materials set their constants before each draw in either mode.
    if (IMaterialTypeRenderer* renderer = materialTypeRenderer(static_cast<uint32_t>(m_currentMaterial.materialType)))
        return renderer->onRender(this, vertexType);
    return true;
}

bool CGLDriver::apply2DStates() {
    if (m_renderMode != Mode2D) {
        enterRenderMode(Mode2D);
        m_transformChanged = true;
    }
    if (m_transformChanged) {
        loadOrthoProjection();
        loadModelView();
        loadTextureMatrices();
        m_transformChanged = false;
    }
    return drawWithMaterial(VertexType::Batch);
}

bool CGLDriver::apply3DStates() {
    if (m_renderMode != Mode3D) {
        enterRenderMode(Mode3D);
        loadModelView();
        CMat4 projection = m_matrices[static_cast<uint32_t>(MatrixKind::Projection)];
        projection[12] = -projection[12];
        m_extensions.gl.glMatrixMode(GL_PROJECTION);
        m_extensions.gl.glLoadMatrixf(projection.data());
        loadTextureMatrices();
    }
    return drawWithMaterial(VertexType::Normal);
}

void CGLDriver::applyMaterial(const Material& material) {
    m_currentMaterial = material;
    for (uint32_t i = 0; i < Material::MaxLayers; ++i) {
        CImageTexture* texture = i < material.usedLayers() ? material.layers[i].texture : nullptr;
        if (m_currentTextures[i].get() != texture)
            m_currentTextures[i] = CRefHandle<CImageTexture>::share(texture);
    }
}

void CGLDriver::keepCurrentAsLast() {
    m_lastMaterial = m_currentMaterial;
    for (uint32_t i = 0; i < Material::MaxLayers; ++i)
        if (m_lastTextures[i].get() != m_currentTextures[i].get())
            m_lastTextures[i] = m_currentTextures[i];
}

void CGLDriver::dropKeptTextures() {
    for (TextureLayer& layer : m_currentMaterial.layers)
        layer.texture = nullptr;
    for (TextureLayer& layer : m_lastMaterial.layers)
        layer.texture = nullptr;
    for (uint32_t i = 0; i < Material::MaxLayers; ++i) {
        m_currentTextures[i].reset();
        m_lastTextures[i].reset();
    }
}

void CGLDriver::switchMaterial() {
    if (!m_resetStates && m_currentMaterial == m_lastMaterial)
        return;
    const int32_t lastType = m_lastMaterial.materialType;
    const int32_t type = m_currentMaterial.materialType;
    if (lastType != type && lastType >= 0)
        if (IMaterialTypeRenderer* renderer = materialTypeRenderer(static_cast<uint32_t>(lastType)))
            renderer->unsetMaterial();
    if (type >= 0)
        if (IMaterialTypeRenderer* renderer = materialTypeRenderer(static_cast<uint32_t>(type)))
            renderer->setMaterial(m_currentMaterial, m_lastMaterial, m_resetStates, this);
    keepCurrentAsLast();
    m_resetStates = false;
    m_imageMode = false;
}

void CGLDriver::setImageMode() {
    // The states are in place since the last image operation: nothing has
    // drawn with a material, switched mode or moved the transforms since.
    if (m_imageMode)
        return;
    const CGLFunctions& gl = m_extensions.gl;
    // The renderer of the material on the hardware gives up its states; the
    // image operations set their own, and the next draw sets everything again.
    const int32_t lastType = m_lastMaterial.materialType;
    if (lastType >= 0)
        if (IMaterialTypeRenderer* renderer = materialTypeRenderer(static_cast<uint32_t>(lastType)))
            renderer->unsetMaterial();
    Material plain;
    plain.depthFunc = Material::DepthOff;
    plain.lighting = false;
    applyBaseStates(plain, m_lastMaterial, true);
    m_lastMaterial = plain;
    for (CRefHandle<CImageTexture>& texture : m_lastTextures)
        texture.reset();

    m_renderMode = Mode2D;
    loadOrthoProjection();
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    gl.glTranslatef(0.375f, 0.375f, 0.0f);
    disableTextures(1);
    applyTextureMatrix(0);
    selectTextureUnit(0);
    gl.glDisable(GL_DEPTH_TEST);
    gl.glDisable(GL_FOG);
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_TEXTURE_GEN_S);
    gl.glDisable(GL_TEXTURE_GEN_T);
    gl.glDisable(GL_ALPHA_TEST);
    gl.glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl.glEnable(GL_CULL_FACE);
    gl.glCullFace(GL_BACK);
    // The next draw with a material loads its own transforms and states.
    m_transformChanged = true;
    m_resetStates = true;
    m_imageMode = true;
    m_imageBlending = ImageBlending::Unknown;
    m_imageFilteredTexture = nullptr;
}

void CGLDriver::setImageBlending(bool blending, IDriverTexture* texture, bool useAlphaChannel) {
    const CGLFunctions& gl = m_extensions.gl;
    selectTextureUnit(0);
    // Filters and wrap belong to the texture: set once per texture while the
    // image states last.
    if (texture && texture != m_imageFilteredTexture) {
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        m_imageFilteredTexture = texture;
    }
    ImageBlending wanted = ImageBlending::None;
    if (texture && useAlphaChannel)
        wanted = blending ? ImageBlending::TextureAlphaBlended : ImageBlending::TextureAlpha;
    else if (blending)
        wanted = texture ? ImageBlending::TextureVertexAlpha : ImageBlending::VertexAlpha;
    else
        wanted = texture ? ImageBlending::Texture : ImageBlending::None;
    if (wanted == m_imageBlending)
        return;
    m_imageBlending = wanted;
    switch (wanted) {
    case ImageBlending::TextureAlpha:
    case ImageBlending::TextureAlphaBlended:
        setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PRIMARY_COLOR, blending ? GL_MODULATE : GL_REPLACE, GL_TEXTURE,
                          GL_PRIMARY_COLOR);
        gl.glEnable(GL_BLEND);
        gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case ImageBlending::TextureVertexAlpha:
        setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PRIMARY_COLOR, GL_REPLACE, GL_PRIMARY_COLOR, GL_PRIMARY_COLOR);
        gl.glEnable(GL_BLEND);
        gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case ImageBlending::Texture:
        setTextureEnvMode(GL_MODULATE);
        gl.glDisable(GL_BLEND);
        break;
    case ImageBlending::VertexAlpha:
        gl.glEnable(GL_BLEND);
        gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case ImageBlending::None:
    case ImageBlending::Unknown:
        gl.glDisable(GL_BLEND);
        break;
    }
}

bool CGLDriver::beginImage(IDriverTexture* texture, bool blending, bool useAlphaChannel, const CRectI* clip) {
    setImageMode();
    if (!bindImageTexture(texture))
        return false;
    setImageBlending(blending, texture, useAlphaChannel);
    if (clip)
        setImageScissor(*clip);
    return true;
}

void CGLDriver::endImage(const CRectI* clip) {
    if (clip)
        restoreScissor();
}

void CGLDriver::imageQuad(const CSizeI& textureSize, const CRectI& source, float x0, float y0, float x1, float y1,
                          const CColor* corners) const {
    const CGLFunctions& gl = m_extensions.gl;
    // Coordinates over the hardware texture, which may be padded beyond the image.
    const float w = textureSize.width > 0 ? static_cast<float>(textureSize.width) : 1.0f;
    const float h = textureSize.height > 0 ? static_cast<float>(textureSize.height) : 1.0f;
    const float u0 = static_cast<float>(source.left) / w, u1 = static_cast<float>(source.right) / w;
    const float v0 = static_cast<float>(source.top) / h, v1 = static_cast<float>(source.bottom) / h;
    auto vertex = [&gl, corners](int corner, float u, float v, float x, float y) {
        if (corners) {
            const CColor c = corners[corner];
            gl.glColor4ub(static_cast<GLubyte>(c.red()), static_cast<GLubyte>(c.green()),
                          static_cast<GLubyte>(c.blue()), static_cast<GLubyte>(c.alpha()));
        }
        gl.glTexCoord2f(u, v);
        gl.glVertex2f(x, y);
    };
    // Corner colours come top left, bottom left, bottom right, top right.
    vertex(0, u0, v0, x0, y0);
    vertex(3, u1, v0, x1, y0);
    vertex(2, u1, v1, x1, y1);
    vertex(1, u0, v1, x0, y1);
}

void CGLDriver::setColor(CColor color) const {
    m_extensions.gl.glColor4ub(static_cast<GLubyte>(color.red()), static_cast<GLubyte>(color.green()),
                               static_cast<GLubyte>(color.blue()), static_cast<GLubyte>(color.alpha()));
}

// --- render services --------------------------------------------------------

void CGLDriver::applyBaseStates(const Material& m, const Material& l, bool reset) {
    const CGLFunctions& gl = m_extensions.gl;

    if (reset || m.colorMaterial != l.colorMaterial) {
        if (m.colorMaterial == Material::ColorMaterialNone) {
            gl.glDisable(GL_COLOR_MATERIAL);
        } else {
            static constexpr GLenum modes[] = {GL_DIFFUSE,  GL_DIFFUSE,  GL_AMBIENT,
                                               GL_EMISSION, GL_SPECULAR, GL_AMBIENT_AND_DIFFUSE};
            gl.glColorMaterial(GL_FRONT_AND_BACK, m.colorMaterial <= 5 ? modes[m.colorMaterial] : GL_DIFFUSE);
            gl.glEnable(GL_COLOR_MATERIAL);
        }
    }
    const bool modeChanged = m.colorMaterial != l.colorMaterial;
    GLfloat color[4];
    if ((reset || modeChanged || m.ambient != l.ambient) && m.colorMaterial != Material::ColorMaterialAmbient &&
        m.colorMaterial != Material::ColorMaterialAmbientDiffuse) {
        colorToFloats(m.ambient, color);
        gl.glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, color);
    }
    if ((reset || modeChanged || m.diffuse != l.diffuse) && m.colorMaterial != Material::ColorMaterialDiffuse &&
        m.colorMaterial != Material::ColorMaterialAmbientDiffuse) {
        colorToFloats(m.diffuse, color);
        gl.glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, color);
    }
    if ((reset || modeChanged || m.emissive != l.emissive) && m.colorMaterial != Material::ColorMaterialEmissive) {
        colorToFloats(m.emissive, color);
        gl.glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, color);
    }
    if (reset || modeChanged || m.shininess != l.shininess || m.specular != l.specular) {
        // GL takes exponents from 0 to 128.
        gl.glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m.shininess, 0.0f, 128.0f));
        const bool specular = m.shininess != 0.0f && m.colorMaterial != Material::ColorMaterialSpecular;
        if (specular) {
            colorToFloats(m.specular, color);
        } else {
            color[0] = color[1] = color[2] = 0.0f;
            color[3] = 1.0f;
        }
        gl.glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, color);
        if (m_extensions.has(GLExtension::ExtSeparateSpecularColor) || m_extensions.versionAtLeast(102))
            gl.glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, specular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
    }

    // Filters of the layers whose texture is bound on its unit.
    const uint32_t layers = m_extensions.multiTexture ? m.usedLayers() : std::min<uint32_t>(m.usedLayers(), 1);
    for (uint32_t i = 0; i < layers && i < m_extensions.maxTextureUnits; ++i) {
        IDriverTexture* texture = layerTexture(m, i);
        if (!texture || m_boundTextures[i] != texture)
            continue;
        const TextureLayer& layer = m.layers[i];
        const bool changed = !(i < l.usedLayers() && layer == l.layers[i]);
        if (!reset && !changed)
            continue;
        selectTextureUnit(i);
        const bool linear = layer.bilinear || layer.trilinear;
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
        GLint minification = linear ? GL_LINEAR : GL_NEAREST;
        if (texture->hasMipMaps())
            minification = layer.trilinear  ? GL_LINEAR_MIPMAP_LINEAR
                           : layer.bilinear ? GL_LINEAR_MIPMAP_NEAREST
                                            : GL_NEAREST_MIPMAP_NEAREST;
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minification);
        if (m_extensions.has(GLExtension::ExtTextureFilterAnisotropic)) {
            const uint8_t wanted = layer.anisotropy == 0 ? 1 : layer.anisotropy;
            gl.glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                               static_cast<GLfloat>(std::min(wanted, m_extensions.maxAnisotropy)));
        }
    }

    if (reset || m.wireframe != l.wireframe || m.pointCloud != l.pointCloud)
        gl.glPolygonMode(GL_FRONT_AND_BACK, m.wireframe ? GL_LINE : m.pointCloud ? GL_POINT : GL_FILL);
    if (reset || m.gouraud != l.gouraud)
        gl.glShadeModel(m.gouraud ? GL_SMOOTH : GL_FLAT);
    if (reset || m.lighting != l.lighting) {
        if (m.lighting)
            gl.glEnable(GL_LIGHTING);
        else
            gl.glDisable(GL_LIGHTING);
    }
    if (reset || m.depthFunc != l.depthFunc) {
        if (m.depthFunc == Material::DepthOff) {
            gl.glDisable(GL_DEPTH_TEST);
        } else {
            gl.glEnable(GL_DEPTH_TEST);
            gl.glDepthFunc(depthFunction(m.depthFunc));
        }
    }
    if (reset || m.depthWrite != l.depthWrite)
        gl.glDepthMask(m.depthWrite ? GL_TRUE : GL_FALSE);
    if (reset || m.cullBack != l.cullBack) {
        if (m.cullBack) {
            gl.glEnable(GL_CULL_FACE);
            gl.glCullFace(GL_BACK);
        } else {
            gl.glDisable(GL_CULL_FACE);
        }
    }
    if (reset || m.fog != l.fog) {
        if (m.fog)
            gl.glEnable(GL_FOG);
        else
            gl.glDisable(GL_FOG);
    }
    if (reset || m.normalizeNormals != l.normalizeNormals) {
        if (m.normalizeNormals)
            gl.glEnable(GL_NORMALIZE);
        else
            gl.glDisable(GL_NORMALIZE);
    }
    if (reset || m.colorMask != l.colorMask)
        gl.glColorMask((m.colorMask & Material::WriteRed) ? GL_TRUE : GL_FALSE,
                       (m.colorMask & Material::WriteGreen) ? GL_TRUE : GL_FALSE,
                       (m.colorMask & Material::WriteBlue) ? GL_TRUE : GL_FALSE,
                       (m.colorMask & Material::WriteAlpha) ? GL_TRUE : GL_FALSE);
    if (reset || m.thickness != l.thickness) {
        // GL refuses sizes of 0 and below.
        const float thickness = m.thickness > 0.0f ? m.thickness : 1.0f;
        gl.glPointSize(thickness);
        gl.glLineWidth(thickness);
    }

    if (reset || m.antiAlias != l.antiAlias) {
        if (m_extensions.has(GLExtension::ArbMultisample)) {
            if (m.antiAlias & Material::AntiAliasAlphaToCoverage)
                gl.glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
            else if (reset || (l.antiAlias & Material::AntiAliasAlphaToCoverage))
                gl.glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
            if (m_antiAliasSamples > 1 &&
                (m.antiAlias & (Material::AntiAliasMultisample | Material::AntiAliasMultisampleQuality))) {
                gl.glEnable(GL_MULTISAMPLE_ARB);
                if (m_extensions.has(GLExtension::NvMultisampleFilterHint))
                    gl.glHint(GL_MULTISAMPLE_FILTER_HINT_NV, GL_NICEST);
            } else {
                gl.glDisable(GL_MULTISAMPLE_ARB);
            }
        }
        if (m_antiAliasSamples > 1) {
            if (m.antiAlias & Material::AntiAliasLineSmooth)
                gl.glEnable(GL_LINE_SMOOTH);
            else if (reset || (l.antiAlias & Material::AntiAliasLineSmooth))
                gl.glDisable(GL_LINE_SMOOTH);
            if (m.antiAlias & Material::AntiAliasPointSmooth)
                gl.glEnable(GL_POINT_SMOOTH);
            else if (reset || (l.antiAlias & Material::AntiAliasPointSmooth))
                gl.glDisable(GL_POINT_SMOOTH);
        }
    }

    // Wrap modes are texture state: sent every time for the bound layers.
    for (uint32_t i = 0; i < layers && i < m_extensions.maxTextureUnits; ++i) {
        IDriverTexture* texture = layerTexture(m, i);
        if (!texture || m_boundTextures[i] != texture)
            continue;
        GLint wrap = GL_REPEAT;
        switch (m.layers[i].wrap) {
        case TextureLayer::WrapClamp:
            wrap = GL_CLAMP;
            break;
        case TextureLayer::WrapClampToEdge:
            wrap = m_extensions.versionAtLeast(102) || m_extensions.has(GLExtension::SgisTextureEdgeClamp)
                       ? GL_CLAMP_TO_EDGE
                       : GL_CLAMP;
            break;
        case TextureLayer::WrapClampToBorder:
            wrap = m_extensions.versionAtLeast(103) || m_extensions.has(GLExtension::ArbTextureBorderClamp) ||
                           m_extensions.has(GLExtension::SgisTextureBorderClamp)
                       ? GL_CLAMP_TO_BORDER
                       : GL_CLAMP;
            break;
        case TextureLayer::WrapMirror:
            wrap = m_extensions.versionAtLeast(104) || m_extensions.has(GLExtension::ArbTextureMirroredRepeat)
                       ? GL_MIRRORED_REPEAT
                       : GL_REPEAT;
            break;
        default:
            break;
        }
        selectTextureUnit(i);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    }
    selectTextureUnit(0);
}

void CGLDriver::setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) {
    const CGLFunctions& gl = m_extensions.gl;
    if (!data || count <= 0 || firstRegister < 0 || !gl.glProgramLocalParameter4fvARB ||
        !m_extensions.has(GLExtension::ArbVertexProgram))
        return;
    for (int32_t i = 0; i < count; ++i)
        gl.glProgramLocalParameter4fvARB(GL_VERTEX_PROGRAM_ARB, static_cast<GLuint>(firstRegister + i), data + 4 * i);
}

void CGLDriver::setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) {
    const CGLFunctions& gl = m_extensions.gl;
    if (!data || count <= 0 || firstRegister < 0 || !gl.glProgramLocalParameter4fvARB ||
        !m_extensions.has(GLExtension::ArbFragmentProgram))
        return;
    for (int32_t i = 0; i < count; ++i)
        gl.glProgramLocalParameter4fvARB(GL_FRAGMENT_PROGRAM_ARB, static_cast<GLuint>(firstRegister + i), data + 4 * i);
}

bool CGLDriver::setVertexShaderConstant(const char*, const float*, int32_t) {
    CLog::instance()->log("Error: Please call services->setPixelShaderConstant(), not "
                          "VideoDriver->setPixelShaderConstant().",
                          CLog::Info);
    return false;
}

bool CGLDriver::setPixelShaderConstant(const char*, const float*, int32_t) {
    CLog::instance()->log("Error: Please call services->setPixelShaderConstant(), not "
                          "VideoDriver->setPixelShaderConstant().",
                          CLog::Info);
    return false;
}

int32_t CGLDriver::createCompiledShaderMaterial(const char* vertexProgram, const char*, int32_t,
                                                const char* pixelProgram, const char*, int32_t,
                                                IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                int32_t userData) {
    IMaterialTypeRenderer* base =
        baseMaterialType >= 0 ? materialTypeRenderer(static_cast<uint32_t>(baseMaterialType)) : nullptr;
    return CGLSLProgramRenderer::create(this, vertexProgram, pixelProgram, callback, base, userData);
}

int32_t CGLDriver::createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                                IShaderConstantCallback* callback, int32_t baseMaterialType,
                                                int32_t userData) {
    IMaterialTypeRenderer* base =
        baseMaterialType >= 0 ? materialTypeRenderer(static_cast<uint32_t>(baseMaterialType)) : nullptr;
    return CGLAsmProgramRenderer::create(this, vertexProgram, pixelProgram, callback, base, userData);
}

// --- texture units ----------------------------------------------------------

void CGLDriver::selectTextureUnit(uint32_t unit) const {
    if (m_extensions.multiTexture)
        m_extensions.gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
}

bool CGLDriver::hasCombine() const {
    return m_extensions.versionAtLeast(103) || m_extensions.has(GLExtension::ArbTextureEnvCombine);
}

void CGLDriver::setTextureEnvMode(GLenum mode) const {
    m_extensions.gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(mode));
}

void CGLDriver::setTextureCombine(GLenum rgbOperation, GLenum rgbSource0, GLenum rgbSource1, GLenum alphaOperation,
                                  GLenum alphaSource0, GLenum alphaSource1) const {
    const CGLFunctions& gl = m_extensions.gl;
    if (!hasCombine()) {
        setTextureEnvMode(GL_MODULATE);
        return;
    }
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, static_cast<GLint>(rgbOperation));
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, static_cast<GLint>(rgbSource0));
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, static_cast<GLint>(rgbSource1));
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, static_cast<GLint>(alphaOperation));
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, static_cast<GLint>(alphaSource0));
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA, static_cast<GLint>(alphaSource1));
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
}

IDriverTexture* CGLDriver::layerTexture(const Material& material, uint32_t layer) const {
    if (layer >= material.usedLayers())
        return nullptr;
    const CImageTexture* texture = material.layers[layer].texture;
    return texture ? texture->getTexture() : nullptr;
}

bool CGLDriver::setActiveTexture(uint32_t unit, IDriverTexture* texture) {
    if (unit >= m_extensions.maxTextureUnits)
        return false;
    if (m_boundTextures[unit] == texture)
        return true;
    const CGLFunctions& gl = m_extensions.gl;
    const bool wasRenderTarget = m_boundTextures[unit] && m_boundTextures[unit]->isRenderTarget();
    selectTextureUnit(unit);
    auto* own = dynamic_cast<CGLDriverTexture*>(texture);
    if (texture && (!own || own->driver() != this)) {
        gl.glDisable(GL_TEXTURE_2D);
        m_boundTextures[unit] = nullptr;
        CLog::instance()->log("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
        if (wasRenderTarget)
            applyTextureMatrix(unit);
        return false;
    }
    m_boundTextures[unit] = texture;
    if (!own) {
        gl.glDisable(GL_TEXTURE_2D);
    } else {
        gl.glEnable(GL_TEXTURE_2D);
        gl.glBindTexture(GL_TEXTURE_2D, own->textureName());
    }
    // Render targets hold their rows bottom first and are drawn turned.
    if (wasRenderTarget || (texture && texture->isRenderTarget()))
        applyTextureMatrix(unit);
    return true;
}

void CGLDriver::disableTextures(uint32_t fromUnit) {
    for (uint32_t unit = fromUnit; unit < m_extensions.maxTextureUnits; ++unit)
        (void)setActiveTexture(unit, nullptr);
}

void CGLDriver::applyTextureMatrix(uint32_t unit) {
    if (unit >= m_extensions.maxTextureUnits)
        return;
    const CGLFunctions& gl = m_extensions.gl;
    CMat4 form;
    if (m_renderMode != Mode2D)
        form = textureForm(m_matrices[static_cast<uint32_t>(MatrixKind::Texture0) + unit]);
    IDriverTexture* bound = m_boundTextures[unit];
    if (bound && bound->isRenderTarget())
        form = form.multiply(m_renderTargetFlip);
    selectTextureUnit(unit);
    gl.glMatrixMode(GL_TEXTURE);
    if (form.isIdentity())
        gl.glLoadIdentity();
    else
        gl.glLoadMatrixf(form.data());
    gl.glMatrixMode(GL_MODELVIEW);
}

void CGLDriver::trackTexture(CGLDriverTexture* texture) {
    texture->m_previousTracked = nullptr;
    texture->m_nextTracked = m_textures;
    if (m_textures)
        m_textures->m_previousTracked = texture;
    m_textures = texture;
}

void CGLDriver::untrackTexture(CGLDriverTexture* texture) {
    if (texture->m_previousTracked)
        texture->m_previousTracked->m_nextTracked = texture->m_nextTracked;
    else if (m_textures == texture)
        m_textures = texture->m_nextTracked;
    if (texture->m_nextTracked)
        texture->m_nextTracked->m_previousTracked = texture->m_previousTracked;
    texture->m_previousTracked = nullptr;
    texture->m_nextTracked = nullptr;
    forgetTexture(texture);
}

void CGLDriver::forgetTexture(CGLDriverTexture* texture) {
    IDriverTexture* asInterface = texture;
    if (m_imageFilteredTexture == asInterface)
        m_imageFilteredTexture = nullptr;
    if (m_renderTargetTexture == asInterface) {
        // Rendering goes back to the window.
        if (texture->usesFramebuffer() && m_extensions.gl.glBindFramebufferEXT)
            m_extensions.gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        m_renderTargetTexture = nullptr;
        m_renderTargetSize = CSizeI();
        m_renderTargetKind = 0;
        restoreScreenViewport();
        m_transformChanged = true;
        m_resetStates = true;
        m_imageMode = false;
    }
    for (uint32_t unit = 0; unit < CGLExtensions::MaxUnits; ++unit) {
        if (m_boundTextures[unit] == asInterface) {
            selectTextureUnit(unit);
            m_extensions.gl.glDisable(GL_TEXTURE_2D);
            m_boundTextures[unit] = nullptr;
            m_resetStates = true;
        }
    }
    selectTextureUnit(0);
}

// --- matrices, viewport, scissor ----------------------------------------------

void CGLDriver::setMatrix(MatrixKind kind, const CMat4& matrix) {
    if (!isMatrixKind(kind))
        return;
    const CGLFunctions& gl = m_extensions.gl;
    m_matrices[static_cast<uint32_t>(kind)] = matrix;
    m_transformChanged = true;
    m_imageMode = false;
    switch (kind) {
    case MatrixKind::View:
    case MatrixKind::World:
        loadModelView();
        for (uint32_t i = 0; i < m_clipPlanes.size(); ++i)
            if (m_clipPlanes[i].on)
                sendClipPlane(i);
        break;
    case MatrixKind::Projection: {
        CMat4 projection = matrix;
        projection[12] = -projection[12];
        gl.glMatrixMode(GL_PROJECTION);
        gl.glLoadMatrixf(projection.data());
        break;
    }
    default:
        applyTextureMatrix(static_cast<uint32_t>(kind) - static_cast<uint32_t>(MatrixKind::Texture0));
        break;
    }
}

void CGLDriver::setHardwareViewport(const CRectI& rect) {
    const int32_t targetHeight = renderTargetSize().height;
    m_extensions.gl.glViewport(rect.left, targetHeight - rect.bottom, rect.width(), rect.height());
}

void CGLDriver::restoreScreenViewport() {
    m_viewport = CRectI(0, 0, m_screenSize.width, m_screenSize.height);
    setHardwareViewport(m_viewport);
}

void CGLDriver::setViewportRect(const CRectI& rect) {
    const CSizeI& target = renderTargetSize();
    CRectI cut = intersect(rect, CRectI(0, 0, target.width, target.height));
    if (cut.right < cut.left)
        cut.right = cut.left;
    if (cut.bottom < cut.top)
        cut.bottom = cut.top;
    if (!isEmpty(cut))
        setHardwareViewport(cut);
    m_viewport = cut;
}

const CSizeI& CGLDriver::renderTargetSize() const { return m_renderTargetTexture ? m_renderTargetSize : m_screenSize; }

void CGLDriver::onWindowResized(const CSizeI& size) {
    CNullGraphicsDriver::onWindowResized(size);
    if (!m_renderTargetTexture)
        m_extensions.gl.glViewport(0, 0, size.width, size.height);
    m_transformChanged = true;
    m_imageMode = false;
}

void CGLDriver::setScissorRect(const CRectI& rect) {
    m_scissorRect = rect;
    m_extensions.gl.glScissor(rect.left, renderTargetSize().height - rect.bottom, rect.width(), rect.height());
}

void CGLDriver::enableScissor(bool on) {
    m_scissorOn = on;
    if (on)
        m_extensions.gl.glEnable(GL_SCISSOR_TEST);
    else
        m_extensions.gl.glDisable(GL_SCISSOR_TEST);
}

void CGLDriver::setImageScissor(const CRectI& clip) {
    m_extensions.gl.glEnable(GL_SCISSOR_TEST);
    m_extensions.gl.glScissor(clip.left, renderTargetSize().height - clip.bottom, clip.width(), clip.height());
}

void CGLDriver::restoreScissor() {
    setScissorRect(m_scissorRect);
    enableScissor(m_scissorOn);
}

// --- drawing --------------------------------------------------------------------

void CGLDriver::convertColors(const void* vertices, uint32_t vertexCount, VertexType vertexType) {
    const uint32_t stride = vertexStride(vertexType);
    const auto* source = static_cast<const uint8_t*>(vertices) + 12;
    if (m_colorBuffer.size() < size_t(vertexCount) * 4)
        m_colorBuffer.resize(size_t(vertexCount) * 4);
    uint8_t* out = m_colorBuffer.data();
    for (uint32_t i = 0; i < vertexCount; ++i, source += stride, out += 4) {
        uint32_t argb;
        std::memcpy(&argb, source, 4);
        out[0] = static_cast<uint8_t>(argb >> 16);
        out[1] = static_cast<uint8_t>(argb >> 8);
        out[2] = static_cast<uint8_t>(argb);
        out[3] = static_cast<uint8_t>(argb >> 24);
    }
}

void CGLDriver::setVertexArrays(const uint8_t* vertices, VertexType vertexType, PrimitiveType primitiveType) {
    const CGLFunctions& gl = m_extensions.gl;
    const auto stride = static_cast<GLsizei>(vertexStride(vertexType));
    gl.glEnableClientState(GL_COLOR_ARRAY);
    gl.glColorPointer(4, GL_UNSIGNED_BYTE, 0, m_colorBuffer.data());
    gl.glEnableClientState(GL_VERTEX_ARRAY);
    gl.glVertexPointer(3, GL_FLOAT, stride, vertices);
    const bool points = primitiveType == PrimitiveType::Points || primitiveType == PrimitiveType::PointSprites;
    const bool multi = m_extensions.multiTexture;
    if (!points) {
        if (multi)
            gl.glClientActiveTextureARB(GL_TEXTURE0_ARB);
        gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl.glTexCoordPointer(2, GL_FLOAT, stride, vertices + 16);
    }
    if (vertexType == VertexType::Normal || vertexType == VertexType::NormalTwoCoords ||
        vertexType == VertexType::Tangents) {
        gl.glEnableClientState(GL_NORMAL_ARRAY);
        gl.glNormalPointer(GL_FLOAT, stride, vertices + 24);
    }
    if (!multi || points)
        return;
    auto coordinates = [&](GLenum unit, GLint components, const uint8_t* at) {
        gl.glClientActiveTextureARB(unit);
        gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl.glTexCoordPointer(components, GL_FLOAT, stride, at);
    };
    switch (vertexType) {
    case VertexType::TwoCoords:
        coordinates(GL_TEXTURE1_ARB, 2, vertices + 24);
        break;
    case VertexType::NormalTwoCoords:
        coordinates(GL_TEXTURE1_ARB, 2, vertices + 36);
        break;
    case VertexType::Batch:
    case VertexType::Normal:
        if (m_boundTextures[1])
            coordinates(GL_TEXTURE1_ARB, 2, vertices + 16);
        break;
    case VertexType::Tangents:
        coordinates(GL_TEXTURE1_ARB, 3, vertices + 36);
        if (m_extensions.maxTextureUnits > 2)
            coordinates(GL_TEXTURE2_ARB, 3, vertices + 48);
        break;
    }
}

void CGLDriver::resetVertexArrays() {
    const CGLFunctions& gl = m_extensions.gl;
    gl.glDisableClientState(GL_COLOR_ARRAY);
    gl.glDisableClientState(GL_VERTEX_ARRAY);
    gl.glDisableClientState(GL_NORMAL_ARRAY);
    if (m_extensions.multiTexture) {
        for (uint32_t unit = m_extensions.maxTextureUnits; unit-- > 0;) {
            gl.glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
            gl.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    } else {
        gl.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

void CGLDriver::drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices, uint32_t primitiveCount,
                               VertexType vertexType, IndexType indexType, PrimitiveType primitiveType) {
    if (!checkDrawArguments(vertices, vertexCount, indices, primitiveCount, vertexType, indexType, primitiveType))
        return;
    CNullGraphicsDriver::drawPrimitives(vertices, vertexCount, indices, primitiveCount, vertexType, indexType,
                                        primitiveType);

    convertColors(vertices, vertexCount, vertexType);
    const bool go = m_renderMode == Mode2D ? apply2DStates() : apply3DStates();
    if (!go)
        return;

    const CGLFunctions& gl = m_extensions.gl;
    const auto* bytes = static_cast<const uint8_t*>(vertices);
    setVertexArrays(bytes, vertexType, primitiveType);

    const bool points = primitiveType == PrimitiveType::Points || primitiveType == PrimitiveType::PointSprites;
    const bool sprites = primitiveType == PrimitiveType::PointSprites && m_extensions.has(GLExtension::ArbPointSprite);
    if (points) {
        const float size = std::clamp(m_currentMaterial.thickness, m_extensions.pointSizeRange[0],
                                      std::max(m_extensions.pointSizeRange[0], m_extensions.pointSizeRange[1]));
        gl.glPointSize(size);
        if (m_extensions.versionAtLeast(104) && gl.glPointParameterfvARB && gl.glPointParameterfARB) {
            const GLfloat attenuation[3] = {1.0f, 1.0f, 0.0f};
            gl.glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION, attenuation);
            gl.glPointParameterfARB(GL_POINT_SIZE_MAX, size);
            gl.glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE, 1.0f);
        }
        if (sprites) {
            gl.glEnable(GL_POINT_SPRITE_ARB);
            gl.glTexEnvf(GL_POINT_SPRITE_ARB, GL_COORD_REPLACE_ARB, GL_TRUE);
        }
    }

    const GLenum mode = primitiveMode(primitiveType);
    const auto count = static_cast<GLsizei>(primitiveVertexCount(primitiveType, primitiveCount));
    if (indices)
        gl.glDrawElements(mode, count, indexType == IndexType::Bits32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, indices);
    else
        gl.glDrawArrays(mode, 0, count);

    if (sprites) {
        gl.glTexEnvf(GL_POINT_SPRITE_ARB, GL_COORD_REPLACE_ARB, GL_FALSE);
        gl.glDisable(GL_POINT_SPRITE_ARB);
    }
    resetVertexArrays();
}

bool CGLDriver::bindImageTexture(IDriverTexture* texture) {
    if (!texture)
        return false;
    disableTextures(1);
    return setActiveTexture(0, texture);
}

void CGLDriver::drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source,
                              const CRectI* clip, CColor color, bool useAlphaChannel) {
    CRectI destination, part;
    if (!texture || !clipImagePart(position, source, clip, renderTargetSize(), destination, part))
        return;
    if (!beginImage(texture, color.alpha() < 255, useAlphaChannel, nullptr))
        return;
    const CGLFunctions& gl = m_extensions.gl;
    gl.glBegin(GL_QUADS);
    setColor(color);
    imageQuad(texture->size(), part, static_cast<float>(destination.left), static_cast<float>(destination.top),
              static_cast<float>(destination.right), static_cast<float>(destination.bottom), nullptr);
    gl.glEnd();
    endImage(nullptr);
}

void CGLDriver::drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source,
                                const CRectI* clip, const CColor* colors, bool useAlphaChannel) {
    if (!texture)
        return;
    if (clip && isTurned(*clip))
        return;
    const CColor white(0xFFFFFFFF);
    const CColor corner[4] = {colors ? colors[0] : white, colors ? colors[1] : white, colors ? colors[2] : white,
                              colors ? colors[3] : white};
    bool blending = false;
    for (const CColor& c : corner)
        blending = blending || c.alpha() < 255;
    if (!beginImage(texture, blending, useAlphaChannel, clip))
        return;
    const CGLFunctions& gl = m_extensions.gl;
    gl.glBegin(GL_QUADS);
    imageQuad(texture->size(), source, static_cast<float>(destination.left), static_cast<float>(destination.top),
              static_cast<float>(destination.right), static_cast<float>(destination.bottom), corner);
    gl.glEnd();
    endImage(clip);
}

void CGLDriver::drawImageRunClipped(IDriverTexture* texture, const CVector2di& position, const CArray<CRectI>& sources,
                                    const CArray<int32_t>& indices, const CRectI* clip, CColor color,
                                    bool useAlphaChannel) {
    if (!texture || (clip && isTurned(*clip)))
        return;
    if (!beginImage(texture, color.alpha() < 255, useAlphaChannel, clip))
        return;
    const CGLFunctions& gl = m_extensions.gl;
    const CSizeI& size = texture->size();
    setColor(color);
    int32_t x = position.x;
    const auto y0 = static_cast<float>(position.y);
    gl.glBegin(GL_QUADS);
    for (const int32_t index : indices) {
        if (index < 0 || static_cast<uint32_t>(index) >= sources.size())
            break;
        const CRectI& source = sources[static_cast<uint32_t>(index)];
        if (isTurned(source))
            break;
        imageQuad(size, source, static_cast<float>(x), y0, static_cast<float>(x + source.width()),
                  y0 + static_cast<float>(source.height()), nullptr);
        x += source.width();
    }
    gl.glEnd();
    endImage(clip);
}

void CGLDriver::fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft,
                                 CColor bottomRight, const CRectI* clip) {
    CRectI area = rect;
    if (clip) {
        area = intersect(rect, *clip);
        if (isEmpty(area))
            return;
    } else if (isTurned(area)) {
        return;
    }
    if (!apply2DStates())
        return;
    disableTextures(0);
    const CGLFunctions& gl = m_extensions.gl;
    auto vertex = [&gl](CColor c, int32_t x, int32_t y) {
        gl.glColor4ub(static_cast<GLubyte>(c.red()), static_cast<GLubyte>(c.green()), static_cast<GLubyte>(c.blue()),
                      static_cast<GLubyte>(c.alpha()));
        gl.glVertex2f(static_cast<float>(x), static_cast<float>(y));
    };
    gl.glBegin(GL_QUADS);
    vertex(topLeft, area.left, area.top);
    vertex(topRight, area.right, area.top);
    vertex(bottomRight, area.right, area.bottom);
    vertex(bottomLeft, area.left, area.bottom);
    gl.glEnd();
    // The material's textures were switched off underneath it.
    m_resetStates = true;
}

void CGLDriver::fillRect(CColor color, const CRectI& rect, const CRectI* clip) {
    fillRectGradient(rect, color, color, color, color, clip);
}

void CGLDriver::drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) {
    if (!apply2DStates())
        return;
    disableTextures(0);
    const CGLFunctions& gl = m_extensions.gl;
    // Through the pixel centres, so that whole coordinates name pixels.
    gl.glBegin(GL_LINES);
    gl.glColor4ub(static_cast<GLubyte>(color.red()), static_cast<GLubyte>(color.green()),
                  static_cast<GLubyte>(color.blue()), static_cast<GLubyte>(color.alpha()));
    gl.glVertex2f(start.x + 0.5f, start.y + 0.5f);
    gl.glVertex2f(end.x + 0.5f, end.y + 0.5f);
    gl.glEnd();
    m_resetStates = true;
}

void CGLDriver::plotPixel(uint32_t x, uint32_t y, CColor color) {
    const CSizeI& target = renderTargetSize();
    if (x > static_cast<uint32_t>(std::max(target.width, 0)) || y > static_cast<uint32_t>(std::max(target.height, 0)))
        return;
    if (!apply2DStates())
        return;
    disableTextures(0);
    const CGLFunctions& gl = m_extensions.gl;
    gl.glBegin(GL_POINTS);
    gl.glColor4ub(static_cast<GLubyte>(color.red()), static_cast<GLubyte>(color.green()),
                  static_cast<GLubyte>(color.blue()), static_cast<GLubyte>(color.alpha()));
    gl.glVertex2f(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
    gl.glEnd();
    m_resetStates = true;
}

// --- textures and render targets -------------------------------------------------

IDriverTexture* CGLDriver::makeDriverTexture(CPixelImage* image) {
    if (!image)
        return nullptr;
    return new CGLDriverTexture(image, this);
}

IDriverTexture* CGLDriver::renderTargetTexture(const CSizeI& size, ColorFormat format) {
    if (size.width <= 0 || size.height <= 0)
        return nullptr;
    // Render targets have no mip maps.
    const bool mipMaps = textureFlag(TextureFlag::CreateMipMaps);
    setTextureFlag(TextureFlag::CreateMipMaps, false);
    IDriverTexture* result = nullptr;
    if (hasFeature(DriverFeature::FramebufferObject)) {
        result = CGLFramebufferTexture::create(this, size, format);
    } else {
        CSizeI cut(std::min(size.width, m_screenSize.width), std::min(size.height, m_screenSize.height));
        if (isPowerOfTwo(size.width) && isPowerOfTwo(size.height)) {
            cut.width = static_cast<int32_t>(largestPowerOfTwoNotAbove(static_cast<uint32_t>(cut.width)));
            cut.height = static_cast<int32_t>(largestPowerOfTwoNotAbove(static_cast<uint32_t>(cut.height)));
        }
        IDriverTexture* texture = emptyTexture(cut, ColorFormat::A8R8G8B8);
        if (auto* own = dynamic_cast<CGLDriverTexture*>(texture))
            own->setRenderTargetImage();
        result = texture;
    }
    setTextureFlag(TextureFlag::CreateMipMaps, mipMaps);
    return result;
}

bool CGLDriver::setRenderTarget(IDriverTexture* texture, bool clearBackBuffer, bool clearDepth, CColor clearColor) {
    auto* own = dynamic_cast<CGLDriverTexture*>(texture);
    if (texture && (!own || own->driver() != this || texture->driverType() != VideoDriverType::OpenGL)) {
        CLog::instance()->log("Fatal Error: Tried to set a texture not owned by this driver.", CLog::Error);
        return false;
    }
    if (m_boundTextures[0])
        (void)setActiveTexture(0, nullptr);
    m_resetStates = true;
    // The 2D projection covers the render target.
    m_transformChanged = true;
    m_imageMode = false;
    if (m_renderTargetTexture)
        static_cast<CGLDriverTexture*>(m_renderTargetTexture)->unbindRenderTarget();
    if (own) {
        m_renderTargetTexture = texture;
        m_renderTargetSize = texture->size();
        m_viewport = CRectI(0, 0, m_renderTargetSize.width, m_renderTargetSize.height);
        setHardwareViewport(m_viewport);
        own->bindRenderTarget();
        m_renderTargetKind = 1;
    } else {
        m_renderTargetTexture = nullptr;
        m_renderTargetSize = CSizeI();
        m_renderTargetKind = 0;
        restoreScreenViewport();
    }
    clearBuffers(clearBackBuffer, clearDepth, clearColor);
    return true;
}

bool CGLDriver::setRenderTarget(int32_t kind, bool clearBackBuffer, bool clearDepth, CColor clearColor) {
    if (kind != m_renderTargetKind)
        (void)setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, clearColor);
    if (kind == 1) {
        CLog::instance()->log(
            "Fatal Error: For render textures call setRenderTarget with the actual texture as first parameter.",
            CLog::Error);
        return false;
    }
    const CGLFunctions& gl = m_extensions.gl;
    if (m_stereo && kind == 3) {
        gl.glDrawBuffer(m_doubleBuffered ? GL_BACK_RIGHT : GL_FRONT_RIGHT);
    } else if (m_stereo && kind == 4) {
        gl.glDrawBuffer(m_doubleBuffered ? GL_BACK : GL_FRONT);
    } else if (kind >= 5 && kind - 5 < m_extensions.auxBuffers) {
        gl.glDrawBuffer(static_cast<GLenum>(GL_AUX0 + (kind - 5)));
    } else {
        gl.glDrawBuffer(m_doubleBuffered ? GL_BACK_LEFT : GL_FRONT_LEFT);
        if (kind != 0)
            return false;
    }
    m_renderTargetKind = kind;
    clearBuffers(clearBackBuffer, clearDepth, clearColor);
    return true;
}

CPixelImage* CGLDriver::takeScreenshot() {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::R8G8B8,
                                                      static_cast<uint32_t>(std::max(m_screenSize.width, 0)),
                                                      static_cast<uint32_t>(std::max(m_screenSize.height, 0))));
    if (!image || !image->data())
        return nullptr;
    const CGLFunctions& gl = m_extensions.gl;
    // The window's pixels, also while a framebuffer object is bound.
    GLint framebuffer = 0;
    const bool framebuffers = m_extensions.has(GLExtension::ExtFramebufferObject) && gl.glBindFramebufferEXT;
    if (framebuffers) {
        gl.glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
        if (framebuffer != 0)
            gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }
    // Once presented, a double-buffered frame is in the front buffer, unless
    // the context keeps it readable in the back buffer only.
    gl.glReadBuffer(m_inFrame || !m_doubleBuffered || m_presentedInBackBuffer ? m_drawBuffer : GL_FRONT);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const bool invert = m_extensions.has(GLExtension::MesaPackInvert);
    if (invert)
        gl.glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
    gl.glReadPixels(0, 0, m_screenSize.width, m_screenSize.height, GL_RGB, GL_UNSIGNED_BYTE, image->data());
    if (invert) {
        gl.glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
    } else {
        // GL reads the bottom row first.
        const uint32_t pitch = image->pitch();
        std::vector<uint8_t> row(pitch);
        uint8_t* data = image->data();
        for (uint32_t top = 0, bottom = image->height() - 1; top < bottom; ++top, --bottom) {
            std::memcpy(row.data(), data + uint64_t(top) * pitch, pitch);
            std::memcpy(data + uint64_t(top) * pitch, data + uint64_t(bottom) * pitch, pitch);
            std::memcpy(data + uint64_t(bottom) * pitch, row.data(), pitch);
        }
    }
    gl.glReadBuffer(m_drawBuffer);
    if (framebuffers && framebuffer != 0)
        gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(framebuffer));
    return image.detach();
}

// --- 3D-only operations ------------------------------------------------------------

void CGLDriver::setFogParameters(CColor color, bool linear, float start, float end, float density, bool pixelFog,
                                 bool rangeFog) {
    CNullGraphicsDriver::setFogParameters(color, linear, start, end, density, pixelFog, rangeFog);
    const CGLFunctions& gl = m_extensions.gl;
    gl.glFogi(GL_FOG_MODE, linear ? GL_LINEAR : GL_EXP);
    if (linear) {
        gl.glFogf(GL_FOG_START, start);
        gl.glFogf(GL_FOG_END, end);
    } else {
        gl.glFogf(GL_FOG_DENSITY, density);
    }
    if (m_extensions.has(GLExtension::ExtFogCoord))
        gl.glFogi(GL_FOG_COORDINATE_SOURCE_EXT, GL_FRAGMENT_DEPTH_EXT);
    gl.glHint(GL_FOG_HINT, pixelFog ? GL_NICEST : GL_FASTEST);
    GLfloat fogColor[4];
    colorToFloats(color, fogColor);
    gl.glFogfv(GL_FOG_COLOR, fogColor);
}

void CGLDriver::setAmbientColor(const CColorf& color) {
    GLfloat ambient[4];
    colorfToFloats(color, ambient);
    m_extensions.gl.glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

void CGLDriver::sendLight(int32_t index) {
    const CGLFunctions& gl = m_extensions.gl;
    const CLight& light = m_lights[static_cast<uint32_t>(index)];
    const GLLight& slot = m_glLights[static_cast<uint32_t>(index)];
    if (slot.hardwareLight < 0)
        return;
    const auto id = static_cast<GLenum>(GL_LIGHT0 + slot.hardwareLight);
    GLfloat values[4];
    colorfToFloats(light.ambient, values);
    gl.glLightfv(id, GL_AMBIENT, values);
    colorfToFloats(light.diffuse, values);
    gl.glLightfv(id, GL_DIFFUSE, values);
    colorfToFloats(light.specular, values);
    gl.glLightfv(id, GL_SPECULAR, values);
    gl.glLightf(id, GL_CONSTANT_ATTENUATION, light.constantAttenuation);
    gl.glLightf(id, GL_LINEAR_ATTENUATION, light.linearAttenuation);
    gl.glLightf(id, GL_QUADRATIC_ATTENUATION, light.quadraticAttenuation);
    if (light.type == CLight::Directional) {
        const GLfloat direction[4] = {-light.direction.x, -light.direction.y, -light.direction.z, 0.0f};
        gl.glLightfv(id, GL_POSITION, direction);
        gl.glLightf(id, GL_SPOT_CUTOFF, 180.0f);
    } else {
        const GLfloat position[4] = {light.position.x, light.position.y, light.position.z, 1.0f};
        gl.glLightfv(id, GL_POSITION, position);
        if (light.type == CLight::Spot) {
            const GLfloat direction[3] = {light.direction.x, light.direction.y, light.direction.z};
            gl.glLightfv(id, GL_SPOT_DIRECTION, direction);
            gl.glLightf(id, GL_SPOT_CUTOFF, std::clamp(light.cutoff, 0.0f, 90.0f));
            gl.glLightf(id, GL_SPOT_EXPONENT, std::clamp(light.falloff, 0.0f, 128.0f));
        } else {
            gl.glLightf(id, GL_SPOT_CUTOFF, 180.0f);
        }
    }
    if (slot.on)
        gl.glEnable(id);
    else
        gl.glDisable(id);
}

int32_t CGLDriver::addLight(const CLight& light) {
    const int32_t index = CNullGraphicsDriver::addLight(light);
    GLLight slot;
    // The first free hardware light.
    for (int32_t hardware = 0; hardware < m_extensions.maxLights && slot.hardwareLight < 0; ++hardware) {
        bool taken = false;
        for (const GLLight& other : m_glLights)
            taken = taken || other.hardwareLight == hardware;
        if (!taken)
            slot.hardwareLight = hardware;
    }
    m_glLights.push_back(slot);
    if (slot.hardwareLight >= 0) {
        // Positions are given in world space.
        setMatrix(MatrixKind::World, CMat4());
        sendLight(index);
    }
    return index;
}

void CGLDriver::switchLight(int32_t index, bool on) {
    if (index < 0 || static_cast<uint32_t>(index) >= m_glLights.size())
        return;
    GLLight& slot = m_glLights[static_cast<uint32_t>(index)];
    slot.on = on;
    if (on) {
        if (slot.hardwareLight < 0) {
            for (int32_t hardware = 0; hardware < m_extensions.maxLights && slot.hardwareLight < 0; ++hardware) {
                bool taken = false;
                for (const GLLight& other : m_glLights)
                    taken = taken || other.hardwareLight == hardware;
                if (!taken)
                    slot.hardwareLight = hardware;
            }
        }
        sendLight(index);
        return;
    }
    if (slot.hardwareLight < 0)
        return;
    const int32_t freed = slot.hardwareLight;
    m_extensions.gl.glDisable(static_cast<GLenum>(GL_LIGHT0 + freed));
    slot.hardwareLight = -1;
    // The freed light goes to the first light that is on without one.
    for (uint32_t i = 0; i < m_glLights.size(); ++i) {
        if (m_glLights[i].on && m_glLights[i].hardwareLight < 0) {
            m_glLights[i].hardwareLight = freed;
            sendLight(static_cast<int32_t>(i));
            break;
        }
    }
}

void CGLDriver::clearLights() {
    for (const GLLight& slot : m_glLights)
        if (slot.hardwareLight >= 0)
            m_extensions.gl.glDisable(static_cast<GLenum>(GL_LIGHT0 + slot.hardwareLight));
    m_glLights.clear();
    CNullGraphicsDriver::clearLights();
}

void CGLDriver::sendClipPlane(uint32_t index) {
    const ClipPlane& plane = m_clipPlanes[index];
    const GLdouble equation[4] = {plane.plane[0], plane.plane[1], plane.plane[2], plane.plane[3]};
    m_extensions.gl.glClipPlane(static_cast<GLenum>(GL_CLIP_PLANE0 + index), equation);
}

bool CGLDriver::defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) {
    if (index >= m_clipPlanes.size())
        return false;
    std::copy(plane, plane + 4, m_clipPlanes[index].plane);
    toggleClipPlane(index, enable);
    return true;
}

void CGLDriver::toggleClipPlane(uint32_t index, bool on) {
    if (index >= m_clipPlanes.size())
        return;
    m_clipPlanes[index].on = on;
    if (on) {
        sendClipPlane(index);
        m_extensions.gl.glEnable(static_cast<GLenum>(GL_CLIP_PLANE0 + index));
    } else {
        m_extensions.gl.glDisable(static_cast<GLenum>(GL_CLIP_PLANE0 + index));
    }
}

void CGLDriver::drawShadowVolume(const CVector3d* positions, uint32_t count, bool depthFail) {
    if (!m_extensions.stencilBuffer || !positions || count < 3)
        return;
    const CGLFunctions& gl = m_extensions.gl;
    static_assert(sizeof(CVector3d) == 12, "positions are read as three packed floats");
    disableTextures(0);
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_FOG);
    gl.glDepthMask(GL_FALSE);
    gl.glDepthFunc(GL_LESS);
    gl.glEnable(GL_DEPTH_TEST);
    gl.glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    gl.glEnable(GL_STENCIL_TEST);
    gl.glShadeModel(GL_FLAT);
    gl.glStencilFunc(GL_ALWAYS, 0, 0xFFFFFFFFu);
    gl.glStencilMask(0xFFFFFFFFu);
    const bool wrap = m_extensions.has(GLExtension::ExtStencilWrap);
    const GLenum increment = wrap ? GL_INCR_WRAP_EXT : GL_INCR;
    const GLenum decrement = wrap ? GL_DECR_WRAP_EXT : GL_DECR;
    gl.glEnableClientState(GL_VERTEX_ARRAY);
    gl.glVertexPointer(3, GL_FLOAT, 0, positions);
    gl.glEnable(GL_CULL_FACE);
    const auto vertices = static_cast<GLsizei>(count - count % 3);
    if (depthFail) {
        gl.glCullFace(GL_FRONT);
        gl.glStencilOp(GL_KEEP, increment, GL_KEEP);
        gl.glDrawArrays(GL_TRIANGLES, 0, vertices);
        gl.glCullFace(GL_BACK);
        gl.glStencilOp(GL_KEEP, decrement, GL_KEEP);
        gl.glDrawArrays(GL_TRIANGLES, 0, vertices);
    } else {
        gl.glCullFace(GL_BACK);
        gl.glStencilOp(GL_KEEP, GL_KEEP, increment);
        gl.glDrawArrays(GL_TRIANGLES, 0, vertices);
        gl.glCullFace(GL_FRONT);
        gl.glStencilOp(GL_KEEP, GL_KEEP, decrement);
        gl.glDrawArrays(GL_TRIANGLES, 0, vertices);
    }
    gl.glDisableClientState(GL_VERTEX_ARRAY);
    gl.glDisable(GL_STENCIL_TEST);
    gl.glCullFace(GL_BACK);
    m_resetStates = true;
    m_imageMode = false;
}

void CGLDriver::drawShadowOverlay(bool clearStencil, CColor topLeft, CColor topRight, CColor bottomLeft,
                                  CColor bottomRight) {
    if (!m_extensions.stencilBuffer)
        return;
    const CGLFunctions& gl = m_extensions.gl;
    disableTextures(0);
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_FOG);
    gl.glDisable(GL_DEPTH_TEST);
    gl.glDepthMask(GL_FALSE);
    gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.glShadeModel(GL_SMOOTH);
    gl.glEnable(GL_STENCIL_TEST);
    gl.glStencilFunc(GL_NOTEQUAL, 0, 0xFFFFFFFFu);
    gl.glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    const bool blending =
        topLeft.alpha() < 255 || topRight.alpha() < 255 || bottomLeft.alpha() < 255 || bottomRight.alpha() < 255;
    if (blending) {
        gl.glEnable(GL_BLEND);
        gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        gl.glDisable(GL_BLEND);
    }
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadIdentity();
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    auto vertex = [&gl](CColor c, float x, float y) {
        gl.glColor4ub(static_cast<GLubyte>(c.red()), static_cast<GLubyte>(c.green()), static_cast<GLubyte>(c.blue()),
                      static_cast<GLubyte>(c.alpha()));
        gl.glVertex3f(x, y, 0.9f);
    };
    // Slightly larger than the screen, so that no edge pixel is left out.
    gl.glBegin(GL_QUADS);
    vertex(topLeft, -1.1f, 1.1f);
    vertex(topRight, 1.1f, 1.1f);
    vertex(bottomRight, 1.1f, -1.1f);
    vertex(bottomLeft, -1.1f, -1.1f);
    gl.glEnd();
    if (clearStencil)
        gl.glClear(GL_STENCIL_BUFFER_BIT);
    gl.glDisable(GL_STENCIL_TEST);
    // The mode's projection, model view and states are sent again.
    const int32_t mode = m_renderMode;
    m_renderMode = ModeNone;
    m_transformChanged = true;
    m_resetStates = true;
    m_imageMode = false;
    (void)(mode == Mode2D ? apply2DStates() : apply3DStates());
}

IGraphicsDriver* createOpenGLDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                    IGLContext* context, CClock* clock) {
    auto* driver = new CGLDriver(params, fileSystem, context, clock);
    if (!driver->initialize(params)) {
        driver->release();
        return nullptr;
    }
    return driver;
}
