#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/video/CGLFunctions.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/IShaderConstantCallback.h"

#include <cstdint>
#include <vector>

class CGLDriver;

// A material type drawn by an OpenGL shading-language program on top of a
// base material type's states. It is the render services of its own
// callback, which sets the program's uniforms by name.
class CGLSLProgramRenderer : public IMaterialTypeRenderer, public IRenderServices {
public:
    // Compiles the vertex and fragment texts (a null text is no shader of
    // that stage), links them and registers the renderer in `driver`'s table
    // at the next free index. `callback` and `baseRenderer` as for the
    // assembly renderer. Answers the new material type, or -1 after logging
    // why the program did not build.
    [[nodiscard]] static int32_t create(CGLDriver* driver, const char* vertexProgram, const char* pixelProgram,
                                        IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                        int32_t userData);

    // IMaterialTypeRenderer
    void setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                     IRenderServices* services) override;
    void unsetMaterial() override;
    [[nodiscard]] bool onRender(IRenderServices* services, VertexType vertexType) override;
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override;
    [[nodiscard]] int32_t renderCapability() const override { return 0; }

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

private:
    struct Uniform {
        CString name;
        GLenum type = 0;
    };

    CGLSLProgramRenderer(CGLDriver* driver, IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                         int32_t userData);
    [[nodiscard]] bool build(const char* vertexProgram, const char* pixelProgram);
    [[nodiscard]] bool compileShader(GLenum stage, const char* text);
    [[nodiscard]] bool link();
    void logInfo(GLhandleARB object) const;

    CGLDriver* m_driver;
    CRefHandle<IShaderConstantCallback> m_callback;
    CRefHandle<IMaterialTypeRenderer> m_baseRenderer;
    int32_t m_userData;
    GLhandleARB m_program = 0;
    std::vector<Uniform> m_uniforms;
};
