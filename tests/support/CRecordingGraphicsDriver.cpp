#include "tests/support/CRecordingGraphicsDriver.h"

#include "engine/content/CPixelImage.h"
#include "tests/support/CTestDriverTexture.h"

#include <cstring>

CRecordingGraphicsDriver::CRecordingGraphicsDriver(const CEngineCreationParams& params, CClock* clock)
    : CNullGraphicsDriver(params, nullptr, clock) {}

CRecordingGraphicsDriver* CRecordingGraphicsDriver::create(const CEngineCreationParams& params, CClock* clock) {
    auto* driver = new CRecordingGraphicsDriver(params, clock);
    driver->addNullRenderers();
    return driver;
}

std::size_t CRecordingGraphicsDriver::count(Call call) const {
    std::size_t n = 0;
    for (const Record& record : m_records)
        n += record.call == call;
    return n;
}

std::vector<const CRecordingGraphicsDriver::Record*> CRecordingGraphicsDriver::recordsOf(Call call) const {
    std::vector<const Record*> found;
    for (const Record& record : m_records)
        if (record.call == call)
            found.push_back(&record);
    return found;
}

std::vector<CRecordingGraphicsDriver::Call> CRecordingGraphicsDriver::calls() const {
    std::vector<Call> sequence;
    for (const Record& record : m_records)
        sequence.push_back(record.call);
    return sequence;
}

CRecordingGraphicsDriver::Record& CRecordingGraphicsDriver::add(Call call) {
    m_records.emplace_back();
    m_records.back().call = call;
    return m_records.back();
}

bool CRecordingGraphicsDriver::beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                                          const CRectI* sourceRect) {
    add(Call::BeginFrame).colors[0] = clearColor;
    return CNullGraphicsDriver::beginFrame(clearBackBuffer, clearDepth, clearColor, presentWindow, sourceRect);
}

bool CRecordingGraphicsDriver::endFrame() {
    add(Call::EndFrame);
    return CNullGraphicsDriver::endFrame();
}

bool CRecordingGraphicsDriver::apply2DStates() {
    add(Call::Apply2DStates);
    return m_modeResult;
}

bool CRecordingGraphicsDriver::apply3DStates() {
    add(Call::Apply3DStates);
    return m_modeResult;
}

void CRecordingGraphicsDriver::setMatrix(MatrixKind kind, const CMat4& matrix) {
    Record& record = add(Call::SetMatrix);
    record.matrixKind = kind;
    record.matrix = matrix;
    if (static_cast<uint32_t>(kind) < MatrixKindCount)
        m_matrices[static_cast<uint32_t>(kind)] = matrix;
}

void CRecordingGraphicsDriver::applyMaterial(const Material& material) { add(Call::ApplyMaterial).material = material; }

void CRecordingGraphicsDriver::setViewportRect(const CRectI& rect) {
    add(Call::SetViewportRect).rect = rect;
    m_viewport = rect;
}

IDriverTexture* CRecordingGraphicsDriver::makeDriverTexture(CPixelImage* image) {
    if (!image)
        return nullptr;
    return new CTestDriverTexture(image, textureColorFormat(image->colorFormat()), !textureFlag(TextureFlag::DropImage),
                                  driverType());
}

void CRecordingGraphicsDriver::drawPrimitives(const void* vertices, uint32_t vertexCount, const void* indices,
                                              uint32_t primitiveCount, VertexType vertexType, IndexType indexType,
                                              PrimitiveType primitiveType) {
    Record& record = add(Call::DrawPrimitives);
    record.vertexCount = vertexCount;
    record.primitiveCount = primitiveCount;
    record.vertexType = vertexType;
    record.indexType = indexType;
    record.primitiveType = primitiveType;
    record.indexed = indices != nullptr;
    if (vertices) {
        const auto* bytes = static_cast<const uint8_t*>(vertices);
        record.vertexBytes.assign(bytes, bytes + size_t(vertexCount) * vertexStride(vertexType));
        if (vertexType == VertexType::Batch)
            record.vertices.assign(static_cast<const BatchVertex*>(vertices),
                                   static_cast<const BatchVertex*>(vertices) + vertexCount);
    }
    if (indices) {
        const uint64_t indexCount = primitiveVertexCount(primitiveType, primitiveCount);
        record.indices.reserve(indexCount);
        for (uint64_t i = 0; i < indexCount; ++i) {
            const uint32_t index = indexType == IndexType::Bits16 ? static_cast<const uint16_t*>(indices)[i]
                                                                  : static_cast<const uint32_t*>(indices)[i];
            record.indices.push_back(index);
            if (index >= vertexCount)
                record.indicesInRange = false;
        }
    }
    if (checkPrimitiveCount(primitiveCount))
        CNullGraphicsDriver::drawPrimitives(vertices, vertexCount, indices, primitiveCount, vertexType, indexType,
                                            primitiveType);
}

void CRecordingGraphicsDriver::drawImageScaled(IDriverTexture* texture, const CRectI& destination, const CRectI& source,
                                               const CRectI* clip, const CColor* colors, bool useAlphaChannel) {
    Record& record = add(Call::DrawImageScaled);
    record.texture = texture;
    record.rect = destination;
    record.source = source;
    record.hasClip = clip != nullptr;
    if (clip)
        record.clip = *clip;
    for (int i = 0; i < 4; ++i)
        record.colors[i] = colors ? colors[i] : CColor(0xFFFFFFFF);
    record.useAlphaChannel = useAlphaChannel;
}

void CRecordingGraphicsDriver::drawImagePart(IDriverTexture* texture, const CVector2di& position, const CRectI& source,
                                             const CRectI* clip, CColor color, bool useAlphaChannel) {
    Record& record = add(Call::DrawImagePart);
    record.texture = texture;
    record.position = position;
    record.source = source;
    record.hasClip = clip != nullptr;
    if (clip)
        record.clip = *clip;
    record.colors[0] = color;
    record.useAlphaChannel = useAlphaChannel;
}

void CRecordingGraphicsDriver::fillRectGradient(const CRectI& rect, CColor topLeft, CColor topRight, CColor bottomLeft,
                                                CColor bottomRight, const CRectI* clip) {
    Record& record = add(Call::FillRectGradient);
    record.rect = rect;
    record.colors[0] = topLeft;
    record.colors[1] = topRight;
    record.colors[2] = bottomLeft;
    record.colors[3] = bottomRight;
    record.hasClip = clip != nullptr;
    if (clip)
        record.clip = *clip;
}

void CRecordingGraphicsDriver::drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) {
    Record& record = add(Call::DrawLine2D);
    record.start = start;
    record.end = end;
    record.colors[0] = color;
}

void CRecordingGraphicsDriver::plotPixel(uint32_t x, uint32_t y, CColor color) {
    Record& record = add(Call::PlotPixel);
    record.position = CVector2di(static_cast<int>(x), static_cast<int>(y));
    record.colors[0] = color;
}

void CRecordingGraphicsDriver::setScissorRect(const CRectI& rect) { add(Call::SetScissorRect).rect = rect; }

void CRecordingGraphicsDriver::enableScissor(bool on) { add(Call::EnableScissor).flag = on; }

bool CRecordingGraphicsDriver::defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) {
    Record& record = add(Call::DefineClipPlane);
    record.planeIndex = index;
    for (int i = 0; i < 4; ++i)
        record.plane[i] = plane[i];
    record.flag = enable;
    return index < 6;
}

void CRecordingGraphicsDriver::toggleClipPlane(uint32_t index, bool on) {
    Record& record = add(Call::ToggleClipPlane);
    record.planeIndex = index;
    record.flag = on;
}
