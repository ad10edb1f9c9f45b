#include "engine/video/CNullGraphicsDriver.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2di.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/IReadableFile.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGeometryBuffer.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/MeshVertices.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The renderer of every built-in type of the Null driver: sets nothing.
class CNullMaterialRenderer : public IMaterialTypeRenderer {
public:
    void setMaterial(const Material&, const Material&, bool, IRenderServices*) override {}
    void unsetMaterial() override {}
    [[nodiscard]] bool onRender(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override { return false; }
    [[nodiscard]] int32_t renderCapability() const override { return 0; }
};

// Shader programs are small texts; a larger file is not one.
constexpr int32_t MaxShaderFileBytes = 16 << 20;

bool isMatrixKind(MatrixKind kind) { return static_cast<uint32_t>(kind) < MatrixKindCount; }

// A1R5G5B5 of an A8R8G8B8 colour: alpha from bit 31, the top five bits of
// red, green and blue.
uint16_t toA1R5G5B5(uint32_t color) {
    return static_cast<uint16_t>(((color >> 16) & 0x8000) | ((color >> 9) & 0x7C00) | ((color >> 6) & 0x03E0) |
                                 ((color >> 3) & 0x001F));
}

} // namespace

CNullGraphicsDriver::CNullGraphicsDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                         CClock* clock)
    : m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)), m_screenSize(params.width, params.height),
      m_colorDepth(params.colorBits),
      m_clock(clock ? CRefHandle<CClock>::share(clock) : CRefHandle<CClock>(new CClock())) {
    m_frameCounter.start(clockNow());
    // Virtual calls reach this class while it is constructed, so every
    // driver first reports the Null driver's name; a working driver logs its
    // own once it knows it.
    CLog::instance()->log(CStringW("Using renderer: ") + driverName(), CLog::Info);
    m_viewport = CRectI(0, 0, m_screenSize.width, m_screenSize.height);
    m_quadBatch.reset(new CQuadBatch(this));
    for (bool& on : m_featureSwitches)
        on = true;
}

CNullGraphicsDriver::~CNullGraphicsDriver() {
    m_fileSystem.reset();
    // Whoever still holds the batch must not reach this driver through it.
    if (m_quadBatch)
        m_quadBatch->detach();
    m_quadBatch.reset();
    for (MaterialRendererEntry& entry : m_materialRenderers)
        releaseAndNull(entry.renderer);
    m_materialRenderers.clear();
    m_lights.clear();
}

void CNullGraphicsDriver::addNullRenderers() {
    for (int32_t i = 0; i < MaterialType::BuiltInCount; ++i)
        (void)addAndDropMaterialRenderer(i, new CNullMaterialRenderer);
}

void CNullGraphicsDriver::setClock(CClock* clock) {
    if (!clock)
        return;
    m_clock = CRefHandle<CClock>::share(clock);
    m_frameCounter.start(clockNow());
}

bool CNullGraphicsDriver::beginFrame(bool, bool, CColor, void*, const CRectI*) {
    m_primitivesThisFrame = 0;
    return true;
}

bool CNullGraphicsDriver::endFrame() {
    m_frameCounter.registerFrame(clockNow(), m_primitivesThisFrame);
    return true;
}

bool CNullGraphicsDriver::hasFeature(DriverFeature) const { return false; }

void CNullGraphicsDriver::enableFeature(DriverFeature feature, bool on) {
    const auto id = static_cast<uint32_t>(feature);
    if (id < DriverFeatureCount)
        m_featureSwitches[id] = on;
}

void CNullGraphicsDriver::setMatrix(MatrixKind, const CMat4&) {}

const CMat4& CNullGraphicsDriver::matrix(MatrixKind kind) const {
    return isMatrixKind(kind) ? m_matrices[static_cast<uint32_t>(kind)] : CMat4::identity();
}

void CNullGraphicsDriver::applyMaterial(const Material&) {}

IDriverTexture* CNullGraphicsDriver::textureFromImage(CPixelImage* image) {
    return image ? makeDriverTexture(image) : nullptr;
}

IDriverTexture* CNullGraphicsDriver::emptyTexture(const CSizeI& size, ColorFormat format) {
    if (size.width <= 0 || size.height <= 0)
        return nullptr;
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), format, static_cast<uint32_t>(size.width),
                                                      static_cast<uint32_t>(size.height)));
    if (!image)
        return nullptr;
    return makeDriverTexture(image.get());
}

IDriverTexture* CNullGraphicsDriver::renderTargetTexture(const CSizeI&, ColorFormat) { return nullptr; }

void CNullGraphicsDriver::applyColorKey(uint8_t* data, const IDriverTexture& texture, ColorFormat format,
                                        uint32_t key) {
    const uint32_t pitch = texture.pitch();
    const CSizeI size = texture.size();
    const uint32_t texelBytes = format == ColorFormat::A8R8G8B8 ? 4 : 2;
    // Rows are walked by the pitch; a pitch too small for the width limits
    // the texels per row to what the row holds.
    const uint32_t perRow = std::min(static_cast<uint32_t>(size.width), pitch / texelBytes);
    for (uint32_t y = 0; y < static_cast<uint32_t>(size.height); ++y) {
        uint8_t* row = data + uint64_t(y) * pitch;
        for (uint32_t x = 0; x < perRow; ++x) {
            uint8_t* texel = row + uint64_t(x) * texelBytes;
            if (texelBytes == 4) {
                uint32_t value;
                std::memcpy(&value, texel, 4);
                value |= 0xFF000000u;
                if (value == (key | 0xFF000000u))
                    value = 0;
                std::memcpy(texel, &value, 4);
            } else {
                uint16_t value;
                std::memcpy(&value, texel, 2);
                value = static_cast<uint16_t>(value | 0x8000u);
                if (value == (key | 0x8000u))
                    value = 0;
                std::memcpy(texel, &value, 2);
            }
        }
    }
}

namespace {

bool isColorKeyFormat(ColorFormat format) { return format == ColorFormat::A1R5G5B5 || format == ColorFormat::A8R8G8B8; }

// Colour keys work on textures with one alpha bit or an alpha byte, whatever
// format their lock hands out.
bool acceptsColorKey(const IDriverTexture& texture) {
    if (isColorKeyFormat(texture.colorFormat()))
        return true;
    CLog::instance()->log("Error: Unsupported texture color format for making color key channel.", CLog::Error);
    return false;
}

// Locks `texture` for writing; `format` is what the lock hands out, which
// must be a format the key can walk. Null after logging when it cannot.
uint8_t* lockForColorKey(IDriverTexture& texture, ColorFormat& format) {
    format = texture.lockFormat();
    if (!isColorKeyFormat(format)) {
        CLog::instance()->log("Error: Unsupported texture color format for making color key channel.", CLog::Error);
        return nullptr;
    }
    auto* data = static_cast<uint8_t*>(texture.lock(false));
    if (!data)
        CLog::instance()->log("Could not lock texture for making color key channel.", CLog::Error);
    return data;
}

void logOutsidePosition(int32_t x, int32_t y) {
    CLog::instance()->log(CString("Color key position outside the texture: ") + x + ", " + y, CLog::Error);
}

} // namespace

void CNullGraphicsDriver::colorKeyFromPixel(IDriverTexture* texture, int32_t x, int32_t y) {
    if (!texture || !acceptsColorKey(*texture))
        return;
    const CSizeI size = texture->size();
    if (x < 0 || y < 0 || x >= size.width || y >= size.height) {
        logOutsidePosition(x, y);
        return;
    }
    ColorFormat format;
    uint8_t* data = lockForColorKey(*texture, format);
    if (!data)
        return;
    // Some textures know their row length only while locked.
    const uint32_t pitch = texture->pitch();
    const uint32_t texelBytes = format == ColorFormat::A8R8G8B8 ? 4 : 2;
    if (uint64_t(x + 1) * texelBytes > pitch) {
        logOutsidePosition(x, y);
        texture->unlock();
        return;
    }
    const uint8_t* texel = data + uint64_t(y) * pitch + uint64_t(x) * texelBytes;
    uint32_t key = 0;
    if (texelBytes == 4) {
        std::memcpy(&key, texel, 4);
    } else {
        uint16_t value;
        std::memcpy(&value, texel, 2);
        key = value;
    }
    applyColorKey(data, *texture, format, key);
    texture->unlock();
}

void CNullGraphicsDriver::colorKeyFromColor(IDriverTexture* texture, CColor color) {
    if (!texture || !acceptsColorKey(*texture))
        return;
    ColorFormat format;
    uint8_t* data = lockForColorKey(*texture, format);
    if (!data)
        return;
    // The key in the format the texels are walked in.
    const uint32_t key = format == ColorFormat::A8R8G8B8 ? color.value : (toA1R5G5B5(color.value) | 0x8000u);
    applyColorKey(data, *texture, format, key);
    texture->unlock();
}

bool CNullGraphicsDriver::setRenderTarget(int32_t kind, bool clearBackBuffer, bool clearDepth, CColor clearColor) {
    if (kind != 0)
        return false;
    return setRenderTarget(static_cast<IDriverTexture*>(nullptr), clearBackBuffer, clearDepth, clearColor);
}

bool CNullGraphicsDriver::setRenderTarget(IDriverTexture*, bool, bool, CColor) { return false; }

void CNullGraphicsDriver::setViewportRect(const CRectI&) {}

IDriverTexture* CNullGraphicsDriver::makeDriverTexture(CPixelImage*) { return nullptr; }

void CNullGraphicsDriver::drawPrimitives(const void*, uint32_t, const void*, uint32_t primitiveCount, VertexType,
                                         IndexType, PrimitiveType) {
    m_primitivesThisFrame += primitiveCount;
}

void CNullGraphicsDriver::drawTriangles(const TangentVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                                        uint32_t triangleCount) {
    drawPrimitives(vertices, vertexCount, indices, triangleCount, VertexType::Tangents, IndexType::Bits16,
                   PrimitiveType::Triangles);
}

void CNullGraphicsDriver::drawTriangles(const NormalTwoCoordsVertex* vertices, uint32_t vertexCount,
                                        const uint16_t* indices, uint32_t triangleCount) {
    drawPrimitives(vertices, vertexCount, indices, triangleCount, VertexType::NormalTwoCoords, IndexType::Bits16,
                   PrimitiveType::Triangles);
}

void CNullGraphicsDriver::drawTriangles(const NormalVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                                        uint32_t triangleCount) {
    drawPrimitives(vertices, vertexCount, indices, triangleCount, VertexType::Normal, IndexType::Bits16,
                   PrimitiveType::Triangles);
}

void CNullGraphicsDriver::drawFan(const NormalTwoCoordsVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                                  uint32_t triangleCount) {
    drawPrimitives(vertices, vertexCount, indices, triangleCount, VertexType::NormalTwoCoords, IndexType::Bits16,
                   PrimitiveType::TriangleFan);
}

void CNullGraphicsDriver::drawFan(const NormalVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                                  uint32_t triangleCount) {
    drawPrimitives(vertices, vertexCount, indices, triangleCount, VertexType::Normal, IndexType::Bits16,
                   PrimitiveType::TriangleFan);
}

void CNullGraphicsDriver::drawImageScaled(IDriverTexture*, const CRectI&, const CRectI&, const CRectI*, const CColor*,
                                          bool) {}

void CNullGraphicsDriver::drawImageRun(IDriverTexture* texture, const CVector2di& position,
                                       const CArray<CRectI>& sources, const CArray<int32_t>& indices,
                                       int32_t extraAdvance, const CRectI* clip, CColor color, bool useAlphaChannel) {
    if (!texture)
        return;
    CVector2di at = position;
    for (const int32_t index : indices) {
        // An index naming no source rectangle is skipped.
        if (index < 0 || static_cast<uint32_t>(index) >= sources.size())
            continue;
        const CRectI& source = sources[static_cast<uint32_t>(index)];
        drawImagePart(texture, at, source, clip, color, useAlphaChannel);
        at.x += source.width() + extraAdvance;
    }
}

void CNullGraphicsDriver::drawImagePart(IDriverTexture*, const CVector2di&, const CRectI&, const CRectI*, CColor,
                                        bool) {}

void CNullGraphicsDriver::drawImageAt(IDriverTexture* texture, const CVector2di& position) {
    if (!texture)
        return;
    const CSizeI& size = texture->imageSize();
    drawImagePart(texture, position, CRectI(0, 0, size.width, size.height), nullptr, CColor(0xFFFFFFFF), false);
}

void CNullGraphicsDriver::fillRectGradient(const CRectI&, CColor, CColor, CColor, CColor, const CRectI*) {}

void CNullGraphicsDriver::fillRect(CColor color, const CRectI& rect, const CRectI* clip) {
    fillRectGradient(rect, color, color, color, color, clip);
}

void CNullGraphicsDriver::drawLine2D(const CVector2d&, const CVector2d&, CColor) {}

void CNullGraphicsDriver::plotPixel(uint32_t, uint32_t, CColor) {}

void CNullGraphicsDriver::drawRegularPolygon(const CVector2d& centre, float radius, CColor color, int32_t corners) {
    if (corners < 3)
        return;
    if (corners > MaxPolygonCorners) {
        CLog::instance()->log(CString("Could not draw polygon, too many corners: ") + corners, CLog::Error);
        return;
    }
    const auto n = static_cast<uint32_t>(corners);
    if (m_polygonCorners.allocated() < n + 1)
        m_polygonCorners.reallocate(n + 1);
    while (m_polygonCorners.size() < n + 1)
        m_polygonCorners.push_back(BatchVertex());
    for (uint32_t k = 0; k <= n; ++k) {
        // The last corner repeats the first, closing the outline.
        const double angle = 2.0 * kPiD * static_cast<double>(k % n) / static_cast<double>(n);
        BatchVertex& corner = m_polygonCorners[k];
        corner.x = centre.x + radius * static_cast<float>(std::cos(angle));
        corner.y = centre.y + radius * static_cast<float>(std::sin(angle));
        corner.z = 0.0f;
        corner.color = color;
        corner.u = 0.0f;
        corner.v = 0.0f;
    }
    (void)apply2DStates();
    drawPrimitives(m_polygonCorners.data(), n + 1, nullptr, n, VertexType::Batch, IndexType::Bits16,
                   PrimitiveType::LineStrip);
}

void CNullGraphicsDriver::drawShadowVolume(const CVector3d*, uint32_t, bool) {}

void CNullGraphicsDriver::drawShadowOverlay(bool, CColor, CColor, CColor, CColor) {}

void CNullGraphicsDriver::drawMesh(IGeometryBuffer* buffer) {
    // A buffer without primitives (an emptied particle buffer) draws nothing.
    if (!buffer || buffer->primitiveCount() == 0)
        return;
    if (!buffer->countsAreConsistent()) {
        CLog::instance()->log(CString("Could not draw mesh, its ") + buffer->primitiveCount() +
                                  " primitives do not fit its vertices and indices.",
                              CLog::Error);
        return;
    }
    drawPrimitives(buffer->vertices(), buffer->vertexCount(), buffer->indexCount() ? buffer->indices() : nullptr,
                   buffer->primitiveCount(), buffer->vertexType(), IndexType::Bits16, buffer->primitiveType());
}

void CNullGraphicsDriver::setFogParameters(CColor color, bool linear, float start, float end, float density,
                                           bool pixelFog, bool rangeFog) {
    m_fogColor = color;
    m_fogLinear = linear;
    m_fogStart = start;
    m_fogEnd = end;
    m_fogDensity = density;
    m_pixelFog = pixelFog;
    m_rangeFog = rangeFog;
}

int32_t CNullGraphicsDriver::framesPerSecond() const { return static_cast<int32_t>(m_frameCounter.framesPerSecond()); }

uint32_t CNullGraphicsDriver::primitiveCount(uint32_t mode) const {
    switch (mode) {
    case 0:
        return m_frameCounter.primitivesLastFrame();
    case 1:
        return m_frameCounter.primitivesPerSecond();
    default:
        return m_frameCounter.primitivesTotal();
    }
}

void CNullGraphicsDriver::clearLights() { m_lights.clear(); }

int32_t CNullGraphicsDriver::addLight(const CLight& light) {
    m_lights.push_back(light);
    return static_cast<int32_t>(m_lights.size()) - 1;
}

void CNullGraphicsDriver::switchLight(int32_t, bool) {}

const CLight* CNullGraphicsDriver::light(int32_t index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= m_lights.size())
        return nullptr;
    return &m_lights[static_cast<uint32_t>(index)];
}

CStringW CNullGraphicsDriver::driverName() const { return CStringW(u"Null Device"); }

void CNullGraphicsDriver::setTextureFlag(uint32_t flag, bool on) {
    if (on && (flag == TextureFlag::Prefer16Bit || flag == TextureFlag::Prefer32Bit))
        m_textureFlags &= ~(TextureFlag::Prefer16Bit | TextureFlag::Prefer32Bit);
    if (on)
        m_textureFlags |= flag;
    else
        m_textureFlags &= ~flag;
}

CPixelImage* CNullGraphicsDriver::imageFromData(ColorFormat format, const CSizeI& size, void* data, bool useWithoutCopy,
                                                bool freeWithImage) {
    if (size.width <= 0 || size.height <= 0)
        return nullptr;
    return CPixelImage::createFromData(CObjectName(), format, static_cast<uint32_t>(size.width),
                                       static_cast<uint32_t>(size.height), data, useWithoutCopy, freeWithImage);
}

void CNullGraphicsDriver::onWindowResized(const CSizeI& size) {
    // A viewport over the whole old screen follows the new one; a viewport
    // set to a part of the screen stays as it is.
    if (m_viewport.width() == m_screenSize.width && m_viewport.height() == m_screenSize.height)
        m_viewport = CRectI(0, 0, size.width, size.height);
    m_screenSize = size;
}

int32_t CNullGraphicsDriver::registerMaterialType(int32_t index, IMaterialTypeRenderer* renderer, const char* name) {
    if (!renderer)
        return -1;
    // Without a fixed index the renderer takes the next free one.
    const uint32_t slot = index < 0 ? m_materialRenderers.size() : static_cast<uint32_t>(index);
    if (slot >= MaxMaterialTypes) {
        CLog::instance()->log(CString("Could not register material type at index ") + static_cast<unsigned>(slot),
                              CLog::Error);
        return -1;
    }
    while (m_materialRenderers.size() < slot + 1) {
        MaterialRendererEntry gap;
        gap.name = "null";
        m_materialRenderers.push_back(gap);
    }
    MaterialRendererEntry& entry = m_materialRenderers[slot];
    if (name)
        entry.name = name;
    else if (const char* builtIn = builtInMaterialTypeName(static_cast<int32_t>(slot)))
        entry.name = builtIn;
    else
        entry.name = "";
    // A renderer replaced at its index is released, not leaked.
    renderer->addRef();
    IMaterialTypeRenderer* old = entry.renderer;
    entry.renderer = renderer;
    if (old)
        old->release();
    return static_cast<int32_t>(slot);
}

IMaterialTypeRenderer* CNullGraphicsDriver::materialTypeRenderer(uint32_t index) const {
    return index < m_materialRenderers.size() ? m_materialRenderers[index].renderer : nullptr;
}

const char* CNullGraphicsDriver::materialTypeName(uint32_t index) const {
    return index < m_materialRenderers.size() ? m_materialRenderers[index].name.c_str() : nullptr;
}

void CNullGraphicsDriver::renameMaterialType(uint32_t index, const char* name) {
    if (index < static_cast<uint32_t>(MaterialType::BuiltInCount) || index >= m_materialRenderers.size())
        return;
    m_materialRenderers[index].name = name ? name : "";
}

void CNullGraphicsDriver::clearZBuffer() {}

bool CNullGraphicsDriver::defineClipPlane(uint32_t, const float (&)[4], bool) { return false; }

void CNullGraphicsDriver::toggleClipPlane(uint32_t, bool) {}

void CNullGraphicsDriver::setScissorRect(const CRectI&) {}

void CNullGraphicsDriver::enableScissor(bool) {}

void CNullGraphicsDriver::setAmbientColor(const CColorf&) {}

ColorFormat CNullGraphicsDriver::textureColorFormat(ColorFormat format) const {
    if (m_textureFlags & TextureFlag::NoAlpha) {
        if (format == ColorFormat::A1R5G5B5 || format == ColorFormat::A4R4G4B4)
            format = ColorFormat::R5G6B5;
        else if (format == ColorFormat::A8R8G8B8)
            format = ColorFormat::R8G8B8;
    }
    if (!isImageFormat(format))
        format = ColorFormat::A8R8G8B8;
    // Both preferences set (setTextureFlag with both bits at once) apply in
    // turn: widened first, then narrowed.
    if (m_textureFlags & TextureFlag::Prefer32Bit) {
        if (format == ColorFormat::A1R5G5B5 || format == ColorFormat::A4R4G4B4 || format == ColorFormat::R5G6B5)
            format = ColorFormat::A8R8G8B8;
    }
    if (m_textureFlags & TextureFlag::Prefer16Bit) {
        if (format == ColorFormat::R8G8B8)
            format = ColorFormat::R5G6B5;
        else if (format == ColorFormat::A8R8G8B8)
            format = ColorFormat::A4R4G4B4;
    }
    return format;
}

bool CNullGraphicsDriver::checkPrimitiveCount(uint32_t count) const {
    const uint32_t maximum = maxPrimitives();
    if (count <= maximum)
        return true;
    char line[128];
    std::snprintf(line, sizeof line, "Could not draw triangles, too many primitives(%u), maxium is %u.", count,
                  maximum);
    CLog::instance()->log(line, CLog::Error);
    return false;
}

bool CNullGraphicsDriver::checkDrawArguments(const void* vertices, uint32_t vertexCount, const void* indices,
                                             uint32_t primitiveCount, VertexType vertexType, IndexType indexType,
                                             PrimitiveType primitiveType) const {
    if (primitiveCount == 0 || vertexCount == 0 || !vertices || !checkPrimitiveCount(primitiveCount))
        return false;
    const uint32_t stride = vertexStride(vertexType);
    const uint64_t needed = primitiveVertexCount(primitiveType, primitiveCount);
    if (stride == 0 || needed == 0) {
        CLog::instance()->log("Could not draw primitives of an unknown vertex or primitive type.", CLog::Error);
        return false;
    }
    // The hardware would read past the caller's arrays otherwise.
    if (!indices && needed > vertexCount) {
        CLog::instance()->log(CString("Could not draw primitives, ") + static_cast<unsigned>(primitiveCount) +
                                  " primitives need more than the " + static_cast<unsigned>(vertexCount) +
                                  " vertices given.",
                              CLog::Error);
        return false;
    }
    if (indices) {
        bool inside = true;
        if (indexType == IndexType::Bits32) {
            const auto* list = static_cast<const uint32_t*>(indices);
            for (uint64_t i = 0; i < needed && inside; ++i)
                inside = list[i] < vertexCount;
        } else {
            const auto* list = static_cast<const uint16_t*>(indices);
            for (uint64_t i = 0; i < needed && inside; ++i)
                inside = list[i] < vertexCount;
        }
        if (!inside) {
            CLog::instance()->log("Could not draw primitives, an index points past the vertices given.", CLog::Error);
            return false;
        }
    }
    return true;
}

bool CNullGraphicsDriver::clipImagePart(const CVector2di& position, const CRectI& source, const CRectI* clip,
                                        const CSizeI& targetSize, CRectI& destination, CRectI& part) {
    if (source.right < source.left || source.bottom < source.top)
        return false;
    CRectI area(position.x, position.y, position.x + (source.right - source.left),
                position.y + (source.bottom - source.top));
    auto cut = [&area](const CRectI& edge) {
        area = CRectI(std::max(area.left, edge.left), std::max(area.top, edge.top), std::min(area.right, edge.right),
                      std::min(area.bottom, edge.bottom));
    };
    if (clip)
        cut(*clip);
    cut(CRectI(0, 0, targetSize.width, targetSize.height));
    if (area.right <= area.left || area.bottom <= area.top)
        return false;
    // The source moves with the cut edges.
    destination = area;
    part.left = source.left + (area.left - position.x);
    part.top = source.top + (area.top - position.y);
    part.right = part.left + (area.right - area.left);
    part.bottom = part.top + (area.bottom - area.top);
    return true;
}

int32_t CNullGraphicsDriver::addAndDropMaterialRenderer(int32_t index, IMaterialTypeRenderer* renderer) {
    const int32_t result = registerMaterialType(index, renderer, nullptr);
    if (renderer)
        renderer->release();
    return result;
}

int32_t CNullGraphicsDriver::createCompiledShaderMaterial(const char*, const char*, int32_t, const char*, const char*,
                                                          int32_t, IShaderConstantCallback*, int32_t, int32_t) {
    CLog::instance()->log("High level shader materials not available (yet) in this driver, sorry", CLog::Info);
    return -1;
}

int32_t CNullGraphicsDriver::createAssemblyShaderMaterial(const char*, const char*, IShaderConstantCallback*, int32_t,
                                                          int32_t) {
    CLog::instance()->log("Shader materials not implemented yet in this driver, sorry.", CLog::Info);
    return -1;
}

char* CNullGraphicsDriver::readWholeFile(IReadableFile* file) {
    if (!file)
        return nullptr;
    const int32_t size = file->size();
    if (size < 0 || size > MaxShaderFileBytes || !file->seek(0, false)) {
        CLog::instance()->log(CStringW("Could not read shader program file: ") + file->fileName(), CLog::Warning);
        return nullptr;
    }
    auto* text = new char[static_cast<size_t>(size) + 1];
    const int32_t got = size > 0 ? file->read(text, size) : 0;
    if (got != size) {
        CLog::instance()->log(CStringW("Could not read shader program file: ") + file->fileName(), CLog::Warning);
        delete[] text;
        return nullptr;
    }
    text[size] = '\0';
    return text;
}

int32_t CNullGraphicsDriver::createCompiledShaderMaterialFromFiles(IReadableFile* vertexProgram,
                                                                   const char* vertexEntry, int32_t vertexTarget,
                                                                   IReadableFile* pixelProgram, const char* pixelEntry,
                                                                   int32_t pixelTarget,
                                                                   IShaderConstantCallback* callback,
                                                                   int32_t baseMaterialType, int32_t userData) {
    // Both texts are read from the start, so one file may serve both stages.
    const std::unique_ptr<char[]> vertexText(readWholeFile(vertexProgram));
    const std::unique_ptr<char[]> pixelText(readWholeFile(pixelProgram));
    if ((vertexProgram && !vertexText) || (pixelProgram && !pixelText))
        return -1;
    return createCompiledShaderMaterial(vertexText.get(), vertexEntry, vertexTarget, pixelText.get(), pixelEntry,
                                        pixelTarget, callback, baseMaterialType, userData);
}

int32_t CNullGraphicsDriver::createAssemblyShaderMaterialFromFiles(IReadableFile* vertexProgram,
                                                                   IReadableFile* pixelProgram,
                                                                   IShaderConstantCallback* callback,
                                                                   int32_t baseMaterialType, int32_t userData) {
    const std::unique_ptr<char[]> vertexText(readWholeFile(vertexProgram));
    const std::unique_ptr<char[]> pixelText(readWholeFile(pixelProgram));
    if ((vertexProgram && !vertexText) || (pixelProgram && !pixelText))
        return -1;
    return createAssemblyShaderMaterial(vertexText.get(), pixelText.get(), callback, baseMaterialType, userData);
}

namespace {

// Opens the two named shader files (either name may be null). False after
// logging when a named file cannot be opened; the handles then hold nothing.
bool openShaderFiles(CVirtualFileSystem* fileSystem, const char* vertexFileName, const char* pixelFileName,
                     CRefHandle<IReadableFile>& vertexFile, CRefHandle<IReadableFile>& pixelFile) {
    if (vertexFileName) {
        vertexFile.reset(fileSystem ? fileSystem->openForRead(CStringW(vertexFileName)) : nullptr);
        if (!vertexFile) {
            CLog::instance()->log(CString("Could not open vertex shader program file: ") + vertexFileName,
                                  CLog::Warning);
            return false;
        }
    }
    if (pixelFileName) {
        pixelFile.reset(fileSystem ? fileSystem->openForRead(CStringW(pixelFileName)) : nullptr);
        if (!pixelFile) {
            CLog::instance()->log(CString("Could not open pixel shader program file: ") + pixelFileName, CLog::Warning);
            vertexFile.reset();
            return false;
        }
    }
    return true;
}

} // namespace

int32_t CNullGraphicsDriver::createCompiledShaderMaterialFromFileNames(const char* vertexFileName,
                                                                       const char* vertexEntry, int32_t vertexTarget,
                                                                       const char* pixelFileName,
                                                                       const char* pixelEntry, int32_t pixelTarget,
                                                                       IShaderConstantCallback* callback,
                                                                       int32_t baseMaterialType, int32_t userData) {
    CRefHandle<IReadableFile> vertexFile;
    CRefHandle<IReadableFile> pixelFile;
    if (!openShaderFiles(m_fileSystem.get(), vertexFileName, pixelFileName, vertexFile, pixelFile))
        return -1;
    return createCompiledShaderMaterialFromFiles(vertexFile.get(), vertexEntry, vertexTarget, pixelFile.get(),
                                                 pixelEntry, pixelTarget, callback, baseMaterialType, userData);
}

int32_t CNullGraphicsDriver::createAssemblyShaderMaterialFromFileNames(const char* vertexFileName,
                                                                       const char* pixelFileName,
                                                                       IShaderConstantCallback* callback,
                                                                       int32_t baseMaterialType, int32_t userData) {
    CRefHandle<IReadableFile> vertexFile;
    CRefHandle<IReadableFile> pixelFile;
    if (!openShaderFiles(m_fileSystem.get(), vertexFileName, pixelFileName, vertexFile, pixelFile))
        return -1;
    return createAssemblyShaderMaterialFromFiles(vertexFile.get(), pixelFile.get(), callback, baseMaterialType,
                                                 userData);
}

void CNullGraphicsDriver::applyBaseStates(const Material&, const Material&, bool) {}

void CNullGraphicsDriver::setVertexShaderConstant(const float*, int32_t, int32_t) {}

bool CNullGraphicsDriver::setVertexShaderConstant(const char*, const float*, int32_t) { return false; }

void CNullGraphicsDriver::setPixelShaderConstant(const float*, int32_t, int32_t) {}

bool CNullGraphicsDriver::setPixelShaderConstant(const char*, const float*, int32_t) { return false; }

IGraphicsDriver* createNullDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem, CClock* clock) {
    auto* driver = new CNullGraphicsDriver(params, fileSystem, clock);
    driver->addNullRenderers();
    return driver;
}
