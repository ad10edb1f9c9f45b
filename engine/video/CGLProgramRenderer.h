#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IShaderConstantCallback.h"

#include <cstdint>

class CGLDriver;

// What the assembly-program and shading-language renderers share: the
// driver, the constant callback, the base renderer whose states the programs
// leave to the fixed pipeline, and the user value handed back to the
// callback. A derived renderer builds, uses and stops its programs.
class CGLProgramRenderer : public IMaterialTypeRenderer {
public:
    // On a type change or reset: the programs in use and the base
    // renderer's states; then, every time, the callback's look at the
    // material, layers 0 to 3 on units 0 to 3 and the basic states.
    void setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                     IRenderServices* services) final;
    // Programs off, then the base renderer's unset.
    void unsetMaterial() final;
    // The callback sets the constants when there is a program.
    [[nodiscard]] bool onRender(IRenderServices* services, VertexType vertexType) final;
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) final { return true; }
    // The base renderer's answer; false without one.
    [[nodiscard]] bool isTransparent() const final;
    [[nodiscard]] int32_t renderCapability() const final { return 0; }

protected:
    // Shares `callback` and `baseRenderer` (both may be null).
    CGLProgramRenderer(CGLDriver* driver, IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                       int32_t userData);
    ~CGLProgramRenderer() override;

    // Registers a renderer whose programs `built` at the next free index of
    // its driver's table and drops the creator's reference. Answers the new
    // material type, or -1.
    [[nodiscard]] static int32_t registerBuilt(CGLProgramRenderer* renderer, bool built);

    virtual void usePrograms() = 0;
    virtual void stopPrograms() = 0;
    [[nodiscard]] virtual bool hasProgram() const = 0;
    // The services the base renderer and the callback work through: the
    // caller's, unless the renderer has its own.
    [[nodiscard]] virtual IRenderServices* programServices(IRenderServices* given) { return given; }

    CGLDriver* m_driver;
    CRefHandle<IShaderConstantCallback> m_callback;
    CRefHandle<IMaterialTypeRenderer> m_baseRenderer;
    int32_t m_userData;
};
