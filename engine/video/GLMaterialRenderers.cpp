#include "engine/video/GLMaterialRenderers.h"

#include "engine/video/CGLDriver.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/Material.h"
#include "engine/video/MaterialTypes.h"

#include <cmath>

namespace {

// What every fixed-function renderer shares: the driver, layer binding and
// the test for a type change.
class CGLFixedRenderer : public IMaterialTypeRenderer {
public:
    explicit CGLFixedRenderer(CGLDriver& driver) : m_driver(driver) {}

    void unsetMaterial() override {}
    [[nodiscard]] bool onRender(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override { return false; }
    [[nodiscard]] int32_t renderCapability() const override { return 0; }

protected:
    // Binds layers 0 to count - 1 on units 0 to count - 1 (only layer 0
    // without multitexturing) and switches the units above off.
    void bindLayers(const Material& material, uint32_t count) {
        const uint32_t units = m_driver.extensions().multiTexture ? count : 1;
        m_driver.disableTextures(units);
        for (uint32_t unit = 0; unit < units; ++unit)
            (void)m_driver.setActiveTexture(unit, m_driver.layerTexture(material, unit));
    }
    // Layers, then the shared states through `services` (the driver when null).
    void prepare(const Material& material, const Material& last, bool reset, IRenderServices* services,
                 uint32_t layers) {
        bindLayers(material, layers);
        if (services)
            services->applyBaseStates(material, last, reset);
        else
            m_driver.applyBaseStates(material, last, reset);
        m_driver.selectTextureUnit(0);
    }
    [[nodiscard]] static bool typeChanged(const Material& material, const Material& last, bool reset) {
        return reset || material.materialType != last.materialType;
    }
    [[nodiscard]] bool multiTexture() const { return m_driver.extensions().multiTexture; }
    [[nodiscard]] const CGLFunctions& gl() const { return m_driver.gl(); }
    void blend(GLenum source, GLenum destination) const {
        gl().glEnable(GL_BLEND);
        gl().glBlendFunc(source, destination);
    }
    void sphereMapGeneration(bool on) const {
        if (on) {
            gl().glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
            gl().glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
            gl().glEnable(GL_TEXTURE_GEN_S);
            gl().glEnable(GL_TEXTURE_GEN_T);
        } else {
            gl().glDisable(GL_TEXTURE_GEN_S);
            gl().glDisable(GL_TEXTURE_GEN_T);
        }
    }

    CGLDriver& m_driver;
};

// A renderer that holds depth writes off while it is set; unsetting it puts
// back the material's own setting, which is what the driver believes the
// hardware holds.
class CGLNoDepthWriteRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;

    void unsetMaterial() override { gl().glDepthMask(m_depthWrite ? GL_TRUE : GL_FALSE); }

protected:
    void holdDepthWritesOff(const Material& material) {
        m_depthWrite = material.depthWrite;
        gl().glDepthMask(GL_FALSE);
    }

private:
    bool m_depthWrite = true;
};

// 0 "solid".
class CGLSolidRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 1);
        if (typeChanged(m, last, reset))
            m_driver.setTextureEnvMode(GL_MODULATE);
    }
};

// 1 "solid_2layer".
class CGLSolid2LayerRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 2);
        if (!typeChanged(m, last, reset))
            return;
        if (multiTexture()) {
            m_driver.selectTextureUnit(1);
            m_driver.setTextureEnvMode(GL_REPLACE);
            m_driver.selectTextureUnit(0);
        }
        m_driver.setTextureEnvMode(GL_MODULATE);
    }
};

// 9 "detail_map".
class CGLDetailMapRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 2);
        if (!typeChanged(m, last, reset))
            return;
        m_driver.setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PRIMARY_COLOR, GL_MODULATE, GL_TEXTURE,
                                   GL_PRIMARY_COLOR);
        if (multiTexture()) {
            m_driver.selectTextureUnit(1);
            m_driver.setTextureCombine(GL_ADD_SIGNED, GL_PREVIOUS, GL_TEXTURE, GL_REPLACE, GL_PREVIOUS, GL_PREVIOUS);
            m_driver.selectTextureUnit(0);
        }
    }
};

// 10 "sphere_map".
class CGLSphereMapRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 1);
        if (typeChanged(m, last, reset)) {
            m_driver.setTextureEnvMode(GL_MODULATE);
            sphereMapGeneration(true);
        }
        // The generated coordinates run the other way in v.
        CMat4 matrix = m_driver.matrix(MatrixKind::Texture0);
        matrix[5] = -matrix[5];
        gl().glMatrixMode(GL_TEXTURE);
        gl().glLoadMatrixf(matrix.data());
        gl().glMatrixMode(GL_MODELVIEW);
    }
    void unsetMaterial() override {
        m_driver.selectTextureUnit(0);
        sphereMapGeneration(false);
        m_driver.applyTextureMatrix(0);
    }
};

// 11 "reflection_2layer" and, blending, 16 "trans_reflection_2layer".
class CGLReflectionRenderer : public CGLFixedRenderer {
public:
    CGLReflectionRenderer(CGLDriver& driver, bool transparent) : CGLFixedRenderer(driver), m_transparent(transparent) {}
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 2);
        if (!typeChanged(m, last, reset))
            return;
        if (multiTexture()) {
            m_driver.setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PRIMARY_COLOR, GL_MODULATE, GL_TEXTURE,
                                       GL_PRIMARY_COLOR);
            m_driver.selectTextureUnit(1);
            m_driver.setTextureCombine(GL_MODULATE, GL_PREVIOUS, GL_TEXTURE, GL_MODULATE, GL_PREVIOUS, GL_TEXTURE);
        }
        sphereMapGeneration(true);
        m_driver.selectTextureUnit(0);
        if (m_transparent)
            blend(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    }
    void unsetMaterial() override {
        if (multiTexture()) {
            m_driver.selectTextureUnit(1);
            m_driver.setTextureEnvMode(GL_MODULATE);
            sphereMapGeneration(false);
            m_driver.selectTextureUnit(0);
            m_driver.setTextureEnvMode(GL_MODULATE);
        }
        sphereMapGeneration(false);
        if (m_transparent)
            gl().glDisable(GL_BLEND);
    }
    [[nodiscard]] bool isTransparent() const override { return m_transparent; }

private:
    bool m_transparent;
};

// 12 "trans_add".
class CGLTransparentAddRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 1);
        if (!typeChanged(m, last, reset))
            return;
        blend(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
        m_driver.setTextureEnvMode(GL_MODULATE);
    }
    void unsetMaterial() override { gl().glDisable(GL_BLEND); }
    [[nodiscard]] bool isTransparent() const override { return true; }
};

// 13 "trans_alphach": blends by the texture's alpha and drops texels at or
// below the reference in param1 (0 stands for 0.5).
class CGLAlphaChannelRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 1);
        if (!typeChanged(m, last, reset) && m.param1 == last.param1)
            return;
        m_driver.setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PREVIOUS, GL_REPLACE, GL_TEXTURE, GL_TEXTURE);
        blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        gl().glEnable(GL_ALPHA_TEST);
        gl().glAlphaFunc(GL_GREATER, m.param1 == 0.0f ? 0.5f : m.param1);
    }
    void unsetMaterial() override {
        gl().glDisable(GL_ALPHA_TEST);
        gl().glDisable(GL_BLEND);
    }
    [[nodiscard]] bool isTransparent() const override { return true; }
};

// 14 "trans_alphach_ref": keeps texels whose alpha is above one half.
class CGLAlphaReferenceRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 1);
        if (!typeChanged(m, last, reset))
            return;
        gl().glEnable(GL_ALPHA_TEST);
        gl().glAlphaFunc(GL_GREATER, 0.5f);
        m_driver.setTextureEnvMode(GL_REPLACE);
    }
    void unsetMaterial() override { gl().glDisable(GL_ALPHA_TEST); }
};

// 15 "trans_vertex_alpha": blends by the vertex colour's alpha.
class CGLVertexAlphaRenderer : public CGLNoDepthWriteRenderer {
public:
    using CGLNoDepthWriteRenderer::CGLNoDepthWriteRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 1);
        if (typeChanged(m, last, reset)) {
            m_driver.setTextureCombine(GL_MODULATE, GL_PRIMARY_COLOR, GL_TEXTURE, GL_REPLACE, GL_PRIMARY_COLOR,
                                       GL_PRIMARY_COLOR);
            blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        holdDepthWritesOff(m);
    }
    void unsetMaterial() override {
        m_driver.selectTextureUnit(0);
        m_driver.setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PREVIOUS, GL_MODULATE, GL_TEXTURE, GL_PREVIOUS);
        gl().glDisable(GL_BLEND);
        CGLNoDepthWriteRenderer::unsetMaterial();
    }
    [[nodiscard]] bool isTransparent() const override { return true; }
};

// The blend factor of a "onetexture_blend" code; codes past the list count
// as one.
GLenum blendFactor(uint32_t code) {
    static constexpr GLenum factors[] = {GL_ZERO,
                                         GL_ONE,
                                         GL_DST_COLOR,
                                         GL_ONE_MINUS_DST_COLOR,
                                         GL_SRC_COLOR,
                                         GL_ONE_MINUS_SRC_COLOR,
                                         GL_SRC_ALPHA,
                                         GL_ONE_MINUS_SRC_ALPHA,
                                         GL_DST_ALPHA,
                                         GL_ONE_MINUS_DST_ALPHA,
                                         GL_SRC_ALPHA_SATURATE};
    return code < sizeof factors / sizeof factors[0] ? factors[code] : GL_ONE;
}

// 23 "onetexture_blend": param1 packs the RGB scale (bits 16 to 23) and the
// source and destination blend factor codes (bits 8 to 15 and 0 to 7).
class CGLOneTextureBlendRenderer : public CGLFixedRenderer {
public:
    using CGLFixedRenderer::CGLFixedRenderer;
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, 1);
        if (!typeChanged(m, last, reset) && m.param1 == last.param1)
            return;
        // A value that is no packed setting (negative, too large, NaN) counts as 0.
        const uint32_t packed = m.param1 >= 0.0f && m.param1 < 16777216.0f ? static_cast<uint32_t>(m.param1) : 0u;
        const uint32_t scale = (packed >> 16) & 255u;
        const uint32_t source = (packed >> 8) & 255u;
        const uint32_t destination = packed & 255u;
        const bool usesAlpha = (source >= 6 && source <= 10) || (destination >= 6 && destination <= 10);
        if (usesAlpha)
            m_driver.setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PRIMARY_COLOR, GL_REPLACE, GL_TEXTURE, GL_TEXTURE);
        else
            m_driver.setTextureCombine(GL_MODULATE, GL_TEXTURE, GL_PREVIOUS, GL_MODULATE, GL_TEXTURE, GL_PREVIOUS);
        // GL scales by 1, 2 or 4 only.
        if (m_driver.hasCombine())
            gl().glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE, scale >= 4 ? 4.0f : scale >= 2 ? 2.0f : 1.0f);
        blend(blendFactor(source), blendFactor(destination));
        gl().glEnable(GL_ALPHA_TEST);
        gl().glAlphaFunc(GL_GREATER, 0.0f);
    }
    void unsetMaterial() override {
        m_driver.selectTextureUnit(0);
        if (m_driver.hasCombine()) {
            gl().glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE, 1.0f);
            gl().glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
        }
        gl().glDisable(GL_BLEND);
        gl().glDisable(GL_ALPHA_TEST);
    }
};

// 24 "sprite_color_modulate", 25 "sprite_color_add" (RGB added) and 26
// "sprite_2t_alpha_modulate_color_modulate" (a second layer on unit 1,
// whose environment is left as it is): texture and vertex colour combined,
// blended by alpha, or added to the background when the material is
// additive.
class CGLSpriteRenderer : public CGLNoDepthWriteRenderer {
public:
    CGLSpriteRenderer(CGLDriver& driver, bool addColor, uint32_t layers)
        : CGLNoDepthWriteRenderer(driver), m_addColor(addColor), m_layers(layers) {}
    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        prepare(m, last, reset, services, m_layers);
        if (typeChanged(m, last, reset) || m.additive != last.additive) {
            blend(GL_SRC_ALPHA, m.additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
            m_driver.setTextureCombine(m_addColor ? GL_ADD : GL_MODULATE, GL_TEXTURE, GL_PRIMARY_COLOR, GL_MODULATE,
                                       GL_TEXTURE, GL_PRIMARY_COLOR);
        }
        holdDepthWritesOff(m);
    }
    void unsetMaterial() override {
        gl().glDisable(GL_BLEND);
        CGLNoDepthWriteRenderer::unsetMaterial();
    }
    [[nodiscard]] bool isTransparent() const override { return true; }

private:
    bool m_addColor;
    uint32_t m_layers;
};

} // namespace

void registerGLMaterialRenderers(CGLDriver& driver) {
    (void)driver.addBuiltInRenderer(MaterialType::Solid, new CGLSolidRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::Solid2Layer, new CGLSolid2LayerRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::DetailMap, new CGLDetailMapRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::SphereMap, new CGLSphereMapRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::Reflection2Layer, new CGLReflectionRenderer(driver, false));
    (void)driver.addBuiltInRenderer(MaterialType::TransparentAddColor, new CGLTransparentAddRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::TransparentAlphaChannel, new CGLAlphaChannelRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::TransparentAlphaChannelRef, new CGLAlphaReferenceRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::TransparentVertexAlpha, new CGLVertexAlphaRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::TransparentReflection2Layer, new CGLReflectionRenderer(driver, true));
    (void)driver.addBuiltInRenderer(MaterialType::OneTextureBlend, new CGLOneTextureBlendRenderer(driver));
    (void)driver.addBuiltInRenderer(MaterialType::SpriteColorModulate, new CGLSpriteRenderer(driver, false, 1));
    (void)driver.addBuiltInRenderer(MaterialType::SpriteColorAdd, new CGLSpriteRenderer(driver, true, 1));
    // The two-texture sprite types after it have no states of their own here:
    // they draw as it does rather than with whatever the hardware holds.
    for (int32_t type : {MaterialType::Sprite2TAlphaModulateColorModulate, MaterialType::Sprite2TAlphaModulateColorAdd,
                         MaterialType::Sprite2TAlphaModulateColor2})
        (void)driver.addBuiltInRenderer(type, new CGLSpriteRenderer(driver, false, 2));
}
