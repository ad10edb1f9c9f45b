#pragma once

#include "engine/core/CString.h"
#include "engine/video/CGLFunctions.h"
#include "engine/video/CGLProgramRenderer.h"
#include "engine/video/IRenderServices.h"

#include <cstdint>
#include <vector>

class CGLDriver;

// A material type drawn by an OpenGL shading-language program on top of a
// base material type's states. It is the render services of its own
// callback, which sets the program's uniforms by name.
class CGLSLProgramRenderer : public CGLProgramRenderer, public IRenderServices {
public:
    // Compiles the vertex and fragment texts (a null text is no shader of
    // that stage), links them and registers the renderer in `driver`'s table
    // at the next free index. `callback` and `baseRenderer` as for the
    // assembly renderer. Answers the new material type, or -1 after logging
    // why the program did not build.
    [[nodiscard]] static int32_t create(CGLDriver* driver, const char* vertexProgram, const char* pixelProgram,
                                        IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                        int32_t userData);

    // IRenderServices: uniforms go by name; the register forms only log.
    void applyBaseStates(const Material& material, const Material& lastMaterial, bool resetAll) override;
    void setVertexShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    [[nodiscard]] bool setVertexShaderConstant(const char* name, const float* data, int32_t count) override;
    void setPixelShaderConstant(const float* data, int32_t firstRegister, int32_t count) override;
    // Sets the active uniform `name` from `count` floats: vectors and
    // matrices take count / their size of them; integer, boolean and
    // sampler uniforms take the values converted to integers. False when the
    // program has no active uniform of that name.
    [[nodiscard]] bool setPixelShaderConstant(const char* name, const float* data, int32_t count) override;
    [[nodiscard]] IGraphicsDriver* driver() override;

protected:
    ~CGLSLProgramRenderer() override;
    void usePrograms() override;
    void stopPrograms() override;
    [[nodiscard]] bool hasProgram() const override { return m_program != 0; }
    // The base renderer and the callback work through this renderer.
    [[nodiscard]] IRenderServices* programServices(IRenderServices*) override { return this; }

private:
    struct Uniform {
        CString name;
        GLenum type = 0;
    };

    using CGLProgramRenderer::CGLProgramRenderer;
    [[nodiscard]] bool build(const char* vertexProgram, const char* pixelProgram);
    [[nodiscard]] bool compileShader(GLenum stage, const char* text);
    [[nodiscard]] bool link();
    void logInfo(GLhandleARB object) const;

    GLhandleARB m_program = 0;
    std::vector<Uniform> m_uniforms;
};
