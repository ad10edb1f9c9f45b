#pragma once

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CMat4.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/Material.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A Null driver that records the calls made to it, for tests of everything
// that draws: the quad batch, the scene manager, the nodes. Draw records copy
// the vertices and indices the call hands over (so a caller that passes too
// short an array shows up under the sanitizers). makeDriverTexture makes
// CTestDriverTexture objects.
class CRecordingGraphicsDriver : public CNullGraphicsDriver {
public:
    enum class Call {
        BeginFrame,
        EndFrame,
        Apply2DStates,
        Apply3DStates,
        SetMatrix,
        ApplyMaterial,
        DrawPrimitives,
        DrawImageScaled,
        DrawImagePart,
        FillRectGradient,
        DrawLine2D,
        PlotPixel,
        SetViewportRect,
        SetScissorRect,
        EnableScissor,
        DefineClipPlane,
        ToggleClipPlane,
    };

    struct Record {
        Call call = Call::BeginFrame;
        // ApplyMaterial
        Material material;
        // SetMatrix
        MatrixKind matrixKind = MatrixKind::World;
        CMat4 matrix;
        // DrawPrimitives
        uint32_t vertexCount = 0;
        uint32_t primitiveCount = 0;
        VertexType vertexType = VertexType::Batch;
        IndexType indexType = IndexType::Bits16;
        PrimitiveType primitiveType = PrimitiveType::Triangles;
        bool indexed = false;
        std::vector<BatchVertex> vertices; // vertex type 0 only
        std::vector<uint8_t> vertexBytes;  // every vertex type
        std::vector<uint32_t> indices;     // widened
        // Every index named one of the handed vertices.
        bool indicesInRange = true;
        // Images, rectangles, lines
        IDriverTexture* texture = nullptr; // not owned
        CRectI rect;                       // destination / filled / viewport / scissor
        CRectI source;
        bool hasClip = false;
        CRectI clip;
        CVector2di position;
        CColor colors[4];
        bool useAlphaChannel = false;
        CVector2d start;
        CVector2d end;
        bool flag = false; // EnableScissor, DefineClipPlane, ToggleClipPlane
        // DefineClipPlane, ToggleClipPlane
        uint32_t planeIndex = 0;
        float plane[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    };

    // A driver with the Null driver's 29 renderers; one reference.
    [[nodiscard]] static CRecordingGraphicsDriver* create(const CEngineCreationParams& params = {},
                                                          CClock* clock = nullptr);

    [[nodiscard]] const std::vector<Record>& records() const { return m_records; }
    void clearRecords() { m_records.clear(); }
    [[nodiscard]] std::size_t count(Call call) const;
    // The records of one kind, in call order.
    [[nodiscard]] std::vector<const Record*> recordsOf(Call call) const;
    // The sequence of calls, for order checks.
    [[nodiscard]] std::vector<Call> calls() const;

    // What maxPrimitives answers (default: no limit).
    void setMaxPrimitives(uint32_t maximum) { m_maxPrimitives = maximum; }
    // Answered by apply2DStates and apply3DStates.
    void setModeResult(bool result) { m_modeResult = result; }

    [[nodiscard]] bool beginFrame(bool clearBackBuffer, bool clearDepth, CColor clearColor, void* presentWindow,
                                  const CRectI* sourceRect) override;
    [[nodiscard]] bool endFrame() override;
    [[nodiscard]] bool apply2DStates() override;
    [[nodiscard]] bool apply3DStates() override;
    void setMatrix(MatrixKind kind, const CMat4& matrix) override;
    void applyMaterial(const Material& material) override;
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
    void drawLine2D(const CVector2d& start, const CVector2d& end, CColor color) override;
    void plotPixel(uint32_t x, uint32_t y, CColor color) override;
    void setScissorRect(const CRectI& rect) override;
    void enableScissor(bool on) override;
    // Recorded; answers true for the indices 0 to 5.
    [[nodiscard]] bool defineClipPlane(uint32_t index, const float (&plane)[4], bool enable) override;
    void toggleClipPlane(uint32_t index, bool on) override;
    [[nodiscard]] uint32_t maxPrimitives() const override { return m_maxPrimitives; }
    [[nodiscard]] CStringW driverName() const override { return CStringW(u"Recording Device"); }

protected:
    CRecordingGraphicsDriver(const CEngineCreationParams& params, CClock* clock);
    ~CRecordingGraphicsDriver() override = default;

private:
    Record& add(Call call);

    std::vector<Record> m_records;
    uint32_t m_maxPrimitives = 0xFFFFFFFFu;
    bool m_modeResult = true;
};
