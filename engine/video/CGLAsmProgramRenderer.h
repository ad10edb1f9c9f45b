#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/video/CGLFunctions.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IShaderConstantCallback.h"

#include <cstdint>

class CGLDriver;

// A material type drawn by ARB assembly programs (a vertex program, a
// fragment program or both) on top of a base material type's states.
class CGLAsmProgramRenderer : public IMaterialTypeRenderer {
public:
    // Builds the programs (a null text is no program) and registers the
    // renderer in `driver`'s table at the next free index. `callback` and
    // `baseRenderer` (both shared, may be null) set the constants before each
    // draw and the states the programs leave to the fixed pipeline. Answers
    // the new material type, or -1 after logging why a program did not build.
    [[nodiscard]] static int32_t create(CGLDriver* driver, const char* vertexProgram, const char* pixelProgram,
                                        IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                        int32_t userData);

    void setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                     IRenderServices* services) override;
    void unsetMaterial() override;
    [[nodiscard]] bool onRender(IRenderServices* services, VertexType vertexType) override;
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override;
    [[nodiscard]] int32_t renderCapability() const override { return 0; }

protected:
    ~CGLAsmProgramRenderer() override;

private:
    CGLAsmProgramRenderer(CGLDriver* driver, IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                          int32_t userData);
    // Compiles `text` for `target` into `program`; true for a null text.
    [[nodiscard]] bool compile(GLenum target, const char* text, GLuint& program);

    CGLDriver* m_driver;
    CRefHandle<IShaderConstantCallback> m_callback;
    CRefHandle<IMaterialTypeRenderer> m_baseRenderer;
    int32_t m_userData;
    GLuint m_vertexProgram = 0;
    GLuint m_pixelProgram = 0;
};
