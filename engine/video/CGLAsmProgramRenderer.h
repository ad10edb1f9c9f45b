#pragma once

#include "engine/video/CGLFunctions.h"
#include "engine/video/CGLProgramRenderer.h"

#include <cstdint>

class CGLDriver;

// A material type drawn by ARB assembly programs (a vertex program, a
// fragment program or both) on top of a base material type's states.
class CGLAsmProgramRenderer : public CGLProgramRenderer {
public:
    // Builds the programs (a null text is no program) and registers the
    // renderer in `driver`'s table at the next free index. `callback` and
    // `baseRenderer` (both shared, may be null) set the constants before each
    // draw and the states the programs leave to the fixed pipeline. Answers
    // the new material type, or -1 after logging why a program did not build.
    [[nodiscard]] static int32_t create(CGLDriver* driver, const char* vertexProgram, const char* pixelProgram,
                                        IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                        int32_t userData);

protected:
    ~CGLAsmProgramRenderer() override;
    void usePrograms() override;
    void stopPrograms() override;
    [[nodiscard]] bool hasProgram() const override { return m_vertexProgram || m_pixelProgram; }

private:
    using CGLProgramRenderer::CGLProgramRenderer;

    // Compiles `text` for `target` into `program`; true for a null text.
    [[nodiscard]] bool compile(GLenum target, const char* text, GLuint& program);

    GLuint m_vertexProgram = 0;
    GLuint m_pixelProgram = 0;
};
